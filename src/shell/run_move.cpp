// One move of a run: drawn as a path, skipped, or cut in sub-steps by the kernel (or at once by
// the whole-move step of the fast runs), with the sounds, load and interference records and view
// refreshes after every step and the interference decision after the move.
#include "platform/log.h"
#include "platform/platform.h"
#include "shell/nc_links.h"
#include "shell/run_steps.h"
#include "sim/whole_move.h"

#include <algorithm>
#include <cmath>

namespace vx::shell::run {
namespace {

// ---- Constants ----

// A one-step move shorter than this share of the grid pitch is a "short move" to the kernel.
constexpr double kShortMoveShare = 0.2;
// The scribing tool's marks are made at least every half tool width: int(2 L / width + 0.99).
constexpr double kScribeRounding = 0.99;

bool is_arc(int motion) { return motion == nc::kMotionCw || motion == nc::kMotionCcw; }
bool is_straight(int motion) { return motion == nc::kMotionRapid || motion == nc::kMotionLinear; }

// The kernel's plane code of the move's plane.
int plane_code(const nc::MoveRecord& m) { return m.plane.normal == 2 ? 17 : m.plane.normal == 1 ? 18 : 19; }

bool kegaki(const RunContext& ctx) { return ctx.tool->profile.type == sim::kToolKegaki; }

// The view's projection for the cells a step cuts; none in run mode 3, which draws nothing until
// the end of the run.
const sim::ScreenProjection* step_projection(const RunContext& ctx) {
    return ctx.state.run_mode == kModeCutShow ? nullptr : ctx.projection;
}

void draw_move(const RunContext& ctx, const nc::MoveRecord& m, platform::PathKind kind) {
    platform::PathSegment s;
    s.kind = kind;
    s.motion = m.motion;
    s.start = m.start;
    s.end = m.end;
    s.centre = m.centre;
    s.start_radius = m.start_radius;
    s.end_radius = m.end_radius;
    s.sweep = m.sweep;
    s.plane_first = m.plane.first;
    s.plane_second = m.plane.second;
    s.plane_normal = m.plane.normal;
    s.line = m.line;
    s.hidden_rapid = ctx.state.rapid_paths_hidden && m.motion == nc::kMotionRapid;
    s.feedrate = m.feedrate;
    s.tool_length = ctx.tool->shift;
    s.tool_pen = ctx.tool->pen;
    platform::draw_path(s);
}

// Lines and arcs about Z whose tool tip stays above every cell cannot cut.
bool above_workpiece(const RunContext& ctx, const nc::MoveRecord& m) {
    const sim::Workpiece& wp = *ctx.workpiece;
    if (!wp.height.data) return true;
    if (!is_straight(m.motion) && !(is_arc(m.motion) && m.plane.normal == 2)) return false;
    const double shift = ctx.tool->shift;
    return m.start.z - shift > wp.highest && m.end.z - shift > wp.highest;
}

// An optimise run writes every move: one that is not cut is handed over as one air piece.
void hand_over_uncut(RunContext& ctx, const nc::MoveRecord& m) {
    RunState& st = ctx.state;
    const sim::OptimiseSink& sink = ctx.hooks.optimise_sink;
    if (!st.optimise_run || !sink.step) return;
    st.move.steps = st.move.step = 1;
    st.move.position = m.end;
    sink.step(sink.context, sim::OptimiseStep{});
}

std::int32_t stored_line(const RunContext& ctx) {
    // The line layer keeps the lines of a called program negated.
    return ctx.reader->depth > 0 ? -ctx.interp->line : ctx.interp->line;
}

// ---- After a step ----

struct MoveCut {
    explicit MoveCut(const nc::MoveRecord& m) : move(m), path(move_path(m)) {}
    const nc::MoveRecord& move;
    sim::MovePath path;
    double length = 0;
    double step_length = 0;
    sim::StepFlags flags;  // merged over the steps
    bool overloaded = false;
};

// A step that is not refreshed keeps its cells for the next refresh, so no lowered cell is left
// undrawn.
void refresh_step(RunContext& ctx, int k, int n) {
    RunState& st = ctx.state;
    sim::merge_cells(st.undrawn, ctx.result.bounds.cells);
    const bool interfered = st.cut_sound == kSoundInterference;
    const bool due = st.run_mode == kModeRealCut   ? (st.cut_sound == kSoundCutting || interfered)
                     : st.run_mode == kModeSkipCut ? (k == n || interfered)
                                                   : false;
    if (!due) return;
    const sim::ProjectedBounds& b = ctx.result.bounds;
    platform::StepRefresh r;
    r.position = st.move.position;
    r.step = k;
    r.steps = n;
    r.interference = interfered;
    r.min_x = b.min_x, r.min_y = b.min_y, r.max_x = b.max_x, r.max_y = b.max_y;
    const sim::CellRange& c = st.undrawn;
    r.first_i = c.first_i, r.first_j = c.first_j, r.last_i = c.last_i, r.last_j = c.last_j;
    st.undrawn = sim::CellRange{};
    platform::refresh_step(r);
}

// Step 14. True when the run must end after this step.
bool after_step(RunContext& ctx, MoveCut& cut, int k, int n) {
    RunState& st = ctx.state;
    const sim::SweepResult& r = ctx.result;
    st.cells += r.cells_examined;
    const nc::Interp& in = *ctx.interp;
    const sim::Checks& checks = st.checks;
    const sim::SpindleEvent spindle =
        sim::spindle_event(checks, r.changed, in.modal.spindle_speed, in.modal.spindle_direction);
    const sim::StepFlags f = sim::step_flags(r, checks, cut.path.motion, cut.move.feedrate, spindle);
    bool overload = false;
    if (!st.fast_run) {
        const sim::LoadStep load{cut.step_length, cut.move.feedrate, st.move.position, in.line};
        overload = sim::evaluate_load(*ctx.tool, r, load, st.overload, ctx.limit_log) == sim::kLoadOverload;
    }
    const bool interfered = sim::any_flag(f) || overload;
    const int sound = interfered ? kSoundInterference
                      : r.changed ? kSoundCutting
                      : cut.move.motion == nc::kMotionRapid ? kSoundRapid
                                                            : kSoundAir;
    set_cut_sound(ctx, sound, false);
    if (st.optimise_run) sim::hand_over_step(ctx.hooks.optimise_sink, r, cut.step_length);
    sim::merge_flags(cut.flags, f);
    cut.overloaded |= overload;
    if (f.rapid && cut.move.motion == nc::kMotionRapid && ctx.ctl->g00_mode == nc::kG00Unknown)
        st.rapid_path_uncertain = true;
    if (sim::any_flag(f) && sim::collect_pause(ctx.interference, checks, f, block_ref(ctx)))
        st.interference_paused = true;
    refresh_step(ctx, k, n);
    if (interfered) sim::write_second_position(ctx.interference, k, n, st.move.position);
    if (escape_pressed(ctx)) {
        if (ctx.sound) platform::stop_sounds();
        st.sound_loop = 0;
        st.abort = st.escaped = true;
    }
    // The cells of the step that interfered are already cut; the rest of the move is not.
    return st.abort || sim::must_stop(checks, f) == 1 || overload;
}

// ---- Cutting ----

// An offset interference: the run pauses before the next block under STOP; a batch run, which
// never pauses, logs it so that it is not lost.
void note_offset_alarm(RunContext& ctx) {
    ctx.state.radius_offset_alarm = true;
    note_finding(ctx, kFindingOffsetAlarm, 0, ctx.interp->main_line, std::string(kTextOffsetAlarm));
    if (ctx.state.batch_run) platform::log_message(kTextOffsetAlarm);
}

// The paint code, or the connecting move of an offset interference under CHECK RADIUS OFFSET
// PENKI: the spot is painted where the tool cuts it.
bool paints(const RunContext& ctx, const nc::MoveRecord& m) {
    return ctx.paint || (m.offset_alarm && ctx.ctl->radius_offset_check.penki);
}

void fill_step(const RunContext& ctx, const MoveCut& cut, const Vec3& p, const Vec3& previous, int k, int n,
               sim::SweepStep& s) {
    const RunState& st = ctx.state;
    const nc::MoveRecord& m = cut.move;
    s.x = p.x, s.y = p.y, s.z = p.z;
    s.dx = p.x - previous.x, s.dy = p.y - previous.y, s.dz = p.z - previous.z;
    s.run_type = st.optimise_run ? sim::kRunOptimise : k == 1 ? sim::kRunMoveStart : sim::kRunMoveStep;
    s.step_number = k;
    s.motion = cut.path.motion;
    s.plane = plane_code(m);
    s.feed = m.feedrate;
    s.line_number = stored_line(ctx);
    s.paint = paints(ctx, m);
    s.recording = !st.fast_run;
    s.sum_volume = sim::volume_wanted(s.run_type, *ctx.tool);
    s.sum_moment = s.sum_volume && ctx.settings->optimize.torque;
    s.short_move = n == 1 && cut.length < kShortMoveShare * ctx.workpiece->geometry.pitch;
    s.move_length = cut.length;
    s.move_length_xy = std::hypot(m.end.x - m.start.x, m.end.y - m.start.y);
    s.watched_cell = ctx.watched_cell;
    s.projection = step_projection(ctx);
}

// Step 13 with the kernel. False when the run must end.
bool cut_in_steps(RunContext& ctx, MoveCut& cut, int n) {
    RunState& st = ctx.state;
    const nc::MoveRecord& m = cut.move;
    cut.step_length = sim::step_length(cut.length, n);
    st.move.steps = n;
    st.move.dx = (m.end.x - m.start.x) / n, st.move.dy = (m.end.y - m.start.y) / n;
    st.move.dz = (m.end.z - m.start.z) / n;
    Vec3 previous = m.start;
    for (int k = 1; k <= n; ++k) {
        if (ctx.pump_messages) platform::pump_messages();
        const Vec3 p = sim::step_position(cut.path, k, n);
        st.move.step = k;
        st.move.position = p;
        if (st.run_mode != kModeCutShow) platform::show_position(p);
        sim::SweepStep s;
        fill_step(ctx, cut, p, previous, k, n, s);
        sim::sweep_at_position(*ctx.workpiece, *ctx.tool, st.checks, s, *ctx.kernel, ctx.result);
        if (after_step(ctx, cut, k, n)) return false;
        previous = p;
    }
    return true;
}

// The fast run's whole-move step: 1 done, 0 the run must end, -1 handed back.
int cut_whole(RunContext& ctx, MoveCut& cut) {
    RunState& st = ctx.state;
    const nc::MoveRecord& m = cut.move;
    sim::WholeMove w;
    w.start = m.start;
    w.end = m.end;
    w.motion = cut.path.motion;
    w.plane = plane_code(m);
    w.centre = m.centre;
    w.radius = m.start_radius;
    w.feed = m.feedrate;
    w.line_number = stored_line(ctx);
    w.paint = paints(ctx, m);
    const bool show = st.run_mode == kModeCutShow;
    w.run_type = show ? sim::kRunMoveStart : sim::kRunMoveStep;
    w.projection = step_projection(ctx);
    w.pool = ctx.kernel->pool;
    w.ramp_tables = &ctx.kernel->ramp_tables;
    if (sim::whole_move_step(*ctx.workpiece, *ctx.tool, st.checks, w, ctx.result) != 0) return -1;
    cut.step_length = cut.length;
    st.move.steps = st.move.step = 1;
    st.move.position = m.end;
    return after_step(ctx, cut, 1, 1) ? 0 : 1;
}

// Step 13 of a fast run. False when the run must end. Every line and arc is offered to the
// whole-move step, which hands back what it does not cover; those moves are counted, so that the
// run can say how much of it was sampled.
bool cut_fast(RunContext& ctx, MoveCut& cut, int scribe_steps) {
    const nc::MoveRecord& m = cut.move;
    if (is_straight(m.motion) || is_arc(m.motion)) {
        const int done = cut_whole(ctx, cut);
        if (done >= 0) {
            ++ctx.state.whole_moves;
            return done == 1;
        }
    }
    ++ctx.state.sampled_moves;
    const bool plunge = is_straight(m.motion) && m.start.x == m.end.x && m.start.y == m.end.y;
    const int n = plunge ? 1 : std::max(sim::sampled_step_count(cut.length, move_step(ctx)), scribe_steps);
    return cut_in_steps(ctx, cut, n);
}

// The interference list's entry of the kinds a pause mode collected during the move.
void write_pending_entry(RunContext& ctx) {
    if (ctx.interference.pending == 0) return;
    sim::InterferenceHooks hooks;
    hooks.repaint = [](void*) { platform::redraw(platform::ViewPart::Workpiece); };
    hooks.play_system_sound = [](void*, std::string_view name) { platform::play_system_sound(name); };
    sim::write_interference_entry(ctx.interference, block_ref(ctx), ctx.paint_marks_shown, ctx.sound, hooks);
}

// What the move's steps raised, one finding per kind, for the run summary.
void note_move_findings(RunContext& ctx, const MoveCut& cut) {
    const int line = ctx.interp->main_line;
    const unsigned kinds = sim::step_kinds(cut.flags);
    for (int k = 0; k < sim::kKindCount; ++k) {
        const unsigned bit = 1u << k;
        if (kinds & bit) note_finding(ctx, kFindingInterference, sim::kind_alarm_code(bit), line, sim::kind_list(bit));
    }
    if (!cut.overloaded) return;
    sim::AlarmDetail detail;
    detail.step_direction = ctx.state.overload.step_direction;
    note_finding(ctx, kFindingOverload, sim::kOverloadEndCode, line, std::string(sim::alarm_message(sim::kOverloadEndCode, detail)));
}

// Step 15. False when the run must end.
bool after_move(RunContext& ctx, const MoveCut& cut) {
    RunState& st = ctx.state;
    if (st.abort) return false;
    if (st.cut_sound == kSoundInterference && (sim::must_stop(st.checks, cut.flags) == 1 || cut.overloaded)) {
        st.flags = cut.flags;
        st.abort = st.interference_end = true;
        return false;
    }
    write_pending_entry(ctx);
    return true;
}

// A simulation module cuts the move (it decides itself what lies above the workpiece); the
// escape key ends the run as in the kernel's steps.
bool cut_by_module(RunContext& ctx, const nc::MoveRecord& m) {
    RunState& st = ctx.state;
    const bool go_on = ctx.hooks.module_cut(ctx.hooks.module_context, m);
    if (escape_pressed(ctx)) st.abort = st.escaped = true;
    if (!go_on) st.abort = true;
    return go_on && !st.abort;
}

}  // namespace

void set_cut_sound(RunContext& ctx, int state, bool above) {
    RunState& st = ctx.state;
    const int old = st.cut_sound;
    st.cut_sound = state;
    if (!ctx.sound || (st.run_mode != kModeRealCut && st.run_mode != kModeSkipCut)) return;
    int loop = 0;
    if (state == kSoundCutting) loop = kSoundCutting;
    else if ((state == kSoundRapid || state == kSoundAir) && (!above || old == kSoundCutting)) loop = kSoundAir;
    // A loop that already plays is not started again: rapid and air moves share one.
    if (loop == 0 || loop == st.sound_loop) return;
    st.sound_loop = loop;
    platform::play_sound(loop == kSoundCutting ? "cutting1.wav" : "aircut1.wav", platform::SoundMode::Loop);
}

bool cut_move(RunContext& ctx) {
    RunState& st = ctx.state;
    const nc::MoveRecord& m = ctx.interp->move;
    ++st.moves;
    if (m.offset_alarm) note_offset_alarm(ctx);
    st.move = MoveValues{m.start, m.end, 0.0, 0, 0, 0.0, 0.0, 0.0, m.start};
    if (st.run_mode == kModeToolTipPath || st.run_mode == kModeCommandPath) {
        draw_move(ctx, m, st.run_mode == kModeToolTipPath ? platform::PathKind::ToolTip : platform::PathKind::CommandPoint);
        st.move.position = m.end;
        return true;
    }
    if (ctx.settings->define.ignore_g00 && m.motion == nc::kMotionRapid) {
        hand_over_uncut(ctx, m);
        return true;
    }
    st.move.position = m.end;  // where the tool is when the move is not cut
    if (ctx.hooks.module_cut) return cut_by_module(ctx, m);
    if (!kegaki(ctx) && above_workpiece(ctx, m)) {
        draw_move(ctx, m, platform::PathKind::Uncut);
        set_cut_sound(ctx, m.motion == nc::kMotionRapid ? kSoundRapid : kSoundAir, true);
        hand_over_uncut(ctx, m);
        return true;
    }
    MoveCut cut(m);
    cut.length = nc::move_length(m);
    st.move.length = cut.length;
    if (!(cut.length >= ctx.ctl->min_move)) {
        hand_over_uncut(ctx, m);
        return true;
    }
    int scribe_steps = 0;
    const double width = ctx.tool->tool.d;
    if (kegaki(ctx) && width > 0.0) scribe_steps = int(std::min(2.0 * cut.length / width + kScribeRounding, 1e9));
    bool go_on;
    if (st.fast_run) {
        go_on = cut_fast(ctx, cut, scribe_steps);
    } else {
        const int n = std::max(sim::step_count(cut.length, move_step(ctx)), scribe_steps);
        go_on = cut_in_steps(ctx, cut, n);
    }
    note_move_findings(ctx, cut);
    if (!go_on) {
        // An abort mode, an overload or the escape ended the move early; what a pause mode
        // found before that is still listed.
        write_pending_entry(ctx);
        st.abort = true;
        if (st.cut_sound == kSoundInterference && !st.escaped) {
            st.flags = cut.flags;
            st.interference_end = true;
        }
        return false;
    }
    return after_move(ctx, cut);
}

}  // namespace vx::shell::run
