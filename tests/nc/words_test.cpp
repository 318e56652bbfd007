#include "nc/words.h"

#include "platform/language.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace vx::nc {
namespace {

Ctl parsed(std::string_view text) {
    Ctl c;
    parse_ctl(text, c);
    return c;
}

struct Seen {
    WordKind kind;
    char letter;
    std::string text;
    friend bool operator==(const Seen&, const Seen&) = default;
};

void PrintTo(const Seen& s, std::ostream* os) { *os << "{" << int(s.kind) << ", '" << s.letter << "', \"" << s.text << "\"}"; }

struct Recorder {
    std::vector<Seen> words;
    int comments = 0;
    std::string comment_line;
    char stop_at = 0;  // the handler ends the block at this letter
};

int record_word(void* context, Word& w) {
    auto* r = static_cast<Recorder*>(context);
    r->words.push_back({w.kind, w.letter, std::string(w.text)});
    return w.letter == r->stop_at ? 0 : 1;
}

void record_comment(void* context, std::string_view line) {
    auto* r = static_cast<Recorder*>(context);
    ++r->comments;
    r->comment_line = std::string(line);
}

Recorder scan(std::string_view line, Dialect dialect = Dialect::Default, char stop_at = 0) {
    Recorder r;
    r.stop_at = stop_at;
    parse_words(line, dialect, WordHandler{&r, record_word, record_comment});
    return r;
}

using Words = std::vector<Seen>;
constexpr WordKind A = WordKind::Address;

// ---- Word scanning ----
// Only upper-case letters start words; a number text runs to the next letter, "(" or line end;
// comments are offered to the comment hook and then skipped whole.

TEST(ReaderWords, LettersNumbersAndComments) {
    const Recorder r = scan("N10 G01 X12.5 Y-3 (X100) Z.5 F1200\n");
    EXPECT_EQ(r.words, (Words{{A, 'N', "10 "}, {A, 'G', "01 "}, {A, 'X', "12.5 "}, {A, 'Y', "-3 "},
                              {A, 'Z', ".5 "}, {A, 'F', "1200"}}));
    EXPECT_EQ(r.comments, 1);
    EXPECT_EQ(r.comment_line, "N10 G01 X12.5 Y-3 (X100) Z.5 F1200\n");
    EXPECT_TRUE(scan("(X100)\n").words.empty());
    EXPECT_EQ(scan("G01 (no end X1\n").words, (Words{{A, 'G', "01 "}}));
}

TEST(ReaderWords, OtherCharactersAreSkipped) {
    EXPECT_TRUE(scan("g01 x1 %/;\t\n").words.empty());
    EXPECT_EQ(scan("/G1 %Xx2\n").words, (Words{{A, 'G', "1 %"}, {A, 'X', ""}}));
    EXPECT_EQ(scan("X1 ; Y2\n").words, (Words{{A, 'X', "1 ; "}, {A, 'Y', "2"}}));
    EXPECT_EQ(scan("X1\nY2").words, (Words{{A, 'X', "1"}}));  // the line end ends the block
    const std::string long_number = "X" + std::string(100, '1') + "\n";
    EXPECT_EQ(scan(long_number).words[0].text.size(), kMaxNumberText);
}

TEST(ReaderWords, HandlerEndsOrMovesTheScan) {
    EXPECT_EQ(scan("G65 P100 X1\n", Dialect::Default, 'G').words.size(), 1u);
    struct Skipper {
        static int word(void* context, Word& w) {
            static_cast<std::string*>(context)->push_back(w.letter);
            if (w.letter == 'M') w.next = w.line.find('>') + 1;  // "M98<name>": the name is no words
            if (w.letter == 'Y') w.next = 0;                     // moving back is ignored
            return 1;
        }
    };
    std::string letters;
    parse_words("M98<SUB.NC> X1 Y2 Z3\n", Dialect::Default, WordHandler{&letters, Skipper::word, nullptr});
    EXPECT_EQ(letters, "MXYZ");
}

// ---- Dialect words ----

TEST(ReaderWords, HeidenhainToolCallAndSemicolon) {
    EXPECT_EQ(scan("TOOL CALL 5 Z S3000\n", Dialect::Heidenhain).words,
              (Words{{WordKind::ToolCall, 'T', " 5 "}, {A, 'Z', " "}, {A, 'S', "3000"}}));
    EXPECT_EQ(scan("L X+10;X99\n", Dialect::Heidenhain).words, (Words{{A, 'L', " "}, {A, 'X', "+10"}}));
    EXPECT_EQ(scan("TOOL CALL 5\n").words[0].kind, A);  // only in HEIDENHAIN
}

TEST(ReaderWords, OspCallAndSiemensTool) {
    EXPECT_EQ(scan("CALL OSUB1 Q1\n", Dialect::Osp).words, (Words{{WordKind::OspCall, 'C', "OSUB1"}, {A, 'Q', "1"}}));
    EXPECT_EQ(scan("T=\"DRILL 10\" M6\n", Dialect::Siemens).words,
              (Words{{WordKind::SiemensTool, 'T', "DRILL 10"}, {A, 'M', "6"}}));
    EXPECT_EQ(scan("T = 12 M6\n", Dialect::Siemens).words, (Words{{WordKind::SiemensTool, 'T', "12 "}, {A, 'M', "6"}}));
    EXPECT_EQ(scan("T12 M6\n", Dialect::Siemens).words, (Words{{A, 'T', "12 "}, {A, 'M', "6"}}));
    // Found by fuzzing: an unclosed tool name ran to the line end, past the bound of a word's text.
    EXPECT_EQ(scan("T=\"" + std::string(120, 'D') + "\n", Dialect::Siemens).words[0].text.size(), kMaxNumberText);
    EXPECT_EQ(scan("CALL " + std::string(120, 'S') + "\n", Dialect::Osp).words[0].text.size(), kMaxNumberText);
}

// ---- Coordinates ----
// Numbers without a decimal point are in input units unless the decimal mode is NORMAL; a wrong
// divisor scales the whole part.

TEST(ReaderNumbers, CoordinatesInEveryDecimalModeAndUnit) {
    const Ctl unit1000;
    for (int mode : {0, 1, 2}) {
        int m = mode;
        EXPECT_DOUBLE_EQ(read_coordinate("1", unit1000, m), 0.001) << mode;
        EXPECT_DOUBLE_EQ(read_coordinate("1.", unit1000, m), 1.0) << mode;
        EXPECT_DOUBLE_EQ(read_coordinate("-.5", unit1000, m), -0.5) << mode;
        EXPECT_DOUBLE_EQ(read_coordinate("12 ", unit1000, m), 0.012) << mode;
    }
    int normal = 3;
    EXPECT_DOUBLE_EQ(read_coordinate("1", unit1000, normal), 1.0);
    EXPECT_DOUBLE_EQ(read_coordinate("12", unit1000, normal), 12.0);
    int m = 0;
    EXPECT_DOUBLE_EQ(read_coordinate("1234", parsed("UNIT=1/10000\n"), m), 0.1234);
    EXPECT_DOUBLE_EQ(read_coordinate("1234", parsed("UNIT=1/100\n"), m), 12.34);
    EXPECT_DOUBLE_EQ(read_coordinate("12.", parsed("UNIT=1/100\n"), m), 12.0);
    EXPECT_DOUBLE_EQ(read_coordinate("", unit1000, m), 0.0);
}

TEST(ReaderNumbers, DecimalModeRecordsTheLastCoordinate) {
    const Ctl ctl;
    int mode = 1;
    read_coordinate("5.", ctl, mode);
    EXPECT_EQ(mode, 2);
    read_coordinate("5", ctl, mode);
    EXPECT_EQ(mode, 1);
    int no = 0;
    read_coordinate("5.", ctl, no);
    EXPECT_EQ(no, 0);
    int normal = 3;
    read_coordinate("5", ctl, normal);
    EXPECT_EQ(normal, 3);
}

TEST(ReaderNumbers, ReversedAxesAndLetters) {
    const Ctl ctl = parsed("Z-CODE=-Z\nX-CODE=Y\nY-CODE=X\n");
    int m = 0;
    EXPECT_DOUBLE_EQ(read_axis("5.", ctl, m, 2), -5.0);
    EXPECT_DOUBLE_EQ(read_axis("5.", ctl, m, 0), 5.0);
    EXPECT_EQ(axis_of_letter(ctl, 'Y'), 0);
    EXPECT_EQ(axis_of_letter(ctl, 'A'), -1);
    EXPECT_EQ(centre_axis_of_letter(ctl, 'I'), 1);
}

TEST(ReaderNumbers, TimeScaledAndInteger) {
    EXPECT_DOUBLE_EQ(read_time("2."), 2.0);
    EXPECT_DOUBLE_EQ(read_time("2000"), 2.0);
    const Ctl ctl = parsed("UNIT(DEG)=1/100000\n");
    EXPECT_DOUBLE_EQ(read_scaled("1500", ctl, Scaled::Scale), 1.5);
    EXPECT_DOUBLE_EQ(read_scaled("1.5", ctl, Scaled::Scale), 1.5);
    EXPECT_DOUBLE_EQ(read_scaled("4500000", ctl, Scaled::Angle), 45.0);
    EXPECT_DOUBLE_EQ(read_scaled("2", parsed("PRODUCT=OSP\n"), Scaled::Scale), 2.0);
    EXPECT_EQ(read_integer("01 "), 1);
    EXPECT_EQ(read_integer("54.1"), 54);
    EXPECT_EQ(read_integer(""), 0);
}

// The quick reader must give exactly what the C conversion gives, or coordinates drift by an
// ulp between this reader and every other number reader of the program.
TEST(ReaderNumbers, DecimalReadingMatchesTheCConversion) {
    for (const char* s : {"0.1", "123.456", "-0.000001", "  12.5 ", "+5", "-0", "1.2.3", "999999999.999",
                          "0.30000000000000004", "12345678901234567890.5", "1.00000000000000000000001",
                          "-98765.4321", ".5", "5.", "0000000000000000000000012.75", "4503599627370497.5"}) {
        EXPECT_EQ(read_decimal(s), std::strtod(s, nullptr)) << s;
    }
    EXPECT_EQ(read_decimal("."), 0.0);
    EXPECT_EQ(read_decimal("-"), 0.0);
}

// ---- Feed words ----
// The mode decides whether an F word is a feedrate or an F number; an F number outside the table
// must raise an alarm rather than read past it.

TEST(ReaderFeed, FourModes) {
    Ctl ctl;
    ctl.f[3] = 250.0f;
    ctl.f[5] = 500.0f;
    ctl.f[12] = 1200.0f;
    ctl.f[1] = 10.0f;
    Alarm a;
    double feed = -1;
    ctl.feedrate = 0;
    EXPECT_EQ(read_feed("1200", ctl, feed, a, 1), 1);
    EXPECT_DOUBLE_EQ(feed, 1200.0);
    ctl.feedrate = 1;
    read_feed("3", ctl, feed, a, 1);
    EXPECT_DOUBLE_EQ(feed, 250.0);
    read_feed("3.7", ctl, feed, a, 1);  // an F number is whole: the fraction is dropped
    EXPECT_DOUBLE_EQ(feed, 250.0);
    ctl.feedrate = 2;
    read_feed("5 ", ctl, feed, a, 1);  // blanks before the next word are not part of the number
    EXPECT_DOUBLE_EQ(feed, 500.0);
    read_feed("50", ctl, feed, a, 1);
    EXPECT_DOUBLE_EQ(feed, 50.0);
    ctl.feedrate = 3;
    read_feed("12", ctl, feed, a, 1);
    EXPECT_DOUBLE_EQ(feed, 1200.0);
    read_feed("120", ctl, feed, a, 1);
    EXPECT_DOUBLE_EQ(feed, 120.0);
    read_feed("1.", ctl, feed, a, 1);
    EXPECT_DOUBLE_EQ(feed, 10.0);
    EXPECT_EQ(a.code, 0);
}

TEST(ReaderFeed, NumberOutsideTheTableRaisesAnAlarm) {
    Ctl ctl = parsed("FEEDRATE=INDIRECT\n");
    Alarm a;
    double feed = 7.0;
    EXPECT_EQ(read_feed("1000 ", ctl, feed, a, 42), 0);
    EXPECT_DOUBLE_EQ(feed, 7.0);
    EXPECT_EQ(a.code, kAlarmFeedNumber);
    EXPECT_EQ(a.line, 42);
    platform::set_english(true);
    EXPECT_EQ(alarm_text(a, ' ', AlarmForm::Box), "F1000 - F-number out of range!");
    platform::set_english(false);
    EXPECT_EQ(alarm_text(a, ' ', AlarmForm::Log), "F1000 - F番号が範囲外です!");
    Alarm negative;
    EXPECT_EQ(read_feed("-1", ctl, feed, negative, 1), 0);
    EXPECT_EQ(negative.code, kAlarmFeedNumber);
    EXPECT_EQ(read_feed("999", ctl, feed, negative, 1), 1);  // the last entry is inside
}

}  // namespace
}  // namespace vx::nc
