// The optimise run's outputs: the optimised NC program and the cut data, fed with every piece the
// cutting step finishes. The settings of section "Optimize" choose what is written and where; the
// files are staged and put in place only when complete, so a failed run or write never leaves half
// a file over the old one. At the end the machining times of the original and of the optimised
// program, both from our own time calculation on the same machine, go to stdout.
#pragma once

#include "output/cut_data.h"
#include "output/optimised_nc.h"
#include "platform/files.h"
#include "shell/settings.h"

#include <memory>
#include <string>

namespace vx::shell {

struct App;

// One staged output of the run.
struct OptimiseFile {
    std::string path;  // empty: not written in this run
    std::unique_ptr<platform::StagedFile> file;
    bool open_after = false;  // "Output+Open": shown after the run (not in a batch run)
};

struct OptimiseOutputs {
    output::RemovalWindow window;  // V of each piece over the last grid pitch of travel
    output::OptNcWriter nc;
    OptimiseFile nc_file;
    output::CutDataWriter cut;
    OptimiseFile cut_file;
    bool torque = false;  // V-VALUE TORQUE: the binary cut data records the moment
    bool write_failed = false;  // a file of the last optimise run could not be written
    double original_time = 0, optimised_time = 0;  // s, of the last run
    std::int32_t first_tool = 0;  // the run's tool at its start
    bool tool_change_told = false;
    Vec3 tool_at;  // where the program has the tool: the end of the last piece or G92
    bool tool_jump_told = false;
};

// The file names of the run's outputs (in the output folders the settings name, the working
// folder when they name none).
std::string optimised_nc_path(const OptimizeSettings& o, const std::string& nc_path, const std::string& work_dir);
std::string cut_data_path(const OptimizeSettings& o, const std::string& nc_path, const std::string& work_dir);

// Machining time (s) of the NC program `path` under the app's controller and machine, from the
// interpreter alone; -1 when it cannot be read.
double program_time(const App& app, const std::string& path);

// Plugs the outputs into the app's run hooks.
void install_optimise_hooks(App& app);

}  // namespace vx::shell
