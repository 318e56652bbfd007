// The exports' driver and the STL writer: the same walk of the surface goes to memory or to a
// staged file, as text, little-endian or big-endian triangles. The VRML writers are in vrml.cpp.
#include "work/mesh_export.h"

#include "platform/files.h"
#include "platform/log.h"
#include "platform/platform.h"
#include "work/dmf.h"
#include "work/export_writer.h"
#include "work/stl_import.h"
#include "work/top_surface.h"

#include <bit>
#include <cmath>
#include <cstring>
#include <limits>

namespace vx::work {
namespace {

// ---- STL ----

// One float as a binary STL holds it.
void put_float(char*& at, float v, bool big_endian) {
    std::uint32_t bits = std::bit_cast<std::uint32_t>(v);
    if (big_endian) bits = __builtin_bswap32(bits);
    std::memcpy(at, &bits, sizeof bits);
    at += sizeof bits;
}

struct StlWriter {
    ExportSink& out;
    ExportFormat format;
    std::uint64_t count = 0;

    // Writes the triangle Q0, Q1, Q2 with its unit normal; one whose normal has no length is
    // neither written nor counted.
    void triangle(const Point3f& q0, const Point3f& q1, const Point3f& q2) {
        const double ax = double(q1.x) - q0.x, ay = double(q1.y) - q0.y, az = double(q1.z) - q0.z;
        const double bx = double(q2.x) - q0.x, by = double(q2.y) - q0.y, bz = double(q2.z) - q0.z;
        const double nx = ay * bz - az * by, ny = az * bx - ax * bz, nz = ax * by - ay * bx;
        const double length = std::sqrt(nx * nx + ny * ny + nz * nz);
        if (length == 0.0) return;
        // + 0.0f: a zero component is written as 0, never as -0.
        const Point3f n{float(nx / length) + 0.0f, float(ny / length) + 0.0f, float(nz / length) + 0.0f};
        ++count;
        if (format == ExportFormat::StlText) text_triangle(n, q0, q1, q2);
        else binary_triangle(n, q0, q1, q2);
    }

    void text_triangle(const Point3f& n, const Point3f& q0, const Point3f& q1, const Point3f& q2) {
        LineBuilder line;
        line.add("  facet normal ").add_point(n).add("\n    outer loop\n");
        for (const Point3f* q : {&q0, &q1, &q2}) line.add("      vertex ").add_point(*q).add("\n");
        line.add("    endloop\n  endfacet\n");
        out.write(line.data(), line.size());
    }

    void binary_triangle(const Point3f& n, const Point3f& q0, const Point3f& q1, const Point3f& q2) {
        const bool big = format == ExportFormat::StlBig;
        char record[kStlTriangleBytes];
        char* at = record;
        for (const Point3f* p : {&n, &q0, &q1, &q2}) {
            put_float(at, p->x, big);
            put_float(at, p->y, big);
            put_float(at, p->z, big);
        }
        at[0] = at[1] = 0;  // attribute
        out.write(record, sizeof record);
    }

