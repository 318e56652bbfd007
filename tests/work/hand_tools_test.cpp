#include "work/hand_tools.h"

#include "dmf_fixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <vector>

namespace vx::work {
namespace {

using test::make_block;

constexpr int kSide = 21;  // a 21 x 21 block at pitch 1, top 10, bottom -5
constexpr int kRow = 10;   // every stroke runs along this row from column 5 to 15

float h_at(const sim::Workpiece& wp, int i, int j) { return wp.height.data[std::int64_t{j} * wp.geometry.nx + i]; }
std::uint8_t a_at(const sim::Workpiece& wp, int i, int j) { return wp.attribute.data[std::int64_t{j} * wp.geometry.nx + i]; }

// The heights along X rise 0.3 per column, so that the grinder's level means something.
void slope(sim::Workpiece& wp) {
    for (int j = 0; j < kSide; ++j)
        for (int i = 0; i < kSide; ++i) wp.height.data[j * kSide + i] = float(10.0 + 0.3 * i);
    wp.modification_state = sim::kModified;
    sim::recompute_highest(wp);
}

// One stroke pressed at column 5 and dragged to column 15 in two mouse moves.
CellRange stroke_along_row(sim::Workpiece& wp, HandTool tool, const HandToolSize& size) {
    HandStroke s;
    CellRange all = begin_stroke(wp, s, tool, size, 5, kRow);
    for (const int to : {9, 15}) {
        const CellRange r = continue_stroke(wp, s, to, kRow);
        if (!r.empty()) all.add(r.first_i, r.first_j), all.add(r.last_i, r.last_j);
    }
    return all;
}

// The step points of that stroke are the cells 5..15 of the row, each worked once.
int steps_within(int i, int j, double reach) {
    int n = 0;
    for (int p = 5; p <= 15; ++p) n += std::hypot(i - p, j - kRow) <= reach;
    return n;
}

// What each tool must do to every cell: the expected height and whether the cell changed, worked
// out from the tool's rule rather than from the code. A wrong footprint (square for round, one
// cell too wide), a step too many or too few, or a grinder level taken from the wrong cell shows
// as a cell off its expected height.
struct ToolCase {
    const char* name;
    HandTool tool;
    HandToolSize size;
    bool on_slope;
    std::function<float(int i, int j, float before)> expected;
};

TEST(HandTools, EachToolWorksItsFootprintAlongTheStroke) {
    const ToolCase cases[] = {
        // Welding: +0.5 once per stroke on every cell within width / 2 = 2.5 mm of a step point (a
        // round footprint), however many steps reach it: a bead, not a pile.
        {"welding", HandTool::Welding, {0.5, 5.0, 3}, false,
         [](int i, int j, float h) { return steps_within(i, j, 2.5) > 0 ? float(h + 0.5) : h; }},
        // Paper: width 3 gives a 3 x 3 square, lowered 0.1 at every step that covers it.
        {"paper", HandTool::Paper, {0.1, 3.0, 0}, false,
         [](int i, int j, float h) {
             int n = 0;
             for (int p = 5; p <= 15; ++p) n += std::abs(i - p) <= 1 && std::abs(j - kRow) <= 1;
             float out = h;
             for (int k = 0; k < n; ++k) out = float(out - 0.1);
             return out;
         }},
        // Grinder on the slope: first contact at column 5 (11.5) sets the level 10.5; then cells of
        // the 3 x 3 footprint with 10.5 < h <= 11.5 (columns 4 and 5) go to 10.5, higher ones stay.
        {"grinder", HandTool::Grinder, {1.0, 3.0, 2}, true,
         [](int i, int j, float h) { return std::abs(j - kRow) <= 1 && (i == 4 || i == 5) ? 10.5f : h; }},
        // Brush: heights stay.
        {"brush", HandTool::Brush, {0.0, 3.0, 0}, false, [](int, int, float h) { return h; }},
    };
    for (const ToolCase& c : cases) {
        SCOPED_TRACE(c.name);
        sim::Workpiece wp;
        make_block(wp, kSide, kSide);
        if (c.on_slope) slope(wp);
        std::vector<float> before(wp.height.data, wp.height.data + wp.geometry.cell_count);
        const CellRange range = stroke_along_row(wp, c.tool, c.size);
        for (int j = 0; j < kSide; ++j)
            for (int i = 0; i < kSide; ++i) {
                const float want = c.expected(i, j, before[j * kSide + i]);
                ASSERT_NEAR(h_at(wp, i, j), want, 1e-4) << "cell " << i << "," << j;
                if (want == before[j * kSide + i]) continue;
                // Changed cells carry the tool's pen code and sit inside the reported range.
                EXPECT_EQ(a_at(wp, i, j), sim::kPenCode[std::size_t(c.size.pen)]);
                EXPECT_TRUE(i >= range.first_i && i <= range.last_i && j >= range.first_j && j <= range.last_j);
            }
        EXPECT_EQ(wp.modification_state, sim::kModified);
        EXPECT_FLOAT_EQ(float(wp.highest), *std::max_element(wp.height.data, wp.height.data + wp.geometry.cell_count));
    }
}

// The brush paints the paint bit on its square footprint and leaves the pen bits alone.
TEST(HandTools, BrushPaintsWithoutTouchingPensOrHeights) {
    sim::Workpiece wp;
    make_block(wp, kSide, kSide);
    std::fill_n(wp.attribute.data, wp.geometry.cell_count, std::uint8_t{6});  // pen 3 everywhere
    stroke_along_row(wp, HandTool::Brush, {0.0, 3.0, 0});
    for (int j = 0; j < kSide; ++j)
        for (int i = 0; i < kSide; ++i) {
            const bool inside = i >= 4 && i <= 16 && std::abs(j - kRow) <= 1;
            EXPECT_EQ(a_at(wp, i, j), inside ? 7 : 6) << i << "," << j;
        }
}

// The backup taken when the button went down takes the whole stroke back, and a tool that cannot
// work (a zero height or depth, no width, no workpiece) starts no stroke and leaves no trace.
TEST(HandTools, BackupBeforeTheStrokeAndToolsThatDoNothing) {
    sim::Workpiece wp;
    make_block(wp, kSide, kSide);
    slope(wp);
    std::vector<float> original(wp.height.data, wp.height.data + wp.geometry.cell_count);
    stroke_along_row(wp, HandTool::Welding, {0.5, 5.0, 1});
    ASSERT_EQ(sim::restore_backup(wp), 1);
    EXPECT_TRUE(std::equal(original.begin(), original.end(), wp.height.data));
    EXPECT_EQ(a_at(wp, 10, kRow), 0);

    for (const HandToolSize size : {HandToolSize{0.0, 5.0, 0}, HandToolSize{1.0, 0.0, 0}}) {
        HandStroke s;
        EXPECT_TRUE(begin_stroke(wp, s, HandTool::Paper, size, 5, kRow).empty());
        EXPECT_TRUE(continue_stroke(wp, s, 15, kRow).empty());
        EXPECT_FALSE(s.active);
    }
    EXPECT_TRUE(std::equal(original.begin(), original.end(), wp.height.data));
    sim::Workpiece none;
    EXPECT_FALSE(hand_tool_usable(none, HandTool::Brush, {0.0, 3.0, 0}));
}

// Paper rubbed over and over never takes a cell below the body's bottom; the same cell picked
// again does nothing; a diagonal drag of 3 x 4 cells is 5 steps whose points land on the cell they
// reach within a tenth: the first, at (2.6, 2.8), is the start cell again.
TEST(HandTools, StepsOfADiagonalAndTheBottomAsFloor) {
    sim::Workpiece wp;
    make_block(wp, kSide, kSide);
    HandStroke s;
    begin_stroke(wp, s, HandTool::Paper, {0.25, 1.0, 0}, 2, 2);
    EXPECT_TRUE(continue_stroke(wp, s, 2, 2).empty());
    continue_stroke(wp, s, 5, 6);
    int lowered = 0;
    for (int k = 0; k < wp.geometry.cell_count; ++k) lowered += wp.height.data[k] < 10.0f;
    EXPECT_EQ(lowered, 5);  // (2,2) twice, then (3,3), (3,4), (4,5), (5,6)
    EXPECT_FLOAT_EQ(h_at(wp, 2, 2), 9.5f);
    EXPECT_FLOAT_EQ(h_at(wp, 3, 4), 9.75f);
    EXPECT_FLOAT_EQ(h_at(wp, 5, 6), 9.75f);

    for (int k = 0; k < 200; ++k) continue_stroke(wp, s, k % 2 ? 5 : 6, 6);
    EXPECT_FLOAT_EQ(h_at(wp, 5, 6), -5.0f);
}

}  // namespace
}  // namespace vx::work
