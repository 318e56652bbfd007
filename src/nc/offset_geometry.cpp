#include "nc/offset_geometry.h"

#include "nc/motion.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace vx::nc {

namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;
constexpr double kNoTravel = 1e-9;     // mm: a line shorter than this in the plane has no direction
constexpr double kOnPath = 1e-7;       // mm: an intersection this close beyond an end still lies on the path
constexpr double kEndsMeet = 0.001;    // mm, sum of both plane distances: an outside corner inserts nothing
constexpr double kSamePoint = 1e-9;    // mm: the second extension point repeats the first

PlanePoint operator+(PlanePoint a, PlanePoint b) { return {a.u + b.u, a.v + b.v}; }
PlanePoint operator-(PlanePoint a, PlanePoint b) { return {a.u - b.u, a.v - b.v}; }
PlanePoint operator*(double s, PlanePoint a) { return {s * a.u, s * a.v}; }
double dot2(PlanePoint a, PlanePoint b) { return a.u * b.u + a.v * b.v; }
double cross2(PlanePoint a, PlanePoint b) { return a.u * b.v - a.v * b.u; }
// Plain sqrt, not hypot: plane distances in millimetres neither overflow nor underflow, and
// this runs several times per move of a compensated program.
double norm2(PlanePoint a) { return std::sqrt(a.u * a.u + a.v * a.v); }
PlanePoint left_of(PlanePoint t) { return {-t.v, t.u}; }

// The tangent of an arc at the radial direction `d`.
PlanePoint arc_tangent(int motion, PlanePoint d) { return motion == kMotionCcw ? left_of(d) : -1.0 * left_of(d); }

PlanePoint unit_or_zero(PlanePoint a) {
    const double n = norm2(a);
    return n > kNoTravel ? PlanePoint{a.u / n, a.v / n} : PlanePoint{};
}

// The direction from the centre to `p` as the record keeps it: plane components only.
void set_radial(const MoveRecord& m, const Vec3& p, double& radius, Vec3& direction) {
    const PlaneAxes& pl = m.plane;
    const PlanePoint d = in_plane(p, pl) - in_plane(m.centre, pl);
    radius = norm2(d);
    direction = Vec3{};
    const PlanePoint unit = radius > 0 ? PlanePoint{d.u / radius, d.v / radius} : PlanePoint{1.0, 0.0};
    direction[pl.first] = unit.u;
    direction[pl.second] = unit.v;
}

// The angle from the arc's start direction to the direction of `q`, in the arc's sense, [0, 2 pi).
double angle_along(const MoveRecord& m, const PlanePoint& q) {
    const PlanePoint s = in_plane(m.start_direction, m.plane);
    const PlanePoint d = unit_or_zero(q - in_plane(m.centre, m.plane));
    double a = std::atan2(cross2(s, d), dot2(s, d));
    if (m.motion == kMotionCw) a = -a;
    return a < 0 ? a + kTwoPi : a;
}

// ---- Intersections ----

// A path as its carrier: a segment, or the circle of an arc at the radius of the corner's end.
struct Carrier {
    bool circle = false;
    PlanePoint a, b;  // segment ends
    PlanePoint centre;
    double radius = 0;
};

Carrier carrier(const MoveRecord& m, bool at_end) {
    const PlaneAxes& pl = m.plane;
    Carrier c;
    c.circle = is_arc_motion(m.motion);
    c.a = in_plane(m.start, pl);
    c.b = in_plane(m.end, pl);
    c.centre = in_plane(m.centre, pl);
    c.radius = at_end ? m.end_radius : m.start_radius;
    return c;
}

// Whether plane point `q` (on the carrier) lies on the path itself.
bool on_path(const MoveRecord& m, const Carrier& c, const PlanePoint& q) {
    if (!c.circle) {
        const PlanePoint d = c.b - c.a;
        const double len = norm2(d);
        const double s = dot2(q - c.a, d) / len;
        return s >= -kOnPath && s <= len + kOnPath;
    }
    const double along = angle_along(m, q);
    const double slack = c.radius > 0 ? kOnPath / c.radius : 0.0;
    return along <= m.sweep + slack || along >= kTwoPi - slack;
}

