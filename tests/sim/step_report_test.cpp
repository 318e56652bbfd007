#include "sim/cutting_step.h"

#include "platform/language.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace vx::sim {
namespace {

// Restores the language flag that a test changes.
class Language {
public:
    explicit Language(bool english) { platform::set_english(english); }
    ~Language() { platform::set_english(was); }

private:
    bool was = platform::english();
};

CurrentTool tool_of(int type, bool holder = true, int length_kind = kLength1) {
    CurrentTool t;
    t.number = 7;
    t.tool.defined = 1;
    t.tool.type = type;
    t.profile.type = type;
    t.profile.has_holder = holder;
    t.profile.length_kind = length_kind;
    return t;
}

// The checks with the arbor, effective length and chip checks in these modes.
Checks modes(ArborCheck arbor, LengthCheck height, LengthCheck chip, int length_type = 1) {
    Checks c;
    c.arbor = arbor;
    c.height = height;
    c.chip = chip;
    c.length_type = length_type;
    return c;
}

Checks arbor_mode(int length_type = 2) {
    return modes(ArborCheck::Compute, LengthCheck::Off, LengthCheck::Off, length_type);
}
Checks height_mode() { return modes(ArborCheck::Ignore, LengthCheck::Compute, LengthCheck::Off); }
Checks chip_mode() { return modes(ArborCheck::Ignore, LengthCheck::Off, LengthCheck::Compute); }

// ---- Numbers ----
// The line's numbers follow printf's "%W.Df" whatever the locale: padding to the width, never
// cutting a wider number.

TEST(StepNumbers, FixedTextPadsToTheWidthAndNeverCuts) {
    EXPECT_EQ(fixed_text(24.4567, 3, 8), "  24.457");
    EXPECT_EQ(fixed_text(-1.5, 3, 8), "  -1.500");
    EXPECT_EQ(fixed_text(123456.5, 3, 8), "123456.500");
    EXPECT_EQ(fixed_text(2.0), "2.000000");
}

// ---- Protrusion and neck ----
// The line must carry the 1 mm margin, the holder-less text when nothing can be computed, the
// impossible Lt as NG, and the LENGTH TYPE raise only where it belongs.

TEST(StepReport, ProtrusionIsPrintedWithTheMargin) {
    RequiredValues r;
    r.protrusion = 23.4567;
    {
        Language english(true);
        EXPECT_EQ(requirement_line(tool_of(kToolFlat), false, r, arbor_mode(), {}), "T07:Flat End mill:Length=  24.457");
    }
    Language japanese(false);
    EXPECT_EQ(requirement_line(tool_of(kToolFlat), false, r, arbor_mode(), {}),
              "T07:フラットエンドミル:突出=  24.457以上");
}

TEST(StepReport, ToolWithoutHolderCannotBeComputed) {
    RequiredValues r;
    r.protrusion = 5;
    {
        Language english(true);
        EXPECT_EQ(requirement_line(tool_of(kToolBall, false), false, r, arbor_mode(), {}),
                  "T07:Ball End mill:ARBOR not defined ");
    }
    Language japanese(false);
    EXPECT_EQ(requirement_line(tool_of(kToolBall, false), false, r, arbor_mode(), {}),
              "T07:ボールエンドミル:ARBOR未定義（算出不能） ");
}

TEST(StepReport, AttachmentAloneAllowsTheProtrusion) {
    Language english(true);
    CurrentTool t = tool_of(kToolFlat, false);
    t.profile.attachment_count = 1;
    EXPECT_EQ(requirement_line(t, false, RequiredValues{}, arbor_mode(), {}), "T07:Flat End mill:Length=   1.000");
}

TEST(StepReport, NeckAlternativesFollowForLengthKindsAboveOne) {
    RequiredValues r;
    r.protrusion = 30;
    r.neck_length = 4.25;
    r.second_length = 2.5;
    const CurrentTool t = tool_of(kToolFlat, true, kLength2);
    {
        Language english(true);
        EXPECT_EQ(requirement_line(t, false, r, arbor_mode(), {}),
                  "T07:Flat End mill:Length=  31.000:Lu=  5.250 or Lt=  3.500");
    }
    Language japanese(false);
    EXPECT_EQ(requirement_line(t, false, r, arbor_mode(), {}),
              "T07:フラットエンドミル:突出=  31.000以上:首下=  5.250 or Lt=  3.500以上");
}

TEST(StepReport, ImpossibleSecondLengthIsPrintedAsNg) {
    RequiredValues r;
    r.protrusion = 30;
    r.neck_length = 4.25;
    r.second_length = -1.0;
    const CurrentTool t = tool_of(kToolFlat, true, kLength3);
    {
        Language english(true);
        EXPECT_EQ(requirement_line(t, false, r, arbor_mode(), {}), "T07:Flat End mill:Length=  31.000:Lu=  5.250 or Lt= NG");
    }
    Language japanese(false);
    EXPECT_EQ(requirement_line(t, false, r, arbor_mode(), {}),
              "T07:フラットエンドミル:突出=  31.000以上:首下=  5.250 or Lt= NG");
}

TEST(StepReport, LengthTypeRaisesTheProtrusionOnlyWhereItApplies) {
    // Lu 4.25, L3 5, neck height at rn 7.5, collected protrusion 3.
    CurrentTool t = tool_of(kToolFlat, true, kLength2);
    t.profile.L3 = 5;
    t.profile.neck_top = 7.5;
    RequiredValues r;
    r.protrusion = 3;
    r.neck_length = 4.25;
    EXPECT_DOUBLE_EQ(reported_protrusion(t.profile, r, 1), 9.25);  // Lu + L3
    EXPECT_DOUBLE_EQ(reported_protrusion(t.profile, r, 2), 3.0);
    EXPECT_DOUBLE_EQ(reported_protrusion(t.profile, r, 3), 3.0);
    EXPECT_DOUBLE_EQ(reported_protrusion(t.profile, r, 4), 4.25);  // Lu
    t.profile.length_kind = kLength3;
    EXPECT_DOUBLE_EQ(reported_protrusion(t.profile, r, 1), 11.75);  // Lu + neck height at rn
    t.profile.length_kind = kLength1;
    EXPECT_DOUBLE_EQ(reported_protrusion(t.profile, r, 1), 3.0);
    t.profile.length_kind = kLength2;
    r.protrusion = 20;  // already larger: kept
    EXPECT_DOUBLE_EQ(reported_protrusion(t.profile, r, 1), 20.0);
}

TEST(StepReport, LengthTypeAdjustmentReachesTheLine) {
    Language english(true);
    CurrentTool t = tool_of(kToolFlat, true, kLength2);
    t.profile.L3 = 5;
    RequiredValues r;
    r.protrusion = 3;
    r.neck_length = 4.25;
    EXPECT_EQ(requirement_line(t, false, r, arbor_mode(1), {}),
              "T07:Flat End mill:Length=  10.250:Lu=  5.250 or Lt=  1.000");
}

// ---- Blade length and chip ----
// A tool that touched nothing prints the bare margin; the chip text depends on the tool type.

TEST(StepReport, UntouchedBladePrintsTheMarginOnly) {
    const Checks checks = height_mode();
    {
        Language english(true);
        EXPECT_EQ(requirement_line(tool_of(kToolBall), false, RequiredValues{}, checks, {}),
                  "T07:Ball End mill:Height=   1.000");
    }
    Language japanese(false);
    EXPECT_EQ(requirement_line(tool_of(kToolBall), false, RequiredValues{}, checks, {}),
              "T07:ボールエンドミル:刃長=   1.000以上");
}

TEST(StepReport, ChipValuesByToolType) {
    const Checks checks = chip_mode();
    RequiredValues r;
    r.tip_width = 0.75;
    r.centre_height = 0.2;
    {
        Language english(true);
        EXPECT_EQ(requirement_line(tool_of(kToolVertical), false, r, checks, {}), "T07:Vertical Mill:TipW=   0.750");
        EXPECT_EQ(requirement_line(tool_of(kToolRadius), false, r, checks, {}), "T07:Radius Mill:CenterH=   0.200");
        EXPECT_EQ(requirement_line(tool_of(kToolFlat), false, r, checks, {}), "T07:Flat End mill:NOT VERTICAL ");
    }
    Language japanese(false);
    EXPECT_EQ(requirement_line(tool_of(kToolVertical), false, r, checks, {}), "T07:バーティカルミル:チップ幅=   0.750以上");
    EXPECT_EQ(requirement_line(tool_of(kToolRadius), false, r, checks, {}), "T07:ラジアスミル:中心高さ=   0.200以上");
    EXPECT_EQ(requirement_line(tool_of(kToolFlat), false, r, checks, {}), "T07:フラットエンドミル:NOT VERTICAL（算出不能）");
}

TEST(StepReport, AllComputeModesInOrder) {
    Language english(true);
    RequiredValues r;
    r.protrusion = 1;
    r.blade_length = 2;
    r.tip_width = 0.5;
    const Checks all = modes(ArborCheck::Compute, LengthCheck::Compute, LengthCheck::Compute);
    EXPECT_EQ(requirement_line(tool_of(kToolVertical), false, r, all, {}),
              "T07:Vertical Mill:Length=   2.000:Height=   3.000:TipW=   0.500");
}

TEST(StepReport, TemporaryToolIsNamedTmp) {
    Language english(true);
    EXPECT_EQ(requirement_line(tool_of(kToolBall), true, RequiredValues{}, height_mode(), {}),
              "TMP:Ball End mill:Height=   1.000");
}

// ---- Stop endings ----
// The ending must name why the run stopped; an interpreter alarm also sets the abort flag and
// must still read as an NC error, not as an operator stop.

std::string ending(const RunStop& stop) {
    return requirement_line(tool_of(kToolBall), false, RequiredValues{}, height_mode(), stop).substr(
        std::string("T07:Ball End mill:Height=   1.000").size());
}

TEST(StepReport, EndingsByStopReasonInEnglish) {
    Language english(true);
    EXPECT_EQ(ending({}), "");
    EXPECT_EQ(ending({true, 0}), " *Warning*STOP(Operation)");
    EXPECT_EQ(ending({true, 7}), " *Warning*STOP(Over Load)");
    EXPECT_EQ(ending({true, 3}), " *Warning*STOP(Interference etc)");
    EXPECT_EQ(ending({false, 100}), " *Warning*STOP(Interference etc)");
    EXPECT_EQ(ending({false, 103}), " *Warning*STOP(NC Error)");
    EXPECT_EQ(ending({true, 105}), " *Warning*STOP(NC Error)");
}

TEST(StepReport, EndingsByStopReasonInJapanese) {
    Language japanese(false);
    const std::string head = "T07:ボールエンドミル:刃長=   1.000以上";
    auto line = [](const RunStop& stop) {
        return requirement_line(tool_of(kToolBall), false, RequiredValues{}, height_mode(), stop);
    };
    EXPECT_EQ(line({true, 0}), head + " *警告*中断(操作)");
    EXPECT_EQ(line({true, 7}), head + " *警告*中断(過負荷)");
    EXPECT_EQ(line({true, 2}), head + " *警告*中断(干渉など)");
    EXPECT_EQ(line({true, 101}), head + " *警告*中断(NCエラー)");
}

// ---- Writing ----
// Values must not carry over to the next tool, also when the report file could not be opened;
// without a compute mode no line is due.

std::string contents(std::FILE* f) {
    std::rewind(f);
    std::string out;
    char buffer[256];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) out.append(buffer, n);
    return out;
}

