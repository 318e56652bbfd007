#include "shell/dialog_rules.h"

#include "platform/language.h"
#include "platform/platform.h"
#include "shell/operation_dialogs.h"
#include "shell/view_options.h"

#include <array>
#include <string_view>

namespace vx::shell {
namespace {

using platform::TextPair;
using Kind = FormField::Kind;

std::string tr(const TextPair& pair) { return std::string(platform::text(pair)); }

void tell(const TextPair& title, const TextPair& body) {
    platform::show_message({platform::text(title), platform::text(body)});
}

// A dialog confirmed: the view follows the settings, and "workset.wav" says so when sound is on.
void settings_confirmed(App& app) {
    view::update_display_settings(app.display, display_settings(app.settings.define), app.workpiece);
    platform::redraw(platform::ViewPart::Workpiece);
    if (app.run.sound) platform::play_sound("workset.wav", platform::SoundMode::Async);
}

}  // namespace

FormField number_field(const TextPair& label, double value, int decimals) {
    FormField f;
    f.label = tr(label);
    f.number = value;
    f.decimals = decimals;
    return f;
}

FormField check_field(std::string label, bool value) {
    FormField f;
    f.kind = Kind::Check;
    f.label = std::move(label);
    f.checked = value;
    return f;
}

namespace {


// ---- Pitch ----

constexpr TextPair kPitchTitle{"ピッチ（精度）指定", "Pitch"};
constexpr TextPair kPitchLabel{"被切削材の精度", "Pitch :"};
constexpr TextPair kPitchNotPositive{"ピッチが0.0以下になっています。", "The pitch is 0.0 or less."};
constexpr TextPair kPitchLater{"ピッチは被切削材の再定義時に反映されます。",
                               "Work pitch is reflected, When redefining work."};

Form pitch_form(const App& app) {
    return {tr(kPitchTitle), {number_field(kPitchLabel, app.settings.define.work_pitch.pitch)}};
}

int apply_pitch(App& app, const Form& form) {
    const double pitch = form.fields.at(0).number;
    if (!(pitch > 0.0)) {
        tell(kPitchTitle, kPitchNotPositive);
        return 0;
    }
    WorkPitch& p = app.settings.define.work_pitch;
    p.automatic = false;
    p.pitch = pitch;
    if (has_workpiece(app)) tell(kPitchTitle, kPitchLater);
    return 1;
}

// ---- Zoom rate ----

constexpr TextPair kZoomTitle{"拡大縮小率の設定", "Zoom Rate"};
constexpr TextPair kZoomLabel{"拡大縮小率", "Rate :"};
// W multiplies the view's scale by the rate and S divides it: a rate of 0 or less would empty
// the view or turn it inside out.
constexpr TextPair kZoomNotPositive{"拡大縮小率が0.0以下になっています。", "The zoom rate is 0.0 or less."};

Form zoom_form(const App& app) { return {tr(kZoomTitle), {number_field(kZoomLabel, app.settings.define.expand_rate)}}; }

int apply_zoom(App& app, const Form& form) {
    const double rate = form.fields.at(0).number;
    if (!(rate > 0.0)) {
        tell(kZoomTitle, kZoomNotPositive);
        return 0;
    }
    app.settings.define.expand_rate = rate;
    return 1;
}

// ---- Optional block skip ----

constexpr TextPair kSkipTitle{"オプショナルブロックスキップ設定", "Optional Block Skip"};

Form skip_form(const App& app) {
    Form f{tr(kSkipTitle), {}};
    for (int level = 1; level <= 9; ++level) f.fields.push_back(check_field("/" + std::to_string(level), app.ctl.block_skip[level]));
    return f;
}

int apply_skip(App& app, const Form& form) {
    std::array<bool, 10> levels{};
    for (int level = 1; level <= 9; ++level) levels[level] = form.fields.at(level - 1).checked;
    nc::set_block_skip(app.ctl, levels);
    return 1;
}

// ---- Initial state (the "Save" flags, written back at exit) ----

constexpr TextPair kInitialTitle{"起動時の状態設定", "Initial State"};
constexpr std::array<TextPair, 7> kInitialLabels{{
    {"ウィンドウの位置とサイズを復元", "Restore the window placement"},
    {"コマンドメニューを表示", "Show the command menu"},
    {"工具表示ダイアログを表示", "Show the tool display dialog"},
    {"被切削材の色を保存", "Save the workpiece colours"},
    {"工具の色を保存", "Save the tool colours"},
    {"線の色を保存", "Save the line colours"},
    {"背景色を保存", "Save the background colour"},
}};

std::array<int*, 7> initial_flags(SaveSettings& s) {
    return {&s.display, &s.view_p, &s.view_t, &s.work_colour, &s.tool_colour, &s.line_colour, &s.background};
}

Form initial_form(const App& app) {
    Form f{tr(kInitialTitle), {}};
    SaveSettings copy = app.settings.save;
    const auto flags = initial_flags(copy);
    for (std::size_t i = 0; i < flags.size(); ++i) f.fields.push_back(check_field(tr(kInitialLabels[i]), *flags[i] == 1));
    return f;
}

int apply_initial(App& app, const Form& form) {
    const auto flags = initial_flags(app.settings.save);
    for (std::size_t i = 0; i < flags.size(); ++i) *flags[i] = form.fields.at(i).checked ? 1 : 0;
    return 1;
}

// ---- Discolouration ----

constexpr TextPair kDiscolourTitle{"被切削材変色域の指定", "Discoloration"};
constexpr TextPair kDiscolourOn{"変色表示", "Discoloration"};
constexpr TextPair kDiscolourUpper{"上限", "Upper Level :"};
constexpr TextPair kDiscolourLower{"下限", "Lower Level :"};
// A range whose lower level lies above its upper one colours nothing: said, not taken.
constexpr TextPair kDiscolourReversed{"変色域の上限と下限が逆転しています", "The upper and the lower level are reversed."};

Form discolour_form(const App& app) {
    const DefineSettings& d = app.settings.define;
    return {tr(kDiscolourTitle),
            {check_field(tr(kDiscolourOn), d.discoloration), number_field(kDiscolourUpper, d.discoloration_upper),
             number_field(kDiscolourLower, d.discoloration_lower)}};
}

int apply_discolour(App& app, const Form& form) {
    const double upper = form.fields.at(1).number, lower = form.fields.at(2).number;
    if (lower > upper) {
        tell(kDiscolourTitle, kDiscolourReversed);
        return 0;
    }
    DefineSettings& d = app.settings.define;
    d.discoloration = form.fields.at(0).checked;
    d.discoloration_upper = upper;
    d.discoloration_lower = lower;
    settings_confirmed(app);
    return 1;
}

// ---- Colours ----

constexpr TextPair kColourTitle{"色の設定", "Colors"};

FormField colour_field(std::string label, Colour c) {
    FormField f;
    f.kind = Kind::Colour;
    f.label = std::move(label);
    f.colour = c;
    return f;
}

// One field a colour, labelled by its settings key in either language.
Form colour_form(const App& app) {
    Colours c = app.settings.define.colours;
    Form f{tr(kColourTitle), {}};
    for (const ColourKey& k : colour_keys()) f.fields.push_back(colour_field(std::string(k.ini_key), k.field(c)));
    return f;
}

int apply_colours(App& app, const Form& form) {
    Colours& c = app.settings.define.colours;
    std::size_t i = 0;
    for (const ColourKey& k : colour_keys()) k.field(c) = form.fields.at(i++).colour;
    settings_confirmed(app);
    return 1;
}

// ---- Control point ----

constexpr TextPair kControlTitle{"制御点座標値設定", "Control Point"};
constexpr TextPair kControlSave{"座標値設定と保存", "Save in the settings file"};
constexpr TextPair kWriteProtect{"書き込み保護されています", "Write protect"};
constexpr std::array<TextPair, 3> kAxisLabels{{{"X", "X"}, {"Y", "Y"}, {"Z", "Z"}}};

Form control_form(const App& app) {
    const Vec3& p = app.settings.define.control_point;
    return {tr(kControlTitle),
            {number_field(kAxisLabels[0], p.x), number_field(kAxisLabels[1], p.y), number_field(kAxisLabels[2], p.z),
             check_field(tr(kControlSave), false)}};
}

// The point where the next run starts; with the box set it also starts every later session there.
int apply_control(App& app, const Form& form) {
    const Vec3 p{form.fields.at(0).number, form.fields.at(1).number, form.fields.at(2).number};
    app.settings.define.control_point = p;
    app.run.start_point = p;
    if (form.fields.at(3).checked && !write_control_point(app.settings, p)) {
        platform::show_message({app.settings.path, platform::text(kWriteProtect)});
        return 0;
    }
    return 1;
}

constexpr std::array kDialogs{
    SettingsDialog{138, pitch_form, apply_pitch},
    SettingsDialog{32812, zoom_form, apply_zoom},
    SettingsDialog{32852, skip_form, apply_skip},
    SettingsDialog{208, initial_form, apply_initial},
    SettingsDialog{32819, discolour_form, apply_discolour},
    SettingsDialog{32779, colour_form, apply_colours},
    SettingsDialog{154, control_form, apply_control},
};

// ---- Offsets ----

constexpr TextPair kCtlWriteFailed{"コントローラー定義ファイルに書き込めません", "The controller definition file cannot be written"};

int written_or_tell(const App& app, int written) {
    if (!written) platform::show_message({app.ctl.path, platform::text(kCtlWriteFailed)});
    return written;
}

// ---- Optimize NC-Data ----

constexpr TextPair kOptTitle{"最適化NCデータ出力", "Optimize NC-Data"};
constexpr TextPair kOptGo{"GO(&G)", "GO(&G)"};
constexpr TextPair kOptCutPath{"切削パス", "Cut Path"};
constexpr TextPair kOptAirPath{"エアカットパス", "Aircut Path"};
constexpr TextPair kOptCutData{"切削データ", "Cut-Data"};
constexpr TextPair kOptNcData{"最適化NCデータ", "Optimized NC-Data"};
constexpr TextPair kOptAutoNaming{"自動命名", "Auto Naming"};
constexpr TextPair kOptEscapeHeight{"逃げ高さ", "Escape-H"};
constexpr TextPair kNotChange{"変更しない", "Not Change"}, kOptimizeF{"F最適化", "Optimize F"},
    kEscapeSpecial{"逃げ(特殊用途)", "Escape(Special usage)"}, kEscape{"逃げ", "Escape"},
    kMaxOptF{"最大最適化F", "Max Optimize F"}, kMaxMachineF{"機械最大F", "Max Machine F"}, kNo{"なし", "No"},
    kOutput{"出力", "Output"}, kOutputOpen{"出力+表示", "Output+Open"}, kBinary{"バイナリファイル", "Binary File"},
    kBinaryOpen{"バイナリ+表示", "Binary+Open"};

FormField choice(const TextPair& label, std::initializer_list<TextPair> choices, int value) {
    FormField f;
    f.kind = Kind::Choice;
    f.label = tr(label);
    for (const TextPair& c : choices) f.choices.push_back(tr(c));
    f.choice = value;
    return f;
}

// "Auto Naming" with the name the run would write with the choices `o`: the NC file's name
// while the box is on, the fixed name while it is off.
std::string naming_caption(bool cut_data, const OptimizeSettings& o, const App& app) {
    const std::string path = cut_data ? cut_data_path(o, app.run.nc_path, app.run.work_dir)
                                      : optimised_nc_path(o, app.run.nc_path, app.run.work_dir);
    const std::size_t slash = path.rfind('/');
    return tr(kOptAutoNaming) + " (" + path.substr(slash == std::string::npos ? 0 : slash + 1) + ")";
}

enum OptField { kCutPath, kAirPath, kCutData, kCutDataNaming, kNcData, kNcNaming, kEscapeHeight };

// The form's choices over `o`.
OptimizeSettings optimise_choices(OptimizeSettings o, const Form& form) {
    o.opt_cut = form.fields.at(kCutPath).choice;
    o.opt_aircut = form.fields.at(kAirPath).choice;
    o.cut_data = form.fields.at(kCutData).choice;
    o.cut_data_auto_name = form.fields.at(kCutDataNaming).checked;
    o.opt_nc = form.fields.at(kNcData).choice;
    o.opt_nc_auto_name = form.fields.at(kNcNaming).checked;
    o.escape_height = form.fields.at(kEscapeHeight).number;
    return o;
}

}  // namespace

Form optimise_form(const App& app) {
    const OptimizeSettings& o = app.settings.optimize;
    Form f{tr(kOptTitle), {}, tr(kOptGo)};
    f.fields = {choice(kOptCutPath, {kNotChange, kOptimizeF, kEscapeSpecial}, o.opt_cut),
                choice(kOptAirPath, {kNotChange, kEscape, kMaxOptF, kMaxMachineF}, o.opt_aircut),
                choice(kOptCutData, {kNo, kOutput, kOutputOpen, kBinary, kBinaryOpen}, o.cut_data),
                check_field(naming_caption(true, o, app), o.cut_data_auto_name),
                choice(kOptNcData, {kNo, kOutput, kOutputOpen}, o.opt_nc),
                check_field(naming_caption(false, o, app), o.opt_nc_auto_name),
                number_field(kOptEscapeHeight, o.escape_height)};
    return f;
}

void refresh_optimise_captions(const App& app, Form& form) {
    const OptimizeSettings o = optimise_choices(app.settings.optimize, form);
    form.fields.at(kCutDataNaming).label = naming_caption(true, o, app);
    form.fields.at(kNcNaming).label = naming_caption(false, o, app);
}

void apply_optimise(App& app, const Form& form) { app.settings.optimize = optimise_choices(app.settings.optimize, form); }

const SettingsDialog* find_settings_dialog(int id) {
    for (const SettingsDialog& d : kDialogs)
        if (d.id == id) return &d;
    return find_operation_dialog(id);
}

int apply_offsets(App& app, nc::OffsetTable table, const std::vector<OffsetEdit>& edits, bool modify_file) {
    auto& entries = table == nc::OffsetTable::D ? app.ctl.d : app.ctl.h;
    bool changed = false;
    for (std::size_t n = 1; n < edits.size() && n < entries.size(); ++n) {
        const nc::OffsetEntry now{float(edits[n].offset), float(edits[n].wear)};
        changed = changed || now.value != entries[n].value || now.wear != entries[n].wear;
        entries[n] = now;
    }
    if (!modify_file || !changed) return 1;
    return written_or_tell(app, nc::write_back_offsets(app.ctl, table));
}

int apply_work_offsets(App& app, const std::vector<Vec3>& offsets, bool modify_file) {
    bool changed = false;
    for (std::size_t n = 1; n < offsets.size() && n < app.ctl.work.size(); ++n) {
        changed = changed || !(offsets[n] == app.ctl.work[n]);
        app.ctl.work[n] = offsets[n];
    }
    app.ctl.current_work_offset = nc::start_work_offset(app.ctl);  // G54 may have moved
    if (!modify_file || !changed) return 1;
    return written_or_tell(app, nc::write_back_work_offsets(app.ctl));
}

}  // namespace vx::shell
