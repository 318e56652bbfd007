#include "shell/batch.h"

#include "platform/files.h"
#include "platform/log.h"

#include <cstdio>

namespace vx::shell {
namespace {

// ---- Steps ----
constexpr int kLevelWithLog = 5;   // levels 5 to 7 log, quit, and report without dialogs
constexpr int kFirstRunLevel = 2;  // levels none, 0 and 1 only preselect the files

BatchStep command(int id, int parameter = 0, std::string path = {}) {
    BatchStep step;
    step.command = id;
    step.parameter = parameter;
    step.path = std::move(path);
    return step;
}

BatchStep of_kind(StepKind kind) {
    BatchStep step;
    step.kind = kind;
    return step;
}

int axis_index(char axis) { return axis == 'Y' ? 1 : axis == 'Z' ? 2 : 0; }

BatchStep load_step(const WorkpieceFile& work) {
    BatchStep step = command(cmd::kLoadWork, 0, work.path);
    if (work.load == WorkLoad::Press) {
        step.command = cmd::kLoadPress;
        step.parameter = axis_index(work.axis);
        if (work.keep_given) step.values = {double(work.keep[0]), double(work.keep[1]), double(work.keep[2])};
    } else if (work.load == WorkLoad::Swing) {
        step.command = cmd::kLoadSwing;
        step.parameter = axis_index(work.axis);
        if (work.swing_given) step.values = {work.a, work.b, work.angle};
    }
    step.end_on_failure = true;
    return step;
}

BatchStep save_step(const OutputFile& out) { return command(cmd::kSaveWork, out.save_type, out.path); }

// The run command of a level: 0 when the level does not run.
int run_command(const CommandLine& cl) {
    switch (cl.batch_level) {
    case 2: return cmd::kRealCut;
    case 3: return cl.fast ? cmd::kFastSkipCut : cmd::kSkipCut;
    case 4:
    case 5:
    case 6:
        if (cl.sim_plugin > 0) return cmd::kSimPlugin + cl.sim_plugin - 1;
        return cl.fast ? cmd::kFastCutAndShow : cmd::kCutAndShow;
    case 7: return cmd::kOptimise;
    default: return 0;
    }
}

bool report_before_run(Report r) { return r == Report::V || r == Report::V5 || r == Report::V6; }

// ---- Workpiece operations ----

// The first operation that has both its workpiece and its output: load, operate, save, quit.
// Each operation ends the program, so any later one would never run.
bool plan_operation(const CommandLine& cl, BatchPlan& plan) {
    bool planned = false;
    for (const WorkOperation& op : cl.operations) {
        if (planned) {
            plan.notes.push_back(op.text + ": ignored: only the first workpiece operation runs");
            continue;
        }
        if (!cl.workpiece || !cl.output) {
            plan.notes.push_back(op.text + ": dropped: a workpiece operation needs -D and -O");
            continue;
        }
        plan.steps.push_back(load_step(*cl.workpiece));
        BatchStep step = command(op.command, op.value, op.file);
        step.values = op.numbers;
        plan.steps.push_back(std::move(step));
        plan.steps.push_back(save_step(*cl.output));
        plan.steps.push_back(of_kind(StepKind::Quit));
        planned = true;
    }
    return planned;
}

// ---- The level's sequence ----

void plan_sequence(const CommandLine& cl, BatchPlan& plan) {
    const int level = cl.batch_level;
    const bool logs = level >= kLevelWithLog;
    const bool runs = level >= kFirstRunLevel;
    const bool have_nc = !cl.nc_file.empty();
    const bool report_first = report_before_run(cl.report);
    auto& steps = plan.steps;

    if (logs) steps.push_back(of_kind(StepKind::LogOpen));
    if (cl.workpiece) steps.push_back(load_step(*cl.workpiece));
    if (have_nc) {
        steps.push_back(command(cmd::kSelectNc, 0, cl.nc_file));
        steps.back().end_on_failure = logs;  // an NC file found nowhere ends a logging batch
        steps.back().end_on_alarm = logs && report_first;
    }
    if (report_first && have_nc) {
        const bool quiet = level > 4 || cl.report != Report::V || cl.no_dialog;
        steps.push_back(command(cmd::kReport, quiet ? 1 : 0));
    }
    if (runs && have_nc) steps.push_back(command(run_command(cl)));
    if (cl.report == Report::VA && have_nc) steps.push_back(command(cmd::kReport, level > 4 || cl.no_dialog ? 1 : 0));

    plan.missing_nc = !have_nc && (runs || cl.report != Report::None);
    if (plan.missing_nc) plan.notes.push_back("no NC file: the run and the report are left out");

    // Below the run levels only a file conversion saves: the workpiece loaded from -D.
    const bool converts = !runs && cl.workpiece && cl.output;
    if (cl.output && (runs || converts)) steps.push_back(save_step(*cl.output));
    else if (cl.output) plan.notes.push_back("-O ignored: nothing to save without -D or a run level");

    if (logs) steps.push_back(of_kind(StepKind::LogEnd));
    const bool report_quits = !runs && (cl.report == Report::V5 || cl.report == Report::V6);
    if (logs || converts || report_quits) steps.push_back(of_kind(StepKind::Quit));
}

}  // namespace

BatchPlan plan_batch(const CommandLine& cl) {
    BatchPlan plan;
    plan.minimised = cl.minimised;
    if (!plan_operation(cl, plan)) plan_sequence(cl, plan);
    plan.headless = !plan.steps.empty() && plan.steps.back().kind == StepKind::Quit;
    return plan;
}

int batch_exit_code(int batch_level, const BatchOutcome& outcome) {
    if (outcome.escaped && batch_level >= kLevelWithLog) return kExitEscaped;
    // An unattended caller must be able to tell a failed load, save or missing NC file from a
    // finished batch.
    if (outcome.failed) return kExitFailed;
    return kExitNormal;
}

// ---- The batch log ----

std::string batch_log_line(const std::tm& t, std::string_view nc_path) {
    char stamp[64];
    std::snprintf(stamp, sizeof stamp, "%04d/%02d/%02d %02d:%02d:%02d\xEF\xBC\x9A", t.tm_year + 1900, t.tm_mon + 1,
                  t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec);
    return stamp + std::string(nc_path);
}

std::string batch_log_path(const std::string& log_dir, const std::string& current_dir) {
    const std::string dir = log_dir.empty() ? current_dir : platform::absolute(platform::slashes(log_dir), current_dir);
    return platform::with_trailing_slash(dir) + "vornex.log";
}

bool open_batch_log(const std::string& log_dir, const std::string& current_dir) {
    return platform::log_open(batch_log_path(log_dir, current_dir));
}

void write_batch_log_line(std::string_view nc_path, std::time_t now, std::string_view tail) {
    std::tm local{};
    if (!localtime_r(&now, &local)) return;
    platform::log_write(batch_log_line(local, nc_path) + std::string(tail));
}

void write_batch_log_line(std::string_view nc_path, std::string_view tail) {
    write_batch_log_line(nc_path, std::time(nullptr), tail);
}

void end_batch_log() {
    platform::log_write("\n");
    platform::log_close();
}

}  // namespace vx::shell
