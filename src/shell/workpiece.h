// The program's workpiece: the box of the settings, workpiece files loaded and saved by their
// commands, and the basic model of the difference display.
#pragma once

#include "shell/app.h"

namespace vx::shell {

// The workpiece file the user chose in the load dialog; empty when cancelled.
std::string choose_workpiece_file(const App& app);

// The settings' work pitch, or the automatic pitch over the extent (x0, y0)..(x1, y1).
double work_pitch(const Settings& settings, double x0, double y0, double x1, double y1);

// The box of INITIAL SIZE at the settings' work pitch (or the automatic pitch over it) as the
// workpiece: 1 done, 0 when the box is empty or too large (reported).
int define_box_workpiece(sim::Workpiece& wp, const Settings& settings);

// The basic model of the difference display (BASIC MODEL, or -K), aligned with the workpiece.
void load_basic_model(sim::Workpiece& wp, const Settings& settings);

}  // namespace vx::shell
