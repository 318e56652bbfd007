#include "shell/nc_links.h"

#include "integration/plugins.h"

#include <algorithm>
#include <cmath>

namespace vx::shell {
namespace {

// The cutting step's motion code of the interpreter's; a spline is cut along its chord.
int step_motion(int motion) {
    switch (motion) {
        case nc::kMotionRapid: return sim::kMotionRapid;
        case nc::kMotionCw: return sim::kMotionArcCw;
        case nc::kMotionCcw: return sim::kMotionArcCcw;
        default: return sim::kMotionLinear;
    }
}


// ---- Tool table ----

const sim::ToolTable& table_of(const void* context) { return *static_cast<const sim::ToolTable*>(context); }

int table_sizes(const void* context, int tool, nc::ToolSizes& sizes) {
    const sim::ToolTable& table = table_of(context);
    if (tool < 0 || tool > sim::max_tool_number(table)) return 0;
    const sim::ToolEntry& e = table.entries[std::size_t(tool)];
    if (e.tool.defined != 1) return 0;
    sizes.diameter = e.tool.d;
    sizes.length = e.length.kind != sim::kLengthNone ? e.length.L[0] : e.tool.h;
    return 1;
}

int table_tool_by_name(const void* context, std::string_view name) {
    return sim::find_tool_by_name(table_of(context), name);
}

int table_current_tool(const void* context) { return table_of(context).current_tool; }

// ---- Reader plug-in ----

const integration::Module& module_of(const void* context) { return *static_cast<const integration::Module*>(context); }

int module_open(const void* context, const std::string& nc_path, int& first_tool) {
    return integration::reader_open(module_of(context), nc_path, first_tool);
}

int module_next(const void* context, char* block, int size, int& line_number) {
    return integration::reader_path(module_of(context), block, size, line_number);
}

void module_close(const void* context) { integration::reader_close(module_of(context)); }

// ---- Workpiece look-up ----

int index_of(double v, double origin, double pitch, std::int32_t count) {
    const double i = std::floor((v - origin) / pitch + 0.5);
    return int(std::clamp(i, 0.0, double(count - 1)));
}

int highest_above(void* context, double x0, double y0, double x1, double y1, double z, Vec3& point) {
    const sim::Workpiece& wp = *static_cast<const sim::Workpiece*>(context);
    const sim::GridGeometry& g = wp.geometry;
    if (!wp.height.data || wp.highest <= z) return 0;
    const int i0 = index_of(std::min(x0, x1), g.origin_x, g.pitch, g.nx), i1 = index_of(std::max(x0, x1), g.origin_x, g.pitch, g.nx);
    const int j0 = index_of(std::min(y0, y1), g.origin_y, g.pitch, g.ny), j1 = index_of(std::max(y0, y1), g.origin_y, g.pitch, g.ny);
    float best = float(z);
    int found = 0;
    for (int j = j0; j <= j1; ++j) {
        const float* row = wp.height.data + std::size_t(j) * std::size_t(g.nx);
        for (int i = i0; i <= i1; ++i) {
            if (row[i] <= best) continue;
            best = row[i];
            point = {g.origin_x + i * g.pitch, g.origin_y + j * g.pitch, double(best)};
            found = 1;
        }
    }
    return found;
}

// ---- Comment plug-in ----

bool offer_comment(const void* context, std::string_view line, int line_number, nc::CommentFindings& found) {
    integration::CommentTool tool;
    const auto& plugins = *static_cast<const integration::Plugins*>(context);
    if (!integration::offer_comment(plugins, line, line_number, tool)) return false;
    found.has_tool = tool.has_tool;
    found.tool = tool.tool;
    found.has_length = tool.has_length;
    found.length = tool.length;
    found.has_arbor = tool.has_arbor;
    found.arbor = tool.arbor;
    return true;
}

}  // namespace

nc::ToolLookup tool_lookup(const sim::ToolTable& table) {
    return nc::ToolLookup{&table, &table_sizes, &table_tool_by_name, &table_current_tool};
}

sim::Attachment sim_attachment(const nc::AttachmentShape& shape) {
    sim::Attachment a;
    a.count = shape.count;
    for (std::size_t i = 0; i < a.steps.size(); ++i) a.steps[i] = {shape.steps[i].width, shape.steps[i].height};
    return a;
}

const sim::Attachment* mounted_attachment(const nc::Mtl& mtl, sim::Attachment& storage) {
    const nc::AttachmentShape* shape = nc::initial_attachment(mtl);
    if (!shape) return nullptr;
    storage = sim_attachment(*shape);
    return &storage;
}

nc::RecordSource record_source(const integration::Module& module) {
    return nc::RecordSource{&module, &module_open, &module_next, &module_close};
}

nc::HeightLookup height_lookup(const sim::Workpiece& workpiece) {
    return nc::HeightLookup{const_cast<sim::Workpiece*>(&workpiece), &highest_above};
}

void prepare_programs(nc::ProgramLibrary& programs, const std::string& nc_path, const nc::Ctl& ctl) {
    const std::size_t slash = nc_path.rfind('/');
    programs.directory = slash == std::string::npos ? std::string() : nc_path.substr(0, slash + 1);
    if (ctl.memory_run || ctl.product == nc::Dialect::Osp) nc::load_memory_image(nc_path, ctl, programs.image);
}

int open_nc_source(nc::Reader& reader, const integration::Plugins* plugins, const std::string& nc_path, int& first_tool) {
    const integration::Module* module = plugins ? integration::reader_for_file(*plugins, nc_path) : nullptr;
    if (!module) return nc::open_main_file(reader, nc_path);
    int tool = first_tool;
    if (!nc::open_records(reader, record_source(*module), nc_path, tool)) return 0;
    if (tool > 0) first_tool = tool;
    return 1;
}

nc::CommentReader comment_reader(const integration::Plugins& plugins) {
    return nc::CommentReader{&plugins, &offer_comment};
}

sim::MovePath move_path(const nc::MoveRecord& m) {
    sim::MovePath p;
    p.motion = step_motion(m.motion);
    p.start = m.start;
    p.end = m.end;
    p.centre = m.centre;
    p.start_direction = m.start_direction;
    p.start_radius = m.start_radius;
    p.end_radius = m.end_radius;
    p.sweep = m.sweep;
    p.plane = {m.plane.first, m.plane.second, m.plane.normal};
    return p;
}


}  // namespace vx::shell
