// The DMF workpiece file: the grid geometry, the height of every cell and, by save level, the
// attribute byte and the NC line number of every cell, little-endian with no padding. This module
// writes the current workpiece, opens a file as the workpiece, compares a file's grid with the
// workpiece and loads a file as the basic or merge model, resampled onto the workpiece grid when
// the grids differ. Every reader validates the whole layout against the file size before it
// allocates or changes anything. The ".DMFZ" codec sits behind the compression functions below.
#pragma once

#include "base/constants.h"
#include "platform/language.h"
#include "sim/workgrid.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace vx::work {

// ---- Format ----

constexpr std::size_t kDmfIdentifierBytes = 16;
constexpr std::size_t kDmfHeaderBytes = 156;  // identifier, placement, counts, pitches, codes
constexpr std::size_t kDmfTrailerBytes = 12;  // tag, count, bottom height
constexpr std::int32_t kDmfVersion = 2;

// Layer codes: the bytes per cell that follow the heights.
constexpr std::int32_t kLayersHeightsOnly = 0;
constexpr std::int32_t kLayersAttributes = 1;   // plus the attribute byte
constexpr std::int32_t kLayersLineNumbers = 5;  // plus the attribute byte and an int32 NC line

constexpr std::int32_t kBodyUniform = 1;  // one set of values for every cell
constexpr std::int32_t kBodyFull = 0;     // what the writer writes; any value but 1 reads as full

// The quantum of int32 heights: the single-precision 0.001 widened, as the files carry it.
constexpr double kIntegerQuantum = static_cast<double>(0.001f);

// First byte of a compressed workpiece file; a plain DMF starts with its identifier instead.
constexpr unsigned char kCompressedMark = 0x0A;

struct DmfHeader {
    std::array<double, 12> placement{};  // 3x3 matrix row by row, then a translation
    double origin_x = 0.0, origin_y = 0.0, origin_z = 0.0;  // taken from the placement
    std::int32_t nx = 0, ny = 0;
    std::int32_t version = 0;  // not interpreted
    double first_pitch = 0.0;  // not interpreted: the second pitch is the grid's
    double pitch = 0.0;
    double quantum = 0.0;      // 0.0: float32 heights; else int32 counts times it
    std::int32_t layer_code = 0;
    std::int32_t body_form = 0;
};

inline bool is_uniform(const DmfHeader& h) { return h.body_form == kBodyUniform; }
inline std::int64_t cell_count(const DmfHeader& h) { return std::int64_t{h.nx} * h.ny; }

// The size of a file with this header as it is written; a longer file is read too (its trailer
// is the last 12 bytes).
std::uint64_t dmf_file_size(const DmfHeader& h);

// Why a file was refused.
enum class DmfProblem {
    None,
    CannotOpen,   // missing, unreadable or not a regular file
    Short,        // shorter than a header
    Counts,       // nx or ny below 2, or more cells than a grid can index
    Pitch,        // the second pitch not a positive finite number
    Placement,    // an origin that is not finite, or a grid extent that overflows
    Quantum,      // not finite
    LayerCode,    // not 0 to 5
    Size,         // the file is shorter than the layout the header gives
    Height,       // a height (or the bottom) that is not a finite number
    Read,         // the file changed or failed while it was read
};

// ---- Reading the format ----

// The bytes of one DMF, from an open regular file or from memory, read by offset.
class DmfSource {
public:
    // Empty when `path` cannot be opened or is not a regular file.
    static std::optional<DmfSource> open(const std::string& path);
    static DmfSource from_bytes(std::string bytes);

    DmfSource(DmfSource&& other) noexcept;
    DmfSource& operator=(DmfSource&& other) noexcept;
    DmfSource(const DmfSource&) = delete;
    DmfSource& operator=(const DmfSource&) = delete;
    ~DmfSource();

    std::uint64_t size() const { return size_; }
    bool read(std::uint64_t offset, void* out, std::size_t bytes) const;  // all of them or false
    bool compressed() const;  // first byte 0x0A

private:
    DmfSource() = default;
    int fd_ = -1;
    std::string bytes_;
    std::uint64_t size_ = 0;
};

// Reads and validates the header, including the file size it implies. Nothing is allocated from
// a count before this succeeds.
DmfProblem read_dmf_header(const DmfSource& source, DmfHeader& header);

// True when int32 counts times the quantum cannot leave the float range, so that the heights need
// no check before they are stored.
bool heights_always_finite(const DmfHeader& header);

// The heights of every cell in cell order (a uniform body's single height repeated), converted to
// float32, read in chunks. `out` may be null to only check them; `highest` (may be null) receives
// the largest height, starting from `highest_start`.
DmfProblem read_dmf_heights(const DmfSource& source, const DmfHeader& header, float* out, double* highest,
                            double highest_start);

// The attribute bytes and line numbers of every cell, 0 where the file has no such layer.
DmfProblem read_dmf_attributes(const DmfSource& source, const DmfHeader& header, std::uint8_t* out);
DmfProblem read_dmf_line_numbers(const DmfSource& source, const DmfHeader& header, std::int32_t* out);

// The bottom height of the trailer, the file's last 4 bytes.
DmfProblem read_dmf_bottom(const DmfSource& source, const DmfHeader& header, double* bottom);

// The text of a problem, in the current language.
std::string_view problem_text(DmfProblem problem);

// A refused file: titled with its name, the problem as the body.
void show_problem(std::string_view name, DmfProblem problem);

// ---- Compression (".DMFZ") ----
// wimlib's LZMS inside the buffer framing of dmfz.h, always at hand on this platform. Everything
// happens in memory: no temporary DMF is written beside the files the user names.

bool has_dmf_suffix(std::string_view name);   // ".DMF" or ".DMFZ", any case
bool has_dmfz_suffix(std::string_view name);  // ".DMFZ", any case

