// The plug-in modules that work on the workpiece, through the dispatcher as the menus, keys and
// batch send them: the example modifier and simulation module do their work, and a module that
// breaks the calling convention is refused by name with the workpiece left exactly as it was.
#include "shell/dispatch.h"

#include "integration/plugins.h"
#include "support/recording_backend.h"
#include "support/run_rig.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <vector>

namespace vx::shell {
namespace {

using testing::RecordingBackend;
using testing::RunRig;

const std::string kExamples = VORNEX_EXAMPLE_PLUGIN_DIR;  // libvxsim.so (sim_pocket), libvxmod.so (mod_raise)
const std::string kBad = VORNEX_TEST_BAD_PLUGIN_DIR;      // libvxsim.so, libvxsim1.so, libvxmod.so (bad_*.c)

// An environment variable for the life of the object.
struct Env {
    std::string name;
    Env(std::string n, const std::string& value) : name(std::move(n)) { ::setenv(name.c_str(), value.c_str(), 1); }
    ~Env() { ::unsetenv(name.c_str()); }
};

std::vector<float> heights(const sim::Workpiece& wp) {
    return {wp.height.data, wp.height.data + wp.geometry.cell_count};
}

// ---- The examples ----

// mod_raise moves every height, the bottom and the top by VORNEX_RAISE; the C key takes it back.
TEST(PluginCommands, ExampleModifierRaisesTheWholeWorkpiece) {
    RecordingBackend backend;
    RunRig rig;
    ASSERT_EQ(integration::load_plugins(rig.app->plugins, kExamples), 6);  // every example of examples/plugins
    const Env raise("VORNEX_RAISE", "2.5");
    const double bottom = rig.workpiece.work_bottom;
    EXPECT_EQ(dispatch(*rig.app, cmd::kModPlugin), 1);
    for (float h : heights(rig.workpiece)) ASSERT_EQ(h, float(testing::kRigTop + 2.5));
    EXPECT_DOUBLE_EQ(rig.workpiece.work_bottom, bottom + 2.5);
    EXPECT_DOUBLE_EQ(rig.workpiece.highest, testing::kRigTop + 2.5);
    EXPECT_EQ(restore_run_backup(rig.ctx), 1);
    EXPECT_EQ(rig.height(3, 3), float(testing::kRigTop));

    const Env bad_amount("VORNEX_RAISE", "two");  // the module cancels, saying why
    EXPECT_EQ(dispatch(*rig.app, cmd::kModPlugin), 0);
    EXPECT_EQ(rig.height(3, 3), float(testing::kRigTop));
}

// sim_pocket cuts the slot of the flat D4 (Y10, X5 to X25, Z9): every grid point within 2 mm of
// the path is at Z9, every point beyond it untouched, and the cut points carry pen 1 and the line.
TEST(PluginCommands, ExampleSimulationCutsTheSlotAsAFlatMill) {
    RecordingBackend backend;
    RunRig rig;
    ASSERT_EQ(integration::load_plugins(rig.app->plugins, kExamples), 6);  // every example of examples/plugins
    rig.data_program("slot.nc");
    EXPECT_EQ(dispatch(*rig.app, cmd::kSimPlugin), kRunEnded);
    const sim::GridGeometry& g = rig.workpiece.geometry;
    int cut = 0;
    for (int j = 0; j < g.ny; ++j) {
        for (int i = 0; i < g.nx; ++i) {
            const double x = g.origin_x + i * g.pitch, y = g.origin_y + j * g.pitch;
            const double dx = x < 5 ? 5 - x : x > 25 ? x - 25 : 0;
            const double distance = std::hypot(dx, y - 10);
            if (std::abs(distance - 2) < 1e-9) continue;  // on the cutter's edge either answer is right
            ASSERT_EQ(rig.height(x, y), distance < 2 ? 9.0f : float(testing::kRigTop)) << x << "," << y;
            cut += distance < 2;
        }
    }
    EXPECT_GT(cut, 150);
    EXPECT_EQ(rig.workpiece.modification_state, sim::kModified);  // saved as a cut grid, not a block
    EXPECT_EQ((rig.attribute(15, 10) >> 1) & 7, 1);
    EXPECT_EQ(rig.workpiece.line_number.data[rig.cell(15, 10)], 7);  // the cut along X
    EXPECT_NE(backend.recording().redraws.size(), 0u);  // the result is shown as after F5
}

// ---- Refusal ----

struct BadCase {
    const char* mode;
    const char* said;  // in the refusal message
};

// Each fault is named with the module, the workpiece is as before the command (the faulty module
// wrote into it first), the module is unloaded, and a simulation module still heard END.
TEST(PluginCommands, MisbehavingSimulationModulesAreRefused) {
    for (const BadCase c : {BadCase{"path", "path type 5"}, BadCase{"nan", "no number at cell (1, 1)"},
                            BadCase{"fail", "failed to cut the move of NC line"},
                            BadCase{"size", "changed the grid's size"}, BadCase{"bottom", "moved the work bottom"}}) {
        SCOPED_TRACE(c.mode);
        RecordingBackend backend;
        RunRig rig;
        ASSERT_EQ(integration::load_plugins(rig.app->plugins, kBad), 3);
        rig.data_program("slot.nc");
        const Env mode("VXBAD", c.mode), log("VXBAD_LOG", rig.dir.path() + "calls.log");
        const std::vector<float> before = heights(rig.workpiece);
        ::testing::internal::CaptureStderr();
        EXPECT_EQ(dispatch(*rig.app, cmd::kSimPlugin), 0);
        const std::string said = ::testing::internal::GetCapturedStderr();
        EXPECT_NE(said.find("plug-in vxsim (" + kBad + "libvxsim.so) "), std::string::npos) << said;
        EXPECT_NE(said.find(c.said), std::string::npos) << said;
        EXPECT_TRUE(heights(rig.workpiece) == before);
        EXPECT_EQ(integration::module(rig.app->plugins, integration::Family::Sim, 0), nullptr);
        EXPECT_NE(integration::module(rig.app->plugins, integration::Family::Sim, 1), nullptr);
        const std::string calls = rig.dir.read("calls.log");
        const bool started = std::string(c.mode) != "path";
        // END closes the run (aborted where the module's own answer ended it), then FREE unloads.
        const std::string end = std::string(c.mode) == "fail" ? "vxsim end 1\n" : "vxsim end 0\n";
        EXPECT_EQ(calls.ends_with(end + "vxsim free 0\n"), started) << calls;
        EXPECT_FALSE(rig.ctx.state.running);
    }
}

TEST(PluginCommands, MisbehavingModifiersAreRefused) {
    for (const BadCase c : {BadCase{"nan", "no number at cell"}, BadCase{"below", "below the work bottom at cell (1, 0)"},
                            BadCase{"size", "changed the grid's size"}, BadCase{"pitch", "changed the grid's size"},
                            BadCase{"null", "arrays"}, BadCase{"top", "top that is no number"}}) {
        SCOPED_TRACE(c.mode);
        RecordingBackend backend;
        RunRig rig;
        ASSERT_EQ(integration::load_plugins(rig.app->plugins, kBad), 3);
        const Env mode("VXBAD", c.mode);
        const std::vector<float> before = heights(rig.workpiece);
        const double bottom = rig.workpiece.work_bottom, top = rig.workpiece.work_top;
        ::testing::internal::CaptureStderr();
        EXPECT_EQ(dispatch(*rig.app, cmd::kModPlugin), 0);
        const std::string said = ::testing::internal::GetCapturedStderr();
        EXPECT_NE(said.find("plug-in vxmod ("), std::string::npos) << said;
        EXPECT_NE(said.find(c.said), std::string::npos) << said;
        EXPECT_TRUE(heights(rig.workpiece) == before);
        EXPECT_EQ(rig.workpiece.work_bottom, bottom);
        EXPECT_EQ(rig.workpiece.work_top, top);
        EXPECT_EQ(integration::module(rig.app->plugins, integration::Family::Mod, 0), nullptr);
        EXPECT_EQ(dispatch(*rig.app, cmd::kModPlugin), kCommandDisabled);  // gone from the menu
    }
}

// A cancel is no fault: the module stays, nothing changes, and the caller is told.
TEST(PluginCommands, CancelledModifierStaysLoaded) {
    RecordingBackend backend;
    RunRig rig;
    integration::load_plugins(rig.app->plugins, kBad);
    const Env mode("VXBAD", "cancel");
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(dispatch(*rig.app, cmd::kModPlugin), 0);
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("vxmod was cancelled"), std::string::npos);
    EXPECT_EQ(rig.height(3, 3), float(testing::kRigTop));
    const integration::Module* m = integration::module(rig.app->plugins, integration::Family::Mod, 0);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->text, std::string(VX_PLUGIN_TEXT, 'M'));  // its caption had no terminator
}

