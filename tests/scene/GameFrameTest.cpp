// One whole frame of the scene as the device and the effect see it: the fixed order of states,
// parameters and passes, the one simulation step inside the particle pass, the colour modes and
// the obstacle pass, the vertex data drawn, and the matrices.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include <glm/glm.hpp>
#include <glm/gtc/matrix_transform.hpp>

#include "SceneTestSupport.h"
#include "fluid/Obstacle.h"
#include "scene/Camera.h"
#include "scene/Game.h"
#include "scene/ObstacleSprite.h"
#include "scene/ParticleColors.h"
#include "scene/ParticleSprites.h"
#include "scene/ReferenceGeometry.h"

using scene_testing::callTexts;
using scene_testing::RecordedGraphics;

namespace {
// The calls of one frame, in order, for a particle pass and with or without the obstacle.
std::vector<std::string> expectedFrame(unsigned particlePass, bool obstacleDrawn, unsigned particles) {
    std::vector<std::string> calls = {
        "device.beginScene()",
        "device.setRenderState(14, 1)",
        "device.setRenderState(27, 0)",
        "device.setRenderState(171, 1)",
        "device.setRenderState(19, 5)",
        "device.setRenderState(20, 6)",
        "device.clear(0, null, 3, 0xff404040, 1, 0)",
        "device.setVertexDeclaration(declaration1)",
        "effect.getParameterByName(null, \"matWorldViewProj\")",
        "effect.setMatrix(matWorldViewProj)",
        "effect.getParameterByName(null, \"matWorldView\")",
        "effect.setMatrix(matWorldView)",
        "effect.getParameterByName(null, \"matProj\")",
        "effect.setMatrix(matProj)",
        "effect.getParameterByName(null, \"eyePosition\")",
        "effect.setVector(eyePosition)",
        "effect.setTechnique(\"TStandard\")",
        "effect.begin(out, 1)",
        "effect.getParameterByName(null, \"Texture\")",
        "effect.setTexture(Texture, \"graph.bmp\")",
        "effect.beginPass(" + std::to_string(particlePass) + ")",
        "device.setRenderState(156, 1)",
        "device.drawPrimitiveUP(1, " + std::to_string(particles) + ", 20)",
        "device.setRenderState(156, 0)",
        "effect.endPass()",
    };
    if (obstacleDrawn) {
        calls.insert(calls.end(), {
                                      "effect.getParameterByName(null, \"Texture\")",
                                      "effect.setTexture(Texture, \"torvanine.dds\")",
                                      "effect.beginPass(2)",
                                      "device.setRenderState(27, 1)",
                                      "device.setRenderState(156, 1)",
                                      "device.drawPrimitiveUP(1, 1, 20)",
                                      "device.setRenderState(156, 0)",
                                      "effect.endPass()",
                                  });
    }
    calls.insert(calls.end(), {
                                  "device.setRenderState(14, 0)",
                                  "device.setRenderState(27, 1)",
                                  "effect.beginPass(0)",
                                  "device.setRenderState(176, 1)",
                                  "device.drawPrimitiveUP(2, 66, 20)",
                                  "device.drawPrimitiveUP(2, 3, 20)",
                                  "effect.getParameterByName(null, \"matWorldViewProj\")",
                                  "effect.setMatrix(matWorldViewProj)",
                                  "effect.commitChanges()",
                                  "device.setRenderState(176, 0)",
                              });
    for (int face = 0; face < kBoxFaceCount; ++face) calls.push_back("device.drawIndexedPrimitiveUP(5, 0, 12, 2, 101, 20)");
    calls.insert(calls.end(), {
                                  "device.setRenderState(176, 1)",
                                  "device.drawIndexedPrimitiveUP(2, 0, 8, 12, 101, 20)",
                                  "device.setRenderState(176, 0)",
                                  "effect.endPass()",
                                  "effect.end()",
                                  "device.endScene()",
                              });
    return calls;
}

// Start-up as the program does it, then the recorded calls cleared for the frame under test.
class GameFrame : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(render.init(nullptr, 640, 480, true));
        ASSERT_TRUE(game.init());
        graphics.backend.clearCalls();
    }
    void TearDown() override { game.release(); }

    const gfx::RecordedCall* findCall(const std::string& text, int occurrence = 0) const {
        for (const gfx::RecordedCall& call : graphics.backend.calls()) {
            if (scene_testing::withoutPayload(call.text) == text && occurrence-- == 0) return &call;
        }
        return nullptr;
    }
    std::vector<const gfx::RecordedCall*> callsStartingWith(const std::string& prefix) const {
        std::vector<const gfx::RecordedCall*> found;
        for (const gfx::RecordedCall& call : graphics.backend.calls()) {
            if (call.text.rfind(prefix, 0) == 0) found.push_back(&call);
        }
        return found;
    }

    RecordedGraphics graphics;
    Game game;
};

gfx::Matrix matrixOf(const gfx::RecordedCall& call) {
    gfx::Matrix m;
    EXPECT_EQ(call.data.size(), sizeof m);
    std::memcpy(&m, call.data.data(), sizeof m);
    return m;
}

