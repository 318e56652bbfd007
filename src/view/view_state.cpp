#include "view/view_state.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace vx::view {

namespace {

constexpr double kFitFill = 0.9;             // the fitted box leaves a 5% margin on each side
constexpr double kMinimumDistance = 300.0;   // perspective distance floor, mm
constexpr double kNearLimit = 0.01;          // a point this close to the eye (as a share of D) or
                                             // behind it is held there instead of dividing by ~0
constexpr double kFarPixel = 1073741824.0;   // 2^30: far points stay representable in int32
constexpr double kThinning = 1.1111111111111112;  // 1 / 0.9: blocks of the display step

// Exact values at the quarter angles, where cos(pi / 2) would otherwise be 6e-17 and tilt the
// special cases (no wall at A = 90, plan and side views) off their exact form.
void sin_cos_degrees(double degrees, double* s, double* c) {
    if (degrees == 0.0) *s = 0.0, *c = 1.0;
    else if (degrees == 90.0) *s = 1.0, *c = 0.0;
    else if (degrees == 180.0) *s = 0.0, *c = -1.0;
    else if (degrees == 270.0) *s = -1.0, *c = 0.0;
    else {
        const double r = degrees * std::numbers::pi / 180.0;
        *s = std::sin(r);
        *c = std::cos(r);
    }
}

double wrap_degrees(double a) {
    a = std::fmod(a, 360.0);
    if (a < 0.0) a += 360.0;
    return a >= 360.0 ? 0.0 : a;  // fmod of a tiny negative value can round up to 360
}

// Same expression, same order as the kernel's refresh of a lowered cell.
inline double affine_x(const sim::ScreenProjection& s, double X, double Y, double t) {
    return s.ax * X + s.bx * Y + s.cx * t + s.dx;
}
inline double affine_y(const sim::ScreenProjection& s, double X, double Y, double t) {
    return s.ay * X + s.by * Y + s.cy * t + s.dy;
}

inline std::int32_t to_pixel(double v) {
    v = std::nearbyint(v);
    if (!(v >= -kFarPixel)) return -std::int32_t(kFarPixel);
    if (v > kFarPixel) return std::int32_t(kFarPixel);
    return std::int32_t(v);
}

// Screen position under perspective, in unrounded pixels.
void perspective_point(const ViewState& v, double x, double y, double z, double* px, double* py) {
    const double dx = x - v.cx, dy = y - v.cy, dz = z - v.cz;
    const double xr = dx * v.cos_a - dy * v.sin_a;
    const double yr = dy * v.cos_a + dx * v.sin_a;
    const double h = v.cos_b * yr - v.sin_b * dz;
    const double denominator = std::max(v.distance - (v.cos_b * dz + v.sin_b * yr), v.distance * kNearLimit);
    const double k = v.scale * v.distance / denominator;
    *px = v.sx0 + xr * k;
    *py = v.sy0 - h * k;
}

}  // namespace

const platform::TextPair kTextDetailQuestion{"精度を上げても良いですか？", "Detail Display?"};
const platform::TextPair kTextDetailTitle{"現在表示が間引かれています", "Skip Displaying"};

// ---- Angles ----

bool is_quarter_angle(double a) { return a == 0.0 || a == 90.0 || a == 180.0 || a == 270.0; }

int view_sector(double a) {
    a = wrap_degrees(a);
    if (a == 0.0) return 0;
    if (a < 45.0) return 1;
    if (a < 90.0) return 2;
    if (a == 90.0) return 3;
    if (a < 135.0) return 4;
    if (a < 180.0) return 5;
    if (a == 180.0) return 6;
    if (a < 225.0) return 7;
    if (a < 270.0) return 8;
    if (a == 270.0) return 9;
    if (a < 315.0) return 10;
    return 11;
}

void set_angles(ViewState& v, double angle_a, double angle_b) {
    if (std::isfinite(angle_a)) v.angle_a = wrap_degrees(angle_a);
    if (std::isfinite(angle_b)) v.angle_b = std::clamp(angle_b, 0.0, 90.0);
    sin_cos_degrees(v.angle_a, &v.sin_a, &v.cos_a);
    double sb, cb;
    sin_cos_degrees(v.angle_b, &sb, &cb);
    v.cos_b = cb;   // cos(-B)
    v.sin_b = -sb;  // sin(-B)
    v.eye = {v.sin_b * v.sin_a, v.sin_b * v.cos_a, v.cos_b};
    v.sector = view_sector(v.angle_a);
    refresh_projection(v);
}

bool uses_perspective(const ViewState& v) {
    return v.perspective && v.angle_b != 0.0 && v.angle_b != 90.0 && !is_quarter_angle(v.angle_a);
}

// ---- Set-up ----

void apply_view_settings(ViewState& v, const DisplaySettings& settings) {
    v.perspective = settings.perspective;
    const Vec3& l = settings.light_vector;
    const double length = std::sqrt(l.x * l.x + l.y * l.y + l.z * l.z);
    if (length > 0.0 && std::isfinite(length)) v.light = {l.x / length, l.y / length, l.z / length};
    set_angles(v, settings.angle_a, settings.angle_b);
}

