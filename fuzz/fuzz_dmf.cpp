// Any bytes as a workpiece file and as a model file: opening must load a sound workpiece or leave
// the previous one as it was, and no count in the file may make the reader allocate beyond the
// memory the backend grants. Every height that is loaded must be a number.
#include "platform/platform.h"
#include "sim/workgrid.h"
#include "work/dmf.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// Small enough that a count the file makes up is refused rather than obtained.
constexpr std::uint64_t kGrantedMemory = std::uint64_t{64} << 20;

vx::platform::Answer quiet_message(void*, const vx::platform::Message& m) { return m.unattended; }
std::uint64_t granted_memory(void*) { return kGrantedMemory; }

void check_heights(const float* h, std::int64_t n) {
    for (std::int64_t k = 0; k < n; ++k)
        if (std::isnan(h[k])) std::abort();
}

// A 3 x 3 workpiece that a refused file must leave exactly as it is.
void define_previous(vx::sim::Workpiece& wp) {
    vx::sim::GridGeometry g;
    if (vx::sim::size_grid(g, 0.0, 0.0, 2.0, 2.0, 1.0) != 1 || vx::sim::allocate_workpiece(wp, g, 1) != 1 ||
        vx::sim::define_uniform_body(wp, 7.0, -3.0) != 1)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    vx::platform::install({.show_message = quiet_message, .available_memory = granted_memory});
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const vx::work::DmfSource source = vx::work::DmfSource::from_bytes(bytes);

    vx::sim::Workpiece wp;
    define_previous(wp);
    vx::work::OpenOptions options;
    options.data_level = 1 + static_cast<int>(size % 4);
    options.sharing = size % 5 == 0;
    const char* name = size % 3 == 0 ? "fuzz.DMFZ" : "fuzz.dmf";
    const vx::work::OpenResult result = vx::work::open_workpiece(wp, source, name, options);
    if (result.status == 1) {
        const vx::sim::GridGeometry& g = wp.geometry;
        if (g.nx < 2 || g.ny < 2 || !(g.pitch > 0.0) || !std::isfinite(g.max_x) || !std::isfinite(g.max_y))
            std::abort();
        if (std::isnan(wp.highest) || std::isnan(wp.work_bottom)) std::abort();
        check_heights(wp.height.data, g.cell_count);
    } else if (!result.workpiece_lost) {
        if (wp.geometry.nx != 3 || wp.highest != 7.0 || wp.work_bottom != -3.0 || wp.height.data[8] != 7.0f)
            std::abort();
    }

    // The same bytes as a model on a small grid: straight or resampled.
    vx::sim::GridGeometry grid;
    if (vx::sim::size_grid(grid, -1.0, 0.5, 5.0, 3.0, 0.5) != 1) std::abort();
    std::vector<float> target(static_cast<std::size_t>(grid.cell_count), 1.0f);
    if (vx::work::load_model_heights(grid, source, name, target.data()) == 1)
        check_heights(target.data(), grid.cell_count);
    (void)vx::work::check_model_header(grid, "/nonexistent-vornex-fuzz/model.dmf");

    vx::platform::install(vx::platform::headless_backend());
    return 0;
}
