#include "shell/change_watch.h"

#include "base/text.h"
#include "platform/files.h"
#include "platform/language.h"
#include "shell/definitions.h"
#include "shell/sim_options.h"

namespace vx::shell {
namespace {

using platform::TextPair;

constexpr std::string_view kCaption = "VORNEX2000";
constexpr TextPair kToolsChanged{"工具設定ファイルが更新されているので読み込みます。",
                                 "Because the TTL-file has been update, it reads."};
constexpr TextPair kToolsMissing{"工具設定ファイルが見つかりません。", "The TTL-file is not found."};
constexpr TextPair kHoldersChanged{"アーバー定義ファイルが更新されているので読み込みます。",
                                   "Because the ATL-file has been update, it reads."};
constexpr TextPair kCtlChanged{"コントローラー定義ファイルが更新されているので読み込みます。",
                               "Because the CTL-file has been update, it reads."};
constexpr TextPair kCtlMissing{"コントローラー定義ファイルが見つかりません。", "The CTL-file is not found."};
constexpr TextPair kMtlChanged{"機械定義ファイルが更新されているので読み込みます。",
                               "Because the MTL-file has been update, it reads."};
constexpr TextPair kMtlMissing{"機械定義ファイルが見つかりません。", "The MTL-file is not found."};

constexpr int kRead = 1;
constexpr int kNotFound = -1;
constexpr int kReported = 0;  // nothing to watch until the file is read again

void tell(const TextPair& text) { platform::show_message({kCaption, platform::text(text)}); }

void play(const App& app, std::string_view sound) {
    if (app.run.sound) platform::play_sound(sound, platform::SoundMode::Async);
}

bool changed(const std::string& path, std::int64_t recorded) { return platform::file_time(path) != recorded; }

// A file that was not found is reported by the next check, then no more.
bool report_missing(int& state, const TextPair& text) {
    if (state != kNotFound) return false;
    tell(text);
    state = kReported;
    return true;
}

bool check_tools(App& app) {
    sim::ToolTable& t = app.tools;
    if (report_missing(t.read_state, kToolsMissing) || t.read_state != kRead || !changed(t.path, t.file_time)) return false;
    tell(kToolsChanged);
    read_tool_file(app);
    rebuild_title(app.run);
    play(app, "toolchg.wav");
    platform::redraw(platform::ViewPart::ToolWindow);
    platform::redraw(platform::ViewPart::Workpiece);  // the tool drawn over it
    return true;
}

bool check_holders(App& app) {
    const sim::ToolTable& t = app.tools;
    if (t.holder_state != kRead || !changed(t.holder_file, t.holder_file_time)) return false;
    tell(kHoldersChanged);
    read_tool_file(app);
    rebuild_title(app.run);
    play(app, "toolchg.wav");
    platform::redraw(platform::ViewPart::ToolWindow);
    return true;
}

bool check_ctl(App& app) {
    nc::Ctl& c = app.ctl;
    if (report_missing(c.load_state, kCtlMissing) || c.load_state != kRead || !changed(c.path, c.file_time)) return false;
    tell(kCtlChanged);
    const std::string path = c.path;
    nc::load_ctl(path, c, app.current_dir);
    prepare_run_context(app.run);  // the stop mode and the checks the controller starts with
    play(app, "workset.wav");
    platform::redraw(platform::ViewPart::Workpiece);
    return true;
}

bool check_mtl(App& app) {
    nc::Mtl& m = app.mtl;
    if (report_missing(m.load_state, kMtlMissing) || m.load_state != kRead || !changed(m.path, m.file_time)) return false;
    tell(kMtlChanged);
    const std::string path = m.path;
    nc::load_mtl(path, m, machine_name_hook(app));
    // Machine-dependent values of the tool follow the new machine.
    sim::select_tool(app.tool, app.tools, app.tool.number,
                     selection_options(app.settings, app.workpiece.geometry.pitch, nullptr));
    if (integration::sync_plugin_loaded(app.plugins)) platform::redraw(platform::ViewPart::Panels);  // its offsets
    rebuild_title(app.run);
    play(app, "workset.wav");
    platform::redraw(platform::ViewPart::ToolWindow);
    return true;
}

}  // namespace

WatchResult check_definition_files(App& app) {
    if (busy(app) || !equals_nocase(platform::current_directory(), app.current_dir)) return {};
    WatchResult r;
    r.tools = check_tools(app);
    r.holders = check_holders(app);
    r.ctl = check_ctl(app);
    r.mtl = check_mtl(app);
    return r;
}

}  // namespace vx::shell
