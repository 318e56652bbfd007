// A platform backend for tests: records every message and progress title, answers from a script,
// and reports whatever available memory a test sets. Installed for the life of one object.
#pragma once

#include "platform/platform.h"

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace vx::testing {

struct RecordedMessage {
    std::string title, body;
    platform::Buttons buttons;
};

struct Recording {
    std::vector<RecordedMessage> messages;
    std::vector<std::string> progress_titles;
    std::int64_t last_progress = -1;
    std::deque<platform::Answer> answers;  // taken in order; Ok/the unattended answer when empty
    std::uint64_t available_memory = UINT64_MAX;
};

class RecordingBackend {
public:
    RecordingBackend();
    ~RecordingBackend();
    RecordingBackend(const RecordingBackend&) = delete;
    RecordingBackend& operator=(const RecordingBackend&) = delete;

    Recording& recording();
};

}  // namespace vx::testing
