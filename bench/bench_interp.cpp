// The interpreter loop on a large generated 3-axis program of lines and arcs: blocks read,
// interpreted into moves and timed per second; and a drilling program whose peck cycles expand
// into many moves per block: moves per second.
#include "nc/data_check.h"
#include "nc/interp.h"
#include "nc/pipeline.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <string>

namespace {

constexpr int kBlocks = 1000000;  // a long finishing program

// Zig-zag passes of G01 with a G02/G03 turn at each end, stepping down in Z now and then.
std::string generated_program() {
    std::string p;
    p.reserve(static_cast<std::size_t>(kBlocks) * 36);
    p += "G90 G54 G17 G00 X0 Y0 Z5.\nG01 Z-1. F1200\n";
    char line[96];
    int blocks = 2;
    double y = 0;
    bool forward = true;
    while (blocks < kBlocks) {
        for (int i = 1; i <= 40 && blocks < kBlocks; ++i, ++blocks) {
            double x = forward ? i * 2.5 : 100.0 - i * 2.5;
            double z = -1.0 - 0.2 * std::sin(i * 0.3);
            int n = std::snprintf(line, sizeof line, "X%.3f Y%.3f Z%.3f\n", x, y, z);
            p.append(line, static_cast<std::size_t>(n));
        }
        int n = std::snprintf(line, sizeof line, "%s X%.3f Y%.3f R1.5\nG01\n", forward ? "G03" : "G02",
                              forward ? 100.0 : 0.0, y + 3.0);
        p.append(line, static_cast<std::size_t>(n));
        blocks += 2;
        y += 3.0;
        if (y > 100) y = 0;
        forward = !forward;
    }
    return p;
}

// Made on first use, so that other benchmarks of the executable do not wait for it.
const std::string& program() {
    static const std::string text = generated_program();
    return text;
}

struct Bench {
    vx::nc::Ctl ctl;
    vx::nc::Mtl mtl;
    vx::nc::Reader reader;
    vx::nc::Interp in;
    vx::nc::MachiningTime time;
};

// The same program with cutter radius compensation on from its first block (G41, D1 = 0.5, so
// that every turn keeps a positive offset radius), with the controller's look-ahead.
const std::string& compensated_program() {
    static const std::string text = "G41 D1\n" + program();
    return text;
}

void interpret(benchmark::State& state, const std::string& text, const char* ctl_text) {
    auto b = std::make_unique<Bench>();
    vx::nc::parse_ctl(ctl_text, b->ctl);
    b->ctl.d[1].value = 0.5f;
    b->in.ctl = &b->ctl;
    b->in.mtl = &b->mtl;
    b->in.reader = &b->reader;
    b->in.time = &b->time;
    std::int64_t blocks = 0;
    for (auto _ : state) {
        vx::nc::reset_interp(b->in, {0, 0, 50});
        vx::nc::reset_time(b->time, 999999999.0);
        vx::nc::open_main_bytes(b->reader, text);
        while (vx::nc::execute_next_block(b->in) == 1) {
        }
        blocks += b->reader.line_number;
        benchmark::DoNotOptimize(b->time.feed_time);
    }
    if (vx::nc::alarm_code(b->in) != 0) state.SkipWithError("the program raised an alarm");
    state.SetItemsProcessed(blocks);
}

void BM_Interp_LinesAndArcs(benchmark::State& state) {
    interpret(state, program(), "DECIMAL POINT=NORMAL\nR-TOLERANCE=0.01\n");
}
BENCHMARK(BM_Interp_LinesAndArcs)->Unit(benchmark::kMillisecond);

// The data check of the same program: the interpreter's time plus the extents (arcs with their
// quadrant points), the used-number tables and the spindle extreme of every block.
void BM_Interp_DataCheck(benchmark::State& state) {
    auto b = std::make_unique<Bench>();
    vx::nc::parse_ctl("DECIMAL POINT=NORMAL\nR-TOLERANCE=0.01\n", b->ctl);
    b->in.ctl = &b->ctl;
    b->in.mtl = &b->mtl;
    b->in.reader = &b->reader;
    vx::nc::DataCheck check;
    std::int64_t blocks = 0;
    for (auto _ : state) {
        vx::nc::open_main_bytes(b->reader, program());
        vx::nc::run_data_check(b->in, check, vx::nc::CheckMode::Full, {999999999.0, {0, 0, 50}, "/nonexistent/"});
        blocks += check.blocks;
        benchmark::DoNotOptimize(check.all.max.x);
    }
    if (check.alarm.code != 0) state.SkipWithError("the program raised an alarm");
    state.SetItemsProcessed(blocks);
}
BENCHMARK(BM_Interp_DataCheck)->Unit(benchmark::kMillisecond);

void BM_Interp_CompensatedLinesAndArcs(benchmark::State& state) {
    const std::string ctl = "DECIMAL POINT=NORMAL\nR-TOLERANCE=0.01\nPRE READ=" + std::to_string(state.range(0)) + "\n";
    interpret(state, compensated_program(), ctl.c_str());
}
BENCHMARK(BM_Interp_CompensatedLinesAndArcs)->Arg(0)->Arg(10)->Unit(benchmark::kMillisecond);

constexpr int kHoles = 100000;

// A grid of G83 holes, 12 mm deep in pecks of 2.5 mm: 16 moves a hole.
std::string generated_holes() {
    std::string p = "G90 G54 G17 G00 X0 Y0 Z20.\nG98 G83 X0 Y0 Z-10. R2. Q2.5 F200.\n";
    char line[64];
    for (int i = 1; i < kHoles; ++i) {
        const int n = std::snprintf(line, sizeof line, "X%.1f Y%.1f\n", (i % 300) * 2.0, (i / 300) * 2.0);
        p.append(line, static_cast<std::size_t>(n));
    }
    return p + "G80\n";
}

const std::string& holes() {
    static const std::string text = generated_holes();
    return text;
}

void BM_Interp_Cycles(benchmark::State& state) {
    auto b = std::make_unique<Bench>();
    vx::nc::parse_ctl("DECIMAL POINT=NORMAL\n", b->ctl);
    b->in.ctl = &b->ctl;
    b->in.mtl = &b->mtl;
    b->in.reader = &b->reader;
    b->in.time = &b->time;
    std::int64_t moves = 0;
    for (auto _ : state) {
        vx::nc::reset_interp(b->in, {0, 0, 50});
        vx::nc::reset_time(b->time, 999999999.0);
        vx::nc::open_main_bytes(b->reader, holes());
        while (vx::nc::execute_next_block(b->in) == 1) ++moves;
        benchmark::DoNotOptimize(b->time.feed_time);
    }
    if (vx::nc::alarm_code(b->in) != 0) state.SkipWithError("the program raised an alarm");
    state.SetItemsProcessed(moves);
}
BENCHMARK(BM_Interp_Cycles)->Unit(benchmark::kMillisecond);

}  // namespace
