// Colour and shade of the two triangles of one block of the grid.
#include "view/render.h"

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
    r.eye = view.eye;
    r.light = view.light;
    r.cos_b = view.cos_b;
    r.flat_shade = flat_top_shade(view);
    return r;
}

namespace {

// First match wins: interference red, paint on all three corners, the triangle's code, the
// discolouration band on all three corners, the work colour.
int group_of(const CellRules& r, int code, bool paint, bool in_band) {
    if (r.settings.showing_interference) return kGroupInterference;
    if (paint) return kGroupPaint;
    if (code != 0) return code + 1;
    if (in_band) return kGroupDiscoloration;
    return kGroupWork;
}

bool in_band(const CellRules& r, float h0, float h1, float h2) {
    const double lo = r.settings.discoloration_lower, hi = r.settings.discoloration_upper;
    auto inside = [&](float h) { return double(h) >= lo && double(h) <= hi; };
    return r.settings.discoloration && inside(h0) && inside(h1) && inside(h2);
}

// Facing value and shade of a triangle with (unnormalised) normal n.
void shade_triangle(const CellRules& r, Vec3 n, bool* visible, int* shade) {
    *visible = dot(n, r.eye) > 0.0;  // the sign needs no unit normal
    if (!*visible) return void(*shade = 0);
    const double inverse = 1.0 / std::sqrt(dot(n, n));
    *shade = shade_index({n.x * inverse, n.y * inverse, n.z * inverse}, r.light, r.eye);
}

}  // namespace

BlockLook look_of_block(const CellRules& r, std::int32_t i, std::int32_t j, std::int32_t a, std::int32_t b) {
    const std::int64_t c0 = std::int64_t{j} * r.nx + i, cx = c0 + a, cy = c0 + std::int64_t{b} * r.nx, cxy = cy + a;
    const float h0 = r.height[c0], hx = r.height[cx], hy = r.height[cy], hxy = r.height[cxy];
    const std::uint8_t t0 = r.attribute[c0], tx = r.attribute[cx], ty = r.attribute[cy], txy = r.attribute[cxy];
    const bool by_pen = r.settings.colour_by_pen;
    const int k0 = corner_code(t0, by_pen), kx = corner_code(tx, by_pen), ky = corner_code(ty, by_pen);
    const int kxy = corner_code(txy, by_pen);

    BlockLook look;
    look.flat = h0 == hx && h0 == hy && h0 == hxy;
    const bool paint1 = t0 & tx & ty & sim::kPaintBit;
    const bool paint2 = look.flat ? paint1 : bool(txy & tx & ty & sim::kPaintBit);
    const int g1 = group_of(r, triangle_code(k0, kx, ky), paint1, in_band(r, h0, hx, hy));
    const int g2 = group_of(r, triangle_code(kxy, kx, ky), paint2, in_band(r, hxy, hx, hy));

    int s1 = r.flat_shade, s2 = r.flat_shade;
    if (look.flat) {
        look.visible[0] = look.visible[1] = r.cos_b > 0.0;
    } else {
        // Cross products of the triangles' edges, scaled by 1 / (b pitch): for square blocks the
        // plain height differences with a * pitch as Z; a short last block (a != b) scales the Y
        // difference by a / b so its slope shades like that of a full block.
        const double ab = double(a) / double(b), z = a * r.pitch;
        shade_triangle(r, {double(h0) - hx, (double(h0) - hy) * ab, z}, &look.visible[0], &s1);
        shade_triangle(r, {double(hy) - hxy, (double(hx) - hxy) * ab, z}, &look.visible[1], &s2);
    }
    look.brush[0] = brush_index(g1, s1);
    look.brush[1] = brush_index(g2, s2);
    return look;
}

}  // namespace vx::view
