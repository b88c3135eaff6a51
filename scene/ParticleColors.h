// The three colourings of a particle, as packed ARGB colours.
#pragma once

#include <cstdint>

#include "math/Vec4.h"
#include "scene/ColorMode.h"

// A value as a colour channel: truncated toward zero, 255 at most, negative values 0. A value
// that is not a number or lies outside the signed 32-bit range gives 0.
std::int32_t channel(float value);

// Mode 0: blue shades, darker where the fluid is dense and slow.
std::uint32_t densityTintColor(float density, const Vec4& velocity);
// Mode 1: each velocity component mapped to a channel around the mid level.
std::uint32_t velocityColor(const Vec4& velocity);
// Mode 2: a grey level from the density.
std::uint32_t densityGreyColor(float density);

// The colour of the mode; values other than 1 and 2 colour as mode 0.
std::uint32_t particleColor(ColorMode mode, float density, const Vec4& velocity);
