// The second row of the panels under the view: the controller's name, the three definition
// files (a click opens the file in its editor, as F2 to F4 do) and the offsets panel with its
// four tabs (a click on a tab switches it). Drawn from the records at every paint of the panels,
// so that it shows what a dialog, a reload or a run's block has just changed.
#pragma once

#include "gui/window.h"
#include "view/offsets_panel.h"
#include "view/surface.h"

#include <QRect>

#include <array>
#include <string>

namespace vx::gui {

enum class DefinitionField { Name, Tools, Controller, Machine, TabWorkpiece, TabH, TabD, TabControlPoint, Offsets };
constexpr int kDefinitionFields = 9;

struct DefinitionLayout {
    std::array<QRect, kDefinitionFields> fields;
    const QRect& at(DefinitionField f) const { return fields[std::size_t(f)]; }
};

// The width in pixels that each field's text needs to show whole (0: no demand).
using DefinitionNeeds = std::array<int, kDefinitionFields>;

// The fields from the left of a row `top`..`top + height` of a bar `width` wide; the offsets
// text takes what is left. A long name widens into room the offsets text does not need. When
// the row is short of room the offsets text stays whole the longest: the controller's name and
// the file names give way first (shown elided, the full text a tooltip), the offsets text next,
// and in a very narrow row every field narrows alike so that the tabs stay to be clicked.
DefinitionLayout definition_layout(int width, int top, int height, int text_height, const DefinitionNeeds& needs);

// What the row's texts need now; the offsets field's need is that of its widest tab, so that
// switching tabs moves no field.
DefinitionNeeds definition_needs(Window& w);

// The full text behind a field of `layout` that may show it shortened: the file's path, the
// controller's name, and the offsets text when its field cuts it; empty otherwise.
std::string definition_tooltip(const Window& w, const DefinitionLayout& layout, DefinitionField f);

// A definition file's field: its file name without the folder, "-" while none is named.
std::string definition_file_text(const std::string& path);

view::OffsetsSource offsets_source(const Window& w);

void draw_definition_row(Window& w, view::Surface& s, const DefinitionLayout& layout);

// A click at `p`: a file opens in its editor, a tab becomes the offsets panel's. False when no
// field of the row is there.
bool click_definition_row(Window& w, const DefinitionLayout& layout, const QPoint& p);

}  // namespace vx::gui
