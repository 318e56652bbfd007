// The steps of a block that change the interpreter's state: planes, work and local offsets, tool
// and length offsets, G92, G10, reference returns, scaling, mirror and rotation, and the
// coordinate transforms that turn programmed points into workpiece points.
#include "nc/interp.h"

#include "nc/interp_steps.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace vx::nc {

namespace {

constexpr double kSnapZero = 0.000001;  // programmed coordinates this small are exactly 0
constexpr double kDegree = std::numbers::pi / 180.0;

// The three plane pairs of the controller's plane codes: (X, Y), (Z, X), (Y, Z).
constexpr PlaneAxes kPairs[3] = {{0, 1, 2}, {2, 0, 1}, {1, 2, 0}};

// 1 with the sizes of a tool the table defines.
int tool_sizes(const Interp& in, int t, ToolSizes& sizes) {
    return in.tools.sizes ? in.tools.sizes(in.tools.context, t, sizes) : 0;
}

bool tool_known(const Interp& in, int t) {
    ToolSizes unused;
    return in.tools.sizes ? tool_sizes(in, t, unused) == 1 : t >= 0;
}

// Plane 18 or 19, anything else 17, with its axes under the controller's mapping.
void select_plane(ModalState& m, const Ctl& ctl, int plane) {
    m.plane = plane == 18 || plane == 19 ? plane : 17;
    m.axes = plane_axes(ctl, m.plane, m.plane_code);
}

double entry_value(const OffsetEntry& e) { return double(e.value) + double(e.wear); }

// HEIDENHAIN takes the D entry of the tool itself, and half its diameter while that entry is 0.
double radius_value(const Interp& in) {
    const Ctl& ctl = *in.ctl;
    if (ctl.product != Dialect::Heidenhain) return entry_value(ctl.d[std::size_t(in.modal.d_number)]);
    if (in.modal.tool >= 0 && in.modal.tool < kOffsetEntries) {
        const double entry = entry_value(ctl.d[std::size_t(in.modal.tool)]);
        if (entry != 0.0) return entry;
    }
    ToolSizes sizes;
    return tool_sizes(in, in.modal.tool, sizes) ? sizes.diameter / 2.0 : 0.0;
}

void refresh_offsets(Interp& in) {
    const Ctl& ctl = *in.ctl;
    ModalState& m = in.modal;
    if (m.length_sign != 0) m.length_offset = entry_value(ctl.h[std::size_t(m.h_number)]) * m.length_sign;
    m.radius_offset = radius_value(in) * m.radius_side;
}

}  // namespace

