// Start-up in its order (language, command line, settings, definitions, workpiece) and the
// unattended batch: each planned step becomes the command it names, with file names from the
// plan instead of dialogs. Commands whose modules do not exist yet are reported as such, on
// stderr and in the log, and count as failed steps.
#include "shell/startup.h"

#include "integration/plugins.h"
#include "nc/ctl.h"
#include "nc/mtl.h"
#include "platform/files.h"
#include "platform/log.h"
#include "shell/message_file.h"
#include "shell/sim_options.h"
#include "sim/bands.h"
#include "sim/tools.h"
#include "work/dmf.h"

#include <algorithm>
#include <cstdio>
#include <thread>

namespace vx::shell {
namespace {

// ---- Commands of the batch ----

bool not_available(const BatchStep& step, const char* what) {
    tell(std::string("vornex: ") + what + " (command " + std::to_string(step.command) +
         ") is not available in this build yet");
    return false;
}

// After a load changed the pitch, the tool's pitch-dependent data follow it.
void reselect_tool(const Settings& settings, const sim::Workpiece& wp) {
    sim::CurrentTool& tool = sim::current_tool();
    sim::select_tool(tool, sim::tool_table(), tool.number, selection_options(settings, wp.geometry.pitch, nullptr));
}

bool load_workpiece(const BatchStep& step, RunContext& ctx) {
    if (step.command != cmd::kLoadWork) return not_available(step, "loading a pressed or swung workpiece");
    if (!work::has_dmf_suffix(step.path) && !work::has_dmfz_suffix(step.path))
        return not_available(step, "loading this workpiece format");
    const work::OpenResult result = work::open_workpiece(*ctx.workpiece, step.path, work::open_options(*ctx.settings));
    if (result.status != 1) return false;
    if (ctx.settings->dmf.bottom_filter != BottomFilter::Off) sim::raise_to_bottom(*ctx.workpiece);
    if (result.pitch_changed) reselect_tool(*ctx.settings, *ctx.workpiece);
    ctx.workpiece_file = step.path;
    load_basic_model(*ctx.workpiece, *ctx.settings);  // the new grid released the old one
    return true;
}

bool select_nc(const BatchStep& step, RunContext& ctx) {
    if (!platform::is_file(step.path)) {
        tell("vornex: cannot open the NC file " + step.path);
        return false;
    }
    ctx.nc_path = step.path;
    rebuild_title(ctx);
    return true;
}

bool save_workpiece(const BatchStep& step, RunContext& ctx) {
    if (step.parameter != kSaveDmf) return not_available(step, "saving in this format");
    return work::save_workpiece(*ctx.workpiece, step.path, work::save_options(*ctx.settings)) == 1;
}

bool run(const BatchStep& step, RunContext& ctx, BatchOutcome& outcome) {
    const int result = run_command(ctx, step.command);
    if (ctx.state.escape_exit) outcome.escaped = true;
    if (result == kRunNotOpened || result == kRunIgnored) return false;
    // A run that ended with an alarm or an interference has still done its job: the log says so.
    return true;
}

// One command step; false when it failed.
bool command(const BatchStep& step, RunContext& ctx, BatchOutcome& outcome) {
    if (is_run_command(step.command)) return run(step, ctx, outcome);
    switch (step.command) {
        case cmd::kLoadWork:
        case cmd::kLoadPress:
        case cmd::kLoadSwing: return load_workpiece(step, ctx);
        case cmd::kSelectNc: return select_nc(step, ctx);
        case cmd::kSaveWork: return save_workpiece(step, ctx);
        case cmd::kReport: return not_available(step, "the verification report");
        default: break;
    }
    if (step.command >= cmd::kSimPlugin && step.command < cmd::kSimPlugin + 3)
        return not_available(step, "the simulation plug-in");
    return not_available(step, "this workpiece operation");
}

// The interpreter alarm of the selection's check, for end_on_alarm. The selection itself does
// not interpret yet, so it never leaves one.
bool alarm_pending(const RunContext& ctx) { return ctx.interp && nc::alarm_code(*ctx.interp) > 0; }

// ---- Definitions ----

double work_pitch(const Settings& settings, double x0, double y0, double x1, double y1) {
    const WorkPitch& p = settings.define.work_pitch;
    if (!p.automatic) return p.pitch;
    return sim::automatic_pitch(x0, y0, x1, y1, p.target_cells, settings.define.minimum_pitch);
}

}  // namespace

void tell(const std::string& line) {
    std::fprintf(stderr, "%s\n", line.c_str());
    if (platform::log_is_open()) platform::log_write(line + "\n");
}

Startup parse_start(int argc, const char* const* argv) {
    Startup start;
    start.current_dir = platform::current_directory();
    start.program_dir = platform::program_directory();
    load_message_file(start.current_dir, start.program_dir);  // sets the language when found
    integration::load_plugins(integration::plugins(), start.program_dir);

    CommandLineContext context;
    context.current_dir = start.current_dir;
    start.command_line = parse_command_line(argc, argv, context);
    for (const std::string& d : start.command_line.diagnostics) tell("vornex: " + d);

    const int processors = int(std::max(1u, std::thread::hardware_concurrency()));
    static sim::IdealProcessor ideal;
    sim::set_ideal_processor(ideal, start.command_line.ideal_processor);
    start.settings_context = settings_context(start.command_line, start.current_dir, start.program_dir, processors);
    const std::string path = settings_path(settings_file_name(start.command_line), start.settings_context);
    settings() = read_settings(path, start.settings_context);
    apply_command_line(start.command_line, start.settings_context, settings());

    start.plan = plan_batch(start.command_line);
    for (const std::string& note : start.plan.notes) tell("vornex: " + note);
    return start;
}

bool load_definitions(const Startup& start) {
    const Settings& s = settings();
    const double pitch = sim::workpiece().geometry.pitch;
    bool all = true;
    if (sim::load_tool_table(s.table.tool_table, tool_table_options(s, pitch, nullptr)) != 1) {
        tell("vornex: cannot read the tool file " + s.table.tool_table);
        all = false;
    }
    if (const auto& n = start.command_line.initial_tool) {
        sim::CurrentTool& tool = sim::current_tool();
        if (!sim::select_tool(tool, sim::tool_table(), *n, selection_options(s, pitch, nullptr)))
            tell("vornex: the tool file has no tool " + std::to_string(*n));
    }
    if (nc::load_ctl(s.table.controller_table, nc::ctl(), start.current_dir) != 1) {
        tell("vornex: cannot read the controller definition " + s.table.controller_table);
        all = false;
    }
    if (nc::load_mtl(s.table.machine_table, nc::mtl()) != 1) {
        tell("vornex: cannot read the machine definition " + s.table.machine_table);
        all = false;
    }
    return all;
}

int define_box_workpiece(sim::Workpiece& wp, const Settings& settings) {
    const InitialBox& box = settings.dmf.initial_size;
    const double x0 = std::min(box.first.x, box.second.x), x1 = std::max(box.first.x, box.second.x);
    const double y0 = std::min(box.first.y, box.second.y), y1 = std::max(box.first.y, box.second.y);
    const double z0 = std::min(box.first.z, box.second.z), z1 = std::max(box.first.z, box.second.z);
    sim::GridGeometry g;
    if (!(x1 > x0) || !(y1 > y0) || !sim::size_grid(g, x0, y0, x1, y1, work_pitch(settings, x0, y0, x1, y1))) {
        tell("vornex: the box of INITIAL SIZE is empty or its pitch is not usable");
        return 0;
    }
    if (!sim::allocate_workpiece_or_report(wp, g, settings.dmf.data_level)) return 0;
    return sim::define_uniform_body(wp, z1, z0);
}

void load_basic_model(sim::Workpiece& wp, const Settings& settings) {
    const std::string& path = settings.dmf.basic_model;
    if (!path.empty() && work::load_model(wp, path, work::ModelUse::Basic) != 1)
        tell("vornex: the basic model " + path + " was not loaded");
}

BatchOutcome execute_batch(const Startup& start, RunContext& ctx) {
    BatchOutcome outcome;
    outcome.failed = start.plan.missing_nc;
    const std::vector<BatchStep>& steps = start.plan.steps;
    const Settings& s = *ctx.settings;
    for (std::size_t k = 0; k < steps.size(); ++k) {
        const BatchStep& step = steps[k];
        bool ended = false;
        switch (step.kind) {
            case StepKind::LogOpen: open_batch_log(s.output.log_dir, start.current_dir); break;
            case StepKind::LogEnd: end_batch_log(); break;
            case StepKind::Quit: return outcome;
            case StepKind::Command: {
                const bool done = command(step, ctx, outcome);
                outcome.failed |= !done;
                ended = (step.end_on_failure && !done) || (step.end_on_alarm && alarm_pending(ctx));
                break;
            }
        }
        if (!ended) continue;
        // The batch ends here, but the log is still ended and the program still quits.
        for (++k; k < steps.size(); ++k) {
            if (steps[k].kind == StepKind::LogEnd) end_batch_log();
            if (steps[k].kind == StepKind::Quit) return outcome;
        }
    }
    return outcome;
}

}  // namespace vx::shell
