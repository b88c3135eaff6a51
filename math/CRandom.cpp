#include "math/CRandom.h"

namespace {
std::uint32_t randState = kRandStartState;
}

int crtRand() {
    randState = randState * 214013u + 2531011u;
    return static_cast<int>((randState >> 16) & 0x7FFFu);
}

std::uint32_t crtRandState() { return randState; }

void setCrtRandState(std::uint32_t state) { randState = state; }
