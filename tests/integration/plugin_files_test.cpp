// The loader, comment and editor plug-ins in the program: a misbehaving loader refused without
// touching the workpiece, the example loader's model resampled onto the workpiece grid, the
// example comment module with its disable command, the example editor link through a run.
#include "integration/plugin_files.h"

#include "shell/dispatch.h"
#include "shell/editor_commands.h"
#include "shell/workpiece.h"
#include "work/dmf.h"
#include "support/recording_backend.h"
#include "support/run_rig.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace vx::integration {
namespace {

using testing::RecordingBackend;
using testing::RunRig;

const std::string kBadDir = VORNEX_BAD_PLUGIN_DIR;
const std::string kExampleDir = VORNEX_EXAMPLE_PLUGIN_DIR;

// Sets an environment variable for the life of the object.
struct Env {
    std::string name;
    Env(const std::string& n, const std::string& value) : name(n) { ::setenv(n.c_str(), value.c_str(), 1); }
    ~Env() { ::unsetenv(name.c_str()); }
};

std::vector<float> heights(const sim::Workpiece& wp) {
    return {wp.height.data, wp.height.data + wp.geometry.cell_count};
}

// ---- Refusal ----
// A loader is outside input: each kind of nonsense must end in a refusal that names the module
// and what it did, with the module unloaded and the workpiece exactly as it was. A file the
// module merely cannot read is no fault of the module's: it is told, and the module stays.

TEST(PluginLoader, NonsenseIsRefusedAndTheWorkpieceStaysAsItWas) {
    struct Case {
        const char* mode;
        const char* said;
        bool refused;
    };
    const Case cases[] = {
        {"negative", "gave a negative extent", true},
        {"nan-pitch", "gave a pitch that is not a number", true},
        {"huge", "points, beyond the grid's limit", true},
        {"nan-height", "gave a height that is not a number at grid point (1, 1)", true},
        {"unreadable", "", false},
    };
    for (const Case& c : cases) {
        RecordingBackend backend;
        RunRig rig;
        shell::App& app = *rig.app;
        const Env mode("VXLOAD_BAD", c.mode);
        ASSERT_EQ(load_plugins(app.plugins, kBadDir), 2);
        const std::vector<float> before = heights(app.workpiece);
        const sim::GridGeometry grid = app.workpiece.geometry;
        const shell::CommandArgs args{rig.dir.path() + "part.BAD", {}};
        ::testing::internal::CaptureStderr();
        EXPECT_EQ(shell::dispatch(app, shell::cmd::kLoadWork, 0, &args), 0) << c.mode;
        const std::string said = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(modules(app.plugins, Family::Load).empty(), c.refused) << c.mode;
        if (c.refused) {
            EXPECT_NE(said.find("the plug-in vxload (" + kBadDir + "libvxload.so) "), std::string::npos) << said;
            EXPECT_NE(said.find(c.said), std::string::npos) << said;
        } else {
            ASSERT_EQ(backend.recording().messages.size(), 1u) << c.mode;
            EXPECT_NE(backend.recording().messages[0].body.find("vxload: " + args.path), std::string::npos);
        }
        EXPECT_EQ(heights(app.workpiece), before) << c.mode;
        EXPECT_EQ(app.workpiece.geometry.nx, grid.nx);
        EXPECT_EQ(app.workpiece.geometry.pitch, grid.pitch);
    }
}

TEST(PluginLoader, ARefusedModelLeavesTheBasicModelUnloaded) {
    RecordingBackend backend;
    RunRig rig;
    const Env mode("VXLOAD_BAD", "nan-height");
    ASSERT_EQ(load_plugins(rig.app->plugins, kBadDir), 2);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(shell::load_model_file(*rig.app, rig.dir.path() + "model.BAD", work::ModelUse::Basic), 0);
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("vxload"), std::string::npos);
    EXPECT_FALSE(rig.workpiece.basic_loaded);
}

// ---- A saver that wants the basic model ----
// Without a basic model named the save must stop with "Please select!" before the module writes
// anything; with one, the module must get it loaded, the save settings and the workpiece; a
// cancel in its PARAMETER writes nothing and is said.

