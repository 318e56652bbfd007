// PNG images of the drawing surface: 8-bit RGB, no alpha, no interlace, rows top to bottom, the
// library's default compression and filters. The file is written beside its target and put in
// place only when complete, so a failed write leaves an existing image untouched.
#pragma once

#include "view/surface.h"

#include <string>

namespace vx::output {

// The whole surface. False when the surface is empty or the file cannot be written.
bool write_png(const view::Surface& surface, const std::string& path);

// The part `area` of the surface (clipped to it); false when nothing of it lies on the surface.
bool write_png(const view::Surface& surface, view::Rect area, const std::string& path);

// Reads any PNG into `out` as opaque RGB (alpha dropped onto black, grey expanded). False on an
// unreadable or malformed file, or one larger than kMaxReadPixels; `out` is then unchanged.
constexpr long long kMaxReadPixels = 1LL << 26;
bool read_png(const std::string& path, view::Surface& out);

}  // namespace vx::output
