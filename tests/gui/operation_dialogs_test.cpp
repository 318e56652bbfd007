// A workpiece operation's dialog driven offscreen from its menu item: the choice and the numbers
// set as a user sets them, OK, and the operation done on the window's workpiece.
#include "window_rig.h"

#include <QDialog>
#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QRadioButton>

#include <gtest/gtest.h>

namespace vx::gui {
namespace {

constexpr int kMove = 32827;

TEST(WindowOperationDialogs, MoveDialogOkPlacesTheWorkpieceAtTheTypedMinimum) {
    WindowRig rig;
    const std::size_t before = rig.boxes().size();
    rig.w->dialog_answer = [](QDialog& d) {
        auto* mode = d.findChild<QGroupBox*>("field0");
        auto* x = d.findChild<QDoubleSpinBox*>("field4");
        auto* y = d.findChild<QDoubleSpinBox*>("field5");
        auto* z = d.findChild<QDoubleSpinBox*>("field6");
        if (!mode || !x || !y || !z) return int(QDialog::Rejected);
        mode->findChild<QRadioButton*>("choice1")->setChecked(true);  // "Position"
        x->setValue(5);
        y->setValue(-6);
        z->setValue(-3);
        return int(QDialog::Accepted);
    };
    const double height = rig.app->workpiece.highest - rig.app->workpiece.work_bottom;
    rig.pick(kMove);
    EXPECT_EQ(rig.boxes(before), std::vector<std::string>{"dialog|Move"});
    const sim::Workpiece& wp = rig.app->workpiece;
    EXPECT_DOUBLE_EQ(wp.geometry.origin_x, 5.0);
    EXPECT_DOUBLE_EQ(wp.geometry.origin_y, -6.0);
    EXPECT_DOUBLE_EQ(wp.work_bottom, -3.0);
    EXPECT_DOUBLE_EQ(wp.highest, height - 3.0);
    // Cancel leaves it where it is.
    rig.w->dialog_answer = [](QDialog&) { return int(QDialog::Rejected); };
    rig.pick(kMove);
    EXPECT_DOUBLE_EQ(wp.geometry.origin_x, 5.0);
}

}  // namespace
}  // namespace vx::gui
