#include "scene/FrameMatrices.h"

namespace {
constexpr float kFieldOfViewY = 0.7853982f; // pi/4
constexpr float kAspect = 4.0f / 3.0f;      // the 640 x 480 back buffer
constexpr float kNearPlane = 1.0f;
constexpr float kFarPlane = 1000.0f;
}  // namespace

FrameMatrices computeFrameMatrices(float pitch, float yaw, float distance) {
    FrameMatrices m;
    gfx::Matrix rotationY;
    gfx::Matrix rotationX;
    gfx::matrixRotationY(&rotationY, yaw);
    gfx::matrixRotationX(&rotationX, pitch);
    gfx::matrixMultiply(&m.world, &rotationY, &rotationX);

    const gfx::Vector3 eye{0.0f, 0.0f, distance};
    const gfx::Vector3 target{0.0f, 2.0f, 0.0f};
    const gfx::Vector3 up{0.0f, 1.0f, 0.0f};
    gfx::matrixLookAtRH(&m.view, &eye, &target, &up);
    gfx::matrixPerspectiveFovRH(&m.projection, kFieldOfViewY, kAspect, kNearPlane, kFarPlane);

    gfx::matrixMultiply(&m.worldView, &m.world, &m.view);
    gfx::matrixMultiply(&m.worldViewProj, &m.worldView, &m.projection);
    return m;
}
