#include "support/recording_backend.h"

namespace vx::testing {
namespace {

Recording& rec(void* context) { return *static_cast<Recording*>(context); }

platform::Answer record_message(void* context, const platform::Message& m) {
    rec(context).messages.push_back({std::string(m.title), std::string(m.body), m.buttons});
    if (rec(context).answers.empty()) return m.unattended;
    const platform::Answer answer = rec(context).answers.front();
    rec(context).answers.pop_front();
    return answer;
}
void record_progress_begin(void* context, std::string_view title, std::int64_t) {
    rec(context).progress_titles.emplace_back(title);
}
void record_progress_update(void* context, std::int64_t done) { rec(context).last_progress = done; }
void record_progress_end(void*) {}
std::uint64_t recorded_memory(void* context) { return rec(context).available_memory; }
void record_progress_status(void* context, std::int64_t done, std::int64_t, std::int64_t moves, double) {
    rec(context).last_progress = done;
    rec(context).last_progress_moves = moves;
}

bool recorded_key(void* context, platform::Key key) {
    ++rec(context).key_polls;
    if (rec(context).key_down) return rec(context).key_down(key);
    return rec(context).down.count(key) > 0;
}
bool recorded_foreground(void* context) { return rec(context).foreground; }

void record_sound(void* context, std::string_view name, platform::SoundMode mode) {
    rec(context).sounds.push_back({std::string(name), mode, false});
}
void record_system_sound(void* context, std::string_view name) {
    rec(context).sounds.push_back({std::string(name), platform::SoundMode::Async, true});
}
void record_stop_sounds(void* context) { ++rec(context).sound_stops; }

void record_redraw(void* context, platform::ViewPart part) { rec(context).redraws.push_back(part); }
void record_step(void* context, const platform::StepRefresh&) { ++rec(context).step_refreshes; }
void record_path(void* context, const platform::PathSegment& segment) { rec(context).paths.push_back(segment); }

void record_title(void* context, std::string_view title) { rec(context).titles.emplace_back(title); }
void record_nc_line(void* context, int line, std::string_view) { rec(context).nc_lines.push_back(line); }
void record_stop_panel(void* context, std::string_view text) { rec(context).stop_panel.emplace_back(text); }
void record_start_timer(void* context, int id, int interval) { rec(context).timers[id] = interval; }
void record_stop_timer(void* context, int id) { rec(context).timers.erase(id); }
void record_pump(void* context) {
    ++rec(context).pumps;
    if (rec(context).on_pump) rec(context).on_pump();
}
std::string record_choose_file(void* context, const platform::FileChoice&) {
    std::vector<std::string>& files = rec(context).chosen_files;
    if (files.empty()) return {};
    std::string file = files.front();
    files.erase(files.begin());
    return file;
}
void record_open(void* context, std::string_view path) { rec(context).opened.emplace_back(path); }

}  // namespace

RecordingBackend::RecordingBackend() : recording_(std::make_unique<Recording>()) {
    platform::install({.context = recording_.get(),
                       .show_message = record_message,
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
                       .open_document = record_open,
                       .choose_file = record_choose_file});
}

RecordingBackend::~RecordingBackend() {
    platform::install(platform::headless_backend());
}

Recording& RecordingBackend::recording() { return *recording_; }

}  // namespace vx::testing
