// The view changes of keys, mouse and resize applied to the display: each reprojects the grid
// and makes a redraw due. A change is drawn at the display step first; after a pause without
// further changes timer 4 draws it at full detail, so that dragging stays fluid on large grids.
#include "gui/tool_window.h"
#include "gui/view_rules.h"
#include "gui/widgets.h"
#include "shell/view_options.h"

#include <QCursor>
#include <QGuiApplication>
#include <QRubberBand>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cmath>

namespace vx::gui {
namespace {

constexpr int kPauseCheckMs = 100;       // timer 4's interval
constexpr std::int64_t kPauseNs = 200'000'000;  // quiet time before the full-detail redraw
constexpr std::int64_t kPauseAlternativeNs = 500'000'000;  // ... while CTRL (the alternative mode) is held

std::int64_t now_ns() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void reproject(Window& w, bool full_detail) {
    shell::App& app = *w.app;
    view::Display& d = app.display;
    view::update_display_step(d.view, shell::display_settings(app.settings.define), app.workpiece, full_detail);
    view::project_grid(d.view, app.workpiece);
    d.redraw_due = true;
    if (app.run.display_skip != d.view.step) {
        app.run.display_skip = d.view.step;
        shell::rebuild_title(app.run);
    }
    w.view->update();
}

}  // namespace

void resize_view(Window& w, int width, int height) {
    shell::App& app = *w.app;
    view::Display& d = app.display;
    width = std::max(width, 1);
    height = std::max(height, 1);
    if (d.surface.width == 0) {
        view::set_up_display(d, shell::display_settings(app.settings.define), app.workpiece, width, height, true);
        d.start_point = app.run.start_point;
        view::set_display_tool(d, app.tool);
        view::place_tool(d, app.workpiece, app.run.start_point);
        app.run.display_skip = d.view.step;
        w.view->update();
        return;
    }
    view::set_drawing_area(d.view, {0, 0, width, height});
    view::resize(d.surface, width, height);
    view_changed(w, true);
}

void view_changed(Window& w, bool quick) {
    if (!quick) {
        w.timers[kWheelRedrawTimer]->stop();
        reproject(w, true);
        return;
    }
    w.last_view_change_ns = now_ns();
    reproject(w, false);
    if (!w.timers[kWheelRedrawTimer]->isActive()) w.timers[kWheelRedrawTimer]->start(kPauseCheckMs);
}

void full_redraw_after_pause(Window& w) {
    const bool alternative = QGuiApplication::queryKeyboardModifiers() & Qt::ControlModifier;
    if (now_ns() - w.last_view_change_ns < (alternative ? kPauseAlternativeNs : kPauseNs)) return;
    view_changed(w, false);
}

}  // namespace vx::gui

namespace vx::gui {

ViewAngles view_angles(const Window& w) {
    const view::ViewState& v = w.app->display.view;
    return {v.angle_a, v.angle_b};
}

void turn_view(Window& w, ViewAngles angles) {
    view::set_angles(w.app->display.view, angles.a, angles.b);
    view_changed(w, true);
}

void zoom_view_by(Window& w, double factor) {
    view::zoom_view(w.app->display.view, factor);
    view_changed(w, true);
}

// The scene follows the drag: the view centre moves against it, in the ground plane through the
// current angles, or in Z when the view looks from the side.
void pan_view(Window& w, int dx, int dy) {
    view::ViewState& v = w.app->display.view;
    if (v.scale <= 0) return;
    const double along = -dx / v.scale;  // x' of the centre's shift
    constexpr double kSideView = 0.2;    // cos B below this: the ground plane is seen edge-on
    if (v.cos_b < kSideView) {
        view::set_view_centre(v, v.cx + along * v.cos_a, v.cy - along * v.sin_a, v.cz + dy / v.scale);
    } else {
        const double across = dy / (v.scale * v.cos_b);  // y' of the centre's shift
        view::set_view_centre(v, v.cx + along * v.cos_a + across * v.sin_a, v.cy + across * v.cos_a - along * v.sin_a,
                              v.cz);
    }
    view_changed(w, true);
}

void fit_view_to_window(Window& w) {
    shell::App& app = *w.app;
    view::fit_view(app.display.view, app.workpiece, app.settings.define.target_area);
    view_changed(w, true);
}

// ---- Zoom box ----

void confine_cursor(Window& w) {
    const QRect area(w.view->mapToGlobal(QPoint(0, 0)), w.view->size());
    const QPoint p = QCursor::pos();
    const QPoint inside(std::clamp(p.x(), area.left(), area.right()), std::clamp(p.y(), area.top(), area.bottom()));
    if (inside != p) QCursor::setPos(inside);
}

// Qt cannot confine the cursor itself: the view takes every move while the box is drawn (the grab
// and the tracking) and puts the cursor back inside.
void start_zoom_box(Window& w) {
    if (w.app->workpiece.modification_state == sim::kNoWorkpiece) return;
    w.zoom_box = true;
    w.view->setCursor(Qt::CrossCursor);
    show_command_menu(w, false);  // out of the way of the box
    show_tool_window(w, false);
    w.view->setMouseTracking(true);
    w.view->grabMouse();
    confine_cursor(w);
}

void end_zoom_box(Window& w, const QRect& box) {
    w.zoom_box = false;
    w.view->releaseMouse();
    w.view->setMouseTracking(false);
    if (w.band) w.band->hide();
    w.view->unsetCursor();
    refresh_menu_states(w);  // the command menu back as it was
    constexpr int kSmallest = 3;  // pixels: a click, not a box
    if (box.width() < kSmallest || box.height() < kSmallest) return;
    const view::ViewState& v = w.app->display.view;
    const QPointF middle = QRectF(box).center();
    pan_view(w, int(std::lround(v.sx0 - middle.x())), int(std::lround(v.sy0 - middle.y())));
    zoom_view_by(w, std::min(double(v.area.width) / box.width(), double(v.area.height) / box.height()));
}

}  // namespace vx::gui
