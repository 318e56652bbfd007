// The main window's view without the window: the view state, the drawing surface the workpiece
// is drawn into, the path kept for drawing again, the tool at its position and the overlay
// switches of the settings, and the paint cycle that turns them into the frame a window shows.
//
// Two surfaces: `surface` holds what stays until the next redraw (the workpiece, the paths, the
// difference lines, the bounding box and the axes) and takes the incremental drawing of a run;
// `frame` is that surface with the tool drawn over it, composed afresh by every paint, so that a
// moving tool never leaves an old image of itself behind.
#pragma once

#include "platform/platform.h"
#include "sim/tools.h"
#include "sim/workgrid.h"
#include "view/display_settings.h"
#include "view/palette.h"
#include "view/paths.h"
#include "view/render.h"
#include "view/surface.h"
#include "view/surface_sink.h"
#include "view/tool_view.h"
#include "view/view_state.h"

#include <array>
#include <cstdint>
#include <vector>

namespace vx::view {

// The tool as the view draws it: the outline of the current tool, its colours and its tip.
struct DisplayTool {
    ToolOutline outline;
    ToolColours colours;
    std::int32_t number = -1;  // whose outline is held; -1 none
    double length = 0;         // the tool's shift: the tip lies this much below the control point
    Vec3 tip;                  // relative to the grid origin
    bool placed = false;       // a position has been given
};

struct Display {
    ViewState view;
    Surface surface;  // workpiece and the overlays that stay
    Surface frame;    // surface + tool: what the window shows
    Palette palette;
    RenderSettings render;
    PathColours path_colours;
    PathOptions path_options;
    PathList paths;
    DisplayTool tool;
    Overlays overlays;
    Vec3 start_point;  // marked by the axes
    // STL CHECK: the triangles of the STL file the workpiece was loaded from, outlined at every
    // redraw until another workpiece comes.
    std::vector<std::array<Vec3, 3>> check_triangles;
    bool tool_top_pen = false;  // TOOL-TOP COLOR MODE "PEN"
    Colours colours;            // for the tool colours of the next tool
    bool redraw_due = true;
    // Sinks into the two surfaces; their buffers are reused from paint to paint.
    PathBuffers path_buffers;  // reused by every move the run shows
    SurfaceSink surface_sink{surface};
    SurfaceSink frame_sink{frame};
};

// ---- Set-up ----

// The display for the settings and the workpiece at width x height pixels: view angles and
// projection, drawing area, fit to the workpiece (or TARGET AREA), display step (every cell with
// `full_detail`), palette, path pens, overlay switches; projects the grid and makes a redraw due.
// Kept paths stay.
void set_up_display(Display& d, const DisplaySettings& settings, sim::Workpiece& wp, int width, int height,
                    bool full_detail);

// The settings changed (a menu switch, the colour dialog): palette, path pens and options,
// overlay switches and colours follow, the view stays where it is, and a redraw is due.
void update_display_settings(Display& d, const DisplaySettings& settings, const sim::Workpiece& wp);

// The outline and colours of `tool` when it is not the one held (the run changed tools).
void set_display_tool(Display& d, const sim::CurrentTool& tool);

// The tool's control point (workpiece coordinates); the tip follows from the tool length.
void place_tool(Display& d, const sim::Workpiece& wp, const Vec3& position);

// ---- Paint cycle ----

// When a redraw is due: the workpiece by its state (surface, uncut block or background), then
// the kept paths, the difference lines, the bounding box and the axes as switched on. Then the
// frame: the surface with the tool at its position when a workpiece exists and tool display is on.
void paint(Display& d, const sim::Workpiece& wp);

// ---- What a run hands over ----

// The blocks of the cells a step lowered drawn into the surface (under the central projection
// their screen positions are brought up to date first), and the tool placed where the step left it.
void show_step(Display& d, sim::Workpiece& wp, const platform::StepRefresh& step);

// Cells whose heights changed outside a run (a hand tool's stroke; grid indices of `changed`):
// reprojected in every projection, since they may have risen, and their blocks drawn.
void show_changed_cells(Display& d, sim::Workpiece& wp, const platform::StepRefresh& changed);

// One move of a path: kept when the result shows paths, drawn into the surface at once for a path
// run or when paths are shown during the run. Hidden rapids draw nothing.
void show_path(Display& d, const platform::PathSegment& segment);

// The heights may have changed behind the view's back (end of a run, backup restored, sync
// display): reprojects the grid and makes a redraw due.
void workpiece_changed(Display& d, sim::Workpiece& wp);

// The projection the kernel refreshes the cells it lowers with, read in place so that it follows
// every view change: the view's affine terms. In a parallel view they are exact; under the
// central projection the kernel still refreshes, so that it reports which cells it lowered, and
// show_step() reprojects them.
inline const sim::ScreenProjection* run_projection(const Display& d) { return &d.view.affine; }

}  // namespace vx::view
