#include "shell/hand_tool_modes.h"

#include "shell/dispatch.h"
#include "shell/handlers.h"

#include <array>

namespace vx::shell {
namespace {

using work::HandTool;

constexpr std::size_t kParameterCount = 10;

}  // namespace

std::optional<HandTool> hand_tool_of_mode(int mode) {
    switch (mode) {
    case cmd::kMouseWelding: return HandTool::Welding;
    case cmd::kMouseGrinder: return HandTool::Grinder;
    case cmd::kMousePaper: return HandTool::Paper;
    case cmd::kMouseBrush: return HandTool::Brush;
    default: return std::nullopt;
    }
}

work::HandToolSize hand_tool_size(const DefineSettings& d, HandTool tool) {
    const auto size = [](const HandToolSettings& t) { return work::HandToolSize{t.depth, t.width, t.pen}; };
    switch (tool) {
    case HandTool::Welding: return size(d.welding);
    case HandTool::Grinder: return size(d.grinder);
    case HandTool::Paper: return size(d.paper);
    case HandTool::Brush: return {0.0, d.brush_width, 0};
    }
    return {};
}

// The grinder starts idling and takes its working sound at the first contact; the other tools work
// from the start. Each ends with the sound of the tool (or the paint can) being put down.
HandToolSounds hand_tool_sounds(HandTool tool) {
    switch (tool) {
    case HandTool::Welding: return {"welding.wav", {}, "weldoku.wav"};
    case HandTool::Grinder: return {"grinder1.wav", "grinder2.wav", "grindoff.wav"};
    case HandTool::Paper: return {"paper.wav", {}, "paperoku.wav"};
    case HandTool::Brush: return {"hake.wav", {}, "kanoku.wav"};
    }
    return {};
}

namespace handlers {

int hand_tool_parameters(App& app, int id, int parameter, const CommandArgs* args) {
    if (!args || args->values.size() < kParameterCount) return open_dialog(app, id, parameter, "the tool parameter dialog");
    const std::vector<double>& v = args->values;
    DefineSettings& d = app.settings.define;
    const auto take = [&v](HandToolSettings& t, std::size_t k) { t = {v[k], v[k + 1], static_cast<int>(v[k + 2])}; };
    take(d.welding, 0);
    take(d.grinder, 3);
    take(d.paper, 6);
    d.brush_width = v[9];
    return 1;
}

}  // namespace handlers
}  // namespace vx::shell
