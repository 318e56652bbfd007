#include "sim/interference.h"

#include "kernel_fixture.h"
#include "platform/language.h"
#include "platform/log.h"
#include "support/recording_backend.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace vx::sim {
namespace {

class Language {
public:
    explicit Language(bool english) { platform::set_english(english); }
    ~Language() { platform::set_english(was); }

private:
    bool was = platform::english();
};

using R = RapidCheck;
using A = ArborCheck;
using L = LengthCheck;
using S = SpindleCheck;

using testing::checks_of;

StepFlags holder_and_length() {
    StepFlags f;
    f.holder = true;
    f.length = true;
    return f;
}

bool exists(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f) std::fclose(f);
    return f != nullptr;
}

// ---- Message table ----
// Every message is shown to the user as written, in both languages; the variants of codes 1, 7
// and 10 must follow their detail.

TEST(InterferenceMessages, EnglishTexts) {
    Language english(true);
    const AlarmDetail none;
    EXPECT_EQ(alarm_message(1, none), "The tool was dameged. (G00 interference)");
    EXPECT_EQ(alarm_message(1, {true, kStepGeneral, false}), "G00 interference or it's possible");
    EXPECT_EQ(alarm_message(2, none), "Arbor interfered.");
    EXPECT_EQ(alarm_message(3, none), "Cut in an invalid part of tool length.");
    EXPECT_EQ(alarm_message(4, none), "Cut in an invalid part of bottom.");
    EXPECT_EQ(alarm_message(5, none), "Tool side (*tapa*) interfered.");
    EXPECT_EQ(alarm_message(6, none), "RAPID Interference(Too fast Feedrate).");
    EXPECT_EQ(alarm_message(7, {false, kStepVertical, false}), "Too heavy Cutting. Tool was dameged.(Vertical-Cut)");
    EXPECT_EQ(alarm_message(7, {false, kStepUpCut, false}), "Too heavy Cutting. Tool was dameged.(Up-Cut)");
    EXPECT_EQ(alarm_message(7, {false, kStepDownCut, false}), "Too heavy Cutting. Tool was dameged.(Down-Cut)");
    EXPECT_EQ(alarm_message(7, {false, kStepGeneral, false}), "Too heavy Cutting. Tool was dameged.(General-Cut)");
    EXPECT_EQ(alarm_message(8, none), "Attachment interfered");
    EXPECT_EQ(alarm_message(9, none), "Spindle Stop");
    EXPECT_EQ(alarm_message(10, {false, kStepGeneral, true}), "Low Spindle Speed");
    EXPECT_EQ(alarm_message(10, {false, kStepGeneral, false}), "Over Spindle Speed");
}

TEST(InterferenceMessages, JapaneseTexts) {
    Language japanese(false);
    const AlarmDetail none;
    EXPECT_EQ(alarm_message(1, none), "工具が破損しました(G00干渉)");
    EXPECT_EQ(alarm_message(1, {true, kStepGeneral, false}), "G00干渉、もしくはその可能性があります");
    EXPECT_EQ(alarm_message(2, none), "工具保持具が干渉しました");
    EXPECT_EQ(alarm_message(3, none), "有効刃長を越えて切削しました");
    EXPECT_EQ(alarm_message(4, none), "内径の無効部分で切削しました");
    EXPECT_EQ(alarm_message(5, none), "工具側テーパ部が干渉しました");
    EXPECT_EQ(alarm_message(6, none), "早送り干渉(送り速度が速すぎます)");
    EXPECT_EQ(alarm_message(7, {false, kStepVertical, false}), "工具が過負荷で破損しました(垂直加工部)");
    EXPECT_EQ(alarm_message(7, {false, kStepUpCut, false}), "工具が過負荷で破損しました(アップカット部)");
    EXPECT_EQ(alarm_message(7, {false, kStepDownCut, false}), "工具が過負荷で破損しました(ダウンカット部)");
    EXPECT_EQ(alarm_message(7, {false, kStepGeneral, false}), "工具が過負荷で破損しました(全面加工部)");
    EXPECT_EQ(alarm_message(8, none), "アタッチメントが干渉しました");
    EXPECT_EQ(alarm_message(9, none), "主軸回転停止中に干渉しました");
    EXPECT_EQ(alarm_message(10, {false, kStepGeneral, true}), "主軸回転数が指定範囲より少ないです");
    EXPECT_EQ(alarm_message(10, {false, kStepGeneral, false}), "主軸回転数が指定範囲を超えています");
}

