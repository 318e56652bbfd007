// Loading DMF files: as the workpiece, with every check done before the workpiece is replaced,
// and as a model on the workpiece grid (the basic model of the difference display and the merge
// model), read straight when the grids match and resampled when they differ.
#include "work/dmf.h"
#include "work/stl_import.h"

#include "platform/platform.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <limits>
#include <memory>
#include <new>
#include <vector>

namespace vx::work {
namespace {

// ---- User texts ----

const platform::TextPair kTextFileNotFound{"ファイルが存在しません", "File is not found."};
const platform::TextPair kTextPositionsDiffer{"位置が異なります", "Positions differ."};
const platform::TextPair kTextSizesDiffer{"サイズが異なります", "Sizes differ."};
const platform::TextPair kTextPitchesDiffer{"精度が異なります", "Work Pitches differ."};
const platform::TextPair kTextFormatNotYet{"この形式のモデルを読み込む機能はまだ使えません。",
                                           "Models in this format cannot be loaded yet: no reader is available."};

// Origins closer than this count as the same grid.
constexpr double kOriginTolerance = 0.001;

void show(const platform::TextPair& body, std::string_view title) {
    platform::Message message;
    message.title = title;
    message.body = platform::text(body);
    platform::show_message(message);
}

// ---- Model kinds ----

enum class ModelKind { Dmf, Stl, Other };

bool last_three(std::string_view name, std::string_view letters) {
    if (name.size() < 3) return false;
    const std::string_view tail = name.substr(name.size() - 3);
    return std::equal(tail.begin(), tail.end(), letters.begin(), [](char a, char b) {
        return std::toupper(static_cast<unsigned char>(a)) == b;
    });
}

// ".DMFZ" belongs with the DMF files too, though its last three letters are "MFZ".
ModelKind model_kind(std::string_view name) {
    if (last_three(name, "DMF") || has_dmfz_suffix(name)) return ModelKind::Dmf;
    if (last_three(name, "STL")) return ModelKind::Stl;
    return ModelKind::Other;
}

// Formats whose readers are not built yet; false after the message for those.
bool model_format_available(std::string_view name) {
    if (model_kind(name) != ModelKind::Other) return true;
    show(kTextFormatNotYet, name);
    return false;
}

}  // namespace

// ---- Opening as the workpiece ----

namespace {

// Start of the largest height of a full body.
constexpr double kHighestStart = -99999.0;

sim::GridGeometry geometry_of(const DmfHeader& h) {
    return sim::grid_geometry(h.origin_x, h.origin_y, h.pitch, h.nx, h.ny);
}

// Every check that needs no allocation: the header, the size, the bottom and, unless their
// storage rules it out, every height.
DmfProblem validate(const DmfSource& source, DmfHeader& header, double* bottom) {
    DmfProblem problem = read_dmf_header(source, header);
    if (problem == DmfProblem::None) problem = read_dmf_bottom(source, header, bottom);
    if (problem == DmfProblem::None && !heights_always_finite(header))
        problem = read_dmf_heights(source, header, nullptr, nullptr, kHighestStart);
    return problem;
}

// Fills the allocated workpiece. A uniform body's highest is its one height, whatever it is.
DmfProblem fill_workpiece(sim::Workpiece& wp, const DmfSource& source, const DmfHeader& h, double* highest) {
    const double start = is_uniform(h) ? -std::numeric_limits<double>::infinity() : kHighestStart;
    DmfProblem problem = read_dmf_heights(source, h, wp.height.data, highest, start);
    if (problem == DmfProblem::None) problem = read_dmf_attributes(source, h, wp.attribute.data);
    // A file's line numbers are dropped when the workpiece keeps none.
    if (problem == DmfProblem::None && sim::has_line_layer(wp))
        problem = read_dmf_line_numbers(source, h, wp.line_number.data);
    return problem;
}

}  // namespace

OpenResult open_workpiece(sim::Workpiece& wp, const std::string& path, const OpenOptions& options) {
    std::optional<DmfSource> source = DmfSource::open(path);
    if (!source) {
        show_problem(path, DmfProblem::CannotOpen);
        return {};
    }
    return open_workpiece(wp, *source, path, options);
}

OpenResult open_workpiece(sim::Workpiece& wp, const DmfSource& given, std::string_view name,
                          const OpenOptions& options) {
    OpenResult result;
    std::optional<DmfSource> holder;
    const DmfSource* plain = plain_dmf(given, name, true, holder);
    if (plain == nullptr) return result;
    const DmfSource& source = *plain;

    DmfHeader h;
    double bottom = 0.0;
    if (const DmfProblem problem = validate(source, h, &bottom); problem != DmfProblem::None) {
        show_problem(name, problem);
        return result;
    }
    // The file is sound: from here the workpiece is replaced.
    result.pitch_changed = wp.modification_state == sim::kNoWorkpiece || wp.geometry.pitch != h.pitch;
    if (sim::allocate_workpiece_or_report(wp, geometry_of(h), options.data_level) != 1) {
        result.workpiece_lost = true;
        return result;
    }
    double highest = kHighestStart;
    if (const DmfProblem problem = fill_workpiece(wp, source, h, &highest); problem != DmfProblem::None) {
        // Changed on disk since it was checked: half a workpiece is worse than none.
        sim::release_workpiece(wp);
        result.workpiece_lost = true;
        show_problem(name, problem);
        return result;
    }
    wp.work_bottom = bottom;
    wp.work_top = highest;
    wp.highest = highest;
    // Any body form but the uniform one holds every cell, as a modified workpiece does.
    wp.modification_state = is_uniform(h) && !options.sharing ? sim::kDefined : sim::kModified;
    result.origin_z = h.origin_z;
    result.status = 1;
    return result;
}

// ---- Header check ----

int compare_model_grid(const sim::GridGeometry& grid, const DmfHeader& h) {
    if (std::fabs(h.origin_x - grid.origin_x) > kOriginTolerance ||
        std::fabs(h.origin_y - grid.origin_y) > kOriginTolerance)
        return kOriginDiffers;
    if (h.nx != grid.nx || h.ny != grid.ny) return kSizeDiffers;
    if (h.pitch != grid.pitch) return kPitchDiffers;
    return kSameGrid;
}

int check_model_header(const sim::GridGeometry& grid, const std::string& path) {
    const std::optional<DmfSource> source = DmfSource::open(path);
    if (!source) return kCannotOpen;
    std::optional<DmfSource> holder;
    const DmfSource* plain = plain_dmf(*source, path, false, holder);
    DmfHeader h;
    if (plain == nullptr || read_dmf_header(*plain, h) != DmfProblem::None) return kCannotOpen;
    return compare_model_grid(grid, h);
}

void show_model_difference(int check, std::string_view model_file) {
    switch (check) {
    case kCannotOpen: show(kTextFileNotFound, model_file); break;
    case kOriginDiffers: show(kTextPositionsDiffer, model_file); break;
    case kSizeDiffers: show(kTextSizesDiffer, model_file); break;
    case kPitchDiffers: show(kTextPitchesDiffer, model_file); break;
    default: break;
    }
}

// ---- Resampling ----

namespace {

// Where a target coordinate falls along one model axis: the source cell and the offset into it.
struct AxisPlace {
    std::int32_t index = 0;
    double offset = 0.0;
};

// False outside the model's extent. The last point lies in the last full cell, at its far edge.
bool place_on_axis(double c, double origin, double pitch, std::int32_t n, AxisPlace& place) {
    if (!(origin <= c && c <= origin + pitch * (n - 1))) return false;
    const double cell = std::trunc((c - origin) / pitch);
    place.index = static_cast<std::int32_t>(std::min(cell, double(n - 2)));
    place.offset = c - (origin + pitch * place.index);
    return true;
}

// The model places of every target column; columns outside the extent are marked.
std::vector<AxisPlace> column_places(const ModelGrid& model, const sim::GridGeometry& grid,
                                     std::vector<char>& inside) {
    std::vector<AxisPlace> places(static_cast<std::size_t>(grid.nx));
    inside.assign(places.size(), 0);
    for (std::int32_t i = 0; i < grid.nx; ++i)
        inside[i] = place_on_axis(grid.origin_x + grid.pitch * i, model.origin_x, model.pitch, model.nx, places[i]);
    return places;
}

// The plane of the half of the source cell that (tx, ty) lies in, the halves split by the
// diagonal from the bottom-right to the top-left corner.
double triangle_height(double bl, double br, double tl, double tr, double tx, double ty, double p) {
    if (tx + ty > p) return tr + (tr - br) * (ty - p) / p + (tr - tl) * (tx - p) / p;
    return bl + (br - bl) * tx / p + (tl - bl) * ty / p;
}

// Walks the target cells inside the model's extent, row by row, each set to `cell(column, row)`;
// the rest get kNoMaterial.
template <class SetCell>
void walk_model_extent(const ModelGrid& model, const sim::GridGeometry& grid, float* target,
                       const std::function<void(std::int64_t)>& progress, SetCell cell) {
    std::fill_n(target, static_cast<std::size_t>(grid.cell_count), kNoMaterial);
    std::vector<char> inside;
    const std::vector<AxisPlace> columns = column_places(model, grid, inside);
    const std::int64_t nx = grid.nx;
    for (std::int32_t j = 0; j < grid.ny; ++j) {
        AxisPlace row;
        if (place_on_axis(grid.origin_y + grid.pitch * j, model.origin_y, model.pitch, model.ny, row)) {
            float* out = target + j * nx;
            for (std::int64_t i = 0; i < nx; ++i)
                if (inside[i]) out[i] = cell(columns[i], row);
        }
        if (progress) progress((j + 1) * nx);
    }
}

}  // namespace

void resample_model(const ModelGrid& model, const float* heights, const sim::GridGeometry& grid, float* target,
                    const std::function<void(std::int64_t done)>& progress) {
    const std::int64_t mx = model.nx;
    const double p = model.pitch;
    walk_model_extent(model, grid, target, progress, [&](const AxisPlace& column, const AxisPlace& row) {
        const float* bottom = heights + row.index * mx + column.index;
        const float* top = bottom + mx;
        return static_cast<float>(triangle_height(bottom[0], bottom[1], top[0], top[1], column.offset, row.offset, p));
    });
}

// ---- Loading ----

namespace {

// A model file checked and, when it is to be resampled, read at its own size: everything that
// can refuse the file is done before a target is touched.
struct PreparedModel {
    std::string name;
    std::optional<DmfSource> holder;  // the decompressed bytes of a compressed file
    const DmfSource* source = nullptr;
    DmfHeader header;
    bool straight = false;  // same grid: the heights go straight into the target
    float uniform_height = 0.0f;
    std::unique_ptr<float[]> heights;  // a full body to resample
};

bool read_model_heights(PreparedModel& m) {
    const std::int64_t cells = cell_count(m.header);
    if (std::uint64_t(cells) * sizeof(float) > platform::available_memory() ||
        !(m.heights = std::unique_ptr<float[]>(new (std::nothrow) float[static_cast<std::size_t>(cells)]))) {
        show(kTextModelMemoryOver, platform::text(kTextResampleTitle));
        return false;
    }
    const DmfProblem problem = read_dmf_heights(*m.source, m.header, m.heights.get(), nullptr, 0.0);
    if (problem != DmfProblem::None) show_problem(m.name, problem);
    return problem == DmfProblem::None;
}

bool prepare_model(const sim::GridGeometry& grid, const DmfSource& source, std::string_view name,
                   PreparedModel& m) {
    m.name = std::string(name);
    m.source = plain_dmf(source, name, true, m.holder);
    if (m.source == nullptr) return false;
    DmfProblem problem = read_dmf_header(*m.source, m.header);
    if (problem != DmfProblem::None) {
        show_problem(name, problem);
        return false;
    }
    m.straight = compare_model_grid(grid, m.header) == kSameGrid;
    if (!is_uniform(m.header) && !m.straight) return read_model_heights(m);
    // A uniform body's one height is the largest of all; a straight full body is only checked.
    double single = 0.0;
    if (is_uniform(m.header) || !heights_always_finite(m.header))
        problem = read_dmf_heights(*m.source, m.header, nullptr, &single, -std::numeric_limits<double>::infinity());
    m.uniform_height = static_cast<float>(single);
    if (problem != DmfProblem::None) show_problem(name, problem);
    return problem == DmfProblem::None;
}

bool fill_model(const PreparedModel& m, const sim::GridGeometry& grid, float* target,
                const std::function<void(std::int64_t)>& progress) {
    const ModelGrid model{m.header.origin_x, m.header.origin_y, m.header.pitch, m.header.nx, m.header.ny};
    if (!is_uniform(m.header) && !m.straight) {
        resample_model(model, m.heights.get(), grid, target, progress);
        return true;
    }
    if (is_uniform(m.header)) {
        // Every triangle of a uniform model is level: its height wherever it reaches.
        const float h = m.uniform_height;
        walk_model_extent(model, grid, target, progress, [h](const AxisPlace&, const AxisPlace&) { return h; });
        return true;
    }
    const DmfProblem problem = read_dmf_heights(*m.source, m.header, target, nullptr, 0.0);
    if (problem != DmfProblem::None) show_problem(m.name, problem);
    return problem == DmfProblem::None;
}

}  // namespace

int load_model_heights(const sim::GridGeometry& grid, const std::string& path, float* target) {
    if (!model_format_available(path)) return 0;
    const std::optional<DmfSource> source = DmfSource::open(path);
    if (!source) {
        show_problem(path, DmfProblem::CannotOpen);
        return 0;
    }
    // Without a workpiece there is no bottom: a runaway plane height means no material.
    if (model_kind(path) == ModelKind::Stl)
        return stl_model_heights(grid, *source, path, target, kNoMaterial, kNoMaterial);
    return load_model_heights(grid, *source, path, target);
}

int load_model_heights(const sim::GridGeometry& grid, const DmfSource& source, std::string_view name,
                       float* target) {
    PreparedModel m;
    if (!prepare_model(grid, source, name, m)) return 0;
    if (m.straight) return fill_model(m, grid, target, {}) ? 1 : 0;
    platform::progress_begin(platform::text(kTextSetZValue), grid.cell_count);
    const bool ok = fill_model(m, grid, target, [](std::int64_t done) { platform::progress_update(done); });
    platform::progress_end();
    return ok ? 1 : 0;
}

int load_model(sim::Workpiece& wp, const std::string& path, ModelUse use) {
    if (wp.height.data == nullptr || wp.modification_state == sim::kNoWorkpiece) return 0;
    if (!model_format_available(path)) return 0;
    if (model_kind(path) == ModelKind::Stl) return load_stl_model(wp, path, use);
    const std::optional<DmfSource> source = DmfSource::open(path);
    if (!source) {
        show_problem(path, DmfProblem::CannotOpen);
        return 0;
    }
    PreparedModel m;
    if (!prepare_model(wp.geometry, *source, path, m)) return 0;
    // The array is obtained (or reused) by the Z-value entry, which reports progress in percent.
    const std::int64_t cells = wp.geometry.cell_count;
    bool obtained = false;
    const int ok = sim::calculate_z_values(
        wp, use == ModelUse::Basic ? sim::ZTarget::Basic : sim::ZTarget::Merge,
        [&](const sim::GridGeometry& grid, float* heights, double) {
            obtained = true;
            return fill_model(m, grid, heights, [cells](std::int64_t done) {
                       platform::progress_update(done * 100 / cells);
                   }) ? 1 : 0;
        });
    if (!obtained)
        show(kTextModelMemoryOver, platform::text(use == ModelUse::Basic ? kTextBasicModelTitle : kTextMergeModelTitle));
    return ok;
}

}  // namespace vx::work
