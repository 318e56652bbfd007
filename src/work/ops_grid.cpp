// The operations that move cells about: rotate and mirror, move, press, the XYZ cut and thinning.
// Those that change the grid's shape copy the layers aside, reallocate for the new shape and
// write the cells back at their new places.
#include "work/operations.h"

#include "platform/log.h"
#include "platform/platform.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace vx::work {

const platform::TextPair kTextThinCountError{"2以上の値を設定して下さい。", "2以上の値を設定して下さい。"};
const platform::TextPair kTextThinCountTitle{"間引き数エラー", "間引き数エラー"};

namespace {

constexpr platform::TextPair kTextDmfSize{"DMFサイズ =", "DMF Size ="};
constexpr platform::TextPair kTextDmeSize{"DMEサイズ >", "DME Size >"};

// The press stands the mirrored body this far above the old highest point.
constexpr double kPressLift = 10.0;
// The XYZ cut's index range takes a limit within a tenth of a pitch below a grid point as that point.
constexpr double kCutIndexSlack = 0.1;
// Bytes of a DMF beside its cells: header and trailer.
constexpr std::int64_t kDmfFixedBytes = 168;
// The DME estimate: 2 * 15 bytes per point, and its header.
constexpr std::int64_t kDmeBytesPerPoint = 2 * 15;
constexpr std::int64_t kDmeFixedBytes = 152;

// The layers and values a reshaping operation carries over to the new grid.
struct Snapshot {
    sim::GridGeometry geometry;
    std::vector<float> height;
    std::vector<std::uint8_t> attribute;
    std::vector<std::int32_t> line;
    double work_top, work_bottom, highest;
    std::int32_t state;
};

Snapshot snapshot(const sim::Workpiece& wp) {
    const std::int64_t n = wp.geometry.cell_count;
    Snapshot s{wp.geometry, {wp.height.data, wp.height.data + n}, {wp.attribute.data, wp.attribute.data + n}, {},
               wp.work_top, wp.work_bottom, wp.highest, wp.modification_state};
    if (sim::has_line_layer(wp)) s.line.assign(wp.line_number.data, wp.line_number.data + n);
    return s;
}

// The grid before the operation stays the backup, so that the "C" key undoes a reshape too.
void keep_old_grid_as_backup(sim::Workpiece& wp, const Snapshot& old) {
    if (!sim::level_keeps_backup(wp.data_level)) return;
    const sim::OldGrid grid{old.geometry, old.height.data(), old.attribute.data(),
                            old.line.empty() ? nullptr : old.line.data(), old.work_top, old.work_bottom, old.highest};
    if (!sim::take_backup_of_old_grid(wp, grid))
        platform::note("vornex: no memory for the backup of the grid before the operation: the C key cannot undo it");
}

// The workpiece on `geometry` with the old bounding values and the old grid as its backup;
// kOpMemory (reported) on failure.
int reshape(sim::Workpiece& wp, const Snapshot& old, const sim::GridGeometry& geometry) {
    if (!sim::allocate_workpiece_or_report(wp, geometry, wp.data_level)) return kOpMemory;
    keep_old_grid_as_backup(wp, old);
    wp.work_top = old.work_top;
    wp.work_bottom = old.work_bottom;
    wp.highest = old.highest;
    wp.modification_state = old.state;
    return kOpDone;
}

sim::GridGeometry moved(const sim::GridGeometry& g, double origin_x, double origin_y) {
    return sim::grid_geometry(origin_x, origin_y, g.pitch, g.nx, g.ny);
}

// ---- Rotation ----

struct Placement {
    std::int32_t i, j;
};

// Where old point (i, j) of an nx x ny grid goes.
Placement turned(int mode, std::int32_t i, std::int32_t j, std::int32_t nx, std::int32_t ny) {
    switch (mode) {
    case kTurn90: return {ny - 1 - j, i};
    case kTurn180: return {nx - 1 - i, ny - 1 - j};
    case kTurnMinus90: return {j, nx - 1 - i};
    case kMirrorX: return {nx - 1 - i, j};
    default: return {i, ny - 1 - j};
    }
}

sim::GridGeometry turned_geometry(int mode, const sim::GridGeometry& g) {
    const bool quarter = mode == kTurn90 || mode == kTurnMinus90;
    const std::int32_t nx = quarter ? g.ny : g.nx, ny = quarter ? g.nx : g.ny;
    double x = g.origin_x, y = g.origin_y;
    switch (mode) {
    case kTurn90: x = -g.max_y, y = g.origin_x; break;
    case kTurn180: x = -g.max_x, y = -g.max_y; break;
    case kTurnMinus90: x = g.origin_y, y = -g.max_x; break;
    case kMirrorX: x = -g.max_x; break;
    default: y = -g.max_y; break;
    }
    return sim::grid_geometry(x, y, g.pitch, nx, ny);
}

}  // namespace

