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

// What the headless backend keeps: the terminal's progress line and the sounds it was asked for.
struct Headless {
    std::string title;  // of the progress line
    std::int64_t total = 0;
    bool shown = false;
    std::chrono::steady_clock::time_point last_draw;
    SoundLog sounds;
};
Headless g_headless;

Headless& headless(void* context) { return *static_cast<Headless*>(context); }

Answer headless_message(void*, const Message& message) {
    std::fprintf(stderr, "%.*s: %.*s\n", static_cast<int>(message.title.size()), message.title.data(),
                 static_cast<int>(message.body.size()), message.body.data());
    return message.unattended;
}

// A one-line display on a terminal, redrawn at most every 100 ms; silent when stderr is a file.
void headless_progress_begin(void* context, std::string_view title, std::int64_t total) {
    Headless& h = headless(context);
    h.title = std::string(title);
    h.total = total;
    h.shown = false;
    h.last_draw = {};
}

// Whether the line is due: stderr is a terminal and 100 ms have passed since the last draw.
bool progress_due(Headless& h) {
    if (!isatty(STDERR_FILENO)) return false;
    const auto now = std::chrono::steady_clock::now();
    if (h.shown && now - h.last_draw < std::chrono::milliseconds(100)) return false;
    h.last_draw = now;
    h.shown = true;
    return true;
}

void headless_progress_update(void* context, std::int64_t done) {
    Headless& h = headless(context);
    if (!progress_due(h)) return;
    const double percent = h.total > 0 ? 100.0 * double(done) / double(h.total) : 0.0;
    std::fprintf(stderr, "\r%s %5.1f%%", h.title.c_str(), percent);
}

void headless_progress_end(void* context) {
    Headless& h = headless(context);
    if (h.shown) std::fprintf(stderr, "\r\033[K");
    h.shown = false;
}

// "Cutting  42.0% 1234/2938 lines 850 moves/s 00:01:23" on the same terminal line.
void headless_progress_status(void* context, std::int64_t done, std::int64_t total, std::int64_t moves,
                              double elapsed) {
    Headless& h = headless(context);
    if (!progress_due(h)) return;
    const double percent = total > 0 ? 100.0 * double(done) / double(total) : 0.0;
    const double rate = elapsed > 0.0 ? double(moves) / elapsed : 0.0;
    const long seconds = elapsed > 0.0 ? long(elapsed) : 0L;
    std::fprintf(stderr, "\r%s %5.1f%% %lld/%lld lines %.0f moves/s %02ld:%02ld:%02ld\033[K", h.title.c_str(),
                 percent, static_cast<long long>(done), static_cast<long long>(total), rate, seconds / 3600,
                 seconds / 60 % 60, seconds % 60);
}

void headless_play_sound(void* context, std::string_view name, SoundMode) {
    SoundLog& sounds = headless(context).sounds;
    sounds.last = std::string(name);
    ++sounds.count;
}

void headless_play_system_sound(void* context, std::string_view name) {
    headless_play_sound(context, name, SoundMode::Async);
}

// MemAvailable plus free swap: what can still be obtained without the kernel killing us.
std::uint64_t headless_available_memory(void*) {
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

const Backend kHeadless{.context = &g_headless,
                        .show_message = headless_message,
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
    return g_backend.show_message ? g_backend.show_message(g_backend.context, message) : message.unattended;
}

void progress_begin(std::string_view title, std::int64_t total) {
    if (g_backend.progress_begin) g_backend.progress_begin(g_backend.context, title, total);
}
void progress_update(std::int64_t done) {
    if (g_backend.progress_update) g_backend.progress_update(g_backend.context, done);
}
void progress_end() {
    if (g_backend.progress_end) g_backend.progress_end(g_backend.context);
}
std::uint64_t available_memory() {
    return g_backend.available_memory ? g_backend.available_memory(g_backend.context) : UINT64_MAX;
}

void progress_status(std::int64_t done, std::int64_t total, std::int64_t moves, double elapsed_seconds) {
    if (g_backend.progress_status) g_backend.progress_status(g_backend.context, done, total, moves, elapsed_seconds);
    else progress_update(done);
}

bool key_down(Key key) { return g_backend.key_down && g_backend.key_down(g_backend.context, key); }
bool window_in_foreground() {
    return g_backend.window_in_foreground && g_backend.window_in_foreground(g_backend.context);
}

void play_sound(std::string_view name, SoundMode mode) {
    if (g_backend.play_sound) g_backend.play_sound(g_backend.context, name, mode);
}
void play_system_sound(std::string_view name) {
    if (g_backend.play_system_sound) g_backend.play_system_sound(g_backend.context, name);
}
void stop_sounds() {
    if (g_backend.stop_sounds) g_backend.stop_sounds(g_backend.context);
}
void redraw(ViewPart part) {
    if (g_backend.redraw) g_backend.redraw(g_backend.context, part);
}
void refresh_step(const StepRefresh& step) {
    if (g_backend.refresh_step) g_backend.refresh_step(g_backend.context, step);
}
void draw_path(const PathSegment& segment) {
    if (g_backend.draw_path) g_backend.draw_path(g_backend.context, segment);
}
void set_title(std::string_view title) {
    if (g_backend.set_title) g_backend.set_title(g_backend.context, title);
}
void show_nc_line(int line, std::string_view text) {
    if (g_backend.show_nc_line) g_backend.show_nc_line(g_backend.context, line, text);
}
void show_position(const Vec3& position) {
    if (g_backend.show_position) g_backend.show_position(g_backend.context, position);
}
void set_stop_panel(std::string_view text) {
    if (g_backend.set_stop_panel) g_backend.set_stop_panel(g_backend.context, text);
}
void refresh_menus() {
    if (g_backend.refresh_menus) g_backend.refresh_menus(g_backend.context);
}
void focus_window() {
    if (g_backend.focus_window) g_backend.focus_window(g_backend.context);
}
void set_cursor(Cursor cursor) {
    if (g_backend.set_cursor) g_backend.set_cursor(g_backend.context, cursor);
}
void start_timer(int id, int interval_ms) {
    if (g_backend.start_timer) g_backend.start_timer(g_backend.context, id, interval_ms);
}
void stop_timer(int id) {
    if (g_backend.stop_timer) g_backend.stop_timer(g_backend.context, id);
}

void pump_messages() {
    if (!g_backend.pump) return;
    const Clock::time_point now = Clock::now();
    if (g_pumped && now >= g_last_pump && now - g_last_pump < std::chrono::milliseconds(kPumpIntervalMs)) return;
    g_last_pump = now;
    g_pumped = true;
    g_backend.pump(g_backend.context);
}

void open_document(std::string_view path) {
    if (g_backend.open_document) g_backend.open_document(g_backend.context, path);
}

std::string choose_file(const FileChoice& choice) {
    return g_backend.choose_file ? g_backend.choose_file(g_backend.context, choice) : std::string{};
}

const SoundLog& headless_sounds() { return g_headless.sounds; }

}  // namespace vx::platform
