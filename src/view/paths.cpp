#include "view/paths.h"

#include "nc/move.h"
#include "view/palette.h"

#include <algorithm>
#include <cmath>

namespace vx::view {
namespace {

// ---- Constants ----

// Half the side of the construction point's 3 x 3 pixel outline.
constexpr std::int32_t kConstructionHalf = 1;

bool is_arc(int motion) { return motion == nc::kMotionCw || motion == nc::kMotionCcw; }

bool finite(const Vec3& p) { return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z); }

bool valid_plane(const platform::PathSegment& s) {
    const int f = s.plane_first, g = s.plane_second, n = s.plane_normal;
    return f >= 0 && f < 3 && g >= 0 && g < 3 && n >= 0 && n < 3 && f != g && g != n && f != n;
}

// The tool-tip path and the uncut moves of a cutting run show where the tip went; the
// command-point path shows the programmed point.
bool lowers_by_tool_length(platform::PathKind kind) { return kind != platform::PathKind::CommandPoint; }

// Point k of n of an arc: the start radius vector turned by k/n of the sweep (counter-clockwise
// from the plane's first axis toward its second for G03), the radius and the normal axis
// interpolated linearly. The same rule places the cutting steps, so the path runs through them.
Vec3 arc_point(const platform::PathSegment& s, double u1, double u2, int k, int n) {
    const double t = double(k) / double(n);
    const double turn = s.motion == nc::kMotionCcw ? 1.0 : -1.0;
    const double angle = turn * s.sweep * t;
    const double radius = s.start_radius + t * (s.end_radius - s.start_radius);
    const double c = std::cos(angle), sn = std::sin(angle);
    Vec3 p;
    p[s.plane_first] = s.centre[s.plane_first] + radius * (u1 * c - u2 * sn);
    p[s.plane_second] = s.centre[s.plane_second] + radius * (u1 * sn + u2 * c);
    p[s.plane_normal] =
        s.start[s.plane_normal] + t * (s.end[s.plane_normal] - s.start[s.plane_normal]);
    return p;
}

void arc_points(const platform::PathSegment& s, double move_pitch, std::vector<Vec3>& out) {
    const double d1 = s.start[s.plane_first] - s.centre[s.plane_first];
    const double d2 = s.start[s.plane_second] - s.centre[s.plane_second];
    const double len = std::hypot(d1, d2);
    // A start on the centre has no direction; any will do, its radius is zero.
    const double u1 = len > 0.0 ? d1 / len : 1.0, u2 = len > 0.0 ? d2 / len : 0.0;
    const double arc_length = (s.start_radius + s.end_radius) / 2.0 * std::fabs(s.sweep);
    const int n = arc_segments(arc_length, move_pitch);
    out.reserve(std::size_t(n) + 1);
    for (int k = 0; k < n; ++k) out.push_back(arc_point(s, u1, u2, k, n));
    out.push_back({s.end.x, s.end.y, s.end.z});
}

void square_outline(const ScreenPoint& c, std::uint32_t rgb, const PolygonSink& sink) {
    const std::int32_t h = kConstructionHalf;
    const std::int32_t xy[10] = {c.x - h, c.y - h, c.x + h, c.y - h, c.x + h, c.y + h, c.x - h, c.y + h, c.x - h, c.y - h};
    sink.polyline(sink.context, xy, 5, rgb, kLineSolid);
}

}  // namespace

// ---- Colours and pens ----

PathColours path_colours(const Colours& colours) {
    PathColours c;
    c.tool_tip = sink_colour(colours.top_path);
    c.command_point = sink_colour(colours.control_path);
    c.uncut = sink_colour(colours.cut_path);
    c.construction = sink_colour(colours.construction);
    for (std::size_t k = 0; k < c.pen.size(); ++k) c.pen[k] = sink_colour(colours.pen[k]);
    return c;
}

std::uint32_t path_colour(const PathColours& colours, platform::PathKind kind, bool per_tool, int tool_pen) {
    if (per_tool && tool_pen >= 1 && tool_pen <= int(colours.pen.size())) return colours.pen[std::size_t(tool_pen - 1)];
    switch (kind) {
        case platform::PathKind::ToolTip: return colours.tool_tip;
        case platform::PathKind::CommandPoint: return colours.command_point;
        default: return colours.uncut;
    }
}