void backup_before_operation(sim::Workpiece& wp) {
    if (sim::has_backup_layer(wp)) sim::take_backup(wp);
}

int rotate_workpiece(sim::Workpiece& wp, int mode) {
    if (mode < kTurn90 || mode > kMirrorY) return kOpRefused;
    if (!sim::has_workpiece(wp)) return kOpNothing;
    backup_before_operation(wp);
    const Snapshot old = snapshot(wp);
    const sim::GridGeometry geometry = turned_geometry(mode, old.geometry);
    if (geometry.nx != old.geometry.nx) {
        if (const int r = reshape(wp, old, geometry); r != kOpDone) return r;
        // Line numbers stay at their element.
        if (sim::has_line_layer(wp) && !old.line.empty()) std::copy(old.line.begin(), old.line.end(), wp.line_number.data);
        else if (sim::has_line_layer(wp)) std::fill_n(wp.line_number.data, geometry.cell_count, 0);
    }
    wp.geometry = geometry;
    const std::int32_t nx = old.geometry.nx, ny = old.geometry.ny;
    for (std::int32_t j = 0; j < ny; ++j)
        for (std::int32_t i = 0; i < nx; ++i) {
            const Placement p = turned(mode, i, j, nx, ny);
            const std::int64_t to = std::int64_t{p.j} * geometry.nx + p.i, from = std::int64_t{j} * nx + i;
            wp.height.data[to] = old.height[from];
            wp.attribute.data[to] = old.attribute[from];
        }
    return kOpDone;
}

int move_workpiece(sim::Workpiece& wp, int mode, const Vec3& amount) {
    if (mode != kMoveShift && mode != kMovePosition) return kOpRefused;
    if (!sim::has_workpiece(wp)) return kOpNothing;
    backup_before_operation(wp);
    const sim::GridGeometry& g = wp.geometry;
    const bool shift = mode == kMoveShift;
    const double dz = shift ? amount.z : amount.z - wp.work_bottom;
    wp.geometry = shift ? moved(g, g.origin_x + amount.x, g.origin_y + amount.y) : moved(g, amount.x, amount.y);
    for (std::int64_t k = 0; k < wp.geometry.cell_count; ++k)
        wp.height.data[k] = static_cast<float>(wp.height.data[k] + dz);
    wp.work_bottom += dz;
    wp.work_top += dz;
    wp.highest += dz;
    return kOpDone;
}

// Where cell (i, j) takes its height from: the mirror cell across X (axis 0) or Y (axis 1), or the
// cell itself for the Z press.
std::int64_t press_source(int axis, std::int64_t i, std::int64_t j, std::int64_t nx, std::int64_t ny) {
    if (axis == 0) return j * nx + (nx - 1 - i);
    if (axis == 1) return (ny - 1 - j) * nx + i;
    return j * nx + i;
}

