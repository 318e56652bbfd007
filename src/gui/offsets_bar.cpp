#include "gui/offsets_bar.h"

#include "shell/editor_commands.h"

#include <algorithm>

namespace vx::gui {
namespace {

constexpr view::Pixel kText = view::pixel_rgb(0, 0, 0);
// Field widths in text heights, in the order of DefinitionField (the offsets take the rest).
constexpr std::array<double, kDefinitionFields - 1> kWidths{9.0, 7.0, 7.0, 7.0, 5.5, 4.5, 4.5, 7.0};
constexpr double kOffsetsWidth = 30.0;  // the offsets text, at the least, before fields narrow

view::Rect rect_of(const QRect& r) { return {r.left(), r.top(), r.right() + 1, r.bottom() + 1}; }

bool is_tab(DefinitionField f) { return f >= DefinitionField::TabWorkpiece && f <= DefinitionField::TabControlPoint; }

}  // namespace

DefinitionLayout definition_layout(int width, int top, int height, int text_height) {
    DefinitionLayout l;
    // A narrow window narrows every field alike, so that the tabs stay to be clicked.
    double wanted = kOffsetsWidth;
    for (double w : kWidths) wanted += w;
    const double unit = std::min(double(text_height), std::max(width, 0) / wanted);
    int left = 0;
    for (std::size_t k = 0; k < kWidths.size(); ++k) {
        const int wide = std::clamp(int(kWidths[k] * unit + 0.5), 0, std::max(width - left, 0));
        l.fields[k] = QRect(left, top, wide, height);
        left += wide;
    }
    l.fields[kDefinitionFields - 1] = QRect(left, top, std::max(width - left, 0), height);
    return l;
}

std::string definition_file_text(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    return "\t" + (name.empty() ? std::string("-") : name);
}

view::OffsetsSource offsets_source(const Window& w) {
    const shell::App& app = *w.app;
    return {app.workpiece, app.ctl, app.interp.modal, app.run.start_point};
}

void draw_definition_row(Window& w, view::Surface& s, const DefinitionLayout& l) {
    const shell::App& app = *w.app;
    view::Fonts& fonts = *w.fonts;
    const int th = w.text_height;
    const auto field = [&](DefinitionField f, const std::string& text, view::FieldEdge edge, view::Pixel colour) {
        view::draw_status_field(s, fonts, rect_of(l.at(f)), {text, edge}, colour, th);
    };
    // The controller's name in its own colours ("NAME COLOR").
    view::draw_status_field(s, fonts, rect_of(l.at(DefinitionField::Name)), {"\t" + app.ctl.name, view::FieldEdge::Sunken},
                            view::pixel_from_colour(app.ctl.name_colour), th, view::pixel_from_colour(app.ctl.name_background));
    field(DefinitionField::Tools, definition_file_text(app.tools.path), view::FieldEdge::Raised, kText);
    field(DefinitionField::Controller, definition_file_text(app.ctl.path), view::FieldEdge::Raised, kText);
    field(DefinitionField::Machine, definition_file_text(app.mtl.path), view::FieldEdge::Raised, kText);
    const auto tabs = view::offsets_tab_fields(w.offsets_tab);
    for (int k = 0; k < view::kOffsetsTabs; ++k)
        view::draw_status_field(s, fonts, rect_of(l.fields[std::size_t(DefinitionField::TabWorkpiece) + std::size_t(k)]),
                                tabs[std::size_t(k)], kText, th);
    field(DefinitionField::Offsets, view::offsets_text(w.offsets_tab, offsets_source(w)), view::FieldEdge::Sunken, kText);
}

bool click_definition_row(Window& w, const DefinitionLayout& l, const QPoint& p) {
    for (int k = 0; k < kDefinitionFields; ++k) {
        if (!l.fields[std::size_t(k)].contains(p)) continue;
        const auto f = DefinitionField(k);
        if (is_tab(f)) w.offsets_tab = view::OffsetsTab(k - int(DefinitionField::TabWorkpiece));
        if (f == DefinitionField::Tools) shell::edit_definition_file(*w.app, shell::EditedFile::Tools);
        if (f == DefinitionField::Name || f == DefinitionField::Controller)
            shell::edit_definition_file(*w.app, shell::EditedFile::Controller);
        if (f == DefinitionField::Machine) shell::edit_definition_file(*w.app, shell::EditedFile::Machine);
        return true;
    }
    return false;
}

}  // namespace vx::gui
