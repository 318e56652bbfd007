// The built program's workpiece-operation switches, each on the slot's result (a 60 x 40 x 20 box
// at 0.5 mm with a 10 mm wide, 3 mm deep slot along Y = 20 from X = 10 to X = 50, cut by pen 1)
// and saved with -O: every height (and where it matters every attribute) against the one the
// operation must give, derived from the slot's own file.
#include "e2e_workspace.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace vx {
namespace {

struct Grid {
    std::int32_t nx, ny;
    double x0, y0;
};

Grid grid_of(const Dmf& d) { return {d.nx, d.ny, d.at<double>(16 + 9 * 8), d.at<double>(16 + 10 * 8)}; }

float height_at(const Dmf& d, std::int64_t i, std::int64_t j) { return d.at<float>(156 + 4 * (j * d.nx + i)); }
std::uint8_t attribute_at(const Dmf& d, std::int64_t i, std::int64_t j) {
    return std::uint8_t(d.bytes[156 + 4 * d.cells() + j * d.nx + i]);
}
float bottom_of(const Dmf& d) { return d.at<float>(d.bytes.size() - 4); }

class OperationsE2e : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        workspace = new Workspace;
        std::string output;
        ASSERT_EQ(workspace->run("-X5 slot.nc -Oslot.dmf", &output), 0) << output;
        // The slot lowered by 1 everywhere: the model of the merges and the difference paint.
        ASSERT_EQ(workspace->run("-Dslot.dmf -Olow.dmf '-XOZ(-1)'", &output), 0) << output;
        ASSERT_EQ(workspace->run("-Dslot.dmf -Opainted.dmf -XPP", &output), 0) << output;
    }
    static void TearDownTestSuite() { delete workspace; }
    static Workspace* workspace;

    // Runs `arguments` (ending with -O<name>) and checks every cell against the slot's.
    void check(const std::string& arguments, const std::string& name, const Grid& expected,
               const std::function<void(const Dmf& slot, const Dmf& out, std::int64_t i, std::int64_t j)>& cell) {
        SCOPED_TRACE(arguments);
        std::string output;
        ASSERT_EQ(workspace->run(arguments, &output), 0) << output;
        const Dmf slot = read_dmf(*workspace, "slot.dmf"), out = read_dmf(*workspace, name);
        ASSERT_EQ(slot.cells(), 121 * 81);
        const Grid g = grid_of(out);
        ASSERT_EQ(g.nx, expected.nx);
        ASSERT_EQ(g.ny, expected.ny);
        EXPECT_DOUBLE_EQ(g.x0, expected.x0);
        EXPECT_DOUBLE_EQ(g.y0, expected.y0);
        for (std::int64_t j = 0; j < g.ny; ++j)
            for (std::int64_t i = 0; i < g.nx; ++i) {
                cell(slot, out, i, j);
                if (::testing::Test::HasFailure()) return;  // one cell tells enough
            }
    }
};

Workspace* OperationsE2e::workspace = nullptr;

const Grid kSlotGrid{121, 81, 0.0, 0.0};

TEST_F(OperationsE2e, RotateMirrorAndMove) {
    check("-Dslot.dmf -Or1.dmf -XR1", "r1.dmf", {81, 121, -40.0, 0.0}, [](const Dmf& s, const Dmf& o, auto i, auto j) {
        EXPECT_EQ(height_at(o, i, j), height_at(s, j, 80 - i)) << i << "," << j;  // old (i, j) went to (80 - j, i)
        EXPECT_EQ(attribute_at(o, i, j), attribute_at(s, j, 80 - i));
    });
    check("-Dslot.dmf -Or5.dmf -XR5", "r5.dmf", {121, 81, 0.0, -40.0}, [](const Dmf& s, const Dmf& o, auto i, auto j) {
        EXPECT_EQ(height_at(o, i, j), height_at(s, i, 80 - j)) << i << "," << j;
    });
    check("-Dslot.dmf -Oms.dmf '-XMS(1,2,3)'", "ms.dmf", {121, 81, 1.0, 2.0}, [](const Dmf& s, const Dmf& o, auto i, auto j) {
        EXPECT_EQ(height_at(o, i, j), height_at(s, i, j) + 3.0f) << i << "," << j;
    });
    check("-Dslot.dmf -Omo.dmf '-XMO(5,6,7)'", "mo.dmf", {121, 81, 5.0, 6.0}, [](const Dmf& s, const Dmf& o, auto i, auto j) {
        EXPECT_EQ(height_at(o, i, j), height_at(s, i, j) + 7.0f) << i << "," << j;  // the bottom 0 moves to 7
    });
    EXPECT_EQ(bottom_of(read_dmf(*workspace, "mo.dmf")), 7.0f);
}

