#include "interp_rig.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace vx::nc {
namespace {

using test::expect_point;
using test::rig;

constexpr double kPi = std::numbers::pi;
constexpr double kTol = 1e-9;

// Arcs by radius: the sign of R picks the short or the long arc, and G02/G03 the side of the
// chord the centre lies on.
TEST(InterpArcs, PositiveAndNegativeRadius) {
    auto r = rig();
    auto moves = r->run("G02 X10 Y10 R10 F100\nG00 X0 Y0\nG02 X10 Y10 R-10\n");
    ASSERT_EQ(moves.size(), 3u);
    expect_point(moves[0].centre, 10, 0, 0);
    EXPECT_NEAR(moves[0].sweep, kPi / 2, kTol);
    EXPECT_NEAR(moves[0].arc_length, 5 * kPi, 1e-9);
    expect_point(moves[2].centre, 0, 10, 0);
    EXPECT_NEAR(moves[2].sweep, 3 * kPi / 2, kTol);
}

TEST(InterpArcs, CounterClockwiseRadiusPutsTheCentreOnTheOtherSide) {
    auto r = rig();
    auto moves = r->run("G03 X10 Y10 R10 F100\n");
    ASSERT_EQ(moves.size(), 1u);
    expect_point(moves[0].centre, 0, 10, 0);
    EXPECT_NEAR(moves[0].sweep, kPi / 2, kTol);
    expect_point(moves[0].start_direction, 0, -1, 0);
    expect_point(moves[0].end_direction, 1, 0, 0);
}

// Arcs by centre words, full circles and the radius check against R-TOLERANCE.
TEST(InterpArcs, FullCircleFromCentreWords) {
    auto r = rig();
    auto moves = r->run("G00 X10 Y0\nG02 X10 Y0 I-10 J0 F100\n");
    ASSERT_EQ(moves.size(), 2u);
    expect_point(moves[1].centre, 0, 0, 0);
    EXPECT_NEAR(moves[1].sweep, 2 * kPi, kTol);
    EXPECT_NEAR(moves[1].arc_length, 20 * kPi, 1e-9);
}

TEST(InterpArcs, RadiusMismatchRaisesAlarmOneAtItsLine) {
    auto r = rig("R-TOLERANCE=0.01\n");
    auto moves = r->run("G01 X0 F100\nG02 X20.005 Y0 I10 J0\nG02 X0 Y0 I-10.0025 J0\nG02 X20.02 I10\nX30\n");
    EXPECT_EQ(moves.size(), 4u);  // the alarm block's move is the last
    EXPECT_EQ(alarm_code(r->in), kAlarmArcRadius);
    EXPECT_EQ(r->reader.alarm.line, 4);
}

TEST(InterpArcs, DefaultToleranceChecksNothing) {
    auto r = rig();
    r->run("G02 X50 Y0 I10 J0 F100\n");
    EXPECT_EQ(alarm_code(r->in), 0);
}

// Helical arcs in every plane: the normal axis travels while the plane axes turn; the length
// is sqrt(dn^2 + L^2) with L the plane arc length.
TEST(InterpArcs, HelicalInXY) {
    auto r = rig();
    auto moves = r->run("G00 X10 Y0 Z0\nG17 G03 X-10 Y0 Z6 I-10 J0 F100\n");
    ASSERT_EQ(moves.size(), 2u);
    EXPECT_NEAR(moves[1].sweep, kPi, kTol);
    EXPECT_NEAR(moves[1].end.z, 6, kTol);
    EXPECT_NEAR(move_length(moves[1]), std::sqrt(36 + 100 * kPi * kPi), 1e-9);
}

TEST(InterpArcs, HelicalInZX) {
    auto r = rig();
    // Plane (Z, X), normal Y: the centre word of Z is K.
    auto moves = r->run("G00 X0 Y0 Z10\nG18 G03 Z-10 X0 Y6 K-10 I0 F100\n");
    ASSERT_EQ(moves.size(), 2u);
    expect_point(moves[1].centre, 0, 0, 0);
    EXPECT_NEAR(moves[1].sweep, kPi, kTol);
    EXPECT_NEAR(move_length(moves[1]), std::sqrt(36 + 100 * kPi * kPi), 1e-9);
}

TEST(InterpArcs, HelicalInYZ) {
    auto r = rig();
    // Plane (Y, Z), normal X; a quarter turn from +Y to +Z is counter-clockwise.
    auto moves = r->run("G00 X0 Y10 Z0\nG19 G03 Y0 Z10 X4 J-10 K0 F100\n");
    ASSERT_EQ(moves.size(), 2u);
    expect_point(moves[1].centre, 0, 0, 0);
    EXPECT_NEAR(moves[1].sweep, kPi / 2, kTol);
    EXPECT_NEAR(move_length(moves[1]), std::sqrt(16 + 25 * kPi * kPi), 1e-9);
}

TEST(InterpArcs, ClockwiseInYZTakesTheLongWay) {
    auto r = rig();
    auto moves = r->run("G00 X0 Y10 Z0\nG19 G02 Y0 Z10 J-10 K0 F100\n");
    ASSERT_EQ(moves.size(), 2u);
    EXPECT_NEAR(moves[1].sweep, 3 * kPi / 2, kTol);
}

// The controller's axis mapping: swapped axes give a negative plane code, and G02 then runs
// counter-clockwise on the machine.
TEST(InterpArcs, SwappedPlaneAxesExchangeTheDirection) {
    auto r = rig("X-CODE=Y\nY-CODE=X\n");
    ASSERT_LT(r->ctl.plane_codes[0], 0);
    auto moves = r->run("G17 G02 X10 Y10 R10 F100\n");
    ASSERT_EQ(moves.size(), 1u);
    EXPECT_EQ(moves[0].motion, kMotionCcw);
}

TEST(InterpArcs, CentreWordsTurnWithRotationAndScale) {
    auto r = rig();
    auto moves = r->run("G68 X0 Y0 R90.\nG00 X10 Y0\nG03 X-10 Y0 I-10 J0 F100\n");
    ASSERT_EQ(moves.size(), 2u);
    expect_point(moves[1].start, 0, 10, 0);
    expect_point(moves[1].end, 0, -10, 0);
    expect_point(moves[1].centre, 0, 0, 0);
    EXPECT_NEAR(moves[1].sweep, kPi, kTol);
    auto s = rig();
    moves = s->run("G51 X0 Y0 P2.\nG00 X5 Y0\nG03 X-5 Y0 I-5 J0 F100\n");
    ASSERT_EQ(moves.size(), 2u);
    expect_point(moves[1].centre, 0, 0, 0);
    EXPECT_NEAR(moves[1].start_radius, 10, kTol);
}

// Rapid paths as the controller's G00 mode gives them: pieces come one per call, and the time
// of the rapid is taken once for the whole move.
TEST(InterpRapid, Async1PiecesComeOnePerCall) {
    auto r = rig("G00MODE=ASYNC1\n");
    r->with_time();
    auto moves = r->run("G00 X10 Y20 Z5\n");
    ASSERT_EQ(moves.size(), 3u);
    expect_point(moves[0].end, 5, 5, 5);
    expect_point(moves[1].end, 10, 10, 5);
    expect_point(moves[2].end, 10, 20, 5);
    EXPECT_FALSE(moves[0].last_piece);
    EXPECT_TRUE(moves[2].last_piece);
    // Y (20 mm) decides: 10000 mm/min = 166.67 mm/s, 0.1 G.
    double g = 980.0, c = 10000.0 / 60.0;
    double t = (c - 10) / g, s = (10 + c) * t / 2;
    EXPECT_NEAR(r->time.rapid_time, s + s >= 20 ? 2 * (std::sqrt(g * 20 + 100) - 10) / g : 2 * t + (20 - 2 * s) / c,
                1e-12);
}

}  // namespace
}  // namespace vx::nc
