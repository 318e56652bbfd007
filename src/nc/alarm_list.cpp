#include "nc/alarm_list.h"

#include "platform/language.h"
#include "platform/platform.h"

#include <array>

namespace vx::nc {

namespace {

constexpr platform::TextPair kTextWriteProtect{"書き込み保護されています", "Write protect"};
constexpr std::string_view kHeader = "<<< ALARM INFORMATION >>>\n--------------";

void put(AlarmList& list, std::string_view text) {
    if (!list.file) return;
    std::fwrite(text.data(), 1, text.size(), list.file.get());
    std::fflush(list.file.get());  // findings are rare; a run that dies later must not lose them
}

void open_when_due(AlarmList& list) {
    if (list.file || list.failed) return;
    list.file.reset(std::fopen(alarm_list_path(list).c_str(), "wb"));
    list.failed = !list.file;
    put(list, kHeader);
}

}  // namespace

void begin_alarm_list(AlarmList& list, std::string folder) {
    list.file.reset();
    list.folder = std::move(folder);
    list.failed = false;
    list.entries = 0;
}

std::string alarm_list_path(const AlarmList& list) { return list.folder + std::string(kAlarmListName); }

void list_offset_interference(AlarmList& list, double r, int line, std::string_view block) {
    open_when_due(list);
    std::array<char, 96> head{};
    const int n = std::snprintf(head.data(), head.size(), "\nINTERFERENCE IN RADIUS(%.3f) OFFSET\n%d:", r, line);
    put(list, std::string_view(head.data(), std::size_t(n)));
    put(list, block);
    ++list.entries;
}

bool end_alarm_list(AlarmList& list) {
    const bool written = list.file && list.entries > 0;
    list.file.reset();
    return written;
}

void finish_alarm_list(AlarmList& list, bool open, bool quiet) {
    const bool written = end_alarm_list(list);
    if (list.failed) platform::show_message({alarm_list_path(list), platform::text(kTextWriteProtect)});
    list.failed = false;
    if (written && open && !quiet) platform::open_document(alarm_list_path(list));
}

}  // namespace vx::nc
