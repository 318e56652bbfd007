// A controller, machine, reader and interpreter of their own for each interpreter test, and a
// runner that collects every move of a program.
#pragma once

#include "nc/interp.h"
#include "nc/pipeline.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace vx::nc::test {

// Tools 1..12, tool t with diameter 2t and protrusion 30 + t; tool 1 is the current one.
constexpr int kRigTools = 12;

inline int rig_tool_sizes(const void*, int t, ToolSizes& sizes) {
    if (t < 1 || t > kRigTools) return 0;
    sizes.diameter = float(t * 2);
    sizes.length = float(30 + t);
    return 1;
}

inline int rig_current_tool(const void*) { return 1; }

struct Rig {
    Ctl ctl;
    Mtl mtl;
    Reader reader;
    Interp in;
    MachiningTime time;
    std::string program;

    // Coordinates as written (no implied decimal point), so that the numbers read plainly.
    explicit Rig(std::string_view ctl_text = "") {
        parse_ctl(ctl_text, ctl);
        ctl.decimal_point = 3;
        in.ctl = &ctl;
        in.mtl = &mtl;
        in.reader = &reader;
    }

    void with_time() { in.time = &time; }

    void with_tools() { in.tools = ToolLookup{nullptr, &rig_tool_sizes, nullptr, &rig_current_tool}; }

    std::vector<MoveRecord> run(std::string text, Vec3 start = {}) {
        program = std::move(text);
        reset_interp(in, start);
        if (in.time) reset_time(time, 999999999.0), set_time_tool(time, in.modal.tool);
        open_main_bytes(reader, program);
        std::vector<MoveRecord> moves;
        while (execute_next_block(in) == 1) moves.push_back(in.move);
        return moves;
    }
};

// Coordinates of a move point, to well below any rounding the interpreter may do.
inline void expect_point(const Vec3& p, double x, double y, double z, double tolerance = 1e-9) {
    EXPECT_NEAR(p.x, x, tolerance);
    EXPECT_NEAR(p.y, y, tolerance);
    EXPECT_NEAR(p.z, z, tolerance);
}

inline std::unique_ptr<Rig> rig(std::string_view ctl_text = "") { return std::make_unique<Rig>(ctl_text); }

}  // namespace vx::nc::test
