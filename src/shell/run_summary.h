// The run summary of a batch: what was simulated and what it found, for a person at a terminal
// (a few lines on stdout) and for a pipeline (one JSON document, its keys in README.md). Both are
// rendered from one document, built from the selected program's data check (times, lengths,
// extents, feeds, tools), the run (blocks, findings, codes without effect) and the workpiece
// (removed volume).
#pragma once

#include <nlohmann/json.hpp>

#include <string>

namespace vx::shell {

struct App;

// The document of the last batch run; `wall_seconds` the batch's wall time, `exit_code` the
// process's.
nlohmann::ordered_json run_summary(const App& app, double wall_seconds, int exit_code);

// The lines on stdout.
std::string summary_text(const nlohmann::ordered_json& summary);

// Whether the run found an alarm, an interference, an overload or an offset alarm, or the data
// check of its program stopped at an alarm.
bool has_findings(const App& app);

// Writes the document through a staged file: a crash or a failed write never leaves half a
// document. False (and told on stderr) when it cannot be written.
bool write_summary_json(const std::string& path, const nlohmann::ordered_json& summary);

}  // namespace vx::shell
