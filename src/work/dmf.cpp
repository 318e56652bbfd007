// The DMF format itself: reading and validating its parts, the compression interface and writing
// the workpiece. Opening a file as the workpiece or as a model is in dmf_load.cpp.
#include "work/dmf.h"

#include "platform/files.h"
#include "platform/log.h"
#include "platform/platform.h"
#include "work/dmfz.h"

#include <algorithm>
#include <bit>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace vx::work {

// Arrays go to and from the file as they lie in memory.
static_assert(std::endian::native == std::endian::little, "DMF arrays are little-endian in memory and file");

// ---- User texts ----

// The file messages exist only in English; both languages show them.
const platform::TextPair kTextWriteError{"Write Error", "Write Error"};
const platform::TextPair kTextDiskOverTitle{"Disk Over?", "Disk Over?"};
const platform::TextPair kTextResourceOver{"Please close some applications and try again!",
                                           "Please close some applications and try again!"};
const platform::TextPair kTextResourceOverTitle{"Resource Over!", "Resource Over!"};
const platform::TextPair kTextBrokenData{"Broken Data?", "Broken Data?"};
const platform::TextPair kTextWarningTitle{"Warning", "Warning"};
const platform::TextPair kTextModelMemoryOver{"Memory over!", "Memory over!"};
const platform::TextPair kTextBasicModelTitle{"Basic Model", "Basic Model"};
const platform::TextPair kTextMergeModelTitle{"Merge Model", "Merge Model"};
const platform::TextPair kTextResampleTitle{"Calculation for Basic Model", "Calculation for Basic Model"};
const platform::TextPair kTextSetZValue{"Set Z-Value", "Set Z-Value"};

namespace {

const platform::TextPair kTextCannotOpen{"ファイルを開けません。", "The file cannot be opened."};
const platform::TextPair kTextShort{"ファイルが短すぎます。被切削材ファイルではありません。",
                                    "The file is too short to be a workpiece file."};
const platform::TextPair kTextCounts{"格子点の数が正しくありません（各方向2以上）。",
                                     "The grid point counts are invalid (at least 2 along each axis)."};
const platform::TextPair kTextPitch{"ピッチが正の数ではありません。", "The pitch is not a positive number."};
const platform::TextPair kTextPlacement{"配置の値が正しくありません。",
                                        "The placement holds a value that is not a finite number."};
const platform::TextPair kTextQuantum{"高さの単位が数値ではありません。", "The height quantum is not a finite number."};
const platform::TextPair kTextLayerCode{"レイヤーコードが正しくありません（0〜5）。",
                                        "The layer code is invalid (0 to 5 attribute bytes per cell)."};
const platform::TextPair kTextSize{"ファイルが格子の大きさより短いです。ファイルが途中で切れているか壊れています。",
                                   "The file is shorter than its grid needs: the file is truncated or damaged."};
const platform::TextPair kTextHeight{"数値でない高さがあります。", "A height is not a finite number."};
const platform::TextPair kTextRead{"ファイルを最後まで読み込めませんでした。", "The file could not be read to its end."};

// ---- Layout ----

constexpr char kIdentifier[] = "VORNEX";
constexpr std::size_t kPlacementAt = 16;
constexpr std::size_t kCountsAt = 112;  // nx, ny, version
constexpr std::size_t kPitchesAt = 124;
constexpr std::size_t kQuantumAt = 140;
constexpr std::size_t kLayerCodeAt = 148;
constexpr std::size_t kBodyFormAt = 152;

constexpr std::int32_t kTrailerTag = 0;
constexpr std::int32_t kTrailerCount = 1;

constexpr std::int64_t kMaxCells = std::numeric_limits<std::int32_t>::max();  // cells are int32-indexed

// Bodies are read in pieces of this many values, so a huge grid never needs a second copy.
constexpr std::size_t kChunkValues = std::size_t{1} << 16;

// Where each part of the body starts: one entry per layer for a uniform body, one per cell else.
struct Layout {
    std::uint64_t heights, attributes, lines, trailer, end;
};

Layout layout_of(const DmfHeader& h) {
    const std::uint64_t entries = is_uniform(h) ? 1 : static_cast<std::uint64_t>(cell_count(h));
    Layout l;
    l.heights = kDmfHeaderBytes;
    l.attributes = l.heights + entries * 4;
    l.lines = l.attributes + (h.layer_code >= 1 ? entries : 0);
    l.trailer = l.lines + (h.layer_code >= 2 ? entries * 4 : 0);
    l.end = l.trailer + kDmfTrailerBytes;
    return l;
}

template <class T>
T field(const unsigned char* bytes, std::size_t at) {
    T value;
    std::memcpy(&value, bytes + at, sizeof value);
    return value;
}

// The fixed parts of a file as they are written: the header, a uniform body, the trailer.
struct Record {
    unsigned char data[kDmfHeaderBytes];
    std::size_t size = 0;
};

template <class T>
void put(Record& out, T value) {
    static_assert(sizeof(T) <= 8);
    if (out.size + sizeof value > sizeof out.data) return;  // never: every record is shorter
    std::memcpy(out.data + out.size, &value, sizeof value);
    out.size += sizeof value;
}

bool is_identity(const std::array<double, 12>& p) {
    constexpr double kIdentity[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    return std::equal(kIdentity, kIdentity + 9, p.begin());
}

bool ends_with_nocase(std::string_view name, std::string_view suffix) {
    if (name.size() < suffix.size()) return false;
    const std::string_view tail = name.substr(name.size() - suffix.size());
    return std::equal(tail.begin(), tail.end(), suffix.begin(), [](char a, char b) {
        return std::toupper(static_cast<unsigned char>(a)) == std::toupper(static_cast<unsigned char>(b));
    });
}

void show(const platform::TextPair& body, std::string_view title) {
    platform::Message message;
    message.title = title;
    message.body = platform::text(body);
    platform::show_message(message);
}

}  // namespace

std::uint64_t dmf_file_size(const DmfHeader& h) { return layout_of(h).end; }

// ---- Source ----

std::optional<DmfSource> DmfSource::open(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return std::nullopt;
    }
    DmfSource source;
    source.fd_ = fd;
    source.size_ = static_cast<std::uint64_t>(st.st_size);
    return source;
}

