// The panels under the view, in two rows. First the NC-line panel (the selection, the current
// block of a run, the cell picked with the measuring cursor), the position of the tool, the
// stop-mode panel with its GO and ESC fields, and the four view arrows; then the definition files
// and the offsets panel (offsets_bar.h). They are drawn from the program's state at every paint,
// so that they show what is true after a run as well as during one. Clicks on GO and ESC act as
// the keys; an arrow held turns the view by repeats of timer 1, a double click on it turns the
// view on and on (timers 2 and 3) until the next click.
#pragma once

#include "gui/offsets_bar.h"
#include "gui/window.h"
#include "view/panels.h"
#include "view/surface.h"

#include <QWidget>

#include <array>

namespace vx::gui {

enum class PanelField { NcLabel, NcText, Position, M01, Single, Define, None, Go, Esc, Left, Right, Up, Down };
constexpr int kPanelFields = 13;

struct PanelLayout {
    std::array<QRect, kPanelFields> fields;
    QRect& at(PanelField f) { return fields[std::size_t(f)]; }
    const QRect& at(PanelField f) const { return fields[std::size_t(f)]; }
};

// Where each field lies in a bar of width x height for the given text height: the arrows and the
// stop fields at the right, the position before them, the NC line taking what is left.
PanelLayout panel_layout(int width, int height, int text_height);

// What the NC-line panel shows now: the picked cell, the run's current block (once the selected
// program has been read from), or the selection.
view::NcLinePanel nc_panel(const Window& w);

// The position panel's text: the tool's control point.
std::string position_text(const Vec3& p);

// The view arrows: one step of timer 1, 2 or 3 in the direction of `field`.
void turn_by_arrow(Window& w, PanelField field);
void stop_spinning(Window& w);
void arrow_timer(Window& w, int id);  // timers 1, 2 and 3

class PanelBar : public QWidget {
public:
    explicit PanelBar(Window& w);
    QSize sizeHint() const override;
    QRect field_rect(PanelField f) const;
    DefinitionLayout definitions() const;  // the second row

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    PanelField field_at(const QPoint& p, bool* found) const;
    int row_height() const;
    Window& w_;
    view::Surface surface_;
};

}  // namespace vx::gui
