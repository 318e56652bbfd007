// The simulation run: takes the selected NC program block by block through the interpreter, cuts
// every move into the workpiece, plays the machining sounds, refreshes the view and ends with one
// result message. A run lives on the calling (GUI) thread inside the command that started it; it
// can stop part-way and stay suspended with all its state, and the next run command, the key G,
// the suspension timer or a sync partner continues it.
//
// A RunContext links the records a run works on and holds the run's own state; tests build their
// own, the program has one (in its App). The window is reached only through the platform
// layer (keys, sounds, refreshes, title, timers), so the same run serves the desktop and the
// unattended batch. Modules that come later (sync, optimised NC writer, editor link) plug in
// through RunHooks; unset hooks do nothing.
#pragma once

#include "nc/ctl.h"
#include "nc/interp.h"
#include "nc/motion.h"
#include "nc/mtl.h"
#include "nc/reader.h"
#include "nc/subprograms.h"
#include "shell/commands.h"
#include "shell/settings.h"
#include "sim/checks.h"
#include "sim/cutting_step.h"
#include "sim/interference.h"
#include "sim/kernel.h"
#include "sim/tools.h"
#include "sim/workgrid.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vx::integration {
struct Plugins;
}

namespace vx::shell {

// ---- Run modes, sound states, results ----

constexpr int kModeIdle = 0;
constexpr int kModeRealCut = 1;
constexpr int kModeSkipCut = 2;
constexpr int kModeCutShow = 3;
constexpr int kModeToolTipPath = 4;
constexpr int kModeCommandPath = 5;

// The cut sound state; 4 is also what the stop logic reads as "interfered".
constexpr int kSoundRapid = 0;
constexpr int kSoundCutting = 1;
constexpr int kSoundAir = 2;  // a feed move without contact
constexpr int kSoundInterference = 4;

// What run_command and the continuation calls return.
constexpr int kRunIgnored = 0;     // no NC program, a command that is not a run command, or a run is in progress
constexpr int kRunEnded = 1;       // the run ended (its end code tells how)
constexpr int kRunSuspended = 2;   // stopped at a block; the suspension timer is running
constexpr int kRunNotOpened = -1;  // the NC source could not be opened: nothing ran

constexpr int kSuspendTimer = 5;  // the window's timer id of the suspension
constexpr int kBatchLogLevel = 5;  // batch levels from here on log instead of showing boxes

enum class PauseReason { Stop, Interference, OffsetAlarm };

// ---- Findings ----

// One thing the run found that would go wrong on the machine, for the run summary.
struct Finding {
    std::string_view kind;  // kFindingAlarm, kFindingInterference, kFindingOverload, kFindingOffsetAlarm
    int code = 0;           // the end code it gives a run (100 + n for alarm n); 0 for an offset alarm
    int line = 0;           // NC line of the main program
    std::string text;       // the message
};

constexpr std::string_view kFindingAlarm = "alarm";
constexpr std::string_view kFindingInterference = "interference";
constexpr std::string_view kFindingOverload = "overload";
constexpr std::string_view kFindingOffsetAlarm = "offset alarm";
constexpr std::size_t kMaxFindings = 1000;  // listed; beyond, they are only counted

struct RunFindings {
    std::vector<Finding> list;  // the first kMaxFindings, in the order found
    std::int64_t count = 0;     // all of them
};

// ---- Run state ----

// The move being cut, read by the display and the cutting step.
struct MoveValues {
    Vec3 start, end;
    double length = 0;
    int steps = 0;  // N
    int step = 0;   // 1..N
    double dx = 0, dy = 0, dz = 0;  // per step
    Vec3 position;  // current tool position
};

struct RunState {
    int run_mode = kModeIdle;
    bool fast_run = false;
    bool optimise_run = false;
    bool suspended = false;
    bool stop_request = false;
    bool abort = false;
    int stop_mode = 0;  // 0 non-stop, 1 M00, 2 M00 and M01, 3 single block, 4 stop characters
    int cut_sound = kSoundCutting;
    int sound_loop = 0;  // the loop asked for last: 0 none, kSoundCutting, kSoundAir
    int end_code = 0;   // 0: the run ended without a result message
    bool continue_pending = false;
    // The check modes: the run menu sets the four modes, the start and every continuation of a
    // run take the rest from the settings; the kernel and the interference checks read them here.
    sim::Checks checks;
    bool rapid_paths_hidden = false;  // SHIFT was held at the start
    MoveValues move;

