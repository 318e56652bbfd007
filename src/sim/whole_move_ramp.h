// Inclined straight moves of tools whose cutting edge is convex and never falls towards its rim
// (flat, bull, drill, taper and general end mills): the lowest tool surface over each cell from
// a table built once per move, instead of a search per cell.
//
// Take the path's XY length as the parameter s (0 at A, L at B) and the slope m = dz / L. A cell
// lies `along` the path and `cross` beside it; with the tool's axis w behind it (w = along - s)
// the surface over it stands at za + m (along - w) + g(rho), rho^2 = w^2 + cross^2. The edge g
// convex and rising makes that convex in w, least where g'(rho) w / rho = m. Solved for the
// cross distance, the touching point lies at cross(rho) = rho sqrt(1 - (m / g'(rho))^2), which
// rises with rho: the table inverts it, so a cell's best rho depends on its cross distance alone
// and costs one lookup. The move's ends and the blade's reach bound w; the minimum of a convex
// function clamped into them is the bounded minimum.
#pragma once

#include "sim/profile.h"
#include "sim/ramp_table.h"
#include "sim/whole_move_sweep.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace vx::sim::envelope {

// Whether the cutting edge is convex and rising from the axis to the blade radius: secant
// slopes between samples a fraction of `pitch` apart and at every zone joint never decrease.
// Flat, ball and bull end mills always are; drills, tapers and general tools by their angles.
bool convex_rising_edge(const Profile& p, double pitch);

// Radii where the edge changes formula, inside (0, rb), ascending (at most 3); returns their count.
int edge_joints(const Profile& p, double* out);

// Slope of a circle of squared radius R2 at t from its centre's axis; infinite at the rim.
inline double circle_slope(double t, double R2) {
    const double rim = R2 - t * t;
    return rim > 0.0 ? t / std::sqrt(rim) : INFINITY;
}

// dg/drho of the cutting edge at rho; at a joint the slope on its outer side when `outer`.
inline double edge_slope(const Profile& p, double rho, bool outer) {
    if (p.form == EdgeForm::Flat) return 0.0;
    if (p.form == EdgeForm::Ball) return circle_slope(rho, p.R2);
    const bool bottom = outer ? rho < p.c0 : rho <= p.c0;
    if (bottom) {
        const bool tip = p.tip_radius > 0.0 && (outer ? rho < p.tip_radius : rho <= p.tip_radius);
        return p.bottom_slope == 0.0 || tip ? 0.0 : p.bottom_slope;
    }
    if (outer ? rho < p.c1 : rho <= p.c1) return circle_slope(p.cr == 0.0 ? rho : rho - p.cr, p.R2);
    return p.side_slope == 0.0 ? INFINITY : p.side_slope;
}

// A point of the cutting edge at rho = sqrt(d2) as the slope formulas take it: on a circle (a
// ball, a general tool's corner) its height, slope and bend share the circle's one root.
struct EdgePoint {
    double height;
    enum Kind { Zone, Circle, Rim } kind;  // Zone: edge_height and the zone's slope
    double t = 0, rim = 0, root = 0;       // on a circle: rho from its axis, R^2 - t^2 and its root
};

inline EdgePoint edge_point(const Profile& p, double d2, double rho) {
    const bool circle = p.form == EdgeForm::Ball || (p.form == EdgeForm::General && d2 > p.c0_2 && d2 <= p.c1_2);
    if (!circle || p.concave) return {edge_height(p, d2), EdgePoint::Zone};
    const double t = p.form == EdgeForm::Ball || p.cr == 0.0 ? rho : rho - p.cr, rim = p.R2 - t * t;
    if (!(rim > 0.0)) return {edge_height(p, d2), EdgePoint::Rim};
    const double root = std::sqrt(rim);
    return {p.ch - root, EdgePoint::Circle, t, rim, root};
}

// dg/drho at the point, and its derivative (0 on the straight zones).
inline double edge_point_slope(const Profile& p, const EdgePoint& e, double rho) {
    if (e.kind == EdgePoint::Circle) return e.t / e.root;
    return e.kind == EdgePoint::Rim ? INFINITY : edge_slope(p, rho, false);
}
inline double edge_point_bend(const Profile& p, const EdgePoint& e) {
    return e.kind == EdgePoint::Circle ? p.R2 / (e.rim * e.root) : 0.0;
}

