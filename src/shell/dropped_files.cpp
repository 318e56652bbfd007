#include "shell/dropped_files.h"

#include "shell/commands.h"

#include <algorithm>
#include <array>

namespace vx::shell {
namespace {

constexpr int kMachineFile = 32783;
constexpr int kControllerFile = 32782;
constexpr int kToolFile = 32781;
constexpr int kBasicModel = 32851;
constexpr int kColourTable = 0;

int command_of(const std::string& path, bool ctrl, bool has_workpiece, const CommandLineContext& ctx) {
    if (file_has_extension(path, ".MTL")) return kMachineFile;
    if (file_has_extension(path, ".CTL")) return kControllerFile;
    if (file_has_extension(path, ".TTL")) return kToolFile;
    if (file_has_extension(path, ".CTC")) return kColourTable;
    if (is_workpiece_path(path, ctx)) return ctrl && has_workpiece ? kBasicModel : cmd::kLoadWork;
    return cmd::kSelectNc;
}

// The basic model and the workpiece load are one kind: the first workpiece file counts.
int kind_of(int command) { return command == kBasicModel ? cmd::kLoadWork : command; }

// The kinds are taken in this order whatever the order of the drop: the definitions first, so
// that the NC program is selected under the dropped controller.
int rank_of(int command) {
    constexpr std::array kOrder{kMachineFile, kControllerFile, kToolFile, kColourTable, int(cmd::kLoadWork), int(cmd::kSelectNc)};
    return int(std::find(kOrder.begin(), kOrder.end(), kind_of(command)) - kOrder.begin());
}

}  // namespace

std::vector<DroppedFile> dropped_file_commands(std::span<const std::string> paths, bool ctrl, bool has_workpiece,
                                               const CommandLineContext& ctx) {
    std::vector<DroppedFile> out;
    for (const std::string& path : paths) {
        const int command = command_of(path, ctrl, has_workpiece, ctx);
        const bool seen = std::any_of(out.begin(), out.end(),
                                      [&](const DroppedFile& d) { return kind_of(d.command) == kind_of(command); });
        if (!seen) out.push_back({command, path});
    }
    std::stable_sort(out.begin(), out.end(),
                     [](const DroppedFile& a, const DroppedFile& b) { return rank_of(a.command) < rank_of(b.command); });
    return out;
}

}  // namespace vx::shell
