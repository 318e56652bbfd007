// Text from NC and definition files shown to the user: the files are bytes, written on Windows in
// Shift-JIS as often as in UTF-8, while everything the program shows and writes is UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace vx::platform {

bool valid_utf8(std::string_view bytes);

// `bytes` unchanged when they are valid UTF-8, else converted from Shift-JIS (CP932); a byte
// that neither reading explains becomes "?".
std::string to_utf8(std::string_view bytes);

// The character that begins at byte `pos` of `line`, as UTF-8: one ASCII byte, a whole UTF-8
// sequence, or a Shift-JIS character converted; "?" when the bytes make no character.
std::string character_at(std::string_view line, std::size_t pos);

}  // namespace vx::platform
