// The redraw of the paint cycle, the side walls and the uncut block.
#include "view/render.h"

#include <vector>

namespace vx::view {

namespace {

void fill_one(const PolygonSink& sink, const std::int32_t* xy, int n, std::uint32_t rgb) {
    if (!sink.fill || n < 3) return;
    const std::int32_t count = n;
    sink.fill(sink.context, xy, &count, 1, rgb);
}

void push(std::vector<std::int32_t>& xy, ScreenPoint p) {
    xy.push_back(p.x);
    xy.push_back(p.y);
}

// A side of the block: a row (along X, at j = index) or a column (along Y, at i = index).
struct Side {
    bool row;
    bool at_max;  // the last row or column, else the first
    Vec3 normal;
};

// The sides facing the eye: Y-minimum when cos A > 0, Y-maximum when cos A < 0, X-minimum when
// sin A > 0, X-maximum when sin A < 0 (quarter angles have exact zeros, so A = 90 shows no Y
// side and A = 0 no X side).
int facing_sides(const ViewState& v, Side out[2]) {
    int n = 0;
    if (v.cos_a > 0.0) out[n++] = {true, false, {0, -1, 0}};
    else if (v.cos_a < 0.0) out[n++] = {true, true, {0, 1, 0}};
    if (v.sin_a > 0.0) out[n++] = {false, false, {-1, 0, 0}};
    else if (v.sin_a < 0.0) out[n++] = {false, true, {1, 0, 0}};
    return n;
}

std::uint32_t wall_colour(const ViewState& v, const Palette& palette, const Vec3& normal) {
    return palette.brush[std::size_t(brush_index(kGroupWork, shade_index(normal, v.light, v.eye)))];
}

void fill_background(const ViewState& v, const Palette& palette, const PolygonSink& sink) {
    const ScreenRect& r = v.area;
    const std::int32_t right = r.left + r.width, bottom = r.top + r.height;
    const std::int32_t xy[8] = {r.left, r.top, right, r.top, right, bottom, r.left, bottom};
    fill_one(sink, xy, 4, palette.background);
}

}  // namespace

void render_view(const ViewState& v, const sim::Workpiece& wp, const Palette& palette,
                 const RenderSettings& settings, const PolygonSink& sink) {
    fill_background(v, palette, sink);
    if (sink.clip) sink.clip(sink.context, &v.area);
    if (wp.modification_state == sim::kModified) {
        if (settings.mesh) draw_mesh(v, wp, palette, sink);
        else draw_surface(v, wp, palette, settings, sink);
    } else if (wp.modification_state == sim::kDefined) {
        draw_uncut_block(v, wp, palette, settings, sink);
    }
    if (sink.clip) sink.clip(sink.context, nullptr);
}

// Each facing wall is one polygon along the drawn points of its boundary row or column, at
// their heights, closed through the two bottom corners of that side.
void draw_walls(const ViewState& v, const sim::Workpiece& wp, const Palette& palette, const PolygonSink& sink) {
    const sim::GridGeometry& g = wp.geometry;
    if (!wp.screen_position.data || !wp.coordinate.data || v.step < 1) return;
    const std::int16_t* sx = wp.screen_position.data;
    const std::int16_t* sy = sx + g.cell_count;
    const double* X = wp.coordinate.data;
    const Blocks bx{v.step, g.last_column}, by{v.step, g.last_row};
    Side sides[2];
    const int n = facing_sides(v, sides);
    std::vector<std::int32_t> xy;
    for (int k = 0; k < n; ++k) {
        const Side& side = sides[k];
        const Blocks& along = side.row ? bx : by;
        const std::int32_t index = side.at_max ? (side.row ? g.last_row : g.last_column) : 0;
        const GridRange& r = v.range;
        const bool shown = side.row ? (side.at_max ? r.last_j == g.last_row : r.first_j == 0)
                                    : (side.at_max ? r.last_i == g.last_column : r.first_i == 0);
        if (!shown) continue;
        const std::int32_t k0 = along.first_block(side.row ? r.first_i : r.first_j);
        const std::int32_t k1 = along.last_block(side.row ? r.last_i : r.last_j);
        xy.clear();
        for (std::int32_t m = k0; m <= k1 + 1; ++m) {
            const std::int32_t p = along.point(m);
            const std::int64_t cell = side.row ? std::int64_t{index} * g.nx + p : std::int64_t{p} * g.nx + index;
            xy.push_back(sx[cell]);
            xy.push_back(sy[cell]);
        }
        const double first = X[along.point(k0)], last = X[along.point(k1 + 1)], fixed = X[index];
        if (side.row) {
            push(xy, project(v, last, fixed, wp.work_bottom));
            push(xy, project(v, first, fixed, wp.work_bottom));
        } else {
            push(xy, project(v, fixed, last, wp.work_bottom));
            push(xy, project(v, fixed, first, wp.work_bottom));
        }
        fill_one(sink, xy.data(), int(xy.size() / 2), wall_colour(v, palette, side.normal));
    }
}

void draw_uncut_block(const ViewState& v, const sim::Workpiece& wp, const Palette& palette,
                      const RenderSettings& settings, const PolygonSink& sink) {
    if (settings.mesh) {
        draw_mesh(v, wp, palette, sink);
        return;
    }
    const sim::GridGeometry& g = wp.geometry;
    const double top = wp.height.data ? double(wp.height.data[0]) : wp.work_top;
    const std::uint8_t attribute = wp.attribute.data ? wp.attribute.data[0] : 0;
    const double w = g.max_x - g.origin_x, h = g.max_y - g.origin_y, bottom = wp.work_bottom;
    int group = kGroupWork;
    if (attribute == sim::kPaintBit) group = kGroupPaint;
    else if (settings.discoloration && top >= settings.discoloration_lower && top <= settings.discoloration_upper)
        group = kGroupDiscoloration;
    std::vector<std::int32_t> xy;
    const double corners[4][2] = {{0.0, 0.0}, {w, 0.0}, {w, h}, {0.0, h}};
    for (const auto& c : corners) push(xy, project(v, c[0], c[1], top));
    fill_one(sink, xy.data(), 4, palette.brush[std::size_t(brush_index(group, flat_top_shade(v)))]);

    Side sides[2];
    const int n = facing_sides(v, sides);
    for (int k = 0; k < n; ++k) {
        const Side& side = sides[k];
        const double fixed = side.at_max ? (side.row ? h : w) : 0.0, end = side.row ? w : h;
        xy.clear();
        const double face[4][2] = {{0.0, top}, {end, top}, {end, bottom}, {0.0, bottom}};
        for (const auto& c : face) push(xy, side.row ? project(v, c[0], fixed, c[1]) : project(v, fixed, c[0], c[1]));
        fill_one(sink, xy.data(), 4, wall_colour(v, palette, side.normal));
    }
}

}  // namespace vx::view
