// The data check of an NC program as the shell runs it: an interpreter of its own linked to the
// app's controller (a copy: G10 blocks write into it), machine, tool table, subprograms and
// plug-ins, with the progress titled "Check Data" / "Check Min-Max". The selection runs it on
// every newly selected program (its results feed the report and the summary), the optimise run
// on the program it wrote.
#pragma once

#include "nc/data_check.h"

#include <string>

namespace vx::shell {

struct App;

constexpr int kCheckNotOpened = -1;  // the NC source could not be opened: nothing was checked

// Checks the NC program `path` into `check`: 1 when it ran to the end, 0 when an alarm stopped it
// (the alarm is in check.alarm), kCheckNotOpened. "alarm.txt" is closed at the end and shown
// under the OPEN action unless the app is unattended.
int check_program(const App& app, const std::string& path, nc::CheckMode mode, nc::DataCheck& check);

// The selection's check of the selected program into app.check. In a batch that writes the
// report before its run, an alarm of the check is shown (logged) and left in the reader, so that
// the batch ends there.
void check_selected_program(App& app);

}  // namespace vx::shell