// A module that declines the run is no fault either: nothing is cut, no END is owed, the caller
// is told, and the module stays.
TEST(PluginCommands, DecliningSimulationModuleStaysLoaded) {
    RecordingBackend backend;
    RunRig rig;
    integration::load_plugins(rig.app->plugins, kBad);
    rig.data_program("slot.nc");
    const Env mode("VXBAD", "decline"), log("VXBAD_LOG", rig.dir.path() + "calls.log");
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(dispatch(*rig.app, cmd::kSimPlugin), 0);
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("vxsim declined to cut "), std::string::npos);
    EXPECT_EQ(rig.dir.read("calls.log"), "vxsim parameter 1\nvxsim getwork 81\nvxsim start 1\n");
    EXPECT_EQ(rig.cut_cells(), 0);
    EXPECT_NE(integration::module(rig.app->plugins, integration::Family::Sim, 0), nullptr);
}

// The basic model reaches the modifier before MODWORK, aligned with the grid; without one the
// modifier is not told of any.
TEST(PluginCommands, ModifierGetsTheBasicModel) {
    RecordingBackend backend;
    RunRig rig;
    integration::load_plugins(rig.app->plugins, kBad);
    const Env mode("VXBAD", "basic");
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(dispatch(*rig.app, cmd::kModPlugin), 1);  // nothing done: said so, but no failure
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("vxmod left the workpiece as it was"), std::string::npos);
    const auto model = [](const sim::GridGeometry& g, float* h, double) {
        for (std::int32_t c = 0; c < g.cell_count; ++c) h[c] = float(5 + c % g.nx * 0.01);
        return 1;
    };
    ASSERT_EQ(sim::calculate_z_values(rig.workpiece, sim::ZTarget::Basic, model), 1);
    EXPECT_EQ(dispatch(*rig.app, cmd::kModPlugin), 1);
    EXPECT_EQ(rig.height(0, 3), 5.0f);
    EXPECT_EQ(rig.height(1, 3), float(5 + 2 * 0.01));
}

