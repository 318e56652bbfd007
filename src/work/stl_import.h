// STL import: a triangle mesh (text, binary little-endian or binary big-endian) turned into the
// heights of a workpiece grid. The height of a grid point is the highest point of the mesh above
// it; points that no triangle covers keep their start value. Three uses: the mesh becomes the
// workpiece (its bounding box defines the grid), the basic model of the difference display, or
// the merge model. A swing, when given, turns every vertex and normal as it is read.
//
// Readers of outside input: a file may claim any triangle count, so the readers go by the bytes
// the file holds and never allocate from a count; values that are not finite numbers are skipped
// (and said so), never rasterised.
#pragma once

#include "base/vec3.h"
#include "sim/workgrid.h"
#include "work/dmf.h"
#include "work/swing.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace vx::work {

// ---- Kinds ----

constexpr int kStlUnknown = 0;           // not recognised, or an empty file
constexpr int kStlText = 2;
constexpr int kStlBinary = 3;            // little-endian
constexpr int kStlBinaryBigEndian = 4;   // every 4-byte value byte-reversed

constexpr std::size_t kStlHeaderBytes = 80;
constexpr std::size_t kStlCountBytes = 4;
constexpr std::size_t kStlTriangleBytes = 50;  // normal, three vertices (12 floats), 2-byte attribute
constexpr std::size_t kStlProbeBytes = 256;    // what kind detection looks at

// The kind of a file from its first bytes (up to kStlProbeBytes) and its size.
int detect_stl_kind(std::string_view head, std::uint64_t size);
int detect_stl_kind(const DmfSource& source);

// ---- Triangles ----

struct StlTriangle {
    Vec3 normal;
    std::array<Vec3, 3> vertex;
};

// What one pass over a file met.
struct StlPass {
    std::int64_t triangles = 0;   // handed to the visitor
    std::int64_t not_finite = 0;  // left out: a value that is not a finite number
    std::int64_t incomplete = 0;  // text: a loop closed with fewer than three vertices
    std::int64_t claimed = -1;    // binary: the count in the header
    bool read_failed = false;     // the file could not be read to its end
};

// Hands every triangle of the file, in file order, to `visit`; `progress` (may be empty) hears
// the bytes read so far after each piece. A binary file shorter than its count ends at its end.
StlPass for_each_stl_triangle(const DmfSource& source, int kind, const std::function<void(const StlTriangle&)>& visit,
                              const std::function<void(std::uint64_t bytes)>& progress = {});

// ---- Rasterising ----

enum class PointClass { Outside, Vertex, Edge, Inside };

// Where (px, py) lies against the triangle seen from above: within 0.01 of a vertex, on an edge
// (the angle it sees an edge under is within about 0.0014 rad of a straight one), inside, outside.
PointClass classify_point(double px, double py, const std::array<Vec3, 3>& vertex);

struct RasterTarget {
    const sim::GridGeometry* grid = nullptr;
    float* heights = nullptr;
    double bottom = 0.0;                    // what a runaway plane height falls back to
    const SwingRotation* swing = nullptr;   // null: no swing
};

// Raises the cells the triangle covers to its plane (clamped to its Z range); returns false for a
// triangle skipped as degenerate or vertical.
bool rasterise_triangle(const RasterTarget& target, StlTriangle triangle);

// ---- Loading ----

// The mesh's extent, every vertex counted (after the swing).
struct StlBox {
    Vec3 min{9999999.0, 9999999.0, 9999999.0};
    Vec3 max{-9999999.0, -9999999.0, -9999999.0};
};

// The grid an STL workpiece gets over its box at `pitch`: trunc(span / pitch + 1.001) points per
// axis, at least 2. False when the box or pitch are not usable or the grid has more cells than an
// int32 can index.
bool stl_grid(const StlBox& box, double pitch, sim::GridGeometry& grid);

struct StlOpenOptions {
    int data_level = sim::kDefaultDataLevel;
    std::optional<Swing> swing;
    // The pitch of the new grid for the mesh's extent (x0, y0, x1, y1).
    std::function<double(double, double, double, double)> pitch;
};

struct StlOpenResult {
    int status = 0;               // 1 loaded; 0 refused or failed, message shown
    bool workpiece_lost = false;  // the allocation failed, or the file failed after it
    bool pitch_changed = false;
};

// Reads the mesh as the workpiece: kind, extent, grid, heights from the bottom (the lowest Z) up.
// A refusal before the allocation leaves the workpiece as it was.
StlOpenResult open_stl_workpiece(sim::Workpiece& wp, const std::string& path, const StlOpenOptions& options);
StlOpenResult open_stl_workpiece(sim::Workpiece& wp, const DmfSource& source, std::string_view name,
                                 const StlOpenOptions& options);

// The mesh as the basic or merge model of the workpiece (start values -100000 and the work
// bottom). 1 loaded; 0 refused or failed with the message shown, the model as it was.
int load_stl_model(sim::Workpiece& wp, const std::string& path, ModelUse use, const Swing* swing = nullptr);

// The mesh's heights on `grid` from `start` up, a runaway plane height falling back to `bottom`:
// 1 done, 0 refused with the message shown.
int stl_model_heights(const sim::GridGeometry& grid, const DmfSource& source, std::string_view name, float* target,
                      double start, double bottom);

// ---- User texts ----

extern const platform::TextPair kTextDataDestroyed;  // "Data Destroyed!" ("Data error")
extern const platform::TextPair kTextDataErrorTitle;

}  // namespace vx::work
