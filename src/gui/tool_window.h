// The tool window: the current tool's number, name, type and dimensions over the magazine strip
// (eleven pockets from four before the spindle's tool, the spindle's grey and "Used", the sixth
// "Ready"). A tool window beside the main window that never takes the focus; shown while the
// settings' VIEW_T is set (command 32816), repainted when the run changes tools.
#pragma once

#include "gui/window.h"
#include "view/panels.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace vx::gui {

constexpr int kPocketsBeforeSpindle = 4;  // the spindle's pocket comes just before the "Ready" one

constexpr int kDimensionsShown = 12;  // Dia, C-r, E-w, F-h, BotA, SidA, H, Len, Lu, Lt, Ds, Du

// The tool window's lines: "T%02d name (type)", then the dimensions as "label value" pairs ("-"
// for a length the tool's length record does not give).
std::vector<std::string> tool_lines(const shell::App& app, const std::vector<std::string>& labels);

// The twelve dimensions in the order of their labels: d, r, e, f, alpha, beta, h; the protrusion
// L1 (with any length record); for a tool with a neck (LENGTH2, LENGTH3) its length L2, its rise
// L3, the shank diameter L6 and the diameter at the top of the cutting edge the neck starts from.
std::array<std::optional<double>, kDimensionsShown> tool_dimensions(const sim::CurrentTool& tool);

// The strip of the current magazine position.
view::MagazineStrip current_magazine(const shell::App& app, view::Rect area);

void build_tool_window(Window& w, const shell::MessageFile& messages);
void show_tool_window(Window& w, bool shown);
void place_tool_window(Window& w);

}  // namespace vx::gui
