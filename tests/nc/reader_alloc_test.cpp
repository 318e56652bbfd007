// Counts heap allocations while a program is read, to hold the reader to its promise of no
// allocation per line (the interpreter reads millions of lines a run).
#include "nc/reader.h"
#include "nc/words.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <new>

namespace {
bool g_counting = false;
long g_allocations = 0;
}  // namespace

void* operator new(std::size_t n) {
    if (g_counting) ++g_allocations;
    if (void* p = std::malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace vx::nc {
namespace {

struct Sums {
    const Ctl* ctl;
    int decimal_mode;
    double total = 0;
};

int convert(void* context, Word& w) {
    auto* s = static_cast<Sums*>(context);
    if (w.letter == 'X' || w.letter == 'Y' || w.letter == 'Z') s->total += read_coordinate(w.text, *s->ctl, s->decimal_mode);
    else if (w.letter == 'F') s->total += read_plain(w.text);
    else s->total += read_integer(w.text);
    return 1;
}

long allocations_reading(Reader& r, const Ctl& ctl) {
    Sums sums{&ctl, ctl.decimal_point};
    const WordHandler handler{&sums, convert, nullptr};
    g_counting = true;
    g_allocations = 0;
    int blocks = 0;
    while (read_next_block(r) == 1) {
        parse_words(current_block(r), ctl.product, handler);
        (void)is_stop_block(current_block(r), 1, ctl, true);
        ++blocks;
    }
    g_counting = false;
    EXPECT_EQ(blocks, 2000);
    return g_allocations;
}

// ---- No allocation per line ----
// With every line step switched on, reading and splitting must not touch the heap.

TEST(ReaderAllocation, NoneWhileReadingFromMemoryOrFile) {
    Ctl ctl;
    parse_ctl("EOR=%\nREPLACE \"G1 \" \"G01 \"\nCODE CHECK=YES\nCHECK CHAR=\"GXYZFN.- %()/\"\n"
              "OPTIONAL BLOCK SKIP=2\nSTOP OPTION=NORMAL\n",
              ctl);
    std::string program = "%\n";
    for (int i = 0; i < 2000; ++i) program += "N" + std::to_string(i) + " G1 X" + std::to_string(i) + ".25 Y-3.5 (c) F1200\n";
    program += "/2 X1\n%\n";

    Reader memory;
    start_run(memory, ctl);
    open_main_bytes(memory, program);
    EXPECT_EQ(allocations_reading(memory, ctl), 0);

    vx::testing::TempDir dir;
    Reader file;
    start_run(file, ctl);
    ASSERT_EQ(open_main_file(file, dir.write("p.nc", program)), 1);
    EXPECT_EQ(allocations_reading(file, ctl), 0);
}

}  // namespace
}  // namespace vx::nc
