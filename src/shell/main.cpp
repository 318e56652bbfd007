// The vornex executable. Unattended starts (batch levels 5 to 7, conversions, workpiece
// operations) run here without a window; a start that needs the window says that this build
// has none yet.
#include "output/result_image.h"
#include "platform/log.h"
#include "shell/app.h"
#include "shell/startup.h"
#include "shell/view_options.h"
#include "view/display_backend.h"

#include <cstdio>
#include <memory>

namespace {

using namespace vx;

constexpr int kExitNoWindow = 2;

// The result view with the tool where the last run left it (at the start point before any).
bool write_image(shell::App& app, const shell::ImageOutput& image) {
    const shell::RunContext& run = app.run;
    output::ResultView result;
    result.tool = &app.tool;
    result.position = run.state.moves > 0 ? run.state.move.position : run.start_point;
    result.start_point = run.start_point;
    result.showing_interference = run.state.interference_end;
    return output::write_result_image(app.display, app.workpiece, shell::display_settings(app.settings.define), result,
                                      image.path, image.width, image.height);
}

int run_unattended(shell::App& app) {
    const shell::CommandLine& cl = app.command_line;
    if (cl.placement || cl.font_height > 0) platform::note("vornex: -( and -F set up the window and do nothing here");
    if (!shell::prepare_program(app)) return shell::kExitFailed;
    shell::start_bands(app);
    const bool keep_paths = cl.image && app.settings.define.path_result;
    if (keep_paths) view::install_path_keeper(app.display_backend, app.display.paths);
    shell::BatchOutcome outcome = shell::execute_batch(app);
    view::remove_display_backend(app.display_backend);
    if (cl.image && !write_image(app, *cl.image)) {
        platform::note("vornex: cannot write the image " + cl.image->path);
        outcome.failed = true;
    }
    return shell::batch_exit_code(cl.batch_level, outcome);
}

}  // namespace

int main(int argc, char** argv) {
    const auto app = std::make_unique<shell::App>();
    shell::parse_start(*app, argc, argv);
    const shell::CommandLine& cl = app->command_line;
    if (cl.help) {
        std::fputs(shell::usage_text().c_str(), stdout);
        return 0;
    }
    if (cl.version) {
        std::printf("vornex %s\n", VORNEX_VERSION);
        return 0;
    }
    if (!app->plan.headless) {
        platform::note("vornex: the desktop window is not available in this build yet; "
                       "verify a program unattended with -X5 (see --help)");
        return kExitNoWindow;
    }
    return run_unattended(*app);
}
