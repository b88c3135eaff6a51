#include "fluid/ForceWorker.h"

#include <cstdlib>
#include <cstring>
#include <system_error>

void ForceWorker::start() {
    if (running()) return;
    const char* threads = std::getenv("FLUID_THREADS");
    if (threads && std::strcmp(threads, "1") == 0) return;
    stopping_ = false;
    try {
        thread_ = std::thread(&ForceWorker::loop, this);
    } catch (const std::system_error&) {
        // No second thread: the jobs run whole on the caller.
    }
}

void ForceWorker::stop() {
    if (!running()) return;
    stopping_ = true;
    posted_.fetch_add(1, std::memory_order_release);
    posted_.notify_one();
    thread_.join();
}

void ForceWorker::runSplit(Job job, void* context) {
    if (!running()) {
        job(context, 0);
        job(context, 1);
        return;
    }
    job_ = job;
    context_ = context;
    const std::uint32_t ticket = posted_.fetch_add(1, std::memory_order_release) + 1;
    posted_.notify_one();
    job(context, 0);
    for (std::uint32_t done = finished_.load(std::memory_order_acquire); done != ticket;
         done = finished_.load(std::memory_order_acquire)) {
        finished_.wait(done, std::memory_order_acquire);
    }
}

void ForceWorker::loop() {
    std::uint32_t seen = 0;
    for (;;) {
        posted_.wait(seen, std::memory_order_acquire);
        seen = posted_.load(std::memory_order_acquire);
        if (stopping_) return;
        job_(context_, 1);
        finished_.store(seen, std::memory_order_release);
        finished_.notify_one();
    }
}
