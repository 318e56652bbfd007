#include "shell/message_file.h"

#include "platform/language.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace vx::shell {
namespace {

using vx::testing::TempDir;
using enum MenuSlot;

const std::vector<MenuSlot> kTwoMenus{TopLevel, Item, Item, TopLevel, Item};

// ---- Menu captions ----
// Captions are taken in menu order; a wrong strip rule or a shifted caption would label every
// later menu entry wrongly.

TEST(MessageFileMenus, CaptionsInMenuOrder) {
    const MessageFile m = parse_message_file("[NC data]\n"
                                             " Select(&S)\n"
                                             "  Submenu item\n"
                                             "[Work]\r\n"
                                             " Load(&L)\r\n",
                                             kTwoMenus);
    ASSERT_EQ(m.menu_captions.size(), 5u);
    EXPECT_EQ(m.menu_captions[0], "NC data");
    EXPECT_EQ(m.menu_captions[1], "Select(&S)");
    EXPECT_EQ(m.menu_captions[2], "Submenu item");
    EXPECT_EQ(m.menu_captions[3], "Work");
    EXPECT_EQ(m.menu_captions[4], "Load(&L)");
}

TEST(MessageFileMenus, OtherLinesAreSkipped) {
    const MessageFile m = parse_message_file("# comment\n"
                                             "\n"
                                             " stray item before any menu\n"
                                             "[NC data]\n"
                                             "a note\n"
                                             "\tnot a blank\n"
                                             " Select\n"
                                             "   Three blanks\n"
                                             " extra item the menu does not have\n"
                                             "[Work]\n"
                                             " Load\n",
                                             kTwoMenus);
    EXPECT_EQ(m.menu_captions[0], "NC data");
    EXPECT_EQ(m.menu_captions[1], "Select");
    EXPECT_EQ(m.menu_captions[2], " Three blanks");  // only two blanks are removed
    EXPECT_EQ(m.menu_captions[3], "Work");
    EXPECT_EQ(m.menu_captions[4], "Load");
}

// A "[" line met while an item caption is looked for is skipped like any other line: the
// reading goes on, the items of the file filling the menu's items in order.
TEST(MessageFileMenus, BracketLineWhileLookingForAnItemIsSkipped) {
    const MessageFile m = parse_message_file("[NC data]\n Select\n[Work]\n Load\n[Help]\n About\n", kTwoMenus);
    EXPECT_EQ(m.menu_captions[1], "Select");
    EXPECT_EQ(m.menu_captions[2], "Load");
    EXPECT_EQ(m.menu_captions[3], "Help");
    EXPECT_EQ(m.menu_captions[4], "About");
}

TEST(MessageFileMenus, MissingBracketAndShortFile) {
    const MessageFile m = parse_message_file("[NC data", kTwoMenus);
    EXPECT_EQ(m.menu_captions[0], "NC data");
    for (std::size_t i = 1; i < 5; ++i) EXPECT_EQ(m.menu_captions[i], std::nullopt);
    EXPECT_EQ(m.command_menu_title, "Menu");  // not in the file: the English built-in
}

TEST(MessageFileMenus, LinesAreCutAt80Bytes) {
    const std::string long_caption(100, 'x');
    const MessageFile m = parse_message_file(" " + long_caption + "\n" + "Title\n", std::vector<MenuSlot>{Item});
    EXPECT_EQ(m.menu_captions[0], std::string(79, 'x'));  // 80 bytes of the line, the blank removed
    EXPECT_EQ(m.command_menu_title, "Title");  // the rest of the long line is not a line of its own
}

TEST(MessageFileMenus, CutNeverSplitsACharacter) {
    // 79 ASCII bytes, then a three-byte UTF-8 character across the limit.
    const MessageFile utf8 = parse_message_file(" " + std::string(78, 'a') + "日本\n", std::vector<MenuSlot>{Item});
    EXPECT_EQ(utf8.menu_captions[0], std::string(78, 'a'));
    // Shift-JIS: a double-byte character (0x93 0xFA) across the limit.
    const MessageFile sjis = parse_message_file(" " + std::string(78, 'a') + "\x93\xFA\x96\x7B\n", std::vector<MenuSlot>{Item});
    EXPECT_EQ(sjis.menu_captions[0], std::string(78, 'a'));
    // A whole Shift-JIS caption arrives as UTF-8.
    const MessageFile whole = parse_message_file(" \x93\xFA\x96\x7B\n", std::vector<MenuSlot>{Item});
    EXPECT_EQ(whole.menu_captions[0], "日本");
}

// ---- Command menu ----
// The replacement must keep the accelerator of the built-in caption, or the buttons lose their
// keys.

TEST(MessageFileCommandMenu, TitleWholeAndFourCharacterLabels) {
    std::string text = "[Menu]\n Item\n# the command menu\n\nCommand Menu\n";
    for (const char* label : {"Init", "Full", "Zoom", "Wide", "Shrink", "1st", "2nd", "3rd", "4th", "-15 ", "+15 ", "Back",
                              " XZ ", " YZ ", " XY ", "Up  ", "Down", "Draw", "Undo", "Save"})
        text += std::string(label) + "\n";
    const MessageFile m = parse_message_file(text, std::vector<MenuSlot>{TopLevel, Item});
    EXPECT_EQ(m.command_menu_title, "Command Menu");
    EXPECT_EQ(m.command_buttons[0], "Init(&R)");
    EXPECT_EQ(m.command_buttons[4], "Shri(&S)");  // only four characters replace the label
    EXPECT_EQ(m.command_buttons[5], "1st(&1)");
    EXPECT_EQ(m.command_buttons[12], " XZ (&8)");
    EXPECT_EQ(m.command_buttons[19], "Save(&B)");
}

TEST(MessageFileCommandMenu, MissingLinesKeepTheBuiltInCaptions) {
    const MessageFile m = parse_message_file("Title\n#x\nInit\n", std::vector<MenuSlot>{});
    EXPECT_EQ(m.command_menu_title, "Title");
    EXPECT_EQ(m.command_buttons[0], "Init(&R)");
    // The buttons the file does not relabel keep their accelerators, in English like the file.
    EXPECT_EQ(m.command_buttons[1], "Fit(&F)");
    EXPECT_EQ(m.command_buttons[19], "Backup(&B)");
}

TEST(MessageFileCommandMenu, FourCharactersOfAWideLabel) {
    const MessageFile m = parse_message_file("T\n初期化する\n", std::vector<MenuSlot>{});
    EXPECT_EQ(m.command_buttons[0], "初期化す(&R)");
}

TEST(MessageFileCommandMenu, BuiltInCaptionsAndEnglishToolLabels) {
    const MessageFile builtin = builtin_messages(3);
    EXPECT_EQ(builtin.menu_captions.size(), 3u);
    EXPECT_EQ(builtin.command_menu_title, "メニュー");
    EXPECT_EQ(builtin.command_buttons[0], "初期(&R)");
    EXPECT_EQ(builtin.command_buttons[19], "保存(&B)");
    EXPECT_TRUE(builtin.tool_dimension_labels.empty());
    const MessageFile found = parse_message_file("", std::vector<MenuSlot>{});
    EXPECT_EQ(found.command_menu_title, "Menu");
    for (std::size_t k = 0; k < kCommandButtons; ++k)  // English, with the built-in accelerator
        EXPECT_EQ(found.command_buttons[k].substr(found.command_buttons[k].rfind("(&")),
                  std::string(builtin.command_buttons[k]).substr(builtin.command_buttons[k].rfind("(&")));
    ASSERT_EQ(found.tool_dimension_labels.size(), 12u);
    EXPECT_EQ(found.tool_dimension_labels[0], "Dia ");
    EXPECT_EQ(found.tool_dimension_labels[11], " Du ");
}

TEST(MessageFileCommandMenu, AnyBytesStayBounded) {
    std::string bytes;
    for (int i = 0; i < 5000; ++i) bytes += static_cast<char>(i * 37 % 256);
    bytes += std::string(10000, '\0');
    const MessageFile m = parse_message_file(bytes, std::vector<MenuSlot>(50, Item));
    // 80 bytes, each at most three bytes once in UTF-8.
    for (const auto& caption : m.menu_captions) EXPECT_LE(caption.value_or("").size(), 80u * 3);
    EXPECT_LE(m.command_menu_title.size(), 80u * 3);
}

// ---- Finding the file ----

TEST(MessageFileLookup, CurrentDirectoryThenProgramDirectory) {
    TempDir dir;
    const std::string cur = dir.path() + "cur/", prog = dir.path() + "prog/";
    EXPECT_FALSE(find_message_file(cur, prog));
    dir.write("prog/VORNEX.MES", "[P]\n");
    EXPECT_EQ(find_message_file(cur, prog), prog + "VORNEX.MES");
    dir.write("cur/vornex.mes", "[C]\n");
    EXPECT_EQ(find_message_file(cur, prog), cur + "vornex.mes");
}

TEST(MessageFileLookup, FoundFileSetsEnglish) {
    TempDir dir;
    platform::set_english(false);
    EXPECT_FALSE(load_message_file(dir.path(), dir.path()));
    EXPECT_FALSE(platform::english());
    dir.write("vornex.mes", "[File]\n");
    EXPECT_EQ(load_message_file(dir.path(), dir.path()), "[File]\n");
    EXPECT_TRUE(platform::english());
    platform::set_english(false);
}

}  // namespace
}  // namespace vx::shell
