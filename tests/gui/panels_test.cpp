// The window's panels and tool windows, the mouse modes of the view menu, the view arrows with
// their timers and the version dialog, driven offscreen as a user drives them.
#include "window_rig.h"

#include "gui/mouse_modes.h"
#include "gui/panel_bar.h"
#include "gui/tool_window.h"
#include "gui/version_dialog.h"
#include "gui/widgets.h"
#include "shell/dispatch.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QProgressDialog>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <cmath>

namespace vx::gui {
namespace {

QPoint screen_of(const WindowRig& rig, double x, double y, double z) {
    const view::ScreenPoint p = view::project(rig.app->display.view, x, y, z);
    return {p.x, p.y};
}

// ---- Panels ----
// Empty panels after a run leave the user without the line and the position the run ended on.

TEST(WindowPanels, TheNcLineAndPositionPanelsShowTheSelectionThenWhereTheRunEnded) {
    WindowRig rig({"slot.nc"});
    view::NcLinePanel p = nc_panel(*rig.w);
    EXPECT_EQ(p.label, "\tNcdata\t");
    EXPECT_EQ(p.text, rig.app->run.nc_path);
    rig.pick(shell::cmd::kCutAndShow);  // mode 3 shows no line while it runs
    p = nc_panel(*rig.w);
    EXPECT_EQ(p.label.rfind("\t\t", 0), 0u) << p.label;
    EXPECT_FALSE(p.text.empty());
    EXPECT_EQ(position_text(rig.app->run.state.move.position), position_text({50, 20, 25}));
    EXPECT_EQ(position_text({1.5, -2, 30}), "X    1.500 Y   -2.000 Z   30.000");
    // Single block: the panel names the pending block the run stopped before, not line 0.
    rig.pick(32856);
    rig.pick(shell::cmd::kRealCut);
    ASSERT_TRUE(rig.app->run.state.suspended);
    EXPECT_EQ(nc_panel(*rig.w).label, "\t\t" + std::to_string(rig.app->reader.line_number) + ":");
    EXPECT_GT(rig.app->reader.line_number, 0);
    QTest::keyClick(rig.w->main, Qt::Key_Escape);
    rig.settle();
    // A new selection shows the selection again.
    const shell::CommandArgs args{"slot.nc", {}};
    send_command(*rig.w, shell::cmd::kSelectNc, 0, &args);
    EXPECT_EQ(nc_panel(*rig.w).label, "\tNcdata\t");
}

// The fields tile the bar from the right without overlapping, at the -F height as well, and the
// NC line takes the rest.
TEST(WindowPanels, TheFieldsTileTheBarAtTheFontHeight) {
    const QFont before = QApplication::font();
    WindowRig rig({"-F20"});
    EXPECT_EQ(QApplication::font().pixelSize(), 20);
    QApplication::setFont(before);  // the application's font outlives the window
    EXPECT_EQ(rig.w->text_height, 20);
    EXPECT_GE(rig.w->panels->height(), 20);
    const PanelLayout l = panel_layout(1400, 30, 20);
    int right = 1400;
    for (int k = kPanelFields - 1; k >= 1; --k) {
        EXPECT_EQ(l.fields[std::size_t(k)].right() + 1, right) << k;
        EXPECT_GT(l.fields[std::size_t(k)].width(), 0) << k;
        right = l.fields[std::size_t(k)].left();
    }
    EXPECT_EQ(l.at(PanelField::NcLabel).left(), 0);
}

// The tool window: the current tool and its pocket in the magazine, never the focus.
TEST(WindowPanels, TheToolWindowShowsTheToolAndItsMagazinePocket) {
    WindowRig rig;
    rig.pick(32816);
    ASSERT_TRUE(rig.w->tool_window->isVisible());
    EXPECT_TRUE(rig.w->tool_window->windowFlags() & Qt::WindowDoesNotAcceptFocus);
    const std::vector<std::string> lines = tool_lines(*rig.app, {"Dia ", "C-r "});
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].rfind("T01  Flat D10", 0), 0u) << lines[0];
    EXPECT_EQ(lines[1], "Dia \t\t10.000");
    const view::MagazineStrip strip = current_magazine(*rig.app, {0, 0, 560, 150});
    ASSERT_EQ(strip.pockets.size(), std::size_t(view::kPockets));
    EXPECT_EQ(strip.pockets[kPocketsBeforeSpindle].tool, 1);
    EXPECT_EQ(strip.pockets[kPocketsBeforeSpindle].label, "Used");
    EXPECT_EQ(strip.pockets[view::kReadyPocket].tool, 2);
    EXPECT_EQ(strip.pockets[view::kReadyPocket].label, "Ready");
    EXPECT_EQ(strip.pockets[0].tool, 8);  // wrapped from the highest tool number (11)
    rig.pick(32816);
    EXPECT_FALSE(rig.w->tool_window->isVisible());
}

