#include "gui/widgets.h"

#include "gui/menus.h"
#include "gui/mouse_modes.h"
#include "gui/panel_bar.h"
#include "gui/tool_window.h"

#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QPainter>
#include <QRubberBand>
#include <QTimer>

#include <cmath>

namespace vx::gui {

// ---- The main window ----

void MainWindow::keyPressEvent(QKeyEvent* event) {
    if (!event->isAutoRepeat()) {
        w_.keys_down.insert(event->key());
        w_.keys_pressed.insert(event->key());
    }
    if (event->key() == Qt::Key_Control) update_view_cursor(w_, true);  // the alternative mode's cursor
    if (!handle_key(w_, event->key(), event->modifiers())) QMainWindow::keyPressEvent(event);
}

void MainWindow::keyReleaseEvent(QKeyEvent* event) {
    if (!event->isAutoRepeat()) w_.keys_down.erase(event->key());
    if (event->key() == Qt::Key_Control) update_view_cursor(w_, false);
    QMainWindow::keyReleaseEvent(event);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (shell::busy(*w_.app)) {
        // The run is inside its loop below this event: it ends as by the escape key first.
        w_.close_after_run = true;
        event->ignore();
        return;
    }
    close_window(w_);
    event->accept();
}

void MainWindow::changeEvent(QEvent* event) {
    // Keys released while another window had the focus would otherwise stay down.
    if (event->type() == QEvent::ActivationChange && !isActiveWindow()) {
        w_.keys_down.clear();
        w_.keys_pressed.clear();
    }
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) post_definition_watch(w_);
    QMainWindow::changeEvent(event);
}

// The command menu stays beside the main window.
void MainWindow::moveEvent(QMoveEvent* event) {
    place_command_menu(w_);
    place_tool_window(w_);
    post_definition_watch(w_);
    QMainWindow::moveEvent(event);
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    place_command_menu(w_);
    place_tool_window(w_);
    QMainWindow::resizeEvent(event);
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
    std::vector<std::string> paths;
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile()) paths.push_back(url.toLocalFile().toStdString());
    event->acceptProposedAction();
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    // After the drop has returned to the other program, as a posted message would arrive.
    QTimer::singleShot(0, this, [this, paths, ctrl] { drop_files(w_, paths, ctrl); });
}

// ---- The view ----

ViewWidget::ViewWidget(Window& w) : w_(w) {
    setFocusPolicy(Qt::NoFocus);  // keys belong to the main window
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(false);
    setMinimumSize(1, 1);
}

void ViewWidget::paintEvent(QPaintEvent*) {
    shell::App& app = *w_.app;
    view::paint(app.display, app.workpiece);
    if (w_.difference_once) {  // drawn once; the next redraw goes without the lines
        w_.difference_once = false;
        app.display.overlays.difference = app.settings.define.difference_always;
    }
    draw_view_overlays(w_);
    const view::Surface& f = app.display.frame;
    QPainter painter(this);
    if (f.width > 0 && f.height > 0) {
        // The frame's rows as they are: its pixels are 0x00RRGGBB, which RGB32 reads as opaque.
        const QImage image(reinterpret_cast<const uchar*>(f.pixels.data()), f.width, f.height, f.width * 4,
                           QImage::Format_RGB32);
        painter.drawImage(0, 0, image);
    }
    first_paint_done(w_);
    post_definition_watch(w_);
}

void ViewWidget::resizeEvent(QResizeEvent*) { resize_view(w_, width(), height()); }

void ViewWidget::mousePressEvent(QMouseEvent* event) {
    shell::App& app = *w_.app;
    Drag& d = w_.drag;
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    stop_spinning(w_);
    const int mode = drag_mode(app.mouse_mode, ctrl);
    if (event->button() == Qt::LeftButton && mode == shell::cmd::kMouseMeasure) {
        pick_at(w_, event->position().toPoint());
        return;
    }
    if (event->button() == Qt::LeftButton && is_hand_tool_mode(mode)) {
        d = {true, Qt::LeftButton, event->position().toPoint(), mode, {}};
        hand_tool_press(w_, mode, d.last);
        return;
    }
    if (event->button() == Qt::LeftButton && mode == shell::cmd::kMouseZoomBox) start_zoom_box(w_);
    if (w_.zoom_box && event->button() == Qt::LeftButton) {
        if (!w_.band) w_.band = new QRubberBand(QRubberBand::Rectangle, this);
        d = {true, Qt::LeftButton, event->position().toPoint(), 0, {}};
        w_.band->setGeometry(QRect(d.last, QSize()));
        w_.band->show();
        return;
    }
    if (event->button() == Qt::LeftButton) {
        d = {true, Qt::LeftButton, event->position().toPoint(), mode, {}};
    } else if (event->button() == Qt::RightButton && app.settings.mouse.move_on_button_down) {
        d = {true, Qt::RightButton, event->position().toPoint(), shell::cmd::kMousePan, {}};
    } else {
        return;
    }
    setCursor(mode_cursor(d.mode, true));
}

void ViewWidget::mouseMoveEvent(QMouseEvent* event) {
    if (w_.zoom_box) confine_cursor(w_);
    Drag& d = w_.drag;
    if (!d.active) return;
    const QPoint p = event->position().toPoint();
    if (w_.zoom_box) {  // the box's corner stays where the button went down
        w_.band->setGeometry(QRect(d.last, p).normalized());
        return;
    }
    if (is_hand_tool_mode(d.mode)) {
        hand_tool_drag(w_, p);
        return;
    }
    const QPointF from = QPointF(d.last) + d.carry;
    const int dx = int(std::lround(p.x() - from.x())), dy = int(std::lround(p.y() - from.y()));
    if (!drag_step_due(dx, dy)) return;
    const DragUse used = drag_step(w_, d.mode, dx, dy, width(), height());
    const QPointF to = from + QPointF(used.dx, used.dy);
    d.last = to.toPoint();
    d.carry = to - QPointF(d.last);
}

void ViewWidget::mouseReleaseEvent(QMouseEvent* event) {
    const bool was_dragging = w_.drag.active && w_.drag.button == event->button();
    if (was_dragging && w_.zoom_box) {
        w_.drag.active = false;
        end_zoom_box(w_, QRect(w_.drag.last, event->position().toPoint()).normalized());
        return;
    }
    if (was_dragging) {
        w_.drag.active = false;
        if (is_hand_tool_mode(w_.drag.mode)) hand_tool_release(w_);
        if (w_.drag.mode == shell::cmd::kMouseLight) update();  // the light indicator goes
        update_view_cursor(w_, event->modifiers() & Qt::ControlModifier);
        return;
    }
    if (event->button() == Qt::RightButton && !w_.app->settings.mouse.move_on_button_down)
        show_view_menu(w_, event->globalPosition().toPoint());
}

void ViewWidget::wheelEvent(QWheelEvent* event) {
    shell::App& app = *w_.app;
    event->accept();
    if (app.workpiece.modification_state == sim::kNoWorkpiece) return;
    const int steps = wheel_steps(event->angleDelta().y(), app.settings.mouse.wheel_reverse);
    zoom_view_by(w_, wheel_zoom_factor(steps));
}

}  // namespace vx::gui
