// The word reader on a large program: lines read and split into words (with their numbers
// converted, as the interpreter converts them) per second.
#include "nc/reader.h"
#include "nc/words.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

namespace {

constexpr int kLines = 1000000;  // a long finishing program

// Typical 3-axis feed blocks, every tenth with a sequence number, G01 and the feed.
std::string typical_program() {
    std::string p;
    p.reserve(static_cast<std::size_t>(kLines) * 40);
    char line[96];
    for (int i = 0; i < kLines; ++i) {
        const double x = (i % 2000) * 0.05, y = (i / 2000) * 0.25, z = -1.5 - (i % 7) * 0.01;
        const int n = i % 10 == 0 ? std::snprintf(line, sizeof line, "N%d G01 X%.3f Y%.3f Z%.3f F1200\n", i, x, y, z)
                                  : std::snprintf(line, sizeof line, "X%.3f Y%.3f Z%.3f\n", x, y, z);
        p.append(line, static_cast<std::size_t>(n));
    }
    return p;
}

// Made on first use, so that other benchmarks of the executable do not wait for it.
const std::string& program() {
    static const std::string text = typical_program();
    return text;
}

struct Sums {
    const vx::nc::Ctl* ctl;
    int decimal_mode;
    double total;
};

int convert(void* context, vx::nc::Word& w) {
    auto* s = static_cast<Sums*>(context);
    switch (w.letter) {
        case 'X':
        case 'Y':
        case 'Z': s->total += vx::nc::read_coordinate(w.text, *s->ctl, s->decimal_mode); break;
        case 'F': s->total += vx::nc::read_plain(w.text); break;
        default: s->total += vx::nc::read_integer(w.text); break;
    }
    return 1;
}

void BM_Reader_TypicalProgram(benchmark::State& state) {
    const std::string& text = program();
    vx::nc::Ctl ctl;
    vx::nc::Reader reader;
    std::int64_t lines = 0;
    for (auto _ : state) {
        vx::nc::start_run(reader, ctl);
        vx::nc::open_main_bytes(reader, text);
        Sums sums{&ctl, ctl.decimal_point, 0.0};
        const vx::nc::WordHandler handler{&sums, convert, nullptr};
        while (vx::nc::read_next_block(reader) == 1) {
            vx::nc::parse_words(vx::nc::current_block(reader), ctl.product, handler);
            ++lines;
        }
        benchmark::DoNotOptimize(sums.total);
    }
    state.SetItemsProcessed(lines);
}
BENCHMARK(BM_Reader_TypicalProgram)->Unit(benchmark::kMillisecond);

}  // namespace
