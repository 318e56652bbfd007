#include "sim/cutting_step.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace vx::sim {
namespace {

CurrentTool limited_tool(int kind, float general, float vertical = 0, float up = 0, float down = 0) {
    CurrentTool t;
    t.number = 7;
    t.limit.kind = kind;
    t.limit.values = {general, vertical, up, down};
    return t;
}

SweepResult cut(double volume, int direction) {
    SweepResult r;
    r.volume = volume;
    r.step_direction = direction;
    r.changed = volume > 0;
    return r;
}

LoadStep step_at(double step_length, double feed, Vec3 p = {1.5, -2, 3.25}, int line = 12) {
    return {step_length, feed, p, line};
}

bool exists(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f) std::fclose(f);
    return f != nullptr;
}

// ---- Engaged values ----
// Area and moment are per mm of travel; a step that did not advance must not divide by zero and
// report an infinite load.

TEST(LoadEngaged, AreaAndMomentArePerStepLength) {
    EXPECT_DOUBLE_EQ(engaged_values(30.0, 90.0, 2.0).area, 15.0);
    EXPECT_DOUBLE_EQ(engaged_values(30.0, 90.0, 2.0).moment, 45.0);
    EXPECT_EQ(engaged_values(30.0, 90.0, 0.0).area, 0.0);
}

// ---- Limits that stop the run ----
// The wrong entry, a comparison of the wrong quantity, an unchecked 0 limit or an overload record
// overwritten by a later step would stop runs that should go on, or name the wrong place.

TEST(LoadLimit, AreaAboveTheGeneralLimitIsAnOverload) {
    const CurrentTool tool = limited_tool(kLimitArea, 10);
    Overload o;
    LimitLog log;
    EXPECT_EQ(evaluate_load(tool, cut(30, kStepGeneral), step_at(2.0, 600), o, log), kLoadOverload);
    EXPECT_TRUE(o.recorded);
    EXPECT_EQ(o.tool, 7);
    EXPECT_EQ(o.position, (Vec3{1.5, -2, 3.25}));
    EXPECT_EQ(o.step_direction, kStepGeneral);
}

TEST(LoadLimit, EntryIsChosenByStepDirectionAndZeroIsNotChecked) {
    Overload o;
    LimitLog log;
    // LIMIT 10, 0, 0, 0: an up-cut step, however heavy, is not checked; equal is within.
    const CurrentTool general_only = limited_tool(kLimitArea, 10, 0, 0, 0);
    EXPECT_EQ(evaluate_load(general_only, cut(1000, kStepUpCut), step_at(1.0, 600), o, log), kLoadWithin);
    EXPECT_EQ(evaluate_load(general_only, cut(20, kStepGeneral), step_at(2.0, 600), o, log), kLoadWithin);
    const CurrentTool tool = limited_tool(kLimitArea, 5, 100, 100, 5);
    EXPECT_EQ(evaluate_load(tool, cut(8, kStepUpCut), step_at(1.0, 600), o, log), kLoadWithin);
    EXPECT_FALSE(o.recorded);
    EXPECT_EQ(evaluate_load(tool, cut(8, kStepNone), step_at(1.0, 600), o, log), kLoadOverload);  // as general
    EXPECT_EQ(o.step_direction, kStepGeneral);
}

TEST(LoadLimit, RemovalRateIsFeedTimesAreaPerSecond) {
    // Area 15 mm²: at 600 mm/min 150 mm³/s, at 300 mm/min 75 mm³/s against a limit of 100.
    const CurrentTool tool = limited_tool(kLimitRate, 100);
    Overload o;
    LimitLog log;
    EXPECT_EQ(evaluate_load(tool, cut(30, kStepGeneral), step_at(2.0, 300), o, log), kLoadWithin);
    EXPECT_EQ(evaluate_load(tool, cut(30, kStepGeneral), step_at(2.0, 600), o, log), kLoadOverload);
}

TEST(LoadLimit, FirstOverloadOfTheRunIsKept) {
    const CurrentTool tool = limited_tool(kLimitArea, 10, 10, 10, 10);
    Overload o;
    LimitLog log;
    evaluate_load(tool, cut(30, kStepVertical), step_at(1.0, 600, {1, 1, 1}), o, log);
    evaluate_load(tool, cut(30, kStepDownCut), step_at(1.0, 600, {9, 9, 9}), o, log);
    EXPECT_EQ(o.position, (Vec3{1, 1, 1}));
    EXPECT_EQ(o.step_direction, kStepVertical);
    EXPECT_EQ(evaluate_load(limited_tool(kLimitNone, 1), cut(1000, kStepGeneral), step_at(1.0, 600), o, log),
              kLoadWithin);
}

// ---- Limits that only record ----
// These kinds must never stop a run; each exceeding step must add exactly one line, with the
// numbers and direction letter as the file format has them, to the file of its own kind, created
// only when the run has something to write.

