#include "scene/ObstacleSprite.h"

#include "fluid/Obstacle.h"
#include "gfx/Render.h"
#include "scene/SceneVertex.h"

void drawObstacleSprite() {
    gfx::Device* device = render.device;
    device->setRenderState(gfx::kAlphaBlendEnable, 1);

    const Vec4 center = obstacle.center * kSceneUnitsPerMetre;
    // The sprite's size is the sphere's diameter in scene units.
    const SceneVertex vertex{center.x, center.y, center.z, obstacle.radius * 48.0f,
                             obstacle.translucent ? kObstacleColorTranslucent : kObstacleColorOpaque};

    device->setRenderState(gfx::kPointSpriteEnable, 1);
    device->drawPrimitiveUP(gfx::kPointList, 1, &vertex, kSceneVertexStride);
    device->setRenderState(gfx::kPointSpriteEnable, 0);
}
