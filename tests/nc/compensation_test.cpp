#include "interp_rig.h"

#include "nc/offset_geometry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <sstream>
#include <string>
#include <vector>

namespace vx::nc {
namespace {

using test::expect_point;
using test::rig;

constexpr double kPi = std::numbers::pi;

// ---- A contour as geometry and as NC text ----

struct Element {
    bool arc = false;
    bool ccw = false;
    PlanePoint end, centre;
};

struct Contour {
    PlanePoint start;
    std::vector<Element> elements;
};

double gap(PlanePoint a, PlanePoint b) { return std::hypot(a.u - b.u, a.v - b.v); }

double segment_distance(PlanePoint p, PlanePoint a, PlanePoint b) {
    const double du = b.u - a.u, dv = b.v - a.v, len2 = du * du + dv * dv;
    const double t = len2 > 0 ? std::clamp(((p.u - a.u) * du + (p.v - a.v) * dv) / len2, 0.0, 1.0) : 0.0;
    return gap(p, {a.u + t * du, a.v + t * dv});
}

// The angle of `d` from `from`, in the arc's sense, in [0, 2 pi).
double turned(PlanePoint from, PlanePoint d, bool ccw) {
    double a = std::atan2(from.u * d.v - from.v * d.u, from.u * d.u + from.v * d.v);
    if (!ccw) a = -a;
    return a < 0 ? a + 2 * kPi : a;
}

double arc_distance(PlanePoint p, PlanePoint a, PlanePoint b, PlanePoint c, bool ccw) {
    const PlanePoint da{a.u - c.u, a.v - c.v}, db{b.u - c.u, b.v - c.v}, dp{p.u - c.u, p.v - c.v};
    double sweep = turned(da, db, ccw);
    if (sweep < 1e-12) sweep = 2 * kPi;
    if (turned(da, dp, ccw) <= sweep) return std::fabs(std::hypot(dp.u, dp.v) - std::hypot(da.u, da.v));
    return std::min(gap(p, a), gap(p, b));
}

// Points along an element, every `step` mm or finer.
void sample(PlanePoint a, const Element& e, double step, std::vector<PlanePoint>& out) {
    if (!e.arc) {
        const int n = std::max(1, int(gap(a, e.end) / step));
        for (int k = 0; k <= n; ++k) out.push_back({a.u + (e.end.u - a.u) * k / n, a.v + (e.end.v - a.v) * k / n});
        return;
    }
    const PlanePoint da{a.u - e.centre.u, a.v - e.centre.v}, db{e.end.u - e.centre.u, e.end.v - e.centre.v};
    double sweep = turned(da, db, e.ccw);
    if (sweep < 1e-12) sweep = 2 * kPi;
    const double radius = std::hypot(da.u, da.v), a0 = std::atan2(da.v, da.u);
    const int n = std::max(1, int(sweep * radius / step));
    for (int k = 0; k <= n; ++k) {
        const double t = a0 + (e.ccw ? 1 : -1) * sweep * k / n;
        out.push_back({e.centre.u + radius * std::cos(t), e.centre.v + radius * std::sin(t)});
    }
}

Element as_element(const MoveRecord& m) {
    return {is_arc_motion(m.motion), m.motion == kMotionCcw, {m.end.x, m.end.y}, {m.centre.x, m.centre.y}};
}

double distance_to(PlanePoint p, PlanePoint start, const Element& e) {
    return e.arc ? arc_distance(p, start, e.end, e.centre, e.ccw) : segment_distance(p, start, e.end);
}

double contour_distance(PlanePoint p, const Contour& c) {
    double best = 1e300;
    PlanePoint a = c.start;
    for (const Element& e : c.elements) best = std::min(best, distance_to(p, a, e)), a = e.end;
    return best;
}

double path_distance(PlanePoint p, const std::vector<MoveRecord>& moves) {
    double best = 1e300;
    for (const MoveRecord& m : moves)
        if (m.motion != kMotionRapid) best = std::min(best, distance_to(p, {m.start.x, m.start.y}, as_element(m)));
    return best;
}

std::vector<PlanePoint> polygon(const Contour& c) {
    std::vector<PlanePoint> poly;
    PlanePoint a = c.start;
    for (const Element& e : c.elements) sample(a, e, 0.05, poly), a = e.end;
    return poly;
}

// Even-odd rule on the contour drawn as fine segments.
bool inside(PlanePoint p, const std::vector<PlanePoint>& poly) {
    bool in = false;
    for (std::size_t i = 0, j = poly.size() - 1; i < poly.size(); j = i++) {
        const PlanePoint& s = poly[i];
        const PlanePoint& t = poly[j];
        if ((s.v > p.v) != (t.v > p.v) && p.u < (t.u - s.u) * (p.v - s.v) / (t.v - s.v) + s.u) in = !in;
    }
    return in;
}

std::string number(double v) {
    char b[32];
    std::snprintf(b, sizeof b, "%.6f", v);
    return b;
}

std::string nc_text(const Contour& c) {
    std::string out;
    PlanePoint a = c.start;
    for (const Element& e : c.elements) {
        out += e.arc ? (e.ccw ? "G03" : "G02") : "G01";
        out += " X" + number(e.end.u) + " Y" + number(e.end.v);
        if (e.arc) out += " I" + number(e.centre.u - a.u) + " J" + number(e.centre.v - a.v);
        out += "\n";
        a = e.end;
    }
    return out;
}

Element line(double u, double v) { return {false, false, {u, v}, {}}; }
Element arc(double u, double v, double cu, double cv, bool ccw) { return {true, ccw, {u, v}, {cu, cv}}; }

// A counter-clockwise closed contour from (30, 0) with corners that turn by many angles both
// ways (a sharp spike, obtuse and right angles, reflex corners), a convex arc tangent to the
// line before it, a concave arc and a sharp corner between a line and an arc.
Contour test_contour() {
    return {{30, 0},
            {line(60, 0), arc(60, 30, 60, 15, true), line(40, 32), line(55, 70), line(30, 55),
             line(20, 75), line(10, 50), arc(0, 30, -5, 45, false), line(-14, 27), line(5, 10),
             line(0, 0), line(30, 0)}};
}

// ---- The oracle: a closed contour run under compensation ----
// Protects against offsets on the wrong side, gouges at corners (a trimmed path that overshoots,
// an extension point inside the material), corner points that leave the contour untouched, and
// any inside corner reported as an interference although its paths meet.

struct OracleCase {
    const char* name;
    const char* mode;   // G41 or G42
    double approach;    // the approach starts at (30, approach): inside for G41, outside for G42
    bool tool_inside;
    int pre_read;
};

TEST(CompensationOracle, ToolPathKeepsItsDistanceFromEveryPartOfTheContour) {
    const double r = 3.0;
    for (const OracleCase& oc : {OracleCase{"G41 pocket", "G41", 20.0, true, 0},
                                 OracleCase{"G42 outline", "G42", -20.0, false, 0},
                                 OracleCase{"G41 pocket with look-ahead", "G41", 20.0, true, 10}}) {
        SCOPED_TRACE(oc.name);
        auto rg = rig("CHECK RADIUS OFFSET=STOP\nPRE READ=" + std::to_string(oc.pre_read) + "\n");
        rg->ctl.d[1].value = float(r);
        const Contour c = test_contour();
        const std::string program = "G00 X30 Y" + number(oc.approach) + "\n" + oc.mode + " G01 X30 Y0 D1 F100\n" +
                                    nc_text(c) + "G40 G01 X30 Y" + number(oc.approach) + "\n";
        const auto moves = rg->run(program);
        ASSERT_GT(moves.size(), c.elements.size());
        std::vector<PlanePoint> tool;
        for (const MoveRecord& m : moves) {
            EXPECT_FALSE(m.offset_alarm) << "line " << m.line;
            if (m.motion != kMotionRapid) sample({m.start.x, m.start.y}, as_element(m), 0.02, tool);
        }
        const std::vector<PlanePoint> poly = polygon(c);
        for (const PlanePoint& p : tool) {
            ASSERT_GE(contour_distance(p, c), r - 1e-6) << p.u << "," << p.v;
            ASSERT_EQ(inside(p, poly), oc.tool_inside) << p.u << "," << p.v;
        }
        // Every element is touched at distance r: its middle lies r from the tool path.
        PlanePoint a = c.start;
        for (const Element& e : c.elements) {
            std::vector<PlanePoint> pts;
            sample(a, e, 0.5, pts);
            EXPECT_NEAR(path_distance(pts[pts.size() / 2], moves), r, 1e-6) << e.end.u << "," << e.end.v;
            a = e.end;
        }
    }
}

// ---- Worked corners ----
// The outside corner between two lines through the programmed corner (0, 0), offset r = 2 to the
// left, the second line turning right by each angle: up to 90 degrees the one point where both
// offset lines meet, beyond it the two ends extended by |r|.
TEST(CompensationCorners, OutsideCornerPointsByTurn) {
    const double r = 2.0;
    for (double turn_deg : {10.0, 45.0, 89.0, 90.0, 91.0, 135.0, 179.0}) {
        SCOPED_TRACE(turn_deg);
        const double turn = turn_deg * kPi / 180;
        const PlanePoint t1{1, 0}, t2{std::cos(turn), -std::sin(turn)};
        const PlanePoint a_end{0, r}, b_start{-t2.v * r, t2.u * r};
        ASSERT_EQ(corner_kind(t1, t2, r), CornerKind::Outside);
        ASSERT_EQ(corner_kind(t1, t2, -r), CornerKind::Inside);
        const CornerPoints pts = outside_corner_points(a_end, t1, b_start, t2, {0, 0}, r);
        if (turn_deg <= 90.0) {
            ASSERT_EQ(pts.count, 1);
            // On both offset lines: r to the left of each.
            const PlanePoint q = pts.point[0];
            EXPECT_NEAR(q.v, r, 1e-12);
            EXPECT_NEAR(-t2.v * q.u + t2.u * q.v, r, 1e-12);
        } else {
            ASSERT_EQ(pts.count, 2);
            EXPECT_NEAR(pts.point[0].u, r, 1e-12);
            EXPECT_NEAR(pts.point[0].v, r, 1e-12);
            EXPECT_NEAR(pts.point[1].u, b_start.u - r * t2.u, 1e-12);
            EXPECT_NEAR(pts.point[1].v, b_start.v - r * t2.v, 1e-12);
        }
        for (int i = 0; i < pts.count; ++i) EXPECT_GE(gap(pts.point[std::size_t(i)], {0, 0}), r - 1e-12);
    }
}

// A drilling cycle while G41 is in force: its moves are not offset, the program is told so, and
// the path stays one chain (each move starts where the one before ended) before, through and
// after the holes, under the one-move and the n-block look-ahead.
TEST(CompensationCorners, CycleUnderCompensationKeepsTheChainAndIsNamed) {
    for (const char* pre_read : {"PRE READ=0\n", "PRE READ=5\n"}) {
        auto r = rig(pre_read);
        r->ctl.d[1].value = 5.0f;
        const auto moves = r->run("G41 G01 X0 Y0 D1 F100\nY20\nG99 G81 X10 Y10 Z-5 R2\nX15\nG80\n"
                                  "G01 X20 Y20\nY0\nG40 X30\n",
                                  {-20, 0, 10});
        ASSERT_GT(moves.size(), 8u) << pre_read;
        for (std::size_t i = 1; i < moves.size(); ++i) expect_point(moves[i].start, moves[i - 1].end.x, moves[i - 1].end.y, moves[i - 1].end.z, 1e-9);
        EXPECT_EQ(no_effect_summary(r->in.no_effect), "radius compensation on cycle moves (line 3) had no effect")
            << pre_read;
    }
}

// A square run clockwise under G41 D1 = 5 keeps the tool outside; every 90 degree corner gets
// one point, 5 beyond the corner along each side; a corner that turns further gets two.
TEST(CompensationCorners, ClockwiseSquareUnderG41) {
    auto r = rig();
    r->ctl.d[1].value = 5.0f;
    const auto moves = r->run("G41 G01 X0 Y0 D1 F100\nY20\nX20\nY0\nX0\nG40 X-20\n", {-20, 0, 0});
    std::vector<Vec3> ends;
    for (const MoveRecord& m : moves) ends.push_back(m.end);
    // Start-up hop, approach trimmed at the inside corner (-5, 5), then at each outside corner
    // the one point (-5, 25), (25, 25), (25, -5), and the cancel from the last offset end.
    const std::vector<Vec3> expected{{-20, 5, 0}, {-5, 5, 0}, {-5, 20, 0}, {-5, 25, 0}, {0, 25, 0},
                                     {20, 25, 0}, {25, 25, 0}, {25, 20, 0}, {25, 0, 0}, {25, -5, 0},
                                     {20, -5, 0}, {0, -5, 0}, {-20, 0, 0}};
    ASSERT_EQ(ends.size(), expected.size());
    for (std::size_t i = 0; i < ends.size(); ++i) expect_point(ends[i], expected[i].x, expected[i].y, 0, 1e-9);
    // Turning back by 135 degrees: the two extension points.
    auto s = rig();
    s->ctl.d[1].value = 1.0f;
    const auto sharp = s->run("G41 G01 X0 Y0 D1 F100\nX10\nX0 Y-10\nG40 X-20 Y-10\n", {-20, 0, 0});
    ASSERT_GE(sharp.size(), 5u);
    expect_point(sharp[3].end, 11, 1, 0, 1e-9);  // the first path's end + |r| along it
    const double s2 = std::sqrt(0.5);
    expect_point(sharp[4].end, 10 + 2 * s2, 0, 0, 1e-9);  // the next start - |r| along it
}

// ---- Arcs ----

TEST(CompensationArcs, ConcaveArcFeedAndTheReverseArcAlarm) {
    // G03 R10 with the tool on its inside: offset radius 5, feed halved unless KEEP.
    const std::string program = "G41 G01 X10 Y0 D1 F200\nG03 X-10 Y0 I-10 J0\nG40 G01 X-10 Y20\n";
    for (const char* feed_key : {"", "CONCAVE-ARC FEED=KEEP\n"}) {
        auto r = rig(feed_key);
        r->ctl.d[1].value = 5.0f;
        const auto moves = r->run(program, {10, -20, 0});
        const auto a = std::find_if(moves.begin(), moves.end(), [](const MoveRecord& m) { return m.motion == kMotionCcw; });
        ASSERT_NE(a, moves.end());
        EXPECT_NEAR(a->start_radius, 5.0, 1e-9);
        expect_point(a->centre, 0, 0, 0);
        EXPECT_DOUBLE_EQ(a->feedrate, *feed_key ? 200.0 : 100.0);
    }
    // Radius 4 under offset 5: alarm 6 only with the check on.
    for (bool check : {false, true}) {
        auto r = rig(check ? "CHECK REVERSE ARC=YES\n" : "");
        r->ctl.d[1].value = 5.0f;
        r->run("G41 G01 X4 Y0 D1 F200\nG03 X-4 Y0 I-4 J0\nG40 G01 X-4 Y20\n", {4, -20, 0});
        EXPECT_EQ(alarm_code(r->in), check ? kAlarmReverseArc : 0);
    }
}

// A full circle under G41 and G42 keeps its centre and closes at radius R -/+ r; start-up and
// cancel on an arc: the start-up reaches the arc's offset start straight, the cancel arc runs
// from the last offset end to the programmed end round the same centre.
TEST(CompensationArcs, FullCircleAndStartUpAndCancelOnArcs) {
    for (const char* side : {"G41", "G42"}) {
        auto r = rig();
        r->ctl.d[1].value = 2.0f;
        const auto moves = r->run(std::string(side) + " G02 X20 Y0 I-10 J0 D1 F100\nG40 G02 X0 Y0 I-10 J0\n", {20, 0, 0});
        ASSERT_EQ(moves.size(), 3u);
        const double expect_r = side[2] == '1' ? 12.0 : 8.0;
        expect_point(moves[0].end, 10 + expect_r, 0, 0);  // start-up hop
        EXPECT_NEAR(moves[1].sweep, 2 * kPi, 1e-9);
        EXPECT_NEAR(moves[1].start_radius, expect_r, 1e-9);
        expect_point(moves[1].centre, 10, 0, 0);
        EXPECT_NEAR(moves[2].start_radius, expect_r, 1e-9);  // cancel: a spiral back to radius 10
        EXPECT_NEAR(moves[2].end_radius, 10.0, 1e-9);
        expect_point(moves[2].end, 0, 0, 0);
    }
}

// ---- Start, cancel, G40 alone, D change ----

TEST(CompensationModes, LoneG40ResetCancelsAtOnceAndOffsetWaitsForTheNextMove) {
    for (int mode : {kOnlyG40Reset, kOnlyG40Offset}) {
        SCOPED_TRACE(mode);
        auto r = rig();
        r->ctl.d[1].value = 2.0f;
        r->ctl.only_g40 = mode;
        const auto moves = r->run("G41 G01 X0 Y0 D1 F100\nX10\nG40\nX20 Y10\n", {0, -10, 0});
        ASSERT_GE(moves.size(), 2u);
        const MoveRecord& last = moves.back();
        if (mode == kOnlyG40Reset) {
            // The lone G40 went back to (10, 0); the next move starts at the programmed point.
            expect_point(moves[moves.size() - 2].end, 10, 0, 0);
            expect_point(last.start, 10, 0, 0);
        } else {
            expect_point(last.start, 10, 2, 0);  // the cancel move leaves from the offset end
        }
        expect_point(last.end, 20, 10, 0);
    }
}

// A program ending with G40 alone under OFFSET still takes the tool back to the contour.
TEST(CompensationModes, ProgramEndMakesThePendingCancel) {
    auto r = rig();
    r->ctl.d[1].value = 2.0f;
    const auto moves = r->run("G41 G01 X0 Y0 D1 F100\nX10\nG40\n", {0, -10, 0});
    ASSERT_FALSE(moves.empty());
    expect_point(moves.back().end, 10, 0, 0);
}

// A new D value while active: the path after it runs at the new distance.
TEST(CompensationModes, DChangeWhileActive) {
    auto r = rig();
    r->ctl.d[1].value = 2.0f;
    r->ctl.d[2].value = 4.0f;
    const auto moves = r->run("G41 G01 X0 Y0 D1 F100\nX10\nD2 X20\nG40 Y-10\n", {0, -10, 0});
    const auto at = [&](double x) {
        for (const MoveRecord& m : moves)
            if (m.motion == kMotionLinear && m.start.y == m.end.y && m.start.x < x && m.end.x > x) return m.start.y;
        return -1.0;
    };
    EXPECT_NEAR(at(5), 2.0, 1e-9);
    EXPECT_NEAR(at(15), 4.0, 1e-9);
}

// ---- Moves along the normal axis between contour moves ----
// Between the two paths of an inside corner at (20, 0) stand blocks without travel in the plane.
// While the next contour move comes within the look-ahead, the Z moves wait at the trimmed end
// (18, 2) and the plane path is the one of the program without them; otherwise the path ends
// at its perpendicular offset (20, 2), the corner can no longer be trimmed, and its connecting
// move is an interference. Calls and returns of a subprogram do not break the path.
TEST(CompensationLookAhead, BlocksBetweenContourMoves) {
    struct Case {
        int pre_read;
        const char* between;  // after "X20", before "Y20"
        bool breaks;
    };
    const Case cases[] = {
        {0, "Z-1\nM08\nZ-2\n", true},       // PRE READ 0: only the very next block
        {10, "Z-1\nM08\nZ-2\n", false},
        {3, "Z-1\nM08\nZ-2\n", true},       // Y20 is the 4th block after X20
        {4, "Z-1\nM08\nZ-2\n", false},
        {0, "M08\n", true},                  // a block without a move counts too
        {10, "M98 P1\n", false},             // Z-1, Z-2 and M99 in the subprogram
    };
    auto plain = rig("PRE READ=10\n");
    plain->ctl.d[1].value = 2.0f;
    const auto reference = plain->run("G41 G01 X0 Y0 D1 F100\nZ-2\nX20\nY20\nG40 X0\n", {0, -10, 0});
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.pre_read) + " " + c.between);
        auto r = rig("RUN TYPE=MEMORY\nCHECK RADIUS OFFSET=STOP\nPRE READ=" + std::to_string(c.pre_read) + "\n");
        r->ctl.d[1].value = 2.0f;
        r->in.hooks.subprogram = [](void*, Interp& in, const BlockWords& b) {
            if (b.call == 98) return push_memory_program(*in.reader, "Z-1\nZ-2\nM99\n", 0, "O1");
            return pop_subprogram(*in.reader);
        };
        const auto moves = r->run("G41 G01 X0 Y0 D1 F100\nX20\n" + std::string(c.between) + "Y20\nG40 X0\nM30\n",
                                  {0, -10, 0});
        const bool alarm = std::any_of(moves.begin(), moves.end(), [](const MoveRecord& m) { return m.offset_alarm; });
        EXPECT_EQ(alarm, c.breaks);
        for (const MoveRecord& m : moves)
            if (m.start.z != m.end.z) expect_point({m.end.x, m.end.y, 0}, c.breaks ? 20 : 18, 2, 0);
        if (c.breaks) continue;
        std::vector<Vec3> a, b;
        for (const MoveRecord& m : moves)
            if (m.start.x != m.end.x || m.start.y != m.end.y) a.push_back(m.end);
        for (const MoveRecord& m : reference)
            if (m.start.x != m.end.x || m.start.y != m.end.y) b.push_back(m.end);
        ASSERT_EQ(a.size(), b.size());
        for (std::size_t i = 0; i < a.size(); ++i) expect_point({a[i].x, a[i].y, 0}, b[i].x, b[i].y, 0);
    }
}

