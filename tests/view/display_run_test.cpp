// A run drawn into a Display through the platform backend: the blocks drawn step by step must
// leave the picture a full redraw of the result gives, a path run must put its path where the
// projection puts it, and a hidden rapid must leave nothing.
#include "view/display_backend.h"
#include "shell/view_options.h"

#include "support/recording_backend.h"
#include "support/run_rig.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace vx::view {
namespace {

using testing::RecordingBackend;
using testing::RunRig;

constexpr int kWidth = 400, kHeight = 200;

// The display of the rig's workpiece, connected to its run for as long as it lives; it sits on
// top of a recording backend, so a test also sees what reached the backend below.
struct ConnectedRig {
    RecordingBackend below;
    RunRig rig;
    Display& display = rig.app->display;

    explicit ConnectedRig(double angle_a = 0.0, double angle_b = 0.0, bool central = false) {
        shell::DefineSettings& d = rig.settings.define;
        d.angle_a = angle_a;
        d.angle_b = angle_b;
        d.perspective = central;
        d.optimize_drawing = kDrawingOff;
        d.light_vector = {0.6, 0.3, 1.0};  // from straight above every flat cell would shade white
        d.boundary_box = d.basic_axis = false;  // incremental drawing may cover them; the redraw not
        d.path_result = false;
        d.colours.top_path = rgb(10, 200, 30);  // a colour nothing else uses
        set_up_display(display, shell::display_settings(d), rig.workpiece, kWidth, kHeight, true);
        paint(display, rig.workpiece);
        shell::connect_display(*rig.app);
    }
    ~ConnectedRig() { shell::disconnect_display(*rig.app); }

    const sim::CurrentTool& tool() const { return rig.tool; }
    Pixel path_colour() const { return pixel_from_colour(rig.settings.define.colours.top_path); }
    ScreenPoint at(double x, double y, double z) const { return project(display.view, x, y, z); }
};

// Protects against blocks left undrawn (a wrong grid range, a range lost between bands or
// steps) and blocks drawn with the wrong look: in the plan view the blocks tile the picture
// without overlapping, so step-by-step drawing and a full redraw must agree on every pixel.
TEST(DisplayRun, StepByStepDrawingMatchesAFullRedrawInThePlanView) {
    for (const int command : {shell::cmd::kRealCut, shell::cmd::kSkipCut, shell::cmd::kFastSkipCut}) {
        ConnectedRig c;
        const std::vector<Pixel> uncut = c.display.surface.pixels;
        c.rig.data_program("slot.nc");
        ASSERT_EQ(shell::run_command(c.rig.ctx, command), shell::kRunEnded) << command;
        ASSERT_GT(c.rig.cut_cells(), 0);
        EXPECT_GT(c.below.recording().step_refreshes, 0) << command;  // handed on below
        EXPECT_FALSE(c.below.recording().titles.empty()) << command;  // an entry it does not take
        const std::vector<Pixel> stepwise = c.display.surface.pixels;
        const auto changed = std::mismatch(uncut.begin(), uncut.end(), stepwise.begin());
        ASSERT_NE(changed.first, uncut.end()) << "the cut did not show, command " << command;
        workpiece_changed(c.display, c.rig.workpiece);
        paint(c.display, c.rig.workpiece);
        EXPECT_EQ(stepwise, c.display.surface.pixels) << command;
        // The slot along Y10 in pen 1, the block beside it untouched.
        const Pixel pen1 =
            c.display.palette.brush[std::size_t(brush_index(kGroupFirstCode, flat_top_shade(c.display.view)))];
        const ScreenPoint in_slot = c.at(15, 10, 9), beside = c.at(15, 16, 10);
        EXPECT_EQ(pixel_at(c.display.surface, in_slot.x, in_slot.y), pen1) << command;
        EXPECT_NE(pixel_at(c.display.surface, beside.x, beside.y), pen1) << command;
    }
}

// The kernel reads the display's projection in place: a view changed after the display was
// connected (a zoom, a pan) is the one the cut cells are refreshed with, with nobody copying it.
TEST(DisplayRun, TheCutFollowsAViewChangedAfterTheDisplayWasConnected) {
    ConnectedRig c;
    sim::Workpiece& wp = c.rig.workpiece;
    zoom_view(c.display.view, 1.37);
    set_view_centre(c.display.view, 12.0, 7.0, 10.0);
    workpiece_changed(c.display, wp);
    paint(c.display, wp);
    c.rig.data_program("slot.nc");
    ASSERT_EQ(shell::run_command(c.rig.ctx, shell::cmd::kRealCut), shell::kRunEnded);
    ASSERT_GT(c.rig.cut_cells(), 0);
    const std::size_t n = std::size_t(wp.geometry.cell_count);
    const std::vector<std::int16_t> refreshed(sim::screen_x(wp), sim::screen_x(wp) + 2 * n);
    project_grid(c.display.view, wp);
    EXPECT_EQ(refreshed, std::vector<std::int16_t>(sim::screen_x(wp), sim::screen_x(wp) + 2 * n));
}

// Run mode 3 draws nothing while it cuts and shows the result at its end: the end's redraw
// request must reach the display, with the grid reprojected.
TEST(DisplayRun, CutAndShowDrawsOnlyTheResult) {
    ConnectedRig c;
    const std::vector<Pixel> uncut = c.display.surface.pixels;
    c.rig.data_program("slot.nc");
    ASSERT_EQ(shell::run_command(c.rig.ctx, shell::cmd::kCutAndShow), shell::kRunEnded);
    ASSERT_GT(c.rig.cut_cells(), 0);
    EXPECT_EQ(c.display.surface.pixels, uncut);
    ASSERT_TRUE(c.display.redraw_due);
    paint(c.display, c.rig.workpiece);
    const ScreenPoint in_slot = c.at(15, 10, 9);
    EXPECT_NE(pixel_at(c.display.surface, in_slot.x, in_slot.y), uncut[std::size_t(in_slot.y * kWidth + in_slot.x)]);
}

// Under the central projection the kernel cannot project; the display must bring the lowered
// cells' screen positions up to date itself. Blocks seen at a slant overlap, and a lowered block
// shrinks on screen, so pixels it no longer covers keep their old colour until the next redraw:
// the pictures may differ inside the area of the cut, but never outside it.
TEST(DisplayRun, CentralProjectionKeepsTheScreenPositionsOfTheCutCells) {
    ConnectedRig c(315.0, 45.0, true);
    ASSERT_TRUE(uses_perspective(c.display.view));
    sim::Workpiece& wp = c.rig.workpiece;
    // Drawn block by block from the start: the uncut block's single top differs from its blocks
    // along the outline by the rounding of the corners.
    wp.modification_state = sim::kModified;
    workpiece_changed(c.display, wp);
    paint(c.display, wp);
    c.rig.data_program("slot.nc");
    ASSERT_EQ(shell::run_command(c.rig.ctx, shell::cmd::kRealCut), shell::kRunEnded);
    const std::size_t n = std::size_t(wp.geometry.cell_count);
    const std::vector<std::int16_t> kept(sim::screen_x(wp), sim::screen_x(wp) + 2 * n);
    const std::vector<Pixel> stepwise = c.display.surface.pixels;
    workpiece_changed(c.display, wp);
    EXPECT_EQ(kept, std::vector<std::int16_t>(sim::screen_x(wp), sim::screen_x(wp) + 2 * n));
    paint(c.display, wp);
    // The screen box of the cut area: the slot's cells and their neighbours, at any height.
    int x0 = kWidth, x1 = -1, y0 = kHeight, y1 = -1;
    for (std::size_t cell = 0; cell < n; ++cell) {
        if (wp.height.data[cell] == float(testing::kRigTop)) continue;
        const double x = double(cell % std::size_t(wp.geometry.nx)) * wp.geometry.pitch;
        const double y = double(cell / std::size_t(wp.geometry.nx)) * wp.geometry.pitch;
        for (const double z : {wp.work_bottom, testing::kRigTop}) {
            const ScreenPoint p = c.at(x, y, z);
            x0 = std::min(x0, p.x), x1 = std::max(x1, p.x), y0 = std::min(y0, p.y), y1 = std::max(y1, p.y);
        }
    }
    ASSERT_LE(x0, x1);
    // Blocks redrawn reach two cells past a cut cell: the paint-mark reach and the block's width.
    const int margin = int(3.0 * c.display.view.scale * wp.geometry.pitch) + 2;
    int compared = 0;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            if (x >= x0 - margin && x <= x1 + margin && y >= y0 - margin && y <= y1 + margin) continue;
            ASSERT_EQ(stepwise[std::size_t(y * kWidth + x)], pixel_at(c.display.surface, x, y)) << x << "," << y;
            ++compared;
        }
    EXPECT_GT(compared, kWidth * kHeight / 2);
}

