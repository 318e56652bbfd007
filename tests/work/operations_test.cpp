#include "work/operations.h"

#include "base/constants.h"
#include "dmf_fixture.h"
#include "support/recording_backend.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <numbers>
#include <random>
#include <vector>

namespace vx::work {
namespace {

using test::make_block;
using vx::testing::RecordingBackend;

// Every cell its own height, attribute and line, so that a misplaced cell shows.
void number_cells(sim::Workpiece& wp) {
    for (std::int32_t k = 0; k < wp.geometry.cell_count; ++k) {
        wp.height.data[k] = float(k);
        wp.attribute.data[k] = static_cast<std::uint8_t>(k + 1);
        if (sim::has_line_layer(wp)) wp.line_number.data[k] = 1000 + k;
    }
    wp.modification_state = sim::kModified;
    sim::recompute_highest(wp);
}

float h_at(const sim::Workpiece& wp, int i, int j) { return wp.height.data[std::int64_t{j} * wp.geometry.nx + i]; }

void set_surface(sim::Workpiece& wp, const std::function<double(double, double)>& f) {
    const sim::GridGeometry& g = wp.geometry;
    for (int j = 0; j < g.ny; ++j)
        for (int i = 0; i < g.nx; ++i)
            wp.height.data[j * g.nx + i] = float(f(g.origin_x + i * g.pitch, g.origin_y + j * g.pitch));
    wp.modification_state = sim::kModified;
    sim::recompute_highest(wp);
}

// ---- Definitions: the size rule, the references and the reversed limits ----

TEST(Define, TwoPointsAndOriginPoint) {
    RecordingBackend backend;
    test::EnglishTexts english;
    struct Case { Vec3 min, max; double pitch; int nx, ny; };
    const Case cases[] = {{{0, 0, -5}, {100, 50, 0}, 1.0, 101, 51},   // 0 .. 100 at pitch 1: 101 points
                          {{0, 0, 0}, {0.5, 0.4, 1}, 1.0, 2, 2},      // below one pitch: the minimum 2
                          {{-1, 2, 0}, {1.26, 3, 1}, 0.5, 6, 3}};     // 4.52 pitches round to 5
    for (const Case& c : cases) {
        sim::Workpiece wp;
        ASSERT_EQ(define_by_two_points(wp, c.min, c.max, c.pitch, 1), kOpDone);
        EXPECT_EQ(wp.geometry.nx, c.nx);
        EXPECT_EQ(wp.geometry.ny, c.ny);
        EXPECT_EQ(wp.modification_state, sim::kDefined);
        EXPECT_EQ(wp.height.data[wp.geometry.cell_count - 1], float(c.max.z));
        EXPECT_DOUBLE_EQ(wp.work_bottom, c.min.z);
    }
    const struct { Vec3 min, max; const char* text; } reversed[] = {
        {{5, 0, 0}, {5, 1, 1}, "The maximum and the minimum of X value are reversed."},
        {{0, 2, 3}, {1, 1, 0}, "The maximum and the minimum of Y value are reversed."},  // Y before Z
        {{0, 0, 3}, {1, 1, 0}, "The maximum and the minimum of Z value are reversed."},
    };
    for (const auto& r : reversed) {
        backend.recording().messages.clear();
        sim::Workpiece wp;
        make_block(wp, 3, 3);
        EXPECT_EQ(define_by_two_points(wp, r.min, r.max, 1.0, 1), kOpRefused);
        EXPECT_EQ(wp.geometry.nx, 3);
        ASSERT_EQ(backend.recording().messages.size(), 1u);
        EXPECT_EQ(backend.recording().messages[0].body, r.text);
        EXPECT_EQ(backend.recording().messages[0].title, "Define Work by 2-Points");
    }
    // X from the left end, Y centred, Z from the top, around the origin (10, 20, 30).
    OriginDefinition d;
    d.reference[0] = kReferenceLow, d.reference[1] = kReferenceCentre, d.reference[2] = kReferenceHigh;
    d.size[0] = 40, d.size[1] = 20, d.size[2] = 15;
    d.margin_low[0] = 1, d.margin_high[0] = 2, d.margin_low[1] = 3, d.margin_high[1] = 4;
    d.margin_low[2] = 5, d.margin_high[2] = 6;
    d.pitch = 0.5;
    sim::Workpiece wp;
    ASSERT_EQ(define_by_origin(wp, d, {10, 20, 30}, 1), kOpDone);
    EXPECT_EQ(wp.geometry.nx, 87);  // (1 + 2 + 40) / 0.5 + 1
    EXPECT_EQ(wp.geometry.ny, 55);  // (3 + 4 + 20) / 0.5 + 1
    EXPECT_DOUBLE_EQ(wp.geometry.origin_x, 9.0);
    EXPECT_DOUBLE_EQ(wp.geometry.origin_y, 7.0);   // 20 - 10 - 3
    EXPECT_DOUBLE_EQ(wp.work_bottom, 10.0);        // 30 - 15 - 5
    EXPECT_EQ(wp.height.data[0], 36.0f);           // 10 + 5 + 15 + 6
}

// ---- Rotate and mirror: the index maps and origins, and the group they form ----

TEST(Rotate, IndexMapsAndOriginsOfEveryMode) {
    struct Case { int mode; int nx, ny; double x0, y0; int i, j; };  // where old (1, 0) lands
    // The 4 x 3 grid at pitch 1 from (2, 5): MX = 5, MY = 7.
    const Case cases[] = {
        {kTurn90, 3, 4, -7, 2, 2, 1},  {kTurn180, 4, 3, -5, -7, 2, 2}, {kTurnMinus90, 3, 4, 5, -5, 0, 2},
        {kMirrorX, 4, 3, -5, 5, 2, 0}, {kMirrorY, 4, 3, 2, -7, 1, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        sim::Workpiece wp;
        make_block(wp, 4, 3, 1.0, 1, 2.0, 5.0);
        number_cells(wp);
        ASSERT_EQ(rotate_workpiece(wp, c.mode), kOpDone);
        EXPECT_EQ(wp.geometry.nx, c.nx);
        EXPECT_EQ(wp.geometry.ny, c.ny);
        EXPECT_DOUBLE_EQ(wp.geometry.origin_x, c.x0);
        EXPECT_DOUBLE_EQ(wp.geometry.origin_y, c.y0);
        EXPECT_DOUBLE_EQ(wp.geometry.max_x, c.x0 + c.nx - 1);
        EXPECT_EQ(h_at(wp, c.i, c.j), 1.0f);  // old cell 1
        EXPECT_EQ(wp.attribute.data[c.j * c.nx + c.i], 2);
        for (int k = 0; k < 12; ++k) EXPECT_EQ(wp.line_number.data[k], 1000 + k);  // lines stay
    }
}

TEST(Rotate, TurnsComposeAsRotationsDo) {
    const auto state = [](const sim::Workpiece& wp) {
        return std::tuple(wp.geometry.nx, wp.geometry.ny, wp.geometry.origin_x, wp.geometry.origin_y,
                          std::vector<float>(wp.height.data, wp.height.data + wp.geometry.cell_count));
    };
    const auto after = [&](std::initializer_list<int> modes) {
        sim::Workpiece wp;
        make_block(wp, 5, 3, 0.5, 1, -1.25, 4.0);
        number_cells(wp);
        for (int m : modes) EXPECT_EQ(rotate_workpiece(wp, m), kOpDone);
        return state(wp);
    };
    EXPECT_EQ(after({kTurn90, kTurn90}), after({kTurn180}));
    EXPECT_EQ(after({kTurn90, kTurnMinus90}), after({}));
    EXPECT_EQ(after({kTurn90, kTurn90, kTurn90}), after({kTurnMinus90}));
    EXPECT_EQ(after({kMirrorX, kMirrorY}), after({kTurn180}));
    EXPECT_EQ(after({kMirrorY, kMirrorY}), after({}));
}

// ---- Move and press ----

TEST(MoveAndPress, ShiftPositionAndTheMasksOfThePress) {
    sim::Workpiece wp;
    make_block(wp, 3, 2, 1.0, 1, 1.0, 1.0);
    number_cells(wp);  // heights 0..5, bottom -5
    ASSERT_EQ(move_workpiece(wp, kMoveShift, {1.0, -2.0, 3.0}), kOpDone);
    EXPECT_DOUBLE_EQ(wp.geometry.origin_x, 2.0);
    EXPECT_DOUBLE_EQ(wp.geometry.max_y, 0.0);
    EXPECT_EQ(h_at(wp, 2, 1), 8.0f);
    EXPECT_DOUBLE_EQ(wp.work_bottom, -2.0);
    ASSERT_EQ(move_workpiece(wp, kMovePosition, {0.0, 0.0, 10.0}), kOpDone);
    EXPECT_DOUBLE_EQ(wp.geometry.origin_y, 0.0);
    EXPECT_EQ(h_at(wp, 0, 0), 15.0f);  // 3 - (-2) + 10
    EXPECT_DOUBLE_EQ(wp.work_bottom, 10.0);
    EXPECT_DOUBLE_EQ(wp.highest, 20.0);

    struct Case { int axis; PressKeep keep; std::uint8_t mask; };
    const Case cases[] = {{0, {}, 0}, {1, {true, false, false}, 0x01}, {0, {false, true, false}, 0x0E},
                          {1, {false, false, true}, 0xF0}, {0, {true, true, true}, 0xFF},
                          {2, {false, true, false}, 0x0E}};  // along Z no cell moves
    for (const Case& c : cases) {
        sim::Workpiece p;
        make_block(p, 3, 2);
        number_cells(p);  // heights 0..5, bottom -5: D = -5 + 5 + 10 = 10
        for (int k = 0; k < 6; ++k) p.attribute.data[k] = static_cast<std::uint8_t>(0xFF - k);
        ASSERT_EQ(press_workpiece(p, c.axis, c.keep), kOpDone);
        for (int j = 0; j < 2; ++j)
            for (int i = 0; i < 3; ++i) {
                const int from = c.axis == 0 ? j * 3 + (2 - i) : c.axis == 1 ? (1 - j) * 3 + i : j * 3 + i;
                EXPECT_EQ(h_at(p, i, j), 10.0f - float(from));
                EXPECT_EQ(p.attribute.data[j * 3 + i], (0xFF - from) & c.mask);
                EXPECT_EQ(p.line_number.data[j * 3 + i], 0);
            }
        EXPECT_DOUBLE_EQ(p.highest, 10.0);
    }
}

// ---- Offset: the stamp against the Part's own scatter, and against analytic surfaces ----

// The literal algorithm: every source cell places its stamp on the targets in reach.
std::vector<float> scatter_offset(const sim::Workpiece& wp, int direction, double v, bool painted, bool outside) {
    const sim::GridGeometry& g = wp.geometry;
    std::vector<float> h(wp.height.data, wp.height.data + g.cell_count);
    const std::vector<float> src = h;
    const int r = int(std::fabs(v) / g.pitch);
    for (int cj = 0; cj < g.ny; ++cj)
        for (int ci = 0; ci < g.nx; ++ci) {
            const int c = cj * g.nx + ci;
            if (painted && !(wp.attribute.data[c] & 1)) continue;
            for (int q = -r; q <= r; ++q)
                for (int p = -r; p <= r; ++p) {
                    const int ti = ci + p, tj = cj + q;
                    const double d2 = double(p * p + q * q) * g.pitch * g.pitch;
                    if (ti < 0 || tj < 0 || ti >= g.nx || tj >= g.ny || d2 > v * v) continue;
                    const int t = tj * g.nx + ti;
                    if (painted && !outside && !(wp.attribute.data[t] & 1)) continue;
                    const float s = float(direction == kOffsetNormal ? v * std::sqrt(1 - d2 / (v * v)) : 0.0);
                    if (v > 0 && h[t] <= src[c] + v) h[t] = std::max(h[t], src[c] + s);
                    if (v < 0 && h[t] >= src[c] + v) h[t] = std::min(h[t], src[c] + s);
                }
        }
    return h;
}

TEST(Offset, StampEqualsTheScatterOfEverySourceOnRandomSurfaces) {
    RecordingBackend backend;
    std::mt19937 random(7);
    std::uniform_real_distribution<float> height(0.0f, 3.0f);
    int cases = 0;
    for (int direction : {kOffsetNormal, kOffsetHorizontal})
        for (double v : {1.3, -0.9})
            for (int variant = 0; variant < 3; ++variant)
                for (int threads : {1, 3}) {
                    SCOPED_TRACE(::testing::Message() << direction << " " << v << " variant " << variant << " threads "
                                                      << threads);
                    sim::Workpiece wp;
                    make_block(wp, 23, 17, 0.25);
                    for (int k = 0; k < wp.geometry.cell_count; ++k) {
                        wp.height.data[k] = height(random);
                        wp.attribute.data[k] = static_cast<std::uint8_t>(random() % 4);
                    }
                    wp.modification_state = sim::kModified;
                    const bool painted = variant > 0, outside = variant == 2;
                    const std::vector<float> expected = scatter_offset(wp, direction, v, painted, outside);
                    const std::vector<std::uint8_t> attributes(wp.attribute.data, wp.attribute.data + 23 * 17);
                    ASSERT_EQ(offset_workpiece(wp, {direction, v, painted, outside, threads, true, false}), kOpDone);
                    for (int k = 0; k < wp.geometry.cell_count; ++k) {
                        ASSERT_FLOAT_EQ(wp.height.data[k], expected[k]) << "cell " << k;
                        const bool kept = painted && wp.height.data[k] == wp.backup.height.data[k];
                        EXPECT_EQ(wp.attribute.data[k], kept ? attributes[k] : 0) << "cell " << k;
                    }
                    ++cases;
                }
    EXPECT_EQ(cases, 24);
}

TEST(Offset, FlatTopAndSlopeMatchTheirAnalyticOffsets) {
    RecordingBackend backend;
    constexpr double kSlope = 0.5, kValue = 2.0, kPitch = 0.05;
    // Normal offset of the plane z = s x by v: z + v sqrt(1 + s^2) vertically; a flat top: + v.
    // The grid samples the stamp's maximum, which is flat to second order there: within 1e-3.
    struct Case { double slope; double value; int direction; double rise; };
    const Case cases[] = {{0.0, kValue, kOffsetNormal, kValue},
                          {kSlope, kValue, kOffsetNormal, kValue * std::sqrt(1 + kSlope * kSlope)},
                          {kSlope, -kValue, kOffsetNormal, -kValue * std::sqrt(1 + kSlope * kSlope)},
                          {kSlope, kValue, kOffsetHorizontal, kSlope * kValue},   // the highest within 2 mm
                          {kSlope, kValue, kOffsetZ, kValue}};
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.slope << " " << c.value << " " << c.direction);
        sim::Workpiece wp;
        make_block(wp, 201, 121, kPitch);
        set_surface(wp, [&](double x, double) { return 3.0 + c.slope * x; });
        ASSERT_EQ(offset_workpiece(wp, {c.direction, c.value, false, false, 2, false, false}), kOpDone);
        const int margin = int(kValue / kPitch) + 1;
        for (int j = margin; j < 121 - margin; j += 7)
            for (int i = margin; i < 201 - margin; i += 5)
                ASSERT_NEAR(h_at(wp, i, j), 3.0 + c.slope * i * kPitch + c.rise, 1e-3) << i << "," << j;
    }
}

TEST(Offset, UncutBlockOnlyByZAndNothingForZeroOrHorizontal) {
    RecordingBackend backend;
    sim::Workpiece wp;
    make_block(wp, 4, 4);
    EXPECT_EQ(offset_workpiece(wp, {kOffsetHorizontal, 2.0}), kOpNothing);
    EXPECT_EQ(offset_workpiece(wp, {kOffsetNormal, 0.0}), kOpNothing);
    ASSERT_EQ(offset_workpiece(wp, {kOffsetNormal, -3.0}), kOpDone);  // any direction: along Z
    EXPECT_EQ(wp.height.data[15], 7.0f);
    EXPECT_EQ(wp.modification_state, sim::kDefined);  // still one uniform block
    ASSERT_EQ(offset_workpiece(wp, {kOffsetZ, -20.0}), kOpDone);
    EXPECT_DOUBLE_EQ(wp.work_bottom, -13.0);  // the bottom follows a lower surface
    EXPECT_DOUBLE_EQ(wp.highest, -13.0);
}

TEST(Offset, EscapeStopsTheBandsAndKeepsRowsDone) {
    RecordingBackend backend;
    backend.recording().down = {platform::Key::Escape};
    sim::Workpiece wp;
    make_block(wp, 400, 400, 0.01);
    set_surface(wp, [](double x, double y) { return x * y; });
    const float before = wp.height.data[wp.geometry.cell_count - 1];
    EXPECT_EQ(offset_workpiece(wp, {kOffsetNormal, 1.0, false, false, 2, true, false}), kOpCancelled);
    EXPECT_EQ(wp.height.data[wp.geometry.cell_count - 1], before);  // the last row was never reached
    EXPECT_EQ(backend.recording().progress_titles, std::vector<std::string>{"Offset"});
}

// ---- XYZ cut and thinning ----

TEST(XyzCutAndThin, CropOnlyCutAndTheThinnedGrid) {
    sim::Workpiece wp;
    make_block(wp, 11, 11);
    number_cells(wp);  // heights 0..120, bottom -5
    ASSERT_EQ(xyz_cut(wp, {200.0, -5.0, 2.0, 5.95, 3.0, 9.0, false, false}), kOpDone);  // 5.95 rounds to 6
    EXPECT_EQ(wp.geometry.nx, 5);
    EXPECT_EQ(wp.geometry.ny, 7);
    EXPECT_DOUBLE_EQ(wp.geometry.origin_x, 2.0);
    EXPECT_EQ(h_at(wp, 0, 0), 35.0f);  // old (2, 3): crop only, nothing cut
    EXPECT_EQ(wp.attribute.data[0], 36);
    // Cut part to the bottom: at or above 60 drops to the old bottom, then up to the Z minimum 40.
    ASSERT_EQ(xyz_cut(wp, {60.0, 40.0, 2.0, 6.0, 3.0, 9.0, true, false}), kOpDone);
    EXPECT_EQ(h_at(wp, 0, 0), 40.0f);  // 35: below the Z minimum
    EXPECT_EQ(wp.attribute.data[0], 0);
    EXPECT_EQ(h_at(wp, 2, 2), 59.0f);  // kept, with its attribute
    EXPECT_EQ(wp.attribute.data[2 * 5 + 2], 60);
    EXPECT_EQ(h_at(wp, 3, 2), 40.0f);  // 60: at the cut level
    EXPECT_DOUBLE_EQ(wp.work_bottom, 40.0);
    EXPECT_DOUBLE_EQ(wp.highest, 59.0);

    test::EnglishTexts english;
    struct Case { bool add; int count; std::int64_t dmf, dme; };
    // 101 points by 3: 34 kept, the remainder adds the old point 100 as a 35th.
    const Case cases[] = {{true, 35, 35 * 35 * 4 + 168, 30 * (35 * 35 + 6 * 70) + 152},
                          {false, 34, 34 * 34 * 4 + 168, 30 * (34 * 34 + 6 * 68) + 152}};
    for (const Case& c : cases) {
        sim::Workpiece t;
        make_block(t, 101, 101, 0.5);
        set_surface(t, [](double x, double y) { return x + 100 * y; });
        t.work_bottom = -5.0;
        t.highest = 10.0;  // k = ceil(15 / 3) + 1 = 6
        const ThinSizes sizes = thin_sizes(t, {3, c.add, c.add}, 1);
        EXPECT_EQ(sizes.dmf, c.dmf);
        EXPECT_EQ(sizes.dme, c.dme);
        EXPECT_EQ(thin_size_texts(sizes), "DMF Size = " + std::to_string(c.dmf) + "\nDME Size > " + std::to_string(c.dme));
        EXPECT_EQ(thin_sizes(t, {3, c.add, c.add}, 3).dmf, c.count * c.count * 9 + 168);
        ASSERT_EQ(thin_workpiece(t, {3, c.add, c.add}), kOpDone);
        EXPECT_EQ(t.geometry.nx, c.count);
        EXPECT_DOUBLE_EQ(t.geometry.pitch, 1.5);
        EXPECT_EQ(h_at(t, 1, 1), 1.5f + 150.0f);
        EXPECT_EQ(h_at(t, c.count - 1, 0), c.add ? 50.0f : 49.5f);  // old point 100, or 99
    }
    RecordingBackend backend;
    sim::Workpiece t;
    make_block(t, 5, 5);
    EXPECT_EQ(thin_workpiece(t, {1, true, true}), kOpRefused);
    ASSERT_EQ(backend.recording().messages.size(), 1u);
    EXPECT_EQ(backend.recording().messages[0].title, "間引き数エラー");
    EXPECT_EQ(backend.recording().messages[0].body, "2以上の値を設定して下さい。");
    EXPECT_EQ(t.geometry.nx, 5);
}

// ---- Paint, emphasis and the difference paint ----

TEST(Paint, PaintStripPenAndEmphasis) {
    sim::Workpiece wp;
    make_block(wp, 7, 1 + 1);
    for (int k = 0; k < 14; ++k) wp.attribute.data[k] = static_cast<std::uint8_t>(sim::kPenCode[k % 8] | 0x20);
    ASSERT_EQ(paint_all(wp), kOpDone);
    for (int k = 0; k < 14; ++k) EXPECT_EQ(wp.attribute.data[k] & 1, 1);
    ASSERT_EQ(strip_pen(wp, 3), kOpDone);
    for (int k = 0; k < 14; ++k) EXPECT_EQ((wp.attribute.data[k] >> 1) & 7, k % 8 == 3 ? 0 : k % 8);
    ASSERT_EQ(strip_paint(wp), kOpDone);
    ASSERT_EQ(strip_pen(wp, 8), kOpDone);
    for (int k = 0; k < 14; ++k) EXPECT_EQ(wp.attribute.data[k], 0x20);  // the direction stays
    EXPECT_EQ(strip_pen(wp, 9), kOpRefused);

    // Emphasis of pen 5 at (3, 0), width 1.5 on a flat top: every cell within 1.5 mm.
    wp.attribute.data[3] = sim::kPenCode[5];
    ASSERT_EQ(emphasise(wp, 5, 1.5), kOpDone);
    for (int j = 0; j < 2; ++j)
        for (int i = 0; i < 7; ++i) {
            const bool near = (i - 3) * (i - 3) + j * j <= 2;
            EXPECT_EQ((wp.attribute.data[j * 7 + i] >> 1) & 7, near ? 5 : 0) << i << "," << j;
        }
}

TEST(Paint, DifferenceByHeightAndByNormal) {
    // Workpiece z = 2 everywhere; the model a step: 0 for x < 5, 3 from x = 5; no model at x = 0.
    const auto prepare = [](sim::Workpiece& wp) {
        make_block(wp, 11, 5, 1.0);
        set_surface(wp, [](double, double) { return 2.0; });
        ASSERT_EQ(sim::calculate_z_values(wp, sim::ZTarget::Basic, [](const sim::GridGeometry& g, float* h, double) {
            for (int k = 0; k < g.cell_count; ++k) h[k] = k % g.nx == 0 ? kNoMaterial : k % g.nx < 5 ? 0.0f : 3.0f;
            return 1;
        }), 1);
        for (int k = 0; k < 55; ++k) wp.attribute.data[k] = k % 11 == 10 ? 1 : 0;  // painted before
    };
    RecordingBackend backend;
    struct Case { DifferenceOptions o; const char* row; };  // '1' marks the cells painted afterwards
    const Case cases[] = {
        {{true, 0.5, false, 0, false, 0.0}, "01111000000"},   // above the model by more than 0.5
        {{true, 0.5, false, 0, true, 0.0}, "01111000001"},    // the old paint kept
        {{false, 0.5, false, 0, false, 0.0}, "00000111111"},  // below it
        {{false, 1.5, false, 0, false, 0.0}, "00000000000"},  // within the margin
        // Along the normal the model offset by 1.2 (reach 1 cell, 0.663 high there) rises to 3.663
        // beside the step, so the cell before the step is no longer above it.
        {{true, 1.2, true, 0, false, 0.0}, "01110000000"},
        {{true, 0.5, false, 0, false, 1.0}, "11111100000"},   // widened by 1 mm on the flat top
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.row);
        sim::Workpiece wp;
        prepare(wp);
        ASSERT_EQ(difference_paint(wp, c.o), kOpDone);
        for (int j = 0; j < 5; ++j)
            for (int i = 0; i < 11; ++i) EXPECT_EQ(wp.attribute.data[j * 11 + i] & 1, c.row[i] - '0') << i << "," << j;
    }
    sim::Workpiece pen;
    prepare(pen);
    ASSERT_EQ(difference_paint(pen, {true, 0.5, false, 4, false, 0.0}), kOpDone);
    EXPECT_EQ(pen.attribute.data[2], sim::kPenCode[4]);
    EXPECT_EQ(pen.attribute.data[10], 1);  // the paint is another colour: untouched
    sim::Workpiece none;
    make_block(none, 3, 3);
    EXPECT_EQ(difference_paint(none, {}), kOpNothing);
    EXPECT_EQ(backend.recording().progress_titles.back(), "差分計算中");
}

