// Any bytes as a settings file: reading must not crash, and writing a key must keep every byte
// of the file before it.
#include "shell/ini.h"
#include "shell/settings.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    vx::shell::SettingsContext ctx;
    ctx.current_dir = "/nonexistent-vornex-fuzz/";
    ctx.program_dir = ctx.current_dir;
    vx::shell::IniFile ini = vx::shell::ini_parse("fuzz.ini", bytes);
    (void)vx::shell::read_settings(ini, ctx);

    vx::shell::ini_set(ini, "Fuzz Section That Is Not There", "KEY", "value");
    const std::string written = vx::shell::ini_bytes(ini);
    if (written.compare(0, bytes.size(), bytes) != 0) std::abort();
    if (vx::shell::ini_find(ini, "fuzz section that is not there", "key") != "value") std::abort();
    return 0;
}
