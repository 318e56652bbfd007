// Grid sizing, automatic pitch, layer memory, backup and the Z-value entry of the height field.
// The operations that walk the cells of an allocated workpiece are in workgrid_ops.cpp.
#include "sim/workgrid.h"

#include "base/constants.h"
#include "platform/log.h"
#include "platform/platform.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>

namespace vx::sim {

// ---- User texts ----

// The allocation failure exists only in English; both languages show it.
const platform::TextPair kTextWorkSizeTitle{"Work Size", "Work Size"};
const platform::TextPair kTextMemoryOver{"Memory over! Try again!", "Memory over! Try again!"};
const platform::TextPair kTextPitchNotPositive{"ピッチが0.0以下になっています。", "The pitch is 0.0 or less."};

namespace {

const platform::TextPair kTextZWorkpiece{"Z値算出", "Calculating Z-Value"};
const platform::TextPair kTextZBasic{"基準Z値算出", "Calculating Basic Z-Value"};
const platform::TextPair kTextZMerge{"マージZ値算出", "Calculating Merge Z-Value"};

// ---- Constants ----

constexpr std::int64_t kMinimumCount = 2;             // a grid needs two points to span anything
constexpr double kRoundToNearestPlusOne = 1.5;       // 0.5 rounds the span, 1 turns pitches into points
constexpr std::int64_t kMaxCount = std::numeric_limits<std::int32_t>::max();  // counts are int32

// Work pitch "AUTO" tries these in order; the first grid within the target is taken.
constexpr double kAutoPitches[] = {0.001, 0.002, 0.005, 0.01, 0.02, 0.025, 0.05, 0.1,
                                   0.2,   0.25,  0.5,   1.0,  1.5,  2.0,   2.5,  3.0,
                                   4.0,   5.0,   6.0,   7.0,  8.0,  9.0,   10.0};
// Beyond the list the pitch grows in steps of its last entry; 2^50 steps (pitch ~1e16 mm) ends
// the search for any finite extent.
constexpr double kBeyondListStep = 10.0;
constexpr std::int64_t kMaxBeyondSteps = std::int64_t{1} << 50;

// The rasteriser reports progress in percent.
constexpr std::int64_t kProgressTotal = 100;

// Memory estimate, bytes per cell: height 4 + attribute 1 + screen position 4; backup height 4 +
// attribute 1; line number 4; basic model height 4.
constexpr std::int64_t kBytesPerCell = 9;
constexpr std::int64_t kBackupBytesPerCell = 5;
constexpr std::int64_t kLineBytesPerCell = 4;
constexpr std::int64_t kBasicBytesPerCell = 4;
// The display's per-row buffers and the coordinate table, with their fixed parts; the scan-line
// buffer never holds fewer than 300 entries.
constexpr std::int64_t kColumnBytes = 12, kRowBytes = 8, kTableBytes = 8, kTableFixed = 32;
constexpr std::int64_t kScanMinimum = 300, kScanBytes = 8, kScanFixed = 24;

}  // namespace

// ---- Grid sizing ----

std::int64_t grid_count(double span, double pitch) {
    const double n = std::trunc(span / pitch + kRoundToNearestPlusOne);
    if (!(n < double(kMaxCount))) return kMaxCount;  // also catches an infinite quotient
    if (n < double(kMinimumCount)) return kMinimumCount;
    return static_cast<std::int64_t>(n);
}

int size_grid(GridGeometry& g, double origin_x, double origin_y, double max_x, double max_y, double pitch) {
    if (!std::isfinite(pitch) || pitch <= 0.0) return 0;
    if (!std::isfinite(origin_x) || !std::isfinite(origin_y) || !std::isfinite(max_x) || !std::isfinite(max_y))
        return 0;
    const std::int64_t nx = grid_count(max_x - origin_x, pitch);
    const std::int64_t ny = grid_count(max_y - origin_y, pitch);
    g = grid_geometry(origin_x, origin_y, pitch, nx, ny);
    return 1;
}

GridGeometry grid_geometry(double origin_x, double origin_y, double pitch, std::int64_t nx, std::int64_t ny) {
    GridGeometry g;
    g.origin_x = origin_x;
    g.origin_y = origin_y;
    g.pitch = pitch;
    g.pitch_squared = pitch * pitch;
    g.nx = static_cast<std::int32_t>(nx);
    g.ny = static_cast<std::int32_t>(ny);
    g.last_column = g.nx - 1;
    g.last_row = g.ny - 1;
    // Held at the int32 limit: allocation refuses such a grid instead of indexing past it.
    g.cell_count = static_cast<std::int32_t>(std::min(nx * ny, kMaxCount));
    g.max_x = origin_x + double(g.last_column) * pitch;
    g.max_y = origin_y + double(g.last_row) * pitch;
    return g;
}

// ---- Automatic pitch ----

namespace {

bool grid_fits(double span_x, double span_y, double pitch, std::int64_t target) {
    return grid_count(span_x, pitch) * grid_count(span_y, pitch) <= target;
}

// Counts never grow with the pitch, so the smallest fitting multiple of the step is found by
// bisection between the last list entry (known not to fit) and a multiple at which both counts
// are already the minimum 2.
double pitch_beyond_list(double span_x, double span_y, std::int64_t target) {
    const double widest = std::max(span_x, span_y);
    std::int64_t hi = kMaxBeyondSteps;
    // At a pitch above widest / 1.5 the sizing gives 2 points along each axis.
    const double both_minimal = std::floor(widest / (1.5 * kBeyondListStep)) + 2.0;
    if (both_minimal < double(kMaxBeyondSteps)) hi = std::max<std::int64_t>(2, std::int64_t(both_minimal));
    if (!grid_fits(span_x, span_y, double(hi) * kBeyondListStep, target)) return double(hi) * kBeyondListStep;
    std::int64_t lo = 1;
    while (hi - lo > 1) {
        const std::int64_t mid = lo + (hi - lo) / 2;
        if (grid_fits(span_x, span_y, double(mid) * kBeyondListStep, target)) hi = mid;
        else lo = mid;
    }
    return double(hi) * kBeyondListStep;
}

}  // namespace

double automatic_pitch(double origin_x, double origin_y, double max_x, double max_y, std::int64_t target_cells,
                       double minimum_pitch) {
    const double span_x = max_x - origin_x, span_y = max_y - origin_y;
    double chosen = 0.0;
    for (const double pitch : kAutoPitches) {
        if (grid_fits(span_x, span_y, pitch, target_cells)) {
            chosen = pitch;
            break;
        }
    }
    if (chosen == 0.0) chosen = pitch_beyond_list(span_x, span_y, target_cells);
    if (minimum_pitch > 0.0 && chosen <= minimum_pitch) chosen = minimum_pitch;
    return chosen;
}

double automatic_move_pitch(double rate, double work_pitch) { return rate * work_pitch; }

int pitch_entry_acceptable(double pitch) { return std::isfinite(pitch) && pitch > 0.0 ? 1 : 0; }

// ---- Layer memory ----

namespace {

// The one place layer memory comes from and goes back to: private arrays, or a named block of
// exactly the layer's size when the layer is shared. Uninitialised: every definition fills what
// it uses.
template <class T>
bool obtain_storage(Layer<T>& layer, std::int64_t elements, const std::string& shared_name) {
    if (shared_name.empty()) {
        layer.data = new (std::nothrow) T[static_cast<std::size_t>(elements)];
        return layer.data != nullptr;
    }
    const std::size_t bytes = static_cast<std::size_t>(elements) * sizeof(T);
    std::string error;
    if (!platform::map_shared_memory(layer.shared, shared_name, bytes, platform::ShareOpen::Create, &error)) {
        platform::note("vornex: " + error);
        return false;
    }
    layer.data = static_cast<T*>(layer.shared.data);
    return true;
}

template <class T>
void release_layer(Layer<T>& layer) {
    if (layer.shared.data) platform::release_shared_memory(layer.shared);
    else delete[] layer.data;
    layer.data = nullptr;
    layer.capacity = 0;
}

// A shared layer must keep its name and match the grid exactly: its block's size is the only
// size another process sees.
template <class T>
bool layer_fits(const Layer<T>& layer, std::int64_t elements, const std::string& shared_name = {}) {
    if (layer.data == nullptr || layer.shared.name != shared_name) return false;
    return shared_name.empty() ? layer.capacity >= elements : layer.capacity == elements;
}

template <class T>
std::uint64_t bytes_to_obtain(const Layer<T>& layer, std::int64_t elements, const std::string& shared_name = {}) {
    return layer_fits(layer, elements, shared_name) ? 0 : std::uint64_t(elements) * sizeof(T);
}

template <class T>
bool ensure_layer(Layer<T>& layer, std::int64_t elements, const std::string& shared_name = {}) {
    if (layer_fits(layer, elements, shared_name)) return true;
    release_layer(layer);
    if (!obtain_storage(layer, elements, shared_name)) return false;
    layer.capacity = elements;
    return true;
}

// With overcommit the kernel grants nearly any request and kills the process when the pages are
// touched, so a layer is obtained only while the machine can still give it.
template <class T>
bool ensure_layer_within_memory(Layer<T>& layer, std::int64_t elements) {
    if (bytes_to_obtain(layer, elements) > platform::available_memory()) return false;
    return ensure_layer(layer, elements);
}

struct LayerPlan {
    std::int64_t cells = 0;
    std::int64_t coordinates = 0;  // max(nx, ny)
    bool backup = false;
    bool lines = false;
    // Names of the shared blocks; empty: private memory.
    std::string height_name, attribute_name, line_name;
};

void release_unplanned(Workpiece& wp, const LayerPlan& plan) {
    if (!plan.lines) release_layer(wp.line_number);
    if (!plan.backup) {
        release_layer(wp.backup.height);
        release_layer(wp.backup.attribute);
    }
    release_layer(wp.basic_model);
    release_layer(wp.merge_model);
    wp.basic_loaded = wp.merge_loaded = false;
    wp.backup.taken = false;
}

std::uint64_t bytes_still_needed(const Workpiece& wp, const LayerPlan& p) {
    std::uint64_t bytes = bytes_to_obtain(wp.height, p.cells, p.height_name) +
                          bytes_to_obtain(wp.attribute, p.cells, p.attribute_name) +
                          bytes_to_obtain(wp.screen_position, 2 * p.cells) +
                          bytes_to_obtain(wp.coordinate, p.coordinates);
    if (p.lines) bytes += bytes_to_obtain(wp.line_number, p.cells, p.line_name);
    if (p.backup) bytes += bytes_to_obtain(wp.backup.height, p.cells) + bytes_to_obtain(wp.backup.attribute, p.cells);
    return bytes;
}

bool obtain_planned(Workpiece& wp, const LayerPlan& p) {
    bool ok = ensure_layer(wp.height, p.cells, p.height_name) && ensure_layer(wp.attribute, p.cells, p.attribute_name) &&
              ensure_layer(wp.screen_position, 2 * p.cells) && ensure_layer(wp.coordinate, p.coordinates);
    if (ok && p.lines) ok = ensure_layer(wp.line_number, p.cells, p.line_name);
    if (ok && p.backup) ok = ensure_layer(wp.backup.height, p.cells) && ensure_layer(wp.backup.attribute, p.cells);
    return ok;
}

int allocation_failed(Workpiece& wp) {
    release_workpiece(wp);
    return 0;
}

}  // namespace

// ---- Allocation ----

Workpiece::~Workpiece() { release_workpiece(*this); }

int allocate_workpiece(Workpiece& wp, const GridGeometry& geometry, int data_level) {
    if (data_level < 1 || data_level > 4) data_level = kDefaultDataLevel;
    const std::int64_t cells = std::int64_t{geometry.nx} * geometry.ny;
    if (geometry.nx < kMinimumCount || geometry.ny < kMinimumCount || cells > kMaxCount)
        return allocation_failed(wp);
    const LayerPlan plan{cells,
                         std::max(geometry.nx, geometry.ny),
                         level_keeps_backup(data_level),
                         level_keeps_line_numbers(data_level),
                         shared_layer_name(wp.share_name, LayerKind::Height),
                         shared_layer_name(wp.share_name, LayerKind::Attribute),
                         shared_layer_name(wp.share_name, LayerKind::LineNumber)};
    release_unplanned(wp, plan);
    if (bytes_still_needed(wp, plan) > platform::available_memory()) return allocation_failed(wp);
    if (!obtain_planned(wp, plan)) return allocation_failed(wp);
    wp.geometry = geometry;
    wp.geometry.cell_count = static_cast<std::int32_t>(cells);
    wp.data_level = data_level;
    wp.modification_state = kNoWorkpiece;  // contents undefined until a definition fills them
    rebuild_coordinate_table(wp);
    return 1;
}

std::string shared_layer_name(const std::string& share_name, LayerKind kind) {
    if (share_name.empty()) return {};
    switch (kind) {
    case LayerKind::Height: return platform::shared_block_name(share_name, "_TOP");
    case LayerKind::Attribute: return platform::shared_block_name(share_name, "_TOPC");
    case LayerKind::LineNumber: return platform::shared_block_name(share_name, "_TOPN");
    default: return {};
    }
}

void show_memory_over() {
    platform::Message message;
    message.title = platform::text(kTextWorkSizeTitle);
    message.body = platform::text(kTextMemoryOver);
    message.message_in = platform::MessageIn::Body;
    platform::show_message(message);
}

int allocate_workpiece_or_report(Workpiece& wp, const GridGeometry& geometry, int data_level) {
    if (allocate_workpiece(wp, geometry, data_level) == 1) return 1;
    show_memory_over();
    return 0;
}

void release_workpiece(Workpiece& wp) {
    release_layer(wp.height);
    release_layer(wp.attribute);
    release_layer(wp.screen_position);
    release_layer(wp.line_number);
    release_layer(wp.backup.height);
    release_layer(wp.backup.attribute);
    release_layer(wp.basic_model);
    release_layer(wp.merge_model);
    release_layer(wp.coordinate);
    wp.backup.taken = wp.basic_loaded = wp.merge_loaded = false;
    wp.geometry = GridGeometry{};
    wp.work_top = wp.work_bottom = wp.highest = 0.0;
    wp.modification_state = kNoWorkpiece;
}

void rebuild_coordinate_table(Workpiece& wp) {
    double* table = wp.coordinate.data;
    if (table == nullptr) return;
    const std::int32_t n = std::max(wp.geometry.nx, wp.geometry.ny);
    const double pitch = wp.geometry.pitch;
    for (std::int32_t k = 0; k < n; ++k) table[k] = double(k) * pitch;
}

int define_uniform_body(Workpiece& wp, double top, double bottom) {
    if (wp.height.data == nullptr) return 0;
    const std::size_t cells = static_cast<std::size_t>(wp.geometry.cell_count);
    std::fill_n(wp.height.data, cells, static_cast<float>(top));
    std::memset(wp.attribute.data, 0, cells);
    if (has_line_layer(wp)) std::fill_n(wp.line_number.data, cells, 0);
    wp.work_top = top;
    wp.work_bottom = bottom;
    wp.highest = top;
    wp.modification_state = kDefined;
    return 1;
}

std::int64_t memory_estimate(const Workpiece& wp) {
    if (wp.modification_state == kNoWorkpiece) return 0;
    const std::int64_t nx = wp.geometry.nx, ny = wp.geometry.ny, cells = nx * ny;
    const std::int64_t widest = std::max(nx, ny);
    std::int64_t bytes = cells * kBytesPerCell + nx * kColumnBytes + ny * kRowBytes + widest * kTableBytes +
                         kTableFixed + std::max(widest, kScanMinimum) * kScanBytes + kScanFixed;
    if (level_keeps_backup(wp.data_level)) bytes += cells * kBackupBytesPerCell;
    if (level_keeps_line_numbers(wp.data_level)) bytes += cells * kLineBytesPerCell;
    if (wp.basic_loaded) bytes += cells * kBasicBytesPerCell;
    return bytes;
}

// ---- Backup ----

int take_backup(Workpiece& wp) {
    if (!has_backup_layer(wp) || wp.height.data == nullptr) return 0;
    const std::size_t cells = static_cast<std::size_t>(wp.geometry.cell_count);
    std::memcpy(wp.backup.height.data, wp.height.data, cells * sizeof(float));
    std::memcpy(wp.backup.attribute.data, wp.attribute.data, cells);
    wp.backup.geometry = wp.geometry;
    wp.backup.work_top = wp.work_top;
    wp.backup.work_bottom = wp.work_bottom;
    wp.backup.highest = wp.highest;
    wp.backup.line_number.clear();
    wp.backup.taken = true;
    return 1;
}

int take_backup_of_old_grid(Workpiece& wp, const OldGrid& old) {
    WorkpieceBackup& b = wp.backup;
    const std::int64_t cells = std::int64_t{old.geometry.nx} * old.geometry.ny;
    if (!has_backup_layer(wp) || !ensure_layer_within_memory(b.height, cells) ||
        !ensure_layer_within_memory(b.attribute, cells)) {
        b.taken = false;
        return 0;
    }
    std::copy_n(old.height, cells, b.height.data);
    std::copy_n(old.attribute, cells, b.attribute.data);
    b.line_number.assign(old.line_number, old.line_number ? old.line_number + cells : nullptr);
    b.geometry = old.geometry;
    b.geometry.cell_count = static_cast<std::int32_t>(cells);
    b.work_top = old.work_top;
    b.work_bottom = old.work_bottom;
    b.highest = old.highest;
    b.taken = true;
    return 1;
}

bool backup_is_other_grid(const Workpiece& wp) {
    const GridGeometry &g = wp.geometry, &b = wp.backup.geometry;
    return g.nx != b.nx || g.ny != b.ny || g.pitch != b.pitch;
}

namespace {

// Undo of an operation that reshaped the grid: the workpiece is reallocated at the backup's size;
// the copy goes aside meanwhile, since the allocation may reuse or release its arrays.
int restore_other_size(Workpiece& wp) {
    WorkpieceBackup& b = wp.backup;
    const std::int64_t cells = std::int64_t{b.geometry.nx} * b.geometry.ny;
    const std::vector<float> height(b.height.data, b.height.data + cells);
    const std::vector<std::uint8_t> attribute(b.attribute.data, b.attribute.data + cells);
    const std::vector<std::int32_t> lines = std::move(b.line_number);
    const GridGeometry geometry = b.geometry;
    const double top = b.work_top, bottom = b.work_bottom, highest = b.highest;
    const std::int32_t state = wp.modification_state;
    if (!allocate_workpiece_or_report(wp, geometry, wp.data_level)) return 0;
    std::copy(height.begin(), height.end(), wp.height.data);
    std::copy(attribute.begin(), attribute.end(), wp.attribute.data);
    if (has_line_layer(wp)) {
        if (std::int64_t(lines.size()) == cells) std::copy(lines.begin(), lines.end(), wp.line_number.data);
        else std::fill_n(wp.line_number.data, cells, 0);
    }
    wp.work_top = top, wp.work_bottom = bottom, wp.highest = highest;
    wp.modification_state = state;
    return take_backup(wp);  // the same copy stays the backup, as after any restore
}

}  // namespace

int restore_backup(Workpiece& wp) {
    if (!has_backup_layer(wp) || !wp.backup.taken) return 0;
    if (wp.backup.geometry.nx != wp.geometry.nx || wp.backup.geometry.ny != wp.geometry.ny)
        return restore_other_size(wp);
    wp.geometry = wp.backup.geometry;
    const std::size_t cells = static_cast<std::size_t>(wp.geometry.cell_count);
    std::memcpy(wp.height.data, wp.backup.height.data, cells * sizeof(float));
    std::memcpy(wp.attribute.data, wp.backup.attribute.data, cells);
    if (has_line_layer(wp) && std::size_t(wp.backup.line_number.size()) == cells)
        std::copy(wp.backup.line_number.begin(), wp.backup.line_number.end(), wp.line_number.data);
    wp.work_top = wp.backup.work_top;
    wp.work_bottom = wp.backup.work_bottom;
    wp.highest = wp.backup.highest;
    rebuild_coordinate_table(wp);  // the pitch may be the backup's own
    return 1;
}

// ---- Z values ----

namespace {

// The array a target fills; the model arrays are obtained on first use.
float* z_target_array(Workpiece& wp, ZTarget target) {
    const std::int64_t cells = wp.geometry.cell_count;
    switch (target) {
    case ZTarget::Workpiece: return wp.height.data;
    case ZTarget::Basic: return ensure_layer_within_memory(wp.basic_model, cells) ? wp.basic_model.data : nullptr;
    case ZTarget::Merge: return ensure_layer_within_memory(wp.merge_model, cells) ? wp.merge_model.data : nullptr;
    }
    return nullptr;
}

double z_start_value(const Workpiece& wp, ZTarget target) {
    return target == ZTarget::Basic ? kNoMaterial : wp.work_bottom;
}

const platform::TextPair& z_title(ZTarget target) {
    switch (target) {
    case ZTarget::Workpiece: return kTextZWorkpiece;
    case ZTarget::Basic: return kTextZBasic;
    case ZTarget::Merge: return kTextZMerge;
    }
    return kTextZWorkpiece;
}

void finish_z_target(Workpiece& wp, ZTarget target, bool ok) {
    switch (target) {
    case ZTarget::Workpiece:
        // The heights were overwritten even when the model failed part way.
        wp.modification_state = kModified;
        recompute_highest(wp);
        break;
    case ZTarget::Basic: wp.basic_loaded = ok; break;
    case ZTarget::Merge: wp.merge_loaded = ok; break;
    }
}

}  // namespace

int calculate_z_values(Workpiece& wp, ZTarget target, const SurfaceRasteriser& rasterise) {
    if (wp.height.data == nullptr) return 0;
    float* heights = z_target_array(wp, target);
    if (heights == nullptr) return 0;
    const double start = z_start_value(wp, target);
    std::fill_n(heights, static_cast<std::size_t>(wp.geometry.cell_count), static_cast<float>(start));
    platform::progress_begin(platform::text(z_title(target)), kProgressTotal);
    const bool ok = rasterise && rasterise(wp.geometry, heights, start) == 1;
    platform::progress_end();
    finish_z_target(wp, target, ok);
    return ok ? 1 : 0;
}

}  // namespace vx::sim
