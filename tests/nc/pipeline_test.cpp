#include "interp_rig.h"

#include "nc/pipeline.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace vx::nc {
namespace {

using test::Rig;

// ---- Answers and their order ----
// The run loop sees only the answers of next_step, so their order is the run's order of events:
// which block stops, that the held block runs on the next call without a second test, that the
// moves of one block are never split by a stop, that a request waits for a block where a stop
// is allowed, that the end is noticed with the last move out, that nesting vetoes the stop mode
// but not a request. One letter per call: M move, B block without a move, S stop (with the
// reader's line), E end, A alarm; an executed block adds its main line and ":m" for its last M
// word; "!" marks the call that took the run's own request; "." that the program ended with it.

constexpr std::string_view kProgram = "G00 X1\nM08 M00\nG91 G28 Z5\nM30\n";
constexpr std::string_view kSubprogram = "X2\nX3\nM99\n";  // O1, called by M98 P1

struct Trace {
    StopScope scope = StopScope::Everything;
    int mode = 0;
    int request_at = -1;         // the run asks to stop from this call on, until it is taken
    bool reader_request = false;  // the reader's one-shot request is set before the first call
    std::string_view program = kProgram;
    const char* expected = "";
};

std::string letter(Step s) {
    switch (s) {
        case Step::Move: return "M";
        case Step::Block: return "B";
        case Step::Stop: return "S";
        case Step::End: return "E";
        case Step::Alarm: return "A";
    }
    return "?";
}

std::string trace(const Trace& t) {
    const auto rig = test::rig("RUN TYPE=MEMORY\nR-TOLERANCE=0.01\n");
    Rig& r = *rig;
    r.ctl.ref[1] = {0.0f, 0.0f, 300.0f, true};
    r.in.hooks.subprogram = [](void*, Interp& in, const BlockWords& b) {
        if (b.call == 98) return push_memory_program(*in.reader, kSubprogram, 0, "O1");
        return pop_subprogram(*in.reader);
    };
    r.program = std::string(t.program);
    reset_interp(r.in, {});
    open_main_bytes(r.reader, r.program);
    if (t.reader_request) request_stop(r.reader);
    std::string out;
    bool requested = false;
    for (int call = 0; call < 40; ++call) {
        requested = requested || call == t.request_at;
        const Next n = next_step(r.in, StopInput{t.scope, t.mode, requested});
        if (!out.empty()) out += ' ';
        out += letter(n.step);
        if (n.step == Step::Stop) out += std::to_string(r.reader.line_number);
        if (n.executed) out += std::to_string(r.in.main_line);
        if (n.last_m >= 0) out += ":" + std::to_string(n.last_m);
        if (requested && n.request_taken) out += "!";
        if (n.request_taken) requested = false;
        if ((n.step == Step::Move || n.step == Step::Block) && end_state(r.in) == kEndEnded) out += ".";
        if (n.step == Step::End || n.step == Step::Alarm) break;
    }
    return out;
}

TEST(PipelineAnswers, StopsRequestsAndTheEndInTheRunsOrder) {
    const Trace cases[] = {
        // Mode 1 stops before "M08 M00"; the held block runs next, once.
        {StopScope::Everything, 1, -1, false, kProgram, "M1 S2 B2:0 M3 M B4:30. E"},
        // A request during the reference return waits for its second leg.
        {StopScope::Everything, 0, 3, false, kProgram, "M1 B2:0 M3 M S4! B4:30. E"},
        // Single block: every block, the held one without a second stop.
        {StopScope::Everything, 3, -1, false, kProgram, "S1 M1 S2 B2:0 S3 M3 M S4 B4:30. E"},
        // A batch run takes requests but not the stop mode.
        {StopScope::RequestsOnly, 3, 1, false, kProgram, "M1 S2! B2:0 M3 M B4:30. E"},
        // An optimise run drops the request at the next block and never stops.
        {StopScope::Nothing, 3, 0, false, kProgram, "M1! B2:0 M3 M B4:30. E"},
        // The reader's one-shot request stops one block.
        {StopScope::Everything, 0, -1, true, kProgram, "S1 M1 B2:0 M3 M B4:30. E"},
        // Inside a subprogram the stop mode is vetoed; the block after the return stops again.
        {StopScope::Everything, 3, -1, false, "G00 X1\nM98 P1\nX5\n", "S1 M1 S2 B2:98 M2 M2 B2:99 S3 M3 E"},
        // ... but a request is not.
        {StopScope::Everything, 0, 3, false, "G00 X1\nM98 P1\nX5\n", "M1 B2:98 M2 S2! M2 B2:99 M3 E"},
        // The end comes with the last move of the block that asked for it.
        {StopScope::Everything, 0, -1, false, "G00 X1\nG91 G28 Z5 M30\nX9\n", "M1 M2:30 M. E"},
        // A move that comes with an alarm is answered as the alarm.
        {StopScope::Everything, 0, -1, false, "G00 X0\nG02 X20.02 I10 F100\nX5\n", "M1 A2"},
    };
    for (const Trace& t : cases) EXPECT_EQ(trace(t), t.expected) << t.program << " mode " << t.mode;
}

// ---- The last M word, scanned once ----
// The interpreter's own scan records the last M word for the run's wait M-codes. The oracle is
// the stand-alone scan the stop test uses: wherever the two scans could part (a handler moved or
// ended the scan, a "<" in an M word), the pipeline must fall back to it. The counters make sure
// that both the recorded and the rescanned path were taken.

std::string random_block(std::mt19937& rng) {
    static const char* kPieces[] = {"M", "M", "G", "X", "T", "P", "S", "0", "1", "3", "00", "01", "30", "65", "98",
                                    "99", " ", " ", "(", ")", "<", ">", ";", "=", "\"", ".", "-", "m", "L", "CALL"};
    std::uniform_int_distribution<std::size_t> piece(0, std::size(kPieces) - 1);
    std::uniform_int_distribution<int> count(1, 14);
    std::string b;
    for (int n = count(rng); n > 0; --n) b += kPieces[piece(rng)];
    return b + "\n";
}

TEST(PipelineLastM, RecordedAsTheStopTestScansIt) {
    const char* kEdges[] = {"M08 M00\n",  "(M00) M08\n",        "M98 <S12.NC> M5\n", "M98 <M00.NC\n",
                            "G65 P1 M3\n", "M3<M0> X1\n",        "M99<(>M0)\n",       "L X10 M3 ; M0\n",
                            "M98 5<M0>\n", "T=\"M1\" M6\n",      "CALL OM3 M5\n",     "G01 X1\n"};
    const char* kControllers[] = {"", "PRODUCT=HEIDENHAIN\n", "PRODUCT=OSP\n", "PRODUCT=SIEMENS\n"};
    std::mt19937 rng(20260301);
    int recorded = 0, rescanned = 0;
    for (const char* c : kControllers) {
        const auto rig = test::rig(c);
        Rig& r = *rig;
        reset_interp(r.in, {});
        auto check = [&](const std::string& block) {
            execute_block_text(r.in, block);
            (r.in.block.last_m_exact ? recorded : rescanned) += 1;
            EXPECT_EQ(last_m_of_block(r.in, block), last_m_word(block, r.ctl.product)) << c << block;
        };
        for (const char* e : kEdges) check(e);
        for (int i = 0; i < 2000; ++i) check(random_block(rng));
    }
    EXPECT_GT(recorded, 1000);
    EXPECT_GT(rescanned, 100);
}

// ---- The move queue ----
// One block may queue any number of moves (a cycle module queues a whole pattern): none is
// dropped, they come out in order, and no stop comes between them.

TEST(PipelineQueue, ABlockOfAThousandMovesLosesNone) {
    const auto rig = test::rig();
    Rig& r = *rig;
    constexpr int kMoves = 1000;  // far beyond the room made at reset
    r.in.hooks.cycle = [](void*, Interp& in, const BlockWords&) {
        for (int i = 0; i < kMoves; ++i) {
            MoveRecord m = in.move;
            m.end.x = i;
            push_move(in, m);
        }
        return 1;
    };
    r.program = "G81 X1 Y1 Z-1 R1\nX2\n";
    reset_interp(r.in, {});
    open_main_bytes(r.reader, r.program);
    int moves = 0;
    bool in_order = true;
    for (Next n = next_step(r.in, {StopScope::Everything, 3, true}); n.step != Step::End;
         n = next_step(r.in, {StopScope::Everything, 3, true})) {
        if (n.step != Step::Move) continue;
        in_order = in_order && r.in.move.end.x == moves % kMoves;
        ++moves;
        EXPECT_EQ(stop_allowed(r.in), moves % kMoves == 0) << moves;
    }
    EXPECT_EQ(moves, 2 * kMoves);
    EXPECT_TRUE(in_order);
}

// ---- The start state ----
// A run starts from the same state whatever the run before it left: a second program after a
// first that changed every kind of modal state gives the moves it gives on a fresh interpreter.

TEST(PipelineStart, ResetForgetsTheRunBefore) {
    const std::string kFirst =
        "G91 G18 G52 X5 Y5\nG92 X1 Y2 Z3\nG51 X0 Y0 P2\nG68 X0 Y0 R30\nG51.1 X3\nG43 H2 G41 D3 F500 S900 M3 T4 M6\n"
        "G02 X10 Z5 R20\nG04 P500\nG28 Z10\n";
    const std::string kSecond = "G00 X10 Y10\nG01 Z-2 F100\nG03 X20 Y20 R10\nX0\n";
    auto with_offsets = [] {
        auto r = test::rig();
        r->with_tools();
        r->ctl.h[2].value = 7;
        r->ctl.d[3].value = 2;
        return r;
    };
    const auto fresh = with_offsets(), used = with_offsets();
    used->run(kFirst, {1, 2, 50});
    const std::vector<MoveRecord> expected = fresh->run(kSecond, {1, 2, 50}), got = used->run(kSecond, {1, 2, 50});
    ASSERT_EQ(got.size(), expected.size());
    for (std::size_t i = 0; i < got.size(); ++i) {
        test::expect_point(got[i].start, expected[i].start.x, expected[i].start.y, expected[i].start.z);
        test::expect_point(got[i].end, expected[i].end.x, expected[i].end.y, expected[i].end.z);
        EXPECT_EQ(got[i].motion, expected[i].motion);
        EXPECT_EQ(got[i].feedrate, expected[i].feedrate);
        EXPECT_EQ(got[i].tool, expected[i].tool);
    }
    EXPECT_EQ(used->in.modal.spindle_speed, 0);
}

}  // namespace
}  // namespace vx::nc
