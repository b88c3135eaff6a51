// The fluid's physical parameters, SI units. Fields without readers are carried as designed.
#pragma once

#include <cstdint>

struct FluidParams {
    float totalVolume = 0.0f;              // m^3; particleMass / restDensity * 9261 after init
    float restDensity = 998.29f;           // kg/m^3
    std::int32_t maxParticles = 0;         // 9261 after init
    float kernelParticles = 15.0f;         // particles' worth of volume inside the support sphere
    float particleMass = 0.02f;            // kg
    float atmosphericPressure = 101325.0f; // Pa
    float surfaceTension = 0.0728f;        // N/m
    float reservedCoefficient = 0.0f;
    float viscosity = 3.5f;
    float integratorParameter = 0.0f;      // handed to the integrator, which never reads it
    float temperature = 293.15f;           // K
    float gasStiffness = 3.0f;
    float densityPerKernelParticle = 1.0f; // restDensity / kernelParticles after init
    float timeStep = 0.008333334f;         // s, 1/120 in single precision
};
static_assert(sizeof(FluidParams) == 14 * 4);
