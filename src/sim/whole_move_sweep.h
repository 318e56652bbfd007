// The band and cell machinery of the whole-move step: the path's segment in grid coordinates,
// the span of a band on each row, and the lowering of one cell with the layers and zone effects
// of the kernel. A rule (one per kind of move) says which cells a band reaches and what lies
// lowest over them; sweep_band walks the band's rows and hands each cell to the rule.
#pragma once

#include "sim/kernel.h"
#include "sim/profile.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#if defined(__SSE2__)
#include <immintrin.h>
#endif

namespace vx::sim::envelope {

// ---- The straight band ----

// The segment A..B in grid coordinates with what the distance rule needs.
struct Segment {
    double ax, ay, bx, by;
    double dx, dy, length2, length;
    double nx, ny;  // unit normal
};

Segment make_segment(double ax, double ay, double bx, double by);

// Squared distance of (X, Y) from the swept path: perpendicular over the segment, to B beyond
// it; false behind A (the tool at A belongs to the previous move).
bool path_distance2(const Segment& s, double X, double Y, double* d2);

void include(double x, double* lo, double* hi);

void include_disc(double cx, double cy, double r, double Y, double* lo, double* hi);

// The part of the disc of radius r at B beyond B along the segment, on the line at Y.
void include_front_half(const Segment& s, double r, double Y, double* lo, double* hi);

// Which parts of the end discs belong to a band beside the segment's strip of half width r.
enum class Ends { B, AAndB, FrontOfB };

// X range of the band on the line at Y; false when the line misses it.
bool band_span(const Segment& s, double r, Ends ends, double Y, double* lo, double* hi);

// The lowest tool surface over a cell: the tip height where it is reached, the surface above the
// tip there, its zone and the squared horizontal distance from the axis.
struct Cut {
    double tip;
    Surface surface;
    double d2;
};

// ---- Cells ----

// The per-move state of the cell rule, copied out of the records once.
struct Sweep {
    Workpiece& wp;
    const Profile& p;
    double z = 0;
    float z_float = 0;
    double radius2 = 0;
    std::uint8_t pen_code = 0;
    std::int32_t line_number = 0;
    bool paint = false, outer_zones = false, rapid_speed = false, flag_zones = false, project = false;
    const ScreenProjection* projection = nullptr;
    SweepResult& result;
    bool hit = false, pending = false;
    BandPool* pool = nullptr;  // the parallel bands for a move with much work, none: one thread
};

void refresh_screen(Sweep& s, std::int64_t cell, std::int32_t i, std::int32_t j, float t);

// Rules that decide the reach themselves while comparing with the cell (`cut_below`).
template <class Rule>
constexpr bool kTestsReach = requires(const Rule& rule, Cut* cut) { rule.cut_below(0.0, 0.0, 0.0, 0.0, cut); };

// One reached cell: lowered when the lowest surface over it is below it.
template <class Rule>
void lower_cell(Sweep& s, const Rule& rule, std::int32_t i, std::int32_t j, double X, double Y, double d2) {
    const std::int64_t cell = std::int64_t{j} * s.wp.geometry.nx + i;
    const float h = s.wp.height.data[cell];
    if (!(h > s.z_float)) return;
    Cut cut;
    if constexpr (kTestsReach<Rule>) {
        if (!rule.cut_below(X, Y, d2, h, &cut)) return;
    } else {
        cut = rule.lowest(X, Y, d2);
    }
    const Surface surface = cut.surface;
    if (surface.height >= kNoSurface) return;
    const float t = float(cut.tip + surface.height);
    if (!(t < h)) return;
    d2 = cut.d2;
    std::uint8_t a = s.pen_code;
    bool mark = s.paint;
    if (surface.zone != Zone::Edge) {
        if (!s.flag_zones) {
            a |= kPaintBit;
        } else {
            mark = true;
            if (surface.zone == Zone::Neck) s.result.taper = true;
            else s.result.holder = true;
            note_extent(s.result.extent, s.hit, d2, surface.height);
        }
    } else if (s.rapid_speed) {
        mark = true;
        s.result.rapid_interference = true;
        note_extent(s.result.extent, s.hit, d2, surface.height);
    }
    // A neighbour lowered later would overwrite the mark: it is set after the sweep.
    if (mark) a |= kPendingMarkBit, s.pending = true;
    s.wp.attribute.data[cell] = a;
    if (s.wp.line_number.data) s.wp.line_number.data[cell] = s.line_number;
    s.wp.height.data[cell] = t;
    s.result.changed = true;
    if (s.project) refresh_screen(s, cell, i, j, t);
}


// The first of cells i..i1 of `heights` that lies above `tip`; i1 + 1 when none does. A cell
// above the tip is mostly followed by more, so the first is tested alone; past it, eight at a
// time while none is above, where the processor compares four floats at once: one test and no
// branch per cell (the compiler does not find this by itself).
inline std::int32_t next_above(const float* heights, std::int32_t i, std::int32_t i1, float tip) {
    if (i > i1 || heights[i] > tip) return i;
    ++i;
#if defined(__SSE2__)
    const __m128 t = _mm_set1_ps(tip);
    for (; i + 7 <= i1; i += 8) {
        const __m128 low = _mm_cmpgt_ps(_mm_loadu_ps(heights + i), t);
        const __m128 high = _mm_cmpgt_ps(_mm_loadu_ps(heights + i + 4), t);
        if (_mm_movemask_ps(_mm_or_ps(low, high)) != 0) break;
    }
#endif
    while (i <= i1 && !(heights[i] > tip)) ++i;
    return i;
}

// Grid index range ceil(lo / p) .. trunc(hi / p) clamped to 0..last; false when empty.
bool index_range(double lo, double hi, double pitch, std::int32_t last, std::int32_t* first, std::int32_t* end);

// Column ranges of one row of a band: a convex band has at most one, an arc's band two (on
// either side of the hole of its annulus).
struct RowSpans {
    static constexpr int kMax = 2;
    double lo[kMax], hi[kMax];
    int count = 0;

