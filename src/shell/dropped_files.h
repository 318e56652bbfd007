// Files dropped on the window, by kind: the first machine, controller and tool file select
// those definitions, the first colour table is applied, the first workpiece file is loaded (or,
// with CTRL held and a workpiece present, becomes the basic model) and the first other file is
// selected as the NC program. Every one is sent non-interactively, its file given, the
// definitions first and the NC program last.
#pragma once

#include "shell/command_line.h"

#include <span>
#include <string>
#include <vector>

namespace vx::shell {

struct DroppedFile {
    int command = 0;  // 0: the colour table, applied without a command
    std::string path;
};

std::vector<DroppedFile> dropped_file_commands(std::span<const std::string> paths, bool ctrl, bool has_workpiece,
                                               const CommandLineContext& ctx);

}  // namespace vx::shell
