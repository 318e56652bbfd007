// Cutter radius compensation (G40, G41, G42, G39): the programmed moves of the interpreter
// turned into tool-centre moves at offset r = (D value + D wear) x side from the contour.
//
// Every offset contour move is held until the next contour move is known; then the corner
// between the two is made (offset_geometry.h): outside corners insert one intersection point,
// two extension points or, after a G39, a corner arc; inside corners trim both paths to their
// intersection, or, where the paths do not meet, a straight connecting move is inserted and
// listed as an offset interference ("alarm.txt", the move's offset-alarm flag). Start-up: the
// first move in the plane after G41/G42 is offset whole and reached by a straight move from the
// un-offset position. Cancel: the first move in the plane after G40 runs from the last offset
// end to its programmed end; a G40 block without plane words makes that move itself under
// "ONLY G40" RESET, and under OFFSET leaves it to the next move in the plane or the program end.
//
// The look-ahead ("PRE READ" n) and what it holds -- our choices:
// - A contour move is a move with travel in the plane (any arc, a line or rapid whose plane
//   coordinates change); rapids are offset like lines. Moves without travel in the plane (Z only,
//   zero length) are held behind the contour move, made at its (trimmed) end point, and the
//   corner points after them take their last height.
// - The next contour move is looked for within n blocks after the held one (with n = 0, only the
//   very next block). Every block counts, with or without a move, also those of a subprogram
//   (calls and returns do not break the path). With n = 0 a move without plane travel ends the
//   path at once. When none comes in time, the held path ends at its perpendicular offset, the
//   blocks go on, and the next contour move meets it as after any break: an outside corner gets
//   its points from where the tool stands, an inside corner a connecting move (an interference).
// - Blocks are executed once, when they are read; the buffer holds the moves they made. What a
//   block sets besides its moves (spindle, M codes, F for later blocks) takes effect when it is
//   read, up to n blocks before the held move is cut. A block that changes the frame (G92, G10,
//   G52, G28 to G30, G51, G68, G69, mirror, a plane change), a G53 block and a cycle block end the
//   held path first. While a look-ahead holds moves a stop waits (the look-ahead nesting level).
// - Spline moves are not offset: they end the held path and pass unchanged.
#pragma once

#include "nc/move.h"
#include "nc/offset_geometry.h"

#include <vector>

namespace vx::nc {

struct Interp;

constexpr int kCompensationOff = 0, kCompensationActive = 1, kCompensationCancelling = 2;
constexpr int kOnlyG40Offset = 1, kOnlyG40Reset = 2;

struct Compensation {
    int state = kCompensationOff;
    bool started = false;  // an offset path was made since G41/G42: the next one meets it at a corner
    bool holding = false;  // `held` waits for the corner with the next contour move
    MoveRecord held;       // offset
    PlanePoint held_tangent;         // of the programmed path at its end
    std::vector<MoveRecord> behind;  // moves without plane travel read after `held`
    int blocks_behind = 0;           // blocks read after the one that made `held`
    PlanePoint last_tangent;         // of the last offset path handed on: the corner after a break
    bool corner_arc = false;         // G39 read: the next outside corner is an arc
    Vec3 tool;                       // the end of the last move compensation handed on
};

// Start of a run or check: off, nothing held.
void reset_compensation(Compensation& c);

// Every block, once its modal codes are applied and before its other codes and its move: follows
// G40/G41/G42, counts the look-ahead, ends the held path where the block breaks it, and makes
// the cancel move of a lone G40 under RESET.
void compensation_block(Interp& in);

// A programmed move of the block: true when compensation queued or holds it (the tool-centre
// moves), false to hand it to the plain interpreter (compensation off).
bool compensation_takes(Interp& in, MoveRecord& move);

// The program ends: the held path and its held moves go out, and a pending cancel (G40 under
// OFFSET) is made by a final move to the programmed point.
void compensation_finish(Interp& in);

}  // namespace vx::nc
