#include "view/tool_view.h"

#include "view/palette.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace vx::view {
namespace {

// ---- Constants ----

constexpr int kCornerSamples = 6;          // rings through the corner of the cutting edge
constexpr double kOutlineLimit = 1.0e6;    // mm; a ring beyond this comes from a vertical cone's saturation
constexpr double kAxisShare = 0.2;         // axis length as a share of the larger grid extent
constexpr double kMinAxisLength = 10.0;    // mm
constexpr std::uint32_t kBlue = 0x0000FF;
constexpr std::int32_t kCrossHalf = 2;     // a cross of 5 pixels
constexpr double kRadiusRounding = 10.0;   // radii are shown to 0.1 mm

using Points = std::vector<std::int32_t>;

void line(const PolygonSink& sink, const ScreenPoint& a, const ScreenPoint& b, std::uint32_t rgb, int style) {
    const std::int32_t xy[4] = {a.x, a.y, b.x, b.y};
    sink.polyline(sink.context, xy, 2, rgb, style);
}

void cross(const PolygonSink& sink, const ScreenPoint& c, std::uint32_t rgb) {
    // One pixel past each arm end: lines leave out their last pixel.
    line(sink, {c.x - kCrossHalf, c.y}, {c.x + kCrossHalf + 1, c.y}, rgb, kLineSolid);
    line(sink, {c.x, c.y - kCrossHalf}, {c.x, c.y + kCrossHalf + 1}, rgb, kLineSolid);
}

// ---- Outline ----

bool usable(double z, double radius) {
    return std::isfinite(z) && std::isfinite(radius) && radius >= 0.0 && std::fabs(z) < kOutlineLimit &&
           radius < kOutlineLimit;
}

void add_ring(ToolOutline& o, double z, double radius, ToolPart part) {
    if (!usable(z, radius)) return;
    if (!o.rings.empty()) {
        const ToolRing& last = o.rings.back();
        if (last.z == z && last.radius == radius && last.part == part) return;
    }
    o.rings.push_back({z, radius, part});
}

double top_z(const ToolOutline& o) { return o.rings.empty() ? 0.0 : o.rings.back().z; }

void add_edge(ToolOutline& o, const sim::Profile& p) {
    if (!(p.rb > 0.0)) return;
    std::vector<double> radii{p.tip_radius, p.c0};
    for (int k = 1; k < kCornerSamples; ++k) radii.push_back(p.c0 + (p.c1 - p.c0) * k / kCornerSamples);
    radii.push_back(p.c1);
    radii.push_back(p.rb);
    std::vector<double> kept;
    for (double r : radii)
        if (r > 0.0 && r <= p.rb) kept.push_back(r);
    std::sort(kept.begin(), kept.end());
    kept.erase(std::unique(kept.begin(), kept.end()), kept.end());
    // A bottom that rises from the tip (ball, cone) gets the axis point, so the joins meet there.
    const double z0 = sim::edge_height(p, 0.0);
    if (!kept.empty() && sim::edge_height(p, kept.front() * kept.front()) > z0) add_ring(o, z0, 0.0, ToolPart::Edge);
    for (double r : kept) add_ring(o, sim::edge_height(p, r * r), r, ToolPart::Edge);
    if (p.h > top_z(o)) add_ring(o, p.h, p.rb, ToolPart::Edge);
}

void add_shank(ToolOutline& o, const sim::Profile& p) {
    if (p.length_kind == sim::kLengthNone) return;
    const double r = std::fmax(p.rb, p.rn);
    if (p.length_kind != sim::kLength1 && p.rn > p.rb) {
        if (p.L2 > top_z(o)) add_ring(o, p.L2, p.rb, ToolPart::Shank);
        if (p.length_kind == sim::kLength3 && p.rk > p.rb && p.rk < p.rn) add_ring(o, p.L2 + p.L3, p.rk, ToolPart::Shank);
        const double z = sim::neck_height(p, p.rn * p.rn);
        add_ring(o, usable(z, p.rn) ? z : top_z(o), p.rn, ToolPart::Shank);
    }
    if (p.L1 > top_z(o)) add_ring(o, p.L1, r, ToolPart::Shank);
}

void add_holder(ToolOutline& o, const sim::Profile& p) {
    if (!p.has_holder) return;
    const int n = std::clamp(p.holder_count, 0, sim::kHolderSections);
    o.holder_first = int(o.rings.size());
    const auto& r = p.holder_radius;
    const auto& b = p.holder_base;
    o.rings.push_back({b[0], r[0], ToolPart::Holder});
    for (int i = 1; i <= n; ++i) {
        // Stepped sections stand on the base below them; a step of a mixed holder widens at its top.
        if (p.holder_kind == sim::kHolderSteps) add_ring(o, b[i - 1], r[i], ToolPart::Holder);
        else if (p.holder_kind == sim::kHolderMixed && p.holder_cone[i - 1] == 0) add_ring(o, b[i], r[i - 1], ToolPart::Holder);
        add_ring(o, b[i], r[i], ToolPart::Holder);
    }
    if (!usable(b[0], r[0])) o.rings.erase(o.rings.begin() + o.holder_first);
    if (o.holder_first >= int(o.rings.size())) o.holder_first = -1;
}

void add_attachment(ToolOutline& o, const sim::Profile& p) {
    const int n = std::clamp(p.attachment_count, 0, kAttachmentSteps);
    for (int i = 0; i < n; ++i) {
        const double top = i + 1 < n ? p.attachment_base[i + 1] : p.attachment_top;
        const ToolBox box{p.attachment_half[i], p.attachment_base[i], top};
        if (usable(box.bottom, box.half) && usable(box.top, box.half)) o.boxes.push_back(box);
    }
}

// ---- Drawing ----

std::uint32_t part_colour(const ToolColours& c, ToolPart part) {
    return part == ToolPart::Edge ? c.top : part == ToolPart::Shank ? c.side : c.arbor;
}

void project_ring(const ViewState& view, const Vec3& tip, const ToolRing& ring, Points& xy) {
    xy.clear();
    for (int k = 0; k <= kRingPoints; ++k) {
        const double a = 2.0 * std::numbers::pi * (k % kRingPoints) / kRingPoints;
        const ScreenPoint q = project(view, tip.x + ring.radius * std::cos(a), tip.y + ring.radius * std::sin(a),
                                      tip.z + ring.z);
        xy.push_back(q.x);
        xy.push_back(q.y);
    }
}

// A circle in screen space, fine enough that a large ring stays round.
void screen_circle(const PolygonSink& sink, const ScreenPoint& c, double radius, std::uint32_t rgb, Points& xy) {
    if (!(radius >= 0.5) || !(radius < kOutlineLimit)) return;
    const int n = std::clamp(int(std::ceil(2.0 * std::numbers::pi * radius / 4.0)), kRingPoints, 720);
    xy.clear();
    for (int k = 0; k <= n; ++k) {
        const double a = 2.0 * std::numbers::pi * (k % n) / n;
        xy.push_back(c.x + std::int32_t(std::lround(radius * std::cos(a))));
        xy.push_back(c.y - std::int32_t(std::lround(radius * std::sin(a))));
    }
    sink.polyline(sink.context, xy.data(), n + 1, rgb, kLineSolid);
}

void draw_box(const ViewState& view, const Vec3& tip, const ToolBox& box, std::uint32_t rgb, const PolygonSink& sink) {
    const double h = box.half;
    const double cx[4] = {-h, h, h, -h}, cy[4] = {-h, -h, h, h};
    ScreenPoint lo[4], hi[4];
    for (int k = 0; k < 4; ++k) {
        lo[k] = project(view, tip.x + cx[k], tip.y + cy[k], tip.z + box.bottom);
        hi[k] = project(view, tip.x + cx[k], tip.y + cy[k], tip.z + box.top);
    }
    for (const ScreenPoint* r : {lo, hi}) {
        const std::int32_t xy[10] = {r[0].x, r[0].y, r[1].x, r[1].y, r[2].x, r[2].y, r[3].x, r[3].y, r[0].x, r[0].y};
        sink.polyline(sink.context, xy, 5, rgb, kLineSolid);
    }
    for (int k = 0; k < 4; ++k) line(sink, lo[k], hi[k], rgb, kLineSolid);
}

void closed_rect(const ViewState& view, double x1, double y1, double z, std::uint32_t rgb, int style,
                 const PolygonSink& sink) {
    const ScreenPoint p[4] = {project(view, 0, 0, z), project(view, x1, 0, z), project(view, x1, y1, z),
                              project(view, 0, y1, z)};
    const std::int32_t xy[10] = {p[0].x, p[0].y, p[1].x, p[1].y, p[2].x, p[2].y, p[3].x, p[3].y, p[0].x, p[0].y};
    sink.polyline(sink.context, xy, 5, rgb, style);
}

double height_at(const sim::Workpiece& wp, std::int32_t i, std::int32_t j) {
    return double(wp.height.data[std::size_t(j) * std::size_t(wp.geometry.nx) + std::size_t(i)]);
}

}  // namespace

