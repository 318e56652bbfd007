// The example plug-ins driven through the batch: a workpiece loaded from an XYZ grid by the
// loader and written as DMF (heights, and the pit filter after the load) or as CSV by the saver,
// and an NC program whose comment names the tool through the comment module.
#include "e2e_workspace.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace vx {
namespace {

// The program finds the example modules on the library path (it looks beside itself first).
struct ExamplePlugins {
    ExamplePlugins() { ::setenv("LD_LIBRARY_PATH", VORNEX_EXAMPLE_PLUGIN_DIR, 1); }
    ~ExamplePlugins() { ::unsetenv("LD_LIBRARY_PATH"); }
};

// A 5 x 4 grid at 1 mm with Z = 10 + X + 2 Y, every point but (2, 1) when `gap`.
std::string xyz_grid(bool gap) {
    std::string text = "X Y Z\n";
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x)
            if (!(gap && x == 2 && y == 1)) text += std::to_string(x) + " " + std::to_string(y) + " " + std::to_string(10 + x + 2 * y) + "\n";
    return text;
}

// ---- Loader and saver ----
// The loader's own pitch must size the grid, every point must land on its cell, and the missing
// point stays at the bottom unless STL FILTER fills it from its neighbours; the saver must get
// the same grid, byte for byte in its CSV form.

TEST(PluginsE2e, XyzLoadsAsTheWorkpieceAndSavesAsDmfAndCsv) {
    const ExamplePlugins plugins;
    Workspace w;
    w.dir.write("grid.XYZ", xyz_grid(false));
    std::string output;
    ASSERT_EQ(w.run("-Dgrid.XYZ -Oout.DMF", &output), 0) << output;
    const Dmf dmf = read_dmf(w, "out.DMF");
    ASSERT_EQ(dmf.nx, 5);
    ASSERT_EQ(dmf.ny, 4);
    EXPECT_EQ(dmf.pitch, 1.0);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x) EXPECT_EQ(dmf.height(x, y), float(10 + x + 2 * y)) << x << " " << y;

    ASSERT_EQ(w.run("-Dgrid.XYZ -Oout.CSV", &output), 0) << output;
    std::string csv = "Y\\X";
    for (int x = 0; x < 5; ++x) csv += "," + std::to_string(x) + ".0000";
    for (int y = 0; y < 4; ++y) {
        csv += "\n" + std::to_string(y) + ".0000";
        for (int x = 0; x < 5; ++x) csv += "," + std::to_string(10 + x + 2 * y) + ".0000";
    }
    EXPECT_EQ(w.dir.read("out.CSV"), csv + "\n");
}

TEST(PluginsE2e, StlFilterFillsAGapOfAPluginLoad) {
    const ExamplePlugins plugins;
    Workspace w;
    w.dir.write("gap.XYZ", xyz_grid(true));
    w.dir.write("filter.ini", w.dir.read("vornex.ini") + "\n[DMFdata]\nSTL FILTER=ON\n");
    std::string output;
    ASSERT_EQ(w.run("-Dgap.XYZ -Oplain.DMF", &output), 0) << output;
    ASSERT_EQ(w.run("-Ifilter.ini -Dgap.XYZ -Ofiltered.DMF", &output), 0) << output;
    EXPECT_EQ(read_dmf(w, "plain.DMF").height(2, 1), 10.0f);  // the bottom: the lowest point
    EXPECT_EQ(read_dmf(w, "filtered.DMF").height(2, 1), 14.0f);  // the mean of 13 and 15
}

// ---- Comment module ----
// A tool named in a comment must cut exactly as the same tool called by a T word on that line;
// without the module the comment changes nothing and the first tool cuts.

TEST(PluginsE2e, ACommentThatNamesTheToolCutsWithIt) {
    Workspace w;
    const std::string body = "G90 G17 G00 X10. Y20. Z25.\nZ21.\nG01 Z17. F300\nX50. F600\nG00 Z25.\nM30\n%\n";
    w.dir.write("comment.nc", "%\n(T2 D6 L40)\n" + body);
    w.dir.write("word.nc", "%\nT2 M06\n" + body);
    std::string output;
    ASSERT_EQ(w.run("-X5 word.nc -Oword.DMF", &output), 0) << output;
    ASSERT_EQ(w.run("-X5 comment.nc -Oplain.DMF", &output), 0) << output;
    {
        const ExamplePlugins plugins;
        ASSERT_EQ(w.run("-X5 comment.nc -Ocomment.DMF", &output), 0) << output;
    }
    const Dmf word = read_dmf(w, "word.DMF"), comment = read_dmf(w, "comment.DMF"), plain = read_dmf(w, "plain.DMF");
    ASSERT_GT(word.removed_volume(), 0.0);
    EXPECT_EQ(comment.bytes, word.bytes);
    EXPECT_NE(plain.bytes, word.bytes);
}

}  // namespace
}  // namespace vx
