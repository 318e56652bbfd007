// The angle without atan2, the per-move table of helices and their cell rule.
#include "sim/whole_move_helix.h"

#include "sim/whole_move_ramp.h"

#include <algorithm>
#include <cmath>

namespace vx::sim::envelope {
namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kTwoPi = 6.283185307179586;

// Nodes of the angle table, atan(k / kAngleNodes): the remainder's argument is then at most
// 1 / (2 kAngleNodes), where five terms of its series leave less than 1e-24.
constexpr int kAngleNodes = 64;
const std::array<double, kAngleNodes + 1> kNodeAngles = [] {
    std::array<double, kAngleNodes + 1> a{};
    for (int k = 0; k <= kAngleNodes; ++k) a[std::size_t(k)] = std::atan(double(k) / kAngleNodes);
    return a;
}();

// Table entries per grid pitch of r (at least kMinTable): a cell's offset is interpolated and
// then refined by a bracketed Newton search, so the table only has to land near the minimum.
constexpr int kTablePerPitch = 2;
constexpr int kMinTable = 64;

// F' is sampled this often across the reach of each table entry to find its inner minimum and
// to see that there is no second one; the crossing is then bisected this many times.
constexpr int kSlopeSamples = 32;
constexpr int kBisections = 24;

// A fall of F' below 0 smaller than this (mm per radian) is rounding, not a new descent.
constexpr double kSlopeTolerance = 1e-9;

// A crossing of F' this close to a kink's squared radius (relative to rb^2) is the kink's jump.
constexpr double kKinkTolerance = 1e-9;

// Two entries' minima closer than this (radians) lie on one branch and are interpolated.
constexpr double kPairedGap = 0.02;

// The bracketed Newton search of an inner minimum stops when its bracket or its step is this
// narrow (radians: below 1e-9 mm along the path, and at a minimum the surface is off by its
// square), or after this many steps (bisection alone needs 35).
constexpr double kSolveTolerance = 1e-10;
constexpr int kSolveSteps = 60;

// Marks an offset the cell does not have (no inner minimum, a kink it does not meet): no swept
// angle lies this far out.
constexpr double kNoOffset = 1e300;

// Rounding between the floor of a cell and the search's surface stays far below this (mm).
constexpr double kFloorMargin = 1e-9;

// A turn smaller than this (radians) is applied by its series (error below 1e-16), a larger one
// by the library: the search's turns are mostly small, so the library call is rare.
constexpr double kSmallTurn = 0.25;

// (c, s) = cos and sin of an angle turned on by d.
void turn_by(double c, double s, double d, double* c1, double* s1) {
    double cd, sd;
    if (std::fabs(d) < kSmallTurn) {
        const double d2 = d * d;
        sd = d * (1 - d2 / 6 * (1 - d2 / 20 * (1 - d2 / 42 * (1 - d2 / 72 * (1 - d2 / 110)))));
        cd = 1 - d2 / 2 * (1 - d2 / 12 * (1 - d2 / 30 * (1 - d2 / 56 * (1 - d2 / 90 * (1 - d2 / 132)))));
    } else {
        cd = std::cos(d), sd = std::sin(d);
    }
    *c1 = c * cd - s * sd;
    *s1 = s * cd + c * sd;
}

// F'(w) = -am + g'(rho) r R sin w / rho for the rise am >= 0 per radian; on the axis line of a
// cell on the path (rho = 0) the limit g'(0+) R.
double offset_slope(const Profile& p, double r, double R, double am, double w) {
    const double rR = r * R, rho2 = std::max(0.0, r * r + R * R - 2.0 * rR * std::cos(w));
    if (!(rho2 > 0.0)) return -am + edge_slope(p, 0.0, true) * R;
    const double rho = std::sqrt(rho2);
    return -am + edge_slope(p, rho, false) * rR * std::sin(w) / rho;
}

// cos alpha: the offset within which the tool at distance R from the centre reaches a cell at r;
// -1 or below when every position reaches it.
double reach_cosine(double r2, double rR, double R2, double rb2) {
    return rR > 0.0 ? (r2 + R2 - rb2) / (2.0 * rR) : -1.0;
}

// Whether the cell at r lies at one of the kinks' radii from the tool at offset w.
bool at_kink(const HelixRule& rule, double r, double R, double w) {
    const double rho2 = r * r + R * R - 2.0 * r * R * std::cos(w);
    for (int k = 0; k < rule.kinks; ++k)
        if (std::fabs(rho2 - rule.kink2[std::size_t(k)]) <= kKinkTolerance * rule.p->rb2) return true;
    return false;
}

// The offsets in [0, alpha] where F has a smooth inner minimum for a cell at r: where F' rises
// through 0 other than by a jump at a kink. False when there are more than the table holds.
bool inner_minima(const HelixRule& rule, double r, double R, double am, double* w, int* count) {
    const Profile& p = *rule.p;
    const double ca = reach_cosine(r * r, r * R, R * R, p.rb2);
    const double alpha = std::acos(std::clamp(ca, -1.0, 1.0));
    *count = 0;
    bool below = true;  // F' starts below 0 (at w = 0 the tool stands on the cell's side)
    double previous = 0.0;
    for (int j = 1; j <= kSlopeSamples; ++j) {
        const double wj = alpha * j / kSlopeSamples, slope = offset_slope(p, r, R, am, wj);
        if (below && slope >= 0.0) {
            double lo = previous, hi = wj;
            for (int k = 0; k < kBisections; ++k) {
                const double mid = 0.5 * (lo + hi);
                (offset_slope(p, r, R, am, mid) >= 0.0 ? hi : lo) = mid;
            }
            if (!at_kink(rule, r, R, hi)) {
                if (*count == HelixRule::kMinima) return false;
                w[(*count)++] = hi;
            }
            below = false;
        } else if (!below && slope < -kSlopeTolerance) {
            below = true;
        }
        previous = wj;
    }
    return true;
}

// One position of the tool over the cell: its swept angle, the surface there above the tip and
// the squared distance.
struct Candidate {
    double t, surface, d2;
};

}  // namespace

