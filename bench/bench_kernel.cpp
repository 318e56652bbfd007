// The sweep kernel on a 0.1 mm grid: single-thread throughput for flat and ball end mills in a
// plunge, a step along X (band mode) and a diagonal step; the fast kernel against the direct
// reference on the same calls; 1 against 2 bands for a 30 mm tool, and for growing tools (the
// hand-over threshold). Items are cells examined.
#include "sim/bands.h"
#include "sim/kernel.h"
#include "bench_tools.h"

// The direct reference of the tests, timed on the same calls.
#include "../tests/sim/kernel_reference.cpp"

#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>

namespace {

using namespace vx::sim;

constexpr double kPitch = 0.1;
constexpr double kTop = 10.0;
constexpr double kDepth = 2.0;       // cut depth of the stepping benchmarks
constexpr double kPlungeStep = 0.001;  // every plunge call lowers the tool by this

enum class Path { Plunge, AlongX, Diagonal };

std::unique_ptr<Workpiece> make_grid(int side) {
    auto wp = std::make_unique<Workpiece>();
    GridGeometry g;
    size_grid(g, 0.0, 0.0, (side - 1) * kPitch, (side - 1) * kPitch, kPitch);
    allocate_workpiece(*wp, g, 1);
    define_uniform_body(*wp, kTop, -100.0);
    wp->highest = kTop;
    return wp;
}

CurrentTool make_tool(int type, double d) {
    return vx::bench::bench_tool(type, d, type == kToolBall ? d / 2 : 0.0, kPitch);
}

// Walks the tool over the grid so that every call meets fresh material; the grid is restored,
// untimed, when the path has used it up.
struct Walker {
    Path path;
    double radius, side_mm;
    SweepStep step;
    double lane = 0;

    Walker(Path p, double r, int side) : path(p), radius(r), side_mm((side - 1) * kPitch) { restart(); }

    void restart() {
        lane = radius + 1.0;
        step = SweepStep{};
        step.x = radius + 1.0;
        step.y = lane;
        step.z = path == Path::Plunge ? kTop - kPlungeStep : kTop - kDepth;
    }

