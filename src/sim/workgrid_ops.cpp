// Operations that walk the cells of an allocated workpiece: attribute edits, the volume change
// against the backup, the highest height, merging a model and the pit filter. They run on grids
// of millions of cells, so layer presence is decided once per call, outside the cell loops.
#include "sim/workgrid.h"

#include <algorithm>
#include <cmath>

namespace vx::sim {
namespace {

// Start of every recomputation of the highest height: below any height a cell can hold.
constexpr double kHighestStart = -999999.0;

// A cell in the first or last column (row) stands for half a cell's area.
constexpr double kEdgeWeight = 0.5;

// Pit filter: neighbours count as material when clearly above the floor; the cell counts as a
// drop to the floor when it equals it up to float rounding of the written floor value.
constexpr double kMaterialAboveFloor = 0.1;
constexpr double kOnFloorTolerance = 0.0001;

bool cell_inside(const Workpiece& wp, std::int32_t cell) {
    return wp.attribute.data != nullptr && cell >= 0 && cell < wp.geometry.cell_count;
}

}  // namespace

// ---- Cell attributes ----

void clear_cell_attributes(Workpiece& wp, std::int32_t cell) {
    if (!cell_inside(wp, cell)) return;
    wp.attribute.data[cell] = 0;
    if (has_line_layer(wp)) wp.line_number.data[cell] = 0;
}

void mark_paint_around(Workpiece& wp, std::int32_t cell) {
    if (!cell_inside(wp, cell)) return;
    const GridGeometry& g = wp.geometry;
    const std::int32_t i = cell % g.nx, j = cell / g.nx;
    const std::int32_t i0 = std::max(i - 1, 0), i1 = std::min(i + 1, g.last_column);
    const std::int32_t j0 = std::max(j - 1, 0), j1 = std::min(j + 1, g.last_row);
    for (std::int32_t jj = j0; jj <= j1; ++jj)
        for (std::int32_t ii = i0; ii <= i1; ++ii) wp.attribute.data[std::int64_t{jj} * g.nx + ii] |= kPaintBit;
}

// ---- Volume change ----

namespace {

// The sum over the cells of w x value(cell): pitch squared, halved for the two end cells of a row
// and again for the first and last row.
template <class CellValue>
double weighted_sum(const GridGeometry& g, CellValue value) {
    const std::int64_t nx = g.nx, last = g.last_column;
    double total = 0.0;
    for (std::int64_t j = 0; j < g.ny; ++j) {
        const std::int64_t r = j * nx;
        double row = kEdgeWeight * (value(r) + value(r + last));
        for (std::int64_t i = 1; i < last; ++i) row += value(r + i);
        total += (j == 0 || j == g.last_row ? kEdgeWeight : 1.0) * row;
    }
    return total * g.pitch_squared;
}

// The volume of a body on `bottom` under `heights`.
double body_volume(const float* heights, const GridGeometry& g, double bottom) {
    return weighted_sum(g, [&](std::int64_t k) { return double(heights[k]) - bottom; });
}

}  // namespace

int volume_change(const Workpiece& wp, double* volume) {
    if (!has_backup_layer(wp) || !wp.backup.taken) return 0;
    const WorkpieceBackup& b = wp.backup;
    const float* h = wp.height.data;
    const float* o = b.height.data;
    // Cell by cell means nothing across two grids: then the bodies on their bottoms are compared.
    *volume = backup_is_other_grid(wp)
                  ? body_volume(h, wp.geometry, wp.work_bottom) - body_volume(o, b.geometry, b.work_bottom)
                  : weighted_sum(wp.geometry, [&](std::int64_t k) { return double(h[k]) - double(o[k]); });
    return 1;
}

// ---- Highest height ----

double recompute_highest(Workpiece& wp) {
    const float* h = wp.height.data;
    const std::int64_t cells = h ? wp.geometry.cell_count : 0;
    double highest = kHighestStart;
    for (std::int64_t k = 0; k < cells; ++k) highest = std::max(highest, double(h[k]));
    wp.highest = highest;
    return highest;
}

// ---- Merge model ----

namespace {

// Raises every cell below the model to it; returns whether any cell changed.
template <bool kLines>
bool raise_to_model(Workpiece& wp) {
    float* h = wp.height.data;
    std::uint8_t* a = wp.attribute.data;
    std::int32_t* line = wp.line_number.data;
    const float* m = wp.merge_model.data;
    const std::int64_t cells = wp.geometry.cell_count;
    double highest = wp.highest;
    bool changed = false;
    for (std::int64_t k = 0; k < cells; ++k) {
        if (!(h[k] < m[k])) continue;
        h[k] = m[k];
        a[k] = 0;
        if constexpr (kLines) line[k] = 0;
        highest = std::max(highest, double(m[k]));
        changed = true;
    }
    wp.highest = highest;
    return changed;
}

// Lowers every cell above the model to it where the model is not below the work bottom: the
// model never takes material below the bottom away.
template <bool kLines>
bool lower_to_model(Workpiece& wp) {
    float* h = wp.height.data;
    std::uint8_t* a = wp.attribute.data;
    std::int32_t* line = wp.line_number.data;
    const float* m = wp.merge_model.data;
    const std::int64_t cells = wp.geometry.cell_count;
    const double bottom = wp.work_bottom;
    bool changed = false;
    for (std::int64_t k = 0; k < cells; ++k) {
        if (!(h[k] > m[k] && double(m[k]) >= bottom)) continue;
        h[k] = m[k];
        a[k] = 0;
        if constexpr (kLines) line[k] = 0;
        changed = true;
    }
    return changed;
}

}  // namespace

int apply_merge_model(Workpiece& wp, int mode) {
    if (!wp.merge_loaded || wp.merge_model.data == nullptr || wp.height.data == nullptr) return 0;
    const bool lines = has_line_layer(wp);
    bool changed;
    if (mode > 0) {
        changed = lines ? raise_to_model<true>(wp) : raise_to_model<false>(wp);
    } else {
        changed = lines ? lower_to_model<true>(wp) : lower_to_model<false>(wp);
        recompute_highest(wp);
    }
    wp.work_top = wp.highest;
    if (changed) wp.modification_state = kModified;
    return 1;
}

// ---- Pit filter ----

namespace {

bool is_pit(double before, double cell, double after, double material, double floor_height) {
    return before > material && std::fabs(cell - floor_height) <= kOnFloorTolerance && after > material;
}

void fill_pits_along_rows(float* heights, const GridGeometry& g, double floor_height) {
    const double material = floor_height + kMaterialAboveFloor;
    for (std::int64_t j = 0; j < g.ny; ++j) {
        float* h = heights + j * std::int64_t{g.nx};
        for (std::int64_t i = 1; i < g.last_column; ++i)
            if (is_pit(h[i - 1], h[i], h[i + 1], material, floor_height))
                h[i] = static_cast<float>((double(h[i - 1]) + double(h[i + 1])) * 0.5);
    }
}

// Walks row by row rather than column by column: cell (i, j) reads (i, j - 1), already final, and
// (i, j + 1), not yet visited, exactly as in a walk up each column, and rows stay in cache.
void fill_pits_along_columns(float* heights, const GridGeometry& g, double floor_height) {
    const double material = floor_height + kMaterialAboveFloor;
    const std::int64_t nx = g.nx;
    for (std::int64_t j = 1; j < g.last_row; ++j) {
        const float* below = heights + (j - 1) * nx;
        float* h = heights + j * nx;
        const float* above = heights + (j + 1) * nx;
        for (std::int64_t i = 0; i < nx; ++i)
            if (is_pit(below[i], h[i], above[i], material, floor_height))
                h[i] = static_cast<float>((double(below[i]) + double(above[i])) * 0.5);
    }
}

}  // namespace

std::int64_t raise_to_bottom(Workpiece& wp) {
    if (wp.height.data == nullptr) return 0;
    const float bottom = float(wp.work_bottom);
    std::int64_t raised = 0;
    for (std::int64_t c = 0; c < wp.geometry.cell_count; ++c) {
        float& h = wp.height.data[c];
        if (!(h < bottom)) continue;
        h = bottom;
        ++raised;
    }
    if (raised > 0) wp.modification_state = kModified;
    return raised;
}

void pit_filter(Workpiece& wp, double floor_height) {
    if (wp.height.data == nullptr) return;
    fill_pits_along_rows(wp.height.data, wp.geometry, floor_height);
    fill_pits_along_columns(wp.height.data, wp.geometry, floor_height);
}

}  // namespace vx::sim
