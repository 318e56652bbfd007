#include "shell/workpiece.h"

#include "platform/log.h"
#include "shell/dispatch.h"
#include "shell/handlers.h"
#include "shell/sim_options.h"
#include "shell/view_options.h"
#include "work/dmf.h"

#include <algorithm>

namespace vx::shell {
namespace {

using platform::TextPair;

constexpr TextPair kTextLoadWork{"被切削材の読み込み", "Load workpiece"};
constexpr TextPair kTextSaveWork{"被切削材の保存", "Save workpiece"};
constexpr std::string_view kWorkFilter = "*.DMF;*.DMFZ;*.STL";

double work_pitch(const Settings& settings, double x0, double y0, double x1, double y1) {
    const WorkPitch& p = settings.define.work_pitch;
    if (!p.automatic) return p.pitch;
    return sim::automatic_pitch(x0, y0, x1, y1, p.target_cells, settings.define.minimum_pitch);
}

// After a load changed the pitch, the tool's pitch-dependent data follow it.
void reselect_tool(App& app) {
    sim::select_tool(app.tool, app.tools, app.tool.number,
                     selection_options(app.settings, app.workpiece.geometry.pitch, nullptr));
}

std::string chosen_file(const App& app, const CommandArgs* args, const TextPair& title, bool save) {
    if (args) return args->path;
    return platform::choose_file({platform::text(title), app.settings.dmf.dmf_dir, kWorkFilter, save});
}

}  // namespace

int define_box_workpiece(sim::Workpiece& wp, const Settings& settings) {
    const InitialBox& box = settings.dmf.initial_size;
    const double x0 = std::min(box.first.x, box.second.x), x1 = std::max(box.first.x, box.second.x);
    const double y0 = std::min(box.first.y, box.second.y), y1 = std::max(box.first.y, box.second.y);
    const double z0 = std::min(box.first.z, box.second.z), z1 = std::max(box.first.z, box.second.z);
    sim::GridGeometry g;
    if (!(x1 > x0) || !(y1 > y0) || !sim::size_grid(g, x0, y0, x1, y1, work_pitch(settings, x0, y0, x1, y1))) {
        platform::note("vornex: the box of INITIAL SIZE is empty or its pitch is not usable");
        return 0;
    }
    if (!sim::allocate_workpiece_or_report(wp, g, settings.dmf.data_level)) return 0;
    return sim::define_uniform_body(wp, z1, z0);
}

void load_basic_model(sim::Workpiece& wp, const Settings& settings) {
    const std::string& path = settings.dmf.basic_model;
    if (!path.empty() && work::load_model(wp, path, work::ModelUse::Basic) != 1)
        platform::note("vornex: the basic model " + path + " was not loaded");
}

namespace handlers {

int load_workpiece(App& app, int id, int, const CommandArgs* args) {
    const std::string path = chosen_file(app, args, kTextLoadWork, false);
    if (path.empty()) return 0;
    if (!work::has_dmf_suffix(path) && !work::has_dmfz_suffix(path))
        return not_available(*find_command(id), id, "loading this workpiece format");
    const work::OpenResult result = work::open_workpiece(app.workpiece, path, open_options(app.settings));
    if (result.status != 1) return 0;
    if (app.settings.dmf.bottom_filter != BottomFilter::Off) sim::raise_to_bottom(app.workpiece);
    if (result.pitch_changed) reselect_tool(app);
    app.run.workpiece_file = path;
    load_basic_model(app.workpiece, app.settings);  // the new grid released the old one
    rebuild_title(app.run);
    return 1;
}

int save_workpiece(App& app, int id, int parameter, const CommandArgs* args) {
    const std::string path = chosen_file(app, args, kTextSaveWork, true);
    if (path.empty()) return 0;
    if (parameter != kSaveDmf) return not_available(*find_command(id), id, "saving in this format");
    return work::save_workpiece(app.workpiece, path, save_options(app.settings)) == 1 ? 1 : 0;
}

}  // namespace handlers
}  // namespace vx::shell
