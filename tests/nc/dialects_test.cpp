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