TEST(LoadLog, ExceedingStepsAppendLinesAndNeverOverload) {
    vx::testing::TempDir dir;
    const CurrentTool tool = limited_tool(kLimitAreaLog, 10, 10, 10, 10);
    Overload o;
    LimitLog log;
    begin_limit_log(log, dir.path());
    EXPECT_EQ(evaluate_load(tool, cut(30, kStepGeneral), step_at(2.0, 600), o, log), kLoadLogged);
    EXPECT_EQ(evaluate_load(tool, cut(5, kStepGeneral), step_at(1.0, 600), o, log), kLoadWithin);
    EXPECT_EQ(evaluate_load(tool, cut(12.5, kStepVertical), step_at(1.0, 600, {-0.5, 0, 100}, 3), o, log),
              kLoadLogged);
    close_limit_log(log);
    EXPECT_FALSE(o.recorded);
    EXPECT_EQ(log.records[0], 2);
    EXPECT_EQ(dir.read("limitp.txt"),
              "12:X1.500000Y-2.000000Z3.250000:15.000000(A)\n"
              "3:X-0.500000Y0.000000Z100.000000:12.500000(V)\n");
}

TEST(LoadLog, RateKindWritesTheRateToItsOwnFile) {
    vx::testing::TempDir dir;
    const CurrentTool tool = limited_tool(kLimitRateLog, 100, 100, 100, 100);
    Overload o;
    LimitLog log;
    begin_limit_log(log, dir.path());
    evaluate_load(tool, cut(30, kStepUpCut), step_at(2.0, 600), o, log);
    evaluate_load(tool, cut(30, kStepDownCut), step_at(2.0, 600), o, log);
    close_limit_log(log);
    EXPECT_EQ(dir.read("limitsp.txt"),
              "12:X1.500000Y-2.000000Z3.250000:150.000000(U)\n"
              "12:X1.500000Y-2.000000Z3.250000:150.000000(D)\n");
    EXPECT_FALSE(exists(dir.path() + "limitp.txt"));
}

TEST(LoadLog, ToolChangeLineGoesBeforeTheRecords) {
    vx::testing::TempDir dir;
    CurrentTool tool = limited_tool(kLimitAreaLog, 1);
    tool.number = 3;
    Overload o;
    LimitLog log;
    begin_limit_log(log, dir.path());
    EXPECT_EQ(write_limit_tool(log, tool), 1);
    evaluate_load(tool, cut(2, kStepGeneral), step_at(1.0, 600), o, log);
    close_limit_log(log);
    EXPECT_EQ(dir.read("limitp.txt"), "T03\n12:X1.500000Y-2.000000Z3.250000:2.000000(A)\n");
    EXPECT_EQ(log.records[0], 1);  // the tool line is not a record
}

TEST(LoadLog, NoFileWithoutSomethingToWrite) {
    vx::testing::TempDir dir;
    Overload o;
    LimitLog log;
    begin_limit_log(log, dir.path());
    EXPECT_EQ(write_limit_tool(log, limited_tool(kLimitArea, 1)), 0);  // a stopping kind has no log
    evaluate_load(limited_tool(kLimitAreaLog, 100), cut(1, kStepGeneral), step_at(1.0, 600), o, log);
    close_limit_log(log);
    EXPECT_FALSE(exists(dir.path() + "limitp.txt"));
}

TEST(LoadLog, NextRunRewritesTheFile) {
    vx::testing::TempDir dir;
    dir.write("limitp.txt", "old run\n");
    Overload o;
    LimitLog log;
    begin_limit_log(log, dir.path());
    evaluate_load(limited_tool(kLimitAreaLog, 1), cut(2, kStepGeneral), step_at(1.0, 600), o, log);
    close_limit_log(log);
    EXPECT_EQ(dir.read("limitp.txt"), "12:X1.500000Y-2.000000Z3.250000:2.000000(A)\n");
}

TEST(LoadLog, UnwritableFileIsSkippedSilently) {
    vx::testing::TempDir dir;
    Overload o;
    LimitLog log;
    begin_limit_log(log, dir.path() + "missing/folder/");
    EXPECT_EQ(evaluate_load(limited_tool(kLimitAreaLog, 1), cut(2, kStepGeneral), step_at(1.0, 600), o, log),
              kLoadLogged);
    EXPECT_EQ(log.records[0], 0);
    EXPECT_TRUE(log.failed[0]);
    EXPECT_FALSE(o.recorded);
}

// ---- Optimisation hand-over ----
// The writer turns air cuts into rapid escapes: a step near material (rapid state) or one that
// cut must never be handed over as air.

struct Received {
    int calls = 0;
    OptimiseStep last;
};

void receive(void* context, const OptimiseStep& step) {
    auto* r = static_cast<Received*>(context);
    ++r->calls;
    r->last = step;
}

TEST(LoadOptimise, CuttingStepHandsOverItsEngagedValues) {
    Received got;
    SweepResult r = cut(30, kStepDownCut);
    r.moment = 60;
    hand_over_step({&got, receive}, r, 2.0);
    EXPECT_EQ(got.calls, 1);
    EXPECT_DOUBLE_EQ(got.last.engaged_area, 15.0);
    EXPECT_DOUBLE_EQ(got.last.engaged_moment, 30.0);
    EXPECT_EQ(got.last.step_direction, kStepDownCut);
    EXPECT_EQ(got.last.cutting, 1);
}

TEST(LoadOptimise, StepNearMaterialCountsAsCuttingAndAirDoesNot) {
    SweepResult r;
    EXPECT_EQ(optimise_step(r, 1.0).cutting, 0);
    r.rapid_state = 1;
    EXPECT_EQ(optimise_step(r, 1.0).cutting, 1);
    r.rapid_state = 2;
    EXPECT_EQ(optimise_step(r, 1.0).cutting, 1);
}

}  // namespace
}  // namespace vx::sim
