// Densities, pressures and forces on small hand-made arrangements of particles.
#include <gtest/gtest.h>

#include <vector>

#include "fluid/Fluid.h"
#include "math/CRandom.h"
#include "math/Precision.h"
#include "FluidTestSupport.h"

namespace {

using testing_support::isFinite;

class ComputeForcesTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(fluid.init()); }

    // Makes the given positions the live particles, at rest, and evaluates the forces.
    static void evaluate(const std::vector<Vec4>& positions, const Vec4& velocity = zeroVector) {
        fluid.particleCount = static_cast<std::uint32_t>(positions.size());
        for (std::size_t i = 0; i < positions.size(); ++i) {
            fluid.particles[i].position = positions[i];
            fluid.particles[i].velocity = velocity;
        }
        fluid.hash.build(fluid.particleCount, fluid.particles);
        fluid.computeForces();
    }

    // Density a particle gets from itself alone: q = h*h at r = 0.
    static float selfDensity() {
        const float h = supportRadius;
        const float kDensity = 315.0f / (powRounded(h, 9.0) * 201.06194f);
        const float q = h * h;
        return (((q * q) * q) * kDensity) * 0.02f;
    }
};

}  // namespace

TEST_F(ComputeForcesTest, IsolatedParticleFeelsOnlyGravity) {
    evaluate({{0.0f, 0.1f, 0.0f, 0}, {0.2f, 0.1f, 0.0f, 0}});
    const Particle& p = fluid.particles[0];
    EXPECT_EQ(p.density, selfDensity());
    EXPECT_NEAR(p.density, 437.0f, 1.0f);
    EXPECT_EQ(p.pressure, (selfDensity() - 998.29f) * 3.0f);
    EXPECT_LT(p.pressure, 0.0f);
    EXPECT_EQ(p.invDensitySq, 1.0f / (p.density * p.density));
    EXPECT_EQ(p.force.x, 0.0f);
    EXPECT_EQ(p.force.y, p.density * -9.82f);
    EXPECT_EQ(p.force.z, 0.0f);
}

TEST_F(ComputeForcesTest, NoParticlesTouchesNothing) {
    const std::uint32_t state = crtRandState();
    fluid.particles[0].density = 123.0f;
    fluid.particleCount = 0;
    fluid.computeForces();
    EXPECT_EQ(fluid.particles[0].density, 123.0f);
    EXPECT_EQ(crtRandState(), state);
}

TEST_F(ComputeForcesTest, PairForcesAreEqualAndOpposite) {
    const float gap = 0.5f * supportRadius;
    evaluate({{0.0f, 0.1f, 0.0f, 0}, {gap, 0.1f, 0.0f, 0}});
    const Particle& a = fluid.particles[0];
    const Particle& b = fluid.particles[1];
    EXPECT_EQ(a.density, b.density);
    EXPECT_GT(a.density, selfDensity());
    // Both pressures are negative (density far below rest), so the pair attracts: a is pulled
    // towards +x, b towards -x, by equal amounts.
    EXPECT_GT(a.force.x, 0.0f);
    EXPECT_EQ(a.force.x, -b.force.x);
    EXPECT_EQ(a.force.y, b.force.y);
}

TEST_F(ComputeForcesTest, NeighbourExactlyAtTheSupportRadiusAddsNothing) {
    // With x = 0 and x = h the difference is exactly h, so r*r is exactly h*h.
    evaluate({{0.0f, 0.1f, 0.0f, 0}, {supportRadius, 0.1f, 0.0f, 0}});
    const Particle& p = fluid.particles[0];
    EXPECT_EQ(p.density, selfDensity());
    EXPECT_FLOAT_EQ(p.force.x, 0.0f);
    EXPECT_FLOAT_EQ(p.force.y, p.density * -9.82f);
}

TEST_F(ComputeForcesTest, CoincidentPairDrawsJitterAndStaysFinite) {
    const std::uint32_t state = crtRandState();
    evaluate({{0.01f, 0.1f, 0.01f, 0}, {0.01f, 0.1f, 0.01f, 0}});
    // Each ordered pair draws x, y and z: six draws in all.
    std::uint32_t expected = state;
    for (int i = 0; i < 6; ++i) expected = expected * 214013u + 2531011u;
    EXPECT_EQ(crtRandState(), expected);
    for (int i = 0; i < 2; ++i) {
        const Particle& p = fluid.particles[i];
        EXPECT_EQ(p.density, selfDensity() + selfDensity());
        EXPECT_TRUE(isFinite(p.force));
        EXPECT_NE(p.force.x, 0.0f);
    }
}

TEST_F(ComputeForcesTest, UniformVelocityGivesNoViscosity) {
    const std::vector<Vec4> cluster = {{0.0f, 0.1f, 0.0f, 0},
                                       {0.01f, 0.105f, 0.0f, 0},
                                       {0.0f, 0.11f, 0.012f, 0},
                                       {-0.013f, 0.1f, 0.004f, 0}};
    evaluate(cluster);
    std::vector<Vec4> atRest;
    for (std::size_t i = 0; i < cluster.size(); ++i) atRest.push_back(fluid.particles[i].force);
    evaluate(cluster, Vec4{1.0f, -2.0f, 3.0f, 0});
    for (std::size_t i = 0; i < cluster.size(); ++i) {
        EXPECT_EQ(fluid.particles[i].force.x, atRest[i].x);
        EXPECT_EQ(fluid.particles[i].force.y, atRest[i].y);
        EXPECT_EQ(fluid.particles[i].force.z, atRest[i].z);
    }
}

TEST_F(ComputeForcesTest, ViscosityPullsTowardsTheNeighboursVelocity) {
    evaluate({{0.0f, 0.1f, 0.0f, 0}, {0.01f, 0.1f, 0.0f, 0}});
    const float restForceZ = fluid.particles[0].force.z;
    fluid.particles[1].velocity = Vec4{0.0f, 0.0f, 1.0f, 0.0f};
    fluid.computeForces();
    EXPECT_GT(fluid.particles[0].force.z, restForceZ);
    EXPECT_LT(fluid.particles[1].force.z, restForceZ);
}

TEST_F(ComputeForcesTest, ParticleFarAboveTheGridStaysFinite) {
    evaluate({{0.0f, 3.0f, 0.0f, 0}, {0.001f, 3.0f, 0.0f, 0}, {0.0f, 0.1f, 0.0f, 0}});
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(std::isfinite(fluid.particles[i].density));
        EXPECT_TRUE(isFinite(fluid.particles[i].force));
    }
    // The two thrown particles share the clamped top cell and still meet each other.
    EXPECT_GT(fluid.particles[0].density, selfDensity());
}
