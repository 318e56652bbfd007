// The result view as a PNG, for unattended runs: the workpiece drawn as the settings show it
// (angles, projection, colour mode, colours), fitted to the image, at full detail.
#pragma once

#include "shell/settings.h"
#include "sim/workgrid.h"

#include <string>

namespace vx::output {

// Renders `wp` into a width x height image and writes it to `path`; false when there is no
// workpiece or the file cannot be written. Refreshes the workpiece's screen positions.
bool write_result_image(sim::Workpiece& wp, const shell::Settings& settings, const std::string& path, int width,
                        int height);

}  // namespace vx::output
