// The sweep kernel: removes material for one tool position. Every cell that the cutting edge
// reaches is lowered to the tool surface above it and gets pen, cutting direction and NC line;
// the removed volume is summed; the zones outside the cutting edge and the checks inside it
// raise the interference flags. The rows can be split over the parallel bands (bands.h); the
// results are the same, bit for bit, whatever the band count.
//
// A caller fills a SweepStep per call (tool tip in workpiece coordinates, the step vector from
// the previous sampled position, the move's kind, the run's switches and the view's projection
// while a view follows the cut), passes the run's check modes (checks.h), keeps one SweepResult
// across the calls of a run (projected bounds and required values live across calls) and one
// KernelContext per process (bands, row buffers).
#pragma once

#include "sim/bands.h"
#include "sim/checks.h"
#include "sim/ramp_table.h"
#include "sim/tools.h"
#include "sim/workgrid.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace vx::sim {

// ---- Inputs ----

// Motion kinds of a move.
constexpr int kMotionRapid = 0;
constexpr int kMotionLinear = 1;
constexpr int kMotionArcCw = 2;
constexpr int kMotionArcCcw = 3;

// Run types.
constexpr int kRunMoveStart = 1;  // first step of a move
constexpr int kRunMoveStep = 2;   // later step of a move
constexpr int kRunOptimise = 3;   // optimisation run: no screen refresh, clearance test always on

// A rapid, or a feed at the rapid feedrate or above. A rate of 0 or less (an unreadable
// setting) makes no feed rapid-class: otherwise every cut would count as a rapid interference.
bool rapid_class(int motion, double feed, double rapid_feedrate);

// Affine view projection that the renderer fills: screen = a * X + b * Y + c * Z + d, X and Y
// relative to the grid origin.
struct ScreenProjection {
    double ax = 0, bx = 0, cx = 0, dx = 0;
    double ay = 0, by = 0, cy = 0, dy = 0;
};

// One call of the run loop.
struct SweepStep {
    double x = 0, y = 0, z = 0;     // tool tip, workpiece coordinates (the tool's shift not applied)
    double dx = 0, dy = 0, dz = 0;  // from the previous sampled position to this one
    int run_type = kRunMoveStart;
    int step_number = 1;
    int motion = kMotionLinear;
    int plane = 17;        // 17 / -17: XY
    double feed = 0;       // mm/min
    std::int32_t line_number = 0;  // as stored: negated for a called program
    bool paint = false;       // the paint code of the controller definition is on
    bool recording = true;    // direction recording (off in the fast runs)
    bool sum_volume = false;  // optimisation run, or a tool with load limits
    bool sum_moment = false;
    bool short_move = false;  // one-step move shorter than 0.2 x pitch
    double move_length = 0, move_length_xy = 0;
    std::int32_t watched_cell = -1;  // cell last picked with the measuring cursor, -1 none
    // The projection of the view that follows this step, read in place: the cut cells' screen
    // positions are refreshed with it. Null: they keep theirs (no view, or one that redraws later).
    const ScreenProjection* projection = nullptr;
};

// Whether the run sums volume: optimisation runs and tools with load limits.
bool volume_wanted(int run_type, const CurrentTool& tool);

// ---- Results ----

// Smallest and largest distance from the axis at which an interference was found, each with the
// tool surface height above the tip there, and the tool and position of the hit.
struct InterferenceExtent {
    std::int32_t tool = 0;
    double x = 0, y = 0, z = 0;
    double nearest = 100000.0, nearest_height = 0;
    double farthest = 0, farthest_height = 0;
};

// Widens the extent by a flagged cell at squared distance d2 whose surface lies `height` above
// the tip; `hit` says whether one was noted before. Ties keep the lower height nearest and the
// higher farthest, so that bands merged in any order agree with one thread.
inline void note_extent(InterferenceExtent& e, bool& hit, double d2, double height) {
    const double r = std::sqrt(d2);
    if (!hit || r < e.nearest || (r == e.nearest && height < e.nearest_height)) {
        e.nearest = r;
        e.nearest_height = height;
    }
    if (!hit || r > e.farthest || (r == e.farthest && height > e.farthest_height)) {
        e.farthest = r;
        e.farthest_height = height;
    }
    hit = true;
}

// Adds extent `b` (hit when `b_hit`) to `into` by the rules of note_extent.
inline void merge_extent(InterferenceExtent& into, bool& into_hit, const InterferenceExtent& b, bool b_hit) {
    if (!b_hit) return;
    if (!into_hit || b.nearest < into.nearest || (b.nearest == into.nearest && b.nearest_height < into.nearest_height)) {
        into.nearest = b.nearest;
        into.nearest_height = b.nearest_height;
    }
    if (!into_hit || b.farthest > into.farthest ||
        (b.farthest == into.farthest && b.farthest_height > into.farthest_height)) {
        into.farthest = b.farthest;
        into.farthest_height = b.farthest_height;
    }
    into_hit = true;
}

