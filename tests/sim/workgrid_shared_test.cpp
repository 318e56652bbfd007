#include "sim/workgrid.h"

#include "platform/shared_memory.h"

#include <gtest/gtest.h>

#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace vx::sim {
namespace {

// A share name unique to this process, so that parallel or crashed runs never meet.
std::string unique_base(const char* what) { return "vxtest" + std::to_string(::getpid()) + what; }

void allocate(Workpiece& wp, std::int32_t nx, std::int32_t ny, int level) {
    ASSERT_EQ(allocate_workpiece(wp, grid_geometry(0.0, 0.0, 1.0, nx, ny), level), 1);
    ASSERT_EQ(define_uniform_body(wp, 10.0, 0.0), 1);
}

// The size of the named block another process would see; 0 when there is none.
std::size_t seen_size(const std::string& base, const char* suffix) {
    platform::SharedMemory block;
    if (!platform::attach_shared_memory(block, platform::shared_block_name(base, suffix))) return 0;
    const std::size_t size = block.size;
    platform::release_shared_memory(block);
    return size;
}

// ---- Shared layers ----
// Another process learns the grid's size only from the blocks: every reallocation must give the
// blocks exactly the new grid's size, the line-number block must exist only at the levels that
// keep line numbers, and no block may outlive the workpiece that created it.

TEST(SharedLayers, FollowEveryReallocationAndLeaveWithTheWorkpiece) {
    const std::string base = unique_base("grid");
    {
        Workpiece wp;
        wp.share_name = base;
        allocate(wp, 4, 3, 1);
        EXPECT_EQ(seen_size(base, "_TOP"), 12u * 4);
        EXPECT_EQ(seen_size(base, "_TOPC"), 12u);
        EXPECT_EQ(seen_size(base, "_TOPN"), 12u * 4);
        allocate(wp, 3, 3, 1);  // smaller: a private array would be reused, a shared block is not
        EXPECT_EQ(seen_size(base, "_TOP"), 9u * 4);
        EXPECT_EQ(seen_size(base, "_TOPN"), 9u * 4);
        allocate(wp, 5, 5, 4);  // no line numbers at level 4
        EXPECT_EQ(seen_size(base, "_TOP"), 25u * 4);
        EXPECT_EQ(seen_size(base, "_TOPC"), 25u);
        EXPECT_EQ(seen_size(base, "_TOPN"), 0u);
        EXPECT_EQ(wp.backup.height.shared.data, nullptr);  // the other layers stay private
        EXPECT_EQ(wp.screen_position.shared.data, nullptr);
    }
    EXPECT_EQ(seen_size(base, "_TOP"), 0u);
    EXPECT_EQ(seen_size(base, "_TOPC"), 0u);

    Workpiece plain;  // SHARE MODE off: no named block at all
    allocate(plain, 4, 3, 1);
    EXPECT_EQ(plain.height.shared.data, nullptr);
    EXPECT_EQ(shared_layer_name("", LayerKind::Height), "");
    EXPECT_EQ(shared_layer_name("VORNEXDMF", LayerKind::LineNumber), "/VORNEXDMF_TOPN");
    EXPECT_EQ(shared_layer_name("VORNEXDMF", LayerKind::BackupHeight), "");
}

// A second process reads what the first writes into its layers while it runs, and finds nothing
// once it has ended.
TEST(SharedLayers, AreSeenByASecondProcessWhileTheFirstRuns) {
    const std::string base = unique_base("proc");
    int ready[2], quit[2];
    ASSERT_EQ(::pipe(ready), 0);
    ASSERT_EQ(::pipe(quit), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        Workpiece wp;
        wp.share_name = base;
        bool ok = allocate_workpiece(wp, grid_geometry(0.0, 0.0, 1.0, 4, 3), 1) == 1 &&
                  define_uniform_body(wp, 10.0, 0.0) == 1;
        if (ok) {
            wp.height.data[5] = 3.5f;
            wp.attribute.data[5] = 0x0E;
            wp.line_number.data[5] = -42;
        }
        char c = ok ? 'r' : 'f';
        ok = ::write(ready[1], &c, 1) == 1 && ::read(quit[0], &c, 1) == 1;
        release_workpiece(wp);
        ::_exit(ok ? 0 : 1);
    }
    char c = 0;
    ASSERT_EQ(::read(ready[0], &c, 1), 1);
    ASSERT_EQ(c, 'r');
    platform::SharedMemory top, attributes, lines;
    ASSERT_EQ(platform::attach_shared_memory(top, "/" + base + "_TOP"), 1);
    ASSERT_EQ(platform::attach_shared_memory(attributes, "/" + base + "_TOPC"), 1);
    ASSERT_EQ(platform::attach_shared_memory(lines, "/" + base + "_TOPN"), 1);
    EXPECT_EQ(static_cast<float*>(top.data)[5], 3.5f);
    EXPECT_EQ(static_cast<float*>(top.data)[4], 10.0f);
    EXPECT_EQ(static_cast<unsigned char*>(attributes.data)[5], 0x0E);
    EXPECT_EQ(static_cast<std::int32_t*>(lines.data)[5], -42);
    for (platform::SharedMemory* b : {&top, &attributes, &lines}) platform::release_shared_memory(*b);
    ASSERT_EQ(::write(quit[1], "q", 1), 1);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(seen_size(base, "_TOP"), 0u);
    EXPECT_EQ(seen_size(base, "_TOPC"), 0u);
    EXPECT_EQ(seen_size(base, "_TOPN"), 0u);
    for (int fd : {ready[0], ready[1], quit[0], quit[1]}) ::close(fd);
}

}  // namespace
}  // namespace vx::sim
