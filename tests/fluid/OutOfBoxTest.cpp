// Particles thrown out of the hash's grid box and far from the container: the step stays inside
// the cell array, nothing turns to NaN, and gravity and the walls bring them back.
#include <gtest/gtest.h>

#include "FluidTestSupport.h"

using testing_support::isFinite;
using testing_support::runFrame;

TEST(OutOfBox, ThrownParticlesStayInBoundsAndComeBack) {
    blockSide = 11;
    ASSERT_TRUE(fluid.init());
    testing_support::ScriptedKeys keys;
    Particle& high = fluid.particles[0];
    high.position = Vec4{0.0f, 1.5f, 0.0f, 0.0f};      // above the grid box (about 1.08 m)
    high.velocityHalf = Vec4{0.0f, 4.0f, 0.0f, 0.0f};  // and still rising
    Particle& far = fluid.particles[1];
    far.position = Vec4{5.0f, 3.0f, -4.0f, 0.0f};      // outside the box on every axis
    Particle& twin = fluid.particles[2];
    twin.position = high.position;                      // sharing the clamped top cell
    twin.velocityHalf = high.velocityHalf;
    fluid.hash.build(fluid.particleCount, fluid.particles);

    const HashCell* first = fluid.hash.cells;
    const HashCell* last = fluid.hash.cells + fluid.hash.cellCount;
    float highest = 0.0f;
    int frames = 0;
    for (; frames < 600 && (high.position.y > 0.7f || far.position.y > 0.7f); ++frames) {
        runFrame();
        highest = std::max(highest, high.position.y);
        for (std::uint32_t i = 0; i < fluid.particleCount; ++i) {
            const Particle& p = fluid.particles[i];
            ASSERT_TRUE(isFinite(p.position) && isFinite(p.velocity) && std::isfinite(p.density))
                << "particle " << i << " at frame " << frames;
            ASSERT_TRUE(p.cell >= first && p.cell < last) << "particle " << i;
        }
    }
    EXPECT_GT(highest, 1.9f);     // it rose well beyond the grid box first
    EXPECT_LT(frames, 600);       // and both fell back under gravity
    EXPECT_LE(far.position.x, 0.3f);  // the x and z walls caught the far one at once
    EXPECT_GE(far.position.z, -0.3f);
}
