// The desktop window driven as a user drives it, offscreen: menus, keys, dropped files, a run
// from the menu and the settings written back at the end.
#include "window_rig.h"

#include "gui/menus.h"
#include "gui/panel_bar.h"
#include "gui/widgets.h"
#include "shell/dispatch.h"
#include "shell/handlers.h"

#include <QAction>
#include <QPushButton>
#include <QTimer>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <map>

namespace vx::gui {
namespace {

bool any_box_with(const std::vector<std::string>& boxes, const std::string& text) {
    return std::any_of(boxes.begin(), boxes.end(), [&](const std::string& b) { return b.find(text) != std::string::npos; });
}

// ---- Menus ----
// A command missing from the menus, or one whose item does nothing, leaves the user without it.

TEST(WindowMenus, EveryCommandOfTheTableHasOneItem) {
    WindowRig rig;
    std::map<int, int> items;
    for (const CommandAction& a : rig.w->actions) ++items[a.id];
    for (const shell::Command& c : shell::command_table())
        for (int id = c.first; id <= c.last; ++id) EXPECT_EQ(items[id], 1) << id;
    EXPECT_EQ(items.size(), rig.w->actions.size()) << "an item without a command";
    // The message file's slots are the menus and their items, one caption each, but for the items
    // added for loaded plug-ins (the three modifiers, the comment module's switch): a message file
    // written before them must keep its slots.
    const std::size_t added_items = 3 + 1;
    EXPECT_EQ(menu_shape().size() + added_items, rig.w->menus.size() + rig.w->actions.size());
}

// Every item either does its work, is greyed, or says that this build lacks it: picking every
// item without a module must answer with a box naming its id, and every item the window answers
// must open its dialog or say the same.
TEST(WindowMenus, NoItemIsSilentlyDead) {
    WindowRig rig;
    int told = 0;
    for (const CommandAction& a : rig.w->actions) {
        const shell::Command* c = shell::find_command(a.id);
        const bool window_item = c->handler == &shell::handlers::window_command;
        if ((c->handler && !window_item) || !a.action->isEnabled()) continue;
        const std::size_t before = rig.w->recorded.size();
        rig.pick(a.id);
        const bool dialog = window_item && any_box_with(rig.boxes(before), "dialog|");
        EXPECT_TRUE(dialog || any_box_with(rig.boxes(before), std::to_string(a.id) + " (")) << a.id;
        ++told;
    }
    EXPECT_GT(told, 0);  // the loop looked at the items of modules still to come
    // The mouse modes that are not built say so as well; the built ones are taken.
    const std::size_t before = rig.w->recorded.size();
    rig.pick(shell::cmd::kMousePan);
    EXPECT_EQ(rig.app->mouse_mode, shell::cmd::kMousePan);
    EXPECT_TRUE(rig.boxes(before).empty());
}

// After any command the check marks and the greyed items are the table's rules, read afresh.
TEST(WindowMenus, CheckMarksAndEnableStatesFollowEveryCommand) {
    WindowRig rig;
    const auto states_agree = [&rig](int after) {
        for (const CommandAction& a : rig.w->actions) {
            const shell::Command& c = *shell::find_command(a.id);
            EXPECT_EQ(a.action->isEnabled(), shell::command_enabled(*rig.app, c, a.id)) << a.id << " after " << after;
            if (c.check != shell::Check::None) {
                EXPECT_EQ(a.action->isChecked(), shell::command_checked(*rig.app, c, a.id)) << a.id << " after " << after;
            }
        }
    };
    for (const CommandAction& a : rig.w->actions) {
        const shell::Command& c = *shell::find_command(a.id);
        const bool switch_or_radio = c.check != shell::Check::None && c.handler && a.action->isEnabled();
        if (!switch_or_radio) continue;
        const bool was = a.action->isChecked();
        const std::size_t boxes = rig.w->recorded.size();
        rig.pick(a.id);
        const bool refused = rig.w->recorded.size() > boxes;  // a mouse mode this build lacks
        const bool radio = c.check >= shell::Check::StopMode || c.check == shell::Check::MouseMode ||
                           c.check == shell::Check::ColourByPen || c.check == shell::Check::ColourByDirection;
        EXPECT_EQ(a.action->isChecked(), refused ? was : radio ? true : !was) << a.id;
        states_agree(a.id);
    }
    // A workpiece exists from the start: its data-holding level can no longer change.
    EXPECT_FALSE(command_action(*rig.w, shell::cmd::kDataLevelFirst)->isEnabled());
}

TEST(WindowMenus, RunItemsWaitForTheSelectedProgram) {
    WindowRig rig;
    EXPECT_FALSE(command_action(*rig.w, shell::cmd::kCutAndShow)->isEnabled());
    const shell::CommandArgs args{"slot.nc", {}};
    send_command(*rig.w, shell::cmd::kSelectNc, 0, &args);
    EXPECT_TRUE(command_action(*rig.w, shell::cmd::kCutAndShow)->isEnabled());
    EXPECT_NE(rig.w->main->windowTitle().toStdString().find("slot.nc"), std::string::npos);
}

// ---- A run you can watch ----

TEST(WindowRun, ARunFromTheMenuCutsTheSlotAndShowsIt) {
    WindowRig rig({"slot.nc"});  // selected by the start, after the first paint
    ASSERT_EQ(rig.app->run.nc_path.empty(), false);
    const QImage before = rig.w->view->grab().toImage();
    rig.pick(shell::cmd::kRealCut);
    EXPECT_FLOAT_EQ(rig.height(30, 20), 17.0f);  // the slot's floor
    EXPECT_FLOAT_EQ(rig.height(30, 30), 20.0f);  // beside it
    EXPECT_TRUE(rig.boxes().empty()) << rig.boxes().front();  // a clean end shows no box
    EXPECT_NE(rig.w->view->grab().toImage(), before);
    EXPECT_TRUE(command_action(*rig.w, shell::cmd::kLoadWork)->isEnabled());  // unlocked again
}

TEST(WindowRun, ARunEndsWithItsEndMessage) {
    WindowRig rig({"rapid.nc"});
    rig.pick(shell::cmd::kCutAndShow);
    const std::vector<std::string> boxes = rig.boxes();
    ASSERT_EQ(boxes.size(), 1u);
    // Run results carry the message in the title and the NC file in the body.
    EXPECT_EQ(boxes[0], "The tool was dameged. (G00 interference)|" + rig.app->run.nc_path);
}

// Batch levels 0 to 4 open the window and run their sequence once it has been painted: -X2
// selects the program and cuts it for real, and the window stays.
TEST(WindowRun, LevelTwoCutsFromTheStartTimerAndKeepsTheWindow) {
    WindowRig rig({"-X2", "slot.nc"});
    EXPECT_FLOAT_EQ(rig.height(30, 20), 17.0f);
    EXPECT_TRUE(rig.w->main->isVisible());
    EXPECT_FALSE(rig.w->closed);
}

// Closing the window while a run pumps its events ends the run as the escape key does, and the
// window closes once the run has returned, not under it.
TEST(WindowRun, ClosingDuringARunEndsTheRunFirst) {
    WindowRig rig({"raster.nc"});
    bool closed_while_running = false;
    rig.app->run.pump_messages = true;
    QTimer::singleShot(0, rig.w->main, [&] {
        closed_while_running = shell::busy(*rig.app);
        rig.w->main->close();
    });
    rig.pick(shell::cmd::kRealCut);
    ASSERT_TRUE(closed_while_running) << "the run ended before its first pump";
    EXPECT_TRUE(rig.app->run.state.escaped);
    EXPECT_LT(rig.app->run.state.moves, 500);  // it did not run to its end
    rig.settle();
    EXPECT_TRUE(rig.w->closed);
}

// Single block: the run stops before every block; G goes on by one block, the escape key ends it.
TEST(WindowRun, SingleBlockStopsAndTheKeysGoOnAndEnd) {
    WindowRig rig({"slot.nc"});
    rig.pick(32856);
    rig.pick(shell::cmd::kRealCut);
    ASSERT_TRUE(rig.app->run.state.suspended);
    const int line = rig.app->reader.line_number;
    QTest::keyClick(rig.w->main, Qt::Key_G);
    rig.settle();
    EXPECT_TRUE(rig.app->run.state.suspended);
    EXPECT_GT(rig.app->reader.line_number, line);
    QTest::keyClick(rig.w->main, Qt::Key_Escape);
    rig.settle();
    EXPECT_FALSE(rig.app->run.state.suspended);
    EXPECT_EQ(rig.app->run.state.run_mode, shell::kModeIdle);
}

// The stop panel's GO and ESC fields act as the keys while the run waits for the user, and do
// nothing otherwise.
TEST(WindowRun, TheStopPanelFieldsGoOnAndEnd) {
    WindowRig rig({"slot.nc"});
    const auto click = [&rig](PanelField f) {
        QTest::mouseClick(rig.w->panels, Qt::LeftButton, {}, rig.w->panels->field_rect(f).center());
        rig.settle();
    };
    rig.pick(32856);
    click(PanelField::Go);
    EXPECT_EQ(rig.app->run.state.run_mode, shell::kModeIdle);  // no run to go on with
    rig.pick(shell::cmd::kRealCut);
    ASSERT_TRUE(rig.app->run.state.suspended);
    const int line = rig.app->reader.line_number;
    click(PanelField::Go);
    EXPECT_GT(rig.app->reader.line_number, line);
    ASSERT_TRUE(rig.app->run.state.suspended);
    click(PanelField::Esc);
    EXPECT_FALSE(rig.app->run.state.suspended);
    EXPECT_EQ(rig.app->run.state.run_mode, shell::kModeIdle);
}

// ---- Keys and files ----

TEST(WindowKeys, ViewKeysTurnAndZoomAsTheTableSays) {
    WindowRig rig;
    struct Case {
        int key;
        ViewAngles expected;
    };
    // From A 315, B 45 (the settings' start), each key after the one before.
    const std::vector<Case> cases{{Qt::Key_1, {225, 45}}, {Qt::Key_5, {210, 45}}, {Qt::Key_7, {30, 45}},
                                  {Qt::Key_6, {45, 45}},  {Qt::Key_3, {45, 45}},  {Qt::Key_8, {0, 90}},
                                  {Qt::Key_U, {0, 85}},   {Qt::Key_U, {0, 75}},   {Qt::Key_9, {270, 90}},
                                  {Qt::Key_0, {0, 0}},    {Qt::Key_D, {0, 5}},    {Qt::Key_D, {0, 15}},
                                  {Qt::Key_R, {315, 45}}, {Qt::Key_2, {135, 45}}};
    for (const Case& c : cases) {
        QTest::keyClick(rig.w->main, Qt::Key(c.key));
        EXPECT_EQ(view_angles(*rig.w), c.expected) << QKeySequence(c.key).toString().toStdString();
    }
    // Pressing 2 again changes nothing unless CTRL is held.
    rig.settle();
    ASSERT_FALSE(rig.app->display.redraw_due);
    QTest::keyClick(rig.w->main, Qt::Key_2);
    EXPECT_FALSE(rig.app->display.redraw_due);
    QTest::keyClick(rig.w->main, Qt::Key_2, Qt::ControlModifier);
    EXPECT_TRUE(rig.app->display.redraw_due);
    // W and S zoom by EXPAND RATE and back.
    const double zoom = rig.app->display.view.zoom;
    QTest::keyClick(rig.w->main, Qt::Key_W);
    EXPECT_DOUBLE_EQ(rig.app->display.view.zoom, zoom * rig.app->settings.define.expand_rate);
    QTest::keyClick(rig.w->main, Qt::Key_S);
    EXPECT_DOUBLE_EQ(rig.app->display.view.zoom, zoom);
}

// The keys the run polls: a tap between two polls is still seen, once; a held key as long as it
// is held.
TEST(WindowKeys, TheRunSeesATapOnceAndAHeldKeyWhileHeld) {
    WindowRig rig;
    QTest::keyClick(rig.w->main, Qt::Key_Escape);
    EXPECT_TRUE(platform::key_down(platform::Key::Escape));
    EXPECT_FALSE(platform::key_down(platform::Key::Escape));
    QTest::keyPress(rig.w->main, Qt::Key_Space);
    EXPECT_TRUE(platform::key_down(platform::Key::Space));
    EXPECT_TRUE(platform::key_down(platform::Key::Space));
    QTest::keyRelease(rig.w->main, Qt::Key_Space);
    EXPECT_FALSE(platform::key_down(platform::Key::Space));
}

// The zoom box: what was at the box's centre comes to the middle of the view and the box fills
// the view in its tighter direction; every other point follows by the same affine map (the
// parallel view is linear), within the pixel rounding. Keys wait while the box is drawn.
TEST(WindowKeys, TheZoomBoxFillsTheViewWithTheBox) {
    WindowRig rig;
    view::ViewState& v = rig.app->display.view;
    v.perspective = false;
    view::refresh_projection(v);
    const double zoom = v.zoom;
    const view::ScreenPoint corner = view::project(v, 0, 0, 20);
    const QRect box(QPoint(150, 100), QPoint(229, 159));  // 80 x 60 pixels
    QTest::keyClick(rig.w->main, Qt::Key_Z);
    QTest::mousePress(rig.w->view, Qt::LeftButton, {}, box.topLeft());
    QTest::mouseMove(rig.w->view, box.bottomRight());
    QTest::keyClick(rig.w->main, Qt::Key_1);  // ignored while the box is drawn
    QTest::mouseRelease(rig.w->view, Qt::LeftButton, {}, box.bottomRight());
    const double factor = std::min(v.area.width / 80.0, v.area.height / 60.0);
    EXPECT_NEAR(v.zoom, zoom * factor, 1e-9);
    EXPECT_EQ(view_angles(*rig.w), (ViewAngles{315, 45}));
    const view::ScreenPoint moved = view::project(v, 0, 0, 20);
    const QPointF middle = QRectF(box).center();
    EXPECT_NEAR(moved.x, v.sx0 + (corner.x - middle.x()) * factor, factor + 1);
    EXPECT_NEAR(moved.y, v.sy0 + (corner.y - middle.y()) * factor, factor + 1);
    EXPECT_FALSE(rig.w->zoom_box);
}

// The command menu's buttons act as their keys on the main window; neither the menu nor a
// button can take the focus from it.
TEST(WindowKeys, TheCommandMenuSendsItsKeysWithoutTakingTheFocus) {
    WindowRig rig;
    rig.pick(213);
    ASSERT_TRUE(rig.w->command_menu->isVisible());
    const QList<QPushButton*> buttons = rig.w->command_menu->findChildren<QPushButton*>();
    ASSERT_EQ(buttons.size(), 20);
    for (const QPushButton* b : buttons) EXPECT_EQ(b->focusPolicy(), Qt::NoFocus);
    EXPECT_TRUE(rig.w->command_menu->windowFlags() & Qt::WindowDoesNotAcceptFocus);
    QTest::mouseClick(buttons[6], Qt::LeftButton);  // "2"
    EXPECT_EQ(view_angles(*rig.w), (ViewAngles{135, 45}));
    QTest::mouseClick(buttons[3], Qt::LeftButton);  // "W"
    EXPECT_DOUBLE_EQ(rig.app->display.view.zoom, rig.app->settings.define.expand_rate);
    rig.pick(213);
    EXPECT_FALSE(rig.w->command_menu->isVisible());
}

// Resizing the window keeps the view as the user turned and zoomed it; the surface follows the
// widget, and the frame fills it.
TEST(WindowKeys, AResizeKeepsTheViewAndResizesTheSurface) {
    WindowRig rig;
    QTest::keyClick(rig.w->main, Qt::Key_1);
    QTest::keyClick(rig.w->main, Qt::Key_W);
    const double zoom = rig.app->display.view.zoom;
    rig.w->main->resize(700, 520);
    rig.settle();
    const view::Display& d = rig.app->display;
    EXPECT_EQ(view_angles(*rig.w), (ViewAngles{225, 45}));
    EXPECT_EQ(d.view.zoom, zoom);
    EXPECT_EQ(d.surface.width, rig.w->view->width());
    EXPECT_EQ(d.surface.height, rig.w->view->height());
    EXPECT_EQ(rig.w->view->grab().toImage().size(), QSize(d.frame.width, d.frame.height));
}

// A workpiece file dropped on the window loads as if chosen in the load dialog: the slot cut and
// saved, the backup restored (C), and the saved file dropped brings the slot back.
TEST(WindowKeys, ADroppedWorkpieceFileLoads) {
    WindowRig rig({"slot.nc"});
    rig.pick(shell::cmd::kRealCut);
    const shell::CommandArgs save{rig.dir.path() + "slot.dmf", {}};  // as named in the save dialog
    ASSERT_EQ(send_command(*rig.w, shell::cmd::kSaveWork, 0, &save), 1);
    const shell::CommandArgs stl{rig.dir.path() + "slot.stl", {}};  // the name's extension picks the format
    ASSERT_EQ(send_command(*rig.w, shell::cmd::kSaveWork, 0, &stl), 1);
    EXPECT_EQ(rig.dir.read("slot.stl").rfind("solid", 0), 0u);
    QTest::keyClick(rig.w->main, Qt::Key_C);
    ASSERT_FLOAT_EQ(rig.height(30, 20), 20.0f);
    drop_files(*rig.w, {rig.dir.path() + "slot.dmf"}, false);
    EXPECT_FLOAT_EQ(rig.height(30, 20), 17.0f);
    EXPECT_NE(rig.w->main->windowTitle().toStdString().find("slot.dmf"), std::string::npos);
}

// ---- The change watch ----
// A definition file saved in the editor is read again once, on the next paint; a file gone
// missing is reported once; after the current directory moved nothing is compared.

TEST(WindowWatch, AChangedDefinitionIsReadAgainOnceAndAMissingOneReportedOnce) {
    WindowRig rig;
    const auto touch = [&rig](const std::string& name) {
        const auto path = std::filesystem::path(rig.dir.path() + name);
        std::filesystem::last_write_time(path, std::filesystem::last_write_time(path) + std::chrono::seconds(5));
    };
    const auto repaint = [&rig] {
        rig.w->view->repaint();
        rig.settle();
    };
    touch("e2e.ctl");
    repaint();
    repaint();
    EXPECT_EQ(rig.boxes(), (std::vector<std::string>{"VORNEX2000|Because the CTL-file has been update, it reads."}));

    std::filesystem::remove(rig.dir.path() + "e2e.mtl");
    touch("e2e.ttl");
    for (int k = 0; k < 3; ++k) repaint();  // the tool file read again; the machine file no longer opens
    EXPECT_EQ(rig.boxes(1), (std::vector<std::string>{"VORNEX2000|Because the TTL-file has been update, it reads.",
                                                      "VORNEX2000|Because the MTL-file has been update, it reads.",
                                                      "VORNEX2000|The MTL-file is not found."}));

    testing::TempDir elsewhere;
    std::filesystem::current_path(elsewhere.path());
    touch("e2e.ctl");
    repaint();
    EXPECT_EQ(rig.boxes(4).size(), 0u);
    std::filesystem::current_path(rig.dir.path());
}

// ---- The end ----

TEST(WindowEnd, ClosingWritesThePlacementAndTheShownWindowsBack) {
    auto rig = std::make_unique<WindowRig>();
    rig->app->settings.save.display = 1;  // "restore the window placement"
    rig->w->main->setGeometry(40, 50, 520, 410);
    rig->pick(213);    // the command menu and the tool window shown: both come back at the next start
    rig->pick(32816);
    rig->settle();
    rig->w->main->close();
    const std::string written = rig->dir.read("vornex.ini");
    EXPECT_NE(written.find("WIDE=520"), std::string::npos) << written;
    EXPECT_NE(written.find("HEIGHT=410"), std::string::npos) << written;
    EXPECT_NE(written.find("VIEW_P=1"), std::string::npos) << written;
    EXPECT_NE(written.find("VIEW_T=1"), std::string::npos) << written;
}

}  // namespace
}  // namespace vx::gui
