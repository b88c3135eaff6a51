// The particles' vertices: one SceneVertex per particle, rewritten for the live particles every
// frame by Fluid::draw and drawn from this static array as point sprites.
#pragma once

#include "fluid/Fluid.h"
#include "scene/SceneVertex.h"

// Size of a particle's sprite in scene units.
inline constexpr float kParticleSpriteSize = 0.65f;

extern SceneVertex particleVertices[Fluid::kMaxParticles];
