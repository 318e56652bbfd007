#include "platform/platform.h"

#include "platform/log.h"

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <unistd.h>

namespace vx::platform {
namespace {

// ---- Headless backend ----

Answer headless_message(const Message& message) {
    std::fprintf(stderr, "%.*s: %.*s\n", static_cast<int>(message.title.size()), message.title.data(),
                 static_cast<int>(message.body.size()), message.body.data());
    return message.unattended;
}

// A one-line display on a terminal, redrawn at most every 100 ms; silent when stderr is a file.
struct TerminalProgress {
    std::string title;
    std::int64_t total = 0;
    bool shown = false;
    std::chrono::steady_clock::time_point last_draw;
};
TerminalProgress g_progress;

void headless_progress_begin(std::string_view title, std::int64_t total) {
    g_progress = TerminalProgress{std::string(title), total, false, {}};
}

void headless_progress_update(std::int64_t done) {
    if (!isatty(STDERR_FILENO)) return;
    const auto now = std::chrono::steady_clock::now();
    if (g_progress.shown && now - g_progress.last_draw < std::chrono::milliseconds(100)) return;
    g_progress.last_draw = now;
    g_progress.shown = true;
    const double percent = g_progress.total > 0 ? 100.0 * double(done) / double(g_progress.total) : 0.0;
    std::fprintf(stderr, "\r%s %5.1f%%", g_progress.title.c_str(), percent);
}

void headless_progress_end() {
    if (g_progress.shown) std::fprintf(stderr, "\r\033[K");
    g_progress.shown = false;
}

// MemAvailable plus free swap: what can still be obtained without the kernel killing us.
std::uint64_t headless_available_memory() {
    std::ifstream meminfo("/proc/meminfo");
    std::string key;
    std::uint64_t kib = 0, total = 0;
    std::string unit;
    while (meminfo >> key >> kib) {
        std::getline(meminfo, unit);
        if (key == "MemAvailable:" || key == "SwapFree:") total += kib * 1024;
    }
    return total > 0 ? total : UINT64_MAX;
}

constexpr Backend kHeadless{headless_message, headless_progress_begin, headless_progress_update,
                            headless_progress_end, headless_available_memory};

Backend g_backend = kHeadless;

}  // namespace

void install(const Backend& backend) { g_backend = backend; }
const Backend& headless_backend() { return kHeadless; }

std::string_view message_text(const Message& message) {
    return message.message_in == MessageIn::Title ? message.title : message.body;
}

Answer show_message(const Message& message) {
    if (log_is_open()) {
        const std::string_view text = message_text(message);
        log_message(text);
        std::fprintf(stderr, "%.*s\n", static_cast<int>(text.size()), text.data());
        return message.unattended;
    }
    return g_backend.show_message(message);
}

void progress_begin(std::string_view title, std::int64_t total) { g_backend.progress_begin(title, total); }
void progress_update(std::int64_t done) { g_backend.progress_update(done); }
void progress_end() { g_backend.progress_end(); }
std::uint64_t available_memory() { return g_backend.available_memory(); }

}  // namespace vx::platform
