#include "integration/sync.h"

#include "shell/app.h"
#include "shell/sync_links.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace vx::integration {
namespace {

// ---- The vxsync plug-in ----
// The sync module must learn the machine's name whenever a machine definition is read, from the
// reader's NAME line, and a program without the module must not pretend to have told it.

TEST(SyncPlugin, LearnsTheMachineNameWhenTheDefinitionIsRead) {
    testing::TempDir dir;
    ::setenv("VXSYNC_TEST_LOG", (dir.path() + "calls.log").c_str(), 1);
    {
        shell::App app;
        ASSERT_EQ(load_plugins(app.plugins, VORNEX_TEST_SYNC_PLUGIN_DIR), 1);
        EXPECT_TRUE(sync_plugin_loaded(app.plugins));
        nc::parse_mtl("NAME=MC-7 5AX\nTOOL CHANGE TIME=3\n", app.mtl, shell::machine_name_hook(app));
        nc::parse_mtl("NAME=Second\n", app.mtl, shell::machine_name_hook(app));
    }
    ::unsetenv("VXSYNC_TEST_LOG");
    EXPECT_EQ(dir.read("calls.log"), "name MC-7 5AX\nname Second\n");

    Plugins none;
    EXPECT_FALSE(sync_plugin_loaded(none));
    EXPECT_FALSE(sync_plugin_machine_name(none, "MC-7"));
}

}  // namespace
}  // namespace vx::integration
