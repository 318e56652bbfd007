// Inch programs: while G20 is in force the lengths a program writes (coordinates, arc centres and
// radii, cycle levels and pecks, offsets it sets, feedrates) are inches and are turned into the
// millimetres everything else works in. The definitions (controller, machine, tools) stay in
// millimetres, and so do F numbers, which name entries of the controller's table.
#pragma once

#include "nc/interp.h"

namespace vx::nc {

constexpr double kMillimetresPerInch = 25.4;

// The lengths among the words of `block` (axis and centre words, R, Q) in millimetres.
void lengths_to_millimetres(BlockWords& block);

// The block's F word, a feedrate in inches per minute, as millimetres per minute in the modal
// feed. Call once the feed of the block is read (in OSP after its F text is applied).
void feed_to_millimetres(Interp& in);

}  // namespace vx::nc
