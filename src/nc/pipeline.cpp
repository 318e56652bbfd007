#include "nc/pipeline.h"

namespace vx::nc {
namespace {

// ---- Moves and the end ----

// The next queued move into the move record, its time counted: false when none is queued.
bool hand_out(Interp& in) {
    if (in.queue.empty()) return false;
    in.previous = in.move;
    const auto next = in.queue.begin() + std::ptrdiff_t(in.handed++);
    in.move = *next;
    if (next + 1 == in.queue.end()) {
        in.queue.clear();  // keeps its capacity for the next block
        in.handed = 0;
    }
    if (in.time) {
        add_move(*in.time, *in.mtl, *in.ctl, in.move);
        if (in.move.dwell > 0) add_dwell(*in.time, *in.mtl, in.move.dwell, false);
    }
    return true;
}

// The program has ended: the time is closed once.
void end_program(Interp& in) {
    if (in.end_state != kEndEnded && in.time) close_time(*in.time, *in.mtl);
    in.end_state = kEndEnded;
}

// A block that asked for the end ends the program once its last queued move is out.
void end_when_drained(Interp& in) {
    if (in.queue.empty() && in.end_state == kEndRequested) end_program(in);
}

// ---- Stops ----

// Before reading: whether the next block may stop the run. The nesting and the look-ahead are
// those the blocks before it left; a request that meets a veto stays for a later block.
bool stop_wanted(Interp& in, const StopInput& stops, Next& out) {
    Reader& r = *in.reader;
    if (stops.scope == StopScope::Nothing) {
        r.stop_request = false;
        out.request_taken = true;
        return false;
    }
    const bool by_mode = stops.scope == StopScope::Everything && stops.mode != 0 && !nested(in);
    return (stops.requested || r.stop_request || by_mode) && stop_allowed(in);
}

// After reading, when a stop may come: a request stops any block, the stop mode tests the block.
// Either way the requests are used up.
bool stops_here(Interp& in, const StopInput& stops, Next& out) {
    Reader& r = *in.reader;
    const bool requested = stops.requested || r.stop_request;
    r.stop_request = false;
    out.request_taken = true;
    return requested || is_stop_block(current_block(r), stops.mode, *in.ctl, r.source == BlockSource::Main);
}

// ---- Blocks ----

void execute_read_block(Interp& in, Next& out) {
    const Reader& r = *in.reader;
    in.line = r.block_line;
    in.main_line = r.line_number;
    const std::string_view text = current_block(r);
    execute_block_text(in, text);
    out.executed = true;
    out.last_m = last_m_of_block(in, text);
}

// Reads the next block and executes it unless the run stops before it: false when nothing was
// executed, with `out` telling why (the end, an alarm, a stop).
bool read_and_execute(Interp& in, const StopInput& stops, Next& out) {
    if (in.end_state != kEndRunning) {
        end_program(in);
        return false;
    }
    if (in.reader->alarm.code != 0) {
        out.step = Step::Alarm;
        return false;
    }
    const bool stop = stop_wanted(in, stops, out);
    if (read_next_block(*in.reader) == 0) {
        // A file whose start code never came ran nothing: that is an alarm, not an end.
        if (start_code_missing(*in.reader)) {
            raise_alarm(in.reader->alarm, kAlarmStartCode, in.reader->line_number);
            out.step = Step::Alarm;
            end_program(in);
            return false;
        }
        // The moves compensation still holds go out first; the end comes with the last of them.
        compensation_finish(in);
        in.end_state = kEndRequested;
        if (!in.queue.empty()) return true;
        end_program(in);
        return false;
    }
    if (stop && stops_here(in, stops, out)) {
        in.stop_held = true;
        out.step = Step::Stop;
        return false;
    }
    execute_read_block(in, out);
    return true;
}

}  // namespace

// ---- Entry points ----

Next next_step(Interp& in, const StopInput& stops) {
    Next out;
    if (in.stop_held) {
        in.stop_held = false;
        execute_read_block(in, out);
    } else if (in.queue.empty() && !read_and_execute(in, stops, out)) {
        return out;
    }
    // A block was executed or a move waits: the first move out, the end noticed once nothing is
    // left, an alarm over everything.
    out.moved = hand_out(in);
    end_when_drained(in);
    if (in.reader->alarm.code != 0) out.step = Step::Alarm;
    else out.step = out.moved ? Step::Move : Step::Block;
    return out;
}

bool stop_pending(const Interp& in) { return in.stop_held; }

int last_m_of_block(const Interp& in, std::string_view block) {
    return in.block.last_m_exact ? in.block.last_m : last_m_word(block, in.ctl->product);
}

int execute_next_block(Interp& in) {
    for (;;) {
        const Next next = next_step(in, StopInput{});
        if (next.moved) return 1;
        if (in.end_state == kEndEnded) return 0;
        if (next.step == Step::Alarm) return kExecuteAlarm;
    }
}

}  // namespace vx::nc
