// The path display: which pen each move gets, where its points land, arcs through the same
// points the cutting steps visit, and that nothing unsafe comes out of absurd moves.
#include "view/paths.h"
#include "view/surface_sink.h"
#include "view/render_test_sink.h"

#include <gtest/gtest.h>

#include <limits>

#include <cmath>
#include <numbers>

namespace vx::view {
namespace {

using testing::Recorder;

constexpr double kOriginX = 5.0, kOriginY = 7.0;

ViewState oblique_view() {
    ViewState v;
    v.perspective = false;
    set_angles(v, 315.0, 45.0);
    set_drawing_area(v, {0, 0, 400, 300});
    set_view_centre(v, 20, 20, 0);
    v.scale = 4.0;
    refresh_projection(v);
    return v;
}

platform::PathSegment line_move(platform::PathKind kind, int motion, double feed) {
    platform::PathSegment m;
    m.kind = kind;
    m.motion = motion;
    m.start = {kOriginX + 1, kOriginY + 2, 30};
    m.end = {kOriginX + 11, kOriginY + 12, 20};
    m.feedrate = feed;
    m.tool_length = 50;
    return m;
}

// A quarter circle of radius 10 about the grid point (10, 10) in the XY plane.
platform::PathSegment arc_move(int motion, double sweep, double z0 = 0, double z1 = 0) {
    platform::PathSegment m;
    m.kind = platform::PathKind::CommandPoint;
    m.motion = motion;
    m.centre = {kOriginX + 10, kOriginY + 10, z0};
    m.start = {kOriginX + 20, kOriginY + 10, z0};
    const double turn = motion == 3 ? sweep : -sweep;
    m.end = {kOriginX + 10 + 10 * std::cos(turn), kOriginY + 10 + 10 * std::sin(turn), z1};
    m.start_radius = m.end_radius = 10;
    m.sweep = sweep;
    return m;
}

PathOptions options() {
    PathOptions o;
    o.origin_x = kOriginX, o.origin_y = kOriginY;
    o.move_pitch = 1.0;
    o.rapid_feedrate = 5000.0;
    return o;
}

// ---- Pens and colours ----
// A path in the wrong pen tells the user a rapid was a cut or the other way round.

TEST(PathPens, MotionAndFeedChooseThePen) {
    EXPECT_EQ(path_pen(0, 0, 5000, false).style, kLineDot);
    EXPECT_TRUE(path_pen(0, 0, 5000, false).drawn);
    EXPECT_FALSE(path_pen(0, 0, 5000, true).drawn);
    EXPECT_EQ(path_pen(1, 4999.9, 5000, false).style, kLineSolid);
    EXPECT_EQ(path_pen(1, 5000, 5000, false).style, kLineDashDot);
    EXPECT_EQ(path_pen(132, 6000, 5000, false).style, kLineDashDot);
    // Arcs always take the cutting pen, whatever their feed.
    EXPECT_EQ(path_pen(2, 9000, 5000, false).style, kLineSolid);
    EXPECT_EQ(path_pen(3, 9000, 5000, false).style, kLineSolid);
    // Only rapids are hidden.
    EXPECT_TRUE(path_pen(1, 100, 5000, true).drawn);
}

TEST(PathPens, KindAndToolChooseTheColour) {
    Colours c;
    const PathColours pc = path_colours(c);
    EXPECT_EQ(pc.tool_tip, 0xFF0000u);
    EXPECT_EQ(pc.command_point, 0xFF8000u);
    EXPECT_EQ(pc.uncut, 0xFF00FFu);
    EXPECT_EQ(pc.construction, 0xFFFF00u);
    EXPECT_EQ(path_colour(pc, platform::PathKind::ToolTip, false, 3), pc.tool_tip);
    EXPECT_EQ(path_colour(pc, platform::PathKind::CommandPoint, false, 3), pc.command_point);
    EXPECT_EQ(path_colour(pc, platform::PathKind::Uncut, false, 0), pc.uncut);
    EXPECT_EQ(path_colour(pc, platform::PathKind::ToolTip, true, 3), 0xC0C0C0u);  // PEN3
    EXPECT_EQ(path_colour(pc, platform::PathKind::ToolTip, true, 0), pc.tool_tip);
    EXPECT_EQ(path_colour(pc, platform::PathKind::ToolTip, true, 9), pc.tool_tip);
}

TEST(PathDraw, HiddenRapidDrawsNothingNotEvenItsConstructionPoint) {
    const ViewState v = oblique_view();
    Recorder rec;
    PathOptions o = options();
    o.construction_points = true;
    platform::PathSegment m = line_move(platform::PathKind::ToolTip, 0, 0);
    m.hidden_rapid = true;
    draw_path_move(v, m, PathColours{}, o, rec.sink());
    EXPECT_TRUE(rec.lines.empty());
    m.hidden_rapid = false;
    draw_path_move(v, m, PathColours{}, o, rec.sink());
    ASSERT_EQ(rec.lines.size(), 2u);
    EXPECT_EQ(rec.lines[0].style, kLineDot);
}

// ---- Where the points land ----

TEST(PathDraw, ToolTipPathIsLoweredByTheToolLengthCommandPathIsNot) {
    const ViewState v = oblique_view();
    for (auto kind : {platform::PathKind::ToolTip, platform::PathKind::CommandPoint}) {
        Recorder rec;
        draw_path_move(v, line_move(kind, 1, 100), PathColours{}, options(), rec.sink());
        ASSERT_EQ(rec.lines.size(), 1u);
        const double dz = kind == platform::PathKind::ToolTip ? 50.0 : 0.0;
        ASSERT_EQ(rec.lines[0].points.size(), 2u);
        EXPECT_EQ(rec.lines[0].points[0], project(v, 1, 2, 30 - dz));
        EXPECT_EQ(rec.lines[0].points[1], project(v, 11, 12, 20 - dz));
        EXPECT_EQ(rec.lines[0].style, kLineSolid);
    }
}

TEST(PathDraw, ConstructionPointIsAThreePixelSquareAtTheEnd) {
    const ViewState v = oblique_view();
    Recorder rec;
    PathOptions o = options();
    o.construction_points = true;
    PathColours colours;
    colours.construction = 0x123456;
    draw_path_move(v, line_move(platform::PathKind::CommandPoint, 1, 100), colours, o, rec.sink());
    ASSERT_EQ(rec.lines.size(), 2u);
    const ScreenPoint e = project(v, 11, 12, 20);
    const auto& sq = rec.lines[1];
    EXPECT_EQ(sq.rgb, 0x123456u);
    ASSERT_EQ(sq.points.size(), 5u);
    EXPECT_EQ(sq.points.front(), sq.points.back());
    for (const ScreenPoint& p : sq.points) {
        EXPECT_EQ(std::abs(p.x - e.x), 1);
        EXPECT_EQ(std::abs(p.y - e.y), 1);
    }
}

TEST(PathDraw, SolidLineReachesThePixelsOfASurface) {
    ViewState v;
    v.perspective = false;
    set_angles(v, 0.0, 0.0);
    set_drawing_area(v, {0, 0, 60, 60});
    set_view_centre(v, 30, 30, 0);
    v.scale = 1.0;
    refresh_projection(v);
    Surface s;
    resize(s, 60, 60, 0xFFFFFF);
    SurfaceSink sink(s);
    platform::PathSegment m = line_move(platform::PathKind::CommandPoint, 1, 100);
    m.start = {kOriginX + 10, kOriginY + 30, 0};
    m.end = {kOriginX + 50, kOriginY + 30, 0};
    PathColours colours;
    colours.command_point = 0x00FF00;
    draw_path_move(v, m, colours, options(), sink.sink());
    const ScreenPoint a = project(v, 10, 30, 0), b = project(v, 50, 30, 0);
    ASSERT_EQ(a.y, b.y);
    for (int x = a.x; x < b.x; ++x) EXPECT_EQ(pixel_at(s, x, a.y), 0x00FF00u) << x;
    EXPECT_EQ(pixel_at(s, a.x, a.y - 2), 0xFFFFFFu);
}

// ---- Arcs ----
// An arc drawn through other points than the cut would show the cut off its path.

TEST(PathArcs, EqualAngularStepsOnTheRadiusEndingExactlyAtTheEnd) {
    const platform::PathSegment m = arc_move(3, std::numbers::pi / 2);
    const std::vector<Vec3> pts = path_points(m, options());
    ASSERT_EQ(pts.size(), 17u);  // ceil(15.708 / 1) = 16 segments
    for (std::size_t k = 0; k < pts.size(); ++k) {
        const double a = std::atan2(pts[k].y - 10, pts[k].x - 10);
        EXPECT_NEAR(std::hypot(pts[k].x - 10, pts[k].y - 10), 10.0, 1e-9);
        EXPECT_NEAR(a, std::numbers::pi / 2 * double(k) / 16.0, 1e-9) << k;
    }
    EXPECT_EQ(pts.back().x, m.end.x - kOriginX);
    EXPECT_EQ(pts.back().y, m.end.y - kOriginY);
}

TEST(PathArcs, ClockwiseTurnsTheOtherWayAndAHelixClimbsLinearly) {
    const platform::PathSegment m = arc_move(2, std::numbers::pi / 2, 0.0, 8.0);
    const std::vector<Vec3> pts = path_points(m, options());
    ASSERT_EQ(pts.size(), 17u);
    EXPECT_NEAR(pts[8].x, 10 + 10 * std::cos(-std::numbers::pi / 4), 1e-9);
    EXPECT_NEAR(pts[8].y, 10 + 10 * std::sin(-std::numbers::pi / 4), 1e-9);
    EXPECT_NEAR(pts[8].z, 4.0, 1e-12);
    EXPECT_NEAR(pts[4].z, 2.0, 1e-12);
}

TEST(PathArcs, ShortArcStillHasThreeSegmentsAndHugeOnesAreBounded) {
    PathOptions o = options();
    o.move_pitch = 100.0;
    EXPECT_EQ(path_points(arc_move(3, 0.1), o).size(), 4u);
    EXPECT_EQ(arc_segments(1.0, 0.0), 3);
    EXPECT_EQ(arc_segments(1.0e12, 1e-9), kMaxArcSegments);
    EXPECT_EQ(arc_segments(NAN, 1.0), 3);
}

TEST(PathArcs, DrawnAsOneSolidPolylineThroughTheProjectedPoints) {
    const ViewState v = oblique_view();
    const platform::PathSegment m = arc_move(3, std::numbers::pi);
    Recorder rec;
    draw_path_move(v, m, PathColours{}, options(), rec.sink());
    ASSERT_EQ(rec.lines.size(), 1u);
    const std::vector<Vec3> pts = path_points(m, options());
    ASSERT_EQ(rec.lines[0].points.size(), pts.size());
    for (std::size_t k = 0; k < pts.size(); ++k)
        EXPECT_EQ(rec.lines[0].points[k], project(v, pts[k].x, pts[k].y, pts[k].z));
    EXPECT_EQ(rec.lines[0].style, kLineSolid);
    EXPECT_EQ(rec.lines[0].rgb, PathColours{}.command_point);
}

TEST(PathArcs, OtherPlanesTurnInTheirOwnAxes) {
    // G18-like plane: first Z, second X, normal Y; the Y axis advances.
    platform::PathSegment m;
    m.kind = platform::PathKind::CommandPoint;
    m.motion = 3;
    m.plane_first = 2, m.plane_second = 0, m.plane_normal = 1;
    m.centre = {kOriginX, kOriginY, 0};
    m.start = {kOriginX, kOriginY, 5};
    m.end = {kOriginX + 5, kOriginY + 4, 0};
    m.start_radius = m.end_radius = 5;
    m.sweep = std::numbers::pi / 2;
    const std::vector<Vec3> pts = path_points(m, options());
    for (const Vec3& p : pts) EXPECT_NEAR(std::hypot(p.x, p.z), 5.0, 1e-9);
    EXPECT_NEAR(pts[pts.size() / 2].y, 2.0, 0.3);
    EXPECT_GT(pts[1].x, 0.0);
}

TEST(PathDraw, NonFiniteMoveDrawsNothing) {
    const ViewState v = oblique_view();
    Recorder rec;
    platform::PathSegment m = line_move(platform::PathKind::ToolTip, 1, 100);
    m.end.x = NAN;
    draw_path_move(v, m, PathColours{}, options(), rec.sink());
    platform::PathSegment a = arc_move(3, INFINITY);
    draw_path_move(v, a, PathColours{}, options(), rec.sink());
    EXPECT_TRUE(rec.lines.empty());
}

// ---- The kept list ----

TEST(PathList, RedrawsInOrderAndDropsTheOldestHalfWhenFull) {
    PathList list;
    list.capacity = 4;
    for (int k = 0; k < 5; ++k) {
        platform::PathSegment m = line_move(platform::PathKind::CommandPoint, 1, 100);
        m.line = k;
        add_path(list, m);
    }
    ASSERT_EQ(list.moves.size(), 2u);
    EXPECT_EQ(list.moves[0].line, 3);
    EXPECT_EQ(list.moves[1].line, 4);
    Recorder rec;
    draw_paths(oblique_view(), list, PathColours{}, options(), rec.sink());
    EXPECT_EQ(rec.lines.size(), 2u);
    clear_paths(list);
    EXPECT_TRUE(list.moves.empty());
}

// The redraw reuses one work space for every move: a long arc before a line must leave nothing
// of its points behind, and an invalid move in between draws nothing.
TEST(PathList, ReusedWorkSpaceDrawsEachMoveAsAlone) {
    PathList list;
    list.moves = {arc_move(3, std::numbers::pi), line_move(platform::PathKind::ToolTip, 1, 100),
                  arc_move(2, std::numbers::pi / 4, 0.0, 5.0), line_move(platform::PathKind::CommandPoint, 0, 0)};
    list.moves[3].end.x = std::numeric_limits<double>::quiet_NaN();
    PathOptions o = options();
    o.construction_points = true;
    Recorder together, alone;
    draw_paths(oblique_view(), list, PathColours{}, o, together.sink());
    for (const platform::PathSegment& m : list.moves) draw_path_move(oblique_view(), m, PathColours{}, o, alone.sink());
    ASSERT_EQ(together.lines.size(), alone.lines.size());
    ASSERT_EQ(together.lines.size(), 6u);  // three moves and their construction squares
    for (std::size_t k = 0; k < alone.lines.size(); ++k) {
        EXPECT_EQ(together.lines[k].points, alone.lines[k].points) << k;
        EXPECT_EQ(together.lines[k].rgb, alone.lines[k].rgb) << k;
    }
}

}  // namespace
}  // namespace vx::view
