// The whole-move step: the move is positioned in grid coordinates, the sweep radius chosen, and
// the band around the path scanned row by row; every cell the band reaches is lowered to the
// lowest tool surface over it along the move (a rule per kind of move), with the cell layers and
// zone effects of the kernel.
#include "sim/whole_move.h"

#include "sim/whole_move_helix.h"
#include "sim/whole_move_ramp.h"
#include "sim/whole_move_sweep.h"

#include <algorithm>
#include <cmath>
#include <memory>

namespace vx::sim {
namespace {

using namespace envelope;

// A constant-Z move shorter than this sweeps nothing new: the tool already stood at its end.
constexpr double kMinLength = 0.0001;

// An arc whose start and end lie further apart than this (mm) in their distances from the
// centre is not a circle the envelope can follow: handed back.
constexpr double kArcFit = 0.001;

constexpr double kTwoPi = 6.283185307179586;

// The surface-rises test samples the profile this finely per grid pitch, besides both sides of
// every zone joint, where a jump down would hide between samples.
constexpr int kRiseSamplesPerPitch = 4;
constexpr int kRiseSamples = 2048;
constexpr int kJointSamples = 64;

// A move shorter than this in XY (mm) is a plunge for the capsule of a ball end mill: its slope
// would be too steep for the formula's rounding, and the end sphere is right to well below it.
constexpr double kPlungeLength = 1e-6;

// Rounding of the profile formulas: a fall smaller than this is not a dip.
constexpr double kRiseTolerance = 1e-9;

// ---- Setting up ----

bool at_rapid_speed(const Checks& checks, const WholeMove& m) {
    return rapid_class(m.motion, m.feed, checks.rapid_feedrate);
}

// The tool surface above the tip at squared distance d2, with the zones the check mode lets cut;
// kNoSurface where nothing of the tool cuts.
Surface cutting_surface(const Profile& p, bool outer_zones, double d2) {
    if (d2 <= p.rb2) return {Zone::Edge, edge_height(p, d2)};
    if (!outer_zones) return {Zone::Beyond, kNoSurface};
    return tool_surface(p, d2);
}

// Squared radii where the profile changes formula, each with the next double beyond it.
int joints(const Profile& p, bool outer_zones, double radius2, double* out) {
    double j[8 + kHolderSections + 1] = {p.tip2, p.c0_2, p.c1_2, p.R2, p.rb2, p.e2, p.oval_A2, p.rn2};
    int n = 8;
    if (outer_zones)
        for (int i = 0; i <= p.holder_count; ++i) j[n++] = p.holder_radius2[i];
    int count = 0;
    for (int k = 0; k < n; ++k) {
        if (!(j[k] > 0.0) || !(j[k] < radius2)) continue;
        out[count++] = j[k];
        out[count++] = std::nextafter(j[k], INFINITY);
    }
    return count;
}

// Whether the surface never falls from the axis out to `radius`: only then is the envelope of a
// straight move at constant Z the surface at the cell's distance from the path.
bool surface_rises(const Profile& p, bool outer_zones, double radius, double pitch) {
    double d2[kRiseSamples + kJointSamples];
    const int n = std::clamp(int(std::ceil(radius / pitch * kRiseSamplesPerPitch)), 16, kRiseSamples);
    for (int k = 0; k <= n - 1; ++k) {
        const double rho = radius * (k + 1) / n;
        d2[k] = rho * rho;
    }
    const int count = n + joints(p, outer_zones, radius * radius, d2 + n);
    std::sort(d2, d2 + count);
    double previous = cutting_surface(p, outer_zones, 0.0).height;
    for (int k = 0; k < count; ++k) {
        const double t = cutting_surface(p, outer_zones, d2[k]).height;
        if (t < previous - kRiseTolerance) return false;
        previous = t;
    }
    return true;
}

// ---- Cell rules ----

// Constant Z: the tool at every point of the path stands at the same height, and the surface
// rises outward, so the lowest surface over a cell is the one at its distance from the path.
struct LevelRule {
    const Segment& seg;
    const Profile& p;
    bool outer_zones;
    double z, radius2;

