#include "interp_rig.h"

#include <gtest/gtest.h>

#include <cmath>

namespace vx::nc {
namespace {

using test::expect_point;
using test::rig;

constexpr double kTol = 1e-9;

// Modal state across blocks: motion, distance mode and plane persist until changed, and each
// block starts where the previous one ended.
TEST(InterpModal, IncrementalMovesAddUp) {
    auto r = rig();
    auto moves = r->run("G91 G01 X10 F100\nX10\n");
    ASSERT_EQ(moves.size(), 2u);
    expect_point(moves[0].end, 10, 0, 0);
    expect_point(moves[1].start, 10, 0, 0);
    expect_point(moves[1].end, 20, 0, 0);
    EXPECT_EQ(moves[1].motion, kMotionLinear);
}

TEST(InterpModal, AbsoluteAfterIncrementalTakesTheValueAsWritten) {
    auto r = rig();
    auto moves = r->run("G91 G00 X10 Y5\nG90 X3\nG91 Y-5\n");
    ASSERT_EQ(moves.size(), 3u);
    expect_point(moves[1].end, 3, 5, 0);
    expect_point(moves[2].end, 3, 0, 0);
}

TEST(InterpModal, MotionAndFeedStayUntilChanged) {
    auto r = rig();
    auto moves = r->run("G01 X1 F250\nY1\nG00 Z5\nX0\n");
    ASSERT_EQ(moves.size(), 4u);
    EXPECT_EQ(moves[1].motion, kMotionLinear);
    EXPECT_DOUBLE_EQ(moves[1].feedrate, 250);
    EXPECT_EQ(moves[3].motion, kMotionRapid);
}

TEST(InterpModal, PlaneCodesSelectTheirMachineAxes) {
    auto r = rig();
    auto moves = r->run("G18 G02 X10 Z10 R10 F100\nG19 G03 Y10 Z20 R10\nG17 G02 X20 Y20 R10\n");
    ASSERT_EQ(moves.size(), 3u);
    EXPECT_EQ(moves[0].plane.first, 2);   // Z, X
    EXPECT_EQ(moves[0].plane.second, 0);
    EXPECT_EQ(moves[0].plane.normal, 1);
    EXPECT_EQ(moves[1].plane.first, 1);   // Y, Z
    EXPECT_EQ(moves[1].plane.normal, 0);
    EXPECT_EQ(moves[2].plane.first, 0);
    EXPECT_EQ(moves[2].plane.normal, 2);
}

TEST(InterpModal, InitialPlaneComesFromTheController) {
    auto r = rig("INITIAL PLANE=G19\n");
    auto moves = r->run("G02 Y10 Z10 R10 F100\n");
    ASSERT_EQ(moves.size(), 1u);
    EXPECT_EQ(moves[0].plane.first, 1);
}

TEST(InterpModal, BlocksWithoutAxisWordsMakeNoMove) {
    auto r = rig();
    auto moves = r->run("G01 F100\nM03 S1000\nG04 P1.\nG92 X0\nX5\n");
    ASSERT_EQ(moves.size(), 1u);
    EXPECT_EQ(r->in.modal.spindle_speed, 1000);
    EXPECT_EQ(r->in.modal.spindle_direction, 1);
}

// Work offsets from every source: G54..G59 add the external offset in the default dialect,
// G54.1 P n reaches the extended table, G52 adds a local offset, G10 L2/L20 writes the table.
TEST(InterpWorkOffsets, G54PlusExternalOffset) {
    auto r = rig();
    r->ctl.work[1] = {100, 0, 0};
    r->ctl.work[0] = {0, 0, -50};
    auto moves = r->run("G90 G54 G00 X10 Z0\n", {110, 0, 0});
    ASSERT_EQ(moves.size(), 1u);
    expect_point(moves[0].end, 110, 0, -50);
}

TEST(InterpWorkOffsets, G55AndExtendedOffsets) {
    auto r = rig();
    r->ctl.work[2] = {200, 10, 0};
    r->ctl.work[8] = {-5, -6, -7};
    auto moves = r->run("G55 X1 Y1 Z1\nG54.1 P2 X1 Y1 Z1\n");
    ASSERT_EQ(moves.size(), 2u);
    expect_point(moves[0].end, 201, 11, 1);
    expect_point(moves[1].end, -4, -5, -6);
    EXPECT_EQ(r->in.modal.work_index, 8);
}

TEST(InterpWorkOffsets, ExtendedNumberBeyondTheTableKeepsTheOffset) {
    auto r = rig();
    r->ctl.work[2] = {200, 0, 0};
    auto moves = r->run("G55\nG54.1 P99999 X1\n");
    ASSERT_EQ(moves.size(), 1u);
    EXPECT_EQ(r->in.modal.work_index, 2);
    EXPECT_NEAR(moves[0].end.x, 201, kTol);
}

TEST(InterpWorkOffsets, OspAndHeidenhainLeaveTheExternalOffsetOut) {
    Ctl c;
    parse_ctl("", c);
    c.work[0] = {1, 2, 3};
    c.work[1] = {10, 20, 30};
    expect_point(work_offset_of(c, 1), 11, 22, 33);
    c.product = Dialect::Osp;
    expect_point(work_offset_of(c, 0), 1, 2, 3);
    expect_point(work_offset_of(c, 1), 10, 20, 30);
    c.product = Dialect::Heidenhain;
    expect_point(work_offset_of(c, 1), 10, 20, 30);
    expect_point(work_offset_of(c, 5000), 0, 0, 0);
}

TEST(InterpWorkOffsets, LocalOffsetBelongsToItsWorkOffset) {
    auto r = rig();
    auto moves = r->run("G54 G52 X5 Y5\nX0 Y0\nG55 X0 Y0\nG54 X0\n");
    ASSERT_EQ(moves.size(), 3u);
    expect_point(moves[0].end, 5, 5, 0);
    expect_point(moves[1].end, 0, 0, 0);
    expect_point(moves[2].end, 5, 5, 0);  // back in G54 the local offset holds again on both axes
}

TEST(InterpWorkOffsets, G10WritesWorkOffsetsAbsoluteAndIncremental) {
    auto r = rig();
    auto moves = r->run("G10 L2 P1 X50 Y0 Z0\nX0\nG91 G10 L2 P1 X5\nG90 X0\nG10 L20 P1 X7\nG54.1 P1 X0\n");
    ASSERT_EQ(moves.size(), 3u);
    EXPECT_NEAR(moves[0].end.x, 50, kTol);
    EXPECT_NEAR(moves[1].end.x, 55, kTol);
    EXPECT_NEAR(moves[2].end.x, 7, kTol);
    EXPECT_NEAR(r->ctl.work[1].x, 55, kTol);
}

// Length offsets: the H entry (value plus wear) moves the control point on machine Z, G44
// subtracts it, G49 removes it at once (NORMAL) or by re-basing the stored position (KEEP).
TEST(InterpLength, G43AddsValueAndWear) {
    auto r = rig();
    r->ctl.h[1] = {100.0f, 0.5f};
    auto moves = r->run("G43 H1 Z0\nG44 H1 Z0\n");
    ASSERT_EQ(moves.size(), 2u);
    EXPECT_NEAR(moves[0].end.z, 100.5, 1e-6);
    EXPECT_NEAR(moves[1].end.z, -100.5, 1e-6);
}

TEST(InterpLength, G49NormalCancelsInTheNextMove) {
    auto r = rig();
    r->ctl.h[2] = {50.0f, 0.0f};
    auto moves = r->run("G43 H2 Z10\nG49\nX10\n");
    ASSERT_EQ(moves.size(), 2u);
    EXPECT_NEAR(moves[1].start.z, 60, 1e-6);
    EXPECT_NEAR(moves[1].end.z, 10, 1e-6);
}

TEST(InterpLength, G49KeepCancelsWithoutTravel) {
    auto r = rig("G49MODE=KEEP\n");
    r->ctl.h[2] = {50.0f, 0.0f};
    auto moves = r->run("G43 H2 Z10\nG49\nG01 X10 F100\n");
    ASSERT_EQ(moves.size(), 2u);
    EXPECT_EQ(r->ctl.g49_mode, 1);
    EXPECT_NEAR(moves[1].start.z, 10, 1e-6);  // the stored position lost the offset
    EXPECT_NEAR(moves[1].end.z, 10, 1e-6);
}

TEST(InterpLength, HNumberBeyondTheTableGivesNoOffset) {
    auto r = rig();
    r->ctl.h[0] = {0.0f, 0.0f};
    auto moves = r->run("G43 H1000 Z5\nG43 H-3 Z6\n");
    ASSERT_EQ(moves.size(), 2u);
    EXPECT_NEAR(moves[0].end.z, 5, kTol);
    EXPECT_NEAR(moves[1].end.z, 6, kTol);
}

TEST(InterpLength, HCodeAutoLoadsTheToolLength) {
    auto r = rig("H-CODE VALUE=AUTO\n");
    r->with_tools();
    auto moves = r->run("T3\nG43 H7 Z0\n");
    ASSERT_EQ(moves.size(), 1u);
    EXPECT_FLOAT_EQ(r->ctl.h[7].value, 33.0f);
    EXPECT_NEAR(moves[0].end.z, 33, 1e-6);
}

TEST(InterpLength, CombinedTWordSetsAndCancelsTheOffset) {
    auto r = rig();
    parse_mtl("ATC TYPE=DIRECT T1,2\n", r->mtl);
    r->with_tools();
    r->ctl.h[5] = {20.0f, 0.0f};
    auto moves = r->run("T0305 Z0\nT0400 Z0\n");
    ASSERT_EQ(moves.size(), 2u);
    EXPECT_EQ(moves[0].tool, 3);
    EXPECT_NEAR(moves[0].end.z, 20, 1e-6);
    EXPECT_EQ(moves[1].tool, 4);
    EXPECT_NEAR(moves[1].end.z, 0, 1e-6);
}

// G10 offset memory by type: the L numbers write different fields under types A, B and C.
TEST(InterpG10, OffsetMemoryTypes) {
    auto a = rig("TOOL OFFSET MEMORY=A\n");
    a->run("G10 L11 P3 R2.5\n");
    EXPECT_FLOAT_EQ(a->ctl.d[3].value, 2.5f);
    EXPECT_FLOAT_EQ(a->ctl.h[3].value, 2.5f);
    auto c = rig();
    c->run("G10 L10 P4 R100.\nG10 L11 P4 R0.2\nG10 L12 P4 R5.\nG10 L13 P4 R-0.1\nG91 G10 L10 P4 R1.\n");
    EXPECT_FLOAT_EQ(c->ctl.h[4].value, 101.0f);
    EXPECT_FLOAT_EQ(c->ctl.h[4].wear, 0.2f);
    EXPECT_FLOAT_EQ(c->ctl.d[4].value, 5.0f);
    EXPECT_FLOAT_EQ(c->ctl.d[4].wear, -0.1f);
    c->run("G10 L10 P5000 R1.\n");  // beyond the table: nothing written, nothing read outside
    EXPECT_EQ(alarm_code(c->in), 0);
}

// G92 in both modes: NORMAL shifts the frame so the tool stays, MOVE places the tool the first
// time and shifts afterwards.
TEST(InterpG92, NormalShiftsTheFrame) {
    auto r = rig();
    auto moves = r->run("G00 X50 Y50\nG92 X0 Y0\nX10\n");
    ASSERT_EQ(moves.size(), 2u);
    expect_point(moves[1].start, 50, 50, 0);
    expect_point(moves[1].end, 60, 50, 0);
}

TEST(InterpG92, MoveModePlacesTheToolTheFirstTime) {
    auto r = rig("G92MODE=MOVE\n");
    auto moves = r->run("G00 X50 Y50\nG92 X0 Y0\nX10\nG92 X0\nX5\n");
    ASSERT_EQ(moves.size(), 3u);
    expect_point(moves[1].start, 0, 0, 0);
    expect_point(moves[1].end, 10, 0, 0);
    expect_point(moves[2].end, 15, 0, 0);  // the second G92 acted as NORMAL at X10
}

// Scaling and rotation: G51 scales about its centre, G68 turns about its centre, and the
// rotation acts on the scaled point (the Fanuc order), which gives other points than the
// reverse order when the centres differ.
TEST(InterpScaleRotate, ScalingAboutItsCentre) {
    auto r = rig();
    auto moves = r->run("G51 X10 Y10 P2.\nG01 X20 Y10 F100\nG50\nX20 Y10\n");
    ASSERT_EQ(moves.size(), 2u);
    expect_point(moves[0].end, 30, 10, 0);
    expect_point(moves[1].end, 20, 10, 0);
}

TEST(InterpScaleRotate, PerAxisFactorsAndScaleEffect) {
    auto r = rig();
    r->ctl.scale_effect[1] = false;
    auto moves = r->run("G51 X0 Y0 Z0 I2. J3. K0.5\nX10 Y10 Z10\n");
    ASSERT_EQ(moves.size(), 1u);
    expect_point(moves[0].end, 20, 10, 5);
}

TEST(InterpScaleRotate, RotationInThePlane) {
    auto r = rig();
    auto moves = r->run("G68 X10 Y0 R90.\nG01 X20 Y0 F100\nG69\nX20 Y0\n");
    ASSERT_EQ(moves.size(), 2u);
    expect_point(moves[0].end, 10, 10, 0);
    EXPECT_EQ(moves[0].rotations, 1);
    expect_point(moves[1].end, 20, 0, 0);
}

TEST(InterpScaleRotate, RotationActsOnTheScaledPoint) {
    auto r = rig();
    auto moves = r->run("G51 X10 Y0 P2.\nG68 X0 Y0 R90.\nX20 Y0\n");
    ASSERT_EQ(moves.size(), 1u);
    // Scaled about (10,0): (30,0); turned 90 degrees about (0,0): (0,30). The reverse order
    // would give (-10,40).
    expect_point(moves[0].end, 0, 30, 0);
}

TEST(InterpScaleRotate, SecondRotationIsAppliedFirst) {
    auto r = rig();
    // Level 1: 90 degrees about (0,0); level 2: 90 degrees about (10,0). The point (20,0) turns
    // first about (10,0) to (10,10), then about (0,0) to (-10,10).
    auto moves = r->run("G68 X0 Y0 R90.\nG68 X10 Y0 R90.\nX20 Y0\n");
    ASSERT_EQ(moves.size(), 1u);
    expect_point(moves[0].end, -10, 10, 0);
}

TEST(InterpScaleRotate, RotationAboutAMachineAxis) {
    auto r = rig();
    // I given: about X, turning Y towards Z.
    auto moves = r->run("G68 X0 Y0 Z0 I1. R90.\nY10 Z0\n");
    ASSERT_EQ(moves.size(), 1u);
    expect_point(moves[0].end, 0, 0, 10);
}

TEST(InterpScaleRotate, MirrorFlipsPointsAndArcDirection) {
    auto r = rig();
    auto moves = r->run("G51.1 X0\nG01 X10 F100\nG02 X0 Y10 R10\nG50.1\nX10\n");
    ASSERT_EQ(moves.size(), 3u);
    EXPECT_NEAR(moves[0].end.x, -10, kTol);
    EXPECT_EQ(moves[1].motion, kMotionCcw);
    EXPECT_NEAR(moves[2].end.x, 10, kTol);
}

TEST(InterpScaleRotate, MirrorTurnsCompensationSideAndRotationAngle) {
    auto r = rig();
    r->ctl.d[1] = {2.0f, 0.0f};
    r->run("G41 D1\n");
    EXPECT_NEAR(r->in.modal.radius_offset, 2.0, 1e-9);
    r->run("G51.1 X0\nG41 D1\n");
    EXPECT_NEAR(r->in.modal.radius_offset, -2.0, 1e-9);  // G41 under a mirrored X cuts on the right
    r->run("G42 D1\nG51.1 X0 Y5\n");
    EXPECT_NEAR(r->in.modal.radius_offset, -2.0, 1e-9);  // two mirrored axes: the side stays
    r->run("G42 D1\nG51.1 X0\nG50.1\n");
    EXPECT_NEAR(r->in.modal.radius_offset, -2.0, 1e-9);  // switched back with the mirror
    // G68 R90 under a mirrored X: the point (20, 0) turns by -90 degrees about (10, 0) to
    // (10, -10), then mirrors to (-10, -10).
    auto moves = r->run("G51.1 X0\nG68 X10 Y0 R90.\nG01 X20 Y0 F100\n");
    ASSERT_EQ(moves.size(), 1u);
    expect_point(moves[0].end, -10, -10, 0);
}

// Tools: the tool-change type decides when a T word becomes the active tool; a change adds the
// machine's tool-change time.
TEST(InterpTools, WaitChangesOnlyAtM06) {
    auto r = rig();
    parse_mtl("ATC TYPE=WAIT\n", r->mtl);
    r->with_tools();
    auto moves = r->run("T5\nX1\nM06\nX2\n");
    ASSERT_EQ(moves.size(), 2u);
    EXPECT_EQ(moves[0].tool, 1);
    EXPECT_EQ(moves[1].tool, 5);
}

TEST(InterpTools, Wait2ActivatesTheEarlierPreselection) {
    auto r = rig();
    parse_mtl("ATC TYPE=WAIT2\n", r->mtl);
    r->with_tools();
    auto moves = r->run("T5\nM06 T7\nX1\nM06\nX2\n");
    ASSERT_EQ(moves.size(), 2u);
    EXPECT_EQ(moves[0].tool, 5);
    EXPECT_EQ(moves[1].tool, 7);
}

TEST(InterpTools, DirectChangesAtOnceAndIgnoresUnknownTools) {
    auto r = rig();
    r->with_tools();
    auto moves = r->run("T4 X1\nT15 X2\nT99999 X3\n");
    ASSERT_EQ(moves.size(), 3u);
    EXPECT_EQ(moves[0].tool, 4);
    EXPECT_EQ(moves[2].tool, 4);
}

TEST(InterpTools, ToolChangeTimeIsAddedOncePerChange) {
    auto r = rig();
    parse_mtl("TOOL CHANGE TIME=3.5\n", r->mtl);
    r->with_tools();
    r->with_time();
    r->run("T2\nT2\nT3\n");
    EXPECT_NEAR(r->time.rapid_time, 7.0, 1e-12);
    EXPECT_NEAR(r->time.rapid_class_time, 7.0, 1e-12);
}

TEST(InterpTools, RadiusOffsetNumbersAndAutoLoad) {
    auto r = rig("D-CODE VALUE=AUTO\n");
    r->with_tools();
    r->ctl.d[3] = {5.0f, -0.1f};
    r->run("T6\nG41 D3\n");
    EXPECT_FLOAT_EQ(r->ctl.d[3].value, 6.0f);  // half of tool 6's 12 mm
    EXPECT_NEAR(r->in.modal.radius_offset, 5.9, 1e-6);
    r->run("G42 D1500\n");
    EXPECT_EQ(r->in.modal.d_number, 0);
    EXPECT_NEAR(r->in.modal.radius_offset, 0.0, 1e-12);
}

// End states, line numbers and what the run control asks.
TEST(InterpEnd, EndOfFileEndsTheProgram) {
    auto r = rig();
    auto moves = r->run("X1\n\nX2\n");
    ASSERT_EQ(moves.size(), 2u);
    EXPECT_EQ(moves[0].line, 1);
    EXPECT_EQ(moves[1].line, 3);
    EXPECT_EQ(end_state(r->in), kEndEnded);
    EXPECT_EQ(execute_next_block(r->in), 0);
}

TEST(InterpEnd, M30EndsOnlyInAMemoryRun) {
    auto r = rig();
    EXPECT_EQ(r->run("X1\nM30\nX2\n").size(), 2u);
    r->ctl.memory_run = true;
    EXPECT_EQ(r->run("X1\nM30\nX2\n").size(), 1u);
}

TEST(InterpEnd, ReferenceReturnQueuesTwoMovesAndVetoesStops) {
    auto r = rig();
    r->ctl.ref[1] = {0.0f, 0.0f, 300.0f, true};
    r->program = "G00 X10 Y10 Z10\nG91 G28 Z5\n";
    reset_interp(r->in, {});
    open_main_bytes(r->reader, r->program);
    ASSERT_EQ(execute_next_block(r->in), 1);
    ASSERT_EQ(execute_next_block(r->in), 1);
    expect_point(r->in.move.end, 10, 10, 15);
    EXPECT_FALSE(stop_allowed(r->in));
    ASSERT_EQ(execute_next_block(r->in), 1);
    expect_point(r->in.move.end, 10, 10, 300);
    EXPECT_TRUE(stop_allowed(r->in));
    EXPECT_EQ(execute_next_block(r->in), 0);
}

TEST(InterpEnd, StandingIntermediateLegIsLeftOut) {
    auto r = rig();
    r->ctl.ref[1] = {0.0f, 0.0f, 300.0f, true};
    auto moves = r->run("G00 Z10\nG91 G28 Z0\n");
    ASSERT_EQ(moves.size(), 2u);
    expect_point(moves[1].start, 0, 0, 10);
    expect_point(moves[1].end, 0, 0, 300);
}

TEST(InterpEnd, UndefinedReferencePointEndsAtTheIntermediatePoint) {
    auto r = rig();
    auto moves = r->run("G30 P3 X5\n");
    ASSERT_EQ(moves.size(), 1u);
    EXPECT_NEAR(moves[0].end.x, 5, kTol);
}

TEST(InterpEnd, SubprogramMovesCarryTheirOwnLineNumbers) {
    auto r = rig();
    static const std::string kSub = "X1\nX2\nM99\n";
    r->in.hooks.subprogram = [](void*, Interp& in, const BlockWords& b) {
        if (b.call == 98) return push_memory_program(*in.reader, kSub, 0, "O100");
        return pop_subprogram(*in.reader);
    };
    auto moves = r->run("G00\nM98 P100\nX5\n");
    ASSERT_EQ(moves.size(), 3u);
    EXPECT_EQ(moves[0].line, 1);  // line 1 of the subprogram
    EXPECT_EQ(moves[1].line, 2);
    EXPECT_EQ(moves[2].line, 3);  // back in the main program
    EXPECT_NEAR(moves[2].end.x, 5, kTol);
}

TEST(InterpEnd, FileNameOfM98IsNotReadAsWords) {
    auto r = rig();
    static std::string name;
    r->in.hooks.subprogram = [](void*, Interp&, const BlockWords& b) {
        name = std::string(b.call_name);
        return 0;
    };
    auto moves = r->run("M98 <S12.NC> X3\n");
    EXPECT_EQ(name, "S12.NC");
    EXPECT_EQ(r->in.modal.spindle_speed, 0);  // the S of the name is no spindle word
    ASSERT_EQ(moves.size(), 1u);
    EXPECT_NEAR(moves[0].end.x, 3, kTol);
    EXPECT_TRUE(stop_allowed(r->in));
    EXPECT_FALSE(nested(r->in));
}

TEST(InterpEnd, G53BlockIsMarkedAndTakesMachineCoordinates) {
    auto r = rig();
    r->ctl.work[1] = {100, 100, -20};
    auto moves = r->run("G54 X0 Y0 Z0\nG53 Z0\nX1\n");
    ASSERT_EQ(moves.size(), 3u);
    EXPECT_FALSE(moves[0].machine_coordinates);
    EXPECT_TRUE(moves[1].machine_coordinates);
    expect_point(moves[1].end, 100, 100, 0);
    EXPECT_FALSE(moves[2].machine_coordinates);
    expect_point(moves[2].end, 101, 100, 0);  // Z stays where G53 put it
}

TEST(InterpEnd, DwellGoesToTheTimeByTheActiveMotion) {
    auto r = rig();
    r->with_time();
    r->run("G01 F100\nG04 P1500\nG04 X2.\nG00\nG04 P0.25\n");
    EXPECT_NEAR(r->time.cutting_time, 3.5, 1e-12);
    EXPECT_NEAR(r->time.feed_time, 3.5, 1e-12);
    EXPECT_NEAR(r->time.rapid_time, 0.25, 1e-12);
}

// Bad input: malformed blocks raise the alarm the interpreter defines, with the line number;
// anything else is ignored without a crash or a read outside a table.
TEST(InterpBadInput, ZeroFeedUnderCheckF0) {
    auto r = rig("CHECK F0=YES\n");
    auto moves = r->run("G00 X1\nG01 X2\nX3\n");
    ASSERT_EQ(moves.size(), 2u);
    EXPECT_EQ(alarm_code(r->in), kAlarmZeroFeed);
    EXPECT_EQ(r->reader.alarm.line, 2);
}

TEST(InterpBadInput, GarbageIsIgnored) {
    auto r = rig();
    const char* text =
        "G\nX\nG54.1 P-5\nG10 L2 P-1 X1\nG10 L20 P99999 X1\nG30 P99\nH99999999999\nD-1\nT-3\n"
        "M999999999\nG999999 X1\nG68 I0 J0 K0 R45.\nG51 P0\nX1 Y1\nG50\n%$#@!\n(((\nG02 X1e308 R-1e308\n"
        "G03 I1e308 J-1e308\nG01 F1e309 X0\n";
    auto moves = r->run(text);
    EXPECT_FALSE(moves.empty());
    for (const MoveRecord& m : moves) {
        EXPECT_FALSE(std::isnan(m.end.x));
        EXPECT_FALSE(std::isnan(m.end.y));
    }
}

TEST(InterpBadInput, UsedCodesAreMarked) {
    auto r = rig();
    r->run("G01 G17 X1 F1\nM08\nG250 M300\n");
    EXPECT_TRUE(r->in.used_g[1]);
    EXPECT_TRUE(r->in.used_g[17]);
    EXPECT_TRUE(r->in.used_m[8]);
    EXPECT_FALSE(r->in.used_g[2]);
}

}  // namespace
}  // namespace vx::nc

