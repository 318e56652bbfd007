#include "work/dmf.h"

#include "dmf_fixture.h"
#include "support/recording_backend.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <functional>
#include <limits>

namespace vx::work {
namespace {

using test::Bytes;
using test::cut_everything;
using test::float_file;
using test::HeaderSpec;
using test::make_block;
using vx::testing::RecordingBackend;
using vx::testing::TempDir;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// A 3 x 2 full body at pitch 0.5, float heights, no layers: 192 bytes.
HeaderSpec small_spec() {
    HeaderSpec h;
    h.nx = 3;
    h.ny = 2;
    h.pitch = 0.5;
    return h;
}
const std::vector<float> kSmallHeights{1, 2, 3, 4, 5, 6};

// A level-3 full body of 3 x 2: heights, attributes 1..6, line numbers 11..16, bottom -2; then
// `padding` bytes of 0x7F before the trailer.
std::string level_three_file(std::int32_t layer_code = kLayersLineNumbers, int padding = 0) {
    HeaderSpec h = small_spec();
    h.layer_code = layer_code;
    Bytes b = test::header_bytes(h);
    for (float v : kSmallHeights) b.add(v);
    for (std::uint8_t a = 1; a <= 6; ++a) b.add(a);
    for (std::int32_t n = 11; n <= 16; ++n) b.add(n);
    for (int k = 0; k < padding; ++k) b.add(std::uint8_t{0x7F});
    b.add(std::int32_t{0}).add(std::int32_t{1}).add(-2.0f);
    return b.s;
}

// ---- Placement: the origin comes from the translation, or from the 3x4 matrix's column ----

TEST(DmfOpenPlacement, IdentityTakesTheTranslation) {
    RecordingBackend backend;
    HeaderSpec h = small_spec();
    h.placement = {1, 0, 0, 0, 1, 0, 0, 0, 1, 12.5, -7.0, 3.0};
    TempDir dir;
    sim::Workpiece wp;
    const OpenResult r = open_workpiece(wp, dir.write("p.dmf", float_file(h, kSmallHeights, 0.0f)), {});
    ASSERT_EQ(r.status, 1);
    EXPECT_EQ(wp.geometry.origin_x, 12.5);
    EXPECT_EQ(wp.geometry.origin_y, -7.0);
    EXPECT_EQ(r.origin_z, 3.0);
    EXPECT_EQ(wp.geometry.max_x, 13.5);
    EXPECT_EQ(wp.geometry.max_y, -6.5);
}

TEST(DmfOpenPlacement, OtherMatrixTakesValuesFourAndEight) {
    RecordingBackend backend;
    HeaderSpec h = small_spec();
    h.placement = {2, 0, 0, 7.5, 0, 1, 0, -3.25, 0, 0, 1, 4.0};
    TempDir dir;
    sim::Workpiece wp;
    const OpenResult r = open_workpiece(wp, dir.write("p.dmf", float_file(h, kSmallHeights, 0.0f)), {});
    ASSERT_EQ(r.status, 1);
    EXPECT_EQ(wp.geometry.origin_x, 7.5);
    EXPECT_EQ(wp.geometry.origin_y, -3.25);
    EXPECT_EQ(r.origin_z, 4.0);
}

// ---- Layers: what the file lacks reads 0; what the workpiece lacks is skipped ----

TEST(DmfOpenLayers, HeightsOnlyFileClearsAttributesOfAReusedGrid) {
    RecordingBackend backend;
    sim::Workpiece wp;
    make_block(wp, 3, 2, 0.5);
    cut_everything(wp);  // same grid: the arrays are reused with their old contents
    TempDir dir;
    ASSERT_EQ(open_workpiece(wp, dir.write("l.dmf", float_file(small_spec(), kSmallHeights, 0.0f)), {}).status, 1);
    for (int k = 0; k < 6; ++k) {
        EXPECT_EQ(wp.height.data[k], kSmallHeights[k]);
        EXPECT_EQ(wp.attribute.data[k], 0);
        EXPECT_EQ(wp.line_number.data[k], 0);
    }
}

TEST(DmfOpenLayers, LineNumbersAreSkippedWhenTheDataLevelKeepsNone) {
    RecordingBackend backend;
    TempDir dir;
    const std::string path = dir.write("l3.dmf", level_three_file());
    for (int data_level : {1, 2, 3, 4}) {
        sim::Workpiece wp;
        ASSERT_EQ(open_workpiece(wp, path, {data_level, false}).status, 1) << data_level;
        EXPECT_EQ(sim::has_line_layer(wp), sim::level_keeps_line_numbers(data_level));
        for (int k = 0; k < 6; ++k) {
            EXPECT_EQ(wp.height.data[k], kSmallHeights[k]);
            EXPECT_EQ(wp.attribute.data[k], k + 1);
            if (sim::has_line_layer(wp)) {
                EXPECT_EQ(wp.line_number.data[k], 11 + k);
            }
        }
        EXPECT_EQ(wp.work_bottom, -2.0);
    }
}

// Every layer code from 2 up carries the attribute byte and the line number; the trailer is the
// last 12 bytes, whatever lies between the body and it.
TEST(DmfOpenLayers, CodesTwoToFourReadLikeFiveAndTheTrailerIsTheLastTwelveBytes) {
    RecordingBackend backend;
    TempDir dir;
    for (const std::int32_t code : {2, 3, 4, 5})
        for (const int padding : {0, 7}) {
            SCOPED_TRACE("layer code " + std::to_string(code) + ", padding " + std::to_string(padding));
            sim::Workpiece wp;
            ASSERT_EQ(open_workpiece(wp, dir.write("c.dmf", level_three_file(code, padding)), {}).status, 1);
            for (int k = 0; k < 6; ++k) {
                EXPECT_EQ(wp.height.data[k], kSmallHeights[k]);
                EXPECT_EQ(wp.attribute.data[k], k + 1);
                EXPECT_EQ(wp.line_number.data[k], 11 + k);
            }
            EXPECT_EQ(wp.work_bottom, -2.0);
        }
}

// ---- Bounding values, state and heights ----

TEST(DmfOpenState, HighestStartsAtTheFloorValueExceptForAUniformBody) {
    RecordingBackend backend;
    TempDir dir;
    sim::Workpiece wp;
    ASSERT_EQ(open_workpiece(wp, dir.write("f.dmf", float_file(small_spec(), std::vector<float>(6, -100000.0f), -100000.0f)), {}).status, 1);
    EXPECT_EQ(wp.highest, -99999.0);
    EXPECT_EQ(wp.modification_state, sim::kModified);
    HeaderSpec u = small_spec();
    u.body_form = kBodyUniform;
    ASSERT_EQ(open_workpiece(wp, dir.write("u.dmf", float_file(u, {-100000.5f}, -200000.0f)), {}).status, 1);
    EXPECT_EQ(wp.highest, -100000.5);
    EXPECT_EQ(wp.work_top, -100000.5);
    EXPECT_EQ(wp.work_bottom, -200000.0);
    EXPECT_EQ(wp.modification_state, sim::kDefined);
    EXPECT_EQ(wp.height.data[5], -100000.5f);
    // While the workpiece is shared a uniform body counts as modified too.
    ASSERT_EQ(open_workpiece(wp, dir.path() + "u.dmf", {1, true}).status, 1);
    EXPECT_EQ(wp.modification_state, sim::kModified);
}

// Regression: 2 minus a body form other than 0 or 1 gave a negative state, or "no workpiece".
TEST(DmfOpenState, AnyOtherBodyFormIsAModifiedFullBody) {
    RecordingBackend backend;
    HeaderSpec h = small_spec();
    h.body_form = 7;
    TempDir dir;
    sim::Workpiece wp;
    ASSERT_EQ(open_workpiece(wp, dir.write("b.dmf", float_file(h, kSmallHeights, 0.0f)), {}).status, 1);
    EXPECT_EQ(wp.modification_state, sim::kModified);
    EXPECT_EQ(wp.highest, 6.0);
    EXPECT_EQ(wp.coordinate.data[2], 1.0);
    EXPECT_EQ(wp.geometry.pitch_squared, 0.25);
}

TEST(DmfOpenState, IntegerCountsTakeTheFilesQuantum) {
    RecordingBackend backend;
    HeaderSpec h = small_spec();
    h.quantum = 0.01;
    Bytes b = test::header_bytes(h);
    for (std::int32_t c : {150, -25, 0, 1, 2, 3}) b.add(c);
    b.add(std::int32_t{0}).add(std::int32_t{1}).add(std::int32_t{-300});
    TempDir dir;
    sim::Workpiece wp;
    ASSERT_EQ(open_workpiece(wp, dir.write("i.dmf", b.s), {}).status, 1);
    EXPECT_EQ(wp.height.data[0], float(150 * 0.01));
    EXPECT_EQ(wp.height.data[1], float(-25 * 0.01));
    EXPECT_EQ(wp.work_bottom, double(float(-300 * 0.01)));
}

TEST(DmfOpenState, PitchChangeIsReportedForTheToolProfile) {
    RecordingBackend backend;
    TempDir dir;
    sim::Workpiece wp;
    const std::string half = dir.write("h.dmf", float_file(small_spec(), kSmallHeights, 0.0f));
    HeaderSpec other = small_spec();
    other.pitch = 0.25;
    const std::string quarter = dir.write("q.dmf", float_file(other, kSmallHeights, 0.0f));
    EXPECT_TRUE(open_workpiece(wp, half, {}).pitch_changed);
    EXPECT_FALSE(open_workpiece(wp, half, {}).pitch_changed);
    EXPECT_TRUE(open_workpiece(wp, quarter, {}).pitch_changed);
}

// ---- Refusals: a broken file never reaches the workpiece ----
// Each case would otherwise allocate from a made-up count, index past the body or load garbage.

struct Broken {
    const char* what;
    std::function<std::string()> bytes;
    DmfProblem problem;
};

std::string with_header(const std::function<void(HeaderSpec&)>& edit, std::vector<float> heights = kSmallHeights,
                        float bottom = 0.0f) {
    HeaderSpec h = small_spec();
    edit(h);
    return float_file(h, heights, bottom);
}

TEST(DmfOpenRefusal, BrokenFilesLeaveTheWorkpieceUnchanged) {
    RecordingBackend backend;
    test::EnglishTexts english;
    const std::string good = float_file(small_spec(), kSmallHeights, 0.0f);
    const Broken cases[] = {
        {"empty", [] { return std::string(); }, DmfProblem::Short},
        {"header only", [&] { return good.substr(0, 156); }, DmfProblem::Short},
        {"one byte short", [&] { return good.substr(0, good.size() - 1); }, DmfProblem::Size},
        {"nx 1", [] { return with_header([](HeaderSpec& h) { h.nx = 1; }); }, DmfProblem::Counts},
        {"ny negative", [] { return with_header([](HeaderSpec& h) { h.ny = -2; }); }, DmfProblem::Counts},
        {"cells beyond int32", [] { return with_header([](HeaderSpec& h) { h.nx = h.ny = 65536; }); }, DmfProblem::Counts},
        {"counts beyond the body", [] { return with_header([](HeaderSpec& h) { h.nx = h.ny = 40000; }); }, DmfProblem::Size},
        {"pitch 0", [] { return with_header([](HeaderSpec& h) { h.pitch = 0.0; }); }, DmfProblem::Pitch},
        {"pitch negative", [] { return with_header([](HeaderSpec& h) { h.pitch = -0.5; }); }, DmfProblem::Pitch},
        {"pitch NaN", [] { return with_header([](HeaderSpec& h) { h.pitch = kNaN; }); }, DmfProblem::Pitch},
        {"pitch infinite", [] { return with_header([](HeaderSpec& h) { h.pitch = kInf; }); }, DmfProblem::Pitch},
        {"origin NaN", [] { return with_header([](HeaderSpec& h) { h.placement[9] = kNaN; }); }, DmfProblem::Placement},
        {"extent overflows", [] { return with_header([](HeaderSpec& h) { h.pitch = 1e308; }); }, DmfProblem::Placement},
        {"quantum infinite", [] { return with_header([](HeaderSpec& h) { h.quantum = kInf; }); }, DmfProblem::Quantum},
        {"layer code 6", [] { return with_header([](HeaderSpec& h) { h.layer_code = 6; }); }, DmfProblem::LayerCode},
        {"layer code -1", [] { return with_header([](HeaderSpec& h) { h.layer_code = -1; }); }, DmfProblem::LayerCode},
        {"height NaN", [] { return with_header([](HeaderSpec&) {}, {1, 2, kNaN, 4, 5, 6}); }, DmfProblem::Height},
        {"bottom infinite", [] { return with_header([](HeaderSpec&) {}, kSmallHeights, float(kInf)); }, DmfProblem::Height},
    };
    TempDir dir;
    for (const Broken& c : cases) {
        SCOPED_TRACE(c.what);
        backend.recording().messages.clear();
        sim::Workpiece wp;
        make_block(wp, 4, 4);
        wp.height.data[3] = 2.5f;
        const std::string path = dir.write("broken.dmf", c.bytes());
        const OpenResult r = open_workpiece(wp, path, {});
        EXPECT_EQ(r.status, 0);
        EXPECT_FALSE(r.workpiece_lost);
        EXPECT_EQ(wp.geometry.nx, 4);
        EXPECT_EQ(wp.height.data[3], 2.5f);
        EXPECT_EQ(wp.modification_state, sim::kDefined);
        EXPECT_EQ(wp.work_bottom, -5.0);
        ASSERT_EQ(backend.recording().messages.size(), 1u);
        EXPECT_EQ(backend.recording().messages[0].title, path);
        EXPECT_EQ(backend.recording().messages[0].body, std::string(problem_text(c.problem)) + " (" + path + ")");
    }
}

TEST(DmfOpenRefusal, MissingFileOrFolderCannotBeOpened) {
    RecordingBackend backend;
    TempDir dir;
    sim::Workpiece wp;
    EXPECT_EQ(open_workpiece(wp, dir.path() + "none.dmf", {}).status, 0);
    std::filesystem::create_directory(dir.path() + "d.dmf");
    EXPECT_EQ(open_workpiece(wp, dir.path() + "d.dmf", {}).status, 0);
    ASSERT_EQ(backend.recording().messages.size(), 2u);
    EXPECT_EQ(backend.recording().messages[1].body,
              std::string(problem_text(DmfProblem::CannotOpen)) + " (" + dir.path() + "d.dmf)");
}

TEST(DmfOpenRefusal, AllocationFailureLeavesNoWorkpiece) {
    RecordingBackend backend;
    test::EnglishTexts english;
    sim::Workpiece wp;
    make_block(wp, 2, 2);  // too small to be reused for the file's 3 x 2
    backend.recording().available_memory = 16;
    TempDir dir;
    const OpenResult r = open_workpiece(wp, dir.write("m.dmf", float_file(small_spec(), kSmallHeights, 0.0f)), {});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.workpiece_lost);
    EXPECT_EQ(wp.modification_state, sim::kNoWorkpiece);
    ASSERT_EQ(backend.recording().messages.size(), 1u);
    EXPECT_EQ(backend.recording().messages[0].title, "Work Size");
    EXPECT_EQ(backend.recording().messages[0].body, "Memory over! Try again!");
}

// ---- Compressed files: a ".DMFZ" name must hold compressed content ----

TEST(DmfOpenCompressed, DmfzNameWithPlainContentIsBrokenData) {
    RecordingBackend backend;
    TempDir dir;
    sim::Workpiece wp;
    make_block(wp, 4, 4);
    EXPECT_EQ(open_workpiece(wp, dir.write("p.dmfz", float_file(small_spec(), kSmallHeights, 0.0f)), {}).status, 0);
    EXPECT_EQ(wp.geometry.nx, 4);
    EXPECT_EQ(wp.modification_state, sim::kDefined);
    ASSERT_EQ(backend.recording().messages.size(), 1u);
    EXPECT_EQ(backend.recording().messages[0].title, "Warning");
    EXPECT_EQ(backend.recording().messages[0].body, "Broken Data?");
    EXPECT_TRUE(has_dmf_suffix("a.Dmf"));
    EXPECT_TRUE(has_dmf_suffix("a.dmfz"));
    EXPECT_FALSE(has_dmf_suffix("a.stl"));
    EXPECT_FALSE(has_dmfz_suffix("a.dmf"));
}

}  // namespace
}  // namespace vx::work