// The edge's height at squared distance d2 (as edge_height), with its slope g1 and the slope's
// derivative g2 (0 on the straight zones) at rho = sqrt(d2).
inline double edge_height_and_slopes(const Profile& p, double d2, double rho, double* g1, double* g2) {
    const EdgePoint e = edge_point(p, d2, rho);
    *g1 = edge_point_slope(p, e, rho);
    *g2 = edge_point_bend(p, e);
    return e.height;
}

struct RampRule {
    // A Newton step that would lower the surface by less than this (mm; slope^2 / (2 bend) on
    // the local parabola) is not taken: no float height near the workpiece would show it.
    static constexpr double kNegligibleGain = 1e-8;

    const Profile* p = nullptr;
    double ax = 0, ay = 0, ux = 1, uy = 0;  // A and the path's unit direction in XY
    double L = 0, za = 0, m = 0, sign = 0;  // sign of m: which side of the cell the best axis lies
    bool start_is_previous = true;          // cells lowest under the tool at A are the previous move's
    double flat_bottom2 = -1;               // squared radius of a flat bottom (bull end mills); -1: none
    // How far (mm^2) the squared best offset must pass an end of the move for that end to count as
    // lowest without a step on the slope (from the table).
    double end_margin2 = 0;
    // The move's table (see RampTable): best_rho[k] for the cross distance k / table_scale, k =
    // 0..table_last; beyond cross_top the touching point is on the rim (rho = rb).
    double table_scale = 0, cross_top = 0;
    int table_last = 0;
    const double* best_rho = nullptr;

    // The lowest tool surface over the cell, or false when the tool does not reach it or when
    // that is the tool at A (which the previous move left there).
    bool cut_below(double X, double Y, double, double, Cut* cut) const {
        const double wx = X - ax, wy = Y - ay;
        const double along = wx * ux + wy * uy, cross = wy * ux - wx * uy;
        const double cross2 = cross * cross, reach2 = p->rb2 - cross2;
        if (!(reach2 >= 0.0)) return false;
        // The positions along the move, w in [along - L, along], must meet those within the
        // blade's reach, w^2 <= reach2; the table's offset lies within the reach already.
        const double lo = along - L, hi = along;
        if ((hi < 0.0 && hi * hi > reach2) || (lo > 0.0 && lo * lo > reach2)) return false;
        const double c = std::fabs(cross);
        Known* known = nullptr;
        double q;
        if (keeps_known) {
            known = &by_cross[known_slot(c)];
            if (known->cross != c) *known = {c, best_offset2(c, cross2, reach2), false, 0, 0, 0, 0, 0};
            q = known->q;
        } else {
            q = best_offset2(c, cross2, reach2);
        }
        // Most cells of a short move lie lowest under the tool at one of its ends; where the best
        // offset lies clearly beyond that end, no root of it and no step on the slope is needed.
        if (sign != 0.0) {
            const double hi_s = sign * hi, lo_s = sign * lo;
            if (sign > 0.0 ? clearly_above(hi_s, q) : clearly_below(hi_s, q)) return !start_is_previous && at_end(hi, along, cross2, cut);
            if (sign > 0.0 ? clearly_below(lo_s, q) : clearly_above(lo_s, q)) return at_end(lo, along, cross2, cut);
        }
        if (known && !known->solved) solve(*known, cross2);
        double w, d2, surface;
        if (known && known->inside(lo, hi)) {
            w = known->w, d2 = known->d2, surface = known->surface;
        } else {
            w = std::clamp(sign * std::sqrt(q), lo, hi);
            d2 = std::min(w * w + cross2, p->rb2);
            surface = refine(cross2, lo, hi, &w, &d2);
        }
        if (start_is_previous && w >= along) return false;
        *cut = {za + m * (along - w), {Zone::Edge, surface}, d2};
        return true;
    }

    // What a cell's cross distance alone decides: the squared best offset and, for a cell whose
    // best offset lies inside the move, the minimum while neither end bounds the offset or the
    // Newton step. Cells at the same distance beside the path share them, a whole row for a move
    // along X, a column along Y. For such moves kept for the last distances met, one per slot of
    // a hash of |cross| (other moves never meet a distance twice); mutable, so each band sweeps
    // with its own copy of the rule.
    struct Known {
        double cross = -1.0;  // |cross|; -1: none
        double q = 0;         // the squared best offset
        bool solved = false;  // the minimum below is known
        double w0 = 0, step = 0;            // the table's offset, the step's unclamped target (NaN: none)
        double w = 0, d2 = 0, surface = 0;  // the minimum: offset, squared distance, edge height
        bool inside(double lo, double hi) const {
            return lo < w0 && w0 < hi && (std::isnan(step) || (lo < step && step < hi));
        }
    };
    static constexpr int kKnownSlots = 256;
    static constexpr bool kCopiedPerBand = true;
    bool keeps_known = false;  // the move runs along X or Y and has a table
    mutable std::array<Known, kKnownSlots> by_cross;

