// Command 32772: the block that fits a program's extents, and the command selecting the program
// and defining that block after asking.
#include "shell/fit_workpiece.h"

#include "shell/dispatch.h"
#include "support/recording_backend.h"
#include "support/run_rig.h"

#include <gtest/gtest.h>

namespace vx::shell {
namespace {

using testing::Language;
using testing::RecordingBackend;
using testing::RunRig;

nc::Extents extents(const Vec3& min, const Vec3& max) { return {min, max}; }

TEST(FitWorkpiece, BoxSpansTheFeedMovesElseHangsBelowTheRapids) {
    struct Case {
        const char* what;
        nc::Extents feed, all;
        std::optional<FitBox> expected;
    };
    const nc::Extents none;
    const nc::Extents rapids = extents({-10, -20, 30}, {50, 60, 80});
    const std::vector<Case> cases{
        {"feed moves, widened in X by 2 and Y by 1 only", extents({0, 5, -3}, {40, 25, 12}), rapids,
         FitBox{{-2, 4, -3}, {42, 26, 12}}},
        {"rapids only: top 5 below their lowest Z, 10 high", none, rapids, FitBox{{-12, -21, 15}, {52, 61, 25}}},
        {"feed record empty in Y alone counts as empty", extents({0, 9, 0}, {40, 5, 1}), rapids,
         FitBox{{-12, -21, 15}, {52, 61, 25}}},
        {"no move at all", none, none, std::nullopt},
        // A flat program: every feed move at Z -1; the rapids at Z 5 give the block its height.
        {"feed moves at one Z take the height of all moves", extents({0, 0, -1}, {40, 20, -1}),
         extents({-5, 0, -1}, {40, 20, 5}), FitBox{{-2, -1, -1}, {42, 21, 5}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        nc::DataCheck check;
        check.feed = c.feed;
        check.all = c.all;
        const std::optional<FitBox> box = fit_box(check, 2.0, 1.0);
        ASSERT_EQ(box.has_value(), c.expected.has_value());
        if (!box) continue;
        for (int axis = 0; axis < 3; ++axis) {
            EXPECT_DOUBLE_EQ(box->minimum[axis], c.expected->minimum[axis]) << axis;
            EXPECT_DOUBLE_EQ(box->maximum[axis], c.expected->maximum[axis]) << axis;
        }
    }
}

// The slot program feeds from (5, 10, 12) down to Z9 and along X to 25: one row in Y, which only
// the Y margin turns into a block.
TEST(FitWorkpiece, SelectsTheProgramAndDefinesTheBlockItFeedsThroughWhenTheUserAgrees) {
    RecordingBackend backend;
    Language english(true);
    RunRig rig;
    rig.settings.define.work_margin = {1.0, 2.0, 7.0};  // Z has no margin
    rig.settings.define.work_pitch = {false, 0.5};
    const CommandArgs slot{testing::run_data("slot.nc"), {}};

    backend.recording().answers.push_back(platform::Answer::No);
    ASSERT_EQ(dispatch(*rig.app, cmd::kSelectAndDefine, 0, &slot), 1);
    EXPECT_EQ(rig.ctx.nc_path, slot.path);
    EXPECT_DOUBLE_EQ(rig.workpiece.geometry.origin_x, 0.0);  // the rig's box is kept
    ASSERT_EQ(backend.recording().messages.size(), 1u);
    EXPECT_EQ(backend.recording().messages[0].title, "Is the most suitable work set?");
    EXPECT_EQ(backend.recording().messages[0].buttons, platform::Buttons::YesNo);

    backend.recording().answers.push_back(platform::Answer::Yes);
    ASSERT_EQ(dispatch(*rig.app, cmd::kSelectAndDefine, 0, &slot), 1);
    const sim::GridGeometry& g = rig.workpiece.geometry;
    EXPECT_DOUBLE_EQ(g.origin_x, 4.0);
    EXPECT_DOUBLE_EQ(g.origin_y, 8.0);
    EXPECT_EQ(g.nx, 45);  // 4 .. 26 at 0.5
    EXPECT_EQ(g.ny, 9);   // 8 .. 12
    EXPECT_DOUBLE_EQ(rig.workpiece.work_bottom, 9.0);
    EXPECT_EQ(rig.workpiece.height.data[0], 12.0f);
    EXPECT_EQ(rig.workpiece.height.data[g.cell_count - 1], 12.0f);
}

TEST(FitWorkpiece, AProgramWithoutMovesSaysNoBlockFitsIt) {
    RecordingBackend backend;
    RunRig rig;
    const CommandArgs empty{rig.dir.write("empty.nc", "%\nM30\n%\n"), {}};
    const double origin = rig.workpiece.geometry.origin_x;
    EXPECT_EQ(dispatch(*rig.app, cmd::kSelectAndDefine, 0, &empty), 0);
    EXPECT_DOUBLE_EQ(rig.workpiece.geometry.origin_x, origin);
}

// Before, a program whose moves all lay at one Z was refused with "The maximum and the minimum of Z
// value are reversed.", which named neither the program nor the cause.
TEST(FitWorkpiece, AProgramAtOneZSaysWhyNoHeightCanBeDerived) {
    RecordingBackend backend;
    Language english(true);
    RunRig rig;
    // Every move at Z 0, where the run's start point is too.
    rig.settings.define.control_point = {0, 0, 0};
    rig.ctx.start_point = {0, 0, 0};
    const CommandArgs flat{rig.dir.write("flat.nc", "%\nG90 G00 X0 Y0 Z0\nG01 X30. F500\nY20.\nM30\n%\n"), {}};
    const double origin = rig.workpiece.geometry.origin_x;
    backend.recording().answers.push_back(platform::Answer::Yes);
    EXPECT_EQ(dispatch(*rig.app, cmd::kSelectAndDefine, 0, &flat), 0);
    EXPECT_DOUBLE_EQ(rig.workpiece.geometry.origin_x, origin);
    ASSERT_FALSE(backend.recording().messages.empty());
    const auto& last = backend.recording().messages.back();
    EXPECT_EQ(last.title, flat.path);
    EXPECT_NE(last.body.find("Z = 0.000"), std::string::npos) << last.body;
    EXPECT_NE(last.body.find("two points"), std::string::npos) << last.body;
    EXPECT_EQ(last.body.find("reversed"), std::string::npos);
}

}  // namespace
}  // namespace vx::shell
