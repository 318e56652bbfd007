// The view of the workpiece: the two view angles with their sines and the eye vector, the view
// and screen centres, the scale, the perspective, the drawing rectangle, the displayed range of
// grid indices and the display step that thins the grid. Projects model points and the whole
// height field to screen pixels, hands the kernel the same projection for the cells it cuts, and
// fits the view to the workpiece.
#pragma once

#include "view/display_settings.h"
#include "sim/kernel.h"
#include "sim/workgrid.h"

#include <cstdint>
#include <vector>

namespace vx::view {

struct ScreenPoint {
    std::int32_t x = 0, y = 0;
    friend bool operator==(const ScreenPoint&, const ScreenPoint&) = default;
};

// Pixels [left, left + width) x [top, top + height).
struct ScreenRect {
    std::int32_t left = 0, top = 0, width = 0, height = 0;
};

// First and last grid index in X (i) and Y (j) of the area on screen, inclusive.
struct GridRange {
    std::int32_t first_i = 0, last_i = 1, first_j = 0, last_j = 1;
};

// Every angle-derived value below is kept consistent by set_angles(); the projection terms by
// refresh_projection(), which every setter here calls. A caller that writes a field directly
// calls refresh_projection() afterwards.
struct ViewState {
    double angle_a = 315.0;  // about Z, degrees, [0, 360)
    double angle_b = 45.0;   // elevation, degrees, [0, 90]: 0 plan view, 90 side view
    double cos_a = 0.7071067811865476, sin_a = -0.7071067811865476;
    double cos_b = 0.7071067811865476;   // cos(-B)
    double sin_b = -0.7071067811865476;  // sin(-B), the negated sine of B
    Vec3 eye{0.5000000000000001, -0.5000000000000001, 0.7071067811865476};  // unit, toward the eye
    int sector = 11;

    double cx = 0, cy = 0, cz = 0;  // view centre: X and Y relative to the grid origin, Z absolute
    double sx0 = 0, sy0 = 0;        // its pixel position, the middle of the drawing rectangle
    double scale = 1.0;             // pixels per millimetre: fit_scale * zoom
    double fit_scale = 1.0;         // the scale that fits the workpiece into the rectangle
    double zoom = 1.0;              // zoom factor of the W and S keys and the mouse
    bool perspective = true;        // setting PERSPECTIVE
    double distance = 300.0;        // perspective distance D
    Vec3 light{0, 0, 1};            // setting LIGHT VECTOR, unit
    ScreenRect area;                // the drawing rectangle

    GridRange range;                // displayed range
    std::int32_t step = 1;          // display step
    bool grid_inside = false;       // the projected grid lay inside `area` when last projected

