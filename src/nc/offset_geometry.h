// The geometry of cutter radius compensation in the plane of a move: the offset of a line or an
// arc, the kind of corner where two offset paths meet, the points an outside corner inserts and
// the trimming of an inside corner to the intersection of the two paths. Pure functions over
// move records. The normal axis is never offset; a point moved along a path takes the path's
// height there. "Left" is the left of the direction of travel seen with the plane's first axis
// to the right and its second axis up.
#pragma once

#include "nc/move.h"

#include <array>

namespace vx::nc {

// A point or a direction in the plane of a move: (first axis, second axis).
struct PlanePoint {
    double u = 0, v = 0;
};

PlanePoint in_plane(const Vec3& p, const PlaneAxes& pl);
// `p` with its two plane coordinates replaced by `q`.
Vec3 with_plane(Vec3 p, const PlanePoint& q, const PlaneAxes& pl);
double plane_gap(const PlanePoint& a, const PlanePoint& b);  // Euclidean distance

bool is_arc_motion(int motion);
// Whether the move travels in its plane; an arc always does (a full circle ends where it began).
bool travels_in_plane(const MoveRecord& m);

// The unit tangent at the start or end of the path in the plane (for an arc perpendicular to its
// radius, in the arc's direction); (0, 0) for a move without travel in the plane.
PlanePoint start_tangent(const MoveRecord& m);
PlanePoint end_tangent(const MoveRecord& m);

// The change of an arc's radius under offset r: r for a clockwise arc, -r for a counter-clockwise
// one (positive r puts the tool to the left of travel, outside a clockwise arc).
double arc_radius_change(int motion, double r);

// Offsets the path by r: a line moves sideways by r to its left; an arc keeps its centre and
// takes the radii R + c (start and end separately). A radius that turns negative puts the point
// on the far side of the centre; the record keeps positive radii with the directions reversed.
void offset_path(MoveRecord& m, double r);

// The start or the end of `m` moved to `p`; an arc keeps its centre and takes the radius and the
// direction of the new point, its sweep and length recomputed.
void move_start_to(MoveRecord& m, const Vec3& p);
void move_end_to(MoveRecord& m, const Vec3& p);

// The height (normal coordinate) of the path where it passes plane point `q`, by the share of
// the path's plane travel (line) or sweep (arc) up to the point.
double height_at(const MoveRecord& m, const PlanePoint& q);

enum class CornerKind { Outside, Inside };

// From the tangent t1 at the end of the current path and t2 at the start of the next: outside
// when the tool at offset r is on the far side of the turn (r > 0 and a right turn, r < 0 and a
// left turn), otherwise inside (a straight continuation is inside: its offset paths meet).
CornerKind corner_kind(const PlanePoint& t1, const PlanePoint& t2, double r);

struct CornerPoints {
    int count = 0;
    std::array<PlanePoint, 2> point{};
};

// The points an outside corner inserts between `a_end`, the end of the current offset path with
// tangent t1, and `b_start`, the start of the next with tangent t2, around the programmed corner
// `p`: none when the two ends meet; for a turn of more than 90 degrees the two ends extended by
// |r| along their paths (a squared corner); otherwise the one point where the extended paths
// meet, tan(theta / 2) |r| beyond `a_end`.
CornerPoints outside_corner_points(const PlanePoint& a_end, const PlanePoint& t1, const PlanePoint& b_start,
                                   const PlanePoint& t2, const PlanePoint& p, double r);

// Inside corner: moves the end of the offset path `a` and the start of the next offset path `b`
// to the intersection of the two that lies on both and is nearest the programmed corner `p`.
// False, with both unchanged, when the paths do not meet.
bool trim_to_intersection(MoveRecord& a, MoveRecord& b, const PlanePoint& p);

}  // namespace vx::nc
