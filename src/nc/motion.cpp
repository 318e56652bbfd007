#include "nc/motion.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace vx::nc {

namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;
constexpr double kSamePoint = 1e-9;   // mm: start and end of an arc coincide (a full circle)
constexpr double kArrived = 0.00001;  // mm: an axis this close to its target has arrived

// The unit vector in the plane from `centre` to `p`; (1, 0) in the plane for a zero radius, so
// that a degenerate arc still has finite directions.
Vec3 plane_direction(const Vec3& p, const Vec3& centre, const PlaneAxes& pl, double radius) {
    Vec3 d;
    if (radius > 0) {
        d[pl.first] = (p[pl.first] - centre[pl.first]) / radius;
        d[pl.second] = (p[pl.second] - centre[pl.second]) / radius;
    } else {
        d[pl.first] = 1.0;
    }
    return d;
}

double plane_distance(const Vec3& a, const Vec3& b, const PlaneAxes& pl) {
    return std::hypot(a[pl.first] - b[pl.first], a[pl.second] - b[pl.second]);
}

}  // namespace

// ---- Arc geometry ----

void complete_sweep(MoveRecord& m) {
    const PlaneAxes& pl = m.plane;
    double u1 = m.start_direction[pl.first], u2 = m.start_direction[pl.second];
    double v1 = m.end_direction[pl.first], v2 = m.end_direction[pl.second];
    double c = std::clamp(u1 * v1 + u2 * v2, -1.0, 1.0);
    double theta = std::acos(c);
    double s = u1 * v2 - u2 * v1;
    if ((m.motion == kMotionCw && s > 0) || (m.motion == kMotionCcw && s < 0)) theta = kTwoPi - theta;
    // Rounding leaves a few 1e-8 rad where the two ends are one point: that is a full circle.
    if (theta == 0.0 || plane_distance(m.start, m.end, pl) < kSamePoint) theta = kTwoPi;
    m.sweep = theta;
    m.arc_length = (m.start_radius + m.end_radius) / 2.0 * theta;
}

int arc_from_centre(MoveRecord& m, const Vec3& centre, double r_tolerance) {
    const PlaneAxes& pl = m.plane;
    m.centre = centre;
    m.start_radius = plane_distance(m.start, centre, pl);
    m.end_radius = plane_distance(m.end, centre, pl);
    m.start_direction = plane_direction(m.start, centre, pl, m.start_radius);
    m.end_direction = plane_direction(m.end, centre, pl, m.end_radius);
    complete_sweep(m);
    return std::fabs(m.start_radius - m.end_radius) < r_tolerance ? 1 : 0;
}

int arc_from_radius(MoveRecord& m, double r, double r_tolerance) {
    const PlaneAxes& pl = m.plane;
    double h1 = (m.end[pl.first] - m.start[pl.first]) / 2.0;
    double h2 = (m.end[pl.second] - m.start[pl.second]) / 2.0;
    double d2 = h1 * h1 + h2 * h2;
    double q = r * r - d2 > 0 ? std::sqrt(r * r - d2) : 0.0;
    double p1 = h2, p2 = -h1;
    if ((m.motion == kMotionCcw && r > 0) || (m.motion == kMotionCw && r < 0)) {
        p1 = -p1;
        p2 = -p2;
    }
    double len = std::sqrt(d2);
    if (len > 0) {
        p1 /= len;
        p2 /= len;
    }
    Vec3 centre = m.start;
    centre[pl.first] += h1 + q * p1;
    centre[pl.second] += h2 + q * p2;
    centre[pl.normal] = m.start[pl.normal];
    return arc_from_centre(m, centre, r_tolerance);
}

double move_length(const MoveRecord& m) {
    if (m.motion == kMotionCw || m.motion == kMotionCcw) {
        double dn = m.end[m.plane.normal] - m.start[m.plane.normal];
        return std::sqrt(dn * dn + m.arc_length * m.arc_length);
    }
    return vx::length(m.end - m.start);
}

// ---- Rapid paths ----

