#include "shell/sync_links.h"

#include "platform/log.h"
#include "platform/platform.h"
#include "shell/app.h"
#include "shell/dispatch.h"
#include "shell/run_steps.h"

#include <chrono>
#include <thread>
#include <utility>

namespace vx::shell {
namespace {

// ---- Constants ----

// A barrier or a handshake that has waited this long is reported once: a partner that never
// comes would otherwise leave a silent, hanging process.
constexpr std::int64_t kLongWaitMs = 10000;
// Without a window the batch checks a suspended run this often when the timer's interval is 0
// (handshake mode: the next step follows the acknowledgement at once).
constexpr auto kBatchTickFloor = std::chrono::microseconds(200);

App& app_of(void* context) { return *static_cast<App*>(context); }
SyncLinks& links(void* context) { return app_of(context).sync; }

// ---- Start-up ----

// Why a SHARE NAME cannot be used, or empty when it can.
std::string name_refusal(const std::string& name) {
    const std::string problem = platform::share_name_problem(name);
    return problem.empty() ? problem : "SHARE NAME \"" + name + "\" cannot name shared memory (" + problem + ")";
}

void open_shared_workpiece(App& app) {
    const DmfSettings& d = app.settings.dmf;
    if (!d.share_mode) return;
    const std::string refusal = name_refusal(d.share_name);
    if (!refusal.empty()) {
        platform::note("vornex: " + refusal + "; the workpiece is not shared");
        return;
    }
    app.workpiece.share_name = d.share_name;
}

// Why the sync mode cannot be served, or empty when its block is mapped.
std::string open_sync_block(App& app) {
    const SyncSettings& s = app.settings.sync;
    SyncLinks& l = app.sync;
    const std::string refusal = name_refusal(s.share_name);
    if (!refusal.empty()) return refusal;
    if (s.mode == 1) {
        const std::string problem = integration::lockstep_problem(s.total, s.number);
        if (!problem.empty()) return problem;
    }
    const std::size_t size = s.mode == 1 ? integration::kLockstepBytes : integration::kHandshakeBytes;
    std::string error;
    // The partners share one block: whoever comes first creates it.
    if (!platform::map_shared_memory(l.block, platform::shared_block_name(s.share_name), size,
                                     platform::ShareOpen::Join, &error))
        return error;
    if (s.mode == 1) {
        l.lockstep = {static_cast<std::uint8_t*>(l.block.data), s.total, s.number};
        integration::lockstep_reset(l.lockstep);
    }
    return {};
}

// ---- Hooks of the run ----

// While the barrier waits: the window stays alive, Escape gives the wait up, and a long wait is
// reported once.
bool barrier_give_up(void* context, std::int64_t waited_ms) {
    App& app = app_of(context);
    platform::pump_messages();
    if (waited_ms >= kLongWaitMs && !std::exchange(app.sync.wait_told, true))
        platform::note("vornex: waiting at the lockstep barrier for more than " + std::to_string(kLongWaitMs / 1000) +
                       " s: are all " + std::to_string(app.settings.sync.total) +
                       " instances of SYNC TOTAL running under SHARE NAME \"" + app.settings.sync.share_name + "\"?");
    app.sync.gave_up = run::escape_held(app.run);
    return app.sync.gave_up;
}

int barrier(void* context) {
    App& app = app_of(context);
    app.sync.wait_told = app.sync.gave_up = false;
    const int result = integration::lockstep_barrier(app.sync.lockstep, {&barrier_give_up, context});
    if (result == integration::kBarrierEnded)
        platform::note("vornex: the lockstep run ends after line " + std::to_string(app.interp.main_line) +
                       (app.sync.gave_up ? ": the wait for the partners was given up with the escape key"
                                         : ": a partner has ended its run"));
    return result;
}

void lockstep_clear(void* context) { integration::lockstep_reset(links(context).lockstep); }
void lockstep_finish(void* context) { integration::lockstep_finish(links(context).lockstep); }
void lockstep_escape(void* context) { integration::lockstep_escape(links(context).lockstep); }
bool lockstep_go(void* context) { return integration::lockstep_go(links(context).lockstep); }

bool released(void* context, int mode) {
    SyncLinks& l = links(context);
    if (mode == 1) return integration::lockstep_may_continue(l.lockstep);
    return integration::handshake_acknowledged(l.block.data);
}

void publish(void* context, int line, const Vec3& position) { integration::handshake_publish(links(context).block.data, line, position); }
void leave(void* context, int) { integration::handshake_end(links(context).block.data); }

void install_hooks(App& app) {
    RunHooks& h = app.run.hooks;
    h.context = &app;
    if (app.sync.mode == 1) {
        h.sync_clear = &lockstep_clear;
        h.sync_handshake = &barrier;
        h.sync_finish = &lockstep_finish;
        h.sync_released = &released;
        h.sync_escape = &lockstep_escape;
        h.sync_go = &lockstep_go;
    } else if (app.sync.mode == 2) {
        h.sync_released = &released;
        h.sync_publish = &publish;
        h.sync_leave = &leave;
    }
}

void hand_machine_name(void* context, std::string_view name) {
    integration::sync_plugin_machine_name(app_of(context).plugins, std::string(name));
}

}  // namespace

void open_sync(App& app) {
    open_shared_workpiece(app);
    const int mode = app.settings.sync.mode;
    if (mode == 0) return;
    const std::string problem = open_sync_block(app);
    if (!problem.empty()) {
        platform::note(std::string("vornex: SYNC MODE ") + (mode == 1 ? "SYNC" : "MAPFILE") + " is refused: " +
                       problem + "; runs are not synchronised");
        return;
    }
    app.sync.mode = mode;
    install_hooks(app);
}

void close_sync(App& app) {
    platform::release_shared_memory(app.sync.block);
    app.sync.mode = 0;
}

int follow_suspended_run(App& app, int status) {
    using Clock = std::chrono::steady_clock;
    Clock::time_point since = Clock::now();
    bool told = false;
    while (app.run.state.suspended && app.sync.mode != 0) {
        const int interval = suspend_interval_ms(app.run);
        if (interval > 0) std::this_thread::sleep_for(std::chrono::milliseconds(interval));
        else std::this_thread::sleep_for(kBatchTickFloor);
        if (const int command = run_tick(app.run)) {
            status = dispatch(app, command, 0, nullptr);
            since = Clock::now();
            told = false;
            continue;
        }
        const auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count();
        if (waited >= kLongWaitMs && !std::exchange(told, true))
            platform::note("vornex: the run waits at line " + std::to_string(app.reader.line_number) +
                           " for the sync partner (SHARE NAME \"" + app.settings.sync.share_name + "\")");
    }
    return status;
}

nc::MtlNameHook machine_name_hook(App& app) { return {&app, &hand_machine_name}; }

}  // namespace vx::shell
