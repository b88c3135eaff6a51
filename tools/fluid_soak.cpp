// Soak run of the simulation under random keys: shaking modes, the obstacle on and off,
// translucency, restarts at all five sizes (several digits at once too), drawn from a fixed
// seed. After every step it checks that positions, velocities and densities are finite, that
// every particle's cell lies in the hash's array, and that the step allocated nothing.
//
//   fluid_soak_<build> [--steps N] [--seed S]
//
// Prints a summary line of figures; exit status 0 when every check held, 1 otherwise, 2 on bad
// arguments.
#include <sys/resource.h>

#include <cmath>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

#include "fluid/FrameCount.h"
#include "fluid/Fluid.h"
#include "fluid/KeyState.h"
#include "math/AlignedAlloc.h"
#include "tools/CountingNew.h"

namespace {
bool keyDown[256] = {};

std::int16_t soakKeyState(int virtualKey) {
    return (virtualKey >= 0 && virtualKey < 256 && keyDown[virtualKey]) ? 0x80 : 0;
}

bool finite(const Vec4& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

bool parseNumber(const char* text, std::uint64_t& value) {
    char* end = nullptr;
    errno = 0;
    const unsigned long long v = std::strtoull(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || text[0] == '-') return false;
    value = v;
    return true;
}

struct Figures {
    std::uint64_t steps = 0;
    std::uint64_t presses = 0;       // key-down transitions of the nine simulation keys
    std::uint64_t restarts = 0;      // steps with a restart key down
    std::uint64_t nonFinite = 0;     // particle fields found not finite
    std::uint64_t strayCells = 0;    // particles whose cell lies outside the array
    std::uint64_t allocations = 0;   // allocations during steps
    std::uint32_t largestCount = 0;
};
}  // namespace

int main(int argc, char** argv) {
    std::uint64_t steps = 1000000, seed = 20261211;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        std::uint64_t* target = option == "--steps" ? &steps : option == "--seed" ? &seed : nullptr;
        if (!target || i + 1 >= argc || !parseNumber(argv[i + 1], *target)) {
            std::fprintf(stderr, "fluid_soak: usage: [--steps N] [--seed S]\n");
            return 2;
        }
        ++i;
    }

    setKeyStateQuery(soakKeyState);
    if (!fluid.init()) {
        std::fprintf(stderr, "fluid_soak: cannot allocate the particle storage\n");
        return 1;
    }

    static constexpr int kKeys[] = {vk::kS, vk::kA, vk::kSpace, vk::kZ, vk::k1, vk::k2, vk::k3, vk::k4, vk::k5};
    std::mt19937_64 random(seed);
    std::uniform_real_distribution<double> chance(0.0, 1.0);
    Figures figures;
    const std::uint64_t newBefore = globalNewCount();
    const std::uint64_t alignedBefore = alignedAllocCount();
    for (std::uint64_t f = 0; f < steps; ++f) {
        // Control keys are held for a few frames; restart keys are rarer and now and then come
        // in pairs, so that the highest digit must win.
        for (int key : kKeys) {
            const bool restartKey = key == vk::kZ || (key >= vk::k1 && key <= vk::k5);
            const double toggle = keyDown[key] ? 0.3 : (restartKey ? 0.0004 : 0.004);
            if (chance(random) < toggle) {
                keyDown[key] = !keyDown[key];
                if (keyDown[key]) ++figures.presses;
            }
        }
        bool restart = false;
        for (int key : {vk::kZ, vk::k1, vk::k2, vk::k3, vk::k4, vk::k5}) restart = restart || keyDown[key];
        if (restart) ++figures.restarts;

        fluid.step();
        ++frameCount;
        ++figures.steps;

        const HashCell* first = fluid.hash.cells;
        const HashCell* last = fluid.hash.cells + fluid.hash.cellCount;
        for (std::uint32_t i = 0; i < fluid.particleCount; ++i) {
            const Particle& p = fluid.particles[i];
            figures.nonFinite += !finite(p.position) + !finite(p.velocityHalf) + !finite(p.velocity) +
                                 !std::isfinite(p.density);
            figures.strayCells += p.cell < first || p.cell >= last;
        }
        if (fluid.particleCount > figures.largestCount) figures.largestCount = fluid.particleCount;
    }
    figures.allocations = (globalNewCount() - newBefore) + (alignedAllocCount() - alignedBefore);

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("steps %llu, key presses %llu, restart steps %llu, largest block %u, non-finite %llu, "
                "stray cells %llu, allocations in steps %llu, peak resident %ld KiB\n",
                static_cast<unsigned long long>(figures.steps), static_cast<unsigned long long>(figures.presses),
                static_cast<unsigned long long>(figures.restarts), figures.largestCount,
                static_cast<unsigned long long>(figures.nonFinite),
                static_cast<unsigned long long>(figures.strayCells),
                static_cast<unsigned long long>(figures.allocations), usage.ru_maxrss);
    const bool held = figures.nonFinite == 0 && figures.strayCells == 0 && figures.allocations == 0;
    return held ? 0 : 1;
}