double turn_angle(double x, double y) {
    const double ax = std::fabs(x), ay = std::fabs(y);
    if (!(ax > 0.0) && !(ay > 0.0)) return 0.0;
    const bool steep = ay > ax;
    const double num = steep ? ax : ay, den = steep ? ay : ax;
    const int k = int(num / den * kAngleNodes + 0.5);
    const double tk = double(k) / kAngleNodes;
    // atan(num / den) = atan(tk) + atan(u) with u the remainder's tangent.
    const double u = (num - tk * den) / (den + tk * num), u2 = u * u;
    double a = kNodeAngles[std::size_t(k)] + u * (1 - u2 * (1.0 / 3 - u2 * (1.0 / 5 - u2 * (1.0 / 7 - u2 / 9))));
    if (steep) a = 0.5 * kPi - a;
    if (x < 0.0) a = kPi - a;
    return y < 0.0 ? -a : a;
}

bool make_helix(HelixRule& rule, const HelixPath& path, const Profile& p, double pitch) {
    rule.p = &p;
    rule.path = path;
    rule.m = path.dz / path.sweep;
    rule.sign = rule.m > 0.0 ? 1.0 : -1.0;
    rule.R2 = path.R * path.R;
    rule.reach = std::sqrt(p.rb2);
    const double inner = std::max(0.0, path.R - rule.reach), outer = path.R + rule.reach;
    rule.inner2 = inner * inner;
    rule.outer2 = outer * outer;
    const int n = std::clamp(int(std::ceil((outer - inner) / pitch * kTablePerPitch)), kMinTable, HelixRule::kTableSize);
    rule.r_lo = inner;
    rule.scale = n / (outer - inner);
    rule.last = n;
    double joints[3];
    const int nj = edge_joints(p, joints);
    rule.kinks = 0;
    for (int k = 0; k < nj; ++k)
        if (edge_slope(p, joints[k], true) > edge_slope(p, joints[k], false))
            rule.kink2[std::size_t(rule.kinks++)] = joints[k] * joints[k];
    const double am = std::fabs(rule.m);
    if (p.form == EdgeForm::Flat) {
        // F' = -|m| throughout: the lowest positions are at the ends of the reach or the move.
        std::fill(rule.minima.begin(), rule.minima.begin() + n + 1, std::uint8_t(0));
        return true;
    }
    for (std::size_t k = 0; k <= std::size_t(n); ++k) {
        double w[HelixRule::kMinima];
        int count;
        if (!inner_minima(rule, inner + (outer - inner) * double(k) / n, path.R, am, w, &count)) return false;
        rule.minima[k] = std::uint8_t(count);
        for (int i = 0; i < count; ++i) rule.best[k][i] = {w[i], std::cos(w[i]), std::sin(w[i])};
    }
    return true;
}

