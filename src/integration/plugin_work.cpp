#include "integration/plugin_work.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace vx::integration {
namespace {

// What PARAMETER finds in its status word: a user may be asked, or nobody is there.
constexpr int kStatusInteractive = 1;
constexpr int kStatusUnattended = 2;
// Heights are floats: one moved together with its bottom (a double) may round below it by this.
constexpr float kBottomRounding = 0.0001f;

template <class Fn>
Fn typed(const Module& m, std::string_view name) {
    return reinterpret_cast<Fn>(symbol(m, name));
}

std::size_t cells(const VxGrid& g) { return std::size_t(g.nx) * std::size_t(g.ny); }

bool same_fixed_fields(const VxGrid& a, const VxGrid& b) {
    return a.nx == b.nx && a.ny == b.ny && a.pitch == b.pitch && a.origin_x == b.origin_x &&
           a.origin_y == b.origin_y && a.height == b.height && a.attribute == b.attribute && a.line == b.line;
}

std::string cell_text(const VxGrid& g, std::size_t c) {
    return "cell (" + std::to_string(c % std::size_t(g.nx)) + ", " + std::to_string(c / std::size_t(g.nx)) + ")";
}

// The first height that is no number or lies below the bottom, named; empty when none.
std::string height_problem(const VxGrid& g) {
    const float bottom = float(g.bottom) - kBottomRounding;
    for (std::size_t c = 0, n = cells(g); c < n; ++c) {
        const float h = g.height[c];
        if (!std::isfinite(h)) return "left a height that is no number at " + cell_text(g, c);
        if (h < bottom) return "left a height below the work bottom at " + cell_text(g, c);
    }
    return {};
}

// Whether the heights or attribute bytes differ from the copy: a module's cut that changed
// nothing leaves a defined, uncut workpiece as it was (it is saved as a uniform body).
bool layers_differ(const sim::Workpiece& wp, const GridCopy& c) {
    const bool heights = !c.height.empty() && !std::equal(c.height.begin(), c.height.end(), wp.height.data);
    const bool attributes = !c.attribute.empty() && !std::equal(c.attribute.begin(), c.attribute.end(), wp.attribute.data);
    return heights || attributes;
}

}  // namespace

// ---- The lent grid ----

VxGrid lend_grid(sim::Workpiece& wp) {
    const sim::GridGeometry& geo = wp.geometry;
    VxGrid g{};
    g.nx = geo.nx;
    g.ny = geo.ny;
    g.origin_x = geo.origin_x;
    g.origin_y = geo.origin_y;
    g.pitch = geo.pitch;
    g.bottom = wp.work_bottom;
    g.top = wp.work_top;
    g.height = wp.height.data;
    g.attribute = wp.attribute.data;
    g.line = wp.line_number.data;
    return g;
}

std::string grid_problem(const VxGrid& lent, const VxGrid& after, bool bounds_may_move) {
    if (!same_fixed_fields(lent, after)) return "changed the grid's size, origin, pitch or arrays";
    if (!std::isfinite(after.bottom) || !std::isfinite(after.top)) return "left a work bottom or top that is no number";
    if (!bounds_may_move && (after.bottom != lent.bottom || after.top != lent.top))
        return "moved the work bottom or top during a run";
    if (after.top < after.bottom) return "left the work top below the work bottom";
    return height_problem(after);
}

GridCopy copy_grid(const sim::Workpiece& wp) {
    const std::size_t n = std::size_t(std::max(wp.geometry.cell_count, 0));
    GridCopy c;
    if (wp.height.data) c.height.assign(wp.height.data, wp.height.data + n);
    if (wp.attribute.data) c.attribute.assign(wp.attribute.data, wp.attribute.data + n);
    if (wp.line_number.data) c.line.assign(wp.line_number.data, wp.line_number.data + n);
    c.work_top = wp.work_top;
    c.work_bottom = wp.work_bottom;
    c.highest = wp.highest;
    c.modification_state = wp.modification_state;
    return c;
}

void restore_grid(sim::Workpiece& wp, const GridCopy& c) {
    if (wp.height.data) std::copy(c.height.begin(), c.height.end(), wp.height.data);
    if (wp.attribute.data) std::copy(c.attribute.begin(), c.attribute.end(), wp.attribute.data);
    if (wp.line_number.data) std::copy(c.line.begin(), c.line.end(), wp.line_number.data);
    wp.work_top = c.work_top;
    wp.work_bottom = c.work_bottom;
    wp.highest = c.highest;
    wp.modification_state = c.modification_state;
}

// ---- Both families ----