TEST(InterferenceMessages, OtherCodesHaveNoText) {
    EXPECT_EQ(alarm_message(0, {}), "");
    EXPECT_EQ(alarm_message(11, {}), "");
    EXPECT_EQ(alarm_message(101, {}), "");
}

// ---- Showing an alarm ----
// The message goes in the title bar over the NC path; during a batch it goes to the log with the
// NC line in front instead of a box nobody can close.

TEST(InterferenceShow, BoxIsTitledWithTheMessage) {
    Language english(true);
    vx::testing::RecordingBackend backend;
    show_alarm(2, {}, "/home/user/nc/part.nc", 40);
    ASSERT_EQ(backend.recording().messages.size(), 1u);
    EXPECT_EQ(backend.recording().messages[0].title, "Arbor interfered.");
    EXPECT_EQ(backend.recording().messages[0].body, "/home/user/nc/part.nc");
}

TEST(InterferenceShow, LogModeWritesTheLineNumberAndMessage) {
    Language english(true);
    vx::testing::TempDir dir;
    vx::testing::RecordingBackend backend;
    ASSERT_TRUE(platform::log_open(dir.path() + "vornex.log"));
    show_alarm(7, {false, kStepUpCut, false}, "/nc/part.nc", 57);
    platform::log_close();
    EXPECT_TRUE(backend.recording().messages.empty());
    EXPECT_EQ(dir.read("vornex.log"), "(57) - Too heavy Cutting. Tool was dameged.(Up-Cut)\n");
}

// ---- Flags and alarm codes ----
// A rapid flag must be told apart from a too-fast feed, a feedrate setting of 0 must not turn
// every feed into a rapid, and each kind must map to its own alarm code.

TEST(InterferenceFlags, RapidMoveAndTooFastFeedAreToldApart) {
    SweepResult r;
    r.rapid_interference = true;
    Checks m = checks_of(R::Abort, A::Ignore, L::Off, L::Off);
    m.rapid_feedrate = 5000;
    EXPECT_EQ(step_kinds(step_flags(r, m, kMotionRapid, 0, SpindleEvent::None)), kKindRapid);
    EXPECT_EQ(step_kinds(step_flags(r, m, kMotionLinear, 5000, SpindleEvent::None)), kKindTooFast);
    EXPECT_EQ(step_kinds(step_flags(r, m, kMotionLinear, 4999, SpindleEvent::None)), 0u);
    const Checks off = checks_of(R::Off, A::Ignore, L::Off, L::Off);
    EXPECT_EQ(step_kinds(step_flags(r, off, kMotionRapid, 0, SpindleEvent::None)), 0u);  // check off
}

TEST(InterferenceFlags, FeedrateSettingOfZeroMakesNoFeedRapid) {
    SweepResult r;
    r.rapid_interference = true;  // what the kernel raises for any feed when the setting is 0
    Checks m = checks_of(R::Abort, A::Ignore, L::Off, L::Off);
    m.rapid_feedrate = 0;
    EXPECT_FALSE(step_flags(r, m, kMotionLinear, 100, SpindleEvent::None).rapid);
    EXPECT_TRUE(step_flags(r, m, kMotionRapid, 0, SpindleEvent::None).rapid);
    EXPECT_FALSE(rapid_class(kMotionArcCw, 1e12, -1));
}

TEST(InterferenceFlags, EachKindHasItsAlarmCode) {
    EXPECT_EQ(kind_alarm_code(kKindRapid), 1);
    EXPECT_EQ(kind_alarm_code(kKindArbor), 2);
    EXPECT_EQ(kind_alarm_code(kKindLength), 3);
    EXPECT_EQ(kind_alarm_code(kKindChip), 4);
    EXPECT_EQ(kind_alarm_code(kKindTaper), 5);
    EXPECT_EQ(kind_alarm_code(kKindTooFast), 6);
    EXPECT_EQ(kind_alarm_code(kKindAttachment), 8);
    EXPECT_EQ(kind_alarm_code(kKindSpindle), 9);
    EXPECT_EQ(kind_alarm_code(kKindLowSpindle), 10);
    EXPECT_EQ(kind_alarm_code(kKindOverSpindle), 10);
    EXPECT_EQ(kind_alarm_code(0), 0);
}

