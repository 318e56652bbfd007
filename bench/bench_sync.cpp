// The lockstep barrier between threads standing in for instances; items are barrier passes of
// one instance, so items_per_second bounds the blocks per second a lockstep run can take.
#include "integration/sync.h"

#include <benchmark/benchmark.h>

#include <array>

namespace {

using namespace vx::integration;

std::array<std::uint8_t, kLockstepBytes> g_block{};

void BM_Sync_LockstepPass(benchmark::State& state) {
    if (state.thread_index() == 0) g_block.fill(0);
    const Lockstep me{g_block.data(), state.threads(), state.thread_index()};
    for (auto _ : state) benchmark::DoNotOptimize(lockstep_barrier(me));
    state.SetItemsProcessed(state.iterations());
}
// Every instance must pass the barrier equally often, so the count of passes is fixed.
BENCHMARK(BM_Sync_LockstepPass)->Iterations(20000)->Threads(2)->UseRealTime();
BENCHMARK(BM_Sync_LockstepPass)->Iterations(20000)->Threads(3)->UseRealTime();

}  // namespace
