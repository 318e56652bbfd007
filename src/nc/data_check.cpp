#include "nc/data_check.h"

#include "nc/pipeline.h"

#include <cmath>
#include <numbers>

namespace vx::nc {
namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;
constexpr double kQuarter = std::numbers::pi / 2.0;

// The angle travelled from `from` to `to` in the arc's sense of rotation, in [0, 2 pi).
double travelled(double from, double to, bool ccw) {
    const double d = std::fmod(ccw ? to - from : from - to, kTwoPi);
    return d < 0 ? d + kTwoPi : d;
}

// The quadrant points (0, 90, 180, 270 degrees in the plane) that the arc's sweep passes.
void widen_by_arc(Extents& e, const MoveRecord& m) {
    const PlaneAxes& pl = m.plane;
    const double start_angle = std::atan2(m.start_direction[pl.second], m.start_direction[pl.first]);
    const bool ccw = m.motion == kMotionCcw;
    for (int k = 0; k < 4; ++k) {
        const double d = travelled(start_angle, k * kQuarter, ccw);
        if (d > m.sweep) continue;
        const double share = m.sweep > 0 ? d / m.sweep : 0.0;
        const double r = m.start_radius + (m.end_radius - m.start_radius) * share;
        Vec3 p;
        p[pl.first] = m.centre[pl.first] + r * std::cos(k * kQuarter);
        p[pl.second] = m.centre[pl.second] + r * std::sin(k * kQuarter);
        p[pl.normal] = m.start[pl.normal] + (m.end[pl.normal] - m.start[pl.normal]) * share;
        widen(e, p);
    }
}

void mark(std::array<bool, kUsedNumbers>& used, int n) {
    if (n >= 0 && n < kUsedNumbers) used[std::size_t(n)] = true;
}

// Step 2: the D, H and tool numbers the block just executed named.
void mark_numbers(const Interp& in, DataCheck& check) {
    const BlockWords& b = in.block;
    if (b.has_d) mark(check.used_d, in.modal.d_number);
    if (b.has_h) mark(check.used_h, in.modal.h_number);
    if (b.has_t) mark(check.used_t, b.t);
    check.max_spindle = std::max(check.max_spindle, in.modal.spindle_speed);
    ++check.blocks;
}

// Steps 5 and 6 for the extents; the time of the move was taken as the pipeline handed it out.
// A move without length (a rotation being cancelled, a repeated point) widens nothing.
void measure_move(const Interp& in, DataCheck& check, double rapid_feedrate) {
    const MoveRecord& m = in.move;
    if (!(move_length(m) > 0)) return;
    widen_by_move(check.all, m);
    if (m.motion != kMotionRapid && !rapid_class_feed(rapid_feedrate, m.feedrate)) widen_by_move(check.feed, m);
}

}  // namespace

// ---- Extents ----

bool no_extents(const Extents& e) { return e.min.x > e.max.x; }

void widen(Extents& e, const Vec3& p) {
    for (int a = 0; a < 3; ++a) {
        e.min[a] = std::min(e.min[a], p[a]);
        e.max[a] = std::max(e.max[a], p[a]);
    }
}

void widen_by_move(Extents& e, const MoveRecord& m) {
    widen(e, m.start);
    widen(e, m.end);
    if (m.motion == kMotionCw || m.motion == kMotionCcw) widen_by_arc(e, m);
}

// ---- The check ----

void run_data_check(Interp& in, DataCheck& check, CheckMode mode, const CheckStart& start) {
    const double rapid_feedrate = start.rapid_feedrate;
    MachiningTime time = std::move(check.time);  // keeps the tool list's capacity
    check = DataCheck{};
    check.mode = mode;
    check.time = std::move(time);
    reset_time(check.time, rapid_feedrate);
    in.time = mode == CheckMode::Full ? &check.time : nullptr;
    begin_alarm_list(in.alarm_list, start.alarm_folder);
    reset_interp(in, start.start_point);
    if (start.first_tool > 0) {
        in.modal.tool = start.first_tool;
        if (in.time) set_time_tool(check.time, start.first_tool);
    }
    // G92 and G68 blocks make no move, and a pending G49 KEEP is taken off the stored position
    // before the next move is made: both are the interpreter's, so every move here is measured.
    for (;;) {
        const Next next = next_step(in, StopInput{StopScope::Nothing});
        if (next.executed) mark_numbers(in, check);
        if (next.step == Step::Alarm) break;  // the move that came with it is not measured
        if (next.moved) measure_move(in, check, rapid_feedrate);
        if (in.end_state == kEndEnded) break;
    }
    check.alarm = in.reader->alarm;
    check.lines = in.reader->line_number;
    check.used_g = in.used_g;
    check.used_m = in.used_m;
    if (in.time) close_time(check.time, *in.mtl);
    in.time = nullptr;
    close_sources(*in.reader);
}

}  // namespace vx::nc