// The plain DMF behind `source`: `source` itself, or its decompressed copy kept in `holder`.
// Null, after the message when `report`, for compressed content the codec cannot give and for a
// ".DMFZ" name whose content is not compressed. A framing that does not decode also prints
// "Cannot decompress data: <errno>." on stdout and says what is wrong on stderr.
const DmfSource* plain_dmf(const DmfSource& source, std::string_view name, bool report,
                           std::optional<DmfSource>& holder);

// ---- Writing ----

struct SaveOptions {
    int save_level = 1;            // SAVE_LEVEL: 1 heights, 2 with attributes, 3 with line numbers
    bool integer_heights = false;  // VALUE TYPE "INT"
};

// The layer code a save level writes; level 3 falls back to the attributes without a line layer.
std::int32_t layer_code_for_save(const sim::Workpiece& wp, int save_level);

// An int32 height count: h / 0.001 rounded half away from zero, saturated to the int32 range.
std::int32_t height_to_count(double h);

// The DMF bytes of the workpiece in memory; empty without a workpiece.
std::optional<std::string> dmf_bytes(const sim::Workpiece& wp, const SaveOptions& options);

// Writes the workpiece as a DMF replacing `path` only once the whole file is on disk: 1 on
// success; 0 when the file cannot be created or written, or without a workpiece; -9 when the
// system ran out of resources for the write. A failure leaves an existing `path` as it was.
int write_workpiece_file(const sim::Workpiece& wp, const std::string& path, const SaveOptions& options);

// The save command: a ".DMFZ" name goes through the compression interface; every failure is
// shown. Returns what write_workpiece_file() returned for the DMF bytes, 0 when nothing was written.
int save_workpiece(const sim::Workpiece& wp, const std::string& path, const SaveOptions& options);

// ---- Opening as the workpiece ----

struct OpenOptions {
    int data_level = sim::kDefaultDataLevel;  // DATA_LEVEL: the layers the new allocation keeps
    bool sharing = false;                     // SHARE MODE: a loaded workpiece counts as modified
};

struct OpenResult {
    int status = 0;               // 1 loaded; 0 refused or failed, message shown
    bool workpiece_lost = false;  // the allocation failed: no workpiece, clear the drawing area
    bool pitch_changed = false;   // the current tool's pitch-dependent profile must be rebuilt
    double origin_z = 0.0;        // the placement's translation z
};

// Reads the file into the workpiece. Every refusal before the allocation leaves the workpiece
// exactly as it was; the file is fully validated first.
OpenResult open_workpiece(sim::Workpiece& wp, const std::string& path, const OpenOptions& options);
// The same on bytes already at hand; `name` stands for the file in messages and suffix checks.
OpenResult open_workpiece(sim::Workpiece& wp, const DmfSource& source, std::string_view name,
                          const OpenOptions& options);

// ---- Models: header check, loading and resampling ----

// Model grid against the workpiece grid.
constexpr int kSameGrid = 0;
constexpr int kCannotOpen = 1;        // also an unreadable or refused header
constexpr int kOriginDiffers = 2;     // X or Y by more than 0.001
constexpr int kSizeDiffers = 3;       // nx or ny
constexpr int kPitchDiffers = 4;      // exact comparison

int compare_model_grid(const sim::GridGeometry& grid, const DmfHeader& header);
int check_model_header(const sim::GridGeometry& grid, const std::string& path);

// The difference command's message for a check result 1..4, titled with the model file name.
void show_model_difference(int check, std::string_view model_file);

struct ModelGrid {
    double origin_x = 0.0, origin_y = 0.0;
    double pitch = 1.0;
    std::int32_t nx = 2, ny = 2;
};

// Interpolates a model's heights (nx * ny, cell order) onto `grid`: each target point takes the
// plane of the source triangle it falls in, the triangles split by the diagonal from (a+1, m) to
// (a, m+1); points outside the model's extent get kNoMaterial. `progress` (may be empty) hears
// the count of target cells done after every row.
void resample_model(const ModelGrid& model, const float* heights, const sim::GridGeometry& grid, float* target,
                    const std::function<void(std::int64_t done)>& progress = {});

enum class ModelUse { Basic, Merge };

// Fills `target` (grid.cell_count values aligned with `grid`) from a model file: a DMF read
// straight when its grid matches, else resampled under a "Set Z-Value" progress window; an STL
// rasterised from -100000 (no material) up. Plug-in formats are not available yet and are refused
// with a message. 1 on success, 0 on failure with the message shown.
int load_model_heights(const sim::GridGeometry& grid, const std::string& path, float* target);
int load_model_heights(const sim::GridGeometry& grid, const DmfSource& source, std::string_view name,
                       float* target);

// Loads a model file into the workpiece's basic or merge array and marks it loaded. A refused
// file leaves the array and its loaded flag as they were.
int load_model(sim::Workpiece& wp, const std::string& path, ModelUse use);

// ---- User texts ----

extern const platform::TextPair kTextWriteError;       // "Write Error" ("Disk Over?")
extern const platform::TextPair kTextDiskOverTitle;
extern const platform::TextPair kTextResourceOver;     // ("Resource Over!")
extern const platform::TextPair kTextResourceOverTitle;
extern const platform::TextPair kTextBrokenData;       // ("Warning")
extern const platform::TextPair kTextWarningTitle;
extern const platform::TextPair kTextModelMemoryOver;  // "Memory over!" with the three titles below
extern const platform::TextPair kTextBasicModelTitle;
extern const platform::TextPair kTextMergeModelTitle;
extern const platform::TextPair kTextResampleTitle;
extern const platform::TextPair kTextSetZValue;

}  // namespace vx::work