void set_drawing_area(ViewState& v, const ScreenRect& area) {
    v.area = area;
    v.sx0 = area.left + area.width / 2;
    v.sy0 = area.top + area.height / 2;
    refresh_projection(v);
}

void set_view_centre(ViewState& v, double cx, double cy, double cz) {
    if (!std::isfinite(cx) || !std::isfinite(cy) || !std::isfinite(cz)) return;
    v.cx = cx;
    v.cy = cy;
    v.cz = cz;
    refresh_projection(v);
}

void update_perspective_distance(ViewState& v, const sim::Workpiece& wp) {
    double d = 20.0 * std::max(v.cx, v.cy);
    if (!(d >= kMinimumDistance)) d = kMinimumDistance;
    const double depth = 10.0 * (wp.highest - wp.work_bottom);
    if (depth > d && std::isfinite(depth)) d = depth;
    v.distance = d;
}

void show_whole_grid(ViewState& v, const sim::Workpiece& wp) {
    v.range = {0, wp.geometry.last_column, 0, wp.geometry.last_row};
}

void fit_view(ViewState& v, const sim::Workpiece& wp, const std::vector<double>& target_area) {
    const sim::GridGeometry& g = wp.geometry;
    double x0 = 0.0, y0 = 0.0, x1 = g.max_x - g.origin_x, y1 = g.max_y - g.origin_y;
    double z0 = wp.work_bottom, z1 = std::max(wp.highest, wp.work_bottom);
    const std::size_t n = target_area.size();
    if (n >= 4) {
        const bool with_z = n >= 6;
        x0 = target_area[0] - g.origin_x;
        y0 = target_area[1] - g.origin_y;
        x1 = target_area[with_z ? 3 : 2] - g.origin_x;
        y1 = target_area[with_z ? 4 : 3] - g.origin_y;
        if (with_z) z0 = target_area[2], z1 = target_area[5];
    }
    set_view_centre(v, (x0 + x1) / 2, (y0 + y1) / 2, (z0 + z1) / 2);
    // The parallel image of a box is symmetric about its centre's image: twice the largest
    // offset of a corner is the extent.
    double half_w = 0.0, half_h = 0.0;
    for (int c = 0; c < 8; ++c) {
        const double dx = ((c & 1) ? x1 : x0) - v.cx, dy = ((c & 2) ? y1 : y0) - v.cy;
        const double dz = ((c & 4) ? z1 : z0) - v.cz;
        const double xr = dx * v.cos_a - dy * v.sin_a, yr = dy * v.cos_a + dx * v.sin_a;
        half_w = std::max(half_w, std::abs(xr));
        half_h = std::max(half_h, std::abs(v.cos_b * yr - v.sin_b * dz));
    }
    double s = 0.0;
    if (half_w > 0.0) s = v.area.width / (2.0 * half_w);
    if (half_h > 0.0) s = s > 0.0 ? std::min(s, v.area.height / (2.0 * half_h)) : v.area.height / (2.0 * half_h);
    v.fit_scale = s > 0.0 && std::isfinite(s) ? s * kFitFill : 1.0;
    v.zoom = 1.0;
    v.scale = v.fit_scale;
    show_whole_grid(v, wp);
    update_perspective_distance(v, wp);
    refresh_projection(v);
}

void zoom_view(ViewState& v, double factor) {
    if (!(factor > 0.0) || !std::isfinite(factor)) return;
    v.zoom *= factor;
    v.scale *= factor;
    refresh_projection(v);
}

void refresh_projection(ViewState& v) {
    const double s = v.scale;
    sim::ScreenProjection& p = v.affine;
    p.ax = s * v.cos_a;
    p.bx = -s * v.sin_a;
    p.cx = 0.0;
    p.dx = v.sx0 - s * (v.cx * v.cos_a - v.cy * v.sin_a);
    p.ay = -s * v.cos_b * v.sin_a;
    p.by = -s * v.cos_b * v.cos_a;
    p.cy = s * v.sin_b;
    p.dy = v.sy0 + s * (v.cos_b * (v.cy * v.cos_a + v.cx * v.sin_a) - v.sin_b * v.cz);
}

// ---- Projection ----

ScreenPoint project(const ViewState& v, double x, double y, double z) {
    if (uses_perspective(v)) {
        double px, py;
        perspective_point(v, x, y, z, &px, &py);
        return {to_pixel(px), to_pixel(py)};
    }
    return {to_pixel(affine_x(v.affine, x, y, z)), to_pixel(affine_y(v.affine, x, y, z))};
}

