// A cell-ordered view of the spatial hash for the force passes. Every build numbers the live
// particles in "slots": cells ascending, and within a cell in the order of its list (descending
// storage index). A row of three neighbouring cells along x is then one contiguous run of slots,
// and the fields the passes read are gathered into compact arrays in slot order, so a neighbour
// walk reads consecutive memory instead of following links through scattered records. The
// particles met and their order are exactly those of the cell lists.
#pragma once

#include <cstdint>

#include "fluid/HashCell.h"
#include "fluid/Particle.h"

// Integer coordinates of a grid cell.
struct CellCoord {
    std::int32_t x, y, z;
};

class CellOrder {
public:
    // Extra slots past the last particle, so that four-wide reads at the end of a run stay in
    // the arrays.
    static constexpr std::uint32_t kPadding = 4;

    CellOrder() = default;
    ~CellOrder();
    CellOrder(const CellOrder&) = delete;
    CellOrder& operator=(const CellOrder&) = delete;

    // Allocates the tables for cellCount cells and up to maxParticles particles.
    bool init(std::uint32_t cellCount, std::uint32_t maxParticles);

    // Forgets the cells of the previous build; called before the particles are inserted.
    void clearOccupied(HashCell* cells);
    // Marks a cell as holding particles; called for every insertion.
    void markOccupied(std::uint32_t cell) { occupancy[cell >> 6] |= std::uint64_t{1} << (cell & 63); }
    // Numbers the particles of the occupied cells in slot order, from the cells' lists.
    void assignSlots(const HashCell* cells, const Particle* particles);

    // Slots [begin, end) of the cells first..last (consecutive indices of one row).
    void rowRun(std::int32_t first, std::int32_t last, std::uint32_t& begin, std::uint32_t& end) const {
        begin = end = 0;
        bool found = false;
        for (std::int32_t c = first; c <= last; ++c) {
            const std::uint32_t run = cellRun[c];
            const std::uint32_t n = run >> 16;
            if (n == 0) continue;
            if (!found) begin = run & 0xFFFF;
            found = true;
            end = (run & 0xFFFF) + n;
        }
    }

    std::uint32_t slotCount = 0;
    std::uint32_t* slotParticle = nullptr; // slot -> storage index
    std::uint32_t* particleSlot = nullptr; // storage index -> slot
    // Per cell: first slot in the low 16 bits, number of particles in the high 16 bits.
    std::uint32_t* cellRun = nullptr;

    // Fields gathered in slot order by the force passes.
    float* x = nullptr;
    float* y = nullptr;
    float* z = nullptr;
    float* vx = nullptr;
    float* vy = nullptr;
    float* vz = nullptr;
    float* mass = nullptr;
    float* pressureTerm = nullptr; // invDensitySq * pressure
    float* invDensity = nullptr;   // the build's reciprocal of density
    // Storage indices of particles whose force walk met a coincident neighbour; finished one at
    // a time in storage order so that they draw from the shared generator in the serial order.
    std::uint32_t* deferred = nullptr;

    // Neighbour lists of the force passes: for each slot, the slots within reach in walk order,
    // kept from pass 1 for pass 2. listStart[k] is the first entry of slot k's list, or kNoList
    // when the shared store was full and the list is found again where needed.
    static constexpr std::uint32_t kListEntriesPerParticle = 64;
    static constexpr std::uint32_t kNoList = 0xFFFFFFFFu;
    std::uint32_t listCapacity = 0;
    std::uint32_t* listEntries = nullptr;
    std::uint32_t* listStart = nullptr;
    std::uint32_t* listLength = nullptr;
    CellCoord* listCell = nullptr; // the cell whose neighbourhood the list was made from
    // Room for one list of any length per thread, for particles without a kept list.
    std::uint32_t* scratchList[2] = {nullptr, nullptr};

private:
    std::uint32_t wordCount_ = 0;
    std::uint64_t* occupancy = nullptr;       // one bit per cell
    std::uint32_t* occupiedCells = nullptr;   // cells holding particles, ascending
    std::uint32_t occupiedCount_ = 0;
    void* block_ = nullptr;
};
