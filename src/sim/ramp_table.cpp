#include "sim/ramp_table.h"

#include <cstdint>
#include <cstring>

namespace vx::sim {

RampTableKey ramp_table_key(const Profile& p, double slope, double pitch) {
    return {p.form, p.rb, p.c0, p.c1, p.cr, p.R2, p.tip_radius, p.bottom_slope, p.side_slope, slope, pitch};
}

RampTable& RampTables::slot(const RampTableKey& key, bool* build) {
    // Slopes of one tool differ in their low bits: mix the slope's bits (a 64-bit finaliser).
    std::uint64_t h;
    std::memcpy(&h, &key.slope, sizeof h);
    h ^= h >> 33;
    h *= 0xff51afd7ed558ccdull;
    h ^= h >> 33;
    Slot& s = slots_[h % kSlots];
    *build = !s.table || !(s.key == key);
    if (!s.table) s.table = std::make_unique<RampTable>();
    if (*build) s.key = key;
    return *s.table;
}

}  // namespace vx::sim