int line_line(const Carrier& p, const Carrier& q, std::array<PlanePoint, 2>& out) {
    const PlanePoint d1 = p.b - p.a, d2 = q.b - q.a;
    const double den = cross2(d1, d2);
    if (std::fabs(den) < 1e-15 * norm2(d1) * norm2(d2)) return 0;  // parallel
    const double t = cross2(q.a - p.a, d2) / den;
    out[0] = p.a + t * d1;
    return 1;
}

int line_circle(const Carrier& line, const Carrier& circle, std::array<PlanePoint, 2>& out) {
    const PlanePoint d = unit_or_zero(line.b - line.a);
    const PlanePoint f = line.a - circle.centre;
    const double b = dot2(f, d);
    const double disc = b * b - (dot2(f, f) - circle.radius * circle.radius);
    if (disc < 0) return 0;
    const double root = std::sqrt(disc);
    out[0] = line.a + (-b - root) * d;
    out[1] = line.a + (-b + root) * d;
    return 2;
}

int circle_circle(const Carrier& p, const Carrier& q, std::array<PlanePoint, 2>& out) {
    const PlanePoint d = q.centre - p.centre;
    const double dist = norm2(d);
    if (dist < kNoTravel) return 0;  // concentric: no crossing
    const double a = (dist * dist + p.radius * p.radius - q.radius * q.radius) / (2.0 * dist);
    const double h2 = p.radius * p.radius - a * a;
    if (h2 < 0) return 0;
    const double h = std::sqrt(h2);
    const PlanePoint e = (1.0 / dist) * d;
    const PlanePoint mid = p.centre + a * e;
    out[0] = mid + h * left_of(e);
    out[1] = mid - h * left_of(e);
    return 2;
}

int crossings(const Carrier& p, const Carrier& q, std::array<PlanePoint, 2>& out) {
    if (!p.circle && !q.circle) return line_line(p, q, out);
    if (!p.circle) return line_circle(p, q, out);
    if (!q.circle) return line_circle(q, p, out);
    return circle_circle(p, q, out);
}

}  // namespace

// ---- Points and paths ----

PlanePoint in_plane(const Vec3& p, const PlaneAxes& pl) { return {p[pl.first], p[pl.second]}; }

Vec3 with_plane(Vec3 p, const PlanePoint& q, const PlaneAxes& pl) {
    p[pl.first] = q.u;
    p[pl.second] = q.v;
    return p;
}

double plane_gap(const PlanePoint& a, const PlanePoint& b) { return norm2(a - b); }

bool is_arc_motion(int motion) { return motion == kMotionCw || motion == kMotionCcw; }

bool travels_in_plane(const MoveRecord& m) {
    const PlanePoint d = in_plane(m.end, m.plane) - in_plane(m.start, m.plane);
    return is_arc_motion(m.motion) || dot2(d, d) > kNoTravel * kNoTravel;
}

PlanePoint start_tangent(const MoveRecord& m) {
    if (is_arc_motion(m.motion)) return arc_tangent(m.motion, in_plane(m.start_direction, m.plane));
    return unit_or_zero(in_plane(m.end, m.plane) - in_plane(m.start, m.plane));
}

PlanePoint end_tangent(const MoveRecord& m) {
    if (is_arc_motion(m.motion)) return arc_tangent(m.motion, in_plane(m.end_direction, m.plane));
    return start_tangent(m);
}

double arc_radius_change(int motion, double r) { return motion == kMotionCw ? r : -r; }

void offset_path(MoveRecord& m, double r) {
    const PlaneAxes& pl = m.plane;
    if (!is_arc_motion(m.motion)) {
        const PlanePoint shift = r * left_of(start_tangent(m));
        m.start = with_plane(m.start, in_plane(m.start, pl) + shift, pl);
        m.end = with_plane(m.end, in_plane(m.end, pl) + shift, pl);
        return;
    }
    const double c = arc_radius_change(m.motion, r);
    const PlanePoint centre = in_plane(m.centre, pl);
    auto place = [&](Vec3& point, Vec3& direction, double& radius) {
        radius += c;
        point = with_plane(point, centre + radius * in_plane(direction, pl), pl);
        if (radius < 0) {
            radius = -radius;
            direction = -direction;
        }
    };
    place(m.start, m.start_direction, m.start_radius);
    place(m.end, m.end_direction, m.end_radius);
    m.arc_length = (m.start_radius + m.end_radius) / 2.0 * m.sweep;
}

