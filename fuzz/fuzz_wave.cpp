// The sound files' reader on any bytes: it answers, and what it accepts is whole frames.
#include "platform/wave.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto wave = vx::platform::read_wave({reinterpret_cast<const char*>(data), size});
    if (wave && wave->samples.size() % std::size_t(wave->channels * wave->bits / 8) != 0) std::abort();
    return 0;
}
