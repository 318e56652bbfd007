#include "nc/reader.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vx::nc {
namespace {

using vx::testing::TempDir;

Ctl parsed(std::string_view text) {
    Ctl c;
    parse_ctl(text, c);
    return c;
}

struct Block {
    std::string text;
    int line;
    friend bool operator==(const Block&, const Block&) = default;
};

void PrintTo(const Block& b, std::ostream* os) { *os << "{\"" << b.text << "\", " << b.line << "}"; }

// Every block the reader gives for `program` under `ctl`, with the main line counter.
std::vector<Block> blocks(const Ctl& ctl, std::string_view program, Reader& r) {
    start_run(r, ctl);
    open_main_bytes(r, program);
    std::vector<Block> out;
    while (read_next_block(r) == 1) out.push_back({std::string(current_block(r)), r.line_number});
    return out;
}

std::vector<Block> blocks(const Ctl& ctl, std::string_view program) {
    Reader r;
    return blocks(ctl, program, r);
}

std::vector<std::string> texts(const Ctl& ctl, std::string_view program) {
    std::vector<std::string> out;
    for (const Block& b : blocks(ctl, program)) out.push_back(b.text);
    return out;
}

using Texts = std::vector<std::string>;

// ---- Lines ----
// Every block ends in one LF whatever the file's line ends, and no block is longer than 255
// characters; the pieces of a longer line keep the line's number for the messages.

TEST(ReaderLines, LineEndsBecomeOneLf) {
    const Ctl ctl;
    EXPECT_EQ(blocks(ctl, "G0\r\nG1\n\nG2"),
              (std::vector<Block>{{"G0\n", 1}, {"G1\n", 2}, {"\n", 3}, {"G2\n", 4}}));
    EXPECT_TRUE(blocks(ctl, "").empty());
}

TEST(ReaderLines, LongLinesComeInPiecesOf255) {
    const Ctl ctl;
    const std::string a(300, 'a'), b(255, 'b');
    EXPECT_EQ(blocks(ctl, a + "\n" + b + "\r\nZ\n"),
              (std::vector<Block>{{std::string(255, 'a') + "\n", 1},
                                  {std::string(45, 'a') + "\n", 1},
                                  {b + "\n", 2},
                                  {"Z\n", 3}}));
    // 256 characters without a line end at the end of the file: a full piece and a short one.
    EXPECT_EQ(texts(ctl, std::string(256, 'c')), (Texts{std::string(255, 'c') + "\n", "c\n"}));
}

TEST(ReaderLines, FileSourceReadsLikeMemory) {
    TempDir dir;
    std::string program;
    for (int i = 0; i < 5000; ++i) program += "N" + std::to_string(i) + " G01 X" + std::to_string(i) + ".5\r\n";
    program += std::string(600, 'q');  // a long last line without a line end across a chunk edge
    const std::string path = dir.write("long.nc", program);
    const Ctl ctl;
    Reader from_file;
    start_run(from_file, ctl);
    ASSERT_EQ(open_main_file(from_file, path), 1);
    std::vector<std::string> got;
    while (read_next_block(from_file) == 1) got.emplace_back(current_block(from_file));
    EXPECT_EQ(got, texts(ctl, program));
    EXPECT_EQ(got.size(), 5003u);
    Reader missing;
    EXPECT_EQ(open_main_file(missing, dir.path() + "absent.nc"), 0);
}

// ---- Text replacements ----
// Positions are tried left to right and pairs in file order; behind a match one character is
// skipped; at most 30 replacements a line.

TEST(ReaderReplacements, InOrderCaseInsensitiveSkippingOneCharacter) {
    const Ctl ctl = parsed("REPLACE \"g43\" \"G43.4\"\nREPLACE \"AB\" \"X\"\n");
    EXPECT_EQ(texts(ctl, "G43 H1\nABAB\nAB.AB\n"), (Texts{"G43.4 H1\n", "XAB\n", "X.X\n"}));
    const Ctl first = parsed("REPLACE \"A\" \"1\"\nREPLACE \"AB\" \"2\"\n");
    EXPECT_EQ(texts(first, "AB\n"), (Texts{"1B\n"}));
}

TEST(ReaderReplacements, AtMostThirtyAndNeverBeyond255) {
    const Ctl ctl = parsed("REPLACE \"A\" \"B\"\n");
    std::string expected;
    for (int i = 0; i < 30; ++i) expected += "BA";
    EXPECT_EQ(texts(ctl, std::string(70, 'A')), (Texts{expected + std::string(10, 'A') + "\n"}));
    const Ctl grow = parsed("REPLACE \"X\" \"XXXXXXXXXX\"\n");
    EXPECT_EQ(texts(grow, std::string(200, 'X')), (Texts{std::string(255, 'X') + "\n"}));
}

// ---- Character check ----
// The alarm must name the first offending character at its 1-based position; comment text is
// not checked but its parentheses are.

TEST(ReaderCharacterCheck, AllowedCharactersAndDoublePoints) {
    const Ctl ctl = parsed("CODE CHECK=YES\nCHECK CHAR=\"GXYF. \"\n");
    Alarm a;
    EXPECT_EQ(check_characters("G01 X1.0 Y2.0 F100", ctl, a, 1), 1);
    EXPECT_EQ(a.code, 0);
    EXPECT_EQ(check_characters("G01 X1.0$", ctl, a, 3), 0);
    EXPECT_EQ(a.code, kAlarmInvalidCharacter);
    EXPECT_EQ(a.position, 9);
    EXPECT_EQ(a.text, "$");
    EXPECT_EQ(a.line, 3);
    Alarm b;
    EXPECT_EQ(check_characters("X1.2.3", ctl, b, 1), 0);
    EXPECT_EQ(b.code, kAlarmDoubleDecimal);
    EXPECT_EQ(b.position, 5);
    Alarm m;
    check_characters("M03", ctl, m, 1);
    EXPECT_EQ(m.code, kAlarmInvalidCharacter);
    EXPECT_EQ(m.position, 1);
    EXPECT_EQ(m.text, "M");
}

TEST(ReaderCharacterCheck, CommentsAndRuns) {
    Alarm a;
    EXPECT_EQ(check_characters("G01(#$%..)X1", parsed("CHECK CHAR=\"GX()\"\n"), a, 1), 1);
    EXPECT_EQ(check_characters("G01(a)", parsed("CHECK CHAR=\"GX\"\n"), a, 1), 0);
    EXPECT_EQ(a.position, 4);
    EXPECT_EQ(a.text, "(");
    const Ctl points_only = parsed("CODE CHECK=YES\n");
    Alarm b;
    EXPECT_EQ(check_characters("X1.2Y3.4#5.6", points_only, b, 1), 1);
    EXPECT_EQ(check_characters("X1..2", points_only, b, 1), 0);
    EXPECT_EQ(b.position, 4);
    Alarm c;  // a non-ASCII character is named whole, as UTF-8
    EXPECT_EQ(check_characters("X1\x82\xa0", parsed("CHECK CHAR=\"X\"\n"), c, 1), 0);
    EXPECT_EQ(c.position, 3);
    EXPECT_EQ(c.text, "\xe3\x81\x82");
}

TEST(ReaderCharacterCheck, ReadingStopsAtTheFirstFinding) {
    const Ctl ctl = parsed("CODE CHECK=YES\nCHECK CHAR=\"GX. \"\n");
    Reader r;
    start_run(r, ctl);
    open_main_bytes(r, "G0 X1.\nG0 X$\nG0 Y1\n");
    ASSERT_EQ(read_next_block(r), 1);
    EXPECT_EQ(r.alarm.code, 0);
    ASSERT_EQ(read_next_block(r), 1);  // the block is given so that the run stops after it
    EXPECT_EQ(current_block(r), "G0 X$\n");
    EXPECT_EQ(r.alarm.code, kAlarmInvalidCharacter);
    EXPECT_EQ(r.alarm.line, 2);
    EXPECT_EQ(r.alarm.position, 5);
    read_next_block(r);
    EXPECT_EQ(r.alarm.line, 2);  // the first alarm is kept
}

// ---- Optional block skip ----

TEST(ReaderBlockSkip, LevelsChooseWhichSlashLinesGo) {
    const std::string program = "/2 X1\n/ X2\n/1 X3\n/9 X4\n/0 X5\nX6\n";
    EXPECT_EQ(texts(parsed("OPTIONAL BLOCK SKIP=2\n"), program), (Texts{"/ X2\n", "/1 X3\n", "/9 X4\n", "/0 X5\n", "X6\n"}));
    EXPECT_EQ(texts(parsed("OPTIONAL BLOCK SKIP=1\n"), program), (Texts{"/2 X1\n", "/9 X4\n", "X6\n"}));
    EXPECT_EQ(texts(parsed(""), program).size(), 6u);
    EXPECT_EQ(blocks(parsed("OPTIONAL BLOCK SKIP=1\n"), "/ X\nX6\n"), (std::vector<Block>{{"X6\n", 2}}));
}

// ---- Start code ----
// Lines before the start code are discarded, the start line itself too; the next start-code
// line of the main program ends it.

TEST(ReaderStartCode, StartsAndEndsTheProgram) {
    const Ctl ctl = parsed("EOR=%\n");
    Reader r;
    EXPECT_EQ(blocks(ctl, "O1 (header)\n% \nG0 X1\n%\nG0 X2\n", r), (std::vector<Block>{{"G0 X1\n", 3}}));
    EXPECT_EQ(r.end, ReadEnd::StartCode);
    EXPECT_FALSE(start_code_missing(r));
    EXPECT_EQ(texts(ctl, " %\nG1\n"), (Texts{"G1\n"}));  // behind one blank
    EXPECT_EQ(texts(ctl, "% \n%\n"), (Texts{}));
}

TEST(ReaderStartCode, MissingStartCodeIsReported) {
    const Ctl ctl = parsed("EOR=%\n");
    Reader r;
    EXPECT_TRUE(blocks(ctl, "G0 X1\nG1 X2\n", r).empty());
    EXPECT_EQ(r.end, ReadEnd::EndOfFile);
    EXPECT_TRUE(start_code_missing(r));
    EXPECT_EQ(texts(parsed(""), "%\nG0\n%\n"), (Texts{"%\n", "G0\n", "%\n"}));  // no start code defined
}

// ---- Source chain ----
// Subprogram levels are read before the main program; a finished file returns to its caller;
// a fifth level and a missing file are refused without disturbing the reading.

TEST(ReaderSources, SubprogramFilesNestAndReturn) {
    TempDir dir;
    const std::string sub = dir.write("O100", "S1\nS2");
    const std::string inner = dir.write("O200", "T1\n");
    const Ctl ctl;
    Reader r;
    start_run(r, ctl);
    open_main_bytes(r, "A\nB\n");
    ASSERT_EQ(read_next_block(r), 1);
    ASSERT_EQ(push_subprogram_file(r, sub, "O100"), 1);
    ASSERT_EQ(read_next_block(r), 1);
    EXPECT_EQ(current_block(r), "S1\n");
    EXPECT_EQ(r.source, BlockSource::Subprogram);
    ASSERT_EQ(push_subprogram_file(r, inner, "O200"), 1);
    EXPECT_EQ(push_subprogram_file(r, dir.path() + "absent", "X"), 0);
    ASSERT_EQ(read_next_block(r), 1);
    EXPECT_EQ(current_block(r), "T1\n");
    ASSERT_EQ(read_next_block(r), 1);
    EXPECT_EQ(current_block(r), "S2\n");
    EXPECT_EQ(r.block_line, 2);
    ASSERT_EQ(read_next_block(r), 1);
    EXPECT_EQ(current_block(r), "B\n");
    EXPECT_EQ(r.line_number, 2);
    EXPECT_EQ(r.source, BlockSource::Main);
    EXPECT_EQ(pop_subprogram(r), 0);
    for (int level = 0; level < kMaxNesting; ++level) EXPECT_EQ(push_subprogram_file(r, sub, "O100"), 1);
    EXPECT_EQ(push_subprogram_file(r, sub, "O100"), 0);
}

TEST(ReaderSources, MemoryProgramsAreNotReplacedTwice) {
    const Ctl ctl = parsed("REPLACE \"X\" \"XX\"\nEOR=%\n");
    const std::string image = "%\nO1\nXX1\nM99\n";  // replacements are done when the image is made
    Reader r;
    start_run(r, ctl);
    open_main_bytes(r, "%\nX5\nM98 P1\n%\nX9\n");
    ASSERT_EQ(read_next_block(r), 1);
    EXPECT_EQ(current_block(r), "XX5\n");
    ASSERT_EQ(push_memory_program(r, image, image.find("O1"), "O0001"), 1);
    Texts got;
    while (read_next_block(r) == 1) {
        got.emplace_back(current_block(r));
        if (got.back() == "M99\n") pop_subprogram(r);
    }
    EXPECT_EQ(got, (Texts{"O1\n", "XX1\n", "M99\n", "M98 P1\n"}));  // "%" ends only the main program
    EXPECT_EQ(r.end, ReadEnd::StartCode);
}

// ---- Stop blocks ----
// The M word that decides is the last one of the block and never one inside a comment, so
// "M00 M08" runs on while "M08 M00" stops; mode 2 adds M01; modes 1, 2 and 4 look at lines of
// the NC file itself only, while mode 3 stops at every block, a subprogram's or a plug-in's too.

TEST(ReaderStopBlocks, ByStopOption) {
    const Ctl ctl = parsed("STOP CHARACTER=STOP1,T12\n");
    EXPECT_TRUE(is_stop_block("M00\n", 1, ctl, true));
    EXPECT_FALSE(is_stop_block("M00 M08\n", 1, ctl, true));
    EXPECT_TRUE(is_stop_block("M08 M00\n", 1, ctl, true));
    EXPECT_FALSE(is_stop_block("(M00) G01 X1\n", 1, ctl, true));
    EXPECT_FALSE(is_stop_block("M01\n", 1, ctl, true));
    EXPECT_FALSE(is_stop_block("M98<M00.NC>\n", 1, ctl, true));
    EXPECT_TRUE(is_stop_block("M01\n", 2, ctl, true));
    EXPECT_TRUE(is_stop_block("G0 M0\n", 2, ctl, true));
    EXPECT_FALSE(is_stop_block("M02\n", 2, ctl, true));
    EXPECT_FALSE(is_stop_block("G01 X1\n", 2, ctl, true));
    EXPECT_TRUE(is_stop_block("G01 X1\n", 3, ctl, true));
    EXPECT_TRUE(is_stop_block("G0 T12 M6\n", 4, ctl, true));
    EXPECT_TRUE(is_stop_block("(STOP1)\n", 4, ctl, true));
    EXPECT_FALSE(is_stop_block("G0 T1\n", 4, ctl, true));
    EXPECT_FALSE(is_stop_block("M00\n", 0, ctl, true));
}

TEST(ReaderStopBlocks, LastMWordOutsideCommentsDecides) {
    Ctl ctl;
    ctl.stop_characters = {"X7", "(STOP)"};
    struct Case {
        const char* line;
        bool m1, m2, m4;
    };
    const Case cases[] = {
        {"M00", true, true, false},      {"M0", true, true, false},       {"M00 M08", false, false, false},
        {"M08 M00", true, true, false},  {"(M00)", false, false, false},  {"G00 X1. (M00) M08", false, false, false},
        {"M01", false, true, false},     {"M03", false, false, false},    {"M30", false, false, false},
        {"G00 X7.", false, false, true}, {"(STOP) M05", false, false, true}, {"G01 X1.", false, false, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(is_stop_block(c.line, 1, ctl, true), c.m1) << c.line;
        EXPECT_EQ(is_stop_block(c.line, 2, ctl, true), c.m2) << c.line;
        EXPECT_EQ(is_stop_block(c.line, 4, ctl, true), c.m4) << c.line;
        EXPECT_TRUE(is_stop_block(c.line, 3, ctl, true));
        EXPECT_FALSE(is_stop_block(c.line, 0, ctl, true));
        EXPECT_FALSE(is_stop_block(c.line, 1, ctl, false)) << "a subprogram line never stops in mode 1";
    }
    EXPECT_TRUE(is_stop_block("G00 X1.", 3, ctl, false));
}

TEST(ReaderStopBlocks, LastMWordFollowsTheDialect) {
    EXPECT_EQ(last_m_word("L X10 M3 ; M0\n", Dialect::Heidenhain), 3);
    EXPECT_EQ(last_m_word("L X10 M3 ; M0\n", Dialect::Default), 0);
    EXPECT_EQ(last_m_word("G01 X1\n", Dialect::Default), -1);
}

}  // namespace
}  // namespace vx::nc
