// The example ball-end finishing raster cut on a 0.05 mm grid, as a normal run (every move
// stepped at the grid pitch by the kernel) and as a fast run (whole moves, sampled where the
// whole-move step hands a move back), with its ball end mill and with the example's flat and
// bull end mills in its place. Items are moves. Besides the time, the fast run reports the share
// of moves the whole-move step cut and the largest height difference to the normal run over the
// whole workpiece.
#include "bench_tools.h"
#include "nc/interp.h"
#include "nc/pipeline.h"
#include "shell/nc_links.h"
#include "shell/run.h"
#include "shell/startup.h"
#include "nc/motion.h"
#include "sim/cutting_step.h"
#include "sim/kernel.h"
#include "sim/tools.h"
#include "sim/whole_move.h"
#include "sim/workgrid.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <memory>
#include <vector>

namespace {

using namespace vx;

constexpr double kPitch = 0.05;  // grid pitch and move pitch

const std::string kExamples =
    std::filesystem::path(__FILE__).parent_path().parent_path().string() + "/examples/";

struct Raster {
    std::vector<nc::MoveRecord> moves;
    sim::ToolTable tools;
};

// The moves of examples/raster_ball.nc under the example definitions, interpreted once.
const Raster& raster() {
    static const std::unique_ptr<Raster> made = [] {
        auto r = std::make_unique<Raster>();
        nc::Ctl ctl;
        nc::Mtl mtl;
        nc::Reader reader;
        nc::Interp in;
        nc::load_ctl(kExamples + "zazar.ctl", ctl, kExamples);
        nc::load_mtl(kExamples + "machn.mtl", mtl);
        sim::allocate_tool_tables(r->tools, sim::kDefaultMaxMagazine);
        sim::read_tool_file(r->tools, kExamples + "atc.ttl", {});
        in.ctl = &ctl;
        in.mtl = &mtl;
        in.reader = &reader;
        in.tools = shell::tool_lookup(r->tools);
        nc::reset_interp(in, {0, 0, 100});
        nc::open_main_file(reader, kExamples + "raster_ball.nc");
        while (nc::execute_next_block(in) == 1) r->moves.push_back(in.move);
        nc::close_sources(reader);
        return r;
    }();
    return *made;
}

nc::MoveRecord with_tool(nc::MoveRecord m, int tool) {
    if (tool != 0) m.tool = tool;
    return m;
}

std::unique_ptr<sim::Workpiece> box_workpiece() {
    auto wp = std::make_unique<sim::Workpiece>();
    sim::GridGeometry g;
    sim::size_grid(g, 0, 0, 100, 100, kPitch);
    sim::allocate_workpiece(*wp, g, 4);
    sim::define_uniform_body(*wp, 30.0, 0.0);
    return wp;
}

struct Cutter {
    sim::Workpiece& wp;
    sim::CurrentTool tool;
    sim::Checks checks = bench::bench_checks();
    sim::KernelContext context;
    sim::SweepResult result;
    int whole = 0;  // moves the whole-move step cut

    explicit Cutter(sim::Workpiece& workpiece) : wp(workpiece) {}

    void select(int number) {
        if (number == tool.number) return;
        sim::ProfileOptions o;
        o.for_cutting = true;
        o.pitch = kPitch;
        sim::select_tool(tool, raster().tools, number, o);
    }

    void step_move(const nc::MoveRecord& m, int n, bool recording) {
        const sim::MovePath path = shell::move_path(m);
        Vec3 previous = m.start;
        for (int k = 1; k <= n; ++k) {
            const Vec3 p = sim::step_position(path, k, n);
            sim::SweepStep s;
            s.x = p.x, s.y = p.y, s.z = p.z;
            s.dx = p.x - previous.x, s.dy = p.y - previous.y, s.dz = p.z - previous.z;
            s.run_type = k == 1 ? sim::kRunMoveStart : sim::kRunMoveStep;
            s.step_number = k;
            s.motion = path.motion;
            s.feed = m.feedrate;
            s.line_number = m.line;
            s.recording = recording;
            sim::sweep_at_position(wp, tool, checks, s, context, result);
            previous = p;
        }
    }

    void normal(const nc::MoveRecord& m) {
        select(m.tool);
        step_move(m, sim::step_count(nc::move_length(m), kPitch), true);
    }

