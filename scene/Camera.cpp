#include "scene/Camera.h"

#include "fluid/KeyState.h"

float cameraPitch = 0.7853982f;
float cameraYaw = 0.0f;
float cameraDistance = 32.0f;
bool cameraTouched = false;

namespace {
constexpr float kAngleStep = 0.01f;     // radians per frame
constexpr float kDistanceStep = 0.125f; // scene units per frame

bool held(int virtualKey) { return (keyState(virtualKey) & 0x80) != 0; }
}  // namespace

void applyCameraKeys() {
    // Each key acts on its own; a limit replaces the result only when it lies strictly beyond.
    if (held(vk::kDown)) {
        cameraPitch -= kAngleStep;
        if (cameraPitch < kCameraPitchMin) cameraPitch = kCameraPitchMin;
        cameraTouched = true;
    }
    if (held(vk::kUp)) {
        cameraPitch += kAngleStep;
        if (cameraPitch > kCameraPitchMax) cameraPitch = kCameraPitchMax;
        cameraTouched = true;
    }
    if (held(vk::kLeft)) {
        cameraYaw += kAngleStep;
        cameraTouched = true;
    }
    if (held(vk::kRight)) {
        cameraYaw -= kAngleStep;
        cameraTouched = true;
    }
    if (held(vk::kPageUp)) {
        cameraDistance -= kDistanceStep;
        if (cameraDistance < kCameraDistanceMin) cameraDistance = kCameraDistanceMin;
    }
    if (held(vk::kPageDown)) {
        cameraDistance += kDistanceStep;
        if (cameraDistance > kCameraDistanceMax) cameraDistance = kCameraDistanceMax;
    }
    if (!cameraTouched) cameraYaw += kAngleStep;
}
