#include "support/run_rig.h"

#include "shell/sim_options.h"

#include <cmath>

namespace vx::testing {

std::string run_data(const std::string& name) { return std::string(VORNEX_TEST_DATA) + "/run/" + name; }

RunRig::RunRig()
    : app(std::make_unique<shell::App>()),
      settings(app->settings),
      ctl(app->ctl),
      mtl(app->mtl),
      tools(app->tools),
      tool(app->tool),
      interp(app->interp),
      reader(app->reader),
      workpiece(app->workpiece),
      kernel(app->kernel),
      time(app->time),
      ctx(app->run) {
    app->current_dir = app->program_dir = dir.path();
    nc::load_ctl(run_data("run.ctl"), ctl, dir.path());
    nc::load_mtl(run_data("run.mtl"), mtl);
    sim::allocate_tool_tables(tools, 20);
    sim::ToolReadOptions options;
    options.holder_files = false;
    sim::read_tool_file(tools, run_data("run.ttl"), options);
    sim::GridGeometry g;
    sim::size_grid(g, 0.0, 0.0, 40.0, 20.0, kRigPitch);
    sim::allocate_workpiece(workpiece, g, sim::kDefaultDataLevel);
    sim::define_uniform_body(workpiece, kRigTop, 0.0);
    settings.define.move_pitch.pitch = kRigPitch;
    settings.define.work_pitch.pitch = kRigPitch;
    settings.define.arbor_check = sim::ArborCheck::Ignore;  // the test tools have no holders

    ctx.work_dir = dir.path();
    shell::prepare_run_context(ctx);
    ctx.progress_display = false;
    ctx.pump_messages = false;
    ctx.start_point = {0.0, 0.0, 50.0};
    sim::ProfileOptions o = shell::selection_options(settings, kRigPitch, nullptr);
    sim::select_tool(tool, tools, tools.initial_tool, o);
    tools.current_tool = tool.number;
}

std::string RunRig::program(const std::string& name, std::string_view text) {
    ctx.nc_path = dir.write(name, text);
    return ctx.nc_path;
}

void RunRig::data_program(const std::string& name) { ctx.nc_path = run_data(name); }

std::int32_t RunRig::cell(double x, double y) const {
    const sim::GridGeometry& g = workpiece.geometry;
    const int i = int(std::lround((x - g.origin_x) / g.pitch));
    const int j = int(std::lround((y - g.origin_y) / g.pitch));
    return j * g.nx + i;
}

float RunRig::height(double x, double y) const { return workpiece.height.data[cell(x, y)]; }
std::uint8_t RunRig::attribute(double x, double y) const { return workpiece.attribute.data[cell(x, y)]; }

int RunRig::cut_cells() const {
    int n = 0;
    for (std::int32_t c = 0; c < workpiece.geometry.cell_count; ++c) n += workpiece.height.data[c] != float(kRigTop);
    return n;
}

int RunRig::run_through(int command) {
    int stops = 0;
    int result = shell::run_command(ctx, command);
    while (result == shell::kRunSuspended && stops < 1000) {
        ++stops;
        result = shell::run_command(ctx, command);
    }
    return stops;
}

}  // namespace vx::testing
