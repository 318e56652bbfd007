// The built program run unattended on small NC programs over a 60 x 40 x 20 box at a 0.5 mm
// grid (tests/data/e2e): exit codes, the log, and the result DMF read back byte by byte against
// heights, volumes, attributes and line numbers worked out by hand.
#include "e2e_workspace.h"
#include "output/png.h"
#include "sim/workgrid.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

namespace vx {
namespace {

std::uint8_t attribute_of(int pen, std::uint8_t direction) {
    return std::uint8_t(sim::kPenCode[pen] | (direction << sim::kCutDirectionShift));
}

// ---- Cutting ----
// Protects the whole chain from the command line to the saved file: definitions found, the
// program interpreted, the moves cut at the right place and depth, and the file written.

TEST(BatchRun, SlotIsCutAndSavedWithPenDirectionAndLine) {
    Workspace w;
    ASSERT_EQ(w.run("-X5 slot.nc -Oslot.dmf"), 0);
    const Dmf d = read_dmf(w, "slot.dmf");
    ASSERT_EQ(d.bytes.size(), std::size_t(121 * 81 * 9 + 168));
    EXPECT_EQ(d.nx, 121);
    EXPECT_EQ(d.ny, 81);
    EXPECT_EQ(d.pitch, kPitch);
    EXPECT_EQ(d.layer_code, 5);
    EXPECT_EQ(d.body_form, 0);
    // The flat D10 at Z17 from X10 to X50 along Y20, plunged at X10 on line 6, fed on line 7.
    EXPECT_EQ(d.height(30, 20), 17.0f);
    EXPECT_EQ(d.height(30, 24.5), 17.0f);
    EXPECT_EQ(d.height(30, 25.5), 20.0f);
    EXPECT_EQ(d.height(54.5, 20), 17.0f);
    EXPECT_EQ(d.height(55.5, 20), 20.0f);
    EXPECT_EQ(d.height(4.5, 20), 20.0f);
    EXPECT_EQ(d.line(10, 20), 6);
    EXPECT_EQ(d.line(30, 20), 7);
    EXPECT_EQ(d.line(30, 30), 0);
    EXPECT_EQ(d.attribute(10, 20), attribute_of(1, sim::kCutVertical));
    EXPECT_EQ(d.attribute(30, 24.5), attribute_of(1, sim::kCutUp));    // left of +X
    EXPECT_EQ(d.attribute(30, 15.5), attribute_of(1, sim::kCutDown));  // right of +X
    EXPECT_EQ(d.attribute(30, 30), 0);
    // 3 deep over the slot and its round ends; the grid errs by about a cell along the rim.
    const double analytic = 3.0 * (40.0 * 10.0 + M_PI * 25.0), rim = 2.0 * 40.0 + 2.0 * M_PI * 5.0;
    EXPECT_NEAR(d.removed_volume(), analytic, 0.5 * rim * kPitch * 3.0);
}

TEST(BatchRun, FullCircleCutsAnAnnulus) {
    Workspace w;
    ASSERT_EQ(w.run("-X5 circle.nc -Ocircle.dmf"), 0);
    const Dmf d = read_dmf(w, "circle.dmf");
    ASSERT_EQ(d.layer_code, 5);
    // The D10 on a circle of radius 10 about (30, 20), 2 deep: radii 5 to 15 cut.
    EXPECT_EQ(d.height(30, 20), 20.0f);
    EXPECT_EQ(d.height(30, 24.5), 20.0f);
    EXPECT_EQ(d.height(30, 25.5), 18.0f);
    EXPECT_EQ(d.height(30, 34.5), 18.0f);
    EXPECT_EQ(d.height(30, 35.5), 20.0f);
    EXPECT_EQ(d.height(17, 20), 18.0f);
    EXPECT_EQ(d.line(20, 20), 7);  // the arc's line, the far side from the plunge
    const double analytic = 2.0 * M_PI * (15.0 * 15.0 - 5.0 * 5.0), rim = 2.0 * M_PI * (15.0 + 5.0);
    EXPECT_NEAR(d.removed_volume(), analytic, 0.5 * rim * kPitch * 2.0);
}

TEST(BatchRun, DrilledHolesHaveTheirPoint) {
    Workspace w;
    ASSERT_EQ(w.run("-X5 drill.nc -Odrill.dmf"), 0);
    const Dmf d = read_dmf(w, "drill.dmf");
    ASSERT_EQ(d.layer_code, 5);
    const double rise = std::tan(31.0 * M_PI / 180.0);  // point angle from the horizontal
    for (const double x : {15.0, 45.0}) {
        EXPECT_EQ(d.height(x, 20), 10.0f) << x;
        EXPECT_NEAR(d.height(x + 2, 20), 10.0 + 2.0 * rise, 1e-5) << x;
        EXPECT_EQ(d.height(x + 4.5, 20), 20.0f) << x;
        EXPECT_EQ(d.attribute(x, 20), attribute_of(6, sim::kCutVertical)) << x;
    }
    EXPECT_EQ(d.line(15, 20), 6);
    EXPECT_EQ(d.line(45, 20), 9);
    // Two holes: a cylinder of radius 4 down to the point's top, and the point's cone.
    const double point = 4.0 * rise;
    const double hole = M_PI * 16.0 * (kTop - 10.0 - point) + M_PI * 16.0 * point / 3.0;
    EXPECT_NEAR(d.removed_volume(), 2.0 * hole, 2.0 * 0.5 * (2.0 * M_PI * 4.0) * kPitch * 10.0);
}

TEST(BatchRun, FastRunMatchesTheNormalRunOnARaster) {
    Workspace w;
    ASSERT_EQ(w.run("-X5 raster.nc -Onormal.dmf"), 0);
    ASSERT_EQ(w.run("-X5f raster.nc -Ofast.dmf"), 0);
    const Dmf normal = read_dmf(w, "normal.dmf"), fast = read_dmf(w, "fast.dmf");
    ASSERT_EQ(normal.bytes.size(), fast.bytes.size());
    ASSERT_EQ(normal.layer_code, 5);
    // A cell exactly at the ball's rim is reached or not by a rounding of its distance, and then
    // differs by the whole wall: such cells are counted apart, everything cut by both compared.
    double worst = 0;
    int both = 0, one = 0;
    for (std::int64_t c = 0; c < normal.cells(); ++c) {
        const float a = normal.at<float>(156 + 4 * c), b = fast.at<float>(156 + 4 * c);
        if ((a < kTop) != (b < kTop)) ++one;
        if (!(a < kTop && b < kTop)) continue;
        ++both;
        worst = std::max(worst, std::fabs(double(a) - double(b)));
    }
    EXPECT_GT(both, 1000);
    EXPECT_LE(worst, kPitch);
    EXPECT_LE(one, both / 100);
    // Under the middle pass the ball's lowest point stands on the programmed height.
    EXPECT_NEAR(normal.height(30, 17), 16.0 + 1.5 * std::cos(0.0) * std::cos(-3.0 / 6.0), 0.05);
}

// ---- The batch around the run ----
// Protects the unattended contract: one dated log line per run, the messages after it, the
// empty line at the end, exit codes that tell failures from success, and honest refusals.

TEST(BatchRun, LogHasTheDatedLineTheEndMessageAndTheEmptyLine) {
    Workspace w;
    ASSERT_EQ(w.run("-X5 rapid.nc"), 0);
    const std::string log = w.log();
    const std::regex expected("\\d{4}/\\d{2}/\\d{2} \\d{2}:\\d{2}:\\d{2}\xEF\xBC\x9A" + w.dir.path() +
                              "rapid\\.nc\n\\(5\\) - The tool was dameged\\. \\(G00 interference\\)\n\n");
    EXPECT_TRUE(std::regex_match(log, expected)) << log;
}

TEST(BatchRun, FailuresAndRefusalsHaveTheirExitCodes) {
    Workspace w;
    std::string output;
    EXPECT_EQ(w.run("-X5 missing.nc", &output), 1) << output;
    EXPECT_NE(output.find("missing.nc"), std::string::npos) << output;
    EXPECT_EQ(w.run("-X5 slot.nc -Onowhere/slot.dmf", &output), 1) << output;
    EXPECT_EQ(w.run("-X2 slot.nc", &output), 2);
    EXPECT_NE(output.find("not available"), std::string::npos) << output;
    EXPECT_EQ(w.run("--help", &output), 0);
    for (const char* sw : {"-X", "-O", "-C", "-D", "-V"}) EXPECT_NE(output.find(sw), std::string::npos) << sw;
    EXPECT_EQ(w.run("--version", &output), 0);
    EXPECT_EQ(output.rfind("vornex ", 0), 0u) << output;
}

TEST(BatchRun, AWorkpieceFileIsLoadedCutFurtherAndSaved) {
    Workspace w;
    ASSERT_EQ(w.run("-X5 slot.nc -Oslot.dmf"), 0);
    ASSERT_EQ(w.run("-X5 drill.nc -Dslot.dmf -Oboth.dmf"), 0);
    const Dmf d = read_dmf(w, "both.dmf");
    ASSERT_EQ(d.layer_code, 5);
    EXPECT_EQ(d.height(30, 20), 17.0f);  // the slot, loaded
    EXPECT_EQ(d.line(30, 20), 7);
    EXPECT_EQ(d.height(45, 20), 10.0f);  // the hole drilled into the slot's floor
    EXPECT_EQ(d.height(45, 30), 20.0f);
}

// The result view: a PNG of the asked size in which the slot's floor shows pen 1's green.
TEST(BatchRun, ImageOfTheResultIsWritten) {
    Workspace w;
    std::string output;
    ASSERT_EQ(w.run("-X5 slot.nc --image view.png,320x240", &output), 0) << output;
    view::Surface image;
    ASSERT_TRUE(output::read_png(w.dir.path() + "view.png", image));
    EXPECT_EQ(image.width, 320);
    EXPECT_EQ(image.height, 240);
    int green = 0;
    for (const view::Pixel px : image.pixels)
        green += view::pixel_green(px) > view::pixel_red(px) + 30 && view::pixel_green(px) > view::pixel_blue(px) + 30;
    EXPECT_GT(green, 500);
    // The result display's overlays are on by default: the bounding box's red dots (and the X
    // axis), the dotted path of the moves above the block, the tool where the run left it.
    const auto count = [&](view::Pixel colour) { return std::count(image.pixels.begin(), image.pixels.end(), colour); };
    EXPECT_GT(count(view::pixel_rgb(255, 0, 0)), 100);
    EXPECT_GT(count(view::pixel_rgb(255, 0, 255)), 5);
    EXPECT_GT(count(view::pixel_rgb(255, 0, 128)), 10);
    EXPECT_EQ(w.run("-X5 slot.nc --image nowhere/view.png"), 1);
}

// A settings file or colour table named on the command line that is missing would leave its
// settings at their defaults without a word.
TEST(BatchRun, MissingNamedSettingsAndColourFilesAreReported) {
    Workspace w;
    std::string output;
    w.run("-X5 slot.nc -ICnone", &output);
    EXPECT_NE(output.find("the colour table " + w.dir.path() + "none.CTC was not found"), std::string::npos) << output;
    w.run("-X5 slot.nc -Inone", &output);
    EXPECT_NE(output.find("the settings file "), std::string::npos) << output;
    EXPECT_NE(output.find("none.INI was not found"), std::string::npos) << output;
    ASSERT_EQ(w.run("-X5 slot.nc", &output), 0);
    EXPECT_EQ(output.find("was not found"), std::string::npos) << output;
}

// ---- Early exits ----
// The plug-ins' FREE runs however the program ends: after --help, after --version and at the
// start that needs the window this build lacks.

TEST(BatchRun, PluginsAreFreedOnTheEarlyExits) {
    testing::TempDir dir;
    std::filesystem::copy_file(VORNEX_BINARY, dir.path() + "vornex");
    std::filesystem::copy_file(std::string(VORNEX_TEST_PLUGIN_DIR) + "libvxread.so", dir.path() + "libvxread.so");
    const std::string log = dir.path() + "calls.log";
    for (const std::string arguments : {"--help", "--version", ""}) {
        std::filesystem::remove(log);
        const std::string command =
            "cd '" + dir.path() + "' && VXREAD_TEST_LOG='" + log + "' ./vornex " + arguments + " > /dev/null 2>&1";
        EXPECT_NE(std::system(command.c_str()), -1);
        EXPECT_EQ(dir.read("calls.log"), "vxread init\nvxread free\nvxread unload\n") << arguments;
    }
}

}  // namespace
}  // namespace vx
