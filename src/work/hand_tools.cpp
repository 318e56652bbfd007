#include "work/hand_tools.h"

#include "work/operations.h"

#include <algorithm>
#include <cmath>

namespace vx::work {
namespace {

// A step point on the line between two picked cells lands on the cell it reaches within a tenth
// of a cell, so that the rounding error of t / k never drops a step into the cell before.
constexpr double kStepSlack = 0.1;
constexpr int kPenCodes = static_cast<int>(sim::kPenCode.size());

bool on_grid(const sim::GridGeometry& g, std::int32_t i, std::int32_t j) {
    return i >= 0 && j >= 0 && i < g.nx && j < g.ny;
}

std::int32_t half_width_cells(const sim::Workpiece& wp, double width) {
    return static_cast<std::int32_t>(std::trunc(width / 2.0 / wp.geometry.pitch));
}

// The attribute a changed cell receives: the pen's code (the brush adds only the paint bit).
void mark_changed(sim::Workpiece& wp, const HandStroke& s, std::int64_t cell) {
    if (s.tool == HandTool::Brush) {
        wp.attribute.data[cell] |= sim::kPaintBit;
    } else {
        wp.attribute.data[cell] = sim::kPenCode[std::size_t(std::clamp(s.size.pen, 0, kPenCodes - 1))];
        if (sim::has_line_layer(wp)) wp.line_number.data[cell] = 0;
    }
}

// The new height of one footprint cell at `distance` mm from the step point, or NAN when the tool
// leaves it alone. Lowering never goes below the body's bottom.
float worked_height(const sim::Workpiece& wp, const HandStroke& s, float h, double distance) {
    const float floor = static_cast<float>(wp.work_bottom);
    switch (s.tool) {
    case HandTool::Welding:
        return distance <= s.size.width / 2.0 ? static_cast<float>(h + s.size.amount) : NAN;
    case HandTool::Paper: return std::max(floor, static_cast<float>(h - s.size.amount));
    case HandTool::Grinder:
        return h > s.level && h <= s.level + s.size.amount ? s.level : NAN;
    case HandTool::Brush: return h;  // paints, heights stay
    }
    return NAN;
}

// The grinder's first contact: the cell under it is lowered by the depth, and that height is the
// level of the whole stroke.
void grinder_contact(sim::Workpiece& wp, HandStroke& s, std::int64_t cell, CellRange& changed,
                     std::int32_t i, std::int32_t j) {
    const float h = wp.height.data[cell];
    s.level = std::max(static_cast<float>(wp.work_bottom), static_cast<float>(h - s.size.amount));
    s.has_level = true;
    if (s.level == h) return;
    wp.height.data[cell] = s.level;
    mark_changed(wp, s, cell);
    changed.add(i, j);
}

// The tool at cell (ci, cj): every cell of its square footprint that it changes.
void work_at(sim::Workpiece& wp, HandStroke& s, std::int32_t ci, std::int32_t cj, CellRange& changed) {
    const sim::GridGeometry& g = wp.geometry;
    if (s.tool == HandTool::Grinder && !s.has_level) grinder_contact(wp, s, std::int64_t{cj} * g.nx + ci, changed, ci, cj);
    const std::int32_t r = half_width_cells(wp, s.size.width);
    for (std::int32_t j = std::max(cj - r, 0); j <= std::min(cj + r, g.last_row); ++j)
        for (std::int32_t i = std::max(ci - r, 0); i <= std::min(ci + r, g.last_column); ++i) {
            const std::int64_t cell = std::int64_t{j} * g.nx + i;
            const double distance = std::hypot(double(i - ci), double(j - cj)) * g.pitch;
            // A bead is laid once: the steps of a stroke lie about a cell apart, and adding the
            // height at each of them would pile a 0.5 mm bead into a column width / pitch times
            // as high.
            if (s.tool == HandTool::Welding && s.welded[std::size_t(cell)]) continue;
            const float h = wp.height.data[cell];
            const float next = worked_height(wp, s, h, distance);
            if (std::isnan(next)) continue;
            if (s.tool == HandTool::Welding) s.welded[std::size_t(cell)] = true;
            const bool paints = s.tool == HandTool::Brush && !(wp.attribute.data[cell] & sim::kPaintBit);
            if (next == h && !paints) continue;
            wp.height.data[cell] = next;
            wp.highest = std::max(wp.highest, double(next));
            mark_changed(wp, s, cell);
            changed.add(i, j);
        }
}

}  // namespace

void CellRange::add(std::int32_t i, std::int32_t j) {
    if (empty()) {
        *this = {i, j, i, j};
        return;
    }
    first_i = std::min(first_i, i), last_i = std::max(last_i, i);
    first_j = std::min(first_j, j), last_j = std::max(last_j, j);
}

bool hand_tool_usable(const sim::Workpiece& wp, HandTool tool, const HandToolSize& size) {
    if (!sim::has_workpiece(wp) || !(size.width > 0.0) || !std::isfinite(size.width)) return false;
    return tool == HandTool::Brush || (size.amount != 0.0 && std::isfinite(size.amount));
}

CellRange begin_stroke(sim::Workpiece& wp, HandStroke& stroke, HandTool tool, const HandToolSize& size,
                       std::int32_t i, std::int32_t j) {
    stroke = {tool, size};
    CellRange changed;
    if (!hand_tool_usable(wp, tool, size) || !on_grid(wp.geometry, i, j)) return changed;
    backup_before_operation(wp);
    if (tool == HandTool::Welding) stroke.welded.assign(std::size_t(wp.geometry.nx) * std::size_t(wp.geometry.ny), false);
    stroke.active = true;
    stroke.last_i = i, stroke.last_j = j;
    work_at(wp, stroke, i, j, changed);
    if (!changed.empty()) wp.modification_state = sim::kModified, stroke.touched = true;
    return changed;
}

CellRange continue_stroke(sim::Workpiece& wp, HandStroke& stroke, std::int32_t i, std::int32_t j) {
    CellRange changed;
    if (!stroke.active || !sim::has_workpiece(wp) || !on_grid(wp.geometry, i, j)) return changed;
    if (i == stroke.last_i && j == stroke.last_j) return changed;
    const double di = i - stroke.last_i, dj = j - stroke.last_j;
    const int steps = std::max(1, static_cast<int>(std::lround(std::hypot(di, dj))));
    for (int t = 1; t <= steps; ++t) {
        const double f = double(t) / steps;
        const auto ci = static_cast<std::int32_t>(std::trunc(stroke.last_i + di * f + kStepSlack));
        const auto cj = static_cast<std::int32_t>(std::trunc(stroke.last_j + dj * f + kStepSlack));
        work_at(wp, stroke, std::min(ci, wp.geometry.last_column), std::min(cj, wp.geometry.last_row), changed);
    }
    stroke.last_i = i, stroke.last_j = j;
    if (!changed.empty()) wp.modification_state = sim::kModified, stroke.touched = true;
    return changed;
}

}  // namespace vx::work
