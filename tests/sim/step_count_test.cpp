#include "sim/cutting_step.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>
#include <numbers>

namespace vx::sim {
namespace {

// ---- Step counts ----
// A wrong rounding gives a normal run and a fast run different step counts for the same move, or
// an extra step for a move that is an exact multiple of the pitch; a bad pitch must not divide by
// zero or overflow the count.

struct CountCase {
    double length, pitch;
    int normal, sampled;
};

TEST(StepCount, NormalAndFastRunCounts) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const CountCase cases[] = {
        {0.5, 1.0, 1, 1},    {1.02, 1.0, 2, 2}, {1.005, 1.0, 2, 1},  // the fast run rounds up from 0.01 on
        {3.0, 1.0, 3, 3},    {2.1, 0.3, 7, 7},                       // 2.1 / 0.3 is 7.000000000000001
        {0.0, 1.0, 1, 1},    {nan, 1.0, 1, 1},                       // no length: one step
        {10.0, 0.0, 1, 1},   {10.0, -1.0, 1, 1}, {10.0, nan, 1, 1}, {10.0, inf, 1, 1},  // unusable pitch
        {1e300, 1e-3, INT_MAX, INT_MAX},                             // saturates, no overflow
    };
    for (const CountCase& c : cases) {
        EXPECT_EQ(step_count(c.length, c.pitch), c.normal) << c.length << " / " << c.pitch;
        EXPECT_EQ(sampled_step_count(c.length, c.pitch), c.sampled) << c.length << " / " << c.pitch;
    }
    EXPECT_DOUBLE_EQ(step_length(10.0, 4), 2.5);
    EXPECT_DOUBLE_EQ(step_length(10.0, 0), 10.0);
}

// ---- Positions along a move ----
// The kernel must be called at the right points: a line sampled with the wrong fraction, an arc
// turned the wrong way or by the wrong share of its sweep, or a last step that misses the end by
// rounding all leave wrong material behind.

MovePath line(Vec3 a, Vec3 b) {
    MovePath m;
    m.motion = kMotionLinear;
    m.start = a;
    m.end = b;
    return m;
}

// An arc around the origin of the XY plane starting on +X.
MovePath arc_xy(int motion, double radius, double sweep, Vec3 end) {
    MovePath m;
    m.motion = motion;
    m.start = {radius, 0, 0};
    m.end = end;
    m.centre = {0, 0, 0};
    m.start_direction = {1, 0, 0};
    m.start_radius = m.end_radius = radius;
    m.sweep = sweep;
    return m;
}

void expect_point(const Vec3& p, double x, double y, double z) {
    EXPECT_NEAR(p.x, x, 1e-12);
    EXPECT_NEAR(p.y, y, 1e-12);
    EXPECT_NEAR(p.z, z, 1e-12);
}

constexpr double kHalfRoot2 = 0.70710678118654752;

TEST(StepPosition, LineIsSampledAtEqualFractions) {
    const MovePath m = line({0, 0, 0}, {10, -4, 2});
    expect_point(step_position(m, 1, 4), 2.5, -1.0, 0.5);
    expect_point(step_position(m, 2, 4), 5.0, -2.0, 1.0);
}

TEST(StepPosition, LastStepIsTheEndPointExactlyAndIndexesAreClamped) {
    const MovePath m = line({0.1, 0.2, 0.3}, {0.7, 1.9, -0.3});
    EXPECT_EQ(step_position(m, 3, 3), m.end);
    EXPECT_EQ(step_position(m, 0, 4), m.start);
    EXPECT_EQ(step_position(m, 9, 4), m.end);
    EXPECT_EQ(step_position(m, 1, 0), m.end);  // a count below 1 is one step
}

TEST(StepPosition, ArcDirectionDecidesTheTurn) {
    // Counter-clockwise turns from the plane's first axis towards its second, clockwise away.
    expect_point(step_position(arc_xy(kMotionArcCcw, 10, std::numbers::pi / 2, {0, 10, 0}), 1, 2),
                 10 * kHalfRoot2, 10 * kHalfRoot2, 0);
    expect_point(step_position(arc_xy(kMotionArcCw, 10, std::numbers::pi / 2, {0, -10, 0}), 1, 2),
                 10 * kHalfRoot2, -10 * kHalfRoot2, 0);
}

TEST(StepPosition, FullCircleReachesTheOppositePointHalfway) {
    const MovePath m = arc_xy(kMotionArcCcw, 10, 2 * std::numbers::pi, {10, 0, 0});
    expect_point(step_position(m, 2, 4), -10, 0, 0);
    expect_point(step_position(m, 1, 4), 0, 10, 0);
}

TEST(StepPosition, HelixMovesTheNormalAxisLinearly) {
    MovePath m = arc_xy(kMotionArcCcw, 10, std::numbers::pi, {-10, 0, -4});
    expect_point(step_position(m, 2, 4), 0, 10, -2);
    expect_point(step_position(m, 1, 4), 10 * kHalfRoot2, 10 * kHalfRoot2, -1);
}

TEST(StepPosition, RadiusGoesFromTheStartRadiusToTheEndRadius) {
    MovePath m = arc_xy(kMotionArcCcw, 10, std::numbers::pi, {-12, 0, 0});
    m.end_radius = 12;
    expect_point(step_position(m, 1, 2), 0, 11, 0);
}

TEST(StepPosition, ArcInAnotherPlaneUsesThePlaneAxes) {
    // Plane Z-X (first Z, second X), normal Y; start on +Z around the centre (1, 0, 2).
    MovePath m;
    m.motion = kMotionArcCcw;
    m.plane = {2, 0, 1};
    m.centre = {1, 0, 2};
    m.start = {1, 0, 12};
    m.end = {11, 6, 2};
    m.start_direction = {0, 0, 1};
    m.start_radius = m.end_radius = 10;
    m.sweep = std::numbers::pi / 2;
    expect_point(step_position(m, 1, 2), 1 + 10 * kHalfRoot2, 3, 2 + 10 * kHalfRoot2);
}

}  // namespace
}  // namespace vx::sim
