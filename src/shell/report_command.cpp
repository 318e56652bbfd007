// The verification report (command 32773): the report of the selected program from its data
// check, filled from "verify_form.def" (the current folder, then the program's) or the built-in
// form, written new or appended as the settings say, and shown with the desktop's program unless
// the caller asked for a silent report or the program runs unattended.
#include "output/verify_report.h"
#include "platform/files.h"
#include "platform/language.h"
#include "platform/log.h"
#include "platform/platform.h"
#include "shell/app.h"
#include "shell/data_check_run.h"
#include "shell/handlers.h"

#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>

namespace vx::shell {
namespace {

using platform::TextPair;

constexpr TextPair kTextWriteProtect{"書き込み保護されています", "Write protect"};
constexpr int kSilent = 1;  // the command's parameter: without dialog, not shown afterwards

// The template of the working folder, else of the program's (in any case of its name).
std::optional<std::string> report_template(const App& app) {
    const std::string name(output::kReportTemplateName);
    for (const std::string& dir : {app.current_dir, app.program_dir})
        if (const auto path = platform::find_file(dir + name)) return platform::read_file(*path);
    return std::nullopt;
}

std::uint64_t file_size(const std::string& path) {
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    return error ? 0 : size;
}

output::ReportData report_data(const App& app) {
    output::ReportData d;
    d.nc_path = platform::absolute(app.run.nc_path, app.current_dir);
    d.ttl_path = app.settings.table.tool_table;
    d.ctl_path = app.settings.table.controller_table;
    d.mtl_path = app.settings.table.machine_table;
    d.nc_size = file_size(d.nc_path);
    d.check = &app.check;
    d.rapid_feedrate = app.settings.define.rapid_feedrate;
    d.machine_rapid = app.mtl.rapid;
    d.work_offsets = app.ctl.work;
    d.highest_tool = app.tools.highest_tool;
    double change = 0;
    if (sim::volume_change(app.workpiece, &change)) d.volume = change;
    return d;
}

std::string report_file(const App& app) {
    const OutputSettings& o = app.settings.output;
    output::ReportNaming naming;
    naming.dir = o.verify_dir.empty() ? app.current_dir
                                      : platform::with_trailing_slash(platform::absolute(o.verify_dir, app.current_dir));
    naming.suffix = o.verify_suffix;
    naming.auto_name = o.verify_auto_name;
    return output::report_path(naming, platform::absolute(app.run.nc_path, app.current_dir));
}

// NEW replaces the file whole; APPEND adds to it. A missing folder is made and the write retried.
bool write_once(const std::string& path, const std::string& text, bool append) {
    if (!append) return platform::replace_file(path, text);
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> f(std::fopen(path.c_str(), "ab"), &std::fclose);
    return f && std::fwrite(text.data(), 1, text.size(), f.get()) == text.size() && std::fflush(f.get()) == 0;
}

bool write_report(const std::string& path, const std::string& text, bool append) {
    if (write_once(path, text, append)) return true;
    platform::make_directories(path.substr(0, path.rfind('/') + 1));
    return write_once(path, text, append);
}

}  // namespace

namespace handlers {

int report(App& app, int, int parameter, const CommandArgs*) {
    if (app.run.nc_path.empty()) return 0;
    if (app.check.lines == 0 && app.check.blocks == 0) check_selected_program(app);
    if (app.check.alarm.code != 0)
        platform::note("vornex: the report covers the program up to line " + std::to_string(app.check.alarm.line) +
                       ", where the data check stopped: " +
                       nc::alarm_text(app.check.alarm, app.ctl.start_code, nc::AlarmForm::Log));
    const output::ReportData data = report_data(app);
    const std::optional<std::string> form = report_template(app);
    const std::string text = form ? output::expand_template(*form, data) : output::fixed_report(data);
    const std::string path = report_file(app);
    if (!write_report(path, text, app.settings.output.verify_append)) {
        platform::show_message({path, platform::text(kTextWriteProtect)});
        return 0;
    }
    const bool unattended = app.run.batch_level >= kBatchLogLevel || app.run.no_dialogs || app.plan.headless;
    if (parameter != kSilent && !unattended) platform::open_document(path);
    return 1;
}

}  // namespace handlers
}  // namespace vx::shell
