// The straightforward force evaluation, kept as the oracle for the fast one: every particle
// follows the cell lists of the 27 cells around it, link by link, and sums as it goes.
#pragma once

#include "fluid/Fluid.h"

namespace reference {

// Calls visit(j) for every particle in the 27 cells around c: layers z, rows y, cells x, each in
// ascending order, each list from its head; cells outside the grid are skipped.
template <typename Visit>
void forEachNeighbour(const SpaceHash& hash, CellCoord c, Visit&& visit) {
    for (std::int32_t z = c.z - 1; z <= c.z + 1; ++z) {
        for (std::int32_t y = c.y - 1; y <= c.y + 1; ++y) {
            for (std::int32_t x = c.x - 1; x <= c.x + 1; ++x) {
                if (!hash.contains(x, y, z)) continue;
                for (const Particle* p = hash.cells[hash.cellIndex({x, y, z})].head; p; p = p->next) visit(*p);
            }
        }
    }
}

// Densities, pressures and forces of fluid's live particles, one link at a time.
void computeForces(Fluid& fluid);

}  // namespace reference