TEST(InterferenceFlags, KindsAreJoinedInTheFixedOrder) {
    EXPECT_EQ(kind_list(kKindLength | kKindArbor), "ARBOR + OVER LENGTH");
    EXPECT_EQ(kind_list(0x3FF),
              "RAPID(G00) + ARBOR + OVER LENGTH + OVER CHIP + TAPER + TOO FAST + ATTATCHMENT + SPINDLE + "
              "LOW SPINDLE + OVER SPINDLE");
}

TEST(InterferenceFlags, MergedMoveKeepsEveryFlag) {
    StepFlags move;
    StepFlags a;
    a.taper = true;
    StepFlags b;
    b.rapid = b.rapid_move = true;
    b.spindle = SpindleEvent::Low;
    merge_flags(move, a);
    merge_flags(move, b);
    EXPECT_EQ(step_kinds(move), kKindTaper | kKindRapid | kKindLowSpindle);
    EXPECT_TRUE(any_flag(move));
    EXPECT_FALSE(any_flag(StepFlags{}));
}

// ---- Spindle events ----
// Only a step that cut can be a spindle event; the range is checked only when it was given.

TEST(InterferenceSpindle, EventsOfACuttingStep) {
    Checks m = checks_of(R::Off, A::Ignore, L::Off, L::Off, S::Abort);
    m.spindle_range = true;
    m.spindle_min = 1000;
    m.spindle_max = 8000;
    EXPECT_EQ(spindle_event(m, true, 3000, 0), SpindleEvent::Stopped);
    EXPECT_EQ(spindle_event(m, true, 0, 1), SpindleEvent::Stopped);
    EXPECT_EQ(spindle_event(m, true, 500, 1), SpindleEvent::Low);
    EXPECT_EQ(spindle_event(m, true, 9000, -1), SpindleEvent::Over);
    EXPECT_EQ(spindle_event(m, true, 5000, 1), SpindleEvent::None);
    EXPECT_EQ(spindle_event(m, false, 0, 0), SpindleEvent::None);
}

TEST(InterferenceSpindle, NoRangeChecksOnlyTheStop) {
    const Checks m = checks_of(R::Off, A::Ignore, L::Off, L::Off, S::Pause);
    EXPECT_EQ(spindle_event(m, true, 50, 1), SpindleEvent::None);
    EXPECT_EQ(spindle_event(m, true, 50, 0), SpindleEvent::Stopped);
    EXPECT_EQ(spindle_event(checks_of(R::Off, A::Ignore, L::Off, L::Off, S::Off), true, 0, 0), SpindleEvent::None);
}

// ---- Stop test ----
// Only the abort modes end a run; cutting with the defined shapes (the arbor check's cut mode) and the pause
// modes must not.

TEST(InterferenceStop, AbortModesStop) {
    StepFlags rapid;
    rapid.rapid = rapid.rapid_move = true;
    EXPECT_EQ(must_stop(checks_of(R::Abort, A::Ignore, L::Off, L::Off), rapid), 1);
    StepFlags f;
    f.attachment = true;
    EXPECT_EQ(must_stop(checks_of(R::Off, A::Abort, L::Off, L::Off), f), 1);
    f = {};
    f.taper = true;
    EXPECT_EQ(must_stop(checks_of(R::Off, A::Abort, L::Off, L::Off), f), 1);
    f = {};
    f.length = true;
    EXPECT_EQ(must_stop(checks_of(R::Off, A::Ignore, L::Abort, L::Off), f), 1);
    f = {};
    f.chip = true;
    EXPECT_EQ(must_stop(checks_of(R::Off, A::Ignore, L::Off, L::Abort), f), 1);
    f = {};
    f.spindle = SpindleEvent::Over;
    EXPECT_EQ(must_stop(checks_of(R::Off, A::Ignore, L::Off, L::Off, S::Abort), f), 1);
}

TEST(InterferenceStop, CutModeAndPauseModesDoNotStop) {
    StepFlags f;
    f.holder = true;
    EXPECT_EQ(must_stop(checks_of(R::Off, A::Cut, L::Off, L::Off), f), 0);
    EXPECT_EQ(must_stop(checks_of(R::Off, A::Pause, L::Off, L::Off), f), 0);
    StepFlags rapid;
    rapid.rapid = rapid.rapid_move = true;
    EXPECT_EQ(must_stop(checks_of(R::Pause, A::Ignore, L::Off, L::Off), rapid), 0);
    StepFlags length;
    length.length = true;
    EXPECT_EQ(must_stop(checks_of(R::Off, A::Ignore, L::Pause, L::Off), length), 0);
    StepFlags spindle;
    spindle.spindle = SpindleEvent::Stopped;
    EXPECT_EQ(must_stop(checks_of(R::Off, A::Ignore, L::Off, L::Off, S::Pause), spindle), 0);
}

