// Colour and shade of the two triangles of one block of the grid.
#include "view/render.h"

#include <algorithm>
#include <cmath>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace vx::view {

RenderSettings render_settings(const DisplaySettings& settings, bool showing_interference) {
    RenderSettings s;
    s.colour_by_pen = settings.colour_by_pen;
    s.mesh = settings.mesh;
    s.discoloration = settings.discoloration;
    s.discoloration_lower = settings.discoloration_lower;
    s.discoloration_upper = settings.discoloration_upper;
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
inline void read_corners(const CellRules& r, const BlockAt& k, double* p, double* q, double* z, BlockLook& look) {
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

// The shade of one triangle with its facing value; a triangle is visible when that is positive
// (the sign needs no unit normal).
void shade_triangle(const Shading& s, const double* p, const double* q, const double* z, int t,
                    std::int32_t* shade, double* facing) {
    const Vec3 normal{p[t], q[t], z[t]};
    facing[t] = dot(normal, s.eye);
    shade[t] = shade_of(s, normal, 1.0 / std::sqrt(dot(normal, normal)), facing[t]);
}

#if defined(__x86_64__)
#define VX_WIDE [[gnu::target("avx2")]] inline
VX_WIDE __m256d all(double v) { return _mm256_set1_pd(v); }
VX_WIDE __m256d mul(__m256d a, __m256d b) { return _mm256_mul_pd(a, b); }
VX_WIDE __m256d add(__m256d a, __m256d b) { return _mm256_add_pd(a, b); }
VX_WIDE __m256d sub(__m256d a, __m256d b) { return _mm256_sub_pd(a, b); }
VX_WIDE __m256d dot(__m256d x, __m256d y, __m256d z, const Vec3& v) {
    return add(add(mul(x, all(v.x)), mul(y, all(v.y))), mul(z, all(v.z)));
}
VX_WIDE __m128i truncated(__m256d x) {  // truncated_shade()
    return _mm256_cvttpd_epi32(_mm256_min_pd(_mm256_max_pd(x, _mm256_setzero_pd()), all(49.0)));
}

// shade_of() four triangles at a time in 256-bit registers, operation for operation (no fused
// multiply-adds), so that the shades are those of the plain loop. The roots and divisions
// dominate the loop, and on 128-bit registers they take twice as long. Returns how many
// triangles it did.
VX_WIDE int shade_four_at_a_time(const Shading& s, const double* p, const double* q, const double* z, int n,
                                 std::int32_t* shade, double* facing) {
    int t = 0;
    for (; t + 4 <= n; t += 4) {
        const __m256d x = _mm256_loadu_pd(p + t), y = _mm256_loadu_pd(q + t), w = _mm256_loadu_pd(z + t);
        const __m256d f = dot(x, y, w, s.eye);
        const __m256d inverse_length = _mm256_div_pd(all(1.0), _mm256_sqrt_pd(add(add(mul(x, x), mul(y, y)), mul(w, w))));
        const __m256d g = _mm256_cvtepi32_pd(truncated(mul(mul(all(24.5), w), inverse_length)));
        const __m256d c = sub(mul(mul(all(2.0), f), inverse_length), all(s.light_eye));
        const __m256d length2 = add(sub(all(4.0), mul(mul(all(4.0), dot(x, y, w, s.light)), inverse_length)), all(s.light_light));
        const __m256d ratio = _mm256_div_pd(mul(c, c), length2);
        const __m256d positive = _mm256_and_pd(_mm256_cmp_pd(c, _mm256_setzero_pd(), _CMP_GT_OQ),
                                               _mm256_cmp_pd(length2, _mm256_setzero_pd(), _CMP_GT_OQ));
        const __m256d c4 = _mm256_and_pd(positive, ratio);
        _mm256_storeu_pd(facing + t, f);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(shade + t), truncated(add(g, mul(mul(c4, c4), sub(all(49.0), g)))));
    }
    return t;
}
#undef VX_WIDE
#endif

// Facing values and shades of n triangles, in loops without branches.
void shade_triangles(const Shading& s, const double* p, const double* q, const double* z, int n,
                     std::int32_t* shade, double* facing) {
    int t = 0;
#if defined(__x86_64__)
    static const bool wide = __builtin_cpu_supports("avx2");
    if (wide) t = shade_four_at_a_time(s, p, q, z, n, shade, facing);
#endif
    for (; t < n; ++t) shade_triangle(s, p, q, z, t, shade, facing);
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
    std::int32_t* shade = buffers.shade.data();
    double* facing = buffers.facing.data();
    // Flat blocks take the top's shade: only the others go through the shading loop, packed
    // (a flat block's normals are written and then overwritten by the next block's).
    int sloped = 0;
    for (int m = 0; m < n; ++m) {
        read_corners(r, blocks[m], p + 2 * sloped, q + 2 * sloped, z + 2 * sloped, looks[m]);
        sloped += !looks[m].flat;
    }
    shade_triangles(r.shading, p, q, z, 2 * sloped, shade, facing);
    for (int m = 0, k = 0; m < n; ++m) {
        add_shades(r, shade + 2 * k, facing + 2 * k, looks[m]);
        k += !looks[m].flat;
    }
}

BlockLook look_of_block(const CellRules& r, std::int32_t i, std::int32_t j, std::int32_t a, std::int32_t b) {
    const BlockAt at{i, j, a, b};
    BlockLook look;
    LookBuffers buffers;
    look_of_blocks(r, &at, 1, &look, buffers);
    return look;
}

}  // namespace vx::view
