// The result view as a PNG, for unattended runs: the workpiece drawn as the settings show it
// (angles, projection, colour mode, colours), fitted to the image, at full detail, with the
// overlays of the result display: the run's path, the bounding box, the axes and the tool.
#pragma once

#include "sim/tools.h"
#include "sim/workgrid.h"
#include "view/display_settings.h"
#include "view/paths.h"

#include <string>

namespace vx::output {

// What the run leaves for the result view besides the workpiece.
struct ResultView {
    const sim::CurrentTool* tool = nullptr;  // drawn at `position` with TOOL DISPLAY; null: none
    Vec3 position;                           // the control point where the run left the tool
    Vec3 start_point;                        // marked by the axes
    view::PathList paths;                    // the moves the run kept, drawn with PATH(RESULT)
};

// Renders `wp` into a width x height image and writes it to `path`; false when there is no
// workpiece or the file cannot be written. Refreshes the workpiece's screen positions.
bool write_result_image(sim::Workpiece& wp, const view::DisplaySettings& settings, ResultView result,
                        const std::string& path, int width, int height);

}  // namespace vx::output
