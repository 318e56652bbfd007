#include "output/result_image.h"

#include "output/png.h"
#include "view/display.h"

#include <utility>

namespace vx::output {

bool write_result_image(sim::Workpiece& wp, const view::DisplaySettings& settings, ResultView result,
                        const std::string& path, int width, int height) {
    if (!wp.height.data || wp.modification_state == sim::kNoWorkpiece || width < 1 || height < 1) return false;
    view::Display d;
    view::set_up_display(d, settings, wp, width, height, true);  // an image shows every cell
    d.paths = std::move(result.paths);
    d.start_point = result.start_point;
    if (result.tool) {
        view::set_display_tool(d, *result.tool);
        view::place_tool(d, wp, result.position);
    }
    view::paint(d, wp);
    return write_png(d.frame, path);
}

}  // namespace vx::output
