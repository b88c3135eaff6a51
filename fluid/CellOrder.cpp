#include "fluid/CellOrder.h"

#include <cstring>
#include <initializer_list>

#include "math/AlignedAlloc.h"

namespace {
std::uint32_t keptListEntries(std::uint32_t maxParticles) { return maxParticles * CellOrder::kListEntriesPerParticle; }

// Rounds a byte count up to whole 64-byte lines so every array starts on its own line.
std::size_t lines(std::size_t bytes) { return (bytes + 63) & ~std::size_t{63}; }
}  // namespace

CellOrder::~CellOrder() {
    alignedFree(block_);
    block_ = nullptr;
}

bool CellOrder::init(std::uint32_t cellCount, std::uint32_t maxParticles) {
    // Slot numbers and counts are kept in 16 bits each.
    if (maxParticles > 0xFFFF) return false;
    const std::size_t slots = maxParticles + kPadding;
    const std::size_t words = (cellCount + 63) / 64;
    const std::size_t floatArray = lines(slots * sizeof(float));
    const std::size_t bytes = 2 * lines(slots * sizeof(std::uint32_t)) + lines(cellCount * sizeof(std::uint32_t)) +
                              9 * floatArray + lines(words * sizeof(std::uint64_t)) +
                              2 * lines(maxParticles * sizeof(std::uint32_t)) +
                              lines(keptListEntries(maxParticles) * sizeof(std::uint32_t)) +
                              2 * lines(slots * sizeof(std::uint32_t)) + lines(slots * sizeof(CellCoord)) +
                              2 * lines((slots + kPadding) * sizeof(std::uint32_t));
    // One block, 64-byte aligned within the 16-byte aligned allocation.
    void* memory = alignedAlloc(bytes + 64);
    if (!memory) return false;
    std::memset(memory, 0, bytes + 64);
    block_ = memory;
    auto* at = reinterpret_cast<unsigned char*>((reinterpret_cast<std::uintptr_t>(memory) + 63) & ~std::uintptr_t{63});
    auto take = [&at](std::size_t size) {
        void* p = at;
        at += lines(size);
        return p;
    };
    slotParticle = static_cast<std::uint32_t*>(take(slots * sizeof(std::uint32_t)));
    particleSlot = static_cast<std::uint32_t*>(take(slots * sizeof(std::uint32_t)));
    cellRun = static_cast<std::uint32_t*>(take(cellCount * sizeof(std::uint32_t)));
    for (float** array : {&x, &y, &z, &vx, &vy, &vz, &mass, &pressureTerm, &invDensity})
        *array = static_cast<float*>(take(slots * sizeof(float)));
    occupancy = static_cast<std::uint64_t*>(take(words * sizeof(std::uint64_t)));
    occupiedCells = static_cast<std::uint32_t*>(take(maxParticles * sizeof(std::uint32_t)));
    deferred = static_cast<std::uint32_t*>(take(maxParticles * sizeof(std::uint32_t)));
    listCapacity = keptListEntries(maxParticles);
    listEntries = static_cast<std::uint32_t*>(take(listCapacity * sizeof(std::uint32_t)));
    listStart = static_cast<std::uint32_t*>(take(slots * sizeof(std::uint32_t)));
    listLength = static_cast<std::uint32_t*>(take(slots * sizeof(std::uint32_t)));
    listCell = static_cast<CellCoord*>(take(slots * sizeof(CellCoord)));
    for (std::uint32_t*& scratch : scratchList)
        scratch = static_cast<std::uint32_t*>(take((slots + kPadding) * sizeof(std::uint32_t)));
    wordCount_ = static_cast<std::uint32_t>(words);
    return true;
}

void CellOrder::clearOccupied(HashCell* cells) {
    for (std::uint32_t k = 0; k < occupiedCount_; ++k) {
        const std::uint32_t c = occupiedCells[k];
        cells[c].head = nullptr;
        cells[c].count = 0;
        cellRun[c] = 0;
    }
    occupiedCount_ = 0;
    slotCount = 0;
}

void CellOrder::assignSlots(const HashCell* cells, const Particle* particles) {
    std::uint32_t slot = 0;
    for (std::uint32_t w = 0; w < wordCount_; ++w) {
        std::uint64_t bits = occupancy[w];
        if (bits == 0) continue;
        occupancy[w] = 0;
        while (bits) {
            const std::uint32_t c = w * 64 + static_cast<std::uint32_t>(__builtin_ctzll(bits));
            bits &= bits - 1;
            const std::uint32_t first = slot;
            for (const Particle* p = cells[c].head; p; p = p->next) {
                const auto i = static_cast<std::uint32_t>(p - particles);
                slotParticle[slot] = i;
                particleSlot[i] = slot;
                ++slot;
            }
            cellRun[c] = first | ((slot - first) << 16);
            occupiedCells[occupiedCount_++] = c;
        }
    }
    slotCount = slot;
}
