// The workpiece commands around the backup: the removed volume (32822), the basic model chosen by
// file (32851), and the C key after an operation that changed the grid's size.
#include "shell/dispatch.h"
#include "shell/run.h"
#include "support/recording_backend.h"
#include "support/run_rig.h"
#include "work/dmf.h"

#include <gtest/gtest.h>

namespace vx::shell {
namespace {

using testing::Language;
using testing::RecordingBackend;
using testing::RunRig;

constexpr int kVolume = 32822, kBasicModel = 32851, kThin = 32896;

std::string last_body(RecordingBackend& backend) {
    const auto& m = backend.recording().messages;
    return m.empty() ? std::string() : m.back().title + "|" + m.back().body;
}

// The rig's block is 40 x 20 mm. A Z offset of -2 takes 40 * 20 * 2 = 1600 mm³ off, which the
// volume shows against the backup the offset took, in mm³ and (VOLUME UNIT "m3") in m³. Thinning
// changes the grid but no height: against the grid before it nothing changed; and C brings that
// grid back. Without a backup yet the command says so instead of showing 0.
TEST(RemovedVolume, AgainstTheBackupOfTheLastOperation) {
    RecordingBackend backend;
    Language english(true);
    RunRig rig;
    ASSERT_EQ(dispatch(*rig.app, kVolume), 0);
    EXPECT_NE(last_body(backend).find("no backup to compare with yet"), std::string::npos) << last_body(backend);

    const CommandArgs lower{{}, {-2.0}};
    ASSERT_EQ(dispatch(*rig.app, cmd::kOffset, 2, &lower), 1);
    ASSERT_EQ(dispatch(*rig.app, kVolume), 1);
    EXPECT_EQ(last_body(backend), "Cutting Volume|-1600.000 (Cubic mm)\n+ :Increase\n- :Decrease");
    rig.settings.define.volume_m3 = true;
    ASSERT_EQ(dispatch(*rig.app, kVolume), 1);
    EXPECT_EQ(last_body(backend), "Cutting Volume|-0.000002 (Cubic m)\n+ :Increase\n- :Decrease");

    const CommandArgs by_two{{}, {2, 1, 1}};
    ASSERT_EQ(dispatch(*rig.app, kThin, 0, &by_two), 1);
    EXPECT_EQ(rig.workpiece.geometry.nx, 41);
    ASSERT_EQ(dispatch(*rig.app, kVolume), 1);
    EXPECT_EQ(last_body(backend).substr(0, 29), "Cutting Volume|0.000000 (Cubi");
    ASSERT_EQ(restore_run_backup(rig.ctx), 1);
    EXPECT_EQ(rig.workpiece.geometry.nx, 81);
    EXPECT_DOUBLE_EQ(rig.workpiece.geometry.pitch, testing::kRigPitch);
    EXPECT_EQ(rig.height(20.0, 10.0), float(testing::kRigTop - 2.0));
}

// The basic model comes from the file the dialog (or a CTRL drop) names, stays the one that later
// operations align again with their new grid, and enables the difference paint.
TEST(BasicModel, ChosenByFileAndKeptThroughAGridChange) {
    RecordingBackend backend;
    RunRig rig;
    const std::string model = rig.dir.path() + "model.dmf";
    ASSERT_EQ(work::save_workpiece(rig.workpiece, model, {}), 1);
    EXPECT_FALSE(command_enabled(*rig.app, *find_command(cmd::kDifferencePaint), cmd::kDifferencePaint));
    EXPECT_EQ(dispatch(*rig.app, kBasicModel), 0);  // no window: the file dialog answers nothing
    EXPECT_FALSE(rig.workpiece.basic_loaded);

    const CommandArgs chosen{model, {}};
    ASSERT_EQ(dispatch(*rig.app, kBasicModel, 0, &chosen), 1);
    EXPECT_TRUE(rig.workpiece.basic_loaded);
    EXPECT_EQ(rig.settings.dmf.basic_model, model);
    EXPECT_TRUE(command_enabled(*rig.app, *find_command(cmd::kDifferencePaint), cmd::kDifferencePaint));

    const CommandArgs by_two{{}, {2, 1, 1}};
    ASSERT_EQ(dispatch(*rig.app, kThin, 0, &by_two), 1);
    EXPECT_TRUE(rig.workpiece.basic_loaded);  // loaded again on the thinned grid
    EXPECT_EQ(rig.workpiece.basic_model.data[0], float(testing::kRigTop));
}

}  // namespace
}  // namespace vx::shell
