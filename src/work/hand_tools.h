// The hand tools: strokes of the mouse across the workpiece that weld material on, grind it down
// to a level, sand it with paper, or brush paint onto it. A stroke starts where the button goes
// down (after the backup, so that the "C" key takes the whole stroke back) and follows the cursor
// cell by cell; each call answers the cells it changed, so that the view redraws only those.
#pragma once

#include "sim/workgrid.h"

#include <cstdint>
#include <vector>

namespace vx::work {

enum class HandTool { Welding, Grinder, Paper, Brush };

// A tool's settings: the height added (welding) or the depth taken (grinder, paper; unused by the
// brush), the width of its footprint in mm and the pen (0..8) whose code changed cells receive.
struct HandToolSize {
    double amount = 0.0;
    double width = 0.0;
    int pen = 0;
};

// Grid cells first..last in both directions, inclusive; empty while last_i < first_i.
struct CellRange {
    std::int32_t first_i = 0, first_j = 0, last_i = -1, last_j = -1;
    bool empty() const { return last_i < first_i; }
    void add(std::int32_t i, std::int32_t j);
};

struct HandStroke {
    HandTool tool = HandTool::Welding;
    HandToolSize size;
    bool active = false;
    bool touched = false;                 // the stroke has changed the workpiece
    std::int32_t last_i = 0, last_j = 0;  // the cell picked last
    bool has_level = false;               // the grinder's level, set by its first contact
    float level = 0.0f;
    std::vector<bool> welded;             // welding: the cells this stroke raised already
};

// Whether the tool can do anything: a workpiece, a positive width and (but for the brush) a
// height or depth that is not zero.
bool hand_tool_usable(const sim::Workpiece& wp, HandTool tool, const HandToolSize& size);

// Starts a stroke at cell (i, j): the backup is taken, then the tool works at that cell. An
// unusable tool or a cell off the grid starts nothing (the stroke stays inactive).
CellRange begin_stroke(sim::Workpiece& wp, HandStroke& stroke, HandTool tool, const HandToolSize& size,
                       std::int32_t i, std::int32_t j);

// Moves the stroke on to cell (i, j) in round(distance) steps of about one cell, the tool working
// at every step; the same cell again does nothing.
CellRange continue_stroke(sim::Workpiece& wp, HandStroke& stroke, std::int32_t i, std::int32_t j);

}  // namespace vx::work
