// Every user text exists as a Japanese and an English literal. The language flag, set once at
// start-up when the message file is found, chooses one of them for the life of the process.
#pragma once

#include <string_view>

namespace vx::platform {

struct TextPair {
    std::string_view ja;
    std::string_view en;
};

void set_english(bool english);
bool english();

inline std::string_view text(const TextPair& pair) { return english() ? pair.en : pair.ja; }

}  // namespace vx::platform
