// Headless run of the simulation that prints its state as text, every float as its bit pattern,
// so that two implementations can be compared bit for bit.
//
//   fluid_trace_<build> --frames N [--keys FILE] [--every K]
//
// Records: "state ..." then one "p ..." line per live particle, after start-up, after every K-th
// frame and after the last. Bad arguments or script lines: one line on stderr, exit status 2.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "fluid/FrameCount.h"
#include "fluid/Fluid.h"
#include "fluid/KeyState.h"
#include "fluid/Obstacle.h"
#include "math/CRandom.h"
#include "tools/KeyScript.h"
#include "tools/TraceRecord.h"

namespace {
bool keyDown[256] = {};

std::int16_t scriptedKeyState(int virtualKey) {
    return (virtualKey >= 0 && virtualKey < 256 && keyDown[virtualKey]) ? 0x80 : 0;
}

int usageError(const std::string& message) {
    std::fprintf(stderr, "fluid_trace: %s\n", message.c_str());
    return 2;
}

bool parseCount(const char* text, std::uint64_t minimum, std::uint64_t& value) {
    const std::size_t length = std::strlen(text);
    if (length == 0 || length > 10) return false;
    value = 0;
    for (std::size_t i = 0; i < length; ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        value = value * 10 + static_cast<std::uint64_t>(text[i] - '0');
    }
    return value >= minimum && value <= 0xFFFFFFFFull;
}
}  // namespace

int main(int argc, char** argv) {
    std::uint64_t frames = 0, every = 0;
    bool haveFrames = false;
    const char* keysPath = nullptr;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (option != "--frames" && option != "--keys" && option != "--every") {
            return usageError("unknown argument \"" + option +
                              "\"; usage: --frames N [--keys FILE] [--every K]");
        }
        if (i + 1 >= argc) return usageError(option + " needs a value");
        const char* value = argv[++i];
        if (option == "--frames") {
            if (!parseCount(value, 0, frames)) return usageError("--frames needs a whole number >= 0");
            haveFrames = true;
        } else if (option == "--every") {
            if (!parseCount(value, 1, every)) return usageError("--every needs a whole number >= 1");
        } else {
            keysPath = value;
        }
    }
    if (!haveFrames) return usageError("--frames N is required");

    KeyScript script;
    if (keysPath) {
        std::ifstream file(keysPath, std::ios::binary);
        if (!file) return usageError(std::string("cannot read key file \"") + keysPath + "\"");
        std::ostringstream text;
        text << file.rdbuf();
        if (file.bad()) return usageError(std::string("cannot read key file \"") + keysPath + "\"");
        std::string error;
        if (!script.parse(text.str(), error)) return usageError(error);
    }

    setKeyStateQuery(scriptedKeyState);
    if (!fluid.init()) return usageError("cannot allocate the particle storage");

    TraceWriter out(stdout);
    out.record(0);
    for (std::uint64_t f = 0; f < frames; ++f) {
        script.keysDown(f, keyDown);
        frameCount = static_cast<std::uint32_t>(f);
        fluid.step();
        frameCount = static_cast<std::uint32_t>(f + 1);
        const std::uint64_t done = f + 1;
        if ((every != 0 && done % every == 0) || f == frames - 1) out.record(done);
    }
    return out.finish() ? 0 : 1;
}
