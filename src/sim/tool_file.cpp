// The tool settings file reader: header lines, MAGAZINE lines and their continuation lines, each
// keyword with its values, and the finishing steps (lengths of scribing tools, holders without
// lengths, the tool base point).
#include "platform/files.h"
#include "base/text.h"
#include "sim/tool_syntax.h"
#include "sim/tools.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <numbers>
#include <utility>

namespace vx::sim {
namespace {

constexpr double kDegree = std::numbers::pi / 180.0;

// A line buffer of 1024 bytes: a longer line is read as several lines of at most 1023 bytes.
constexpr std::size_t kLineBytes = 1023;

// A CUTTER line describes a taper ball end mill when its diameter matches the one computed from
// r and beta within this.
constexpr double kTaperBallMatch = 0.00001;

constexpr int kMagazineNumberAt = 8;   // the tool number starts at the 9th character
constexpr int kMagazineNumberWidth = 2;  // and is two characters wide ("01", " 1", "12")
constexpr int kMagazineKeywordsAt = 10;  // keywords are searched from the 11th

struct ReadContext {
    const std::string& folder;
    const ToolReadOptions& options;
};

bool starts_keyword(const LineCursor& c);

// ---- Names ----

// The quoted name after the values. An unquoted word there is skipped (no name), unless it is
// the next keyword of the line.
std::string read_name(LineCursor& c) {
    skip_blanks(c);
    if (!at_end(c) && c.line[c.pos] == '"') return quoted_text(c);
    if (starts_keyword(c)) return {};
    while (!at_end(c) && c.line[c.pos] != ' ' && c.line[c.pos] != '\t' && c.line[c.pos] != ',' &&
           !fullwidth_blank(c.line, c.pos))
        c.pos += char_width(c);
    return {};
}

// ---- Shape keywords ----

// The diameter of a taper ball end mill of ball radius r and side angle beta.
double taper_ball_diameter(double r, double beta_degrees) {
    const double b = beta_degrees * kDegree;
    return 2.0 * r * (std::cos(b) + std::sin(b) * std::tan(b) - std::tan(b));
}

// A given top diameter is raised to the corner end and lowered to what the blade height allows.
float limit_top_diameter(const ToolRecord& t) {
    const double a = t.alpha * kDegree, b = t.beta * kDegree, half = t.d / 2.0;
    double top = t.top_diameter;
    const double g = 2.0 * (half + std::sin(b) * t.r / std::tan((a + b) / 2.0 + std::numbers::pi / 4.0));
    if (std::isfinite(g) && top < g) top = g;
    double q;
    if (t.alpha != 45.0f) q = half + (t.h - half * std::tan(a)) * std::tan(b);
    else if (t.beta != 45.0f) q = half + (t.h - half) * std::tan(b);
    else q = t.h;
    if (std::isfinite(q) && top > 2.0 * q) top = 2.0 * q;
    return to_float(top);
}

int cutter_type(const ToolRecord& t) {
    const bool plain = t.alpha == 0.0f && t.beta == 0.0f;
    if (2.0f * t.r == t.d && plain) return kToolBall;
    if (t.d > 0.0f && t.r == 0.0f && plain) return kToolFlat;
    if (t.d > 0.0f && t.r > 0.0f && plain) return kToolBull;
    if (t.r > 0.0f && t.f == t.r && t.e == 0.0f && t.alpha == 0.0f && t.beta > 0.0f &&
        std::fabs(t.d - taper_ball_diameter(t.r, t.beta)) < kTaperBallMatch)
        return kToolTaperBall;
    return kToolOther;
}

void read_cutter(LineCursor& c, ToolRecord& t) {
    t.d = to_float(first_number(c));
    t.r = to_float(next_value(c));
    t.e = to_float(next_value(c));
    t.f = to_float(next_value(c));
    t.alpha = to_float(next_value(c));
    if (t.alpha > 0.0f) t.tip_diameter = to_float(semicolon_value(c));
    t.beta = to_float(next_value(c));
    if (t.beta > 0.0f) t.top_diameter = to_float(semicolon_value(c));
    t.h = to_float(next_value(c));
    t.name = read_name(c);
    t.type = cutter_type(t);
    if (t.top_diameter > 0.0f) t.top_diameter = limit_top_diameter(t);
}

void read_drill(LineCursor& c, ToolRecord& t) {
    t.d = to_float(first_number(c));
    t.alpha = to_float(next_value(c));
    t.h = to_float(next_value(c));
    t.name = read_name(c);
    if (t.name.empty()) t.name = std::string(default_drill_name());
    t.e = to_float(t.d / 2.0);
    t.type = kToolOther;
}

void read_ball(LineCursor& c, ToolRecord& t) {
    t.d = to_float(first_number(c));
    t.h = to_float(next_value(c));
    t.name = read_name(c);
    t.r = t.f = t.d / 2.0f;
    t.type = kToolBall;
}

void read_flat(LineCursor& c, ToolRecord& t) {
    t.d = to_float(first_number(c));
    t.h = to_float(next_value(c));
    t.name = read_name(c);
    t.type = keyword_is(t.name, "KEGAKI") ? kToolKegaki : kToolFlat;
}

void read_bull(LineCursor& c, ToolRecord& t) {
    t.d = to_float(first_number(c));
    t.r = to_float(next_value(c));
    t.h = to_float(next_value(c));
    t.name = read_name(c);
    if (t.r > 0.0f) {
        t.type = kToolBull;
        t.e = to_float(t.d / 2.0 - t.r);
        t.f = t.r;
    } else if (t.r == 0.0f) {
        t.type = kToolFlat;
    } else {
        t.type = kToolOther;  // a concave corner
        t.f = -t.r;
    }
}

void read_kegaki(LineCursor& c, ToolRecord& t) {
    t.d = to_float(first_number(c));
    t.h = to_float(next_value(c));
    t.name = read_name(c);
    t.type = kToolKegaki;
}

void read_taper_ball(LineCursor& c, ToolRecord& t) {
    t.r = to_float(first_number(c));
    t.beta = to_float(next_value(c));
    t.top_diameter = to_float(semicolon_value(c));
    t.h = to_float(next_value(c));
    t.name = read_name(c);
    t.d = to_float(taper_ball_diameter(t.r, t.beta));
    t.type = kToolTaperBall;
    if (t.top_diameter > 0.0f) t.top_diameter = limit_top_diameter(t);
}

void read_vertical(LineCursor& c, ToolRecord& t) {
    t.d = to_float(first_number(c));
    t.vertical_width = to_float(next_value(c));
    t.h = to_float(next_value(c));
    t.name = read_name(c);
    t.type = kToolVertical;
}

void read_oval_r(LineCursor& c, ToolRecord& t) {
    t.d = to_float(first_number(c));
    t.f = to_float(next_value(c));
    t.e = to_float(next_value(c));
    t.r = to_float(next_value(c));
    t.h = to_float(next_value(c));
    t.name = read_name(c);
    t.type = kToolOval;
}

void read_oval(LineCursor& c, ToolRecord& t) {
    t.d = to_float(first_number(c));
    t.f = to_float(next_value(c));
    t.e = to_float(next_value(c));
    t.h = to_float(next_value(c));
    t.name = read_name(c);
    t.type = kToolOval;
}

void read_t_throw(LineCursor& c, ToolRecord& t) {
    t.d = to_float(first_number(c));
    t.h = to_float(next_value(c));
    t.r = to_float(next_value(c));
    next_value(c);  // two values the simulation does not use
    next_value(c);
    t.name = read_name(c);
    if (t.h < t.r) t.h = t.r;
    t.e = to_float(t.d / 2.0 - t.r);
    t.f = t.r;
    t.type = t.r == 0.0f ? kToolFlat : 2.0f * t.r == t.d ? kToolBall : kToolBull;
}

void read_radius(LineCursor& c, ToolRecord& t) {
    t.d = to_float(first_number(c));
    t.r = to_float(next_value(c));
    t.f = to_float(next_value(c));
    t.name = read_name(c);
    const double r = t.r, f = t.f;
    const double s = r > f ? std::sqrt(std::fmax(0.0, r * r - (r - f) * (r - f))) : r;
    t.e = to_float(t.d / 2.0 - r - s);
    t.h = t.r;
    t.type = kToolRadius;
}

using ShapeReader = void (*)(LineCursor&, ToolRecord&);

// A shape keyword replaces the whole shape: every field it does not give becomes 0.
void read_shape(LineCursor& c, ToolEntry& entry, ShapeReader read) {
    ToolRecord shape;
    shape.defined = entry.tool.defined;
    read(c, shape);
    entry.tool = std::move(shape);
}

// ---- Lengths, pen, shift ----

void read_length(LineCursor& c, ToolEntry& entry, int kind) {
    LengthRecord length;
    length.L[0] = to_float(first_number(c));
    if (kind == kLength2) {
        length.L[1] = to_float(next_value(c));
        length.L[2] = to_float(next_value(c));
        length.L[5] = to_float(next_value(c));
    } else if (kind == kLength3) {
        for (int i = 1; i < 6; ++i) length.L[i] = to_float(next_value(c));
    }
    length.kind = kind;
    if (kind == kLength1 && entry.tool.type == kToolKegaki) length.kind = entry.length.kind;
    entry.length = length;
}

void read_pen(LineCursor& c, ToolEntry& entry) {
    const double v = first_number(c);
    entry.pen = v < 1.0 ? 0 : v > 7.0 ? 7 : static_cast<std::int32_t>(v);
}

// ---- Limits and feed optimisation ----

// One value or four comma-separated ones; "%" after a value makes it a share of the tool's
// cross-section.
void read_limit(LineCursor& c, ToolEntry& entry, int kind) {
    const bool logged = !at_end(c) && (c.line[c.pos] == 'P' || c.line[c.pos] == 'p');
    if (logged) ++c.pos;
    const double d = entry.tool.d;
    const auto value = [&](double v) {
        return to_float(percent_follows(c) ? v * d * d * std::numbers::pi / 400.0 : v);
    };
    LimitRecord limit;
    limit.kind = logged ? kind + 10 : kind;
    limit.values[0] = value(first_number(c));
    const bool four = comma_follows(c);
    for (int k = 1; k < 4; ++k) limit.values[k] = four ? value(next_value(c)) : limit.values[0];
    entry.limit = limit;
}

void read_feed(LineCursor& c, ToolEntry& entry) {
    int set = 0;
    if (!at_end(c)) {
        const char letter = static_cast<char>(c.line[c.pos] & ~0x20);
        set = letter == 'V' ? 1 : letter == 'U' ? 2 : letter == 'D' ? 3 : 0;
        if (set) ++c.pos;
    }
    FeedSet feed;
    feed.used = 1;
    feed.first = to_float(first_number(c));
    while (feed.count < kFeedSteps) {
        const double removal = next_value(c);
        if (removal == 0.0) break;
        feed.steps[feed.count++] = {to_float(removal), to_float(next_value(c))};
    }
    entry.feed.sets[set] = feed;
}

void read_holder_name(LineCursor& c, ToolEntry& entry, const ReadContext& ctx) {
    const std::string path = holder_path(rest_as_name(c), ctx.folder);
    if (ctx.options.holder_files) read_holder_file(entry.holder, path);
    else entry.holder = HolderRecord{};
}

// ---- Keyword table ----

enum class Key {
    Cutter, Drill, Ball, Flat, Bull, Kegaki, TaperBall, Vertical, OvalR, Oval, TThrow, Radius,
    Length3, Length2, Length, Holder, HolderFile, Shift, Pen, Limits, Limit, Feed, Name
};

struct Keyword {
    std::string_view word;
    Key key;
};

// Longer keywords before their prefixes (OVALR before OVAL, LENGTH3A before LENGTH3 before LENGTH).
constexpr Keyword kKeywords[] = {
    {"CUTTER", Key::Cutter},     {"DRILL", Key::Drill},       {"BALL", Key::Ball},
    {"FLAT", Key::Flat},         {"BULL", Key::Bull},         {"KEGAKI", Key::Kegaki},
    {"TAPERBALL", Key::TaperBall}, {"VERTICAL", Key::Vertical}, {"OVALR", Key::OvalR},
    {"OVAL", Key::Oval},         {"T-THROW", Key::TThrow},    {"RADIUS", Key::Radius},
    {"LENGTH3A", Key::Length3},  {"LENGTH3", Key::Length3},   {"LENGTH2A", Key::Length2},
    {"LENGTH2", Key::Length2},   {"LENGTH", Key::Length},     {"ARBOR", Key::Holder},
    {"ATL", Key::HolderFile},    {"SHIFT", Key::Shift},       {"PEN", Key::Pen},
    {"LIMITS", Key::Limits},     {"LIMIT", Key::Limit},       {"OPT-F", Key::Feed},
    {"NAME=", Key::Name},
};

const Keyword* keyword_at(const LineCursor& c) {
    const std::string_view rest = c.line.substr(c.pos);
    for (const Keyword& k : kKeywords)
        if (keyword_is(rest, k.word)) return &k;
    return nullptr;
}

bool starts_keyword(const LineCursor& c) { return keyword_at(c) != nullptr; }

ShapeReader shape_reader(Key key) {
    switch (key) {
        case Key::Cutter: return read_cutter;
        case Key::Drill: return read_drill;
        case Key::Ball: return read_ball;
        case Key::Flat: return read_flat;
        case Key::Bull: return read_bull;
        case Key::Kegaki: return read_kegaki;
        case Key::TaperBall: return read_taper_ball;
        case Key::Vertical: return read_vertical;
        case Key::OvalR: return read_oval_r;
        case Key::Oval: return read_oval;
        case Key::TThrow: return read_t_throw;
        case Key::Radius: return read_radius;
        default: return nullptr;
    }
}

void read_keyword(LineCursor& c, const Keyword& k, ToolEntry& entry, const ReadContext& ctx) {
    if (k.key == Key::Holder) {
        read_holder_keyword(c, entry.holder);  // ARBOR3, ARBOR2 or ARBOR
        return;
    }
    c.pos += k.word.size();
    if (const ShapeReader read = shape_reader(k.key)) return read_shape(c, entry, read);
    switch (k.key) {
        case Key::Length3: return read_length(c, entry, kLength3);
        case Key::Length2: return read_length(c, entry, kLength2);
        case Key::Length: return read_length(c, entry, kLength1);
        case Key::HolderFile: return read_holder_name(c, entry, ctx);
        case Key::Shift: entry.shift = to_float(first_number(c)); return;
        case Key::Pen: return read_pen(c, entry);
        case Key::Limits: return read_limit(c, entry, kLimitRate);
        case Key::Limit: return read_limit(c, entry, kLimitArea);
        case Key::Feed: return read_feed(c, entry);
        case Key::Name: c.pos = c.line.size(); return;
        default: return;
    }
}

// Keywords one after another: the reader goes to the next letter (or "(") and tries there; a
// character that starts no keyword is passed over.
void read_tool_keywords(LineCursor c, ToolEntry& entry, const ReadContext& ctx) {
    while (!at_end(c)) {
        while (!at_end(c) && !at_letter(c) && c.line[c.pos] != '(') c.pos += char_width(c);
        if (at_end(c)) break;
        const std::size_t before = c.pos;
        if (const Keyword* k = keyword_at(c)) read_keyword(c, *k, entry, ctx);
        if (c.pos <= before) c.pos = before + char_width(c);
    }
}

// ---- Lines ----

// Header lines before the first MAGAZINE line: the default holder.
void read_header_line(ToolTable& table, std::string_view line, const ReadContext& ctx) {
    LineCursor c = make_cursor(line);
    if (take_keyword(c, "ATL")) {
        table.holder_file = holder_path(rest_as_name(c), ctx.folder);
        if (ctx.options.holder_files) {
            table.holder_state = read_holder_file(table.default_holder, table.holder_file, &table.holder_file_time);
        } else {
            table.default_holder = HolderRecord{};
            table.holder_state = -1;
        }
        return;
    }
    read_holder_keyword(c, table.default_holder);
}

// Opens the tool of a MAGAZINE line; false when its number ends the reading.
bool open_tool(ToolTable& table, std::string_view line, int* number) {
    const std::string_view field =
        line.size() > kMagazineNumberAt ? line.substr(kMagazineNumberAt, kMagazineNumberWidth) : std::string_view{};
    const std::int32_t n = read_int(field);
    if (n < 1 || n > max_tool_number(table)) return false;
    ToolEntry& entry = table.entries[n];
    entry.tool.defined = 1;
    entry.holder = table.default_holder.defined ? table.default_holder : HolderRecord{};
    entry.length.kind = kLengthNone;
    entry.pen = 0;
    entry.shift = 0.0f;
    entry.feed = FeedOptRecord{};
    table.highest_tool = std::max(table.highest_tool, n);
    *number = n;
    return true;
}

// The initial tool of an I line; a number outside the table is ignored.
void read_initial_tool(ToolTable& table, std::string_view line) {
    const std::int32_t n = read_int(from_number(line.substr(1)));
    if (n < 0 || n > max_tool_number(table)) return;
    table.initial_tool = table.current_tool = n;
}

void clear_tables(ToolTable& table) {
    for (ToolEntry& entry : table.entries) entry = ToolEntry{};
    table.initial_tool = table.current_tool = 1;
    table.highest_tool = kLowestHighestTool;
    table.default_holder = HolderRecord{};
    table.holder_file.clear();
    table.holder_state = 0;
    table.holder_file_time = -1;
}

// Tools without lengths get no holder: there is nothing to place it on.
void finish_tables(ToolTable& table) {
    for (ToolEntry& entry : table.entries) {
        if (entry.tool.type == kToolKegaki) entry.length.kind = kLengthNone;
        if (entry.length.kind == kLengthNone) entry.holder = HolderRecord{};
    }
}

// The next line as a 1024-byte line buffer gives it, without its line end.
std::string_view next_line(std::string_view bytes, std::size_t* start) {
    const std::size_t begin = *start;
    const std::size_t newline = bytes.find('\n', begin);
    const std::size_t full = (newline == std::string_view::npos ? bytes.size() : newline + 1) - begin;
    const std::size_t taken = std::min(full, kLineBytes);
    *start = begin + taken;
    std::string_view line = bytes.substr(begin, taken);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
    return line;
}

}  // namespace

// ---- Reading ----

int read_tool_text(ToolTable& table, std::string_view bytes, const std::string& folder,
                   const ToolReadOptions& options) {
    if (table.entries.empty()) allocate_tool_tables(table, kDefaultMaxMagazine);
    clear_tables(table);
    const ReadContext ctx{folder, options};
    int tool = -1;  // the tool that continuation lines add to
    std::size_t start = 0;
    while (start < bytes.size()) {
        const std::string_view line = next_line(bytes, &start);
        if (line.empty() || line.front() == '#') continue;
        if (line.front() == 'I' || line.front() == 'i') {
            read_initial_tool(table, line);
        } else if (keyword_is(line, "MAGAZINE")) {
            if (!open_tool(table, line, &tool)) break;
            read_tool_keywords(make_cursor(line, kMagazineKeywordsAt), table.entries[tool], ctx);
        } else if (tool < 0) {
            read_header_line(table, line, ctx);
        } else {
            read_tool_keywords(make_cursor(line), table.entries[tool], ctx);
        }
    }
    finish_tables(table);
    apply_tool_base_point(table, options.base_point);
    table.read_state = 1;
    return 1;
}

int read_tool_file(ToolTable& table, const std::string& path, const ToolReadOptions& options) {
    const auto found = platform::find_file(path);
    const auto bytes = found ? platform::read_file(*found) : std::nullopt;
    table.path = found.value_or(path);
    if (!bytes) {
        if (table.entries.empty()) allocate_tool_tables(table, kDefaultMaxMagazine);
        clear_tables(table);
        table.read_state = -1;
        table.file_time = -1;
        return -1;
    }
    table.file_time = platform::file_time(*found);
    const std::filesystem::path parent = std::filesystem::path(*found).parent_path();
    const std::string folder = parent.empty() ? std::string() : platform::with_trailing_slash(parent.string());
    return read_tool_text(table, *bytes, folder, options);
}

// ---- Tool base point ----

void apply_tool_base_point(ToolTable& table, ToolBasePoint base_point) {
    if (base_point == ToolBasePoint::Bottom) return;
    for (ToolEntry& entry : table.entries) {
        const ToolRecord& t = entry.tool;
        const bool lengths = entry.length.kind != kLengthNone;
        double add = 0.0;
        switch (base_point) {
            case ToolBasePoint::BallCenter: add = t.type == kToolBall || t.type == kToolTaperBall ? t.r : 0.0f; break;
            case ToolBasePoint::FCenter: add = build_edge_profile(t).ch; break;
            case ToolBasePoint::RHeight: add = t.alpha == 0.0f ? t.r : 0.0f; break;
            case ToolBasePoint::LengthTop: add = lengths ? entry.length.L[0] : 0.0f; break;
            case ToolBasePoint::ArborTop: add = build_profile(t, entry.length, entry.holder, {}).holder_top; break;
            default: break;
        }
        entry.shift = to_float(entry.shift + add);
    }
}

}  // namespace vx::sim
