// The optimise run of batch level 7 on a program with a plunge, a slot, side cuts on both hands and
// long and short air moves, and a G92 that moves the program's origin (tests/data/e2e/optimise.*): the optimised program is written, cuts
// exactly what the original cuts when it is run itself (the escapes cut nothing), takes less
// machining time, and the cut data names the cut type of every piece.
#include "e2e_workspace.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <regex>
#include <sstream>
#include <string>

namespace vx {
namespace {

// The cut-data lines of NC line `line` that end with the cut type letter `type`.
int lines_of_type(const std::string& cut_data, int line, char type) {
    std::istringstream in(cut_data);
    std::string text;
    int count = 0;
    const std::string head = "N" + std::to_string(line) + "(";
    while (std::getline(in, text))
        if (text.rfind(head, 0) == 0 && text.find(std::string("(") + type) != std::string::npos) ++count;
    return count;
}

TEST(OptimiseRun, OptimisedProgramCutsTheSameFasterWithItsCutData) {
    Workspace w;
    std::string output;
    ASSERT_EQ(w.run("-Ioptimise.ini -X7 optimise.nc", &output), 0) << output;
    const std::string program = w.dir.read("OPTNC.NC");
    ASSERT_FALSE(program.empty()) << output;
    EXPECT_EQ(program.rfind("G92X0.0Y0.0Z50.0\n", 0), 0u) << program;  // no start code in e2e.ctl

    // One stdout line with both times; the optimised program is faster.
    std::smatch m;
    ASSERT_TRUE(std::regex_search(output, m, std::regex(R"(machining time: original ([0-9.]+) s, optimised ([0-9.]+) s)")))
        << output;
    EXPECT_LT(std::stod(m[2]), std::stod(m[1]));

    // The G92 is written with the tool's place, and the program goes on in the same coordinates.
    EXPECT_NE(program.find("\nG92X30.0Y20.0Z25.0\nX-8.0Y-2.0\n"), std::string::npos) << program;
    // The air at the end of line 14 escapes 3 mm above the floor the side cut left within the
    // tool's reach (Z17); the 42 mm of line 15 beside the box follow at that height as rapids.
    EXPECT_NE(program.find("\nG00Z20.0\nX-8.0\nY42.0\n"), std::string::npos) << program;

    // The plunge, the slot and the side cuts by their hands; the air above the plunge cut nothing.
    const std::string cut_data = w.dir.read("CUTDATA.TXT");
    EXPECT_GT(lines_of_type(cut_data, 6, 'V'), 0) << cut_data;
    EXPECT_GT(lines_of_type(cut_data, 6, 'N'), 0);
    EXPECT_GT(lines_of_type(cut_data, 7, 'A'), 0);
    EXPECT_NE(cut_data.find("\nG92X30.000000Y20.000000Z25.000000\n"), std::string::npos);
    EXPECT_GT(lines_of_type(cut_data, 12, 'U'), 0);
    EXPECT_GT(lines_of_type(cut_data, 14, 'D'), 0);
    EXPECT_EQ(lines_of_type(cut_data, 15, 'A') + lines_of_type(cut_data, 15, 'U') + lines_of_type(cut_data, 15, 'D'), 0);

    // Run on their own, both programs leave the same workpiece.
    ASSERT_EQ(w.run("-Ioptimise.ini -X5 optimise.nc -Ooriginal.dmf"), 0);
    ASSERT_EQ(w.run("-Ioptimise.ini -X5 OPTNC.NC -Ooptimised.dmf"), 0);
    const Dmf original = read_dmf(w, "original.dmf"), optimised = read_dmf(w, "optimised.dmf");
    ASSERT_EQ(original.cells(), optimised.cells());
    ASSERT_GT(original.cells(), 0);
    int differing = 0;
    for (std::int64_t c = 0; c < original.cells(); ++c)
        differing += original.at<float>(156 + 4 * c) != optimised.at<float>(156 + 4 * c);
    EXPECT_EQ(differing, 0);
    EXPECT_GT(original.removed_volume(), 0.0);
}

// Binary cut data alone, named after the NC file: its header is the start position and its first
// record carries the motion type.
TEST(OptimiseRun, BinaryCutDataNamedAfterTheProgram) {
    Workspace w;
    std::string ini = w.dir.read("optimise.ini");
    ini.replace(ini.find("OPT-NC=YES"), 10, "OPT-NC=NO");
    ini.replace(ini.find("CUT-DATA=YES"), 12, "CUT-DATA=BINARY\nCUT-DATA NAME MODE=AUTO");
    w.dir.write("binary.ini", ini);
    ASSERT_EQ(w.run("-Ibinary.ini -X7 optimise.nc"), 0);
    EXPECT_TRUE(w.dir.read("OPTNC.NC").empty());
    const std::string bytes = w.dir.read("optimise.BIN");
    ASSERT_GT(bytes.size(), 14u);
    float header[3];
    std::memcpy(header, bytes.data(), sizeof header);
    EXPECT_EQ(header[0], 0.0f);
    EXPECT_EQ(header[1], 0.0f);
    EXPECT_EQ(header[2], 50.0f);
    EXPECT_EQ(std::uint8_t(bytes[12]) & 0x04, 0x04);  // the motion type's bit
}

TEST(OptimiseRun, UnwritableOutputIsReportedAndFailsTheBatch) {
    Workspace w;
    w.dir.write("optimise_ro.ini", w.dir.read("optimise.ini") + "Target_OPT-NCdir=/proc/no-such-dir\n");
    std::string output;
    EXPECT_EQ(w.run("-Ioptimise_ro.ini -X7 optimise.nc", &output), 1) << output;
    EXPECT_NE(output.find("Write protect"), std::string::npos) << output;
}

}  // namespace
}  // namespace vx
