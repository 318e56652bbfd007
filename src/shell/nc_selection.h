// Selecting the NC program (commands 32771 and 32772): the file from the dialog or the caller,
// the reader plug-in that takes its extension, the fallbacks of a plain file that cannot be
// opened (the NC suffix, the program folder, asking before a file of the program folder is
// taken), alarm 101 when it is found nowhere, the tool file read again when it changed, the data
// check, and the run commands enabled.
#pragma once

#include "shell/app.h"

#include <optional>
#include <string>

namespace vx::shell {

constexpr int kAlarmNoNcData = 101;  // the interpreter alarm of an NC file found nowhere

// Where a plain NC file named `name` is found: itself, with `suffix` appended (".NC"), then the
// same two in the program folder. `in_program_dir` tells which of the last two it was; nullopt
// when it is found nowhere.
struct FoundNc {
    std::string path;
    bool in_program_dir = false;
};
std::optional<FoundNc> find_nc_file(const std::string& name, const std::string& suffix, const std::string& program_dir);

// The suffix of the NC file pattern ("*.NC" gives ".NC"); empty when the pattern has none.
std::string nc_suffix(const std::string& pattern);

// Makes `path` the selected NC program (steps 4 to 6): line counters, the tool file read again
// when it changed, the data check, the title and the run commands.
void select_nc_path(App& app, const std::string& path);

}  // namespace vx::shell
