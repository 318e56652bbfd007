// The drawing surface's primitives: fill coverage (pixel centres, shared edges drawn once,
// even-odd), clipping of any int32 coordinate, pens and their patterns, and golden scenes.
//
// Golden images live in tests/data/golden/. After a deliberate change of the drawing, rewrite
// them with
//     VORNEX_REGENERATE_GOLDEN=1 <build>/tests/vornex_tests_view
// and look at the new PNG files before committing them.
#include "output/png.h"
#include "view/surface.h"
#include "support/golden.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <climits>
#include <cmath>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace vx::view {
namespace {

constexpr Pixel kWhite = pixel_rgb(255, 255, 255);
constexpr Pixel kInk = pixel_rgb(10, 20, 30);

using testing::expect_golden;

Surface blank(int w, int h) {
    Surface s;
    resize(s, w, h, kWhite);
    return s;
}

int count_ink(const Surface& s, Pixel ink = kInk) {
    int n = 0;
    for (Pixel p : s.pixels) n += p == ink;
    return n;
}

// Even-odd at one pixel centre, straight from the rule: count the edges that cross the centre's
// row at or left of the centre. Independent of the fill's spans, boxes and fast paths.
bool oracle_inside(const std::vector<Point>& poly, int x, int y) {
    __extension__ typedef __int128 Wide;
    int crossings = 0;
    for (std::size_t i = 0; i < poly.size(); ++i) {
        const Point a = poly[i], b = poly[(i + 1) % poly.size()];
        if (a.y == b.y) continue;
        const Point top = a.y < b.y ? a : b, bottom = a.y < b.y ? b : a;
        if (y < top.y || y >= bottom.y) continue;
        const Wide dy = Wide(bottom.y) - top.y, dx = Wide(bottom.x) - top.x;
        // centre (x + 1/2, y + 1/2) at or right of the edge, all doubled to stay integral
        if ((2 * (Wide(x) - top.x) + 1) * dy - (2 * (Wide(y) - top.y) + 1) * dx >= 0) ++crossings;
    }
    return crossings % 2 == 1;
}

void fill_any(Surface& s, const std::vector<Point>& p, Pixel c) {
    if (p.size() == 3) fill_triangle(s, p[0], p[1], p[2], c);
    else if (p.size() == 4) fill_quad(s, p[0], p[1], p[2], p[3], c);
    else fill_polygon(s, p, c);
}

// Fills `poly` and returns how many pixels differ from the oracle (within the clip).
int oracle_mismatches(const std::vector<Point>& poly, int w, int h) {
    Surface s = blank(w, h);
    fill_any(s, poly, kInk);
    int bad = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) bad += (pixel_at(s, x, y) == kInk) != oracle_inside(poly, x, y);
    return bad;
}

std::string describe(const std::vector<Point>& p) {
    std::string out;
    for (const Point& q : p) out += "(" + std::to_string(q.x) + "," + std::to_string(q.y) + ") ";
    return out;
}

// ---- Fill coverage ----
// The workpiece is millions of adjacent cells: a pixel drawn twice is harmless but a pixel
// drawn by neither neighbour is a hole in the picture, and a half-pixel bias shifts the image.

TEST(SurfaceFill, SquareCoversExactlyItsPixelsInEitherOrientation) {
    for (bool reversed : {false, true}) {
        Surface s = blank(10, 10);
        if (reversed) fill_quad(s, {2, 2}, {2, 6}, {6, 6}, {6, 2}, kInk);
        else fill_quad(s, {2, 2}, {6, 2}, {6, 6}, {2, 6}, kInk);
        for (int y = 0; y < 10; ++y)
            for (int x = 0; x < 10; ++x)
                EXPECT_EQ(pixel_at(s, x, y) == kInk, x >= 2 && x < 6 && y >= 2 && y < 6) << x << "," << y;
    }
}

TEST(SurfaceFill, TriangleTakesThePixelsWhoseCentresItHolds) {
    // Centres (x + .5, y + .5) below the diagonal x + y = 8; on it only where the triangle lies
    // to the right, which it does not: 7 + 6 + ... + 1 = 28 pixels.
    Surface s = blank(10, 10);
    fill_triangle(s, {0, 0}, {8, 0}, {0, 8}, kInk);
    EXPECT_EQ(count_ink(s), 28);
    EXPECT_EQ(pixel_at(s, 6, 0), kInk);
    EXPECT_NE(pixel_at(s, 7, 0), kInk);  // centre (7.5, .5) lies on the diagonal: right edge
}

