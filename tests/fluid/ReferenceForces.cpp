#include "ReferenceForces.h"

#include <cmath>

#include "math/CRandom.h"
#include "math/Precision.h"

void reference::computeForces(Fluid& fluid) {
    if (fluid.particleCount == 0) return;
    const SpaceHash& hash = fluid.hash;
    const float h = supportRadius;
    const float hSq = h * h;

    const float kDensity = 315.0f / (powRounded(h, 9.0) * 201.06194f);
    for (std::uint32_t i = 0; i < fluid.particleCount; ++i) {
        Particle& pi = fluid.particles[i];
        float s = 0.0f;
        forEachNeighbour(hash, hash.cellOf(pi.position, hash.invCellSize), [&](const Particle& pj) {
            const float q = hSq - lengthSq(pi.position - pj.position);
            if (q > 0.0f) s = (((q * q) * q) * kDensity) * pi.mass + s;
        });
        pi.density = s;
        pi.invDensitySq = 1.0f / (s * s);
        pi.pressure = (s - fluid.params.restDensity) * fluid.params.gasStiffness;
    }

    const float c = 1.0f / (powRounded(h, 6.0) * 3.1415927f);
    const float kPressure = c * -45.0f;
    const float kViscosity = c * 45.0f;
    const float reciprocalCellSize = vecReciprocal(hash.cellSize);
    const Vec4 gravity{0.0f, -9.82f, 0.0f, 0.0f};
    for (std::uint32_t i = 0; i < fluid.particleCount; ++i) {
        Particle& pi = fluid.particles[i];
        const float ai = pi.invDensitySq * pi.pressure;
        Vec4 pressureSum = zeroVector;
        Vec4 viscositySum = zeroVector;
        forEachNeighbour(hash, hash.cellOf(pi.position, reciprocalCellSize), [&](const Particle& pj) {
            if (&pj == &pi) return;
            const Vec4 r = pi.position - pj.position;
            const float rSq = lengthSq(r);
            if (rSq > hSq) return;
            const float d = std::sqrt(rSq);
            Vec4 gradient;
            if (d > 0.0f) {
                gradient = ((((h - d) * (h - d)) / d) * kPressure) * r;
            } else {
                const float jx = randomJitter();
                const float jy = randomJitter();
                const float jz = randomJitter();
                gradient = kPressure * Vec4{jx, jy, jz, 0.0f};
            }
            pressureSum = pressureSum + ((pj.invDensitySq * pj.pressure + ai) * pj.mass) * gradient;
            viscositySum = viscositySum + (((pj.velocity - pi.velocity) / pj.density) * pj.mass) * (kViscosity * (h - d));
        });
        pi.force = ((-pi.density) * pressureSum + fluid.params.viscosity * viscositySum) + pi.density * gravity;
    }
}