    bool reaches(double X, double Y, double* d2) const { return path_distance2(seg, X, Y, d2) && *d2 <= radius2; }
    Cut lowest(double, double, double d2) const { return {z, cutting_surface(p, outer_zones, d2), d2}; }
};

// A ball swept along a segment is a capsule. Take the path's XY length as the parameter s (0 at
// A, L at B) and the slope m = dz / L. Over a cell lying `along` the path and `cross` from it,
// the sphere at s reaches down to zc + m s - sqrt(rho2 - (along - s)^2), zc the centre height
// at A and rho2 = R^2 - cross^2. That is least at s* = along - mk rho, mk = m / sqrt(1 + m^2),
// where it is zc + m along - rho sqrt(1 + m^2); where s* falls outside the segment, the sphere
// at that end is lowest. The side of s* and the comparison with the cell are decided on squares.
struct CapsuleRule {
    double ax, ay, ux, uy;  // A and the path's unit direction in XY
    double L, za, m, k2, inv_k, mk, mk2, ch, R2;  // k = sqrt(1 + m^2)
    double rim2;  // the blade's reach (rb2): a touching point beyond it does not cut
    bool start_is_previous = true;  // cells lowest under the tool at A are the previous move's

    static CapsuleRule make(const Segment& seg, const Profile& p, double za, double dz) {
        CapsuleRule c{seg.ax, seg.ay, 1.0, 0.0, seg.length, za, 0.0, 1.0, 1.0, 0.0, 0.0, p.ch, p.R2, p.rb2};
        if (seg.length < kPlungeLength) {
            // A plunge: the sphere at the lower end covers everything the higher ones do; going
            // up, that is the tool at A.
            c.L = 0.0;
            c.za = za + std::min(dz, 0.0);
            c.start_is_previous = dz > 0.0;
        } else {
            c.ux = seg.dx / seg.length, c.uy = seg.dy / seg.length;
            c.m = dz / seg.length;
            c.k2 = 1.0 + c.m * c.m;
            c.inv_k = 1.0 / std::sqrt(c.k2);
            c.mk = c.m * c.inv_k;
            c.mk2 = c.mk * c.mk;
        }
        return c;
    }
    void place(double X, double Y, double* along, double* cross2) const {
        const double wx = X - ax, wy = Y - ay;
        const double cross = wy * ux - wx * uy;
        *along = wx * ux + wy * uy;
        *cross2 = cross * cross;
    }
    // along < mk rho, and (along - L) > mk rho, without the root of rho2.
    bool before_start(double along, double rho2) const {
        return mk >= 0.0 ? along < 0.0 || along * along < mk2 * rho2 : along < 0.0 && along * along > mk2 * rho2;
    }
    bool beyond_end(double w, double rho2) const {
        return mk >= 0.0 ? w > 0.0 && w * w > mk2 * rho2 : w >= 0.0 || w * w < mk2 * rho2;
    }

    // The strip whose cells the rule may lower, with the half of the disc at its end beyond it:
    // the segment, begun earlier for a descent, where cells behind A still lie lowest under a
    // later sphere.
    Segment reach(const Segment& seg) const {
        const double back = std::max(0.0, -mk) * std::sqrt(R2);
        return make_segment(seg.ax - back * ux, seg.ay - back * uy, seg.bx, seg.by);
    }
    // The lowest point over the cell when it lies below `h`, the cell's height; false when it
    // does not, when the tool does not reach the cell, or when it is the tool at A's, which the
    // previous move left there. Only a cell that is lowered takes a root.
    bool cut_below(double X, double Y, double, double h, Cut* cut) const {
        double along, cross2;
        place(X, Y, &along, &cross2);
        if (!(cross2 <= rim2)) return false;
        const double rho2 = std::max(0.0, R2 - cross2);  // 0 on the rim, which still cuts
        const double excess = za + ch - h;  // of the centre at A over the cell
        if (before_start(along, rho2)) {
            if (start_is_previous) return false;
            return sphere_below(za, excess, along, cross2, rho2, cut);
        }
        const double w = along - L;
        if (beyond_end(w, rho2)) return sphere_below(za + m * L, excess + m * L, w, cross2, rho2, cut);
        const double over = excess + m * along;
        if (!(over < 0.0 || over * over < rho2 * k2)) return false;
        const double rho = std::sqrt(rho2), offset = mk * rho, d2 = cross2 + offset * offset;
        if (!(d2 <= rim2)) return false;
        *cut = {za + m * (along - offset), {Zone::Edge, ch - rho * inv_k}, d2};
        return true;
    }
    // The sphere of the tool with its tip at `tip`, whose centre lies `excess` above the cell
    // and `w` from it along the path.
    bool sphere_below(double tip, double excess, double w, double cross2, double rho2, Cut* cut) const {
        if (!(cross2 + w * w <= rim2)) return false;
        const double q = std::max(0.0, rho2 - w * w);
        if (!(excess < 0.0 || excess * excess < q)) return false;
        *cut = {tip, {Zone::Edge, ch - std::sqrt(q)}, cross2 + w * w};
        return true;
    }
};

// Arc at constant Z: as for a line, the lowest surface over a cell is the one at its distance
// from the path. Within the swept angle that is the radial distance to the arc; outside it the
// distance to the nearer end, B, or the cell is left alone when A is nearer (the previous move's).
// The swept angle is told by the signs of cross products with the radii to A and B, so that no
// cell needs an angle.
struct ArcRule {
    const Profile& p;
    bool outer_zones;
    double z, radius2;
    double cx, cy, arc_radius;
    double avx, avy, bvx, bvy;  // A and B from the centre
    double direction;           // +1 counter-clockwise
    bool wide, full;            // more than a half turn; a whole turn

