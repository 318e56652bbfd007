// Feed choice, merging, escapes and the words of the optimised NC program; the output names and
// the point-list program.
#include "output/optimised_nc.h"

#include "sim/cutting_step.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

namespace vx::output {
namespace {

// ---- Constants ----

// The re-entry after an escape comes down by rapid to this far above the next height (mm).
constexpr double kReentryHeight = 2.0;
// The point-list program approaches every point from this far above it (mm).
constexpr double kPointApproach = 5.0;
constexpr int kMotionRapid = 0, kMotionLinear = 1, kMotionCw = 2, kMotionCcw = 3;
constexpr int kCutTypes = 4;  // general, vertical, up-cut, down-cut
// Share of a pitch by which summed step lengths may fall short of it and still cover it.
constexpr double kTravelSlack = 1e-9;

bool is_arc(int motion) { return motion == kMotionCw || motion == kMotionCcw; }

// The plane's two axes (0 X, 1 Y, 2 Z) and the letters of their centre increments.
struct PlaneAxes {
    int first, second;
    char first_letter, second_letter;
};

PlaneAxes plane_axes(int plane) {
    if (plane == 18) return {0, 2, 'I', 'K'};
    if (plane == 19) return {1, 2, 'J', 'K'};
    return {0, 1, 'I', 'J'};
}

// 10^k == unit: the decimals a unit has; -1 when it is not a power of ten.
int unit_decimals(int unit) {
    int k = 0;
    for (long long p = 1; p <= unit; p *= 10, ++k)
        if (p == unit) return k;
    return -1;
}

std::int64_t feed_count(double feed) { return std::max<std::int64_t>(1, std::llround(feed)); }

void append_count(std::string& out, std::int64_t value) { out += std::to_string(value); }

// ---- Writing ----

std::int64_t axis_count(const OptNcWriter& w, double value) { return to_count(value, w.format.unit); }

// X, Y and Z of `p` that differ from the last written counts; the counts become the last ones.
void append_changed_axes(OptNcWriter& w, std::string& line, const Vec3& p, bool with_z) {
    static constexpr char kLetters[3] = {'X', 'Y', 'Z'};
    for (int a = 0; a < (with_z ? 3 : 2); ++a) {
        const std::int64_t c = axis_count(w, p[a]);
        if (c == w.last[std::size_t(a)]) continue;
        w.last[std::size_t(a)] = c;
        append_word(line, kLetters[a], a == 0 && w.options.lathe ? 2 * c : c, w.format);
    }
}

void append_motion(OptNcWriter& w, std::string& line, int motion) {
    if (motion == w.last_motion) return;
    w.last_motion = motion;
    line += "G0";
    line += char('0' + motion);
}

void append_feed(OptNcWriter& w, std::string& line, double feed) {
    const std::int64_t f = feed_count(feed);
    if (f == w.last_feed) return;
    w.last_feed = f;
    line += 'F';
    append_count(line, f);
}

void put_line(OptNcWriter& w, const std::string& line) {
    if (line.empty()) return;
    w.text += line;
    w.text += '\n';
}

void put_start_code(OptNcWriter& w) {
    if (w.start_code == ' ') return;
    w.text += w.start_code;
    w.text += '\n';
}

void put_g92(OptNcWriter& w, const Vec3& p) {
    std::string& line = w.line;
    line = "G92";
    for (int a = 0; a < 3; ++a) {
        const std::int64_t c = axis_count(w, p[a]);
        w.last[std::size_t(a)] = c;
        append_word(line, "XYZ"[a], a == 0 && w.options.lathe ? 2 * c : c, w.format);
    }
    put_line(w, line);
}

// After an escape the tool waits above its end point. A rapid goes straight down to where the
// program has it (the path up there was clear); a feed move comes down by rapid to 2 mm above
// its start and feeds the rest.
void come_back(OptNcWriter& w, const OptNcWriter::Pending& p, double feed) {
    w.retracted = false;
    const std::int64_t z = axis_count(w, p.start.z);
    if (z == w.last[2]) return;
    std::string& line = w.line;
    line.clear();
    if (p.motion == kMotionRapid) {
        const bool vertical = axis_count(w, p.end.x) == w.last[0] && axis_count(w, p.end.y) == w.last[1];
        if (vertical) return;  // the rapid itself goes straight up or down the clear column
        append_motion(w, line, kMotionRapid);
        append_changed_axes(w, line, p.start, true);
        put_line(w, line);
        return;
    }
    const std::int64_t above = axis_count(w, p.start.z + kReentryHeight);
    if (above < w.last[2]) {
        append_motion(w, line, kMotionRapid);
        append_changed_axes(w, line, Vec3{p.start.x, p.start.y, p.start.z + kReentryHeight}, true);
        put_line(w, line);
        line.clear();
    }
    append_motion(w, line, kMotionLinear);
    append_changed_axes(w, line, p.start, true);
    append_feed(w, line, feed);
    put_line(w, line);
}

void write_normal(OptNcWriter& w, const OptNcWriter::Pending& p, double feed) {
    if (w.retracted) come_back(w, p, feed);
    const int motion = p.motion == kMotionRapid || is_arc(p.motion) ? p.motion : kMotionLinear;
    std::string& line = w.line;
    line.clear();
    const std::array<std::int64_t, 3> start = w.last;
    if (is_arc(motion) && p.plane != w.last_plane) {
        w.last_plane = p.plane;
        line += 'G';
        append_count(line, p.plane);
    }
    append_motion(w, line, motion);
    append_changed_axes(w, line, p.end, true);
    if (is_arc(motion)) {
        const PlaneAxes axes = plane_axes(p.plane);
        const std::int64_t i = axis_count(w, p.centre[axes.first]) - start[std::size_t(axes.first)];
        const std::int64_t j = axis_count(w, p.centre[axes.second]) - start[std::size_t(axes.second)];
        if (i != 0) append_word(line, axes.first_letter, i, w.format);
        if (j != 0) append_word(line, axes.second_letter, j, w.format);
    }
    if (motion != kMotionRapid) append_feed(w, line, feed);
    put_line(w, line);
}

// Retract (unless the tool is above all material already) to the escape height over the highest
// material along the path, or to the end's height when that is higher, traverse in X and Y, and
// leave the descent to whatever comes next.
void write_escape(OptNcWriter& w, const OptNcWriter::Pending& p) {
    std::string& line = w.line;
    line.clear();
    append_motion(w, line, kMotionRapid);
    const Clearance& c = w.clearance;
    const double unit = double(w.format.unit);
    const double tip = double(w.last[2]) / unit - c.tool_shift;
    if (c.workpiece && c.workpiece->height.data && !(tip > c.workpiece->highest)) {
        const double top = highest_along(*c.workpiece, p.start.x, p.start.y, p.end.x, p.end.y, c.radius);
        // Never below the end: the cells the next block's first step has cut already are missing
        // from the height field, and they all lay below the tool's tip at the end of the escape.
        const std::int64_t retract = std::max(axis_count(w, top + w.options.escape_height + c.tool_shift),
                                              axis_count(w, p.end.z));
        if (retract > w.last[2]) {  // a block of its own: together with X and Y it would be a slope
            w.last[2] = retract;
            append_word(line, 'Z', retract, w.format);
            put_line(w, line);
            line.clear();
        }
    }
    append_changed_axes(w, line, p.end, false);
    put_line(w, line);
    w.retracted = axis_count(w, p.end.z) != w.last[2];
}

bool short_escape(const OptNcWriter::Pending& p) {
    return p.first_line == p.last_line && std::hypot(p.end.x - p.start.x, p.end.y - p.start.y) <= kEscapeMinTravel;
}

void flush(OptNcWriter& w) {
    OptNcWriter::Pending& p = w.pending;
    if (!p.open) return;
    p.open = false;
    if (!p.escape) write_normal(w, p, p.feed);
    else if (short_escape(p)) write_normal(w, p, p.programmed_feed);
    else write_escape(w, p);
}

const sim::FeedSet* table_of(const sim::FeedOptRecord& tables, int cut_type) {
    if (cut_type >= 0 && cut_type < kCutTypes && tables.sets[std::size_t(cut_type)].used)
        return &tables.sets[std::size_t(cut_type)];
    return tables.sets[0].used ? &tables.sets[0] : nullptr;
}

}  // namespace

// ---- Numbers ----

std::int64_t to_count(double value, int unit) {
    const double scaled = value * double(unit);
    constexpr double kLimit = 9.0e18;  // beyond any coordinate; keeps llround defined
    return std::llround(std::clamp(scaled, -kLimit, kLimit));
}

void append_word(std::string& out, char letter, std::int64_t count, const NumberFormat& format) {
    out += letter;
    const bool with_point = format.decimal_point == 1 || format.decimal_point == 3;
    if (!with_point) {
        append_count(out, count);
        return;
    }
    const int decimals = unit_decimals(format.unit);
    if (decimals < 0) {  // a unit that is no power of ten: four decimals say enough
        out += sim::fixed_text(double(count) / double(format.unit), 4);
        return;
    }
    const std::uint64_t magnitude = count < 0 ? 0 - std::uint64_t(count) : std::uint64_t(count);
    std::uint64_t scale = 1;
    for (int k = 0; k < decimals; ++k) scale *= 10;
    std::string fraction = decimals > 0 ? std::to_string(magnitude % scale) : "0";
    if (decimals > 0) fraction.insert(0, std::size_t(decimals) - fraction.size(), '0');
    while (fraction.size() > 1 && fraction.back() == '0') fraction.pop_back();
    if (fraction.empty()) fraction = "0";
    if (count < 0) out += '-';
    out += std::to_string(magnitude / scale);
    out += '.';
    out += fraction;
}

// ---- Feeds ----

double table_feed(const sim::FeedSet& set, double removal) {
    const int n = std::clamp(int(set.count), 0, sim::kFeedSteps);
    for (int i = 0; i < n; ++i) {
        if (removal > double(set.steps[std::size_t(i)].removal))
            return i == 0 ? double(set.first) : double(set.steps[std::size_t(i - 1)].feed);
    }
    return n == 0 ? double(set.first) : double(set.steps[std::size_t(n - 1)].feed);
}

double highest_table_feed(const sim::FeedSet& set) {
    double highest = set.first;
    const int n = std::clamp(int(set.count), 0, sim::kFeedSteps);
    for (int i = 0; i < n; ++i) highest = std::max(highest, double(set.steps[std::size_t(i)].feed));
    return highest;
}

PieceFeed piece_feed(const Piece& piece, const OptimiseOptions& options, const sim::FeedOptRecord& tables,
                     const FeedLimits& limits) {
    if (piece.motion == kMotionRapid) return {false, kRapidFeed};
    const double machine = *std::max_element(limits.max_feed.begin(), limits.max_feed.end());
    const double programmed = double(feed_count(piece.programmed_feed));
    auto held = [&](double feed) { return double(feed_count(std::min(feed, machine))); };
    if (piece.cutting && options.cut != kCutEscape) {
        const sim::FeedSet* set = options.cut == kCutOptimise ? table_of(tables, piece.cut_type) : nullptr;
        return {false, set ? held(table_feed(*set, piece.removal)) : programmed};
    }
    if (piece.cutting) return {true, programmed};  // OPT-CUT ESCAPE: cutting pieces escape too
    switch (options.air) {
        case kAirKeep: return {false, programmed};
        case kAirEscape: return {true, programmed};
        case kAirMaxOptimised:
            return {false, tables.sets[0].used ? held(highest_table_feed(tables.sets[0])) : held(machine)};
        default: return {false, held(machine)};
    }
}

// ---- Removal per piece ----

Removal add_step(RemovalWindow& w, double area, double moment, double length, int direction, bool cutting) {
    w.newest = (w.newest + 1) % kRemovalWindow;
    const std::size_t n = std::size_t(w.newest);
    w.length[n] = std::max(length, 0.0);
    w.volume[n] = area * w.length[n];
    w.moment[n] = moment * w.length[n];
    w.filled = std::min(w.filled + 1, kRemovalWindow);
    if (!cutting) w.cut_type = -1;
    else if (direction >= 0) w.cut_type = direction;
    double volume = 0, moments = 0, travelled = 0;
    // Five steps of 0.1 sum to a hair below 0.5 in doubles: a sixth would count a second column.
    const double window = w.pitch * (1.0 - kTravelSlack);
    for (int k = 0; k < w.filled && (k == 0 || travelled < window); ++k) {
        const std::size_t i = std::size_t((w.newest - k + kRemovalWindow) % kRemovalWindow);
        volume += w.volume[i];
        moments += w.moment[i];
        travelled += w.length[i];
    }
    if (!(travelled > 0)) return {area, moment, cutting ? w.cut_type : -1};
    return {volume / travelled, moments / travelled, cutting ? w.cut_type : -1};
}

// ---- Clearance ----

double highest_along(const sim::Workpiece& wp, double ax, double ay, double bx, double by, double radius) {
    const sim::GridGeometry& g = wp.geometry;
    if (!wp.height.data) return -std::numeric_limits<double>::infinity();
    auto index = [&](double v, double origin, int last) {
        return std::clamp(int(std::floor((v - origin) / g.pitch)), 0, last);
    };
    const int i0 = index(std::min(ax, bx) - radius, g.origin_x, g.last_column);
    const int i1 = std::clamp(int(std::ceil((std::max(ax, bx) + radius - g.origin_x) / g.pitch)), 0, g.last_column);
    const int j0 = index(std::min(ay, by) - radius, g.origin_y, g.last_row);
    const int j1 = std::clamp(int(std::ceil((std::max(ay, by) + radius - g.origin_y) / g.pitch)), 0, g.last_row);
    const double dx = bx - ax, dy = by - ay, length2 = dx * dx + dy * dy;
    double highest = wp.work_bottom;
    for (int j = j0; j <= j1; ++j) {
        const double y = g.origin_y + j * g.pitch;
        for (int i = i0; i <= i1; ++i) {
            const double x = g.origin_x + i * g.pitch;
            const double t = length2 > 0 ? std::clamp(((x - ax) * dx + (y - ay) * dy) / length2, 0.0, 1.0) : 0.0;
            const double ex = x - (ax + t * dx), ey = y - (ay + t * dy);
            if (ex * ex + ey * ey > radius * radius) continue;
            highest = std::max(highest, double(wp.height.data[std::size_t(j) * std::size_t(g.nx) + std::size_t(i)]));
        }
    }
    return highest;
}

// ---- The writer ----

void begin_output(OptNcWriter& w, const Vec3& start) {
    w.pending = {};
    w.last_motion = w.last_plane = -1;
    w.last_feed = -1;
    w.retracted = false;
    w.position = start;
    put_start_code(w);
    put_g92(w, start);
}

void add_piece(OptNcWriter& w, const Piece& piece, const PieceFeed& feed) {
    OptNcWriter::Pending& p = w.pending;
    const bool merges = p.open && !piece.new_block && p.escape == feed.escape && p.feed == feed.feed &&
                        p.motion == piece.motion && !(is_arc(piece.motion) && piece.plane != p.plane);
    if (merges) {
        p.end = piece.end;
        p.last_line = piece.line;
    } else {
        flush(w);
        p = {true, feed.escape, piece.motion, piece.plane, w.position, piece.end, piece.centre,
             feed.feed, piece.programmed_feed, piece.line, piece.line};
    }
    w.position = piece.end;
}

void set_position(OptNcWriter& w, const Vec3& position) {
    flush(w);
    if (w.retracted) {  // the G92 names where the program has the tool: be there first
        OptNcWriter::Pending down;
        down.motion = kMotionRapid;
        down.start = w.position;
        come_back(w, down, kRapidFeed);
    }
    w.position = position;
    put_g92(w, position);
}

void end_output(OptNcWriter& w) {
    flush(w);
    put_start_code(w);
}

// ---- File names ----

std::string output_name(const std::string& nc_path, bool auto_name, std::string_view fixed_name,
                        std::string_view suffix) {
    if (!auto_name) return std::string(fixed_name);
    const auto slash = nc_path.rfind('/');
    const std::string title = slash == std::string::npos ? nc_path : nc_path.substr(slash + 1);
    const auto dot = title.find('.');
    return (dot == std::string::npos ? title + "." : title.substr(0, dot + 1)) + std::string(suffix);
}

// ---- Point-list program ----

std::string point_list_program(const std::vector<PickedPoint>& points, double start_height, int unit,
                               char start_code) {
    auto count = [unit](double v) { return static_cast<long long>(v * double(unit)); };  // truncated
    char line[128];
    std::string out;
    if (start_code != ' ') out += std::string(1, start_code) + "\n";
    std::snprintf(line, sizeof line, "G92X0Y0Z%lld\n", count(start_height));
    out += line;
    const std::size_t n = std::min(points.size(), kMaxPickedPoints);
    for (std::size_t k = 0; k < n; ++k) {
        const PickedPoint& p = points[k];
        const bool joined = k > 0 && points[k - 1].joined;
        if (joined) {
            std::snprintf(line, sizeof line, "X%lldY%lldZ%lld\n", count(p.x), count(p.y), count(p.z));
            out += line;
            continue;
        }
        if (k == 0) {
            std::snprintf(line, sizeof line, "G00X%lldY%lld\n", count(p.x), count(p.y));
            out += line;
        } else {
            std::snprintf(line, sizeof line, "G00Z%lld\nX%lldY%lld\n", count(start_height), count(p.x), count(p.y));
            out += line;
        }
        std::snprintf(line, sizeof line, "Z%lld\nG01X%lldY%lldZ%lld\n", count(double(p.z) + kPointApproach),
                      count(p.x), count(p.y), count(p.z));
        out += line;
    }
    std::snprintf(line, sizeof line, "G00Z%lld\nX0Y0\n", count(start_height));
    out += line;
    if (start_code != ' ') out += std::string(1, start_code) + "\n";
    return out;
}

}  // namespace vx::output
