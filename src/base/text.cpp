#include "base/text.h"

#include <algorithm>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

namespace vx {
namespace {

bool is_space(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

// Length of the decimal number at the start of `s` ([sign] digits [. digits] [e [sign] digits]),
// 0 when there is none.
std::size_t number_length(std::string_view s) {
    std::size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    std::size_t digits = 0;
    while (i < s.size() && is_digit(s[i])) ++i, ++digits;
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && is_digit(s[i])) ++i, ++digits;
    }
    if (digits == 0) return 0;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
        if (j < s.size() && is_digit(s[j])) {
            while (j < s.size() && is_digit(s[j])) ++j;
            i = j;
        }
    }
    return i;
}

std::string_view skip_blanks(std::string_view s) {
    while (!s.empty() && is_space(s.front())) s.remove_prefix(1);
    return s;
}

// Reads "(a,b,c...)" into `out`, `count` numbers separated by commas (blanks allowed).
bool read_list(std::string_view s, double* out, int count) {
    s = skip_blanks(s);
    if (s.empty() || s.front() != '(') return false;
    s.remove_prefix(1);
    for (int k = 0; k < count; ++k) {
        std::size_t used = 0;
        out[k] = read_number(s, &used);
        if (used == 0) return false;
        s = skip_blanks(s.substr(used));
        const char expected = k + 1 < count ? ',' : ')';
        if (s.empty() || s.front() != expected) return false;
        s.remove_prefix(1);
    }
    return true;
}

}  // namespace

bool equals_nocase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && keyword_is(a, b);
}

bool keyword_is(std::string_view value, std::string_view word) {
    if (value.size() < word.size()) return false;
    for (std::size_t i = 0; i < word.size(); ++i)
        if (lower(value[i]) != lower(word[i])) return false;
    return true;
}

std::string_view trim(std::string_view s) {
    s = skip_blanks(s);
    while (!s.empty() && is_space(s.back())) s.remove_suffix(1);
    return s;
}

double read_number(std::string_view s, std::size_t* used) {
    const std::string_view body = skip_blanks(s);
    const std::size_t length = number_length(body);
    if (used) *used = length == 0 ? 0 : s.size() - body.size() + length;
    if (length == 0) return 0.0;
    std::string_view digits = body.substr(0, length);
    const bool negative = digits.front() == '-';
    if (digits.front() == '+' || digits.front() == '-') digits.remove_prefix(1);
    double value = 0.0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    (void)end;
    if (ec == std::errc::result_out_of_range) {
        // from_chars leaves the value alone here: tell overflow from underflow by the exponent.
        const auto e = digits.find_first_of("eE");
        const bool tiny = e != std::string_view::npos && digits.substr(e + 1).front() == '-';
        value = tiny ? 0.0 : DBL_MAX;
    }
    return negative ? -value : value;
}

std::int32_t read_int(std::string_view s) {
    s = skip_blanks(s);
    bool negative = false;
    if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
        negative = s.front() == '-';
        s.remove_prefix(1);
    }
    std::int64_t value = 0;
    for (char c : s) {
        if (!is_digit(c)) break;
        value = std::min<std::int64_t>(value * 10 + (c - '0'), std::int64_t(INT32_MAX) + 1);
    }
    if (negative) value = -value;
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, INT32_MIN, INT32_MAX));
}

std::string_view from_number(std::string_view s) {
    const auto at = s.find_first_of("0123456789-.");
    return at == std::string_view::npos ? std::string_view{} : s.substr(at);
}

std::optional<Vec3> read_point(std::string_view s) {
    double v[3];
    if (!read_list(s, v, 3)) return std::nullopt;
    return Vec3{v[0], v[1], v[2]};
}

std::optional<Colour> read_colour(std::string_view s) {
    s = trim(s);
    if (keyword_is(s, "BLACK")) return rgb(0, 0, 0);
    if (keyword_is(s, "WHITE")) return rgb(255, 255, 255);
    double v[3];
    if (!read_list(s, v, 3)) return std::nullopt;
    int c[3];
    for (int k = 0; k < 3; ++k) c[k] = static_cast<int>(std::clamp(v[k], 0.0, 255.0));
    return rgb(c[0], c[1], c[2]);
}

std::string format_colour(Colour c) {
    return "(" + std::to_string(red(c)) + "," + std::to_string(green(c)) + "," + std::to_string(blue(c)) + ")";
}

std::string format_number(double v) {
    char buffer[400];
    if (std::isfinite(v) && v == std::trunc(v) && std::fabs(v) < 1e18) {
        std::snprintf(buffer, sizeof buffer, "%lld", static_cast<long long>(v));
        return buffer;
    }
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::fixed, 6);
    std::string out(buffer, ec == std::errc{} ? end : buffer);
    while (!out.empty() && out.back() == '0') out.pop_back();
    if (!out.empty() && out.back() == '.') out.pop_back();
    return out;
}

std::vector<std::string> split_quoted_words(std::string_view line, bool* unclosed) {
    std::vector<std::string> words;
    std::string word;
    bool quoted = false, have_word = false;
    for (const char c : line) {
        if (c == '"') {
            quoted = !quoted;
            have_word = true;  // "" is an empty word of its own
        } else if ((c == ' ' || c == '\t') && !quoted) {
            if (have_word) words.push_back(std::move(word));
            word.clear();
            have_word = false;
        } else {
            word += c;
            have_word = true;
        }
    }
    if (have_word) words.push_back(std::move(word));
    if (unclosed) *unclosed = quoted;
    return words;
}

}  // namespace vx
