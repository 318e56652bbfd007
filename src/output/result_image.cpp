#include "output/result_image.h"

#include "output/png.h"

namespace vx::output {

bool write_result_image(view::Display& d, sim::Workpiece& wp, const view::DisplaySettings& settings,
                        const ResultView& result, const std::string& path, int width, int height) {
    if (!wp.height.data || wp.modification_state == sim::kNoWorkpiece || width < 1 || height < 1) return false;
    view::set_up_display(d, settings, wp, width, height, true);  // an image shows every cell
    d.start_point = result.start_point;
    if (result.tool) {
        view::set_display_tool(d, *result.tool);
        view::place_tool(d, wp, result.position);
    }
    view::paint(d, wp);
    return write_png(d.frame, path);
}

}  // namespace vx::output
