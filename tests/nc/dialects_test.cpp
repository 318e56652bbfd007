// The rows of the dialect table that this interpreter acts on: rotation and data setting in
// the Fanuc-like dialects (MAZAK among them), the length offsets of OSP and HEIDENHAIN, and the
// OSP return levels.
#include "interp_rig.h"

#include <gtest/gtest.h>

namespace vx::nc {
namespace {

using test::expect_point;
using test::rig;

// A G68 block whose X and Y moved the tool in MAZAK cut where the program never asked to.
TEST(Dialects, RotationAndDataSettingActInTheFanucLikeDialects) {
    for (const char* product : {"FANUC", "MAZAK", "SIEMENS"}) {
        auto r = rig(std::string("PRODUCT=") + product + "\n");
        const auto moves = r->run("G68 X0 Y0 R90.\nG10 L12 P1 R4.\nG01 X10 F100\n");
        ASSERT_EQ(moves.size(), 1u) << product;
        expect_point(moves[0].end, 0, 10, 0);
        EXPECT_FLOAT_EQ(r->ctl.d[1].value, 4.0f) << product;
    }
    auto osp = rig("PRODUCT=OSP\n");
    const auto moves = osp->run("G68 X0 Y0 R90.\nG01 X10 F100\n");
    ASSERT_EQ(moves.size(), 2u);  // no rotation: the G68 block's words are a move
    expect_point(moves[1].end, 10, 0, 0);
}

TEST(Dialects, OspAndHeidenhainTakeTheLengthOffsetWithG56AndCancelItWithG53) {
    for (const char* product : {"OSP", "HEIDENHAIN"}) {
        auto r = rig(std::string("PRODUCT=") + product + "\n");
        r->ctl.h[2].value = 100;
        r->ctl.h[2].wear = 0.5f;
        const auto moves = r->run("G56 H2\nG00 Z10\nG53\nZ10\n");
        ASSERT_EQ(moves.size(), 2u) << product;
        EXPECT_DOUBLE_EQ(moves[0].end.z, 110.5) << product;
        EXPECT_DOUBLE_EQ(moves[1].end.z, 10.0) << product;
    }
    auto fanuc = rig();
    fanuc->ctl.h[2].value = 100;
    const auto moves = fanuc->run("G56 H2\nG00 Z10\n");  // G56: work offset 3, no length offset
    ASSERT_EQ(moves.size(), 1u);
    EXPECT_DOUBLE_EQ(moves[0].end.z, 10.0);
}

// OSP M52 returns to the initial level, M54 to the R point.
TEST(Dialects, OspReturnLevelsByMCode) {
    auto r = rig("PRODUCT=OSP\n");
    const auto moves = r->run("M54\nG90 G81 X10 Y10 Z-5 R2 F100\nM52\nX20\n", {0, 0, 50});
    ASSERT_EQ(moves.size(), 7u);  // the second hole starts at the R point the first left
    EXPECT_DOUBLE_EQ(moves[3].end.z, 2.0);
    EXPECT_DOUBLE_EQ(moves[6].end.z, 50.0);
}

}  // namespace
}  // namespace vx::nc

namespace vx::nc {
namespace {

// HEIDENHAIN defines a cycle with P01 to P05 and runs it with M99 where the tool stands: R is
// the height of the call, the bottom the clearance below it plus the depth; the peck cycles
// back off 0.6 (pecks up to 30) and feed at P05.
TEST(Dialects, HeidenhainCycleRunsAtM99) {
    auto r = test::rig("PRODUCT=HEIDENHAIN\n");
    const auto moves = r->run("G83 P01 2 P02 -10 P03 4 P04 0 P05 150\nG00 X10 Y10 Z22\nM99\n", {0, 0, 50});
    // Surface at 20, bottom 10: pecks to 18, 14, 10 with re-entries 0.6 above the last depth.
    const double z[] = {18, 22, 18.6, 14, 22, 14.6, 10, 22};  // from R: no rapid to it
    ASSERT_EQ(moves.size(), 1 + std::size(z));
    test::expect_point(moves[0].end, 10, 10, 22);  // the axis words only position
    for (std::size_t i = 0; i < std::size(z); ++i) {
        EXPECT_DOUBLE_EQ(moves[i + 1].end.z, z[i]) << i;
        EXPECT_EQ(moves[i + 1].end.x, 10.0);
    }
    EXPECT_DOUBLE_EQ(moves[1].feedrate, 150.0);
}

}  // namespace
}  // namespace vx::nc
