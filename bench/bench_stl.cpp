// STL export and import at the sizes users meet: a cut 2001 x 2001 grid (200 mm square at 0.1 mm)
// written as binary STL, items = grid cells; and a mesh of one million triangles read onto a
// 0.1 mm grid as the workpiece (kind detection, the measuring pass and the rasterising pass from a
// file), items = triangles.
#include "work/mesh_export.h"
#include "work/stl_import.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

using namespace vx;

constexpr int kSide = 2001;
constexpr double kPitch = 0.1;
constexpr double kTop = 30.0;

// A block cut as a part would be: a rectangular pocket and a round one with flat floors, a ramp
// sloped along Y and a 60 x 60 mm ball-end finished dome in which every cell is sloped.
void cut_part(sim::Workpiece& wp) {
    const auto h = [&](int i, int j) -> float& { return wp.height.data[std::int64_t{j} * kSide + i]; };
    for (int j = 0; j < kSide; ++j)
        for (int i = 0; i < kSide; ++i) {
            const double x = i * kPitch, y = j * kPitch;
            float z = float(kTop);
            if (x > 20 && x < 80 && y > 20 && y < 60) z = 22.0f;
            if (std::hypot(x - 150, y - 40) < 25) z = 18.0f;
            if (x > 20 && x < 180 && y > 80 && y < 110) z = float(kTop - (y - 80) * 0.2);
            const double r = std::hypot(x - 100, y - 160);
            if (std::fabs(x - 100) < 30 && std::fabs(y - 160) < 30) z = float(10.0 + std::sqrt(std::max(0.0, 2500 - r * r)) * 0.3);
            h(i, j) = z;
        }
    wp.modification_state = sim::kModified;
}

void BM_Stl_Export(benchmark::State& state) {
    sim::Workpiece wp;
    sim::GridGeometry g;
    sim::size_grid(g, 0.0, 0.0, (kSide - 1) * kPitch, (kSide - 1) * kPitch, kPitch);
    sim::allocate_workpiece(wp, g, 4);
    sim::define_uniform_body(wp, kTop, 0.0);
    cut_part(wp);
    std::size_t bytes = 0;
    for (auto _ : state) {
        const std::string stl = work::export_bytes(wp, work::ExportFormat::StlLittle, {}, "part.stl");
        bytes = stl.size();
        benchmark::DoNotOptimize(stl.data());
    }
    state.counters["triangles"] = double((bytes - 84) / 50);
    state.SetItemsProcessed(state.iterations() * std::int64_t{kSide} * kSide);
}
BENCHMARK(BM_Stl_Export)->Unit(benchmark::kMillisecond);

// A wavy surface of 500 x 1000 quads of 0.2 mm, two triangles each, as a binary STL file.
constexpr int kQuadsX = 500, kQuadsY = 1000;
constexpr double kQuad = 0.2;

std::string wavy_mesh() {
    std::string out(80, ' ');
    const std::uint32_t count = 2u * kQuadsX * kQuadsY;
    out.append(reinterpret_cast<const char*>(&count), 4);
    out.reserve(84 + std::size_t{count} * 50);
    const auto z = [](int i, int j) { return float(5.0 + std::sin(i * 0.05) * std::cos(j * 0.03) * 3.0); };
    const auto put = [&](float a, float b, float c) {
        const float v[3] = {a, b, c};
        out.append(reinterpret_cast<const char*>(v), 12);
    };
    for (int j = 0; j < kQuadsY; ++j)
        for (int i = 0; i < kQuadsX; ++i) {
            const float x0 = float(i * kQuad), x1 = float((i + 1) * kQuad), y0 = float(j * kQuad), y1 = float((j + 1) * kQuad);
            put(0, 0, 0);  // normals left for the reader to compute
            put(x0, y0, z(i, j)), put(x1, y0, z(i + 1, j)), put(x0, y1, z(i, j + 1));
            out.append(2, '\0');
            put(0, 0, 0);
            put(x1, y1, z(i + 1, j + 1)), put(x0, y1, z(i, j + 1)), put(x1, y0, z(i + 1, j));
            out.append(2, '\0');
        }
    return out;
}

void BM_Stl_Import(benchmark::State& state) {
    char path[] = "/tmp/vornex_bench_stl_XXXXXX";
    const int fd = ::mkstemp(path);
    const std::string mesh = wavy_mesh();
    if (fd < 0 || ::write(fd, mesh.data(), mesh.size()) != ssize_t(mesh.size())) {
        state.SkipWithError("cannot write the mesh file");
        return;
    }
    ::close(fd);
    work::StlOpenOptions options;
    options.data_level = 4;
    options.pitch = [](double, double, double, double) { return kPitch; };
    for (auto _ : state) {
        sim::Workpiece wp;
        const work::StlOpenResult r = work::open_stl_workpiece(wp, path, options);
        if (r.status != 1) state.SkipWithError("the mesh did not load");
        benchmark::DoNotOptimize(wp.height.data);
    }
    ::unlink(path);
    state.SetItemsProcessed(state.iterations() * 2 * kQuadsX * kQuadsY);
}
BENCHMARK(BM_Stl_Import)->Unit(benchmark::kMillisecond);

}  // namespace
