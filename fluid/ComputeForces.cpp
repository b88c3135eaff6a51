// SPH evaluation: pass 1 gives every particle its density, 1/density^2 and pressure with the
// poly6 kernel; pass 2 its force per unit volume from the spiky kernel's gradient (pressure), the
// viscosity kernel's Laplacian and gravity. Neighbours come only from the spatial hash.
//
// Each particle meets the particles of the 27 cells around its own, layer by layer (z), row by
// row (y), cell by cell (x), each cell's particles in descending storage order, and adds their
// contributions in exactly that order. The walk reads the hash's cell-ordered copy, in which a
// row of three cells is one contiguous run. It goes in two steps: a filter keeps, in walk order,
// the candidates within reach (r^2 not beyond h^2); then the terms of those are formed and
// added one by one. The list made in pass 1 serves pass 2 as well when the particle's pass-2
// cell is the same. In the vector build the filter tests four candidates at once.
#include <algorithm>
#include <cmath>

#include "fluid/Fluid.h"
#include "math/CRandom.h"
#include "math/Precision.h"

namespace {
constexpr float kPoly6Numerator = 315.0f;
constexpr float kSixtyFourPi = 201.06194f;
constexpr float kPi = 3.1415927f;
constexpr float kSpikyGradientFactor = -45.0f;
constexpr float kViscosityLaplacianFactor = 45.0f;
constexpr float kGravityY = -9.82f;

struct Kernel {
    float h;
    float hSq;
    float density;   // poly6 coefficient
    float pressure;  // spiky gradient coefficient
    float viscosity; // viscosity Laplacian coefficient
};

// The runs of slots holding the 27 cells around a cell: one run per row of three cells, rows in
// walk order, rows outside the grid left out.
struct Neighbourhood {
    std::uint32_t begin[9];
    std::uint32_t end[9];
    int rows = 0;
    std::uint32_t candidates = 0;
};

void findNeighbourhood(const SpaceHash& hash, CellCoord c, Neighbourhood& n) {
    n.rows = 0;
    n.candidates = 0;
    const std::int32_t x0 = std::max(c.x - 1, 0);
    const std::int32_t x1 = std::min(c.x + 1, hash.side - 1);
    for (std::int32_t z = c.z - 1; z <= c.z + 1; ++z) {
        if (z < 0 || z >= hash.side) continue;
        for (std::int32_t y = c.y - 1; y <= c.y + 1; ++y) {
            if (y < 0 || y >= hash.side) continue;
            const std::int32_t first = hash.cellIndex({x0, y, z});
            std::uint32_t b, e;
            hash.order.rowRun(first, first + (x1 - x0), b, e);
            if (b == e) continue;
            n.begin[n.rows] = b;
            n.end[n.rows] = e;
            n.candidates += e - b;
            ++n.rows;
        }
    }
}

bool sameCell(CellCoord a, CellCoord b) { return a.x == b.x && a.y == b.y && a.z == b.z; }

// Writes to out, in walk order, the slots of the neighbourhood whose squared distance from
// (x, y, z) is not beyond h^2 (the subject itself included); returns how many. out needs room
// for n.candidates + 4 entries.
#if FLUID_SIMD

struct LanePack {
    alignas(16) std::int32_t offset[16][4];
    std::uint32_t count[16];
    constexpr LanePack() : offset{}, count{} {
        for (int bits = 0; bits < 16; ++bits) {
            int n = 0;
            for (int lane = 0; lane < 4; ++lane)
                if (bits & (1 << lane)) offset[bits][n++] = lane;
            count[bits] = static_cast<std::uint32_t>(n);
        }
    }
};
constexpr LanePack kLanePack;

std::uint32_t withinReach(const CellOrder& o, const Neighbourhood& n, float x, float y, float z, float hSq,
                          std::uint32_t* out) {
    const __m128 xi = _mm_set1_ps(x), yi = _mm_set1_ps(y), zi = _mm_set1_ps(z), reach = _mm_set1_ps(hSq);
    const __m128i laneIndex = _mm_setr_epi32(0, 1, 2, 3);
    std::uint32_t count = 0;
    for (int row = 0; row < n.rows; ++row) {
        const __m128i end = _mm_set1_epi32(static_cast<int>(n.end[row]));
        for (std::uint32_t j = n.begin[row]; j < n.end[row]; j += 4) {
            const __m128 dx = _mm_sub_ps(xi, _mm_loadu_ps(o.x + j));
            const __m128 dy = _mm_sub_ps(yi, _mm_loadu_ps(o.y + j));
            const __m128 dz = _mm_sub_ps(zi, _mm_loadu_ps(o.z + j));
            const __m128 rSq = _mm_add_ps(_mm_add_ps(_mm_mul_ps(dx, dx), _mm_mul_ps(dy, dy)), _mm_mul_ps(dz, dz));
            const __m128i slots = _mm_add_epi32(_mm_set1_epi32(static_cast<int>(j)), laneIndex);
            const __m128 inRun = _mm_castsi128_ps(_mm_cmplt_epi32(slots, end));
            const int bits = _mm_movemask_ps(_mm_and_ps(_mm_cmpngt_ps(rSq, reach), inRun));
            const __m128i packed = _mm_add_epi32(_mm_set1_epi32(static_cast<int>(j)),
                                                 _mm_load_si128(reinterpret_cast<const __m128i*>(kLanePack.offset[bits])));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + count), packed);
            count += kLanePack.count[bits];
        }
    }
    return count;
}

