// Tool profile evaluation as the sweep kernel calls it: one height per cell from the squared
// distance, for the common shapes and across all zones of a tool with neck and holder; and the
// tool file reader. Items are evaluations (lines for the reader).
#include "sim/profile.h"
#include "sim/tools.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace {

using namespace vx::sim;

// Squared distances of the grid cells around a tool, row by row and outward from the tool as
// the kernel walks them: 97 x 97 cells over the reach, the tool off the cell centres; only the
// cells within `limit2` are kept (the kernel evaluates a zone only inside it).
std::vector<double> row_walk(double reach, double limit2) {
    constexpr int kHalfCells = 48;
    const double pitch = reach / kHalfCells, x0 = 0.37 * pitch, y0 = 0.13 * pitch;
    std::vector<double> d2;
    for (int j = -kHalfCells; j <= kHalfCells; ++j) {
        const double dy = j * pitch - y0;
        for (int i = -kHalfCells; i <= kHalfCells; ++i) {
            const double dx = i * pitch - x0, v = dx * dx + dy * dy;
            if (v <= limit2) d2.push_back(v);
        }
    }
    return d2;
}

ToolRecord shape(int type, float d, float r, float e, float f, float alpha, float beta, float h) {
    ToolRecord t;
    t.defined = 1;
    t.type = type, t.d = d, t.r = r, t.e = e, t.f = f, t.alpha = alpha, t.beta = beta, t.h = h;
    return t;
}

ToolRecord taper_ball() {
    const double b = 2.0 * 3.14159265358979323846 / 180.0;
    return shape(kToolTaperBall, float(2 * 0.5 * (std::cos(b) + std::sin(b) * std::tan(b) - std::tan(b))), 0.5f, 0,
                 0.5f, 0, 2, 15);
}

void BM_Tool_EdgeHeight(benchmark::State& state, ToolRecord tool) {
    const Profile p = build_edge_profile(tool);
    const std::vector<double> d2 = row_walk(p.rb, p.rb2);
    for (auto _ : state) {
        double sum = 0.0;
        for (double v : d2) sum += edge_height(p, v);
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(d2.size()));
}
BENCHMARK_CAPTURE(BM_Tool_EdgeHeight, flat, shape(kToolFlat, 10, 0, 0, 0, 0, 0, 20));
BENCHMARK_CAPTURE(BM_Tool_EdgeHeight, ball, shape(kToolBall, 10, 5, 0, 5, 0, 0, 20));
BENCHMARK_CAPTURE(BM_Tool_EdgeHeight, bull, shape(kToolBull, 12, 1, 5, 1, 0, 0, 25));
BENCHMARK_CAPTURE(BM_Tool_EdgeHeight, drill, shape(kToolOther, 8.5f, 0, 4.25f, 0, 31, 0, 45));
BENCHMARK_CAPTURE(BM_Tool_EdgeHeight, taper_ball, taper_ball());
BENCHMARK_CAPTURE(BM_Tool_EdgeHeight, oval_r, shape(kToolOval, 10, 1, 8, 2, 0, 0, 30));

// The whole solid: edge, neck cone, holder sections and the space beyond them.
void BM_Tool_Surface(benchmark::State& state) {
    LengthRecord length;
    length.kind = kLength2;
    length.L = {35, 14, 4, 0, 0, 6};
    HolderRecord holder;
    holder.defined = 1;
    holder.kind = kHolderMixed;
    holder.count = 3;
    holder.diameters = {20, 40, 50, 63};
    holder.heights = {5, 25, 30};
    holder.flags = {1, 0, 0};
    const Profile p = build_profile(shape(kToolBall, 2, 1, 0, 1, 0, 0, 3), length, holder, {});
    const std::vector<double> d2 = row_walk(p.outer * 1.1, 1e300);
    for (auto _ : state) {
        double sum = 0.0;
        for (double v : d2) {
            const Surface s = tool_surface(p, v);
            if (s.zone != Zone::Beyond) sum += s.height;
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(d2.size()));
}
BENCHMARK(BM_Tool_Surface);

// Reading a magazine of 200 tools of every kind, without holder files.
void BM_Tool_ReadFile(benchmark::State& state) {
    std::string text = "ARBOR3 20,5,1,40,25,0,50,30,0,63\n";
    const char* shapes[] = {"FLAT 10,22", "BALL 6,12", "BULL 12,1,25", "DRILL 8.5,31,45", "TAPERBALL 0.5,2;0,15",
                            "CUTTER 16,0,8,0,45;2,0,7", "OVALR 10,2,8,1,30", "RADIUS 20,3,1"};
    int lines = 1;
    for (int n = 1; n <= 200; ++n) {
        text += "MAGAZINE" + std::to_string(n) + " " + shapes[n % 8] + " \"T" + std::to_string(n) +
                "\" PEN " + std::to_string(n % 8) + " LENGTH2 45,16,6,6\n OPT-F 1200,30,900,60,600\n";
        lines += 2;
    }
    ToolTable table;
    allocate_tool_tables(table, 200);
    ToolReadOptions options;
    options.holder_files = false;
    for (auto _ : state) {
        read_tool_text(table, text, "", options);
        benchmark::DoNotOptimize(table.entries.data());
    }
    state.SetItemsProcessed(state.iterations() * lines);
}
BENCHMARK(BM_Tool_ReadFile);

}  // namespace
