// Colour and shade of the two triangles of one block of the grid.
#include "view/render.h"

#include <algorithm>
#include <cmath>

namespace vx::view {

RenderSettings render_settings(const shell::DefineSettings& define, bool showing_interference) {
    RenderSettings s;
    s.colour_by_pen = define.colour_by_pen;
    s.mesh = define.mesh_mode;
    s.discoloration = define.discoloration;
    s.discoloration_lower = define.discoloration_lower;
    s.discoloration_upper = define.discoloration_upper;
    s.showing_interference = showing_interference;
    return s;
}

int corner_code(std::uint8_t attribute, bool colour_by_pen) {
    if (colour_by_pen) return (attribute & sim::kPenMask) >> sim::kPenShift;
    return (attribute & sim::kCutDirectionMask) >> sim::kCutDirectionShift;
}

int triangle_code(int c0, int c1, int c2) {
    if (c0 != 0 && (c0 == c1 || c0 == c2)) return c0;
    if (c1 != 0 && c1 == c2) return c1;
    const int nonzero = (c0 != 0) + (c1 != 0) + (c2 != 0);
    if (nonzero == 1) return c0 + c1 + c2;
    return 0;
}

CellRules cell_rules(const ViewState& view, const sim::Workpiece& wp, const RenderSettings& settings) {
    CellRules r;
    r.height = wp.height.data;
    r.attribute = wp.attribute.data;
    r.nx = wp.geometry.nx;
    r.pitch = wp.geometry.pitch;
    r.settings = settings;
    r.shading = shading(view.light, view.eye);
    r.cos_b = view.cos_b;
    r.flat_shade = flat_top_shade(view);
    for (int a = 0; a < 256; ++a) r.code[std::size_t(a)] = std::uint8_t(corner_code(std::uint8_t(a), settings.colour_by_pen));
    for (int c = 0; c < 512; ++c) {
        const int code = triangle_code(c >> 6, c >> 3 & 7, c & 7);
        r.code_group[std::size_t(c)] = std::uint8_t(code != 0 ? code + 1 : kGroupWork);
    }
    return r;
}

namespace {

// First match wins: interference red, paint on all three corners, the triangle's code (from the
// packed corner codes), the discolouration band on all three corners, the work colour.
int group_of(const CellRules& r, int corners, bool paint, float h0, float h1, float h2) {
    if (r.settings.showing_interference) return kGroupInterference;
    if (paint) return kGroupPaint;
    const int group = r.code_group[std::size_t(corners)];
    if (group == kGroupWork && r.settings.discoloration) {
        const double lo = r.settings.discoloration_lower, hi = r.settings.discoloration_upper;
        auto inside = [&](float h) { return double(h) >= lo && double(h) <= hi; };
        if (inside(h0) && inside(h1) && inside(h2)) return kGroupDiscoloration;
    }
    return group;
}

// The normals of a block's triangles: cross products of their edges scaled by 1 / (b pitch).
// For square blocks the plain height differences with a * pitch as Z; a short last block
// (a != b) scales the Y difference by a / b so its slope shades like that of a full block.
void block_normals(const CellRules& r, const BlockAt& k, double* p, double* q, double* z) {
    const auto [c0, cx, cy, cxy] = cells_of(k, r.nx);
    const double h0 = r.height[c0], hx = r.height[cx], hy = r.height[cy], hxy = r.height[cxy];
    const double ab = k.a == k.b ? 1.0 : double(k.a) / double(k.b);
    p[0] = h0 - hx, q[0] = (h0 - hy) * ab;
    p[1] = hy - hxy, q[1] = (hx - hxy) * ab;
    z[0] = z[1] = k.a * r.pitch;
}

// Facing value and shade of n triangles from their normals, in one loop without branches; a
// triangle is visible when its facing value is positive (the sign needs no unit normal).
void shade_triangles(const Shading& s, const double* p, const double* q, const double* z, int n,
                     std::int32_t* shade, double* facing) {
    for (int t = 0; t < n; ++t) {
        const Vec3 normal{p[t], q[t], z[t]};
        facing[t] = dot(normal, s.eye);
        shade[t] = shade_of(s, normal, 1.0 / std::sqrt(dot(normal, normal)), facing[t]);
    }
}

// Colours of the block's triangles and, for a flat block, the flat-top shade.
// Written in place: a returned look copied into the line's array stalled on its odd size.
void finish_look(const CellRules& r, const BlockAt& k, const std::int32_t* shade, const double* facing, BlockLook& look) {
    const auto [c0, cx, cy, cxy] = cells_of(k, r.nx);
    const float h0 = r.height[c0], hx = r.height[cx], hy = r.height[cy], hxy = r.height[cxy];
    const std::uint8_t t0 = r.attribute[c0], tx = r.attribute[cx], ty = r.attribute[cy], txy = r.attribute[cxy];
    const int k0 = r.code[t0], kx = r.code[tx], ky = r.code[ty], kxy = r.code[txy];

    look.flat = h0 == hx && h0 == hy && h0 == hxy;
    const bool paint1 = t0 & tx & ty & sim::kPaintBit;
    const bool paint2 = look.flat ? paint1 : bool(txy & tx & ty & sim::kPaintBit);
    const int shared = kx << 3 | ky;
    const int g1 = group_of(r, k0 << 6 | shared, paint1, h0, hx, hy);
    const int g2 = group_of(r, kxy << 6 | shared, paint2, hxy, hx, hy);
    if (look.flat) {
        look.visible[0] = look.visible[1] = r.cos_b > 0.0;
        look.brush[0] = brush_index(g1, r.flat_shade);
        look.brush[1] = brush_index(g2, r.flat_shade);
    } else {
        look.visible[0] = facing[0] > 0.0, look.visible[1] = facing[1] > 0.0;
        look.brush[0] = brush_index(g1, look.visible[0] ? shade[0] : 0);
        look.brush[1] = brush_index(g2, look.visible[1] ? shade[1] : 0);
    }
}

}  // namespace

void look_of_blocks(const CellRules& r, const BlockAt* blocks, int n, BlockLook* looks, LookBuffers& buffers) {
    const std::size_t triangles = 2 * std::size_t(std::max(n, 0));
    if (buffers.p.size() < triangles) {
        for (auto* v : {&buffers.p, &buffers.q, &buffers.z, &buffers.facing}) v->resize(triangles);
        buffers.shade.resize(triangles);
    }
    double* p = buffers.p.data();
    double* q = buffers.q.data();
    double* z = buffers.z.data();
    for (int m = 0; m < n; ++m) block_normals(r, blocks[m], p + 2 * m, q + 2 * m, z + 2 * m);
    shade_triangles(r.shading, p, q, z, 2 * n, buffers.shade.data(), buffers.facing.data());
    for (int m = 0; m < n; ++m)
        finish_look(r, blocks[m], buffers.shade.data() + 2 * m, buffers.facing.data() + 2 * m, looks[m]);
}

BlockLook look_of_block(const CellRules& r, std::int32_t i, std::int32_t j, std::int32_t a, std::int32_t b) {
    const BlockAt at{i, j, a, b};
    double p[2], q[2], z[2];
    double facing[2];
    std::int32_t shade[2];
    block_normals(r, at, p, q, z);
    shade_triangles(r.shading, p, q, z, 2, shade, facing);
    BlockLook look;
    finish_look(r, at, shade, facing, look);
    return look;
}

}  // namespace vx::view
