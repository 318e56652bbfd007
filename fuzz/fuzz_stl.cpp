// Any bytes as an STL: kind detection, both passes of a workpiece load and the model rasteriser
// must end with a sound workpiece or the previous one untouched, never read or allocate by a count
// the file claims, and never leave a height that is not a number.
#include "platform/platform.h"
#include "sim/workgrid.h"
#include "work/stl_import.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// Small enough that a grid made up by the file's extent is refused rather than obtained.
constexpr std::uint64_t kGrantedMemory = std::uint64_t{64} << 20;
// A coarse pitch keeps the work per triangle small whatever extent the file claims.
constexpr double kPitch = 0.5;

vx::platform::Answer quiet_message(void*, const vx::platform::Message& m) { return m.unattended; }
std::uint64_t granted_memory(void*) { return kGrantedMemory; }

void check_heights(const float* h, std::int64_t n) {
    for (std::int64_t k = 0; k < n; ++k)
        if (std::isnan(h[k])) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    vx::platform::install({.show_message = quiet_message, .available_memory = granted_memory});
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const vx::work::DmfSource source = vx::work::DmfSource::from_bytes(bytes);

    vx::sim::Workpiece wp;
    vx::sim::GridGeometry previous;
    if (vx::sim::size_grid(previous, 0.0, 0.0, 2.0, 2.0, 1.0) != 1 || vx::sim::allocate_workpiece(wp, previous, 1) != 1 ||
        vx::sim::define_uniform_body(wp, 7.0, -3.0) != 1)
        std::abort();
    vx::work::StlOpenOptions options;
    options.pitch = [](double, double, double, double) { return kPitch; };
    if (size % 3 == 0) options.swing = vx::work::Swing{static_cast<int>(size % 4), {1.0, 2.0, 3.0}, 37.0};
    const vx::work::StlOpenResult result = vx::work::open_stl_workpiece(wp, source, "fuzz.stl", options);
    if (result.status == 1) {
        const vx::sim::GridGeometry& g = wp.geometry;
        if (g.nx < 2 || g.ny < 2 || !std::isfinite(g.max_x) || !std::isfinite(g.max_y)) std::abort();
        check_heights(wp.height.data, g.cell_count);
    } else if (!result.workpiece_lost) {
        if (wp.geometry.nx != 3 || wp.highest != 7.0 || wp.height.data[8] != 7.0f) std::abort();
    }

    // The same bytes as a model on a small fixed grid.
    vx::sim::GridGeometry grid;
    if (vx::sim::size_grid(grid, -4.0, -3.0, 5.0, 4.0, 0.25) != 1) std::abort();
    std::vector<float> target(static_cast<std::size_t>(grid.cell_count), 1.0f);
    if (vx::work::stl_model_heights(grid, source, "fuzz.stl", target.data(), -100000.0, -5.0) == 1)
        check_heights(target.data(), grid.cell_count);

    vx::platform::install(vx::platform::headless_backend());
    return 0;
}
