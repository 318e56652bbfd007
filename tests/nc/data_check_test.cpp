// The data check against a program worked out by hand: every accumulator, both extent records,
// the used-code tables and the tool order with times and lengths. The machine has no acceleration
// (every move is timed as length / speed) so that each figure below follows from the program alone.
#include "nc/data_check.h"

#include "interp_rig.h"

#include <cmath>
#include <numbers>

namespace vx::nc::test {
namespace {

constexpr double kRapidFeedrate = 5000.0;
constexpr double kPi = std::numbers::pi;

// Rapids at 100 mm/s on every axis, no accelerations, 5 s per tool change.
void plain_machine(Mtl& mtl) {
    mtl.rapid = {6000.0, 6000.0, 6000.0};
    mtl.rapid_acceleration = {0.0, 0.0, 0.0};
    mtl.acceleration = {0.0, 0.0, 0.0};
    mtl.tool_change_time = 5.0;
}

DataCheck check_of(Rig& r, std::string program, CheckMode mode = CheckMode::Full) {
    r.program = std::move(program);
    open_main_bytes(r.reader, r.program);
    DataCheck check;
    run_data_check(r.in, check, mode, CheckStart{kRapidFeedrate, {}, "/nonexistent-folder/"});
    return check;
}

// From (0,0,0) with tool 1 in the spindle:
//   R1  G00 Z10                 rapid 10 mm (Z decides)            0.10 s  tool 1
//   T2 M06                      tool change                        5 s (no tool's share)
//   F1  G01 Z-2 F100            plunge 12 mm at 100/60 mm/s         7.2 s  tool 2
//   F2  G02 X20 I10 (Z-2)       half circle r10 about (10,0), CW from 180 deg through 90 deg:
//                               10 pi mm at 200/60 mm/s = 3 pi s, passes (10,10,-2)
//   F3  G01 Y-5 F6000           5 mm rapid-class feed: 0.05 s
//   R2  G00 Z50                 52 mm: 0.52 s
//   T5                          tool change                        5 s
//   R3  G00 X40 Y-20            from (20,-5): X decides, 20 mm: 0.2 s, path 25 mm          tool 5
//   R4  G00 X30 Y5              Y decides, 25 mm: 0.25 s, path sqrt(725) mm
//   F4  G01 X35 F50             5 mm at 50/60 mm/s: 6 s
constexpr std::string_view kOracle =
    "G90 G17 G00 Z10\n"
    "T2 M06\n"
    "G43 H2 D3 S1200 M03\n"
    "G01 Z-2 F100\n"
    "G02 X20 Y0 I10 J0 F200\n"
    "G01 Y-5 F6000\n"
    "G00 Z50\n"
    "T5\n"
    "G00 X40 Y-20\n"
    "X30 Y5\n"
    "G01 X35 F50\n"
    "M30\n";

TEST(DataCheck, WorkedProgram) {
    auto r = rig();
    r->with_tools();
    plain_machine(r->mtl);
    const DataCheck c = check_of(*r, std::string(kOracle));
    const MachiningTime& t = c.time;
    ASSERT_EQ(c.alarm.code, 0);
    const double r4 = std::sqrt(725.0);

    // Times: rapid 0.1 + 0.52 + 0.2 + 0.25 + two changes; feed 7.2 + 3 pi + 0.05 + 6.
    EXPECT_NEAR(t.rapid_time, 11.07, 1e-9);
    EXPECT_NEAR(t.feed_time, 13.25 + 3 * kPi, 1e-9);
    EXPECT_NEAR(t.cutting_time, 13.2 + 3 * kPi, 1e-9);
    EXPECT_NEAR(t.rapid_class_time, 11.12, 1e-9);
    // Lengths: rapid 10 + 52 + 25 + sqrt(725); feed 12 + 10 pi + 5 + 5, of which 5 rapid-class.
    EXPECT_NEAR(t.rapid_length, 87 + r4, 1e-9);
    EXPECT_NEAR(t.feed_length, 22 + 10 * kPi, 1e-9);
    EXPECT_NEAR(t.cutting_length, 17 + 10 * kPi, 1e-9);
    EXPECT_NEAR(t.rapid_class_length, 92 + r4, 1e-9);
    // The rapid-class F6000 is the highest feed but not the highest cutting feed.
    EXPECT_EQ(t.max_feed, 6000.0);
    EXPECT_EQ(t.max_cutting_feed, 200.0);
    EXPECT_EQ(t.min_feed, 50.0);
    EXPECT_EQ(c.max_spindle, 1200);

    // Tools in order of use; a change's own time belongs to no tool.
    ASSERT_EQ(t.tools.size(), 3u);
    EXPECT_EQ(t.tools[0].tool, 1);
    EXPECT_NEAR(t.tools[0].time, 0.1, 1e-9);
    EXPECT_NEAR(t.tools[0].length, 10.0, 1e-9);
    EXPECT_EQ(t.tools[1].tool, 2);
    EXPECT_NEAR(t.tools[1].time, 7.77 + 3 * kPi, 1e-9);
    EXPECT_NEAR(t.tools[1].length, 69 + 10 * kPi, 1e-9);
    EXPECT_NEAR(t.tools[1].cutting_length, 12 + 10 * kPi, 1e-9);
    EXPECT_NEAR(t.tools[1].cutting_time, 7.2 + 3 * kPi, 1e-9);  // not the rapid-class F6000 move
    EXPECT_EQ(t.tools[2].tool, 5);
    EXPECT_NEAR(t.tools[2].time, 6.45, 1e-9);
    EXPECT_NEAR(t.tools[2].cutting_length, 5.0, 1e-9);
    EXPECT_NEAR(t.tools[2].cutting_time, 6.0, 1e-9);

    // Every move: the start point, the arc's top at (10,10), the rapids out to (40,-20,50).
    expect_point(c.all.min, 0, -20, -2);
    expect_point(c.all.max, 40, 10, 50);
    // Feed moves below RAPID FEEDRATE only: neither the rapids nor the F6000 move to Y-5.
    expect_point(c.feed.min, 0, 0, -2);
    expect_point(c.feed.max, 35, 10, 50);

    EXPECT_TRUE(c.used_d[3] && c.used_h[2] && c.used_t[2] && c.used_t[5]);
    EXPECT_FALSE(c.used_t[1]);  // in the spindle at the start, never named
    for (int g : {0, 1, 2, 17, 43, 90}) EXPECT_TRUE(c.used_g[std::size_t(g)]) << "G" << g;
    for (int m : {3, 6, 30}) EXPECT_TRUE(c.used_m[std::size_t(m)]) << "M" << m;
    EXPECT_FALSE(c.used_g[3] || c.used_m[5]);
    EXPECT_EQ(c.blocks, 12);
    EXPECT_EQ(c.lines, 12);
}

// The min-max check measures the same extents and nothing else.
TEST(DataCheck, MinMaxKeepsOnlyTheExtents) {
    auto r = rig();
    r->with_tools();
    plain_machine(r->mtl);
    const DataCheck full = check_of(*r, std::string(kOracle));
    const DataCheck minmax = check_of(*r, std::string(kOracle), CheckMode::MinMax);
    expect_point(minmax.all.min, full.all.min.x, full.all.min.y, full.all.min.z);
    expect_point(minmax.feed.max, full.feed.max.x, full.feed.max.y, full.feed.max.z);
    EXPECT_EQ(minmax.time.feed_time + minmax.time.rapid_time, 0.0);
    EXPECT_EQ(r->in.time, nullptr);  // the check leaves no pointer to its own record behind
}

// Arcs widen by the quadrant points their sweep passes, in either sense and in any plane.
TEST(DataCheck, ArcExtremePoints) {
    struct Case {
        const char* program;
        double min_a, max_a, min_b, max_b;  // the two plane axes, as X and Y or Z and X
        const char* why;
    };
    const Case cases[] = {
        {"G03 X-10 Y0 I-10 J0 F100\n", -10, 10, 0, 10, "CCW half circle from 0 deg passes 90 deg (top)"},
        {"G02 X-10 Y0 I-10 J0 F100\n", -10, 10, -10, 0, "CW half circle from 0 deg passes 270 deg"},
        {"G02 X10 Y0 I-10 J0 F100\n", -10, 10, -10, 10, "a full circle reaches all four"},
        {"G03 X0 Y10 I-10 J0 F100\n", 0, 10, 0, 10, "a quarter ending at 90 deg adds no other point"},
    };
    for (const Case& k : cases) {
        auto r = rig();
        const DataCheck c = check_of(*r, std::string("G00 X10 Y0\nG17\n") + k.program);
        // The first rapid starts at the origin; only the arc decides the rest.
        EXPECT_NEAR(c.feed.min.x, k.min_a, 1e-9) << k.why;
        EXPECT_NEAR(c.feed.max.x, k.max_a, 1e-9) << k.why;
        EXPECT_NEAR(c.feed.min.y, k.min_b, 1e-9) << k.why;
        EXPECT_NEAR(c.feed.max.y, k.max_b, 1e-9) << k.why;
    }
    // G18: the plane is Z, X. A G03 from Z+10 to X-10 about the origin turns from Z towards X
    // the long way (3/4 of a circle) and passes X+10 and Z-10.
    auto r = rig();
    const DataCheck c = check_of(*r, "G00 X0 Z10\nG18 G03 X-10 Z0 I0 K-10 F100\n");
    EXPECT_NEAR(c.feed.max.x, 10.0, 1e-9);
    EXPECT_NEAR(c.feed.min.x, -10.0, 1e-9);
    EXPECT_NEAR(c.feed.min.z, -10.0, 1e-9);
}

// An alarm stops the check at its block with what was collected so far; a file without its start
// code is read to the end and then raises alarm 3; a program without moves has no extents.
TEST(DataCheck, AlarmsAndEmptyPrograms) {
    auto zero = rig("CHECK F0=YES\n");
    const DataCheck c = check_of(*zero, "G00 X5\nG01 X9 F0\nG00 X100\n");
    EXPECT_EQ(c.alarm.code, kAlarmZeroFeed);
    EXPECT_EQ(c.alarm.line, 2);
    EXPECT_EQ(c.all.max.x, 5.0);  // neither the alarm's move nor anything after it

    auto start = rig("EOR=%\n");
    const DataCheck s = check_of(*start, "G00 X5\nG00 X6\n");
    EXPECT_EQ(s.alarm.code, kAlarmStartCode);
    EXPECT_EQ(s.lines, 2);
    EXPECT_TRUE(no_extents(s.all));

    auto empty = rig();
    const DataCheck e = check_of(*empty, "M30\n");
    EXPECT_EQ(e.alarm.code, 0);
    EXPECT_TRUE(no_extents(e.all) && no_extents(e.feed));
    EXPECT_EQ(e.all.min.z, kNoExtent);
}

}  // namespace
}  // namespace vx::nc::test