TEST(SurfaceFill, TwoTrianglesSharingADiagonalCoverTheirRectangleOnce) {
    for (const Point corner : {Point{8, 8}, Point{7, 5}, Point{13, 3}}) {
        const Point a{0, 0}, b{corner.x, 0}, c = corner, d{0, corner.y};
        for (int diagonal = 0; diagonal < 2; ++diagonal) {
            std::vector<int> hits(16 * 16, 0);
            const Point halves[2][3] = {{a, b, diagonal ? c : d}, {c, d, diagonal ? a : b}};
            for (const auto& t : halves) {
                Surface s = blank(16, 16);
                fill_triangle(s, t[0], t[1], t[2], kInk);
                for (int i = 0; i < 16 * 16; ++i) hits[std::size_t(i)] += s.pixels[std::size_t(i)] == kInk;
            }
            for (int y = 0; y < 16; ++y)
                for (int x = 0; x < 16; ++x)
                    EXPECT_EQ(hits[std::size_t(y * 16 + x)], x < corner.x && y < corner.y ? 1 : 0)
                        << "corner " << corner.x << "," << corner.y << " diagonal " << diagonal << " at " << x << "," << y;
        }
    }
}

// A jittered grid that spans the whole surface, cut into triangles (both diagonals) or quads:
// every pixel must be covered exactly once. Cells wider than the box-test limit exercise the
// span path too.
void expect_mesh_covers_once(int w, int h, int cells_x, int cells_y, bool quads, unsigned seed) {
    std::mt19937 rng(seed);
    std::vector<Point> grid(std::size_t((cells_x + 1) * (cells_y + 1)));
    const int jitter_x = w / cells_x / 4, jitter_y = h / cells_y / 4;
    for (int j = 0; j <= cells_y; ++j)
        for (int i = 0; i <= cells_x; ++i) {
            Point p{i * w / cells_x, j * h / cells_y};
            if (i > 0 && i < cells_x) p.x += int(rng() % unsigned(2 * jitter_x + 1)) - jitter_x;
            if (j > 0 && j < cells_y) p.y += int(rng() % unsigned(2 * jitter_y + 1)) - jitter_y;
            grid[std::size_t(j * (cells_x + 1) + i)] = p;
        }
    std::vector<int> hits(std::size_t(w * h), 0);
    Surface s = blank(w, h);
    const auto collect = [&] {
        for (std::size_t k = 0; k < s.pixels.size(); ++k) hits[k] += s.pixels[k] == kInk;
        clear(s, kWhite);
    };
    for (int j = 0; j < cells_y; ++j)
        for (int i = 0; i < cells_x; ++i) {
            const auto at = [&](int di, int dj) { return grid[std::size_t((j + dj) * (cells_x + 1) + i + di)]; };
            const Point p0 = at(0, 0), px = at(1, 0), py = at(0, 1), pxy = at(1, 1);
            if (quads) {
                fill_quad(s, p0, px, pxy, py, kInk);
                collect();
            } else if ((i + j) % 2 == 0) {  // the renderer's diagonal PX-PY, and the other one
                fill_triangle(s, p0, px, py, kInk), collect();
                fill_triangle(s, pxy, px, py, kInk), collect();
            } else {
                fill_triangle(s, p0, px, pxy, kInk), collect();
                fill_triangle(s, p0, pxy, py, kInk), collect();
            }
        }
    int wrong = 0;
    for (int k = 0; k < w * h; ++k) wrong += hits[std::size_t(k)] != 1;
    EXPECT_EQ(wrong, 0) << w << "x" << h << " cells " << cells_x << "x" << cells_y << (quads ? " quads" : " triangles");
}

TEST(SurfaceFill, JitteredMeshCoversEveryPixelOnce) {
    for (unsigned seed = 1; seed <= 3; ++seed) {
        expect_mesh_covers_once(64, 48, 16, 12, false, seed);
        expect_mesh_covers_once(64, 48, 16, 12, true, seed);
        expect_mesh_covers_once(160, 120, 4, 3, false, seed);  // cells of 40 x 40: span path
        expect_mesh_covers_once(160, 120, 4, 3, true, seed);
    }
}

// ---- Even-odd and the fast paths ----
// Triangles, convex quads, folded quads and long polygons take different routes; all of them
// must give the pixels of the one rule.

