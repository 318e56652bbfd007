// The sync through shared memory between real processes: two `vornex -X5` instances in lockstep
// watched by the test as a third instance through their shared workpieces, and the README's
// Python example following a handshake run.
#include "e2e_workspace.h"
#include "integration/sync.h"
#include "platform/shared_memory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <future>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace vx {
namespace {

// Names unique to this process, so that parallel or crashed runs never meet.
std::string unique_name(const std::string& what) { return "vxe2e" + std::to_string(::getpid()) + what; }

// The workspace's settings with the workpiece shared under `work` and the given [Sync] keys.
std::string sync_settings(const Workspace& w, const std::string& work, const std::string& sync_keys) {
    std::string ini = w.dir.read("vornex.ini");
    const std::string section = "[DMFdata]\n";
    ini.insert(ini.find(section) + section.size(), "SHARE MODE=YES\nSHARE NAME=" + work + "\n");
    return ini + "\n[Sync]\n" + sync_keys;
}

// Starts the program in the workspace in the background, its messages (stderr) to `output`; its
// exit status comes with the future.
// A partner that never answers must not hang the suite: the program is stopped after 30 s.
std::future<int> start(const Workspace& w, const std::string& arguments, const std::string& output) {
    const std::string command = "cd '" + w.dir.path() + "' && env -u DISPLAY -u WAYLAND_DISPLAY timeout 30 '" +
                                VORNEX_BINARY + "' " + arguments + " > /dev/null 2> '" + output + "'";
    return std::async(std::launch::async, [command] {
        const int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1000;
    });
}

// A program of `cuts` feed moves of 1 mm along X at depth 1, each on its own line, along `y`.
std::string stepping_program(double y, int cuts) {
    std::ostringstream nc;
    nc << "%\nG90 G17 G00 X5. Y" << y << " Z25.\nT1 M06\nG01 Z19. F600\n";
    for (int k = 1; k <= cuts; ++k) nc << "X" << 5 + k << ".\n";
    nc << "G00 Z25.\nM30\n%\n";
    return nc.str();
}
constexpr int kFirstCutLine = 4;  // the plunge

// The cuts that the newest cut line stands for (the lines before the plunge cut nothing).
int cuts_done(int newest_line) { return newest_line >= kFirstCutLine ? newest_line - kFirstCutLine + 1 : 0; }

// The newest NC line in a shared line-number layer: the move that cut last.
int newest_line(const platform::SharedMemory& lines) {
    const auto* begin = static_cast<const std::int32_t*>(lines.data);
    return *std::max_element(begin, begin + lines.size / sizeof(std::int32_t));
}

// A mapping given back however the test ends, so that a failed assertion leaves nothing behind.
struct Mapped : platform::SharedMemory {
    Mapped() = default;
    Mapped(const Mapped&) = delete;
    Mapped& operator=(const Mapped&) = delete;
    ~Mapped() { platform::release_shared_memory(*this); }
};

struct Observer {
    std::vector<std::future<int>*> instances;
    bool ended() const {
        for (auto* f : instances)
            if (f->wait_for(std::chrono::seconds(0)) != std::future_status::ready) return false;
        return true;
    }
};

// ---- Lockstep ----
// Two instances on two programs must both finish, and neither may get ahead of the other by more
// than one move: the test takes part as the third instance and, at each of its passes of the
// barrier, records the newest line that each instance's shared workpiece shows.

TEST(SyncE2e, TwoInstancesCutTheirProgramsInLockstep) {
    Workspace w;
    constexpr int kCuts = 40;
    const std::string sync = unique_name("lock"), work_a = unique_name("wa"), work_b = unique_name("wb");
    const std::string keys = "SYNC MODE=SYNC\nSHARE NAME=" + sync + "\nSYNC TOTAL=3\n";
    w.dir.write("a.ini", sync_settings(w, work_a, keys + "SYNC NO=1\n"));
    w.dir.write("b.ini", sync_settings(w, work_b, keys + "SYNC NO=2\n"));
    w.dir.write("a.nc", stepping_program(10, kCuts));
    w.dir.write("b.nc", stepping_program(30, kCuts));

    Mapped block;  // created here first, so that it outlives both instances
    ASSERT_EQ(platform::map_shared_memory(block, "/" + sync, integration::kLockstepBytes, platform::ShareOpen::Join), 1);
    std::future<int> a = start(w, "-X5 -Ia.ini a.nc", w.dir.path() + "a.txt");
    std::future<int> b = start(w, "-X5 -Ib.ini b.nc", w.dir.path() + "b.txt");

    Observer observer{{&a, &b}};
    const integration::BarrierWait wait{[](void* o, std::int64_t waited_ms) {
                                            return static_cast<Observer*>(o)->ended() || waited_ms > 15000;
                                        },
                                        &observer};
    const integration::Lockstep me{static_cast<std::uint8_t*>(block.data), 3, 2};
    Mapped lines_a, lines_b;
    std::vector<std::pair<int, int>> newest;  // per pass: instance 1's line, instance 2's
    while (integration::lockstep_barrier(me, wait) == integration::kBarrierPass) {
        if (!lines_a.data) platform::attach_shared_memory(lines_a, "/" + work_a + "_TOPN");
        if (!lines_b.data) platform::attach_shared_memory(lines_b, "/" + work_b + "_TOPN");
        if (lines_a.data && lines_b.data) newest.emplace_back(newest_line(lines_a), newest_line(lines_b));
    }
    EXPECT_EQ(a.get(), 0) << w.dir.read("a.txt");
    EXPECT_EQ(b.get(), 0) << w.dir.read("b.txt");

    ASSERT_FALSE(newest.empty());
    int apart = 0, backwards = 0;
    std::string seen;
    for (std::size_t k = 0; k < newest.size(); ++k) {
        seen += " " + std::to_string(newest[k].first) + "/" + std::to_string(newest[k].second);
        if (std::abs(cuts_done(newest[k].first) - cuts_done(newest[k].second)) > 1) ++apart;
        if (k > 0 && (newest[k].first < newest[k - 1].first || newest[k].second < newest[k - 1].second)) ++backwards;
    }
    EXPECT_EQ(apart, 0) << "an instance got ahead by more than one move:" << seen;
    EXPECT_EQ(backwards, 0) << seen;
    // Every cut was watched one pass at a time, up to both programs' last cut.
    EXPECT_GE(newest.size(), std::size_t(kCuts));
    EXPECT_EQ(newest.back(), std::make_pair(kFirstCutLine + kCuts, kFirstCutLine + kCuts));
    EXPECT_EQ(w.log().find("lockstep"), std::string::npos) << w.log();
    // The instances' shared workpieces went with them; the block stays with its creator.
    platform::release_shared_memory(lines_a);
    platform::release_shared_memory(lines_b);
    EXPECT_FALSE(platform::shared_memory_exists("/" + work_a + "_TOP"));
    EXPECT_FALSE(platform::shared_memory_exists("/" + work_b + "_TOPN"));
    EXPECT_TRUE(platform::shared_memory_exists("/" + sync));
    platform::release_shared_memory(block);
}

// An instance whose partner runs out of program first must not wait for it for ever, and must
// say why its own run ended early.
TEST(SyncE2e, TheLongerProgramEndsAloudWhenItsPartnerHasFinished) {
    Workspace w;
    const std::string sync = unique_name("uneven");
    const std::string keys = "SYNC MODE=SYNC\nSHARE NAME=" + sync + "\nSYNC TOTAL=2\n";
    w.dir.write("a.ini", sync_settings(w, unique_name("ua"), keys + "SYNC NO=1\n"));
    w.dir.write("b.ini", sync_settings(w, unique_name("ub"), keys + "SYNC NO=2\n"));
    w.dir.write("short.nc", stepping_program(10, 5));
    w.dir.write("long.nc", stepping_program(30, 10));
    std::future<int> a = start(w, "-X5 -Ia.ini short.nc", w.dir.path() + "a.txt");
    std::future<int> b = start(w, "-X5 -Ib.ini long.nc", w.dir.path() + "b.txt");
    EXPECT_EQ(a.get(), 0) << w.dir.read("a.txt");
    EXPECT_EQ(b.get(), 0) << w.dir.read("b.txt");
    EXPECT_EQ(w.dir.read("a.txt"), "");
    // The long program went on step by step past the short one's last cut, and stopped before
    // its own last cut: the barrier counts steps (a block may hand out several moves), not lines.
    const std::string told = w.dir.read("b.txt");
    const std::string prefix = "vornex: the lockstep run ends after line ";
    ASSERT_EQ(told.rfind(prefix, 0), 0u) << told;
    const int line = std::atoi(told.c_str() + prefix.size());
    EXPECT_GT(line, kFirstCutLine + 5) << told;
    EXPECT_LT(line, kFirstCutLine + 10) << told;
    EXPECT_EQ(told.substr(told.rfind(':')), ": a partner has ended its run\n");
    EXPECT_FALSE(platform::shared_memory_exists("/" + sync));
}

// ---- Refusals ----
// A name that cannot name shared memory must be refused aloud, and the run must still be done.

TEST(SyncE2e, AnUnusableNameIsRefusedAndTheRunGoesOnUnshared) {
    Workspace w;
    w.dir.write("bad.ini", sync_settings(w, "BAD/NAME", "SYNC MODE=MAPFILE\nSHARE NAME=MY SYNC\n"));
    std::string output;
    ASSERT_EQ(w.run("-X5 -Ibad.ini slot.nc -Oslot.dmf", &output), 0);
    EXPECT_NE(output.find("SHARE NAME \"BAD/NAME\" cannot name shared memory (the name contains a \"/\"); "
                          "the workpiece is not shared"),
              std::string::npos)
        << output;
    EXPECT_NE(output.find("SYNC MODE MAPFILE is refused: SHARE NAME \"MY SYNC\" cannot name shared memory (the name "
                          "may hold only printable ASCII characters without blanks); runs are not synchronised"),
              std::string::npos)
        << output;
    EXPECT_EQ(read_dmf(w, "slot.dmf").height(30, 20), 17.0f);  // the run was done all the same
}

// ---- Cleanup ----
// An instance stopped with a signal while it waits for a partner that never comes must not leave
// its blocks in /dev/shm.

TEST(SyncE2e, AnInstanceEndedBySignalRemovesItsBlocks) {
    Workspace w;
    const std::string sync = unique_name("alone"), work = unique_name("aw");
    w.dir.write("alone.ini", sync_settings(w, work, "SYNC MODE=SYNC\nSHARE NAME=" + sync + "\nSYNC TOTAL=2\n"));
    const std::string command = "timeout 2 " + std::string(VORNEX_BINARY) + " -X5 -Ialone.ini slot.nc";
    const int status = std::system(("cd '" + w.dir.path() + "' && " + command + " > out.txt 2>&1").c_str());
    EXPECT_EQ(WEXITSTATUS(status), 124) << "the instance did not wait for its partner: " << w.dir.read("out.txt");
    for (const char* suffix : {"", "_TOP"}) {
        const std::string name = "/" + (*suffix ? work : sync) + suffix;
        EXPECT_FALSE(platform::shared_memory_exists(name)) << name;
    }
    EXPECT_FALSE(platform::shared_memory_exists("/" + work + "_TOPN"));
}

// ---- The README's example ----
// The Python lines that README.md shows must work as shown: they follow a handshake run through
// the shared workpiece and let it go on step by step.

std::string readme_example() {
    std::ifstream in(std::string(VORNEX_TEST_DATA) + "/../../README.md");
    std::stringstream text;
    text << in.rdbuf();
    const std::string readme = text.str();
    const std::size_t section = readme.find("## Following a run from another program");
    const std::size_t begin = readme.find("```python\n", section);
    const std::size_t end = readme.find("```\n", begin + 10);
    if (section == std::string::npos || begin == std::string::npos || end == std::string::npos) return {};
    return readme.substr(begin + 10, end - begin - 10);
}

TEST(SyncE2e, TheReadmePythonExampleFollowsAHandshakeRun) {
    if (std::system("python3 -c pass > /dev/null 2>&1") != 0)
        GTEST_SKIP() << "python3 is not installed: the README's example cannot be run";
    Workspace w;
    const std::string example = readme_example();
    ASSERT_FALSE(example.empty()) << "README.md has no Python example under its sync section";
    w.dir.write("follow.py", example);
    const std::string sync = unique_name("hs"), work = unique_name("hw");
    w.dir.write("m.ini", sync_settings(w, work, "SYNC MODE=MAPFILE\nSHARE NAME=" + sync + "\n"));

    const std::string follower = "cd '" + w.dir.path() + "' && timeout 20 python3 follow.py " + sync + " " + work +
                                 " > follow.txt 2>&1";
    std::future<int> python = std::async(std::launch::async, [&] { return std::system(follower.c_str()); });
    std::future<int> run = start(w, "-X5 -Im.ini slot.nc -Oslot.dmf", w.dir.path() + "run.txt");
    EXPECT_EQ(run.get(), 0) << w.dir.read("run.txt");
    EXPECT_EQ(python.get(), 0) << w.dir.read("follow.txt");

    // One line per step, naming the block just done and where it left the tool: the plunge of
    // line 6 shows in the workpiece at once.
    const std::string seen = w.dir.read("follow.txt");
    EXPECT_NE(seen.find("line 6: X10.000 Y20.000 Z17.000, lowest 17.000\n"), std::string::npos) << seen;
    EXPECT_NE(seen.find("line 7: X50.000 Y20.000 Z17.000, lowest 17.000\n"), std::string::npos) << seen;
    EXPECT_EQ(std::count(seen.begin(), seen.end(), '\n'), 10) << seen;
    EXPECT_EQ(read_dmf(w, "slot.dmf").height(30, 20), 17.0f);
    EXPECT_FALSE(platform::shared_memory_exists("/" + sync));
    EXPECT_FALSE(platform::shared_memory_exists("/" + work + "_TOP"));
}

}  // namespace
}  // namespace vx
