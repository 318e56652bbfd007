// Shared by the DMF tests: workpieces to save and files built byte by byte, so that the reader is
// tested on files the writer did not make.
#pragma once

#include "platform/language.h"
#include "sim/workgrid.h"
#include "work/dmf.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace vx::work::test {

struct EnglishTexts {
    EnglishTexts() { platform::set_english(true); }
    ~EnglishTexts() { platform::set_english(false); }
};

// A uniform block of nx x ny points: top 10, bottom -5, at (origin_x, origin_y).
inline void make_block(sim::Workpiece& wp, int nx, int ny, double pitch = 1.0, int data_level = 1,
                       double origin_x = 0.0, double origin_y = 0.0) {
    sim::GridGeometry g;
    ASSERT_EQ(sim::size_grid(g, origin_x, origin_y, origin_x + (nx - 1) * pitch, origin_y + (ny - 1) * pitch, pitch), 1);
    ASSERT_EQ(sim::allocate_workpiece(wp, g, data_level), 1);
    ASSERT_EQ(sim::define_uniform_body(wp, 10.0, -5.0), 1);
}

// Gives every cell its own height, attribute and line number, as a cut would.
inline void cut_everything(sim::Workpiece& wp) {
    for (std::int32_t k = 0; k < wp.geometry.cell_count; ++k) {
        wp.height.data[k] = 10.0f - 0.0137f * float(k);
        wp.attribute.data[k] = static_cast<std::uint8_t>((k * 7) & 0x3F);
        if (sim::has_line_layer(wp)) wp.line_number.data[k] = (k % 3 == 0 ? -1 : 1) * (100 + k);
    }
    wp.modification_state = sim::kModified;
}

// Little-endian bytes in order.
struct Bytes {
    std::string s;
    template <class T>
    Bytes& add(T v) {
        char b[sizeof v];
        std::memcpy(b, &v, sizeof v);
        s.append(b, sizeof v);
        return *this;
    }
};

struct HeaderSpec {
    std::array<double, 12> placement{1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0};
    std::int32_t nx = 2, ny = 2;
    double pitch = 1.0;
    double quantum = 0.0;
    std::int32_t layer_code = 0, body_form = 0;
};

inline Bytes header_bytes(const HeaderSpec& h) {
    Bytes b;
    b.s = "VORNEX          ";
    for (double v : h.placement) b.add(v);
    b.add(h.nx).add(h.ny).add(std::int32_t{2}).add(h.pitch).add(h.pitch).add(h.quantum);
    b.add(h.layer_code).add(h.body_form);
    return b;
}

// A float-height file with `heights` (one per cell, or one for a uniform body) and no layers.
inline std::string float_file(const HeaderSpec& h, const std::vector<float>& heights, float bottom) {
    Bytes b = header_bytes(h);
    for (float v : heights) b.add(v);
    b.add(std::int32_t{0}).add(std::int32_t{1}).add(bottom);
    return b.s;
}

}  // namespace vx::work::test
