// The version and environment information: the product and its version, the wheel support, the
// system (the PRETTY_NAME of /etc/os-release and the kernel release), the physical memory and
// the swap space from /proc/meminfo, and the memory of the workpiece. Numbers carry a comma
// every three digits.
#pragma once

#include "shell/app.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace vx::shell {

// 1234567 as "1,234,567".
std::string with_commas(std::uint64_t n);

struct MemoryInfo {  // KB
    std::uint64_t total = 0, available = 0, swap_total = 0, swap_free = 0;
};

// The MemTotal, MemAvailable, SwapTotal and SwapFree lines of /proc/meminfo; missing ones stay 0.
MemoryInfo parse_meminfo(std::string_view text);

// The PRETTY_NAME of an os-release file without its quotes; "Linux" when there is none.
std::string os_pretty_name(std::string_view os_release);

// The title of the version box: "Version/Environment" in English.
std::string_view version_title();

// The text of the version box for the system as it is now.
std::string version_text(const App& app);

}  // namespace vx::shell
