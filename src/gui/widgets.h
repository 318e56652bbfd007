// The two Qt widgets of the window: the main window, which takes keys, activation, moves,
// dropped files and the close, and the view, which shows the display's frame and takes the
// mouse. Both hand everything on to the functions of window.h.
#pragma once

#include "gui/window.h"

#include <QMainWindow>
#include <QWidget>

namespace vx::gui {

class MainWindow : public QMainWindow {
public:
    explicit MainWindow(Window& w) : w_(w) {}

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool focusNextPrevChild(bool) override { return false; }  // TAB is a key the run polls

private:
    Window& w_;
};

// Shows the display's frame through a QImage over its pixels (no copy).
class ViewWidget : public QWidget {
public:
    explicit ViewWidget(Window& w);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    Window& w_;
};

}  // namespace vx::gui