bool ask_parameter(const Module& module, bool unattended) {
    // Both families' PARAMETER take the one status word.
    const auto parameter = typed<VxSimParameterFn>(module, module.family == Family::Sim ? "VXSIMPARAMETER" : "VXMODPARAMETER");
    if (!parameter) return true;
    int status = unattended ? kStatusUnattended : kStatusInteractive;
    parameter(&status);
    return status != 0;
}

// ---- Simulation modules ----

SimStart sim_begin(SimSession& s, const Module& module, sim::Workpiece& wp, const std::string& nc_path) {
    s = SimSession{};
    s.module = &module;
    if (const auto path_type = typed<VxSimPathTypeFn>(module, "VXSIMPATHTYPE")) s.path_type = path_type();
    if (s.path_type < VX_SIM_PATH_STEPS || s.path_type > VX_SIM_PATH_LINES) {
        s.problem = "answered path type " + std::to_string(s.path_type) + " (0, 1 or 2 expected)";
        return SimStart::Refused;
    }
    s.before = copy_grid(wp);
    s.lent = s.grid = lend_grid(wp);
    if (const auto get_work = typed<VxSimGetWorkFn>(module, "VXSIMGETWORK"); get_work && get_work(&s.grid) == 0)
        return SimStart::Declined;
    const auto start = typed<VxSimStartFn>(module, "VXSIMSTART");
    if (start && start(nc_path.c_str()) == 0) return SimStart::Declined;
    s.started = true;
    return SimStart::Started;
}

void sim_tool(SimSession& s, const sim::CurrentTool& tool) {
    if (tool.number == s.tool) return;
    s.tool = tool.number;
    const Module& m = *s.module;
    if (const auto get_tool = typed<VxSimGetToolFn>(m, "VXSIMGETTOOL")) {
        const VxSimTool t{tool.number, tool.tool.type, tool.tool.d, tool.tool.r, tool.tool.h, tool.pen};
        get_tool(&t);
    }
    if (const auto get_length = typed<VxSimGetToolLenFn>(m, "VXSIMGETTOOLLEN")) get_length(tool.length.L[0]);
    if (const auto get_arbor = typed<VxSimGetArborFn>(m, "VXSIMGETARBOR")) {
        const sim::HolderRecord& h = tool.holder;
        const int count = h.defined ? std::clamp(h.count, 0, sim::kHolderSections) : 0;
        double diameters[sim::kHolderSections] = {}, heights[sim::kHolderSections] = {};
        for (int k = 0; k < count; ++k) {
            diameters[k] = h.diameters[std::size_t(k)];
            heights[k] = h.heights[std::size_t(k)];
        }
        get_arbor(count, diameters, heights);
    }
}

int sim_cut(SimSession& s, const VxSimMove& move) {
    const auto cut = typed<VxSimCutWorkFn>(*s.module, "VXSIMCUTWORK");
    if (!cut) return 1;
    const int answer = cut(&move);
    if (answer >= 0) return answer == 0 ? 0 : 1;
    s.problem = "failed to cut the move of NC line " + std::to_string(move.line) + " (answer " + std::to_string(answer) + ")";
    return -1;
}

bool sim_end(SimSession& s, sim::Workpiece& wp, bool aborted) {
    if (s.started)
        if (const auto end = typed<VxSimEndFn>(*s.module, "VXSIMEND")) end(aborted ? 1 : 0);
    s.started = false;
    if (s.problem.empty()) s.problem = grid_problem(s.lent, s.grid, false);
    if (!s.problem.empty()) {
        restore_grid(wp, s.before);
        return false;
    }
    sim::recompute_highest(wp);
    if (layers_differ(wp, s.before)) wp.modification_state = sim::kModified;
    return true;
}

// ---- Modifiers ----

ModResult modify_workpiece(const Module& module, sim::Workpiece& wp, std::string& problem) {
    const auto modify = typed<VxModModWorkFn>(module, "VXMODMODWORK");
    if (!modify) return ModResult::Unchanged;
    if (wp.basic_loaded && wp.basic_model.data)
        if (const auto basic = typed<VxModGetBasicModelFn>(module, "VXMODGETBASICMODEL"))
            basic(wp.basic_model.data, wp.geometry.nx, wp.geometry.ny);
    const GridCopy before = copy_grid(wp);
    const VxGrid lent = lend_grid(wp);
    VxGrid grid = lent;
    const int changed = modify(&grid);
    problem = grid_problem(lent, grid, true);
    if (!problem.empty()) {
        restore_grid(wp, before);
        return ModResult::Refused;
    }
    if (changed == 0) {  // "nothing done" holds even for a module that wrote and then said so
        restore_grid(wp, before);
        return ModResult::Unchanged;
    }
    wp.work_bottom = grid.bottom;
    wp.work_top = grid.top;
    sim::recompute_highest(wp);
    wp.modification_state = sim::kModified;
    return ModResult::Changed;
}

}  // namespace vx::integration
