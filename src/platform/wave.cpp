#include "platform/wave.h"

#include <cstring>

namespace vx::platform {
namespace {

constexpr std::size_t kRiffHeader = 12;   // "RIFF", size, "WAVE"
constexpr std::size_t kChunkHeader = 8;   // id, size
constexpr std::size_t kFormatSize = 16;   // the PCM part of "fmt "
constexpr std::uint16_t kPcm = 1;
constexpr int kMaxChannels = 8;
constexpr int kMinRate = 1000, kMaxRate = 384000;

std::uint32_t u32(std::string_view b, std::size_t at) {
    return std::uint32_t(std::uint8_t(b[at])) | std::uint32_t(std::uint8_t(b[at + 1])) << 8 |
           std::uint32_t(std::uint8_t(b[at + 2])) << 16 | std::uint32_t(std::uint8_t(b[at + 3])) << 24;
}
std::uint16_t u16(std::string_view b, std::size_t at) {
    return std::uint16_t(std::uint8_t(b[at]) | std::uint8_t(b[at + 1]) << 8);
}

std::optional<Wave> fail(std::string* error, const char* what) {
    if (error) *error = what;
    return std::nullopt;
}

// The format chunk's numbers; false for anything but 8- or 16-bit PCM in a sane range.
bool read_format(std::string_view chunk, Wave& w) {
    if (chunk.size() < kFormatSize || u16(chunk, 0) != kPcm) return false;
    w.channels = u16(chunk, 2);
    w.rate = int(u32(chunk, 4));
    w.bits = u16(chunk, 14);
    return w.channels >= 1 && w.channels <= kMaxChannels && w.rate >= kMinRate && w.rate <= kMaxRate &&
           (w.bits == 8 || w.bits == 16);
}

}  // namespace

std::optional<Wave> read_wave(std::string_view b, std::string* error) {
    if (b.size() < kRiffHeader || b.substr(0, 4) != "RIFF" || b.substr(8, 4) != "WAVE")
        return fail(error, "not a RIFF WAVE file");
    Wave w;
    bool have_format = false;
    for (std::size_t at = kRiffHeader; b.size() - at >= kChunkHeader;) {
        const std::string_view id = b.substr(at, 4);
        const std::size_t size = u32(b, at + 4);
        const std::size_t body = at + kChunkHeader;
        const std::size_t available = std::min(size, b.size() - body);
        if (id == "fmt ") {
            if (!read_format(b.substr(body, available), w)) return fail(error, "not 8- or 16-bit PCM");
            have_format = true;
        } else if (id == "data") {
            if (!have_format) return fail(error, "the data comes before the format");
            const std::size_t frame = std::size_t(w.channels) * std::size_t(w.bits / 8);
            const std::size_t whole = available / frame * frame;
            const auto* p = reinterpret_cast<const std::uint8_t*>(b.data() + body);
            w.samples.assign(p, p + whole);
            return w;
        }
        if (size > b.size() - body) break;
        at = body + size + (size & 1);  // chunks are padded to an even length
    }
    return fail(error, have_format ? "no data chunk" : "no format chunk");
}

}  // namespace vx::platform
