#include "shell/sim_options.h"

#include "shell/ini.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cmath>

namespace vx::shell {
namespace {

// ---- From the settings to the simulation ----
// Every key must reach the record that uses it: a field the adapters leave out runs with the
// built-in value whatever the file says, and a run start that took the menu's modes back from
// the settings would undo what the user chose in the menu.

Settings settings_of(std::string_view text) { return read_settings(ini_parse("vornex.ini", text), {}); }

constexpr std::string_view kChecks =
    "[Define]\nINTERFERENCE=STOP\nARBOR CHECK=CUT\nHEIGHT CHECK=OUTPUT\nCHIP-W CHECK=STOP\n"
    "SPINDLE CHECK=YES 100 12000\nRAPID FEEDRATE=20000\nTOOL CLEARANCE=0.3\nARBOR CLEARANCE=YES\n"
    "LENGTH TYPE=TYPE3\nMAX MAGAZINE=30\nTOOL BASE POINT=LENGTH-TOP\n";

TEST(SimOptions, EveryCheckKeyReachesTheRunsRecord) {
    const Settings s = settings_of(kChecks);
    const sim::Checks c = check_settings(s);
    EXPECT_EQ(c.rapid, sim::RapidCheck::Pause);
    EXPECT_EQ(c.arbor, sim::ArborCheck::Cut);
    EXPECT_EQ(c.height, sim::LengthCheck::Compute);
    EXPECT_EQ(c.chip, sim::LengthCheck::Pause);
    EXPECT_EQ(c.spindle, sim::SpindleCheck::Abort);
    EXPECT_TRUE(c.spindle_range);
    EXPECT_EQ(c.spindle_min, 100.0);
    EXPECT_EQ(c.spindle_max, 12000.0);
    EXPECT_EQ(c.rapid_feedrate, 20000.0);
    EXPECT_EQ(c.tool_clearance.mode, sim::ClearanceMode::Value);
    EXPECT_EQ(c.tool_clearance.value, 0.3);
    EXPECT_EQ(c.length_type, 3);

    // A run start: the menu's four modes stay, everything else follows the settings.
    sim::Checks menu = check_settings(settings_of(""));
    menu.rapid = sim::RapidCheck::Off;
    menu.chip = sim::LengthCheck::Compute;
    apply_check_settings(s, menu);
    EXPECT_EQ(menu.rapid, sim::RapidCheck::Off);
    EXPECT_EQ(menu.arbor, sim::ArborCheck::Abort);
    EXPECT_EQ(menu.height, sim::LengthCheck::Off);
    EXPECT_EQ(menu.chip, sim::LengthCheck::Compute);
    EXPECT_EQ(menu.spindle, c.spindle);
    EXPECT_EQ(menu.spindle_max, c.spindle_max);
    EXPECT_EQ(menu.rapid_feedrate, c.rapid_feedrate);
    EXPECT_EQ(menu.tool_clearance.value, c.tool_clearance.value);
    EXPECT_EQ(menu.length_type, c.length_type);
}

TEST(SimOptions, ToolKeysReachTheTableAndTheSelectedTool) {
    vx::testing::TempDir dir;
    const std::string path = dir.write("atc.ttl", "I1\nMAGAZINE01 FLAT 8,20 LENGTH 40 SHIFT 1.5\n ARBOR 20,30\n");
    sim::Attachment head;
    head.count = 1;
    head.steps[0] = {50, 20};
    const double pitch = 0.1;
    sim::ToolTable table;
    sim::CurrentTool current;
    ASSERT_EQ(sim::load_tool_table(table, current, path, tool_table_options(settings_of(kChecks), pitch, &head)), 1);
    EXPECT_EQ(sim::max_tool_number(table), 30);          // MAX MAGAZINE
    EXPECT_FLOAT_EQ(table.entries[1].shift, 41.5f);       // SHIFT + L1 (LENGTH-TOP)
    const sim::Profile& p = current.profile;
    EXPECT_EQ(p.clearance_margin, 0.3);                                               // TOOL CLEARANCE
    EXPECT_DOUBLE_EQ(p.holder_radius[1], std::hypot(10.0 + pitch, pitch / 2));        // ARBOR CLEARANCE YES
    ASSERT_EQ(p.attachment_count, 1);                                                 // ARBOR CHECK on
    EXPECT_DOUBLE_EQ(p.attachment_half[0], 25.0 + pitch);
}

}  // namespace
}  // namespace vx::shell
