// Interference checks: what a step's flags mean (kinds and alarm codes), whether a flagged step
// stops or pauses the run under its check modes (checks.h), the alarm messages and how they are
// shown, and the two interference lists ("interference.txt", or "interference2.txt" when that file
// already exists in the working folder at the first entry of a run).
//
// Run control calls, after each step: step_flags (from the kernel's result), must_stop, and
// collect_pause; after the move: write_interference_entry when an entry is pending; at the run's
// end: run_end_code and show_alarm, then end_interference_run.
#pragma once

#include "sim/checks.h"
#include "sim/cutting_step.h"
#include "sim/kernel.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace vx::sim {

// ---- Step flags ----

enum class SpindleEvent { None, Stopped, Low, Over };

// A step that cut while the spindle stood (direction 0 or speed 0) or ran outside the range.
SpindleEvent spindle_event(const Checks& checks, bool cut, int speed, int direction);

// What one step raised (or, merged, one move).
struct StepFlags {
    bool rapid = false;       // rapid interference: cut at rapid speed with the rapid check on
    bool rapid_move = false;  // ... by a rapid (else by a feed at the rapid feedrate)
    bool holder = false, length = false, chip = false, taper = false, attachment = false;
    SpindleEvent spindle = SpindleEvent::None;
};

StepFlags step_flags(const SweepResult& result, const Checks& checks, int motion, double feed,
                     SpindleEvent spindle);
void merge_flags(StepFlags& into, const StepFlags& step);
bool any_flag(const StepFlags& flags);

// Interference kinds, one bit each, in the order the list joins them.
constexpr unsigned kKindRapid = 1u << 0;       // "RAPID(G00)"
constexpr unsigned kKindArbor = 1u << 1;       // "ARBOR"
constexpr unsigned kKindLength = 1u << 2;      // "OVER LENGTH"
constexpr unsigned kKindChip = 1u << 3;        // "OVER CHIP"
constexpr unsigned kKindTaper = 1u << 4;       // "TAPER"
constexpr unsigned kKindTooFast = 1u << 5;     // "TOO FAST"
constexpr unsigned kKindAttachment = 1u << 6;  // "ATTATCHMENT"
constexpr unsigned kKindSpindle = 1u << 7;     // "SPINDLE"
constexpr unsigned kKindLowSpindle = 1u << 8;  // "LOW SPINDLE"
constexpr unsigned kKindOverSpindle = 1u << 9; // "OVER SPINDLE"
constexpr int kKindCount = 10;

unsigned step_kinds(const StepFlags& flags);  // every kind raised, whatever the modes
std::string kind_list(unsigned kinds);        // "ARBOR + OVER LENGTH"
int kind_alarm_code(unsigned kind);           // the alarm code of one kind bit, 0 for none

// ---- Stop, pause, end ----

// 1 when the run must end after this step (the abort modes), else 0.
int must_stop(const Checks& checks, const StepFlags& flags);

// The end code of a run that ended on an interference or an alarm: in the checks' abort modes
// taper 5, attachment 8, holder 2, length 3, chip 4, spindle 9 or 10; 100 + an interpreter alarm;
// otherwise 1 for a rapid under the aborting rapid check, else 7 after an overload, else 6.
int run_end_code(const Checks& checks, const StepFlags& flags, bool overloaded, int interpreter_alarm);
constexpr int kOverloadEndCode = 7;

// ---- Messages ----

// What the message of a code depends on beside the code.
struct AlarmDetail {
    bool rapid_path_uncertain = false;  // code 1: the controller's rapid path kind is UNKNOWN
    int step_direction = kStepGeneral;  // code 7
    bool spindle_low = false;           // code 10: below the range (else above)
};

// The message of codes 1 to 10 in the current language; empty for other codes.
std::string_view alarm_message(int code, const AlarmDetail& detail);

// A top-most box titled with the message over the NC file path, or, while the batch log is
// open, the log line "(line) - message". Nothing for a code without a message.
void show_alarm(int code, const AlarmDetail& detail, std::string_view nc_path, int line);

// ---- Interference lists ----

// Repaint and sound requests of a written entry; unset members do nothing.
struct InterferenceHooks {
    void* context = nullptr;
    void (*repaint)(void* context) = nullptr;
    void (*play_system_sound)(void* context, std::string_view name) = nullptr;
};

// The block an entry names.
struct BlockRef {
    bool in_subprogram = false;
    std::string_view subprogram;  // its name while a subprogram is executing
    std::int32_t line = 0;
    std::string_view text;        // written as given
};

// The lists of one run. The mode is chosen and the file created when the first entry is due;
// a file that cannot be created is skipped for the rest of the run.
struct InterferenceList {
    std::string folder;   // working folder, with a trailing "/" (or empty)
    std::string nc_name;  // NC file name and extension
    bool due = false;     // the first entry of the run has come
    bool second = false;  // "interference2.txt" is in use
    FilePtr file;         // the list in use, when it could be created
    unsigned pending = 0; // kinds of the entry to write after the move
    bool second_started = false;  // list 2: an entry is open
    std::int32_t second_line = 0;
    std::string second_subprogram;
};

std::string nc_file_name(std::string_view nc_path);  // name and extension, without the folder

void begin_interference_run(InterferenceList& list, std::string folder, std::string_view nc_path);
void end_interference_run(InterferenceList& list);  // closes the file

// The pause test: collects the kinds of the pause modes into the pending entry (and, with the
// second list, writes the step's line); true when the run must pause.
bool collect_pause(InterferenceList& list, const Checks& checks, const StepFlags& flags, const BlockRef& block);

// Writes the pending entry to "interference.txt" (nothing with the second list in use), clears
// the pending kinds, requests a repaint when the paint marks are shown and plays "SystemHand"
// when sound is on. 1 when an entry was pending.
int write_interference_entry(InterferenceList& list, const BlockRef& block, bool paint_marks_shown, bool sound,
                             const InterferenceHooks& hooks);

// The position record that run control appends to the second list after an interfering step:
// "%d/%d:X%fY%fZ%f\n". Nothing unless the second list is open.
void write_second_position(InterferenceList& list, int step, int steps, const Vec3& position);

}  // namespace vx::sim
