#include "nc/ctl_memory.h"

#include "base/text.h"
#include "platform/files.h"

#include <charconv>
#include <cstdio>
#include <initializer_list>
#include <vector>

namespace vx::nc {
namespace detail {
namespace {

constexpr std::size_t kMaxCtlLine = 1023;  // as the reader looks at a line

bool is_blank(char c) { return c == ' ' || c == '\t'; }
char upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

std::string_view skip_blanks(std::string_view s) {
    while (!s.empty() && is_blank(s.front())) s.remove_prefix(1);
    return s;
}

// The entry number that begins `s` (blanks allowed before it) and the text behind its digits.
// -1 when no digit is there or the number is `limit` or more.
int leading_index(std::string_view& s, int limit) {
    s = skip_blanks(s);
    if (s.empty() || !is_digit(s.front())) return -1;
    long long n = 0;
    while (!s.empty() && is_digit(s.front())) {
        n = std::min<long long>(n * 10 + (s.front() - '0'), limit);
        s.remove_prefix(1);
    }
    return n < limit ? static_cast<int>(n) : -1;
}

// The first number found in `s`, and `s` moved behind it; 0 when there is none.
double next_number(std::string_view& s) {
    while (!(s = from_number(s)).empty()) {
        std::size_t used = 0;
        const double v = read_number(s, &used);
        if (used > 0) {
            s.remove_prefix(used);
            return v;
        }
        s.remove_prefix(1);
    }
    return 0.0;
}

// The wear behind a value: only when a blank, tab or "," follows the value directly.
double wear_behind(std::string_view s) {
    if (s.empty() || !(is_blank(s.front()) || s.front() == ',')) return 0.0;
    s = skip_blanks(s);
    if (!s.empty() && s.front() == ',') s = skip_blanks(s.substr(1));
    return read_number(s);
}

Vec3 point_from(std::string_view s) {
    Vec3 p;
    p.x = next_number(s);
    p.y = next_number(s);
    p.z = next_number(s);
    return p;
}

MemoryLine classify_prefixed(std::string_view rest) {
    MemoryLine m;
    m.prefixed = true;
    const auto word = [&](std::string_view w) {
        if (!keyword_is(rest, w)) return false;
        rest.remove_prefix(w.size());
        return true;
    };
    const char letter = rest.empty() ? '\0' : upper(rest.front());
    if (letter == 'D' || letter == 'H' || letter == 'F') {
        rest.remove_prefix(1);
        m.kind = letter == 'D' ? MemoryKind::D : letter == 'H' ? MemoryKind::H : MemoryKind::F;
        m.index = leading_index(rest, letter == 'F' ? kFeedNumbers : kOffsetEntries);
    } else if (word("EXOFS")) {
        m.kind = MemoryKind::Exofs;
        m.index = 0;
    } else if (word("WK")) {
        m.kind = MemoryKind::Wk;
        m.index = leading_index(rest, kWorkOffsets);
    } else if (word("G5")) {
        m.kind = MemoryKind::G5;
        // G54 to G59 only: the other digits name no work offset (G53 would hit the external slot).
        if (!rest.empty() && rest.front() >= '4' && rest.front() <= '9') m.index = rest.front() - '0' - 3;
        if (!rest.empty() && is_digit(rest.front())) rest.remove_prefix(1);
    } else if (word("REF-PT")) {
        m.kind = MemoryKind::RefPt;
        m.index = 1;  // no digit or another character counts as point 1
        if (!rest.empty() && rest.front() >= '1' && rest.front() <= '4') m.index = rest.front() - '0';
        if (!rest.empty() && is_digit(rest.front())) rest.remove_prefix(1);
    }
    m.rest = rest;
    return m;
}

}  // namespace

MemoryLine classify_memory_line(std::string_view line) {
    line = line.substr(0, kMaxCtlLine);
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.remove_suffix(1);
    if (keyword_is(line, "MEMORY")) {
        std::string_view rest = line.substr(6);
        while (!rest.empty() && (is_blank(rest.front()) || rest.front() == '=')) rest.remove_prefix(1);
        return classify_prefixed(rest);
    }
    MemoryLine m;
    if (line.size() < 2 || !is_digit(line[1])) return m;  // bare: the number directly behind the letter
    const char letter = upper(line[0]);
    if (letter != 'D' && letter != 'H' && letter != 'F') return m;
    m.kind = letter == 'D' ? MemoryKind::D : letter == 'H' ? MemoryKind::H : MemoryKind::F;
    std::string_view rest = line.substr(1);
    m.index = leading_index(rest, letter == 'F' ? kFeedNumbers : kOffsetEntries);
    m.rest = rest;
    return m;
}

// The value is the first number behind the index's digits. (Counting a fixed two or three
// characters from the start of the index instead misreads "D005=1.5" as 5.)
void apply_memory_line(const MemoryLine& m, Ctl& ctl) {
    if (m.index < 0) return;
    const auto i = static_cast<std::size_t>(m.index);
    std::string_view rest = m.rest;
    switch (m.kind) {
        case MemoryKind::D:
        case MemoryKind::H: {
            OffsetEntry& e = (m.kind == MemoryKind::D ? ctl.d : ctl.h)[i];
            e.value = to_float(next_number(rest));
            e.wear = to_float(wear_behind(rest));
            break;
        }
        case MemoryKind::F: ctl.f[i] = to_float(next_number(rest)); break;
        case MemoryKind::Exofs:
        case MemoryKind::Wk:
        case MemoryKind::G5: ctl.work[i] = point_from(rest); break;
        case MemoryKind::RefPt: {
            const Vec3 p = point_from(rest);
            ctl.ref[i] = {to_float(p.x), to_float(p.y), to_float(p.z), true};
            break;
        }
        case MemoryKind::None: break;
    }
}

}  // namespace detail

namespace {

using detail::MemoryKind;

// ---- Number formats ("C" locale whatever the process locale) ----

// printf "%.<decimals>f", right-aligned in `width`.
std::string fixed(double v, int decimals, int width = 0) {
    char buffer[400];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::fixed, decimals);
    std::string s(buffer, ec == std::errc{} ? end : buffer);
    if (static_cast<int>(s.size()) < width) s.insert(0, static_cast<std::size_t>(width) - s.size(), ' ');
    return s;
}

std::string two_digits(int n) { return n < 10 ? "0" + std::to_string(n) : std::to_string(n); }  // "%02d"

std::string point_text(const Vec3& p) {
    return "(" + fixed(p.x, 6) + "," + fixed(p.y, 6) + "," + fixed(p.z, 6) + ")";
}

// ---- Rewriting the lines ----

struct Lines {
    std::string_view bytes;

