#include "scene/Game.h"

#include "app/MessageBox.h"
#include "fluid/Fluid.h"
#include "fluid/FrameCount.h"
#include "fluid/Obstacle.h"
#include "gfx/Render.h"
#include "scene/Camera.h"
#include "scene/ColorMode.h"
#include "scene/FrameMatrices.h"
#include "scene/ObstacleSprite.h"
#include "scene/ReferenceGeometry.h"
#include "scene/SceneVertex.h"

namespace {
constexpr const char* kDeclarationFailed = "頂点宣言の作成に失敗しました.";
constexpr const char* kTextureFailed = "テクスチャがロードできませんでした.";
constexpr const char* kFluidStorageFailed = "パーティクル用のメモリを確保できませんでした.";
constexpr std::uint32_t kClearColor = 0xFF404040u;

// Effect parameters are looked up by name where they are set; handles are not kept.
void setMatrix(gfx::Effect* effect, const char* name, const gfx::Matrix& value) {
    effect->setMatrix(effect->getParameterByName(nullptr, name), &value);
}
void setTexture(gfx::Effect* effect, gfx::Texture* texture) {
    effect->setTexture(effect->getParameterByName(nullptr, "Texture"), texture);
}
template <class T>
void releaseAndClear(T*& object) {
    if (object) {
        object->release();
        object = nullptr;
    }
}
}  // namespace

bool Game::init() {
    gfx::Device* device = render.device;
    if (device->createVertexDeclaration(kSceneVertexElements, &vertexDeclaration) != gfx::kOk) {
        showMessageBox(nullptr, kDeclarationFailed, nullptr);
        return false;
    }
    // Without its storage the fluid cannot be stepped or drawn, so start-up stops here.
    if (!fluid.init()) {
        showMessageBox(nullptr, kFluidStorageFailed, nullptr);
        return false;
    }
    if (gfx::createTextureFromFile(device, "torvanine.dds", &obstacleTexture) != gfx::kOk) {
        showMessageBox(nullptr, kTextureFailed, nullptr);
        return false;
    }
    if (gfx::createTextureFromFile(device, "graph.bmp", &particleTexture) != gfx::kOk) {
        showMessageBox(nullptr, kTextureFailed, nullptr);
        return false;
    }
    return true;
}

bool Game::update() {
    gfx::Device* device = render.device;
    gfx::Effect* effect = render.effect;

    device->beginScene();
    // Begin does not save or restore states, so the frame sets its own every time.
    device->setRenderState(gfx::kZWriteEnable, 1);
    device->setRenderState(gfx::kAlphaBlendEnable, 0);
    device->setRenderState(gfx::kBlendOp, gfx::kBlendOpAdd);
    device->setRenderState(gfx::kSrcBlend, gfx::kBlendSrcAlpha);
    device->setRenderState(gfx::kDestBlend, gfx::kBlendInvSrcAlpha);
    device->clear(0, nullptr, gfx::kClearTarget | gfx::kClearZBuffer, kClearColor, 1.0f, 0);
    device->setVertexDeclaration(vertexDeclaration);

    applyCameraKeys();
    chooseColorModeFromKeys();

    const FrameMatrices m = computeFrameMatrices(cameraPitch, cameraYaw, cameraDistance);
    setMatrix(effect, "matWorldViewProj", m.worldViewProj);
    setMatrix(effect, "matWorldView", m.worldView);
    setMatrix(effect, "matProj", m.projection);
    const gfx::Vector4 eyePosition{0.0f, 0.0f, cameraDistance, 1.0f};
    effect->setVector(effect->getParameterByName(nullptr, "eyePosition"), &eyePosition);

    effect->setTechnique("TStandard");
    unsigned passCount = 0;
    effect->begin(&passCount, gfx::kEffectDoNotSaveState);

    setTexture(effect, particleTexture);
    effect->beginPass(colorMode == kColorDensityGrey ? 3 : 1);
    fluid.step();
    fluid.draw();
    effect->endPass();

    if (obstacle.active) {
        setTexture(effect, obstacleTexture);
        effect->beginPass(2);
        drawObstacleSprite();
        effect->endPass();
    }

    // The reference geometry is translucent: it is depth tested but does not write depth.
    device->setRenderState(gfx::kZWriteEnable, 0);
    device->setRenderState(gfx::kAlphaBlendEnable, 1);
    effect->beginPass(0);
    drawReferenceGeometry(m.worldView, m.worldViewProj);
    effect->endPass();
    effect->end();

    device->endScene();
    ++frameCount;
    return true;
}

void Game::release() {
    releaseAndClear(vertexDeclaration);
    releaseAndClear(obstacleTexture);
    releaseAndClear(particleTexture);
    fluid.release();
}
