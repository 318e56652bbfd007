// The block pipeline: what the run loop gets next. One call hands out a queued move, or reads the
// next block, decides whether the run stops before it, executes it and hands out its first move,
// or tells that the program has ended or an alarm ended it. A block that stops the run is held
// and executed by the next call without a second stop test; the moves one block queued are never
// split by a stop. The plain driver for the data check and the tests interprets without stops.
#pragma once

#include "nc/interp.h"

namespace vx::nc {

// ---- What the run passes in ----

// Which stops the run takes.
enum class StopScope {
    Everything,    // the stop mode and the stop requests: someone can continue the run
    RequestsOnly,  // requests only: a batch run, whose requests come from a sync partner
    Nothing,       // none: an optimise run drops every request
};

struct StopInput {
    StopScope scope = StopScope::RequestsOnly;
    int mode = 0;            // the stop mode as is_stop_block() takes it
    bool requested = false;  // the run's own request (stop key, a pause, a wait M-code, sync)
};

// ---- What it answers ----

enum class Step {
    Move,   // a move is in the move record
    Block,  // a block was executed without a move
    Stop,   // the run stops before the block just read; the next call executes it
    End,    // the program has ended
    Alarm,  // an alarm ended the program; a move that came with it is not to be cut
};

struct Next {
    Step step = Step::End;
    bool executed = false;       // this call executed a block (counters, NC line, wait M-code)
    int last_m = -1;             // that block's last M word outside comments, -1 for none
    bool moved = false;          // the move record holds a new move, with Alarm too
    bool request_taken = false;  // the run's stop request was used or dropped: the run clears it
};

// ---- Entry points ----

// The next step of the run. After a Move or a Block, end_state() tells whether the program has
// ended with it (the end is noticed once the last queued move is out).
Next next_step(Interp& in, const StopInput& stops);

// Whether a block held by a Stop waits for the next call.
bool stop_pending(const Interp& in);

// The last M word outside comments of `block`, the block execute_block_text() interpreted last:
// as the interpreter's own scan recorded it or, where that scan skipped text (an M98 file name,
// a handler that ignored the rest), from a scan as last_m_word() reads it. -1 for none.
int last_m_of_block(const Interp& in, std::string_view block);

constexpr int kExecuteAlarm = -2;  // execute_next_block: an alarm, no move

// Without stops, until a move comes out: 1 with the move in `in.move`; 0 when the program has
// ended (`in.end_state` 2); kExecuteAlarm when an alarm ended it without a move. A caller checks
// alarm_code() after every call: the run cuts no move that comes with an alarm.
int execute_next_block(Interp& in);

}  // namespace vx::nc
