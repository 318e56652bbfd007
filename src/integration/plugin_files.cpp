#include "integration/plugin_files.h"

#include "base/constants.h"
#include "platform/language.h"
#include "platform/log.h"
#include "platform/platform.h"
#include "work/dmf.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <new>

namespace vx::integration {
namespace {

using platform::TextPair;

constexpr TextPair kTextNotRead{"プラグインがファイルを読めませんでした", "The plug-in could not read the file"};
constexpr TextPair kTextNotWritten{"プラグインがファイルを書けませんでした", "The plug-in could not write the file"};

// The largest grid a workpiece can have: its cell count is an int32.
constexpr double kMaxCells = double(std::numeric_limits<std::int32_t>::max());
// Attribute bits 6-7 are always 0 in the program's layers.
constexpr std::uint8_t kAttributeBits = 0x3F;

template <class Fn>
Fn typed(const Module& m, std::string_view name) {
    return reinterpret_cast<Fn>(symbol(m, name));
}

// Titled with the file; the module and the file go into the body too, for the batch log.
void tell(const TextPair& body, const Module& m, std::string_view path) {
    const std::string text = std::string(platform::text(body)) + " (" + m.name + ": " + std::string(path) + ")";
    platform::show_message({path, text});
}

// PARAMETER: the module may cancel by leaving anything but 1 (a saver: 0).
bool parameters_agree(const Module& m, std::string_view name, bool saver) {
    const auto parameter = typed<VxLoadParameterFn>(m, name);
    if (!parameter) return true;
    int status = 1;
    parameter(&status);
    return saver ? status != 0 : status == 1;
}

bool finite_all(const double* v, int n) {
    return std::all_of(v, v + n, [](double x) { return std::isfinite(x); });
}

// GETWORKSIZE's answer as a grid; an empty string when it is sound, else what the module did.
struct WorkSize {
    double extent[3] = {0, 0, 0};
    double origin[3] = {0, 0, 0};
    double pitch = 0.0;
};

std::string whole(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.0f", v);
    return text;
}

std::string size_problem(const WorkSize& s, const LoadRequest& request, sim::GridGeometry& g, double& pitch) {
    if (!finite_all(s.extent, 3) || !finite_all(s.origin, 3)) return "gave an extent or origin that is not a number";
    if (s.extent[0] < 0 || s.extent[1] < 0 || s.extent[2] < 0) return "gave a negative extent";
    if (std::isnan(s.pitch) || std::isinf(s.pitch)) return "gave a pitch that is not a number";
    pitch = s.pitch > 0.0 ? s.pitch
                          : request.pitch(s.origin[0], s.origin[1], s.origin[0] + s.extent[0], s.origin[1] + s.extent[1]);
    if (!std::isfinite(pitch) || !(pitch > 0.0)) return "left no usable pitch";
    const double nx = std::max(2.0, std::trunc(s.extent[0] / pitch + 1.5));
    const double ny = std::max(2.0, std::trunc(s.extent[1] / pitch + 1.5));
    if (!(nx * ny <= kMaxCells))
        return "gave a grid of " + whole(nx) + " x " + whole(ny) + " points, beyond the grid's limit";
    g = sim::grid_geometry(s.origin[0], s.origin[1], pitch, std::int64_t(nx), std::int64_t(ny));
    return {};
}

// "Memory over!" as the workpiece or the model it was staged for says it.
void show_memory_over(bool model) {
    if (model) platform::show_message({platform::text(work::kTextResampleTitle), platform::text(work::kTextModelMemoryOver)});
    else sim::show_memory_over();
}

// The staged arrays, or false after "Memory over!" when the machine cannot give them.
bool stage(LoadedGrid& out, std::int64_t cells, bool line_numbers, bool model, float start) {
    const std::uint64_t bytes = std::uint64_t(cells) * (sizeof(float) + 1 + (line_numbers ? 4 : 0));
    try {
        if (bytes > platform::available_memory()) throw std::bad_alloc();
        out.heights.assign(std::size_t(cells), start);
        out.attributes.assign(std::size_t(cells), 0);
        out.line_numbers.assign(line_numbers ? std::size_t(cells) : 0, 0);
    } catch (const std::bad_alloc&) {
        out = LoadedGrid{};
        show_memory_over(model);
        return false;
    }
    return true;
}

// What LOADWORK left, checked: a height that is not a number is the module's fault.
std::string heights_problem(LoadedGrid& out) {
    const auto bad = std::find_if(out.heights.begin(), out.heights.end(), [](float h) { return !std::isfinite(h); });
    if (bad != out.heights.end()) {
        const std::int64_t cell = bad - out.heights.begin();
        return "gave a height that is not a number at grid point (" + std::to_string(cell % out.geometry.nx) + ", " +
               std::to_string(cell / out.geometry.nx) + ")";
    }
    for (std::uint8_t& a : out.attributes) a &= kAttributeBits;
    return {};
}

// A cancel is the module's (its dialog's) answer; a batch still hears why nothing was done.
int cancelled(const Module& m, std::string_view what, const std::string& path) {
    platform::note("vornex: the plug-in " + m.name + " cancelled " + std::string(what) + " " + path);
    return kPluginCancelled;
}

int refuse(Plugins& plugins, const Module& m, const std::string& what) {
    refuse_module(plugins, m, what);
    return kPluginRefused;
}

}  // namespace

// ---- Which module ----

const Module* loader_for_file(const Plugins& plugins, std::string_view path) {
    return module_for_file(plugins, Family::Load, path);
}

std::vector<std::string> loader_extensions(const Plugins& plugins) {
    std::vector<std::string> out;
    for (const Module& m : modules(plugins, Family::Load))
        for (std::string& s : module_suffixes(m)) out.push_back(std::move(s));
    return out;
}

std::vector<std::string> saver_extensions(const Plugins& plugins) {
    std::vector<std::string> out(kSlots);
    for (const Module& m : modules(plugins, Family::Save)) {
        const std::vector<std::string> suffixes = module_suffixes(m);
        if (!suffixes.empty()) out[std::size_t(m.slot)] = suffixes.front();
    }
    while (!out.empty() && out.back().empty()) out.pop_back();
    return out;
}

// ---- Loading ----

int load_grid(Plugins& plugins, const Module& m, const std::string& path, const LoadRequest& request,
              LoadedGrid& out) {
    const auto get_size = typed<VxLoadGetWorkSizeFn>(m, "VXLOADGETWORKSIZE");
    const auto load = typed<VxLoadLoadWorkFn>(m, "VXLOADLOADWORK");
    if (!get_size || !load) return refuse(plugins, m, "lacks VXLOADGETWORKSIZE or VXLOADLOADWORK");
    if (!parameters_agree(m, "VXLOADPARAMETER", false)) return cancelled(m, "loading", path);
    WorkSize size;
    if (get_size(path.c_str(), size.extent, size.origin, &size.pitch) == 0) {
        tell(kTextNotRead, m, path);
        return kPluginFailed;
    }
    double pitch = 0.0;
    const std::string problem = size_problem(size, request, out.geometry, pitch);
    if (!problem.empty()) return refuse(plugins, m, problem);
    out.bottom = size.origin[2];
    out.top = size.origin[2] + size.extent[2];
    const bool lines = request.line_numbers && !request.model;
    const float start = request.model ? kNoMaterial : float(out.bottom);
    if (!stage(out, out.geometry.cell_count, lines, request.model, start)) return kPluginFailed;
    if (load(path.c_str(), pitch, out.geometry.nx, out.geometry.ny, out.heights.data(), out.attributes.data(),
             lines ? out.line_numbers.data() : nullptr) == 0) {
        tell(kTextNotRead, m, path);
        return kPluginFailed;
    }
    const std::string bad = heights_problem(out);
    return bad.empty() ? kPluginDone : refuse(plugins, m, bad);
}

int adopt_grid(sim::Workpiece& wp, const LoadedGrid& grid, int data_level) {
    if (sim::allocate_workpiece_or_report(wp, grid.geometry, data_level) != 1) return 0;
    const std::size_t cells = grid.heights.size();
    std::copy_n(grid.heights.data(), cells, wp.height.data);
    std::copy_n(grid.attributes.data(), cells, wp.attribute.data);
    if (sim::has_line_layer(wp)) {
        if (grid.line_numbers.empty()) std::fill_n(wp.line_number.data, cells, 0);
        else std::copy_n(grid.line_numbers.data(), cells, wp.line_number.data);
    }
    const auto [low, high] = std::minmax_element(grid.heights.begin(), grid.heights.end());
    wp.work_bottom = std::min(grid.bottom, double(*low));  // nothing may lie below the bottom
    wp.work_top = std::max(grid.top, double(*high));
    sim::recompute_highest(wp);
    wp.modification_state = sim::kModified;
    return 1;
}

void fill_model_target(const LoadedGrid& model, const sim::GridGeometry& grid, float* target) {
    const sim::GridGeometry& g = model.geometry;
    work::DmfHeader header;
    header.origin_x = g.origin_x;
    header.origin_y = g.origin_y;
    header.nx = g.nx;
    header.ny = g.ny;
    header.pitch = g.pitch;
    if (work::compare_model_grid(grid, header) == work::kSameGrid) {
        std::copy(model.heights.begin(), model.heights.end(), target);
        return;
    }
    work::resample_model({g.origin_x, g.origin_y, g.pitch, g.nx, g.ny}, model.heights.data(), grid, target);
}

// ---- Saving ----

bool saver_wants_basic_model(const Module& m) { return symbol(m, "VXSAVEGETBASICMODEL") != nullptr; }

int save_with_plugin(const Module& m, const std::string& path, const sim::Workpiece& wp, const SaveRequest& request) {
    const auto save = typed<VxSaveSaveWorkFn>(m, "VXSAVESAVEWORK");
    if (!save) {
        tell(kTextNotWritten, m, path);
        return kPluginFailed;
    }
    if (!parameters_agree(m, "VXSAVEPARAMETER", true)) return cancelled(m, "saving", path);
    const sim::GridGeometry& g = wp.geometry;
    if (const auto basic = typed<VxSaveGetBasicModelFn>(m, "VXSAVEGETBASICMODEL"); basic && wp.basic_model.data)
        basic(wp.basic_model.data, g.nx, g.ny);
    if (const auto level = typed<VxSaveGetSaveLevelFn>(m, "VXSAVEGETSAVELEVEL"))
        level(request.save_level, request.integer_heights ? 1 : 0);
    const double extent[3] = {g.max_x - g.origin_x, g.max_y - g.origin_y, wp.work_top - wp.work_bottom};
    const double origin[3] = {g.origin_x, g.origin_y, wp.work_bottom};
    if (save(path.c_str(), extent, origin, g.pitch, g.nx, g.ny, wp.height.data, wp.attribute.data,
             wp.line_number.data) != 0)
        return kPluginDone;
    tell(kTextNotWritten, m, path);
    return kPluginFailed;
}

}  // namespace vx::integration
