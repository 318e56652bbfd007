// The sweep kernel's rules written the most direct way, for tests only: every cell of the grid is
// visited, with no bounding box, no half-rows, no early end and no bands. The randomised tests
// compare the fast kernel with it bit for bit.
#pragma once

#include "sim/kernel.h"

namespace vx::sim::testing {

// Same inputs and outputs as sweep_at_position (scribing tools are not covered); volume and
// moment are added per row in the order the rules fix (left of the tool column outward, then
// right of it outward; rows upward), so that the sums compare exactly.
int reference_sweep(Workpiece& wp, const CurrentTool& tool, const Checks& checks, const SweepStep& step,
                    SweepResult& result);

}  // namespace vx::sim::testing