#else

std::uint32_t withinReach(const CellOrder& o, const Neighbourhood& n, float x, float y, float z, float hSq,
                          std::uint32_t* out) {
    std::uint32_t count = 0;
    for (int row = 0; row < n.rows; ++row) {
        for (std::uint32_t j = n.begin[row]; j < n.end[row]; ++j) {
            const float dx = x - o.x[j];
            const float dy = y - o.y[j];
            const float dz = z - o.z[j];
            const float rSq = (dx * dx + dy * dy) + dz * dz;
            out[count] = j;
            count += !(rSq > hSq);
        }
    }
    return count;
}

#endif

// The particle being summed for, as the walk needs it.
struct Subject {
    std::uint32_t slot;
    float x, y, z;
    float vx, vy, vz;
    float mass;
    float pressureTerm; // p_i / rho_i^2
};

Subject subjectAt(const CellOrder& o, std::uint32_t slot) {
    return Subject{slot, o.x[slot], o.y[slot], o.z[slot], o.vx[slot], o.vy[slot], o.vz[slot], o.mass[slot], 0.0f};
}

// Density from the listed neighbours: the poly6 term of every one strictly inside h.
float densitySum(const CellOrder& o, const std::uint32_t* list, std::uint32_t length, const Subject& s,
                 const Kernel& k) {
    float sum = 0.0f;
    for (std::uint32_t e = 0; e < length; ++e) {
        const std::uint32_t j = list[e];
        const float dx = s.x - o.x[j];
        const float dy = s.y - o.y[j];
        const float dz = s.z - o.z[j];
        const float q = k.hSq - ((dx * dx + dy * dy) + dz * dz);
        if (q > 0.0f) sum = (((q * q) * q) * k.density) * s.mass + sum;
    }
    return sum;
}

// Running sums of the pressure and viscosity terms.
struct ForceSums {
    float px = 0.0f, py = 0.0f, pz = 0.0f;
    float vx = 0.0f, vy = 0.0f, vz = 0.0f;
};

// Pressure and viscosity sums over the listed neighbours, the subject itself skipped. A
// coincident neighbour (distance not positive) pushes along a random direction drawn from the
// shared generator; with drawJitter false the sums stop there and false is returned, leaving
// the particle to be finished in storage order.
template <bool drawJitter>
bool forceSums(const CellOrder& o, const std::uint32_t* list, std::uint32_t length, const Subject& s,
               const Kernel& k, ForceSums& f) {
    for (std::uint32_t e = 0; e < length; ++e) {
        const std::uint32_t j = list[e];
        if (j == s.slot) continue;
        const float dx = s.x - o.x[j];
        const float dy = s.y - o.y[j];
        const float dz = s.z - o.z[j];
        const float d = std::sqrt((dx * dx + dy * dy) + dz * dz);
        float gx, gy, gz;
        if (d > 0.0f) {
            const float g = (((k.h - d) * (k.h - d)) / d) * k.pressure;
            gx = g * dx;
            gy = g * dy;
            gz = g * dz;
        } else {
            if (!drawJitter) return false;
            const float jx = randomJitter();
            const float jy = randomJitter();
            const float jz = randomJitter();
            gx = k.pressure * jx;
            gy = k.pressure * jy;
            gz = k.pressure * jz;
        }
        const float w = (o.pressureTerm[j] + s.pressureTerm) * o.mass[j];
        f.px = f.px + w * gx;
        f.py = f.py + w * gy;
        f.pz = f.pz + w * gz;
        const float laplacian = k.viscosity * (k.h - d);
        const float scale = o.invDensity[j];
        const float mj = o.mass[j];
        f.vx = f.vx + (((o.vx[j] - s.vx) * scale) * mj) * laplacian;
        f.vy = f.vy + (((o.vy[j] - s.vy) * scale) * mj) * laplacian;
        f.vz = f.vz + (((o.vz[j] - s.vz) * scale) * mj) * laplacian;
    }
    return true;
}

