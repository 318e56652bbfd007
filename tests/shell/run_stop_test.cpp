#include "shell/run.h"

#include "support/recording_backend.h"
#include "support/run_rig.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

namespace vx::shell {
namespace {

using testing::RecordingBackend;
using testing::RunRig;

// ---- Stop modes in a run ----
// The run stops before the block, keeps it pending and executes it on the next run command.

std::vector<int> stops_of(int stop_mode) {
    RecordingBackend backend;
    RunRig rig;
    rig.ctl.stop_characters = {"X7"};
    rig.data_program("stops.nc");
    set_stop_mode(rig.ctx, cmd::kStopModeFirst + stop_mode);
    std::vector<int> lines;
    int result = run_command(rig.ctx, cmd::kSkipCut);
    while (result == kRunSuspended && lines.size() < 50) {
        lines.push_back(rig.reader.line_number);
        EXPECT_TRUE(rig.ctx.state.suspended);
        EXPECT_EQ(backend.recording().timers.at(kSuspendTimer), 500);
        result = run_command(rig.ctx, cmd::kSkipCut);
    }
    EXPECT_EQ(result, kRunEnded);
    EXPECT_FALSE(rig.ctx.state.suspended);
    EXPECT_TRUE(backend.recording().timers.empty());
    EXPECT_DOUBLE_EQ(rig.interp.modal.position.x, 10.0) << "every block ran, the stop blocks too";
    return lines;
}

TEST(RunStopModes, StopBeforeTheirBlocks) {
    EXPECT_EQ(stops_of(0), std::vector<int>{});
    EXPECT_EQ(stops_of(1), std::vector<int>{4});                 // M08 M00
    EXPECT_EQ(stops_of(2), (std::vector<int>{4, 8}));            // and M01
    EXPECT_EQ(stops_of(3), (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}));
    EXPECT_EQ(stops_of(4), std::vector<int>{5});                 // "X7"
}

TEST(RunStopModes, ContinuationTakesTheModeOfItsCommand) {
    RecordingBackend backend;
    RunRig rig;
    rig.data_program("stops.nc");
    set_stop_mode(rig.ctx, cmd::kStopModeFirst + 2);
    ASSERT_EQ(run_command(rig.ctx, cmd::kSkipCut), kRunSuspended);
    EXPECT_EQ(rig.ctx.state.run_mode, kModeSkipCut);
    EXPECT_EQ(run_command(rig.ctx, cmd::kFastCutAndShow), kRunSuspended);
    EXPECT_EQ(rig.ctx.state.run_mode, kModeCutShow);
    EXPECT_TRUE(rig.ctx.state.fast_run);
    EXPECT_EQ(run_tick(rig.ctx), 0);  // no continuation awaited: the tick only blinks
    EXPECT_EQ(run_key_go(rig.ctx), cmd::kFastCutAndShow);
    EXPECT_EQ(backend.recording().stop_panel.back(), "\tGO");
    EXPECT_EQ(run_command(rig.ctx, cmd::kRealCut), kRunEnded);
}

// ---- Stop key and escape ----
// Keys count only while the window is in the foreground; an optimise run ignores a stop request.

TEST(RunKeys, StopKeySuspendsUnlessOptimisingOrInTheBackground) {
    struct Case {
        int command;
        bool foreground;
        int expected;
    };
    for (const Case& c : {Case{cmd::kCutAndShow, true, kRunSuspended}, Case{cmd::kOptimise, true, kRunEnded},
                          Case{cmd::kCutAndShow, false, kRunEnded}}) {
        RecordingBackend backend;
        backend.recording().down = {platform::Key::Control};
        backend.recording().foreground = c.foreground;
        RunRig rig;
        rig.data_program("slot.nc");
        EXPECT_EQ(run_command(rig.ctx, c.command), c.expected) << c.command << " " << c.foreground;
    }
}

TEST(RunKeys, EscapeEndsTheRunAndWhileSuspendedToo) {
    RecordingBackend backend;
    RunRig rig;
    rig.data_program("slot.nc");
    // Escape held from the third poll on: the run ends before it has cut anything.
    int polls = 0;
    backend.recording().key_down = [&](platform::Key k) { return k == platform::Key::Escape && ++polls >= 3; };
    ASSERT_EQ(run_command(rig.ctx, cmd::kRealCut), kRunEnded);
    EXPECT_TRUE(rig.ctx.state.escaped);
    EXPECT_FALSE(rig.ctx.state.escape_exit);  // not a batch
    EXPECT_EQ(rig.cut_cells(), 0);

    backend.recording().key_down = nullptr;
    set_stop_mode(rig.ctx, cmd::kStopModeFirst + 3);
    ASSERT_EQ(run_command(rig.ctx, cmd::kRealCut), kRunSuspended);
    EXPECT_FALSE(rig.ctx.state.escaped);
    EXPECT_EQ(run_key_escape(rig.ctx), 1);
    EXPECT_FALSE(rig.ctx.state.suspended);
    EXPECT_EQ(rig.ctx.state.run_mode, kModeIdle);
    EXPECT_EQ(backend.recording().stop_panel.back(), "\tESC");
    EXPECT_EQ(run_key_escape(rig.ctx), 0);
    EXPECT_EQ(run_command(rig.ctx, cmd::kRealCut), kRunSuspended) << "a new run starts from the first block";
    EXPECT_EQ(rig.reader.line_number, 1);
}

// ---- Unattended runs ----
// Nobody can continue a batch run: stop modes do not suspend it.

TEST(RunKeys, BatchRunNeverSuspends) {
    RecordingBackend backend;
    RunRig rig;
    rig.ctx.batch_level = 5;
    rig.data_program("stops.nc");
    set_stop_mode(rig.ctx, cmd::kStopModeFirst + 3);
    EXPECT_EQ(run_command(rig.ctx, cmd::kSkipCut), kRunEnded);
}

// ---- Wait M-codes ----
// At a listed M code the run writes the wait file and waits; another program deleting it lets
// the suspension timer post the run command again.

TEST(RunWait, ContinuesWhenTheWaitFileIsDeleted) {
    RecordingBackend backend;
    RunRig rig;
    rig.ctl.wait_m_codes = {nc::WaitMCode{100, "probe.wait"}};
    rig.program("wait.nc", "G90 G00 X5. Y10. Z15.\nM100\nG00 X7.\nG00 X8.\n");
    ASSERT_EQ(run_command(rig.ctx, cmd::kCutAndShow), kRunSuspended);
    const std::string wait_file = rig.dir.path() + "probe.wait";
    EXPECT_TRUE(std::filesystem::exists(wait_file));
    EXPECT_TRUE(rig.ctx.state.continue_pending);
    EXPECT_EQ(rig.reader.line_number, 3) << "the block after the M code waits";
    EXPECT_EQ(suspend_interval_ms(rig.ctx), 100);
    EXPECT_EQ(backend.recording().timers.at(kSuspendTimer), 100);
    EXPECT_EQ(run_key_go(rig.ctx), 0) << "G does not override an awaited continuation";
    EXPECT_EQ(run_tick(rig.ctx), 0);
    EXPECT_EQ(run_tick(rig.ctx) + run_tick(rig.ctx), 0);
    std::filesystem::remove(wait_file);
    const int command = run_tick(rig.ctx);
    EXPECT_EQ(command, cmd::kCutAndShow);
    EXPECT_FALSE(rig.ctx.state.continue_pending);
    EXPECT_EQ(backend.recording().timers.count(kSuspendTimer), 0u);
    EXPECT_EQ(run_command(rig.ctx, command), kRunEnded);
    EXPECT_DOUBLE_EQ(rig.interp.modal.position.x, 8.0);
}

// ---- Interference pause ----
// A pause mode lets the move finish, writes the entry and stops before the next block.

TEST(RunWait, RapidInterferenceInPauseModeSuspends) {
    RecordingBackend backend;
    RunRig rig;
    rig.ctx.state.checks.rapid = sim::RapidCheck::Pause;
    rig.program("pause.nc", "G90 G00 X5. Y10. Z15.\nZ9.\nG01 X8. F300.\n");
    ASSERT_EQ(run_command(rig.ctx, cmd::kCutAndShow), kRunSuspended);
    EXPECT_EQ(rig.ctx.state.pause_reason, PauseReason::Interference);
    EXPECT_EQ(rig.reader.line_number, 3);
    EXPECT_EQ(rig.dir.read("interference.txt"),
              "<<< INTERFERENCE INFORMATION >>>\n-------------- (pause.nc)\nRAPID(G00)\n2:Z9.");
    EXPECT_EQ(run_command(rig.ctx, cmd::kCutAndShow), kRunEnded);
    EXPECT_EQ(rig.ctx.state.end_code, 0);
    EXPECT_FLOAT_EQ(rig.height(8.0, 10.0), 9.0f);
}

// A move whose pause-mode interference is followed by an overload ends the run, and the
// interference found before still gets its entry.
TEST(RunWait, PauseModeEntryIsWrittenWhenAnOverloadEndsTheMove) {
    RecordingBackend backend;
    RunRig rig;
    rig.ctx.state.checks.rapid = sim::RapidCheck::Pause;
    rig.program("heavy.nc", "T5\nG90 G00 X5. Y10. Z15.\nX20. Z9.\n");
    ASSERT_EQ(run_command(rig.ctx, cmd::kCutAndShow), kRunEnded);
    EXPECT_EQ(rig.ctx.state.end_code, 7);
    EXPECT_EQ(rig.dir.read("interference.txt"),
              "<<< INTERFERENCE INFORMATION >>>\n-------------- (heavy.nc)\nRAPID(G00)\n3:X20. Z9.");
}

}  // namespace
}  // namespace vx::shell
