// The desktop window: the main window over the renderer's surface, its menus built from the
// command table, the keys and the mouse of the view, dropped files, timers 1 to 7 and the
// platform backend that the run calls. Everything the window does ends in the dispatcher or in
// the view; it holds no simulation logic of its own.
#pragma once

#include "gui/sound.h"
#include "gui/view_rules.h"
#include "platform/platform.h"
#include "shell/app.h"
#include "shell/message_file.h"
#include "view/offsets_panel.h"
#include "view/panels.h"
#include "view/tool_view.h"
#include "work/hand_tools.h"

#include <QPoint>
#include <QPointF>
#include <QRect>

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

class QAction;
class QDialog;
class QLabel;
class QMainWindow;
class QMenu;
class QProgressDialog;
class QPushButton;
class QRubberBand;
class QTimer;
class QWidget;

namespace vx::gui {

class MainWindow;
class PanelBar;
class ViewWidget;

constexpr int kTimerCount = 8;          // ids 1..7
constexpr int kArrowTimer = 1;          // repeats a view arrow of the panels while it is held
constexpr int kSpinATimer = 2;          // turns A on and on (a double-clicked arrow)
constexpr int kSpinBTimer = 3;          // ... B
constexpr int kWheelRedrawTimer = 4;    // the full redraw after the wheel or a drag
constexpr int kCursorTimer = 6;         // the mouse mode's cursor again after a change
constexpr int kBatchTimer = 7;          // the one-shot unattended start

// How a box is shown: to the user, or, for tests, only recorded and answered unattended.
enum class Boxes { Shown, Recorded };

struct WindowOptions {
    Boxes boxes = Boxes::Shown;
    int width = 1000, height = 700;  // without a saved placement
};

// One menu action with the command id it dispatches.
struct CommandAction {
    int id = 0;
    QAction* action = nullptr;
};

// The state of a mouse drag in the view.
struct Drag {
    bool active = false;
    Qt::MouseButton button = Qt::NoButton;
    QPoint last;     // where the button went down, then where the last step's pixels end
    int mode = 0;    // the mouse mode the drag was started in
    QPointF carry;   // the part of a pixel the last step left over (rotate and light)
};

struct Window {
    Window() = default;
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;
    ~Window();

