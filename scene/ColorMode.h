// The colouring of the particles, chosen anew every frame from the C and X keys.
#pragma once

#include <cstdint>

enum ColorMode : std::int32_t {
    kColorDensityTint = 0, // shades of blue from density and speed
    kColorVelocity = 1,    // red, green, blue from the velocity's components
    kColorDensityGrey = 2, // a grey level from the density
};

extern ColorMode colorMode;

// Mode 0 unless a key is held: C gives 1, X gives 2, and X wins when both are held.
void chooseColorModeFromKeys();
