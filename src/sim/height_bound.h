// An upper bound of the workpiece heights per block of cells, so that the whole-move step can
// pass over a block lying wholly below a move's lowest tip without reading its cells.
//
// Cutting only lowers heights, so a bound taken once stays an upper bound through any cut. The
// whole-move step marks the blocks it lowers as stale, and tightens a stale block (takes its
// maximum again) when a later move finds the loose bound above its tip; other cuts leave the
// bound loose, never wrong, and their callers mark what they lowered. Whatever may raise a height (workpiece operations, loads, another process writing shared
// layers) makes it wrong: its owner rebuilds it before every stretch of cutting and leaves it
// unused where another process may write the layers.
#pragma once

#include "sim/workgrid.h"

#include <atomic>
#include <cstdint>
#include <vector>

namespace vx::sim {

struct HeightBound {
    // Blocks of kBlock x kBlock cells (the last column and row of blocks may be partial).
    static constexpr int kShift = 4;
    static constexpr std::int32_t kBlock = 1 << kShift;

    bool valid = false;  // built for the current grid and heights since the last change outside cutting
    std::int32_t blocks_x = 0, blocks_y = 0;
    std::vector<float> max;  // per block, row-major
    // Moves are numbered from the build on: per block, the last move that lowered a cell of it
    // (0: none) and the move when its max was last taken. A block lowered at or after that move
    // is stale; it is tightened at most once per move, since the move itself lowers it again.
    std::uint32_t move = 1;
    std::vector<std::uint32_t> lowered, taken;
};

// Takes every block's maximum from the workpiece; not valid without heights.
void rebuild_height_bound(HeightBound& bound, const Workpiece& wp);

// Counts a new move (whose lowering marks blocks stale for the later ones); rebuilds the bound
// when the count runs out.
void begin_bound_move(HeightBound& bound, const Workpiece& wp);

// Takes the maximum of the block holding cell (i, j) again when it is stale and was not taken in
// this move; false when it was not taken. Reads the whole block: no other thread may be writing it.
bool tighten_block(HeightBound& bound, const Workpiece& wp, std::int32_t i, std::int32_t j);

// Marks the blocks holding cells i0..i1, j0..j1 stale: cells there may have been lowered.
void mark_height_bound(HeightBound& bound, std::int32_t i0, std::int32_t i1, std::int32_t j0, std::int32_t j1);

// The bound of the block holding cell (i, j).
inline float block_bound(const HeightBound& bound, std::int32_t i, std::int32_t j) {
    return bound.max[std::size_t(j >> HeightBound::kShift) * std::size_t(bound.blocks_x) + std::size_t(i >> HeightBound::kShift)];
}

// Cell (i, j) was lowered. Bands of one move may mark the same block at once: the word is written
// atomically (a plain store on common processors).
inline void note_lowered(HeightBound& bound, std::int32_t i, std::int32_t j) {
    std::uint32_t& last = bound.lowered[std::size_t(j >> HeightBound::kShift) * std::size_t(bound.blocks_x) +
                                        std::size_t(i >> HeightBound::kShift)];
    std::atomic_ref<std::uint32_t>(last).store(bound.move, std::memory_order_relaxed);
}

}  // namespace vx::sim
