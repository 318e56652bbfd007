#include "shell/run.h"

#include "platform/language.h"
#include "platform/log.h"
#include "support/recording_backend.h"
#include "sim/kernel_fixture.h"
#include "support/run_rig.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace vx::shell {
namespace {

using testing::kRigTop;
using testing::RecordedSound;
using testing::RecordingBackend;
using testing::RunRig;

using testing::Language;
using R = sim::RapidCheck;
using A = sim::ArborCheck;
using L = sim::LengthCheck;

using sim::testing::checks_of;

// ---- Needed-value files ----
// The file name follows NAMING MODE(LENGTH) and, when not set, the compute mode and the
// language; a wrong name would scatter results over the user's folders.

TEST(RunNeededValues, FileNamesByNamingModeAndLanguage) {
    Settings s;
    const std::string nc = "/jobs/part.a.nc";
    struct Case {
        sim::Checks checks;
        const char* en;
        const char* ja;
    };
    const Case cases[] = {
        {checks_of(R::Abort, A::Compute, L::Compute, L::Compute), "/work/length.txt", "/work/突出し長.txt"},
        {checks_of(R::Abort, A::Abort, L::Compute, L::Compute), "/work/height.txt", "/work/有効刃長.txt"},
        {checks_of(R::Abort, A::Abort, L::Off, L::Compute), "/work/chip-w.txt", "/work/チップ幅.txt"},
    };
    for (const Case& c : cases) {
        {
            Language english(true);
            EXPECT_EQ(needed_value_path(s, c.checks, nc, "/work/"), c.en);
        }
        Language japanese(false);
        EXPECT_EQ(needed_value_path(s, c.checks, nc, "/work/"), c.ja);
    }
    Language english(true);
    const sim::Checks none = checks_of(R::Abort, A::Abort, L::Off, L::Off);
    EXPECT_EQ(needed_value_path(s, none, nc, "/work/"), "") << "no compute mode, no file";
    s.output.length_dir = "needed/";
    EXPECT_EQ(needed_value_path(s, cases[2].checks, nc, "/work/"), "/work/needed/chip-w.txt");
    s.output.length_naming = LengthNaming::Fixed;
    EXPECT_EQ(needed_value_path(s, cases[2].checks, nc, "/work/"), "/work/needed/length.txt");
    s.output.length_naming = LengthNaming::Auto;
    EXPECT_EQ(needed_value_path(s, cases[2].checks, nc, "/work/"), "/jobs/part.a_length.txt");
    EXPECT_EQ(needed_value_path(s, cases[2].checks, "/jobs.v2/part", "/work/"), "/jobs.v2/part_length.txt");
}

TEST(RunNeededValues, RunWritesThePathAndOneLinePerTool) {
    Language english(true);
    RecordingBackend backend;
    RunRig rig;
    rig.ctx.state.checks.height = sim::LengthCheck::Compute;
    rig.settings.output.length_dir = "out/sub/";  // made when missing
    rig.program("two.nc", "G90 G00 X5. Y10. Z15.\nG01 Z9. F300.\nG00 Z15.\nT2\nG01 Z8. F300.\n");
    ASSERT_EQ(run_command(rig.ctx, cmd::kRealCut), kRunEnded);
    const std::string text = rig.dir.read("out/sub/height.txt");
    EXPECT_EQ(text, rig.ctx.nc_path + "\nT01:Flat End mill:Height=   1.500\nT02:Ball End mill:Height=   2.000\n");
    ASSERT_EQ(backend.recording().opened.size(), 1u);
    EXPECT_EQ(backend.recording().opened[0], rig.dir.path() + "out/sub/height.txt");
}

TEST(RunNeededValues, UnwritableFolderShowsWriteProtect) {
    Language english(true);
    RecordingBackend backend;
    RunRig rig;
    rig.ctx.state.checks.arbor = sim::ArborCheck::Compute;
    rig.settings.output.length_dir = "/proc/vornex-no/";
    rig.data_program("slot.nc");
    ASSERT_EQ(run_command(rig.ctx, cmd::kCutAndShow), kRunEnded);
    ASSERT_EQ(backend.recording().messages.size(), 1u);
    EXPECT_EQ(backend.recording().messages[0].title, "/proc/vornex-no/length.txt");
    EXPECT_EQ(backend.recording().messages[0].body, "Write protect");
    EXPECT_GT(rig.cut_cells(), 0) << "the run goes on without the file";
}

// ---- End codes and the end message ----
// One message per run, in the batch log as "(line) - text" after the run's time-stamped line.

struct BatchLog {
    const testing::TempDir& dir;
    explicit BatchLog(const testing::TempDir& d) : dir(d) { platform::log_open(d.path() + "vornex.log"); }
    ~BatchLog() { platform::log_close(); }
    // The log without its first, time-stamped line.
    std::string messages() const {
        const std::string all = dir.read("vornex.log");
        return all.substr(all.find('\n') + 1);
    }
};

TEST(RunEnd, RapidInterferenceEndsWithCodeOneInTheLog) {
    Language english(true);
    RecordingBackend backend;
    RunRig rig;
    rig.ctx.batch_level = 5;
    BatchLog log(rig.dir);
    rig.program("crash.nc", "G90 G00 X5. Y10. Z15.\nZ9.\nG01 X20. F300.\n");
    ASSERT_EQ(run_command(rig.ctx, cmd::kCutAndShow), kRunEnded);
    EXPECT_EQ(rig.ctx.state.end_code, 1);
    const std::string all = rig.dir.read("vornex.log");
    EXPECT_NE(all.find("：" + rig.ctx.nc_path + "\n"), std::string::npos);
    EXPECT_EQ(log.messages(), "(2) - The tool was dameged. (G00 interference)\n");
    EXPECT_TRUE(backend.recording().messages.empty());
    // The rapid steps down 0.5 mm at a time: the first step into the top interferes and is cut.
    EXPECT_FLOAT_EQ(rig.height(5.0, 10.0), 9.5f) << "the interfering step was cut";
    EXPECT_FLOAT_EQ(rig.height(15.0, 10.0), float(kRigTop)) << "the next move was not";
}

TEST(RunEnd, AlarmAndOverloadChooseTheirCodes) {
    Language english(true);
    {
        RecordingBackend backend;
        RunRig rig;
        rig.ctl.r_tolerance = 0.01f;  // the arc's end lies 1 mm off its circle
        rig.program("arc.nc", "G90 G00 X5. Y10. Z15.\nG02 X15. Y10. I4. J0. F300.\n");
        ASSERT_EQ(run_command(rig.ctx, cmd::kCutAndShow), kRunEnded);
        EXPECT_EQ(rig.ctx.state.end_code, 101);
        ASSERT_EQ(backend.recording().messages.size(), 1u);
        EXPECT_EQ(backend.recording().messages[0].body, rig.ctx.nc_path);
    }
    {
        RecordingBackend backend;
        RunRig rig;
        rig.program("heavy.nc", "T5\nG90 G00 X5. Y10. Z15.\nG01 Z9. F300.\nX20.\n");
        ASSERT_EQ(run_command(rig.ctx, cmd::kCutAndShow), kRunEnded);
        EXPECT_EQ(rig.ctx.state.end_code, 7);
        ASSERT_EQ(backend.recording().messages.size(), 1u);
        EXPECT_EQ(backend.recording().messages[0].title.rfind("Too heavy Cutting. Tool was dameged.", 0), 0u);
    }
}

TEST(RunEnd, NormalEndShowsNoMessage) {
    RecordingBackend backend;
    RunRig rig;
    rig.ctx.batch_level = 5;
    BatchLog log(rig.dir);
    rig.data_program("slot.nc");
    ASSERT_EQ(run_command(rig.ctx, cmd::kCutAndShow), kRunEnded);
    EXPECT_EQ(rig.ctx.state.end_code, 0);
    EXPECT_EQ(log.messages(), "");
}

// BOTTOM FILTER "YES" raises what lies below the work bottom at the end of every run; "ON" only
// filters loaded files and leaves the run's result alone.
TEST(RunEnd, BottomFilterYesRaisesCellsBelowTheBottomAfterTheRun) {
    for (const auto mode : {BottomFilter::Always, BottomFilter::OnImport}) {
        RecordingBackend backend;
        RunRig rig;
        rig.settings.dmf.bottom_filter = mode;
        rig.workpiece.work_bottom = 2.0;
        rig.workpiece.height.data[rig.cell(30, 15)] = 1.0f;  // a pit below the bottom
        rig.data_program("slot.nc");
        ASSERT_EQ(run_command(rig.ctx, cmd::kCutAndShow), kRunEnded);
        EXPECT_EQ(rig.height(30, 15), mode == BottomFilter::Always ? 2.0f : 1.0f);
        EXPECT_EQ(rig.height(35, 15), float(testing::kRigTop));  // above the bottom: unchanged
    }
}

TEST(RunEnd, MissingNcFileRunsNothingAndSaysSo) {
    // The file vanished after it was selected: no cut, no success, one message naming it.
    RecordingBackend backend;
    RunRig rig;
    rig.ctx.nc_path = rig.dir.path() + "gone.nc";
    EXPECT_EQ(run_command(rig.ctx, cmd::kCutAndShow), kRunNotOpened);
    ASSERT_EQ(backend.recording().messages.size(), 1u);
    EXPECT_EQ(backend.recording().messages[0].title, rig.ctx.nc_path);
    EXPECT_EQ(rig.ctx.state.run_mode, kModeIdle);
    EXPECT_FALSE(rig.ctx.state.running);
    rig.ctx.nc_path.clear();
    EXPECT_EQ(run_command(rig.ctx, cmd::kCutAndShow), kRunIgnored) << "no NC program selected";
    EXPECT_EQ(run_command(rig.ctx, 32779), kRunIgnored) << "not a run command";
}

TEST(RunEnd, EscapeInABatchMarksTheExitCode) {
    RecordingBackend backend;
    backend.recording().down = {platform::Key::Escape};
    RunRig rig;
    rig.ctx.batch_level = 5;
    rig.data_program("slot.nc");
    ASSERT_EQ(run_command(rig.ctx, cmd::kCutAndShow), kRunEnded);
    EXPECT_TRUE(rig.ctx.state.escape_exit);
    rig.ctx.batch_level = 4;
    ASSERT_EQ(run_command(rig.ctx, cmd::kCutAndShow), kRunEnded);
    EXPECT_FALSE(rig.ctx.state.escape_exit);
}

TEST(RunEnd, ToolLimitLogGetsItsToolLines) {
    RecordingBackend backend;
    RunRig rig;
    rig.program("logged.nc", "T4\nG90 G00 X5. Y10. Z15.\nG01 Z9. F300.\nX8.\n");
    ASSERT_EQ(run_command(rig.ctx, cmd::kCutAndShow), kRunEnded);
    EXPECT_EQ(rig.ctx.state.end_code, 0) << "a logged limit never stops the run";
    const std::string log = rig.dir.read("limitp.txt");
    EXPECT_EQ(log.rfind("T04\n3:X5.000000Y10.000000Z9.500000:", 0), 0u) << log;
    ASSERT_FALSE(backend.recording().opened.empty());
    EXPECT_EQ(backend.recording().opened.back(), rig.dir.path() + "limitp.txt");
}

// ---- Sounds ----
// A tool change plays its sound to the end and restarts the air loop; a normal end of a cutting
// run plays the tool-change sound; an interference end the system sound and "pokin".

TEST(RunSounds, ToolChangeContactAndEnd) {
    using platform::SoundMode;
    RecordingBackend backend;
    RunRig rig;
    rig.ctx.sound = true;
    rig.program("sound.nc", "G90 G00 X5. Y10. Z15.\nT2\nG01 Z9. F300.\nG00 Z15.\n");
    ASSERT_EQ(run_command(rig.ctx, cmd::kSkipCut), kRunEnded);
    const std::vector<RecordedSound> expected{
        {"aircut1.wav", SoundMode::Loop},   // the first rapid leaves the cutting state
        {"toolchg.wav", SoundMode::Sync},  {"aircut1.wav", SoundMode::Loop},  // T2
        {"cutting1.wav", SoundMode::Loop},  // the plunge reaches the top; its air steps keep the air loop
        {"aircut1.wav", SoundMode::Loop},   // the retract
        {"toolchg.wav", SoundMode::Sync},   // the end
    };
    EXPECT_EQ(backend.recording().sounds, expected);
}

TEST(RunSounds, InterferenceEndAndSilentModes) {
    using platform::SoundMode;
    RecordingBackend backend;
    RunRig rig;
    rig.ctx.sound = true;
    rig.program("crash.nc", "G90 G00 X5. Y10. Z15.\nZ9.\n");
    ASSERT_EQ(run_command(rig.ctx, cmd::kCutAndShow), kRunEnded);  // mode 3 plays no machining sound
    EXPECT_EQ(rig.ctx.state.end_code, 1);
    const std::vector<RecordedSound> expected{{"SystemHand", SoundMode::Async, true}, {"pokin.wav", SoundMode::Async}};
    EXPECT_EQ(backend.recording().sounds, expected);
}

// ---- Backup ----
// The C key returns the workpiece to its state before the last run, with the tool of that time.

TEST(RunBackup, RestoreGivesThePreRunHeights) {
    RecordingBackend backend;
    RunRig rig;
    rig.program("cut.nc", "G90 G00 X5. Y10. Z15.\nT2\nG01 Z9. F300.\nX25.\n");
    ASSERT_EQ(run_command(rig.ctx, cmd::kCutAndShow), kRunEnded);
    EXPECT_GT(rig.cut_cells(), 0);
    EXPECT_EQ(rig.tool.number, 2);
    ASSERT_EQ(restore_run_backup(rig.ctx), 1);
    EXPECT_EQ(rig.cut_cells(), 0);
    EXPECT_EQ(rig.tool.number, 1);
    EXPECT_EQ(rig.tools.current_tool, 1);
    // Path runs take no backup: the C key still returns to the state before the last cut.
    ASSERT_EQ(take_run_backup(rig.ctx), 1);
    rig.workpiece.height.data[0] = 1.0f;
    ASSERT_EQ(run_command(rig.ctx, cmd::kToolTipPath), kRunEnded);
    ASSERT_EQ(restore_run_backup(rig.ctx), 1);
    EXPECT_EQ(rig.cut_cells(), 0);
}

// ---- Title ----
// The title carries the files, the run state and the check modes in both languages.

TEST(RunTitle, TextsInBothLanguages) {
    RecordingBackend backend;
    RunRig rig;
    rig.ctx.state.checks = checks_of(R::Pause, A::Pause, L::Compute, L::Pause);
    {
        Language english(true);
        EXPECT_EQ(run_title(rig.ctx), "RUN TEST MACHINE - Not Selected(run,run,run) Pen ColorCheck-SSOS");
        rig.data_program("stops.nc");
        rig.ctx.workpiece_file = "/w/box.dmf";
        rig.settings.define.colour_by_pen = false;
        rig.ctx.display_skip = 3;
        rig.ctx.state.suspended = rig.ctx.state.blink = true;
        rig.ctx.state.pause_reason = PauseReason::Interference;
        EXPECT_EQ(run_title(rig.ctx),
                  "RUN TEST MACHINE - stops.nc/box.dmf(run,run,run) Cut Color/Skip:2 --- INTERFERENCE! (G or ESC)"
                  "Check-SSOS");
        rig.ctx.state.continue_pending = true;
        rig.ctx.state.wait_m = 100;
        EXPECT_EQ(run_title(rig.ctx), "RUN TEST MACHINE - M100Check-SSOS");
    }
    Language japanese(false);
    rig.ctx.state.continue_pending = false;
    rig.ctx.state.pause_reason = PauseReason::Stop;
    rig.ctx.state.checks = checks_of(R::Off, A::Cut, L::Off, L::Abort);
    EXPECT_EQ(run_title(rig.ctx),
              "RUN TEST MACHINE - stops.nc/box.dmf(run,run,run) 方向色/粗さ:2 --- 停止中! (G or ESC) 干渉チェック-NCNY");
}

}  // namespace
}  // namespace vx::shell
