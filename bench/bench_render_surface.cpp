// The drawing surface at the workpiece view's load: a full-screen mesh of small cells in a
// 1920 x 1080 surface, filled as triangles, as quads and through the batch call, plus a few large
// polygons and the path pens. Items are pixels drawn (for the pens, line pixels).
#include "view/surface.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

namespace {

using namespace vx::view;

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

// A wavy surface seen from above at an angle: (cells_x + 1) x (cells_y + 1) projected points
// covering the screen, the way the workpiece view's projected grid looks.
struct Mesh {
    int cells_x, cells_y;
    std::vector<Point> points;
    const Point& at(int i, int j) const { return points[std::size_t(j * (cells_x + 1) + i)]; }
};

Mesh make_mesh(int cells_x, int cells_y) {
    Mesh m{cells_x, cells_y, {}};
    m.points.reserve(std::size_t((cells_x + 1) * (cells_y + 1)));
    for (int j = 0; j <= cells_y; ++j)
        for (int i = 0; i <= cells_x; ++i) {
            const double u = double(i) / cells_x, v = double(j) / cells_y;
            const double h = 6.0 * std::sin(u * 37.0) * std::cos(v * 23.0);
            m.points.push_back({int(u * (kWidth - 1)), int(v * (kHeight - 1) - h)});
        }
    return m;
}

std::int64_t mesh_pixels(const Mesh& m) {
    // The mesh covers the screen once, bar the few pixels its wavy top and bottom rows leave.
    (void)m;
    return std::int64_t(kWidth) * kHeight;
}

void BM_Render_Surface_Triangles(benchmark::State& state) {
    const Mesh m = make_mesh(int(state.range(0)), int(state.range(1)));
    Surface s;
    resize(s, kWidth, kHeight);
    std::uint32_t shade = 0;
    for (auto _ : state) {
        for (int j = 0; j < m.cells_y; ++j)
            for (int i = 0; i < m.cells_x; ++i) {
                fill_triangle(s, m.at(i, j), m.at(i + 1, j), m.at(i, j + 1), shade);
                fill_triangle(s, m.at(i + 1, j + 1), m.at(i + 1, j), m.at(i, j + 1), shade + 1);
            }
        shade += 2;
        benchmark::DoNotOptimize(s.pixels.data());
    }
    state.SetItemsProcessed(state.iterations() * mesh_pixels(m));
    state.counters["triangles"] = double(2 * m.cells_x * m.cells_y);
}
// 1000 x 1000 cells: 2 million triangles of about one pixel; 400 x 225: cells of 4.8 pixels.
BENCHMARK(BM_Render_Surface_Triangles)->Args({1000, 1000})->Args({400, 225})->Args({96, 54})->Unit(benchmark::kMillisecond);

void BM_Render_Surface_Quads(benchmark::State& state) {
    const Mesh m = make_mesh(int(state.range(0)), int(state.range(1)));
    Surface s;
    resize(s, kWidth, kHeight);
    std::uint32_t shade = 0;
    for (auto _ : state) {
        for (int j = 0; j < m.cells_y; ++j)
            for (int i = 0; i < m.cells_x; ++i)
                fill_quad(s, m.at(i, j), m.at(i + 1, j), m.at(i + 1, j + 1), m.at(i, j + 1), shade);
        ++shade;
        benchmark::DoNotOptimize(s.pixels.data());
    }
    state.SetItemsProcessed(state.iterations() * mesh_pixels(m));
    state.counters["quads"] = double(m.cells_x * m.cells_y);
}
BENCHMARK(BM_Render_Surface_Quads)->Args({1000, 1000})->Args({400, 225})->Unit(benchmark::kMillisecond);

// Rows of cells collected into batches of at most 300 points, one brush each.
void BM_Render_Surface_Batches(benchmark::State& state) {
    const Mesh m = make_mesh(int(state.range(0)), int(state.range(1)));
    Surface s;
    resize(s, kWidth, kHeight);
    std::vector<Point> points;
    std::vector<int> counts;
    points.reserve(300);
    counts.reserve(75);
    std::uint32_t shade = 0;
    for (auto _ : state) {
        for (int j = 0; j < m.cells_y; ++j)
            for (int i = 0; i < m.cells_x; ++i) {
                for (const Point& p : {m.at(i, j), m.at(i + 1, j), m.at(i + 1, j + 1), m.at(i, j + 1)}) points.push_back(p);
                counts.push_back(4);
                if (points.size() + 4 > 300) {
                    fill_polygons(s, points, counts, shade);
                    points.clear(), counts.clear();
                }
            }
        fill_polygons(s, points, counts, shade);
        points.clear(), counts.clear();
        ++shade;
        benchmark::DoNotOptimize(s.pixels.data());
    }
    state.SetItemsProcessed(state.iterations() * mesh_pixels(m));
}
BENCHMARK(BM_Render_Surface_Batches)->Args({400, 225})->Unit(benchmark::kMillisecond);

// The uncut block and the side walls: a few polygons covering most of the screen.
void BM_Render_Surface_LargePolygons(benchmark::State& state) {
    Surface s;
    resize(s, kWidth, kHeight);
    std::vector<Point> wall;
    for (int i = 0; i <= 640; ++i) wall.push_back({i * 3, 700 + int(40 * std::sin(i * 0.05))});
    wall.push_back({1919, 1079});
    wall.push_back({0, 1079});
    for (auto _ : state) {
        fill_quad(s, {960, 20}, {1900, 400}, {960, 780}, {20, 400}, 1);
        fill_polygon(s, wall, 2);
        benchmark::DoNotOptimize(s.pixels.data());
    }
    // The diamond's 940 x 760 half-diagonals, plus the wall's band of about 1920 x 360.
    state.SetItemsProcessed(state.iterations() * (std::int64_t(940) * 760 * 2 + std::int64_t(1920) * 360));
}
BENCHMARK(BM_Render_Surface_LargePolygons)->Unit(benchmark::kMillisecond);

// Path display: many short segments of an arc polyline in the three pens.
void BM_Render_Surface_Polylines(benchmark::State& state) {
    Surface s;
    resize(s, kWidth, kHeight);
    std::vector<Point> arc;
    for (int i = 0; i <= 20000; ++i) {
        const double t = i * 0.001;
        arc.push_back({960 + int(900 * std::cos(t) * std::cos(t * 0.3)), 540 + int(500 * std::sin(t))});
    }
    std::int64_t pixels = 0;
    for (std::size_t i = 1; i < arc.size(); ++i)
        pixels += std::max(std::abs(arc[i].x - arc[i - 1].x), std::abs(arc[i].y - arc[i - 1].y));
    const Pen pens[3] = {{PenStyle::Solid, 1, 1}, {PenStyle::Dot, 1, 2}, {PenStyle::DashDot, 1, 3}};
    for (auto _ : state) {
        for (const Pen& pen : pens) draw_polyline(s, pen, arc);
        benchmark::DoNotOptimize(s.pixels.data());
    }
    state.SetItemsProcessed(state.iterations() * pixels * 3);
}
BENCHMARK(BM_Render_Surface_Polylines)->Unit(benchmark::kMillisecond);

}  // namespace
