#include "nc/words.h"

#include "base/text.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace vx::nc {
namespace {

constexpr std::uint64_t kExactMantissa = std::uint64_t(1) << 53;  // integers a double holds exactly
constexpr int kMaxFastDigits = 19;                                  // fit in 64 bits
constexpr std::array<double, 23> kPow10{1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                        1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

constexpr std::string_view kToolCall = "TOOL CALL";
constexpr std::string_view kOspCall = "CALL";

// The characters that end a number text: every letter, "(" and the line end; in HEIDENHAIN also
// ";", which ends the block (else the comment behind it would be read as words).
using Terminators = std::array<bool, 256>;

constexpr Terminators make_terminators(bool semicolon) {
    Terminators t{};
    for (int c = 'A'; c <= 'Z'; ++c) t[static_cast<std::size_t>(c)] = true;
    for (int c = 'a'; c <= 'z'; ++c) t[static_cast<std::size_t>(c)] = true;
    t['('] = t['\n'] = true;
    t[';'] = semicolon;
    return t;
}

constexpr Terminators kTerminators = make_terminators(false);
constexpr Terminators kHeidenhainTerminators = make_terminators(true);

bool is_space(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

std::size_t terminator_from(std::string_view line, std::size_t i, const Terminators& t) {
    while (i < line.size() && !t[static_cast<unsigned char>(line[i])]) ++i;
    return i;
}

void set_text(Word& w, std::size_t begin, std::size_t end) {
    w.text = w.line.substr(begin, std::min(end - begin, kMaxNumberText));
    w.next = end;
}

// ---- Dialect words at the position of a letter ----

bool tool_call(Word& w, const Terminators& t) {
    if (w.line.substr(w.at, kToolCall.size()) != kToolCall) return false;
    w.kind = WordKind::ToolCall;
    const std::size_t begin = w.at + kToolCall.size();
    set_text(w, begin, terminator_from(w.line, begin, t));
    return true;
}

// "CALL" and the name behind it, up to a blank, tab, comment or line end.
bool osp_call(Word& w) {
    if (w.line.substr(w.at, kOspCall.size()) != kOspCall) return false;
    w.kind = WordKind::OspCall;
    std::size_t begin = w.at + kOspCall.size();
    while (begin < w.line.size() && (w.line[begin] == ' ' || w.line[begin] == '\t')) ++begin;
    const auto ends_name = [](char c) { return c == ' ' || c == '\t' || c == '(' || c == '\n'; };
    std::size_t end = begin;
    while (end < w.line.size() && !ends_name(w.line[end])) ++end;
    w.text = w.line.substr(begin, std::min(end - begin, kMaxNumberText));
    w.next = end;
    return true;
}

// T, blanks, "=", then a number or a tool name in double quotes.
bool siemens_tool(Word& w, const Terminators& t) {
    std::size_t i = w.at + 1;
    while (i < w.line.size() && (w.line[i] == ' ' || w.line[i] == '\t')) ++i;
    if (i >= w.line.size() || w.line[i] != '=') return false;
    ++i;
    while (i < w.line.size() && (w.line[i] == ' ' || w.line[i] == '\t')) ++i;
    w.kind = WordKind::SiemensTool;
    if (i < w.line.size() && w.line[i] == '"') {
        const std::size_t close = std::min(w.line.find('"', i + 1), w.line.size());
        w.quoted = true;
        w.text = w.line.substr(i + 1, std::min(close - i - 1, kMaxNumberText));
        w.next = std::min(close + 1, w.line.size());
        return true;
    }
    set_text(w, i, terminator_from(w.line, i, t));
    return true;
}

bool dialect_word(Word& w, Dialect dialect, const Terminators& t) {
    switch (dialect) {
        case Dialect::Heidenhain: return w.letter == 'T' && tool_call(w, t);
        case Dialect::Osp: return w.letter == 'C' && osp_call(w);
        case Dialect::Siemens: return w.letter == 'T' && siemens_tool(w, t);
        default: return false;
    }
}

bool has_point(std::string_view text) { return text.find('.') != std::string_view::npos; }

}  // namespace

// ---- Word scanning ----

int parse_words(std::string_view line, Dialect dialect, const WordHandler& handler) {
    const bool heidenhain = dialect == Dialect::Heidenhain;
    const Terminators& t = heidenhain ? kHeidenhainTerminators : kTerminators;
    int count = 0;
    std::size_t i = 0;
    while (i < line.size()) {
        const char c = line[i];
        if (c == '\n') break;
        if (c >= 'A' && c <= 'Z') {
            Word w;
            w.letter = c;
            w.line = line;
            w.at = i;
            if (!dialect_word(w, dialect, t)) set_text(w, i + 1, terminator_from(line, i + 1, t));
            ++count;
            if (handler.word && handler.word(handler.context, w) == 0) break;
            i = std::max(w.next, i + 1);  // a handler never sends the scan back
            continue;
        }
        if (c == '(') {
            if (handler.comment) handler.comment(handler.context, line);
            const std::size_t close = line.find(')', i + 1);
            if (close == std::string_view::npos) break;
            i = close + 1;
            continue;
        }
        if (c == ';' && heidenhain) break;
        if (c >= 'a' && c <= 'z' && handler.lower_case) handler.lower_case(handler.context);
        ++i;
    }
    return count;
}

// ---- Number readers ----

namespace {

// The decimal number at the start of `s`; `point_seen` tells whether the text (to its end)
// holds a ".", which is what decides the number's scaling.
double decimal(std::string_view s, bool& point_seen) {
    const auto fallback = [&] {
        point_seen = has_point(s);
        return read_number(s);
    };
    std::size_t i = 0;
    while (i < s.size() && is_space(s[i])) ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    std::uint64_t mantissa = 0;
    int digits = 0, fraction = 0;
    bool any = false, point = false;
    for (; i < s.size(); ++i) {
        const char c = s[i];
        if (is_digit(c)) {
            any = true;
            if (mantissa != 0 || c != '0') ++digits;
            if (digits > kMaxFastDigits) return fallback();
            mantissa = mantissa * 10 + static_cast<std::uint64_t>(c - '0');
            if (point) ++fraction;
        } else if (c == '.' && !point) {
            point = true;
        } else {
            break;
        }
    }
    point_seen = point || has_point(s.substr(i));
    if (!any) return 0.0;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) return fallback();
    // Both operands exact: one correctly rounded division gives the C conversion's value.
    if (mantissa >= kExactMantissa || fraction >= static_cast<int>(kPow10.size())) return fallback();
    const double v = static_cast<double>(mantissa) / kPow10[static_cast<std::size_t>(fraction)];
    return negative ? -v : v;
}

}  // namespace

double read_decimal(std::string_view text) {
    bool point = false;
    return decimal(text, point);
}

int read_integer(std::string_view text) { return read_int(text); }

double read_plain(std::string_view text) { return read_decimal(text); }

double read_time(std::string_view text) {
    bool point = false;
    const double v = decimal(text, point);
    return point ? v : v * 0.001;
}

double read_coordinate(std::string_view text, const Ctl& ctl, int& decimal_mode) {
    bool point = false;
    const double v = decimal(text, point);
    if (decimal_mode == 3) return v;
    if (decimal_mode == 1 || decimal_mode == 2) decimal_mode = point ? 2 : 1;
    return point ? v : v / ctl.unit;
}

double read_axis(std::string_view text, const Ctl& ctl, int& decimal_mode, int axis) {
    const double v = read_coordinate(text, ctl, decimal_mode);
    return axis >= 0 && axis < 3 && ctl.reverse[static_cast<std::size_t>(axis)] ? -v : v;
}

double read_scaled(std::string_view text, const Ctl& ctl, Scaled kind) {
    bool point = false;
    const double v = decimal(text, point);
    if (point) return v;
    if (ctl.product == Dialect::Osp) return v;
    return v / (kind == Scaled::Scale ? ctl.scale_unit : ctl.angle_unit);
}

bool is_f_number(std::string_view text, const Ctl& ctl) {
    // The length of the number as written: blanks before the next word do not count.
    const std::size_t length = trim(text).size();
    switch (ctl.feedrate) {
        case 1: return true;
        case 2: return length == 1;
        case 3: return length <= 2;
        default: return false;
    }
}

int read_feed(std::string_view text, const Ctl& ctl, double& feed, Alarm& alarm, int line) {
    const double v = read_plain(text);
    if (!is_f_number(text, ctl)) {
        feed = v;
        return 1;
    }
    if (!(v >= 0.0 && v < kFeedNumbers)) {
        raise_alarm(alarm, kAlarmFeedNumber, line, 0, std::string(trim(text)));
        return 0;
    }
    feed = ctl.f[static_cast<std::size_t>(v)];
    return 1;
}

int axis_of_letter(const Ctl& ctl, char letter) {
    for (int k = 0; k < 3; ++k)
        if (ctl.axis_letter[static_cast<std::size_t>(k)] == letter) return k;
    return -1;
}

int centre_axis_of_letter(const Ctl& ctl, char letter) {
    for (int k = 0; k < 3; ++k)
        if (ctl.centre_letter[static_cast<std::size_t>(k)] == letter) return k;
    return -1;
}

}  // namespace vx::nc