TEST(InterferenceStop, ArborCutModeCollectsNothing) {
    vx::testing::TempDir dir;
    InterferenceList list;
    begin_interference_run(list, dir.path(), "/nc/part.nc");
    StepFlags f;
    f.holder = true;
    EXPECT_FALSE(collect_pause(list, checks_of(R::Off, A::Cut, L::Off, L::Off), f, {false, {}, 1, "G01"}));
    end_interference_run(list);
    EXPECT_FALSE(exists(dir.path() + "interference.txt"));
}

// ---- End code ----
// The end message must name the first cause in the fixed order; a rapid and a too-fast feed and
// an overload end with different codes.

TEST(InterferenceEnd, CodesInTheirOrder) {
    const Checks m = checks_of(R::Abort, A::Abort, L::Abort, L::Abort, S::Abort);
    StepFlags f;
    f.holder = f.attachment = f.taper = true;
    EXPECT_EQ(run_end_code(m, f, false, 0), 5);
    f.taper = false;
    EXPECT_EQ(run_end_code(m, f, false, 0), 8);
    f.attachment = false;
    EXPECT_EQ(run_end_code(m, f, false, 0), 2);
    f = {};
    f.length = f.chip = true;
    EXPECT_EQ(run_end_code(m, f, false, 0), 3);
    f.length = false;
    EXPECT_EQ(run_end_code(m, f, false, 0), 4);
    f = {};
    f.spindle = SpindleEvent::Stopped;
    EXPECT_EQ(run_end_code(m, f, false, 0), 9);
    f.spindle = SpindleEvent::Low;
    EXPECT_EQ(run_end_code(m, f, false, 0), 10);
    EXPECT_EQ(run_end_code(m, StepFlags{}, false, 3), 103);
}

TEST(InterferenceEnd, RapidTooFastAndOverload) {
    const Checks m = checks_of(R::Abort, A::Ignore, L::Off, L::Off);
    StepFlags rapid;
    rapid.rapid = rapid.rapid_move = true;
    EXPECT_EQ(run_end_code(m, rapid, false, 0), 1);
    StepFlags too_fast;
    too_fast.rapid = true;
    EXPECT_EQ(run_end_code(m, too_fast, false, 0), 6);
    EXPECT_EQ(run_end_code(checks_of(R::Off, A::Ignore, L::Off, L::Off), StepFlags{}, true, 0), 7);
}

TEST(InterferenceEnd, RapidIntoMaterialStopsAfterTheStepWithCodeOne) {
    using namespace vx::sim::testing;
    auto wp = make_body(21, 21, 1.0, 0.0);
    const CurrentTool tool = make_tool(tool_record(kToolFlat, 4.0), 1.0);
    Checks checks;
    checks.rapid = RapidCheck::Abort;
    SweepStep step;
    step.x = 10;
    step.y = 10;
    step.z = -2;
    step.dz = -2;
    step.motion = kMotionRapid;
    KernelContext context;
    SweepResult result;
    sweep_at_position(*wp, tool, checks, step, context, result);
    const Checks m = checks_of(R::Abort, A::Ignore, L::Off, L::Off);
    const StepFlags f = step_flags(result, m, kMotionRapid, 0, SpindleEvent::None);
    EXPECT_EQ(must_stop(m, f), 1);
    EXPECT_EQ(run_end_code(m, f, false, 0), 1);
    EXPECT_FLOAT_EQ(height_at(*wp, 10, 10), -2.0f);  // the step's cells are already cut
}

// ---- First list ----
// Entries must have their bytes exactly: the header with the bare file name, one kind line per
// pending entry, the block in its subprogram form; the file must appear only when an entry is due
// and be rewritten by the next run.

TEST(InterferenceList, TwoKindsGiveOneEntry) {
    vx::testing::TempDir dir;
    InterferenceList list;
    begin_interference_run(list, dir.path(), "/home/user/nc/part.nc");
    const BlockRef block{false, {}, 12, "G01X10.Y5."};
    EXPECT_TRUE(collect_pause(list, checks_of(R::Off, A::Pause, L::Pause, L::Off), holder_and_length(), block));
    EXPECT_EQ(write_interference_entry(list, block, false, false, {}), 1);
    end_interference_run(list);
    EXPECT_EQ(dir.read("interference.txt"),
              "<<< INTERFERENCE INFORMATION >>>\n-------------- (part.nc)\nARBOR + OVER LENGTH\n12:G01X10.Y5.");
}