// ---- Mouse modes ----
// Each mode's drag changes its own quantity and nothing else; its cursor says which mode is on.

struct ViewSnapshot {
    ViewAngles angles;
    double zoom, cx, cy, cz;
    Vec3 light;
};

ViewSnapshot snapshot(const WindowRig& rig) {
    const view::ViewState& v = rig.app->display.view;
    return {view_angles(*rig.w), v.zoom, v.cx, v.cy, v.cz, v.light};
}

enum Changed { kAngles = 1, kZoom = 2, kCentre = 4, kLight = 8 };

int changes(const ViewSnapshot& a, const ViewSnapshot& b) {
    int c = 0;
    if (!(a.angles == b.angles)) c |= kAngles;
    if (a.zoom != b.zoom) c |= kZoom;
    if (a.cx != b.cx || a.cy != b.cy || a.cz != b.cz) c |= kCentre;
    if (a.light.x != b.light.x || a.light.y != b.light.y || a.light.z != b.light.z) c |= kLight;
    return c;
}

TEST(WindowMouse, EachModeDragsItsOwnQuantityWithItsCursor) {
    struct Case {
        int mode;
        Qt::KeyboardModifiers modifiers;
        int changed;
        Qt::CursorShape cursor;
    };
    const Case cases[]{
        {shell::cmd::kMouseRotate, {}, kAngles, Qt::SizeAllCursor},
        {shell::cmd::kMouseZoom, {}, kZoom, Qt::SizeVerCursor},
        {shell::cmd::kMousePan, {}, kCentre, Qt::OpenHandCursor},
        {shell::cmd::kMouseLight, {}, kLight, Qt::PointingHandCursor},
        {shell::cmd::kMouseZoomBox, {}, kZoom | kCentre, Qt::CrossCursor},
        {shell::cmd::kMouseMeasure, {}, 0, Qt::CrossCursor},
        {shell::cmd::kMouseZoom, Qt::ControlModifier, kCentre, Qt::SizeVerCursor},  // CTRL: the alternative, pan
    };
    WindowRig rig;
    for (const Case& c : cases) {
        rig.pick(c.mode);
        ASSERT_EQ(rig.app->mouse_mode, c.mode);
        EXPECT_EQ(rig.w->view->cursor().shape(), c.cursor) << c.mode;
        const ViewSnapshot before = snapshot(rig);
        const QPoint from(150, 120), to(230, 170);
        QTest::mousePress(rig.w->view, Qt::LeftButton, c.modifiers, from);
        QTest::mouseMove(rig.w->view, to);
        // Released without CTRL: Qt keeps the modifiers of the last event for the whole process.
        QTest::mouseRelease(rig.w->view, Qt::LeftButton, {}, to);
        rig.settle();
        EXPECT_EQ(changes(before, snapshot(rig)), c.changed) << c.mode << " with " << int(c.modifiers);
    }
    EXPECT_TRUE(rig.boxes().empty()) << rig.boxes().front();
}

// A slow drag (a few pixels per mouse event, each less than a whole 2.5-degree unit) turns the
// view as far as the same drag made quickly, not at all as when every event restarted the drag.
TEST(WindowMouse, ASlowDragTurnsAsFarAsAQuickOne) {
    WindowRig rig;
    const auto turned = [&rig](int pixels_per_event) {
        QTest::keyClick(rig.w->main, Qt::Key_R);
        const double a0 = view_angles(*rig.w).a;
        QPoint at(60, 150);
        QTest::mousePress(rig.w->view, Qt::LeftButton, {}, at);
        for (int moved = 0; moved < 240; moved += pixels_per_event) {
            at += QPoint(pixels_per_event, 0);
            QTest::mouseMove(rig.w->view, at);
        }
        QTest::mouseRelease(rig.w->view, Qt::LeftButton, {}, at);
        return std::fmod(view_angles(*rig.w).a - a0 + 360.0, 360.0);
    };
    const double quick = turned(240);
    EXPECT_GT(quick, 20.0);
    EXPECT_NEAR(turned(3), quick, 2.5);
    EXPECT_NEAR(turned(4), quick, 2.5);
}

