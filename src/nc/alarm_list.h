// The alarm list "alarm.txt" of a run or data check: created at the run's first finding with its
// header, one entry per finding (the radius compensation's interferences), closed at the end.
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

namespace vx::nc {

constexpr std::string_view kAlarmListName = "alarm.txt";

struct AlarmList {
    std::string folder;  // where the list is written, with a trailing "/" ("" the current directory)
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file{nullptr, &std::fclose};
    bool failed = false;  // the file could not be created: the run reports it at its end
    int entries = 0;      // written this run
};

// A new run or check writing into `folder`: nothing is open, nothing written.
void begin_alarm_list(AlarmList& list, std::string folder);

std::string alarm_list_path(const AlarmList& list);

// Appends an interference of the radius offset `r` at NC line `line`, whose block text `block`
// keeps its line end; the list is created with its header first when it is not open yet.
void list_offset_interference(AlarmList& list, double r, int line, std::string_view block);

// Closes the list: true when it was written this run (the "OPEN" action shows it then).
bool end_alarm_list(AlarmList& list);

// The end of a run or check: closes the list, reports a list that could not be created ("Write
// protect"), and shows a written list with the desktop's program when `open` (the "OPEN" action)
// unless `quiet` (a batch or the "n" suffix).
void finish_alarm_list(AlarmList& list, bool open, bool quiet);

}  // namespace vx::nc
