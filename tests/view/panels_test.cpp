// The panels: every text exactly as the user must see it in both languages, the stop-mode
// fields' frames, and the magazine strip's pockets (which tool where, which one is in use).
#include "view/panels.h"

#include <gtest/gtest.h>

namespace vx::view {
namespace {

// Sets the language for one test and puts the old one back.
struct Language {
    bool was;
    explicit Language(bool english) : was(platform::english()) { platform::set_english(english); }
    ~Language() { platform::set_english(was); }
};

Fonts& fonts() {
    static Fonts f;
    return f;
}

// ---- Stop-mode panel ----
// A wrong field sunken tells the user the run will stop where it will not.

TEST(StopPanel, TextsInBothLanguages) {
    {
        Language en(true);
        const auto f = stop_panel_fields(1, false, false);
        EXPECT_EQ(f[0].text, "\tM01");
        EXPECT_EQ(f[1].text, "\tSingle");
        EXPECT_EQ(f[2].text, "\tDefine");
        EXPECT_EQ(f[3].text, "\tNone");
        EXPECT_EQ(f[4].text, "\t ");
        EXPECT_EQ(f[5].text, "\t ");
    }
    Language ja(false);
    const auto f = stop_panel_fields(1, false, false);
    EXPECT_EQ(f[0].text, "\tM01");
    EXPECT_EQ(f[1].text, "\tｼﾝｸﾞﾙ");
    EXPECT_EQ(f[2].text, "\t指定");
    EXPECT_EQ(f[3].text, "\tﾉﾝｽﾄｯﾌﾟ");
}

TEST(StopPanel, TheFieldOfTheStopModeIsSunken) {
    const int field_of_mode[5] = {3, -1, 0, 1, 2};  // mode 1 (M00 only) has no field
    for (int mode = 0; mode <= 4; ++mode) {
        const auto f = stop_panel_fields(mode, false, false);
        for (int k = 0; k < 4; ++k)
            EXPECT_EQ(f[std::size_t(k)].edge, k == field_of_mode[mode] ? FieldEdge::Sunken : FieldEdge::Raised)
                << "mode " << mode << " field " << k;
    }
}

TEST(StopPanel, GoAndEscBlinkWhileSuspended) {
    const auto on = stop_panel_fields(0, true, true);
    EXPECT_EQ(on[4].text, "\tGO");
    EXPECT_EQ(on[5].text, "\tESC");
    EXPECT_EQ(on[4].edge, FieldEdge::Raised);
    const auto off = stop_panel_fields(0, true, false);
    EXPECT_EQ(off[4].text, "");
    EXPECT_EQ(off[5].edge, FieldEdge::None);
}

TEST(StopPanel, DrawsFramesAndNothingWhileMinimised) {
    Surface s;
    resize(s, 300, 20, pixel_rgb(0, 0, 0));
    const auto f = stop_panel_fields(3, false, false);
    draw_stop_panel(s, fonts(), {0, 0, 300, 20}, f, true);
    EXPECT_EQ(pixel_at(s, 100, 10), pixel_rgb(0, 0, 0));
    draw_stop_panel(s, fonts(), {0, 0, 300, 20}, f, false);
    // Field 1 (Single, sunken) spans pixels 60..119: dark top edge; field 0 raised: light top edge.
    EXPECT_EQ(pixel_at(s, 90, 0), pixel_rgb(128, 128, 128));
    EXPECT_EQ(pixel_at(s, 30, 0), pixel_rgb(255, 255, 255));
    EXPECT_EQ(pixel_at(s, 90, 19), pixel_rgb(255, 255, 255));
}

// ---- NC-line panel ----

TEST(NcLinePanel, SelectionInBothLanguages) {
    {
        Language en(true);
        const NcLinePanel p = nc_selection_panel("");
        EXPECT_EQ(p.label, "\tNcdata\t");
        EXPECT_EQ(p.text, "- Not Selected -");
        EXPECT_EQ(nc_selection_panel("/nc/a.nc").text, "/nc/a.nc");
    }
    Language ja(false);
    EXPECT_EQ(nc_selection_panel("").label, "\tNCﾃﾞｰﾀ\t");
    EXPECT_EQ(nc_selection_panel("").text, "- 未選択 -");
}

TEST(NcLinePanel, RunLineAndMoveTexts) {
    nc::MoveRecord m;
    m.motion = nc::kMotionLinear;
    m.end = {10, 20.5, -5};
    m.feedrate = 100;
    NcLinePanel p = nc_run_panel(42, "", "G01 X10", &m);
    EXPECT_EQ(p.label, "\t\t42:");
    EXPECT_EQ(p.text, "G01 X10");
    p = nc_run_panel(42, "O1234", "", &m);
    EXPECT_EQ(p.label, "\t\tO1234");
    EXPECT_EQ(p.text, "LINE:   10.000,   20.500,   -5.000 , FEED=  100.000");
    const Vec3 e{1, 2, 3};
    EXPECT_EQ(run_move_text(0, e, 9), "RAPID:    1.000,    2.000,    3.000");
    EXPECT_EQ(run_move_text(2, e, 9), "ARC(CW):    1.000,    2.000,    3.000 , FEED=    9.000");
    EXPECT_EQ(run_move_text(3, e, 9), "ARC(CCW):    1.000,    2.000,    3.000 , FEED=    9.000");
    EXPECT_EQ(run_move_text(132, e, 9), "OTHER:    1.000,    2.000,    3.000 , FEED=    9.000");
}

TEST(NcLinePanel, PickedCellLineColourAndTexts) {
    nc::MoveRecord m;
    m.motion = nc::kMotionCcw;
    m.end = {1, -2, 3.25};
    NcLinePanel p = nc_pick_panel(true, 17, "", &m);
    EXPECT_EQ(p.label, "\t\t17: ");
    EXPECT_EQ(p.label_colour, pixel_rgb(255, 0, 0));
    EXPECT_EQ(p.text, "ARC(CCW)     1.000,   -2.000,    3.250");
    p = nc_pick_panel(true, -17, "G02 X1", nullptr);
    EXPECT_EQ(p.label, "\t\t17: ");
    EXPECT_EQ(p.label_colour, pixel_rgb(255, 255, 0));
    EXPECT_EQ(p.text, "G02 X1");
    const Vec3 e{1, 2, 3};
    EXPECT_EQ(pick_move_text(0, e), "RAPID        1.000,    2.000,    3.000");
    EXPECT_EQ(pick_move_text(1, e), "LINE         1.000,    2.000,    3.000");
    EXPECT_EQ(pick_move_text(2, e), "ARC(CW)      1.000,    2.000,    3.000");
    EXPECT_EQ(pick_move_text(7, e), "OTHER        1.000,    2.000,    3.000");
    {
        Language en(true);
        EXPECT_EQ(nc_pick_panel(false, 0, "", nullptr).text, "Not Cut");
    }
    Language ja(false);
    EXPECT_EQ(nc_pick_panel(false, 0, "", nullptr).text, "そこは選択中のNCデータで切削されていません");
}

// ---- Measuring panel ----

TEST(MeasuringPanel, ValuesByResolutionAndSpecialRadii) {
    EXPECT_EQ(measure_value(1.5, 1000), "\t\t    1.500");
    EXPECT_EQ(measure_value(1.5, 100), "\t\t    1.50");
    EXPECT_EQ(measure_value(1.5, 10), "\t\t    1.5000");
    PickedPoints picks;
    add_picked_point(picks, {1, 2, 3});
    std::vector<std::string> l = measuring_lines(picks, kPlaneRadius, -12.3, NAN, 1000);
    ASSERT_EQ(l.size(), 10u);
    EXPECT_EQ(l[0], "X\t\t    1.000");
    EXPECT_EQ(l[3], "DX\t-");
    EXPECT_EQ(l[7], "R(X)\t*PLANE*");
    EXPECT_EQ(l[8], "R(Y)\t\t  -12.300");
    EXPECT_EQ(l[9], "R(3PT)\t-");
    add_picked_point(picks, {4, 6, 3});
    l = measuring_lines(picks, 5, 5, kPlaneRadius, 100);
    EXPECT_EQ(l[3], "DX\t\t    3.00");
    EXPECT_EQ(l[6], "L\t\t    5.00");
    EXPECT_EQ(l[9], "R(3PT)\t*LINE*");
}

// ---- Magazine strip ----
// The strip must show the tools in magazine order from the current position and mark the one in
// the spindle; a wrong pocket would have the operator load the wrong tool.

sim::ToolTable magazine() {
    sim::ToolTable t;
    sim::allocate_tool_tables(t, 200);
    for (int n : {1, 2, 3, 198, 200}) {
        auto& e = t.entries[std::size_t(n)];
        e.tool.defined = 1, e.tool.type = sim::kToolFlat, e.tool.d = 10, e.tool.h = 30;
    }
    return t;
}

TEST(MagazineStrip, PocketsWrapAtTheMagazineSizeAndMarkSpindleAndReady) {
    Language en(true);
    const sim::ToolTable t = magazine();
    const MagazineStrip strip = magazine_strip({0, 0, 560, 100}, t, 197, 200, 2, false);
    ASSERT_EQ(strip.pockets.size(), std::size_t(kPockets));
    const int expected[kPockets] = {197, 198, 199, 200, 1, 2, 3, 4, 5, 6, 7};
    for (int k = 0; k < kPockets; ++k) EXPECT_EQ(strip.pockets[std::size_t(k)].tool, expected[k]);
    EXPECT_TRUE(strip.pockets[1].holds_tool);
    EXPECT_EQ(strip.pockets[1].number, "198");
    EXPECT_FALSE(strip.pockets[2].holds_tool);
    EXPECT_EQ(strip.pockets[4].number, "01");
    EXPECT_TRUE(strip.pockets[5].in_spindle);
    EXPECT_EQ(strip.pockets[5].label, "Used");
    for (int k = 0; k < kPockets; ++k)
        if (k != 5) {
            EXPECT_FALSE(strip.pockets[std::size_t(k)].in_spindle);
        }
    for (int k = 1; k < kPockets; ++k) EXPECT_GT(strip.pockets[std::size_t(k)].rect.left, strip.pockets[std::size_t(k - 1)].rect.right - 1);
    const MagazineStrip other = magazine_strip({0, 0, 560, 100}, t, 1, 200, 3, false);
    EXPECT_EQ(other.pockets[5].label, "Ready");
    EXPECT_EQ(other.pockets[2].label, "Used");
    Language ja(false);
    const MagazineStrip j = magazine_strip({0, 0, 560, 100}, t, 1, 200, 3, false);
    EXPECT_EQ(j.pockets[5].label, "待機中");
    EXPECT_EQ(j.pockets[2].label, "使用中");
}

TEST(MagazineStrip, TemporaryModeShowsOneGreyPocket) {
    const MagazineStrip strip = magazine_strip({0, 0, 560, 100}, magazine(), 1, 200, 1, true);
    ASSERT_EQ(strip.pockets.size(), 1u);
    EXPECT_TRUE(strip.pockets[0].in_spindle);
    EXPECT_EQ(strip.pockets[0].label, "TMP");
}

TEST(MagazineStrip, DrawnOnBlackWithTheSpindlePocketGreyAndSilhouettes) {
    const sim::ToolTable t = magazine();
    const MagazineStrip strip = magazine_strip({0, 0, 560, 120}, t, 1, 200, 2, false);
    Surface s;
    resize(s, 560, 120, pixel_rgb(255, 255, 255));
    draw_magazine_strip(s, fonts(), strip, t);
    EXPECT_EQ(pixel_at(s, 2, 60), pixel_rgb(0, 0, 0));
    const Rect grey = strip.pockets[1].rect;  // tool 2 is in the spindle
    EXPECT_EQ(pixel_at(s, grey.left + 3, (grey.top + grey.bottom) / 2), kPocketGrey);
    const Rect empty = strip.pockets[4].rect;  // tool 5 is not defined: black inside
    EXPECT_EQ(pixel_at(s, (empty.left + empty.right) / 2, (empty.top + empty.bottom) / 2), pixel_rgb(0, 0, 0));
    EXPECT_EQ(pixel_at(s, empty.left, empty.top + 5), kPocketFrame);
    const Rect full = strip.pockets[0].rect;  // tool 1: its silhouette on the axis above the bottom
    EXPECT_EQ(pixel_at(s, (full.left + full.right) / 2, full.bottom - kPanelTextHeight - 5), kPocketFrame);
    if (!fonts().available()) GTEST_SKIP() << "no font: the texts are not drawn";
    int cyan = 0, red = 0;
    for (int y = full.top; y < full.bottom; ++y)
        for (int x = full.left; x < full.right; ++x) cyan += pixel_at(s, x, y) == kPocketNumber;
    for (int y = grey.top; y < grey.bottom; ++y)
        for (int x = grey.left; x < grey.right; ++x) red += pixel_at(s, x, y) == kPocketLabel;
    EXPECT_GT(cyan, 0);
    EXPECT_GT(red, 0);
}

}  // namespace
}  // namespace vx::view