// The measuring cursor on the cut slot, seen from above: the floor cell shows the line that cut
// it and its height; picking it again adds nothing; an uncut cell says "Not Cut" and the deltas
// are the slot's depth; outside the workpiece the last point loses its flag.
TEST(WindowMouse, TheMeasuringCursorPicksTheCellAndTheLineThatCutIt) {
    WindowRig rig({"slot.nc"});
    rig.pick(shell::cmd::kRealCut);
    QTest::keyClick(rig.w->main, Qt::Key_0);  // the plan view: no wall hides the floor
    rig.settle();
    rig.pick(shell::cmd::kMouseMeasure);
    const QPoint floor = screen_of(rig, 30, 20, 17);
    QTest::mouseClick(rig.w->view, Qt::LeftButton, {}, floor);
    ASSERT_EQ(rig.w->picks.points.size(), 1u);
    EXPECT_FLOAT_EQ(rig.w->picks.points[0].z, 17.0f);
    ASSERT_TRUE(rig.w->pick_panel.has_value());
    EXPECT_EQ(rig.w->pick_panel->label, "\t\t7: ");
    EXPECT_EQ(rig.w->pick_panel->text, "X50. F600");
    EXPECT_EQ(nc_panel(*rig.w).text, "X50. F600");
    EXPECT_EQ(rig.app->editor_line, 7);  // the editor and the program pane follow the pick
    QTest::mouseClick(rig.w->view, Qt::LeftButton, {}, floor);
    EXPECT_EQ(rig.w->picks.points.size(), 1u);
    QTest::mouseClick(rig.w->view, Qt::LeftButton, {}, screen_of(rig, 30, 35, 20));
    ASSERT_EQ(rig.w->picks.points.size(), 2u);
    EXPECT_FLOAT_EQ(rig.w->picks.points[1].z - rig.w->picks.points[0].z, 3.0f);
    EXPECT_EQ(rig.w->pick_panel->text, "Not Cut");
    QTest::mouseClick(rig.w->view, Qt::LeftButton, {}, QPoint(1, 1));
    EXPECT_FALSE(rig.w->picks.points.back().flag);
    // The panel and the cross are drawn over the frame: the view differs from one without picks.
    const QImage with_picks = rig.w->view->grab().toImage();
    rig.w->picks.points.clear();
    EXPECT_NE(rig.w->view->grab().toImage(), with_picks);
}

TEST(WindowMouse, LineOfAFileTakesCrLfAndMissingLines) {
    EXPECT_EQ(line_of("%\r\nG00 X1\r\nM30", 2), "G00 X1");
    EXPECT_EQ(line_of("%\nG00 X1\nM30", 3), "M30");
    EXPECT_EQ(line_of("%\nG00 X1\n", 3), "");
    EXPECT_EQ(line_of("%\n", 0), "");
}

// ---- The run's windows ----
// Without a window manager nothing stacks the progress window: it must lie beside the main
// window or over its view, never under the main window's frame where it cannot be seen.
TEST(WindowPanels, TheProgressWindowLiesBesideOrOverTheViewAndTheViewShowsTheWaitCursor) {
    WindowRig rig({"raster.nc"});
    rig.app->run.pump_messages = true;
    bool seen = false;
    QTimer::singleShot(0, rig.w->main, [&] {
        ASSERT_TRUE(shell::busy(*rig.app));
        seen = true;
        const QRect progress = rig.w->progress->frameGeometry();
        const QRect main = rig.w->main->frameGeometry();
        const QRect view(rig.w->view->mapToGlobal(QPoint(0, 0)), rig.w->view->size());
        EXPECT_TRUE(rig.w->progress->isVisible());
        EXPECT_TRUE(!progress.intersects(main) || view.contains(progress))
            << progress.x() << "," << progress.y() << " " << progress.width() << "x" << progress.height();
        EXPECT_EQ(rig.w->view->cursor().shape(), Qt::WaitCursor);
        QTest::keyClick(rig.w->main, Qt::Key_Escape);
    });
    rig.pick(shell::cmd::kRealCut);
    EXPECT_TRUE(seen) << "the run ended before its first pump";
    EXPECT_EQ(rig.w->view->cursor().shape(), Qt::SizeAllCursor);  // the rotate mode's again
}

// ---- Arrows and their timers ----

