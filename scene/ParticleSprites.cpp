// Fluid::draw: the live particles as point sprites, coloured by the frame's colour mode.
#include "scene/ParticleSprites.h"

#include "gfx/Render.h"
#include "scene/ColorMode.h"
#include "scene/ParticleColors.h"

SceneVertex particleVertices[Fluid::kMaxParticles];

void Fluid::draw() {
    const std::uint32_t n = particleCount;
    for (std::uint32_t i = 0; i < n; ++i) {
        const Vec4 scaled = particles[i].position * kSceneUnitsPerMetre;
        SceneVertex& v = particleVertices[i];
        v.x = scaled.x;
        v.y = scaled.y;
        v.z = scaled.z;
        v.w = kParticleSpriteSize;
    }
    const ColorMode mode = colorMode;
    for (std::uint32_t i = 0; i < n; ++i) {
        particleVertices[i].color = particleColor(mode, particles[i].density, particles[i].velocity);
    }

    gfx::Device* device = render.device;
    device->setRenderState(gfx::kPointSpriteEnable, 1);
    device->drawPrimitiveUP(gfx::kPointList, n, particleVertices, kSceneVertexStride);
    device->setRenderState(gfx::kPointSpriteEnable, 0);
}
