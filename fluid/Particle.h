// One particle record: 128 bytes, its vectors on 16-byte boundaries so that the vector build
// moves each with one aligned load or store. On x86-64 the two 8-byte links take the room that
// 4-byte pointers left to the reserved bytes, which carried nothing.
#pragma once

#include <cstddef>

#include "math/Vec4.h"

struct HashCell;

struct alignas(16) Particle {
    Particle* next = nullptr;      // next particle of the same hash cell, descending storage order
    HashCell* cell = nullptr;      // cell the particle was last inserted into
    float smoothingRadius = 0.0f;
    float smoothingRadiusSq = 0.0f;
    Vec4 position;                 // m
    Vec4 velocityHalf;             // m/s, half a step ahead of the forces
    Vec4 velocity;                 // m/s, estimate at the time of the forces
    Vec4 acceleration;             // m/s^2
    Vec4 force;                    // force per unit volume
    float mass = 1.0f;             // kg
    float density = 1.0f;          // kg/m^3
    float pressure = 0.0f;         // Pa
    float invDensitySq = 0.0f;     // 1 / density^2
};

static_assert(sizeof(Particle) == 128);
static_assert(alignof(Particle) == 16);
static_assert(offsetof(Particle, position) % 16 == 0 && offsetof(Particle, velocityHalf) % 16 == 0 &&
              offsetof(Particle, velocity) % 16 == 0 && offsetof(Particle, acceleration) % 16 == 0 &&
              offsetof(Particle, force) % 16 == 0);
