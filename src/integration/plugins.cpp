#include "integration/plugins.h"

#include "platform/files.h"
#include "platform/log.h"

#include <algorithm>
#include <cctype>
#include <dlfcn.h>

namespace vx::integration {
namespace {

constexpr int kNumberedNames = 4;  // base, base1, base2, base3

// clang-format off
const std::array<FamilySpec, kFamilies> kSpecs{{
    {"vxread", true,
     {"VXREADSUFFIX", "VXREADINIT", "VXREADKIND", "VXREADPATHCOLOR", "VXREADTOTALBLOCK", "VXREADOPEN",
      "VXREADTOOL", "VXREADTOOLLEN", "VXREADARBOR", "VXREADSTARTPOINT", "VXREADPATH", "VXREADCLOSE", "VXREADFREE"},
     "VXREADSUFFIX", "VXREADSUFFIX"},
    {"vxsim", true,
     {"VXSIMMENUITEM", "VXSIMINIT", "VXSIMPARAMETER", "VXSIMPATHTYPE", "VXSIMGETWORK", "VXSIMSTART",
      "VXSIMGETTOOL", "VXSIMGETTOOLLEN", "VXSIMGETARBOR", "VXSIMCUTWORK", "VXSIMEND", "VXSIMFREE"},
     {}, "VXSIMMENUITEM"},
    {"vxload", true,
     {"VXLOADSUFFIX", "VXLOADINIT", "VXLOADKIND", "VXLOADPARAMETER", "VXLOADSTARTPOINT",
      "VXLOADGETWORKSIZE", "VXLOADLOADWORK", "VXLOADFREE"},
     {}, "VXLOADSUFFIX"},
    {"vxmod", true,
     {"VXMODMENUITEM", "VXMODINIT", "VXMODPARAMETER", "VXMODGETBASICMODEL", "VXMODMODWORK", "VXMODFREE"},
     {}, "VXMODMENUITEM"},
    {"vxsave", true,
     {"VXSAVESUFFIX", "VXSAVEINIT", "VXSAVEKIND", "VXSAVEPARAMETER", "VXSAVEGETBASICMODEL",
      "VXSAVEGETSAVELEVEL", "VXSAVESAVEWORK", "VXSAVEFREE"},
     {}, "VXSAVESUFFIX"},
    {"vxnccom", false,
     {"VXNCCOMTOOL", "VXNCCOMTOOLF", "VXNCCOMINIT", "VXNCCOMTOOLLEN", "VXNCCOMTOOLLENF", "VXNCCOMARBOR",
      "VXNCCOMARBORF", "VXNCCOMFREE"},
     {}, {}},
    {"vxeditor", false,
     {"VXEDITORFINDWINDOW", "VXEDITOREXECPROGRAM", "VXEDITOREXECOPTION", "VXEDITORTOP", "VXEDITORDOWN",
      "VXEDITORDOWN2", "VXEDITORJUMP", "VXEDITORJUMP2", "VXEDITOREXIT"},
     {}, {}},
    {"vxsync", false,
     {"VXSYNCGET", "VXSYNCPUT", "VXSYNCINIT", "VXSYNCGETNAME", "VXSYNCFREE"},
     {}, {}},
}};
// clang-format on

std::size_t family_index(Family f) { return static_cast<std::size_t>(f); }

std::string upper(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

// The export's name for this family's INIT or FREE ("VXREAD" + "INIT").
std::string family_export(const FamilySpec& spec, std::string_view what) { return upper(spec.base) + std::string(what); }

// dlsym by the plain name, then with a leading underscore (modules built with decorated names).
void* lookup(void* handle, std::string_view name) {
    const std::string plain(name);
    if (void* p = ::dlsym(handle, plain.c_str())) return p;
    return ::dlsym(handle, ("_" + plain).c_str());
}

// From the program directory first, then wherever the dynamic loader looks.
void* open_library(const std::string& program_dir, const std::string& name, std::string& path) {
    const std::string file = "lib" + name + ".so";
    path = program_dir + file;
    if (platform::is_file(path))
        if (void* h = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)) return h;
    path = file;
    return ::dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
}

std::string call_text(void* fn) {
    if (!fn) return {};
    char text[VX_PLUGIN_TEXT + 1] = {};
    reinterpret_cast<VxTextFn>(fn)(text, VX_PLUGIN_TEXT + 1);
    text[VX_PLUGIN_TEXT] = '\0';
    return text;
}

// Opens, looks up and initialises one module; false (library closed again) when it is not there,
// lacks its required export or its INIT says 0.
bool start_module(Module& m, const FamilySpec& spec, const std::string& program_dir) {
    m.handle = open_library(program_dir, m.name, m.path);
    if (!m.handle) return false;
    for (std::string_view e : spec.exports) m.symbols.push_back(lookup(m.handle, e));
    bool keep = spec.required.empty() || symbol(m, spec.required);
    if (keep)
        if (void* init = symbol(m, family_export(spec, "INIT"))) keep = reinterpret_cast<VxInitFn>(init)() != 0;
    if (!keep) {
        ::dlclose(m.handle);
        return false;
    }
    if (!spec.text.empty()) m.text = call_text(symbol(m, spec.text));
    return true;
}

void call_free(const Module& m) {
    if (void* f = symbol(m, family_export(family_spec(m.family), "FREE"))) reinterpret_cast<VxFreeFn>(f)();
}

template <class Fn>
Fn typed(const Module& m, std::string_view name) {
    return reinterpret_cast<Fn>(symbol(m, name));
}

// Each suffix of a module's text: "CLS;APT", "*.xyz", ".pts" all name plain suffixes.
template <class Visit>
void for_each_suffix(std::string_view suffixes, Visit&& visit) {
    while (!suffixes.empty()) {
        const std::size_t end = std::min(suffixes.find_first_of(";, "), suffixes.size());
        std::string_view s = suffixes.substr(0, end);
        if (s.substr(0, 2) == "*.") s.remove_prefix(2);
        if (!s.empty() && s.front() == '.') s.remove_prefix(1);
        if (!s.empty() && visit(s)) return;
        suffixes.remove_prefix(std::min(end + 1, suffixes.size()));
    }
}

bool suffix_matches(std::string_view suffixes, std::string_view extension) {
    bool found = false;
    for_each_suffix(suffixes, [&](std::string_view s) { return found = upper(s) == upper(extension); });
    return found;
}

// The typed plain export, or its ...F variant with the line number when the module has one.
template <class Value, class Plain, class WithLine>
bool ask_comment(const Module& m, std::string_view plain, std::string_view with_line, const std::string& line,
                 int line_number, Value& value) {
    if (const auto f = typed<WithLine>(m, with_line)) return f(line.c_str(), line_number, &value) != 0;
    if (const auto f = typed<Plain>(m, plain)) return f(line.c_str(), &value) != 0;
    return false;
}

}  // namespace

const platform::TextPair kTextDisableNcCom{"vxnccom.dllの無効化(&N)", "Disable vxnccom.dll(&N)"};

const FamilySpec& family_spec(Family family) { return kSpecs[family_index(family)]; }

int load_plugins(Plugins& plugins, const std::string& program_dir) {
    int kept = 0;
    for (int f = 0; f < kFamilies; ++f) {
        const auto family = static_cast<Family>(f);
        const FamilySpec& spec = family_spec(family);
        auto& list = plugins.families[static_cast<std::size_t>(f)];
        const int names = spec.numbered ? kNumberedNames : 1;
        const int slots = spec.numbered ? kSlots : 1;
        for (int n = 0; n < names && static_cast<int>(list.size()) < slots; ++n) {
            Module m;
            m.family = family;
            m.slot = static_cast<int>(list.size());
            m.name = std::string(spec.base) + (n == 0 ? "" : std::to_string(n));
            if (!start_module(m, spec, program_dir)) continue;
            list.push_back(std::move(m));
            ++kept;
        }
    }
    return kept;
}

void free_plugins(Plugins& plugins) {
    for (const auto& list : plugins.families)
        for (const Module& m : list) call_free(m);
    for (auto& list : plugins.families) {
        for (const Module& m : list) ::dlclose(m.handle);
        list.clear();
    }
}

void unload_module(Plugins& plugins, Family family, int slot) {
    auto& list = plugins.families[family_index(family)];
    const auto it = std::find_if(list.begin(), list.end(), [&](const Module& m) { return m.slot == slot; });
    if (it == list.end()) return;
    call_free(*it);
    ::dlclose(it->handle);
    list.erase(it);
}

void refuse_module(Plugins& plugins, const Module& module, std::string_view what) {
    platform::note("vornex: the plug-in " + module.name + " (" + module.path + ") " + std::string(what) +
                   "; it is refused and unloaded");
    unload_module(plugins, module.family, module.slot);
}

const std::vector<Module>& modules(const Plugins& plugins, Family family) {
    return plugins.families[family_index(family)];
}

const Module* module(const Plugins& plugins, Family family, int slot) {
    for (const Module& m : modules(plugins, family))
        if (m.slot == slot) return &m;
    return nullptr;
}

void* symbol(const Module& module, std::string_view name) {
    const auto& exports = family_spec(module.family).exports;
    for (std::size_t i = 0; i < exports.size() && i < module.symbols.size(); ++i)
        if (exports[i] == name) return module.symbols[i];
    return nullptr;
}

const Module* module_for_file(const Plugins& plugins, Family family, std::string_view path) {
    const std::size_t slash = path.rfind('/');
    const std::string_view file = slash == std::string_view::npos ? path : path.substr(slash + 1);
    const std::size_t dot = file.rfind('.');
    if (dot == std::string_view::npos || dot + 1 == file.size()) return nullptr;
    for (const Module& m : modules(plugins, family))
        if (suffix_matches(m.text, file.substr(dot + 1))) return &m;
    return nullptr;
}

std::vector<std::string> module_suffixes(const Module& module) {
    std::vector<std::string> out;
    for_each_suffix(module.text, [&](std::string_view s) {
        out.emplace_back(s);
        return false;
    });
    return out;
}

std::string module_kind(const Module& module) {
    std::string kind = call_text(symbol(module, family_export(family_spec(module.family), "KIND")));
    return kind.empty() ? module.name : kind;
}

std::string menu_caption(const Module& module) {
    if (module.family == Family::Sim && module.slot == 0) return module.text + " or F8";
    if (module.family == Family::Sim && module.slot == 1) return module.text + " or F9";
    return module.text;
}

// ---- NC readers ----

const Module* reader_for_file(const Plugins& plugins, std::string_view nc_path) {
    return module_for_file(plugins, Family::Read, nc_path);
}

int reader_open(const Module& module, const std::string& nc_path, int& first_tool) {
    const auto open = typed<VxReadOpenFn>(module, "VXREADOPEN");
    if (!open || open(nc_path.c_str()) == 0) return 0;
    if (const auto tool = typed<VxReadToolFn>(module, "VXREADTOOL")) {
        int t = first_tool;
        if (tool(&t)) first_tool = t;
    }
    return 1;
}

int reader_path(const Module& module, char* block, int size, int& line_number) {
    const auto path = typed<VxReadPathFn>(module, "VXREADPATH");
    if (!path || size <= 0) return 0;
    block[0] = '\0';
    int line = line_number;
    const int r = path(block, size, &line);
    block[size - 1] = '\0';  // a module that fills the whole buffer still leaves a string
    if (r == 0) return 0;
    line_number = line;
    return 1;
}

void reader_close(const Module& module) {
    if (const auto close = typed<VxReadCloseFn>(module, "VXREADCLOSE")) close();
}

// ---- NC comments ----

bool offer_comment(const Plugins& plugins, std::string_view line, int line_number, CommentTool& found) {
    const Module* m = module(plugins, Family::NcCom, 0);
    if (!m || plugins.comments_disabled) return false;
    const std::string text(line);
    found.has_tool = ask_comment<int, VxNcComToolFn, VxNcComToolFFn>(*m, "VXNCCOMTOOL", "VXNCCOMTOOLF", text,
                                                                     line_number, found.tool);
    found.has_length = ask_comment<double, VxNcComToolLenFn, VxNcComToolLenFFn>(
        *m, "VXNCCOMTOOLLEN", "VXNCCOMTOOLLENF", text, line_number, found.length);
    found.has_arbor = ask_comment<int, VxNcComArborFn, VxNcComArborFFn>(*m, "VXNCCOMARBOR", "VXNCCOMARBORF", text,
                                                                        line_number, found.arbor);
    return true;
}

bool comment_module_loaded(const Plugins& plugins) { return module(plugins, Family::NcCom, 0) != nullptr; }

}  // namespace vx::integration
