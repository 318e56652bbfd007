// The verification report: a copy of the user's template "verify_form.def" in which every "$"
// variable is replaced by a value of the selected program's data check (times, lengths, extents,
// feeds, the codes it uses), the definition files, the work offsets and the removed volume; or,
// without a template, a short built-in report in the language of the user interface.
//
// Matching: at each "$" the names of the table are tried in order, case-insensitively, so that a
// longer name wins over its prefix ($TIMER before $TIME before $TIM). A "$" that starts no name
// writes nothing and swallows the character after it. $G5 with a digit and $WK with two digits
// always consume five characters ($G54 also takes the character after it). $GCODEW lists G54 to
// G59 and takes them off the list that a later $GCODE prints.
#pragma once

#include "nc/data_check.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace vx::output {

constexpr std::string_view kReportTemplateName = "verify_form.def";
constexpr std::size_t kTemplateLine = 1023;  // a longer template line is read in pieces of this size

// What the report prints; every value is kept by its owner, the report only formats it.
struct ReportData {
    std::string nc_path, ttl_path, ctl_path, mtl_path;
    std::uint64_t nc_size = 0;           // bytes
    const nc::DataCheck* check = nullptr;  // must be set
    double rapid_feedrate = 0;           // the settings' RAPID FEEDRATE (999999999: not set)
    std::array<double, 3> machine_rapid{};  // the machine's rapid rates of X, Y, Z, mm/min
    std::span<const Vec3> work_offsets;  // 0 the external offset, 1..6 G54..G59, then the rest
    int highest_tool = 0;                // $TCODE lists T1 to this
    double volume = 0;                   // mm^3 removed since the backup
};

// ---- Names ----

struct ReportNaming {
    std::string dir;  // FIXED: the folder of "verify.<suffix>", with its trailing "/"
    std::string suffix = "txt";
    bool auto_name = false;  // AUTO: named after the NC file, "<name>_verify.<suffix>" beside it
};

std::string report_path(const ReportNaming& naming, const std::string& nc_path);

// ---- Contents ----

// The template `text` with every variable replaced.
std::string expand_template(std::string_view text, const ReportData& data);

// The built-in report, in the language of the user interface.
std::string fixed_report(const ReportData& data);

// " hh:mm:ss" of the rounded seconds (" hhh:mm:ss" from 100 hours on).
std::string hms(double seconds);

}  // namespace vx::output
