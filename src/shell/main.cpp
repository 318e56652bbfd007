// The vornex executable. Unattended starts (batch levels 5 to 7, conversions, workpiece
// operations) run here without a window; a start that needs the window says that this build
// has none yet.
#include "integration/plugins.h"
#include "output/result_image.h"
#include "shell/startup.h"
#include "shell/view_options.h"
#include "sim/bands.h"
#include "view/display_backend.h"

#include <cstdio>
#include <utility>

namespace {

using namespace vx;

constexpr int kExitNoWindow = 2;

// The kernel's bands for the cutting threads the settings ask for; the process keeps them.
sim::BandPool& band_pool() {
    static sim::BandPool pool;
    return pool;
}

void start_bands(shell::RunContext& ctx) {
    const int bands = sim::band_count(shell::settings().define.cutting_threads);
    if (bands > 1 && sim::start_workers(band_pool(), bands)) ctx.kernel->pool = &band_pool();
}

// The result image with the tool where the last run left it (at the start point before any).
bool write_image(const shell::RunContext& ctx, const shell::ImageOutput& image, output::ResultView result) {
    result.tool = ctx.tool;
    result.position = ctx.state.moves > 0 ? ctx.state.move.position : ctx.start_point;
    result.start_point = ctx.start_point;
    return output::write_result_image(sim::workpiece(), shell::display_settings(shell::settings().define), std::move(result), image.path,
                                      image.width, image.height);
}

int run_unattended(const shell::Startup& start) {
    const shell::CommandLine& cl = start.command_line;
    if (cl.placement || cl.font_height > 0) shell::tell("vornex: -( and -F set up the window and do nothing here");
    // The workpiece comes first: the tool's profile is derived at its pitch.
    if (!shell::define_box_workpiece(sim::workpiece(), shell::settings())) return shell::kExitFailed;
    shell::load_definitions(start);
    shell::load_basic_model(sim::workpiece(), shell::settings());
    shell::RunContext& ctx = shell::run_context();
    shell::prepare_run_context(ctx);
    ctx.work_dir = start.current_dir;
    ctx.batch_level = cl.batch_level;
    ctx.minimised = start.plan.minimised;
    ctx.no_dialogs = cl.no_dialog;
    start_bands(ctx);
    output::ResultView result;
    const bool keep_paths = cl.image && shell::settings().define.path_result;
    view::DisplayBackend path_keeper;
    if (keep_paths) view::install_path_keeper(path_keeper, result.paths);
    shell::BatchOutcome outcome = shell::execute_batch(start, ctx);
    if (keep_paths) view::remove_display_backend(path_keeper);
    if (cl.image && !write_image(ctx, *cl.image, std::move(result))) {
        shell::tell("vornex: cannot write the image " + cl.image->path);
        outcome.failed = true;
    }
    sim::end_workers(band_pool());
    integration::free_plugins(integration::plugins());
    return shell::batch_exit_code(cl.batch_level, outcome);
}

}  // namespace

int main(int argc, char** argv) {
    const shell::Startup start = shell::parse_start(argc, argv);
    if (start.command_line.help) {
        std::fputs(shell::usage_text().c_str(), stdout);
        return 0;
    }
    if (start.command_line.version) {
        std::printf("vornex %s\n", VORNEX_VERSION);
        return 0;
    }
    if (!start.plan.headless) {
        shell::tell("vornex: the desktop window is not available in this build yet; "
                    "verify a program unattended with -X5 (see --help)");
        return kExitNoWindow;
    }
    return run_unattended(start);
}
