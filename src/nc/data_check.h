// The data check: the whole program interpreted without cutting, from its start to its end or to
// the first interpreter alarm, collecting the machining time and path lengths (motion.h), the
// extents of the tool path, the feed and spindle extremes, the codes, offsets and tools the program
// uses and the order of its tools. The min-max check collects the extents only.
//
// The check runs on an interpreter record of its own that the caller links (controller, machine,
// tool questions, reader with its source open): the run's interpreter and the current tool are
// never touched, so the tool that was active before the check is still active after it.
#pragma once

#include "nc/interp.h"
#include "nc/motion.h"

#include <array>
#include <cstdint>
#include <string>

namespace vx::nc {

// ---- Extents ----

constexpr double kNoExtent = 9999999.0;  // minima start here, maxima at its negative

struct Extents {
    Vec3 min{kNoExtent, kNoExtent, kNoExtent};
    Vec3 max{-kNoExtent, -kNoExtent, -kNoExtent};
};

// A record no point widened: still at its start values (the caller treats it as no extents).
bool no_extents(const Extents& e);
void widen(Extents& e, const Vec3& p);

// Widens `e` by the points of `move`: both ends and, for an arc, the quadrant points of its
// plane that its sweep passes (the normal axis taken along the helix).
void widen_by_move(Extents& e, const MoveRecord& move);

// ---- Results ----

constexpr int kUsedNumbers = 1000;  // D, H and tool numbers 0..999

enum class CheckMode { Full, MinMax };

struct DataCheck {
    CheckMode mode = CheckMode::Full;
    MachiningTime time;  // Full only: times, lengths, feed extremes, the tools in order of use
    Extents all;         // every move
    Extents feed;        // feed moves whose feed is below RAPID FEEDRATE
    int max_spindle = 0;
    std::array<bool, kUsedNumbers> used_d{}, used_h{}, used_t{};
    std::array<bool, kUsedCodes> used_g{}, used_m{};
    std::int64_t blocks = 0;  // executed
    int lines = 0;            // of the main program, read
    Alarm alarm;              // the alarm that stopped the check (code 0: it ran to the end)
    bool alarm_list_written = false;  // "alarm.txt" got entries during the check
};

// Where and how a check starts.
struct CheckStart {
    double rapid_feedrate = 0;  // the settings' RAPID FEEDRATE
    Vec3 start_point;           // of the control point
    std::string alarm_folder;   // of "alarm.txt", with its trailing "/" ("" the current folder)
    int first_tool = 0;         // above 0: the tool a reader plug-in's program starts with
};

// Runs the check over the program that `in.reader` has open, from reset_interp() to the end or
// the first alarm (the start code missing at the end of the file is alarm 3). `in.time` is
// pointed at `check.time` for a full check and cleared for a min-max check. The alarm list is
// begun in the start's folder and left for the caller to finish (finish_alarm_list); the
// reader's sources are closed.
void run_data_check(Interp& in, DataCheck& check, CheckMode mode, const CheckStart& start);

}  // namespace vx::nc
