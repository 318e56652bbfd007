#include "shell/batch.h"

#include "platform/log.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace vx::shell {
namespace {

using vx::testing::TempDir;

// A step written compactly: commands as their id ("32771"), the other kinds by name, with the
// parameter after a colon when it is not 0.
std::string describe(const BatchStep& s) {
    switch (s.kind) {
    case StepKind::LogOpen: return "log";
    case StepKind::LogEnd: return "log-end";
    case StepKind::Quit: return "quit";
    case StepKind::Command: break;
    }
    return std::to_string(s.command) + (s.parameter ? ":" + std::to_string(s.parameter) : "");
}

std::vector<std::string> describe(const BatchPlan& plan) {
    std::vector<std::string> out;
    for (const BatchStep& s : plan.steps) out.push_back(describe(s));
    return out;
}

using Steps = std::vector<std::string>;

// A command line with an existing NC file, plus the given switches.
struct Rig {
    TempDir dir;
    std::string nc = dir.write("part.nc", "G0X0\n");

    CommandLine line(const std::string& switches, bool with_nc = true) const {
        CommandLineContext ctx;
        ctx.current_dir = dir.path();
        return parse_command_line(switches + (with_nc ? " part.nc" : ""), ctx);
    }
    BatchPlan plan(const std::string& switches, bool with_nc = true) const { return plan_batch(line(switches, with_nc)); }
};

// ---- Levels ----
// Every level's sequence as the unattended start sends it; a wrong command or a missing quit
// leaves a batch hanging or running the wrong simulation.

TEST(BatchLevels, NoLevelOnlyPreselects) {
    Rig rig;
    BatchPlan plan = rig.plan("");
    EXPECT_EQ(describe(plan), (Steps{"32771"}));
    EXPECT_FALSE(plan.headless);
    EXPECT_EQ(plan.steps[0].path, rig.nc);
    EXPECT_EQ(describe(rig.plan("-X0 -Dw.dmf")), (Steps{"32784", "32771"}));
    EXPECT_EQ(describe(rig.plan("-X1")), (Steps{"32771"}));
    EXPECT_TRUE(describe(rig.plan("", false)).empty());
}

TEST(BatchLevels, RunLevelsTwoToFour) {
    Rig rig;
    EXPECT_EQ(describe(rig.plan("-X2")), (Steps{"32771", "32774"}));
    EXPECT_EQ(describe(rig.plan("-X2f")), (Steps{"32771", "32774"}));  // no fast real cut
    EXPECT_EQ(describe(rig.plan("-X3")), (Steps{"32771", "32775"}));
    EXPECT_EQ(describe(rig.plan("-X3f")), (Steps{"32771", "32881"}));
    EXPECT_EQ(describe(rig.plan("-X4")), (Steps{"32771", "32776"}));
    EXPECT_EQ(describe(rig.plan("-X4f")), (Steps{"32771", "32882"}));
    EXPECT_EQ(describe(rig.plan("-X4s1")), (Steps{"32771", "32941"}));
    EXPECT_EQ(describe(rig.plan("-X4s3")), (Steps{"32771", "32943"}));
    EXPECT_EQ(describe(rig.plan("-X4 -Dw.dmf -Oout.stl,b")), (Steps{"32784", "32771", "32776", "32786:3"}));
    EXPECT_FALSE(rig.plan("-X4 -Oout.dmf").headless);
}

TEST(BatchLevels, LevelsFiveToSevenLogAndQuit) {
    Rig rig;
    EXPECT_EQ(describe(rig.plan("-X5")), (Steps{"log", "32771", "32776", "log-end", "quit"}));
    EXPECT_EQ(describe(rig.plan("-X5fn")), (Steps{"log", "32771", "32882", "log-end", "quit"}));
    EXPECT_EQ(describe(rig.plan("-X6s2")), (Steps{"log", "32771", "32942", "log-end", "quit"}));
    EXPECT_EQ(describe(rig.plan("-X7")), (Steps{"log", "32771", "32831", "log-end", "quit"}));
    EXPECT_EQ(describe(rig.plan("-X7f -Dw.dmf -Oout.wrl,z")),
              (Steps{"log", "32784", "32771", "32831", "32786:6", "log-end", "quit"}));
    for (const char* level : {"-X5", "-X6", "-X7"}) EXPECT_TRUE(rig.plan(level).headless) << level;
    EXPECT_FALSE(rig.plan("-X5").minimised);
    EXPECT_TRUE(rig.plan("-X6").minimised);
    EXPECT_TRUE(rig.plan("-X7").minimised);
}

TEST(BatchLevels, FileConversion) {
    Rig rig;
    const BatchPlan plan = rig.plan("-Din.dmf -Oout.stl", false);
    EXPECT_EQ(describe(plan), (Steps{"32784", "32786:2", "quit"}));
    EXPECT_TRUE(plan.headless);
    EXPECT_EQ(plan.steps[0].path, "in.dmf");
    EXPECT_TRUE(plan.steps[0].end_on_failure);
    EXPECT_EQ(plan.steps[1].path, "out.stl");
    EXPECT_EQ(describe(rig.plan("-X1 -Din.dmf -Oout", false)), (Steps{"32784", "32786:1", "quit"}));
    // -O alone has nothing to save below the run levels.
    const BatchPlan alone = rig.plan("-Oout.dmf", false);
    EXPECT_TRUE(alone.steps.empty());
    EXPECT_EQ(alone.notes.size(), 1u);
}

TEST(BatchLevels, LoadVariantsUseTheirCommands) {
    Rig rig;
    BatchPlan plan = rig.plan("-DPY w.dmf -Oout.dmf", false);
    EXPECT_EQ(describe(plan), (Steps{"32785:1", "32786:1", "quit"}));
    EXPECT_TRUE(plan.steps[0].values.empty());  // no flags: the press keeps no colour
    plan = rig.plan("-DPZ(1,0,1) w.dmf -Oout.dmf", false);
    EXPECT_EQ(describe(plan), (Steps{"32785:2", "32786:1", "quit"}));
    EXPECT_EQ(plan.steps[0].values, (std::vector<double>{1, 0, 1}));
    EXPECT_EQ(plan.steps[0].path, "w.dmf");
    plan = rig.plan("-DZ(1,2,45) w.stl -Oout.dmf", false);
    EXPECT_EQ(describe(plan), (Steps{"32850:2", "32786:1", "quit"}));
    EXPECT_EQ(plan.steps[0].values, (std::vector<double>{1, 2, 45}));
    EXPECT_EQ(plan.steps[0].path, "w.stl");
}

// ---- Reports ----

TEST(BatchReports, ParameterOneMeansWithoutDialog) {
    Rig rig;
    EXPECT_EQ(describe(rig.plan("-V")), (Steps{"32771", "32773"}));
    EXPECT_EQ(describe(rig.plan("-V -X2")), (Steps{"32771", "32773", "32774"}));
    EXPECT_EQ(describe(rig.plan("-V -X4n")), (Steps{"32771", "32773:1", "32776"}));
    EXPECT_EQ(describe(rig.plan("-V -X5")), (Steps{"log", "32771", "32773:1", "32776", "log-end", "quit"}));
    EXPECT_EQ(describe(rig.plan("-V5 -X3")), (Steps{"32771", "32773:1", "32775"}));
    EXPECT_EQ(describe(rig.plan("-VA -X4")), (Steps{"32771", "32776", "32773"}));
    EXPECT_EQ(describe(rig.plan("-VA -X4n")), (Steps{"32771", "32776", "32773:1"}));
    EXPECT_EQ(describe(rig.plan("-VA -X6 -Oout.dmf")), (Steps{"log", "32771", "32776", "32773:1", "32786:1", "log-end", "quit"}));
}

TEST(BatchReports, V5AndV6QuitWhenNoRunFollows) {
    Rig rig;
    BatchPlan plan = rig.plan("-V5");
    EXPECT_EQ(describe(plan), (Steps{"32771", "32773:1", "quit"}));
    EXPECT_TRUE(plan.headless);
    EXPECT_FALSE(plan.minimised);
    plan = rig.plan("-V6 -X1");
    EXPECT_EQ(describe(plan), (Steps{"32771", "32773:1", "quit"}));
    EXPECT_TRUE(plan.minimised);
    // With a run following, the run's level decides: level 3 keeps the window.
    plan = rig.plan("-V6 -X3");
    EXPECT_FALSE(plan.headless);
}

TEST(BatchReports, AlarmAtSelectionEndsOnlyLoggedBatchesWithAReport) {
    Rig rig;
    EXPECT_TRUE(rig.plan("-V -X5").steps[1].end_on_alarm);
    EXPECT_TRUE(rig.plan("-V6 -X7").steps[1].end_on_alarm);
    EXPECT_FALSE(rig.plan("-X5").steps[1].end_on_alarm);
    EXPECT_FALSE(rig.plan("-V -X4").steps[0].end_on_alarm);
    EXPECT_FALSE(rig.plan("-VA -X5").steps[1].end_on_alarm);
}

TEST(BatchReports, MissingNcFileLeavesOutRunAndReport) {
    Rig rig;
    BatchPlan plan = rig.plan("absent.nc -X5 -V -Oout.dmf", false);
    EXPECT_EQ(describe(plan), (Steps{"log", "32786:1", "log-end", "quit"}));
    EXPECT_TRUE(plan.missing_nc);
    EXPECT_FALSE(plan.notes.empty());
    EXPECT_TRUE(rig.plan("-X3", false).missing_nc);
    EXPECT_TRUE(rig.plan("-V5", false).missing_nc);
    EXPECT_FALSE(rig.plan("", false).missing_nc);
    EXPECT_FALSE(rig.plan("-X5").missing_nc);
}

// ---- Workpiece operations ----
// An operation without its workpiece or its output would change nothing anyone could see; it
// is dropped and the rest of the command line runs.

TEST(BatchOperations, LoadOperateSaveQuit) {
    Rig rig;
    BatchPlan plan = rig.plan("-Dw.dmf -Oout.stl,b2 -XOZP(1.5)", false);
    EXPECT_EQ(describe(plan), (Steps{"32784", "32788:12", "32786:4", "quit"}));
    EXPECT_TRUE(plan.headless);
    EXPECT_TRUE(plan.minimised);
    EXPECT_EQ(plan.steps[1].values, (std::vector<double>{1.5}));

    plan = rig.plan("-Dw.dmf -Oout.dmf -XAL model.stl", false);
    EXPECT_EQ(describe(plan), (Steps{"32784", "32895:-1", "32786:1", "quit"}));
    EXPECT_EQ(plan.steps[1].path, "model.stl");

    EXPECT_EQ(describe(rig.plan("-Dw.dmf -Oout.dmf -XPC", false)), (Steps{"32784", "32790", "32786:1", "quit"}));
    EXPECT_EQ(describe(rig.plan("-Dw.dmf -Oout.dmf -XU2", false)), (Steps{"32784", "32912", "32786:1", "quit"}));
}

TEST(BatchOperations, OperationsComeBeforeTheLevel) {
    Rig rig;
    const BatchPlan plan = rig.plan("-X5 -Dw.dmf -Oout.dmf -XR2");
    EXPECT_EQ(describe(plan), (Steps{"32784", "32826:2", "32786:1", "quit"}));
}

TEST(BatchOperations, DroppedWithoutWorkpieceOrOutput) {
    Rig rig;
    BatchPlan plan = rig.plan("-Oout.dmf -XR1 -X4");
    EXPECT_EQ(describe(plan), (Steps{"32771", "32776", "32786:1"}));
    EXPECT_EQ(plan.notes.size(), 1u);
    EXPECT_TRUE(plan.minimised);  // the switch still asked for a minimised start
    plan = rig.plan("-Dw.dmf -XR1", false);
    EXPECT_EQ(describe(plan), (Steps{"32784"}));
    EXPECT_EQ(plan.notes.size(), 1u);
    // A box is not a workpiece file to load.
    EXPECT_TRUE(rig.plan("-D(0,0,0,1,1,1) -Oout.dmf -XR1", false).steps.empty());
}

TEST(BatchOperations, OnlyTheFirstRuns) {
    Rig rig;
    const BatchPlan plan = rig.plan("-Dw.dmf -Oout.dmf -XR1 -XPP", false);
    EXPECT_EQ(describe(plan), (Steps{"32784", "32826:1", "32786:1", "quit"}));
    EXPECT_EQ(plan.notes.size(), 1u);
}

// ---- Exit code ----

TEST(BatchExit, Codes) {
    EXPECT_EQ(batch_exit_code(5, {}), kExitNormal);
    EXPECT_EQ(batch_exit_code(5, {.escaped = true}), -1);
    EXPECT_EQ(batch_exit_code(7, {.escaped = true, .failed = true}), -1);
    EXPECT_EQ(batch_exit_code(4, {.escaped = true}), kExitNormal);  // an interactive level: the user chose
    EXPECT_EQ(batch_exit_code(-1, {.failed = true}), kExitFailed);
}

// ---- The log ----
// The line is compared byte for byte: log readers split it on the full-width colon.

TEST(BatchLog, LineBytes) {
    std::tm t{};
    t.tm_year = 2024 - 1900;
    t.tm_mon = 0;
    t.tm_mday = 5;
    t.tm_hour = 7;
    t.tm_min = 8;
    t.tm_sec = 9;
    EXPECT_EQ(batch_log_line(t, "/w/part.nc"), "2024/01/05 07:08:09\xEF\xBC\x9A/w/part.nc");
}

TEST(BatchLog, PathOfTheLog) {
    EXPECT_EQ(batch_log_path("", "/cur/"), "/cur/vornex.log");
    EXPECT_EQ(batch_log_path("logs", "/cur/"), "/cur/logs/vornex.log");
    EXPECT_EQ(batch_log_path("/var/log/vx", "/cur/"), "/var/log/vx/vornex.log");
    EXPECT_EQ(batch_log_path("C:\\logs\\", "/cur/"), "/cur/C:/logs/vornex.log");
}

TEST(BatchLog, AppendsLinesAndEndsWithAnEmptyLine) {
    TempDir dir;
    dir.write("logs/vornex.log", "before\n");
    ASSERT_TRUE(open_batch_log("logs", dir.path()));
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    write_batch_log_line("/w/a.nc", now);
    write_batch_log_line("/w/b.nc", now, " - The NC data does not exist.\n");
    end_batch_log();
    EXPECT_FALSE(platform::log_is_open());
    EXPECT_EQ(dir.read("logs/vornex.log"), "before\n" + batch_log_line(local, "/w/a.nc") + "\n" +
                                               batch_log_line(local, "/w/b.nc") + " - The NC data does not exist.\n\n");
    // With the log closed nothing is written and nothing fails.
    write_batch_log_line("/w/c.nc", now);
    EXPECT_NE(dir.read("logs/vornex.log").find("b.nc"), std::string::npos);
    EXPECT_EQ(dir.read("logs/vornex.log").find("c.nc"), std::string::npos);
}

TEST(BatchLog, MissingDirectoryIsCreated) {
    TempDir dir;
    ASSERT_TRUE(open_batch_log(dir.path() + "new/deeper", dir.path()));
    end_batch_log();
    EXPECT_EQ(dir.read("new/deeper/vornex.log"), "\n");
}

}  // namespace
}  // namespace vx::shell