// ---- Tool outline ----

ToolOutline tool_outline(const sim::Profile& profile) {
    ToolOutline o;
    add_edge(o, profile);
    add_shank(o, profile);
    add_holder(o, profile);
    add_attachment(o, profile);
    return o;
}

ToolColours tool_colours(const Colours& colours, bool tool_top_pen, int tool_pen) {
    ToolColours c;
    c.top = sink_colour(colours.tool_top);
    if (tool_top_pen && tool_pen >= 1 && tool_pen <= int(colours.pen.size()))
        c.top = sink_colour(colours.pen[std::size_t(tool_pen - 1)]);
    c.side = sink_colour(colours.tool_side);
    c.arbor = sink_colour(colours.arbor);
    c.attachment = sink_colour(colours.attachment);
    return c;
}

Vec3 tool_tip(const Vec3& position, const sim::GridGeometry& grid, double tool_length) {
    return {position.x - grid.origin_x, position.y - grid.origin_y, position.z - tool_length};
}

void draw_tool(const ViewState& view, const ToolOutline& outline, const Vec3& tip, const ToolColours& colours,
               bool show_holder, const PolygonSink& sink) {
    if (!sink.polyline || !std::isfinite(tip.x) || !std::isfinite(tip.y) || !std::isfinite(tip.z)) return;
    const int end = show_holder || outline.holder_first < 0 ? int(outline.rings.size()) : outline.holder_first;
    Points xy, previous;
    if (view.angle_b == 0.0) {
        const ScreenPoint axis = project(view, tip.x, tip.y, tip.z);
        for (int k = 0; k < end; ++k) {
            const ToolRing& ring = outline.rings[std::size_t(k)];
            screen_circle(sink, axis, view.scale * ring.radius, part_colour(colours, ring.part), xy);
        }
    } else {
        for (int k = 0; k < end; ++k) {
            const ToolRing& ring = outline.rings[std::size_t(k)];
            const std::uint32_t rgb = part_colour(colours, ring.part);
            project_ring(view, tip, ring, xy);
            if (ring.radius > 0.0) sink.polyline(sink.context, xy.data(), kRingPoints + 1, rgb, kLineSolid);
            if (k > 0)
                for (int m = 0; m < kRingPoints; ++m)
                    line(sink, {previous[2 * m], previous[2 * m + 1]}, {xy[2 * m], xy[2 * m + 1]}, rgb, kLineSolid);
            std::swap(xy, previous);
        }
    }
    if (!show_holder) return;
    for (const ToolBox& box : outline.boxes) draw_box(view, tip, box, colours.attachment, sink);
}

