// Holder files: the first holder line of a small text file, found beside the tool file.
#include "platform/files.h"
#include "sim/tool_syntax.h"
#include "platform/encoding.h"
#include "sim/tools.h"

#include <optional>

namespace vx::sim {
namespace {

bool is_sjis_lead(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

// Backslashes become "/", except the second byte of a Shift-JIS character ("表" is 95 5C).
std::string separators(std::string_view name) {
    const bool sjis = !platform::valid_utf8(name);
    std::string out(name);
    for (std::size_t i = 0; i < out.size(); ++i) {
        if (sjis && is_sjis_lead(static_cast<unsigned char>(out[i])) && i + 1 < out.size()) ++i;
        else if (out[i] == '\\') out[i] = '/';
    }
    return out;
}

// The file as named, else its case-insensitive match, else (for a Shift-JIS name) the file
// whose name is the UTF-8 spelling of it: Windows names copied to Linux are usually converted.
std::optional<std::string> existing_file(const std::string& path) {
    if (auto found = platform::find_file(path)) return found;
    if (!platform::valid_utf8(path)) return platform::find_file(platform::to_utf8(path));
    return std::nullopt;
}

}  // namespace

std::string holder_path(std::string_view name, const std::string& folder) {
    const std::string spelled = separators(name);
    if (spelled.find('/') != std::string::npos) return spelled;
    return platform::absolute(spelled, folder);
}

int read_holder_text(HolderRecord& holder, std::string_view bytes) {
    holder = HolderRecord{};
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find('\n', start);
        if (end == std::string_view::npos) end = bytes.size();
        std::string_view line = bytes.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty() || line.front() == '#') continue;
        LineCursor c = make_cursor(line);
        if (read_holder_keyword(c, holder)) return 1;  // lines after it are not read
    }
    return 0;
}

int read_holder_file(HolderRecord& holder, const std::string& path, std::int64_t* time) {
    holder = HolderRecord{};
    if (time) *time = -1;
    const auto found = existing_file(path);
    const auto bytes = found ? platform::read_file(*found) : std::nullopt;
    if (!bytes) return -1;
    if (time) *time = platform::file_time(*found);
    read_holder_text(holder, *bytes);
    return 1;
}

}  // namespace vx::sim
