#include "nc/ctl.h"

#include "base/text.h"
#include "nc/ctl_memory.h"
#include "platform/encoding.h"
#include "platform/files.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <initializer_list>

namespace vx::nc {
namespace {

constexpr std::size_t kMaxCtlLine = 1023;  // what one line of the file is read as; the rest is ignored
constexpr int kPreReadNew = 10;            // "PRE READ" = "NEW"

// ---- Values ----

bool is_blank(char c) { return c == ' ' || c == '\t'; }
char upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// Behind a key: blanks and "=" are skipped.
std::string_view value_behind(std::string_view line, std::size_t key_length) {
    std::string_view v = line.substr(key_length);
    while (!v.empty() && (is_blank(v.front()) || v.front() == '=')) v.remove_prefix(1);
    return v;
}

// A number from the first digit, "-" or "."; 0 when there is none.
double number(std::string_view v) { return read_number(from_number(v)); }
int integer(std::string_view v) { return read_int(from_number(v)); }

template <class T>
struct Choice {
    std::string_view word;
    T value;
};

// The first word the value begins with sets the field; an unknown value leaves it.
template <class T>
bool choose(std::string_view v, T& field, std::initializer_list<Choice<T>> choices) {
    for (const auto& c : choices) {
        if (keyword_is(v, c.word)) {
            field = c.value;
            return true;
        }
    }
    return false;
}

// "1/1000", "0.001" or ".001" as the divisor 1000; 0 for anything that is not such a value.
// Read as a number, not by its first letters, so that "1/10000" never passes for "1/1000".
int unit_divisor(std::string_view v) {
    if (v.size() >= 2 && v[0] == '1' && v[1] == '/') return read_int(v.substr(2));
    if (v.empty() || !(is_digit(v.front()) || v.front() == '.')) return 0;
    const double d = read_number(v);
    if (!(d > 0.0) || d > 1.0) return 0;
    return static_cast<int>(std::lround(std::min(1.0 / d, 1e9)));
}

// The text between the first quote of `v` and the next quote of the same kind; false when the
// closing quote is missing. `quote` selects the kind; 0 takes whichever comes first.
bool quoted(std::string_view& v, char& quote, std::string_view& text) {
    const std::size_t open = quote ? v.find(quote) : v.find_first_of("\"'");
    if (open == std::string_view::npos) return false;
    quote = v[open];
    const std::size_t close = v.find(quote, open + 1);
    if (close == std::string_view::npos) return false;
    text = v.substr(open + 1, close - open - 1);
    v.remove_prefix(close + 1);
    return true;
}

// Numbers in a row, each found from the next digit, "-" or "."; missing ones read as 0.
template <std::size_t N>
std::array<double, N> numbers(std::string_view s) {
    std::array<double, N> out{};
    for (std::size_t k = 0; k < N; ++k) {
        while (!(s = from_number(s)).empty()) {
            std::size_t used = 0;
            const double v = read_number(s, &used);
            if (used > 0) {
                out[k] = v;
                s.remove_prefix(used);
                break;
            }
            s.remove_prefix(1);  // a "-" or "." that begins no number
        }
    }
    return out;
}

// ---- Key handlers ----

struct KeyValue {
    std::string_view value;  // behind the key, blanks and "=" skipped
    std::string_view line;
    int arg;                 // the axis or cycle a family of keys stands for
};

using Apply = void (*)(Ctl&, const KeyValue&);

void name(Ctl& c, const KeyValue& k) { c.name = platform::to_utf8(k.value.substr(0, kMaxNameLength)); }

void replace(Ctl& c, const KeyValue& k) {
    if (static_cast<int>(c.replacements.size()) >= kMaxReplacements) return;
    std::string_view v = k.value, from, to;
    char quote = 0;
    if (!quoted(v, quote, from) || !quoted(v, quote, to)) return;
    if (from.empty()) return;  // an empty text would match everywhere
    c.replacements.push_back({std::string(from), std::string(to)});
}

void name_colour(Ctl& c, const KeyValue& k) {
    const auto v = numbers<6>(k.value);
    const auto channel = [&](int i) { return static_cast<int>(std::clamp(v[i], 0.0, 255.0)); };
    c.name_colour = rgb(channel(0), channel(1), channel(2));
    c.name_background = rgb(channel(3), channel(4), channel(5));
}

void unit(Ctl& c, const KeyValue& k) {
    switch (unit_divisor(k.value)) {
        case 10000: c.unit = 10000, c.min_move = 0.00005; break;
        case 1000: c.unit = 1000, c.min_move = 0.0005; break;
        case 100: c.unit = 100, c.min_move = 0.0005; break;
        default: break;
    }
}

void scale_unit(Ctl& c, const KeyValue& k) {
    const int d = unit_divisor(k.value);
    if (d == 100000 || d == 1000) (k.arg == 0 ? c.scale_unit : c.angle_unit) = d;
}

void decimal_point(Ctl& c, const KeyValue& k) {
    c.decimal_point = 2;
    choose(k.value, c.decimal_point, {{"NORMAL", 3}, {"NO", 0}, {"YES", 1}});  // NORMAL begins with NO
}

void product(Ctl& c, const KeyValue& k) {
    c.product = Dialect::Default;
    choose(k.value, c.product, {{"OSP", Dialect::Osp}, {"MAZAK", Dialect::Mazak},
                                {"SIEMENS", Dialect::Siemens}, {"HEIDENHAIN", Dialect::Heidenhain}});
}

void pre_read(Ctl& c, const KeyValue& k) {
    c.pre_read = keyword_is(k.value, "NEW") ? kPreReadNew : std::max(0, integer(k.value));
}

void only_g40(Ctl& c, const KeyValue& k) { choose(k.value, c.only_g40, {{"OFFSET", 1}, {"RESET", 2}}); }

void initial_plane(Ctl& c, const KeyValue& k) {
    choose(k.value, c.initial_plane, {{"XY", 17}, {"G17", 17}, {"ZX", 18}, {"G18", 18}, {"YZ", 19}, {"G19", 19}});
}

void return_level(Ctl& c, const KeyValue& k) {
    choose(k.value, c.return_level, {{"INITIAL", 1}, {"G98", 1}, {"R", 0}, {"G99", 0}});
}

void check_f0(Ctl& c, const KeyValue& k) { c.check_f0 = keyword_is(k.value, "YES"); }
void r_tolerance(Ctl& c, const KeyValue& k) { c.r_tolerance = detail::to_float(number(k.value)); }
void code_check(Ctl& c, const KeyValue& k) { c.code_check = keyword_is(k.value, "YES"); }

void check_char(Ctl& c, const KeyValue& k) {
    std::string_view v = k.value, text;
    char quote = '"';
    if (!quoted(v, quote, text)) return;
    c.check_char = std::string(text);
    c.has_check_char = !text.empty();
}

void check_radius_offset(Ctl& c, const KeyValue& k) {
    RadiusOffsetCheck r;
    std::string_view v = k.value;
    while (!v.empty()) {
        const std::size_t plus = v.find('+');
        const std::string_view word = trim(v.substr(0, plus));
        if (keyword_is(word, "STOP")) r.stop = true;
        else if (keyword_is(word, "LIST")) r.list = std::max(r.list, 1);
        else if (keyword_is(word, "OPEN")) r.list = 2;
        else if (keyword_is(word, "PENKI")) r.penki = true;
        v = plus == std::string_view::npos ? std::string_view{} : v.substr(plus + 1);
    }
    r.active = r.stop || r.list > 0 || r.penki;
    c.radius_offset_check = r;
}

void check_reverse_arc(Ctl& c, const KeyValue& k) { c.check_reverse_arc = keyword_is(k.value, "YES"); }
void smooth_angle(Ctl& c, const KeyValue& k) { c.smooth_angle = detail::to_float(number(k.value)); }

void feedrate(Ctl& c, const KeyValue& k) {
    choose(k.value, c.feedrate, {{"DIRECT", 0}, {"INDIRECT", 1}, {"AUTO1", 2}, {"AUTO2", 3}});
}

void tool_offset_memory(Ctl& c, const KeyValue& k) {
    choose(k.value, c.offset_memory, {{"A", 1}, {"B", 2}, {"C", 3}});
}

void g10_mode(Ctl& c, const KeyValue& k) {
    choose(k.value, c.offset_memory, {{"FANUC-A", 1}, {"FANUC-B", 2}, {"FANUC-C", 3}});
}

void g92_mode(Ctl& c, const KeyValue& k) { choose(k.value, c.g92_mode, {{"NORMAL", 0}, {"MOVE", 1}}); }
void g49_mode(Ctl& c, const KeyValue& k) { choose(k.value, c.g49_mode, {{"NORMAL", 0}, {"KEEP", 1}}); }

void g00_mode(Ctl& c, const KeyValue& k) {
    choose(k.value, c.g00_mode, {{"LINE", 0}, {"ASYNC1", 1}, {"ASYNC2", 2}, {"ASYNC", 1}, {"UNKNOWN", 9}});
}

void g00_path(Ctl& c, const KeyValue& k) { c.g00_path = keyword_is(k.value, "LINE"); }

void block_skip(Ctl& c, const KeyValue& k) {
    std::string_view v = k.value;
    for (;;) {
        const std::size_t comma = v.find(',');
        const int level = std::max(1, integer(v.substr(0, comma)));  // 0, below and missing: level 1
        if (level <= 9) c.block_skip[static_cast<std::size_t>(level)] = true;
        if (comma == std::string_view::npos) break;
        v.remove_prefix(comma + 1);
    }
}

void stop_character(Ctl& c, const KeyValue& k) {
    std::string_view v = k.value;
    while (!v.empty() && static_cast<int>(c.stop_characters.size()) < kMaxStopCharacters) {
        const std::size_t begin = v.find_first_not_of(" \t,");
        if (begin == std::string_view::npos) break;
        v.remove_prefix(begin);
        const std::size_t end = std::min(v.find_first_of(" \t,"), v.size());
        c.stop_characters.emplace_back(v.substr(0, std::min(end, kMaxStopCharacterLength)));
        v.remove_prefix(end);
    }
}

void concave_arc_feed(Ctl& c, const KeyValue& k) { c.concave_arc_feed = !keyword_is(k.value, "KEEP"); }

void stop_option(Ctl& c, const KeyValue& k) {
    choose(k.value, c.stop_option, {{"NONE", 0}, {"NORMAL", 1}, {"M01", 2}, {"SINGLE", 3}, {"DEFINE", 4}});
}

// A number starts an entry; a word that begins with a letter names the file of the entry before
// it, up to the next ",". Entries beyond the list's room are dropped with their names.
void wait_m_code(Ctl& c, const KeyValue& k) {
    std::string_view v = k.value;
    bool last_taken = false;
    while (!v.empty()) {
        const char ch = v.front();
        if (is_digit(ch)) {
            const int m = read_int(v);
            while (!v.empty() && is_digit(v.front())) v.remove_prefix(1);
            last_taken = static_cast<int>(c.wait_m_codes.size()) < kMaxWaitMCodes;
            if (last_taken) c.wait_m_codes.push_back({m, "waitfile"});
        } else if ((ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z')) {
            const std::size_t comma = std::min(v.find(','), v.size());
            std::string_view file = v.substr(0, comma);
            while (!file.empty() && is_blank(file.back())) file.remove_suffix(1);
            if (last_taken) c.wait_m_codes.back().file = std::string(file.substr(0, kMaxWaitFileName));
            v.remove_prefix(comma);
        } else {
            v.remove_prefix(1);
        }
    }
}

void cycle_d(Ctl& c, const KeyValue& k) { c.g73_d = c.g83_d = detail::to_float(number(k.value)); }
void g73_d(Ctl& c, const KeyValue& k) { c.g73_d = detail::to_float(number(k.value)); }
void g83_d(Ctl& c, const KeyValue& k) { c.g83_d = detail::to_float(number(k.value)); }
void clearance(Ctl& c, const KeyValue& k) { c.clearance[static_cast<std::size_t>(k.arg)] = number(k.value); }
void cycle_l0(Ctl& c, const KeyValue& k) { c.cycle_l0_once = keyword_is(k.value, "IGNORE"); }
void cycle_k0(Ctl& c, const KeyValue& k) { c.cycle_k0_once = keyword_is(k.value, "IGNORE"); }

void scale_effect(Ctl& c, const KeyValue& k) {
    c.scale_effect[static_cast<std::size_t>(k.arg)] = !keyword_is(k.value, "OFF");
}

void scale(Ctl& c, const KeyValue& k) { c.scale[static_cast<std::size_t>(k.arg)] = number(k.value); }
void rotation_angle(Ctl& c, const KeyValue& k) { c.rotation_angle = number(k.value); }

// Only letters can be address letters; lower case is taken as its capital, as NC words are.
void axis_char(Ctl& c, const KeyValue& k) {
    if (k.value.empty()) return;
    const char letter = upper(k.value.front());
    if (letter < 'A' || letter > 'Z') return;
    const auto axis = static_cast<std::size_t>(k.arg);
    c.axis_letter[axis] = c.display_letter[axis] = letter;
}

void axis_code(Ctl& c, const KeyValue& k) {
    std::string_view v = k.value;
    const bool minus = !v.empty() && v.front() == '-';
    if (minus) v.remove_prefix(1);
    if (v.empty()) return;
    const char letter = upper(v.front());
    if (letter < 'X' || letter > 'Z') return;
    const auto axis = static_cast<std::size_t>(k.arg);
    c.axis_letter[axis] = letter;
    c.centre_letter[axis] = static_cast<char>('I' + (letter - 'X'));
    c.reverse[axis] = minus;
}

void memory(Ctl& c, const KeyValue& k) { detail::apply_memory_line(detail::classify_memory_line(k.line), c); }

void start_code(Ctl& c, const KeyValue& k) { c.start_code = k.value.empty() ? ' ' : k.value.front(); }
void d_code_value(Ctl& c, const KeyValue& k) { c.d_from_tool = keyword_is(k.value, "AUTO"); }
void h_code_value(Ctl& c, const KeyValue& k) { c.h_from_tool = keyword_is(k.value, "AUTO"); }
void run_type(Ctl& c, const KeyValue& k) { c.memory_run = keyword_is(k.value, "MEMORY"); }
void rigid_tap(Ctl& c, const KeyValue& k) { c.rigid_tap = keyword_is(k.value, "ON"); }

// ---- Key table ----

// Keys whose spelling carries a number: the length matched, 0 when the line does not begin
// with such a key; `arg` receives the number.
using Match = std::size_t (*)(std::string_view line, int& arg);

// "G" and a cycle number 70 to 89, then " CLEARANCE".
std::size_t match_clearance(std::string_view line, int& arg) {
    if (line.size() < 3 || upper(line[0]) != 'G' || !is_digit(line[1]) || !is_digit(line[2])) return 0;
    const int g = (line[1] - '0') * 10 + (line[2] - '0');
    if (g < kFirstClearanceCycle || g >= kFirstClearanceCycle + kClearanceCycles) return 0;
    if (!keyword_is(line.substr(3), " CLEARANCE")) return 0;
    arg = g - kFirstClearanceCycle;
    return 3 + std::string_view(" CLEARANCE").size();
}

// "SCALE EFFECT(" followed by X, Y or Z and ")".
std::size_t match_scale_effect(std::string_view line, int& arg) {
    constexpr std::string_view key = "SCALE EFFECT(";
    if (!keyword_is(line, key) || line.size() < key.size() + 2 || line[key.size() + 1] != ')') return 0;
    const char axis = upper(line[key.size()]);
    if (axis < 'X' || axis > 'Z') return 0;
    arg = axis - 'X';
    return key.size() + 2;
}

// A bare D, H or F line: the number begins directly behind the letter.
std::size_t match_bare_memory(std::string_view line, int& arg) {
    arg = 0;
    if (line.size() < 2 || !is_digit(line[1])) return 0;
    const char letter = upper(line[0]);
    return letter == 'D' || letter == 'H' || letter == 'F' ? 1 : 0;
}

struct Key {
    std::string_view key;  // matched case-insensitively at the start of the line
    Apply apply;
    int arg = 0;
    Match match = nullptr;  // instead of `key`, for the keys that carry a number
};

// Tried in this order, the first match wins: every key that is the beginning of another comes
// after it ("UNIT(SCALE)" before "UNIT"), the cycle keys before the clearance lines, and the bare
// D, H, F lines last, behind every key that begins with those letters.
const Key kKeys[] = {
    {"NAME(MAX20)", name},
    {"REPLACE", replace},
    {"NAME COLOR", name_colour},
    {"UNIT(SCALE)", scale_unit, 0},
    {"UNIT(DEG)", scale_unit, 1},
    {"UNIT", unit},
    {"DECIMAL POINT", decimal_point},
    {"PRODUCT", product},
    {"PRE READ", pre_read},
    {"ONLY G40", only_g40},
    {"INITIAL PLANE", initial_plane},
    {"RETURN LEVEL", return_level},
    {"CHECK F0", check_f0},
    {"R-TOLERANCE", r_tolerance},
    {"CODE CHECK", code_check},
    {"CHECK CHAR", check_char},
    {"CHECK RADIUS OFFSET", check_radius_offset},
    {"CHECK REVERSE ARC", check_reverse_arc},
    {"SMOOTH ANGLE", smooth_angle},
    {"FEEDRATE", feedrate},
    {"TOOL OFFSET MEMORY", tool_offset_memory},
    {"G10MODE", g10_mode},
    {"G92MODE", g92_mode},
    {"G49MODE", g49_mode},
    {"G00MODE", g00_mode},
    {"G00PATH", g00_path},
    {"OPTIONAL BLOCK SKIP", block_skip},
    {"STOP CHARACTER", stop_character},
    {"CONCAVE-ARC FEED", concave_arc_feed},
    {"STOP OPTION", stop_option},
    {"WAIT M-CODE", wait_m_code},
    {"CYCLE(D)", cycle_d},
    {"G73_D", g73_d},
    {"G83_D", g83_d},
    {{}, clearance, 0, match_clearance},
    {"CYCLE(L0)", cycle_l0},
    {"CYCLE(K0)", cycle_k0},
    {{}, scale_effect, 0, match_scale_effect},
    {"SCALE(X)", scale, 0},
    {"SCALE(Y)", scale, 1},
    {"SCALE(Z)", scale, 2},
    {"ROTATION ANGLE", rotation_angle},
    {"CHAR(X)", axis_char, 0},
    {"CHAR(Y)", axis_char, 1},
    {"CHAR(Z)", axis_char, 2},
    {"X-CODE", axis_code, 0},
    {"Y-CODE", axis_code, 1},
    {"Z-CODE", axis_code, 2},
    {"MEMORY", memory},
    {"EOR", start_code},
    {"D-CODE VALUE", d_code_value},
    {"H-CODE VALUE", h_code_value},
    {"RUN TYPE", run_type},
    {"RIGID TAP", rigid_tap},
    {{}, memory, 0, match_bare_memory},
};

// ---- Derived values ----

// Which program axis a letter stands for; a renamed axis ("CHAR(X)" = U) is still its own.
int program_axis(char letter, int machine_axis) {
    return letter >= 'X' && letter <= 'Z' ? letter - 'X' : machine_axis;
}

// The plane code of a pair of machine axes: +17/+18/+19 when their letters are the program's
// (X, Y), (Z, X) or (Y, Z) in order, negative when swapped; each reversed axis flips the sign.
// A pair that is neither (two machine axes driven by one letter) keeps its own plane.
int pair_code(const Ctl& c, int first, int second, int own_plane) {
    const int a = program_axis(c.axis_letter[static_cast<std::size_t>(first)], first);
    const int b = program_axis(c.axis_letter[static_cast<std::size_t>(second)], second);
    int code = own_plane;
    if (a == 0 && b == 1) code = 17;
    else if (a == 1 && b == 0) code = -17;
    else if (a == 2 && b == 0) code = 18;
    else if (a == 0 && b == 2) code = -18;
    else if (a == 1 && b == 2) code = 19;
    else if (a == 2 && b == 1) code = -19;
    if (c.reverse[static_cast<std::size_t>(first)]) code = -code;
    if (c.reverse[static_cast<std::size_t>(second)]) code = -code;
    return code;
}

void delete_wait_files(const Ctl& c, const std::string& current_dir) {
    for (const WaitMCode& w : c.wait_m_codes)
        if (const auto found = platform::find_file(wait_file_path(w, current_dir))) std::remove(found->c_str());
}

}  // namespace

bool fanuc_like(Dialect d) { return d == Dialect::Default || d == Dialect::Mazak || d == Dialect::Siemens; }

void apply_ctl_line(std::string_view line, Ctl& ctl) {
    line = line.substr(0, kMaxCtlLine);
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.remove_suffix(1);
    for (const Key& key : kKeys) {
        int arg = key.arg;
        const std::size_t length = key.match ? key.match(line, arg) : keyword_is(line, key.key) ? key.key.size() : 0;
        if (length == 0) continue;
        key.apply(ctl, {value_behind(line, length), line, arg});
        return;
    }
}

Vec3 start_work_offset(const Ctl& c) {
    const Vec3& external = c.work[0];
    const Vec3& g54 = c.work[1];
    switch (c.product) {
        case Dialect::Osp: return external;
        case Dialect::Heidenhain: return g54;
        default: return {external.x + g54.x, external.y + g54.y, external.z + g54.z};
    }
}

void derive_ctl(Ctl& c) {
    c.block_skip_any = std::any_of(c.block_skip.begin() + 1, c.block_skip.end(), [](bool b) { return b; });
    c.plane_codes = {pair_code(c, 0, 1, 17), pair_code(c, 2, 0, 18), pair_code(c, 1, 2, 19)};
    c.current_work_offset = start_work_offset(c);
}

void parse_ctl(std::string_view bytes, Ctl& ctl) {
    const std::string path = ctl.path;
    ctl = Ctl{};
    ctl.path = path;
    while (!bytes.empty()) {
        const std::size_t end = std::min(bytes.find('\n'), bytes.size());
        apply_ctl_line(bytes.substr(0, end), ctl);
        bytes.remove_prefix(std::min(end + 1, bytes.size()));
    }
    derive_ctl(ctl);
}

int load_ctl(const std::string& path, Ctl& ctl, const std::string& current_dir) {
    const auto bytes = platform::read_file(path);
    ctl = Ctl{};
    ctl.path = path;
    if (!bytes) {
        derive_ctl(ctl);
        ctl.load_state = -1;
        return 0;
    }
    parse_ctl(*bytes, ctl);
    ctl.load_state = 1;
    ctl.file_time = platform::file_time(path);
    delete_wait_files(ctl, current_dir);
    return 1;
}

std::string wait_file_path(const WaitMCode& wait, const std::string& current_dir) {
    return platform::absolute(platform::slashes(wait.file), current_dir);
}

const WaitMCode* find_wait_m_code(const Ctl& ctl, int m) {
    for (const WaitMCode& w : ctl.wait_m_codes)
        if (w.m == m) return &w;
    return nullptr;
}

void set_block_skip(Ctl& ctl, const std::array<bool, 10>& levels) {
    ctl.block_skip = levels;
    ctl.block_skip[0] = false;
    derive_ctl(ctl);
}

}  // namespace vx::nc
