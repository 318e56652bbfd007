// Arcs in the XY plane with Z motion (helices) of tools whose cutting edge is convex and rising:
// the lowest tool surface over each cell from a table built once per move.
//
// Take the swept angle t (0 at A, Phi at B) as the parameter, the tip at za + m t. A cell lies r
// from the centre and tau ahead of A along the turn; the tool at t stands w = tau - t behind it,
// at the horizontal distance rho^2 = r^2 + R^2 - 2 r R cos w, so the surface over the cell is
// za + m tau + F(w) with F(w) = -m w + g(rho(w)). F depends on r alone: the helix is the same
// after any rotation but for a shift in Z. A table over r holds the w where F is least within the
// tool's reach (|w| <= alpha(r), rho <= rb); a cell then tries that offset, the two reach limits
// and the two ends of the move, whichever of them lie within the move, and takes the lowest.
// Where the edge's slope jumps (the joints of a general tool) F has a kink that may be a minimum
// of its own: the offsets where the cell lies at a joint's radius are tried as well. That is the
// least of F over the move when the table holds every smooth inner minimum of F (up to two; the
// move is handed back when some r has more).
#pragma once

#include "sim/profile.h"
#include "sim/whole_move_sweep.h"

#include <array>
#include <cstdint>

namespace vx::sim::envelope {

// atan2(y, x) in (-pi, pi] to within a few units in the last place, with a table of 65 angles
// and a short series instead of the library call (one per cell would cost more than the rest of
// the cell's work); 0 for (0, 0).
double turn_angle(double x, double y);

// The helix in grid coordinates.
struct HelixPath {
    double cx, cy, R;  // centre and radius
    double ax, ay;     // A from the centre
    double bx, by;     // B from the centre
    double direction;  // +1 counter-clockwise
    double sweep;      // Phi, (0, 2 pi]
    double za, dz;     // tip at A, rise to B
};

struct HelixRule {
    static constexpr int kTableSize = 1024;
    struct Node {
        double w, c, s;  // an offset with its cosine and sine
    };
    static constexpr int kMinima = 2;  // smooth inner minima per entry at most

    const Profile* p = nullptr;
    HelixPath path{};
    double m = 0, sign = 0;   // rise per radian and its sign (never 0: a level arc is ArcRule's)
    double R2 = 0, reach = 0;  // R^2; the blade's reach, sqrt(rb2)
    double inner2 = 0, outer2 = 0;  // squared radii of the annulus the tool reaches
    // The offsets |w| of F's smooth inner minima for r = r_lo + k / scale, k = 0..last, each
    // with its cosine and sine; minima[k] of them.
    double r_lo = 0, scale = 0;
    int last = 0;
    std::array<std::array<Node, kMinima>, kTableSize + 1> best{};
    std::array<std::uint8_t, kTableSize + 1> minima{};
    // Squared radii where the edge's slope jumps up.
    std::array<double, 3> kink2{};
    int kinks = 0;

    // The lowest tool surface over the cell, or false when the tool does not reach it or when
    // that is the tool at A (which the previous move left there).
    bool cut_below(double X, double Y, double, double h, Cut* cut) const;

    // The inner minimum of F for a cell at r (r2 = r^2, rR = r R) by Newton steps on F' from
    // `at` (an offset |w| with its cosine and sine), kept within a bracket in [0, alpha] that
    // shrinks by bisection where a step would leave it. Returns the signed offset and its squared
    // distance d2.
    double solve(double r2, double rR, double alpha, Node at, double* d2) const;
};

// Sets `rule` up for `path`, the table as fine as `pitch` needs. False when F has more smooth
// inner minima for some r than the table holds (an edge whose slope changes too unevenly): the
// move is then handed back.
bool make_helix(HelixRule& rule, const HelixPath& path, const Profile& p, double pitch);

}  // namespace vx::sim::envelope
