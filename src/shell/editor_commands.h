// The editor link of the program: the NC program in the external editor (command 32813, key E),
// its line jump when a run stops or a point of the workpiece is picked, and the definition
// files in the programs the settings name for them (keys F1 to F4).
#pragma once

#include "shell/app.h"

namespace vx::shell {

// The files the function keys edit.
enum class EditedFile { Settings, Tools, Controller, Machine, ReportTemplate };

// Starts the file's editor (for Settings after the note that a restart applies the edit; for
// Tools the separate holder file first). 1 started, 0 not (the user was told why).
int edit_definition_file(App& app, EditedFile file);

// The editor shows the NC line of a picked cell (`cell_line` from the line-number layer, 0 for a
// cell never cut: the current line then). True when a jump was started.
bool editor_show_cell_line(App& app, long cell_line);

// The run's hooks: the editor to the program's top when a run starts and to the line where it
// stops, the link's end with the run. An editor that cannot follow says so once in the log.
void install_editor_hooks(App& app);

// CLOSE END: the editor opened on the NC file is closed as the program ends, where that keeps
// its unsaved edits (terminal editors, emacs); otherwise the log says that it stays open.
void close_editor_at_exit(App& app);

}  // namespace vx::shell
