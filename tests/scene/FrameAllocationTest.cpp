// A frame allocates nothing: every vertex lives in static storage and is drawn from there. The
// device and effect here do nothing, so that every allocation counted is the scene's own.
#include <gtest/gtest.h>

#include "fluid/FluidTestSupport.h"
#include "gfx/Render.h"
#include "math/AlignedAlloc.h"
#include "scene/Game.h"
#include "tools/CountingNew.h"

namespace {

class SilentDevice final : public gfx::Device {
public:
    gfx::Result setRenderState(gfx::RenderState, std::uint32_t) override { return gfx::kOk; }
    gfx::Result beginScene() override { return gfx::kOk; }
    gfx::Result endScene() override { return gfx::kOk; }
    gfx::Result clear(std::uint32_t, const void*, std::uint32_t, std::uint32_t, float, std::uint32_t) override {
        return gfx::kOk;
    }
    gfx::Result createVertexDeclaration(const gfx::VertexElement*, gfx::VertexDeclaration**) override {
        return gfx::kFail;
    }
    gfx::Result setVertexDeclaration(gfx::VertexDeclaration*) override { return gfx::kOk; }
    gfx::Result drawPrimitiveUP(gfx::PrimitiveType, unsigned, const void*, unsigned) override { return gfx::kOk; }
    gfx::Result drawIndexedPrimitiveUP(gfx::PrimitiveType, unsigned, unsigned, unsigned, const void*,
                                       gfx::IndexFormat, const void*, unsigned) override {
        return gfx::kOk;
    }
    gfx::Result present(const void*, const void*, gfx::WindowHandle, const void*) override { return gfx::kOk; }
    void release() override {}
};

class SilentEffect final : public gfx::Effect {
public:
    gfx::Handle getParameterByName(gfx::Handle, const char* name) override { return name; }
    gfx::Result setMatrix(gfx::Handle, const gfx::Matrix*) override { return gfx::kOk; }
    gfx::Result setVector(gfx::Handle, const gfx::Vector4*) override { return gfx::kOk; }
    gfx::Result setTexture(gfx::Handle, gfx::Texture*) override { return gfx::kOk; }
    gfx::Result setTechnique(const char*) override { return gfx::kOk; }
    gfx::Result begin(unsigned* passes, std::uint32_t) override {
        *passes = 4;
        return gfx::kOk;
    }
    gfx::Result beginPass(unsigned) override { return gfx::kOk; }
    gfx::Result commitChanges() override { return gfx::kOk; }
    gfx::Result endPass() override { return gfx::kOk; }
    gfx::Result end() override { return gfx::kOk; }
    void release() override {}
};
}  // namespace

TEST(FrameAllocation, FramesInEveryModeWithTheObstacleAndRestartsAllocateNothing) {
    testing_support::ScriptedKeys keys;
    SilentDevice device;
    SilentEffect effect;
    render.device = &device;
    render.effect = &effect;
    ASSERT_TRUE(fluid.init());
    Game game;
    const std::uint64_t newBefore = globalNewCount();
    const std::uint64_t alignedBefore = alignedAllocCount();

    // Obstacle on, shaking, colour modes 1 and 2, a restart with the largest block, camera keys.
    keys.hold({vk::kSpace, vk::kS, vk::kC, vk::kLeft, vk::kPageUp});
    for (int i = 0; i < 10; ++i) game.update();
    keys.clear();
    keys.hold({vk::kX, vk::k5});
    for (int i = 0; i < 2; ++i) game.update();
    keys.clear();
    for (int i = 0; i < 10; ++i) game.update();

    EXPECT_EQ(globalNewCount() - newBefore, 0u);
    EXPECT_EQ(alignedAllocCount() - alignedBefore, 0u);
    EXPECT_EQ(frameCount, 22u);
    render.device = nullptr;
    render.effect = nullptr;
}
