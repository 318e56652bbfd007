#include "platform/encoding.h"

#include <gtest/gtest.h>

namespace vx::platform {
namespace {

// ---- Shown text ----
// Names from Windows-made files arrive in Shift-JIS or UTF-8; both must show as UTF-8, and no
// byte sequence may crash the conversion or swallow the rest of the name.

TEST(PlatformEncoding, RecognisesUtf8) {
    EXPECT_TRUE(valid_utf8("plain ASCII"));
    EXPECT_TRUE(valid_utf8("\xE3\x83\x9C\xE3\x83\xBC\xE3\x83\xAB"));  // ボール
    EXPECT_TRUE(valid_utf8("\xF0\x9F\x94\xA7"));  // four bytes
    EXPECT_FALSE(valid_utf8("\xC0\xAF"));          // overlong "/"
    EXPECT_FALSE(valid_utf8("\xED\xA0\x80"));      // surrogate
    EXPECT_FALSE(valid_utf8("\xE3\x83"));          // truncated
    EXPECT_FALSE(valid_utf8("\x83\x7B\x81\x5B"));  // Shift-JIS ボー
}

TEST(PlatformEncoding, ConvertsShiftJis) {
    EXPECT_EQ(to_utf8("\x83\x7B\x81\x5B\x83\x8B"), "\xE3\x83\x9C\xE3\x83\xBC\xE3\x83\xAB");  // ボール
    EXPECT_EQ(to_utf8("\xE3\x83\x9C"), "\xE3\x83\x9C");  // already UTF-8: unchanged
    EXPECT_EQ(to_utf8("\x89\xD4\xFF"), "\xE8\x8A\xB1?");  // 花 then a byte of nothing
    EXPECT_EQ(to_utf8("ab\x83"), "ab?");                 // a lead byte cut off at the end
    EXPECT_EQ(to_utf8("\xB1"), "\xEF\xBD\xB1");          // half-width katakana ｱ
}

TEST(PlatformEncoding, CharacterAtAPosition) {
    EXPECT_EQ(character_at("G1 X\x83\x7B", 4), "\xE3\x83\x9C");
    EXPECT_EQ(character_at("G1 \xE2\x82\xAC", 3), "\xE2\x82\xAC");
    EXPECT_EQ(character_at("G1", 1), "1");
    EXPECT_EQ(character_at("G1", 5), "?");
}

}  // namespace
}  // namespace vx::platform
