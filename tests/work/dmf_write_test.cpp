#include "work/dmf.h"

#include "dmf_fixture.h"
#include "platform/files.h"
#include "support/recording_backend.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <sys/resource.h>

namespace vx::work {
namespace {

using test::cut_everything;
using test::make_block;
using vx::testing::RecordingBackend;
using vx::testing::TempDir;

template <class T>
T at(const std::string& bytes, std::size_t offset) {
    T v{};
    EXPECT_LE(offset + sizeof v, bytes.size());
    if (offset + sizeof v <= bytes.size()) std::memcpy(&v, bytes.data() + offset, sizeof v);
    return v;
}

std::vector<std::string> entries(const std::string& dir) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir)) names.push_back(e.path().filename().string());
    return names;
}

// ---- Bytes: the layout other programs read, offset by offset ----

TEST(DmfWriteBytes, IntegerFileAtLevelTwoHasEveryFieldWhereTheLayoutPutsIt) {
    sim::Workpiece wp;
    make_block(wp, 3, 2, 0.5, 1, 10.5, -2.0);
    const float heights[6] = {1.0f, -0.0004f, -0.0006f, 0.0015f, 2.5f, -3.25f};
    for (int k = 0; k < 6; ++k) {
        wp.height.data[k] = heights[k];
        wp.attribute.data[k] = static_cast<std::uint8_t>(k + 1);
    }
    wp.modification_state = sim::kModified;
    TempDir dir;
    ASSERT_EQ(write_workpiece_file(wp, dir.path() + "a.dmf", {2, true}), 1);
    const std::string b = dir.read("a.dmf");
    ASSERT_EQ(b.size(), 156u + 6 * 4 + 6 + 12);
    EXPECT_EQ(b.substr(0, 16), "VORNEX          ");
    const double placement[12] = {1, 0, 0, 0, 1, 0, 0, 0, 1, 10.5, -2.0, 0.0};
    for (int k = 0; k < 12; ++k) EXPECT_EQ(at<double>(b, 16 + 8 * k), placement[k]) << k;
    EXPECT_EQ(at<std::int32_t>(b, 112), 3);
    EXPECT_EQ(at<std::int32_t>(b, 116), 2);
    EXPECT_EQ(at<std::int32_t>(b, 120), 2);
    EXPECT_EQ(at<double>(b, 124), 0.5);
    EXPECT_EQ(at<double>(b, 132), 0.5);
    // The single-precision 0.001 widened: 0.0010000000474974513.
    EXPECT_EQ(b.substr(140, 8), std::string("\x00\x00\x00\xe0\x4d\x62\x50\x3f", 8));
    EXPECT_EQ(at<std::int32_t>(b, 148), 1);
    EXPECT_EQ(at<std::int32_t>(b, 152), 0);
    // Half away from zero: -0.4 -> 0, -0.6 -> -1, 1.5 -> 2.
    const std::int32_t counts[6] = {1000, 0, -1, 2, 2500, -3250};
    for (int k = 0; k < 6; ++k) EXPECT_EQ(at<std::int32_t>(b, 156 + 4 * k), counts[k]) << k;
    EXPECT_EQ(b.substr(180, 6), std::string("\x01\x02\x03\x04\x05\x06"));
    EXPECT_EQ(at<std::int32_t>(b, 186), 0);
    EXPECT_EQ(at<std::int32_t>(b, 190), 1);
    EXPECT_EQ(at<std::int32_t>(b, 194), -5000);
}

