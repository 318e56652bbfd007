// Any bytes as a colour table file.
#include "shell/settings.h"

#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    vx::shell::Colours colours;
    vx::shell::apply_colour_table_text(std::string_view(reinterpret_cast<const char*>(data), size), colours);
    return 0;
}
