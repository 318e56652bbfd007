#include "gui/panel_bar.h"

#include "gui/widgets.h"
#include "nc/reader.h"
#include "shell/dispatch.h"

#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace vx::gui {
namespace {

constexpr int kArrowRepeatMs = 100;  // timer 1 while an arrow is held
constexpr int kSpinMs = 100;         // timers 2 and 3
constexpr double kArrowStep = 2.5;   // degrees per arrow step or spin tick
constexpr view::Pixel kBarFace = view::pixel_rgb(240, 240, 240);
constexpr view::Pixel kText = view::pixel_rgb(0, 0, 0);

// Field widths in text heights: wide enough for their texts at any -F height.
constexpr double kLabelWidth = 5.5, kPositionWidth = 20.0, kStopWidth = 4.5, kGoWidth = 3.0, kArrowWidth = 1.8;

int width_of(double units, int text_height) { return int(units * text_height + 0.5); }

view::Rect rect_of(const QRect& r) { return {r.left(), r.top(), r.right() + 1, r.bottom() + 1}; }

const char* arrow_text(PanelField f) {
    switch (f) {
    case PanelField::Left: return "\t\u25C0";
    case PanelField::Right: return "\t\u25B6";
    case PanelField::Up: return "\t\u25B2";
    default: return "\t\u25BC";
    }
}

bool is_arrow(PanelField f) { return f >= PanelField::Left; }

// An arrow turns A (left, right) or B (up raises the eye toward the side view).
ViewAngles arrow_angles(ViewAngles now, PanelField f) {
    switch (f) {
    case PanelField::Left: return {std::fmod(now.a - kArrowStep + 360.0, 360.0), now.b};
    case PanelField::Right: return {std::fmod(now.a + kArrowStep, 360.0), now.b};
    case PanelField::Up: return {now.a, std::min(90.0, now.b + kArrowStep)};
    default: return {now.a, std::max(0.0, now.b - kArrowStep)};
    }
}

void draw_bar(Window& w, view::Surface& s, const PanelLayout& layout) {
    shell::App& app = *w.app;
    view::Fonts& fonts = *w.fonts;
    const int th = w.text_height;
    view::clear(s, kBarFace);
    const QRect& label = layout.at(PanelField::NcLabel);
    const QRect& text = layout.at(PanelField::NcText);
    view::draw_nc_line_panel(s, fonts, rect_of(label.united(text)), nc_panel(w), label.width());
    view::draw_status_field(s, fonts, rect_of(layout.at(PanelField::Position)),
                            {position_text(app.run.state.move.position), view::FieldEdge::Sunken}, kText, th);
    const shell::RunState& st = app.run.state;
    const auto stop = view::stop_panel_fields(st.stop_mode, st.suspended && !st.continue_pending, st.blink);
    for (int k = 0; k < 6; ++k)
        view::draw_status_field(s, fonts, rect_of(layout.fields[std::size_t(PanelField::M01) + std::size_t(k)]),
                                stop[std::size_t(k)], kText, th);
    for (PanelField f : {PanelField::Left, PanelField::Right, PanelField::Up, PanelField::Down})
        view::draw_status_field(s, fonts, rect_of(layout.at(f)), {arrow_text(f), view::FieldEdge::Raised}, kText, th);
}

}  // namespace

PanelLayout panel_layout(int width, int height, int text_height) {
    PanelLayout l;
    int right = width;
    const auto take = [&](PanelField f, double units) {
        const int wide = width_of(units, text_height);
        l.at(f) = QRect(right - wide, 0, wide, height);
        right -= wide;
    };
    for (PanelField f : {PanelField::Down, PanelField::Up, PanelField::Right, PanelField::Left}) take(f, kArrowWidth);
    take(PanelField::Esc, kGoWidth);
    take(PanelField::Go, kGoWidth);
    for (PanelField f : {PanelField::None, PanelField::Define, PanelField::Single, PanelField::M01}) take(f, kStopWidth);
    take(PanelField::Position, kPositionWidth);
    const int label = std::min(std::max(right, 0), width_of(kLabelWidth, text_height));
    l.at(PanelField::NcLabel) = QRect(0, 0, label, height);
    l.at(PanelField::NcText) = QRect(label, 0, std::max(right - label, 0), height);
    return l;
}

view::NcLinePanel nc_panel(const Window& w) {
    const shell::App& app = *w.app;
    if (w.pick_panel) return *w.pick_panel;
    if (app.run.nc_path.empty() || app.reader.line_number <= 0) return view::nc_selection_panel(app.run.nc_path);
    std::string_view block = nc::current_block(app.reader);
    while (!block.empty() && (block.back() == '\n' || block.back() == '\r')) block.remove_suffix(1);
    return view::nc_run_panel(w.run_line.value_or(app.interp.main_line), {}, block, &app.interp.move);
}

std::string position_text(const Vec3& p) {
    char buf[96];
    std::snprintf(buf, sizeof buf, "X%9.3f Y%9.3f Z%9.3f", p.x, p.y, p.z);
    return buf;
}

