// Per-block upper bounds of the heights: built, tightened and marked.
#include "sim/height_bound.h"

#include <algorithm>
#include <cmath>

namespace vx::sim {
namespace {

// The largest height of the block's cells. A comparison per column across the rows, which the
// compiler turns into vector comparisons; a NaN height is never taken (no cut lowers one either).
float block_max(const Workpiece& wp, std::int32_t bi, std::int32_t bj) {
    constexpr std::int32_t kBlock = HeightBound::kBlock;
    const GridGeometry& g = wp.geometry;
    const std::int32_t i0 = bi << HeightBound::kShift, j0 = bj << HeightBound::kShift;
    const std::int32_t n = std::min(kBlock, g.nx - i0), rows = std::min(kBlock, g.ny - j0);
    float column[kBlock];
    std::fill(column, column + kBlock, -INFINITY);
    for (std::int32_t j = j0; j < j0 + rows; ++j) {
        const float* row = wp.height.data + std::int64_t{j} * g.nx + i0;
        if (n == kBlock) {
            for (std::int32_t k = 0; k < kBlock; ++k) column[k] = row[k] > column[k] ? row[k] : column[k];
        } else {
            for (std::int32_t k = 0; k < n; ++k) column[k] = row[k] > column[k] ? row[k] : column[k];
        }
    }
    float m = -INFINITY;
    for (const float c : column) m = c > m ? c : m;
    return m;
}

// Block index ranges of cells i0..i1, j0..j1, clamped to the grid of blocks.
bool block_range(const HeightBound& bound, std::int32_t i0, std::int32_t i1, std::int32_t j0, std::int32_t j1,
                 std::int32_t* bi0, std::int32_t* bi1, std::int32_t* bj0, std::int32_t* bj1) {
    *bi0 = std::max(i0, 0) >> HeightBound::kShift;
    *bj0 = std::max(j0, 0) >> HeightBound::kShift;
    *bi1 = std::min(i1 >> HeightBound::kShift, bound.blocks_x - 1);
    *bj1 = std::min(j1 >> HeightBound::kShift, bound.blocks_y - 1);
    return *bi0 <= *bi1 && *bj0 <= *bj1;
}

}  // namespace

void rebuild_height_bound(HeightBound& bound, const Workpiece& wp) {
    bound.valid = false;
    if (!wp.height.data) return;
    const GridGeometry& g = wp.geometry;
    bound.blocks_x = (g.nx + HeightBound::kBlock - 1) >> HeightBound::kShift;
    bound.blocks_y = (g.ny + HeightBound::kBlock - 1) >> HeightBound::kShift;
    const std::size_t blocks = std::size_t(bound.blocks_x) * std::size_t(bound.blocks_y);
    bound.max.resize(blocks);
    bound.move = 1;
    bound.lowered.assign(blocks, 0);
    bound.taken.assign(blocks, 1);
    for (std::int32_t bj = 0; bj < bound.blocks_y; ++bj)
        for (std::int32_t bi = 0; bi < bound.blocks_x; ++bi)
            bound.max[std::size_t(bj) * std::size_t(bound.blocks_x) + std::size_t(bi)] = block_max(wp, bi, bj);
    bound.valid = true;
}

void begin_bound_move(HeightBound& bound, const Workpiece& wp) {
    if (bound.move == UINT32_MAX) rebuild_height_bound(bound, wp);
    ++bound.move;
}

bool tighten_block(HeightBound& bound, const Workpiece& wp, std::int32_t i, std::int32_t j) {
    const std::int32_t bi = i >> HeightBound::kShift, bj = j >> HeightBound::kShift;
    const std::size_t b = std::size_t(bj) * std::size_t(bound.blocks_x) + std::size_t(bi);
    if (!(bound.taken[b] < bound.move && bound.lowered[b] >= bound.taken[b])) return false;
    bound.max[b] = block_max(wp, bi, bj);
    bound.taken[b] = bound.move;
    return true;
}

void mark_height_bound(HeightBound& bound, std::int32_t i0, std::int32_t i1, std::int32_t j0, std::int32_t j1) {
    std::int32_t bi0, bi1, bj0, bj1;
    if (!block_range(bound, i0, i1, j0, j1, &bi0, &bi1, &bj0, &bj1)) return;
    for (std::int32_t bj = bj0; bj <= bj1; ++bj)
        std::fill_n(bound.lowered.begin() + std::ptrdiff_t(bj) * bound.blocks_x + bi0, bi1 - bi0 + 1, bound.move);
}

}  // namespace vx::sim
