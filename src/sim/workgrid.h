// The workpiece height field: one height per point of a square XY grid plus the per-point layers
// that record how the surface there was last made (attribute byte, NC line), the backup for the
// "C" key and the basic and merge model heights. This module defines the grid, owns the layers
// and their memory, and offers the operations on whole layers that several subsystems share:
// sizing, allocation, backup, volume change, merging, the pit filter and the Z-value entry.
#pragma once

#include "platform/language.h"
#include "platform/shared_memory.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace vx::sim {

// ---- Attribute byte ----

constexpr std::uint8_t kPaintBit = 0x01;           // bit 0: paint mark
constexpr int kPenShift = 1;                       // bits 1-3: pen 0..7 of the last cut
constexpr std::uint8_t kPenMask = 0x0E;
constexpr int kCutDirectionShift = 4;              // bits 4-5: direction of the last cut
constexpr std::uint8_t kCutDirectionMask = 0x30;

constexpr std::uint8_t kCutNone = 0;      // no cut, or the cell lay on the path line
constexpr std::uint8_t kCutUp = 1;        // cell left of the direction of motion
constexpr std::uint8_t kCutDown = 2;      // cell right of it
constexpr std::uint8_t kCutVertical = 3;  // plunge without XY movement

// The bits 0-3 written for pen numbers 0..8: pens 0..7 land in bits 1-3, entry 8 is paint only.
constexpr std::array<std::uint8_t, 9> kPenCode{0, 2, 4, 6, 8, 10, 12, 14, 1};

// ---- Grid geometry ----

struct GridGeometry {
    double origin_x = 0.0, origin_y = 0.0;  // cell (0, 0): the minimum X and Y of the workpiece
    double pitch = 1.0;
    double pitch_squared = 1.0;             // the area one cell stands for
    std::int32_t nx = 2, ny = 2;            // grid points along X and Y, each at least 2
    std::int32_t last_column = 1, last_row = 1;
    std::int32_t cell_count = 4;            // nx * ny, held at INT32_MAX when the product is larger
    double max_x = 1.0, max_y = 1.0;        // recomputed from the counts: the grid spans them exactly
};

// Sets `geometry` for a workpiece from (origin_x, origin_y) to about (max_x, max_y): counts are
// rounded to the nearest number of pitches plus one, at least 2, and the maxima recomputed.
// Returns 0 and leaves `geometry` untouched for a pitch that is not a positive finite number or a
// coordinate that is not finite.
int size_grid(GridGeometry& geometry, double origin_x, double origin_y, double max_x, double max_y,
              double pitch);

// The grid of nx x ny points at `pitch` from (origin_x, origin_y), with every derived field; the
// cell count is held at INT32_MAX.
GridGeometry grid_geometry(double origin_x, double origin_y, double pitch, std::int64_t nx, std::int64_t ny);

// The count of grid points the sizing gives a span at a pitch (64 bits, capped at INT32_MAX).
std::int64_t grid_count(double span, double pitch);

// Work pitch "AUTO": the first pitch of the fixed list whose grid over the extent has at most
// `target_cells` points, beyond the list the smallest multiple of 10.0 that fits; a positive
// `minimum_pitch` not smaller than that choice replaces it.
double automatic_pitch(double origin_x, double origin_y, double max_x, double max_y,
                       std::int64_t target_cells, double minimum_pitch);

// Move pitch "AUTO": the rate times the work pitch.
double automatic_move_pitch(double rate, double work_pitch);

// Pitch dialog: 1 when the entered pitch may be taken; otherwise the dialog shows
// kTextPitchNotPositive and keeps the old value.
int pitch_entry_acceptable(double pitch);

// ---- Layers ----

// Which layer a block of memory serves; storage shared with another process names its blocks
// after it.
enum class LayerKind {
    Height, Attribute, ScreenPosition, LineNumber, BackupHeight, BackupAttribute, BasicModel,
    MergeModel, Coordinates
};

template <class T>
struct Layer {
    LayerKind kind;
    T* data = nullptr;
    std::int64_t capacity = 0;  // elements obtained; reused while a new grid fits in them
    platform::SharedMemory shared{};  // the mapped block while the layer lives in shared memory
};

