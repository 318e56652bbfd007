// The block interpreter: the controller's modal state, the words of each block applied to it and
// programmed coordinates turned into workpiece coordinates. Blocks that expand into several moves
// (reference returns, rapid paths, radius compensation of compensation.h, and through the hooks
// canned cycles) queue them; the pipeline (pipeline.h) hands them out one at a time.
//
// Coordinates: a programmed point is scaled (G51) about the scaling centre, rotated (G68, the
// later rotation first) about its centre, mirrored (G51.1), and then moved by the work offset,
// the local offset (G52), the G92 shift and, on machine Z, the length offset.
#pragma once

#include "nc/alarm_list.h"
#include "nc/compensation.h"
#include "nc/ctl.h"
#include "nc/motion.h"
#include "nc/move.h"
#include "nc/mtl.h"
#include "nc/no_effect.h"
#include "nc/reader.h"
#include "nc/words.h"

#include <array>
#include <string_view>
#include <vector>

namespace vx::nc {

// ---- Sizes and codes ----

constexpr int kQueueReserve = kMaxRapidPoints + 16;  // room made at reset: a sampled rapid, a reference return
constexpr int kUsedCodes = 200;                      // G and M numbers 0..199 the data check lists

constexpr int kEndRunning = 0, kEndRequested = 1, kEndEnded = 2;
constexpr int kPendingNone = 0, kPendingG49 = 1, kPendingTWord = 2;
constexpr int kMirrorOff = 501, kMirrorOn = 511;  // G50.1 and G51.1 as non-modal codes of a block

// ---- The words of one block ----

// Collected while the words are scanned; applied when the block is complete. The texts point
// into the reader's line and live as long as the block.
struct BlockWords {
    std::array<bool, 3> axis{};           // per machine axis
    std::array<double, 3> value{};        // as read (reversal applied)
    std::array<bool, 3> centre{};
    std::array<double, 3> centre_value{};
    std::array<std::string_view, 3> centre_text{};
    bool has_r = false;
    double r = 0;
    std::string_view r_text;
    bool has_p = false;
    std::string_view p_text;
    std::array<bool, 6> has_cycle_p{};     // HEIDENHAIN cycle parameters P01 to P05
    std::array<double, 6> cycle_p{};
    bool has_x = false;  // the letter X itself, for the dwell time
    std::string_view x_text;
    bool has_q = false;
    double q = 0;
    std::string_view q_text;
    bool has_l = false;
    int l = 0;
    bool has_t = false;
    int t = 0;
    bool has_d = false, has_h = false;
    int h = 0;                // OSP: the H number, taken once the whole block is read
    bool work_by_h = false;   // OSP G15/G16: the block's H number selects a work offset
    bool has_f = false;       // the F text: a feed or (OSP, in a G04 block) the dwell
    std::string_view f_text;
    int motion = -1;    // G00..G03 in the block
    int plane = 0;      // 17, 18, 19
    int distance = 0;   // 90, 91
    int units = 0;      // 20 inch, 21 metric
    int spline = 0;     // 6 (G06.2) or 132: a NURBS curve starts
    int work = -1;      // work offset index selected
    bool work_extended = false;  // G54.1: the index comes from P
    int length = -1;    // 43, 44, 49
    int radius = -1;    // 40, 41, 42
    int cycle = -1;     // 73, 74, 76, 80..89, or 80 for the cancelling codes
    int return_level = -1;
    bool m29 = false;   // rigid tapping
    bool cyl = false;   // OSP "N..CYL": the cycle in force does not run in this block
    int special = 0;    // the block's non-modal code: 4, 10, 27..30, 52, 92, 51, 50, 68, 69, kMirrorOn, kMirrorOff
    bool g53 = false;
    bool m06 = false;
    bool m02 = false;   // M02 or M30
    int call = -1;      // M98, M198 or M99 for the subprogram hook
    std::string_view call_name;  // M98 <name>: the file name between the angle brackets
    bool any_axis = false;
    bool lower_case = false;    // a lower-case letter outside comments, which reads as nothing
    bool comment_offered = false;  // the line went to the comment plug-in
    int last_m = -1;            // the value of the last M word the scan met, -1 for none
    bool last_m_exact = true;   // false when the scan skipped text or stopped early (pipeline.h)
    bool corner_arc = false;    // G39
    std::string_view text;      // the whole block as executed, with its line end
};

struct Interp;
struct ProgramLibrary;

// Levels the run must not stop inside: a positive counter executes the block without a stop.
// The cycle, macro and look-ahead counters belong to the modules that expand blocks.
struct Nesting {
    int cycle = 0;
    int subprogram = 0;  // open subprogram levels of the reader
    int macro = 0;
    int look_ahead = 0;
};

// ---- The tool table as the interpreter sees it ----

// A defined tool's sizes as the table gives them.
struct ToolSizes {
    float diameter = 0;
    float length = 0;  // its protrusion, else the height of its cutting edge
};

// Questions to the run's tool table. Without `sizes` the interpreter works without a table:
// every tool number from 0 on is taken, no tool has sizes, no name is known, the start tool is 0.
struct ToolLookup {
    const void* context = nullptr;
    // 1 with the sizes of tool `tool`, 0 when the table does not define it.
    int (*sizes)(const void* context, int tool, ToolSizes& sizes) = nullptr;
    // The number of the tool called `name` (SIEMENS T="name"), -1 when none is.
    int (*by_name)(const void* context, std::string_view name) = nullptr;
    // The table's current tool: where a run starts.
    int (*current)(const void* context) = nullptr;
};

// ---- A comment plug-in ----

// What a comment plug-in read from a line that holds a comment.
struct CommentFindings {
    bool has_tool = false, has_length = false, has_arbor = false;
    int tool = 0, arbor = 0;
    double length = 0;
};

// The plug-in that reads tools from comments (the shell links it): false when none is loaded.
// `line_number` is the NC line the block was read from.
struct CommentReader {
    const void* context = nullptr;
    bool (*offer)(const void* context, std::string_view line, int line_number, CommentFindings& found) = nullptr;
};

// ---- Hooks of the later modules ----

// Each returns -1 to hand the work back to the plain interpreter.
struct InterpHooks {
    void* context = nullptr;
    // Canned cycle mode with an axis word: queue the cycle's moves with push_move (1).
    int (*cycle)(void* context, Interp& in, const BlockWords& block) = nullptr;
    // M98, M198, M99: open or close a subprogram level of the reader.
    int (*subprogram)(void* context, Interp& in, const BlockWords& block) = nullptr;
    // Words of the dialects (OSP CALL, G15/G16, SIEMENS and HEIDENHAIN blocks) and letters the
    // default table does not know: 1 handled, 0 ignore the rest of the block.
    int (*dialect_word)(void* context, Interp& in, Word& word) = nullptr;
    // A tool became active: the run selects it in the tool table.
    void (*tool_change)(void* context, int tool) = nullptr;
};

// ---- The modal state ----

constexpr int kMaxSplineOrder = 10;

// One control point of the curve being read, workpiece coordinates.
struct SplinePoint {
    Vec3 point;
    double weight = 1;
};

// The curve being read: its order, control points and knots.
struct SplineState {
    bool active = false;
    bool knot_q = false;  // G132: the knot is the Q word
    bool points_done = false;
    int order = 4;
    std::vector<SplinePoint> points;
    std::vector<double> knots;
};


// The words of the canned cycle in force, kept from block to block while it is (program
// coordinates, millimetres; under G91 the levels as written, relative).
struct CycleWords {
    double bottom = 0;    // the normal-axis word
    double r_level = 0;   // R
    double peck = 0;      // Q
    double dwell = 0;     // P, seconds at the bottom
    double initial = 0;   // the normal-axis coordinate when the cycle began
    double retract = -1;  // OSP: the K word, the d of G73/G83; below 0 the controller's
    bool rigid_tap = false;  // M29 with S: the F word of G74/G84 is the thread pitch
};

// What the blocks leave for the blocks after them: the modal codes, offsets and transforms, feed,
// spindle and tool, and where the control point is. A run starts from start_state().
struct ModalState {
    int motion = kMotionRapid;
    int plane = 17;
    PlaneAxes axes;
    int plane_code = 17;  // the controller's code of the plane: negative swaps G02/G03
    bool incremental = false;
    int cycle = 80;
    CycleWords cycle_words;
    SplineState spline;
    int return_level = 1;
    int repeat = 1;
    int work_index = 1;
    Vec3 work_offset;
    Vec3 shift;                              // G92
    std::array<Vec3, kWorkOffsets> local{};  // G52, per work offset index
    int radius_side = 0;
    double radius_offset = 0;
    int d_number = 0;
    int length_sign = 0;
    double length_offset = 0;
    int h_number = 0;
    int pending_cancel = kPendingNone;
    bool inch = false;  // G20: the lengths of the words are inches
    bool scaling = false;
    Vec3 scale_centre;
    std::array<double, 3> scale_factor{1.0, 1.0, 1.0};
    std::array<bool, 3> mirror{};
    Vec3 mirror_at;
    int rotations = 0;
    std::array<RotationData, 2> rotation{};
    double feed = 0;
    int spindle_speed = 0;
    int spindle_direction = 0;
    int tool = 0;
    int preselected = 0;  // 0: none
    double comment_length = 0;  // a tool length the comment plug-in read, for the run to apply; 0 none
    bool g10 = false;     // the last block was a G10 of offset memory or work offsets
    int g10_l = 0, g10_p = 0;
    double dwell = 0;
    int reference = 0;  // 0 none, 1 G28/G30, 2 G29, 3 G27
    int reference_point = 1;
    bool g92_moved = false;  // MOVE mode: the first G92 of the run has placed the tool

