// NURBS blocks (G06.2 with the knot letter K, G132 with Q). The first block may give the order P
// (default 4); each block with axis words or R adds a control point (its weight R, default 1)
// and its knot; blocks with only a knot complete the knot vector. Once it holds n + order
// knots the curve is evaluated exactly (rational de Boor) and handed on as moves of motion type
// 132, chords no longer than the display's move pitch, so the cutting step follows the curve
// and the time calculation gets its length.
#pragma once

#include "nc/interp.h"

namespace vx::nc {

constexpr int kMaxSplinePieces = 100000;  // chords of one curve

// Takes the current block when it starts or continues a curve: true when the block belongs to
// the curve (no other motion comes from it). A block of another motion abandons an unfinished
// curve, which is then named among the codes without effect.
bool take_spline_block(Interp& in);

// The point of the curve at parameter `u` (within the knots' domain).
Vec3 spline_point(const std::vector<SplinePoint>& points, const std::vector<double>& knots, int order, double u);

}  // namespace vx::nc
