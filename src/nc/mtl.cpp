#include "nc/mtl.h"

#include "base/text.h"
#include "platform/files.h"

#include <optional>

namespace vx::nc {

namespace {

// ---- Line syntax ----

bool starts_with_nocase(std::string_view line, std::string_view key) {
    if (line.size() < key.size()) return false;
    return equals_nocase(line.substr(0, key.size()), key);
}

// The text behind a key with its blanks and "=" skipped.
std::string_view value_behind(std::string_view line, std::size_t key_length) {
    std::size_t i = key_length;
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '=')) ++i;
    return line.substr(i);
}

// The number behind a key; no number reads as 0, as the file format says.
double number_behind(std::string_view line, std::size_t key_length) {
    return read_number(from_number(line.substr(key_length)));
}

// ---- Keys with one value per axis ----

struct AxisKey {
    std::string_view key;
    std::array<double, 3> Mtl::*field;
    int axis;  // -1: all three
};

// In this order so that a key that begins another (MAXIMUM FEEDRATE) is tried after it.
constexpr AxisKey kAxisKeys[] = {
    {"RAPID(X)", &Mtl::rapid, 0},
    {"RAPID(Y)", &Mtl::rapid, 1},
    {"RAPID(Z)", &Mtl::rapid, 2},
    {"RAPID ACCELERATION(X)", &Mtl::rapid_acceleration, 0},
    {"RAPID ACCELERATION(Y)", &Mtl::rapid_acceleration, 1},
    {"RAPID ACCELERATION(Z)", &Mtl::rapid_acceleration, 2},
    {"MAXIMUM FEEDRATE(X)", &Mtl::max_feed, 0},
    {"MAXIMUM FEEDRATE(Y)", &Mtl::max_feed, 1},
    {"MAXIMUM FEEDRATE(Z)", &Mtl::max_feed, 2},
    {"MAXIMUM FEEDRATE", &Mtl::max_feed, -1},
    {"ACCELERATION(X)", &Mtl::acceleration, 0},
    {"ACCELERATION(Y)", &Mtl::acceleration, 1},
    {"ACCELERATION(Z)", &Mtl::acceleration, 2},
    {"MAXIMUM ACCELERATION(X)", &Mtl::acceleration, 0},
    {"MAXIMUM ACCELERATION(Y)", &Mtl::acceleration, 1},
    {"MAXIMUM ACCELERATION(Z)", &Mtl::acceleration, 2},
};

bool apply_axis_key(std::string_view line, Mtl& mtl) {
    for (const AxisKey& k : kAxisKeys) {
        if (!starts_with_nocase(line, k.key)) continue;
        double v = number_behind(line, k.key.size());
        std::array<double, 3>& field = mtl.*k.field;
        if (k.axis < 0)
            field = {v, v, v};
        else
            field[std::size_t(k.axis)] = v;
        return true;
    }
    return false;
}

// ---- ATC TYPE ----

void apply_atc_type(std::string_view value, Mtl& mtl) {
    if (keyword_is(value, "DIRECT")) {
        mtl.atc_type = kAtcDirect;
        std::string_view rest = value.substr(6);
        std::size_t t = rest.find_first_of("Tt");
        if (t == std::string_view::npos) return;
        rest = rest.substr(t + 1);
        std::size_t comma = rest.find(',');
        if (comma == std::string_view::npos) return;
        mtl.combined_t = true;
        mtl.combined_first = read_int(from_number(rest));
        int digits = read_int(from_number(rest.substr(comma + 1)));
        // 10^digits must stay inside an int T word; more digits than that mean "all offset".
        mtl.offset_digits = digits < 0 ? 0 : digits > 9 ? 9 : digits;
    } else if (keyword_is(value, "WAIT2")) {
        mtl.atc_type = kAtcWait2;
    } else if (keyword_is(value, "WAIT")) {
        mtl.atc_type = kAtcWait;
    }
}

// ---- ATTACHMENT ----