namespace {

int moving_axes(const Vec3& start, const Vec3& end, std::array<double, 3>& d) {
    int moving = 0;
    for (int k = 0; k < 3; ++k) {
        d[std::size_t(k)] = std::fabs(end[k] - start[k]);
        if (d[std::size_t(k)] > kArrived) ++moving;
    }
    return moving;
}

// Every moving axis travels at the same rate: one piece per distinct distance.
void async1_path(const Vec3& start, const Vec3& end, RapidPath& path) {
    std::array<double, 3> d{};
    if (moving_axes(start, end, d) <= 1) return;
    std::array<double, 3> levels = d;
    std::sort(levels.begin(), levels.end());
    double last = -1.0;
    for (double level : levels) {
        if (level <= kArrived || level - last <= kArrived) continue;
        last = level;
        Vec3 p;
        for (int k = 0; k < 3; ++k) {
            double dk = d[std::size_t(k)];
            double sign = end[k] >= start[k] ? 1.0 : -1.0;
            p[k] = dk - level <= kArrived ? end[k] : start[k] + sign * level;
        }
        path.points[std::size_t(path.count++)] = p;
    }
    if (path.count <= 1) path.count = 0;  // all distances equal: the line itself
}

struct AxisProfile {
    double d = 0, v = 0, a = 0, time = 0;
};

AxisProfile axis_profile(double d, double rapid, double rapid_acceleration) {
    AxisProfile p;
    p.d = d;
    p.v = rapid > 0 ? rapid / 60.0 : kSlowest;
    p.a = rapid_acceleration * 1000.0;
    if (d <= 0) return p;
    if (p.a <= 0) {
        p.time = d / p.v;  // no acceleration given: the axis runs at its rate throughout
        return p;
    }
    double s = d - p.v * p.v / p.a;
    p.time = s <= 0 ? 2.0 * std::sqrt(d / p.a) : 2.0 * p.v / p.a + s / p.v;
    return p;
}

// Distance covered at time t by an axis that runs from rest to rest.
double profile_position(const AxisProfile& p, double t) {
    if (t >= p.time) return p.d;
    if (p.a <= 0) return p.v * t;
    double s = p.d - p.v * p.v / p.a;
    if (s <= 0) {
        double peak = p.time / 2.0;
        return t < peak ? 0.5 * p.a * t * t : p.d - 0.5 * p.a * (p.time - t) * (p.time - t);
    }
    double ta = p.v / p.a;
    if (t < ta) return 0.5 * p.a * t * t;
    if (t < ta + s / p.v) return 0.5 * p.a * ta * ta + p.v * (t - ta);
    return p.d - 0.5 * p.a * (p.time - t) * (p.time - t);
}

void async2_path(const Vec3& start, const Vec3& end, const Mtl& mtl, double pitch, RapidPath& path) {
    std::array<double, 3> d{};
    if (moving_axes(start, end, d) <= 1) return;
    std::array<AxisProfile, 3> axes;
    int longest = 0;
    bool alike = true;
    int first_moving = -1;
    for (int k = 0; k < 3; ++k) {
        std::size_t i = std::size_t(k);
        axes[i] = axis_profile(d[i] > kArrived ? d[i] : 0.0, mtl.rapid[i], mtl.rapid_acceleration[i]);
        if (axes[i].time > axes[std::size_t(longest)].time) longest = k;
        if (d[i] <= kArrived) continue;
        if (first_moving < 0) {
            first_moving = k;
        } else {
            std::size_t f = std::size_t(first_moving);
            alike = alike && std::fabs(d[i] - d[f]) <= kArrived && mtl.rapid[i] == mtl.rapid[f] &&
                    mtl.rapid_acceleration[i] == mtl.rapid_acceleration[f];
        }
    }
    if (alike) return;
    double total = axes[std::size_t(longest)].time;
    double n_real = pitch > 0 ? std::ceil(d[std::size_t(longest)] / pitch) : 1.0;
    // Written so that a NaN distance gives one sample instead of an undefined conversion.
    int n = n_real >= kMaxRapidPoints ? kMaxRapidPoints : n_real >= 1.0 ? int(n_real) : 1;
    if (n <= 1) return;
    for (int step = 1; step <= n; ++step) {
        double t = total * step / n;
        Vec3 p;
        for (int k = 0; k < 3; ++k) {
            double sign = end[k] >= start[k] ? 1.0 : -1.0;
            p[k] = step == n ? end[k] : start[k] + sign * profile_position(axes[std::size_t(k)], t);
        }
        path.points[std::size_t(path.count++)] = p;
    }
}

// Every order of axis motion: down (or up) first, then both L-shaped paths in the plane.
void unknown_path(const Vec3& start, const Vec3& end, const HeightLookup& lookup, RapidPath& path) {
    std::array<double, 3> d{};
    if (moving_axes(start, end, d) <= 1) return;
    auto add = [&path](double x, double y, double z) { path.points[std::size_t(path.count++)] = {x, y, z}; };
    if (d[2] > kArrived) add(start.x, start.y, end.z);
    Vec3 found;
    if (lookup.find && lookup.find(lookup.context, start.x, start.y, end.x, end.y, end.z, found) == 1) {
        add(found.x, found.y, end.z);
    } else if (d[0] > kArrived && d[1] > kArrived) {
        add(start.x, end.y, end.z);
        add(end.x, end.y, end.z);
        add(start.x, start.y, end.z);
        add(end.x, start.y, end.z);
    }
    add(end.x, end.y, end.z);
}

}  // namespace

