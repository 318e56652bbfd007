// The end of a run: the needed-value file of the compute modes, the end code and its one
// message, the closing of the run's files, and the escape that ends a suspended run.
#include "platform/files.h"
#include "platform/language.h"
#include "platform/platform.h"
#include "shell/run_steps.h"

#include <cstdio>

namespace vx::shell {
namespace {

using platform::TextPair;

// ---- Texts ----

constexpr TextPair kTextWriteProtect{"書き込み保護されています", "Write protect"};
constexpr TextPair kTextLengthFile{"突出し長.txt", "length.txt"};
constexpr TextPair kTextHeightFile{"有効刃長.txt", "height.txt"};
constexpr TextPair kTextChipFile{"チップ幅.txt", "chip-w.txt"};
constexpr std::string_view kFixedName = "length.txt";
constexpr std::string_view kAutoSuffix = "_length.txt";
constexpr std::string_view kSystemHand = "SystemHand";

// The end codes that the rapid check and the load decide, after everything else was ruled out.
bool fallback_code(int code) { return code == 1 || code == 6 || code == 7; }

std::string folder_of(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// The NC path with its extension (of the file name, not of a folder) replaced.
std::string replace_extension(const std::string& path, std::string_view suffix) {
    const auto slash = path.rfind('/');
    const auto dot = path.rfind('.');
    const bool has_extension = dot != std::string::npos && (slash == std::string::npos || dot > slash);
    return (has_extension ? path.substr(0, dot) : path) + std::string(suffix);
}

// ---- Result files ----

void close_needed_file(RunContext& ctx) {
    if (!ctx.needed_file) return;
    ctx.needed_file.reset();
    const RunState& st = ctx.state;
    if (!st.batch_run && !ctx.no_dialogs) platform::open_document(ctx.needed_path);
}

void close_limit_files(RunContext& ctx) {
    sim::close_limit_log(ctx.limit_log);
    if (ctx.no_dialogs) return;
    for (int kind : {sim::kLimitAreaLog, sim::kLimitRateLog}) {
        const int slot = kind == sim::kLimitAreaLog ? 0 : 1;
        if (ctx.limit_log.records[std::size_t(slot)] > 0)
            platform::open_document(ctx.limit_log.folder + std::string(sim::limit_log_name(kind)));
    }
}

// "alarm.txt": shown after the run under OPEN; a list that could not be created is reported.
void close_alarm_list(RunContext& ctx) {
    const bool quiet = ctx.state.batch_run || ctx.no_dialogs;
    nc::finish_alarm_list(ctx.interp->alarm_list, ctx.ctl->radius_offset_check.list == 2, quiet);
}

// The files every ending of a run closes, whichever way it ends.
void close_run_files(RunContext& ctx, bool aborted, int end_code) {
    run::write_needed_line(ctx, aborted, end_code);
    if (run::cutting_mode(ctx.state.run_mode)) close_needed_file(ctx);
    ctx.needed_file.reset();
    if (ctx.state.optimise_run && ctx.hooks.optimise_finish) ctx.hooks.optimise_finish(ctx.hooks.context, aborted, end_code);
    close_limit_files(ctx);
    sim::end_interference_run(ctx.interference);
    close_alarm_list(ctx);
}

void release_source(RunContext& ctx) {
    nc::close_sources(*ctx.reader);
    if (ctx.hooks.close_line_link) ctx.hooks.close_line_link(ctx.hooks.context);
}

// ---- End code and message ----

int choose_end_code(RunContext& ctx, int alarm) {
    const RunState& st = ctx.state;
    const int code = sim::run_end_code(st.checks, st.flags, st.overload.recorded, alarm);
    if (alarm == 0 && fallback_code(code) && ctx.sound) platform::play_sound("pokin.wav", platform::SoundMode::Async);
    return code;
}

void show_end_message(const RunContext& ctx) {
    const RunState& st = ctx.state;
    const int code = st.end_code;
    if (code == 0) return;
    if (code > nc::kAlarmEndCodeBase) {
        nc::show_alarm(ctx.reader->alarm, ctx.ctl->start_code, ctx.nc_path);
        return;
    }
    if (st.run_mode == kModeToolTipPath || st.run_mode == kModeCommandPath) return;  // paths show alarms only
    sim::AlarmDetail detail;
    detail.rapid_path_uncertain = st.rapid_path_uncertain;
    detail.step_direction = st.overload.step_direction;
    detail.spindle_low = st.flags.spindle == sim::SpindleEvent::Low;
    sim::show_alarm(code, detail, ctx.nc_path, ctx.interp->main_line);
}

// A batch run names the codes of the program that did nothing, so that no part of a program
// is skipped in silence.
void report_no_effect(const RunContext& ctx) {
    if (!ctx.state.batch_run) return;
    const std::string line = nc::no_effect_summary(ctx.interp->no_effect);
    if (!line.empty()) std::fprintf(stderr, "%s\n", line.c_str());
}

// A batch fast run says how many of its moves the whole-move step did not cover: those were
// sampled in steps, slower than the user asked for.
void report_sampled_moves(const RunContext& ctx) {
    const RunState& st = ctx.state;
    if (!st.batch_run || !st.fast_run || st.sampled_moves == 0) return;
    std::fprintf(stderr, "fast run: %lld of %lld cut moves were sampled in steps (not covered by the whole-move step)\n",
                 static_cast<long long>(st.sampled_moves), static_cast<long long>(st.sampled_moves + st.whole_moves));
}

}  // namespace

// ---- Needed-value file ----

std::string needed_value_path(const Settings& settings, const sim::Checks& checks, const std::string& nc_path,
                              const std::string& work_dir) {
    if (!sim::computes_any(checks)) return {};
    const OutputSettings& o = settings.output;
    if (o.length_naming == LengthNaming::Auto) return replace_extension(platform::absolute(nc_path, work_dir), kAutoSuffix);
    const std::string dir = o.length_dir.empty() ? work_dir : platform::absolute(o.length_dir, work_dir);
    if (o.length_naming == LengthNaming::Fixed) return dir + std::string(kFixedName);
    // The arbor check takes precedence, then the effective length.
    const TextPair& name = sim::computes(checks.arbor)    ? kTextLengthFile
                           : sim::computes(checks.height) ? kTextHeightFile
                                                          : kTextChipFile;
    return dir + std::string(platform::text(name));
}

namespace run {

int open_needed_file(RunContext& ctx) {
    ctx.needed_file.reset();
    ctx.needed_path = needed_value_path(*ctx.settings, ctx.state.checks, ctx.nc_path, ctx.work_dir);
    if (ctx.needed_path.empty()) return 0;
    platform::make_directories(folder_of(ctx.needed_path));
    ctx.needed_file.reset(std::fopen(ctx.needed_path.c_str(), ctx.settings->output.length_append ? "ab" : "wb"));
    if (!ctx.needed_file) {
        platform::show_message({ctx.needed_path, platform::text(kTextWriteProtect)});
        return 0;
    }
    const std::string line = platform::absolute(ctx.nc_path, ctx.work_dir) + "\n";
    std::fwrite(line.data(), 1, line.size(), ctx.needed_file.get());
    return 1;
}

void write_needed_line(RunContext& ctx, bool aborted, int end_code) {
    // A fast run computes no required values: its line would report margins as findings.
    if (ctx.state.fast_run || !ctx.needed_file) return;
    sim::write_requirement_line(ctx.needed_file.get(), *ctx.tool, false, ctx.result.required, ctx.state.checks,
                                sim::RunStop{aborted, end_code});
}

int end_run(RunContext& ctx) {
    RunState& st = ctx.state;
    const int alarm = nc::alarm_code(*ctx.interp);
    // 1: filter, sync, source.
    if (ctx.settings->dmf.bottom_filter == BottomFilter::Always) sim::raise_to_bottom(*ctx.workpiece);
    if (sync_mode(ctx) == 1 && ctx.hooks.sync_finish) ctx.hooks.sync_finish(ctx.hooks.context);
    st.suspended = false;
    release_source(ctx);
    if (ctx.hooks.module_end && !ctx.hooks.module_end(ctx.hooks.module_context, st.abort)) st.abort = true;
    // 2, 3: sound and end code.
    const bool cutting_sounds = st.run_mode == kModeRealCut || st.run_mode == kModeSkipCut;
    if (!st.abort && !st.interference_end && alarm == 0 && cutting_sounds && ctx.sound) {
        platform::stop_sounds();
        platform::play_sound("toolchg.wav", platform::SoundMode::Sync);
    } else if (st.sound_loop != 0) {
        platform::stop_sounds();  // a machining loop must not outlast its run
    }
    st.sound_loop = 0;
    st.end_code = 0;
    if (alarm > 0) {
        const nc::Alarm& a = ctx.reader->alarm;
        note_finding(ctx, kFindingAlarm, nc::kAlarmEndCodeBase + alarm, a.line,
                     nc::alarm_text(a, ctx.ctl->start_code, nc::AlarmForm::Log));
    }
    if (st.interference_end || alarm > 0) {
        platform::redraw(platform::ViewPart::ToolWindow);
        if (ctx.sound) platform::play_system_sound(kSystemHand);
        st.end_code = choose_end_code(ctx, alarm);
    }
    // 4, 5: message and view.
    report_progress(ctx, true);
    show_end_message(ctx);
    report_no_effect(ctx);
    report_sampled_moves(ctx);
    if (ctx.progress_display) platform::progress_end();
    if (st.run_mode == kModeCutShow) {
        platform::redraw(platform::ViewPart::Workpiece);
        if (st.interference_end) platform::redraw(platform::ViewPart::InterferencePosition);
    }
    // 6, 7: files, sync, state.
    close_run_files(ctx, st.abort, st.end_code);
    if (sync_mode(ctx) == 2 && ctx.hooks.sync_leave) ctx.hooks.sync_leave(ctx.hooks.context, st.end_code);
    platform::stop_timer(kSuspendTimer);
    platform::set_cursor(platform::Cursor::Normal);
    st.escape_exit = st.escaped && ctx.batch_level >= kBatchLogLevel;
    st.run_mode = kModeIdle;
    st.abort = st.running = st.continue_pending = false;
    rebuild_title(ctx);
    platform::refresh_menus();
    return kRunEnded;
}

}  // namespace run

int run_key_escape(RunContext& ctx) {
    RunState& st = ctx.state;
    if (!st.suspended || st.continue_pending || st.running) return 0;
    if (run::sync_mode(ctx) == 1 && ctx.hooks.sync_escape) {
        ctx.hooks.sync_escape(ctx.hooks.context);  // the partner ends both runs
        return 0;
    }
    if (ctx.sound) platform::stop_sounds();
    st.sound_loop = 0;
    platform::stop_timer(kSuspendTimer);
    platform::set_stop_panel("\tESC");
    release_source(ctx);
    if (ctx.progress_display) platform::progress_end();
    st.suspended = false;
    st.escaped = true;
    // The run's files are closed as at any other end, so that nothing is left open or unwritten.
    close_run_files(ctx, true, 0);
    st.end_code = 0;
    st.run_mode = kModeIdle;
    st.abort = false;
    platform::set_cursor(platform::Cursor::Normal);
    rebuild_title(ctx);
    platform::refresh_menus();
    platform::redraw(platform::ViewPart::NcWindow);
    return 1;
}

}  // namespace vx::shell
