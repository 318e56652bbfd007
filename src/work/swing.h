// The swing of a workpiece being loaded: a rotation about an axis parallel to X, Y or Z through a
// centre point. Vertices turn about the centre; normals, being directions, only rotate.
#pragma once

#include "base/vec3.h"

#include <cmath>
#include <numbers>

namespace vx::work {

struct Swing {
    int axis = 2;  // 0 X, 1 Y, 2 Z
    Vec3 centre;
    double angle_degrees = 0.0;
};

// A swing ready to apply: the angle's cosine and sine worked out once for every vertex.
struct SwingRotation {
    int p = 0, q = 1;  // the two axes turned, in right-hand order after the swing axis
    double cosine = 1.0, sine = 0.0;
    Vec3 centre;
};

inline SwingRotation rotation_of(const Swing& s) {
    const double a = s.angle_degrees * std::numbers::pi / 180.0;
    const int axis = s.axis >= 0 && s.axis <= 2 ? s.axis : 2;
    return {(axis + 1) % 3, (axis + 2) % 3, std::cos(a), std::sin(a), s.centre};
}

// About X: y' = y cos a - z sin a, z' = y sin a + z cos a; about Y and Z the same with (z, x)
// and (x, y) in place of (y, z).
inline Vec3 swing_direction(const SwingRotation& r, const Vec3& v) {
    Vec3 out = v;
    out[r.p] = v[r.p] * r.cosine - v[r.q] * r.sine;
    out[r.q] = v[r.p] * r.sine + v[r.q] * r.cosine;
    return out;
}

inline Vec3 swing_point(const SwingRotation& r, const Vec3& v) {
    return swing_direction(r, v - r.centre) + r.centre;
}

}  // namespace vx::work
