#include "shell/nc_links.h"

#include <gtest/gtest.h>

namespace vx::shell {
namespace {

// ---- Joins of the pipeline ----
// The interpreter sees the tool table and the attachments only through these joins. A lookup
// that answered from the wrong field (the edge height although a protrusion is given), took an
// entry the file never defined, or lost a section of an attachment would change the automatic
// D and H loads or the holder checks without any interpreter or kernel test noticing.

TEST(NcLinks, ToolLookupAnswersAsTheTable) {
    sim::ToolTable table;
    sim::allocate_tool_tables(table, 5);
    sim::ToolEntry& rough = table.entries[2];
    rough.tool.defined = 1;
    rough.tool.d = 6;
    rough.tool.h = 20;
    rough.tool.name = "ROUGH";
    rough.length.kind = sim::kLength1;
    rough.length.L[0] = 45;
    sim::ToolRecord& plain = table.entries[3].tool;  // no length record: the edge height counts
    plain.defined = 1;
    plain.d = 4;
    plain.h = 12;
    table.entries[4].tool.d = 9;  // sizes, but no MAGAZINE line named the tool
    table.entries[4].tool.h = 30;
    table.current_tool = 3;

    const nc::ToolLookup look = tool_lookup(table);
    struct Case {
        int tool, found;
        float diameter, length;
    };
    for (const Case c : {Case{2, 1, 6, 45}, Case{3, 1, 4, 12}, Case{4, 0, 0, 0}, Case{6, 0, 0, 0}, Case{-1, 0, 0, 0}}) {
        nc::ToolSizes sizes;
        EXPECT_EQ(look.sizes(look.context, c.tool, sizes), c.found) << c.tool;
        EXPECT_EQ(sizes.diameter, c.diameter) << c.tool;
        EXPECT_EQ(sizes.length, c.length) << c.tool;
    }
    EXPECT_EQ(look.by_name(look.context, "ROUGH"), 2);
    EXPECT_EQ(look.by_name(look.context, "FINISH"), -1);
    EXPECT_EQ(look.current(look.context), 3);
}

TEST(NcLinks, MountedAttachmentKeepsEverySection) {
    nc::Mtl mtl;
    nc::parse_mtl("ATTACHMENT 4=SQUARE 1,2,3,4,5,6,7,8,9,10\nINI=ATTACHMENT 1\n", mtl);
    sim::Attachment head;
    const sim::Attachment* a = mounted_attachment(mtl, head);
    ASSERT_EQ(a, &head);
    ASSERT_EQ(a->count, 5);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(a->steps[std::size_t(i)].width, float(2 * i + 1));
        EXPECT_EQ(a->steps[std::size_t(i)].height, float(2 * i + 2));
    }
    EXPECT_EQ(mounted_attachment(nc::Mtl{}, head), nullptr);
}

}  // namespace
}  // namespace vx::shell

namespace vx::shell {
namespace {

// The G00 UNKNOWN look-up against a brute-force scan: the highest grid point of the rectangle
// (corners in any order, clipped to the grid) when it rises above the rapid's end height.
TEST(NcLinks, HeightLookupFindsTheHighestPointAboveTheRapid) {
    sim::Workpiece wp;
    sim::GridGeometry g;
    ASSERT_EQ(sim::size_grid(g, 0, 0, 10, 10, 1.0), 1);
    ASSERT_EQ(sim::allocate_workpiece(wp, g, 1), 1);
    ASSERT_EQ(sim::define_uniform_body(wp, 10.0, 0.0), 1);
    for (int c = 0; c < g.cell_count; ++c) wp.height.data[c] = float((c * 37) % 11);  // 0..10
    wp.height.data[3 * g.nx + 8] = 12.0f;
    wp.highest = 12.0;
    const nc::HeightLookup look = height_lookup(wp);
    struct Case {
        double x0, y0, x1, y1, z;
    };
    for (const Case c : {Case{8, 1, 2, 5, 0}, Case{2, 5, 8, 1, 11.5}, Case{0, 0, 3, 3, 9.5}, Case{-5, -5, 3, 2, 0},
                         Case{0, 0, 10, 10, 12}, Case{4, 4, 4, 4, 0}}) {
        int expected = 0;
        double best = c.z;
        Vec3 want;
        for (int j = 0; j < g.ny; ++j)
            for (int i = 0; i < g.nx; ++i) {
                const bool inside = i >= std::min(c.x0, c.x1) && i <= std::max(c.x0, c.x1) && j >= std::min(c.y0, c.y1) &&
                                    j <= std::max(c.y0, c.y1);
                const double h = wp.height.data[j * g.nx + i];
                if (inside && h > best) best = h, want = {double(i), double(j), h}, expected = 1;
            }
        Vec3 got;
        ASSERT_EQ(look.find(look.context, c.x0, c.y0, c.x1, c.y1, c.z, got), expected) << c.x0 << " " << c.z;
        if (expected) {
            EXPECT_EQ(got.z, want.z) << c.x0 << " " << c.z;
        }
    }
}

}  // namespace
}  // namespace vx::shell
