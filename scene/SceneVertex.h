// The one vertex format of all drawing: a four-float position (x, y, z in scene units, w the
// point-sprite size or 0 for lines and faces) and a packed ARGB colour, 20 bytes.
#pragma once

#include <cstddef>
#include <cstdint>

#include "gfx/GraphicsApi.h"

struct SceneVertex {
    float x;
    float y;
    float z;
    float w;
    std::uint32_t color; // ARGB: alpha in bits 24-31, red 16-23, green 8-15, blue 0-7
};
static_assert(sizeof(SceneVertex) == 20, "vertices are drawn with a stride of 20 bytes");
static_assert(offsetof(SceneVertex, color) == 16);

inline constexpr unsigned kSceneVertexStride = sizeof(SceneVertex);

// Scene units per metre of the simulation.
inline constexpr float kSceneUnitsPerMetre = 24.0f;

// How the device reads a SceneVertex from stream 0.
inline constexpr gfx::VertexElement kSceneVertexElements[] = {
    {0, 0, gfx::kDeclTypeFloat4, gfx::kDeclMethodDefault, gfx::kDeclUsagePosition, 0},
    {0, 16, gfx::kDeclTypeColor, gfx::kDeclMethodDefault, gfx::kDeclUsageColor, 0},
    gfx::kDeclEnd,
};
