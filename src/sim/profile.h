// The tool as a solid of revolution: from one tool's records, the constants of every zone of its
// lower surface (cutting edge, neck, holder, attachment), built once per tool selection, and the
// evaluation of the surface height above the tool tip at a squared distance from the axis.
//
// The evaluators take the squared distance the kernel already has and take a square root only
// where a zone needs the distance itself, so that flat and ball tools cost at most one root per
// cell. Every threshold is kept squared beside its radius; a negative radius (from nonsensical
// input) is kept as the squared threshold -1, so that no distance falls inside it.
#pragma once

#include "sim/checks.h"
#include "sim/tool_records.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

namespace vx::sim {

// Height returned where a zone has no surface: far above any workpiece, yet finite so that sums
// and differences taken by the caller never turn into NaN.
constexpr double kNoSurface = 1.0e300;

// The cutting edge is closed, d^2 <= rb2, and rb2 lies this fraction beyond rb^2 so that a cell
// at exactly the blade radius is inside it in every run. The kernel (a position beside the cell)
// and the whole-move step (the cell's distance from the path) reach such a cell by different
// formulas whose roundings, about 1e-15 of rb^2, fall on either side of rb^2; a ball's surface
// there is its equator, a radius above its lowest point, so a tie decided two ways left cells a
// radius apart between the normal and the fast run. The rim moves out by 5e-13 of rb.
constexpr double kRimTolerance = 1e-12;

// ---- Options of a selection ----

struct ProfileOptions {
    bool for_cutting = false;  // selected for cutting at `pitch`: the holder clearance applies
    double pitch = 0.0;        // grid pitch of the workpiece
    Clearance arbor_clearance;  // ARBOR CLEARANCE
    Clearance tool_clearance;   // TOOL CLEARANCE: the rapid check's margin
    const Attachment* attachment = nullptr;       // mounted head, or none
    ArborCheck arbor_check = ArborCheck::Ignore;  // attachment sections only while it is checked
};

// ---- Derived values ----

enum class CornerMode : std::uint8_t { General, Ball, Flat, Bull };

// Which evaluation the cutting edge takes; Flat and Ball are the general formulas reduced to
// what they give for those shapes, not approximations.
enum class EdgeForm : std::uint8_t { Flat, Ball, General, Oval, Radius };

enum class Zone : std::uint8_t { Edge, Neck, Holder, Beyond };

struct Profile {
    std::int32_t type = kToolOther;
    CornerMode corner_mode = CornerMode::Flat;
    EdgeForm form = EdgeForm::Flat;
    bool concave = false;  // the record's corner radius is negative

    // Cutting edge: bottom, corner, side.
    double half = 0;           // d/2
    double R = 0, R2 = 0;      // corner radius
    double tip_radius = 0, tip2 = -1;
    double bottom_slope = 0;   // tan(alpha); -1 marks the oval bottom
    double bottom_offset = 0;  // -(bottom slope x tip radius)
    double side_slope = 0;     // 1/tan(beta), 0 for a cylindrical side
    double so = 0;             // constant term of the side line
    double c0 = 0, c0_2 = -1;  // corner start
    double cr = 0;             // corner centre radius
    double ch = 0;             // corner centre height above the tip
    double c1 = 0, c1_2 = -1;  // corner end
    double rb = 0, rb2 = -1;   // blade radius: the cutting edge ends here; rb2 just beyond rb^2 (kRimTolerance)
    double z_c0 = 0, z_c1 = 0, z_rb = 0;  // heights of the zone joints (tool outline)
    double h = 0;              // effective length

    // Type-specific values.
    double oval_height = 0, oval_A = 0, oval_A2 = -1;  // oval mill ellipse; A2 signed like radii
    double vertical_inner2 = -1;  // vertical mill: squared non-cutting radius half - width
    double e = 0, e2 = -1;        // radius mill: centre flat radius
    double radius_f = 0;          // radius mill: height of the centre flat

