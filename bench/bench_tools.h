// Tools of the benchmarks: a bare end mill of the given type, diameter and corner radius with
// a 40 mm edge, its profile built for cutting at `pitch`; and the checks they cut under.
#pragma once

#include "sim/checks.h"
#include "sim/profile.h"
#include "sim/tools.h"

namespace vx::bench {

// The rapid check on, the bare tools' missing neck and holder ignored.
inline sim::Checks bench_checks() {
    sim::Checks c;
    c.arbor = sim::ArborCheck::Ignore;
    return c;
}

inline sim::CurrentTool bench_tool(int type, double d, double corner, double pitch) {
    sim::ToolRecord t;
    t.defined = 1;
    t.type = type;
    t.d = float(d);
    t.r = float(corner);
    t.h = 40;
    sim::CurrentTool c;
    c.tool = t;
    sim::ProfileOptions o;
    o.for_cutting = true;
    o.pitch = pitch;
    c.profile = sim::build_profile(t, {}, {}, o);
    return c;
}

}  // namespace vx::bench
