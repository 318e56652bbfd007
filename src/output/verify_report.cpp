#include "output/verify_report.h"

#include "base/constants.h"
#include "platform/language.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cmath>
#include <cstdio>

namespace vx::output {
namespace {

using platform::TextPair;

constexpr std::uint64_t kFourGiB = 1ull << 32;  // sizes from here on are written without a width
constexpr int kFirstWorkOffset = 54;            // G54 is work offset number 1
constexpr int kWorkCodes = 6;                   // G54..G59

// ---- Number formats ----

// Figures beyond an int (a program of absurd feeds) are held at its range rather than overflow.
int truncated(double v) {
    constexpr double kLimit = 2147483647.0;
    return v != v ? 0 : int(std::clamp(v, -kLimit, kLimit));
}
int rounded(double v) { return truncated(v + 0.5); }  // add 0.5, truncate
long long sum_rounded(double a, double b) { return static_cast<long long>(rounded(a)) + rounded(b); }  // each part rounded

template <typename... Args>
void put(std::string& out, const char* format, Args... args) {
    char text[128];
    const int n = std::snprintf(text, sizeof text, format, args...);
    if (n > 0) out.append(text, std::size_t(std::min(n, int(sizeof text) - 1)));
}

void put_hms(std::string& out, double seconds) {
    const int s = rounded(seconds);
    put(out, " %02d:%02d:%02d", s / 3600, s / 60 % 60, s % 60);  // %02d widens by itself from 100 h
}

void put_point(std::string& out, const Vec3& p) { put(out, "(%9.3f,%9.3f,%9.3f)", p.x, p.y, p.z); }

// ---- What the variables print ----

struct Context {
    const ReportData& data;
    const nc::DataCheck& check;
    const nc::MachiningTime& time;
    std::array<bool, nc::kUsedCodes> used_g;  // $GCODEW takes G54..G59 off
};

template <std::size_t N>
void put_codes(std::string& out, const std::array<bool, N>& used, int first, int last) {
    bool any = false;
    for (int n = first; n <= last && n < int(N); ++n) {
        if (!used[std::size_t(n)]) continue;
        put(out, any ? ",%02d" : "%02d", n);
        any = true;
    }
    if (!any) out += "None";
}

void put_work_codes(std::string& out, Context& c) {
    std::array<bool, nc::kUsedCodes> work{};
    for (int g = kFirstWorkOffset; g < kFirstWorkOffset + kWorkCodes; ++g) {
        work[std::size_t(g)] = c.used_g[std::size_t(g)];
        c.used_g[std::size_t(g)] = false;
    }
    put_codes(out, work, kFirstWorkOffset, kFirstWorkOffset + kWorkCodes - 1);
}

void put_tool_columns(std::string& out, int sequence, int tool) {
    put(out, tool >= 100 ? "%3d | T%3d |" : "%3d | T%02d  |", sequence, tool);
}

void put_tool_times(std::string& out, const Context& c, bool summary) {
    int sequence = 0;
    for (const nc::ToolTime& t : c.time.tools) {
        if (!nc::tool_used(t)) continue;
        put_tool_columns(out, ++sequence, t.tool);
        if (summary) put(out, " %8d | %8d |", rounded(t.cutting_length), rounded(t.length));
        put_hms(out, t.time);
        out += '\n';
    }
}

// The extents of the first (`second` false) or second record, less the external offset (`less`).
double extent(const Context& c, bool max, int axis, bool second, bool less) {
    const nc::Extents& e = second ? c.check.feed : c.check.all;
    const double v = max ? e.max[axis] : e.min[axis];
    const Vec3 external = c.data.work_offsets.empty() ? Vec3{} : c.data.work_offsets[0];
    return less ? v - external[axis] : v;
}

// The feed extremes start where the data check starts them: no feed move leaves them there.
double max_feed(const nc::MachiningTime& t, bool cutting) {
    if (t.max_feed <= 0) return -nc::kNoExtent;
    return cutting ? t.max_cutting_feed : t.max_feed;
}
double min_feed(const nc::MachiningTime& t) { return t.max_feed <= 0 ? nc::kNoExtent : t.min_feed; }

enum class Var {
    DCode, HCode, TCode, GCodeW, GCode, MCode, Nc, Ttl, Ctl, Mtl,
    LenR, LenF, Len1, Len2, Len, EpInfo, EpSummary,
    TimeR, TimeF, Time1, Time2, Time, TimR, TimF, Tim1, Tim2, Tim,
    Extent, MaxS, MaxF2, MaxF, MinF, RapidFeedrate, RapidF, Size, Lines, ExOfs, Volume,
};

struct Name {
    std::string_view text;
    Var var;
    int arg = 0;  // Extent: max (4) + second record (2) + less the external offset (1), axis * 8; RapidF: axis
};

constexpr int kMax = 4, kSecond = 2, kLess = 1;
constexpr int extent_arg(bool max, int axis, bool second, bool less) {
    return (max ? kMax : 0) + (second ? kSecond : 0) + (less ? kLess : 0) + axis * 8;
}

// In the order they are tried: a name before every name that is its prefix.
constexpr Name kNames[] = {
    {"DCODE", Var::DCode}, {"HCODE", Var::HCode}, {"TCODE", Var::TCode}, {"GCODEW", Var::GCodeW},
    {"GCODE", Var::GCode}, {"MCODE", Var::MCode}, {"NC", Var::Nc}, {"TTL", Var::Ttl}, {"CTL", Var::Ctl},
    {"MTL", Var::Mtl}, {"LENR", Var::LenR}, {"LENF", Var::LenF}, {"LEN1", Var::Len1}, {"LEN2", Var::Len2},
    {"LEN", Var::Len}, {"EP_INFO", Var::EpInfo}, {"EP_SUMMERY", Var::EpSummary}, {"TIMER", Var::TimeR},
    {"TIMEF", Var::TimeF}, {"TIME1", Var::Time1}, {"TIME2", Var::Time2}, {"TIME", Var::Time},
    {"TIMR", Var::TimR}, {"TIMF", Var::TimF}, {"TIM1", Var::Tim1}, {"TIM2", Var::Tim2}, {"TIM", Var::Tim},
    {"MAXX2E", Var::Extent, extent_arg(true, 0, true, true)}, {"MAXX2", Var::Extent, extent_arg(true, 0, true, false)},
    {"MAXXE", Var::Extent, extent_arg(true, 0, false, true)}, {"MAXX", Var::Extent, extent_arg(true, 0, false, false)},
    {"MAXY2E", Var::Extent, extent_arg(true, 1, true, true)}, {"MAXY2", Var::Extent, extent_arg(true, 1, true, false)},
    {"MAXYE", Var::Extent, extent_arg(true, 1, false, true)}, {"MAXY", Var::Extent, extent_arg(true, 1, false, false)},
    {"MAXZ2E", Var::Extent, extent_arg(true, 2, true, true)}, {"MAXZ2", Var::Extent, extent_arg(true, 2, true, false)},
    {"MAXZE", Var::Extent, extent_arg(true, 2, false, true)}, {"MAXZ", Var::Extent, extent_arg(true, 2, false, false)},
    {"MAXS", Var::MaxS},
    {"MINX2E", Var::Extent, extent_arg(false, 0, true, true)}, {"MINX2", Var::Extent, extent_arg(false, 0, true, false)},
    {"MINXE", Var::Extent, extent_arg(false, 0, false, true)}, {"MINX", Var::Extent, extent_arg(false, 0, false, false)},
    {"MINY2E", Var::Extent, extent_arg(false, 1, true, true)}, {"MINY2", Var::Extent, extent_arg(false, 1, true, false)},
    {"MINYE", Var::Extent, extent_arg(false, 1, false, true)}, {"MINY", Var::Extent, extent_arg(false, 1, false, false)},
    {"MINZ2E", Var::Extent, extent_arg(false, 2, true, true)}, {"MINZ2", Var::Extent, extent_arg(false, 2, true, false)},
    {"MINZE", Var::Extent, extent_arg(false, 2, false, true)}, {"MINZ", Var::Extent, extent_arg(false, 2, false, false)},
    {"MAXF2", Var::MaxF2}, {"MAXF", Var::MaxF}, {"MINF", Var::MinF}, {"RAPIDFEEDRATE", Var::RapidFeedrate},
    {"RAPIDFX", Var::RapidF, 0}, {"RAPIDFY", Var::RapidF, 1}, {"RAPIDFZ", Var::RapidF, 2},
    {"SIZE", Var::Size}, {"LINES", Var::Lines}, {"EXOFS", Var::ExOfs}, {"VOLUME", Var::Volume},
};

void put_value(std::string& out, Context& c, const Name& name) {
    const nc::MachiningTime& t = c.time;
    const nc::DataCheck& k = c.check;
    switch (name.var) {
    case Var::DCode: put_codes(out, k.used_d, 1, 999); break;
    case Var::HCode: put_codes(out, k.used_h, 1, 999); break;
    case Var::TCode: put_codes(out, k.used_t, 1, c.data.highest_tool); break;
    case Var::GCodeW: put_work_codes(out, c); break;
    case Var::GCode: put_codes(out, c.used_g, 0, nc::kUsedCodes - 1); break;
    case Var::MCode: put_codes(out, k.used_m, 0, nc::kUsedCodes - 1); break;
    case Var::Nc: out += c.data.nc_path; break;
    case Var::Ttl: out += c.data.ttl_path; break;
    case Var::Ctl: out += c.data.ctl_path; break;
    case Var::Mtl: out += c.data.mtl_path; break;
    case Var::LenR: put(out, "%7d", rounded(t.rapid_class_length)); break;
    case Var::LenF: put(out, "%7d", rounded(t.cutting_length)); break;
    case Var::Len1: put(out, "%7d", rounded(t.rapid_length)); break;
    case Var::Len2: put(out, "%7d", rounded(t.feed_length)); break;
    case Var::Len: put(out, "%7lld", sum_rounded(t.rapid_length, t.feed_length)); break;
    case Var::EpInfo: put_tool_times(out, c, false); break;
    case Var::EpSummary: put_tool_times(out, c, true); break;
    case Var::TimeR: put(out, "%7d", rounded(t.rapid_class_time)); break;
    case Var::TimeF: put(out, "%7d", rounded(t.cutting_time)); break;
    case Var::Time1: put(out, "%7d", rounded(t.rapid_time)); break;
    case Var::Time2: put(out, "%7d", rounded(t.feed_time)); break;
    case Var::Time: put(out, "%7lld", sum_rounded(t.feed_time, t.rapid_time)); break;
    case Var::TimR: put_hms(out, t.rapid_class_time); break;
    case Var::TimF: put_hms(out, t.cutting_time); break;
    case Var::Tim1: put_hms(out, t.rapid_time); break;
    case Var::Tim2: put_hms(out, t.feed_time); break;
    case Var::Tim: put_hms(out, t.feed_time + t.rapid_time); break;
    case Var::Extent:
        put(out, "%9.3f", extent(c, name.arg & kMax, name.arg / 8, name.arg & kSecond, name.arg & kLess));
        break;
    case Var::MaxS: put(out, "%8d", k.max_spindle); break;
    case Var::MaxF2: put(out, "%7d", truncated(max_feed(t, true))); break;
    case Var::MaxF: put(out, "%7d", truncated(max_feed(t, false))); break;
    case Var::MinF: put(out, "%7d", truncated(min_feed(t))); break;
    case Var::RapidFeedrate:
        if (c.data.rapid_feedrate == kRapidFeedrateNone) out += "NO";
        else put(out, "%7d", truncated(c.data.rapid_feedrate));
        break;
    case Var::RapidF: put(out, "%7d", truncated(c.data.machine_rapid[std::size_t(name.arg)])); break;
    case Var::Size:
        put(out, c.data.nc_size >= kFourGiB ? "%llu" : "%9llu", static_cast<unsigned long long>(c.data.nc_size));
        break;
    case Var::Lines: put(out, "%8d", k.lines); break;
    case Var::ExOfs: put_point(out, c.data.work_offsets.empty() ? Vec3{} : c.data.work_offsets[0]); break;
    case Var::Volume: put(out, "%.3f", c.data.volume); break;
    }
}

// ---- Matching ----

bool starts_with_name(std::string_view text, std::string_view name) {
    if (text.size() < name.size()) return false;
    for (std::size_t i = 0; i < name.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(text[i])) != name[i]) return false;
    return true;
}

bool digit(char ch) { return ch >= '0' && ch <= '9'; }

constexpr std::size_t kNumberedLength = 5;  // "$G54" and the character after it, "$WK07"

// $G5n and $WKnn: the characters consumed (5), or 0 when `rest` (after the "$") is neither.
std::size_t numbered_offset(std::string_view rest, const Context& c, std::string& out) {
    const std::span<const Vec3> work = c.data.work_offsets;
    if (starts_with_name(rest, "G5") && rest.size() > 2 && digit(rest[2])) {
        const int n = rest[2] - '0';
        if (n >= 4 && std::size_t(n - 3) < work.size()) put_point(out, work[std::size_t(n - 3)]);
        return kNumberedLength;
    }
    if (starts_with_name(rest, "WK") && rest.size() > 3 && digit(rest[2]) && digit(rest[3])) {
        const std::size_t n = std::size_t((rest[2] - '0') * 10 + (rest[3] - '0'));
        if (n < work.size()) put_point(out, work[n]);
        return kNumberedLength;
    }
    return 0;
}

// The variable at `text` (which starts with "$"): its value into `out`; the characters consumed.
// `ended_on_name` tells that the consumed text was a variable name.
std::size_t expand_variable(std::string_view text, Context& c, std::string& out, bool& ended_on_name) {
    const std::string_view rest = text.substr(1);
    ended_on_name = true;
    for (const Name& name : kNames) {
        if (!starts_with_name(rest, name.text)) continue;
        put_value(out, c, name);
        return 1 + name.text.size();
    }
    if (const std::size_t n = numbered_offset(rest, c, out)) return std::min(n, text.size());
    ended_on_name = false;
    return std::min<std::size_t>(2, text.size());  // an unknown "$x" writes nothing
}

// One piece of the template as it is read: a line with its line end, or kTemplateLine bytes.
void expand_piece(std::string_view piece, Context& c, std::string& out) {
    bool after_name = false;
    std::size_t i = 0;
    while (i < piece.size()) {
        const std::size_t dollar = piece.find('$', i);
        if (dollar == std::string_view::npos) {
            out.append(piece.substr(i));
            return;
        }
        out.append(piece.substr(i, dollar - i));
        i = dollar + expand_variable(piece.substr(dollar), c, out, after_name);
        after_name = after_name && i == piece.size();
    }
    if (after_name) out += '\n';  // the piece ended right after a variable
}

// ---- Names ----

constexpr std::string_view kFixedName = "verify.";
constexpr std::string_view kAutoInfix = "_verify.";

// ---- The built-in report ----

constexpr TextPair kTextTitle{"<<< \"%s\" の加工情報出力 >>>\n", "<<< \"%s\" Cutting Information >>>\n"};
constexpr TextPair kTextNoTemplate{"※:\"verify_form.def\"が見つかりません。一部適当に出力しておきます。\n",
                                   "※:\"verify_form.def\" is not found.\n"};
constexpr TextPair kTextRapidLength{"早送り長さ:%7d\n", "Length of Rapid Path:%7d\n"};
constexpr TextPair kTextFeedLength{"切削送り長さ:%7d\n", "Length of Feed Path:%7d\n"};
constexpr TextPair kTextTime{"全加工時間:%7d\n", "Time:%7d\n"};
constexpr TextPair kTextMaximum{"最大 X:%9.3f ,Y:%9.3f ,Z:%9.3f\n", "Maximum X:%9.3f ,Y:%9.3f ,Z:%9.3f\n"};
constexpr TextPair kTextMinimum{"最小 X:%9.3f ,Y:%9.3f ,Z:%9.3f\n", "Minimum X:%9.3f ,Y:%9.3f ,Z:%9.3f\n"};

std::string format_text(const TextPair& pair) { return std::string(platform::text(pair)); }

}  // namespace

