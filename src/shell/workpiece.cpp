#include "shell/workpiece.h"

#include "integration/plugin_files.h"
#include "platform/log.h"
#include "shell/dispatch.h"
#include "shell/handlers.h"
#include "shell/sim_options.h"
#include "shell/view_options.h"
#include "work/dmf.h"
#include "work/mesh_export.h"
#include "work/operations.h"
#include "work/stl_import.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <optional>

namespace vx::shell {
namespace {

using platform::TextPair;

constexpr TextPair kTextLoadWork{"被切削材の読み込み", "Load workpiece"};
constexpr TextPair kTextSaveWork{"被切削材の保存", "Save workpiece"};
constexpr TextPair kTextPleaseSelect{"Please select!", "Please select!"};
constexpr TextPair kTextWorkFiles{"被切削材ファイル", "Workpiece files"};
constexpr std::string_view kWorkPatterns = "*.DMF *.DMFZ *.STL";

// The save dialog's file types in the order of the save types (1 to 6).
constexpr std::array kSaveTypeFilters{
    TextPair{"被切削材定義ﾌｧｲﾙ(*.DMF)", "DMF(*.DMF)"},
    TextPair{"STLﾌｫｰﾏｯﾄ/ﾃｷｽﾄ(*.STL)", "STL Format/Text(*.STL)"},
    TextPair{"STLﾌｫｰﾏｯﾄ/ﾊﾞｲﾅﾘ/ｲﾝﾃﾙ系(*.STL)", "STL Format/Binary/Intel(*.STL)"},
    TextPair{"STLﾌｫｰﾏｯﾄ/ﾊﾞｲﾅﾘ/ﾓﾄﾛｰﾗ系(*.STL)", "STL Format/Binary/Motolora系(*.STL)"},
    TextPair{"VRML2.0/多面体出力(*.WRL)", "VRML2.0/Facet(*.WRL)"},
    TextPair{"VRML2.0/格子点出力(*.WRL)", "VRML2.0/Points(*.WRL)"},
};
constexpr TextPair kTextBasicModel{"基準形状指定", "Basic model"};

// After a load changed the pitch, the tool's pitch-dependent data follow it.
void reselect_tool(App& app) {
    sim::select_tool(app.tool, app.tools, app.tool.number,
                     selection_options(app.settings, app.workpiece.geometry.pitch, nullptr));
}

// A module's file type for a dialog: "XYZ point grid (*.XYZ *.PTS)".
std::string module_filter(const integration::Module& m) {
    std::string patterns;
    for (const std::string& suffix : integration::module_suffixes(m)) patterns += (patterns.empty() ? "*." : " *.") + suffix;
    return integration::module_kind(m) + " (" + patterns + ")";
}

// The open dialog's file types: every workpiece format together, then each loader's own.
std::string load_filter(const App& app) {
    std::string patterns(kWorkPatterns);
    for (const std::string& suffix : integration::loader_extensions(app.plugins)) patterns += " *." + suffix;
    std::string filter = std::string(platform::text(kTextWorkFiles)) + " (" + patterns + ")";
    for (const integration::Module& m : integration::modules(app.plugins, integration::Family::Load))
        filter += ";;" + module_filter(m);
    return filter;
}

// The save dialog's file types: those of the program in the order of the save types, then one
// per saver (types 7 on).
std::string save_filter(const App& app) {
    std::string filter;
    for (const TextPair& type : kSaveTypeFilters) filter += std::string(platform::text(type)) + ";;";
    for (const integration::Module& m : integration::modules(app.plugins, integration::Family::Save))
        filter += module_filter(m) + ";;";
    filter.resize(filter.size() - 2);
    return filter;
}

std::string chosen_file(const App& app, const CommandArgs* args, const TextPair& title, bool save) {
    if (args) return args->path;
    const std::string filter = save ? save_filter(app) : load_filter(app);
    return platform::choose_file({platform::text(title), app.settings.dmf.dmf_dir, filter, save});
}

bool has_stl_suffix(std::string_view path) {
    constexpr std::string_view kStl = ".STL";
    return path.size() >= kStl.size() &&
           std::equal(kStl.begin(), kStl.end(), path.end() - kStl.size(), [](char a, char b) {
               return a == std::toupper(static_cast<unsigned char>(b));
           });
}

// The STL's extent takes the settings' work pitch, or the automatic pitch over that extent.
work::StlOpenOptions stl_open_options(const Settings& settings) {
    work::StlOpenOptions options;
    options.data_level = settings.dmf.data_level;
    options.pitch = [&settings](double x0, double y0, double x1, double y1) {
        return work_pitch(settings, x0, y0, x1, y1);
    };
    return options;
}

// STL CHECK: the loaded file's triangles for the display to outline (none when the setting is
// off or the load was not an STL).
std::vector<std::array<Vec3, 3>> check_triangles(const Settings& settings, const std::string& path, bool stl) {
    std::vector<std::array<Vec3, 3>> triangles;
    if (!stl || !settings.dmf.stl_check) return triangles;
    const std::optional<work::DmfSource> source = work::DmfSource::open(path);
    if (!source) return triangles;
    work::for_each_stl_triangle(*source, work::detect_stl_kind(*source),
                                [&](const work::StlTriangle& t) { triangles.push_back(t.vertex); });
    return triangles;
}

// ---- Plug-in loaders and savers ----

// A loader's file as the workpiece; `pitch_changed` when the grid's pitch is new. 1, or 0 (told).
int load_with_loader(App& app, const integration::Module& loader, const std::string& path, bool& pitch_changed) {
    integration::LoadRequest request;
    request.pitch = [&app](double x0, double y0, double x1, double y1) { return work_pitch(app.settings, x0, y0, x1, y1); };
    request.line_numbers = sim::level_keeps_line_numbers(app.settings.dmf.data_level);
    integration::LoadedGrid grid;
    if (integration::load_grid(app.plugins, loader, path, request, grid) != integration::kPluginDone) return 0;
    pitch_changed = !has_workpiece(app) || app.workpiece.geometry.pitch != grid.geometry.pitch;
    if (!integration::adopt_grid(app.workpiece, grid, app.settings.dmf.data_level)) return 0;
    if (app.settings.dmf.stl_filter) sim::pit_filter(app.workpiece, app.workpiece.work_bottom);
    return 1;
}

// A loader's file as the basic or merge model, at the workpiece's pitch unless it has its own.
int load_plugin_model(App& app, const integration::Module& loader, const std::string& path, work::ModelUse use) {
    sim::Workpiece& wp = app.workpiece;
    if (!has_workpiece(app)) return 0;
    integration::LoadRequest request;
    request.pitch = [pitch = wp.geometry.pitch](double, double, double, double) { return pitch; };
    request.model = true;
    integration::LoadedGrid model;
    if (integration::load_grid(app.plugins, loader, path, request, model) != integration::kPluginDone) return 0;
    bool obtained = false;
    const bool basic = use == work::ModelUse::Basic;
    const int ok = sim::calculate_z_values(wp, basic ? sim::ZTarget::Basic : sim::ZTarget::Merge,
                                           [&](const sim::GridGeometry& grid, float* heights, double) {
                                               obtained = true;
                                               integration::fill_model_target(model, grid, heights);
                                               return 1;
                                           });
    if (!obtained)
        platform::show_message({platform::text(basic ? work::kTextBasicModelTitle : work::kTextMergeModelTitle),
                                platform::text(work::kTextModelMemoryOver)});
    return ok;
}

// A saver that saves against the basic model has it loaded first; without one named the save
// stops with "Please select!".
bool basic_model_ready(App& app) {
    if (app.settings.dmf.basic_model.empty()) {
        platform::show_message({platform::text(work::kTextBasicModelTitle), platform::text(kTextPleaseSelect)});
        return false;
    }
    return load_basic_model(app) == 1;
}

int save_with_saver(App& app, int id, int save_type, const std::string& path) {
    const integration::Module* saver = integration::module(app.plugins, integration::Family::Save, save_type - kSavePlugin);
    if (!saver) return not_available(*find_command(id), id, "saving through a saver plug-in that is not loaded");
    if (integration::saver_wants_basic_model(*saver) && !basic_model_ready(app)) return 0;
    const work::SaveOptions options = save_options(app.settings);
    const integration::SaveRequest request{options.save_level, options.integer_heights};
    return integration::save_with_plugin(*saver, path, app.workpiece, request) == integration::kPluginDone ? 1 : 0;
}

std::optional<work::ExportFormat> export_format(int save_type) {
    switch (save_type) {
    case kSaveStlText: return work::ExportFormat::StlText;
    case kSaveStlLittle: return work::ExportFormat::StlLittle;
    case kSaveStlBig: return work::ExportFormat::StlBig;
    case kSaveVrmlFaces: return work::ExportFormat::VrmlFaces;
    case kSaveVrmlGrid: return work::ExportFormat::VrmlGrid;
    default: return std::nullopt;
    }
}

}  // namespace

std::string choose_workpiece_file(const App& app) { return chosen_file(app, nullptr, kTextLoadWork, false); }

double work_pitch(const Settings& settings, double x0, double y0, double x1, double y1) {
    const WorkPitch& p = settings.define.work_pitch;
    if (!p.automatic) return p.pitch;
    return sim::automatic_pitch(x0, y0, x1, y1, p.target_cells, settings.define.minimum_pitch);
}

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

int load_basic_model(App& app) {
    const std::string& path = app.settings.dmf.basic_model;
    if (path.empty()) return 0;
    if (load_model_file(app, path, work::ModelUse::Basic) == 1) return 1;
    platform::note("vornex: the basic model " + path + " was not loaded");
    return 0;
}

int load_basic_model(sim::Workpiece& wp, const Settings& settings) {
    const std::string& path = settings.dmf.basic_model;
    if (path.empty()) return 0;
    if (work::load_model(wp, path, work::ModelUse::Basic) == 1) return 1;
    platform::note("vornex: the basic model " + path + " was not loaded");
    return 0;
}

int load_model_file(App& app, const std::string& path, work::ModelUse use) {
    const bool built_in = work::has_dmf_suffix(path) || has_stl_suffix(path);
    if (const integration::Module* loader = built_in ? nullptr : integration::loader_for_file(app.plugins, path))
        return load_plugin_model(app, *loader, path, use);
    return work::load_model(app.workpiece, path, use);
}

CommandLineContext plugin_file_context(const integration::Plugins& plugins, const std::string& current_dir) {
    CommandLineContext context;
    context.current_dir = current_dir;
    context.load_extensions = integration::loader_extensions(plugins);
    context.save_extensions = integration::saver_extensions(plugins);
    return context;
}

namespace handlers {

// The basic model of the difference display from the file dialog, or the file dropped with CTRL.
// It becomes the one that follows the workpiece through later loads and operations.
int choose_basic_model(App& app, int, int, const CommandArgs* args) {
    const std::string path = chosen_file(app, args, kTextBasicModel, false);
    if (path.empty()) return 0;
    if (load_model_file(app, path, work::ModelUse::Basic) != 1) return 0;
    app.settings.dmf.basic_model = path;
    platform::redraw(platform::ViewPart::Workpiece);
    return 1;
}

int load_workpiece(App& app, int id, int, const CommandArgs* args) {
    const std::string path = chosen_file(app, args, kTextLoadWork, false);
    if (path.empty()) return 0;
    bool pitch_changed = false;
    if (work::has_dmf_suffix(path)) {
        const work::OpenResult result = work::open_workpiece(app.workpiece, path, open_options(app.settings));
        if (result.status != 1) return 0;
        if (app.settings.dmf.bottom_filter != BottomFilter::Off) sim::raise_to_bottom(app.workpiece);
        pitch_changed = result.pitch_changed;
    } else if (has_stl_suffix(path)) {
        const work::StlOpenResult result = work::open_stl_workpiece(app.workpiece, path, stl_open_options(app.settings));
        if (result.status != 1) return 0;
        if (app.settings.dmf.stl_filter) sim::pit_filter(app.workpiece, app.workpiece.work_bottom);
        pitch_changed = result.pitch_changed;
    } else if (const integration::Module* loader = integration::loader_for_file(app.plugins, path)) {
        if (!load_with_loader(app, *loader, path, pitch_changed)) return 0;
    } else {
        return not_available(*find_command(id), id, "loading this workpiece format");
    }
    if (pitch_changed) reselect_tool(app);
    app.run.workpiece_file = path;
    app.display.check_triangles = check_triangles(app.settings, path, has_stl_suffix(path));
    load_basic_model(app);  // the new grid released the old one
    rebuild_title(app.run);
    return 1;
}

// Loads the file, then presses it along X (parameter 0), Y (1) or Z (2). Values from the dialog: keep the
// paint, the pen colour, the cutting direction (1 each); without them the pressed body keeps none.
int load_pressed(App& app, int id, int parameter, const CommandArgs* args) {
    if (!args) return open_dialog(app, id, parameter, "the press dialog");
    if (parameter < 0 || parameter > 2) return not_available(*find_command(id), id, "pressing in this direction");
    const auto kept = [args](std::size_t k) { return args->values.size() > k && args->values[k] != 0.0; };
    const work::PressKeep keep{kept(0), kept(1), kept(2)};
    if (load_workpiece(app, cmd::kLoadWork, 0, args) != 1) return 0;
    if (work::press_workpiece(app.workpiece, parameter, keep) != work::kOpDone) return 0;
    platform::redraw(platform::ViewPart::Workpiece);
    return 1;
}

// Loads the file swung about the axis of the parameter (0 X, 1 Y, 2 Z) through the two
// coordinates (a, b) of the other axes in order, by the angle in degrees.
int load_swung(App& app, int id, int parameter, const CommandArgs* args) {
    if (!args || args->path.empty()) return open_dialog(app, id, parameter, "the swing dialog");
    work::Swing swing;
    swing.axis = std::clamp(parameter, 0, 2);
    if (args->values.size() >= 3) {
        swing.centre[swing.axis == 0 ? 1 : 0] = args->values[0];
        swing.centre[swing.axis == 2 ? 1 : 2] = args->values[1];
        swing.angle_degrees = args->values[2];
    }
    const std::string& path = args->path;
    sim::Workpiece& wp = app.workpiece;
    if (has_stl_suffix(path)) {
        work::StlOpenOptions options = stl_open_options(app.settings);
        options.swing = swing;
        const work::StlOpenResult result = work::open_stl_workpiece(wp, path, options);
        if (result.status != 1) return 0;
    } else if (work::has_dmf_suffix(path)) {
        sim::Workpiece source;
        work::OpenOptions options = open_options(app.settings);
        options.data_level = 4;  // heights only: the swing keeps no attributes
        if (work::open_workpiece(source, path, options).status != 1) return 0;
        wp.data_level = app.settings.dmf.data_level;
        if (work::swing_workpiece(wp, source, swing) != work::kOpDone) return 0;
    } else {
        return not_available(*find_command(id), id, "loading this workpiece format");
    }
    reselect_tool(app);
    app.run.workpiece_file = path;
    load_basic_model(app);
    rebuild_title(app.run);
    platform::redraw(platform::ViewPart::Workpiece);
    return 1;
}

int save_workpiece(App& app, int id, int parameter, const CommandArgs* args) {
    std::string path = chosen_file(app, args, kTextSaveWork, true);
    if (path.empty()) return 0;
    // From the menu the chosen name's extension says the format; a name without a known one
    // becomes a DMF, as on the command line.
    if (parameter == 0) parameter = save_type_for_file(path, plugin_file_context(app.plugins, app.current_dir));
    if (parameter == 0) {
        path += ".DMF";
        parameter = kSaveDmf;
    }
    if (parameter == kSaveDmf) return work::save_workpiece(app.workpiece, path, save_options(app.settings)) == 1 ? 1 : 0;
    if (parameter >= kSavePlugin) return save_with_saver(app, id, parameter, path);
    const std::optional<work::ExportFormat> format = export_format(parameter);
    if (!format) return not_available(*find_command(id), id, "saving in this format");
    return work::export_workpiece(app.workpiece, path, *format, {app.settings.define.colours.work});
}

}  // namespace handlers
}  // namespace vx::shell
