// Emphasis of a pen or the paint, against a brute-force reference over every pair of cells on
// random surfaces: a mark that spreads from cells marked in the same call, a reach cut short by
// the index bound, or a height difference left out of the distance all show up as a mismatch.
#include "work/emphasis.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

namespace vx::work {
namespace {

bool carries(std::uint8_t a, int mark) {
    return mark == kEmphasisPaint ? (a & sim::kPaintBit) != 0 : ((a & sim::kPenMask) >> sim::kPenShift) == mark;
}

std::vector<std::uint8_t> reference(const sim::Workpiece& wp, int mark, double width) {
    const auto& g = wp.geometry;
    const int reach = std::max(1, int(width / g.pitch));
    std::vector<std::uint8_t> out(wp.attribute.data, wp.attribute.data + g.nx * g.ny);
    for (int nj = 0; nj < g.ny; ++nj)
        for (int ni = 0; ni < g.nx; ++ni) {
            bool near = false;
            for (int j = 0; j < g.ny && !near; ++j)
                for (int i = 0; i < g.nx && !near; ++i) {
                    if (!carries(wp.attribute.data[j * g.nx + i], mark)) continue;
                    if (std::abs(i - ni) > reach || std::abs(j - nj) > reach) continue;
                    const double dx = (i - ni) * g.pitch, dy = (j - nj) * g.pitch;
                    const double dz = wp.height.data[j * g.nx + i] - wp.height.data[nj * g.nx + ni];
                    near = std::sqrt(dx * dx + dy * dy + dz * dz) <= width;
                }
            std::uint8_t& a = out[std::size_t(nj * g.nx + ni)];
            if (near) a = mark == kEmphasisPaint ? std::uint8_t(a | sim::kPaintBit)
                                                 : std::uint8_t((a & ~sim::kPenMask) | (mark << sim::kPenShift));
        }
    return out;
}

TEST(Emphasis, MatchesTheReferenceOnRandomSurfaces) {
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> height(0.0, 3.0);
    std::uniform_int_distribution<int> attribute(0, 15), rare(0, 19);
    int marked_somewhere = 0;
    for (int round = 0; round < 24; ++round) {
        sim::Workpiece wp;
        sim::GridGeometry g;
        ASSERT_EQ(sim::size_grid(g, 0.0, 0.0, 9.5, 7.0, 0.5), 1);
        ASSERT_EQ(sim::allocate_workpiece(wp, g, 1), 1);
        ASSERT_EQ(sim::define_uniform_body(wp, 3.0, 0.0), 1);
        const std::int64_t cells = std::int64_t(g.nx) * g.ny;
        for (std::int64_t c = 0; c < cells; ++c) {
            wp.height.data[c] = float(height(rng));
            wp.attribute.data[c] = rare(rng) == 0 ? std::uint8_t(attribute(rng)) : 0;
        }
        const int mark = 1 + round % kEmphasisPaint;
        const double width = 0.3 + 0.25 * (round % 7);  // below one pitch up to several
        const std::vector<std::uint8_t> expected = reference(wp, mark, width);
        const std::int64_t count = emphasise(wp, mark, width);
        const std::vector<std::uint8_t> got(wp.attribute.data, wp.attribute.data + cells);
        EXPECT_EQ(got, expected) << "mark " << mark << " width " << width;
        marked_somewhere += count > 0;
    }
    EXPECT_GT(marked_somewhere, 12);  // the cases did spread marks
}

TEST(Emphasis, NothingWithoutAWorkpieceOrAMark) {
    sim::Workpiece wp;
    EXPECT_EQ(emphasise(wp, 1, 2.0), 0);
    EXPECT_EQ(emphasise(wp, 0, 2.0), 0);
}

}  // namespace
}  // namespace vx::work
