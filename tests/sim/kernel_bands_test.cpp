// The band split and the parked workers.
#include "sim/bands.h"
#include "sim/kernel_fixture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <vector>

namespace vx::sim {
namespace {

// ---- Row split ----
// Bands must cover the range exactly once, in order, with the truncating split.

TEST(BandsSplit, ThreeRowsOverFourBands) {
    std::int32_t first = 0, last = 0;
    const std::int32_t expected[4][2] = {{10, 10}, {11, 11}, {12, 11}, {12, 12}};
    for (int i = 0; i < 4; ++i) {
        band_rows(10, 12, 4, i, &first, &last);
        EXPECT_EQ(first, expected[i][0]) << i;
        EXPECT_EQ(last, expected[i][1]) << i;
    }
}

TEST(BandsSplit, EveryRowOnceForAnyCount) {
    for (int bands = 1; bands <= 7; ++bands)
        for (std::int32_t span = 0; span < 40; ++span) {
            std::int32_t next = 5;
            for (int i = 0; i < bands; ++i) {
                std::int32_t first = 0, last = 0;
                band_rows(5, 5 + span, bands, i, &first, &last);
                EXPECT_EQ(first, next);
                if (last >= first) next = last + 1;
            }
            EXPECT_EQ(next, 6 + span);
        }
}

// ---- Workers ----
// Parked workers must run each call's rows exactly once and be done before run_bands returns.

struct Tally {
    std::vector<std::atomic<int>> rows = std::vector<std::atomic<int>>(100);
    std::atomic<int> calls{0};
};

void count_rows(void* context, int, std::int32_t first, std::int32_t last) {
    auto* t = static_cast<Tally*>(context);
    t->calls.fetch_add(1);
    for (std::int32_t j = first; j <= last; ++j) t->rows[j].fetch_add(1);
}

TEST(BandsWorkers, EachRowOnceOverManyCalls) {
    BandPool pool;
    ASSERT_EQ(start_workers(pool, 3), 1);
    EXPECT_EQ(pool.threads.size(), 2u);
    Tally tally;
    for (int call = 0; call < 200; ++call) run_bands(pool, call % 50, call % 50 + call % 30, count_rows, &tally);
    std::vector<int> expected(100, 0);
    for (int call = 0; call < 200; ++call)
        for (int j = call % 50; j <= call % 50 + call % 30; ++j) ++expected[j];
    for (int j = 0; j < 100; ++j) EXPECT_EQ(tally.rows[j].load(), expected[j]) << j;
    end_workers(pool);
    EXPECT_EQ(pool.bands, 0);
}

TEST(BandsWorkers, OneBandHasNoWorker) {
    EXPECT_EQ(band_count(1), 1);
    EXPECT_EQ(band_count(0), 0);
    BandPool pool;
    ASSERT_EQ(start_workers(pool, 1), 1);
    EXPECT_TRUE(pool.threads.empty());
    Tally tally;
    run_bands(pool, 3, 9, count_rows, &tally);
    EXPECT_EQ(tally.calls.load(), 1);
    EXPECT_EQ(tally.rows[9].load(), 1);
    EXPECT_EQ(pool.runs, 1);
    EXPECT_EQ(start_workers(pool, 0), 0);
}

TEST(BandsWorkers, EmptyBandsAreNotRun) {
    BandPool pool;
    ASSERT_EQ(start_workers(pool, 4), 1);
    Tally tally;
    run_bands(pool, 0, 2, count_rows, &tally);  // the third band is empty
    EXPECT_EQ(tally.calls.load(), 3);
}

// Work is handed over only where it pays: a pool with workers and enough cells (or one band,
// which hands nothing over).
TEST(BandsWorkers, SmallWorkStaysOnTheCallingThread) {
    BandPool two, one;
    ASSERT_EQ(start_workers(two, 2), 1);
    ASSERT_EQ(start_workers(one, 1), 1);
    const struct {
        const BandPool* pool;
        std::int64_t cells;
        int bands;
    } cases[] = {{nullptr, kBandMinCells, 1}, {&one, kBandMinCells, 1},     {&two, kBandMinCells - 1, 1},
                 {&two, kBandMinCells, 2},    {&two, 1000 * kBandMinCells, 2}};
    for (const auto& c : cases) EXPECT_EQ(bands_for(c.pool, c.cells), c.bands) << c.cells;
    Tally tally;
    EXPECT_EQ(run_rows(&two, 0, 9, kBandMinCells - 1, count_rows, &tally), 1);
    EXPECT_EQ(tally.calls.load(), 1);
    EXPECT_EQ(two.runs, 0);
    EXPECT_EQ(run_rows(&two, 0, 9, kBandMinCells, count_rows, &tally), 2);
    EXPECT_EQ(tally.calls.load(), 3);
    EXPECT_EQ(two.runs, 1);
}

// With direction recording off (the fast runs) the kernel sweeps on the calling thread alone.
TEST(BandsWorkers, NotUsedWithoutDirectionRecording) {
    BandPool pool;
    ASSERT_EQ(start_workers(pool, 2), 1);
    pool.min_cells = 0;
    auto wp = testing::make_body(21, 21, 1.0, 10.0);
    const CurrentTool tool = testing::make_tool(testing::tool_record(kToolFlat, 6), 1.0);
    KernelContext context;
    context.pool = &pool;
    SweepResult r;
    SweepStep s;
    s.x = s.y = 10;
    s.z = 9;
    s.recording = false;
    sweep_at_position(*wp, tool, testing::plain_checks(), s, context, r);
    EXPECT_TRUE(r.changed);
    EXPECT_EQ(pool.runs, 0);
    s.recording = true;
    s.z = 8;
    sweep_at_position(*wp, tool, testing::plain_checks(), s, context, r);
    EXPECT_EQ(pool.runs, 1);
}

TEST(BandsIdeal, OutOfRangeIndexDoesNothing) {
    IdealProcessor ideal;
    EXPECT_EQ(set_ideal_processor(ideal, -1), 0);
    EXPECT_EQ(set_ideal_processor(ideal, 1 << 20), 0);
    EXPECT_FALSE(ideal.saved);
}

}  // namespace
}  // namespace vx::sim
