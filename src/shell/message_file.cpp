#include "shell/message_file.h"

#include "platform/encoding.h"
#include "platform/files.h"
#include "platform/language.h"

#include <cstdio>

namespace vx::shell {
namespace {

constexpr std::size_t kMaxLine = 80;                 // bytes of a line that are read
constexpr std::size_t kMaxFileBytes = 1 << 20;       // the menus and buttons need a few KiB
constexpr std::size_t kLabelCharacters = 4;          // the button label before its accelerator
constexpr std::string_view kFileName = "vornex.mes";

constexpr std::array<std::string_view, kCommandButtons + 1> kBuiltinCaptions{
    "メニュー", "初期(&R)", "最大(&F)", "ｽﾞｰﾑ(&Z)", "拡大(&W)", "縮小(&S)", "第１(&1)",
    "第２(&2)", "第３(&3)", "第４(&4)", "-15 (&5)", "+15 (&6)", "後ろ(&7)", " XZ (&8)",
    " YZ (&9)", " XY (&0)", "上側(&U)", "下側(&D)", "描画(&P)", "戻す(&C)", "保存(&B)"};

// A message file chooses English; one without command-menu lines would leave these buttons in
// Japanese, so English captions with the same accelerators stand in for them.
constexpr std::array<std::string_view, kCommandButtons + 1> kEnglishCaptions{
    "Menu", "Reset(&R)", "Fit(&F)", "Zoom(&Z)", "Larger(&W)", "Smaller(&S)", "1st(&1)",
    "2nd(&2)", "3rd(&3)", "4th(&4)", "-15 (&5)", "+15 (&6)", "Back(&7)", " XZ (&8)",
    " YZ (&9)", " XY (&0)", "Up(&U)", "Down(&D)", "Draw(&P)", "Restore(&C)", "Backup(&B)"};

constexpr std::array<std::string_view, kToolDimensionLabels> kEnglishToolLabels{
    "Dia ", "C-r ", "E-w ", "F-h ", "BotA", "SidA", " H  ", "Len ", " Lu ", " Lt ", " Ds ", " Du "};

// ---- Lines ----

bool sjis_lead(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

// At most kMaxLine bytes, never splitting a character: UTF-8 sequences when the line is UTF-8,
// Shift-JIS pairs otherwise.
std::string_view limited(std::string_view line) {
    if (line.size() <= kMaxLine) return line;
    std::size_t cut = kMaxLine;
    if (platform::valid_utf8(line)) {
        while (cut > 0 && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80) --cut;
        return line.substr(0, cut);
    }
    std::size_t i = 0;
    while (i < line.size()) {
        const std::size_t step = sjis_lead(static_cast<unsigned char>(line[i])) ? 2 : 1;
        if (i + step > kMaxLine) break;
        i += step;
    }
    return line.substr(0, i);
}

// The file's lines without their line ends (LF or CRLF); a NUL byte ends a line's text.
struct Lines {
    std::string_view bytes;
    std::size_t pos = 0;

    std::optional<std::string_view> next() {
        if (pos >= bytes.size()) return std::nullopt;
        const auto end = bytes.find('\n', pos);
        std::string_view line = bytes.substr(pos, end == std::string_view::npos ? std::string_view::npos : end - pos);
        pos = end == std::string_view::npos ? bytes.size() : end + 1;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (const auto nul = line.find('\0'); nul != std::string_view::npos) line = line.substr(0, nul);
        return limited(line);
    }
};

std::string top_caption(std::string_view line) {
    line.remove_prefix(1);  // "["
    if (!line.empty() && line.back() == ']') line.remove_suffix(1);
    return platform::to_utf8(line);
}

std::string item_caption(std::string_view line) {
    line.remove_prefix(line.size() >= 2 && line[1] == ' ' ? 2 : 1);
    return platform::to_utf8(line);
}

// ---- Menus ----

// The next line beginning with "[": lines in between are skipped.
std::optional<std::string> next_top(Lines& lines) {
    while (const auto line = lines.next())
        if (!line->empty() && line->front() == '[') return top_caption(*line);
    return std::nullopt;
}

// The next line beginning with a blank; every other line, a "[" line too, is skipped. The file
// is expected to follow the menus' shape: a menu listed with fewer items takes the next menu's.
std::optional<std::string> next_item(Lines& lines) {
    while (const auto line = lines.next())
        if (!line->empty() && line->front() == ' ') return item_caption(*line);
    return std::nullopt;
}

// ---- Command menu ----

// The first `count` characters of UTF-8 text.
std::string first_characters(const std::string& text, std::size_t count) {
    std::size_t i = 0;
    for (std::size_t n = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80 && n++ == count) break;
    }
    return text.substr(0, i);
}

// A button caption with its label replaced and its accelerator, such as "(&R)", kept.
std::string relabelled(std::string_view builtin, const std::string& line) {
    const auto accel = builtin.rfind("(&");
    const std::string_view keep = accel == std::string_view::npos ? std::string_view{} : builtin.substr(accel);
    return first_characters(line, kLabelCharacters) + std::string(keep);
}

void read_command_menu(Lines& lines, MessageFile& out) {
    std::size_t taken = 0;
    while (taken < kCommandButtons + 1) {
        const auto line = lines.next();
        if (!line) return;
        if (line->empty() || line->front() == '#') continue;
        const std::string text = platform::to_utf8(*line);
        if (taken == 0) out.command_menu_title = text;
        else out.command_buttons[taken - 1] = relabelled(kBuiltinCaptions[taken], text);
        ++taken;
    }
}

std::optional<std::string> read_prefix(const std::string& path, std::size_t limit) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return std::nullopt;
    std::string bytes(limit, '\0');
    bytes.resize(std::fread(bytes.data(), 1, limit, f));
    const bool failed = std::ferror(f) != 0;
    std::fclose(f);
    if (failed) return std::nullopt;
    return bytes;
}

}  // namespace