TEST_F(OperationsE2e, OffsetsAlongZTheNormalAndHorizontally) {
    check("-Dslot.dmf -Ooz.dmf '-XOZ(1.5)'", "oz.dmf", kSlotGrid, [](const Dmf& s, const Dmf& o, auto i, auto j) {
        EXPECT_EQ(height_at(o, i, j), height_at(s, i, j) + 1.5f) << i << "," << j;
        EXPECT_EQ(attribute_at(o, i, j), 0);
    });
    // Along the normal a 2 mm hemisphere on every cell: the top and the floor rise by 2, and along
    // the straight walls the top's hemispheres reach over the floor as far as 2 mm.
    check("-Dslot.dmf -Oon.dmf '-XON(2)'", "on.dmf", kSlotGrid, [](const Dmf& s, const Dmf& o, auto i, auto j) {
        const double x = i * kPitch;
        if (height_at(s, i, j) == 20.0f) {
            EXPECT_EQ(height_at(o, i, j), 22.0f) << i << "," << j;
        } else if (x >= 12 && x <= 48) {
            std::int64_t top = j;
            while (height_at(s, i, top) != 20.0f) top += j < 40 ? -1 : 1;
            const double d = std::abs(top - j) * kPitch;
            const double expected = d <= 2.0 ? 20.0 + std::sqrt(4.0 - d * d) : 19.0;
            EXPECT_NEAR(height_at(o, i, j), expected, 1e-5) << i << "," << j;
        }
    });
    // Horizontally every cell takes the highest height within 2 mm: the slot narrows by 2 a side.
    check("-Dslot.dmf -Ooh.dmf '-XOH(2)'", "oh.dmf", kSlotGrid, [](const Dmf&, const Dmf& o, auto i, auto j) {
        const double y = j * kPitch, x = i * kPitch;
        if (std::fabs(y - 20.0) > 3.0) EXPECT_EQ(height_at(o, i, j), 20.0f) << x << "," << y;
        else if (x >= 12 && x <= 48) EXPECT_EQ(height_at(o, i, j), 17.0f) << x << "," << y;
    });
}

TEST_F(OperationsE2e, PaintStripAndPens) {
    check("-Dslot.dmf -Opp.dmf -XPP", "pp.dmf", kSlotGrid, [](const Dmf& s, const Dmf& o, auto i, auto j) {
        EXPECT_EQ(attribute_at(o, i, j), attribute_at(s, i, j) | 1) << i << "," << j;
        EXPECT_EQ(height_at(o, i, j), height_at(s, i, j));
    });
    check("-Dpainted.dmf -Opc.dmf -XPC", "pc.dmf", kSlotGrid, [](const Dmf& s, const Dmf& o, auto i, auto j) {
        EXPECT_EQ(attribute_at(o, i, j), attribute_at(s, i, j)) << i << "," << j;
    });
    check("-Dslot.dmf -Op1.dmf -XP1", "p1.dmf", kSlotGrid, [](const Dmf& s, const Dmf& o, auto i, auto j) {
        EXPECT_EQ(attribute_at(o, i, j), attribute_at(s, i, j) & ~0x0E) << i << "," << j;
    });
    EXPECT_NE(read_dmf(*workspace, "slot.dmf").attribute(30, 20) & 0x0E, 0);  // pen 1 was there
}

