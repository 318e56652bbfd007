// New uniform blocks: by two corner points, and by position, size and margins relative to the
// active work coordinate origin. Both end in the grid size rule of every definition.
#include "work/operations.h"

#include "platform/platform.h"

namespace vx::work {

const platform::TextPair kTextTwoPointsTitle{"２点指示による被切削材の定義", "Define Work by 2-Points"};
const platform::TextPair kTextXReversed{"X値の最大最小が逆転しています",
                                        "The maximum and the minimum of X value are reversed."};
const platform::TextPair kTextYReversed{"Y値の最大最小が逆転しています",
                                        "The maximum and the minimum of Y value are reversed."};
const platform::TextPair kTextZReversed{"Z値の最大最小が逆転しています",
                                        "The maximum and the minimum of Z value are reversed."};

namespace {

// The block from `minimum` to `maximum` at `pitch`: counts by the size rule, every height the top.
int define_block(sim::Workpiece& wp, const Vec3& minimum, const Vec3& maximum, double pitch, int data_level) {
    sim::GridGeometry g;
    if (!sim::pitch_entry_acceptable(pitch) ||
        !sim::size_grid(g, minimum.x, minimum.y, maximum.x, maximum.y, pitch))
        return kOpRefused;
    if (!sim::allocate_workpiece_or_report(wp, g, data_level)) return kOpMemory;
    sim::define_uniform_body(wp, maximum.z, minimum.z);
    return kOpDone;
}

}  // namespace

int define_by_two_points(sim::Workpiece& wp, const Vec3& minimum, const Vec3& maximum, double pitch, int data_level) {
    const platform::TextPair* reversed = !(maximum.x > minimum.x)   ? &kTextXReversed
                                         : !(maximum.y > minimum.y) ? &kTextYReversed
                                         : !(maximum.z > minimum.z) ? &kTextZReversed
                                                                    : nullptr;
    if (reversed) {
        platform::show_message({platform::text(kTextTwoPointsTitle), platform::text(*reversed)});
        return kOpRefused;
    }
    return define_block(wp, minimum, maximum, pitch, data_level);
}

int define_by_origin(sim::Workpiece& wp, const OriginDefinition& d, const Vec3& origin, int data_level) {
    Vec3 minimum, maximum;
    for (int axis = 0; axis < 3; ++axis) {
        const double size = d.size[axis];
        const double offset = d.reference[axis] == kReferenceLow ? 0.0 : d.reference[axis] == kReferenceCentre ? -size / 2 : -size;
        minimum[axis] = offset + origin[axis] - d.margin_low[axis];
        maximum[axis] = minimum[axis] + d.margin_low[axis] + size + d.margin_high[axis];
    }
    if (!(maximum.x >= minimum.x) || !(maximum.y >= minimum.y) || !(maximum.z > minimum.z)) return kOpRefused;
    return define_block(wp, minimum, maximum, d.pitch, data_level);
}

}  // namespace vx::work
