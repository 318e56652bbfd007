// Step counts and positions, load evaluation, the optimisation hand-over and the requirement line.
#include "sim/cutting_step.h"

#include "platform/language.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace vx::sim {
namespace {

using platform::TextPair;

// ---- Constants ----

// A quotient that exceeds a whole number of steps by less than this is that number: 2.1 / 0.3
// is 7.000000000000001 in doubles, and a move of exactly k pitches must take k steps.
constexpr double kCountSlack = 1e-9;
// The fast run's sampling rounds up only from 0.01 of a step beyond a whole number.
constexpr double kSampleRounding = 0.99;
// A count beyond the int range saturates instead of overflowing the conversion.
constexpr double kMaxSteps = double(std::numeric_limits<int>::max());
// The margin added to every printed required length (mm).
constexpr double kRequiredMargin = 1.0;

// ---- User texts (placeholders "%W.Df" filled in order) ----

constexpr TextPair kTextLength{":突出=%8.3f以上", ":Length=%8.3f"};
constexpr TextPair kTextArborUndefined{":ARBOR未定義（算出不能） ", ":ARBOR not defined "};
constexpr TextPair kTextNeck{":首下=%7.3f or Lt=%7.3f以上", ":Lu=%7.3f or Lt=%7.3f"};
constexpr TextPair kTextNeckImpossible{":首下=%7.3f or Lt= NG", ":Lu=%7.3f or Lt= NG"};
constexpr TextPair kTextHeight{":刃長=%8.3f以上", ":Height=%8.3f"};
constexpr TextPair kTextTipWidth{":チップ幅=%8.3f以上", ":TipW=%8.3f"};
constexpr TextPair kTextCentreHeight{":中心高さ=%8.3f以上", ":CenterH=%8.3f"};
constexpr TextPair kTextNotVertical{":NOT VERTICAL（算出不能）", ":NOT VERTICAL "};
constexpr TextPair kTextStopOperation{" *警告*中断(操作)", " *Warning*STOP(Operation)"};
constexpr TextPair kTextStopOverload{" *警告*中断(過負荷)", " *Warning*STOP(Over Load)"};
constexpr TextPair kTextStopInterference{" *警告*中断(干渉など)", " *Warning*STOP(Interference etc)"};
constexpr TextPair kTextStopNcError{" *警告*中断(NCエラー)", " *Warning*STOP(NC Error)"};

constexpr int kOverloadCode = 7;       // alarm code of an overload
constexpr int kInterpreterBase = 100;  // end codes above are interpreter alarms

// Replaces each "%W.Df" of `format` by the next value; other text is copied.
std::string fill(std::string_view format, std::initializer_list<double> values) {
    std::string out;
    const double* next = values.begin();
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%' || next == values.end()) {
            out += format[i];
            continue;
        }
        int width = 0, decimals = 6;
        std::size_t j = i + 1;
        for (; j < format.size() && format[j] >= '0' && format[j] <= '9'; ++j) width = width * 10 + (format[j] - '0');
        if (j < format.size() && format[j] == '.') {
            decimals = 0;
            for (++j; j < format.size() && format[j] >= '0' && format[j] <= '9'; ++j)
                decimals = decimals * 10 + (format[j] - '0');
        }
        out += fixed_text(*next++, decimals, width);
        i = j;  // the 'f'
    }
    return out;
}

bool is_arc(int motion) { return motion == kMotionArcCw || motion == kMotionArcCcw; }

int saturate_count(double n) {
    if (!(n >= 1.0)) return 1;  // also NaN
    return n >= kMaxSteps ? std::numeric_limits<int>::max() : static_cast<int>(n);
}

// The quotient length / pitch, or NaN when the pitch cannot divide a move.
double pitches(double length, double move_pitch) {
    if (!(move_pitch > 0.0) || !std::isfinite(move_pitch)) return std::numeric_limits<double>::quiet_NaN();
    return length / move_pitch;
}

// ---- Load helpers ----

int limit_slot(int kind) { return kind == kLimitAreaLog ? 0 : kind == kLimitRateLog ? 1 : -1; }

// The limit entry of a step direction; a step without a direction counts as general.
int direction_entry(int step_direction) {
    return step_direction >= kStepGeneral && step_direction <= kStepDownCut ? step_direction : kStepGeneral;
}

std::string_view direction_suffix(int step_direction) {
    switch (step_direction) {
        case kStepVertical: return "(V)\n";
        case kStepUpCut: return "(U)\n";
        case kStepDownCut: return "(D)\n";
        default: return "(A)\n";
    }
}

