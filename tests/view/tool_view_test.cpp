// The tool, the bounding box and the measuring cursor: rings at the heights and radii of the
// tool's shape, drawn where the projection puts them, box corners on the grid's extent, and the
// picked-point list with its radii.
#include "view/tool_view.h"
#include "view/surface_sink.h"
#include "view/render_test_sink.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace vx::view {
namespace {

using testing::Recorder;

sim::Profile flat_mill(double d, double h, double l1, bool holder) {
    sim::ToolRecord t;
    t.defined = 1;
    t.type = sim::kToolFlat;
    t.d = float(d);
    t.h = float(h);
    sim::LengthRecord len;
    len.kind = sim::kLength1;
    len.L[0] = float(l1);
    sim::HolderRecord hr;
    if (holder) {
        hr.defined = 1;
        hr.kind = sim::kHolderSteps;
        hr.count = 2;
        hr.diameters[0] = 20, hr.diameters[1] = 40;
        hr.heights[0] = 10, hr.heights[1] = 15;
    }
    return sim::build_profile(t, len, hr, {});
}

ViewState oblique_view(double a = 315.0, double b = 45.0) {
    ViewState v;
    v.perspective = false;
    set_angles(v, a, b);
    set_drawing_area(v, {0, 0, 400, 300});
    set_view_centre(v, 20, 20, 20);
    v.scale = 3.0;
    refresh_projection(v);
    return v;
}

// ---- Outline ----
// Rings at the wrong height would show a tool longer or thicker than the one that cuts.

TEST(ToolOutline, FlatMillWithStepHolder) {
    const ToolOutline o = tool_outline(flat_mill(10, 20, 30, true));
    ASSERT_GE(o.rings.size(), 4u);
    EXPECT_EQ(o.rings[0].z, 0.0);
    EXPECT_EQ(o.rings[0].radius, 5.0);
    EXPECT_EQ(o.rings[1].z, 20.0);
    EXPECT_EQ(o.rings[1].part, ToolPart::Edge);
    EXPECT_EQ(o.rings[2].z, 30.0);
    EXPECT_EQ(o.rings[2].part, ToolPart::Shank);
    ASSERT_GE(o.holder_first, 3);
    // Steps: radius 10 from 30 to 40, radius 20 from 40 to 55.
    std::vector<std::pair<double, double>> holder;
    for (std::size_t k = std::size_t(o.holder_first); k < o.rings.size(); ++k) {
        EXPECT_EQ(o.rings[k].part, ToolPart::Holder);
        holder.push_back({o.rings[k].z, o.rings[k].radius});
    }
    const std::vector<std::pair<double, double>> expected{{30, 5}, {30, 10}, {40, 10}, {40, 20}, {55, 20}};
    EXPECT_EQ(holder, expected);
}

TEST(ToolOutline, BallMillStartsOnTheAxisAndFollowsTheBall) {
    sim::ToolRecord t;
    t.defined = 1, t.type = sim::kToolBall, t.d = 10, t.r = 5, t.h = 15;
    const ToolOutline o = tool_outline(sim::build_profile(t, {}, {}, {}));
    ASSERT_GE(o.rings.size(), 4u);
    EXPECT_EQ(o.rings[0].radius, 0.0);
    EXPECT_EQ(o.rings[0].z, 0.0);
    EXPECT_EQ(o.holder_first, -1);
    for (const ToolRing& r : o.rings)
        if (r.radius > 0 && r.z <= 5.0) {
            EXPECT_NEAR(r.z, 5.0 - std::sqrt(25.0 - r.radius * r.radius), 1e-9);
        }
    EXPECT_EQ(o.rings.back().z, 15.0);
    EXPECT_EQ(o.rings.back().radius, 5.0);
}

TEST(ToolOutline, NonsenseRecordsGiveOnlyFiniteRings) {
    sim::ToolRecord t;
    t.defined = 1, t.type = sim::kToolOther, t.d = 1e30f, t.r = -3, t.alpha = 90, t.beta = 90, t.h = NAN;
    sim::LengthRecord len;
    len.kind = sim::kLength3;
    len.L = {5, 1, 2, 0, 0, 20};
    const ToolOutline o = tool_outline(sim::build_profile(t, len, {}, {}));
    for (const ToolRing& r : o.rings) {
        EXPECT_TRUE(std::isfinite(r.z) && std::isfinite(r.radius));
        EXPECT_GE(r.radius, 0.0);
    }
}

// ---- Drawing the tool ----

TEST(ToolDraw, RingsProjectWhereTheProjectionSaysAndAreJoinedPointByPoint) {
    const ViewState v = oblique_view();
    const ToolOutline o = tool_outline(flat_mill(10, 20, 30, false));
    ASSERT_EQ(o.rings.size(), 3u);
    sim::GridGeometry g;
    g.origin_x = 5, g.origin_y = 7;
    const Vec3 tip = tool_tip({25, 27, 60}, g, 50);
    EXPECT_EQ(tip.x, 20.0);
    EXPECT_EQ(tip.y, 20.0);
    EXPECT_EQ(tip.z, 10.0);
    Recorder rec;
    ToolColours c;
    draw_tool(v, o, tip, c, true, rec.sink());
    ASSERT_EQ(rec.lines.size(), 3u + 2u * kRingPoints);
    int rings = 0;
    for (const auto& l : rec.lines) {
        if (l.points.size() != std::size_t(kRingPoints + 1)) continue;
        const ToolRing& r = o.rings[std::size_t(rings++)];
        EXPECT_EQ(l.points.front(), l.points.back());
        for (int m = 0; m < kRingPoints; ++m) {
            const double a = 2 * std::numbers::pi * m / kRingPoints;
            EXPECT_EQ(l.points[std::size_t(m)],
                      project(v, tip.x + r.radius * std::cos(a), tip.y + r.radius * std::sin(a), tip.z + r.z));
        }
        EXPECT_EQ(l.rgb, r.part == ToolPart::Edge ? c.top : c.side);
    }
    EXPECT_EQ(rings, 3);
    // A join runs from a point of one ring to the same point of the next.
    const auto& join = rec.lines[2];  // after the first two rings
    ASSERT_EQ(join.points.size(), 2u);
    EXPECT_EQ(join.points[0], project(v, tip.x + 5, tip.y, tip.z));
    EXPECT_EQ(join.points[1], project(v, tip.x + 5, tip.y, tip.z + 20));
}

TEST(ToolDraw, HolderOnlyWithHolderDisplayAndInTheArborColour) {
    const ViewState v = oblique_view();
    const ToolOutline o = tool_outline(flat_mill(10, 20, 30, true));
    ToolColours c;
    c.arbor = 0x00AA00;
    Recorder with, without;
    draw_tool(v, o, {20, 20, 0}, c, true, with.sink());
    draw_tool(v, o, {20, 20, 0}, c, false, without.sink());
    auto arbor_lines = [&](const Recorder& r) {
        return std::count_if(r.lines.begin(), r.lines.end(), [&](const auto& l) { return l.rgb == c.arbor; });
    };
    EXPECT_GT(arbor_lines(with), 0);
    EXPECT_EQ(arbor_lines(without), 0);
}

TEST(ToolDraw, PlanViewDrawsCirclesOfScaledRadiusAroundTheAxis) {
    const ViewState v = oblique_view(0.0, 0.0);
    const ToolOutline o = tool_outline(flat_mill(10, 20, 30, false));
    Recorder rec;
    draw_tool(v, o, {20, 20, 0}, ToolColours{}, true, rec.sink());
    ASSERT_EQ(rec.lines.size(), o.rings.size());  // no joins
    const ScreenPoint axis = project(v, 20, 20, 0);
    for (const auto& l : rec.lines)
        for (const ScreenPoint& p : l.points) EXPECT_NEAR(std::hypot(p.x - axis.x, p.y - axis.y), 15.0, 1.0);
}

TEST(ToolDraw, TopColourFollowsThePenInPenMode) {
    Colours colours;
    EXPECT_EQ(tool_colours(colours, false, 2).top, 0xFF0080u);
    EXPECT_EQ(tool_colours(colours, true, 2).top, 0xFFFF00u);  // PEN2
    EXPECT_EQ(tool_colours(colours, true, 0).top, 0xFF0080u);
}

TEST(ToolDraw, AttachmentIsTwoRectanglesAndFourEdges) {
    sim::ToolRecord t;
    t.defined = 1, t.type = sim::kToolFlat, t.d = 10, t.h = 20;
    sim::LengthRecord len;
    len.kind = sim::kLength1;
    len.L[0] = 30;
    sim::Attachment att;
    att.count = 1;
    att.steps[0] = {60, 25};
    sim::ProfileOptions po;
    po.attachment = &att;
    po.arbor_check = sim::ArborCheck::Abort;
    const ToolOutline o = tool_outline(sim::build_profile(t, len, {}, po));
    ASSERT_EQ(o.boxes.size(), 1u);
    EXPECT_EQ(o.boxes[0].half, 30.0);
    EXPECT_EQ(o.boxes[0].bottom, 30.0);
    EXPECT_EQ(o.boxes[0].top, 55.0);
    const ViewState v = oblique_view();
    ToolColours c;
    Recorder rec;
    draw_tool(v, o, {0, 0, 0}, c, true, rec.sink());
    std::vector<testing::Polyline> box;
    for (const auto& l : rec.lines)
        if (l.rgb == c.attachment) box.push_back(l);
    ASSERT_EQ(box.size(), 6u);
    EXPECT_EQ(box[0].points[0], project(v, -30, -30, 30));
    EXPECT_EQ(box[1].points[2], project(v, 30, 30, 55));
}

TEST(ToolDraw, OnASurfaceTheRingPixelsTakeTheToolColour) {
    const ViewState v = oblique_view();
    Surface s;
    resize(s, 400, 300, 0xFFFFFF);
    SurfaceSink sink(s);
    ToolColours c;
    draw_tool(v, tool_outline(flat_mill(10, 20, 30, false)), {20, 20, 0}, c, true, sink.sink());
    const ScreenPoint p = project(v, 25, 20, 0);
    EXPECT_EQ(pixel_at(s, p.x, p.y), c.top);
}

// ---- Bounding box, axes, light ----

TEST(BoundingBox, CornersAtTheGridExtentFromBottomToHighest) {
    auto wp = testing::make_grid(11, 6, 2.0, [](int i, int) { return 3.0 + i; }, [](int, int) { return 0; });
    const ViewState v = oblique_view();
    Recorder rec;
    draw_bounding_box(v, *wp, rec.sink());
    ASSERT_EQ(rec.lines.size(), 6u);
    for (const auto& l : rec.lines) {
        EXPECT_EQ(l.rgb, 0xFF0000u);
        EXPECT_EQ(l.style, kLineDot2);
    }
    const std::vector<ScreenPoint> bottom{project(v, 0, 0, 0), project(v, 20, 0, 0), project(v, 20, 10, 0),
                                          project(v, 0, 10, 0), project(v, 0, 0, 0)};
    EXPECT_EQ(rec.lines[0].points, bottom);
    EXPECT_EQ(rec.lines[1].points[2], project(v, 20, 10, 13));
    EXPECT_EQ(rec.lines[3].points[0], project(v, 20, 0, 0));
    EXPECT_EQ(rec.lines[3].points[1], project(v, 20, 0, 13));
}

TEST(Axes, StartAtTheWorkpieceZeroWithACrossAtTheStartPoint) {
    auto wp = testing::flat_grid(11, 11, 10.0);  // 100 mm: axes 20 mm long
    const ViewState v = oblique_view();
    Recorder rec;
    draw_axes(v, *wp, {5, 7, 10}, rec.sink());
    ASSERT_EQ(rec.lines.size(), 5u);
    EXPECT_EQ(rec.lines[0].points[0], project(v, -5, -7, 0));
    EXPECT_EQ(rec.lines[0].points[1], project(v, 15, -7, 0));
    EXPECT_EQ(rec.lines[2].points[1], project(v, -5, -7, 20));
    const ScreenPoint c = project(v, 0, 0, 10);
    EXPECT_EQ(rec.lines[3].points[0], (ScreenPoint{c.x - 2, c.y}));
}

TEST(LightIndicator, FromAThirdToTheWholeHalfWidth) {
    ViewState v = oblique_view();
    v.light = {0, 0, 1};
    Recorder rec;
    draw_light_indicator(v, true, rec.sink());
    ASSERT_EQ(rec.lines.size(), 1u);
    const double k = 200.0 / 3.0;  // half of 400 pixels at 3 px/mm
    EXPECT_EQ(rec.lines[0].points[0], project(v, 20, 20, 20 + k / 3));
    EXPECT_EQ(rec.lines[0].points[1], project(v, 20, 20, 20 + k));
    EXPECT_EQ(rec.lines[0].style, kLineDot2);
    draw_light_indicator(v, false, rec.sink());
    EXPECT_EQ(rec.lines[1].style, kLineDot);
}

// ---- Measuring cursor ----

TEST(PickedPoints, SamePointTwiceAddsOneAndAFullListStartsAgain) {
    PickedPoints picks;
    EXPECT_TRUE(add_picked_point(picks, {1, 2, 3}));
    EXPECT_FALSE(add_picked_point(picks, {1, 2, 3}));
    EXPECT_EQ(picks.points.size(), 1u);
    pick_outside(picks);
    EXPECT_FALSE(picks.points.back().flag);
    for (int k = 1; k < kMaxPickedPoints; ++k) add_picked_point(picks, {float(k), 0, 0});
    EXPECT_EQ(picks.points.size(), std::size_t(kMaxPickedPoints));
    add_picked_point(picks, {-1, -1, -1});
    ASSERT_EQ(picks.points.size(), 1u);
    EXPECT_EQ(picks.points[0].x, -1.0f);
}

TEST(PickedPoints, CellUnderTheCursorIsTheOneDrawnThere) {
    auto wp = testing::flat_grid(21, 21, 1.0);
    ViewState v = oblique_view(0.0, 0.0);
    show_whole_grid(v, *wp);
    const ScreenPoint q = project(v, 7, 12, 10);
    std::int32_t i = -1, j = -1;
    ASSERT_TRUE(cell_under_cursor(v, *wp, q.x, q.y, 1, &i, &j));
    EXPECT_EQ(i, 7);
    EXPECT_EQ(j, 12);
    EXPECT_FALSE(cell_under_cursor(v, *wp, -500, -500, 2, &i, &j));
    const PickedPoint p = cell_point(*wp, 7, 12);
    EXPECT_EQ(p.x, 12.0f);
    EXPECT_EQ(p.y, 19.0f);
    EXPECT_EQ(p.z, 10.0f);
}

TEST(CellRadius, BowlBumpPlaneAndBorder) {
    // Heights of a sphere of radius 10: a bowl (centre above) and a bump (centre below).
    auto bowl = testing::make_grid(
        9, 3, 1.0, [](int i, int) { return 10.0 - std::sqrt(100.0 - (i - 4.0) * (i - 4.0)); },
        [](int, int) { return 0; });
    EXPECT_NEAR(cell_radius(*bowl, 4, 1, true), 10.0, 0.051);
    EXPECT_EQ(std::fmod(cell_radius(*bowl, 4, 1, true) * 10.0, 1.0), 0.0);  // rounded to 0.1
    auto bump = testing::make_grid(
        9, 3, 1.0, [](int i, int) { return std::sqrt(100.0 - (i - 4.0) * (i - 4.0)); }, [](int, int) { return 0; });
    EXPECT_NEAR(cell_radius(*bump, 4, 1, true), -10.0, 0.051);
    // Along Y the grid is flat.
    EXPECT_EQ(cell_radius(*bowl, 4, 1, false), kPlaneRadius);
    // A border cell is measured about its inner neighbour.
    EXPECT_EQ(cell_radius(*bowl, 0, 1, true), cell_radius(*bowl, 1, 1, true));
}

TEST(ThreePointRadius, CircleLineAndUndefined) {
    PickedPoints picks;
    EXPECT_TRUE(std::isnan(three_point_radius(picks)));
    add_picked_point(picks, {5, 0, 0});
    add_picked_point(picks, {0, 5, 0});
    add_picked_point(picks, {-5, 0, 0});
    EXPECT_NEAR(three_point_radius(picks), 5.0, 1e-9);
    add_picked_point(picks, {-10, 0, 0});
    add_picked_point(picks, {-20, 0, 0});
    EXPECT_GE(three_point_radius(picks), kPlaneRadius);
    add_picked_point(picks, {-10, 0, 0});  // equals the first of the last three
    EXPECT_TRUE(std::isnan(three_point_radius(picks)));
}

TEST(PickedPoints, CrossOfFivePixelsInRed) {
    auto wp = testing::flat_grid(5, 5, 1.0);
    const ViewState v = oblique_view();
    Surface s;
    resize(s, 400, 300, 0xFFFFFF);
    SurfaceSink sink(s);
    draw_pick_cross(v, *wp, {7, 9, 10}, sink.sink());
    const ScreenPoint c = project(v, 2, 2, 10);
    for (int d = -2; d <= 2; ++d) {
        EXPECT_EQ(pixel_at(s, c.x + d, c.y), 0xFF0000u) << d;
        EXPECT_EQ(pixel_at(s, c.x, c.y + d), 0xFF0000u) << d;
    }
    EXPECT_EQ(pixel_at(s, c.x + 3, c.y), 0xFFFFFFu);
    EXPECT_EQ(pixel_at(s, c.x + 1, c.y + 1), 0xFFFFFFu);
}

}  // namespace
}  // namespace vx::view
