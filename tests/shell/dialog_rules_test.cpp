// The settings dialogs without their window: each form filled as a user fills it, its checks
// (a refused value says so and changes nothing) and its effect on the records and files.
#include "shell/dialog_rules.h"

#include "nc/ctl.h"
#include "platform/files.h"
#include "shell/ini.h"
#include "support/recording_backend.h"
#include "support/run_rig.h"

#include <gtest/gtest.h>

namespace vx::shell {
namespace {

using testing::Language;
using testing::RecordingBackend;
using testing::RunRig;

Form form_of(const App& app, int id) {
    const SettingsDialog* d = find_settings_dialog(id);
    EXPECT_NE(d, nullptr) << id;
    return d ? d->form(app) : Form{};
}

int apply(App& app, int id, const Form& form) { return find_settings_dialog(id)->apply(app, form); }

// ---- Checks ----
// Each row: a value the dialog must refuse with its message, leaving the record as it was.
struct Refusal {
    int id;
    std::size_t field;
    double value;
    const char* message;
};

TEST(SettingsDialogs, RefusedValuesSayWhyAndChangeNothing) {
    Language english(true);
    const std::vector<Refusal> refusals{
        {138, 0, 0.0, "The pitch is 0.0 or less."},
        {138, 0, -0.5, "The pitch is 0.0 or less."},
        {32812, 0, 0.0, "The zoom rate is 0.0 or less."},
        {32819, 2, 99.0, "The upper and the lower level are reversed."},  // lower above upper
    };
    for (const Refusal& r : refusals) {
        RunRig rig;
        RecordingBackend backend;
        const Settings before = rig.settings;
        Form form = form_of(*rig.app, r.id);
        form.fields.at(r.field).number = r.value;
        EXPECT_EQ(apply(*rig.app, r.id, form), 0) << r.id;
        ASSERT_EQ(backend.recording().messages.size(), 1u) << r.id;
        EXPECT_EQ(backend.recording().messages[0].body, r.message);
        EXPECT_EQ(rig.settings.define.work_pitch.pitch, before.define.work_pitch.pitch);
        EXPECT_EQ(rig.settings.define.expand_rate, before.define.expand_rate);
        EXPECT_EQ(rig.settings.define.discoloration_lower, before.define.discoloration_lower);
    }
}

// ---- Effects ----

TEST(SettingsDialogs, PitchIsTakenForTheNextDefinitionAndSaysSo) {
    Language japanese(false);
    RunRig rig;  // a workpiece exists: the new pitch waits for its redefinition
    RecordingBackend backend;
    rig.settings.define.work_pitch.automatic = true;
    Form form = form_of(*rig.app, 138);
    EXPECT_EQ(form.title, "ピッチ（精度）指定");
    form.fields[0].number = 0.25;
    EXPECT_EQ(apply(*rig.app, 138, form), 1);
    EXPECT_EQ(rig.settings.define.work_pitch.pitch, 0.25);
    EXPECT_FALSE(rig.settings.define.work_pitch.automatic);
    EXPECT_EQ(rig.workpiece.geometry.pitch, testing::kRigPitch);  // the grid stays as it is
    ASSERT_EQ(backend.recording().messages.size(), 1u);
    EXPECT_EQ(backend.recording().messages[0].body, "ピッチは被切削材の再定義時に反映されます。");
}

// The block-skip levels reach the word reader's record, with the flag that any level is on.
TEST(SettingsDialogs, OptionalBlockSkipLevelsReachTheController) {
    RunRig rig;
    Form form = form_of(*rig.app, 32852);
    ASSERT_EQ(form.fields.size(), 9u);
    form.fields[2].checked = true;  // level 3
    EXPECT_EQ(apply(*rig.app, 32852, form), 1);
    EXPECT_TRUE(rig.ctl.block_skip[3]);
    EXPECT_TRUE(rig.ctl.block_skip_any);
    form.fields[2].checked = false;
    apply(*rig.app, 32852, form);
    EXPECT_FALSE(rig.ctl.block_skip_any);
    EXPECT_TRUE(form_of(*rig.app, 32852).fields[2].checked == false);
}

// The initial-state flags are written back with the window's settings at exit.
TEST(SettingsDialogs, InitialStateFlagsAreWrittenBackAtExit) {
    RunRig rig;
    rig.settings.path = rig.dir.write("vornex.ini", "[Save]\nVIEW_P=0\n");
    Form form = form_of(*rig.app, 208);
    ASSERT_EQ(form.fields.size(), 7u);
    form.fields[1].checked = true;  // the command menu
    form.fields[6].checked = true;  // the background colour
    EXPECT_EQ(apply(*rig.app, 208, form), 1);
    EXPECT_EQ(rig.settings.save.view_p, 1);
    EXPECT_EQ(rig.settings.save.background, 1);
    ASSERT_TRUE(write_settings_at_exit(rig.settings, {}));
    const IniFile ini = ini_load(rig.settings.path);
    EXPECT_EQ(ini_get(ini, "Save", "VIEW_P", ""), "1");
    EXPECT_EQ(ini_get(ini, "Save", "BACKGROUND", ""), "1");
    EXPECT_EQ(ini_get(ini, "Define", "BACKGROUND", ""), "(255,255,255)");
}

// Colours: every field lands in its own colour (a shifted index would swap two of them), and a
// confirmed dialog plays "workset.wav" when sound is on.
TEST(SettingsDialogs, ColoursLandInTheirOwnFieldsAndConfirmWithTheSound) {
    RunRig rig;
    RecordingBackend backend;
    rig.ctx.sound = true;
    Form form = form_of(*rig.app, 32779);
    ASSERT_EQ(form.fields.size(), 24u);
    for (std::size_t i = 0; i < form.fields.size(); ++i) form.fields[i].colour = rgb(int(i), 0, 0);
    EXPECT_EQ(apply(*rig.app, 32779, form), 1);
    const Form again = form_of(*rig.app, 32779);
    for (std::size_t i = 0; i < again.fields.size(); ++i) EXPECT_EQ(again.fields[i].colour, rgb(int(i), 0, 0)) << i;
    EXPECT_EQ(rig.settings.define.colours.pen[6], rgb(7, 0, 0));  // PEN7 is the eighth key
    ASSERT_FALSE(backend.recording().sounds.empty());
    EXPECT_EQ(backend.recording().sounds.back().name, "workset.wav");
}

// ---- The controller's offset tables ----
// OK takes the values for the runs; "Modify CTL-File" writes them back through ".new"/".bak"
// only when something changed, and a failed write is told, never silent.

TEST(OffsetDialogs, ChangedTableIsWrittenBackOnlyWhenAsked) {
    RunRig rig;
    RecordingBackend backend;
    const std::string file = rig.dir.write("m.ctl", "TOOL OFFSET MEMORY=C\nMEMORY D05= 2.500000\n");
    ASSERT_EQ(nc::load_ctl(file, rig.ctl, rig.dir.path()), 1);
    std::vector<OffsetEdit> edits(nc::kOffsetEntries);
    for (int n = 1; n < nc::kOffsetEntries; ++n) edits[n] = {rig.ctl.d[n].value, rig.ctl.d[n].wear};
    edits[7] = {4.0, 0.1};

    EXPECT_EQ(apply_offsets(*rig.app, nc::OffsetTable::D, edits, false), 1);
    EXPECT_FLOAT_EQ(rig.ctl.d[7].value, 4.0f);
    EXPECT_FALSE(platform::is_file(rig.ctl.path + ".bak"));

    edits[7] = {6.0, 0.2};
    EXPECT_EQ(apply_offsets(*rig.app, nc::OffsetTable::D, edits, true), 1);
    EXPECT_TRUE(platform::is_file(rig.ctl.path + ".bak"));
    nc::Ctl reread;
    ASSERT_EQ(nc::load_ctl(rig.ctl.path, reread, rig.dir.path()), 1);
    EXPECT_FLOAT_EQ(reread.d[7].value, 6.0f);
    EXPECT_FLOAT_EQ(reread.d[5].value, 2.5f);

    rig.ctl.path = rig.dir.path() + "missing/m.ctl";
    edits[7] = {8.0, 0.0};
    EXPECT_EQ(apply_offsets(*rig.app, nc::OffsetTable::D, edits, true), 0);
    EXPECT_FLOAT_EQ(rig.ctl.d[7].value, 8.0f);  // taken for the runs all the same
    EXPECT_EQ(backend.recording().messages.size(), 1u);
}

TEST(OffsetDialogs, WorkOffsetsMoveTheStartOffset) {
    RunRig rig;
    rig.ctl.path = rig.dir.write("m.ctl", "TOOL OFFSET MEMORY=C\n");
    std::vector<Vec3> offsets(rig.ctl.work.begin(), rig.ctl.work.end());
    offsets[1] = {10, 20, 30};  // G54
    EXPECT_EQ(apply_work_offsets(*rig.app, offsets, true), 1);
    EXPECT_EQ(rig.ctl.current_work_offset, nc::start_work_offset(rig.ctl));
    nc::Ctl reread;
    ASSERT_EQ(nc::load_ctl(rig.ctl.path, reread, rig.dir.path()), 1);
    EXPECT_EQ(reread.work[1], (Vec3{10, 20, 30}));
}

}  // namespace
}  // namespace vx::shell

namespace vx::shell {
namespace {

// The control point: the next run starts there; with the box set the settings file keeps it, and
// a file that cannot be written is told.
TEST(SettingsDialogs, ControlPointStartsTheNextRunAndIsSavedWhenAsked) {
    RunRig rig;
    RecordingBackend backend;
    rig.settings.path = rig.dir.write("vornex.ini", "[Define]\n");
    Form form = form_of(*rig.app, 154);
    form.fields[0].number = 12.5;
    form.fields[2].number = 40;
    form.fields[3].checked = true;
    EXPECT_EQ(apply(*rig.app, 154, form), 1);
    EXPECT_EQ(rig.ctx.start_point, (Vec3{12.5, 0, 40}));
    EXPECT_EQ(ini_get(ini_load(rig.settings.path), "Define", "CONTROL POINT", ""), "(12.5,0,40)");
    rig.settings.path = rig.dir.path() + "no/such/folder/vornex.ini";
    EXPECT_EQ(apply(*rig.app, 154, form), 0);
    EXPECT_EQ(backend.recording().messages.size(), 1u);
}

}  // namespace
}  // namespace vx::shell
