// The workpiece offset: a stamp of radius |value| (a hemisphere along the normal, flat for the
// horizontal offset) placed on every source cell. Written as a gather: each target takes the
// highest (lowest for a negative value) of its own height and every source height plus the stamp
// at their distance, which is what placing the stamps one after another gives, since a stamp
// never exceeds the value. Every target reads only the heights before the offset, so the bands
// write disjoint rows from a shared read-only copy.
#include "work/operations.h"

#include "platform/platform.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cmath>
#include <limits>
#include <memory>
#include <system_error>
#include <thread>
#include <vector>

namespace vx::work {

const platform::TextPair kTextOffsetTitle{"Offset", "Offset"};

namespace {

// Points on the stamp's circle count as inside although the pitch's rounding puts them a hair
// beyond it (2 mm at 0.05 mm is 40 cells, and 40 * 0.05 squared is 4.000000000000001).
constexpr double kOnCircle = 1e-9;

// The caller's band looks at Escape, the message pump and the progress this often.
constexpr auto kPollInterval = std::chrono::milliseconds(100);

struct StampPoint {
    std::int32_t dp, dq;  // row and column offsets
    float height;
};

// Every index offset within the radius with its stamp height, row by row.
std::vector<StampPoint> stamp_points(const sim::GridGeometry& g, int direction, double value) {
    const double v2 = value * value, limit = v2 * (1.0 + kOnCircle);
    const std::int32_t reach = static_cast<std::int32_t>(std::fabs(value) / g.pitch * (1.0 + kOnCircle));
    std::vector<StampPoint> points;
    for (std::int32_t dp = -reach; dp <= reach; ++dp)
        for (std::int32_t dq = -reach; dq <= reach; ++dq) {
            const double d2 = double(dp * dp + dq * dq) * g.pitch_squared;
            if (d2 > limit) continue;
            const double s = direction == kOffsetNormal ? value * std::sqrt(std::max(0.0, 1.0 - d2 / v2)) : 0.0;
            points.push_back({dp, dq, static_cast<float>(s)});
        }
    return points;
}

template <bool kRaise>
void stamp_row(const float* source_row, float* out, std::int32_t nx, std::int32_t dq, float s) {
    const std::int32_t begin = std::max(0, -dq), end = std::min(nx, nx - dq);
    const float* src = source_row + dq;
    for (std::int32_t i = begin; i < end; ++i) {
        const float candidate = src[i] + s;
        out[i] = kRaise ? std::max(out[i], candidate) : std::min(out[i], candidate);
    }
}

// One target row. With several bands it is gathered in `scratch` (the band's own row) and stored
// once: the stamp passes over a row once per stamp point, and rows of neighbouring bands share a
// cache line at their ends, so gathering in place made two bands fight over those lines and run
// no faster than one. One band gathers in place (null `scratch`), which spares the extra store.
template <bool kRaise>
void gather_row(const float* source, const float* start, float* target, const sim::GridGeometry& g,
                const std::vector<StampPoint>& stamp, std::int32_t j, float* scratch) {
    const std::int64_t nx = g.nx;
    float* out = scratch ? scratch : target + j * nx;
    std::copy(start + j * nx, start + (j + 1) * nx, out);
    for (const StampPoint& p : stamp) {
        const std::int32_t row = j + p.dp;
        if (row < 0 || row > g.last_row) continue;
        stamp_row<kRaise>(source + row * nx, out, g.nx, p.dq, p.height);
    }
    if (scratch) std::copy(scratch, scratch + nx, target + j * nx);
}

// ---- Bands ----
// Rows are taken one at a time, by the calling thread and by threadno - 1 helpers, from a shared
// counter, so that a band whose thread gets no processor leaves its rows to the others instead of
// holding up the end with a fixed share. The caller waits only for the rows a helper has taken:
// a helper that never got a processor costs nothing but its start. The helpers own the job with
// the caller and, once no row is left, touch nothing else, so they need not be joined.

struct OffsetJob {
    const float* source = nullptr;  // heights placing the stamp (unused cells at -inf or +inf)
    const float* start = nullptr;   // heights before the offset
    float* target = nullptr;
    sim::GridGeometry grid;
    std::vector<StampPoint> stamp;
    bool raise = true;
    bool show_progress = false;
    bool yield_when_busy = true;
    std::atomic<bool> stop{false};
    std::atomic<std::int32_t> next_row{0};
    std::atomic<std::int32_t> rows_finished{0};  // rows taken and done (or given up on Escape)
};

// Taken after the last row: no row index is ever handed out again.
constexpr std::int32_t kNoMoreRows = std::numeric_limits<std::int32_t>::max() / 2;

void offset_one_row(OffsetJob& job, std::int32_t j, float* scratch) {
    if (!job.stop.load(std::memory_order_relaxed)) {
        if (job.raise) gather_row<true>(job.source, job.start, job.target, job.grid, job.stamp, j, scratch);
        else gather_row<false>(job.source, job.start, job.target, job.grid, job.stamp, j, scratch);
    }
    job.rows_finished.fetch_add(1, std::memory_order_release);
    job.rows_finished.notify_all();
}

void helper_band(std::shared_ptr<OffsetJob> job) {
    std::vector<float> scratch(std::size_t(job->grid.nx));
    for (std::int32_t j = job->next_row.fetch_add(1); j <= job->grid.last_row; j = job->next_row.fetch_add(1))
        offset_one_row(*job, j, scratch.data());
}

// The caller's band: Escape, the window and the progress every 100 ms, between rows.
void poll(OffsetJob& job, std::chrono::steady_clock::time_point& next) {
    const auto now = std::chrono::steady_clock::now();
    if (now < next) return;
    next = now + kPollInterval;
    platform::pump_messages();
    if (job.show_progress) platform::progress_update(job.rows_finished.load(std::memory_order_relaxed));
    if (platform::key_down(platform::Key::Escape)) job.stop.store(true, std::memory_order_relaxed);
}

// Every processor already has a runnable thread: a helper would only take turns with the caller
// (measured 10 to 15 % slower at a load of 10 on 2 processors, BENCHMARKS.md).
bool processors_busy() {
    double load[1];
    const unsigned processors = std::max(1u, std::thread::hardware_concurrency());
    return getloadavg(load, 1) == 1 && load[0] >= double(processors);
}

// Runs the stamp over every row in `threads` bands; false when Escape stopped it.
bool run_offset_bands(const std::shared_ptr<OffsetJob>& job, int threads) {
    if (threads > 1 && job->yield_when_busy && processors_busy()) threads = 1;
    int helpers = 0;
    for (; helpers < threads - 1; ++helpers) {
        try {
            std::thread(helper_band, job).detach();
        } catch (const std::system_error&) {
            break;  // fewer helpers: the caller takes their rows
        }
    }
    if (job->show_progress) platform::progress_begin(platform::text(kTextOffsetTitle), job->grid.ny);
    auto next = std::chrono::steady_clock::now() + kPollInterval;
    std::vector<float> scratch(helpers > 0 ? std::size_t(job->grid.nx) : 0);
    // Escape is looked at before a row is taken: every row taken is finished.
    while (!job->stop.load()) {
        const std::int32_t j = job->next_row.fetch_add(1);
        if (j > job->grid.last_row) break;
        poll(*job, next);
        offset_one_row(*job, j, helpers > 0 ? scratch.data() : nullptr);
    }
    // Every row handed out must be finished before the heights are used; none is handed out after.
    const std::int32_t taken = std::min(job->next_row.exchange(kNoMoreRows), job->grid.ny);
    for (std::int32_t done = job->rows_finished.load(std::memory_order_acquire); done < taken;
         done = job->rows_finished.load(std::memory_order_acquire))
        job->rows_finished.wait(done);
    if (job->show_progress) platform::progress_end();
    return !job->stop.load();
}

// ---- The steps of the command ----

bool is_painted(std::uint8_t attribute) { return (attribute & sim::kPaintBit) != 0; }

void clear_attributes(sim::Workpiece& wp, std::int64_t cell) {
    wp.attribute.data[cell] = 0;
    if (sim::has_line_layer(wp)) wp.line_number.data[cell] = 0;
}

// Every cell (painted cell) + value.
void offset_along_z(sim::Workpiece& wp, const std::vector<float>& before, double value, bool painted_only) {
    for (std::int64_t k = 0; k < wp.geometry.cell_count; ++k) {
        if (painted_only && !is_painted(wp.attribute.data[k])) continue;
        wp.height.data[k] = static_cast<float>(before[k] + value);
        clear_attributes(wp, k);
    }
}

int offset_with_stamp(sim::Workpiece& wp, const std::vector<float>& before, const OffsetOptions& o) {
    const std::int64_t cells = wp.geometry.cell_count;
    const bool raise = o.value > 0.0;
    const float unused = raise ? -std::numeric_limits<float>::infinity() : std::numeric_limits<float>::infinity();
    std::vector<float> source;
    if (o.painted_only) {
        source.resize(cells);
        for (std::int64_t k = 0; k < cells; ++k) source[k] = is_painted(wp.attribute.data[k]) ? before[k] : unused;
    }
    const auto job = std::make_shared<OffsetJob>();
    job->source = o.painted_only ? source.data() : before.data();
    job->start = before.data();
    job->target = wp.height.data;
    job->grid = wp.geometry;
    job->stamp = stamp_points(wp.geometry, o.direction, o.value);
    job->raise = raise;
    job->show_progress = o.show_progress;
    job->yield_when_busy = o.yield_when_busy;
    const bool finished = run_offset_bands(job, std::max(o.threads, 1));
    for (std::int64_t k = 0; k < cells; ++k) {
        if (o.painted_only && !o.outside_boundary && !is_painted(wp.attribute.data[k])) wp.height.data[k] = before[k];
        // The whole workpiece was remade: every cell starts again from the fill value.
        if (!o.painted_only || wp.height.data[k] != before[k]) clear_attributes(wp, k);
    }
    return finished ? kOpDone : kOpCancelled;
}

void finish_offset(sim::Workpiece& wp, double value) {
    sim::recompute_highest(wp);
    wp.work_top = wp.highest;
    if (value < 0.0) {
        const float* h = wp.height.data;
        const double lowest = *std::min_element(h, h + wp.geometry.cell_count);
        wp.work_bottom = std::min(wp.work_bottom, lowest);
    }
}

}  // namespace

void offset_rows(const float* source, const std::uint8_t* use, float* target, const sim::GridGeometry& g,
                 int direction, double value, std::int32_t first_row, std::int32_t last_row) {
    if (value == 0.0) return;
    const bool raise = value > 0.0;
    const std::int64_t cells = g.cell_count;
    std::vector<float> masked;
    if (use) {
        const float unused = raise ? -std::numeric_limits<float>::infinity() : std::numeric_limits<float>::infinity();
        masked.resize(cells);
        for (std::int64_t k = 0; k < cells; ++k) masked[k] = use[k] ? source[k] : unused;
    }
    const float* stamp_source = use ? masked.data() : source;
    const std::vector<StampPoint> stamp = stamp_points(g, direction, value);
    for (std::int32_t j = first_row; j <= last_row; ++j) {
        if (raise) gather_row<true>(stamp_source, source, target, g, stamp, j, nullptr);
        else gather_row<false>(stamp_source, source, target, g, stamp, j, nullptr);
    }
}

int offset_workpiece(sim::Workpiece& wp, const OffsetOptions& o) {
    if (wp.height.data == nullptr || wp.modification_state == sim::kNoWorkpiece) return kOpNothing;
    if (o.value == 0.0 || !std::isfinite(o.value)) return kOpNothing;
    const bool uncut = wp.modification_state == sim::kDefined;
    if (o.direction == kOffsetHorizontal && uncut) return kOpNothing;
    if (o.direction < kOffsetNormal || o.direction > kOffsetHorizontal) return kOpRefused;
    backup_before_operation(wp);
    const std::vector<float> before(wp.height.data, wp.height.data + wp.geometry.cell_count);
    int result = kOpDone;
    if (o.direction == kOffsetZ || uncut) offset_along_z(wp, before, o.value, o.painted_only);
    else result = offset_with_stamp(wp, before, o);
    // A uniform block offset as a whole stays uniform.
    if (!(uncut && !o.painted_only)) wp.modification_state = sim::kModified;
    finish_offset(wp, o.value);
    return result;
}

}  // namespace vx::work
