// The swing of a workpiece height field about an axis. About X or Y each source row (Y axis) or
// column (X axis) is a profile closed down to the bottom at both ends and along it; its points are rotated in
// their plane, and every new grid point between two consecutive rotated points takes the
// interpolated height when that is higher than what it has. About Z the heights stay and the grid
// points turn.
#include "work/operations.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace vx::work {
namespace {

// A profile point in its plane: u along the profile's axis (X for the Y swing), z the height.
struct ProfilePoint {
    double u, z;
};

struct SwingPlane {
    SwingRotation rotation;
    int along;  // 0: profiles along X (the Y swing), 1: along Y (the X swing)
};

// The rotated (u, z) of a point of profile `line` (its fixed coordinate `fixed`).
ProfilePoint rotate_in_plane(const SwingPlane& s, double u, double fixed, double z) {
    Vec3 p = s.along == 0 ? Vec3{u, fixed, z} : Vec3{fixed, u, z};
    p = swing_point(s.rotation, p);
    return {s.along == 0 ? p.x : p.y, p.z};
}

struct Box {
    double u0 = 1e300, u1 = -1e300, z0 = 1e300, z1 = -1e300;
    void add(const ProfilePoint& p) {
        u0 = std::min(u0, p.u), u1 = std::max(u1, p.u), z0 = std::min(z0, p.z), z1 = std::max(z1, p.z);
    }
};

// The profile of source line `line` with its two closing points at the bottom, rotated.
void rotated_profile(const sim::Workpiece& src, const SwingPlane& s, std::int32_t line,
                     std::vector<ProfilePoint>& out) {
    const sim::GridGeometry& g = src.geometry;
    const std::int32_t count = s.along == 0 ? g.nx : g.ny;
    const double u0 = s.along == 0 ? g.origin_x : g.origin_y;
    const double fixed = (s.along == 0 ? g.origin_y : g.origin_x) + line * g.pitch;
    out.clear();
    out.push_back(rotate_in_plane(s, u0, fixed, src.work_bottom));
    for (std::int32_t n = 0; n < count; ++n) {
        const std::int64_t cell = s.along == 0 ? std::int64_t{line} * g.nx + n : std::int64_t{n} * g.nx + line;
        out.push_back(rotate_in_plane(s, u0 + n * g.pitch, fixed, src.height.data[cell]));
    }
    out.push_back(rotate_in_plane(s, u0 + (count - 1) * g.pitch, fixed, src.work_bottom));
    // The bottom edge too: turned far enough it becomes part of the upper surface.
    out.push_back(out.front());
}

// Raises the points of one target line to the rotated profile.
void fill_line(sim::Workpiece& wp, const std::vector<ProfilePoint>& profile, int along, std::int32_t line) {
    const sim::GridGeometry& g = wp.geometry;
    const double u0 = along == 0 ? g.origin_x : g.origin_y;
    const std::int32_t last = along == 0 ? g.last_column : g.last_row;
    for (std::size_t k = 1; k < profile.size(); ++k) {
        const ProfilePoint& a = profile[k - 1];
        const ProfilePoint& b = profile[k];
        if (a.u == b.u) continue;
        const double lo = std::min(a.u, b.u), hi = std::max(a.u, b.u);
        const std::int32_t n0 = std::max<std::int32_t>(0, std::int32_t(std::ceil((lo - u0) / g.pitch)));
        const std::int32_t n1 = std::min<std::int32_t>(last, std::int32_t(std::floor((hi - u0) / g.pitch)));
        for (std::int32_t n = n0; n <= n1; ++n) {
            const double u = u0 + n * g.pitch;
            const float z = static_cast<float>(a.z + (b.z - a.z) * (u - a.u) / (b.u - a.u));
            const std::int64_t cell = along == 0 ? std::int64_t{line} * g.nx + n : std::int64_t{n} * g.nx + line;
            wp.height.data[cell] = std::max(wp.height.data[cell], z);
        }
    }
}

// ---- About Z ----

// The grid of the source turned about Z: over the box of its four turned corners, at its pitch.
bool turned_grid(const sim::GridGeometry& g, const SwingRotation& r, sim::GridGeometry& out) {
    double x0 = 1e300, x1 = -1e300, y0 = 1e300, y1 = -1e300;
    for (const double x : {g.origin_x, g.max_x})
        for (const double y : {g.origin_y, g.max_y}) {
            const Vec3 p = swing_point(r, {x, y, 0.0});
            x0 = std::min(x0, p.x), x1 = std::max(x1, p.x), y0 = std::min(y0, p.y), y1 = std::max(y1, p.y);
        }
    return sim::size_grid(out, x0, y0, x1, y1, g.pitch) == 1;
}

int swing_about_z(sim::Workpiece& wp, const sim::Workpiece& src, const Swing& swing) {
    const sim::GridGeometry& g = src.geometry;
    sim::GridGeometry geometry;
    if (!turned_grid(g, rotation_of(swing), geometry)) return kOpRefused;
    if (!sim::allocate_workpiece_or_report(wp, geometry, wp.data_level)) return kOpMemory;
    if (!sim::define_uniform_body(wp, src.work_bottom, src.work_bottom)) return kOpMemory;
    const SwingRotation back = rotation_of({2, swing.centre, -swing.angle_degrees});
    for (std::int32_t j = 0; j < geometry.ny; ++j)
        for (std::int32_t i = 0; i < geometry.nx; ++i) {
            const Vec3 p = swing_point(back, {geometry.origin_x + i * g.pitch, geometry.origin_y + j * g.pitch, 0.0});
            const double si = std::round((p.x - g.origin_x) / g.pitch), sj = std::round((p.y - g.origin_y) / g.pitch);
            if (si < 0 || sj < 0 || si > g.last_column || sj > g.last_row) continue;
            wp.height.data[std::int64_t{j} * geometry.nx + i] = src.height.data[std::int64_t(sj) * g.nx + std::int64_t(si)];
        }
    wp.modification_state = sim::kModified;
    sim::recompute_highest(wp);
    wp.work_top = wp.highest;
    return kOpDone;
}

}  // namespace

