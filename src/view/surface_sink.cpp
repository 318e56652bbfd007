#include "view/surface_sink.h"

#include <span>

namespace vx::view {
namespace {

// The vertex pairs as points, in the sink's reused buffer.
std::span<const Point> as_points(SurfaceSink& s, const std::int32_t* xy, std::size_t count) {
    s.points.resize(count);
    for (std::size_t k = 0; k < count; ++k) s.points[k] = {xy[2 * k], xy[2 * k + 1]};
    return s.points;
}

void fill(void* context, const std::int32_t* xy, const std::int32_t* counts, int polygons, std::uint32_t rgb) {
    SurfaceSink& s = *static_cast<SurfaceSink*>(context);
    for (int p = 0; p < polygons; ++p) {
        const std::size_t n = std::size_t(std::max(counts[p], 0));
        if (n == 3 || n == 4) {  // the cells of a workpiece: no trip through the buffer
            Point v[4];
            for (std::size_t k = 0; k < n; ++k) v[k] = {xy[2 * k], xy[2 * k + 1]};
            if (n == 3) fill_triangle(*s.surface, v[0], v[1], v[2], rgb);
            else fill_quad(*s.surface, v[0], v[1], v[2], v[3], rgb);
        } else if (n > 0) {
            fill_polygon(*s.surface, as_points(s, xy, n), rgb);
        }
        xy += 2 * n;
    }
}

Pen pen_of(int style, std::uint32_t rgb) {
    switch (style) {
        case kLineDot: return {PenStyle::Dot, 1, rgb};
        case kLineDot2: return {PenStyle::Dot, 2, rgb};
        case kLineDashDot: return {PenStyle::DashDot, 1, rgb};
        default: return {PenStyle::Solid, 1, rgb};
    }
}

void polyline(void* context, const std::int32_t* xy, int count, std::uint32_t rgb, int style) {
    SurfaceSink& s = *static_cast<SurfaceSink*>(context);
    if (count >= 2) draw_polyline(*s.surface, pen_of(style, rgb), as_points(s, xy, std::size_t(count)));
}

void clip(void* context, const ScreenRect* rect) {
    Surface& s = *static_cast<SurfaceSink*>(context)->surface;
    if (!rect) return reset_clip(s);
    set_clip(s, {rect->left, rect->top, rect->left + rect->width, rect->top + rect->height});
}

}  // namespace

PolygonSink SurfaceSink::sink() {
    PolygonSink out;
    out.context = this;
    out.fill = fill;
    out.polyline = polyline;
    out.clip = clip;
    return out;
}

}  // namespace vx::view
