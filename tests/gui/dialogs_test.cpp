// The window's dialogs and pictures, driven offscreen as a user drives them: a form's field
// edited and confirmed, an offset table written back into the controller file, printing to a
// PDF file (one page a copy, landscape at first, the last set-up kept) and the saved image.
#include "window_rig.h"

#include "gui/dialogs.h"
#include "gui/nc_pane.h"
#include "gui/menus.h"
#include "integration/plugins.h"
#include "shell/commands.h"
#include "gui/widgets.h"
#include "output/png.h"
#include "platform/files.h"

#include <QAction>
#include <QCheckBox>
#include <QDialog>
#include <QDockWidget>
#include <QDoubleSpinBox>
#include <QPlainTextEdit>
#include <QFileDialog>
#include <QLineEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QMenu>
#include <QRadioButton>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <regex>

namespace vx::gui {
namespace {

int pages_of(const std::string& pdf) {
    const std::regex page("/Type\\s*/Page[^s]");
    return int(std::distance(std::sregex_iterator(pdf.begin(), pdf.end(), page), std::sregex_iterator()));
}

// ---- Forms ----

TEST(WindowDialogs, PitchFormTakesTheEditedValue) {
    WindowRig rig;
    rig.w->dialog_answer = [](QDialog& d) {
        auto* pitch = d.findChild<QDoubleSpinBox*>("field0");
        if (!pitch) return int(QDialog::Rejected);
        pitch->setValue(0.25);
        return int(QDialog::Accepted);
    };
    rig.pick(138);
    EXPECT_EQ(rig.app->settings.define.work_pitch.pitch, 0.25);
    EXPECT_EQ(rig.boxes().front(), "dialog|Pitch");
    // Cancel keeps the value.
    rig.w->dialog_answer = [](QDialog& d) {
        d.findChild<QDoubleSpinBox*>("field0")->setValue(3.0);
        return int(QDialog::Rejected);
    };
    rig.pick(138);
    EXPECT_EQ(rig.app->settings.define.work_pitch.pitch, 0.25);
}

// D07 edited with "Modify CTL-File": the controller file holds it afterwards, its old text in
// ".bak", and the check box is remembered for the next opening.
TEST(WindowDialogs, DCodeTableWrittenBackIntoTheControllerFile) {
    WindowRig rig;
    bool remembered = false;
    rig.w->dialog_answer = [&remembered](QDialog& d) {
        auto* modify = d.findChild<QCheckBox*>("modify");
        remembered = modify->isChecked();
        d.findChild<QLineEdit*>("offset7")->setText("3.5");
        modify->setChecked(true);
        return int(QDialog::Accepted);
    };
    rig.pick(32841);
    EXPECT_FLOAT_EQ(rig.app->ctl.d[7].value, 3.5f);
    const auto text = platform::read_file(rig.app->ctl.path);
    ASSERT_TRUE(text);
    EXPECT_NE(text->find("D07= 3.500000"), std::string::npos) << *text;
    EXPECT_TRUE(platform::is_file(rig.app->ctl.path + ".bak"));
    EXPECT_FALSE(remembered);
    rig.pick(32841);
    EXPECT_TRUE(remembered);
}

// ---- Printing ----

TEST(WindowPrint, PrintToPdfGivesOnePageACopyAndKeepsTheSetUp) {
    WindowRig rig;
    const std::string pdf = rig.dir.path() + "view.pdf";
    QPageLayout::Orientation first = QPageLayout::Portrait;
    rig.w->dialog_answer = [&](QDialog& d) {
        QPrinter* printer = static_cast<QPrintDialog&>(d).printer();
        first = printer->pageLayout().orientation();
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(QString::fromStdString(pdf));
        printer->setCopyCount(3);
        printer->setPageOrientation(QPageLayout::Portrait);
        return int(QDialog::Accepted);
    };
    rig.pick(32815);
    EXPECT_EQ(first, QPageLayout::Landscape);
    const auto bytes = platform::read_file(pdf);
    ASSERT_TRUE(bytes);
    EXPECT_EQ(pages_of(*bytes), 3);
    EXPECT_NE(bytes->find("/Subtype /Image"), std::string::npos);  // the view, not a blank page
    // The next print starts from the set-up chosen now.
    rig.w->dialog_answer = [&](QDialog& d) {
        first = static_cast<QPrintDialog&>(d).printer()->pageLayout().orientation();
        return int(QDialog::Rejected);
    };
    rig.pick(32815);
    EXPECT_EQ(first, QPageLayout::Portrait);
}

// ---- The saved image ----
// The PNG is the view as the widget shows it, pixel for pixel.
TEST(WindowImage, SavedImageIsTheViewAsShown) {
    WindowRig rig;
    const std::string path = rig.dir.path() + "view.png";
    ASSERT_TRUE(save_view_image(*rig.w, path));
    const QImage shown = rig.w->view->grab().toImage().convertToFormat(QImage::Format_RGB32);
    view::Surface back;
    ASSERT_TRUE(output::read_png(path, back));
    ASSERT_EQ(back.width, shown.width());
    ASSERT_EQ(back.height, shown.height());
    for (int y = 0; y < shown.height(); y += 7)
        for (int x = 0; x < shown.width(); x += 7)
            ASSERT_EQ(back.pixels[std::size_t(y) * back.width + x] & 0xFFFFFF, shown.pixel(x, y) & 0xFFFFFF) << x << "," << y;
    EXPECT_FALSE(save_view_image(*rig.w, rig.dir.path() + "no/such/folder/view.png"));
}

// The menu's save dialog: its title and its single filter, the name chosen there written as PNG.
TEST(WindowImage, SaveDialogTitleFilterAndTheFileChosen) {
    WindowRig rig;
    QString title, filters;
    const QString chosen = QString::fromStdString(rig.dir.path() + "picked");
    rig.w->dialog_answer = [&](QDialog& d) {
        auto& files = static_cast<QFileDialog&>(d);
        title = files.windowTitle();
        filters = files.nameFilters().join("|");
        files.selectFile(chosen);
        return int(QDialog::Accepted);
    };
    rig.pick(32889);
    EXPECT_EQ(title.toStdString(), "Save Image");
    EXPECT_EQ(filters.toStdString(), "Image File(*.PNG)");
    view::Surface back;
    EXPECT_TRUE(output::read_png(rig.dir.path() + "picked.png", back));
}

}  // namespace
}  // namespace vx::gui

