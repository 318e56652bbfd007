#include "work/emphasis.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace vx::work {
namespace {

bool carries(std::uint8_t attribute, int mark) {
    if (mark == kEmphasisPaint) return attribute & sim::kPaintBit;
    return ((attribute & sim::kPenMask) >> sim::kPenShift) == mark;
}

std::uint8_t marked(std::uint8_t attribute, int mark) {
    if (mark == kEmphasisPaint) return attribute | sim::kPaintBit;
    return std::uint8_t((attribute & ~sim::kPenMask) | (mark << sim::kPenShift));
}

}  // namespace

std::int64_t emphasise(sim::Workpiece& wp, int mark, double width) {
    if (!wp.attribute.data || !wp.height.data || mark < 1 || mark > kEmphasisPaint) return 0;
    const sim::GridGeometry& g = wp.geometry;
    const std::int64_t nx = g.nx, ny = g.ny;
    // The sources are read from a copy: a cell marked here must not spread the mark further.
    const std::vector<std::uint8_t> source(wp.attribute.data, wp.attribute.data + nx * ny);
    const int reach = std::max(1, int(width / g.pitch));
    const double width2 = width * width;
    std::int64_t count = 0;
    for (std::int64_t j = 0; j < ny; ++j)
        for (std::int64_t i = 0; i < nx; ++i) {
            const std::int64_t c = j * nx + i;
            if (!carries(source[std::size_t(c)], mark)) continue;
            const double hc = wp.height.data[c];
            for (std::int64_t nj = std::max<std::int64_t>(0, j - reach); nj <= std::min(ny - 1, j + reach); ++nj)
                for (std::int64_t ni = std::max<std::int64_t>(0, i - reach); ni <= std::min(nx - 1, i + reach); ++ni) {
                    const std::int64_t n = nj * nx + ni;
                    const double dx = double(ni - i) * g.pitch, dy = double(nj - j) * g.pitch;
                    const double dz = wp.height.data[n] - hc;
                    if (dx * dx + dy * dy + dz * dz > width2 || carries(wp.attribute.data[n], mark)) continue;
                    wp.attribute.data[n] = marked(wp.attribute.data[n], mark);
                    ++count;
                }
        }
    return count;
}

}  // namespace vx::work
