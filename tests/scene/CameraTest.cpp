// The camera keys with their limits, the automatic turn, and the colour mode chosen per frame.
#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

#include "fluid/FluidTestSupport.h"
#include "scene/Camera.h"
#include "scene/ColorMode.h"

using testing_support::ScriptedKeys;

namespace {
struct CameraCase {
    const char* name;
    std::vector<int> keys; // held for every frame
    int frames;
    float pitch, yaw, distance; // at the start
    float expectedPitch, expectedYaw, expectedDistance;
    bool expectedTouched;
};

void runCameraFrames(const std::vector<int>& keys, int frames) {
    ScriptedKeys::clear();
    for (int k : keys) ScriptedKeys::hold({k});
    for (int i = 0; i < frames; ++i) applyCameraKeys();
}
}  // namespace

TEST(Camera, StartsTiltedAtADistanceAndTurnsByItselfFromTheFirstFrame) {
    ScriptedKeys keys;
    EXPECT_EQ(cameraPitch, 0.7853982f);
    EXPECT_EQ(cameraYaw, 0.0f);
    EXPECT_EQ(cameraDistance, 32.0f);
    applyCameraKeys();
    EXPECT_EQ(cameraYaw, 0.01f);
    EXPECT_FALSE(cameraTouched);
}

TEST(Camera, KeysAndLimits) {
    const float quarter = 0.7853982f;
    const CameraCase cases[] = {
        {"no key", {}, 3, quarter, 0.0f, 32.0f, quarter, (0.01f + 0.01f) + 0.01f, 32.0f, false},
        {"down stops at 10 degrees", {vk::kDown}, 2, kCameraPitchMin + 0.005f, 0.0f, 32.0f, kCameraPitchMin,
         0.0f, 32.0f, true},
        {"up stops at 89 degrees", {vk::kUp}, 2, kCameraPitchMax - 0.005f, 0.0f, 32.0f, kCameraPitchMax, 0.0f,
         32.0f, true},
        {"left turns one way", {vk::kLeft}, 1, quarter, 1.0f, 32.0f, quarter, 1.0f + 0.01f, 32.0f, true},
        {"right turns the other", {vk::kRight}, 1, quarter, 1.0f, 32.0f, quarter, 1.0f - 0.01f, 32.0f, true},
        {"page up zooms in to 4", {vk::kPageUp}, 3, quarter, 0.0f, 4.2f, quarter, (0.01f + 0.01f) + 0.01f, 4.0f,
         false},
        {"page down zooms out to 48", {vk::kPageDown}, 3, quarter, 0.0f, 47.875f, quarter,
         (0.01f + 0.01f) + 0.01f, 48.0f, false},
        {"page down and up cancel", {vk::kPageUp, vk::kPageDown}, 1, quarter, 0.0f, 10.0f, quarter, 0.01f,
         (10.0f - 0.125f) + 0.125f, false},
        // The decrease is limited before the increase is applied.
        {"down and up at the lower limit", {vk::kDown, vk::kUp}, 1, kCameraPitchMin, 0.0f, 32.0f,
         kCameraPitchMin + 0.01f, 0.0f, 32.0f, true},
        {"down and up in the middle", {vk::kDown, vk::kUp}, 1, quarter, 0.0f, 32.0f, (quarter - 0.01f) + 0.01f,
         0.0f, 32.0f, true},
    };
    for (const CameraCase& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedKeys keys;
        cameraPitch = c.pitch;
        cameraYaw = c.yaw;
        cameraDistance = c.distance;
        cameraTouched = false;
        runCameraFrames(c.keys, c.frames);
        EXPECT_EQ(cameraPitch, c.expectedPitch);
        EXPECT_EQ(cameraYaw, c.expectedYaw);
        EXPECT_EQ(cameraDistance, c.expectedDistance);
        EXPECT_EQ(cameraTouched, c.expectedTouched);
    }
}

TEST(Camera, HeldAtALimitStaysExactlyThere) {
    ScriptedKeys keys;
    runCameraFrames({vk::kDown, vk::kPageDown}, 200);
    EXPECT_EQ(cameraPitch, kCameraPitchMin);
    EXPECT_EQ(cameraDistance, kCameraDistanceMax);
    runCameraFrames({vk::kUp, vk::kPageUp}, 400);
    EXPECT_EQ(cameraPitch, kCameraPitchMax);
    EXPECT_EQ(cameraDistance, kCameraDistanceMin);
}

TEST(Camera, AnArrowKeyStopsTheAutomaticTurnForGood) {
    for (int arrow : {vk::kDown, vk::kUp, vk::kLeft, vk::kRight}) {
        SCOPED_TRACE(arrow);
        ScriptedKeys keys;
        cameraYaw = 0.0f;
        cameraTouched = false;
        runCameraFrames({}, 2);
        runCameraFrames({arrow}, 1);
        const float yawAfterArrow = cameraYaw;
        runCameraFrames({}, 10);
        runCameraFrames({vk::kPageUp}, 5);
        EXPECT_TRUE(cameraTouched);
        EXPECT_EQ(cameraYaw, yawAfterArrow);
    }
}

TEST(ColorModeKeys, HeldKeyChoosesTheModeForThisFrameOnly) {
    struct Case {
        std::vector<int> keys;
        ColorMode expected;
    };
    const Case cases[] = {
        {{}, kColorDensityTint},
        {{vk::kC}, kColorVelocity},
        {{vk::kX}, kColorDensityGrey},
        {{vk::kC, vk::kX}, kColorDensityGrey},
        {{}, kColorDensityTint}, // released: back to mode 0
    };
    ScriptedKeys keys;
    for (const Case& c : cases) {
        ScriptedKeys::clear();
        for (int k : c.keys) ScriptedKeys::hold({k});
        chooseColorModeFromKeys();
        EXPECT_EQ(colorMode, c.expected) << c.keys.size() << " keys";
    }
}
