// The menu bar as data: the eight menus in order with their items, sub-menus and separators,
// every command id of the command table placed once. The captions come from the message file
// in menu order, else from the built-in texts.
#pragma once

#include "shell/message_file.h"

#include <QPoint>

#include <string>
#include <vector>

namespace vx::gui {

struct Window;

// The slots of the message file's captions: each menu, then every item and sub-menu with a caption.
std::vector<shell::MenuSlot> menu_shape();

// The built-in caption of command `id`: the table's Japanese caption, or in English the
// English caption, or where neither exists what the command does, capitalised.
std::string builtin_item_caption(int id);

// Builds the menu bar of `w` with the captions of `messages` (one per slot of menu_shape()).
void build_menus(Window& w, const shell::MessageFile& messages);

// The plug-in entries exist for the loaded modules only, captioned by the module.
void label_plugin_items(Window& w);

// A menu opened or one of its items highlighted: the class cursor over the view and no pending
// cursor timer.
void menu_selected(Window& w);

// The right-button view menu: the mouse modes in the order of the view menu's bitmaps.
void show_view_menu(Window& w, const QPoint& global);

}  // namespace vx::gui
