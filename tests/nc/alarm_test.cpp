#include "nc/alarms.h"

#include "platform/language.h"
#include "platform/log.h"
#include "support/recording_backend.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace vx::nc {
namespace {

using vx::testing::RecordingBackend;
using vx::testing::TempDir;

// Runs with the language set and puts Japanese (the process default) back afterwards.
struct Language {
    explicit Language(bool english) { platform::set_english(english); }
    ~Language() { platform::set_english(false); }
};

Alarm alarm_of(int code, int line = 0, int position = 0, std::string text = {}) {
    Alarm a;
    raise_alarm(a, code, line, position, std::move(text));
    return a;
}

// ---- Message texts ----
// Users and their scripts match these texts literally, in both languages, typos included.

TEST(AlarmTexts, FixedMessagesInBothLanguages) {
    {
        Language en(true);
        EXPECT_EQ(alarm_text(alarm_of(1), ' ', AlarmForm::Box), "G02/G03 IJK Error - Invalid IJK Value.");
        EXPECT_EQ(alarm_text(alarm_of(2), ' ', AlarmForm::Log), "Zero Feedrate!");
    }
    Language ja(false);
    EXPECT_EQ(alarm_text(alarm_of(1), ' ', AlarmForm::Box), "G02/G03 IJK Error - 始点の半径と終点の半径が大きく異なる");
    EXPECT_EQ(alarm_text(alarm_of(2), ' ', AlarmForm::Box), "送り速度が0です!");
}

TEST(AlarmTexts, PositionAndCharacterAreFilledIn) {
    const Alarm dollar = alarm_of(kAlarmInvalidCharacter, 3, 12, "$");
    const Alarm point = alarm_of(kAlarmDoubleDecimal, 3, 5);
    {
        Language en(true);
        EXPECT_EQ(alarm_text(dollar, ' ', AlarmForm::Box), "12\"$\" - Invalid Character!");
        EXPECT_EQ(alarm_text(point, ' ', AlarmForm::Box), "5th - Double decimal points!");
    }
    Language ja(false);
    EXPECT_EQ(alarm_text(dollar, ' ', AlarmForm::Box), "12文字目\"$\" - 不正文字検出!");
    EXPECT_EQ(alarm_text(point, ' ', AlarmForm::Log), "5文字目 - 小数点重複!");
}

// The box and the log word the start-code and reverse-arc alarms differently.
TEST(AlarmTexts, BoxAndLogFormsDiffer) {
    const Alarm start = alarm_of(kAlarmStartCode, 20);
    const Alarm arc = alarm_of(kAlarmReverseArc, 57);
    {
        Language en(true);
        EXPECT_EQ(alarm_text(start, '%', AlarmForm::Box), "Start Code(%) is not Fonud !");
        EXPECT_EQ(alarm_text(start, '%', AlarmForm::Log), "Start Code(%) is Not Found !");
        EXPECT_EQ(alarm_text(arc, ' ', AlarmForm::Box), "Over Offset - Reverse Arc!(57Line)");
        EXPECT_EQ(alarm_text(arc, ' ', AlarmForm::Log), "Over Offset - Reverse Arc!");
    }
    Language ja(false);
    EXPECT_EQ(alarm_text(start, '%', AlarmForm::Box), "開始コード(%)が見つかりません!");
    EXPECT_EQ(alarm_text(start, '%', AlarmForm::Log), "開始コード(%)が見つかりません!");
    EXPECT_EQ(alarm_text(arc, ' ', AlarmForm::Box), "過剰オフセット - 円弧が反転!(57行目)");
    EXPECT_EQ(alarm_text(arc, ' ', AlarmForm::Log), "過剰オフセット - 円弧が反転!");
}

TEST(AlarmTexts, FirstAlarmIsKept) {
    Alarm a = alarm_of(kAlarmZeroFeed, 4);
    raise_alarm(a, kAlarmArcRadius, 9);
    EXPECT_EQ(a.code, kAlarmZeroFeed);
    EXPECT_EQ(a.line, 4);
}

// ---- Showing ----
// Interactively the title carries the message and the body the NC path; in a batch the log gets
// "(line) - message" and no box appears.

TEST(AlarmShow, BoxTitleIsTheMessageBodyThePath) {
    RecordingBackend backend;
    Language en(true);
    show_alarm(alarm_of(kAlarmReverseArc, 57), ' ', "/nc/part.nc");
    ASSERT_EQ(backend.recording().messages.size(), 1u);
    EXPECT_EQ(backend.recording().messages[0].title, "Over Offset - Reverse Arc!(57Line)");
    EXPECT_EQ(backend.recording().messages[0].body, "/nc/part.nc");
}

TEST(AlarmShow, BatchLogLines) {
    RecordingBackend backend;
    TempDir dir;
    Language en(true);
    ASSERT_TRUE(platform::log_open(dir.path() + "vornex.log"));
    show_alarm(alarm_of(kAlarmReverseArc, 57), ' ', "/nc/part.nc");
    show_alarm(alarm_of(kAlarmInvalidCharacter, 12, 4, "%"), ' ', "/nc/part.nc");  // "%" stays as it is
    show_alarm(alarm_of(kAlarmStartCode, 30), '%', "/nc/part.nc");
    platform::log_close();
    EXPECT_TRUE(backend.recording().messages.empty());
    EXPECT_EQ(dir.read("vornex.log"),
              "(57) - Over Offset - Reverse Arc!\n"
              "(12) - 4\"%\" - Invalid Character!\n"
              "(30) - Start Code(%) is Not Found !\n");
}

}  // namespace
}  // namespace vx::nc
