#include "sim/profile.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

namespace vx::sim {
namespace {

constexpr double kDeg = std::numbers::pi / 180.0;

ToolRecord tool(int type, float d, float r = 0, float e = 0, float f = 0, float alpha = 0, float beta = 0,
                float h = 30) {
    ToolRecord t;
    t.defined = 1;
    t.type = type;
    t.d = d, t.r = r, t.e = e, t.f = f, t.alpha = alpha, t.beta = beta, t.h = h;
    return t;
}

double z(const Profile& p, double rho) { return edge_height(p, rho * rho); }

LengthRecord length(int kind, std::initializer_list<float> values) {
    LengthRecord l;
    l.kind = kind;
    int i = 0;
    for (float v : values) l.L[i++] = v;
    return l;
}

HolderRecord holder(int kind, std::vector<float> diameters, std::vector<float> heights, std::vector<int> flags = {}) {
    HolderRecord h;
    h.defined = 1;
    h.kind = kind;
    h.count = static_cast<int>(heights.size());
    for (std::size_t i = 0; i < diameters.size(); ++i) h.diameters[i] = diameters[i];
    for (std::size_t i = 0; i < heights.size(); ++i) h.heights[i] = heights[i];
    for (std::size_t i = 0; i < flags.size(); ++i) h.flags[i] = flags[i];
    return h;
}

// One tool of every kind the reader produces, with angles, tips and tops where they exist.
std::vector<ToolRecord> every_tool_kind() {
    std::vector<ToolRecord> tools{
        tool(kToolFlat, 10),
        tool(kToolBall, 10, 5, 0, 5),
        tool(kToolBull, 10, 2, 3, 2),
        tool(kToolOther, 10, -2, 0, 2),                 // concave corner
        tool(kToolOther, 8.5f, 0, 4.25f, 0, 31, 0, 40),  // drill
        tool(kToolOther, 10, 1, 0, 0, 10, 5, 20),        // general cutter
        tool(kToolVertical, 20),
        tool(kToolKegaki, 0.5f, 0, 0, 0, 0, 0, 0.2f),
        tool(kToolOval, 10, 0, 4, 2),                   // ellipse narrower than the tool
        tool(kToolOval, 10, 0, 8, 2),                   // wider, no corner radius
        tool(kToolOval, 10, 1, 8, 2),                   // wider, with corner radius
        tool(kToolRadius, 20, 3, 20.0f / 2 - 3 - std::sqrt(5.0f), 1, 0, 0, 3),
    };
    ToolRecord tip = tool(kToolOther, 10, 0, 5, 0, 59, 0, 40);
    tip.tip_diameter = 2;
    tools.push_back(tip);
    const double b = 5 * kDeg;
    ToolRecord taper = tool(kToolTaperBall, float(6 * (std::cos(b) + std::sin(b) * std::tan(b) - std::tan(b))), 3,
                            0, 3, 0, 5, 20);
    tools.push_back(taper);
    ToolRecord topped = tool(kToolOther, 10, 1, 4, 1, 0, 5, 40);
    topped.top_diameter = 12;
    tools.push_back(topped);
    return tools;
}

// ---- Worked heights ----
// Heights of the common shapes worked by hand: a wrong zone threshold or centre shows up here.

struct HeightCase {
    const char* what;
    ToolRecord tool;
    double rho, z;
};

TEST(ProfileEdge, WorkedHeights) {
    ToolRecord tipped = tool(kToolOther, 10, 0, 5, 0, 30, 0, 40);
    tipped.tip_diameter = 4;
    const double t59 = std::tan(59 * kDeg), t30 = std::tan(30 * kDeg);
    const HeightCase cases[] = {
        {"ball", tool(kToolBall, 10, 5, 0, 5), 0, 0},
        {"ball", tool(kToolBall, 10, 5, 0, 5), 3, 1},  // 5 - sqrt(25 - 9)
        {"ball", tool(kToolBall, 10, 5, 0, 5), 5, 5},
        {"bull", tool(kToolBull, 10, 2, 3, 2), 3, 0},
        {"bull", tool(kToolBull, 10, 2, 3, 2), 4, 2 - std::sqrt(3.0)},  // 0.268
        {"bull", tool(kToolBull, 10, 2, 3, 2), 5, 2},
        {"flat", tool(kToolFlat, 10), 5, 0},
        {"drill", tool(kToolOther, 10, 0, 5, 0, 59, 0, 40), 0, 0},
        {"drill", tool(kToolOther, 10, 0, 5, 0, 59, 0, 40), 2.5, 2.5 * t59},
        {"drill", tool(kToolOther, 10, 0, 5, 0, 59, 0, 40), 5, 5 * t59},
        {"tip flat", tipped, 1.5, 0},
        {"tip flat", tipped, 4, 2 * t30},
        // d = 10, r = -2: a quarter circle about (5, 0) from (3, 0) up to (5, 2).
        {"concave", tool(kToolOther, 10, -2, 0, 2), 3, 0},
        {"concave", tool(kToolOther, 10, -2, 0, 2), 4, std::sqrt(3.0)},
        {"concave", tool(kToolOther, 10, -2, 0, 2), 5, 2},
        // half = R is the ball test of the corner, yet the arc about (2, 0) stays concave.
        {"concave from axis", tool(kToolOther, 4, -2, 0, 2), 1, std::sqrt(3.0)},
        // A bull within 0.001 of half the diameter is swept as a ball.
        {"near ball", tool(kToolBull, 10, 4.9995f, 0.0005f, 4.9995f), 3, 4.9995 - std::sqrt(4.9995 * 4.9995 - 9)},
    };
    for (const HeightCase& c : cases) EXPECT_NEAR(z(build_edge_profile(c.tool), c.rho), c.z, 1e-6) << c.what << " " << c.rho;
}

TEST(ProfileEdge, ZoneConstantsOfBallAndBull) {
    const Profile ball = build_edge_profile(tool(kToolBall, 10, 5, 0, 5));
    EXPECT_EQ(ball.c0, 0.0);
    EXPECT_EQ(ball.cr, 0.0);
    EXPECT_DOUBLE_EQ(ball.ch, 5.0);
    EXPECT_DOUBLE_EQ(ball.rb, 5.0);
    const Profile bull = build_edge_profile(tool(kToolBull, 10, 2, 3, 2));
    EXPECT_DOUBLE_EQ(bull.c0, 3.0);
    EXPECT_DOUBLE_EQ(bull.cr, 3.0);
    EXPECT_DOUBLE_EQ(bull.ch, 2.0);
    // Within 0.001 of a ball the corner starts on the axis, as the ball's does.
    EXPECT_EQ(build_edge_profile(tool(kToolBull, 10, 4.9995f, 0.0005f, 4.9995f)).c0, 0.0);
}

TEST(ProfileEdge, FortyFiveDegreesGiveExactSlopes) {
    const Profile p = build_edge_profile(tool(kToolOther, 10, 0, 0, 0, 45, 45, 20));
    EXPECT_EQ(p.side_slope, 1.0);
    EXPECT_EQ(p.bottom_slope, 1.0);
    const Profile q = build_edge_profile(tool(kToolOther, 10, 0, 0, 0, 0, 45, 20));
    EXPECT_EQ(q.side_slope, 1.0);
    EXPECT_DOUBLE_EQ(q.rb, 25.0);  // (h - 0) + half
}

// ---- Corner geometry against an independent construction ----
// The corner circle must touch the bottom line and the side line; a swapped sine and cosine or
// a wrong sign in c0, cr, ch or c1 moves the circle off one of them.

struct CornerCase {
    double d, r, alpha, beta;
};

TEST(ProfileCorner, CircleTouchesBottomAndSideLines) {
    for (const CornerCase c : {CornerCase{10, 1, 10, 5}, CornerCase{12, 2, 30, 0}, CornerCase{8, 1.5, 0, 20},
                               CornerCase{20, 3, 15, 40}}) {
        const Profile p = build_edge_profile(tool(kToolOther, c.d, c.r, 0, 0, c.alpha, c.beta, 50));
        const double a = c.alpha * kDeg, b = c.beta * kDeg, half = c.d / 2;
        // Centre: distance R from the bottom line z = x tan a and from the side line through
        // (half, half tan a) with direction (sin b, cos b), on the tool's side of both.
        const double n1x = -std::sin(a), n1z = std::cos(a);
        const double n2x = -std::cos(b), n2z = std::sin(b);
        const double k2 = c.r + n2x * half + n2z * half * std::tan(a);
        const double det = n1x * n2z - n1z * n2x;
        const double cx = (c.r * n2z - n1z * k2) / det, cz = (n1x * k2 - n2x * c.r) / det;
        EXPECT_NEAR(p.cr, cx, 1e-9) << c.alpha << "/" << c.beta;
        EXPECT_NEAR(p.ch, cz, 1e-9) << c.alpha << "/" << c.beta;
        // Touching points: the foot of the centre on each line.
        EXPECT_NEAR(p.c0, cx + c.r * std::sin(a), 1e-9);
        EXPECT_NEAR(p.c1, cx + c.r * std::cos(b), 1e-9);
    }
}

TEST(ProfileCorner, TaperBallIsABallUpToItsTangentSide) {
    const double b = 5 * kDeg, R = 3;
    const float d = float(2 * R * (std::cos(b) + std::sin(b) * std::tan(b) - std::tan(b)));
    const Profile p = build_edge_profile(tool(kToolTaperBall, d, 3, 0, 3, 0, 5, 20));
    EXPECT_EQ(p.c0, 0.0);
    EXPECT_NEAR(p.c1, R * std::cos(b), 1e-6);
    EXPECT_NEAR(z(p, 2), R - std::sqrt(R * R - 4), 1e-12);
    // The diameter is kept in single precision: the side meets the ball within a few 1e-6.
    EXPECT_NEAR(z(p, p.c1), R - R * std::sin(b), 1e-5);
    EXPECT_NEAR(z(p, p.c1 + 1), z(p, p.c1) + 1 / std::tan(b), 1e-5);
    // The side reaches the blade height at rb.
    EXPECT_NEAR(z(p, p.rb), 20.0, 1e-4);
}

// ---- Continuity and monotonicity for every tool kind ----
// At each joint the two zones' formulas must give the same height; and the cutting edge of every
// standard shape rises (or stays level) outward. A wrong sign or a swapped radius breaks one.

TEST(ProfileContinuity, ZoneFormulasAgreeAtEveryJoint) {
    for (const ToolRecord& t : every_tool_kind()) {
        const Profile p = build_edge_profile(t);
        SCOPED_TRACE(::testing::Message() << "type " << t.type << " d " << t.d << " r " << t.r);
        if (p.form == EdgeForm::Radius) {
            EXPECT_NEAR(radius_mill_height(p, p.e2), p.radius_f, 1e-6);
            continue;
        }
        // A taper ball's diameter is derived, then rounded to single precision.
        const double tolerance = t.type == kToolTaperBall ? 1e-5 : 1e-9;
        if (p.c0 > 0 && p.c0 < p.c1) {
            EXPECT_NEAR(bottom_height(p, p.c0_2), corner_height(p, p.c0_2), tolerance);
        }
        if (p.c1 > p.c0 && p.c1 < p.rb) {
            EXPECT_NEAR(corner_height(p, p.c1_2), side_height(p, p.c1_2), tolerance);
        }
        if (p.c0 > 0) {
            EXPECT_NEAR(p.z_c0, edge_height(p, p.c0_2), tolerance);
        }
        // The fast forms give what the general zone formulas give.
        for (int k = 0; k <= 100; ++k) {
            const double rho = p.rb * k / 100.0, d2 = rho * rho;
            const double general = d2 <= p.c0_2 ? bottom_height(p, d2) : d2 <= p.c1_2 ? corner_height(p, d2) : side_height(p, d2);
            EXPECT_NEAR(edge_height(p, d2), general, 1e-12) << rho;
        }
    }
}

TEST(ProfileContinuity, EdgeNeverFallsOutward) {
    for (const ToolRecord& t : every_tool_kind()) {
        if (t.type == kToolRadius) continue;  // lowest on its ring, by design
        const Profile p = build_edge_profile(t);
        SCOPED_TRACE(::testing::Message() << "type " << t.type << " d " << t.d << " r " << t.r);
        const double tolerance = t.type == kToolTaperBall ? 1e-5 : 1e-12;
        double previous = edge_height(p, 0.0);
        EXPECT_NEAR(previous, 0.0, 1e-12);  // every shape stands on its tip
        for (int k = 1; k <= 2000; ++k) {
            const double rho = p.rb * k / 2000.0, height = edge_height(p, rho * rho);
            EXPECT_GE(height, previous - tolerance) << rho;
            previous = height;
        }
    }
}

// ---- Oval mill ----
// The corner start is solved numerically; checked against a different parametrisation and
// method, and by the geometry it must satisfy.

// Corner start found independently: the ellipse as z(x), the centre moved R along the unit
// normal, and plain bisection over x in long double.
long double oval_start_by_x(long double half, long double A, long double H, long double R) {
    const auto centre_x = [&](long double x) {
        const long double u = std::sqrt(1 - x * x / (A * A));
        const long double slope = H * x / (A * A * u);
        return x - R * slope / std::sqrt(1 + slope * slope);
    };
    long double lo = half - R, hi = half;
    for (int i = 0; i < 200; ++i) {
        const long double mid = (lo + hi) / 2;
        (centre_x(mid) < half - R ? lo : hi) = mid;
    }
    return (lo + hi) / 2;
}

struct OvalCase {
    double d, H, A, R;
};

TEST(ProfileOval, CornerStartMatchesIndependentSolution) {
    for (const OvalCase c : {OvalCase{10, 2, 8, 1}, OvalCase{10, 2, 5.5, 0.5}, OvalCase{20, 5, 30, 3},
                             OvalCase{6, 0.5, 6.5, 0.2}, OvalCase{10, 6, 12, 2}}) {
        const double half = c.d / 2;
        const double c0 = oval_corner_start(half, c.A, c.H, c.R);
        EXPECT_NEAR(c0, double(oval_start_by_x(half, c.A, c.H, c.R)), 1e-9) << c.d << " " << c.A;
    }
}

TEST(ProfileOval, CornerCircleTouchesTheEllipseAndTheSide) {
    const Profile p = build_edge_profile(tool(kToolOval, 10, 1, 8, 2));
    EXPECT_DOUBLE_EQ(p.cr, 4.0);  // tangent to the side at half
    EXPECT_NEAR(z(p, 5), p.ch, 1e-12);
    // The centre lies R from the ellipse: its distance to dense samples of the ellipse.
    double nearest = 1e9;
    for (int k = 0; k <= 200000; ++k) {
        const double x = 5.0 * k / 200000.0;
        const double ze = 2 * (1 - std::sqrt(1 - x * x / 64));
        nearest = std::min(nearest, std::hypot(x - p.cr, ze - p.ch));
    }
    EXPECT_NEAR(nearest, 1.0, 1e-6);
}

TEST(ProfileOval, NarrowOrCornerlessEllipses) {
    // A = 4 < half: the ellipse up to 4, level at the oval height beyond, no corner.
    const Profile narrow = build_edge_profile(tool(kToolOval, 10, 1, 4, 2));
    EXPECT_DOUBLE_EQ(narrow.c0, 5.0);
    EXPECT_DOUBLE_EQ(narrow.ch, 2.0);
    EXPECT_NEAR(z(narrow, 2), 2 * (1 - std::sqrt(0.75)), 1e-12);
    EXPECT_DOUBLE_EQ(z(narrow, 4.5), 2.0);
    // A = 8 > half without corner radius: the ellipse up to the side.
    const Profile wide = build_edge_profile(tool(kToolOval, 10, 0, 8, 2));
    EXPECT_DOUBLE_EQ(wide.c0, 5.0);
    EXPECT_NEAR(wide.ch, 2 * (1 - std::sqrt(1 - 25.0 / 64)), 1e-12);
    EXPECT_NEAR(z(wide, 5), wide.ch, 1e-12);
    // Oval height 0: the corner circle sits on a flat bottom, as for a bull end mill; a radius
    // beyond half the diameter leaves no bottom at all.
    EXPECT_NEAR(oval_corner_start(5, 8, 0, 1), 4.0, 1e-12);
    EXPECT_EQ(oval_corner_start(5, 8, 2, 6), 0.0);
}

// ---- Radius mill ----

TEST(ProfileRadius, CentreFlatThenTorus) {
    const float e = float(10 - 3 - std::sqrt(5.0));
    const Profile p = build_edge_profile(tool(kToolRadius, 20, 3, e, 1, 0, 0, 3));
    EXPECT_EQ(p.form, EdgeForm::Radius);
    EXPECT_DOUBLE_EQ(z(p, 2), 1.0);
    EXPECT_NEAR(z(p, 7), 0.0, 1e-12);  // lowest on the ring of centres
    EXPECT_NEAR(z(p, 5.5), 3 - std::sqrt(9 - 2.25), 1e-12);
    EXPECT_NEAR(z(p, 10), 3.0, 1e-12);
    EXPECT_NEAR(p.e2, double(e) * double(e), 1e-9);
}

// ---- Neck and shank ----

TEST(ProfileNeck, ConeOfLength2) {
    // Flat d = 6 with LENGTH2 40,15,5,8: the cone from (3, 15) to (4, 20).
    const Profile p = build_profile(tool(kToolFlat, 6), length(kLength2, {40, 15, 5, 0, 0, 8}), {}, {});
    EXPECT_DOUBLE_EQ(p.rn, 4.0);
    EXPECT_DOUBLE_EQ(neck_height(p, 3.5 * 3.5), 17.5);
    EXPECT_DOUBLE_EQ(neck_height(p, 16.0), 20.0);
    EXPECT_EQ(zone_of(p, 3.5 * 3.5), Zone::Neck);
    EXPECT_EQ(zone_of(p, 4.1 * 4.1), Zone::Beyond);
}

TEST(ProfileNeck, TwoConesOfLength3) {
    // Ball d = 4 with LENGTH3 50,12,2,30,60,10: rise 2 at 60 degrees, then 30 degrees to r = 5.
    const Profile p = build_profile(tool(kToolBall, 4, 2, 0, 2), length(kLength3, {50, 12, 2, 30, 60, 10}), {}, {});
    const double s1 = 1 / std::tan(30 * kDeg), s2 = 1 / std::tan(60 * kDeg), rk = 2 / s1 + 2;
    EXPECT_NEAR(p.rk, rk, 1e-12);
    EXPECT_NEAR(neck_height(p, 2.5 * 2.5), 12 + s1 * 0.5, 1e-12);
    EXPECT_NEAR(neck_height(p, 16.0), 14 + s2 * (4 - rk), 1e-12);
    EXPECT_NEAR(neck_height(p, rk * rk), 14.0, 1e-9);  // the two cones meet
    EXPECT_NEAR(p.neck_top, (5 - rk) * s2 + 2, 1e-12);
    // A first cone of angle 0 rises vertically at the blade radius.
    const Profile v = build_profile(tool(kToolBall, 4, 2, 0, 2), length(kLength3, {50, 12, 2, 0, 45, 10}), {}, {});
    EXPECT_DOUBLE_EQ(v.rk, 2.0);
    EXPECT_NEAR(neck_height(v, 9.0), 14 + 1 / std::tan(45 * kDeg), 1e-12);
}

TEST(ProfileNeck, ShankNotWiderThanBladeLeavesNoNeck) {
    const Profile p = build_profile(tool(kToolFlat, 10), length(kLength2, {40, 15, 5, 0, 0, 8}),
                                    holder(kHolderSteps, {30}, {20}), {});
    EXPECT_DOUBLE_EQ(p.rn, p.rb);
    EXPECT_EQ(zone_of(p, 5.5 * 5.5), Zone::Holder);
    EXPECT_DOUBLE_EQ(holder_height(p, 5.5 * 5.5), 40.0);  // the holder starts at L1
}

// ---- Holder ----
// The three holder kinds on a flat d = 6 with protrusion 35; heights from the section rules.

TEST(ProfileHolder, StepsSitOnTheSectionBelow) {
    const Profile p = build_profile(tool(kToolFlat, 6), length(kLength1, {35}), holder(kHolderSteps, {20, 40}, {30, 50}), {});
    EXPECT_DOUBLE_EQ(holder_height(p, 25.0), 35.0);
    EXPECT_DOUBLE_EQ(holder_height(p, 100.0), 35.0);
    EXPECT_DOUBLE_EQ(holder_height(p, 225.0), 65.0);
    EXPECT_DOUBLE_EQ(p.holder_top, 115.0);
    EXPECT_DOUBLE_EQ(p.outer, 20.0);
    EXPECT_EQ(zone_of(p, 401.0), Zone::Beyond);
}

TEST(ProfileHolder, PolygonJoinsItsPoints) {
    const Profile p = build_profile(tool(kToolFlat, 6), length(kLength1, {35}), holder(kHolderPolygon, {20, 40}, {30, 50}), {});
    EXPECT_DOUBLE_EQ(holder_height(p, 9.0), 35.0);
    EXPECT_NEAR(holder_height(p, 25.0), 35 + 30 * 2.0 / 7.0, 1e-12);
    EXPECT_NEAR(holder_height(p, 100.0), 65.0, 1e-12);
    EXPECT_NEAR(holder_height(p, 225.0), 65 + 50 * 0.5, 1e-12);
}

TEST(ProfileHolder, MixedStepsAndCones) {
    // ARBOR3 12, (10, step, 30), (20, cone, 50).
    HolderRecord h = holder(kHolderMixed, {12, 30, 50}, {10, 20}, {0, 1});
    const Profile p = build_profile(tool(kToolFlat, 6), length(kLength1, {35}), h, {});
    EXPECT_DOUBLE_EQ(holder_height(p, 25.0), 35.0);   // inside the base diameter
    EXPECT_DOUBLE_EQ(holder_height(p, 100.0), 45.0);  // a step: the section's top
    EXPECT_NEAR(holder_height(p, 400.0), 45 + 20 * 0.5, 1e-12);
    EXPECT_DOUBLE_EQ(p.holder_top, 65.0);
    EXPECT_DOUBLE_EQ(p.outer, 25.0);
}

TEST(ProfileHolder, RadiiNeverShrinkUpward) {
    const Profile p = build_profile(tool(kToolFlat, 6), length(kLength1, {35}), holder(kHolderSteps, {40, 20}, {10, 10}), {});
    EXPECT_DOUBLE_EQ(p.holder_radius[2], 20.0);
    EXPECT_DOUBLE_EQ(holder_height(p, 15.0 * 15.0), 35.0);
    EXPECT_DOUBLE_EQ(p.outer, 20.0);
    // Without lengths there is nothing to place a holder on.
    const Profile bare = build_profile(tool(kToolFlat, 6), {}, holder(kHolderSteps, {20}, {30}), {});
    EXPECT_FALSE(bare.has_holder);
    EXPECT_DOUBLE_EQ(bare.outer, 3.0);
}

// ---- Clearances and attachment ----
// Enlargements apply only to a selection for cutting, to the diameters outside the edge.

TEST(ProfileClearance, NumberAndPitchFormula) {
    ProfileOptions o;
    o.for_cutting = true;
    o.pitch = 0.1;
    o.arbor_clearance = {ClearanceMode::Value, 0.5};
    const LengthRecord l = length(kLength2, {40, 15, 5, 0, 0, 8});
    const HolderRecord h = holder(kHolderSteps, {20}, {30});
    Profile p = build_profile(tool(kToolFlat, 6), l, h, o);
    EXPECT_DOUBLE_EQ(p.rn, 4.5);
    EXPECT_DOUBLE_EQ(p.holder_radius[1], 10.5);
    EXPECT_DOUBLE_EQ(p.rb, 3.0);  // the cutting edge is never enlarged

    o.arbor_clearance = {ClearanceMode::Pitch, 0};
    p = build_profile(tool(kToolFlat, 6), l, h, o);
    EXPECT_NEAR(p.holder_radius[1], std::sqrt(10.1 * 10.1 + 0.05 * 0.05), 1e-12);

    o.for_cutting = false;
    p = build_profile(tool(kToolFlat, 6), l, h, o);
    EXPECT_DOUBLE_EQ(p.holder_radius[1], 10.0);
}

TEST(ProfileClearance, RapidCheckMargins) {
    ProfileOptions o;
    o.pitch = 0.1;
    o.tool_clearance = {ClearanceMode::Pitch, 0};
    const Profile yes = build_profile(tool(kToolFlat, 10), {}, {}, o);
    EXPECT_NEAR(yes.clearance_margin, std::sqrt(5.1 * 5.1 + 0.0025) - 5, 1e-12);
    EXPECT_DOUBLE_EQ(yes.pitch_margin, yes.clearance_margin);
    o.tool_clearance = {ClearanceMode::Value, 0.3};
    EXPECT_DOUBLE_EQ(build_profile(tool(kToolFlat, 10), {}, {}, o).clearance_margin, 0.3);
    o.tool_clearance = {ClearanceMode::None, 0};
    EXPECT_EQ(build_profile(tool(kToolFlat, 10), {}, {}, o).clearance_margin, 0.0);

    double height = -1;
    const Profile ball = build_edge_profile(tool(kToolBall, 10, 5, 0, 5));
    ASSERT_TRUE(enlarged_edge_height(ball, 5.5 * 5.5, 1.0, &height));
    EXPECT_NEAR(height, 5 - std::sqrt(25 - 4.5 * 4.5), 1e-12);
    EXPECT_FALSE(enlarged_edge_height(ball, 6.5 * 6.5, 1.0, &height));
}

TEST(ProfileAttachment, SquareSectionsStackOnTheHolderTop) {
    Attachment a;
    a.count = 2;
    a.steps[0] = {50, 20};
    a.steps[1] = {80, 40};
    ProfileOptions o;
    o.attachment = &a;
    o.arbor_check = ArborCheck::Compute;
    const Profile p = build_profile(tool(kToolFlat, 6), length(kLength1, {35}), holder(kHolderSteps, {20}, {30}), o);
    EXPECT_DOUBLE_EQ(attachment_height(p, 24, -24), 65.0);  // inside the first square
    EXPECT_DOUBLE_EQ(attachment_height(p, 24, 30), 85.0);   // a corner outside it: the second
    EXPECT_EQ(attachment_height(p, 41, 0), kNoSurface);
    EXPECT_DOUBLE_EQ(p.attachment_top, 125.0);

    o.arbor_check = ArborCheck::Ignore;
    EXPECT_EQ(build_profile(tool(kToolFlat, 6), length(kLength1, {35}), {}, o).attachment_count, 0);

    o.arbor_check = ArborCheck::Compute;
    o.for_cutting = true;
    o.pitch = 0.1;
    o.arbor_clearance = {ClearanceMode::Pitch, 0};
    EXPECT_DOUBLE_EQ(build_profile(tool(kToolFlat, 6), length(kLength1, {35}), {}, o).attachment_half[0], 25.1);
    o.arbor_clearance = {ClearanceMode::Value, 0.5};
    EXPECT_DOUBLE_EQ(build_profile(tool(kToolFlat, 6), length(kLength1, {35}), {}, o).attachment_half[0], 25.5);
}

// ---- Nonsense in, finite out ----
// The kernel compares and sums what the profile gives; a NaN there would silently stop cutting.

TEST(ProfileRobustness, AnyRecordGivesFiniteHeights) {
    std::uint64_t state = 12345;
    const auto next = [&] {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<double>(state >> 11) / 9007199254740992.0;
    };
    const float specials[] = {0.0f, -1.0f, 1.0f, 45.0f, 90.0f, -90.0f, 3.4e38f, -3.4e38f, 1e-30f, 180.0f};
    const auto value = [&] {
        const double u = next();
        if (u < 0.3) return specials[static_cast<int>(next() * 10) % 10];
        return static_cast<float>((next() - 0.3) * 60);
    };
    const int types[] = {0, 1, 2, 3, 4, 5, 6, 9, 99};
    for (int n = 0; n < 3000; ++n) {
        ToolRecord t = tool(types[n % 9], value(), value(), value(), value(), value(), value(), value());
        t.tip_diameter = value();
        t.top_diameter = value();
        t.vertical_width = value();
        LengthRecord l = length(1 + n % 3, {value(), value(), value(), value(), value(), value()});
        HolderRecord h = holder(n % 3, {value(), value(), value()}, {value(), value()}, {n % 2, 1});
        ProfileOptions o;
        o.for_cutting = n % 2 == 0;
        o.pitch = 0.1;
        o.arbor_clearance = {ClearanceMode(n % 3), value()};
        const Profile p = build_profile(t, l, h, o);
        for (int k = 0; k < 20; ++k) {
            const double d2 = next() * std::fmax(1.0, std::fmin(1e6, p.outer2 * 1.2));
            const Surface s = tool_surface(p, d2);
            ASSERT_FALSE(std::isnan(s.height)) << n << " " << d2;
            ASSERT_FALSE(std::isnan(edge_height(p, d2))) << n;
            ASSERT_FALSE(std::isnan(neck_height(p, d2))) << n;
            ASSERT_FALSE(std::isnan(holder_height(p, d2))) << n;
        }
        ASSERT_FALSE(std::isnan(p.ch) || std::isnan(p.c0) || std::isnan(p.c1) || std::isnan(p.rb)) << n;
        ASSERT_FALSE(std::isnan(p.outer2) || std::isnan(p.holder_top) || std::isnan(p.neck_top)) << n;
    }
}

}  // namespace
}  // namespace vx::sim