// A stop that the run asks for before every block waits while the look-ahead holds a path (the
// path would be cut only after the stop, out of order with its block); without look-ahead every
// block may stop.
TEST(CompensationLookAhead, StopsWaitWhileThePathIsHeld) {
    for (int pre_read : {0, 10}) {
        auto r = rig("PRE READ=" + std::to_string(pre_read) + "\n");
        r->ctl.d[1].value = 2.0f;
        r->program = "G41 G01 X0 Y0 D1 F100\nX20\nY20\nG40 X0\nM05\n";
        reset_interp(r->in, {0, -10, 0});
        open_main_bytes(r->reader, r->program);
        StopInput stops{StopScope::Everything, 0, true};
        std::string lines;
        for (int calls = 0; calls < 100; ++calls) {
            const Next next = next_step(r->in, stops);
            if (next.step == Step::Stop) lines += std::to_string(r->reader.line_number);
            if (next.step == Step::End) break;
        }
        EXPECT_EQ(lines, pre_read ? "15" : "12345") << pre_read;
    }
}

// An outside corner after Z moves: the inserted points take the height the Z moves left.
TEST(CompensationLookAhead, CornerPointsTakeTheHeightOfTheZMoves) {
    auto r = rig("PRE READ=5\n");
    r->ctl.d[1].value = 2.0f;
    const auto moves = r->run("G41 G01 X0 Y0 D1 F100\nX20\nZ-3\nY-20\nG40 X0\n", {0, 10, 0});
    const auto corner = std::find_if(moves.begin(), moves.end(), [](const MoveRecord& m) {
        return std::fabs(m.end.x - 22) < 1e-9 && std::fabs(m.end.y - 2) < 1e-9;
    });
    ASSERT_NE(corner, moves.end());
    EXPECT_DOUBLE_EQ(corner->end.z, -3.0);
}

