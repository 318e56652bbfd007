#include "shell/definitions.h"

#include "platform/log.h"
#include "shell/sim_options.h"

namespace vx::shell {
namespace {

// The tools are selected at the pitch of the workpiece the start-up defined before them.
double work_pitch(const App& app) { return app.workpiece.geometry.pitch; }

}  // namespace

int read_tool_file(App& app) {
    const Settings& s = app.settings;
    return sim::load_tool_table(app.tools, app.tool, s.table.tool_table, tool_table_options(s, work_pitch(app), nullptr));
}

bool load_definitions(App& app) {
    const Settings& s = app.settings;
    bool all = true;
    if (read_tool_file(app) != 1) {
        platform::note("vornex: cannot read the tool file " + s.table.tool_table);
        all = false;
    }
    if (const auto& n = app.command_line.initial_tool) {
        if (!sim::select_tool(app.tool, app.tools, *n, selection_options(s, work_pitch(app), nullptr)))
            platform::note("vornex: the tool file has no tool " + std::to_string(*n));
    }
    if (nc::load_ctl(s.table.controller_table, app.ctl, app.current_dir) != 1) {
        platform::note("vornex: cannot read the controller definition " + s.table.controller_table);
        all = false;
    }
    if (nc::load_mtl(s.table.machine_table, app.mtl, machine_name_hook(app)) != 1) {
        platform::note("vornex: cannot read the machine definition " + s.table.machine_table);
        all = false;
    }
    return all;
}

}  // namespace vx::shell
