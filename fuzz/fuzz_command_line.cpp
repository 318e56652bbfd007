// Any bytes as a command line: the single-string entry, and the same bytes split at NUL and
// newline bytes as argv elements. Parsing and planning must not crash, every diagnostic must
// stay one line, and a plan is headless exactly when it ends with Quit. The same bytes are
// also read as a message file, the other start-up input of this module.
#include "shell/batch.h"
#include "shell/command_line.h"
#include "shell/message_file.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace vx::shell;

void check(const CommandLine& cl) {
    for (const std::string& d : cl.diagnostics)
        if (d.empty() || d.find('\n') != std::string::npos) std::abort();
    if (cl.batch_level < -1 || cl.batch_level > 7 || cl.sim_plugin < 0 || cl.sim_plugin > 3) std::abort();
    const BatchPlan plan = plan_batch(cl);
    const bool quits = !plan.steps.empty() && plan.steps.back().kind == StepKind::Quit;
    if (plan.headless != quits) std::abort();
    if (plan.steps.size() > 8) std::abort();  // the longest sequence: log, load, select, report, run, report, save, end, quit
    (void)settings_context(cl, "/nonexistent-vornex-fuzz/", "/nonexistent-vornex-fuzz/", 1);
}

std::vector<std::string> split_at_separators(std::string_view bytes) {
    std::vector<std::string> args(1);
    for (const char c : bytes) {
        if (c == '\0' || c == '\n') args.emplace_back();
        else args.back() += c;
    }
    return args;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    CommandLineContext ctx;
    ctx.current_dir = "/nonexistent-vornex-fuzz/";  // NC names never exist: no real file is touched
    ctx.load_extensions = {"xyz", ".Q"};
    ctx.save_extensions = {"", "abc"};
    check(parse_command_line(bytes, ctx));
    check(parse_arguments(split_at_separators(bytes), ctx));

    const std::vector<MenuSlot> shape{MenuSlot::TopLevel, MenuSlot::Item, MenuSlot::Item, MenuSlot::TopLevel, MenuSlot::Item};
    const MessageFile m = parse_message_file(bytes, shape);
    for (const auto& caption : m.menu_captions)
        if (caption && caption->size() > 3 * 80) std::abort();
    return 0;
}
