// The paint cycle without a window: what a redraw puts on the drawing surface, what only the
// frame carries, and what the moves of a run add.
#include "view/display.h"
#include "shell/view_options.h"

#include "sim/kernel_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace vx::view {
namespace {

using sim::testing::make_body;
using sim::testing::make_tool;
using sim::testing::tool_record;

constexpr int kWidth = 200, kHeight = 150;

// A 20 x 10 mm block seen from above, nothing thinned.
shell::DefineSettings plan_settings() {
    shell::DefineSettings d;
    d.angle_a = 0.0;
    d.angle_b = 0.0;
    d.perspective = false;
    d.optimize_drawing = kDrawingOff;
    return d;
}

int count_colour(const Surface& s, Pixel colour) {
    return int(std::count(s.pixels.begin(), s.pixels.end(), colour));
}

Pixel at(const Surface& s, const ScreenPoint& p) { return pixel_at(s, p.x, p.y); }

// ---- Redraw and overlays ----
// The overlays that stay belong to the redraw; switched off they must leave no trace.

TEST(DisplayPaint, BoundingBoxAndAxesFollowTheirSwitches) {
    auto wp = make_body(41, 21, 0.5, 10.0);
    wp->modification_state = sim::kDefined;
    shell::DefineSettings define = plan_settings();
    define.angle_b = 45.0;  // the box's vertical edges and the Z axis show
    define.angle_a = 315.0;
    define.boundary_box = define.basic_axis = false;
    Display d;
    set_up_display(d, shell::display_settings(define), *wp, kWidth, kHeight, true);
    paint(d, *wp);
    const int red_plain = count_colour(d.surface, kRed);
    EXPECT_EQ(count_colour(d.surface, 0x0000FF), 0);
    d.overlays.bounding_box = d.overlays.axes = true;
    d.redraw_due = true;
    paint(d, *wp);
    EXPECT_GT(count_colour(d.surface, kRed), red_plain + 20);
    EXPECT_GT(count_colour(d.surface, 0x0000FF), 5);  // the Z axis
}

TEST(DisplayPaint, WithoutAWorkpieceOnlyTheBackground) {
    auto wp = make_body(41, 21, 0.5, 10.0);
    shell::DefineSettings define = plan_settings();
    Display d;
    set_up_display(d, shell::display_settings(define), *wp, kWidth, kHeight, true);
    set_display_tool(d, make_tool(tool_record(sim::kToolFlat, 4.0), 0.5));
    place_tool(d, *wp, {10, 5, 20});
    wp->modification_state = sim::kNoWorkpiece;
    paint(d, *wp);
    EXPECT_EQ(count_colour(d.frame, d.palette.background), kWidth * kHeight);
}

TEST(DisplayPaint, NothingIsRedrawnUntilARedrawIsDue) {
    auto wp = make_body(41, 21, 0.5, 10.0);
    wp->modification_state = sim::kDefined;
    Display d;
    set_up_display(d, shell::display_settings(plan_settings()), *wp, kWidth, kHeight, true);
    paint(d, *wp);
    const std::vector<Pixel> first = d.surface.pixels;
    set_pixel(d.surface, 3, 3, 0x123456);  // stands for what a run drew
    paint(d, *wp);
    EXPECT_EQ(pixel_at(d.frame, 3, 3), 0x123456u);
    d.redraw_due = true;
    paint(d, *wp);
    EXPECT_EQ(d.surface.pixels, first);
}

// ---- The tool ----
// The tool moves: it belongs to the frame only, so that the next paint shows it at its new
// position and nowhere else.

TEST(DisplayTool, EachPaintShowsTheToolOnlyWhereItIsNow) {
    auto wp = make_body(41, 21, 0.5, 10.0);
    wp->modification_state = sim::kDefined;
    Display d;
    set_up_display(d, shell::display_settings(plan_settings()), *wp, kWidth, kHeight, true);
    set_display_tool(d, make_tool(tool_record(sim::kToolFlat, 4.0), 0.5));
    const Pixel edge = pixel_from_colour(d.colours.tool_top);
    place_tool(d, *wp, {5, 5, 20});
    paint(d, *wp);
    const ScreenPoint left = project(d.view, 5 + 2, 5, 0);  // on the ring of radius 2
    EXPECT_EQ(at(d.frame, left), edge);
    EXPECT_EQ(count_colour(d.surface, edge), 0);
    place_tool(d, *wp, {15, 5, 20});
    paint(d, *wp);
    EXPECT_NE(at(d.frame, left), edge);
    EXPECT_EQ(at(d.frame, project(d.view, 15 - 2, 5, 0)), edge);
    d.overlays.tool = false;
    paint(d, *wp);
    EXPECT_EQ(d.frame.pixels, d.surface.pixels);
}

TEST(DisplayTool, TheTipLiesTheToolLengthBelowTheControlPoint) {
    auto wp = make_body(41, 21, 0.5, 10.0);
    Display d;
    set_up_display(d, shell::display_settings(plan_settings()), *wp, kWidth, kHeight, true);
    sim::CurrentTool tool = make_tool(tool_record(sim::kToolFlat, 4.0), 0.5);
    tool.shift = 30;
    set_display_tool(d, tool);
    place_tool(d, *wp, {5, 6, 40});
    EXPECT_DOUBLE_EQ(d.tool.tip.z, 10.0);
    tool.number = 9;
    tool.shift = 50;
    set_display_tool(d, tool);  // a tool change takes the new length
    place_tool(d, *wp, {5, 6, 40});
    EXPECT_DOUBLE_EQ(d.tool.tip.z, -10.0);
}

// ---- Paths handed over by a run ----
// Whether a move is drawn at once, kept for the redraw, or both, follows the path switches.

platform::PathSegment feed_line(platform::PathKind kind) {
    platform::PathSegment s;
    s.kind = kind;
    s.motion = 1;
    s.start = {2, 5, 10};
    s.end = {18, 5, 10};
    s.feedrate = 100;
    return s;
}

TEST(DisplayPaths, UncutMovesOfACuttingRunWaitForTheResultUnlessShownDuringTheRun) {
    auto wp = make_body(41, 21, 0.5, 10.0);
    wp->modification_state = sim::kDefined;
    Display d;
    set_up_display(d, shell::display_settings(plan_settings()), *wp, kWidth, kHeight, true);
    paint(d, *wp);
    const Pixel colour = pixel_from_colour(Colours{}.cut_path);
    const ScreenPoint mid = project(d.view, 10, 5, 10);
    d.overlays.paths_during_run = false;
    show_path(d, feed_line(platform::PathKind::Uncut));
    EXPECT_NE(at(d.surface, mid), colour);
    d.redraw_due = true;
    paint(d, *wp);  // the result shows the kept move
    EXPECT_EQ(at(d.surface, mid), colour);

    Display during;
    set_up_display(during, shell::display_settings(plan_settings()), *wp, kWidth, kHeight, true);
    during.overlays.paths_during_run = true;
    during.overlays.paths_in_result = false;
    paint(during, *wp);
    show_path(during, feed_line(platform::PathKind::Uncut));
    EXPECT_EQ(at(during.surface, mid), colour);
    EXPECT_TRUE(during.paths.moves.empty());
    during.redraw_due = true;
    paint(during, *wp);
    EXPECT_NE(at(during.surface, mid), colour);
}

}  // namespace
}  // namespace vx::view
