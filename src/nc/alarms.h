// Interpreter alarms: the one alarm code of a run or data check, the data its message needs,
// the Japanese and English texts, and how an alarm is shown (a box whose title is the message
// and whose body is the NC file path, or, during a batch, a "(line) - message" log line).
#pragma once

#include "platform/language.h"

#include <string>
#include <string_view>

namespace vx::nc {

constexpr int kAlarmArcRadius = 1;         // arc start and end radius differ by R-TOLERANCE or more
constexpr int kAlarmZeroFeed = 2;          // a feed move with F 0 under CHECK F0
constexpr int kAlarmStartCode = 3;         // the start code never appeared
constexpr int kAlarmInvalidCharacter = 4;  // CODE CHECK: a character outside CHECK CHAR
constexpr int kAlarmDoubleDecimal = 5;     // CODE CHECK: a second "." in one number
constexpr int kAlarmReverseArc = 6;        // CHECK REVERSE ARC: an offset arc reversed
constexpr int kAlarmFeedNumber = 7;        // an F number outside the F-number table
constexpr int kAlarmEndCodeBase = 100;     // a run that ends on alarm n has the end code 100 + n

struct Alarm {
    int code = 0;       // 0: none
    int line = 0;       // NC line number of the block (main program counter)
    int position = 0;   // codes 4 and 5: 1-based byte position in the line
    std::string text;   // code 4: the character (UTF-8); code 7: the F word's number as written
};

// Sets the alarm unless one is already set: a run reports the first error it meets.
void raise_alarm(Alarm& alarm, int code, int line, int position = 0, std::string text = {});

enum class AlarmForm { Box, Log };

// The message of `alarm` in the chosen language; `start_code` is the controller's (code 3).
std::string alarm_text(const Alarm& alarm, char start_code, AlarmForm form);

// Shows the alarm: while the batch log is open as its log line, else as a box titled with the
// message over the NC file path.
void show_alarm(const Alarm& alarm, char start_code, std::string_view nc_path);

// ---- Message table ----

struct AlarmTexts {
    platform::TextPair box;
    platform::TextPair log;
};

// The texts of alarm codes 1 to 7; placeholders %d (number), %c (character) and %s (text).
const AlarmTexts& alarm_texts(int code);

}  // namespace vx::nc