    bool running = false;       // inside the block loop: a command arriving through the pump is ignored
    bool batch_run = false;     // messages go to the log; no stop, pause or dialog
    PauseReason pause_reason = PauseReason::Stop;
    int wait_m = -1;            // the awaited wait M-code while continue_pending
    std::string wait_file;
    bool blink = false;         // blink phase of the suspension timer
    bool ticking = false;       // a tick is being handled
    bool escaped = false;       // the last run was ended with the escape key
    bool escape_exit = false;   // ... at batch level 5 or more: the process exits with -1
    int current_m = -1;         // last M word of the block just executed, taken once by the wait test
    bool interference_paused = false;  // a pause mode recorded an interference
    // One-shot flags of the modules that come later: the radius compensation's offset alarm
    // (a pause while CHECK RADIUS OFFSET has STOP) and the cutting step's stop flag.
    bool radius_offset_alarm = false;
    bool step_stop = false;
    int active_tool = -1;       // the interpreter's tool the run last made current
    bool interference_end = false;  // an interference in an abort mode or an overload ended the run
    sim::StepFlags flags;       // of the move that ended the run, for the end code
    sim::Overload overload;
    bool rapid_path_uncertain = false;  // the flagged move was a rapid under G00MODE UNKNOWN
    RunFindings findings;
    std::int64_t blocks = 0, moves = 0;  // of this run
    // Of a fast run: moves the whole-move step cut, and moves it handed back, sampled instead.
    std::int64_t whole_moves = 0, sampled_moves = 0;
    std::int64_t cells = 0;              // cells the cutting steps of this run examined
    sim::CellRange undrawn;              // cells lowered since the last view refresh
    std::int64_t total_lines = 0;        // of the NC file, for the progress
    std::int64_t started_ns = 0;         // steady clock at the start
    std::int64_t progress_ns = 0;        // ... at the last progress report
};

// Backup of the "C" key beside the workpiece's own copy of its layers.
struct RunBackup {
    bool taken = false;
    Vec3 position;
    std::int32_t tool = 0;
    std::int32_t pen = 0;
};

// ---- Hooks of later modules ----

// Every member may stay null.
struct RunHooks {
    void* context = nullptr;

    // Sync through shared memory. Mode 1: clear the shared block at the start; the handshake
    // before a block (3 stop here, 4 end the run, anything else go on); this instance's end
    // state at the end; the partner's release while suspended; the escape while suspended;
    // key G (true when the partner waits in state 3 and only this instance's byte was cleared).
    void (*sync_clear)(void* context) = nullptr;
    int (*sync_handshake)(void* context) = nullptr;
    void (*sync_finish)(void* context) = nullptr;
    bool (*sync_released)(void* context, int sync_mode) = nullptr;
    void (*sync_escape)(void* context) = nullptr;
    bool (*sync_go)(void* context) = nullptr;
    // Mode 2: the line and position before a block; the end state at the end of the run.
    void (*sync_publish)(void* context, int line, const Vec3& position) = nullptr;
    void (*sync_leave)(void* context, int end_code) = nullptr;

    // Optimised NC output: the dialog of the optimise command (false: cancelled; unset: OK),
    // the writer's start (0: it could not start, the run goes on without it), its steps, its end.
    bool (*optimise_dialog)(void* context) = nullptr;
    int (*optimise_begin)(void* context) = nullptr;
    sim::OptimiseSink optimise_sink;
    // The program set its position (G92): the control point it names, workpiece coordinates.
    void (*optimise_position)(void* context, const Vec3& position) = nullptr;
    void (*optimise_finish)(void* context, bool aborted, int end_code) = nullptr;

    // The editor's line link: the program's top as a run starts, the line where it stopped;
    // released when the run ends.
    void (*line_top)(void* context) = nullptr;
    void (*line_stopped)(void* context, int line) = nullptr;
    void (*close_line_link)(void* context) = nullptr;