// "ATTACHMENT n=SQUARE a1,b1,a2,b2,...": pairs until five are read or a first value is 0.
void read_attachment(std::string_view line, MtlAttachment& a) {
    constexpr std::size_t kKey = 10;  // "ATTACHMENT"
    std::string_view rest = line.size() > kKey + 1 ? line.substr(kKey + 1) : std::string_view{};
    a.number = read_int(rest);
    std::size_t i = 0;
    while (i < rest.size() && (rest[i] == '-' || rest[i] == '+' || (rest[i] >= '0' && rest[i] <= '9'))) ++i;
    while (i < rest.size() && (rest[i] == ' ' || rest[i] == '\t' || rest[i] == '=')) ++i;
    rest = rest.substr(i);
    if (!keyword_is(rest, "SQUARE")) return;
    a.square = true;
    rest = rest.substr(6);
    bool first = true;
    auto next_value = [&rest, &first]() {
        if (!first) {
            std::size_t comma = rest.find(',');
            rest = comma == std::string_view::npos ? std::string_view{} : rest.substr(comma + 1);
        }
        first = false;
        return float(read_number(from_number(rest)));
    };
    int count = 0;
    while (count < kAttachmentSteps && !rest.empty()) {
        float width = next_value();
        if (width == 0.0f) break;
        float height = next_value();
        a.shape.steps[std::size_t(count)] = {width, height};
        ++count;
    }
    a.shape.count = count;
}

// ---- One line ----

// 1 to go on, 0 when the line ends the reading of the file.
int apply_line(std::string_view line, Mtl& mtl, const MtlNameHook& hook) {
    if (starts_with_nocase(line, "NAME")) {
        std::string_view v = value_behind(line, 4);
        while (!v.empty() && (v.back() == ' ' || v.back() == '\t')) v.remove_suffix(1);
        mtl.name.assign(v);
        if (hook.name) hook.name(hook.context, mtl.name);
    } else if (starts_with_nocase(line, "ATC TYPE")) {
        apply_atc_type(value_behind(line, 8), mtl);
    } else if (starts_with_nocase(line, "TOOL CHANGE TIME")) {
        mtl.tool_change_time = number_behind(line, 16);
    } else if (apply_axis_key(line, mtl)) {
    } else if (starts_with_nocase(line, "INI")) {
        std::string_view v = value_behind(line, 3);
        if (keyword_is(v, "ATTACHMENT")) mtl.initial_attachment = read_int(from_number(v.substr(10)));
    } else if (starts_with_nocase(line, "ATTACHMENT")) {
        if (mtl.attachment_count >= kMaxAttachments) return 0;
        MtlAttachment& a = mtl.attachments[std::size_t(mtl.attachment_count++)];
        a = {};
        read_attachment(line, a);
    }
    return 1;
}

}  // namespace

// ---- Loading ----

void parse_mtl(std::string_view bytes, Mtl& mtl, const MtlNameHook& hook) {
    mtl.atc_type = kAtcDirect;
    mtl.combined_t = false;
    mtl.combined_first = 0;
    mtl.offset_digits = 0;
    mtl.attachment_count = 0;
    mtl.initial_attachment = 0;
    mtl.attachments = {};
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        std::size_t end = bytes.find('\n', pos);
        if (end == std::string_view::npos) end = bytes.size();
        std::string_view line = bytes.substr(pos, end - pos);
        pos = end + 1;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.size() > kMaxMtlLine) line = line.substr(0, kMaxMtlLine);
        if (apply_line(line, mtl, hook) == 0) break;
    }
}

int load_mtl(const std::string& path, Mtl& mtl, const MtlNameHook& hook) {
    std::optional<std::string> found = platform::find_file(platform::slashes(path));
    std::optional<std::string> bytes = found ? platform::read_file(*found) : std::nullopt;
    if (!bytes) {
        mtl.load_state = -1;
        return 0;
    }
    parse_mtl(*bytes, mtl, hook);
    mtl.path = *found;
    mtl.file_time = platform::file_time(*found);
    mtl.load_state = 1;
    return 1;
}

bool mtl_file_changed(const Mtl& mtl) {
    if (mtl.path.empty()) return false;
    return platform::file_time(mtl.path) != mtl.file_time;
}

// ---- Attachments ----

const AttachmentShape* find_attachment(const Mtl& mtl, int n) {
    for (int i = 0; i < mtl.attachment_count; ++i)
        if (mtl.attachments[std::size_t(i)].number == n) return &mtl.attachments[std::size_t(i)].shape;
    return nullptr;
}

const AttachmentShape* initial_attachment(const Mtl& mtl) {
    int k = mtl.initial_attachment;
    if (k < 1 || k > mtl.attachment_count) return nullptr;
    return &mtl.attachments[std::size_t(k - 1)].shape;
}

}  // namespace vx::nc
