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

TEST(GameInit, EachFailureShowsItsMessageAndReleaseFreesWhatWasMade) {
    const std::string textureMessage = "テクスチャがロードできませんでした.";
    const struct {
        const char* name;
        bool failDeclaration;
        const char* failingTexture;
        std::string message;
        std::vector<std::string> initCalls;
        std::vector<std::string> releaseCalls;
        bool fluidHeld;
    } cases[] = {
        {"vertex declaration", true, nullptr, "頂点宣言の作成に失敗しました.", {kDeclarationCall}, {}, false},
        {"obstacle texture", false, "torvanine.dds", textureMessage, {kDeclarationCall, kLoadObstacle},
         {kReleaseDeclaration}, true},
        {"particle texture", false, "graph.bmp", textureMessage, {kDeclarationCall, kLoadObstacle, kLoadParticle},
         {kReleaseDeclaration, kReleaseObstacle}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
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
}

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

TEST(GameInit, FluidStorageThatCannotBeAllocatedStopsStartUpWithAMessage) {
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
