#include "shell/nc_selection.h"

#include "platform/files.h"
#include "platform/language.h"
#include "platform/platform.h"
#include "shell/batch.h"
#include "shell/dispatch.h"
#include "shell/handlers.h"
#include "shell/definitions.h"

namespace vx::shell {
namespace {

using platform::TextPair;

constexpr TextPair kTextProgramFolder{"プログラム側ディレクトリのものでもよいですか？",
                                      "Is the one of the program side folder acceptable?"};
constexpr TextPair kTextNoNcData{"NCデータが存在しません", "The NC data does not exist."};
constexpr TextPair kTextNoNcDataLog{" - NCデータが存在しません\n", " - The NC data does not exist.\n"};
constexpr TextPair kTextSelectNc{"NCデータの選択", "Select NC data"};

// Step 1: the file from the caller, or from the dialog in the NC folder; empty when cancelled.
std::string chosen_file(const App& app, const CommandArgs* args) {
    if (args) return args->path;
    const NcSettings& nc = app.settings.nc;
    return platform::choose_file({platform::text(kTextSelectNc), nc.nc_dir, nc.nc_pattern});
}

// Step 3 for a file found nowhere: alarm 101, the batch's log line, or the message.
void report_missing(App& app, const std::string& path) {
    nc::raise_alarm(app.reader.alarm, kAlarmNoNcData, 0);
    if (app.run.batch_level >= kBatchLogLevel) {
        write_batch_log_line(path, platform::text(kTextNoNcDataLog));
        return;
    }
    platform::show_message({platform::text(kTextNoNcData), path, platform::Buttons::Ok, platform::MessageIn::Title});
}

// Step 3: where the plain file is; empty when it is found nowhere or the user refused the one
// of the program folder.
std::string plain_file(App& app, const std::string& name) {
    const std::optional<FoundNc> found = find_nc_file(name, nc_suffix(app.settings.nc.nc_pattern), app.program_dir);
    if (!found) {
        report_missing(app, name);
        return {};
    }
    if (found->in_program_dir) {
        platform::Message question{platform::text(kTextProgramFolder), found->path, platform::Buttons::YesNo};
        question.unattended = platform::Answer::Yes;  // an unattended start named this file
        if (platform::show_message(question) != platform::Answer::Yes) return {};
    }
    return found->path;
}

// Step 4: a tool file edited since it was read is read again.
void refresh_tool_file(App& app) {
    if (!sim::tool_file_changed(app.tools)) return;
    read_tool_file(app);
    platform::redraw(platform::ViewPart::ToolWindow);
}

}  // namespace

std::string nc_suffix(const std::string& pattern) {
    const auto dot = pattern.rfind('.');
    if (dot == std::string::npos || pattern.find_first_of("*?", dot) != std::string::npos) return {};
    return pattern.substr(dot);
}

std::optional<FoundNc> find_nc_file(const std::string& name, const std::string& suffix, const std::string& program_dir) {
    const auto existing = [](const std::string& path) { return platform::find_file(path); };
    if (auto p = existing(name)) return FoundNc{*p, false};
    if (!suffix.empty())
        if (auto p = existing(name + suffix)) return FoundNc{*p, false};
    const std::string base = name.substr(name.rfind('/') + 1);
    if (auto p = existing(program_dir + base)) return FoundNc{*p, true};
    if (!suffix.empty())
        if (auto p = existing(program_dir + base + suffix)) return FoundNc{*p, true};
    return std::nullopt;
}

void select_nc_path(App& app, const std::string& path) {
    app.run.nc_path = path;
    app.reader.line_number = app.reader.block_line = 0;
    refresh_tool_file(app);
    if (app.hooks.check_nc_data) app.hooks.check_nc_data(app);
    platform::redraw(platform::ViewPart::Panels);
    rebuild_title(app.run);
    platform::refresh_menus();
}

namespace handlers {

int select_nc(App& app, int, int, const CommandArgs* args) {
    app.reader.alarm = nc::Alarm{};
    const std::string name = chosen_file(app, args);
    if (name.empty()) return 0;
    const bool plugin = integration::reader_for_file(app.plugins, name) != nullptr;
    const std::string path = plugin ? name : plain_file(app, name);
    if (path.empty()) return 0;
    select_nc_path(app, path);
    if (app.settings.editor.select_open && !app.run.minimised) dispatch(app, cmd::kEditor);
    return 1;
}

}  // namespace handlers
}  // namespace vx::shell
