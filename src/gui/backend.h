// The platform backend of the window: boxes, progress, the key state, the view's refreshes,
// title and panels, cursor, timers, the message pump, file dialogs and the desktop's opener.
#pragma once

#include "gui/window.h"

namespace vx::gui {

void install_backend(Window& w);  // over whatever is installed; `w` is the context
void remove_backend(Window& w);   // the headless backend again

// The box text as recorded under Boxes::Recorded: "title|body".
std::string recorded_box(std::string_view title, std::string_view body);

}  // namespace vx::gui
