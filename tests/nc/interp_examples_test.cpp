#include "nc/interp.h"
#include "nc/pipeline.h"
#include "shell/nc_links.h"
#include "sim/tools.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

namespace vx::nc {
namespace {

// The example folder of the source tree, found from this file (tests/nc/ lies two below).
const std::string kExamples =
    std::filesystem::path(__FILE__).parent_path().parent_path().parent_path().string() + "/examples/";

struct ExampleRun {
    Ctl ctl;
    Mtl mtl;
    Reader reader;
    Interp in;
    MachiningTime time;
    sim::ToolTable tools;
    int moves = 0;
    double min_x = 1e9, max_x = -1e9, min_y = 1e9, max_y = -1e9, min_z = 1e9;
    int alarm = 0;
};

// The shipped example set must run with its own definitions: no alarm, the program reaches
// its end, and the cutting moves stay over the 100 x 100 workpiece at the origin.
std::unique_ptr<ExampleRun> run_example(const std::string& name) {
    auto r = std::make_unique<ExampleRun>();
    EXPECT_EQ(load_ctl(kExamples + "zazar.ctl", r->ctl, kExamples), 1);
    EXPECT_EQ(load_mtl(kExamples + "machn.mtl", r->mtl), 1);
    sim::allocate_tool_tables(r->tools, sim::kDefaultMaxMagazine);
    EXPECT_EQ(sim::read_tool_file(r->tools, kExamples + "atc.ttl", {}), 1);
    r->in.ctl = &r->ctl;
    r->in.mtl = &r->mtl;
    r->in.reader = &r->reader;
    r->in.tools = shell::tool_lookup(r->tools);
    r->in.time = &r->time;
    reset_time(r->time, 999999999.0);
    reset_interp(r->in, {0, 0, 100});
    EXPECT_EQ(open_main_file(r->reader, kExamples + name), 1);
    while (execute_next_block(r->in) == 1) {
        const MoveRecord& m = r->in.move;
        ++r->moves;
        if (m.motion == kMotionRapid) continue;
        r->min_x = std::min(r->min_x, m.end.x);
        r->max_x = std::max(r->max_x, m.end.x);
        r->min_y = std::min(r->min_y, m.end.y);
        r->max_y = std::max(r->max_y, m.end.y);
        r->min_z = std::min(r->min_z, m.end.z);
    }
    r->alarm = alarm_code(r->in);
    close_sources(r->reader);
    return r;
}

TEST(InterpExamples, DefinitionsReadAsIntended) {
    Mtl m;
    ASSERT_EQ(load_mtl(kExamples + "machn.mtl", m), 1);
    EXPECT_EQ(m.atc_type, kAtcWait);
    EXPECT_DOUBLE_EQ(m.rapid[2], 30000);
    EXPECT_EQ(m.attachment_count, 2);
    EXPECT_EQ(initial_attachment(m), nullptr);
}

TEST(InterpExamples, Pocket) {
    auto r = run_example("pocket.nc");
    EXPECT_EQ(r->alarm, 0);
    EXPECT_EQ(end_state(r->in), kEndEnded);
    EXPECT_EQ(active_tool(r->in), 1);
    EXPECT_NEAR(r->min_x, 25, 1e-9);
    EXPECT_NEAR(r->max_x, 75, 1e-9);
    EXPECT_NEAR(r->min_z, 25, 1e-9);
    EXPECT_GT(r->time.cutting_time, 0);
}

TEST(InterpExamples, DrillPattern) {
    auto r = run_example("drill_pattern.nc");
    EXPECT_EQ(r->alarm, 0);
    EXPECT_EQ(active_tool(r->in), 7);
    EXPECT_NEAR(r->min_z, 18, 1e-9);
    EXPECT_NEAR(r->min_x, 20, 1e-9);
    EXPECT_NEAR(r->max_y, 75, 1e-9);
}

TEST(InterpExamples, BallRaster) {
    auto r = run_example("raster_ball.nc");
    EXPECT_EQ(r->alarm, 0);
    EXPECT_GE(r->moves, 20000);
    EXPECT_EQ(active_tool(r->in), 3);
    EXPECT_GE(r->min_x, 0);
    EXPECT_LE(r->max_x, 100);
    EXPECT_GE(r->min_y, 0);
    EXPECT_LE(r->max_y, 100);
    EXPECT_GT(r->min_z, 20);
}

}  // namespace
}  // namespace vx::nc
