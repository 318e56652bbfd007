#include "platform/log.h"

#include "platform/files.h"

#include <cstdio>
#include <string>

namespace vx::platform {
namespace {

std::FILE* g_log = nullptr;
int g_line = 0;

}  // namespace

bool log_open(const std::string& path) {
    log_close();
    const auto slash = path.rfind('/');
    if (slash != std::string::npos) make_directories(path.substr(0, slash + 1));
    g_log = std::fopen(path.c_str(), "ab");
    return g_log != nullptr;
}

bool log_is_open() { return g_log != nullptr; }

void log_write(std::string_view text) {
    if (!g_log) return;
    std::fwrite(text.data(), 1, text.size(), g_log);
    std::fflush(g_log);
}

void log_message(std::string_view text) {
    log_write("(" + std::to_string(g_line) + ") - " + std::string(text) + "\n");
}

void log_close() {
    if (g_log) std::fclose(g_log);
    g_log = nullptr;
}

void note(const std::string& line) {
    std::fprintf(stderr, "%s\n", line.c_str());
    log_write(line + "\n");
}

void log_set_line(int line) { g_line = line; }

}  // namespace vx::platform
