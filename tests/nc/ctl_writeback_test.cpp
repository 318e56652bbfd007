#include "nc/ctl.h"

#include "platform/files.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace vx::nc {
namespace {

using vx::testing::TempDir;

Ctl parsed(std::string_view text) {
    Ctl c;
    parse_ctl(text, c);
    return c;
}

// ---- Write-back of D and H offsets ----
// The offset dialogs rewrite the user's own file: every other line must keep its bytes and its
// place, changed entries replace their line, zeroed entries lose it, new ones go at the end.

TEST(CtlWriteBack, TypeADropsZeroedAndAppendsNewEntries) {
    const std::string file =
        "NAME(MAX20)=TEST\n"
        "TOOL OFFSET MEMORY=A\n"
        "MEMORY D05= 1.000000\n"
        "; comment\n"
        "MEMORY H01= 3.000000\n"
        "EOR=%\n";
    Ctl c = parsed(file);
    ASSERT_EQ(c.offset_memory, 1);
    c.d[5].value = 0.0f;
    c.d[7].value = 2.5f;
    c.d[7].wear = 0.5f;  // type A has no wear: not written
    EXPECT_EQ(offsets_written(file, c, OffsetTable::D),
              "NAME(MAX20)=TEST\n"
              "TOOL OFFSET MEMORY=A\n"
              "; comment\n"
              "MEMORY H01= 3.000000\n"
              "EOR=%\n"
              "MEMORY D07= 2.500000\n");
}

TEST(CtlWriteBack, TypeCReplacesInPlaceAndKeepsLineEnds) {
    const std::string file = "MEMORY D01= 1.000000,0.000000\r\nX\r\nMEMORY D02= 2.000000,0.000000\r\nLAST";
    Ctl c = parsed(file);
    c.d[1] = {1.5f, 0.25f};
    c.d[2] = {0.0f, 0.0f};
    c.d[123] = {4.0f, 0.0f};
    c.d[9] = {0.0f, -0.125f};  // wear alone keeps an entry in types B and C
    EXPECT_EQ(offsets_written(file, c, OffsetTable::D),
              "MEMORY D01= 1.500000,0.250000\r\n"
              "X\r\n"
              "LAST\r\n"  // the last line is ended before anything is appended
              "MEMORY D09= 0.000000,-0.125000\r\n"
              "MEMORY D123= 4.000000,0.000000\r\n");
}

TEST(CtlWriteBack, OtherTableAndUnknownIndicesAreCopied) {
    const std::string file = "MEMORY H03= 1.000000,0.000000\nMEMORY D1000= 9\nMEMORY D03= 1.000000,0.000000\n"
                             "MEMORY WK1= (1,2,3)\n";
    Ctl c = parsed(file);
    c.d[3].value = 2.0f;
    c.h[3].value = 5.0f;  // not the table being written
    EXPECT_EQ(offsets_written(file, c, OffsetTable::D),
              "MEMORY H03= 1.000000,0.000000\nMEMORY D1000= 9\nMEMORY D03= 2.000000,0.000000\n"
              "MEMORY WK1= (1,2,3)\n");
    EXPECT_EQ(offsets_written(file, c, OffsetTable::H),
              "MEMORY H03= 5.000000,0.000000\nMEMORY D1000= 9\nMEMORY D03= 1.000000,0.000000\n"
              "MEMORY WK1= (1,2,3)\n");
}

// A bare "D05=1.0" line sets the entry as a MEMORY line does; if it were copied unchanged, an
// entry zeroed in the dialog would come back from it at the next load.
TEST(CtlWriteBack, BareOffsetLinesAreRewrittenToo) {
    const std::string file = "D05=1.0\nD06=2.0\n";
    Ctl c = parsed(file);
    c.d[5].value = 0.0f;
    c.d[6].value = 3.0f;
    const std::string written = offsets_written(file, c, OffsetTable::D);
    EXPECT_EQ(written, "MEMORY D06= 3.000000,0.000000\n");
    EXPECT_FLOAT_EQ(parsed(written).d[5].value, 0.0f);
}

// What the program writes it must read back as written, wear included (it writes the wear
// behind a comma).
TEST(CtlWriteBack, WrittenTableReadsBackTheSame) {
    Ctl c;
    c.d[1] = {1.25f, -0.5f};
    c.d[42] = {0.0f, 0.75f};
    c.d[100] = {12.5f, 0.0f};
    c.d[999] = {-3.0f, 0.125f};
    const Ctl back = parsed(offsets_written("", c, OffsetTable::D));
    for (int n = 0; n < kOffsetEntries; ++n) {
        EXPECT_FLOAT_EQ(back.d[static_cast<std::size_t>(n)].value, c.d[static_cast<std::size_t>(n)].value) << n;
        EXPECT_FLOAT_EQ(back.d[static_cast<std::size_t>(n)].wear, c.d[static_cast<std::size_t>(n)].wear) << n;
    }
}

// ---- Write-back of the work offsets ----

TEST(CtlWriteBack, WorkOffsetsKeepTheirFormAndAppendByDialect) {
    const std::string file = "MEMORY G54= (1,2,3)\nMEMORY WK7= (0,0,1)\nMEMORY EXOFS= (0,0,-50)\n";
    Ctl c = parsed(file);
    c.work[1] = {1.5, 2, 3};
    c.work[7] = {0, 0, 0};
    c.work[2] = {5, 0, 0};
    c.work[8] = {0, 1, 0};
    c.work[0] = {9, 9, 9};  // the external offset is not written by this dialog
    EXPECT_EQ(work_offsets_written(file, c),
              "MEMORY G54= (1.500000,2.000000,3.000000)\n"
              "MEMORY EXOFS= (0,0,-50)\n"
              "MEMORY G55= (5.000000,0.000000,0.000000)\n"
              "MEMORY WK8= (0.000000,1.000000,0.000000)\n");
    c.product = Dialect::Osp;
    EXPECT_EQ(work_offsets_written(file, c),
              "MEMORY G54= (1.500000,2.000000,3.000000)\n"
              "MEMORY EXOFS= (0,0,-50)\n"
              "MEMORY WK2= (5.000000,0.000000,0.000000)\n"
              "MEMORY WK8= (0.000000,1.000000,0.000000)\n");
}

// ---- The file operations ----
// The old file must survive as ".bak", no ".new" may be left behind, and the recorded time must
// be the new file's so the change watch does not read the file again.

TEST(CtlWriteBack, RenamesThroughNewAndBak) {
    TempDir dir;
    const std::string before = "NAME(MAX20)=M\nMEMORY D01= 1.000000,0.000000\n";
    const std::string path = dir.write("zazar.ctl", before);
    dir.write("zazar.ctl.bak", "an old backup");
    Ctl c;
    ASSERT_EQ(load_ctl(path, c, dir.path()), 1);
    c.d[1].value = 2.0f;
    ASSERT_EQ(write_back_offsets(c, OffsetTable::D), 1);
    EXPECT_EQ(dir.read("zazar.ctl"), "NAME(MAX20)=M\nMEMORY D01= 2.000000,0.000000\n");
    EXPECT_EQ(dir.read("zazar.ctl.bak"), before);
    EXPECT_FALSE(platform::is_file(path + ".new"));
    EXPECT_EQ(c.file_time, platform::file_time(path));

    c.work[3] = {1, 2, 3};
    ASSERT_EQ(write_back_work_offsets(c), 1);
    EXPECT_EQ(dir.read("zazar.ctl"), "NAME(MAX20)=M\nMEMORY D01= 2.000000,0.000000\nMEMORY G56= (1.000000,2.000000,3.000000)\n");
    EXPECT_EQ(dir.read("zazar.ctl.bak"), "NAME(MAX20)=M\nMEMORY D01= 2.000000,0.000000\n");
}

TEST(CtlWriteBack, MissingFileFailsWithoutLeftovers) {
    TempDir dir;
    Ctl c;
    c.path = dir.path() + "gone.ctl";
    c.d[1].value = 1.0f;
    EXPECT_EQ(write_back_offsets(c, OffsetTable::D), 0);
    EXPECT_FALSE(platform::is_file(c.path));
    EXPECT_FALSE(platform::is_file(c.path + ".new"));
}

// ---- Dialog labels ----

TEST(CtlLabels, TabsEntriesAndFields) {
    EXPECT_EQ(offset_tab_label(0), "01");
    EXPECT_EQ(offset_tab_label(4), "81");
    EXPECT_EQ(offset_tab_label(5), "101");
    EXPECT_EQ(offset_tab_label(49), "981");
    EXPECT_EQ(offset_entry_label(OffsetTable::D, 5), "D05");
    EXPECT_EQ(offset_entry_label(OffsetTable::H, 123), "H123");
    EXPECT_EQ(offset_field(1.5f), "    1.500");
    EXPECT_EQ(work_offset_label(1, Dialect::Default), "1(G54)");
    EXPECT_EQ(work_offset_label(6, Dialect::Siemens), "6(G59)");
    EXPECT_EQ(work_offset_label(7, Dialect::Default), "7(P1)");
    EXPECT_EQ(work_offset_label(7, Dialect::Osp), "7");
    EXPECT_EQ(work_offset_label(2, Dialect::Heidenhain), "2");
    EXPECT_EQ(work_offset_field(-12.3456), "   -12.346");
    Ctl c;
    c.offset_memory = 1;
    EXPECT_FALSE(wear_editable(c));
    c.offset_memory = 2;
    EXPECT_TRUE(wear_editable(c));
}

}  // namespace
}  // namespace vx::nc