    void add(double a, double b) {
        if (a <= b) lo[count] = a, hi[count] = b, ++count;
    }
};

// The band of a straight move: its rows and, per row, the span of the strip and end discs.
// Convex: a row's reached cells are one run.
struct SegmentBand {
    static constexpr bool kConvex = true;
    const Segment& seg;
    double r;
    Ends ends;

    void rows(double* lo, double* hi) const {
        *lo = std::min(seg.ay, seg.by) - r;
        *hi = std::max(seg.ay, seg.by) + r;
    }
    void spans(double Y, RowSpans* out) const {
        double lo, hi;
        if (band_span(seg, r, ends, Y, &lo, &hi)) out->add(lo, hi);
    }
};

// The band of an arc: the annulus the tool sweeps about the centre (the arc's radius less and
// plus the reach), within the box of the arc's points widened by the reach. A part turn leaves
// most of the annulus unswept, and a row crosses it twice where it passes the hole, so the band
// is not convex.
struct ArcBand {
    static constexpr bool kConvex = false;
    double cx, cy, inner, outer;  // the annulus' radii; inner 0 when the tool reaches the centre
    double x0, y0, x1, y1;        // the box

    void rows(double* lo, double* hi) const {
        *lo = std::max(cy - outer, y0);
        *hi = std::min(cy + outer, y1);
    }
    void spans(double Y, RowSpans* out) const {
        const double ey2 = (Y - cy) * (Y - cy);
        if (ey2 > outer * outer) return;
        const double o = std::sqrt(outer * outer - ey2);
        if (!(ey2 < inner * inner)) {
            out->add(std::max(cx - o, x0), std::min(cx + o, x1));
            return;
        }
        const double h = std::sqrt(inner * inner - ey2);
        out->add(std::max(cx - o, x0), std::min(cx - h, x1));
        out->add(std::max(cx + h, x0), std::min(cx + o, x1));
    }
};

// The cells i0..i1 of row j: all of them when the band is the rule's exact reach or not convex,
// else until a run of reached cells has ended (nothing further along the row is reached then).
template <bool kConvex, class Rule>
void sweep_span(Sweep& s, const Rule& rule, std::int32_t i0, std::int32_t i1, std::int32_t j, double Y) {
    const double* coordinate = s.wp.coordinate.data;
    std::int32_t i = i0;
    if constexpr (kTestsReach<Rule>) {
        // Most cells of a move's band lie below its lowest tip: a tight scan over the row passes
        // them by, with the row and the tip in registers (every byte lower_cell stores could
        // alias the records, which would reload them for each cell).
        const float* heights = s.wp.height.data + std::int64_t{j} * s.wp.geometry.nx;
        const float tip = s.z_float;
        for (i = next_above(heights, i, i1, tip); i <= i1; i = next_above(heights, i + 1, i1, tip))
            lower_cell(s, rule, i, j, coordinate[i], Y, 0.0);
    } else {
        bool reached = false;
        for (; i <= i1; ++i) {
            double d2;
            if (!rule.reaches(coordinate[i], Y, &d2)) {
                if (kConvex && reached) break;
                continue;
            }
            reached = true;
            lower_cell(s, rule, i, j, coordinate[i], Y, d2);
        }
    }
    // Counted per span: a counter in the result, stored per cell, would be reloaded after every
    // byte written into the attribute layer.
    s.result.cells_examined += i - i0;
}

// Rows j0..j1 of the band, each span of a row handed to the rule, which says which cells are
// reached and what lies lowest over them. Widens mark_i0..mark_i1 to the columns spanned.
template <class Band, class Rule>
void sweep_band_rows(Sweep& s, const Band& band, const Rule& rule, std::int32_t j0, std::int32_t j1,
                     std::int32_t& mark_i0, std::int32_t& mark_i1) {
    const GridGeometry& g = s.wp.geometry;
    for (std::int32_t j = j0; j <= j1; ++j) {
        const double Y = s.wp.coordinate.data[j];
        RowSpans spans;
        band.spans(Y, &spans);
        for (int k = 0; k < spans.count; ++k) {
            std::int32_t i0, i1;
            if (!index_range(spans.lo[k], spans.hi[k], g.pitch, g.last_column, &i0, &i1)) continue;
            mark_i0 = std::min(mark_i0, i0);
            mark_i1 = std::max(mark_i1, i1);
            sweep_span<Band::kConvex>(s, rule, i0, i1, j, Y);
        }
    }
}

// The cells the spans of rows j0..j1 hold: the work the move would hand to the bands.
template <class Band>
std::int64_t band_cells(const Band& band, const GridGeometry& g, const double* coordinate, std::int32_t j0,
                        std::int32_t j1) {
    std::int64_t cells = 0;
    for (std::int32_t j = j0; j <= j1; ++j) {
        RowSpans spans;
        band.spans(coordinate[j], &spans);
        for (int k = 0; k < spans.count; ++k) {
            std::int32_t i0, i1;
            if (index_range(spans.lo[k], spans.hi[k], g.pitch, g.last_column, &i0, &i1)) cells += i1 - i0 + 1;
        }
    }
    return cells;
}

// What one of the parallel bands of a move collects; combined after the wait.
struct BandShare {
    SweepResult result;
    bool hit = false, pending = false;
    std::int32_t mark_i0 = INT32_MAX, mark_i1 = -1;  // none until the band spans a row
};

// `s` with its results going to `share` instead.
Sweep sweep_for_share(const Sweep& s, BandShare& share);

// Adds a band's share to the move's results: flags and extremes only, so the order of the
// bands does not matter and the results equal one thread's.
void combine_share(Sweep& s, const BandShare& share, std::int32_t& mark_i0, std::int32_t& mark_i1);

template <class Band, class Rule>
struct BandedMove {
    const Sweep& s;
    const Band& band;
    const Rule& rule;
    BandShare* shares;

