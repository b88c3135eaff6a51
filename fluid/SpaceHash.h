// Uniform grid of cubic cells, edge = the support radius, around the origin. Each cell holds a
// list of its particles through their own next links, so building it allocates nothing.
#pragma once

#include <cstdint>

#include "fluid/CellOrder.h"
#include "fluid/HashCell.h"
#include "fluid/Particle.h"
#include "math/Precision.h"
#include "math/Vec4.h"

class alignas(16) SpaceHash {
public:
    static constexpr std::uint32_t kCellCount = 16 * 9261; // 148176

    SpaceHash();
    virtual ~SpaceHash();
    SpaceHash(const SpaceHash&) = delete;
    SpaceHash& operator=(const SpaceHash&) = delete;

    // Creates the cell array from supportRadius. False when it cannot be allocated.
    bool init();
    // Clears every cell and inserts the first count particles, in storage order, at list heads.
    // Only the cells filled by the previous build can be non-empty, so only those are cleared.
    void build(std::uint32_t count, Particle* particles);

    // Cell of a position scaled by the given reciprocal cell size, each coordinate clamped to
    // 0..side-1 so that a particle thrown out of the grid box never leaves the array.
    CellCoord cellOf(const Vec4& position, float reciprocalCellSize) const {
        const Vec4 scaled = (position + cornerOffset) * reciprocalCellSize;
#if FLUID_SIMD
        const __m128i t = _mm_cvttps_epi32(load(scaled));
        CellCoord c{_mm_cvtsi128_si32(t), _mm_cvtsi128_si32(_mm_shuffle_epi32(t, 0x55)),
                    _mm_cvtsi128_si32(_mm_shuffle_epi32(t, 0xAA))};
#else
        CellCoord c{truncToInt(scaled.x), truncToInt(scaled.y), truncToInt(scaled.z)};
#endif
        return {clampToGrid(c.x), clampToGrid(c.y), clampToGrid(c.z)};
    }
    std::int32_t clampToGrid(std::int32_t v) const { return v < 0 ? 0 : (v >= side ? side - 1 : v); }
    std::int32_t cellIndex(CellCoord c) const { return (c.z * side + c.y) * side + c.x; }
    bool contains(std::int32_t x, std::int32_t y, std::int32_t z) const {
        return x >= 0 && x < side && y >= 0 && y < side && z >= 0 && z < side;
    }

    std::uint32_t cellCount = 0;
    std::int32_t side = 0;
    float cellSize = 0.0f;
    float invCellSize = 0.0f;
    Vec4 center;
    Vec4 cornerOffset;
    HashCell* cells = nullptr;

    // The particles numbered in cell order, with the arrays the force passes gather into.
    CellOrder order;
};

// Prefetch hints for a whole 128-byte record, four 32-byte lines. A null record gives hints that
// fetch nothing; the address is formed as an integer so no null pointer arithmetic happens.
inline void prefetchRecord(const void* record) {
    auto base = reinterpret_cast<std::uintptr_t>(record);
    _mm_prefetch(reinterpret_cast<const char*>(base), _MM_HINT_T0);
    _mm_prefetch(reinterpret_cast<const char*>(base + 32), _MM_HINT_T0);
    _mm_prefetch(reinterpret_cast<const char*>(base + 64), _MM_HINT_T0);
    _mm_prefetch(reinterpret_cast<const char*>(base + 96), _MM_HINT_T0);
}

