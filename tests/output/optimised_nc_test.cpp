// The optimised NC program: feeds chosen from the tool's tables with every fallback, the words of
// each decimal-point mode, merged and escaped moves as exact text, and an oracle that reads the
// written program back through the interpreter and finds every merged move where it belongs.
#include "output/optimised_nc.h"

#include "nc/interp_rig.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace vx::output {
namespace {

sim::FeedSet feed_set(float first, std::vector<std::pair<float, float>> steps) {
    sim::FeedSet s;
    s.used = 1;
    s.first = first;
    s.count = int(steps.size());
    for (std::size_t i = 0; i < steps.size(); ++i) s.steps[i] = {steps[i].first, steps[i].second};
    return s;
}

// ---- Feeds ----
// Protects the reading of a table (the first threshold exceeded picks its feed; none exceeded
// takes the last), the fallback from a cut type's table to the general one and to the
// programmed F, and the air-cut modes.

TEST(OptimisedFeed, FirstThresholdExceededChoosesTheFeed) {
    const sim::FeedSet s = feed_set(300, {{50, 600}, {10, 1000}});
    const std::pair<double, double> cases[] = {{80, 300}, {50.0001, 300}, {50, 600}, {30, 600}, {10, 1000}, {5, 1000},
                                               {0, 1000}};
    for (const auto& [removal, feed] : cases) EXPECT_EQ(table_feed(s, removal), feed) << removal;
    EXPECT_EQ(table_feed(feed_set(700, {}), 99.0), 700.0);  // no thresholds: F0 throughout
    EXPECT_EQ(highest_table_feed(s), 1000.0);
}

TEST(OptimisedFeed, EveryOptionAndFallback) {
    sim::FeedOptRecord tables;
    tables.sets[0] = feed_set(300, {{50, 600}, {10, 1000}});  // general
    tables.sets[2] = feed_set(200, {{20, 400}});              // up-cut (30 exceeds 20: F0); V and D unset
    sim::FeedOptRecord no_general = tables;
    no_general.sets[0].used = 0;
    FeedLimits limits;
    limits.max_feed = {5000, 8000, 900};  // the largest of the three counts, 8000

    Piece cut;
    cut.cutting = true;
    cut.removal = 30;
    cut.programmed_feed = 450.4;
    Piece air = cut;
    air.cutting = false;
    Piece rapid = cut;
    rapid.motion = 0;

    auto with = [](Piece p, int type) {
        p.cut_type = type;
        return p;
    };
    struct Case {
        const char* what;
        Piece piece;
        int cut_mode, air_mode;
        const sim::FeedOptRecord* tables;
        PieceFeed expected;
    };
    const Case cases[] = {
        {"up-cut uses its own table", with(cut, 2), kCutOptimise, kAirEscape, &tables, {false, 200}},
        {"vertical falls back to general", with(cut, 1), kCutOptimise, kAirEscape, &tables, {false, 600}},
        {"no direction takes general", with(cut, -1), kCutOptimise, kAirEscape, &tables, {false, 600}},
        {"neither table: programmed F", with(cut, 1), kCutOptimise, kAirEscape, &no_general, {false, 450}},
        {"own table without general", with(cut, 2), kCutOptimise, kAirEscape, &no_general, {false, 200}},
        {"OPT-CUT NO keeps F", with(cut, 2), kCutKeep, kAirEscape, &tables, {false, 450}},
        {"OPT-CUT ESCAPE escapes cuts", with(cut, 2), kCutEscape, kAirKeep, &tables, {true, 450}},
        {"air kept", air, kCutOptimise, kAirKeep, &tables, {false, 450}},
        {"air escapes", air, kCutOptimise, kAirEscape, &tables, {true, 450}},
        {"air at highest optimised F", air, kCutOptimise, kAirMaxOptimised, &tables, {false, 1000}},
        {"no general table: machine F", air, kCutOptimise, kAirMaxOptimised, &no_general, {false, 8000}},
        {"air at machine F", air, kCutOptimise, kAirMaxMachine, &tables, {false, 8000}},
        {"rapids stay rapids", rapid, kCutOptimise, kAirEscape, &tables, {false, kRapidFeed}},
    };
    for (const Case& c : cases) {
        OptimiseOptions o;
        o.cut = c.cut_mode;
        o.air = c.air_mode;
        const PieceFeed f = piece_feed(c.piece, o, *c.tables, limits);
        EXPECT_EQ(f.escape, c.expected.escape) << c.what;
        EXPECT_EQ(f.feed, c.expected.feed) << c.what;
    }
    // A table above the machine's highest feedrate is held to it.
    sim::FeedOptRecord fast;
    fast.sets[0] = feed_set(20000, {});
    EXPECT_EQ(piece_feed(cut, {}, fast, limits).feed, 8000.0);
}

// The kernel lowers a column of cells once per pitch of travel: with steps of a fifth of the pitch
// one step in five carries the whole column. Over a pitch of travel the value is steady, so the
// feed does not flip from step to step; a step that lowered nothing keeps the cut's type.
TEST(OptimisedFeed, RemovalIsSteadyOverAPitchOfTravel) {
    RemovalWindow window;
    window.pitch = 0.5;
    const double step = 0.1, area = 6.0;  // mm of travel, mm² engaged on average
    for (int k = 0; k < 40; ++k) {
        const bool column = k % 5 == 0;
        const Removal r = add_step(window, column ? area * 5 : 0.0, 0.0, step, column ? 2 : -1, true);
        if (k >= 4) {
            EXPECT_NEAR(r.area, area, 1e-9) << k;
        }
        EXPECT_EQ(r.cut_type, 2) << k;
    }
    EXPECT_EQ(add_step(window, 0, 0, step, -1, false).cut_type, -1);  // air ends the cut
    EXPECT_EQ(add_step(window, 0, 0, step, -1, true).cut_type, -1);   // no type known for the new one
}

// ---- Numbers ----
// Protects the exact words of each decimal-point mode and the rounding half away from zero
// (12.34 written "12.340" or a count rounded towards zero would move the tool).

TEST(OptimisedNumbers, WordsOfEveryMode) {
    struct Case {
        double value;
        int unit, mode;
        const char* text;
    };
    const Case cases[] = {
        {12.345, 1000, 0, "X12345"}, {12.345, 1000, 2, "X12345"}, {-0.0005, 1000, 0, "X-1"},
        {0.0005, 1000, 0, "X1"},     {12.345, 1000, 1, "X12.345"}, {12.34, 1000, 1, "X12.34"},
        {12.3, 1000, 3, "X12.3"},    {0, 1000, 1, "X0.0"},         {-0.5, 1000, 1, "X-0.5"},
        {-0.05, 1000, 3, "X-0.05"},  {12.34, 100, 1, "X12.34"},    {12.3, 100, 1, "X12.3"},
        {1.2345, 10000, 1, "X1.2345"}, {1.2, 10000, 1, "X1.2"},    {1.23449, 10000, 1, "X1.2345"},
        {7, 1, 1, "X7.0"},
    };
    for (const Case& c : cases) {
        std::string out;
        append_word(out, 'X', to_count(c.value, c.unit), NumberFormat{c.unit, c.mode});
        EXPECT_EQ(out, c.text) << c.value << " unit " << c.unit << " mode " << c.mode;
    }
}

// ---- Writing ----
// Protects the written text: the start-code and G92 lines, only changed words, pieces of one
// block merged while their feed holds, the arc's plane and centre increments, and the escape.

Piece piece_to(int motion, Vec3 end, int line, bool new_block, double feed = 300) {
    Piece p;
    p.motion = motion;
    p.end = end;
    p.line = line;
    p.new_block = new_block;
    p.programmed_feed = feed;
    p.cutting = true;
    return p;
}

std::string sample_program(int decimal_point) {
    OptNcWriter w;
    w.format = {1000, decimal_point};
    w.start_code = '%';
    begin_output(w, {0, 0, 50});
    add_piece(w, piece_to(0, {10, 20, 25}, 2, true), {false, kRapidFeed});
    add_piece(w, piece_to(1, {10, 20, 17}, 3, true), {false, 300});
    add_piece(w, piece_to(1, {20, 20, 17}, 4, true), {false, 600});
    add_piece(w, piece_to(1, {30, 20, 17}, 4, false), {false, 600});
    add_piece(w, piece_to(1, {40, 20, 17}, 4, false), {false, 600});
    add_piece(w, piece_to(1, {50, 20, 17}, 4, false), {false, 400});
    Piece arc = piece_to(3, {60, 30, 17}, 5, true);
    arc.centre = {50, 30, 17};
    add_piece(w, arc, {false, 500});
    add_piece(w, piece_to(0, {60, 30, 25}, 6, true), {false, kRapidFeed});
    set_position(w, {60, 30, 25});
    end_output(w);
    return w.text;
}

TEST(OptimisedWriter, MergesPiecesAndWritesOnlyWhatChanged) {
    EXPECT_EQ(sample_program(0),
              "%\nG92X0Y0Z50000\nG00X10000Y20000Z25000\nG01Z17000F300\nX40000F600\nX50000F400\n"
              "G17G03X60000Y30000J10000F500\nG00Z25000\nG92X60000Y30000Z25000\n%\n");
    EXPECT_EQ(sample_program(1),
              "%\nG92X0.0Y0.0Z50.0\nG00X10.0Y20.0Z25.0\nG01Z17.0F300\nX40.0F600\nX50.0F400\n"
              "G17G03X60.0Y30.0J10.0F500\nG00Z25.0\nG92X60.0Y30.0Z25.0\n%\n");
}

TEST(OptimisedWriter, EscapeRetractsOverTheHighestMaterialAndComesBack) {
    sim::Workpiece wp;
    sim::GridGeometry g;
    ASSERT_EQ(sim::size_grid(g, 0, 0, 60, 40, 1.0), 1);
    ASSERT_EQ(sim::allocate_workpiece(wp, g, 0), 1);
    ASSERT_EQ(sim::define_uniform_body(wp, 20, 0), 1);
    wp.height.data[20 * g.nx + 30] = 24.0f;  // a bump 4 mm beside the path: within the tool's reach
    wp.highest = 24.0;

    OptNcWriter w;
    w.options.air = kAirEscape;
    w.clearance = {&wp, 5.0, 0.0};
    begin_output(w, {0, 0, 50});
    add_piece(w, piece_to(0, {10, 16, 25}, 2, true), {false, kRapidFeed});
    add_piece(w, piece_to(1, {10, 16, 18}, 3, true), {false, 300});
    for (int k = 1; k <= 4; ++k) add_piece(w, piece_to(1, {10.0 + 10 * k, 16, 18}, 4, k == 1), {true, 300});
    add_piece(w, piece_to(1, {55, 16, 18}, 5, true), {false, 300});
    add_piece(w, piece_to(1, {56, 16, 18}, 6, true), {true, 300});  // 1 mm: fed, not escaped
    end_output(w);
    EXPECT_EQ(w.text,
              "G92X0Y0Z50000\nG00X10000Y16000Z25000\nG01Z18000F300\n"
              "G00Z27000\nX50000\nZ20000\nG01Z18000\nX55000\nX56000\n");
}

// An air move that climbs above the escape height traverses at its own end height: nothing is
// left to come back down to.
TEST(OptimisedWriter, ClimbingEscapeTraversesAtItsEndHeight) {
    sim::Workpiece wp;
    sim::GridGeometry g;
    ASSERT_EQ(sim::size_grid(g, 0, 0, 60, 40, 1.0), 1);
    ASSERT_EQ(sim::allocate_workpiece(wp, g, 0), 1);
    ASSERT_EQ(sim::define_uniform_body(wp, 20, 0), 1);
    wp.highest = 20.0;
    OptNcWriter w;
    w.clearance = {&wp, 5.0, 0.0};
    begin_output(w, {10, 16, 18});
    add_piece(w, piece_to(1, {40, 16, 40}, 2, true), {true, 300});
    add_piece(w, piece_to(0, {40, 16, 50}, 3, true), {false, kRapidFeed});
    end_output(w);
    EXPECT_EQ(w.text, "G92X10000Y16000Z18000\nG00Z40000\nX40000\nZ50000\n");
}

TEST(OptimisedWriter, NoStartCodeLinesWhenBlank) {
    OptNcWriter w;
    begin_output(w, {1, 2, 3});
    end_output(w);
    EXPECT_EQ(w.text, "G92X1000Y2000Z3000\n");
}

// Oracle: random blocks of straight pieces with feeds changing between pieces; the written program,
// read by the interpreter, must move exactly through the ends of the merged groups (same block,
// same feed) with their feeds.
TEST(OptimisedWriter, InterpreterReadsTheMergedMovesBack) {
    std::mt19937 random(21);
    std::uniform_int_distribution<int> step(-4000, 4000), pieces(1, 4), coin(0, 3);
    OptNcWriter w;
    w.format = {1000, 3};
    w.options.air = kAirKeep;
    begin_output(w, {});
    struct Expected {
        Vec3 end;
        int motion;
        double feed;
    };
    std::vector<Expected> expected;
    Vec3 at;
    for (int block = 1; block <= 60; ++block) {
        const int motion = coin(random) == 0 ? 0 : 1;
        const int n = pieces(random);
        for (int k = 1; k <= n; ++k) {
            // Counts of 1/1000 mm, never zero along X: every piece moves.
            at = {at.x + (step(random) | 1) / 1000.0, at.y + step(random) / 1000.0, at.z + step(random) / 1000.0};
            const double feed = motion == 0 ? kRapidFeed : coin(random) < 2 ? 300 : 700;
            const bool merges = k > 1 && expected.back().feed == feed;
            if (merges) expected.back().end = at;
            else expected.push_back({at, motion, feed});
            add_piece(w, piece_to(motion, at, block, k == 1), {false, feed});
        }
    }
    end_output(w);

    nc::test::Rig rig;
    const std::vector<nc::MoveRecord> moves = rig.run(w.text);
    ASSERT_EQ(moves.size(), expected.size());
    for (std::size_t i = 0; i < moves.size(); ++i) {
        for (int a = 0; a < 3; ++a) EXPECT_NEAR(moves[i].end[a], expected[i].end[a], 1e-9) << i;
        EXPECT_EQ(moves[i].motion, expected[i].motion) << i;
        if (expected[i].motion == 1) {
            EXPECT_EQ(moves[i].feedrate, expected[i].feed) << i;
        }
    }
}

// ---- Names and the point list ----

TEST(OptimisedOutputs, FileNamesAndPointListProgram) {
    EXPECT_EQ(output_name("/a/b/part.1.nc", true, "CUTDATA.TXT", "TXT"), "part.TXT");
    EXPECT_EQ(output_name("/a/b.c/prog", true, "OPTNC.NC", "ONC"), "prog.ONC");
    EXPECT_EQ(output_name("/a/part.nc", false, "OPTNC.NC", "ONC"), "OPTNC.NC");

    const std::vector<PickedPoint> points{{10.5f, 20.25f, 3.0f, true}, {30, 20.25f, 3.0f, false}, {40, 5, -1, false}};
    EXPECT_EQ(point_list_program(points, 50.0, 1000, '%'),
              "%\nG92X0Y0Z50000\n"
              "G00X10500Y20250\nZ8000\nG01X10500Y20250Z3000\n"
              "X30000Y20250Z3000\n"
              "G00Z50000\nX40000Y5000\nZ4000\nG01X40000Y5000Z-1000\n"
              "G00Z50000\nX0Y0\n%\n");
}

}  // namespace
}  // namespace vx::output
