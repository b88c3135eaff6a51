// A replacement of the global operator new that counts its calls, so that a program can prove
// that a step or a frame allocates nothing. Linking the fluid_counting_new object library into
// a program installs it.
#pragma once

#include <cstdint>

// Calls of the global operator new since the program started.
std::uint64_t globalNewCount();
