// Whole scenes through the real pipeline (projection, shading, painter's order, the surface's
// fill) compared pixel for pixel with stored images; see support/golden.h to regenerate them.
#include "render_test_sink.h"
#include "support/golden.h"
#include "view/palette.h"
#include "view/render.h"
#include "view/surface_sink.h"

#include <gtest/gtest.h>

#include <cmath>

namespace vx::view {
namespace {

// A 30 x 20 mm block with a slot of pen 1 along X and a drilled dimple of pen 3 in front.
std::unique_ptr<sim::Workpiece> cut_block() {
    const auto height = [](int i, int j) {
        const double x = i * 0.5, y = j * 0.5;
        if (std::fabs(y - 12.0) <= 3.0 && x >= 4.0 && x <= 26.0) return 7.0;
        const double r = std::hypot(x - 15.0, y - 4.0);
        return r <= 3.0 ? 10.0 - (3.0 - r) : 10.0;
    };
    const auto attribute = [&](int i, int j) {
        const double x = i * 0.5, y = j * 0.5;
        if (height(i, j) >= 10.0) return 0;
        return int(std::fabs(y - 12.0) <= 3.0 && x >= 4.0 ? sim::kPenCode[1] : sim::kPenCode[3]);
    };
    return testing::make_grid(61, 41, 0.5, height, attribute);
}

Surface render(sim::Workpiece& wp, double a, double b, bool perspective) {
    ViewState v = testing::fitted_view(wp, a, b, 120, 90, perspective);
    Surface s;
    resize(s, 120, 90);
    SurfaceSink sink(s);
    render_view(v, wp, make_palette(Colours{}, true), RenderSettings{}, sink.sink());
    return s;
}

TEST(RenderGolden, CutBlockInParallelAndPerspective) {
    auto wp = cut_block();
    vx::testing::expect_golden(render(*wp, 30.0, 45.0, false), "render_block_parallel");
    vx::testing::expect_golden(render(*wp, 210.0, 30.0, true), "render_block_central");
}

// Seen from nearly above, the slot's floor (22 x 6 of the 30 x 20 block) is the share of the
// picture's workpiece pixels that carries pen 1's green. (Straight down, with the light from
// above too, every flat face takes the brightest shade, white.)
TEST(RenderGolden, CutFloorIsDrawnInThePenColour) {
    auto wp = cut_block();
    const Surface s = render(*wp, 0.0, 20.0, false);
    const Pixel background = pixel_at(s, 0, 0);
    int workpiece = 0, green = 0;
    for (const Pixel px : s.pixels) {
        if (px == background) continue;
        ++workpiece;
        green += pixel_green(px) > pixel_red(px) + 30 && pixel_green(px) > pixel_blue(px) + 30;
    }
    ASSERT_GT(workpiece, 1000);
    EXPECT_NEAR(double(green) / workpiece, 22.0 * 6.0 / 600.0, 0.04);
}

}  // namespace
}  // namespace vx::view