void rapid_path(int mode, const Vec3& start, const Vec3& end, const Mtl& mtl, double pitch,
                const HeightLookup& lookup, RapidPath& path) {
    path.count = 0;
    if (mode == kG00Async1) async1_path(start, end, path);
    else if (mode == kG00Async2) async2_path(start, end, mtl, pitch, path);
    else if (mode == kG00Unknown) unknown_path(start, end, lookup, path);
}

// ---- Move time ----

double move_time(double distance, double entry, double cruise, double exit, double acceleration) {
    if (distance <= 0) return 0.0;
    double b = entry > 0 ? entry : kSlowest;
    double c = cruise > 0 ? cruise : kSlowest;
    double e = exit > 0 ? exit : kSlowest;
    double g = acceleration * kGravity;
    if (g <= 0) return distance / c;  // no acceleration given: cruise all the way
    double t_dec = (c - e) / g, s_dec = (e + c) * t_dec / 2.0;
    double t_acc = (c - b) / g, s_acc = (b + c) * t_acc / 2.0;
    if (s_acc + s_dec >= distance) {
        double v = std::sqrt(g * distance + b * b / 2.0 + e * e / 2.0);
        return (v - b) / g + (v - e) / g;
    }
    return t_acc + t_dec + (distance - s_acc - s_dec) / c;
}

// ---- Machining time ----

namespace {

bool rapid_class(const MachiningTime& t, double feed) { return rapid_class_feed(t.rapid_feedrate, feed); }

ToolTime* tool_time(MachiningTime& t) {
    return t.tool_slot >= 0 ? &t.tools[std::size_t(t.tool_slot)] : nullptr;
}

void add_tool_share(MachiningTime& t, double seconds, double length, double cutting_length, bool cutting = false) {
    if (ToolTime* tt = tool_time(t)) {
        tt->time += seconds;
        if (cutting) tt->cutting_time += seconds;
        tt->length += length;
        tt->cutting_length += cutting_length;
    }
}

void close_run(MachiningTime& t, const Mtl& mtl, double exit) {
    FeedRun& r = t.run;
    if (!r.open) return;
    r.open = false;
    double seconds;
    if (r.moves == 1 && r.single_linear) {
        double c[3] = {std::fabs(r.vector.x), std::fabs(r.vector.y), std::fabs(r.vector.z)};
        int k = c[1] > c[0] ? 1 : 0;
        if (c[2] > c[k]) k = 2;
        double ratio = c[k] / r.length / 60.0;
        seconds = move_time(c[k], r.entry * ratio, r.feed * ratio, exit * ratio, mtl.acceleration[std::size_t(k)]);
    } else {
        seconds = move_time(r.length, r.entry / 60.0, r.feed / 60.0, exit / 60.0, mtl.acceleration[0]);
    }
    t.feed_time += seconds;
    t.feed_length += r.length;
    if (rapid_class(t, r.feed)) {
        t.rapid_class_time += seconds;
        t.rapid_class_length += r.length;
        add_tool_share(t, seconds, r.length, 0.0);
    } else {
        t.cutting_time += seconds;
        t.cutting_length += r.length;
        add_tool_share(t, seconds, r.length, r.length, true);
    }
}

// Tangent directions at the two ends of a feed move (unit vectors; false for no length).
bool move_directions(const MoveRecord& m, double length, Vec3& first, Vec3& last) {
    if (length <= 0) return false;
    if (m.motion != kMotionCw && m.motion != kMotionCcw) {
        Vec3 d = m.end - m.start;
        first = last = {d.x / length, d.y / length, d.z / length};
        return true;
    }
    const PlaneAxes& pl = m.plane;
    double turn = m.motion == kMotionCcw ? 1.0 : -1.0;
    double rise = (m.end[pl.normal] - m.start[pl.normal]) / length;
    double along = m.arc_length / length;
    auto tangent = [&](const Vec3& radial) {
        Vec3 t;
        t[pl.first] = -turn * radial[pl.second] * along;
        t[pl.second] = turn * radial[pl.first] * along;
        t[pl.normal] = rise;
        return t;
    };
    first = tangent(m.start_direction);
    last = tangent(m.end_direction);
    return true;
}

}  // namespace

