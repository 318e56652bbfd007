#include "kernel_reference.h"  // beside this file: the benchmarks build it too

#include <algorithm>
#include <cmath>
#include <vector>

namespace vx::sim::testing {
namespace {

struct Hit {
    double r, height;
};

struct Cell {
    bool cut = false;
    double volume = 0, moment = 0;
};

}  // namespace

int reference_sweep(Workpiece& wp, const CurrentTool& tool, const Checks& checks, const SweepStep& step,
                    SweepResult& result) {
    // Reset.
    result.volume = result.moment = 0;
    result.step_direction = -1;
    result.changed = result.watched = result.rapid_interference = false;
    result.rapid_state = 0;
    result.length = result.taper = result.holder = result.attachment = result.chip = false;
    result.interference_state = 0;
    result.extent = InterferenceExtent{};
    result.cells_examined = 0;
    if (step.run_type == 1 || (step.run_type == 2 && step.step_number == 1)) result.bounds = ProjectedBounds{};
    result.bounds.cells = CellRange{};

    const Profile& p = tool.profile;
    const GridGeometry& g = wp.geometry;
    const double x = step.x - g.origin_x, y = step.y - g.origin_y, z = step.z - tool.shift;
    if (z > wp.highest) return 0;
    const float zf = float(z);
    // The modes by their numbers, as the rules state them.
    const int rapid_check = int(checks.rapid), arbor_check = int(checks.arbor);
    const int height_check = int(checks.height), chip_check = int(checks.chip);
    const int clearance = int(checks.tool_clearance.mode);
    const bool optimise = step.run_type == 3;
    const bool rapid_flag = optimise || (step.motion == 0 && clearance != 0 && step.recording);
    const double margin = !step.recording ? 0.0 : clearance == 2 ? checks.tool_clearance.value : p.pitch_margin;
    const bool rapid_speed = rapid_check >= 1 && (step.motion == 0 || (checks.rapid_feedrate > 0 && step.feed >= checks.rapid_feedrate));
    const bool xy_move = (step.motion == 0 || step.motion == 1) && step.dz == 0.0 && (step.plane == 17 || step.plane == -17);
    int mode = 0;
    if (xy_move && step.dy == 0.0 && step.dx != 0.0) mode = step.dx > 0 ? 1 : -1;
    if (xy_move && step.dx == 0.0 && step.dy != 0.0) mode = step.dy > 0 ? 2 : -2;
    const double k = std::trunc(x / g.pitch);
    const std::uint8_t pen = kPenCode[std::clamp(tool.pen, 0, 8)];
    RequiredValues req = result.required;
    bool impossible = req.second_length < 0.0;
    const bool neck_below = arbor_check == 1 && p.length_kind >= 2 && !impossible;

    std::vector<Cell> cells(std::size_t(g.cell_count));
    std::vector<std::int32_t> marks;
    std::vector<Hit> hits;
    std::vector<int> codes;
    bool reached = false, near = false;

    for (std::int32_t j = 0; j < g.ny; ++j) {
        for (std::int32_t i = 0; i < g.nx; ++i) {
            // The band's back edge: cells behind the previous position were swept by earlier steps.
            if (mode == 1 && i < std::ceil((x - step.dx) / g.pitch - 1e-9)) continue;
            if (mode == -1 && i > std::trunc((x - step.dx) / g.pitch + 1e-9)) continue;
            if (mode == 2 && j < std::ceil((y - step.dy) / g.pitch - 1e-9)) continue;
            if (mode == -2 && j > std::trunc((y - step.dy) / g.pitch + 1e-9)) continue;
            const std::int64_t c = std::int64_t{j} * g.nx + i;
            const double dx = x - double(i) * g.pitch, dy = y - double(j) * g.pitch;
            const bool left = i <= k;
            double ex = dx, ey = dy;
            if ((mode == 1 && left) || (mode == -1 && !left)) ex = 0.0;
            if ((mode == 2 && dy >= 0.0) || (mode == -2 && dy <= 0.0)) ey = 0.0;
            const double d2 = ex * ex + ey * ey;
            const float h = wp.height.data[c];
            const double above = double(h) - z;
            const auto neck_needs = [&] {
                if (p.length_kind != 2 && p.length_kind != 3) return;
                req.neck_length = std::max(req.neck_length, above - (neck_height(p, d2) - p.L2));
                if (impossible || !(above > p.L2)) return;
                const double w = std::sqrt(d2) - p.rb;
                if (!(w > 1e-9)) impossible = true;  // within 1e-9 mm of the blade radius: at it
                else req.second_length = std::max(req.second_length, (p.rn - p.rb) * (above - p.L2) / w);
            };
            if (!(h > zf)) {
                if (neck_below && d2 > p.rb2 && d2 <= p.rn2) neck_needs();
                continue;
            }
            if (rapid_flag) {
                const double red = std::max(0.0, std::sqrt(d2) - margin);
                if (red * red <= p.rb2) {
                    const double t = edge_height(p, red * red);
                    if (float(z + t) < h) reached = true, hits.push_back({std::sqrt(d2), t});
                    else if (optimise && float(z + t - 0.1) < h) near = true, hits.push_back({std::sqrt(d2), t});
                }
            }
            const Surface s = tool_surface(p, d2);
            double t = s.height;
            Zone zone = s.zone;
            if (zone == Zone::Beyond) {
                if (p.attachment_count == 0 || arbor_check < 2) continue;
                t = attachment_height(p, ex, ey);
            }
            if (zone == Zone::Edge && p.type == 9 && chip_check == 1 && d2 < p.e2) {
                req.centre_height = std::max(req.centre_height, double(h) - (z + p.radius_f));
                continue;
            }
            if (zone != Zone::Edge && arbor_check == 0) continue;
            if (zone != Zone::Edge && arbor_check == 1) {
                if (zone == Zone::Neck) neck_needs();
                if (zone == Zone::Holder && p.has_holder && t < kNoSurface)
                    req.protrusion = std::max(req.protrusion, above - (t - p.L1));
                continue;
            }
            if (!(t < kNoSurface)) continue;
            const float tf = float(z + t);
            if (!(tf < h)) continue;

            // The cell is cut.
            std::uint8_t a = wp.attribute.data[c];
            if (step.recording) {
                int code = 0;
                if (step.dx == 0.0 && step.dy == 0.0) code = 1;
                else {
                    const double sgn = step.dx * dy - step.dy * dx;
                    code = sgn < 0 ? 2 : sgn > 0 ? 3 : 0;
                }
                codes.push_back(code);
                const std::uint8_t bits[4] = {0x00, 0x30, 0x10, 0x20};
                a = std::uint8_t((a & 0xCF) | bits[code]);
                a = std::uint8_t((a & 0xB0) | pen);
            } else {
                a = pen;
            }
            if (has_line_layer(wp)) wp.line_number.data[c] = step.line_number;
            result.changed = true;
            if (c == step.watched_cell) result.watched = true;
            bool mark = step.paint;
            const auto flag = [&](bool& f) {
                f = true;
                mark = true;
                hits.push_back({std::sqrt(d2), t});
            };
            if (zone != Zone::Edge) {
                if (arbor_check < 3) a |= 1;
                else flag(zone == Zone::Neck ? result.taper : zone == Zone::Holder ? result.holder : result.attachment);
            } else if (rapid_speed) {
                flag(result.rapid_interference);
            } else {
                if (chip_check >= 2) {
                    if ((p.type == 5 && d2 < p.vertical_inner2) || (p.type == 9 && d2 < p.e2)) flag(result.chip);
                } else if (chip_check == 1 && p.type == 5) {
                    req.tip_width = std::max(req.tip_width, p.half - std::sqrt(d2));
                }
                if (height_check >= 2) {
                    if (h > float(z + p.h)) flag(result.length);
                } else if (height_check == 1) {
                    req.blade_length = std::max(req.blade_length, double(h) - z);
                }
            }
            if (mark) marks.push_back(std::int32_t(c));
            wp.attribute.data[c] = a;
            if (step.sum_volume) {
                double v = (double(h) - double(tf)) * g.pitch_squared;
                if (j == 0 || j == g.last_row) v *= 0.5;
                if (i == 0 || i == g.last_column) v *= 0.5;
                const double r = std::sqrt(d2);
                if (step.short_move && double(h) - double(tf) > 5.0 * step.move_length && p.rb - r < step.move_length_xy)
                    v *= (step.move_length_xy / g.pitch) * (step.move_length_xy / g.pitch);
                cells[c] = {true, v, r * v};
            }
            wp.height.data[c] = tf;
            if (!optimise && step.projection && screen_x(wp)) {
                const ScreenProjection& projection = *step.projection;
                const double X = double(i) * g.pitch, Y = double(j) * g.pitch;
                const auto px = std::int32_t(std::clamp(std::nearbyint(projection.ax * X + projection.bx * Y + projection.cx * tf + projection.dx), -32768.0, 32767.0));
                const auto py = std::int32_t(std::clamp(std::nearbyint(projection.ay * X + projection.by * Y + projection.cy * tf + projection.dy), -32768.0, 32767.0));
                screen_x(wp)[c] = std::int16_t(px);
                screen_y(wp)[c] = std::int16_t(py);
                result.bounds.min_x = std::min(result.bounds.min_x, px);
                result.bounds.max_x = std::max(result.bounds.max_x, px);
                result.bounds.min_y = std::min(result.bounds.min_y, py);
                result.bounds.max_y = std::max(result.bounds.max_y, py);
                merge_cells(result.bounds.cells, {i, j, i, j});
            }
        }
    }
    for (const std::int32_t c : marks) mark_paint_around(wp, c);

    // Sums per row: from the tool column leftward, then rightward; rows in order.
    const std::int32_t left0 = std::int32_t(std::min(k, double(g.last_column)));
    const std::int32_t right0 = std::int32_t(std::max(k + 1.0, 0.0));
    double volume = 0, moment = 0;
    for (std::int32_t j = 0; j < g.ny; ++j) {
        double rv = 0, rm = 0;
        const std::int64_t base = std::int64_t{j} * g.nx;
        for (std::int32_t i = left0; i >= 0 && k >= 0; --i)
            if (cells[base + i].cut) rv += cells[base + i].volume, rm += cells[base + i].moment;
        for (std::int32_t i = right0; i < g.nx; ++i)
            if (cells[base + i].cut) rv += cells[base + i].volume, rm += cells[base + i].moment;
        volume += rv;
        moment += rm;
    }
    result.volume = volume;
    result.moment = step.sum_volume && step.sum_moment ? moment : 0.0;

    for (const int code : codes) {
        int& s = result.step_direction;
        if (s == -1) s = code;
        else if (s == 2) s = (code == 1 || code == 2) ? 2 : 0;
        else if (s == 3) s = (code == 1 || code == 3) ? 3 : 0;
    }
    result.rapid_state = reached ? 1 : near ? 2 : 0;
    if (result.rapid_interference || result.length || result.taper || result.holder || result.attachment || result.chip)
        result.interference_state = 2;
    if (!hits.empty()) {
        Hit lo = hits[0], hi = hits[0];
        for (const Hit& hit : hits) {
            if (hit.r < lo.r || (hit.r == lo.r && hit.height < lo.height)) lo = hit;
            if (hit.r > hi.r || (hit.r == hi.r && hit.height > hi.height)) hi = hit;
        }
        result.extent = {tool.number, step.x, step.y, step.z, lo.r, lo.height, hi.r, hi.height};
    }
    if (impossible) req.second_length = -1.0;
    result.required = req;
    if (result.changed) wp.modification_state = kModified;
    return 1;
}

}  // namespace vx::sim::testing
