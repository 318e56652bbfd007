// Canned cycles: each cycle group expanded into its move list against a worked example (rapids
// and feeds, levels, pecks, dwells, return heights), the repeats under G90 and G91, and the
// limits that keep a faulty program from running away.
#include "interp_rig.h"
#include "nc/cycles.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vx::nc {
namespace {

using test::rig;

// One expected move: its motion and where it ends.
struct Step {
    int motion;
    double x, y, z;
};

constexpr int R = kMotionRapid, F = kMotionLinear;

void expect_moves(const std::vector<MoveRecord>& got, const std::vector<Step>& want, const std::string& what) {
    ASSERT_EQ(got.size(), want.size()) << what;
    for (std::size_t i = 0; i < want.size(); ++i) {
        EXPECT_EQ(got[i].motion, want[i].motion) << what << " move " << i;
        test::expect_point(got[i].end, want[i].x, want[i].y, want[i].z);
        if (i > 0) test::expect_point(got[i].start, want[i - 1].x, want[i - 1].y, want[i - 1].z);
    }
}

struct CycleCase {
    const char* what;
    const char* ctl;
    const char* program;  // from (0, 0, 50)
    std::vector<Step> moves;
};

// The hole at (10, 10), R point 2, bottom -5 (pecks of 4 to -10) unless the case says otherwise.
const std::vector<CycleCase> kCycleCases = {
    {"G81 with G99 ends at the R point", "", "G90 G99 G81 X10 Y10 Z-5 R2 F100\n",
     {{R, 10, 10, 50}, {R, 10, 10, 2}, {F, 10, 10, -5}, {R, 10, 10, 2}}},
    {"G81 with G98 ends at the initial level", "", "G90 G98 G81 X10 Y10 Z-5 R2 F100\n",
     {{R, 10, 10, 50}, {R, 10, 10, 2}, {F, 10, 10, -5}, {R, 10, 10, 50}}},
    {"G83 retracts to R after each peck and re-enters d above the last depth", "",
     "G90 G98 G83 X10 Y10 Z-10 R2 Q4 F100\n",
     {{R, 10, 10, 50}, {R, 10, 10, 2}, {F, 10, 10, -2}, {R, 10, 10, 2}, {R, 10, 10, -1}, {F, 10, 10, -6},
      {R, 10, 10, 2}, {R, 10, 10, -5}, {F, 10, 10, -10}, {R, 10, 10, 50}}},
    {"G73 backs off by G73_D after each peck", "G73_D=0.5\n", "G90 G99 G73 X10 Y10 Z-10 R2 Q4 F100\n",
     {{R, 10, 10, 50}, {R, 10, 10, 2}, {F, 10, 10, -2}, {R, 10, 10, -1.5}, {F, 10, 10, -6}, {R, 10, 10, -5.5},
      {F, 10, 10, -10}, {R, 10, 10, 2}}},
    {"G84 feeds back out to R and then rapids to the initial level", "", "G90 G98 G84 X10 Y10 Z-5 R2 F100\n",
     {{R, 10, 10, 50}, {R, 10, 10, 2}, {F, 10, 10, -5}, {F, 10, 10, 2}, {R, 10, 10, 50}}},
    {"G85 under G99 ends with the feed back to R", "", "G90 G99 G85 X10 Y10 Z-5 R2 F100\n",
     {{R, 10, 10, 50}, {R, 10, 10, 2}, {F, 10, 10, -5}, {F, 10, 10, 2}}},
    {"the controller's clearance is taken below R at rapid", "G81 CLEARANCE=1.5\n",
     "G90 G99 G81 X10 Y10 Z-5 R2 F100\n",
     {{R, 10, 10, 50}, {R, 10, 10, 2}, {R, 10, 10, 0.5}, {F, 10, 10, -5}, {R, 10, 10, 2}}},
    {"G91: R from the initial level, the bottom from R, three holes 10 apart back to the initial level", "",
     "G91 G99 G81 X10 Z-5 R-2 L3 F100\n",
     {{R, 10, 0, 50}, {R, 10, 0, 48}, {F, 10, 0, 43}, {R, 10, 0, 50}, {R, 20, 0, 50}, {R, 20, 0, 48},
      {F, 20, 0, 43}, {R, 20, 0, 50}, {R, 30, 0, 50}, {R, 30, 0, 48}, {F, 30, 0, 43}, {R, 30, 0, 50}}},
    {"L0 only positions over the hole", "", "G90 G81 X10 Y10 Z-5 R2 L0 F100\n", {{R, 10, 10, 50}}},
    {"L0 runs once with CYCLE(L0)=IGNORE", "CYCLE(L0)=IGNORE\n", "G90 G99 G81 X10 Y10 Z-5 R2 L0 F100\n",
     {{R, 10, 10, 50}, {R, 10, 10, 2}, {F, 10, 10, -5}, {R, 10, 10, 2}}},
    {"K counts repeats outside OSP", "", "G91 G99 G81 X10 Z-5 R-2 K2 F100\n",
     {{R, 10, 0, 50}, {R, 10, 0, 48}, {F, 10, 0, 43}, {R, 10, 0, 50}, {R, 20, 0, 50}, {R, 20, 0, 48},
      {F, 20, 0, 43}, {R, 20, 0, 50}}},
    {"the cycle words stay for the next hole, G80 ends the cycle", "",
     "G90 G99 G81 X10 Y10 Z-5 R2 F100\nX20\nG80 G00 Z50\n",
     {{R, 10, 10, 50}, {R, 10, 10, 2}, {F, 10, 10, -5}, {R, 10, 10, 2}, {R, 20, 10, 2}, {F, 20, 10, -5},
      {R, 20, 10, 2}, {R, 20, 10, 50}}},
    {"OSP reads G283 as G83 and K as its retract", "PRODUCT=OSP\n", "G90 G283 X10 Y10 Z-6 R2 Q4 K0.5 F100\n",
     {{R, 10, 10, 50}, {R, 10, 10, 2}, {F, 10, 10, -2}, {R, 10, 10, 2}, {R, 10, 10, -1.5}, {F, 10, 10, -6},
      {R, 10, 10, 50}}},
    {"an OSP CYL block does not drill", "PRODUCT=OSP\n", "G90 G81 X10 Y10 Z-5 R2 F100\nN5CYL X20\n",
     {{R, 10, 10, 50}, {R, 10, 10, 2}, {F, 10, 10, -5}, {R, 10, 10, 50}, {R, 20, 10, 50}}},
    {"a hole under G68 is drilled at its rotated place", "", "G68 X0 Y0 R90.\nG90 G99 G81 X10 Y0 Z-5 R2 F100\n",
     {{R, 0, 10, 50}, {R, 0, 10, 2}, {F, 0, 10, -5}, {R, 0, 10, 2}}},
};

TEST(Cycles, EachGroupExpandsAsWorkedOut) {
    for (const CycleCase& c : kCycleCases) {
        auto r = rig(c.ctl);
        expect_moves(r->run(c.program, {0, 0, 50}), c.moves, c.what);
        EXPECT_EQ(alarm_code(r->in), 0) << c.what;
    }
}

// The dwell of G82 waits at the bottom: the time calculation gets it once per hole, G81 none.
TEST(Cycles, DwellAtTheBottomIsTimedPerHole) {
    auto timed = [](const char* program) {
        auto r = rig();
        r->with_time();
        r->run(program, {0, 0, 50});
        return r->time.feed_time;
    };
    const double plain = timed("G91 G99 G81 X10 Z-5 R-2 L2 F100\n");
    const double dwelling = timed("G91 G99 G82 X10 Z-5 R-2 P1500 L2 F100\n");
    EXPECT_NEAR(dwelling - plain, 2 * 1.5, 1e-9);
}

// Rigid tapping: after M29 S the F word of G84 is the pitch, so the tap feeds at S x pitch.
TEST(Cycles, RigidTapFeedsAtSpeedTimesPitch) {
    auto r = rig();
    const auto moves = r->run("M29 S800\nG90 G98 G84 X10 Y10 Z-5 R2 F1.25\n", {0, 0, 50});
    ASSERT_EQ(moves.size(), 5u);
    EXPECT_DOUBLE_EQ(moves[2].feedrate, 1000.0);
    EXPECT_DOUBLE_EQ(moves[3].feedrate, 1000.0);
    auto plain = rig();
    EXPECT_DOUBLE_EQ(plain->run("S800\nG90 G84 X10 Y10 Z-5 R2 F250\n", {0, 0, 50})[2].feedrate, 250.0);
}

// A peck of 0 never reaches the bottom: the pecking must stop at the limit, not hang; the quick
// run modes feed once to the bottom.
TEST(Cycles, PeckingIsBoundedAndNotExpandedInTheQuickModes) {
    auto r = rig();
    const auto stuck = r->run("G90 G98 G83 X10 Y10 Z-10 R2 Q0 F100\n", {0, 0, 50});
    EXPECT_LE(stuck.size(), std::size_t(kMaxHoleMoves));
    EXPECT_GT(stuck.size(), std::size_t(kMaxHoleMoves / 3));
    for (const MoveRecord& m : stuck) EXPECT_GT(m.end.z, -10.0 + 1e-9);
    EXPECT_EQ(no_effect_summary(r->in.no_effect), "pecks beyond 995 moves a hole (line 1) had no effect");

    auto quick = rig();
    quick->in.expand_pecks = false;
    expect_moves(quick->run("G90 G98 G83 X10 Y10 Z-10 R2 Q4 F100\n", {0, 0, 50}),
                 {{R, 10, 10, 50}, {R, 10, 10, 2}, {F, 10, 10, -10}, {R, 10, 10, 50}}, "quick mode");
}

// Metamorphic: a G83 hole with pecks removes the same column as G81 to the same bottom: every
// feed stays on the hole's axis between R and the bottom, and the deepest feed is the bottom.
TEST(Cycles, PecksStayBetweenTheLevelsAndEndAtTheBottom) {
    for (const double q : {0.7, 1.0, 2.5, 3.0, 12.0, 40.0}) {
        auto r = rig();
        const auto moves = r->run("G90 G99 G83 X5 Y7 Z-12 R3 F100 Q" + std::to_string(q) + "\n", {0, 0, 50});
        double deepest = 50;
        int feeds = 0;
        for (const MoveRecord& m : moves) {
            if (m.motion != kMotionLinear) continue;
            ++feeds;
            EXPECT_EQ(m.end.x, 5.0);
            EXPECT_EQ(m.end.y, 7.0);
            EXPECT_LE(m.end.z, 3.0);
            EXPECT_GE(m.end.z, -12.0);
            deepest = std::min(deepest, m.end.z);
        }
        EXPECT_EQ(deepest, -12.0) << q;
        EXPECT_EQ(feeds, int(std::ceil(15.0 / q - 1e-12))) << q;
        EXPECT_EQ(moves.back().end.z, 3.0) << q;
    }
}

}  // namespace
}  // namespace vx::nc
