// Colours as the settings, the definition files and the renderer exchange them: packed red,
// green and blue, red in the low byte.
#pragma once

#include <cstdint>

namespace vx {

using Colour = std::uint32_t;

constexpr Colour rgb(int r, int g, int b) {
    return Colour(r & 0xFF) | Colour(g & 0xFF) << 8 | Colour(b & 0xFF) << 16;
}
constexpr int red(Colour c) { return int(c & 0xFF); }
constexpr int green(Colour c) { return int(c >> 8 & 0xFF); }
constexpr int blue(Colour c) { return int(c >> 16 & 0xFF); }

}  // namespace vx
