#include "shell/editor_commands.h"

#include "integration/editor_link.h"
#include "platform/files.h"
#include "platform/language.h"
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

void jump_at_stop(void* context, int line) {
    App& app = *static_cast<App*>(context);
    const EditorSettings& e = app.settings.editor;
    const std::string program = integration::editor_program(e.program, integration::process_environment());
    integration::jump_to_line(app.editor, program, e.option, app.run.nc_path, line, &app.plugins,
                              integration::JumpCause::RunStop);
}

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
    const EditorSettings& e = app.settings.editor;
    const std::string program = integration::editor_program(e.program, integration::process_environment());
    return integration::jump_to_line(app.editor, program, e.option, app.run.nc_path, app.editor_line, &app.plugins,
                                     integration::JumpCause::Pick);
}

void install_editor_hooks(App& app) {
    RunHooks& h = app.run.hooks;
    h.context = &app;
    h.line_stopped = &jump_at_stop;
    h.close_line_link = &close_link;
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
