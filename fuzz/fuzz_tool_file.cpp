// Any bytes as a tool settings file: reading must finish, and every tool it defines must give a
// profile whose heights are never NaN, whatever numbers the file holds. Holder files are never
// opened: the reader runs on the bytes alone.
#include "platform/encoding.h"
#include "sim/tools.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

void check_profile(const vx::sim::Profile& p) {
    const double radii[] = {0.0, p.c0, p.c1, p.rb, p.rn, p.rk, p.outer, p.outer * 0.5, 1.0, 1e3};
    for (double r : radii) {
        const double d2 = r * r;
        if (std::isnan(vx::sim::tool_surface(p, d2).height) || std::isnan(vx::sim::edge_height(p, d2)) ||
            std::isnan(vx::sim::neck_height(p, d2)) || std::isnan(vx::sim::holder_height(p, d2)) ||
            std::isnan(vx::sim::attachment_height(p, r, -r)))
            std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    vx::sim::ToolTable table;
    vx::sim::allocate_tool_tables(table, 30);
    vx::sim::ToolReadOptions options;
    options.holder_files = false;
    options.base_point = static_cast<vx::sim::ToolBasePoint>(size % 6);
    if (vx::sim::read_tool_text(table, bytes, "/nonexistent-vornex-fuzz/", options) != 1) std::abort();

    vx::sim::Attachment head;
    head.count = 2;
    head.steps[0] = {50, 20};
    head.steps[1] = {80, 40};
    vx::sim::ProfileOptions select;
    select.for_cutting = true;
    select.pitch = 0.1;
    select.arbor_clearance = {static_cast<vx::sim::ClearanceMode>(size % 3), 0.5};
    select.tool_clearance = {vx::sim::ClearanceMode::Pitch, 0};
    select.attachment = &head;
    select.arbor_check = vx::sim::ArborCheck::Abort;
    for (int n = 0; n <= vx::sim::max_tool_number(table); ++n) {
        const vx::sim::ToolEntry& e = table.entries[n];
        if (!e.tool.defined) continue;
        if (e.pen < 0 || e.pen > 7 || !std::isfinite(e.shift) || !std::isfinite(e.tool.d)) std::abort();
        vx::sim::CurrentTool current;
        if (vx::sim::select_tool(current, table, n, select) != 1) std::abort();
        check_profile(current.profile);
        (void)vx::sim::tool_type_name(&e.tool);
        (void)vx::platform::to_utf8(e.tool.name);
    }
    return 0;
}
