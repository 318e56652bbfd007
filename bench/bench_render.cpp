// The full redraw of a cut 1000 x 1000 grid into a 1920 x 1080 view: through a sink that only
// counts (the cost of projection lookup, shading, colouring, ordering and batching), and into
// the real surface (everything a redraw costs); items are pixels of the view.
#include "shell/view_options.h"
#include "view/display.h"
#include "view/render.h"
#include "view/surface_sink.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>

namespace {

using namespace vx;

constexpr int kSide = 1000;
constexpr int kWidth = 1920, kHeight = 1080;

// Grooves of a ball end mill 2 mm wide every 2.5 mm along X at pitch 0.1, cut with pens 1..7 in
// turn, up- and down-cut on alternate sides, paint on every fifth groove; flat top between them.
void make_cut_grid(sim::Workpiece& wp) {
    sim::GridGeometry g;
    sim::size_grid(g, 0.0, 0.0, (kSide - 1) * 0.1, (kSide - 1) * 0.1, 0.1);
    sim::allocate_workpiece(wp, g, 1);
    sim::define_uniform_body(wp, 10.0, 0.0);
    for (int j = 0; j < kSide; ++j)
        for (int i = 0; i < kSide; ++i) {
            const int groove = j / 25;
            const double u = (j % 25 - 12) * 0.1;  // mm from the groove's centre line
            const std::int64_t c = std::int64_t{j} * kSide + i;
            if (std::abs(u) < 1.0) {
                wp.height.data[c] = float(10.0 - 0.5 - std::sqrt(1.0 - u * u) + 0.5 * (i % 200) / 200.0);
                const std::uint8_t direction = u < 0 ? sim::kCutUp : sim::kCutDown;
                wp.attribute.data[c] = std::uint8_t(sim::kPenCode[std::size_t(1 + groove % 7)] |
                                                    direction << sim::kCutDirectionShift | (groove % 5 == 0));
            }
        }
    wp.highest = 10.0;
    wp.modification_state = sim::kModified;
}

struct Counter {
    std::int64_t polygons = 0, points = 0, calls = 0;
    static void fill(void* c, const std::int32_t*, const std::int32_t* counts, int n, std::uint32_t) {
        auto& k = *static_cast<Counter*>(c);
        ++k.calls;
        k.polygons += n;
        for (int p = 0; p < n; ++p) k.points += counts[p];
    }
};

// The central view at A `angle_a` (315 unless given), B 45 fitted to the grid, projected.
view::ViewState fitted_view(sim::Workpiece& wp, bool full_detail, double angle_a = 315.0) {
    view::ViewState v;
    v.perspective = true;
    view::set_angles(v, angle_a, 45.0);
    view::set_drawing_area(v, {0, 0, kWidth, kHeight});
    view::fit_view(v, wp);
    view::update_display_step(v, shell::display_settings(shell::DefineSettings{}), wp, full_detail);
    view::project_grid(v, wp);
    return v;
}

void render_full(benchmark::State& state, bool thinned, bool into_surface, double angle_a = 315.0) {
    sim::Workpiece wp;
    make_cut_grid(wp);
    const view::ViewState v = fitted_view(wp, !thinned, angle_a);
    const view::Palette palette = view::make_palette(view::Colours{}, true);
    Counter counter;
    view::Surface surface;
    view::resize(surface, kWidth, kHeight);
    view::SurfaceSink drawing(surface);
    const view::PolygonSink sink = into_surface ? drawing.sink() : view::PolygonSink{&counter, &Counter::fill, nullptr, nullptr};
    for (auto _ : state) {
        view::render_view(v, wp, palette, {}, sink);
        benchmark::DoNotOptimize(surface.pixels.data());
        benchmark::DoNotOptimize(counter.points);
    }
    state.counters["step"] = v.step;
    if (!into_surface) state.counters["polygons"] = double(counter.polygons) / double(state.iterations());
    if (!into_surface) state.counters["calls"] = double(counter.calls) / double(state.iterations());
    state.SetItemsProcessed(state.iterations() * std::int64_t{kWidth} * kHeight);
}

void BM_Render_FullStep1(benchmark::State& state) { render_full(state, false, true); }
BENCHMARK(BM_Render_FullStep1)->Unit(benchmark::kMillisecond);

// A 240 looks mostly along X, so the painter's lines run along Y, across the layers' rows.
void BM_Render_FullStep1AlongY(benchmark::State& state) { render_full(state, false, true, 240.0); }
BENCHMARK(BM_Render_FullStep1AlongY)->Unit(benchmark::kMillisecond);

void BM_Render_FullThinned(benchmark::State& state) { render_full(state, true, true); }
BENCHMARK(BM_Render_FullThinned)->Unit(benchmark::kMillisecond);

void BM_Render_FullStep1Counted(benchmark::State& state) { render_full(state, false, false); }
BENCHMARK(BM_Render_FullStep1Counted)->Unit(benchmark::kMillisecond);

// The projection of the whole grid that a view change costs; items are grid points.
void BM_Render_ProjectGrid(benchmark::State& state) {
    sim::Workpiece wp;
    make_cut_grid(wp);
    view::ViewState v;
    view::set_angles(v, 315.0, 45.0);
    view::set_drawing_area(v, {0, 0, kWidth, kHeight});
    view::fit_view(v, wp);
    v.perspective = state.range(0) != 0;
    view::refresh_projection(v);
    for (auto _ : state) {
        view::project_grid(v, wp);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * std::int64_t{kSide} * kSide);
}
BENCHMARK(BM_Render_ProjectGrid)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// What a cutting step redraws: the blocks of a 6 mm tool's footprint (60 x 60 cells at pitch
// 0.1) drawn one polygon per fill into the surface; items are blocks.
void BM_Render_ChangedBlocks(benchmark::State& state) {
    sim::Workpiece wp;
    make_cut_grid(wp);
    const view::ViewState v = fitted_view(wp, true);
    const view::Palette palette = view::make_palette(view::Colours{}, true);
    view::Surface surface;
    view::resize(surface, kWidth, kHeight);
    view::SurfaceSink drawing(surface);
    const view::GridRange cells{470, 529, 470, 529};
    for (auto _ : state) {
        view::draw_changed_blocks(v, wp, palette, {}, cells, drawing.sink());
        benchmark::DoNotOptimize(surface.pixels.data());
    }
    state.SetItemsProcessed(state.iterations() * 61 * 61);
}
BENCHMARK(BM_Render_ChangedBlocks)->Unit(benchmark::kMicrosecond);

// One frame of a rotation drag in the window: A turned by a drag step, the display step for the
// scale (thinned with the default settings; step 1 for the full-detail frame after the pause),
// the grid projected and the display painted with the overlays and the tool, at a window's
// 1000 x 700 view. Items are pixels; "fps" is frames per second.
void BM_Render_RotateDragFrame(benchmark::State& state) {
    const bool full_detail = state.range(0) != 0;
    sim::Workpiece wp;
    make_cut_grid(wp);
    shell::DefineSettings define;
    define.perspective = false;  // the example's setting
    const view::DisplaySettings settings = shell::display_settings(define);
    view::Display d;
    constexpr int kViewWidth = 1000, kViewHeight = 700;
    view::set_up_display(d, settings, wp, kViewWidth, kViewHeight, full_detail);
    double a = d.view.angle_a;
    for (auto _ : state) {
        a += 2.5;
        view::set_angles(d.view, a, d.view.angle_b);
        view::update_display_step(d.view, settings, wp, full_detail);
        view::project_grid(d.view, wp);
        d.redraw_due = true;
        view::paint(d, wp);
        benchmark::DoNotOptimize(d.frame.pixels.data());
    }
    state.counters["step"] = d.view.step;
    state.counters["fps"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
    state.SetItemsProcessed(state.iterations() * std::int64_t{kViewWidth} * kViewHeight);
}
BENCHMARK(BM_Render_RotateDragFrame)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
