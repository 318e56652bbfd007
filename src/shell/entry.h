// The process entry shared by both executables: the command line, --help and --version, the
// unattended starts without a window, and, for a start that needs the window, the window entry
// of the build (none without the desktop front end: the start is refused with exit code 2).
#pragma once

#include "shell/app.h"

namespace vx::shell {

// Opens the window on a parsed start and runs it until it closes; returns the exit code.
using WindowEntry = int (*)(App& app, int& argc, char** argv);

constexpr int kExitNoWindow = 2;

int run_program(int argc, char** argv, WindowEntry open_window);

}  // namespace vx::shell
