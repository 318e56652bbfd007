// Reading the values of settings and definition files: keywords matched on their first letters,
// numbers read as the standard C conversion reads them (in the "C" locale), points and colours
// in their parenthesised notation, and numbers written back in the files' own form.
#pragma once

#include "base/colour.h"
#include "base/vec3.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vx {

// ---- Characters ----
// ASCII only, whatever the locale: the keys and words of the files are ASCII.

constexpr bool is_digit(char c) { return c >= '0' && c <= '9'; }
constexpr bool is_letter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
constexpr char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// ---- Keywords ----

bool equals_nocase(std::string_view a, std::string_view b);

// True when `value` begins with `word`, compared case-insensitively on the word's letters only:
// "NORMAL" matches "NO", "NO" does not match "NORMAL".
bool keyword_is(std::string_view value, std::string_view word);

std::string_view trim(std::string_view s);  // blanks, tabs, CR and LF at both ends

// The words of a command line as a program receives them: split at blanks and tabs outside
// double quotes, the quotes removed ("" is an empty word). `unclosed` is set when a quote is
// left open; the last word then runs to the end.
std::vector<std::string> split_quoted_words(std::string_view line, bool* unclosed = nullptr);

// ---- Numbers, points and colours ----

// The leading number of `s` as strtod reads it, decimal notation only: leading blanks skipped,
// reading stops at the first character that does not fit. No number gives 0. `used` receives
// the characters consumed (0 when there was no number). Out-of-range values saturate to the
// largest finite double; values too small for a double give 0.
double read_number(std::string_view s, std::size_t* used = nullptr);

// The leading integer of `s` as atoi reads it, saturated to the int32 range.
std::int32_t read_int(std::string_view s);

// The rest of `s` from its first digit, minus sign or point (empty when there is none): how a
// number standing after a word is found.
std::string_view from_number(std::string_view s);

// "(x,y,z)"; nullopt unless the parenthesis and three numbers are there.
std::optional<Vec3> read_point(std::string_view s);

// "(r,g,b)" with each component limited to 0..255, "BLACK" or "WHITE"; nullopt otherwise.
std::optional<Colour> read_colour(std::string_view s);
std::string format_colour(Colour c);  // "(%d,%d,%d)"

// A number as the files write it: an integer when whole, else "%f" with trailing zeros removed.
std::string format_number(double v);

}  // namespace vx
