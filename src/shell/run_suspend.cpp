// Stopping at a block and what a suspended run answers to: the wait files, the suspension timer,
// the key G, and the workpiece backup of the C and B keys.
#include "platform/platform.h"
#include "shell/run_steps.h"
#include "shell/workpiece.h"

#include <cstdio>
#include <filesystem>

namespace vx::shell {
namespace {

// ---- Constants ----

constexpr int kBlinkIntervalMs = 500;  // no automatic continuation: the stop panel blinks
constexpr int kWaitIntervalMs = 100;   // a wait file or a sync partner is watched

bool exists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::exists(path, ec) || ec;  // an unreadable folder still holds the file
}

// The continuation that a tick found: the timer stops and the run's own command comes back.
int released(RunContext& ctx) {
    ctx.state.continue_pending = false;
    platform::stop_timer(kSuspendTimer);
    return run::continue_command(ctx);
}

}  // namespace

namespace run {

int suspend(RunContext& ctx) {
    RunState& st = ctx.state;
    st.suspended = true;
    st.running = false;
    st.blink = false;
    std::string_view line = nc::current_block(*ctx.reader);
    if (!line.empty() && line.back() == '\n') line.remove_suffix(1);
    platform::show_nc_line(ctx.reader->line_number, line);
    if (ctx.hooks.line_stopped) ctx.hooks.line_stopped(ctx.hooks.context, ctx.reader->line_number);
    platform::refresh_menus();
    platform::set_cursor(platform::Cursor::Normal);
    platform::start_timer(kSuspendTimer, suspend_interval_ms(ctx));
    rebuild_title(ctx);
    return kRunSuspended;
}

bool start_wait(RunContext& ctx, int m) {
    const nc::WaitMCode* wait = nc::find_wait_m_code(*ctx.ctl, m);
    if (!wait) return false;
    RunState& st = ctx.state;
    st.wait_file = nc::wait_file_path(*wait, ctx.work_dir);
    st.wait_m = m;
    if (std::FILE* f = std::fopen(st.wait_file.c_str(), "wb")) std::fclose(f);
    st.continue_pending = true;
    return true;
}

int take_backup_now(RunContext& ctx) {
    if (!sim::take_backup(*ctx.workpiece)) return 0;
    ctx.backup = RunBackup{true, ctx.state.move.position, ctx.tool->number, ctx.tool->pen};
    return 1;
}

}  // namespace run

// ---- Suspension timer and keys ----

int suspend_interval_ms(const RunContext& ctx) {
    const int sync = run::sync_mode(ctx);
    if (sync == 2) return 0;
    return ctx.state.continue_pending ? kWaitIntervalMs : kBlinkIntervalMs;
}

int run_tick(RunContext& ctx) {
    RunState& st = ctx.state;
    if (!st.suspended || st.running || st.ticking) return 0;
    st.ticking = true;
    int command = 0;
    const int sync = run::sync_mode(ctx);
    if (sync == 0) {
        if (!st.continue_pending) platform::focus_window();
        if (st.continue_pending && !exists(st.wait_file)) {
            command = released(ctx);
        } else {
            st.blink = !st.blink;
            rebuild_title(ctx);
        }
    } else if (ctx.hooks.sync_released && ctx.hooks.sync_released(ctx.hooks.context, sync)) {
        if (sync == 1) platform::set_stop_panel("\tGO");
        command = released(ctx);
    }
    st.ticking = false;
    return command;
}

int run_key_go(RunContext& ctx) {
    RunState& st = ctx.state;
    if (!st.suspended || st.continue_pending || st.running) return 0;
    if (run::sync_mode(ctx) == 1 && ctx.hooks.sync_go && ctx.hooks.sync_go(ctx.hooks.context)) return 0;
    st.interference_paused = false;
    ctx.interference.pending = 0;
    platform::stop_timer(kSuspendTimer);
    platform::set_stop_panel("\tGO");
    return run::continue_command(ctx);
}

// ---- Backup keys ----

int take_run_backup(RunContext& ctx) {
    if (ctx.state.running) return 0;
    return run::take_backup_now(ctx);
}

int restore_run_backup(RunContext& ctx) {
    // A suspended run goes on from its own tool and position: the workpiece stays as it is.
    if (ctx.state.running || ctx.state.suspended) return 0;
    sim::Workpiece& wp = *ctx.workpiece;
    // The undo of a thinning, a cut or a quarter turn brings back another grid: the tool's
    // pitch-dependent data and the basic model follow it.
    const bool other_grid = sim::has_backup_layer(wp) && wp.backup.taken && sim::backup_is_other_grid(wp);
    if (!sim::restore_backup(wp)) return 0;
    sim::rebuild_coordinate_table(wp);
    const RunBackup& b = ctx.backup;
    const int tool = b.taken ? b.tool : ctx.tool->number;
    if (other_grid || tool != ctx.tool->number) {
        sim::Attachment head;
        if (sim::select_tool(*ctx.tool, *ctx.tools, tool, run::tool_options(ctx, head))) ctx.tools->current_tool = tool;
    }
    if (b.taken) {
        ctx.state.move.position = b.position;
        ctx.tool->pen = b.pen;
    }
    if (other_grid && ctx.settings) load_basic_model(wp, *ctx.settings);
    platform::redraw(platform::ViewPart::Workpiece);
    platform::redraw(platform::ViewPart::ToolWindow);
    return 1;
}

}  // namespace vx::shell
