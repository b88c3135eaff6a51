// One time step of the fluid with the user's controls: the container's shaking, the obstacle,
// the forces and integration, the restart keys, and the hash rebuilt for the next step.
#include "fluid/FrameCount.h"
#include "fluid/Fluid.h"
#include "fluid/Integrator.h"
#include "fluid/KeyState.h"
#include "fluid/Obstacle.h"
#include "math/Precision.h"

namespace {
constexpr float kShakeTargets[] = {0.0f, 0.075f, 0.125f}; // m, by shake mode
constexpr float kShakeRate = 0.05f;                        // radians per frame
constexpr float kObstacleTargetRadius = 0.15f;             // m
constexpr float kObstacleShrinkRate = 0.003f;              // m per step

// Moves value towards target by a tenth of the gap, at most 0.002 per step.
float limitedStep(float value, float target) {
    float d = (target - value) * 0.1f;
    if (d < -0.002f) {
        d = -0.002f;
    } else if (d >= 0.002f) {
        d = 0.002f;
    }
    return value + d;
}

std::uint8_t lowByte(int virtualKey) { return static_cast<std::uint8_t>(keyState(virtualKey) & 0xFF); }

// True when the key went down since the previous step; remembers the new state either way.
bool pressed(int virtualKey, std::uint8_t& previous) {
    const std::uint8_t current = lowByte(virtualKey);
    const bool press = ((previous ^ current) & current & 0x80) != 0;
    previous = current;
    return press;
}

bool held(int virtualKey) { return (lowByte(virtualKey) & 0x80) != 0; }

struct RestartKey {
    int virtualKey;
    std::int32_t side;
};
constexpr RestartKey kRestartKeys[] = {{vk::k1, 11}, {vk::k2, 14}, {vk::k3, 16}, {vk::k4, 19}, {vk::k5, 21}};
}  // namespace

void Fluid::step() {
    const float target = shakeMode < 3 ? kShakeTargets[shakeMode] : 0.0f;
    shakeAmplitude = limitedStep(shakeAmplitude, target);
    containerOffset.x = shakeAmplitude * sinRounded(kShakeRate * static_cast<float>(frameCount));

    if (pressed(vk::kS, previousKeyState.s)) shakeMode = (shakeMode + 1) % 3;
    if (pressed(vk::kA, previousKeyState.a)) obstacle.translucent = !obstacle.translucent;
    if (pressed(vk::kSpace, previousKeyState.space)) obstacleEnabled = !obstacleEnabled;

    if (obstacleEnabled) {
        obstacle.active = true;
        obstacle.radius = limitedStep(obstacle.radius, kObstacleTargetRadius);
    } else {
        const float r = obstacle.radius - kObstacleShrinkRate;
        if (r < 0.0f) {
            obstacle.radius = 0.0f;
            obstacle.active = false;
        } else {
            obstacle.radius = r;
            if (r == 0.0f) obstacle.active = false;
        }
    }

    computeForces();
    for (std::uint32_t i = 0; i < particleCount; ++i) integrator->integrate(particles[i]);

    // Restart keys act while held; with several digits down the highest one wins.
    bool restart = held(vk::kZ);
    for (const RestartKey& key : kRestartKeys) {
        if (held(key.virtualKey)) {
            blockSide = key.side;
            restart = true;
        }
    }
    if (restart) reset();

    hash.build(particleCount, particles);
}
