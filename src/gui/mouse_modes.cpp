#include "gui/mouse_modes.h"

#include "gui/nc_pane.h"
#include "shell/hand_tool_modes.h"

#include "gui/panel_bar.h"
#include "gui/widgets.h"
#include "platform/files.h"
#include "platform/language.h"
#include "view/panels.h"
#include "view/text.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPixmap>
#include <QTimer>

#include <array>
#include <cmath>

namespace vx::gui {
namespace {

constexpr int kCursorResetMs = 350;  // the mode's cursor comes back this long after the last change
constexpr int kPickReach = 4;        // pixels around a drawn grid point that still pick it
constexpr int kMeasureRows = 10;
constexpr double kMeasureWidth = 15.0;  // text heights
constexpr view::Pixel kMeasureFace = view::pixel_rgb(255, 255, 225);

constexpr platform::TextPair kNoLineLayer{"このデータ保持レベルではNC行を保持していません",
                                          "NC lines are not kept at this data-holding level"};

bool has_workpiece(const Window& w) { return shell::has_workpiece(*w.app); }

view::PolygonSink frame_sink(view::Display& d) {
    d.frame_sink.surface = &d.frame;
    return d.frame_sink.sink();
}

// The line that cut cell (i, j), from the line layer (0: never cut; negative: a called program's).
std::int32_t cut_line(const sim::Workpiece& wp, std::int32_t i, std::int32_t j) {
    return wp.line_number.data[std::size_t(j) * std::size_t(wp.geometry.nx) + std::size_t(i)];
}

// The NC-line panel of a picked cell: the line that cut it from the line layer, with the text of
// that line of the selected program (a called program's lines, stored negative, show no text).
view::NcLinePanel picked_line_panel(const Window& w, std::int32_t i, std::int32_t j) {
    const shell::App& app = *w.app;
    const sim::Workpiece& wp = app.workpiece;
    if (!sim::has_line_layer(wp)) {
        view::NcLinePanel p;
        p.text = platform::text(kNoLineLayer);
        return p;
    }
    const std::int32_t stored = cut_line(wp, i, j);
    std::string text;
    if (stored > 0 && !app.run.nc_path.empty())
        text = line_of(platform::read_file(app.run.nc_path).value_or(""), stored);
    return view::nc_pick_panel(stored != 0, stored, text, nullptr);
}

void light_step(Window& w, int dx, int dy, int width, int height) {
    shell::App& app = *w.app;
    const LightAngles now = light_angles(app.display.view.light);
    const LightAngles next = light_drag(now, dx, dy, width, height);
    if (next.azimuth == now.azimuth && next.elevation == now.elevation) return;
    const Vec3 l = light_vector(next);
    app.display.view.light = l;
    app.settings.define.light_vector = l;
    view_changed(w, true);
}

constexpr platform::TextPair kToolDoesNothing{
    "この道具は高さ（深さ）または幅が0のため何もしません。「道具パラメータ設定」で設定して下さい。",
    "This hand tool has a height (depth) or width of 0 and does nothing: set it under Options, Finishing tool parameters."};
constexpr platform::TextPair kToolTitle{"各パラメータの設定", "Tool Parameter"};
constexpr int kToolCursorSize = 24;
constexpr std::array<char, 4> kToolLetters{'W', 'G', 'P', 'B'};  // welding, grinder, paper, brush

// A hand tool's cursor: a ring with the tool's letter; its hot spot is the ring's centre, the cell
// that the tool works.
QCursor hand_tool_cursor(work::HandTool tool) {
    QPixmap pixmap(kToolCursorSize, kToolCursorSize);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    for (const auto& [colour, width] : {std::pair{Qt::white, 3}, std::pair{Qt::black, 1}}) {
        painter.setPen(QPen(colour, width));
        painter.drawEllipse(QRectF(4, 4, kToolCursorSize - 8, kToolCursorSize - 8));
    }
    QFont font = painter.font();
    font.setPixelSize(10);
    font.setBold(true);
    painter.setFont(font);
    painter.drawText(pixmap.rect(), Qt::AlignCenter, QString(QChar(kToolLetters[std::size_t(tool)])));
    painter.end();
    return QCursor(pixmap, kToolCursorSize / 2, kToolCursorSize / 2);
}

QCursor cursor_of(int mode, bool dragging) {
    if (const auto tool = shell::hand_tool_of_mode(mode)) return hand_tool_cursor(*tool);
    return QCursor(mode_cursor(mode, dragging));
}

// The cells a stroke changed: drawn at once, with the step's point in the picked-point list.
void show_stroke_step(Window& w, const work::CellRange& r) {
    shell::App& app = *w.app;
    if (r.empty()) return;
    platform::StepRefresh cells;
    cells.first_i = r.first_i, cells.first_j = r.first_j, cells.last_i = r.last_i, cells.last_j = r.last_j;
    view::show_changed_cells(app.display, app.workpiece, cells);
    view::add_picked_point(w.picks, view::cell_point(app.workpiece, w.stroke.last_i, w.stroke.last_j));
    w.view->update();
}

void play_if_sound(const shell::App& app, std::string_view sound, platform::SoundMode mode) {
    if (app.run.sound && !sound.empty()) platform::play_sound(sound, mode);
}

}  // namespace

int drag_mode(int mode, bool ctrl) {
    if (!ctrl) return mode;
    return mode == shell::cmd::kMousePan ? shell::cmd::kMouseRotate : shell::cmd::kMousePan;
}

Qt::CursorShape mode_cursor(int mode, bool dragging) {
    switch (mode) {
    case shell::cmd::kMouseZoom: return Qt::SizeVerCursor;
    case shell::cmd::kMousePan: return dragging ? Qt::ClosedHandCursor : Qt::OpenHandCursor;
    case shell::cmd::kMouseLight: return Qt::PointingHandCursor;
    case shell::cmd::kMouseMeasure: return Qt::CrossCursor;
    case shell::cmd::kMouseZoomBox: return Qt::CrossCursor;
    default: return Qt::SizeAllCursor;
    }
}

void update_view_cursor(Window& w, bool ctrl) {
    if (w.zoom_box || w.drag.active || w.waiting) return;  // the run shows its wait cursor
    w.view->setCursor(cursor_of(drag_mode(w.app->mouse_mode, ctrl), false));
    if (ctrl) w.timers[kCursorTimer]->stop();
    else w.timers[kCursorTimer]->start(kCursorResetMs);
}

void cursor_timer(Window& w) {
    w.timers[kCursorTimer]->stop();
    if (w.zoom_box || w.drag.active || w.waiting) return;
    const bool ctrl = QGuiApplication::queryKeyboardModifiers() & Qt::ControlModifier;
    w.view->setCursor(cursor_of(drag_mode(w.app->mouse_mode, ctrl), false));
}

DragUse drag_step(Window& w, int mode, int dx, int dy, int width, int height) {
    switch (mode) {
    case shell::cmd::kMouseZoom: zoom_view_by(w, zoom_drag_factor(dx, dy, width, height)); return {double(dx), double(dy)};
    case shell::cmd::kMousePan: pan_view(w, dx, dy); return {double(dx), double(dy)};
    case shell::cmd::kMouseLight: light_step(w, dx, dy, width, height); break;
    default: {
        const ViewAngles now = view_angles(w), next = rotate_drag(now, dx, dy, width, height);
        if (!(next == now)) turn_view(w, next);  // a clamped B changes nothing, yet uses the drag
        break;
    }
    }
    return turn_drag_used(dx, dy, width, height);
}

bool cell_at(const Window& w, const QPoint& p, std::int32_t* i, std::int32_t* j) {
    const shell::App& app = *w.app;
    if (!has_workpiece(w)) return false;
    const view::ViewState& v = app.display.view;
    // A thinned view draws every step-th point: its neighbours' cells count as under the cursor.
    const int reach = std::max(kPickReach, int(std::ceil(v.step * v.scale * app.workpiece.geometry.pitch)));
    return view::cell_under_cursor(v, app.workpiece, p.x(), p.y(), reach, i, j);
}

void centre_on_cursor(Window& w) {
    const QPoint p = w.view->mapFromGlobal(QCursor::pos());
    std::int32_t i = 0, j = 0;
    if (!w.view->rect().contains(p) || !cell_at(w, p, &i, &j)) return;
    const sim::Workpiece& wp = w.app->workpiece;
    const view::PickedPoint c = view::cell_point(wp, i, j);
    view::set_view_centre(w.app->display.view, c.x - wp.geometry.origin_x, c.y - wp.geometry.origin_y, c.z);
}

void pick_at(Window& w, const QPoint& p) {
    shell::App& app = *w.app;
    if (!has_workpiece(w)) return;
    std::int32_t i = 0, j = 0;
    if (!cell_at(w, p, &i, &j)) {
        view::pick_outside(w.picks);
    } else {
        view::add_picked_point(w.picks, view::cell_point(app.workpiece, i, j));
        w.picks.last_i = i;
        w.picks.last_j = j;
        w.pick_panel = picked_line_panel(w, i, j);
        // The program pane and the editor follow the line that cut the picked point.
        if (sim::has_line_layer(app.workpiece)) select_cell_line(w, cut_line(app.workpiece, i, j));
    }
    w.view->update();
    w.panels->update();
}

// ---- Hand tools ----

bool is_hand_tool_mode(int mode) { return shell::hand_tool_of_mode(mode).has_value(); }

void hand_tool_press(Window& w, int mode, const QPoint& p) {
    shell::App& app = *w.app;
    const auto tool = shell::hand_tool_of_mode(mode);
    std::int32_t i = 0, j = 0;
    if (!tool || !has_workpiece(w) || !cell_at(w, p, &i, &j)) return;
    const work::HandToolSize size = shell::hand_tool_size(app.settings.define, *tool);
    if (!work::hand_tool_usable(app.workpiece, *tool, size)) {
        platform::show_message({platform::text(kToolTitle), platform::text(kToolDoesNothing)});
        return;
    }
    const work::CellRange changed = work::begin_stroke(app.workpiece, w.stroke, *tool, size, i, j);
    const shell::HandToolSounds sounds = shell::hand_tool_sounds(*tool);
    const bool contact = w.stroke.touched && !sounds.contact.empty();
    play_if_sound(app, contact ? sounds.contact : sounds.working, platform::SoundMode::Loop);
    show_stroke_step(w, changed);
}

void hand_tool_drag(Window& w, const QPoint& p) {
    shell::App& app = *w.app;
    std::int32_t i = 0, j = 0;
    if (!w.stroke.active || !cell_at(w, p, &i, &j)) return;
    const bool touched = w.stroke.touched;
    const work::CellRange changed = work::continue_stroke(app.workpiece, w.stroke, i, j);
    if (!touched && w.stroke.touched)  // the grinder bites
        play_if_sound(app, shell::hand_tool_sounds(w.stroke.tool).contact, platform::SoundMode::Loop);
    show_stroke_step(w, changed);
}

void hand_tool_release(Window& w) {
    shell::App& app = *w.app;
    if (!w.stroke.active) return;
    w.stroke.active = false;
    if (app.run.sound) {
        platform::stop_sounds();
        play_if_sound(app, shell::hand_tool_sounds(w.stroke.tool).finished, platform::SoundMode::Async);
    }
    // The blocks drawn step by step may leave edges of the old surface: one full redraw.
    if (w.stroke.touched) platform::redraw(platform::ViewPart::Workpiece);
    refresh_menu_states(w);
}

std::string line_of(std::string_view file, int line) {
    std::size_t at = 0;
    for (int k = 1; k < line; ++k) {
        const std::size_t end = file.find('\n', at);
        if (end == std::string_view::npos) return {};
        at = end + 1;
    }
    if (line < 1 || at >= file.size()) return {};
    std::string_view text = file.substr(at, file.find('\n', at) - at);
    if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
    return std::string(text);
}

std::vector<std::string> measuring_panel_lines(const Window& w) {
    const shell::App& app = *w.app;
    const bool cell = w.picks.last_i >= 0;
    const double rx = cell ? view::cell_radius(app.workpiece, w.picks.last_i, w.picks.last_j, true) : NAN;
    const double ry = cell ? view::cell_radius(app.workpiece, w.picks.last_i, w.picks.last_j, false) : NAN;
    // The decimals follow the controller's input unit: 3 for 1/1000, 2 for 1/100, else 4.
    return view::measuring_lines(w.picks, rx, ry, view::three_point_radius(w.picks), app.ctl.unit);
}

void draw_view_overlays(Window& w) {
    shell::App& app = *w.app;
    view::Display& d = app.display;
    if (d.frame.width <= 0 || !has_workpiece(w)) return;
    if (w.drag.active && w.drag.mode == shell::cmd::kMouseLight) view::draw_light_indicator(d.view, true, frame_sink(d));
    if (app.mouse_mode != shell::cmd::kMouseMeasure || w.picks.points.empty()) return;
    const view::PickedPoint& last = w.picks.points.back();
    if (last.flag) view::draw_pick_cross(d.view, app.workpiece, last, frame_sink(d));
    const auto lines = measuring_panel_lines(w);
    const int th = w.text_height;
    const view::Rect area{4, 4, 4 + int(kMeasureWidth * th), 4 + kMeasureRows * (th + 4)};
    view::fill_rect(d.frame, area, kMeasureFace);
    view::draw_measuring_panel(d.frame, *w.fonts, area, lines);
}

}  // namespace vx::gui
