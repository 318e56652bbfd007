// The plug-in families that work on the workpiece grid itself: simulation modules, which cut the
// moves of a run into it, and modifiers, which change it at once. Both get the grid's own layers
// (plugin_abi.h, VxGrid); whatever a module leaves there is checked before the program takes the
// grid back, and a module that broke it is named, with the workpiece given back as it was. The
// caller refuses the module (refuse_module) with the problem these functions return.
#pragma once

#include "integration/plugins.h"
#include "sim/tools.h"
#include "sim/workgrid.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vx::integration {

// ---- The lent grid ----

// The workpiece's layers as a module sees them.
VxGrid lend_grid(sim::Workpiece& wp);

// What a module did wrong to the grid it was lent, or empty: a fixed field changed (size, origin,
// pitch, a pointer), the bottom or top moved where they must not (`bounds_may_move` false) or is
// no finite number, or a height is no finite number or lies below the bottom.
std::string grid_problem(const VxGrid& lent, const VxGrid& after, bool bounds_may_move);

// The layers a module may write, copied before it is called, to give the workpiece back.
struct GridCopy {
    std::vector<float> height;
    std::vector<std::uint8_t> attribute;
    std::vector<std::int32_t> line;
    double work_top = 0, work_bottom = 0, highest = 0;
    std::int32_t modification_state = 0;
};

GridCopy copy_grid(const sim::Workpiece& wp);
void restore_grid(sim::Workpiece& wp, const GridCopy& copy);

// ---- Both families ----

// The module's PARAMETER (VXSIMPARAMETER or VXMODPARAMETER), told whether anybody is there to
// ask: false when it cancelled. A module without the export goes on.
bool ask_parameter(const Module& module, bool unattended);

// ---- Simulation modules ----

enum class SimStart { Started, Declined, Refused };

struct SimSession {
    const Module* module = nullptr;
    VxGrid lent{}, grid{};  // what was lent, and the copy the module holds a pointer to
    GridCopy before;        // the workpiece before the run, for a refusal
    int path_type = VX_SIM_PATH_STEPS;
    std::int32_t tool = -1;  // the tool the module was told of last; -1 none yet
    bool started = false;    // START said 1: END is owed
    std::string problem;     // why the module was refused
};

// PATHTYPE, GETWORK and START (after ask_parameter). Refused: `problem` says why; Declined: the
// module's GETWORK or START said 0.
SimStart sim_begin(SimSession& s, const Module& module, sim::Workpiece& wp, const std::string& nc_path);

// GETTOOL, GETTOOLLEN and GETARBOR when `tool` is not the one the module was told of last.
void sim_tool(SimSession& s, const sim::CurrentTool& tool);

// CUTWORK: 1 go on, 0 the module ends the run, -1 refused (`problem` says why).
int sim_cut(SimSession& s, const VxSimMove& move);

// END (when START was answered), then the grid's check: true when the module may be kept. On
// false the workpiece is given back as it was before the run and `problem` says why.
bool sim_end(SimSession& s, sim::Workpiece& wp, bool aborted);

// ---- Modifiers ----

enum class ModResult { Changed, Unchanged, Refused };

// GETBASICMODEL (with a basic model) and MODWORK on `wp` (after ask_parameter). Changed: the heights, bottom
// and top are the module's, the highest height recomputed, the workpiece modified. Refused: the
// workpiece is as it was and `problem` says why.
ModResult modify_workpiece(const Module& module, sim::Workpiece& wp, std::string& problem);

}  // namespace vx::integration
