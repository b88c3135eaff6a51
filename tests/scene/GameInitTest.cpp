// Start-up of the scene and its failures: each failure shows its message and leaves what was
// created for release, which is safe in every state.
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <fstream>
#include <string>

#include "SceneTestSupport.h"
#include "scene/Game.h"

using scene_testing::callTexts;
using scene_testing::RecordedGraphics;
using scene_testing::shownMessages;

namespace {
const std::string kDeclarationCall = "device.createVertexDeclaration([{0, 0, 3, 0, 0, 0}, {0, 16, 4, 0, 10, 0}, end])";
const std::string kLoadObstacle = "gfx.createTextureFromFile(device, \"torvanine.dds\")";
const std::string kLoadParticle = "gfx.createTextureFromFile(device, \"graph.bmp\")";
const std::string kReleaseDeclaration = "declaration1.release()";
const std::string kReleaseObstacle = "texture(\"torvanine.dds\").release()";
const std::string kReleaseParticle = "texture(\"graph.bmp\").release()";
}  // namespace

TEST(GameInit, CreatesTheDeclarationThenLoadsBothTexturesAndReleasesThemInOrder) {
    RecordedGraphics graphics;
    ASSERT_TRUE(render.init(nullptr, 640, 480, true));
    graphics.backend.clearCalls();
    Game game;
    ASSERT_TRUE(game.init());
    EXPECT_EQ(callTexts(graphics.backend), (std::vector<std::string>{kDeclarationCall, kLoadObstacle, kLoadParticle}));
    EXPECT_TRUE(shownMessages().empty());
    EXPECT_EQ(fluid.particleCount, 2744u);

    graphics.backend.clearCalls();
    game.release();
    EXPECT_EQ(callTexts(graphics.backend),
              (std::vector<std::string>{kReleaseDeclaration, kReleaseObstacle, kReleaseParticle}));
    EXPECT_EQ(game.vertexDeclaration, nullptr);
    EXPECT_EQ(game.obstacleTexture, nullptr);
    EXPECT_EQ(game.particleTexture, nullptr);
    EXPECT_EQ(fluid.particles, nullptr);
    EXPECT_EQ(fluid.integrator, nullptr);

    graphics.backend.clearCalls();
    game.release(); // a second release finds nothing held
    EXPECT_TRUE(graphics.backend.calls().empty());
    EXPECT_TRUE(graphics.backend.misuse().empty());
}

namespace {
const std::string kTextureMessage = "テクスチャがロードできませんでした.";

struct InitFailure {
    const char* name;
    bool failDeclaration;
    const char* failingTexture;
    std::string message;
    std::vector<std::string> initCalls;
    std::vector<std::string> releaseCalls;
    bool fluidHeld;
};

// One process per case: the fluid is initialised once in a program's life.
class GameInitFailure : public ::testing::TestWithParam<InitFailure> {};
}  // namespace

TEST_P(GameInitFailure, ShowsItsMessageAndReleaseFreesWhatWasMade) {
    const InitFailure& c = GetParam();
    gfx::RecordingOptions options;
    options.failVertexDeclaration = c.failDeclaration;
    if (c.failingTexture) options.failingTextures.insert(c.failingTexture);
    RecordedGraphics graphics(options);
    ASSERT_TRUE(render.init(nullptr, 640, 480, true));
    graphics.backend.clearCalls();

    Game game;
    EXPECT_FALSE(game.init());
    EXPECT_EQ(callTexts(graphics.backend), c.initCalls);
    ASSERT_EQ(shownMessages().size(), 1u);
    EXPECT_EQ(shownMessages()[0].text, c.message);
    EXPECT_EQ(shownMessages()[0].owner, nullptr);
    EXPECT_FALSE(shownMessages()[0].hasCaption);
    EXPECT_EQ(fluid.particles != nullptr, c.fluidHeld);

    graphics.backend.clearCalls();
    game.release();
    EXPECT_EQ(callTexts(graphics.backend), c.releaseCalls);
    EXPECT_EQ(fluid.particles, nullptr);
    EXPECT_TRUE(graphics.backend.misuse().empty());
    render.release();
    EXPECT_EQ(graphics.backend.liveObjects(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Steps, GameInitFailure,
    ::testing::Values(
        InitFailure{"VertexDeclaration", true, nullptr, "頂点宣言の作成に失敗しました.", {kDeclarationCall}, {}, false},
        InitFailure{"ObstacleTexture", false, "torvanine.dds", kTextureMessage, {kDeclarationCall, kLoadObstacle},
                    {kReleaseDeclaration}, true},
        InitFailure{"ParticleTexture", false, "graph.bmp", kTextureMessage,
                    {kDeclarationCall, kLoadObstacle, kLoadParticle}, {kReleaseDeclaration, kReleaseObstacle}, true}),
    [](const ::testing::TestParamInfo<InitFailure>& info) { return std::string(info.param.name); });

TEST(GameInit, ReleaseWithoutInitTouchesNothing) {
    RecordedGraphics graphics;
    Game game;
    game.release();
    EXPECT_TRUE(graphics.backend.calls().empty());
}

namespace {
// Bytes of address space the process uses now.
rlim_t addressSpaceInUse() {
    std::ifstream statm("/proc/self/statm");
    unsigned long pages = 0;
    statm >> pages;
    return static_cast<rlim_t>(pages) * static_cast<rlim_t>(sysconf(_SC_PAGESIZE));
}
}  // namespace

#if defined(__SANITIZE_ADDRESS__)
#define FLUID_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define FLUID_ADDRESS_SANITIZER 1
#endif
#endif

TEST(GameInit, FluidStorageThatCannotBeAllocatedStopsStartUpWithAMessage) {
#ifdef FLUID_ADDRESS_SANITIZER
    GTEST_SKIP() << "the address sanitizer's allocator aborts instead of failing an allocation";
#endif
    RecordedGraphics graphics;
    ASSERT_TRUE(render.init(nullptr, 640, 480, true));
    Game game;
    shownMessages().reserve(4);

    // Leave too little address space for the fluid's particle and cell arrays (megabytes).
    rlimit original{};
    ASSERT_EQ(getrlimit(RLIMIT_AS, &original), 0);
    rlimit tight = original;
    tight.rlim_cur = addressSpaceInUse() + 256 * 1024;
    ASSERT_EQ(setrlimit(RLIMIT_AS, &tight), 0);
    const bool started = game.init();
    ASSERT_EQ(setrlimit(RLIMIT_AS, &original), 0);

    EXPECT_FALSE(started);
    ASSERT_EQ(shownMessages().size(), 1u);
    EXPECT_EQ(shownMessages()[0].text, "パーティクル用のメモリを確保できませんでした.");
    EXPECT_EQ(game.obstacleTexture, nullptr) << "textures were loaded after the failure";
    game.release();
    EXPECT_EQ(fluid.integrator, nullptr);
    EXPECT_EQ(fluid.particles, nullptr);
}
