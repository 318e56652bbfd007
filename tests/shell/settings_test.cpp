#include "shell/settings.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <functional>

namespace vx::shell {
namespace {

using sim::ArborCheck;
using sim::ClearanceMode;
using sim::LengthCheck;
using sim::RapidCheck;
using sim::SpindleCheck;
using sim::ToolBasePoint;
using vx::testing::TempDir;

SettingsContext context_in(const TempDir& dir) {
    SettingsContext ctx;
    ctx.current_dir = dir.path();
    ctx.program_dir = dir.path() + "program/";
    ctx.processors = 2;
    return ctx;
}

Settings read_text(const TempDir& dir, const std::string& ini, SettingsContext ctx) {
    return read_settings(dir.write("vornex.ini", ini), ctx);
}

Settings read_text(const TempDir& dir, const std::string& ini) { return read_text(dir, ini, context_in(dir)); }

// ---- Defaults ----
// A missing file must give every default of the key tables. The expected values are copied
// from the tables, not from the code, so a mistyped default shows up here.

TEST(SettingsDefaults, MissingFileGivesTheTableDefaults) {
    TempDir dir;
    const SettingsContext ctx = context_in(dir);
    const Settings s = read_settings(dir.path() + "absent.ini", ctx);

    EXPECT_EQ(s.table.ttl_dir, dir.path());
    EXPECT_EQ(s.table.ctl_dir, dir.path());
    EXPECT_EQ(s.table.mtl_dir, dir.path());
    EXPECT_EQ(s.table.tool_table, dir.path() + "program/atc.ttl");
    EXPECT_EQ(s.table.controller_table, dir.path() + "program/zazar.ctl");
    EXPECT_EQ(s.table.machine_table, dir.path() + "program/machn.mtl");

    EXPECT_EQ(s.dmf.dmf_dir, dir.path());
    EXPECT_EQ(s.dmf.save_level, 1);
    EXPECT_EQ(s.dmf.data_level, 1);
    EXPECT_FALSE(s.dmf.stl_filter);
    EXPECT_EQ(s.dmf.bottom_filter, BottomFilter::Off);
    EXPECT_FALSE(s.dmf.stl_check);
    EXPECT_FALSE(s.dmf.integer_heights);
    EXPECT_EQ(s.dmf.initial_size.first, (Vec3{0, 0, 0}));
    EXPECT_EQ(s.dmf.initial_size.second, (Vec3{100, 100, 30}));
    EXPECT_EQ(s.dmf.initial_size2.x_align, AlignX::Left);
    EXPECT_EQ(s.dmf.initial_size2.x, (std::array<double, 3>{100, 0, 0}));
    EXPECT_EQ(s.dmf.initial_size2.y_align, AlignY::Front);
    EXPECT_EQ(s.dmf.initial_size2.y, (std::array<double, 3>{200, 0, 0}));
    EXPECT_EQ(s.dmf.initial_size2.z_align, AlignZ::Bottom);
    EXPECT_EQ(s.dmf.initial_size2.z, (std::array<double, 3>{50, 0, 0}));
    EXPECT_EQ(s.dmf.basic_model, "");
    EXPECT_FALSE(s.dmf.share_mode);
    EXPECT_EQ(s.dmf.share_name, "VORNEXDMF");
    EXPECT_EQ(s.dmf.sync_display, 0);

    EXPECT_EQ(s.nc.nc_dir, dir.path());
    EXPECT_EQ(s.nc.nc_pattern, "*.NC");

    EXPECT_EQ(s.output.log_dir, "");
    EXPECT_EQ(s.output.length_dir, "");
    EXPECT_EQ(s.output.verify_dir, "");
    EXPECT_EQ(s.output.verify_suffix, "txt");
    EXPECT_FALSE(s.output.length_append);
    EXPECT_FALSE(s.output.verify_append);
    EXPECT_EQ(s.output.length_naming, LengthNaming::ByMode);
    EXPECT_FALSE(s.output.verify_auto_name);
    EXPECT_FALSE(s.output.lathe);

    const OptimizeSettings& o = s.optimize;
    EXPECT_FALSE(o.torque);
    EXPECT_EQ(o.opt_cut, 1);
    EXPECT_EQ(o.opt_aircut, 1);
    EXPECT_EQ(o.cut_data, 0);
    EXPECT_FALSE(o.cut_data_auto_name);
    EXPECT_EQ(o.cut_data_suffix_txt, "TXT");
    EXPECT_EQ(o.cut_data_suffix_bin, "BIN");
    EXPECT_EQ(o.opt_nc, 2);
    EXPECT_FALSE(o.opt_nc_auto_name);
    EXPECT_EQ(o.opt_nc_suffix, "ONC");
    EXPECT_DOUBLE_EQ(o.v_approach, 0.1);
    EXPECT_DOUBLE_EQ(o.escape_width, 0.0);
    EXPECT_DOUBLE_EQ(o.escape_height, 3.0);
    EXPECT_EQ(o.opt_nc_dir, "");
    EXPECT_EQ(o.cut_data_dir, "");
    EXPECT_TRUE(o.peak_filter);

    const DefineSettings& d = s.define;
    EXPECT_EQ(d.light_vector, (Vec3{0, 0, 1}));
    EXPECT_EQ(d.optimize_drawing, 2);
    EXPECT_EQ(d.optimize_dots, 3);
    EXPECT_FALSE(d.mesh_mode);
    EXPECT_EQ(d.display_guidance, DisplayGuidance::Detail);
    EXPECT_TRUE(d.target_area.empty());
    EXPECT_TRUE(d.colour_by_pen);
    EXPECT_FALSE(d.tool_top_pen);
    EXPECT_EQ(d.work_margin, (Vec3{0, 0, 0}));
    EXPECT_EQ(d.control_point, (Vec3{0, 0, 0}));
    EXPECT_EQ(d.new_control_point_dialog, NewControlPoint::BoxTop);
    EXPECT_EQ(d.new_control_point, NewControlPoint::BoxTop);
    EXPECT_EQ(d.specified_point_dialog, (Vec3{0, 0, 100}));
    EXPECT_EQ(d.specified_point, (Vec3{0, 0, 100}));
    EXPECT_EQ(d.tool_base_point, ToolBasePoint::Bottom);
    EXPECT_DOUBLE_EQ(d.minimum_pitch, 0.001);
    EXPECT_FALSE(d.work_pitch.automatic);
    EXPECT_DOUBLE_EQ(d.work_pitch.pitch, 1.0);
    EXPECT_EQ(d.work_pitch.target_cells, 20000);
    EXPECT_FALSE(d.move_pitch.automatic);
    EXPECT_DOUBLE_EQ(d.move_pitch.pitch, 1.0);
    EXPECT_DOUBLE_EQ(d.move_pitch.rate, 1.0);
    EXPECT_DOUBLE_EQ(d.welding.depth, 0.5);
    EXPECT_DOUBLE_EQ(d.welding.width, 5.0);
    EXPECT_EQ(d.welding.pen, 0);
    EXPECT_DOUBLE_EQ(d.grinder.depth, 1.0);
    EXPECT_DOUBLE_EQ(d.grinder.width, 3.0);
    EXPECT_EQ(d.grinder.pen, 0);
    EXPECT_DOUBLE_EQ(d.paper.depth, 0.1);
    EXPECT_DOUBLE_EQ(d.paper.width, 1.0);
    EXPECT_EQ(d.paper.pen, 0);
    EXPECT_DOUBLE_EQ(d.brush_width, 1.0);
    EXPECT_DOUBLE_EQ(d.hera_width, 1.0);
    EXPECT_EQ(d.rapid_check, RapidCheck::Abort);  // INTERFERENCE "YES": both abort
    EXPECT_EQ(d.arbor_check, ArborCheck::Abort);
    EXPECT_EQ(d.length_type, 1);
    EXPECT_EQ(d.height_check, LengthCheck::Off);
    EXPECT_EQ(d.chip_check, LengthCheck::Off);
    EXPECT_EQ(d.spindle_check, SpindleCheck::Off);
    EXPECT_FALSE(d.spindle_range);
    EXPECT_DOUBLE_EQ(d.rapid_feedrate, 999999999.0);
    EXPECT_EQ(d.tool_clearance.mode, ClearanceMode::None);
    EXPECT_EQ(d.arbor_clearance.mode, ClearanceMode::None);
    EXPECT_FALSE(d.path_start);
    EXPECT_TRUE(d.path_result);
    EXPECT_TRUE(d.tool_display);
    EXPECT_FALSE(d.construction_point);
    EXPECT_TRUE(d.boundary_box);
    EXPECT_TRUE(d.basic_axis);
    EXPECT_TRUE(d.progress_bar);
    EXPECT_EQ(d.progress_name, "");
    EXPECT_EQ(d.update, 0);
    EXPECT_FALSE(d.sound);
    EXPECT_FALSE(d.ignore_g00);
    EXPECT_FALSE(d.difference_always);
    EXPECT_EQ(d.cutting_threads, 0);
    EXPECT_EQ(d.offset_threads, 0);
    EXPECT_FALSE(d.volume_m3);
    EXPECT_DOUBLE_EQ(d.offset_value, 5.0);
    EXPECT_EQ(d.stop_key, StopKey::Ctrl);
    EXPECT_EQ(d.escape_key, EscapeKey::Esc);
    EXPECT_TRUE(d.perspective);
    EXPECT_FALSE(d.discoloration);
    EXPECT_DOUBLE_EQ(d.discoloration_upper, 0.0);
    EXPECT_DOUBLE_EQ(d.discoloration_lower, 0.0);
    EXPECT_FALSE(d.difference_minus);
    EXPECT_DOUBLE_EQ(d.difference_margin, 0.01);
    EXPECT_FALSE(d.difference_normal);
    EXPECT_EQ(d.difference_colour, 0);
    EXPECT_FALSE(d.difference_keep_same_colour);
    EXPECT_DOUBLE_EQ(d.difference_offset, 0.0);
    EXPECT_FALSE(d.ime_old);
    EXPECT_DOUBLE_EQ(d.angle_a, 315.0);
    EXPECT_DOUBLE_EQ(d.angle_b, 45.0);
    EXPECT_DOUBLE_EQ(d.expand_rate, 5.0);
    EXPECT_EQ(d.max_magazine, 200);
    EXPECT_EQ(d.thin_count, 5);
    EXPECT_TRUE(d.thin_x_edge);
    EXPECT_TRUE(d.thin_y_edge);

    const Colours& c = d.colours;
    EXPECT_EQ(c.work, rgb(127, 127, 255));
    EXPECT_EQ(c.pen[0], rgb(0, 255, 0));
    EXPECT_EQ(c.pen[1], rgb(255, 255, 0));
    EXPECT_EQ(c.pen[2], rgb(192, 192, 192));
    EXPECT_EQ(c.pen[3], rgb(191, 191, 0));
    EXPECT_EQ(c.pen[4], rgb(191, 0, 191));
    EXPECT_EQ(c.pen[5], rgb(0, 191, 191));
    EXPECT_EQ(c.pen[6], rgb(255, 0, 127));
    EXPECT_EQ(c.up_cut, rgb(106, 181, 181));
    EXPECT_EQ(c.down_cut, rgb(0, 127, 255));
    EXPECT_EQ(c.vertical_cut, rgb(127, 0, 255));
    EXPECT_EQ(c.penki, rgb(255, 127, 0));
    EXPECT_EQ(c.work2, rgb(255, 128, 255));
    EXPECT_EQ(c.tool_top, rgb(255, 0, 128));
    EXPECT_EQ(c.tool_side, rgb(128, 128, 192));
    EXPECT_EQ(c.arbor, rgb(0, 128, 0));
    EXPECT_EQ(c.attachment, rgb(0, 128, 128));
    EXPECT_EQ(c.top_path, rgb(255, 0, 0));
    EXPECT_EQ(c.control_path, rgb(255, 128, 0));
    EXPECT_EQ(c.cut_path, rgb(255, 0, 255));
    EXPECT_EQ(c.construction, rgb(255, 255, 0));
    EXPECT_EQ(c.plus, rgb(255, 255, 0));
    EXPECT_EQ(c.minus, rgb(255, 0, 0));
    EXPECT_EQ(c.background, rgb(255, 255, 255));

    const EditorSettings& e = s.editor;
    EXPECT_EQ(e.program, "notepad");
    EXPECT_EQ(e.option, "%1");
    EXPECT_EQ(e.macro_no, -1);
    EXPECT_EQ(e.macro_name, "VORNEXJUMP.MAC");
    EXPECT_FALSE(e.select_open);
    EXPECT_FALSE(e.close_end);
    for (const std::string* editor : {&e.ttl_editor, &e.ctl_editor, &e.mtl_editor, &e.ini_editor, &e.def_editor, &e.mon_editor})
        EXPECT_EQ(*editor, "notepad");
    EXPECT_EQ(e.self_option, "-X2");

    EXPECT_FALSE(s.mouse.move_on_button_down);
    EXPECT_FALSE(s.mouse.wheel_reverse);
    EXPECT_EQ(s.sync.mode, 0);
    EXPECT_EQ(s.sync.share_name, "VORNEXSYNC");
    EXPECT_EQ(s.sync.total, 0);
    EXPECT_EQ(s.sync.number, 0);

    const SaveSettings& v = s.save;
    EXPECT_EQ(v.display, 0);
    EXPECT_EQ(v.x, -1);
    EXPECT_EQ(v.y, -1);
    EXPECT_EQ(v.wide, -1);
    EXPECT_EQ(v.height, -1);
    EXPECT_EQ(v.screens, 0);
    EXPECT_EQ(v.show, 1);
    EXPECT_EQ(v.view_p, 0);
    EXPECT_EQ(v.view_t, 0);
    EXPECT_EQ(v.work_colour, 0);
    EXPECT_EQ(v.tool_colour, 0);
    EXPECT_EQ(v.line_colour, 0);
    EXPECT_EQ(v.background, 0);
}

// ---- Every key is read from its own section under its own name ----
// Each row writes one key with a non-default value; a misspelt key or a key looked up in the
// wrong section leaves the default and fails its row.

struct KeyCase {
    const char* section;
    const char* key;
    const char* value;
    std::function<bool(const Settings&)> took_effect;
};

TEST(SettingsKeys, EveryKeyIsReadFromItsSection) {
    const std::vector<KeyCase> cases = {
        {"Table", "Target_TTLdir", "/t/ttl", [](const Settings& s) { return s.table.ttl_dir == "/t/ttl/"; }},
        {"Table", "Target_CTLdir", "/t/ctl", [](const Settings& s) { return s.table.ctl_dir == "/t/ctl/"; }},
        {"Table", "Target_MTLdir", "/t/mtl", [](const Settings& s) { return s.table.mtl_dir == "/t/mtl/"; }},
        {"Table", "TOOL_TABLE", "/t/my.ttl", [](const Settings& s) { return s.table.tool_table == "/t/my.ttl"; }},
        {"Table", "CONTROLLER_TABLE", "/t/my.ctl", [](const Settings& s) { return s.table.controller_table == "/t/my.ctl"; }},
        {"Table", "MACHINE_TABLE", "/t/my.mtl", [](const Settings& s) { return s.table.machine_table == "/t/my.mtl"; }},
        {"DMFdata", "Target_DMFdir", "/t/dmf", [](const Settings& s) { return s.dmf.dmf_dir == "/t/dmf/"; }},
        {"DMFdata", "SAVE_LEVEL", "3", [](const Settings& s) { return s.dmf.save_level == 3; }},
        {"DMFdata", "DATA_LEVEL", "4", [](const Settings& s) { return s.dmf.data_level == 4; }},
        {"DMFdata", "STL FILTER", "ON", [](const Settings& s) { return s.dmf.stl_filter; }},
        {"DMFdata", "BOTTOM FILTER", "YES", [](const Settings& s) { return s.dmf.bottom_filter == BottomFilter::Always; }},
        {"DMFdata", "BOTTOM FILTER", "ON", [](const Settings& s) { return s.dmf.bottom_filter == BottomFilter::OnImport; }},
        {"DMFdata", "STL CHECK", "ON", [](const Settings& s) { return s.dmf.stl_check; }},
        {"DMFdata", "VALUE TYPE", "INT", [](const Settings& s) { return s.dmf.integer_heights; }},
        {"DMFdata", "INITIAL SIZE", "(1,2,3,4,5,6)",
         [](const Settings& s) { return s.dmf.initial_size.first == Vec3{1, 2, 3} && s.dmf.initial_size.second == Vec3{4, 5, 6}; }},
        {"DMFdata", "INITIAL SIZE2", "(CENTER,10,1,2,BACK,20,3,4,TOP,5,6,7)",
         [](const Settings& s) {
             const AlignedBox& b = s.dmf.initial_size2;
             return b.x_align == AlignX::Center && b.x == std::array<double, 3>{10, 1, 2} && b.y_align == AlignY::Back &&
                    b.y == std::array<double, 3>{20, 3, 4} && b.z_align == AlignZ::Top && b.z == std::array<double, 3>{5, 6, 7};
         }},
        {"DMFdata", "BASIC MODEL", "/t/basic.dmf", [](const Settings& s) { return s.dmf.basic_model == "/t/basic.dmf"; }},
        {"DMFdata", "BASIC DMF", "/t/old.dmf", [](const Settings& s) { return s.dmf.basic_model == "/t/old.dmf"; }},
        {"DMFdata", "SHARE MODE", "YES", [](const Settings& s) { return s.dmf.share_mode; }},
        {"DMFdata", "SHARE NAME", "MINE", [](const Settings& s) { return s.dmf.share_name == "MINE"; }},
        {"NCdata", "Target_NCdir", "/t/nc", [](const Settings& s) { return s.nc.nc_dir == "/t/nc/"; }},
        {"NCdata", "Target_NCfile", "*.TAP", [](const Settings& s) { return s.nc.nc_pattern == "*.TAP"; }},
        {"OUTPUTdata", "Target_LOGdir", "/t/log", [](const Settings& s) { return s.output.log_dir == "/t/log/"; }},
        {"OUTPUTdata", "Target_LENGTHdir", "/t/len", [](const Settings& s) { return s.output.length_dir == "/t/len/"; }},
        {"OUTPUTdata", "Target_VERIFYdir", "/t/ver", [](const Settings& s) { return s.output.verify_dir == "/t/ver/"; }},
        {"OUTPUTdata", "VERIFY SUFFIX", "rep", [](const Settings& s) { return s.output.verify_suffix == "rep"; }},
        {"OUTPUTdata", "CREATE MODE(LENGTH)", "APPEND", [](const Settings& s) { return s.output.length_append; }},
        {"OUTPUTdata", "CREATE MODE(VERIFY)", "APPEND", [](const Settings& s) { return s.output.verify_append; }},
        {"OUTPUTdata", "NAMING MODE(LENGTH)", "FIXED", [](const Settings& s) { return s.output.length_naming == LengthNaming::Fixed; }},
        {"OUTPUTdata", "NAMING MODE(LENGTH)", "AUTO", [](const Settings& s) { return s.output.length_naming == LengthNaming::Auto; }},
        {"OUTPUTdata", "NAMING MODE(VERIFY)", "AUTO", [](const Settings& s) { return s.output.verify_auto_name; }},
        {"OUTPUTdata", "MACHINE TYPE", "LATHE", [](const Settings& s) { return s.output.lathe; }},
        {"Optimize", "V-VALUE", "TORQUE", [](const Settings& s) { return s.optimize.torque; }},
        {"Optimize", "OPT-CUT", "ESCAPE", [](const Settings& s) { return s.optimize.opt_cut == 2; }},
        {"Optimize", "OPT-CUT", "NO", [](const Settings& s) { return s.optimize.opt_cut == 0; }},
        {"Optimize", "OPT-AIRCUT", "MAXOPTF", [](const Settings& s) { return s.optimize.opt_aircut == 2; }},
        {"Optimize", "OPT-AIRCUT", "OTHER", [](const Settings& s) { return s.optimize.opt_aircut == 3; }},
        {"Optimize", "CUT-DATA", "YES", [](const Settings& s) { return s.optimize.cut_data == 1; }},
        {"Optimize", "CUT-DATA", "BINARY", [](const Settings& s) { return s.optimize.cut_data == 3; }},
        {"Optimize", "CUT-DATA", "BINARY-OPEN", [](const Settings& s) { return s.optimize.cut_data == 4; }},
        {"Optimize", "CUT-DATA", "OPEN", [](const Settings& s) { return s.optimize.cut_data == 2; }},
        {"Optimize", "CUT-DATA NAME MODE", "AUTO", [](const Settings& s) { return s.optimize.cut_data_auto_name; }},
        {"Optimize", "CUT-DATA SUFFIX(TXT)", "CDT", [](const Settings& s) { return s.optimize.cut_data_suffix_txt == "CDT"; }},
        {"Optimize", "CUT-DATA SUFFIX(BIN)", "CDB", [](const Settings& s) { return s.optimize.cut_data_suffix_bin == "CDB"; }},
        {"Optimize", "OPT-NC", "YES", [](const Settings& s) { return s.optimize.opt_nc == 1; }},
        {"Optimize", "OPT-NC", "NO", [](const Settings& s) { return s.optimize.opt_nc == 0; }},
        {"Optimize", "OPT-NC NAME MODE", "AUTO", [](const Settings& s) { return s.optimize.opt_nc_auto_name; }},
        {"Optimize", "OPT-NC SUFFIX", "NC2", [](const Settings& s) { return s.optimize.opt_nc_suffix == "NC2"; }},
        {"Optimize", "V-APPROACH", "0.25", [](const Settings& s) { return s.optimize.v_approach == 0.25; }},
        {"Optimize", "ESCAPE-WIDTH", "1.5", [](const Settings& s) { return s.optimize.escape_width == 1.5; }},
        {"Optimize", "ESCAPE-HEIGHT", "7", [](const Settings& s) { return s.optimize.escape_height == 7.0; }},
        {"Optimize", "Target_OPT-NCdir", "/t/onc", [](const Settings& s) { return s.optimize.opt_nc_dir == "/t/onc/"; }},
        {"Optimize", "Target_CUT-DATAdir", "/t/cd", [](const Settings& s) { return s.optimize.cut_data_dir == "/t/cd/"; }},
        {"Optimize", "PEAK FILTER", "OFF", [](const Settings& s) { return !s.optimize.peak_filter; }},
        {"Define", "LIGHT VECTOR", "(0,3,4)", [](const Settings& s) { return s.define.light_vector == Vec3{0, 0.6, 0.8}; }},
        {"Define", "OPTIMIZE DRAWING", "NO", [](const Settings& s) { return s.define.optimize_drawing == 0; }},
        {"Define", "OPTIMIZE DRAWING", "NO_OLD", [](const Settings& s) { return s.define.optimize_drawing == 1; }},
        {"Define", "OPTIMIZE DOTS", "7", [](const Settings& s) { return s.define.optimize_dots == 7; }},
        {"Define", "OPTIMIZE DOTS", "0", [](const Settings& s) { return s.define.optimize_dots == 1; }},
        {"Define", "MESH MODE", "YES", [](const Settings& s) { return s.define.mesh_mode; }},
        {"Define", "DISPLAY GUIDANCE", "YES", [](const Settings& s) { return s.define.display_guidance == DisplayGuidance::Ask; }},
        {"Define", "DISPLAY GUIDANCE", "NO", [](const Settings& s) { return s.define.display_guidance == DisplayGuidance::Never; }},
        {"Define", "TARGET AREA", "(-10,-20,0,110,120,50)",
         [](const Settings& s) { return s.define.target_area == std::vector<double>{-10, -20, 0, 110, 120, 50}; }},
        {"Define", "COLOR MODE", "DIRECTION", [](const Settings& s) { return !s.define.colour_by_pen; }},
        {"Define", "TOOL-TOP COLOR MODE", "PEN", [](const Settings& s) { return s.define.tool_top_pen; }},
        {"Define", "WORK COLOR", "(1,2,3)", [](const Settings& s) { return s.define.colours.work == rgb(1, 2, 3); }},
        {"Define", "PEN1 COLOR", "(1,2,3)", [](const Settings& s) { return s.define.colours.pen[0] == rgb(1, 2, 3); }},
        {"Define", "PEN2 COLOR", "(1,2,3)", [](const Settings& s) { return s.define.colours.pen[1] == rgb(1, 2, 3); }},
        {"Define", "PEN3 COLOR", "(1,2,3)", [](const Settings& s) { return s.define.colours.pen[2] == rgb(1, 2, 3); }},
        {"Define", "PEN4 COLOR", "(1,2,3)", [](const Settings& s) { return s.define.colours.pen[3] == rgb(1, 2, 3); }},
        {"Define", "PEN5 COLOR", "(1,2,3)", [](const Settings& s) { return s.define.colours.pen[4] == rgb(1, 2, 3); }},
        {"Define", "PEN6 COLOR", "(1,2,3)", [](const Settings& s) { return s.define.colours.pen[5] == rgb(1, 2, 3); }},
        {"Define", "PEN7 COLOR", "(1,2,3)", [](const Settings& s) { return s.define.colours.pen[6] == rgb(1, 2, 3); }},
        {"Define", "UP-CUT COLOR", "(1,2,3)", [](const Settings& s) { return s.define.colours.up_cut == rgb(1, 2, 3); }},
        {"Define", "DOWN-CUT COLOR", "(1,2,3)", [](const Settings& s) { return s.define.colours.down_cut == rgb(1, 2, 3); }},
        {"Define", "VERTICAL-CUT COLOR", "(1,2,3)", [](const Settings& s) { return s.define.colours.vertical_cut == rgb(1, 2, 3); }},
        {"Define", "PENKI COLOR", "(1,2,3)", [](const Settings& s) { return s.define.colours.penki == rgb(1, 2, 3); }},
        {"Define", "WORK COLOR2", "(1,2,3)", [](const Settings& s) { return s.define.colours.work2 == rgb(1, 2, 3); }},
        {"Define", "TOOL-TOP COLOR", "(1,2,3)", [](const Settings& s) { return s.define.colours.tool_top == rgb(1, 2, 3); }},
        {"Define", "TOOL-SIDE COLOR", "(1,2,3)", [](const Settings& s) { return s.define.colours.tool_side == rgb(1, 2, 3); }},
        {"Define", "ARBOR COLOR", "(1,2,3)", [](const Settings& s) { return s.define.colours.arbor == rgb(1, 2, 3); }},
        {"Define", "ATTACHMENT COLOR", "(1,2,3)", [](const Settings& s) { return s.define.colours.attachment == rgb(1, 2, 3); }},
        {"Define", "TOP-PATH COLOR", "(1,2,3)", [](const Settings& s) { return s.define.colours.top_path == rgb(1, 2, 3); }},
        {"Define", "CONTROL-PATH COLOR", "(1,2,3)", [](const Settings& s) { return s.define.colours.control_path == rgb(1, 2, 3); }},
        {"Define", "CUT-PATH COLOR", "(1,2,3)", [](const Settings& s) { return s.define.colours.cut_path == rgb(1, 2, 3); }},
        {"Define", "CONSTRUCTION COLOR", "(1,2,3)", [](const Settings& s) { return s.define.colours.construction == rgb(1, 2, 3); }},
        {"Define", "PLUS COLOR", "(1,2,3)", [](const Settings& s) { return s.define.colours.plus == rgb(1, 2, 3); }},
        {"Define", "MINUS COLOR", "(1,2,3)", [](const Settings& s) { return s.define.colours.minus == rgb(1, 2, 3); }},
        {"Define", "BACKGROUND", "BLACK", [](const Settings& s) { return s.define.colours.background == rgb(0, 0, 0); }},
        {"Define", "WORK MARGIN(X)", "1.5", [](const Settings& s) { return s.define.work_margin.x == 1.5; }},
        {"Define", "WORK MARGIN(Y)", "2.5", [](const Settings& s) { return s.define.work_margin.y == 2.5; }},
        {"Define", "WORK MARGIN(Z)", "3.5", [](const Settings& s) { return s.define.work_margin.z == 3.5; }},
        {"Define", "CONTROL POINT", "(1,2,3)", [](const Settings& s) { return s.define.control_point == Vec3{1, 2, 3}; }},
        {"Define", "NEW CONTROL POINTD", "CURRENT", [](const Settings& s) { return s.define.new_control_point_dialog == NewControlPoint::Current; }},
        {"Define", "NEW CONTROL POINT", "SPECIFY", [](const Settings& s) { return s.define.new_control_point == NewControlPoint::Specify; }},
        {"Define", "SPECIFIED POINTD", "(1,2,3)", [](const Settings& s) { return s.define.specified_point_dialog == Vec3{1, 2, 3}; }},
        {"Define", "SPECIFIED POINT", "(4,5,6)", [](const Settings& s) { return s.define.specified_point == Vec3{4, 5, 6}; }},
        {"Define", "TOOL BASE POINT", "BALL-CENTER", [](const Settings& s) { return s.define.tool_base_point == ToolBasePoint::BallCenter; }},
        {"Define", "TOOL BASE POINT", "F-CENTER", [](const Settings& s) { return s.define.tool_base_point == ToolBasePoint::FCenter; }},
        {"Define", "TOOL BASE POINT", "R-HEIGHT", [](const Settings& s) { return s.define.tool_base_point == ToolBasePoint::RHeight; }},
        {"Define", "TOOL BASE POINT", "LENGTH-TOP", [](const Settings& s) { return s.define.tool_base_point == ToolBasePoint::LengthTop; }},
        {"Define", "TOOL BASE POINT", "ARBOR-TOP", [](const Settings& s) { return s.define.tool_base_point == ToolBasePoint::ArborTop; }},
        {"Define", "MINIMUM PITCH(WORK)", "0.01", [](const Settings& s) { return s.define.minimum_pitch == 0.01; }},
        {"Define", "PITCH(WORK)", "0.05", [](const Settings& s) { return s.define.work_pitch.pitch == 0.05 && !s.define.work_pitch.automatic; }},
        {"Define", "PITCH(WORK)", "AUTO", [](const Settings& s) { return s.define.work_pitch.automatic && s.define.work_pitch.target_cells == 20000; }},
        {"Define", "PITCH(WORK)", "AUTO,50000", [](const Settings& s) { return s.define.work_pitch.automatic && s.define.work_pitch.target_cells == 50000; }},
        {"Define", "PITCH(MOVE)", "0.2", [](const Settings& s) { return s.define.move_pitch.pitch == 0.2; }},
        {"Define", "PITCH(MOVE)", "AUTO 0.5", [](const Settings& s) { return s.define.move_pitch.automatic && s.define.move_pitch.rate == 0.5; }},
        {"Define", "WELDING(HEIGHT)", "0.7", [](const Settings& s) { return s.define.welding.depth == 0.7; }},
        {"Define", "WELDING(WIDTH)", "6", [](const Settings& s) { return s.define.welding.width == 6.0; }},
        {"Define", "WELDING(PEN)", "2", [](const Settings& s) { return s.define.welding.pen == 2; }},
        {"Define", "GRINDER(DEPTH)", "2", [](const Settings& s) { return s.define.grinder.depth == 2.0; }},
        {"Define", "GRINDER(WIDTH)", "4", [](const Settings& s) { return s.define.grinder.width == 4.0; }},
        {"Define", "GRINDER(PEN)", "3", [](const Settings& s) { return s.define.grinder.pen == 3; }},
        {"Define", "PAPER(DEPTH)", "0.2", [](const Settings& s) { return s.define.paper.depth == 0.2; }},
        {"Define", "PAPER(WIDTH)", "2", [](const Settings& s) { return s.define.paper.width == 2.0; }},
        {"Define", "PAPER(PEN)", "4", [](const Settings& s) { return s.define.paper.pen == 4; }},
        {"Define", "BRUSH(WIDTH)", "2", [](const Settings& s) { return s.define.brush_width == 2.0; }},
        {"Define", "HERA(WIDTH)", "3", [](const Settings& s) { return s.define.hera_width == 3.0; }},
        {"Define", "INTERFERENCE", "NO", [](const Settings& s) { return s.define.rapid_check == RapidCheck::Off && s.define.arbor_check == ArborCheck::Compute; }},
        {"Define", "INTERFERENCE", "TOOL", [](const Settings& s) { return s.define.rapid_check == RapidCheck::Abort && s.define.arbor_check == ArborCheck::Compute; }},
        {"Define", "INTERFERENCE", "ARBOR", [](const Settings& s) { return s.define.rapid_check == RapidCheck::Off && s.define.arbor_check == ArborCheck::Abort; }},
        {"Define", "INTERFERENCE", "STOP", [](const Settings& s) { return s.define.rapid_check == RapidCheck::Pause && s.define.arbor_check == ArborCheck::Abort; }},
        {"Define", "LENGTH TYPE", "TYPE3", [](const Settings& s) { return s.define.length_type == 3; }},
        {"Define", "ARBOR CHECK", "NO", [](const Settings& s) { return s.define.arbor_check == ArborCheck::Ignore; }},
        {"Define", "ARBOR CHECK", "OUTPUT", [](const Settings& s) { return s.define.arbor_check == ArborCheck::Compute; }},
        {"Define", "ARBOR CHECK", "CUT", [](const Settings& s) { return s.define.arbor_check == ArborCheck::Cut; }},
        {"Define", "ARBOR CHECK", "STOP", [](const Settings& s) { return s.define.arbor_check == ArborCheck::Pause; }},
        {"Define", "HEIGHT CHECK", "OUTPUT", [](const Settings& s) { return s.define.height_check == LengthCheck::Compute; }},
        {"Define", "HEIGHT CHECK", "STOP", [](const Settings& s) { return s.define.height_check == LengthCheck::Pause; }},
        {"Define", "HEIGHT CHECK", "COMPUTE", [](const Settings& s) { return s.define.height_check == LengthCheck::Abort; }},
        {"Define", "CHIP-W CHECK", "STOP", [](const Settings& s) { return s.define.chip_check == LengthCheck::Pause; }},
        {"Define", "CHIP-W CHECK", "CALC", [](const Settings& s) { return s.define.chip_check == LengthCheck::Abort; }},
        {"Define", "SPINDLE CHECK", "STOP 100 12000",
         [](const Settings& s) { return s.define.spindle_check == SpindleCheck::Pause && s.define.spindle_range && s.define.spindle_min == 100 && s.define.spindle_max == 12000; }},
        {"Define", "SPINDLE CHECK", "OUTPUT", [](const Settings& s) { return s.define.spindle_check == SpindleCheck::Abort && !s.define.spindle_range; }},
        {"Define", "RAPID FEEDRATE", "20000", [](const Settings& s) { return s.define.rapid_feedrate == 20000.0; }},
        {"Define", "TOOL CLEARANCE", "YES", [](const Settings& s) { return s.define.tool_clearance.mode == ClearanceMode::Pitch; }},
        {"Define", "TOOL CLEARANCE", "0.3", [](const Settings& s) { return s.define.tool_clearance.mode == ClearanceMode::Value && s.define.tool_clearance.value == 0.3; }},
        {"Define", "ARBOR CLEARANCE", "1.5", [](const Settings& s) { return s.define.arbor_clearance.mode == ClearanceMode::Value && s.define.arbor_clearance.value == 1.5; }},
        {"Define", "PATH(START)", "YES", [](const Settings& s) { return s.define.path_start; }},
        {"Define", "PATH(RESULT)", "NO", [](const Settings& s) { return !s.define.path_result; }},
        {"Define", "TOOL DISPLAY", "OFF", [](const Settings& s) { return !s.define.tool_display; }},
        {"Define", "CONSTRUCTION POINT", "ON", [](const Settings& s) { return s.define.construction_point; }},
        {"Define", "BOUNDARY BOX", "OFF", [](const Settings& s) { return !s.define.boundary_box; }},
        {"Define", "BASIC AXIS", "OFF", [](const Settings& s) { return !s.define.basic_axis; }},
        {"Define", "BASIC AXIS", "NO", [](const Settings& s) { return !s.define.basic_axis; }},
        {"Define", "PROGRESS BAR", "NO", [](const Settings& s) { return !s.define.progress_bar; }},
        {"Define", "PROGRESS NAME", "Cutting", [](const Settings& s) { return s.define.progress_name == "Cutting"; }},
        {"Define", "UPDATE", "FULL", [](const Settings& s) { return s.define.update == 2; }},
        {"Define", "UPDATE", "YES", [](const Settings& s) { return s.define.update == 1; }},
        {"Define", "SOUND", "ON", [](const Settings& s) { return s.define.sound; }},
        {"Define", "IGNORE G00", "YES", [](const Settings& s) { return s.define.ignore_g00; }},
        {"Define", "DIFFERENCE MODE", "ALWAYS", [](const Settings& s) { return s.define.difference_always; }},
        {"Define", "threadnc", "YES", [](const Settings& s) { return s.define.cutting_threads == 2; }},
        {"Define", "threadnc", "3", [](const Settings& s) { return s.define.cutting_threads == 3; }},
        {"Define", "threadno", "ON", [](const Settings& s) { return s.define.offset_threads == 2; }},
        {"Define", "VOLUME UNIT", "m3", [](const Settings& s) { return s.define.volume_m3; }},
        {"Define", "OFFSET VALUE", "2.5", [](const Settings& s) { return s.define.offset_value == 2.5; }},
        {"Define", "STOP KEY", "PAUSE", [](const Settings& s) { return s.define.stop_key == StopKey::Pause; }},
        {"Define", "ESCAPE KEY", "BREAK", [](const Settings& s) { return s.define.escape_key == EscapeKey::Break; }},
        {"Define", "ESCAPE KEY", "PAUSE", [](const Settings& s) { return s.define.escape_key == EscapeKey::Pause; }},
        {"Define", "PERSPECTIVE", "OFF", [](const Settings& s) { return !s.define.perspective; }},
        {"Define", "DISCOLORATION MODE", "ON", [](const Settings& s) { return s.define.discoloration; }},
        {"Define", "DISCOLORATION UPPER LEVEL", "10", [](const Settings& s) { return s.define.discoloration_upper == 10.0; }},
        {"Define", "DISCOLORATION LOWER LEVEL", "-5", [](const Settings& s) { return s.define.discoloration_lower == -5.0; }},
        {"Define", "DIFFERENCE AREA", "MINUS", [](const Settings& s) { return s.define.difference_minus; }},
        {"Define", "DIFFERENCE MARGIN", "0.05", [](const Settings& s) { return s.define.difference_margin == 0.05; }},
        {"Define", "DIFFERENCE DIRECTION", "NORMAL", [](const Settings& s) { return s.define.difference_normal; }},
        {"Define", "DIFFERENCE COLOR", "PEN5", [](const Settings& s) { return s.define.difference_colour == 5; }},
        {"Define", "DIFFERENCE COLOR", "PEN9", [](const Settings& s) { return s.define.difference_colour == 1; }},
        {"Define", "DIFFERENCE KEEP SAME COLOR", "YES", [](const Settings& s) { return s.define.difference_keep_same_colour; }},
        {"Define", "DIFFERENCE OFFSET", "0.5", [](const Settings& s) { return s.define.difference_offset == 0.5; }},
        {"Define", "IME VERSION", "OLD", [](const Settings& s) { return s.define.ime_old; }},
        {"Define", "ANGLE-A", "300", [](const Settings& s) { return s.define.angle_a == 300.0; }},
        {"Define", "ANGLE-B", "30", [](const Settings& s) { return s.define.angle_b == 30.0; }},
        {"Define", "EXPAND RATE", "2", [](const Settings& s) { return s.define.expand_rate == 2.0; }},
        {"Define", "MAX MAGAZINE", "50", [](const Settings& s) { return s.define.max_magazine == 50; }},
        {"Define", "THIN COUNT", "3", [](const Settings& s) { return s.define.thin_count == 3; }},
        {"Define", "THIN X-EDGE", "NONE", [](const Settings& s) { return !s.define.thin_x_edge && s.define.thin_y_edge; }},
        {"Define", "THIN Y-EDGE", "NONE", [](const Settings& s) { return s.define.thin_x_edge && !s.define.thin_y_edge; }},
        {"ExecEditor", "EXEC_PROGRAM", "vim", [](const Settings& s) { return s.editor.program == "vim" && s.editor.mon_editor == "vim"; }},
        {"ExecEditor", "EXEC_OPTION", "+%2 %1", [](const Settings& s) { return s.editor.option == "+%2 %1"; }},
        {"ExecEditor", "EXEC_MACRO_NO", "4", [](const Settings& s) { return s.editor.macro_no == 4; }},
        {"ExecEditor", "EXEC_MACRO_NAME", "JUMP.MAC", [](const Settings& s) { return s.editor.macro_name == "JUMP.MAC"; }},
        {"ExecEditor", "SELECT OPEN", "YES", [](const Settings& s) { return s.editor.select_open; }},
        {"ExecEditor", "CLOSE END", "YES", [](const Settings& s) { return s.editor.close_end; }},
        {"ExecEditor", "EXEC_TTL_EDITOR", "ed1", [](const Settings& s) { return s.editor.ttl_editor == "ed1"; }},
        {"ExecEditor", "EXEC_CTL_EDITOR", "ed2", [](const Settings& s) { return s.editor.ctl_editor == "ed2"; }},
        {"ExecEditor", "EXEC_MTL_EDITOR", "ed3", [](const Settings& s) { return s.editor.mtl_editor == "ed3"; }},
        {"ExecEditor", "EXEC_INI_EDITOR", "ed4", [](const Settings& s) { return s.editor.ini_editor == "ed4"; }},
        {"ExecEditor", "EXEC_DEF_EDITOR", "ed5", [](const Settings& s) { return s.editor.def_editor == "ed5"; }},
        {"ExecEditor", "EXEC_MON_EDITOR", "ed6", [](const Settings& s) { return s.editor.mon_editor == "ed6"; }},
        {"ExecSelf", "EXEC_OPTION", "-X3 a.nc", [](const Settings& s) { return s.editor.self_option == "-X3 a.nc"; }},
        {"Mouse", "MOVE SWITCH", "RBUTTONDOWN", [](const Settings& s) { return s.mouse.move_on_button_down; }},
        {"Mouse", "WHEEL ZOOM", "REVERSE", [](const Settings& s) { return s.mouse.wheel_reverse; }},
        {"Sync", "SYNC MODE", "SYNC", [](const Settings& s) { return s.sync.mode == 1; }},
        {"Sync", "SYNC MODE", "MAPFILE", [](const Settings& s) { return s.sync.mode == 2; }},
        {"Sync", "SHARE NAME", "PAIR", [](const Settings& s) { return s.sync.share_name == "PAIR"; }},
        {"Sync", "SYNC TOTAL", "3", [](const Settings& s) { return s.sync.total == 3; }},
        {"Sync", "SYNC NO", "2", [](const Settings& s) { return s.sync.number == 1; }},
        {"Save", "DISPLAY", "1", [](const Settings& s) { return s.save.display == 1; }},
        {"Save", "X", "10", [](const Settings& s) { return s.save.x == 10; }},
        {"Save", "Y", "20", [](const Settings& s) { return s.save.y == 20; }},
        {"Save", "WIDE", "800", [](const Settings& s) { return s.save.wide == 800; }},
        {"Save", "HEIGHT", "600", [](const Settings& s) { return s.save.height == 600; }},
        {"Save", "SCREENS", "2", [](const Settings& s) { return s.save.screens == 2; }},
        {"Save", "SHOW", "3", [](const Settings& s) { return s.save.show == 3; }},
        {"Save", "VIEW_P", "1", [](const Settings& s) { return s.save.view_p == 1; }},
        {"Save", "VIEW_T", "1", [](const Settings& s) { return s.save.view_t == 1; }},
        {"Save", "WORK COLOR", "1", [](const Settings& s) { return s.save.work_colour == 1; }},
        {"Save", "TOOL COLOR", "1", [](const Settings& s) { return s.save.tool_colour == 1; }},
        {"Save", "LINE COLOR", "1", [](const Settings& s) { return s.save.line_colour == 1; }},
        {"Save", "BACKGROUND", "1", [](const Settings& s) { return s.save.background == 1; }},
    };
    TempDir dir;
    for (const KeyCase& c : cases) {
        const std::string ini = "[" + std::string(c.section) + "]\n" + c.key + "=" + c.value + "\n";
        EXPECT_TRUE(c.took_effect(read_text(dir, ini))) << "[" << c.section << "] " << c.key << "=" << c.value;
        // Sections and keys are case-insensitive.
        std::string lower = "[" + std::string(c.section) + "]\n" + c.key;
        for (char& ch : lower) ch = char(std::tolower(static_cast<unsigned char>(ch)));
        EXPECT_TRUE(c.took_effect(read_text(dir, lower + "=" + c.value + "\n"))) << "lower case: " << lower;
        // The same line in another section must not count.
        if (std::string(c.section) != "Define") {
            EXPECT_FALSE(c.took_effect(read_text(dir, "[Define]\n" + std::string(c.key) + "=" + c.value + "\n")))
                << c.key << " read from the wrong section";
        }
    }
}

// ---- Keyword prefix rules ----
// Keyword values match on the listed word's letters only: longer values still match, shorter
// ones and unknown words keep the built-in value, and where one word begins another the longer
// must be tried first.

TEST(SettingsKeywords, ValuesMatchOnTheWordsFirstLetters) {
    TempDir dir;
    // "NORMAL" begins with "NO": HEIGHT CHECK takes it as "NO".
    EXPECT_EQ(read_text(dir, "[Define]\nHEIGHT CHECK=COMPUTE\n").define.height_check, LengthCheck::Abort);
    EXPECT_EQ(read_text(dir, "[Define]\nHEIGHT CHECK=NORMAL\n").define.height_check, LengthCheck::Off);
    // "NO" is too short to be "NORMAL": the direction stays "HEIGHT".
    EXPECT_FALSE(read_text(dir, "[Define]\nDIFFERENCE DIRECTION=NO\n").define.difference_normal);
    EXPECT_TRUE(read_text(dir, "[Define]\nDIFFERENCE DIRECTION=normally\n").define.difference_normal);
    // "PENKI" is tried before "PEN".
    EXPECT_EQ(read_text(dir, "[Define]\nDIFFERENCE COLOR=PEN3\n").define.difference_colour, 3);
    EXPECT_EQ(read_text(dir, "[Define]\nDIFFERENCE COLOR=penki\n").define.difference_colour, 0);
    // An unknown word keeps the built-in value where the table lists no "other word".
    EXPECT_EQ(read_text(dir, "[Define]\nTOOL BASE POINT=MIDDLE\n").define.tool_base_point, ToolBasePoint::Bottom);
    EXPECT_EQ(read_text(dir, "[DMFdata]\nBOTTOM FILTER=MAYBE\n").dmf.bottom_filter, BottomFilter::Off);
    EXPECT_TRUE(read_text(dir, "[Define]\nPERSPECTIVE=SOMETIMES\n").define.perspective);
}

TEST(SettingsKeywords, StopKeyAndSoundFollowTheirOtherWordRules) {
    TempDir dir;
    EXPECT_EQ(read_text(dir, "[Define]\nSTOP KEY=space\n").define.stop_key, StopKey::Space);
    EXPECT_EQ(read_text(dir, "[Define]\nSTOP KEY=SHIFT\n").define.stop_key, StopKey::Ctrl);
    EXPECT_FALSE(read_text(dir, "[Define]\n").define.sound);
    EXPECT_TRUE(read_text(dir, "[Define]\nSOUND=ON\n").define.sound);
    EXPECT_TRUE(read_text(dir, "[Define]\nSOUND=LOUD\n").define.sound);
    EXPECT_FALSE(read_text(dir, "[Define]\nSOUND=off\n").define.sound);
}

TEST(SettingsKeywords, ArborCheckNgKeepsTheModeOfInterference) {
    TempDir dir;
    const Settings s = read_text(dir, "[Define]\nINTERFERENCE=STOP\nARBOR CHECK=NG\n");
    EXPECT_EQ(s.define.rapid_check, RapidCheck::Pause);
    EXPECT_EQ(s.define.arbor_check, ArborCheck::Abort);
    const Settings overridden = read_text(dir, "[Define]\nINTERFERENCE=NO\nARBOR CHECK=YES\n");
    EXPECT_EQ(overridden.define.rapid_check, RapidCheck::Off);
    EXPECT_EQ(overridden.define.arbor_check, ArborCheck::Abort);
}

// ---- Dependent keys and command-line overrides ----

TEST(SettingsDependencies, SyncDisplayNeedsShareMode) {
    TempDir dir;
    EXPECT_EQ(read_text(dir, "[DMFdata]\nSYNC DISPLAY=5\nSHARE MODE=NO\n").dmf.sync_display, 0);
    EXPECT_EQ(read_text(dir, "[DMFdata]\nSYNC DISPLAY=5\nSHARE MODE=YES\n").dmf.sync_display, 5);
}

TEST(SettingsDependencies, BasicDmfIsReadOnlyWhenBasicModelIsEmpty) {
    TempDir dir;
    const Settings s = read_text(dir, "[DMFdata]\nBASIC MODEL=/m/new.dmf\nBASIC DMF=/m/old.dmf\n");
    EXPECT_EQ(s.dmf.basic_model, "/m/new.dmf");
}

TEST(SettingsDependencies, CommandLineChoicesSkipTheirKeys) {
    TempDir dir;
    SettingsContext ctx = context_in(dir);
    ctx.placement_given = ctx.box_given = ctx.control_point_given = ctx.offset_given = ctx.difference_paint_given = true;
    const Settings s = read_text(dir,
                                 "[Save]\nX=5\nY=6\nWIDE=7\nHEIGHT=8\nSHOW=2\n"
                                 "[DMFdata]\nINITIAL SIZE=(1,1,1,2,2,2)\n"
                                 "[Define]\nCONTROL POINT=(1,2,3)\nOFFSET VALUE=9\nDIFFERENCE MARGIN=0.5\n",
                                 ctx);
    EXPECT_EQ(s.save.x, -1);
    EXPECT_EQ(s.save.height, -1);
    EXPECT_EQ(s.save.show, 2);  // not part of the placement switch
    EXPECT_EQ(s.dmf.initial_size.second, (Vec3{100, 100, 30}));
    EXPECT_EQ(s.define.control_point, (Vec3{0, 0, 0}));
    EXPECT_DOUBLE_EQ(s.define.offset_value, 5.0);
    EXPECT_DOUBLE_EQ(s.define.difference_margin, 0.01);
}

TEST(SettingsDependencies, MinimisedStartTurnsTheToolDisplaysOffAndProgressOn) {
    TempDir dir;
    SettingsContext ctx = context_in(dir);
    ctx.minimised = true;
    const Settings s = read_text(dir, "[Save]\nVIEW_T=1\n[Define]\nPROGRESS BAR=NO\n", ctx);
    EXPECT_EQ(s.save.view_t, 0);
    EXPECT_FALSE(s.define.tool_display);
    EXPECT_FALSE(s.define.path_result);
    EXPECT_TRUE(s.define.progress_bar);
}

TEST(SettingsValues, NumbersColoursAndLimits) {
    TempDir dir;
    ::testing::internal::CaptureStderr();
    const Settings s = read_text(dir,
                                 "[Define]\nWORK COLOR=(300,-4,255)\nPEN1 COLOR=white\nPEN2 COLOR=garbage\n"
                                 "ANGLE-A=  12.5deg\nEXPAND RATE=abc\nthreadnc=100000\nRAPID FEEDRATE=no\n"
                                 "PITCH(WORK)=0\nPROGRESS NAME=123456789012345678901234567890\n"
                                 "[DMFdata]\nSHARE NAME=\"" + std::string(40, 'N') + "\"\nSAVE_LEVEL=9\n");
    EXPECT_EQ(s.define.colours.work, rgb(255, 0, 255));  // components limited to 0..255
    EXPECT_EQ(s.define.colours.pen[0], rgb(255, 255, 255));
    EXPECT_EQ(s.define.colours.pen[1], rgb(255, 255, 0));  // unreadable: built-in value
    EXPECT_DOUBLE_EQ(s.define.angle_a, 12.5);              // reading stops at the first misfit
    EXPECT_DOUBLE_EQ(s.define.expand_rate, 0.0);           // an unreadable number gives 0
    EXPECT_EQ(s.define.cutting_threads, 256);
    EXPECT_DOUBLE_EQ(s.define.rapid_feedrate, 999999999.0);
    EXPECT_DOUBLE_EQ(s.define.work_pitch.pitch, 1.0);  // a pitch of 0 would make no grid
    EXPECT_EQ(s.define.progress_name.size(), 23u);
    EXPECT_EQ(s.dmf.share_name, std::string(35, 'N'));
    // A partner looking for the whole name would never find the memory: the cut is said.
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("SHARE NAME of [DMFdata] is longer than 35 characters"),
              std::string::npos);
    EXPECT_EQ(s.dmf.save_level, 1);
}

TEST(SettingsValues, ZeroLightVectorKeepsTheDefault) {
    TempDir dir;
    EXPECT_EQ(read_text(dir, "[Define]\nLIGHT VECTOR=(0,0,0)\n").define.light_vector, (Vec3{0, 0, 1}));
}

// ---- Locations and definition file names ----
// Windows-made settings name files with backslashes and in any case; both must still be found.

TEST(SettingsFiles, SettingsFileIsLookedForHereThenBesideTheProgram) {
    TempDir dir;
    SettingsContext ctx = context_in(dir);
    dir.write("program/vornex.ini", "");
    EXPECT_EQ(settings_path("", ctx), dir.path() + "program/vornex.ini");
    dir.write("VORNEX.INI", "");
    EXPECT_EQ(settings_path("", ctx), dir.path() + "VORNEX.INI");
    EXPECT_EQ(settings_path("/elsewhere/x.ini", ctx), "/elsewhere/x.ini");
}

TEST(SettingsFiles, DefinitionFilesResolveInOrder) {
    TempDir dir;
    SettingsContext ctx = context_in(dir);
    const std::string key_dir = dir.path() + "tools/";
    // Nowhere: the program directory.
    EXPECT_EQ(resolve_definition_file("atc.ttl", key_dir, ctx), dir.path() + "program/atc.ttl");
    dir.write("atc.ttl", "");
    EXPECT_EQ(resolve_definition_file("atc.ttl", key_dir, ctx), dir.path() + "atc.ttl");
    dir.write("tools/ATC.TTL", "");
    EXPECT_EQ(resolve_definition_file("atc.ttl", key_dir, ctx), dir.path() + "tools/ATC.TTL");
    dir.write("sub/m.mtl", "");
    EXPECT_EQ(resolve_definition_file("sub\\M.MTL", key_dir, ctx), dir.path() + "sub/m.mtl");
}

// ---- Colour table file ----

TEST(SettingsColourTable, KeysTakeTheValueOneCharacterLater) {
    TempDir dir;
    const std::string path = dir.write("c.ctc",
                                       "WORK COLOR2=(1,1,1)\r\nWORK COLOR (2,2,2)\nBACKGROUND COLOR:BLACK\n"
                                       "PEN7 COLOR=(7,7,7)\nBACKGROUND=(9,9,9)\nnonsense\n");
    Colours c;
    ASSERT_TRUE(apply_colour_table(path, c));
    EXPECT_EQ(c.work2, rgb(1, 1, 1));
    EXPECT_EQ(c.work, rgb(2, 2, 2));
    EXPECT_EQ(c.background, rgb(0, 0, 0));
    EXPECT_EQ(c.pen[6], rgb(7, 7, 7));
    EXPECT_FALSE(apply_colour_table(dir.path() + "missing.ctc", c));
}

TEST(SettingsColourTable, AppliedAfterTheSettings) {
    TempDir dir;
    dir.write("c.ctc", "PLUS COLOR=(4,5,6)\n");
    SettingsContext ctx = context_in(dir);
    ctx.colour_table = "c.ctc";
    EXPECT_EQ(read_text(dir, "[Define]\nPLUS COLOR=(1,2,3)\n", ctx).define.colours.plus, rgb(4, 5, 6));
}

// ---- Write-back ----
// The exit write-back must keep every foreign line of the user's file byte for byte and write
// only the keys it owns.

TEST(SettingsWriteBack, KeepsForeignLinesAndWritesOwnKeys) {
    TempDir dir;
    const std::string original =
        "; my settings\r\n[Save]\r\nDISPLAY=1\r\nUnknown = kept  \r\n\r\n[DMFdata]\r\nINITIAL SIZE=(0,0,0,1,1,1)\r\n"
        "[Other]\r\nX=99\r\n";
    const std::string path = dir.write("vornex.ini", original);
    Settings s = read_settings(path, context_in(dir));
    s.dmf.initial_size = {{-10, 0, 0}, {50.25, 60, 30}};
    s.save.background = 1;
    s.define.colours.background = rgb(1, 2, 3);
    ExitState exit;
    exit.show = 1, exit.x = 10, exit.y = 20, exit.wide = 800, exit.height = 600, exit.screens = 1;
    ASSERT_TRUE(write_settings_at_exit(s, exit));
    EXPECT_EQ(dir.read("vornex.ini"),
              "; my settings\r\n[Save]\r\nDISPLAY=1\r\nUnknown = kept  \r\nSHOW=1\r\nX=10\r\nY=20\r\nHEIGHT=600\r\n"
              "WIDE=800\r\nSCREENS=1\r\nVIEW_P=0\r\nVIEW_T=0\r\nWORK COLOR=0\r\nTOOL COLOR=0\r\nLINE COLOR=0\r\n"
              "BACKGROUND=1\r\n\r\n[DMFdata]\r\nINITIAL SIZE=(-10,0,0,50.25,60,30)\r\n"
              "INITIAL SIZE2=(LEFT,100,0,0,FRONT,200,0,0,BOTTOM,50,0,0)\r\n[Other]\r\nX=99\r\n[Define]\r\n"
              "BACKGROUND=(1,2,3)\r\n");
    // What was written reads back as the same values.
    const Settings again = read_settings(path, context_in(dir));
    EXPECT_EQ(again.dmf.initial_size.second, (Vec3{50.25, 60, 30}));
    EXPECT_EQ(again.define.colours.background, rgb(1, 2, 3));
}

TEST(SettingsWriteBack, ColourGroupsFollowTheirFlags) {
    TempDir dir;
    const std::string path = dir.write("vornex.ini", "");
    Settings s = read_settings(path, context_in(dir));
    s.save.tool_colour = 1;
    s.define.tool_top_pen = true;
    ASSERT_TRUE(write_settings_at_exit(s, ExitState{}));
    const std::string written = dir.read("vornex.ini");
    EXPECT_NE(written.find("TOOL-TOP COLOR MODE=PEN COLOR\n"), std::string::npos);
    EXPECT_NE(written.find("ATTACHMENT COLOR=(0,128,128)\n"), std::string::npos);
    EXPECT_EQ(written.find("PEN1 COLOR"), std::string::npos);
    EXPECT_EQ(written.find("TOP-PATH COLOR"), std::string::npos);
    EXPECT_EQ(written.find("SHOW="), std::string::npos);  // DISPLAY 0: no placement
    // "PEN COLOR" reads back as the pen mode.
    EXPECT_TRUE(read_settings(path, context_in(dir)).define.tool_top_pen);
}

TEST(SettingsWriteBack, MinimisedWindowSavesNoPlacement) {
    TempDir dir;
    const std::string path = dir.write("vornex.ini", "[Save]\nDISPLAY=1\nX=5\n");
    Settings s = read_settings(path, context_in(dir));
    ExitState exit;
    exit.minimised = true;
    exit.x = 700;
    ASSERT_TRUE(write_settings_at_exit(s, exit));
    EXPECT_EQ(read_settings(path, context_in(dir)).save.x, 5);
}

TEST(SettingsWriteBack, RunningKeysReplaceInPlace) {
    TempDir dir;
    const std::string path = dir.write("vornex.ini", "[Define]\nNEW CONTROL POINT=BOX-TOP\nA=1\n");
    Settings s = read_settings(path, context_in(dir));
    ASSERT_TRUE(write_new_control_point(s, NewControlPoint::Current));
    ASSERT_TRUE(write_specified_point(s, {1.5, -2, 100}));
    EXPECT_EQ(dir.read("vornex.ini"), "[Define]\nNEW CONTROL POINT=CURRENT\nA=1\nSPECIFIED POINT=(1.5,-2,100)\n");
}

TEST(SettingsWriteBack, FailureLeavesTheFileAlone) {
    TempDir dir;
    Settings s;
    s.path = dir.path() + "no-such-folder/vornex.ini";
    EXPECT_FALSE(write_settings_at_exit(s, ExitState{}));
}

}  // namespace
}  // namespace vx::shell
