// What the view draws over the workpiece besides the path: the tool and its holder as wire
// rings at the current position (circles in the plan view), the attachment boxes, the
// workpiece's bounding box, the coordinate axes with the start point, the outlines of STL CHECK,
// the light-direction indicator, and the measuring cursor: the picked points, the curvature radii
// at a cell and the cross at the picked point.
#pragma once

#include "sim/profile.h"
#include "sim/workgrid.h"
#include "view/display_settings.h"
#include "view/render.h"
#include "view/view_state.h"

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace vx::view {

// ---- Tool outline ----

enum class ToolPart : std::uint8_t { Edge, Shank, Holder };

// One ring of the outline: its height above the tool tip and its radius.
struct ToolRing {
    double z = 0, radius = 0;
    ToolPart part = ToolPart::Edge;
};

// A box of the attachment, relative to the tool axis and tip: |x|, |y| <= half, bottom .. top.
struct ToolBox {
    double half = 0, bottom = 0, top = 0;
};

struct ToolOutline {
    std::vector<ToolRing> rings;  // from the tip upward
    int holder_first = -1;        // index of the first holder ring, -1 without a holder
    std::vector<ToolBox> boxes;
};

constexpr int kRingPoints = 36;  // a ring is sampled every 10 degrees

// The outline of a tool from its profile: the cutting edge sampled through its bottom, corner
// and side joints up to the effective length, the neck and shank up to the protrusion, then the
// holder sections and the attachment. Rings with non-finite or negative values are left out.
ToolOutline tool_outline(const sim::Profile& profile);

// ---- Tool drawing ----

struct ToolColours {
    std::uint32_t top = 0xFF0080;   // TOOL-TOP COLOR, or the tool's pen colour with TOOL-TOP COLOR MODE "PEN"
    std::uint32_t side = 0x8080C0;  // TOOL-SIDE COLOR
    std::uint32_t arbor = 0x008000;
    std::uint32_t attachment = 0x008080;
};

// The colours from the settings; the tool's pen (1..7) colours the tip when `tool_top_pen`.
ToolColours tool_colours(const Colours& colours, bool tool_top_pen, int tool_pen);

// Where the tool tip is: the control point lowered by the tool length, relative to the grid origin.
Vec3 tool_tip(const Vec3& position, const sim::GridGeometry& grid, double tool_length);

// The rings around the tip, each closed through its 36 points, consecutive rings joined point by
// point; the holder only with `show_holder`. In the plan view (B = 0) every ring is a circle of
// scale x radius pixels around the projected axis, without joins. Attachments as two rectangles
// joined by four edges.
void draw_tool(const ViewState& view, const ToolOutline& outline, const Vec3& tip, const ToolColours& colours,
               bool show_holder, const PolygonSink& sink);

// ---- Bounding box, axes, light ----

// The rectangles at the bottom height and at the highest height over the grid's extent, and
// the four vertical edges, in the 2-pixel dotted red pen.
void draw_bounding_box(const ViewState& view, const sim::Workpiece& wp, const PolygonSink& sink);

// STL CHECK: every triangle (workpiece coordinates) as a closed solid red outline, for checking a
// loaded file against the grid it made.
void draw_triangle_outlines(const ViewState& view, const sim::Workpiece& wp,
                            std::span<const std::array<Vec3, 3>> triangles, const PolygonSink& sink);

// The coordinate axes at the workpiece zero (X red, Y green, Z blue, a fifth of the larger grid
// extent long, at least 10 mm) and a green cross of 5 pixels at the start point.
void draw_axes(const ViewState& view, const sim::Workpiece& wp, const Vec3& start_point,
               const PolygonSink& sink);

// While the light is dragged: from the view centre + L k / 3 to the view centre + L k, k half
// the drawing width in millimetres, dotted (2 pixels wide while dragging).
void draw_light_indicator(const ViewState& view, bool dragging, const PolygonSink& sink);

// ---- Measuring cursor ----

constexpr int kMaxPickedPoints = 9999;  // the list starts again when one more is picked

struct PickedPoint {
    float x = 0, y = 0, z = 0;
    bool flag = true;
};

struct PickedPoints {
    std::vector<PickedPoint> points;
    std::int32_t last_i = -1, last_j = -1;  // the last picked cell
};

// Appends the point unless it equals the last one; a full list starts again. True when added.
bool add_picked_point(PickedPoints& picks, const PickedPoint& point);

// A pick outside the grid clears the last point's flag.
void pick_outside(PickedPoints& picks);

// The picked point of cell (i, j): its X and Y minus the tool-length vector (X and Y of the
// vector only; the tool axis is Z here), and its height.
PickedPoint cell_point(const sim::Workpiece& wp, std::int32_t i, std::int32_t j);

// The grid point drawn nearest to the eye among those whose screen position lies within
// `reach` pixels of (x, y). False when none does. Reads the screen positions of project_grid().
bool cell_under_cursor(const ViewState& view, const sim::Workpiece& wp, std::int32_t x, std::int32_t y,
                       std::int32_t reach, std::int32_t* i, std::int32_t* j);

constexpr double kPlaneRadius = 10000.0;  // a radius this large means flat ("*PLANE*", "*LINE*")

// R(X) (along_x) or R(Y) at cell (i, j): the circle through the heights of the cell and its two
// neighbours, rounded to 0.1, negative where the surface bulges up; kPlaneRadius when the two
// height differences cancel. A cell on the border uses its inner neighbour as centre.
double cell_radius(const sim::Workpiece& wp, std::int32_t i, std::int32_t j, bool along_x);

// R(3PT) of the last three picked points: kPlaneRadius or more when they lie on a line, NaN when
// fewer than three points or two of them coincide.
double three_point_radius(const PickedPoints& picks);

// The red cross of 5 pixels at a picked point.
void draw_pick_cross(const ViewState& view, const sim::Workpiece& wp, const PickedPoint& point,
                     const PolygonSink& sink);

}  // namespace vx::view
