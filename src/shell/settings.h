// The settings file ("vornex.ini") and the colour table (".CTC"): every section and key with its
// built-in default, read once at start-up into one record that the other subsystems read in
// place, and the part of it written back at exit or while the program runs.
#pragma once

#include "base/text.h"
#include "shell/ini.h"
#include "sim/checks.h"
#include "sim/tools.h"
#include "view/display_settings.h"

#include <array>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace vx::shell {

using view::Colours;
using view::DisplayGuidance;

// ---- Section "Table" ----
struct TableSettings {
    std::string ttl_dir, ctl_dir, mtl_dir;             // Target_TTLdir, ...: current directory
    std::string tool_table = "atc.ttl";                // resolved paths after reading
    std::string controller_table = "zazar.ctl";
    std::string machine_table = "machn.mtl";
};

// ---- Section "DMFdata" ----
struct InitialBox {  // INITIAL SIZE: the first triple, then the second
    Vec3 first{0, 0, 0};
    Vec3 second{100, 100, 30};
};

enum class AlignX { Left, Right, Center };
enum class AlignY { Front, Back, Center };
enum class AlignZ { Bottom, Top, Center };

struct AlignedBox {  // INITIAL SIZE2: an alignment word and three numbers per axis
    AlignX x_align = AlignX::Left;
    std::array<double, 3> x{100, 0, 0};
    AlignY y_align = AlignY::Front;
    std::array<double, 3> y{200, 0, 0};
    AlignZ z_align = AlignZ::Bottom;
    std::array<double, 3> z{50, 0, 0};
};

enum class BottomFilter { Off, OnImport, Always };  // "ON"; "YES" also after every run

struct DmfSettings {
    std::string dmf_dir;
    int save_level = 1;   // 1 shape, 2 with attributes, 3 with line numbers
    int data_level = 1;   // 1 backup + line numbers, 2 backup, 3 line numbers, 4 neither
    bool stl_filter = false;
    BottomFilter bottom_filter = BottomFilter::Off;
    bool stl_check = false;
    bool integer_heights = false;  // VALUE TYPE "INT"
    InitialBox initial_size;
    AlignedBox initial_size2;
    std::string basic_model;       // BASIC MODEL, else BASIC DMF; resolved when not empty
    bool share_mode = false;
    std::string share_name = "VORNEXDMF";  // at most 35 characters
    int sync_display = 0;          // 0 unless share_mode
};

// ---- Section "NCdata" ----
struct NcSettings {
    std::string nc_dir;
    std::string nc_pattern = "*.NC";
};

// ---- Section "OUTPUTdata" ----
enum class LengthNaming { ByMode, Fixed, Auto };  // NAMING MODE(LENGTH) "NO", "FIXED", "AUTO"

struct OutputSettings {
    std::string log_dir, length_dir, verify_dir;  // empty: the current directory
    std::string verify_suffix = "txt";            // at most 9 characters
    bool length_append = false;
    bool verify_append = false;
    LengthNaming length_naming = LengthNaming::ByMode;
    bool verify_auto_name = false;
    bool lathe = false;  // MACHINE TYPE "LATHE"
};

// ---- Section "Optimize" (codes as the outputs use them) ----
struct OptimizeSettings {
    bool torque = false;        // V-VALUE "TORQUE"
    int opt_cut = 1;            // NO 0, OPTIMIZE 1, ESCAPE 2
    int opt_aircut = 1;         // NO 0, ESCAPE 1, MAXOPTF 2, other 3
    int cut_data = 0;           // NO 0, YES 1, other 2, BINARY 3, BINARY-OPEN 4
    bool cut_data_auto_name = false;
    std::string cut_data_suffix_txt = "TXT";
    std::string cut_data_suffix_bin = "BIN";
    int opt_nc = 2;             // NO 0, YES 1, other ("OPEN") 2
    bool opt_nc_auto_name = false;
    std::string opt_nc_suffix = "ONC";
    double v_approach = 0.1;
    double escape_width = 0.0;
    double escape_height = 3.0;
    std::string opt_nc_dir, cut_data_dir;
    bool peak_filter = true;
};

// ---- Section "Define" ----
enum class NewControlPoint { BoxTop, Current, Specify };
enum class StopKey { Ctrl, Space, Pause };
enum class EscapeKey { Esc, Break, Pause };

