#include "work/mesh_export.h"

#include "dmf_fixture.h"
#include "stl_fixture.h"
#include "support/recording_backend.h"
#include "support/temp_dir.h"
#include "work/export_writer.h"
#include "work/stl_import.h"

#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <random>
#include <sys/resource.h>

namespace vx::work {
namespace {

using vx::testing::RecordingBackend;
using vx::testing::TempDir;

// A workpiece of nx x ny points at `pitch` from (x0, y0) with the given heights (row by row) and
// bottom, cut (so that every cell is written).
void make_surface(sim::Workpiece& wp, int nx, int ny, const std::vector<float>& heights, double bottom,
                  double pitch = 1.0, double x0 = 0.0, double y0 = 0.0) {
    test::make_block(wp, nx, ny, pitch, 1, x0, y0);
    std::copy(heights.begin(), heights.end(), wp.height.data);
    wp.work_bottom = bottom;
    wp.modification_state = sim::kModified;
}

// ---- Exact bytes ----
// A 3 x 2 grid at pitch 1 with bottom 0: heights 2 everywhere but 3 at (2, 1). The left cell is
// flat, the right one sloped in both directions; the Y-maximum wall has two segments. Every
// triangle below was worked out by hand, in the order of the walk, each face outward.

const std::vector<float> kSmall{2, 2, 2,
                                2, 2, 3};

struct HandTriangle {
    float n[3], v[3][3];
};

std::vector<HandTriangle> small_triangles() {
    const float s = float(1.0 / std::sqrt(3.0));
    return {
        // Top: the flat cell, then the sloped one split from (2, 0) to (1, 1).
        {{0, 0, 1}, {{0, 0, 2}, {1, 0, 2}, {0, 1, 2}}},
        {{0, 0, 1}, {{1, 1, 2}, {0, 1, 2}, {1, 0, 2}}},
        {{0, 0, 1}, {{1, 0, 2}, {2, 0, 2}, {1, 1, 2}}},
        {{-s, -s, s}, {{2, 1, 3}, {1, 1, 2}, {2, 0, 2}}},
        // Y-minimum wall, one segment from X 2 down to 0.
        {{0, -1, 0}, {{2, 0, 2}, {0, 0, 2}, {2, 0, 0}}},
        {{0, -1, 0}, {{0, 0, 0}, {2, 0, 0}, {0, 0, 2}}},
        // X-maximum wall, from Y 1 down to 0.
        {{1, 0, 0}, {{2, 1, 3}, {2, 0, 2}, {2, 1, 0}}},
        {{1, 0, 0}, {{2, 0, 0}, {2, 1, 0}, {2, 0, 2}}},
        // Y-maximum wall: the flat segment to X 1, then the rise to 3.
        {{0, 1, 0}, {{0, 1, 2}, {1, 1, 2}, {0, 1, 0}}},
        {{0, 1, 0}, {{1, 1, 0}, {0, 1, 0}, {1, 1, 2}}},
        {{0, 1, 0}, {{1, 1, 2}, {2, 1, 3}, {1, 1, 0}}},
        {{0, 1, 0}, {{2, 1, 0}, {1, 1, 0}, {2, 1, 3}}},
        // X-minimum wall.
        {{-1, 0, 0}, {{0, 0, 2}, {0, 1, 2}, {0, 0, 0}}},
        {{-1, 0, 0}, {{0, 1, 0}, {0, 0, 0}, {0, 1, 2}}},
        // Bottom, facing down.
        {{0, 0, -1}, {{0, 0, 0}, {0, 1, 0}, {2, 0, 0}}},
        {{0, 0, -1}, {{2, 1, 0}, {2, 0, 0}, {0, 1, 0}}},
    };
}

std::string expected_text_stl(const std::vector<HandTriangle>& ts) {
    std::string out = "solid\n";
    char line[200];
    for (const HandTriangle& t : ts) {
        std::snprintf(line, sizeof line, "  facet normal %f %f %f\n    outer loop\n", t.n[0], t.n[1], t.n[2]);
        out += line;
        for (const auto& v : t.v) {
            std::snprintf(line, sizeof line, "      vertex %f %f %f\n", v[0], v[1], v[2]);
            out += line;
        }
        out += "    endloop\n  endfacet\n";
    }
    return out + "endsolid\n";
}

std::string expected_binary_stl(const std::vector<HandTriangle>& ts, bool big, const std::string& title) {
    std::string out = title + std::string(80 - title.size(), ' ');
    test::put_u32(out, static_cast<std::uint32_t>(ts.size()), big);
    for (const HandTriangle& t : ts) {
        for (float f : t.n) test::put_f32(out, f, big);
        for (const auto& v : t.v)
            for (float f : v) test::put_f32(out, f, big);
        out.append(2, '\0');
    }
    return out;
}

const char kSmallFaces[] =
    "#VRML V2.0 utf8\nShape {\n appearance Appearance {\n  material Material {\n"
    "   diffuseColor 0.498039 0.498039 1.000000\n  }\n }\n"
    "  geometry IndexedFaceSet {\n    coord Coordinate {\n      point [\n"
    "        0.000000 0.000000 2.000000,\n        1.000000 0.000000 2.000000,\n"
    "        2.000000 0.000000 2.000000,\n        0.000000 1.000000 2.000000,\n"
    "        1.000000 1.000000 2.000000,\n        2.000000 1.000000 3.000000,\n"
    "        0.000000 0.000000 0.000000,\n        2.000000 0.000000 0.000000,\n"
    "        0.000000 1.000000 0.000000,\n        2.000000 1.000000 0.000000\n"
    "      ]\n    }\n    coordIndex [\n"
    "  0 1 4 3 -1,\n  1 2 4 -1,\n  5 4 2 -1,\n"   // the flat quadrilateral, the sloped pair
    "2,\n1,\n0,\n6 7 -1,\n"                       // Y-minimum wall
    "5,\n2,\n7 9 -1,\n"                           // X-maximum
    "3,\n4,\n5,\n9 8 -1,\n"                       // Y-maximum
    "0,\n3,\n8 6 -1,\n"                           // X-minimum
    "6 8 9 7 -1\n"                                // bottom
    "    ]\n  }\n}\n";

// Rows from the last one down to row 0.
const char kSmallGrid[] =
    "#VRML V2.0 utf8\nShape {\n appearance Appearance {\n  material Material {\n"
    "   diffuseColor 0.498039 0.498039 1.000000\n  }\n }\n"
    " geometry ElevationGrid {\n  xDimension 3\n  zDimension 2\n  xSpacing 1.000000\n  zSpacing 1.000000\n"
    "  height[\n  2.000000,\n  2.000000,\n  3.000000,\n  2.000000,\n  2.000000,\n  2.000000\n  ]\n }\n}\n";

TEST(MeshExport, ExactBytesOfEveryType) {
    sim::Workpiece wp;
    make_surface(wp, 3, 2, kSmall, 0.0);
    const ExportOptions options;  // the default work colour (127, 127, 255)
    const std::vector<HandTriangle> ts = small_triangles();
    EXPECT_EQ(export_bytes(wp, ExportFormat::StlText, options), expected_text_stl(ts));
    EXPECT_EQ(export_bytes(wp, ExportFormat::StlLittle, options, "part.stl"), expected_binary_stl(ts, false, "part.stl"));
    // Big-endian: every value reversed, the count at offset 80 too.
    const std::string big = export_bytes(wp, ExportFormat::StlBig, options, "part.stl");
    EXPECT_EQ(big, expected_binary_stl(ts, true, "part.stl"));
    EXPECT_EQ(big.substr(80, 4), std::string("\0\0\0\x10", 4));
    EXPECT_EQ(export_bytes(wp, ExportFormat::VrmlFaces, options), kSmallFaces);
    EXPECT_EQ(export_bytes(wp, ExportFormat::VrmlGrid, options), kSmallGrid);
    // The work colour goes into the material.
    const std::string red = export_bytes(wp, ExportFormat::VrmlGrid, {rgb(255, 0, 51)});
    EXPECT_NE(red.find("   diffuseColor 1.000000 0.000000 0.200000\n"), std::string::npos);
}

// The surfaces the merging must get right, each with its triangle count (STL, top faces included)
// and the VRML top faces it gives.
TEST(MeshExport, MergedSurfaces) {
    struct Case {
        const char* name;
        int nx, ny;
        std::vector<float> heights;
        std::size_t triangles;
        std::string vrml_top;  // the coordIndex lines of the top surface
    };
    const Case cases[] = {
        {"uncut block: 2 top, 8 wall, 2 bottom", 4, 3, std::vector<float>(12, 5.0f), 12, "  0 3 11 8 -1,\n"},
        // Walls where the edge meets the bottom have triangles of no area, left out: one each
        // where the ridge rises from the bottom, none along the columns at the bottom.
        {"ridge constant along Y: one long face per cell column", 3, 5, {0, 2, 0, 0, 2, 0, 0, 2, 0, 0, 2, 0, 0, 2, 0},
         4 + 2 + 0 + 2 + 0 + 2, "  0 1 13 12 -1,\n  1 2 14 13 -1,\n"},
        {"slope constant along X: one strip per row", 3, 3, {0, 0, 0, 1, 1, 1, 3, 3, 3},
         4 + 0 + 3 + 2 + 3 + 2, "  0 2 5 3 -1,\n  3 5 8 6 -1,\n"},
        {"a single low point: every cell sloped, two triangles each", 3, 3, {1, 1, 1, 1, 0, 1, 1, 1, 1},
         8 + 8 + 2, "  0 1 3 -1,\n  4 3 1 -1,\n  1 2 4 -1,\n  5 4 2 -1,\n  3 4 6 -1,\n  7 6 4 -1,\n"
                    "  4 5 7 -1,\n  8 7 5 -1,\n"},
    };
    for (const Case& c : cases) {
        sim::Workpiece wp;
        make_surface(wp, c.nx, c.ny, c.heights, 0.0);
        const std::string stl = export_bytes(wp, ExportFormat::StlLittle, {});
        EXPECT_EQ(test::stored_triangles(stl).size(), c.triangles) << c.name;
        const std::string vrml = export_bytes(wp, ExportFormat::VrmlFaces, {});
        const std::size_t from = vrml.find("coordIndex [\n") + 13;
        EXPECT_EQ(vrml.substr(from, c.vrml_top.size()), c.vrml_top) << c.name;
        EXPECT_EQ(vrml[from + c.vrml_top.size()], std::to_string(std::int64_t{c.nx} - 1)[0]) << c.name;  // the walls follow
    }
}

// ---- The solid encloses exactly the workpiece ----
// By the divergence theorem a closed outward mesh has volume sum(v0 . (v1 x v2)) / 6 and its area
// vectors sum to zero. The volume must equal the volume between the triangulated height field
// (each cell split from (j+1, i) to (j, i+1)) and the bottom, for plateaus, ridges, slopes, pits
// down to the bottom and cells below it. All three STL types read back as the same triangles.

// Each cell as its two triangles, each a prism of area pitch² / 2 and the mean of its heights.
double field_volume(const std::vector<float>& h, int nx, int ny, double pitch, double bottom) {
    double v = 0.0;
    const auto at = [&](int i, int j) { return double(h[std::size_t(j) * nx + i]) - bottom; };
    for (int j = 0; j + 1 < ny; ++j)
        for (int i = 0; i + 1 < nx; ++i) {
            const double bl = at(i, j), br = at(i + 1, j), tl = at(i, j + 1), tr = at(i + 1, j + 1);
            v += pitch * pitch / 6.0 * ((bl + br + tl) + (tr + tl + br));
        }
    return v;
}

TEST(MeshExport, StlEnclosesExactlyTheVolumeUnderTheSurface) {
    std::mt19937 rng(17);
    for (int round = 0; round < 12; ++round) {
        const int nx = 3 + round * 3 % 17, ny = 2 + round * 5 % 13;
        const double pitch = round % 2 ? 0.5 : 0.25, bottom = -2.0;
        std::uniform_int_distribution<int> level(-9, 12);
        std::vector<float> h(std::size_t(nx) * ny);
        for (float& v : h) v = float(level(rng)) * 0.25f;     // many equal values: long merges
        for (int k = 0; k < nx * ny / 3; ++k) h[rng() % h.size()] = 3.0f;  // plateaus
        h[0] = float(bottom);                                  // a corner at the bottom
        sim::Workpiece wp;
        make_surface(wp, nx, ny, h, bottom, pitch, -3.0, 1.5);
        std::vector<std::vector<StlTriangle>> meshes;
        for (const ExportFormat f : {ExportFormat::StlText, ExportFormat::StlLittle, ExportFormat::StlBig}) {
            const std::string bytes = export_bytes(wp, f, {});
            const int kind = f == ExportFormat::StlText ? kStlText : f == ExportFormat::StlBig ? kStlBinaryBigEndian : kStlBinary;
            ASSERT_EQ(detect_stl_kind(bytes, bytes.size()), kind);
            std::vector<StlTriangle> mesh;
            for_each_stl_triangle(DmfSource::from_bytes(bytes), kind, [&](const StlTriangle& t) { mesh.push_back(t); });
            meshes.push_back(mesh);
        }
        ASSERT_EQ(meshes[0].size(), meshes[1].size());
        for (std::size_t k = 0; k < meshes[1].size(); ++k) {
            ASSERT_EQ(meshes[1][k].vertex, meshes[2][k].vertex);
            ASSERT_EQ(meshes[1][k].vertex, meshes[0][k].vertex);  // "%f" of quarters is exact
        }
        double volume = 0.0;
        Vec3 area;
        for (const StlTriangle& t : meshes[1]) {
            const Vec3 &a = t.vertex[0], &b = t.vertex[1], &c = t.vertex[2];
            const Vec3 n{(b - a).y * (c - a).z - (b - a).z * (c - a).y, (b - a).z * (c - a).x - (b - a).x * (c - a).z,
                         (b - a).x * (c - a).y - (b - a).y * (c - a).x};
            volume += dot(a, Vec3{b.y * c.z - b.z * c.y, b.z * c.x - b.x * c.z, b.x * c.y - b.y * c.x}) / 6.0;
            area += n * 0.5;
            EXPECT_GT(dot(n, t.normal), 0.0);  // the stored normal is the face's own
            EXPECT_NEAR(length(t.normal), 1.0, 1e-6);
        }
        const double want = field_volume(h, nx, ny, pitch, bottom);
        EXPECT_NEAR(volume, want, 1e-9 * std::max(1.0, std::fabs(want))) << "round " << round;
        EXPECT_NEAR(length(area), 0.0, 1e-9) << "round " << round;
    }
}

// ---- Back in through the importer ----

TEST(MeshExport, BinaryStlReadsBackToTheSameHeights) {
    RecordingBackend backend;
    std::mt19937 rng(23);
    std::uniform_real_distribution<double> u(-1.0, 4.0);
    const int nx = 41, ny = 27;
    std::vector<float> h(std::size_t(nx) * ny);
    for (std::size_t k = 0; k < h.size(); ++k) h[k] = k % 5 == 0 ? 2.5f : float(u(rng));  // some flat runs
    sim::Workpiece wp, back;
    make_surface(wp, nx, ny, h, -1.5, 0.5, 10.0, -20.0);
    StlOpenOptions at_same;
    at_same.pitch = [](double, double, double, double) { return 0.5; };
    const std::string bytes = export_bytes(wp, ExportFormat::StlLittle, {}, "x.stl");
    ASSERT_EQ(open_stl_workpiece(back, DmfSource::from_bytes(bytes), "x.stl", at_same).status, 1);
    EXPECT_EQ(back.geometry.nx, nx);
    EXPECT_EQ(back.geometry.ny, ny);
    EXPECT_EQ(back.geometry.origin_x, 10.0);
    EXPECT_EQ(back.geometry.origin_y, -20.0);
    EXPECT_EQ(back.work_bottom, -1.5);
    for (std::size_t k = 0; k < h.size(); ++k) ASSERT_NEAR(back.height.data[k], h[k], 1e-5) << k;
}

// ---- Numbers and files ----

// "%f" without the locale: the same text as the C library's for every kind of value.
TEST(MeshExport, FixedNumbersMatchPrintf) {
    for (const double v : {0.0, -0.0, 1.0, -1.0, 0.0078125, 0.0000005, 1e-7, -1e-7, 2.5e-6, 123456.789, -99999.5,
                           1.0000005, double(3.4e38f), double(0.1f), double(-100000.0f), 0.49803921568627452}) {
        LineBuilder line;
        char want[80];
        std::snprintf(want, sizeof want, "%f", v);
        EXPECT_EQ(line.add_fixed(v).view(), want) << v;
    }
}

TEST(MeshExport, FailedWritesAreReportedAndLeaveTheOldFile) {
    test::EnglishTexts english;
    RecordingBackend backend;
    TempDir dir;
    sim::Workpiece wp;
    make_surface(wp, 3, 2, kSmall, 0.0);
    EXPECT_EQ(export_workpiece(wp, dir.path() + "missing/w.stl", ExportFormat::StlText, {}), 0);
    const std::string target = dir.write("w.stl", "previous contents");
    struct rlimit old {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 100;  // beyond the header: the failure comes part way
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const int result = export_workpiece(wp, target, ExportFormat::StlBig, {});
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, old_handler);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(dir.read("w.stl"), "previous contents");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
    const auto& m = backend.recording().messages;
    ASSERT_EQ(m.size(), 2u);
    EXPECT_EQ(m[0].title, "Disk Over?");
    EXPECT_EQ(m[0].body, "Write Error (" + dir.path() + "missing/w.stl: No such file or directory)");
    EXPECT_EQ(m[1].body, "Write Error (" + target + ": File too large)");
    // Without the limit the export replaces it, with the file's name in the binary header.
    EXPECT_EQ(export_workpiece(wp, target, ExportFormat::StlBig, {}), 1);
    EXPECT_EQ(dir.read("w.stl"), export_bytes(wp, ExportFormat::StlBig, {}, "w.stl"));
}

}  // namespace
}  // namespace vx::work
