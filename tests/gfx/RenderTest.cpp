// Render's start-up on the recording backend: the calls in order, every failure with its
// message, caption and what stays held, the retry of device creation, and release.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/MessageBox.h"
#include "gfx/RecordingBackend.h"
#include "gfx/Render.h"

namespace {

struct ShownMessage {
    void* owner;
    std::string text;
    std::string caption;
};
std::vector<ShownMessage> shown;

void recordMessage(void* owner, const char* text, const char* caption) {
    shown.push_back({owner, text ? text : "<null>", caption ? caption : "<null>"});
}

gfx::WindowHandle const kWindow = reinterpret_cast<gfx::WindowHandle>(0x5150);
const char* const kWindowText = "0x5150";

std::string effectPath() {
    return (std::filesystem::canonical("/proc/self/exe").parent_path() / "shader.bin").string();
}

const std::vector<std::string> kStartUpCalls = {
    "gfx.createGraphicsObject(32)",
    "graphics.getDeviceCaps(0, 1)",
    std::string("graphics.createDevice(0, 1, ") + kWindowText +
        ", 0x40, {640, 480, 21, 2, 0, 0, 1, null, 1, 1, 80, 0, 0, 1})",
    "device.setRenderState(22, 1)",
    "device.setRenderState(137, 0)",
    "device.setRenderState(7, 1)",
};

class RenderInit : public ::testing::Test {
protected:
    void SetUp() override {
        shown.clear();
        setMessageBoxSink(recordMessage);
    }
    void TearDown() override {
        render.release();
        EXPECT_EQ(backend.liveObjects(), 0);
        EXPECT_TRUE(backend.misuse().empty()) << backend.misuse().front();
        setMessageBoxSink(nullptr);
    }

    gfx::RecordingBackend backend;
    gfx::ScopedBackend use{&backend};
};

TEST_F(RenderInit, SucceedsWithTheCallsInOrder) {
    ASSERT_TRUE(render.init(kWindow, 640, 480, true));
    std::vector<std::string> expected = kStartUpCalls;
    expected.push_back("gfx.createEffectFromFile(device, \"" + effectPath() + "\", null, null, 2, null)");
    EXPECT_EQ(backend.texts(), expected);
    EXPECT_TRUE(shown.empty());
    EXPECT_NE(render.d3d, nullptr);
    EXPECT_NE(render.device, nullptr);
    EXPECT_NE(render.effect, nullptr);

    backend.clearCalls();
    render.release();
    EXPECT_EQ(backend.texts(), (std::vector<std::string>{"effect.release()", "device.release()", "graphics.release()"}));
    EXPECT_EQ(render.d3d, nullptr);
    EXPECT_EQ(render.device, nullptr);
    EXPECT_EQ(render.effect, nullptr);
    // A second release finds nothing to do.
    render.release();
    EXPECT_EQ(backend.calls().size(), 3u);
}

TEST_F(RenderInit, LoadedEffectHasTheTechniqueAndParametersTheSceneUses) {
    ASSERT_TRUE(render.init(kWindow, 640, 480, true));
    for (const char* name : {"matWorldViewProj", "matWorldView", "matProj", "eyePosition", "Texture"})
        EXPECT_NE(render.effect->getParameterByName(nullptr, name), nullptr) << name;
    ASSERT_EQ(render.effect->setTechnique("TStandard"), gfx::kOk);
    unsigned passes = 0;
    ASSERT_EQ(render.effect->begin(&passes, gfx::kEffectDoNotSaveState), gfx::kOk);
    EXPECT_EQ(passes, 4u);
    for (unsigned pass : {1u, 3u, 2u, 0u}) {
        EXPECT_EQ(render.effect->beginPass(pass), gfx::kOk) << pass;
        EXPECT_EQ(render.effect->endPass(), gfx::kOk);
    }
    EXPECT_EQ(render.effect->end(), gfx::kOk);
}

struct FailureRow {
    const char* name;
    void (*configure)(gfx::RecordingOptions&);
    std::string message;  // "{path}" stands for the effect path
    const char* caption;
    bool holdsGraphics, holdsDevice;
    std::vector<std::string> releaseCalls;
};

void PrintTo(const FailureRow& row, std::ostream* out) { *out << row.name; }

const FailureRow kFailures[] = {
    {"NoGraphicsObject", [](gfx::RecordingOptions& o) { o.noGraphicsObject = true; },
     "Direct3Dの初期化に失敗しました.", "エラー", false, false, {}},
    {"VertexShader20", [](gfx::RecordingOptions& o) {
         o.vertexShaderVersion = gfx::vertexShaderVersion(2, 0);
         o.adapterDescription = "Mesa Intel(R) HD Graphics 3000";
     },
     "ハードウェアが ShaderModel 3.0 に対応していません。\nMesa Intel(R) HD Graphics 3000は ShaderModel 2.0 までの対応です。",
     "エラー", true, false, {"graphics.release()"}},
    {"VertexShaderJustBelow30", [](gfx::RecordingOptions& o) {
         o.vertexShaderVersion = 0xFFFE02FFu;
         o.adapterDescription = "GPU";
     },
     "ハードウェアが ShaderModel 3.0 に対応していません。\nGPUは ShaderModel 2.255 までの対応です。", "エラー", true, false,
     {"graphics.release()"}},
    {"DeviceFailsTwice", [](gfx::RecordingOptions& o) { o.createDeviceFailures = 2; },
     "Direct3Dデバイスを初期化できませんでした.", "エラー", true, false, {"graphics.release()"}},
    {"EffectCompileError", [](gfx::RecordingOptions& o) {
         o.failEffect = true;
         o.effectErrorText = "shader.bin:42: vertex shader vsSprite: 0:42(7): error: syntax error";
     },
     "shader.bin:42: vertex shader vsSprite: 0:42(7): error: syntax error", "シェーダーコンパイルエラー", true, true,
     {"device.release()", "graphics.release()"}},
    {"EffectFailsWithoutErrorText", [](gfx::RecordingOptions& o) {
         o.failEffect = true;
         o.effectErrorBuffer = false;
     },
     "エフェクトファイルを読み込めませんでした: {path}", "シェーダーコンパイルエラー", true, true,
     {"device.release()", "graphics.release()"}},
};

class RenderInitFailure : public RenderInit, public ::testing::WithParamInterface<FailureRow> {};

TEST_P(RenderInitFailure, ShowsItsMessageAndKeepsWhatWasCreated) {
    const FailureRow& row = GetParam();
    row.configure(backend.options());
    EXPECT_FALSE(render.init(kWindow, 640, 480, true));

    std::string message = row.message;
    if (const auto at = message.find("{path}"); at != std::string::npos) message.replace(at, 6, effectPath());
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, message);
    EXPECT_EQ(shown[0].caption, row.caption);
    EXPECT_EQ(shown[0].owner, kWindow);

