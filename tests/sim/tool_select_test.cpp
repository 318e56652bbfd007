#include "platform/language.h"
#include "sim/tools.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <string>

namespace vx::sim {
namespace {

ToolTable table_of(std::string_view text) {
    ToolTable table;
    allocate_tool_tables(table, 20);
    ToolReadOptions options;
    options.holder_files = false;
    read_tool_text(table, text, "", options);
    return table;
}

struct Language {
    bool was = platform::english();
    explicit Language(bool english) { platform::set_english(english); }
    ~Language() { platform::set_english(was); }
};

// ---- Selecting a tool ----
// The current tool is a copy of the table entry with its profile; the pen of tool 0 follows the
// entry only when the entry names one.

TEST(ToolSelect, CopiesEntryAndBuildsProfile) {
    const ToolTable t = table_of("MAGAZINE03 BULL 10,2,30 \"B10\" LENGTH 40 PEN 5 SHIFT 1.5 LIMIT 20\n ARBOR 20,30\n");
    CurrentTool current;
    ASSERT_EQ(select_tool(current, t, 3, {}), 1);
    EXPECT_EQ(current.number, 3);
    EXPECT_EQ(current.tool.name, "B10");
    EXPECT_EQ(current.pen, 5);
    EXPECT_DOUBLE_EQ(current.shift, 1.5);
    EXPECT_EQ(current.limit.kind, kLimitArea);
    EXPECT_EQ(current.length.kind, kLength1);
    EXPECT_DOUBLE_EQ(current.profile.c0, 3.0);
    EXPECT_DOUBLE_EQ(current.profile.holder_top, 70.0);
    EXPECT_DOUBLE_EQ(current.profile.outer, 10.0);
}

TEST(ToolSelect, NumberOutsideTheTableChangesNothing) {
    const ToolTable t = table_of("MAGAZINE01 FLAT 6,20 PEN 2\n");
    CurrentTool current;
    select_tool(current, t, 1, {});
    EXPECT_EQ(select_tool(current, t, 21, {}), 0);
    EXPECT_EQ(select_tool(current, t, -1, {}), 0);
    EXPECT_EQ(current.number, 1);
    EXPECT_EQ(current.pen, 2);
}

TEST(ToolSelect, ToolZeroKeepsPenUnlessItsEntryNamesOne) {
    ToolTable t = table_of("MAGAZINE01 FLAT 6,20 PEN 4\n");
    CurrentTool current;
    select_tool(current, t, 1, {});
    t.entries[0].pen = -1;  // as the tool dialog leaves it
    select_tool(current, t, 0, {});
    EXPECT_EQ(current.pen, 4);
    t.entries[0].pen = 3;
    select_tool(current, t, 0, {});
    EXPECT_EQ(current.pen, 3);
}

TEST(ToolSelect, LoadReadsSelectsAndReportsMissingFile) {
    testing::TempDir dir;
    const std::string path = dir.write("atc.ttl", "I2\nMAGAZINE02 BALL 6,20 PEN 3\n");
    ToolTableOptions options;
    options.selection.for_cutting = true;
    options.selection.pitch = 0.1;
    ToolTable table;
    CurrentTool current;
    ASSERT_EQ(load_tool_table(table, current, path, options), 1);
    EXPECT_EQ(current.number, 2);
    EXPECT_EQ(current.pen, 3);
    EXPECT_EQ(table.read_state, 1);
    EXPECT_EQ(load_tool_table(table, current, dir.path() + "none.ttl", options), -1);
    EXPECT_EQ(table.read_state, -1);
    EXPECT_EQ(table.entries[2].tool.defined, 0);
}

// ---- Names shown to the user ----

TEST(ToolNames, TypeNamesInBothLanguages) {
    ToolRecord t;
    const auto name = [&](int type, float d = 10, float e = 0) {
        t.type = type, t.d = d, t.e = e;
        return std::string(tool_type_name(&t));
    };
    {
        Language english(true);
        EXPECT_EQ(name(kToolTaperBall), "Taper Ball End mill");
        EXPECT_EQ(name(kToolOval, 10, 5), "Oval Mill");  // d/2 not less than A
        EXPECT_EQ(name(kToolOval, 10, 5.5f), "Oval-R Mill");
        EXPECT_EQ(name(42), "Other Tool");
        EXPECT_EQ(tool_type_name(nullptr), "No Tool");
    }
    Language japanese(false);
    EXPECT_EQ(name(kToolOval, 10, 4), "オーバルミル");
    EXPECT_EQ(name(kToolOval, 10, 6), "複合楕円ミル");
    EXPECT_EQ(name(kToolKegaki), "ケガキ工具");
    EXPECT_EQ(tool_type_name(nullptr), "工具無し");
}

}  // namespace
}  // namespace vx::sim
