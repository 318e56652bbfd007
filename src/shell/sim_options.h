// Adapters from the settings record to the simulation's options: the check modes of a run, the
// options of a tool selection and those of loading the process's tool table.
#pragma once

#include "shell/settings.h"
#include "sim/checks.h"
#include "sim/profile.h"
#include "sim/tools.h"

namespace vx::shell {

// Every check mode and value as the settings give them: the run menu's first state.
sim::Checks check_settings(const Settings& settings);

// The values a run takes from the settings at its start and at every continuation (the spindle
// check and range, the rapid feedrate, TOOL CLEARANCE, LENGTH TYPE); the menu's four modes stay.
void apply_check_settings(const Settings& settings, sim::Checks& checks);

// The options of a tool selection, for cutting when `pitch` > 0, with the settings' arbor check.
sim::ProfileOptions selection_options(const Settings& settings, double pitch, const sim::Attachment* attachment);

// MAX MAGAZINE, TOOL BASE POINT and the selection of the current tool at `pitch`.
sim::ToolTableOptions tool_table_options(const Settings& settings, double pitch, const sim::Attachment* attachment);

}  // namespace vx::shell
