// The handlers of the workpiece operations: the batch switches (-XR, -XM, -XO, -XP, -XA, -XD) give
// their values as the command's parameter and numbers; from the menus the window's dialogs
// (operation_dialogs.h) send them back the same way. Each
// handler turns them into the operation's options, runs it and brings the rest of the program
// along (the tool's pitch-dependent data, the basic model, the title and the view).
#include "platform/log.h"
#include "platform/platform.h"
#include "shell/dispatch.h"
#include "shell/handlers.h"
#include "shell/sim_options.h"
#include "shell/workpiece.h"
#include "work/dmf.h"
#include "work/operations.h"

#include <algorithm>
#include <vector>

namespace vx::shell {
namespace {

// Offset parameter: direction 1..3, plus 10 for the painted part only, 20 for the painted part
// affecting outside its boundary too.
constexpr int kOffsetPaintedOnly = 10;
constexpr int kOffsetPaintedOutside = 20;

constexpr platform::TextPair kTextVolumeTitle{"除去体積算出", "Cutting Volume"};
constexpr platform::TextPair kTextIncrease{"※＋値は、増加分", "+ :Increase"};
constexpr platform::TextPair kTextDecrease{"※－値は、減少分", "- :Decrease"};
constexpr platform::TextPair kTextNoBackupYet{
    "比較するバックアップがまだありません（加工、ワーク操作または「B」キーで取得されます）。",
    "There is no backup to compare with yet (a run, a workpiece operation or the B key takes it)."};
constexpr platform::TextPair kTextNoBackupLayer{
    "このデータ保持レベル（3, 4）ではバックアップを保持しないため、除去体積は算出できません。",
    "The removed volume needs the backup, which data-holding levels 3 and 4 do not keep."};

// Without values from the batch the operation needs its dialog.
bool has_values(int parameter, const CommandArgs* args) { return parameter != 0 || args != nullptr; }

double number_or(const CommandArgs* args, std::size_t k, double fallback) {
    return args && args->values.size() > k ? args->values[k] : fallback;
}

// After an operation: the result told when it did not do its work, the program brought along when
// the workpiece changed. An operation with nothing to do (an offset of 0) has not failed.
int finish(App& app, int id, int result, bool grid_changed) {
    const std::string command = "vornex: command " + std::to_string(id) + " (" + std::string(find_command(id)->name) + ")";
    if (result == work::kOpNothing) platform::note(command + " left the workpiece as it was");
    if (result == work::kOpRefused) platform::note(command + ": values out of range, nothing done");
    if (result == work::kOpCancelled) platform::note(command + " stopped by Escape");
    if (result == work::kOpRefused || result == work::kOpMemory) return 0;
    if (grid_changed && app.workpiece.modification_state != sim::kNoWorkpiece) {
        sim::select_tool(app.tool, app.tools, app.tool.number,
                         selection_options(app.settings, app.workpiece.geometry.pitch, nullptr));
        load_basic_model(app);  // aligned again with the new grid
    }
    rebuild_title(app.run);
    platform::redraw(platform::ViewPart::Workpiece);
    return result == work::kOpCancelled ? 0 : 1;
}

}  // namespace

namespace handlers {

int rotate_mirror(App& app, int id, int parameter, const CommandArgs* args) {
    if (!has_values(parameter, args)) return open_dialog(app, id, parameter, "the rotation dialog");
    return finish(app, id, work::rotate_workpiece(app.workpiece, parameter), true);
}

int move(App& app, int id, int parameter, const CommandArgs* args) {
    if (!has_values(parameter, args) || !args || args->values.size() < 3)
        return open_dialog(app, id, parameter, "the move dialog");
    const Vec3 amount{args->values[0], args->values[1], args->values[2]};
    return finish(app, id, work::move_workpiece(app.workpiece, parameter, amount), true);
}

int offset(App& app, int id, int parameter, const CommandArgs* args) {
    if (!has_values(parameter, args)) return open_dialog(app, id, parameter, "the offset dialog");
    work::OffsetOptions o;
    o.direction = parameter % 10;
    o.painted_only = parameter >= kOffsetPaintedOnly;
    o.outside_boundary = parameter >= kOffsetPaintedOutside;
    o.value = number_or(args, 0, app.settings.define.offset_value);
    o.threads = std::max(app.settings.define.offset_threads, 1);
    o.show_progress = app.run.progress_display;
    return finish(app, id, work::offset_workpiece(app.workpiece, o), false);
}

int paint(App& app, int id, int parameter, const CommandArgs*) {
    int result;
    if (id == cmd::kPaintAll) result = work::paint_all(app.workpiece);
    else if (id == cmd::kStripPaint) result = work::strip_paint(app.workpiece);
    else if (parameter != 0) result = work::strip_pen(app.workpiece, parameter);
    else return open_dialog(app, id, parameter, "the pen dialog");
    return finish(app, id, result, false);
}

int merge(App& app, int id, int parameter, const CommandArgs* args) {
    if (!args || args->path.empty() || (parameter != 1 && parameter != -1))
        return open_dialog(app, id, parameter, "the merge dialog");
    sim::Workpiece& wp = app.workpiece;
    if (load_model_file(app, args->path, work::ModelUse::Merge) != 1) return 0;
    work::backup_before_operation(wp);
    return finish(app, id, sim::apply_merge_model(wp, parameter) == 1 ? work::kOpDone : work::kOpNothing, false);
}

// Values: the margin, then from the dialog the direction (1 normal), the colour (0 paint, 1..7 a
// pen), keep the original colour (1) and the width; the settings give those not sent.
int difference_paint(App& app, int id, int parameter, const CommandArgs* args) {
    if (!has_values(parameter, args)) return open_dialog(app, id, parameter, "the difference paint dialog");
    const DefineSettings& d = app.settings.define;
    work::DifferenceOptions o;
    o.plus = parameter >= 0;
    o.margin = number_or(args, 0, d.difference_margin);
    o.normal = number_or(args, 1, d.difference_normal) != 0.0;
    o.colour = static_cast<int>(number_or(args, 2, d.difference_colour));
    o.keep_colour = number_or(args, 3, d.difference_keep_same_colour) != 0.0;
    o.width = number_or(args, 4, d.difference_offset);  // DIFFERENCE OFFSET is the width's default
    return finish(app, id, work::difference_paint(app.workpiece, o), false);
}

// ---- Commands that only a dialog gives values ----
// Their dialogs send the values in the order of their fields; without values the command opens
// its dialog, or, without a window, says that the dialog is not available.

// Values: X, Y, Z maximum, X, Y, Z minimum, pitch.
int define_two_points(App& app, int id, int parameter, const CommandArgs* args) {
    if (!args || args->values.size() < 7) return open_dialog(app, id, parameter, "the definition dialog");
    const std::vector<double>& v = args->values;
    const int r = work::define_by_two_points(app.workpiece, {v[3], v[4], v[5]}, {v[0], v[1], v[2]}, v[6],
                                             app.settings.dmf.data_level);
    if (r == work::kOpDone) app.run.workpiece_file.clear();  // a new block, no longer the file
    return finish(app, id, r, true);
}

// Values per axis X, Y, Z: reference (0 low, 1 centre, 2 high), size, low margin, high margin;
// then the pitch. The block is placed at the active work coordinate origin.
int define_origin(App& app, int id, int parameter, const CommandArgs* args) {
    if (!args || args->values.size() < 13) return open_dialog(app, id, parameter, "the definition dialog");
    const std::vector<double>& v = args->values;
    work::OriginDefinition d;
    for (int axis = 0; axis < 3; ++axis) {
        d.reference[axis] = static_cast<int>(v[axis * 4]);
        d.size[axis] = v[axis * 4 + 1];
        d.margin_low[axis] = v[axis * 4 + 2];
        d.margin_high[axis] = v[axis * 4 + 3];
    }
    d.pitch = v[12];
    const int r = work::define_by_origin(app.workpiece, d, app.ctl.current_work_offset, app.settings.dmf.data_level);
    if (r == work::kOpDone) app.run.workpiece_file.clear();
    return finish(app, id, r, true);
}

// Values: Z cut level, Z minimum, XMIN, XMAX, YMIN, YMAX, cut part to bottom (0/1), bottom follows.
int xyz_cut(App& app, int id, int parameter, const CommandArgs* args) {
    if (!args || args->values.size() < 8) return open_dialog(app, id, parameter, "the XYZ cut dialog");
    const std::vector<double>& v = args->values;
    const work::XyzCut cut{v[0], v[1], v[2], v[3], v[4], v[5], v[6] != 0.0, v[7] != 0.0};
    return finish(app, id, work::xyz_cut(app.workpiece, cut), true);
}

// Values: the count, X end and Y end (1 add, 0 cut).
int thin(App& app, int id, int parameter, const CommandArgs* args) {
    if (!args || args->values.size() < 3) return open_dialog(app, id, parameter, "the thin dialog");
    const std::vector<double>& v = args->values;
    const work::ThinOptions o{static_cast<int>(v[0]), v[1] != 0.0, v[2] != 0.0};
    return finish(app, id, work::thin_workpiece(app.workpiece, o), true);
}

// Values: the pen 1..7 (0 the paint) and the width.
int emphasis(App& app, int id, int parameter, const CommandArgs* args) {
    if (!args || args->values.size() < 2) return open_dialog(app, id, parameter, "the emphasis dialog");
    return finish(app, id, work::emphasise(app.workpiece, static_cast<int>(args->values[0]), args->values[1]), false);
}

// The volume added (+) or removed (-) since the backup, in mm³ or, with VOLUME UNIT "m3", m³.
int removed_volume(App& app, int, int, const CommandArgs*) {
    double change = 0.0;
    if (!sim::volume_change(app.workpiece, &change)) {
        const bool layer = sim::has_backup_layer(app.workpiece);
        platform::show_message({platform::text(kTextVolumeTitle), platform::text(layer ? kTextNoBackupYet : kTextNoBackupLayer)});
        return 0;
    }
    const std::string body = work::volume_text(change, app.settings.define.volume_m3) + "\n" +
                             std::string(platform::text(kTextIncrease)) + "\n" + std::string(platform::text(kTextDecrease));
    platform::show_message({platform::text(kTextVolumeTitle), body});
    return 1;
}

}  // namespace handlers
}  // namespace vx::shell
