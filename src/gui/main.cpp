// The vornex executable with the desktop window: a start without a batch switch (or batch levels
// 0 to 4) opens the window; the unattended starts run without one, needing no display.
#include "gui/window.h"
#include "shell/entry.h"

int main(int argc, char** argv) { return vx::shell::run_program(argc, argv, vx::gui::run_window); }
