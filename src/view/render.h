// Drawing the workpiece height field: every block of the (thinned) grid split into two
// triangles, each coloured by what the cut left in its corners' attribute bytes and shaded by
// its slope, drawn far to near so that nearer blocks cover farther ones; then the side walls that
// face the eye. Also the uncut block, the wire mesh, the incremental drawing of the blocks a cut
// changed and the vertical difference lines against the basic model. Everything is drawn through
// a PolygonSink, so the renderer knows nothing of the surface it paints.
#pragma once

#include "sim/workgrid.h"
#include "view/palette.h"
#include "view/view_state.h"

#include <array>
#include <cstdint>
#include <vector>

namespace vx::view {

// ---- The sink ----

enum LineStyle : int { kLineSolid = 0, kLineDot = 1, kLineDot2 = 2, kLineDashDot = 3 };

struct PolygonSink {
    void* context = nullptr;
    // `polygons` polygons of one colour; polygon p has counts[p] vertices taken in turn from xy
    // (x, y pairs). Each polygon is filled on its own by the even-odd rule, later ones over
    // earlier ones: overlapping polygons of one call must not cancel each other out.
    void (*fill)(void* context, const std::int32_t* xy, const std::int32_t* counts, int polygons,
                 std::uint32_t rgb) = nullptr;
    // An open polyline through `count` points (a closed outline repeats its first point).
    void (*polyline)(void* context, const std::int32_t* xy, int count, std::uint32_t rgb, int style) = nullptr;
    // Clips what follows to `rect`; a null rect removes the clip. May be left null.
    void (*clip)(void* context, const ScreenRect* rect) = nullptr;
};

// ---- What a redraw reads ----

enum class DifferenceArea { Both, Plus, Minus };

struct RenderSettings {
    bool colour_by_pen = true;          // COLOR MODE "TOOL-PEN"; otherwise by cut direction
    bool mesh = false;                  // MESH MODE, or the mesh menu
    bool discoloration = false;         // DISCOLORATION MODE
    double discoloration_lower = 0.0, discoloration_upper = 0.0;
    bool showing_interference = false;  // the run stopped on an interference: all red
    DifferenceArea difference_area = DifferenceArea::Both;
};

RenderSettings render_settings(const DisplaySettings& settings, bool showing_interference);

// ---- Cell colour and shade ----

// Colour code of a corner: the pen (bits 1-3) when colouring by pen, else the cut direction
// (bits 4-5).
int corner_code(std::uint8_t attribute, bool colour_by_pen);

// A code shared by at least two corners when non-zero; else the one non-zero code when exactly
// one corner has one; else 0.
int triangle_code(int c0, int c1, int c2);

// Read-only view of the grid for one redraw.
struct CellRules {
    const float* height = nullptr;
    const std::uint8_t* attribute = nullptr;
    std::int32_t nx = 0;
    double pitch = 1.0;
    RenderSettings settings;
    Shading shading;
    double cos_b = 1.0;
    int flat_shade = 0;
    std::array<std::uint8_t, 256> code{};  // corner_code() of every attribute byte
    // The group a triangle's corner codes (c0 << 6 | c1 << 3 | c2) give without paint or
    // discolouration: its code + 1, or the work colour.
    std::array<std::uint8_t, 512> code_group{};
};

CellRules cell_rules(const ViewState& view, const sim::Workpiece& wp, const RenderSettings& settings);

// The block from corner (i, j) with steps a along X and b along Y, split along PX-PY into
// T1 (P0, PX, PY) and T2 (PXY, PX, PY).
struct BlockLook {
    int brush[2] = {0, 0};
    bool visible[2] = {false, false};
    bool flat = false;
    // Both visible with one brush: one quadrilateral P0, PX, PXY, PY.
    bool one_polygon() const { return visible[0] && visible[1] && brush[0] == brush[1]; }
};

BlockLook look_of_block(const CellRules& rules, std::int32_t i, std::int32_t j, std::int32_t a, std::int32_t b);

// Many blocks at once: a redraw shades a whole line of blocks in one pass, which runs in vector
// registers instead of one block's chain of roots and divisions at a time.
struct BlockAt {
    std::int32_t i = 0, j = 0, a = 1, b = 1;
};

// The cells of a block's corners P0, PX, PY and PXY in a grid `nx` cells wide.
struct BlockCells {
    std::int64_t c0, cx, cy, cxy;
};

inline BlockCells cells_of(const BlockAt& k, std::int32_t nx) {
    const std::int64_t c0 = std::int64_t{k.j} * nx + k.i, cy = c0 + std::int64_t{k.b} * nx;
    return {c0, c0 + k.a, cy, cy + k.a};
}

struct LookBuffers {  // work space, reused from call to call
    std::vector<double> p, q, z, facing;
    std::vector<std::int32_t> shade;
};

void look_of_blocks(const CellRules& rules, const BlockAt* blocks, int n, BlockLook* looks, LookBuffers& buffers);

// ---- Drawing ----

// The redraw of the paint cycle: the drawing rectangle filled with the background and clipped,
// then by the modification state the surface and its walls (or the mesh), the uncut block, or
// nothing. Reads the screen positions that project_grid() filled.
void render_view(const ViewState& view, const sim::Workpiece& wp, const Palette& palette,
                 const RenderSettings& settings, const PolygonSink& sink);

// The blocks of the displayed range in painter's order, batched by brush (at most 300 points per
// fill call), then the walls that face the eye.
void draw_surface(const ViewState& view, const sim::Workpiece& wp, const Palette& palette,
                  const RenderSettings& settings, const PolygonSink& sink);

void draw_walls(const ViewState& view, const sim::Workpiece& wp, const Palette& palette, const PolygonSink& sink);

// The workpiece still as defined: the top and the side faces that face the eye, or the mesh.
void draw_uncut_block(const ViewState& view, const sim::Workpiece& wp, const Palette& palette,
                      const RenderSettings& settings, const PolygonSink& sink);

// Rows and columns of the displayed range as polylines, the bottom outline and the vertical
// edges at the corners in the displayed range.
void draw_mesh(const ViewState& view, const sim::Workpiece& wp, const Palette& palette, const PolygonSink& sink);

// While cutting: every block that has a cell of `cells` as a corner or inside, in painter's
// order, one fill call per polygon, clipped to the drawing rectangle. The screen positions of
// the cut cells must be current (the kernel refreshes them in parallel views; under perspective
// call project_cells() first).
void draw_changed_blocks(const ViewState& view, const sim::Workpiece& wp, const Palette& palette,
                         const RenderSettings& settings, const GridRange& cells, const PolygonSink& sink);

// Vertical lines from the basic model to the workpiece at the drawn points where the model is
// defined and differs: the minus pen where the model is higher, the plus pen where the workpiece
// is. Nothing without a basic model.
void draw_difference_lines(const ViewState& view, const sim::Workpiece& wp, const Palette& palette,
                           DifferenceArea area, const PolygonSink& sink);

}  // namespace vx::view