TEST(DmfWriteBytes, UncutBlockIsOneSetOfValuesWhateverItsSize) {
    sim::Workpiece wp;
    make_block(wp, 400, 300);
    TempDir dir;
    ASSERT_EQ(write_workpiece_file(wp, dir.path() + "u.dmf", {3, false}), 1);
    const std::string b = dir.read("u.dmf");
    ASSERT_EQ(b.size(), 177u);  // 156 + height 4 + attribute 1 + line 4 + trailer 12
    EXPECT_EQ(at<double>(b, 140), 0.0);
    EXPECT_EQ(at<std::int32_t>(b, 148), kLayersLineNumbers);
    EXPECT_EQ(at<std::int32_t>(b, 152), kBodyUniform);
    EXPECT_EQ(at<float>(b, 156), 10.0f);
    EXPECT_EQ(b[160], '\0');
    EXPECT_EQ(at<std::int32_t>(b, 161), 0);
    EXPECT_EQ(at<float>(b, 173), -5.0f);
}

TEST(DmfWriteBytes, LevelThreeWithoutLineLayerWritesAttributesOnly) {
    for (int data_level : {2, 4}) {
        sim::Workpiece wp;
        make_block(wp, 5, 5, 1.0, data_level);
        EXPECT_EQ(layer_code_for_save(wp, 3), kLayersAttributes);
        TempDir dir;
        ASSERT_EQ(write_workpiece_file(wp, dir.path() + "u.dmf", {3, false}), 1);
        const std::string b = dir.read("u.dmf");
        EXPECT_EQ(b.size(), 173u);
        EXPECT_EQ(at<std::int32_t>(b, 148), kLayersAttributes);
    }
}

TEST(DmfWriteBytes, CountsRoundHalfAwayFromZeroAndSaturate) {
    EXPECT_EQ(height_to_count(-0.0004), 0);
    EXPECT_EQ(height_to_count(-0.0006), -1);
    EXPECT_EQ(height_to_count(0.0004), 0);
    EXPECT_EQ(height_to_count(0.0006), 1);
    EXPECT_EQ(height_to_count(double(0.0015f)), 2);
    EXPECT_EQ(height_to_count(double(-0.0015f)), -2);
    EXPECT_EQ(height_to_count(0.0), 0);
    EXPECT_EQ(height_to_count(-100000.0), -100000000);
    EXPECT_EQ(height_to_count(1e12), INT32_MAX);
    EXPECT_EQ(height_to_count(-1e12), INT32_MIN);
}

// ---- Round trip: what is saved at a level is what opening gives back ----

TEST(DmfRoundTrip, EveryLevelStorageAndBodyForm) {
    RecordingBackend backend;
    TempDir dir;
    // More cells than one read chunk, so chunk boundaries are crossed.
    constexpr int kNx = 301, kNy = 230;
    for (int level = 1; level <= 3; ++level)
        for (bool integer : {false, true})
            for (bool cut : {false, true}) {
                SCOPED_TRACE(::testing::Message() << "level " << level << " int " << integer << " cut " << cut);
                sim::Workpiece source;
                make_block(source, kNx, kNy, 0.25, 1, -12.5, 3.0);
                if (cut) cut_everything(source);
                ASSERT_EQ(write_workpiece_file(source, dir.path() + "r.dmf", {level, integer}), 1);
                sim::Workpiece wp;
                const OpenResult r = open_workpiece(wp, dir.path() + "r.dmf", {});
                ASSERT_EQ(r.status, 1);
                EXPECT_EQ(wp.geometry.nx, kNx);
                EXPECT_EQ(wp.geometry.ny, kNy);
                EXPECT_EQ(wp.geometry.origin_x, -12.5);
                EXPECT_EQ(wp.geometry.max_y, 3.0 + 229 * 0.25);
                EXPECT_EQ(wp.modification_state, cut ? sim::kModified : sim::kDefined);
                EXPECT_EQ(wp.work_bottom, -5.0);
                float highest = -99999.0f;
                int wrong_heights = 0, wrong_attributes = 0, wrong_lines = 0;
                for (std::int32_t k = 0; k < wp.geometry.cell_count; ++k) {
                    const float h = source.height.data[k];
                    const float expected = integer ? float(double(height_to_count(h)) * kIntegerQuantum) : h;
                    highest = std::max(highest, expected);
                    wrong_heights += wp.height.data[k] != expected;
                    wrong_attributes += wp.attribute.data[k] != (level >= 2 ? source.attribute.data[k] : 0);
                    wrong_lines += wp.line_number.data[k] != (level >= 3 ? source.line_number.data[k] : 0);
                }
                EXPECT_EQ(wrong_heights, 0);
                EXPECT_EQ(wrong_attributes, 0);
                EXPECT_EQ(wrong_lines, 0);
                EXPECT_EQ(wp.highest, highest);
            }
    EXPECT_TRUE(backend.recording().messages.empty());
}

