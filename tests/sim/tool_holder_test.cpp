#include "sim/tools.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>

namespace vx::sim {
namespace {

ToolTable read_in(const testing::TempDir& dir, std::string_view text) {
    ToolTable table;
    allocate_tool_tables(table, 200);
    const std::string path = dir.write("atc.ttl", text);
    EXPECT_EQ(read_tool_file(table, path, {}), 1);
    return table;
}

HolderRecord parse(std::string_view line) {
    HolderRecord h;
    read_holder_text(h, line);
    return h;
}

// ---- Holder lines ----
// Each form's values and where its list ends; a list read one pair too far or too short changes
// the holder's height.

TEST(ToolHolderLine, StepsEndAtAZeroDiameter) {
    const HolderRecord h = parse("ARBOR 20,30,40,50,0,60,70,80");
    EXPECT_EQ(h.defined, 1);
    EXPECT_EQ(h.kind, kHolderSteps);
    ASSERT_EQ(h.count, 2);
    EXPECT_EQ(h.diameters[0], 20.0f);
    EXPECT_EQ(h.heights[0], 30.0f);
    EXPECT_EQ(h.diameters[1], 40.0f);
    EXPECT_EQ(h.heights[1], 50.0f);
}

TEST(ToolHolderLine, PolygonEndsAtZeroDiameterAfterZeroHeight) {
    // A zero diameter after a height is a point straight above the last one: the list goes on.
    const HolderRecord h = parse("ARBOR2 20,30,0,10,40,0,0,99");
    EXPECT_EQ(h.kind, kHolderPolygon);
    ASSERT_EQ(h.count, 3);
    EXPECT_EQ(h.diameters[1], 0.0f);
    EXPECT_EQ(h.heights[1], 10.0f);
    EXPECT_EQ(h.diameters[2], 40.0f);
    EXPECT_EQ(h.heights[2], 0.0f);
}

TEST(ToolHolderLine, MixedTriplesAfterBaseDiameter) {
    const HolderRecord h = parse("ARBOR3 12,10,0,30,20,1,50,0,5,0,7,1,9");
    EXPECT_EQ(h.kind, kHolderMixed);
    ASSERT_EQ(h.count, 2);
    EXPECT_EQ(h.diameters[0], 12.0f);
    EXPECT_EQ(h.heights[0], 10.0f);
    EXPECT_EQ(h.flags[0], 0);
    EXPECT_EQ(h.diameters[1], 30.0f);
    EXPECT_EQ(h.heights[1], 20.0f);
    EXPECT_EQ(h.flags[1], 1);
    EXPECT_EQ(h.diameters[2], 50.0f);
}

TEST(ToolHolderLine, AtMostTenSections) {
    std::string line = "ARBOR 10,1";
    for (int i = 2; i <= 14; ++i) line += "," + std::to_string(10 * i) + ",1";
    const HolderRecord h = parse(line);
    EXPECT_EQ(h.count, kHolderSections);
    EXPECT_EQ(h.diameters[9], 100.0f);
    std::string mixed = "ARBOR3 5";
    for (int i = 1; i <= 14; ++i) mixed += ",1,1," + std::to_string(10 * i);
    EXPECT_EQ(parse(mixed).count, kHolderSections);
    EXPECT_EQ(parse(mixed).diameters[10], 100.0f);
}

// ---- Holder files ----
// The first holder line of the file, found beside the tool file whatever the spelling; a file
// that cannot be opened leaves no holder.

TEST(ToolHolderFile, FirstHolderLineOnly) {
    HolderRecord h;
    EXPECT_EQ(read_holder_text(h, "# BT40\r\nNOTE text\r\nARBOR2 32,20,50,40\r\nARBOR 99,99\r\n"), 1);
    EXPECT_EQ(h.kind, kHolderPolygon);
    EXPECT_EQ(h.diameters[0], 32.0f);
    EXPECT_EQ(read_holder_text(h, "# nothing here\n"), 0);
    EXPECT_EQ(h.defined, 0);
}

TEST(ToolHolderFile, HeaderHolderFileIsTheDefaultForEveryTool) {
    testing::TempDir dir;
    dir.write("bt40.atl", "# BT40 collet chuck\nARBOR3 20,30,0,32,40,1,63\n");
    const ToolTable t = read_in(dir, "ATL = bt40.atl\nMAGAZINE01 FLAT 6,20 LENGTH 35\nMAGAZINE02 BALL 6,20 LENGTH 35\n");
    EXPECT_EQ(t.holder_state, 1);
    EXPECT_EQ(t.holder_file, dir.path() + "bt40.atl");
    EXPECT_GT(t.holder_file_time, 0);
    for (int n : {1, 2}) {
        EXPECT_EQ(t.entries[n].holder.kind, kHolderMixed) << n;
        EXPECT_EQ(t.entries[n].holder.count, 2) << n;
        EXPECT_EQ(t.entries[n].holder.diameters[2], 63.0f) << n;
    }
    EXPECT_FALSE(holder_file_changed(t));
    const std::string path = dir.path() + "bt40.atl";
    std::filesystem::last_write_time(path, std::filesystem::last_write_time(path) + std::chrono::seconds(5));
    EXPECT_TRUE(holder_file_changed(t));
}

TEST(ToolHolderFile, HeaderArborSharedByToolsWithoutTheirOwn) {
    testing::TempDir dir;
    const ToolTable t = read_in(dir, "ARBOR 30,40\nMAGAZINE01 FLAT 6,20 LENGTH 35\n"
                                     "MAGAZINE02 BALL 6,20 LENGTH 35\nMAGAZINE03 BALL 6,20 LENGTH 35 ARBOR2 25,10\n");
    for (int n : {1, 2}) {
        EXPECT_EQ(t.entries[n].holder.defined, 1) << n;
        EXPECT_EQ(t.entries[n].holder.diameters[0], 30.0f) << n;
        EXPECT_EQ(t.entries[n].holder.heights[0], 40.0f) << n;
    }
    EXPECT_EQ(t.entries[3].holder.kind, kHolderPolygon);
    EXPECT_EQ(t.holder_state, 0);
}

TEST(ToolHolderFile, HeaderLinesEndAtTheFirstMagazine) {
    testing::TempDir dir;
    const ToolTable t = read_in(dir, "MAGAZINE01 FLAT 6,20 LENGTH 35\nMAGAZINE02 FLAT 6,20 LENGTH 35\n"
                                     "ARBOR 30,40\n");
    EXPECT_EQ(t.default_holder.defined, 0);
    EXPECT_EQ(t.entries[1].holder.defined, 0);
    EXPECT_EQ(t.entries[2].holder.defined, 1);  // a continuation line of tool 2
}

TEST(ToolHolderFile, ToolLineHolderFileWithBackslashesAndAnyCase) {
    testing::TempDir dir;
    dir.write("sub/SK10.ATL", "ARBOR 25,30\n");
    std::string absolute = dir.path() + "sub/sk10.atl";
    std::replace(absolute.begin(), absolute.end(), '/', '\\');
    const ToolTable t = read_in(dir, "MAGAZINE01 FLAT 6,20 LENGTH 35 ATL=" + absolute + "\n");
    EXPECT_EQ(t.entries[1].holder.defined, 1);
    EXPECT_EQ(t.entries[1].holder.diameters[0], 25.0f);
}

TEST(ToolHolderFile, FullWidthBlankBeforeTheName) {
    testing::TempDir dir;
    dir.write("bt30.atl", "ARBOR 25,30\n");
    const ToolTable t = read_in(dir, "ATL\x81\x40" "bt30.atl\nMAGAZINE01 FLAT 6,20 LENGTH 35\n");
    EXPECT_EQ(t.entries[1].holder.defined, 1);
}

TEST(ToolHolderFile, MissingFileLeavesNoHolder) {
    testing::TempDir dir;
    const ToolTable t = read_in(dir, "ATL missing.atl\nMAGAZINE01 FLAT 6,20 LENGTH 35\n"
                                     "MAGAZINE02 FLAT 6,20 LENGTH 35 ARBOR 20,20\n ATL gone.atl\n");
    EXPECT_EQ(t.holder_state, -1);
    EXPECT_EQ(t.holder_file_time, -1);
    EXPECT_EQ(t.default_holder.defined, 0);
    EXPECT_EQ(t.entries[1].holder.defined, 0);
    EXPECT_EQ(t.entries[2].holder.defined, 0);
}

TEST(ToolHolderFile, NoFileTouchedWhenHolderFilesAreOff) {
    testing::TempDir dir;
    dir.write("bt40.atl", "ARBOR 25,30\n");
    ToolTable table;
    ToolReadOptions options;
    options.holder_files = false;
    read_tool_text(table, "ATL bt40.atl\nMAGAZINE01 FLAT 6,20 LENGTH 35\n", dir.path(), options);
    EXPECT_EQ(table.entries[1].holder.defined, 0);
}

TEST(ToolHolderFile, ToolWithoutLengthsLosesItsHolder) {
    testing::TempDir dir;
    const ToolTable t = read_in(dir, "ARBOR 30,40\nMAGAZINE01 FLAT 6,20\nMAGAZINE02 FLAT 6,20 ARBOR 20,20\n");
    EXPECT_EQ(t.entries[1].holder.defined, 0);
    EXPECT_EQ(t.entries[2].holder.defined, 0);
}

TEST(ToolHolderFile, PathRules) {
    EXPECT_EQ(holder_path("bt40.atl", "/tools/"), "/tools/bt40.atl");
    EXPECT_EQ(holder_path("sub\\bt40.atl", "/tools/"), "sub/bt40.atl");  // taken as written
    EXPECT_EQ(holder_path("/abs/bt40.atl", "/tools/"), "/abs/bt40.atl");
    // The trail byte 5C of a Shift-JIS character is no separator ("表" is 95 5C).
    EXPECT_EQ(holder_path("\x95\x5C.atl", "/tools/"), "/tools/\x95\x5C.atl");
}

}  // namespace
}  // namespace vx::sim
