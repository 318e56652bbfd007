// The one 3-D vector of the program: points, directions and offsets in millimetres, with the
// axes also reachable by index (0 X, 1 Y, 2 Z) so that plane-generic code needs no switch.
#pragma once

#include <cmath>

namespace vx {

struct Vec3 {
    double x = 0, y = 0, z = 0;

    constexpr double& operator[](int axis) { return axis == 0 ? x : axis == 1 ? y : z; }
    constexpr double operator[](int axis) const { return axis == 0 ? x : axis == 1 ? y : z; }

    constexpr Vec3& operator+=(const Vec3& b) {
        x += b.x, y += b.y, z += b.z;
        return *this;
    }
    constexpr Vec3& operator-=(const Vec3& b) {
        x -= b.x, y -= b.y, z -= b.z;
        return *this;
    }
    constexpr Vec3& operator*=(double s) {
        x *= s, y *= s, z *= s;
        return *this;
    }

    friend constexpr bool operator==(const Vec3&, const Vec3&) = default;
    friend constexpr Vec3 operator+(Vec3 a, const Vec3& b) { return a += b; }
    friend constexpr Vec3 operator-(Vec3 a, const Vec3& b) { return a -= b; }
    friend constexpr Vec3 operator-(const Vec3& a) { return {-a.x, -a.y, -a.z}; }
    friend constexpr Vec3 operator*(Vec3 a, double s) { return a *= s; }
    friend constexpr Vec3 operator*(double s, Vec3 a) { return a *= s; }
    friend constexpr Vec3 operator/(const Vec3& a, double s) { return {a.x / s, a.y / s, a.z / s}; }
};

constexpr double dot(const Vec3& a, const Vec3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline double length(const Vec3& v) { return std::sqrt(dot(v, v)); }

}  // namespace vx
