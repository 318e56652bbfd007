// Motion geometry and machining time: arcs completed from their centre words or radius and
// checked against the controller's tolerance, the paths that rapids take under the controller's
// G00 mode, and the time of a program from the machine's rates and accelerations.
#pragma once

#include "base/constants.h"
#include "nc/ctl.h"
#include "nc/move.h"
#include "nc/mtl.h"

#include <array>
#include <cstdint>
#include <vector>

namespace vx::nc {

// ---- Arc geometry ----

// Fills the arc part of `move` (centre, radii, directions, sweep, length) from its start and
// end, the plane in `move.plane` and the motion type (2 CW, 3 CCW). `centre` is the centre in
// workpiece coordinates (from I/J/K). Returns 1, or 0 when the radii differ by `r_tolerance` or
// more (the caller raises alarm 1).
int arc_from_centre(MoveRecord& move, const Vec3& centre, double r_tolerance);

// The same with a radius word: positive R the arc of at most half a circle, negative the rest.
int arc_from_radius(MoveRecord& move, double r, double r_tolerance);

// The sweep and length of an arc whose centre, radii and directions are set.
void complete_sweep(MoveRecord& move);

// The path length of a move: straight distance, or for an arc sqrt(dn^2 + L^2) with dn the
// travel of the normal axis.
double move_length(const MoveRecord& move);

// ---- Rapid paths ----

constexpr int kMaxRapidPoints = 256;  // samples of an ASYNC2 rapid: beyond, the sampling coarsens
constexpr int kG00Line = 0, kG00Async1 = 1, kG00Async2 = 2, kG00Unknown = 9;

struct RapidPath {
    int count = 0;  // 0: the rapid is a straight line
    std::array<Vec3, kMaxRapidPoints> points{};  // the last is the end point
};

// Looks the workpiece up in the rectangle between two plane points at height `z`: 1 with the
// point to pass through, 0 when none (the UNKNOWN mode then covers both L-shaped paths).
struct HeightLookup {
    void* context = nullptr;
    int (*find)(void* context, double x0, double y0, double x1, double y1, double z, Vec3& point) = nullptr;
};

// The intermediate points of a rapid from `start` to `end` under G00 mode `mode`; `pitch` is the
// move pitch of the display (ASYNC2 sampling).
void rapid_path(int mode, const Vec3& start, const Vec3& end, const Mtl& mtl, double pitch,
                const HeightLookup& lookup, RapidPath& path);

// ---- Move time ----

constexpr double kGravity = 9800.0;  // mm/s^2 of 1 G
constexpr double kSlowest = 10.0;    // mm/s taken for every zero speed

// Seconds to travel `distance` entering at `entry`, cruising at `cruise`, leaving at `exit`
// (mm/s) under `acceleration` in G.
double move_time(double distance, double entry, double cruise, double exit, double acceleration);

// ---- Machining time ----

struct ToolTime {
    int tool = 0;
    double time = 0;    // s
    double length = 0;  // mm
    double cutting_length = 0;
    double cutting_time = 0;  // s of feeds below RAPID FEEDRATE and of dwells while feeding
};

// A tool of the list that moved or waited: the tool in the spindle at the start is listed first
// even when the program changes it before any move.
inline bool tool_used(const ToolTime& t) { return t.time > 0 || t.length > 0; }

// An open run of smoothly joined feed moves, timed when it closes.
struct FeedRun {
    bool open = false;
    int moves = 0;
    bool single_linear = false;
    Vec3 vector;  // of the single linear move
    double length = 0;
    double feed = 0;   // mm/min
    double entry = 0;  // mm/min
    Vec3 last_direction;
    bool has_direction = false;
};

struct MachiningTime {
    double rapid_feedrate = kRapidFeedrateNone;  // the settings' RAPID FEEDRATE: at or above is rapid-class
    double feed_time = 0, rapid_time = 0;
    double cutting_time = 0, rapid_class_time = 0;
    double cutting_length = 0, rapid_class_length = 0, feed_length = 0, rapid_length = 0;
    double max_feed = 0, max_cutting_feed = 0, min_feed = 0;
    std::vector<ToolTime> tools;  // in the order the tools appear
    int tool_slot = -1;           // of the current tool
    FeedRun run;
};

// A feed at or above the settings' RAPID FEEDRATE counts as rapid-class (0 or less: none does).
bool rapid_class_feed(double rapid_feedrate, double feed);

// Clears every total; `rapid_feedrate` is the settings' value (0 or less: no feed is rapid-class).
void reset_time(MachiningTime& t, double rapid_feedrate);

// The tool whose time the next moves add to.
void set_time_tool(MachiningTime& t, int tool);

void add_rapid_move(MachiningTime& t, const Mtl& mtl, const MoveRecord& move);
void add_feed_move(MachiningTime& t, const Mtl& mtl, const Ctl& ctl, const MoveRecord& move, double feed);
void add_dwell(MachiningTime& t, const Mtl& mtl, double seconds, bool rapid_mode);
// A tool becomes active: the open run closes, the tool change time is added and `tool` becomes
// the tool of the following moves.
void add_tool_change(MachiningTime& t, const Mtl& mtl, int tool);
void close_time(MachiningTime& t, const Mtl& mtl);  // end of the program

// Rapid or feed by the move's motion type.
void add_move(MachiningTime& t, const Mtl& mtl, const Ctl& ctl, const MoveRecord& move);

}  // namespace vx::nc
