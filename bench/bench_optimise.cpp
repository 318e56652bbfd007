// The optimise run's writers on a raster of 100 000 pieces: each piece gets its removal value
// over the last pitch, its feed from a three-step table, goes into the optimised NC program
// (merged, escapes over a 200 x 200 workpiece) and into the text cut data. Items are pieces; the
// figure says what the writers add to each kernel step of an optimise run.
#include "output/cut_data.h"
#include "output/optimised_nc.h"
#include "sim/workgrid.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

namespace {

using namespace vx;

constexpr int kPieces = 100000;
constexpr int kPiecesPerBlock = 50;
constexpr double kStep = 0.1;

struct Step {
    output::Piece piece;
    double area;
};

// Rows along X, 0.1 mm pieces; the engagement varies along the row and every fourth block is air.
std::vector<Step> raster() {
    std::vector<Step> steps(kPieces);
    for (int k = 0; k < kPieces; ++k) {
        const int block = k / kPiecesPerBlock, n = k % kPiecesPerBlock;
        output::Piece& p = steps[std::size_t(k)].piece;
        p.motion = 1;
        p.end = {(n + 1) * kStep + (block % 20) * 5.0, 1.0 * (block / 20 % 200), 10.0};
        p.programmed_feed = 600;
        p.cutting = block % 4 != 3;
        p.new_block = n == 0;
        p.line = block + 1;
        p.number = n + 1;
        steps[std::size_t(k)].area = p.cutting ? 5.0 + 4.0 * std::sin(k * 0.01) : 0.0;
    }
    return steps;
}

void BM_Output_OptimisedPieces(benchmark::State& state) {
    const std::vector<Step> steps = raster();
    sim::Workpiece wp;
    sim::GridGeometry g;
    sim::size_grid(g, 0, 0, 200, 200, 0.5);
    sim::allocate_workpiece(wp, g, 4);
    sim::define_uniform_body(wp, 20.0, 0.0);
    sim::FeedOptRecord tables;
    tables.sets[0].used = 1;
    tables.sets[0].first = 300;
    tables.sets[0].count = 2;
    tables.sets[0].steps[0] = {8, 600};
    tables.sets[0].steps[1] = {4, 1000};
    const output::FeedLimits limits;
    for (auto _ : state) {
        output::RemovalWindow window;
        window.pitch = 0.5;
        output::OptNcWriter nc;
        nc.clearance = {&wp, 5.5, 0.0};
        output::CutDataWriter cut;
        output::begin_output(nc, {0, 0, 50});
        output::begin_cut_data(cut, {0, 0, 50}, 1);
        for (const Step& s : steps) {
            output::Piece p = s.piece;
            const output::Removal r = output::add_step(window, s.area, 0, kStep, p.cutting ? 0 : -1, p.cutting);
            p.removal = r.area;
            p.cut_type = r.cut_type;
            const output::PieceFeed f = output::piece_feed(p, nc.options, tables, limits);
            output::add_piece(nc, p, f);
            output::CutRecord c;
            c.line = p.line;
            c.piece = p.number;
            c.motion = 1;
            c.cut_type = p.cutting ? 0 : output::kNoCutType;
            c.programmed_feed = 600;
            c.chosen_feed = std::int32_t(f.feed);
            output::add_cut_record(cut, c, p.end, p.removal);
            if (cut.bytes.size() > (1 << 16)) cut.bytes.clear();  // the run drains at this size
            if (nc.text.size() > (1 << 16)) nc.text.clear();
        }
        output::end_output(nc);
        benchmark::DoNotOptimize(nc.text.data());
        benchmark::DoNotOptimize(cut.bytes.data());
    }
    state.SetItemsProcessed(state.iterations() * kPieces);
}
BENCHMARK(BM_Output_OptimisedPieces)->Unit(benchmark::kMillisecond);

}  // namespace
