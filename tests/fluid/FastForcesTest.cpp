// The fast force evaluation against the straightforward one, step by step through scripted
// sessions: densities, pressures, forces and the shared generator must agree to the bit.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "fluid/Obstacle.h"
#include "math/CRandom.h"
#include "FluidTestSupport.h"
#include "ReferenceForces.h"

namespace {

using testing_support::runFrame;
using testing_support::ScriptedKeys;

bool sameBits(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// Runs computeForces both ways from the same state; true when every result agrees bitwise.
// Leaves the fluid as the reference left it.
::testing::AssertionResult forcesAgree() {
    static std::vector<Particle> before, fast;
    before.assign(fluid.particles, fluid.particles + Fluid::kMaxParticles);
    const std::uint32_t randBefore = crtRandState();

    fluid.computeForces();
    fast.assign(fluid.particles, fluid.particles + fluid.particleCount);
    const std::uint32_t randFast = crtRandState();

    std::memcpy(static_cast<void*>(fluid.particles), before.data(), sizeof(Particle) * Fluid::kMaxParticles);
    setCrtRandState(randBefore);
    reference::computeForces(fluid);

    if (crtRandState() != randFast) return ::testing::AssertionFailure() << "generator states differ";
    for (std::uint32_t i = 0; i < fluid.particleCount; ++i) {
        const Particle& a = fast[i];
        const Particle& b = fluid.particles[i];
        if (!sameBits(a.density, b.density) || !sameBits(a.pressure, b.pressure) ||
            !sameBits(a.invDensitySq, b.invDensitySq) || !sameBits(a.force.x, b.force.x) ||
            !sameBits(a.force.y, b.force.y) || !sameBits(a.force.z, b.force.z)) {
            return ::testing::AssertionFailure() << "particle " << i << " differs: density " << a.density
                                                 << " vs " << b.density << ", force.y " << a.force.y << " vs "
                                                 << b.force.y;
        }
    }
    return ::testing::AssertionSuccess();
}

struct Phase {
    int frames;
    std::initializer_list<int> pressAtStart; // held during the first frame of the phase
};

// Runs the phases, comparing the two evaluations before every step; returns how many steps
// drew from the generator (met coincident particles).
int runLockStep(std::initializer_list<Phase> phases) {
    ScriptedKeys keys;
    int drawingSteps = 0;
    for (const Phase& phase : phases) {
        for (int f = 0; f < phase.frames; ++f) {
            ScriptedKeys::clear();
            if (f == 0) ScriptedKeys::hold(phase.pressAtStart);
            const std::uint32_t randBefore = crtRandState();
            EXPECT_TRUE(forcesAgree()) << "frame " << frameCount;
            if (crtRandState() != randBefore) ++drawingSteps;
            if (::testing::Test::HasFailure()) return drawingSteps;
            runFrame();
        }
    }
    return drawingSteps;
}

}  // namespace

TEST(FastForces, AgreesThroughFallShakeAndObstacle) {
    ASSERT_TRUE(fluid.init());
    const int drawing = runLockStep({
        {500, {}},                      // the first block falls and splashes
        {400, {vk::kS}},                // gentle shaking
        {400, {vk::kS, vk::kSpace}},    // strong shaking with the sphere
        {300, {vk::kSpace, vk::kA}},    // the sphere shrinks away
    });
    // Corners of the container pile particles onto one point now and then: the jitter path
    // must have been compared too.
    EXPECT_GT(drawing, 0);
}

TEST(FastForces, AgreesAcrossRestartsAtEverySize) {
    blockSide = 11;
    ASSERT_TRUE(fluid.init());
    runLockStep({
        {300, {}},
        {3, {vk::k5}},
        {60, {}},
        {2, {vk::k4}},
        {60, {}},
        {2, {vk::k3}},
        {200, {vk::kS}},
        {2, {vk::k1, vk::k2}},
        {300, {vk::kS}},
        {2, {vk::kZ}},
        {200, {vk::kSpace}},
    });
}

TEST(FastForces, CoincidentParticlesDrawInStorageOrder) {
    // Pairs stacked on one point in different cells, listed out of storage order by the cells:
    // the generator must still be drawn particle by particle in storage order.
    ASSERT_TRUE(fluid.init());
    const Vec4 points[] = {{0.2f, 0.05f, 0.1f, 0}, {-0.2f, 0.05f, -0.1f, 0}, {0.0f, 0.3f, 0.0f, 0}};
    fluid.particleCount = 7;
    const int placement[] = {0, 1, 2, 1, 0, 2, 1};
    for (std::uint32_t i = 0; i < fluid.particleCount; ++i) {
        fluid.particles[i].position = points[placement[i]];
        fluid.particles[i].velocity = Vec4{0.01f * i, 0.0f, 0.0f, 0.0f};
    }
    fluid.hash.build(fluid.particleCount, fluid.particles);
    const std::uint32_t before = crtRandState();
    EXPECT_TRUE(forcesAgree());
    EXPECT_NE(crtRandState(), before);
}
