// The brush palette and the shade rule: the 50 shades of a colour, which colour each of the 11
// groups takes in both colour modes, and the shade of known normals.
#include "view/palette.h"

#include <gtest/gtest.h>

namespace vx::view {
namespace {

// ---- Shades of one component ----

TEST(PaletteShades, DarkHalfScalesFromFortyPercentAndLightHalfRisesToWhite) {
    EXPECT_EQ(shade_component(255, 0), 102);   // 255 * 0.4
    EXPECT_EQ(shade_component(255, 24), 248);  // 102 + 146.88
    EXPECT_EQ(shade_component(200, 5), 104);   // 80 + 24
    EXPECT_EQ(shade_component(200, 25), 200);  // the colour itself
    EXPECT_EQ(shade_component(200, 31), 213);  // 200 + 55 * 6 / 24 = 213.75
    EXPECT_EQ(shade_component(200, 49), 255);
    EXPECT_EQ(shade_component(0, 12), 0);
    EXPECT_EQ(shade_component(0, 37), 127);    // 255 * 12 / 24
    for (int c : {0, 1, 127, 254, 255})
        for (int s = 1; s < kShades; ++s) EXPECT_GE(shade_component(c, s), shade_component(c, s - 1)) << c << " " << s;
}

// ---- Groups ----

TEST(PaletteGroups, PenModeUsesPensAndCutModeTheDirectionColours) {
    const Colours c;  // the defaults
    const Palette pen = make_palette(c, true), cut = make_palette(c, false);
    auto colour = [](const Palette& p, int group) { return p.brush[std::size_t(brush_index(group, 25))]; };
    EXPECT_EQ(colour(pen, kGroupWork), 0x7F7FFFu);            // (127, 127, 255)
    EXPECT_EQ(colour(pen, kGroupDiscoloration), 0xFF80FFu);   // (255, 128, 255)
    EXPECT_EQ(colour(pen, 2), 0x00FF00u);                     // pen 1
    EXPECT_EQ(colour(pen, 3), 0xFFFF00u);                     // pen 2
    EXPECT_EQ(colour(pen, 4), 0xC0C0C0u);                     // pen 3
    EXPECT_EQ(colour(pen, 8), 0xFF007Fu);                     // pen 7
    EXPECT_EQ(colour(pen, kGroupPaint), 0xFF7F00u);
    EXPECT_EQ(colour(pen, kGroupInterference), 0xFF0000u);
    EXPECT_EQ(colour(cut, 2), 0x6AB5B5u);  // up-cut (106, 181, 181)
    EXPECT_EQ(colour(cut, 3), 0x007FFFu);  // down-cut
    EXPECT_EQ(colour(cut, 4), 0x7F00FFu);  // vertical
    EXPECT_EQ(colour(cut, 5), colour(pen, 5));  // pens 4 to 7 stay
    EXPECT_EQ(pen.brush[std::size_t(brush_index(kGroupInterference, 0))], 0x660000u);  // 255 * 0.4 = 102
    EXPECT_EQ(pen.brush[std::size_t(brush_index(kGroupWork, 49))], 0xFFFFFFu);
    EXPECT_EQ(pen.background, 0xFFFFFFu);
    EXPECT_EQ(pen.mesh, 0x7F7FFFu);
    EXPECT_EQ(pen.plus, 0xFFFF00u);
    EXPECT_EQ(pen.minus, 0xFF0000u);
}

TEST(PaletteGroups, SettingsColoursAreRedInTheLowByte) {
    Colours c;
    c.work = rgb(1, 2, 3);
    EXPECT_EQ(make_palette(c, true).brush[25], 0x010203u);
}

// ---- Shade of a normal ----

TEST(PaletteShadeIndex, KnownNormals) {
    const Vec3 up{0, 0, 1}, light{0, 0, 1};
    EXPECT_EQ(shade_index(up, light, {0, 0, 1}), 49);  // plan view: 24 + 1 * 25
    // B = 45: r . V = cos 45, its fourth power 0.25: 24 + 6.25
    EXPECT_EQ(shade_index(up, light, {0, -0.7071067811865476, 0.7071067811865476}), 30);
    EXPECT_EQ(shade_index(up, light, {0, -1, 0}), 24);   // side view: no highlight
    EXPECT_EQ(shade_index({0, -1, 0}, light, {0, -1, 0}), 31);  // wall: r = (0, -2, -1), (2 / sqrt 5)^4 * 49 = 31.36
    EXPECT_EQ(shade_index({0, -1, 0}, {0, 0, 1}, {0, -0.7071067811865476, 0.7071067811865476}), 0);
    EXPECT_EQ(shade_index({0, 0, -1}, light, {0, 0, 1}), 0);  // -24 without a highlight: held at 0
}

}  // namespace
}  // namespace vx::view