TEST(SurfaceFill, EveryRouteMatchesThePixelRule) {
    std::mt19937 rng(7);
    const auto coord = [&](int lo, int hi) { return lo + int(rng() % unsigned(hi - lo + 1)); };
    for (int round = 0; round < 3000; ++round) {
        const int n = 3 + round % 5;  // triangles, quads (convex, concave, crossed) and polygons
        const bool wide = round % 3 == 0;
        std::vector<Point> p(static_cast<std::size_t>(n));
        for (Point& q : p) q = wide ? Point{coord(-40, 104), coord(-30, 78)} : Point{coord(10, 30), coord(10, 26)};
        if (round % 7 == 0) p[1] = p[0];  // a repeated corner
        if (round % 11 == 0) p[2] = {(p[0].x + p[1].x) / 2, (p[0].y + p[1].y) / 2};  // a straight corner
        ASSERT_EQ(oracle_mismatches(p, 64, 48), 0) << describe(p);
    }
    // Cells of a pixel or two, the bulk of a workpiece picture, also across the surface's edges.
    for (int round = 0; round < 3000; ++round) {
        const int n = 3 + round % 2;
        const int x = coord(-2, 64), y = coord(-2, 48);
        std::vector<Point> p(static_cast<std::size_t>(n));
        for (Point& q : p) q = {x + coord(0, 2), y + coord(0, 2)};
        ASSERT_EQ(oracle_mismatches(p, 64, 48), 0) << describe(p);
    }
}

// A side wall: a profile of hundreds of points along the top, closed along the bottom. Edges
// join and leave the rows they span in any order, some level, some repeated.
TEST(SurfaceFill, LongOutlinesMatchThePixelRule) {
    std::mt19937 rng(3);
    for (int round = 0; round < 20; ++round) {
        std::vector<Point> wall;
        for (int k = 0; k <= 300; ++k) wall.push_back({-5 + k * 74 / 300, 4 + int(rng() % 30) - (round % 2) * k / 20});
        wall.push_back({70, 52});
        wall.push_back({-5, 52});
        if (round % 3 == 0) std::shuffle(wall.begin() + 100, wall.begin() + 140, rng);  // a tangle as well
        ASSERT_EQ(oracle_mismatches(wall, 64, 48), 0) << round;
    }
}

TEST(SurfaceFill, EvenOddLeavesSelfOverlapsOpen) {
    // Pentagram: the pentagon in its middle is covered twice and stays empty.
    const std::vector<Point> star{{32, 2}, {44, 40}, {12, 16}, {52, 16}, {20, 40}};
    Surface s = blank(64, 48);
    fill_polygon(s, star, kInk);
    EXPECT_NE(pixel_at(s, 32, 22), kInk);
    EXPECT_EQ(pixel_at(s, 32, 8), kInk);   // upper tip
    EXPECT_EQ(pixel_at(s, 20, 38), kInk);  // lower left tip
    EXPECT_EQ(oracle_mismatches(star, 64, 48), 0);

    // A square with a square hole, as one outline joined by a slit.
    const std::vector<Point> ring{{4, 4}, {40, 4}, {40, 40}, {4, 40}, {4, 4}, {14, 14}, {14, 30}, {30, 30}, {30, 14}, {14, 14}};
    Surface r = blank(64, 48);
    fill_polygon(r, ring, kInk);
    EXPECT_NE(pixel_at(r, 22, 22), kInk);
    EXPECT_EQ(pixel_at(r, 8, 22), kInk);
    EXPECT_EQ(count_ink(r), 36 * 36 - 16 * 16);

    // A crossed quad (a folded cell) is two opposite triangles meeting at the crossing; here
    // the left and the right one, between the diagonals and the vertical sides.
    Surface q = blank(64, 48);
    fill_quad(q, {4, 4}, {36, 36}, {36, 4}, {4, 36}, kInk);
    EXPECT_EQ(pixel_at(q, 8, 20), kInk);
    EXPECT_EQ(pixel_at(q, 32, 20), kInk);
    EXPECT_NE(pixel_at(q, 20, 8), kInk);
    EXPECT_NE(pixel_at(q, 20, 32), kInk);
    // Centres on a diagonal go to the triangle right of it: rows of 0 .. 15 pixels on the left
    // and 1 .. 16 on the right, in each half.
    EXPECT_EQ(count_ink(q), 2 * 120 + 2 * 136);
}

