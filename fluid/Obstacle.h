// The moving sphere the user lowers into the water, and the other scene state the step owns.
#pragma once

#include <cstdint>

#include "math/Vec4.h"

struct alignas(16) Obstacle {
    bool active = false;      // takes part in collisions and is drawn
    bool translucent = false; // drawn half transparent
    float radius = 0.0f;      // m
    Vec4 center;              // m, written by the integrator while active
};

enum ShakeMode : std::uint32_t { kShakeStill = 0, kShakeGentle = 1, kShakeStrong = 2 };

extern Obstacle obstacle;
// x is the container's sideways displacement in metres; y and z stay 0.
extern Vec4 containerOffset;
extern std::uint32_t shakeMode;
extern float shakeAmplitude;
// The user's request for the sphere, toggled by Space.
extern bool obstacleEnabled;
// Low byte of the key state each press-detected key had at the previous step.
struct PreviousKeyState {
    std::uint8_t s = 0;
    std::uint8_t a = 0;
    std::uint8_t space = 0;
};
extern PreviousKeyState previousKeyState;
