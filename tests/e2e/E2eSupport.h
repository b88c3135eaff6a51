// Helpers of the end-to-end tests: a private virtual X display, child processes with their own
// environment, working directory and captured stderr, shell commands, and screen captures.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <ctime>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace e2e {

// An Xvfb server on a free display number, stopped on destruction.
class VirtualDisplay {
public:
    VirtualDisplay(int width, int height);
    ~VirtualDisplay();
    VirtualDisplay(const VirtualDisplay&) = delete;
    VirtualDisplay& operator=(const VirtualDisplay&) = delete;

    bool running() const { return pid_ > 0 && !name_.empty(); }
    const std::string& name() const { return name_; } // ":N"

private:
    pid_t pid_ = -1;
    std::string name_;
};

// A program started with DISPLAY set (or removed when display is empty), in a working directory,
// with its stderr written to a file. Killed on destruction if still running.
class ChildProcess {
public:
    ChildProcess(const std::string& program, const std::string& workingDirectory, const std::string& display,
                 const std::string& stderrPath);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // The exit status once the process has exited by itself within the timeout: the exit code, or
    // 128 + signal number when a signal ended it.
    std::optional<int> waitForExit(std::chrono::milliseconds timeout);
    bool running();
    pid_t pid() const { return pid_; }

private:
    pid_t pid_ = -1;
    std::optional<int> status_;
};

struct CommandResult {
    int exitCode = -1;
    std::string output; // stdout
};
// Runs a shell command with DISPLAY set.
CommandResult runCommand(const std::string& display, const std::string& command);

std::string readFile(const std::string& path);

// Polls until the predicate holds or the timeout passes; returns the last result.
template <class Predicate>
bool waitUntil(std::chrono::milliseconds timeout, Predicate predicate) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (predicate()) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        struct timespec pause{0, 100 * 1000 * 1000};
        nanosleep(&pause, nullptr);
    }
}

struct Rgb {
    std::uint8_t r, g, b;
};

// An RGB image captured from the screen.
struct Image {
    int width = 0;
    int height = 0;
    std::vector<Rgb> pixels;
    const Rgb& at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

// The screen's pixels in the rectangle (x, y, width, height); empty on failure.
Image captureScreen(const std::string& display, int x, int y, int width, int height);

}  // namespace e2e
