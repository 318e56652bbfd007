// The dispatcher and the handlers of the run and of the menus' switches.
#include "shell/dispatch.h"

#include "platform/files.h"
#include "platform/language.h"
#include "platform/platform.h"
#include "shell/handlers.h"
#include "shell/view_options.h"

#include <string>

namespace vx::shell {
namespace {

using platform::TextPair;

constexpr TextPair kTextTitle{"VORNEX", "VORNEX"};
constexpr TextPair kTextNotAvailable{"コマンド %d（%s）はこのビルドではまだ使用できません",
                                     "Command %d (%s) is not available in this build yet"};
constexpr TextPair kTextNoHelp{"ヘルプファイルが見つかりません", "The help file was not found"};
constexpr std::string_view kHelpPath = "HELP/index.htm";
constexpr TextPair kTextBusy{"加工中はコマンド %d（%s）を実行できません", "Command %d (%s) waits until the run has ended"};

// The message naming command `id`: in Japanese by its caption, in English by what it does.
std::string command_text(const TextPair& pair, const Command& c, int id, std::string_view what = {}) {
    std::string text(platform::text(pair));
    text.replace(text.find("%d"), 2, std::to_string(id));
    const std::string_view name = !platform::english() && !c.caption.empty() ? c.caption : what.empty() ? c.name : what;
    text.replace(text.find("%s"), 2, name);
    return text;
}

void tell_user(const std::string& text) {
    platform::show_message({platform::text(kTextTitle), text});
}

// A setting the view reads changed: the display follows, and the window redraws.
void refresh_display(App& app) {
    view::update_display_settings(app.display, display_settings(app.settings.define), app.workpiece);
    platform::redraw(platform::ViewPart::Workpiece);
}

bool& display_flag(DefineSettings& d, int id) {
    switch (id) {
    case cmd::kToolDrawing: return d.tool_display;
    case cmd::kAxes: return d.basic_axis;
    case cmd::kBoundaryBox: return d.boundary_box;
    case cmd::kRunPaths: return d.path_start;
    case cmd::kResultPaths: return d.path_result;
    case cmd::kConstructionPoints: return d.construction_point;
    default: return d.mesh_mode;  // 32872
    }
}

}  // namespace

// ---- The dispatcher ----

int open_dialog(App& app, int id, int parameter, std::string_view what) {
    const int status = app.hooks.window_command ? app.hooks.window_command(app.hooks.window, id, parameter) : -1;
    return status == -1 ? not_available(*find_command(id), id, what) : status;
}

int not_available(const Command& c, int id, std::string_view what) {
    tell_user(command_text(kTextNotAvailable, c, id, what));
    return kCommandNotAvailable;
}

int dispatch(App& app, int id, int parameter, const CommandArgs* args) {
    const Command* c = find_command(id);
    if (!c) return kCommandUnknown;
    if (!command_enabled(app, *c, id)) return kCommandDisabled;
    if (c->locked_while_running && busy(app)) {
        tell_user(command_text(kTextBusy, *c, id));
        return kCommandBusy;
    }
    if (!c->handler) return not_available(*c, id);
    const int status = c->handler(app, id, parameter, args);
    platform::refresh_menus();  // check marks and enable states follow every command
    return status;
}

bool command_done(int status) { return status >= 1; }

// ---- Handlers of the run and the menus ----

namespace handlers {

int run(App& app, int id, int, const CommandArgs*) { return run_command(app.run, id); }

int stop_mode(App& app, int id, int, const CommandArgs*) { return set_stop_mode(app.run, id); }

int check_mode(App& app, int id, int, const CommandArgs*) {
    const Command& c = *find_command(id);
    sim::Checks& m = app.run.state.checks;
    const int value = command_value(c, id);
    switch (c.check) {
    case Check::RapidCheck: m.rapid = sim::RapidCheck(value); break;
    case Check::ArborCheck: m.arbor = sim::ArborCheck(value); break;
    case Check::LengthCheck: m.height = sim::LengthCheck(value); break;
    default: m.chip = sim::LengthCheck(value); break;
    }
    rebuild_title(app.run);
    return 1;
}

int display_switch(App& app, int id, int, const CommandArgs*) {
    bool& flag = display_flag(app.settings.define, id);
    flag = !flag;
    refresh_display(app);
    return 1;
}

int colour_mode(App& app, int id, int, const CommandArgs*) {
    app.settings.define.colour_by_pen = id == cmd::kColourByPen;
    refresh_display(app);
    rebuild_title(app.run);
    return 1;
}

int sound(App& app, int, int, const CommandArgs*) {
    app.run.sound = !app.run.sound;
    app.settings.define.sound = app.run.sound;
    if (!app.run.sound) platform::stop_sounds();
    return 1;
}

int progress_window(App& app, int, int, const CommandArgs*) {
    app.run.progress_display = !app.run.progress_display;
    app.settings.define.progress_bar = app.run.progress_display;
    if (!app.run.progress_display) platform::progress_end();
    return 1;
}

int save_level(App& app, int id, int, const CommandArgs*) {
    app.settings.dmf.save_level = command_value(*find_command(id), id);
    return 1;
}

int data_level(App& app, int id, int, const CommandArgs*) {
    app.settings.dmf.data_level = command_value(*find_command(id), id);
    return 1;
}

int window_command(App& app, int id, int parameter, const CommandArgs*) { return open_dialog(app, id, parameter); }

int exit_program(App& app, int id, int, const CommandArgs*) {
    if (!app.hooks.close_window) return not_available(*find_command(id), id);
    app.hooks.close_window(app.hooks.window);
    return 1;
}

// The command menu's switch is its settings flag; the window shows the menu as the flag says.
int command_menu(App& app, int, int, const CommandArgs*) {
    app.settings.save.view_p = app.settings.save.view_p ? 0 : 1;
    return 1;
}

// The tool window's switch, likewise its settings flag.
int tool_dialog(App& app, int, int, const CommandArgs*) {
    app.settings.save.view_t = app.settings.save.view_t ? 0 : 1;
    return 1;
}

// The help path: in the current directory, else in the program directory; opened with the
// desktop's program for it.
int open_help(App& app, int, int, const CommandArgs*) {
    for (const std::string& dir : {app.current_dir, app.program_dir}) {
        if (const auto path = platform::find_file(dir + std::string(kHelpPath))) {
            platform::open_document(*path);
            return 1;
        }
    }
    platform::show_message({platform::text(kTextNoHelp), app.program_dir + std::string(kHelpPath)});
    return 0;
}

int mouse_mode(App& app, int id, int, const CommandArgs*) {
    app.mouse_mode = id;
    return 1;
}

}  // namespace handlers
}  // namespace vx::shell
