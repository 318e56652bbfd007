#include "gui/view_rules.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numbers>

namespace vx::gui {
namespace {

constexpr double kAngleStep = 2.5;      // degrees per drag unit
constexpr double kDragUnitsA = 72.0;    // a drag over the whole width turns A by 72 units
constexpr double kDragUnitsB = 36.0;    // ... over the whole height B by 36 units
constexpr double kZoomBase = 1.1;
constexpr double kZoomDragPower = 20.0; // a drag over the whole width zooms by 1.1^20
constexpr int kWheelNotch = 120;
constexpr double kKeyTiltStep = 10.0;   // U and D
constexpr double kKeyTurnStep = 15.0;   // 5 and 6

double wrap_a(double a) {
    a = std::fmod(a, 360.0);
    return a < 0 ? a + 360.0 : a;
}

double clamp_b(double b) { return b < 0 ? 0 : b > 90 ? 90 : b; }

// U tilts toward the plan view, D toward the side view; the step next to an end stops 5 degrees
// short of it, so that the last step before the end is half a step.
double tilt(double b, double step) {
    double next = clamp_b(b + step);
    if (step < 0 && next == 80) next = 85;
    if (step > 0 && next == 10) next = 5;
    return next;
}

}  // namespace

std::optional<ViewAngles> angles_for_key(char key, ViewAngles now) {
    switch (key) {
    case '1': return ViewAngles{225, now.b};
    case '2': return ViewAngles{135, now.b};
    case '3': return ViewAngles{45, now.b};
    case '4': return ViewAngles{315, now.b};
    case '5': return ViewAngles{wrap_a(now.a - kKeyTurnStep), now.b};
    case '6': return ViewAngles{wrap_a(now.a + kKeyTurnStep), now.b};
    case '7': return ViewAngles{wrap_a(now.a + 180), now.b};
    case '8': return ViewAngles{0, 90};
    case '9': return ViewAngles{270, 90};
    case '0': return ViewAngles{0, 0};
    case 'U': return ViewAngles{now.a, tilt(now.b, -kKeyTiltStep)};
    case 'D': return ViewAngles{now.a, tilt(now.b, kKeyTiltStep)};
    default: return std::nullopt;
    }
}

int wheel_steps(int distance, bool reverse) {
    int steps = 0;
    if (std::abs(distance) <= kWheelNotch) steps = distance > 0 ? 1 : -1;
    else steps = distance / kWheelNotch;
    return reverse ? -steps : steps;
}

bool drag_step_due(int dx, int dy) { return std::abs(dx) + std::abs(dy) >= kDragThreshold; }

namespace {

constexpr double kDegrees = std::numbers::pi / 180.0;

// The angle step of a drag: horizontal (first) or vertical, in degrees, in the drag's sense
// (rightward and upward positive).
struct DragTurn {
    bool horizontal = true;
    double degrees = 0;
};

DragTurn drag_turn(int dx, int dy, int width, int height) {
    if (std::abs(dx) >= std::abs(dy)) {
        const double units = std::round(std::abs(dx) * kDragUnitsA / std::max(width, 1));
        return {true, (dx < 0 ? -1 : 1) * kAngleStep * units};
    }
    const double units = std::round(std::abs(dy) * kDragUnitsB / std::max(height, 1));
    return {false, (dy < 0 ? 1 : -1) * kAngleStep * units};
}

}  // namespace

ViewAngles rotate_drag(ViewAngles now, int dx, int dy, int width, int height) {
    const DragTurn t = drag_turn(dx, dy, width, height);
    if (t.horizontal) return {wrap_a(now.a + t.degrees), now.b};
    return {now.a, clamp_b(now.b + t.degrees)};
}

DragUse turn_drag_used(int dx, int dy, int width, int height) {
    const DragTurn t = drag_turn(dx, dy, width, height);
    const double units = t.degrees / kAngleStep;  // signed: rightward, upward positive
    if (t.horizontal) return {units * std::max(width, 1) / kDragUnitsA, 0};
    return {0, -units * std::max(height, 1) / kDragUnitsB};
}

LightAngles light_angles(const Vec3& l) {
    const double horizontal = std::hypot(l.x, l.y);
    const double azimuth = horizontal > 0 ? wrap_a(std::atan2(l.y, l.x) / kDegrees) : 0.0;
    return {azimuth, std::atan2(l.z, horizontal) / kDegrees};
}

Vec3 light_vector(LightAngles a) {
    const double az = a.azimuth * kDegrees, el = a.elevation * kDegrees;
    return {std::cos(el) * std::cos(az), std::cos(el) * std::sin(az), std::sin(el)};
}

LightAngles light_drag(LightAngles now, int dx, int dy, int width, int height) {
    const DragTurn t = drag_turn(dx, dy, width, height);
    if (t.horizontal) return {wrap_a(now.azimuth + t.degrees), now.elevation};
    return {now.azimuth, std::clamp(now.elevation + t.degrees, -90.0, 90.0)};
}

double zoom_drag_factor(int dx, int dy, int width, int height) {
    if (std::abs(dx) >= std::abs(dy)) return std::pow(kZoomBase, kZoomDragPower * dx / std::max(width, 1));
    return std::pow(kZoomBase, -kZoomDragPower * dy / std::max(height, 1));
}

double wheel_zoom_factor(int steps) { return std::pow(kZoomBase, steps); }

}  // namespace vx::gui
