// Entry of the sweep kernel: per-call state, search radius and bounding box, the row sweep on
// the calling thread or the bands, and the combination of the bands' results. The scribing
// marker of type-99 tools is here too.
#include "sim/kernel.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace vx::sim {
namespace {

// Box bounds are widened by this fraction of a cell so that a cell exactly at the search radius
// survives the rounding of (x - R) / p; the per-cell rules still decide whether it is reached.
constexpr double kBoxSlack = 1e-9;

// The early end of a half-row is moved out by this relative amount: a cell just past the
// radius in squared form may still lie inside it after the clearance test's square root.
constexpr double kStopSlack = 1e-9;

bool feed_move(int motion) { return motion == kMotionLinear || motion == kMotionArcCw || motion == kMotionArcCcw; }

bool at_rapid_speed(const Checks& checks, const SweepStep& step) {
    return rapid_class(step.motion, step.feed, checks.rapid_feedrate);
}

// ---- Results ----

bool starts_move(const SweepStep& step) {
    return step.run_type == kRunMoveStart || (step.run_type == kRunMoveStep && step.step_number == 1);
}

void merge_extent(SweepPartial& into, const SweepPartial& b) { merge_extent(into.extent, into.hit, b.extent, b.hit); }

void merge_required(RequiredValues& into, const RequiredValues& b) {
    into.protrusion = std::max(into.protrusion, b.protrusion);
    into.neck_length = std::max(into.neck_length, b.neck_length);
    into.second_length = std::max(into.second_length, b.second_length);
    into.blade_length = std::max(into.blade_length, b.blade_length);
    into.tip_width = std::max(into.tip_width, b.tip_width);
    into.centre_height = std::max(into.centre_height, b.centre_height);
}

// Bands in order; their partial results only take maxima, minima and "any", so the order of
// the bands does not matter for them, and sums are added per row.
void combine(const SweepCall& c, int bands, const SweepStep& step, std::int32_t tool, SweepResult& r) {
    SweepPartial all = c.partials[0];
    for (int b = 1; b < bands; ++b) {
        const SweepPartial& p = c.partials[b];
        all.direction_codes |= p.direction_codes;
        all.changed |= p.changed;
        all.watched |= p.watched;
        all.pending_marks |= p.pending_marks;
        all.rapid_interference |= p.rapid_interference;
        all.rapid_reached |= p.rapid_reached;
        all.rapid_near |= p.rapid_near;
        all.length |= p.length;
        all.taper |= p.taper;
        all.holder |= p.holder;
        all.attachment |= p.attachment;
        all.chip |= p.chip;
        all.second_impossible |= p.second_impossible;
        merge_extent(all, p);
        merge_required(all.required, p.required);
        merge_bounds(all.bounds, p.bounds);
        all.cells_examined += p.cells_examined;
    }
    double volume = 0, moment = 0;
    for (std::int32_t j = c.first_row; j <= c.last_box_row; ++j) {
        volume += c.row_volume[j];
        moment += c.row_moment[j];
    }
    r.volume = volume;
    r.moment = c.sum_moment ? moment : 0.0;
    // Within one call the codes are either all vertical or all from {general, up, down}, where
    // the fold gives the same for any order of the cells; so folding the set is exact.
    r.step_direction = kStepNone;
    for (int code = 0; code < 4; ++code)
        if (all.direction_codes & (1u << code)) r.step_direction = fold_direction(r.step_direction, code);
    r.changed = all.changed;
    r.watched = all.watched;
    r.rapid_interference = all.rapid_interference;
    r.rapid_state = all.rapid_reached ? 1 : all.rapid_near ? 2 : 0;  // reaching outranks passing near
    r.length = all.length;
    r.taper = all.taper;
    r.holder = all.holder;
    r.attachment = all.attachment;
    r.chip = all.chip;
    const bool flagged = all.rapid_interference || all.length || all.taper || all.holder || all.attachment || all.chip;
    r.interference_state = flagged ? 2 : 0;
    if (all.hit) {
        r.extent = all.extent;
        r.extent.tool = tool;
        r.extent.x = step.x;
        r.extent.y = step.y;
        r.extent.z = step.z;
    }
    r.required = all.required;
    if (all.second_impossible) r.required.second_length = -1.0;
    merge_bounds(r.bounds, all.bounds);
    r.cells_examined = all.cells_examined;
}

// ---- Search radius and box ----


double attachment_search(const Profile& p, double z, double highest) {
    double radius = 0;
    for (int i = 0; i < p.attachment_count; ++i)
        if (z + p.attachment_base[i] < highest) radius = std::max(radius, p.attachment_half[i]);
    return radius;
}

// Every zone that can take part is covered: the edge (enlarged for the clearance test), the neck
// whenever the arbor check looks at it, the holder sections and attachment sections low enough to
// reach material (the holder raised to the required protrusion while it is computed).
double search_radius(const Profile& p, const Checks& checks, const SweepCall& c, double highest,
                     const RequiredValues& required) {
    double radius = p.rb + (c.rapid_flag ? c.rapid_margin : 0.0);
    if (checked(checks.arbor)) radius = std::max(radius, p.rn);
    const bool shapes = cuts_with_shapes(checks.arbor);
    if (p.has_holder && shapes) radius = std::max(radius, holder_reach(p, c.z, 0.0, highest));
    if (p.has_holder && computes(checks.arbor))
        radius = std::max(radius, holder_reach(p, c.z, required.protrusion - p.L1, highest));
    if (p.attachment_count > 0 && shapes) radius = std::max(radius, attachment_search(p, c.z, highest));
    return radius;
}

// Column (or row) range of the box: ceil((u - R)/p) .. trunc((u + R)/p), the band side replaced by
// the previous position. 0 when it lies wholly outside 0..last.
int box_range(double u, double radius, double back, int band_sign, double pitch, std::int32_t last,
              std::int32_t* first_out, std::int32_t* last_out) {
    double first = std::ceil((u - radius) / pitch - kBoxSlack);
    double end = std::trunc((u + radius) / pitch + kBoxSlack);
    if (band_sign > 0) first = std::ceil((u - back) / pitch - kBoxSlack);
    if (band_sign < 0) end = std::trunc((u - back) / pitch + kBoxSlack);
    if (!(first <= double(last)) || !(end >= 0.0)) return 0;
    *first_out = std::int32_t(std::max(first, 0.0));
    *last_out = std::int32_t(std::min(end, double(last)));
    return *first_out <= *last_out ? 1 : 0;
}

// ---- Scribing marker ----

void refresh_scribed(Workpiece& wp, const ScreenProjection& s, std::int32_t i, std::int32_t j, float t,
                     ProjectedBounds& b) {
    refresh_cell_screen(s, wp.coordinate.data[i], wp.coordinate.data[j], t, screen_x(wp), screen_y(wp),
                        std::int64_t{j} * wp.geometry.nx + i, i, j, b);
}

int scribe(Workpiece& wp, const CurrentTool& tool, const SweepStep& step, SweepResult& r) {
    const GridGeometry& g = wp.geometry;
    const double x = step.x - g.origin_x, y = step.y - g.origin_y;
    const double rb = double(tool.tool.d) / 2.0, rb2 = rb * rb, depth = tool.tool.h;
    std::int32_t c0, c1, r0, r1;
    if (!std::isfinite(x) || !std::isfinite(y) || !(rb >= 0.0)) return 0;
    if (!box_range(x, rb, 0, 0, g.pitch, g.last_column, &c0, &c1)) return 0;
    if (!box_range(y, rb, 0, 0, g.pitch, g.last_row, &r0, &r1)) return 0;
    const std::uint8_t pen = kPenCode[std::clamp(tool.pen, 0, 8)];
    const bool backup = has_backup_layer(wp);  // without it the defined top is the reference surface
    const double* X = wp.coordinate.data;
    const bool project = step.projection && step.run_type != kRunOptimise && wp.screen_position.data;
    double volume = 0;
    for (std::int32_t j = r0; j <= r1; ++j) {
        const double dy = y - X[j];
        const double row_area = g.pitch_squared * (j == 0 || j == g.last_row ? 0.5 : 1.0);
        bool reached = false;
        for (std::int32_t i = c0; i <= c1; ++i) {
            const double dx = x - X[i];
            if (dx * dx + dy * dy > rb2) {
                if (reached) break;
                continue;
            }
            reached = true;
            const std::int64_t cell = std::int64_t{j} * g.nx + i;
            const float reference = backup ? wp.backup.height.data[cell] : float(wp.work_top);
            const float target = float(double(reference) - depth);
            const float old = wp.height.data[cell];
            if (!(old > target)) continue;
            std::uint8_t& a = wp.attribute.data[cell];
            a = pen == 0 && depth == 0.0 ? std::uint8_t(a | kPaintBit) : pen;
            if (has_line_layer(wp)) wp.line_number.data[cell] = step.line_number;
            r.changed = true;
            if (cell == step.watched_cell) r.watched = true;
            volume += (double(old) - double(target)) * row_area * (i == 0 || i == g.last_column ? 0.5 : 1.0);
            wp.height.data[cell] = target;
            if (project) refresh_scribed(wp, *step.projection, i, j, target, r.bounds);
        }
    }
    r.volume = volume;
    if (r.changed) wp.modification_state = kModified;
    return 1;
}

// ---- Per-call state ----

void fill_grid(SweepCall& c, Workpiece& wp, KernelContext& context) {
    const GridGeometry& g = wp.geometry;
    c.height = wp.height.data;
    c.attribute = wp.attribute.data;
    c.line = wp.line_number.data;
    c.screen_x = screen_x(wp);
    c.screen_y = screen_y(wp);
    c.coordinate = wp.coordinate.data;
    c.nx = g.nx;
    c.last_column = g.last_column;
    c.last_row = g.last_row;
    c.pitch = g.pitch;
    c.pitch_squared = g.pitch_squared;
    if (context.row_volume.size() < std::size_t(g.ny)) {
        context.row_volume.assign(std::size_t(g.ny), 0.0);
        context.row_moment.assign(std::size_t(g.ny), 0.0);
    }
    c.row_volume = context.row_volume.data();
    c.row_moment = context.row_moment.data();
}

void fill_switches(SweepCall& c, const CurrentTool& tool, const Checks& checks, const SweepStep& step,
                   const RequiredValues& required) {
    c.projection = c.screen_x ? step.projection : nullptr;
    const Profile& p = tool.profile;
    c.profile = &p;
    c.pen_code = kPenCode[std::clamp(tool.pen, 0, 8)];
    c.recording = step.recording;
    c.paint = step.paint;
    c.optimise = step.run_type == kRunOptimise;
    const Clearance& clearance = checks.tool_clearance;
    const bool clearance_test = clearance.mode != ClearanceMode::None;
    c.rapid_flag = c.optimise || (step.motion == kMotionRapid && clearance_test && step.recording);
    c.rapid_margin = !step.recording                          ? 0.0
                     : clearance.mode == ClearanceMode::Value ? clearance.value
                                                              : p.pitch_margin;
    c.rapid_speed = checked(checks.rapid) && at_rapid_speed(checks, step);
    c.arbor_check = checks.arbor;
    c.height_check = checks.height;
    c.chip_check = checks.chip;
    c.neck_below_tip = computes(checks.arbor) && p.length_kind >= kLength2 && required.second_length >= 0.0;
    c.sum_volume = step.sum_volume;
    c.sum_moment = step.sum_volume && step.sum_moment;
    c.short_move = step.short_move;
    c.move_length = step.move_length;
    c.move_length_xy = step.move_length_xy;
    c.line_number = step.line_number;
    c.watched_cell = step.watched_cell;
    c.move_x = step.dx;
    c.move_y = step.dy;
    c.vertical = step.dx == 0.0 && step.dy == 0.0;
    c.band_mode = band_mode(step.motion, step.plane, step.dx, step.dy, step.dz);
}

// Box, half-rows and the early end of a half-row. 0 when the box misses the grid.
int fill_box(SweepCall& c, const Checks& checks, const Workpiece& wp, const SweepStep& step,
             const RequiredValues& required) {
    const Profile& p = *c.profile;
    const double radius = search_radius(p, checks, c, wp.highest, required);
    const int mx = c.band_mode == 1 ? 1 : c.band_mode == -1 ? -1 : 0;
    const int my = c.band_mode == 2 ? 1 : c.band_mode == -2 ? -1 : 0;
    if (!box_range(c.x, radius, step.dx, mx, c.pitch, c.last_column, &c.first_column, &c.last_box_column)) return 0;
    if (!box_range(c.y, radius, step.dy, my, c.pitch, c.last_row, &c.first_row, &c.last_box_row)) return 0;
    const double k = std::trunc(c.x / c.pitch);
    c.left_start = k >= 0.0 ? std::int32_t(std::min(k, double(c.last_box_column))) : c.first_column - 1;
    c.right_start = std::int32_t(std::clamp(k + 1.0, double(c.first_column), double(c.last_box_column) + 1.0));
    // Square attachment sections reach past any radius of revolution: no early end then.
    const bool square = p.attachment_count > 0 && cuts_with_shapes(checks.arbor);
    const double stop = std::max(p.outer, c.rapid_flag ? p.rb + c.rapid_margin : 0.0);
    c.stop2 = square ? std::numeric_limits<double>::infinity() : stop * stop * (1.0 + kStopSlack);
    return 1;
}

void sweep_band(void* context, int band, std::int32_t first_row, std::int32_t last_row) {
    sweep_rows(*static_cast<const SweepCall*>(context), band, first_row, last_row);
}

}  // namespace

