// The ".wav" files of the machining sounds: RIFF WAVE with PCM samples of 8 or 16 bits. The
// reader takes any bytes; what it cannot play it refuses with the reason.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vx::platform {

struct Wave {
    int channels = 0;      // 1..8
    int rate = 0;          // frames per second
    int bits = 0;          // 8 (unsigned) or 16 (signed little-endian)
    std::vector<std::uint8_t> samples;  // whole frames, interleaved
    std::int64_t frames() const { return std::int64_t(samples.size()) / (channels * bits / 8); }
};

// The PCM data of a RIFF WAVE file; nullopt with `*error` saying what is wrong otherwise. A data
// chunk longer than the file is cut to the frames that are there.
std::optional<Wave> read_wave(std::string_view bytes, std::string* error = nullptr);

}  // namespace vx::platform
