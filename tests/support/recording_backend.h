// A platform backend for tests: records every message, progress title, sound, refresh and window
// call, answers from a script, reports whatever available memory a test sets, and lets a test
// hold keys down or decide per poll whether a key is down. Installed for the life of one object.
#pragma once

#include "platform/language.h"
#include "platform/platform.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace vx::testing {

struct RecordedMessage {
    std::string title, body;
    platform::Buttons buttons;
};

struct RecordedSound {
    std::string name;
    platform::SoundMode mode;
    bool system = false;  // a system sound ("SystemHand")
    friend bool operator==(const RecordedSound&, const RecordedSound&) = default;
};

struct Recording {
    std::vector<RecordedMessage> messages;
    std::vector<std::string> progress_titles;
    std::int64_t last_progress = -1;
    std::int64_t last_progress_moves = -1;
    std::deque<platform::Answer> answers;  // taken in order; Ok/the unattended answer when empty
    std::uint64_t available_memory = UINT64_MAX;

    // Keys: `key_down`, when set, answers every poll (a test counts polls to press a key at a
    // chosen moment); otherwise the keys in `down` are held. `foreground` is the window's state.
    std::set<platform::Key> down;
    std::function<bool(platform::Key)> key_down;
    bool foreground = true;
    std::int64_t key_polls = 0;

    std::vector<RecordedSound> sounds;
    int sound_stops = 0;

    std::vector<platform::ViewPart> redraws;
    std::int64_t step_refreshes = 0;
    std::vector<platform::PathSegment> paths;
    std::vector<std::string> titles;
    std::vector<int> nc_lines;  // line numbers shown as the current line
    std::vector<std::string> stop_panel;
    std::map<int, int> timers;  // running timers: id -> interval
    std::vector<std::string> opened;
    std::int64_t pumps = 0;
    std::function<void()> on_pump;  // runs at every pump, as a window's events would
    std::vector<std::string> chosen_files;  // the answers of the file dialogs, taken in order
};

// The language flag for the life of one object, then back to what it was.
struct Language {
    bool was = platform::english();
    explicit Language(bool english) { platform::set_english(english); }
    ~Language() { platform::set_english(was); }
    Language(const Language&) = delete;
    Language& operator=(const Language&) = delete;
};

class RecordingBackend {
public:
    RecordingBackend();
    ~RecordingBackend();
    RecordingBackend(const RecordingBackend&) = delete;
    RecordingBackend& operator=(const RecordingBackend&) = delete;

    Recording& recording();

private:
    std::unique_ptr<Recording> recording_;
};

}  // namespace vx::testing