DmfSource DmfSource::from_bytes(std::string bytes) {
    DmfSource source;
    source.size_ = bytes.size();
    source.bytes_ = std::move(bytes);
    return source;
}

DmfSource::DmfSource(DmfSource&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), bytes_(std::move(other.bytes_)), size_(std::exchange(other.size_, 0)) {}

DmfSource& DmfSource::operator=(DmfSource&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = std::exchange(other.fd_, -1);
        bytes_ = std::move(other.bytes_);
        size_ = std::exchange(other.size_, 0);
    }
    return *this;
}

DmfSource::~DmfSource() {
    if (fd_ >= 0) ::close(fd_);
}

bool DmfSource::read(std::uint64_t offset, void* out, std::size_t bytes) const {
    if (offset > size_ || bytes > size_ - offset) return false;
    if (fd_ < 0) {
        std::memcpy(out, bytes_.data() + offset, bytes);
        return true;
    }
    char* to = static_cast<char*>(out);
    while (bytes > 0) {
        const ssize_t n = ::pread(fd_, to, bytes, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;  // shortened or failing since it was opened
        to += n;
        offset += static_cast<std::uint64_t>(n);
        bytes -= static_cast<std::size_t>(n);
    }
    return true;
}

bool DmfSource::compressed() const {
    unsigned char first = 0;
    return size_ > 0 && read(0, &first, 1) && first == kCompressedMark;
}

// ---- Header ----

namespace {

DmfProblem check_header(const DmfHeader& h, std::uint64_t file_size) {
    if (h.nx < 2 || h.ny < 2 || cell_count(h) > kMaxCells) return DmfProblem::Counts;
    if (!std::isfinite(h.pitch) || h.pitch <= 0.0) return DmfProblem::Pitch;
    const double max_x = h.origin_x + double(h.nx - 1) * h.pitch;
    const double max_y = h.origin_y + double(h.ny - 1) * h.pitch;
    if (!std::isfinite(max_x) || !std::isfinite(max_y) || !std::isfinite(h.origin_z) ||
        !std::isfinite(h.origin_x) || !std::isfinite(h.origin_y))
        return DmfProblem::Placement;
    if (!std::isfinite(h.quantum)) return DmfProblem::Quantum;
    // Codes 2 to 4 are read like 5 (attribute byte and line number), as every code from 2 up is.
    if (h.layer_code < kLayersHeightsOnly || h.layer_code > kLayersLineNumbers) return DmfProblem::LayerCode;
    // The trailer is the last 12 bytes: whatever a writer put between the body and it is skipped.
    if (file_size < dmf_file_size(h)) return DmfProblem::Size;
    return DmfProblem::None;
}

}  // namespace

DmfProblem read_dmf_header(const DmfSource& source, DmfHeader& header) {
    unsigned char b[kDmfHeaderBytes];
    if (source.size() < kDmfHeaderBytes + kDmfTrailerBytes) return DmfProblem::Short;
    if (!source.read(0, b, sizeof b)) return DmfProblem::Read;
    DmfHeader h;
    for (std::size_t k = 0; k < h.placement.size(); ++k) h.placement[k] = field<double>(b, kPlacementAt + 8 * k);
    // A placement that is not the identity is a 3x4 row-major matrix: its translation column is
    // values 4, 8 and 12.
    const bool identity = is_identity(h.placement);
    h.origin_x = identity ? h.placement[9] : h.placement[3];
    h.origin_y = identity ? h.placement[10] : h.placement[7];
    h.origin_z = h.placement[11];
    h.nx = field<std::int32_t>(b, kCountsAt);
    h.ny = field<std::int32_t>(b, kCountsAt + 4);
    h.version = field<std::int32_t>(b, kCountsAt + 8);
    h.first_pitch = field<double>(b, kPitchesAt);
    h.pitch = field<double>(b, kPitchesAt + 8);
    h.quantum = field<double>(b, kQuantumAt);
    h.layer_code = field<std::int32_t>(b, kLayerCodeAt);
    h.body_form = field<std::int32_t>(b, kBodyFormAt);
    const DmfProblem problem = check_header(h, source.size());
    if (problem == DmfProblem::None) header = h;
    return problem;
}

bool heights_always_finite(const DmfHeader& h) {
    if (h.quantum == 0.0) return false;  // float32 heights may hold anything
    return std::fabs(h.quantum) * 2147483648.0 < double(std::numeric_limits<float>::max());
}

// ---- Body ----

namespace {

// One stored height as float32 millimetres.
float stored_height(const unsigned char* bytes, double quantum) {
    if (quantum == 0.0) return field<float>(bytes, 0);
    return static_cast<float>(double(field<std::int32_t>(bytes, 0)) * quantum);
}

}  // namespace

DmfProblem read_dmf_heights(const DmfSource& source, const DmfHeader& h, float* out, double* highest,
                            double highest_start) {
    const Layout l = layout_of(h);
    const std::uint64_t entries = is_uniform(h) ? 1 : static_cast<std::uint64_t>(cell_count(h));
    std::vector<unsigned char> chunk(std::min<std::uint64_t>(entries, kChunkValues) * 4);
    std::vector<float> values(chunk.size() / 4);
    double top = highest_start;
    for (std::uint64_t first = 0; first < entries; first += values.size()) {
        const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(values.size(), entries - first));
        if (!source.read(l.heights + first * 4, chunk.data(), n * 4)) return DmfProblem::Read;
        for (std::size_t k = 0; k < n; ++k) {
            const float v = stored_height(chunk.data() + 4 * k, h.quantum);
            if (!std::isfinite(v)) return DmfProblem::Height;
            values[k] = v;
            top = std::max(top, double(v));
        }
        if (out == nullptr) continue;
        if (is_uniform(h)) std::fill_n(out, static_cast<std::size_t>(cell_count(h)), values[0]);
        else std::copy_n(values.data(), n, out + first);
    }
    if (highest) *highest = top;
    return DmfProblem::None;
}

