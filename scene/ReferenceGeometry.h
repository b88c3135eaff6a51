// The fixed frame of reference around the fluid: a floor grid, the three axes and the open
// container box as five translucent faces with an opaque outline. The box follows the
// container's sideways shaking; its faces turned away from the eye are drawn first so that the
// near ones blend over them.
#pragma once

#include <array>
#include <cstdint>

#include "gfx/GraphicsApi.h"
#include "scene/SceneVertex.h"

inline constexpr int kGridLinesPerDirection = 33;
inline constexpr int kGridVertexCount = 4 * kGridLinesPerDirection;
inline constexpr std::uint32_t kGridColor = 0xFFFF7030u;
inline constexpr int kBoxFaceCount = 5;
inline constexpr int kBoxEdgeCount = 12;

extern const std::array<SceneVertex, kGridVertexCount> gridVertices;
extern const SceneVertex axisVertices[6];
extern const SceneVertex boxFaceVertices[12];
extern const std::uint16_t boxFaceIndices[kBoxFaceCount][4];
extern const gfx::Vector3 boxFaceNormals[kBoxFaceCount];
extern const SceneVertex boxEdgeVertices[8];
extern const std::uint16_t boxEdgeIndices[2 * kBoxEdgeCount];

// Draws grid, axes, box faces and outline inside the running pass. Grid and axes use the
// effect's current matWorldViewProj (worldViewProj); the box replaces it with its own matrix,
// shifted by the container's offset, and commits it.
void drawReferenceGeometry(const gfx::Matrix& worldView, const gfx::Matrix& worldViewProj);
