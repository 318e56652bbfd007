#include "shell/ini.h"

#include "base/text.h"
#include "platform/files.h"

namespace vx::shell {
namespace {

std::string_view without_line_end(std::string_view line) {
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
    return line;
}

// The section name of a "[name]" line, or nullopt for any other line.
std::optional<std::string_view> section_of(std::string_view line) {
    line = trim(without_line_end(line));
    if (line.empty() || line.front() != '[') return std::nullopt;
    line.remove_prefix(1);
    const auto close = line.find(']');
    return trim(close == std::string_view::npos ? line : line.substr(0, close));
}

struct Entry {
    std::string_view key;
    std::string_view value;
};

// The key and value of a "key=value" line; nullopt for comments and lines without "=".
std::optional<Entry> entry_of(std::string_view line) {
    line = trim(without_line_end(line));
    if (line.empty() || line.front() == ';' || line.front() == '[') return std::nullopt;
    const auto eq = line.find('=');
    if (eq == std::string_view::npos) return std::nullopt;
    std::string_view value = trim(line.substr(eq + 1));
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
    return Entry{trim(line.substr(0, eq)), value};
}

// Where a key stands: its line, or where it belongs (-1 when the section is missing).
struct Place {
    int key_line = -1;
    int section_end = -1;  // index after the last non-blank line of the first matching section
};

Place locate(const IniFile& ini, std::string_view section, std::string_view key) {
    Place place;
    bool inside = false;
    int occurrences = 0;  // only the first occurrence of the section takes appended keys
    for (int i = 0; i < int(ini.lines.size()); ++i) {
        const std::string_view line = ini.lines[i];
        if (const auto name = section_of(line)) {
            inside = equals_nocase(*name, section);
            if (inside && ++occurrences == 1) place.section_end = i + 1;
            continue;
        }
        if (!inside) continue;
        if (const auto entry = entry_of(line); entry && equals_nocase(entry->key, key)) {
            place.key_line = i;
            return place;
        }
        if (occurrences == 1 && !trim(line).empty()) place.section_end = i + 1;
    }
    return place;
}

// The line end the file uses most, "\n" for a file without any.
std::string dominant_line_end(const IniFile& ini) {
    int crlf = 0, lf = 0;
    for (const auto& line : ini.lines) {
        if (line.ends_with("\r\n")) ++crlf;
        else if (line.ends_with("\n")) ++lf;
    }
    return crlf > lf ? "\r\n" : "\n";
}

std::string_view line_end_of(std::string_view line) {
    if (line.ends_with("\r\n")) return "\r\n";
    if (line.ends_with("\n")) return "\n";
    return "";
}

void insert_line(IniFile& ini, int at, std::string text) {
    const std::string eol = dominant_line_end(ini);
    if (at > 0 && line_end_of(ini.lines[at - 1]).empty()) ini.lines[at - 1] += eol;
    ini.lines.insert(ini.lines.begin() + at, text + eol);
}

}  // namespace

IniFile ini_parse(std::string path, std::string_view bytes) {
    IniFile ini{std::move(path), {}};
    while (!bytes.empty()) {
        const auto nl = bytes.find('\n');
        const std::size_t length = nl == std::string_view::npos ? bytes.size() : nl + 1;
        ini.lines.emplace_back(bytes.substr(0, length));
        bytes.remove_prefix(length);
    }
    return ini;
}

IniFile ini_load(const std::string& path) {
    const auto bytes = platform::read_file(path);
    return ini_parse(path, bytes ? std::string_view(*bytes) : std::string_view{});
}

std::optional<std::string_view> ini_find(const IniFile& ini, std::string_view section, std::string_view key) {
    const Place place = locate(ini, section, key);
    if (place.key_line < 0) return std::nullopt;
    return entry_of(ini.lines[place.key_line])->value;
}

std::string ini_get(const IniFile& ini, std::string_view section, std::string_view key, std::string_view fallback) {
    return std::string(ini_find(ini, section, key).value_or(fallback));
}

void ini_set(IniFile& ini, std::string_view section, std::string_view key, std::string_view value) {
    std::string text = std::string(key) + "=" + std::string(value);
    const Place place = locate(ini, section, key);
    if (place.key_line >= 0) {
        std::string& line = ini.lines[place.key_line];
        line = text + std::string(line_end_of(line));
        return;
    }
    if (place.section_end >= 0) {
        insert_line(ini, place.section_end, std::move(text));
        return;
    }
    insert_line(ini, int(ini.lines.size()), "[" + std::string(section) + "]");
    insert_line(ini, int(ini.lines.size()), std::move(text));
}

std::string ini_bytes(const IniFile& ini) {
    std::string out;
    for (const auto& line : ini.lines) out += line;
    return out;
}

bool ini_save(const IniFile& ini) { return platform::replace_file(ini.path, ini_bytes(ini)); }

}  // namespace vx::shell