    void fast(const nc::MoveRecord& m) {
        select(m.tool);
        sim::WholeMove w;
        w.start[0] = m.start.x, w.start[1] = m.start.y, w.start[2] = m.start.z;
        w.end[0] = m.end.x, w.end[1] = m.end.y, w.end[2] = m.end.z;
        w.motion = m.motion;
        w.centre[0] = m.centre.x, w.centre[1] = m.centre.y;
        w.radius = m.start_radius;
        w.feed = m.feedrate;
        w.line_number = m.line;
        w.ramp_tables = &context.ramp_tables;
        if (sim::whole_move_step(wp, tool, checks, w, result) == 0) {
            ++whole;
            return;
        }
        step_move(m, sim::sampled_step_count(nc::move_length(m), kPitch), false);
    }
};

// The raster cut with `tool` of the example's tool file in place of its ball end mill (0: as
// programmed), every move stepped by the kernel.
void raster_normal(benchmark::State& state, int tool) {
    const Raster& r = raster();
    for (auto _ : state) {
        state.PauseTiming();
        auto wp = box_workpiece();
        Cutter cutter{*wp};
        state.ResumeTiming();
        for (const nc::MoveRecord& m : r.moves) cutter.normal(with_tool(m, tool));
    }
    state.SetItemsProcessed(state.iterations() * std::int64_t(r.moves.size()));
}

// A hash of the height and attribute layers, to tell a change that moves no cell from one that
// does (53 bits, so that the counter's double holds it exactly).
std::uint64_t layer_hash(const sim::Workpiece& wp) {
    std::uint64_t h = 14695981039346656037ull;
    const auto mix = [&](const void* data, std::size_t bytes) {
        const auto* b = static_cast<const unsigned char*>(data);
        for (std::size_t k = 0; k < bytes; ++k) h = (h ^ b[k]) * 1099511628211ull;
    };
    const std::size_t cells = std::size_t(wp.geometry.cell_count);
    mix(wp.height.data, cells * sizeof(float));
    mix(wp.attribute.data, cells);
    return h;
}

// The same as a fast run; besides the time, the share of moves the whole-move step cut and the
// largest height difference to the normal run (untimed) over the whole workpiece.
void raster_fast(benchmark::State& state, int tool) {
    const Raster& r = raster();
    int whole = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto wp = box_workpiece();
        Cutter cutter{*wp};
        state.ResumeTiming();
        for (const nc::MoveRecord& m : r.moves) cutter.fast(with_tool(m, tool));
        whole = cutter.whole;
    }
    state.SetItemsProcessed(state.iterations() * std::int64_t(r.moves.size()));
    state.counters["whole_move_share"] = double(whole) / double(r.moves.size());
    auto fast_wp = box_workpiece();
    Cutter fast{*fast_wp};
    for (const nc::MoveRecord& m : r.moves) fast.fast(with_tool(m, tool));
    auto normal_wp = box_workpiece();
    Cutter normal{*normal_wp};
    for (const nc::MoveRecord& m : r.moves) normal.normal(with_tool(m, tool));
    double worst = 0.0;
    const std::int64_t cells = fast_wp->geometry.cell_count;
    state.counters["cut_hash"] = double(layer_hash(*fast_wp) >> 11);
    for (std::int64_t c = 0; c < cells; ++c)
        worst = std::max(worst, std::fabs(double(fast_wp->height.data[c]) - double(normal_wp->height.data[c])));
    state.counters["max_height_difference_mm"] = worst;
}

// Tools of examples/atc.ttl: T2 flat end mill D6, T5 bull end mill D12 R1.
constexpr int kFlatD6 = 2, kBullD12 = 5;

void BM_Run_RasterNormal(benchmark::State& state) { raster_normal(state, 0); }
void BM_Run_RasterFast(benchmark::State& state) { raster_fast(state, 0); }
void BM_Run_RasterFlatNormal(benchmark::State& state) { raster_normal(state, kFlatD6); }
void BM_Run_RasterFlatFast(benchmark::State& state) { raster_fast(state, kFlatD6); }
void BM_Run_RasterBullNormal(benchmark::State& state) { raster_normal(state, kBullD12); }
void BM_Run_RasterBullFast(benchmark::State& state) { raster_fast(state, kBullD12); }
BENCHMARK(BM_Run_RasterNormal)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_Run_RasterFast)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_Run_RasterFlatNormal)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_Run_RasterFlatFast)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_Run_RasterBullNormal)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_Run_RasterBullFast)->Unit(benchmark::kMillisecond)->Iterations(1);

// ---- The whole batch run ----
// The example's finishing raster as `vornex -X5 raster_ball.nc` runs it in examples/: the
// example settings (0.1 mm grid, bands as threadnc says), definitions and check modes, through
// the run control with everything it does per block. Items are blocks; besides the time it
// reports milliseconds per 1000 blocks and the cells the cutting steps examined per second.
namespace batch {

void set_up(shell::App& app) {
    app.current_dir = app.program_dir = kExamples;
    app.settings_context.current_dir = app.settings_context.program_dir = kExamples;
    app.settings = shell::read_settings(kExamples + "vornex.ini", app.settings_context);
}

void run(benchmark::State& state, int command) {
    const auto app = std::make_unique<shell::App>();
    set_up(*app);
    std::int64_t blocks = 0, cells = 0;
    double seconds = 0;
    for (auto _ : state) {
        state.PauseTiming();
        shell::prepare_program(*app);
        shell::RunContext& ctx = app->run;
        ctx.nc_path = kExamples + "raster_ball.nc";
        const auto t0 = std::chrono::steady_clock::now();
        state.ResumeTiming();
        shell::run_command(ctx, command);
        state.PauseTiming();
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        blocks += ctx.state.blocks;
        cells += ctx.state.cells;
        state.ResumeTiming();
    }
    state.SetItemsProcessed(blocks);
    state.counters["ms_per_1000_blocks"] = blocks ? 1e6 * seconds / double(blocks) : 0.0;
    state.counters["cells_per_s"] = seconds > 0 ? double(cells) / seconds : 0.0;
}

}  // namespace batch

void BM_Run_BatchRaster(benchmark::State& state) { batch::run(state, shell::cmd::kCutAndShow); }
void BM_Run_BatchRasterFast(benchmark::State& state) { batch::run(state, shell::cmd::kFastCutAndShow); }
BENCHMARK(BM_Run_BatchRaster)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Run_BatchRasterFast)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
