#include "sim/profile.h"

#include <algorithm>
#include <cfloat>
#include <numbers>

namespace vx::sim {
namespace {

constexpr double kDegree = std::numbers::pi / 180.0;

// |half - R| below this makes a ball corner: the tool file writes diameters to 0.001 mm.
constexpr double kBallTolerance = 0.001;

// 1/tan(0): a neck cone of angle 0 rises vertically.
constexpr double kVerticalSlope = DBL_MAX;

// Intervals of the scan that brackets the oval corner start before bisection; the tangency
// function has a single crossing unless R exceeds the ellipse's radius of curvature, and the
// scan then finds the crossing nearest the axis.
constexpr int kOvalScan = 64;
constexpr int kOvalBisections = 200;  // ends earlier, once the interval no longer shrinks

// A radius kept squared; a negative one (nonsensical input) becomes -1 so nothing lies inside.
double signed_square(double x) { return x < 0.0 ? -1.0 : x * x; }

// The angle used by the profile: an angle outside [0, 90) degrees describes no solid of
// revolution that stands on its tip, and is taken as 0 (flat bottom, cylindrical side).
double usable_angle(double degrees) { return degrees > 0.0 && degrees < 90.0 ? degrees : 0.0; }

// tan of an angle in degrees, exactly 1 at 45 so that 45-degree tools have exact slopes.
double tan_degrees(double degrees) { return degrees == 45.0 ? 1.0 : std::tan(degrees * kDegree); }

// ---- Cutting edge ----

void derive_basics(Profile& p, const ToolRecord& t) {
    p.type = t.type;
    p.half = double(t.d) / 2.0;
    p.R = std::fabs(double(t.r));
    p.concave = t.r < 0.0f;
    p.h = t.h;
    if (t.type == kToolOval) {
        p.oval_height = t.f;
        p.oval_A = t.e;
        p.oval_A2 = signed_square(p.oval_A);
        if (p.oval_A == p.half) p.R = 0.0;
    }
    p.R2 = p.R * p.R;
}

void derive_corner_mode(Profile& p, double alpha, double beta) {
    if (alpha != 0.0 || beta != 0.0) p.corner_mode = CornerMode::General;
    else if (std::fabs(p.half - p.R) < kBallTolerance) p.corner_mode = CornerMode::Ball;
    else if (p.R == 0.0) p.corner_mode = CornerMode::Flat;
    else p.corner_mode = CornerMode::Bull;
}

void derive_bottom(Profile& p, const ToolRecord& t, double alpha) {
    if (t.type == kToolOther && alpha > 0.0 && t.tip_diameter > 0.0f) p.tip_radius = double(t.tip_diameter) / 2.0;
    p.tip2 = p.tip_radius > 0.0 ? p.tip_radius * p.tip_radius : -1.0;
    p.bottom_slope = t.type == kToolOval ? -1.0 : tan_degrees(alpha);
    p.bottom_offset = p.tip_radius > 0.0 ? -(p.bottom_slope * p.tip_radius) : 0.0;
}

// Corner start, centre and height (the corner circle is tangent to the bottom line at c0).
void derive_corner(Profile& p, const ToolRecord& t, double alpha, double beta) {
    const double a = alpha * kDegree, b = beta * kDegree;
    const double q = (a + b) / 2.0 + std::numbers::pi / 4.0;
    if (t.type == kToolBall || t.type == kToolTaperBall) p.c0 = 0.0;
    else if (t.type == kToolOval) {
        const bool solve = p.R > 0.0 && p.oval_A > p.half;
        p.c0 = solve ? oval_corner_start(p.half, p.oval_A, p.oval_height, p.R) : p.half;
    } else if (alpha == 0.0 && beta == 0.0) p.c0 = p.half - p.R;
    else p.c0 = p.half - std::cos(a) * p.R / std::tan(q);
    if (p.corner_mode == CornerMode::Ball) p.c0 = 0.0;

    p.cr = p.corner_mode == CornerMode::Ball ? 0.0 : p.c0 - std::sin(a) * p.R;
    if (t.r < 0.0f) p.ch = t.f;
    else p.ch = (p.c0 - p.tip_radius) * p.bottom_slope + std::cos(a) * p.R;
    if (t.type == kToolOval) {
        if (p.oval_A <= p.half) {
            p.cr = p.half;
            p.ch = p.oval_height;
        } else {
            p.cr = p.half - p.R;
            const double u = p.c0 - p.cr;
            p.ch = oval_bottom(p.oval_height, p.oval_A2, p.c0 * p.c0) + std::sqrt(std::fmax(0.0, p.R2 - u * u));
        }
    }
}

// Corner end, side line and blade radius.
void derive_side(Profile& p, const ToolRecord& t, double alpha, double beta) {
    if (beta == 0.0) {
        p.c1 = p.rb = p.half;
        p.side_slope = 0.0;
        p.so = p.ch;
        return;
    }
    const double a = alpha * kDegree, b = beta * kDegree;
    const double q = (a + b) / 2.0 + std::numbers::pi / 4.0;
    const double tan_a = tan_degrees(alpha);
    p.side_slope = beta == 45.0 ? 1.0 : 1.0 / std::tan(b);
    p.so = (tan_a - p.side_slope) * p.half - p.bottom_slope * p.tip_radius;
    p.c1 = std::sin(b) * p.R / std::tan(q) + p.half;
    if (t.top_diameter > 0.0f) p.rb = double(t.top_diameter) / 2.0;
    else if (beta == 45.0) p.rb = (p.h - tan_a * p.half) + p.half;
    else p.rb = (p.h - tan_a * p.half) * std::tan(b) + p.half;
}

void derive_joints(Profile& p) {
    p.z_c0 = p.type == kToolOval ? oval_bottom(p.oval_height, p.oval_A2, p.c0 * p.c0)
                                 : p.c0 * p.bottom_slope + p.bottom_offset;
    p.z_c1 = p.c1 * p.side_slope + p.so;
    p.z_rb = p.rb * p.side_slope + p.so;
    p.c0_2 = signed_square(p.c0);
    p.c1_2 = signed_square(p.c1);
    p.rb2 = p.rb < 0.0 ? -1.0 : p.rb * p.rb * (1.0 + kRimTolerance);
}

// The evaluation that gives the general formulas' values most cheaply.
void choose_form(Profile& p) {
    if (p.type == kToolRadius) p.form = EdgeForm::Radius;
    else if (p.type == kToolOval) p.form = EdgeForm::Oval;
    else if (p.bottom_slope == 0.0 && p.c0 >= p.rb) p.form = EdgeForm::Flat;
    else if (!p.concave && p.c0 == 0.0 && p.cr == 0.0 && p.ch == p.R && p.c1 >= p.rb) p.form = EdgeForm::Ball;
    else p.form = EdgeForm::General;
}

void derive_special(Profile& p, const ToolRecord& t) {
    if (t.type == kToolVertical) {
        const double inner = p.half - double(t.vertical_width);
        p.vertical_inner2 = inner > 0.0 ? inner * inner : -1.0;
    }
    if (t.type == kToolRadius) {
        p.e = t.e;
        p.e2 = signed_square(p.e);
        p.radius_f = t.f;
    }
}

// ---- Neck, holder, attachment ----

void derive_neck(Profile& p, const LengthRecord& length, const ProfileOptions& o) {
    const bool known = length.kind >= kLength1 && length.kind <= kLength3;
    p.length_kind = known ? length.kind : kLengthNone;
    p.rn = p.rb;
    p.rk = p.rb;
    if (p.length_kind == kLengthNone) return;
    p.L1 = length.L[0];
    p.L2 = length.L[1];
    p.L3 = length.L[2];
    if (p.length_kind == kLength1) return;
    const double shank = clear_diameter(length.L[5], o.for_cutting ? o.arbor_clearance : Clearance{}, o.pitch) / 2.0;
    const bool neck = shank > p.rb;
    if (neck) p.rn = shank;
    if (p.length_kind == kLength2) {
        if (neck) p.s1 = p.L3 / (p.rn - p.rb);
        return;
    }
    const double L4 = length.L[3], L5 = length.L[4];
    p.s1 = L4 == 0.0 ? kVerticalSlope : 1.0 / std::tan(L4 * kDegree);
    p.s2 = L5 == 0.0 ? kVerticalSlope : 1.0 / std::tan(L5 * kDegree);
    if (neck && L4 != 0.0) p.rk = p.L3 / p.s1 + p.rb;
    p.neck_top = std::fmin(kNoSurface, (p.rn - p.rk) * p.s2 + p.L3);
}

void derive_holder(Profile& p, const HolderRecord& holder, const ProfileOptions& o) {
    p.holder_radius[0] = p.rn;
    p.holder_base[0] = p.L1;
    p.holder_top = p.L1;
    p.has_holder = holder.defined != 0 && p.length_kind != kLengthNone;
    if (p.has_holder) {
        const Clearance clearance = o.for_cutting ? o.arbor_clearance : Clearance{};
        const bool mixed = holder.kind == kHolderMixed;
        p.holder_kind = holder.kind >= kHolderSteps && holder.kind <= kHolderMixed ? holder.kind : kHolderSteps;
        p.holder_count = std::clamp(holder.count, 0, kHolderSections);
        if (mixed) p.holder_radius[0] = std::fmax(clear_diameter(holder.diameters[0], clearance, o.pitch) / 2.0, p.rn);
        for (int i = 1; i <= p.holder_count; ++i) {
            const double diameter = mixed ? holder.diameters[i] : holder.diameters[i - 1];
            // Radii never shrink upward: a narrower section hides inside the one below.
            p.holder_radius[i] = std::fmax(clear_diameter(diameter, clearance, o.pitch) / 2.0, p.holder_radius[i - 1]);
            p.holder_base[i] = p.holder_base[i - 1] + double(holder.heights[i - 1]);
            p.holder_cone[i - 1] = holder.flags[i - 1];
        }
        p.holder_top = p.holder_base[p.holder_count];
    }
    for (int i = 0; i <= p.holder_count; ++i) p.holder_radius2[i] = signed_square(p.holder_radius[i]);
    p.outer = std::fmax(std::fmax(p.rb, p.rn), p.holder_radius[p.holder_count]);
    p.outer2 = signed_square(p.outer);
}

double attachment_width(double width, const Clearance& c, double pitch) {
    if (c.mode == ClearanceMode::Value) return width + 2.0 * c.value;
    if (c.mode == ClearanceMode::Pitch) return width + 2.0 * pitch;
    return width;
}

void derive_attachment(Profile& p, const ProfileOptions& o) {
    // Without lengths the holder top is unknown, so the head cannot be placed.
    if (!o.attachment || !checked(o.arbor_check) || p.length_kind == kLengthNone) return;
    const Clearance clearance = o.for_cutting ? o.arbor_clearance : Clearance{};
    p.attachment_count = std::clamp(o.attachment->count, 0, kAttachmentSteps);
    double base = p.holder_top, widest = 0.0;
    for (int i = 0; i < p.attachment_count; ++i) {
        const AttachmentStep& step = o.attachment->steps[i];
        p.attachment_half[i] = attachment_width(step.width, clearance, o.pitch) / 2.0;
        p.attachment_base[i] = base;
        base += double(step.height);
        widest = std::fmax(widest, p.attachment_half[i]);
    }
    p.attachment_top = base;
    p.attachment_reach2 = p.attachment_count > 0 ? 2.0 * widest * widest : -1.0;
}

void derive_margins(Profile& p, const ProfileOptions& o) {
    p.pitch_margin = pitch_margin(p.rb, o.pitch);
    if (o.tool_clearance.mode == ClearanceMode::Value) p.clearance_margin = o.tool_clearance.value;
    else if (o.tool_clearance.mode == ClearanceMode::Pitch) p.clearance_margin = p.pitch_margin;
    else p.clearance_margin = 0.0;
}

}  // namespace

// ---- Oval corner start ----

// With the ellipse point P(t) = (A sin t, H - H cos t), t = 0 on the axis, the corner circle's
// centre lies R along the inner normal (-H sin t, A cos t)/|.|; the corner start is the point
// whose centre lies at the radius half - R, where a circle of radius R touches the side.
double oval_corner_start(double half, double A, double H, double R) {
    const double target = half - R;
    if (!(half > 0.0) || !(A > 0.0) || !(target > 0.0)) return 0.0;
    const auto centre_gap = [&](double t) {
        const double s = std::sin(t), c = std::cos(t);
        const double n = std::sqrt(H * H * s * s + A * A * c * c);
        return A * s - (n > 0.0 ? R * H * s / n : 0.0) - target;
    };
    const double t_end = std::asin(std::fmin(1.0, half / A));
    double lo = 0.0;
    for (int k = 1; k <= kOvalScan; ++k) {
        double hi = t_end * k / kOvalScan;
        if (centre_gap(hi) < 0.0) {
            lo = hi;
            continue;
        }
        for (int i = 0; i < kOvalBisections; ++i) {
            const double mid = 0.5 * (lo + hi);
            if (mid <= lo || mid >= hi) break;
            (centre_gap(mid) < 0.0 ? lo : hi) = mid;
        }
        return A * std::sin(0.5 * (lo + hi));
    }
    return A * std::sin(t_end);  // no touching point (a negative oval height): up to the side
}

// ---- Clearances ----

double clear_diameter(double diameter, const Clearance& c, double pitch) {
    if (c.mode == ClearanceMode::Value) return diameter + 2.0 * c.value;
    if (c.mode == ClearanceMode::Pitch) {
        const double x = diameter / 2.0 + pitch, y = pitch / 2.0;
        return 2.0 * std::sqrt(x * x + y * y);
    }
    return diameter;
}

double pitch_margin(double rb, double pitch) {
    const double x = rb + pitch, y = pitch / 2.0;
    return std::sqrt(x * x + y * y) - rb;
}

// ---- Building ----

Profile build_edge_profile(const ToolRecord& tool) {
    Profile p;
    const double alpha = usable_angle(tool.alpha), beta = usable_angle(tool.beta);
    derive_basics(p, tool);
    derive_corner_mode(p, alpha, beta);
    derive_bottom(p, tool, alpha);
    derive_corner(p, tool, alpha, beta);
    derive_side(p, tool, alpha, beta);
    derive_joints(p);
    choose_form(p);
    derive_special(p, tool);
    p.rn = p.rk = p.outer = p.rb;
    p.rn2 = p.outer2 = p.rb2;
    p.holder_radius[0] = p.rb;
    p.holder_radius2[0] = p.rb2;
    return p;
}

Profile build_profile(const ToolRecord& tool, const LengthRecord& length, const HolderRecord& holder,
                      const ProfileOptions& options) {
    Profile p = build_edge_profile(tool);
    derive_neck(p, length, options);
    p.rn2 = signed_square(p.rn);
    derive_holder(p, holder, options);
    derive_attachment(p, options);
    derive_margins(p, options);
    return p;
}

}  // namespace vx::sim
