// The window's life: building it on a prepared program, the commands it sends, the menus'
// states, its timers, and its end with the settings written back.
#include "gui/window.h"

#include "gui/backend.h"
#include "gui/dialogs.h"
#include "gui/menus.h"
#include "gui/mouse_modes.h"
#include "gui/nc_pane.h"
#include "gui/panel_bar.h"
#include "gui/tool_window.h"
#include "gui/version_dialog.h"
#include "gui/widgets.h"
#include "platform/files.h"
#include "platform/log.h"
#include "shell/change_watch.h"
#include "shell/dispatch.h"
#include "shell/editor_commands.h"
#include "shell/entry.h"
#include "shell/startup.h"

#include <QAction>
#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>

#include <algorithm>
#include <cstdlib>

namespace vx::gui {
namespace {

constexpr int kBatchDelayMs = 10;           // after the first paint
constexpr int kBatchDelayMinimisedMs = 100; // when started minimised
constexpr int kShowNormal = 1;              // the saved show states
constexpr int kShowMaximised = 3;

shell::MessageFile menu_messages(const shell::App& app) {
    const std::vector<shell::MenuSlot> shape = menu_shape();
    if (const auto path = shell::find_message_file(app.current_dir, app.program_dir))
        if (const auto bytes = platform::read_file(*path)) return shell::parse_message_file(*bytes, shape);
    return shell::builtin_messages(shape.size());
}

void add_status_panels(Window& w) {
    w.panels = new PanelBar(w);
    w.main->statusBar()->addWidget(w.panels, 1);
    w.main->statusBar()->setSizeGripEnabled(false);
}

void make_timers(Window& w) {
    for (int id = 1; id < kTimerCount; ++id) {
        QTimer* t = new QTimer(w.main);
        t->setSingleShot(id == kBatchTimer);
        QObject::connect(t, &QTimer::timeout, [&w, id] { timer_fired(w, id); });
        w.timers[id] = t;
    }
}

// A placement is refused on a single screen when it does not fit it (a saved placement from a
// larger screen would open the window out of reach); with several screens it is taken as it is.
bool placement_fits(const shell::Placement& p, const QRect& screen, int screens) {
    if (p.width <= 0 || p.height <= 0 || p.x + p.width <= 0 || p.y + p.height <= 0) return false;
    if (screens > 1) return true;
    return screen.width() >= p.x && screen.width() >= p.width && screen.height() >= p.y &&
           screen.height() >= p.height;
}

void place_window(Window& w) {
    const shell::App& app = *w.app;
    const shell::SaveSettings& s = app.settings.save;
    std::optional<shell::Placement> p = app.command_line.placement;
    if (!p && s.display == 1) p = shell::Placement{s.x, s.y, s.wide, s.height};
    const QScreen* screen = QGuiApplication::primaryScreen();
    const int screens = int(QGuiApplication::screens().size());
    if (p && screen && placement_fits(*p, screen->geometry(), screens)) {
        w.main->setGeometry(p->x, p->y, p->width, p->height);
        return;
    }
    w.main->resize(w.options.width, w.options.height);
}

void show_window(Window& w) {
    if (w.app->plan.minimised) {
        w.main->showMinimized();
        w.timers[kBatchTimer]->start(kBatchDelayMinimisedMs);
        w.batch_started = true;
    } else if (w.app->settings.save.display == 1 && w.app->settings.save.show == kShowMaximised) {
        w.main->showMaximized();
    } else {
        w.main->show();
    }
}

// Qt ends the process when it finds no display; the start is refused before that, with a reason.
bool display_available() {
    return std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY") || std::getenv("QT_QPA_PLATFORM");
}

void close_from_command(void* window) { static_cast<Window*>(window)->main->close(); }

// The panels' text and the window's font: 13 pixels, or the height of -F.
void set_up_font(Window& w) {
    w.fonts = std::make_unique<view::Fonts>();
    const int height = w.app->command_line.font_height;
    if (height <= 0) return;
    w.text_height = std::clamp(height, view::kMinTextHeight, view::kMaxTextHeight);
    QFont font = QApplication::font();
    font.setPixelSize(w.text_height);
    QApplication::setFont(font);
}

}  // namespace

Window::~Window() {
    stop_player(sounds);
    delete main;
}

std::unique_ptr<Window> open_window(shell::App& app, const WindowOptions& options) {
    auto w = std::make_unique<Window>();
    w->app = &app;
    w->options = options;
    w->main = new MainWindow(*w);
    w->main->setAcceptDrops(true);
    set_up_font(*w);
    w->view = new ViewWidget(*w);
    w->main->setCentralWidget(w->view);
    add_status_panels(*w);
    make_timers(*w);
    const shell::MessageFile messages = menu_messages(app);
    build_menus(*w, messages);
    build_command_menu(*w, messages);
    build_tool_window(*w, messages);
    build_nc_pane(*w);
    start_sounds(w->sounds, app.current_dir, app.program_dir, app.run.sound);
    install_backend(*w);
    shell::connect_display(app);
    app.hooks.window = w.get();
    app.hooks.close_window = close_from_command;
    app.hooks.version_dialog = version_dialog_hook;
    install_dialog_hooks(*w);
    place_window(*w);
    shell::rebuild_title(app.run);
    show_window(*w);
    refresh_menu_states(*w);  // the command menu as the settings left it
    return w;
}

void close_window(Window& w) {
    if (w.closed) return;
    w.closed = true;
    shell::App& app = *w.app;
    if (!app.plan.minimised && !shell::write_settings_at_exit(app.settings, exit_state(w)))
        platform::note("vornex: cannot write the settings back to " + app.settings.path);
    for (QTimer* t : w.timers)
        if (t) t->stop();
    shell::close_editor_at_exit(app);
    shell::disconnect_display(app);
    remove_backend(w);
    stop_player(w.sounds);
    app.hooks.window = nullptr;
    app.hooks.close_window = nullptr;
    app.hooks.version_dialog = nullptr;
    remove_dialog_hooks(w);
}

int run_window(shell::App& app, int& argc, char** argv) {
    if (!display_available()) {
        platform::note("vornex: the desktop window is not available without a display (DISPLAY is not set); "
                       "verify a program unattended with -X5 (see --help)");
        return shell::kExitNoWindow;
    }
    QApplication qt(argc, argv);
    if (!shell::prepare_program(app)) return shell::kExitFailed;
    shell::start_bands(app);
    const std::unique_ptr<Window> w = open_window(app);
    const int code = QApplication::exec();
    close_window(*w);
    return code;
}

// ---- Commands ----

namespace {

// The window was closed while a run pumped its events: now that the run has returned, it closes.
void close_if_asked(Window& w) {
    if (w.close_after_run && !shell::busy(*w.app)) QTimer::singleShot(0, w.main, [main = w.main] { main->close(); });
}

// A run leaves the tool drawn where it stopped or ended: a cut shown only at its end draws no
// step on the way that would have placed it.
void tool_to_run_position(Window& w) {
    shell::App& app = *w.app;
    if (app.display.surface.width == 0) return;  // the view places it when it is first sized
    view::place_tool(app.display, app.workpiece, app.run.state.move.position);
    w.view->update();
}

}  // namespace

int send_command(Window& w, int id, int parameter, const shell::CommandArgs* args) {
    const int status = shell::dispatch(*w.app, id, parameter, args);
    const bool sim_plugin_run = id >= shell::cmd::kSimPlugin && id < shell::cmd::kSimPlugin + integration::kSlots;
    if ((shell::is_run_command(id) || sim_plugin_run) && status != shell::kCommandDisabled) tool_to_run_position(w);
    refresh_menu_states(w);
    follow_nc_line(w, w.app->interp.main_line);  // where a run ended or stopped
    close_if_asked(w);
    return status;
}

void post_command(Window& w, int id) {
    QTimer::singleShot(0, w.main, [&w, id] { send_command(w, id); });
}

QAction* command_action(const Window& w, int id) {
    for (const CommandAction& a : w.actions)
        if (a.id == id) return a.action;
    return nullptr;
}

void refresh_menu_states(Window& w) {
    const shell::App& app = *w.app;
    const bool running = shell::busy(app);
    label_plugin_items(w);  // a refused module's item goes with it
    for (const CommandAction& a : w.actions) {
        const shell::Command* c = shell::find_command(a.id);
        if (!c) continue;
        a.action->setEnabled(shell::command_enabled(app, *c, a.id) && !(c->locked_while_running && running));
        if (a.action->isCheckable()) a.action->setChecked(shell::command_checked(app, *c, a.id));
    }
    show_command_menu(w, app.settings.save.view_p != 0 && w.main->isVisible() && !w.zoom_box);
    show_tool_window(w, app.settings.save.view_t != 0 && w.main->isVisible() && !w.zoom_box);
    update_view_cursor(w, false);
    w.panels->update();
}

// ---- Timers ----

void timer_fired(Window& w, int id) {
    shell::App& app = *w.app;
    switch (id) {
    case shell::kSuspendTimer:
        if (const int command = shell::run_tick(app.run)) post_command(w, command);
        break;
    case kWheelRedrawTimer: full_redraw_after_pause(w); break;
    case kArrowTimer:
    case kSpinATimer:
    case kSpinBTimer: arrow_timer(w, id); break;
    case kCursorTimer: cursor_timer(w); break;
    case kBatchTimer:
        shell::execute_batch(app);
        if (app.run.state.blocks > 0) tool_to_run_position(w);
        refresh_menu_states(w);
        close_if_asked(w);
        break;
    default: w.timers[id]->stop(); break;
    }
}

void first_paint_done(Window& w) {
    if (w.painted) return;
    w.painted = true;
    if (!w.batch_started) {
        w.batch_started = true;
        w.timers[kBatchTimer]->start(kBatchDelayMs);
    }
}

void post_definition_watch(Window& w) {
    if (w.watch_due || w.watching || !w.painted) return;
    w.watch_due = true;
    QTimer::singleShot(0, w.main, [&w] {
        w.watch_due = false;
        w.watching = true;
        const shell::WatchResult r = shell::check_definition_files(*w.app);
        w.watching = false;
        if (r.tools || r.holders || r.ctl || r.mtl) refresh_menu_states(w);
    });
}

shell::ExitState exit_state(const Window& w) {
    shell::ExitState e;
    e.minimised = w.main->isMinimized();
    e.show = w.main->isMaximized() ? kShowMaximised : kShowNormal;
    const QRect g = w.main->normalGeometry().isValid() ? w.main->normalGeometry() : w.main->geometry();
    e.x = g.x();
    e.y = g.y();
    e.wide = g.width();
    e.height = g.height();
    e.screens = int(QGuiApplication::screens().size());
    return e;
}

}  // namespace vx::gui