// ---- Bounding box, axes, light ----

void draw_bounding_box(const ViewState& view, const sim::Workpiece& wp, const PolygonSink& sink) {
    if (!sink.polyline || wp.modification_state == sim::kNoWorkpiece) return;
    const sim::GridGeometry& g = wp.geometry;
    const double x1 = g.max_x - g.origin_x, y1 = g.max_y - g.origin_y;
    const double bottom = wp.work_bottom, top = wp.highest;
    closed_rect(view, x1, y1, bottom, kRed, kLineDot2, sink);
    closed_rect(view, x1, y1, top, kRed, kLineDot2, sink);
    const double cx[4] = {0, x1, x1, 0}, cy[4] = {0, 0, y1, y1};
    for (int k = 0; k < 4; ++k)
        line(sink, project(view, cx[k], cy[k], bottom), project(view, cx[k], cy[k], top), kRed, kLineDot2);
}

void draw_triangle_outlines(const ViewState& view, const sim::Workpiece& wp,
                            std::span<const std::array<Vec3, 3>> triangles, const PolygonSink& sink) {
    if (!sink.polyline) return;
    const double ox = wp.geometry.origin_x, oy = wp.geometry.origin_y;
    for (const std::array<Vec3, 3>& t : triangles) {
        std::int32_t xy[8];
        for (int k = 0; k < 4; ++k) {
            const Vec3& v = t[std::size_t(k % 3)];
            const ScreenPoint p = project(view, v.x - ox, v.y - oy, v.z);
            xy[2 * k] = p.x;
            xy[2 * k + 1] = p.y;
        }
        sink.polyline(sink.context, xy, 4, kRed, kLineSolid);
    }
}

