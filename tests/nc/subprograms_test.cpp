// Subprograms and the memory image: where a call finds its program, how deep calls nest, what
// M99 returns to, and when the image of a file is rebuilt.
#include "interp_rig.h"
#include "nc/subprograms.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace vx::nc {
namespace {

using test::rig;

std::vector<double> x_ends(const std::vector<MoveRecord>& moves) {
    std::vector<double> x;
    for (const MoveRecord& m : moves) x.push_back(m.end.x);
    return x;
}

// Main program, then O1 to O5 each calling the next: O5 would be the fifth level.
constexpr const char* kNested =
    "G00 X1\nM98 P1\nX99\nM30\n"
    "O0001\nX11\nM98 P2\nX12\nM99\n"
    "O0002\nX21\nM98 P3\nX22\nM99\n"
    "O0003\nX31\nM98 P4\nX32\nM99\n"
    "O0004\nX41\nM98 P5\nX42\nM99\n"
    "O0005\nX51\nM99\n";

TEST(Subprograms, MemoryRunNestsFourLevelsAndIgnoresTheFifth) {
    auto r = rig("RUN TYPE=MEMORY\n");
    ProgramLibrary library;
    build_memory_image(kNested, r->ctl, library.image);
    r->in.programs = &library;
    const auto moves = r->run(kNested);
    EXPECT_EQ(x_ends(moves), (std::vector<double>{1, 11, 21, 31, 41, 42, 32, 22, 12, 99}));
    ASSERT_EQ(r->in.no_effect.size(), 1u);
    EXPECT_EQ(r->in.no_effect[0].code, "M98 P5");
    // The lines of a program of the image count as the file's: X41 is line 21.
    EXPECT_EQ(moves[4].line, 21);
}

TEST(Subprograms, WithoutAMemoryRunAnM98PIsIgnoredAndNamed) {
    auto r = rig();
    ProgramLibrary library;
    build_memory_image(kNested, r->ctl, library.image);
    r->in.programs = &library;
    const auto moves = r->run("G00 X1\nM98 P1\nX2\n");
    EXPECT_EQ(x_ends(moves), (std::vector<double>{1, 2}));
    EXPECT_EQ(no_effect_summary(r->in.no_effect), "M98 P1 (line 2) had no effect");
}

// M98 <name> and M198 open files of the NC file's folder; M198 tries "O%d", then "O%04d".
TEST(Subprograms, FilesAreCalledByNameAndByNumber) {
    testing::TempDir dir;
    dir.write("SUB.NC", "X10\nM99\nX666\n");
    dir.write("O0007", "X70\nM198 P8\nM99\n");
    dir.write("O8", "X80\n");  // its end of file returns like M99
    auto r = rig();
    ProgramLibrary library;
    library.directory = dir.path();
    r->in.programs = &library;
    const auto moves = r->run("M98 <SUB.NC>\nM198 P7\nX1\nM198 P9\n");
    EXPECT_EQ(x_ends(moves), (std::vector<double>{10, 70, 80, 1}));
    EXPECT_EQ(no_effect_summary(r->in.no_effect), "M198 P9 (line 4) had no effect");
}

TEST(Subprograms, OspCallsByNameAndReturnsWithRts) {
    auto r = rig("PRODUCT=OSP\n");
    const std::string program = "G00 X1\nCALL O20\nX3\nM02\nO20\nX20\nRTS\n";
    ProgramLibrary library;
    build_memory_image(program, r->ctl, library.image);
    r->in.programs = &library;
    EXPECT_EQ(x_ends(r->run(program)), (std::vector<double>{1, 20, 3, 20}));
}

// The image's table: entries only behind the end of the main program, each with its offset,
// its length up to and with its M99, and its line; replacements are applied to the lines.
TEST(MemoryImage, ProgramsBehindTheMainProgramAreIndexed) {
    Ctl ctl;
    parse_ctl("REPLACE \"FOO\" \"X5\"\n", ctl);
    MemoryImage image;
    build_memory_image("O1\nG0 X0\nN10 M30\r\nO0012 (SUB)\nFOO\nM99\nO13\nX1\n", ctl, image);
    ASSERT_EQ(image.programs.size(), 2u);
    const ProgramEntry& p12 = image.programs[0];
    EXPECT_EQ(p12.number, 12);
    EXPECT_EQ(p12.line, 4);
    EXPECT_EQ(image.bytes.substr(p12.offset, p12.length), "O0012 (SUB)\nX5\nM99\n");
    EXPECT_EQ(image.programs[1].number, 13);
    EXPECT_EQ(image.programs[1].length, 0u);  // no M99: it runs to the end of the image
    EXPECT_EQ(find_program(image, 13), &image.programs[1]);
    EXPECT_EQ(find_program(image, 1), nullptr);
}

// Rebuilt when the time or the size changed, kept otherwise (the same size and time with other
// bytes is taken as the same file).
TEST(MemoryImage, IsRebuiltOnlyWhenTheFilesTimeOrSizeChanges) {
    testing::TempDir dir;
    Ctl ctl;
    const std::string path = dir.write("P.NC", "M30\nO1\nX1\nM99\n");
    MemoryImage image;
    ASSERT_EQ(load_memory_image(path, ctl, image), 14u);
    const auto time = std::filesystem::last_write_time(path);

    dir.write("P.NC", "M30\nO2\nX1\nM99\n");
    std::filesystem::last_write_time(path, time);
    load_memory_image(path, ctl, image);
    EXPECT_EQ(image.programs.at(0).number, 1) << "same time and size: kept";

    std::filesystem::last_write_time(path, time + std::chrono::seconds(5));
    load_memory_image(path, ctl, image);
    EXPECT_EQ(image.programs.at(0).number, 2) << "new time: rebuilt";

    dir.write("P.NC", "M30\nO33\nX1\nM99\n");
    std::filesystem::last_write_time(path, time + std::chrono::seconds(5));
    load_memory_image(path, ctl, image);
    EXPECT_EQ(image.programs.at(0).number, 33) << "new size: rebuilt";

    dir.write("P.NC", "");
    EXPECT_EQ(load_memory_image(path, ctl, image), 0u);
    EXPECT_TRUE(image.programs.empty());
}

}  // namespace
}  // namespace vx::nc
