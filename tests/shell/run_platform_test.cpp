#include "platform/platform.h"
#include "shell/run.h"

#include "support/recording_backend.h"
#include "support/run_rig.h"

#include <gtest/gtest.h>

namespace vx::shell {
namespace {

using testing::RecordingBackend;
using testing::RunRig;

// ---- What the run asks of the platform ----
// The headless backend must never block or report a key: a batch run would stop or end on a
// key nobody pressed. The pump is rate-limited so that a run does not spend its time in it.

TEST(RunPlatform, HeadlessKeysAreUpAndSoundsAreOnlyCounted) {
    platform::install(platform::headless_backend());
    EXPECT_FALSE(platform::key_down(platform::Key::Escape));
    EXPECT_FALSE(platform::window_in_foreground());
    const std::int64_t before = platform::headless_sounds().count;
    platform::play_sound("cutting1.wav", platform::SoundMode::Loop);
    platform::play_system_sound("SystemHand");
    EXPECT_EQ(platform::headless_sounds().count, before + 2);
    EXPECT_EQ(platform::headless_sounds().last, "SystemHand");
    platform::redraw(platform::ViewPart::Workpiece);  // nothing to draw on, nothing happens
    platform::pump_messages();
    platform::start_timer(kSuspendTimer, 500);
}

TEST(RunPlatform, PumpRunsAtMostEveryInterval) {
    RecordingBackend backend;
    platform::pump_messages();
    platform::pump_messages();
    platform::pump_messages();
    EXPECT_LE(backend.recording().pumps, 1);
}

TEST(RunPlatform, ProgressCountsLinesAndMoves) {
    RecordingBackend backend;
    RunRig rig;
    rig.ctx.progress_display = true;
    rig.data_program("slot.nc");
    ASSERT_EQ(run_command(rig.ctx, cmd::kSkipCut), kRunEnded);
    ASSERT_EQ(backend.recording().progress_titles.size(), 1u);
    EXPECT_EQ(backend.recording().last_progress, 8);  // every line of the file was read
    EXPECT_EQ(backend.recording().last_progress_moves, 5);
}

}  // namespace
}  // namespace vx::shell
