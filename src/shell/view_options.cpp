#include "shell/view_options.h"

namespace vx::shell {

view::DisplaySettings display_settings(const DefineSettings& d) {
    view::DisplaySettings s;
    s.colours = d.colours;
    s.colour_by_pen = d.colour_by_pen;
    s.tool_top_pen = d.tool_top_pen;
    s.light_vector = d.light_vector;
    s.perspective = d.perspective;
    s.angle_a = d.angle_a;
    s.angle_b = d.angle_b;
    s.optimize_drawing = d.optimize_drawing;
    s.optimize_dots = d.optimize_dots;
    s.target_area = d.target_area;
    s.mesh = d.mesh_mode;
    s.discoloration = d.discoloration;
    s.discoloration_lower = d.discoloration_lower;
    s.discoloration_upper = d.discoloration_upper;
    s.difference_minus = d.difference_minus;
    s.overlays.tool = d.tool_display;
    s.overlays.bounding_box = d.boundary_box;
    s.overlays.axes = d.basic_axis;
    s.overlays.paths_during_run = d.path_start;
    s.overlays.paths_in_result = d.path_result;
    s.overlays.difference = d.difference_always;
    s.move_pitch_automatic = d.move_pitch.automatic;
    s.move_pitch = d.move_pitch.pitch;
    s.move_pitch_rate = d.move_pitch.rate;
    s.rapid_feedrate = d.rapid_feedrate;
    s.construction_points = d.construction_point;
    return s;
}

work::SaveOptions save_options(const Settings& settings) {
    return {settings.dmf.save_level, settings.dmf.integer_heights};
}

work::OpenOptions open_options(const Settings& settings) {
    return {settings.dmf.data_level, settings.dmf.share_mode};
}

}  // namespace vx::shell