TEST(PluginSaver, GetsTheBasicModelTheSaveLevelAndTheWorkpiece) {
    RecordingBackend backend;
    RunRig rig;
    shell::App& app = *rig.app;
    ASSERT_EQ(load_plugins(app.plugins, kBadDir), 2);
    const shell::CommandArgs args{rig.dir.path() + "out.REC", {}};
    EXPECT_EQ(shell::dispatch(app, shell::cmd::kSaveWork, shell::kSavePlugin, &args), 0);
    ASSERT_EQ(backend.recording().messages.size(), 1u);
    EXPECT_EQ(backend.recording().messages[0].title, "Basic Model");
    EXPECT_EQ(backend.recording().messages[0].body, "Please select!");
    EXPECT_FALSE(std::filesystem::exists(args.path));

    app.settings.dmf.basic_model = rig.dir.path() + "basic.DMF";
    ASSERT_EQ(work::write_workpiece_file(rig.workpiece, app.settings.dmf.basic_model, {}), 1);
    app.settings.dmf.save_level = 2;
    EXPECT_EQ(shell::dispatch(app, shell::cmd::kSaveWork, 0, &args), 1);  // the type from the suffix
    const sim::GridGeometry& g = rig.workpiece.geometry;
    char expected[256];
    std::snprintf(expected, sizeof expected, "basic 10 %d %d\nlevel 2 0\nwork %d %d 0.5 %g %g %g 10\n", g.nx, g.ny,
                  g.nx, g.ny, g.origin_x, g.origin_y, rig.workpiece.work_bottom);
    EXPECT_EQ(rig.dir.read("out.REC"), expected);

    const Env cancel("VXSAVE_CANCEL", "1");
    const shell::CommandArgs again{rig.dir.path() + "again.REC", {}};
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(shell::dispatch(app, shell::cmd::kSaveWork, 0, &again), 0);
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("vxsave cancelled saving"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(again.path));
}

// ---- The example loader as a model ----
// A plane sampled on the model's own 2 mm grid must come back as the same plane at every point
// of the 0.5 mm workpiece grid inside the model (the triangles of a plane are the plane), and as
// no material outside it: this catches a swapped axis, an origin off by a cell and a wrong pitch.

TEST(PluginLoader, ExampleModelIsResampledOntoTheWorkpieceGrid) {
    RecordingBackend backend;
    RunRig rig;
    ASSERT_EQ(load_plugins(rig.app->plugins, kExampleDir), 6);  // every example of examples/plugins
    const auto plane = [](double x, double y) { return 1.0 + 0.25 * x + 0.5 * y; };
    std::string text = "# X Y Z\n";
    for (int y = 4; y <= 10; y += 2)
        for (int x = 2; x <= 10; x += 2) text += std::to_string(x) + " " + std::to_string(y) + " " + std::to_string(plane(x, y)) + "\n";
    const std::string path = rig.dir.path() + "plane.xyz";
    rig.dir.write("plane.xyz", text);
    ASSERT_EQ(shell::load_model_file(*rig.app, path, work::ModelUse::Basic), 1);
    const sim::GridGeometry& g = rig.workpiece.geometry;
    int inside = 0;
    for (int j = 0; j < g.ny; ++j)
        for (int i = 0; i < g.nx; ++i) {
            const double x = g.origin_x + i * g.pitch, y = g.origin_y + j * g.pitch;
            const float h = rig.workpiece.basic_model.data[j * g.nx + i];
            if (x >= 2 && x <= 10 && y >= 4 && y <= 10) {
                EXPECT_NEAR(h, plane(x, y), 1e-4) << x << " " << y;
                ++inside;
            } else {
                EXPECT_EQ(h, kNoMaterial) << x << " " << y;
            }
        }
    EXPECT_EQ(inside, 17 * 13);
}

// ---- The example comment module ----
// The tool and the length come from the comment's own words only; the disable command must stop
// the hooks, and its check mark must show it.

