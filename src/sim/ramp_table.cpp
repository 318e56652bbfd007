#include "sim/ramp_table.h"


namespace vx::sim {

RampTableKey ramp_table_key(const Profile& p, double slope, double pitch) {
    return {p.form, p.rb, p.c0, p.c1, p.cr, p.R2, p.tip_radius, p.bottom_slope, p.side_slope, slope, pitch};
}

RampTable& RampTables::slot(const RampTableKey& key, bool* build) {
    Slot& s = slots_[mixed_bits(key.slope) % kSlots];
    *build = !s.table || !(s.key == key);
    if (!s.table) s.table = std::make_unique<RampTable>();
    if (*build) s.key = key;
    return *s.table;
}

}  // namespace vx::sim
