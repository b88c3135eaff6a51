// The never-seeded pseudo-random generator of the C runtime, written out so that every platform
// draws the same sequence: state = state * 214013 + 2531011 (mod 2^32), result bits 16 to 30.
// One generator is shared by the block's lattice jitter and the coincident-particle jitter.
#pragma once

#include <cstdint>

inline constexpr std::uint32_t kRandStartState = 1;
inline constexpr int kRandMax = 0x7FFF;

// Next value, 0 to 32767.
int crtRand();

// The generator's 32-bit state, for traces and tests.
std::uint32_t crtRandState();
void setCrtRandState(std::uint32_t state);

// One draw turned into a displacement in [-1e-4, 1e-4]: (r * 2/32767 - 1) * 1e-4, in single
// precision in that order.
inline float randomJitter() {
    return (static_cast<float>(crtRand() & kRandMax) * 6.103702e-05f - 1.0f) * 1e-4f;
}
