#include "nc/compensation.h"

#include "nc/interp.h"
#include "nc/interp_steps.h"

#include <algorithm>
#include <cmath>

namespace vx::nc {

namespace {

constexpr double kSamePlace = 1e-9;          // mm: the tool is already there, no move is made
constexpr double kInterferenceGap = 0.01;    // mm in either plane coordinate: a connecting move is listed
constexpr std::size_t kBehindReserve = 16;   // room made at reset for the moves held behind a path

// ---- Moves handed on ----

void emit(Interp& in, const MoveRecord& m) {
    push_move(in, m);
    in.comp.tool = m.end;
}

// A straight move of the corner step from `from` to `to`, with the data of the contour move `b`
// (a rapid contour is joined at rapid, any other at its feed).
MoveRecord corner_move(const MoveRecord& b, const Vec3& from, const Vec3& to) {
    MoveRecord m = b;
    m.motion = b.motion == kMotionRapid ? kMotionRapid : kMotionLinear;
    m.start = m.path_start = from;
    m.end = to;
    m.last_piece = true;
    m.offset_alarm = false;
    return m;
}

// The G39 arc of radius |r| round the programmed corner `p` from the tool to the start of `b`:
// clockwise with the tool on the left, counter-clockwise on the right.
MoveRecord corner_arc(const MoveRecord& b, const Vec3& from, const PlanePoint& p, double r) {
    MoveRecord m = corner_move(b, from, from);
    m.motion = r > 0 ? kMotionCw : kMotionCcw;
    m.centre = with_plane(b.start, p, b.plane);
    move_start_to(m, from);
    move_end_to(m, b.start);
    return m;
}

bool same_place(const Vec3& a, const Vec3& b, const PlaneAxes& pl) {
    return plane_gap(in_plane(a, pl), in_plane(b, pl)) <= kSamePlace && a[pl.normal] == b[pl.normal];
}

// The held path goes out, then the moves held behind it, made where it ends.
void release_held(Interp& in) {
    Compensation& c = in.comp;
    if (!c.holding) return;
    c.holding = false;
    emit(in, c.held);
    for (MoveRecord m : c.behind) {
        m.start = m.path_start = c.tool;
        m.end = with_plane(m.end, in_plane(c.tool, m.plane), m.plane);
        emit(in, m);
    }
    c.behind.clear();
    c.last_tangent = c.held_tangent;
}

// ---- Interference ----

// A connecting move at an inside corner whose paths do not meet: listed when the check is on.
void note_interference(Interp& in, MoveRecord& connection) {
    const RadiusOffsetCheck& check = in.ctl->radius_offset_check;
    const PlanePoint a = in_plane(connection.start, connection.plane), b = in_plane(connection.end, connection.plane);
    if (!check.active || (std::fabs(b.u - a.u) <= kInterferenceGap && std::fabs(b.v - a.v) <= kInterferenceGap)) return;
    connection.offset_alarm = true;
    if (check.list > 0) list_offset_interference(in.alarm_list, in.modal.radius_offset, in.line, in.block.text);
}

// From the tool straight to the start of `b`; `inside` marks the connection of an inside corner.
void connect(Interp& in, const MoveRecord& b, bool inside) {
    Compensation& c = in.comp;
    if (same_place(c.tool, b.start, b.plane)) return;
    MoveRecord m = corner_move(b, c.tool, b.start);
    if (inside) note_interference(in, m);
    emit(in, m);
}

// ---- Corners ----

bool equal_in_unit(const PlanePoint& a, const PlanePoint& b, int unit) {
    const double u = unit > 0 ? unit : 1;
    return std::lround(a.u * u) == std::lround(b.u * u) && std::lround(a.v * u) == std::lround(b.v * u);
}

void outside_corner(Interp& in, const MoveRecord& b, const PlanePoint& t1, const PlanePoint& t2,
                    const PlanePoint& p, double r) {
    Compensation& c = in.comp;
    const PlaneAxes& pl = b.plane;
    const PlanePoint from = in_plane(c.tool, pl), to = in_plane(b.start, pl);
    if (c.corner_arc && plane_gap(from, to) > kSamePlace) {
        emit(in, corner_arc(b, c.tool, p, r));
        return;
    }
    const CornerPoints points = outside_corner_points(from, t1, to, t2, p, r);
    for (int i = 0; i < points.count; ++i) {
        Vec3 q = with_plane(b.start, points.point[std::size_t(i)], pl);  // at the contour's height
        emit(in, corner_move(b, c.tool, q));
    }
    connect(in, b, false);
}

// The corner between the held path (or, after a break, the path already out) and the next offset
// path `b`, whose programmed start is `p` and programmed start tangent t2.
void join(Interp& in, MoveRecord& b, const PlanePoint& t2, const PlanePoint& p, double r) {
    Compensation& c = in.comp;
    const PlanePoint t1 = c.holding ? c.held_tangent : c.last_tangent;
    if (corner_kind(t1, t2, r) == CornerKind::Outside) {
        release_held(in);
        outside_corner(in, b, t1, t2, p, r);
    } else {
        const PlanePoint a_end = in_plane(c.holding ? c.held.end : c.tool, b.plane);
        const bool met = equal_in_unit(a_end, in_plane(b.start, b.plane), in.ctl->unit) ||
                         (c.holding && trim_to_intersection(c.held, b, p));
        b.path_start = b.start;
        release_held(in);
        connect(in, b, !met);
    }
    c.corner_arc = false;
}

// ---- Contour moves ----

// The arc checks and the feed before the offset: the reverse-arc alarm, the concave-arc feed.
void offset_arc(Interp& in, MoveRecord& m, double r) {
    const Ctl& ctl = *in.ctl;
    const double c = arc_radius_change(m.motion, r);
    const double unit = ctl.unit > 0 ? ctl.unit : 1;
    const double start = m.start_radius + c, end = m.end_radius + c;
    if (ctl.check_reverse_arc && (std::lround(start * unit) < 0 || std::lround(end * unit) < 0))
        steps::raise(in, kAlarmReverseArc);
    if (ctl.concave_arc_feed && c < 0 && std::fabs(start) > 1.0 / unit && m.start_radius > 0)
        m.feedrate = std::max(0.0, m.feedrate * std::fabs(start) / m.start_radius);
}

void hold(Interp& in, const MoveRecord& b, const PlanePoint& tangent) {
    Compensation& c = in.comp;
    c.held = b;
    c.held_tangent = tangent;
    c.holding = true;
    c.blocks_behind = 0;
}

// `b` is the programmed move, offset in place.
void contour_move(Interp& in, MoveRecord& b) {
    Compensation& c = in.comp;
    const double r = in.modal.radius_offset;
    const PlanePoint p = in_plane(b.start, b.plane);
    const PlanePoint t_start = start_tangent(b), t_end = end_tangent(b);
    if (is_arc_motion(b.motion)) offset_arc(in, b, r);
    offset_path(b, r);
    if (c.started) {
        join(in, b, t_start, p, r);
    } else {
        connect(in, b, false);  // start-up: from the un-offset position
        c.started = true;
        c.corner_arc = false;
    }
    hold(in, b, t_end);
}

// The move after G40: from the last offset end to its programmed end.
void cancel_move(Interp& in, MoveRecord m) {
    Compensation& c = in.comp;
    release_held(in);
    move_start_to(m, c.tool);
    m.path_start = m.start;
    emit(in, m);
    c.state = kCompensationOff;
    c.started = false;
}

// A move without travel in the plane: behind the held path while the look-ahead allows, else the
// path ends here and the move is made where it ends.
void move_behind(Interp& in, MoveRecord m) {
    Compensation& c = in.comp;
    if (c.holding && in.ctl->pre_read > 0) {
        c.behind.push_back(m);
        return;
    }
    release_held(in);
    m.start = m.path_start = c.tool;
    m.end = with_plane(m.end, in_plane(c.tool, m.plane), m.plane);
    emit(in, m);
}

// ---- Blocks ----

void follow_mode(Interp& in) {
    Compensation& c = in.comp;
    const bool on = in.modal.radius_side != 0;
    if (on && c.state != kCompensationActive) {
        if (c.state == kCompensationOff) {
            c.started = false;
            c.tool = in.modal.position;
        }
        c.state = kCompensationActive;
    } else if (!on && c.state == kCompensationActive) {
        c.state = kCompensationCancelling;
    }
}

bool has_plane_words(const Interp& in) {
    const BlockWords& b = in.block;
    return b.axis[std::size_t(in.modal.axes.first)] || b.axis[std::size_t(in.modal.axes.second)];
}

// Whether the block ends the held path before it acts (see the header).
bool breaks_path(const Interp& in) {
    const BlockWords& b = in.block;
    const Compensation& c = in.comp;
    if (b.special != 0 && b.special != 4) return true;
    if (b.g53 || (in.modal.cycle != 80 && b.any_axis)) return true;
    return c.holding && in.modal.axes.normal != c.held.plane.normal;
}

int look_ahead_blocks(const Ctl& ctl) { return std::max(ctl.pre_read, 1); }

// A lone G40 under RESET: the cancel move back to the programmed point, now.
void cancel_here(Interp& in) {
    Compensation& c = in.comp;
    release_held(in);
    const int motion = in.modal.motion == kMotionRapid ? kMotionRapid : kMotionLinear;
    MoveRecord m = steps::new_move(in, motion, in.modal.position);
    m.start = m.path_start = c.tool;
    if (!same_place(m.start, m.end, m.plane)) emit(in, m);
    c.state = kCompensationOff;
    c.started = false;
}

void note_look_ahead(Interp& in) {
    in.nesting.look_ahead = in.comp.holding && in.ctl->pre_read > 0 ? 1 : 0;
}

}  // namespace

// ---- Entry points ----

void reset_compensation(Compensation& c) {
    c.state = kCompensationOff;
    c.started = c.holding = c.corner_arc = false;
    c.behind.clear();
    c.behind.reserve(kBehindReserve);
    c.blocks_behind = 0;
    c.last_tangent = c.held_tangent = PlanePoint{};
}

void compensation_block(Interp& in) {
    Compensation& c = in.comp;
    if (in.block.corner_arc) c.corner_arc = true;
    follow_mode(in);
    if (c.holding && (++c.blocks_behind > look_ahead_blocks(*in.ctl) || breaks_path(in))) release_held(in);
    const bool lone_g40 = in.block.radius == 40 && !has_plane_words(in);
    if (lone_g40 && c.state == kCompensationCancelling && in.ctl->only_g40 == kOnlyG40Reset) cancel_here(in);
    note_look_ahead(in);
}

bool compensation_takes(Interp& in, MoveRecord& move) {
    Compensation& c = in.comp;
    if (c.state == kCompensationOff && !c.holding) return false;
    if (move.motion == kMotionSpline) {
        release_held(in);
        move.start = move.path_start = c.tool;
        emit(in, move);
    } else if (!travels_in_plane(move)) {
        move_behind(in, move);
    } else if (c.state == kCompensationCancelling || c.state == kCompensationOff) {
        cancel_move(in, move);
    } else {
        contour_move(in, move);
    }
    note_look_ahead(in);
    return true;
}

void compensation_finish(Interp& in) {
    Compensation& c = in.comp;
    release_held(in);
    if (c.state == kCompensationCancelling) cancel_here(in);
    note_look_ahead(in);
}

}  // namespace vx::nc