int press_workpiece(sim::Workpiece& wp, int axis, const PressKeep& keep) {
    if (axis < 0 || axis > 2) return kOpRefused;
    if (!sim::has_workpiece(wp)) return kOpNothing;
    backup_before_operation(wp);
    const Snapshot old = snapshot(wp);
    const double d = wp.work_bottom + wp.highest + kPressLift;
    const std::uint8_t mask = (keep.paint ? sim::kPaintBit : 0) | (keep.pen ? sim::kPenMask : 0) | (keep.direction ? 0xF0 : 0);
    const std::int32_t nx = wp.geometry.nx, ny = wp.geometry.ny;
    for (std::int32_t j = 0; j < ny; ++j)
        for (std::int32_t i = 0; i < nx; ++i) {
            const std::int64_t from = press_source(axis, i, j, nx, ny);
            const std::int64_t to = std::int64_t{j} * nx + i;
            wp.height.data[to] = static_cast<float>(d - old.height[from]);
            wp.attribute.data[to] = old.attribute[from] & mask;
        }
    if (sim::has_line_layer(wp)) std::fill_n(wp.line_number.data, wp.geometry.cell_count, 0);
    sim::recompute_highest(wp);
    wp.work_top = wp.highest;
    return kOpDone;
}

// ---- XYZ cut ----

namespace {

std::int32_t cut_index(double limit, double origin, double pitch, std::int32_t last) {
    const double index = std::trunc((limit - origin) / pitch + kCutIndexSlack);
    return static_cast<std::int32_t>(std::clamp(index, 0.0, double(last)));
}

void crop(sim::Workpiece& wp, const Snapshot& old, std::int32_t i0, std::int32_t j0) {
    const std::int64_t old_nx = old.geometry.nx, nx = wp.geometry.nx;
    for (std::int64_t j = 0; j < wp.geometry.ny; ++j) {
        const std::int64_t from = (j + j0) * old_nx + i0;
        std::copy_n(old.height.begin() + from, nx, wp.height.data + j * nx);
        std::copy_n(old.attribute.begin() + from, nx, wp.attribute.data + j * nx);
        if (sim::has_line_layer(wp)) {
            if (old.line.empty()) std::fill_n(wp.line_number.data + j * nx, nx, 0);
            else std::copy_n(old.line.begin() + from, nx, wp.line_number.data + j * nx);
        }
    }
}

// Step 3: heights at the cut level and the Z minimum; changed cells lose their attributes.
void cut_heights(sim::Workpiece& wp, const XyzCut& cut, double old_bottom) {
    const float level = static_cast<float>(cut.z_cut), minimum = static_cast<float>(cut.z_minimum);
    for (std::int64_t k = 0; k < wp.geometry.cell_count; ++k) {
        float h = wp.height.data[k];
        const float was = h;
        if (!cut.cut_part_to_bottom && h > level) h = level;
        else if (cut.cut_part_to_bottom && h >= level) h = static_cast<float>(old_bottom);
        if (h < minimum || (cut.bottom_follows && h == static_cast<float>(old_bottom))) h = minimum;
        if (h == was) continue;
        wp.height.data[k] = h;
        wp.attribute.data[k] = 0;
        if (sim::has_line_layer(wp)) wp.line_number.data[k] = 0;
    }
}

}  // namespace

int xyz_cut(sim::Workpiece& wp, const XyzCut& cut) {
    if (!sim::has_workpiece(wp)) return kOpNothing;
    const sim::GridGeometry& g = wp.geometry;
    const std::int32_t i0 = cut_index(cut.x_min, g.origin_x, g.pitch, g.last_column);
    const std::int32_t i1 = cut_index(cut.x_max, g.origin_x, g.pitch, g.last_column);
    const std::int32_t j0 = cut_index(cut.y_min, g.origin_y, g.pitch, g.last_row);
    const std::int32_t j1 = cut_index(cut.y_max, g.origin_y, g.pitch, g.last_row);
    if (i1 - i0 < 1 || j1 - j0 < 1 || !std::isfinite(cut.z_cut) || !std::isfinite(cut.z_minimum)) return kOpRefused;
    backup_before_operation(wp);
    const Snapshot old = snapshot(wp);
    // The origin stays on the old grid's points, so that no height moves sideways.
    const sim::GridGeometry geometry =
        sim::grid_geometry(g.origin_x + i0 * g.pitch, g.origin_y + j0 * g.pitch, g.pitch, i1 - i0 + 1, j1 - j0 + 1);
    if (geometry.nx != old.geometry.nx || geometry.ny != old.geometry.ny) {
        if (const int r = reshape(wp, old, geometry); r != kOpDone) return r;
        crop(wp, old, i0, j0);
    }
    wp.geometry = geometry;
    const bool above = old.highest > cut.z_cut || (cut.cut_part_to_bottom && old.highest == cut.z_cut);
    if (!above && cut.z_minimum == old.work_bottom) {
        sim::recompute_highest(wp);
        wp.work_top = wp.highest;
        return kOpDone;
    }
    cut_heights(wp, cut, old.work_bottom);
    wp.work_bottom = cut.z_minimum;
    wp.modification_state = sim::kModified;
    sim::recompute_highest(wp);
    wp.work_top = wp.highest;
    return kOpDone;
}

