// The change watch of the definition files: the tool file (and its separate holder file), the
// controller and the machine definition are edited in an external editor while the program
// runs. Whenever the window is painted, activated or moved, each file's last-write time is
// compared with the one recorded when it was read; a changed file is announced and read again,
// and a file that was not found when it was to be read is reported once.
#pragma once

#include "shell/app.h"

namespace vx::shell {

// Which files the check read again.
struct WatchResult {
    bool tools = false, holders = false, ctl = false, mtl = false;
};

// Nothing is compared after the current directory has changed (a file dialog moved it), nor
// while a run is inside its block loop.
WatchResult check_definition_files(App& app);

}  // namespace vx::shell
