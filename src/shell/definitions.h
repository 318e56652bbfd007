// The three definition files and the tool table of the program, read at start-up and again
// when they change: each read into the application's records, with a note when one could not be
// read (its defaults hold then).
#pragma once

#include "shell/app.h"

namespace vx::shell {

// The tool file named by the settings: tables sized for MAX MAGAZINE, the file read with the
// settings' tool base point, and the table's current tool selected at the workpiece's pitch.
// The tool file's read state (1 read).
int read_tool_file(App& app);

// The tool, controller and machine files named by the settings, and the command line's initial
// tool. False, with a note, when one of them could not be read.
bool load_definitions(App& app);

}  // namespace vx::shell
