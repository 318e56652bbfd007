// The version and environment dialog (command 104, Alt+? and Alt+/): the product, the system, the
// memory and swap, the other top-level windows and the workpiece memory, on top of the other
// windows and refreshed every second until OK closes it.
#pragma once

#include "gui/window.h"

#include <string>

namespace vx::gui {

constexpr int kVersionRefreshMs = 1000;

// The dialog's text now: the shell's version text and the count of the other visible windows.
std::string version_dialog_text(const Window& w);

// Opens the dialog, or brings an open one to the front.
void open_version_dialog(Window& w);

// The hook the version command calls (its context is the Window).
void version_dialog_hook(void* window);

}  // namespace vx::gui
