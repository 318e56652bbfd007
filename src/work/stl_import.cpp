// STL import: kind detection, the binary and text readers and the rasteriser. Loading as the
// workpiece or as a model is in stl_load.cpp.
#include "work/stl_import.h"

#include "base/text.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

namespace vx::work {
namespace {

static_assert(std::endian::native == std::endian::little, "binary STL values are read as little-endian");

// ---- Kind detection ----

constexpr std::uint64_t kShortestSize = kStlHeaderBytes + kStlCountBytes;  // smaller sizes count as this
constexpr std::size_t kFacetSearchOffsets = 250;  // "facet" may start at any of the first 250 bytes

std::uint32_t swap32(std::uint32_t v) {
    return (v >> 24) | ((v >> 8) & 0xFF00u) | ((v << 8) & 0xFF0000u) | (v << 24);
}

bool facet_at(std::string_view head, std::size_t at) { return at <= head.size() && keyword_is(head.substr(at), "facet"); }

}  // namespace

int detect_stl_kind(std::string_view head, std::uint64_t size) {
    if (size == 0) return kStlUnknown;
    head = head.substr(0, kStlProbeBytes);
    const std::uint64_t n = (std::max(size, kShortestSize) - kShortestSize) / kStlTriangleBytes;
    // A file shorter than the count's place reads zeros there.
    unsigned char count_bytes[kStlCountBytes] = {};
    for (std::size_t k = 0; k < kStlCountBytes && kStlHeaderBytes + k < head.size(); ++k)
        count_bytes[k] = static_cast<unsigned char>(head[kStlHeaderBytes + k]);
    std::uint32_t c;
    std::memcpy(&c, count_bytes, sizeof c);
    if (n == c) return kStlBinary;
    if (n == swap32(c)) return kStlBinaryBigEndian;
    for (std::size_t at = 0; at < kFacetSearchOffsets; ++at)
        if (facet_at(head, at)) return kStlText;
    if (c != 0 && n != 0 && n >= c) return kStlBinary;
    return kStlUnknown;
}

int detect_stl_kind(const DmfSource& source) {
    char head[kStlProbeBytes];
    const std::size_t bytes = static_cast<std::size_t>(std::min<std::uint64_t>(source.size(), sizeof head));
    if (!source.read(0, head, bytes)) return kStlUnknown;
    return detect_stl_kind(std::string_view(head, bytes), source.size());
}

// ---- Binary reader ----

namespace {

// Triangles read per piece: large enough to amortise the reads, small enough to stay in cache.
constexpr std::uint64_t kTrianglesPerPiece = 4096;

bool finite(const Vec3& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }
bool finite(const StlTriangle& t) {
    return finite(t.normal) && finite(t.vertex[0]) && finite(t.vertex[1]) && finite(t.vertex[2]);
}

float binary_float(const unsigned char* at, bool big_endian) {
    std::uint32_t bits;
    std::memcpy(&bits, at, sizeof bits);
    if (big_endian) bits = swap32(bits);
    return std::bit_cast<float>(bits);
}

Vec3 binary_vec(const unsigned char* at, bool big_endian) {
    return {binary_float(at, big_endian), binary_float(at + 4, big_endian), binary_float(at + 8, big_endian)};
}

void hand_over(const StlTriangle& t, StlPass& pass, const std::function<void(const StlTriangle&)>& visit) {
    if (!finite(t)) {
        ++pass.not_finite;
        return;
    }
    ++pass.triangles;
    visit(t);
}

StlPass read_binary(const DmfSource& source, bool big_endian, const std::function<void(const StlTriangle&)>& visit,
                    const std::function<void(std::uint64_t)>& progress) {
    StlPass pass;
    // A file too short to hold a count holds no triangle (kind detection read zeros there).
    if (source.size() < kShortestSize) {
        pass.claimed = 0;
        return pass;
    }
    unsigned char count_bytes[kStlCountBytes];
    if (!source.read(kStlHeaderBytes, count_bytes, sizeof count_bytes)) {
        pass.read_failed = true;
        return pass;
    }
    std::uint32_t count;
    std::memcpy(&count, count_bytes, sizeof count);
    if (big_endian) count = swap32(count);
    pass.claimed = count;
    // The piece buffer is sized by what the file can hold, never by the count it claims.
    const std::uint64_t held = (source.size() - kShortestSize) / kStlTriangleBytes;
    std::vector<unsigned char> piece(static_cast<std::size_t>(std::min({held, kTrianglesPerPiece, std::uint64_t{count}}) *
                                                              kStlTriangleBytes));
    std::uint64_t offset = kShortestSize;
    for (std::uint64_t left = std::min<std::uint64_t>(count, held); left > 0;) {
        const std::uint64_t n = std::min(left, kTrianglesPerPiece);
        if (!source.read(offset, piece.data(), static_cast<std::size_t>(n * kStlTriangleBytes))) {
            pass.read_failed = true;
            return pass;
        }
        for (std::uint64_t k = 0; k < n; ++k) {
            const unsigned char* at = piece.data() + k * kStlTriangleBytes;
            StlTriangle t;
            t.normal = binary_vec(at, big_endian);
            for (int v = 0; v < 3; ++v) t.vertex[v] = binary_vec(at + 12 * (v + 1), big_endian);
            hand_over(t, pass, visit);
        }
        offset += n * kStlTriangleBytes;
        left -= n;
        if (progress) progress(offset);
    }
    return pass;
}

// ---- Text reader ----

// Lines are taken as a reader of at most 255 characters a line takes them: a longer line goes on
// as the next one.
constexpr std::size_t kMaxLine = 255;
constexpr std::size_t kTextPiece = std::size_t{1} << 16;

// Walks the file in pieces and hands out its lines, each without the bytes after a NUL.
struct LineReader {
    const DmfSource& source;
    std::vector<char> piece = std::vector<char>(kTextPiece);
    std::uint64_t offset = 0;  // of piece[0] in the file
    std::size_t at = 0, end = 0;
    bool failed = false;