TEST(WindowTimers, AHeldArrowRepeatsAndADoubleClickTurnsUntilTheNextClick) {
    WindowRig rig;
    PanelBar* bar = rig.w->panels;
    const double a0 = view_angles(*rig.w).a;  // 315
    QTest::mousePress(bar, Qt::LeftButton, {}, bar->field_rect(PanelField::Right).center());
    EXPECT_DOUBLE_EQ(view_angles(*rig.w).a, std::fmod(a0 + 2.5, 360.0));
    QTest::qWait(350);  // timer 1 repeats while the arrow is held
    QTest::mouseRelease(bar, Qt::LeftButton, {}, bar->field_rect(PanelField::Right).center());
    const double held = view_angles(*rig.w).a;
    EXPECT_GE(std::fmod(held - a0 + 360.0, 360.0), 7.5);
    QTest::qWait(250);
    EXPECT_EQ(view_angles(*rig.w).a, held);  // released: no more steps

    QTest::mouseDClick(bar, Qt::LeftButton, {}, bar->field_rect(PanelField::Up).center());
    const double b0 = view_angles(*rig.w).b;
    QTest::qWait(350);  // timer 3 turns B on its own
    EXPECT_GT(view_angles(*rig.w).b, b0);
    QTest::mouseClick(rig.w->view, Qt::LeftButton, {}, QPoint(5, 5));
    const double stopped = view_angles(*rig.w).b;
    QTest::qWait(250);
    EXPECT_EQ(view_angles(*rig.w).b, stopped);
}

// W and S zoom about the workpiece point under the mouse: it becomes the view's centre. Away
// from the workpiece they zoom about the centre as it was.
TEST(WindowKeys, EnlargeAndShrinkCentreOnThePointUnderTheMouse) {
    WindowRig rig;
    const view::ViewState& v = rig.app->display.view;
    QCursor::setPos(rig.w->view->mapToGlobal(screen_of(rig, 10, 30, 20)));
    QTest::keyClick(rig.w->main, Qt::Key_W);
    EXPECT_NEAR(v.cx, 10, 1.0);
    EXPECT_NEAR(v.cy, 30, 1.0);
    EXPECT_FLOAT_EQ(float(v.cz), 20.0f);
    QCursor::setPos(rig.w->view->mapToGlobal(QPoint(2, 2)));  // beside the workpiece
    const double cx = v.cx, cy = v.cy;
    QTest::keyClick(rig.w->main, Qt::Key_S);
    EXPECT_EQ(v.cx, cx);
    EXPECT_EQ(v.cy, cy);
}

// ---- Keys that lead elsewhere ----

// The keys ask for the basic model through its file dialog (32851); cancelled there, no difference
// is shown and nothing more is said.
TEST(WindowKeys, DifferenceKeysWithoutABasicModelAskForIt) {
    WindowRig rig;
    for (int key : {Qt::Key_L, Qt::Key_Plus, Qt::Key_Minus}) {
        const std::size_t before = rig.w->recorded.size();
        QTest::keyClick(rig.w->main, Qt::Key(key));
        EXPECT_TRUE(rig.boxes(before).empty()) << key;
    }
    EXPECT_FALSE(rig.app->display.overlays.difference);
    EXPECT_FALSE(rig.app->workpiece.basic_loaded);
}

// ---- Version dialog and plug-in entries ----

TEST(WindowVersion, TheDialogRefreshesEverySecondUntilClosed) {
    WindowRig rig;
    rig.pick(104);
    ASSERT_NE(rig.w->version_dialog, nullptr);
    EXPECT_EQ(rig.w->version_dialog->windowTitle().toStdString(), "Version/Environment");
    const QLabel* text = rig.w->version_dialog->findChild<QLabel*>();
    const std::string first = text->text().toStdString();
    EXPECT_NE(first.find("Workpiece memory: "), std::string::npos) << first;
    EXPECT_NE(first.find("Other windows: "), std::string::npos) << first;
    const auto others = [](const std::string& t) { return std::stoi(t.substr(t.find("Other windows: ") + 15)); };
    rig.pick(213);  // one window more: the next refresh counts it
    QTest::qWait(kVersionRefreshMs + 200);
    EXPECT_EQ(others(text->text().toStdString()), others(first) + 1);
    rig.w->version_dialog->accept();
    EXPECT_EQ(rig.w->version_dialog, nullptr);
}

TEST(WindowMenus, PluginEntriesOnlyForLoadedModules) {
    WindowRig rig;
    for (int id : {32911, 32912, 32913, 32921, 32922, 32923, 32931, 32941, 32942, 32943})
        EXPECT_FALSE(command_action(*rig.w, id)->isVisible()) << id;
}

}  // namespace
}  // namespace vx::gui
