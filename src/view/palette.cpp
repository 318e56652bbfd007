#include "view/palette.h"

#include <algorithm>
#include <cmath>

namespace vx::view {

int shade_component(int c, int shade) {
    if (shade < 25) return int(c * 0.4 + c * 0.024 * shade);
    return c + (255 - c) * (shade - 25) / 24;
}

namespace {

void fill_group(Palette& p, int group, Colour c) {
    for (int shade = 0; shade < kShades; ++shade) {
        const int r = shade_component(red(c), shade);
        const int g = shade_component(green(c), shade);
        const int b = shade_component(blue(c), shade);
        p.brush[std::size_t(brush_index(group, shade))] = std::uint32_t(r) << 16 | std::uint32_t(g) << 8 | std::uint32_t(b);
    }
}

}  // namespace

Palette make_palette(const Colours& colours, bool colour_by_pen) {
    Palette p;
    fill_group(p, kGroupWork, colours.work);
    fill_group(p, kGroupDiscoloration, colours.work2);
    for (int pen = 1; pen <= 7; ++pen) fill_group(p, pen + 1, colours.pen[std::size_t(pen - 1)]);
    if (!colour_by_pen) {
        fill_group(p, 2, colours.up_cut);
        fill_group(p, 3, colours.down_cut);
        fill_group(p, 4, colours.vertical_cut);
    }
    fill_group(p, kGroupPaint, colours.penki);
    fill_group(p, kGroupInterference, rgb(255, 0, 0));
    p.background = sink_colour(colours.background);
    p.mesh = sink_colour(colours.work);
    p.plus = sink_colour(colours.plus);
    p.minus = sink_colour(colours.minus);
    return p;
}

Shading shading(const Vec3& light, const Vec3& eye) { return {light, eye, dot(light, eye), dot(light, light)}; }

int shade_index(const Vec3& n, const Vec3& light, const Vec3& eye) {
    return shade_of(shading(light, eye), n, 1.0, dot(n, eye));
}

}  // namespace vx::view
