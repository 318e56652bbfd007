// The result image of an unattended run: what the settings and the run's end change in it.
#include "output/result_image.h"

#include "output/png.h"
#include "shell/view_options.h"
#include "sim/kernel_fixture.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace vx::output {
namespace {

using sim::testing::make_body;

// A 60 x 40 mm block with a pocket, so that the cut surface is drawn cell by cell.
std::unique_ptr<sim::Workpiece> pocketed_block() {
    auto wp = make_body(121, 81, 0.5, 10.0);
    for (int j = 20; j < 60; ++j)
        for (int i = 30; i < 90; ++i) wp->height.data[j * 121 + i] = 8.0f;
    wp->modification_state = sim::kModified;
    return wp;
}

// Pixels in a shade of pure red (red mixed with black or white).
int reddish(const view::Surface& s) {
    return int(std::count_if(s.pixels.begin(), s.pixels.end(), [](view::Pixel p) {
        return view::pixel_green(p) == view::pixel_blue(p) && view::pixel_red(p) >= view::pixel_green(p) + 60;
    }));
}

// A mesh is drawn at the display step (at every cell its lines would close into a silhouette);
// a filled surface shows every cell.
TEST(ResultImage, MeshKeepsTheDisplayStep) {
    testing::TempDir dir;
    auto wp = pocketed_block();
    shell::DefineSettings define;
    for (const bool mesh : {false, true}) {
        define.mesh_mode = mesh;
        view::Display d;
        ASSERT_TRUE(write_result_image(d, *wp, shell::display_settings(define), {}, dir.path() + "m.png", 160, 120));
        EXPECT_EQ(d.view.step > 1, mesh);
    }
}

// After a run that ended on an interference the workpiece is drawn in the interference red.
TEST(ResultImage, RunEndedOnAnInterferenceIsDrawnRed) {
    testing::TempDir dir;
    auto wp = pocketed_block();
    const view::DisplaySettings settings = shell::display_settings(shell::DefineSettings{});
    int red[2] = {};
    for (const bool interference : {false, true}) {
        ResultView result;
        result.showing_interference = interference;
        view::Display d;
        ASSERT_TRUE(write_result_image(d, *wp, settings, result, dir.path() + "r.png", 160, 120));
        view::Surface image;
        ASSERT_TRUE(read_png(dir.path() + "r.png", image));
        red[interference] = reddish(image);
    }
    EXPECT_GT(red[1], red[0] + 2000);  // the top, some 2400 pixels, turns red
}

}  // namespace
}  // namespace vx::output
