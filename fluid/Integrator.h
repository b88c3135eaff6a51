// Time integration of one particle, and its only implementation, the leap-frog scheme that also
// keeps particles inside the container and off the obstacle.
#pragma once

#include <cstdint>

#include "fluid/Particle.h"
#include "math/AlignedAlloc.h"

class Integrator : public AlignedNew {
public:
    virtual ~Integrator() = default;
    virtual void initialise(Particle& p) { (void)p; }
    virtual void integrate(Particle& p) = 0;
};

class IntegratorLeapFrog : public Integrator {
public:
    IntegratorLeapFrog(float timeStep, float integratorParameter);

    // Sets acceleration from the force and the half-step velocity half a step before the start.
    void initialise(Particle& p) override;
    // Advances p by one time step, then applies floor, obstacle, z walls and x walls in turn.
    void integrate(Particle& p) override;

    float timeStep;
    float timeStepSq;
    float invTimeStep;
    float invTimeStepSq;
    float integratorParameter;

private:
    // Turns the normal part of velocityHalf for a particle that passed a boundary by depth.
    void respond(Particle& p, float depth, const Vec4& normal) const;
    // The obstacle's centre for the current frameCount and containerOffset. It is the same for
    // every particle of a step, so it is formed once and reused while neither input changes.
    const Vec4& obstacleCenter();

    bool centerKnown_ = false;
    std::uint32_t centerFrame_ = 0;
    Vec4 centerOffset_{};
    Vec4 center_{};
};
