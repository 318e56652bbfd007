// The layering of src/ as the build links it: a wrong-way include must not land.
#include "support/layering.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace vx::testing {
namespace {

std::string listing(const std::vector<LayerViolation>& v) {
    std::string s;
    for (const LayerViolation& x : v) s += x.file + ":" + std::to_string(x.line) + " includes " + x.include + "\n";
    return s;
}

TEST(Layering, TheSourcesIncludeOnlyTheirOwnLayerAndTheLayersBelow) {
    const std::vector<LayerViolation> v = layering_violations(VORNEX_SOURCE_DIR);
    EXPECT_TRUE(v.empty()) << listing(v);
}

// The checker itself: each kind of wrong way is caught with its file and line, the right ways
// are not.
TEST(Layering, TheCheckerCatchesEveryWrongWay) {
    TempDir dir;
    for (const char* folder : {"base", "nc", "sim", "view", "shell", "tools"})
        std::filesystem::create_directories(dir.path() + folder);
    dir.write("sim/kernel.h", "#pragma once\n#include \"sim/bands.h\"\n#include \"shell/settings.h\"\n");
    dir.write("nc/interp.cpp", "#include \"nc/interp.h\"\n\n  #include \"sim/tools.h\"\n#include <vector>\n");
    dir.write("base/text.h", "#include \"platform/files.h\"\n");
    dir.write("view/render.cpp", "#include \"sim/workgrid.h\"\n#include \"nc/move.h\"\n#include \"platform/log.h\"\n");
    dir.write("shell/app.h", "#include \"gui/window.h\"\n#include \"support/rig.h\"\n#include \"local.h\"\n");
    dir.write("tools/x.cpp", "#include \"base/text.h\"\n");
    const std::vector<LayerViolation> expected{{"base/text.h", 1, "platform/files.h"},
                                               {"nc/interp.cpp", 3, "sim/tools.h"},
                                               {"shell/app.h", 1, "gui/window.h"},
                                               {"shell/app.h", 2, "support/rig.h"},
                                               {"shell/app.h", 3, "local.h"},
                                               {"sim/kernel.h", 3, "shell/settings.h"},
                                               {"tools/x.cpp", 1, "base/text.h"}};
    const std::vector<LayerViolation> found = layering_violations(dir.path());
    EXPECT_EQ(listing(found), listing(expected));
}

}  // namespace
}  // namespace vx::testing