void draw_axes(const ViewState& view, const sim::Workpiece& wp, const Vec3& start_point,
               const PolygonSink& sink) {
    if (!sink.polyline) return;
    const sim::GridGeometry& g = wp.geometry;
    const double len = std::fmax(kMinAxisLength, kAxisShare * std::fmax(g.max_x - g.origin_x, g.max_y - g.origin_y));
    const double ox = -g.origin_x, oy = -g.origin_y;
    const ScreenPoint o = project(view, ox, oy, 0.0);
    line(sink, o, project(view, ox + len, oy, 0.0), kRed, kLineSolid);
    line(sink, o, project(view, ox, oy + len, 0.0), kGreen, kLineSolid);
    line(sink, o, project(view, ox, oy, len), kBlue, kLineSolid);
    if (std::isfinite(start_point.x) && std::isfinite(start_point.y) && std::isfinite(start_point.z))
        cross(sink, project(view, start_point.x - g.origin_x, start_point.y - g.origin_y, start_point.z), kGreen);
}

void draw_light_indicator(const ViewState& view, bool dragging, const PolygonSink& sink) {
    if (!sink.polyline || !(view.scale > 0.0)) return;
    const double k = view.area.width / 2.0 / view.scale;
    const Vec3& l = view.light;
    const ScreenPoint a = project(view, view.cx + l.x * k / 3.0, view.cy + l.y * k / 3.0, view.cz + l.z * k / 3.0);
    const ScreenPoint b = project(view, view.cx + l.x * k, view.cy + l.y * k, view.cz + l.z * k);
    line(sink, a, b, kRed, dragging ? kLineDot2 : kLineDot);
}

// ---- Measuring cursor ----

bool add_picked_point(PickedPoints& picks, const PickedPoint& point) {
    if (!picks.points.empty()) {
        const PickedPoint& last = picks.points.back();
        if (last.x == point.x && last.y == point.y && last.z == point.z) return false;
    }
    if (int(picks.points.size()) >= kMaxPickedPoints) picks.points.clear();
    picks.points.push_back(point);
    return true;
}

void pick_outside(PickedPoints& picks) {
    if (!picks.points.empty()) picks.points.back().flag = false;
}

PickedPoint cell_point(const sim::Workpiece& wp, std::int32_t i, std::int32_t j) {
    const sim::GridGeometry& g = wp.geometry;
    return {float(g.origin_x + i * g.pitch), float(g.origin_y + j * g.pitch), float(height_at(wp, i, j)), true};
}