TEST(CommentPlugin, ExampleReadsCommentWordsAndTheCommandDisablesIt) {
    RunRig rig;
    shell::App& app = *rig.app;
    const shell::Command& disable = *shell::find_command(shell::cmd::kDisableNcCom);
    EXPECT_FALSE(shell::command_enabled(app, disable, shell::cmd::kDisableNcCom));
    ASSERT_EQ(load_plugins(app.plugins, kExampleDir), 6);  // every example of examples/plugins
    EXPECT_TRUE(shell::command_enabled(app, disable, shell::cmd::kDisableNcCom));
    struct Case {
        const char* line;
        bool has_tool, has_length;
        int tool;
        double length;
    };
    const Case cases[] = {
        {"(T5 D10 L75)", true, true, 5, 75.0},
        {"G01 X1 T7 (TOOL 5) (LONG)", false, false, 0, 0.0},  // T7 is the block's, not the comment's
        {"(D10 T12)", true, false, 12, 0.0},
        {"(ROUGH) (L20.5)", false, true, 0, 20.5},
    };
    for (const Case& c : cases) {
        CommentTool found;
        ASSERT_TRUE(offer_comment(app.plugins, c.line, 1, found));
        EXPECT_EQ(found.has_tool, c.has_tool) << c.line;
        EXPECT_EQ(found.has_length, c.has_length) << c.line;
        if (c.has_tool) {
            EXPECT_EQ(found.tool, c.tool) << c.line;
        }
        if (c.has_length) {
            EXPECT_EQ(found.length, c.length) << c.line;
        }
    }
    // In a run: the tool from the comment is selected, then given the comment's length.
    rig.program("comment.nc", "(T2 D4 L33)\nG00 X1 Y1 Z30\nM30\n");
    ASSERT_EQ(shell::run_command(rig.ctx, shell::cmd::kSkipCut), shell::kRunEnded);
    EXPECT_EQ(rig.tool.number, 2);
    EXPECT_EQ(rig.tool.length.kind, sim::kLength1);
    EXPECT_EQ(rig.tool.profile.L1, 33.0);

    CommentTool found;
    EXPECT_EQ(shell::dispatch(app, shell::cmd::kDisableNcCom), 1);
    EXPECT_TRUE(shell::command_checked(app, disable, shell::cmd::kDisableNcCom));
    EXPECT_FALSE(offer_comment(app.plugins, "(T5)", 1, found));
    EXPECT_EQ(shell::dispatch(app, shell::cmd::kDisableNcCom), 1);
    EXPECT_TRUE(offer_comment(app.plugins, "(T5)", 1, found));
}

// ---- The example editor link ----
// Every step the module exports replaces the program's: the start (no editor is installed for
// it), the finder, the jump at each stop of a run, the end of the link and the pick. An
// EXEC_PROGRAM whose link is built in makes the module give way.

TEST(EditorPlugin, ExampleRecordsTheStartTheRunsStopsAndThePick) {
    RecordingBackend backend;
    RunRig rig;
    shell::App& app = *rig.app;
    const Env log("VXEDITOR_LOG", rig.dir.path() + "editor.log");
    ASSERT_EQ(load_plugins(app.plugins, kExampleDir), 6);  // every example of examples/plugins
    rig.data_program("stops.nc");
    const std::string nc = rig.ctx.nc_path;
    ASSERT_EQ(shell::dispatch(app, shell::cmd::kEditor), 1);
    shell::set_stop_mode(rig.ctx, shell::cmd::kStopModeFirst + 3);  // single block
    std::string jumps;
    int stops = 0;
    while (shell::run_command(rig.ctx, shell::cmd::kSkipCut) == shell::kRunSuspended && ++stops < 20)
        jumps += "jump " + std::to_string(rig.reader.line_number) + "\n";
    EXPECT_GE(stops, 3);
    EXPECT_TRUE(shell::editor_show_cell_line(app, -3));  // a called program's line 3
    // The run's start takes the editor to the top: line 1 by JUMP, as the example exports no TOP.
    EXPECT_EQ(rig.dir.read("editor.log"),
              "start notepad " + nc + "\nfind " + nc + "\njump 1\n" + jumps + "exit\npick 3\n");

    EXPECT_FALSE(editor_module_gives_way(app.plugins, "notepad"));  // no link of its own
    EXPECT_TRUE(editor_module_gives_way(app.plugins, "/usr/bin/vim"));
    EXPECT_EQ(module(app.plugins, Family::Editor, 0), nullptr);
}

}  // namespace
}  // namespace vx::integration
