// Workpieces and tools for the kernel tests, built from records rather than tool files so that
// each test states the shape it cuts with.
#pragma once

#include "sim/kernel.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

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

// Ten cutting edges that between them take every path of the profile: flat, ball, bull, drill,
// general, taper ball, vertical mill, oval mill, radius mill and a concave corner.
constexpr int kShapeKinds = 10;

inline ToolRecord shape_of_kind(int kind, double d) {
    ToolRecord t;
    switch (kind) {
        case 0: t = tool_record(kToolFlat, d); break;
        case 1: t = tool_record(kToolBall, d, d / 2); break;
        case 2: t = tool_record(kToolBull, d, d / 5); break;
        case 3: t = tool_record(kToolOther, d); t.alpha = 59; break;  // drill
        case 4: t = tool_record(kToolOther, d, d / 6); t.alpha = 10; t.beta = 8; t.tip_diameter = float(d / 4); break;
        case 5: t = tool_record(kToolTaperBall, d, d / 2); t.beta = 5; break;
        case 6: t = tool_record(kToolVertical, d); t.vertical_width = float(d / 4); break;
        case 7: t = tool_record(kToolOval, d, d / 8); t.e = float(d * 0.7); t.f = 0.8f; break;
        case 8: t = tool_record(kToolRadius, d, d / 4); t.e = float(d / 6); t.f = 0.3f; break;
        default: t = tool_record(kToolOther, d, -d / 8); t.f = 0.5f; break;  // concave corner
    }
    return t;
}

// The checks a kernel test runs under unless it says otherwise: the rapid check aborts, the
// neck, holder and attachment are ignored, nothing else is checked.
inline Checks plain_checks() {
    Checks c;
    c.arbor = ArborCheck::Ignore;
    return c;
}

// The run menu's modes, the settings' values at their defaults.
inline Checks checks_of(RapidCheck rapid, ArborCheck arbor, LengthCheck height, LengthCheck chip,
                        SpindleCheck spindle = SpindleCheck::Off) {
    Checks c;
    c.rapid = rapid;
    c.arbor = arbor;
    c.height = height;
    c.chip = chip;
    c.spindle = spindle;
    return c;
}

// The current tool for cutting on a grid of `pitch`.
inline CurrentTool make_tool(const ToolRecord& record, double pitch, const LengthRecord& length = {},
                             const HolderRecord& holder = {}, const Attachment* attachment = nullptr,
                             ArborCheck arbor_check = ArborCheck::Ignore, Clearance tool_clearance = {}) {
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

// Every result of two sweeps of the same positions, bit for bit.
inline void expect_same_results(const SweepResult& a, const SweepResult& b, const std::string& where) {
    EXPECT_EQ(a.volume, b.volume) << where;
    EXPECT_EQ(a.moment, b.moment) << where;
    EXPECT_EQ(a.step_direction, b.step_direction) << where;
    EXPECT_EQ(a.changed, b.changed) << where;
    EXPECT_EQ(a.watched, b.watched) << where;
    EXPECT_EQ(a.rapid_interference, b.rapid_interference) << where;
    EXPECT_EQ(a.rapid_state, b.rapid_state) << where;
    EXPECT_EQ(a.length, b.length) << where;
    EXPECT_EQ(a.taper, b.taper) << where;
    EXPECT_EQ(a.holder, b.holder) << where;
    EXPECT_EQ(a.attachment, b.attachment) << where;
    EXPECT_EQ(a.chip, b.chip) << where;
    EXPECT_EQ(a.interference_state, b.interference_state) << where;
    EXPECT_EQ(a.extent.tool, b.extent.tool) << where;
    EXPECT_EQ(a.extent.nearest, b.extent.nearest) << where;
    EXPECT_EQ(a.extent.nearest_height, b.extent.nearest_height) << where;
    EXPECT_EQ(a.extent.farthest, b.extent.farthest) << where;
    EXPECT_EQ(a.extent.farthest_height, b.extent.farthest_height) << where;
    EXPECT_EQ(a.required.protrusion, b.required.protrusion) << where;
    EXPECT_EQ(a.required.neck_length, b.required.neck_length) << where;
    EXPECT_EQ(a.required.second_length, b.required.second_length) << where;
    EXPECT_EQ(a.required.blade_length, b.required.blade_length) << where;
    EXPECT_EQ(a.required.tip_width, b.required.tip_width) << where;
    EXPECT_EQ(a.required.centre_height, b.required.centre_height) << where;
    EXPECT_EQ(a.bounds.min_x, b.bounds.min_x) << where;
    EXPECT_EQ(a.bounds.max_x, b.bounds.max_x) << where;
    EXPECT_EQ(a.bounds.min_y, b.bounds.min_y) << where;
    EXPECT_EQ(a.bounds.max_y, b.bounds.max_y) << where;
    EXPECT_EQ(a.bounds.cells.first_i, b.bounds.cells.first_i) << where;
    EXPECT_EQ(a.bounds.cells.last_i, b.bounds.cells.last_i) << where;
    EXPECT_EQ(a.bounds.cells.first_j, b.bounds.cells.first_j) << where;
    EXPECT_EQ(a.bounds.cells.last_j, b.bounds.cells.last_j) << where;
}

inline bool same_layers(const Workpiece& a, const Workpiece& b) {
    const std::size_t n = std::size_t(a.geometry.cell_count);
    if (std::memcmp(a.height.data, b.height.data, n * sizeof(float)) != 0) return false;
    if (std::memcmp(a.attribute.data, b.attribute.data, n) != 0) return false;
    if (has_line_layer(a) && std::memcmp(a.line_number.data, b.line_number.data, n * sizeof(std::int32_t)) != 0)
        return false;
    return std::memcmp(a.screen_position.data, b.screen_position.data, 2 * n * sizeof(std::int16_t)) == 0;
}

}  // namespace vx::sim::testing
