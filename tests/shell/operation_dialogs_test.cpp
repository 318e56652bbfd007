// The workpiece operations' dialogs without their window: each form edited as a user would and
// confirmed, its checks refusing bad values with their message, its values reaching the
// operation; the values kept for the next opening; and a menu command reaching the operation
// through the window's dialog.
#include "shell/operation_dialogs.h"

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

constexpr int kDefineTwoPoints = 32787, kDefineOrigin = 32901, kXyzCut = 32817, kThin = 32896;

// The rig's box: 0 .. 40 by 0 .. 20 at 0.5 (81 x 41 points), bottom 0, top 10.
TEST(OperationDialogs, FormsCheckTheirValuesAndSendThemToTheOperation) {
    RecordingBackend backend;
    Language english(true);
    struct Case {
        const char* what;
        int id;
        std::function<void(Form&)> edit;
        int answer;
        std::string message;  // the body of the one message shown; empty: none
        std::function<void(const sim::Workpiece&)> check;
    };
    const auto unchanged = [](const sim::Workpiece& wp) {
        EXPECT_EQ(wp.geometry.nx, 81);
        EXPECT_DOUBLE_EQ(wp.geometry.origin_x, 0.0);
    };
    const std::vector<Case> cases{
        {"two points: X reversed", kDefineTwoPoints, [](Form& f) { f.fields[0].number = -5; }, 0,
         "The maximum and the minimum of X value are reversed.", unchanged},
        {"two points: Z reversed", kDefineTwoPoints, [](Form& f) { f.fields[2].number = -1; }, 0,
         "The maximum and the minimum of Z value are reversed.", unchanged},
        {"two points: the workpiece's corners at pitch 1", kDefineTwoPoints, [](Form& f) { f.fields[6].number = 1; }, 1,
         "",
         [](const sim::Workpiece& wp) {
             EXPECT_EQ(wp.geometry.nx, 41);
             EXPECT_EQ(wp.geometry.ny, 21);
             EXPECT_EQ(wp.height.data[0], float(testing::kRigTop));
         }},
        {"origin: centred in X, 100 x 100 x 30 at pitch 1", kDefineOrigin,
         [](Form& f) {
             f.fields[0].choice = 1;
             f.fields[12].number = 1;
         },
         1, "",
         [](const sim::Workpiece& wp) {
             EXPECT_DOUBLE_EQ(wp.geometry.origin_x, -50.0);
             EXPECT_EQ(wp.geometry.nx, 101);
             EXPECT_EQ(wp.height.data[0], 30.0f);
         }},
        {"thin: a count below 2", kThin, [](Form& f) { f.fields[0].number = 1; }, 0, "Set a value of 2 or more.",
         unchanged},
        {"thin: by 3, X cut, Y add", kThin,
         [](Form& f) {
             f.fields[0].number = 3;
             f.fields[1].choice = 1;
         },
         1, "",
         [](const sim::Workpiece& wp) {
             EXPECT_EQ(wp.geometry.nx, 27);  // 80 / 3 + 1, the remainder cut
             EXPECT_EQ(wp.geometry.ny, 15);  // 40 / 3 + 1, plus the remainder's point
             EXPECT_DOUBLE_EQ(wp.geometry.pitch, 1.5);
         }},
        {"rotate by -90", cmd::kRotateMirror, [](Form& f) { f.fields[0].choice = 2; }, 1, "",
         [](const sim::Workpiece& wp) {
             EXPECT_EQ(wp.geometry.nx, 41);
             EXPECT_DOUBLE_EQ(wp.geometry.origin_y, -40.0);
         }},
        {"move to a position", cmd::kMove,
         [](Form& f) {
             f.fields[0].choice = 1;
             f.fields[1].number = 99;  // the shift is not sent
             f.fields[4].number = 5;
             f.fields[5].number = 6;
             f.fields[6].number = 7;
         },
         1, "",
         [](const sim::Workpiece& wp) {
             EXPECT_DOUBLE_EQ(wp.geometry.origin_x, 5.0);
             EXPECT_DOUBLE_EQ(wp.geometry.origin_y, 6.0);
             EXPECT_EQ(wp.height.data[0], 17.0f);
         }},
        {"offset along Z", cmd::kOffset,
         [](Form& f) {
             f.fields[0].choice = 1;
             f.fields[1].number = 1.5;
         },
         1, "", [](const sim::Workpiece& wp) { EXPECT_EQ(wp.height.data[5], 11.5f); }},
        {"XYZ cut at 6 inside the workpiece's own limits", kXyzCut, [](Form& f) { f.fields[0].number = 6; }, 1, "",
         [](const sim::Workpiece& wp) {
             EXPECT_EQ(wp.geometry.nx, 81);
             EXPECT_EQ(wp.height.data[100], 6.0f);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        backend.recording().messages.clear();
        RunRig rig;
        const SettingsDialog* dialog = find_settings_dialog(c.id);
        ASSERT_NE(dialog, nullptr);
        Form form = dialog->form(*rig.app);
        c.edit(form);
        EXPECT_EQ(dialog->apply(*rig.app, form), c.answer);
        const auto& m = backend.recording().messages;
        if (c.message.empty()) {
            EXPECT_TRUE(m.empty()) << m.front().body;
        } else {
            ASSERT_EQ(m.size(), 1u);
            EXPECT_EQ(m[0].body, c.message);
        }
        c.check(rig.workpiece);
    }
}

TEST(OperationDialogs, FormsReopenWithTheValuesConfirmedLastInEitherLanguage) {
    RecordingBackend backend;
    RunRig rig;
    const SettingsDialog* thin = find_operation_dialog(kThin);
    const SettingsDialog* move = find_operation_dialog(cmd::kMove);
    {
        Language japanese(false);
        Form f = thin->form(*rig.app);
        EXPECT_EQ(f.title, "間引き");
        EXPECT_EQ(f.fields[0].label, "間引き数：");
        EXPECT_EQ(f.fields[1].choices, (std::vector<std::string>{"付加", "カット"}));
        f.fields[0].number = 0;
        EXPECT_EQ(thin->apply(*rig.app, f), 0);
        EXPECT_EQ(backend.recording().messages.at(0).title, "間引き数エラー");
        EXPECT_EQ(backend.recording().messages.at(0).body, "2以上の値を設定して下さい。");
        EXPECT_EQ(thin->form(*rig.app).fields[0].number, 2.0);  // the refused count is reset
    }
    Language english(true);
    // 81 x 41 points thinned by 3, X cut, Y added: 27 x 15; the height 10 gives k = 5.
    Form t = thin->form(*rig.app);
    t.fields[0].number = 3;
    t.fields[1].choice = 1;
    EXPECT_EQ(t.live_text(*rig.app, t), "DMF Size = 1788\nDME Size > 18602");
    Form f = move->form(*rig.app);
    EXPECT_EQ(f.title, "Move");
    EXPECT_EQ(f.fields[0].choices, (std::vector<std::string>{"Shift", "Position"}));
    EXPECT_EQ(form_values(f), (std::vector<double>{0, 0, 0, 0, 0, 0, 0}));  // the workpiece's minimum
    f.fields[1].number = 1;
    f.fields[3].number = -2;
    ASSERT_EQ(move->apply(*rig.app, f), 1);
    EXPECT_EQ(form_values(move->form(*rig.app)), (std::vector<double>{0, 1, 0, -2, 0, 0, 0}));
    EXPECT_EQ(rig.workpiece.height.data[0], float(testing::kRigTop - 2));
}

// After the two-point definition the control point goes to the block's XY-minimum Z-maximum
// corner, stays where it was, or goes to the specified point; a reversed block moves nothing.
TEST(OperationDialogs, TwoPointsPlacesTheControlPointAfterTheBlock) {
    RecordingBackend backend;
    struct Case {
        int choice;
        double x_max;
        Vec3 expected;
    };
    const Vec3 before{7, 8, 9};
    const Case cases[]{{0, 30, {2, 1, 15}}, {1, 30, before}, {2, 30, {-1, -2, 50}}, {0, -5, before}};
    for (const Case& c : cases) {
        RunRig rig;
        rig.ctx.start_point = before;
        const SettingsDialog* d = find_operation_dialog(kDefineTwoPoints);
        Form f = d->form(*rig.app);
        for (const auto& [k, v] : {std::pair{0, c.x_max}, {1, 20.0}, {2, 15.0}, {3, 2.0}, {4, 1.0}, {5, 0.0},
                                   {8, -1.0}, {9, -2.0}, {10, 50.0}})
            f.fields[std::size_t(k)].number = v;
        f.fields[7].choice = c.choice;
        d->apply(*rig.app, f);
        EXPECT_EQ(rig.ctx.start_point.x, c.expected.x) << c.choice;
        EXPECT_EQ(rig.ctx.start_point.y, c.expected.y) << c.choice;
        EXPECT_EQ(rig.ctx.start_point.z, c.expected.z) << c.choice;
    }
}

// A window that confirms every operation dialog with its first choice set to the second.
struct ConfirmingWindow {
    App* app = nullptr;
    std::vector<int> opened;
};

int confirm_dialog(void* window, int id, int) {
    auto& w = *static_cast<ConfirmingWindow*>(window);
    const SettingsDialog* d = find_operation_dialog(id);
    if (!d) return -1;
    w.opened.push_back(id);
    Form f = d->form(*w.app);
    f.fields[0].choice = 1;
    return d->apply(*w.app, f);
}

TEST(OperationDialogs, AMenuCommandWithoutValuesReachesTheOperationThroughItsDialog) {
    RecordingBackend backend;
    Language english(true);
    RunRig rig;
    ConfirmingWindow window{rig.app.get(), {}};
    rig.app->hooks.window = &window;
    rig.app->hooks.window_command = confirm_dialog;
    EXPECT_EQ(dispatch(*rig.app, cmd::kRotateMirror), 1);
    EXPECT_EQ(window.opened, std::vector<int>{cmd::kRotateMirror});
    EXPECT_DOUBLE_EQ(rig.workpiece.geometry.origin_x, -40.0);  // 180 degrees
    EXPECT_DOUBLE_EQ(rig.workpiece.geometry.origin_y, -20.0);
    // A command whose dialog the window hands back still says so.
    rig.app->hooks.window_command = [](void*, int, int) { return -1; };
    EXPECT_EQ(dispatch(*rig.app, cmd::kRotateMirror), kCommandNotAvailable);
    EXPECT_EQ(backend.recording().messages.back().body,
              "Command 32826 (the rotation dialog) is not available in this build yet");
}

}  // namespace
}  // namespace vx::shell
