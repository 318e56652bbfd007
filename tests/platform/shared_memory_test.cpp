#include "platform/shared_memory.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <unistd.h>

namespace vx::platform {
namespace {

// Names unique to this process, so that parallel or crashed runs never meet.
std::string unique_name(const std::string& what) { return "/vxtest" + std::to_string(::getpid()) + what; }

// ---- Name rules ----
// A name the operating system would refuse or read differently (a "/" inside, blanks, beyond the
// 35 characters of the settings) must be refused with its reason before anything is created.

TEST(ShareNames, AreRefusedWithTheirReason) {
    struct Case {
        std::string base;
        const char* reason;  // a part of the refusal; nullptr when the name is usable
    } const cases[] = {
        {"VORNEXDMF", nullptr},
        {std::string(35, 'A'), nullptr},
        {"Work-1_copy.2", nullptr},
        {"", "empty"},
        {std::string(36, 'A'), "36 characters, at most 35"},
        {"VORNEX/DMF", "\"/\""},
        {"/VORNEXDMF", "\"/\""},
        {"VORNEX DMF", "printable ASCII"},
        {"VORNEX\tDMF", "printable ASCII"},
        {"\xE5\x8A\xA0\xE5\xB7\xA5", "printable ASCII"},
    };
    for (const Case& c : cases) {
        const std::string problem = share_name_problem(c.base);
        if (!c.reason) EXPECT_EQ(problem, "") << c.base;
        else EXPECT_NE(problem.find(c.reason), std::string::npos) << c.base << ": " << problem;
    }
    EXPECT_EQ(shared_block_name("VORNEXDMF", "_TOPN"), "/VORNEXDMF_TOPN");
}

// ---- Ownership ----
// The creator removes the name at release; a process that joins an existing block leaves it to
// its creator; a block left behind by a killed process is taken over cleared, not refused.

TEST(SharedMemory, TheCreatorRemovesTheNameAndAJoinerDoesNot) {
    const std::string name = unique_name("own");
    SharedMemory first, second;
    ASSERT_EQ(map_shared_memory(first, name, 9, ShareOpen::Join), 1);
    EXPECT_TRUE(first.owner);
    static_cast<unsigned char*>(first.data)[3] = 7;
    ASSERT_EQ(map_shared_memory(second, name, 9, ShareOpen::Join), 1);
    EXPECT_FALSE(second.owner);
    EXPECT_EQ(static_cast<unsigned char*>(second.data)[3], 7);  // one block, not a copy
    release_shared_memory(second);
    EXPECT_TRUE(shared_memory_exists(name));
    release_shared_memory(first);
    EXPECT_FALSE(shared_memory_exists(name));
    release_shared_memory(first);  // a second release does nothing
}

TEST(SharedMemory, ABlockLeftBehindIsTakenOverCleared) {
    const std::string name = unique_name("stale");
    SharedMemory stale;
    ASSERT_EQ(map_shared_memory(stale, name, 16, ShareOpen::Create), 1);
    std::memset(stale.data, 0xAB, 16);
    stale.owner = false;  // as if its process had been killed
    release_shared_memory(stale);
    ASSERT_TRUE(shared_memory_exists(name));

    SharedMemory fresh;
    ASSERT_EQ(map_shared_memory(fresh, name, 8, ShareOpen::Create), 1);
    EXPECT_TRUE(fresh.owner);
    SharedMemory reader;
    ASSERT_EQ(attach_shared_memory(reader, name), 1);
    EXPECT_EQ(reader.size, 8u);  // the other side sees the new size
    for (std::size_t k = 0; k < 8; ++k) EXPECT_EQ(static_cast<unsigned char*>(reader.data)[k], 0) << k;
    release_shared_memory(reader);
    release_shared_memory(fresh);
    EXPECT_FALSE(shared_memory_exists(name));
}

// Two workpieces shared under one name would pull each other's blocks away (a SIGBUS at the next
// write): the second is refused while the first lives.
TEST(SharedMemory, ANameInUseIsNotTakenOver) {
    const std::string name = unique_name("busy");
    SharedMemory first, second;
    ASSERT_EQ(map_shared_memory(first, name, 64, ShareOpen::Create), 1);
    static_cast<unsigned char*>(first.data)[63] = 5;
    std::string error;
    EXPECT_EQ(map_shared_memory(second, name, 32, ShareOpen::Create, &error), 0);
    EXPECT_EQ(error, "the shared memory " + name + " is in use by another process");
    EXPECT_EQ(static_cast<unsigned char*>(first.data)[63], 5);  // untouched
    release_shared_memory(first);
    EXPECT_EQ(map_shared_memory(second, name, 32, ShareOpen::Create), 1);
    release_shared_memory(second);
}

TEST(SharedMemory, JoiningABlockTooSmallIsRefusedWithAReason) {
    const std::string name = unique_name("small");
    SharedMemory small, large;
    ASSERT_EQ(map_shared_memory(small, name, 9, ShareOpen::Join), 1);
    std::string error;
    EXPECT_EQ(map_shared_memory(large, name, 120, ShareOpen::Join, &error), 0);
    EXPECT_NE(error.find("fewer than 120 bytes"), std::string::npos) << error;
    EXPECT_EQ(large.data, nullptr);
    release_shared_memory(small);
    EXPECT_EQ(attach_shared_memory(large, name), 0);  // gone
}

}  // namespace
}  // namespace vx::platform
