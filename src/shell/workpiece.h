// The program's workpiece: the box of the settings, workpiece files loaded and saved by their
// commands, and the basic model of the difference display.
#pragma once

#include "shell/app.h"

namespace vx::shell {

// The box of INITIAL SIZE at the settings' work pitch (or the automatic pitch over it) as the
// workpiece: 1 done, 0 when the box is empty or too large (reported).
int define_box_workpiece(sim::Workpiece& wp, const Settings& settings);

// The basic model of the difference display (BASIC MODEL, or -K), aligned with the workpiece.
void load_basic_model(sim::Workpiece& wp, const Settings& settings);

}  // namespace vx::shell