// ---- Swing and the volume text ----

TEST(Swing, QuarterTurnAndTheUpperEnvelopeOfATiltedBox) {
    // A box 10 long in X, 0..5 high; rows are the profiles of a swing about Y through the origin.
    for (double angle : {90.0, 30.0, -20.0}) {
        SCOPED_TRACE(angle);
        sim::Workpiece src;
        make_block(src, 41, 3, 0.25);
        set_surface(src, [](double, double) { return 5.0; });
        src.work_bottom = 0.0;
        sim::Workpiece wp;
        ASSERT_EQ(swing_workpiece(wp, src, {1, {0.0, 0.0, 0.0}, angle}), kOpDone);
        const double a = angle * std::numbers::pi / 180.0;
        // The box's corners (x, z) turned: x' = z sin a + x cos a, z' = z cos a - x sin a.
        std::vector<std::pair<double, double>> c;
        for (auto [x, z] : {std::pair{0.0, 0.0}, {0.0, 5.0}, {10.0, 5.0}, {10.0, 0.0}})
            c.push_back({z * std::sin(a) + x * std::cos(a), z * std::cos(a) - x * std::sin(a)});
        double lowest = 1e9, u0 = 1e9;
        for (auto [u, z] : c) lowest = std::min(lowest, z), u0 = std::min(u0, u);
        EXPECT_NEAR(wp.work_bottom, lowest, 1e-6);
        EXPECT_NEAR(wp.geometry.origin_x, u0, 1e-9);
        EXPECT_EQ(wp.geometry.ny, 3);
        for (int i = 0; i < wp.geometry.nx; ++i) {
            const double u = wp.geometry.origin_x + i * 0.25;
            double top = lowest;
            for (int e = 0; e < 4; ++e) {
                auto [ua, za] = c[e];
                auto [ub, zb] = c[(e + 1) % 4];
                if (ua != ub && u >= std::min(ua, ub) - 1e-9 && u <= std::max(ua, ub) + 1e-9)
                    top = std::max(top, za + (zb - za) * (u - ua) / (ub - ua));
            }
            if (u > std::max({c[0].first, c[1].first, c[2].first, c[3].first})) continue;  // the grid's last point
            for (int j = 0; j < 3; ++j) EXPECT_NEAR(h_at(wp, i, j), top, 1e-4) << "u " << u;
        }
    }
}

