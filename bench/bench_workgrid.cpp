// Whole-grid passes of the height field on a 1000 x 1000 grid; items are cells examined.
#include "sim/workgrid.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

namespace {

using namespace vx::sim;

constexpr int kSide = 1000;
constexpr std::int64_t kCells = std::int64_t{kSide} * kSide;

// A body of top 10 at pitch 0.1 with a wavy surface, so branches on heights are not predictable.
void make_grid(Workpiece& wp) {
    GridGeometry g;
    size_grid(g, 0.0, 0.0, (kSide - 1) * 0.1, (kSide - 1) * 0.1, 0.1);
    allocate_workpiece(wp, g, 1);
    define_uniform_body(wp, 10.0, 0.0);
    for (std::int64_t k = 0; k < kCells; ++k) wp.height.data[k] = 10.0f - float((k * 7919) % 97) * 0.05f;
}

void BM_Grid_VolumeChange(benchmark::State& state) {
    Workpiece wp;
    make_grid(wp);
    take_backup(wp);
    for (std::int64_t k = 0; k < kCells; k += 3) wp.height.data[k] -= 0.5f;
    for (auto _ : state) {
        double volume = 0.0;
        volume_change(wp, &volume);
        benchmark::DoNotOptimize(volume);
    }
    state.SetItemsProcessed(state.iterations() * kCells);
}
BENCHMARK(BM_Grid_VolumeChange);

// Every 37th cell dropped to the floor; the drops are put back between iterations, untimed.
void BM_Grid_PitFilter(benchmark::State& state) {
    Workpiece wp;
    make_grid(wp);
    std::vector<float> pitted(wp.height.data, wp.height.data + kCells);
    for (std::int64_t k = 0; k < kCells; k += 37) pitted[k] = 0.0f;
    for (auto _ : state) {
        state.PauseTiming();
        std::copy(pitted.begin(), pitted.end(), wp.height.data);
        state.ResumeTiming();
        pit_filter(wp, 0.0);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kCells);
}
BENCHMARK(BM_Grid_PitFilter);

// Adds a model that stands above about half of the cells; the workpiece is put back untimed.
void BM_Grid_MergeApply(benchmark::State& state) {
    Workpiece wp;
    make_grid(wp);
    calculate_z_values(wp, ZTarget::Merge, [](const GridGeometry&, float* h, double) {
        for (std::int64_t k = 0; k < kCells; ++k) h[k] = 8.0f + float(k % 5);
        return 1;
    });
    const std::vector<float> original(wp.height.data, wp.height.data + kCells);
    for (auto _ : state) {
        state.PauseTiming();
        std::copy(original.begin(), original.end(), wp.height.data);
        state.ResumeTiming();
        apply_merge_model(wp, 1);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kCells);
}
BENCHMARK(BM_Grid_MergeApply);

}  // namespace