    // Two triangles over the quad P0, P1, P2, P3 (P3 opposite P0): P0, P1, P2 and P3, P2, P1.
    void quad(const Point3f& p0, const Point3f& p1, const Point3f& p2, const Point3f& p3) {
        triangle(p0, p1, p2);
        triangle(p3, p2, p1);
    }
};

std::string binary_header(std::string_view title) {
    std::string header(kStlHeaderBytes, ' ');
    header.replace(0, std::min(title.size(), kStlHeaderBytes), title.substr(0, kStlHeaderBytes));
    return header;
}

// The top surface, the four walls in their order and the bottom, every face outward.
void write_solid(StlWriter& w, const SurfacePoints& s) {
    std::vector<std::uint8_t> covered;
    for_each_top_rectangle(s.grid, covered, [&](const GridRect& r) {
        w.quad(s.top(r.j, r.i), s.top(r.k, r.i), s.top(r.j, r.m), s.top(r.k, r.m));
    });
    for (const WallWalk& walk : wall_walks(s.grid.nx, s.grid.ny)) {
        for_each_wall_segment(s.grid, walk, [&](std::int32_t start, std::int32_t end) {
            const std::int32_t c0 = walk.column + start * walk.dx, r0 = walk.row + start * walk.dy;
            const std::int32_t c1 = walk.column + end * walk.dx, r1 = walk.row + end * walk.dy;
            w.quad(s.top(c0, r0), s.top(c1, r1), s.base(c0, r0), s.base(c1, r1));
        });
    }
    const std::int32_t last_x = s.grid.nx - 1, last_y = s.grid.ny - 1;
    w.quad(s.base(0, 0), s.base(0, last_y), s.base(last_x, 0), s.base(last_x, last_y));
}

bool write_stl(ExportSink& out, const SurfacePoints& s, ExportFormat format, std::string_view title) {
    StlWriter w{out, format};
    constexpr std::string_view kTextStart = "solid\n", kTextEnd = "endsolid\n";
    if (format == ExportFormat::StlText) {
        out.write(kTextStart.data(), kTextStart.size());
    } else {
        const std::string header = binary_header(title);
        const char zero_count[kStlCountBytes] = {};
        out.write(header.data(), header.size());
        out.write(zero_count, sizeof zero_count);
    }
    write_solid(w, s);
    if (format == ExportFormat::StlText) {
        out.write(kTextEnd.data(), kTextEnd.size());
        return true;
    }
    // A binary count holds 32 bits; a grid that needs more cannot be a binary STL.
    if (w.count > std::numeric_limits<std::uint32_t>::max()) return false;
    std::uint32_t count = static_cast<std::uint32_t>(w.count);
    if (format == ExportFormat::StlBig) count = __builtin_bswap32(count);
    out.patch(kStlHeaderBytes, &count, sizeof count);
    return true;
}

bool write_export(ExportSink& out, const sim::Workpiece& wp, ExportFormat format, const ExportOptions& options,
                  std::string_view title) {
    const SurfacePoints s = surface_points(wp);
    switch (format) {
    case ExportFormat::StlText:
    case ExportFormat::StlLittle:
    case ExportFormat::StlBig: return write_stl(out, s, format, title);
    case ExportFormat::VrmlFaces: write_vrml_faces(out, s, options); return true;
    case ExportFormat::VrmlGrid: write_vrml_grid(out, s, options); return true;
    }
    return false;
}

void report_write_failure(const std::string& path, int error) {
    platform::Message message;
    const std::string body = std::string(platform::text(kTextWriteError)) + " (" + path + ": " + std::strerror(error) + ")";
    message.title = platform::text(kTextDiskOverTitle);
    message.body = body;
    platform::show_message(message);
}

}  // namespace

std::string_view file_title(std::string_view path) {
    const std::size_t slash = path.find_last_of("/\\");
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string export_bytes(const sim::Workpiece& wp, ExportFormat format, const ExportOptions& options,
                         std::string_view title) {
    ExportSink sink;
    if (sim::has_workpiece(wp) && !write_export(sink, wp, format, options, title)) return {};
    return std::move(sink.bytes);
}

int export_workpiece(const sim::Workpiece& wp, const std::string& path, ExportFormat format,
                     const ExportOptions& options) {
    if (!sim::has_workpiece(wp)) return 0;
    platform::StagedFile file(path);
    ExportSink sink{&file, {}};
    if (!write_export(sink, wp, format, options, file_title(path))) {
        platform::note("vornex: " + path + ": the workpiece has more triangles than a binary STL can count");
        return 0;  // the staged file is removed uncommitted
    }
    if (!file.commit()) {
        report_write_failure(path, file.error());
        return 0;
    }
    return 1;
}

}  // namespace vx::work