PathPen path_pen(int motion, double feedrate, double rapid_feedrate, bool hidden_rapid) {
    if (motion == nc::kMotionRapid) return {!hidden_rapid, kLineDot};
    if (is_arc(motion)) return {true, kLineSolid};
    return {true, feedrate < rapid_feedrate ? kLineSolid : kLineDashDot};
}

// ---- One move ----

int arc_segments(double arc_length, double move_pitch) {
    if (!(arc_length > 0.0) || !(move_pitch > 0.0)) return 3;
    const double n = std::ceil(arc_length / move_pitch);
    if (!(n < double(kMaxArcSegments))) return kMaxArcSegments;
    return std::max(3, int(n));
}

void path_points(const platform::PathSegment& s, const PathOptions& options, std::vector<Vec3>& points) {
    points.clear();
    if (!finite(s.start) || !finite(s.end) || !std::isfinite(s.tool_length)) return;
    const bool arc = is_arc(s.motion) && valid_plane(s);
    if (arc) {
        if (!finite(s.centre) || !std::isfinite(s.start_radius) || !std::isfinite(s.end_radius) ||
            !std::isfinite(s.sweep))
            return;
        arc_points(s, options.move_pitch, points);
    } else {
        points.push_back({s.start.x, s.start.y, s.start.z});
        points.push_back({s.end.x, s.end.y, s.end.z});
    }
    const double dz = lowers_by_tool_length(s.kind) ? s.tool_length : 0.0;
    for (Vec3& p : points) {
        p.x -= options.origin_x;
        p.y -= options.origin_y;
        p.z -= dz;
    }
}

std::vector<Vec3> path_points(const platform::PathSegment& s, const PathOptions& options) {
    std::vector<Vec3> points;
    path_points(s, options, points);
    return points;
}

void draw_path_move(const ViewState& view, const platform::PathSegment& s, const PathColours& colours,
                    const PathOptions& options, const PolygonSink& sink, PathBuffers& buffers) {
    if (!sink.polyline) return;
    const PathPen pen = path_pen(s.motion, s.feedrate, options.rapid_feedrate, s.hidden_rapid);
    if (!pen.drawn) return;
    path_points(s, options, buffers.points);
    if (buffers.points.size() < 2) return;
    std::vector<std::int32_t>& xy = buffers.xy;
    xy.clear();
    for (const Vec3& p : buffers.points) {
        const ScreenPoint q = project(view, p.x, p.y, p.z);
        xy.push_back(q.x);
        xy.push_back(q.y);
    }
    const std::uint32_t rgb = path_colour(colours, s.kind, options.per_tool, s.tool_pen);
    sink.polyline(sink.context, xy.data(), int(buffers.points.size()), rgb, pen.style);
    if (options.construction_points) {
        const std::size_t last = xy.size() - 2;
        square_outline({xy[last], xy[last + 1]}, colours.construction, sink);
    }
}

void draw_path_move(const ViewState& view, const platform::PathSegment& s, const PathColours& colours,
                    const PathOptions& options, const PolygonSink& sink) {
    PathBuffers buffers;
    draw_path_move(view, s, colours, options, sink, buffers);
}

// ---- The moves drawn so far ----

void clear_paths(PathList& list) { list.moves.clear(); }

void add_path(PathList& list, const platform::PathSegment& s) {
    if (list.capacity == 0) return;
    if (list.moves.size() >= list.capacity)
        list.moves.erase(list.moves.begin(), list.moves.begin() + std::ptrdiff_t(list.moves.size() / 2 + 1));
    list.moves.push_back(s);
}

void draw_paths(const ViewState& view, const PathList& list, const PathColours& colours, const PathOptions& options,
                const PolygonSink& sink) {
    PathBuffers buffers;
    for (const platform::PathSegment& m : list.moves) draw_path_move(view, m, colours, options, sink, buffers);
}

}  // namespace vx::view