TEST(SurfaceFill, DegenerateShapesFillNothing) {
    Surface s = blank(32, 32);
    fill_triangle(s, {3, 3}, {20, 20}, {10, 10}, kInk);        // collinear
    fill_quad(s, {5, 5}, {5, 5}, {5, 5}, {5, 5}, kInk);         // one point
    fill_quad(s, {2, 8}, {20, 8}, {2, 8}, {20, 8}, kInk);       // a line walked twice
    fill_polygon(s, std::vector<Point>{{1, 1}, {9, 9}}, kInk);  // too few points
    EXPECT_EQ(count_ink(s), 0);
}

// ---- Clipping ----
// Projected coordinates can be anywhere when the view is zoomed far in: the fills and lines must
// neither overflow nor crash, and must put the pixels they would put on an infinite surface.

TEST(SurfaceClip, HugeCoordinatesFillTheRightPixels) {
    const std::vector<std::vector<Point>> cases{
        {{INT32_MIN, INT32_MIN}, {INT32_MAX, 0}, {0, INT32_MAX}},
        {{INT32_MIN, INT32_MAX}, {INT32_MAX, INT32_MAX}, {20, INT32_MIN}},
        {{-1000000000, 10}, {1000000000, 30}, {1000000000, 31}, {-1000000000, 11}},  // a long sliver
        {{INT32_MIN, INT32_MIN}, {INT32_MAX, INT32_MIN}, {INT32_MAX, INT32_MAX}, {INT32_MIN, INT32_MAX}},
        {{INT32_MIN, 0}, {INT32_MAX, 47}, {INT32_MIN, 47}, {INT32_MAX, 0}},              // crossed
        {{-300000000, 5}, {300000000, 5}, {20, 40}, {-300000000, 40}, {10, 20}},         // polygon
    };
    for (const auto& p : cases) EXPECT_EQ(oracle_mismatches(p, 64, 48), 0) << describe(p);
    Surface s = blank(64, 48);
    fill_quad(s, {INT32_MIN, INT32_MIN}, {INT32_MAX, INT32_MIN}, {INT32_MAX, INT32_MAX}, {INT32_MIN, INT32_MAX}, kInk);
    EXPECT_EQ(count_ink(s), 64 * 48);
}

TEST(SurfaceClip, ClipRectangleBoundsEveryPrimitive) {
    Surface s = blank(64, 48);
    set_clip(s, {10, 8, 30, 20});
    fill_quad(s, {-5, -5}, {70, -5}, {70, 60}, {-5, 60}, kInk);
    fill_polygon(s, std::vector<Point>{{0, 0}, {63, 0}, {63, 47}, {0, 47}, {30, 30}}, kInk);
    fill_rect(s, {0, 0, 64, 48}, kInk);
    draw_line(s, {PenStyle::Solid, 1, kInk}, {0, 14}, {64, 14});
    draw_line(s, {PenStyle::Solid, 5, kInk}, {20, 0}, {20, 48});
    set_pixel(s, 5, 5, kInk);
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x)
            EXPECT_EQ(pixel_at(s, x, y) == kInk, x >= 10 && x < 30 && y >= 8 && y < 20) << x << "," << y;
    reset_clip(s);
    set_pixel(s, 5, 5, kInk);
    EXPECT_EQ(pixel_at(s, 5, 5), kInk);
    EXPECT_EQ(pixel_at(s, -1, 0), 0u);  // reading outside gives 0
    EXPECT_EQ(pixel_at(s, 64, 0), 0u);
}

// ---- Batches ----
// The renderer hands over runs of polygons in one brush. Neighbouring cells of a folded surface
// overlap on screen; the later one must paint over, not punch a hole.

