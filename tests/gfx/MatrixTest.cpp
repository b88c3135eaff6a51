// Matrix helpers against values worked out by hand in the row-vector convention (a point is a
// row vector on the left; A * B applies A first), including the matrices of the first frame.
#include <gtest/gtest.h>

#include <cmath>

#include "gfx/GraphicsApi.h"

namespace {

using gfx::Matrix;

void expectMatrix(const Matrix& m, const float (&expected)[4][4], float tolerance = 2e-6f) {
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            EXPECT_NEAR(m.m[r][c], expected[r][c], tolerance * std::max(1.0f, std::fabs(expected[r][c])))
                << "row " << r << " column " << c;
}

// World, view and projection of the first frame: yaw 0.01 (the automatic turn has already
// run once), pitch pi/4, camera distance 32.
struct FirstFrame {
    Matrix rotY, rotX, world, view, proj, worldView, worldViewProj;
    FirstFrame() {
        gfx::matrixRotationY(&rotY, 0.01f);
        gfx::matrixRotationX(&rotX, 0.7853982f);
        gfx::matrixMultiply(&world, &rotY, &rotX);
        const gfx::Vector3 eye{0, 0, 32}, at{0, 2, 0}, up{0, 1, 0};
        gfx::matrixLookAtRH(&view, &eye, &at, &up);
        gfx::matrixPerspectiveFovRH(&proj, 3.14159265f / 4, 4.0f / 3.0f, 1.0f, 1000.0f);
        gfx::matrixMultiply(&worldView, &world, &view);
        gfx::matrixMultiply(&worldViewProj, &worldView, &proj);
    }
};

TEST(MatrixHelpers, RotationsPutSineAndCosineWhereRowVectorsNeedThem) {
    Matrix m;
    const float c = std::cos(0.5f), s = std::sin(0.5f);
    gfx::matrixRotationX(&m, 0.5f);
    expectMatrix(m, {{1, 0, 0, 0}, {0, c, s, 0}, {0, -s, c, 0}, {0, 0, 0, 1}});
    gfx::matrixRotationY(&m, 0.5f);
    expectMatrix(m, {{c, 0, -s, 0}, {0, 1, 0, 0}, {s, 0, c, 0}, {0, 0, 0, 1}});
}

TEST(MatrixHelpers, TranslationIsInTheLastRow) {
    Matrix m;
    gfx::matrixTranslation(&m, 1.2f, -3, 4.5f);
    expectMatrix(m, {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {1.2f, -3, 4.5f, 1}});
}

TEST(MatrixHelpers, MultiplyAppliesTheLeftMatrixFirstAndMayWriteOverAnInput) {
    // Translate by (1, 0, 0), then turn a quarter about y: the point (0, 0, 0) goes to (0, 0, -1).
    Matrix t, r, m;
    gfx::matrixTranslation(&t, 1, 0, 0);
    gfx::matrixRotationY(&r, 1.5707964f);
    gfx::matrixMultiply(&m, &t, &r);
    EXPECT_NEAR(m.m[3][0], 0.0f, 1e-6f);
    EXPECT_NEAR(m.m[3][2], -1.0f, 1e-6f);
    // The same product written into its left input.
    gfx::matrixMultiply(&t, &t, &r);
    expectMatrix(t, m.m);
}

TEST(MatrixHelpers, FirstFrameWorld) {
    FirstFrame f;
    expectMatrix(f.world, {{0.99995f, 0.00707094996f, -0.00707094965f, 0},
                           {0, 0.707106766f, 0.707106797f, 0},
                           {0.00999983311f, -0.707071442f, 0.707071411f, 0},
                           {0, 0, 0, 1}});
}

TEST(MatrixHelpers, FirstFrameViewLooksFromThePositiveZAxis) {
    FirstFrame f;
    expectMatrix(f.view, {{1, 0, 0, 0},
                          {0, 0.998052578f, -0.0623782862f, 0},
                          {0, 0.0623782862f, 0.998052578f, 0},
                          {0, -1.99610516f, -31.9376825f, 1}});
}

TEST(MatrixHelpers, FirstFrameProjectionHasDepthZeroToOne) {
    FirstFrame f;
    expectMatrix(f.proj, {{1.81066006f, 0, 0, 0},
                          {0, 2.41421349f, 0, 0},
                          {0, 0, -1.001001f, -1},
                          {0, 0, -1.001001f, 0}});
    // A point on the near plane lands at depth 0, one on the far plane at depth 1.
    for (float distance : {1.0f, 1000.0f}) {
        const float z = -distance;
        const float clipZ = z * f.proj.m[2][2] + f.proj.m[3][2];
        const float clipW = z * f.proj.m[2][3];
        EXPECT_NEAR(clipZ / clipW, distance == 1.0f ? 0.0f : 1.0f, 1e-6f);
    }
}

TEST(MatrixHelpers, FirstFrameWorldViewProjection) {
    FirstFrame f;
    expectMatrix(f.worldViewProj, {{1.81056953f, 0.0159726926f, 0.00750575903f, 0.00749825327f},
                                   {0, 1.81026863f, -0.662283937f, -0.661621653f},
                                   {0.0181062984f, -1.59721606f, -0.7505509f, -0.749800349f},
                                   {0, -4.81902399f, 30.9686512f, 31.9376825f}},
                 1e-5f);
}

TEST(MatrixHelpers, BoxNormalsTurnedIntoViewSpace) {
    FirstFrame f;
    // Floor, walls z = -8, x = 8, z = 8, x = -8; padded to a 16-byte stride on output to show
    // that the strides are honoured.
    const gfx::Vector3 normals[5] = {{0, -1, 0}, {0, 0, -1}, {1, 0, 0}, {0, 0, 1}, {-1, 0, 0}};
    struct Padded {
        gfx::Vector3 v;
        float pad = 99;
    } out[5];
    gfx::vec3TransformNormalArray(&out[0].v, sizeof(Padded), normals, sizeof(gfx::Vector3), &f.worldView, 5);
    const float expectedZ[5] = {-0.661621653f, -0.749800349f, -0.00749825327f, 0.749800349f, 0.00749825327f};
    for (int i = 0; i < 5; ++i) {
        EXPECT_NEAR(out[i].v.z, expectedZ[i], 1e-6f) << "face " << i;
        EXPECT_EQ(out[i].pad, 99.0f);
    }
    // No translation enters: the floor normal's x stays exactly 0.
    EXPECT_EQ(out[0].v.x, 0.0f);
}

}  // namespace
