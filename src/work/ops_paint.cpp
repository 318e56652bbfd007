// The operations on the attribute bytes: paint all, strip the paint or a pen, the emphasis of a
// pen or the paint, the difference paint against the basic model; and the removed-volume text.
#include "work/operations.h"

#include "base/constants.h"
#include "platform/platform.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace vx::work {
namespace {

constexpr platform::TextPair kTextCubicMm{"%.3f (立法mm)", "%.3f (Cubic mm)"};
constexpr platform::TextPair kTextCubicM{"%f (立方m)", "%f (Cubic m)"};
constexpr platform::TextPair kTextCheckingDifference{"差分計算中", "Checking of Difference"};
constexpr double kCubicMetresPerCubicMm = 1e-9;
constexpr int kAllPens = 8;

int pen_of(std::uint8_t attribute) { return (attribute & sim::kPenMask) >> sim::kPenShift; }

// Whether a cell carries the colour: pen 1..7, or 0 for the paint bit.
bool carries(std::uint8_t attribute, int pen) {
    return pen == 0 ? (attribute & sim::kPaintBit) != 0 : pen_of(attribute) == pen;
}

void give(std::uint8_t& attribute, int pen) {
    if (pen == 0) attribute |= sim::kPaintBit;
    else attribute = static_cast<std::uint8_t>((attribute & ~sim::kPenMask) | (pen << sim::kPenShift));
}

void take(std::uint8_t& attribute, int pen) {
    attribute &= static_cast<std::uint8_t>(pen == 0 ? ~sim::kPaintBit : ~sim::kPenMask);
}

template <class Edit>
int edit_attributes(sim::Workpiece& wp, Edit edit) {
    if (!sim::has_workpiece(wp)) return kOpNothing;
    backup_before_operation(wp);
    for (std::int64_t k = 0; k < wp.geometry.cell_count; ++k) edit(wp.attribute.data[k]);
    return kOpDone;
}

// Gives the colour to every cell within `width` (horizontal distance and height difference) of a
// marked cell, the reach in cells trunc(width / pitch), at least 1.
void widen(sim::Workpiece& wp, const std::vector<std::uint8_t>& marked, int pen, double width) {
    const sim::GridGeometry& g = wp.geometry;
    const std::int32_t reach = std::max(1, static_cast<std::int32_t>(width / g.pitch));
    const double w2 = width * width;
    for (std::int32_t j = 0; j < g.ny; ++j)
        for (std::int32_t i = 0; i < g.nx; ++i) {
            const std::int64_t c = std::int64_t{j} * g.nx + i;
            if (!marked[c]) continue;
            const double h = wp.height.data[c];
            for (std::int32_t q = std::max(0, j - reach); q <= std::min(g.last_row, j + reach); ++q)
                for (std::int32_t p = std::max(0, i - reach); p <= std::min(g.last_column, i + reach); ++p) {
                    const std::int64_t t = std::int64_t{q} * g.nx + p;
                    const double dz = wp.height.data[t] - h;
                    const double d2 = double((p - i) * (p - i) + (q - j) * (q - j)) * g.pitch_squared + dz * dz;
                    if (d2 <= w2) give(wp.attribute.data[t], pen);
                }
        }
}

// The cells where the workpiece differs from the basic model by more than the margin.
std::vector<std::uint8_t> difference_marks(const sim::Workpiece& wp, const DifferenceOptions& o) {
    const std::int64_t cells = wp.geometry.cell_count;
    const float* model = wp.basic_model.data;
    std::vector<std::uint8_t> exists(cells), marked(cells, 0);
    for (std::int64_t k = 0; k < cells; ++k) exists[k] = model[k] != kNoMaterial;
    std::vector<float> compared(model, model + cells);
    if (o.normal && o.margin > 0.0)
        offset_rows(model, exists.data(), compared.data(), wp.geometry, kOffsetNormal, o.plus ? o.margin : -o.margin, 0,
                    wp.geometry.last_row);
    const double margin = o.normal ? 0.0 : o.margin;
    for (std::int64_t k = 0; k < cells; ++k) {
        if (!exists[k]) continue;
        const double h = wp.height.data[k];
        marked[k] = o.plus ? h > compared[k] + margin : h < compared[k] - margin;
    }
    return marked;
}

}  // namespace

int paint_all(sim::Workpiece& wp) {
    return edit_attributes(wp, [](std::uint8_t& a) { a |= sim::kPaintBit; });
}

int strip_paint(sim::Workpiece& wp) {
    return edit_attributes(wp, [](std::uint8_t& a) { take(a, 0); });
}

int strip_pen(sim::Workpiece& wp, int pen) {
    if (pen < 1 || pen > kAllPens) return kOpRefused;
    return edit_attributes(wp, [pen](std::uint8_t& a) {
        if (pen == kAllPens || pen_of(a) == pen) take(a, 1);
    });
}

int emphasise(sim::Workpiece& wp, int pen, double width) {
    if (pen < 0 || pen > 7 || !(width > 0.0)) return kOpRefused;
    if (!sim::has_workpiece(wp)) return kOpNothing;
    backup_before_operation(wp);
    std::vector<std::uint8_t> marked(wp.geometry.cell_count);
    for (std::int64_t k = 0; k < wp.geometry.cell_count; ++k) marked[k] = carries(wp.attribute.data[k], pen);
    widen(wp, marked, pen, width);
    return kOpDone;
}

int difference_paint(sim::Workpiece& wp, const DifferenceOptions& o) {
    if (o.colour < 0 || o.colour > 7 || !(o.margin >= 0.0)) return kOpRefused;
    if (!sim::has_workpiece(wp) || !wp.basic_loaded || wp.basic_model.data == nullptr) return kOpNothing;
    backup_before_operation(wp);
    platform::progress_begin(platform::text(kTextCheckingDifference), wp.geometry.cell_count);
    const std::vector<std::uint8_t> marked = difference_marks(wp, o);
    platform::progress_end();
    for (std::int64_t k = 0; k < wp.geometry.cell_count; ++k) {
        std::uint8_t& a = wp.attribute.data[k];
        if (marked[k]) give(a, o.colour);
        else if (!o.keep_colour && carries(a, o.colour)) take(a, o.colour);
    }
    if (o.width > 0.0) widen(wp, marked, o.colour, o.width);
    wp.modification_state = sim::kModified;
    return kOpDone;
}

std::string volume_text(double volume_mm3, bool cubic_metres) {
    char text[96];
    const std::string format(platform::text(cubic_metres ? kTextCubicM : kTextCubicMm));
    std::snprintf(text, sizeof text, format.c_str(), cubic_metres ? volume_mm3 * kCubicMetresPerCubicMm : volume_mm3);
    return text;
}

}  // namespace vx::work