int swing_workpiece(sim::Workpiece& wp, const sim::Workpiece& src, const Swing& swing) {
    if (swing.axis < 0 || swing.axis > 2) return kOpRefused;
    if (src.height.data == nullptr || src.modification_state == sim::kNoWorkpiece) return kOpNothing;
    if (swing.axis == 2) return swing_about_z(wp, src, swing);
    const SwingPlane s{rotation_of(swing), swing.axis == 1 ? 0 : 1};
    const sim::GridGeometry& g = src.geometry;
    const std::int32_t lines = s.along == 0 ? g.ny : g.nx;
    std::vector<ProfilePoint> profile;
    Box box;
    for (std::int32_t line = 0; line < lines; ++line) {
        rotated_profile(src, s, line, profile);
        for (const ProfilePoint& p : profile) box.add(p);
    }
    // The fixed axis keeps its extent; the profile axis takes the rotated one.
    const double x0 = s.along == 0 ? box.u0 : g.origin_x, x1 = s.along == 0 ? box.u1 : g.max_x;
    const double y0 = s.along == 0 ? g.origin_y : box.u0, y1 = s.along == 0 ? g.max_y : box.u1;
    sim::GridGeometry geometry;
    if (!sim::size_grid(geometry, x0, y0, x1, y1, g.pitch)) return kOpRefused;
    if (!sim::allocate_workpiece_or_report(wp, geometry, wp.data_level)) return kOpMemory;
    if (!sim::define_uniform_body(wp, box.z0, box.z0)) return kOpMemory;
    for (std::int32_t line = 0; line < lines; ++line) {
        rotated_profile(src, s, line, profile);
        fill_line(wp, profile, s.along, line);
    }
    wp.modification_state = sim::kModified;
    sim::recompute_highest(wp);
    wp.work_top = wp.highest;
    return kOpDone;
}

}  // namespace vx::work