TEST(InterferenceList, KindsOfAMoveCollectIntoOneEntry) {
    vx::testing::TempDir dir;
    InterferenceList list;
    begin_interference_run(list, dir.path(), "part.nc");
    const BlockRef block{false, {}, 5, "G01Z-3."};
    StepFlags first;
    first.taper = true;
    StepFlags second;
    second.chip = true;
    collect_pause(list, checks_of(R::Off, A::Pause, L::Off, L::Pause), first, block);
    collect_pause(list, checks_of(R::Off, A::Pause, L::Off, L::Pause), second, block);
    write_interference_entry(list, block, false, false, {});
    const BlockRef sub{true, "O1234", 3, "G01Y-2."};
    StepFlags rapid;
    rapid.rapid = true;  // a feed at the rapid feedrate
    collect_pause(list, checks_of(R::Pause, A::Pause, L::Off, L::Pause), rapid, sub);
    write_interference_entry(list, sub, false, false, {});
    end_interference_run(list);
    EXPECT_EQ(dir.read("interference.txt"),
              "<<< INTERFERENCE INFORMATION >>>\n-------------- (part.nc)"
              "\nOVER CHIP + TAPER\n5:G01Z-3."
              "\nTOO FAST\nO1234:3:G01Y-2.");
}

TEST(InterferenceList, NothingDueCreatesNoFile) {
    vx::testing::TempDir dir;
    InterferenceList list;
    begin_interference_run(list, dir.path(), "part.nc");
    EXPECT_EQ(write_interference_entry(list, {false, {}, 1, "G00"}, true, true, {}), 0);
    write_second_position(list, 1, 1, {0, 0, 0});
    end_interference_run(list);
    EXPECT_FALSE(exists(dir.path() + "interference.txt"));
    EXPECT_FALSE(exists(dir.path() + "interference2.txt"));
}

TEST(InterferenceList, NextRunRewritesTheList) {
    vx::testing::TempDir dir;
    dir.write("interference.txt", "old contents");
    InterferenceList list;
    begin_interference_run(list, dir.path(), "b.nc");
    StepFlags f;
    f.length = true;
    collect_pause(list, checks_of(R::Off, A::Ignore, L::Pause, L::Off), f, {false, {}, 2, "X1."});
    write_interference_entry(list, {false, {}, 2, "X1."}, false, false, {});
    end_interference_run(list);
    EXPECT_EQ(dir.read("interference.txt"), "<<< INTERFERENCE INFORMATION >>>\n-------------- (b.nc)\nOVER LENGTH\n2:X1.");
}

TEST(InterferenceList, UnwritableFolderIsSkipped) {
    vx::testing::TempDir dir;
    InterferenceList list;
    begin_interference_run(list, dir.path() + "no/such/", "part.nc");
    StepFlags f;
    f.length = true;
    EXPECT_TRUE(collect_pause(list, checks_of(R::Off, A::Ignore, L::Pause, L::Off), f, {false, {}, 2, "X1."}));
    EXPECT_EQ(write_interference_entry(list, {false, {}, 2, "X1."}, false, false, {}), 1);
    end_interference_run(list);
    EXPECT_EQ(list.pending, 0u);
}

TEST(InterferenceList, SpindleKindsInThePauseMode) {
    vx::testing::TempDir dir;
    InterferenceList list;
    begin_interference_run(list, dir.path(), "part.nc");
    StepFlags f;
    f.spindle = SpindleEvent::Over;
    EXPECT_FALSE(collect_pause(list, checks_of(R::Off, A::Ignore, L::Off, L::Off, S::Abort), f, {false, {}, 9, "S9000"}));
    EXPECT_TRUE(collect_pause(list, checks_of(R::Off, A::Ignore, L::Off, L::Off, S::Pause), f, {false, {}, 9, "S9000"}));
    write_interference_entry(list, {false, {}, 9, "S9000"}, false, false, {});
    end_interference_run(list);
    EXPECT_EQ(dir.read("interference.txt"), "<<< INTERFERENCE INFORMATION >>>\n-------------- (part.nc)\nOVER SPINDLE\n9:S9000");
}

