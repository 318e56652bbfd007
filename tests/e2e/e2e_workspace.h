// The e2e tests' folder: a temporary copy of tests/data/e2e (a 60 x 40 x 20 box at a 0.5 mm grid,
// its definitions and NC programs) in which the built program runs, and the parts of a DMF it
// writes that the tests look at.
#pragma once

#include "support/temp_dir.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

namespace vx {

constexpr double kPitch = 0.5;
constexpr double kTop = 20.0;

// A temporary folder holding the test's settings, definitions and NC programs.
struct Workspace {
    testing::TempDir dir;
    Workspace() {
        for (const auto& entry : std::filesystem::directory_iterator(std::string(VORNEX_TEST_DATA) + "/e2e"))
            std::filesystem::copy_file(entry.path(), dir.path() + entry.path().filename().string());
    }
    // Runs the program in the folder without a display (the batch needs none; a start that needs
    // the window is refused); its exit status, or -1000 when it did not exit. Its stdout and
    // stderr go to `output` together, or, with `errors`, stderr goes there alone.
    int run(const std::string& arguments, std::string* output = nullptr, std::string* errors = nullptr) const {
        const std::string out = dir.path() + "output.txt";
        const std::string err = dir.path() + "errors.txt";
        const std::string command =
            "cd '" + dir.path() + "' && env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM '" + VORNEX_BINARY + "' " +
            arguments + " > '" + out + "' " + (errors ? "2> '" + err + "'" : std::string("2>&1"));
        const int status = std::system(command.c_str());
        if (output) *output = dir.read("output.txt");
        if (errors) *errors = dir.read("errors.txt");
        return WIFEXITED(status) ? static_cast<signed char>(WEXITSTATUS(status)) : -1000;
    }
    std::string log() const { return dir.read("log/vornex.log"); }
};

// The parts of a DMF of save level 3 (float heights) the tests look at.
struct Dmf {
    std::string bytes;
    std::int32_t nx = 0, ny = 0, layer_code = -1, body_form = -1;
    double pitch = 0;

    template <class T>
    T at(std::size_t offset) const {
        T value;
        std::memcpy(&value, bytes.data() + offset, sizeof value);
        return value;
    }
    std::int64_t cells() const { return std::int64_t{nx} * ny; }
    std::int64_t cell(double x, double y) const { return std::lround(y / pitch) * nx + std::lround(x / pitch); }
    float height(double x, double y) const { return at<float>(156 + 4 * cell(x, y)); }
    std::uint8_t attribute(double x, double y) const { return std::uint8_t(bytes[156 + 4 * cells() + cell(x, y)]); }
    std::int32_t line(double x, double y) const { return at<std::int32_t>(156 + 5 * cells() + 4 * cell(x, y)); }
    double removed_volume() const {
        double v = 0;
        for (std::int64_t c = 0; c < cells(); ++c) v += kTop - at<float>(156 + 4 * c);
        return v * pitch * pitch;
    }
};

inline Dmf read_dmf(const Workspace& w, const std::string& name) {
    Dmf d;
    d.bytes = w.dir.read(name);
    if (d.bytes.size() < 168) return d;
    d.nx = d.at<std::int32_t>(112);
    d.ny = d.at<std::int32_t>(116);
    d.pitch = d.at<double>(132);
    d.layer_code = d.at<std::int32_t>(148);
    d.body_form = d.at<std::int32_t>(152);
    return d;
}

}  // namespace vx
