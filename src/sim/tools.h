// The tool table: every tool of the magazine as the tool settings file (".TTL") describes it,
// with holders from the file itself or from holder files (".ATL"), and the current tool that a
// selection copies out of it with its derived profile (profile.h) for the kernel.
//
// Reading is forgiving: unknown text is skipped, missing values read as 0, absurd numbers are
// saturated to the float range, and a missing holder file leaves the holder undefined. Only an
// unopenable tool file and a MAGAZINE number outside 1..maximum change the course of reading.
#pragma once

#include "sim/profile.h"
#include "sim/tool_records.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vx::sim {

// ---- Tool table ----

// Everything the file says about one tool number.
struct ToolEntry {
    ToolRecord tool;
    LengthRecord length;
    HolderRecord holder;
    LimitRecord limit;
    FeedOptRecord feed;
    std::int32_t pen = 0;  // 0..7
    float shift = 0;       // added to the tool's reference point (tool base point included)
};

constexpr int kDefaultMaxMagazine = 200;
// Largest table allocated whatever MAX MAGAZINE says: keeps a mistyped setting from taking
// gigabytes (an entry is about a kilobyte); no magazine holds more tools.
constexpr int kMaxMagazineCap = 9999;
constexpr std::int32_t kLowestHighestTool = 11;  // the highest tool number is at least this

struct ToolTable {
    std::vector<ToolEntry> entries;  // tool numbers 0..maximum
    std::int32_t initial_tool = 1;   // I line
    std::int32_t current_tool = 1;
    std::int32_t highest_tool = kLowestHighestTool;
    HolderRecord default_holder;     // header ARBOR lines or the ATL header line

    std::string path;                // the tool file read last
    std::int32_t read_state = 0;     // 1 read, -1 could not be opened
    std::int64_t file_time = -1;     // for the change watch

    std::string holder_file;         // holder file of the ATL header line (resolved), or empty
    std::int32_t holder_state = 0;   // 1 read, -1 could not be opened, 0 none named
    std::int64_t holder_file_time = -1;
};

// Tables for tool numbers 0..max_magazine (0 to kMaxMagazineCap); every entry cleared.
void allocate_tool_tables(ToolTable& table, int max_magazine);
void free_tool_tables(ToolTable& table);
int max_tool_number(const ToolTable& table);  // -1 when not allocated

// TOOL BASE POINT: the point of the tool that the programs move, added to every tool's shift.
enum class ToolBasePoint { Bottom, BallCenter, FCenter, RHeight, LengthTop, ArborTop };

struct ToolReadOptions {
    ToolBasePoint base_point = ToolBasePoint::Bottom;
    bool holder_files = true;  // false: every holder file reads as missing (no file is touched)
};

// Reads the tool file at `path` (matched case-insensitively in its folder when not found as
// spelled). 1 on success; -1 when it cannot be opened, the tables then left cleared. Tables not
// yet allocated get kDefaultMaxMagazine. The caller selects the current tool afterwards.
int read_tool_file(ToolTable& table, const std::string& path, const ToolReadOptions& options);

// The same on the file's bytes; holder files named without a "/" are looked up in `folder`.
int read_tool_text(ToolTable& table, std::string_view bytes, const std::string& folder,
                   const ToolReadOptions& options);

// Adds the tool base point to every tool's shift (done by the readers after reading).
void apply_tool_base_point(ToolTable& table, ToolBasePoint base_point);

// True when the file on disk has another time than the one read: the change watch reloads then.
bool tool_file_changed(const ToolTable& table);
bool holder_file_changed(const ToolTable& table);

// First defined tool whose name has exactly these bytes, -1 when none.
int find_tool_by_name(const ToolTable& table, std::string_view name);

// ---- Holder files ----

// Where a holder file named in a tool file is: a name without "/" (backslashes count as "/")
// lies in `folder`, the tool file's folder; a name with one is taken as written.
std::string holder_path(std::string_view name, const std::string& folder);

// Reads the first ARBOR, ARBOR2 or ARBOR3 line of the holder file at `path` into `holder`.
// 1 when the file was read (the holder stays undefined if no holder line is in it), -1 when it
// cannot be opened (holder cleared). `time` receives the file's time (-1 when missing).
int read_holder_file(HolderRecord& holder, const std::string& path, std::int64_t* time = nullptr);

// The same on the file's bytes: 1 when a holder line was found, 0 otherwise (holder cleared).
int read_holder_text(HolderRecord& holder, std::string_view bytes);

// ---- Current tool ----

struct CurrentTool {
    std::int32_t number = 0;
    ToolRecord tool;
    LengthRecord length;
    HolderRecord holder;
    LimitRecord limit;
    FeedOptRecord feed;
    std::int32_t pen = 0;  // pen code for the attribute bytes: kPenCode[pen] (workgrid.h)
    double shift = 0;
    Profile profile;
};

// Select tool: copies tool `number` out of the table and derives its profile; the options carry
// the "for cutting" flag with its value, the grid pitch. 0 (nothing changed) when the number is
// outside the table.
int select_tool(CurrentTool& current, const ToolTable& table, int number, const ProfileOptions& options);

// ---- Names ----

// The tool panel's type name in the current language; "No Tool" for a null tool.
std::string_view tool_type_name(const ToolRecord* tool);

// The drill's name when its line gives none.
std::string_view default_drill_name();

// How a table is loaded: its size (MAX MAGAZINE), how the file is read, and how the
// current tool is selected afterwards.
struct ToolTableOptions {
    int max_magazine = kDefaultMaxMagazine;
    ToolReadOptions read;
    ProfileOptions selection;
};

// Start-up and reload: allocates the tables for the magazine size when theirs differs, reads the
// file and selects the table's current tool into `current`. The file's read state (1 read).
int load_tool_table(ToolTable& table, CurrentTool& current, const std::string& path, const ToolTableOptions& options);

}  // namespace vx::sim