    // Whether the direction v from the centre lies in the swept angle (0, sweep] from A.
    bool in_sweep(double vx, double vy) const {
        if (full) return true;
        const double after_a = direction * (avx * vy - avy * vx), up_to_b = direction * (vx * bvy - vy * bvx);
        // Within a half turn both must hold; beyond it, the rest of the turn (past B, up to and
        // including A) is the narrow part and must not hold.
        return wide ? after_a > 0.0 || up_to_b >= 0.0 : after_a > 0.0 && up_to_b >= 0.0;
    }
    bool reaches(double X, double Y, double* d2) const {
        const double vx = X - cx, vy = Y - cy;
        if (in_sweep(vx, vy)) {
            const double off = std::sqrt(vx * vx + vy * vy) - arc_radius;
            *d2 = off * off;
        } else {
            const double to_b = (vx - bvx) * (vx - bvx) + (vy - bvy) * (vy - bvy);
            if ((vx - avx) * (vx - avx) + (vy - avy) * (vy - avy) < to_b) return false;  // A is nearer
            *d2 = to_b;
        }
        return *d2 <= radius2;
    }
    Cut lowest(double, double, double d2) const { return {z, cutting_surface(p, outer_zones, d2), d2}; }
};

// ---- Cases ----

// Whether the neck and the holder stay above the material with the tip no lower than
// `lowest_tip`: they then neither cut nor meet anything, whatever the arbor/taper check mode, and
// the move is its cutting edge's alone. The neck rises from L2 at the blade, the holder's lowest
// face is its nose at the protrusion.
bool outer_zones_clear(const Profile& p, double lowest_tip, double highest) {
    if (p.attachment_count > 0) return false;
    double lowest = kNoSurface;
    if (p.rn > p.rb) {
        if (!(p.s1 >= 0.0)) return false;
        lowest = p.L2;
    }
    if (p.has_holder) lowest = std::min(lowest, p.L1);
    return lowest_tip + lowest >= highest;
}

// Only what the kernel would do with direction recording off and the moves it covers; anything
// else goes back to the sampling.
bool covered_tool(const CurrentTool& tool, const Checks& checks, const WholeMove& m) {
    const Profile& p = tool.profile;
    if (m.run_type == kRunOptimise) return false;  // the clearance test samples positions
    if (p.type == kToolKegaki) return false;        // marks by the backup, not by a profile
    if (p.type == kToolRadius && computes(checks.chip)) return false;  // centre flat is measured, not cut
    if (p.attachment_count > 0 && cuts_with_shapes(checks.arbor)) return false;  // square sections
    // Flagging modes: the neck or holder front meets material before the blade clears it, which
    // the lowest surface over the path does not show; the sampling finds those hits.
    if (flags_hits(checks.arbor)) return false;
    return true;
}

}  // namespace

double whole_move_radius(const Profile& p, ArborCheck arbor, double z, double highest) {
    if (!cuts_with_shapes(arbor)) return p.rb;
    const double radius = std::max(p.rb, p.rn);
    return p.has_holder ? std::max(radius, holder_reach(p, z, 0.0, highest)) : radius;
}

namespace {

void finish(const CurrentTool& tool, const WholeMove& m, const Sweep& s, Workpiece& wp, SweepResult& result) {
    const bool flagged = result.rapid_interference || result.taper || result.holder;
    result.interference_state = flagged ? 2 : 0;
    if (s.hit) {
        result.extent.tool = tool.number;
        result.extent.x = m.end[0];
        result.extent.y = m.end[1];
        result.extent.z = m.end[2];
    }
    if (result.changed) wp.modification_state = kModified;
}

// The band of the arc `path` swept with `reach`: the annulus about its centre within the box of
// the arc's points widened by the reach; the box takes in its ends and the points where it
// crosses an axis direction within the sweep.
ArcBand arc_band(const HelixPath& path, double reach) {
    double x0 = std::min(path.ax, path.bx), x1 = std::max(path.ax, path.bx);
    double y0 = std::min(path.ay, path.by), y1 = std::max(path.ay, path.by);
    const double a0 = std::atan2(path.ay, path.ax);
    for (int k = 0; k < 4; ++k) {
        double turn = path.direction * (0.25 * kTwoPi * k - a0);
        turn -= kTwoPi * std::floor(turn / kTwoPi);
        if (turn > path.sweep) continue;
        const double ux = k == 0 ? 1.0 : k == 2 ? -1.0 : 0.0, uy = k == 1 ? 1.0 : k == 3 ? -1.0 : 0.0;
        include(path.R * ux, &x0, &x1);
        include(path.R * uy, &y0, &y1);
    }
    return {path.cx, path.cy, std::max(0.0, path.R - reach), path.R + reach,
            path.cx + x0 - reach, path.cy + y0 - reach, path.cx + x1 + reach, path.cy + y1 + reach};
}

// Arcs in the XY plane with Z motion: the cutting edge alone, as for inclined lines.
int helix_step(Workpiece& wp, const CurrentTool& tool, const Checks& checks, const WholeMove& m,
               const HelixPath& path, SweepResult& result) {
    const Profile& p = tool.profile;
    const double lowest_tip = std::min(path.za, path.za + path.dz);
    if (lowest_tip > wp.highest) return 0;
    if (!(path.sweep > 0.0) || cuts_with_shapes(checks.arbor) || !convex_rising_edge(p, wp.geometry.pitch)) return -1;
    HelixRule helix;
    if (!make_helix(helix, path, p, wp.geometry.pitch)) return -1;
    Sweep s{wp, p, lowest_tip, float(lowest_tip), p.rb2, kPenCode[std::clamp(tool.pen, 0, 8)], m.line_number,
            m.paint, false, checked(checks.rapid) && at_rapid_speed(checks, m), flags_hits(checks.arbor),
            m.run_type == kRunMoveStep && m.projection && wp.screen_position.data,
            m.projection, result};
    s.pool = m.pool;
    sweep_band(s, arc_band(path, helix.reach), helix);
    finish(tool, m, s, wp, result);
    return 0;
}

// Arcs in the XY plane.
int arc_step(Workpiece& wp, const CurrentTool& tool, const Checks& checks, const WholeMove& m,
             SweepResult& result) {
    const GridGeometry& g = wp.geometry;
    const double ax = m.start[0] - g.origin_x, ay = m.start[1] - g.origin_y, z = m.start[2] - tool.shift;
    const double bx = m.end[0] - g.origin_x, by = m.end[1] - g.origin_y;
    const double cx = m.centre[0] - g.origin_x, cy = m.centre[1] - g.origin_y;
    if (m.plane != 17 && m.plane != -17) return -1;
    if (!std::isfinite(cx + cy) || !covered_tool(tool, checks, m)) return -1;
    const double ra = std::hypot(ax - cx, ay - cy), rb_ = std::hypot(bx - cx, by - cy);
    if (!(ra > kMinLength) || !(std::fabs(ra - rb_) <= kArcFit)) return -1;
    const double direction = m.motion == kMotionArcCcw ? 1.0 : -1.0;
    const double a0 = std::atan2(ay - cy, ax - cx);
    double sweep = direction * (std::atan2(by - cy, bx - cx) - a0);
    sweep -= kTwoPi * std::floor(sweep / kTwoPi);
    if (std::hypot(bx - ax, by - ay) < kMinLength) sweep = kTwoPi;  // a full circle
    const HelixPath path{cx, cy, ra, ax - cx, ay - cy, bx - cx, by - cy, direction, sweep, z, m.end[2] - m.start[2]};
    if (m.start[2] != m.end[2]) return helix_step(wp, tool, checks, m, path, result);
    if (z > wp.highest) return 0;
    const Profile& p = tool.profile;
    const bool outer_zones = cuts_with_shapes(checks.arbor);
    const double r = whole_move_radius(p, checks.arbor, z, wp.highest);
    if (!surface_rises(p, outer_zones, r, g.pitch)) return -1;
    const double reach2 = std::max(r * r, p.rb2);  // the closed rim
    Sweep s{wp, p, z, float(z), reach2, kPenCode[std::clamp(tool.pen, 0, 8)], m.line_number,
            m.paint, outer_zones, checked(checks.rapid) && at_rapid_speed(checks, m), flags_hits(checks.arbor),
            m.run_type == kRunMoveStep && m.projection && wp.screen_position.data,
            m.projection, result};
    s.pool = m.pool;
    sweep_band(s, arc_band(path, std::sqrt(reach2)),
               ArcRule{p, outer_zones, z, reach2, cx, cy, ra, ax - cx, ay - cy, bx - cx, by - cy, direction,
                       sweep > 0.5 * kTwoPi, sweep == kTwoPi});
    finish(tool, m, s, wp, result);
    return 0;
}

}  // namespace

int whole_move_step(Workpiece& wp, const CurrentTool& tool, const Checks& menu_checks, const WholeMove& m,
                    SweepResult& result) {
    clear_step_results(result, m.run_type == kRunMoveStart || m.run_type == kRunMoveStep);
    if (!wp.height.data || !wp.attribute.data || !wp.coordinate.data) return 0;
    const GridGeometry& g = wp.geometry;
    const double ax = m.start[0] - g.origin_x, ay = m.start[1] - g.origin_y, az = m.start[2] - tool.shift;
    const double bx = m.end[0] - g.origin_x, by = m.end[1] - g.origin_y, bz = m.end[2] - tool.shift;
    if (!std::isfinite(ax + ay + az + bx + by + bz)) return -1;
    Checks checks = menu_checks;
    if (outer_zones_clear(tool.profile, std::min(az, bz), wp.highest)) checks.arbor = ArborCheck::Ignore;
    const bool straight = m.motion == kMotionRapid || m.motion == kMotionLinear;
    if (straight && az > wp.highest && bz > wp.highest) return 0;
    if (m.motion == kMotionArcCw || m.motion == kMotionArcCcw) return arc_step(wp, tool, checks, m, result);
    if (!straight || !covered_tool(tool, checks, m)) return -1;
    const Profile& p = tool.profile;
    const bool level = az == bz;
    if (!level && (cuts_with_shapes(checks.arbor) || !convex_rising_edge(p, g.pitch))) return -1;
    const double length2 = (bx - ax) * (bx - ax) + (by - ay) * (by - ay), dz = bz - az;
    if (std::sqrt(length2 + dz * dz) < kMinLength) return 0;

    const bool outer_zones = level && cuts_with_shapes(checks.arbor);
    const double r = level ? whole_move_radius(p, checks.arbor, az, wp.highest) : p.rb;
    if (level && !surface_rises(p, outer_zones, r, g.pitch)) return -1;

    const double lowest_tip = std::min(az, bz);
    const double reach2 = std::max(r * r, p.rb2);  // the closed rim
    Sweep s{wp, p, lowest_tip, float(lowest_tip), reach2, kPenCode[std::clamp(tool.pen, 0, 8)], m.line_number,
            m.paint, outer_zones, checked(checks.rapid) && at_rapid_speed(checks, m), flags_hits(checks.arbor),
            m.run_type == kRunMoveStep && m.projection && wp.screen_position.data,
            m.projection, result};
    s.pool = m.pool;
    const Segment seg = make_segment(ax, ay, bx, by);
    if (level) {
        sweep_band(s, SegmentBand{seg, r, Ends::B}, LevelRule{seg, p, outer_zones, az, reach2});
    } else {
        if (p.form == EdgeForm::Ball && p.rb == p.R) {
            const CapsuleRule capsule = CapsuleRule::make(seg, p, az, dz);
            const Segment reach = capsule.reach(seg);
            sweep_band(s, SegmentBand{reach, r, Ends::FrontOfB}, capsule);
        } else {
            RampRule ramp;
            std::unique_ptr<RampTables> own_tables;
            if (!m.ramp_tables) own_tables = std::make_unique<RampTables>();
            make_ramp(ramp, seg, p, az, dz, g.pitch, kPlungeLength, m.ramp_tables ? *m.ramp_tables : *own_tables);
            // Rising, every cell behind A lies lowest under the tool at A: the previous move's.
            sweep_band(s, SegmentBand{seg, r, dz > 0.0 ? Ends::FrontOfB : Ends::AAndB}, ramp);
        }
    }
    finish(tool, m, s, wp, result);
    return 0;
}

}  // namespace vx::sim