    shell::App* app = nullptr;
    WindowOptions options;
    MainWindow* main = nullptr;  // owns every widget below
    ViewWidget* view = nullptr;
    PanelBar* panels = nullptr;        // NC line, position, stop modes with GO and ESC, view arrows
    QWidget* tool_window = nullptr;    // the tool and the magazine strip; shown while VIEW_T is set
    QDialog* version_dialog = nullptr; // refreshed every second while open
    std::unique_ptr<view::Fonts> fonts;  // the panels' text
    int text_height = view::kPanelTextHeight;  // of the panels and the window's font (-F)
    QProgressDialog* progress = nullptr;
    QWidget* command_menu = nullptr;   // the 20 buttons; shown while the settings' VIEW_P is set
    std::vector<CommandAction> actions;
    std::vector<QMenu*> menus;
    std::array<QTimer*, kTimerCount> timers{};
    SoundPlayer sounds;
    std::set<int> keys_down;     // Qt key codes held while the window is active
    // ... and pressed since the run last asked for them: a tap shorter than the pump's interval
    // still reaches the run.
    std::set<int> keys_pressed;
    std::vector<std::string> recorded;  // Boxes::Recorded: "title|body" of every box
    // Boxes::Recorded: answers a dialog in place of the user (QDialog::Accepted or Rejected);
    // without it every dialog is cancelled.
    std::function<int(QDialog&)> dialog_answer;
    Drag drag;
    bool waiting = false;          // the run asked for the wait cursor
    bool zoom_box = false;         // Z: the next left drag draws the box of the displayed range
    view::PickedPoints picks;      // the measuring cursor's points
    work::HandStroke stroke;       // the hand tool's stroke while its button is held
    std::optional<view::NcLinePanel> pick_panel;  // the NC-line panel of the last picked cell
    std::optional<int> run_line;   // the line the run named last; else the interpreter's main line
    bool difference_once = false;  // the temporary difference display: its lines go after one paint
    int arrow_held = -1;           // the panel's view arrow held down (timer 1 repeats it)
    view::OffsetsTab offsets_tab = view::OffsetsTab::Workpiece;  // the offsets panel's tab
    int spin_a = 0, spin_b = 0;    // directions of the continuous turns of timers 2 and 3
    QRubberBand* band = nullptr;
    std::int64_t last_view_change_ns = 0;  // the wheel's and the drags' last step
    bool painted = false;                  // the first paint started the batch timer
    bool batch_started = false;
    bool closed = false;
    // The window was closed during a run: the run is ended as by the escape key, and the window
    // closes when it has returned.
    bool close_after_run = false;
    bool watch_due = false;  // a change watch of the definition files is posted
    bool watching = false;   // ... is running (its boxes pump events that would start another)
};

// Builds the window on a prepared App (prepare_program() done), installs the backend and the
// display over it and shows it. The window stays until close_window() or the user closes it.
std::unique_ptr<Window> open_window(shell::App& app, const WindowOptions& options = {});

// Writes the settings back (unless started minimised), removes the backends and destroys the
// widgets.
void close_window(Window& w);

// The process's window entry: the Qt application, the program prepared, the window, the event
// loop; the exit code.
int run_window(shell::App& app, int& argc, char** argv);

// ---- What the widgets call ----

// A menu command, a key's or a dropped file's command: through the dispatcher, later when
// `posted` (as a posted window message would arrive).
int send_command(Window& w, int id, int parameter = 0, const shell::CommandArgs* args = nullptr);
void post_command(Window& w, int id);

void refresh_menu_states(Window& w);
QAction* command_action(const Window& w, int id);

// The command menu: built with the message file's captions, kept beside the main window, shown
// and hidden as its menu switch says.
void build_command_menu(Window& w, const shell::MessageFile& messages);
void place_command_menu(Window& w);
void show_command_menu(Window& w, bool shown);

// The keyboard table; true when the key was the window's.
bool handle_key(Window& w, int qt_key, Qt::KeyboardModifiers modifiers);

// Dropped files by kind (CTRL held: a workpiece file becomes the basic model).
void drop_files(Window& w, const std::vector<std::string>& paths, bool ctrl);

// The view: set up for the widget's size, and the changes of keys and mouse.
void resize_view(Window& w, int width, int height);
void view_changed(Window& w, bool quick);  // reprojects; quick: full detail follows after the pause
void timer_fired(Window& w, int id);

ViewAngles view_angles(const Window& w);
void turn_view(Window& w, ViewAngles angles);
void zoom_view_by(Window& w, double factor);
void pan_view(Window& w, int dx, int dy);  // the scene follows a drag of (dx, dy) pixels
void fit_view_to_window(Window& w);

// I, J, M and @: M centres the view on the tool, I also enlarges it; @ stands the drawn tool on
// the point picked last, J puts it back where the last run left it. False for any other key.
bool tool_position_key(Window& w, char key);

// The zoom box: started by Z; the box drawn (in view pixels) becomes the displayed range, its
// centre the middle of the view; a box of a few pixels only ends it.
void start_zoom_box(Window& w);
void confine_cursor(Window& w);  // while the box is drawn the cursor stays over the view
void end_zoom_box(Window& w, const QRect& box);
void full_redraw_after_pause(Window& w);  // timer 4
void first_paint_done(Window& w);         // starts the unattended start's timer once

// The definition files' change watch after a paint, an activation or a move: posted, so that its
// boxes never open inside a paint.
void post_definition_watch(Window& w);

// Settings the window writes back when it is destroyed.
shell::ExitState exit_state(const Window& w);

}  // namespace vx::gui
