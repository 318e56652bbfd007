#include "sim/workgrid.h"

#include "platform/language.h"
#include "support/recording_backend.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

namespace vx::sim {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

struct EnglishTexts {
    EnglishTexts() { platform::set_english(true); }
    ~EnglishTexts() { platform::set_english(false); }
};

// A uniform body of nx x ny points at `pitch`, top 10 and bottom 0.
void make_body(Workpiece& wp, double nx, double ny, double pitch = 1.0, int level = 1) {
    GridGeometry g;
    ASSERT_EQ(size_grid(g, 0.0, 0.0, (nx - 1) * pitch, (ny - 1) * pitch, pitch), 1);
    ASSERT_EQ(allocate_workpiece(wp, g, level), 1);
    ASSERT_EQ(define_uniform_body(wp, 10.0, 0.0), 1);
}

// Loads a merge model of the given heights through the Z-value entry.
void load_merge_model(Workpiece& wp, const std::vector<float>& heights) {
    ASSERT_EQ(calculate_z_values(wp, ZTarget::Merge, [&](const GridGeometry&, float* h, double) {
                  std::copy(heights.begin(), heights.end(), h);
                  return 1;
              }), 1);
}

// ---- Sizing: the count rounds the span to whole pitches, never drops below 2, never overflows ----

TEST(WorkgridSizing, RoundsSpanToNearestCountAndRecomputesMaxima) {
    struct Case { double origin, max, pitch; int n; double max_out; };
    const Case cases[] = {{5.0, 5.3, 1.0, 2, 6.0},      // 0.3 wide: the 2-point minimum
                          {-2.0, 8.4, 1.0, 11, 8.0},    // 10.4 rounds down
                          {5.0, 15.5, 1.0, 12, 16.0},   // 10.5 rounds up
                          {5.0, 15.5, 0.25, 43, 15.5}}; // 42 whole pitches
    GridGeometry g;
    for (const Case& c : cases) {
        ASSERT_EQ(size_grid(g, c.origin, 0.0, c.max, 2.0, c.pitch), 1);
        EXPECT_EQ(g.nx, c.n) << c.max;
        EXPECT_DOUBLE_EQ(g.max_x, c.max_out) << c.max;
    }
    EXPECT_EQ(g.ny, 9);  // 2.0 at 0.25
    EXPECT_EQ(g.last_column, 42);
    EXPECT_EQ(g.last_row, 8);
    EXPECT_EQ(g.cell_count, 43 * 9);
    EXPECT_DOUBLE_EQ(g.pitch_squared, 0.0625);
}

TEST(WorkgridSizing, RefusesBadInputAndLeavesGeometryUntouched) {
    GridGeometry g;
    ASSERT_EQ(size_grid(g, 1.0, 2.0, 4.0, 6.0, 0.5), 1);
    for (double pitch : {0.0, -1.0, kNaN, kInf}) EXPECT_EQ(size_grid(g, 0, 0, 10, 10, pitch), 0);
    EXPECT_EQ(size_grid(g, kNaN, 0, 10, 10, 1.0), 0);
    EXPECT_EQ(size_grid(g, 0, 0, 10, kInf, 1.0), 0);
    EXPECT_EQ(g.nx, 7);
    EXPECT_EQ(g.pitch, 0.5);
    EXPECT_EQ(g.origin_x, 1.0);
    // The pitch dialog refuses what sizing would.
    EXPECT_EQ(pitch_entry_acceptable(0.0), 0);
    EXPECT_EQ(pitch_entry_acceptable(-0.1), 0);
    EXPECT_EQ(pitch_entry_acceptable(0.001), 1);
}

TEST(WorkgridSizing, CapsCountsInsteadOfOverflowing) {
    GridGeometry g;
    ASSERT_EQ(size_grid(g, 0, 0, 1e300, 1e12, 1e-3), 1);  // quotients far beyond int32
    EXPECT_EQ(g.nx, INT32_MAX);
    EXPECT_EQ(g.cell_count, INT32_MAX);
}

// ---- Automatic pitch: first list entry within the target, then the minimum, then beyond 10 ----

TEST(WorkgridAutoPitch, TakesFirstEntryWithinTarget) {
    // 100 x 100 mm: 0.5 gives 201² = 40401 points, 1.0 gives 101² = 10201.
    EXPECT_DOUBLE_EQ(automatic_pitch(0, 0, 100, 100, 20000, 0.001), 1.0);
    // 99 x 99 mm at 1.0 gives exactly 100² = 10000: the boundary fits; one fewer takes 1.5 (67²).
    EXPECT_DOUBLE_EQ(automatic_pitch(0, 0, 99, 99, 10000, 0.0), 1.0);
    EXPECT_DOUBLE_EQ(automatic_pitch(0, 0, 99, 99, 9999, 0.0), 1.5);
    EXPECT_DOUBLE_EQ(automatic_pitch(0, 0, 0.1, 0.1, 20000, 0.0), 0.001);  // 101² fits
    // A positive minimum pitch not finer than the choice replaces it.
    EXPECT_DOUBLE_EQ(automatic_pitch(0, 0, 100, 100, 20000, 1.2), 1.2);
    EXPECT_DOUBLE_EQ(automatic_pitch(0, 0, 100, 100, 20000, 0.7), 1.0);
}

TEST(WorkgridAutoPitch, BeyondTenTakesSmallestFittingMultiple) {
    // 1000 mm for at most 100 points: 100 gives 11² = 121, 110 gives trunc(9.09 + 1.5)² = 100.
    EXPECT_DOUBLE_EQ(automatic_pitch(0, 0, 1000, 1000, 100, 0.0), 110.0);
    // No grid has fewer than 2 x 2 points: the search still ends, at a pitch giving that grid.
    const double p = automatic_pitch(0, 0, 1000, 1000, 3, 0.0);
    EXPECT_EQ(std::trunc(1000 / p + 1.5), 2.0);
    EXPECT_TRUE(std::isfinite(automatic_pitch(0, 0, 1e300, 1e300, 4, 0.0)));
}

// ---- Allocation: the right layers per data level, reuse, and failing cleanly ----

TEST(WorkgridAllocation, LayersFollowDataLevel) {
    for (int level = 1; level <= 4; ++level) {
        Workpiece wp;
        make_body(wp, 4, 3, 1.0, level);
        EXPECT_NE(wp.height.data, nullptr);
        EXPECT_NE(wp.attribute.data, nullptr);
        EXPECT_GE(wp.screen_position.capacity, 24);  // x and y arrays of 12 each
        EXPECT_EQ(has_backup_layer(wp), level <= 2) << level;
        EXPECT_EQ(has_line_layer(wp), level == 1 || level == 3) << level;
    }
}

TEST(WorkgridAllocation, ReusesLargeEnoughArraysAndReleasesUnneededLayers) {
    Workpiece wp;
    make_body(wp, 10, 10);
    const float* heights = wp.height.data;
    const std::int32_t* lines = wp.line_number.data;
    make_body(wp, 5, 6);
    EXPECT_EQ(wp.height.data, heights);
    EXPECT_EQ(wp.line_number.data, lines);
    EXPECT_EQ(wp.geometry.cell_count, 30);
    make_body(wp, 5, 6, 1.0, 4);
    EXPECT_FALSE(has_line_layer(wp));
    EXPECT_FALSE(has_backup_layer(wp));
    make_body(wp, 30, 12, 0.25);
    EXPECT_GE(wp.height.capacity, 360);
    EXPECT_DOUBLE_EQ(wp.coordinate.data[29], 7.25);  // the table follows pitch and counts
}

TEST(WorkgridAllocation, HugeGridFailsCleanlyWithOneMessage) {
    testing::RecordingBackend rb;
    EnglishTexts english;
    Workpiece wp;
    make_body(wp, 10, 10);
    GridGeometry g;
    ASSERT_EQ(size_grid(g, 0, 0, 199999, 199999, 1.0), 1);
    EXPECT_EQ(allocate_workpiece_or_report(wp, g, 1), 0);
    ASSERT_EQ(rb.recording().messages.size(), 1u);
    EXPECT_EQ(rb.recording().messages[0].title, "Work Size");
    EXPECT_EQ(rb.recording().messages[0].body, "Memory over! Try again!");
    EXPECT_EQ(wp.modification_state, 0);
    EXPECT_EQ(wp.height.data, nullptr);
    EXPECT_FALSE(has_backup_layer(wp));
}

TEST(WorkgridAllocation, RefusesWhatTheMachineCannotGive) {
    testing::RecordingBackend rb;
    rb.recording().available_memory = 1'000'000;
    Workpiece wp;
    GridGeometry g;
    ASSERT_EQ(size_grid(g, 0, 0, 999, 999, 1.0), 1);  // 18 MB at level 1
    EXPECT_EQ(allocate_workpiece(wp, g, 1), 0);
    EXPECT_EQ(wp.height.data, nullptr);
    EXPECT_TRUE(rb.recording().messages.empty());  // the caller reports
    ASSERT_EQ(size_grid(g, 0, 0, 99, 99, 1.0), 1);    // 180 kB
    EXPECT_EQ(allocate_workpiece(wp, g, 1), 1);
}

// ---- Memory estimate: the displayed figure, worked by hand ----

TEST(WorkgridMemoryEstimate, MatchesFormulaPerLevel) {
    // 4 x 3: 12*9 + 4*12 + 3*8 + 4*8 + 32 + 300*8 + 24 = 2668; backup +60, lines +48, basic +48.
    const std::int64_t expected[] = {0, 2776, 2728, 2716, 2668};
    for (int level = 1; level <= 4; ++level) {
        Workpiece wp;
        EXPECT_EQ(memory_estimate(wp), 0);
        make_body(wp, 4, 3, 1.0, level);
        EXPECT_EQ(memory_estimate(wp), expected[level]) << level;
    }
    Workpiece wp;
    make_body(wp, 4, 3, 1.0, 4);
    ASSERT_EQ(calculate_z_values(wp, ZTarget::Basic, [](const GridGeometry&, float*, double) { return 1; }), 1);
    EXPECT_EQ(memory_estimate(wp), 2716);
    // 500 x 2 passes the 300 floor: 9000 + 6000 + 16 + 4000 + 32 + 4000 + 24.
    make_body(wp, 500, 2, 1.0, 4);
    EXPECT_EQ(memory_estimate(wp), 23072);
}

// ---- Cell attributes: bit layout, clearing, paint marks confined to the grid ----

TEST(WorkgridAttributes, ClearResetsAttributeAndLineWhereLayerExists) {
    Workpiece wp;
    make_body(wp, 3, 3);
    wp.attribute.data[4] = 0x3F;
    wp.line_number.data[4] = -77;
    wp.attribute.data[5] = 0x07;
    clear_cell_attributes(wp, 4);
    EXPECT_EQ(wp.attribute.data[4], 0);
    EXPECT_EQ(wp.line_number.data[4], 0);
    EXPECT_EQ(wp.attribute.data[5], 0x07);
}

int painted(const Workpiece& wp) {
    int n = 0;
    for (int k = 0; k < wp.geometry.cell_count; ++k) n += wp.attribute.data[k] & kPaintBit;
    return n;
}

TEST(WorkgridAttributes, PaintMarksNeighboursInsideGridOnly) {
    Workpiece wp;
    make_body(wp, 5, 4);
    wp.attribute.data[7] = 6;  // pen 3, kept under the mark
    mark_paint_around(wp, 7);  // (2, 1): interior
    EXPECT_EQ(painted(wp), 9);
    EXPECT_EQ(wp.attribute.data[7], 7);
    make_body(wp, 5, 4);
    mark_paint_around(wp, 19);  // (4, 3): corner, no wrap into column 0
    EXPECT_EQ(painted(wp), 4);
    for (int k : {13, 14, 18, 19}) EXPECT_EQ(wp.attribute.data[k], kPaintBit) << k;
    make_body(wp, 5, 4);
    mark_paint_around(wp, 5);  // (0, 1): left edge
    EXPECT_EQ(painted(wp), 6);
    EXPECT_EQ(wp.attribute.data[4] & kPaintBit, 0);  // (4, 0) would be a wrap from column 0
}

// ---- Backup: the "C" key restores exactly what was taken, and only where a backup exists ----

TEST(WorkgridBackup, RestoreBringsBackHeightsAttributesAndBounds) {
    Workpiece wp;
    make_body(wp, 4, 4);
    wp.height.data[5] = 3.5f;
    wp.work_bottom = 1.5;
    ASSERT_EQ(take_backup(wp), 1);
    wp.height.data[5] = wp.height.data[0] = -1.0f;
    wp.attribute.data[0] = 0x15;
    wp.work_bottom = wp.highest = -4.0;
    ASSERT_EQ(restore_backup(wp), 1);
    EXPECT_EQ(wp.height.data[5], 3.5f);
    EXPECT_EQ(wp.height.data[0], 10.0f);
    EXPECT_EQ(wp.attribute.data[0], 0);
    EXPECT_EQ(wp.work_bottom, 1.5);
    EXPECT_EQ(wp.highest, 10.0);
}

TEST(WorkgridBackup, NothingToDoWithoutBackupOrAfterReallocation) {
    for (int level : {3, 4}) {
        Workpiece wp;
        make_body(wp, 4, 4, 1.0, level);
        EXPECT_EQ(take_backup(wp), 0);
        EXPECT_EQ(restore_backup(wp), 0);
        double v;
        EXPECT_EQ(volume_change(wp, &v), 0);
    }
    Workpiece wp;
    make_body(wp, 4, 4);
    EXPECT_EQ(restore_backup(wp), 0);  // never taken
    ASSERT_EQ(take_backup(wp), 1);
    make_body(wp, 6, 6);
    EXPECT_EQ(restore_backup(wp), 0);  // belonged to the old grid
}

// ---- Volume change: edge cells stand for half (corners a quarter) of a cell's area ----

TEST(WorkgridVolumeChange, WeighsCornerEdgeAndInteriorCells) {
    Workpiece wp;
    make_body(wp, 4, 3, 2.0);  // pitch² = 4
    ASSERT_EQ(take_backup(wp), 1);
    double v = 0.0;
    wp.height.data[0] = 9.0f;  // corner (0, 0): 4 / 4
    ASSERT_EQ(volume_change(wp, &v), 1);
    EXPECT_DOUBLE_EQ(v, -1.0);
    wp.height.data[2] = 9.0f;   // bottom edge (2, 0): 4 / 2
    wp.height.data[5] = 12.0f;  // interior (1, 1) raised by 2: +8
    ASSERT_EQ(volume_change(wp, &v), 1);
    EXPECT_DOUBLE_EQ(v, -1.0 - 2.0 + 8.0);
    // A uniform drop of 0.5 over the 6 x 4 mm body removes 12 mm³.
    ASSERT_EQ(restore_backup(wp), 1);
    for (int k = 0; k < 12; ++k) wp.height.data[k] = 9.5f;
    ASSERT_EQ(volume_change(wp, &v), 1);
    EXPECT_DOUBLE_EQ(v, -12.0);
}

// ---- Merge model: adding raises to the model, removing never goes below the work bottom ----

TEST(WorkgridMerge, AddRaisesCellsClearsTheirAttributesAndSetsTop) {
    Workpiece wp;
    make_body(wp, 3, 2);
    wp.attribute.data[1] = 0x17;
    wp.line_number.data[1] = 9;
    wp.attribute.data[2] = 0x05;
    load_merge_model(wp, {0, 12, 10, 15, 0, 3});
    ASSERT_EQ(apply_merge_model(wp, 1), 1);
    const float expected[] = {10, 12, 10, 15, 10, 10};
    for (int k = 0; k < 6; ++k) EXPECT_EQ(wp.height.data[k], expected[k]) << k;
    EXPECT_EQ(wp.attribute.data[1], 0);
    EXPECT_EQ(wp.line_number.data[1], 0);
    EXPECT_EQ(wp.attribute.data[2], 0x05);  // equal height: not raised, attributes kept
    EXPECT_EQ(wp.highest, 15.0);
    EXPECT_EQ(wp.work_top, 15.0);
    EXPECT_EQ(wp.modification_state, kModified);
}

TEST(WorkgridMerge, RemoveLowersOnlyToModelsAboveBottomAndRecomputesTop) {
    Workpiece wp;
    make_body(wp, 3, 2);
    wp.work_bottom = 2.0;
    wp.height.data[1] = 6.0f;
    wp.attribute.data[0] = 0x09;
    wp.attribute.data[1] = 0x09;
    load_merge_model(wp, {7, 1.5, 8, 9, 2, 7});
    ASSERT_EQ(apply_merge_model(wp, 0), 1);  // mode 0 removes
    const float expected[] = {7, 6, 8, 9, 2, 7};  // model 1.5 lies below the bottom: kept
    for (int k = 0; k < 6; ++k) EXPECT_EQ(wp.height.data[k], expected[k]) << k;
    EXPECT_EQ(wp.attribute.data[0], 0);
    EXPECT_EQ(wp.attribute.data[1], 0x09);
    EXPECT_EQ(wp.highest, 9.0);
    EXPECT_EQ(wp.work_top, 9.0);
    EXPECT_EQ(wp.modification_state, kModified);
}

TEST(WorkgridMerge, NoChangeKeepsStateAndTopStartsAtItsFloor) {
    Workpiece wp;
    make_body(wp, 3, 2);
    EXPECT_EQ(apply_merge_model(wp, 1), 0);  // no model loaded
    load_merge_model(wp, {1, 2, 3, 4, 5, 6});
    ASSERT_EQ(apply_merge_model(wp, 1), 1);
    EXPECT_EQ(wp.modification_state, kDefined);
    // Every height below -999999 after removing: the recomputation's start value stands.
    wp.work_bottom = -3e6;
    load_merge_model(wp, std::vector<float>(6, -2.5e6f));
    ASSERT_EQ(apply_merge_model(wp, -1), 1);
    EXPECT_EQ(wp.highest, -999999.0);
}

// ---- Bottom filter: nothing stays below the work bottom ----

TEST(WorkgridBottomFilter, RaisesOnlyCellsBelowTheBottom) {
    Workpiece wp;
    make_body(wp, 4, 3);
    wp.work_bottom = 2.0;
    wp.modification_state = kDefined;
    wp.height.data[5] = 1.5f;
    wp.height.data[6] = -7.0f;
    wp.height.data[7] = 2.0f;
    EXPECT_EQ(raise_to_bottom(wp), 2);
    EXPECT_EQ(wp.height.data[5], 2.0f);
    EXPECT_EQ(wp.height.data[6], 2.0f);
    EXPECT_EQ(wp.height.data[7], 2.0f);
    EXPECT_EQ(wp.height.data[0], 10.0f);
    EXPECT_EQ(wp.modification_state, kModified);
    EXPECT_EQ(raise_to_bottom(wp), 0);
}

// ---- Pit filter: single drops to the floor are filled, real floor and edges stay ----

TEST(WorkgridPitFilter, RowPassRepairsFeedTheColumnPass) {
    Workpiece wp;
    make_body(wp, 5, 5);
    auto at = [&](int i, int j) -> float& { return wp.height.data[j * 5 + i]; };
    at(1, 1) = 6;
    at(2, 1) = 0;   // row pit: (6 + 10) / 2 = 8
    at(1, 2) = 0;   // blocked in the row by (2, 2); column: (6 + 10) / 2 = 8
    at(2, 2) = 0;   // column pit over the repaired (2, 1): (8 + 14) / 2 = 11
    at(2, 3) = 14;
    at(0, 0) = 0;   // corner: no pair of neighbours
    pit_filter(wp, 0.0);
    EXPECT_EQ(at(2, 1), 8.0f);
    EXPECT_EQ(at(1, 2), 8.0f);
    EXPECT_EQ(at(2, 2), 11.0f);
    EXPECT_EQ(at(0, 0), 0.0f);
}

// Runs one line of heights as the middle row (or column) of a three-line grid whose outer lines
// lie just too low to count as material, so only the pass along the line can fill anything.
std::vector<float> filter_line(const std::vector<float>& line, double floor_height, bool as_column) {
    const int n = static_cast<int>(line.size());
    Workpiece wp;
    make_body(wp, as_column ? 3 : n, as_column ? n : 3);
    std::fill_n(wp.height.data, 3 * n, float(floor_height + 0.05));
    auto cell = [&](int k) { return as_column ? k * 3 + 1 : n + k; };
    for (int k = 0; k < n; ++k) wp.height.data[cell(k)] = line[k];
    pit_filter(wp, floor_height);
    std::vector<float> out(n);
    for (int k = 0; k < n; ++k) out[k] = wp.height.data[cell(k)];
    return out;
}

TEST(WorkgridPitFilter, ThresholdsAreRelativeToTheFloorInBothPasses) {
    // Floor -5: within 0.0001 fills, 0.001 above is surface; neighbours need more than 0.1 above.
    const std::vector<float> line{-4, -5.00005f, -4, -4.999f, -4, -5, -4.95f, -5, -4, -4.85f, -5, -4.85f};
    const std::vector<float> expected{-4, -4, -4, -4.999f, -4, -5, -4.95f, -5, -4, -4.85f, -4.85f, -4.85f};
    EXPECT_EQ(filter_line(line, -5.0, false), expected);
    EXPECT_EQ(filter_line(line, -5.0, true), expected);
}

// ---- Z values: each target starts from its floor under its own progress title ----

TEST(WorkgridZValues, FillsStartValueAndTitlesPerTarget) {
    testing::RecordingBackend rb;
    EnglishTexts english;
    Workpiece wp;
    make_body(wp, 3, 3);
    wp.work_bottom = -2.0;
    struct Case { ZTarget target; double start; const char* title; };
    const Case cases[] = {{ZTarget::Workpiece, -2.0, "Calculating Z-Value"},
                          {ZTarget::Basic, -100000.0, "Calculating Basic Z-Value"},
                          {ZTarget::Merge, -2.0, "Calculating Merge Z-Value"}};
    for (const Case& c : cases) {
        int filled = 0;
        ASSERT_EQ(calculate_z_values(wp, c.target, [&](const GridGeometry& g, float* h, double start) {
                      EXPECT_EQ(start, c.start);
                      for (int k = 0; k < g.cell_count; ++k) filled += h[k] == float(c.start);
                      h[4] = 42.0f;
                      return 1;
                  }), 1);
        EXPECT_EQ(filled, 9);
        EXPECT_EQ(rb.recording().progress_titles.back(), c.title);
    }
    EXPECT_EQ(wp.modification_state, kModified);
    EXPECT_EQ(wp.highest, 42.0);
    EXPECT_TRUE(wp.basic_loaded);
    EXPECT_TRUE(wp.merge_loaded);
    EXPECT_EQ(wp.basic_model.data[4], 42.0f);
}

TEST(WorkgridZValues, FailuresLeaveModelsUnloaded) {
    testing::RecordingBackend rb;
    Workpiece wp;
    const SurfaceRasteriser ok = [](const GridGeometry&, float*, double) { return 1; };
    EXPECT_EQ(calculate_z_values(wp, ZTarget::Basic, ok), 0);  // nothing allocated
    EXPECT_TRUE(rb.recording().progress_titles.empty());
    make_body(wp, 3, 3);
    EXPECT_EQ(calculate_z_values(wp, ZTarget::Basic, [](const GridGeometry&, float*, double) { return 0; }), 0);
    EXPECT_FALSE(wp.basic_loaded);
    EXPECT_EQ(rb.recording().progress_titles.back(), "基準Z値算出");
    rb.recording().available_memory = 8;  // a 36-byte model no longer fits
    EXPECT_EQ(calculate_z_values(wp, ZTarget::Merge, ok), 0);
    EXPECT_FALSE(wp.merge_loaded);
}

}  // namespace
}  // namespace vx::sim
