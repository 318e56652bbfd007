#include "view/display.h"

#include <algorithm>

namespace vx::view {
namespace {

// Paint marks (the 3 x 3 mark around a cut cell) change attribute bytes one cell beyond the
// cells a step lowered, so the blocks redrawn reach one cell further.
constexpr std::int32_t kMarkReach = 1;

PolygonSink sink_into(SurfaceSink& sink, Surface& surface) {
    sink.surface = &surface;  // the display may have been moved since the last paint
    return sink.sink();
}

PathOptions path_options_of(const DisplaySettings& s, const sim::Workpiece& wp) {
    PathOptions o;
    o.origin_x = wp.geometry.origin_x;
    o.origin_y = wp.geometry.origin_y;
    o.move_pitch = s.move_pitch_automatic ? sim::automatic_move_pitch(s.move_pitch_rate, wp.geometry.pitch) : s.move_pitch;
    o.rapid_feedrate = s.rapid_feedrate;
    o.construction_points = s.construction_points;
    return o;
}

void set_up_view(ViewState& v, const DisplaySettings& s, sim::Workpiece& wp, int width, int height,
                 bool full_detail) {
    apply_view_settings(v, s);
    set_drawing_area(v, {0, 0, width, height});
    fit_view(v, wp, s.target_area);
    update_display_step(v, s, wp, full_detail);
    project_grid(v, wp);
}

void redraw_surface(Display& d, const sim::Workpiece& wp) {
    const PolygonSink sink = sink_into(d.surface_sink, d.surface);
    render_view(d.view, wp, d.palette, d.render, sink);
    if (wp.modification_state == sim::kNoWorkpiece) return;
    if (d.overlays.paths_in_result) draw_paths(d.view, d.paths, d.path_colours, d.path_options, sink);
    if (d.overlays.difference) draw_difference_lines(d.view, wp, d.palette, d.render.difference_area, sink);
    if (d.overlays.bounding_box) draw_bounding_box(d.view, wp, sink);
    if (d.overlays.axes) draw_axes(d.view, wp, d.start_point, sink);
    draw_triangle_outlines(d.view, wp, d.check_triangles, sink);
}

// The frame starts as a copy of the surface; its pixel buffer keeps its capacity, so a paint of
// an unchanged size allocates nothing.
void compose_frame(Display& d, const sim::Workpiece& wp) {
    d.frame.width = d.surface.width;
    d.frame.height = d.surface.height;
    d.frame.pixels = d.surface.pixels;
    reset_clip(d.frame);
    const DisplayTool& t = d.tool;
    if (!d.overlays.tool || !t.placed || wp.modification_state == sim::kNoWorkpiece) return;
    draw_tool(d.view, t.outline, t.tip, t.colours, d.overlays.holder, sink_into(d.frame_sink, d.frame));
}

// The cells of a step widened by the mark reach, within the grid; false when the step lowered none.
bool step_cells(const platform::StepRefresh& s, const sim::GridGeometry& g, GridRange* cells) {
    if (s.last_i < s.first_i || s.last_j < s.first_j) return false;
    cells->first_i = std::max(s.first_i - kMarkReach, 0);
    cells->last_i = std::min(s.last_i + kMarkReach, g.last_column);
    cells->first_j = std::max(s.first_j - kMarkReach, 0);
    cells->last_j = std::min(s.last_j + kMarkReach, g.last_row);
    return cells->first_i <= cells->last_i && cells->first_j <= cells->last_j;
}

}  // namespace

// ---- Set-up ----

void set_up_display(Display& d, const DisplaySettings& s, sim::Workpiece& wp, int width, int height,
                    bool full_detail) {
    width = std::max(width, 1);
    height = std::max(height, 1);
    set_up_view(d.view, s, wp, width, height, full_detail);
    resize(d.surface, width, height);
    update_display_settings(d, s, wp);
}

void update_display_settings(Display& d, const DisplaySettings& s, const sim::Workpiece& wp) {
    d.palette = make_palette(s.colours, s.colour_by_pen);
    d.render = render_settings(s, false);
    d.render.difference_area = s.difference_minus ? DifferenceArea::Minus : DifferenceArea::Both;
    d.path_colours = path_colours(s.colours);
    d.path_options = path_options_of(s, wp);
    d.overlays = s.overlays;
    d.colours = s.colours;
    d.tool_top_pen = s.tool_top_pen;
    d.tool.number = -1;  // colours may have changed: the next tool is taken afresh
    d.redraw_due = true;
}

void set_display_tool(Display& d, const sim::CurrentTool& tool) {
    DisplayTool& t = d.tool;
    if (t.number == tool.number && t.length == tool.shift) return;
    t.outline = tool_outline(tool.profile);
    t.colours = tool_colours(d.colours, d.tool_top_pen, tool.pen);
    t.number = tool.number;
    t.length = tool.shift;
}

void place_tool(Display& d, const sim::Workpiece& wp, const Vec3& position) {
    d.tool.tip = tool_tip({position.x, position.y, position.z}, wp.geometry, d.tool.length);
    d.tool.placed = true;
}

// ---- Paint cycle ----

void paint(Display& d, const sim::Workpiece& wp) {
    if (d.redraw_due) {
        redraw_surface(d, wp);
        d.redraw_due = false;
    }
    compose_frame(d, wp);
}

// ---- What a run hands over ----

void show_step(Display& d, sim::Workpiece& wp, const platform::StepRefresh& step) {
    place_tool(d, wp, step.position);
    GridRange cells;
    if (!step_cells(step, wp.geometry, &cells)) return;
    if (uses_perspective(d.view)) project_cells(d.view, wp, cells.first_i, cells.first_j, cells.last_i, cells.last_j);
    if (d.redraw_due) return;  // the coming redraw shows it all
    draw_changed_blocks(d.view, wp, d.palette, d.render, cells, sink_into(d.surface_sink, d.surface));
}

void show_changed_cells(Display& d, sim::Workpiece& wp, const platform::StepRefresh& changed) {
    GridRange cells;
    if (!step_cells(changed, wp.geometry, &cells)) return;
    project_cells(d.view, wp, cells.first_i, cells.first_j, cells.last_i, cells.last_j);
    if (d.redraw_due) return;
    draw_changed_blocks(d.view, wp, d.palette, d.render, cells, sink_into(d.surface_sink, d.surface));
}

void show_path(Display& d, const platform::PathSegment& segment) {
    if (d.overlays.paths_in_result) add_path(d.paths, segment);
    const bool path_run = segment.kind != platform::PathKind::Uncut;
    if (!path_run && !d.overlays.paths_during_run) return;
    draw_path_move(d.view, segment, d.path_colours, d.path_options, sink_into(d.surface_sink, d.surface), d.path_buffers);
}

void workpiece_changed(Display& d, sim::Workpiece& wp) {
    project_grid(d.view, wp);
    d.redraw_due = true;
}

}  // namespace vx::view
