// Command 32772: select an NC program, then define the workpiece that fits it from the extents of
// its min-max check, widened in X and Y by WORK MARGIN.
#pragma once

#include "base/vec3.h"
#include "nc/data_check.h"

#include <optional>

namespace vx::shell {

struct FitBox {
    Vec3 minimum, maximum;
};

// The block around the program's feed moves, widened by `margin_x` and `margin_y` on both sides;
// when the feed moves all lie at one Z, its height spans all moves (rapids too), and may still be
// none (the caller says so). A program without feed moves takes the X and Y range of all its moves, with the top 5 below
// their lowest Z and a block 10 high. nullopt when the program has no move at all.
std::optional<FitBox> fit_box(const nc::DataCheck& check, double margin_x, double margin_y);

}  // namespace vx::shell
