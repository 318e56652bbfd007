#include "nc/alarms.h"

#include "platform/encoding.h"
#include "platform/log.h"
#include "platform/platform.h"

#include <array>

namespace vx::nc {
namespace {

using platform::TextPair;

// Index = alarm code. The box and log forms differ only for codes 3 and 6.
const std::array<AlarmTexts, 8> kTexts{{
    {{"", ""}, {"", ""}},
    {{"G02/G03 IJK Error - 始点の半径と終点の半径が大きく異なる", "G02/G03 IJK Error - Invalid IJK Value."},
     {"G02/G03 IJK Error - 始点の半径と終点の半径が大きく異なる", "G02/G03 IJK Error - Invalid IJK Value."}},
    {{"送り速度が0です!", "Zero Feedrate!"}, {"送り速度が0です!", "Zero Feedrate!"}},
    {{"開始コード(%s)が見つかりません!", "Start Code(%s) is not Fonud !"},
     {"開始コード(%s)が見つかりません!", "Start Code(%s) is Not Found !"}},
    {{"%d文字目\"%c\" - 不正文字検出!", "%d\"%c\" - Invalid Character!"},
     {"%d文字目\"%c\" - 不正文字検出!", "%d\"%c\" - Invalid Character!"}},
    {{"%d文字目 - 小数点重複!", "%dth - Double decimal points!"}, {"%d文字目 - 小数点重複!", "%dth - Double decimal points!"}},
    {{"過剰オフセット - 円弧が反転!(%d行目)", "Over Offset - Reverse Arc!(%dLine)"},
     {"過剰オフセット - 円弧が反転!", "Over Offset - Reverse Arc!"}},
    {{"F%s - F番号が範囲外です!", "F%s - F-number out of range!"}, {"F%s - F番号が範囲外です!", "F%s - F-number out of range!"}},
}};

// Fills the placeholders of a message; the values are inserted as they are, so a "%" in them
// (an invalid "%" character) reaches the box and the log unchanged.
std::string fill(std::string_view form, int number, std::string_view character, std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < form.size(); ++i) {
        if (form[i] == '%' && i + 1 < form.size()) {
            const char p = form[i + 1];
            if (p == 'd') { out += std::to_string(number), ++i; continue; }
            if (p == 'c') { out += character, ++i; continue; }
            if (p == 's') { out += text, ++i; continue; }
        }
        out += form[i];
    }
    return out;
}

}  // namespace

void raise_alarm(Alarm& alarm, int code, int line, int position, std::string text) {
    if (alarm.code != 0) return;
    alarm.code = code;
    alarm.line = line;
    alarm.position = position;
    alarm.text = std::move(text);
}

const AlarmTexts& alarm_texts(int code) {
    return kTexts[code >= 1 && code < static_cast<int>(kTexts.size()) ? static_cast<std::size_t>(code) : 0];
}

std::string alarm_text(const Alarm& alarm, char start_code, AlarmForm form) {
    const AlarmTexts& t = alarm_texts(alarm.code);
    const std::string_view pattern = platform::text(form == AlarmForm::Box ? t.box : t.log);
    switch (alarm.code) {
        case kAlarmStartCode: return fill(pattern, 0, {}, platform::character_at(std::string_view(&start_code, 1), 0));
        case kAlarmInvalidCharacter:
        case kAlarmDoubleDecimal: return fill(pattern, alarm.position, alarm.text, {});
        case kAlarmReverseArc: return fill(pattern, alarm.line, {}, {});
        default: return fill(pattern, 0, {}, alarm.text);
    }
}

void show_alarm(const Alarm& alarm, char start_code, std::string_view nc_path) {
    const bool logging = platform::log_is_open();
    const std::string message = alarm_text(alarm, start_code, logging ? AlarmForm::Log : AlarmForm::Box);
    platform::log_set_line(alarm.line);
    platform::show_message({message, nc_path, platform::Buttons::Ok, platform::MessageIn::Title});
}

}  // namespace vx::nc
