// The dispatcher: the command table's data, its enable and check rules, the lock of commands
// that would change what a running run works on, the commands whose module is missing, and the
// NC selection with its fallbacks, its question and alarm 101.
#include "shell/dispatch.h"

#include "shell/batch.h"
#include "shell/definitions.h"
#include "shell/nc_selection.h"
#include "shell/view_options.h"
#include "support/recording_backend.h"
#include "support/run_rig.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <set>

namespace vx::shell {
namespace {

using testing::Language;
using testing::RecordingBackend;
using testing::RunRig;

constexpr std::string_view kSlot = "G90 G00 X5 Y10 Z20\nG01 Z8 F600\nX35\nG00 Z20\nM30\n";

// ---- The table ----
// A mistyped row would send a menu item to the wrong handler or check the wrong radio item.

TEST(CommandTable, EveryIdHasOneRowAndEveryRadioGroupEachValueOnce) {
    std::map<Check, std::multiset<int>> groups;
    for (const Command& c : command_table()) {
        ASSERT_LE(c.first, c.last) << c.first;
        for (int id = c.first; id <= c.last; ++id) {
            EXPECT_EQ(find_command(id), &c) << id << " is claimed by two rows";
            if (c.check >= Check::StopMode) groups[c.check].insert(command_value(c, id));
        }
    }
    const std::map<Check, std::multiset<int>> expected{
        {Check::StopMode, {0, 1, 2, 3, 4}},  {Check::RapidCheck, {0, 1, 2}},   {Check::ArborCheck, {0, 1, 2, 3, 4}},
        {Check::LengthCheck, {0, 1, 2, 3}}, {Check::ChipCheck, {0, 1, 2, 3}}, {Check::SaveLevel, {1, 2, 3}},
        {Check::DataLevel, {1, 2, 3, 4}}};
    EXPECT_EQ(groups, expected);
    EXPECT_EQ(find_command(12345), nullptr);
    RunRig rig;
    EXPECT_EQ(dispatch(*rig.app, 12345), kCommandUnknown);
}

// ---- Enable rules ----

TEST(CommandRules, EnableRulesFollowTheProgramState) {
    struct Case {
        int id;
        std::function<void(App&)> make_true, make_false;
    };
    const auto select = [](App& a) { a.run.nc_path = "part.nc"; };
    const auto none = [](App&) {};
    const std::vector<Case> cases{
        {cmd::kRealCut, select, none},
        {cmd::kReport, select, none},
        {cmd::kPenStrip, [](App& a) { a.settings.define.colour_by_pen = true; },
         [](App& a) { a.settings.define.colour_by_pen = false; }},
        {cmd::kDataLevelFirst, [](App& a) { a.workpiece.modification_state = sim::kNoWorkpiece; }, none},
        {cmd::kColourByDirection, none, [](App& a) { a.settings.define.mesh_mode = true; }},
        {32822, [](App& a) { a.workpiece.data_level = 1; }, [](App& a) { a.workpiece.data_level = 4; }},
        {cmd::kSimPlugin, nullptr, select},  // no simulation plug-in is loaded: never
        {cmd::kDifferencePaint, nullptr, none},  // no basic model
    };
    for (const Case& c : cases) {
        const Command& command = *find_command(c.id);
        if (c.make_true) {
            RunRig rig;
            c.make_true(*rig.app);
            EXPECT_TRUE(command_enabled(*rig.app, command, c.id)) << c.id;
        }
        RunRig rig;
        c.make_false(*rig.app);
        EXPECT_FALSE(command_enabled(*rig.app, command, c.id)) << c.id;
        RecordingBackend backend;
        EXPECT_EQ(dispatch(*rig.app, c.id), kCommandDisabled) << c.id;
        EXPECT_TRUE(backend.recording().messages.empty()) << c.id;  // a greyed item does nothing
    }
}

// ---- Check marks ----

// Checked ids among first..last.
std::vector<int> checked(const App& app, int first, int last) {
    std::vector<int> ids;
    for (int id = first; id <= last; ++id)
        if (command_checked(app, *find_command(id), id)) ids.push_back(id);
    return ids;
}

TEST(CommandRules, CheckMarksFollowTheCommands) {
    RecordingBackend backend;
    RunRig rig;
    App& app = *rig.app;
    EXPECT_EQ(dispatch(app, 32856), 1);
    EXPECT_EQ(checked(app, 32853, 32857), std::vector<int>{32856});
    EXPECT_EQ(app.run.state.stop_mode, 3);

    EXPECT_EQ(dispatch(app, 32897), 1);  // rapid check, pause
    EXPECT_TRUE(command_checked(app, *find_command(32897), 32897));
    EXPECT_FALSE(command_checked(app, *find_command(32833), 32833));
    EXPECT_NE(backend.recording().titles.back().find("-SNNN"), std::string::npos) << backend.recording().titles.back();

    // A switch pressed twice is back where it was, and the display follows it each time.
    const bool box = command_checked(app, *find_command(cmd::kBoundaryBox), cmd::kBoundaryBox);
    for (const bool expected : {!box, box}) {
        EXPECT_EQ(dispatch(app, cmd::kBoundaryBox), 1);
        EXPECT_EQ(command_checked(app, *find_command(cmd::kBoundaryBox), cmd::kBoundaryBox), expected);
        EXPECT_EQ(app.display.overlays.bounding_box, expected);
    }
    EXPECT_EQ(dispatch(app, cmd::kColourByDirection), 1);
    EXPECT_EQ(checked(app, cmd::kColourByPen, cmd::kColourByDirection), std::vector<int>{cmd::kColourByDirection});
    EXPECT_EQ(dispatch(app, cmd::kSaveLevelFirst + 2), 1);
    EXPECT_EQ(checked(app, 32864, 32866), std::vector<int>{32866});
    EXPECT_EQ(app.settings.dmf.save_level, 3);
}

// ---- The lock during a run ----
// While a run pumps events, a dropped file or a menu must not swap the workpiece, the grid or
// the program under it; commands that only switch the view may go on.

TEST(DispatchBusy, ARunThatPumpsRefusesCommandsThatChangeItsWorld) {
    Language english(true);
    RecordingBackend backend;
    RunRig rig;
    App& app = *rig.app;
    const std::string saved = rig.dir.path() + "stock.dmf";
    const CommandArgs save{saved, {}};
    ASSERT_EQ(dispatch(app, cmd::kSaveWork, kSaveDmf, &save), 1);
    rig.program("slot.nc", kSlot);
    rig.ctx.pump_messages = true;
    std::vector<int> during;
    const CommandArgs load{saved, {}};
    backend.recording().on_pump = [&] {
        if (!during.empty()) return;
        during = {dispatch(app, cmd::kLoadWork, 0, &load), dispatch(app, cmd::kSelectNc, 0, &load),
                  dispatch(app, cmd::kSound), dispatch(app, cmd::kRealCut)};
    };
    ASSERT_EQ(dispatch(app, cmd::kCutAndShow), kRunEnded);
    ASSERT_EQ(during.size(), 4u) << "the run never pumped";
    EXPECT_EQ(during[0], kCommandBusy);
    EXPECT_EQ(during[1], kCommandBusy);
    EXPECT_EQ(during[2], 1);           // the sound switch is not locked
    EXPECT_EQ(during[3], kRunIgnored);  // a second run does not start inside the first
    EXPECT_EQ(backend.recording().messages.at(0).body, "Command 32784 (loading a workpiece) waits until the run has ended");
    EXPECT_EQ(app.run.nc_path, rig.dir.path() + "slot.nc");
    EXPECT_GT(rig.cut_cells(), 0);  // the run cut on the workpiece it started with
    backend.recording().on_pump = nullptr;
    EXPECT_EQ(dispatch(app, cmd::kLoadWork, 0, &load), 1);  // after the run the load goes through
    EXPECT_EQ(rig.cut_cells(), 0);
}

// ---- Commands without their module ----

TEST(Dispatch, CommandsWithoutTheirModuleSaySoInBothLanguages) {
    constexpr int kNcDataOutput = 32793;
    RecordingBackend backend;
    RunRig rig;
    rig.ctx.nc_path = "part.nc";
    {
        Language english(true);
        EXPECT_EQ(dispatch(*rig.app, kNcDataOutput, 0), kCommandNotAvailable);
        const CommandArgs other{rig.dir.path() + "model.wrk", {}};
        EXPECT_EQ(dispatch(*rig.app, cmd::kLoadWork, 0, &other), kCommandNotAvailable);
    }
    Language japanese(false);
    EXPECT_EQ(dispatch(*rig.app, kNcDataOutput, 0), kCommandNotAvailable);
    const auto& m = backend.recording().messages;
    ASSERT_EQ(m.size(), 3u);
    EXPECT_EQ(m[0].body, "Command 32793 (the NC data output) is not available in this build yet");
    EXPECT_EQ(m[1].body, "Command 32784 (loading this workpiece format) is not available in this build yet");
    EXPECT_EQ(m[2].body, "コマンド 32793（NCデータ出力(&O)）はこのビルドではまだ使用できません");
}

// The help is the current folder's HELP/index.htm, else the program folder's; when neither
// exists the user is told instead of a desktop opener failing out of sight.
TEST(Dispatch, HelpOpensTheFirstHelpFileOrSaysItIsMissing) {
    RecordingBackend backend;
    RunRig rig;
    testing::TempDir program;
    rig.app->current_dir = rig.dir.path();
    rig.app->program_dir = program.path();
    std::filesystem::create_directories(program.path() + "HELP");
    std::filesystem::create_directories(rig.dir.path() + "HELP");
    EXPECT_EQ(dispatch(*rig.app, 801), 0);
    program.write("HELP/index.htm", "p");
    EXPECT_EQ(dispatch(*rig.app, 801), 1);
    rig.dir.write("HELP/index.htm", "c");
    EXPECT_EQ(dispatch(*rig.app, 801), 1);
    const testing::Recording& r = backend.recording();
    ASSERT_EQ(r.messages.size(), 1u);
    EXPECT_EQ(r.messages[0].body, program.path() + "HELP/index.htm");
    EXPECT_EQ(r.opened, (std::vector<std::string>{program.path() + "HELP/index.htm", rig.dir.path() + "HELP/index.htm"}));
}

// ---- NC selection ----
// The fallbacks in their order: as named, with the NC suffix, then both in the program folder.

TEST(NcSelection, FallbacksFindTheFileInTheirOrder) {
    testing::TempDir dir;
    std::filesystem::create_directories(dir.path() + "work");
    std::filesystem::create_directories(dir.path() + "prog");
    const std::string work = dir.path() + "work/", prog = dir.path() + "prog/";
    dir.write("work/a.nc", "");
    dir.write("work/b.NC", "");
    dir.write("prog/c", "");
    dir.write("prog/d.NC", "");
    dir.write("prog/a.nc", "");  // the one in the working folder comes first
    struct Case {
        std::string name, path;
        bool in_program_dir;
    };
    for (const Case& c : std::vector<Case>{{work + "a.nc", work + "a.nc", false},
                                           {work + "A.NC", work + "a.nc", false},  // Windows-made name
                                           {work + "b", work + "b.NC", false},
                                           {work + "c", prog + "c", true},
                                           {work + "d", prog + "d.NC", true}}) {
        const auto found = find_nc_file(c.name, ".NC", prog);
        ASSERT_TRUE(found) << c.name;
        EXPECT_EQ(found->path, c.path) << c.name;
        EXPECT_EQ(found->in_program_dir, c.in_program_dir) << c.name;
    }
    EXPECT_FALSE(find_nc_file(work + "e", ".NC", prog));
    EXPECT_EQ(nc_suffix("*.NC"), ".NC");
    EXPECT_EQ(nc_suffix("*.*"), "");
}

TEST(NcSelection, AFileOfTheProgramFolderIsTakenOnlyWhenTheUserAgrees) {
    Language english(true);
    RecordingBackend backend;
    RunRig rig;
    App& app = *rig.app;
    app.program_dir = rig.dir.path() + "prog/";
    std::filesystem::create_directories(app.program_dir);
    const std::string file = rig.dir.write("prog/part.NC", kSlot);
    const CommandArgs part{rig.dir.path() + "part", {}};
    backend.recording().answers = {platform::Answer::No, platform::Answer::Yes};
    EXPECT_EQ(dispatch(app, cmd::kSelectNc, 0, &part), 0);
    EXPECT_TRUE(app.run.nc_path.empty());
    EXPECT_FALSE(command_enabled(app, *find_command(cmd::kRealCut), cmd::kRealCut));
    EXPECT_EQ(dispatch(app, cmd::kSelectNc, 0, &part), 1);
    EXPECT_EQ(app.run.nc_path, file);
    EXPECT_TRUE(command_enabled(app, *find_command(cmd::kRealCut), cmd::kRealCut));
    ASSERT_EQ(backend.recording().messages.size(), 2u);
    EXPECT_EQ(backend.recording().messages[0].title, "Is the one of the program side folder acceptable?");
    EXPECT_EQ(backend.recording().messages[0].buttons, platform::Buttons::YesNo);
    // Without a file from the caller the dialog chooses; cancelling it selects nothing.
    backend.recording().chosen_files = {file};
    EXPECT_EQ(dispatch(app, cmd::kSelectNc), 1);
    EXPECT_EQ(dispatch(app, cmd::kSelectNc), 0);
    EXPECT_EQ(app.run.nc_path, file);
}

TEST(NcSelection, AFileFoundNowhereRaisesAlarm101AndTellsTheUserOrTheBatchLog) {
    Language english(true);
    const std::string missing = "/nowhere/part.nc";
    const CommandArgs args{missing, {}};
    {
        RecordingBackend backend;
        RunRig rig;
        EXPECT_EQ(dispatch(*rig.app, cmd::kSelectNc, 0, &args), 0);
        EXPECT_EQ(rig.reader.alarm.code, kAlarmNoNcData);
        ASSERT_EQ(backend.recording().messages.size(), 1u);
        EXPECT_EQ(backend.recording().messages[0].title, "The NC data does not exist.");
        EXPECT_EQ(backend.recording().messages[0].body, missing);
    }
    RecordingBackend backend;
    RunRig rig;
    rig.ctx.batch_level = 5;
    ASSERT_TRUE(open_batch_log("", rig.dir.path()));
    EXPECT_EQ(dispatch(*rig.app, cmd::kSelectNc, 0, &args), 0);
    end_batch_log();
    EXPECT_EQ(rig.reader.alarm.code, kAlarmNoNcData);
    EXPECT_TRUE(backend.recording().messages.empty());
    const std::string log = rig.dir.read("vornex.log");
    const std::string tail = "\xEF\xBC\x9A" + missing + " - The NC data does not exist.\n\n";
    ASSERT_GE(log.size(), tail.size()) << log;
    EXPECT_EQ(log.substr(log.size() - tail.size()), tail) << log;
}

// ---- The tool file ----

TEST(Definitions, TheToolFileIsReadSelectedAndReadAgainWhenItChanged) {
    RecordingBackend backend;
    RunRig rig;
    App& app = *rig.app;
    app.settings.table.tool_table = rig.dir.write("atc.ttl", "I2\nMAGAZINE02 BALL 6,20 PEN 3\n");
    ASSERT_EQ(read_tool_file(app), 1);
    EXPECT_EQ(app.tool.number, 2);
    EXPECT_EQ(app.tool.pen, 3);
    // Edited behind the program's back: the next selection reads it again.
    rig.dir.write("atc.ttl", "I2\nMAGAZINE02 BALL 8,20 PEN 5\n");
    std::filesystem::last_write_time(app.settings.table.tool_table,
                                     std::filesystem::last_write_time(app.settings.table.tool_table) +
                                         std::chrono::seconds(2));
    const CommandArgs slot{rig.program("slot.nc", kSlot), {}};
    ASSERT_EQ(dispatch(app, cmd::kSelectNc, 0, &slot), 1);
    EXPECT_EQ(app.tools.entries[2].tool.d, 8.0f);
    EXPECT_EQ(app.tool.pen, 5);
    app.settings.table.tool_table = rig.dir.path() + "none.ttl";
    EXPECT_EQ(read_tool_file(app), -1);
    EXPECT_EQ(app.tools.entries[2].tool.defined, 0);
}

}  // namespace
}  // namespace vx::shell

