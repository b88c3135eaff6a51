// A long scripted session: shaking, the obstacle in and out, restarts at every size. Every
// particle must stay finite and inside the container after every step.
#include <gtest/gtest.h>

#include "fluid/Obstacle.h"
#include "FluidTestSupport.h"

namespace {

using testing_support::isFinite;
using testing_support::runFrame;
using testing_support::ScriptedKeys;

// Which keys are down in frame f of the session; a 2500-frame cycle, eight cycles.
void holdKeysFor(int f) {
    ScriptedKeys::clear();
    const int t = f % 2500;
    const int cycle = f / 2500;
    if (t == 0) ScriptedKeys::hold({vk::k1 + cycle % 5});  // restart at the next size
    if (t == 10 || t == 900 || t == 1700) ScriptedKeys::hold({vk::kS});
    if (t == 300 || t == 1200) ScriptedKeys::hold({vk::kSpace});
    if (t == 600) ScriptedKeys::hold({vk::kA});
    if (t == 2000 && cycle % 2 == 1) ScriptedKeys::hold({vk::kZ});
}

}  // namespace

TEST(LongRun, TwentyThousandStepsStayFiniteAndInsideTheContainer) {
    ScriptedKeys keys;
    ASSERT_TRUE(fluid.init());
    int belowFloorWithObstacle = 0;
    for (int f = 0; f < 20000; ++f) {
        holdKeysFor(f);
        runFrame();
        const float wallX = containerOffset.x;
        for (std::uint32_t i = 0; i < fluid.particleCount; ++i) {
            const Particle& p = fluid.particles[i];
            ASSERT_TRUE(isFinite(p.position) && isFinite(p.velocityHalf) && isFinite(p.velocity) &&
                        std::isfinite(p.density))
                << "particle " << i << " at frame " << f;
            ASSERT_GE(p.position.z, -0.3f) << "frame " << f;
            ASSERT_LE(p.position.z, 0.3f) << "frame " << f;
            ASSERT_GE(p.position.x, wallX - 0.3f) << "frame " << f;
            ASSERT_LE(p.position.x, wallX + 0.3f) << "frame " << f;
            if (p.position.y < 0.0f) {
                // Only the sphere can press a particle below the floor, which the next step's
                // floor test then corrects.
                ASSERT_TRUE(obstacle.active) << "particle " << i << " below the floor at frame " << f;
                ++belowFloorWithObstacle;
            }
        }
    }
    EXPECT_EQ(frameCount, 20000u);
    RecordProperty("belowFloorWithObstacle", belowFloorWithObstacle);
}
