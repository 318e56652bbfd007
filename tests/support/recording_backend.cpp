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

}  // namespace

RecordingBackend::RecordingBackend() {
    g_recording = new Recording;
    platform::install({record_message, record_progress_begin, record_progress_update, record_progress_end,
                       recorded_memory});
}

RecordingBackend::~RecordingBackend() {
    platform::install(platform::headless_backend());
    delete g_recording;
    g_recording = nullptr;
}

Recording& RecordingBackend::recording() { return *g_recording; }

}  // namespace vx::testing
