// The convexity test of a cutting edge and the per-move table of inclined moves.
#include "sim/whole_move_ramp.h"

#include <algorithm>
#include <cmath>

namespace vx::sim::envelope {
namespace {

// The convexity test samples the edge this finely per grid pitch (at least kMinConvexSamples
// over the radius, at most kRampTable), besides every zone joint.
constexpr int kConvexSamplesPerPitch = 4;
constexpr int kMinConvexSamples = 16;

// A sample may stand this far above the chord of its neighbours, relative to the blade radius,
// without the edge counting as bent inward: the float radii and angles of a tool record leave
// joints that should be tangent (a taper ball's side on its ball) kinked or stepped by about
// 1e-6 of the radius, which no float height can show; a real dip (a flat ring) stands far higher.
constexpr double kBendTolerance = 1e-5;

// The best-rho table holds this many entries per grid pitch of cross distance (at least 64): the
// height taken at an interpolated rho lies above the least one by about g'' (drho)^2 / 2, below
// 1e-6 mm for corner radii down to 0.2 mm at this density.
constexpr int kTablePerPitch = 64;
constexpr int kMinTable = 64;

// Cross distance of the touching point whose axis distance is rho, where the edge rises by
// `slope`: 0 while the slope does not exceed the move's (the touching point is on the axis
// line of the path).
double touching_cross(double rho, double slope, double m) {
    if (!(slope > m)) return 0.0;
    if (std::isinf(slope)) return rho;
    const double q = m / slope;
    return rho * std::sqrt(1.0 - q * q);
}

}  // namespace

int edge_joints(const Profile& p, double* out) {
    if (p.form != EdgeForm::General) return 0;
    int n = 0;
    for (const double r : {p.tip_radius, p.c0, p.c1})
        if (r > 0.0 && r < p.rb) out[n++] = r;
    std::sort(out, out + n);
    return int(std::unique(out, out + n) - out);
}

bool convex_rising_edge(const Profile& p, double pitch) {
    if (p.concave || !(p.rb > 0.0)) return false;
    if (p.form == EdgeForm::Flat || (p.form == EdgeForm::Ball && p.rb <= p.R)) return true;
    if (p.form != EdgeForm::General && p.form != EdgeForm::Ball) return false;  // a ball with a flat ring beyond it
    double joints[3];
    const int nj = edge_joints(p, joints);
    const int n = std::clamp(int(std::ceil(p.rb / pitch * kConvexSamplesPerPitch)), kMinConvexSamples,
                             RampTable::kSize);
    double previous_rho = 0.0, previous_height = edge_height(p, 0.0), previous_slope = 0.0, previous_span = 0.0;
    int next_joint = 0;
    for (int k = 1; k <= n;) {
        const double uniform = p.rb * k / n;
        const bool joint = next_joint < nj && joints[next_joint] <= uniform;
        const double rho = joint ? joints[next_joint++] : uniform;
        if (!joint) ++k;
        if (!(rho > previous_rho)) continue;
        const double height = edge_height(p, rho * rho);
        const double span = rho - previous_rho, slope = (height - previous_height) / span;
        // How far the previous sample stands above the chord from the one before to this one.
        const double bump = (previous_slope - slope) * std::min(span, previous_span);
        if (!(bump <= kBendTolerance * p.rb)) return false;
        previous_rho = rho, previous_height = height, previous_slope = slope, previous_span = span;
    }
    return true;
}

namespace {

// Fills `t` for the edge of `p`, the unsigned slope m and `pitch`; `top` is the cross distance of
// the rim's touching point, above 0.
void build_table(RampTable& t, const Profile& p, double m, double pitch, double top) {
    const int n = std::clamp(int(std::ceil(top / pitch * kTablePerPitch)), kMinTable, RampTable::kSize);
    t.cross_top = top;
    t.scale = n / top;
    t.last = n;
    // The table's rho lies between two samples of the walk below (rb / n apart), which puts up to
    // 2 rb (rb / n) into the squared offset; twice that is the margin.
    t.end_margin2 = 4.0 * p.rb * (p.rb / n);
    // Walk rho outward (uniform samples, and both sides of every joint, where the slope jumps)
    // and fill the table entries whose cross distance the walk passes, interpolating rho.
    double joints[3];
    const int nj = edge_joints(p, joints);
    double previous_rho = 0.0, previous_cross = 0.0;
    int entry = 0, next_joint = 0, side = 0;
    const auto pass = [&](double rho, double cross) {
        if (!(cross > previous_cross)) {  // no entry lies below it that is not filled yet
            previous_rho = rho;
            return;
        }
        // The entries below `cross`, from an estimate tested as a walk entry by entry would; then
        // filled in a loop without a test, which the processor overlaps.
        int end = int(std::clamp(cross * t.scale - 1.0, double(entry), double(n + 1)));
        while (end > entry && !((end - 1) / t.scale < cross)) --end;
        while (end <= n && end / t.scale < cross) ++end;
        const double span = rho - previous_rho, width = cross - previous_cross;
        for (int e = entry; e < end; ++e) t.best_rho[e] = previous_rho + span * (e / t.scale - previous_cross) / width;
        entry = end;
        previous_rho = rho, previous_cross = cross;
    };
    // Under a flat bottom the edge has no slope: its samples touch nothing beside the path and
    // fill no entry, so the walk starts after them, from the last one.
    int k = 1;
    if (p.form == EdgeForm::General && p.bottom_slope == 0.0) {
        k = int(std::clamp(p.c0 / p.rb * n, 1.0, n + 1.0));
        while (k > 1 && !(p.rb * (k - 1) / n < p.c0)) --k;
        while (k <= n && p.rb * k / n < p.c0) ++k;
        if (k > 1) previous_rho = p.rb * (k - 1) / n;
        for (; next_joint < nj && joints[next_joint] < p.c0; ++next_joint)
            previous_rho = std::max(previous_rho, joints[next_joint]);
    }
    while (k <= n) {
        const double uniform = p.rb * k / n;
        if (next_joint < nj && joints[next_joint] <= uniform) {
            const double rho = joints[next_joint];
            pass(rho, touching_cross(rho, edge_slope(p, rho, side == 1), m));
            if (side++ == 1) side = 0, ++next_joint;
            continue;
        }
        pass(uniform, touching_cross(uniform, edge_slope(p, uniform, false), m));
        ++k;
    }
    for (; entry <= n; ++entry) t.best_rho[entry] = p.rb;
}

}  // namespace

void make_ramp(RampRule& rule, const Segment& seg, const Profile& p, double za, double dz, double pitch,
               double plunge_length, RampTables& tables) {
    rule.p = &p;
    rule.keeps_known = false;
    rule.flat_bottom2 = p.form == EdgeForm::General && p.bottom_slope == 0.0 ? p.c0_2 : -1.0;
    rule.ax = seg.ax, rule.ay = seg.ay;
    rule.cross_top = 0.0;
    rule.end_margin2 = 0.0;
    if (seg.length < plunge_length) {
        rule.ux = 1.0, rule.uy = 0.0, rule.L = 0.0, rule.m = 0.0, rule.sign = 0.0;
        rule.za = za + std::min(dz, 0.0);
        rule.start_is_previous = dz > 0.0;
        return;
    }
    rule.ux = seg.dx / seg.length, rule.uy = seg.dy / seg.length;
    rule.L = seg.length, rule.za = za, rule.m = dz / seg.length;
    rule.sign = rule.m > 0.0 ? 1.0 : rule.m < 0.0 ? -1.0 : 0.0;
    rule.start_is_previous = true;
    const double m = std::fabs(rule.m);
    const double top = touching_cross(p.rb, edge_slope(p, p.rb, false), m);
    if (!(top > 0.0)) return;  // the touching point is on the rim for every cell
    bool build;
    RampTable& t = tables.slot(ramp_table_key(p, m, pitch), &build);
    if (build) build_table(t, p, m, pitch, top);
    rule.cross_top = t.cross_top;
    rule.table_scale = t.scale;
    rule.table_last = t.last;
    rule.end_margin2 = t.end_margin2;
    rule.best_rho = t.best_rho.data();
    rule.keeps_known = seg.dx == 0.0 || seg.dy == 0.0;
    if (rule.keeps_known)
        for (RampRule::Known& k : rule.by_cross) k.cross = -1.0;
}

}  // namespace vx::sim::envelope