bool cell_under_cursor(const ViewState& view, const sim::Workpiece& wp, std::int32_t x, std::int32_t y,
                       std::int32_t reach, std::int32_t* i, std::int32_t* j) {
    if (!wp.height.data || wp.modification_state == sim::kNoWorkpiece) return false;
    const sim::GridGeometry& g = wp.geometry;
    const std::int32_t step = std::max(view.step, 1);
    const std::int32_t i0 = std::clamp(view.range.first_i, 0, g.last_column);
    const std::int32_t i1 = std::clamp(view.range.last_i, i0, g.last_column);
    const std::int32_t j0 = std::clamp(view.range.first_j, 0, g.last_row);
    const std::int32_t j1 = std::clamp(view.range.last_j, j0, g.last_row);
    const double reach2 = double(reach) * reach;
    double best = -INFINITY;
    bool found = false;
    for (std::int32_t b = j0; b <= j1; b = b == j1 ? j1 + 1 : std::min(b + step, j1))
        for (std::int32_t a = i0; a <= i1; a = a == i1 ? i1 + 1 : std::min(a + step, i1)) {
            const double h = height_at(wp, a, b);
            const ScreenPoint q = project(view, a * g.pitch, b * g.pitch, h);
            const double dx = double(q.x) - x, dy = double(q.y) - y;
            if (dx * dx + dy * dy > reach2) continue;
            const double depth = dot(view.eye, {a * g.pitch, b * g.pitch, h});
            if (depth > best) best = depth, *i = a, *j = b, found = true;
        }
    return found;
}

double cell_radius(const sim::Workpiece& wp, std::int32_t i, std::int32_t j, bool along_x) {
    const sim::GridGeometry& g = wp.geometry;
    const std::int32_t last = along_x ? g.last_column : g.last_row;
    if (last < 2) return kPlaneRadius;  // no three points along this axis
    const std::int32_t c = std::clamp(along_x ? i : j, 1, last - 1);
    auto h = [&](std::int32_t k) { return along_x ? height_at(wp, k, j) : height_at(wp, i, k); };
    const double p = g.pitch;
    const double dl = h(c - 1) - h(c), dr = h(c + 1) - h(c);
    if (dl + dr == 0.0) return kPlaneRadius;
    const double zc = (dl * dl + dr * dr + 2.0 * p * p) / (2.0 * (dl + dr));
    const double xc = (2.0 * zc * dl - dl * dl - p * p) / (2.0 * p);
    const double r = std::round(std::sqrt(xc * xc + zc * zc) * kRadiusRounding) / kRadiusRounding;
    return dr < 0.0 ? -r : r;
}

double three_point_radius(const PickedPoints& picks) {
    const std::size_t n = picks.points.size();
    if (n < 3) return NAN;
    const PickedPoint& p1 = picks.points[n - 3];
    const PickedPoint& p2 = picks.points[n - 2];
    const PickedPoint& p3 = picks.points[n - 1];
    const Vec3 a{double(p1.x) - p3.x, double(p1.y) - p3.y, double(p1.z) - p3.z};
    const Vec3 b{double(p2.x) - p3.x, double(p2.y) - p3.y, double(p2.z) - p3.z};
    const Vec3 d{a.x - b.x, a.y - b.y, a.z - b.z};
    const double la = std::sqrt(dot(a, a)), lb = std::sqrt(dot(b, b)), ld = std::sqrt(dot(d, d));
    if (la == 0.0 || lb == 0.0 || ld == 0.0) return NAN;
    const Vec3 c{a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
    const double area2 = std::sqrt(dot(c, c));  // twice the triangle's area
    if (area2 * kPlaneRadius * 2.0 <= la * lb * ld) return kPlaneRadius;
    return la * lb * ld / (2.0 * area2);
}

void draw_pick_cross(const ViewState& view, const sim::Workpiece& wp, const PickedPoint& point,
                     const PolygonSink& sink) {
    if (!sink.polyline) return;
    cross(sink, project(view, point.x - wp.geometry.origin_x, point.y - wp.geometry.origin_y, point.z), kRed);
}

}  // namespace vx::view
