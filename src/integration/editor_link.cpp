#include "integration/editor_link.h"

#include "base/text.h"
#include "platform/log.h"

#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace vx::integration {
namespace {

constexpr std::string_view kDefaultOption = "%1";
constexpr std::string_view kWindowsDefault = "notepad";
constexpr std::string_view kDesktopOpener = "xdg-open";
constexpr std::string_view kTerminal = "x-terminal-emulator";
constexpr std::size_t kParameterBytes = 1024;  // VXEDITOREXECOPTION's buffer

struct EditorName {
    std::string_view name;
    Editor editor;
};

// Recognised from the end of the program's name, as their Windows installations are named.
constexpr std::array kByEnding{
    EditorName{"hidemaru", Editor::Hidemaru}, EditorName{"maruo", Editor::Maruo},
    EditorName{"terapad", Editor::TeraPad},   EditorName{"k2editor", Editor::K2Editor},
    EditorName{"notepad", Editor::Notepad},   EditorName{"miw", Editor::Miw},
    EditorName{"wzeditor", Editor::WzEditor},
};

// Recognised by the program's file name: "vi" must not catch "xvi" or "kvi".
constexpr std::array kByName{
    EditorName{"vi", Editor::Vi},         EditorName{"vim", Editor::Vim},    EditorName{"nvim", Editor::Nvim},
    EditorName{"emacs", Editor::Emacs},   EditorName{"nano", Editor::Nano},  EditorName{"gedit", Editor::Gedit},
    EditorName{"kate", Editor::Kate},     EditorName{"code", Editor::VsCode},
};

bool ends_with_nocase(std::string_view s, std::string_view end) {
    return s.size() >= end.size() && equals_nocase(s.substr(s.size() - end.size()), end);
}

std::string_view without_exe(std::string_view program) {
    if (ends_with_nocase(program, ".exe")) program.remove_suffix(4);
    return program;
}

std::string_view file_name(std::string_view path) {
    const std::size_t slash = path.find_last_of("/\\");
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

// Editors that need a terminal to show themselves.
bool terminal_editor(Editor e) { return e == Editor::Vi || e == Editor::Vim || e == Editor::Nvim || e == Editor::Nano; }

// Editors whose fresh invocation hands the file to the window already open instead of opening a
// second one.
bool reuses_window(Editor e) { return e == Editor::Gedit || e == Editor::Kate || e == Editor::VsCode; }

bool running(pid_t pid) { return pid > 0 && ::kill(pid, 0) == 0; }

// The first word of a program value and the words after it ($VISUAL may be "code --wait").
std::vector<std::string> program_words(std::string_view program) { return split_parameters(program); }

const Module* editor_module(const Plugins& plugins) { return module(plugins, Family::Editor, 0); }

template <class Fn>
Fn editor_export(const Module& m, std::string_view name) {
    return reinterpret_cast<Fn>(symbol(m, name));
}

// VXEDITOREXECOPTION's parameters, or the program's own from the pattern.
std::string module_parameters(const Module& m, std::string_view program, std::string_view option,
                              std::string_view file, int line) {
    const Editor editor = recognise_editor(program);
    const std::string pattern = parameter_pattern(option, editor);
    if (const auto build = editor_export<VxEditorExecOptionFn>(m, "VXEDITOREXECOPTION")) {
        std::array<char, kParameterBytes> out{};
        if (build(pattern.c_str(), std::string(file).c_str(), line, out.data(), int(out.size())) != 0) {
            out.back() = '\0';  // a module that fills the whole buffer still leaves a string
            return out.data();
        }
    }
    return expand_parameters(pattern, file, line, editor);
}

// The open steps with the module's exports in place of the program's own.
int open_through_module(EditorLink& link, const Module& m, std::string_view program, std::string_view option,
                        std::string_view file, int line, std::string& error) {
    const std::string parameters = module_parameters(m, program, option, file, line);
    if (const auto exec = editor_export<VxEditorExecProgramFn>(m, "VXEDITOREXECPROGRAM")) {
        if (exec(std::string(program).c_str(), parameters.c_str()) == 0) {
            error = m.name + " could not start " + std::string(program);
            return 0;
        }
        link.pid = 0;
    } else {
        std::vector<std::string> argv = program_words(program);
        for (std::string& p : split_parameters(parameters)) argv.push_back(std::move(p));
        link.pid = start_program(link, argv, error);
        if (!link.pid) return 0;
    }
    link.file = std::string(file);
    link.editor = recognise_editor(program);
    link.found = true;  // without a finder the started editor counts as found
    if (const auto find = editor_export<VxEditorFindWindowFn>(m, "VXEDITORFINDWINDOW")) {
        int found = 0;
        find(link.file.c_str(), &found);
        link.found = found != 0;
    }
    return 1;
}

bool module_jumps(const Module& m) { return symbol(m, "VXEDITORJUMP") || symbol(m, "VXEDITORJUMP2"); }

// JUMP for a run's stop, JUMP2 for a pick; each stands in for the other.
void module_jump(const Module& m, int line, JumpCause cause) {
    const auto run = editor_export<VxEditorJumpFn>(m, "VXEDITORJUMP");
    const auto pick = editor_export<VxEditorJumpFn>(m, "VXEDITORJUMP2");
    const auto jump = cause == JumpCause::Pick ? (pick ? pick : run) : (run ? run : pick);
    jump(line);
}

}  // namespace

// ---- Recognising the editor ----

Editor recognise_editor(std::string_view program) {
    const std::string_view name = without_exe(file_name(trim(program)));
    for (const EditorName& e : kByName)
        if (equals_nocase(name, e.name)) return e.editor;
    for (const EditorName& e : kByEnding)
        if (ends_with_nocase(name, e.name)) return e.editor;
    return Editor::Other;
}

int editor_kind(Editor editor) {
    switch (editor) {
    case Editor::Notepad: return 0;
    case Editor::Hidemaru:
    case Editor::Maruo: return 1;
    case Editor::TeraPad: return 2;
    case Editor::K2Editor: return 3;
    default: return -1;
    }
}

bool takes_line_argument(Editor editor) { return editor >= Editor::Vi && editor <= Editor::VsCode; }

std::string parameter_pattern(std::string_view option, Editor editor) {
    if (option != kDefaultOption) return std::string(option);
    switch (editor) {
    case Editor::Hidemaru:
    case Editor::Maruo:
    case Editor::K2Editor: return "/j%2 %1";
    case Editor::TeraPad: return "/j=%2 %1";
    case Editor::Vi:
    case Editor::Vim:
    case Editor::Nvim:
    case Editor::Emacs:
    case Editor::Nano:
    case Editor::Gedit: return "+%2 %1";
    case Editor::Kate: return "--line %2 %1";
    case Editor::VsCode: return "-g %1:%2";
    default: return std::string(kDefaultOption);
    }
}

// ---- Building the command line ----

std::string expand_parameters(std::string_view pattern, std::string_view file, int line, Editor editor) {
    const bool blank = file.find(' ') != std::string_view::npos;
    const bool miw = editor == Editor::Miw;
    std::string out;
    bool close_at_end = false;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '%' && i + 1 < pattern.size() && (pattern[i + 1] == '1' || pattern[i + 1] == '2')) {
            if (pattern[++i] == '2') {
                out += std::to_string(line);
            } else if (blank && miw) {
                out += '"';
                out += file;
                close_at_end = true;
            } else if (blank) {
                out += '"';
                out += file;
                out += '"';
            } else {
                out += file;
            }
            continue;
        }
        out += pattern[i];
    }
    if (close_at_end) out += '"';
    return out;
}

