// The version box's numbers and system names, read from the texts the system gives.
#include "shell/version_info.h"

#include "platform/files.h"
#include "shell/dispatch.h"
#include "support/recording_backend.h"

#include <gtest/gtest.h>

namespace vx::shell {
namespace {

TEST(VersionInfo, NumbersCarryACommaEveryThreeDigits) {
    const std::pair<std::uint64_t, const char*> cases[]{
        {0, "0"}, {999, "999"}, {1000, "1,000"}, {1234567, "1,234,567"}, {100000, "100,000"},
        {18446744073709551615ull, "18,446,744,073,709,551,615"}};
    for (const auto& [n, text] : cases) EXPECT_EQ(with_commas(n), text);
}

TEST(VersionInfo, MemoryAndSystemAreReadFromTheirFiles) {
    const MemoryInfo m = parse_meminfo("MemTotal:       16318324 kB\nMemFree:  1 kB\nMemAvailable:   9912 kB\n"
                                       "SwapTotal:      0 kB\nSwapFree: 5 kB\nMemTotalX: 7 kB\n");
    EXPECT_EQ(m.total, 16318324u);
    EXPECT_EQ(m.available, 9912u);  // not MemFree
    EXPECT_EQ(m.swap_total, 0u);
    EXPECT_EQ(m.swap_free, 5u);
    EXPECT_EQ(parse_meminfo("garbage\n\x01\xff").total, 0u);

    EXPECT_EQ(os_pretty_name("NAME=\"Debian\"\nPRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n"),
              "Debian GNU/Linux 12 (bookworm)");
    EXPECT_EQ(os_pretty_name("PRETTY_NAME=Plain\n"), "Plain");
    EXPECT_EQ(os_pretty_name("NAME=x\n"), "Linux");
}

// The box of command 104: the system as it is, and "undefined " while there is no workpiece.
TEST(VersionInfo, TheCommandShowsTheSystemAndTheWorkpieceMemory) {
    testing::RecordingBackend backend;
    App app;
    ASSERT_EQ(dispatch(app, 104), 1);
    const auto& m = backend.recording().messages;
    ASSERT_EQ(m.size(), 1u);
    EXPECT_NE(m[0].body.find("OS: " + os_pretty_name(platform::read_file("/etc/os-release").value_or(""))),
              std::string::npos) << m[0].body;
    EXPECT_NE(m[0].body.find("undefined \n"), std::string::npos) << m[0].body;
    EXPECT_NE(m[0].body.find(" KB, "), std::string::npos) << m[0].body;
}

}  // namespace
}  // namespace vx::shell
