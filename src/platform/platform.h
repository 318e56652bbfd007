// The platform layer: the one place that knows which backend shows messages and progress and
// answers questions about the machine. A backend fills a table of function pointers; the headless
// backend serves until another is installed. While a batch run logs (log.h), messages go to the
// log instead of the backend, whichever backend is installed.
#pragma once

#include <cstdint>
#include <string_view>

namespace vx::platform {

enum class Buttons { Ok, YesNo };
enum class Answer { Ok, Yes, No };

// Which half of a box carries the message itself: run results and interpreter alarms show it in
// the title bar with the NC file path as body; everything else names the subject in the title.
enum class MessageIn { Body, Title };

struct Message {
    std::string_view title;
    std::string_view body;
    Buttons buttons = Buttons::Ok;
    MessageIn message_in = MessageIn::Body;
    Answer unattended = Answer::Ok;  // the answer when nobody can be asked
};

struct Backend {
    Answer (*show_message)(const Message&);
    void (*progress_begin)(std::string_view title, std::int64_t total);
    void (*progress_update)(std::int64_t done);
    void (*progress_end)();
    std::uint64_t (*available_memory)();  // bytes the process may still obtain
};

void install(const Backend& backend);
const Backend& headless_backend();

// The text a message stands for: the half of the box named by `message_in`.
std::string_view message_text(const Message& message);

Answer show_message(const Message& message);
void progress_begin(std::string_view title, std::int64_t total);
void progress_update(std::int64_t done);
void progress_end();
std::uint64_t available_memory();

}  // namespace vx::platform