std::vector<std::string> split_parameters(std::string_view parameters) { return split_quoted_words(parameters); }

int jump_line(long cell_line, int current_line) {
    const long line = cell_line != 0 ? std::labs(cell_line) : current_line;
    return line < 1 ? 1 : int(std::min<long>(line, INT32_MAX));
}

std::string editor_program(std::string_view setting, const Environment& env) {
    const std::string_view value = trim(setting);
    if (!value.empty() && !equals_nocase(without_exe(value), kWindowsDefault)) return std::string(value);
    for (const std::string& candidate : {env.visual, env.editor, std::string(kDesktopOpener)}) {
        const std::vector<std::string> words = program_words(candidate);
        if (!words.empty() && env.installed && env.installed(words.front())) return candidate;
    }
    return {};
}

bool program_installed(std::string_view program) {
    if (program.empty()) return false;
    if (program.find('/') != std::string_view::npos) return ::access(std::string(program).c_str(), X_OK) == 0;
    const char* path = std::getenv("PATH");
    std::string_view dirs = path ? path : "/usr/local/bin:/usr/bin:/bin";
    while (!dirs.empty()) {
        const std::size_t colon = dirs.find(':');
        const std::string_view dir = dirs.substr(0, colon);
        const std::string candidate = std::string(dir.empty() ? "." : dir) + "/" + std::string(program);
        struct stat st {};
        if (::stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(candidate.c_str(), X_OK) == 0)
            return true;
        dirs = colon == std::string_view::npos ? std::string_view{} : dirs.substr(colon + 1);
    }
    return false;
}

