// Text lines and binary records of the cut data.
#include "output/cut_data.h"

#include "sim/cutting_step.h"

#include <cstdio>
#include <cstring>
#include <type_traits>

namespace vx::output {
namespace {

// Flag bits of the first byte, then of the second.
constexpr std::uint8_t kToolChanged = 0x01, kLineChanged = 0x02, kMotionChanged = 0x04, kXChanged = 0x08,
                       kYChanged = 0x10, kZChanged = 0x20, kFeedChanged = 0x40, kCutTypeChanged = 0x80;
constexpr std::uint8_t kRemovalChanged = 0x01, kChosenChanged = 0x02;
constexpr std::uint8_t kInitialMotion = 92;  // so that the first record always carries its motion

constexpr char kCutLetters[4] = {'A', 'V', 'U', 'D'};

// Little-endian whatever the host: bytes taken from the value's integer representation.
template <class T>
void put_le(std::string& out, T value) {
    std::uint64_t bits = 0;
    static_assert(sizeof(T) <= sizeof bits);
    if constexpr (sizeof(T) == 4 && std::is_floating_point_v<T>) {
        std::uint32_t b;
        std::memcpy(&b, &value, 4);
        bits = b;
    } else {
        bits = std::uint64_t(std::make_unsigned_t<T>(value));
    }
    for (std::size_t k = 0; k < sizeof(T); ++k) out += char((bits >> (8 * k)) & 0xFF);
}

void put_start_code(CutDataWriter& w) {
    if (w.binary || w.start_code == ' ') return;
    w.bytes += w.start_code;
    w.bytes += '\n';
}

void put_header(CutDataWriter& w) {
    if (w.header_written) return;
    w.header_written = true;
    put_le(w.bytes, w.previous.x);
    put_le(w.bytes, w.previous.y);
    put_le(w.bytes, w.previous.z);
}

}  // namespace

void append_cut_text(std::string& out, const CutRecord& r, double x, double y, double z, double removal) {
    char head[64];
    if (r.motion == kMotionSpline) std::snprintf(head, sizeof head, "N%d(%04d)NURBS", int(r.line), int(r.piece));
    else std::snprintf(head, sizeof head, "N%d(%04d)G%02d", int(r.line), int(r.piece), int(r.motion));
    out += head;
    out += 'X';
    out += sim::fixed_text(x);
    out += 'Y';
    out += sim::fixed_text(y);
    out += 'Z';
    out += sim::fixed_text(z);
    if (r.cut_type > 3) {
        out += "(N)\n";
        return;
    }
    char feeds[48];
    std::snprintf(feeds, sizeof feeds, "F%d(%c", int(r.programmed_feed), kCutLetters[r.cut_type]);
    out += feeds;
    out += sim::fixed_text(removal);
    std::snprintf(feeds, sizeof feeds, "F%d)\n", int(r.chosen_feed));
    out += feeds;
}

void append_binary_record(std::string& out, CutRecord& previous, const CutRecord& r) {
    const CutRecord& p = previous;
    std::uint8_t first = 0, second = 0;
    if (r.tool != p.tool) first |= kToolChanged;
    if (r.line != p.line) first |= kLineChanged;
    if (r.motion != p.motion) first |= kMotionChanged;
    if (r.x != p.x) first |= kXChanged;  // floats compare exactly: a changed bit is a changed value
    if (r.y != p.y) first |= kYChanged;
    if (r.z != p.z) first |= kZChanged;
    if (r.programmed_feed != p.programmed_feed) first |= kFeedChanged;
    if (r.cut_type != p.cut_type) first |= kCutTypeChanged;
    if (r.removal != p.removal) second |= kRemovalChanged;
    if (r.chosen_feed != p.chosen_feed) second |= kChosenChanged;
    out += char(first);
    out += char(second);
    if (first & kToolChanged) put_le(out, r.tool);
    if (first & kLineChanged) put_le(out, r.line);
    if (first & kMotionChanged) put_le(out, r.motion);
    if (first & kXChanged) put_le(out, r.x);
    if (first & kYChanged) put_le(out, r.y);
    if (first & kZChanged) put_le(out, r.z);
    if (first & kFeedChanged) put_le(out, r.programmed_feed);
    if (first & kCutTypeChanged) put_le(out, r.cut_type);
    if (second & kRemovalChanged) put_le(out, r.removal);
    if (second & kChosenChanged) put_le(out, r.chosen_feed);
    previous = r;
}

void begin_cut_data(CutDataWriter& w, const Vec3& start, std::int16_t tool) {
    w.header_written = false;
    w.previous = CutRecord{};
    w.previous.tool = tool;
    w.previous.motion = kInitialMotion;
    w.previous.x = float(start.x), w.previous.y = float(start.y), w.previous.z = float(start.z);
    put_start_code(w);
}

void add_cut_record(CutDataWriter& w, const CutRecord& record, const Vec3& exact, double removal) {
    if (!w.binary) {
        append_cut_text(w.bytes, record, exact.x, exact.y, exact.z, removal);
        return;
    }
    put_header(w);
    append_binary_record(w.bytes, w.previous, record);
}

void cut_data_position(CutDataWriter& w, const Vec3& position) {
    if (w.binary) {
        w.previous.x = float(position.x), w.previous.y = float(position.y), w.previous.z = float(position.z);
        return;
    }
    w.bytes += "G92X" + sim::fixed_text(w.lathe ? 2.0 * position.x : position.x) + "Y" + sim::fixed_text(position.y) +
               "Z" + sim::fixed_text(position.z) + "\n";
}

void end_cut_data(CutDataWriter& w) {
    if (w.binary) put_header(w);
    put_start_code(w);
}

}  // namespace vx::output
