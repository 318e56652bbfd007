// Hand-worked cases of the sweep kernel.
#include "sim/kernel_fixture.h"

#include "base/constants.h"

#include <gtest/gtest.h>

#include <cmath>

namespace vx::sim {
namespace {

using testing::attribute_at;
using testing::height_at;
using testing::make_body;
using testing::make_tool;
using testing::plain_checks;
using testing::tool_record;

SweepStep plunge_at(double x, double y, double z) {
    SweepStep s;
    s.x = x;
    s.y = y;
    s.z = z;
    s.dz = -0.5;
    return s;
}

int count_below(const Workpiece& wp, float top) {
    int n = 0;
    for (int k = 0; k < wp.geometry.cell_count; ++k) n += wp.height.data[k] < top;
    return n;
}

// ---- Tool above the material ----
// A tip level with the highest cell must not cut (a flat bottom at the same height removes
// nothing), and a tip just below it must cut exactly the cells within the blade radius.

TEST(KernelReach, TipAtHighestHeightDoesNothing) {
    auto wp = make_body(21, 21, 1.0, 10.0);
    const CurrentTool tool = make_tool(tool_record(kToolFlat, 10), 1.0);
    KernelContext context;
    SweepResult r;
    sweep_at_position(*wp, tool, plain_checks(), plunge_at(10, 10, 10.0), context, r);
    EXPECT_FALSE(r.changed);
    EXPECT_EQ(count_below(*wp, 10.0f), 0);
    EXPECT_EQ(wp->modification_state, kDefined);
}

TEST(KernelReach, JustBelowCutsOnlyCellsWithinTheRadius) {
    auto wp = make_body(21, 21, 1.0, 10.0);
    const CurrentTool tool = make_tool(tool_record(kToolFlat, 10), 1.0);
    KernelContext context;
    SweepResult r;
    sweep_at_position(*wp, tool, plain_checks(), plunge_at(10, 10, 9.999), context, r);
    EXPECT_TRUE(r.changed);
    EXPECT_EQ(wp->modification_state, kModified);
    EXPECT_EQ(count_below(*wp, 10.0f), 81);  // lattice points with i² + j² <= 25
    EXPECT_EQ(height_at(*wp, 15, 10), float(9.999));  // at the radius exactly
    EXPECT_EQ(height_at(*wp, 14, 14), 10.0f);         // distance sqrt(32) > 5
}

TEST(KernelReach, ShiftLowersTheTip) {
    auto wp = make_body(21, 21, 1.0, 10.0);
    CurrentTool tool = make_tool(tool_record(kToolFlat, 2), 1.0);
    tool.shift = 0.5;
    KernelContext context;
    SweepResult r;
    sweep_at_position(*wp, tool, plain_checks(), plunge_at(10, 10, 10.2), context, r);
    EXPECT_EQ(height_at(*wp, 10, 10), float(10.2 - 0.5));
}

// ---- Cutting direction ----
// The attribute bits and the step direction must follow the side of the path a cell lies on;
// a sign error or swapped offsets turns up-cut into down-cut.

TEST(KernelDirection, PlungeMarksEveryCutCellVertical) {
    auto wp = make_body(21, 21, 0.5, 10.0);
    const CurrentTool tool = make_tool(tool_record(kToolBall, 6, 3), 0.5);
    KernelContext context;
    SweepResult r;
    sweep_at_position(*wp, tool, plain_checks(), plunge_at(5, 5, 9), context, r);
    int cut = 0;
    for (int k = 0; k < wp->geometry.cell_count; ++k)
        if (wp->height.data[k] < 10.0f) {
            ++cut;
            EXPECT_EQ(wp->attribute.data[k] & kCutDirectionMask, kCutVertical << kCutDirectionShift);
        }
    EXPECT_GT(cut, 20);
    EXPECT_EQ(r.step_direction, kStepVertical);
}

SweepStep along_x(double x, double y, double z, double dx) {
    SweepStep s;
    s.x = x;
    s.y = y;
    s.z = z;
    s.dx = dx;
    return s;
}

TEST(KernelDirection, PlusXCutsUpOnTheLeftAndDownOnTheRight) {
    auto wp = make_body(21, 21, 0.5, 10.0);
    const CurrentTool tool = make_tool(tool_record(kToolFlat, 4), 0.5);
    KernelContext context;
    SweepResult r;
    sweep_at_position(*wp, tool, plain_checks(), along_x(5, 5, 9, 0.5), context, r);
    for (int j = 0; j < 21; ++j)
        for (int i = 0; i < 21; ++i) {
            if (height_at(*wp, i, j) == 10.0f) continue;
            const int bits = attribute_at(*wp, i, j) & kCutDirectionMask;
            const double y = j * 0.5;
            if (y > 5) EXPECT_EQ(bits, kCutUp << kCutDirectionShift) << i << "," << j;
            else if (y < 5) EXPECT_EQ(bits, kCutDown << kCutDirectionShift) << i << "," << j;
            else EXPECT_EQ(bits, 0) << i << "," << j;
        }
    EXPECT_EQ(r.step_direction, kStepGeneral);  // cut on both sides
}

TEST(KernelDirection, MinusXSwapsTheSides) {
    auto wp = make_body(21, 21, 0.5, 10.0);
    const CurrentTool tool = make_tool(tool_record(kToolFlat, 4), 0.5);
    KernelContext context;
    SweepResult r;
    sweep_at_position(*wp, tool, plain_checks(), along_x(5, 5, 9, -0.5), context, r);
    EXPECT_EQ(attribute_at(*wp, 10, 13) & kCutDirectionMask, kCutDown << kCutDirectionShift);  // y = 6.5
    EXPECT_EQ(attribute_at(*wp, 10, 7) & kCutDirectionMask, kCutUp << kCutDirectionShift);     // y = 3.5
}

TEST(KernelDirection, CutOnOneSideOnlyGivesThatSidesStepDirection) {
    auto wp = make_body(21, 21, 0.5, 10.0);
    for (int j = 0; j <= 10; ++j)  // y <= 5 already below the tip
        for (int i = 0; i < 21; ++i) wp->height.data[j * 21 + i] = 8.0f;
    const CurrentTool tool = make_tool(tool_record(kToolFlat, 4), 0.5);
    KernelContext context;
    SweepResult r;
    sweep_at_position(*wp, tool, plain_checks(), along_x(5, 5, 9, 0.5), context, r);
    EXPECT_TRUE(r.changed);
    EXPECT_EQ(r.step_direction, kStepUpCut);
}

TEST(KernelDirection, FoldKeepsOneSideAndMixesToGeneral) {
    EXPECT_EQ(fold_direction(kStepNone, kStepDownCut), kStepDownCut);
    EXPECT_EQ(fold_direction(kStepUpCut, kStepUpCut), kStepUpCut);
    EXPECT_EQ(fold_direction(kStepUpCut, kStepVertical), kStepUpCut);
    EXPECT_EQ(fold_direction(kStepUpCut, kStepDownCut), kStepGeneral);
    EXPECT_EQ(fold_direction(kStepDownCut, kStepGeneral), kStepGeneral);
    EXPECT_EQ(fold_direction(kStepGeneral, kStepUpCut), kStepGeneral);
    EXPECT_EQ(fold_direction(kStepVertical, kStepDownCut), kStepVertical);
}

TEST(KernelDirection, RecordingOffWritesOnlyThePenCode) {
    auto wp = make_body(21, 21, 1.0, 10.0);
    for (int k = 0; k < wp->geometry.cell_count; ++k) wp->attribute.data[k] = 0x31;  // old direction and paint
    const CurrentTool tool = make_tool(tool_record(kToolFlat, 2), 1.0);  // pen 3
    KernelContext context;
    SweepResult r;
    SweepStep s = along_x(10, 10, 9, 1.0);
    s.recording = false;
    sweep_at_position(*wp, tool, plain_checks(), s, context, r);
    EXPECT_EQ(attribute_at(*wp, 10, 10), 6);
    EXPECT_EQ(attribute_at(*wp, 10, 11), 6);
    EXPECT_EQ(r.step_direction, kStepNone);
}

// ---- Band mode ----
// A step along X must cut the whole band between the two tool centres to the profile depth at
// the row's distance, leaving no scallop between samples.

TEST(KernelBand, StepAlongXLeavesNoScallops) {
    auto wp = make_body(81, 81, 0.25, 10.0);
    const CurrentTool tool = make_tool(tool_record(kToolBall, 10, 5), 0.25);
    KernelContext context;
    SweepResult r;
    sweep_at_position(*wp, tool, plain_checks(), plunge_at(8, 10, 7), context, r);
    sweep_at_position(*wp, tool, plain_checks(), along_x(10, 10, 7, 2.0), context, r);
    for (int i = 32; i <= 40; ++i)  // X from 8 to 10
        for (int j = 21; j <= 59; ++j) {
            const double dy = 10.0 - j * 0.25;
            const double expected = std::min(10.0, 7.0 + 5.0 - std::sqrt(25.0 - dy * dy));
            EXPECT_NEAR(height_at(*wp, i, j), expected, 1e-5) << i << "," << j;
        }
    // Sampling the same two positions without the band leaves a ridge of 12 - sqrt(15) here.
    EXPECT_NEAR(height_at(*wp, 36, 52), 8.0, 1e-5);
}

TEST(KernelBand, ModesFollowTheStep) {
    EXPECT_EQ(band_mode(kMotionLinear, 17, 1.0, 0.0, 0.0), 1);
    EXPECT_EQ(band_mode(kMotionRapid, -17, -1.0, 0.0, 0.0), -1);
    EXPECT_EQ(band_mode(kMotionLinear, 17, 0.0, 2.0, 0.0), 2);
    EXPECT_EQ(band_mode(kMotionLinear, 17, 0.0, -2.0, 0.0), -2);
    EXPECT_EQ(band_mode(kMotionLinear, 17, 1.0, 1.0, 0.0), 0);
    EXPECT_EQ(band_mode(kMotionLinear, 17, 1.0, 0.0, -0.1), 0);
    EXPECT_EQ(band_mode(kMotionArcCw, 17, 1.0, 0.0, 0.0), 0);
    EXPECT_EQ(band_mode(kMotionLinear, 18, 1.0, 0.0, 0.0), 0);
    EXPECT_EQ(band_mode(kMotionLinear, 17, 0.0, 0.0, 0.0), 0);
}

// ---- Volume ----
// Cells on the grid's border stand for half (edge) or a quarter (corner) of a cell's area; the
// short-move correction scales only the cells near the blade's rim.

double volume_of_unit_cut(double x, double y) {
    auto wp = make_body(11, 11, 1.0, 10.0);
    const CurrentTool tool = make_tool(tool_record(kToolFlat, 1), 1.0);  // reaches one cell
    KernelContext context;
    SweepResult r;
    SweepStep s = plunge_at(x, y, 9.0);
    s.sum_volume = true;
    sweep_at_position(*wp, tool, plain_checks(), s, context, r);
    return r.volume;
}

TEST(KernelVolume, BorderCellsWeighLess) {
    EXPECT_DOUBLE_EQ(volume_of_unit_cut(0, 0), 0.25);
    EXPECT_DOUBLE_EQ(volume_of_unit_cut(10, 10), 0.25);
    EXPECT_DOUBLE_EQ(volume_of_unit_cut(5, 0), 0.5);
    EXPECT_DOUBLE_EQ(volume_of_unit_cut(0, 5), 0.5);
    EXPECT_DOUBLE_EQ(volume_of_unit_cut(5, 5), 1.0);
}

TEST(KernelVolume, NotSummedUnlessAsked) {
    auto wp = make_body(11, 11, 1.0, 10.0);
    const CurrentTool tool = make_tool(tool_record(kToolFlat, 4), 1.0);
    KernelContext context;
    SweepResult r;
    sweep_at_position(*wp, tool, plain_checks(), plunge_at(5, 5, 9), context, r);
    EXPECT_TRUE(r.changed);
    EXPECT_EQ(r.volume, 0.0);
}

TEST(KernelVolume, MomentAndShortMoveCorrection) {
    auto wp = make_body(11, 11, 1.0, 10.0);
    const CurrentTool tool = make_tool(tool_record(kToolFlat, 2), 1.0);  // centre and its 4 neighbours
    KernelContext context;
    SweepResult r;
    SweepStep s = plunge_at(5, 5, 9);
    s.sum_volume = s.sum_moment = true;
    sweep_at_position(*wp, tool, plain_checks(), s, context, r);
    EXPECT_DOUBLE_EQ(r.volume, 5.0);
    EXPECT_DOUBLE_EQ(r.moment, 4.0);  // four cells at r = 1
    auto wp2 = make_body(11, 11, 1.0, 10.0);
    s.short_move = true;
    s.move_length = 0.01;    // depth 1 > 5 x 0.01
    s.move_length_xy = 0.5;  // rb - r < 0.5 only for the rim cells: each scaled by 0.5²
    sweep_at_position(*wp2, tool, plain_checks(), s, context, r);
    EXPECT_DOUBLE_EQ(r.volume, 1.0 + 4 * 0.25);
}

// ---- Rapid moves ----
// A rapid into material still cuts and raises the rapid interference; the clearance test sees
// material within the margin without cutting it.

TEST(KernelRapid, RapidIntoMaterialCutsAndRaisesInterference) {
    auto wp = make_body(11, 11, 1.0, 10.0);
    const CurrentTool tool = make_tool(tool_record(kToolFlat, 2), 1.0);
    KernelContext context;
    SweepResult r;
    SweepStep s = plunge_at(5, 5, 9);
    s.motion = kMotionRapid;
    Checks checks = plain_checks();
    checks.rapid = RapidCheck::Abort;
    sweep_at_position(*wp, tool, checks, s, context, r);
    EXPECT_EQ(height_at(*wp, 5, 5), 9.0f);
    EXPECT_TRUE(r.rapid_interference);
    EXPECT_EQ(r.interference_state, 2);
    EXPECT_EQ(r.extent.tool, 7);
    EXPECT_DOUBLE_EQ(r.extent.nearest, 0.0);
    EXPECT_DOUBLE_EQ(r.extent.farthest, 1.0);
    EXPECT_TRUE(attribute_at(*wp, 3, 5) & kPaintBit);   // 3 x 3 around (4, 5)
    EXPECT_FALSE(attribute_at(*wp, 3, 3) & kPaintBit);  // two cells from every cut cell
}

TEST(KernelRapid, FeedAtRapidFeedrateCountsAsRapid) {
    auto wp = make_body(11, 11, 1.0, 10.0);
    const CurrentTool tool = make_tool(tool_record(kToolFlat, 2), 1.0);
    KernelContext context;
    SweepResult r;
    SweepStep s = plunge_at(5, 5, 9);
    s.feed = kRapidFeedrateNone;
    sweep_at_position(*wp, tool, plain_checks(), s, context, r);
    EXPECT_TRUE(r.rapid_interference);
    Checks off = plain_checks();
    off.rapid = RapidCheck::Off;
    s.z = 8;
    sweep_at_position(*wp, tool, off, s, context, r);
    EXPECT_TRUE(r.changed);
    EXPECT_FALSE(r.rapid_interference);
}

// An unreadable RAPID FEEDRATE gives 0: a feed must not then count as rapid, or every cut of
// the run would stop it as a rapid interference.
TEST(KernelRapid, ZeroRapidFeedrateMakesNoFeedRapid) {
    auto wp = make_body(11, 11, 1.0, 10.0);
    const CurrentTool tool = make_tool(tool_record(kToolFlat, 2), 1.0);
    KernelContext context;
    SweepResult r;
    Checks zero = plain_checks();
    zero.rapid_feedrate = 0.0;
    SweepStep s = plunge_at(5, 5, 9);
    s.feed = 500;
    sweep_at_position(*wp, tool, zero, s, context, r);
    EXPECT_TRUE(r.changed);
    EXPECT_FALSE(r.rapid_interference);
    EXPECT_TRUE(rapid_class(kMotionRapid, 0, 0.0));  // a rapid stays a rapid
}

TEST(KernelRapid, ClearanceTestReachesMaterialOutsideTheBlade) {
    auto wp = make_body(21, 21, 0.5, 10.0);
    for (int j = 0; j < 21; ++j)
        for (int i = 0; i < 21; ++i)
            if (std::hypot(i * 0.5 - 5, j * 0.5 - 5) <= 2.3) wp->height.data[j * 21 + i] = 8.0f;
    const Clearance one{ClearanceMode::Value, 1.0};
    const CurrentTool tool = make_tool(tool_record(kToolFlat, 4), 0.5);
    Checks checks = plain_checks();
    checks.rapid = RapidCheck::Off;
    checks.tool_clearance = one;
    KernelContext context;
    SweepResult r;
    SweepStep s = plunge_at(5, 5, 9);
    s.motion = kMotionRapid;
    sweep_at_position(*wp, tool, checks, s, context, r);
    EXPECT_FALSE(r.changed);     // nothing within the blade radius is above the tip
    EXPECT_EQ(r.rapid_state, 1);  // the ring at 2.5 lies within radius 2 + 1
    EXPECT_DOUBLE_EQ(r.extent.nearest, 2.5);
    checks.tool_clearance = {};
    sweep_at_position(*wp, tool, checks, s, context, r);
    EXPECT_EQ(r.rapid_state, 0);
    checks.tool_clearance = one;
    s.recording = false;
    sweep_at_position(*wp, tool, checks, s, context, r);
    EXPECT_EQ(r.rapid_state, 0);
}

// ---- Zones outside the cutting edge ----
// The holder and the neck cut only when the arbor/taper check cuts with the shapes, mark the
// cell's paint bit in the cut mode and raise their flag in the abort mode; a neck without a holder
// must still be searched.

struct HolderTool {
    LengthRecord length;
    HolderRecord holder;
    HolderTool() {
        length.kind = kLength1;
        length.L[0] = 2;  // holder face 2 above the tip
        holder.defined = 1;
        holder.count = 1;
        holder.diameters[0] = 10;
        holder.heights[0] = 5;
    }
};

TEST(KernelZones, HolderIgnoredCutOrFlaggedByMode) {
    const HolderTool h;
    const CurrentTool tool = make_tool(tool_record(kToolFlat, 4), 1.0, h.length, h.holder);
    for (ArborCheck mode : {ArborCheck::Ignore, ArborCheck::Compute, ArborCheck::Cut, ArborCheck::Abort}) {
        auto wp = make_body(21, 21, 1.0, 10.0);
        Checks checks = plain_checks();
        checks.arbor = mode;
        KernelContext context;
        SweepResult r;
        sweep_at_position(*wp, tool, checks, plunge_at(10, 10, 7), context, r);
        const bool cut = mode == ArborCheck::Cut || mode == ArborCheck::Abort;
        const bool flagged = mode == ArborCheck::Abort;
        const int m = int(mode);
        EXPECT_EQ(height_at(*wp, 10, 10), 7.0f) << m;             // blade
        const float holder_cell = height_at(*wp, 14, 10);        // r = 4: holder zone
        EXPECT_EQ(holder_cell, cut ? 9.0f : 10.0f) << m;
        EXPECT_EQ(height_at(*wp, 16, 10), 10.0f) << m;           // r = 6: beyond the holder
        EXPECT_EQ(r.holder, flagged) << m;
        EXPECT_EQ(r.interference_state, flagged ? 2 : 0) << m;
        if (mode == ArborCheck::Cut) {
            EXPECT_TRUE(attribute_at(*wp, 14, 10) & kPaintBit);
            EXPECT_FALSE(attribute_at(*wp, 10, 10) & kPaintBit);
        }
        if (mode == ArborCheck::Abort) {
            EXPECT_DOUBLE_EQ(r.extent.nearest, std::sqrt(5.0));
            EXPECT_DOUBLE_EQ(r.extent.nearest_height, 2.0);
            EXPECT_DOUBLE_EQ(r.extent.farthest, 5.0);
        }
    }
}

// A holder whose nose stays above the material widens nothing: the search covers the blade
// only, and the same holder searched once its nose is low enough covers it again.
TEST(KernelZones, HolderAboveTheMaterialIsNotSearched) {
    const HolderTool h;
    const CurrentTool tool = make_tool(tool_record(kToolFlat, 4), 1.0, h.length, h.holder);
    Checks checks = plain_checks();
    checks.arbor = ArborCheck::Abort;
    const auto examined = [&](double z) {
        auto wp = make_body(41, 41, 1.0, 10.0);
        KernelContext context;
        SweepResult r;
        sweep_at_position(*wp, tool, checks, plunge_at(20, 20, z), context, r);
        return r.cells_examined;
    };
    EXPECT_LE(examined(8.5), 5 * 5);   // face at 10.5, above the top at 10: blade radius 2
    EXPECT_GE(examined(7.0), 9 * 9);   // face at 9: the nose's radius 5
}

LengthRecord neck_length() {
    LengthRecord l;
    l.kind = kLength2;
    l.L = {20, 1, 2, 0, 0, 8};  // neck from height 1 at r = 2 rising 2 to r = 4
    return l;
}

TEST(KernelZones, NeckWithoutHolderRaisesTaper) {
    const CurrentTool tool = make_tool(tool_record(kToolFlat, 4), 1.0, neck_length());
    auto wp = make_body(21, 21, 1.0, 10.0);
    Checks checks = plain_checks();
    checks.arbor = ArborCheck::Abort;
    KernelContext context;
    SweepResult r;
    sweep_at_position(*wp, tool, checks, plunge_at(10, 10, 7), context, r);
    EXPECT_TRUE(r.taper);
    EXPECT_EQ(height_at(*wp, 13, 10), float(7.0 + 1.0 + 1.0));  // r = 3: L2 + (3 - 2) x slope 1
}

// A neck cell at the blade radius makes Lt impossible (the neck has no width there to rise
// over). The tip stands 1e-10 mm beside these columns, so the column 20 further lies just
// beyond the closed rim, in the neck: that must not become a width of 1e-10 and an Lt of 1e10.
// Row 10 of 21 keeps the other cells at the radius (rows 30 and -10, -2 and 22, -6 and 26) off
// the grid.
TEST(KernelZones, NeckCellAtTheBladeRadiusMakesTheSecondLengthImpossible) {
    const CurrentTool tool = make_tool(tool_record(kToolBall, 4, 2), 0.1, neck_length());
    Checks checks = plain_checks();
    checks.arbor = ArborCheck::Compute;
    for (const int column : {4, 9, 21, 26}) {
        auto wp = make_body(61, 21, 0.1, 10.0);
        KernelContext context;
        SweepResult r;
        sweep_at_position(*wp, tool, checks, plunge_at(wp->coordinate.data[column] - 1e-10, wp->coordinate.data[10], 7), context,
                          r);
        EXPECT_EQ(r.required.second_length, -1.0) << "tip column " << column;
    }
}

TEST(KernelZones, ComputeModeCollectsNeckNeedsWithoutCutting) {
    const CurrentTool tool = make_tool(tool_record(kToolFlat, 4), 1.0, neck_length());
    auto wp = make_body(21, 21, 1.0, 10.0);
    Checks checks = plain_checks();
    checks.arbor = ArborCheck::Compute;
    KernelContext context;
    SweepResult r;
    sweep_at_position(*wp, tool, checks, plunge_at(10, 10, 7), context, r);
    EXPECT_EQ(height_at(*wp, 13, 10), 10.0f);
    EXPECT_FALSE(r.taper);
    // The nearest neck cells lie at sqrt(5), 3 above the tip: the neck rises sqrt(5) - 2 there.
    const double rho = std::sqrt(5.0);
    EXPECT_NEAR(r.required.neck_length, 3.0 - (rho - 2.0), 1e-12);
    EXPECT_NEAR(r.required.second_length, (4.0 - 2.0) * (3.0 - 1.0) / (rho - 2.0), 1e-9);
}

TEST(KernelZones, ComputeModeCollectsProtrusion) {
    const HolderTool h;
    const CurrentTool tool = make_tool(tool_record(kToolFlat, 4), 1.0, h.length, h.holder);
    auto wp = make_body(21, 21, 1.0, 10.0);
    Checks checks = plain_checks();
    checks.arbor = ArborCheck::Compute;
    KernelContext context;
    SweepResult r;
    sweep_at_position(*wp, tool, checks, plunge_at(10, 10, 7), context, r);
    EXPECT_DOUBLE_EQ(r.required.protrusion, 3.0);  // cells 3 above the tip, a flat holder face
    EXPECT_EQ(height_at(*wp, 14, 10), 10.0f);
}

// ---- Checks inside the cutting edge ----

TEST(KernelChecks, EffectiveLengthStopsOrMeasures) {
    const CurrentTool tool = make_tool(tool_record(kToolFlat, 4, 0, 1.0), 1.0);
    for (LengthCheck mode : {LengthCheck::Off, LengthCheck::Compute, LengthCheck::Abort}) {
        auto wp = make_body(21, 21, 1.0, 10.0);
        Checks checks = plain_checks();
        checks.height = mode;
        KernelContext context;
        SweepResult r;
        sweep_at_position(*wp, tool, checks, plunge_at(10, 10, 8), context, r);
        EXPECT_EQ(r.length, mode == LengthCheck::Abort) << int(mode);  // 10 > 8 + 1
        EXPECT_DOUBLE_EQ(r.required.blade_length, mode == LengthCheck::Compute ? 2.0 : 0.0) << int(mode);
        EXPECT_EQ(height_at(*wp, 10, 10), 8.0f);
    }
}

TEST(KernelChecks, VerticalMillCuttingInsideItsInnerRadius) {
    ToolRecord v = tool_record(kToolVertical, 10);
    v.vertical_width = 3;  // non-cutting inside r = 2
    const CurrentTool tool = make_tool(v, 1.0);
    auto wp = make_body(21, 21, 1.0, 10.0);
    Checks checks = plain_checks();
    checks.chip = LengthCheck::Abort;
    KernelContext context;
    SweepResult r;
    sweep_at_position(*wp, tool, checks, plunge_at(10, 10, 9), context, r);
    EXPECT_TRUE(r.chip);
    // (12, 10) at r = 2 is not flagged and is cut after its flagged neighbour (11, 10): it keeps
    // the neighbour's mark; (13, 10) lies two cells from every flagged cell.
    EXPECT_TRUE(attribute_at(*wp, 12, 10) & kPaintBit);
    EXPECT_FALSE(attribute_at(*wp, 13, 10) & kPaintBit);

    auto wp2 = make_body(21, 21, 1.0, 10.0);
    checks.chip = LengthCheck::Compute;
    sweep_at_position(*wp2, tool, checks, plunge_at(10, 10, 9), context, r);
    EXPECT_FALSE(r.chip);
    EXPECT_DOUBLE_EQ(r.required.tip_width, 5.0);  // half - 0 at the axis
}

TEST(KernelChecks, RadiusMillCentreFlatMeasuredNotCut) {
    ToolRecord m = tool_record(kToolRadius, 10, 2);
    m.e = 1;
    m.f = 0.5;
    const CurrentTool tool = make_tool(m, 1.0);
    auto wp = make_body(21, 21, 1.0, 10.0);
    Checks checks = plain_checks();
    checks.chip = LengthCheck::Compute;
    KernelContext context;
    SweepResult r;
    sweep_at_position(*wp, tool, checks, plunge_at(10, 10, 9), context, r);
    EXPECT_EQ(height_at(*wp, 10, 10), 10.0f);
    EXPECT_DOUBLE_EQ(r.required.centre_height, 10.0 - (9.0 + 0.5));
    EXPECT_LT(height_at(*wp, 14, 10), 10.0f);  // outside the flat it cuts
    checks.chip = LengthCheck::Abort;
    sweep_at_position(*wp, tool, checks, plunge_at(10, 10, 9), context, r);
    EXPECT_TRUE(r.chip);
    EXPECT_EQ(height_at(*wp, 10, 10), 9.5f);
}

// ---- Layers and marks ----

TEST(KernelLayers, PenLineNumberAndPaintAround) {
    auto wp = make_body(11, 11, 1.0, 10.0);
    const CurrentTool tool = make_tool(tool_record(kToolFlat, 2), 1.0);
    KernelContext context;
    SweepResult r;
    SweepStep s = plunge_at(5, 5, 9);
    s.line_number = -42;
    s.paint = true;
    s.watched_cell = 5 * 11 + 6;
    sweep_at_position(*wp, tool, plain_checks(), s, context, r);
    EXPECT_EQ(attribute_at(*wp, 5, 5) & kPenMask, 3 << kPenShift);
    EXPECT_EQ(wp->line_number.data[5 * 11 + 5], -42);
    EXPECT_EQ(wp->line_number.data[5 * 11 + 7], 0);
    EXPECT_TRUE(r.watched);
    for (int j = 0; j < 11; ++j)
        for (int i = 0; i < 11; ++i) {
            const bool near_cut = std::abs(i - 5) + std::abs(j - 5) <= 3 && std::abs(i - 5) <= 2 && std::abs(j - 5) <= 2;
            EXPECT_EQ(bool(attribute_at(*wp, i, j) & kPaintBit), near_cut) << i << "," << j;
            EXPECT_FALSE(attribute_at(*wp, i, j) & kPendingMarkBit);
        }
}

TEST(KernelLayers, NoLineLayerAtDataLevelFour) {
    auto wp = make_body(11, 11, 1.0, 10.0, 4);
    const CurrentTool tool = make_tool(tool_record(kToolFlat, 2), 1.0);
    KernelContext context;
    SweepResult r;
    sweep_at_position(*wp, tool, plain_checks(), plunge_at(5, 5, 9), context, r);
    EXPECT_EQ(height_at(*wp, 5, 5), 9.0f);
}

TEST(KernelLayers, ProjectedBoundsGrowWithinAMove) {
    auto wp = make_body(21, 11, 1.0, 10.0);
    const CurrentTool tool = make_tool(tool_record(kToolFlat, 2), 1.0);
    KernelContext context;
    const ScreenProjection screen{1, 0, 0, 0, 0, 1, 0, 0};  // screen = grid X, Y
    SweepResult r;
    SweepStep s = plunge_at(5, 5, 9);
    s.projection = &screen;
    sweep_at_position(*wp, tool, plain_checks(), s, context, r);
    EXPECT_EQ(r.bounds.min_x, 4);
    EXPECT_EQ(r.bounds.max_x, 6);
    EXPECT_EQ(screen_x(*wp)[5 * 21 + 6], 6);
    s.x = 8;
    s.run_type = kRunMoveStep;
    s.step_number = 2;
    sweep_at_position(*wp, tool, plain_checks(), s, context, r);
    EXPECT_EQ(r.bounds.min_x, 4);
    EXPECT_EQ(r.bounds.max_x, 9);
    s.x = 15;
    s.step_number = 1;  // a new move
    sweep_at_position(*wp, tool, plain_checks(), s, context, r);
    EXPECT_EQ(r.bounds.min_x, 14);
    s.run_type = kRunOptimise;
    s.x = 2;
    sweep_at_position(*wp, tool, plain_checks(), s, context, r);
    EXPECT_EQ(r.bounds.min_x, 14);  // optimisation runs do not refresh the screen
}

// The view redraws the blocks of the cells a step reports: they must be every cell the step
// lowered, and only the step's, or a long move would redraw its whole box at every step.
TEST(KernelLayers, EachStepReportsTheCellsItLowered) {
    auto wp = make_body(21, 11, 1.0, 10.0);
    const CurrentTool tool = make_tool(tool_record(kToolFlat, 2), 1.0);
    KernelContext context;
    const ScreenProjection screen{1, 0, 0, 0, 0, 1, 0, 0};
    SweepResult r;
    const auto expect_cells = [&](int i0, int i1, int j0, int j1) {
        EXPECT_EQ(r.bounds.cells.first_i, i0);
        EXPECT_EQ(r.bounds.cells.last_i, i1);
        EXPECT_EQ(r.bounds.cells.first_j, j0);
        EXPECT_EQ(r.bounds.cells.last_j, j1);
    };
    SweepStep s = plunge_at(5, 5, 9);
    s.projection = &screen;
    sweep_at_position(*wp, tool, plain_checks(), s, context, r);
    expect_cells(4, 6, 4, 6);
    s.x = 8, s.y = 6;
    s.run_type = kRunMoveStep;
    s.step_number = 2;
    sweep_at_position(*wp, tool, plain_checks(), s, context, r);
    expect_cells(7, 9, 5, 7);
    EXPECT_EQ(r.bounds.min_x, 4);  // while the screen box spans the move
    sweep_at_position(*wp, tool, plain_checks(), s, context, r);  // the same cut again lowers nothing
    EXPECT_LT(r.bounds.cells.last_i, r.bounds.cells.first_i);
    EXPECT_LT(r.bounds.cells.last_j, r.bounds.cells.first_j);
}

TEST(KernelLayers, ToolBeyondTheGridDoesNothing) {
    auto wp = make_body(11, 11, 1.0, 10.0);
    const CurrentTool tool = make_tool(tool_record(kToolFlat, 2), 1.0);
    KernelContext context;
    SweepResult r;
    EXPECT_EQ(sweep_at_position(*wp, tool, plain_checks(), plunge_at(-3, 5, 9), context, r), 0);
    EXPECT_EQ(sweep_at_position(*wp, tool, plain_checks(), plunge_at(5, 13, 9), context, r), 0);
    EXPECT_EQ(sweep_at_position(*wp, tool, plain_checks(), plunge_at(std::nan(""), 5, 9), context, r), 0);
    EXPECT_EQ(count_below(*wp, 10.0f), 0);
    EXPECT_EQ(sweep_at_position(*wp, tool, plain_checks(), plunge_at(-0.5, 5, 9), context, r), 1);
    EXPECT_EQ(height_at(*wp, 0, 5), 9.0f);
}

// ---- Scribing ----
// A scribing tool marks a line of its depth below the backup surface on feed moves only.

TEST(KernelScribe, MarksBelowTheBackupOnFeedMovesOnly) {
    ToolRecord k = tool_record(kToolKegaki, 1, 0, 0.2);
    const CurrentTool tool = make_tool(k, 1.0);
    for (int level : {1, 3}) {  // level 3 keeps no backup: the work top serves
        auto wp = make_body(11, 11, 1.0, 10.0, level);
        take_backup(*wp);
        KernelContext context;
        const ScreenProjection screen{1, 0, 0, 0, 0, 1, 0, 0};
        SweepResult r;
        SweepStep s = plunge_at(5, 5, 3.0);  // the tip height does not matter
        s.projection = &screen;
        s.motion = kMotionRapid;
        sweep_at_position(*wp, tool, plain_checks(), s, context, r);
        EXPECT_EQ(height_at(*wp, 5, 5), 10.0f);
        s.motion = kMotionLinear;
        s.feed = 500;
        sweep_at_position(*wp, tool, plain_checks(), s, context, r);
        EXPECT_EQ(height_at(*wp, 5, 5), float(10.0 - 0.2f)) << level;
        EXPECT_EQ(height_at(*wp, 6, 5), 10.0f);
        EXPECT_EQ(attribute_at(*wp, 5, 5), 6);
        EXPECT_NEAR(r.volume, 0.2, 1e-6);
        EXPECT_EQ(r.bounds.min_x, 5);
        EXPECT_EQ(r.bounds.max_y, 5);
        sweep_at_position(*wp, tool, plain_checks(), s, context, r);
        EXPECT_FALSE(r.changed);  // already at the mark's depth
    }
}

}  // namespace
}  // namespace vx::sim