// Data levels (settings DATA_LEVEL): which optional layers the next allocation keeps.
constexpr int kDefaultDataLevel = 1;
constexpr bool level_keeps_backup(int level) { return level == 1 || level == 2; }
constexpr bool level_keeps_line_numbers(int level) { return level == 1 || level == 3; }

// Modification state.
constexpr std::int32_t kNoWorkpiece = 0;
constexpr std::int32_t kDefined = 1;   // defined and not yet cut
constexpr std::int32_t kModified = 2;  // any cut, merge or edit

// The copy that the "C" key restores: heights, attributes, and the geometry and bounding values
// they belong to.
struct WorkpieceBackup {
    Layer<float> height{LayerKind::BackupHeight};
    Layer<std::uint8_t> attribute{LayerKind::BackupAttribute};
    GridGeometry geometry;
    double work_top = 0.0, work_bottom = 0.0, highest = 0.0;
    bool taken = false;  // cleared by every allocation: the copy belongs to the old grid
    // The line numbers of a grid of another size than the current one (an operation that
    // reshaped the grid keeps them here, since its undo reallocates); empty otherwise.
    std::vector<std::int32_t> line_number;
};

// Cell (i, j) is element j * nx + i of every per-cell layer. Layers are released with the record.
struct Workpiece {
    GridGeometry geometry;
    double work_top = 0.0;
    double work_bottom = 0.0;  // Z values and merging never put a cell below it
    double highest = 0.0;      // largest height of any cell; the kernel skips positions above it
    std::int32_t modification_state = kNoWorkpiece;
    int data_level = kDefaultDataLevel;  // the level the current layers were allocated for
    // Base name under which the next allocation places the height, attribute and line-number
    // layers in shared memory ("<name>_TOP", "_TOPC", "_TOPN"); empty: private memory. The
    // caller checks the name (platform::share_name_problem).
    std::string share_name;

    Layer<float> height{LayerKind::Height};
    Layer<std::uint8_t> attribute{LayerKind::Attribute};
    Layer<std::int16_t> screen_position{LayerKind::ScreenPosition};  // all x, then all y
    Layer<std::int32_t> line_number{LayerKind::LineNumber};          // negated: called program
    WorkpieceBackup backup;
    Layer<float> basic_model{LayerKind::BasicModel};
    bool basic_loaded = false;
    Layer<float> merge_model{LayerKind::MergeModel};
    bool merge_loaded = false;
    Layer<double> coordinate{LayerKind::Coordinates};  // index * pitch, max(nx, ny) entries

    Workpiece() = default;
    Workpiece(const Workpiece&) = delete;
    Workpiece& operator=(const Workpiece&) = delete;
    ~Workpiece();
};

inline std::int16_t* screen_x(Workpiece& wp) { return wp.screen_position.data; }
inline std::int16_t* screen_y(Workpiece& wp) {
    return wp.screen_position.data ? wp.screen_position.data + wp.geometry.cell_count : nullptr;
}
inline bool has_backup_layer(const Workpiece& wp) { return wp.backup.height.data != nullptr; }
inline bool has_line_layer(const Workpiece& wp) { return wp.line_number.data != nullptr; }

// A workpiece has been defined or loaded (and its heights are there).
inline bool has_workpiece(const Workpiece& wp) { return wp.height.data != nullptr && wp.modification_state != kNoWorkpiece; }

// ---- Allocation ----

// Obtains every layer `geometry` and `data_level` need and the coordinate table, reusing arrays
// large enough and releasing the layers the level does not keep; a shared layer is reused only
// at exactly the new size, since another process reads the grid's size from its block; basic and merge models, which
// belong to the old grid, are released too. Contents are undefined until a definition fills them
// (state 0). Returns 0, with every layer released and no workpiece kept, when the cell count does
// not fit int32, more memory is needed than the machine can still give, or an allocation fails.
// Silent: the caller reports the failure with show_memory_over().
int allocate_workpiece(Workpiece& wp, const GridGeometry& geometry, int data_level);

// "Memory over! Try again!" in a box titled "Work Size".
void show_memory_over();

// allocate_workpiece() that shows the failure.
int allocate_workpiece_or_report(Workpiece& wp, const GridGeometry& geometry, int data_level);

