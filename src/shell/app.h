// The application: one record that owns what the program holds while it runs (the settings, the
// three definitions, the tool table and the current tool, the interpreter with its reader and
// time, the workpiece, the kernel's context and bands, the display, the plug-in modules) and the
// run context linked to them. The batch, the window and the tests reach the program through it
// and the dispatcher (dispatch.h); nothing else holds program-wide state.
#pragma once

#include "integration/editor_link.h"
#include "integration/plugins.h"
#include "nc/ctl.h"
#include "nc/data_check.h"
#include "nc/interp.h"
#include "nc/motion.h"
#include "nc/mtl.h"
#include "nc/reader.h"
#include "shell/batch.h"
#include "shell/command_line.h"
#include "shell/optimise_run.h"
#include "shell/run.h"
#include "shell/settings.h"
#include "shell/sync_links.h"
#include "sim/bands.h"
#include "sim/kernel.h"
#include "sim/tools.h"
#include "sim/workgrid.h"
#include "view/display.h"
#include "view/display_backend.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace vx::shell {

struct App {
    // Where the process started and what its command line asked for.
    std::string current_dir, program_dir;  // with a trailing "/"
    CommandLine command_line;
    SettingsContext settings_context;
    BatchPlan plan;

    Settings settings;
    nc::Ctl ctl;
    nc::Mtl mtl;
    sim::ToolTable tools;
    sim::CurrentTool tool;
    nc::Interp interp;
    nc::Reader reader;
    nc::MachiningTime time;
    nc::DataCheck check;  // of the selected program (its report, the run summary)
    sim::Workpiece workpiece;
    sim::KernelContext kernel;
    sim::BandPool bands;
    sim::IdealProcessor ideal_processor;
    view::Display display;
    view::DisplayBackend display_backend;
    integration::Plugins plugins;
    RunContext run;  // linked to the records above
    OptimiseOutputs optimise;  // the optimise run's files, fed through the run's hooks
    SyncLinks sync;            // the block of the sync mode, used through the run's hooks
    integration::EditorLink editor;  // the external editor of the NC program
    int editor_line = 0;  // the NC line of the point picked last (0: none), for the editor

    // Where modules that come later plug in; unset hooks do nothing.
    struct Hooks {
        // The data check of a newly selected NC program, when the settings ask for it.
        void (*check_nc_data)(App& app) = nullptr;
        // The window: closing it (the exit command). Without a window the command is not available.
        void* window = nullptr;
        void (*close_window)(void* window) = nullptr;
        // The version and environment dialog that refreshes itself; without it a message box.
        void (*version_dialog)(void* window) = nullptr;
        // The window's own commands (dialogs, printing, pictures of the view): 1 done, 0 failed or
        // cancelled, -1 handed back (not built); without a window they are not available.
        int (*window_command)(void* window, int id, int parameter) = nullptr;
    } hooks;

    // What a left-button drag in the view does: one of the view menu's ids (cmd::kMouseRotate..),
    // chosen by the right-button menu; the window reads it.
    int mouse_mode = cmd::kMouseRotate;

    // The values last confirmed in each workpiece operation's dialog, by command, in field
    // order: the dialog opens with them until the program ends.
    std::map<int, std::vector<double>> operation_values;

    App();
    // The bands' workers end and every plug-in is told FREE, on every way out of the program.
    ~App();
    App(const App&) = delete;
    App& operator=(const App&) = delete;
};

// The display shows what the runs do: the run's refreshes and paths go to it (through the
// platform backend installed over the current one), and the kernel refreshes the cells it cuts
// with the display's projection, read in place so that it follows every view change.
void connect_display(App& app);
void disconnect_display(App& app);

// A run is inside its block loop, pumping the window's events: commands that would change the
// workpiece, the definitions or the grid under it are refused.
bool busy(const App& app);

inline bool has_workpiece(const App& app) { return sim::has_workpiece(app.workpiece); }

// The bands for the cutting threads the settings ask for (without workers the kernel sweeps
// alone), then the main thread's processor of -G.
void start_bands(App& app);

}  // namespace vx::shell
