// Loading an STL: as the workpiece (its extent sizes the grid) and as the basic or merge model
// on the workpiece grid. Every check that can refuse the file is made before anything is changed.
#include "work/stl_import.h"

#include "platform/log.h"
#include "platform/platform.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace vx::work {

// The file messages exist only in English; both languages show them.
const platform::TextPair kTextDataDestroyed{"Data Destroyed!", "Data Destroyed!"};
const platform::TextPair kTextDataErrorTitle{"Data error", "Data error"};

namespace {

const platform::TextPair kTextNoTriangle{"STLファイルに使える三角形がありません。",
                                         "The STL file holds no triangle that can be used."};
const platform::TextPair kTextCheckingMinMax{"最大最小チェック", "Checking Min-Max"};

// A grid point more per axis than the span holds, with room for the span's rounding.
constexpr double kPointsRounding = 1.001;
constexpr std::int64_t kMaxCells = std::numeric_limits<std::int32_t>::max();

void show(const platform::TextPair& body, std::string_view title) {
    platform::Message message;
    message.title = title;
    message.body = platform::text(body);
    platform::show_message(message);
}

// Titled with the file; the name goes into the body too, as a batch log keeps only the body.
void show_about(const platform::TextPair& body, std::string_view name) {
    platform::Message message;
    const std::string text = std::string(platform::text(body)) + " (" + std::string(name) + ")";
    message.title = name;
    message.body = text;
    platform::show_message(message);
}

// What a pass left out is said, never dropped quietly.
void note_pass(const StlPass& pass, std::string_view name) {
    const std::string file(name);
    if (pass.not_finite > 0)
        platform::note("vornex: " + file + ": left out " + std::to_string(pass.not_finite) +
                       " triangles whose values are not finite numbers");
    if (pass.incomplete > 0)
        platform::note("vornex: " + file + ": left out " + std::to_string(pass.incomplete) +
                       " facets that do not have three vertices");
    const std::int64_t read = pass.triangles + pass.not_finite;
    if (pass.claimed > read)
        platform::note("vornex: " + file + ": the file ends after " + std::to_string(read) + " of the " +
                       std::to_string(pass.claimed) + " triangles its header counts");
}

// A pass whose result can be used: read to its end and with at least one triangle; the problem
// is shown otherwise.
bool usable(const StlPass& pass, std::string_view name) {
    if (pass.read_failed) {
        show_problem(name, DmfProblem::Read);
        return false;
    }
    note_pass(pass, name);
    if (pass.triangles == 0) {
        show_about(kTextNoTriangle, name);
        return false;
    }
    return true;
}

// The kind, or the "Data Destroyed!" message for a file that is no STL.
int known_kind(const DmfSource& source) {
    const int kind = detect_stl_kind(source);
    if (kind == kStlUnknown) show(kTextDataDestroyed, platform::text(kTextDataErrorTitle));
    return kind;
}

StlPass measure(const DmfSource& source, int kind, const SwingRotation* swing, StlBox& box) {
    platform::progress_begin(platform::text(kTextCheckingMinMax), static_cast<std::int64_t>(source.size()));
    const StlPass pass = for_each_stl_triangle(
        source, kind,
        [&](const StlTriangle& t) {
            for (const Vec3& corner : t.vertex) {
                const Vec3 p = swing ? swing_point(*swing, corner) : corner;
                for (int axis = 0; axis < 3; ++axis) {
                    box.min[axis] = std::min(box.min[axis], p[axis]);
                    box.max[axis] = std::max(box.max[axis], p[axis]);
                }
            }
        },
        [](std::uint64_t bytes) { platform::progress_update(static_cast<std::int64_t>(bytes)); });
    platform::progress_end();
    return pass;
}

// The rasterising pass, reporting progress in percent of the file as the Z-value entry expects.
StlPass rasterise(const DmfSource& source, int kind, const RasterTarget& target) {
    const std::uint64_t size = std::max<std::uint64_t>(source.size(), 1);
    return for_each_stl_triangle(
        source, kind, [&](const StlTriangle& t) { rasterise_triangle(target, t); },
        [size](std::uint64_t bytes) { platform::progress_update(static_cast<std::int64_t>(bytes * 100 / size)); });
}

std::optional<SwingRotation> rotation(const std::optional<Swing>& swing) {
    if (!swing) return std::nullopt;
    return rotation_of(*swing);
}

}  // namespace

bool stl_grid(const StlBox& box, double pitch, sim::GridGeometry& g) {
    if (!std::isfinite(pitch) || !(pitch > 0.0)) return false;
    const double nx = std::max(2.0, std::trunc((box.max.x - box.min.x) / pitch + kPointsRounding));
    const double ny = std::max(2.0, std::trunc((box.max.y - box.min.y) / pitch + kPointsRounding));
    if (!std::isfinite(box.min.x) || !std::isfinite(box.min.y) || !(nx * ny <= double(kMaxCells))) return false;
    g = sim::grid_geometry(box.min.x, box.min.y, pitch, std::int64_t(nx), std::int64_t(ny));
    return true;
}

