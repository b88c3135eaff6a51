// The fluid: parameters, integrator, spatial hash and the particle storage, with the operations
// that lay out a block, evaluate the forces and advance one step. There is one, the global fluid.
#pragma once

#include <cstdint>

#include "fluid/FluidParams.h"
#include "fluid/ForceWorker.h"
#include "fluid/Particle.h"
#include "fluid/SpaceHash.h"
#include "math/Vec4.h"

class Integrator;

class alignas(16) Fluid {
public:
    // Storage is created once for the largest block, 21^3 particles.
    static constexpr std::uint32_t kMaxParticles = 9261;

    Fluid() = default;
    virtual ~Fluid();
    Fluid(const Fluid&) = delete;
    Fluid& operator=(const Fluid&) = delete;

    // Derives the parameters, creates the integrator, the hash and the particle storage, then
    // lays out the first block. False when the storage cannot be allocated.
    bool init();
    // Lays out a new block of blockSide^3 particles and primes the hash, forces and integrator.
    void reset();
    // Frees the integrator and the particle storage; the hash keeps its cells until destruction.
    void release();
    // Densities and pressures, then forces, of every live particle.
    void computeForces();
    // One time step with the keyboard controls.
    void step();
    // Draws the particles as point sprites (scene layer).
    void draw();

    FluidParams params;
    Integrator* integrator = nullptr;
    SpaceHash hash;
    Particle* particles = nullptr;
    std::uint32_t particleCount = 0;

    // Second thread of the force passes, started by init and stopped by release.
    ForceWorker forceWorker;
};

// SPH support radius h in metres, also the hash's cell size.
extern float supportRadius;
// Particles per edge of the block that reset lays out: 11, 14, 16, 19 or 21.
extern std::int32_t blockSide;
// (0, 0, 0, 0), never written.
extern const Vec4 zeroVector;
extern Fluid fluid;
