#include "shell/fit_workpiece.h"

#include "platform/language.h"
#include "platform/log.h"
#include "platform/platform.h"
#include "shell/data_check_run.h"
#include "shell/handlers.h"
#include "shell/workpiece.h"

#include <algorithm>
#include <cstdio>
#include <string>

namespace vx::shell {
namespace {

constexpr platform::TextPair kTextFitWork{"最適な被切削材をセットしますか？", "Is the most suitable work set?"};
constexpr platform::TextPair kTextNoMoves{"このNCデータには移動がないため、被切削材を定義できません。",
                                          "The NC data has no moves: no workpiece can be fitted to it."};
constexpr platform::TextPair kTextFlat{
    "このNCデータの移動はすべて Z = %.3f にあるため、被切削材の高さを決められません。２点指示で定義して下さい。",
    "Every move of the NC data lies at Z = %.3f, so no workpiece height can be derived from it. Define the "
    "workpiece by two points instead."};
constexpr int kDefineTwoPoints = 32787;  // its handler takes the block and brings the program along
constexpr double kRapidOnlyTopBelow = 5.0;
constexpr double kRapidOnlyHeight = 10.0;

bool empty_in_xy(const nc::Extents& e) { return e.min.x > e.max.x || e.min.y > e.max.y; }

}  // namespace

std::optional<FitBox> fit_box(const nc::DataCheck& check, double margin_x, double margin_y) {
    FitBox box;
    if (!empty_in_xy(check.feed)) {
        box = {check.feed.min, check.feed.max};
        // Feed moves all at one Z (a flat program) give no height: the rapids may.
        if (!(box.maximum.z > box.minimum.z) && !empty_in_xy(check.all)) {
            box.minimum.z = std::min(box.minimum.z, check.all.min.z);
            box.maximum.z = std::max(box.maximum.z, check.all.max.z);
        }
    } else if (!empty_in_xy(check.all)) {
        const double top = check.all.min.z - kRapidOnlyTopBelow;
        box = {{check.all.min.x, check.all.min.y, top - kRapidOnlyHeight}, {check.all.max.x, check.all.max.y, top}};
    } else {
        return std::nullopt;
    }
    box.minimum.x -= margin_x;
    box.maximum.x += margin_x;
    box.minimum.y -= margin_y;
    box.maximum.y += margin_y;
    return box;
}

namespace handlers {

int select_and_define(App& app, int, int, const CommandArgs* args) {
    if (select_nc(app, cmd::kSelectNc, 0, args) != 1) return 0;
    platform::Message question{platform::text(kTextFitWork), app.run.nc_path, platform::Buttons::YesNo};
    question.unattended = platform::Answer::Yes;  // an unattended start asked for the fitted block
    if (platform::show_message(question) != platform::Answer::Yes) return 1;
    nc::DataCheck check;
    if (check_program(app, app.run.nc_path, nc::CheckMode::MinMax, check) == kCheckNotOpened) {
        platform::note("vornex: " + app.run.nc_path + " could not be opened for its min-max check");
        return 0;
    }
    const Vec3& margin = app.settings.define.work_margin;
    const std::optional<FitBox> box = fit_box(check, margin.x, margin.y);
    if (!box) {
        platform::show_message({app.run.nc_path, platform::text(kTextNoMoves)});
        return 0;
    }
    const FitBox& b = *box;
    if (!(b.maximum.z > b.minimum.z)) {
        char text[400];
        std::snprintf(text, sizeof text, std::string(platform::text(kTextFlat)).c_str(), b.minimum.z);
        platform::show_message({app.run.nc_path, text});
        return 0;
    }
    const double pitch = work_pitch(app.settings, b.minimum.x, b.minimum.y, b.maximum.x, b.maximum.y);
    const CommandArgs block{{}, {b.maximum.x, b.maximum.y, b.maximum.z, b.minimum.x, b.minimum.y, b.minimum.z, pitch}};
    return define_two_points(app, kDefineTwoPoints, 0, &block);
}

}  // namespace handlers
}  // namespace vx::shell