namespace vx::nc {
namespace {

// Dialect rows of the word table: OSP reads H as a work coordinate number after G15/G16 and the
// dwell from F, whatever the order of the words; HEIDENHAIN's radius offset is the tool's own D
// entry, or half its diameter while that entry is 0.
TEST(InterpDialects, OspG15TakesHAsAWorkOffsetNumber) {
    auto r = test::rig("PRODUCT=OSP\n");
    r->ctl.work[3] = {300, 0, 0};
    r->ctl.h[3] = {7.0f, 0.0f};
    auto moves = r->run("H3 G15 X1\nX2\n");
    ASSERT_EQ(moves.size(), 2u);
    EXPECT_EQ(r->in.modal.work_index, 3);
    EXPECT_EQ(r->in.modal.h_number, 0);  // not a length offset number
    EXPECT_NEAR(moves[0].end.x, 301, 1e-9);
    EXPECT_NEAR(moves[1].end.x, 302, 1e-9);
    // Without G15 the H word stays the length offset number.
    r->run("H3 X1\n");
    EXPECT_EQ(r->in.modal.h_number, 3);
    EXPECT_EQ(r->in.modal.work_index, 0);
    // A number beyond the table selects nothing.
    r->run("G16 H5000 X1\n");
    EXPECT_EQ(r->in.modal.work_index, 0);
}

TEST(InterpDialects, OspDwellComesFromTheFWord) {
    auto r = test::rig("PRODUCT=OSP\n");
    r->run("G01 F200 X1\nF2. G04 P5.\n");
    EXPECT_DOUBLE_EQ(r->in.modal.dwell, 2.0);   // F, not P
    EXPECT_DOUBLE_EQ(r->in.modal.feed, 200.0);  // the dwell's F is no feed
    r->run("G01 F200 X1\nF300 X2\n");
    EXPECT_DOUBLE_EQ(r->in.modal.feed, 300.0);  // outside G04 F stays the feed
    auto fanuc = test::rig();
    fanuc->run("G01 F200 X1\nG04 P5. F2.\n");
    EXPECT_DOUBLE_EQ(fanuc->in.modal.dwell, 5.0);
}

TEST(InterpDialects, HeidenhainRadiusOffsetIsTheToolsOwnEntry) {
    auto r = test::rig("PRODUCT=HEIDENHAIN\n");
    r->with_tools();
    r->ctl.d[4] = {1.5f, -0.25f};
    r->run("TOOL CALL 4\nG41 D9\n");
    EXPECT_NEAR(r->in.modal.radius_offset, 1.25, 1e-6);  // D entry 4 of tool 4, not D9
    r->run("TOOL CALL 5\nG42\n");
    EXPECT_NEAR(r->in.modal.radius_offset, -5.0, 1e-6);  // entry 5 is 0: half of the 10 mm tool, right side
}

}  // namespace
}  // namespace vx::nc
