// The tool path over the workpiece view: each move the run hands over drawn as a line or, for an
// arc, as a polyline through equal angular steps, in the pen its motion and feed call for, with
// an optional construction point at its end. The tool-tip path lowers every point by the tool
// length; the command-point path shows the programmed points. Moves are also kept in a list so
// that the window can draw the path again after a full redraw of the workpiece.
#pragma once

#include "base/constants.h"
#include "platform/platform.h"
#include "view/display_settings.h"
#include "view/render.h"
#include "view/view_state.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace vx::view {

// ---- Colours and pens ----

// The pen colours of the path display, 0x00RRGGBB.
struct PathColours {
    std::uint32_t tool_tip = 0xFF0000;       // TOP-PATH COLOR
    std::uint32_t command_point = 0xFF8000;  // CONTROL-PATH COLOR
    std::uint32_t uncut = 0xFF00FF;          // CUT-PATH COLOR: moves of a cutting run that miss the workpiece
    std::uint32_t construction = 0xFFFF00;   // CONSTRUCTION COLOR
    std::array<std::uint32_t, 7> pen{};      // PEN1 .. PEN7 COLOR, for paths coloured per tool
};

PathColours path_colours(const Colours& colours);

// The colour of a move's pens: the tool's pen colour when the path is coloured per tool and the
// tool has a pen (1..7), otherwise the colour of the path kind.
std::uint32_t path_colour(const PathColours& colours, platform::PathKind kind, bool per_tool, int tool_pen);

// What the move is drawn with; `drawn` is false for a rapid while rapid paths are hidden.
struct PathPen {
    bool drawn = true;
    int style = kLineSolid;
};

// Rapids dotted (unless hidden), feed moves at or above the rapid feedrate dash-dot, every other
// move (arcs included) solid.
PathPen path_pen(int motion, double feedrate, double rapid_feedrate, bool hidden_rapid);

// ---- One move ----

// Moves are the run's platform::PathSegment records as they arrive: each carries its feedrate and
// the tool that made it, so that drawing it again colours and lowers it alike.

struct PathOptions {
    double origin_x = 0, origin_y = 0;  // grid origin: view coordinates are relative to it
    double move_pitch = 1.0;            // PITCH(MOVE): arc segment length
    double rapid_feedrate = kRapidFeedrateNone;
    bool construction_points = false;
    bool per_tool = false;              // colour the path by the tool's pen
};

// Largest number of arc segments drawn for one arc: far more than a screen can resolve, and it
// keeps a tiny move pitch from turning one block into millions of points.
constexpr int kMaxArcSegments = 20000;

// n = max(3, ceil(arc length / move pitch)), at most kMaxArcSegments.
int arc_segments(double arc_length, double move_pitch);

// The model points of a move relative to the grid origin, tool length applied for a tool-tip
// path: two for a line, n + 1 for an arc (the last exactly the end point). Empty when the move
// holds non-finite numbers.
// The second form reuses `points`.
std::vector<Vec3> path_points(const platform::PathSegment& move, const PathOptions& options);
void path_points(const platform::PathSegment& move, const PathOptions& options, std::vector<Vec3>& points);

// Work space of drawing moves, reused from move to move: redrawing two million kept moves must
// not allocate for each.
struct PathBuffers {
    std::vector<Vec3> points;
    std::vector<std::int32_t> xy;
};

// Draws the move: its polyline in the move's pen and, when asked, a 3 x 3 pixel outline at its
// end. Nothing for a hidden rapid.
void draw_path_move(const ViewState& view, const platform::PathSegment& move, const PathColours& colours,
                    const PathOptions& options, const PolygonSink& sink, PathBuffers& buffers);
void draw_path_move(const ViewState& view, const platform::PathSegment& move, const PathColours& colours,
                    const PathOptions& options, const PolygonSink& sink);

// ---- The moves drawn so far ----

// Moves kept for drawing again; beyond the capacity the oldest half is dropped, so a long program
// keeps its latest moves without unbounded memory.
constexpr std::size_t kPathListCapacity = 2'000'000;

struct PathList {
    std::vector<platform::PathSegment> moves;
    std::size_t capacity = kPathListCapacity;
};

void clear_paths(PathList& list);
void add_path(PathList& list, const platform::PathSegment& move);

// Every kept move in order, with the same options.
void draw_paths(const ViewState& view, const PathList& list, const PathColours& colours, const PathOptions& options,
                const PolygonSink& sink);

}  // namespace vx::view
