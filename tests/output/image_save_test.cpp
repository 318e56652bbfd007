// The quick look's names: the first name that takes the picture is the one opened, a name held
// by something else is passed over, and the picture written is the one given.
#include "output/image_save.h"

#include "output/png.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace vx::output {
namespace {

using vx::testing::TempDir;

view::Surface picture() {
    view::Surface s;
    view::resize(s, 6, 4);
    for (std::size_t i = 0; i < s.pixels.size(); ++i) s.pixels[i] = view::pixel_rgb(int(i) * 9, 200, 255 - int(i));
    return s;
}

TEST(QuickLook, NamesInTheirOrder) {
    EXPECT_EQ(quick_look_name(0), "tmp.png");
    EXPECT_EQ(quick_look_name(1), "tmp1.png");
    EXPECT_EQ(quick_look_name(9), "tmp9.png");
}

// "tmp.png" and "tmp1.png" cannot be replaced (a folder of that name is what no write gets
// past, even as root): the picture goes to "tmp2.png", pixel for pixel.
TEST(QuickLook, HeldNamesArePassedOver) {
    TempDir dir;
    std::filesystem::create_directory(dir.path() + "tmp.png");
    std::filesystem::create_directory(dir.path() + "tmp1.png");
    const view::Surface s = picture();
    EXPECT_EQ(write_quick_look(s, dir.path()), dir.path() + "tmp2.png");
    view::Surface back;
    ASSERT_TRUE(read_png(dir.path() + "tmp2.png", back));
    EXPECT_EQ(back.width, s.width);
    EXPECT_EQ(back.pixels, s.pixels);
    // The same picture again replaces the first free name: no tmp3.png appears.
    EXPECT_EQ(write_quick_look(s, dir.path()), dir.path() + "tmp2.png");
}

TEST(QuickLook, AllTenHeldGivesNothing) {
    TempDir dir;
    for (int i = 0; i < kQuickLookNames; ++i) std::filesystem::create_directory(dir.path() + quick_look_name(i));
    EXPECT_EQ(write_quick_look(picture(), dir.path()), "");
}

TEST(SaveImage, ExtensionAddedOnlyWhenMissing) {
    EXPECT_EQ(png_name("/w/view"), "/w/view.png");
    EXPECT_EQ(png_name("/w/view.PNG"), "/w/view.PNG");
    EXPECT_EQ(png_name("/w.d/view"), "/w.d/view.png");
}

}  // namespace
}  // namespace vx::output
