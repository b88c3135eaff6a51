#include "fluid/Fluid.h"

#include <new>

#include "fluid/Integrator.h"
#include "math/AlignedAlloc.h"
#include "math/CRandom.h"
#include "math/Precision.h"

namespace {
// Lattice spacing of a new block, 1/38 m.
constexpr float kLatticeSpacing = 0.02631579f;
// A new block's bottom row stands this many spacings above the floor.
constexpr int kLatticeRowOffset = 12;
// 1/(4 pi 9261) in single precision.
constexpr float kSupportVolumeFactor = 8.592751e-6f;
}  // namespace

// Whatever release left is freed here; the hash's destructor then frees the cell array.
Fluid::~Fluid() { release(); }

bool Fluid::init() {
    params.densityPerKernelParticle = params.restDensity / params.kernelParticles;
    params.totalVolume = (params.particleMass / params.restDensity) * 9261.0f;
    params.maxParticles = kMaxParticles;

    // A sphere of radius h holds kernelParticles particles' worth of volume.
    const float x = ((params.totalVolume * params.kernelParticles) * 3.0f) * kSupportVolumeFactor;
    supportRadius = powRounded(x, kOneThirdSingle);

    integrator = new (std::nothrow) IntegratorLeapFrog(params.timeStep, params.integratorParameter);
    if (!integrator) return false;
    if (!hash.init()) return false;

    void* memory = alignedAlloc(sizeof(Particle) * kMaxParticles);
    if (!memory) return false;
    particles = static_cast<Particle*>(memory);
    for (std::uint32_t i = 0; i < kMaxParticles; ++i) {
        Particle* p = new (&particles[i]) Particle();
        p->smoothingRadius = supportRadius;
        p->smoothingRadiusSq = supportRadius * supportRadius;
        p->position = p->velocityHalf = p->velocity = p->acceleration = p->force = zeroVector;
    }
    particleCount = kMaxParticles;

    forceWorker.start();
    reset();
    return true;
}

void Fluid::reset() {
    const std::int32_t n = blockSide;
    if (n >= 1) {
        const std::int32_t half = n / 2;
        Particle* p = particles;
        for (std::int32_t layer = 0; layer < n; ++layer) {
            for (std::int32_t row = 0; row < n; ++row) {
                for (std::int32_t column = 0; column < n; ++column, ++p) {
                    // Columns along +x, rows upward from 12 spacings above the floor, layers
                    // along -z; the integer offsets are formed before the conversion.
                    p->position.x = static_cast<float>(column - half) * kLatticeSpacing;
                    p->position.y = static_cast<float>(row + kLatticeRowOffset) * kLatticeSpacing;
                    p->position.z = static_cast<float>(half - layer) * kLatticeSpacing;
                    p->position.x = p->position.x + randomJitter();
                    p->position.y = p->position.y + randomJitter();
                    p->position.z = p->position.z + randomJitter();
                    p->mass = params.particleMass;
                    p->velocity = zeroVector;
                }
            }
        }
    }
    particleCount = n >= 1 ? static_cast<std::uint32_t>(n * n * n) : 0u;

    hash.build(particleCount, particles);
    computeForces();
    for (std::uint32_t i = 0; i < particleCount; ++i) integrator->initialise(particles[i]);
}

void Fluid::release() {
    forceWorker.stop();
    delete integrator;
    integrator = nullptr;
    if (particles) {
        alignedFree(particles);
        particles = nullptr;
    }
}
