// The step's controls: shaking, obstacle, restart keys and press detection.
#include <gtest/gtest.h>

#include "fluid/Obstacle.h"
#include "math/CRandom.h"
#include "FluidTestSupport.h"

namespace {

using testing_support::runFrame;
using testing_support::runFrames;
using testing_support::ScriptedKeys;

class StepTest : public ::testing::Test {
protected:
    void SetUp() override {
        blockSide = 11;  // the smallest block keeps these tests quick
        ASSERT_TRUE(fluid.init());
    }
    ScriptedKeys keys;

    static void press(int key) {
        ScriptedKeys::hold({key});
        runFrame();
        ScriptedKeys::release({key});
        runFrame();
    }
};

}  // namespace

TEST_F(StepTest, ShakingAmplitudeRisesLinearlyThenEases) {
    shakeMode = kShakeGentle;
    runFrame();
    EXPECT_FLOAT_EQ(shakeAmplitude, 0.002f);
    EXPECT_EQ(containerOffset.x, 0.0f);  // frameCount was 0
    runFrames(9);
    EXPECT_NEAR(shakeAmplitude, 0.02f, 1e-6f);
    runFrames(40);
    EXPECT_NEAR(shakeAmplitude, 0.0731f, 1e-4f);
    runFrames(200);
    EXPECT_LT(shakeAmplitude, 0.075f);
    EXPECT_GT(shakeAmplitude, 0.0749f);

    shakeMode = kShakeStill;
    const float before = shakeAmplitude;
    runFrame();
    EXPECT_NEAR(before - shakeAmplitude, 0.002f, 1e-6f);
    EXPECT_NE(containerOffset.x, 0.0f);
}

TEST_F(StepTest, SCyclesTheShakeModeOncePerPress) {
    press(vk::kS);
    EXPECT_EQ(shakeMode, 1u);
    // Held for many frames, it counts once.
    ScriptedKeys::hold({vk::kS});
    runFrames(5);
    ScriptedKeys::release({vk::kS});
    runFrame();
    EXPECT_EQ(shakeMode, 2u);
    press(vk::kS);
    EXPECT_EQ(shakeMode, 0u);
}

TEST_F(StepTest, KeyDownAtTheFirstStepCountsAsAPress) {
    ScriptedKeys::hold({vk::kA});
    runFrame();
    EXPECT_TRUE(obstacle.translucent);
    EXPECT_FALSE(obstacle.active);  // A toggles translucency whether or not the sphere exists
}

TEST_F(StepTest, ObstacleGrowsEasesAndShrinksAway) {
    ScriptedKeys::hold({vk::kSpace});
    runFrame();
    EXPECT_TRUE(obstacle.active);
    EXPECT_FLOAT_EQ(obstacle.radius, 0.002f);
    ScriptedKeys::release({vk::kSpace});
    runFrames(64);
    EXPECT_NEAR(obstacle.radius, 0.13f, 0.002f);
    runFrames(200);
    EXPECT_LT(obstacle.radius, 0.15f);

    press(vk::kSpace);  // two frames: the press starts the shrinking
    EXPECT_TRUE(obstacle.active);
    int frames = 0;
    while (obstacle.active && frames < 100) {
        const float before = obstacle.radius;
        runFrame();
        ++frames;
        if (obstacle.active) {
            EXPECT_NEAR(before - obstacle.radius, 0.003f, 1e-6f);
        }
    }
    EXPECT_FALSE(obstacle.active);
    EXPECT_EQ(obstacle.radius, 0.0f);
    runFrame();
    EXPECT_EQ(obstacle.radius, 0.0f);
}

TEST_F(StepTest, HighestDigitWinsAndTheBlockIsLaidOutEveryStep) {
    ScriptedKeys::hold({vk::k1, vk::k5});
    for (int i = 0; i < 3; ++i) {
        const std::uint32_t state = crtRandState();
        runFrame();
        EXPECT_EQ(blockSide, 21);
        EXPECT_EQ(fluid.particleCount, 9261u);
        EXPECT_NE(crtRandState(), state);
        // Held, the block does not move: the particle is on its fresh lattice point.
        EXPECT_NEAR(fluid.particles[0].position.y, 12 * 0.02631579f, 1e-4f);
    }
}

TEST_F(StepTest, ZRestartsWithTheCurrentSideAndFreshJitter) {
    runFrames(3);
    ScriptedKeys::hold({vk::kZ});
    runFrame();
    EXPECT_EQ(blockSide, 11);
    EXPECT_EQ(fluid.particleCount, 1331u);
    const float first = fluid.particles[0].position.x;
    runFrame();
    EXPECT_NE(fluid.particles[0].position.x, first);
    EXPECT_NEAR(fluid.particles[0].position.x, -5 * 0.02631579f, 1e-4f);
}

TEST_F(StepTest, RestartKeepsShakingAndObstacle) {
    shakeMode = kShakeStrong;
    ScriptedKeys::hold({vk::kSpace});
    runFrames(3);
    ScriptedKeys::hold({vk::k2});
    runFrame();
    EXPECT_EQ(fluid.particleCount, 2744u);
    EXPECT_EQ(shakeMode, 2u);
    EXPECT_TRUE(obstacle.active);
    EXPECT_GT(shakeAmplitude, 0.0f);
}
