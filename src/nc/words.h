// Splitting an NC block into address words and reading their numbers under the controller's
// rules. The scanner hands every word to a handler (the interpreter's word table); the handler
// picks the number reader that its letter needs and may move the scan on past text it consumed
// itself (a file name in angle brackets, the rest of a block it ignores).
#pragma once

#include "nc/alarms.h"
#include "nc/ctl.h"

#include <cstdint>
#include <string_view>

namespace vx::nc {

constexpr std::size_t kMaxNumberText = 79;  // characters of one word's text (number, name)

// ---- Words ----

enum class WordKind : std::uint8_t {
    Address,      // an upper-case letter and the number text behind it
    ToolCall,     // HEIDENHAIN "TOOL CALL" n: letter 'T', text = the number text behind it
    OspCall,      // OSP "CALL" name: letter 'C', text = the name ("O100", "SUB.MIN")
    SiemensTool,  // SIEMENS "T=" n or T="name": letter 'T', text = the number text or the name
};

struct Word {
    WordKind kind = WordKind::Address;
    char letter = 0;
    bool quoted = false;    // SiemensTool with a name in double quotes
    std::string_view line;  // the whole block, for handlers that look at more than their word
    std::size_t at = 0;     // index of the letter (of the dialect word) in `line`
    std::string_view text;  // the number text: behind the letter up to the next terminator
    std::size_t next = 0;   // where the scan goes on; a handler may move it further, not back
};

struct WordHandler {
    void* context = nullptr;
    // Every word in the order written: return 1 to go on, 0 to ignore the rest of the block.
    int (*word)(void* context, Word& word) = nullptr;
    // Before each comment is skipped: the whole block (the vxnccom hooks read tools from it).
    void (*comment)(void* context, std::string_view line) = nullptr;
    // A lower-case letter outside comments, which the scan passes over as no word.
    void (*lower_case)(void* context) = nullptr;
};

// Walks `line` from its first character to its line end: upper-case letters start words,
// "(" ... ")" is a comment, ";" ends the block in HEIDENHAIN, anything else is skipped one
// character at a time. Returns the number of words handed out.
int parse_words(std::string_view line, Dialect dialect, const WordHandler& handler);

// ---- Number readers (each takes a word's text) ----

// G, M, T, D, H, N, O, L and subprogram P: the decimal integer of the leading digits.
int read_integer(std::string_view text);

// F, S of threading, dwell factors: the number as written.
double read_plain(std::string_view text);

// Dwell P or X of G04: with a "." the value in seconds, without one the value x 0.001.
double read_time(std::string_view text);

// Axis words, I, J, K, R, Q, cycle values. Decimal mode 3 takes the value as written; the other
// modes take a value with "." as written and divide one without by the input unit. In modes 1
// and 2 `decimal_mode` records the last coordinate: 2 with a point, 1 without.
double read_coordinate(std::string_view text, const Ctl& ctl, int& decimal_mode);

// A coordinate of machine axis `axis` (0..2): negated when the controller reverses that axis.
double read_axis(std::string_view text, const Ctl& ctl, int& decimal_mode, int axis);

enum class Scaled { Scale, Angle };

// G51 P and the per-axis factors (Scale), G68 R (Angle): with a "." as written, without one
// divided by "UNIT(SCALE)" or "UNIT(DEG)"; the OSP dialect divides by 1.
double read_scaled(std::string_view text, const Ctl& ctl, Scaled kind);

// Whether an F word's text names an F number of the table under the "FEEDRATE" mode (else it
// is a feedrate as written).
bool is_f_number(std::string_view text, const Ctl& ctl);

// An F word under the "FEEDRATE" mode: sets `feed` and returns 1; returns 0 and raises the
// F-number alarm, leaving `feed`, when the word names an F number outside the table.
int read_feed(std::string_view text, const Ctl& ctl, double& feed, Alarm& alarm, int line);

// The machine axis (0..2) whose program letter or arc-centre letter `letter` is; -1 for none.
int axis_of_letter(const Ctl& ctl, char letter);
int centre_axis_of_letter(const Ctl& ctl, char letter);

// The decimal number at the start of `text` (blanks, sign, digits, point), as the C conversion
// reads it; 0 when there is none. Exact and quick for the short numbers of NC words.
double read_decimal(std::string_view text);

}  // namespace vx::nc