// The log file of a kind, created on first use in the run; null when it cannot be.
std::FILE* limit_file(LimitLog& log, int kind) {
    const int slot = limit_slot(kind);
    if (slot < 0 || log.failed[slot]) return nullptr;
    if (!log.files[slot]) {
        const std::string path = log.folder + std::string(limit_log_name(kind));
        log.files[slot].reset(std::fopen(path.c_str(), "wb"));
        if (!log.files[slot]) log.failed[slot] = true;
    }
    return log.files[slot].get();
}

bool put(std::FILE* file, std::string_view text) {
    return file && std::fwrite(text.data(), 1, text.size(), file) == text.size();
}

// ---- Requirement helpers ----

std::string_view stop_text(const RunStop& stop) {
    if (stop.end_code == kOverloadCode) return platform::text(kTextStopOverload);
    if (stop.end_code > kInterpreterBase) return platform::text(kTextStopNcError);
    if (stop.end_code > 0) return platform::text(kTextStopInterference);
    if (stop.aborted) return platform::text(kTextStopOperation);
    return {};
}

void append_arbor(std::string& line, const Profile& p, const RequiredValues& r, int length_type) {
    if (p.has_holder || p.attachment_count > 0)
        line += fill(platform::text(kTextLength), {reported_protrusion(p, r, length_type) + kRequiredMargin});
    else
        line += platform::text(kTextArborUndefined);
    if (p.length_kind <= kLength1) return;
    if (r.second_length < 0.0)
        line += fill(platform::text(kTextNeckImpossible), {r.neck_length + kRequiredMargin});
    else
        line += fill(platform::text(kTextNeck), {r.neck_length + kRequiredMargin, r.second_length + kRequiredMargin});
}

// Tip width and centre height are printed as collected: the margin belongs to the lengths.
void append_chip(std::string& line, const Profile& p, const RequiredValues& r) {
    if (p.type == kToolVertical)
        line += fill(platform::text(kTextTipWidth), {r.tip_width});
    else if (p.type == kToolRadius)
        line += fill(platform::text(kTextCentreHeight), {r.centre_height});
    else
        line += platform::text(kTextNotVertical);
}

}  // namespace

// ---- Numbers in files ----

std::string fixed_text(double value, int decimals, int width) {
    char buffer[400];  // the largest double has 309 digits before the point
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed,
                                         std::clamp(decimals, 0, 60));
    std::string digits(buffer, ec == std::errc{} ? end : buffer);
    if (static_cast<int>(digits.size()) < width) digits.insert(0, std::size_t(width) - digits.size(), ' ');
    return digits;
}

void FileCloser::operator()(std::FILE* file) const {
    if (file) std::fclose(file);
}

// ---- Step count and sampling ----

int step_count(double length, double move_pitch) {
    return saturate_count(std::ceil(pitches(length, move_pitch) - kCountSlack));
}

int sampled_step_count(double length, double move_pitch) {
    return saturate_count(std::trunc(pitches(length, move_pitch) + kSampleRounding));
}

double step_length(double length, int n) { return length / double(std::max(n, 1)); }

Vec3 step_position(const MovePath& move, int k, int n) {
    n = std::max(n, 1);
    k = std::clamp(k, 0, n);
    if (k == n) return move.end;
    const double t = double(k) / double(n);
    if (!is_arc(move.motion)) {
        return {move.start.x + t * (move.end.x - move.start.x), move.start.y + t * (move.end.y - move.start.y),
                move.start.z + t * (move.end.z - move.start.z)};
    }
    const MovePath::Plane& pl = move.plane;
    // Counter-clockwise turns from the plane's first axis towards its second.
    const double turn = move.motion == kMotionArcCcw ? 1.0 : -1.0;
    const double angle = turn * move.sweep * t;
    const double radius = move.start_radius + t * (move.end_radius - move.start_radius);
    const double u1 = move.start_direction[pl.first], u2 = move.start_direction[pl.second];
    const double c = std::cos(angle), s = std::sin(angle);
    Vec3 p;
    p[pl.first] = move.centre[pl.first] + radius * (u1 * c - u2 * s);
    p[pl.second] = move.centre[pl.second] + radius * (u1 * s + u2 * c);
    p[pl.normal] = move.start[pl.normal] + t * (move.end[pl.normal] - move.start[pl.normal]);
    return p;
}

// ---- Load ----

EngagedValues engaged_values(double volume, double moment, double step_length) {
    if (!(step_length > 0.0)) return {};
    return {volume / step_length, moment / step_length};
}

