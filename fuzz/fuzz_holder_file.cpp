// Any bytes as a holder file: the holder read from it, put on a tool with lengths, must give
// holder radii that never shrink upward and heights that are never NaN.
#include "sim/tools.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    vx::sim::HolderRecord holder;
    const int found = vx::sim::read_holder_text(holder, bytes);
    if (found != (holder.defined ? 1 : 0) || holder.count < 0 || holder.count > vx::sim::kHolderSections) std::abort();

    vx::sim::ToolRecord tool;
    tool.defined = 1;
    tool.type = vx::sim::kToolFlat;
    tool.d = 6;
    tool.h = 20;
    vx::sim::LengthRecord length;
    length.kind = vx::sim::kLength2;
    length.L = {35, 14, 4, 0, 0, 10};
    vx::sim::ProfileOptions options;
    options.for_cutting = true;
    options.pitch = 0.1;
    options.arbor_clearance = {static_cast<vx::sim::ClearanceMode>(size % 3), 0.5};
    const vx::sim::Profile p = vx::sim::build_profile(tool, length, holder, options);
    for (int i = 1; i <= p.holder_count; ++i)
        if (p.holder_radius[i] < p.holder_radius[i - 1]) std::abort();
    for (int k = 0; k <= 64; ++k) {
        const double r = p.outer * k / 60.0;
        if (std::isnan(vx::sim::holder_height(p, r * r)) || std::isnan(vx::sim::tool_surface(p, r * r).height))
            std::abort();
    }
    return 0;
}