// ---- Repaint and sound ----
// A written entry asks for a repaint only while the paint marks are shown and for the system
// sound only while sound is on.

struct Requests {
    int repaints = 0;
    std::vector<std::string> sounds;
};

InterferenceHooks hooks_for(Requests& r) {
    InterferenceHooks h;
    h.context = &r;
    h.repaint = [](void* c) { ++static_cast<Requests*>(c)->repaints; };
    h.play_system_sound = [](void* c, std::string_view name) { static_cast<Requests*>(c)->sounds.emplace_back(name); };
    return h;
}

TEST(InterferenceHooks, RequestsFollowTheSwitches) {
    vx::testing::TempDir dir;
    InterferenceList list;
    Requests got;
    begin_interference_run(list, dir.path(), "part.nc");
    StepFlags f;
    f.length = true;
    const BlockRef block{false, {}, 1, "Z-1."};
    collect_pause(list, checks_of(R::Off, A::Ignore, L::Pause, L::Off), f, block);
    write_interference_entry(list, block, false, false, hooks_for(got));
    EXPECT_EQ(got.repaints, 0);
    EXPECT_TRUE(got.sounds.empty());
    collect_pause(list, checks_of(R::Off, A::Ignore, L::Pause, L::Off), f, block);
    write_interference_entry(list, block, true, true, hooks_for(got));
    EXPECT_EQ(got.repaints, 1);
    EXPECT_EQ(got.sounds, std::vector<std::string>{"SystemHand"});
    end_interference_run(list);
}

// ---- Second list ----
// Its presence alone switches it on; it then gets the step lines and the first list stays
// unwritten. Kinds use its own spelling and order, "+" between and ":" after, and a new NC line
// starts a new entry.

TEST(InterferenceSecondList, ExistingFileReceivesTheStepLines) {
    vx::testing::TempDir dir;
    dir.write("interference2.txt", "");
    InterferenceList list;
    begin_interference_run(list, dir.path(), "/nc/part.nc");
    const Checks m = checks_of(R::Pause, A::Pause, L::Pause, L::Off);
    const BlockRef line12{false, {}, 12, "G00Z-5."};
    StepFlags rapid_and_length;
    rapid_and_length.rapid = rapid_and_length.rapid_move = true;
    rapid_and_length.length = true;
    EXPECT_TRUE(collect_pause(list, m, rapid_and_length, line12));
    write_second_position(list, 1, 2, {1, 2, -5});
    StepFlags taper_and_holder;
    taper_and_holder.taper = taper_and_holder.holder = true;
    collect_pause(list, m, taper_and_holder, line12);
    write_second_position(list, 2, 2, {1, 2.5, -5});
    write_interference_entry(list, line12, false, false, {});
    const BlockRef sub{true, "O100", 4, "G01X3."};
    StepFlags holder;
    holder.holder = true;
    collect_pause(list, m, holder, sub);
    write_interference_entry(list, sub, false, false, {});
    end_interference_run(list);
    EXPECT_EQ(dir.read("interference2.txt"),
              "<<< INTERFERENCE2 INFORMATION >>>\n-------------- (part.nc)"
              "\n12:G00Z-5.RAPID(G00)+LENGTH:1/2:X1.000000Y2.000000Z-5.000000\n"
              "TAPER:2/2:X1.000000Y2.500000Z-5.000000\n"
              "\nO100:4:G01X3.ARBOR:");
    EXPECT_FALSE(exists(dir.path() + "interference.txt"));
}

TEST(InterferenceSecondList, TooFastChipAndSpindleWords) {
    vx::testing::TempDir dir;
    dir.write("interference2.txt", "previous run");
    InterferenceList list;
    begin_interference_run(list, dir.path(), "a.nc");
    StepFlags f;
    f.rapid = true;
    f.chip = true;
    f.attachment = true;
    f.spindle = SpindleEvent::Low;
    collect_pause(list, checks_of(R::Pause, A::Pause, L::Off, L::Pause, S::Pause), f, {false, {}, 7, "F99999"});
    end_interference_run(list);
    EXPECT_EQ(dir.read("interference2.txt"),
              "<<< INTERFERENCE2 INFORMATION >>>\n-------------- (a.nc)\n7:F99999TOO FAST+CHIP+ARBOR+LOW SPINDLE:");
}

}  // namespace
}  // namespace vx::sim
