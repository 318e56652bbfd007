// The check modes of a run as one record: what each check does with a hit (nothing, compute a
// required value, abort the run, pause it), with the values from the settings that the checks
// need. The run menu sets the four modes; the kernel, the whole-move step, the interference
// decisions and the requirement report all read the same record.
//
// The code asks a mode questions through the predicates below, never by its number; in the
// kernel's loops they compile to the same comparisons a raw number would.
#pragma once

#include "base/constants.h"

#include <cstdint>

namespace vx::sim {

// ---- Modes ----

// Cutting at rapid speed: cut like a feed (no check), abort the run, or pause it.
enum class RapidCheck : std::uint8_t { Off, Abort, Pause };

// The neck, holder and attachment (the arbor and taper check): ignored; measured for the required
// protrusion and neck lengths without cutting; cut with their shapes; cut, and a hit aborts or
// pauses the run.
enum class ArborCheck : std::uint8_t { Ignore, Compute, Cut, Abort, Pause };

// The effective length, and the chip width of vertical and radius mills: off; measured for the
// required values; a hit aborts or pauses the run.
enum class LengthCheck : std::uint8_t { Off, Compute, Abort, Pause };

// A cut while the spindle stands or runs outside the speed range: off, abort, pause.
enum class SpindleCheck : std::uint8_t { Off, Abort, Pause };

// TOOL CLEARANCE and ARBOR CLEARANCE: none, the grid pitch's margin ("YES"), or a given width.
enum class ClearanceMode : std::uint8_t { None, Pitch, Value };

struct Clearance {
    ClearanceMode mode = ClearanceMode::None;
    double value = 0.0;  // mm, for ClearanceMode::Value
};

// ---- The record ----

// The defaults are the product's: those of the settings when the file names no check.
struct Checks {
    // The run menu's modes, first taken from the settings.
    RapidCheck rapid = RapidCheck::Abort;
    ArborCheck arbor = ArborCheck::Abort;
    LengthCheck height = LengthCheck::Off;  // effective length
    LengthCheck chip = LengthCheck::Off;    // chip width
    // Taken from the settings at every start and continuation of a run.
    SpindleCheck spindle = SpindleCheck::Off;
    bool spindle_range = false;  // the speed range below is checked
    double spindle_min = 0, spindle_max = 0;
    double rapid_feedrate = kRapidFeedrateNone;  // 0 or less: no feed is rapid-class
    Clearance tool_clearance;                    // the rapid clearance test's margin
    int length_type = 1;  // LENGTH TYPE 1..4: which protrusion the arbor check's compute mode reports
};

// ---- Predicates ----

// The check looks at the cut at all.
constexpr bool checked(RapidCheck m) { return m != RapidCheck::Off; }
constexpr bool checked(LengthCheck m) { return m != LengthCheck::Off; }
constexpr bool checked(SpindleCheck m) { return m != SpindleCheck::Off; }
// The zones outside the cutting edge take part, measured or cut.
constexpr bool checked(ArborCheck m) { return m != ArborCheck::Ignore; }

// The mode only measures: it collects required values and flags nothing.
constexpr bool computes(ArborCheck m) { return m == ArborCheck::Compute; }
constexpr bool computes(LengthCheck m) { return m == LengthCheck::Compute; }

// The neck, holder and attachment cut material with their shapes.
constexpr bool cuts_with_shapes(ArborCheck m) { return m >= ArborCheck::Cut; }

// A hit raises an interference flag: the abort and pause modes.
constexpr bool flags_hits(ArborCheck m) { return m >= ArborCheck::Abort; }
constexpr bool flags_hits(LengthCheck m) { return m >= LengthCheck::Abort; }

// A hit ends the run.
constexpr bool aborts(RapidCheck m) { return m == RapidCheck::Abort; }
constexpr bool aborts(ArborCheck m) { return m == ArborCheck::Abort; }
constexpr bool aborts(LengthCheck m) { return m == LengthCheck::Abort; }
constexpr bool aborts(SpindleCheck m) { return m == SpindleCheck::Abort; }

// A hit pauses the run and goes into the interference list.
constexpr bool pauses(RapidCheck m) { return m == RapidCheck::Pause; }
constexpr bool pauses(ArborCheck m) { return m == ArborCheck::Pause; }
constexpr bool pauses(LengthCheck m) { return m == LengthCheck::Pause; }
constexpr bool pauses(SpindleCheck m) { return m == SpindleCheck::Pause; }

// Any mode computes required values: the run writes the needed-value file and its tool lines.
constexpr bool computes_any(const Checks& c) { return computes(c.arbor) || computes(c.height) || computes(c.chip); }

}  // namespace vx::sim
