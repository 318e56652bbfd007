// NURBS blocks: a rational quadratic with weights 1, sqrt(2)/2, 1 is an exact quarter circle, so
// every point the interpreter hands on must lie on that circle, however the curve is sampled.
#include "interp_rig.h"
#include "nc/nurbs.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace vx::nc {
namespace {

constexpr const char* kQuarterCircle =
    "G01 X10 Y0 F100\n"
    "G06.2 P3 X10 Y0 R1 K0\nX10 Y10 R0.70710678118654752 K0\nX0 Y10 R1 K0\nK1\nK1\nK1\n"
    "G01 X0 Y20\n";

TEST(Nurbs, QuarterCircleIsExactAndSampledWithinThePitch) {
    for (const double pitch : {0.05, 0.5, 3.0}) {
        auto r = test::rig();
        r->with_time();
        r->in.rapid_pitch = pitch;
        const auto moves = r->run(kQuarterCircle);
        ASSERT_GE(moves.size(), 3u) << pitch;
        double length = 0;
        for (std::size_t i = 1; i + 1 < moves.size(); ++i) {
            const MoveRecord& m = moves[i];
            EXPECT_EQ(m.motion, kMotionSpline);
            EXPECT_NEAR(std::hypot(m.end.x, m.end.y), 10.0, 1e-9) << pitch;
            EXPECT_LE(std::hypot(m.end.x - m.start.x, m.end.y - m.start.y), pitch * 1.0001) << pitch;
            length += std::hypot(m.end.x - m.start.x, m.end.y - m.start.y);
        }
        test::expect_point(moves[moves.size() - 2].end, 0, 10, 0);
        EXPECT_NEAR(length, 5.0 * M_PI, 5.0 * M_PI * pitch * pitch / 100.0) << pitch;  // chords of a circle
        EXPECT_EQ(moves.back().motion, kMotionLinear);  // the program goes on after the curve
        EXPECT_TRUE(r->in.no_effect.empty());
        EXPECT_NEAR(r->time.feed_length, 10 + length + 10, 1e-9);
    }
}

// A curve cut short by another motion, or with knots that define no curve, is named.
TEST(Nurbs, IncompleteCurvesAreNamed) {
    auto r = test::rig();
    r->run("G06.2 P3 X10 Y0 K0\nX10 Y10 K0\nG01 X5\n");
    EXPECT_EQ(no_effect_summary(r->in.no_effect), "unfinished G06.2 curve (line 3) had no effect");
    auto bad = test::rig();
    bad->run("G132 P2 X1 Q5\nX2 Q4\nQ3\nQ2\n");
    EXPECT_EQ(no_effect_summary(bad->in.no_effect), "G132 curve without a valid knot vector (line 4) had no effect");
}

}  // namespace
}  // namespace vx::nc
