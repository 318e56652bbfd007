// The drawing surface: an RGB32 image (0x00RRGGBB, top row first) with the primitives the views
// draw with: even-odd polygon fill, patterned pens on lines and polylines, rectangles, and the
// coverage blend that text uses.
//
// Pixel coverage of fills: a pixel is filled when its centre (x + 0.5, y + 0.5) lies inside the
// polygon; a centre exactly on an edge belongs to the side that lies to the right of the edge,
// which makes left edges inclusive and right edges exclusive (with integer vertices a centre
// never lies on a horizontal edge). Polygons that share an edge therefore neither overlap nor
// leave a gap along it. Lines leave out their last pixel, so that joined segments draw every
// vertex once. Everything is clipped to the surface's clip rectangle; any int32 coordinate is
// accepted.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace vx::view {

using Pixel = std::uint32_t;  // 0x00RRGGBB

constexpr Pixel pixel_rgb(int r, int g, int b) {
    return Pixel(r & 0xFF) << 16 | Pixel(g & 0xFF) << 8 | Pixel(b & 0xFF);
}
// A colour of the settings files (red in the low byte) as a surface pixel.
constexpr Pixel pixel_from_colour(std::uint32_t colour) {
    return pixel_rgb(int(colour & 0xFF), int(colour >> 8 & 0xFF), int(colour >> 16 & 0xFF));
}
constexpr int pixel_red(Pixel p) { return int(p >> 16 & 0xFF); }
constexpr int pixel_green(Pixel p) { return int(p >> 8 & 0xFF); }
constexpr int pixel_blue(Pixel p) { return int(p & 0xFF); }

struct Point {
    std::int32_t x = 0, y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

// Left and top inclusive, right and bottom exclusive.
struct Rect {
    std::int32_t left = 0, top = 0, right = 0, bottom = 0;
    friend bool operator==(const Rect&, const Rect&) = default;
};

struct Surface {
    int width = 0, height = 0;
    std::vector<Pixel> pixels;  // width * height, row-major, top row first
    Rect clip;                  // drawing is limited to this rectangle (within the surface)
    std::vector<std::int32_t> scan_work;  // reused by the general polygon fill
    std::vector<Point> vertices;          // reused for long polygons given as coordinate pairs
};

// ---- The surface ----

// Sets the size, fills every pixel with `fill` and resets the clip to the whole surface.
// Negative sizes count as 0.
void resize(Surface& s, int width, int height, Pixel fill = 0);
void clear(Surface& s, Pixel colour);  // every pixel, whatever the clip

// The pixel at (x, y); 0 outside the surface.
Pixel pixel_at(const Surface& s, int x, int y);
void set_pixel(Surface& s, int x, int y, Pixel colour);  // clipped

void set_clip(Surface& s, Rect clip);  // intersected with the surface
void reset_clip(Surface& s);

// ---- Fills (even-odd rule) ----

void fill_rect(Surface& s, Rect r, Pixel colour);
void fill_triangle(Surface& s, Point a, Point b, Point c, Pixel colour);
void fill_quad(Surface& s, Point a, Point b, Point c, Point d, Pixel colour);
void fill_polygon(Surface& s, std::span<const Point> points, Pixel colour);

// Many polygons in one brush: `counts` gives the number of points of each polygon, taken in
// turn from `points`. Each polygon is filled on its own, so where two of them overlap the
// overlap is filled (the later polygon paints over the earlier one, as in painter's order)
// rather than cancelled out. Counts beyond the points given are ignored.
void fill_polygons(Surface& s, std::span<const Point> points, std::span<const int> counts, Pixel colour);
// The same with the points as x, y pairs.
void fill_polygons(Surface& s, std::span<const std::int32_t> xy, std::span<const int> counts, Pixel colour);

// ---- Pens ----

enum class PenStyle {
    Null,     // draws nothing
    Solid,
    Dot,      // 3 pixels on, 3 off
    DashDot,  // 9 on, 6 off, 3 on, 6 off
};

struct Pen {
    PenStyle style = PenStyle::Solid;
    int width = 1;  // a wider pen stamps a width x width square at every pixel of the pattern
    Pixel colour = 0;
};

// A line from `a` to `b` without its last pixel. The pattern starts at `*phase` when given
// (else at its beginning) and `*phase` receives where it stopped, so that consecutive lines
// carry the pattern on.
void draw_line(Surface& s, const Pen& pen, Point a, Point b, int* phase = nullptr);

// Joined lines through the points, the pattern carried on from segment to segment.
void draw_polyline(Surface& s, const Pen& pen, std::span<const Point> points);

// The outline of the pixels of `r`: its first and last row and column.
void draw_rect(Surface& s, const Pen& pen, Rect r);

// ---- Coverage blend ----

// Blends `colour` into the surface with the 8-bit coverage mask (row stride `stride`) whose top
// left pixel goes to (x, y): 255 paints the colour, 0 leaves the pixel.
void blend_mask(Surface& s, int x, int y, const std::uint8_t* mask, int width, int height, int stride, Pixel colour);

}  // namespace vx::view
