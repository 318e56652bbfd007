// The workpiece surface as the exports walk it: the top surface as merged rectangles (a flat area
// or a run of cells constant along one axis is one rectangle) and the boundary of each side wall
// as segments (a run of equal heights is one segment). Every rectangle is planar, so two triangles
// over it are exactly the surface the cells' own triangles would make.
#pragma once

#include <cstdint>
#include <vector>

namespace vx::work {

// A rectangle of grid points: corners P0 = (j, i), P1 = (k, i), P2 = (j, m), P3 = (k, m), with
// j < k columns (X) and i < m rows (Y).
struct GridRect {
    std::int32_t j, i, k, m;
};

// Heights by grid point: h(column, row).
struct HeightGrid {
    const float* h;
    std::int32_t nx, ny;
    float at(std::int32_t column, std::int32_t row) const { return h[std::int64_t{row} * nx + column]; }
};

// Hands every rectangle of the top surface to `emit`, rows upward and each row left to right.
// `covered` is the one-byte-per-cell mask the walk keeps (reused between calls).
template <class Emit>
void for_each_top_rectangle(const HeightGrid& g, std::vector<std::uint8_t>& covered, Emit&& emit) {
    const std::int64_t nx = g.nx;
    covered.assign(static_cast<std::size_t>(nx * g.ny), 0);
    for (std::int32_t i = 0; i + 1 < g.ny; ++i) {
        for (std::int32_t j = 0; j + 1 < g.nx; ++j) {
            if (covered[i * nx + j]) continue;
            const float a = g.at(j, i), b = g.at(j + 1, i), c = g.at(j, i + 1), d = g.at(j + 1, i + 1);
            std::int32_t k = j + 1, m = i + 1;
            const bool along_x = a == b && c == d;  // constant along X (flat when also a == c)
            if (along_x && a == c) {
                while (k + 1 < g.nx && !covered[i * nx + k] && g.at(k + 1, i) == a && g.at(k + 1, m) == a) ++k;
                const auto row_flat = [&](std::int32_t row) {
                    for (std::int32_t col = j; col <= k; ++col)
                        if (g.at(col, row) != a) return false;
                    return true;
                };
                while (m < g.ny - 1 && row_flat(m + 1)) ++m;
            } else if (along_x) {
                while (k + 1 < g.nx && !covered[i * nx + k] && g.at(k + 1, i) == a && g.at(k + 1, i + 1) == c) ++k;
            } else if (a == c && b == d) {
                while (m < g.ny - 1 && g.at(j, m + 1) == a && g.at(j + 1, m + 1) == b) ++m;
            }
            for (std::int32_t row = i; row < m; ++row)
                for (std::int32_t col = j; col < k; ++col) covered[row * nx + col] = 1;
            emit(GridRect{j, i, k, m});
        }
    }
}

// One side wall: its boundary points from `first` in steps of (dx, dy), `count` of them.
struct WallWalk {
    std::int32_t column, row, dx, dy, count;
};

// The four walls in their order and with outward faces: Y-minimum from (nx - 1, 0) down to
// (0, 0), X-maximum from (nx - 1, ny - 1) down to (nx - 1, 0), Y-maximum from (0, ny - 1) up to
// (nx - 1, ny - 1), X-minimum from (0, 0) up to (0, ny - 1).
inline std::vector<WallWalk> wall_walks(std::int32_t nx, std::int32_t ny) {
    return {{nx - 1, 0, -1, 0, nx}, {nx - 1, ny - 1, 0, -1, ny}, {0, ny - 1, 1, 0, nx}, {0, 0, 0, 1, ny}};
}

// Hands the wall's segments to `emit(start, end)` as point indices along the walk. A segment runs
// from its start to the current point and ends there when the current point's height differs from
// the start's or from the next point's, or at the last point.
template <class Emit>
void for_each_wall_segment(const HeightGrid& g, const WallWalk& w, Emit&& emit) {
    const auto height = [&](std::int32_t n) { return g.at(w.column + n * w.dx, w.row + n * w.dy); };
    std::int32_t start = 0;
    for (std::int32_t n = 1; n < w.count; ++n) {
        const bool last = n == w.count - 1;
        if (last || height(n) != height(start) || height(n) != height(n + 1)) {
            emit(start, n);
            start = n;
        }
    }
}

}  // namespace vx::work