struct WorkPitch {
    bool automatic = false;  // "AUTO": chosen from the cell budget
    double pitch = 1.0;
    int target_cells = 20000;
};

struct MovePitch {
    bool automatic = false;  // "AUTO": rate times the workpiece pitch
    double pitch = 1.0;
    double rate = 1.0;
};

struct HandToolSettings {
    double depth = 0, width = 0;  // depth is the height for welding
    int pen = 0;
};

struct DefineSettings {
    Vec3 light_vector{0, 0, 1};  // normalised
    int optimize_drawing = 2;      // NO 0, NO_OLD 1, otherwise 2
    int optimize_dots = 3;         // at least 1
    bool mesh_mode = false;
    DisplayGuidance display_guidance = DisplayGuidance::Detail;
    std::vector<double> target_area;  // empty for "NO"
    bool colour_by_pen = true;        // COLOR MODE "TOOL-PEN"; otherwise by cut direction
    bool tool_top_pen = false;        // TOOL-TOP COLOR MODE "PEN"
    Colours colours;
    Vec3 work_margin{0, 0, 0};
    Vec3 control_point{0, 0, 0};
    NewControlPoint new_control_point_dialog = NewControlPoint::BoxTop;  // NEW CONTROL POINTD
    NewControlPoint new_control_point = NewControlPoint::BoxTop;
    Vec3 specified_point_dialog{0, 0, 100};  // SPECIFIED POINTD
    Vec3 specified_point{0, 0, 100};
    sim::ToolBasePoint tool_base_point = sim::ToolBasePoint::Bottom;
    double minimum_pitch = 0.001;
    WorkPitch work_pitch;
    MovePitch move_pitch;
    HandToolSettings welding{0.5, 5.0, 0}, grinder{1.0, 3.0, 0}, paper{0.1, 1.0, 0};
    double brush_width = 1.0, hera_width = 1.0;
    // The checks, with the run's defaults. A "STOP" word is the pause mode.
    sim::RapidCheck rapid_check = sim::Checks{}.rapid;    // from INTERFERENCE
    sim::ArborCheck arbor_check = sim::Checks{}.arbor;    // from INTERFERENCE, overridden by ARBOR CHECK
    int length_type = sim::Checks{}.length_type;          // TYPE1 .. TYPE4
    sim::LengthCheck height_check = sim::Checks{}.height;  // NO, OUTPUT compute, STOP pause, other abort
    sim::LengthCheck chip_check = sim::Checks{}.chip;
    sim::SpindleCheck spindle_check = sim::Checks{}.spindle;  // NO, STOP pause, other abort
    bool spindle_range = sim::Checks{}.spindle_range;  // two numbers after the word turn the speed check on
    double spindle_min = sim::Checks{}.spindle_min, spindle_max = sim::Checks{}.spindle_max;
    double rapid_feedrate = sim::Checks{}.rapid_feedrate;
    sim::Clearance tool_clearance = sim::Checks{}.tool_clearance;
    sim::Clearance arbor_clearance;
    bool path_start = false, path_result = true, tool_display = true, construction_point = false;
    bool boundary_box = true, basic_axis = true, progress_bar = true;
    std::string progress_name;  // at most 23 characters
    int update = 0;             // NO 0, YES 1, FULL 2
    bool sound = false;
    bool ignore_g00 = false;
    bool difference_always = false;  // DIFFERENCE MODE "ALWAYS"
    int cutting_threads = 0;         // threadnc: 0 no bands, else the band count
    int offset_threads = 0;          // threadno
    bool volume_m3 = false;
    double offset_value = 5.0;
    StopKey stop_key = StopKey::Ctrl;
    EscapeKey escape_key = EscapeKey::Esc;
    bool perspective = true;
    bool discoloration = false;
    double discoloration_upper = 0.0, discoloration_lower = 0.0;
    bool difference_minus = false;   // DIFFERENCE AREA "MINUS"
    double difference_margin = 0.01;
    bool difference_normal = false;  // DIFFERENCE DIRECTION "NORMAL"
    int difference_colour = 0;       // 0 paint ("PENKI"), 1..7 a pen
    bool difference_keep_same_colour = false;
    double difference_offset = 0.0;
    bool ime_old = false;
    double angle_a = 315.0, angle_b = 45.0;
    double expand_rate = 5.0;
    int max_magazine = 200;
    int thin_count = 5;
    bool thin_x_edge = true, thin_y_edge = true;  // "ADD"
};

