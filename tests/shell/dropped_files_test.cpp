// Dropped files by kind: one command per kind, the first file of each, the definitions before
// the NC program, and CTRL turning a workpiece file into the basic model only when a workpiece
// exists to compare it with.
#include "shell/dropped_files.h"

#include <gtest/gtest.h>

namespace vx::shell {
namespace {

std::string listing(const std::vector<DroppedFile>& files) {
    std::string s;
    for (const DroppedFile& f : files) s += std::to_string(f.command) + " " + f.path + "\n";
    return s;
}

TEST(DroppedFiles, EachKindOnceInTheOrderOfTheKinds) {
    struct Case {
        std::vector<std::string> paths;
        bool ctrl, workpiece;
        std::string expected;
    };
    const std::vector<Case> cases{
        // The NC program comes last though dropped first; the second CTL is left out.
        {{"part.nc", "a.CTL", "b.ctl", "m.mtl", "t.ttl"}, false, true,
         "32783 m.mtl\n32782 a.CTL\n32781 t.ttl\n32771 part.nc\n"},
        {{"w.dmfz", "w2.stl", "c.ctc"}, false, true, "0 c.ctc\n32784 w.dmfz\n"},
        {{"w.STL"}, true, true, "32851 w.STL\n"},   // CTRL: the basic model
        {{"w.dmf"}, true, false, "32784 w.dmf\n"},  // ... but without a workpiece it loads
        {{"m.dmf", "b.stl"}, true, true, "32851 m.dmf\n"},  // the basic model and the load are one kind
        {{"x.txt", "y.nc"}, false, false, "32771 x.txt\n"},
        {{}, false, false, ""},
    };
    CommandLineContext ctx;
    for (const Case& c : cases)
        EXPECT_EQ(listing(dropped_file_commands(c.paths, c.ctrl, c.workpiece, ctx)), c.expected) << c.paths.size();
    ctx.load_extensions = {"abc"};  // a workpiece-reader plug-in's extension loads as a workpiece
    EXPECT_EQ(listing(dropped_file_commands(std::vector<std::string>{"w.ABC"}, false, false, ctx)), "32784 w.ABC\n");
}

}  // namespace
}  // namespace vx::shell
