// The run connected to one Display: a platform backend whose view entries draw into the display
// (the changed blocks of every cutting step, the path moves, the redraw requests) and then hand
// on to the entries of the backend it was started from, which show the result.
#pragma once

#include "platform/platform.h"
#include "sim/tools.h"
#include "sim/workgrid.h"
#include "view/display.h"

namespace vx::view {

// What the run works on besides the display; none is owned. The display takes the outline of
// whatever tool the run has current.
struct DisplayLink {
    Display* display = nullptr;
    sim::Workpiece* workpiece = nullptr;
    const sim::CurrentTool* tool = nullptr;
};

// The installed backend's own record, owned by the caller for as long as it is installed: the
// link, the path keeper's list and the backend it was started from.
struct DisplayBackend {
    DisplayLink link;
    PathList* kept = nullptr;
    platform::Backend below{};
    bool active = false;
};

// Installs the backend over `b`, started from the one installed now; the link's records and `b`
// must outlive it.
void install_display_backend(DisplayBackend& b, const DisplayLink& link);

// Without a window: only keeps the run's path moves in `paths`, for the result image.
void install_path_keeper(DisplayBackend& b, PathList& paths);

// Puts the backend back that install_display_backend() or install_path_keeper() started from.
void remove_display_backend(DisplayBackend& b);

}  // namespace vx::view
