#include "platform/files.h"
#include "platform/language.h"
#include "platform/log.h"
#include "platform/platform.h"

#include "support/recording_backend.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vx::platform {
namespace {

using vx::testing::RecordingBackend;
using vx::testing::TempDir;

// ---- Message routing ----
// A batch run has nobody to answer a box: its messages must land in the log, with the NC line
// in front, and the caller must get the unattended answer.

TEST(PlatformMessages, GoToTheBackendWhenNoLogIsOpen) {
    RecordingBackend backend;
    backend.recording().answers.push_back(Answer::No);
    EXPECT_EQ(show_message({"Work Size", "Memory over! Try again!", Buttons::YesNo}), Answer::No);
    ASSERT_EQ(backend.recording().messages.size(), 1u);
    EXPECT_EQ(backend.recording().messages[0].title, "Work Size");
    EXPECT_EQ(backend.recording().messages[0].body, "Memory over! Try again!");
}

TEST(PlatformMessages, GoToTheLogDuringABatch) {
    RecordingBackend backend;
    TempDir dir;
    ASSERT_TRUE(log_open(dir.path() + "logs/new/vornex.log"));  // missing folders are made
    log_set_line(12);
    EXPECT_EQ(show_message({"Work Size", "Memory over! Try again!", Buttons::YesNo, MessageIn::Body, Answer::Yes}),
              Answer::Yes);
    log_set_line(57);
    show_message({"Arc radius error", "/nc/a.nc", Buttons::Ok, MessageIn::Title});
    log_close();
    EXPECT_TRUE(backend.recording().messages.empty());
    EXPECT_EQ(dir.read("logs/new/vornex.log"), "(12) - Memory over! Try again!\n(57) - Arc radius error\n");
    // Appending, never truncating.
    ASSERT_TRUE(log_open(dir.path() + "logs/new/vornex.log"));
    log_write("\n");
    log_close();
    EXPECT_EQ(dir.read("logs/new/vornex.log"), "(12) - Memory over! Try again!\n(57) - Arc radius error\n\n");
}

TEST(PlatformMessages, UnopenableLogIsSkippedSilently) {
    RecordingBackend backend;
    EXPECT_FALSE(log_open("/proc/vornex-cannot/vornex.log"));
    EXPECT_FALSE(log_is_open());
    show_message({"T", "B"});
    EXPECT_EQ(backend.recording().messages.size(), 1u);
}

TEST(PlatformLanguage, PairsFollowTheFlag) {
    constexpr TextPair kPitch{"ピッチが0.0以下になっています。", "The pitch is 0.0 or less."};
    set_english(false);
    EXPECT_EQ(text(kPitch), "ピッチが0.0以下になっています。");
    set_english(true);
    EXPECT_EQ(text(kPitch), "The pitch is 0.0 or less.");
    set_english(false);
}

// ---- Files ----
// Windows-made names must still be found, and a replaced file is either the old one or the
// new one, never half of either.

TEST(PlatformFiles, FindsNamesInAnyCase) {
    TempDir dir;
    dir.write("Tools/ATC.TTL", "x");
    EXPECT_EQ(find_file(dir.path() + "Tools/ATC.TTL"), dir.path() + "Tools/ATC.TTL");
    EXPECT_EQ(find_file(dir.path() + "Tools/atc.ttl"), dir.path() + "Tools/ATC.TTL");
    EXPECT_FALSE(find_file(dir.path() + "tools/atc.ttl"));  // only the last component is matched
    EXPECT_FALSE(find_file(dir.path() + "Tools/"));
    EXPECT_EQ(slashes("C:\\nc\\a.nc"), "C:/nc/a.nc");
    EXPECT_EQ(with_trailing_slash("/a"), "/a/");
    EXPECT_EQ(with_trailing_slash(""), "");
    EXPECT_EQ(absolute("x.ttl", "/base"), "/base/x.ttl");
    EXPECT_EQ(absolute("/abs/x.ttl", "/base/"), "/abs/x.ttl");
}

TEST(PlatformFiles, ReplaceIsAllOrNothing) {
    TempDir dir;
    const std::string path = dir.write("f.txt", "old");
    ASSERT_TRUE(replace_file(path, "new contents"));
    EXPECT_EQ(dir.read("f.txt"), "new contents");
    EXPECT_FALSE(replace_file(dir.path() + "missing/f.txt", "x"));
    // A read-only folder: the rename cannot happen and the old file stays whole.
    if (::geteuid() != 0) {
        ::chmod(dir.path().c_str(), 0500);
        EXPECT_FALSE(replace_file(path, "lost?"));
        ::chmod(dir.path().c_str(), 0700);
        EXPECT_EQ(dir.read("f.txt"), "new contents");
    }
}

TEST(PlatformFiles, FileTimeChangesWithTheContents) {
    TempDir dir;
    EXPECT_EQ(file_time(dir.path() + "none"), -1);
    const std::string path = dir.write("t.txt", "a");
    const std::int64_t before = file_time(path);
    EXPECT_GT(before, 0);
    struct timespec later[2] = {{0, UTIME_OMIT}, {before / 1000000000 + 5, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), later, 0), 0);
    EXPECT_EQ(file_time(path), (before / 1000000000 + 5) * 1000000000);
}

}  // namespace
}  // namespace vx::platform
