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

// "Cutting  42.0% 1234/2938 lines 850 moves/s 00:01:23" on the same terminal line.
void headless_progress_status(std::int64_t done, std::int64_t total, std::int64_t moves, double elapsed) {
    if (!isatty(STDERR_FILENO)) return;
    const auto now = std::chrono::steady_clock::now();
    if (g_progress.shown && now - g_progress.last_draw < std::chrono::milliseconds(100)) return;
    g_progress.last_draw = now;
    g_progress.shown = true;
    const double percent = total > 0 ? 100.0 * double(done) / double(total) : 0.0;
    const double rate = elapsed > 0.0 ? double(moves) / elapsed : 0.0;
    const long seconds = elapsed > 0.0 ? long(elapsed) : 0L;
    std::fprintf(stderr, "\r%s %5.1f%% %lld/%lld lines %.0f moves/s %02ld:%02ld:%02ld\033[K", g_progress.title.c_str(),
                 percent, static_cast<long long>(done), static_cast<long long>(total), rate, seconds / 3600,
                 seconds / 60 % 60, seconds % 60);
}

SoundLog g_sounds;

void headless_play_sound(std::string_view name, SoundMode) {
    g_sounds.last = std::string(name);
    ++g_sounds.count;
}

void headless_play_system_sound(std::string_view name) { headless_play_sound(name, SoundMode::Async); }

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

constexpr Backend kHeadless{.show_message = headless_message,
                            .progress_begin = headless_progress_begin,
                            .progress_update = headless_progress_update,
                            .progress_end = headless_progress_end,
                            .available_memory = headless_available_memory,
                            .progress_status = headless_progress_status,
                            .play_sound = headless_play_sound,
                            .play_system_sound = headless_play_system_sound};

Backend g_backend = kHeadless;

// ---- Message pump ----

using Clock = std::chrono::steady_clock;
Clock::time_point g_last_pump{};
bool g_pumped = false;

}  // namespace

void install(const Backend& backend) { g_backend = backend; }
const Backend& current_backend() { return g_backend; }
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

void progress_status(std::int64_t done, std::int64_t total, std::int64_t moves, double elapsed_seconds) {
    if (g_backend.progress_status) g_backend.progress_status(done, total, moves, elapsed_seconds);
    else g_backend.progress_update(done);
}

bool key_down(Key key) { return g_backend.key_down && g_backend.key_down(key); }
bool window_in_foreground() { return g_backend.window_in_foreground && g_backend.window_in_foreground(); }

void play_sound(std::string_view name, SoundMode mode) {
    if (g_backend.play_sound) g_backend.play_sound(name, mode);
}
void play_system_sound(std::string_view name) {
    if (g_backend.play_system_sound) g_backend.play_system_sound(name);
}
void stop_sounds() {
    if (g_backend.stop_sounds) g_backend.stop_sounds();
}

void redraw(ViewPart part) {
    if (g_backend.redraw) g_backend.redraw(part);
}
void refresh_step(const StepRefresh& step) {
    if (g_backend.refresh_step) g_backend.refresh_step(step);
}
void draw_path(const PathSegment& segment) {
    if (g_backend.draw_path) g_backend.draw_path(segment);
}

void set_title(std::string_view title) {
    if (g_backend.set_title) g_backend.set_title(title);
}
void show_nc_line(int line, std::string_view text) {
    if (g_backend.show_nc_line) g_backend.show_nc_line(line, text);
}
void show_position(const Vec3& position) {
    if (g_backend.show_position) g_backend.show_position(position);
}
void set_stop_panel(std::string_view text) {
    if (g_backend.set_stop_panel) g_backend.set_stop_panel(text);
}
void refresh_menus() {
    if (g_backend.refresh_menus) g_backend.refresh_menus();
}
void focus_window() {
    if (g_backend.focus_window) g_backend.focus_window();
}
void set_cursor(Cursor cursor) {
    if (g_backend.set_cursor) g_backend.set_cursor(cursor);
}
void start_timer(int id, int interval_ms) {
    if (g_backend.start_timer) g_backend.start_timer(id, interval_ms);
}
void stop_timer(int id) {
    if (g_backend.stop_timer) g_backend.stop_timer(id);
}

void pump_messages() {
    if (!g_backend.pump) return;
    const Clock::time_point now = Clock::now();
    if (g_pumped && now >= g_last_pump && now - g_last_pump < std::chrono::milliseconds(kPumpIntervalMs)) return;
    g_last_pump = now;
    g_pumped = true;
    g_backend.pump();
}

void open_document(std::string_view path) {
    if (g_backend.open_document) g_backend.open_document(path);
}

const SoundLog& headless_sounds() { return g_sounds; }

}  // namespace vx::platform
