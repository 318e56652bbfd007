// Sinks and workpieces for the renderer tests: a sink that records every call, a tiny even-odd
// rasteriser that shows what covers what, and grids built from height and attribute functions.
#pragma once

#include "view/render.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

namespace vx::view::testing {

struct Polygon {
    std::vector<ScreenPoint> points;
    std::uint32_t rgb = 0;
    int call = 0;  // which fill call it came in
};

struct Polyline {
    std::vector<ScreenPoint> points;
    std::uint32_t rgb = 0;
    int style = 0;
};

struct Recorder {
    std::vector<Polygon> polygons;
    std::vector<std::vector<std::int32_t>> call_counts;  // counts of each fill call
    std::vector<Polyline> lines;
    std::vector<bool> clips;  // true: clip set, false: cleared
    int calls = 0;

    static void fill(void* c, const std::int32_t* xy, const std::int32_t* counts, int n, std::uint32_t rgb) {
        auto& r = *static_cast<Recorder*>(c);
        r.call_counts.emplace_back(counts, counts + n);
        for (int p = 0; p < n; ++p) {
            Polygon poly{{}, rgb, r.calls};
            for (int k = 0; k < counts[p]; ++k, xy += 2) poly.points.push_back({xy[0], xy[1]});
            r.polygons.push_back(std::move(poly));
        }
        ++r.calls;
    }
    static void polyline(void* c, const std::int32_t* xy, int n, std::uint32_t rgb, int style) {
        auto& r = *static_cast<Recorder*>(c);
        Polyline l{{}, rgb, style};
        for (int k = 0; k < n; ++k) l.points.push_back({xy[2 * k], xy[2 * k + 1]});
        r.lines.push_back(std::move(l));
    }
    static void clip(void* c, const ScreenRect* rect) { static_cast<Recorder*>(c)->clips.push_back(rect != nullptr); }

    PolygonSink sink() { return {this, &Recorder::fill, &Recorder::polyline, &Recorder::clip}; }
};

// Pixels sampled at their centres, each polygon filled on its own by the even-odd rule.
struct Raster {
    int width, height;
    std::vector<std::uint32_t> pixel;
    Raster(int w, int h) : width(w), height(h), pixel(std::size_t(w) * h, 0xFFFFFFFFu) {}

    void fill_polygon(const std::int32_t* xy, int n, std::uint32_t rgb) {
        for (int y = 0; y < height; ++y) {
            const double yc = y + 0.5;
            std::vector<double> cross;
            for (int k = 0; k < n; ++k) {
                const double x0 = xy[2 * k], y0 = xy[2 * k + 1];
                const double x1 = xy[2 * ((k + 1) % n)], y1 = xy[2 * ((k + 1) % n) + 1];
                if ((y0 <= yc) != (y1 <= yc)) cross.push_back(x0 + (yc - y0) * (x1 - x0) / (y1 - y0));
            }
            std::sort(cross.begin(), cross.end());
            for (std::size_t k = 0; k + 1 < cross.size(); k += 2)
                for (int x = std::max(0, int(std::ceil(cross[k] - 0.5))); x < width && x + 0.5 < cross[k + 1]; ++x)
                    pixel[std::size_t(y) * width + x] = rgb;
        }
    }
    static void fill(void* c, const std::int32_t* xy, const std::int32_t* counts, int n, std::uint32_t rgb) {
        for (int p = 0; p < n; xy += 2 * counts[p], ++p) static_cast<Raster*>(c)->fill_polygon(xy, counts[p], rgb);
    }
    std::uint32_t at(int x, int y) const { return pixel[std::size_t(y) * width + x]; }
    int count(std::uint32_t rgb) const { return int(std::count(pixel.begin(), pixel.end(), rgb)); }

    PolygonSink sink() { return {this, &Raster::fill, nullptr, nullptr}; }
};

// A modified workpiece of nx x ny points at `pitch`, origin (5, 7), bottom 0, heights and
// attributes from the functions of (i, j).
template <class Height, class Attribute>
std::unique_ptr<sim::Workpiece> make_grid(int nx, int ny, double pitch, Height height, Attribute attribute) {
    auto wp = std::make_unique<sim::Workpiece>();
    sim::GridGeometry g;
    EXPECT_EQ(sim::size_grid(g, 5.0, 7.0, 5.0 + (nx - 1) * pitch, 7.0 + (ny - 1) * pitch, pitch), 1);
    EXPECT_EQ(sim::allocate_workpiece(*wp, g, 1), 1);
    sim::define_uniform_body(*wp, 10.0, 0.0);
    double highest = -1e9;
    for (int j = 0; j < ny; ++j)
        for (int i = 0; i < nx; ++i) {
            wp->height.data[j * nx + i] = float(height(i, j));
            wp->attribute.data[j * nx + i] = std::uint8_t(attribute(i, j));
            highest = std::max(highest, double(wp->height.data[j * nx + i]));
        }
    wp->highest = highest;
    wp->modification_state = sim::kModified;
    return wp;
}

inline std::unique_ptr<sim::Workpiece> flat_grid(int nx, int ny, double pitch = 1.0, double top = 10.0) {
    return make_grid(nx, ny, pitch, [top](int, int) { return top; }, [](int, int) { return 0; });
}

// A view of `wp` at angles (a, b) fitted into a w x h rectangle, parallel unless `perspective`,
// with the grid projected.
inline ViewState fitted_view(sim::Workpiece& wp, double a, double b, int w = 400, int h = 300,
                             bool perspective = false) {
    ViewState v;
    v.perspective = perspective;
    set_angles(v, a, b);
    set_drawing_area(v, {0, 0, w, h});
    fit_view(v, wp);
    project_grid(v, wp);
    return v;
}

}  // namespace vx::view::testing
