// The workpiece operations through the dispatcher: the values the batch and the dialogs send reach
// the operation in their field order, and a command without them says its dialog is missing.
#include "shell/dispatch.h"

#include "support/recording_backend.h"
#include "support/run_rig.h"

#include <gtest/gtest.h>

#include <functional>

namespace vx::shell {
namespace {

using testing::Language;
using testing::RecordingBackend;
using testing::RunRig;

TEST(WorkpieceOperations, ValuesReachTheOperationInTheirFieldOrder) {
    RecordingBackend backend;
    struct Case {
        int id, parameter;
        std::vector<double> values;
        std::function<void(const sim::Workpiece&, const App&)> check;
    };
    const std::vector<Case> cases{
        {32787, 0, {10, 8, 5, 0, 1, -5, 0.5}, [](const sim::Workpiece& wp, const App&) {
             EXPECT_EQ(wp.geometry.nx, 21);
             EXPECT_EQ(wp.geometry.ny, 15);
             EXPECT_DOUBLE_EQ(wp.work_bottom, -5.0);
             EXPECT_EQ(wp.height.data[0], 5.0f);
         }},
        {32901, 0, {1, 10, 0, 0, 0, 4, 1, 1, 2, 6, 0, 0, 1.0}, [](const sim::Workpiece& wp, const App&) {
             EXPECT_DOUBLE_EQ(wp.geometry.origin_x, 95.0);  // centred on the work origin X 100
             EXPECT_DOUBLE_EQ(wp.geometry.origin_y, -1.0);
             EXPECT_EQ(wp.geometry.ny, 7);
             EXPECT_DOUBLE_EQ(wp.work_bottom, -6.0);  // the top at the origin's Z 0
         }},
        {32817, 0, {100, 0, 2, 6, 1, 3, 0, 0}, [](const sim::Workpiece& wp, const App&) {
             EXPECT_DOUBLE_EQ(wp.geometry.origin_x, 2.0);
             EXPECT_DOUBLE_EQ(wp.geometry.max_y, 3.0);
         }},
        {32896, 0, {2, 1, 1}, [](const sim::Workpiece& wp, const App&) {
             EXPECT_DOUBLE_EQ(wp.geometry.pitch, 2 * testing::kRigPitch);
         }},
        {32826, 2, {}, [](const sim::Workpiece& wp, const App&) { EXPECT_DOUBLE_EQ(wp.geometry.origin_x, -40.0); }},
        {32788, 2, {1.5}, [](const sim::Workpiece& wp, const App&) {
             EXPECT_EQ(wp.height.data[5], float(testing::kRigTop + 1.5));
         }},
        {32789, 0, {}, [](const sim::Workpiece& wp, const App&) { EXPECT_EQ(wp.attribute.data[7] & 1, 1); }},
        // An offset of 0 does nothing, which is not a failure of the batch.
        {32788, 1, {0.0}, [](const sim::Workpiece& wp, const App&) {
             EXPECT_EQ(wp.height.data[5], float(testing::kRigTop));
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        RunRig rig;
        rig.ctl.current_work_offset = {100, 0, 0};
        const CommandArgs args{{}, c.values};
        EXPECT_EQ(dispatch(*rig.app, c.id, c.parameter, c.values.empty() ? nullptr : &args), 1);
        c.check(rig.workpiece, *rig.app);
    }
    EXPECT_TRUE(backend.recording().messages.empty());
}

TEST(WorkpieceOperations, WithoutValuesTheDialogIsMissing) {
    RecordingBackend backend;
    Language english(true);
    RunRig rig;
    for (int id : {32787, 32826, 32827, 32788, 32817, 32896, 32894, 32895})
        EXPECT_EQ(dispatch(*rig.app, id), kCommandNotAvailable) << id;
    const auto& m = backend.recording().messages;
    ASSERT_EQ(m.size(), 8u);
    EXPECT_EQ(m[1].body, "Command 32826 (the rotation dialog) is not available in this build yet");
    EXPECT_EQ(rig.workpiece.geometry.nx, 81);  // nothing changed
}

}  // namespace
}  // namespace vx::shell