DmfProblem read_dmf_attributes(const DmfSource& source, const DmfHeader& h, std::uint8_t* out) {
    const std::size_t cells = static_cast<std::size_t>(cell_count(h));
    if (h.layer_code < 1) {
        std::memset(out, 0, cells);
        return DmfProblem::None;
    }
    const std::uint64_t at = layout_of(h).attributes;
    if (!is_uniform(h)) return source.read(at, out, cells) ? DmfProblem::None : DmfProblem::Read;
    std::uint8_t value = 0;
    if (!source.read(at, &value, 1)) return DmfProblem::Read;
    std::memset(out, value, cells);
    return DmfProblem::None;
}

DmfProblem read_dmf_line_numbers(const DmfSource& source, const DmfHeader& h, std::int32_t* out) {
    const std::size_t cells = static_cast<std::size_t>(cell_count(h));
    if (h.layer_code < 2) {
        std::fill_n(out, cells, 0);
        return DmfProblem::None;
    }
    const std::uint64_t at = layout_of(h).lines;
    if (!is_uniform(h)) return source.read(at, out, cells * 4) ? DmfProblem::None : DmfProblem::Read;
    std::int32_t value = 0;
    if (!source.read(at, &value, 4)) return DmfProblem::Read;
    std::fill_n(out, cells, value);
    return DmfProblem::None;
}

DmfProblem read_dmf_bottom(const DmfSource& source, const DmfHeader& h, double* bottom) {
    unsigned char b[4];
    if (!source.read(source.size() - sizeof b, b, sizeof b)) return DmfProblem::Read;
    const float v = stored_height(b, h.quantum);
    if (!std::isfinite(v)) return DmfProblem::Height;
    *bottom = v;
    return DmfProblem::None;
}