bool rapid_class_feed(double rapid_feedrate, double feed) { return rapid_feedrate > 0 && feed >= rapid_feedrate; }

void reset_time(MachiningTime& t, double rapid_feedrate) {
    std::vector<ToolTime> tools = std::move(t.tools);
    tools.clear();
    t = MachiningTime{};
    t.tools = std::move(tools);
    t.rapid_feedrate = rapid_feedrate;
}

void set_time_tool(MachiningTime& t, int tool) {
    for (std::size_t i = 0; i < t.tools.size(); ++i) {
        if (t.tools[i].tool == tool) {
            t.tool_slot = int(i);
            return;
        }
    }
    t.tools.push_back({tool, 0, 0, 0, 0});
    t.tool_slot = int(t.tools.size() - 1);
}

void add_rapid_move(MachiningTime& t, const Mtl& mtl, const MoveRecord& m) {
    close_run(t, mtl, 0.0);
    if (!m.last_piece) return;
    Vec3 d = m.end - m.path_start;
    double c[3] = {std::fabs(d.x), std::fabs(d.y), std::fabs(d.z)};
    double length = vx::length(d);
    if (length <= 0) return;
    int k = c[1] > c[0] ? 1 : 0;
    if (c[2] >= c[k]) k = 2;  // Z decides when it shares the largest distance
    double seconds = move_time(c[k], 0.0, mtl.rapid[std::size_t(k)] / 60.0, 0.0, mtl.rapid_acceleration[std::size_t(k)]);
    t.rapid_time += seconds;
    t.rapid_class_time += seconds;
    t.rapid_length += length;
    t.rapid_class_length += length;
    add_tool_share(t, seconds, length, 0.0);
}

void add_feed_move(MachiningTime& t, const Mtl& mtl, const Ctl& ctl, const MoveRecord& m, double feed) {
    double length = move_length(m);
    if (length <= 0) return;
    if (feed > 0) {
        t.max_feed = std::max(t.max_feed, feed);
        if (!rapid_class(t, feed)) t.max_cutting_feed = std::max(t.max_cutting_feed, feed);
        t.min_feed = t.min_feed > 0 ? std::min(t.min_feed, feed) : feed;
    }
    Vec3 first, last;
    bool has_direction = move_directions(m, length, first, last);
    FeedRun& r = t.run;
    double entry = 0.0;
    if (r.open && r.has_direction && has_direction) {
        Vec3 a = r.last_direction;
        double cosine = dot(a, first) / (vx::length(a) * vx::length(first));
        double angle = std::acos(std::clamp(cosine, -1.0, 1.0)) * 180.0 / std::numbers::pi;
        if (double(ctl.smooth_angle) >= angle) {
            if (feed == r.feed) {
                r.length += length;
                ++r.moves;
                r.last_direction = last;
                return;
            }
            entry = feed < r.feed ? feed : r.feed;
            close_run(t, mtl, entry);
        }
    }
    close_run(t, mtl, 0.0);
    r.open = true;
    r.moves = 1;
    r.single_linear = m.motion == kMotionLinear;
    r.vector = m.end - m.start;
    r.length = length;
    r.feed = feed;
    r.entry = entry;
    r.last_direction = last;
    r.has_direction = has_direction;
}

void add_dwell(MachiningTime& t, const Mtl& mtl, double seconds, bool rapid_mode) {
    close_run(t, mtl, 0.0);
    if (seconds <= 0) return;
    if (rapid_mode) {
        t.rapid_time += seconds;
        t.rapid_class_time += seconds;
    } else {
        t.feed_time += seconds;
        t.cutting_time += seconds;
    }
    add_tool_share(t, seconds, 0.0, 0.0, !rapid_mode);
}

void add_tool_change(MachiningTime& t, const Mtl& mtl, int tool) {
    close_run(t, mtl, 0.0);
    t.rapid_time += mtl.tool_change_time;
    t.rapid_class_time += mtl.tool_change_time;
    set_time_tool(t, tool);
}

void close_time(MachiningTime& t, const Mtl& mtl) { close_run(t, mtl, 0.0); }

void add_move(MachiningTime& t, const Mtl& mtl, const Ctl& ctl, const MoveRecord& m) {
    if (m.motion == kMotionRapid)
        add_rapid_move(t, mtl, m);
    else
        add_feed_move(t, mtl, ctl, m, m.feedrate);
}

}  // namespace vx::nc
