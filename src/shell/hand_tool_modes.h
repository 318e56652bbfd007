// The hand tools as mouse modes of the view menu: which mode is which tool, the tool's size from
// the settings (edited in the "Tool Parameter" dialog, command 128) and the sounds of a stroke.
#pragma once

#include "shell/app.h"
#include "work/hand_tools.h"

#include <optional>
#include <string_view>

namespace vx::shell {

// The hand tool of mouse mode `mode`, or nullopt for the view modes.
std::optional<work::HandTool> hand_tool_of_mode(int mode);

work::HandToolSize hand_tool_size(const DefineSettings& define, work::HandTool tool);

// The sounds of a stroke: `working` loops from the button going down, `contact` (when not empty)
// replaces it once the tool first changes the workpiece, `finished` plays when the button is let go.
struct HandToolSounds {
    std::string_view working, contact, finished;
};
HandToolSounds hand_tool_sounds(work::HandTool tool);

}  // namespace vx::shell
