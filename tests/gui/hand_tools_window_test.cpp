// The hand tools as a user meets them: a mouse mode of the view menu with its own cursor, a drag
// across the workpiece that changes it (with the tool's sounds), and the C key taking the stroke
// back; the "Tool Parameter" dialog, whose bad width keeps it open.
#include "window_rig.h"

#include "gui/widgets.h"

#include "platform/platform.h"
#include "shell/commands.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <numeric>

namespace vx::gui {
namespace {

double height_sum(const sim::Workpiece& wp) {
    return std::accumulate(wp.height.data, wp.height.data + wp.geometry.cell_count, 0.0);
}

int painted(const sim::Workpiece& wp) {
    int n = 0;
    for (std::int32_t k = 0; k < wp.geometry.cell_count; ++k) n += wp.attribute.data[k] & 1;
    return n;
}

TEST(WindowHandTools, ADragWorksTheWorkpieceAndCTakesItBack) {
    struct Case {
        int mode;
        int sign;  // of the height change: + welding, - grinder and paper, 0 brush (paints)
        const char* finished;
    };
    const Case cases[]{{shell::cmd::kMouseWelding, 1, "weldoku.wav"},
                       {shell::cmd::kMouseGrinder, -1, "grindoff.wav"},
                       {shell::cmd::kMousePaper, -1, "paperoku.wav"},
                       {shell::cmd::kMouseBrush, 0, "kanoku.wav"}};
    WindowRig rig;
    rig.app->run.sound = true;
    sim::Workpiece& wp = rig.app->workpiece;
    ASSERT_TRUE(sim::has_workpiece(wp));
    rig.app->settings.define.paper.width = 3.0;  // wide enough for cells at any zoom
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        rig.pick(c.mode);
        ASSERT_EQ(rig.app->mouse_mode, c.mode);
        EXPECT_EQ(rig.w->view->cursor().shape(), Qt::BitmapCursor);
        const double before = height_sum(wp);
        const int painted_before = painted(wp);
        const std::int64_t sounds = platform::headless_sounds().count;
        const QPoint centre = rig.w->view->rect().center();
        QTest::mousePress(rig.w->view, Qt::LeftButton, {}, centre);
        QTest::mouseMove(rig.w->view, centre + QPoint(40, 10));
        QTest::mouseRelease(rig.w->view, Qt::LeftButton, {}, centre + QPoint(40, 10));
        rig.settle();
        const double after = height_sum(wp);
        if (c.sign > 0) {
            EXPECT_GT(after, before);
        } else if (c.sign < 0) {
            EXPECT_LT(after, before);
        } else {
            EXPECT_GT(painted(wp), painted_before);
        }
        EXPECT_EQ(platform::headless_sounds().last, c.finished);
        EXPECT_EQ(platform::headless_sounds().count, sounds + 2);  // the working loop, then the end
        QTest::keyClick(rig.w->main, Qt::Key_C);
        rig.settle();
        EXPECT_EQ(height_sum(wp), before);
        EXPECT_EQ(painted(wp), painted_before);
    }
    EXPECT_TRUE(rig.boxes().empty()) << rig.boxes().front();
}

// A width of 0 is named on OK and the dialog stays open with the fields as typed; a usable value
// then closes it and the tools take the new sizes.
TEST(WindowHandTools, ToolParameterDialogRefusesAZeroWidthAndStaysOpen) {
    WindowRig rig;
    int first = -1;
    rig.w->dialog_answer = [&first](QDialog& d) {
        auto* width = d.findChild<QDoubleSpinBox*>("field1");
        auto* ok = d.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
        width->setValue(0.0);
        ok->click();
        first = d.result();  // still open: not accepted
        width->setValue(2.5);
        d.findChild<QDoubleSpinBox*>("field0")->setValue(0.75);
        ok->click();
        return d.result();
    };
    rig.pick(128);
    EXPECT_EQ(first, int(QDialog::Rejected));
    const std::vector<std::string> boxes = rig.boxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].rfind("dialog|", 0), 0u);
    EXPECT_TRUE(boxes[1].find("Width") != std::string::npos || boxes[1].find("幅") != std::string::npos) << boxes[1];
    EXPECT_DOUBLE_EQ(rig.app->settings.define.welding.width, 2.5);
    EXPECT_DOUBLE_EQ(rig.app->settings.define.welding.depth, 0.75);
}

}  // namespace
}  // namespace vx::gui