double HelixRule::solve(double r2, double rR, double alpha, Node at, double* d2) const {
    // u = |w| on the side where the tool lies lower; G(u) = g'(rho) r R sin u / rho - |m| is F'
    // there, below 0 at u = 0. The bracket [a, b] keeps G(a) < 0 and G(b) >= 0 or b = alpha.
    const double am = std::fabs(m);
    double a = 0.0, b = alpha;
    for (int k = 0; k < kSolveSteps; ++k) {
        *d2 = std::max(0.0, r2 + R2 - 2.0 * rR * at.c);
        double next;
        if (!(*d2 <= p->rb2)) {
            b = at.w;  // beyond the reach: the crossing, if any, lies before it
            next = 0.5 * (a + b);
        } else {
            const double rho = std::sqrt(*d2);
            double g1, g2;
            edge_height_and_slopes(*p, *d2, rho, &g1, &g2);
            const double q = rho > 0.0 ? rR * at.s / rho : 0.0;
            const double slope = (rho > 0.0 ? g1 * q : edge_slope(*p, 0.0, true) * std::sqrt(R2)) - am;
            (slope < 0.0 ? a : b) = at.w;
            const double bend = rho > 0.0 ? g2 * q * q + g1 * (rR * at.c - q * q) / rho : 0.0;
            next = bend > 0.0 ? at.w - slope / bend : NAN;
            if (std::fabs(next - at.w) <= kSolveTolerance) break;  // converged: F' is 0 to rounding
            if (!(next > a && next < b)) next = 0.5 * (a + b);
        }
        if (!(b - a > kSolveTolerance)) break;
        double c1, s1;
        turn_by(at.c, at.s, next - at.w, &c1, &s1);
        at = {next, c1, s1};
    }
    *d2 = std::max(0.0, r2 + R2 - 2.0 * rR * at.c);
    return sign * at.w;
}

