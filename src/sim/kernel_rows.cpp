// The row walk of the sweep kernel and what it does to each cell.
#include "sim/kernel.h"

#include <algorithm>
#include <cmath>

namespace vx::sim {
namespace {

// Within this height above the enlarged tool an optimisation run counts the tool as cutting.
constexpr double kNearMaterial = 0.1;

// Bits 4-5 for the direction codes 0 general, 1 vertical, 2 up-cut, 3 down-cut.
constexpr std::uint8_t kDirectionBits[4] = {0, kCutVertical << kCutDirectionShift, kCutUp << kCutDirectionShift,
                                            kCutDown << kCutDirectionShift};
constexpr std::uint8_t kKeptBits = 0x80;  // bit 7 survives a cut; bits 4-5 are rewritten

// A neck cell nearer the blade radius than this (mm) lies at it: the neck has no width there to
// rise over, so Lt is impossible. The distance is a square root of squared coordinate
// differences and misses an exact radius by a few 1e-16; dividing by that gave Lt of 1e15.
constexpr double kAtBladeRadius = 1e-9;

// ---- Results of one cell ----

// The arbor check's compute mode: what the neck would need to clear this cell.
void neck_required(const SweepCall& c, SweepPartial& out, double excess_over_tip, double d2) {
    const Profile& p = *c.profile;
    if (p.length_kind != kLength2 && p.length_kind != kLength3) return;
    const double rise = neck_height(p, d2) - p.L2;  // the neck surface above L2 at this distance
    out.required.neck_length = std::max(out.required.neck_length, excess_over_tip - rise);
    if (out.second_impossible || !(excess_over_tip > p.L2)) return;
    const double width = std::sqrt(d2) - p.rb;
    if (!(width > kAtBladeRadius)) {
        out.second_impossible = true;
        return;
    }
    out.required.second_length = std::max(out.required.second_length, (p.rn - p.rb) * (excess_over_tip - p.L2) / width);
}

// Compute mode: the protrusion that would put the holder surface above this cell.
void holder_required(const SweepCall& c, SweepPartial& out, double excess_over_tip, double d2) {
    const Profile& p = *c.profile;
    if (!p.has_holder) return;
    const double surface = holder_height(p, d2);
    if (surface >= kNoSurface) return;
    out.required.protrusion = std::max(out.required.protrusion, excess_over_tip - (surface - p.L1));
}

// The clearance test of rapids and optimisation runs; the cell is handled normally afterwards.
void rapid_test(const SweepCall& c, SweepPartial& out, float h, double d2) {
    double t = 0;
    if (!enlarged_edge_height(*c.profile, d2, c.rapid_margin, &t)) return;
    if (float(c.z + t) < h) out.rapid_reached = true;
    else if (c.optimise && float(c.z + t - kNearMaterial) < h) out.rapid_near = true;
    else return;
    note_extent(out.extent, out.hit, d2, t);
}

void edge_checks(const SweepCall& c, SweepPartial& out, float h, double d2, double t, bool& mark) {
    const Profile& p = *c.profile;
    if (c.rapid_speed) {
        out.rapid_interference = true;
        mark = true;
        note_extent(out.extent, out.hit, d2, t);
        return;
    }
    if (flags_hits(c.chip_check)) {
        const double inner2 = p.type == kToolVertical ? p.vertical_inner2 : p.type == kToolRadius ? p.e2 : -1.0;
        if (d2 < inner2) {
            out.chip = true;
            mark = true;
            note_extent(out.extent, out.hit, d2, t);
        }
    } else if (computes(c.chip_check) && p.type == kToolVertical) {
        out.required.tip_width = std::max(out.required.tip_width, p.half - std::sqrt(d2));
    }
    if (flags_hits(c.height_check)) {
        if (h > c.length_bound) {
            out.length = true;
            mark = true;
            note_extent(out.extent, out.hit, d2, t);
        }
    } else if (computes(c.height_check)) {
        out.required.blade_length = std::max(out.required.blade_length, double(h) - c.z);
    }
}

void zone_effects(const SweepCall& c, SweepPartial& out, Zone zone, double d2, double t, std::uint8_t& attribute,
                  bool& mark) {
    if (!flags_hits(c.arbor_check)) {
        attribute |= kPaintBit;
        return;
    }
    mark = true;
    if (zone == Zone::Neck) out.taper = true;
    else if (zone == Zone::Holder) out.holder = true;
    else out.attachment = true;
    note_extent(out.extent, out.hit, d2, t);
}

void refresh_screen(const SweepCall& c, SweepPartial& out, std::int64_t cell, std::int32_t i, std::int32_t j, float t) {
    refresh_cell_screen(*c.projection, c.coordinate[i], c.coordinate[j], t, c.screen_x, c.screen_y, cell, i, j, out.bounds);
}

// Hot values of one band's walk, copied out of the call: attribute bytes are char stores and
// may alias anything reachable through a pointer, so nothing the loop reads lives behind one.
struct Walk {
    const SweepCall& c;
    SweepPartial& out;
    const Profile& p;
    float* height;
    std::uint8_t* attribute;
    std::int32_t* line;
    const double* coordinate;
    std::int64_t nx;
    std::int32_t last_column;
    double x, z, stop2, rb2, rn2, move_x, move_y;
    float z_float;
    std::int64_t watched_cell;
    std::int32_t line_number;
    std::uint8_t pen_code;
    bool recording, vertical, paint, sum_volume, volume_extras, project, neck_below_tip, rapid_flag;
    bool edge_checks;  // any check inside the cutting edge
    bool outer_zones;  // the zones outside the cutting edge take part
    bool centre_flat;  // radius mill measuring its centre flat
    bool plain;        // none of the above beyond the cutting edge itself
    // Results kept in registers, written back per band.
    unsigned codes = 0;
    bool changed = false, watched = false, pending = false;
    std::int64_t examined = 0;
    // Band modes repeat one distance along a half-row: its edge height is kept.
    double memo_d2 = -1.0, memo_t = 0.0;

