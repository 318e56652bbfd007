// The sound files' reader: the PCM it can play, whole frames only, and a reason for the rest.
#include "platform/wave.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace vx::platform {
namespace {

std::string le(std::uint32_t v, int bytes) {
    std::string s;
    for (int k = 0; k < bytes; ++k) s += char(v >> (8 * k) & 0xFF);
    return s;
}

std::string chunk(const std::string& id, const std::string& body, std::uint32_t claimed = UINT32_MAX) {
    return id + le(claimed == UINT32_MAX ? std::uint32_t(body.size()) : claimed, 4) + body + std::string(body.size() % 2, '\0');
}

std::string format(int tag, int channels, int rate, int bits) {
    return chunk("fmt ", le(tag, 2) + le(channels, 2) + le(rate, 4) + le(rate * channels * bits / 8, 4) +
                             le(channels * bits / 8, 2) + le(bits, 2));
}

std::string riff(const std::string& chunks) { return "RIFF" + le(std::uint32_t(chunks.size() + 4), 4) + "WAVE" + chunks; }

TEST(Wave, ReadsPcmAndRefusesTheRestWithAReason) {
    struct Case {
        const char* what;
        std::string bytes;
        std::int64_t frames;  // -1: refused
        std::string error;
    };
    const std::string samples(120, 'x');
    const std::vector<Case> cases{
        {"16-bit stereo", riff(format(1, 2, 44100, 16) + chunk("data", samples)), 30, ""},
        {"8-bit mono after an odd chunk and its pad byte", riff(chunk("LIST", "abc") + format(1, 1, 8000, 8) + chunk("data", samples)), 120, ""},
        {"data longer than the file: the whole frames there", riff(format(1, 2, 44100, 16) + chunk("data", samples, 1000)), 30, ""},
        {"a cut frame is left out", riff(format(1, 2, 44100, 16) + chunk("data", samples.substr(0, 113))), 28, ""},
        {"float samples", riff(format(3, 1, 44100, 32) + chunk("data", samples)), -1, "not 8- or 16-bit PCM"},
        {"24 bits", riff(format(1, 1, 44100, 24) + chunk("data", samples)), -1, "not 8- or 16-bit PCM"},
        {"no channels", riff(format(1, 0, 44100, 16) + chunk("data", samples)), -1, "not 8- or 16-bit PCM"},
        {"data first", riff(chunk("data", samples) + format(1, 1, 8000, 8)), -1, "the data comes before the format"},
        {"a chunk claiming 4 GB", riff(format(1, 1, 8000, 8) + chunk("junk", "ab", 0xFFFFFFF0u)), -1, "no data chunk"},
        {"no format", riff(chunk("LIST", "abcd")), -1, "no format chunk"},
        {"not RIFF", "RIFX" + le(4, 4) + "WAVE", -1, "not a RIFF WAVE file"},
        {"empty", "", -1, "not a RIFF WAVE file"},
    };
    for (const Case& c : cases) {
        std::string error;
        const auto wave = read_wave(c.bytes, &error);
        EXPECT_EQ(wave ? wave->frames() : -1, c.frames) << c.what;
        EXPECT_EQ(error, c.error) << c.what;
    }
}

}  // namespace
}  // namespace vx::platform