    // False when the grid must be restored first.
    bool next() {
        step.run_type = kRunMoveStep;
        step.step_number = 2;
        if (path == Path::Plunge) {
            step.dx = step.dy = 0;
            step.dz = -kPlungeStep;
            step.z -= kPlungeStep;
            return step.z > kTop - 20.0;
        }
        const double d = path == Path::AlongX ? kPitch : kPitch * 0.7071;
        step.dx = d;
        step.dy = path == Path::AlongX ? 0.0 : d;
        step.x += step.dx;
        step.y += step.dy;
        if (step.x + radius < side_mm - 1.0 && step.y + radius < side_mm - 1.0) return true;
        lane += 2.0 * radius + 1.0;
        if (lane + radius > side_mm - 1.0) return false;
        step.x = radius + 1.0;
        step.y = lane - (path == Path::Diagonal ? 2.0 * radius : 0.0);
        if (step.y < radius + 1.0) step.y = lane;
        return true;
    }
};

void restore(benchmark::State& state, Workpiece& wp, Walker& walker) {
    state.PauseTiming();
    define_uniform_body(wp, kTop, -100.0);
    wp.highest = kTop;
    walker.restart();
    state.ResumeTiming();
}

void run_kernel(benchmark::State& state, int type, double d, Path path, BandPool* pool, int side) {
    auto wp = make_grid(side);
    const CurrentTool tool = make_tool(type, d);
    KernelContext context;
    context.pool = pool;
    SweepResult result;
    Walker walker(path, d / 2, side);
    std::int64_t cells = 0;
    for (auto _ : state) {
        if (!walker.next()) restore(state, *wp, walker);
        sweep_at_position(*wp, tool, vx::bench::bench_checks(), walker.step, context, result);
        cells += result.cells_examined;
        benchmark::DoNotOptimize(result.volume);
    }
    state.SetItemsProcessed(cells);
}

// ---- Single thread, 10 mm tools ----

void BM_Kernel_Flat10_Plunge(benchmark::State& s) { run_kernel(s, kToolFlat, 10, Path::Plunge, nullptr, 1000); }
void BM_Kernel_Flat10_AlongX(benchmark::State& s) { run_kernel(s, kToolFlat, 10, Path::AlongX, nullptr, 1000); }
void BM_Kernel_Flat10_Diagonal(benchmark::State& s) { run_kernel(s, kToolFlat, 10, Path::Diagonal, nullptr, 1000); }
void BM_Kernel_Ball10_Plunge(benchmark::State& s) { run_kernel(s, kToolBall, 10, Path::Plunge, nullptr, 1000); }
void BM_Kernel_Ball10_AlongX(benchmark::State& s) { run_kernel(s, kToolBall, 10, Path::AlongX, nullptr, 1000); }
void BM_Kernel_Ball10_Diagonal(benchmark::State& s) { run_kernel(s, kToolBall, 10, Path::Diagonal, nullptr, 1000); }
BENCHMARK(BM_Kernel_Flat10_Plunge);
BENCHMARK(BM_Kernel_Flat10_AlongX);
BENCHMARK(BM_Kernel_Flat10_Diagonal);
BENCHMARK(BM_Kernel_Ball10_Plunge);
BENCHMARK(BM_Kernel_Ball10_AlongX);
BENCHMARK(BM_Kernel_Ball10_Diagonal);

// ---- Fast kernel against the reference, same calls on a 25.6 mm grid ----
// Items are the cells the fast kernel examines in both, so items/s compare directly.

void run_pair(benchmark::State& state, Path path, bool reference) {
    constexpr int kSide = 256;
    auto wp = make_grid(kSide);
    auto shadow = make_grid(kSide);  // the fast kernel's view, for the item count of the reference
    const CurrentTool tool = make_tool(kToolFlat, 10);
    KernelContext context;
    SweepResult result, counted;
    Walker walker(path, 5.0, kSide);
    std::int64_t cells = 0;
    for (auto _ : state) {
        if (!walker.next()) {
            restore(state, *wp, walker);
            define_uniform_body(*shadow, kTop, -100.0);
            shadow->highest = kTop;
        }
        if (reference) {
            vx::sim::testing::reference_sweep(*wp, tool, vx::bench::bench_checks(), walker.step, result);
            state.PauseTiming();
            sweep_at_position(*shadow, tool, vx::bench::bench_checks(), walker.step, context, counted);
            cells += counted.cells_examined;
            state.ResumeTiming();
        } else {
            sweep_at_position(*wp, tool, vx::bench::bench_checks(), walker.step, context, result);
            cells += result.cells_examined;
        }
        benchmark::DoNotOptimize(result.volume);
    }
    state.SetItemsProcessed(cells);
}

void BM_Kernel_Pair_Plunge_Fast(benchmark::State& s) { run_pair(s, Path::Plunge, false); }
void BM_Kernel_Pair_Plunge_Reference(benchmark::State& s) { run_pair(s, Path::Plunge, true); }
void BM_Kernel_Pair_AlongX_Fast(benchmark::State& s) { run_pair(s, Path::AlongX, false); }
void BM_Kernel_Pair_AlongX_Reference(benchmark::State& s) { run_pair(s, Path::AlongX, true); }
BENCHMARK(BM_Kernel_Pair_Plunge_Fast);
BENCHMARK(BM_Kernel_Pair_Plunge_Reference);
BENCHMARK(BM_Kernel_Pair_AlongX_Fast);
BENCHMARK(BM_Kernel_Pair_AlongX_Reference);

// ---- Bands, 30 mm flat end mill ----
// Argument: band count (0 = no bands, the plain single-thread path).

void BM_Kernel_Flat30_Bands_Plunge(benchmark::State& s) {
    BandPool pool;
    const int bands = int(s.range(0));
    if (bands > 0) start_workers(pool, bands);
    run_kernel(s, kToolFlat, 30, Path::Plunge, bands > 0 ? &pool : nullptr, 1000);
}
void BM_Kernel_Flat30_Bands_Diagonal(benchmark::State& s) {
    BandPool pool;
    const int bands = int(s.range(0));
    if (bands > 0) start_workers(pool, bands);
    run_kernel(s, kToolFlat, 30, Path::Diagonal, bands > 0 ? &pool : nullptr, 1000);
}
void BM_Kernel_Ball30_Bands_Diagonal(benchmark::State& s) {
    BandPool pool;
    const int bands = int(s.range(0));
    if (bands > 0) start_workers(pool, bands);
    run_kernel(s, kToolBall, 30, Path::Diagonal, bands > 0 ? &pool : nullptr, 1000);
}
BENCHMARK(BM_Kernel_Flat30_Bands_Plunge)->Arg(0)->Arg(1)->Arg(2)->UseRealTime();
BENCHMARK(BM_Kernel_Ball30_Bands_Diagonal)->Arg(0)->Arg(1)->Arg(2)->UseRealTime();
BENCHMARK(BM_Kernel_Flat30_Bands_Diagonal)->Arg(0)->Arg(1)->Arg(2)->UseRealTime();

// ---- The hand-over threshold ----
// Diagonal steps of flat end mills of growing diameter on one band and on two, every call
// handed over whatever its size: where two bands start to win is kBandMinCells. Arguments:
// diameter (mm), band count. Items are cells examined.

void BM_Kernel_Bands_Size(benchmark::State& s) {
    BandPool pool;
    start_workers(pool, int(s.range(1)));
    pool.min_cells = 0;
    run_kernel(s, kToolFlat, double(s.range(0)), Path::Diagonal, &pool, 1000);
}
BENCHMARK(BM_Kernel_Bands_Size)->ArgsProduct({{6, 10, 14, 20, 30}, {1, 2}})->UseRealTime();

// The hand-over alone: two bands over rows whose work is nothing, wall time per call (wake the
// worker, run the empty own band, wait for the worker). Argument: microseconds between calls,
// during which the worker may have gone to sleep.
void no_work(void*, int, std::int32_t, std::int32_t) {}

void BM_Bands_HandOver(benchmark::State& s) {
    BandPool pool;
    start_workers(pool, 2);
    const auto pause = std::chrono::microseconds(s.range(0));
    for (auto _ : s) {
        run_bands(pool, 0, 99, no_work, nullptr);
        s.PauseTiming();
        const auto until = std::chrono::steady_clock::now() + pause;
        while (std::chrono::steady_clock::now() < until) {
        }
        s.ResumeTiming();
    }
}
BENCHMARK(BM_Bands_HandOver)->Arg(0)->Arg(20)->Arg(200)->UseRealTime();

}  // namespace
