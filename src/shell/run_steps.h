// The steps of a run that run.cpp drives and the other run_*.cpp files implement: cutting one
// move, the sounds, the end of a run with its files and message, and the suspension. Internal to
// the run.
#pragma once

#include "shell/run.h"

namespace vx::shell::run {

// ---- Shared helpers (run.cpp) ----

constexpr std::string_view kTextOffsetAlarm = "OFFSET ALARM";  // the pause's status, the batch log's line

// The sync mode in effect: the setting's while the sync module serves it (its hooks are
// installed), else 0, so that a SYNC MODE this build cannot serve leaves the keys working.
int sync_mode(const RunContext& ctx);
bool cutting_mode(int run_mode);  // 1 to 3
double move_step(const RunContext& ctx);  // PITCH(MOVE), or its AUTO value at the work pitch
// How the run selects a tool: for cutting at the work pitch, with the menu's arbor check and the
// mounted attachment, converted into `head` (which must outlive the selection).
sim::ProfileOptions tool_options(const RunContext& ctx, sim::Attachment& head);
// The escape key is down in the foreground window (in any sync mode).
bool escape_held(const RunContext& ctx);
// The escape key is down in the foreground window outside the sync modes.
bool escape_pressed(const RunContext& ctx);
// The block an interference entry names: the interpreter's line and the reader's block text.
sim::BlockRef block_ref(const RunContext& ctx);
// The command that continues the run in its current mode.
int continue_command(const RunContext& ctx);
// A finding for the run summary (findings beyond kMaxFindings are only counted).
void note_finding(RunContext& ctx, std::string_view kind, int code, int line, std::string text);
// Progress through the platform, at most every 100 ms unless `force`.
void report_progress(RunContext& ctx, bool force);

// ---- Moves (run_move.cpp) ----

// Cuts, draws or skips the interpreter's current move (steps 12 to 15). False when the run must
// end after it (escape, an interference in an abort mode, an overload).
bool cut_move(RunContext& ctx);

// The cut sound state and the machining sounds; `above` for a move that stays above the
// workpiece (its air sound starts only when it comes from cutting).
void set_cut_sound(RunContext& ctx, int state, bool above);

// ---- End of a run (run_end.cpp) ----

// Creates the needed-value file of a run start: 1, or 0 when none is due or it cannot be created
// ("Write protect" shown).
int open_needed_file(RunContext& ctx);

// The current tool's requirement line into the needed-value file (not in a fast run).
void write_needed_line(RunContext& ctx, bool aborted, int end_code);

// Ends the run (end of program, end of data, alarm, abort): kRunEnded.
int end_run(RunContext& ctx);

// ---- Suspension (run_suspend.cpp) ----

// Suspends the run at the block the stop path read: kRunSuspended.
int suspend(RunContext& ctx);

// Creates the empty wait file of wait M-code `m` when the controller lists it: true when the
// run must wait for its deletion.
bool start_wait(RunContext& ctx, int m);

// Takes the workpiece backup with the tool state; 1 when taken.
int take_backup_now(RunContext& ctx);

}  // namespace vx::shell::run
