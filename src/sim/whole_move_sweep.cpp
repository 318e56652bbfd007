// Segment geometry, band spans and the cell layers of the whole-move step.
#include "sim/whole_move_sweep.h"

#include <cmath>

namespace vx::sim::envelope {
namespace {

// Box and span bounds are widened by this fraction of a cell so that a cell exactly at the
// radius survives the rounding of (x - R) / p; the per-cell distance test still decides.
constexpr double kBoxSlack = 1e-9;

}  // namespace

Segment make_segment(double ax, double ay, double bx, double by) {
    Segment s{ax, ay, bx, by, bx - ax, by - ay, 0, 0, 0, 0};
    s.length2 = s.dx * s.dx + s.dy * s.dy;
    s.length = std::sqrt(s.length2);
    s.nx = s.length > 0.0 ? -s.dy / s.length : 0.0;  // a plunge has no strip, only its disc
    s.ny = s.length > 0.0 ? s.dx / s.length : 0.0;
    return s;
}

bool path_distance2(const Segment& s, double X, double Y, double* d2) {
    const double wx = X - s.ax, wy = Y - s.ay;
    const double along = wx * s.dx + wy * s.dy;
    if (!(along > 0.0)) return false;
    if (along <= s.length2) {
        const double cross = wx * s.dy - wy * s.dx;
        *d2 = cross * cross / s.length2;
        return true;
    }
    const double ex = X - s.bx, ey = Y - s.by;
    *d2 = ex * ex + ey * ey;
    return true;
}

void include(double x, double* lo, double* hi) {
    *lo = std::min(*lo, x);
    *hi = std::max(*hi, x);
}

void include_disc(double cx, double cy, double r, double Y, double* lo, double* hi) {
    const double ey = Y - cy;
    if (ey * ey > r * r) return;
    const double half = std::sqrt(r * r - ey * ey);
    include(cx - half, lo, hi);
    include(cx + half, lo, hi);
}

void include_front_half(const Segment& s, double r, double Y, double* lo, double* hi) {
    const double ey = Y - s.by;
    if (ey * ey > r * r) return;
    const double half = std::sqrt(r * r - ey * ey);
    double a = s.bx - half, b = s.bx + half;
    // Ahead of B: (X - bx) dx + ey dy >= 0.
    if (s.dx > 0.0) a = std::max(a, s.bx - ey * s.dy / s.dx);
    else if (s.dx < 0.0) b = std::min(b, s.bx - ey * s.dy / s.dx);
    else if (ey * s.dy < 0.0) return;
    if (a <= b) include(a, lo, hi), include(b, lo, hi);
}

bool band_span(const Segment& s, double r, Ends ends, double Y, double* lo, double* hi) {
    *lo = INFINITY;
    *hi = -INFINITY;
    const double cx[4] = {s.ax + r * s.nx, s.bx + r * s.nx, s.bx - r * s.nx, s.ax - r * s.nx};
    const double cy[4] = {s.ay + r * s.ny, s.by + r * s.ny, s.by - r * s.ny, s.ay - r * s.ny};
    for (int k = 0; k < 4; ++k) {
        const double x0 = cx[k], y0 = cy[k], x1 = cx[(k + 1) % 4], y1 = cy[(k + 1) % 4];
        if (y0 == y1) {
            if (y0 == Y) include(x0, lo, hi), include(x1, lo, hi);
        } else if ((Y - y0) * (Y - y1) <= 0.0) {
            include(x0 + (x1 - x0) * (Y - y0) / (y1 - y0), lo, hi);
        }
    }
    if (ends == Ends::FrontOfB && s.length > 0.0) {
        include_front_half(s, r, Y, lo, hi);
    } else {
        include_disc(s.bx, s.by, r, Y, lo, hi);
        if (ends == Ends::AAndB) include_disc(s.ax, s.ay, r, Y, lo, hi);
    }
    return *lo <= *hi;
}

void refresh_screen(Sweep& s, std::int64_t cell, std::int32_t i, std::int32_t j, float t) {
    refresh_cell_screen(*s.projection, s.wp.coordinate.data[i], s.wp.coordinate.data[j], t, screen_x(s.wp),
                        screen_y(s.wp), cell, i, j, s.result.bounds);
}

Sweep sweep_for_share(const Sweep& s, BandShare& share) {
    return Sweep{s.wp,          s.p,           s.z,         s.z_float,  s.radius2,
                 s.pen_code,    s.line_number, s.paint,     s.outer_zones, s.rapid_speed,
                 s.flag_zones,  s.project,     s.projection, share.result};
}

void combine_share(Sweep& s, const BandShare& share, std::int32_t& mark_i0, std::int32_t& mark_i1) {
    SweepResult& r = s.result;
    const SweepResult& b = share.result;
    r.changed |= b.changed;
    r.taper |= b.taper;
    r.holder |= b.holder;
    r.rapid_interference |= b.rapid_interference;
    merge_extent(r.extent, s.hit, b.extent, share.hit);
    merge_bounds(r.bounds, b.bounds);
    r.cells_examined += b.cells_examined;
    s.pending |= share.pending;
    mark_i0 = std::min(mark_i0, share.mark_i0);
    mark_i1 = std::max(mark_i1, share.mark_i1);
}

bool index_range(double lo, double hi, double pitch, std::int32_t last, std::int32_t* first, std::int32_t* end) {
    const double f = std::ceil(lo / pitch - kBoxSlack), e = std::trunc(hi / pitch + kBoxSlack);
    if (!(f <= double(last)) || !(e >= 0.0) || !(f <= e)) return false;
    *first = std::int32_t(std::max(f, 0.0));
    *end = std::int32_t(std::min(e, double(last)));
    return *first <= *end;
}

}  // namespace vx::sim::envelope
