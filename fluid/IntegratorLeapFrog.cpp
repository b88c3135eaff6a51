#include <cmath>
#include <cstring>

#include "fluid/FrameCount.h"
#include "fluid/Integrator.h"
#include "fluid/Obstacle.h"
#include "math/Precision.h"

namespace {
constexpr float kHalf = 0.5f;
constexpr float kFloorHeight = 0.0f;
constexpr float kContainerHalfWidth = 0.3f;
constexpr float kResponseCoefficient = 1.5f;
constexpr float kObstacleCircleRate = 0.07f; // radians per frame
constexpr float kObstacleBobRate = 0.01f;    // radians per frame
constexpr float kObstaclePathScale = 0.1f;   // m

// Centre of the obstacle in this frame: a circle of radius 0.1 around the container's middle,
// bobbing between 0 and 0.2 m, carried along by the shaking.
Vec4 obstaclePathCenter() {
    const float f = static_cast<float>(frameCount);
    const float circle = kObstacleCircleRate * f;
    const Vec4 path{kObstaclePathScale * cosRounded(circle),
                    kObstaclePathScale * (sinRounded(kObstacleBobRate * f) + 1.0f),
                    kObstaclePathScale * sinRounded(circle), 0.0f};
    return containerOffset + path;
}
}  // namespace

const Vec4& IntegratorLeapFrog::obstacleCenter() {
    const bool sameOffset = std::memcmp(&centerOffset_, &containerOffset, 3 * sizeof(float)) == 0;
    if (!centerKnown_ || centerFrame_ != frameCount || !sameOffset) {
        center_ = obstaclePathCenter();
        centerFrame_ = frameCount;
        centerOffset_ = containerOffset;
        centerKnown_ = true;
    }
    return center_;
}

IntegratorLeapFrog::IntegratorLeapFrog(float dt, float parameter)
    : timeStep(dt),
      timeStepSq(dt * dt),
      invTimeStep(1.0f / dt),
      invTimeStepSq(1.0f / (dt * dt)),
      integratorParameter(parameter) {}

void IntegratorLeapFrog::initialise(Particle& p) {
    p.acceleration = p.force / p.density;
    p.velocityHalf = p.velocity - p.acceleration * (timeStep * kHalf);
}

void IntegratorLeapFrog::respond(Particle& p, float depth, const Vec4& normal) const {
    const float speed = std::sqrt(lengthSq(p.velocityHalf));
    // A particle at rest past a boundary (only a moving wall or the obstacle can put it there)
    // keeps its zero velocity: the response would divide by its zero speed.
    if (speed == 0.0f) return;
    const float k = 1.0f + (kResponseCoefficient * depth) / (timeStep * speed);
    p.velocityHalf = p.velocityHalf - (k * dot(p.velocityHalf, normal)) * normal;
}

void IntegratorLeapFrog::integrate(Particle& p) {
    const Vec4 velocityOld = p.velocityHalf;
    p.acceleration = p.force / p.density;
    p.velocityHalf = p.velocityHalf + p.acceleration * timeStep;
    p.position = p.position + p.velocityHalf * timeStep;

    if (p.position.y < kFloorHeight) {
        const float depth = -p.position.y;
        p.position.y = kFloorHeight;
        respond(p, depth, Vec4{0.0f, 1.0f, 0.0f, 0.0f});
    }

    if (obstacle.active) {
        const Vec4 center = obstacleCenter();
        obstacle.center = center;
        const Vec4 e = p.position - center;
        const float eSq = lengthSq(e);
        const float radius = obstacle.radius;
        // A particle exactly at the centre has no direction to be pushed in; it is left alone.
        if (radius * radius > eSq && eSq > 0.0f) {
            const float dist = std::sqrt(eSq);
            const float depth = radius - dist;
            const Vec4 normal = e / dist;
            p.position = p.position + depth * normal;
            respond(p, depth, normal);
        }
    }

    if (p.position.z < -kContainerHalfWidth) {
        const float depth = -kContainerHalfWidth - p.position.z;
        p.position.z = -kContainerHalfWidth;
        respond(p, depth, Vec4{0.0f, 0.0f, 1.0f, 0.0f});
    } else if (p.position.z > kContainerHalfWidth) {
        const float depth = p.position.z - kContainerHalfWidth;
        p.position.z = kContainerHalfWidth;
        respond(p, depth, Vec4{0.0f, 0.0f, -1.0f, 0.0f});
    }

    const float wallX = containerOffset.x;
    if (p.position.x < wallX - kContainerHalfWidth) {
        const float depth = (wallX - kContainerHalfWidth) - p.position.x;
        p.position.x = wallX - kContainerHalfWidth;
        respond(p, depth, Vec4{1.0f, 0.0f, 0.0f, 0.0f});
    } else if (p.position.x > wallX + kContainerHalfWidth) {
        const float depth = p.position.x - (wallX + kContainerHalfWidth);
        p.position.x = wallX + kContainerHalfWidth;
        respond(p, depth, Vec4{-1.0f, 0.0f, 0.0f, 0.0f});
    }

    p.velocity = (velocityOld + p.velocityHalf) * kHalf;
}
