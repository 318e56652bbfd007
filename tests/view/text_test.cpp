// Text on the surface: where the ink goes, what the measure promises, the Japanese fallback, and
// that missing fonts or bad input draw nothing instead of failing.
//
// The golden line is compared only with the packaged DejaVu Sans under FreeType 2.12, the pair
// it was made with; other fonts or versions shade edges differently and are checked by the
// properties alone. Regenerate with
//     VORNEX_REGENERATE_GOLDEN=1 <build>/tests/vornex_tests_view
#include "output/png.h"
#include "view/text.h"
#include "support/golden.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <string>

namespace vx::view {
namespace {

constexpr Pixel kWhite = pixel_rgb(255, 255, 255);
constexpr Pixel kBlack = pixel_rgb(0, 0, 0);
constexpr const char* kDejaVu = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

Surface blank(int w, int h) {
    Surface s;
    resize(s, w, h, kWhite);
    return s;
}

struct Ink {
    int count = 0, left = INT_MAX, right = INT_MIN, top = INT_MAX, bottom = INT_MIN;
};

Ink ink_of(const Surface& s) {
    Ink k;
    for (int y = 0; y < s.height; ++y)
        for (int x = 0; x < s.width; ++x)
            if (pixel_at(s, x, y) != kWhite) {
                ++k.count;
                k.left = std::min(k.left, x), k.right = std::max(k.right, x);
                k.top = std::min(k.top, y), k.bottom = std::max(k.bottom, y);
            }
    return k;
}

// One set of fonts for the whole file: opening them reads fontconfig's caches.
Fonts& fonts() {
    static Fonts f;
    return f;
}

// ---- Placement and measure ----
// Panels lay text out by the measure: ink beyond the measured box would overwrite the
// neighbouring field, a measure far wider than the ink leaves gaps.

TEST(TextDraw, InkStaysInsideTheMeasuredBox) {
    ASSERT_TRUE(fonts().available()) << "no font found; ./dev deps installs fonts-dejavu-core";
    for (int height : {9, 12, 16, 24}) {
        const std::string line = "Ncdata 12: G01 X-1.5 Y(j)";
        Surface s = blank(400, 60);
        ASSERT_TRUE(draw_text(s, fonts(), 7, 5, line, height, kBlack));
        const TextExtent e = measure_text(fonts(), line, height);
        const Ink k = ink_of(s);
        ASSERT_GT(k.count, 0) << height;
        EXPECT_GE(k.left, 7);
        EXPECT_LT(k.right, 7 + e.width);
        EXPECT_GE(k.top, 5);
        EXPECT_LT(k.bottom, 5 + e.height());
        EXPECT_LE(k.left, 7 + 2) << "text starts at its position";
        EXPECT_GE(k.right, 7 + e.width - 3) << "the measure is not much wider than the ink";
        EXPECT_GE(e.height(), height) << "a line box holds the em square";
        EXPECT_LE(e.height(), height * 3 / 2 + 1);
    }
}

TEST(TextDraw, InkIsTheColourBlendedOverTheBackground) {
    ASSERT_TRUE(fonts().available());
    Surface s = blank(200, 40);
    const Pixel red = pixel_rgb(255, 0, 0);
    ASSERT_TRUE(draw_text(s, fonts(), 2, 2, "HIJKL", 20, red));
    int solid = 0, blended = 0;
    for (Pixel p : s.pixels) {
        if (p == kWhite) continue;
        EXPECT_EQ(pixel_red(p), 255);  // red over white only ever lowers green and blue
        EXPECT_EQ(pixel_green(p), pixel_blue(p));
        if (p == red) ++solid;
        else ++blended;
    }
    EXPECT_GT(solid, 20) << "stems of straight letters are fully covered";
    EXPECT_GT(blended, 0) << "edges are anti-aliased";
}

TEST(TextMeasure, WidthFollowsTheCharacters) {
    ASSERT_TRUE(fonts().available());
    EXPECT_EQ(measure_text(fonts(), "", 14).width, 0);
    const int ab = measure_text(fonts(), "ab", 14).width, abc = measure_text(fonts(), "abc", 14).width;
    EXPECT_GT(ab, 0);
    EXPECT_GT(abc, ab);
    EXPECT_GT(measure_text(fonts(), "abc", 28).width, abc * 3 / 2);
    // Tabs and other control characters belong to the panel layout and take no room here.
    EXPECT_EQ(measure_text(fonts(), "a\tb\r\n", 14).width, ab);
}

// ---- Japanese ----

TEST(TextJapanese, DrawnWithTheJapaneseFontWhenInstalled) {
    if (!fonts().has_japanese()) GTEST_SKIP() << "no Japanese font installed (fonts-ipafont-gothic)";
    const std::string used = "\xE4\xBD\xBF\xE7\x94\xA8\xE4\xB8\xAD";  // 使用中
    Surface with = blank(200, 40);
    ASSERT_TRUE(draw_text(with, fonts(), 2, 2, used, 16, kBlack));
    Fonts latin_only(FontFiles{fonts().latin_file(), ""});
    Surface boxes = blank(200, 40);
    ASSERT_TRUE(draw_text(boxes, latin_only, 2, 2, used, 16, kBlack));
    EXPECT_NE(with.pixels, boxes.pixels);
    // Full-width characters: about one em each.
    const int w = measure_text(fonts(), used, 16).width;
    EXPECT_GE(w, 3 * 14);
    EXPECT_LE(w, 3 * 18);
    // Half-width katakana as in the stop-mode panel.
    EXPECT_GT(measure_text(fonts(), "\xEF\xBD\xBC\xEF\xBE\x9D\xEF\xBD\xB8\xEF\xBE\x9E\xEF\xBE\x99", 16).width, 0);
}

TEST(TextJapanese, CharactersNoFontHasAreBoxes) {
    ASSERT_TRUE(fonts().available());
    Fonts latin_only(FontFiles{fonts().latin_file(), ""});
    ASSERT_TRUE(latin_only.available());
    EXPECT_FALSE(latin_only.has_japanese());
    Surface s = blank(100, 40);
    ASSERT_TRUE(draw_text(s, latin_only, 10, 5, "\xE4\xB8\xAD", 20, kBlack));  // 中
    const TextExtent e = measure_text(latin_only, "\xE4\xB8\xAD", 20);
    const Ink k = ink_of(s);
    // An outline: its ink is the border of its bounding box, the middle stays empty.
    ASSERT_GT(k.count, 0);
    const int w = k.right - k.left + 1, h = k.bottom - k.top + 1;
    EXPECT_GE(w, 6);
    EXPECT_GE(h, 10);
    EXPECT_EQ(k.count, 2 * w + 2 * h - 4);
    EXPECT_LE(k.right, 10 + e.width);
}

// ---- Without fonts, and hostile input ----

TEST(TextRobust, MissingFontsDrawNothingAndSaySo) {
    Fonts none(FontFiles{"/nonexistent/font.ttf", "/nonexistent/jp.ttf"});
    EXPECT_FALSE(none.available());
    Surface s = blank(50, 20);
    EXPECT_FALSE(draw_text(s, none, 2, 2, "Ready", 12, kBlack));
    EXPECT_EQ(measure_text(none, "Ready", 12).width, 0);
    EXPECT_EQ(ink_of(s).count, 0);

    // A file that is no font at all.
    Fonts not_a_font(FontFiles{"/etc/hostname", ""});
    EXPECT_FALSE(not_a_font.available());
}

TEST(TextRobust, OutOfRangeHeightsAndBadBytesAreHarmless) {
    ASSERT_TRUE(fonts().available());
    Surface s = blank(60, 20);
    EXPECT_FALSE(draw_text(s, fonts(), 0, 0, "x", 0, kBlack));
    EXPECT_FALSE(draw_text(s, fonts(), 0, 0, "x", -3, kBlack));
    EXPECT_FALSE(draw_text(s, fonts(), 0, 0, "x", kMaxTextHeight + 1, kBlack));
    EXPECT_EQ(ink_of(s).count, 0);
    // Broken UTF-8 (lone continuation, truncated sequence, overlong, surrogate) reads as
    // replacement characters: drawn, measured, no crash.
    const std::string bad = "a\x80" "b\xE3\x81" "c\xC0\xAF" "d\xED\xA0\x80";
    EXPECT_TRUE(draw_text(s, fonts(), 0, 0, bad, 10, kBlack));
    EXPECT_GT(measure_text(fonts(), bad, 10).width, measure_text(fonts(), "abcd", 10).width);
    // Positions far outside the surface, and at the int limits.
    Surface t = blank(60, 20);
    EXPECT_TRUE(draw_text(t, fonts(), -1000, -1000, "far away", 12, kBlack));
    EXPECT_TRUE(draw_text(t, fonts(), INT_MAX - 2, INT_MAX - 2, "edge", 12, kBlack));
    EXPECT_TRUE(draw_text(t, fonts(), INT_MIN, INT_MIN, "edge", 12, kBlack));
    EXPECT_EQ(ink_of(t).count, 0);
    // Half off the left edge: the visible part is drawn.
    EXPECT_TRUE(draw_text(t, fonts(), -8, 2, "MMMM", 14, kBlack));
    EXPECT_GT(ink_of(t).count, 0);
}

// ---- Golden line ----

TEST(TextGolden, PanelLine) {
    if (fonts().latin_file() != kDejaVu || text_engine_version().rfind("2.12.", 0) != 0)
        GTEST_SKIP() << "golden text is for " << kDejaVu << " under FreeType 2.12 (here " << fonts().latin_file()
                     << ", FreeType " << text_engine_version() << ")";
    Surface s = blank(64, 48);
    ASSERT_TRUE(draw_text(s, fonts(), 1, 1, "12: G01", 12, pixel_rgb(255, 0, 0)));
    ASSERT_TRUE(draw_text(s, fonts(), 1, 17, "X-1.250", 11, kBlack));
    ASSERT_TRUE(draw_text(s, fonts(), 1, 32, "Ready", 13, pixel_rgb(0, 0, 160)));
    testing::expect_golden(s, "text_panel_line");
}

}  // namespace
}  // namespace vx::view
