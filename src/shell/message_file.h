// The start-up message file "vornex.mes". Finding it makes the user interface English; its lines
// give the English menu captions in menu order, then the title and the button captions of the
// command menu; the tool-dimension labels become the English ones as well. The file is bytes of
// any kind: every caption is cut to 80 bytes and handed on as UTF-8.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vx::shell {

constexpr std::size_t kCommandButtons = 20;
constexpr std::size_t kToolDimensionLabels = 12;

// The menu in menu order as the window builds it: each top-level menu, followed by the items
// that carry a caption (sub-menu items included, separators left out).
enum class MenuSlot { TopLevel, Item };

struct MessageFile {
    std::vector<std::optional<std::string>> menu_captions;  // one per slot; nullopt keeps the built-in caption
    std::string command_menu_title;
    std::array<std::string, kCommandButtons> command_buttons;
    std::vector<std::string> tool_dimension_labels;  // the English labels; empty keeps the Japanese ones
};

// The English labels of the tool dimensions, which a message file puts in place.
const std::array<std::string_view, kToolDimensionLabels>& english_tool_dimension_labels();

// "vornex.mes" in the current directory, else in the program directory (any case of the name).
std::optional<std::string> find_message_file(const std::string& current_dir, const std::string& program_dir);

// The first start-up step: finds the file and, when there is one, sets the English language and
// returns its bytes (at most the first MiB, which holds far more lines than are read).
std::optional<std::string> load_message_file(const std::string& current_dir, const std::string& program_dir);

// The captions of a found message file for a menu of the given shape.
MessageFile parse_message_file(std::string_view bytes, std::span<const MenuSlot> shape);

// The captions without a message file: every menu caption built in, Japanese labels.
MessageFile builtin_messages(std::size_t menu_slots);

}  // namespace vx::shell
