// Start-up in its order (language, plug-ins, command line, settings) and the unattended batch:
// each planned step becomes the command it names, sent through the dispatcher with the file
// names of the plan instead of dialogs.
#include "shell/startup.h"

#include "platform/files.h"
#include "platform/log.h"
#include "shell/definitions.h"
#include "shell/dispatch.h"
#include "shell/message_file.h"
#include "shell/workpiece.h"

#include <algorithm>
#include <thread>
#include <utility>

namespace vx::shell {
namespace {

// One command step; false when it failed.
bool command(App& app, const BatchStep& step, BatchOutcome& outcome) {
    const CommandArgs args{step.path, step.values};
    const bool given = !step.path.empty() || !step.values.empty();
    int status = dispatch(app, step.command, step.parameter, given ? &args : nullptr);
    // A command its rule refuses would otherwise fail without a word.
    if (status == kCommandDisabled)
        platform::note("vornex: command " + std::to_string(step.command) + " (" +
                       std::string(find_command(step.command)->name) + ") is not possible now; skipped");
    if (app.run.state.suspended) status = follow_suspended_run(app, status);
    if (app.run.state.escape_exit) outcome.escaped = true;
    if (std::exchange(app.optimise.write_failed, false)) return false;  // told already; the exit code says it too
    // A run that ended with an alarm or an interference has still done its job: the log says so.
    return command_done(status);
}

// The interpreter alarm the selection left (alarm 101), for end_on_alarm.
bool alarm_pending(const App& app) { return app.reader.alarm.code > 0; }

}  // namespace

void parse_start(App& app, int argc, const char* const* argv) {
    app.current_dir = platform::current_directory();
    app.program_dir = platform::program_directory();
    load_message_file(app.current_dir, app.program_dir);  // sets the language when found
    integration::load_plugins(app.plugins, app.program_dir);

    app.command_line = parse_command_line(argc, argv, plugin_file_context(app.plugins, app.current_dir));
    for (const std::string& d : app.command_line.diagnostics) platform::note("vornex: " + d);

    const int processors = int(std::max(1u, std::thread::hardware_concurrency()));
    app.settings_context = settings_context(app.command_line, app.current_dir, app.program_dir, processors);
    const std::string path = settings_path(settings_file_name(app.command_line), app.settings_context);
    app.settings = read_settings(path, app.settings_context);
    apply_command_line(app.command_line, app.settings_context, app.settings);
    // A file named on the command line that cannot be read would leave its settings at their
    // defaults without a word.
    if (!app.command_line.settings_file.empty() && !platform::find_file(path))
        platform::note("vornex: the settings file " + path + " was not found; the built-in settings are used");
    if (!app.command_line.colour_table.empty() && !platform::find_file(colour_table_path(app.settings_context)))
        platform::note("vornex: the colour table " + colour_table_path(app.settings_context) +
                       " was not found; the colours of the settings are used");
    open_sync(app);
    integration::editor_module_gives_way(app.plugins, app.settings.editor.program);

    app.plan = plan_batch(app.command_line);
    for (const std::string& note : app.plan.notes) platform::note("vornex: " + note);
}

bool prepare_program(App& app) {
    // The workpiece comes first: the tool's profile is derived at its pitch.
    if (!define_box_workpiece(app.workpiece, app.settings)) return false;
    load_definitions(app);
    load_basic_model(app);
    RunContext& run = app.run;
    prepare_run_context(run);
    run.work_dir = app.current_dir;
    run.batch_level = app.command_line.batch_level;
    run.minimised = app.plan.minimised;
    run.no_dialogs = app.command_line.no_dialog;
    return true;
}

BatchOutcome execute_batch(App& app) {
    BatchOutcome outcome;
    outcome.failed = app.plan.missing_nc;
    const std::vector<BatchStep>& steps = app.plan.steps;
    for (std::size_t k = 0; k < steps.size(); ++k) {
        const BatchStep& step = steps[k];
        bool ended = false;
        switch (step.kind) {
            case StepKind::LogOpen: open_batch_log(app.settings.output.log_dir, app.current_dir); break;
            case StepKind::LogEnd: end_batch_log(); break;
            case StepKind::Quit: return outcome;
            case StepKind::Command: {
                const bool done = command(app, step, outcome);
                outcome.failed |= !done;
                ended = (step.end_on_failure && !done) || (step.end_on_alarm && alarm_pending(app));
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
