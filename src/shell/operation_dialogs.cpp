#include "shell/operation_dialogs.h"

#include "platform/platform.h"
#include "shell/handlers.h"
#include "shell/settings.h"
#include "shell/workpiece.h"
#include "work/operations.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace vx::shell {
namespace {

using platform::TextPair;
using Kind = FormField::Kind;
using work::ThinOptions;
using Handler = int (*)(App& app, int id, int parameter, const CommandArgs* args);

constexpr int kDefineTwoPoints = 32787, kDefineOrigin = 32901, kXyzCut = 32817, kThin = 32896,
              kEmphasis = 32894;

std::string tr(const TextPair& pair) { return std::string(platform::text(pair)); }

FormField choice_field(const TextPair& label, std::initializer_list<TextPair> choices) {
    FormField f;
    f.kind = Kind::Choice;
    f.label = tr(label);
    for (const TextPair& c : choices) f.choices.push_back(tr(c));
    return f;
}

Form titled(std::string title, std::vector<FormField> fields, std::string accept = {}) {
    return {std::move(title), std::move(fields), std::move(accept)};
}

FormField whole_number(const TextPair& label) { return number_field(label, 0, 0); }

// The form's fields take `values` in order: the values confirmed last when there are any,
// otherwise `initial`.
Form filled(const App& app, int id, Form form, std::vector<double> initial) {
    const auto last = app.operation_values.find(id);
    const std::vector<double>& values =
        last != app.operation_values.end() && last->second.size() == form.fields.size() ? last->second : initial;
    for (std::size_t k = 0; k < form.fields.size() && k < values.size(); ++k) {
        FormField& f = form.fields[k];
        if (f.kind == Kind::Check) f.checked = values[k] != 0.0;
        else if (f.kind == Kind::Choice) f.choice = static_cast<int>(values[k]);
        else f.number = values[k];
    }
    return form;
}

void remember(App& app, int id, const Form& form) { app.operation_values[id] = form_values(form); }

// The form's values remembered, then sent to the handler; its answer is the dialog's.
int send(App& app, int id, const Form& form, Handler handler, int parameter, std::vector<double> values,
         std::string path = {}) {
    remember(app, id, form);
    const CommandArgs args{std::move(path), std::move(values)};
    return handler(app, id, parameter, &args) == 1 ? 1 : 0;
}


// The corners of the workpiece, or of the INITIAL SIZE box before there is one.
struct Corners {
    Vec3 low, high;
};
Corners current_corners(const App& app) {
    if (!has_workpiece(app)) {
        const InitialBox& box = app.settings.dmf.initial_size;
        const auto low = [&](int axis) { return std::min(box.first[axis], box.second[axis]); };
        const auto high = [&](int axis) { return std::max(box.first[axis], box.second[axis]); };
        return {{low(0), low(1), low(2)}, {high(0), high(1), high(2)}};
    }
    const sim::Workpiece& wp = app.workpiece;
    const sim::GridGeometry& g = wp.geometry;
    return {{g.origin_x, g.origin_y, wp.work_bottom}, {g.max_x, g.max_y, wp.highest}};
}

// ---- Define by two points ----

constexpr TextPair kTwoPointsTitle{"２点指示による被切削材の定義", "Define Work by 2-Points"};
constexpr TextPair kPitch{"被切削材の精度", "Pitch :"};
constexpr TextPair kGo{"実行(&G)", "&Go"};

constexpr std::size_t kBlockFields = 7;  // the corners and the pitch; the control point follows
constexpr TextPair kWriteProtect{"書き込み保護されています", "Write protect"};

Form two_points_form(const App& app) {
    const Corners c = current_corners(app);
    const DefineSettings& d = app.settings.define;
    Form f = titled(tr(kTwoPointsTitle),
           {number_field({"X最大値", "X-MAX"}, 0), number_field({"Y最大値", "Y-MAX"}, 0),
            number_field({"Z最大値", "Z-MAX"}, 0), number_field({"X最小値", "X-MIN"}, 0),
            number_field({"Y最小値", "Y-MIN"}, 0), number_field({"Z最小値", "Z-MIN"}, 0), number_field(kPitch, 0),
            choice_field({"定義後の制御点", "Control Point after Definition"},
                         {{"XY最小Ｚ最大位置", "XY-Min Z-Max Position"}, {"現在の位置", "Current Position"},
                          {"指定位置", "Specified Position"}}),
            number_field({"指定位置 X", "Specified X"}, 0), number_field({"指定位置 Y", "Specified Y"}, 0),
            number_field({"指定位置 Z", "Specified Z"}, 0),
            check_field(tr({"座標値設定と保存", "Set and Save the Choice and Coordinates"}), false),
            check_field(tr({"初期制御点座標値（保存）", "Save as the Initial Control Point"}), false)});
    const Vec3& s = d.specified_point_dialog;
    return filled(app, kDefineTwoPoints, std::move(f),
                  {c.high.x, c.high.y, c.high.z, c.low.x, c.low.y, c.low.z, d.work_pitch.pitch,
                   double(d.new_control_point_dialog), s.x, s.y, s.z, 0, 0});
}

// After the block is defined the control point goes to its XY-minimum Z-maximum corner, stays, or
// goes to the specified point; the boxes write the choice and the point, or the control point as
// the initial one, to the settings file.
int place_control_point(App& app, const Form& form) {
    DefineSettings& d = app.settings.define;
    const std::vector<double> v = form_values(form);
    const auto choice = static_cast<NewControlPoint>(form.fields[7].choice);
    d.new_control_point_dialog = choice;
    d.specified_point_dialog = {v[8], v[9], v[10]};
    if (choice == NewControlPoint::BoxTop) app.run.start_point = {v[3], v[4], v[2]};
    if (choice == NewControlPoint::Specify) app.run.start_point = d.specified_point_dialog;
    bool written = true;
    if (form.fields[11].checked)
        written = write_new_control_point(app.settings, choice) && write_specified_point(app.settings, d.specified_point_dialog);
    if (form.fields[12].checked) {
        d.control_point = app.run.start_point;
        written = write_control_point(app.settings, d.control_point) && written;
    }
    if (!written) platform::show_message({app.settings.path, platform::text(kWriteProtect)});
    return written ? 1 : 0;
}

int apply_two_points(App& app, const Form& form) {
    const std::vector<double> v = form_values(form);
    const std::vector<double> block(v.begin(), v.begin() + kBlockFields);
    if (send(app, kDefineTwoPoints, form, handlers::define_two_points, 0, block) != 1) return 0;
    return place_control_point(app, form);
}

// ---- Define by origin point ----

constexpr TextPair kOriginTitle{"ワーク座標原点基準による被切削材定義", "Define Work by Origin Point"};
constexpr TextPair kCentre{"中心", "Center"};

Form origin_form(const App& app) {
    Form f = titled(tr(kOriginTitle),
           {choice_field({"X基準", "X Reference"}, {{"左端", "Left"}, kCentre, {"右端", "Right"}}),
            number_field({"幅", "Width"}, 0), number_field({"左余裕", "Left Margin"}, 0),
            number_field({"右余裕", "Right Margin"}, 0),
            choice_field({"Y基準", "Y Reference"}, {{"前端", "Front"}, kCentre, {"後端", "Back"}}),
            number_field({"奥行", "Depth"}, 0), number_field({"前余裕", "Front Margin"}, 0),
            number_field({"後余裕", "Back Margin"}, 0),
            choice_field({"Z基準", "Z Reference"}, {{"底面", "Bottom"}, kCentre, {"上面", "Top"}}),
            number_field({"高さ", "Height"}, 0), number_field({"下余裕", "Bottom Margin"}, 0),
            number_field({"上余裕", "Top Margin"}, 0), number_field(kPitch, 0)});
    std::vector<double> initial;
    const work::OriginDefinition d;
    for (int axis = 0; axis < 3; ++axis)
        initial.insert(initial.end(), {double(d.reference[axis]), d.size[axis], d.margin_low[axis], d.margin_high[axis]});
    initial.push_back(app.settings.define.work_pitch.pitch);
    return filled(app, kDefineOrigin, std::move(f), initial);
}

int apply_origin(App& app, const Form& form) {
    return send(app, kDefineOrigin, form, handlers::define_origin, 0, form_values(form));
}

// ---- Load with swing or press ----

constexpr TextPair kSwingTitle{"振り指定", "Rotary Method"};

Form swing_form(const App& app) {
    Form f = titled(tr(kSwingTitle),
           {choice_field({"軸", "Axis"}, {{"X", "X"}, {"Y", "Y"}, {"Z", "Z"}}), number_field({"中心X", "Center X"}, 0),
            number_field({"中心Y", "Center Y"}, 0), number_field({"中心Z", "Center Z"}, 0),
            number_field({"角度", "Angle"}, 0)},
           "GO(&O)");
    return filled(app, cmd::kLoadSwing, std::move(f), {0, 0, 0, 0, 0});
}

// The handler takes the centre's two coordinates off the axis, in X, Y, Z order, then the angle.
int apply_swing(App& app, const Form& form) {
    remember(app, cmd::kLoadSwing, form);
    const std::string path = choose_workpiece_file(app);
    if (path.empty()) return 0;
    const int axis = form.fields[0].choice;
    std::vector<double> values;
    for (int k = 0; k < 3; ++k)
        if (k != axis) values.push_back(form.fields[1 + k].number);
    values.push_back(form.fields[4].number);
    return send(app, cmd::kLoadSwing, form, handlers::load_swung, axis, values, path);
}

constexpr TextPair kPressTitle{"反転（プレス）設定", "Reverse Setting"};

Form press_form(const App& app) {
    Form f = titled(tr(kPressTitle),
           {choice_field(kPressTitle, {{"Ｘ方向(&X)", "&X Direction"}, {"Ｙ方向(&Y)", "&Y Direction"}}),
            check_field(tr({"ペンキ部を残す", "Keep Penki"}), false),
            check_field(tr({"ペン番号色を残す", "Keep Pen Color"}), false),
            check_field(tr({"切削方向色を残す", "Keep Cutting Direction Color"}), false)},
           tr(kGo));
    return filled(app, cmd::kLoadPress, std::move(f), {0, 0, 0, 0});
}

int apply_press(App& app, const Form& form) {
    remember(app, cmd::kLoadPress, form);
    const std::string path = choose_workpiece_file(app);
    if (path.empty()) return 0;
    const std::vector<double> v = form_values(form);
    return send(app, cmd::kLoadPress, form, handlers::load_pressed, form.fields[0].choice, {v[1], v[2], v[3]}, path);
}

// ---- Merge ----

constexpr TextPair kMergeTitle{"マージ処理", "Merge Work"};

Form merge_form(const App& app) {
    Form f = titled(tr(kMergeTitle), {choice_field(kMergeTitle, {{"高いほう優先", "Higher"}, {"低いほう優先", "Lower"}})});
    return filled(app, cmd::kMerge, std::move(f), {0});
}

int apply_merge(App& app, const Form& form) {
    remember(app, cmd::kMerge, form);
    const std::string path = choose_workpiece_file(app);  // cancelling it cancels the merge
    if (path.empty()) return 0;
    const int priority = form.fields[0].choice == 0 ? 1 : -1;
    return send(app, cmd::kMerge, form, handlers::merge, priority, {}, path);
}

// ---- Rotate and mirror ----

constexpr TextPair kRotateTitle{"回転／ミラー", "Rotation and Mirror"};

Form rotate_form(const App& app) {
    Form f = titled(tr(kRotateTitle),
           {choice_field(kRotateTitle, {{"９０度回転", "90 Degrees"},
                                        {"１８０度回転", "180 Degrees"},
                                        {"－９０度回転", "-90 Degrees"},
                                        {"Ｘ方向ミラー", "X Mirror"},
                                        {"Ｙ方向ミラー", "Y Mirror"}})});
    return filled(app, cmd::kRotateMirror, std::move(f), {0});
}

int apply_rotate(App& app, const Form& form) {
    return send(app, cmd::kRotateMirror, form, handlers::rotate_mirror, form.fields[0].choice + 1, {});
}

// ---- Move ----

constexpr TextPair kMoveTitle{"移動", "Move"};

Form move_form(const App& app) {
    const Corners c = current_corners(app);
    Form f = titled(tr(kMoveTitle),
           {choice_field(kMoveTitle, {{"移動量指定", "Shift"}, {"最小位置指定", "Position"}}), number_field({"X", "X"}, 0),
            number_field({"Y", "Y"}, 0), number_field({"Z", "Z"}, 0), number_field({"MIN-X", "MIN-X"}, 0),
            number_field({"MIN-Y", "MIN-Y"}, 0), number_field({"MIN-Z", "MIN-Z"}, 0)});
    return filled(app, cmd::kMove, std::move(f), {0, 0, 0, 0, c.low.x, c.low.y, c.low.z});
}

// Shift sends the amounts, Position the minimum position.
int apply_move(App& app, const Form& form) {
    const std::vector<double> v = form_values(form);
    const bool shift = form.fields[0].choice == 0;
    const std::vector<double> amount = shift ? std::vector{v[1], v[2], v[3]} : std::vector{v[4], v[5], v[6]};
    return send(app, cmd::kMove, form, handlers::move, shift ? 1 : 2, amount);
}

// ---- Offset ----

constexpr TextPair kOffsetTitle{"ワークのオフセット", "Offset"};
constexpr int kOffsetPaintedOnly = 10, kOffsetPaintedOutside = 20;  // added to the direction

Form offset_form(const App& app) {
    Form f = titled(tr(kOffsetTitle),
           {choice_field(kOffsetTitle, {{"法線方向(&N)", "&Normal"}, {"Ｚ軸方向(&Z)", "&Z-Axis"}, {"水平方向(&H)", "&Horizontal"}}),
            number_field({"オフセット値 :", "Offset Value :"}, 0),
            check_field(tr({"ペンキ塗装部のみ対象", "Painted Part Only"}), false),
            check_field(tr({"境界部外側にも影響させる", "Affect Outside the Boundary"}), false)},
           tr(kGo));
    return filled(app, cmd::kOffset, std::move(f), {0, app.settings.define.offset_value, 0, 0});
}

int apply_offset(App& app, const Form& form) {
    const bool painted = form.fields[2].checked, outside = form.fields[3].checked;
    const int parameter =
        form.fields[0].choice + 1 + (painted ? (outside ? kOffsetPaintedOutside : kOffsetPaintedOnly) : 0);
    return send(app, cmd::kOffset, form, handlers::offset, parameter, {form.fields[1].number});
}

// ---- XYZ cut ----

constexpr TextPair kXyzTitle{"XYZ値カット", "XYZ-Cut"};

Form xyz_form(const App& app) {
    const Corners c = current_corners(app);
    Form f = titled(tr(kXyzTitle),
           {number_field({"Ｚ値カットレベル", "Z-Cut Level"}, 0), number_field({"Ｚ最小値", "Z-Minimum"}, 0),
            number_field({"XMIN", "XMIN"}, 0), number_field({"XMAX", "XMAX"}, 0), number_field({"YMIN", "YMIN"}, 0),
            number_field({"YMAX", "YMAX"}, 0),
            check_field(tr({"カット部を最下点まで下げる", "Cut-Part to Bottom"}), false),
            check_field(tr({"下げる場合、底面を追従させる", "Bottom-Part to Minimum"}), false)});
    // XMIN .. YMAX scroll over the grid's points.
    const double pitch = has_workpiece(app) ? app.workpiece.geometry.pitch : 0.0;
    for (int k = 2; k < 6; ++k) {
        FormField& field = f.fields[k];
        field.scroll_low = k < 4 ? c.low.x : c.low.y;
        field.scroll_high = k < 4 ? c.high.x : c.high.y;
        field.scroll_step = pitch;
    }
    return filled(app, kXyzCut, std::move(f), {c.high.z, c.low.z, c.low.x, c.high.x, c.low.y, c.high.y, 0, 0});
}

int apply_xyz(App& app, const Form& form) { return send(app, kXyzCut, form, handlers::xyz_cut, 0, form_values(form)); }

// ---- Thin ----

constexpr TextPair kThinTitle{"間引き", "Thin"};
constexpr TextPair kThinCountError{"間引き数エラー", "Thin Count Error"};
constexpr TextPair kThinCountTooSmall{"2以上の値を設定して下さい。", "Set a value of 2 or more."};
constexpr int kThinMinimum = 2;
constexpr TextPair kAdd{"付加", "Add"}, kCut{"カット", "Cut"};

ThinOptions thin_options(const Form& form) {
    return {static_cast<int>(form.fields[0].number), form.fields[1].choice == 0, form.fields[2].choice == 0};
}

// "DMF Size =" and "DME Size >" of the thinned grid at the current save level.
std::string thin_sizes_text(const App& app, const Form& form) {
    return work::thin_size_texts(work::thin_sizes(app.workpiece, thin_options(form), app.settings.dmf.save_level));
}

// A count below 2 is refused with the message and the field set back to 2; the dialog stays open.
bool check_thin(const App&, Form& form) {
    if (form.fields[0].number >= kThinMinimum) return true;
    form.fields[0].number = kThinMinimum;
    platform::show_message({platform::text(kThinCountError), platform::text(kThinCountTooSmall)});
    return false;
}

Form thin_form(const App& app) {
    Form f = titled(tr(kThinTitle),
           {whole_number({"間引き数：", "Thin Count : "}), choice_field({"X方向終端:", "X-End"}, {kAdd, kCut}),
            choice_field({"Y方向終端:", "Y-End"}, {kAdd, kCut})});
    f.live_text = thin_sizes_text;
    f.check = check_thin;
    return filled(app, kThin, std::move(f), {kThinMinimum, 0, 0});
}

int apply_thin(App& app, const Form& form) {
    Form checked = form;
    if (!check_thin(app, checked)) {
        remember(app, kThin, checked);  // shows 2 when the dialog opens again
        return 0;
    }
    const ThinOptions o = thin_options(form);
    return send(app, kThin, form, handlers::thin, 0, {double(o.count), double(o.add_x_end), double(o.add_y_end)});
}

// ---- Pen strip and emphasis ----

constexpr TextPair kStripTitle{"はがすペンの色を指定", "Clear Penki"};

Form strip_form(const App& app) {
    Form f = titled(tr(kStripTitle),
           {choice_field(kStripTitle, {{"Pen1(&1)", "Pen1(&1)"}, {"Pen2(&2)", "Pen2(&2)"}, {"Pen3(&3)", "Pen3(&3)"},
                                       {"Pen4(&4)", "Pen4(&4)"}, {"Pen5(&5)", "Pen5(&5)"}, {"Pen6(&6)", "Pen6(&6)"},
                                       {"Pen7(&7)", "Pen7(&7)"}, {"Clear All(&A)", "Clear All(&A)"}})});
    return filled(app, cmd::kPenStrip, std::move(f), {0});
}

// The choices are pens 1..7 and then all pens, which the strip takes as pen 8.
int apply_strip(App& app, const Form& form) {
    return send(app, cmd::kPenStrip, form, handlers::paint, form.fields[0].choice + 1, {});
}

constexpr TextPair kEmphasisTitle{"ペン/ペンキの強調表示", "Emphasis Pen or Penki Color"};
constexpr TextPair kWidth{"強調範囲:", "Width : "};
constexpr int kPenkiChoice = 7;  // after the seven pens

FormField pen_or_penki(const TextPair& label) {
    return choice_field(label, {{"ペン1(&1)", "Pen1(&1)"}, {"ペン2(&2)", "Pen2(&2)"}, {"ペン3(&3)", "Pen3(&3)"},
                                {"ペン4(&4)", "Pen4(&4)"}, {"ペン5(&5)", "Pen5(&5)"}, {"ペン6(&6)", "Pen6(&6)"},
                                {"ペン7(&7)", "Pen7(&7)"}, {"ペンキ(&P)", "Penki(&P)"}});
}

// Pens 1..7, or 0 for the paint.
double pen_of_choice(int choice) { return choice == kPenkiChoice ? 0 : choice + 1; }

Form emphasis_form(const App& app) {
    Form f = titled(tr(kEmphasisTitle), {pen_or_penki(kEmphasisTitle), number_field(kWidth, 0)});
    return filled(app, kEmphasis, std::move(f), {0, 1.0});
}

int apply_emphasis(App& app, const Form& form) {
    return send(app, kEmphasis, form, handlers::emphasis, 0,
                {pen_of_choice(form.fields[0].choice), form.fields[1].number});
}

// ---- Difference paint ----

constexpr TextPair kDifferenceTitle{"差分塗り", "Penki of Difference"};

Form difference_form(const App& app) {
    const DefineSettings& d = app.settings.define;
    Form f = titled(tr(kDifferenceTitle),
           {choice_field({"塗る場所", "Area"}, {{"プラス側", "Plus"}, {"マイナス側", "Minus"}}),
            number_field({"指定値を越える差分を対象", "Difference Margin"}, 0),
            choice_field({"チェック方向", "Check Direction"}, {{"高さ", "Height"}, {"法線", "Normal"}}),
            // The colour's choice is its number: 0 the paint, then pens 1..7.
            choice_field({"色", "Color"}, {{"ペンキ", "Penki"}, {"ペン1", "Pen1"}, {"ペン2", "Pen2"}, {"ペン3", "Pen3"},
                                          {"ペン4", "Pen4"}, {"ペン5", "Pen5"}, {"ペン6", "Pen6"}, {"ペン7", "Pen7"}}),
            check_field(tr({"元の同色部分は維持", "Keep Original Color"}), false), number_field(kWidth, 0)});
    return filled(app, cmd::kDifferencePaint, std::move(f),
                  {d.difference_minus ? 1.0 : 0.0, d.difference_margin, d.difference_normal ? 1.0 : 0.0,
                   double(d.difference_colour), d.difference_keep_same_colour ? 1.0 : 0.0, d.difference_offset});
}

// The parameter's sign is the area; the values follow the handler's order.
int apply_difference(App& app, const Form& form) {
    const std::vector<double> v = form_values(form);
    const int area = form.fields[0].choice == 0 ? 1 : -1;
    return send(app, cmd::kDifferencePaint, form, handlers::difference_paint, area, {v[1], v[2], v[3], v[4], v[5]});
}

// ---- Hand tool parameters ----

constexpr TextPair kToolParameterTitle{"各パラメータの設定", "Tool Parameter"};
constexpr int kToolParameters = 128;
constexpr int kLastPen = 8;  // pens 0..7, and 8 for the paint mark
constexpr TextPair kTextBadWidth{"幅は0より大きい値を設定して下さい。", "Set a width above 0."};
constexpr TextPair kTextBadPen{"ペン番号は0～8を設定して下さい。", "Set a pen number from 0 to 8."};

// Widths (fields 1, 4, 7, 9) must be positive and pens (2, 5, 8) within 0..8: the first wrong
// field is named to the user, and the dialog stays open.
bool check_tool_parameters(const App&, Form& form) {
    for (std::size_t k : {1u, 4u, 7u, 9u})
        if (!(form.fields[k].number > 0.0)) {
            platform::show_message({form.fields[k].label, platform::text(kTextBadWidth)});
            return false;
        }
    for (std::size_t k : {2u, 5u, 8u})
        if (!(form.fields[k].number >= 0.0 && form.fields[k].number <= kLastPen)) {
            platform::show_message({form.fields[k].label, platform::text(kTextBadPen)});
            return false;
        }
    return true;
}

Form tool_parameter_form(const App& app) {
    const DefineSettings& d = app.settings.define;
    Form f = titled(tr(kToolParameterTitle),
           {number_field({"溶接 高さ", "Welding Height"}, 0), number_field({"溶接 幅", "Welding Width"}, 0),
            whole_number({"溶接 ペン", "Welding Pen"}), number_field({"グラインダー 深さ", "Grinder Depth"}, 0),
            number_field({"グラインダー 幅", "Grinder Width"}, 0), whole_number({"グラインダー ペン", "Grinder Pen"}),
            number_field({"ペーパー 深さ", "Paper Depth"}, 0), number_field({"ペーパー 幅", "Paper Width"}, 0),
            whole_number({"ペーパー ペン", "Paper Pen"}), number_field({"刷毛 幅", "Brush Width"}, 0)});
    f.check = check_tool_parameters;
    return filled(app, kToolParameters, std::move(f),
                  {d.welding.depth, d.welding.width, double(d.welding.pen), d.grinder.depth, d.grinder.width,
                   double(d.grinder.pen), d.paper.depth, d.paper.width, double(d.paper.pen), d.brush_width});
}

int apply_tool_parameters(App& app, const Form& form) {
    Form checked = form;
    if (!check_tool_parameters(app, checked)) return 0;
    return send(app, kToolParameters, form, handlers::hand_tool_parameters, 0, form_values(form));
}

constexpr std::array kDialogs{
    SettingsDialog{kDefineTwoPoints, two_points_form, apply_two_points},
    SettingsDialog{kDefineOrigin, origin_form, apply_origin},
    SettingsDialog{cmd::kLoadSwing, swing_form, apply_swing},
    SettingsDialog{cmd::kLoadPress, press_form, apply_press},
    SettingsDialog{cmd::kMerge, merge_form, apply_merge},
    SettingsDialog{cmd::kRotateMirror, rotate_form, apply_rotate},
    SettingsDialog{cmd::kMove, move_form, apply_move},
    SettingsDialog{cmd::kOffset, offset_form, apply_offset},
    SettingsDialog{kXyzCut, xyz_form, apply_xyz},
    SettingsDialog{kThin, thin_form, apply_thin},
    SettingsDialog{cmd::kPenStrip, strip_form, apply_strip},
    SettingsDialog{kEmphasis, emphasis_form, apply_emphasis},
    SettingsDialog{cmd::kDifferencePaint, difference_form, apply_difference},
    SettingsDialog{kToolParameters, tool_parameter_form, apply_tool_parameters},
};

}  // namespace

std::vector<double> form_values(const Form& form) {
    std::vector<double> values;
    values.reserve(form.fields.size());
    for (const FormField& f : form.fields) {
        if (f.kind == Kind::Check) values.push_back(f.checked ? 1.0 : 0.0);
        else if (f.kind == Kind::Choice) values.push_back(f.choice);
        else values.push_back(f.number);
    }
    return values;
}

const SettingsDialog* find_operation_dialog(int id) {
    for (const SettingsDialog& d : kDialogs)
        if (d.id == id) return &d;
    return nullptr;
}

}  // namespace vx::shell