// ---- Sections "ExecEditor", "ExecSelf" ----
struct EditorSettings {
    std::string program = "notepad";
    std::string option = "%1";
    int macro_no = -1;
    std::string macro_name = "VORNEXJUMP.MAC";
    bool select_open = false;
    bool close_end = false;
    std::string ttl_editor, ctl_editor, mtl_editor, ini_editor, def_editor, mon_editor;  // default: program
    std::string self_option = "-X2";  // ExecSelf EXEC_OPTION
};

// ---- Sections "Mouse", "Sync", "Save" ----
struct MouseSettings {
    bool move_on_button_down = false;  // MOVE SWITCH "RBUTTONDOWN"
    bool wheel_reverse = false;
};

struct SyncSettings {
    int mode = 0;  // NO 0, SYNC 1, MAPFILE 2
    std::string share_name = "VORNEXSYNC";
    int total = 0;
    int number = 0;  // stored as the 1-based number minus one, at least 0
};

struct SaveSettings {
    int display = 0;
    int x = -1, y = -1, wide = -1, height = -1;
    int screens = 0;
    int show = 1;
    int view_p = 0, view_t = 0;
    int work_colour = 0, tool_colour = 0, line_colour = 0, background = 0;
};

struct Settings {
    std::string path;  // the settings file in use
    TableSettings table;
    DmfSettings dmf;
    NcSettings nc;
    OutputSettings output;
    OptimizeSettings optimize;
    DefineSettings define;
    EditorSettings editor;
    MouseSettings mouse;
    SyncSettings sync;
    SaveSettings save;
};

// What the start-up knows before the settings are read; the command line's choices skip keys.
struct SettingsContext {
    std::string current_dir;  // with a trailing "/"
    std::string program_dir;
    int processors = 1;
    bool placement_given = false;      // -( : Save X, Y, WIDE, HEIGHT not read
    bool box_given = false;            // -D( : INITIAL SIZE not read
    bool control_point_given = false;  // -S : CONTROL POINT not read
    bool offset_given = false;         // OFFSET VALUE not read
    bool difference_paint_given = false;  // the difference keys not read
    bool minimised = false;
    std::string colour_table;  // applied last when not empty
};

// Where the settings file is: a name with "/" unchanged; else the current directory when the
// file exists there, else the program directory.
std::string settings_path(const std::string& name, const SettingsContext& ctx);

// Reads every key from the file at `path` (a missing file gives every default).
Settings read_settings(const std::string& path, const SettingsContext& ctx);
Settings read_settings(const IniFile& ini, const SettingsContext& ctx);

// A definition file name: with "/" made absolute; else the key's directory + name if that file
// exists; else the name against the current directory if that exists; else the program
// directory + name. Windows-made names match case-insensitively.
std::string resolve_definition_file(const std::string& name, const std::string& key_dir, const SettingsContext& ctx);

// "(LEFT,100,0,0,FRONT,200,0,0,BOTTOM,50,0,0)"; nullopt unless every word and number is there.
std::optional<AlignedBox> read_aligned_box(std::string_view s);

// Applies a colour table file; false when it cannot be read.
// Where the colour table named on the command line is read from.
std::string colour_table_path(const SettingsContext& ctx);
bool apply_colour_table(const std::string& path, Colours& colours);
void apply_colour_table_text(std::string_view bytes, Colours& colours);

struct ExitState {
    bool minimised = false;  // the window is minimised: no placement is saved
    int show = 1, x = -1, y = -1, wide = -1, height = -1, screens = 1;
};

// The colours by their settings keys, in the order of the settings file and the colour dialog.
enum class ColourGroup { Work, Tool, Line, Background };  // the "Save" flag that writes it back
struct ColourKey {
    std::string_view ini_key;
    std::string_view table_key;  // the colour table file's name for it
    ColourGroup group;
    Colour& (*field)(Colours&);
};
std::span<const ColourKey> colour_keys();

// The write-back when the window is destroyed; false when the file could not be replaced.
bool write_settings_at_exit(const Settings& settings, const ExitState& exit);

// Keys written while the program runs (the workpiece definition commands and dialogs).
bool write_new_control_point(const Settings& settings, NewControlPoint choice);
bool write_specified_point(const Settings& settings, const Vec3& point);
bool write_control_point(const Settings& settings, const Vec3& point);  // the control point dialog

}  // namespace vx::shell
