// Line drawings of the workpiece: the wire mesh and the difference lines against the basic model.
#include "view/render.h"

#include "base/constants.h"

#include <vector>

namespace vx::view {

namespace {

// The drawn points of one axis over the displayed range: block starts and the last block's end.
struct Span {
    Blocks blocks;
    std::int32_t k0, k1;
    std::int32_t count() const { return k1 - k0 + 2; }
    std::int32_t at(std::int32_t n) const { return blocks.point(k0 + n); }
};

Span span_of(std::int32_t step, std::int32_t last, std::int32_t first_index, std::int32_t last_index) {
    const Blocks b{step, last};
    return {b, b.first_block(first_index), b.last_block(last_index)};
}

void line(const PolygonSink& sink, ScreenPoint a, ScreenPoint b, std::uint32_t rgb) {
    const std::int32_t xy[4] = {a.x, a.y, b.x, b.y};
    sink.polyline(sink.context, xy, 2, rgb, kLineSolid);
}

}  // namespace

void draw_mesh(const ViewState& v, const sim::Workpiece& wp, const Palette& palette, const PolygonSink& sink) {
    const sim::GridGeometry& g = wp.geometry;
    if (!sink.polyline || !wp.screen_position.data || !wp.coordinate.data || v.step < 1) return;
    const std::int16_t* sx = wp.screen_position.data;
    const std::int16_t* sy = sx + g.cell_count;
    const Span si = span_of(v.step, g.last_column, v.range.first_i, v.range.last_i);
    const Span sj = span_of(v.step, g.last_row, v.range.first_j, v.range.last_j);
    std::vector<std::int32_t> xy;
    auto add = [&](std::int32_t i, std::int32_t j) {
        const std::int64_t cell = std::int64_t{j} * g.nx + i;
        xy.push_back(sx[cell]);
        xy.push_back(sy[cell]);
    };
    for (std::int32_t n = 0; n < sj.count(); ++n) {
        xy.clear();
        for (std::int32_t m = 0; m < si.count(); ++m) add(si.at(m), sj.at(n));
        sink.polyline(sink.context, xy.data(), int(xy.size() / 2), palette.mesh, kLineSolid);
    }
    for (std::int32_t m = 0; m < si.count(); ++m) {
        xy.clear();
        for (std::int32_t n = 0; n < sj.count(); ++n) add(si.at(m), sj.at(n));
        sink.polyline(sink.context, xy.data(), int(xy.size() / 2), palette.mesh, kLineSolid);
    }

    const double w = g.max_x - g.origin_x, h = g.max_y - g.origin_y, bottom = wp.work_bottom;
    const ScreenPoint corner[4] = {project(v, 0, 0, bottom), project(v, w, 0, bottom), project(v, w, h, bottom),
                                   project(v, 0, h, bottom)};
    xy.clear();
    for (int k = 0; k <= 4; ++k) xy.push_back(corner[k % 4].x), xy.push_back(corner[k % 4].y);
    sink.polyline(sink.context, xy.data(), 5, palette.mesh, kLineSolid);

    const std::int32_t ci[4] = {0, g.last_column, g.last_column, 0}, cj[4] = {0, 0, g.last_row, g.last_row};
    const GridRange& r = v.range;
    for (int k = 0; k < 4; ++k) {
        if (ci[k] < r.first_i || ci[k] > r.last_i || cj[k] < r.first_j || cj[k] > r.last_j) continue;
        const std::int64_t cell = std::int64_t{cj[k]} * g.nx + ci[k];
        line(sink, corner[k], {sx[cell], sy[cell]}, palette.mesh);
    }
}

void draw_difference_lines(const ViewState& v, const sim::Workpiece& wp, const Palette& palette,
                           DifferenceArea area, const PolygonSink& sink) {
    const sim::GridGeometry& g = wp.geometry;
    if (!sink.polyline || !wp.basic_loaded || !wp.basic_model.data || !wp.height.data || !wp.coordinate.data ||
        v.step < 1)
        return;
    const double* X = wp.coordinate.data;
    const Span si = span_of(v.step, g.last_column, v.range.first_i, v.range.last_i);
    const Span sj = span_of(v.step, g.last_row, v.range.first_j, v.range.last_j);
    for (std::int32_t n = 0; n < sj.count(); ++n) {
        const std::int32_t j = sj.at(n);
        for (std::int32_t m = 0; m < si.count(); ++m) {
            const std::int32_t i = si.at(m);
            const std::int64_t cell = std::int64_t{j} * g.nx + i;
            const float reference = wp.basic_model.data[cell], height = wp.height.data[cell];
            if (!(reference > kNoMaterial) || reference == height) continue;  // outside the model, or NaN
            const bool minus = reference > height;
            if (minus ? area == DifferenceArea::Plus : area == DifferenceArea::Minus) continue;
            line(sink, project(v, X[i], X[j], reference), project(v, X[i], X[j], height),
                 minus ? palette.minus : palette.plus);
        }
    }
}

}  // namespace vx::view