std::string_view limit_log_name(int kind) {
    if (kind == kLimitAreaLog) return "limitp.txt";
    if (kind == kLimitRateLog) return "limitsp.txt";
    return {};
}

void begin_limit_log(LimitLog& log, std::string folder) {
    close_limit_log(log);
    log.folder = std::move(folder);
    log.failed = {};
    log.records = {};
}

void close_limit_log(LimitLog& log) {
    for (FilePtr& file : log.files) file.reset();
}

int write_limit_tool(LimitLog& log, const CurrentTool& tool) {
    if (limit_slot(tool.limit.kind) < 0) return 0;
    char text[32];
    std::snprintf(text, sizeof text, "T%02d\n", int(tool.number));
    return put(limit_file(log, tool.limit.kind), text) ? 1 : 0;
}

std::string limit_line(std::int32_t line, const Vec3& position, double value, int step_direction) {
    std::string out = std::to_string(line);
    out += ":X" + fixed_text(position.x) + "Y" + fixed_text(position.y) + "Z" + fixed_text(position.z);
    out += ":" + fixed_text(value);
    out += direction_suffix(step_direction);
    return out;
}

int evaluate_load(const CurrentTool& tool, const SweepResult& result, const LoadStep& step, Overload& overload,
                  LimitLog& log) {
    const int kind = tool.limit.kind;
    const bool area_kind = kind == kLimitArea || kind == kLimitAreaLog;
    const bool rate_kind = kind == kLimitRate || kind == kLimitRateLog;
    if (!area_kind && !rate_kind) return kLoadWithin;
    const int entry = direction_entry(result.step_direction);
    const double limit = tool.limit.values[std::size_t(entry)];
    if (!(limit > 0.0)) return kLoadWithin;
    const double area = engaged_values(result.volume, result.moment, step.step_length).area;
    const double value = area_kind ? area : step.feed * area / 60.0;
    if (!(value > limit)) return kLoadWithin;
    if (kind == kLimitArea || kind == kLimitRate) {
        if (!overload.recorded) overload = {true, tool.number, step.position, entry};
        return kLoadOverload;
    }
    if (put(limit_file(log, kind), limit_line(step.line, step.position, value, entry))) ++log.records[limit_slot(kind)];
    return kLoadLogged;
}

// ---- Optimisation hand-over ----

OptimiseStep optimise_step(const SweepResult& result, double step_length) {
    const EngagedValues e = engaged_values(result.volume, result.moment, step_length);
    return {e.area, e.moment, result.step_direction, result.changed || result.rapid_state > 0 ? 1 : 0};
}

void hand_over_step(const OptimiseSink& sink, const SweepResult& result, double step_length) {
    if (sink.step) sink.step(sink.context, optimise_step(result, step_length));
}

// ---- Requirement report ----

double reported_protrusion(const Profile& p, const RequiredValues& r, int length_type) {
    double protrusion = r.protrusion;
    if (!(p.has_holder || p.attachment_count > 0)) return protrusion;
    if (p.length_kind != kLength2 && p.length_kind != kLength3) return protrusion;
    if (length_type == 1) {
        const double neck = p.length_kind == kLength2 ? p.L3 : p.neck_top;
        protrusion = std::max(protrusion, r.neck_length + neck);
    } else if (length_type == 4) {
        protrusion = std::max(protrusion, r.neck_length);
    }
    return protrusion;
}

std::string requirement_line(const CurrentTool& tool, bool temporary_tool, const RequiredValues& required,
                             const Checks& checks, const RunStop& stop) {
    std::string line;
    if (temporary_tool) {
        line = "TMP:";
    } else {
        char number[32];
        std::snprintf(number, sizeof number, "T%02d:", int(tool.number));
        line = number;
    }
    line += tool_type_name(&tool.tool);
    if (computes(checks.arbor)) append_arbor(line, tool.profile, required, checks.length_type);
    if (computes(checks.height)) line += fill(platform::text(kTextHeight), {required.blade_length + kRequiredMargin});
    if (computes(checks.chip)) append_chip(line, tool.profile, required);
    line += stop_text(stop);
    return line;
}

int write_requirement_line(std::FILE* file, const CurrentTool& tool, bool temporary_tool, RequiredValues& required,
                           const Checks& checks, const RunStop& stop) {
    if (!computes_any(checks)) return 0;
    if (file) put(file, requirement_line(tool, temporary_tool, required, checks, stop) + "\n");
    required = RequiredValues{};
    return 1;
}

}  // namespace vx::sim
