// SPH evaluation: pass 1 gives every particle its density, 1/density^2 and pressure with the
// poly6 kernel; pass 2 its force per unit volume from the spiky kernel's gradient (pressure), the
// viscosity kernel's Laplacian and gravity. Neighbours come only from the spatial hash.
#include <cmath>

#include "fluid/Fluid.h"
#include "math/CRandom.h"
#include "math/Precision.h"

namespace {
constexpr float kPoly6Numerator = 315.0f;
constexpr float kSixtyFourPi = 201.06194f;
constexpr float kPi = 3.1415927f;
constexpr float kSpikyGradientFactor = -45.0f;
constexpr float kViscosityLaplacianFactor = 45.0f;
constexpr Vec4 kGravity{0.0f, -9.82f, 0.0f, 0.0f};
}  // namespace

void Fluid::computeForces() {
    if (particleCount == 0) return;
    const float h = supportRadius;
    const float hSq = h * h;

    // Pass 1: density and pressure. Every particle meets itself, so its density is at least its
    // own contribution and 1/density^2 stays finite.
    const float kDensity = kPoly6Numerator / (powRounded(h, 9.0) * kSixtyFourPi);
    for (std::uint32_t i = 0; i < particleCount; ++i) {
        Particle& pi = particles[i];
        float s = 0.0f;
        hash.forEachNeighbour(hash.cellOf(pi.position, hash.invCellSize), [&](const Particle& pj) {
            const Vec4 r = pi.position - pj.position;
            const float q = hSq - lengthSq(r);
            if (q > 0.0f) s = (((q * q) * q) * kDensity) * pi.mass + s;
        });
        pi.density = s;
        pi.invDensitySq = 1.0f / (s * s);
        pi.pressure = (s - params.restDensity) * params.gasStiffness;
    }

    // Pass 2: forces. The cell is found with this pass's own reciprocal of the cell size, which
    // in the vector build is the approximate one.
    const float c = 1.0f / (powRounded(h, 6.0) * kPi);
    const float kPressure = c * kSpikyGradientFactor;
    const float kViscosity = c * kViscosityLaplacianFactor;
    const float reciprocalCellSize = vecReciprocal(hash.cellSize);
    for (std::uint32_t i = 0; i < particleCount; ++i) {
        Particle& pi = particles[i];
        const float ai = pi.invDensitySq * pi.pressure;
        Vec4 pressureSum = zeroVector;
        Vec4 viscositySum = zeroVector;
        hash.forEachNeighbour(hash.cellOf(pi.position, reciprocalCellSize), [&](const Particle& pj) {
            if (&pj == &pi) return;
            const Vec4 r = pi.position - pj.position;
            const float rSq = lengthSq(r);
            if (rSq > hSq) return;
            const float d = std::sqrt(rSq);
            Vec4 gradient;
            if (d > 0.0f) {
                gradient = ((((h - d) * (h - d)) / d) * kPressure) * r;
            } else {
                // Two particles at the same point: push them apart in a random direction.
                const float jx = randomJitter();
                const float jy = randomJitter();
                const float jz = randomJitter();
                gradient = kPressure * Vec4{jx, jy, jz, 0.0f};
            }
            pressureSum = pressureSum + ((pj.invDensitySq * pj.pressure + ai) * pj.mass) * gradient;
            const float laplacian = kViscosity * (h - d);
            viscositySum = viscositySum + (((pj.velocity - pi.velocity) / pj.density) * pj.mass) * laplacian;
        });
        pi.force = ((-pi.density) * pressureSum + params.viscosity * viscositySum) + pi.density * kGravity;
    }
}
