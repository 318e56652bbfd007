// The full redraw: painter's order (nearer blocks after farther ones, so they cover them), the
// batching of fill calls, the walls that face the eye, culling, thinning with a short last
// block, and the incremental drawing of changed blocks.
#include "view/render.h"

#include "view/render_test_sink.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <utility>

namespace vx::view {
namespace {

using testing::Polygon;
using testing::Recorder;

// Cell of each screen position; the tests use flat grids whose projection is one to one.
struct CellMap {
    std::map<std::pair<int, int>, std::pair<int, int>> cell;
    explicit CellMap(sim::Workpiece& wp) {
        for (int j = 0; j < wp.geometry.ny; ++j)
            for (int i = 0; i < wp.geometry.nx; ++i) {
                const int c = j * wp.geometry.nx + i;
                const auto [it, fresh] = cell.insert({{sim::screen_x(wp)[c], sim::screen_y(wp)[c]}, {i, j}});
                EXPECT_TRUE(fresh) << "two cells on one pixel";
            }
    }
    std::pair<int, int> at(ScreenPoint p) const {
        const auto it = cell.find({p.x, p.y});
        EXPECT_NE(it, cell.end());
        return it == cell.end() ? std::pair{-1, -1} : it->second;
    }
    // A polygon of block (i, j) has corners among (i, j) .. (i + a, j + b), and P0 or both PX and PY.
    std::pair<int, int> block(const Polygon& p) const {
        std::pair<int, int> low{1 << 20, 1 << 20};
        for (const ScreenPoint& q : p.points) {
            const auto c = at(q);
            low = {std::min(low.first, c.first), std::min(low.second, c.second)};
        }
        return low;
    }
};

std::uint32_t brush_colour(const Palette& p, int group, int shade) {
    return p.brush[std::size_t(brush_index(group, shade))];
}

const Palette kPalette = make_palette(Colours{}, true);

// ---- Painter's order ----
// Of two blocks that share an edge, the one nearer the eye must be drawn later, in every sector.

TEST(RenderOrder, NearerNeighbourIsDrawnLater) {
    for (bool perspective : {false, true}) {
        for (double a = 0; a < 360; a += 15) {
            auto wp = testing::flat_grid(7, 6);
            const ViewState v = testing::fitted_view(*wp, a, 40, 400, 300, perspective);
            Recorder rec;
            draw_surface(v, *wp, kPalette, {}, rec.sink());
            const CellMap map(*wp);
            std::map<std::pair<int, int>, int> drawn_at;
            for (int n = 0; n < 6 * 5; ++n) drawn_at[map.block(rec.polygons[std::size_t(n)])] = n;
            ASSERT_EQ(drawn_at.size(), 30u) << a;
            for (int j = 0; j < 5; ++j)
                for (int i = 0; i < 6; ++i) {
                    const int here = drawn_at[{i, j}];
                    if (i < 5 && v.eye.x != 0.0) {
                        EXPECT_EQ((drawn_at[{i + 1, j}] > here), v.eye.x > 0.0) << "A=" << a << " X " << i << "," << j;
                    }
                    if (j < 4 && v.eye.y != 0.0) {
                        EXPECT_EQ((drawn_at[{i, j + 1}] > here), v.eye.y > 0.0) << "A=" << a << " Y " << i << "," << j;
                    }
                }
        }
    }
}

// A ridge in front hides the painted floor behind it; drawn in the wrong order the paint shows.
TEST(RenderOrder, RidgeInFrontCoversThePaintBehindIt) {
    for (bool ridge : {true, false}) {
        auto wp = testing::make_grid(
            11, 11, 1.0, [&](int, int j) { return ridge && j == 2 ? 5.0 : 0.0; },
            [](int, int j) { return j == 3 || j == 4 ? sim::kPaintBit : 0; });
        const ViewState v = testing::fitted_view(*wp, 0, 30, 200, 200);
        testing::Raster raster(200, 200);
        draw_surface(v, *wp, kPalette, {}, raster.sink());
        const int paint = raster.count(brush_colour(kPalette, kGroupPaint, flat_top_shade(v)));
        if (ridge) EXPECT_EQ(paint, 0);
        else EXPECT_GT(paint, 100);
    }
}

// ---- Batching ----

TEST(RenderBatch, OneBrushFillsInCallsOfThreeHundredPoints) {
    auto wp = testing::flat_grid(30, 30);
    const ViewState v = testing::fitted_view(*wp, 315, 45);
    Recorder rec;
    draw_surface(v, *wp, kPalette, {}, rec.sink());
    ASSERT_EQ(rec.calls, 12 + 2);  // 841 quadrilaterals = 11 x 75 + 16, then two walls
    for (int c = 0; c < 12; ++c) {
        int points = 0;
        for (int n : rec.call_counts[std::size_t(c)]) points += n;
        EXPECT_EQ(points, c < 11 ? 300 : 64) << c;
    }
}

TEST(RenderBatch, BrushChangeStartsANewCall) {
    auto wp = testing::make_grid(20, 20, 1.0, [](int i, int j) { return 0.05 * ((i * 7 + j * 3) % 5); },
                                 [](int i, int) { return sim::kPenCode[std::size_t(1 + i / 4 % 3)]; });
    const ViewState v = testing::fitted_view(*wp, 300, 50);
    Recorder rec;
    draw_surface(v, *wp, kPalette, {}, rec.sink());
    std::vector<int> points(std::size_t(rec.calls), 0);
    for (const Polygon& p : rec.polygons) points[std::size_t(p.call)] += int(p.points.size());
    for (std::size_t n = 1; n + 2 < rec.polygons.size(); ++n) {  // the walls have calls of their own
        const Polygon &a = rec.polygons[n - 1], &b = rec.polygons[n];
        if (a.call == b.call) {
            EXPECT_EQ(a.rgb, b.rgb);
        } else if (a.rgb == b.rgb) {
            EXPECT_GE(points[std::size_t(a.call)], 300) << n;  // only a full batch splits a run
        }
    }
    for (int p : points) EXPECT_LE(p, 300 + 3);  // a batch closes once it reaches 300
}

// ---- Walls ----

TEST(RenderWalls, OnlyWallsFacingTheEyeAreDrawn) {
    const struct { double a; int rows_first; int rows_last; int cols_first; int cols_last; } cases[] = {
        {45, 1, 0, 1, 0}, {135, 0, 1, 1, 0}, {225, 0, 1, 0, 1}, {315, 1, 0, 0, 1},
        {0, 1, 0, 0, 0},  {90, 0, 0, 1, 0},  {180, 0, 1, 0, 0}, {270, 0, 0, 0, 1}};
    for (const auto& c : cases) {
        auto wp = testing::flat_grid(6, 5);
        const ViewState v = testing::fitted_view(*wp, c.a, 40);
        Recorder rec;
        draw_walls(v, *wp, kPalette, rec.sink());
        const CellMap map(*wp);
        int rows_first = 0, rows_last = 0, cols_first = 0, cols_last = 0;
        for (const Polygon& p : rec.polygons) {
            const auto start = map.at(p.points[0]), end = map.at(p.points[p.points.size() - 3]);
            if (p.points.size() == 6 + 2 && start.second == end.second) (start.second == 0 ? rows_first : rows_last)++;
            else if (p.points.size() == 5 + 2 && start.first == end.first) (start.first == 0 ? cols_first : cols_last)++;
            else ADD_FAILURE() << "not a wall of the grid, A=" << c.a;
        }
        EXPECT_EQ(rows_first, c.rows_first) << c.a;
        EXPECT_EQ(rows_last, c.rows_last) << c.a;
        EXPECT_EQ(cols_first, c.cols_first) << c.a;
        EXPECT_EQ(cols_last, c.cols_last) << c.a;
    }
}

TEST(RenderWalls, WallClosesThroughTheBottomCornersInTheWorkColour) {
    auto wp = testing::flat_grid(6, 5, 1.0, 10.0);
    ViewState v = testing::fitted_view(*wp, 0, 40);
    Recorder rec;
    draw_walls(v, *wp, kPalette, rec.sink());
    ASSERT_EQ(rec.polygons.size(), 1u);
    const Polygon& wall = rec.polygons[0];
    EXPECT_EQ(wall.points[6], project(v, 5.0, 0.0, 0.0));
    EXPECT_EQ(wall.points[7], project(v, 0.0, 0.0, 0.0));
    EXPECT_EQ(wall.rgb, brush_colour(kPalette, kGroupWork, shade_index({0, -1, 0}, v.light, v.eye)));
    v.range.first_j = 1;  // the boundary row is off the displayed range
    Recorder none;
    draw_walls(v, *wp, kPalette, none.sink());
    EXPECT_TRUE(none.polygons.empty());
}

// ---- Culling and thinning ----

TEST(RenderCulling, BlocksBeyondOneEdgeAreSkippedAndCoincidentOnesToo) {
    auto wp = testing::flat_grid(21, 21);
    ViewState v = testing::fitted_view(*wp, 315, 45);
    zoom_view(v, 4.0);
    project_grid(v, *wp);
    ASSERT_FALSE(v.grid_inside);
    Recorder rec;
    draw_surface(v, *wp, kPalette, {}, rec.sink());
    const std::size_t surface = rec.polygons.size() - 2;
    EXPECT_LT(surface, 400u);
    EXPECT_GT(surface, 0u);
    for (std::size_t n = 0; n < surface; ++n) {
        bool left = true, right = true, above = true, below = true;
        for (const ScreenPoint& p : rec.polygons[n].points) {
            left = left && p.x < 0, right = right && p.x >= 400, above = above && p.y < 0, below = below && p.y >= 300;
        }
        EXPECT_FALSE(left || right || above || below) << n;
    }

    zoom_view(v, 1e-6);  // every corner on one pixel
    project_grid(v, *wp);
    Recorder tiny;
    draw_surface(v, *wp, kPalette, {}, tiny.sink());
    for (const Polygon& p : tiny.polygons) EXPECT_NE(p.points.size(), 4u);  // only the two walls
}

TEST(RenderThinning, DrawnPointsAreEveryStepPlusTheLast) {
    auto wp = testing::flat_grid(11, 8);  // points 0..10 and 0..7
    ViewState v = testing::fitted_view(*wp, 315, 45);
    v.step = 3;
    Recorder rec;
    draw_surface(v, *wp, kPalette, {}, rec.sink());
    const CellMap map(*wp);
    std::set<int> is, js;
    for (std::size_t n = 0; n + 2 < rec.polygons.size(); ++n)
        for (const ScreenPoint& p : rec.polygons[n].points) {
            is.insert(map.at(p).first);
            js.insert(map.at(p).second);
        }
    EXPECT_EQ(rec.polygons.size(), 4u * 3u + 2u);
    EXPECT_EQ(is, (std::set<int>{0, 3, 6, 9, 10}));
    EXPECT_EQ(js, (std::set<int>{0, 3, 6, 7}));
}

// ---- Incremental drawing ----
// The blocks a cut changed are drawn one polygon per call, exactly as the full redraw draws them.

TEST(RenderIncremental, ChangedBlocksMatchTheFullRedrawOnePolygonAtATime) {
    for (double a : {20.0, 110.0, 250.0}) {
        auto wp = testing::make_grid(12, 12, 1.0, [](int, int) { return 3.0; },
                                     [](int i, int j) { return sim::kPenCode[std::size_t((i + 2 * j) % 8)]; });
        const ViewState v = testing::fitted_view(*wp, a, 35);
        Recorder full, part;
        draw_surface(v, *wp, kPalette, {}, full.sink());
        draw_changed_blocks(v, *wp, kPalette, {}, {4, 6, 5, 5}, part.sink());
        const CellMap map(*wp);
        std::vector<Polygon> expected;
        for (std::size_t n = 0; n + 2 < full.polygons.size(); ++n) {
            const auto b = map.block(full.polygons[n]);
            if (b.first >= 3 && b.first <= 6 && b.second >= 4 && b.second <= 5) expected.push_back(full.polygons[n]);
        }
        ASSERT_EQ(part.polygons.size(), expected.size()) << a;
        EXPECT_GE(expected.size(), 8u);
        for (std::size_t n = 0; n < expected.size(); ++n) {
            EXPECT_EQ(part.polygons[n].points, expected[n].points) << a << " " << n;
            EXPECT_EQ(part.polygons[n].rgb, expected[n].rgb);
        }
        for (const auto& counts : part.call_counts) EXPECT_EQ(counts.size(), 1u);
        EXPECT_EQ(part.clips, (std::vector<bool>{true, false}));
    }
}

}  // namespace
}  // namespace vx::view
