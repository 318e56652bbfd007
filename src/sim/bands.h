// Parallel bands of the sweep kernel: the rows of one tool position split over worker threads
// that are created once, parked between calls and woken per call, the calling thread sweeping
// the last band itself. Also the pinning of the main thread to a chosen processor.
//
// Hand-over is by each band's state word (std::atomic wait/notify): the caller publishes the
// call's state before it sets a band to "work", and reads the results only after every band has
// reported "done", so the rest of the system stays single-threaded.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

namespace vx::sim {

// Band states.
constexpr std::int32_t kBandParked = 0;
constexpr std::int32_t kBandWork = 1;
constexpr std::int32_t kBandDone = 2;
constexpr std::int32_t kBandEnd = -1;

// Cells of work below which a call stays on the calling thread. Waking a parked worker and
// joining it costs some 50 us on the project's VMs (BM_Bands_HandOver), far more while other
// processes keep the processors busy; two bands won only from about a 30 mm tool's box at a
// 0.1 mm grid (301 x 301 cells, some 130 us of work; BM_Kernel_Bands_Size, BENCHMARKS.md).
constexpr std::int64_t kBandMinCells = 90000;

// The work of one band: sweep rows first..last of the current call as band `band`.
using BandWork = void (*)(void* context, int band, std::int32_t first_row, std::int32_t last_row);

struct Band {
    std::int32_t first_row = 0;
    std::int32_t last_row = -1;
    std::atomic<std::int32_t> state{kBandParked};
    std::int32_t worker = 0;  // 1 when a worker thread serves the band, 0 for the calling thread's
};

struct BandPool {
    int bands = 0;  // 0: not started, the caller sweeps alone
    std::unique_ptr<Band[]> table;
    std::vector<std::thread> threads;
    // Work of the current call; written before any band is set to work.
    BandWork work = nullptr;
    void* context = nullptr;
    std::int64_t runs = 0;  // calls of run_bands served by the bands
    std::int64_t min_cells = kBandMinCells;  // smallest work handed to the bands

    BandPool() = default;
    BandPool(const BandPool&) = delete;
    BandPool& operator=(const BandPool&) = delete;
    ~BandPool();
};

// The band count of the threadnc setting (already read as 0 or a count): 0 means no bands.
int band_count(int cutting_threads);

// Creates bands - 1 parked workers. Returns 1, or 0 for a band count below 1 (nothing started)
// or when a thread cannot be created (the pool is then left without bands). A started pool is
// ended first.
int start_workers(BandPool& pool, int bands);

// Ends and joins every worker; the pool has no bands afterwards.
void end_workers(BandPool& pool);

// Band i of `bands` over rows first..last: the end row first + (i + 1) * (last - first) / bands
// (truncating), the start one row after the previous band's end. An empty band has last < first.
void band_rows(std::int32_t first, std::int32_t last, int bands, int i, std::int32_t* band_first,
               std::int32_t* band_last);

// Runs `work` over rows first..last split into the pool's bands and returns when all are done;
// with no bands the caller runs the whole range as band 0. Empty bands are not run.
void run_bands(BandPool& pool, std::int32_t first_row, std::int32_t last_row, BandWork work, void* context);

// How many bands work of `cells` cells is split into: the pool's bands when it has them and
// the work pays for the hand-over (or there is no hand-over: one band), else 1, the calling
// thread alone. The caller sizes its per-band partial results by it.
int bands_for(const BandPool* pool, std::int64_t cells);

// Runs `work` over rows first..last in bands_for(pool, cells) bands and returns that count; with
// one band the calling thread runs the whole range as band 0, without waking anything.
int run_rows(BandPool* pool, std::int32_t first_row, std::int32_t last_row, std::int64_t cells, BandWork work,
             void* context);

// ---- Ideal processor ----

struct IdealProcessor {
    bool saved = false;  // the previous affinity was kept
    std::vector<int> previous;  // processors the main thread could run on before the first pin
};

// Pins the calling thread to processor `index` when index >= 0, the machine has more than one
// processor and index is below their count; keeps the previous affinity the first time.
// Returns 1 when pinned, 0 when nothing was done. Threads started afterwards inherit the pin:
// the workers are started first, so that they run wherever the system puts them.
int set_ideal_processor(IdealProcessor& ideal, int index);

}  // namespace vx::sim
