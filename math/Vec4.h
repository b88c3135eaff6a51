// Vec4: four single-precision floats, 16-byte aligned. Positions, velocities and forces use x, y
// and z; w carries no meaning and no operation reads it.
//
// Two arithmetic builds share this one interface, chosen at compile time by FLUID_SIMD:
//  - FLUID_SIMD=1: four lanes at a time with SSE2, and a Vec4 divided by a scalar is multiplied by
//    the processor's approximate reciprocal (rcpss, relative error at most 1.5 * 2^-12);
//  - FLUID_SIMD=0: one value at a time, exact reciprocals, x, y and z only (w is written as 0).
// Every operation rounds to single precision and products are formed in the order written, so
// the build must not contract multiply-adds (-ffp-contract=off).
#pragma once

#include <cstdint>

#include <emmintrin.h>
#include <xmmintrin.h>

#ifndef FLUID_SIMD
#error "FLUID_SIMD must be defined to 0 or 1 by the build"
#endif

struct alignas(16) Vec4 {
    float x, y, z, w;
};
static_assert(sizeof(Vec4) == 16 && alignof(Vec4) == 16);

// True in the build that does the vector arithmetic four lanes at a time.
inline constexpr bool kVectorBuild = FLUID_SIMD != 0;

// Reciprocal used wherever a Vec4 is divided by a scalar.
inline float vecReciprocal(float s) {
#if FLUID_SIMD
    return _mm_cvtss_f32(_mm_rcp_ss(_mm_set_ss(s)));
#else
    return 1.0f / s;
#endif
}

#if FLUID_SIMD

inline __m128 load(const Vec4& v) { return _mm_load_ps(&v.x); }
inline Vec4 store(__m128 m) {
    Vec4 v;
    _mm_store_ps(&v.x, m);
    return v;
}

inline Vec4 operator+(const Vec4& a, const Vec4& b) { return store(_mm_add_ps(load(a), load(b))); }
inline Vec4 operator-(const Vec4& a, const Vec4& b) { return store(_mm_sub_ps(load(a), load(b))); }
inline Vec4 operator*(const Vec4& a, float s) { return store(_mm_mul_ps(load(a), _mm_set1_ps(s))); }
inline Vec4 operator*(float s, const Vec4& a) { return store(_mm_mul_ps(_mm_set1_ps(s), load(a))); }

// Sum of the three products, (x*x' + y*y') + z*z'.
inline float dot(const Vec4& a, const Vec4& b) {
    __m128 p = _mm_mul_ps(load(a), load(b));
    __m128 xy = _mm_add_ss(p, _mm_shuffle_ps(p, p, _MM_SHUFFLE(1, 1, 1, 1)));
    return _mm_cvtss_f32(_mm_add_ss(xy, _mm_shuffle_ps(p, p, _MM_SHUFFLE(2, 2, 2, 2))));
}

#else

inline Vec4 operator+(const Vec4& a, const Vec4& b) { return {a.x + b.x, a.y + b.y, a.z + b.z, 0.0f}; }
inline Vec4 operator-(const Vec4& a, const Vec4& b) { return {a.x - b.x, a.y - b.y, a.z - b.z, 0.0f}; }
inline Vec4 operator*(const Vec4& a, float s) { return {a.x * s, a.y * s, a.z * s, 0.0f}; }
inline Vec4 operator*(float s, const Vec4& a) { return {s * a.x, s * a.y, s * a.z, 0.0f}; }

inline float dot(const Vec4& a, const Vec4& b) { return (a.x * b.x + a.y * b.y) + a.z * b.z; }

#endif

// A Vec4 divided by a scalar: multiplied by that scalar's reciprocal (approximate in the vector
// build), never divided lane by lane.
inline Vec4 operator/(const Vec4& a, float s) { return a * vecReciprocal(s); }

inline Vec4& operator+=(Vec4& a, const Vec4& b) { return a = a + b; }
inline Vec4& operator-=(Vec4& a, const Vec4& b) { return a = a - b; }

inline float lengthSq(const Vec4& v) { return dot(v, v); }