TEST(SurfaceBatch, OverlappingPolygonsAreBothFilled) {
    const std::vector<Point> points{{4, 4}, {24, 4}, {24, 24}, {4, 24}, {14, 14}, {34, 14}, {34, 34}, {14, 34}, {40, 2}, {50, 2}, {45, 12}};
    const std::vector<int> counts{4, 4, 3};
    Surface batch = blank(64, 48), one_by_one = blank(64, 48);
    fill_polygons(batch, points, counts, kInk);
    fill_quad(one_by_one, points[0], points[1], points[2], points[3], kInk);
    fill_quad(one_by_one, points[4], points[5], points[6], points[7], kInk);
    fill_triangle(one_by_one, points[8], points[9], points[10], kInk);
    EXPECT_EQ(batch.pixels, one_by_one.pixels);
    EXPECT_EQ(pixel_at(batch, 18, 18), kInk);  // in both squares

    // Counts that promise more points than there are stop at the last whole polygon.
    Surface overrun = blank(64, 48);
    fill_polygons(overrun, points, std::vector<int>{4, 0, -3, 100}, kInk);
    Surface first = blank(64, 48);
    fill_quad(first, points[0], points[1], points[2], points[3], kInk);
    EXPECT_EQ(overrun.pixels, first.pixels);
}

// The sink's form: x, y pairs, with tiny cells, clipped ones and a long polygon among them.
TEST(SurfaceBatch, CoordinatePairsFillLikePoints) {
    std::vector<Point> points{{4, 4}, {24, 4}, {24, 24}, {4, 24}, {30, 30}, {31, 30}, {31, 31}, {-1, 5}, {1, 5}, {0, 7}};
    for (int k = 0; k < 7; ++k) points.push_back({40 + (k % 2) * 20, 10 + 5 * k});  // a zigzag of seven
    std::vector<int> counts{4, 3, 3, 0, 7};
    std::vector<std::int32_t> xy;
    for (const Point& p : points) xy.insert(xy.end(), {p.x, p.y});
    Surface from_pairs = blank(64, 48), from_points = blank(64, 48);
    set_clip(from_pairs, {2, 2, 60, 44});
    set_clip(from_points, {2, 2, 60, 44});
    fill_polygons(from_pairs, xy, counts, kInk);
    fill_polygons(from_points, points, counts, kInk);
    EXPECT_EQ(from_pairs.pixels, from_points.pixels);
    EXPECT_GT(count_ink(from_pairs), 400);

    counts.back() = 8;  // one more than there are: the last polygon is left out
    Surface short_pairs = blank(64, 48), without_last = blank(64, 48);
    fill_polygons(short_pairs, xy, counts, kInk);
    fill_polygons(without_last, points, std::vector<int>{4, 3, 3}, kInk);
    EXPECT_EQ(short_pairs.pixels, without_last.pixels);
}

// ---- Pens ----
// The path display tells rapid, cutting and fast-feed moves apart by the pen pattern alone, so
// the patterns must be right and must run on along an arc's polyline.

std::vector<bool> row_ink(const Surface& s, int y, int from, int to) {
    std::vector<bool> out;
    for (int x = from; x < to; ++x) out.push_back(pixel_at(s, x, y) == kInk);
    return out;
}

TEST(SurfacePens, LinesLeaveOutTheirLastPixel) {
    Surface s = blank(32, 8);
    draw_line(s, {PenStyle::Solid, 1, kInk}, {2, 3}, {12, 3});
    EXPECT_EQ(count_ink(s), 10);
    EXPECT_EQ(pixel_at(s, 2, 3), kInk);
    EXPECT_NE(pixel_at(s, 12, 3), kInk);
    draw_line(s, {PenStyle::Solid, 1, kInk}, {20, 5}, {20, 5});  // a point: nothing
    draw_line(s, {PenStyle::Null, 1, kInk}, {0, 0}, {30, 7});
    EXPECT_EQ(count_ink(s), 10);
}

TEST(SurfacePens, DotAndDashDotRepeatTheirPatterns) {
    Surface s = blank(64, 8);
    draw_line(s, {PenStyle::Dot, 1, kInk}, {0, 1}, {60, 1});
    draw_line(s, {PenStyle::DashDot, 1, kInk}, {0, 4}, {60, 4});
    const auto dot = row_ink(s, 1, 0, 60), dash_dot = row_ink(s, 4, 0, 60);
    for (int i = 0; i < 60; ++i) {
        EXPECT_EQ(dot[std::size_t(i)], i % 6 < 3) << "dot " << i;
        const int p = i % 24;
        EXPECT_EQ(dash_dot[std::size_t(i)], p < 9 || (p >= 15 && p < 18)) << "dash-dot " << i;
    }
}

