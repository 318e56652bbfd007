// Plug-in modules as a user installs them: the library next to the program, driven by the batch.
// The example simulation module cuts the slot through -X5s1 and the saved workpiece has the
// slot's heights; the example modifier raises a saved workpiece through -XU1 by exactly its
// amount; a modifier that breaks the grid fails the batch, by name, and saves the workpiece as
// it was loaded.
#include "e2e_workspace.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

namespace vx {
namespace {

// A copy of the program in `folder` of the workspace, beside the plug-in `libraries` from `from`.
std::string install(const Workspace& w, const std::string& folder, const std::string& from,
                    std::initializer_list<const char*> libraries) {
    const std::string dir = w.dir.path() + folder + "/";
    std::filesystem::create_directories(dir);
    std::filesystem::copy_file(VORNEX_BINARY, dir + "vornex");
    for (const char* lib : libraries) std::filesystem::copy_file(from + lib, dir + lib);
    return dir + "vornex";
}

// Runs `program` in the workspace with `environment` ("NAME=value ..."): the exit status; stderr
// into `errors`.
int run(const Workspace& w, const std::string& program, const std::string& environment, const std::string& arguments,
        std::string* errors) {
    const std::string command = "cd '" + w.dir.path() + "' && env -u DISPLAY -u WAYLAND_DISPLAY " + environment + " '" +
                                program + "' " + arguments + " > output.txt 2> errors.txt";
    const int status = std::system(command.c_str());
    *errors = w.dir.read("errors.txt");
    return WIFEXITED(status) ? static_cast<signed char>(WEXITSTATUS(status)) : -1000;
}

// Flat D10 from X10 to X50 along Y20 at Z17 in the 60 x 40 x 20 box: a grid point within 5 mm
// of that path is at Z17, every other one at the top.
TEST(PluginBatch, SimulationModuleCutsTheSlotThroughTheSuffix) {
    Workspace w;
    const std::string vornex = install(w, "bin", VORNEX_EXAMPLE_PLUGIN_DIR, {"libvxsim.so"});
    std::string errors;
    ASSERT_EQ(run(w, vornex, "", "-X5s1 slot.nc -Ocut.dmf", &errors), 0) << errors;
    const Dmf d = read_dmf(w, "cut.dmf");
    ASSERT_EQ(d.nx, 121);
    int cut = 0;
    for (int j = 0; j < d.ny; ++j) {
        for (int i = 0; i < d.nx; ++i) {
            const double x = i * kPitch, y = j * kPitch;
            const double dx = x < 10 ? 10 - x : x > 50 ? x - 50 : 0;
            const double distance = std::hypot(dx, y - 20);
            if (std::abs(distance - 5) < 1e-9) continue;  // on the cutter's edge either answer is right
            ASSERT_EQ(d.height(x, y), distance < 5 ? 17.0f : float(kTop)) << x << "," << y;
            cut += distance < 5;
        }
    }
    EXPECT_GT(cut, 1500);
    EXPECT_EQ(d.line(30, 20), 7);  // the NC line of the cut along X
    EXPECT_EQ(errors.find("refused"), std::string::npos) << errors;
    EXPECT_NE(w.dir.read("output.txt").find("removed volume: "), std::string::npos);  // the run's summary
}

TEST(PluginBatch, ModifierRaisesASavedWorkpieceOrFailsByName) {
    Workspace w;
    std::string errors;
    ASSERT_EQ(w.run("-X5 slot.nc -Ostock.dmf"), 0);
    const Dmf stock = read_dmf(w, "stock.dmf");

    const std::string good = install(w, "good", VORNEX_EXAMPLE_PLUGIN_DIR, {"libvxmod.so"});
    ASSERT_EQ(run(w, good, "VORNEX_RAISE=2.5", "-Dstock.dmf -Oraised.dmf -XU1", &errors), 0) << errors;
    const Dmf raised = read_dmf(w, "raised.dmf");
    ASSERT_EQ(raised.cells(), stock.cells());
    for (std::int64_t c = 0; c < stock.cells(); ++c)
        ASSERT_EQ(raised.at<float>(156 + 4 * c), stock.at<float>(156 + 4 * c) + 2.5f) << c;

    const std::string bad = install(w, "bad", VORNEX_TEST_BAD_PLUGIN_DIR, {"libvxmod.so"});
    EXPECT_EQ(run(w, bad, "VXBAD=nan", "-Dstock.dmf -Obad.dmf -XU1", &errors), 1);
    EXPECT_NE(errors.find("the plug-in vxmod (" + w.dir.path() + "bad/libvxmod.so) left a height that is no number"),
              std::string::npos)
        << errors;
    EXPECT_EQ(read_dmf(w, "bad.dmf").bytes, stock.bytes);
}

}  // namespace
}  // namespace vx
