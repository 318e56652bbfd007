// What the view, the workpiece files and the result image take from the settings record: the
// settings file is the shell's, so each subsystem below it gets its own options from here.
#pragma once

#include "shell/settings.h"
#include "view/display_settings.h"
#include "work/dmf.h"

namespace vx::shell {

view::DisplaySettings display_settings(const DefineSettings& define);

work::SaveOptions save_options(const Settings& settings);
work::OpenOptions open_options(const Settings& settings);

}  // namespace vx::shell
