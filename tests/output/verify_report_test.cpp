// The verification report: every variable and number format against the rules of the report
// (rounded parts before adding, truncated feeds, the start values of empty records, the longest
// name first, the consumption rules of unknown names, $G5n and $WKnn), the built-in form in both
// languages, and the report's file name in both naming modes.
#include "output/verify_report.h"

#include "platform/language.h"

#include <gtest/gtest.h>

#include <vector>

namespace vx::output {
namespace {

// A data check with a figure in every field; each chosen so that rounding and truncation differ.
struct Fixture {
    nc::DataCheck check;
    std::vector<Vec3> offsets;
    ReportData data;

    Fixture() {
        nc::MachiningTime& t = check.time;
        t.feed_time = 3725.4;
        t.rapid_time = 0.4;
        t.cutting_time = 3600.5;
        t.rapid_class_time = 125.3;
        t.rapid_length = 100.5;
        t.feed_length = 200.4;
        t.cutting_length = 190.6;
        t.rapid_class_length = 110.2;
        t.max_feed = 6000.9;
        t.max_cutting_feed = 1999.9;
        t.min_feed = 50.7;
        // The tool in the spindle at the start, changed before any move, is not listed.
        t.tools = {{1, 0.0, 0.0, 0.0}, {2, 61.5, 300.4, 250.5}, {105, 360000.0, 10.0, 9.4}};
        check.all.min = {-1.0, -2.0, -3.0};
        check.all.max = {10.0, 20.0, 30.0};
        check.feed.min = {-0.5, -1.5, -2.5};
        check.feed.max = {5.25, 6.5, 7.125};
        check.max_spindle = 12000;
        check.lines = 42;
        check.used_d[3] = check.used_h[12] = true;
        check.used_t[1] = check.used_t[7] = true;
        for (int g : {0, 1, 54, 59, 90}) check.used_g[std::size_t(g)] = true;
        check.used_m[6] = check.used_m[30] = true;
        offsets.assign(12, Vec3{});
        offsets[0] = {1.0, 2.0, 3.0};    // external
        offsets[1] = {100.0, 0.0, -50.0};  // G54
        offsets[11] = {7.0, 8.0, 9.0};
        data.nc_path = "/w/part.nc";
        data.ttl_path = "/w/atc.ttl";
        data.ctl_path = "/w/zazar.ctl";
        data.mtl_path = "/w/machn.mtl";
        data.nc_size = 1234;
        data.check = &check;
        data.rapid_feedrate = 5000.7;
        data.machine_rapid = {24000.9, 20000.0, 15000.0};
        data.work_offsets = offsets;
        data.highest_tool = 10;
        data.volume = -1234.5678;
    }
};

class VerifyReport : public ::testing::Test {
protected:
    void SetUp() override { platform::set_english(true); }
    void TearDown() override { platform::set_english(false); }
    Fixture f;
};

TEST_F(VerifyReport, EveryVariableAndFormat) {
    struct Case {
        std::string_view in, out, why;
    };
    const Case cases[] = {
        {"$TIME", "   3725\n", "3725.4 + 0.4: each part rounded before adding"},
        {"$TIM", " 01:02:06\n", "3725.8 s rounds to 3726 s"},
        {"$TIMEF $TIMER $TIME1 $TIME2", "   3601     125       0    3725\n", "seconds, rounded"},
        {"$TIMF,$TIMR,$TIM1,$TIM2", " 01:00:01, 00:02:05, 00:00:00, 01:02:05\n", "h:m:s of each"},
        {"$TIMX", " 01:02:06X", "$TIM followed by a letter that makes no longer name"},
        {"$LENGTH", "    301GTH", "$LEN (100.5 -> 101, 200.4 -> 200), then the text GTH"},
        {"$LENR $LENF $LEN1 $LEN2", "    110     191     101     200\n", "lengths, rounded"},
        {"$MAXF $MAXF2 $MINF", "   6000    1999      50\n", "feeds truncated"},
        {"$MAXS", "   12000\n", "spindle %8d"},
        {"$MAXX $MAXXE $MAXX2 $MAXX2E", "   10.000     9.000     5.250     4.250\n", "records and the external X"},
        {"$MINZ $minze $MINZ2 $MINZ2E", "   -3.000    -6.000    -2.500    -5.500\n", "case-insensitive, Z"},
        {"$maxy2e", "    4.500\n", "Y of the second record less 2"},
        {"$DCODE/$HCODE/$TCODE", "03/12/01,07\n", "used numbers as %02d"},
        {"$GCODE", "00,01,54,59,90\n", "G codes"},
        {"$GCODEW;$GCODE", "54,59;00,01,90\n", "G54..G59 once"},
        {"$MCODE", "06,30\n", "M codes"},
        {"$NC|$TTL|$CTL|$MTL", "/w/part.nc|/w/atc.ttl|/w/zazar.ctl|/w/machn.mtl\n", "paths"},
        {"$RAPIDFEEDRATE $RAPIDFX $RAPIDFY $RAPIDFZ", "   5000   24000   20000   15000\n", "truncated"},
        {"$SIZE $LINES", "     1234       42\n", "%9u and %8d"},
        {"$EXOFS", "(    1.000,    2.000,    3.000)\n", "the external offset"},
        {"<$G54>", "<(  100.000,    0.000,  -50.000)\n", "$G5n consumes the character after it too"},
        {"<$G53>", "<\n", "another digit writes nothing, five characters all the same"},
        {"<$WK11>", "<(    7.000,    8.000,    9.000)>", "work offset 11"},
        {"<$WK00>", "<(    1.000,    2.000,    3.000)>", "0 is the external offset"},
        {"<$WK99>", "<>", "beyond the table: nothing, five characters"},
        {"a$Qb", "ab", "an unknown name writes nothing and drops one character"},
        {"$VOLUME", "-1234.568\n", "%.3f"},
        {"$EP_INFO", "  1 | T02  | 00:01:02\n  2 | T105 | 100:00:00\n\n", "per tool, hours past 100"},
        {"$EP_SUMMERY", "  1 | T02  |      251 |      300 | 00:01:02\n  2 | T105 |        9 |       10 | 100:00:00\n\n",
         "cutting and whole lengths"},
        {"plain text\n", "plain text\n", "copied unchanged"},
    };
    for (const Case& c : cases) EXPECT_EQ(expand_template(c.in, f.data), c.out) << c.in << ": " << c.why;
}

// A program without feed moves or used codes prints the start values and "None".
TEST_F(VerifyReport, EmptyRecords) {
    nc::DataCheck empty;
    f.data.check = &empty;
    f.data.rapid_feedrate = kRapidFeedrateNone;
    EXPECT_EQ(expand_template("$MAXF|$MAXF2|$MINF|$DCODE|$GCODEW|$RAPIDFEEDRATE|$MAXX\n", f.data),
              "-9999999|-9999999|9999999|None|None|NO|-9999999.000\n");
}

// A template line longer than a read is expanded in pieces; a piece that ends right after a
// variable gets a line end.
TEST_F(VerifyReport, LongLinesAreReadInPieces) {
    const std::string filler(kTemplateLine - 5, '.');
    EXPECT_EQ(expand_template(filler + "$SIZE tail\n", f.data), filler + "     1234\n tail\n");
}

TEST_F(VerifyReport, WholeTemplate) {
    const std::string form =
        "NC      : $NC ($SIZE bytes, $LINES lines)\n"
        "Time    :$TIM (cutting$TIMF)\n"
        "Max     : X$MAXX Y$MAXY Z$MAXZ\n"
        "Tools\n$EP_INFO\n"
        "Codes   : $GCODEW / $GCODE / M $MCODE";
    EXPECT_EQ(expand_template(form, f.data),
              "NC      : /w/part.nc (     1234 bytes,       42 lines)\n"
              "Time    : 01:02:06 (cutting 01:00:01)\n"
              "Max     : X   10.000 Y   20.000 Z   30.000\n"
              "Tools\n"
              "  1 | T02  | 00:01:02\n"
              "  2 | T105 | 100:00:00\n\n"
              "Codes   : 54,59 / 00,01,90 / M 06,30\n");
}

TEST_F(VerifyReport, BuiltInFormInBothLanguages) {
    EXPECT_EQ(fixed_report(f.data),
              "<<< \"/w/part.nc\" Cutting Information >>>\n"
              "\xE2\x80\xBB:\"verify_form.def\" is not found.\n"
              "Length of Rapid Path:    101\n"
              "Length of Feed Path:    200\n"
              "Time:   3725\n"
              "Maximum X:   10.000 ,Y:   20.000 ,Z:   30.000\n"
              "Minimum X:   -1.000 ,Y:   -2.000 ,Z:   -3.000\n");
    platform::set_english(false);
    EXPECT_EQ(fixed_report(f.data),
              "<<< \"/w/part.nc\" の加工情報出力 >>>\n"
              "※:\"verify_form.def\"が見つかりません。一部適当に出力しておきます。\n"
              "早送り長さ:    101\n"
              "切削送り長さ:    200\n"
              "全加工時間:   3725\n"
              "最大 X:   10.000 ,Y:   20.000 ,Z:   30.000\n"
              "最小 X:   -1.000 ,Y:   -2.000 ,Z:   -3.000\n");
}

TEST(VerifyReportName, FixedAndAuto) {
    ReportNaming fixed{"/out/", "txt", false};
    EXPECT_EQ(report_path(fixed, "/w/part.nc"), "/out/verify.txt");
    ReportNaming automatic{"/out/", "txt", true};
    EXPECT_EQ(report_path(automatic, "/w/part.nc"), "/w/part_verify.txt");
    EXPECT_EQ(report_path(automatic, "/w/part"), "/w/part_verify.txt");
    EXPECT_EQ(report_path(automatic, "/w.d/part"), "/w.d/part_verify.txt") << "a dot of a folder is no extension";
    EXPECT_EQ(hms(359999.6), " 100:00:00");
}

}  // namespace
}  // namespace vx::output
