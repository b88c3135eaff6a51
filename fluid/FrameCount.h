// Number of completed frames; the step of a frame sees the value before that frame's increment.
#pragma once

#include <cstdint>

extern std::uint32_t frameCount;
