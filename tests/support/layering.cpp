#include "support/layering.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <string_view>

namespace vx::testing {
namespace {

struct Layer {
    std::string_view folder;
    int rank;
};

// nc and sim share a rank: beside each other, neither may include the other.
constexpr std::array<Layer, 10> kLayers{{{"base", 0},
                                         {"platform", 1},
                                         {"nc", 2},
                                         {"sim", 2},
                                         {"work", 3},
                                         {"view", 4},
                                         {"output", 5},
                                         {"integration", 6},
                                         {"shell", 7},
                                         {"gui", 8}}};

const Layer* layer(std::string_view folder) {
    const auto it = std::find_if(kLayers.begin(), kLayers.end(), [&](const Layer& l) { return l.folder == folder; });
    return it == kLayers.end() ? nullptr : &*it;
}

bool allowed(const Layer& from, const Layer* to) {
    return to && (to == &from || to->rank < from.rank);
}

// The quoted header of an include line ("shell/settings.h"), or empty.
std::string_view quoted_include(std::string_view line) {
    const auto hash = line.find_first_not_of(" \t");
    if (hash == std::string_view::npos || line.substr(hash, 8) != "#include") return {};
    const auto open = line.find('"', hash);
    const auto close = open == std::string_view::npos ? open : line.find('"', open + 1);
    return close == std::string_view::npos ? std::string_view{} : line.substr(open + 1, close - open - 1);
}

void check_file(const std::filesystem::path& file, const std::string& relative, const Layer* from,
                std::vector<LayerViolation>& out) {
    std::ifstream in(file);
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        const std::string_view include = quoted_include(line);
        if (include.empty()) continue;
        const auto slash = include.find('/');
        const Layer* to = slash == std::string_view::npos ? nullptr : layer(include.substr(0, slash));
        if (!from || !allowed(*from, to)) out.push_back({relative, number, std::string(include)});
    }
}

}  // namespace

std::vector<LayerViolation> layering_violations(const std::string& source_root) {
    std::vector<LayerViolation> out;
    const std::filesystem::path root(source_root);
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        const std::string ext = entry.path().extension().string();
        if (!entry.is_regular_file() || (ext != ".h" && ext != ".cpp")) continue;
        const std::filesystem::path relative = entry.path().lexically_relative(root);
        const Layer* from = relative.has_parent_path() ? layer(relative.begin()->string()) : nullptr;
        check_file(entry.path(), relative.generic_string(), from, out);
    }
    std::sort(out.begin(), out.end(), [](const LayerViolation& a, const LayerViolation& b) {
        return a.file != b.file ? a.file < b.file : a.line < b.line;
    });
    return out;
}

}  // namespace vx::testing