    static int known_slot(double c) { return int(mixed_bits(c) % kKnownSlots); }
    void solve(Known& k, double cross2) const {
        k.w0 = k.w = sign * std::sqrt(k.q);
        k.d2 = std::min(k.w * k.w + cross2, p->rb2);
        k.surface = refine(cross2, -INFINITY, INFINITY, &k.w, &k.d2, &k.step);
        k.solved = true;
    }

    // The tool at offset w, an end of the move, over the cell.
    bool at_end(double w, double along, double cross2, Cut* cut) const {
        const double d2 = std::min(w * w + cross2, p->rb2);
        double surface;
        if (!settled(d2, &surface)) surface = edge_point(*p, d2, std::sqrt(d2)).height;
        *cut = {za + m * (along - w), {Zone::Edge, surface}, d2};
        return true;
    }

    // Whether the root of q exceeds e, or falls short of it, by more than the table's error in q
    // could account for; on squares, without the root.
    bool clearly_above(double e, double q) const { return e < 0.0 ? e * e + q > end_margin2 : q > e * e + end_margin2; }
    bool clearly_below(double e, double q) const { return e > 0.0 && e * e > q + end_margin2; }

    // The edge's height where it has no slope to step on: a flat end mill, the axis, a flat bottom.
    bool settled(double d2, double* surface) const {
        if (p->form == EdgeForm::Flat) return *surface = 0.0, true;  // touched by its rim or at an end
        if (!(d2 > 0.0)) return *surface = edge_height(*p, d2), true;
        if (d2 <= flat_bottom2) return *surface = 0.0, true;  // what the step in refine would find
        return false;
    }

    // The interpolated table is least accurate where the edge's slope changes fast (a circle
    // steepening towards the rim, a joint between samples): one Newton step on the slope of the
    // surface over the cell, kept when it lies lower. Returns the edge's height at the offset kept.
    // `target` gets the step's offset before it is clamped to the move, NaN when none is taken.
    double refine(double cross2, double lo, double hi, double* w, double* d2, double* target = nullptr) const {
        if (target) *target = NAN;
        double settled_surface;
        if (settled(*d2, &settled_surface)) return settled_surface;
        const double rho = std::sqrt(*d2);
        const EdgePoint e = edge_point(*p, *d2, rho);
        const double g1 = edge_point_slope(*p, e, rho), slope = g1 * *w / rho - m;
        // At an end of the move with the surface still falling beyond it, the step would be
        // clamped back onto the same offset: nothing to gain (the usual case, a short move).
        if ((*w == hi && slope < 0.0) || (*w == lo && slope > 0.0)) return e.height;
        const double bend = edge_point_bend(*p, e) * *w * *w / *d2 + g1 * cross2 / (*d2 * rho);
        if (!(bend > 0.0) || !(slope * slope > 2.0 * kNegligibleGain * bend)) return e.height;
        const double unclamped = *w - slope / bend;
        if (target) *target = unclamped;
        const double w1 = std::clamp(unclamped, lo, hi), d2_1 = w1 * w1 + cross2;
        if (!(d2_1 <= p->rb2)) return e.height;
        const double surface1 = edge_height(*p, d2_1);
        if (!(surface1 - m * w1 < e.height - m * *w)) return e.height;
        *w = w1, *d2 = d2_1;
        return surface1;
    }

    // The square of the axis offset behind the cell where the surface over it is least, unbounded
    // by the move's ends; its sign is `sign`.
    double best_offset2(double cross, double cross2, double reach2) const {
        if (!(cross < cross_top)) return reach2;
        const double x = cross * table_scale;
        const int k = std::min(int(x), table_last - 1);
        const double rho = best_rho[k] + (x - k) * (best_rho[k + 1] - best_rho[k]);
        return std::max(0.0, rho * rho - cross2);
    }
};

// Sets `rule` up for the tip moving from (A, za) to (B, za + dz) over the segment `seg`, the
// table as fine as `pitch` needs, taken from `tables` or built into it. A move shorter than
// `plunge_length` in XY is a plunge: the tool at its lower end covers all the others.
void make_ramp(RampRule& rule, const Segment& seg, const Profile& p, double za, double dz, double pitch,
               double plunge_length, RampTables& tables);

}  // namespace vx::sim::envelope
