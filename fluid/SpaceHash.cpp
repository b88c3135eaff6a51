#include "fluid/SpaceHash.h"

#include <new>

#include "fluid/Fluid.h"
#include "math/AlignedAlloc.h"

SpaceHash::SpaceHash() : center{0, 0, 0, 0}, cornerOffset{0, 0, 0, 0} {}

SpaceHash::~SpaceHash() {
    if (cells) {
        alignedFree(cells);
        cells = nullptr;
    }
}

bool SpaceHash::init() {
    void* memory = alignedAlloc(sizeof(HashCell) * kCellCount);
    if (!memory) {
        cells = nullptr;
        return false;
    }
    if (!order.init(kCellCount, Fluid::kMaxParticles)) {
        alignedFree(memory);
        cells = nullptr;
        return false;
    }
    cells = static_cast<HashCell*>(memory);
    for (std::uint32_t i = 0; i < kCellCount; ++i) new (&cells[i]) HashCell();
    cellCount = kCellCount;
    cellSize = supportRadius;
    invCellSize = 1.0f / supportRadius;
    // The cube root of 148176 is 52.92; truncated, the grid is 52 cells a side.
    side = static_cast<std::int32_t>(std::pow(static_cast<double>(kCellCount), kOneThirdSingle));
    center = zeroVector;
    const float half = static_cast<float>(side / 2) * cellSize;
    cornerOffset = Vec4{half, half, half, 0.0f} - center;
    return true;
}

void SpaceHash::build(std::uint32_t count, Particle* particles) {
    order.clearOccupied(cells);
    for (std::uint32_t i = 0; i < count; ++i) {
        Particle& p = particles[i];
        const std::int32_t index = cellIndex(cellOf(p.position, invCellSize));
        HashCell& cell = cells[index];
        p.next = cell.head;
        p.cell = &cell;
        cell.head = &p;
        order.markOccupied(static_cast<std::uint32_t>(index));
    }
    order.assignSlots(cells, particles);
}
