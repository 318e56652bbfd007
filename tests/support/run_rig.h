// The application of the run and command tests: the definitions of tests/data/run, a box
// workpiece 40 x 20 mm with its top at Z10 on a 0.5 mm grid, and the run context linked to them,
// working in a fresh temporary folder. Its members name the application's records.
#pragma once

#include "shell/app.h"
#include "support/temp_dir.h"

#include <memory>
#include <string>
#include <string_view>

namespace vx::testing {

constexpr double kRigPitch = 0.5;
constexpr double kRigTop = 10.0;

struct RunRig {
    TempDir dir;
    std::unique_ptr<shell::App> app;
    shell::Settings& settings;
    nc::Ctl& ctl;
    nc::Mtl& mtl;
    sim::ToolTable& tools;
    sim::CurrentTool& tool;
    nc::Interp& interp;
    nc::Reader& reader;
    sim::Workpiece& workpiece;
    sim::KernelContext& kernel;
    nc::MachiningTime& time;
    shell::RunContext& ctx;

    RunRig();
    RunRig(const RunRig&) = delete;
    RunRig& operator=(const RunRig&) = delete;

    // Writes `text` as the NC program `name` in the folder and selects it.
    std::string program(const std::string& name, std::string_view text);
    // Selects a program of tests/data/run.
    void data_program(const std::string& name);

    float height(double x, double y) const;  // of the cell nearest (x, y)
    std::uint8_t attribute(double x, double y) const;
    std::int32_t cell(double x, double y) const;
    // Cells whose height differs from the top.
    int cut_cells() const;

    // run_command, then continues every suspension with the same command until the run ends;
    // returns the number of suspensions.
    int run_through(int command);
};

std::string run_data(const std::string& name);  // tests/data/run/<name>

}  // namespace vx::testing
