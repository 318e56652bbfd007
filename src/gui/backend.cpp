#include "gui/backend.h"

#include "gui/mouse_modes.h"
#include "gui/nc_pane.h"
#include "gui/panel_bar.h"
#include "gui/widgets.h"

#include <QApplication>
#include <QFileDialog>
#include <QGuiApplication>
#include <QScreen>
#include <QMessageBox>
#include <QProcess>
#include <QProgressDialog>
#include <QTimer>

#include <cstdio>

namespace vx::gui {
namespace {

Window& window(void* context) { return *static_cast<Window*>(context); }

QString qs(std::string_view s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }

// ---- Boxes and dialogs ----

platform::Answer show_message(void* context, const platform::Message& m) {
    Window& w = window(context);
    if (w.options.boxes == Boxes::Recorded) {
        w.recorded.push_back(recorded_box(m.title, m.body));
        return m.unattended;
    }
    QMessageBox box(w.main);
    box.setWindowTitle(qs(m.title));
    box.setText(qs(m.body));
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    const bool yes_no = m.buttons == platform::Buttons::YesNo;
    box.setStandardButtons(yes_no ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok);
    const int answer = box.exec();
    if (!yes_no) return platform::Answer::Ok;
    return answer == QMessageBox::Yes ? platform::Answer::Yes : platform::Answer::No;
}

std::string choose_file(void* context, const platform::FileChoice& c) {
    Window& w = window(context);
    if (w.options.boxes == Boxes::Recorded) return {};
    // The Qt dialog, not the desktop's, so that it behaves alike everywhere and tests can drive it.
    QFileDialog dialog(w.main, qs(c.title), qs(c.folder), qs(c.filter));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(c.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(c.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().front().toStdString();
}

void open_document(void*, std::string_view path) {
    if (!QProcess::startDetached("xdg-open", {qs(path)}))
        std::fprintf(stderr, "vornex: cannot open %.*s with xdg-open\n", int(path.size()), path.data());
}

// ---- Progress ----

// Beside the main window where the screen has room, else over its view's top right corner, and
// raised: without a window manager nothing else would keep it in front of the main window.
void place_progress(Window& w) {
    const QRect frame = w.main->frameGeometry();
    const QSize size = w.progress->frameGeometry().size();
    const QScreen* screen = w.main->screen();
    const QRect room = screen ? screen->availableGeometry() : QRect();
    QPoint at(frame.right() + 1, frame.bottom() - size.height());
    if (!room.isValid() || !room.contains(QRect(at, size))) {
        at = w.view->mapToGlobal(QPoint(w.view->width() - size.width() - 8, 8));
    }
    w.progress->move(at);
    w.progress->raise();
}

void progress_begin(void* context, std::string_view title, std::int64_t total) {
    Window& w = window(context);
    if (!w.progress) {
        // A tool window that never takes the focus: the run polls its keys on the main window.
        w.progress = new QProgressDialog(w.main, Qt::Tool | Qt::WindowDoesNotAcceptFocus);
        w.progress->setCancelButton(nullptr);
        w.progress->setWindowModality(Qt::NonModal);
        w.progress->setMinimumDuration(0);
        w.progress->setAutoReset(false);
        w.progress->setAutoClose(false);
    }
    w.progress->setWindowTitle(qs(title));
    w.progress->setRange(0, int(std::min<std::int64_t>(total, INT32_MAX)));
    w.progress->setValue(0);
    w.pick_panel.reset();  // the NC-line panel follows the run now
    w.progress->show();
    place_progress(w);
}

void progress_update(void* context, std::int64_t done) {
    Window& w = window(context);
    if (w.progress) w.progress->setValue(int(std::min<std::int64_t>(done, w.progress->maximum())));
}

void progress_status(void* context, std::int64_t done, std::int64_t total, std::int64_t moves, double seconds) {
    Window& w = window(context);
    if (!w.progress) return;
    w.progress->setLabelText(QString("NC %1 / %2   moves %3   %4 s").arg(done).arg(total).arg(moves).arg(seconds, 0, 'f', 1));
    progress_update(context, done);
    w.panels->update();
}

void progress_end(void* context) {
    Window& w = window(context);
    if (w.progress) w.progress->hide();
}

std::uint64_t available_memory(void*) {
    const platform::Backend& h = platform::headless_backend();
    return h.available_memory ? h.available_memory(h.context) : 0;
}

// ---- Keys ----

int qt_key(platform::Key key) {
    switch (key) {
    case platform::Key::Escape: return Qt::Key_Escape;
    case platform::Key::Break: return Qt::Key_Cancel;
    case platform::Key::Pause: return Qt::Key_Pause;
    case platform::Key::Control: return Qt::Key_Control;
    case platform::Key::Space: return Qt::Key_Space;
    case platform::Key::Tab: return Qt::Key_Tab;
    case platform::Key::Shift: return Qt::Key_Shift;
    }
    return 0;
}

bool ending_keys(platform::Key key) {
    return key == platform::Key::Escape || key == platform::Key::Break || key == platform::Key::Pause;
}

bool key_down(void* context, platform::Key key) {
    Window& w = window(context);
    if (w.close_after_run && ending_keys(key)) return true;
    if (key == platform::Key::Shift) return QApplication::queryKeyboardModifiers() & Qt::ShiftModifier;
    if (key == platform::Key::Control) return QApplication::queryKeyboardModifiers() & Qt::ControlModifier;
    const int k = qt_key(key);
    const bool pressed = w.keys_pressed.erase(k) > 0;
    return pressed || w.keys_down.count(k) > 0;
}

bool window_in_foreground(void* context) {
    Window& w = window(context);
    return w.close_after_run || w.main->isActiveWindow();
}

// ---- Sounds: played from memory; the headless backend keeps what was asked for as well ----

void record_sound(std::string_view name, platform::SoundMode mode) {
    const platform::Backend& h = platform::headless_backend();
    if (h.play_sound) h.play_sound(h.context, name, mode);
}

void play_sound(void* context, std::string_view name, platform::SoundMode mode) {
    record_sound(name, mode);
    play(window(context).sounds, name, mode);
}

// The system's sounds ("SystemHand") have no file here: asked for, not heard.
void play_system_sound(void*, std::string_view name) { record_sound(name, platform::SoundMode::Async); }

void stop_sounds(void* context) { silence(window(context).sounds); }

// ---- View and window ----

void redraw(void* context, platform::ViewPart part) {
    Window& w = window(context);
    if (part == platform::ViewPart::Workpiece || part == platform::ViewPart::InterferencePosition) w.view->update();
    if (part == platform::ViewPart::Panels || part == platform::ViewPart::NcWindow) w.panels->update();
    if (part == platform::ViewPart::ToolWindow && w.tool_window) w.tool_window->update();
}

void refresh_step(void* context, const platform::StepRefresh&) { window(context).view->update(); }
void draw_path(void* context, const platform::PathSegment&) { window(context).view->update(); }

// The title is rebuilt on every change of the run state and every blink: the panels follow.
void set_title(void* context, std::string_view title) {
    Window& w = window(context);
    w.main->setWindowTitle(qs(title));
    w.panels->update();
}

// The panels draw the run's state as it is at their next paint.
void show_nc_line(void* context, int line, std::string_view) {
    Window& w = window(context);
    w.run_line = line;  // a suspended run names the pending block, not the one executed last
    w.panels->update();
    follow_nc_line(w, line);
}
void show_position(void* context, const Vec3&) { window(context).panels->update(); }
void set_stop_panel(void* context, std::string_view) { window(context).panels->update(); }

void refresh_menus(void* context) { refresh_menu_states(window(context)); }

void focus_window(void* context) {
    Window& w = window(context);
    w.main->raise();
    w.main->activateWindow();
    if (w.progress && w.progress->isVisible()) w.progress->raise();  // not buried by the main window
}

// The view keeps the cursor of its mouse mode; while the run works it shows the wait cursor too.
void set_cursor(void* context, platform::Cursor cursor) {
    Window& w = window(context);
    w.waiting = cursor == platform::Cursor::Wait;
    if (w.waiting) {  // a run starts or goes on: the lines it names from now on count
        w.run_line.reset();
        w.pick_panel.reset();
        w.main->setCursor(Qt::WaitCursor);
        w.view->setCursor(Qt::WaitCursor);
    } else {
        w.main->unsetCursor();
        update_view_cursor(w, false);
    }
}

QTimer* timer(Window& w, int id) { return id > 0 && id < kTimerCount ? w.timers[id] : nullptr; }

void start_timer(void* context, int id, int interval_ms) {
    if (QTimer* t = timer(window(context), id)) t->start(interval_ms);
}

void stop_timer(void* context, int id) {
    if (QTimer* t = timer(window(context), id)) t->stop();
}

// The NC pane follows the run at the pump's pace, whatever the run mode draws.
void pump(void* context) {
    Window& w = window(context);
    follow_nc_line(w, w.app->interp.main_line);
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

}  // namespace

std::string recorded_box(std::string_view title, std::string_view body) {
    return std::string(title) + "|" + std::string(body);
}

void install_backend(Window& w) {
    platform::Backend b;
    b.context = &w;
    b.show_message = show_message;
    b.progress_begin = progress_begin;
    b.progress_update = progress_update;
    b.progress_end = progress_end;
    b.progress_status = progress_status;
    b.available_memory = available_memory;
    b.key_down = key_down;
    b.window_in_foreground = window_in_foreground;
    b.play_sound = play_sound;
    b.play_system_sound = play_system_sound;
    b.stop_sounds = stop_sounds;
    b.redraw = redraw;
    b.refresh_step = refresh_step;
    b.draw_path = draw_path;
    b.set_title = set_title;
    b.show_nc_line = show_nc_line;
    b.show_position = show_position;
    b.set_stop_panel = set_stop_panel;
    b.refresh_menus = refresh_menus;
    b.focus_window = focus_window;
    b.set_cursor = set_cursor;
    b.start_timer = start_timer;
    b.stop_timer = stop_timer;
    b.pump = pump;
    b.open_document = open_document;
    b.choose_file = choose_file;
    platform::install(b);
}

void remove_backend(Window&) { platform::install(platform::headless_backend()); }

}  // namespace vx::gui