namespace steps {

void raise(Interp& in, int code) { raise_alarm(in.reader->alarm, code, in.main_line); }

MoveRecord new_move(const Interp& in, int motion, const Vec3& end) {
    MoveRecord m;
    m.motion = motion;
    m.line = in.line;
    m.start = m.path_start = in.modal.position;
    m.end = end;
    m.plane = in.modal.axes;
    m.feedrate = in.modal.feed;
    m.tool = in.modal.tool;
    m.rotations = in.modal.rotations;
    m.rotation = in.modal.rotation;
    m.machine_coordinates = in.block.g53;
    return m;
}

// ---- Planes and work offsets ----

void set_plane(Interp& in, int plane) { select_plane(in.modal, *in.ctl, plane); }

namespace {

void select_work_index(Interp& in, int index) {
    if (index < 0 || index >= kWorkOffsets) return;  // a number beyond the table selects nothing
    in.modal.work_index = index;
    in.modal.work_offset = work_offset_of(*in.ctl, index);
}

}  // namespace

void select_work(Interp& in) {
    const BlockWords& b = in.block;
    int index = b.work;
    if (b.work_extended) {
        const int n = b.has_p ? read_integer(b.p_text) : 0;
        // A P beyond the table selects nothing; 6 + P would overflow for the largest numbers.
        index = n < kWorkOffsets - 6 ? 6 + std::max(n, 1) : kWorkOffsets;
    }
    select_work_index(in, index);
}

void apply_osp_words(Interp& in) {
    BlockWords& b = in.block;
    if (b.has_f && b.special != 4) read_feed(b.f_text, *in.ctl, in.modal.feed, in.reader->alarm, in.main_line);
    if (!b.has_h) return;
    if (b.work_by_h) {
        select_work_index(in, b.h);
        b.has_h = false;  // not a length offset number
    } else {
        h_word(in, b.h >= 0 && b.h < kOffsetEntries ? b.h : 0);
    }
}

// ---- Tools ----

void activate_tool(Interp& in, int t) {
    if (t == in.modal.tool || !tool_known(in, t)) return;  // the tool in the spindle needs no change
    in.modal.tool = t;
    if (in.time) add_tool_change(*in.time, *in.mtl, t);
    if (in.hooks.tool_change) in.hooks.tool_change(in.hooks.context, t);
}

namespace {

void cancel_length(Interp& in, int pending) {
    if (in.ctl->g49_mode == 1 && in.modal.length_offset != 0.0) {
        in.modal.pending_cancel = pending;  // KEEP: the offset stays until the next axis word
    } else {
        in.modal.length_offset = 0;
    }
    in.modal.length_sign = 0;
}

int power_of_ten(int digits) {
    int p = 1;
    for (int i = 0; i < digits; ++i) p *= 10;
    return p;
}

}  // namespace

void apply_tool_words(Interp& in) {
    const BlockWords& b = in.block;
    const Mtl& mtl = *in.mtl;
    if (!b.has_t) {
        if (b.m06 && mtl.atc_type != kAtcDirect && in.modal.preselected > 0) activate_tool(in, in.modal.preselected);
        return;
    }
    int t = b.t;
    if (mtl.combined_t && mtl.atc_type == kAtcDirect) {
        int divisor = power_of_ten(mtl.offset_digits);
        int h = t % divisor;
        t /= divisor;
        if (h > 0 && h < kOffsetEntries) {
            in.modal.h_number = h;
            in.modal.length_sign = 1;
            in.modal.pending_cancel = kPendingNone;
            refresh_offsets(in);
        } else if (h == 0) {
            cancel_length(in, kPendingTWord);
        }
    }
    switch (mtl.atc_type) {
    case kAtcWait:
        if (tool_known(in, t)) in.modal.preselected = t;
        if (b.m06 && in.modal.preselected > 0) activate_tool(in, in.modal.preselected);
        break;
    case kAtcWait2:
        if (b.m06) {
            int earlier = in.modal.preselected;
            if (tool_known(in, t)) in.modal.preselected = t;
            if (earlier > 0) activate_tool(in, earlier);
        } else if (tool_known(in, t)) {
            in.modal.preselected = t;
        }
        break;
    default:
        activate_tool(in, t);
        break;
    }
}

void d_word(Interp& in, int n) {
    ToolSizes sizes;
    if (in.ctl->d_from_tool && n > 0 && tool_sizes(in, in.modal.tool, sizes))
        in.ctl->d[std::size_t(n)].value = sizes.diameter / 2.0f;
    in.modal.d_number = n;
}

void h_word(Interp& in, int n) {
    ToolSizes sizes;
    if (in.ctl->h_from_tool && n > 0 && tool_sizes(in, in.modal.tool, sizes)) in.ctl->h[std::size_t(n)].value = sizes.length;
    in.modal.h_number = n;
}

void apply_length(Interp& in) {
    const BlockWords& b = in.block;
    if (b.length == 43 || b.length == 44) {
        in.modal.length_sign = b.length == 43 ? 1 : -1;
        in.modal.pending_cancel = kPendingNone;
        refresh_offsets(in);
    } else if (b.length == 49) {
        cancel_length(in, kPendingG49);
    } else if (b.has_h && in.modal.length_sign != 0) {
        refresh_offsets(in);
    }
}

void apply_radius(Interp& in) {
    const BlockWords& b = in.block;
    if (b.radius == 40) in.modal.radius_side = 0;
    else if (b.radius == 41) in.modal.radius_side = in.modal.plane_code < 0 ? -1 : 1;
    else if (b.radius == 42) in.modal.radius_side = in.modal.plane_code < 0 ? 1 : -1;
    if ((b.radius == 41 || b.radius == 42) && mirrored_odd(in)) in.modal.radius_side = -in.modal.radius_side;
    if (b.radius >= 0 || b.has_d) refresh_offsets(in);
}

// KEEP: the cancelled offset leaves the stored position, so the tool does not travel by it.
void apply_pending_cancel(Interp& in) {
    if (in.modal.pending_cancel == kPendingNone) return;
    in.modal.position.z -= in.modal.length_offset;
    in.modal.length_offset = 0;
    in.modal.pending_cancel = kPendingNone;
}

// ---- Coordinates ----

Vec3 programmed_target(const Interp& in) {
    const BlockWords& b = in.block;
    Vec3 p = in.modal.programmed;
    for (int a = 0; a < 3; ++a) {
        if (!b.axis[std::size_t(a)]) continue;
        double v = b.value[std::size_t(a)];
        p[a] = in.modal.incremental ? in.modal.programmed[a] + v : v;
    }
    return p;
}

double programmed_of(const Interp& in, int a, double v) {
    double offset = in.modal.work_offset[a] + (in.modal.local[std::size_t(in.modal.work_index)])[a] + in.modal.shift[a];
    if (a == 2) offset += in.modal.length_offset;
    return v - offset;
}

Vec3 workpiece_vector(const Interp& in, const Vec3& v) {
    Vec3 p = v;
    if (in.modal.scaling) {
        for (int a = 0; a < 3; ++a)
            if (in.ctl->scale_effect[std::size_t(a)]) p[a] *= in.modal.scale_factor[std::size_t(a)];
    }
    for (int r = in.modal.rotations - 1; r >= 0; --r) {
        const RotationData& rd = in.modal.rotation[std::size_t(r)];
        double c = std::cos(rd.angle), s = std::sin(rd.angle);
        double d1 = p[rd.first], d2 = p[rd.second];
        p[rd.first] = c * d1 - s * d2;
        p[rd.second] = s * d1 + c * d2;
    }
    for (int a = 0; a < 3; ++a)
        if (in.modal.mirror[std::size_t(a)]) p[a] = -p[a];
    return p;
}

bool mirrored_odd(const Interp& in) {
    return in.modal.mirror[std::size_t(in.modal.axes.first)] != in.modal.mirror[std::size_t(in.modal.axes.second)];
}

// ---- Non-modal codes ----

void dwell_block(Interp& in) {
    const BlockWords& b = in.block;
    std::string_view text = b.has_p ? b.p_text : b.has_x ? b.x_text : std::string_view{};
    if (in.ctl->product == Dialect::Osp) text = b.has_f ? b.f_text : std::string_view{};
    in.modal.dwell = text.empty() ? 0.0 : read_time(text);
    if (in.time && in.modal.dwell > 0) add_dwell(*in.time, *in.mtl, in.modal.dwell, in.modal.motion == kMotionRapid);
}

namespace {

// Offset memory is single precision: a value beyond its range is held at the range's end.
void set_offset(float& field, double r, bool incremental) {
    double v = incremental ? double(field) + r : r;
    constexpr double kMax = std::numeric_limits<float>::max();
    field = v > kMax ? float(kMax) : v < -kMax ? float(-kMax) : v == v ? float(v) : field;
}

void g10_offset_memory(Interp& in, int l, int p) {
    Ctl& ctl = *in.ctl;
    const BlockWords& b = in.block;
    if (!b.has_r || p < 0 || p >= kOffsetEntries) return;
    OffsetEntry& d = ctl.d[std::size_t(p)];
    OffsetEntry& h = ctl.h[std::size_t(p)];
    bool inc = in.modal.incremental;
    switch (ctl.offset_memory) {
    case 1:
        set_offset(d.value, b.r, inc);
        set_offset(h.value, b.r, inc);
        break;
    case 2:
        if (l == 10) {
            set_offset(d.value, b.r, inc);
            set_offset(h.value, b.r, inc);
        } else if (l == 11) {
            set_offset(d.wear, b.r, inc);
            set_offset(h.wear, b.r, inc);
        }
        break;
    case 3:
        if (l == 10) set_offset(h.value, b.r, inc);
        else if (l == 11 || l == 1) set_offset(h.wear, b.r, inc);
        else if (l == 12) set_offset(d.value, b.r, inc);
        else if (l == 13) set_offset(d.wear, b.r, inc);
        break;
    default: break;
    }
    refresh_offsets(in);
}

}  // namespace

void g10_block(Interp& in) {
    Ctl& ctl = *in.ctl;
    const BlockWords& b = in.block;
    if (!fanuc_like(ctl.product) || ctl.offset_memory < 1 || ctl.offset_memory > 3) return;
    int l = b.has_l ? b.l : 0;
    int p = b.has_p ? read_integer(b.p_text) : -1;
    in.modal.g10 = true;
    in.modal.g10_l = l;
    in.modal.g10_p = p;
    if (l != 2 && l != 20) {
        g10_offset_memory(in, l, p);
        return;
    }
    int index = l == 2 ? p : 6 + p;
    if (p < 0 || (l == 20 && p < 1) || index >= kWorkOffsets) return;
    Vec3& w = ctl.work[std::size_t(index)];
    for (int a = 0; a < 3; ++a) {
        if (!b.axis[std::size_t(a)]) continue;
        double v = b.value[std::size_t(a)];
        w[a] = in.modal.incremental ? w[a] + v : v;
    }
    in.modal.work_offset = work_offset_of(ctl, in.modal.work_index);
}

void g92_block(Interp& in) {
    const BlockWords& b = in.block;
    bool move = in.ctl->g92_mode == 1 && !in.modal.g92_moved;
    for (int a = 0; a < 3; ++a) {
        if (!b.axis[std::size_t(a)]) continue;
        double v = b.value[std::size_t(a)];
        if (move) {
            double offset =
                in.modal.work_offset[a] + (in.modal.local[std::size_t(in.modal.work_index)])[a] + in.modal.shift[a];
            if (a == 2) offset += in.modal.length_offset;
            in.modal.position[a] = v + offset;
        } else {
            double others = in.modal.work_offset[a] + (in.modal.local[std::size_t(in.modal.work_index)])[a];
            if (a == 2) others += in.modal.length_offset;
            in.modal.shift[a] = in.modal.position[a] - v - others;
        }
        in.modal.programmed[a] = v;
    }
    if (b.any_axis) in.modal.g92_moved = true;
}

void g52_block(Interp& in) {
    const BlockWords& b = in.block;
    Vec3& local = in.modal.local[std::size_t(in.modal.work_index)];
    for (int a = 0; a < 3; ++a) {
        if (!b.axis[std::size_t(a)]) continue;
        double v = b.value[std::size_t(a)];
        local[a] = in.modal.incremental ? local[a] + v : v;
    }
}

namespace {

// A leg of a reference return; a leg that does not move (G91 G28 Z0 to its intermediate point)
// is left out.
void push_rapid(Interp& in, const Vec3& end) {
    if (end == in.modal.position) return;
    MoveRecord m = new_move(in, kMotionRapid, end);
    m.machine_coordinates = false;  // a reference leg never takes the G53 path
    push_move(in, m);
    in.modal.position = end;
}

// The named axes of `in.modal.position` replaced from `p`.
Vec3 named_axes(const Interp& in, const Vec3& p) {
    Vec3 out = in.modal.position;
    for (int a = 0; a < 3; ++a)
        if (in.block.axis[std::size_t(a)]) out[a] = p[a];
    return out;
}

}  // namespace

void reference_block(Interp& in, int code) {
    const BlockWords& b = in.block;
    if (!b.any_axis) return;
    Vec3 target = programmed_target(in);
    Vec3 point = named_axes(in, workpiece_point(in, target));
    if (code == 27) {
        in.modal.reference = 3;
        push_rapid(in, point);
        in.modal.programmed = target;
        return;
    }
    if (code == 29) {
        in.modal.reference = 2;
        push_rapid(in, named_axes(in, in.intermediate));
        push_rapid(in, point);
        in.modal.programmed = target;
        return;
    }
    in.modal.reference = 1;
    push_rapid(in, point);
    in.intermediate = point;
    in.modal.programmed = target;
    int k = 1;
    if (code == 30) k = b.has_p ? read_integer(b.p_text) : 2;
    if (k < 1 || k >= kRefPoints || !in.ctl->ref[std::size_t(k)].defined) return;  // ends at the intermediate point
    in.modal.reference_point = k;
    const RefPoint& ref = in.ctl->ref[std::size_t(k)];
    Vec3 r{double(ref.x), double(ref.y), double(ref.z)};
    push_rapid(in, named_axes(in, r));
    for (int a = 0; a < 3; ++a)
        if (b.axis[std::size_t(a)]) in.modal.programmed[a] = programmed_of(in, a, in.modal.position[a]);
}

void scaling_on(Interp& in) {
    const BlockWords& b = in.block;
    const Ctl& ctl = *in.ctl;
    in.modal.scale_centre = programmed_target(in);
    for (int a = 0; a < 3; ++a) {
        std::size_t i = std::size_t(a);
        if (b.has_p) in.modal.scale_factor[i] = read_scaled(b.p_text, ctl, Scaled::Scale);
        else if (b.centre[i]) in.modal.scale_factor[i] = read_scaled(b.centre_text[i], ctl, Scaled::Scale);
        else in.modal.scale_factor[i] = ctl.scale[i];
    }
    in.modal.scaling = true;
}

namespace {

// A mirror image of an odd number of plane axes cuts on the other side of the path.
void follow_mirror(Interp& in, bool was_odd) {
    if (mirrored_odd(in) == was_odd || in.modal.radius_side == 0) return;
    in.modal.radius_side = -in.modal.radius_side;
    refresh_offsets(in);
}

}  // namespace

void mirror_on(Interp& in) {
    const BlockWords& b = in.block;
    const bool was_odd = mirrored_odd(in);
    for (int a = 0; a < 3; ++a) {
        if (!b.axis[std::size_t(a)]) continue;
        in.modal.mirror[std::size_t(a)] = true;
        in.modal.mirror_at[a] = b.value[std::size_t(a)];
    }
    follow_mirror(in, was_odd);
}

void mirror_off(Interp& in) {
    const bool was_odd = mirrored_odd(in);
    in.modal.mirror = {};
    follow_mirror(in, was_odd);
}

void rotation_on(Interp& in) {
    const BlockWords& b = in.block;
    const Ctl& ctl = *in.ctl;
    RotationData rd;
    double degrees = b.has_r ? read_scaled(b.r_text, ctl, Scaled::Angle) : 0.0;
    Vec3 centre;
    if (!b.centre[0] && !b.centre[1] && !b.centre[2]) {
        rd.first = in.modal.axes.first;
        rd.second = in.modal.axes.second;
        centre = programmed_target(in);  // axes not given: the current position
        if (degrees == 0.0) degrees = ctl.rotation_angle;
    } else {
        int k = -1;
        for (int a = 0; a < 3 && k < 0; ++a)
            if (b.centre[std::size_t(a)] && b.centre_value[std::size_t(a)] != 0.0) k = a;
        if (k < 0) return;  // no axis to turn about
        rd.first = kPairs[2 - k].first;  // about X: (Y, Z); about Y: (Z, X); about Z: (X, Y)
        rd.second = kPairs[2 - k].second;
        for (int a = 0; a < 3; ++a) centre[a] = b.axis[std::size_t(a)] ? b.value[std::size_t(a)] : 0.0;
    }
    if (degrees == 0.0) {
        in.modal.rotations = 0;
        return;
    }
    // The centre stays as written: the rotation turns the scaled point about it (scaling the
    // centre as well would make the order of the two transforms irrelevant).
    rd.centre1 = centre[rd.first];
    rd.centre2 = centre[rd.second];
    // Under the mirror image of an odd number of plane axes the rotation turns the other way.
    rd.angle = (mirrored_odd(in) ? -degrees : degrees) * kDegree;
    if (in.modal.rotations < 2) in.modal.rotation[std::size_t(in.modal.rotations++)] = rd;
    else in.modal.rotation[1] = rd;  // a third level replaces the second
}

}  // namespace steps

