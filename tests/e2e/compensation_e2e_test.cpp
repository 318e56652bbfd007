// Radius compensation through the built program: a pocket whose walls are programmed as its
// contour comes out with its walls where they are programmed (the tool kept inside by G41),
// and an offset interference is listed in "alarm.txt" and, as a batch never pauses, logged.
#include "e2e_workspace.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace vx {
namespace {

// The test controller with the D value taken from the tool (D1 = 5 for the flat D10) and the
// radius-offset check listing its findings and painting them.
void write_compensation_ctl(const Workspace& w) {
    w.dir.write("comp.ctl", w.dir.read("e2e.ctl") + "D-CODE VALUE=AUTO\nCHECK RADIUS OFFSET=STOP+LIST+PENKI\n");
}

// Without compensation the tool centre on the contour would cut 5 beyond every wall; with G42
// it would run outside the pocket. The grid puts the walls between the cells at 0.5 either side.
TEST(CompensationE2e, PocketWallsLieOnTheProgrammedContour) {
    Workspace w;
    write_compensation_ctl(w);
    ASSERT_EQ(w.run("-X5 -Ccomp.ctl pocket_g41.nc -Opocket.dmf"), 0);
    const Dmf d = read_dmf(w, "pocket.dmf");
    ASSERT_EQ(d.nx, 121);
    for (double y : {15.0, 20.0, 25.0}) {
        EXPECT_EQ(d.height(15.5, y), 17.0f) << y;
        EXPECT_EQ(d.height(14.5, y), 20.0f) << y;
        EXPECT_EQ(d.height(44.5, y), 17.0f) << y;
        EXPECT_EQ(d.height(45.5, y), 20.0f) << y;
    }
    for (double x : {20.0, 30.0, 40.0}) {
        EXPECT_EQ(d.height(x, 10.5), 17.0f) << x;
        EXPECT_EQ(d.height(x, 9.5), 20.0f) << x;
        EXPECT_EQ(d.height(x, 29.5), 17.0f) << x;
        EXPECT_EQ(d.height(x, 30.5), 20.0f) << x;
    }
    // The inside corners keep the tool's radius: the corner cell stays, one nearer the tool goes.
    EXPECT_EQ(d.height(15.5, 10.5), 20.0f);
    EXPECT_EQ(d.height(16.5, 11.5), 17.0f);
    // 3 deep over the pocket less its four corner cusps r^2 (1 - pi/4); the grid errs by about
    // half a cell along the rim.
    const double area = 30.0 * 20.0 - 4.0 * 25.0 * (1.0 - M_PI / 4.0);
    EXPECT_NEAR(d.removed_volume(), 3.0 * area, 0.5 * 100.0 * kPitch * 3.0);
    EXPECT_EQ(w.dir.read("alarm.txt"), "");  // nothing to list: the list is not even created
}

TEST(CompensationE2e, InterferenceIsListedAndLogged) {
    Workspace w;
    write_compensation_ctl(w);
    w.dir.write("step.nc",
                "%\nG90 G17 G00 X10. Y20. Z25.\nT1 M06\nZ21.\nG01 Z17. F300\nG41 G01 X10. Y10. D1 F600\nX30.\n"
                "Y12.\nX50.\nG40 G01 X50. Y25.\nG00 Z25.\nM30\n%\n");
    ASSERT_EQ(w.run("-X5 -Ccomp.ctl step.nc -Ostep.dmf"), 0);
    EXPECT_EQ(w.dir.read("alarm.txt"),
              "<<< ALARM INFORMATION >>>\n--------------\nINTERFERENCE IN RADIUS(5.000) OFFSET\n8:Y12.\n");
    EXPECT_NE(w.log().find("(8) - OFFSET ALARM\n"), std::string::npos) << w.log();
    // The summary counts it as a finding, which --fail-on-findings turns into exit code 3.
    std::string summary;
    EXPECT_EQ(w.run("-X5 -Ccomp.ctl step.nc --fail-on-findings", &summary), 3);
    EXPECT_NE(summary.find("    offset alarm: 1, first at line 8: OFFSET ALARM\n"), std::string::npos) << summary;
    // The connecting move from (30, 15) to (25, 10) is painted where it cuts first; the path
    // before it, at Y15, is not.
    const Dmf d = read_dmf(w, "step.dmf");
    EXPECT_EQ(d.height(25, 5.5), 17.0f);
    EXPECT_EQ(d.attribute(25, 5.5) & 1, 1);
    EXPECT_EQ(d.height(15, 11), 17.0f);
    EXPECT_EQ(d.attribute(15, 11) & 1, 0);
}

// An arc whose offset radius turns negative ends the run at its block with alarm 6, whose log
// line carries the line number only in front; the arc is not cut.
TEST(CompensationE2e, ReverseArcEndsTheRunWithAlarmSix) {
    Workspace w;
    w.dir.write("comp.ctl", w.dir.read("e2e.ctl") + "D-CODE VALUE=AUTO\nCHECK REVERSE ARC=YES\n");
    w.dir.write("reverse.nc",
                "%\nG90 G17 G00 X34. Y10. Z25.\nT1 M06\nZ21.\nG01 Z17. F300\nG41 G01 X34. Y20. D1 F600\n"
                "G03 X26. Y20. I-4. J0\nG40 G01 X26. Y10.\nM30\n%\n");
    ASSERT_EQ(w.run("-X5 -Ccomp.ctl reverse.nc -Oreverse.dmf"), 0);
    EXPECT_NE(w.log().find("(7) - Over Offset - Reverse Arc!\n"), std::string::npos) << w.log();
    const Dmf d = read_dmf(w, "reverse.dmf");
    EXPECT_EQ(d.height(33, 24), 20.0f);  // within the tool's reach of the arc, offset or not
    EXPECT_EQ(d.height(34, 10), 17.0f);  // the plunge before it
}

}  // namespace
}  // namespace vx
