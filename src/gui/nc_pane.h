// The NC program beside the view: a read-only pane (hidden until switched on in the view menu)
// with the selected program's text, the executing line highlighted during a run, the path of a
// clicked line drawn over the view, and the line of a picked point of the workpiece selected.
#pragma once

#include "gui/window.h"

namespace vx::gui {

// Builds the pane, hidden, and its switch at the end of the view menu.
void build_nc_pane(Window& w);

// The run is at `line` of the program (or a stop shows it): highlighted and scrolled to when the
// pane is shown. The program's text is read again when another program was selected.
void follow_nc_line(Window& w, int line);

// A point of the workpiece was picked: its NC line (line-number layer; 0 never cut, negative in a
// called program) is selected in the pane and becomes the editor's line.
void select_cell_line(Window& w, long cell_line);

// Draws the kept path moves of `line` over the view in the highlight colour; the number drawn.
int show_line_path(Window& w, int line);

}  // namespace vx::gui