    EXPECT_EQ(render.d3d != nullptr, row.holdsGraphics);
    EXPECT_EQ(render.device != nullptr, row.holdsDevice);
    EXPECT_EQ(render.effect, nullptr);
    // Only the objects Render still holds are alive: an error buffer has been released.
    EXPECT_EQ(backend.liveObjects(), int(row.holdsGraphics) + int(row.holdsDevice));

    backend.clearCalls();
    render.release();
    EXPECT_EQ(backend.texts(), row.releaseCalls);
    render.release();
    EXPECT_EQ(backend.texts(), row.releaseCalls);
}

INSTANTIATE_TEST_SUITE_P(Rows, RenderInitFailure, ::testing::ValuesIn(kFailures),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(RenderInit, DeviceFailureRetriesOnceWithTheSameArguments) {
    backend.options().createDeviceFailures = 2;
    EXPECT_FALSE(render.init(kWindow, 640, 480, true));
    const auto texts = backend.texts();
    ASSERT_EQ(texts.size(), 4u);
    EXPECT_EQ(texts[2], kStartUpCalls[2]);
    EXPECT_EQ(texts[3], kStartUpCalls[2]);
    EXPECT_EQ(backend.calls()[2].result, gfx::kFail);
    EXPECT_EQ(backend.calls()[3].result, gfx::kFail);
}

TEST_F(RenderInit, DeviceSucceedingOnTheSecondCallIsUsed) {
    backend.options().createDeviceFailures = 1;
    ASSERT_TRUE(render.init(kWindow, 640, 480, true));
    EXPECT_TRUE(shown.empty());
    const auto texts = backend.texts();
    ASSERT_EQ(texts.size(), 8u);
    EXPECT_EQ(texts[2], kStartUpCalls[2]);
    EXPECT_EQ(texts[3], kStartUpCalls[2]);
    EXPECT_EQ(backend.calls()[3].result, gfx::kOk);
    // The render states go to the device of the second call.
    EXPECT_EQ(texts[4], "device.setRenderState(22, 1)");
    ASSERT_NE(render.device, nullptr);
    EXPECT_NE(render.effect, nullptr);
}

TEST_F(RenderInit, VersionThreeOrAbovePasses) {
    for (std::uint32_t version : {gfx::vertexShaderVersion(3, 0), gfx::vertexShaderVersion(3, 1)}) {
        backend.options().vertexShaderVersion = version;
        EXPECT_TRUE(render.init(kWindow, 640, 480, true));
        render.release();
    }
    EXPECT_TRUE(shown.empty());
}

TEST_F(RenderInit, AdapterDescriptionIsCutAtItsBuffer) {
    backend.options().vertexShaderVersion = gfx::vertexShaderVersion(2, 0);
    backend.options().adapterDescription = std::string(700, 'x');
    EXPECT_FALSE(render.init(kWindow, 640, 480, true));
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_NE(shown[0].text.find(std::string(511, 'x') + "は ShaderModel 2.0"), std::string::npos);
}

TEST_F(RenderInit, EffectIsFoundBesideTheExecutableFromAnotherDirectory) {
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path("/");
    const bool ok = render.init(kWindow, 640, 480, true);
    std::filesystem::current_path(previous);
    ASSERT_TRUE(ok);
    EXPECT_EQ(backend.texts().back(), "gfx.createEffectFromFile(device, \"" + effectPath() + "\", null, null, 2, null)");
}

TEST(RenderRelease, IsSafeBeforeInit) {
    Render fresh;
    fresh.release();
    fresh.release();
    EXPECT_EQ(fresh.d3d, nullptr);
}

}  // namespace
