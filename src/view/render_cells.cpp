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

// What a block's corners give before shading: the normals of its triangles (cross products of
// their edges scaled by 1 / (b pitch)) and their colour groups, and whether it is flat. For
// square blocks the plain height differences with a * pitch as Z; a short last block (a != b)
// scales the Y difference by a / b so its slope shades like that of a full block.
// The look is written in place: a returned look copied into the line's array stalled on its
// odd size.
void read_corners(const CellRules& r, const BlockAt& k, double* p, double* q, double* z, BlockLook& look) {
    const auto [c0, cx, cy, cxy] = cells_of(k, r.nx);
    const float h0 = r.height[c0], hx = r.height[cx], hy = r.height[cy], hxy = r.height[cxy];
    const double ab = k.a == k.b ? 1.0 : double(k.a) / double(k.b);
    p[0] = double(h0) - hx, q[0] = (double(h0) - hy) * ab;
    p[1] = double(hy) - hxy, q[1] = (double(hx) - hxy) * ab;
    z[0] = z[1] = k.a * r.pitch;

    const std::uint8_t t0 = r.attribute[c0], tx = r.attribute[cx], ty = r.attribute[cy], txy = r.attribute[cxy];
    look.flat = h0 == hx && h0 == hy && h0 == hxy;
    const bool paint1 = t0 & tx & ty & sim::kPaintBit;
    const bool paint2 = look.flat ? paint1 : bool(txy & tx & ty & sim::kPaintBit);
    const int shared = r.code[tx] << 3 | r.code[ty];
    look.brush[0] = brush_index(group_of(r, r.code[t0] << 6 | shared, paint1, h0, hx, hy), 0);
    look.brush[1] = brush_index(group_of(r, r.code[txy] << 6 | shared, paint2, hxy, hx, hy), 0);
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

// A flat block shows its top's shade when the view looks from above; any other triangle its own
// shade when it faces the eye, else shade 0.
void add_shades(const CellRules& r, const std::int32_t* shade, const double* facing, BlockLook& look) {
    for (int t = 0; t < 2; ++t) {
        look.visible[t] = look.flat ? r.cos_b > 0.0 : facing[t] > 0.0;
        look.brush[t] += look.flat ? r.flat_shade : look.visible[t] ? shade[t] : 0;
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
    const std::int32_t* shade = buffers.shade.data();
    const double* facing = buffers.facing.data();
    for (int m = 0; m < n; ++m) read_corners(r, blocks[m], p + 2 * m, q + 2 * m, z + 2 * m, looks[m]);
    shade_triangles(r.shading, p, q, z, 2 * n, buffers.shade.data(), buffers.facing.data());
    for (int m = 0; m < n; ++m) add_shades(r, shade + 2 * m, facing + 2 * m, looks[m]);
}

BlockLook look_of_block(const CellRules& r, std::int32_t i, std::int32_t j, std::int32_t a, std::int32_t b) {
    const BlockAt at{i, j, a, b};
    BlockLook look;
    LookBuffers buffers;
    look_of_blocks(r, &at, 1, &look, buffers);
    return look;
}

}  // namespace vx::view