// ---- Public helpers ----

bool volume_wanted(int run_type, const CurrentTool& tool) {
    return run_type == kRunOptimise || tool.limit.kind != kLimitNone;
}

int band_mode(int motion, int plane, double dx, double dy, double dz) {
    if (motion != kMotionRapid && motion != kMotionLinear) return 0;
    if (dz != 0.0 || (plane != 17 && plane != -17)) return 0;
    if (dy == 0.0 && dx != 0.0) return dx > 0.0 ? 1 : -1;
    if (dx == 0.0 && dy != 0.0) return dy > 0.0 ? 2 : -2;
    return 0;
}

int fold_direction(int step_direction, int code) {
    switch (step_direction) {
        case kStepNone: return code;
        case kStepUpCut: return code == kStepVertical || code == kStepUpCut ? kStepUpCut : kStepGeneral;
        case kStepDownCut: return code == kStepVertical || code == kStepDownCut ? kStepDownCut : kStepGeneral;
        default: return step_direction;
    }
}

bool rapid_class(int motion, double feed, double rapid_feedrate) {
    return motion == kMotionRapid || (rapid_feedrate > 0.0 && feed >= rapid_feedrate);
}

void clear_step_results(SweepResult& r, bool new_move) {
    r.volume = r.moment = 0;
    r.step_direction = kStepNone;
    r.changed = r.watched = false;
    r.rapid_interference = false;
    r.rapid_state = 0;
    r.length = r.taper = r.holder = r.attachment = r.chip = false;
    r.interference_state = 0;
    r.extent = InterferenceExtent{};
    r.cells_examined = 0;
    r.bounds.cells = CellRange{};
    if (new_move) r.bounds = ProjectedBounds{};
}