// ---- Problems ----

std::string_view problem_text(DmfProblem problem) {
    switch (problem) {
    case DmfProblem::None: return {};
    case DmfProblem::CannotOpen: return platform::text(kTextCannotOpen);
    case DmfProblem::Short: return platform::text(kTextShort);
    case DmfProblem::Counts: return platform::text(kTextCounts);
    case DmfProblem::Pitch: return platform::text(kTextPitch);
    case DmfProblem::Placement: return platform::text(kTextPlacement);
    case DmfProblem::Quantum: return platform::text(kTextQuantum);
    case DmfProblem::LayerCode: return platform::text(kTextLayerCode);
    case DmfProblem::Size: return platform::text(kTextSize);
    case DmfProblem::Height: return platform::text(kTextHeight);
    case DmfProblem::Read: return platform::text(kTextRead);
    }
    return {};
}

void show_problem(std::string_view name, DmfProblem problem) {
    // The name goes into the body too: a batch log keeps only the body.
    const std::string body = std::string(problem_text(problem)) + " (" + std::string(name) + ")";
    platform::Message message;
    message.title = name;
    message.body = body;
    platform::show_message(message);
}

// ---- Compression ----

namespace {

// The code "Cannot decompress data" reports: the data is not a valid compressed stream.
constexpr int kBadCompressedData = EBADMSG;

std::optional<std::string> codec_decompress(std::string_view framed, std::string_view name, bool report) {
    std::string plain;
    const FramingProblem problem = decompress_framed(framed, plain);
    if (problem == FramingProblem::None) return plain;
    if (report) {
        std::printf("Cannot decompress data: %d.\n", problem == FramingProblem::Memory ? ENOMEM : kBadCompressedData);
        std::fflush(stdout);
        platform::note("vornex: " + std::string(name) + ": " + std::string(framing_problem_text(problem)));
    }
    return std::nullopt;
}

}  // namespace

bool has_dmf_suffix(std::string_view name) { return ends_with_nocase(name, ".DMF") || has_dmfz_suffix(name); }
bool has_dmfz_suffix(std::string_view name) { return ends_with_nocase(name, ".DMFZ"); }

const DmfSource* plain_dmf(const DmfSource& source, std::string_view name, bool report,
                           std::optional<DmfSource>& holder) {
    if (source.compressed()) {
        // The codec works on whole buffers, in memory: no file but the one named is touched.
        std::string input(static_cast<std::size_t>(source.size()), '\0');
        std::optional<std::string> plain;
        if (source.read(0, input.data(), input.size())) plain = codec_decompress(input, name, report);
        if (!plain) {
            if (report) show(kTextBrokenData, platform::text(kTextWarningTitle));
            return nullptr;
        }
        holder = DmfSource::from_bytes(std::move(*plain));
        return &*holder;
    }
    if (has_dmfz_suffix(name)) {
        if (report) show(kTextBrokenData, platform::text(kTextWarningTitle));
        return nullptr;
    }
    return &source;
}

// ---- Writing ----

std::int32_t layer_code_for_save(const sim::Workpiece& wp, int save_level) {
    switch (save_level) {
    case 2: return kLayersAttributes;
    case 3: return sim::has_line_layer(wp) ? kLayersLineNumbers : kLayersAttributes;
    default: return kLayersHeightsOnly;
    }
}

std::int32_t height_to_count(double h) {
    const double q = h / 0.001;
    const double rounded = std::trunc(q > 0.0 ? q + 0.5 : q - 0.5);
    // Saturated: a height beyond +-2147 m has no count, and converting it would be undefined.
    if (!(rounded > double(std::numeric_limits<std::int32_t>::min()))) return std::numeric_limits<std::int32_t>::min();
    if (!(rounded < double(std::numeric_limits<std::int32_t>::max()))) return std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(rounded);
}

