// Workpiece loaders (vxload..) and savers (vxsave..) among the plug-in modules: which module
// takes a file by its suffix, the calls of a load (PARAMETER, GETWORKSIZE, LOADWORK) into a grid
// staged at the module's own size and checked before the workpiece or a model array is touched,
// and the calls of a save (PARAMETER, GETBASICMODEL, GETSAVELEVEL, SAVEWORK). A module that
// answers nonsense is refused through refuse_module() and the workpiece stays as it was.
#pragma once

#include "integration/plugins.h"
#include "sim/workgrid.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace vx::integration {

// ---- Which module ----

const Module* loader_for_file(const Plugins& plugins, std::string_view path);

// Every suffix of every loader ("XYZ"), for the command line, dropped files and the open dialog.
std::vector<std::string> loader_extensions(const Plugins& plugins);

// The first suffix of each saver slot (empty for a free slot): slot n is save type 7 + n.
std::vector<std::string> saver_extensions(const Plugins& plugins);

// ---- Results ----

constexpr int kPluginDone = 1;
constexpr int kPluginFailed = 0;      // the user was told (file unreadable, memory)
constexpr int kPluginCancelled = -1;  // PARAMETER said no: nothing to tell
constexpr int kPluginRefused = -2;    // the module broke the convention: refused and unloaded

// ---- Loading ----

// A grid read by a loader at its own size.
struct LoadedGrid {
    sim::GridGeometry geometry;
    double bottom = 0.0, top = 0.0;  // origin Z and origin Z + extent Z
    std::vector<float> heights;
    std::vector<std::uint8_t> attributes;
    std::vector<std::int32_t> line_numbers;  // empty unless asked for
};

struct LoadRequest {
    // The pitch when the module gives none, from the extent (origin X, Y to max X, Y).
    std::function<double(double x0, double y0, double x1, double y1)> pitch;
    bool model = false;         // heights start at no material; no line numbers
    bool line_numbers = false;  // a workpiece that keeps NC line numbers
};

// Runs the loader on `path` into `out`. `module` is invalid after kPluginRefused.
int load_grid(Plugins& plugins, const Module& module, const std::string& path, const LoadRequest& request,
              LoadedGrid& out);

// The loaded grid becomes the workpiece at `data_level` (modified state; bottom and top from the
// extent, lowered or raised to the heights read). 0 after "Memory over!" (no workpiece then).
int adopt_grid(sim::Workpiece& wp, const LoadedGrid& grid, int data_level);

// Fills `target` (aligned with `grid`) from a loaded model: straight when the grids are the same,
// else resampled; points outside the model read -100000.
void fill_model_target(const LoadedGrid& model, const sim::GridGeometry& grid, float* target);

// ---- Saving ----

struct SaveRequest {
    int save_level = 1;
    bool integer_heights = false;
};

// Whether the saver saves against the basic model (it exports GETBASICMODEL).
bool saver_wants_basic_model(const Module& module);

// Runs the saver on the workpiece (its basic model loaded already when the saver wants it).
// kPluginFailed after a message naming the module and the file.
int save_with_plugin(const Module& module, const std::string& path, const sim::Workpiece& wp,
                     const SaveRequest& request);

}  // namespace vx::integration
