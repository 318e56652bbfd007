// What the run loop does around each kernel call of a move: how many steps a move takes and where
// each step puts the tool along the move's path, the cutting load against the tool's limits
// (overload record and the "limitp.txt" / "limitsp.txt" logs), the values handed to the
// optimised-NC writer, and the per-tool requirement line of the check modes that compute required
// lengths.
//
// Everything here works on records the caller owns; no global state. Files are opened in the
// folder the caller names and written with the "C" locale's numbers whatever the user's locale.
#pragma once

#include "base/vec3.h"
#include "sim/checks.h"
#include "sim/kernel.h"
#include "sim/tools.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

namespace vx::sim {

// ---- Numbers in files ----

// printf's "%W.Df" without the locale: D decimals, padded with blanks to at least W characters.
std::string fixed_text(double value, int decimals = 6, int width = 0);

// Closes a C file when its owner goes away, so that an abandoned run never leaks a handle.
struct FileCloser {
    void operator()(std::FILE* file) const;
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// ---- Step count and sampling ----

// Steps of a move in a normal run: ceil(length / move pitch), at least 1. A move pitch that is 0,
// negative or not finite gives one step.
int step_count(double length, double move_pitch);

// Steps when a fast run samples a move: trunc(length / move pitch + 0.99), at least 1.
int sampled_step_count(double length, double move_pitch);

// Length of one step: length / n (n below 1 counts as 1).
double step_length(double length, int n);

// The path of one move as the steps follow it, filled once per move by the caller.
struct MovePath {
    int motion = kMotionLinear;  // kMotion...: arcs turn, everything else is a line
    Vec3 start, end;             // tool tip, workpiece coordinates
    // Arcs only.
    Vec3 centre;
    Vec3 start_direction;  // unit vector in the plane from the centre towards the start
    double start_radius = 0, end_radius = 0;
    double sweep = 0;  // radians, 0 < sweep <= 2 pi
    struct Plane {
        int first = 0, second = 1, normal = 2;  // axis indices (0 X, 1 Y, 2 Z)
    } plane;
};

// Tool position of step k (1..n) of the move: along the line for rapids and linear moves; along
// the arc for arcs (angle k/n of the sweep, radius from the start to the end radius, the plane's
// normal axis linear). Step n is the end point exactly; k is clamped to 0..n.
Vec3 step_position(const MovePath& move, int k, int n);

// ---- Load ----

// Removed volume and moment per mm of travel.
struct EngagedValues {
    double area = 0;    // mm²
    double moment = 0;
};

// volume / step length and moment / step length; both 0 for a step that did not advance (a step
// length of 0 or less), which has no load to compare.
EngagedValues engaged_values(double volume, double moment, double step_length);

// The first overload of a run (kinds 1 and 2): the run loop ends the run with alarm code 7.
struct Overload {
    bool recorded = false;
    std::int32_t tool = 0;
    Vec3 position;
    int step_direction = kStepGeneral;
};

// The logs of the kinds that only record (11 "limitp.txt", 12 "limitsp.txt") for one run. Each
// file is created (mode "w") when its first line of the run is written; a file that cannot be
// created is skipped for the rest of the run.
struct LimitLog {
    std::string folder;                 // where the files go, with a trailing "/" (or empty)
    std::array<FilePtr, 2> files;       // by kind: 11, 12
    std::array<bool, 2> failed{};
    std::array<std::int32_t, 2> records{};  // over-limit lines written in this run
};

std::string_view limit_log_name(int kind);  // "limitp.txt", "limitsp.txt", empty for other kinds

// Run start: forgets the previous run's files and counters.
void begin_limit_log(LimitLog& log, std::string folder);
// Run end: closes the files; the counters stay for the caller to decide whether to show them.
void close_limit_log(LimitLog& log);

// The tool-change line "T%02d\n" into the log of the tool's limit kind (11 or 12); nothing for
// other kinds. 1 when written.
int write_limit_tool(LimitLog& log, const CurrentTool& tool);

// The values of one normal-run step that the load evaluation needs beside the kernel's result.
struct LoadStep {
    double step_length = 0;
    double feed = 0;          // mm/min
    Vec3 position;      // current tool position
    std::int32_t line = 0;    // NC line
};

constexpr int kLoadWithin = 0;    // not checked or within the limit
constexpr int kLoadOverload = 1;  // kinds 1 and 2 exceeded: the overload record is set
constexpr int kLoadLogged = 2;    // kinds 11 and 12 exceeded: a line went to the log (if writable)

// Compares the step's engaged area (LIMIT kinds 1, 11) or removal rate feed x area / 60 (LIMITS
// kinds 2, 12) with the tool's limit for the step direction (no direction counts as general); a
// limit of 0 or less is not checked.
int evaluate_load(const CurrentTool& tool, const SweepResult& result, const LoadStep& step, Overload& overload,
                  LimitLog& log);

// The log line of an exceeding step: "%d:X%fY%fZ%f:%f" and "(V)\n", "(U)\n", "(D)\n" or "(A)\n".
std::string limit_line(std::int32_t line, const Vec3& position, double value, int step_direction);

// ---- Optimisation hand-over ----

struct OptimiseStep {
    double engaged_area = 0;
    double engaged_moment = 0;
    int step_direction = kStepNone;
    int cutting = 0;  // 1 when a cell was lowered or the rapid state is positive, else 0 (air)
};

// Where the optimised-NC writer takes the steps; unset, the hand-over does nothing.
struct OptimiseSink {
    void* context = nullptr;
    void (*step)(void* context, const OptimiseStep& step) = nullptr;
};

OptimiseStep optimise_step(const SweepResult& result, double step_length);
void hand_over_step(const OptimiseSink& sink, const SweepResult& result, double step_length);

// ---- Requirement report ----

// How the run ended when the line is written at its end; at a tool change nothing stopped.
struct RunStop {
    bool aborted = false;  // the run was ended (the user, an alarm, an interference)
    std::int32_t end_code = 0;
};

// The required protrusion as the line prints it (before the 1 mm margin): with a holder or an
// attachment, LENGTH TYPE 1 raises it to Lu + L3 (kind 2) or Lu + the neck height at rn (kind 3),
// LENGTH TYPE 4 to Lu; types 2 and 3 and the other length kinds keep it.
double reported_protrusion(const Profile& profile, const RequiredValues& required, int length_type);

// The tool's line without its line end, in the current language: the values of the checks in
// their compute modes, the protrusion as the checks' LENGTH TYPE reports it.
std::string requirement_line(const CurrentTool& tool, bool temporary_tool, const RequiredValues& required,
                             const Checks& checks, const RunStop& stop);

// Writes the line and "\n" into `file` (skipped when null) while a compute mode is on, then sets
// the required values back to 0 (also when the file is missing, so that the next tool starts
// clean). 1 when a line was due, 0 when no compute mode is on.
int write_requirement_line(std::FILE* file, const CurrentTool& tool, bool temporary_tool, RequiredValues& required,
                           const Checks& checks, const RunStop& stop);

}  // namespace vx::sim
