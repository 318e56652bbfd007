// The plug-in modules' menu items: each loaded module's item carries the module's own caption
// (the first two simulation modules with their keys F8 and F9); the items of slots without a
// module are not shown.
#pragma once

#include "gui/window.h"

namespace vx::gui {

void label_plugin_items(Window& w);

}  // namespace vx::gui
