#include "shell/settings.h"

#include "base/constants.h"
#include "platform/files.h"
#include "platform/log.h"
#include "platform/shared_memory.h"
#include "shell/ini.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <initializer_list>
#include <optional>
#include <utility>

namespace vx::shell {
namespace {

constexpr int kMaxThreads = 256;                // more bands than this only cost memory
constexpr std::size_t kMaxVerifySuffix = 9;
constexpr std::size_t kMaxProgressName = 23;

template <class T>
struct Word {
    std::string_view word;
    T value;
};

// ---- Reading one section ----

struct SectionReader {
    const IniFile& ini;
    std::string_view section;

    std::optional<std::string_view> value(std::string_view key) const { return ini_find(ini, section, key); }

    void text(std::string_view key, std::string& field, std::size_t max_length = std::string::npos) const {
        if (const auto v = value(key)) field = std::string(v->substr(0, std::min(max_length, v->size())));
    }

    // A shared-memory name that another program must find: cut to the length shared memory
    // allows, and said, since the partner looking for the whole name would never find it.
    void share_name(std::string& field) const {
        const auto v = value("SHARE NAME");
        text("SHARE NAME", field, platform::kMaxShareBaseName);
        if (v && v->size() > platform::kMaxShareBaseName)
            platform::note("vornex: SHARE NAME of [" + std::string(section) + "] is longer than " +
                           std::to_string(platform::kMaxShareBaseName) + " characters; the shared memory is named \"" +
                           field + "\"");
    }

    // A directory with "/" separators and a trailing "/"; `fallback` when absent or empty.
    void directory(std::string_view key, std::string& field, const std::string& fallback) const {
        const auto v = value(key);
        field = v && !v->empty() ? platform::with_trailing_slash(platform::slashes(*v)) : fallback;
    }

    void number(std::string_view key, double& field) const {
        if (const auto v = value(key)) field = read_number(*v);
    }

    void integer(std::string_view key, int& field) const {
        if (const auto v = value(key)) field = read_int(*v);
    }

    // The first word the value begins with sets the field; `otherwise` applies to any other
    // value, and without it an unknown value keeps the built-in one.
    template <class T>
    void choose(std::string_view key, T& field, std::initializer_list<Word<T>> words,
                std::optional<T> otherwise = std::nullopt) const {
        const auto v = value(key);
        if (!v) return;
        for (const auto& w : words) {
            if (keyword_is(*v, w.word)) {
                field = w.value;
                return;
            }
        }
        if (otherwise) field = *otherwise;
    }

    void point(std::string_view key, Vec3& field) const {
        if (const auto v = value(key))
            if (const auto p = read_point(*v)) field = *p;
    }