// ---- Thin ----

std::int32_t thinned_count(std::int32_t n, int count, bool add_end) {
    const std::int32_t kept = (n - 1) / count + 1;
    return kept + ((n - 1) % count != 0 && add_end ? 1 : 0);
}

int thin_workpiece(sim::Workpiece& wp, const ThinOptions& o) {
    if (o.count < 2) {
        platform::show_message({platform::text(kTextThinCountTitle), platform::text(kTextThinCountError)});
        return kOpRefused;
    }
    if (!sim::has_workpiece(wp)) return kOpNothing;
    backup_before_operation(wp);
    const Snapshot old = snapshot(wp);
    const sim::GridGeometry& g = old.geometry;
    const std::int32_t nx = std::max(thinned_count(g.nx, o.count, o.add_x_end), 2);
    const std::int32_t ny = std::max(thinned_count(g.ny, o.count, o.add_y_end), 2);
    const sim::GridGeometry geometry = sim::grid_geometry(g.origin_x, g.origin_y, g.pitch * o.count, nx, ny);
    if (const int r = reshape(wp, old, geometry); r != kOpDone) return r;
    for (std::int64_t j = 0; j < ny; ++j) {
        const std::int64_t oj = std::min<std::int64_t>(o.count * j, g.last_row);
        for (std::int64_t i = 0; i < nx; ++i) {
            const std::int64_t from = oj * g.nx + std::min<std::int64_t>(o.count * i, g.last_column), to = j * nx + i;
            wp.height.data[to] = old.height[from];
            wp.attribute.data[to] = old.attribute[from];
            if (sim::has_line_layer(wp)) wp.line_number.data[to] = old.line.empty() ? 0 : old.line[from];
        }
    }
    sim::recompute_highest(wp);
    wp.work_top = wp.highest;
    return kOpDone;
}

ThinSizes thin_sizes(const sim::Workpiece& wp, const ThinOptions& o, int save_level) {
    const int count = std::max(o.count, 2);
    const std::int64_t nx = std::max(thinned_count(wp.geometry.nx, count, o.add_x_end), 2);
    const std::int64_t ny = std::max(thinned_count(wp.geometry.ny, count, o.add_y_end), 2);
    const std::int64_t cells = nx * ny;
    const std::int64_t per_cell = save_level >= 3 ? 9 : save_level == 2 ? 5 : 4;
    const std::int64_t k = std::max<std::int64_t>(2, std::int64_t(std::ceil((wp.highest - wp.work_bottom) / count)) + 1);
    return {cells * per_cell + kDmfFixedBytes, kDmeBytesPerPoint * (cells + k * (nx + ny)) + kDmeFixedBytes};
}

std::string thin_size_texts(const ThinSizes& sizes) {
    char text[160];
    std::snprintf(text, sizeof text, "%.*s %lld\n%.*s %lld", int(platform::text(kTextDmfSize).size()),
                  platform::text(kTextDmfSize).data(), static_cast<long long>(sizes.dmf),
                  int(platform::text(kTextDmeSize).size()), platform::text(kTextDmeSize).data(),
                  static_cast<long long>(sizes.dme));
    return text;
}

}  // namespace vx::work