// About Z the heights turn with their grid: a quarter or half turn about the origin is the rotate
// command's turn exactly (its origins are those of a turn about the origin), and any angle keeps
// the highest point and puts the bottom where no source point lies.
TEST(Swing, AboutZTurnsTheGridAsTheRotationDoes) {
    for (const auto& [angle, mode] : {std::pair{90.0, kTurn90}, std::pair{180.0, kTurn180}, std::pair{-90.0, kTurnMinus90}}) {
        SCOPED_TRACE(angle);
        sim::Workpiece src, turned, wp;
        make_block(src, 7, 4, 0.5, 4, 1.0, 2.0);
        number_cells(src);
        make_block(turned, 7, 4, 0.5, 4, 1.0, 2.0);
        number_cells(turned);
        ASSERT_EQ(rotate_workpiece(turned, mode), kOpDone);
        ASSERT_EQ(swing_workpiece(wp, src, {2, {0.0, 0.0, 0.0}, angle}), kOpDone);
        ASSERT_EQ(wp.geometry.nx, turned.geometry.nx);
        ASSERT_EQ(wp.geometry.ny, turned.geometry.ny);
        EXPECT_NEAR(wp.geometry.origin_x, turned.geometry.origin_x, 1e-9);
        EXPECT_NEAR(wp.geometry.origin_y, turned.geometry.origin_y, 1e-9);
        EXPECT_TRUE(std::equal(wp.height.data, wp.height.data + wp.geometry.cell_count, turned.height.data));
    }
    sim::Workpiece src, wp;
    make_block(src, 11, 11);
    number_cells(src);
    ASSERT_EQ(swing_workpiece(wp, src, {2, {5.0, 5.0, 0.0}, 45.0}), kOpDone);
    EXPECT_EQ(wp.geometry.nx, 15);  // the diagonal 10 * sqrt(2) = 14.1 rounds to 14 pitches, 15 points
    EXPECT_DOUBLE_EQ(wp.highest, src.highest);
    EXPECT_EQ(h_at(wp, 0, 0), float(src.work_bottom));  // a corner of the box, off the turned square
    EXPECT_EQ(h_at(wp, 7, 7), h_at(src, 5, 5));          // the centre stays
}

