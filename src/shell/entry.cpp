#include "shell/entry.h"

#include "output/result_image.h"
#include "platform/files.h"
#include "platform/log.h"
#include "shell/run_summary.h"
#include "shell/startup.h"
#include "shell/view_options.h"
#include "view/display_backend.h"

#include <chrono>
#include <cstdio>
#include <memory>

namespace vx::shell {
namespace {

// The result view with the tool where the last run left it (at the start point before any).
bool write_image(App& app, const ImageOutput& image) {
    const RunContext& run = app.run;
    output::ResultView result;
    result.tool = &app.tool;
    result.position = run.state.moves > 0 ? run.state.move.position : run.start_point;
    result.start_point = run.start_point;
    result.showing_interference = run.state.interference_end;
    return output::write_result_image(app.display, app.workpiece, display_settings(app.settings.define), result,
                                      image.path, image.width, image.height);
}

// A simulation module's run ends with the summary too.
bool runs_program(int command) {
    return is_run_command(command) || (command >= cmd::kSimPlugin && command < cmd::kSimPlugin + integration::kSlots);
}

bool plan_runs(const BatchPlan& plan) {
    for (const BatchStep& step : plan.steps)
        if (step.kind == StepKind::Command && runs_program(step.command)) return true;
    return false;
}

// The summary of the batch's run on stdout and, with --json, as a document; with
// --fail-on-findings the exit code of a batch that went well tells whether the run found anything.
int finish_summary(App& app, double wall_seconds, int exit_code) {
    const CommandLine& cl = app.command_line;
    const bool ran = plan_runs(app.plan) && !app.run.nc_path.empty();
    if (cl.fail_on_findings && exit_code == kExitNormal && ran && has_findings(app)) exit_code = kExitFindings;
    if (!ran) {
        if (!cl.json_file.empty()) platform::note("vornex: --json: no program was run, so no summary was written");
        return exit_code;
    }
    const nlohmann::ordered_json summary = run_summary(app, wall_seconds, exit_code);
    std::fputs(summary_text(summary).c_str(), stdout);
    std::fflush(stdout);
    if (!cl.json_file.empty() && !write_summary_json(platform::absolute(cl.json_file, app.current_dir), summary) &&
        exit_code == kExitNormal)
        exit_code = kExitFailed;
    return exit_code;
}

int run_unattended(App& app) {
    const auto started = std::chrono::steady_clock::now();
    const CommandLine& cl = app.command_line;
    if (cl.placement || cl.font_height > 0) platform::note("vornex: -( and -F set up the window and do nothing here");
    if (!prepare_program(app)) return kExitFailed;
    start_bands(app);
    const bool keep_paths = cl.image && app.settings.define.path_result;
    if (keep_paths) view::install_path_keeper(app.display_backend, app.display.paths);
    BatchOutcome outcome = execute_batch(app);
    view::remove_display_backend(app.display_backend);
    if (cl.image && !write_image(app, *cl.image)) {
        platform::note("vornex: cannot write the image " + cl.image->path);
        outcome.failed = true;
    }
    const std::chrono::duration<double> wall = std::chrono::steady_clock::now() - started;
    return finish_summary(app, wall.count(), batch_exit_code(cl.batch_level, outcome));
}

}  // namespace

int run_program(int argc, char** argv, WindowEntry open_window) {
    const auto app = std::make_unique<App>();
    parse_start(*app, argc, argv);
    const CommandLine& cl = app->command_line;
    if (cl.help) {
        std::fputs(usage_text().c_str(), stdout);
        return 0;
    }
    if (cl.version) {
        std::printf("vornex %s\n", VORNEX_VERSION);
        return 0;
    }
    if (app->plan.headless) return run_unattended(*app);
    if (!open_window) {
        platform::note("vornex: the desktop window is not available in this build; "
                       "verify a program unattended with -X5 (see --help)");
        return kExitNoWindow;
    }
    return open_window(*app, argc, argv);
}

}  // namespace vx::shell