    Vec3 programmed;  // last absolute programmed coordinates per machine axis, before scaling
    Vec3 position;    // the control point, workpiece coordinates
};

// The state a run starts in under `ctl`, with the control point at `start_point` and
// `start_tool` in the spindle.
ModalState start_state(const Ctl& ctl, const Vec3& start_point, int start_tool);

// ---- The interpreter context ----

struct Interp {
    // The run's records; `time` may be null and `tools` unset. `ctl` is written by G10 and the
    // automatic D and H loads.
    Ctl* ctl = nullptr;
    const Mtl* mtl = nullptr;
    ToolLookup tools;
    Reader* reader = nullptr;
    MachiningTime* time = nullptr;
    InterpHooks hooks;
    HeightLookup lookup;
    const ProgramLibrary* programs = nullptr;  // where subprogram calls look; none: every call is ignored
    CommentReader comments;
    double rapid_pitch = 1.0;  // mm, the display's move pitch: samples of an ASYNC2 rapid
    bool expand_pecks = true;  // false in the quick run modes: a peck cycle feeds once to the bottom

    ModalState modal;
    // Not part of the start state: a G29 before the run's first G28 or G30 goes by the point an
    // earlier run left.
    Vec3 intermediate;
    int end_state = kEndRunning;
    int line = 0;       // of the current block in its own source
    int main_line = 0;  // of the main program

