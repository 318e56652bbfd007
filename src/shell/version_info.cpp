#include "shell/version_info.h"

#include "base/text.h"
#include "platform/files.h"
#include "platform/language.h"
#include "shell/dispatch.h"
#include "shell/handlers.h"

#include <sys/utsname.h>

#include <charconv>

namespace vx::shell {
namespace {

using platform::TextPair;

constexpr TextPair kTitle{"バージョン/環境情報", "Version/Environment"};
constexpr std::string_view kWheel = "(Wheel Type/NT)";  // the desktop always reports the wheel
constexpr TextPair kPhysical{"物理メモリ", "Physical memory"};
constexpr TextPair kSwap{"ページングファイル", "Paging file"};
constexpr TextPair kTotal{"合計", "total"};
constexpr TextPair kFree{"空き", "free"};
constexpr TextPair kWorkMemory{"被切削材メモリ", "Workpiece memory"};
constexpr std::string_view kUndefined = "undefined ";
constexpr std::int64_t kKb = 1024;

// The number after "key:" on the line that starts with it, or 0.
std::uint64_t meminfo_value(std::string_view text, std::string_view key) {
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = std::min(text.find('\n', at), text.size());
        std::string_view line = text.substr(at, end - at);
        at = end + 1;
        if (!line.starts_with(key) || line.size() <= key.size() || line[key.size()] != ':') continue;
        line.remove_prefix(key.size() + 1);
        line.remove_prefix(std::min(line.find_first_not_of(' '), line.size()));
        std::uint64_t value = 0;
        std::from_chars(line.data(), line.data() + line.size(), value);
        return value;
    }
    return 0;
}

std::string kernel_release() {
    utsname u{};
    return uname(&u) == 0 ? std::string(u.release) : std::string();
}

std::string pair_line(const TextPair& label, std::uint64_t total, std::uint64_t free) {
    return std::string(platform::text(label)) + ": " + std::string(platform::text(kTotal)) + " " + with_commas(total) +
           " KB, " + std::string(platform::text(kFree)) + " " + with_commas(free) + " KB\n";
}

}  // namespace

std::string with_commas(std::uint64_t n) {
    std::string digits = std::to_string(n);
    for (int at = int(digits.size()) - 3; at > 0; at -= 3) digits.insert(std::size_t(at), ",");
    return digits;
}

MemoryInfo parse_meminfo(std::string_view text) {
    return {meminfo_value(text, "MemTotal"), meminfo_value(text, "MemAvailable"), meminfo_value(text, "SwapTotal"),
            meminfo_value(text, "SwapFree")};
}

std::string os_pretty_name(std::string_view os_release) {
    constexpr std::string_view kKey = "PRETTY_NAME=";
    for (std::size_t at = 0; at < os_release.size();) {
        const std::size_t end = std::min(os_release.find('\n', at), os_release.size());
        std::string_view line = os_release.substr(at, end - at);
        at = end + 1;
        if (!line.starts_with(kKey)) continue;
        line.remove_prefix(kKey.size());
        if (line.size() >= 2 && (line.front() == '"' || line.front() == '\'') && line.back() == line.front())
            line = line.substr(1, line.size() - 2);
        return std::string(line);
    }
    return "Linux";
}

std::string_view version_title() { return platform::text(kTitle); }

std::string version_text(const App& app) {
    const MemoryInfo m = parse_meminfo(platform::read_file("/proc/meminfo").value_or(""));
    const std::int64_t work = sim::memory_estimate(app.workpiece);
    std::string text = "VORNEX " VORNEX_VERSION "\n" + std::string(kWheel) + "\n";
    text += "OS: " + os_pretty_name(platform::read_file("/etc/os-release").value_or("")) + " " + kernel_release() + "\n";
    text += pair_line(kPhysical, m.total, m.available);
    text += pair_line(kSwap, m.swap_total, m.swap_free);
    text += std::string(platform::text(kWorkMemory)) + ": " +
            (work > 0 ? with_commas(std::uint64_t((work + kKb - 1) / kKb)) + " KB" : std::string(kUndefined)) + "\n";
    return text;
}

namespace handlers {

int version(App& app, int, int, const CommandArgs*) {
    if (app.hooks.version_dialog) {
        app.hooks.version_dialog(app.hooks.window);
        return 1;
    }
    platform::show_message({platform::text(kTitle), version_text(app)});
    return 1;
}

}  // namespace handlers
}  // namespace vx::shell
