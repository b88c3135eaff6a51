// The simulation's module-level state, defined in one place so that static construction runs in
// the program's fixed order: the obstacle's centre and the container offset from zeroVector,
// then the fluid with its default parameters (nothing allocated). The fluid's destructor runs at
// exit and frees whatever is still held.
#include "fluid/Fluid.h"
#include "fluid/FrameCount.h"
#include "fluid/Obstacle.h"

constinit const Vec4 zeroVector{0.0f, 0.0f, 0.0f, 0.0f};

float supportRadius = 0.0f;
std::int32_t blockSide = 14;
std::uint32_t frameCount = 0;

std::uint32_t shakeMode = kShakeStill;
float shakeAmplitude = 0.0f;
bool obstacleEnabled = false;
PreviousKeyState previousKeyState;

Obstacle obstacle{false, false, 0.0f, zeroVector};
Vec4 containerOffset = zeroVector;

Fluid fluid;
