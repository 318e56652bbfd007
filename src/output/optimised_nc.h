// The optimised NC program written while a run cuts: every piece the cutting step finishes gets
// its feed from the tool's removal tables (or the air-cut rule), pieces of one block with equal
// state merge into one output move, and only what changed is written. Air cuts may become
// escapes: retract above the material along the path, traverse, and come back by rapid to 2 mm
// above the next height and a feed. The writer produces text into a buffer its owner drains, so
// that the same code serves the file, the tests and any other sink.
//
// Also here: the number formats of the controller's decimal-point modes, the file names of the
// outputs of a run (FIXED / AUTO), and the point-list program.
#pragma once

#include "base/vec3.h"
#include "sim/tool_records.h"
#include "sim/workgrid.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vx::output {

// ---- Options ----

constexpr int kCutKeep = 0, kCutOptimise = 1, kCutEscape = 2;                   // OPT-CUT
constexpr int kAirKeep = 0, kAirEscape = 1, kAirMaxOptimised = 2, kAirMaxMachine = 3;  // OPT-AIRCUT

struct OptimiseOptions {
    int cut = kCutOptimise;
    int air = kAirEscape;
    double escape_height = 3.0;  // above the highest material along an escape (mm)
    bool lathe = false;          // MACHINE TYPE LATHE: X is written as a diameter
};

// ---- Numbers ----

// How the controller reads coordinates: counts of 1/unit mm, and its DECIMAL POINT mode.
struct NumberFormat {
    int unit = 1000;
    int decimal_point = 0;  // 0 NO, 1 YES, 2 other, 3 NORMAL
};

// value x unit rounded half away from zero.
std::int64_t to_count(double value, int unit);

// A word of `count` counts: "X12345" in modes 0 and 2; in modes 1 and 3 the value with as few
// decimals as the unit allows without losing a digit, at least one ("X12.34", "X0.0").
void append_word(std::string& out, char letter, std::int64_t count, const NumberFormat& format);

// ---- Feeds ----

// A feed of a table: F(i) for the first threshold L(i) that `removal` exceeds, F(n) when it
// exceeds none.
double table_feed(const sim::FeedSet& set, double removal);

// The largest feed of a table: the tool's highest optimised feed.
double highest_table_feed(const sim::FeedSet& set);

// What the cutting step reports for one piece and where it took the tool.
struct Piece {
    int motion = 1;    // 0 rapid, 1 linear, 2 CW, 3 CCW, 132 spline (written as a line)
    int plane = 17;    // of an arc
    Vec3 end;          // control point at the end of the piece, workpiece coordinates
    Vec3 centre;       // of an arc
    double programmed_feed = 0;  // mm/min
    bool cutting = false;        // material was removed or the tool came within reach of it
    int cut_type = -1;           // 0 general, 1 vertical, 2 up-cut, 3 down-cut, -1 none
    double removal = 0;          // removed volume per mm of travel (mm²)
    double moment = 0;           // removed moment per mm of travel
    bool new_block = false;      // the first piece of a move
    std::int32_t line = 0;
    int number = 1;              // within its move, 1..n
    std::int32_t tool = 0;
};

constexpr double kRapidFeed = -1.0;  // the feed of a rapid piece: written as G00 without F

struct PieceFeed {
    bool escape = false;
    double feed = kRapidFeed;  // whole mm/min, or kRapidFeed
};

// The machine's limits the feed rules read.
struct FeedLimits {
    std::array<double, 3> max_feed{10000.0, 10000.0, 10000.0};  // MAXIMUM FEEDRATE X, Y, Z
};

// The feed of a piece by OPT-CUT and OPT-AIRCUT; table feeds are held to the machine's highest
// feedrate.
PieceFeed piece_feed(const Piece& piece, const OptimiseOptions& options, const sim::FeedOptRecord& tables,
                     const FeedLimits& limits);

// ---- Removal per piece ----

