// The keyboard table of the main window and the dropped files.
#include "gui/dialogs.h"
#include "gui/mouse_modes.h"
#include "gui/widgets.h"
#include "platform/language.h"
#include "shell/dispatch.h"
#include "shell/dropped_files.h"
#include "shell/editor_commands.h"
#include "shell/settings.h"
#include "shell/view_options.h"
#include "shell/workpiece.h"

#include <QProcess>

namespace vx::gui {
namespace {

constexpr platform::TextPair kTitle{"VORNEX", "VORNEX"};
constexpr platform::TextPair kKeyNotAvailable{"キー %s（%s）はこのビルドではまだ使用できません",
                                              "Key %s (%s) is not available in this build yet"};
constexpr platform::TextPair kColourTableUnreadable{"カラーテーブルを読めません", "The colour table cannot be read."};

void key_not_available(std::string_view key, std::string_view what) {
    std::string text(platform::text(kKeyNotAvailable));
    text.replace(text.find("%s"), 2, key);
    text.replace(text.find("%s"), 2, what);
    platform::show_message({platform::text(kTitle), text});
}

bool nc_selected(const Window& w) { return !w.app->run.nc_path.empty(); }
bool has_workpiece(const Window& w) { return shell::has_workpiece(*w.app); }

// The Qt key of the settings' escape key.
int escape_key(const shell::Settings& s) {
    switch (s.define.escape_key) {
    case shell::EscapeKey::Esc: return Qt::Key_Escape;
    case shell::EscapeKey::Break: return Qt::Key_Cancel;
    case shell::EscapeKey::Pause: return Qt::Key_Pause;
    }
    return Qt::Key_Escape;
}

void post_if_enabled(Window& w, int id) {
    const shell::Command* c = shell::find_command(id);
    if (c && shell::command_enabled(*w.app, *c, id)) post_command(w, id);
}

// A second instance with the "ExecSelf" arguments, in the current directory.
void start_second_instance(Window& w) {
    const QStringList args = QProcess::splitCommand(QString::fromStdString(w.app->settings.editor.self_option));
    const QString program = QString::fromStdString(w.app->program_dir + "vornex");
    if (!QProcess::startDetached(program, args, QString::fromStdString(w.app->current_dir)))
        key_not_available("X", "the second instance could not be started");
}

// L, + and -: the difference lines against the basic model, once (the temporary display) or
// from now on; without a basic model it is chosen first.
void show_difference(Window& w) {
    shell::App& app = *w.app;
    if (!has_workpiece(w)) return;
    if (!app.workpiece.basic_model.data) {
        send_command(w, 32851);
        if (!app.workpiece.basic_model.data) return;
    }
    app.display.overlays.difference = true;
    app.display.redraw_due = true;
    w.difference_once = !app.settings.define.difference_always;
    w.view->update();
}

bool view_key(Window& w, char key, bool ctrl) {
    shell::App& app = *w.app;
    const ViewAngles now = view_angles(w);
    if (const auto angles = angles_for_key(key, now)) {
        if (*angles == now && !ctrl) return true;  // the view already matches
        turn_view(w, *angles);
        return true;
    }
    switch (key) {
    case 'F': fit_view_to_window(w); return true;
    case 'R': turn_view(w, {app.settings.define.angle_a, app.settings.define.angle_b}); return true;
    case 'W':
        centre_on_cursor(w);
        zoom_view_by(w, app.settings.define.expand_rate);
        return true;
    case 'S':
        centre_on_cursor(w);
        zoom_view_by(w, 1.0 / app.settings.define.expand_rate);
        return true;
    case 'P': view_changed(w, false); return true;
    default: return false;
    }
}

bool letter_key(Window& w, char key, bool ctrl) {
    shell::App& app = *w.app;
    switch (key) {
    case 'G':
        if (const int command = shell::run_key_go(app.run)) post_command(w, command);
        return true;
    case 'E': post_if_enabled(w, 32813); return true;
    case 'Y':
        if (!app.settings.define.mesh_mode)
            post_command(w, app.settings.define.colour_by_pen ? shell::cmd::kColourByDirection : shell::cmd::kColourByPen);
        return true;
    case 'N':
        if (app.display.view.step > 1) post_command(w, 32879);
        return true;
    case 'H': post_command(w, shell::cmd::kMesh); return true;
    case 'X': start_second_instance(w); return true;
    case 'B': shell::take_run_backup(app.run); return true;
    case 'C':
        if (ctrl) copy_view_to_clipboard(w);
        else shell::restore_run_backup(app.run);
        return true;
    case 'L': show_difference(w); return true;
    case 'Z': start_zoom_box(w); return true;
    case 'Q': quick_look(w); return true;  // the view as a PNG in the desktop's viewer
    default: return tool_position_key(w, key) || view_key(w, key, ctrl);
    }
}

bool function_key(Window& w, int key, bool ctrl) {
    switch (key) {
    case Qt::Key_F1:
        if (ctrl) shell::edit_definition_file(*w.app, shell::EditedFile::Settings);
        else send_command(w, 801);
        return true;
    case Qt::Key_F2:
        shell::edit_definition_file(*w.app, ctrl ? shell::EditedFile::ReportTemplate : shell::EditedFile::Tools);
        return true;
    case Qt::Key_F3: shell::edit_definition_file(*w.app, shell::EditedFile::Controller); return true;
    case Qt::Key_F4: shell::edit_definition_file(*w.app, shell::EditedFile::Machine); return true;
    case Qt::Key_F5: if (nc_selected(w)) post_command(w, shell::cmd::kCutAndShow); return true;
    case Qt::Key_F6: if (nc_selected(w)) post_command(w, shell::cmd::kToolTipPath); return true;
    case Qt::Key_F7: if (nc_selected(w)) post_command(w, shell::cmd::kFastCutAndShow); return true;
    case Qt::Key_F8: post_if_enabled(w, shell::cmd::kSimPlugin); return true;
    case Qt::Key_F9: post_if_enabled(w, shell::cmd::kSimPlugin + 1); return true;
    default: return false;
    }
}

void apply_dropped_colours(Window& w, const std::string& path) {
    shell::App& app = *w.app;
    if (!shell::apply_colour_table(path, app.settings.define.colours)) {
        platform::show_message({path, platform::text(kColourTableUnreadable)});
        return;
    }
    view::update_display_settings(app.display, shell::display_settings(app.settings.define), app.workpiece);
    w.view->update();
}

}  // namespace

bool handle_key(Window& w, int key, Qt::KeyboardModifiers modifiers) {
    const bool ctrl = modifiers & Qt::ControlModifier;
    if (w.zoom_box) {  // keys wait while the box is drawn; ESC gives it up
        if (key == Qt::Key_Escape) end_zoom_box(w, {});
        return true;
    }
    if ((modifiers & Qt::AltModifier) && (key == Qt::Key_Question || key == Qt::Key_Slash)) {
        send_command(w, 104);  // the version and environment information
        return true;
    }
    if (key == escape_key(w.app->settings)) {
        if (shell::run_key_escape(w.app->run)) refresh_menu_states(w);
        return true;
    }
    if (function_key(w, key, ctrl)) return true;
    if (key == Qt::Key_Plus || key == Qt::Key_Minus) {
        show_difference(w);
        return true;
    }
    if ((key >= Qt::Key_0 && key <= Qt::Key_9) || (key >= Qt::Key_At && key <= Qt::Key_Z))
        return letter_key(w, char(key), ctrl);  // Qt's key codes of digits, @ and letters are their ASCII
    return false;
}

void drop_files(Window& w, const std::vector<std::string>& paths, bool ctrl) {
    shell::App& app = *w.app;
    const shell::CommandLineContext ctx = shell::plugin_file_context(app.plugins, app.current_dir);
    for (const shell::DroppedFile& d : shell::dropped_file_commands(paths, ctrl, has_workpiece(w), ctx)) {
        if (d.command == 0) {
            apply_dropped_colours(w, d.path);
            continue;
        }
        const shell::CommandArgs args{d.path, {}};
        send_command(w, d.command, 0, &args);
    }
}

}  // namespace vx::gui