    // Affine form of the parallel projection over grid-relative X, Y and absolute Z; it is what
    // the kernel applies to the cells it lowers (in place, through run_projection()), so both
    // paths compute bit-identical pixels.
    sim::ScreenProjection affine;
};

// ---- Angles ----

// Takes A wrapped into [0, 360) and B clamped to [0, 90] (outside that range the painter's order
// and the wall rule would no longer hold); non-finite angles keep the old value. Quarter angles
// get exact sines, so A = 90 has cos A = 0 and the special cases below see exact values.
void set_angles(ViewState& view, double angle_a, double angle_b);

// View sector 0..11 of angle A: the quarter angles 0, 90, 180, 270 are sectors 0, 3, 6, 9, the
// open intervals between them split at the half-quarter angles.
int view_sector(double angle_a);

bool is_quarter_angle(double angle_a);

// True when the perspective formula applies: the flag is on, B is neither 0 nor 90 and A is no
// quarter angle. Otherwise the projection is parallel.
bool uses_perspective(const ViewState& view);

// ---- Set-up from the settings and the workpiece ----

// ANGLE-A, ANGLE-B, PERSPECTIVE and LIGHT VECTOR.
void apply_view_settings(ViewState& view, const DisplaySettings& settings);

// The drawing rectangle; the screen centre follows it.
void set_drawing_area(ViewState& view, const ScreenRect& area);

void set_view_centre(ViewState& view, double cx, double cy, double cz);

// D = 20 max(cx, cy), at least 300 and at least 10 (highest - bottom). Called whenever the
// workpiece is defined or loaded, after the view centre has been set.
void update_perspective_distance(ViewState& view, const sim::Workpiece& wp);

// The whole grid as displayed range.
void show_whole_grid(ViewState& view, const sim::Workpiece& wp);

// Fits the view to the workpiece extent (bottom to highest height) or, with at least four
// numbers, to the area of TARGET AREA: XMIN, YMIN, XMAX, YMAX in workpiece coordinates, or with
// six XMIN, YMIN, ZMIN, XMAX, YMAX, ZMAX. Centres the view on the middle of that box, sets the
// zoom to 1 and the scale so that the box seen in parallel projection fills 90% of the drawing
// rectangle in its tighter direction, shows the whole grid and updates D.
void fit_view(ViewState& view, const sim::Workpiece& wp, const std::vector<double>& target_area = {});

// Multiplies the zoom factor and the scale (W: factor EXPAND RATE, S: its inverse; the wheel and
// the zoom drag 1.1 to a power). Non-positive or non-finite factors are ignored.
void zoom_view(ViewState& view, double factor);

// Recomputes the affine terms from the angles, centre, screen centre and scale.
void refresh_projection(ViewState& view);

// ---- Projection ----

// Screen position of (x, y, z), x and y relative to the grid origin, rounded to the nearest pixel
// as the kernel rounds; held within +-2^30 so that far points stay representable.
ScreenPoint project(const ViewState& view, double x, double y, double z);

// Fills the screen-position layer for the cells of the blocks of the displayed range at the
// current display step (so call it after the step changes) and records whether they all lie
// inside the drawing rectangle. Positions beyond the int16 range are held at its limits.
void project_grid(ViewState& view, sim::Workpiece& wp);

// Reprojects cells [i0, i1] x [j0, j1] (clipped to the grid) after their heights changed.
void project_cells(const ViewState& view, sim::Workpiece& wp, std::int32_t i0, std::int32_t j0, std::int32_t i1,
                   std::int32_t j1);

// ---- Display step and thinning ----

constexpr int kDrawingOff = 0;     // OPTIMIZE DRAWING "NO": no thinning
constexpr int kDrawingOldRule = 1; // "NO_OLD"
constexpr int kDrawingDefault = 2; // "YES"

// Display step for OPTIMIZE DRAWING and OPTIMIZE DOTS at `scale` pixels per mm on a grid of
// `pitch`: about one drawn block per `dots` pixels, 1 when thinning is off or full detail is
// asked for, never above min(nx - 1, ny - 1).
std::int32_t display_step(int optimize_drawing, int optimize_dots, double scale, double pitch, std::int32_t nx,
                          std::int32_t ny, bool full_detail);

// Sets view.step for the current scale and workpiece.
void update_display_step(ViewState& view, const DisplaySettings& settings, const sim::Workpiece& wp,
                         bool full_detail);

// What an operation that needs the full picture (copy, print, image save) does first while the
// display is thinned, by DISPLAY GUIDANCE.
enum class DetailAction { Keep, Redraw, Ask };
DetailAction detail_action(DisplayGuidance guidance, std::int32_t step);

extern const platform::TextPair kTextDetailQuestion;  // the question of DetailAction::Ask
extern const platform::TextPair kTextDetailTitle;

// Blocks of one axis thinned by `step` over points 0 .. last: block k runs from k * step to
// min((k + 1) * step, last), so the last block may be shorter.
struct Blocks {
    std::int32_t step = 1, last = 1;
    std::int32_t count() const { return last <= 0 ? 0 : (last + step - 1) / step; }
    // Drawn point k of the axis: k * step, the last point for k = count().
    std::int32_t point(std::int32_t k) const { return k * step < last ? k * step : last; }
    std::int32_t start(std::int32_t k) const { return point(k); }
    std::int32_t end(std::int32_t k) const { return point(k + 1); }
    // Blocks that overlap [first, last_index], or that hold it as a corner when it is one point.
    std::int32_t first_block(std::int32_t first) const;
    std::int32_t last_block(std::int32_t last_index) const;
};

// ---- Discolouration ----

// With discolouration off at a workpiece definition the range becomes bottom .. bottom plus two
// thirds of the height; with it on the levels stay.
void default_discoloration_levels(DisplaySettings& settings, const sim::Workpiece& wp);

}  // namespace vx::view