// force = (-rho) P + mu V + rho g, added as whole vectors.
void storeForce(Particle& p, const ForceSums& f, float viscosity) {
    const float rho = p.density;
    const float negRho = -rho;
    p.force.x = (negRho * f.px + viscosity * f.vx) + rho * 0.0f;
    p.force.y = (negRho * f.py + viscosity * f.vy) + rho * kGravityY;
    p.force.z = (negRho * f.pz + viscosity * f.vz) + rho * 0.0f;
}

// One call's shared state, split into two halves of the slots that run on two threads.
struct ForcePass {
    Fluid* fluid;
    Kernel kernel;
    std::uint32_t count;
    float reciprocalCellSize; // pass 2's own reciprocal of the cell size
    std::uint32_t deferredCount[2];

    std::uint32_t sliceBegin(unsigned part) const { return part == 0 ? 0 : count / 2; }
    std::uint32_t sliceEnd(unsigned part) const { return part == 0 ? count / 2 : count; }
};

// Pass 1 over one half of the slots: density and pressure. Every particle meets itself, so its
// density is at least its own contribution and 1/density^2 stays finite. Particles of one cell
// share their walk. Each half keeps its lists in its own half of the list store.
void densityPass(void* context, unsigned part) {
    ForcePass& pass = *static_cast<ForcePass*>(context);
    Fluid& fluid = *pass.fluid;
    const SpaceHash& hash = fluid.hash;
    CellOrder& o = fluid.hash.order;
    const Kernel& kernel = pass.kernel;
    const std::uint32_t storeHalf = o.listCapacity / 2;
    std::uint32_t used = part * storeHalf;
    const std::uint32_t storeEnd = used + storeHalf;
    std::uint32_t* scratch = o.scratchList[part];
    Neighbourhood neighbourhood;
    CellCoord current{-1, -1, -1};
    for (std::uint32_t k = pass.sliceBegin(part); k < pass.sliceEnd(part); ++k) {
        Particle& p = fluid.particles[o.slotParticle[k]];
        const CellCoord cell = hash.cellOf(p.position, hash.invCellSize);
        if (!sameCell(cell, current)) {
            findNeighbourhood(hash, cell, neighbourhood);
            current = cell;
        }
        const Subject subject = subjectAt(o, k);
        std::uint32_t* list = scratch;
        o.listStart[k] = CellOrder::kNoList;
        if (used + neighbourhood.candidates + CellOrder::kPadding <= storeEnd) {
            list = o.listEntries + used;
            o.listStart[k] = used;
        }
        const std::uint32_t length = withinReach(o, neighbourhood, subject.x, subject.y, subject.z, kernel.hSq, list);
        if (o.listStart[k] != CellOrder::kNoList) used += length;
        o.listLength[k] = length;
        o.listCell[k] = cell;

        const float s = densitySum(o, list, length, subject, kernel);
        p.density = s;
        p.invDensitySq = 1.0f / (s * s);
        p.pressure = (s - fluid.params.restDensity) * fluid.params.gasStiffness;
        o.pressureTerm[k] = p.invDensitySq * p.pressure;
        o.invDensity[k] = vecReciprocal(p.density);
    }
}

// The neighbour list of slot k for pass 2: pass 1's, unless the particle's pass-2 cell differs
// or the list was not kept, when it is made again in scratch.
const std::uint32_t* forceList(const ForcePass& pass, std::uint32_t k, std::uint32_t* scratch, std::uint32_t& length) {
    const SpaceHash& hash = pass.fluid->hash;
    const CellOrder& o = hash.order;
    const CellCoord cell = hash.cellOf(pass.fluid->particles[o.slotParticle[k]].position, pass.reciprocalCellSize);
    if (o.listStart[k] != CellOrder::kNoList && sameCell(cell, o.listCell[k])) {
        length = o.listLength[k];
        return o.listEntries + o.listStart[k];
    }
    Neighbourhood neighbourhood;
    findNeighbourhood(hash, cell, neighbourhood);
    length = withinReach(o, neighbourhood, o.x[k], o.y[k], o.z[k], pass.kernel.hSq, scratch);
    return scratch;
}

