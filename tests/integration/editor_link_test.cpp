#include "integration/editor_link.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <vector>

namespace vx::integration {
namespace {

using Argv = std::vector<std::string>;
using vx::testing::TempDir;

// ---- The command line of each editor kind ----
// Each row pins one rule of the pattern: the editor's own pattern only while the option is the
// default, a file with blanks kept as one argument, MIW's quote closed at the very end, the
// line after the file for VS Code, a setting's own pattern taken as it stands.

struct CommandCase {
    const char* program;
    const char* option;
    const char* file;
    int line;
    Argv expected;
};

TEST(EditorCommand, EveryKindWithPlainAndBlankFileNames) {
    const std::vector<CommandCase> cases{
        {"notepad", "%1", "/w/a.nc", 7, {"notepad", "/w/a.nc"}},
        {"C:/Tools/TeraPad.exe", "%1", "/w/a.nc", 12, {"C:/Tools/TeraPad.exe", "/j=12", "/w/a.nc"}},
        {"terapad", "%1", "/w/my part.nc", 3, {"terapad", "/j=3", "/w/my part.nc"}},
        {"K2Editor.EXE", "%1", "/w/my part.nc", 5, {"K2Editor.EXE", "/j5", "/w/my part.nc"}},
        {"hidemaru", "%1", "/w/a.nc", 9, {"hidemaru", "/j9", "/w/a.nc"}},
        {"Maruo.exe", "%1", "/w/a.nc", 9, {"Maruo.exe", "/j9", "/w/a.nc"}},
        // MIW: the opening quote before the file, the closing one after everything that follows.
        {"miw", "%1 -x", "/w/my part.nc", 1, {"miw", "/w/my part.nc -x"}},
        {"vi", "%1", "/w/my part.nc", 40, {"vi", "+40", "/w/my part.nc"}},
        {"/usr/bin/vim", "%1", "/w/a.nc", 2, {"/usr/bin/vim", "+2", "/w/a.nc"}},
        {"nvim", "%1", "/w/a b/c d.nc", 2, {"nvim", "+2", "/w/a b/c d.nc"}},
        {"emacs", "%1", "/w/a.nc", 8, {"emacs", "+8", "/w/a.nc"}},
        {"nano", "%1", "/w/a.nc", 8, {"nano", "+8", "/w/a.nc"}},
        {"gedit", "%1", "/w/my part.nc", 8, {"gedit", "+8", "/w/my part.nc"}},
        {"kate", "%1", "/w/my part.nc", 11, {"kate", "--line", "11", "/w/my part.nc"}},
        {"code", "%1", "/w/my part.nc", 11, {"code", "-g", "/w/my part.nc:11"}},
        {"code --wait", "%1", "/w/a.nc", 4, {"code", "--wait", "-g", "/w/a.nc:4"}},
        {"gedit", "%1 --new-window", "/w/a.nc", 4, {"gedit", "/w/a.nc", "--new-window"}},
        {"xvi", "%1", "/w/a.nc", 4, {"xvi", "/w/a.nc"}},  // not vi: no line argument
        {"mousepad", "%1", "/w/my part.nc", 4, {"mousepad", "/w/my part.nc"}},
    };
    for (const CommandCase& c : cases)
        EXPECT_EQ(editor_command(c.program, c.option, c.file, c.line), c.expected) << c.program << " " << c.file;
}

TEST(EditorCommand, ParametersAsTheWindowsEditorsReceiveThem) {
    EXPECT_EQ(expand_parameters("/j=%2 %1", "C:/a b.nc", 12, Editor::TeraPad), "/j=12 \"C:/a b.nc\"");
    EXPECT_EQ(expand_parameters("%1 /r", "C:/a b.nc", 1, Editor::Miw), "\"C:/a b.nc /r\"");
    EXPECT_EQ(expand_parameters("%1%%3", "a.nc", 1, Editor::Other), "a.nc%%3");  // only %1 and %2 are fields
}

TEST(EditorCommand, TerminalEditorsOpenInTheDesktopsTerminal) {
    EXPECT_EQ(editor_command("vim", "%1", "/w/a b.nc", 3, "x-terminal-emulator"),
              (Argv{"x-terminal-emulator", "-e", "vim", "+3", "/w/a b.nc"}));
    EXPECT_EQ(editor_command("gedit", "%1", "/w/a.nc", 3, "x-terminal-emulator"), (Argv{"gedit", "+3", "/w/a.nc"}));
}

TEST(EditorCommand, DefinitionFilesAreOneArgumentWhateverTheirBlanks) {
    EXPECT_EQ(edit_file_command("gedit", "/w/my tools.ttl"), (Argv{"gedit", "/w/my tools.ttl"}));
    EXPECT_EQ(edit_file_command("code --wait", "/w/a.ctl"), (Argv{"code", "--wait", "/w/a.ctl"}));
}

TEST(EditorKinds, TheTableOfTheLinkKinds) {
    EXPECT_EQ(editor_kind(recognise_editor("C:/x/Hidemaru.exe")), 1);
    EXPECT_EQ(editor_kind(recognise_editor("maruo")), 1);
    EXPECT_EQ(editor_kind(recognise_editor("TERAPAD.EXE")), 2);
    EXPECT_EQ(editor_kind(recognise_editor("k2editor")), 3);
    EXPECT_EQ(editor_kind(recognise_editor("notepad.exe")), 0);
    EXPECT_EQ(editor_kind(recognise_editor("wzeditor")), -1);
    EXPECT_TRUE(takes_line_argument(recognise_editor("/usr/bin/nvim")));
    EXPECT_FALSE(takes_line_argument(recognise_editor("terapad")));
}

// ---- The line of a jump ----
// A cell of a called program carries its line negated; a cell never cut jumps to the current line.
TEST(EditorLine, CellLineCurrentLineAndTheFloor) {
    EXPECT_EQ(jump_line(25, 3), 25);
    EXPECT_EQ(jump_line(-25, 3), 25);
    EXPECT_EQ(jump_line(0, 3), 3);
    EXPECT_EQ(jump_line(0, 0), 1);
}

// ---- The Linux default editor ----
// "notepad" names no program here: the first of $VISUAL, $EDITOR and xdg-open that is installed.
bool only_nano_and_opener(std::string_view p) { return p == "nano" || p == "xdg-open"; }

TEST(EditorProgram, WindowsDefaultFallsBackInOrder) {
    Environment env{"code --wait", "nano", only_nano_and_opener};
    EXPECT_EQ(editor_program("notepad", env), "nano");  // $VISUAL is not installed
    env.editor.clear();
    EXPECT_EQ(editor_program("NOTEPAD.EXE", env), "xdg-open");
    env.installed = [](std::string_view) { return false; };
    EXPECT_EQ(editor_program("notepad", env), "");  // the caller tells the user
    EXPECT_EQ(editor_program("/opt/ed/myeditor", env), "/opt/ed/myeditor");  // a setting is taken as it is
}

// ---- Starting and jumping ----
// A stand-in "gedit" records its arguments: opening starts it with the line, a jump starts it
// again with the new line, and a link opened on another file does not jump.
std::string wait_for(const TempDir& dir, const std::string& name, std::size_t lines) {
    for (int i = 0; i < 200; ++i) {
        const std::string text = dir.read(name);
        if (std::count(text.begin(), text.end(), '\n') >= std::ptrdiff_t(lines)) return text;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return dir.read(name);
}

TEST(EditorLink, OpensAndJumpsByFreshInvocation) {
    TempDir dir;
    const std::string log = dir.path() + "args.log";
    const std::string editor =
        dir.write("gedit", "#!/bin/sh\nfor a in \"$@\"; do printf '[%s]' \"$a\"; done >> '" + log + "'\necho >> '" + log + "'\n");
    ::chmod(editor.c_str(), 0755);
    const std::string nc = dir.path() + "my part.nc";

    EditorLink link;
    std::string error;
    ASSERT_EQ(open_in_editor(link, editor, "%1", nc, 7, error), 1) << error;
    EXPECT_EQ(wait_for(dir, "args.log", 1), "[+7][" + nc + "]\n");
    EXPECT_TRUE(jump_to_line(link, editor, "%1", nc, 42));
    EXPECT_EQ(wait_for(dir, "args.log", 2), "[+7][" + nc + "]\n[+42][" + nc + "]\n");
    EXPECT_FALSE(jump_to_line(link, editor, "%1", dir.path() + "other.nc", 5));
    release_link(link);
    EXPECT_FALSE(jump_to_line(link, editor, "%1", nc, 5));
}

TEST(EditorLink, AProgramThatCannotStartSaysWhy) {
    EditorLink link;
    std::string error;
    EXPECT_EQ(open_in_editor(link, "/nonexistent/editor", "%1", "/w/a.nc", 1, error), 0);
    EXPECT_NE(error.find("/nonexistent/editor"), std::string::npos);
    EXPECT_TRUE(link.file.empty());
}

// ---- Navigation and CLOSE END ----
// A terminal editor still open cannot be told a line (a second one on the file would only warn)
// and says so; hung up at the end it keeps its edits (the stand-in saves on SIGHUP, as vim keeps
// its swap file and nano its ".save"); a desktop editor that would drop unsaved edits when
// signalled is left open, and an editor that takes no line cannot navigate at all.
TEST(EditorLink, TerminalEditorIsHungUpAtTheEndAndDesktopEditorsStayOpen) {
    TempDir dir;
    const std::string saved = dir.path() + "saved";
    const std::string vim =
        dir.write("vim", "#!/bin/sh\ntrap 'echo saved > \"" + saved + "\"; exit 0' HUP\necho > \"" + dir.path() +
                             "ready\"\nwhile :; do sleep 0.05; done\n");
    const std::string gedit = dir.write("gedit", "#!/bin/sh\nexit 0\n");
    const std::string mousepad = dir.write("mousepad", "#!/bin/sh\nexit 0\n");
    for (const std::string& p : {vim, gedit, mousepad}) ::chmod(p.c_str(), 0755);
    const std::string nc = dir.path() + "a.nc";

    EditorLink link;
    std::string error;
    ASSERT_EQ(open_in_editor(link, vim, "%1", nc, 3, error), 1) << error;
    EXPECT_EQ(navigate(link, vim, "%1", nc, 9), Navigation::CannotNavigate);
    EXPECT_EQ(navigate(link, vim, "%1", dir.path() + "other.nc", 9), Navigation::NotOpen);
    wait_for(dir, "ready", 1);  // its handler is set, as a real editor's is long before the end
    EXPECT_EQ(close_editor(link), Closing::Closed);
    EXPECT_EQ(wait_for(dir, "saved", 1), "saved\n");
    EXPECT_EQ(close_editor(link), Closing::NotRunning) << "the link is forgotten once closed";

    ASSERT_EQ(open_in_editor(link, gedit, "%1", nc, 3, error), 1) << error;
    EXPECT_EQ(close_editor(link), Closing::CannotClose);
    ASSERT_EQ(open_in_editor(link, mousepad, "%1", nc, 3, error), 1) << error;
    EXPECT_EQ(navigate(link, mousepad, "%1", nc, 4), Navigation::CannotNavigate);
    for (int i = 0; i < 200 && !link.started.empty(); ++i) {  // the stand-ins end before their folder goes
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        reap_started(link);
    }
    release_link(link);
}

}  // namespace
}  // namespace vx::integration
