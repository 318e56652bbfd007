// The result view as a PNG, for unattended runs: the workpiece drawn as the settings show it
// (angles, projection, colour mode, colours), fitted to the image, at full detail, with the
// overlays of the result display: the run's kept path, the bounding box, the axes and the tool.
// A mesh keeps the display step: at full detail its lines would close into a solid silhouette.
#pragma once

#include "sim/tools.h"
#include "sim/workgrid.h"
#include "view/display.h"
#include "view/display_settings.h"

#include <string>

namespace vx::output {

// What the run leaves for the result view besides the workpiece and the display's kept paths.
struct ResultView {
    const sim::CurrentTool* tool = nullptr;  // drawn at `position` with TOOL DISPLAY; null: none
    Vec3 position;                           // the control point where the run left the tool
    Vec3 start_point;                        // marked by the axes
    bool showing_interference = false;       // the run ended on an interference: drawn in its red
};

// Sets `display` up for a width x height image of `wp`, paints it and writes it to `path`; false
// when there is no workpiece or the file cannot be written. Refreshes the workpiece's screen
// positions.
bool write_result_image(view::Display& display, sim::Workpiece& wp, const view::DisplaySettings& settings,
                        const ResultView& result, const std::string& path, int width, int height);

}  // namespace vx::output