    void colour(std::string_view key, Colour& field) const {
        if (const auto v = value(key))
            if (const auto c = read_colour(*v)) field = *c;
    }
};

// Reads `count` numbers of a parenthesised list, each found after the previous one.
bool read_numbers(std::string_view s, double* out, int count) {
    for (int k = 0; k < count; ++k) {
        s = from_number(s);
        std::size_t used = 0;
        out[k] = read_number(s, &used);
        if (used == 0) return false;
        s.remove_prefix(used);
    }
    return true;
}

// ---- Colour keys: one table for the settings, the colour table file and the write-back ----

#define VX_COLOUR(member) [](Colours& c) -> Colour& { return c.member; }
const ColourKey kColourKeys[] = {
    {"WORK COLOR", "WORK COLOR", ColourGroup::Work, VX_COLOUR(work)},
    {"PEN1 COLOR", "PEN1 COLOR", ColourGroup::Work, VX_COLOUR(pen[0])},
    {"PEN2 COLOR", "PEN2 COLOR", ColourGroup::Work, VX_COLOUR(pen[1])},
    {"PEN3 COLOR", "PEN3 COLOR", ColourGroup::Work, VX_COLOUR(pen[2])},
    {"PEN4 COLOR", "PEN4 COLOR", ColourGroup::Work, VX_COLOUR(pen[3])},
    {"PEN5 COLOR", "PEN5 COLOR", ColourGroup::Work, VX_COLOUR(pen[4])},
    {"PEN6 COLOR", "PEN6 COLOR", ColourGroup::Work, VX_COLOUR(pen[5])},
    {"PEN7 COLOR", "PEN7 COLOR", ColourGroup::Work, VX_COLOUR(pen[6])},
    {"UP-CUT COLOR", "UP-CUT COLOR", ColourGroup::Work, VX_COLOUR(up_cut)},
    {"DOWN-CUT COLOR", "DOWN-CUT COLOR", ColourGroup::Work, VX_COLOUR(down_cut)},
    {"VERTICAL-CUT COLOR", "VERTICAL-CUT COLOR", ColourGroup::Work, VX_COLOUR(vertical_cut)},
    {"PENKI COLOR", "PENKI COLOR", ColourGroup::Work, VX_COLOUR(penki)},
    {"WORK COLOR2", "WORK COLOR2", ColourGroup::Work, VX_COLOUR(work2)},
    {"TOOL-TOP COLOR", "TOOL-TOP COLOR", ColourGroup::Tool, VX_COLOUR(tool_top)},
    {"TOOL-SIDE COLOR", "TOOL-SIDE COLOR", ColourGroup::Tool, VX_COLOUR(tool_side)},
    {"ARBOR COLOR", "ARBOR COLOR", ColourGroup::Tool, VX_COLOUR(arbor)},
    {"ATTACHMENT COLOR", "ATTACHMENT COLOR", ColourGroup::Tool, VX_COLOUR(attachment)},
    {"TOP-PATH COLOR", "TOP-PATH COLOR", ColourGroup::Line, VX_COLOUR(top_path)},
    {"CONTROL-PATH COLOR", "CONTROL-PATH COLOR", ColourGroup::Line, VX_COLOUR(control_path)},
    {"CUT-PATH COLOR", "CUT-PATH COLOR", ColourGroup::Line, VX_COLOUR(cut_path)},
    {"CONSTRUCTION COLOR", "CONSTRUCTION COLOR", ColourGroup::Line, VX_COLOUR(construction)},
    {"PLUS COLOR", "PLUS COLOR", ColourGroup::Line, VX_COLOUR(plus)},
    {"MINUS COLOR", "MINUS COLOR", ColourGroup::Line, VX_COLOUR(minus)},
    {"BACKGROUND", "BACKGROUND COLOR", ColourGroup::Background, VX_COLOUR(background)},
};
#undef VX_COLOUR

// ---- Sections ----

void read_dmf(const SectionReader& r, const SettingsContext& ctx, DmfSettings& d) {
    r.directory("Target_DMFdir", d.dmf_dir, ctx.current_dir);
    r.integer("SAVE_LEVEL", d.save_level);
    if (d.save_level < 1 || d.save_level > 3) d.save_level = 1;
    r.integer("DATA_LEVEL", d.data_level);
    if (d.data_level < 1 || d.data_level > 4) d.data_level = 1;
    r.choose<bool>("STL FILTER", d.stl_filter, {{"ON", true}, {"OFF", false}});
    r.choose<BottomFilter>("BOTTOM FILTER", d.bottom_filter,
                           {{"ON", BottomFilter::OnImport}, {"YES", BottomFilter::Always}, {"OFF", BottomFilter::Off}});
    r.choose<bool>("STL CHECK", d.stl_check, {{"ON", true}, {"OFF", false}});
    r.choose<bool>("VALUE TYPE", d.integer_heights, {{"INT", true}, {"REAL", false}});
    if (!ctx.box_given) {
        if (const auto v = r.value("INITIAL SIZE")) {
            double n[6];
            if (read_numbers(*v, n, 6)) d.initial_size = {{n[0], n[1], n[2]}, {n[3], n[4], n[5]}};
        }
    }
    if (const auto v = r.value("INITIAL SIZE2"))
        if (const auto box = read_aligned_box(*v)) d.initial_size2 = *box;
    r.text("BASIC MODEL", d.basic_model);
    if (d.basic_model.empty()) r.text("BASIC DMF", d.basic_model);
    r.choose<bool>("SHARE MODE", d.share_mode, {{"YES", true}, {"NO", false}});
    r.share_name(d.share_name);
    r.integer("SYNC DISPLAY", d.sync_display);
    if (!d.share_mode) d.sync_display = 0;
}

void read_output(const SectionReader& r, OutputSettings& o) {
    r.directory("Target_LOGdir", o.log_dir, "");
    r.directory("Target_LENGTHdir", o.length_dir, "");
    r.directory("Target_VERIFYdir", o.verify_dir, "");
    r.text("VERIFY SUFFIX", o.verify_suffix, kMaxVerifySuffix);
    r.choose<bool>("CREATE MODE(LENGTH)", o.length_append, {{"APPEND", true}, {"NEW", false}});
    r.choose<bool>("CREATE MODE(VERIFY)", o.verify_append, {{"APPEND", true}, {"NEW", false}});
    r.choose<LengthNaming>("NAMING MODE(LENGTH)", o.length_naming,
                           {{"FIXED", LengthNaming::Fixed}, {"AUTO", LengthNaming::Auto}, {"NO", LengthNaming::ByMode}});
    r.choose<bool>("NAMING MODE(VERIFY)", o.verify_auto_name, {{"AUTO", true}, {"FIXED", false}});
    r.choose<bool>("MACHINE TYPE", o.lathe, {{"LATHE", true}, {"MC", false}});
}

void read_optimize(const SectionReader& r, OptimizeSettings& o) {
    r.choose<bool>("V-VALUE", o.torque, {{"TORQUE", true}, {"VOLUME", false}});
    r.choose<int>("OPT-CUT", o.opt_cut, {{"NO", 0}, {"OPTIMIZE", 1}, {"ESCAPE", 2}});
    r.choose<int>("OPT-AIRCUT", o.opt_aircut, {{"NO", 0}, {"ESCAPE", 1}, {"MAXOPTF", 2}}, 3);
    r.choose<int>("CUT-DATA", o.cut_data, {{"NO", 0}, {"YES", 1}, {"BINARY-OPEN", 4}, {"BINARY", 3}}, 2);
    r.choose<bool>("CUT-DATA NAME MODE", o.cut_data_auto_name, {{"AUTO", true}, {"FIXED", false}});
    r.text("CUT-DATA SUFFIX(TXT)", o.cut_data_suffix_txt);
    r.text("CUT-DATA SUFFIX(BIN)", o.cut_data_suffix_bin);
    r.choose<int>("OPT-NC", o.opt_nc, {{"NO", 0}, {"YES", 1}}, 2);
    r.choose<bool>("OPT-NC NAME MODE", o.opt_nc_auto_name, {{"AUTO", true}, {"FIXED", false}});
    r.text("OPT-NC SUFFIX", o.opt_nc_suffix);
    r.number("V-APPROACH", o.v_approach);
    r.number("ESCAPE-WIDTH", o.escape_width);
    r.number("ESCAPE-HEIGHT", o.escape_height);
    r.directory("Target_OPT-NCdir", o.opt_nc_dir, "");
    r.directory("Target_CUT-DATAdir", o.cut_data_dir, "");
    r.choose<bool>("PEAK FILTER", o.peak_filter, {{"OFF", false}, {"ON", true}});
}

// "NO"/"OFF" none, "ON"/"YES" one per processor, a number that many.
void read_thread_count(const SectionReader& r, std::string_view key, int processors, int& field) {
    const auto v = r.value(key);
    if (!v) return;
    if (keyword_is(*v, "NO") || keyword_is(*v, "OFF")) field = 0;
    else if (keyword_is(*v, "ON") || keyword_is(*v, "YES")) field = std::max(processors, 1);
    else {
        std::size_t used = 0;
        read_number(*v, &used);
        if (used > 0) field = std::clamp(read_int(*v), 0, kMaxThreads);
    }
}

// "NO", "YES" (the pitch's margin), or a number: that clearance.
void read_clearance(const SectionReader& r, std::string_view key, sim::Clearance& c) {
    using sim::ClearanceMode;
    const auto v = r.value(key);
    if (!v) return;
    std::size_t used = 0;
    const double value = read_number(*v, &used);
    if (used > 0) c = {ClearanceMode::Value, value};
    else if (keyword_is(*v, "NO")) c = {ClearanceMode::None, 0.0};
    else if (keyword_is(*v, "YES")) c = {ClearanceMode::Pitch, 0.0};
}

// A pitch of 0 or less would make every grid degenerate: such a value keeps the built-in one.
void read_positive(std::string_view v, double& field) {
    const double value = read_number(v);
    if (std::isfinite(value) && value > 0) field = value;
}

void read_pitches(const SectionReader& r, DefineSettings& d) {
    r.number("MINIMUM PITCH(WORK)", d.minimum_pitch);
    if (const auto v = r.value("PITCH(WORK)")) {
        d.work_pitch.automatic = keyword_is(*v, "AUTO");
        if (!d.work_pitch.automatic) read_positive(*v, d.work_pitch.pitch);
        else if (const auto n = from_number(v->substr(4)); !n.empty() && read_int(n) > 0) d.work_pitch.target_cells = read_int(n);
    }
    if (const auto v = r.value("PITCH(MOVE)")) {
        d.move_pitch.automatic = keyword_is(*v, "AUTO");
        if (!d.move_pitch.automatic) read_positive(*v, d.move_pitch.pitch);
        else if (const auto n = from_number(v->substr(4)); !n.empty()) read_positive(n, d.move_pitch.rate);
    }
}

void read_hand_tool(const SectionReader& r, std::string_view name, std::string_view depth_word, HandToolSettings& t) {
    const std::string base(name);
    r.number(base + "(" + std::string(depth_word) + ")", t.depth);
    r.number(base + "(WIDTH)", t.width);
    r.integer(base + "(PEN)", t.pen);
}

void read_checks(const SectionReader& r, DefineSettings& d) {
    using sim::ArborCheck, sim::LengthCheck, sim::RapidCheck, sim::SpindleCheck;
    using Modes = std::pair<RapidCheck, ArborCheck>;
    Modes modes{d.rapid_check, d.arbor_check};
    r.choose<Modes>("INTERFERENCE", modes,
                    {{"NO", {RapidCheck::Off, ArborCheck::Compute}},
                     {"TOOL", {RapidCheck::Abort, ArborCheck::Compute}},
                     {"ARBOR", {RapidCheck::Off, ArborCheck::Abort}},
                     {"YES", {RapidCheck::Abort, ArborCheck::Abort}},
                     {"STOP", {RapidCheck::Pause, ArborCheck::Abort}}});
    d.rapid_check = modes.first;
    d.arbor_check = modes.second;
    r.choose<int>("LENGTH TYPE", d.length_type, {{"TYPE1", 1}, {"TYPE2", 2}, {"TYPE3", 3}, {"TYPE4", 4}});
    r.choose<ArborCheck>("ARBOR CHECK", d.arbor_check,
                         {{"NO", ArborCheck::Ignore}, {"OUTPUT", ArborCheck::Compute}, {"CUT", ArborCheck::Cut},
                          {"YES", ArborCheck::Abort}, {"STOP", ArborCheck::Pause}});
    const std::initializer_list<Word<LengthCheck>> length_words{
        {"NO", LengthCheck::Off}, {"OUTPUT", LengthCheck::Compute}, {"STOP", LengthCheck::Pause}};
    r.choose<LengthCheck>("HEIGHT CHECK", d.height_check, length_words, LengthCheck::Abort);
    r.choose<LengthCheck>("CHIP-W CHECK", d.chip_check, length_words, LengthCheck::Abort);
    if (const auto v = r.value("SPINDLE CHECK")) {
        d.spindle_check = keyword_is(*v, "NO")     ? SpindleCheck::Off
                          : keyword_is(*v, "STOP") ? SpindleCheck::Pause
                                                   : SpindleCheck::Abort;
        double limits[2];
        d.spindle_range = read_numbers(*v, limits, 2);
        if (d.spindle_range) d.spindle_min = limits[0], d.spindle_max = limits[1];
    }
    if (const auto v = r.value("RAPID FEEDRATE")) d.rapid_feedrate = keyword_is(*v, "NO") ? kRapidFeedrateNone : read_number(*v);
    read_clearance(r, "TOOL CLEARANCE", d.tool_clearance);
    read_clearance(r, "ARBOR CLEARANCE", d.arbor_clearance);
}

void read_display_switches(const SectionReader& r, DefineSettings& d) {
    r.choose<bool>("PATH(START)", d.path_start, {{"YES", true}, {"NO", false}});
    r.choose<bool>("PATH(RESULT)", d.path_result, {{"YES", true}, {"NO", false}});
    r.choose<bool>("TOOL DISPLAY", d.tool_display, {{"ON", true}, {"OFF", false}});
    r.choose<bool>("CONSTRUCTION POINT", d.construction_point, {{"ON", true}, {"OFF", false}});
    r.choose<bool>("BOUNDARY BOX", d.boundary_box, {{"ON", true}, {"OFF", false}});
    const std::initializer_list<Word<bool>> shown{{"NO", false}, {"OFF", false}, {"ON", true}, {"YES", true}};
    r.choose<bool>("BASIC AXIS", d.basic_axis, shown);
    r.choose<bool>("PROGRESS BAR", d.progress_bar, shown);
    r.text("PROGRESS NAME", d.progress_name, kMaxProgressName);
    r.choose<int>("UPDATE", d.update, {{"NO", 0}, {"YES", 1}, {"FULL", 2}});
    r.choose<bool>("SOUND", d.sound, {{"OFF", false}}, true);
    r.choose<bool>("IGNORE G00", d.ignore_g00, {{"YES", true}, {"NO", false}});
    r.choose<bool>("DIFFERENCE MODE", d.difference_always, {{"ALWAYS", true}, {"TMP", false}});
}

void read_difference(const SectionReader& r, DefineSettings& d) {
    r.choose<bool>("DIFFERENCE AREA", d.difference_minus, {{"MINUS", true}, {"PLUS", false}});
    r.number("DIFFERENCE MARGIN", d.difference_margin);
    r.choose<bool>("DIFFERENCE DIRECTION", d.difference_normal, {{"NORMAL", true}, {"HEIGHT", false}});
    if (const auto v = r.value("DIFFERENCE COLOR")) {
        if (keyword_is(*v, "PENKI")) d.difference_colour = 0;
        else if (keyword_is(*v, "PEN")) {
            const int pen = read_int(v->substr(3));
            d.difference_colour = pen >= 1 && pen <= 7 ? pen : 1;
        }
    }
    r.choose<bool>("DIFFERENCE KEEP SAME COLOR", d.difference_keep_same_colour, {{"YES", true}, {"NO", false}});
    r.number("DIFFERENCE OFFSET", d.difference_offset);
}

void read_define(const SectionReader& r, const SettingsContext& ctx, DefineSettings& d) {
    if (const auto v = r.value("LIGHT VECTOR")) {
        if (const auto p = read_point(*v)) {
            const double length = std::sqrt(p->x * p->x + p->y * p->y + p->z * p->z);
            if (length > 0 && std::isfinite(length)) d.light_vector = {p->x / length, p->y / length, p->z / length};
        }
    }
    r.choose<int>("OPTIMIZE DRAWING", d.optimize_drawing, {{"NO_OLD", 1}, {"NO", 0}}, 2);
    r.integer("OPTIMIZE DOTS", d.optimize_dots);
    d.optimize_dots = std::max(d.optimize_dots, 1);
    r.choose<bool>("MESH MODE", d.mesh_mode, {{"YES", true}, {"NO", false}});
    r.choose<DisplayGuidance>("DISPLAY GUIDANCE", d.display_guidance,
                              {{"DETAIL", DisplayGuidance::Detail}, {"YES", DisplayGuidance::Ask}, {"NO", DisplayGuidance::Never}});
    if (const auto v = r.value("TARGET AREA"); v && !keyword_is(*v, "NO")) {
        d.target_area.clear();
        for (std::string_view s = from_number(*v); !s.empty(); s = from_number(s)) {
            std::size_t used = 0;
            const double n = read_number(s, &used);
            if (used == 0) break;
            d.target_area.push_back(n);
            s.remove_prefix(used);
        }
    }
    r.choose<bool>("COLOR MODE", d.colour_by_pen, {{"TOOL-PEN", true}}, false);
    r.choose<bool>("TOOL-TOP COLOR MODE", d.tool_top_pen, {{"PEN", true}, {"SPECIFIED", false}});
    for (const auto& key : kColourKeys) r.colour(key.ini_key, key.field(d.colours));
    r.number("WORK MARGIN(X)", d.work_margin.x);
    r.number("WORK MARGIN(Y)", d.work_margin.y);
    r.number("WORK MARGIN(Z)", d.work_margin.z);
    if (!ctx.control_point_given) r.point("CONTROL POINT", d.control_point);
    const std::initializer_list<Word<NewControlPoint>> places{
        {"BOX-TOP", NewControlPoint::BoxTop}, {"CURRENT", NewControlPoint::Current}, {"SPECIFY", NewControlPoint::Specify}};
    r.choose<NewControlPoint>("NEW CONTROL POINTD", d.new_control_point_dialog, places);
    r.choose<NewControlPoint>("NEW CONTROL POINT", d.new_control_point, places);
    r.point("SPECIFIED POINTD", d.specified_point_dialog);
    r.point("SPECIFIED POINT", d.specified_point);
    using sim::ToolBasePoint;
    r.choose<ToolBasePoint>("TOOL BASE POINT", d.tool_base_point,
                            {{"BOTTOM", ToolBasePoint::Bottom}, {"BALL-CENTER", ToolBasePoint::BallCenter},
                             {"F-CENTER", ToolBasePoint::FCenter}, {"R-HEIGHT", ToolBasePoint::RHeight},
                             {"LENGTH-TOP", ToolBasePoint::LengthTop}, {"ARBOR-TOP", ToolBasePoint::ArborTop}});
    read_pitches(r, d);
    read_hand_tool(r, "WELDING", "HEIGHT", d.welding);
    read_hand_tool(r, "GRINDER", "DEPTH", d.grinder);
    read_hand_tool(r, "PAPER", "DEPTH", d.paper);
    r.number("BRUSH(WIDTH)", d.brush_width);
    r.number("HERA(WIDTH)", d.hera_width);
    read_checks(r, d);
    read_display_switches(r, d);
    read_thread_count(r, "threadnc", ctx.processors, d.cutting_threads);
    read_thread_count(r, "threadno", ctx.processors, d.offset_threads);
    r.choose<bool>("VOLUME UNIT", d.volume_m3, {{"m3", true}, {"mm3", false}});
    if (!ctx.offset_given) r.number("OFFSET VALUE", d.offset_value);
    r.choose<StopKey>("STOP KEY", d.stop_key, {{"SPACE", StopKey::Space}, {"PAUSE", StopKey::Pause}}, StopKey::Ctrl);
    r.choose<EscapeKey>("ESCAPE KEY", d.escape_key, {{"BREAK", EscapeKey::Break}, {"PAUSE", EscapeKey::Pause}},
                        EscapeKey::Esc);
    r.choose<bool>("PERSPECTIVE", d.perspective, {{"ON", true}, {"OFF", false}});
    r.choose<bool>("DISCOLORATION MODE", d.discoloration, {{"ON", true}, {"OFF", false}});
    r.number("DISCOLORATION UPPER LEVEL", d.discoloration_upper);
    r.number("DISCOLORATION LOWER LEVEL", d.discoloration_lower);
    if (!ctx.difference_paint_given) read_difference(r, d);
    r.choose<bool>("IME VERSION", d.ime_old, {{"OLD", true}}, false);
}

void read_table(const SectionReader& r, const SettingsContext& ctx, TableSettings& t) {
    r.directory("Target_TTLdir", t.ttl_dir, ctx.current_dir);
    r.directory("Target_CTLdir", t.ctl_dir, ctx.current_dir);
    r.directory("Target_MTLdir", t.mtl_dir, ctx.current_dir);
    r.text("TOOL_TABLE", t.tool_table);
    r.text("CONTROLLER_TABLE", t.controller_table);
    r.text("MACHINE_TABLE", t.machine_table);
    t.tool_table = resolve_definition_file(t.tool_table, t.ttl_dir, ctx);
    t.controller_table = resolve_definition_file(t.controller_table, t.ctl_dir, ctx);
    t.machine_table = resolve_definition_file(t.machine_table, t.mtl_dir, ctx);
}

void read_editor(const SectionReader& r, EditorSettings& e) {
    r.text("EXEC_PROGRAM", e.program);
    r.text("EXEC_OPTION", e.option);
    r.integer("EXEC_MACRO_NO", e.macro_no);
    r.text("EXEC_MACRO_NAME", e.macro_name);
    r.choose<bool>("SELECT OPEN", e.select_open, {{"YES", true}, {"NO", false}});
    r.choose<bool>("CLOSE END", e.close_end, {{"YES", true}, {"NO", false}});
    const std::pair<std::string_view, std::string*> editors[] = {
        {"EXEC_TTL_EDITOR", &e.ttl_editor}, {"EXEC_CTL_EDITOR", &e.ctl_editor}, {"EXEC_MTL_EDITOR", &e.mtl_editor},
        {"EXEC_INI_EDITOR", &e.ini_editor}, {"EXEC_DEF_EDITOR", &e.def_editor}, {"EXEC_MON_EDITOR", &e.mon_editor}};
    for (const auto& [key, field] : editors) {
        *field = e.program;
        r.text(key, *field);
    }
}

void read_view_and_magazine(const SectionReader& r, DefineSettings& d) {
    r.number("ANGLE-A", d.angle_a);
    r.number("ANGLE-B", d.angle_b);
    r.number("EXPAND RATE", d.expand_rate);
    r.integer("MAX MAGAZINE", d.max_magazine);
    r.integer("THIN COUNT", d.thin_count);
    r.choose<bool>("THIN X-EDGE", d.thin_x_edge, {{"ADD", true}}, false);
    r.choose<bool>("THIN Y-EDGE", d.thin_y_edge, {{"ADD", true}}, false);
}

void read_mouse(const SectionReader& r, MouseSettings& m) {
    r.choose<bool>("MOVE SWITCH", m.move_on_button_down, {{"RBUTTONDOWN", true}, {"RBUTTONCLICK", false}});
    r.choose<bool>("WHEEL ZOOM", m.wheel_reverse, {{"REVERSE", true}}, false);
}

void read_save(const SectionReader& r, const SettingsContext& ctx, SaveSettings& s) {
    r.integer("DISPLAY", s.display);
    if (!ctx.placement_given) {
        r.integer("X", s.x);
        r.integer("Y", s.y);
        r.integer("WIDE", s.wide);
        r.integer("HEIGHT", s.height);
    }
    r.integer("SCREENS", s.screens);
    r.integer("SHOW", s.show);
    r.integer("VIEW_P", s.view_p);
    r.integer("VIEW_T", s.view_t);
    r.integer("WORK COLOR", s.work_colour);
    r.integer("TOOL COLOR", s.tool_colour);
    r.integer("LINE COLOR", s.line_colour);
    r.integer("BACKGROUND", s.background);
}

void read_sync(const SectionReader& r, SyncSettings& s) {
    r.choose<int>("SYNC MODE", s.mode, {{"SYNC", 1}, {"MAPFILE", 2}, {"NO", 0}});
    r.share_name(s.share_name);
    r.integer("SYNC TOTAL", s.total);
    if (const auto v = r.value("SYNC NO")) s.number = std::max(read_int(*v) - 1, 0);
}

// ---- Write-back ----

constexpr std::string_view kAlignX[] = {"LEFT", "RIGHT", "CENTER"};
constexpr std::string_view kAlignY[] = {"FRONT", "BACK", "CENTER"};
constexpr std::string_view kAlignZ[] = {"BOTTOM", "TOP", "CENTER"};

std::string format_initial_size(const InitialBox& b) {
    std::string out = "(";
    for (const double v : {b.first.x, b.first.y, b.first.z, b.second.x, b.second.y, b.second.z})
        out += format_number(v) + ",";
    out.back() = ')';
    return out;
}

std::string format_aligned_box(const AlignedBox& b) {
    std::string out = "(";
    const auto axis = [&out](std::string_view word, const std::array<double, 3>& n) {
        out += std::string(word);
        for (const double v : n) out += "," + format_number(v);
        out += ",";
    };
    axis(kAlignX[int(b.x_align)], b.x);
    axis(kAlignY[int(b.y_align)], b.y);
    axis(kAlignZ[int(b.z_align)], b.z);
    out.back() = ')';
    return out;
}

bool colour_group_saved(ColourGroup group, const SaveSettings& s) {
    switch (group) {
        case ColourGroup::Work: return s.work_colour == 1;
        case ColourGroup::Tool: return s.tool_colour == 1;
        case ColourGroup::Line: return s.line_colour == 1;
        case ColourGroup::Background: return s.background == 1;
    }
    return false;
}

void write_colours(IniFile& ini, const Settings& settings) {
    const SaveSettings& s = settings.save;
    if (s.tool_colour == 1)
        ini_set(ini, "Define", "TOOL-TOP COLOR MODE", settings.define.tool_top_pen ? "PEN COLOR" : "SPECIFIED");
    Colours colours = settings.define.colours;
    for (const auto& key : kColourKeys)
        if (colour_group_saved(key.group, s)) ini_set(ini, "Define", key.ini_key, format_colour(key.field(colours)));
}

constexpr std::string_view kNewControlPointWords[] = {"BOX-TOP", "CURRENT", "SPECIFY"};

}  // namespace

// ---- Public interface ----

std::span<const ColourKey> colour_keys() { return kColourKeys; }

std::optional<AlignedBox> read_aligned_box(std::string_view s) {
    s = trim(s);
    if (s.empty() || s.front() != '(') return std::nullopt;
    s.remove_prefix(1);
    AlignedBox box;
    const auto axis = [&s](auto& align, std::array<double, 3>& n, const std::string_view (&words)[3]) {
        s = trim(s);
        int found = -1;
        for (int k = 0; k < 3 && found < 0; ++k)
            if (keyword_is(s, words[k])) found = k;
        if (found < 0) return false;
        align = static_cast<std::remove_reference_t<decltype(align)>>(found);
        s.remove_prefix(words[found].size());
        for (double& v : n) {
            const auto comma = s.find(',');
            if (comma == std::string_view::npos) return false;
            s.remove_prefix(comma + 1);
            std::size_t used = 0;
            v = read_number(s, &used);
            if (used == 0) return false;
            s.remove_prefix(used);
        }
        const auto next = s.find_first_of(",)");
        if (next == std::string_view::npos) return false;
        s.remove_prefix(next + 1);
        return true;
    };
    if (!axis(box.x_align, box.x, kAlignX) || !axis(box.y_align, box.y, kAlignY) || !axis(box.z_align, box.z, kAlignZ))
        return std::nullopt;
    return box;
}

std::string settings_path(const std::string& name, const SettingsContext& ctx) {
    const std::string file = platform::slashes(name.empty() ? "vornex.ini" : name);
    if (file.find('/') != std::string::npos) return platform::find_file(file).value_or(file);
    if (const auto here = platform::find_file(ctx.current_dir + file)) return *here;
    return platform::find_file(ctx.program_dir + file).value_or(ctx.program_dir + file);
}

std::string resolve_definition_file(const std::string& name, const std::string& key_dir, const SettingsContext& ctx) {
    const std::string file = platform::slashes(name);
    if (file.empty()) return file;
    if (file.find('/') != std::string::npos) {
        const std::string path = platform::absolute(file, ctx.current_dir);
        return platform::find_file(path).value_or(path);
    }
    for (const std::string* dir : {&key_dir, &ctx.current_dir})
        if (const auto found = platform::find_file(platform::absolute(file, *dir))) return *found;
    const std::string fallback = ctx.program_dir + file;
    return platform::find_file(fallback).value_or(fallback);
}

std::string colour_table_path(const SettingsContext& ctx) {
    return platform::absolute(platform::slashes(ctx.colour_table), ctx.current_dir);
}

bool apply_colour_table(const std::string& path, Colours& colours) {
    const auto bytes = platform::read_file(path);
    if (!bytes) return false;
    apply_colour_table_text(*bytes, colours);
    return true;
}

void apply_colour_table_text(std::string_view bytes, Colours& colours) {
    const IniFile lines = ini_parse("", bytes);
    for (const std::string& line : lines.lines) {
        // The longest key the line begins with: "WORK COLOR2" is not "WORK COLOR".
        const ColourKey* best = nullptr;
        for (const auto& key : kColourKeys)
            if (keyword_is(line, key.table_key) && (!best || key.table_key.size() > best->table_key.size())) best = &key;
        if (!best || line.size() <= best->table_key.size()) continue;
        if (const auto c = read_colour(std::string_view(line).substr(best->table_key.size() + 1))) best->field(colours) = *c;
    }
}

Settings read_settings(const std::string& path, const SettingsContext& ctx) { return read_settings(ini_load(path), ctx); }

Settings read_settings(const IniFile& ini, const SettingsContext& ctx) {
    Settings s;
    s.path = ini.path;
    read_dmf({ini, "DMFdata"}, ctx, s.dmf);
    const SectionReader nc{ini, "NCdata"};
    nc.directory("Target_NCdir", s.nc.nc_dir, ctx.current_dir);
    nc.text("Target_NCfile", s.nc.nc_pattern);
    read_output({ini, "OUTPUTdata"}, s.output);
    read_optimize({ini, "Optimize"}, s.optimize);
    read_define({ini, "Define"}, ctx, s.define);
    read_table({ini, "Table"}, ctx, s.table);
    if (!s.dmf.basic_model.empty()) s.dmf.basic_model = resolve_definition_file(s.dmf.basic_model, s.dmf.dmf_dir, ctx);
    read_editor({ini, "ExecEditor"}, s.editor);
    SectionReader{ini, "ExecSelf"}.text("EXEC_OPTION", s.editor.self_option);
    read_view_and_magazine({ini, "Define"}, s.define);
    read_mouse({ini, "Mouse"}, s.mouse);
    read_save({ini, "Save"}, ctx, s.save);
    read_sync({ini, "Sync"}, s.sync);
    if (!ctx.colour_table.empty()) apply_colour_table(colour_table_path(ctx), s.define.colours);
    if (ctx.minimised) {
        s.save.view_t = 0;
        s.define.tool_display = false;
        s.define.path_result = false;
        s.define.progress_bar = true;
    }
    return s;
}

bool write_settings_at_exit(const Settings& settings, const ExitState& exit) {
    IniFile ini = ini_load(settings.path);
    const SaveSettings& s = settings.save;
    const auto save_int = [&ini](std::string_view key, int v) { ini_set(ini, "Save", key, std::to_string(v)); };
    save_int("DISPLAY", s.display);
    if (s.display == 1 && !exit.minimised) {
        save_int("SHOW", exit.show);
        save_int("X", exit.x);
        save_int("Y", exit.y);
        save_int("HEIGHT", exit.height);
        save_int("WIDE", exit.wide);
        save_int("SCREENS", exit.screens);
    }
    save_int("VIEW_P", s.view_p);
    save_int("VIEW_T", s.view_t);
    save_int("WORK COLOR", s.work_colour);
    save_int("TOOL COLOR", s.tool_colour);
    save_int("LINE COLOR", s.line_colour);
    save_int("BACKGROUND", s.background);
    write_colours(ini, settings);
    ini_set(ini, "DMFdata", "INITIAL SIZE", format_initial_size(settings.dmf.initial_size));
    ini_set(ini, "DMFdata", "INITIAL SIZE2", format_aligned_box(settings.dmf.initial_size2));
    return ini_save(ini);
}

bool write_new_control_point(const Settings& settings, NewControlPoint choice) {
    IniFile ini = ini_load(settings.path);
    ini_set(ini, "Define", "NEW CONTROL POINT", kNewControlPointWords[int(choice)]);
    return ini_save(ini);
}

namespace {

bool write_point(const Settings& settings, std::string_view key, const Vec3& p) {
    IniFile ini = ini_load(settings.path);
    ini_set(ini, "Define", key, "(" + format_number(p.x) + "," + format_number(p.y) + "," + format_number(p.z) + ")");
    return ini_save(ini);
}

}  // namespace

bool write_specified_point(const Settings& settings, const Vec3& p) { return write_point(settings, "SPECIFIED POINT", p); }

bool write_control_point(const Settings& settings, const Vec3& p) { return write_point(settings, "CONTROL POINT", p); }

}  // namespace vx::shell
