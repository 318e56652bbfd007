// Any bytes as the framing of a compressed workpiece file: the decoder must refuse or give exactly
// the size the header claims, never read past the data, and what it gives must survive a round
// trip through the encoder.
#include "work/dmfz.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

namespace {

// Small enough that a size the input makes up is refused rather than decoded for long.
constexpr std::uint64_t kLargestClaim = std::uint64_t{16} << 20;

std::uint64_t claimed_total(const std::string& bytes) {
    std::uint64_t total;
    std::memcpy(&total, bytes.data() + 8, sizeof total);
    return total;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string framed(reinterpret_cast<const char*>(data), size);
    std::string plain;
    if (vx::work::decompress_framed(framed, plain, kLargestClaim) != vx::work::FramingProblem::None) {
        if (!plain.empty()) std::abort();
        return 0;
    }
    if (plain.size() != claimed_total(framed)) std::abort();
    const std::optional<std::string> again = vx::work::compress_framed(plain, 1 + size % 4096);
    std::string back;
    if (!again || vx::work::decompress_framed(*again, back) != vx::work::FramingProblem::None || back != plain)
        std::abort();
    return 0;
}