const std::array<std::string_view, kToolDimensionLabels>& english_tool_dimension_labels() { return kEnglishToolLabels; }

MessageFile builtin_messages(std::size_t menu_slots) {
    MessageFile m;
    m.menu_captions.assign(menu_slots, std::nullopt);
    m.command_menu_title = kBuiltinCaptions[0];
    for (std::size_t i = 0; i < kCommandButtons; ++i) m.command_buttons[i] = kBuiltinCaptions[i + 1];
    return m;
}

MessageFile parse_message_file(std::string_view bytes, std::span<const MenuSlot> shape) {
    MessageFile m = builtin_messages(shape.size());
    m.command_menu_title = kEnglishCaptions[0];
    for (std::size_t i = 0; i < kCommandButtons; ++i) m.command_buttons[i] = kEnglishCaptions[i + 1];
    Lines lines{bytes};
    for (std::size_t i = 0; i < shape.size(); ++i)
        m.menu_captions[i] = shape[i] == MenuSlot::TopLevel ? next_top(lines) : next_item(lines);
    read_command_menu(lines, m);
    m.tool_dimension_labels.assign(kEnglishToolLabels.begin(), kEnglishToolLabels.end());
    return m;
}

std::optional<std::string> find_message_file(const std::string& current_dir, const std::string& program_dir) {
    if (auto here = platform::find_file(current_dir + std::string(kFileName))) return here;
    return platform::find_file(program_dir + std::string(kFileName));
}

std::optional<std::string> load_message_file(const std::string& current_dir, const std::string& program_dir) {
    const auto path = find_message_file(current_dir, program_dir);
    if (!path) return std::nullopt;
    platform::set_english(true);
    // A file that is there but cannot be read still chooses English, as finding it does.
    return read_prefix(*path, kMaxFileBytes).value_or(std::string());
}

}  // namespace vx::shell