// ---- Planes, mirror, swapped axes ----
// The same contour in G17, G18 and G19, mirrored in X and under a controller whose X and Y
// letters are swapped: the tool stays on the programmed side in each (the material side of a
// G41 pocket is outside the offset path), checked by the distance of the first path from the
// programmed line and the side it lies on.
TEST(CompensationPlanes, SideFollowsPlaneMirrorAndSwappedAxes) {
    struct Case {
        const char* name;
        const char* ctl;
        const char* program;
        Vec3 probe;  // the tool's end of the first contour move
    };
    const Case cases[] = {
        {"G17", "", "G17 G41 G01 X0 Y0 D1 F100\nX10\nG40 Y-10\n", {10, 2, 0}},
        {"G18 (Z, X)", "", "G18 G41 G01 Z0 X0 D1 F100\nZ10\nG40 X-10\n", {2, 0, 10}},
        {"G19 (Y, Z)", "", "G19 G41 G01 Y0 Z0 D1 F100\nY10\nG40 Z-10\n", {0, 10, 2}},
        {"G17 mirrored in X", "", "G51.1 X0\nG41 G01 X0 Y0 D1 F100\nX10\nG40 Y-10\n", {-10, 2, 0}},
        {"X and Y letters swapped", "X-CODE=Y\nY-CODE=X\n", "G41 G01 X0 Y0 D1 F100\nX10\nG40 Y-10\n", {2, 10, 0}},
        {"G42 under G17", "", "G42 G01 X0 Y0 D1 F100\nX10\nG40 Y10\n", {10, -2, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto r = rig(c.ctl);
        r->ctl.d[1].value = 2.0f;
        const auto moves = r->run(c.program);
        ASSERT_GE(moves.size(), 2u);
        // The held first path ends perpendicular to its end, as the next is the cancel.
        bool found = false;
        for (const MoveRecord& m : moves) found = found || (length(m.end - c.probe) < 1e-9);
        EXPECT_TRUE(found);
    }
}

// ---- G39 ----
TEST(CompensationCorners, G39MakesACornerArcRoundTheProgrammedCorner) {
    auto r = rig();
    r->ctl.d[1].value = 5.0f;
    const auto moves = r->run("G41 G01 X0 Y0 D1 F100\nY20\nG39 X20\nG40 Y40\n", {-20, 0, 0});
    const auto a = std::find_if(moves.begin(), moves.end(), [](const MoveRecord& m) { return m.motion == kMotionCw; });
    ASSERT_NE(a, moves.end());
    expect_point(a->centre, 0, 20, 0);
    expect_point(a->start, -5, 20, 0);
    expect_point(a->end, 0, 25, 0);
    EXPECT_NEAR(a->sweep, kPi / 2, 1e-9);
}

// ---- Interference and the alarm list ----
// An inside corner whose offset paths cannot meet (a step narrower than the offset): the tool
// follows a straight connecting move, which carries the offset-alarm flag, and the list gets
// its entry with the offset value and the block, byte for byte.
TEST(CompensationInterference, NarrowStepIsListedInTheAlarmFile) {
    const auto dir = std::filesystem::temp_directory_path() / "vornex_comp_alarm";
    std::filesystem::create_directories(dir);
    auto r = rig("CHECK RADIUS OFFSET=STOP+LIST\n");
    r->ctl.d[1].value = 5.0f;
    begin_alarm_list(r->in.alarm_list, dir.string() + "/");
    const auto moves = r->run("G41 G01 X0 Y0 D1 F100\nX20\nY2\nX40\nG40 Y-20\n", {0, -20, 0});
    EXPECT_TRUE(end_alarm_list(r->in.alarm_list));
    int flagged = 0;
    for (const MoveRecord& m : moves) flagged += m.offset_alarm ? 1 : 0;
    EXPECT_GE(flagged, 1);
    std::ifstream f(dir / "alarm.txt", std::ios::binary);
    std::stringstream bytes;
    bytes << f.rdbuf();
    EXPECT_EQ(bytes.str(),
              "<<< ALARM INFORMATION >>>\n--------------\nINTERFERENCE IN RADIUS(5.000) OFFSET\n3:Y2\n");
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace vx::nc
