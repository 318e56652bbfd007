#include "nc/no_effect.h"

#include "nc/interp.h"

#include <cstdio>

namespace vx::nc {

void note_no_effect(Interp& in, std::string_view code) {
    for (NoEffectCode& c : in.no_effect) {
        if (c.code != code) continue;
        ++c.count;
        return;
    }
    in.no_effect.push_back({std::string(code), in.main_line, 1});
}

std::string g_code_name(int g, std::string_view text) {
    char name[16];
    std::snprintf(name, sizeof name, "G%02d", g);
    std::string out = name;
    const std::size_t dot = text.find('.');
    if (dot == std::string_view::npos) return out;
    std::size_t end = dot + 1;
    while (end < text.size() && text[end] >= '0' && text[end] <= '9') ++end;
    out += text.substr(dot, end - dot);
    return out;
}

std::string no_effect_summary(const std::vector<NoEffectCode>& codes) {
    if (codes.empty()) return {};
    std::string out;
    for (const NoEffectCode& c : codes) {
        if (!out.empty()) out += ", ";
        out += c.code + " (line " + std::to_string(c.line) + ")";
    }
    return out + " had no effect";
}

}  // namespace vx::nc