    // Neck and shank.
    std::int32_t length_kind = kLengthNone;
    double L1 = 0, L2 = 0, L3 = 0;
    double rn = 0, rn2 = -1;  // outer radius of the neck zone (rn = rb: no neck)
    double s1 = 0, s2 = 0;    // neck slopes
    double rk = 0;            // break radius between the two cones (kind 3)
    double neck_top = 0;      // kind 3: (rn - rk) x s2 + L3, for the reports

    // Holder: ring radii r(0..count) and base heights Hbase(0..count).
    bool has_holder = false;
    std::int32_t holder_kind = kHolderSteps;
    std::int32_t holder_count = 0;
    std::array<double, kHolderSections + 1> holder_radius{}, holder_radius2{}, holder_base{};
    std::array<std::int32_t, kHolderSections> holder_cone{};  // ARBOR3 cone flags
    double holder_top = 0;  // last Hbase, L1 without a holder

    // Attachment: section i spans |dx|, |dy| <= half width, lower face at its base height.
    std::int32_t attachment_count = 0;
    std::array<double, kAttachmentSteps> attachment_half{}, attachment_base{};
    double attachment_top = 0;
    double attachment_reach2 = -1;  // squared distance of the widest section's corner

    double outer = 0, outer2 = -1;  // outermost radius of the solid of revolution

