// The controller definition (".CTL"): how the control that an NC program was written for reads
// its codes, and the control's offset memory. One record holds everything; a load resets it to
// the defaults and applies the file line by line, then derives the work offset, the plane codes
// and the file time. The offset dialogs write the offset memory back into the same file,
// keeping every other line as it was.
#pragma once

#include "base/text.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vx::nc {

// ---- Sizes ----

constexpr int kOffsetEntries = 1000;  // D and H numbers 0 to 999
constexpr int kFeedNumbers = 1000;    // F numbers 0 to 999: the file does not bound them, so we do
constexpr int kWorkOffsets = 201;     // 0 is the external offset slot, 1..6 are G54..G59, up to 200
constexpr int kRefPoints = 5;         // reference points 1 to 4 (index 0 unused)
constexpr int kMaxReplacements = 30;
constexpr int kMaxStopCharacters = 20;
constexpr std::size_t kMaxStopCharacterLength = 9;
constexpr int kMaxWaitMCodes = 10;
constexpr std::size_t kMaxWaitFileName = 14;
constexpr std::size_t kMaxNameLength = 255;
constexpr int kFirstClearanceCycle = 70;  // " CLEARANCE" lines exist for G70 to G89
constexpr int kClearanceCycles = 20;

// ---- The record ----

enum class Dialect { Default, Osp, Mazak, Siemens, Heidenhain };

// True for the dialects that take the external offset plus G54 as their start (default, MAZAK,
// SIEMENS); OSP and HEIDENHAIN differ.
bool fanuc_like(Dialect d);

struct OffsetEntry {  // one D or H entry
    float value = 0.0f;
    float wear = 0.0f;
};

struct RefPoint {
    float x = 0.0f, y = 0.0f, z = 0.0f;
    bool defined = false;
};

struct WaitMCode {
    int m = 0;
    std::string file = "waitfile";  // as written, at most 14 characters
};

struct Replacement {
    std::string from, to;  // "from" is never empty
};

struct RadiusOffsetCheck {  // "CHECK RADIUS OFFSET"
    bool stop = false;
    int list = 0;  // 0 no list, 1 list, 2 list and open
    bool penki = false;
    bool active = false;  // any action set
};

struct Ctl {
    // Load state: 0 nothing read yet, 1 loaded, -1 the file could not be opened (defaults hold).
    int load_state = 0;
    std::string path;
    std::int64_t file_time = -1;  // ns, of the file as read or last written back

    std::string name;  // "NAME(MAX20)", UTF-8
    Colour name_colour = rgb(255, 0, 0);
    Colour name_background = rgb(255, 255, 0);

    int unit = 1000;            // divisor of coordinates without a decimal point
    double min_move = 0.0005;   // mm; shorter moves are not cut
    int scale_unit = 1000;      // "UNIT(SCALE)"
    int angle_unit = 1000;      // "UNIT(DEG)"
    int decimal_point = 0;      // 0 NO, 1 YES, 2 other, 3 NORMAL
    Dialect product = Dialect::Default;
    int pre_read = 0;           // look-ahead blocks, 0 = plain interpreter
    int only_g40 = 1;           // 1 OFFSET, 2 RESET
    int initial_plane = 17;
    int return_level = 1;       // 1 initial (G98), 0 R (G99)
    bool check_f0 = false;
    float r_tolerance = 1000000.0f;
    bool code_check = false;
    bool has_check_char = false;
    std::string check_char;     // allowed besides digits, when has_check_char
    RadiusOffsetCheck radius_offset_check;
    bool check_reverse_arc = false;
    float smooth_angle = 2.0f;
    int feedrate = 0;           // F word mode: 0 DIRECT, 1 INDIRECT, 2 AUTO1, 3 AUTO2
    int offset_memory = 3;      // 1 A, 2 B, 3 C
    int g92_mode = 0;           // 0 NORMAL, 1 MOVE
    int g49_mode = 0;           // 0 NORMAL, 1 KEEP
    int g00_mode = 0;           // 0 LINE, 1 ASYNC/ASYNC1, 2 ASYNC2, 9 UNKNOWN
    bool g00_path = false;
    std::array<bool, 10> block_skip{};  // levels 1..9 (index 0 unused)
    bool block_skip_any = false;
    std::vector<std::string> stop_characters;
    bool concave_arc_feed = true;
    int stop_option = 0;        // 0 NONE, 1 NORMAL, 2 M01, 3 SINGLE, 4 DEFINE
    std::vector<WaitMCode> wait_m_codes;
    float g73_d = 1.0f, g83_d = 1.0f;
    std::array<double, kClearanceCycles> clearance{};  // index = cycle G number - 70
    bool cycle_l0_once = false;
    bool cycle_k0_once = false;
    std::array<bool, 3> scale_effect{true, true, true};
    std::array<double, 3> scale{1.0, 1.0, 1.0};
    double rotation_angle = 0.0;

