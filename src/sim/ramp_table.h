// The table of an inclined move's best contact radii (see whole_move_ramp.h), and the tables kept
// across the moves of a run: a finishing program repeats a few hundred slopes over thousands of
// short moves, and for a bull end mill building a table costs as much as a tenth of a move's cells.
#pragma once

#include "sim/profile.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <memory>

namespace vx::sim {

// The bits of a double mixed for a slot index (a 64-bit finaliser): values that differ only in
// their low bits, as the slopes of one program or the cross distances of one move do, spread
// over all slots.
inline std::uint64_t mixed_bits(double v) {
    std::uint64_t h;
    std::memcpy(&h, &v, sizeof h);
    h ^= h >> 33;
    h *= 0xff51afd7ed558ccdull;
    return h ^ (h >> 33);
}

// What a table depends on: the cutting edge, the move's slope (unsigned) and the grid pitch.
struct RampTableKey {
    EdgeForm form = EdgeForm::Flat;
    double rb = 0, c0 = 0, c1 = 0, cr = 0, R2 = 0, tip_radius = 0, bottom_slope = 0, side_slope = 0;
    double slope = 0, pitch = 0;

    bool operator==(const RampTableKey&) const = default;
};

RampTableKey ramp_table_key(const Profile& p, double slope, double pitch);

struct RampTable {
    // Entries: enough for a 6 mm radius at 64 per pitch of 0.1 mm.
    static constexpr int kSize = 4096;
    // best_rho[k] for the cross distance k / scale, k = 0..last; beyond cross_top the touching
    // point is on the rim (rho = rb). cross_top 0: on the rim for every cell, no entries.
    double scale = 0, cross_top = 0;
    double end_margin2 = 0;  // see RampRule::end_margin2
    int last = 0;
    std::array<double, kSize + 1> best_rho;
};

// Recently used tables, one per slot of a hash of the key (a slot holds the last key that hashed
// to it); 256 slots hold the slopes of the example raster four times out of five.
class RampTables {
public:
    // The table for `key`, and whether it must be built (it holds another key's, or none).
    RampTable& slot(const RampTableKey& key, bool* build);

private:
    static constexpr int kSlots = 256;
    struct Slot {
        RampTableKey key;
        std::unique_ptr<RampTable> table;  // allocated at its first use
    };
    std::array<Slot, kSlots> slots_;
};

}  // namespace vx::sim
