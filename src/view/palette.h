// The brush palette of the workpiece view: 11 colour groups of 50 shades (25 darkening toward
// 40% of the colour, 25 lightening toward white), and the shade a surface takes from its
// normal, the light vector and the eye vector. Colours handed to the sink are 0x00RRGGBB.
#pragma once

#include "shell/settings.h"
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
constexpr std::uint32_t sink_colour(shell::Colour c) {
    return std::uint32_t(shell::red(c)) << 16 | std::uint32_t(shell::green(c)) << 8 | std::uint32_t(shell::blue(c));
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
Palette make_palette(const shell::Colours& colours, bool colour_by_pen);

// Shade 0..49 of a surface with unit normal n: 24.5 n.z, raised toward 49 by the fourth power
// of the cosine between r = 2n - L and the eye.
int shade_index(const Vec3& n, const Vec3& light, const Vec3& eye);

// The shade of the flat top, evaluated once per redraw.
inline int flat_top_shade(const ViewState& view) { return shade_index({0, 0, 1}, view.light, view.eye); }

}  // namespace vx::view
