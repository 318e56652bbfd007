// The run connected to one Display: a platform backend whose view entries draw into the display
// (the changed blocks of every cutting step, the path moves, the redraw requests) and then hand
// on to the entries of the backend it was started from, which show the result.
#pragma once

#include "sim/kernel.h"
#include "sim/tools.h"
#include "sim/workgrid.h"
#include "view/display.h"

namespace vx::view {

// What the run works on besides the display; none is owned. The kernel's projection is set to
// follow the view, and the display takes the outline of whatever tool the run has current.
struct DisplayLink {
    Display* display = nullptr;
    sim::Workpiece* workpiece = nullptr;
    sim::KernelContext* kernel = nullptr;
    const sim::CurrentTool* tool = nullptr;
};

// Installs the backend, started from the one installed now; the link's records must outlive it.
// Call again after the view changes, so that the kernel projects as the view does.
void install_display_backend(const DisplayLink& link);

// Without a window: only keeps the run's path moves in `paths`, for the result image.
void install_path_keeper(PathList& paths);

// Puts the backend back that install_display_backend() or install_path_keeper() started from.
void remove_display_backend();

}  // namespace vx::view
