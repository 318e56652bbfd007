#include "support/golden.h"

#include "output/png.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace vx::testing {

void expect_golden(const view::Surface& s, const std::string& name) {
    const std::string path = std::string(VORNEX_TEST_DATA) + "/golden/" + name + ".png";
    if (const char* regenerate = std::getenv("VORNEX_REGENERATE_GOLDEN"); regenerate && std::string(regenerate) == "1") {
        ASSERT_TRUE(output::write_png(s, path)) << path;
        return;
    }
    view::Surface expected;
    ASSERT_TRUE(output::read_png(path, expected)) << "no golden image " << path << " (VORNEX_REGENERATE_GOLDEN=1 writes it)";
    ASSERT_EQ(expected.width, s.width);
    ASSERT_EQ(expected.height, s.height);
    int differing = 0, first_x = -1, first_y = -1;
    for (int y = 0; y < s.height; ++y)
        for (int x = 0; x < s.width; ++x)
            if (view::pixel_at(s, x, y) != view::pixel_at(expected, x, y) && differing++ == 0) first_x = x, first_y = y;
    EXPECT_EQ(differing, 0) << name << ": first difference at (" << first_x << ", " << first_y << ")";
}

}  // namespace vx::testing
