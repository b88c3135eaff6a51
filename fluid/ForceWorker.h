// A second thread for the force passes. It is created once, when the fluid is initialised, and
// waits on an atomic counter between jobs, so handing it work allocates nothing. The two halves
// of a job touch disjoint particles; only the caller continues once both are done.
#pragma once

#include <atomic>
#include <cstdint>
#include <thread>

class ForceWorker {
public:
    // part is 0 on the calling thread and 1 on the worker.
    using Job = void (*)(void* context, unsigned part);

    ForceWorker() = default;
    ~ForceWorker() { stop(); }
    ForceWorker(const ForceWorker&) = delete;
    ForceWorker& operator=(const ForceWorker&) = delete;

    // Starts the thread; without one (or with FLUID_THREADS=1 in the environment) every job
    // runs both parts on the calling thread.
    void start();
    void stop();
    bool running() const { return thread_.joinable(); }

    // Runs job(context, 0) here and job(context, 1) on the worker; returns when both are done.
    void runSplit(Job job, void* context);

private:
    void loop();

    std::thread thread_;
    std::atomic<std::uint32_t> posted_{0};
    std::atomic<std::uint32_t> finished_{0};
    Job job_ = nullptr;
    void* context_ = nullptr;
    bool stopping_ = false;
};
