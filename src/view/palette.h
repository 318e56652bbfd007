// The brush palette of the workpiece view: 11 colour groups of 50 shades (25 darkening toward
// 40% of the colour, 25 lightening toward white), and the shade a surface takes from its
// normal, the light vector and the eye vector. Colours handed to the sink are 0x00RRGGBB.
#pragma once

#include "view/display_settings.h"
#include "view/view_state.h"

#include <array>
#include <cstdint>

namespace vx::view {

constexpr int kShades = 50;
constexpr int kGroups = 11;
constexpr int kBrushes = kGroups * kShades;  // brush index = 50 * group + shade

constexpr int kGroupWork = 0;            // WORK COLOR
constexpr int kGroupDiscoloration = 1;   // WORK COLOR2
constexpr int kGroupFirstCode = 2;       // code c (pen 1..7, or cut direction 1..3) is group c + 1
constexpr int kGroupPaint = 9;           // PENKI COLOR
constexpr int kGroupInterference = 10;   // pure red

constexpr int brush_index(int group, int shade) { return group * kShades + shade; }

// Fixed pen colours of the view, 0x00RRGGBB.
constexpr std::uint32_t kRed = 0xFF0000;
constexpr std::uint32_t kGreen = 0x00FF00;
constexpr std::uint32_t kLightGrey = 0xBFBFBF;

// A settings colour (red in the low byte) as 0x00RRGGBB.
constexpr std::uint32_t sink_colour(Colour c) {
    return std::uint32_t(red(c)) << 16 | std::uint32_t(green(c)) << 8 | std::uint32_t(blue(c));
}

struct Palette {
    std::array<std::uint32_t, kBrushes> brush{};
    std::uint32_t background = 0xFFFFFF;
    std::uint32_t mesh = 0x7F7FFF;   // the mesh pen: the work colour, unshaded
    std::uint32_t plus = 0xFFFF00;   // difference lines where the workpiece is higher
    std::uint32_t minus = 0xFF0000;  // ... where the reference is higher
};

// One component c (0..255) at shade 0..49: c * 0.4 + c * 0.024 * shade below 25, else
// c + (255 - c) * (shade - 25) / 24, each truncated.
int shade_component(int c, int shade);

// The palette for the colours and the colour mode: groups 2, 3 and 4 take the up-cut, down-cut
// and vertical-cut colours instead of pens 1 to 3 when colouring by cut direction. Rebuilt when
// the colours or the mode change.
Palette make_palette(const Colours& colours, bool colour_by_pen);

// The light and the eye of one redraw with the products every shade takes from them.
struct Shading {
    Vec3 light, eye;
    double light_eye = 0, light_light = 0;  // L . V, L . L
};

Shading shading(const Vec3& light, const Vec3& eye);

// x held to the shades 0..49 (NaN to 0) and truncated.
inline double truncated_shade(double x) {
    const double low = x > 0.0 ? x : 0.0;
    return double(int(low < 49.0 ? low : 49.0));
}

// Shade 0..49 of a surface with unit normal n: 24.5 n.z, raised toward 49 by the fourth power
// of the cosine between r = 2n - L and the eye. Here n may have any length: `inverse_length`
// is 1 / |n| and `facing` is n . V, which the caller has already taken to see the face. Faces
// turned below the horizon (n.z < 0) never show and start from shade 0. Free of branches, so
// that a loop over many faces runs in vector registers.
inline int shade_of(const Shading& s, const Vec3& n, double inverse_length, double facing) {
    // The unit normal's products without forming it: n^ . V, n^ . L and n^ . n^ = 1.
    const double g = truncated_shade(24.5 * n.z * inverse_length);
    const double t = 2.0 * facing * inverse_length - s.light_eye;
    const double length2 = 4.0 - 4.0 * dot(n, s.light) * inverse_length + s.light_light;  // |2n^ - L|^2
    // (t / |r|) to the fourth power, as the square of t^2 / |r|^2: no root.
    // Computed whatever the signs and then chosen, so that no branch remains.
    const double ratio = t * t / length2;
    const double t2 = ((t > 0.0) & (length2 > 0.0)) ? ratio : 0.0;
    return int(truncated_shade(g + t2 * t2 * (49.0 - g)));
}

// The same for a unit normal.
int shade_index(const Vec3& n, const Vec3& light, const Vec3& eye);

// The shade of the flat top, evaluated once per redraw.
inline int flat_top_shade(const ViewState& view) { return shade_index({0, 0, 1}, view.light, view.eye); }

}  // namespace vx::view
