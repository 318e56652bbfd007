// A profile (INI) file with the semantics of the Windows profile functions that the settings
// rely on: sections and keys case-insensitive, the first occurrence of a key wins, blanks around
// a value trimmed, a value wholly in double quotes loses them, ";" lines are comments, a missing
// file or key gives the default. Setting a key keeps every other byte of the file; saving
// replaces the file atomically.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vx::shell {

struct IniFile {
    std::string path;
    std::vector<std::string> lines;  // each with its own line end ("\r\n", "\n" or none at the end)
};

IniFile ini_parse(std::string path, std::string_view bytes);
IniFile ini_load(const std::string& path);  // a missing file gives an empty one

std::optional<std::string_view> ini_find(const IniFile& ini, std::string_view section, std::string_view key);
std::string ini_get(const IniFile& ini, std::string_view section, std::string_view key, std::string_view fallback);

// Replaces the value of the key's first occurrence in place, or appends the key after the last
// non-blank line of its section, or appends the section at the end of the file.
void ini_set(IniFile& ini, std::string_view section, std::string_view key, std::string_view value);

std::string ini_bytes(const IniFile& ini);
bool ini_save(const IniFile& ini);

}  // namespace vx::shell