    static void run(void* context, int b, std::int32_t first_row, std::int32_t last_row) {
        const BandedMove& m = *static_cast<const BandedMove*>(context);
        BandShare& share = m.shares[b];
        Sweep own = sweep_for_share(m.s, share);
        if constexpr (requires { Rule::kCopiedPerBand; }) {
            const Rule own_rule = m.rule;  // it keeps what it found for later cells
            sweep_band_rows(own, m.band, own_rule, first_row, last_row, share.mark_i0, share.mark_i1);
        } else {
            sweep_band_rows(own, m.band, m.rule, first_row, last_row, share.mark_i0, share.mark_i1);
        }
        share.hit = own.hit;
        share.pending = own.pending;
    }
};

// Every row of the band, split over the parallel bands when the move's cells pay for them; the
// paint marks are set after all rows are swept.
template <class Band, class Rule>
void sweep_band(Sweep& s, const Band& band, const Rule& rule) {
    const GridGeometry& g = s.wp.geometry;
    double row_lo, row_hi;
    band.rows(&row_lo, &row_hi);
    std::int32_t j0, j1;
    if (!index_range(row_lo, row_hi, g.pitch, g.last_row, &j0, &j1)) return;
    std::int32_t mark_i0 = g.last_column, mark_i1 = 0;
    const bool may_split = bands_for(s.pool, INT64_MAX) > 1;
    const std::int64_t cells = may_split ? band_cells(band, g, s.wp.coordinate.data, j0, j1) : 0;
    const int bands = bands_for(s.pool, cells);
    if (bands == 1) {
        sweep_band_rows(s, band, rule, j0, j1, mark_i0, mark_i1);
    } else {
        // Once per move that pays for the bands: small against its work.
        const auto shares = std::make_unique<BandShare[]>(std::size_t(bands));
        BandedMove<Band, Rule> move{s, band, rule, shares.get()};
        run_rows(s.pool, j0, j1, cells, BandedMove<Band, Rule>::run, &move);
        for (int b = 0; b < bands; ++b) combine_share(s, shares[b], mark_i0, mark_i1);
    }
    if (s.pending && mark_i0 <= mark_i1) apply_pending_marks(s.wp, mark_i0, mark_i1, j0, j1);
}

}  // namespace vx::sim::envelope
