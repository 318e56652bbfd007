#include "sim/whole_move.h"
#include "sim/whole_move_helix.h"
#include "sim/whole_move_ramp.h"

#include "sim/kernel_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace vx::sim {
namespace {

using testing::make_body;
using testing::make_tool;
using testing::tool_record;

constexpr double kPitch = 0.1;
constexpr int kCells = 90;  // 8.9 mm square
constexpr double kSampleStep = kPitch / 10.0;

// ---- Fixtures ----

// Besides the fixture's shapes: a taper ball as the tool file makes it, its diameter from the
// ball radius and the side angle so that the side is tangent to the ball.
constexpr int kTangentTaperBall = testing::kShapeKinds;

ToolRecord shape(int kind, double d) {
    if (kind == kTangentTaperBall) {
        const double r = d / 2, b = 3.0 * M_PI / 180.0;
        ToolRecord t = tool_record(kToolTaperBall, 2.0 * r * (std::cos(b) + std::sin(b) * std::tan(b) - std::tan(b)), r);
        t.beta = 3.0f;
        t.h = 1.5f;
        return t;
    }
    ToolRecord t = testing::shape_of_kind(kind, d);
    t.h = 1.5f;
    return t;
}
constexpr int kShapes = testing::kShapeKinds;

// A neck and a stepped holder above the blade, so that the arbor check's cut and abort modes meet
// material.
CurrentTool tool_with_holder(const ToolRecord& t) {
    LengthRecord l;
    l.kind = kLength2;
    l.L = {t.d + 1.5f, t.d + 0.3f, 0.6f, 20.0f, 10.0f, t.d + 1.6f};  // neck above the blade, holder above the neck
    HolderRecord h;
    h.defined = 1;
    h.kind = kHolderSteps;
    h.count = 2;
    h.diameters = {t.d + 3.0f, t.d + 5.0f};
    h.heights = {0.5f, 0.8f};
    return make_tool(t, kPitch, l, h);
}

// A wavy surface between about 6.5 and 9.6 with noise, so every zone meets material somewhere.
void roughen(Workpiece& wp, std::mt19937& rng) {
    std::uniform_real_distribution<double> noise(0.0, 0.6);
    const GridGeometry& g = wp.geometry;
    for (int j = 0; j < g.ny; ++j)
        for (int i = 0; i < g.nx; ++i) {
            const double x = i * g.pitch, y = j * g.pitch;
            wp.height.data[j * g.nx + i] = float(8.6 + std::sin(0.7 * x) * std::cos(0.5 * y) - noise(rng));
        }
    recompute_highest(wp);
}

void copy_workpiece(const Workpiece& from, Workpiece& to) {
    const std::size_t n = std::size_t(from.geometry.cell_count);
    std::memcpy(to.height.data, from.height.data, n * sizeof(float));
    std::memcpy(to.attribute.data, from.attribute.data, n);
    std::memcpy(to.line_number.data, from.line_number.data, n * sizeof(std::int32_t));
    to.highest = from.highest;
    to.modification_state = from.modification_state;
}

// The reference: the kernel at positions start + k (end - start) / n, k = 1..n, a tenth of the
// pitch apart, with direction recording off as in the fast runs.
// Arcs of the trials: swept angle and direction besides the move record.
struct ArcShape {
    double start_angle = 0, sweep = 0, direction = 0;  // direction 0: a straight move
};

void sample_with_kernel(Workpiece& wp, const CurrentTool& tool, const Checks& checks, const WholeMove& m,
                        const ArcShape& arc, SweepResult& any, double step = kSampleStep) {
    const double dx = m.end[0] - m.start[0], dy = m.end[1] - m.start[1], dz = m.end[2] - m.start[2];
    const double length = arc.direction != 0 ? m.radius * arc.sweep : std::sqrt(dx * dx + dy * dy + dz * dz);
    const int n = std::max(1, int(std::ceil(length / step)));
    KernelContext context;
    SweepResult r;
    double px = m.start[0], py = m.start[1];
    for (int k = 1; k <= n; ++k) {
        SweepStep s;
        s.x = m.start[0] + dx * k / n;
        s.y = m.start[1] + dy * k / n;
        if (arc.direction != 0) {
            const double a = arc.start_angle + arc.direction * arc.sweep * k / n;
            s.x = m.centre[0] + m.radius * std::cos(a);
            s.y = m.centre[1] + m.radius * std::sin(a);
        }
        s.z = m.start[2] + dz * k / n;
        s.dx = s.x - px, s.dy = s.y - py, s.dz = dz / n;
        px = s.x, py = s.y;
        s.run_type = kRunMoveStep;
        s.step_number = k;
        s.motion = m.motion;
        s.feed = m.feed;
        s.line_number = m.line_number;
        s.paint = m.paint;
        s.recording = false;
        sweep_at_position(wp, tool, checks, s, context, r);
        any.changed |= r.changed;
        any.rapid_interference |= r.rapid_interference;
        any.taper |= r.taper;
        any.holder |= r.holder;
    }
}

// Distance of a cell from the path as the envelope sees it; negative behind the start.
double path_distance(const WholeMove& m, double X, double Y) {
    const double dx = m.end[0] - m.start[0], dy = m.end[1] - m.start[1];
    const double L2 = dx * dx + dy * dy, wx = X - m.start[0], wy = Y - m.start[1];
    const double u = (wx * dx + wy * dy) / L2;
    if (u <= 0.0) return -1.0;
    if (u <= 1.0) return std::fabs(wx * dy - wy * dx) / std::sqrt(L2);
    return std::hypot(X - m.end[0], Y - m.end[1]);
}

// Distance of a cell from an arc; negative where the start is the nearest point of the path.
double arc_distance(const WholeMove& m, const ArcShape& arc, double X, double Y) {
    const double vx = X - m.centre[0], vy = Y - m.centre[1];
    double angle = arc.direction * (std::atan2(vy, vx) - arc.start_angle);
    angle -= 2.0 * M_PI * std::floor(angle / (2.0 * M_PI));
    if (angle > 1e-9 && angle <= arc.sweep) return std::fabs(std::hypot(vx, vy) - m.radius);
    if (angle - arc.sweep > 2.0 * M_PI - angle || angle <= 1e-9) return -1.0;
    return std::hypot(X - m.end[0], Y - m.end[1]);
}

// XY distance of a cell from a helix's whole path, both ends included (a descending helix cuts
// behind its start, as a descending ramp does).
double helix_distance(const WholeMove& m, const ArcShape& arc, double X, double Y) {
    const double vx = X - m.centre[0], vy = Y - m.centre[1];
    double angle = arc.direction * (std::atan2(vy, vx) - arc.start_angle);
    angle -= 2.0 * M_PI * std::floor(angle / (2.0 * M_PI));
    if (angle <= arc.sweep) return std::fabs(std::hypot(vx, vy) - m.radius);
    return std::min(std::hypot(X - m.start[0], Y - m.start[1]), std::hypot(X - m.end[0], Y - m.end[1]));
}

// XY distance of a cell from the whole path, both ends included (inclined moves).
double segment_distance(const WholeMove& m, double X, double Y) {
    const double dx = m.end[0] - m.start[0], dy = m.end[1] - m.start[1];
    const double L2 = dx * dx + dy * dy, wx = X - m.start[0], wy = Y - m.start[1];
    const double u = L2 > 0.0 ? std::clamp((wx * dx + wy * dy) / L2, 0.0, 1.0) : 0.0;
    return std::hypot(wx - u * dx, wy - u * dy);
}

// Within `width` of a radius where the tool's surface jumps (blade, neck, holder rings): there
// whether a sampled position reaches the cell at all depends on the sample spacing.
bool near_wall(const Profile& p, double d, double width) {
    if (std::fabs(d - p.rb) < width || std::fabs(d - p.rn) < width) return true;
    for (int i = 0; i <= p.holder_count; ++i)
        if (std::fabs(d - p.holder_radius[i]) < width) return true;
    return false;
}

struct Comparison {
    int cut_cells = 0;       // cells the envelope lowered
    int compared_both = 0;   // cells both lowered, attributes compared
    int zone_cells = 0;      // cells the envelope lowered outside the cutting edge (paint bit, paint off)
};

// Heights: the envelope never leaves more than the sampling (it is the limit of ever finer
// sampling), and leaves at most one pitch less except at a surface jump. Sampling a tenth of
// the pitch apart puts a sample within s/2 of every foot point (s near the start), so the
// sampled distance exceeds the true one by at most s; the steepest non-vertical parts of the
// profiles here (ball and corner circles near their rim) then differ by well under a pitch.
Comparison compare(const Workpiece& original, const Workpiece& whole, const Workpiece& sampled, const Profile& p,
                   const WholeMove& m, const ArcShape& arc, const std::string& where) {
    Comparison c;
    const GridGeometry& g = original.geometry;
    int failures = 0;
    for (int j = 0; j < g.ny && failures < 5; ++j)
        for (int i = 0; i < g.nx && failures < 5; ++i) {
            const int cell = j * g.nx + i;
            const bool level = m.start[2] == m.end[2];
            const double X = i * g.pitch, Y = j * g.pitch;
            const double d = arc.direction != 0 ? (level ? arc_distance(m, arc, X, Y) : helix_distance(m, arc, X, Y))
                             : level            ? path_distance(m, X, Y)
                                                : segment_distance(m, X, Y);
            const float h0 = original.height.data[cell], hw = whole.height.data[cell], hk = sampled.height.data[cell];
            const std::string at = where + " cell " + std::to_string(i) + "," + std::to_string(j);
            if (d < 0.0) {
                EXPECT_EQ(hw, h0) << at << ": behind the start";
                failures += hw != h0;
                continue;
            }
            EXPECT_LE(hw, hk + 1e-5f) << at << " d " << d << " h0 " << h0 << " z " << m.start[2] << " rb " << p.rb;
            failures += !(hw <= hk + 1e-5f);
            if (!near_wall(p, d, kSampleStep)) {
                EXPECT_LE(hk - hw, kPitch) << at << " d " << d;
                failures += !(hk - hw <= kPitch);
            }
            if (hw < h0) ++c.cut_cells;
            if (hw < h0 && !m.paint && (whole.attribute.data[cell] & kPaintBit)) ++c.zone_cells;
            // Paint marks spill one cell from cells only one side cut.
            if (hw < h0 && hk < h0 && !near_wall(p, d, kSampleStep + 1.5 * g.pitch)) {
                ++c.compared_both;
                EXPECT_EQ(whole.attribute.data[cell], sampled.attribute.data[cell]) << at;
                EXPECT_EQ(whole.line_number.data[cell], sampled.line_number.data[cell]) << at;
                failures += whole.attribute.data[cell] != sampled.attribute.data[cell];
            }
        }
    return c;
}

// ---- Straight moves at constant Z ----
// Protects against envelopes that cut too little or too much against what the kernel leaves
// when it steps the same move finely: wrong distance rule (perpendicular, end cap, behind the
// start), rows ended early, wrong zones, attributes or line numbers.

// Three parallel bands that take every move, however small.
BandPool& three_bands() {
    static BandPool pool;
    if (pool.bands == 0) {
        start_workers(pool, 3);
        pool.min_cells = 0;
    }
    return pool;
}

// The move split over the bands, with a view following it, leaves every bit as on one thread.
void expect_same_on_bands(const Workpiece& original, const CurrentTool& tool, const Checks& checks, WholeMove m,
                          const std::string& where) {
    const ScreenProjection screen{3.0, -1.0, 0.5, 100.0, 1.0, 2.0, -4.0, 50.0};
    m.projection = &screen;
    auto alone = make_body(kCells, kCells, kPitch, 9.0);
    auto banded = make_body(kCells, kCells, kPitch, 9.0);
    copy_workpiece(original, *alone);
    copy_workpiece(original, *banded);
    SweepResult one, three;
    const int status = whole_move_step(*alone, tool, checks, m, one);
    BandPool& pool = three_bands();
    const std::int64_t runs = pool.runs;
    m.pool = &pool;
    EXPECT_EQ(whole_move_step(*banded, tool, checks, m, three), status) << where;
    if (status == 0 && one.changed) {
        EXPECT_GT(pool.runs, runs) << where;
    }
    testing::expect_same_results(one, three, where + " on bands");
    EXPECT_EQ(one.cells_examined, three.cells_examined) << where;
    EXPECT_TRUE(testing::same_layers(*alone, *banded)) << where << " on bands";
}

struct Trial {
    int shape;
    ArborCheck arbor;
    int direction;  // 0 along X, 1 along Y, 2 any, 3 none (a plunge; inclined only)
    bool paint, rapid;
    bool incline = false;
    bool arc = false;
    bool short_arc = false;  // a few degrees of a circle larger than the grid's half
};

// Returns whether the move was covered.
bool run_trial(const Trial& t, std::mt19937& rng, int* zone_cells = nullptr) {
    std::uniform_real_distribution<double> u(0.0, 1.0);
    const ToolRecord record = shape(t.shape, 1.5 + 3.0 * u(rng));
    const bool shapes = t.arbor >= ArborCheck::Cut;
    const CurrentTool tool = shapes ? tool_with_holder(record) : make_tool(record, kPitch);
    const double depth = shapes ? record.d : 0.0;  // low enough for the neck to cut
    Checks checks = testing::plain_checks();
    checks.arbor = t.arbor;

    auto original = make_body(kCells, kCells, kPitch, 9.0);
    roughen(*original, rng);
    WholeMove m;
    const double span = (kCells - 1) * kPitch, len = 0.3 + 2.5 * u(rng), angle = 2.0 * M_PI * u(rng);
    double ddx = t.direction == 1 ? 0.0 : t.direction == 0 ? (u(rng) < 0.5 ? len : -len) : len * std::cos(angle);
    double ddy = t.direction == 0 ? 0.0 : t.direction == 1 ? (u(rng) < 0.5 ? len : -len) : len * std::sin(angle);
    if (t.direction == 3) ddx = ddy = 0.0;
    m.start[0] = span / 2 - ddx / 2 + (u(rng) - 0.5);
    m.start[1] = span / 2 - ddy / 2 + (u(rng) - 0.5);
    m.start[2] = m.end[2] = 6.8 + 1.5 * u(rng) - depth;
    m.end[0] = m.start[0] + ddx;
    m.end[1] = m.start[1] + ddy;
    if (t.incline) {
        // Down or up by up to 1.5 mm, never level.
        const double rise = (0.1 + 1.4 * u(rng)) * (u(rng) < 0.6 || t.direction == 3 ? -1.0 : 1.0);
        m.start[2] = 7.5 - rise / 2;
        m.end[2] = 7.5 + rise / 2;
    }
    m.motion = t.rapid ? kMotionRapid : kMotionLinear;
    m.feed = 1000;
    m.paint = t.paint;
    m.line_number = 1 + int(100 * u(rng));
    m.run_type = kRunMoveStep;
    ArcShape arc;
    if (t.arc) {
        // Radius 0.6 to 1.8 (helices 0.4 to 3.0) about the middle, any start, a quarter to three
        // quarters of a turn or a full circle.
        arc.direction = u(rng) < 0.5 ? 1.0 : -1.0;
        arc.start_angle = 2.0 * M_PI * u(rng);
        arc.sweep = u(rng) < 0.15 ? 2.0 * M_PI : 0.5 * M_PI + M_PI * u(rng);
        m.radius = t.incline ? 0.4 + 2.6 * u(rng) : 0.6 + 1.2 * u(rng);
        m.centre[0] = span / 2 + (u(rng) - 0.5);
        m.centre[1] = span / 2 + (u(rng) - 0.5);
        if (t.short_arc) {
            // 3 to 35 degrees of a radius of 4 to 12 mm, its middle near the grid's: most of the
            // circle lies off the grid, and the band is a thin sector of its annulus.
            arc.sweep = 0.05 + 0.55 * u(rng);
            m.radius = 4.0 + 8.0 * u(rng);
            const double middle = arc.start_angle + arc.direction * arc.sweep / 2;
            m.centre[0] = span / 2 + (u(rng) - 0.5) - m.radius * std::cos(middle);
            m.centre[1] = span / 2 + (u(rng) - 0.5) - m.radius * std::sin(middle);
        }
        m.motion = arc.direction > 0 ? kMotionArcCcw : kMotionArcCw;
        m.start[0] = m.centre[0] + m.radius * std::cos(arc.start_angle);
        m.start[1] = m.centre[1] + m.radius * std::sin(arc.start_angle);
        const double end_angle = arc.start_angle + arc.direction * arc.sweep;
        m.end[0] = arc.sweep == 2.0 * M_PI ? m.start[0] : m.centre[0] + m.radius * std::cos(end_angle);
        m.end[1] = arc.sweep == 2.0 * M_PI ? m.start[1] : m.centre[1] + m.radius * std::sin(end_angle);
    }
    if (t.incline) {
        // The previous move ended at A: both copies start from the tool having stood there.
        KernelContext context;
        SweepResult first;
        SweepStep at_start;
        at_start.x = m.start[0], at_start.y = m.start[1], at_start.z = m.start[2];
        at_start.recording = false;
        sweep_at_position(*original, tool, checks, at_start, context, first);
    }
    auto whole = make_body(kCells, kCells, kPitch, 9.0);
    auto sampled = make_body(kCells, kCells, kPitch, 9.0);
    copy_workpiece(*original, *whole);
    copy_workpiece(*original, *sampled);

    SweepResult rw, rk;
    const int status = whole_move_step(*whole, tool, checks, m, rw);
    const std::string where = "shape " + std::to_string(t.shape) + " arbor " + std::to_string(int(t.arbor)) +
                              " dir " + std::to_string(t.direction);
    expect_same_on_bands(*original, tool, checks, m, where);
    if (status == -1) {
        EXPECT_EQ(std::memcmp(whole->height.data, original->height.data, sizeof(float) * kCells * kCells), 0) << where;
        return false;
    }
    EXPECT_EQ(status, 0) << where;
    sample_with_kernel(*sampled, tool, checks, m, arc, rk);
    const Comparison c = compare(*original, *whole, *sampled, tool.profile, m, arc, where);
    EXPECT_GT(c.cut_cells, 0) << where;
    EXPECT_GT(c.compared_both, 0) << where;
    if (zone_cells) *zone_cells += c.zone_cells;
    EXPECT_EQ(rw.changed, c.cut_cells > 0) << where;
    // The envelope cuts a superset of the sampled cells in the same zones.
    if (rk.rapid_interference) {
        EXPECT_TRUE(rw.rapid_interference) << where;
    }
    EXPECT_EQ(whole->modification_state, kModified) << where;
    return true;
}

TEST(WholeMoveConstantZ, MatchesFineSamplingForEveryShapeAndDirection) {
    std::mt19937 rng(20261208);
    for (int shape_kind = 0; shape_kind < kShapes; ++shape_kind)
        for (int direction = 0; direction < 3; ++direction) {
            const bool paint = (shape_kind + direction) % 2 == 1;
            const bool covered = run_trial({shape_kind, ArborCheck::Ignore, direction, paint, false}, rng);
            // Taper ball, radius mill and concave corner may step down towards the rim (by their
            // proportions) and are then handed back; the others always rise.
            if (shape_kind != 5 && shape_kind != 8 && shape_kind != 9) {
                EXPECT_TRUE(covered) << "shape " << shape_kind;
            }
        }
}

TEST(WholeMoveConstantZ, MatchesFineSamplingWithNeckAndHolderZones) {
    std::mt19937 rng(7);
    int zone_cells = 0;
    for (int shape_kind : {0, 1, 2, 3})
        for (int direction = 0; direction < 3; ++direction)
            EXPECT_TRUE(run_trial({shape_kind, ArborCheck::Cut, direction, false, false}, rng, &zone_cells))
                << "shape " << shape_kind;
    EXPECT_GT(zone_cells, 0) << "the neck and holder never met material";
}

TEST(WholeMoveConstantZ, RapidUnderTheRapidCheckPaintsAndFlagsLikeTheKernel) {
    std::mt19937 rng(11);
    for (int shape_kind : {0, 1, 2}) EXPECT_TRUE(run_trial({shape_kind, ArborCheck::Ignore, 2, false, true}, rng));
}

// ---- Inclined straight moves ----
// Protects against a wrong envelope of the tool moving in Z as well: the minimum over the path
// taken at the wrong end, a search that stops short of it, the band missing what positions past
// the start reach behind it, ramps in the XZ and YZ planes and plunges.

// Flat, ball, bull, drill, general (tip flat, cone, corner, tapered side) and taper ball.
TEST(WholeMoveInclined, MatchesFineSamplingForEveryConvexEdge) {
    std::mt19937 rng(4242);
    for (int shape_kind : {0, 1, 2, 3, 4, kTangentTaperBall})
        for (int direction = 0; direction < 4; ++direction)
            for (int rep = 0; rep < 2; ++rep)
                EXPECT_TRUE(run_trial({shape_kind, ArborCheck::Ignore, direction, rep == 0, rep == 1, true}, rng))
                    << "shape " << shape_kind << " direction " << direction;
}

// A cone of slope k ramped at slope m (|m| < k) has a closed-form envelope: over a cell `along`
// the path and `cross` beside it the surface is za + m along + |cross| sqrt(k^2 - m^2), touched
// by the tool standing m cross / sqrt(k^2 - m^2) behind it. The table's interpolation and the
// Newton step must reproduce it to float precision, not merely to the sampling's tolerance.
TEST(WholeMoveInclined, DrillRampEqualsTheClosedFormEnvelopeOfACone) {
    ToolRecord drill = tool_record(kToolOther, 3.0);
    drill.alpha = 30;  // cone slope tan 30
    const CurrentTool tool = make_tool(drill, kPitch);
    const double k = std::tan(30.0 * M_PI / 180.0);
    for (const double m : {-0.2, 0.35}) {
        auto wp = make_body(kCells, kCells, kPitch, 9.5);
        WholeMove move;
        move.start = {1.0, 1.3, 7.0};
        move.end = {7.6, 7.0, 7.0 + m * std::hypot(6.6, 5.7)};
        SweepResult r;
        ASSERT_EQ(whole_move_step(*wp, tool, testing::plain_checks(), move, r), 0);
        const double L = std::hypot(6.6, 5.7), ux = 6.6 / L, uy = 5.7 / L, rb = tool.profile.rb;
        int checked = 0;
        for (int j = 0; j < kCells; ++j)
            for (int i = 0; i < kCells; ++i) {
                const double wx = i * kPitch - 1.0, wy = j * kPitch - 1.3;
                const double along = wx * ux + wy * uy, cross = std::fabs(wy * ux - wx * uy);
                // Touched by the cone's side (not its rim) from a position inside the move.
                if (cross * k / std::sqrt(k * k - m * m) > rb - 0.01 || along < rb + 0.1 || along > L - rb - 0.1) continue;
                const double expected = std::min(9.5, 7.0 + m * along + cross * std::sqrt(k * k - m * m));
                ASSERT_NEAR(testing::height_at(*wp, i, j), expected, 2e-6) << i << "," << j << " m " << m;
                ++checked;
            }
        EXPECT_GT(checked, 500) << m;
    }
}

// Three things may not change a single cell: the shortcut that takes the tool at an end of the
// move without a step on the slope (against the same rule with it switched off), the minimum kept
// for cells at the same cross distance (against the rule forgetting it after every cell), and the
// tables kept across moves (against a table built for each move). The moves run along the axes or
// at any angle, draw from three slopes so that tables are found again, and alternate two tools of
// one kind whose tables share those slopes.
TEST(WholeMoveInclined, EndShortcutsAndKeptTablesChangeNothing) {
    std::mt19937 rng(909);
    std::uniform_real_distribution<double> u(0.0, 1.0);
    for (int shape_kind : {1, 2, 3, 4, kTangentTaperBall}) {
        const CurrentTool tools[2] = {make_tool(shape(shape_kind, 2.0 + 2.0 * u(rng)), kPitch),
                                      make_tool(shape(shape_kind, 2.0 + 2.0 * u(rng)), kPitch)};
        RampTables kept;
        int compared = 0;
        for (int move = 0; move < 24; ++move) {
            const Profile& p = tools[move % 2].profile;
            const double length = 0.05 + 1.5 * u(rng);
            const double angle = move % 3 == 2 ? 2.0 * M_PI * u(rng) : 0.5 * M_PI * double(rng() % 4);
            const double slope = std::array{-0.6, 0.15, 1.9}[rng() % 3];
            const envelope::Segment seg = envelope::make_segment(4.0, 4.0, 4.0 + length * std::cos(angle),
                                                                 4.0 + length * std::sin(angle));
            envelope::RampRule fast, plain;
            RampTables fresh;
            envelope::make_ramp(fast, seg, p, 7.0, slope * seg.length, kPitch / 2, 1e-6, kept);
            envelope::make_ramp(plain, seg, p, 7.0, slope * seg.length, kPitch / 2, 1e-6, fresh);
            plain.end_margin2 = INFINITY;
            for (double Y = 4.0 - p.rb - 2.0; Y <= 4.0 + p.rb + 2.0; Y += 0.0125)
                for (double X = 4.0 - p.rb - 2.0; X <= 4.0 + p.rb + 2.0; X += 0.0125) {
                    envelope::Cut a{}, b{};
                    const bool ca = fast.cut_below(X, Y, 0.0, 9.0, &a), cb = plain.cut_below(X, Y, 0.0, 9.0, &b);
                    const double cross = std::fabs((Y - plain.ay) * plain.ux - (X - plain.ax) * plain.uy);
                    plain.by_cross[envelope::RampRule::known_slot(cross)].cross = -1.0;
                    ASSERT_EQ(ca, cb) << shape_kind << " move " << move << " at " << X << "," << Y;
                    if (!ca) continue;
                    ASSERT_EQ(a.tip, b.tip) << shape_kind << " move " << move << " at " << X << "," << Y;
                    ASSERT_EQ(a.surface.height, b.surface.height) << shape_kind << " move " << move;
                    ASSERT_EQ(a.d2, b.d2) << shape_kind << " move " << move;
                    ++compared;
                }
        }
        EXPECT_GT(compared, 100000) << shape_kind;
    }
}

// Oval, radius mill, concave corner and a taper ball whose ball ends in a flat ring before its
// side begins are not convex: no envelope by the table.
TEST(WholeMoveInclined, EdgesThatAreNotConvexAreHandedBack) {
    std::mt19937 rng(5);
    for (int shape_kind : {5, 7, 8, 9})
        EXPECT_FALSE(run_trial({shape_kind, ArborCheck::Ignore, 2, false, false, true}, rng)) << shape_kind;
}

// ---- Arcs ----
// Protects against a wrong arc envelope: the swept angle taken the wrong way round, the end
// beyond B missed, the start region cut, full circles, rows crossing the band twice.

TEST(WholeMoveArc, MatchesFineSamplingAlongTheArc) {
    std::mt19937 rng(99);
    for (int shape_kind : {0, 1, 2, 3, 4, 6, 7})
        for (ArborCheck arbor : {ArborCheck::Ignore, ArborCheck::Cut}) {
            if (arbor == ArborCheck::Cut && shape_kind > 1) continue;  // the holder's wide box makes sampling slow
            EXPECT_TRUE(run_trial({shape_kind, arbor, 2, shape_kind % 2 == 1, false, false, true}, rng)) << shape_kind;
        }
}

// Short arcs of large circles: the band is the part of the annulus within the arc's box, where a
// band cut too tight leaves cells near the ends or the outer and inner rims of the sector uncut.
TEST(WholeMoveArc, ShortArcsOfLargeCirclesMatchFineSampling) {
    std::mt19937 rng(30);
    for (int shape_kind : {0, 1, 2, 3, 4, 6})
        for (int rep = 0; rep < 3; ++rep) {
            Trial t{shape_kind, rep == 2 && shape_kind < 2 ? ArborCheck::Cut : ArborCheck::Ignore, 2, rep == 1, false};
            t.arc = t.short_arc = true;
            EXPECT_TRUE(run_trial(t, rng)) << "shape " << shape_kind << " rep " << rep;
        }
    for (int shape_kind : {0, 1, 2, 4})
        for (int rep = 0; rep < 2; ++rep) {
            Trial t{shape_kind, ArborCheck::Ignore, 2, false, rep == 1, true, true};
            t.short_arc = true;
            EXPECT_TRUE(run_trial(t, rng)) << "helix, shape " << shape_kind << " rep " << rep;
        }
}

// ---- Helices ----
// Protects against a wrong envelope of a tool turning and moving in Z: the lowest position taken
// at the wrong end of the reach, a cell reached both at the start and the end of a whole turn,
// cells near the axis of a helix narrower than the tool (reached from every position), the
// start's cells cut again, an angle that strays from atan2.

TEST(WholeMoveHelix, AngleWithoutTheLibraryCallEqualsAtan2) {
    std::mt19937 rng(3);
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    std::vector<std::pair<double, double>> points = {{1, 0}, {0, 1}, {-1, 0}, {0, -1}, {1, 1}, {-1, 1}, {-1, -1},
                                                     {1, -1}, {3, 1e-300}, {-3, 1e-17}, {1e-3, 7.0}, {5, 5.0000001}};
    for (int k = 0; k < 20000; ++k) points.emplace_back(u(rng) * std::pow(10.0, 3 * u(rng)), u(rng));
    for (const auto& [x, y] : points) ASSERT_NEAR(envelope::turn_angle(x, y), std::atan2(y, x), 1e-15) << x << "," << y;
}

// Flat, ball, bull, drill, general and taper ball; up and down, arcs narrower and wider than the
// tool, part turns and whole turns.
TEST(WholeMoveHelix, MatchesFineSamplingForEveryConvexEdge) {
    std::mt19937 rng(1717);
    for (int shape_kind : {0, 1, 2, 3, 4, kTangentTaperBall})
        for (int rep = 0; rep < 4; ++rep)
            EXPECT_TRUE(run_trial({shape_kind, ArborCheck::Ignore, 2, rep == 0, rep == 1, true, true}, rng))
                << "shape " << shape_kind << " rep " << rep;
}

TEST(WholeMoveHelix, EdgesThatAreNotConvexAreHandedBack) {
    std::mt19937 rng(6);
    for (int shape_kind : {5, 7, 8, 9})
        EXPECT_FALSE(run_trial({shape_kind, ArborCheck::Ignore, 2, false, false, true, true}, rng)) << shape_kind;
}

// ---- The rim ----
// Protects against the two runs deciding a cell at exactly the blade radius differently: their
// squared distances of such a cell come out a rounding above or below rb^2 by different
// formulas, and a ball's surface there is its equator, a whole radius above its lowest point.

// A ball raster whose level passes lie on whole millimetres puts the rows one radius beside the
// outer passes exactly on the rim of every position: the kernel's band (dz = 0, along X) reaches
// them by dy alone, which is exact; the envelope by their distance from the path, cross^2 / L^2,
// which for a D5 ball and steps of 0.3 mm comes out a rounding above rb^2 on some moves. Both
// runs must cut them, to the ball's equator, and agree everywhere else to within the normal
// run's sampling. (On inclined moves the kernel's positions fall between the cells and miss the
// rim, as they miss any wall between samples; that is sampling, not a tie.)
TEST(WholeMoveRim, NormalAndFastRunsAgreeOnCellsAtTheBladeRadius) {
    constexpr double kRasterPitch = 0.05;
    constexpr int kSide = 201;  // 10 mm
    constexpr double kRadius = 2.5;
    const CurrentTool ball = make_tool(tool_record(kToolBall, 2.0 * kRadius, kRadius), kRasterPitch);
    const auto level = [](int pass) { return 6.0 - 0.15 * pass; };
    // Down onto the first point, then passes along X at y = 3..7 in steps of 0.3 mm, alternating,
    // each lower than the last: step over level, then straight down.
    std::vector<WholeMove> moves;
    Vec3 at{1.0, 3.0, 10.0};
    const auto go = [&](double x, double y, double z) {
        WholeMove m;
        m.start = at;
        m.end = {x, y, z};
        m.feed = 1000;
        m.run_type = kRunMoveStep;
        moves.push_back(m);
        at = m.end;
    };
    for (int pass = 0; pass < 5; ++pass) {
        if (pass > 0) go(at.x, 3.0 + pass, level(pass - 1));
        for (int k = 0; k <= 20; ++k) go(pass % 2 == 0 ? 1.0 + 0.3 * k : 7.0 - 0.3 * k, 3.0 + pass, level(pass));
    }
    auto normal = make_body(kSide, kSide, kRasterPitch, 9.0), fast = make_body(kSide, kSide, kRasterPitch, 9.0);
    SweepResult r;
    for (const WholeMove& m : moves) {
        sample_with_kernel(*normal, ball, testing::plain_checks(), m, {}, r, kRasterPitch);
        ASSERT_EQ(whole_move_step(*fast, ball, testing::plain_checks(), m, r), 0);
    }
    // The rows beside the first pass (y = 0.5) and the last (y = 9.5), within the passes' length.
    for (const auto& [row, pass] : {std::pair{10, 0}, std::pair{190, 4}})
        for (int i = 21; i < 140; ++i) {
            EXPECT_FLOAT_EQ(testing::height_at(*normal, i, row), float(level(pass) + kRadius)) << "normal " << i << "," << row;
            EXPECT_FLOAT_EQ(testing::height_at(*fast, i, row), float(level(pass) + kRadius)) << "fast " << i << "," << row;
            if (::testing::Test::HasFailure()) return;
        }
    // Elsewhere the normal run's positions up to half a pitch from a cell's foot point (around
    // the ends of the passes) leave it higher by at most g(sqrt(c^2 + (p/2)^2)) - g(c):
    // 0.0007 mm one pitch inside the rim.
    constexpr float kScallop = 0.002f;
    for (int j = 0; j < kSide; ++j)
        for (int i = 0; i < kSide; ++i) {
            const float hn = testing::height_at(*normal, i, j), hf = testing::height_at(*fast, i, j);
            EXPECT_LE(hf, hn + 1e-5f) << i << "," << j;
            EXPECT_LE(hn - hf, kScallop) << i << "," << j;
            if (::testing::Test::HasFailure()) return;
        }
}

// ---- Edges of the move ----
// Protects against cutting what the move does not sweep: the start position (swept by the
// previous move), moves above the material, moves too short to matter.

TEST(WholeMoveEdges, LeavesTheCellUnderTheStartUntouched) {
    auto wp = make_body(60, 60, kPitch, 5.0);
    const int start_cell = 30 * 60 + 20;
    wp->height.data[start_cell] = 9.0f;  // a post the previous move did not reach
    wp->highest = 9.0;
    const CurrentTool tool = make_tool(tool_record(kToolBall, 3.0, 1.5), kPitch);
    WholeMove m;
    m.start[0] = 2.0, m.start[1] = 3.0, m.start[2] = 4.0;
    m.end[0] = 4.0, m.end[1] = 3.0, m.end[2] = 4.0;
    SweepResult r;
    ASSERT_EQ(whole_move_step(*wp, tool, testing::plain_checks(), m, r), 0);
    EXPECT_EQ(wp->height.data[start_cell], 9.0f);
    EXPECT_EQ(wp->height.data[30 * 60 + 19], 5.0f);  // behind the start, within the ball
    EXPECT_FLOAT_EQ(wp->height.data[30 * 60 + 21], 4.0f);  // just past the start, on the path
    EXPECT_NEAR(wp->height.data[30 * 60 + 41], 4.0 + 1.5 - std::sqrt(1.5 * 1.5 - 0.1 * 0.1), 1e-5);  // past B
    EXPECT_NEAR(wp->height.data[32 * 60 + 30], 4.0 + 1.5 - std::sqrt(1.5 * 1.5 - 0.2 * 0.2), 1e-5);  // beside AB
    EXPECT_TRUE(r.changed);
    EXPECT_EQ(wp->modification_state, kModified);
}

// A descending ball reaches lower behind its start than the tool standing there: those cells are
// the move's, the ones lowest under the tool at the start the previous move's.
TEST(WholeMoveEdges, DescendingBallCutsBehindItsStartOnlyWhereItReachesLower) {
    auto wp = make_body(60, 60, kPitch, 5.0);
    const CurrentTool tool = make_tool(tool_record(kToolBall, 3.0, 1.5), kPitch);
    WholeMove m;
    m.start[0] = 2.0, m.start[1] = 3.0, m.start[2] = 4.5;
    m.end[0] = 4.0, m.end[1] = 3.0, m.end[2] = 4.0;  // slope -0.25
    SweepResult r;
    ASSERT_EQ(whole_move_step(*wp, tool, testing::plain_checks(), m, r), 0);
    // 0.1 behind A the lowest sphere stands 0.264 past A: 6.025 - 1.5 sqrt(1.0625).
    EXPECT_NEAR(wp->height.data[30 * 60 + 19], 6.025 - 1.5 * std::sqrt(1.0625), 1e-5);
    EXPECT_EQ(wp->height.data[30 * 60 + 15], 5.0f);  // 0.5 behind A: lowest under the tool at A
    EXPECT_NEAR(wp->height.data[30 * 60 + 41], 4.0 + 1.5 - std::sqrt(1.5 * 1.5 - 0.1 * 0.1), 1e-5);  // past B
}

// The whole-move step reports the same grid range as the kernel: exactly the box of the cells it
// lowered, so that the view redraws all of them.
TEST(WholeMoveEdges, GridRangeIsTheBoxOfTheLoweredCells) {
    auto wp = make_body(60, 60, kPitch, 5.0);
    const CurrentTool tool = make_tool(tool_record(kToolBall, 1.0, 0.5), kPitch);
    const ScreenProjection projection{10, 0, 0, 0, 0, 10, 0, 0};
    WholeMove m;
    m.start[0] = 1.0, m.start[1] = 2.0, m.start[2] = 4.5;
    m.end[0] = 4.0, m.end[1] = 3.5, m.end[2] = 4.5;
    m.run_type = kRunMoveStep;
    m.projection = &projection;
    SweepResult r;
    ASSERT_EQ(whole_move_step(*wp, tool, testing::plain_checks(), m, r), 0);
    int i0 = 60, i1 = -1, j0 = 60, j1 = -1;
    for (int j = 0; j < 60; ++j)
        for (int i = 0; i < 60; ++i)
            if (testing::height_at(*wp, i, j) != 5.0f)
                i0 = std::min(i0, i), i1 = std::max(i1, i), j0 = std::min(j0, j), j1 = std::max(j1, j);
    ASSERT_LE(i0, i1);
    EXPECT_EQ(r.bounds.cells.first_i, i0);
    EXPECT_EQ(r.bounds.cells.last_i, i1);
    EXPECT_EQ(r.bounds.cells.first_j, j0);
    EXPECT_EQ(r.bounds.cells.last_j, j1);
}

TEST(WholeMoveEdges, AboveTheMaterialAndTooShortMovesDoNothing) {
    auto wp = make_body(40, 40, kPitch, 5.0);
    wp->modification_state = kDefined;
    const CurrentTool tool = make_tool(tool_record(kToolFlat, 2.0), kPitch);
    WholeMove m;
    m.start[0] = 1.0, m.start[1] = 2.0, m.start[2] = 5.001;
    m.end[0] = 3.0, m.end[1] = 2.0, m.end[2] = 6.0;  // rising, but wholly above
    SweepResult r;
    EXPECT_EQ(whole_move_step(*wp, tool, testing::plain_checks(), m, r), 0);
    m.start[2] = m.end[2] = 4.0;
    m.end[0] = 1.0 + 0.00005;
    EXPECT_EQ(whole_move_step(*wp, tool, testing::plain_checks(), m, r), 0);
    EXPECT_FALSE(r.changed);
    EXPECT_EQ(wp->modification_state, kDefined);
    for (int c = 0; c < 40 * 40; ++c) ASSERT_EQ(wp->height.data[c], 5.0f) << c;
}

// An unreadable RAPID FEEDRATE reads as 0: a feed move must still cut as a feed, without a rapid
// interference, as the kernel does.
TEST(WholeMoveEdges, ZeroRapidFeedrateMakesNoFeedRapid) {
    auto wp = make_body(40, 40, kPitch, 5.0);
    const CurrentTool tool = make_tool(tool_record(kToolFlat, 2.0), kPitch);
    WholeMove m;
    m.start[0] = 1.0, m.start[1] = 2.0, m.start[2] = 4.0;
    m.end[0] = 3.0, m.end[1] = 2.0, m.end[2] = 4.0;
    m.feed = 500;
    Checks zero = testing::plain_checks();
    zero.rapid_feedrate = 0.0;
    SweepResult r;
    ASSERT_EQ(whole_move_step(*wp, tool, zero, m, r), 0);
    EXPECT_TRUE(r.changed);
    EXPECT_FALSE(r.rapid_interference);
}

// ---- Hand-backs ----
// Protects against sweeping a move the envelope does not cover: it must come back as -1 with
// the workpiece untouched, so that the sampling that follows starts from the right surface.

TEST(WholeMoveHandBack, UncoveredMovesComeBackUntouched) {
    auto wp = make_body(40, 40, kPitch, 5.0);
    const CurrentTool ball = make_tool(tool_record(kToolBall, 2.0, 1.0), kPitch);
    const CurrentTool oval = make_tool(testing::shape_of_kind(7, 2.0), kPitch);
    const CurrentTool scribe = make_tool(tool_record(kToolKegaki, 0.5), kPitch);
    WholeMove line;
    line.start[0] = 1.0, line.start[1] = 2.0, line.start[2] = 4.5;
    line.end[0] = 3.0, line.end[1] = 2.0, line.end[2] = 4.5;
    WholeMove plunge = line;
    plunge.end[2] = 4.0;  // inclined: covered for convex cutting edges only
    WholeMove helix = line;  // arcs are covered in the XY plane only, helices for convex edges
    helix.motion = kMotionArcCw;
    helix.centre[0] = 2.0, helix.centre[1] = 2.0, helix.radius = 1.0;
    helix.end[2] = 4.0;
    WholeMove off_circle = helix;
    off_circle.end[2] = 4.5;
    off_circle.end[0] = 3.01;  // 1.01 from the centre, the start 1.0
    WholeMove other_plane = helix;
    other_plane.end[2] = 4.5;
    other_plane.plane = 18;
    WholeMove optimise = line;
    optimise.run_type = kRunOptimise;
    SweepResult r;
    EXPECT_EQ(whole_move_step(*wp, oval, testing::plain_checks(), plunge, r), -1);
    EXPECT_EQ(whole_move_step(*wp, oval, testing::plain_checks(), helix, r), -1);
    EXPECT_EQ(whole_move_step(*wp, ball, testing::plain_checks(), off_circle, r), -1);
    EXPECT_EQ(whole_move_step(*wp, ball, testing::plain_checks(), other_plane, r), -1);
    EXPECT_EQ(whole_move_step(*wp, ball, testing::plain_checks(), optimise, r), -1);
    EXPECT_EQ(whole_move_step(*wp, scribe, testing::plain_checks(), line, r), -1);
    // Flagging modes while the neck (2.3 above the tip) reaches the material at 5.
    Checks stop_on_holder = testing::plain_checks();
    stop_on_holder.arbor = ArborCheck::Abort;
    WholeMove deep = line;
    deep.start[2] = deep.end[2] = 2.5;
    EXPECT_EQ(whole_move_step(*wp, tool_with_holder(tool_record(kToolBall, 2.0, 1.0)), stop_on_holder, deep, r), -1);
    for (int c = 0; c < 40 * 40; ++c) ASSERT_EQ(wp->height.data[c], 5.0f) << c;
}

// With the neck and the holder above the material the flagging modes have nothing to flag: the
// move is the blade's alone, level or inclined, and cuts what it cuts without any check.
TEST(WholeMoveHandBack, FlaggingModesCoverMovesWhoseNeckAndHolderStayAbove) {
    const CurrentTool tool = tool_with_holder(tool_record(kToolBall, 2.0, 1.0));
    for (const double end_z : {4.5, 4.0}) {
        auto checked = make_body(40, 40, kPitch, 5.0), plain = make_body(40, 40, kPitch, 5.0);
        WholeMove m;
        m.start[0] = 1.0, m.start[1] = 2.0, m.start[2] = 4.5;
        m.end[0] = 3.0, m.end[1] = 2.0, m.end[2] = end_z;
        Checks stop_on_holder = testing::plain_checks();
        stop_on_holder.arbor = ArborCheck::Abort;
        SweepResult r;
        ASSERT_EQ(whole_move_step(*checked, tool, stop_on_holder, m, r), 0) << end_z;
        EXPECT_EQ(r.interference_state, 0);
        ASSERT_EQ(whole_move_step(*plain, tool, testing::plain_checks(), m, r), 0) << end_z;
        for (int c = 0; c < 40 * 40; ++c) ASSERT_EQ(checked->height.data[c], plain->height.data[c]) << c;
        EXPECT_LT(checked->height.data[20 * 40 + 20], 5.0f);
    }
}

TEST(WholeMoveHandBack, SurfaceFallingTowardsTheRimIsNotSweptAtMinimumDistance) {
    // A neck starting below the top of the blade: the surface dips past rb, so the lowest point
    // over the path is not at the nearest distance.
    LengthRecord l;
    l.kind = kLength2;
    l.L = {3.0f, 0.5f, 0.6f, 20.0f, 10.0f, 4.0f};
    const CurrentTool tool = make_tool(tool_record(kToolBall, 2.0, 1.0), kPitch, l);
    Checks checks = testing::plain_checks();
    checks.arbor = ArborCheck::Cut;
    auto wp = make_body(40, 40, kPitch, 5.0);
    WholeMove m;
    m.start[0] = 1.0, m.start[1] = 2.0, m.start[2] = 4.2;  // the neck reaches the material
    m.end[0] = 3.0, m.end[1] = 2.0, m.end[2] = 4.2;
    SweepResult r;
    EXPECT_EQ(whole_move_step(*wp, tool, checks, m, r), -1);
}

}  // namespace
}  // namespace vx::sim
