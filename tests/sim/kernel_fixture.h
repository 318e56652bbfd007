// Workpieces and tools for the kernel tests, built from records rather than tool files so that
// each test states the shape it cuts with.
#pragma once

#include "sim/kernel.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

namespace vx::sim::testing {

// A uniform body of `top` over nx x ny points at `pitch`, origin (0, 0).
inline std::unique_ptr<Workpiece> make_body(int nx, int ny, double pitch, double top, int data_level = 1) {
    auto wp = std::make_unique<Workpiece>();
    GridGeometry g;
    size_grid(g, 0.0, 0.0, (nx - 1) * pitch, (ny - 1) * pitch, pitch);
    EXPECT_EQ(allocate_workpiece(*wp, g, data_level), 1);
    define_uniform_body(*wp, top, top - 50.0);
    wp->highest = top;
    std::memset(wp->screen_position.data, 0, 2 * sizeof(std::int16_t) * std::size_t(g.cell_count));
    return wp;
}

inline ToolRecord tool_record(int type, double d, double r = 0, double h = 30) {
    ToolRecord t;
    t.defined = 1;
    t.type = type;
    t.d = float(d);
    t.r = float(r);
    t.h = float(h);
    return t;
}

// The current tool for cutting on a grid of `pitch`.
inline CurrentTool make_tool(const ToolRecord& record, double pitch, const LengthRecord& length = {},
                             const HolderRecord& holder = {}, const Attachment* attachment = nullptr,
                             int arbor_check = 0, shell::Clearance tool_clearance = {}) {
    CurrentTool c;
    c.number = 7;
    c.tool = record;
    c.length = length;
    c.holder = holder;
    c.pen = 3;
    ProfileOptions o;
    o.for_cutting = true;
    o.pitch = pitch;
    o.attachment = attachment;
    o.arbor_check = arbor_check;
    o.tool_clearance = tool_clearance;
    c.profile = build_profile(record, length, holder, o);
    return c;
}

inline float height_at(const Workpiece& wp, int i, int j) { return wp.height.data[j * wp.geometry.nx + i]; }
inline std::uint8_t attribute_at(const Workpiece& wp, int i, int j) { return wp.attribute.data[j * wp.geometry.nx + i]; }

}  // namespace vx::sim::testing
