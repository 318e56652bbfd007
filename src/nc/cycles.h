// Canned drilling and boring cycles (G73 to G89). The words of the cycle blocks are kept while a
// cycle is in force; every block with an axis word then becomes the moves of its holes: the rapid
// over the hole, down to the R point and on by the controller's clearance, the cut of the
// cycle's group (one feed, or the pecks of G73 and G83), and the retract to the return height.
// The moves are worked out in program coordinates and each is placed like any programmed point
// (scaling, rotation, mirror, offsets), so a cycle under G68 or G51 drills where the hole is.
#pragma once

#include "nc/interp.h"

namespace vx::nc {

constexpr int kMaxHoleMoves = 995;  // pecking stops once one hole has made this many moves
// The holes of one block stop once they have queued this many moves (a repeat count of
// millions would otherwise hold the run for hours); the rest are named as without effect.
constexpr std::size_t kMaxCycleBlockMoves = 100000;

// Takes the cycle words of the current block (levels, peck, dwell, the OSP retract, rigid
// tapping) into the modal state. Called with every block before its cycle code is applied.
void note_cycle_words(Interp& in);

// Queues the moves of the holes of the current block (its L or K repeats).
void expand_cycle(Interp& in);

// HEIDENHAIN: a P word "P01 +2" is cycle parameter 1 with the value 2; records it in `block`.
void heidenhain_cycle_word(BlockWords& block, std::string_view text);

// HEIDENHAIN: M99 with a cycle defined drills one hole where the tool stands. False when no
// cycle is defined (M99 is then the return from a subprogram).
bool call_heidenhain_cycle(Interp& in);

}  // namespace vx::nc
