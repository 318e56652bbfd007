#include "sim/bands.h"

#include <pthread.h>
#include <sched.h>

#include <algorithm>

namespace vx::sim {
namespace {

// Polls of a state word before blocking on it: a few microseconds (a pause takes about 50 ns
// on the project's machines), enough to catch a band that is about to finish. Longer spinning
// takes the processor from the other bands and from any other process that wants it; a band
// that has to wait longer sleeps on the futex behind the state word instead.
constexpr int kSpinPolls = 128;

inline void spin_pause() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#endif
}

std::int32_t wait_while(std::atomic<std::int32_t>& state, std::int32_t value) {
    for (int k = 0; k < kSpinPolls; ++k) {
        const std::int32_t s = state.load(std::memory_order_acquire);
        if (s != value) return s;
        spin_pause();
    }
    std::int32_t s = state.load(std::memory_order_acquire);
    while (s == value) {
        state.wait(value, std::memory_order_acquire);
        s = state.load(std::memory_order_acquire);
    }
    return s;
}

// Thread body: report done, then wait for work or the end.
void band_worker(BandPool* pool, int index) {
    Band& band = pool->table[index];
    for (;;) {
        std::int32_t s = band.state.load(std::memory_order_acquire);
        if (s == kBandEnd) return;
        if (s == kBandWork) {
            if (band.first_row <= band.last_row) pool->work(pool->context, index, band.first_row, band.last_row);
            band.state.store(kBandDone, std::memory_order_release);
            band.state.notify_all();
            continue;
        }
        wait_while(band.state, s);
    }
}

// Waits until no worker is still working, parking each one that is done.
void wait_for_workers(BandPool& pool) {
    for (int i = 0; i < pool.bands - 1; ++i) {
        Band& band = pool.table[i];
        wait_while(band.state, kBandWork);
        band.state.store(kBandParked, std::memory_order_relaxed);
    }
}

}  // namespace

BandPool::~BandPool() { end_workers(*this); }

int band_count(int cutting_threads) { return std::max(cutting_threads, 0); }

int start_workers(BandPool& pool, int bands) {
    end_workers(pool);
    if (bands < 1) return 0;
    pool.table = std::make_unique<Band[]>(bands);
    pool.bands = bands;
    pool.threads.reserve(bands - 1);
    for (int i = 0; i < bands; ++i) {
        Band& band = pool.table[i];
        band.worker = i < bands - 1 ? 1 : 0;
        band.last_row = -1;
        if (!band.worker) continue;
        band.state.store(kBandWork, std::memory_order_relaxed);  // the empty first round: "started"
        try {
            pool.threads.emplace_back(band_worker, &pool, i);
        } catch (...) {
            pool.bands = int(pool.threads.size()) + 1;  // only the bands that have a thread
            band.state.store(kBandParked, std::memory_order_relaxed);
            wait_for_workers(pool);
            end_workers(pool);
            return 0;
        }
    }
    wait_for_workers(pool);
    return 1;
}

void end_workers(BandPool& pool) {
    for (std::size_t i = 0; i < pool.threads.size(); ++i) {
        Band& band = pool.table[i];
        band.state.store(kBandEnd, std::memory_order_release);
        band.state.notify_all();
    }
    for (std::thread& t : pool.threads)
        if (t.joinable()) t.join();
    pool.threads.clear();
    pool.table.reset();
    pool.bands = 0;
}

void band_rows(std::int32_t first, std::int32_t last, int bands, int i, std::int32_t* band_first,
               std::int32_t* band_last) {
    const std::int64_t span = std::int64_t{last} - first;
    const auto end_of = [&](int k) { return std::int32_t(first + (k + 1) * span / bands); };
    *band_first = i == 0 ? first : end_of(i - 1) + 1;
    *band_last = end_of(i);
}

void run_bands(BandPool& pool, std::int32_t first_row, std::int32_t last_row, BandWork work, void* context) {
    if (pool.bands < 1) {
        work(context, 0, first_row, last_row);
        return;
    }
    pool.work = work;
    pool.context = context;
    ++pool.runs;
    const int n = pool.bands;
    for (int i = 0; i < n - 1; ++i) {
        Band& band = pool.table[i];
        band_rows(first_row, last_row, n, i, &band.first_row, &band.last_row);
        band.state.store(kBandWork, std::memory_order_release);  // publishes the call's state
        band.state.notify_all();
    }
    Band& own = pool.table[n - 1];
    band_rows(first_row, last_row, n, n - 1, &own.first_row, &own.last_row);
    if (own.first_row <= own.last_row) work(context, n - 1, own.first_row, own.last_row);
    wait_for_workers(pool);
}

int bands_for(const BandPool* pool, std::int64_t cells) {
    if (!pool || pool->bands <= 1 || cells < pool->min_cells) return 1;
    return pool->bands;
}

int run_rows(BandPool* pool, std::int32_t first_row, std::int32_t last_row, std::int64_t cells, BandWork work,
             void* context) {
    const int bands = bands_for(pool, cells);
    if (bands == 1) work(context, 0, first_row, last_row);
    else run_bands(*pool, first_row, last_row, work, context);
    return bands;
}

// ---- Ideal processor ----

int set_ideal_processor(IdealProcessor& ideal, int index) {
    const int processors = int(std::thread::hardware_concurrency());
    if (index < 0 || processors <= 1 || index >= processors || index >= CPU_SETSIZE) return 0;
    const pthread_t self = pthread_self();
    if (!ideal.saved) {
        cpu_set_t previous;
        CPU_ZERO(&previous);
        if (pthread_getaffinity_np(self, sizeof previous, &previous) == 0)
            for (int k = 0; k < CPU_SETSIZE; ++k)
                if (CPU_ISSET(k, &previous)) ideal.previous.push_back(k);
        ideal.saved = true;
    }
    cpu_set_t set;
    CPU_ZERO(&set);
    CPU_SET(index, &set);
    return pthread_setaffinity_np(self, sizeof set, &set) == 0 ? 1 : 0;
}

}  // namespace vx::sim