void turn_by_arrow(Window& w, PanelField field) {
    if (!is_arrow(field) || w.app->workpiece.modification_state == sim::kNoWorkpiece) return;
    turn_view(w, arrow_angles(view_angles(w), field));
}

void stop_spinning(Window& w) {
    w.spin_a = w.spin_b = 0;
    w.timers[kSpinATimer]->stop();
    w.timers[kSpinBTimer]->stop();
}

// Timers 1 to 3: the held arrow repeats, the spins turn by 2.5 degrees times their direction.
void arrow_timer(Window& w, int id) {
    if (id == kArrowTimer) {
        if (w.arrow_held >= 0) turn_by_arrow(w, PanelField(w.arrow_held));
        else w.timers[kArrowTimer]->stop();
        return;
    }
    const ViewAngles now = view_angles(w);
    if (id == kSpinATimer && w.spin_a) turn_view(w, arrow_angles(now, w.spin_a > 0 ? PanelField::Right : PanelField::Left));
    if (id == kSpinBTimer && w.spin_b) turn_view(w, arrow_angles(now, w.spin_b > 0 ? PanelField::Up : PanelField::Down));
}

// ---- The widget ----

PanelBar::PanelBar(Window& w) : QWidget(w.main), w_(w) {
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

QSize PanelBar::sizeHint() const { return {400, 2 * (w_.text_height + 10)}; }

// The first row; the definitions and offsets take the second.
int PanelBar::row_height() const { return height() / 2; }

QRect PanelBar::field_rect(PanelField f) const { return panel_layout(width(), row_height(), w_.text_height).at(f); }

DefinitionLayout PanelBar::definitions() const {
    return definition_layout(width(), row_height(), height() - row_height(), w_.text_height, definition_needs(w_));
}

// A name or file field shows its full text (the file's whole path) as a tooltip, and so does the
// offsets field where a narrow window cuts it.
bool PanelBar::event(QEvent* event) {
    if (event->type() != QEvent::ToolTip) return QWidget::event(event);
    const QHelpEvent& help = static_cast<const QHelpEvent&>(*event);
    const DefinitionLayout l = definitions();
    std::string tip;
    for (int k = 0; k < kDefinitionFields; ++k)
        if (l.fields[std::size_t(k)].contains(help.pos())) tip = definition_tooltip(w_, l, DefinitionField(k));
    if (tip.empty()) QToolTip::hideText();
    else QToolTip::showText(help.globalPos(), QString::fromStdString(tip), this);
    return true;
}

void PanelBar::paintEvent(QPaintEvent*) {
    if (width() <= 0 || height() <= 0) return;
    view::resize(surface_, width(), height());
    draw_bar(w_, surface_, panel_layout(width(), row_height(), w_.text_height));
    draw_definition_row(w_, surface_, definitions());
    const QImage image(reinterpret_cast<const uchar*>(surface_.pixels.data()), surface_.width, surface_.height,
                       surface_.width * 4, QImage::Format_RGB32);
    QPainter(this).drawImage(0, 0, image);
}

PanelField PanelBar::field_at(const QPoint& p, bool* found) const {
    const PanelLayout l = panel_layout(width(), row_height(), w_.text_height);
    for (int k = 0; k < kPanelFields; ++k)
        if (l.fields[std::size_t(k)].contains(p)) {
            *found = true;
            return PanelField(k);
        }
    *found = false;
    return PanelField::NcLabel;
}

void PanelBar::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && click_definition_row(w_, definitions(), event->position().toPoint())) {
        update();
        return;
    }
    bool found = false;
    const PanelField f = field_at(event->position().toPoint(), &found);
    if (!found || event->button() != Qt::LeftButton) return;
    const shell::RunState& st = w_.app->run.state;
    const bool waits_for_user = st.suspended && !st.continue_pending;
    if (f == PanelField::Go && waits_for_user) handle_key(w_, Qt::Key_G, Qt::NoModifier);
    if (f == PanelField::Esc && waits_for_user && shell::run_key_escape(w_.app->run)) refresh_menu_states(w_);
    if (f == PanelField::NcText && !w_.app->run.nc_path.empty()) post_command(w_, shell::cmd::kEditor);
    if (is_arrow(f)) {
        stop_spinning(w_);
        w_.arrow_held = int(f);
        turn_by_arrow(w_, f);
        w_.timers[kArrowTimer]->start(kArrowRepeatMs);
    }
    update();
}

void PanelBar::mouseReleaseEvent(QMouseEvent*) {
    w_.arrow_held = -1;
    w_.timers[kArrowTimer]->stop();
}

void PanelBar::mouseDoubleClickEvent(QMouseEvent* event) {
    bool found = false;
    const PanelField f = field_at(event->position().toPoint(), &found);
    if (!found || !is_arrow(f)) return;
    if (f == PanelField::Left || f == PanelField::Right) {
        w_.spin_a = f == PanelField::Left ? -1 : 1;
        w_.timers[kSpinATimer]->start(kSpinMs);
    } else {
        w_.spin_b = f == PanelField::Up ? 1 : -1;
        w_.timers[kSpinBTimer]->start(kSpinMs);
    }
}

}  // namespace vx::gui
