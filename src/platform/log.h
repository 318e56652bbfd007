// The batch log: while it is open, user messages are written to it as "(line) - text" lines
// (line = the NC line being run) instead of being shown in a box.
#pragma once

#include <string>
#include <string_view>

namespace vx::platform {

// Opens `path` for appending, creating a missing directory. Returns false, silently, when it
// cannot be opened: logging is then skipped.
bool log_open(const std::string& path);
bool log_is_open();
void log_write(std::string_view text);  // raw text, no line end added
void log_message(std::string_view text);  // "(%d) - " + text + "\n"
void log_close();

// A note for whoever runs the program: stderr always, and the log as a plain line while it is
// open ("vornex: cannot read the tool file ...").
void note(const std::string& line);

// The NC line number that log_message puts in front of its text.
void log_set_line(int line);

}  // namespace vx::platform
