#include "gui/nc_pane.h"

#include "gui/widgets.h"
#include "platform/files.h"
#include "platform/language.h"
#include "shell/editor_commands.h"
#include "view/panels.h"

#include <QAction>
#include <QDockWidget>
#include <QMainWindow>
#include <QMenu>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QTextBlock>

namespace vx::gui {
namespace {

constexpr const char* kPaneName = "vornex-nc-pane";
constexpr const char* kPathProperty = "vornex-nc-path";  // the program the text was read from
constexpr const char* kLineProperty = "vornex-nc-line";  // the line highlighted last
constexpr std::uint32_t kHighlightPath = 0x00FF00;      // a clicked line's path: green on any workpiece colour
constexpr int kPathMessageMs = 3000;

constexpr platform::TextPair kTextPane{"NCプログラム表示(&G)", "NC &program pane"};
constexpr platform::TextPair kTextNoPath{"%d行目のパスは保持されていません", "No path of line %d is kept"};

QString qs(std::string_view s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }

QDockWidget* pane(const Window& w) { return w.main->findChild<QDockWidget*>(kPaneName); }
QPlainTextEdit* text_of(const QDockWidget* dock) { return static_cast<QPlainTextEdit*>(dock->widget()); }

// The program's text when another program was selected since it was read.
void load_program(Window& w, QDockWidget* dock) {
    const QString path = QString::fromStdString(w.app->run.nc_path);
    if (dock->property(kPathProperty).toString() == path) return;
    dock->setProperty(kPathProperty, path);
    dock->setProperty(kLineProperty, 0);
    const auto bytes = w.app->run.nc_path.empty() ? std::nullopt : platform::read_file(w.app->run.nc_path);
    text_of(dock)->setPlainText(bytes ? QString::fromLocal8Bit(bytes->data(), qsizetype(bytes->size())) : QString());
    dock->setWindowTitle(path.isEmpty() ? qs(platform::text(kTextPane)).remove('&') : path);
}

void highlight(QPlainTextEdit* text, int line) {
    const QTextBlock block = text->document()->findBlockByNumber(line - 1);
    if (!block.isValid()) return;
    QTextEdit::ExtraSelection mark;
    mark.cursor = QTextCursor(block);
    mark.format.setBackground(QColor(255, 230, 120));
    mark.format.setProperty(QTextFormat::FullWidthSelection, true);
    text->setExtraSelections({mark});
    text->setTextCursor(QTextCursor(block));  // scrolls to it; clicks, not the cursor, pick lines
    text->ensureCursorVisible();
}

// A click on a line of the program: its path over the view.
class LineClicks : public QObject {
public:
    LineClicks(Window& w, QPlainTextEdit* text) : QObject(text), w_(w), text_(text) {}

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() != QEvent::MouseButtonRelease) return false;
        const auto* mouse = static_cast<QMouseEvent*>(event);
        const int line = text_->cursorForPosition(mouse->position().toPoint()).blockNumber() + 1;
        highlight(text_, line);
        if (show_line_path(w_, line) == 0) {
            std::string message(platform::text(kTextNoPath));
            message.replace(message.find("%d"), 2, std::to_string(line));
            w_.main->statusBar()->showMessage(qs(message), kPathMessageMs);
        }
        return false;
    }

private:
    Window& w_;
    QPlainTextEdit* text_;
};

}  // namespace

void build_nc_pane(Window& w) {
    auto* dock = new QDockWidget(w.main);
    dock->setObjectName(kPaneName);
    auto* text = new QPlainTextEdit(dock);
    text->setReadOnly(true);
    text->setLineWrapMode(QPlainTextEdit::NoWrap);
    text->setFocusPolicy(Qt::NoFocus);  // every key, arrows included, stays with the main window
    text->viewport()->installEventFilter(new LineClicks(w, text));
    dock->setWidget(text);
    w.main->addDockWidget(Qt::RightDockWidgetArea, dock);
    dock->hide();
    QAction* toggle = dock->toggleViewAction();
    toggle->setText(qs(platform::text(kTextPane)));
    QObject::connect(toggle, &QAction::toggled, [&w, dock](bool on) {
        if (on) load_program(w, dock);
    });
    // The view menu is the one that holds the tool drawing switch.
    if (QAction* tool = command_action(w, 32883))
        for (QObject* o : tool->associatedObjects())
            if (auto* menu = qobject_cast<QMenu*>(o)) {
                menu->addSeparator();
                menu->addAction(toggle);
                break;
            }
}

void follow_nc_line(Window& w, int line) {
    QDockWidget* dock = pane(w);
    if (!dock || dock->isHidden() || line <= 0) return;
    load_program(w, dock);
    if (dock->property(kLineProperty).toInt() == line) return;
    dock->setProperty(kLineProperty, line);
    highlight(text_of(dock), line);
}

void select_cell_line(Window& w, long cell_line) {
    if (cell_line == 0) {
        w.main->statusBar()->showMessage(qs(platform::text(view::kTextNotCut)), kPathMessageMs);
        return;
    }
    shell::editor_show_cell_line(*w.app, cell_line);
    if (cell_line > 0) follow_nc_line(w, int(cell_line));  // a called program's lines are not in the pane
}

int show_line_path(Window& w, int line) {
    view::Display& d = w.app->display;
    view::PathColours colours;
    colours.tool_tip = colours.command_point = colours.uncut = colours.construction = kHighlightPath;
    colours.pen.fill(kHighlightPath);
    int drawn = 0;
    for (const platform::PathSegment& move : d.paths.moves) {
        if (move.line != line) continue;
        view::draw_path_move(d.view, move, colours, d.path_options, d.surface_sink.sink(), d.path_buffers);
        ++drawn;
    }
    if (drawn) w.view->update();
    return drawn;
}

}  // namespace vx::gui