    // False at the end of the file or on a failed read.
    bool next(std::string_view& line, std::uint64_t& consumed) {
        if (at + kMaxLine > end && !refill()) return false;
        if (at == end) return false;
        const std::size_t limit = std::min(end - at, kMaxLine);
        const char* start = piece.data() + at;
        const void* newline = std::memchr(start, '\n', limit);
        const std::size_t length = newline ? static_cast<std::size_t>(static_cast<const char*>(newline) - start) + 1 : limit;
        at += length;
        consumed = offset + at;
        line = std::string_view(start, length);
        if (const void* nul = std::memchr(start, '\0', length)) line = line.substr(0, static_cast<const char*>(nul) - start);
        return true;
    }

    // Moves what is left to the front and reads what follows; true while bytes are left.
    bool refill() {
        const std::size_t left = end - at;
        std::memmove(piece.data(), piece.data() + at, left);
        offset += at;
        at = 0;
        end = left;
        const std::uint64_t next = offset + end;
        const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(piece.size() - end, source.size() - next));
        if (want > 0 && !source.read(next, piece.data() + end, want)) {
            failed = true;
            return false;
        }
        end += want;
        return end > 0;
    }
};

enum class Keyword { None, Facet, Outer, Vertex, EndLoop, EndSolid };

// The keyword starting at the line's first character out of "efsovEFSOV"; `rest` follows it.
Keyword keyword_of(std::string_view line, std::string_view& rest) {
    const std::size_t at = line.find_first_of("efsovEFSOV");
    if (at == std::string_view::npos) return Keyword::None;
    const std::string_view word = line.substr(at);
    struct Entry {
        std::string_view text;
        Keyword keyword;
    };
    // "endfacet" is known and ignored; "solid" and any other word too.
    constexpr Entry kWords[] = {{"endloop", Keyword::EndLoop},   {"end loop", Keyword::EndLoop},
                                {"endfacet", Keyword::None},     {"end facet", Keyword::None},
                                {"endsolid", Keyword::EndSolid}, {"end solid", Keyword::EndSolid},
                                {"facet", Keyword::Facet},       {"outer", Keyword::Outer},
                                {"vertex", Keyword::Vertex}};
    for (const Entry& e : kWords)
        if (keyword_is(word, e.text)) {
            rest = word.substr(e.text.size());
            return e.keyword;
        }
    return Keyword::None;
}

// Three numbers, each found by skipping to the next character out of "1234567890-.\n", read as a
// decimal number (exponent accepted; 0 when none can be read there), and followed by a skip to the
// next blank or tab. A value beyond the double range reads as infinite, so its triangle is left out.
Vec3 three_numbers(std::string_view text) {
    Vec3 out;
    const char* p = text.data();
    const char* const end = p + text.size();
    for (int axis = 0; axis < 3; ++axis) {
        while (p < end && !std::strchr("1234567890-.\n", *p)) ++p;
        double value = 0.0;
        const auto [next, error] = std::from_chars(p, end, value);
        if (error == std::errc::result_out_of_range) value = std::numeric_limits<double>::infinity();
        else if (error != std::errc{}) value = 0.0;
        out[axis] = value;
        p = next;
        while (p < end && *p != ' ' && *p != '\t') ++p;
    }
    return out;
}

StlPass read_text(const DmfSource& source, const std::function<void(const StlTriangle&)>& visit,
                  const std::function<void(std::uint64_t)>& progress) {
    constexpr std::uint64_t kProgressBytes = std::uint64_t{1} << 20;  // report about every MiB
    StlPass pass;
    LineReader reader{source};
    StlTriangle t;
    int vertices = 0;
    std::uint64_t consumed = 0, reported = 0;
    std::string_view line;
    while (reader.next(line, consumed)) {
        if (progress && consumed - reported >= kProgressBytes) progress(reported = consumed);
        std::string_view rest;
        const Keyword keyword = keyword_of(line, rest);
        if (keyword == Keyword::EndSolid) break;
        switch (keyword) {
        case Keyword::Facet: t.normal = three_numbers(rest); break;
        case Keyword::Outer: vertices = 0; break;
        case Keyword::Vertex:
            if (vertices < 3) t.vertex[vertices] = three_numbers(rest);
            ++vertices;
            break;
        case Keyword::EndLoop:
            if (vertices >= 3) hand_over(t, pass, visit);  // vertices past the third are ignored
            else ++pass.incomplete;
            // The next facet starts afresh: a missing facet line gives a normal to recompute.
            t = StlTriangle{};
            vertices = 0;
            break;
        default: break;
        }
    }
    pass.read_failed = reader.failed;
    if (progress) progress(consumed);
    return pass;
}

}  // namespace