TEST(Volume, TextsInBothUnitsAndLanguages) {
    test::EnglishTexts english;
    EXPECT_EQ(volume_text(-1234.5678, false), "-1234.568 (Cubic mm)");
    EXPECT_EQ(volume_text(2.5e9, true), "2.500000 (Cubic m)");
    platform::set_english(false);
    EXPECT_EQ(volume_text(0.0, false), "0.000 (立法mm)");
    EXPECT_EQ(volume_text(1e6, true), "0.001000 (立方m)");
}

}  // namespace
}  // namespace vx::work

namespace vx::work {
namespace {

// An operation that reallocates for another grid size leaves the grid before it as the backup:
// the "C" key brings back the old geometry, heights, attributes and line numbers exactly, and a
// second restore gives the same again. Before, the reallocation dropped the backup and the key
// did nothing.
TEST(UndoAfterReshape, RestoresTheOldGridExactly) {
    const std::function<int(sim::Workpiece&)> operations[] = {
        [](sim::Workpiece& wp) { return thin_workpiece(wp, {3, true, false}); },
        [](sim::Workpiece& wp) { return rotate_workpiece(wp, kTurn90); },
        [](sim::Workpiece& wp) { return xyz_cut(wp, {8.0, -5.0, -2.0, 1.0, 2.5, 4.0, false, false}); },
    };
    for (const auto& operation : operations) {
        sim::Workpiece wp;
        test::make_block(wp, 11, 7, 0.5, 1, -3.0, 2.0);
        number_cells(wp);
        const sim::GridGeometry before = wp.geometry;
        const std::vector<float> heights(wp.height.data, wp.height.data + before.cell_count);
        const std::vector<std::uint8_t> attributes(wp.attribute.data, wp.attribute.data + before.cell_count);
        const std::vector<std::int32_t> lines(wp.line_number.data, wp.line_number.data + before.cell_count);
        const double highest = wp.highest;
        ASSERT_EQ(operation(wp), kOpDone);
        ASSERT_TRUE(wp.geometry.nx != before.nx || wp.geometry.ny != before.ny);
        double change = 0.0;
        EXPECT_EQ(sim::volume_change(wp, &change), 1);  // a backup of another grid still measures
        for (int restore = 0; restore < 2; ++restore) {
            ASSERT_EQ(sim::restore_backup(wp), 1);
            EXPECT_EQ(wp.geometry.nx, before.nx);
            EXPECT_EQ(wp.geometry.ny, before.ny);
            EXPECT_DOUBLE_EQ(wp.geometry.origin_x, before.origin_x);
            EXPECT_DOUBLE_EQ(wp.geometry.pitch, before.pitch);
            EXPECT_DOUBLE_EQ(wp.highest, highest);
            EXPECT_TRUE(std::equal(heights.begin(), heights.end(), wp.height.data));
            EXPECT_TRUE(std::equal(attributes.begin(), attributes.end(), wp.attribute.data));
            EXPECT_TRUE(std::equal(lines.begin(), lines.end(), wp.line_number.data));
            EXPECT_DOUBLE_EQ(wp.coordinate.data[3], 3 * before.pitch);
        }
        ASSERT_EQ(sim::volume_change(wp, &change), 1);
        EXPECT_EQ(change, 0.0);
    }
}

// Against a backup of another grid the volume is the difference of the two bodies on their
// bottoms: a 10 x 4 mm block 15 high (bottom -5, top 10) cut to 4 x 3 mm at Z 8 keeps 4 * 3 * 13
// of its 10 * 4 * 15 mm³.
TEST(UndoAfterReshape, VolumeAgainstTheOldGridIsTheBodiesDifference) {
    sim::Workpiece wp;
    test::make_block(wp, 11, 5);
    ASSERT_EQ(xyz_cut(wp, {8.0, -5.0, 2.0, 6.0, 1.0, 4.0, false, false}), kOpDone);
    double change = 0.0;
    ASSERT_EQ(sim::volume_change(wp, &change), 1);
    EXPECT_NEAR(change, 4.0 * 3.0 * 13.0 - 10.0 * 4.0 * 15.0, 1e-9);
}

}  // namespace
}  // namespace vx::work