namespace {

Record header_record(const sim::Workpiece& wp, std::int32_t layer_code, bool integer, bool uniform) {
    const sim::GridGeometry& g = wp.geometry;
    Record out;
    std::memset(out.data, ' ', kDmfIdentifierBytes);
    std::memcpy(out.data, kIdentifier, sizeof kIdentifier - 1);
    out.size = kDmfIdentifierBytes;
    const double placement[12] = {1, 0, 0, 0, 1, 0, 0, 0, 1, g.origin_x, g.origin_y, 0.0};
    for (double v : placement) put(out, v);
    put(out, g.nx);
    put(out, g.ny);
    put(out, kDmfVersion);
    put(out, g.pitch);
    put(out, g.pitch);
    put(out, integer ? kIntegerQuantum : 0.0);
    put(out, layer_code);
    put(out, uniform ? kBodyUniform : kBodyFull);
    return out;
}

void put_height(Record& out, double h, bool integer) {
    if (integer) put(out, height_to_count(h));
    else put(out, static_cast<float>(h));
}

template <class Sink>
void write_uniform_body(Sink& file, const sim::Workpiece& wp, std::int32_t layer_code, bool integer) {
    Record body;
    put_height(body, wp.height.data[0], integer);
    if (layer_code >= 1) put(body, wp.attribute.data[0]);
    if (layer_code >= 2) put(body, wp.line_number.data[0]);
    file.write(body.data, body.size);
}

template <class Sink>
void write_full_body(Sink& file, const sim::Workpiece& wp, std::int32_t layer_code, bool integer) {
    const std::size_t nx = static_cast<std::size_t>(wp.geometry.nx);
    const std::size_t cells = static_cast<std::size_t>(wp.geometry.cell_count);
    if (integer) {
        std::vector<std::int32_t> row(nx);
        for (std::size_t first = 0; first < cells && file.ok(); first += nx) {
            for (std::size_t i = 0; i < nx; ++i) row[i] = height_to_count(wp.height.data[first + i]);
            file.write(row.data(), nx * 4);
        }
    } else {
        file.write(wp.height.data, cells * 4);
    }
    if (layer_code >= 1) file.write(wp.attribute.data, cells);
    if (layer_code >= 2) file.write(wp.line_number.data, cells * 4);
}

// The system ran out of memory for the write rather than the disk out of space.
int write_failure(int error) { return error == ENOMEM || error == ENOBUFS ? -9 : 0; }

void report_write_result(int result) {
    if (result == 0) show(kTextWriteError, platform::text(kTextDiskOverTitle));
    else if (result == -9) show(kTextResourceOver, platform::text(kTextResourceOverTitle));
}

// The DMF bytes in memory, for the compressed form.
struct ByteSink {
    std::string bytes;
    bool ok() const { return true; }
    bool write(const void* data, std::size_t size) {
        bytes.append(static_cast<const char*>(data), size);
        return true;
    }
};

// Header, body and trailer in the order of the format, to a file or to memory.
template <class Sink>
void write_dmf(Sink& sink, const sim::Workpiece& wp, const SaveOptions& options) {
    const std::int32_t layer_code = layer_code_for_save(wp, options.save_level);
    const bool integer = options.integer_heights;
    // Every cell still holds the values of the definition: one set stands for all.
    const bool uniform = wp.modification_state == sim::kDefined;
    const Record header = header_record(wp, layer_code, integer, uniform);
    sink.write(header.data, header.size);
    if (uniform) write_uniform_body(sink, wp, layer_code, integer);
    else write_full_body(sink, wp, layer_code, integer);
    Record trailer;
    put(trailer, kTrailerTag);
    put(trailer, kTrailerCount);
    put_height(trailer, wp.work_bottom, integer);
    sink.write(trailer.data, trailer.size);
}

// Compressed in memory and put in place whole: no file beside the target is made or removed,
// so a user's own file of any name is never touched and two instances never meet.
int write_compressed(const sim::Workpiece& wp, const std::string& path, const SaveOptions& options) {
    std::optional<std::string> framed;
    try {
        ByteSink plain;
        write_dmf(plain, wp, options);
        framed = compress_framed(plain.bytes);
    } catch (const std::bad_alloc&) {
        return -9;
    }
    if (!framed) return -9;
    return platform::replace_file(path, *framed) ? 1 : write_failure(errno);
}

}  // namespace

std::optional<std::string> dmf_bytes(const sim::Workpiece& wp, const SaveOptions& options) {
    if (!sim::has_workpiece(wp)) return std::nullopt;
    ByteSink sink;
    write_dmf(sink, wp, options);
    return std::move(sink.bytes);
}

int write_workpiece_file(const sim::Workpiece& wp, const std::string& path, const SaveOptions& options) {
    if (!sim::has_workpiece(wp)) return 0;
    platform::StagedFile file(path);
    write_dmf(file, wp, options);
    if (!file.commit()) return write_failure(file.error());
    return 1;
}

int save_workpiece(const sim::Workpiece& wp, const std::string& path, const SaveOptions& options) {
    if (!sim::has_workpiece(wp)) return 0;
    const int result = has_dmfz_suffix(path) ? write_compressed(wp, path, options)
                                             : write_workpiece_file(wp, path, options);
    report_write_result(result);
    return result;
}

}  // namespace vx::work
