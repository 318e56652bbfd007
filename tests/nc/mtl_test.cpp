#include "nc/mtl.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <string>

namespace vx::nc {
namespace {

using vx::testing::TempDir;

Mtl parsed(std::string_view text) {
    Mtl m;
    parse_mtl(text, m);
    return m;
}

// Keys and defaults: a key sets only its own fields, the longer key wins where one key begins
// another, and the fields a file leaves out keep the built-in values.
TEST(MtlKeys, DefaultsHoldForAnEmptyFile) {
    Mtl m = parsed("");
    EXPECT_EQ(m.atc_type, kAtcDirect);
    EXPECT_DOUBLE_EQ(m.tool_change_time, 1.0);
    for (int a = 0; a < 3; ++a) {
        EXPECT_DOUBLE_EQ(m.rapid[a], 10000.0);
        EXPECT_DOUBLE_EQ(m.rapid_acceleration[a], 0.1);
        EXPECT_DOUBLE_EQ(m.max_feed[a], 10000.0);
        EXPECT_DOUBLE_EQ(m.acceleration[a], 0.3);
    }
    EXPECT_EQ(m.attachment_count, 0);
    EXPECT_EQ(initial_attachment(m), nullptr);
}

TEST(MtlKeys, MaximumFeedrateAloneSetsAllThreeAndNotTheRapids) {
    Mtl m = parsed("MAXIMUM FEEDRATE=5000\n");
    EXPECT_EQ(m.max_feed, (std::array<double, 3>{5000, 5000, 5000}));
    EXPECT_EQ(m.rapid, (std::array<double, 3>{10000, 10000, 10000}));
}

TEST(MtlKeys, AxisFormOfMaximumFeedrateIsNotTakenForTheShortKey) {
    Mtl m = parsed("MAXIMUM FEEDRATE(Y)=3000\n");
    EXPECT_EQ(m.max_feed, (std::array<double, 3>{10000, 3000, 10000}));
}

TEST(MtlKeys, MaximumAccelerationWritesTheSameFieldAsAcceleration) {
    Mtl m = parsed("ACCELERATION(Y)=0.5\nMAXIMUM ACCELERATION(Y)=0.2\n");
    EXPECT_DOUBLE_EQ(m.acceleration[1], 0.2);
    EXPECT_DOUBLE_EQ(m.acceleration[0], 0.3);
}

TEST(MtlKeys, RapidAndRapidAccelerationAreSeparateKeys) {
    Mtl m = parsed("rapid(z)= 24000\r\nRAPID ACCELERATION(X) = 0.25\r\nTOOL CHANGE TIME=4.5\r\n");
    EXPECT_DOUBLE_EQ(m.rapid[2], 24000);
    EXPECT_DOUBLE_EQ(m.rapid[0], 10000);
    EXPECT_DOUBLE_EQ(m.rapid_acceleration[0], 0.25);
    EXPECT_DOUBLE_EQ(m.tool_change_time, 4.5);
}

TEST(MtlKeys, KeyWithoutNumberSetsZero) {
    Mtl m = parsed("RAPID(X)=\nTOOL CHANGE TIME=none\n");
    EXPECT_DOUBLE_EQ(m.rapid[0], 0.0);
    EXPECT_DOUBLE_EQ(m.tool_change_time, 0.0);
}

TEST(MtlKeys, NameRunsToTheLineEndAndReachesTheHook) {
    std::string seen;
    MtlNameHook hook{&seen, [](void* c, std::string_view n) { *static_cast<std::string*>(c) = std::string(n); }};
    Mtl m;
    parse_mtl("NAME=VX-5 machining centre\nUNKNOWN LINE\n", m, hook);
    EXPECT_EQ(m.name, "VX-5 machining centre");
    EXPECT_EQ(seen, "VX-5 machining centre");
}

// Tool-change type: WAIT2 must not be read as WAIT, and the DIRECT T form gives the offset
// digit count that the interpreter splits T words by.
TEST(MtlAtcType, WaitAndWait2AreToldApart) {
    EXPECT_EQ(parsed("ATC TYPE=WAIT2\n").atc_type, kAtcWait2);
    EXPECT_EQ(parsed("ATC TYPE=WAIT\n").atc_type, kAtcWait);
    EXPECT_EQ(parsed("ATC TYPE=DIRECT\n").atc_type, kAtcDirect);
}

TEST(MtlAtcType, DirectTFormSwitchesTheCombinedWordOn) {
    Mtl m = parsed("ATC TYPE=DIRECT T4,2\n");
    EXPECT_EQ(m.atc_type, kAtcDirect);
    EXPECT_TRUE(m.combined_t);
    EXPECT_EQ(m.combined_first, 4);
    EXPECT_EQ(m.offset_digits, 2);
    EXPECT_FALSE(parsed("ATC TYPE=DIRECT\n").combined_t);
}

TEST(MtlAtcType, ReloadResetsTypeButKeepsRates) {
    Mtl m = parsed("ATC TYPE=WAIT\nRAPID(X)=6000\nATC TYPE=DIRECT T1,3\n");
    parse_mtl("NAME=second\n", m);
    EXPECT_EQ(m.atc_type, kAtcDirect);
    EXPECT_FALSE(m.combined_t);
    EXPECT_DOUBLE_EQ(m.rapid[0], 6000);
}

// Attachments: pairs become (width, height) steps, the list stops at a zero first value or five
// pairs, and the eleventh ATTACHMENT line ends the whole file.
TEST(MtlAttachments, TwoPairsGiveTwoSteps) {
    Mtl m = parsed("ATTACHMENT 3=SQUARE 50,20,80,40\n");
    const AttachmentShape* a = find_attachment(m, 3);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->count, 2);
    EXPECT_FLOAT_EQ(a->steps[0].width, 50);
    EXPECT_FLOAT_EQ(a->steps[0].height, 20);
    EXPECT_FLOAT_EQ(a->steps[1].width, 80);
    EXPECT_FLOAT_EQ(a->steps[1].height, 40);
    EXPECT_EQ(find_attachment(m, 2), nullptr);
}

TEST(MtlAttachments, ZeroFirstValueEndsTheList) {
    Mtl m = parsed("ATTACHMENT 1=SQUARE 50,20,0,40,90,10\n");
    EXPECT_EQ(find_attachment(m, 1)->count, 1);
}

TEST(MtlAttachments, AtMostFiveSteps) {
    Mtl m = parsed("ATTACHMENT 1=SQUARE 1,1,2,2,3,3,4,4,5,5,6,6\n");
    EXPECT_EQ(find_attachment(m, 1)->count, 5);
    EXPECT_FLOAT_EQ(find_attachment(m, 1)->steps[4].width, 5);
}

TEST(MtlAttachments, WithoutSquareNoSteps) {
    Mtl m = parsed("ATTACHMENT 4=ROUND 50,20\n");
    EXPECT_EQ(m.attachment_count, 1);
    EXPECT_FALSE(m.attachments[0].square);
    EXPECT_EQ(find_attachment(m, 4)->count, 0);
}

TEST(MtlAttachments, InitialAttachmentIsTheKthLine) {
    Mtl m = parsed("INI=ATTACHMENT 2\nATTACHMENT 7=SQUARE 10,10\nATTACHMENT 5=SQUARE 60,30\n");
    const AttachmentShape* a = initial_attachment(m);
    ASSERT_NE(a, nullptr);
    EXPECT_FLOAT_EQ(a->steps[0].width, 60);
    EXPECT_EQ(initial_attachment(parsed("INI=ATTACHMENT 3\nATTACHMENT 1=SQUARE 1,1\n")), nullptr);
}

TEST(MtlAttachments, EleventhAttachmentLineEndsTheFile) {
    std::string text;
    for (int i = 1; i <= 11; ++i) text += "ATTACHMENT " + std::to_string(i) + "=SQUARE 10,10\n";
    text += "RAPID(X)=1234\n";
    Mtl m = parsed(text);
    EXPECT_EQ(m.attachment_count, kMaxAttachments);
    EXPECT_EQ(find_attachment(m, 11), nullptr);
    EXPECT_DOUBLE_EQ(m.rapid[0], 10000);
}

// Loading from disk: a missing file keeps every value and says "not loaded"; the change watch
// sees a rewritten file.
TEST(MtlLoad, MissingFileKeepsValues) {
    Mtl m = parsed("RAPID(X)=6000\nATC TYPE=WAIT\n");
    EXPECT_EQ(load_mtl("/nonexistent/machn.mtl", m), 0);
    EXPECT_EQ(m.load_state, -1);
    EXPECT_DOUBLE_EQ(m.rapid[0], 6000);
    EXPECT_EQ(m.atc_type, kAtcWait);
}

TEST(MtlLoad, FileIsReadAndItsTimeWatched) {
    TempDir dir;
    std::string path = dir.write("machn.mtl", "RAPID(Y)=7000\n");
    Mtl m;
    ASSERT_EQ(load_mtl(path, m), 1);
    EXPECT_EQ(m.load_state, 1);
    EXPECT_DOUBLE_EQ(m.rapid[1], 7000);
    EXPECT_FALSE(mtl_file_changed(m));
    m.file_time -= 1;  // as if the file had been rewritten since
    EXPECT_TRUE(mtl_file_changed(m));
}

TEST(MtlLoad, WindowsCaseOfTheNameIsFound) {
    TempDir dir;
    dir.write("MACHN.MTL", "RAPID(Z)=5000\n");
    Mtl m;
    ASSERT_EQ(load_mtl(dir.path() + "machn.mtl", m), 1);
    EXPECT_DOUBLE_EQ(m.rapid[2], 5000);
}

}  // namespace
}  // namespace vx::nc
