// Inch programs and the codes that do nothing: a G20 program must cut at full size (not 25.4
// times too small), and whatever a program asks for that this controller does not do must be
// named, never dropped in silence.
#include "interp_rig.h"

#include <gtest/gtest.h>

#include <string>

namespace vx::nc {
namespace {

using test::expect_point;
using test::rig;

// Metamorphic: a program in inches equals the same program written in millimetres: every end
// point, arc centre and feed, with G91, a radius arc, a centre arc and a cycle.
TEST(InchPrograms, EqualTheirMillimetreTwin) {
    const std::string body_inch =
        "G91 G01 X1. Y.5 F10.\nG90 G02 X2. Y1.5 R1.\nG03 X1. Y2.5 I-1. J0\n"
        "G99 G81 X3. Y1. Z-.5 R.1 F4.\nG80\n";
    const std::string body_mm =
        "G91 G01 X25.4 Y12.7 F254.\nG90 G02 X50.8 Y38.1 R25.4\nG03 X25.4 Y63.5 I-25.4 J0\n"
        "G99 G81 X76.2 Y25.4 Z-12.7 R2.54 F101.6\nG80\n";
    auto inch = rig();
    auto mm = rig();
    const auto a = inch->run("G20\n" + body_inch + "G21 G01 X10.\n", {0, 0, 50});
    const auto b = mm->run("G21\n" + body_mm + "G01 X10.\n", {0, 0, 50});
    ASSERT_EQ(a.size(), b.size());
    for (std::size_t i = 0; i < a.size(); ++i) {
        EXPECT_EQ(a[i].motion, b[i].motion) << i;
        expect_point(a[i].end, b[i].end.x, b[i].end.y, b[i].end.z, 1e-9);
        expect_point(a[i].centre, b[i].centre.x, b[i].centre.y, b[i].centre.z, 1e-9);
        EXPECT_NEAR(a[i].feedrate, b[i].feedrate, 1e-9) << i;
    }
    expect_point(a.back().end, 10, 25.4, 2.54);  // G21 reads millimetres again
}

// The definitions stay in millimetres: an F number names the table's feed as it stands, and a
// G10 offset given in the program is converted while one in the controller file is not.
TEST(InchPrograms, DefinitionsStayInMillimetres) {
    auto r = rig("FEEDRATE=AUTO1\n");
    r->ctl.f[3] = 500;
    const auto moves = r->run("G20 G01 X1. F3\nG10 L12 P2 R.5\n");
    ASSERT_EQ(moves.size(), 1u);
    EXPECT_DOUBLE_EQ(moves[0].feedrate, 500.0);
    EXPECT_FLOAT_EQ(r->ctl.d[2].value, 12.7f);
}

TEST(NoEffect, CodesWithoutEffectAreNamedWithTheirFirstLine) {
    auto r = rig();
    r->run("G00 X1\nG05.1 Q1\ng01 x2\nM08\nG05.1 Q0\nE5 M03\nM00\n");
    EXPECT_EQ(no_effect_summary(r->in.no_effect),
              "G05.1 (line 2), lower-case words (line 3), M08 (line 4), E words (line 6) had no effect");
    ASSERT_EQ(r->in.no_effect.size(), 4u);
    EXPECT_EQ(r->in.no_effect[0].count, 2);
}

// Codes that act only in some dialects are named where they do not act.
TEST(NoEffect, DialectCodesAreNamedWhereTheyDoNothing) {
    auto osp = rig("PRODUCT=OSP\n");
    osp->run("G68 X0 Y0 R90.\nG43 H1\nM52\n");
    EXPECT_EQ(no_effect_summary(osp->in.no_effect), "G68 (line 1), G43 (line 2) had no effect");
    auto fanuc = rig();
    fanuc->run("M52\nG15 H1\n");
    EXPECT_EQ(no_effect_summary(fanuc->in.no_effect), "M52 (line 1), G15 (line 2) had no effect");
}

// Faults that ran as a quiet success: an arc without centre or radius ran as a line, and a file
// without its start code ran nothing.
TEST(SilentFaults, ArcWithoutCentreOrRadiusIsTheRadiusAlarm) {
    auto r = rig();
    r->run("G01 X1 F100\nG02 X10 Y0\nX20\n");
    EXPECT_EQ(alarm_code(r->in), kAlarmArcRadius);
    EXPECT_EQ(r->reader.alarm.line, 2);
}

TEST(SilentFaults, MissingStartCodeIsAlarm3) {
    auto r = rig("EOR=%\n");
    EXPECT_TRUE(r->run("G01 X1 F100\nX2\n").empty());
    EXPECT_EQ(alarm_code(r->in), kAlarmStartCode);
    auto ok = rig("EOR=%\n");
    EXPECT_EQ(ok->run("%\nG01 X1 F100\n%\n").size(), 1u);
    EXPECT_EQ(alarm_code(ok->in), 0);
}

}  // namespace
}  // namespace vx::nc

namespace vx::nc {
namespace {

// The comment plug-in sees each line with a comment once; the tool it reads becomes active and
// what it reads but the interpreter cannot use yet is named.
TEST(CommentPlugin, ToolFromACommentBecomesActive) {
    struct Seen {
        int calls = 0;
        std::string line;
        int line_number = 0;
    } seen;
    auto r = test::rig();
    r->with_tools();
    r->in.comments.context = &seen;
    r->in.comments.offer = [](const void* context, std::string_view line, int line_number, CommentFindings& found) {
        auto& s = *static_cast<Seen*>(const_cast<void*>(context));
        ++s.calls;
        s.line = std::string(line);
        s.line_number = line_number;
        found.has_tool = line.find("(T7)") != std::string_view::npos;
        found.tool = 7;
        found.has_length = true;
        found.length = 12.5;
        found.has_arbor = true;
        return true;
    };
    r->run("G00 X1 (T7) (TWICE)\nG00 X2\n");
    EXPECT_EQ(seen.calls, 1);
    EXPECT_EQ(seen.line, "G00 X1 (T7) (TWICE)\n");
    EXPECT_EQ(seen.line_number, 1);
    EXPECT_EQ(active_tool(r->in), 7);
    EXPECT_EQ(r->in.modal.comment_length, 12.5);  // the run applies it after the block's tool change
    EXPECT_EQ(no_effect_summary(r->in.no_effect), "arbors from comments (line 1) had no effect");
}

}  // namespace
}  // namespace vx::nc
