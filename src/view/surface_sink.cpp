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
    if (polygons <= 0) return;
    std::size_t total = 0;
    for (int p = 0; p < polygons; ++p) total += std::size_t(std::max(counts[p], 0));
    fill_polygons(*s.surface, std::span(xy, 2 * total), std::span(counts, std::size_t(polygons)), rgb);
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
