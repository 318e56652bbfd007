#include "nc/motion.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace vx::nc {
namespace {

constexpr double kPi = std::numbers::pi;

// An independent trapezoid for the expected values: distance d, speeds in mm/s, acceleration in
// mm/s^2 (entry and exit of 0 are the 10 mm/s floor).
double trapezoid(double d, double b, double c, double e, double g) {
    b = b > 0 ? b : 10;
    e = e > 0 ? e : 10;
    double ta = (c - b) / g, sa = (b + c) / 2 * ta;
    double td = (c - e) / g, sd = (c + e) / 2 * td;
    if (sa + sd >= d) {
        double v = std::sqrt(g * d + (b * b + e * e) / 2);
        return (2 * v - b - e) / g;
    }
    return ta + td + (d - sa - sd) / c;
}

MoveRecord line(Vec3 a, Vec3 b, double feed = 0, int motion = kMotionLinear) {
    MoveRecord m;
    m.motion = motion;
    m.start = m.path_start = a;
    m.end = b;
    m.feedrate = feed;
    return m;
}

// Arc geometry on its own: centres, sweeps and lengths of the worked cases.
TEST(MotionArc, FullCircleAndHalfCircle) {
    MoveRecord m = line({10, 0, 0}, {10, 0, 0}, 0, kMotionCw);
    ASSERT_EQ(arc_from_centre(m, {0, 0, 0}, 1e6), 1);
    EXPECT_NEAR(m.sweep, 2 * kPi, 1e-12);
    EXPECT_NEAR(m.arc_length, 20 * kPi, 1e-9);
    MoveRecord h = line({10, 0, 0}, {-10, 0, 0}, 0, kMotionCcw);
    arc_from_centre(h, {0, 0, 0}, 1e6);
    EXPECT_NEAR(h.sweep, kPi, 1e-12);
}

TEST(MotionArc, RadiusShorterThanHalfTheChordCentresOnTheChord) {
    MoveRecord m = line({0, 0, 0}, {10, 0, 0}, 0, kMotionCw);
    ASSERT_EQ(arc_from_radius(m, 2, 1e6), 1);
    EXPECT_NEAR(m.centre.x, 5, 1e-12);
    EXPECT_NEAR(m.centre.y, 0, 1e-12);
    EXPECT_NEAR(m.start_radius, 5, 1e-12);
}

TEST(MotionArc, ToleranceIsAStrictBound) {
    MoveRecord m = line({0, 0, 0}, {20.5, 0, 0}, 0, kMotionCw);
    EXPECT_EQ(arc_from_centre(m, {10, 0, 0}, 0.5), 0);  // differs by exactly the tolerance
    EXPECT_EQ(arc_from_centre(m, {10, 0, 0}, 0.51), 1);
}

// Move time: the worked rapid of 100 mm at 100 mm/s and 0.1 G, the triangle profile when the
// cruise speed is never reached, and the guards against zero speed and zero acceleration.
TEST(MotionTime, WorkedRapidExample) {
    EXPECT_NEAR(move_time(100, 0, 100, 0, 0.1), 1.083, 0.0005);
    // t_acc = 90/980, s_acc = 110/2 * t_acc.
    double t = 90.0 / 980.0, s = 55.0 * t;
    EXPECT_NEAR(move_time(100, 0, 100, 0, 0.1), 2 * t + (100 - 2 * s) / 100, 1e-12);
}

TEST(MotionTime, TriangleWhenTheDistanceIsShort) {
    double v = std::sqrt(980.0 * 1 + 50 + 50);
    EXPECT_NEAR(move_time(1, 0, 100, 0, 0.1), 2 * (v - 10) / 980.0, 1e-12);
}

TEST(MotionTime, ZeroSpeedAndAccelerationAreGuarded) {
    EXPECT_NEAR(move_time(10, 0, 0, 0, 0.1), 1.0, 1e-12);  // everything at 10 mm/s
    EXPECT_NEAR(move_time(10, 0, 50, 0, 0.0), 0.2, 1e-12);
    EXPECT_EQ(move_time(0, 0, 50, 0, 0.1), 0.0);
}

// Rapid time: the axis with the longest travel decides, Z on a tie with Z, X on a tie of X, Y.
TEST(MotionTime, RapidAxisChoice) {
    Mtl mtl;
    mtl.rapid = {6000, 12000, 3000};
    MachiningTime t;
    reset_time(t, 999999999.0);
    add_rapid_move(t, mtl, line({0, 0, 0}, {100, 0, 0}, 0, kMotionRapid));
    EXPECT_NEAR(t.rapid_time, trapezoid(100, 0, 100, 0, 980), 1e-12);
    reset_time(t, 999999999.0);
    add_rapid_move(t, mtl, line({0, 0, 0}, {50, 50, 50}, 0, kMotionRapid));
    EXPECT_NEAR(t.rapid_time, trapezoid(50, 0, 50, 0, 980), 1e-12);
    reset_time(t, 999999999.0);
    add_rapid_move(t, mtl, line({0, 0, 0}, {50, -50, 0}, 0, kMotionRapid));
    EXPECT_NEAR(t.rapid_time, trapezoid(50, 0, 100, 0, 980), 1e-12);
    EXPECT_NEAR(t.rapid_length, std::sqrt(5000.0), 1e-12);
    EXPECT_NEAR(t.rapid_class_time, t.rapid_time, 1e-15);
}

// Feed runs: moves that continue in the same direction at the same feed are one run with one
// acceleration; a corner, a G00 or a dwell closes the run at 10 mm/s.
TEST(MotionTime, CollinearMovesAreOneRun) {
    Mtl mtl;
    Ctl ctl;
    MachiningTime t;
    reset_time(t, 999999999.0);
    add_feed_move(t, mtl, ctl, line({0, 0, 0}, {50, 0, 0}), 6000);
    add_feed_move(t, mtl, ctl, line({50, 0, 0}, {100, 0, 0}), 6000);
    close_time(t, mtl);
    EXPECT_NEAR(t.feed_time, trapezoid(100, 0, 100, 0, 0.3 * 9800), 1e-12);
    EXPECT_NEAR(t.cutting_time, t.feed_time, 1e-15);
    EXPECT_NEAR(t.feed_length, 100, 1e-12);
}

TEST(MotionTime, CornerSplitsTheRun) {
    Mtl mtl;
    Ctl ctl;
    MachiningTime t;
    reset_time(t, 999999999.0);
    add_feed_move(t, mtl, ctl, line({0, 0, 0}, {50, 0, 0}), 6000);
    add_feed_move(t, mtl, ctl, line({50, 0, 0}, {50, 50, 0}), 6000);
    close_time(t, mtl);
    EXPECT_NEAR(t.feed_time, 2 * trapezoid(50, 0, 100, 0, 2940), 1e-12);
}

TEST(MotionTime, SmoothAngleDecidesTheJunction) {
    Mtl mtl;
    Ctl ctl;  // SMOOTH ANGLE 2 degrees
    double a1 = 1.0 * kPi / 180, a5 = 5.0 * kPi / 180;
    MachiningTime t;
    reset_time(t, 999999999.0);
    add_feed_move(t, mtl, ctl, line({0, 0, 0}, {50, 0, 0}), 6000);
    add_feed_move(t, mtl, ctl, line({50, 0, 0}, {50 + 50 * std::cos(a1), 50 * std::sin(a1), 0}), 6000);
    close_time(t, mtl);
    // Two moves: the run is timed along its length with X's acceleration.
    EXPECT_NEAR(t.feed_time, trapezoid(100, 0, 100, 0, 2940), 1e-12);
    reset_time(t, 999999999.0);
    add_feed_move(t, mtl, ctl, line({0, 0, 0}, {50, 0, 0}), 6000);
    add_feed_move(t, mtl, ctl, line({50, 0, 0}, {50 + 50 * std::cos(a5), 50 * std::sin(a5), 0}), 6000);
    close_time(t, mtl);
    // A single linear move is timed on its longest axis component with the component's speeds.
    double k = std::cos(a5);
    EXPECT_NEAR(t.feed_time, trapezoid(50, 0, 100, 0, 2940) + trapezoid(50 * k, 0, 100 * k, 0, 2940), 1e-12);
}

TEST(MotionTime, LowerFeedAtASmoothJunctionIsTheExitSpeed) {
    Mtl mtl;
    Ctl ctl;
    MachiningTime t;
    reset_time(t, 999999999.0);
    add_feed_move(t, mtl, ctl, line({0, 0, 0}, {50, 0, 0}), 6000);
    add_feed_move(t, mtl, ctl, line({50, 0, 0}, {100, 0, 0}), 3000);
    close_time(t, mtl);
    EXPECT_NEAR(t.feed_time, trapezoid(50, 0, 100, 50, 2940) + trapezoid(50, 50, 50, 0, 2940), 1e-12);
    reset_time(t, 999999999.0);
    add_feed_move(t, mtl, ctl, line({0, 0, 0}, {50, 0, 0}), 3000);
    add_feed_move(t, mtl, ctl, line({50, 0, 0}, {100, 0, 0}), 6000);
    close_time(t, mtl);
    EXPECT_NEAR(t.feed_time, trapezoid(50, 0, 50, 50, 2940) + trapezoid(50, 50, 100, 0, 2940), 1e-12);
    EXPECT_DOUBLE_EQ(t.max_feed, 6000);
    EXPECT_DOUBLE_EQ(t.min_feed, 3000);
}

TEST(MotionTime, ArcIsTimedAlongItsLength) {
    Mtl mtl;
    Ctl ctl;
    MachiningTime t;
    reset_time(t, 999999999.0);
    MoveRecord m = line({10, 0, 0}, {-10, 0, 0}, 0, kMotionCcw);
    arc_from_centre(m, {0, 0, 0}, 1e6);
    add_feed_move(t, mtl, ctl, m, 1200);
    // Tangent at the end of the half circle points along -Y ... the next line going -Y is smooth.
    add_feed_move(t, mtl, ctl, line({-10, 0, 0}, {-10, -10, 0}), 1200);
    close_time(t, mtl);
    EXPECT_NEAR(t.feed_time, trapezoid(10 * kPi + 10, 0, 20, 0, 2940), 1e-12);
}

TEST(MotionTime, RapidClassDwellToolsAndZeroMoves) {
    Mtl mtl;
    Ctl ctl;
    MachiningTime t;
    reset_time(t, 5000);
    set_time_tool(t, 1);
    add_feed_move(t, mtl, ctl, line({0, 0, 0}, {100, 0, 0}), 6000);  // at or above RAPID FEEDRATE
    add_feed_move(t, mtl, ctl, line({100, 0, 0}, {100, 0, 0}), 100);  // no length: nothing
    add_dwell(t, mtl, 2.0, false);
    add_tool_change(t, mtl, 2);
    add_dwell(t, mtl, 0.5, true);
    close_time(t, mtl);
    double run = trapezoid(100, 0, 100, 0, 2940);
    EXPECT_NEAR(t.rapid_class_time, run + 1.0 + 0.5, 1e-12);
    EXPECT_NEAR(t.cutting_time, 2.0, 1e-12);
    EXPECT_NEAR(t.feed_time, run + 2.0, 1e-12);
    EXPECT_NEAR(t.rapid_time, 1.5, 1e-12);
    EXPECT_NEAR(t.rapid_class_length, 100, 1e-12);
    ASSERT_EQ(t.tools.size(), 2u);
    EXPECT_NEAR(t.tools[0].time, run + 2.0, 1e-12);
    EXPECT_NEAR(t.tools[1].time, 0.5, 1e-12);
    EXPECT_DOUBLE_EQ(t.max_cutting_feed, 0);
}

TEST(MotionTime, UnreadableRapidFeedrateMakesNothingRapidClass) {
    Mtl mtl;
    Ctl ctl;
    MachiningTime t;
    reset_time(t, 0);
    add_feed_move(t, mtl, ctl, line({0, 0, 0}, {10, 0, 0}), 6000);
    close_time(t, mtl);
    EXPECT_GT(t.cutting_time, 0);
    EXPECT_EQ(t.rapid_class_time, 0);
}

// Rapid paths of the G00 modes.
TEST(MotionRapidPath, Async1) {
    Mtl mtl;
    RapidPath p;
    rapid_path(kG00Async1, {0, 0, 0}, {10, 20, 5}, mtl, 1, {}, p);
    ASSERT_EQ(p.count, 3);
    EXPECT_EQ(p.points[0], (Vec3{5, 5, 5}));
    EXPECT_EQ(p.points[1], (Vec3{10, 10, 5}));
    EXPECT_EQ(p.points[2], (Vec3{10, 20, 5}));
    rapid_path(kG00Async1, {0, 0, 0}, {-7, 7, 7}, mtl, 1, {}, p);
    EXPECT_EQ(p.count, 0);  // equal distances: a straight line
    rapid_path(kG00Async1, {0, 0, 0}, {0, 0, 9}, mtl, 1, {}, p);
    EXPECT_EQ(p.count, 0);
    rapid_path(kG00Async1, {0, 0, 0}, {10, -4, 0}, mtl, 1, {}, p);
    ASSERT_EQ(p.count, 2);
    EXPECT_EQ(p.points[0], (Vec3{4, -4, 0}));
}

TEST(MotionRapidPath, Async2SamplesEachAxisProfile) {
    Mtl mtl;
    mtl.rapid = {6000, 6000, 6000};               // 100 mm/s
    mtl.rapid_acceleration = {0.1, 0.1, 0.1};     // x 1000: 100 mm/s^2
    RapidPath p;
    rapid_path(kG00Async2, {0, 0, 0}, {100, 10, 0}, mtl, 25, {}, p);
    // X: 100 - 100^2/100 = 0, so it never cruises: T = 2 sqrt(100/100) = 2 s, 4 samples.
    ASSERT_EQ(p.count, 4);
    EXPECT_NEAR(p.points[0].x, 0.5 * 100 * 0.25, 1e-12);
    EXPECT_NEAR(p.points[1].x, 50, 1e-12);
    EXPECT_NEAR(p.points[2].x, 100 - 12.5, 1e-12);
    double ty = 2 * std::sqrt(0.1);  // Y: 10 mm, triangle of 2 sqrt(d/a)
    EXPECT_NEAR(p.points[0].y, 10 - 0.5 * 100 * (ty - 0.5) * (ty - 0.5), 1e-12);
    EXPECT_NEAR(p.points[1].y, 10, 1e-12);
    EXPECT_EQ(p.points[3], (Vec3{100, 10, 0}));
    rapid_path(kG00Async2, {0, 0, 0}, {10, 10, 0}, mtl, 1, {}, p);
    EXPECT_EQ(p.count, 0);  // same distance, rate and acceleration: straight
}

TEST(MotionRapidPath, UnknownCoversBothLShapes) {
    Mtl mtl;
    RapidPath p;
    rapid_path(kG00Unknown, {0, 0, 10}, {10, 20, 0}, mtl, 1, {}, p);
    ASSERT_EQ(p.count, 6);
    EXPECT_EQ(p.points[0], (Vec3{0, 0, 0}));
    EXPECT_EQ(p.points[1], (Vec3{0, 20, 0}));
    EXPECT_EQ(p.points[3], (Vec3{0, 0, 0}));
    EXPECT_EQ(p.points[4], (Vec3{10, 0, 0}));
    EXPECT_EQ(p.points[5], (Vec3{10, 20, 0}));
    HeightLookup lookup{nullptr, [](void*, double, double, double, double, double z, Vec3& q) {
                            q = {3, 4, z};
                            return 1;
                        }};
    rapid_path(kG00Unknown, {0, 0, 10}, {10, 20, 0}, mtl, 1, lookup, p);
    ASSERT_EQ(p.count, 3);
    EXPECT_EQ(p.points[1], (Vec3{3, 4, 0}));
}

}  // namespace
}  // namespace vx::nc
