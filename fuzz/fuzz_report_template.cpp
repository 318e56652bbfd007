// Any bytes as a report template: expanding must not crash, and text without a "$" must come out
// as it went in (only variables are replaced).
#include "output/verify_report.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    vx::nc::DataCheck check;
    check.time.tools = {{1, 12.5, 100.0, 80.0, 10.0}, {123, 400000.0, 5.0, 1.0, 2.0}};
    const std::vector<vx::Vec3> offsets(8, vx::Vec3{1.0, -2.0, 3.5});
    vx::output::ReportData report;
    report.check = &check;
    report.work_offsets = offsets;
    report.highest_tool = 200;
    report.nc_size = 5ull << 32;
    const std::string out = vx::output::expand_template(text, report);
    if (text.find('$') == std::string_view::npos && out != text) std::abort();
    return 0;
}
