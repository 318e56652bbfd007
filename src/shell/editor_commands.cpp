#include "shell/editor_commands.h"

#include "integration/editor_link.h"
#include "platform/files.h"
#include "platform/language.h"
#include "platform/log.h"
#include "platform/platform.h"
#include "shell/handlers.h"

#include <string>

namespace vx::shell {
namespace {

using platform::TextPair;

constexpr TextPair kTextNoEditor{
    "エディターが見つかりません（EXEC_PROGRAM、$VISUAL、$EDITOR、xdg-open）",
    "No editor was found: set EXEC_PROGRAM in the settings, or $VISUAL or $EDITOR, or install xdg-open"};
constexpr TextPair kTextCannotStart{"エディターを起動できません", "The editor cannot be started"};
constexpr TextPair kTextRebootTitle{"初期設定ファイルの編集", "Editing INI-FILE"};
constexpr TextPair kTextReboot{"編集後、設定を反映するにはVORNEXを再起動して下さい。",
                               "Please reboot VORNEX for reflection of setting after edit"};
constexpr TextPair kTextNoFile{"ファイルがありません", "The file does not exist"};
constexpr std::string_view kReportTemplate = "verify_form.def";

void tell(std::string_view title, std::string_view body) { platform::show_message({title, body}); }

// The program of an editor setting, or empty with the user told that none is installed.
std::string program_or_tell(const std::string& setting) {
    std::string program = integration::editor_program(setting, integration::process_environment());
    if (program.empty()) tell(setting, platform::text(kTextNoEditor));
    return program;
}

int start_or_tell(App& app, const std::vector<std::string>& argv) {
    std::string error;
    if (integration::start_program(app.editor, argv, error)) return 1;
    tell(platform::text(kTextCannotStart), error);
    return 0;
}

int edit_with(App& app, const std::string& setting, const std::string& path) {
    if (path.empty() || !platform::is_file(path)) {
        tell(path.empty() ? std::string(kReportTemplate) : path, platform::text(kTextNoFile));
        return 0;
    }
    const std::string program = program_or_tell(setting);
    if (program.empty()) return 0;
    return start_or_tell(app, integration::edit_file_command(program, path));
}

// The report template: in the current directory, else in the program directory.
std::string report_template(const App& app) {
    for (const std::string& dir : {app.current_dir, app.program_dir})
        if (const auto found = platform::find_file(dir + std::string(kReportTemplate))) return *found;
    return {};
}

int current_line(const App& app) { return app.interp.main_line; }

// The open editor to `line`; an editor that cannot follow is named once in the log (and on
// stderr), not at every block the run stops at.
bool move_editor_to(App& app, int line, integration::JumpCause cause) {
    const EditorSettings& e = app.settings.editor;
    const std::string program = integration::editor_program(e.program, integration::process_environment());
    integration::EditorLink& link = app.editor;
    switch (integration::navigate(link, program, e.option, app.run.nc_path, line, &app.plugins, cause)) {
    case integration::Navigation::Jumped: return true;
    case integration::Navigation::NotOpen: return false;
    case integration::Navigation::CannotNavigate:
        if (!link.told_cannot_navigate)
            platform::note("vornex: the editor " + program + " cannot be moved to NC line " + std::to_string(line) +
                           " here: only an editor that takes a line on its command line follows the run "
                           "(gedit, kate, code, emacs; vi, vim, nvim and nano once closed)");
        link.told_cannot_navigate = true;
        return false;
    case integration::Navigation::Failed:
        platform::note("vornex: the editor " + program + " could not be started again at NC line " + std::to_string(line));
        return false;
    }
    return false;
}

// Stepping: the program's top as a run begins, then each line the run stops at.
void top_at_start(void* context) {
    App& app = *static_cast<App*>(context);
    if (integration::editor_module_top(app.editor, app.plugins, app.run.nc_path)) return;
    move_editor_to(app, 1, integration::JumpCause::RunStop);
}
void jump_at_stop(void* context, int line) {
    move_editor_to(*static_cast<App*>(context), line, integration::JumpCause::RunStop);
}

// The run's line link ends: a vxeditor module is told (VXEDITOREXIT); what has ended is reaped.
void close_link(void* context) {
    App& app = *static_cast<App*>(context);
    integration::end_editor_link(app.editor, app.plugins);
    integration::reap_started(app.editor);
}

// The editor program: a vxeditor module that starts the program itself takes the setting as it
// stands; otherwise an installed program, or none with the user told.
std::string editor_or_tell(const App& app) {
    const std::string& setting = app.settings.editor.program;
    if (integration::editor_module_starts_program(app.plugins)) return setting;
    return program_or_tell(setting);
}

}  // namespace

int edit_definition_file(App& app, EditedFile file) {
    const EditorSettings& e = app.settings.editor;
    switch (file) {
    case EditedFile::Settings:
        tell(platform::text(kTextRebootTitle), platform::text(kTextReboot));
        return edit_with(app, e.ini_editor, app.settings.path);
    case EditedFile::Tools:
        if (!app.tools.holder_file.empty() && !edit_with(app, e.ttl_editor, app.tools.holder_file)) return 0;
        return edit_with(app, e.ttl_editor, app.tools.path);
    case EditedFile::Controller: return edit_with(app, e.ctl_editor, app.ctl.path);
    case EditedFile::Machine: return edit_with(app, e.mtl_editor, app.mtl.path);
    case EditedFile::ReportTemplate: return edit_with(app, e.def_editor, report_template(app));
    }
    return 0;
}

bool editor_show_cell_line(App& app, long cell_line) {
    app.editor_line = integration::jump_line(cell_line, current_line(app));
    return move_editor_to(app, app.editor_line, integration::JumpCause::Pick);
}

void install_editor_hooks(App& app) {
    RunHooks& h = app.run.hooks;
    h.context = &app;
    h.line_top = &top_at_start;
    h.line_stopped = &jump_at_stop;
    h.close_line_link = &close_link;
}

void close_editor_at_exit(App& app) {
    if (!app.settings.editor.close_end) return;
    const std::string file = app.editor.file;
    if (integration::close_editor(app.editor) == integration::Closing::CannotClose)
        platform::note("vornex: CLOSE END: the editor of " + file +
                       " is left open, as closing it from here would lose unsaved edits");
}

namespace handlers {

// The NC program in the editor at the line last picked (or the current one).
int editor(App& app, int, int, const CommandArgs*) {
    const EditorSettings& e = app.settings.editor;
    const std::string program = editor_or_tell(app);
    if (program.empty()) return 0;
    const int line = app.editor_line > 0 ? app.editor_line : integration::jump_line(0, current_line(app));
    std::string error;
    if (integration::open_in_editor(app.editor, program, e.option, app.run.nc_path, line, error, &app.plugins)) return 1;
    tell(platform::text(kTextCannotStart), error);
    return 0;
}

}  // namespace handlers
}  // namespace vx::shell