// A point as a row vector times a matrix.
glm::vec4 transform(const glm::vec4& p, const gfx::Matrix& m) {
    glm::vec4 r;
    for (int c = 0; c < 4; ++c) r[c] = p.x * m.m[0][c] + p.y * m.m[1][c] + p.z * m.m[2][c] + p.w * m.m[3][c];
    return r;
}

void expectMatrixNear(const gfx::Matrix& actual, const glm::mat4& expected) {
    // glm stores column vectors column by column; the row-vector matrix is their transpose, so
    // element [i][j] of one is element [i][j] of the other.
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) EXPECT_NEAR(actual.m[i][j], expected[i][j], 1e-5f) << i << "," << j;
    }
}
}  // namespace

TEST_F(GameFrame, EachColourModeAndTheObstacleRunTheirPassesInTheFixedOrder) {
    const struct {
        const char* name;
        std::vector<int> keys;
        unsigned particlePass;
        bool obstacle;
        ColorMode mode;
    } cases[] = {
        {"mode 0", {}, 1, false, kColorDensityTint},
        {"mode 1", {vk::kC}, 1, false, kColorVelocity},
        {"mode 2", {vk::kX}, 3, false, kColorDensityGrey},
        {"C and X", {vk::kC, vk::kX}, 3, false, kColorDensityGrey},
        {"obstacle switched on", {vk::kSpace}, 1, true, kColorDensityTint},
        {"obstacle in mode 2", {vk::kX}, 3, true, kColorDensityGrey},
        {"obstacle switched off, still shrinking", {vk::kSpace}, 1, true, kColorDensityTint},
    };
    std::uint32_t frames = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        graphics.keys.clear();
        for (int k : c.keys) graphics.keys.hold({k});
        graphics.backend.clearCalls();
        ASSERT_TRUE(game.update());
        ++frames;

        EXPECT_EQ(callTexts(graphics.backend), expectedFrame(c.particlePass, c.obstacle, fluid.particleCount));
        for (const gfx::RecordedCall& call : graphics.backend.calls()) EXPECT_EQ(call.result, gfx::kOk) << call.text;
        EXPECT_EQ(colorMode, c.mode);
        EXPECT_EQ(obstacle.active, c.obstacle);
        EXPECT_EQ(frameCount, frames);
        // Space acts on its press: release it so that the next case may press it again.
        graphics.keys.clear();
    }
    EXPECT_TRUE(graphics.backend.misuse().empty());
}

TEST_F(GameFrame, ParticlesAreDrawnFromTheStepJustTakenInTheFramesColourMode) {
    for (int key : {0, vk::kC, vk::kX}) {
        SCOPED_TRACE(key);
        graphics.keys.clear();
        if (key) graphics.keys.hold({key});
        graphics.backend.clearCalls();
        game.update();

        const auto draws = callsStartingWith("device.drawPrimitiveUP(1, ");
        ASSERT_EQ(draws.size(), 1u);
        const std::uint32_t n = fluid.particleCount;
        ASSERT_EQ(draws[0]->data.size(), n * sizeof(SceneVertex));
        const auto* drawn = reinterpret_cast<const SceneVertex*>(draws[0]->data.data());
        for (std::uint32_t i = 0; i < n; ++i) {
            const Particle& p = fluid.particles[i];
            ASSERT_EQ(drawn[i].x, p.position.x * 24.0f) << i;
            ASSERT_EQ(drawn[i].y, p.position.y * 24.0f) << i;
            ASSERT_EQ(drawn[i].z, p.position.z * 24.0f) << i;
            ASSERT_EQ(drawn[i].w, 0.65f) << i;
            ASSERT_EQ(drawn[i].color, particleColor(colorMode, p.density, p.velocity)) << i;
        }
    }
}

TEST_F(GameFrame, ASmallerBlockDrawsOnlyItsOwnParticles) {
    graphics.keys.hold({vk::k1});
    game.update(); // restarts with 11^3 particles at the end of the step, after the draw
    graphics.keys.clear();
    graphics.backend.clearCalls();
    game.update();
    ASSERT_EQ(fluid.particleCount, 1331u);
    EXPECT_NE(findCall("device.drawPrimitiveUP(1, 1331, 20)"), nullptr);
}

TEST_F(GameFrame, ObstacleSpriteIsTheSphereInSceneUnitsWithTheRequestedOpacity) {
    graphics.keys.hold({vk::kSpace});
    game.update();
    const gfx::RecordedCall* sprite = findCall("device.drawPrimitiveUP(1, 1, 20)");
    ASSERT_NE(sprite, nullptr);
    ASSERT_EQ(sprite->data.size(), sizeof(SceneVertex));
    SceneVertex v;
    std::memcpy(&v, sprite->data.data(), sizeof v);
    EXPECT_EQ(v.x, obstacle.center.x * 24.0f);
    EXPECT_EQ(v.y, obstacle.center.y * 24.0f);
    EXPECT_EQ(v.z, obstacle.center.z * 24.0f);
    EXPECT_EQ(v.w, obstacle.radius * 48.0f);
    EXPECT_GT(v.w, 0.0f);
    EXPECT_EQ(v.color, kObstacleColorOpaque);

    graphics.keys.clear();
    graphics.keys.hold({vk::kA}); // translucent from its press on
    graphics.backend.clearCalls();
    game.update();
    sprite = findCall("device.drawPrimitiveUP(1, 1, 20)");
    ASSERT_NE(sprite, nullptr);
    std::memcpy(&v, sprite->data.data(), sizeof v);
    EXPECT_EQ(v.color, kObstacleColorTranslucent);
}

