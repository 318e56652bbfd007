#include "nc/dialects.h"

namespace vx::nc {
namespace {

constexpr std::string_view kReturn = "RTS";
constexpr std::string_view kNoCycle = "CYL";

bool blank(char c) { return c == ' ' || c == '\t'; }
bool digit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

int osp_g_code(int g) {
    switch (g) {
        case 274: return 74;
        case 283: return 83;
        case 284: return 84;
        default: return g;
    }
}

bool osp_text_word(BlockWords& block, Word& word) {
    const std::string_view line = word.line;
    if (word.letter == 'R' && line.substr(word.at, kReturn.size()) == kReturn) {
        block.call = 99;
        word.next = word.at + kReturn.size();
        return true;
    }
    if (word.letter != 'N') return false;
    std::size_t i = word.at + 1;
    while (i < line.size() && (digit(line[i]) || blank(line[i]))) ++i;
    if (line.substr(i, kNoCycle.size()) != kNoCycle) return false;
    block.cyl = true;
    word.next = i + kNoCycle.size();
    return true;
}

void osp_call_word(BlockWords& block, const Word& word) {
    block.call = 98;
    block.call_name = word.text;
}

}  // namespace vx::nc
