// The built program on the programs shops really run: drilling cycles, subprograms from the
// memory image and from files, and inch programs. Each cuts the 60 x 40 x 20 box of
// tests/data/e2e; the result DMF is read back against the holes' analytic drill points and the
// annulus of a circle, and the log against the rapids a wrong retract height would make.
#include "e2e_workspace.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace vx {
namespace {

// The drill D8 of the tool file: its point rises 31 degrees from the horizontal.
const double kRise = std::tan(31.0 * M_PI / 180.0);

// A hole of the D8 drill with its tip at `bottom`: the tip, the point's flank 2 mm out, and
// the untouched top beyond its radius.
void expect_hole(const Dmf& d, double x, double y, double bottom, const std::string& what) {
    EXPECT_NEAR(d.height(x, y), bottom, 1e-4) << what;
    EXPECT_NEAR(d.height(x + 2, y), bottom + 2 * kRise, 1e-4) << what;
    EXPECT_EQ(d.height(x + 4.5, y), kTop) << what;
}

void expect_untouched(const Dmf& d, double x, double y, const std::string& what) {
    EXPECT_EQ(d.height(x, y), kTop) << what;
}

// Every cycle group drills its holes where and as deep as programmed; G91 repeats step along.
TEST(ProgramsE2e, CycleHolesAtTheirPositionsAndDepths) {
    Workspace w;
    w.dir.write("cycles.nc",
                "G90 G17 G00 X0. Y0. Z25.\nT3 M06\n"
                "G98 G81 X10. Y10. Z10. R21. F200.\n"
                "G99 G83 X25. Y10. Z8. R21. Q3.\n"
                "G73 X40. Y10. Z12. R21. Q2.\n"
                "G82 X52. Y10. Z15. P500\n"
                "G80 G00 Y30. Z30.\n"
                "G91 G98 G81 X-10. Z-12. R-8. L4\n"
                "G90 G80 G00 Z25.\nM30\n");
    std::string output;
    ASSERT_EQ(w.run("-X5 cycles.nc -Ocycles.dmf", nullptr, &output), 0) << output;
    const Dmf d = read_dmf(w, "cycles.dmf");
    ASSERT_EQ(d.layer_code, 5);
    expect_hole(d, 10, 10, 10, "G81");
    expect_hole(d, 25, 10, 8, "G83");
    expect_hole(d, 40, 10, 12, "G73");
    expect_hole(d, 52, 10, 15, "G82");
    // From (52, 30, 30): R point 22, bottom 10; four holes 10 apart along -X.
    for (const double x : {42.0, 32.0, 22.0, 12.0}) expect_hole(d, x, 30, 10, "G91 repeat at X" + std::to_string(x));
    expect_untouched(d, 52, 30, "no hole before the first step");
    expect_untouched(d, 2, 30, "no fifth hole");
    EXPECT_EQ(output, "");  // every code acted
}

// Two slots with material between them, a hole in each with R inside the slot: under G98 the
// drill returns to the initial level and passes over the material; under G99 it stays at R and
// its rapid to the second hole runs into the material.
TEST(ProgramsE2e, ReturnLevelDecidesTheRapidBetweenHoles) {
    const std::string slots =
        "G90 G17 G00 X10. Y10. Z25.\nT1 M06\nG01 Z16. F300\nX50.\nG00 Z25.\nY30.\nG01 Z16.\nX10.\nG00 Z25.\n"
        "T3 M06\n";
    Workspace w;
    w.dir.write("g98.nc", slots + "G98 G81 X30. Y10. Z12. R18. F200\nY30.\nG80\nM30\n");
    w.dir.write("g99.nc", slots + "G99 G81 X30. Y10. Z12. R18. F200\nY30.\nG80\nM30\n");
    ASSERT_EQ(w.run("-X5 g98.nc -Og98.dmf"), 0);
    EXPECT_EQ(w.log().find("G00 interference"), std::string::npos) << w.log();
    const Dmf d = read_dmf(w, "g98.dmf");
    for (const double y : {10.0, 30.0}) {  // the slots' floor at 16 lies around the holes
        EXPECT_NEAR(d.height(30, y), 12, 1e-4) << y;
        EXPECT_NEAR(d.height(32, y), 12 + 2 * kRise, 1e-4) << y;
    }
    ASSERT_EQ(w.run("-X5 g99.nc -Og99.dmf"), 0);
    EXPECT_NE(w.log().find("(12) - The tool was dameged. (G00 interference)"), std::string::npos) << w.log();
}

// A memory run: the main program calls O1 in its own file, O1 a file by name, that file O0003
// by M198, and O0003 program O4 of the image: four levels, each drilling its hole, and every
// level returning to the line after its call.
TEST(ProgramsE2e, SubprogramsNestFourLevelsFromTheImageAndFromFiles) {
    Workspace w;
    std::string ctl = w.dir.read("e2e.ctl");
    w.dir.write("memory.ctl", ctl + "RUN TYPE=MEMORY\n");
    w.dir.write("main.nc",
                "G90 G17 G00 X0. Y0. Z25.\nT3 M06\nG98\nM98 P1\nG81 X50. Y30. Z10. R21. F200\nG80\nM30\n"
                "O0001\nG81 X10. Y10. Z10. R21. F200\nG80\nM98 <SUB2.NC>\nM99\n"
                "O0004\nG81 X40. Y10. Z10. R21. F200\nG80\nM99\n");
    w.dir.write("SUB2.NC", "G81 X20. Y10. Z10. R21. F200\nG80\nM198 P3\nM99\n");
    w.dir.write("O0003", "G81 X30. Y10. Z10. R21. F200\nG80\nM98 P4\nM99\n");
    std::string output;
    ASSERT_EQ(w.run("-X5 -Cmemory.ctl main.nc -Omain.dmf", nullptr, &output), 0) << output;
    const Dmf d = read_dmf(w, "main.dmf");
    for (const double x : {10.0, 20.0, 30.0, 40.0}) expect_hole(d, x, 10, 10, "level hole at X" + std::to_string(x));
    expect_hole(d, 50, 30, 10, "back in the main program");
    EXPECT_EQ(output, "");
}

// An inch program with an arc and a feed cuts at full size: the annulus of a D10 on a circle
// of radius 0.4 in about (1.2 in, 0.8 in), 0.75 in high.
TEST(ProgramsE2e, InchProgramCutsAtFullSize) {
    Workspace w;
    w.dir.write("inch.nc",
                "G20 G90 G17 G00 X1.6 Y.8 Z1.\nT1 M06\nG01 Z.75 F10.\nG02 X1.6 Y.8 I-.4 J0 F20.\nG00 Z1.\nM30\n");
    ASSERT_EQ(w.run("-X5 inch.nc -Oinch.dmf"), 0);
    const Dmf d = read_dmf(w, "inch.dmf");
    ASSERT_EQ(d.layer_code, 5);
    const double cx = 30.48, cy = 20.32, floor = 19.05;
    EXPECT_NEAR(d.height(cx + 10, cy), floor, 1e-4);
    EXPECT_NEAR(d.height(cx, cy - 14.5), floor, 1e-4);
    EXPECT_EQ(d.height(cx, cy), kTop);         // inside radius 5.16
    EXPECT_EQ(d.height(cx + 16, cy), kTop);    // outside radius 15.16
    const double analytic = (kTop - floor) * M_PI * (15.16 * 15.16 - 5.16 * 5.16);
    const double rim = 2.0 * M_PI * (15.16 + 5.16);
    EXPECT_NEAR(d.removed_volume(), analytic, 0.5 * rim * kPitch * (kTop - floor));
}

// What a program asks for and this controller does not do is named on stderr at the end.
TEST(ProgramsE2e, CodesWithoutEffectAreNamedOnStderr) {
    Workspace w;
    w.dir.write("odd.nc", "G90 G00 X10. Y10. Z25.\nG05.1 Q1\nT1 M06\nm08\nG00 Z30.\nM30\n");
    std::string output;
    ASSERT_EQ(w.run("-X5 odd.nc", nullptr, &output), 0);
    EXPECT_EQ(output, "G05.1 (line 2), lower-case words (line 4) had no effect\n");
}

}  // namespace
}  // namespace vx
