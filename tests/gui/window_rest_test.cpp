// The window's remaining rules, driven offscreen as a user drives them: the keys I, J, M and @,
// the tool window's twelve dimensions, the measuring panel's decimals, the cursor under an open
// menu, the cursor kept over the view while a zoom box is drawn, the offsets panel with its tabs
// and the definition files that open on a click, the "Auto Naming" labels that follow the
// optimise dialog's choices, and the printer that cannot take the picture.
#include "window_rig.h"

#include "gui/dialogs.h"
#include "gui/mouse_modes.h"
#include "gui/panel_bar.h"
#include "gui/tool_window.h"
#include "gui/widgets.h"
#include "integration/editor_link.h"
#include "platform/encoding.h"
#include "shell/commands.h"
#include "shell/definitions.h"
#include "shell/message_file.h"
#include "sim/tools.h"

#include <QApplication>
#include <QCheckBox>
#include <QCursor>
#include <QDialog>
#include <QMenu>
#include <QMouseEvent>
#include <QPaintEngine>
#include <QPrinter>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <sys/stat.h>
#include <thread>

namespace vx::gui {
namespace {

Vec3 view_centre(const WindowRig& rig) {
    const view::ViewState& v = rig.app->display.view;
    return {v.cx, v.cy, v.cz};
}

bool near(const Vec3& a, const Vec3& b) {
    return std::abs(a.x - b.x) < 1e-6 && std::abs(a.y - b.y) < 1e-6 && std::abs(a.z - b.z) < 1e-6;
}

// ---- The keys I, J, M and @ ----
// Each row is a key pressed in order after a run and one pick; the view centre, the zoom and the
// drawn tool must become what the row says and nothing else may move. A wrong-way origin, a tool
// placed by its control point instead of its tip, or a key that also moved the run's own position
// would each fail a row.
TEST(ToolKeys, EachKeyMovesTheViewOrTheDrawnToolAsItsRowSays) {
    WindowRig rig({"slot.nc"});
    rig.pick(shell::cmd::kCutAndShow);
    shell::App& app = *rig.app;
    const Vec3 run_end = app.run.state.move.position;
    const sim::GridGeometry& g = app.workpiece.geometry;
    const double length = app.display.tool.length;
    const Vec3 run_tip{run_end.x - g.origin_x, run_end.y - g.origin_y, run_end.z - length};
    ASSERT_TRUE(near(app.display.tool.tip, run_tip))
        << "the tool is drawn where the run left it: " << app.display.tool.tip.x << "," << app.display.tool.tip.y << ","
        << app.display.tool.tip.z << " run end " << run_end.x << "," << run_end.y << "," << run_end.z << " length "
        << length;

    // @ before any pick says so and leaves the tool.
    const std::size_t boxes = rig.w->recorded.size();
    QTest::keyClick(rig.w->main, Qt::Key_At);
    ASSERT_EQ(rig.boxes(boxes).size(), 1u);
    EXPECT_NE(rig.boxes(boxes)[0].find("measuring cursor"), std::string::npos);
    EXPECT_TRUE(near(app.display.tool.tip, run_tip));

    rig.w->picks.points = {{12.5f, 7.0f, 20.0f, true}};  // a point of the top, as a pick leaves it
    const Vec3 picked_tip{12.5 - g.origin_x, 7.0 - g.origin_y, 20.0};
    struct Row {
        Qt::Key key;
        Vec3 centre;  // relative to the grid origin
        double zoom_factor;
        Vec3 tip;
    };
    const double rate = app.settings.define.expand_rate;
    const std::vector<Row> rows{
        {Qt::Key_M, run_tip, 1.0, run_tip},
        {Qt::Key_At, run_tip, 1.0, picked_tip},
        {Qt::Key_I, picked_tip, rate, picked_tip},
        {Qt::Key_J, picked_tip, 1.0, run_tip},
        {Qt::Key_I, run_tip, rate, run_tip},
    };
    for (const Row& r : rows) {
        const double zoom = app.display.view.zoom;
        QTest::keyClick(rig.w->main, r.key);
        rig.settle();
        const std::string key = QTest::toString(r.key);
        EXPECT_TRUE(near(view_centre(rig), r.centre)) << key;
        EXPECT_NEAR(app.display.view.zoom, zoom * r.zoom_factor, 1e-9) << key;
        EXPECT_TRUE(near(app.display.tool.tip, r.tip)) << key;
        EXPECT_TRUE(near(app.run.state.move.position, run_end)) << key << ": the run's position is its own";
    }
}

// ---- The tool window ----
// All twelve labels with their values: a tool with a neck shows its length, rise, shank and the
// diameter the neck starts from (the tapered edge's top, not the cutter diameter); a tool with a
// plain LENGTH has no neck and shows "-" rather than zeros that read as real sizes.
TEST(ToolWindow, TwelveDimensionsOfAKnownTool) {
    WindowRig rig;
    shell::App& app = *rig.app;
    ASSERT_EQ(sim::read_tool_text(app.tools,
                                  "MAGAZINE01 CUTTER 10,0,5,0,0,5,20 \"Taper\" LENGTH2 60,35,5,16\n"
                                  "MAGAZINE02 FLAT 8,20 \"Flat\" LENGTH 40\n",
                                  "", {}),
              1);
    const auto& english = shell::english_tool_dimension_labels();
    const std::vector<std::string> labels(english.begin(), english.end());
    ASSERT_EQ(labels.size(), std::size_t(kDimensionsShown));
    struct Case {
        int tool;
        std::vector<std::string> values;
    };
    // Du = 2 rb, rb = h tan(beta) + d/2 = 20 tan 5 deg + 5.
    const std::vector<Case> cases{
        {1, {"10.000", "0.000", "5.000", "0.000", "0.000", "5.000", "20.000", "60.000", "35.000", "5.000", "16.000", "13.500"}},
        {2, {"8.000", "0.000", "0.000", "0.000", "0.000", "0.000", "20.000", "40.000", "-", "-", "-", "-"}},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(sim::select_tool(app.tool, app.tools, c.tool, {}), 1);
        const std::vector<std::string> lines = tool_lines(app, labels);
        ASSERT_EQ(lines.size(), 1u + kDimensionsShown) << c.tool;
        for (std::size_t k = 0; k < c.values.size(); ++k)
            EXPECT_EQ(lines[k + 1], labels[k] + "\t\t" + c.values[k]) << "tool " << c.tool << " " << labels[k];
    }
    rig.pick(32816);  // the window holds the heading and three rows of four
    EXPECT_GE(rig.w->tool_window->height(), 4 * (rig.w->text_height + 8));
}

// ---- The measuring panel ----
// The decimals follow the controller's input unit: three for 1/1000, two for 1/100, four for any
// other (1/10000). A panel that kept three decimals would hide the fourth of a 1/10000 control.
TEST(MeasuringPanel, DecimalsFollowTheControllersUnit) {
    WindowRig rig;
    rig.w->picks.points = {{12.5f, 3.25f, 20.0f, true}, {10.0f, 3.25f, 20.0f, true}};
    const std::vector<std::pair<int, std::vector<std::string>>> table{
        {1000, {"X\t\t   10.000", "DX\t\t   -2.500"}},
        {100, {"X\t\t   10.00", "DX\t\t   -2.50"}},
        {10000, {"X\t\t   10.0000", "DX\t\t   -2.5000"}},
    };
    for (const auto& [unit, expected] : table) {
        rig.app->ctl.unit = unit;
        const std::vector<std::string> lines = measuring_panel_lines(*rig.w);
        ASSERT_GE(lines.size(), 4u);
        EXPECT_EQ(lines[0], expected[0]) << unit;
        EXPECT_EQ(lines[3], expected[1]) << unit;
    }
}

// ---- Cursor under a menu ----
// An opened menu shows the arrow and drops the pending cursor timer, so that the mode's cursor
// cannot come back under the menu; closing the menu brings the mode's cursor back.
TEST(MenuCursor, AnOpenMenuStopsTheCursorTimerAndShowsTheArrow) {
    WindowRig rig;
    rig.pick(shell::cmd::kMouseMeasure);
    QTimer* cursor_timer = rig.w->timers[kCursorTimer];
    ASSERT_TRUE(cursor_timer->isActive()) << "a command restarts the cursor timer";
    QMenu* menu = rig.w->menus.front();
    emit menu->aboutToShow();
    EXPECT_FALSE(cursor_timer->isActive());
    EXPECT_EQ(rig.w->view->cursor().shape(), Qt::ArrowCursor);
    update_view_cursor(*rig.w, false);
    emit menu->hovered(menu->actions().front());  // an item highlighted
    EXPECT_FALSE(cursor_timer->isActive());
    emit menu->aboutToHide();
    EXPECT_EQ(rig.w->view->cursor().shape(), Qt::CrossCursor);
}

// ---- Zoom box ----
// While the box is drawn the cursor cannot leave the view, and the tool window steps aside;
// giving the box up frees the mouse.
TEST(ZoomBox, TheCursorStaysOverTheViewWhileTheBoxIsDrawn) {
    WindowRig rig;
    rig.pick(32816);
    ASSERT_TRUE(rig.w->tool_window->isVisible());
    QTest::keyClick(rig.w->main, Qt::Key_Z);
    ASSERT_TRUE(rig.w->zoom_box);
    EXPECT_FALSE(rig.w->tool_window->isVisible());
    EXPECT_EQ(QWidget::mouseGrabber(), rig.w->view);
    const QRect area(rig.w->view->mapToGlobal(QPoint(0, 0)), rig.w->view->size());
    for (const QPoint outside : {area.topLeft() - QPoint(50, 40), area.bottomRight() + QPoint(30, 500)}) {
        // The move as the grab delivers it from beyond the view.
        QCursor::setPos(outside);
        QMouseEvent move(QEvent::MouseMove, QPointF(rig.w->view->mapFromGlobal(outside)), QPointF(outside), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(rig.w->view, &move);
        EXPECT_TRUE(area.contains(QCursor::pos())) << QCursor::pos().x() << "," << QCursor::pos().y();
    }
    QTest::keyClick(rig.w->main, Qt::Key_Escape);
    EXPECT_FALSE(rig.w->zoom_box);
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
}

// ---- Offsets panel and definition files ----
// Each tab click shows that tab's record as it is now (an H entry changed by the dialog shows at
// the next paint); a click on the controller file's name opens that file in its editor.
TEST(OffsetsPanel, TabsSwitchAndShowTheRecordsAndAFileNameOpensItsEditor) {
    WindowRig rig;
    shell::App& app = *rig.app;
    const PanelBar& bar = *rig.w->panels;
    const DefinitionLayout l = bar.definitions();
    const auto click = [&](DefinitionField f) {
        QTest::mouseClick(rig.w->panels, Qt::LeftButton, {}, l.at(f).center());
    };
    const view::OffsetsSource source = offsets_source(*rig.w);
    EXPECT_EQ(view::offsets_text(view::OffsetsTab::Workpiece, source), "X0.000~60.000 Y0.000~40.000 Z0.000~20.000 P0.500");
    app.ctl.h[5] = {1.25f, -0.5f};
    app.interp.modal.h_number = 5;
    const std::vector<std::pair<DefinitionField, view::OffsetsTab>> tabs{
        {DefinitionField::TabH, view::OffsetsTab::HCode},
        {DefinitionField::TabControlPoint, view::OffsetsTab::ControlPoint},
        {DefinitionField::TabD, view::OffsetsTab::DCode},
        {DefinitionField::TabWorkpiece, view::OffsetsTab::Workpiece},
    };
    for (const auto& [field, tab] : tabs) {
        click(field);
        EXPECT_EQ(rig.w->offsets_tab, tab);
        const auto fields = view::offsets_tab_fields(rig.w->offsets_tab);
        EXPECT_EQ(fields[std::size_t(tab)].edge, view::FieldEdge::Sunken);
    }
    EXPECT_EQ(view::offsets_text(view::OffsetsTab::HCode, source), "H05 Offset    1.250 Wear   -0.500");
    EXPECT_EQ(view::offsets_text(view::OffsetsTab::DCode, source), "D00 -");
    EXPECT_EQ(view::offsets_text(view::OffsetsTab::ControlPoint, source).find("X"), 0u);

    const std::string log = rig.dir.path() + "edited.log";
    const std::string editor = rig.dir.write("ctl-editor", "#!/bin/sh\necho \"$@\" >> '" + log + "'\n");
    ::chmod(editor.c_str(), 0755);
    app.settings.editor.ctl_editor = editor;
    click(DefinitionField::Controller);
    for (int i = 0; i < 200 && rig.dir.read("edited.log").empty(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(rig.dir.read("edited.log"), app.ctl.path + "\n");
    EXPECT_EQ(definition_file_text("/w/e2e.ctl"), "\te2e.ctl");
    EXPECT_EQ(definition_file_text(""), "\t-");
}

// ---- Definition row at the default width ----
// The offsets text was cut at the right edge of a 1000 px window. The names give way first, shown
// elided (never inside a character) with the full text as a tooltip, so that the widest tab's
// text shows whole at 1000 px and a wide window shows everything whole; at any width the fields
// tile the row and the tabs keep room to be clicked.
TEST(DefinitionRow, OffsetsTextStaysWholeWhileTheNamesGiveWay) {
    WindowRig rig;
    Window& w = *rig.w;
    shell::App& app = *rig.app;
    app.settings.table.tool_table = rig.dir.write("finishing_tools_for_the_left_fixture.ttl", rig.dir.read("e2e.ttl"));
    ASSERT_EQ(shell::read_tool_file(app), 1);
    app.ctl.name = "\u7E26\u578B\u30DE\u30B7\u30CB\u30F3\u30B0\u30BB\u30F3\u30BF";  // 11 wide characters
    const int th = w.text_height;
    const auto shows_whole = [&](const QRect& r, const std::string& text) {
        return view::status_field_width(*w.fonts, text, th) <= r.width();
    };
    const std::vector<std::pair<DefinitionField, std::string>> names{
        {DefinitionField::Name, "\t" + app.ctl.name},
        {DefinitionField::Tools, definition_file_text(app.tools.path)},
        {DefinitionField::Controller, definition_file_text(app.ctl.path)},
        {DefinitionField::Machine, definition_file_text(app.mtl.path)},
    };
    for (const int width : {1000, 1600}) {
        SCOPED_TRACE(width);
        w.main->resize(width, 700);
        rig.settle();
        const DefinitionLayout l = w.panels->definitions();
        ASSERT_NEAR(w.panels->width(), width, 4);  // the bar spans the window but for its margins
        for (int k = 0; k < view::kOffsetsTabs; ++k)
            EXPECT_TRUE(shows_whole(l.at(DefinitionField::Offsets), view::offsets_text(view::OffsetsTab(k), offsets_source(w))))
                << k;
        EXPECT_EQ(definition_tooltip(w, l, DefinitionField::Offsets), "") << "a whole text needs no tooltip";
        EXPECT_EQ(definition_tooltip(w, l, DefinitionField::Tools), app.tools.path);
        std::vector<DefinitionField> elided;
        for (const auto& [field, text] : names) {
            const QRect& r = l.at(field);
            const std::string shown = view::elide_field_text(*w.fonts, text, r.width(), th);
            EXPECT_TRUE(shows_whole(r, shown)) << shown;
            EXPECT_TRUE(platform::valid_utf8(shown)) << shown;
            EXPECT_EQ(shown != text, !shows_whole(r, text)) << shown;
            if (shown == text) continue;
            elided.push_back(field);
            EXPECT_EQ(shown.substr(shown.size() - 3), "\u2026") << shown;
            EXPECT_GE(r.width(), 3 * th) << text;
        }
        // 1000 px has no room for the long tool file beside the widest offsets text; 1600 px has.
        EXPECT_EQ(std::count(elided.begin(), elided.end(), DefinitionField::Tools), width == 1000 ? 1 : 0);
        if (width == 1600) {
            EXPECT_TRUE(elided.empty());
        }
    }
    const DefinitionNeeds needs = definition_needs(w);
    for (int width = 0; width <= 2000; width += 7) {
        const DefinitionLayout l = definition_layout(width, 20, 20, th, needs);
        int left = 0;
        for (const QRect& r : l.fields) {
            EXPECT_EQ(r.left(), left) << width;
            EXPECT_GE(r.width(), 0) << width;
            left += r.width();
        }
        EXPECT_EQ(left, width);
        if (width < 400) continue;
        for (DefinitionField tab : {DefinitionField::TabWorkpiece, DefinitionField::TabH, DefinitionField::TabD,
                                    DefinitionField::TabControlPoint})
            EXPECT_GE(l.at(tab).width(), th) << width;
    }
}

// ---- The editor while stepping ----
// An editor that takes a line goes to the program's top as a run starts and to each line a single
// block stops at; one that cannot be told a line says so once, not at every block.
std::string wait_for_lines(const WindowRig& rig, const std::string& name, std::size_t lines) {
    for (int i = 0; i < 300; ++i) {
        const std::string text = rig.dir.read(name);
        if (std::size_t(std::count(text.begin(), text.end(), '\n')) >= lines) return text;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return rig.dir.read(name);
}

// Two single-block stops and the escape; the lines stopped at as the editor is told them.
std::string step_twice(const WindowRig& rig) {
    std::string stops;
    rig.pick(32856);  // single block
    for (int k = 0; k < 2; ++k) {
        rig.pick(shell::cmd::kRealCut);
        stops += "+" + std::to_string(rig.app->reader.line_number) + "\n";
    }
    QTest::keyClick(rig.w->main, Qt::Key_Escape);
    rig.settle();
    return stops;
}

TEST(EditorStepping, TopAtTheStartThenEachStopAndOneNoteForAnEditorThatCannotFollow) {
    WindowRig rig({"slot.nc"});
    shell::App& app = *rig.app;
    const std::string editor = rig.dir.write("gedit", "#!/bin/sh\necho \"$1\" >> '" + rig.dir.path() + "lines.log'\n");
    ::chmod(editor.c_str(), 0755);
    app.settings.editor.program = editor;
    rig.pick(shell::cmd::kEditor);
    wait_for_lines(rig, "lines.log", 1);
    const std::string stops = step_twice(rig);
    EXPECT_EQ(wait_for_lines(rig, "lines.log", 4), "+1\n+1\n" + stops) << "opened, the top, the two stops";

    const std::string other = rig.dir.write("mousepad", "#!/bin/sh\nexit 0\n");
    ::chmod(other.c_str(), 0755);
    app.settings.editor.program = other;
    release_link(app.editor);
    rig.pick(shell::cmd::kEditor);
    ::testing::internal::CaptureStderr();
    step_twice(rig);
    const std::string said = ::testing::internal::GetCapturedStderr();
    std::size_t notes = 0;
    for (std::size_t at = said.find("cannot be moved"); at != std::string::npos; at = said.find("cannot be moved", at + 1))
        ++notes;
    EXPECT_EQ(notes, 1u) << said;
}

// ---- Optimize NC-Data: the "Auto Naming" labels ----
// Each box names the file the run would write with the choices as they are while the dialog is
// open: the fixed name while off, the program's name while on, the binary suffix for binary cut
// data. A label fixed at opening would name a file the run does not write.
TEST(OptimiseDialog, AutoNamingLabelsFollowTheChoices) {
    WindowRig rig({"slot.nc"});
    rig.app->settings.optimize.cut_data_auto_name = false;
    std::vector<std::string> seen;
    rig.w->dialog_answer = [&seen](QDialog& d) {
        auto* naming = d.findChild<QCheckBox*>("field3");
        auto* cut_data = d.findChild<QWidget*>("field2");
        seen.push_back(naming->text().toStdString());
        naming->setChecked(true);
        seen.push_back(naming->text().toStdString());
        cut_data->findChild<QRadioButton*>("choice3")->setChecked(true);  // binary
        seen.push_back(naming->text().toStdString());
        naming->setChecked(false);
        seen.push_back(naming->text().toStdString());
        return int(QDialog::Rejected);
    };
    rig.pick(shell::cmd::kOptimise);
    EXPECT_EQ(seen, (std::vector<std::string>{"Auto Naming (CUTDATA.TXT)", "Auto Naming (slot.TXT)",
                                              "Auto Naming (slot.BIN)", "Auto Naming (CUTDATA.BIN)"}));
}

// ---- Printing ----
// Qt's PDF engine (files and CUPS printers) takes the scaled picture; an engine that cannot draw a
// transformed image, or none at all, is refused before anything is sent.
class EngineWithoutImages : public QPaintEngine {
public:
    EngineWithoutImages() : QPaintEngine(QPaintEngine::PaintEngineFeatures()) {}
    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    void updateState(const QPaintEngineState&) override {}
    void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
    Type type() const override { return QPaintEngine::User; }
};

TEST(Printing, APrinterThatCannotTakeTheRasterPictureIsRefused) {
    QPrinter pdf(QPrinter::HighResolution);
    pdf.setOutputFormat(QPrinter::PdfFormat);
    EXPECT_TRUE(prints_raster(pdf.paintEngine()));
    const EngineWithoutImages without;
    EXPECT_FALSE(prints_raster(&without));
    EXPECT_FALSE(prints_raster(nullptr));
}

}  // namespace
}  // namespace vx::gui
