#include "E2eSupport.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace e2e {

VirtualDisplay::VirtualDisplay(int width, int height) {
    int pipeFds[2];
    if (pipe(pipeFds) != 0) return;
    const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
    const std::string fd = std::to_string(pipeFds[1]);
    pid_ = fork();
    if (pid_ == 0) {
        close(pipeFds[0]);
        const int devNull = open("/dev/null", O_WRONLY);
        if (devNull >= 0) {
            dup2(devNull, STDOUT_FILENO);
            dup2(devNull, STDERR_FILENO);
        }
        // -displayfd: the server picks a free display number and writes it to the pipe.
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen.c_str(), "-nolisten", "tcp",
               "-noreset", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(pipeFds[1]);
    if (pid_ < 0) {
        close(pipeFds[0]);
        return;
    }
    std::string number;
    char c;
    while (read(pipeFds[0], &c, 1) == 1 && c != '\n') number += c;
    close(pipeFds[0]);
    if (!number.empty()) name_ = ":" + number;
}

VirtualDisplay::~VirtualDisplay() {
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
    }
}

ChildProcess::ChildProcess(const std::string& program, const std::string& workingDirectory,
                           const std::string& display, const std::string& stderrPath) {
    pid_ = fork();
    if (pid_ != 0) return;
    if (chdir(workingDirectory.c_str()) != 0) _exit(126);
    const int errFd = open(stderrPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (errFd >= 0) dup2(errFd, STDERR_FILENO);
    const int devNull = open("/dev/null", O_WRONLY);
    if (devNull >= 0) dup2(devNull, STDOUT_FILENO);
    if (display.empty()) {
        unsetenv("DISPLAY");
    } else {
        setenv("DISPLAY", display.c_str(), 1);
    }
    // The programs must choose their video driver themselves.
    unsetenv("SDL_VIDEODRIVER");
    unsetenv("WAYLAND_DISPLAY");
    execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
    _exit(127);
}

ChildProcess::~ChildProcess() {
    if (running()) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
}

bool ChildProcess::running() {
    if (pid_ <= 0 || status_) return false;
    int status = 0;
    const pid_t done = waitpid(pid_, &status, WNOHANG);
    if (done == 0) return true;
    if (done == pid_) {
        status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    } else {
        status_ = -1;
    }
    return false;
}

std::optional<int> ChildProcess::waitForExit(std::chrono::milliseconds timeout) {
    waitUntil(timeout, [&] { return !running(); });
    return status_;
}

CommandResult runCommand(const std::string& display, const std::string& command) {
    CommandResult result;
    const std::string line = "DISPLAY=" + display + " " + command + " 2>/dev/null";
    FILE* pipe = popen(line.c_str(), "r");
    if (!pipe) return result;
    char buffer[4096];
    std::size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) result.output.append(buffer, n);
    const int status = pclose(pipe);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

Image captureScreen(const std::string& display, int x, int y, int width, int height) {
    Image image;
    const std::string crop =
        std::to_string(width) + "x" + std::to_string(height) + "+" + std::to_string(x) + "+" + std::to_string(y);
    const CommandResult capture = runCommand(display, "import -silent -window root -crop " + crop + " +repage -depth 8 ppm:-");
    const std::string& data = capture.output;
    // Binary PPM: "P6", width, height, maximum 255, one whitespace, then the pixels.
    std::istringstream header(data);
    std::string magic;
    int w = 0, h = 0, maxValue = 0;
    header >> magic >> w >> h >> maxValue;
    if (capture.exitCode != 0 || magic != "P6" || maxValue != 255 || w <= 0 || h <= 0) return image;
    const std::size_t offset = static_cast<std::size_t>(header.tellg()) + 1;
    const std::size_t count = static_cast<std::size_t>(w) * static_cast<std::size_t>(h);
    if (data.size() < offset + 3 * count) return image;
    image.width = w;
    image.height = h;
    image.pixels.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        image.pixels[i] = {static_cast<std::uint8_t>(data[offset + 3 * i]),
                           static_cast<std::uint8_t>(data[offset + 3 * i + 1]),
                           static_cast<std::uint8_t>(data[offset + 3 * i + 2])};
    }
    return image;
}

}  // namespace e2e
