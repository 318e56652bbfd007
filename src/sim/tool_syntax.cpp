#include "sim/tool_syntax.h"

#include "base/text.h"
#include "platform/encoding.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

namespace vx::sim {
namespace {

bool is_blank(char c) { return c == ' ' || c == '\t'; }

bool is_sjis_lead(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

// The number read at `at`, the cursor moved past it (past one character when none is there, so
// that a lone "-" or "." is not read again).
double number_at(LineCursor& c, std::size_t at) {
    std::size_t used = 0;
    const double v = read_number(c.line.substr(at), &used);
    c.pos = std::min(c.line.size(), at + std::max<std::size_t>(used, 1));
    return v;
}

}  // namespace

LineCursor make_cursor(std::string_view line, std::size_t pos) {
    return LineCursor{line, std::min(pos, line.size()), !platform::valid_utf8(line)};
}

bool at_end(const LineCursor& c) { return c.pos >= c.line.size(); }

std::size_t char_width(const LineCursor& c) {
    if (at_end(c)) return 0;
    const auto b = static_cast<unsigned char>(c.line[c.pos]);
    return c.sjis && is_sjis_lead(b) && c.pos + 1 < c.line.size() ? 2 : 1;
}

std::size_t fullwidth_blank(std::string_view line, std::size_t pos) {
    const std::string_view rest = line.substr(std::min(pos, line.size()));
    if (rest.size() >= 2 && rest[0] == '\x81' && rest[1] == '\x40') return 2;
    if (rest.size() >= 3 && rest[0] == '\xE3' && rest[1] == '\x80' && rest[2] == '\x80') return 3;
    return 0;
}

void skip_blanks(LineCursor& c, bool equals) {
    while (!at_end(c)) {
        const char ch = c.line[c.pos];
        if (is_blank(ch) || (equals && ch == '=')) {
            ++c.pos;
        } else if (const std::size_t w = fullwidth_blank(c.line, c.pos)) {
            c.pos += w;
        } else {
            break;
        }
    }
}

double first_number(LineCursor& c) {
    const std::size_t at = c.line.find_first_of("0123456789-.", c.pos);
    if (at == std::string_view::npos) {
        c.pos = c.line.size();
        return 0.0;
    }
    return number_at(c, at);
}

double next_value(LineCursor& c) {
    const std::size_t comma = c.line.find(',', c.pos);
    if (comma == std::string_view::npos) return 0.0;
    std::size_t used = 0;
    const double v = read_number(c.line.substr(comma + 1), &used);
    c.pos = comma + 1 + used;
    return v;
}

double semicolon_value(LineCursor& c) {
    const std::size_t semi = c.line.find(';', c.pos);
    const std::size_t comma = c.line.find(',', c.pos);
    if (semi == std::string_view::npos || semi > comma) return 0.0;
    std::size_t used = 0;
    const double v = read_number(c.line.substr(semi + 1), &used);
    c.pos = semi + 1 + used;
    return v;
}

bool percent_follows(LineCursor& c) {
    std::size_t at = c.pos;
    while (at < c.line.size() && is_blank(c.line[at])) ++at;
    if (at >= c.line.size() || c.line[at] != '%') return false;
    c.pos = at + 1;
    return true;
}

bool comma_follows(const LineCursor& c) {
    std::size_t at = c.pos;
    while (at < c.line.size() && is_blank(c.line[at])) ++at;
    return at < c.line.size() && c.line[at] == ',';
}

std::string quoted_text(LineCursor& c) {
    LineCursor probe = c;
    skip_blanks(probe);
    if (at_end(probe) || probe.line[probe.pos] != '"') return {};
    const std::size_t start = probe.pos + 1;
    const std::size_t close = c.line.find('"', start);
    const std::size_t end = close == std::string_view::npos ? c.line.size() : close;
    c.pos = close == std::string_view::npos ? c.line.size() : close + 1;
    return std::string(c.line.substr(start, end - start));
}

std::string_view rest_as_name(LineCursor& c) {
    skip_blanks(c, true);
    std::string_view name = c.line.substr(c.pos);
    c.pos = c.line.size();
    while (!name.empty() && is_blank(name.back())) name.remove_suffix(1);
    while (name.size() >= 2 && fullwidth_blank(name, name.size() - 2) == 2) name.remove_suffix(2);
    return name;
}

bool at_letter(const LineCursor& c) {
    if (at_end(c)) return false;
    const char ch = c.line[c.pos];
    return (ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z');
}

bool take_keyword(LineCursor& c, std::string_view word) {
    if (!keyword_is(c.line.substr(c.pos), word)) return false;
    c.pos += word.size();
    return true;
}

float to_float(double v) {
    if (!(v == v)) return 0.0f;
    return static_cast<float>(std::clamp(v, -double(FLT_MAX), double(FLT_MAX)));
}

std::int32_t to_int32(double v) {
    if (!(v == v)) return 0;
    return static_cast<std::int32_t>(std::clamp(std::trunc(v), double(INT32_MIN), double(INT32_MAX)));
}

// ---- Holder lines ----

namespace {

// ARBOR: (diameter, height) pairs, ending at a diameter of 0.
void read_steps(LineCursor& c, HolderRecord& h) {
    double d = first_number(c);
    while (h.count < kHolderSections && d != 0.0) {
        h.diameters[h.count] = to_float(d);
        h.heights[h.count] = to_float(next_value(c));
        ++h.count;
        d = next_value(c);
    }
}

// ARBOR2: (diameter, height) pairs, ending at a diameter of 0 after a height of 0.
void read_polygon(LineCursor& c, HolderRecord& h) {
    double d = first_number(c), previous_height = 0.0;
    while (h.count < kHolderSections && !(d == 0.0 && previous_height == 0.0)) {
        previous_height = next_value(c);
        h.diameters[h.count] = to_float(d);
        h.heights[h.count] = to_float(previous_height);
        ++h.count;
        d = next_value(c);
    }
}

// ARBOR3: a base diameter, then (height, flag, diameter) triples ending at a triple whose
// height and diameter are both 0. The record has room for ten triples after the base.
void read_mixed(LineCursor& c, HolderRecord& h) {
    h.diameters[0] = to_float(first_number(c));
    while (h.count < kHolderSections) {
        const double height = next_value(c);
        const double flag = next_value(c);
        const double diameter = next_value(c);
        if (height == 0.0 && diameter == 0.0) break;
        h.heights[h.count] = to_float(height);
        h.flags[h.count] = to_int32(flag);
        h.diameters[h.count + 1] = to_float(diameter);
        ++h.count;
    }
}

}  // namespace

bool read_holder_keyword(LineCursor& c, HolderRecord& holder) {
    HolderRecord h;
    h.defined = 1;
    if (take_keyword(c, "ARBOR3")) {
        h.kind = kHolderMixed;
        read_mixed(c, h);
    } else if (take_keyword(c, "ARBOR2")) {
        h.kind = kHolderPolygon;
        read_polygon(c, h);
    } else if (take_keyword(c, "ARBOR")) {
        h.kind = kHolderSteps;
        read_steps(c, h);
    } else {
        return false;
    }
    holder = h;
    return true;
}

}  // namespace vx::sim