namespace {

struct PixelBounds {
    std::int32_t min_x = 32767, max_x = -32768, min_y = 32767, max_y = -32768;
};

void project_box(const ViewState& v, sim::Workpiece& wp, std::int32_t i0, std::int32_t j0, std::int32_t i1,
                 std::int32_t j1, PixelBounds* bounds) {
    const sim::GridGeometry& g = wp.geometry;
    if (!wp.screen_position.data || !wp.height.data || !wp.coordinate.data) return;
    i0 = std::max(i0, 0);
    j0 = std::max(j0, 0);
    i1 = std::min(i1, g.last_column);
    j1 = std::min(j1, g.last_row);
    const double* X = wp.coordinate.data;
    const float* height = wp.height.data;
    std::int16_t* sx = sim::screen_x(wp);
    std::int16_t* sy = sim::screen_y(wp);
    const bool perspective = uses_perspective(v);
    const sim::ScreenProjection& a = v.affine;
    PixelBounds b;
    for (std::int32_t j = j0; j <= j1; ++j) {
        const std::int64_t row = std::int64_t{j} * g.nx;
        for (std::int32_t i = i0; i <= i1; ++i) {
            const std::int64_t cell = row + i;
            const double t = height[cell];
            double px, py;
            if (perspective) perspective_point(v, X[i], X[j], t, &px, &py);
            else px = affine_x(a, X[i], X[j], t), py = affine_y(a, X[i], X[j], t);
            sx[cell] = sim::grid_pixel(px);
            sy[cell] = sim::grid_pixel(py);
            b.min_x = std::min<std::int32_t>(b.min_x, sx[cell]);
            b.max_x = std::max<std::int32_t>(b.max_x, sx[cell]);
            b.min_y = std::min<std::int32_t>(b.min_y, sy[cell]);
            b.max_y = std::max<std::int32_t>(b.max_y, sy[cell]);
        }
    }
    if (bounds) *bounds = b;
}

}  // namespace

void project_grid(ViewState& v, sim::Workpiece& wp) {
    // The drawn blocks may reach past the displayed range to the lattice point before it.
    const Blocks bx{std::max(v.step, 1), wp.geometry.last_column}, by{std::max(v.step, 1), wp.geometry.last_row};
    const std::int32_t i0 = bx.start(bx.first_block(v.range.first_i)), i1 = bx.end(bx.last_block(v.range.last_i));
    const std::int32_t j0 = by.start(by.first_block(v.range.first_j)), j1 = by.end(by.last_block(v.range.last_j));
    PixelBounds b;
    project_box(v, wp, i0, j0, i1, j1, &b);
    const ScreenRect& r = v.area;
    v.grid_inside = b.min_x >= r.left && b.max_x < r.left + r.width && b.min_y >= r.top && b.max_y < r.top + r.height;
}

void project_cells(const ViewState& v, sim::Workpiece& wp, std::int32_t i0, std::int32_t j0, std::int32_t i1,
                   std::int32_t j1) {
    project_box(v, wp, i0, j0, i1, j1, nullptr);
}

// ---- Display step ----

std::int32_t display_step(int optimize_drawing, int optimize_dots, double scale, double pitch, std::int32_t nx,
                          std::int32_t ny, bool full_detail) {
    const std::int32_t limit = std::max(std::min(nx - 1, ny - 1), 1);
    if (optimize_drawing == kDrawingOff || full_detail) return 1;
    const double dots = optimize_drawing == kDrawingOldRule ? 1.0 : double(std::max(optimize_dots, 1));
    const double s = std::trunc(dots / (scale * pitch * kThinning) + 0.5);
    if (!(s >= 1.0)) return s != s ? limit : 1;  // NaN: scale or pitch 0, nothing is resolvable
    return s >= double(limit) ? limit : std::int32_t(s);
}

void update_display_step(ViewState& v, const DisplaySettings& settings, const sim::Workpiece& wp,
                         bool full_detail) {
    const sim::GridGeometry& g = wp.geometry;
    v.step = display_step(settings.optimize_drawing, settings.optimize_dots, v.scale, g.pitch, g.nx, g.ny, full_detail);
}

DetailAction detail_action(DisplayGuidance guidance, std::int32_t step) {
    if (step <= 1) return DetailAction::Keep;
    switch (guidance) {
        case DisplayGuidance::Detail: return DetailAction::Redraw;
        case DisplayGuidance::Ask: return DetailAction::Ask;
        case DisplayGuidance::Never: break;
    }
    return DetailAction::Keep;
}

std::int32_t Blocks::first_block(std::int32_t first) const {
    const std::int32_t k = first <= 0 ? 0 : (first - 1) / step;
    return std::min(k, count() - 1);
}

std::int32_t Blocks::last_block(std::int32_t last_index) const {
    const std::int32_t k = last_index <= 0 ? 0 : last_index / step;
    return std::min(k, count() - 1);
}

// ---- Discolouration ----

void default_discoloration_levels(DisplaySettings& settings, const sim::Workpiece& wp) {
    if (settings.discoloration) return;
    settings.discoloration_lower = wp.work_bottom;
    settings.discoloration_upper = wp.work_bottom + (wp.highest - wp.work_bottom) * 2.0 / 3.0;
}

}  // namespace vx::view
