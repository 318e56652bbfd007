// The window's own commands: the dialogs of the settings and definitions, the pictures of the
// view (save, quick look, clipboard) and printing. The checks and effects of each dialog live in
// the shell (dialog_rules.h); these functions only show the fields and call them.
#pragma once

#include "gui/window.h"

#include <QImage>

class QPaintEngine;
class QPrinter;

namespace vx::gui {

// The window_command hook of the dispatcher: 1 done, 0 failed or cancelled, -1 not built here.
int window_command(void* window, int id, int parameter);

// The dispatcher's window commands and the optimise run's dialog, while the window exists.
void install_dialog_hooks(Window& w);
void remove_dialog_hooks(Window& w);

// ---- Pictures of the view ----

// The view as the window shows it (workpiece, paths, tool and the panels drawn over it), at full
// detail first when the display is thinned and DISPLAY GUIDANCE allows it. Null without a view.
QImage capture_view(Window& w);

bool save_view_image(Window& w, const std::string& path);  // PNG; false when it cannot be written
std::string quick_look(Window& w);                          // the file written and opened; empty: none
void copy_view_to_clipboard(Window& w);

// Prints `picture` once per copy the printer asks for, scaled from the screen's resolution to the
// printer's, each copy on a page of its own. False when the printer cannot be opened.
bool print_picture(const QImage& picture, QPrinter& printer, double screen_dpi_x, double screen_dpi_y);

// Whether a printer's paint engine takes the picture: it must draw an image scaled to the page
// (the block transfer and stretching the picture needs). Qt prints through its own engines (PDF
// for files and CUPS printers), which do; an engine that does not is refused with "Cannot Print
// Raster Images" before anything is sent.
bool prints_raster(const QPaintEngine* engine);

// The printer kept from the first print until the program ends (landscape at first).
QPrinter& window_printer(Window& w);

}  // namespace vx::gui

namespace vx::gui {

// A modal dialog of the window: shown to the user, or under Boxes::Recorded answered by the
// window's dialog_answer (cancelled without one). QDialog::Accepted or Rejected.
int exec_dialog(Window& w, QDialog& dialog);

// The settings and offset dialogs (dialog_rules.h); -1 for a command that has none here.
int settings_dialog(Window& w, int id, int parameter);

}  // namespace vx::gui
