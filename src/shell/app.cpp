#include "shell/app.h"

#include "shell/data_check_run.h"
#include "shell/editor_commands.h"

namespace vx::shell {

App::App() {
    run.settings = &settings;
    run.ctl = &ctl;
    run.mtl = &mtl;
    run.tools = &tools;
    run.tool = &tool;
    run.interp = &interp;
    run.reader = &reader;
    run.workpiece = &workpiece;
    run.kernel = &kernel;
    run.time = &time;
    run.plugins = &plugins;
    install_optimise_hooks(*this);
    hooks.check_nc_data = &check_selected_program;
    install_editor_hooks(*this);
}

App::~App() {
    view::remove_display_backend(display_backend);
    sim::end_workers(bands);
    close_sync(*this);
    integration::free_plugins(plugins);
}

void connect_display(App& app) {
    view::install_display_backend(app.display_backend, {&app.display, &app.workpiece, &app.tool});
    app.run.projection = view::run_projection(app.display);
}

void disconnect_display(App& app) {
    view::remove_display_backend(app.display_backend);
    app.run.projection = nullptr;
}

bool busy(const App& app) { return app.run.state.running; }

void start_bands(App& app) {
    const int bands = sim::band_count(app.settings.define.cutting_threads);
    if (bands > 1 && sim::start_workers(app.bands, bands)) app.kernel.pool = &app.bands;
    // -G places the main thread only: the workers, started above, keep every processor.
    sim::set_ideal_processor(app.ideal_processor, app.command_line.ideal_processor);
}

}  // namespace vx::shell
