// Speed of the simulation step and of its parts, on a pool that has fallen and settled for 300
// steps after a restart with the given number of particles. Built once per arithmetic build.
#include <benchmark/benchmark.h>

#include "fluid/Fluid.h"
#include "fluid/FrameCount.h"
#include "fluid/Integrator.h"

namespace {

constexpr int kSettleSteps = 300;

// Restarts the block with n = side^3 particles and lets it settle.
void settledPool(std::int64_t particles) {
    if (!fluid.particles && !fluid.init()) std::abort();
    std::int32_t side = 1;
    while (side * side * side < particles) ++side;
    blockSide = side;
    fluid.reset();
    frameCount = 0;
    for (int i = 0; i < kSettleSteps; ++i) {
        fluid.step();
        ++frameCount;
    }
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
