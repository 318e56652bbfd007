// Run commands, the start of a run and the block loop.
#include "shell/run.h"

#include "integration/plugins.h"
#include "nc/pipeline.h"
#include "platform/files.h"
#include "platform/language.h"
#include "platform/log.h"
#include "platform/platform.h"
#include "shell/batch.h"
#include "shell/nc_links.h"
#include "shell/run_steps.h"
#include "shell/sim_options.h"

#include <chrono>
#include <cstdio>
#include <thread>

namespace vx::shell {
namespace {

using platform::TextPair;

// ---- Constants ----

constexpr TextPair kTextCutting{"加工中", "Cutting"};
constexpr TextPair kTextOptimising{"最適化中", "Optimizing"};
constexpr TextPair kTextToolTipPath{"工具先端パス表示", "Drawing Path"};
constexpr TextPair kTextCommandPath{"指令点パス表示", "Drawing Path"};
constexpr TextPair kTextCannotOpen{"NCデータを開けません", "The NC file cannot be opened."};

// TAB redraws each part of the window and lets it be seen for this long.
constexpr auto kTabPause = std::chrono::milliseconds(100);
constexpr auto kProgressInterval = std::chrono::milliseconds(100);

std::int64_t now_ns() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// The run mode of a run command, 0 for any other command.
int command_mode(int command, bool& fast, bool& optimise) {
    fast = optimise = false;
    switch (command) {
        case cmd::kRealCut:
        case cmd::kSkipCut:
        case cmd::kCutAndShow:
        case cmd::kToolTipPath:
        case cmd::kCommandPath: return command - cmd::kModeBase;
        case cmd::kOptimise: optimise = true; return kModeCutShow;
        case cmd::kFastSkipCut:
        case cmd::kFastCutAndShow: fast = true; return command - cmd::kFastModeBase;
        default: return 0;
    }
}

bool linked(const RunContext& c) {
    return c.settings && c.ctl && c.mtl && c.tools && c.tool && c.interp && c.reader && c.workpiece && c.kernel &&
           c.time;
}

platform::Key escape_key(EscapeKey k) {
    switch (k) {
        case EscapeKey::Break: return platform::Key::Break;
        case EscapeKey::Pause: return platform::Key::Pause;
        default: return platform::Key::Escape;
    }
}

platform::Key stop_key(StopKey k) {
    switch (k) {
        case StopKey::Space: return platform::Key::Space;
        case StopKey::Pause: return platform::Key::Pause;
        default: return platform::Key::Control;
    }
}

bool held(platform::Key key) { return platform::key_down(key) && platform::window_in_foreground(); }

std::int64_t count_lines(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return 0;
    std::int64_t lines = 0;
    char buffer[65536];
    std::size_t n = 0;
    char last = '\n';
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) {
        for (std::size_t i = 0; i < n; ++i) lines += buffer[i] == '\n';
        last = buffer[n - 1];
    }
    std::fclose(f);
    return lines + (last != '\n');
}

std::string_view progress_title(const RunState& st) {
    if (st.optimise_run) return platform::text(kTextOptimising);
    if (st.run_mode == kModeToolTipPath) return platform::text(kTextToolTipPath);
    if (st.run_mode == kModeCommandPath) return platform::text(kTextCommandPath);
    return platform::text(kTextCutting);
}

// ---- Run start ----

void clear_run_state(RunState& st) {
    st.optimise_run = st.fast_run = false;
    st.suspended = st.stop_request = st.abort = false;
    st.cut_sound = kSoundCutting;
    st.sound_loop = 0;
    st.end_code = 0;
    st.continue_pending = false;
    st.move = MoveValues{};
    st.undrawn = sim::CellRange{};
    st.pause_reason = PauseReason::Stop;
    st.wait_m = -1;
    st.wait_file.clear();
    st.blink = false;
    st.escaped = st.escape_exit = false;
    st.current_m = -1;
    st.interference_paused = st.radius_offset_alarm = st.step_stop = false;
    st.interference_end = false;
    st.flags = sim::StepFlags{};
    st.overload = sim::Overload{};
    st.rapid_path_uncertain = false;
    st.blocks = st.moves = st.cells = 0;
    st.findings.list.clear();
    st.findings.count = 0;
    st.whole_moves = st.sampled_moves = 0;
}

void link_interpreter(RunContext& ctx) {
    nc::Interp& in = *ctx.interp;
    in.ctl = ctx.ctl;
    in.mtl = ctx.mtl;
    in.tools = tool_lookup(*ctx.tools);
    in.reader = ctx.reader;
    in.time = ctx.time;
    in.rapid_pitch = run::move_step(ctx);
    in.programs = &ctx.programs;
    in.comments = ctx.plugins ? comment_reader(*ctx.plugins) : nc::CommentReader{};
    in.lookup = height_lookup(*ctx.workpiece);
}

// The quick modes show the result, not each peck.
void follow_run_mode(RunContext& ctx) {
    const int mode = ctx.state.run_mode;
    ctx.interp->expand_pecks = mode != kModeSkipCut && mode != kModeCutShow;
}

void prepare_programs(RunContext& ctx) { shell::prepare_programs(ctx.programs, ctx.nc_path, *ctx.ctl); }

// Opens the NC file, through its reader plug-in when one takes its extension: 1, or 0.
int open_source(RunContext& ctx) {
    int first_tool = ctx.interp->modal.tool;
    if (!open_nc_source(*ctx.reader, ctx.plugins, ctx.nc_path, first_tool)) return 0;
    ctx.interp->modal.tool = first_tool;  // a plug-in's program starts with its own tool
    return 1;
}

// The current tool matches the interpreter's at the start, without the ceremony of a change.
void settle_tool(RunContext& ctx) {
    const int t = nc::active_tool(*ctx.interp);
    sim::Attachment head;
    if (ctx.tool->number != t && sim::select_tool(*ctx.tool, *ctx.tools, t, run::tool_options(ctx, head)))
        ctx.tools->current_tool = t;
    ctx.state.active_tool = ctx.tool->number;
}

// Run start steps 1 to 8: 1, or 0 when the NC source could not be opened.
int begin_run(RunContext& ctx, int mode, bool fast, bool optimise) {
    RunState& st = ctx.state;
    platform::set_cursor(platform::Cursor::Wait);
    sim::clear_step_results(ctx.result, true);
    ctx.result.required = sim::RequiredValues{};
    clear_run_state(st);
    st.rapid_paths_hidden = held(platform::Key::Shift);
    st.batch_run = ctx.batch_level >= kBatchLogLevel;
    if (st.batch_run) write_batch_log_line(ctx.nc_path);

    st.run_mode = mode;
    st.fast_run = fast;
    st.optimise_run = optimise;
    apply_check_settings(*ctx.settings, st.checks);
    if (run::cutting_mode(mode) && sim::level_keeps_backup(ctx.workpiece->data_level)) run::take_backup_now(ctx);
    const bool plugin_source = ctx.plugins && integration::reader_for_file(*ctx.plugins, ctx.nc_path);
    st.total_lines = ctx.progress_display && !plugin_source ? count_lines(ctx.nc_path) : 0;
    if (ctx.progress_display) platform::progress_begin(progress_title(st), st.total_lines);
    if (run::cutting_mode(mode)) run::open_needed_file(ctx);

    nc::close_sources(*ctx.reader);
    link_interpreter(ctx);
    follow_run_mode(ctx);
    nc::reset_time(*ctx.time, ctx.settings->define.rapid_feedrate);
    nc::reset_interp(*ctx.interp, ctx.start_point);
    if (optimise && ctx.hooks.optimise_begin) ctx.hooks.optimise_begin(ctx.hooks.context);
    sim::begin_limit_log(ctx.limit_log, ctx.work_dir);
    sim::begin_interference_run(ctx.interference, ctx.work_dir, ctx.nc_path);
    nc::begin_alarm_list(ctx.interp->alarm_list, ctx.work_dir);
    if (run::sync_mode(ctx) == 1 && ctx.hooks.sync_clear) ctx.hooks.sync_clear(ctx.hooks.context);

    if (!open_source(ctx)) return 0;
    if (ctx.hooks.line_top) ctx.hooks.line_top(ctx.hooks.context);
    prepare_programs(ctx);
    settle_tool(ctx);
    sim::write_limit_tool(ctx.limit_log, *ctx.tool);  // the records of the first tool get their header too
    if (!ctx.minimised && run::sync_mode(ctx) == 0) platform::focus_window();
    st.started_ns = st.progress_ns = now_ns();
    rebuild_title(ctx);
    platform::refresh_menus();
    return 1;
}

// Nothing ran: every file and window of the start is given back, and the user told.
int refuse_run(RunContext& ctx) {
    ctx.state.abort = true;
    platform::show_message({ctx.nc_path, platform::text(kTextCannotOpen)});
    run::end_run(ctx);
    ctx.state.end_code = 0;
    return kRunNotOpened;
}

// ---- Block loop ----

// Steps 1 to 6 before a block: false when the run must end here.
bool before_block(RunContext& ctx) {
    RunState& st = ctx.state;
    if (run::escape_pressed(ctx)) {
        if (ctx.sound) platform::stop_sounds();
        st.sound_loop = 0;
        st.abort = st.escaped = true;
        return false;
    }
    if (ctx.pump_messages) platform::pump_messages();
    const int mode = st.run_mode;
    if (run::cutting_mode(mode)) {
        if (held(platform::Key::Tab)) {
            for (platform::ViewPart part : {platform::ViewPart::Panels, platform::ViewPart::Workpiece,
                                            platform::ViewPart::ToolWindow, platform::ViewPart::NcWindow}) {
                platform::redraw(part);
                std::this_thread::sleep_for(kTabPause);
            }
        }
        const int every = ctx.settings->dmf.sync_display;
        if ((mode == kModeRealCut || mode == kModeSkipCut) && every > 0 && st.blocks > 0 && st.blocks % every == 0)
            platform::redraw(platform::ViewPart::Workpiece);
        if (held(stop_key(ctx.settings->define.stop_key)) && !ctx.minimised && !st.batch_run && run::sync_mode(ctx) == 0) {
            st.stop_request = true;
            st.pause_reason = PauseReason::Stop;
        }
        const bool pauses = !st.optimise_run && !st.batch_run;
        if (st.radius_offset_alarm && ctx.ctl->radius_offset_check.stop && pauses) {
            st.stop_request = true;
            st.pause_reason = PauseReason::OffsetAlarm;
        }
        if (st.interference_paused && pauses) {
            st.stop_request = true;
            st.pause_reason = PauseReason::Interference;
        }
        if (st.step_stop && pauses) st.stop_request = true;
        if (st.current_m >= 0 && pauses && run::start_wait(ctx, st.current_m)) st.stop_request = true;
        st.radius_offset_alarm = st.interference_paused = st.step_stop = false;
        st.current_m = -1;
    }
    const int sync = run::sync_mode(ctx);
    if (sync == 1 && ctx.hooks.sync_handshake) {
        const int answer = ctx.hooks.sync_handshake(ctx.hooks.context);
        if (answer == 3) st.stop_request = true;
        if (answer == 4) {
            st.abort = true;
            return false;
        }
    }
    if (sync == 2 && !st.optimise_run && ctx.hooks.sync_publish) {
        ctx.hooks.sync_publish(ctx.hooks.context, ctx.interp->main_line, st.move.position);
        st.continue_pending = st.stop_request = true;
    }
    return true;
}

// Steps 7 to 9: what comes next, with the stops this run takes. The pipeline decides whether the
// run stops before the next block and executes it; the run passes its own request and clears it
// once the pipeline has used it up.
nc::Next next_step(RunContext& ctx) {
    RunState& st = ctx.state;
    nc::StopInput stops;
    // Nobody is there to continue a batch run at a stop block; its only stop requests come from
    // a sync partner, which also releases them. An optimise run never stops, nor does a module's
    // run, whose start and end calls must pair up within one command.
    stops.scope = st.optimise_run || ctx.hooks.module_cut ? nc::StopScope::Nothing
                  : st.batch_run  ? nc::StopScope::RequestsOnly
                                  : nc::StopScope::Everything;
    stops.mode = st.stop_mode;
    stops.requested = st.stop_request;
    const nc::Next next = nc::next_step(*ctx.interp, stops);
    if (next.request_taken) st.stop_request = false;
    return next;
}

// Step 9 for an executed block: its last M word for the wait test, the counter, the log's line
// and the NC window's line.
void note_block(RunContext& ctx, int last_m) {
    RunState& st = ctx.state;
    const nc::Interp& in = *ctx.interp;
    st.current_m = last_m;
    ++st.blocks;
    platform::log_set_line(in.main_line);
    if (st.run_mode == kModeRealCut || st.run_mode == kModeSkipCut) {
        std::string_view text = nc::current_block(*ctx.reader);
        if (!text.empty() && text.back() == '\n') text.remove_suffix(1);
        platform::show_nc_line(in.main_line, text);
    }
}

// Step 11: the block made another tool active.
void change_tool(RunContext& ctx) {
    RunState& st = ctx.state;
    const int t = nc::active_tool(*ctx.interp);
    if (t == st.active_tool) return;
    st.active_tool = t;
    run::write_needed_line(ctx, false, 0);
    sim::Attachment head;
    if (sim::select_tool(*ctx.tool, *ctx.tools, t, run::tool_options(ctx, head))) ctx.tools->current_tool = t;
    sim::write_limit_tool(ctx.limit_log, *ctx.tool);
    if ((st.run_mode == kModeRealCut || st.run_mode == kModeSkipCut) && ctx.sound) {
        platform::redraw(platform::ViewPart::ToolWindow);
        platform::stop_sounds();
        platform::play_sound("toolchg.wav", platform::SoundMode::Sync);
        platform::play_sound("aircut1.wav", platform::SoundMode::Loop);
        st.sound_loop = kSoundAir;
    }
    st.cut_sound = kSoundRapid;
}

// A tool length read from a comment: the current tool's protrusion (LENGTH) from here on, until
// the tool is selected again. A tool with neck lengths (LENGTH2, LENGTH3) keeps its own: said.
void apply_comment_length(RunContext& ctx) {
    double& length = ctx.interp->modal.comment_length;
    if (length <= 0.0) return;
    sim::CurrentTool& t = *ctx.tool;
    if (t.length.kind == sim::kLengthNone || t.length.kind == sim::kLength1) {
        t.length.kind = sim::kLength1;
        t.length.L[0] = float(length);
        sim::Attachment head;
        t.profile = sim::build_profile(t.tool, t.length, t.holder, run::tool_options(ctx, head));
    } else {
        platform::note("vornex: line " + std::to_string(ctx.interp->main_line) + ": tool " + std::to_string(t.number) +
                       " has neck lengths; the length from the comment is not applied");
    }
    length = 0.0;
}

int block_loop(RunContext& ctx) {
    RunState& st = ctx.state;
    const nc::Interp& in = *ctx.interp;
    st.running = true;
    for (;;) {
        // A continued run goes on with the block it stopped at: the steps before it ran then.
        if (!nc::stop_pending(in) && !before_block(ctx)) return run::end_run(ctx);
        const nc::Next next = next_step(ctx);
        if (next.step == nc::Step::Stop) return run::suspend(ctx);
        if (next.executed) note_block(ctx, next.last_m);
        if (next.executed && st.optimise_run && in.block.special == 92 && in.block.any_axis &&
            ctx.hooks.optimise_position)
            ctx.hooks.optimise_position(ctx.hooks.context, in.modal.position);
        if (next.step == nc::Step::End || next.step == nc::Step::Alarm) {  // step 10
            if (nc::alarm_code(in) > 0) st.abort = true;  // a move that came with the alarm is not cut
            return run::end_run(ctx);
        }
        change_tool(ctx);
        apply_comment_length(ctx);
        if (next.step == nc::Step::Move && !run::cut_move(ctx)) return run::end_run(ctx);
        if (nc::end_state(in) >= nc::kEndEnded) return run::end_run(ctx);
        run::report_progress(ctx, false);
    }
}

int continue_run(RunContext& ctx, int mode, bool fast) {
    RunState& st = ctx.state;
    platform::stop_timer(kSuspendTimer);
    st.run_mode = mode;
    st.fast_run = fast;
    follow_run_mode(ctx);
    st.suspended = st.continue_pending = st.blink = false;
    st.pause_reason = PauseReason::Stop;
    apply_check_settings(*ctx.settings, st.checks);
    platform::set_cursor(platform::Cursor::Wait);
    rebuild_title(ctx);
    return block_loop(ctx);
}

}  // namespace