    bool stop_held = false;  // a stop came before the reader's block: the pipeline executes it next
    MoveRecord move, previous;
    // The current block's moves; `handed` of them are out. Emptied once all are out, keeping its
    // capacity, so a run allocates only when a block queues more moves than any block before.
    std::vector<MoveRecord> queue;
    std::size_t handed = 0;
    RapidPath path;
    BlockWords block;
    Nesting nesting;
    Compensation comp;
    AlarmList alarm_list;  // its folder is set by the run or check that owns it

    std::array<bool, kUsedCodes> used_g{}, used_m{};
    std::vector<NoEffectCode> no_effect;  // in the order first met
};

// ---- Entry points ----

// Start of a run or data check: the start values of the modal state, the position at
// `start_point`, an empty queue, no held block, the reader's start state (line counters, alarm,
// start code). The reader's sources stay open.
void reset_interp(Interp& in, const Vec3& start_point);

// Interprets one block text (with or without its line end) as if the reader gave it; the moves
// it makes are queued. The pipeline's step, and for the hooks of the later modules and tests.
void execute_block_text(Interp& in, std::string_view block);

// Queues a move behind the current block's; the queue grows as needed, no move is dropped.
void push_move(Interp& in, const MoveRecord& move);

// ---- Coordinates ----

// The workpiece point of absolute programmed coordinates under the current scaling, rotation,
// mirror and offsets.
Vec3 workpiece_point(const Interp& in, const Vec3& programmed);

// The current work offset of index `index` for the controller's dialect.
Vec3 work_offset_of(const Ctl& ctl, int index);

// The machine axes of plane 17, 18 or 19 under the controller's axis mapping, and its code.
PlaneAxes plane_axes(const Ctl& ctl, int plane, int& code);

// ---- What the run control asks ----

int alarm_code(const Interp& in);
int end_state(const Interp& in);
// A stop is vetoed while the moves of one block are still being handed out or a look-ahead is
// in progress.
bool stop_allowed(const Interp& in);
Nesting nesting_counters(const Interp& in);  // with the reader's subprogram depth
bool nested(const Interp& in);               // any counter positive
int active_tool(const Interp& in);

}  // namespace vx::nc
