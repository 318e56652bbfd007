// Codes of a program that this controller definition gives no effect: the interpreter counts
// each with the line it first appeared on, so that nothing a program asks for is dropped
// without a word. The run's summary names them in one line.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vx::nc {

struct Interp;

struct NoEffectCode {
    std::string code;  // "G05.1", "M08", "A words", "lower-case words", "M98 P12"
    int line = 0;      // main program line where it first appeared
    int count = 0;
};

// Counts `code` at the current main program line.
void note_no_effect(Interp& in, std::string_view code);

// A G code as the list names it: two digits and the fraction as written ("G05.1", "G132").
std::string g_code_name(int g, std::string_view text);

// "G05.1 (line 12), lower-case words (line 3) had no effect", or empty when every code acted.
std::string no_effect_summary(const std::vector<NoEffectCode>& codes);

}  // namespace vx::nc