// ---- Failed writes: the previous file survives and nothing is left behind ----

TEST(DmfWriteFailure, TargetThatIsAFolderIsRefusedAndLeftAlone) {
    RecordingBackend backend;
    test::EnglishTexts english;
    sim::Workpiece wp;
    make_block(wp, 4, 4);
    TempDir dir;
    std::filesystem::create_directory(dir.path() + "w.dmf");
    EXPECT_EQ(save_workpiece(wp, dir.path() + "w.dmf", {}), 0);
    EXPECT_TRUE(std::filesystem::is_directory(dir.path() + "w.dmf"));
    EXPECT_EQ(entries(dir.path()), std::vector<std::string>{"w.dmf"});
    ASSERT_EQ(backend.recording().messages.size(), 1u);
    EXPECT_EQ(backend.recording().messages[0].title, "Disk Over?");
    EXPECT_EQ(backend.recording().messages[0].body, "Write Error");
    // A folder that does not exist cannot hold the file either.
    EXPECT_EQ(write_workpiece_file(wp, dir.path() + "missing/w.dmf", {}), 0);
}

TEST(DmfWriteFailure, WriteCutShortKeepsThePreviousFile) {
    sim::Workpiece wp;
    make_block(wp, 100, 100);
    cut_everything(wp);
    TempDir dir;
    const std::string target = dir.write("w.dmf", "previous contents");
    // The file size limit makes the write fail part way, as a full disk would.
    struct rlimit old {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const int result = write_workpiece_file(wp, target, {3, false});
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, old_handler);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(dir.read("w.dmf"), "previous contents");
    EXPECT_EQ(entries(dir.path()), std::vector<std::string>{"w.dmf"});
    // Without the limit the same save replaces it.
    EXPECT_EQ(write_workpiece_file(wp, target, {3, false}), 1);
    EXPECT_EQ(dir.read("w.dmf").size(), 156u + 100 * 100 * 9 + 12);
}

TEST(DmfWriteFailure, UncommittedStagedFileLeavesNothing) {
    TempDir dir;
    dir.write("t.bin", "old");
    {
        platform::StagedFile file(dir.path() + "t.bin");
        EXPECT_TRUE(file.write("new bytes", 9));
    }
    EXPECT_EQ(dir.read("t.bin"), "old");
    EXPECT_EQ(entries(dir.path()), std::vector<std::string>{"t.bin"});
}

TEST(DmfWriteFailure, NothingToSaveWithoutAWorkpiece) {
    RecordingBackend backend;
    sim::Workpiece wp;
    TempDir dir;
    EXPECT_EQ(save_workpiece(wp, dir.path() + "n.dmf", {}), 0);
    EXPECT_TRUE(entries(dir.path()).empty());
}

TEST(DmfWriteFailure, FailedCompressedSaveIsReportedAndWritesNothing) {
    RecordingBackend backend;
    sim::Workpiece wp;
    make_block(wp, 4, 4);
    TempDir dir;
    EXPECT_EQ(save_workpiece(wp, dir.path() + "missing/c.DmfZ", {}), 0);
    EXPECT_TRUE(entries(dir.path()).empty());
    ASSERT_EQ(backend.recording().messages.size(), 1u);
    EXPECT_EQ(backend.recording().messages[0].title, "Disk Over?");
    EXPECT_EQ(backend.recording().messages[0].body, "Write Error");
}

}  // namespace
}  // namespace vx::work
