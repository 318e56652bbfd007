// A window on the end-to-end tests' folder (a 60 x 40 x 20 box at a 0.5 mm grid, English texts):
// the program started as from the command line inside a temporary copy of the folder, its boxes
// recorded instead of shown.
#pragma once

#include "gui/window.h"
#include "support/temp_dir.h"

#include <memory>
#include <string>
#include <vector>

namespace vx::gui {

struct WindowRig {
    testing::TempDir dir;
    std::string old_dir;
    std::unique_ptr<shell::App> app;
    std::unique_ptr<Window> w;

    // `args` as after the program name; the window is shown and the unattended start has run.
    explicit WindowRig(const std::vector<std::string>& args = {});
    ~WindowRig();

    // Settles the event queue: paints, resizes, posted commands and the start timer.
    void settle() const;
    // A menu item as the user picks it.
    void pick(int id) const;
    // The boxes recorded from the `from`-th on.
    std::vector<std::string> boxes(std::size_t from = 0) const;
    float height(double x, double y) const;  // of the workpiece cell at (x, y) mm
};

}  // namespace vx::gui