StlPass for_each_stl_triangle(const DmfSource& source, int kind, const std::function<void(const StlTriangle&)>& visit,
                              const std::function<void(std::uint64_t)>& progress) {
    switch (kind) {
    case kStlText: return read_text(source, visit, progress);
    case kStlBinary: return read_binary(source, false, visit, progress);
    case kStlBinaryBigEndian: return read_binary(source, true, visit, progress);
    default: return {};
    }
}

// ---- Point classification ----

namespace {

constexpr double kAtVertex = 0.01;          // mm: a point this close to a vertex is at it
constexpr double kOnEdgeCosine = -0.999999; // a vertex pair seen at least this straight: on their edge

double cross_z(double ax, double ay, double bx, double by) { return ax * by - ay * bx; }

bool near_vertex(double px, double py, const std::array<Vec3, 3>& v) {
    for (const Vec3& c : v) {
        const double dx = c.x - px, dy = c.y - py;
        if (dx * dx + dy * dy <= kAtVertex * kAtVertex) return true;
    }
    return false;
}

// cos(angle) <= kOnEdgeCosine for the directions to two vertices, without roots: the dot
// product is negative and its square at least cos² times the squared lengths.
bool on_edge(double px, double py, const std::array<Vec3, 3>& v) {
    constexpr double k2 = kOnEdgeCosine * kOnEdgeCosine;
    for (int e = 0; e < 3; ++e) {
        const Vec3& a = v[e];
        const Vec3& b = v[(e + 1) % 3];
        const double ax = a.x - px, ay = a.y - py, bx = b.x - px, by = b.y - py;
        const double d = ax * bx + ay * by;
        if (d < 0.0 && d * d >= k2 * (ax * ax + ay * ay) * (bx * bx + by * by)) return true;
    }
    return false;
}

// Strictly inside by the turn of each edge. The angle sum of the directions to the vertices is
// ±2π exactly there and 0 outside; the points where rounding could tell the two apart lie within
// the vertex and edge zones, which are decided first.
bool strictly_inside(double px, double py, const std::array<Vec3, 3>& v) {
    const double s0 = cross_z(v[1].x - v[0].x, v[1].y - v[0].y, px - v[0].x, py - v[0].y);
    const double s1 = cross_z(v[2].x - v[1].x, v[2].y - v[1].y, px - v[1].x, py - v[1].y);
    const double s2 = cross_z(v[0].x - v[2].x, v[0].y - v[2].y, px - v[2].x, py - v[2].y);
    return (s0 > 0.0 && s1 > 0.0 && s2 > 0.0) || (s0 < 0.0 && s1 < 0.0 && s2 < 0.0);
}

// The rasteriser only asks whether a point is covered: vertex, edge and inside are all covered,
// so the cheap inside test goes first.
bool covers(double px, double py, const std::array<Vec3, 3>& v) {
    return strictly_inside(px, py, v) || near_vertex(px, py, v) || on_edge(px, py, v);
}

}  // namespace