std::string hms(double seconds) {
    std::string out;
    put_hms(out, seconds);
    return out;
}

std::string report_path(const ReportNaming& naming, const std::string& nc_path) {
    if (!naming.auto_name) return naming.dir + std::string(kFixedName) + naming.suffix;
    const std::size_t slash = nc_path.rfind('/');
    const std::size_t dot = nc_path.rfind('.');
    const bool has_extension = dot != std::string::npos && (slash == std::string::npos || dot > slash);
    const std::string stem = has_extension ? nc_path.substr(0, dot) : nc_path;
    return stem + std::string(kAutoInfix) + naming.suffix;
}

std::string expand_template(std::string_view text, const ReportData& data) {
    Context c{data, *data.check, data.check->time, data.check->used_g};
    std::string out;
    out.reserve(text.size() * 2);
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::size_t size = std::min(end == std::string_view::npos ? text.size() : end + 1, kTemplateLine);
        expand_piece(text.substr(0, size), c, out);
        text.remove_prefix(size);
    }
    return out;
}

std::string fixed_report(const ReportData& data) {
    const nc::MachiningTime& t = data.check->time;
    const nc::Extents& e = data.check->all;
    std::string out;
    out.reserve(512);
    // The path is text of any length: it is not squeezed through the number buffer.
    const std::string title = format_text(kTextTitle);
    const std::size_t at = title.find("%s");
    out += title.substr(0, at) + data.nc_path + title.substr(at + 2);
    out += platform::text(kTextNoTemplate);
    put(out, format_text(kTextRapidLength).c_str(), rounded(t.rapid_length));
    put(out, format_text(kTextFeedLength).c_str(), rounded(t.feed_length));
    put(out, format_text(kTextTime).c_str(), int(std::clamp<long long>(sum_rounded(t.feed_time, t.rapid_time), 0, INT_MAX)));
    put(out, format_text(kTextMaximum).c_str(), e.max.x, e.max.y, e.max.z);
    put(out, format_text(kTextMinimum).c_str(), e.min.x, e.min.y, e.min.z);
    return out;
}

}  // namespace vx::output