// Gives back every layer; state 0.
void release_workpiece(Workpiece& wp);

// Rebuilds index * pitch for the current geometry (done by every allocation).
void rebuild_coordinate_table(Workpiece& wp);

// A uniform body: every height `top`, attributes and line numbers 0; state 1. 0 when unallocated.
int define_uniform_body(Workpiece& wp, double top, double bottom);

// Bytes the workpiece uses, as shown with the version information; 0 without a workpiece.
std::int64_t memory_estimate(const Workpiece& wp);

// ---- Backup ("C" key) ----

// Both return 0 without a backup layer (data level 3 or 4); restore also without a backup taken
// since the last allocation. Restoring leaves the modification state and line numbers as they are,
// unless the backup belongs to a grid of another size: then the workpiece is reallocated for it
// (0 after "Memory over!", with no workpiece left) and gets its line numbers back too.
int take_backup(Workpiece& wp);
int restore_backup(Workpiece& wp);

// The grid as it was before an operation reallocated it for another size, kept as the backup of
// the new one. `line_number` may be null. 0 without a backup layer or when the memory for the
// old size cannot be had (then no backup is kept).
struct OldGrid {
    GridGeometry geometry;
    const float* height = nullptr;
    const std::uint8_t* attribute = nullptr;
    const std::int32_t* line_number = nullptr;
    double work_top = 0.0, work_bottom = 0.0, highest = 0.0;
};
int take_backup_of_old_grid(Workpiece& wp, const OldGrid& old);

// True when the backup belongs to a grid of another size or pitch than the current one.
bool backup_is_other_grid(const Workpiece& wp);

// Material added (positive) or removed (negative) since the backup, mm³: every cell weighs pitch
// squared, halved in the first and last column and again in the first and last row. Against a
// backup of another grid, the difference of the two bodies' volumes above their bottoms. Returns
// 0 without a backup layer or a backup taken.
int volume_change(const Workpiece& wp, double* volume);

// ---- Cell operations ----

void clear_cell_attributes(Workpiece& wp, std::int32_t cell);

// Paint mark on the cell and its up to 8 neighbours inside the grid.
void mark_paint_around(Workpiece& wp, std::int32_t cell);

// ---- Whole-layer operations ----

// Sets and returns the largest height of any cell (-999999.0 for no cells).
double recompute_highest(Workpiece& wp);

// Merge model into the workpiece: mode > 0 raises cells below it, mode <= 0 lowers cells above
// it (where the model is not below the work bottom). Returns 0 without a merge model loaded.
int apply_merge_model(Workpiece& wp, int mode);

// Fills single-cell drops to `floor_height` where the surface model was missed: one pass along
// the rows, then one along the columns, each in place.
void pit_filter(Workpiece& wp, double floor_height);

// Bottom filter: raises every cell below the work bottom to it. Returns the cells raised.
std::int64_t raise_to_bottom(Workpiece& wp);

// ---- Z values from a surface model ----

enum class ZTarget { Workpiece, Basic, Merge };

// Raises `heights` (geometry.cell_count values, filled with start_value) to the surface model;
// returns 1 on success. Reports progress in percent through platform::progress_update.
using SurfaceRasteriser = std::function<int(const GridGeometry&, float* heights, double start_value)>;

// Fills the target array with its floor (the work bottom, -100000.0 for the basic model) and lets
// the rasteriser raise it, under a progress window. The basic and merge arrays are obtained when
// missing and marked loaded on success; the workpiece becomes modified and its highest height is
// recomputed. Returns 0 without an allocated workpiece, when an array cannot be obtained or when
// the rasteriser fails.
int calculate_z_values(Workpiece& wp, ZTarget target, const SurfaceRasteriser& rasterise);

// The POSIX name of a layer placed in shared memory under `share_name` ("/VORNEXDMF_TOP"), or
// empty for a layer that is never shared.
std::string shared_layer_name(const std::string& share_name, LayerKind kind);

// ---- User texts ----

extern const platform::TextPair kTextWorkSizeTitle;
extern const platform::TextPair kTextMemoryOver;
extern const platform::TextPair kTextPitchNotPositive;

}  // namespace vx::sim