// ---- Shared helpers ----

namespace run {

int sync_mode(const RunContext& ctx) {
    const int mode = ctx.settings->sync.mode;
    const RunHooks& h = ctx.hooks;
    const bool served = (mode == 1 && h.sync_handshake) || (mode == 2 && h.sync_publish);
    return served ? mode : 0;
}
bool cutting_mode(int mode) { return mode >= kModeRealCut && mode <= kModeCutShow; }

double move_step(const RunContext& ctx) {
    const MovePitch& p = ctx.settings->define.move_pitch;
    if (!p.automatic) return p.pitch;
    const sim::Workpiece& wp = *ctx.workpiece;
    return sim::automatic_move_pitch(p.rate, wp.height.data ? wp.geometry.pitch : ctx.settings->define.work_pitch.pitch);
}

sim::ProfileOptions tool_options(const RunContext& ctx, sim::Attachment& head) {
    const sim::Workpiece& wp = *ctx.workpiece;
    const double pitch = wp.height.data ? wp.geometry.pitch : 0.0;
    sim::ProfileOptions o = selection_options(*ctx.settings, pitch, mounted_attachment(*ctx.mtl, head));
    o.arbor_check = ctx.state.checks.arbor;
    return o;
}

bool escape_held(const RunContext& ctx) { return held(escape_key(ctx.settings->define.escape_key)); }

bool escape_pressed(const RunContext& ctx) { return escape_held(ctx) && sync_mode(ctx) == 0; }

sim::BlockRef block_ref(const RunContext& ctx) {
    const nc::Reader& r = *ctx.reader;
    sim::BlockRef b;
    b.in_subprogram = r.depth > 0;
    if (b.in_subprogram) b.subprogram = r.levels[std::size_t(r.depth - 1)].name;
    b.line = ctx.interp->line;
    b.text = nc::current_block(r);
    if (!b.text.empty() && b.text.back() == '\n') b.text.remove_suffix(1);
    return b;
}

int continue_command(const RunContext& ctx) {
    return ctx.state.run_mode + (ctx.state.fast_run ? cmd::kFastModeBase : cmd::kModeBase);
}

void note_finding(RunContext& ctx, std::string_view kind, int code, int line, std::string text) {
    RunFindings& f = ctx.state.findings;
    ++f.count;
    if (f.list.size() < kMaxFindings) f.list.push_back({kind, code, line, std::move(text)});
}

void report_progress(RunContext& ctx, bool force) {
    if (!ctx.progress_display) return;
    RunState& st = ctx.state;
    const std::int64_t now = now_ns();
    if (!force && now - st.progress_ns < std::chrono::nanoseconds(kProgressInterval).count()) return;
    st.progress_ns = now;
    platform::progress_status(ctx.reader->line_number, st.total_lines, st.moves, double(now - st.started_ns) * 1e-9);
}

}  // namespace run