TEST(SurfacePens, PatternRunsOnAcrossPolylineSegments) {
    // Path steps 0..3 along the row, then down the column from step 4: steps 3..5 are off and
    // 6..8 on. A pattern restarted at the corner would put (8, 5) on.
    Surface s = blank(16, 24);
    const std::vector<Point> path{{4, 5}, {8, 5}, {8, 20}};
    draw_polyline(s, {PenStyle::Dot, 1, kInk}, path);
    for (int step = 0; step < 19; ++step) {
        const Point p = step < 4 ? Point{4 + step, 5} : Point{8, 5 + step - 4};
        EXPECT_EQ(pixel_at(s, p.x, p.y) == kInk, step % 6 < 3) << "step " << step;
    }
    // Consecutive lines given the phase behave the same way.
    Surface t = blank(16, 24);
    int phase = 0;
    draw_line(t, {PenStyle::Dot, 1, kInk}, path[0], path[1], &phase);
    EXPECT_EQ(phase, 4);
    draw_line(t, {PenStyle::Dot, 1, kInk}, path[1], path[2], &phase);
    EXPECT_EQ(t.pixels, s.pixels);
}

TEST(SurfacePens, EveryStepPutsOneConnectedPixelOnTheLine) {
    std::mt19937 rng(3);
    for (int round = 0; round < 500; ++round) {
        const Point a{int(rng() % 64), int(rng() % 48)}, b{int(rng() % 64), int(rng() % 48)};
        Surface s = blank(64, 48);
        draw_line(s, {PenStyle::Solid, 1, kInk}, a, b);
        const int dx = std::abs(b.x - a.x), dy = std::abs(b.y - a.y), steps = std::max(dx, dy);
        ASSERT_EQ(count_ink(s), steps) << describe({a, b});
        if (steps == 0) continue;
        EXPECT_EQ(pixel_at(s, a.x, a.y), kInk);
        // Each pixel lies within half a pixel of the ideal line along the minor axis.
        for (int y = 0; y < 48; ++y)
            for (int x = 0; x < 64; ++x) {
                if (pixel_at(s, x, y) != kInk) continue;
                const double t = dx >= dy ? double(x - a.x) / (b.x - a.x) : double(y - a.y) / (b.y - a.y);
                const double ideal = dx >= dy ? a.y + t * (b.y - a.y) : a.x + t * (b.x - a.x);
                EXPECT_LE(std::abs((dx >= dy ? y : x) - ideal), 0.5 + 1e-9) << describe({a, b}) << " at " << x << "," << y;
            }
    }
}

TEST(SurfacePens, ClippedLinesPutThePixelsOfTheWholeLine) {
    // The same lines drawn on a large surface and on a small window into it (shifted by the
    // window's origin) must agree on the window, pattern phase included.
    std::mt19937 rng(5);
    const int ox = 150, oy = 120;
    for (int round = 0; round < 300; ++round) {
        const PenStyle style = round % 3 == 0 ? PenStyle::Solid : round % 3 == 1 ? PenStyle::Dot : PenStyle::DashDot;
        const Pen pen{style, round % 4 == 3 ? 3 : 1, kInk};
        const Point a{int(rng() % 400), int(rng() % 300)}, b{int(rng() % 400), int(rng() % 300)};
        Surface big = blank(400, 300), window = blank(64, 48);
        draw_line(big, pen, a, b);
        draw_line(window, pen, {a.x - ox, a.y - oy}, {b.x - ox, b.y - oy});
        for (int y = 0; y < 48; ++y)
            for (int x = 0; x < 64; ++x)
                ASSERT_EQ(pixel_at(window, x, y), pixel_at(big, x + ox, y + oy)) << describe({a, b}) << " at " << x << "," << y;
    }
}

TEST(SurfacePens, ExtremeEndpointsDrawTheVisiblePart) {
    Surface s = blank(64, 48);
    draw_line(s, {PenStyle::Solid, 1, kInk}, {INT32_MIN, 10}, {INT32_MAX, 10});
    EXPECT_EQ(count_ink(s), 64);
    clear(s, kWhite);
    draw_line(s, {PenStyle::Dot, 2, kInk}, {INT32_MIN, INT32_MIN}, {INT32_MAX, INT32_MAX});  // the diagonal
    EXPECT_GT(count_ink(s), 0);
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x)
            if (pixel_at(s, x, y) == kInk) {
                EXPECT_LE(std::abs(x - y), 2) << x << "," << y;
            }
    clear(s, kWhite);
    draw_line(s, {PenStyle::Solid, 1, kInk}, {INT32_MIN, INT32_MIN}, {INT32_MIN + 5, INT32_MAX});  // far off
    EXPECT_EQ(count_ink(s), 0);
}

