// Start-up of the process up to the point where the window (or the unattended batch) takes
// over: the message file and the language, the plug-in modules, the command line, the ideal
// processor, the settings file, the three definition files, the first workpiece and the basic
// model. Then the batch executor, which walks the plan of the
// command line over the program's records, and the shutdown.
#pragma once

#include "shell/batch.h"
#include "shell/command_line.h"
#include "shell/run.h"
#include "shell/settings.h"
#include "sim/workgrid.h"

#include <string>
#include <vector>

namespace vx::shell {

struct Startup {
    CommandLine command_line;
    SettingsContext settings_context;
    BatchPlan plan;
    std::string current_dir, program_dir;  // with a trailing "/"
};

// The language from "vornex.mes", the command line parsed and its diagnostics printed, the
// settings read (into settings()) and fed from the command line, and the batch planned.
Startup parse_start(int argc, const char* const* argv);

// Reads the tool, controller and machine definition files named by the settings into the
// program's records and selects the initial tool. False, with a message, when one of them could
// not be read (its defaults hold then).
bool load_definitions(const Startup& start);

// The box of INITIAL SIZE at the settings' work pitch (or the automatic pitch over it) as the
// program's workpiece: 1 done, 0 when the box is empty or too large (reported).
int define_box_workpiece(sim::Workpiece& wp, const Settings& settings);

// The basic model of the difference display (BASIC MODEL, or -K), aligned with the workpiece.
void load_basic_model(sim::Workpiece& wp, const Settings& settings);

// Runs the plan of an unattended start over the program's records. The run context must be
// linked (run_context()).
BatchOutcome execute_batch(const Startup& start, RunContext& ctx);

// Diagnostics and notes for the user: stderr always, the log while it is open.
void tell(const std::string& line);

}  // namespace vx::shell
