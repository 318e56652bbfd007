// The move record: one move of the tool as the interpreter hands it to the cutting step, the
// data check and the outputs. Coordinates are workpiece coordinates in millimetres.
#pragma once

#include "base/text.h"

#include <array>

namespace vx::nc {

constexpr int kMotionRapid = 0;
constexpr int kMotionLinear = 1;
constexpr int kMotionCw = 2;
constexpr int kMotionCcw = 3;
constexpr int kMotionSpline = 132;

// The plane of an arc as machine axis indices (0 X, 1 Y, 2 Z).
struct PlaneAxes {
    int first = 0, second = 1, normal = 2;
};

// One level of coordinate rotation: the two machine axes it turns, its centre in them (program
// coordinates) and its angle.
struct RotationData {
    int first = 0, second = 1;
    double centre1 = 0, centre2 = 0;
    double angle = 0;  // radians, counter-clockwise from first towards second
};

struct MoveRecord {
    int motion = kMotionRapid;
    int line = 0;  // line in the main program or, inside a subprogram, in its file
    Vec3 start, end;
    // Arcs only.
    Vec3 centre;
    Vec3 start_direction, end_direction;  // unit vectors in the plane from the centre
    double start_radius = 0, end_radius = 0;
    double sweep = 0;       // radians, 0 < sweep <= 2 pi
    double arc_length = 0;  // (Rs + Re) / 2 * sweep
    PlaneAxes plane;
    double feedrate = 0;    // mm/min, the modal F after the block
    // Rotation data while G68 is active.
    int rotations = 0;
    std::array<RotationData, 2> rotation{};
    // Ours: how the run and the time calculation treat the move.
    bool machine_coordinates = false;  // G53 block: the run loop decides how it moves
    int tool = 0;                      // active tool of the move
    // Pieces of one rapid path (G00MODE): all carry the whole rapid's start; the time of the
    // rapid is taken once, on the last piece.
    Vec3 path_start;
    bool last_piece = true;
    double dwell = 0;  // s the tool waits at the end (a cycle's dwell at the bottom)
    // Radius compensation: the connecting move of an inside corner whose offset paths do not meet,
    // under an active CHECK RADIUS OFFSET (the run pauses or paints by its actions).
    bool offset_alarm = false;
};

}  // namespace vx::nc