    Walk(const SweepCall& call, SweepPartial& partial)
        : c(call), out(partial), p(*call.profile), height(call.height), attribute(call.attribute), line(call.line),
          coordinate(call.coordinate), nx(call.nx), last_column(call.last_column), x(call.x), z(call.z),
          stop2(call.stop2), rb2(call.profile->rb2), rn2(call.profile->rn2), move_x(call.move_x), move_y(call.move_y),
          z_float(call.z_float), watched_cell(call.watched_cell), line_number(call.line_number),
          pen_code(call.pen_code), recording(call.recording), vertical(call.vertical), paint(call.paint),
          sum_volume(call.sum_volume), volume_extras(call.short_move || call.sum_moment),
          project(!call.optimise && call.projection), neck_below_tip(call.neck_below_tip),
          rapid_flag(call.rapid_flag),
          edge_checks(call.rapid_speed || checked(call.chip_check) || checked(call.height_check)),
          outer_zones(checked(call.arbor_check)),
          centre_flat(call.profile->type == kToolRadius && computes(call.chip_check)),
          plain(!rapid_flag && !edge_checks && !outer_zones && !centre_flat && !neck_below_tip && !project &&
                !volume_extras) {}
};

struct RowState {
    std::int32_t j;
    double dy;          // true Y offset of the row from the tool
    double area;        // cell area factor of the row
    double row_volume;  // walk order: left half outward, then right half outward
    double row_moment;
};

double volume_term(const SweepCall& c, RowState& row, std::int32_t i, float h, float t, double d2) {
    const double depth = double(h) - double(t);
    double v = depth * row.area * (i == 0 || i == c.last_column ? 0.5 : 1.0);
    if (c.short_move || c.sum_moment) {
        const double r = std::sqrt(d2);
        if (c.short_move && depth > 5.0 * c.move_length && c.profile->rb - r < c.move_length_xy) {
            const double f = c.move_length_xy / c.pitch;
            v *= f * f;
        }
        row.row_moment += r * v;
    }
    return v;
}

// A cell above the tip that the tool lowers to t (above the tip by t_rel, zone `zone`).
[[gnu::always_inline]] inline void cut_cell(Walk& w, RowState& row, std::int64_t cell, std::int32_t i, float h,
                                            float t, double t_rel, Zone zone, double d2, double dx) {
    std::uint8_t a = w.attribute[cell];
    if (w.recording) {
        int code = kStepVertical;
        if (!w.vertical) {
            const double s = w.move_x * row.dy - w.move_y * dx;
            code = s < 0.0 ? kStepUpCut : s > 0.0 ? kStepDownCut : kStepGeneral;
        }
        w.codes |= 1u << code;
        a = std::uint8_t((a & kKeptBits) | kDirectionBits[code] | w.pen_code);
    } else {
        a = w.pen_code;
    }
    if (w.line) w.line[cell] = w.line_number;
    w.changed = true;
    if (cell == w.watched_cell) w.watched = true;
    bool mark = w.paint;
    if (zone != Zone::Edge) zone_effects(w.c, w.out, zone, d2, t_rel, a, mark);
    else if (w.edge_checks) edge_checks(w.c, w.out, h, d2, t_rel, mark);
    if (mark) {
        a |= kPendingMarkBit;
        w.pending = true;
    }
    w.attribute[cell] = a;
    if (w.sum_volume) {
        if (w.volume_extras) row.row_volume += volume_term(w.c, row, i, h, t, d2);
        else row.row_volume += (double(h) - double(t)) * row.area * (i == 0 || i == w.last_column ? 0.5 : 1.0);
    }
    w.height[cell] = t;
    if (w.project) refresh_screen(w.c, w.out, cell, i, row.j, t);
}

// The zones outside the cutting edge: false when the cell is not cut there (out of every zone, a
// compute mode that only measures, no surface); else the zone and its height above the tip.
[[gnu::noinline]] bool outer_surface(const SweepCall& c, SweepPartial& out, float h, double d2, double dx_eff,
                                     double dy_eff, double* t_rel, Zone* zone) {
    const Profile& p = *c.profile;
    if (d2 <= p.rn2) {
        if (computes(c.arbor_check)) {
            neck_required(c, out, double(h) - c.z, d2);
            return false;
        }
        *zone = Zone::Neck;
        *t_rel = neck_height(p, d2);
    } else if (d2 <= p.outer2) {
        if (computes(c.arbor_check)) {
            holder_required(c, out, double(h) - c.z, d2);
            return false;
        }
        *zone = Zone::Holder;
        *t_rel = holder_height(p, d2);
    } else if (p.attachment_count > 0 && cuts_with_shapes(c.arbor_check)) {
        *zone = Zone::Beyond;
        *t_rel = attachment_height(p, dx_eff, dy_eff);
    } else {
        return false;
    }
    return *t_rel < kNoSurface;
}

// Everything the rules do to one cell above the tip at squared distance d2.
[[gnu::always_inline]] inline void above_tip_cell(Walk& w, RowState& row, std::int64_t cell, std::int32_t i, float h,
                                                  double d2, double dx_eff, double dy_eff, double dx) {
    if (w.rapid_flag) rapid_test(w.c, w.out, h, d2);
    if (!(d2 <= w.rb2)) {
        double t_rel;
        Zone zone;
        if (!w.outer_zones || !outer_surface(w.c, w.out, h, d2, dx_eff, dy_eff, &t_rel, &zone)) return;
        const float t = float(w.z + t_rel);
        if (t < h) cut_cell(w, row, cell, i, h, t, t_rel, zone, d2, dx);
        return;
    }
    if (d2 != w.memo_d2) {
        w.memo_d2 = d2;
        w.memo_t = edge_height(w.p, d2);
    }
    const double t_rel = w.memo_t;
    if (w.centre_flat && d2 < w.p.e2) {
        // Cells of the centre flat are measured, not cut, while the centre height is computed.
        w.out.required.centre_height = std::max(w.out.required.centre_height, double(h) - (w.z + w.p.radius_f));
        return;
    }
    const float t = float(w.z + t_rel);
    if (t < h) cut_cell(w, row, cell, i, h, t, t_rel, Zone::Edge, d2, dx);
}

// The common case of a half-row in its own loop: nothing but the cutting edge takes part (no
// zone, check, clearance test, centre flat, screen refresh or volume extras), every value the
// loop reads sits in a local, and the results are written back once.
// One instance per edge form and direction recording, so the cell loop carries no branch on them.
template <EdgeForm kForm, bool kRecording, bool kVertical>
[[gnu::noinline]] void plain_half_row_of(Walk& w, RowState& row, std::int32_t start, std::int32_t end, int step, bool use_dx,
                       double dy2) {
    const std::int64_t base = std::int64_t{row.j} * w.nx;
    float* const height = w.height + base;
    std::uint8_t* const attribute = w.attribute + base;
    std::int32_t* const line = w.line ? w.line + base : nullptr;
    const double* const X = w.coordinate;
    const Profile& p = w.p;
    const double R2 = p.R2, ch = p.ch;
    // Far above the rounding of z + (ch - root), a few ulps of the magnitudes involved.
    const double clear_margin = 1e-9 * (1.0 + std::fabs(w.z) + std::fabs(ch));
    const float zf = w.z_float;
    const double x = w.x, z = w.z, stop2 = w.stop2, rb2 = w.rb2, dy = row.dy;
    const double move_x = w.move_x, move_y = w.move_y, area = row.area;
    const bool volume = w.sum_volume, paint = w.paint;
    const std::uint8_t pen = w.pen_code, mark_bit = paint ? kPendingMarkBit : 0;
    const std::int32_t line_number = w.line_number, last_column = w.last_column;
    const std::int64_t watched = w.watched_cell - base;
    // Without XY movement or along a row's own distance the edge height is the same cell to cell.
    double fixed_t = 0.0;
    bool fixed = false;
    unsigned codes = 0;
    bool changed = false, hit_watched = false;
    double sum = row.row_volume;  // one running sum along the row, as the other path keeps it
    std::int32_t i = start;
    for (;; i += step) {
        const float h = height[i];
        if (h > zf) {
            const double dx = x - X[i];
            const double dx_eff = use_dx ? dx : 0.0;
            const double d2 = dx_eff * dx_eff + dy2;
            if (d2 > stop2) break;
            if (d2 <= rb2) {
                double t_rel;
                bool reachable = true;
                if constexpr (kForm == EdgeForm::Flat) {
                    t_rel = 0.0;
                } else if constexpr (kForm == EdgeForm::Ball) {
                    t_rel = ch;
                    if (d2 < R2) {
                        // A ball surface that stays clear of the cell by the margin needs no root:
                        // R² - d² < q² means the surface lies above the cell, whatever the rounding.
                        const double a = R2 - d2, q = z + ch - double(h) - clear_margin;
                        if (q > 0.0 && a < q * q) reachable = false;
                        else t_rel = ch - std::sqrt(a);
                    }
                } else if (use_dx) {
                    t_rel = edge_height(p, d2);
                } else {
                    if (!fixed) fixed_t = edge_height(p, d2), fixed = true;
                    t_rel = fixed_t;
                }
                const float t = float(z + t_rel);
                if (reachable && t < h) {
                    std::uint8_t a = pen;
                    if constexpr (kRecording) {
                        int code = kStepVertical;
                        if constexpr (!kVertical) {
                            const double s = move_x * dy - move_y * dx;
                            code = s < 0.0 ? kStepUpCut : s > 0.0 ? kStepDownCut : kStepGeneral;
                        }
                        codes |= 1u << code;
                        a = std::uint8_t((attribute[i] & kKeptBits) | kDirectionBits[code] | pen);
                    }
                    attribute[i] = std::uint8_t(a | mark_bit);
                    if (line) line[i] = line_number;
                    changed = true;
                    hit_watched |= i == watched;
                    if (volume) sum += (double(h) - double(t)) * area * (i == 0 || i == last_column ? 0.5 : 1.0);
                    height[i] = t;
                }
            }
        }
        if (i == end) break;
    }
    row.row_volume = sum;
    w.codes |= codes;
    w.changed |= changed;
    w.watched |= hit_watched;
    w.pending |= changed && paint;
    w.examined += std::int64_t(i - start) * step + 1;
}

template <EdgeForm kForm>
void plain_half_row_form(Walk& w, RowState& row, std::int32_t start, std::int32_t end, int step, bool use_dx,
                         double dy2) {
    if (!w.recording) plain_half_row_of<kForm, false, false>(w, row, start, end, step, use_dx, dy2);
    else if (w.vertical) plain_half_row_of<kForm, true, true>(w, row, start, end, step, use_dx, dy2);
    else plain_half_row_of<kForm, true, false>(w, row, start, end, step, use_dx, dy2);
}

void plain_half_row(Walk& w, RowState& row, std::int32_t start, std::int32_t end, int step, bool use_dx, double dy2) {
    switch (w.p.form) {
        case EdgeForm::Flat: return plain_half_row_form<EdgeForm::Flat>(w, row, start, end, step, use_dx, dy2);
        case EdgeForm::Ball: return plain_half_row_form<EdgeForm::Ball>(w, row, start, end, step, use_dx, dy2);
        default: return plain_half_row_form<EdgeForm::General>(w, row, start, end, step, use_dx, dy2);
    }
}

// Walks one half-row from `start` by `step` (-1 left, +1 right) up to `end` inclusive. With
// use_dx false the cells use only the row's distance (band modes); dy2 is the row's part.
[[gnu::always_inline]] inline void walk_half_row(Walk& w, RowState& row, std::int32_t start, std::int32_t end,
                                                 int step, bool use_dx, double dy2, double dy_eff) {
    if ((end - start) * step < 0) return;
    if (w.plain) return plain_half_row(w, row, start, end, step, use_dx, dy2);
    const std::int64_t base = std::int64_t{row.j} * w.nx;
    const float zf = w.z_float;
    const double x = w.x, stop2 = w.stop2;
    std::int32_t i = start;
    for (;; i += step) {
        const std::int64_t cell = base + i;
        const float h = w.height[cell];
        if (h > zf) {
            const double dx = x - w.coordinate[i];
            const double dx_eff = use_dx ? dx : 0.0;
            const double d2 = dx_eff * dx_eff + dy2;
            if (d2 > stop2) break;
            above_tip_cell(w, row, cell, i, h, d2, dx_eff, dy_eff, dx);
        } else if (w.neck_below_tip) {
            const double dx_eff = use_dx ? x - w.coordinate[i] : 0.0;
            const double d2 = dx_eff * dx_eff + dy2;
            if (d2 > w.rb2 && d2 <= w.rn2) neck_required(w.c, w.out, double(h) - w.z, d2);
        }
        if (i == end) break;
    }
    w.examined += std::int64_t(i - start) * step + 1;
}

}  // namespace

void sweep_rows(const SweepCall& c, int band, std::int32_t first_row, std::int32_t last_row) {
    SweepPartial& out = c.partials[band];
    Walk w(c, out);
    const bool left_dx = c.band_mode != 1, right_dx = c.band_mode != -1;
    for (std::int32_t j = first_row; j <= last_row; ++j) {
        RowState row{j, c.y - c.coordinate[j], c.pitch_squared * (j == 0 || j == c.last_row ? 0.5 : 1.0), 0.0, 0.0};
        const bool use_dy = !((c.band_mode == 2 && row.dy >= 0.0) || (c.band_mode == -2 && row.dy <= 0.0));
        const double dy_eff = use_dy ? row.dy : 0.0;
        const double dy2 = dy_eff * dy_eff;
        walk_half_row(w, row, c.left_start, c.first_column, -1, left_dx, dy2, dy_eff);
        walk_half_row(w, row, c.right_start, c.last_box_column, +1, right_dx, dy2, dy_eff);
        c.row_volume[j] = row.row_volume;
        c.row_moment[j] = row.row_moment;
    }
    out.direction_codes |= w.codes;
    out.changed |= w.changed;
    out.watched |= w.watched;
    out.pending_marks |= w.pending;
    out.cells_examined += w.examined;
}

}  // namespace vx::sim
