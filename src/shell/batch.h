// The unattended start: the command line turned into the ordered steps that load, select, run,
// report, save and quit, so that the executor is a short loop over data; the exit code of a
// batch; and the time-stamped line that every batch run writes to "vornex.log".
#pragma once

#include "shell/command_line.h"

#include <ctime>
#include <string>
#include <string_view>
#include <vector>

namespace vx::shell {

// ---- The plan ----
enum class StepKind {
    Command,  // send `command` with `parameter`, non-interactively (file names from `path`)
    LogOpen,  // open "vornex.log" in the log directory: messages go there from now on
    LogEnd,   // end the log with an empty line and close it
    Quit,     // end the program
};

struct BatchStep {
    StepKind kind = StepKind::Command;
    int command = 0;
    int parameter = 0;
    std::string path;             // the file of a load, a select, a save or a merge
    std::vector<double> values;   // swing (a, b, angle); the operation's numbers
    // When set and the step failed (a load that did not load), the batch ends here: the
    // executor skips to the plan's LogEnd and Quit steps, if it has any.
    bool end_on_failure = false;
    // When set and the step left an interpreter alarm (a selection at level 5 or more before
    // a report), the batch ends here the same way.
    bool end_on_alarm = false;
};

struct BatchPlan {
    std::vector<BatchStep> steps;
    bool headless = false;   // the plan ends with Quit: no window is opened
    bool minimised = false;  // started minimised: dialogs suppressed, settings not written back
    // A run or a report was asked for but there is no NC file: a failure for the exit code.
    bool missing_nc = false;
    std::vector<std::string> notes;  // what was dropped and why, for stderr and the log
};

BatchPlan plan_batch(const CommandLine& cl);

// ---- Exit code ----
constexpr int kExitNormal = 0;
constexpr int kExitEscaped = -1;  // a run at batch level 5 or more ended with the escape key
constexpr int kExitFailed = 1;    // a load or save failed, or the NC file was missing
constexpr int kExitFindings = 3;  // --fail-on-findings: the run found something

struct BatchOutcome {
    bool escaped = false;  // a run was ended with the escape key
    bool failed = false;   // a step failed, or the plan was missing its NC file
};

int batch_exit_code(int batch_level, const BatchOutcome& outcome);

// ---- The batch log ----

// "YYYY/MM/DD hh:mm:ss：path" (full-width colon) for the local time `local`, without a line end.
std::string batch_log_line(const std::tm& local, std::string_view nc_path);

// "vornex.log" in the log directory; an empty directory is the current one.
std::string batch_log_path(const std::string& log_dir, const std::string& current_dir);

// Opens the log for appending (creating a missing directory); false, silently, when it cannot.
bool open_batch_log(const std::string& log_dir, const std::string& current_dir);

// Appends the line for `nc_path` at time `now` followed by `tail` ("\n", or a message that
// belongs on the same line). Nothing happens while the log is not open.
void write_batch_log_line(std::string_view nc_path, std::time_t now, std::string_view tail = "\n");
void write_batch_log_line(std::string_view nc_path, std::string_view tail = "\n");  // now

void end_batch_log();

}  // namespace vx::shell
