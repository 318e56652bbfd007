// The commands of the plug-in modules that work on the workpiece: a simulation module's run
// (32941 + slot, keys F8 and F9, the batch suffixes s1..s3) and a modifier (32911 + slot, the
// batch switches -XU1..-XU3). A module that breaks the calling convention is refused, named on
// stderr, in the log and, with a window, in a message box, and the workpiece is given back.
#include "integration/plugin_work.h"
#include "nc/motion.h"
#include "platform/log.h"
#include "platform/platform.h"
#include "shell/handlers.h"
#include "shell/nc_links.h"
#include "shell/run_steps.h"
#include "work/operations.h"

#include <algorithm>

namespace vx::shell {
namespace {

// Nobody is there to answer a module's questions.
bool unattended(const App& app) { return app.plan.headless || app.run.minimised; }

// Says what a module did and why the command did nothing (or less than asked).
void tell(const App& app, const integration::Module& m, const std::string& what) {
    const std::string text = "vornex: the plug-in " + m.name + " " + what;
    platform::note(text);
    if (app.hooks.window) platform::show_message({m.name, text});
}

void refuse(App& app, const integration::Module& m, const std::string& problem) {
    const std::string name = m.name;
    integration::refuse_module(app.plugins, m, problem);
    if (app.hooks.window) platform::show_message({name, "The plug-in " + name + " " + problem + "; it is refused."});
}

// ---- A simulation module's run ----

struct ModuleRun {
    App& app;
    integration::SimSession session;
    bool refused = false;
};

// A point of the path as the module gets it: the tool tip.
void put_tip(double* out, const Vec3& p, double shift) {
    out[0] = p.x;
    out[1] = p.y;
    out[2] = p.z - shift;
}

VxSimMove piece(const nc::MoveRecord& m, std::int32_t line, double shift) {
    VxSimMove v{};
    const bool arc = m.motion == nc::kMotionCw || m.motion == nc::kMotionCcw;
    v.motion = arc ? m.motion : std::min(m.motion, 1);  // a multi-segment move is cut as lines
    v.line = line;
    put_tip(v.start, m.start, shift);
    put_tip(v.end, m.end, shift);
    put_tip(v.centre, arc ? m.centre : m.end, shift);
    v.normal = m.plane.normal;
    v.feed = m.feedrate;
    v.step = v.steps = 1;
    return v;
}

// The move in the straight sub-steps of the built-in cut: one CUTWORK each, while it says 1.
int cut_in_steps(ModuleRun& r, const nc::MoveRecord& m, VxSimMove v, double shift) {
    const RunContext& ctx = r.app.run;
    const sim::MovePath path = move_path(m);
    const int n = sim::step_count(nc::move_length(m), run::move_step(ctx));
    v.motion = std::min(v.motion, 1);  // each piece is straight
    for (int k = 1; k <= n; ++k) {
        if (ctx.pump_messages) platform::pump_messages();  // as the built-in cut does before every step
        const Vec3 p = sim::step_position(path, k, n);
        std::copy_n(v.end, 3, v.start);
        put_tip(v.end, p, shift);
        put_tip(v.centre, p, shift);
        v.step = k;
        v.steps = n;
        const int answer = integration::sim_cut(r.session, v);
        if (answer != 1) return answer;
    }
    return 1;
}

bool module_cut(void* context, const nc::MoveRecord& m) {
    ModuleRun& r = *static_cast<ModuleRun*>(context);
    const RunContext& ctx = r.app.run;
    integration::sim_tool(r.session, *ctx.tool);
    const double shift = ctx.tool->shift;
    const std::int32_t line = ctx.reader->depth > 0 ? -ctx.interp->line : ctx.interp->line;
    VxSimMove v = piece(m, line, shift);
    const bool arc = v.motion == nc::kMotionCw || v.motion == nc::kMotionCcw;
    const int type = r.session.path_type;
    const bool whole = type == VX_SIM_PATH_MOVES || (type == VX_SIM_PATH_LINES && !arc);
    if (!whole) std::copy_n(v.start, 3, v.end);  // the first step starts there
    const int answer = whole ? integration::sim_cut(r.session, v) : cut_in_steps(r, m, v, shift);
    r.refused |= answer < 0;
    return answer == 1;
}

bool module_end(void* context, bool aborted) {
    ModuleRun& r = *static_cast<ModuleRun*>(context);
    const bool kept = integration::sim_end(r.session, r.app.workpiece, aborted || r.refused);
    if (!kept) {
        r.refused = true;
        refuse(r.app, *r.session.module, r.session.problem);
    }
    return kept;
}

// Runs the selected program as cut and show result, the module cutting instead of the kernel.
int run_with_module(App& app, ModuleRun& r) {
    RunHooks& h = app.run.hooks;
    h.module_context = &r;
    h.module_cut = &module_cut;
    h.module_end = &module_end;
    const int status = run_command(app.run, cmd::kCutAndShow);
    h.module_context = nullptr;
    h.module_cut = nullptr;
    h.module_end = nullptr;
    if (r.session.started) module_end(&r, true);  // the run never started: END is still owed
    return r.refused ? 0 : status;
}

// ---- A modifier ----

int finish_modifier(App& app, const integration::Module& m, integration::ModResult result, const std::string& problem) {
    switch (result) {
    case integration::ModResult::Refused: refuse(app, m, problem); return 0;
    case integration::ModResult::Unchanged: tell(app, m, "left the workpiece as it was"); break;
    case integration::ModResult::Changed: break;
    }
    rebuild_title(app.run);
    platform::redraw(platform::ViewPart::Workpiece);
    return 1;
}

}  // namespace

namespace handlers {

int simulation_plugin(App& app, int id, int, const CommandArgs*) {
    const integration::Module* m = integration::module(app.plugins, integration::Family::Sim, id - cmd::kSimPlugin);
    if (!m) return 0;
    if (app.run.state.suspended) {
        tell(app, *m, "cannot cut while a run is suspended: continue it (G) or end it (escape) first");
        return 0;
    }
    if (!has_workpiece(app)) {
        tell(app, *m, "has no workpiece to cut: define or load one first");
        return 0;
    }
    if (!integration::ask_parameter(*m, unattended(app))) {
        tell(app, *m, "was cancelled in its settings; nothing was cut");
        return 0;
    }
    ModuleRun r{app, {}};
    switch (integration::sim_begin(r.session, *m, app.workpiece, app.run.nc_path)) {
    case integration::SimStart::Refused: refuse(app, *m, r.session.problem); return 0;
    case integration::SimStart::Declined: tell(app, *m, "declined to cut " + app.run.nc_path); return 0;
    case integration::SimStart::Started: break;
    }
    return run_with_module(app, r);
}

int modifier_plugin(App& app, int id, int, const CommandArgs*) {
    const integration::Module* m = integration::module(app.plugins, integration::Family::Mod, id - cmd::kModPlugin);
    if (!m) return 0;
    if (!integration::ask_parameter(*m, unattended(app))) {
        tell(app, *m, "was cancelled in its settings; the workpiece is as it was");
        return 0;
    }
    work::backup_before_operation(app.workpiece);
    std::string problem;
    const integration::ModResult result = integration::modify_workpiece(*m, app.workpiece, problem);
    return finish_modifier(app, *m, result, problem);
}

}  // namespace handlers
}  // namespace vx::shell