// ---- Entry points ----

void prepare_run_context(RunContext& ctx) {
    const DefineSettings& d = ctx.settings->define;
    ctx.state.stop_mode = ctx.ctl->stop_option;
    ctx.state.checks = check_settings(*ctx.settings);
    ctx.sound = d.sound;
    ctx.progress_display = d.progress_bar;
    ctx.start_point = d.control_point;
    if (ctx.work_dir.empty()) ctx.work_dir = platform::current_directory();
}

bool is_run_command(int command) {
    bool fast, optimise;
    return command_mode(command, fast, optimise) != 0;
}

int run_command(RunContext& ctx, int command) {
    bool fast = false, optimise = false;
    const int mode = command_mode(command, fast, optimise);
    if (mode == 0 || !linked(ctx) || ctx.state.running || ctx.nc_path.empty()) return kRunIgnored;
    if (ctx.state.suspended) return continue_run(ctx, mode, fast);
    if (optimise && ctx.hooks.optimise_dialog && !ctx.hooks.optimise_dialog(ctx.hooks.context)) return kRunIgnored;
    if (!begin_run(ctx, mode, fast, optimise)) return refuse_run(ctx);
    return block_loop(ctx);
}

int set_stop_mode(RunContext& ctx, int command) {
    if (command < cmd::kStopModeFirst || command > cmd::kStopModeLast) return 0;
    ctx.state.stop_mode = command - cmd::kStopModeFirst;
    return 1;
}

}  // namespace vx::shell