TEST_F(GameFrame, FirstFrameMatricesAreTheTurnedSceneSeenFromTheCamera) {
    game.update();
    // The first frame is already turned by the automatic 0.01 radian.
    const glm::mat4 world = glm::rotate(glm::mat4(1.0f), 0.7853982f, glm::vec3(1, 0, 0)) *
                            glm::rotate(glm::mat4(1.0f), 0.01f, glm::vec3(0, 1, 0));
    const glm::mat4 view = glm::lookAtRH(glm::vec3(0, 0, 32), glm::vec3(0, 2, 0), glm::vec3(0, 1, 0));
    const glm::mat4 projection = glm::perspectiveRH_ZO(0.7853982f, 4.0f / 3.0f, 1.0f, 1000.0f);

    const gfx::RecordedCall* wvp = findCall("effect.setMatrix(matWorldViewProj)");
    const gfx::RecordedCall* wv = findCall("effect.setMatrix(matWorldView)");
    const gfx::RecordedCall* proj = findCall("effect.setMatrix(matProj)");
    const gfx::RecordedCall* eye = findCall("effect.setVector(eyePosition)");
    ASSERT_TRUE(wvp && wv && proj && eye);
    {
        SCOPED_TRACE("worldViewProj");
        expectMatrixNear(matrixOf(*wvp), projection * view * world);
    }
    {
        SCOPED_TRACE("worldView");
        expectMatrixNear(matrixOf(*wv), view * world);
    }
    {
        SCOPED_TRACE("projection");
        expectMatrixNear(matrixOf(*proj), projection);
    }
    gfx::Vector4 eyePosition;
    ASSERT_EQ(eye->data.size(), sizeof eyePosition);
    std::memcpy(&eyePosition, eye->data.data(), sizeof eyePosition);
    EXPECT_EQ(eyePosition.x, 0.0f);
    EXPECT_EQ(eyePosition.y, 0.0f);
    EXPECT_EQ(eyePosition.z, 32.0f);
}

TEST_F(GameFrame, BoxMatrixIsTheFrameTransformAfterTheContainersShift) {
    graphics.keys.hold({vk::kS});
    for (int i = 0; i < 40; ++i) game.update(); // strong enough shaking to move the box
    graphics.keys.clear();
    graphics.backend.clearCalls();
    game.update();
    const float shift = 24.0f * containerOffset.x;
    ASSERT_GT(std::fabs(shift), 0.05f);

    const gfx::RecordedCall* frameMatrix = findCall("effect.setMatrix(matWorldViewProj)", 0);
    const gfx::RecordedCall* boxMatrix = findCall("effect.setMatrix(matWorldViewProj)", 1);
    ASSERT_TRUE(frameMatrix && boxMatrix);
    for (const glm::vec4& p : {glm::vec4(0, 0, 0, 1), glm::vec4(8, 12, -8, 1), glm::vec4(-3, 5, 7, 1)}) {
        const glm::vec4 viaBox = transform(p, matrixOf(*boxMatrix));
        const glm::vec4 shifted = transform(p + glm::vec4(shift, 0, 0, 0), matrixOf(*frameMatrix));
        for (int c = 0; c < 4; ++c) EXPECT_NEAR(viaBox[c], shifted[c], 1e-4f);
    }
}

TEST_F(GameFrame, BoxFacesTurnedAwayAreDrawnBeforeTheNearOnes) {
    const struct {
        float yawBeforeFrame; // the frame adds its automatic 0.01
        int expectedOrder[kBoxFaceCount];
    } cases[] = {
        {0.0f, {0, 1, 2, 3, 4}},            // first frame: 0, 1, 2 far, then 3, 4
        {3.9269908f - 0.01f, {0, 3, 4, 1, 2}}, // turned by 225 degrees: walls 1 and 2 face the eye
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.yawBeforeFrame);
        cameraYaw = c.yawBeforeFrame;
        graphics.backend.clearCalls();
        game.update();
        const auto faces = callsStartingWith("device.drawIndexedPrimitiveUP(5, ");
        ASSERT_EQ(faces.size(), static_cast<std::size_t>(kBoxFaceCount));
        for (int i = 0; i < kBoxFaceCount; ++i) {
            const auto& face = boxFaceIndices[c.expectedOrder[i]];
            EXPECT_EQ(faces[i]->indices, std::vector<std::uint16_t>(face, face + 4)) << "draw " << i;
        }
    }
}