// A well-behaved run calls the module in the documented order, with the first tool before the
// first cut and END after the last; the run's commands are for a selected program only.
TEST(PluginCommands, SimulationCallsComeInTheirOrder) {
    RecordingBackend backend;
    RunRig rig;
    integration::load_plugins(rig.app->plugins, kBad);
    EXPECT_EQ(dispatch(*rig.app, cmd::kSimPlugin + 1), kCommandDisabled);  // no program yet
    rig.data_program("slot.nc");
    const Env log("VXBAD_LOG", rig.dir.path() + "calls.log");
    EXPECT_EQ(dispatch(*rig.app, cmd::kSimPlugin + 1), kRunEnded);
    const std::string calls = rig.dir.read("calls.log");
    EXPECT_EQ(calls.substr(0, calls.find("cut")),
              "vxsim1 parameter 1\nvxsim1 getwork " + std::to_string(rig.workpiece.geometry.nx) +
                  "\nvxsim1 start 1\nvxsim1 tool 1\nvxsim1 ");
    EXPECT_TRUE(calls.ends_with("\nvxsim1 end 0\n")) << calls;
    int cuts = 0;
    for (std::size_t at = calls.find(" cut "); at != std::string::npos; at = calls.find(" cut ", at + 1)) ++cuts;
    EXPECT_EQ(cuts, 5);  // the slot program's five moves, whole (the module's path type 1)
    EXPECT_EQ(rig.height(0, 0), float(testing::kRigTop - cuts));  // each lowered cell 0 by 1 mm
}

// Path type 0 divides every move into sub-steps, 1 hands over whole moves, 2 whole lines and
// divided arcs; the pieces of a divided move are numbered k of n.
TEST(PluginCommands, PathTypesDivideTheMovesAsDocumented) {
    struct Case {
        const char* type;
        bool line_divided, arc_divided;
    };
    for (const Case c : {Case{"0", true, true}, Case{"1", false, false}, Case{"2", false, true}}) {
        SCOPED_TRACE(c.type);
        RecordingBackend backend;
        RunRig rig;
        integration::load_plugins(rig.app->plugins, kBad);
        rig.program("arc.nc", "G90 G17 G00 X5. Y10. Z12.\nT1\nG01 Z9. F300.\nX25. F600.\nG02 X35. I5. J0.\nG00 Z15.\n");
        const Env path("VXBAD_PATH", c.type), log("VXBAD_LOG", rig.dir.path() + "calls.log");
        ASSERT_EQ(dispatch(*rig.app, cmd::kSimPlugin), kRunEnded);
        const std::string calls = rig.dir.read("calls.log");
        EXPECT_EQ(calls.find("vxsim cut 4 2/") != std::string::npos, c.line_divided) << calls.substr(0, 400);
        EXPECT_EQ(calls.find("vxsim cut 5 2/") != std::string::npos, c.arc_divided);
        EXPECT_EQ(calls.find("vxsim cut 4 1/1\n") != std::string::npos, !c.line_divided);
        EXPECT_EQ(calls.find("vxsim cut 5 1/1\n") != std::string::npos, !c.arc_divided);
    }
}

}  // namespace
}  // namespace vx::shell
