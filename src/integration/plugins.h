// Plug-in modules: optional shared libraries found by name at start-up (NC readers, simulation
// engines, workpiece loaders, modifiers and savers, an NC-comment tool provider, an editor link,
// a sync provider). Each found module is asked to INIT (0 unloads it again) and for its menu
// caption or file suffix; at shutdown every FREE is called, then every library is unloaded.
// A missing module is no error. The calling convention is in plugin_abi.h.
#pragma once

#include "integration/plugin_abi.h"
#include "platform/language.h"

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace vx::integration {

// Families in loading order.
enum class Family { Read, Sim, Load, Mod, Save, NcCom, Editor, Sync };
constexpr int kFamilies = 8;
constexpr int kSlots = 3;  // modules a numbered family holds ("vxread", "vxread1", ... fill them in turn)

struct FamilySpec {
    std::string_view base;              // "vxread": the library is "libvxread.so"
    bool numbered;                      // also tries base + "1", "2", "3"
    std::vector<std::string_view> exports;  // in lookup order
    std::string_view required;          // a module without this export is unloaded
    std::string_view text;              // the export that fills the menu caption or suffix
};

const FamilySpec& family_spec(Family family);

struct Module {
    Family family = Family::Read;
    int slot = 0;
    std::string name;  // "vxread1"
    std::string path;  // what was opened
    void* handle = nullptr;
    std::vector<void*> symbols;  // parallel to the family's exports; nullptr when absent
    std::string text;            // caption or suffix, at most VX_PLUGIN_TEXT characters
};

struct Plugins {
    std::array<std::vector<Module>, kFamilies> families;  // loaded modules by family, in slot order
    bool comments_disabled = false;  // "Disable vxnccom.dll": the comment hooks are not called
};

// Loads every family from `program_dir` (with a trailing "/"), then the library search path.
// Returns the number of modules kept.
int load_plugins(Plugins& plugins, const std::string& program_dir);

// Calls every FREE, then unloads every library; `plugins` is empty afterwards.
void free_plugins(Plugins& plugins);

// Unloads one module (FREE first); used when a built-in editor takes over from vxeditor.
void unload_module(Plugins& plugins, Family family, int slot);

// A module broke the calling convention (a negative size, a pitch of 0, a null pointer, ...):
// says so on stderr and in the log, naming the module and `what` it did, and unloads it, so
// that it is never called again. `module` is invalid afterwards.
void refuse_module(Plugins& plugins, const Module& module, std::string_view what);

const std::vector<Module>& modules(const Plugins& plugins, Family family);
const Module* module(const Plugins& plugins, Family family, int slot);

// An export of a loaded module by name, nullptr when it has none.
void* symbol(const Module& module, std::string_view name);

// The module of `family` whose suffix text names the extension of `path` (case-insensitive;
// several suffixes separated by ";", "," or blanks), or nullptr.
const Module* module_for_file(const Plugins& plugins, Family family, std::string_view path);

// The suffixes a module's text names, in order, without "*." or ".".
std::vector<std::string> module_suffixes(const Module& module);

// The format's name from the family's KIND export (VXLOADKIND, ...); the module's name without it.
std::string module_kind(const Module& module);

// ---- Menu texts for the window ----

// The caption of a simulation or modifier module's menu item: the module's text, for the first
// two simulation slots with " or F8" / " or F9" appended (those keys post them).
std::string menu_caption(const Module& module);

extern const platform::TextPair kTextDisableNcCom;  // the vxnccom module's menu item

// ---- NC readers ----

// The reader module whose suffix is the extension of `nc_path` (case-insensitive), or nullptr.
const Module* reader_for_file(const Plugins& plugins, std::string_view nc_path);

// Starts reading `nc_path` through the module: 1 when VXREADOPEN accepted it; `first_tool`
// receives VXREADTOOL's tool (unchanged when it gives none).
int reader_open(const Module& module, const std::string& nc_path, int& first_tool);

// The next path record into `block` (`size` bytes) and its line number: 1, or 0 at the end.
int reader_path(const Module& module, char* block, int size, int& line_number);

void reader_close(const Module& module);

// ---- NC comments ----

struct CommentTool {
    bool has_tool = false, has_length = false, has_arbor = false;
    int tool = 0, arbor = 0;
    double length = 0.0;
};

// Offers an NC line that holds a comment to the vxnccom hooks (each ...F variant in place of its
// plain one, with the line number); false when no module is loaded or the user disabled it.
bool offer_comment(const Plugins& plugins, std::string_view line, int line_number, CommentTool& found);

// The comment module is loaded (command 32931 exists).
bool comment_module_loaded(const Plugins& plugins);

}  // namespace vx::integration