// The kernel lowers a grid column only when the tool has travelled a pitch, so with steps shorter
// than the pitch a step's own volume alternates between a column and nothing, and its feed would
// flip with it. V is therefore taken over the last pitch of travel (at least the step itself):
// the removed volume over the length travelled. A piece that cut without lowering a cell keeps
// the cut type of the cut it belongs to.
constexpr int kRemovalWindow = 64;  // steps remembered: a pitch of 64 steps is finer than needed

struct RemovalWindow {
    double pitch = 1.0;  // grid pitch (mm)
    std::array<double, kRemovalWindow> volume{}, moment{}, length{};
    int newest = -1, filled = 0;
    int cut_type = -1;   // of the cut going on, -1 after air
};

struct Removal {
    double area = 0, moment = 0;  // per mm of travel
    int cut_type = -1;
};

// Adds a step (its volume and moment per mm of travel, its length, its direction, whether it
// cut) and returns the values of the piece.
Removal add_step(RemovalWindow& window, double area, double moment, double length, int direction, bool cutting);

// ---- The writer ----

// The material an escape must clear: the workpiece's heights within `radius` of its path.
struct Clearance {
    const sim::Workpiece* workpiece = nullptr;  // null: no material anywhere
    double radius = 0;                          // the tool's widest radius plus a cell
    double tool_shift = 0;                      // control point above the tool tip
};

// The highest material within `radius` of the segment a-b (XY), or the workpiece's bottom when
// none lies there; -infinity without a workpiece.
double highest_along(const sim::Workpiece& workpiece, double ax, double ay, double bx, double by, double radius);

struct OptNcWriter {
    OptimiseOptions options;
    NumberFormat format;
    char start_code = ' ';  // blank: no start-code lines
    Clearance clearance;
    std::string text;       // written text not yet taken by the owner
    std::string line;       // the block being written; its capacity is reused

    // What the output has last written.
    std::array<std::int64_t, 3> last{};
    int last_motion = -1;
    int last_plane = -1;
    std::int64_t last_feed = -1;
    bool retracted = false;  // an escape left the tool above its end point

    // The pending output move.
    struct Pending {
        bool open = false;
        bool escape = false;
        int motion = 1;
        int plane = 17;
        Vec3 start, end, centre;
        double feed = kRapidFeed;
        double programmed_feed = 0;
        std::int32_t first_line = 0, last_line = 0;
    } pending;
    Vec3 position;  // where the original program has the tool: the end of the last piece
};

// Run start: the start-code line and "G92X..Y..Z.." with the start position.
void begin_output(OptNcWriter& w, const Vec3& start);

// One finished piece with its chosen feed.
void add_piece(OptNcWriter& w, const Piece& piece, const PieceFeed& feed);

// The program set its position (G92): the pending move is written, then "G92X..Y..Z..".
void set_position(OptNcWriter& w, const Vec3& position);

// Run end: the pending move and the start-code line.
void end_output(OptNcWriter& w);

// Escapes shorter than this in X and Y that stay on one NC line are written as the feed move they
// replace: coming back alone feeds 2 mm (the re-entry), so a shorter traverse cannot be faster.
constexpr double kEscapeMinTravel = 2.0;

// ---- File names ----

// FIXED gives `fixed_name`; AUTO the title of `nc_path` (no folder) with everything behind its
// first "." replaced by `suffix`, or "." and the suffix appended when it has no ".".
std::string output_name(const std::string& nc_path, bool auto_name, std::string_view fixed_name,
                        std::string_view suffix);

// ---- Point-list program ----

struct PickedPoint {
    float x = 0, y = 0, z = 0;
    bool joined = false;  // joined to the next point by a feed move
};

constexpr std::size_t kMaxPickedPoints = 9999;

// The approach-and-plunge program of picked points (counts truncated, no decimal point).
std::string point_list_program(const std::vector<PickedPoint>& points, double start_height, int unit,
                               char start_code);

}  // namespace vx::output
