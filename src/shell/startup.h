// Start-up of the process up to the point where the window (or the unattended batch) takes
// over: the message file and the language, the plug-in modules, the command line, the settings
// file; then the batch executor, which walks the plan of the command
// line as commands through the dispatcher.
#pragma once

#include "shell/app.h"

namespace vx::shell {

// The language from "vornex.mes", the plug-ins, the command line parsed and its diagnostics
// noted, the settings read and fed from the command line, and the batch
// planned: all into `app`.
void parse_start(App& app, int argc, const char* const* argv);

// The first workpiece (the box of the settings), the definitions, the basic model and the run
// context's start values. False when there is no workpiece to work on.
bool prepare_program(App& app);

// Runs the plan of an unattended start.
BatchOutcome execute_batch(App& app);

}  // namespace vx::shell
