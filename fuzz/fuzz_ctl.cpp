// Any bytes as a controller definition: reading must not crash, and the written-back offset
// memory must read back as the record held it (within the six decimals the file keeps).
#include "nc/ctl.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

bool close_enough(double written, double held) {
    return std::fabs(written - held) <= 1e-6 + 1e-6 * std::fabs(held);
}

void check_offsets(const vx::nc::Ctl& held, std::string_view bytes, vx::nc::OffsetTable table) {
    vx::nc::Ctl back;
    vx::nc::parse_ctl(vx::nc::offsets_written(bytes, held, table), back);
    const auto& a = table == vx::nc::OffsetTable::D ? held.d : held.h;
    const auto& b = table == vx::nc::OffsetTable::D ? back.d : back.h;
    if (back.offset_memory != held.offset_memory) return;  // a line the write-back moved changed the type
    for (int n = 1; n < vx::nc::kOffsetEntries; ++n) {
        const auto i = static_cast<std::size_t>(n);
        if (!close_enough(b[i].value, a[i].value)) std::abort();
        if (held.offset_memory != 1 && !close_enough(b[i].wear, a[i].wear)) std::abort();
    }
}

void check_work_offsets(const vx::nc::Ctl& held, std::string_view bytes) {
    vx::nc::Ctl back;
    vx::nc::parse_ctl(vx::nc::work_offsets_written(bytes, held), back);
    for (int n = 1; n < vx::nc::kWorkOffsets; ++n) {
        const auto& a = held.work[static_cast<std::size_t>(n)];
        const auto& b = back.work[static_cast<std::size_t>(n)];
        if (!close_enough(b.x, a.x) || !close_enough(b.y, a.y) || !close_enough(b.z, a.z)) std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    vx::nc::Ctl ctl;
    vx::nc::parse_ctl(bytes, ctl);
    check_offsets(ctl, bytes, vx::nc::OffsetTable::D);
    check_offsets(ctl, bytes, vx::nc::OffsetTable::H);
    check_work_offsets(ctl, bytes);
    for (int tab = 0; tab < vx::nc::kOffsetTabs; ++tab) (void)vx::nc::offset_tab_label(tab);
    return 0;
}
