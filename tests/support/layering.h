// The layering of src/: a folder may include headers of its own folder and of the layers below
// it, never of a layer above it nor of the one beside it. From the bottom up: base, platform,
// then nc and sim side by side, work, view, output, integration, shell, gui.
#pragma once

#include <string>
#include <vector>

namespace vx::testing {

struct LayerViolation {
    std::string file;     // relative to the source root, "sim/kernel.h"
    int line = 0;
    std::string include;  // as written, "shell/settings.h"
};

// Every quoted include under `source_root` (one folder per layer) that goes the wrong way, names
// a folder that is no layer, or sits in a folder that is no layer.
std::vector<LayerViolation> layering_violations(const std::string& source_root);

}  // namespace vx::testing
