// Painter's order over the blocks of the grid: far blocks first, so that nearer ones cover them;
// polygons batched by brush for the full redraw, one by one for the blocks a cut changed.
#include "view/render.h"

#include <algorithm>
#include <array>
#include <vector>

namespace vx::view {

namespace {

constexpr std::size_t kBatchPoints = 300;  // a fill call takes at most this many points

// Consecutive polygons of one brush, flushed when the brush changes or the batch is full.
// A limit of 1 point sends every polygon on its own. Polygons have three or four corners.
struct Batch {
    const PolygonSink& sink;
    const Palette& palette;
    std::size_t limit;
    std::array<std::int32_t, 2 * (kBatchPoints + 3)> xy{};  // a full batch may end with a quad
    std::array<std::int32_t, kBatchPoints> counts{};
    std::size_t points = 0, polygons = 0;
    int brush = -1;

    template <std::size_t N>
    void add(int polygon_brush, const std::array<std::int32_t, 2 * N>& corners) {
        if (polygon_brush != brush) flush();
        brush = polygon_brush;
        std::copy(corners.begin(), corners.end(), xy.begin() + std::ptrdiff_t(2 * points));
        points += N;
        counts[polygons++] = std::int32_t(N);
        if (points >= limit) flush();
    }
    void flush() {
        if (polygons != 0 && sink.fill)
            sink.fill(sink.context, xy.data(), counts.data(), int(polygons), palette.brush[std::size_t(brush)]);
        points = polygons = 0;
    }
};

// X from 0 upward when A > 180, else from the last block down; Y from the last block down when
// A < 90 or A > 270, else from 0 upward. Sectors 2-4 and 8-10 look mostly along X, so the outer
// loop runs over X there.
struct Order {
    bool x_up, y_up, outer_x;
};

Order painter_order(const ViewState& v) {
    const double a = v.angle_a;
    const int s = v.sector;
    return {a > 180.0, !(a < 90.0 || a > 270.0), (s >= 2 && s <= 4) || (s >= 8 && s <= 10)};
}

struct SurfaceWalk {
    const ViewState& view;
    const CellRules rules;
    const std::int16_t* sx;
    const std::int16_t* sy;
    Blocks bx, by;
    bool cull;  // some of the grid lies outside the drawing rectangle
    std::int64_t cells;  // of the grid: the bounds of the prefetches
};

bool beyond_one_edge(const ScreenRect& r, const std::int32_t* p) {
    const std::int32_t right = r.left + r.width, bottom = r.top + r.height;
    bool left = true, above = true, past_right = true, below = true;
    for (int k = 0; k < 4; ++k) {
        const std::int32_t x = p[2 * k], y = p[2 * k + 1];
        left = left && x < r.left;
        past_right = past_right && x >= right;
        above = above && y < r.top;
        below = below && y >= bottom;
    }
    return left || past_right || above || below;
}

// One line of the traversal's inner loop, in drawing order: its blocks and their looks, taken
// for the whole line at once.
struct Line {
    std::vector<BlockAt> blocks;
    std::vector<BlockLook> looks;
    LookBuffers buffers;
};

BlockAt block_at(const SurfaceWalk& s, std::int32_t kx, std::int32_t ky) {
    const std::int32_t i = s.bx.start(kx), j = s.by.start(ky);
    return {i, j, s.bx.end(kx) - i, s.by.end(ky) - j};
}

// A block is skipped when its four corners coincide on screen or, with part of the grid off the
// drawing rectangle, all lie beyond one edge of it.
void draw_block(const SurfaceWalk& s, const BlockAt& k, const BlockLook& look, Batch& batch) {
    const auto [c0, cx, cy, cxy] = cells_of(k, s.rules.nx);
    // P0, PX, PXY, PY: the quadrilateral's order; the triangles pick from it.
    const std::array<std::int32_t, 8> q{s.sx[c0], s.sy[c0], s.sx[cx], s.sy[cx], s.sx[cxy], s.sy[cxy], s.sx[cy], s.sy[cy]};
    if (q[0] == q[2] && q[0] == q[4] && q[0] == q[6] && q[1] == q[3] && q[1] == q[5] && q[1] == q[7]) return;
    if (s.cull && beyond_one_edge(s.view.area, q.data())) return;
    if (look.one_polygon()) return batch.add<4>(look.brush[0], q);
    if (look.visible[0]) batch.add<3>(look.brush[0], {q[0], q[1], q[2], q[3], q[6], q[7]});
    if (look.visible[1]) batch.add<3>(look.brush[1], {q[4], q[5], q[2], q[3], q[6], q[7]});
}

// Lines along X touch one new row of every layer each; it is fetched while the line before is
// drawn (`ahead` cells on), or the next line waits on memory. Lines along Y reuse the cache
// lines of the one before.
void prefetch_row(const SurfaceWalk& s, const BlockAt& k, std::int64_t ahead) {
    const std::int64_t c = std::clamp<std::int64_t>(std::int64_t{k.j} * s.rules.nx + k.i + ahead, 0, s.cells - 1);
    __builtin_prefetch(s.sx + c);
    __builtin_prefetch(s.sy + c);
    __builtin_prefetch(s.rules.height + c);
    __builtin_prefetch(s.rules.attribute + c);
}

void draw_line(const SurfaceWalk& s, Line& line, std::int64_t ahead, Batch& batch) {
    const int n = int(line.blocks.size());
    line.looks.resize(std::size_t(n));
    look_of_blocks(s.rules, line.blocks.data(), n, line.looks.data(), line.buffers);
    for (std::size_t m = 0; m < std::size_t(n); ++m) {
        if (ahead != 0) prefetch_row(s, line.blocks[m], ahead);
        draw_block(s, line.blocks[m], line.looks[m], batch);
    }
}

// Blocks kx0..kx1 x ky0..ky1 in painter's order, a line of the inner loop at a time.
void traverse(const SurfaceWalk& s, std::int32_t kx0, std::int32_t kx1, std::int32_t ky0, std::int32_t ky1,
              Batch& batch) {
    if (kx0 > kx1 || ky0 > ky1) return;
    const Order o = painter_order(s.view);
    const std::int32_t nx = kx1 - kx0 + 1, ny = ky1 - ky0 + 1;
    auto kx_at = [&](std::int32_t n) { return o.x_up ? kx0 + n : kx1 - n; };
    auto ky_at = [&](std::int32_t n) { return o.y_up ? ky0 + n : ky1 - n; };
    Line line;
    const std::int32_t longest = o.outer_x ? ny : nx;
    // The next line's new row: one step back, or two steps on (past this line's far corners).
    const std::int64_t ahead = o.outer_x ? 0 : std::int64_t{s.by.step} * s.rules.nx * (o.y_up ? 2 : -1);
    line.blocks.resize(std::size_t(longest));
    for (std::int32_t m = 0; m < (o.outer_x ? nx : ny); ++m) {
        for (std::int32_t n = 0; n < longest; ++n)
            line.blocks[std::size_t(n)] = o.outer_x ? block_at(s, kx_at(m), ky_at(n)) : block_at(s, kx_at(n), ky_at(m));
        draw_line(s, line, ahead, batch);
    }
    batch.flush();
}

bool drawable(const sim::Workpiece& wp) {
    return wp.height.data && wp.attribute.data && wp.screen_position.data && wp.geometry.nx >= 2 &&
           wp.geometry.ny >= 2;
}

SurfaceWalk surface_of(const ViewState& v, const sim::Workpiece& wp, const RenderSettings& settings) {
    const std::int16_t* sx = wp.screen_position.data;  // all x, then all y
    return {v, cell_rules(v, wp, settings), sx, sx + wp.geometry.cell_count, Blocks{v.step, wp.geometry.last_column},
            Blocks{v.step, wp.geometry.last_row}, !v.grid_inside, wp.geometry.cell_count};
}

}  // namespace

void draw_surface(const ViewState& v, const sim::Workpiece& wp, const Palette& palette,
                  const RenderSettings& settings, const PolygonSink& sink) {
    if (!drawable(wp) || v.step < 1) return;
    const SurfaceWalk s = surface_of(v, wp, settings);
    Batch batch{sink, palette, kBatchPoints};
    traverse(s, s.bx.first_block(v.range.first_i), s.bx.last_block(v.range.last_i), s.by.first_block(v.range.first_j),
             s.by.last_block(v.range.last_j), batch);
    draw_walls(v, wp, palette, sink);
}

void draw_changed_blocks(const ViewState& v, const sim::Workpiece& wp, const Palette& palette,
                         const RenderSettings& settings, const GridRange& cells, const PolygonSink& sink) {
    if (!drawable(wp) || v.step < 1) return;
    const SurfaceWalk s = surface_of(v, wp, settings);
    // Only blocks of the displayed range: the rest of the grid is not on screen.
    const std::int32_t kx0 = std::max(s.bx.first_block(cells.first_i), s.bx.first_block(v.range.first_i));
    const std::int32_t kx1 = std::min(s.bx.last_block(cells.last_i), s.bx.last_block(v.range.last_i));
    const std::int32_t ky0 = std::max(s.by.first_block(cells.first_j), s.by.first_block(v.range.first_j));
    const std::int32_t ky1 = std::min(s.by.last_block(cells.last_j), s.by.last_block(v.range.last_j));
    if (cells.first_i > cells.last_i || cells.first_j > cells.last_j) return;
    if (sink.clip) sink.clip(sink.context, &v.area);
    Batch batch{sink, palette, 1};
    traverse(s, kx0, kx1, ky0, ky1, batch);
    if (sink.clip) sink.clip(sink.context, nullptr);
}

}  // namespace vx::view
