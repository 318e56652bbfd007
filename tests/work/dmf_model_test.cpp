#include "work/dmf.h"

#include "dmf_fixture.h"
#include "support/recording_backend.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <vector>

namespace vx::work {
namespace {

using test::float_file;
using test::HeaderSpec;
using test::make_block;
using vx::testing::RecordingBackend;
using vx::testing::TempDir;

constexpr float N = kNoMaterial;

// A 3 x 2 model at pitch 2 from (0, 0), not planar, so the choice of triangle shows.
HeaderSpec model_spec() {
    HeaderSpec h;
    h.nx = 3;
    h.ny = 2;
    h.pitch = 2.0;
    return h;
}
const std::vector<float> kModel{0, 2, 4,
                                6, 8, 16};

// The current grid: x = -1 .. 4, y = 0 .. 3 at pitch 1. Column x = -1 and row y = 3 lie outside;
// x = 4 and y = 2 are the model's last column and row, interpolated in the last full cell.
sim::GridGeometry target_grid() {
    sim::GridGeometry g;
    EXPECT_EQ(sim::size_grid(g, -1.0, 0.0, 4.0, 3.0, 1.0), 1);
    return g;
}
// Worked by hand from the triangle rule: lower triangle BL + (BR-BL) tx/p + (TL-BL) ty/p while
// tx + ty <= p, else upper triangle from TR.
const std::vector<float> kExpected{N, 0, 1, 2, 3,  4,
                                   N, 3, 4, 5, 6,  10,
                                   N, 6, 7, 8, 12, 16,
                                   N, N, N, N, N,  N};

// ---- Header check: which grid differences the difference display refuses ----

TEST(DmfModelHeader, ComparesOriginCountsAndPitch) {
    RecordingBackend backend;
    TempDir dir;
    sim::Workpiece wp;
    make_block(wp, 4, 3, 0.5, 1, 1.0, 2.0);
    auto file = [&](auto edit) {
        HeaderSpec h;
        h.nx = 4;
        h.ny = 3;
        h.pitch = 0.5;
        h.placement[9] = 1.0;
        h.placement[10] = 2.0;
        edit(h);
        return dir.write("m.dmf", float_file(h, std::vector<float>(std::size_t(h.nx) * h.ny, 1.0f), 0.0f));
    };
    EXPECT_EQ(check_model_header(wp.geometry, file([](HeaderSpec&) {})), kSameGrid);
    EXPECT_EQ(check_model_header(wp.geometry, file([](HeaderSpec& h) { h.placement[9] += 0.0009; })), kSameGrid);
    EXPECT_EQ(check_model_header(wp.geometry, file([](HeaderSpec& h) { h.placement[9] += 0.0011; })), kOriginDiffers);
    EXPECT_EQ(check_model_header(wp.geometry, file([](HeaderSpec& h) { h.placement[10] -= 0.0011; })), kOriginDiffers);
    EXPECT_EQ(check_model_header(wp.geometry, file([](HeaderSpec& h) { h.nx = 5; })), kSizeDiffers);
    EXPECT_EQ(check_model_header(wp.geometry, file([](HeaderSpec& h) { h.pitch = 0.5000001; })), kPitchDiffers);
    EXPECT_EQ(check_model_header(wp.geometry, dir.path() + "none.dmf"), kCannotOpen);
    EXPECT_EQ(check_model_header(wp.geometry, dir.write("t.dmf", "VORNEX")), kCannotOpen);
    EXPECT_EQ(check_model_header(wp.geometry, dir.write("c.dmf", "\x0A" + std::string(200, 'x'))), kCannotOpen);
    EXPECT_TRUE(backend.recording().messages.empty());  // the check itself is silent
}

TEST(DmfModelHeader, DifferenceMessagesInBothLanguages) {
    RecordingBackend backend;
    show_model_difference(kOriginDiffers, "base.dmf");
    show_model_difference(kSameGrid, "base.dmf");
    {
        test::EnglishTexts english;
        show_model_difference(kCannotOpen, "base.dmf");
        show_model_difference(kSizeDiffers, "base.dmf");
        show_model_difference(kPitchDiffers, "base.dmf");
    }
    const auto& m = backend.recording().messages;
    ASSERT_EQ(m.size(), 4u);
    EXPECT_EQ(m[0].title, "base.dmf");
    EXPECT_EQ(m[0].body, "位置が異なります");
    EXPECT_EQ(m[1].body, "File is not found.");
    EXPECT_EQ(m[2].body, "Sizes differ.");
    EXPECT_EQ(m[3].body, "Work Pitches differ.");
}

// ---- Resampling: triangle planes, no material outside, the last row and column ----

TEST(DmfModelResample, MatchesHandWorkedTriangles) {
    const sim::GridGeometry grid = target_grid();
    std::vector<float> target(static_cast<std::size_t>(grid.cell_count), 123.0f);
    std::int64_t reported = 0;
    resample_model({0.0, 0.0, 2.0, 3, 2}, kModel.data(), grid, target.data(),
                   [&](std::int64_t done) { reported = done; });
    EXPECT_EQ(target, kExpected);
    EXPECT_EQ(reported, grid.cell_count);
}

TEST(DmfModelResample, FromAFileUnderItsProgressWindow) {
    RecordingBackend backend;
    TempDir dir;
    const sim::GridGeometry grid = target_grid();
    std::vector<float> target(static_cast<std::size_t>(grid.cell_count));
    ASSERT_EQ(load_model_heights(grid, dir.write("m.DMF", float_file(model_spec(), kModel, 0.0f)), target.data()), 1);
    EXPECT_EQ(target, kExpected);
    EXPECT_EQ(backend.recording().progress_titles, std::vector<std::string>{"Set Z-Value"});
    // A uniform model is level everywhere it reaches.
    HeaderSpec u = model_spec();
    u.body_form = kBodyUniform;
    ASSERT_EQ(load_model_heights(grid, dir.write("u.dmf", float_file(u, {2.5f}, 0.0f)), target.data()), 1);
    for (std::size_t k = 0; k < target.size(); ++k) EXPECT_EQ(target[k], kExpected[k] == N ? N : 2.5f) << k;
}

TEST(DmfModelResample, SameGridIsReadStraight) {
    RecordingBackend backend;
    TempDir dir;
    sim::GridGeometry grid;
    ASSERT_EQ(sim::size_grid(grid, 0.0, 0.0, 4.0, 2.0, 2.0), 1);
    std::vector<float> target(6);
    ASSERT_EQ(load_model_heights(grid, dir.write("m.dmf", float_file(model_spec(), kModel, 0.0f)), target.data()), 1);
    EXPECT_EQ(target, kModel);
    EXPECT_TRUE(backend.recording().progress_titles.empty());
}

// ---- Loading into the workpiece: refusals keep the loaded model ----

TEST(DmfModelLoad, BasicAndMergeModelsAreMarkedLoaded) {
    RecordingBackend backend;
    TempDir dir;
    sim::Workpiece wp;
    make_block(wp, 6, 4, 1.0, 1, -1.0, 0.0);
    const std::string model = dir.write("m.dmf", float_file(model_spec(), kModel, 0.0f));
    ASSERT_EQ(load_model(wp, model, ModelUse::Basic), 1);
    EXPECT_TRUE(wp.basic_loaded);
    EXPECT_EQ(std::vector<float>(wp.basic_model.data, wp.basic_model.data + 24), kExpected);
    ASSERT_EQ(load_model(wp, model, ModelUse::Merge), 1);
    EXPECT_TRUE(wp.merge_loaded);
    EXPECT_EQ(std::vector<float>(wp.merge_model.data, wp.merge_model.data + 24), kExpected);

    const std::string broken = dir.write("b.dmf", float_file(model_spec(), kModel, 0.0f).substr(0, 170));
    EXPECT_EQ(load_model(wp, broken, ModelUse::Basic), 0);
    EXPECT_TRUE(wp.basic_loaded);
    EXPECT_EQ(std::vector<float>(wp.basic_model.data, wp.basic_model.data + 24), kExpected);
    ASSERT_EQ(backend.recording().messages.size(), 1u);
    EXPECT_EQ(backend.recording().messages[0].title, broken);
}

TEST(DmfModelLoad, MemoryFailuresNameTheirArray) {
    RecordingBackend backend;
    TempDir dir;
    sim::Workpiece wp;
    make_block(wp, 6, 4, 1.0, 1, -1.0, 0.0);  // 96 bytes per model array
    const std::string small = dir.write("s.dmf", float_file(model_spec(), kModel, 0.0f));  // 24 bytes
    HeaderSpec big = model_spec();
    big.nx = big.ny = 20;  // 1600 bytes to resample from
    const std::string large = dir.write("l.dmf", float_file(big, std::vector<float>(400, 1.0f), 0.0f));
    backend.recording().available_memory = 50;
    EXPECT_EQ(load_model(wp, small, ModelUse::Basic), 0);
    EXPECT_EQ(load_model(wp, small, ModelUse::Merge), 0);
    backend.recording().available_memory = 1000;
    EXPECT_EQ(load_model(wp, large, ModelUse::Merge), 0);
    const auto& m = backend.recording().messages;
    ASSERT_EQ(m.size(), 3u);
    EXPECT_EQ(m[0].title, "Basic Model");
    EXPECT_EQ(m[1].title, "Merge Model");
    EXPECT_EQ(m[2].title, "Calculation for Basic Model");
    for (const auto& message : m) EXPECT_EQ(message.body, "Memory over!");
    EXPECT_FALSE(wp.basic_loaded);
    EXPECT_FALSE(wp.merge_loaded);
}

TEST(DmfModelLoad, FormatsByReaderAndMisnamedFiles) {
    RecordingBackend backend;
    test::EnglishTexts english;
    TempDir dir;
    const sim::GridGeometry grid = target_grid();
    std::vector<float> target(static_cast<std::size_t>(grid.cell_count));
    EXPECT_EQ(load_model_heights(grid, dir.write("part.STL", "solid x\n"), target.data()), 0);
    EXPECT_EQ(load_model_heights(grid, dir.write("part.wrk", "x"), target.data()), 0);
    EXPECT_EQ(load_model_heights(grid, dir.write("p.dmfz", float_file(model_spec(), kModel, 0.0f)), target.data()), 0);
    const auto& m = backend.recording().messages;
    ASSERT_EQ(m.size(), 3u);
    // An STL is read by its own reader: these few bytes hold no triangle.
    EXPECT_EQ(m[0].title, dir.path() + "part.STL");
    EXPECT_EQ(m[0].body, "The STL file holds no triangle that can be used. (" + dir.path() + "part.STL)");
    EXPECT_EQ(m[1].body, "Models in this format cannot be loaded yet: no reader is available.");
    EXPECT_EQ(m[2].title, "Warning");
    EXPECT_EQ(m[2].body, "Broken Data?");
}

}  // namespace
}  // namespace vx::work