    // A simulation module cuts the moves instead of the kernel, for one run only (installed by
    // its command, removed after it): each move to cut (false ends the run after it), and the
    // module's end, before the run's message (false: the module was refused and the workpiece
    // given back). Such a run never suspends.
    void* module_context = nullptr;
    bool (*module_cut)(void* context, const nc::MoveRecord& move) = nullptr;
    bool (*module_end)(void* context, bool aborted) = nullptr;
};

// ---- The context ----

struct RunContext {
    // The records the run works on (not owned; all must be set before a run).
    Settings* settings = nullptr;
    nc::Ctl* ctl = nullptr;
    const nc::Mtl* mtl = nullptr;
    sim::ToolTable* tools = nullptr;
    sim::CurrentTool* tool = nullptr;
    nc::Interp* interp = nullptr;
    nc::Reader* reader = nullptr;
    sim::Workpiece* workpiece = nullptr;
    sim::KernelContext* kernel = nullptr;
    nc::MachiningTime* time = nullptr;
    const integration::Plugins* plugins = nullptr;  // NC-reader plug-ins; may stay null
    // The projection of the view that shows the run, read in place; null without one.
    const sim::ScreenProjection* projection = nullptr;

    // The run's own records.
    sim::SweepResult result;  // kept across the steps of a run: required values, bounds
    sim::LimitLog limit_log;
    sim::InterferenceList interference;
    sim::FilePtr needed_file;  // the needed-value file of the compute modes
    std::string needed_path;
    RunBackup backup;
    nc::ProgramLibrary programs;  // where the program's subprogram calls find their programs

    // The selection and the process.
    std::string nc_path;         // empty: no NC program selected
    std::string workpiece_file;  // the loaded workpiece file, for the title; empty: none
    std::string work_dir;        // working folder with a trailing "/": lists, logs, wait files
    Vec3 start_point;          // the control point the interpreter starts from
    int batch_level = 0;         // 5 and more: a batch run that logs
    bool minimised = false;      // started minimised
    bool no_dialogs = false;     // the command line's "n" suffix
    bool sound = false;          // sound output (menu)
    bool progress_display = true;
    bool pump_messages = true;   // message pumping during long work
    bool paint = false;          // the controller's paint code is switched on
    bool paint_marks_shown = true;  // the view shows paint marks: an interference entry repaints it
    int display_skip = 1;        // display thinning step, for the title
    std::int32_t watched_cell = -1;

    RunHooks hooks;
    RunState state;
};

// The start values from the settings and the controller: stop mode (STOP OPTION), check modes,
// sound and progress display. Called once the records are linked and again after a reload.
void prepare_run_context(RunContext& ctx);

// ---- Entry points ----

// Whether `command` is one of the run commands below.
bool is_run_command(int command);

// The run commands 32774..32778, 32831, 32881, 32882: starts a run, or continues the suspended
// one in the command's mode. Returns when the run ends or suspends (kRun... codes).
int run_command(RunContext& ctx, int command);

// The stop-mode commands 32853..32857: 1 when taken.
int set_stop_mode(RunContext& ctx, int command);

// The suspension timer's interval: 500 ms, 100 ms while an automatic continuation is awaited,
// 0 in sync mode 2.
int suspend_interval_ms(const RunContext& ctx);

// One tick of the suspension timer. Returns the run command to post when the run may go on (the
// wait file was deleted, the sync partner released it), else 0.
int run_tick(RunContext& ctx);

// Key G while suspended without a pending continuation: the run command to post, or 0.
int run_key_go(RunContext& ctx);

// The escape key while suspended without a pending continuation: ends the run (1), or 0 when
// there is nothing to end.
int run_key_escape(RunContext& ctx);

// Keys C (without CTRL) and B: restore the backup of the last run start, take one now. 1 when
// done; 0 without a backup layer, without a backup (restore) or during a run.
int restore_run_backup(RunContext& ctx);
int take_run_backup(RunContext& ctx);

// ---- Pieces with their own tests ----

// The path of the needed-value file of the check modes, or empty when no compute mode is on.
std::string needed_value_path(const Settings& settings, const sim::Checks& checks, const std::string& nc_path,
                              const std::string& work_dir);

// The main window's title for the current selection and run state.
std::string run_title(const RunContext& ctx);
void rebuild_title(RunContext& ctx);

}  // namespace vx::shell
