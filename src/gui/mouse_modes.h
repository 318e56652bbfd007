// The mouse modes of the right-button view menu and what the view draws for them: rotate, zoom,
// pan, the light direction, the measuring cursor, the zoom box and the hand tools (welding,
// grinder, paper, brush), each with its cursor; CTRL
// switches a drag (and the cursor) to the alternative mode. The measuring cursor picks a cell:
// the NC-line panel shows the line that cut it, the measuring panel its point, the deltas to the
// point before and the radii, and a red cross marks it.
#pragma once

#include "gui/window.h"

#include <QCursor>

#include <string>
#include <string_view>
#include <vector>

namespace vx::gui {

// What a left-button drag does in `mode`, or with CTRL its alternative (pan for every mode but
// pan, whose alternative is rotate).
int drag_mode(int mode, bool ctrl);

Qt::CursorShape mode_cursor(int mode, bool dragging);

// The view's cursor for the current mode and CTRL state (held: the alternative mode's). Without
// CTRL timer 6 sets it again after a pause, after the changes of a drag have settled.
void update_view_cursor(Window& w, bool ctrl);
void cursor_timer(Window& w);  // timer 6

// One drag step of (dx, dy) pixels in `mode` over a view of width x height: the pixels it used.
// A rotate or light step uses only its whole 2.5-degree units (none for a short move), so that
// the caller measures the next step from there and a slow drag turns as far as a quick one.
DragUse drag_step(Window& w, int mode, int dx, int dy, int width, int height);

// The workpiece cell drawn under view pixel `p`, nearest to the eye; false when there is none.
bool cell_at(const Window& w, const QPoint& p, std::int32_t* i, std::int32_t* j);

// W and S: the view centre moves to the workpiece point under the mouse cursor, when there is one.
void centre_on_cursor(Window& w);

// The measuring cursor's click at view pixel `p`: picks the cell under it, or clears the last
// point's flag outside the workpiece.
void pick_at(Window& w, const QPoint& p);

// The hand tools of modes 254..257: the button going down at `p` starts a stroke (backup first)
// with the tool's looping sound, each drag step works on to the cell under the cursor and redraws
// the changed cells, and the release ends it with the tool's closing sound and a full redraw. A
// tool set to do nothing (a zero height or depth) says so instead of starting.
bool is_hand_tool_mode(int mode);
void hand_tool_press(Window& w, int mode, const QPoint& p);
void hand_tool_drag(Window& w, const QPoint& p);
void hand_tool_release(Window& w);

// Line `line` (1-based) of the text `file` without its line end; empty when there is none.
std::string line_of(std::string_view file, int line);

// The measuring panel's lines for the points picked so far, with the decimals of the controller's
// input unit ("UNIT": 1000 three, 100 two, any other four).
std::vector<std::string> measuring_panel_lines(const Window& w);

// Over the frame after each paint: the measuring panel and the cross of the picked point, the
// light indicator while the light is dragged.
void draw_view_overlays(Window& w);

}  // namespace vx::gui
