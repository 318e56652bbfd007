// The paint-cycle redraw by workpiece state, the uncut block, the wire mesh and the difference
// lines against the basic model.
#include "view/render.h"

#include "view/render_test_sink.h"

#include <gtest/gtest.h>

namespace vx::view {
namespace {

using testing::Recorder;

const Palette kPalette = make_palette(Colours{}, true);

std::uint32_t brush_colour(int group, int shade) { return kPalette.brush[std::size_t(brush_index(group, shade))]; }

// ---- Redraw by state ----

TEST(RenderView, BackgroundFirstThenTheStateDecides) {
    auto wp = testing::flat_grid(6, 6);
    const ViewState v = testing::fitted_view(*wp, 315, 45, 300, 200);
    for (int state : {sim::kNoWorkpiece, sim::kDefined, sim::kModified}) {
        wp->modification_state = state;
        Recorder rec;
        render_view(v, *wp, kPalette, {}, rec.sink());
        ASSERT_FALSE(rec.polygons.empty());
        EXPECT_EQ(rec.polygons[0].rgb, kPalette.background);
        EXPECT_EQ(rec.polygons[0].points, (std::vector<ScreenPoint>{{0, 0}, {300, 0}, {300, 200}, {0, 200}}));
        EXPECT_EQ(rec.clips, (std::vector<bool>{true, false}));
        const std::size_t expected = state == sim::kNoWorkpiece ? 1 : state == sim::kDefined ? 1 + 3 : 1 + 25 + 2;
        EXPECT_EQ(rec.polygons.size(), expected) << state;
    }
}

// ---- Uncut block ----

TEST(RenderUncut, TopQuadAndTheFacingSides) {
    auto wp = testing::flat_grid(6, 5, 1.0, 10.0);
    wp->modification_state = sim::kDefined;
    const ViewState v = testing::fitted_view(*wp, 315, 45);
    Recorder rec;
    draw_uncut_block(v, *wp, kPalette, {}, rec.sink());
    ASSERT_EQ(rec.polygons.size(), 3u);  // top, Y-minimum side, X-maximum side
    EXPECT_EQ(rec.polygons[0].points[2], project(v, 5.0, 4.0, 10.0));
    EXPECT_EQ(rec.polygons[0].rgb, brush_colour(kGroupWork, flat_top_shade(v)));
    EXPECT_EQ(rec.polygons[1].points[3], project(v, 0.0, 0.0, 0.0));
    EXPECT_EQ(rec.polygons[2].points[0], project(v, 5.0, 0.0, 10.0));
    EXPECT_EQ(rec.polygons[2].rgb, brush_colour(kGroupWork, shade_index({1, 0, 0}, v.light, v.eye)));

    Recorder plan;
    draw_uncut_block(testing::fitted_view(*wp, 0, 30), *wp, kPalette, {}, plan.sink());
    EXPECT_EQ(plan.polygons.size(), 2u);  // A = 0 shows one side
}

TEST(RenderUncut, PaintOnlyForThePaintBitAloneThenDiscoloration) {
    auto wp = testing::flat_grid(4, 4, 1.0, 10.0);
    wp->modification_state = sim::kDefined;
    const ViewState v = testing::fitted_view(*wp, 315, 45);
    RenderSettings band;
    band.discoloration = true;
    band.discoloration_lower = 5.0;
    band.discoloration_upper = 10.0;
    const struct { std::uint8_t attribute; bool discoloration; int group; } cases[] = {
        {sim::kPaintBit, false, kGroupPaint}, {sim::kPaintBit | sim::kPenCode[1], false, kGroupWork},
        {0, true, kGroupDiscoloration},        {sim::kPaintBit, true, kGroupPaint}};
    for (const auto& c : cases) {
        wp->attribute.data[0] = c.attribute;
        Recorder rec;
        draw_uncut_block(v, *wp, kPalette, c.discoloration ? band : RenderSettings{}, rec.sink());
        EXPECT_EQ(rec.polygons[0].rgb, brush_colour(c.group, flat_top_shade(v))) << int(c.attribute);
    }
}

// ---- Mesh ----

TEST(RenderMesh, RowsColumnsOutlineAndCornerEdges) {
    auto wp = testing::flat_grid(6, 5);
    ViewState v = testing::fitted_view(*wp, 315, 45);
    RenderSettings mesh;
    mesh.mesh = true;
    Recorder rec;
    render_view(v, *wp, kPalette, mesh, rec.sink());
    EXPECT_EQ(rec.polygons.size(), 1u);  // the background only
    ASSERT_EQ(rec.lines.size(), 5u + 6u + 1u + 4u);
    EXPECT_EQ(rec.lines[0].points.size(), 6u);
    EXPECT_EQ(rec.lines[5].points.size(), 5u);
    EXPECT_EQ(rec.lines[11].points.size(), 5u);  // closed bottom outline
    EXPECT_EQ(rec.lines[11].points[0], rec.lines[11].points[4]);
    EXPECT_EQ(rec.lines[11].points[2], project(v, 5.0, 4.0, 0.0));
    for (const auto& l : rec.lines) EXPECT_EQ(l.rgb, kPalette.mesh);

    v.step = 2;  // points 0, 2, 4, 5 and 0, 2, 4
    v.range.first_i = 2;
    Recorder thin;
    draw_mesh(v, *wp, kPalette, thin.sink());
    // Rows over the blocks from the one holding 2 as a corner: points 0, 2, 4, 5; two corners left.
    ASSERT_EQ(thin.lines.size(), 3u + 4u + 1u + 2u);
    EXPECT_EQ(thin.lines[0].points.size(), 4u);
}

// ---- Difference lines ----

struct DifferenceGrid {
    std::unique_ptr<sim::Workpiece> wp;
    ViewState view;
    explicit DifferenceGrid(int n) {
        wp = testing::flat_grid(n, n, 1.0, 10.0);
        EXPECT_EQ(sim::calculate_z_values(*wp, sim::ZTarget::Basic, [](const sim::GridGeometry& g, float* h, double) {
                      for (int c = 0; c < g.cell_count; ++c) h[c] = 10.0f;  // equal: no line
                      return 1;
                  }), 1);
        view = testing::fitted_view(*wp, 315, 45);
    }
    float& model(int i, int j) { return wp->basic_model.data[j * wp->geometry.nx + i]; }
};

TEST(RenderDifference, LinesOnlyWhereTheModelIsDefinedAndDiffers) {
    DifferenceGrid d(5);
    d.model(0, 0) = 12.0f;       // model higher: minus
    d.model(4, 0) = 7.0f;        // workpiece higher: plus
    d.model(2, 2) = -100000.0f;  // outside the model
    d.model(4, 4) = 12.0f;
    Recorder rec;
    draw_difference_lines(d.view, *d.wp, kPalette, DifferenceArea::Both, rec.sink());
    ASSERT_EQ(rec.lines.size(), 3u);
    EXPECT_EQ(rec.lines[0].rgb, kPalette.minus);
    EXPECT_EQ(rec.lines[0].points[0], project(d.view, 0, 0, 12.0));
    EXPECT_EQ(rec.lines[0].points[1], project(d.view, 0, 0, 10.0));
    EXPECT_EQ(rec.lines[1].rgb, kPalette.plus);
    EXPECT_EQ(rec.lines[1].points[0], project(d.view, 4, 0, 7.0));

    Recorder plus, minus;
    draw_difference_lines(d.view, *d.wp, kPalette, DifferenceArea::Plus, plus.sink());
    draw_difference_lines(d.view, *d.wp, kPalette, DifferenceArea::Minus, minus.sink());
    EXPECT_EQ(plus.lines.size(), 1u);
    EXPECT_EQ(minus.lines.size(), 2u);

    d.wp->basic_loaded = false;
    Recorder none;
    draw_difference_lines(d.view, *d.wp, kPalette, DifferenceArea::Both, none.sink());
    EXPECT_TRUE(none.lines.empty());
}

TEST(RenderDifference, ThinnedPointsKeepTheLastRowAndColumn) {
    DifferenceGrid d(6);  // step 2: points 0, 2, 4, 5
    d.view.step = 2;
    d.model(1, 1) = 12.0f;  // not drawn
    d.model(5, 5) = 12.0f;  // the last point
    d.model(4, 5) = 12.0f;
    d.model(5, 3) = 12.0f;  // not drawn
    Recorder rec;
    draw_difference_lines(d.view, *d.wp, kPalette, DifferenceArea::Both, rec.sink());
    EXPECT_EQ(rec.lines.size(), 2u);
}

}  // namespace
}  // namespace vx::view