bool HelixRule::cut_below(double X, double Y, double, double h_cell, Cut* cut) const {
    const HelixPath& h = path;
    const double vx = X - h.cx, vy = Y - h.cy, r2 = vx * vx + vy * vy;
    if (!(r2 >= inner2 && r2 <= outer2)) return false;
    const double r = std::sqrt(r2), rR = r * h.R;
    // The reach: offsets |w| <= alpha, the whole turn when every position reaches the cell.
    const double ca = std::min(reach_cosine(r2, rR, R2, p->rb2), 1.0);
    const bool whole = !(ca > -1.0);
    const double alpha = whole ? kPi : turn_angle(ca, std::sqrt(1.0 - ca * ca));
    const double rim2 = whole ? std::min(r2 + R2 + 2.0 * rR, p->rb2) : p->rb2;
    // The cell's angle ahead of A along the turn, in [0, 2 pi).
    double tau = turn_angle(h.ax * vx + h.ay * vy, h.direction * (h.ax * vy - h.ay * vx));
    if (tau < 0.0) tau += kTwoPi;
    // The positions that reach the cell: t in [lo, hi] about each of tau - 2 pi, tau, tau + 2 pi.
    std::array<double, 3> lo, hi;
    bool reached = false;
    double lowest_t = m > 0.0 ? h.sweep : 0.0;  // where the tip stands lowest among them
    for (int i = 0; i < 3; ++i) {
        const double T = tau + (i - 1) * kTwoPi;
        lo[std::size_t(i)] = std::max(0.0, T - alpha), hi[std::size_t(i)] = std::min(h.sweep, T + alpha);
        if (!(lo[std::size_t(i)] <= hi[std::size_t(i)])) continue;
        reached = true;
        lowest_t = m > 0.0 ? std::min(lowest_t, lo[std::size_t(i)]) : std::max(lowest_t, hi[std::size_t(i)]);
    }
    if (!reached) return false;
    // No surface over the cell lies below the lowest tip plus the edge at the cell's distance
    // from the circle: a cell not above that (as the float it would get) keeps its height, to
    // the bit, whatever the search would say.
    const double gap = r - h.R, floor = h.za + m * lowest_t + edge_height(*p, std::min(gap * gap, p->rb2));
    if (h_cell <= double(float(floor - kFloorMargin))) return false;

    // The smooth inner minima from the table, refined by Newton steps on F': interpolated
    // between two entries whose minima lie close pairwise, else started from each entry's own (a
    // minimum appears or vanishes between them).
    const double x = std::clamp((r - r_lo) * scale, 0.0, double(last));
    const std::size_t k = std::size_t(std::min(int(x), last - 1));
    bool paired = minima[k] == minima[k + 1];
    for (int i = 0; paired && i < minima[k]; ++i) paired = std::fabs(best[k][i].w - best[k + 1][i].w) <= kPairedGap;
    std::array<double, 2 * kMinima + 1> inner_w, inner_d2;
    int inners = 0;
    const auto start_at = [&](const Node& from, double w_abs) {
        double c, s;
        w_abs = std::min(alpha, w_abs);
        turn_by(from.c, from.s, w_abs - from.w, &c, &s);
        inner_w[std::size_t(inners)] = solve(r2, rR, alpha, {w_abs, c, s}, &inner_d2[std::size_t(inners)]);
        ++inners;
    };
    for (int i = 0; i < minima[k]; ++i)
        start_at(best[k][i], paired ? best[k][i].w + (x - double(k)) * (best[k + 1][i].w - best[k][i].w) : best[k][i].w);
    if (!paired) {
        for (int i = 0; i < minima[k + 1]; ++i) start_at(best[k + 1][i], best[k + 1][i].w);
        // And from the tool beside the cell: near the annulus' rims the reach is too narrow for
        // the table's entries.
        start_at(Node{0.0, 1.0, 0.0}, 0.0);
    }

    Candidate lowest{0.0, kNoSurface, 0.0};
    bool at_start = false;
    const auto consider = [&](double t, double d2, bool start) {
        if (!(d2 <= p->rb2)) return;
        const double surface = edge_height(*p, d2);
        const double f = m * t + surface, best_f = m * lowest.t + lowest.surface;
        // On a tie the tool at A, the previous move's, keeps the cell.
        if (f < best_f || (start && f == best_f)) lowest = {t, surface, d2}, at_start = start;
    };
    // The offsets where the cell lies at a kink's radius.
    std::array<double, 3> kink_w{};
    for (int k = 0; k < kinks; ++k) {
        const double ck = rR > 0.0 ? (r2 + R2 - kink2[std::size_t(k)]) / (2.0 * rR) : 2.0;
        kink_w[std::size_t(k)] = std::fabs(ck) <= 1.0 ? sign * turn_angle(ck, std::sqrt(1.0 - ck * ck)) : kNoOffset;
    }
    const double ex = vx - h.ax, ey = vy - h.ay, fx = vx - h.bx, fy = vy - h.by;
    for (std::size_t j = 0; j < 3; ++j) {
        const double T = tau + (double(j) - 1.0) * kTwoPi, t0 = lo[j], t1 = hi[j];
        if (!(t0 <= t1)) continue;
        consider(t0, t0 == 0.0 ? ex * ex + ey * ey : rim2, t0 == 0.0);
        consider(t1, t1 == h.sweep ? fx * fx + fy * fy : rim2, false);
        for (int i = 0; i < inners; ++i) {
            const double t = T - inner_w[std::size_t(i)];
            if (t > t0 && t < t1) consider(t, inner_d2[std::size_t(i)], false);
        }
        for (int k = 0; k < kinks; ++k) {
            const double tk = T - kink_w[std::size_t(k)];
            if (tk > t0 && tk < t1) consider(tk, kink2[std::size_t(k)], false);
        }
    }
    if (at_start || !(lowest.surface < kNoSurface)) return false;
    *cut = {h.za + m * lowest.t, {Zone::Edge, lowest.surface}, lowest.d2};
    return true;
}

}  // namespace vx::sim::envelope
