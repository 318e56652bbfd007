// Step flags, stop and pause tests, alarm messages and the interference lists.
#include "sim/interference.h"

#include "platform/files.h"
#include "platform/language.h"
#include "platform/log.h"
#include "platform/platform.h"

#include <array>
#include <cstdio>

namespace vx::sim {
namespace {

using platform::TextPair;

// ---- User texts ----

constexpr TextPair kTextRapid{"工具が破損しました(G00干渉)", "The tool was dameged. (G00 interference)"};
constexpr TextPair kTextRapidPossible{"G00干渉、もしくはその可能性があります", "G00 interference or it's possible"};
constexpr TextPair kTextArbor{"工具保持具が干渉しました", "Arbor interfered."};
constexpr TextPair kTextLength{"有効刃長を越えて切削しました", "Cut in an invalid part of tool length."};
constexpr TextPair kTextChip{"内径の無効部分で切削しました", "Cut in an invalid part of bottom."};
constexpr TextPair kTextTaper{"工具側テーパ部が干渉しました", "Tool side (*tapa*) interfered."};
constexpr TextPair kTextTooFast{"早送り干渉(送り速度が速すぎます)", "RAPID Interference(Too fast Feedrate)."};
constexpr TextPair kTextOverloadVertical{"工具が過負荷で破損しました(垂直加工部)",
                                         "Too heavy Cutting. Tool was dameged.(Vertical-Cut)"};
constexpr TextPair kTextOverloadUp{"工具が過負荷で破損しました(アップカット部)",
                                   "Too heavy Cutting. Tool was dameged.(Up-Cut)"};
constexpr TextPair kTextOverloadDown{"工具が過負荷で破損しました(ダウンカット部)",
                                     "Too heavy Cutting. Tool was dameged.(Down-Cut)"};
constexpr TextPair kTextOverloadGeneral{"工具が過負荷で破損しました(全面加工部)",
                                        "Too heavy Cutting. Tool was dameged.(General-Cut)"};
constexpr TextPair kTextAttachment{"アタッチメントが干渉しました", "Attachment interfered"};
constexpr TextPair kTextSpindleStop{"主軸回転停止中に干渉しました", "Spindle Stop"};
constexpr TextPair kTextSpindleLow{"主軸回転数が指定範囲より少ないです", "Low Spindle Speed"};
constexpr TextPair kTextSpindleOver{"主軸回転数が指定範囲を超えています", "Over Spindle Speed"};

// ---- File texts ----

constexpr std::string_view kListName = "interference.txt";
constexpr std::string_view kSecondListName = "interference2.txt";
constexpr std::string_view kListHeader = "<<< INTERFERENCE INFORMATION >>>\n--------------";
constexpr std::string_view kSecondListHeader = "<<< INTERFERENCE2 INFORMATION >>>\n--------------";
constexpr std::string_view kSystemSound = "SystemHand";

// The list's names of the kinds, by bit.
constexpr std::array<std::string_view, kKindCount> kKindNames{
    "RAPID(G00)", "ARBOR", "OVER LENGTH", "OVER CHIP", "TAPER",
    "TOO FAST", "ATTATCHMENT", "SPINDLE", "LOW SPINDLE", "OVER SPINDLE"};
// The alarm code of each kind, by bit.
constexpr std::array<int, kKindCount> kKindCodes{1, 2, 3, 4, 5, 6, 8, 9, 10, 10};

constexpr int kInterpreterBase = 100;

unsigned spindle_kind(SpindleEvent e) {
    switch (e) {
        case SpindleEvent::Stopped: return kKindSpindle;
        case SpindleEvent::Low: return kKindLowSpindle;
        case SpindleEvent::Over: return kKindOverSpindle;
        default: return 0;
    }
}

// The kinds of the checks that are in their pause modes.
unsigned pause_kinds(const Checks& c, const StepFlags& f) {
    unsigned kinds = 0;
    if (pauses(c.rapid) && f.rapid) kinds |= f.rapid_move ? kKindRapid : kKindTooFast;
    if (pauses(c.arbor)) {
        if (f.holder) kinds |= kKindArbor;
        if (f.taper) kinds |= kKindTaper;
        if (f.attachment) kinds |= kKindAttachment;
    }
    if (pauses(c.height) && f.length) kinds |= kKindLength;
    if (pauses(c.chip) && f.chip) kinds |= kKindChip;
    if (pauses(c.spindle)) kinds |= spindle_kind(f.spindle);
    return kinds;
}

// The second list's words for a step's pause kinds, in its own order and spelling.
std::string second_kinds(unsigned kinds) {
    std::string out;
    auto add = [&out](std::string_view word) {
        if (!out.empty()) out += '+';
        out += word;
    };
    if (kinds & kKindRapid) add("RAPID(G00)");
    if (kinds & kKindTooFast) add("TOO FAST");
    if (kinds & kKindLength) add("LENGTH");
    if (kinds & kKindChip) add("CHIP");
    if (kinds & kKindTaper) add("TAPER");
    else if (kinds & (kKindArbor | kKindAttachment)) add("ARBOR");
    if (kinds & kKindSpindle) add("SPINDLE");
    if (kinds & kKindLowSpindle) add("LOW SPINDLE");
    if (kinds & kKindOverSpindle) add("OVER SPINDLE");
    return out + ":";
}

// "%s:%d:%s" in a subprogram, else "%d:%s".
std::string block_text(const BlockRef& b) {
    std::string out;
    if (b.in_subprogram) out = std::string(b.subprogram) + ":";
    out += std::to_string(b.line) + ":";
    out += b.text;
    return out;
}

void put(InterferenceList& list, std::string_view text) {
    if (!list.file) return;
    std::fwrite(text.data(), 1, text.size(), list.file.get());
    std::fflush(list.file.get());  // entries are rare; a crash later must not lose them
}

// The first entry of the run: chooses the list by the presence of the second one and creates it.
void make_due(InterferenceList& list) {
    if (list.due) return;
    list.due = true;
    const auto second = platform::find_file(list.folder + std::string(kSecondListName));
    list.second = second.has_value();
    const std::string path = second ? *second : list.folder + std::string(kListName);
    list.file.reset(std::fopen(path.c_str(), "wb"));
    put(list, list.second ? kSecondListHeader : kListHeader);
    put(list, " (" + list.nc_name + ")");
}

void write_second_step(InterferenceList& list, unsigned kinds, const BlockRef& block) {
    const bool same = list.second_started && list.second_line == block.line &&
                      list.second_subprogram == (block.in_subprogram ? block.subprogram : std::string_view{});
    if (!same) {
        put(list, "\n" + block_text(block));
        list.second_started = true;
        list.second_line = block.line;
        list.second_subprogram = block.in_subprogram ? std::string(block.subprogram) : std::string();
    }
    put(list, second_kinds(kinds));
}

}  // namespace

// ---- Step flags ----

SpindleEvent spindle_event(const Checks& c, bool cut, int speed, int direction) {
    if (!checked(c.spindle) || !cut) return SpindleEvent::None;
    if (direction == 0 || speed <= 0) return SpindleEvent::Stopped;
    if (!c.spindle_range) return SpindleEvent::None;
    if (speed < c.spindle_min) return SpindleEvent::Low;
    if (speed > c.spindle_max) return SpindleEvent::Over;
    return SpindleEvent::None;
}

StepFlags step_flags(const SweepResult& r, const Checks& c, int motion, double feed, SpindleEvent spindle) {
    StepFlags f;
    // The kernel flags a feed at or above any feedrate; a feedrate of 0 or less makes no feed rapid.
    f.rapid = r.rapid_interference && checked(c.rapid) && rapid_class(motion, feed, c.rapid_feedrate);
    f.rapid_move = f.rapid && motion == kMotionRapid;
    f.holder = r.holder;
    f.length = r.length;
    f.chip = r.chip;
    f.taper = r.taper;
    f.attachment = r.attachment;
    f.spindle = spindle;
    return f;
}

void merge_flags(StepFlags& into, const StepFlags& s) {
    if (s.rapid && !into.rapid) into.rapid_move = s.rapid_move;
    into.rapid |= s.rapid;
    into.holder |= s.holder;
    into.length |= s.length;
    into.chip |= s.chip;
    into.taper |= s.taper;
    into.attachment |= s.attachment;
    if (into.spindle == SpindleEvent::None) into.spindle = s.spindle;
}

bool any_flag(const StepFlags& f) { return step_kinds(f) != 0; }

unsigned step_kinds(const StepFlags& f) {
    unsigned kinds = 0;
    if (f.rapid) kinds |= f.rapid_move ? kKindRapid : kKindTooFast;
    if (f.holder) kinds |= kKindArbor;
    if (f.length) kinds |= kKindLength;
    if (f.chip) kinds |= kKindChip;
    if (f.taper) kinds |= kKindTaper;
    if (f.attachment) kinds |= kKindAttachment;
    return kinds | spindle_kind(f.spindle);
}

std::string kind_list(unsigned kinds) {
    std::string out;
    for (int i = 0; i < kKindCount; ++i) {
        if (!(kinds & (1u << i))) continue;
        if (!out.empty()) out += " + ";
        out += kKindNames[std::size_t(i)];
    }
    return out;
}

int kind_alarm_code(unsigned kind) {
    for (int i = 0; i < kKindCount; ++i)
        if (kind & (1u << i)) return kKindCodes[std::size_t(i)];
    return 0;
}

// ---- Stop, pause, end ----

int must_stop(const Checks& c, const StepFlags& f) {
    if (aborts(c.rapid) && f.rapid) return 1;
    if (aborts(c.arbor) && (f.taper || f.attachment || f.holder)) return 1;
    if (aborts(c.height) && f.length) return 1;
    if (aborts(c.chip) && f.chip) return 1;
    if (aborts(c.spindle) && f.spindle != SpindleEvent::None) return 1;
    return 0;
}

int run_end_code(const Checks& c, const StepFlags& f, bool overloaded, int interpreter_alarm) {
    if (aborts(c.arbor) && f.taper) return 5;
    if (aborts(c.arbor) && f.attachment) return 8;
    if (aborts(c.arbor) && f.holder) return 2;
    if (aborts(c.height) && f.length) return 3;
    if (aborts(c.chip) && f.chip) return 4;
    if (aborts(c.spindle) && f.spindle != SpindleEvent::None) return f.spindle == SpindleEvent::Stopped ? 9 : 10;
    if (interpreter_alarm > 0) return kInterpreterBase + interpreter_alarm;
    if (aborts(c.rapid) && f.rapid && f.rapid_move) return 1;
    return overloaded ? kOverloadEndCode : 6;
}

// ---- Messages ----

std::string_view alarm_message(int code, const AlarmDetail& d) {
    switch (code) {
        case 1: return platform::text(d.rapid_path_uncertain ? kTextRapidPossible : kTextRapid);
        case 2: return platform::text(kTextArbor);
        case 3: return platform::text(kTextLength);
        case 4: return platform::text(kTextChip);
        case 5: return platform::text(kTextTaper);
        case 6: return platform::text(kTextTooFast);
        case 7:
            switch (d.step_direction) {
                case kStepVertical: return platform::text(kTextOverloadVertical);
                case kStepUpCut: return platform::text(kTextOverloadUp);
                case kStepDownCut: return platform::text(kTextOverloadDown);
                default: return platform::text(kTextOverloadGeneral);
            }
        case 8: return platform::text(kTextAttachment);
        case 9: return platform::text(kTextSpindleStop);
        case 10: return platform::text(d.spindle_low ? kTextSpindleLow : kTextSpindleOver);
        default: return {};
    }
}

void show_alarm(int code, const AlarmDetail& detail, std::string_view nc_path, int line) {
    const std::string_view message = alarm_message(code, detail);
    if (message.empty()) return;
    platform::log_set_line(line);
    platform::show_message({message, nc_path, platform::Buttons::Ok, platform::MessageIn::Title});
}

// ---- Interference lists ----

std::string nc_file_name(std::string_view nc_path) {
    const auto slash = nc_path.rfind('/');
    return std::string(slash == std::string_view::npos ? nc_path : nc_path.substr(slash + 1));
}

void begin_interference_run(InterferenceList& list, std::string folder, std::string_view nc_path) {
    list = InterferenceList{};
    list.folder = std::move(folder);
    list.nc_name = nc_file_name(nc_path);
}

void end_interference_run(InterferenceList& list) {
    list.file.reset();
    list.pending = 0;
}

bool collect_pause(InterferenceList& list, const Checks& checks, const StepFlags& flags, const BlockRef& block) {
    const unsigned kinds = pause_kinds(checks, flags);
    if (kinds == 0) return false;
    make_due(list);
    list.pending |= kinds;
    if (list.second) write_second_step(list, kinds, block);
    return true;
}

int write_interference_entry(InterferenceList& list, const BlockRef& block, bool paint_marks_shown, bool sound,
                             const InterferenceHooks& hooks) {
    if (list.pending == 0) return 0;
    make_due(list);
    if (!list.second) put(list, "\n" + kind_list(list.pending) + "\n" + block_text(block));
    list.pending = 0;
    if (paint_marks_shown && hooks.repaint) hooks.repaint(hooks.context);
    if (sound && hooks.play_system_sound) hooks.play_system_sound(hooks.context, kSystemSound);
    return 1;
}

void write_second_position(InterferenceList& list, int step, int steps, const Vec3& p) {
    if (!list.second) return;
    put(list, std::to_string(step) + "/" + std::to_string(steps) + ":X" + fixed_text(p.x) + "Y" + fixed_text(p.y) +
                  "Z" + fixed_text(p.z) + "\n");
}

}  // namespace vx::sim