TEST_F(OperationsE2e, MergeAndDifferencePaintAgainstAModel) {
    check("-Dslot.dmf -Oah.dmf -XAH low.dmf", "ah.dmf", kSlotGrid, [](const Dmf& s, const Dmf& o, auto i, auto j) {
        EXPECT_EQ(height_at(o, i, j), height_at(s, i, j)) << i << "," << j;  // higher wins: the slot
    });
    check("-Dslot.dmf -Oal.dmf -XAL low.dmf", "al.dmf", kSlotGrid, [](const Dmf& s, const Dmf& o, auto i, auto j) {
        EXPECT_EQ(height_at(o, i, j), height_at(s, i, j) - 1.0f) << i << "," << j;
        EXPECT_EQ(attribute_at(o, i, j), 0);
    });
    check("-Dslot.dmf -Klow.dmf -Odp.dmf '-XDP(0.5)'", "dp.dmf", kSlotGrid, [](const Dmf& s, const Dmf& o, auto i, auto j) {
        EXPECT_EQ(attribute_at(o, i, j), attribute_at(s, i, j) | 1) << i << "," << j;  // 1 above the model
    });
    check("-Dpainted.dmf -Klow.dmf -Odm.dmf '-XDM(0.5)'", "dm.dmf", kSlotGrid, [](const Dmf& s, const Dmf& o, auto i, auto j) {
        EXPECT_EQ(attribute_at(o, i, j), attribute_at(s, i, j)) << i << "," << j;  // nowhere below: paint gone
    });
}

TEST_F(OperationsE2e, PressedAndSwungLoads) {
    // D = bottom 0 + highest 20 + 10; mirrored along X and upside down, attributes dropped.
    check("-DPX slot.dmf -Opx.dmf", "px.dmf", kSlotGrid, [](const Dmf& s, const Dmf& o, auto i, auto j) {
        EXPECT_EQ(height_at(o, i, j), 30.0f - height_at(s, 120 - i, j)) << i << "," << j;
        EXPECT_EQ(attribute_at(o, i, j), 0);
    });
    // Along Z nothing moves: each cell becomes D minus itself, the die that presses the slot's
    // shape; (1,1,1) keeps every colour, so the slot's pen stays where it was.
    check("'-DPZ(1,1,1)' slot.dmf -Opz.dmf", "pz.dmf", kSlotGrid, [](const Dmf& s, const Dmf& o, auto i, auto j) {
        EXPECT_EQ(height_at(o, i, j), 30.0f - height_at(s, i, j)) << i << "," << j;
        EXPECT_EQ(attribute_at(o, i, j), attribute_at(s, i, j)) << i << "," << j;
    });
    // A quarter turn about the Y axis through X = 30, Z = 0: the left face X = 0 (Z 0 to 20) becomes
    // the top at Z = 30 from X = 30 to 50, and the right face the bottom at Z = -30.
    check("'-DY(30,0,90)' slot.dmf -Osw.dmf", "sw.dmf", {41, 81, 30.0, 0.0}, [](const Dmf&, const Dmf& o, auto i, auto j) {
        EXPECT_NEAR(height_at(o, i, j), 30.0f, 1e-4) << i << "," << j;
    });
    EXPECT_NEAR(bottom_of(read_dmf(*workspace, "sw.dmf")), -30.0f, 1e-4);
}

TEST_F(OperationsE2e, CompressedResultOpensAsTheSameWorkpiece) {
    std::string output;
    ASSERT_EQ(workspace->run("-Dslot.dmf -Oslot.dmfz", &output), 0) << output;
    ASSERT_EQ(workspace->run("-Dslot.dmfz -Oback.dmf", &output), 0) << output;
    EXPECT_EQ(workspace->dir.read("back.dmf"), workspace->dir.read("slot.dmf"));
    EXPECT_LT(workspace->dir.read("slot.dmfz").size(), workspace->dir.read("slot.dmf").size() / 10);
}

}  // namespace
}  // namespace vx