Environment process_environment() {
    Environment env;
    if (const char* v = std::getenv("VISUAL")) env.visual = v;
    if (const char* e = std::getenv("EDITOR")) env.editor = e;
    env.installed = program_installed;
    return env;
}

std::vector<std::string> editor_command(std::string_view program, std::string_view option, std::string_view file,
                                        int line, std::string_view terminal) {
    std::vector<std::string> argv = program_words(program);
    if (argv.empty()) return argv;
    const Editor editor = recognise_editor(argv.front());
    for (std::string& p : split_parameters(expand_parameters(parameter_pattern(option, editor), file, line, editor)))
        argv.push_back(std::move(p));
    if (!terminal.empty() && terminal_editor(editor)) argv.insert(argv.begin(), {std::string(terminal), "-e"});
    return argv;
}

std::vector<std::string> edit_file_command(std::string_view program, std::string_view file) {
    std::vector<std::string> argv = program_words(program);
    if (!argv.empty()) argv.emplace_back(file);
    return argv;
}

std::string desktop_terminal() { return program_installed(kTerminal) ? std::string(kTerminal) : std::string(); }

// ---- The link ----

pid_t start_program(EditorLink& link, const std::vector<std::string>& argv, std::string& error) {
    reap_started(link);
    if (argv.empty()) {
        error = "no program";
        return 0;
    }
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    // The editor's chatter stays out of our stdout (the optimise run's times go there).
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSID);  // a terminal's signals stay ours
    pid_t pid = 0;
    const int rc = posix_spawnp(&pid, args.front(), &actions, &attr, args.data(), environ);
    posix_spawnattr_destroy(&attr);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
        error = argv.front() + ": " + std::strerror(rc);
        return 0;
    }
    link.started.push_back(pid);
    return pid;
}

int open_in_editor(EditorLink& link, std::string_view program, std::string_view option, std::string_view file,
                   int line, std::string& error, const Plugins* plugins) {
    reap_started(link);
    if (const Module* m = plugins ? editor_module(*plugins) : nullptr)
        return open_through_module(link, *m, program, option, file, line, error);
    if (running(link.pid) && link.file == file) return 2;
    const std::vector<std::string> argv = editor_command(program, option, file, line, desktop_terminal());
    const pid_t pid = start_program(link, argv, error);
    if (!pid) return 0;
    link.pid = pid;
    link.file = std::string(file);
    link.editor = recognise_editor(program_words(program).front());
    link.told_cannot_navigate = false;
    return 1;
}

