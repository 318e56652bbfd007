// The view projection: known points in the parallel and the perspective projection, the special
// angles that force a parallel view, the view sectors, the fit and the perspective distance, and
// the agreement of the kernel's refresh of cut cells with the full projection.
#include "view/view_state.h"

#include "sim/kernel_fixture.h"
#include "view/render_test_sink.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace vx::view {
namespace {

// A view centred on (cx, cy, cz) = (10, 20, 5) with the screen centre at (200, 150), 2 px/mm.
ViewState view_at(double a, double b, bool perspective) {
    ViewState v;
    v.perspective = perspective;
    set_angles(v, a, b);
    set_drawing_area(v, {0, 0, 400, 300});
    set_view_centre(v, 10, 20, 5);
    v.scale = 2.0;
    v.distance = 300.0;
    refresh_projection(v);
    return v;
}

// ---- Known points ----
// Each case is worked by hand from the projection formulas; a sign or axis mix-up moves it.

TEST(ProjectionPoints, PlanViewIsParallelAndLooksDown) {
    for (bool perspective : {false, true}) {
        const ViewState v = view_at(0, 0, perspective);
        EXPECT_FALSE(uses_perspective(v));
        EXPECT_EQ(project(v, 13, 24, 99), (ScreenPoint{206, 142}));  // height does not show
        const ViewState r = view_at(90, 0, perspective);                // x' = -dy, y' = dx
        EXPECT_EQ(project(r, 13, 24, 0), (ScreenPoint{192, 144}));
    }
}

TEST(ProjectionPoints, SideViewShowsHeightAndIgnoresDepth) {
    for (bool perspective : {false, true}) {
        const ViewState v = view_at(0, 90, perspective);
        EXPECT_FALSE(uses_perspective(v));
        EXPECT_EQ(project(v, 13, 24, 8), (ScreenPoint{206, 144}));
        EXPECT_EQ(project(v, 13, 500, 8), (ScreenPoint{206, 144}));
    }
}

TEST(ProjectionPoints, ObliqueParallelView) {
    const ViewState v = view_at(0, 30, true);  // A = 0: parallel even with the flag on
    EXPECT_FALSE(uses_perspective(v));
    // h = cos30 * 4 + sin30 * 3 = 4.9641: Y = 150 - 9.928
    EXPECT_EQ(project(v, 13, 24, 8), (ScreenPoint{206, 140}));
    const ViewState w = view_at(45, 60, false);
    // x' = (3 - 4) cos45 = -0.7071, y' = (4 + 3) cos45 = 4.9497, h = 0.5 y' + sin60 * 3 = 5.0729
    EXPECT_EQ(project(w, 13, 24, 8), (ScreenPoint{199, 140}));
}

TEST(ProjectionPoints, PerspectiveMagnifiesWhatIsNearer) {
    const ViewState v = view_at(30, 45, true);
    ASSERT_TRUE(uses_perspective(v));
    // dx = 3, dy = 4, dz = 3: x' = 3 cos30 - 4 sin30 = 0.5981, y' = 4 cos30 + 3 sin30 = 4.9641,
    // h = cos45 y' + sin45 dz = 5.6314, depth = cos45 dz - sin45 y' = -1.3889,
    // k = 2 * 300 / 301.3889 = 1.99078: X = 201.19, Y = 138.79.
    EXPECT_EQ(project(v, 13, 24, 8), (ScreenPoint{201, 139}));
    // The same offset from the centre, once toward the eye and once away from it.
    const ScreenPoint nearer = project(v, 10, 20, 5 + 50), farther = project(v, 10, 20, 5 - 50);
    EXPECT_GT(150 - nearer.y, farther.y - 150);
    // Behind the eye a point is held in front of it instead of flipping or dividing by zero.
    const ScreenPoint behind = project(v, 10, 20, 5 + 1e6);
    EXPECT_LT(behind.y, 150);
}

TEST(ProjectionPoints, QuarterAnglesAreParallelEvenInPerspective) {
    for (double a : {0.0, 90.0, 180.0, 270.0}) {
        const ViewState v = view_at(a, 45, true);
        EXPECT_FALSE(uses_perspective(v)) << a;
    }
    EXPECT_TRUE(uses_perspective(view_at(90.5, 45, true)));
    EXPECT_FALSE(uses_perspective(view_at(90.5, 45, false)));
}

// ---- Angles and sectors ----

TEST(ProjectionAngles, SectorsSplitAtQuarterAndHalfQuarterAngles) {
    const struct { double a; int sector; } cases[] = {
        {0, 0},    {0.1, 1},   {44.9, 1},  {45, 2},    {89.9, 2},  {90, 3},    {90.1, 4},   {135, 5},
        {179.9, 5}, {180, 6}, {200, 7},   {225, 8},   {270, 9},   {300, 10},  {315, 11},   {359.9, 11},
        {360, 0},  {-45, 11}};
    for (const auto& c : cases) EXPECT_EQ(view_sector(c.a), c.sector) << c.a;
}

TEST(ProjectionAngles, AnglesWrapClampAndKeepExactQuarterValues) {
    ViewState v;
    set_angles(v, 450, 120);
    EXPECT_EQ(v.angle_a, 90);
    EXPECT_EQ(v.angle_b, 90);
    EXPECT_EQ(v.cos_a, 0.0);
    EXPECT_EQ(v.sin_a, 1.0);
    EXPECT_EQ(v.cos_b, 0.0);
    EXPECT_EQ(v.sin_b, -1.0);  // the stored sine of B is negated
    EXPECT_EQ(v.eye.x, -1.0);  // the eye looks from -X at A = 90
    EXPECT_EQ(v.sector, 3);
    set_angles(v, std::nan(""), -10);
    EXPECT_EQ(v.angle_a, 90);
    EXPECT_EQ(v.angle_b, 0);
    EXPECT_EQ(v.eye.z, 1.0);
}

TEST(ProjectionAngles, DefaultsMatchTheDefaultAngles) {
    const ViewState d;
    ViewState v;
    set_angles(v, 315, 45);
    EXPECT_NEAR(d.cos_a, v.cos_a, 1e-15);
    EXPECT_NEAR(d.sin_a, v.sin_a, 1e-15);
    EXPECT_NEAR(d.sin_b, v.sin_b, 1e-15);
    EXPECT_NEAR(d.eye.x, v.eye.x, 1e-15);
    EXPECT_NEAR(d.eye.y, v.eye.y, 1e-15);
    EXPECT_NEAR(d.eye.z, v.eye.z, 1e-15);
    EXPECT_EQ(d.sector, v.sector);
    EXPECT_NEAR(std::hypot(v.eye.x, v.eye.y, v.eye.z), 1.0, 1e-15);
}

// ---- Fit and distance ----

TEST(ProjectionFit, FittedBoxFillsNinetyPercentOfTheTighterDirection) {
    auto wp = testing::make_grid(41, 21, 0.5, [](int i, int) { return 10.0 + i * 0.1; }, [](int, int) { return 0; });
    for (double a : {0.0, 30.0, 135.0, 315.0}) {
        ViewState v = testing::fitted_view(*wp, a, 40, 400, 300);
        const double w = 20, h = 10;
        int min_x = 1 << 20, max_x = -(1 << 20), min_y = 1 << 20, max_y = -(1 << 20);
        for (int c = 0; c < 8; ++c) {
            const ScreenPoint p = project(v, c & 1 ? w : 0, c & 2 ? h : 0, c & 4 ? wp->highest : 0.0);
            min_x = std::min(min_x, p.x), max_x = std::max(max_x, p.x);
            min_y = std::min(min_y, p.y), max_y = std::max(max_y, p.y);
        }
        EXPECT_GE(min_x, 0);
        EXPECT_LT(max_x, 400);
        EXPECT_GE(min_y, 0);
        EXPECT_LT(max_y, 300);
        const double fill = std::max((max_x - min_x) / 400.0, (max_y - min_y) / 300.0);
        EXPECT_NEAR(fill, 0.9, 0.01) << a;
        EXPECT_EQ(v.range.last_i, 40);
        EXPECT_EQ(v.range.last_j, 20);
        EXPECT_TRUE(v.grid_inside);
    }
}

TEST(ProjectionFit, TargetAreaReplacesTheWorkpieceExtent) {
    auto wp = testing::flat_grid(21, 21);  // origin (5, 7)
    ViewState v;
    set_drawing_area(v, {0, 0, 400, 300});
    fit_view(v, *wp, {5, 7, 10, 12});
    EXPECT_DOUBLE_EQ(v.cx, 2.5);  // relative to the grid origin
    EXPECT_DOUBLE_EQ(v.cy, 2.5);
    fit_view(v, *wp, {5, 7, 2, 15, 17, 4});
    EXPECT_DOUBLE_EQ(v.cx, 5);
    EXPECT_DOUBLE_EQ(v.cz, 3);
    fit_view(v, *wp, {5, 7, 10});  // too few numbers: the workpiece
    EXPECT_DOUBLE_EQ(v.cx, 10);
}

TEST(ProjectionFit, PerspectiveDistanceHasTwoFloors) {
    auto small = testing::flat_grid(11, 11);  // centre (5, 5): 20 * 5 = 100, floor 300
    ViewState v;
    set_drawing_area(v, {0, 0, 400, 300});
    fit_view(v, *small);
    EXPECT_DOUBLE_EQ(v.distance, 300.0);
    auto wide = testing::flat_grid(101, 41);  // 20 * 50
    fit_view(v, *wide);
    EXPECT_DOUBLE_EQ(v.distance, 1000.0);
    wide->highest = 150.0;  // 10 * (150 - 0) beats it
    update_perspective_distance(v, *wide);
    EXPECT_DOUBLE_EQ(v.distance, 1500.0);
}

TEST(ProjectionFit, GridInsideOnlyWhileEveryPointIsOnScreen) {
    auto wp = testing::flat_grid(21, 21);
    ViewState v = testing::fitted_view(*wp, 315, 45);
    EXPECT_TRUE(v.grid_inside);
    zoom_view(v, 3.0);
    project_grid(v, *wp);
    EXPECT_FALSE(v.grid_inside);
    EXPECT_DOUBLE_EQ(v.zoom, 3.0);
}

// ---- Agreement with the kernel ----
// The kernel refreshes the screen position of every cell it lowers with the affine record; a
// redraw must find the same pixels there as a full projection, or cut areas tear at their edges.

TEST(ProjectionKernel, CutCellsMatchTheFullProjection) {
    using namespace sim::testing;
    for (double a : {0.0, 33.0, 90.0, 200.0, 315.0}) {
        for (double b : {0.0, 27.5, 90.0}) {
            auto wp = make_body(41, 31, 0.5, 10.0);
            ViewState v;
            v.perspective = false;
            set_angles(v, a, b);
            set_drawing_area(v, {0, 0, 640, 480});
            fit_view(v, *wp);
            zoom_view(v, 1.7);  // an odd scale, so pixels fall between integers
            project_grid(v, *wp);
            sim::KernelContext context;
            ASSERT_FALSE(uses_perspective(v));
            const sim::CurrentTool tool = make_tool(tool_record(sim::kToolBall, 4, 2), 0.5);
            sim::SweepResult r;
            for (double x : {3.3, 7.1, 12.9}) {
                sim::SweepStep s;
                s.x = x;
                s.y = 6.2;
                s.z = 8.7;
                s.dz = -0.5;
                s.projection = &v.affine;
                sim::sweep_at_position(*wp, tool, plain_checks(), s, context, r);
            }
            const std::int64_t n = wp->geometry.cell_count;
            std::vector<std::int16_t> after_cut(wp->screen_position.data, wp->screen_position.data + 2 * n);
            project_grid(v, *wp);
            int cut = 0;
            for (std::int64_t c = 0; c < n; ++c) cut += wp->height.data[c] < 10.0f;
            ASSERT_GT(cut, 20);
            EXPECT_EQ(std::memcmp(after_cut.data(), wp->screen_position.data, 2 * n * sizeof(std::int16_t)), 0)
                << "A=" << a << " B=" << b;
        }
    }
}

TEST(ProjectionKernel, PerspectiveCellsAreReprojectedByTheRenderer) {
    auto wp = testing::flat_grid(21, 21);
    ViewState v = testing::fitted_view(*wp, 30, 45, 400, 300, true);
    ASSERT_TRUE(uses_perspective(v));
    wp->height.data[5 * 21 + 5] = 2.0f;
    project_cells(v, *wp, 4, 4, 6, 6);
    const ScreenPoint p = project(v, 5.0, 5.0, 2.0);
    EXPECT_EQ(sim::screen_x(*wp)[5 * 21 + 5], p.x);
    EXPECT_EQ(sim::screen_y(*wp)[5 * 21 + 5], p.y);
}

// A block of the thinned grid may start before the displayed range; its corner needs a position.
TEST(ProjectionKernel, PartialRangeProjectsTheBlocksItTouches) {
    auto wp = testing::flat_grid(21, 21);
    ViewState v = testing::fitted_view(*wp, 315, 45);
    std::fill(wp->screen_position.data, wp->screen_position.data + 2 * 21 * 21, std::int16_t(12345));
    v.step = 5;
    v.range = {7, 20, 0, 20};
    project_grid(v, *wp);
    EXPECT_EQ(sim::screen_x(*wp)[5], project(v, 5.0, 0.0, 10.0).x);  // block 1 runs from 5
    EXPECT_EQ(sim::screen_x(*wp)[4], 12345);
}

TEST(ProjectionKernel, FarPointsAreHeldAtTheInt16Limits) {
    auto wp = testing::flat_grid(11, 11);
    ViewState v = testing::fitted_view(*wp, 0, 0);
    zoom_view(v, 1e4);
    project_grid(v, *wp);
    EXPECT_EQ(sim::screen_x(*wp)[10], 32767);
    EXPECT_EQ(sim::screen_x(*wp)[0], -32768);
}

// ---- Display step ----

TEST(DisplayStep, RulesAndLimits) {
    // dots 3 at 0.5 px/mm on a 1 mm grid: 3 / 0.5555 + 0.5 = 5.9 -> 5
    EXPECT_EQ(display_step(kDrawingDefault, 3, 0.5, 1.0, 1000, 1000, false), 5);
    EXPECT_EQ(display_step(kDrawingOldRule, 3, 0.5, 1.0, 1000, 1000, false), 2);  // 1.8 + 0.5
    EXPECT_EQ(display_step(kDrawingOff, 3, 0.5, 1.0, 1000, 1000, false), 1);
    EXPECT_EQ(display_step(kDrawingDefault, 3, 0.5, 1.0, 1000, 1000, true), 1);
    EXPECT_EQ(display_step(kDrawingDefault, 3, 50.0, 1.0, 1000, 1000, false), 1);  // never below 1
    EXPECT_EQ(display_step(kDrawingDefault, 3, 0.01, 1.0, 40, 25, false), 24);     // min(nx, ny) - 1
    EXPECT_EQ(display_step(kDrawingDefault, 3, 0.0, 1.0, 40, 25, false), 24);
    EXPECT_EQ(display_step(kDrawingDefault, 0, 0.5, 1.0, 1000, 1000, false), 2);   // dots at least 1
}

TEST(DisplayStep, LastBlockSpansTheRemainder) {
    const Blocks short_end{3, 10};  // points 0, 3, 6, 9, 10
    ASSERT_EQ(short_end.count(), 4);
    EXPECT_EQ(short_end.start(3), 9);
    EXPECT_EQ(short_end.end(3), 10);
    EXPECT_EQ(short_end.end(2), 9);
    const Blocks even{3, 9};  // the count divides: the last block is a full step
    ASSERT_EQ(even.count(), 3);
    EXPECT_EQ(even.end(2) - even.start(2), 3);
    EXPECT_EQ(short_end.first_block(6), 1);  // 6 is the corner of blocks 1 and 2
    EXPECT_EQ(short_end.last_block(6), 2);
    EXPECT_EQ(short_end.last_block(10), 3);
    EXPECT_EQ(short_end.first_block(0), 0);
}

TEST(DisplayStep, GuidanceDecidesTheDetailRedraw) {
    EXPECT_EQ(detail_action(DisplayGuidance::Detail, 3), DetailAction::Redraw);
    EXPECT_EQ(detail_action(DisplayGuidance::Ask, 3), DetailAction::Ask);
    EXPECT_EQ(detail_action(DisplayGuidance::Never, 3), DetailAction::Keep);
    EXPECT_EQ(detail_action(DisplayGuidance::Ask, 1), DetailAction::Keep);  // not thinned
}

TEST(Discoloration, DefaultLevelsOnlyWhileOff) {
    auto wp = testing::flat_grid(5, 5, 1.0, 30.0);
    wp->work_bottom = 0.0;
    wp->highest = 30.0;
    DisplaySettings d;
    default_discoloration_levels(d, *wp);
    EXPECT_DOUBLE_EQ(d.discoloration_lower, 0.0);
    EXPECT_DOUBLE_EQ(d.discoloration_upper, 20.0);
    d.discoloration = true;
    d.discoloration_upper = 7.0;
    default_discoloration_levels(d, *wp);
    EXPECT_DOUBLE_EQ(d.discoloration_upper, 7.0);
}

}  // namespace
}  // namespace vx::view