namespace vx::shell {
namespace {

// ---- STL CHECK ----
// A loaded STL's triangles are outlined in red over the view, so that the user can check the
// grid it made; without the setting nothing is drawn.

TEST(WorkpieceLoad, StlCheckOutlinesTheTrianglesOfTheLoadedFile) {
    for (const bool check : {false, true}) {
        RecordingBackend backend;
        RunRig rig;
        App& app = *rig.app;
        app.settings.dmf.stl_check = check;
        const CommandArgs stl{rig.dir.write("part.stl",
                                            "solid t\nfacet normal 0 0 1\nouter loop\nvertex 0 0 5\nvertex 20 0 5\n"
                                            "vertex 0 20 5\nendloop\nendfacet\nendsolid t\n"),
                              {}};
        ASSERT_EQ(dispatch(app, cmd::kLoadWork, 0, &stl), 1);
        EXPECT_EQ(app.display.check_triangles.size(), check ? 1u : 0u);
        DefineSettings plan;
        plan.angle_a = plan.angle_b = 0.0;
        plan.perspective = false;
        plan.boundary_box = plan.basic_axis = false;
        view::set_up_display(app.display, display_settings(plan), app.workpiece, 200, 150, true);
        view::paint(app.display, app.workpiece);
        const view::ScreenPoint mid = view::project(app.display.view, 10.0 - app.workpiece.geometry.origin_x,
                                                    0.0 - app.workpiece.geometry.origin_y, 5.0);
        const bool red = view::pixel_at(app.display.surface, mid.x, mid.y) == view::kRed;
        EXPECT_EQ(red, check);
    }
}

}  // namespace
}  // namespace vx::shell
