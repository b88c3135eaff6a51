// The library routines of the simulation, pinned to one reading so that every implementation gets
// the same floats: powers and sines in double precision rounded to single, conversions to
// integers truncating toward zero.
#pragma once

#include <cmath>
#include <cstdint>

#include <emmintrin.h>

// pow in double precision, rounded to float.
inline float powRounded(float x, double e) { return static_cast<float>(std::pow(static_cast<double>(x), e)); }

// One third in single precision widened to double (0.3333333432674408).
inline constexpr double kOneThirdSingle = static_cast<double>(1.0f / 3.0f);

// sin and cos of a float argument in double precision, rounded to float before further use.
inline float sinRounded(float a) { return static_cast<float>(std::sin(static_cast<double>(a))); }
inline float cosRounded(float a) { return static_cast<float>(std::cos(static_cast<double>(a))); }

// Float to 32-bit integer, truncating toward zero. Values out of range (and NaN) give INT32_MIN,
// as the processor's truncating conversion does, instead of undefined behaviour.
inline std::int32_t truncToInt(float v) { return _mm_cvttss_si32(_mm_set_ss(v)); }
