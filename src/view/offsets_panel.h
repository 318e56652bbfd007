// The offsets panel of the main window and its four tabs: the workpiece's extent, the H and the
// D entry in effect, and the control point with the work offset in effect. Built as text from
// the records (drawn by the window with the status fields of panels.h), so that what it shows
// can be checked without fonts.
#pragma once

#include "nc/ctl.h"
#include "nc/interp.h"
#include "sim/workgrid.h"
#include "view/panels.h"

#include <array>
#include <string>

namespace vx::view {

enum class OffsetsTab { Workpiece, HCode, DCode, ControlPoint };
constexpr int kOffsetsTabs = 4;

extern const platform::TextPair kTextNoWorkpiece;  // the Workpiece tab without a workpiece

// "\tWorkpiece", "\tH-Code", "\tD-Code" and "\tControl Point", the chosen tab sunken.
std::array<StatusField, kOffsetsTabs> offsets_tab_fields(OffsetsTab chosen);

// What the panel reads: the records as they are at the paint.
struct OffsetsSource {
    const sim::Workpiece& workpiece;
    const nc::Ctl& ctl;
    const nc::ModalState& modal;  // the entries and the work offset in effect
    Vec3 control_point;           // where the interpreter starts (the control point dialog's)
};

// The panel's text for `tab`:
// Workpiece     "X%.3f~%.3f Y%.3f~%.3f Z%.3f~%.3f P%.3f", or "- No Workpiece -";
// H-Code/D-Code "H%02d Offset %9.3f Wear %9.3f" of the entry in effect ("H00 -" for none);
// Control Point "X%9.3f Y%9.3f Z%9.3f" and the work offset in effect "1(G54) X.. Y.. Z..".
std::string offsets_text(OffsetsTab tab, const OffsetsSource& source);

}  // namespace vx::view
