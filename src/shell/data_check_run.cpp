#include "shell/data_check_run.h"

#include "platform/language.h"
#include "platform/platform.h"
#include "shell/app.h"
#include "shell/nc_links.h"
#include "shell/run_steps.h"

namespace vx::shell {
namespace {

using platform::TextPair;

constexpr TextPair kTextCheckData{"データチェック", "Check Data"};
constexpr TextPair kTextCheckMinMax{"最大最小チェック", "Check Min-Max"};

std::string progress_title(const std::string& path, nc::CheckMode mode) {
    const std::string name = path.substr(path.rfind('/') + 1);
    return name + " - " + std::string(platform::text(mode == nc::CheckMode::Full ? kTextCheckData : kTextCheckMinMax));
}

bool unattended(const App& app) { return app.run.batch_level >= kBatchLogLevel || app.run.no_dialogs; }

// A report written before the run in a logging batch: its alarm ends the batch (batch.h).
bool report_before_run(const App& app) {
    for (const BatchStep& step : app.plan.steps)
        if (step.end_on_alarm) return true;
    return false;
}

}  // namespace

int check_program(const App& app, const std::string& path, nc::CheckMode mode, nc::DataCheck& check) {
    nc::Ctl ctl = app.ctl;
    nc::Reader reader;
    nc::ProgramLibrary programs;
    nc::Interp in;
    in.ctl = &ctl;
    in.mtl = &app.mtl;
    in.tools = tool_lookup(app.tools);
    in.reader = &reader;
    in.programs = &programs;
    in.comments = comment_reader(app.plugins);
    in.lookup = height_lookup(app.workpiece);
    in.rapid_pitch = run::move_step(app.run);
    int first_tool = 0;  // replaced by a reader plug-in's first tool
    if (!open_nc_source(reader, &app.plugins, path, first_tool)) return kCheckNotOpened;
    prepare_programs(programs, path, ctl);
    if (app.run.progress_display) platform::progress_begin(progress_title(path, mode), 0);
    const nc::CheckStart start{app.settings.define.rapid_feedrate, app.run.start_point, app.run.work_dir, first_tool};
    nc::run_data_check(in, check, mode, start);
    if (app.run.progress_display) platform::progress_end();
    nc::finish_alarm_list(in.alarm_list, ctl.radius_offset_check.list == 2, unattended(app));
    return check.alarm.code == 0 ? 1 : 0;
}

void check_selected_program(App& app) {
    if (check_program(app, app.run.nc_path, nc::CheckMode::Full, app.check) != 0) return;
    if (!report_before_run(app)) return;  // the run reports the same alarm when it meets it
    app.reader.alarm = app.check.alarm;
    nc::show_alarm(app.check.alarm, app.ctl.start_code, app.run.nc_path);
}

}  // namespace vx::shell