    // Margins of the rapid check: TOOL CLEARANCE as set, and the pitch margin of "YES" that
    // optimisation runs use whatever the setting.
    double clearance_margin = 0;
    double pitch_margin = 0;
};

// Builds the profile of one tool. Never fails: any input gives finite constants.
Profile build_profile(const ToolRecord& tool, const LengthRecord& length, const HolderRecord& holder,
                      const ProfileOptions& options);

// Only the cutting edge (what the tool base point F-CENTER needs).
Profile build_edge_profile(const ToolRecord& tool);

// A diameter outside the cutting edge enlarged by the holder clearance at `pitch`.
double clear_diameter(double diameter, const Clearance& clearance, double pitch);

// sqrt((rb + p)^2 + (p/2)^2) - rb: how far the cells nearest to a tool of radius rb may lie
// outside it on a grid of pitch p.
double pitch_margin(double rb, double pitch);

// The oval mill's corner start: where the corner circle of radius R, tangent to the side at
// `half`, touches the ellipse x^2/A^2 + (z - H)^2/H^2 = 1. For A > half and R > 0.
double oval_corner_start(double half, double A, double H, double R);

// Lower half of that ellipse at squared radius d2: H (1 - sqrt(1 - d2/A^2)), H beyond A.
inline double oval_bottom(double H, double A2, double d2) {
    if (!(A2 > 0.0) || d2 >= A2) return H;
    return H * (1.0 - std::sqrt(1.0 - d2 / A2));
}

// ---- Evaluation (inline: the kernel calls these per cell) ----

inline Zone zone_of(const Profile& p, double d2) {
    if (d2 <= p.rb2) return Zone::Edge;
    if (d2 <= p.rn2) return Zone::Neck;
    if (d2 <= p.outer2) return Zone::Holder;
    return Zone::Beyond;
}

inline double bottom_height(const Profile& p, double d2) {
    if (p.bottom_slope == 0.0) return 0.0;
    if (p.form == EdgeForm::Oval) return oval_bottom(p.oval_height, p.oval_A2, d2);
    if (p.tip_radius == 0.0) return std::sqrt(d2) * p.bottom_slope;
    if (d2 <= p.tip2) return 0.0;
    return (std::sqrt(d2) - p.tip_radius) * p.bottom_slope;
}

inline double corner_height(const Profile& p, double d2) {
    if (p.cr == 0.0 && !p.concave) return d2 >= p.R2 ? p.ch : p.ch - std::sqrt(p.R2 - d2);
    const double rho = std::sqrt(d2);
    if (p.concave) {
        const double t = p.R - rho + p.cr;
        return t >= p.R ? p.ch - p.R : p.ch - p.R + std::sqrt(std::max(0.0, p.R2 - t * t));
    }
    const double t = rho - p.cr;
    return t >= p.R ? p.ch : p.ch - std::sqrt(std::max(0.0, p.R2 - t * t));
}

inline double side_height(const Profile& p, double d2) {
    if (p.side_slope == 0.0) return p.so;
    return std::sqrt(d2) * p.side_slope + p.so;
}

inline double radius_mill_height(const Profile& p, double d2) {
    if (d2 <= p.e2) return p.radius_f;
    const double t = p.cr - std::sqrt(d2);
    return p.ch - std::sqrt(std::max(0.0, p.R2 - t * t));
}

// Height of the cutting edge above the tip, for d2 <= rb2.
inline double edge_height(const Profile& p, double d2) {
    switch (p.form) {
        case EdgeForm::Flat: return 0.0;
        case EdgeForm::Ball: return d2 >= p.R2 ? p.ch : p.ch - std::sqrt(p.R2 - d2);
        case EdgeForm::Radius: return radius_mill_height(p, d2);
        default: break;
    }
    if (d2 <= p.c0_2) return bottom_height(p, d2);
    if (d2 <= p.c1_2) return corner_height(p, d2);
    return side_height(p, d2);
}

// Height of the neck surface, for rb2 < d2 <= rn2.
inline double neck_height(const Profile& p, double d2) {
    const double rho = std::sqrt(d2);
    // A vertical cone (slope of the largest double) saturates at kNoSurface instead of infinity.
    if (p.length_kind == kLength3 && rho > p.rk) return std::fmin(kNoSurface, p.L2 + p.L3 + p.s2 * (rho - p.rk));
    return std::fmin(kNoSurface, p.L2 + p.s1 * (rho - p.rb));
}

// Height of the holder surface, for rn2 < d2 <= outer2; kNoSurface beyond its sections. With
// another protrusion L in place of L1 the whole holder lies L - L1 higher.
inline double holder_height(const Profile& p, double d2) {
    const int n = p.holder_count;
    if (p.holder_kind != kHolderSteps && d2 <= p.holder_radius2[0]) return p.L1;
    for (int i = 1; i <= n; ++i) {
        if (p.holder_radius2[i] < d2) continue;
        if (p.holder_kind == kHolderSteps) return p.holder_base[i - 1];
        if (p.holder_kind == kHolderMixed && p.holder_cone[i - 1] == 0) return p.holder_base[i];
        const double span = p.holder_radius[i] - p.holder_radius[i - 1];
        if (!(span > 0.0)) return p.holder_base[i];
        const double u = (std::sqrt(d2) - p.holder_radius[i - 1]) / span;
        return p.holder_base[i - 1] + (p.holder_base[i] - p.holder_base[i - 1]) * u;
    }
    return kNoSurface;
}

// Height of the attachment's lower face over the offset (dx, dy) from the axis; kNoSurface
// outside every section.
inline double attachment_height(const Profile& p, double dx, double dy) {
    const double ax = std::fabs(dx), ay = std::fabs(dy);
    for (int i = 0; i < p.attachment_count; ++i)
        if (ax <= p.attachment_half[i] && ay <= p.attachment_half[i]) return p.attachment_base[i];
    return kNoSurface;
}

struct Surface {
    Zone zone;
    double height;
};

// The tool's lower surface of revolution at squared distance d2, zone by zone.
inline Surface tool_surface(const Profile& p, double d2) {
    switch (zone_of(p, d2)) {
        case Zone::Edge: return {Zone::Edge, edge_height(p, d2)};
        case Zone::Neck: return {Zone::Neck, neck_height(p, d2)};
        case Zone::Holder: return {Zone::Holder, holder_height(p, d2)};
        default: return {Zone::Beyond, kNoSurface};
    }
}

// The rapid check: the cutting edge enlarged by `margin` (the distance is reduced by it, not
// below 0). False when the reduced distance lies outside the blade radius.
inline bool enlarged_edge_height(const Profile& p, double d2, double margin, double* height) {
    const double reduced = std::fmax(0.0, std::sqrt(d2) - margin);
    const double reduced2 = reduced * reduced;
    if (!(reduced2 <= p.rb2)) return false;
    *height = edge_height(p, reduced2);
    return true;
}

}  // namespace vx::sim
