// Emphasis of a pen or the paint: the cells that carry it pass it on to every cell within a
// width around them (3-D distance: the horizontal distance and the height difference), so that
// thin traces of a tool become visible.
#pragma once

#include "sim/workgrid.h"

#include <cstdint>

namespace vx::work {

constexpr int kEmphasisPaint = 8;  // the mark for the paint; 1..7 are pens

// Cells within `width` (mm) of a cell that carried `mark` (pen 1..7 or kEmphasisPaint) before the
// call receive it: the pen bits replaced, or the paint bit set. The index reach is
// trunc(width / pitch), at least 1. Returns the cells newly marked; 0 without a workpiece.
std::int64_t emphasise(sim::Workpiece& wp, int mark, double width);

}  // namespace vx::work
