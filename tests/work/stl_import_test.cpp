#include "work/stl_import.h"

#include "dmf_fixture.h"
#include "stl_fixture.h"
#include "support/recording_backend.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace vx::work {
namespace {

using test::binary_stl;
using test::text_stl;
using test::triangle;
using vx::testing::RecordingBackend;

std::vector<StlTriangle> read_all(const std::string& bytes, int kind, StlPass* pass = nullptr) {
    std::vector<StlTriangle> out;
    const StlPass p = for_each_stl_triangle(DmfSource::from_bytes(bytes), kind,
                                            [&](const StlTriangle& t) { out.push_back(t); });
    if (pass) *pass = p;
    return out;
}

// ---- Kind detection ----
// Each crafted header against the rule that decides it; a wrong order of the rules or a count
// read from the wrong place shows up as a wrong kind.

TEST(StlKind, CraftedHeadersAndSizes) {
    const std::vector<StlTriangle> two{triangle({0, 0, 0}, {1, 0, 0}, {0, 1, 0}), triangle({1, 1, 0}, {0, 1, 0}, {1, 0, 0})};
    std::string trailing = binary_stl(two);
    trailing += std::string(30, '\0');  // 30 bytes beyond 84 + 2 * 50: n stays 2
    std::string more_held = binary_stl(two, false, "mesh", 1);  // holds 2, counts 1: n >= c
    std::string text_at_249 = std::string(249, ' ') + "facet normal 0 0 1\n";
    std::string text_at_250 = std::string(250, ' ') + "facet normal 0 0 1\n";
    struct Case {
        const char* name;
        std::string bytes;
        int kind;
    };
    const Case cases[] = {
        {"empty file", "", kStlUnknown},
        {"count matches size", binary_stl(two), kStlBinary},
        {"count matches size, header says facet", binary_stl(two, false, "solid facet normal"), kStlBinary},
        {"big-endian count matches size", binary_stl(two, true), kStlBinaryBigEndian},
        {"trailing bytes after the triangles", trailing, kStlBinary},
        {"more triangles than counted", more_held, kStlBinary},
        {"text", text_stl(two), kStlText},
        {"text, facet at offset 249", text_at_249, kStlText},
        {"text, facet at offset 250", text_at_250, kStlUnknown},
        {"shorter than a count: zeros there", "solid x\n", kStlBinary},
        {"four billion triangles claimed by 134 bytes", binary_stl({two[0]}, false, "m", 4000000000LL), kStlUnknown},
        {"no count, no facet", std::string(300, 'x'), kStlUnknown},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(detect_stl_kind(c.bytes, c.bytes.size()), c.kind) << c.name;
        EXPECT_EQ(detect_stl_kind(DmfSource::from_bytes(c.bytes)), c.kind) << c.name;
    }
}

// ---- Readers ----
// The three encodings of one mesh read back the same triangles, in order; the binary reader goes
// by the bytes the file holds, never by the count it claims.

TEST(StlRead, ByteOrdersAndTextAgree) {
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> u(-50.0, 50.0);
    std::vector<StlTriangle> mesh(5000);  // more than one piece of the binary reader
    // Rounded through memory: the optimiser may keep a converted value at double precision.
    const auto single = [](double v) {
        volatile float f = static_cast<float>(v);
        return double(f);
    };
    for (StlTriangle& t : mesh) {
        t.normal = {single(u(rng)), single(u(rng)), single(u(rng))};
        for (Vec3& v : t.vertex) v = {single(u(rng)), single(u(rng)), single(u(rng))};
    }
    mesh[3].normal = {};
    for (const bool big : {false, true}) {
        const std::string bytes = binary_stl(mesh, big);
        StlPass pass;
        const std::vector<StlTriangle> got = read_all(bytes, big ? kStlBinaryBigEndian : kStlBinary, &pass);
        ASSERT_EQ(got.size(), mesh.size());
        EXPECT_EQ(pass.claimed, 5000);
        for (std::size_t k = 0; k < mesh.size(); ++k) {
            EXPECT_EQ(got[k].normal, mesh[k].normal) << k;
            EXPECT_EQ(got[k].vertex, mesh[k].vertex) << k;
        }
    }
    // The text holds the float values to nine digits, enough to read them back exactly.
    std::vector<StlTriangle> text = read_all(text_stl(mesh), kStlText);
    ASSERT_EQ(text.size(), mesh.size());
    for (std::size_t k = 0; k < mesh.size(); ++k) {
        for (int v = 0; v < 3; ++v)
            for (int a = 0; a < 3; ++a) EXPECT_EQ(float(text[k].vertex[v][a]), float(mesh[k].vertex[v][a]));
    }
}

TEST(StlRead, BinaryCountsBeyondTheFileAndValuesThatAreNotNumbers) {
    std::vector<StlTriangle> mesh{triangle({0, 0, 0}, {1, 0, 0}, {0, 1, 0}), triangle({0, 0, 1}, {1, 0, 1}, {0, 1, 1})};
    StlPass pass;
    // Four billion claimed, two held: both are read, and the pass says what the header claimed.
    EXPECT_EQ(read_all(binary_stl(mesh, false, "m", 4000000000LL), kStlBinary, &pass).size(), 2u);
    EXPECT_EQ(pass.claimed, 4000000000LL);
    EXPECT_FALSE(pass.read_failed);
    // Half a triangle at the end is not a triangle.
    EXPECT_EQ(read_all(binary_stl(mesh).substr(0, 84 + 75), kStlBinary).size(), 1u);
    EXPECT_EQ(read_all("short", kStlBinary).size(), 0u);
    mesh[0].vertex[1].x = std::nan("");
    mesh[1].normal.z = INFINITY;
    EXPECT_EQ(read_all(binary_stl(mesh), kStlBinary, &pass).size(), 0u);
    EXPECT_EQ(pass.not_finite, 2);
}

// Each line form the text reader must accept or ignore, with the triangle it yields.
TEST(StlRead, TextLinesAndNumbers) {
    struct Case {
        const char* name;
        std::string text;
        std::vector<StlTriangle> expected;
    };
    const StlTriangle unit = triangle({0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1});
    const StlTriangle bare = triangle({0, 0, 0}, {1, 0, 0}, {0, 1, 0});
    const std::string loop = "outer loop\nvertex 0 0 0\nvertex 1 0 0\nvertex 0 1 0\n";
    const Case cases[] = {
        {"plain", "solid a\nfacet normal 0 0 1\n" + loop + "endloop\nendfacet\nendsolid a\n", {unit}},
        {"upper case, blanks and CRLF", "SOLID\r\n  FACET NORMAL 0 0 1\r\n  OUTER LOOP\r\n VERTEX 0 0 0\r\n"
                                        "\tVertex 1 0 0\r\n vertex 0 1 0\r\n END LOOP\r\n END FACET\r\n",
         {unit}},
        {"exponents, plus signs, a comma ends a number", "facet normal 0 0 1e0\nouter\nvertex +0 -0.0 0\n"
                                                          "vertex 1e0 0e5 .0\nvertex 0,5 7 0\nendloop\n",
         {triangle({0, 0, 0}, {1, 0, 0}, {0, 7, 0}, {0, 0, 1})}},
        {"missing numbers read as 0", "facet normal 1\n" + loop + "endloop\n", {triangle({0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 0, 0})}},
        {"no facet line: normal 0", loop + "endloop\n", {triangle({0, 0, 0}, {1, 0, 0}, {0, 1, 0})}},
        {"two vertices are no triangle", "outer loop\nvertex 0 0 0\nvertex 1 0 0\nendloop\n", {}},
        {"a fourth vertex is ignored", loop + "vertex 9 9 9\nendloop\n", {triangle({0, 0, 0}, {1, 0, 0}, {0, 1, 0})}},
        {"nothing after endsolid", loop + "endsolid\n" + loop + "endloop\n", {}},
        {"end solid in two words", loop + "end solid\n" + loop + "endloop\n", {}},
        {"no endsolid: read to the end", loop + "endloop\n" + loop + "endloop", {bare, bare}},
        {"a line past 255 characters goes on as the next",
         std::string(250, ' ') + "xxxxxvertex 7 7 7\n" + loop + "endloop\n", {triangle({0, 0, 0}, {1, 0, 0}, {0, 1, 0})}},
        {"a NUL ends the line", std::string("facet normal 0 0 1\0 9 9\n", 24) + loop + "endloop\n", {unit}},
    };
    for (const Case& c : cases) {
        const std::vector<StlTriangle> got = read_all(c.text, kStlText);
        ASSERT_EQ(got.size(), c.expected.size()) << c.name;
        for (std::size_t k = 0; k < got.size(); ++k) {
            EXPECT_EQ(got[k].normal, c.expected[k].normal) << c.name;
            EXPECT_EQ(got[k].vertex, c.expected[k].vertex) << c.name;
        }
    }
}

// ---- The inside test against its literal form ----
// The rasteriser decides coverage with turns of the edges and root-free cosines; the reference
// below is the angle-sum test as written, with arc cosines. Both must agree on every point, and
// every class must have been met.

constexpr double kNearVertex = 0.01, kEdgeCosine = -0.999999;

PointClass reference_class(double px, double py, const std::array<Vec3, 3>& v) {
    for (const Vec3& c : v)
        if (std::hypot(c.x - px, c.y - py) <= kNearVertex) return PointClass::Vertex;
    double ux[3], uy[3];
    for (int k = 0; k < 3; ++k) {
        const double l = std::hypot(v[k].x - px, v[k].y - py);
        ux[k] = (v[k].x - px) / l;
        uy[k] = (v[k].y - py) / l;
    }
    const int pairs[3][2] = {{0, 1}, {1, 2}, {2, 0}};
    double sum = 0.0;
    for (const auto& p : pairs) {
        const double c = ux[p[0]] * ux[p[1]] + uy[p[0]] * uy[p[1]];
        if (c <= kEdgeCosine) return PointClass::Edge;
        const double turn = ux[p[0]] * uy[p[1]] - uy[p[0]] * ux[p[1]];
        sum += std::acos(std::clamp(c, -1.0, 1.0)) * (turn < 0.0 ? -1.0 : 1.0);
    }
    return std::fabs(sum) > 6.0 ? PointClass::Inside : PointClass::Outside;
}

TEST(StlRaster, ClassificationMatchesTheAngleSum) {
    std::mt19937 rng(11);
    std::uniform_real_distribution<double> u(-5.0, 5.0), t01(0.0, 1.0), tiny(-0.004, 0.004);
    std::map<PointClass, int> met;
    for (int n = 0; n < 3000; ++n) {
        const std::array<Vec3, 3> v{Vec3{u(rng), u(rng), 0}, Vec3{u(rng), u(rng), 0}, Vec3{u(rng), u(rng), 0}};
        for (int p = 0; p < 12; ++p) {
            double x = u(rng), y = u(rng);
            if (p % 3 == 1) {  // near an edge: on it, then nudged across it by a few microns
                const int e = p / 3 % 3;
                const double s = t01(rng);
                x = v[e].x + s * (v[(e + 1) % 3].x - v[e].x) + tiny(rng);
                y = v[e].y + s * (v[(e + 1) % 3].y - v[e].y) + tiny(rng);
            } else if (p % 3 == 2) {  // near a vertex
                x = v[p / 3 % 3].x + 2.0 * tiny(rng) + (n % 2 ? 0.012 : 0.0);
                y = v[p / 3 % 3].y + 2.0 * tiny(rng);
            }
            const PointClass want = reference_class(x, y, v);
            ASSERT_EQ(classify_point(x, y, v), want) << n << " " << x << " " << y;
            ++met[want];
        }
    }
    for (const PointClass c : {PointClass::Outside, PointClass::Vertex, PointClass::Edge, PointClass::Inside})
        EXPECT_GT(met[c], 50) << int(c);
}

// ---- Rasterising against the steps as written ----

Vec3 reference_turn(int axis, double degrees, const Vec3& v, const Vec3& centre, bool translate) {
    const double a = degrees * M_PI / 180.0, c = std::cos(a), s = std::sin(a);
    Vec3 p = translate ? v - centre : v;
    Vec3 r = p;
    if (axis == 0) r = {p.x, p.y * c - p.z * s, p.y * s + p.z * c};
    if (axis == 1) r = {p.z * s + p.x * c, p.y, p.z * c - p.x * s};
    if (axis == 2) r = {p.x * c - p.y * s, p.y * c + p.x * s, p.z};
    return translate ? r + centre : r;
}

Vec3 cross(const Vec3& a, const Vec3& b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }

void reference_rasterise(const sim::GridGeometry& g, std::vector<float>& h, double bottom, StlTriangle t,
                         const Swing* swing) {
    auto& v = t.vertex;
    if (v[0] == v[1] || v[1] == v[2] || v[0] == v[2]) return;
    Vec3 n = t.normal;
    if (n.x == 0 && n.y == 0 && !(v[0].z == v[1].z && v[1].z == v[2].z)) n = cross(v[1] - v[0], v[2] - v[0]);
    if (swing)
        for (Vec3& p : v) p = reference_turn(swing->axis, swing->angle_degrees, p, swing->centre, true);
    if ((v[0].x == v[1].x && v[1].x == v[2].x) || (v[0].y == v[1].y && v[1].y == v[2].y)) return;
    if (!(n == Vec3{})) {
        if (swing) n = reference_turn(swing->axis, swing->angle_degrees, n, {}, false);
    } else {
        n = cross(v[1] - v[0], v[2] - v[0]);
    }
    if (std::fabs(n.z) < 1e-8) return;
    const double x0 = std::min({v[0].x, v[1].x, v[2].x}), x1 = std::max({v[0].x, v[1].x, v[2].x});
    const double y0 = std::min({v[0].y, v[1].y, v[2].y}), y1 = std::max({v[0].y, v[1].y, v[2].y});
    const double z0 = std::min({v[0].z, v[1].z, v[2].z}), z1 = std::max({v[0].z, v[1].z, v[2].z});
    const double k = dot(v[0], n);
    const int i0 = std::max(0, int(std::trunc((x0 - g.origin_x) / g.pitch + 0.1)));
    const int i1 = std::min(g.nx - 1, int(std::trunc((x1 - g.origin_x) / g.pitch + 0.1)));
    const int j0 = std::max(0, int(std::trunc((y0 - g.origin_y) / g.pitch + 0.1)));
    const int j1 = std::min(g.ny - 1, int(std::trunc((y1 - g.origin_y) / g.pitch + 0.1)));
    for (int j = j0; j <= j1; ++j) {
        bool inside = false;
        for (int i = i0; i <= i1; ++i) {
            const double x = g.origin_x + i * g.pitch, y = g.origin_y + j * g.pitch;
            if (reference_class(x, y, v) == PointClass::Outside) {
                if (inside) break;
                continue;
            }
            inside = true;
            double z = (k - x * n.x - y * n.y) / n.z;
            if (z > z1 + 5 || z < z0 - 5) z = bottom;
            else z = std::clamp(z, z0, z1);
            float& cell = h[std::size_t(j) * g.nx + i];
            cell = std::max(cell, float(z));
        }
    }
}

TEST(StlRaster, TrianglesMatchTheStepsAsWritten) {
    sim::GridGeometry g;
    ASSERT_EQ(sim::size_grid(g, -3.0, -2.0, 7.0, 6.0, 0.25), 1);
    std::mt19937 rng(5);
    std::uniform_real_distribution<double> u(-4.0, 8.0), z(-2.0, 3.0);
    std::uniform_int_distribution<int> kind(0, 5);
    const Swing swings[] = {{2, {1, 2, 0}, 30.0}, {0, {0, 1, 1}, 20.0}, {1, {2, 0, 1}, -15.0}};
    int raised = 0;
    for (int n = 0; n < 600; ++n) {
        StlTriangle t = triangle({u(rng), u(rng), z(rng)}, {u(rng), u(rng), z(rng)}, {u(rng), u(rng), z(rng)});
        switch (kind(rng)) {
        case 0: t.normal = cross(t.vertex[1] - t.vertex[0], t.vertex[2] - t.vertex[0]); break;
        case 1: t.normal = {0.0, 0.0, 1.0}; break;                          // level normal on a slope
        case 2: t.normal = {0.3, -0.2, 0.9}; break;                         // a normal that disagrees
        case 3: t.vertex[2].x = t.vertex[0].x, t.vertex[1].x = t.vertex[0].x; break;  // vertical
        case 4: t.vertex[1].z = 1e6; break;                                  // the plane runs away
        default: break;                                                      // normal 0
        }
        const Swing* swing = n % 4 == 3 ? &swings[n % 3] : nullptr;
        const std::optional<SwingRotation> turn = swing ? std::optional(rotation_of(*swing)) : std::nullopt;
        std::vector<float> got(std::size_t(g.cell_count), -50.0f), want = got;
        rasterise_triangle({&g, got.data(), -40.0, turn ? &*turn : nullptr}, t);
        reference_rasterise(g, want, -40.0, t, swing);
        for (std::size_t c = 0; c < got.size(); ++c) {
            // The swing's rounding may differ in the last bits from the reference's own.
            if (swing) ASSERT_NEAR(got[c], want[c], 1e-4) << n << " cell " << c;
            else ASSERT_EQ(got[c], want[c]) << n << " cell " << c;
        }
        raised += got != std::vector<float>(got.size(), -50.0f);
    }
    EXPECT_GT(raised, 300);
}

// ---- Loading as the workpiece ----

sim::Workpiece& previous(sim::Workpiece& wp) {
    test::make_block(wp, 4, 3);
    return wp;
}

StlOpenOptions at_pitch(double pitch) {
    StlOpenOptions o;
    o.pitch = [pitch](double, double, double, double) { return pitch; };
    return o;
}

// The grid over the mesh's box: the count rounds with 1.001, at least 2 per axis; the edge cases
// of the import each with the heights they must give.
// 1.9995 as a binary STL stores it.
const double kStored19995 = [] {
    volatile float f = 1.9995f;
    return double(f);
}();

TEST(StlLoad, GridSizingAndTheEdgeCases) {
    RecordingBackend backend;
    struct Case {
        const char* name;
        std::vector<StlTriangle> mesh;
        std::int32_t nx, ny;
        std::vector<float> heights;  // row by row
    };
    const Vec3 o{0, 0, 0};
    const Case cases[] = {
        {"span 1.9995 at pitch 1: 2.9995 + 0.001 gives 3 points",
         {triangle(o, {1.9995, 0, 1}, {0, 1, 1})}, 3, 2, {0, float(1.0 / kStored19995), 1, 1, 0, 0}},
        {"span 1.998: 2.999 truncates to 2",
         {triangle(o, {1.998, 0, 0}, {0, 1, 0})}, 2, 2, {0, 0, 0, 0}},
        {"narrower than a pitch: still 2 points",
         {triangle(o, {0.3, 0, 2}, {0, 0.2, 2})}, 2, 2, {0, 0, 0, 0}},
        {"vertical triangle: nothing, the slope beside it gives the heights",
         {triangle({0, 0, 0}, {0, 2, 0}, {0, 2, 4}), triangle({0, 0, 2}, {2, 0, 0}, {0, 2, 2}, {0, 0, 1})},
         3, 3, {2, 1, 0, 2, 1, 0, 2, 0, 0}},
        {"overlapping: the highest wins",
         {triangle(o, {2, 0, 0}, {0, 2, 0}), triangle({0, 0, 1}, {2, 0, 1}, {0, 2, 1}), triangle({0, 0, 0.5}, {2, 0, 0.5}, {0, 2, 0.5})},
         3, 3, {1, 1, 1, 1, 1, 0, 1, 0, 0}},
        {"normal 0 recomputed from the vertices",
         {triangle(o, {2, 0, 2}, {0, 2, 0}), triangle({2, 2, 2}, {0, 2, 0}, {2, 0, 2})},
         3, 3, {0, 1, 2, 0, 1, 2, 0, 1, 2}},
    };
    for (const Case& c : cases) {
        sim::Workpiece wp;
        const StlOpenResult r = open_stl_workpiece(previous(wp), DmfSource::from_bytes(binary_stl(c.mesh)), "m.stl", at_pitch(1.0));
        ASSERT_EQ(r.status, 1) << c.name;
        EXPECT_EQ(wp.geometry.nx, c.nx) << c.name;
        EXPECT_EQ(wp.geometry.ny, c.ny) << c.name;
        EXPECT_EQ(wp.modification_state, sim::kModified);
        EXPECT_EQ(std::vector<float>(wp.height.data, wp.height.data + wp.geometry.cell_count), c.heights) << c.name;
    }
    EXPECT_TRUE(backend.recording().messages.empty());
}

TEST(StlLoad, BoxBottomAndTopOfTheMesh) {
    RecordingBackend backend;
    sim::Workpiece wp;
    const std::vector<StlTriangle> mesh{triangle({-1, 3, -2}, {4, 3, 5}, {-1, 7, 1})};
    ASSERT_EQ(open_stl_workpiece(previous(wp), DmfSource::from_bytes(text_stl(mesh)), "m.stl", at_pitch(0.5)).status, 1);
    EXPECT_EQ(wp.geometry.origin_x, -1.0);
    EXPECT_EQ(wp.geometry.origin_y, 3.0);
    EXPECT_EQ(wp.geometry.nx, 11);
    EXPECT_EQ(wp.geometry.ny, 9);
    EXPECT_EQ(wp.geometry.max_x, 4.0);
    EXPECT_EQ(wp.work_bottom, -2.0);
    EXPECT_EQ(wp.work_top, 5.0);
    EXPECT_FLOAT_EQ(wp.highest, 5.0f);
    EXPECT_EQ(wp.height.data[10], 5.0f);                    // (4, 3): the vertex
    EXPECT_EQ(wp.height.data[wp.geometry.cell_count - 1], -2.0f);  // (4, 7): uncovered, the bottom
}

// What is not a usable STL is refused with its message, and the workpiece stays as it was.
TEST(StlLoad, RefusalsLeaveTheWorkpieceAndSaySo) {
    test::EnglishTexts english;
    RecordingBackend backend;
    const std::vector<StlTriangle> vertical{triangle({0, 0, 0}, {0, 2, 0}, {0, 2, 4})};
    struct Case {
        std::string bytes;
        const char* title;
        const char* body;
    };
    const Case cases[] = {
        {std::string(300, 'x'), "Data error", "Data Destroyed!"},
        {"", "Data error", "Data Destroyed!"},
        {"solid x\n", "m.stl", "The STL file holds no triangle that can be used. (m.stl)"},
        {"solid x\nfacet normal 0 0 1\nouter loop\nvertex 0 0 0\nvertex 1 1 1e999\nvertex 0 1 0\nendloop\n"
         "endfacet\nendsolid\n" + std::string(60, ' '),
         "m.stl", "The STL file holds no triangle that can be used. (m.stl)"},
    };
    for (const Case& c : cases) {
        sim::Workpiece wp;
        backend.recording().messages.clear();
        EXPECT_EQ(open_stl_workpiece(previous(wp), DmfSource::from_bytes(c.bytes), "m.stl", at_pitch(1.0)).status, 0);
        EXPECT_EQ(wp.geometry.nx, 4);
        EXPECT_EQ(wp.modification_state, sim::kDefined);
        ASSERT_EQ(backend.recording().messages.size(), 1u) << c.body;
        EXPECT_EQ(backend.recording().messages[0].title, c.title);
        EXPECT_EQ(backend.recording().messages[0].body, c.body);
    }
    // A mesh of only vertical triangles still defines the grid: heights at the bottom.
    sim::Workpiece wp;
    EXPECT_EQ(open_stl_workpiece(previous(wp), DmfSource::from_bytes(binary_stl(vertical)), "m.stl", at_pitch(1.0)).status, 1);
    EXPECT_EQ(wp.height.data[0], 0.0f);
}

// A swing turns the mesh before anything is measured: loading a mesh swung by a quarter turn
// about Z equals loading the mesh turned by hand.
TEST(StlLoad, SwungMeshEqualsTheMeshTurnedByHand) {
    RecordingBackend backend;
    std::mt19937 rng(3);
    std::uniform_real_distribution<double> u(0.0, 6.0), z(0.0, 2.0);
    std::vector<StlTriangle> mesh(40), turned;
    const Vec3 centre{2, 1, 0};
    for (StlTriangle& t : mesh) {
        for (Vec3& v : t.vertex) v = {std::round(u(rng) * 4) / 4, std::round(u(rng) * 4) / 4, z(rng)};
        t.normal = cross(t.vertex[1] - t.vertex[0], t.vertex[2] - t.vertex[0]);
        StlTriangle r = t;
        for (Vec3& v : r.vertex) v = {centre.x - (v.y - centre.y), centre.y + (v.x - centre.x), v.z};
        r.normal = {-t.normal.y, t.normal.x, t.normal.z};
        turned.push_back(r);
    }
    sim::Workpiece swung, by_hand;
    StlOpenOptions options = at_pitch(0.25);
    options.swing = Swing{2, centre, 90.0};
    ASSERT_EQ(open_stl_workpiece(swung, DmfSource::from_bytes(binary_stl(mesh)), "m.stl", options).status, 1);
    ASSERT_EQ(open_stl_workpiece(by_hand, DmfSource::from_bytes(binary_stl(turned)), "m.stl", at_pitch(0.25)).status, 1);
    ASSERT_EQ(swung.geometry.nx, by_hand.geometry.nx);
    ASSERT_EQ(swung.geometry.ny, by_hand.geometry.ny);
    EXPECT_NEAR(swung.geometry.origin_x, by_hand.geometry.origin_x, 1e-9);
    for (std::int32_t c = 0; c < swung.geometry.cell_count; ++c)
        ASSERT_NEAR(swung.height.data[c], by_hand.height.data[c], 1e-4) << c;
}

// ---- Models ----
// The basic model starts at "no material" and the merge model at the work bottom; a file that is
// refused leaves the model that was loaded before.

TEST(StlModel, StartValuesAndRefusals) {
    test::EnglishTexts english;
    RecordingBackend backend;
    vx::testing::TempDir dir;
    sim::Workpiece wp;
    test::make_block(wp, 5, 5);  // 0..4 at pitch 1, bottom -5
    const std::string model = dir.write("m.STL", binary_stl({triangle({0, 0, 3}, {2, 0, 3}, {0, 2, 3}, {0, 0, 1})}));
    ASSERT_EQ(load_model(wp, model, ModelUse::Basic), 1);
    ASSERT_EQ(load_model(wp, model, ModelUse::Merge), 1);
    EXPECT_TRUE(wp.basic_loaded);
    EXPECT_TRUE(wp.merge_loaded);
    EXPECT_EQ(wp.basic_model.data[0], 3.0f);
    EXPECT_EQ(wp.basic_model.data[24], kNoMaterial);
    EXPECT_EQ(wp.merge_model.data[2], 3.0f);
    EXPECT_EQ(wp.merge_model.data[3], -5.0f);
    EXPECT_EQ(backend.recording().progress_titles,
              (std::vector<std::string>{"Calculating Basic Z-Value", "Calculating Merge Z-Value"}));

    EXPECT_EQ(load_model(wp, dir.write("bad.stl", std::string(300, 'x')), ModelUse::Basic), 0);
    EXPECT_EQ(load_model(wp, dir.write("none.stl", "solid x\n"), ModelUse::Basic), 0);
    EXPECT_TRUE(wp.basic_loaded);
    EXPECT_EQ(wp.basic_model.data[0], 3.0f);
    const auto& m = backend.recording().messages;
    ASSERT_EQ(m.size(), 2u);
    EXPECT_EQ(m[0].body, "Data Destroyed!");
    EXPECT_EQ(m[1].body, "The STL file holds no triangle that can be used. (" + dir.path() + "none.stl)");
}

}  // namespace
}  // namespace vx::work
