#include "scene/ReferenceGeometry.h"

#include "fluid/Obstacle.h"
#include "gfx/Render.h"

namespace {
constexpr std::uint32_t kRed = 0xFFFF4040u;
constexpr std::uint32_t kGreen = 0xFF40FF40u;
constexpr std::uint32_t kBlue = 0xFF4040FFu;
constexpr std::uint32_t kWallColor = 0x200080FFu;
constexpr std::uint32_t kFloorColor = 0x20004080u;
constexpr std::uint32_t kEdgeColor = 0xFF80C0FFu;

// 33 lines along x, then 33 along z, 2 units apart, covering -32 to 32 on the floor plane.
constexpr std::array<SceneVertex, kGridVertexCount> makeGrid() {
    std::array<SceneVertex, kGridVertexCount> v{};
    for (int k = 0; k < kGridLinesPerDirection; ++k) {
        const float u = static_cast<float>((k - 16) * 2);
        v[2 * k] = {-32.0f, 0.0f, u, 0.0f, kGridColor};
        v[2 * k + 1] = {32.0f, 0.0f, u, 0.0f, kGridColor};
        v[66 + 2 * k] = {u, 0.0f, -32.0f, 0.0f, kGridColor};
        v[67 + 2 * k] = {u, 0.0f, 32.0f, 0.0f, kGridColor};
    }
    return v;
}
}  // namespace

const std::array<SceneVertex, kGridVertexCount> gridVertices = makeGrid();

const SceneVertex axisVertices[6] = {
    {-32.0f, 0.0f, 0.0f, 0.0f, kRed},   {32.0f, 0.0f, 0.0f, 0.0f, kRed},
    {0.0f, -32.0f, 0.0f, 0.0f, kGreen}, {0.0f, 32.0f, 0.0f, 0.0f, kGreen},
    {0.0f, 0.0f, -32.0f, 0.0f, kBlue},  {0.0f, 0.0f, 32.0f, 0.0f, kBlue},
};

// The top ring (0-3) and bottom ring (4-7) in the walls' colour, then the bottom ring again in
// the floor's colour (8-11), so that the floor is tinted apart from the walls.
const SceneVertex boxFaceVertices[12] = {
    {-8.0f, 12.0f, -8.0f, 0.0f, kWallColor}, {8.0f, 12.0f, -8.0f, 0.0f, kWallColor},
    {8.0f, 12.0f, 8.0f, 0.0f, kWallColor},   {-8.0f, 12.0f, 8.0f, 0.0f, kWallColor},
    {-8.0f, 0.0f, -8.0f, 0.0f, kWallColor},  {8.0f, 0.0f, -8.0f, 0.0f, kWallColor},
    {8.0f, 0.0f, 8.0f, 0.0f, kWallColor},    {-8.0f, 0.0f, 8.0f, 0.0f, kWallColor},
    {-8.0f, 0.0f, -8.0f, 0.0f, kFloorColor}, {8.0f, 0.0f, -8.0f, 0.0f, kFloorColor},
    {8.0f, 0.0f, 8.0f, 0.0f, kFloorColor},   {-8.0f, 0.0f, 8.0f, 0.0f, kFloorColor},
};

// Floor, then the walls at z = -8, x = 8, z = 8 and x = -8; the box has no top. Each face is a
// two-triangle strip.
const std::uint16_t boxFaceIndices[kBoxFaceCount][4] = {
    {8, 9, 11, 10}, {0, 1, 4, 5}, {1, 2, 5, 6}, {2, 3, 6, 7}, {3, 0, 7, 4},
};
const gfx::Vector3 boxFaceNormals[kBoxFaceCount] = {
    {0.0f, -1.0f, 0.0f}, {0.0f, 0.0f, -1.0f}, {1.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 1.0f}, {-1.0f, 0.0f, 0.0f},
};

const SceneVertex boxEdgeVertices[8] = {
    {-8.0f, 12.0f, -8.0f, 0.0f, kEdgeColor}, {8.0f, 12.0f, -8.0f, 0.0f, kEdgeColor},
    {8.0f, 12.0f, 8.0f, 0.0f, kEdgeColor},   {-8.0f, 12.0f, 8.0f, 0.0f, kEdgeColor},
    {-8.0f, 0.0f, -8.0f, 0.0f, kEdgeColor},  {8.0f, 0.0f, -8.0f, 0.0f, kEdgeColor},
    {8.0f, 0.0f, 8.0f, 0.0f, kEdgeColor},    {-8.0f, 0.0f, 8.0f, 0.0f, kEdgeColor},
};
// Top ring, bottom ring, then the vertical edges.
const std::uint16_t boxEdgeIndices[2 * kBoxEdgeCount] = {
    0, 1, 1, 2, 2, 3, 3, 0, 4, 5, 5, 6, 6, 7, 7, 4, 0, 4, 1, 5, 2, 6, 3, 7,
};

namespace {
void drawBoxFace(gfx::Device* device, int face) {
    device->drawIndexedPrimitiveUP(gfx::kTriangleStrip, 0, 12, 2, boxFaceIndices[face], gfx::kIndex16,
                                   boxFaceVertices, kSceneVertexStride);
}
}  // namespace

void drawReferenceGeometry(const gfx::Matrix& worldView, const gfx::Matrix& worldViewProj) {
    gfx::Device* device = render.device;
    gfx::Effect* effect = render.effect;

    device->setRenderState(gfx::kAntialiasedLineEnable, 1);
    device->drawPrimitiveUP(gfx::kLineList, kGridVertexCount / 2, gridVertices.data(), kSceneVertexStride);
    device->drawPrimitiveUP(gfx::kLineList, 3, axisVertices, kSceneVertexStride);

    // The box moves with the container: its translation applies before the frame's transform.
    gfx::Matrix translation;
    gfx::Matrix boxMatrix;
    gfx::matrixTranslation(&translation, kSceneUnitsPerMetre * containerOffset.x, 0.0f, 0.0f);
    gfx::matrixMultiply(&boxMatrix, &translation, &worldViewProj);
    effect->setMatrix(effect->getParameterByName(nullptr, "matWorldViewProj"), &boxMatrix);
    effect->commitChanges();

    // The eye looks along view space's -z, so a face whose normal has a positive z faces it.
    gfx::Vector3 viewNormals[kBoxFaceCount];
    gfx::vec3TransformNormalArray(viewNormals, sizeof(gfx::Vector3), boxFaceNormals, sizeof(gfx::Vector3),
                                  &worldView, kBoxFaceCount);

    device->setRenderState(gfx::kAntialiasedLineEnable, 0);
    // Far faces first (edge-on ones count as far), then the near ones blend over them.
    for (int face = 0; face < kBoxFaceCount; ++face) {
        if (!(viewNormals[face].z > 0.0f)) drawBoxFace(device, face);
    }
    for (int face = 0; face < kBoxFaceCount; ++face) {
        if (viewNormals[face].z > 0.0f) drawBoxFace(device, face);
    }

    device->setRenderState(gfx::kAntialiasedLineEnable, 1);
    device->drawIndexedPrimitiveUP(gfx::kLineList, 0, 8, kBoxEdgeCount, boxEdgeIndices, gfx::kIndex16,
                                   boxEdgeVertices, kSceneVertexStride);
    device->setRenderState(gfx::kAntialiasedLineEnable, 0);
}
