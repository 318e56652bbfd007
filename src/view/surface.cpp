#include "view/surface.h"

#include <algorithm>
#include <array>
#include <bit>
#include <climits>
#include <cstdlib>

namespace vx::view {
namespace {

__extension__ typedef __int128 Wide;  // edge products of coordinates near the int32 limits

// Up to this magnitude every edge product of the fills fits in 64 bits: differences stay below
// 2^29 and doubled offsets below 2^30, so products stay below 2^60. Beyond it the fills take
// 128-bit arithmetic, which only absurd projections reach.
constexpr std::int64_t kFastCoordinate = std::int64_t(1) << 28;

// Convex polygons whose clipped box is at most this wide are filled by testing every pixel of
// the box against the edges (no division at all); wider ones by spans per row (two divisions
// per row). Small cells dominate a workpiece picture, so the box test is the hot one.
constexpr int kBoxTestWidth = 16;

constexpr int kMaxPenWidth = 64;  // keeps a stamp's cost bounded whatever the caller asks

// ---- Integer helpers ----

template <class T>
T ceil_div(T a, T b) {  // b > 0
    T q = a / b;
    if (a % b != 0 && a > 0) ++q;
    return q;
}

template <class T>
std::int32_t clamp_to(T v, std::int32_t lo, std::int32_t hi) {
    return v < lo ? lo : v > hi ? hi : std::int32_t(v);
}

Rect effective_clip(const Surface& s) {
    return {std::max(s.clip.left, 0), std::max(s.clip.top, 0), std::min(s.clip.right, s.width),
            std::min(s.clip.bottom, s.height)};
}

bool empty(const Rect& r) { return r.left >= r.right || r.top >= r.bottom; }

bool fast_coordinates(const Point* p, int n) {
    for (int i = 0; i < n; ++i)
        if (std::llabs(p[i].x) > kFastCoordinate || std::llabs(p[i].y) > kFastCoordinate) return false;
    return true;
}

// The extreme vertices of a polygon: right and bottom are the largest coordinates.
inline Rect extent_of(const Point* p, int n) {
    Rect e{p[0].x, p[0].y, p[0].x, p[0].y};
    for (int i = 1; i < n; ++i) {
        e.left = std::min(e.left, p[i].x), e.right = std::max(e.right, p[i].x);
        e.top = std::min(e.top, p[i].y), e.bottom = std::max(e.bottom, p[i].y);
    }
    return e;
}

// The pixels a polygon of that extent can fill: the rows and columns between its extreme
// vertices (the last row and column excluded: no centre lies beyond them), within the clip.
Rect fill_box(const Rect& extent, const Rect& clip) {
    return {std::max(extent.left, clip.left), std::max(extent.top, clip.top), std::min(extent.right, clip.right),
            std::min(extent.bottom, clip.bottom)};
}

Rect fill_box(const Point* p, int n, const Rect& clip) { return fill_box(extent_of(p, n), clip); }

std::int64_t cross(Point o, Point a, Point b) {  // (a - o) x (b - o)
    return (std::int64_t(a.x) - o.x) * (std::int64_t(b.y) - o.y) - (std::int64_t(a.y) - o.y) * (std::int64_t(b.x) - o.x);
}

void sort_small(std::int32_t* xs, int n) {
    if (n > 16) {
        std::sort(xs, xs + n);
        return;
    }
    for (int i = 1; i < n; ++i)
        for (int j = i; j > 0 && xs[j - 1] > xs[j]; --j) std::swap(xs[j - 1], xs[j]);
}

// ---- General polygons: spans per row ----

// The first pixel of row y whose centre lies at or right of the edge (top, bottom), which must
// span the row (top.y <= y < bottom.y). Computed from the edge's upper end whichever way the
// polygon runs, so the two polygons beside a shared edge get the same boundary.
template <class T>
T crossing_pixel(Point top, Point bottom, std::int32_t y) {
    const T dy = T(bottom.y) - top.y, dx = T(bottom.x) - top.x;
    return T(top.x) + ceil_div<T>((2 * (T(y) - top.y) + 1) * dx - dy, 2 * dy);
}

// Scan-line work space of a polygon of n vertices: its crossings, its edges by upper end and the
// edges spanning the row.
constexpr std::size_t scan_space(std::size_t n) { return 3 * n; }

// Even-odd fill of any closed polygon: on each row the sorted crossings of the edges that span
// it pair up into spans [left, right). The edges join the row's set in the order of their upper
// ends and leave it below their lower ends, so that a long outline (a side wall of a thousand
// points) costs per row only the few edges it crosses. `work` holds scan_space(n) entries.
template <class T>
void fill_scanlines(Surface& s, const Point* p, int n, Pixel colour, const Rect& box, std::int32_t* work) {
    std::int32_t* xs = work;
    std::int32_t* by_top = work + n;
    std::int32_t* spanning = work + 2 * n;
    const auto next = [n](int i) { return i + 1 == n ? 0 : i + 1; };
    const auto top_y = [&](int i) { return std::min(p[i].y, p[next(i)].y); };
    const auto bottom_y = [&](int i) { return std::max(p[i].y, p[next(i)].y); };
    int edges = 0;
    for (int i = 0; i < n; ++i)
        if (p[i].y != p[next(i)].y) by_top[edges++] = i;  // level edges span no row
    std::sort(by_top, by_top + edges, [&](int a, int b) { return top_y(a) < top_y(b); });

    int joined = 0, active = 0;
    for (std::int32_t y = box.top; y < box.bottom; ++y) {
        while (joined < edges && top_y(by_top[joined]) <= y) spanning[active++] = by_top[joined++];
        int count = 0, kept = 0;
        for (int k = 0; k < active; ++k) {
            const int i = spanning[k];
            if (bottom_y(i) <= y) continue;  // passed: leaves the set
            spanning[kept++] = i;
            const Point& a = p[i];
            const Point& b = p[next(i)];
            const Point& top = a.y < b.y ? a : b;
            const Point& bottom = a.y < b.y ? b : a;
            xs[count++] = clamp_to(crossing_pixel<T>(top, bottom, y), box.left, box.right);
        }
        active = kept;
        sort_small(xs, count);
        Pixel* row = s.pixels.data() + std::size_t(y) * std::size_t(s.width);
        for (int k = 0; k + 1 < count; k += 2) std::fill(row + xs[k], row + xs[k + 1], colour);
    }
}

// ---- Tiny polygons: four centres from a table ----

// A polygon whose vertices lie within this many pixels of each other in X and in Y (a workpiece
// cell seen whole) touches at most four pixel centres: looking its edges up costs less than
// setting up spans or edge functions.
constexpr std::int32_t kTinyExtent = 2;

bool tiny(const Rect& extent) {
    return std::int64_t(extent.right) - extent.left <= kTinyExtent &&
           std::int64_t(extent.bottom) - extent.top <= kTinyExtent;
}

// A tiny polygon's vertices lie on the 3 x 3 lattice of points 0..2 from its extent's corner, and
// each of its edges flips a fixed set of the four centres of the 2 x 2 pixels there (bit
// 2 * row + column): those in the rows the edge spans that lie at or right of it, the spans'
// boundary rule. This table holds the set for every edge from lattice point a to b (9 a + b).
constexpr std::array<std::uint8_t, 81> tiny_edge_table() {
    std::array<std::uint8_t, 81> table{};
    for (int a = 0; a < 9; ++a)
        for (int b = 0; b < 9; ++b) {
            const bool a_top = a / 3 < b / 3;
            const int tx = (a_top ? a : b) % 3, ty = (a_top ? a : b) / 3;
            const int bx = (a_top ? b : a) % 3, by = (a_top ? b : a) / 3;
            const int dy = by - ty, dx = bx - tx;
            unsigned centres = 0;
            for (int cy = ty; cy < by && cy < 2; ++cy)  // level edges span no row
                for (int cx = 0; cx < 2; ++cx)
                    if ((2 * (cx - tx) + 1) * dy >= (2 * (cy - ty) + 1) * dx) centres |= 1u << (2 * cy + cx);
            table[std::size_t(9 * a + b)] = std::uint8_t(centres);
        }
    return table;
}

constexpr std::array<std::uint8_t, 81> kTinyEdges = tiny_edge_table();

// Even-odd at the four centres: the edges' sets taken together.
unsigned centres_inside(const Point* p, int n, const Rect& extent) {
    const auto lattice = [&](const Point& v) { return 3 * (v.y - extent.top) + (v.x - extent.left); };
    unsigned inside = 0;
    for (int i = 0, from = lattice(p[n - 1]); i < n; ++i) {
        const int to = lattice(p[i]);
        inside ^= kTinyEdges[std::size_t(9 * from + to)];
        from = to;
    }
    return inside;
}

// The centres of `box` (within the extent's first two rows and columns) as bits.
unsigned centres_of(const Rect& box, const Rect& extent) {
    const auto bits = [](std::int32_t from, std::int32_t to) { return (1u << to) - (1u << from); };
    const unsigned columns = bits(box.left - extent.left, box.right - extent.left);
    const unsigned rows = bits(box.top - extent.top, box.bottom - extent.top);
    return (rows & 1u ? columns : 0u) | (rows & 2u ? columns << 2 : 0u);
}

inline void fill_tiny(Surface& s, const Point* p, int n, Pixel colour, const Rect& extent, const Rect& box) {
    for (unsigned centres = centres_inside(p, n, extent) & centres_of(box, extent); centres != 0; centres &= centres - 1) {
        const int k = std::countr_zero(centres);
        const std::int64_t y = std::int64_t(extent.top) + (k >> 1), x = std::int64_t(extent.left) + (k & 1);
        s.pixels[std::size_t(y * s.width + x)] = colour;
    }
}

// ---- Convex polygons: the box test ----

// One edge as a function over the pixel centres that is >= 0 exactly on the polygon's side of
// the edge, centres on the edge counting as inside when the polygon lies to their right.
struct EdgeFunction {
    std::int64_t value = 0, step_x = 0, step_y = 0;
};

// `orientation` is the sign of the polygon's turns; (x, y) the first pixel of the box.
EdgeFunction edge_function(Point a, Point b, int orientation, std::int32_t x, std::int32_t y) {
    const bool a_top = a.y <= b.y;
    const Point top = a_top ? a : b, bottom = a_top ? b : a;
    const std::int64_t dy = std::int64_t(bottom.y) - top.y, dx = std::int64_t(bottom.x) - top.x;
    if (dx == 0 && dy == 0) return {};  // a repeated vertex constrains nothing
    // f > 0 right of the edge; the polygon lies right of it when its turns and the edge's
    // direction from the upper end agree.
    const std::int64_t f = (2 * (std::int64_t(x) - top.x) + 1) * dy - (2 * (std::int64_t(y) - top.y) + 1) * dx;
    const int side = a_top ? -orientation : orientation;
    return {side * f + (side > 0 ? 0 : -1), side * 2 * dy, -side * 2 * dx};
}

template <int N>
void fill_convex_box(Surface& s, const Point* v, int orientation, Pixel colour, const Rect& box) {
    EdgeFunction e[N];
    for (int i = 0; i < N; ++i) e[i] = edge_function(v[i], v[(i + 1) % N], orientation, box.left, box.top);
    Pixel* row = s.pixels.data() + std::size_t(box.top) * std::size_t(s.width);
    for (std::int32_t y = box.top; y < box.bottom; ++y, row += s.width) {
        std::int64_t g[N];
        for (int i = 0; i < N; ++i) g[i] = e[i].value;
        bool entered = false;  // convex: one span per row, so leaving it ends the row
        for (std::int32_t x = box.left; x < box.right; ++x) {
            std::int64_t inside = g[0];
            for (int i = 1; i < N; ++i) inside |= g[i];
            if (inside >= 0) row[x] = colour, entered = true;
            else if (entered) break;
            for (int i = 0; i < N; ++i) g[i] += e[i].step_x;
        }
        for (int i = 0; i < N; ++i) e[i].value += e[i].step_y;
    }
}

// A convex polygon of N vertices with its orientation known and fast coordinates.
template <int N>
void fill_convex(Surface& s, const Point* v, int orientation, Pixel colour, const Rect& box) {
    if (box.right - box.left <= kBoxTestWidth) {
        fill_convex_box<N>(s, v, orientation, colour, box);
    } else {
        std::int32_t work[scan_space(N)];
        fill_scanlines<std::int64_t>(s, v, N, colour, box, work);
    }
}

// The sign of the turns of a quadrilateral when it is convex, else 0. A straight vertex keeps
// it convex; a vertex that turns back (a spike) does not.
int convex_orientation(const Point* v) {
    int sign = 0;
    for (int i = 0; i < 4; ++i) {
        const Point& prev = v[(i + 3) % 4];
        const Point& at = v[i];
        const Point& next = v[(i + 1) % 4];
        const std::int64_t ex0 = std::int64_t(at.x) - prev.x, ey0 = std::int64_t(at.y) - prev.y;
        const std::int64_t ex1 = std::int64_t(next.x) - at.x, ey1 = std::int64_t(next.y) - at.y;
        const std::int64_t t = ex0 * ey1 - ey0 * ex1;
        if (t == 0) {
            if (ex0 * ex1 + ey0 * ey1 <= 0) return 0;
            continue;
        }
        const int ts = t > 0 ? 1 : -1;
        if (sign != 0 && ts != sign) return 0;
        sign = ts;
    }
    return sign;
}

// ---- Pens ----

struct Pattern {
    std::uint32_t mask;  // bit i: pixel i of the period is drawn
    int period;
};

Pattern pattern_of(PenStyle style) {
    switch (style) {
    case PenStyle::Dot: return {0b000111u, 6};
    case PenStyle::DashDot: return {0x1FFu | 0x7u << 15, 24};
    default: return {1u, 1};
    }
}

}  // namespace

// ---- The surface ----

void resize(Surface& s, int width, int height, Pixel fill) {
    s.width = std::max(width, 0);
    s.height = std::max(height, 0);
    s.pixels.assign(std::size_t(s.width) * std::size_t(s.height), fill);
    reset_clip(s);
}

void clear(Surface& s, Pixel colour) { std::fill(s.pixels.begin(), s.pixels.end(), colour); }

Pixel pixel_at(const Surface& s, int x, int y) {
    if (x < 0 || y < 0 || x >= s.width || y >= s.height) return 0;
    return s.pixels[std::size_t(y) * std::size_t(s.width) + std::size_t(x)];
}

void set_pixel(Surface& s, int x, int y, Pixel colour) {
    const Rect c = effective_clip(s);
    if (x < c.left || y < c.top || x >= c.right || y >= c.bottom) return;
    s.pixels[std::size_t(y) * std::size_t(s.width) + std::size_t(x)] = colour;
}

void set_clip(Surface& s, Rect clip) {
    s.clip = {std::max(clip.left, 0), std::max(clip.top, 0), std::min(clip.right, s.width),
              std::min(clip.bottom, s.height)};
}

void reset_clip(Surface& s) { s.clip = {0, 0, s.width, s.height}; }

// ---- Fills ----

void fill_rect(Surface& s, Rect r, Pixel colour) {
    const Rect c = effective_clip(s);
    const Rect box{std::max(r.left, c.left), std::max(r.top, c.top), std::min(r.right, c.right),
                   std::min(r.bottom, c.bottom)};
    if (empty(box)) return;
    for (std::int32_t y = box.top; y < box.bottom; ++y) {
        Pixel* row = s.pixels.data() + std::size_t(y) * std::size_t(s.width);
        std::fill(row + box.left, row + box.right, colour);
    }
}

namespace {

// The routes of larger polygons, out of line so that the tiny cells that dominate a picture
// take a call without their frame.
[[gnu::noinline]] void fill_larger_triangle(Surface& s, const Point* v, Pixel colour, const Rect& box) {
    if (!fast_coordinates(v, 3)) {
        std::int32_t work[scan_space(3)];
        fill_scanlines<Wide>(s, v, 3, colour, box, work);
        return;
    }
    const std::int64_t area = cross(v[0], v[1], v[2]);
    if (area == 0) return;
    fill_convex<3>(s, v, area > 0 ? 1 : -1, colour, box);
}

[[gnu::noinline]] void fill_larger_quad(Surface& s, const Point* in, Pixel colour) {
    // Coinciding corners are common in thinned or distant views: the quad is then a triangle.
    Point v[4];
    int n = 0;
    for (int k = 0; k < 4; ++k)
        if (n == 0 || in[k] != v[n - 1]) v[n++] = in[k];
    while (n > 1 && v[n - 1] == v[0]) --n;
    if (n < 3) return;
    if (n == 3) {
        fill_triangle(s, v[0], v[1], v[2], colour);
        return;
    }
    const Rect box = fill_box(v, 4, effective_clip(s));
    if (empty(box)) return;
    std::int32_t work[scan_space(4)];
    if (!fast_coordinates(v, 4)) {
        fill_scanlines<Wide>(s, v, 4, colour, box, work);
        return;
    }
    // Folded cells (concave or crossed quads) take the general even-odd fill.
    const int orientation = convex_orientation(v);
    if (orientation != 0) fill_convex<4>(s, v, orientation, colour, box);
    else fill_scanlines<std::int64_t>(s, v, 4, colour, box, work);
}

}  // namespace

namespace {

// The fills within an effective clip, so that a batch works it out once.
inline void triangle_within(Surface& s, const Point* v, Pixel colour, const Rect& clip) {
    const Rect extent = extent_of(v, 3);
    const Rect box = fill_box(extent, clip);
    if (empty(box)) return;
    if (tiny(extent)) return fill_tiny(s, v, 3, colour, extent, box);
    fill_larger_triangle(s, v, colour, box);
}

inline void quad_within(Surface& s, const Point* v, Pixel colour, const Rect& clip) {
    const Rect extent = extent_of(v, 4);
    if (!tiny(extent)) return fill_larger_quad(s, v, colour);
    const Rect box = fill_box(extent, clip);
    if (!empty(box)) fill_tiny(s, v, 4, colour, extent, box);
}

void polygon_within(Surface& s, std::span<const Point> points, Pixel colour, const Rect& clip) {
    if (points.size() < 3 || points.size() > std::size_t(INT_MAX)) return;
    if (points.size() == 3) return triangle_within(s, points.data(), colour, clip);
    if (points.size() == 4) return quad_within(s, points.data(), colour, clip);
    const int n = int(points.size());
    const Rect box = fill_box(points.data(), n, clip);
    if (empty(box)) return;
    if (s.scan_work.size() < scan_space(points.size())) s.scan_work.resize(scan_space(points.size()));
    if (fast_coordinates(points.data(), n)) fill_scanlines<std::int64_t>(s, points.data(), n, colour, box, s.scan_work.data());
    else fill_scanlines<Wide>(s, points.data(), n, colour, box, s.scan_work.data());
}

}  // namespace

void fill_triangle(Surface& s, Point a, Point b, Point c, Pixel colour) {
    const Point v[3] = {a, b, c};
    triangle_within(s, v, colour, effective_clip(s));
}

void fill_quad(Surface& s, Point a, Point b, Point c, Point d, Pixel colour) {
    const Point v[4] = {a, b, c, d};
    quad_within(s, v, colour, effective_clip(s));
}

void fill_polygon(Surface& s, std::span<const Point> points, Pixel colour) {
    polygon_within(s, points, colour, effective_clip(s));
}

void fill_polygons(Surface& s, std::span<const Point> points, std::span<const int> counts, Pixel colour) {
    const Rect clip = effective_clip(s);
    std::size_t at = 0;
    for (int count : counts) {
        if (count <= 0) continue;
        if (std::size_t(count) > points.size() - at) return;
        polygon_within(s, points.subspan(at, std::size_t(count)), colour, clip);
        at += std::size_t(count);
    }
}

void fill_polygons(Surface& s, std::span<const std::int32_t> xy, std::span<const int> counts, Pixel colour) {
    const Rect clip = effective_clip(s);
    std::size_t at = 0;  // in coordinates
    for (int count : counts) {
        if (count <= 0) continue;
        const std::size_t n = std::size_t(count);
        if (n > (xy.size() - at) / 2) return;
        const std::int32_t* c = xy.data() + at;
        at += 2 * n;
        if (n == 3 || n == 4) {
            // The cells of a workpiece, straight from the pairs. A triangle is the quad with its
            // first corner repeated (the repeat adds an edge of no length), so triangles and
            // quads, which alternate unpredictably, take one route.
            const std::size_t last = n == 4 ? 6 : 0;
            const Point v[4] = {{c[0], c[1]}, {c[2], c[3]}, {c[4], c[5]}, {c[last], c[last + 1]}};
            quad_within(s, v, colour, clip);
            continue;
        }
        if (n < 3) continue;
        s.vertices.resize(n);
        for (std::size_t k = 0; k < n; ++k) s.vertices[k] = {c[2 * k], c[2 * k + 1]};
        polygon_within(s, s.vertices, colour, clip);
    }
}

// ---- Pens ----

// Steps i0 .. i1 of the line from `a` (see draw_line), the pattern anchored at step 0.
void walk_line(Surface& s, Pixel colour, int width, int lo, int hi, bool x_major, Point a, int sm, int sn,
               std::int64_t dm, std::int64_t dn, std::int64_t i0, std::int64_t i1, const Pattern& pattern,
               int start_phase, const Rect& clip) {
    const std::int64_t m0 = x_major ? a.x : a.y, n0 = x_major ? a.y : a.x;
    std::int64_t k = 0, e = dm - 1;
    if (i0 > 0) {
        const Wide start = 2 * Wide(i0) * dn + dm - 1;
        k = std::int64_t(start / (2 * Wide(dm))), e = std::int64_t(start % (2 * Wide(dm)));
    }
    int ph = int((start_phase + i0 % pattern.period) % pattern.period);
    std::int64_t m = m0 + sm * i0;
    for (std::int64_t i = i0; i <= i1; ++i, m += sm) {
        if (pattern.mask >> ph & 1u) {
            const std::int64_t n = n0 + sn * k;
            const std::int64_t x = x_major ? m : n, y = x_major ? n : m;
            if (width == 1) {
                if (x >= clip.left && x < clip.right && y >= clip.top && y < clip.bottom)
                    s.pixels[std::size_t(y) * std::size_t(s.width) + std::size_t(x)] = colour;
            } else {
                fill_rect(s, {std::int32_t(x + lo), std::int32_t(y + lo), std::int32_t(x + hi + 1), std::int32_t(y + hi + 1)},
                          colour);
            }
        }
        if (++ph == pattern.period) ph = 0;
        e += 2 * dn;
        if (e >= 2 * dm) e -= 2 * dm, ++k;
    }
}

// Bresenham along the major axis: step i (0 .. steps - 1) puts its pixel at major m0 + sm * i,
// minor n0 + sn * k(i) with k(i) = floor((2 i dn + dm - 1) / (2 dm)), a midpoint rounding that
// rounds ties toward the start. Clipping computes the first and last step that can reach the
// clip from that formula, so a clipped line puts exactly the pixels of the unclipped one and
// its pattern stays anchored at its start.
void draw_line(Surface& s, const Pen& pen, Point a, Point b, int* phase) {
    const Pattern pattern = pattern_of(pen.style);
    const int start_phase = phase ? ((*phase % pattern.period) + pattern.period) % pattern.period : 0;
    const std::int64_t dx = std::llabs(std::int64_t(b.x) - a.x), dy = std::llabs(std::int64_t(b.y) - a.y);
    const std::int64_t steps = std::max(dx, dy);
    if (phase) *phase = int((start_phase + steps % pattern.period) % pattern.period);
    if (steps == 0 || pen.style == PenStyle::Null) return;
    const Rect clip = effective_clip(s);
    if (empty(clip)) return;

    const int width = std::clamp(pen.width, 1, kMaxPenWidth);
    const int lo = -(width - 1) / 2, hi = width / 2;  // the stamp covers p + lo .. p + hi
    const bool x_major = dx >= dy;
    const int sm = (x_major ? b.x > a.x : b.y > a.y) ? 1 : -1;
    const int sn = (x_major ? b.y > a.y : b.x > a.x) ? 1 : -1;
    const std::int64_t dm = x_major ? dx : dy, dn = x_major ? dy : dx;
    const auto inside = [&](Point p) {
        return std::int64_t(p.x) + lo >= clip.left && std::int64_t(p.x) + hi < clip.right &&
               std::int64_t(p.y) + lo >= clip.top && std::int64_t(p.y) + hi < clip.bottom;
    };
    // Most path segments lie wholly on the surface: no clipping to work out.
    if (inside(a) && inside(b))
        return walk_line(s, pen.colour, width, lo, hi, x_major, a, sm, sn, dm, dn, 0, steps - 1, pattern, start_phase, clip);

    const std::int64_t m0 = x_major ? a.x : a.y, n0 = x_major ? a.y : a.x;
    // Positions whose stamp reaches the clip, on each axis [lo, hi).
    const std::int64_t m_lo = (x_major ? clip.left : clip.top) - hi, m_hi = std::int64_t(x_major ? clip.right : clip.bottom) - lo;
    const std::int64_t n_lo = (x_major ? clip.top : clip.left) - hi, n_hi = std::int64_t(x_major ? clip.bottom : clip.right) - lo;

    Wide i0 = 0, i1 = steps - 1;
    if (sm > 0) i0 = std::max<Wide>(i0, m_lo - m0), i1 = std::min<Wide>(i1, m_hi - 1 - m0);
    else i0 = std::max<Wide>(i0, m0 - (m_hi - 1)), i1 = std::min<Wide>(i1, m0 - m_lo);
    if (dn == 0) {
        if (n0 < n_lo || n0 >= n_hi) return;
    } else {
        const Wide k_min = sn > 0 ? n_lo - n0 : n0 - (n_hi - 1);
        const Wide k_max = sn > 0 ? n_hi - 1 - n0 : n0 - n_lo;
        if (k_max < 0) return;
        if (k_min > 0) i0 = std::max<Wide>(i0, ceil_div<Wide>(2 * Wide(dm) * k_min - dm + 1, 2 * Wide(dn)));
        i1 = std::min<Wide>(i1, ceil_div<Wide>(2 * Wide(dm) * (k_max + 1) - dm + 1, 2 * Wide(dn)) - 1);
    }
    if (i0 > i1) return;

    walk_line(s, pen.colour, width, lo, hi, x_major, a, sm, sn, dm, dn, std::int64_t(i0), std::int64_t(i1), pattern,
              start_phase, clip);
}

void draw_polyline(Surface& s, const Pen& pen, std::span<const Point> points) {
    int phase = 0;
    for (std::size_t i = 1; i < points.size(); ++i) draw_line(s, pen, points[i - 1], points[i], &phase);
}

void draw_rect(Surface& s, const Pen& pen, Rect r) {
    if (r.right <= r.left || r.bottom <= r.top) return;
    const std::int32_t l = r.left, t = r.top, rr = r.right - 1, bb = r.bottom - 1;
    // A rectangle one pixel thin is a single line; the closed outline would collapse.
    if (l == rr) return draw_line(s, pen, {l, t}, {l, r.bottom});
    if (t == bb) return draw_line(s, pen, {l, t}, {r.right, t});
    const Point outline[5] = {{l, t}, {rr, t}, {rr, bb}, {l, bb}, {l, t}};
    draw_polyline(s, pen, outline);
}

// ---- Coverage blend ----

void blend_mask(Surface& s, int x, int y, const std::uint8_t* mask, int width, int height, int stride, Pixel colour) {
    const Rect c = effective_clip(s);
    const std::int64_t x0 = std::max<std::int64_t>(x, c.left), x1 = std::min<std::int64_t>(std::int64_t(x) + width, c.right);
    const std::int64_t y0 = std::max<std::int64_t>(y, c.top), y1 = std::min<std::int64_t>(std::int64_t(y) + height, c.bottom);
    const unsigned cr = unsigned(pixel_red(colour)), cg = unsigned(pixel_green(colour)), cb = unsigned(pixel_blue(colour));
    for (std::int64_t py = y0; py < y1; ++py) {
        const std::uint8_t* m = mask + (py - y) * stride;
        Pixel* row = s.pixels.data() + std::size_t(py) * std::size_t(s.width);
        for (std::int64_t px = x0; px < x1; ++px) {
            const unsigned a = m[px - x];
            if (a == 0) continue;
            if (a == 255) {
                row[px] = colour;
                continue;
            }
            const Pixel d = row[px];
            const auto mix = [a](unsigned src, unsigned dst) { return (src * a + dst * (255 - a) + 127) / 255; };
            row[px] = pixel_rgb(int(mix(cr, unsigned(pixel_red(d)))), int(mix(cg, unsigned(pixel_green(d)))),
                                int(mix(cb, unsigned(pixel_blue(d)))));
        }
    }
}

}  // namespace vx::view
