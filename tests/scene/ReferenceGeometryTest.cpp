// The grid, the axes and the box as geometry: where their lines and faces lie, and that the box's
// faces and edges are the box's own.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <set>
#include <tuple>
#include <utility>

#include "scene/ReferenceGeometry.h"

namespace {
using Point = std::tuple<float, float, float>;
Point pointOf(const SceneVertex& v) { return {v.x, v.y, v.z}; }
}  // namespace

TEST(ReferenceGeometry, GridIs33By33OrangeLinesTwoUnitsApartOnTheFloor) {
    std::set<float> alongX, alongZ; // the z of lines along x, the x of lines along z
    for (int line = 0; line < kGridVertexCount / 2; ++line) {
        const SceneVertex& a = gridVertices[2 * line];
        const SceneVertex& b = gridVertices[2 * line + 1];
        for (const SceneVertex* v : {&a, &b}) {
            EXPECT_EQ(v->y, 0.0f);
            EXPECT_EQ(v->w, 0.0f);
            EXPECT_EQ(v->color, 0xFFFF7030u);
        }
        if (a.z == b.z) {
            EXPECT_EQ(std::min(a.x, b.x), -32.0f);
            EXPECT_EQ(std::max(a.x, b.x), 32.0f);
            alongX.insert(a.z);
        } else {
            EXPECT_EQ(a.x, b.x) << "line " << line << " is neither along x nor along z";
            EXPECT_EQ(std::min(a.z, b.z), -32.0f);
            EXPECT_EQ(std::max(a.z, b.z), 32.0f);
            alongZ.insert(a.x);
        }
    }
    std::set<float> expected;
    for (int k = -16; k <= 16; ++k) expected.insert(2.0f * static_cast<float>(k));
    EXPECT_EQ(alongX, expected);
    EXPECT_EQ(alongZ, expected);
}

TEST(ReferenceGeometry, AxesAreThreeLinesThroughTheOriginInRedGreenAndBlue) {
    const std::uint32_t colors[3] = {0xFFFF4040u, 0xFF40FF40u, 0xFF4040FFu};
    for (int axis = 0; axis < 3; ++axis) {
        const SceneVertex& a = axisVertices[2 * axis];
        const SceneVertex& b = axisVertices[2 * axis + 1];
        const float ca[3] = {a.x, a.y, a.z}, cb[3] = {b.x, b.y, b.z};
        for (int c = 0; c < 3; ++c) {
            EXPECT_EQ(ca[c], c == axis ? -32.0f : 0.0f);
            EXPECT_EQ(cb[c], c == axis ? 32.0f : 0.0f);
        }
        EXPECT_EQ(a.color, colors[axis]);
        EXPECT_EQ(b.color, colors[axis]);
        EXPECT_EQ(a.w, 0.0f);
    }
}

TEST(ReferenceGeometry, EachFaceIsAFullSideOfTheBoxFacingItsOutwardNormal) {
    std::set<std::set<Point>> sides;
    for (int face = 0; face < kBoxFaceCount; ++face) {
        SCOPED_TRACE(face);
        const gfx::Vector3& n = boxFaceNormals[face];
        std::set<Point> corners;
        for (int i = 0; i < 4; ++i) {
            const std::uint16_t index = boxFaceIndices[face][i];
            ASSERT_LT(index, 12u);
            const SceneVertex& v = boxFaceVertices[index];
            corners.insert(pointOf(v));
            // On the plane of the face: 8 units out for the walls, the floor at height 0.
            const float distance = v.x * n.x + v.y * n.y + v.z * n.z;
            EXPECT_EQ(distance, n.y != 0.0f ? 0.0f : 8.0f);
            EXPECT_EQ(v.w, 0.0f);
            // The floor has its own colour; the walls share theirs.
            EXPECT_EQ(v.color, face == 0 ? 0x20004080u : 0x200080FFu);
        }
        EXPECT_EQ(corners.size(), 4u) << "a corner repeats";
        // As a strip, the first and last vertices are opposite corners: the two triangles cover
        // the side instead of folding over one half.
        const SceneVertex& first = boxFaceVertices[boxFaceIndices[face][0]];
        const SceneVertex& last = boxFaceVertices[boxFaceIndices[face][3]];
        const int differing = (first.x != last.x) + (first.y != last.y) + (first.z != last.z);
        EXPECT_EQ(differing, 2);
        sides.insert(corners);
    }
    EXPECT_EQ(sides.size(), 5u);
    // Open at the top: no face lies at the top ring's height alone.
    for (const auto& side : sides) {
        EXPECT_FALSE(std::all_of(side.begin(), side.end(), [](const Point& p) { return std::get<1>(p) == 12.0f; }));
    }
}

TEST(ReferenceGeometry, OutlineIsTheTwelveEdgesOfTheBox) {
    std::set<std::pair<Point, Point>> edges;
    for (int e = 0; e < kBoxEdgeCount; ++e) {
        const SceneVertex& a = boxEdgeVertices[boxEdgeIndices[2 * e]];
        const SceneVertex& b = boxEdgeVertices[boxEdgeIndices[2 * e + 1]];
        // An edge joins corners that differ in one coordinate only.
        const int differing = (a.x != b.x) + (a.y != b.y) + (a.z != b.z);
        EXPECT_EQ(differing, 1) << "edge " << e;
        edges.insert(std::minmax(pointOf(a), pointOf(b)));
    }
    EXPECT_EQ(edges.size(), 12u);
    for (const SceneVertex& v : boxEdgeVertices) {
        EXPECT_EQ(v.color, 0xFF80C0FFu);
        EXPECT_TRUE(std::abs(v.x) == 8.0f && std::abs(v.z) == 8.0f && (v.y == 0.0f || v.y == 12.0f));
    }
}
