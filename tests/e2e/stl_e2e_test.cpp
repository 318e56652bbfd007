// The built program with STL and VRML: the slot's result converted into every export type, the
// binary STL loaded back as the workpiece at the same pitch, and an STL as the basic model of the
// difference display giving the same picture as the DMF it was made from.
#include "e2e_workspace.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <string>

namespace vx {
namespace {

std::uint32_t count_at_80(const std::string& bytes, bool big) {
    std::uint32_t c = 0;
    if (bytes.size() >= 84) std::memcpy(&c, bytes.data() + 80, 4);
    return big ? __builtin_bswap32(c) : c;
}

std::size_t occurrences(const std::string& text, const std::string& word) {
    std::size_t n = 0;
    for (std::size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1)) ++n;
    return n;
}

TEST(StlE2e, TheResultInEveryExportTypeAndBackAgain) {
    Workspace w;
    std::string output;
    ASSERT_EQ(w.run("-X5 slot.nc -Oslot.dmf", &output), 0) << output;
    for (const char* out : {"slot.stl", "slot_b.stl,b", "slot_b2.stl,b2", "slot.wrl", "slot_z.wrl,z"})
        ASSERT_EQ(w.run(std::string("-Dslot.dmf -O") + out, &output), 0) << out << output;

    const std::string little = w.dir.read("slot_b.stl"), big = w.dir.read("slot_b2.stl"), text = w.dir.read("slot.stl");
    EXPECT_EQ(little.substr(0, 80), "slot_b.stl" + std::string(70, ' '));
    const std::uint32_t count = count_at_80(little, false);
    EXPECT_GT(count, 12u);  // the slot's walls and round ends make more than a block's 12
    EXPECT_EQ(little.size(), 84 + 50 * std::size_t{count});
    EXPECT_EQ(count_at_80(big, true), count);
    EXPECT_EQ(occurrences(text, "  facet normal "), count);
    EXPECT_EQ(text.rfind("solid\n", 0), 0u);
    EXPECT_EQ(text.substr(text.size() - 9), "endsolid\n");

    const std::string faces = w.dir.read("slot.wrl"), grid = w.dir.read("slot_z.wrl");
    EXPECT_EQ(faces.rfind("#VRML V2.0 utf8\n", 0), 0u);
    EXPECT_EQ(occurrences(faces, "\n        "), 121u * 81 + 4);  // every grid point and the bottom corners
    EXPECT_NE(grid.find(" geometry ElevationGrid {\n  xDimension 121\n  zDimension 81\n  xSpacing 0.500000\n"),
              std::string::npos);
    EXPECT_EQ(occurrences(grid, "\n  20.000000,") + occurrences(grid, "\n  17.000000,") + 1, 121u * 81);

    // The binary STL as the workpiece at the same pitch: the same grid and heights.
    ASSERT_EQ(w.run("-Dslot_b.stl -Oback.dmf", &output), 0) << output;
    ASSERT_EQ(w.run("-Dslot_b2.stl -Oback2.dmf", &output), 0) << output;
    const Dmf slot = read_dmf(w, "slot.dmf"), back = read_dmf(w, "back.dmf");
    ASSERT_EQ(back.nx, slot.nx);
    ASSERT_EQ(back.ny, slot.ny);
    EXPECT_EQ(back.pitch, kPitch);
    for (std::int64_t c = 0; c < slot.cells(); ++c)
        ASSERT_NEAR(back.at<float>(156 + 4 * c), slot.at<float>(156 + 4 * c), 1e-3) << c;
    EXPECT_EQ(w.dir.read("back2.dmf"), back.bytes);
}

TEST(StlE2e, AnStlBasicModelShowsTheSameDifferenceAsItsDmf) {
    Workspace w;
    std::string output;
    ASSERT_EQ(w.run("-X5 slot.nc -Oslot.dmf", &output), 0) << output;
    ASSERT_EQ(w.run("-Dslot.dmf -Oslot.stl,b", &output), 0) << output;
    std::ofstream(w.dir.path() + "vornex.ini", std::ios::app) << "DIFFERENCE MODE=ALWAYS\n";
    ASSERT_EQ(w.run("-X5 drill.nc -Kslot.dmf --image dmf.png,320x240", &output), 0) << output;
    ASSERT_EQ(w.run("-X5 drill.nc -Kslot.stl --image stl.png,320x240", &output), 0) << output;
    ASSERT_EQ(w.run("-X5 drill.nc --image none.png,320x240", &output), 0) << output;
    EXPECT_EQ(w.dir.read("stl.png"), w.dir.read("dmf.png"));
    EXPECT_NE(w.dir.read("stl.png"), w.dir.read("none.png"));  // the model was there and drawn
    // A file that is no STL says so and fails the load.
    w.dir.write("bad.stl", std::string(300, 'x'));
    EXPECT_EQ(w.run("-Dbad.stl -Oout.dmf", &output), 1);
    EXPECT_NE(output.find("Data Destroyed!"), std::string::npos) << output;
}

}  // namespace
}  // namespace vx
