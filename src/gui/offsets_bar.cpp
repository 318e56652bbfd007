#include "gui/offsets_bar.h"

#include "shell/editor_commands.h"

#include <algorithm>
#include <cstdlib>

namespace vx::gui {
namespace {

constexpr view::Pixel kText = view::pixel_rgb(0, 0, 0);
// Field widths in text heights, in the order of DefinitionField (the offsets take the rest);
// each tab is wide enough for its text.
constexpr std::array<double, kDefinitionFields - 1> kWidths{9.0, 7.0, 7.0, 7.0, 6.0, 4.5, 4.5, 7.0};
constexpr double kNameMinWidth = 3.0;     // a name field given way shows a few characters and the ellipsis
constexpr double kOffsetsMinWidth = 20.0;  // the offsets text is cut down to this before the tabs narrow
constexpr std::array<DefinitionField, 4> kNames{DefinitionField::Name, DefinitionField::Tools, DefinitionField::Controller,
                                                DefinitionField::Machine};

view::Rect rect_of(const QRect& r) { return {r.left(), r.top(), r.right() + 1, r.bottom() + 1}; }

bool is_tab(DefinitionField f) { return f >= DefinitionField::TabWorkpiece && f <= DefinitionField::TabControlPoint; }

int units(double u, int text_height) { return int(u * text_height + 0.5); }

using Widths = std::array<int, kDefinitionFields - 1>;

// Moves the name fields up to `amount` pixels in all toward `target` (narrower or wider), each in
// proportion to its distance from it; returns what is left of `amount`.
int move_names(Widths& widths, const Widths& target, int amount) {
    int room = 0;
    for (DefinitionField f : kNames) room += std::abs(widths[std::size_t(f)] - target[std::size_t(f)]);
    const int take = std::min(amount, room);
    if (take <= 0) return amount;
    // Cumulative rounding, so that exactly `take` pixels move.
    int seen = 0, moved = 0;
    for (DefinitionField f : kNames) {
        const std::size_t k = std::size_t(f);
        const int distance = std::abs(widths[k] - target[k]);
        seen += distance;
        const int upto = int((long long)take * seen / room);
        widths[k] += (target[k] < widths[k] ? -1 : 1) * (upto - moved);
        moved = upto;
    }
    return amount - take;
}

int total(const Widths& widths) {
    int sum = 0;
    for (int w : widths) sum += w;
    return sum;
}

}  // namespace

DefinitionLayout definition_layout(int width, int top, int height, int text_height, const DefinitionNeeds& needs) {
    width = std::max(width, 0);
    // The names start at their usual widths; their texts' widths say how far they may widen
    // into spare room, and how much of their narrowing costs only empty room.
    Widths widths{}, fitted{}, least{};
    for (std::size_t k = 0; k < widths.size(); ++k) widths[k] = fitted[k] = least[k] = units(kWidths[k], text_height);
    for (DefinitionField f : kNames) {
        const std::size_t k = std::size_t(f);
        least[k] = std::min(widths[k], units(kNameMinWidth, text_height));
        fitted[k] = std::max(needs[k], least[k]);
    }
    const int offsets = needs[std::size_t(DefinitionField::Offsets)];
    const int excess = total(widths) + offsets - width;
    Widths wider = widths, narrower = widths;
    for (DefinitionField f : kNames) {
        const std::size_t k = std::size_t(f);
        wider[k] = std::max(widths[k], fitted[k]);
        narrower[k] = std::min(widths[k], fitted[k]);
    }
    if (excess < 0) move_names(widths, wider, -excess);  // room to spare shows long names whole
    else move_names(widths, least, move_names(widths, narrower, excess));  // empty room goes first, then text
    // A row too narrow even for the least offsets text narrows every other field alike.
    const int sum = total(widths);
    const int offsets_least = std::min(offsets, units(kOffsetsMinWidth, text_height));
    if (sum + offsets_least > width && sum > 0) {
        const double scale = std::max(width - offsets_least, 0) / double(sum);
        for (int& w : widths) w = int(w * scale);
    }
    DefinitionLayout l;
    int left = 0;
    for (std::size_t k = 0; k < widths.size(); ++k) {
        l.fields[k] = QRect(left, top, widths[k], height);
        left += widths[k];
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

DefinitionNeeds definition_needs(Window& w) {
    const shell::App& app = *w.app;
    view::Fonts& fonts = *w.fonts;
    const int th = w.text_height;
    DefinitionNeeds needs{};
    const auto need = [&](DefinitionField f, const std::string& text) {
        needs[std::size_t(f)] = std::max(needs[std::size_t(f)], view::status_field_width(fonts, text, th));
    };
    need(DefinitionField::Name, "\t" + app.ctl.name);
    need(DefinitionField::Tools, definition_file_text(app.tools.path));
    need(DefinitionField::Controller, definition_file_text(app.ctl.path));
    need(DefinitionField::Machine, definition_file_text(app.mtl.path));
    const view::OffsetsSource source = offsets_source(w);
    for (int k = 0; k < view::kOffsetsTabs; ++k)
        need(DefinitionField::Offsets, view::offsets_text(view::OffsetsTab(k), source));
    return needs;
}

std::string definition_tooltip(const Window& w, const DefinitionLayout& l, DefinitionField f) {
    const shell::App& app = *w.app;
    switch (f) {
    case DefinitionField::Name: return app.ctl.name;
    case DefinitionField::Tools: return app.tools.path;
    case DefinitionField::Controller: return app.ctl.path;
    case DefinitionField::Machine: return app.mtl.path;
    case DefinitionField::Offsets: {
        std::string text = view::offsets_text(w.offsets_tab, offsets_source(w));
        const bool cut = view::status_field_width(*w.fonts, text, w.text_height) > l.at(f).width();
        return cut ? text : std::string();
    }
    default: return {};
    }
}

void draw_definition_row(Window& w, view::Surface& s, const DefinitionLayout& l) {
    const shell::App& app = *w.app;
    view::Fonts& fonts = *w.fonts;
    const int th = w.text_height;
    // The names show elided when the layout narrowed them; the offsets text is never elided,
    // only cut by its field's right edge when the window is narrower than it.
    const auto fitted = [&](DefinitionField f, const std::string& text) {
        return view::elide_field_text(fonts, text, l.at(f).width(), th);
    };
    const auto field = [&](DefinitionField f, const std::string& text, view::FieldEdge edge, view::Pixel colour) {
        view::draw_status_field(s, fonts, rect_of(l.at(f)), {text, edge}, colour, th);
    };
    // The controller's name in its own colours ("NAME COLOR").
    view::draw_status_field(s, fonts, rect_of(l.at(DefinitionField::Name)),
                            {fitted(DefinitionField::Name, "\t" + app.ctl.name), view::FieldEdge::Sunken},
                            view::pixel_from_colour(app.ctl.name_colour), th, view::pixel_from_colour(app.ctl.name_background));
    field(DefinitionField::Tools, fitted(DefinitionField::Tools, definition_file_text(app.tools.path)), view::FieldEdge::Raised,
          kText);
    field(DefinitionField::Controller, fitted(DefinitionField::Controller, definition_file_text(app.ctl.path)),
          view::FieldEdge::Raised, kText);
    field(DefinitionField::Machine, fitted(DefinitionField::Machine, definition_file_text(app.mtl.path)),
          view::FieldEdge::Raised, kText);
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