namespace vx::gui {
namespace {

// ---- Optimize NC-Data ----
// Cancel keeps the old values and starts nothing; "No" greys the path and naming choices; GO
// stores the choices and runs.
TEST(WindowDialogs, OptimiseDialogStoresTheChoicesAndStartsTheRun) {
    WindowRig rig({"slot.nc"});
    ASSERT_FALSE(rig.app->run.nc_path.empty());
    const int old_cut = rig.app->settings.optimize.opt_cut;
    rig.w->dialog_answer = [](QDialog& d) {
        d.findChild<QWidget*>("field0")->findChild<QRadioButton*>("choice2")->setChecked(true);
        return int(QDialog::Rejected);
    };
    rig.pick(32831);
    EXPECT_EQ(rig.app->settings.optimize.opt_cut, old_cut);
    EXPECT_EQ(rig.app->run.state.blocks, 0);

    bool greyed = false;
    rig.w->dialog_answer = [&greyed](QDialog& d) {
        d.findChild<QWidget*>("field4")->findChild<QRadioButton*>("choice0")->setChecked(true);  // no program
        d.findChild<QWidget*>("field2")->findChild<QRadioButton*>("choice0")->setChecked(true);  // no cut data
        greyed = !d.findChild<QWidget*>("field0")->isEnabled() && !d.findChild<QWidget*>("field5")->isEnabled();
        d.findChild<QDoubleSpinBox*>("field6")->setValue(7.5);
        return int(QDialog::Accepted);
    };
    rig.pick(32831);
    EXPECT_TRUE(greyed);
    EXPECT_EQ(rig.app->settings.optimize.opt_nc, 0);
    EXPECT_EQ(rig.app->settings.optimize.escape_height, 7.5);
    EXPECT_GT(rig.app->run.state.blocks, 0);  // the run went through the program
}

}  // namespace
}  // namespace vx::gui

namespace vx::gui {
namespace {

// ---- The NC program pane ----
// Hidden at first and switched on from the view menu; a run's line is highlighted in it; a
// clicked line draws that block's path over the view (pixels change), a line without a kept path
// says so; a picked cell's line becomes the editor's line.
TEST(NcPane, FollowsTheRunAndShowsAClickedLinesPath) {
    WindowRig rig({"slot.nc"});
    auto* dock = rig.w->main->findChild<QDockWidget*>("vornex-nc-pane");
    ASSERT_NE(dock, nullptr);
    EXPECT_TRUE(dock->isHidden());
    dock->toggleViewAction()->trigger();
    rig.settle();
    auto* text = static_cast<QPlainTextEdit*>(dock->widget());
    EXPECT_TRUE(text->toPlainText().startsWith("%") || !text->toPlainText().isEmpty());

    rig.pick(shell::cmd::kToolTipPath);  // a path run keeps every move with its line
    const int last = rig.app->interp.main_line;
    ASSERT_GT(last, 1);
    EXPECT_EQ(dock->property("vornex-nc-line").toInt(), last);
    ASSERT_EQ(text->extraSelections().size(), 1);
    EXPECT_EQ(text->extraSelections()[0].cursor.blockNumber() + 1, last);

    int cutting_line = 0;
    for (const platform::PathSegment& m : rig.app->display.paths.moves)
        if (m.motion == 1) cutting_line = m.line;
    ASSERT_GT(cutting_line, 0) << "the result keeps the run's path";
    const view::Surface before = rig.app->display.surface;
    EXPECT_GT(show_line_path(*rig.w, cutting_line), 0);
    EXPECT_NE(rig.app->display.surface.pixels, before.pixels);
    EXPECT_EQ(show_line_path(*rig.w, 100000), 0);

    select_cell_line(*rig.w, -3);  // a called program's line: the editor's line is its number
    EXPECT_EQ(rig.app->editor_line, 3);
}

}  // namespace
}  // namespace vx::gui

