// The tool tables' memory, tool selection, the panel's type names and the process's one table.
#include "sim/tools.h"

#include "platform/files.h"
#include "platform/language.h"

#include <algorithm>

namespace vx::sim {
namespace {

using platform::TextPair;

// ---- User texts ----

constexpr TextPair kTextBall{"ボールエンドミル", "Ball End mill"};
constexpr TextPair kTextFlat{"フラットエンドミル", "Flat End mill"};
constexpr TextPair kTextBull{"ブルエンドミル", "Bull End mill"};
constexpr TextPair kTextTaperBall{"テーパーボールエンドミル", "Taper Ball End mill"};
constexpr TextPair kTextVertical{"バーティカルミル", "Vertical Mill"};
constexpr TextPair kTextOval{"オーバルミル", "Oval Mill"};
constexpr TextPair kTextOvalR{"複合楕円ミル", "Oval-R Mill"};
constexpr TextPair kTextTThrow{"Tスロー", "T-Throw"};
constexpr TextPair kTextRadius{"ラジアスミル", "Radius Mill"};
constexpr TextPair kTextKegaki{"ケガキ工具", "Kegaki Tool"};
constexpr TextPair kTextOther{"その他の工具", "Other Tool"};
constexpr TextPair kTextNoTool{"工具無し", "No Tool"};
constexpr TextPair kTextDrill{"ドリル", "Drill"};

std::int64_t time_on_disk(const std::string& path) {
    const auto found = platform::find_file(path);
    return found ? platform::file_time(*found) : -1;
}

}  // namespace

// ---- Tables ----

void allocate_tool_tables(ToolTable& table, int max_magazine) {
    const int maximum = std::clamp(max_magazine, 0, kMaxMagazineCap);
    table.entries.assign(static_cast<std::size_t>(maximum) + 1, ToolEntry{});
}

void free_tool_tables(ToolTable& table) {
    table.entries.clear();
    table.entries.shrink_to_fit();
}

int max_tool_number(const ToolTable& table) { return static_cast<int>(table.entries.size()) - 1; }

bool tool_file_changed(const ToolTable& table) {
    return table.read_state == 1 && time_on_disk(table.path) != table.file_time;
}

bool holder_file_changed(const ToolTable& table) {
    return table.holder_state != 0 && !table.holder_file.empty() &&
           time_on_disk(table.holder_file) != table.holder_file_time;
}

int find_tool_by_name(const ToolTable& table, std::string_view name) {
    for (std::size_t n = 0; n < table.entries.size(); ++n)
        if (table.entries[n].tool.defined && table.entries[n].tool.name == name) return static_cast<int>(n);
    return -1;
}

// ---- Selection ----

int select_tool(CurrentTool& current, const ToolTable& table, int number, const ProfileOptions& options) {
    if (number < 0 || number > max_tool_number(table)) return 0;
    const ToolEntry& entry = table.entries[static_cast<std::size_t>(number)];
    current.number = number;
    current.tool = entry.tool;
    current.length = entry.length;
    current.holder = entry.holder;
    current.limit = entry.limit;
    current.feed = entry.feed;
    current.shift = entry.shift;
    // Tool 0 (no tool) keeps the pen in use unless its entry names one.
    if (number != 0 || entry.pen >= 0) current.pen = entry.pen;
    current.profile = build_profile(entry.tool, entry.length, entry.holder, options);
    return 1;
}

// ---- Names ----

std::string_view tool_type_name(const ToolRecord* tool) {
    if (!tool) return platform::text(kTextNoTool);
    switch (tool->type) {
        case kToolBall: return platform::text(kTextBall);
        case kToolFlat: return platform::text(kTextFlat);
        case kToolBull: return platform::text(kTextBull);
        case kToolTaperBall: return platform::text(kTextTaperBall);
        case kToolVertical: return platform::text(kTextVertical);
        case kToolOval: return platform::text(tool->d / 2.0 >= tool->e ? kTextOval : kTextOvalR);
        case kToolTThrow: return platform::text(kTextTThrow);
        case kToolRadius: return platform::text(kTextRadius);
        case kToolKegaki: return platform::text(kTextKegaki);
        default: return platform::text(kTextOther);
    }
}

std::string_view default_drill_name() { return platform::text(kTextDrill); }

// ---- Loading ----

int load_tool_table(ToolTable& table, CurrentTool& current, const std::string& path, const ToolTableOptions& options) {
    const int wanted = std::clamp(options.max_magazine, 0, kMaxMagazineCap);
    if (max_tool_number(table) != wanted) allocate_tool_tables(table, wanted);
    const int state = read_tool_file(table, path, options.read);
    select_tool(current, table, table.current_tool, options.selection);
    return state;
}

}  // namespace vx::sim
