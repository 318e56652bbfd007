#include "shell/run_summary.h"

#include "output/verify_report.h"
#include "platform/encoding.h"
#include "platform/files.h"
#include "platform/log.h"
#include "shell/app.h"

#include <cstdio>
#include <cstring>
#include <map>

namespace vx::shell {
namespace {

using Json = nlohmann::ordered_json;

Json point(const Vec3& p) { return Json::array({p.x, p.y, p.z}); }

Json extents(const nc::Extents& e) {
    if (nc::no_extents(e)) return nullptr;
    return Json{{"min", point(e.min)}, {"max", point(e.max)}};
}

std::string tool_name(const sim::ToolTable& table, int number) {
    if (number < 0 || std::size_t(number) >= table.entries.size()) return {};
    return platform::to_utf8(table.entries[std::size_t(number)].tool.name);
}

Json tools(const App& app) {
    Json list = Json::array();
    for (const nc::ToolTime& t : app.check.time.tools) {
        if (!nc::tool_used(t)) continue;
        list.push_back({{"number", t.tool},
                        {"name", tool_name(app.tools, t.tool)},
                        {"cutting_time_s", t.cutting_time},
                        {"time_s", t.time},
                        {"path_length_mm", t.length}});
    }
    return list;
}

Json removed_volume(const App& app) {
    double change = 0;
    if (!sim::volume_change(app.workpiece, &change)) return nullptr;  // no backup at this data level
    return -change;
}

bool run_found_alarm(const RunFindings& found) {
    for (const Finding& f : found.list)
        if (f.kind == kFindingAlarm) return true;
    return false;
}

// The run's findings; an alarm that stopped the data check and that the run did not meet (a
// batch that ended before its run) is one of them too.
Json findings(const App& app) {
    const RunFindings& found = app.run.state.findings;
    Json list = Json::array();
    for (const Finding& f : found.list)
        list.push_back({{"kind", f.kind}, {"code", f.code}, {"line", f.line}, {"text", f.text}});
    const nc::Alarm& a = app.check.alarm;
    if (a.code != 0 && !run_found_alarm(found))
        list.push_back({{"kind", kFindingAlarm},
                        {"code", nc::kAlarmEndCodeBase + a.code},
                        {"line", a.line},
                        {"text", nc::alarm_text(a, app.ctl.start_code, nc::AlarmForm::Log)}});
    return list;
}

Json no_effect(const nc::Interp& in) {
    Json list = Json::array();
    for (const nc::NoEffectCode& c : in.no_effect) list.push_back({{"code", c.code}, {"line", c.line}});
    return list;
}

// The check stops at its first alarm: its times and extents then cover the program up to there.
Json check_alarm(const App& app) {
    const nc::Alarm& a = app.check.alarm;
    if (a.code == 0) return nullptr;
    return Json{{"code", a.code}, {"line", a.line}, {"text", nc::alarm_text(a, app.ctl.start_code, nc::AlarmForm::Log)}};
}

// ---- Text ----

std::string format(const char* f, double v) {
    char text[64];
    std::snprintf(text, sizeof text, f, v);
    return text;
}

std::string seconds(const Json& s) { return output::hms(s.get<double>()).substr(1) + format(" (%.1f s)", s.get<double>()); }

std::string findings_text(const Json& summary) {
    const Json& list = summary["findings"];
    if (list.empty()) return "  findings: none\n";
    // Per kind: how many, and the first line each was met on.
    std::map<std::string, std::pair<int, const Json*>> kinds;
    for (const Json& f : list) {
        auto& k = kinds[f["kind"].get<std::string>()];
        if (k.first++ == 0) k.second = &f;
    }
    std::string out = "  findings: " + std::to_string(summary["findings_total"].get<std::int64_t>()) + "\n";
    for (const auto& [kind, first] : kinds) {
        const Json& f = *first.second;
        out += "    " + kind + ": " + std::to_string(first.first) + ", first at line " +
               std::to_string(f["line"].get<int>()) + ": " + f["text"].get<std::string>() + "\n";
    }
    return out;
}

}  // namespace

bool has_findings(const App& app) { return app.run.state.findings.count > 0 || app.check.alarm.code != 0; }

Json run_summary(const App& app, double wall_seconds, int exit_code) {
    const nc::MachiningTime& t = app.check.time;
    const RunState& st = app.run.state;
    Json j;
    j["program"] = platform::absolute(app.run.nc_path, app.current_dir);
    j["controller"] = app.settings.table.controller_table;
    j["machine"] = app.settings.table.machine_table;
    j["blocks_read"] = st.blocks;
    j["lines_read"] = app.reader.line_number;
    j["tools"] = tools(app);
    j["machining_time_s"] = {{"cutting", t.cutting_time}, {"rapid", t.rapid_class_time}, {"total", t.feed_time + t.rapid_time}};
    j["path_length_mm"] = {{"cutting", t.cutting_length}, {"rapid", t.rapid_class_length}};
    j["removed_volume_mm3"] = removed_volume(app);
    j["extents"] = {{"all", extents(app.check.all)}, {"feed", extents(app.check.feed)}};
    j["feed"] = t.max_feed > 0 ? Json{{"min", t.min_feed}, {"max", t.max_feed}} : Json{{"min", nullptr}, {"max", nullptr}};
    j["spindle_max"] = app.check.max_spindle;
    j["check_alarm"] = check_alarm(app);
    j["findings"] = findings(app);
    j["findings_total"] = std::max<std::int64_t>(st.findings.count, std::int64_t(j["findings"].size()));
    j["no_effect_codes"] = no_effect(app.interp);
    j["wall_time_s"] = wall_seconds;
    j["exit"] = exit_code;
    return j;
}

std::string summary_text(const Json& j) {
    const Json& time = j["machining_time_s"];
    std::string out = "vornex: " + j["program"].get<std::string>() + "\n";
    out += "  blocks read: " + std::to_string(j["blocks_read"].get<std::int64_t>()) + " (" +
           std::to_string(j["lines_read"].get<int>()) + " lines)\n";
    out += "  machining time: " + seconds(time["total"]) + ", cutting " + seconds(time["cutting"]) + ", rapid " +
           seconds(time["rapid"]) + "\n";
    if (!j["check_alarm"].is_null())
        out += "  (the time covers the program up to line " + std::to_string(j["check_alarm"]["line"].get<int>()) +
               ", where the data check stopped: " + j["check_alarm"]["text"].get<std::string>() + ")\n";
    for (const Json& tool : j["tools"])
        out += "  tool T" + std::to_string(tool["number"].get<int>()) + ": " + seconds(tool["time_s"]) + ", cutting " +
               format("%.1f s", tool["cutting_time_s"].get<double>()) + ", path " +
               format("%.1f mm", tool["path_length_mm"].get<double>()) + "\n";
    out += "  path length: cutting " + format("%.1f mm", j["path_length_mm"]["cutting"].get<double>()) + ", rapid " +
           format("%.1f mm", j["path_length_mm"]["rapid"].get<double>()) + "\n";
    const Json& volume = j["removed_volume_mm3"];
    out += volume.is_null() ? "  removed volume: not known (the data level keeps no backup of the workpiece)\n"
                            : "  removed volume: " + format("%.3f mm3", volume.get<double>()) + "\n";
    out += findings_text(j);
    std::string codes;
    for (const Json& c : j["no_effect_codes"])
        codes += (codes.empty() ? "" : ", ") + c["code"].get<std::string>() + " (line " + std::to_string(c["line"].get<int>()) + ")";
    out += "  no effect: " + (codes.empty() ? std::string("none") : codes) + "\n";
    out += "  wall time: " + format("%.2f s", j["wall_time_s"].get<double>()) + "\n";
    return out;
}

bool write_summary_json(const std::string& path, const Json& summary) {
    const std::string text = summary.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
    platform::StagedFile file(path);
    if (file.write(text.data(), text.size()) && file.commit()) return true;
    platform::note("vornex: " + path + ": the JSON summary cannot be written: " + std::strerror(file.error()));
    return false;
}

}  // namespace vx::shell
