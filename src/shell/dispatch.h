// The one way a command reaches the program, from the batch today and from the window's menus,
// keys and dropped files: dispatch() finds the command in the table (commands.h), refuses it
// while its rule disables it or while a run that pumps events would have it change what the run
// works on, says so for commands whose module is not in this build, and runs its handler.
#pragma once

#include "shell/app.h"
#include "shell/commands.h"

#include <string>
#include <string_view>
#include <vector>

namespace vx::shell {

// What a non-interactive command takes instead of asking: the file of a load, a selection, a
// save or a merge, and the numbers of an operation. Without it the command asks the user.
struct CommandArgs {
    std::string path;
    std::vector<double> values;
};

// What dispatch() answers besides a handler's own status (1 done, 0 failed or cancelled; the run
// commands answer their kRun... codes).
constexpr int kCommandUnknown = -10;       // no such command
constexpr int kCommandDisabled = -11;      // its enable rule says no: nothing happens
constexpr int kCommandBusy = -12;          // refused while a run pumps events (the user is told)
constexpr int kCommandNotAvailable = -13;  // its module is not in this build (the user is told)

int dispatch(App& app, int id, int parameter = 0, const CommandArgs* args = nullptr);

// Whether a dispatch() answer means the command did its work (a run that ended or suspended
// counts; a refused or failed command does not).
bool command_done(int status);

// Tells the user that `command` (or the part of it named `what`) is not available in this
// build: kCommandNotAvailable.
int not_available(const Command& command, int id, std::string_view what = {});

// The window's part of command `id` (its dialog, which sends the values back to the command):
// its answer, or, without a window or when the window hands it back, not_available().
int open_dialog(App& app, int id, int parameter, std::string_view what = {});

}  // namespace vx::shell
