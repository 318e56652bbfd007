// The whole-move step against the kernel stepping it replaces: one 20 mm move (line, ramp down
// 1.5 mm, half circle, or half turn of a helix down 1.5 mm) of a 6 mm end mill on a 0.05 mm
// grid, or a short arc (30 degrees of a 40 mm radius, level) on a grid that holds its whole
// circle, the kernel called at every move pitch (= grid pitch) along it with direction
// recording off as in the fast runs. The grid is restored, untimed, before every move, so each
// move cuts fresh material. Items are moves; the cells counter is cells examined per move.
#include "sim/kernel.h"
#include "sim/whole_move.h"
#include "bench_tools.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

namespace {

using namespace vx::sim;

constexpr double kPitch = 0.05;
constexpr int kSide = 601;  // 30 mm square
constexpr int kCircleSide = 1801;  // 90 mm square: the short arc's whole circle with the tool
constexpr double kTop = 10.0;
constexpr double kLength = 20.0;

enum class Path { AlongX, Diagonal, RampXZ, RampDiagonal, Arc, Helix, ShortArc };

constexpr double kShortArcRadius = 40.0;
constexpr double kShortArcSweep = M_PI / 6.0;

int side_of(Path path) { return path == Path::ShortArc ? kCircleSide : kSide; }
bool is_arc(Path path) { return path == Path::Arc || path == Path::Helix || path == Path::ShortArc; }
double sweep_of(Path path) { return path == Path::ShortArc ? kShortArcSweep : M_PI; }

std::unique_ptr<Workpiece> make_grid(int side) {
    auto wp = std::make_unique<Workpiece>();
    GridGeometry g;
    size_grid(g, 0.0, 0.0, (side - 1) * kPitch, (side - 1) * kPitch, kPitch);
    allocate_workpiece(*wp, g, 1);
    define_uniform_body(*wp, kTop, -100.0);
    wp->highest = kTop;
    return wp;
}

CurrentTool make_tool(int type) {
    return vx::bench::bench_tool(type, 6.0, type == kToolBall ? 3.0 : type == kToolBull ? 1.0 : 0.0, kPitch);
}

WholeMove make_move(Path path) {
    WholeMove m;
    const double c = (side_of(path) - 1) * kPitch / 2, h = kLength / 2, d = kLength / 2 / std::sqrt(2.0);
    const bool along_x = path == Path::AlongX || path == Path::RampXZ;
    m.start[0] = along_x ? c - h : c - d;
    m.start[1] = along_x ? c : c - d;
    m.end[0] = along_x ? c + h : c + d;
    m.end[1] = along_x ? c : c + d;
    const bool ramp = path == Path::RampXZ || path == Path::RampDiagonal;
    m.start[2] = ramp ? kTop - 0.5 : kTop - 2.0;
    m.end[2] = kTop - 2.0;
    m.motion = kMotionLinear;
    if (path == Path::Arc || path == Path::Helix) {  // a half circle of 20 mm length about the middle
        const double radius = kLength / M_PI;
        m.motion = kMotionArcCcw;
        m.centre[0] = m.centre[1] = c;
        m.radius = radius;
        m.start[0] = c + radius, m.start[1] = c;
        m.end[0] = c - radius, m.end[1] = c;
        m.start[2] = path == Path::Helix ? kTop - 0.5 : kTop - 2.0;
        m.end[2] = kTop - 2.0;
    }
    if (path == Path::ShortArc) {
        m.motion = kMotionArcCcw;
        m.centre[0] = m.centre[1] = c;
        m.radius = kShortArcRadius;
        m.start[0] = c + kShortArcRadius, m.start[1] = c;
        m.end[0] = c + kShortArcRadius * std::cos(kShortArcSweep), m.end[1] = c + kShortArcRadius * std::sin(kShortArcSweep);
        m.start[2] = m.end[2] = kTop - 2.0;
    }
    m.feed = 1000;
    m.run_type = kRunMoveStep;
    return m;
}

struct Fixture {
    std::unique_ptr<Workpiece> wp;
    std::vector<float> fresh;
    explicit Fixture(Path path)
        : wp(make_grid(side_of(path))), fresh(wp->height.data, wp->height.data + wp->geometry.cell_count) {}
    void restore() { std::memcpy(wp->height.data, fresh.data(), fresh.size() * sizeof(float)); }
};

void run_whole(benchmark::State& state, int type, Path path) {
    Fixture f(path);
    const CurrentTool tool = make_tool(type);
    const WholeMove m = make_move(path);
    SweepResult r;
    std::int64_t cells = 0;
    for (auto _ : state) {
        state.PauseTiming();
        f.restore();
        state.ResumeTiming();
        if (whole_move_step(*f.wp, tool, vx::bench::bench_checks(), m, r) != 0) state.SkipWithError("handed back");
        cells += r.cells_examined;
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["cells"] = double(cells) / double(state.iterations());
}

void run_kernel(benchmark::State& state, int type, Path path) {
    Fixture f(path);
    const CurrentTool tool = make_tool(type);
    const WholeMove m = make_move(path);
    const double dx = m.end[0] - m.start[0], dy = m.end[1] - m.start[1], dz = m.end[2] - m.start[2];
    const bool arc = is_arc(path);
    const double length = arc ? m.radius * sweep_of(path) : std::sqrt(dx * dx + dy * dy + dz * dz);
    const int n = std::max(1, int(std::ceil(length / kPitch)));
    KernelContext context;
    SweepResult r;
    std::int64_t cells = 0;
    for (auto _ : state) {
        state.PauseTiming();
        f.restore();
        state.ResumeTiming();
        for (int k = 1; k <= n; ++k) {
            SweepStep s;
            s.x = m.start[0] + dx * k / n, s.y = m.start[1] + dy * k / n, s.z = m.start[2] + dz * k / n;
            if (arc) {
                s.x = m.centre[0] + m.radius * std::cos(sweep_of(path) * k / n);
                s.y = m.centre[1] + m.radius * std::sin(sweep_of(path) * k / n);
                s.motion = kMotionArcCcw;
            }
            s.dx = dx / n, s.dy = dy / n, s.dz = dz / n;
            s.run_type = kRunMoveStep;
            s.step_number = k;
            s.recording = false;
            sweep_at_position(*f.wp, tool, vx::bench::bench_checks(), s, context, r);
            cells += r.cells_examined;
        }
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["cells"] = double(cells) / double(state.iterations());
}

void BM_WholeMove_BallAlongX(benchmark::State& s) { run_whole(s, kToolBall, Path::AlongX); }
void BM_WholeMove_BallAlongXKernel(benchmark::State& s) { run_kernel(s, kToolBall, Path::AlongX); }
void BM_WholeMove_BallDiagonal(benchmark::State& s) { run_whole(s, kToolBall, Path::Diagonal); }
void BM_WholeMove_BallDiagonalKernel(benchmark::State& s) { run_kernel(s, kToolBall, Path::Diagonal); }
void BM_WholeMove_BallRampXZ(benchmark::State& s) { run_whole(s, kToolBall, Path::RampXZ); }
void BM_WholeMove_BallRampXZKernel(benchmark::State& s) { run_kernel(s, kToolBall, Path::RampXZ); }
void BM_WholeMove_BallRampDiagonal(benchmark::State& s) { run_whole(s, kToolBall, Path::RampDiagonal); }
void BM_WholeMove_BallRampDiagonalKernel(benchmark::State& s) { run_kernel(s, kToolBall, Path::RampDiagonal); }
void BM_WholeMove_BallArc(benchmark::State& s) { run_whole(s, kToolBall, Path::Arc); }
void BM_WholeMove_BallArcKernel(benchmark::State& s) { run_kernel(s, kToolBall, Path::Arc); }
void BM_WholeMove_BallHelix(benchmark::State& s) { run_whole(s, kToolBall, Path::Helix); }
void BM_WholeMove_BallHelixKernel(benchmark::State& s) { run_kernel(s, kToolBall, Path::Helix); }
void BM_WholeMove_FlatHelix(benchmark::State& s) { run_whole(s, kToolFlat, Path::Helix); }
void BM_WholeMove_FlatHelixKernel(benchmark::State& s) { run_kernel(s, kToolFlat, Path::Helix); }
void BM_WholeMove_BullHelix(benchmark::State& s) { run_whole(s, kToolBull, Path::Helix); }
void BM_WholeMove_BullHelixKernel(benchmark::State& s) { run_kernel(s, kToolBull, Path::Helix); }
void BM_WholeMove_BallShortArc(benchmark::State& s) { run_whole(s, kToolBall, Path::ShortArc); }
void BM_WholeMove_BallShortArcKernel(benchmark::State& s) { run_kernel(s, kToolBall, Path::ShortArc); }
void BM_WholeMove_FlatShortArc(benchmark::State& s) { run_whole(s, kToolFlat, Path::ShortArc); }
void BM_WholeMove_FlatShortArcKernel(benchmark::State& s) { run_kernel(s, kToolFlat, Path::ShortArc); }
void BM_WholeMove_FlatRampDiagonal(benchmark::State& s) { run_whole(s, kToolFlat, Path::RampDiagonal); }
void BM_WholeMove_FlatRampDiagonalKernel(benchmark::State& s) { run_kernel(s, kToolFlat, Path::RampDiagonal); }
void BM_WholeMove_BullRampDiagonal(benchmark::State& s) { run_whole(s, kToolBull, Path::RampDiagonal); }
void BM_WholeMove_BullRampDiagonalKernel(benchmark::State& s) { run_kernel(s, kToolBull, Path::RampDiagonal); }

// ---- A large move on the parallel bands ----
// A 30 mm ball end mill ramping 40 mm diagonally down 2 mm on an 80 mm grid of 0.05 mm: about a
// million cells in its band. Wall time; 1 runs the move on the calling thread alone, n > 1 on a
// pool of n bands (the pool takes it: its cells are far above the hand-over threshold).
void BM_WholeMove_Ball30RampBands(benchmark::State& state) {
    constexpr int kLargeSide = 1601;
    auto wp = std::make_unique<Workpiece>();
    GridGeometry g;
    size_grid(g, 0.0, 0.0, (kLargeSide - 1) * kPitch, (kLargeSide - 1) * kPitch, kPitch);
    allocate_workpiece(*wp, g, 1);
    define_uniform_body(*wp, kTop, -100.0);
    wp->highest = kTop;
    const std::vector<float> fresh(wp->height.data, wp->height.data + wp->geometry.cell_count);
    const CurrentTool tool = vx::bench::bench_tool(kToolBall, 30.0, 15.0, kPitch);
    WholeMove m;
    m.start[0] = m.start[1] = 20.0, m.start[2] = kTop - 1.0;
    m.end[0] = m.end[1] = 20.0 + 40.0 / std::sqrt(2.0), m.end[2] = kTop - 3.0;
    m.feed = 1000;
    m.run_type = kRunMoveStep;
    BandPool pool;
    const int bands = int(state.range(0));
    if (bands > 1) {
        start_workers(pool, bands);
        m.pool = &pool;
    }
    SweepResult r;
    for (auto _ : state) {
        state.PauseTiming();
        std::memcpy(wp->height.data, fresh.data(), fresh.size() * sizeof(float));
        state.ResumeTiming();
        if (whole_move_step(*wp, tool, vx::bench::bench_checks(), m, r) != 0) state.SkipWithError("handed back");
    }
    end_workers(pool);
    state.SetItemsProcessed(state.iterations());
    state.counters["cells"] = double(r.cells_examined);
}
BENCHMARK(BM_WholeMove_Ball30RampBands)->Arg(1)->Arg(2)->UseRealTime()->Unit(benchmark::kMillisecond);

BENCHMARK(BM_WholeMove_BallAlongX)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WholeMove_BallAlongXKernel)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WholeMove_BallDiagonal)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WholeMove_BallDiagonalKernel)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WholeMove_BallRampXZ)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WholeMove_BallRampXZKernel)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WholeMove_BallRampDiagonal)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WholeMove_BallRampDiagonalKernel)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WholeMove_BallArc)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WholeMove_BallArcKernel)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WholeMove_BallHelix)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WholeMove_BallHelixKernel)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WholeMove_FlatHelix)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WholeMove_FlatHelixKernel)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WholeMove_BullHelix)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WholeMove_BullHelixKernel)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WholeMove_BallShortArc)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WholeMove_BallShortArcKernel)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WholeMove_FlatShortArc)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WholeMove_FlatShortArcKernel)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WholeMove_FlatRampDiagonal)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WholeMove_FlatRampDiagonalKernel)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WholeMove_BullRampDiagonal)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WholeMove_BullRampDiagonalKernel)->Unit(benchmark::kMicrosecond);

}  // namespace
