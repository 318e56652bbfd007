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

}  // namespace vx::sim::testing