StlOpenResult open_stl_workpiece(sim::Workpiece& wp, const std::string& path, const StlOpenOptions& options) {
    const std::optional<DmfSource> source = DmfSource::open(path);
    if (!source) {
        show_problem(path, DmfProblem::CannotOpen);
        return {};
    }
    return open_stl_workpiece(wp, *source, path, options);
}

StlOpenResult open_stl_workpiece(sim::Workpiece& wp, const DmfSource& source, std::string_view name,
                                 const StlOpenOptions& options) {
    StlOpenResult result;
    const int kind = known_kind(source);
    if (kind == kStlUnknown) return result;
    const std::optional<SwingRotation> swing = rotation(options.swing);
    const SwingRotation* turn = swing ? &*swing : nullptr;
    StlBox box;
    if (!usable(measure(source, kind, turn, box), name)) return result;

    const double pitch = options.pitch ? options.pitch(box.min.x, box.min.y, box.max.x, box.max.y) : wp.geometry.pitch;
    sim::GridGeometry g;
    if (!std::isfinite(pitch) || !(pitch > 0.0)) {
        show_problem(name, DmfProblem::Pitch);
        return result;
    }
    if (!stl_grid(box, pitch, g)) {
        sim::show_memory_over();
        return result;
    }
    // The file is sound: from here the workpiece is replaced.
    result.pitch_changed = wp.modification_state == sim::kNoWorkpiece || wp.geometry.pitch != pitch;
    if (sim::allocate_workpiece_or_report(wp, g, options.data_level) != 1) {
        result.workpiece_lost = true;
        return result;
    }
    wp.work_bottom = box.min.z;
    wp.work_top = box.max.z;
    const RasterTarget target{&wp.geometry, nullptr, box.min.z, turn};
    StlPass pass;
    sim::calculate_z_values(wp, sim::ZTarget::Workpiece, [&](const sim::GridGeometry&, float* heights, double) {
        RasterTarget t = target;
        t.heights = heights;
        pass = rasterise(source, kind, t);
        return pass.read_failed ? 0 : 1;
    });
    if (pass.read_failed) {
        // Changed on disk since it was measured: half a workpiece is worse than none.
        sim::release_workpiece(wp);
        result.workpiece_lost = true;
        show_problem(name, DmfProblem::Read);
        return result;
    }
    result.status = 1;
    return result;
}

int stl_model_heights(const sim::GridGeometry& grid, const DmfSource& source, std::string_view name, float* target,
                      double start, double bottom) {
    const int kind = known_kind(source);
    if (kind == kStlUnknown) return 0;
    std::fill_n(target, static_cast<std::size_t>(grid.cell_count), static_cast<float>(start));
    const StlPass pass = for_each_stl_triangle(source, kind, [&](const StlTriangle& t) {
        rasterise_triangle({&grid, target, bottom, nullptr}, t);
    });
    return usable(pass, name) ? 1 : 0;
}

int load_stl_model(sim::Workpiece& wp, const std::string& path, ModelUse use, const Swing* swing) {
    if (wp.height.data == nullptr || wp.modification_state == sim::kNoWorkpiece) return 0;
    const std::optional<DmfSource> source = DmfSource::open(path);
    if (!source) {
        show_problem(path, DmfProblem::CannotOpen);
        return 0;
    }
    const int kind = known_kind(*source);
    if (kind == kStlUnknown) return 0;
    // A counting pass first, so that a file without a usable triangle leaves the model as it was.
    if (!usable(for_each_stl_triangle(*source, kind, [](const StlTriangle&) {}), path)) return 0;
    const std::optional<SwingRotation> turn = swing ? std::optional(rotation_of(*swing)) : std::nullopt;
    bool obtained = false, read = true;
    const int ok = sim::calculate_z_values(
        wp, use == ModelUse::Basic ? sim::ZTarget::Basic : sim::ZTarget::Merge,
        [&](const sim::GridGeometry& grid, float* heights, double) {
            obtained = true;
            read = !rasterise(*source, kind, {&grid, heights, wp.work_bottom, turn ? &*turn : nullptr}).read_failed;
            return read ? 1 : 0;
        });
    if (!obtained)
        show(kTextModelMemoryOver, platform::text(use == ModelUse::Basic ? kTextBasicModelTitle : kTextMergeModelTitle));
    else if (!read)
        show_problem(path, DmfProblem::Read);
    return ok;
}

}  // namespace vx::work
