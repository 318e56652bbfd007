// The renderer's polygon sink drawing into a surface: each polygon of a batch filled on its own
// (later ones over earlier ones), polylines with the pen of their style, and the clip.
#pragma once

#include "view/render.h"
#include "view/surface.h"

#include <vector>

namespace vx::view {

struct SurfaceSink {
    Surface* surface = nullptr;
    std::vector<Point> points;  // one batch's vertices, reused

    explicit SurfaceSink(Surface& s) : surface(&s) {}
    PolygonSink sink();  // valid while this record lives
};

}  // namespace vx::view