// Largest values collected by the check modes that compute required lengths. Kept per tool by
// the caller across calls and set back to 0 after the tool's report line.
struct RequiredValues {
    double protrusion = 0;    // L1 that clears the holder zone
    double neck_length = 0;   // Lu: L2 that clears the neck with its slope kept
    double second_length = 0; // Lt: rise over the neck width with L2 kept; -1 impossible
    double blade_length = 0;  // largest old height - tip over cut blade cells
    double tip_width = 0;     // vertical mill: largest half - r over cut cells
    double centre_height = 0; // radius mill: largest old height - (tip + f) inside the centre flat
};

// Grid indices (inclusive) of cells whose screen position was refreshed; empty while last < first.
struct CellRange {
    std::int32_t first_i = INT32_MAX, first_j = INT32_MAX;
    std::int32_t last_i = -1, last_j = -1;
};

inline void merge_cells(CellRange& into, const CellRange& b) {
    into.first_i = std::min(into.first_i, b.first_i);
    into.last_i = std::max(into.last_i, b.last_i);
    into.first_j = std::min(into.first_j, b.first_j);
    into.last_j = std::max(into.last_j, b.last_j);
}

// The screen box of the cells whose screen position the calls of one move refreshed, and the
// cells one call refreshed: the view redraws those blocks after each step, so a range kept across
// a long move would redraw its whole box again at every step.
struct ProjectedBounds {
    std::int32_t min_x = 999999, min_y = 999999;
    std::int32_t max_x = -999999, max_y = -999999;
    CellRange cells;  // of this call only
};

inline void merge_bounds(ProjectedBounds& into, const ProjectedBounds& b) {
    into.min_x = std::min(into.min_x, b.min_x);
    into.min_y = std::min(into.min_y, b.min_y);
    into.max_x = std::max(into.max_x, b.max_x);
    into.max_y = std::max(into.max_y, b.max_y);
    merge_cells(into.cells, b.cells);
}

// Step directions.
constexpr int kStepNone = -1;
constexpr int kStepGeneral = 0;
constexpr int kStepVertical = 1;
constexpr int kStepUpCut = 2;
constexpr int kStepDownCut = 3;

struct SweepResult {
    double volume = 0;   // mm³, with the edge factors
    double moment = 0;   // mm⁴ (volume terms times their distance), when requested
    int step_direction = kStepNone;
    bool changed = false;
    bool watched = false;
    bool rapid_interference = false;
    int rapid_state = 0;  // 1 the enlarged tool reached material, 2 within 0.1 mm (optimisation)
    bool length = false, taper = false, holder = false, attachment = false, chip = false;
    int interference_state = 0;  // 2 when any zone or check raised a flag
    InterferenceExtent extent;
    RequiredValues required;  // read and updated in place
    ProjectedBounds bounds;   // reset at the start of a move
    std::int64_t cells_examined = 0;
};

// Clears every per-call value of `r` (the refreshed cells among them); the projected screen box,
// kept across the calls of one move, only with `new_move`.
void clear_step_results(SweepResult& r, bool new_move);

// ---- Context ----

// A coordinate of the screen-position layer: the nearest pixel, held to int16 (NaN to the low
// end). The full projection of the view and every refresh of a cut cell round alike.
inline std::int16_t grid_pixel(double v) {
    v = std::nearbyint(v);
    if (!(v >= -32768.0)) return -32768;
    if (v > 32767.0) return 32767;
    return std::int16_t(v);
}

// Stores the screen position of `cell` (i, j), at grid coordinates (X, Y) and height t, into the
// screen layers and widens `b` to it and to the cell.
inline void refresh_cell_screen(const ScreenProjection& s, double X, double Y, float t, std::int16_t* screen_x,
                                std::int16_t* screen_y, std::int64_t cell, std::int32_t i, std::int32_t j,
                                ProjectedBounds& b) {
    const std::int16_t px = grid_pixel(s.ax * X + s.bx * Y + s.cx * t + s.dx);
    const std::int16_t py = grid_pixel(s.ay * X + s.by * Y + s.cy * t + s.dy);
    screen_x[cell] = px;
    screen_y[cell] = py;
    b.min_x = std::min(b.min_x, std::int32_t(px));
    b.max_x = std::max(b.max_x, std::int32_t(px));
    b.min_y = std::min(b.min_y, std::int32_t(py));
    b.max_y = std::max(b.max_y, std::int32_t(py));
    b.cells.first_i = std::min(b.cells.first_i, i);
    b.cells.last_i = std::max(b.cells.last_i, i);
    b.cells.first_j = std::min(b.cells.first_j, j);
    b.cells.last_j = std::max(b.cells.last_j, j);
}

struct SweepPartial;

// Per process (one per thread that sweeps): the bands and the row buffers, which grow with the
// grid and are reused.
struct KernelContext {
    BandPool* pool = nullptr;  // none: no bands
    std::vector<double> row_volume, row_moment;  // per-row partial sums, added in row order
    std::vector<SweepPartial> partials;  // one per band
    RampTables ramp_tables;  // the whole-move step's, for the fast runs
};