    // The next line with its line end; false at the end of the bytes.
    bool next(std::string_view& line) {
        if (bytes.empty()) return false;
        const std::size_t end = std::min(bytes.find('\n'), bytes.size() - 1);
        line = bytes.substr(0, end + 1);
        bytes.remove_prefix(end + 1);
        return true;
    }
};

std::string_view content_of(std::string_view line) {
    if (!line.empty() && line.back() == '\n') line.remove_suffix(1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return line;
}

// The line end the file uses: that of its first line, LF when it has none.
std::string_view file_line_end(std::string_view bytes) {
    const std::size_t lf = bytes.find('\n');
    return lf != std::string_view::npos && lf > 0 && bytes[lf - 1] == '\r' ? "\r\n" : "\n";
}

// One table's write-back: `replacement(index)` is the new text of an entry's line, empty when the
// entry is zero (its line is dropped); `appended(index)` the text appended for an entry no line
// held (empty: nothing). Lines of other kinds keep their bytes.
template <class Replacement, class Appended>
std::string rewrite(std::string_view bytes, std::initializer_list<MemoryKind> kinds, int count,
                    Replacement replacement, Appended appended) {
    std::string out;
    out.reserve(bytes.size() + 64);
    std::vector<bool> written(static_cast<std::size_t>(count), false);
    const std::string_view line_end = file_line_end(bytes);
    Lines lines{bytes};
    std::string_view line;
    while (lines.next(line)) {
        const detail::MemoryLine m = detail::classify_memory_line(content_of(line));
        const bool ours = std::find(kinds.begin(), kinds.end(), m.kind) != kinds.end();
        if (!ours || m.index < 0) {
            out += line;
            continue;
        }
        const int n = m.index;
        written[static_cast<std::size_t>(n)] = true;
        const std::string text = replacement(m, n);
        if (text.empty()) continue;
        out += text;
        out += line.substr(content_of(line).size());  // the line keeps its own line end
    }
    for (int n = 1; n < count; ++n) {
        if (written[static_cast<std::size_t>(n)]) continue;
        const std::string text = appended(n);
        if (text.empty()) continue;
        if (!out.empty() && out.back() != '\n') out += line_end;  // never join the last line
        out += text;
        out += line_end;
    }
    return out;
}

bool offset_zero(const Ctl& ctl, const OffsetEntry& e) {
    return ctl.offset_memory == 1 ? e.value == 0.0f : e.value == 0.0f && e.wear == 0.0f;
}

std::string offset_line(const Ctl& ctl, OffsetTable table, int n) {
    const OffsetEntry& e = (table == OffsetTable::D ? ctl.d : ctl.h)[static_cast<std::size_t>(n)];
    if (offset_zero(ctl, e)) return {};
    std::string s = std::string(table == OffsetTable::D ? "MEMORY D" : "MEMORY H") + two_digits(n) + "= " + fixed(e.value, 6);
    if (ctl.offset_memory != 1) s += "," + fixed(e.wear, 6);
    return s;
}

bool point_zero(const Vec3& p) { return p.x == 0.0 && p.y == 0.0 && p.z == 0.0; }

std::string work_line(const Ctl& ctl, int n, bool as_g5) {
    const Vec3& p = ctl.work[static_cast<std::size_t>(n)];
    if (point_zero(p)) return {};
    return (as_g5 ? "MEMORY G5" + std::to_string(n + 3) : "MEMORY WK" + std::to_string(n)) + "= " + point_text(p);
}

// Writes `bytes` as "<path>.new", then moves the file to "<path>.bak" and the new one in place.
int replace_with_backup(Ctl& ctl, const std::string& bytes) {
    const std::string fresh = ctl.path + ".new", backup = ctl.path + ".bak";
    if (!platform::replace_file(fresh, bytes)) return 0;
    std::remove(backup.c_str());
    if (std::rename(ctl.path.c_str(), backup.c_str()) != 0) {
        std::remove(fresh.c_str());
        return 0;
    }
    if (std::rename(fresh.c_str(), ctl.path.c_str()) != 0) {
        std::rename(backup.c_str(), ctl.path.c_str());
        return 0;
    }
    ctl.file_time = platform::file_time(ctl.path);
    return 1;
}

}  // namespace

std::string offsets_written(std::string_view bytes, const Ctl& ctl, OffsetTable table) {
    const MemoryKind kind = table == OffsetTable::D ? MemoryKind::D : MemoryKind::H;
    const auto line = [&](const detail::MemoryLine&, int n) { return offset_line(ctl, table, n); };
    return rewrite(bytes, {kind}, kOffsetEntries, line, [&](int n) { return offset_line(ctl, table, n); });
}

std::string work_offsets_written(std::string_view bytes, const Ctl& ctl) {
    const auto line = [&](const detail::MemoryLine& m, int n) { return work_line(ctl, n, m.kind == MemoryKind::G5); };
    const auto appended = [&](int n) { return work_line(ctl, n, n <= 6 && fanuc_like(ctl.product)); };
    return rewrite(bytes, {MemoryKind::Wk, MemoryKind::G5}, kWorkOffsets, line, appended);
}

int write_back_offsets(Ctl& ctl, OffsetTable table) {
    const auto bytes = platform::read_file(ctl.path);
    if (!bytes) return 0;
    return replace_with_backup(ctl, offsets_written(*bytes, ctl, table));
}

int write_back_work_offsets(Ctl& ctl) {
    const auto bytes = platform::read_file(ctl.path);
    if (!bytes) return 0;
    return replace_with_backup(ctl, work_offsets_written(*bytes, ctl));
}

// ---- Dialog labels ----

std::string offset_tab_label(int tab) {
    const int first = tab * kOffsetsPerTab + 1;
    return first <= 100 ? two_digits(first) : std::to_string(first);
}

std::string offset_entry_label(OffsetTable table, int n) {
    return (table == OffsetTable::D ? "D" : "H") + two_digits(n);
}

std::string offset_field(float value) { return fixed(value, 3, 9); }

std::string work_offset_label(int n, Dialect dialect) {
    const std::string number = std::to_string(n);
    if (!fanuc_like(dialect)) return number;
    return n <= 6 ? number + "(G5" + std::to_string(n + 3) + ")" : number + "(P" + std::to_string(n - 6) + ")";
}

std::string work_offset_field(double value) { return fixed(value, 3, 10); }

bool wear_editable(const Ctl& ctl) { return ctl.offset_memory == 2 || ctl.offset_memory == 3; }

}  // namespace vx::nc
