// The main window's title from the selection and the run state.
#include "platform/language.h"
#include "platform/platform.h"
#include "shell/run_steps.h"

#include <array>

namespace vx::shell {
namespace {

using platform::TextPair;

// ---- Texts ----

constexpr TextPair kTextNotSelected{"NCデータ未選択", "Not Selected"};
constexpr TextPair kTextCutColour{" 方向色", " Cut Color"};
constexpr TextPair kTextPenColour{" ペン色", " Pen Color"};
constexpr TextPair kTextSkip{"/粗さ:", "/Skip:"};
constexpr TextPair kTextInterference{"干渉", "INTERFERENCE"};
constexpr TextPair kTextStop{"停止中", "STOP"};
constexpr TextPair kTextCheck{" 干渉チェック-", "Check-"};
constexpr std::string_view kTextGoOrEscape = "! (G or ESC)";

// Letters of the check modes in the order of their values.
constexpr std::array<char, 3> kRapidLetters{'N', 'Y', 'S'};
constexpr std::array<char, 5> kArborLetters{'N', 'O', 'C', 'Y', 'S'};
constexpr std::array<char, 4> kCheckLetters{'N', 'O', 'Y', 'S'};  // effective length and chip

template <class Mode, std::size_t N>
char letter(const std::array<char, N>& letters, Mode mode) {
    const auto i = std::size_t(mode);
    return i < N ? letters[i] : '?';
}

std::string_view file_name(std::string_view path) {
    const auto slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

// Without folder and extension.
std::string_view stem(std::string_view path) {
    std::string_view name = file_name(path);
    const auto dot = name.rfind('.');
    return dot == std::string_view::npos ? name : name.substr(0, dot);
}

std::string_view pause_text(PauseReason reason) {
    switch (reason) {
        case PauseReason::OffsetAlarm: return run::kTextOffsetAlarm;
        case PauseReason::Interference: return platform::text(kTextInterference);
        default: return platform::text(kTextStop);
    }
}

// Item 2: the files, the colour mode and, blinking, why the run stands still.
void append_selection(std::string& t, const RunContext& ctx) {
    const RunState& st = ctx.state;
    t += " - ";
    t += ctx.nc_path.empty() ? platform::text(kTextNotSelected) : file_name(ctx.nc_path);
    if (!ctx.workpiece_file.empty()) {
        t += '/';
        t += file_name(ctx.workpiece_file);
    }
    t += '(';
    t += ctx.tools ? stem(ctx.tools->path) : std::string_view{};
    t += ',';
    t += ctx.ctl ? stem(ctx.ctl->path) : std::string_view{};
    t += ',';
    t += ctx.mtl ? stem(ctx.mtl->path) : std::string_view{};
    t += ')';
    if (ctx.workpiece && ctx.workpiece->modification_state != sim::kNoWorkpiece) {
        const bool by_pen = ctx.settings && ctx.settings->define.colour_by_pen;
        t += platform::text(by_pen ? kTextPenColour : kTextCutColour);
        if (ctx.display_skip > 1) {
            t += platform::text(kTextSkip);
            t += std::to_string(ctx.display_skip - 1);
        }
    }
    if (st.suspended && st.blink) {
        t += " --- ";
        t += pause_text(st.pause_reason);
        t += kTextGoOrEscape;
    }
}

}  // namespace

std::string run_title(const RunContext& ctx) {
    const RunState& st = ctx.state;
    std::string t = ctx.mtl ? ctx.mtl->name : std::string();
    if (!(st.suspended && st.continue_pending)) {
        append_selection(t, ctx);
    } else if (st.blink) {
        t += " - M" + std::to_string(st.wait_m);
    }
    const sim::Checks& c = st.checks;
    t += platform::text(kTextCheck);
    t += letter(kRapidLetters, c.rapid);
    t += letter(kArborLetters, c.arbor);
    t += letter(kCheckLetters, c.height);
    t += letter(kCheckLetters, c.chip);
    return t;
}

void rebuild_title(RunContext& ctx) { platform::set_title(run_title(ctx)); }

}  // namespace vx::shell
