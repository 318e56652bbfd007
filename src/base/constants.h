// Values that several subsystems must agree on, each named once with its reason.
#pragma once

namespace vx {

// "RAPID FEEDRATE" when the settings give none ("NO"): a feed this fast is never reached, so
// no programmed feed counts as rapid-class and rapids take no time to speak of.
constexpr double kRapidFeedrateNone = 999999999.0;

// The height of a cell without material (DMF files, the basic and merge models): far below any
// workpiece, so that the highest-height searches and the renderer pass over it.
constexpr float kNoMaterial = -100000.0f;

// Sections of a square attachment head: the pairs an ATTACHMENT line of the machine definition
// can give, and the sections a tool profile stacks above the holder.
constexpr int kAttachmentSteps = 5;

}  // namespace vx