// ---- The start state ----

ModalState start_state(const Ctl& ctl, const Vec3& start_point, int start_tool) {
    ModalState m;
    select_plane(m, ctl, ctl.initial_plane);
    m.return_level = ctl.return_level;
    m.work_index = ctl.product == Dialect::Osp ? 0 : 1;
    m.work_offset = work_offset_of(ctl, m.work_index);
    m.tool = start_tool;
    m.position = start_point;
    m.programmed = start_point - m.work_offset;
    return m;
}

// ---- Public coordinate functions ----

Vec3 workpiece_point(const Interp& in, const Vec3& programmed) {
    const Ctl& ctl = *in.ctl;
    Vec3 p = programmed;
    if (in.modal.scaling) {
        for (int a = 0; a < 3; ++a) {
            std::size_t i = std::size_t(a);
            if (ctl.scale_effect[i])
                p[a] = in.modal.scale_centre[a] + in.modal.scale_factor[i] * (p[a] - in.modal.scale_centre[a]);
        }
    }
    for (int a = 0; a < 3; ++a)
        if (std::fabs(p[a]) < kSnapZero) p[a] = 0.0;
    for (int r = in.modal.rotations - 1; r >= 0; --r) {
        const RotationData& rd = in.modal.rotation[std::size_t(r)];
        double c = std::cos(rd.angle), s = std::sin(rd.angle);
        double d1 = p[rd.first] - rd.centre1, d2 = p[rd.second] - rd.centre2;
        p[rd.first] = rd.centre1 + c * d1 - s * d2;
        p[rd.second] = rd.centre2 + s * d1 + c * d2;
    }
    for (int a = 0; a < 3; ++a)
        if (in.modal.mirror[std::size_t(a)]) p[a] = 2.0 * in.modal.mirror_at[a] - p[a];
    const Vec3& local = in.modal.local[std::size_t(in.modal.work_index)];
    p.x += in.modal.work_offset.x + local.x + in.modal.shift.x;
    p.y += in.modal.work_offset.y + local.y + in.modal.shift.y;
    p.z += in.modal.work_offset.z + local.z + in.modal.shift.z + in.modal.length_offset;
    return p;
}

Vec3 work_offset_of(const Ctl& ctl, int index) {
    if (index < 0 || index >= kWorkOffsets) return {};
    Vec3 w = ctl.work[std::size_t(index)];
    if (fanuc_like(ctl.product) && index >= 1) {
        w.x += ctl.work[0].x;
        w.y += ctl.work[0].y;
        w.z += ctl.work[0].z;
    }
    return w;
}

PlaneAxes plane_axes(const Ctl& ctl, int plane, int& code) {
    for (int i = 0; i < 3; ++i) {
        int c = ctl.plane_codes[std::size_t(i)];
        if (c == plane || c == -plane) {
            code = c;
            return kPairs[i];
        }
    }
    int i = plane == 18 ? 1 : plane == 19 ? 2 : 0;  // a mapping that names no such pair
    code = plane;
    return kPairs[i];
}

}  // namespace vx::nc
