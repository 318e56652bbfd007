#include "shell/run.h"

#include "support/recording_backend.h"
#include "support/run_rig.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace vx::shell {
namespace {

using testing::kRigPitch;
using testing::kRigTop;
using testing::RecordingBackend;
using testing::RunRig;

// ---- Cutting a program ----
// A run must turn the moves into exactly the cells a tool reaches: a slot of the flat D4 at Z9
// along Y10 from X5 to X25 lowers the cells within 2 mm of that segment to 9 and no others.

TEST(RunCut, SlotLowersTheCellsUnderThePath) {
    RecordingBackend backend;
    RunRig rig;
    rig.data_program("slot.nc");
    ASSERT_EQ(run_command(rig.ctx, cmd::kCutAndShow), kRunEnded);
    EXPECT_EQ(rig.ctx.state.end_code, 0);
    EXPECT_EQ(rig.ctx.state.run_mode, kModeIdle);
    for (auto [x, y] : {std::pair{15.0, 10.0}, {15.0, 11.5}, {15.0, 8.5}, {5.0, 10.0}, {3.5, 10.0}, {26.5, 10.0}})
        EXPECT_FLOAT_EQ(rig.height(x, y), 9.0f) << x << "," << y;
    for (auto [x, y] : {std::pair{15.0, 12.5}, {15.0, 7.5}, {2.0, 10.0}, {28.0, 10.0}, {35.0, 3.0}})
        EXPECT_FLOAT_EQ(rig.height(x, y), float(kRigTop)) << x << "," << y;
    EXPECT_EQ(rig.attribute(15.0, 10.0) & sim::kPenMask, sim::kPenCode[1]);
    // 20 x 4 mm plus the round ends, 92.6 mm², is about 370 cells of 0.25 mm².
    EXPECT_NEAR(rig.cut_cells(), 370, 40);
    EXPECT_EQ(rig.workpiece.modification_state, sim::kModified);
    EXPECT_NEAR(rig.time.feed_length, 23.0, 1e-9);  // the plunge and the slot
    // Run mode 3 draws nothing until the end, then the whole view once.
    EXPECT_EQ(backend.recording().step_refreshes, 0);
    EXPECT_EQ(std::count(backend.recording().redraws.begin(), backend.recording().redraws.end(),
                         platform::ViewPart::Workpiece),
              1);
}

TEST(RunCut, PathModesDrawAndNeverCut) {
    for (int command : {cmd::kToolTipPath, cmd::kCommandPath}) {
        RecordingBackend backend;
        RunRig rig;
        rig.data_program("slot.nc");
        ASSERT_EQ(run_command(rig.ctx, command), kRunEnded);
        EXPECT_EQ(rig.cut_cells(), 0);
        const auto& paths = backend.recording().paths;
        ASSERT_EQ(paths.size(), 5u);  // two rapids above, the plunge, the slot, the retract
        const platform::PathKind kind =
            command == cmd::kToolTipPath ? platform::PathKind::ToolTip : platform::PathKind::CommandPoint;
        EXPECT_TRUE(std::all_of(paths.begin(), paths.end(), [&](const auto& p) { return p.kind == kind; }));
        EXPECT_DOUBLE_EQ(paths[3].end.x, 25.0);
    }
}

// ---- Which moves are cut ----
// Moves that cannot or must not reach the workpiece are skipped before the kernel sees them.

TEST(RunCut, MovesAboveTheWorkpieceOnlyDrawTheirPath) {
    RecordingBackend backend;
    RunRig rig;
    rig.program("above.nc", "G90 G00 X5. Y10. Z12.\nG01 X30. F500.\n");
    ASSERT_EQ(run_command(rig.ctx, cmd::kSkipCut), kRunEnded);
    EXPECT_EQ(rig.cut_cells(), 0);
    ASSERT_EQ(backend.recording().paths.size(), 2u);
    EXPECT_EQ(backend.recording().paths[1].kind, platform::PathKind::Uncut);
    EXPECT_EQ(rig.ctx.state.cut_sound, kSoundAir);
}

TEST(RunCut, IgnoreG00SkipsRapidsEntirely) {
    // A rapid into material: with the rapid check off it cuts like a feed; IGNORE G00 skips it.
    const char* program = "G90 G00 X5. Y10. Z15.\nZ9.\n";
    for (bool ignore : {false, true}) {
        RecordingBackend backend;
        RunRig rig;
        rig.ctx.state.checks.rapid = sim::RapidCheck::Off;
        rig.settings.define.ignore_g00 = ignore;
        rig.program("rapid.nc", program);
        ASSERT_EQ(run_command(rig.ctx, cmd::kCutAndShow), kRunEnded);
        EXPECT_EQ(rig.height(5.0, 10.0), ignore ? float(kRigTop) : 9.0f) << ignore;
        EXPECT_TRUE(ignore ? backend.recording().paths.empty() : true);
    }
}

TEST(RunCut, MoveShorterThanTheMinimumLengthCutsNothing) {
    // A 0.3 mm plunge into the top: cut at the default minimum, nothing at 0.5 mm; the time and
    // path length count either way.
    for (double minimum : {0.0005, 0.5}) {
        RecordingBackend backend;
        RunRig rig;
        rig.ctl.min_move = minimum;
        rig.program("short.nc", "G90 G00 X5. Y10. Z10.2\nG01 Z9.9 F100.\n");
        ASSERT_EQ(run_command(rig.ctx, cmd::kCutAndShow), kRunEnded);
        EXPECT_EQ(rig.cut_cells() > 0, minimum < 0.3) << minimum;
        EXPECT_NEAR(rig.time.feed_length, 0.3, 1e-9);
    }
}

// ---- Sub-steps ----
// A move of exactly k move steps takes k kernel steps, never k + 1 from rounding; the scribing
// tool samples at least every half width.

TEST(RunCut, MoveOfKStepsTakesExactlyKSteps) {
    RecordingBackend backend;
    RunRig rig;
    rig.program("steps.nc", "G90 G00 X5. Y10. Z15.\nZ9.5\nG01 X8. F500.\n");  // 3 mm at 0.5 mm
    rig.ctx.state.checks.rapid = sim::RapidCheck::Off;
    ASSERT_EQ(run_command(rig.ctx, cmd::kRealCut), kRunEnded);
    EXPECT_EQ(rig.ctx.state.move.steps, 6);
    EXPECT_EQ(rig.ctx.state.move.step, 6);
    EXPECT_DOUBLE_EQ(rig.ctx.state.move.position.x, 8.0);
    // Run mode 1 refreshes after every step in contact: the last of the plunge, 6 of the slot.
    EXPECT_EQ(backend.recording().step_refreshes, 7);
}

TEST(RunCut, ScribingToolStepsAtHalfItsWidth) {
    RecordingBackend backend;
    RunRig rig;
    rig.settings.define.move_pitch.pitch = 1.0;
    rig.program("scribe.nc", "T3\nG90 G00 X5. Y10. Z10.\nG01 X8. F500.\n");  // 3 mm, D1: int(6 + 0.99)
    ASSERT_EQ(run_command(rig.ctx, cmd::kSkipCut), kRunEnded);
    EXPECT_EQ(rig.tool.number, 3);
    EXPECT_EQ(rig.ctx.state.move.steps, 6);
}

// ---- Fast run ----
// The whole-move step and its fallbacks must leave the workpiece as the stepped run does, to
// within the grid pitch: level lines, ramps and arcs go at once. The whole move is the limit of
// ever finer steps, so it never leaves more than the stepped run; only where a flat end mill's
// wall passes exactly over cells may the stepped run leave them whole, its positions falling
// between them (the ramp to X38: 7 positions 0.43 mm apart, the cells at its rim 0.5 apart).

TEST(RunCut, FastRunCutsLikeTheNormalRunWithinThePitch) {
    const char* program =
        "G90 G00 X5. Y10. Z15.\nT2\nG01 Z9.5 F300.\nX15. Y6. Z8.5\nG02 X25. Y6. R5.\nG01 X30. Z9.\nG00 Z15.\n"
        "T1\nX35. Y15.\nG01 Z9.\nY5.\nX38. Z9.5\nG00 Z15.\n";
    RecordingBackend backend;
    RunRig normal, fast;
    normal.program("mix.nc", program);
    fast.program("mix.nc", program);
    ASSERT_EQ(run_command(normal.ctx, cmd::kCutAndShow), kRunEnded);
    ASSERT_EQ(run_command(fast.ctx, cmd::kFastCutAndShow), kRunEnded);
    EXPECT_EQ(normal.ctx.state.end_code, 0);
    EXPECT_EQ(fast.ctx.state.end_code, 0);
    double worst = 0;
    int wall_cells = 0;
    for (std::int32_t c = 0; c < normal.workpiece.geometry.cell_count; ++c) {
        const double hn = normal.workpiece.height.data[c], hf = fast.workpiece.height.data[c];
        EXPECT_LE(hf, hn + 1e-5) << c;
        if (hn - hf > kRigPitch) ++wall_cells;
        else worst = std::max(worst, hn - hf);
    }
    EXPECT_LE(worst, kRigPitch);
    EXPECT_LE(wall_cells, 12);  // at most the two rim rows of the 3 mm ramp
    EXPECT_GT(normal.cut_cells(), 300);
    EXPECT_NEAR(fast.cut_cells(), normal.cut_cells(), normal.cut_cells() / 10);
    EXPECT_FLOAT_EQ(fast.height(20.0, 11.0), normal.height(20.0, 11.0));  // top of the arc
}

// A move the whole-move step does not cover (an arc in the XZ plane) is sampled, counted, and a
// batch run says so on stderr: the fast run must not pass a slower run off as its own.
TEST(RunCut, FastRunCountsAndNamesTheMovesItSampled) {
    const char* program = "G90 G00 X5. Y10. Z15.\nT1\nG01 Z9.5 F300.\nX15. Z9.\nG18 G02 X25. Z9. R5.\nG17 G00 Z15.\n";
    RecordingBackend backend;
    RunRig rig;
    rig.program("mix.nc", program);
    rig.ctx.batch_level = kBatchLogLevel;
    ::testing::internal::CaptureStderr();
    ASSERT_EQ(run_command(rig.ctx, cmd::kFastCutAndShow), kRunEnded);
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(rig.ctx.state.sampled_moves, 1);
    EXPECT_EQ(rig.ctx.state.whole_moves, 3);  // the plunge, the ramp and the retract out of the material
    EXPECT_NE(err.find("fast run: 1 of 4 cut moves were sampled in steps (not covered by the whole-move step)\n"),
              std::string::npos)
        << err;
}

}  // namespace
}  // namespace vx::shell
