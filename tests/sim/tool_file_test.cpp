#include "platform/language.h"
#include "sim/tools.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <array>
#include <cfloat>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <numbers>
#include <string>

namespace vx::sim {
namespace {

constexpr double kDeg = std::numbers::pi / 180.0;

ToolTable read(std::string_view text, ToolBasePoint base = ToolBasePoint::Bottom) {
    ToolTable table;
    allocate_tool_tables(table, 200);
    ToolReadOptions options;
    options.base_point = base;
    options.holder_files = false;
    EXPECT_EQ(read_tool_text(table, text, "/nonexistent-vornex/", options), 1);
    return table;
}

const ToolRecord& tool1(const ToolTable& t) { return t.entries[1].tool; }

// Restores the language flag that a test changes.
struct Language {
    bool was = platform::english();
    explicit Language(bool english) { platform::set_english(english); }
    ~Language() { platform::set_english(was); }
};

// ---- Shape keywords ----
// Each keyword's values land in the right fields in the documented order, and the derived
// fields and type follow; a value read into the wrong field changes the tool's whole profile.

struct ShapeCase {
    const char* keywords;  // after "MAGAZINE01 "
    int type;
    float d, r, e, f, alpha, beta, h;
};

TEST(ToolShapes, EachKeywordFillsItsFieldsAndType) {
    const ShapeCase cases[] = {
        {"BALL 10.0,30.0", kToolBall, 10, 5, 0, 5, 0, 0, 30},
        {"BULL 10,2,30", kToolBull, 10, 2, 3, 2, 0, 0, 30},
        {"BULL 10,0,30", kToolFlat, 10, 0, 0, 0, 0, 0, 30},
        {"BULL 10,-2,30", kToolOther, 10, -2, 0, 2, 0, 0, 30},  // a concave corner
        {"bull 10", kToolFlat, 10, 0, 0, 0, 0, 0, 0},           // any case, missing values 0
        {"FLAT 8,20", kToolFlat, 8, 0, 0, 0, 0, 0, 20},
        {"KEGAKI 0.5,0.2", kToolKegaki, 0.5f, 0, 0, 0, 0, 0, 0.2f},
        {"DRILL 8.5,31,40", kToolOther, 8.5f, 0, 4.25f, 0, 31, 0, 40},
        {"VERTICAL 20,3,25", kToolVertical, 20, 0, 0, 0, 0, 0, 25},
        {"OVALR 10,2,8,1,30", kToolOval, 10, 1, 8, 2, 0, 0, 30},
        {"OVAL 10,2,4,30", kToolOval, 10, 0, 4, 2, 0, 0, 30},
        {"T-THROW 20,3,5,99,99", kToolBull, 20, 5, 5, 5, 0, 0, 5},  // h raised to r
        {"T-THROW 20,3,0", kToolFlat, 20, 0, 10, 0, 0, 0, 3},
        {"T-THROW 20,30,10", kToolBall, 20, 10, 0, 10, 0, 0, 30},
        {"RADIUS 20,3,1", kToolRadius, 20, 3, float(10 - 3 - std::sqrt(9.0 - 4.0)), 1, 0, 0, 3},
        {"RADIUS 20,3,4", kToolRadius, 20, 3, 4, 4, 0, 0, 3},   // r <= f: s = r
        {"RADIUS 20,3,-1", kToolRadius, 20, 3, 7, -1, 0, 0, 3},  // negative square: s = 0
        {"CUTTER 10,5,0,5,0,0,30", kToolBall, 10, 5, 0, 5, 0, 0, 30},
        {"CUTTER 10,0,0,0,0,0,30", kToolFlat, 10, 0, 0, 0, 0, 0, 30},
        {"CUTTER 10,2,3,2,0,0,30", kToolBull, 10, 2, 3, 2, 0, 0, 30},
        {"CUTTER 10,0,5,0,59;2,0,40", kToolOther, 10, 0, 5, 0, 59, 0, 40},
        {"BULL 10,2,30 \"B\"\n FLAT 6,15", kToolFlat, 6, 0, 0, 0, 0, 0, 15},  // replaces all
    };
    for (const ShapeCase& c : cases) {
        const ToolRecord t = tool1(read(std::string("MAGAZINE01 ") + c.keywords + "\n"));
        EXPECT_EQ(t.defined, 1) << c.keywords;
        EXPECT_EQ(t.type, c.type) << c.keywords;
        EXPECT_EQ(t.d, c.d) << c.keywords;
        EXPECT_EQ(t.r, c.r) << c.keywords;
        EXPECT_EQ(t.e, c.e) << c.keywords;
        EXPECT_EQ(t.f, c.f) << c.keywords;
        EXPECT_EQ(t.alpha, c.alpha) << c.keywords;
        EXPECT_EQ(t.beta, c.beta) << c.keywords;
        EXPECT_EQ(t.h, c.h) << c.keywords;
    }
    EXPECT_EQ(tool1(read("MAGAZINE01 VERTICAL 20,3,25\n")).vertical_width, 3.0f);
    EXPECT_EQ(tool1(read("MAGAZINE01 CUTTER 10,0,5,0,59;2,0,40\n")).tip_diameter, 2.0f);
    EXPECT_TRUE(tool1(read("MAGAZINE01 BULL 10,2,30 \"B\"\n FLAT 6,15\n")).name.empty());
}

TEST(ToolShapes, FlatNamedKegakiIsAScribingToolWithoutLengthsOrHolder) {
    const ToolTable t = read("MAGAZINE01 FLAT 8,20 \"KEGAKI-1\" LENGTH 40\n ARBOR 20,30\n"
                             "MAGAZINE02 FLAT 8,20 \"kegaki small\"\n"
                             "MAGAZINE03 LENGTH2 40,12,3,6\n FLAT 8,20 \"KEGAKI-2\"\n ARBOR 20,30\n");
    EXPECT_EQ(t.entries[1].tool.type, kToolKegaki);
    EXPECT_EQ(t.entries[1].tool.name, "KEGAKI-1");
    EXPECT_EQ(t.entries[2].tool.type, kToolKegaki);
    // Lengths given before the name made it a scribing tool are dropped after reading too.
    for (int n : {1, 3}) {
        EXPECT_EQ(t.entries[n].length.kind, kLengthNone) << n;
        EXPECT_EQ(t.entries[n].holder.defined, 0) << n;
    }
}

TEST(ToolShapes, DrillGetsItsNameInTheCurrentLanguage) {
    {
        Language english(true);
        const ToolTable t = read("MAGAZINE01 DRILL 8.5,31,40\nMAGAZINE02 DRILL 6,59,30 \"D6\"\n");
        EXPECT_EQ(t.entries[1].tool.name, "Drill");
        EXPECT_EQ(t.entries[2].tool.name, "D6");
    }
    Language japanese(false);
    EXPECT_EQ(tool1(read("MAGAZINE01 DRILL 8.5,31,40\n")).name, "ドリル");
}

TEST(ToolShapes, TaperBallDiameterFromRadiusAndAngle) {
    const double b = 5 * kDeg, d = 6 * (std::cos(b) + std::sin(b) * std::tan(b) - std::tan(b));
    const ToolRecord tb = tool1(read("MAGAZINE01 TAPERBALL 3,5;0,20 \"TB3\"\n"));
    EXPECT_EQ(tb.type, kToolTaperBall);
    EXPECT_NEAR(tb.d, d, 1e-6);
    EXPECT_EQ(tb.r, 3.0f);
    EXPECT_EQ(tb.beta, 5.0f);
    EXPECT_EQ(tb.h, 20.0f);
    EXPECT_EQ(tb.name, "TB3");
    // A CUTTER line is a taper ball when its diameter is that one.
    char exact[128], off[128];
    std::snprintf(exact, sizeof exact, "MAGAZINE01 CUTTER %.7f,3,0,3,0,5,20\n", d);
    std::snprintf(off, sizeof off, "MAGAZINE01 CUTTER %.7f,3,0,3,0,5,20\n", d + 0.001);
    EXPECT_EQ(tool1(read(exact)).type, kToolTaperBall);
    EXPECT_EQ(tool1(read(off)).type, kToolOther);
}

// The smallest and largest top diameter allowed, worked from the limit formulas.
double top_floor(double d, double r, double alpha, double beta) {
    const double a = alpha * kDeg, b = beta * kDeg;
    return 2 * (d / 2 + std::sin(b) * r / std::tan((a + b) / 2 + std::numbers::pi / 4));
}
double top_ceiling(double d, double alpha, double beta, double h) {
    return 2 * (d / 2 + (h - d / 2 * std::tan(alpha * kDeg)) * std::tan(beta * kDeg));
}

TEST(ToolShapes, TopDiameterIsHeldBetweenCornerEndAndBladeHeight) {
    const ToolTable t = read("MAGAZINE01 CUTTER 10,1,4,1,0,5;12,40\n"
                             "MAGAZINE02 CUTTER 10,1,4,1,0,5;8,40\n"
                             "MAGAZINE03 CUTTER 10,1,4,1,0,5;30,40\n"
                             "MAGAZINE04 TAPERBALL 3,5;4,20\n");
    EXPECT_EQ(t.entries[1].tool.top_diameter, 12.0f);
    EXPECT_EQ(t.entries[1].tool.h, 40.0f);
    EXPECT_NEAR(t.entries[2].tool.top_diameter, top_floor(10, 1, 0, 5), 1e-5);
    EXPECT_NEAR(t.entries[3].tool.top_diameter, top_ceiling(10, 0, 5, 40), 1e-5);
    // 4 is below the taper ball's corner end diameter, 2 R cos(beta).
    EXPECT_NEAR(t.entries[4].tool.top_diameter, 6 * std::cos(5 * kDeg), 1e-5);
}

// ---- Value syntax ----
// Several keywords share a line, values come after commas, names are quoted; text inside a name
// or an unquoted word must not be taken for keywords.

TEST(ToolSyntax, KeywordsFollowEachOtherAndContinueOnLaterLines) {
    const ToolTable t = read("MAGAZINE01 BALL 6,20 \"B6\" PEN 3 SHIFT 0.5\n"
                             "   LENGTH 45\n"
                             "MAGAZINE02 FLAT 4,10\n");
    EXPECT_EQ(tool1(t).name, "B6");
    EXPECT_EQ(t.entries[1].pen, 3);
    EXPECT_EQ(t.entries[1].shift, 0.5f);
    EXPECT_EQ(t.entries[1].length.kind, kLength1);
    EXPECT_EQ(t.entries[1].length.L[0], 45.0f);
    EXPECT_EQ(t.entries[2].length.kind, kLengthNone);
}

TEST(ToolSyntax, NameTextIsNotReadAsKeywords) {
    const ToolTable t = read("MAGAZINE01 BALL 6,20 \"PEN 5 LENGTH 9\"\nMAGAZINE02 BALL 6,20 MYPEN LENGTH 30\n");
    EXPECT_EQ(t.entries[1].pen, 0);
    EXPECT_EQ(t.entries[1].length.kind, kLengthNone);
    EXPECT_EQ(tool1(t).name, "PEN 5 LENGTH 9");
    // An unquoted word is no name and is skipped whole; the keyword after it still counts.
    EXPECT_TRUE(t.entries[2].tool.name.empty());
    EXPECT_EQ(t.entries[2].pen, 0);
    EXPECT_EQ(t.entries[2].length.kind, kLength1);
    EXPECT_EQ(t.entries[2].length.L[0], 30.0f);
}

TEST(ToolSyntax, ShiftJisNameKeptAsBytes) {
    const std::string name = "\x83\x7B\x81\x5B\x83\x8B" "6";  // "ボール6" in Shift-JIS
    const ToolTable t = read("MAGAZINE01 BALL 6,20 \"" + name + "\" PEN 2\n");
    EXPECT_EQ(tool1(t).name, name);
    EXPECT_EQ(t.entries[1].pen, 2);
    EXPECT_EQ(find_tool_by_name(t, name), 1);
    EXPECT_EQ(find_tool_by_name(t, "other"), -1);
}

TEST(ToolSyntax, ShiftJisTrailBytesAreNotLetters) {
    // "ア" is 83 41: its trail byte is an ASCII "A"; "アTL 5" read as ATL would replace the holder.
    const ToolTable t = read("ARBOR 30,40\nMAGAZINE01 FLAT 6,20 LENGTH 30 PEN 4 \x83\x41TL 5\n");
    EXPECT_EQ(t.entries[1].pen, 4);
    EXPECT_EQ(t.entries[1].holder.defined, 1);
    EXPECT_EQ(t.entries[1].holder.count, 1);
}

// ---- Lengths, pen, shift ----

TEST(ToolLengths, EachKindKeepsItsValuesInPlace) {
    using L = std::array<float, 6>;
    const ToolTable t = read("MAGAZINE01 FLAT 6,15 LENGTH 40\n"
                             "MAGAZINE02 BALL 2,4 LENGTH2 40,12,3,6\nMAGAZINE03 BALL 2,4 LENGTH2A 40,12,3,6\n"
                             "MAGAZINE04 BALL 1,2 LENGTH3 50,8,2,10,20,6\nMAGAZINE05 BALL 1,2 LENGTH3A 50,8,2,10,20,6\n");
    const int kinds[] = {0, kLength1, kLength2, kLength2, kLength3, kLength3};
    const L values[] = {{}, {40}, {40, 12, 3, 0, 0, 6}, {40, 12, 3, 0, 0, 6}, {50, 8, 2, 10, 20, 6}, {50, 8, 2, 10, 20, 6}};
    for (int n = 1; n <= 5; ++n) {
        EXPECT_EQ(t.entries[n].length.kind, kinds[n]) << n;
        EXPECT_EQ(t.entries[n].length.L, values[n]) << n;
    }
}

TEST(ToolLengths, PenIsLimitedToItsRange) {
    const ToolTable t = read("MAGAZINE01 FLAT 6,15 PEN 12\nMAGAZINE02 FLAT 6,15 PEN 0\n"
                             "MAGAZINE03 FLAT 6,15 PEN 3.9\nMAGAZINE04 FLAT 6,15 PEN -2\n");
    EXPECT_EQ(t.entries[1].pen, 7);
    EXPECT_EQ(t.entries[2].pen, 0);
    EXPECT_EQ(t.entries[3].pen, 3);
    EXPECT_EQ(t.entries[4].pen, 0);
}

// ---- Limits and feed optimisation ----
// The four limit values by step direction and the feed tables; a wrong kind would switch a run
// between stopping and logging.

TEST(ToolLimits, PercentOfCrossSectionInAllFour) {
    const ToolTable t = read("MAGAZINE01 FLAT 10,20 LIMIT 50%\n");
    const LimitRecord& l = t.entries[1].limit;
    EXPECT_EQ(l.kind, kLimitArea);
    for (float v : l.values) EXPECT_NEAR(v, 50.0 / 100 * std::numbers::pi * 100 / 4, 1e-4);  // 39.27
}

TEST(ToolLimits, KindsAndFourValues) {
    const ToolTable t = read("MAGAZINE01 FLAT 20,20 LIMITS 100,200,300,400\n"
                             "MAGAZINE02 FLAT 20,20 LIMITP 5\n"
                             "MAGAZINE03 FLAT 20,20 LIMITSP 10%,20,30 %,40\n");
    EXPECT_EQ(t.entries[1].limit.kind, kLimitRate);
    EXPECT_EQ(t.entries[1].limit.values, (std::array<float, 4>{100, 200, 300, 400}));
    EXPECT_EQ(t.entries[2].limit.kind, kLimitAreaLog);
    EXPECT_EQ(t.entries[2].limit.values, (std::array<float, 4>{5, 5, 5, 5}));
    const LimitRecord& l = t.entries[3].limit;  // percentages of 20 x 20 x pi / 4
    EXPECT_EQ(l.kind, kLimitRateLog);
    EXPECT_NEAR(l.values[0], 10 * std::numbers::pi, 1e-4);
    EXPECT_EQ(l.values[1], 20.0f);
    EXPECT_NEAR(l.values[2], 30 * std::numbers::pi, 1e-4);
    EXPECT_EQ(l.values[3], 40.0f);
}

TEST(ToolFeed, SetsByLetterWithPairsEndingAtZero) {
    const ToolTable t = read("MAGAZINE01 FLAT 10,20\n OPT-F 1000,5,800,10,600,0,400\n OPT-FV 500\n"
                             " OPT-FU 700,3,650\n OPT-FD 900,2,850,4,700\n");
    const FeedOptRecord& f = t.entries[1].feed;
    const int counts[] = {2, 0, 1, 2};
    const float firsts[] = {1000, 500, 700, 900};
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(f.sets[k].used, 1) << k;
        EXPECT_EQ(f.sets[k].count, counts[k]) << k;
        EXPECT_EQ(f.sets[k].first, firsts[k]) << k;
    }
    EXPECT_EQ(f.sets[0].steps[0].removal, 5.0f);
    EXPECT_EQ(f.sets[0].steps[0].feed, 800.0f);
    EXPECT_EQ(f.sets[0].steps[1].removal, 10.0f);
    EXPECT_EQ(f.sets[0].steps[1].feed, 600.0f);
    EXPECT_EQ(f.sets[3].steps[1].removal, 4.0f);
}

TEST(ToolFeed, AtMostNineteenPairs) {
    std::string line = "MAGAZINE01 FLAT 10,20 OPT-F 1000";
    for (int i = 1; i <= 25; ++i) line += "," + std::to_string(i) + "," + std::to_string(1000 - i);
    const ToolTable t = read(line + "\n");
    EXPECT_EQ(t.entries[1].feed.sets[0].count, 19);
    EXPECT_EQ(t.entries[1].feed.sets[0].steps[18].removal, 19.0f);
}

// ---- MAGAZINE lines and the file's course ----

TEST(ToolMagazine, NumberFormsAndHighestTool) {
    const ToolTable t = read("MAGAZINE 3 FLAT 6,20\nmagazine01 BALL 4,10\n");
    EXPECT_EQ(t.entries[3].tool.type, kToolFlat);
    EXPECT_EQ(t.entries[1].tool.type, kToolBall);
    EXPECT_EQ(t.highest_tool, 11);  // at least 11
    EXPECT_EQ(read("MAGAZINE15 FLAT 6,20\nMAGAZINE99 FLAT 6,20\n").highest_tool, 99);
}

// The number is two characters wide: a third digit is not part of it (the keywords start after
// the two), so "MAGAZINE120" is tool 12 and "MAGAZINE201" tool 20, which keeps the reading going.
TEST(ToolMagazine, NumberIsTwoCharactersWide) {
    const ToolTable t = read("MAGAZINE120 FLAT 6,20\nMAGAZINE201 BALL 4,10\nMAGAZINE02 BALL 4,10\n");
    EXPECT_EQ(t.entries[12].tool.type, kToolFlat);
    EXPECT_EQ(t.entries[20].tool.type, kToolBall);
    EXPECT_EQ(t.entries[2].tool.defined, 1);
    EXPECT_EQ(t.entries[120].tool.defined, 0);
    EXPECT_EQ(t.highest_tool, 20);
}

TEST(ToolMagazine, NumberOutsideTheTableEndsTheReading) {
    const ToolTable t = read("MAGAZINE01 FLAT 6,20\nMAGAZINE00 BALL 4,10\nMAGAZINE02 BALL 4,10\n");
    EXPECT_EQ(t.entries[1].tool.defined, 1);
    EXPECT_EQ(t.entries[2].tool.defined, 0);
}

TEST(ToolMagazine, InitialToolLine) {
    EXPECT_EQ(read("I5\nMAGAZINE05 FLAT 6,20\n").initial_tool, 5);
    EXPECT_EQ(read("I5\n").current_tool, 5);
    EXPECT_EQ(read("I 999\n").initial_tool, 1);  // outside the table: kept at 1
    EXPECT_EQ(read("").initial_tool, 1);
}

TEST(ToolMagazine, ReopeningAToolResetsLengthPenShiftAndFeed) {
    const ToolTable t = read("MAGAZINE01 BULL 10,2,30 LENGTH 40 PEN 4 SHIFT 2 OPT-F 100\nMAGAZINE01 PEN 2\n");
    const ToolEntry& e = t.entries[1];
    EXPECT_EQ(e.tool.type, kToolBull);
    EXPECT_EQ(e.length.kind, kLengthNone);
    EXPECT_EQ(e.pen, 2);
    EXPECT_EQ(e.shift, 0.0f);
    EXPECT_EQ(e.feed.sets[0].used, 0);
}

TEST(ToolMagazine, CommentsAndCrLf) {
    const ToolTable t = read("# tools\r\nMAGAZINE01 FLAT 6,20\r\n#MAGAZINE02 FLAT 6,20\r\n PEN 5\r\n");
    EXPECT_EQ(t.entries[1].pen, 5);
    EXPECT_EQ(t.entries[2].tool.defined, 0);
}

// ---- Reading failures and bad input ----
// Whatever the bytes, reading finishes with finite values; an unreadable file leaves nothing of
// the previous reading.

TEST(ToolReading, MissingFileClearsTablesAndSetsStateMinusOne) {
    testing::TempDir dir;
    ToolTable table;
    allocate_tool_tables(table, 200);
    const std::string path = dir.write("atc.ttl", "MAGAZINE01 FLAT 6,20\n");
    ASSERT_EQ(read_tool_file(table, path, {}), 1);
    EXPECT_EQ(table.entries[1].tool.defined, 1);
    EXPECT_GT(table.file_time, 0);
    EXPECT_EQ(read_tool_file(table, dir.path() + "none.ttl", {}), -1);
    EXPECT_EQ(table.read_state, -1);
    EXPECT_EQ(table.entries[1].tool.defined, 0);
    EXPECT_EQ(table.initial_tool, 1);
}

TEST(ToolReading, FileFoundWhateverItsCaseAndWatchedForChange) {
    testing::TempDir dir;
    ToolTable table;
    const std::string path = dir.write("ATC.TTL", "MAGAZINE02 BALL 6,20\n");
    EXPECT_EQ(read_tool_file(table, dir.path() + "atc.ttl", {}), 1);
    EXPECT_EQ(max_tool_number(table), kDefaultMaxMagazine);  // allocated on demand
    EXPECT_EQ(table.entries[2].tool.type, kToolBall);
    EXPECT_EQ(table.path, path);
    EXPECT_FALSE(tool_file_changed(table));
    std::filesystem::last_write_time(path, std::filesystem::last_write_time(path) + std::chrono::seconds(5));
    EXPECT_TRUE(tool_file_changed(table));
}

TEST(ToolReading, AbsurdNumbersStayFinite) {
    const ToolTable t = read("MAGAZINE01 BALL 1e300,30 SHIFT -1e999 LIMIT 1e300%\n"
                             "MAGAZINE02 BULL nan,inf,-10 PEN 1e300\n"
                             "MAGAZINE03 CUTTER 10,1,4,1,1e300;1e300,1e300;1e300,1e300\n");
    EXPECT_EQ(tool1(t).d, FLT_MAX);
    EXPECT_EQ(t.entries[1].shift, -FLT_MAX);
    EXPECT_EQ(t.entries[2].pen, 7);
    for (const ToolEntry& e : t.entries) {
        const ToolRecord& r = e.tool;
        for (float v : {r.d, r.r, r.e, r.f, r.alpha, r.tip_diameter, r.beta, r.top_diameter, r.h, e.shift})
            EXPECT_TRUE(std::isfinite(v));
        for (float v : e.limit.values) EXPECT_TRUE(std::isfinite(v));
    }
}

TEST(ToolReading, GarbageAndTruncatedLinesAreSkipped) {
    std::string bytes = "MAGAZINE01 CUTTER 10,\nMAGAZINE02 ARBOR3 ,,,\n\x01\x02\xff\xfe ,;;%%\"\"\"\n";
    for (int i = 0; i < 256; ++i) bytes += static_cast<char>(i);
    bytes += "\nMAGAZINE03 FLAT 6,20 \"unterminated\nMAGAZINE04 LIMIT\nMAGAZINE05 OPT-F";
    const ToolTable t = read(bytes);
    EXPECT_EQ(t.entries[1].tool.d, 10.0f);
    EXPECT_EQ(t.entries[3].tool.name, "unterminated");
    EXPECT_EQ(t.entries[4].limit.kind, kLimitArea);
    EXPECT_EQ(t.entries[5].feed.sets[0].used, 1);
}

TEST(ToolReading, LongLineIsReadAsLinesOf1023Bytes) {
    // What follows the 1023rd byte is a line of its own, here a MAGAZINE line.
    const ToolTable t = read("MAGAZINE01 FLAT 6,20" + std::string(1003, ' ') + "MAGAZINE02 BALL 4,10\n");
    EXPECT_EQ(t.entries[2].tool.type, kToolBall);
}

TEST(ToolReading, RereadingStartsFromClearedTables) {
    ToolTable table;
    read_tool_text(table, "I3\nMAGAZINE01 FLAT 6,20 PEN 4\n", "", {});
    read_tool_text(table, "MAGAZINE02 FLAT 6,20\n", "", {});
    EXPECT_EQ(table.entries[1].tool.defined, 0);
    EXPECT_EQ(table.entries[1].pen, 0);
    EXPECT_EQ(table.initial_tool, 1);
}

TEST(ToolReading, TableSizeFollowsMaxMagazineWithinReason) {
    ToolTable table;
    allocate_tool_tables(table, 50);
    EXPECT_EQ(max_tool_number(table), 50);
    allocate_tool_tables(table, -5);
    EXPECT_EQ(max_tool_number(table), 0);
    allocate_tool_tables(table, 2000000000);
    EXPECT_EQ(max_tool_number(table), kMaxMagazineCap);
    free_tool_tables(table);
    EXPECT_EQ(max_tool_number(table), -1);
}

// ---- Tool base point ----
// Which point of each tool the NC coordinates address; the shift moves the tip by it.

TEST(ToolBasePoint, EachModeAddsItsHeight) {
    using BP = ToolBasePoint;
    const std::string text = "MAGAZINE01 BALL 10,30 LENGTH 40 SHIFT 1.5\n"
                             "MAGAZINE02 BULL 10,2,30\n"
                             "MAGAZINE03 FLAT 10,30\n"
                             "MAGAZINE04 DRILL 10,31,40 LENGTH 40\n ARBOR 20,30,40,50\n";
    const auto shifts = [&](BP bp) {
        const ToolTable t = read(text, bp);
        return std::array<float, 4>{t.entries[1].shift, t.entries[2].shift, t.entries[3].shift, t.entries[4].shift};
    };
    EXPECT_EQ(shifts(BP::Bottom), (std::array<float, 4>{1.5f, 0, 0, 0}));
    EXPECT_EQ(shifts(BP::BallCenter), (std::array<float, 4>{6.5f, 0, 0, 0}));
    EXPECT_EQ(shifts(BP::RHeight), (std::array<float, 4>{6.5f, 2, 0, 0}));
    EXPECT_EQ(shifts(BP::LengthTop), (std::array<float, 4>{41.5f, 0, 0, 40}));
    EXPECT_EQ(shifts(BP::ArborTop), (std::array<float, 4>{41.5f, 0, 0, 120}));  // 40 + 30 + 50
    const auto f = shifts(BP::FCenter);
    EXPECT_EQ(f[0], 6.5f);
    EXPECT_EQ(f[1], 2.0f);
    EXPECT_EQ(f[2], 0.0f);
    EXPECT_NEAR(f[3], 5 * std::tan(31 * kDeg), 1e-6);  // the drill's corner point
}

TEST(ToolBasePoint, TaperBallCentreIsItsBallCentre) {
    const ToolTable t = read("MAGAZINE01 TAPERBALL 3,5;0,20\n", ToolBasePoint::BallCenter);
    EXPECT_EQ(t.entries[1].shift, 3.0f);
}

}  // namespace
}  // namespace vx::sim