Navigation navigate(EditorLink& link, std::string_view program, std::string_view option, std::string_view file,
                    int line, const Plugins* plugins, JumpCause cause) {
    reap_started(link);
    if (const Module* m = plugins ? editor_module(*plugins) : nullptr; m && module_jumps(*m)) {
        if (!link.found || link.file != file) return Navigation::NotOpen;  // the module has not reached it
        module_jump(*m, line, cause);
        return Navigation::Jumped;
    }
    if (link.file.empty() || link.file != file) return Navigation::NotOpen;
    if (!takes_line_argument(link.editor)) return Navigation::CannotNavigate;
    // A second terminal editor on the same file would only warn about its swap file.
    if (!reuses_window(link.editor) && running(link.pid)) return Navigation::CannotNavigate;
    std::string error;
    const pid_t pid = start_program(link, editor_command(program, option, file, line, desktop_terminal()), error);
    if (!pid) return Navigation::Failed;
    link.pid = pid;
    return Navigation::Jumped;
}

bool jump_to_line(EditorLink& link, std::string_view program, std::string_view option, std::string_view file,
                  int line, const Plugins* plugins, JumpCause cause) {
    return navigate(link, program, option, file, line, plugins, cause) == Navigation::Jumped;
}

Closing close_editor(EditorLink& link) {
    reap_started(link);
    const bool hangs_up_safely = terminal_editor(link.editor) || link.editor == Editor::Emacs;
    Closing result = Closing::NotRunning;
    if (link.file.empty()) {
        // never opened, or already forgotten
    } else if (!hangs_up_safely) {
        // Its window may belong to an earlier instance than the one started: it may be open still.
        result = Closing::CannotClose;
    } else if (running(link.pid)) {
        // The process group: a terminal started for the editor goes with it.
        if (::kill(-link.pid, SIGHUP) != 0) ::kill(link.pid, SIGHUP);
        result = Closing::Closed;
    }
    release_link(link);
    return result;
}

void release_link(EditorLink& link) {
    reap_started(link);
    link.pid = 0;
    link.file.clear();
    link.found = false;
}

// ---- The vxeditor module ----

bool editor_module_starts_program(const Plugins& plugins) {
    const Module* m = editor_module(plugins);
    return m && symbol(*m, "VXEDITOREXECPROGRAM");
}

bool editor_module_gives_way(Plugins& plugins, std::string_view exec_program) {
    const Module* m = editor_module(plugins);
    const Editor editor = recognise_editor(exec_program);
    if (!m || (editor_kind(editor) < 1 && !takes_line_argument(editor))) return false;
    platform::note("vornex: EXEC_PROGRAM names " + std::string(exec_program) + ", whose link is built in; the plug-in " +
                   m->name + " is unloaded");
    unload_module(plugins, Family::Editor, m->slot);
    return true;
}

void end_editor_link(EditorLink& link, const Plugins& plugins) {
    const Module* m = editor_module(plugins);
    if (m && link.found)
        if (const auto exit = reinterpret_cast<VxEditorExitFn>(symbol(*m, "VXEDITOREXIT"))) exit();
}

bool editor_module_top(const EditorLink& link, const Plugins& plugins, std::string_view file) {
    const Module* m = editor_module(plugins);
    const auto top = m ? reinterpret_cast<VxEditorTopFn>(symbol(*m, "VXEDITORTOP")) : nullptr;
    if (!top || !link.found || link.file != file) return false;
    top();
    return true;
}

void reap_started(EditorLink& link) {
    std::erase_if(link.started, [](pid_t pid) {
        int status = 0;
        const pid_t r = ::waitpid(pid, &status, WNOHANG);
        return r == pid || (r < 0 && errno == ECHILD);
    });
}

}  // namespace vx::integration