namespace vx::gui {
namespace {

// ---- Plug-in menu items ----
// Items of the slots that hold a module carry its caption; the others are not shown.
TEST(PluginMenus, LoadedModulesNameTheirItemsOthersAreHidden) {
    WindowRig rig;
    label_plugin_items(*rig.w);
    EXPECT_FALSE(command_action(*rig.w, shell::cmd::kSimPlugin)->isVisible());
    ASSERT_EQ(integration::load_plugins(rig.app->plugins, VORNEX_TEST_PLUGIN_DIR), 2);
    label_plugin_items(*rig.w);
    QAction* first = command_action(*rig.w, shell::cmd::kNcReaderPlugin);
    EXPECT_TRUE(first->isVisible());
    EXPECT_EQ(first->text().toStdString(), "vxread (tst;PTH)");
    EXPECT_TRUE(command_action(*rig.w, shell::cmd::kNcReaderPlugin + 1)->isVisible());
    EXPECT_FALSE(command_action(*rig.w, shell::cmd::kNcReaderPlugin + 2)->isVisible());  // its INIT refused
    EXPECT_FALSE(command_action(*rig.w, shell::cmd::kDisableNcCom)->isVisible());
    integration::free_plugins(rig.app->plugins);
    ASSERT_EQ(integration::load_plugins(rig.app->plugins, VORNEX_EXAMPLE_PLUGIN_DIR), 6);  // every example
    label_plugin_items(*rig.w);
    EXPECT_TRUE(command_action(*rig.w, shell::cmd::kDisableNcCom)->isVisible());
}

// Simulation modules in slots 0 and 1 show their keys in the Run menu, and F8 and F9 start them
// once a program is selected (the modules write down that they were asked); the modifier's item
// stands in the Workpiece menu with its caption, cut to 50 characters.
TEST(PluginMenus, FunctionKeysRunTheSimulationModules) {
    WindowRig rig({"slot.nc"});
    ASSERT_EQ(integration::load_plugins(rig.app->plugins, VORNEX_TEST_BAD_PLUGIN_DIR), 3);
    label_plugin_items(*rig.w);
    EXPECT_EQ(command_action(*rig.w, shell::cmd::kSimPlugin)->text().toStdString(), "Bad vxsim or F8");
    EXPECT_EQ(command_action(*rig.w, shell::cmd::kSimPlugin + 1)->text().toStdString(), "Bad vxsim1 or F9");
    EXPECT_EQ(command_action(*rig.w, shell::cmd::kModPlugin)->text().toStdString(), std::string(VX_PLUGIN_TEXT, 'M'));
    EXPECT_EQ(command_action(*rig.w, shell::cmd::kModPlugin)->parent(), static_cast<QObject*>(rig.w->menus[1]));  // the Workpiece menu
    const std::string log = rig.dir.path() + "calls.log";
    ::setenv("VXBAD_LOG", log.c_str(), 1);
    QTest::keyClick(rig.w->main, Qt::Key_F8);
    rig.settle();
    QTest::keyClick(rig.w->main, Qt::Key_F9);
    rig.settle();
    ::unsetenv("VXBAD_LOG");
    const std::string calls = rig.dir.read("calls.log");
    EXPECT_NE(calls.find("vxsim parameter 1\n"), std::string::npos) << calls;
    EXPECT_NE(calls.find("vxsim1 parameter 1\n"), std::string::npos) << calls;
    EXPECT_NE(calls.find("vxsim1 end 0\n"), std::string::npos) << calls;

    // A module that fails is refused in a box that names it, and its item goes.
    ::setenv("VXBAD", "fail", 1);
    const std::size_t before = rig.w->recorded.size();
    QTest::keyClick(rig.w->main, Qt::Key_F9);
    rig.settle();
    ::unsetenv("VXBAD");
    const std::vector<std::string> boxes = rig.boxes(before);
    EXPECT_TRUE(std::any_of(boxes.begin(), boxes.end(), [](const std::string& b) {
        return b.find("vxsim1") != std::string::npos && b.find("failed to cut") != std::string::npos;
    })) << (boxes.empty() ? "no box" : boxes.back());
    EXPECT_FALSE(command_action(*rig.w, shell::cmd::kSimPlugin + 1)->isVisible());
    EXPECT_TRUE(command_action(*rig.w, shell::cmd::kSimPlugin)->isVisible());
}

}  // namespace
}  // namespace vx::gui