TEST(SurfacePens, WidePenCoversItsWidth) {
    Surface s = blank(32, 16);
    draw_line(s, {PenStyle::Solid, 3, kInk}, {4, 8}, {20, 8});
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 32; ++x)
            EXPECT_EQ(pixel_at(s, x, y) == kInk, x >= 3 && x <= 20 && y >= 7 && y <= 9) << x << "," << y;
}

TEST(SurfacePens, RectangleOutlineDrawsItsBorderPixels) {
    Surface s = blank(20, 20);
    draw_rect(s, {PenStyle::Solid, 1, kInk}, {2, 3, 10, 9});
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x) {
            const bool inside = x >= 2 && x < 10 && y >= 3 && y < 9;
            const bool border = inside && (x == 2 || x == 9 || y == 3 || y == 8);
            EXPECT_EQ(pixel_at(s, x, y) == kInk, border) << x << "," << y;
        }
    Surface thin = blank(20, 20);
    draw_rect(thin, {PenStyle::Solid, 1, kInk}, {5, 5, 6, 6});   // one pixel
    draw_rect(thin, {PenStyle::Solid, 1, kInk}, {8, 2, 9, 12});  // one column
    EXPECT_EQ(count_ink(thin), 1 + 10);
}

TEST(SurfaceBlend, CoverageMixesTheColours) {
    Surface s;
    resize(s, 4, 1, pixel_rgb(0, 0, 0));
    const std::uint8_t mask[4] = {0, 128, 255, 64};
    blend_mask(s, 0, 0, mask, 4, 1, 4, pixel_rgb(255, 255, 255));
    EXPECT_EQ(s.pixels[0], pixel_rgb(0, 0, 0));
    EXPECT_EQ(s.pixels[1], pixel_rgb(128, 128, 128));
    EXPECT_EQ(s.pixels[2], pixel_rgb(255, 255, 255));
    EXPECT_EQ(s.pixels[3], pixel_rgb(64, 64, 64));
    blend_mask(s, -2, -5, mask, 4, 1, 4, 0);  // wholly outside: nothing
    EXPECT_EQ(pixel_from_colour(0x0000FF), pixel_rgb(255, 0, 0));  // settings colours: red low
}

// ---- Golden scenes ----

TEST(SurfaceGolden, EvenOddPolygons) {
    Surface s = blank(64, 48);
    fill_polygon(s, std::vector<Point>{{20, 1}, {30, 30}, {4, 12}, {36, 12}, {10, 30}}, pixel_rgb(40, 60, 200));
    fill_polygons(s, std::vector<Point>{{34, 20}, {52, 20}, {52, 38}, {34, 38}, {44, 28}, {62, 30}, {58, 46}, {40, 44}},
                  std::vector<int>{4, 4}, pixel_rgb(30, 160, 60));
    fill_quad(s, {40, 2}, {62, 16}, {62, 2}, {40, 16}, pixel_rgb(220, 30, 30));  // crossed
    fill_triangle(s, {2, 34}, {30, 34}, {2, 47}, pixel_rgb(250, 140, 0));
    fill_triangle(s, {30, 47}, {30, 34}, {2, 47}, pixel_rgb(120, 0, 160));
    expect_golden(s, "surface_even_odd");
}

TEST(SurfaceGolden, PenStyles) {
    Surface s = blank(64, 48);
    draw_polyline(s, {PenStyle::Solid, 1, pixel_rgb(0, 0, 0)}, std::vector<Point>{{2, 2}, {20, 10}, {8, 20}, {30, 44}});
    draw_line(s, {PenStyle::Dot, 1, pixel_rgb(255, 0, 0)}, {2, 24}, {62, 24});
    draw_line(s, {PenStyle::DashDot, 1, pixel_rgb(0, 0, 255)}, {2, 46}, {62, 28});
    draw_rect(s, {PenStyle::Dot, 2, pixel_rgb(255, 0, 0)}, {34, 2, 62, 20});
    draw_rect(s, {PenStyle::DashDot, 1, pixel_rgb(0, 128, 0)}, {38, 6, 58, 16});
    draw_line(s, {PenStyle::Solid, 2, pixel_rgb(0, 160, 160)}, {24, 2}, {28, 40});
    expect_golden(s, "surface_pens");
}

}  // namespace
}  // namespace vx::view
