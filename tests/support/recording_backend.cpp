#include "support/recording_backend.h"

namespace vx::testing {
namespace {

Recording* g_recording = nullptr;

platform::Answer record_message(const platform::Message& m) {
    g_recording->messages.push_back({std::string(m.title), std::string(m.body), m.buttons});
    if (g_recording->answers.empty()) return m.unattended;
    const platform::Answer answer = g_recording->answers.front();
    g_recording->answers.pop_front();
    return answer;
}
void record_progress_begin(std::string_view title, std::int64_t) {
    g_recording->progress_titles.emplace_back(title);
}
void record_progress_update(std::int64_t done) { g_recording->last_progress = done; }
void record_progress_end() {}
std::uint64_t recorded_memory() { return g_recording->available_memory; }
void record_progress_status(std::int64_t done, std::int64_t, std::int64_t moves, double) {
    g_recording->last_progress = done;
    g_recording->last_progress_moves = moves;
}

bool recorded_key(platform::Key key) {
    ++g_recording->key_polls;
    if (g_recording->key_down) return g_recording->key_down(key);
    return g_recording->down.count(key) > 0;
}
bool recorded_foreground() { return g_recording->foreground; }

void record_sound(std::string_view name, platform::SoundMode mode) {
    g_recording->sounds.push_back({std::string(name), mode, false});
}
void record_system_sound(std::string_view name) {
    g_recording->sounds.push_back({std::string(name), platform::SoundMode::Async, true});
}
void record_stop_sounds() { ++g_recording->sound_stops; }

void record_redraw(platform::ViewPart part) { g_recording->redraws.push_back(part); }
void record_step(const platform::StepRefresh&) { ++g_recording->step_refreshes; }
void record_path(const platform::PathSegment& segment) { g_recording->paths.push_back(segment); }

void record_title(std::string_view title) { g_recording->titles.emplace_back(title); }
void record_nc_line(int line, std::string_view) { g_recording->nc_lines.push_back(line); }
void record_stop_panel(std::string_view text) { g_recording->stop_panel.emplace_back(text); }
void record_start_timer(int id, int interval) { g_recording->timers[id] = interval; }
void record_stop_timer(int id) { g_recording->timers.erase(id); }
void record_pump() { ++g_recording->pumps; }
void record_open(std::string_view path) { g_recording->opened.emplace_back(path); }

}  // namespace

RecordingBackend::RecordingBackend() {
    g_recording = new Recording;
    platform::install({.show_message = record_message,
                       .progress_begin = record_progress_begin,
                       .progress_update = record_progress_update,
                       .progress_end = record_progress_end,
                       .available_memory = recorded_memory,
                       .progress_status = record_progress_status,
                       .key_down = recorded_key,
                       .window_in_foreground = recorded_foreground,
                       .play_sound = record_sound,
                       .play_system_sound = record_system_sound,
                       .stop_sounds = record_stop_sounds,
                       .redraw = record_redraw,
                       .refresh_step = record_step,
                       .draw_path = record_path,
                       .set_title = record_title,
                       .show_nc_line = record_nc_line,
                       .set_stop_panel = record_stop_panel,
                       .start_timer = record_start_timer,
                       .stop_timer = record_stop_timer,
                       .pump = record_pump,
                       .open_document = record_open});
}

RecordingBackend::~RecordingBackend() {
    platform::install(platform::headless_backend());
    delete g_recording;
    g_recording = nullptr;
}

Recording& RecordingBackend::recording() { return *g_recording; }

}  // namespace vx::testing
