// VRML 2.0 exports: the closed solid as an indexed face set (every grid point, then the four
// bottom corners, then the faces by point index) and the top surface as an elevation grid.
#include "work/export_writer.h"

namespace vx::work {
namespace {

constexpr double kColourScale = 255.0;

// The lines every VRML export starts with, up to the material's end.
void write_appearance(ExportSink& out, const ExportOptions& options) {
    out.write("#VRML V2.0 utf8\nShape {\n appearance Appearance {\n  material Material {\n");
    LineBuilder line;
    const Colour c = options.work_colour;
    line.add("   diffuseColor ").add_fixed(red(c) / kColourScale).add(" ").add_fixed(green(c) / kColourScale);
    line.add(" ").add_fixed(blue(c) / kColourScale).add("\n");
    out.write(line.view());
    out.write("  }\n }\n");
}

// Point index of grid point (column, row): row by row.
std::int64_t index_of(const HeightGrid& g, std::int32_t column, std::int32_t row) {
    return std::int64_t{row} * g.nx + column;
}

void write_points(ExportSink& out, const SurfacePoints& s) {
    out.write("  geometry IndexedFaceSet {\n    coord Coordinate {\n      point [\n");
    LineBuilder line;
    for (std::int32_t row = 0; row < s.grid.ny; ++row)
        for (std::int32_t column = 0; column < s.grid.nx; ++column) {
            line.clear();
            out.write(line.add("        ").add_point(s.top(column, row)).add(",\n").view());
        }
    const std::int32_t last_x = s.grid.nx - 1, last_y = s.grid.ny - 1;
    const Point3f corners[4] = {s.base(0, 0), s.base(last_x, 0), s.base(0, last_y), s.base(last_x, last_y)};
    for (int k = 0; k < 4; ++k) {
        line.clear();
        out.write(line.add("        ").add_point(corners[k]).add(k < 3 ? ",\n" : "\n").view());
    }
    out.write("      ]\n    }\n    coordIndex [\n");
}

void write_face(ExportSink& out, std::initializer_list<std::int64_t> points, std::string_view end) {
    LineBuilder line;
    line.add(" ");
    for (const std::int64_t p : points) line.add(" ").add_int(p);
    out.write(line.add(end).view());
}

// A rectangle constant along X or Y is one planar quadrilateral P0, P1, P3, P2; any other is the
// two triangles P0, P1, P2 and P3, P2, P1.
void write_top(ExportSink& out, const SurfacePoints& s) {
    const HeightGrid& g = s.grid;
    std::vector<std::uint8_t> covered;
    for_each_top_rectangle(g, covered, [&](const GridRect& r) {
        const std::int64_t p0 = index_of(g, r.j, r.i), p1 = index_of(g, r.k, r.i);
        const std::int64_t p2 = index_of(g, r.j, r.m), p3 = index_of(g, r.k, r.m);
        const float h0 = g.at(r.j, r.i), h1 = g.at(r.k, r.i), h2 = g.at(r.j, r.m), h3 = g.at(r.k, r.m);
        if ((h0 == h1 && h2 == h3) || (h0 == h2 && h1 == h3)) {
            write_face(out, {p0, p1, p3, p2}, " -1,\n");
        } else {
            write_face(out, {p0, p1, p2}, " -1,\n");
            write_face(out, {p3, p2, p1}, " -1,\n");
        }
    });
}

// Each wall: its boundary points one a line, closed by its two bottom corners.
void write_walls(ExportSink& out, const SurfacePoints& s) {
    const HeightGrid& g = s.grid;
    const std::int64_t k = std::int64_t{g.nx} * g.ny;
    const std::int64_t closing[4][2] = {{k, k + 1}, {k + 1, k + 3}, {k + 3, k + 2}, {k + 2, k}};
    const std::vector<WallWalk> walks = wall_walks(g.nx, g.ny);
    LineBuilder line;
    for (std::size_t w = 0; w < walks.size(); ++w) {
        const WallWalk& walk = walks[w];
        for (std::int32_t n = 0; n < walk.count; ++n) {
            line.clear();
            out.write(line.add_int(index_of(g, walk.column + n * walk.dx, walk.row + n * walk.dy)).add(",\n").view());
        }
        line.clear();
        out.write(line.add_int(closing[w][0]).add(" ").add_int(closing[w][1]).add(" -1,\n").view());
    }
    line.clear();
    line.add_int(k).add(" ").add_int(k + 2).add(" ").add_int(k + 3).add(" ").add_int(k + 1).add(" -1\n");
    out.write(line.view());
}

}  // namespace

void write_vrml_faces(ExportSink& out, const SurfacePoints& s, const ExportOptions& options) {
    write_appearance(out, options);
    write_points(out, s);
    write_top(out, s);
    write_walls(out, s);
    out.write("    ]\n  }\n}\n");
}

// The heights row by row from the last row down to row 0, each row in increasing X.
void write_vrml_grid(ExportSink& out, const SurfacePoints& s, const ExportOptions& options) {
    write_appearance(out, options);
    const HeightGrid& g = s.grid;
    LineBuilder line;
    line.add(" geometry ElevationGrid {\n  xDimension ").add_int(g.nx).add("\n  zDimension ").add_int(g.ny);
    line.add("\n  xSpacing ").add_fixed(s.pitch).add("\n  zSpacing ").add_fixed(s.pitch).add("\n");
    out.write(line.view());
    out.write("  height[\n");
    for (std::int32_t row = g.ny - 1; row >= 0; --row)
        for (std::int32_t column = 0; column < g.nx; ++column) {
            const bool last = row == 0 && column == g.nx - 1;
            line.clear();
            out.write(line.add("  ").add_fixed(g.at(column, row)).add(last ? "\n" : ",\n").view());
        }
    out.write("  ]\n }\n}\n");
}

}  // namespace vx::work
