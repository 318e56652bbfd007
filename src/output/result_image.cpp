#include "output/result_image.h"

#include "output/png.h"

namespace vx::output {

bool write_result_image(view::Display& d, sim::Workpiece& wp, const view::DisplaySettings& settings,
                        const ResultView& result, const std::string& path, int width, int height) {
    if (!wp.height.data || wp.modification_state == sim::kNoWorkpiece || width < 1 || height < 1) return false;
    // An image shows every cell, except as a mesh, whose lines would leave no gap between them.
    view::set_up_display(d, settings, wp, width, height, !settings.mesh);
    d.render.showing_interference = result.showing_interference;
    d.start_point = result.start_point;
    if (result.tool) {
        view::set_display_tool(d, *result.tool);
        view::place_tool(d, wp, result.position);
    }
    view::paint(d, wp);
    return write_png(d.frame, path);
}

}  // namespace vx::output
