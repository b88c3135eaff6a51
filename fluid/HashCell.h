// One cell of the spatial hash: the head of a list threaded through the particles' next links.
#pragma once

#include <cstdint>

struct Particle;

struct HashCell {
    Particle* head = nullptr;
    std::uint32_t count = 0; // cleared on every build; nothing counts with it
};
