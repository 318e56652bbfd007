// The workpiece offset along the normal on a cut 1000 x 1000 grid at 0.1 mm, a 0.5 mm stamp (81
// points per cell), in one band and in two (adapting to a busy machine, and forced); items are
// cells offset.
#include "platform/platform.h"
#include "sim/workgrid.h"
#include "work/operations.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <vector>

namespace {

using namespace vx;

constexpr int kSide = 1000;
constexpr std::int64_t kCells = std::int64_t{kSide} * kSide;
constexpr double kPitch = 0.1;
constexpr double kOffset = 0.5;

// A cut surface: gentle waves, so that the stamp's maxima fall on different neighbours.
void make_cut_grid(sim::Workpiece& wp) {
    sim::GridGeometry g;
    sim::size_grid(g, 0.0, 0.0, (kSide - 1) * kPitch, (kSide - 1) * kPitch, kPitch);
    sim::allocate_workpiece(wp, g, 4);  // no backup: the timing is the offset's alone
    sim::define_uniform_body(wp, 10.0, 0.0);
    for (std::int64_t k = 0; k < kCells; ++k)
        wp.height.data[k] = float(8.0 + std::sin(double(k % kSide) * 0.05) + std::cos(double(k / kSide) * 0.03));
    wp.modification_state = sim::kModified;
}

void BM_Ops_OffsetNormal(benchmark::State& state) {
    sim::Workpiece wp;
    make_cut_grid(wp);
    const std::vector<float> cut(wp.height.data, wp.height.data + kCells);
    work::OffsetOptions options;
    options.direction = work::kOffsetNormal;
    options.value = kOffset;
    options.threads = static_cast<int>(state.range(0));
    options.yield_when_busy = state.range(1) != 0;
    options.show_progress = false;
    for (auto _ : state) {
        state.PauseTiming();
        std::copy(cut.begin(), cut.end(), wp.height.data);
        state.ResumeTiming();
        benchmark::DoNotOptimize(work::offset_workpiece(wp, options));
    }
    state.SetItemsProcessed(state.iterations() * kCells);
}
// Arguments: bands, and whether two bands fall back to one while every processor is busy.
BENCHMARK(BM_Ops_OffsetNormal)->Args({1, 1})->Args({2, 1})->Args({2, 0})->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
