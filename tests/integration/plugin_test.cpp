#include "integration/plugins.h"

#include "nc/pipeline.h"
#include "nc/reader.h"
#include "shell/nc_links.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace vx::integration {
namespace {

using vx::testing::TempDir;

const std::string kPluginDir = VORNEX_TEST_PLUGIN_DIR;  // libvxread.so, libvxread1.so, libvxread2.so

// Points the test modules' call log at a fresh file for the life of the object.
struct CallLog {
    TempDir dir;
    std::string path = dir.path() + "calls.log";
    CallLog() { ::setenv("VXREAD_TEST_LOG", path.c_str(), 1); }
    ~CallLog() { ::unsetenv("VXREAD_TEST_LOG"); }
    std::string text() const { return dir.read("calls.log"); }
};

// ---- Loading and unloading ----
// Modules are found by name in the program directory; both export spellings must be found; a
// module whose INIT says 0 must be gone again; at shutdown every FREE runs before any unload.

TEST(PluginLoading, FindsModulesByNameAndKeepsThoseThatInit) {
    CallLog log;
    Plugins p;
    EXPECT_EQ(load_plugins(p, kPluginDir), 2);
    const auto& readers = modules(p, Family::Read);
    ASSERT_EQ(readers.size(), 2u);
    EXPECT_EQ(readers[0].name, "vxread");
    EXPECT_EQ(readers[0].path, kPluginDir + "libvxread.so");
    EXPECT_EQ(readers[1].name, "vxread1");  // its exports carry a leading underscore
    EXPECT_EQ(readers[1].slot, 1);
    EXPECT_EQ(readers[0].text, "tst;PTH");
    EXPECT_EQ(readers[1].text, "tst;PTH");
    EXPECT_NE(symbol(readers[1], "VXREADPATH"), nullptr);
    EXPECT_EQ(symbol(readers[1], "VXREADKIND"), nullptr);
    EXPECT_TRUE(modules(p, Family::Sim).empty());
    EXPECT_EQ(log.text(), "vxread init\nvxread1 init\nvxread2 init\nvxread2 unload\n");

    free_plugins(p);
    EXPECT_TRUE(modules(p, Family::Read).empty());
    EXPECT_EQ(log.text(),
              "vxread init\nvxread1 init\nvxread2 init\nvxread2 unload\n"
              "vxread free\nvxread1 free\nvxread unload\nvxread1 unload\n");
}

TEST(PluginLoading, MissingModulesAreNoError) {
    TempDir empty;
    Plugins p;
    EXPECT_EQ(load_plugins(p, empty.path()), 0);
    free_plugins(p);
}

TEST(PluginLoading, OneModuleCanBeUnloaded) {
    CallLog log;
    Plugins p;
    load_plugins(p, kPluginDir);
    unload_module(p, Family::Read, 0);
    ASSERT_EQ(modules(p, Family::Read).size(), 1u);
    EXPECT_EQ(module(p, Family::Read, 0), nullptr);
    EXPECT_NE(module(p, Family::Read, 1), nullptr);
    free_plugins(p);
    EXPECT_EQ(log.text(), "vxread init\nvxread1 init\nvxread2 init\nvxread2 unload\n"
                          "vxread free\nvxread unload\nvxread1 free\nvxread1 unload\n");
}

// ---- Texts for the window ----

TEST(PluginTexts, SuffixesAndCaptions) {
    Plugins p;
    load_plugins(p, kPluginDir);
    EXPECT_EQ(reader_for_file(p, "/nc/part.TST"), &modules(p, Family::Read)[0]);
    EXPECT_EQ(reader_for_file(p, "part.pth"), &modules(p, Family::Read)[0]);
    EXPECT_EQ(reader_for_file(p, "part.nc"), nullptr);
    EXPECT_EQ(reader_for_file(p, "/nc.tst/part"), nullptr);
    free_plugins(p);

    Module sim;
    sim.family = Family::Sim;
    sim.text = "Cut";
    EXPECT_EQ(menu_caption(sim), "Cut or F8");
    sim.slot = 1;
    EXPECT_EQ(menu_caption(sim), "Cut or F9");
    sim.slot = 2;
    EXPECT_EQ(menu_caption(sim), "Cut");
    Module mod;
    mod.family = Family::Mod;
    mod.text = "Smooth";
    EXPECT_EQ(menu_caption(mod), "Smooth");
    EXPECT_EQ(kTextDisableNcCom.en, "Disable vxnccom.dll(&N)");
    EXPECT_EQ(kTextDisableNcCom.ja, "vxnccom.dllの無効化(&N)");
}

// ---- The reader chain ----
// While a plug-in reader is the source, its records are the blocks, with their own line
// numbers, and none of the controller's line steps (start code, replacements, character check,
// block skip) or the stop options that read the text (modes 1, 2 and 4) apply to them.

TEST(PluginReaderChain, RecordsBecomeBlocksUntouched) {
    CallLog log;
    Plugins p;
    load_plugins(p, kPluginDir);
    TempDir dir;
    const std::string nc = dir.write("part.tst", "/X1\nX2\n%\nG0\n");
    nc::Ctl ctl;
    nc::parse_ctl("EOR=%\nREPLACE \"X\" \"Y\"\nCODE CHECK=YES\nCHECK CHAR=\"G\"\nOPTIONAL BLOCK SKIP=1\n", ctl);

    nc::Reader r;
    int tool = 0;
    ASSERT_EQ(nc::open_records(r, shell::record_source(*reader_for_file(p, nc)), nc, tool), 1);
    nc::start_run(r, ctl);
    EXPECT_EQ(tool, 7);
    std::vector<std::pair<std::string, int>> got;
    while (nc::read_next_block(r) == 1) {
        got.emplace_back(nc::current_block(r), r.line_number);
        EXPECT_EQ(r.source, nc::BlockSource::Plugin);
        for (int mode : {1, 2, 4}) EXPECT_FALSE(nc::is_stop_block(nc::current_block(r), mode, ctl, false));
    }
    EXPECT_EQ(got, (std::vector<std::pair<std::string, int>>{{"/X1\n", 10}, {"X2\n", 20}, {"%\n", 30}, {"G0\n", 40}}));
    EXPECT_EQ(r.alarm.code, 0);
    nc::close_sources(r);
    EXPECT_FALSE(nc::reading_records(r));
    free_plugins(p);
    EXPECT_NE(log.text().find("vxread open\nvxread close\n"), std::string::npos);
}

// Through the pipeline: a record is no line of the NC file, so only single block and stop
// requests stop before it.
TEST(PluginReaderChain, OnlySingleBlockAndRequestsStopItsRecords) {
    Plugins p;
    load_plugins(p, kPluginDir);
    TempDir dir;
    const std::string path = dir.write("part.tst", "M00\nM01\nX7\n");
    nc::Ctl ctl;
    nc::parse_ctl("STOP CHARACTER=X7\n", ctl);
    nc::Mtl mtl;
    for (int mode = 0; mode <= 4; ++mode) {
        nc::Reader r;
        nc::Interp in;
        in.ctl = &ctl;
        in.mtl = &mtl;
        in.reader = &r;
        nc::reset_interp(in, {});
        int tool = 0;
        ASSERT_EQ(nc::open_records(r, shell::record_source(*reader_for_file(p, path)), path, tool), 1);
        nc::request_stop(r);  // a stop request still holds
        int stops = 0;
        for (int call = 0; call < 20; ++call) {
            const nc::Next n = nc::next_step(in, {nc::StopScope::Everything, mode, false});
            if (n.step == nc::Step::End) break;
            stops += n.step == nc::Step::Stop;
        }
        EXPECT_EQ(stops, mode == 3 ? 3 : 1) << mode;
        nc::close_sources(r);
    }
    free_plugins(p);
}

TEST(PluginReaderChain, RefusedOpenLeavesTheFileSource) {
    Plugins p;
    load_plugins(p, kPluginDir);
    nc::Reader r;
    int tool = 3;
    EXPECT_EQ(nc::open_records(r, shell::record_source(modules(p, Family::Read)[0]), "/nonexistent/part.tst", tool), 0);
    EXPECT_FALSE(nc::reading_records(r));
    EXPECT_EQ(tool, 3);
    free_plugins(p);
}

}  // namespace
}  // namespace vx::integration
