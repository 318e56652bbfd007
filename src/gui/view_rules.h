// The rules of the window's view keys and mouse as numbers, without a window: the angles the
// number keys and U/D give, the zoom steps of a wheel distance, and the angle or zoom step of a
// mouse drag. The window applies them to the display.
#pragma once

#include "base/vec3.h"

#include <optional>

namespace vx::gui {

struct ViewAngles {
    double a = 0, b = 0;  // A about Z in [0, 360), B elevation in [0, 90]
    friend bool operator==(const ViewAngles&, const ViewAngles&) = default;
};

// The angles after the view key `key` ('0'..'9', 'U', 'D'); nullopt for any other key. The
// caller leaves the view alone when the answer equals the current angles, unless CTRL is held.
std::optional<ViewAngles> angles_for_key(char key, ViewAngles now);

// Zoom steps of a wheel distance (120 a notch): up to one notch either way is one step in its
// direction (0 counts as -1), more is distance / 120 toward zero; reversed by WHEEL ZOOM.
int wheel_steps(int distance, bool reverse);

// A drag of (dx, dy) pixels since the last step (y grows downward) in a client of width x height.
// Fewer than kDragThreshold pixels in total take no step.
constexpr int kDragThreshold = 3;
bool drag_step_due(int dx, int dy);

// Rotate mode: a mostly horizontal drag turns A by 2.5 degrees times round(|dx| 72 / width) in
// the sign of dx, a mostly vertical one B by 2.5 degrees times round(|dy| 36 / height), upward
// raising it; wrapped and clamped like the keys.
ViewAngles rotate_drag(ViewAngles now, int dx, int dy, int width, int height);

// The light's direction as azimuth about Z (0..360) and elevation over the XY plane (-90..90).
struct LightAngles {
    double azimuth = 0, elevation = 90;
};
LightAngles light_angles(const Vec3& light);  // of a unit vector
Vec3 light_vector(LightAngles angles);        // unit

// Light mode: the rotate step rule on the azimuth (horizontal drag) and the elevation (vertical
// drag, upward raising it, clamped to -90..90).
LightAngles light_drag(LightAngles now, int dx, int dy, int width, int height);

// The pixels of a drag of (dx, dy) that a rotate or light step used: its whole units along its
// axis, so that the rest counts toward the next step and a slow drag turns as far as a quick one.
struct DragUse {
    double dx = 0, dy = 0;
};
DragUse turn_drag_used(int dx, int dy, int width, int height);

// Zoom mode: the factor 1.1^(20 dx / width), or with an upward drag 1.1^(-20 dy / height).
double zoom_drag_factor(int dx, int dy, int width, int height);

// The wheel's factor: 1.1 to the power of the steps.
double wheel_zoom_factor(int steps);

}  // namespace vx::gui
