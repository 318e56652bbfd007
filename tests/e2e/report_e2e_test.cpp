// The built program's report and summary: the shipped example set writes its verification report
// from examples/verify_form.def before (-V5) or after (-VA) a run, the run's summary on stdout and
// in --json agrees with the report's machining time, and --fail-on-findings turns a run's findings
// into exit code 3 while a clean run stays 0.
#include "e2e_workspace.h"

#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>

namespace vx {
namespace {

// A temporary copy of examples/: the settings, definitions, template and programs users start from.
struct ExampleSet {
    testing::TempDir dir;
    ExampleSet() {
        const std::string examples = std::string(VORNEX_TEST_DATA) + "/../../examples";
        for (const auto& entry : std::filesystem::directory_iterator(examples))
            if (entry.is_regular_file())  // examples/plugins/ holds the plug-ins' sources
                std::filesystem::copy_file(entry.path(), dir.path() + entry.path().filename().string());
    }
    int run(const std::string& arguments, std::string& output) const {
        const std::string command = "cd '" + dir.path() + "' && env -u DISPLAY -u WAYLAND_DISPLAY '" + VORNEX_BINARY +
                                    "' " + arguments + " > output.txt 2> errors.txt";
        const int status = std::system(command.c_str());
        output = dir.read("output.txt");
        return WIFEXITED(status) ? static_cast<signed char>(WEXITSTATUS(status)) : -1000;
    }
};

// The value after `label` in the report, as the template writes it: " hh:mm:ss  (   nnnn s)".
std::string report_field(const std::string& report, const std::string& label) {
    const std::size_t at = report.find(label);
    if (at == std::string::npos) return {};
    const std::size_t end = report.find('\n', at);
    return report.substr(at + label.size(), end - at - label.size());
}

std::string hms(double seconds) {
    const long s = std::lround(seconds);
    char text[32];
    std::snprintf(text, sizeof text, " %02ld:%02ld:%02ld", s / 3600, s / 60 % 60, s % 60);
    return text;
}

TEST(ReportE2e, ReportAfterTheRunAgreesWithTheSummary) {
    ExampleSet e;
    std::string output;
    ASSERT_EQ(e.run("-X5 -VA pocket.nc --json summary.json", output), 0) << output << e.dir.read("errors.txt");
    const auto summary = nlohmann::json::parse(e.dir.read("summary.json"));
    const double total = summary["machining_time_s"]["total"].get<double>();
    ASSERT_GT(total, 0.0);
    const std::string report = e.dir.read("verify.txt");
    char seconds[16];
    std::snprintf(seconds, sizeof seconds, "%7ld", std::lround(total));
    EXPECT_EQ(report_field(report, "  total        :"), hms(total) + "  (" + seconds + " s)") << report;
    EXPECT_NE(report.find("pocket.nc"), std::string::npos);
    EXPECT_EQ(report.find('$'), std::string::npos) << "every variable of the template was replaced";
    // After the run the removed volume is known: the report's change is the summary's removal.
    const double removed = summary["removed_volume_mm3"].get<double>();
    EXPECT_GT(removed, 0.0);
    char volume[64];
    std::snprintf(volume, sizeof volume, "  %.3f mm3", -removed);
    EXPECT_NE(report.find(volume), std::string::npos) << report;

    // The same figures on stdout, in plain lines.
    EXPECT_NE(output.find("machining time:" + hms(total).substr(0)), std::string::npos) << output;
    EXPECT_NE(output.find("  findings: none\n"), std::string::npos) << output;
    EXPECT_NE(output.find("  wall time: "), std::string::npos) << output;
    EXPECT_EQ(summary["findings"].size(), 0u);
    EXPECT_EQ(summary["exit"].get<int>(), 0);
    EXPECT_EQ(summary["tools"][0]["number"].get<int>(), 1);
}

// -V5 writes the report and quits without a run (and without a summary); NEW replaces the file,
// APPEND adds to it; AUTO names it after the NC file.
TEST(ReportE2e, ReportWithoutRunNewAppendAndAutoNames) {
    ExampleSet e;
    std::string output;
    ASSERT_EQ(e.run("-V5 pocket.nc", output), 0) << e.dir.read("errors.txt");
    EXPECT_EQ(output, "");
    const std::string once = e.dir.read("verify.txt");
    ASSERT_NE(once.find("VERIFICATION REPORT"), std::string::npos) << once;
    EXPECT_NE(once.find("Removed volume"), std::string::npos);
    ASSERT_EQ(e.run("-V5 pocket.nc", output), 0);
    EXPECT_EQ(e.dir.read("verify.txt"), once) << "NEW replaces the report";

    std::string ini = e.dir.read("vornex.ini");
    const std::size_t section = ini.find("[OUTPUTdata]\n");
    ASSERT_NE(section, std::string::npos);
    ini.insert(section + 13, "CREATE MODE(VERIFY)=APPEND\nNAMING MODE(VERIFY)=AUTO\nVERIFY SUFFIX=rep\n");
    e.dir.write("append.ini", ini);
    ASSERT_EQ(e.run("-Iappend.ini -V5 pocket.nc", output), 0);
    ASSERT_EQ(e.run("-Iappend.ini -V5 pocket.nc", output), 0);
    EXPECT_EQ(e.dir.read("pocket_verify.rep"), once + once) << "APPEND adds, AUTO names after the program";

    // Without a template the built-in form is written (English with the shipped message file).
    std::filesystem::remove(e.dir.path() + "verify_form.def");
    ASSERT_EQ(e.run("-V5 pocket.nc", output), 0);
    const std::string fixed = e.dir.read("verify.txt");
    EXPECT_NE(fixed.find("Cutting Information >>>\n\xE2\x80\xBB:\"verify_form.def\" is not found.\n"), std::string::npos)
        << fixed;
}

TEST(ReportE2e, FailOnFindingsTellsARapidIntoTheWorkpiece) {
    Workspace w;
    std::string output, errors;
    EXPECT_EQ(w.run("-X5 rapid.nc --fail-on-findings --json s.json", &output, &errors), 3) << output << errors;
    const auto summary = nlohmann::json::parse(w.dir.read("s.json"));
    ASSERT_GE(summary["findings"].size(), 1u);
    EXPECT_EQ(summary["findings"][0]["kind"], "interference");
    EXPECT_EQ(summary["findings"][0]["line"], 5);
    EXPECT_EQ(summary["exit"], 3);
    EXPECT_NE(output.find("    interference: 1, first at line 5: RAPID(G00)"), std::string::npos) << output;
    // Without the switch the exit code stays as it was.
    EXPECT_EQ(w.run("-X5 rapid.nc", &output, &errors), 0);

    ExampleSet e;
    EXPECT_EQ(e.run("-X5 pocket.nc --fail-on-findings", output), 0) << output;
}

// The data check at the selection meets the alarm first: a batch that writes its report before
// the run ends there with the alarm in the log, and the summary counts it as a finding.
TEST(ReportE2e, AlarmOfTheCheckEndsABatchBeforeItsReport) {
    Workspace w;
    w.dir.write("strict.ctl", w.dir.read("e2e.ctl") + "CHECK F0=YES\n");
    w.dir.write("zero.nc", "G90 G00 X10. Y10. Z25.\nG01 X20. F0\nM30\n");
    std::string output, errors;
    EXPECT_EQ(w.run("-X5 -V -Cstrict.ctl zero.nc --fail-on-findings --json s.json", &output, &errors), 3) << errors;
    EXPECT_NE(w.log().find("(2) - Zero Feedrate!\n"), std::string::npos) << w.log();
    EXPECT_FALSE(std::filesystem::exists(w.dir.path() + "verify.txt")) << "the batch ended before its report";
    const auto summary = nlohmann::json::parse(w.dir.read("s.json"));
    EXPECT_EQ(summary["check_alarm"]["code"], 2);
    EXPECT_EQ(summary["findings"][0]["kind"], "alarm");
    EXPECT_EQ(summary["findings"][0]["code"], 102);
    EXPECT_EQ(summary["blocks_read"], 0) << "nothing was run";
}

}  // namespace
}  // namespace vx
