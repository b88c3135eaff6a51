// The leap-frog step, the container's boundaries and the obstacle, one particle at a time.
#include <gtest/gtest.h>

#include "fluid/FrameCount.h"
#include "fluid/Integrator.h"
#include "fluid/Obstacle.h"
#include "FluidTestSupport.h"

namespace {

using testing_support::isFinite;
using testing_support::kReciprocalTolerance;

constexpr float kDt = 0.008333334f;

class IntegratorTest : public ::testing::Test {
protected:
    IntegratorLeapFrog integrator{kDt, 0.0f};

    // A particle with unit density and the given force, position and half-step velocity.
    static Particle particle(Vec4 position, Vec4 velocityHalf, Vec4 force = zeroVector) {
        Particle p;
        p.position = position;
        p.velocityHalf = velocityHalf;
        p.velocity = zeroVector;
        p.force = force;
        p.density = 1.0f;
        return p;
    }
};

}  // namespace

TEST_F(IntegratorTest, FreeParticleFallsFromRest) {
    Particle p = particle({0.0f, 0.2f, 0.0f, 0}, zeroVector, Vec4{0.0f, 437.0f * -9.82f, 0.0f, 0});
    p.density = 437.0f;
    integrator.initialise(p);
    const float halfStep = 9.82f * kDt / 2.0f;
    EXPECT_NEAR(p.velocityHalf.y, halfStep, halfStep * kReciprocalTolerance);
    integrator.integrate(p);
    EXPECT_NEAR(p.velocityHalf.y, -halfStep, halfStep * kReciprocalTolerance);
    EXPECT_NEAR(p.velocity.y, 0.0f, 1e-6f);
    EXPECT_NEAR(p.position.y, 0.2f - 9.82f * kDt * kDt / 2.0f, 1e-6f);
    EXPECT_EQ(p.position.x, 0.0f);
}

TEST_F(IntegratorTest, FloorResponseTurnsAndScalesTheNormalVelocity) {
    // Ends the step 0.01 below the floor moving down at 2.4 m/s: k = 1 + 1.5*0.01/(dt*2.4) = 1.75.
    Particle p = particle({0.0f, 0.01f, 0.0f, 0}, {0.0f, -2.4f, 0.0f, 0});
    integrator.integrate(p);
    EXPECT_EQ(p.position.y, 0.0f);
    EXPECT_NEAR(p.velocityHalf.y, 1.8f, 1e-4f);
    EXPECT_EQ(p.velocityHalf.x, 0.0f);
}

TEST_F(IntegratorTest, ParticlesExactlyOnABoundaryGetNoResponse) {
    containerOffset.x = 0.05f;
    const Vec4 onBoundary[] = {{0.0f, 0.0f, 0.0f, 0},
                               {0.0f, 0.1f, -0.3f, 0},
                               {0.0f, 0.1f, 0.3f, 0},
                               {0.05f - 0.3f, 0.1f, 0.0f, 0},
                               {0.05f + 0.3f, 0.1f, 0.0f, 0}};
    for (const Vec4& position : onBoundary) {
        Particle p = particle(position, zeroVector);
        integrator.integrate(p);
        EXPECT_EQ(p.position.x, position.x);
        EXPECT_EQ(p.position.y, position.y);
        EXPECT_EQ(p.position.z, position.z);
        EXPECT_EQ(p.velocityHalf.y, 0.0f);
    }
}

TEST_F(IntegratorTest, CornerAppliesFloorThenZThenX) {
    Particle a = particle({-0.31f, 0.005f, -0.31f, 0}, {-1.0f, -1.0f, -1.0f, 0});
    Particle b = particle({-0.32f, 0.003f, -0.305f, 0}, {-0.5f, -2.0f, -0.7f, 0});
    integrator.integrate(a);
    integrator.integrate(b);
    for (const Particle* p : {&a, &b}) {
        EXPECT_EQ(p->position.x, -0.3f);
        EXPECT_EQ(p->position.y, 0.0f);
        EXPECT_EQ(p->position.z, -0.3f);
        EXPECT_GT(p->velocityHalf.x, 0.0f);
        EXPECT_GT(p->velocityHalf.y, 0.0f);
        EXPECT_GT(p->velocityHalf.z, 0.0f);
    }
}

TEST_F(IntegratorTest, MovingWallPushesARestingParticleWithoutNaN) {
    // A particle at rest that the shaking wall has passed: clamped to the wall, its velocity
    // stays zero instead of dividing by its zero speed.
    containerOffset.x = 0.1f;
    Particle p = particle({-0.25f, 0.1f, 0.0f, 0}, zeroVector);
    integrator.integrate(p);
    EXPECT_EQ(p.position.x, 0.1f - 0.3f);
    EXPECT_EQ(p.velocityHalf.x, 0.0f);
    EXPECT_TRUE(isFinite(p.velocityHalf));
    EXPECT_TRUE(isFinite(p.velocity));
}

TEST_F(IntegratorTest, ObstaclePushesAParticleOntoItsSurface) {
    obstacle.active = true;
    obstacle.radius = 0.15f;
    frameCount = 0;  // centre (0.1, 0.1, 0)
    Particle p = particle({0.1f, 0.1f + 0.05f, 0.0f, 0}, {0.0f, -0.5f, 0.0f, 0});
    integrator.integrate(p);
    EXPECT_FLOAT_EQ(obstacle.center.x, 0.1f);
    EXPECT_FLOAT_EQ(obstacle.center.y, 0.1f);
    EXPECT_EQ(obstacle.center.z, 0.0f);
    EXPECT_NEAR(p.position.y - 0.1f, 0.15f, 0.15f * kReciprocalTolerance + 1e-6f);
    EXPECT_GT(p.velocityHalf.y, 0.0f);
}

TEST_F(IntegratorTest, ObstacleCentreFollowsFrameAndContainer) {
    obstacle.active = true;
    obstacle.radius = 0.0f;
    frameCount = 100;
    containerOffset.x = 0.05f;
    Particle p = particle({0.0f, 0.1f, 0.0f, 0}, zeroVector);
    const Particle before = p;
    integrator.integrate(p);
    EXPECT_NEAR(obstacle.center.x, 0.05f + 0.1f * std::cos(7.0f), 1e-6f);
    EXPECT_NEAR(obstacle.center.y, 0.1f * (std::sin(1.0f) + 1.0f), 1e-6f);
    EXPECT_NEAR(obstacle.center.z, 0.1f * std::sin(7.0f), 1e-6f);
    EXPECT_EQ(p.position.x, before.position.x);

    // Inactive, the centre keeps its last value.
    obstacle.active = false;
    frameCount = 200;
    integrator.integrate(p);
    EXPECT_NEAR(obstacle.center.z, 0.1f * std::sin(7.0f), 1e-6f);
}

TEST_F(IntegratorTest, ParticleAtTheObstacleCentreIsLeftAlone) {
    obstacle.active = true;
    obstacle.radius = 0.1f;
    frameCount = 0;
    // Chosen so that after the step it sits exactly on the centre (0.1, 0.1, 0).
    Particle p = particle({0.1f, 0.1f, 0.0f, 0}, zeroVector);
    integrator.integrate(p);
    EXPECT_EQ(p.position.x, 0.1f);
    EXPECT_EQ(p.position.y, 0.1f);
    EXPECT_TRUE(isFinite(p.velocityHalf));
}