// ---- Path runs ----

TEST(DisplayRun, ToolTipPathRunDrawsThePathWhereItIsProjected) {
    ConnectedRig c;
    c.rig.data_program("slot.nc");
    ASSERT_EQ(shell::run_command(c.rig.ctx, shell::cmd::kToolTipPath), shell::kRunEnded);
    EXPECT_EQ(c.rig.cut_cells(), 0);
    EXPECT_FALSE(c.below.recording().paths.empty());  // handed on below
    const Surface& s = c.display.surface;
    // The feed move X5 -> X25 along Y10, a solid line in the plan view.
    const ScreenPoint a = c.at(5, 10, 0), b = c.at(25, 10, 0);
    ASSERT_EQ(a.y, b.y);
    for (int x = a.x + 1; x < b.x; ++x) ASSERT_EQ(pixel_at(s, x, a.y), c.path_colour()) << x;
    EXPECT_NE(pixel_at(s, (a.x + b.x) / 2, a.y - 2), c.path_colour());
    EXPECT_NE(pixel_at(s, (a.x + b.x) / 2, a.y + 2), c.path_colour());
}

// A rapid drawn although SHIFT hid rapids would show a path the user asked to leave out.
TEST(DisplayRun, HiddenRapidsDrawNothing) {
    const char* program = "G90 G00 X5. Y10. Z15.\nX30. Y15.\n";
    int pixels[2] = {0, 0};
    for (const bool hidden : {false, true}) {
        ConnectedRig c;
        if (hidden) c.below.recording().down.insert(platform::Key::Shift);
        c.rig.program("rapids.nc", program);
        ASSERT_EQ(shell::run_command(c.rig.ctx, shell::cmd::kToolTipPath), shell::kRunEnded);
        pixels[hidden] = int(std::count(c.display.surface.pixels.begin(), c.display.surface.pixels.end(),
                                        c.path_colour()));
    }
    EXPECT_GT(pixels[0], 20);  // dotted rapids when shown
    EXPECT_EQ(pixels[1], 0);
}

}  // namespace
}  // namespace vx::view