    // Per machine axis X, Y, Z: the program letter that drives it, its arc-centre letter,
    // whether the axis runs reversed, and the letter the position display shows.
    std::array<char, 3> axis_letter{'X', 'Y', 'Z'};
    std::array<char, 3> centre_letter{'I', 'J', 'K'};
    std::array<bool, 3> reverse{};
    std::array<char, 3> display_letter{'X', 'Y', 'Z'};

    char start_code = ' ';      // "EOR"; blank: no start code
    bool d_from_tool = false;
    bool h_from_tool = false;
    bool memory_run = false;
    bool rigid_tap = false;
    std::vector<Replacement> replacements;

    // Offset memory.
    std::array<OffsetEntry, kOffsetEntries> d{};
    std::array<OffsetEntry, kOffsetEntries> h{};
    std::array<float, kFeedNumbers> f{};
    std::array<Vec3, kWorkOffsets> work{};  // work[0] is the external offset
    std::array<RefPoint, kRefPoints> ref{};

    // Derived after the file is read.
    Vec3 current_work_offset;
    std::array<int, 3> plane_codes{17, 18, 19};  // pairs (X, Y), (Z, X), (Y, Z); sign = swapped
};

// ---- Loading ----

// Resets `ctl` and applies the definition text `bytes` (any bytes; CR LF or LF), then derives
// the work offset and the plane codes. Touches no file.
void parse_ctl(std::string_view bytes, Ctl& ctl);

// Loads the file at `path`: 1 on success, 0 when it cannot be read (defaults, load state -1).
// After a read every existing wait file of the list is deleted; a relative wait file name is
// taken against `current_dir`.
int load_ctl(const std::string& path, Ctl& ctl, const std::string& current_dir);

// Applies one line of the file to `ctl` (a line end is ignored; the first 1023 characters count).
void apply_ctl_line(std::string_view line, Ctl& ctl);

// Recomputes the values derived from the whole file.
void derive_ctl(Ctl& ctl);

// Where a wait file lies: backslashes read as "/", relative names against `current_dir`.
std::string wait_file_path(const WaitMCode& wait, const std::string& current_dir);

// The wait entry of M code `m`, or nullptr.
const WaitMCode* find_wait_m_code(const Ctl& ctl, int m);

// The value of the current start work offset for the dialect (external + G54, 0 or G54).
Vec3 start_work_offset(const Ctl& ctl);

// The optional-block-skip dialog takes its nine check boxes (index 1..9) with this.
void set_block_skip(Ctl& ctl, const std::array<bool, 10>& levels);

// ---- Write-back of the offset memory ----

enum class OffsetTable { D, H };

// The controller file text `bytes` with its "MEMORY" lines of the table rewritten from `ctl`:
// changed entries replace their line, zero entries drop it, new entries are appended after the
// last line; every other line keeps its bytes.
std::string offsets_written(std::string_view bytes, const Ctl& ctl, OffsetTable table);
std::string work_offsets_written(std::string_view bytes, const Ctl& ctl);

// Rewrite the controller file at `ctl.path`: write "<path>.new", delete "<path>.bak", rename the
// file to "<path>.bak", rename "<path>.new" to the file, and record the new file time in
// `ctl.file_time`. 1 on success, 0 when the file cannot be read or replaced (it is then as before).
int write_back_offsets(Ctl& ctl, OffsetTable table);
int write_back_work_offsets(Ctl& ctl);

// ---- Dialog labels (the offset dialogs of the window) ----

constexpr int kOffsetTabs = 50;       // 20 entries a tab, 1 to 999
constexpr int kOffsetsPerTab = 20;
constexpr int kWorkOffsetTabs = 20;   // 10 work offsets a tab, 1 to 200
constexpr int kWorkOffsetsPerTab = 10;

std::string offset_tab_label(int tab);                      // "01", "21", ..., "981"
std::string offset_entry_label(OffsetTable table, int n);   // "D05", "H123"
std::string offset_field(float value);                      // "%9.3f"
std::string work_offset_label(int n, Dialect dialect);      // "1(G54)", "7(P1)", "7"
std::string work_offset_field(double value);                // "%10.3f"
bool wear_editable(const Ctl& ctl);                         // offset memory types B and C

}  // namespace vx::nc
