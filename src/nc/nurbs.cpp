#include "nc/nurbs.h"

#include "nc/interp_steps.h"
#include "nc/no_effect.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace vx::nc {
namespace {

// A weighted point of de Boor's recursion: (w x, w y, w z, w).
struct Homogeneous {
    double x = 0, y = 0, z = 0, w = 0;
};

std::size_t span_of(const std::vector<double>& knots, int order, std::size_t n, double u) {
    const std::size_t degree = std::size_t(order - 1);
    std::size_t k = degree;
    while (k + 1 < n && knots[k + 1] <= u) ++k;
    return k;
}

double read_knot(const Interp& in) {
    const BlockWords& b = in.block;
    if (in.modal.spline.knot_q) return b.has_q ? read_decimal(b.q_text) : 0.0;
    const int k = centre_axis_of_letter(*in.ctl, 'K');
    return k >= 0 && b.centre[std::size_t(k)] ? read_decimal(b.centre_text[std::size_t(k)]) : 0.0;
}

bool has_knot(const Interp& in) {
    const BlockWords& b = in.block;
    if (in.modal.spline.knot_q) return b.has_q;
    const int k = centre_axis_of_letter(*in.ctl, 'K');
    return k >= 0 && b.centre[std::size_t(k)];
}

void start_curve(Interp& in, int code) {
    SplineState& s = in.modal.spline;
    s.active = true;
    s.knot_q = code == 132;
    s.points_done = false;
    s.points.clear();
    s.knots.clear();
    const int order = in.block.has_p ? read_integer(in.block.p_text) : 4;
    s.order = std::clamp(order, 2, kMaxSplineOrder);
}

double polygon_length(const std::vector<SplinePoint>& points) {
    double l = 0;
    for (std::size_t i = 1; i < points.size(); ++i) l += length(points[i].point - points[i - 1].point);
    return l;
}

// The curve as chords of at most the move pitch (the control polygon bounds the curve's length).
void hand_on(Interp& in) {
    const SplineState& s = in.modal.spline;
    const std::size_t n = s.points.size();
    const double u0 = s.knots[std::size_t(s.order - 1)], u1 = s.knots[n];
    const double pitch = in.rapid_pitch > 0 ? in.rapid_pitch : 1.0;
    const int pieces = int(std::clamp(std::ceil(polygon_length(s.points) / pitch), 1.0, double(kMaxSplinePieces)));
    for (int i = 0; i <= pieces; ++i) {
        const double u = i == pieces ? u1 : u0 + (u1 - u0) * i / pieces;
        const Vec3 p = spline_point(s.points, s.knots, s.order, u);
        if (p.x == in.modal.position.x && p.y == in.modal.position.y && p.z == in.modal.position.z) continue;
        const MoveRecord m = steps::new_move(in, kMotionSpline, p);
        push_move(in, m);
        in.modal.position = p;
    }
}

void finish_curve(Interp& in) {
    SplineState& s = in.modal.spline;
    const std::size_t n = s.points.size();
    const bool valid = n >= std::size_t(s.order) && std::is_sorted(s.knots.begin(), s.knots.end()) &&
                       s.knots[std::size_t(s.order - 1)] < s.knots[n];
    if (valid) hand_on(in);
    else note_no_effect(in, s.knot_q ? "G132 curve without a valid knot vector" : "G06.2 curve without a valid knot vector");
    s.active = false;
    in.modal.motion = kMotionLinear;
}

// A block with axis words or R: one more control point.
void add_point(Interp& in) {
    SplineState& s = in.modal.spline;
    const BlockWords& b = in.block;
    const Vec3 target = steps::programmed_target(in);
    in.modal.programmed = target;
    const double weight = b.has_r ? read_decimal(b.r_text) : 1.0;
    s.points.push_back({workpiece_point(in, target), weight > 0 ? weight : 1.0});
}

}  // namespace

Vec3 spline_point(const std::vector<SplinePoint>& points, const std::vector<double>& knots, int order, double u) {
    const std::size_t n = points.size();
    const std::size_t k = span_of(knots, order, n, u);
    const std::size_t degree = std::size_t(order - 1);
    std::array<Homogeneous, kMaxSplineOrder> d{};
    for (std::size_t j = 0; j <= degree; ++j) {
        const SplinePoint& p = points[j + k - degree];
        d[j] = {p.point.x * p.weight, p.point.y * p.weight, p.point.z * p.weight, p.weight};
    }
    for (std::size_t r = 1; r <= degree; ++r) {
        for (std::size_t j = degree; j >= r; --j) {
            const double lo = knots[j + k - degree], hi = knots[j + 1 + k - r];
            const double a = hi > lo ? (u - lo) / (hi - lo) : 0.0;
            d[j] = {(1 - a) * d[j - 1].x + a * d[j].x, (1 - a) * d[j - 1].y + a * d[j].y,
                    (1 - a) * d[j - 1].z + a * d[j].z, (1 - a) * d[j - 1].w + a * d[j].w};
        }
    }
    const Homogeneous& h = d[degree];
    return {h.x / h.w, h.y / h.w, h.z / h.w};
}

bool take_spline_block(Interp& in) {
    SplineState& s = in.modal.spline;
    const BlockWords& b = in.block;
    if (b.spline) start_curve(in, b.spline);
    if (!s.active) return false;
    if (!b.spline && (b.motion >= 0 || b.special != 0)) {  // another motion before the curve was complete
        note_no_effect(in, s.knot_q ? "unfinished G132 curve" : "unfinished G06.2 curve");
        s.active = false;
        return false;
    }
    const bool point = !s.points_done && (b.any_axis || b.has_r);
    if (point) add_point(in);
    else if (has_knot(in)) s.points_done = true;
    if (has_knot(in)) s.knots.push_back(read_knot(in));
    if (s.points_done && s.knots.size() >= s.points.size() + std::size_t(s.order)) finish_curve(in);
    return true;
}

}  // namespace vx::nc
