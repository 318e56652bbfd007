// Shared by the STL tests: meshes written as binary (either byte order) and text STL bytes by code
// that knows nothing of the readers, and triangles read back from binary STL bytes.
#pragma once

#include "work/stl_import.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace vx::work::test {

inline void put_u32(std::string& out, std::uint32_t v, bool big) {
    if (big) v = __builtin_bswap32(v);
    char b[4];
    std::memcpy(b, &v, 4);
    out.append(b, 4);
}

inline void put_f32(std::string& out, double v, bool big) {
    std::uint32_t bits;
    const float f = static_cast<float>(v);
    std::memcpy(&bits, &f, 4);
    put_u32(out, bits, big);
}

// A binary STL: `header` padded with blanks to 80 bytes, the count (the real one unless given).
inline std::string binary_stl(const std::vector<StlTriangle>& mesh, bool big = false, std::string header = "mesh",
                              std::int64_t count = -1) {
    header.resize(80, ' ');
    std::string out = header;
    put_u32(out, static_cast<std::uint32_t>(count < 0 ? std::int64_t(mesh.size()) : count), big);
    for (const StlTriangle& t : mesh) {
        for (const Vec3* v : {&t.normal, &t.vertex[0], &t.vertex[1], &t.vertex[2]})
            for (int a = 0; a < 3; ++a) put_f32(out, (*v)[a], big);
        out.append(2, '\0');
    }
    return out;
}

inline std::string text_stl(const std::vector<StlTriangle>& mesh) {
    std::string out = "solid test\n";
    char line[200];
    for (const StlTriangle& t : mesh) {
        std::snprintf(line, sizeof line, " facet normal %g %g %g\n  outer loop\n", t.normal.x, t.normal.y, t.normal.z);
        out += line;
        for (const Vec3& v : t.vertex) {
            std::snprintf(line, sizeof line, "   vertex %.9g %.9g %.9g\n", v.x, v.y, v.z);
            out += line;
        }
        out += "  endloop\n endfacet\n";
    }
    return out + "endsolid test\n";
}

// The triangles of binary STL bytes (little-endian), as stored: normal then vertices, floats.
struct StoredTriangle {
    float v[12];
};

inline std::vector<StoredTriangle> stored_triangles(const std::string& bytes, bool big = false) {
    std::vector<StoredTriangle> out;
    for (std::size_t at = 84; at + 50 <= bytes.size(); at += 50) {
        StoredTriangle t;
        for (int k = 0; k < 12; ++k) {
            std::uint32_t bits;
            std::memcpy(&bits, bytes.data() + at + 4 * k, 4);
            if (big) bits = __builtin_bswap32(bits);
            std::memcpy(&t.v[k], &bits, 4);
        }
        out.push_back(t);
    }
    return out;
}

inline StlTriangle triangle(Vec3 a, Vec3 b, Vec3 c, Vec3 n = {}) { return {n, {a, b, c}}; }

}  // namespace vx::work::test
