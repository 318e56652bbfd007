// The whole-move step of the fast runs: one NC move swept into the workpiece at once, as the
// envelope of the tool along its path, instead of sampling it with the kernel step by step.
//
// Covered: straight moves and XY arcs at constant Z, for every tool whose lower surface does not
// fall towards its rim (the envelope is then the surface at the cell's distance from the path),
// and inclined straight moves (ramps, plunges) and XY arcs with Z motion (helices) of every tool
// whose cutting edge is convex and rising (flat, ball, bull, drill, taper, taper ball and general
// end mills), with the cutting edge alone. Everything else (arcs in other planes, spirals whose
// radius changes) is handed back (-1) and the caller samples the move with the kernel, which is
// always right. The heights agree with fine sampling
// to within the grid pitch. The tool standing at the start belongs to the previous move, whose
// last step put it there: cells that lie lowest under it are left alone.
//
// Like the kernel with direction recording off, a lowered cell gets only the pen code and the
// NC line; no volume or required value is summed (the fast runs compute none).
#pragma once

#include "base/vec3.h"
#include "sim/kernel.h"

#include <cstdint>

namespace vx::sim {

struct WholeMove {
    Vec3 start, end;  // tool tip, workpiece coordinates (the tool's shift not applied)
    int motion = kMotionLinear;
    int plane = 17;
    Vec3 centre;  // arcs: centre in XY and radius; direction from `motion`
    double radius = 0;
    double feed = 0;            // mm/min; at the rapid feedrate or above it counts as a rapid
    std::int32_t line_number = 0;
    bool paint = false;         // the paint code of the controller definition is on
    int run_type = kRunMoveStart;
    const ScreenProjection* projection = nullptr;  // as SweepStep::projection, for run type 2
    BandPool* pool = nullptr;  // the parallel bands, used for a move with much work; none: one thread
    RampTables* ramp_tables = nullptr;  // inclined moves' tables kept across moves; none: built per move
};

// Sweeps `move` with `tool`. Fills `result` as one kernel call would (changed flag, zone flags,
// rapid interference, interference state and extent, projected bounds); volume and direction
// stay 0 and none. Returns 0 when done, also when nothing was touched, and -1 for a move it does
// not cover (the workpiece is then untouched). Sets the modification state to 2 when a cell was
// lowered.
int whole_move_step(Workpiece& wp, const CurrentTool& tool, const Checks& checks, const WholeMove& move,
                    SweepResult& result);

// The radius the move sweeps: the blade radius, or while the arbor check cuts with the shapes the
// radius of the highest holder section whose lower face lies below `highest` (tip at `z`, shift
// applied), the neck radius when none does.
double whole_move_radius(const Profile& p, ArborCheck arbor, double z, double highest);

}  // namespace vx::sim
