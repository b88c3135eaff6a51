// The application object: Render then the scene at start-up, a frame then Present per update,
// the scene then the graphics objects at release, and the start-up failures with their messages.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/Main.h"
#include "fluid/FrameCount.h"
#include "scene/SceneTestSupport.h"

using scene_testing::callTexts;
using scene_testing::RecordedGraphics;
using scene_testing::shownMessages;

namespace {
void* const kWindow = reinterpret_cast<void*>(0x5A5A0);

// Position of the first call that starts with prefix, or -1.
int indexOf(const std::vector<std::string>& calls, const std::string& prefix) {
    const auto it = std::find_if(calls.begin(), calls.end(), [&](const std::string& c) { return c.rfind(prefix, 0) == 0; });
    return it == calls.end() ? -1 : static_cast<int>(it - calls.begin());
}
}  // namespace

TEST(Main, StartsRenderThenTheSceneDrawsAndPresentsThenReleasesInOrder) {
    RecordedGraphics graphics;
    mainApp.hwnd = kWindow;
    ASSERT_TRUE(mainApp.init(640, 480, true));
    EXPECT_TRUE(shownMessages().empty());
    const std::vector<std::string> startUp = callTexts(graphics.backend);
    const int device = indexOf(startUp, "graphics.createDevice(0, 1, 0x5a5a0, 0x40, {640, 480,");
    const int effect = indexOf(startUp, "gfx.createEffectFromFile(device, ");
    const int declaration = indexOf(startUp, "device.createVertexDeclaration(");
    const int textures = indexOf(startUp, "gfx.createTextureFromFile(device, \"torvanine.dds\")");
    ASSERT_GE(device, 0);
    EXPECT_LT(device, effect);
    EXPECT_LT(effect, declaration);
    EXPECT_LT(declaration, textures);

    for (int frame = 1; frame <= 2; ++frame) {
        graphics.backend.clearCalls();
        EXPECT_TRUE(mainApp.update());
        const std::vector<std::string> calls = callTexts(graphics.backend);
        ASSERT_GE(calls.size(), 2u);
        EXPECT_EQ(calls.front(), "device.beginScene()");
        // The frame is complete before it is shown.
        EXPECT_EQ(calls[calls.size() - 2], "device.endScene()");
        EXPECT_EQ(calls.back(), "device.present(null, null, null, null)");
        EXPECT_EQ(frameCount, static_cast<std::uint32_t>(frame));
    }

    graphics.backend.clearCalls();
    mainApp.release();
    EXPECT_EQ(callTexts(graphics.backend),
              (std::vector<std::string>{"declaration1.release()", "texture(\"torvanine.dds\").release()",
                                        "texture(\"graph.bmp\").release()", "effect.release()", "device.release()",
                                        "graphics.release()"}));
    EXPECT_EQ(graphics.backend.liveObjects(), 0);
    EXPECT_EQ(fluid.particles, nullptr);

    graphics.backend.clearCalls();
    mainApp.release(); // again: nothing is held any more
    EXPECT_TRUE(graphics.backend.calls().empty());
    EXPECT_TRUE(graphics.backend.misuse().empty());
}

TEST(Main, RenderFailureShowsItsOwnMessageThenTheStartUpErrorAndSkipsTheScene) {
    const struct {
        const char* name;
        gfx::RecordingOptions options;
        std::string renderMessage;
    } cases[] = {
        {"no graphics object", [] { gfx::RecordingOptions o; o.noGraphicsObject = true; return o; }(),
         "Direct3Dの初期化に失敗しました."},
        {"device fails twice", [] { gfx::RecordingOptions o; o.createDeviceFailures = 2; return o; }(),
         "Direct3Dデバイスを初期化できませんでした."},
        {"effect fails", [] { gfx::RecordingOptions o; o.failEffect = true; o.effectErrorText = "line 3: bad"; return o; }(),
         "line 3: bad"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RecordedGraphics graphics(c.options);
        mainApp.hwnd = kWindow;
        EXPECT_FALSE(mainApp.init(640, 480, true));

        ASSERT_EQ(shownMessages().size(), 2u);
        EXPECT_EQ(shownMessages()[0].text, c.renderMessage);
        EXPECT_EQ(shownMessages()[1].text, "Render初期化エラー");
        EXPECT_EQ(shownMessages()[1].owner, kWindow);
        EXPECT_FALSE(shownMessages()[1].hasCaption);
        EXPECT_EQ(indexOf(callTexts(graphics.backend), "device.createVertexDeclaration("), -1);
        EXPECT_EQ(fluid.particles, nullptr) << "the scene was started after the failure";

        mainApp.release();
        EXPECT_EQ(graphics.backend.liveObjects(), 0) << "something created was not released";
        EXPECT_TRUE(graphics.backend.misuse().empty());
    }
}

TEST(Main, SceneFailureShowsOnlyTheScenesMessageAndReleaseFreesEverything) {
    gfx::RecordingOptions options;
    options.failingTextures.insert("graph.bmp");
    RecordedGraphics graphics(options);
    mainApp.hwnd = kWindow;
    EXPECT_FALSE(mainApp.init(640, 480, true));
    ASSERT_EQ(shownMessages().size(), 1u);
    EXPECT_EQ(shownMessages()[0].text, "テクスチャがロードできませんでした.");

    mainApp.release();
    EXPECT_EQ(graphics.backend.liveObjects(), 0);
    EXPECT_EQ(fluid.particles, nullptr);
    EXPECT_TRUE(graphics.backend.misuse().empty());
}