void move_start_to(MoveRecord& m, const Vec3& p) {
    m.start = p;
    if (!is_arc_motion(m.motion)) return;
    set_radial(m, p, m.start_radius, m.start_direction);
    complete_sweep(m);
}

void move_end_to(MoveRecord& m, const Vec3& p) {
    m.end = p;
    if (!is_arc_motion(m.motion)) return;
    set_radial(m, p, m.end_radius, m.end_direction);
    complete_sweep(m);
}

double height_at(const MoveRecord& m, const PlanePoint& q) {
    const int n = m.plane.normal;
    double share = 0;
    if (is_arc_motion(m.motion)) {
        share = m.sweep > 0 ? std::min(angle_along(m, q) / m.sweep, 1.0) : 0.0;
    } else {
        const PlanePoint a = in_plane(m.start, m.plane);
        const PlanePoint d = in_plane(m.end, m.plane) - a;
        const double len2 = dot2(d, d);
        share = len2 > 0 ? std::clamp(dot2(q - a, d) / len2, 0.0, 1.0) : 0.0;
    }
    return m.start[n] + share * (m.end[n] - m.start[n]);
}

// ---- Corners ----

CornerKind corner_kind(const PlanePoint& t1, const PlanePoint& t2, double r) {
    const double m = cross2(t1, t2);
    return (r > 0 && m < 0) || (r < 0 && m > 0) ? CornerKind::Outside : CornerKind::Inside;
}

CornerPoints outside_corner_points(const PlanePoint& a_end, const PlanePoint& t1, const PlanePoint& b_start,
                                   const PlanePoint& t2, const PlanePoint& p, double r) {
    CornerPoints out;
    const PlanePoint gap = a_end - b_start;
    if (std::fabs(gap.u) + std::fabs(gap.v) < kEndsMeet) return out;
    // The angle between the offset vectors equals the turn of the path: at an outside corner
    // both stand on the same side of their tangents, so it never exceeds pi.
    const PlanePoint n1 = a_end - p, n2 = b_start - p;
    const double lengths = norm2(n1) * norm2(n2);
    const double theta = lengths > 0 ? std::acos(std::clamp(dot2(n1, n2) / lengths, -1.0, 1.0)) : 0.0;
    const double reach = std::fabs(r);
    if (theta > std::numbers::pi / 2.0) {
        out.point[0] = a_end + reach * t1;
        out.point[1] = b_start - reach * t2;
        out.count = plane_gap(out.point[0], out.point[1]) < kSamePoint ? 1 : 2;
    } else {
        out.point[0] = a_end + std::tan(theta / 2.0) * reach * t1;
        out.count = 1;
    }
    return out;
}

bool trim_to_intersection(MoveRecord& a, MoveRecord& b, const PlanePoint& p) {
    const Carrier ca = carrier(a, true), cb = carrier(b, false);
    std::array<PlanePoint, 2> candidates{};
    const int n = crossings(ca, cb, candidates);
    int best = -1;
    double best_gap = 0;
    for (int i = 0; i < n; ++i) {
        const PlanePoint& q = candidates[std::size_t(i)];
        if (!on_path(a, ca, q) || !on_path(b, cb, q)) continue;
        const double gap = plane_gap(q, p);
        if (best < 0 || gap < best_gap) best = i, best_gap = gap;
    }
    if (best < 0) return false;
    const PlanePoint q = candidates[std::size_t(best)];
    const PlaneAxes& pl = a.plane;
    const double za = height_at(a, q), zb = height_at(b, q);
    Vec3 end = with_plane(a.end, q, pl);
    end[pl.normal] = za;
    Vec3 start = with_plane(b.start, q, pl);
    start[pl.normal] = zb;
    move_end_to(a, end);
    move_start_to(b, start);
    return true;
}

}  // namespace vx::nc
