// PNG images of the surface: exact colours in RGB without alpha, rows top to bottom, a part of
// the surface, and files that are either complete or not there (never half written).
#include "output/png.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace vx::output {
namespace {

using view::pixel_rgb;
using view::Surface;
using vx::testing::TempDir;

Surface pattern(int w, int h) {
    Surface s;
    view::resize(s, w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) s.pixels[std::size_t(y * w + x)] = pixel_rgb(x * 7, y * 11, (x + y) * 3 + 1);
    return s;
}

std::uint32_t be32(const std::string& b, std::size_t at) {
    return std::uint32_t(std::uint8_t(b[at])) << 24 | std::uint32_t(std::uint8_t(b[at + 1])) << 16 |
           std::uint32_t(std::uint8_t(b[at + 2])) << 8 | std::uint32_t(std::uint8_t(b[at + 3]));
}

std::vector<std::string> chunk_types(const std::string& bytes) {
    std::vector<std::string> types;
    for (std::size_t at = 8; at + 8 <= bytes.size();) {
        types.push_back(bytes.substr(at + 4, 4));
        at += 12 + be32(bytes, at);
    }
    return types;
}

std::size_t files_in(const std::string& dir) {
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir)) ++n;
    return n;
}

// ---- The image ----
// Viewers and the end-to-end tests read these files: any swap of channels or rows, or a stray
// alpha channel, shows as a wrong picture.

TEST(PngWrite, ColoursComeBackExactly) {
    TempDir dir;
    const Surface s = pattern(37, 23);
    ASSERT_TRUE(write_png(s, dir.path() + "p.png"));
    Surface back;
    ASSERT_TRUE(read_png(dir.path() + "p.png", back));
    EXPECT_EQ(back.width, 37);
    EXPECT_EQ(back.height, 23);
    EXPECT_EQ(back.pixels, s.pixels);
}

TEST(PngWrite, HeaderIsEightBitRgbWithoutAlphaTopRowFirst) {
    // The 640 x 480 view: 640 x 480 RGB, top row red, bottom row blue.
    TempDir dir;
    Surface s;
    view::resize(s, 640, 480, pixel_rgb(255, 255, 255));
    for (int x = 0; x < 640; ++x) {
        s.pixels[std::size_t(x)] = pixel_rgb(255, 0, 0);
        s.pixels[std::size_t(479 * 640 + x)] = pixel_rgb(0, 0, 255);
    }
    ASSERT_TRUE(write_png(s, dir.path() + "view.png"));
    const std::string bytes = dir.read("view.png");
    ASSERT_GT(bytes.size(), 33u);
    EXPECT_EQ(bytes.substr(1, 3), "PNG");
    EXPECT_EQ(bytes.substr(12, 4), "IHDR");
    EXPECT_EQ(be32(bytes, 16), 640u);
    EXPECT_EQ(be32(bytes, 20), 480u);
    EXPECT_EQ(int(bytes[24]), 8);  // bits per channel
    EXPECT_EQ(int(bytes[25]), 2);  // colour type RGB
    EXPECT_EQ(int(bytes[28]), 0);  // no interlace
    for (const std::string& type : chunk_types(bytes)) EXPECT_TRUE(type == "IHDR" || type == "IDAT" || type == "IEND") << type;
    Surface back;
    ASSERT_TRUE(read_png(dir.path() + "view.png", back));
    EXPECT_EQ(view::pixel_at(back, 5, 0), pixel_rgb(255, 0, 0));
    EXPECT_EQ(view::pixel_at(back, 5, 479), pixel_rgb(0, 0, 255));
    EXPECT_EQ(view::pixel_at(back, 5, 240), pixel_rgb(255, 255, 255));
}

TEST(PngWrite, AreaWritesThatPartOnly) {
    TempDir dir;
    const Surface s = pattern(30, 20);
    ASSERT_TRUE(write_png(s, view::Rect{3, 4, 13, 9}, dir.path() + "part.png"));
    Surface back;
    ASSERT_TRUE(read_png(dir.path() + "part.png", back));
    ASSERT_EQ(back.width, 10);
    ASSERT_EQ(back.height, 5);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 10; ++x) EXPECT_EQ(view::pixel_at(back, x, y), view::pixel_at(s, x + 3, y + 4));
    // An area reaching beyond the surface is cut to it; one wholly beside it is refused.
    ASSERT_TRUE(write_png(s, view::Rect{25, -5, 90, 3}, dir.path() + "edge.png"));
    ASSERT_TRUE(read_png(dir.path() + "edge.png", back));
    EXPECT_EQ(back.width, 5);
    EXPECT_EQ(back.height, 3);
    EXPECT_FALSE(write_png(s, view::Rect{40, 0, 50, 10}, dir.path() + "none.png"));
}

// ---- Failures ----
// A failed save must say so and must not leave a broken image or stray temporary files.

TEST(PngWrite, FailureLeavesTheOldFileAndNoLeftovers) {
    TempDir dir;
    const std::string old = dir.write("keep.png", "previous image");
    Surface empty_surface;
    EXPECT_FALSE(write_png(empty_surface, old));
    Surface inconsistent;
    inconsistent.width = 100, inconsistent.height = 100;  // pixels never allocated
    EXPECT_FALSE(write_png(inconsistent, old));
    EXPECT_EQ(dir.read("keep.png"), "previous image");
    EXPECT_EQ(files_in(dir.path()), 1u);

    EXPECT_FALSE(write_png(pattern(4, 4), dir.path() + "missing/folder/x.png"));
    EXPECT_FALSE(std::filesystem::exists(dir.path() + "missing"));
}

TEST(PngWrite, ReplacesAnExistingFileWhole) {
    TempDir dir;
    const std::string path = dir.write("img.png", std::string(100000, 'x'));
    ASSERT_TRUE(write_png(pattern(8, 8), path));
    Surface back;
    ASSERT_TRUE(read_png(path, back));
    EXPECT_EQ(back.pixels, pattern(8, 8).pixels);
    EXPECT_EQ(files_in(dir.path()), 1u);
}

TEST(PngRead, RejectsWhatIsNoWholePng) {
    TempDir dir;
    ASSERT_TRUE(write_png(pattern(20, 20), dir.path() + "good.png"));
    const std::string good = dir.read("good.png");
    dir.write("cut.png", good.substr(0, good.size() / 2));
    dir.write("text.png", "not an image at all");
    Surface out = pattern(2, 2);
    const auto before = out.pixels;
    EXPECT_FALSE(read_png(dir.path() + "cut.png", out));
    EXPECT_FALSE(read_png(dir.path() + "text.png", out));
    EXPECT_FALSE(read_png(dir.path() + "absent.png", out));
    EXPECT_EQ(out.width, 2);
    EXPECT_EQ(out.pixels, before);
}

}  // namespace
}  // namespace vx::output