TEST(StepReport, WrittenLineEndsTheLineAndClearsTheValues) {
    Language english(true);
    std::FILE* f = std::tmpfile();
    ASSERT_NE(f, nullptr);
    RequiredValues r;
    r.blade_length = 4;
    r.second_length = -1;
    EXPECT_EQ(write_requirement_line(f, tool_of(kToolBall), false, r, height_mode(), {}), 1);
    EXPECT_EQ(contents(f), "T07:Ball End mill:Height=   5.000\n");
    EXPECT_EQ(r.blade_length, 0.0);
    EXPECT_EQ(r.second_length, 0.0);
    std::fclose(f);
}

TEST(StepReport, MissingFileStillClearsTheValues) {
    RequiredValues r;
    r.protrusion = 9;
    EXPECT_EQ(write_requirement_line(nullptr, tool_of(kToolBall), false, r, arbor_mode(), {}), 1);
    EXPECT_EQ(r.protrusion, 0.0);
}

TEST(StepReport, NoLineWithoutAComputeMode) {
    std::FILE* f = std::tmpfile();
    ASSERT_NE(f, nullptr);
    RequiredValues r;
    const Checks aborting = modes(ArborCheck::Abort, LengthCheck::Abort, LengthCheck::Abort);
    EXPECT_EQ(write_requirement_line(f, tool_of(kToolBall), false, r, aborting, {}), 0);
    EXPECT_EQ(contents(f), "");
    std::fclose(f);
}

}  // namespace
}  // namespace vx::sim
