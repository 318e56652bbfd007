// The program's workpiece: the box of the settings, workpiece files loaded and saved by their
// commands, and the basic model of the difference display.
#pragma once

#include "shell/app.h"
#include "work/dmf.h"

namespace vx::shell {

// The workpiece file the user chose in the load dialog; empty when cancelled.
std::string choose_workpiece_file(const App& app);

// The settings' work pitch, or the automatic pitch over the extent (x0, y0)..(x1, y1).
double work_pitch(const Settings& settings, double x0, double y0, double x1, double y1);

// The box of INITIAL SIZE at the settings' work pitch (or the automatic pitch over it) as the
// workpiece: 1 done, 0 when the box is empty or too large (reported).
int define_box_workpiece(sim::Workpiece& wp, const Settings& settings);

// The basic model of the difference display (BASIC MODEL, or -K), aligned with the workpiece.
// 1 loaded, 0 not (said on stderr and in the log) or none named.
int load_basic_model(App& app);
// The same where only the workpiece and the settings are at hand (a run given back its backup of
// another grid): DMF and STL models; a loader plug-in's format is said to be not loaded.
int load_basic_model(sim::Workpiece& wp, const Settings& settings);

// A model file (DMF, STL or a loader plug-in's format) into the workpiece's basic or merge array:
// 1, or 0 with the reason told. A refused file leaves the array as it was.
int load_model_file(App& app, const std::string& path, work::ModelUse use);

// What the command line and dropped files need to know of the loaded plug-ins: the loaders' and
// the savers' suffixes.
CommandLineContext plugin_file_context(const integration::Plugins& plugins, const std::string& current_dir);

}  // namespace vx::shell
