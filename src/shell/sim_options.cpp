// The settings' check keys, clearances and tool keys as the simulation's records.
#include "shell/sim_options.h"

namespace vx::shell {

sim::Checks check_settings(const Settings& settings) {
    const DefineSettings& d = settings.define;
    sim::Checks c;
    c.rapid = d.rapid_check;
    c.arbor = d.arbor_check;
    c.height = d.height_check;
    c.chip = d.chip_check;
    apply_check_settings(settings, c);
    return c;
}

void apply_check_settings(const Settings& settings, sim::Checks& checks) {
    const DefineSettings& d = settings.define;
    checks.spindle = d.spindle_check;
    checks.spindle_range = d.spindle_range;
    checks.spindle_min = d.spindle_min;
    checks.spindle_max = d.spindle_max;
    checks.rapid_feedrate = d.rapid_feedrate;
    checks.tool_clearance = d.tool_clearance;
    checks.length_type = d.length_type;
}

sim::ProfileOptions selection_options(const Settings& settings, double pitch, const sim::Attachment* attachment) {
    sim::ProfileOptions o;
    o.for_cutting = pitch > 0.0;
    o.pitch = pitch;
    o.arbor_clearance = settings.define.arbor_clearance;
    o.tool_clearance = settings.define.tool_clearance;
    o.attachment = attachment;
    o.arbor_check = settings.define.arbor_check;
    return o;
}

sim::ToolTableOptions tool_table_options(const Settings& settings, double pitch, const sim::Attachment* attachment) {
    sim::ToolTableOptions o;
    o.max_magazine = settings.define.max_magazine;
    o.read.base_point = settings.define.tool_base_point;
    o.selection = selection_options(settings, pitch, attachment);
    return o;
}

}  // namespace vx::shell
