// The operations that reshape and recolour the workpiece outside a cutting run: rotate and
// mirror, move, press (reverse), offset, the XYZ cut, thinning, painting and stripping, the
// emphasis of a pen, the difference paint against the basic model and the removed volume. Each
// is a function over the workpiece record, without dialogs: the window's dialogs and the batch
// switches gather the parameters and call them. Every operation that changes the workpiece first
// takes the backup (the "C" key) when the data level keeps one; operations that change the grid's
// size reallocate and keep the old grid as that backup, so that "C" undoes them too.
#pragma once

#include "base/vec3.h"
#include "platform/language.h"
#include "sim/workgrid.h"
#include "work/swing.h"

#include <cstdint>
#include <string>

namespace vx::work {

// Results of the operations.
constexpr int kOpDone = 1;
constexpr int kOpNothing = 0;        // nothing to do, or no workpiece (nothing changed)
constexpr int kOpRefused = -2;       // parameters out of range (nothing changed)
constexpr int kOpMemory = -3;        // the new grid could not be obtained: no workpiece is left
constexpr int kOpCancelled = -4;     // stopped by Escape; rows already done keep their heights

// Takes the backup when the data level keeps one.
void backup_before_operation(sim::Workpiece& wp);

// ---- Definitions ----

// A uniform block from `minimum` to `maximum`: nx = trunc((XMAX - XMIN) / pitch + 1.5), ny
// likewise, each at least 2. A maximum not above its minimum is refused (kOpRefused) with
// "The maximum and the minimum of X value are reversed." (Y, Z), checked in that order, and the
// workpiece is left as it was; so is a pitch that is not positive.
int define_by_two_points(sim::Workpiece& wp, const Vec3& minimum, const Vec3& maximum, double pitch, int data_level);

// Per axis: the reference (left/front/bottom, centre, right/back/top), the size and two margins.
constexpr int kReferenceLow = 0, kReferenceCentre = 1, kReferenceHigh = 2;
struct OriginDefinition {
    int reference[3] = {kReferenceLow, kReferenceLow, kReferenceLow};
    double size[3] = {100.0, 100.0, 30.0};
    double margin_low[3] = {0.0, 0.0, 0.0};   // left, front, bottom
    double margin_high[3] = {0.0, 0.0, 0.0};  // right, back, top
    double pitch = 1.0;
};

// The block placed by its reference at the active work coordinate `origin`, widened by the margins.
int define_by_origin(sim::Workpiece& wp, const OriginDefinition& definition, const Vec3& origin, int data_level);

// ---- Rotate and mirror ----

constexpr int kTurn90 = 1, kTurn180 = 2, kTurnMinus90 = 3, kMirrorX = 4, kMirrorY = 5;

// Heights and attribute bytes move; line numbers stay at their element. The quarter turns
// exchange nx and ny and reallocate ("Memory over! Try again!" on failure: kOpMemory).
int rotate_workpiece(sim::Workpiece& wp, int mode);

// ---- Move ----

constexpr int kMoveShift = 1, kMovePosition = 2;

// Shift: the origin and every height by `amount`. Position: the minimum corner to `amount`
// (the bottom to its z, heights following).
int move_workpiece(sim::Workpiece& wp, int mode, const Vec3& amount);

// ---- Swing ----

// `source` swung about the X (axis 0) or Y (axis 1) axis through the swing's centre into `wp`, on
// a new grid over the rotated extent at the source's pitch: the source's rows (columns for the X
// axis) are profiles closed down to its bottom, the new bottom is the lowest rotated point.
// About Z (axis 2) the heights stay and the grid turns: each new point takes the height of the
// source point nearest to where it turns back to, and the bottom where that lies off the source.
// kOpMemory when the grid cannot be had.
int swing_workpiece(sim::Workpiece& wp, const sim::Workpiece& source, const Swing& swing);

// ---- Reverse (press) ----

struct PressKeep {
    bool paint = false, pen = false, direction = false;
};

// Mirrors the workpiece upside down along X (axis 0) or Y (axis 1): cell (i, j) receives
// D - h of its mirror cell, D = bottom + highest + 10; attributes follow masked by `keep`; line
// numbers become 0. Along Z (axis 2) no cell moves: each receives D - its own height, the die
// that presses the shape from above.
int press_workpiece(sim::Workpiece& wp, int axis, const PressKeep& keep);

// ---- Offset ----

constexpr int kOffsetNormal = 1, kOffsetZ = 2, kOffsetHorizontal = 3;

struct OffsetOptions {
    int direction = kOffsetNormal;
    double value = 0.0;              // mm; 0 does nothing
    bool painted_only = false;       // sources (and targets) the painted cells only
    bool outside_boundary = false;   // with painted_only: unpainted cells may be raised too
    int threads = 1;                 // bands of rows worked in parallel (threadno), at least 1
    bool show_progress = true;       // the "Offset" progress window, polled every 100 ms
    bool yield_when_busy = true;     // one band while every processor is busy (load average)
};

// Z axis (or any direction on an uncut block): every cell (painted cell) + value. Normal and
// horizontal on a cut workpiece: the stamp of radius |value| (a hemisphere, or flat) placed on
// every source cell, raising (value > 0) or lowering (value < 0) the cells within reach. The bands
// read the heights before the offset and write disjoint rows. Escape stops it: kOpCancelled.
int offset_workpiece(sim::Workpiece& wp, const OffsetOptions& options);

// The stamp on heights `source` (nx x ny) into `target`, rows first..last only: the core of the
// offset, exposed for the difference paint and the benchmark. `use` (may be null) marks the source
// cells that place the stamp.
void offset_rows(const float* source, const std::uint8_t* use, float* target, const sim::GridGeometry& g,
                 int direction, double value, std::int32_t first_row, std::int32_t last_row);

// ---- XYZ cut ----

struct XyzCut {
    double z_cut = 0.0, z_minimum = 0.0;
    double x_min = 0.0, x_max = 0.0, y_min = 0.0, y_max = 0.0;
    bool cut_part_to_bottom = false;
    bool bottom_follows = false;
};

// Crops the grid to the X and Y range (reallocating) and cuts the heights at the Z values.
int xyz_cut(sim::Workpiece& wp, const XyzCut& cut);

// ---- Thin ----

struct ThinOptions {
    int count = 2;         // at least 2
    bool add_x_end = true; // keep a last column for the remainder ("Add"), else cut it
    bool add_y_end = true;
};

// The grid after thinning: nx' = (nx - 1) / count + 1, plus 1 for a remainder with "Add".
std::int32_t thinned_count(std::int32_t n, int count, bool add_end);

// Keeps every count-th point (clamped to the last) at count times the pitch. kOpRefused with the
// message "2以上の値を設定して下さい。" ("間引き数エラー") for a count below 2.
int thin_workpiece(sim::Workpiece& wp, const ThinOptions& options);

// "DMF Size = n" and "DME Size > n" of the thin dialog for a save level.
struct ThinSizes {
    std::int64_t dmf = 0, dme = 0;
};
ThinSizes thin_sizes(const sim::Workpiece& wp, const ThinOptions& options, int save_level);
std::string thin_size_texts(const ThinSizes& sizes);  // the two lines, in the current language

// ---- Paint ----

int paint_all(sim::Workpiece& wp);
int strip_paint(sim::Workpiece& wp);
// Clears the pen bits of cells carrying pen 1..7; 8 clears every pen.
int strip_pen(sim::Workpiece& wp, int pen);

// Gives pen 1..7 (0: the paint bit) to every cell within `width` (3-D distance) of a cell that
// carries it, judged on the attributes before the call.
int emphasise(sim::Workpiece& wp, int pen, double width);

struct DifferenceOptions {
    bool plus = true;        // paint where the workpiece is above the model (else below)
    double margin = 0.01;
    bool normal = false;     // compare with the model offset along its normal by the margin
    int colour = 0;          // 0 the paint bit, 1..7 a pen
    bool keep_colour = false;
    double width = 0.0;      // widen the marked cells as the emphasis does
};

// Marks the cells where the workpiece differs from the basic model. kOpNothing without one.
int difference_paint(sim::Workpiece& wp, const DifferenceOptions& options);

// ---- Removed volume ----

// "%.3f (Cubic mm)" or, in cubic metres, "%f (Cubic m)", in the current language.
std::string volume_text(double volume_mm3, bool cubic_metres);

// ---- User texts ----

extern const platform::TextPair kTextThinCountError;
extern const platform::TextPair kTextThinCountTitle;
extern const platform::TextPair kTextOffsetTitle;
extern const platform::TextPair kTextTwoPointsTitle;
extern const platform::TextPair kTextXReversed;
extern const platform::TextPair kTextYReversed;
extern const platform::TextPair kTextZReversed;

}  // namespace vx::work