PointClass classify_point(double px, double py, const std::array<Vec3, 3>& v) {
    if (near_vertex(px, py, v)) return PointClass::Vertex;
    if (on_edge(px, py, v)) return PointClass::Edge;
    return strictly_inside(px, py, v) ? PointClass::Inside : PointClass::Outside;
}

// ---- Rasterising ----

namespace {

constexpr double kVerticalNormal = 1e-8;  // |n.z| below this: a wall, seen from above a line
constexpr double kRunaway = 5.0;          // mm beyond the triangle's Z range: the plane ran away
constexpr double kIndexBias = 0.1;        // index range rounding: a point 0.9 pitch beyond still looks

Vec3 cross(const Vec3& a, const Vec3& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

bool all_equal(double a, double b, double c) { return a == b && b == c; }

// The first and last grid index of a coordinate range, clamped to [0, last]; false when empty.
bool index_range(double lo, double hi, double origin, double pitch, std::int32_t last, std::int32_t& first,
                 std::int32_t& final) {
    const double from = std::max(0.0, std::trunc((lo - origin) / pitch + kIndexBias));
    const double to = std::min(double(last), std::trunc((hi - origin) / pitch + kIndexBias));
    if (!(from <= to)) return false;  // also NaN
    first = static_cast<std::int32_t>(from);
    final = static_cast<std::int32_t>(to);
    return true;
}

}  // namespace

bool rasterise_triangle(const RasterTarget& target, StlTriangle t) {
    std::array<Vec3, 3>& v = t.vertex;
    if (v[0] == v[1] || v[1] == v[2] || v[0] == v[2]) return false;
    Vec3 n = t.normal;
    if (n.x == 0.0 && n.y == 0.0 && !all_equal(v[0].z, v[1].z, v[2].z)) n = cross(v[1] - v[0], v[2] - v[0]);
    if (target.swing)
        for (Vec3& p : v) p = swing_point(*target.swing, p);
    if (all_equal(v[0].x, v[1].x, v[2].x) || all_equal(v[0].y, v[1].y, v[2].y)) return false;
    if (!(n == Vec3{})) {
        if (target.swing) n = swing_direction(*target.swing, n);
    } else {
        n = cross(v[1] - v[0], v[2] - v[0]);
    }
    if (std::fabs(n.z) < kVerticalNormal) return false;

    const double min_x = std::min({v[0].x, v[1].x, v[2].x}), max_x = std::max({v[0].x, v[1].x, v[2].x});
    const double min_y = std::min({v[0].y, v[1].y, v[2].y}), max_y = std::max({v[0].y, v[1].y, v[2].y});
    const double min_z = std::min({v[0].z, v[1].z, v[2].z}), max_z = std::max({v[0].z, v[1].z, v[2].z});
    const double k = dot(v[0], n);
    const sim::GridGeometry& g = *target.grid;
    std::int32_t i0, i1, j0, j1;
    if (!index_range(min_x, max_x, g.origin_x, g.pitch, g.last_column, i0, i1) ||
        !index_range(min_y, max_y, g.origin_y, g.pitch, g.last_row, j0, j1))
        return true;
    for (std::int32_t j = j0; j <= j1; ++j) {
        const double y = g.origin_y + j * g.pitch;
        float* row = target.heights + std::int64_t{j} * g.nx;
        bool met = false;
        for (std::int32_t i = i0; i <= i1; ++i) {
            const double x = g.origin_x + i * g.pitch;
            if (!covers(x, y, v)) {
                if (met) break;  // a triangle's row is one run: past it nothing more is covered
                continue;
            }
            met = true;
            double z = (k - x * n.x - y * n.y) / n.z;
            if (z > max_z + kRunaway || z < min_z - kRunaway) z = target.bottom;
            else z = std::clamp(z, min_z, max_z);
            row[i] = std::max(row[i], static_cast<float>(z));
        }
    }
    return true;
}

}  // namespace vx::work