// Pass 2 over one half of the slots: forces. Particles that meet a coincident neighbour are set
// aside in the half's share of the deferred list.
void forcePass(void* context, unsigned part) {
    ForcePass& pass = *static_cast<ForcePass*>(context);
    Fluid& fluid = *pass.fluid;
    CellOrder& o = fluid.hash.order;
    std::uint32_t* deferred = o.deferred + pass.sliceBegin(part);
    std::uint32_t deferredCount = 0;
    for (std::uint32_t k = pass.sliceBegin(part); k < pass.sliceEnd(part); ++k) {
        const std::uint32_t i = o.slotParticle[k];
        std::uint32_t length;
        const std::uint32_t* list = forceList(pass, k, o.scratchList[part], length);
        Subject subject = subjectAt(o, k);
        subject.pressureTerm = o.pressureTerm[k];
        ForceSums sums;
        if (forceSums<false>(o, list, length, subject, pass.kernel, sums)) {
            storeForce(fluid.particles[i], sums, fluid.params.viscosity);
        } else {
            deferred[deferredCount++] = i;
        }
    }
    pass.deferredCount[part] = deferredCount;
}

}  // namespace

void Fluid::computeForces() {
    if (particleCount == 0) return;
    CellOrder& o = hash.order;
    // The passes walk the hash left by the last build; one made for another count is renewed.
    if (o.slotCount != particleCount) hash.build(particleCount, particles);

    const std::uint32_t n = particleCount;
    // The records are read in cell order, so fetch a few ahead, the whole 128 bytes of each.
    constexpr std::uint32_t kPrefetchDistance = 8;
    for (std::uint32_t k = 0; k < n; ++k) {
        if (k + kPrefetchDistance < n) prefetchRecord(&particles[o.slotParticle[k + kPrefetchDistance]]);
        const Particle& p = particles[o.slotParticle[k]];
        o.x[k] = p.position.x;
        o.y[k] = p.position.y;
        o.z[k] = p.position.z;
        o.vx[k] = p.velocity.x;
        o.vy[k] = p.velocity.y;
        o.vz[k] = p.velocity.z;
        o.mass[k] = p.mass;
    }

    const float h = supportRadius;
    ForcePass pass{this, Kernel{h, h * h, kPoly6Numerator / (powRounded(h, 9.0) * kSixtyFourPi), 0.0f, 0.0f}, n,
                   vecReciprocal(hash.cellSize), {0, 0}};
    const float c = 1.0f / (powRounded(h, 6.0) * kPi);
    pass.kernel.pressure = c * kSpikyGradientFactor;
    pass.kernel.viscosity = c * kViscosityLaplacianFactor;

    // Pass 2 reads the pass-1 results of neighbours in either half, so it starts only after
    // both halves of pass 1 are done. Each particle's sums depend on nothing but its own walk.
    forceWorker.runSplit(densityPass, &pass);
    forceWorker.runSplit(forcePass, &pass);

    // Particles with a coincident neighbour draw jitter from the shared generator: finish them
    // one at a time in storage order, each drawing in walk order, as a serial pass would.
    std::uint32_t deferredCount = pass.deferredCount[0];
    std::copy(o.deferred + pass.sliceBegin(1), o.deferred + pass.sliceBegin(1) + pass.deferredCount[1],
              o.deferred + deferredCount);
    deferredCount += pass.deferredCount[1];
    std::sort(o.deferred, o.deferred + deferredCount);
    for (std::uint32_t d = 0; d < deferredCount; ++d) {
        const std::uint32_t i = o.deferred[d];
        const std::uint32_t k = o.particleSlot[i];
        std::uint32_t length;
        const std::uint32_t* list = forceList(pass, k, o.scratchList[0], length);
        Subject subject = subjectAt(o, k);
        subject.pressureTerm = o.pressureTerm[k];
        ForceSums sums;
        forceSums<true>(o, list, length, subject, pass.kernel, sums);
        storeForce(particles[i], sums, params.viscosity);
    }
}
