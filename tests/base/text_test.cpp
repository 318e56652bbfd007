#include "base/text.h"

#include <gtest/gtest.h>

#include <cfloat>

namespace vx {
namespace {

// ---- Numbers ----
// Values are read as the C conversion reads them, whatever the locale, and never produce
// infinities or NaN that would poison later arithmetic.

TEST(TextNumbers, ReadLikeTheCConversion) {
    EXPECT_DOUBLE_EQ(read_number("  12.5mm"), 12.5);
    EXPECT_DOUBLE_EQ(read_number("-.5"), -0.5);
    EXPECT_DOUBLE_EQ(read_number("+3"), 3.0);
    EXPECT_DOUBLE_EQ(read_number("1e3x"), 1000.0);
    EXPECT_DOUBLE_EQ(read_number("2e"), 2.0);  // an exponent without digits is not read
    EXPECT_DOUBLE_EQ(read_number("abc"), 0.0);
    EXPECT_DOUBLE_EQ(read_number(""), 0.0);
    EXPECT_DOUBLE_EQ(read_number("."), 0.0);
    EXPECT_DOUBLE_EQ(read_number("nan"), 0.0);
    EXPECT_DOUBLE_EQ(read_number("inf"), 0.0);
    EXPECT_DOUBLE_EQ(read_number("0x10"), 0.0);
    EXPECT_DOUBLE_EQ(read_number("1e999"), DBL_MAX);
    EXPECT_DOUBLE_EQ(read_number("-1e999"), -DBL_MAX);
    EXPECT_DOUBLE_EQ(read_number("1e-999"), 0.0);
    std::size_t used = 0;
    read_number("  -7.25,8", &used);
    EXPECT_EQ(used, 7u);
    read_number("x1", &used);
    EXPECT_EQ(used, 0u);
}

TEST(TextNumbers, IntegersSaturate) {
    EXPECT_EQ(read_int(" 42abc"), 42);
    EXPECT_EQ(read_int("-17"), -17);
    EXPECT_EQ(read_int("3.9"), 3);
    EXPECT_EQ(read_int("99999999999999"), INT32_MAX);
    EXPECT_EQ(read_int("-99999999999999"), INT32_MIN);
    EXPECT_EQ(read_int("x"), 0);
}

TEST(TextNumbers, NumberAfterAWord) {
    EXPECT_EQ(from_number("STOP 100 2000"), "100 2000");
    EXPECT_EQ(from_number("AUTO-5"), "-5");
    EXPECT_EQ(from_number("AUTO .5"), ".5");
    EXPECT_EQ(from_number("NONE"), "");
}

TEST(TextNumbers, WrittenAsIntegersWhenWhole) {
    EXPECT_EQ(format_number(100.0), "100");
    EXPECT_EQ(format_number(-3.0), "-3");
    EXPECT_EQ(format_number(0.5), "0.5");
    EXPECT_EQ(format_number(2.125), "2.125");
    EXPECT_EQ(format_number(1.0 / 3.0), "0.333333");
    EXPECT_EQ(format_number(-0.25), "-0.25");
}

// ---- Keywords, points and colours ----

TEST(TextKeywords, MatchOnTheWordsLetters) {
    EXPECT_TRUE(keyword_is("YESSIR", "YES"));
    EXPECT_TRUE(keyword_is("normal", "NO"));
    EXPECT_FALSE(keyword_is("NO", "NORMAL"));
    EXPECT_FALSE(keyword_is("", "NO"));
    EXPECT_TRUE(equals_nocase("Define", "DEFINE"));
    EXPECT_FALSE(equals_nocase("Define", "DEFINES"));
}

TEST(TextValues, PointsAndColours) {
    EXPECT_EQ(read_point("(0.0, -1.5 ,100.0)"), (Vec3{0, -1.5, 100}));
    EXPECT_FALSE(read_point("(1,2)"));
    EXPECT_FALSE(read_point("1,2,3"));
    EXPECT_EQ(read_colour("(255,0,0)"), rgb(255, 0, 0));
    EXPECT_EQ(red(*read_colour("(255,0,0)")), 255);
    EXPECT_EQ(*read_colour("(255,0,0)"), 0x0000FFu);  // red in the low byte
    EXPECT_EQ(read_colour("(256,1000,-1)"), rgb(255, 255, 0));
    EXPECT_EQ(read_colour("black"), rgb(0, 0, 0));
    EXPECT_EQ(read_colour(" WHITE"), rgb(255, 255, 255));
    EXPECT_FALSE(read_colour("RED"));
    EXPECT_EQ(format_colour(rgb(1, 22, 255)), "(1,22,255)");
}

}  // namespace
}  // namespace vx