// ---- Entry ----

int sweep_at_position(Workpiece& wp, const CurrentTool& tool, const Checks& checks, const SweepStep& step,
                      KernelContext& context, SweepResult& result) {
    clear_step_results(result, starts_move(step));
    if (!wp.height.data || !wp.attribute.data || !wp.coordinate.data) return 0;
    if (tool.profile.type == kToolKegaki) {
        const bool marks = feed_move(step.motion) && !at_rapid_speed(checks, step);
        return marks ? scribe(wp, tool, step, result) : 0;
    }
    SweepCall c;
    fill_grid(c, wp, context);
    fill_switches(c, tool, checks, step, result.required);
    c.x = step.x - wp.geometry.origin_x;
    c.y = step.y - wp.geometry.origin_y;
    c.z = step.z - tool.shift;
    c.zc = c.z + tool.profile.ch;
    if (!std::isfinite(c.x) || !std::isfinite(c.y) || !std::isfinite(c.z)) return 0;
    if (c.z > wp.highest) return 0;  // nothing can be touched
    c.z_float = float(c.z);
    c.length_bound = float(c.z + tool.profile.h);
    if (!fill_box(c, checks, wp, step, result.required)) return 0;

    // The fast runs (direction recording off) cut on the calling thread alone.
    BandPool* pool = step.recording ? context.pool : nullptr;
    const std::int64_t cells =
        std::int64_t{c.last_box_row - c.first_row + 1} * std::int64_t{c.last_box_column - c.first_column + 1};
    const int bands = bands_for(pool, cells);
    if (context.partials.size() < std::size_t(bands)) context.partials.resize(std::size_t(bands));
    for (int b = 0; b < bands; ++b) {
        context.partials[b] = SweepPartial{};
        context.partials[b].required = result.required;
        context.partials[b].second_impossible = result.required.second_length < 0.0;
    }
    c.partials = context.partials.data();
    run_rows(pool, c.first_row, c.last_box_row, cells, sweep_band, &c);

    combine(c, bands, step, tool.number, result);
    if (std::any_of(context.partials.begin(), context.partials.begin() + bands,
                    [](const SweepPartial& p) { return p.pending_marks; }))
        apply_pending_marks(wp, c.first_column, c.last_box_column, c.first_row, c.last_box_row);
    if (result.changed) wp.modification_state = kModified;
    return 1;
}

void apply_pending_marks(Workpiece& wp, std::int32_t i0, std::int32_t i1, std::int32_t j0, std::int32_t j1) {
    for (std::int32_t j = j0; j <= j1; ++j)
        for (std::int32_t i = i0; i <= i1; ++i) {
            const std::int64_t cell = std::int64_t{j} * wp.geometry.nx + i;
            if (!(wp.attribute.data[cell] & kPendingMarkBit)) continue;
            wp.attribute.data[cell] &= std::uint8_t(~kPendingMarkBit);
            mark_paint_around(wp, std::int32_t(cell));
        }
}

double holder_reach(const Profile& p, double z, double raise, double highest) {
    // The nose's face is at the protrusion; a holder entirely above the material widens nothing.
    double radius = z + p.L1 + raise < highest ? p.holder_radius[0] : 0.0;
    for (int i = 1; i <= p.holder_count; ++i)
        if (z + p.holder_base[i - 1] + raise < highest) radius = p.holder_radius[i];
    return radius;
}

}  // namespace vx::sim
