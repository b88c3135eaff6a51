// Speed of the simulation step and of its parts, on a pool that has fallen and settled for 300
// steps after a restart with the given number of particles. Built once per arithmetic build.
#include <benchmark/benchmark.h>

#include "fluid/Fluid.h"
#include "fluid/FrameCount.h"
#include "fluid/Integrator.h"
#include "math/CRandom.h"

#include <algorithm>
#include <map>
#include <vector>

namespace {

constexpr int kSettleSteps = 300;

// A settled pool per size, made once: restored before each benchmark so that every benchmark
// of one size starts from the same state without settling again.
struct SettledPool {
    std::vector<Particle> particles;
    std::uint32_t count = 0;
    std::int32_t side = 0;
    std::uint32_t randState = 0;
};

// Restarts the block with n = side^3 particles and lets it settle (or restores that state).
void settledPool(std::int64_t particles) {
    static std::map<std::int64_t, SettledPool> pools;
    if (!fluid.particles && !fluid.init()) std::abort();
    SettledPool& pool = pools[particles];
    if (pool.particles.empty()) {
        std::int32_t side = 1;
        while (side * side * side < particles) ++side;
        blockSide = side;
        fluid.reset();
        frameCount = 0;
        for (int i = 0; i < kSettleSteps; ++i) {
            fluid.step();
            ++frameCount;
        }
        pool.particles.assign(fluid.particles, fluid.particles + Fluid::kMaxParticles);
        pool.count = fluid.particleCount;
        pool.side = blockSide;
        pool.randState = crtRandState();
    }
    std::copy(pool.particles.begin(), pool.particles.end(), fluid.particles);
    fluid.particleCount = pool.count;
    blockSide = pool.side;
    setCrtRandState(pool.randState);
    frameCount = kSettleSteps;
    fluid.hash.build(fluid.particleCount, fluid.particles);
}

void step(benchmark::State& state) {
    settledPool(state.range(0));
    for (auto _ : state) {
        fluid.step();
        ++frameCount;
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void computeForces(benchmark::State& state) {
    settledPool(state.range(0));
    for (auto _ : state) fluid.computeForces();
}

void integrate(benchmark::State& state) {
    settledPool(state.range(0));
    for (auto _ : state) {
        for (std::uint32_t i = 0; i < fluid.particleCount; ++i) fluid.integrator->integrate(fluid.particles[i]);
        benchmark::ClobberMemory();
    }
}

void hashBuild(benchmark::State& state) {
    settledPool(state.range(0));
    for (auto _ : state) fluid.hash.build(fluid.particleCount, fluid.particles);
}

void sizes(benchmark::internal::Benchmark* b) {
    for (int n : {1331, 2744, 4096, 6859, 9261}) b->Arg(n);
    b->Unit(benchmark::kMillisecond);
}

}  // namespace

BENCHMARK(step)->Apply(sizes);
BENCHMARK(computeForces)->Apply(sizes);
BENCHMARK(integrate)->Apply(sizes);
BENCHMARK(hashBuild)->Apply(sizes);

BENCHMARK_MAIN();
