// The value syntax of tool-file and holder-file lines, shared by their two readers: a cursor over
// one line, the first number, the next value after a comma, the value after a semicolon, quoted
// names and blanks (full-width ones too), walked so that a Shift-JIS character is never split.
// Internal to the tool table module.
#pragma once

#include "sim/tool_records.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vx::sim {

struct LineCursor {
    std::string_view line;
    std::size_t pos = 0;
    bool sjis = false;  // the line is not UTF-8: a lead byte takes its trail byte along
};

LineCursor make_cursor(std::string_view line, std::size_t pos = 0);

bool at_end(const LineCursor& c);
std::size_t char_width(const LineCursor& c);  // bytes of the character at the position

// A full-width blank (Shift-JIS 81 40 or UTF-8 E3 80 80) at `pos`: its length, else 0.
std::size_t fullwidth_blank(std::string_view line, std::size_t pos);

// Skips blanks, tabs and full-width blanks, and also "=" when `equals` is set.
void skip_blanks(LineCursor& c, bool equals = false);

// The number at the first digit, "-" or "." from the position (0 and the line end when there is
// none); the position moves past it.
double first_number(LineCursor& c);

// The number after the next comma, the position past it; 0 and no movement without a comma.
double next_value(LineCursor& c);

// The number after a ";" that comes before the next comma; 0 otherwise.
double semicolon_value(LineCursor& c);

// A "%" after blanks (consumed), or a "," after blanks (not consumed).
bool percent_follows(LineCursor& c);
bool comma_follows(const LineCursor& c);

// Text in double quotes after blanks (to the closing quote or the line end); the position moves
// past it. Empty, and no movement, when no quote follows.
std::string quoted_text(LineCursor& c);

// The rest of the line after blanks, tabs, "=" and full-width blanks, without trailing blanks.
std::string_view rest_as_name(LineCursor& c);

// ASCII letter at the position.
bool at_letter(const LineCursor& c);

// The keyword `word` at the position (case-insensitive); when it matches the position moves past.
bool take_keyword(LineCursor& c, std::string_view word);

// Numbers as the tables keep them: single precision saturated at the float range, integers
// truncated and saturated.
float to_float(double v);
std::int32_t to_int32(double v);

// ---- Holder lines (ARBOR, ARBOR2, ARBOR3) ----

// The holder keyword at the position: when one matches, its values are read into `holder`
// (replacing it) and true is returned.
bool read_holder_keyword(LineCursor& c, HolderRecord& holder);

}  // namespace vx::sim
