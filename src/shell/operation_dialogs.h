// The dialogs of the workpiece operations without their window: each form opens with the values
// confirmed last (or, the first time, with values taken from the workpiece and the settings) and
// its OK sends the values in field order to the command's handler, the same way the batch
// switches do.
#pragma once

#include "shell/dialog_rules.h"

#include <vector>

namespace vx::shell {

// The dialog of operation command `id`, or nullptr when it has none.
const SettingsDialog* find_operation_dialog(int id);

// The values of a form in field order: a number as it stands, a check 1 or 0, a choice its index.
std::vector<double> form_values(const Form& form);

}  // namespace vx::shell