// ---- Entry ----

// Band mode of a step: +1/-1 along X only, +2/-2 along Y only (sign of the step), else 0; only
// for rapid and linear moves at constant Z in the XY plane.
int band_mode(int motion, int plane, double dx, double dy, double dz);

// Folds one cell's direction code (0 general, 1 vertical, 2 up, 3 down) into a step direction.
int fold_direction(int step_direction, int code);

// Sweeps one tool position into the workpiece (scribing tools mark instead). Resets the per-call
// results, then cuts. Returns 1 when rows were swept, 0 when nothing was in reach (tool above the
// highest height, box outside the grid, no workpiece). Sets the modification state to 2 when a
// cell was lowered.
int sweep_at_position(Workpiece& wp, const CurrentTool& tool, const Checks& checks, const SweepStep& step,
                      KernelContext& context, SweepResult& result);

// ---- Row sweep (the band worker body) ----

// What every band contributes to one call, combined after the wait in band order. Sums go per
// row into the context's row buffers instead, so their order does not depend on the bands.
struct SweepPartial {
    unsigned direction_codes = 0;  // bit per direction code met; the fold depends only on this set
    bool changed = false, watched = false, pending_marks = false;
    bool rapid_interference = false, rapid_reached = false, rapid_near = false;
    bool length = false, taper = false, holder = false, attachment = false, chip = false;
    bool hit = false;  // any interference extent entry
    InterferenceExtent extent;
    RequiredValues required;
    bool second_impossible = false;
    ProjectedBounds bounds;
    std::int64_t cells_examined = 0;
};

// The per-call state shared with the bands; written before any band starts, read-only during.
struct SweepCall {
    // Grid.
    float* height = nullptr;
    std::uint8_t* attribute = nullptr;
    std::int32_t* line = nullptr;  // null without the line-number layer
    std::int16_t* screen_x = nullptr;
    std::int16_t* screen_y = nullptr;
    const double* coordinate = nullptr;
    std::int32_t nx = 0, last_column = 0, last_row = 0;
    double pitch = 0, pitch_squared = 0;

    // Tool and position, grid-relative; z has the shift applied.
    const Profile* profile = nullptr;
    std::uint8_t pen_code = 0;
    double x = 0, y = 0, z = 0, zc = 0;
    float z_float = 0;         // the tip for the single-precision comparisons
    float length_bound = 0;    // z + h, effective length check
    double move_x = 0, move_y = 0;  // XY of the step
    bool vertical = false;     // the step has no XY movement

    // Box and half-rows.
    std::int32_t first_column = 0, last_box_column = -1, first_row = 0, last_box_row = -1;
    std::int32_t left_start = -1;   // first column of the left half-row, walked down; < first: none
    std::int32_t right_start = 0;   // first column of the right half-row, walked up
    int band_mode = 0;
    double stop2 = 0;  // an above-tip cell beyond this squared distance ends its half-row

    // Switches.
    bool recording = true, paint = false, optimise = false;
    bool rapid_flag = false;   // clearance test
    double rapid_margin = 0;
    bool rapid_speed = false;  // rapid check on and the move at rapid speed
    ArborCheck arbor_check = ArborCheck::Ignore;
    LengthCheck height_check = LengthCheck::Off, chip_check = LengthCheck::Off;
    bool neck_below_tip = false;  // compute mode: below-tip cells are examined for the neck
    bool sum_volume = false, sum_moment = false;
    bool short_move = false;
    double move_length = 0, move_length_xy = 0;
    std::int32_t line_number = 0;
    std::int32_t watched_cell = -1;
    const ScreenProjection* projection = nullptr;

    // Outputs.
    double* row_volume = nullptr;
    double* row_moment = nullptr;
    SweepPartial* partials = nullptr;  // one per band
};

// Sweeps rows first..last of the call as band `band` (its partial and its rows' sums).
void sweep_rows(const SweepCall& call, int band, std::int32_t first_row, std::int32_t last_row);

// Bit 6 of the attribute byte, always 0 between calls, flags a cut cell whose 3 x 3 paint mark is
// set after all rows are swept: a neighbour cut later in the same call would clear it otherwise,
// and a neighbour row may belong to another band.
constexpr std::uint8_t kPendingMarkBit = 0x40;

// Sets the paint marks the cells of columns i0..i1, rows j0..j1 asked for, and clears the bit.
void apply_pending_marks(Workpiece& wp, std::int32_t i0, std::int32_t i1, std::int32_t j0, std::int32_t j1);

// Radius of the highest holder section whose lower face (tip z + its base + `raise`) lies below
// `highest`, the nose when only it does; 0 when the whole holder stays above the material.
double holder_reach(const Profile& p, double z, double raise, double highest);

}  // namespace vx::sim
