#include "platform/encoding.h"

#include <cerrno>
#include <iconv.h>

namespace vx::platform {
namespace {

// Length of the valid UTF-8 sequence at the start of `s`, 0 when there is none.
std::size_t utf8_sequence(std::string_view s) {
    if (s.empty()) return 0;
    const auto b0 = static_cast<unsigned char>(s[0]);
    if (b0 < 0x80) return 1;
    std::size_t n = 0;
    unsigned min = 0;
    if ((b0 & 0xE0) == 0xC0) n = 2, min = 0x80;
    else if ((b0 & 0xF0) == 0xE0) n = 3, min = 0x800;
    else if ((b0 & 0xF8) == 0xF0) n = 4, min = 0x10000;
    else return 0;
    if (s.size() < n) return 0;
    unsigned code = b0 & (0x7F >> n);
    for (std::size_t i = 1; i < n; ++i) {
        const auto b = static_cast<unsigned char>(s[i]);
        if ((b & 0xC0) != 0x80) return 0;
        code = code << 6 | (b & 0x3F);
    }
    if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
    return n;
}

// Converts as much of `bytes` as CP932 allows; every byte it cannot take becomes "?".
std::string from_cp932(std::string_view bytes) {
    std::string out;
    iconv_t cd = iconv_open("UTF-8", "CP932");
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        for (char c : bytes) out += static_cast<unsigned char>(c) < 0x80 ? c : '?';
        return out;
    }
    char buffer[256];
    char* in = const_cast<char*>(bytes.data());
    std::size_t in_left = bytes.size();
    while (in_left > 0) {
        char* o = buffer;
        std::size_t o_left = sizeof buffer;
        const std::size_t r = iconv(cd, &in, &in_left, &o, &o_left);
        out.append(buffer, sizeof buffer - o_left);
        if (r == static_cast<std::size_t>(-1) && errno != E2BIG) {
            out += '?';  // a byte that is no Shift-JIS character either
            ++in, --in_left;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        }
    }
    iconv_close(cd);
    return out;
}

bool sjis_lead(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

}  // namespace

bool valid_utf8(std::string_view bytes) {
    while (!bytes.empty()) {
        const std::size_t n = utf8_sequence(bytes);
        if (n == 0) return false;
        bytes.remove_prefix(n);
    }
    return true;
}

std::string to_utf8(std::string_view bytes) {
    if (valid_utf8(bytes)) return std::string(bytes);
    return from_cp932(bytes);
}

std::string character_at(std::string_view line, std::size_t pos) {
    if (pos >= line.size()) return "?";
    const std::string_view rest = line.substr(pos);
    if (const std::size_t n = utf8_sequence(rest)) return std::string(rest.substr(0, n));
    const std::size_t n = sjis_lead(static_cast<unsigned char>(rest[0])) && rest.size() >= 2 ? 2 : 1;
    return from_cp932(rest.substr(0, n));
}

}  // namespace vx::platform
