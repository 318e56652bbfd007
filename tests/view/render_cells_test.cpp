// Colour and shade of the two triangles of a block: the code a triangle takes from its corners,
// the order in which interference, paint, codes and discolouration win, visibility, and the
// shading of a short last block.
#include "view/render.h"

#include "view/render_test_sink.h"

#include <gtest/gtest.h>

#include <array>
#include <random>
#include <utility>
#include <vector>

namespace vx::view {
namespace {

constexpr std::uint8_t pen(int p) { return sim::kPenCode[std::size_t(p)]; }
constexpr std::uint8_t cut(int d) { return std::uint8_t(d << sim::kCutDirectionShift); }
constexpr std::uint8_t kPaint = sim::kPaintBit;

int group_of(int brush) { return brush / kShades; }
int shade_of(int brush) { return brush % kShades; }

// One block of 2 x 2 points: corners P0, PX, PY, PXY with the given heights and attributes.
struct OneBlock {
    std::unique_ptr<sim::Workpiece> wp;
    ViewState view;
    OneBlock(std::array<double, 4> h, std::array<int, 4> attribute, double a = 315, double b = 45) {
        wp = testing::make_grid(2, 2, 1.0, [&](int i, int j) { return h[std::size_t(j * 2 + i)]; },
                                [&](int i, int j) { return attribute[std::size_t(j * 2 + i)]; });
        view = testing::fitted_view(*wp, a, b);
    }
    BlockLook look(const RenderSettings& s = {}) const { return look_of_block(cell_rules(view, *wp, s), 0, 0, 1, 1); }
};

// ---- Codes ----

TEST(RenderCodes, TriangleCodeFromItsCorners) {
    EXPECT_EQ(triangle_code(2, 2, 5), 2);  // shared by two
    EXPECT_EQ(triangle_code(5, 2, 5), 5);
    EXPECT_EQ(triangle_code(0, 4, 4), 4);
    EXPECT_EQ(triangle_code(7, 7, 7), 7);
    EXPECT_EQ(triangle_code(0, 0, 3), 3);  // the only non-zero one
    EXPECT_EQ(triangle_code(0, 6, 0), 6);
    EXPECT_EQ(triangle_code(1, 2, 3), 0);  // all different: work colour
    EXPECT_EQ(triangle_code(0, 2, 3), 0);  // two different, none shared
    EXPECT_EQ(triangle_code(0, 0, 0), 0);
}

TEST(RenderCodes, CornerCodeByColourMode) {
    const std::uint8_t a = pen(5) | cut(sim::kCutDown) | kPaint;
    EXPECT_EQ(corner_code(a, true), 5);
    EXPECT_EQ(corner_code(a, false), 2);
    EXPECT_EQ(corner_code(pen(8), true), 0);  // pen code 8 is paint alone
}

// ---- Groups ----

TEST(RenderGroups, PenCodesPickTheirGroup) {
    const OneBlock b({1, 1, 1, 1}, {pen(2), pen(2), pen(5), pen(5)});  // T1 (2, 2, 5), T2 (5, 2, 5)
    const BlockLook l = b.look();
    EXPECT_TRUE(l.flat);
    EXPECT_EQ(group_of(l.brush[0]), 3);  // pen 2
    EXPECT_EQ(group_of(l.brush[1]), 6);  // pen 5
    EXPECT_FALSE(l.one_polygon());
    EXPECT_EQ(shade_of(l.brush[0]), flat_top_shade(b.view));

    const BlockLook single = OneBlock({1, 1, 1, 1}, {0, 0, pen(3), pen(3)}).look();  // T1 (0, 0, 3)
    EXPECT_EQ(group_of(single.brush[0]), 4);
    EXPECT_TRUE(single.one_polygon());  // flat and one brush: one quadrilateral

    const BlockLook mixed = OneBlock({1, 1, 1, 1}, {pen(1), pen(2), pen(3), 0}).look();  // T1 (1, 2, 3)
    EXPECT_EQ(group_of(mixed.brush[0]), kGroupWork);
    EXPECT_EQ(group_of(mixed.brush[1]), kGroupWork);  // T2 (0, 2, 3)
}

TEST(RenderGroups, CutDirectionModeColoursByDirection) {
    RenderSettings s;
    s.colour_by_pen = false;
    const OneBlock b({1, 1, 1, 1}, {pen(6) | cut(sim::kCutUp), pen(6) | cut(sim::kCutUp), cut(sim::kCutVertical),
                                    cut(sim::kCutVertical)});
    EXPECT_EQ(group_of(b.look(s).brush[0]), 2);  // up-cut
    EXPECT_EQ(group_of(b.look(s).brush[1]), 4);  // vertical
    EXPECT_EQ(group_of(b.look().brush[0]), 7);   // the same block by pen: pen 6
}

// Paint needs all three corners of a triangle; a flat block decides both triangles by T1's.
TEST(RenderGroups, PaintOnlyWhenAllThreeCornersCarryIt) {
    const std::array<double, 4> slope{1.0, 1.1, 1.2, 1.3};
    const BlockLook sloped = OneBlock(slope, {kPaint | pen(2), kPaint, kPaint, pen(2)}).look();
    EXPECT_EQ(group_of(sloped.brush[0]), kGroupPaint);
    EXPECT_EQ(group_of(sloped.brush[1]), 3);  // PXY lacks it: T2 takes its code (2, 0, 0), pen 2
    const BlockLook other = OneBlock(slope, {pen(2), kPaint, kPaint, kPaint}).look();
    EXPECT_EQ(group_of(other.brush[0]), 3);
    EXPECT_EQ(group_of(other.brush[1]), kGroupPaint);

    const BlockLook flat = OneBlock({1, 1, 1, 1}, {kPaint, kPaint, kPaint, 0}).look();
    EXPECT_EQ(group_of(flat.brush[0]), kGroupPaint);
    EXPECT_EQ(group_of(flat.brush[1]), kGroupPaint);
    EXPECT_TRUE(flat.one_polygon());
    const BlockLook flat_unpainted = OneBlock({1, 1, 1, 1}, {0, kPaint, kPaint, kPaint}).look();
    EXPECT_EQ(group_of(flat_unpainted.brush[0]), kGroupWork);
    EXPECT_EQ(group_of(flat_unpainted.brush[1]), kGroupWork);
}

TEST(RenderGroups, InterferenceRedBeatsEverything) {
    RenderSettings s;
    s.showing_interference = true;
    const BlockLook l = OneBlock({1, 1, 1, 1}, {kPaint, kPaint, kPaint, pen(4)}).look(s);
    EXPECT_EQ(group_of(l.brush[0]), kGroupInterference);
    EXPECT_EQ(group_of(l.brush[1]), kGroupInterference);
}

TEST(RenderGroups, DiscolorationBandIsInclusiveAndLosesToCodes) {
    RenderSettings s;
    s.discoloration = true;
    s.discoloration_lower = 1.0;
    s.discoloration_upper = 2.0;
    const OneBlock b({1.0, 2.0, 1.5, 2.5}, {0, 0, 0, 0});  // T1 inside (bounds included), T2 has 2.5
    EXPECT_EQ(group_of(b.look(s).brush[0]), kGroupDiscoloration);
    EXPECT_EQ(group_of(b.look(s).brush[1]), kGroupWork);
    EXPECT_EQ(group_of(b.look().brush[0]), kGroupWork);  // discolouration off
    const OneBlock coded({1.0, 2.0, 1.5, 2.5}, {pen(1), pen(1), 0, 0});
    EXPECT_EQ(group_of(coded.look(s).brush[0]), 2);
}

// ---- Visibility and shade ----

TEST(RenderShade, TrianglesFacingAwayAreHidden) {
    // A = 0 looks from -Y. Heights falling steeply toward +Y face away; gently falling face the eye.
    const BlockLook steep = OneBlock({5, 5, 0, 0}, {0, 0, 0, 0}, 0, 30).look();
    EXPECT_FALSE(steep.visible[0]);
    EXPECT_FALSE(steep.visible[1]);
    const BlockLook gentle = OneBlock({1, 1, 0.5, 0.5}, {0, 0, 0, 0}, 0, 30).look();
    EXPECT_TRUE(gentle.visible[0]);
    EXPECT_TRUE(gentle.visible[1]);
    EXPECT_TRUE(gentle.one_polygon());  // one plane: same shade in both
    const BlockLook side = OneBlock({1, 1, 1, 1}, {0, 0, 0, 0}, 0, 90).look();  // flat, seen edge-on
    EXPECT_FALSE(side.visible[0]);
    EXPECT_FALSE(side.visible[1]);
}

TEST(RenderShade, SlopeFacingTheLightIsBrighter) {
    // Light from -Y and above; a slope rising toward +Y faces it more than the flat top does.
    OneBlock rising({0, 0, 0.5, 0.5}, {0, 0, 0, 0}, 0, 30);
    rising.view.light = {0, -0.6, 0.8};
    OneBlock flat({0, 0, 0, 0}, {0, 0, 0, 0}, 0, 30);
    flat.view.light = rising.view.light;
    EXPECT_GT(shade_of(rising.look().brush[0]), shade_of(flat.look().brush[0]));
}

// A thinned grid ends in a shorter block; a plane must shade alike in full and short blocks, or
// the last row and column of the picture show as a band of another shade.
TEST(RenderShade, ShortLastBlockShadesLikeAFullBlock) {
    for (int axis = 0; axis < 2; ++axis) {
        auto wp = testing::make_grid(8, 8, 0.5, [&](int i, int j) { return 0.4 * (axis ? j : i); },
                                     [](int, int) { return 0; });
        const ViewState v = testing::fitted_view(*wp, 20, 50);
        const CellRules r = cell_rules(v, *wp, {});
        const BlockLook full = look_of_block(r, 0, 0, 3, 3);
        const BlockLook last = axis ? look_of_block(r, 0, 6, 3, 1) : look_of_block(r, 6, 0, 1, 3);
        ASSERT_TRUE(full.visible[0] && full.visible[1] && last.visible[0] && last.visible[1]);
        EXPECT_EQ(full.brush[0], last.brush[0]) << axis;
        EXPECT_EQ(full.brush[1], last.brush[1]) << axis;
        EXPECT_TRUE(last.one_polygon());
    }
}

// A line of blocks is shaded in wide registers where the processor has them, one block alone in
// plain arithmetic: both must give every block the same look, flat patches included.
TEST(RenderShade, ALineShadesLikeItsBlocksOneByOne) {
    std::mt19937 rng(11);
    std::uniform_real_distribution<double> height(0.0, 3.0);
    std::vector<double> h(40 * 40);
    for (double& v : h) v = rng() % 4 == 0 ? 1.5 : height(rng);
    auto wp = testing::make_grid(40, 40, 0.5, [&](int i, int j) { return h[std::size_t(j * 40 + i)]; },
                                 [](int i, int j) { return (i + j) % 3 == 0 ? pen(1 + i % 7) : 0; });
    for (const auto& [a, b] : {std::pair{315.0, 45.0}, {20.0, 70.0}, {200.0, 10.0}}) {
        const CellRules r = cell_rules(testing::fitted_view(*wp, a, b), *wp, {});
        std::vector<BlockAt> line(39);
        std::vector<BlockLook> looks(39);
        LookBuffers buffers;
        for (int j = 0; j < 39; ++j) {
            for (int i = 0; i < 39; ++i) line[std::size_t(i)] = {i, j, 1, 1};
            look_of_blocks(r, line.data(), 39, looks.data(), buffers);
            for (int i = 0; i < 39; ++i) {
                const BlockLook one = look_of_block(r, i, j, 1, 1);
                const BlockLook& in_line = looks[std::size_t(i)];
                ASSERT_EQ(in_line.brush[0], one.brush[0]) << a << " " << i << "," << j;
                ASSERT_EQ(in_line.brush[1], one.brush[1]) << a << " " << i << "," << j;
                ASSERT_EQ(in_line.visible[0], one.visible[0]);
                ASSERT_EQ(in_line.visible[1], one.visible[1]);
                ASSERT_EQ(in_line.flat, one.flat);
            }
        }
    }
}

}  // namespace
}  // namespace vx::view
