#include "sim/checks.h"

#include <gtest/gtest.h>

namespace vx::sim {
namespace {

// ---- What a mode does with a hit ----
// The code asks a mode only through the predicates; one that answered wrongly for a single mode
// would stop a run set to pause, flag cuts that should only be measured, or measure nothing. Each
// mode must do exactly one thing with a hit, and the arbor check's cut mode cuts with the shapes
// without flagging.

// Ignored, measured, cut without a flag, aborting, pausing: exactly one of these per mode.
template <class Mode>
int things_done(Mode m, bool cuts_only) {
    return int(!checked(m)) + int(computes(m)) + int(cuts_only) + int(aborts(m)) + int(pauses(m));
}

TEST(CheckModes, EveryModeDoesExactlyOneThingWithAHit) {
    for (int v = 0; v <= int(ArborCheck::Pause); ++v) {
        const ArborCheck m = ArborCheck(v);
        const bool cuts_only = cuts_with_shapes(m) && !flags_hits(m);
        EXPECT_EQ(things_done(m, cuts_only), 1) << v;
        EXPECT_EQ(flags_hits(m), aborts(m) || pauses(m)) << v;
        EXPECT_EQ(cuts_only, m == ArborCheck::Cut) << v;
        EXPECT_EQ(cuts_with_shapes(m), checked(m) && !computes(m)) << v;  // a flagging mode cuts too
    }
    for (int v = 0; v <= int(LengthCheck::Pause); ++v) {
        const LengthCheck m = LengthCheck(v);
        EXPECT_EQ(things_done(m, false), 1) << v;
        EXPECT_EQ(flags_hits(m), aborts(m) || pauses(m)) << v;
    }
    for (RapidCheck m : {RapidCheck::Off, RapidCheck::Abort, RapidCheck::Pause})
        EXPECT_EQ(int(!checked(m)) + int(aborts(m)) + int(pauses(m)), 1) << int(m);
    for (SpindleCheck m : {SpindleCheck::Off, SpindleCheck::Abort, SpindleCheck::Pause})
        EXPECT_EQ(int(!checked(m)) + int(aborts(m)) + int(pauses(m)), 1) << int(m);
}

}  // namespace
}  // namespace vx::sim
