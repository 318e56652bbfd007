// The external editor link: which editor the settings name, the command line that opens the NC
// program in it (the parameter pattern's "%1" file and "%2" line), the line jump while a run
// stops or a point of the workpiece is picked, and the programs that edit the definition files.
//
// On Linux the editors that take a line on their command line (vi, vim, nvim, emacs, nano,
// gedit, kate, VS Code) jump by a fresh invocation with the line; the Windows editors driven by
// window messages (Hidemaru, Maruo, TeraPad, K2Editor) keep their parameter patterns but get no
// jump here, as their messages exist only on their own platform. Terminal editors are started in
// the desktop's terminal when one is installed.
#pragma once

#include "integration/plugins.h"

#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

namespace vx::integration {

enum class Editor {
    Notepad,  // kind 0
    Hidemaru, Maruo,  // kind 1: macro file + menu command
    TeraPad,          // kind 2
    K2Editor,         // kind 3
    Miw, WzEditor,    // other kinds with their own quoting
    Vi, Vim, Nvim, Emacs, Nano, Gedit, Kate, VsCode,  // a line on the command line
    Other,
};

// The editor a program value names: the Windows editors by the end of the name (with or without
// ".exe"), the Linux ones by the program's file name; case-insensitive.
Editor recognise_editor(std::string_view program);

// The link kind of the editor table: 0 notepad, 1 macro editors, 2 TeraPad, 3 K2Editor, -1 others.
int editor_kind(Editor editor);

// Whether the editor is told a line by a fresh invocation with it.
bool takes_line_argument(Editor editor);

// The parameter pattern in use: the editor's own while `option` is the default "%1".
std::string parameter_pattern(std::string_view option, Editor editor);

// The parameters from `pattern`: "%1" the file (in double quotes when it holds a blank; for MIW
// only the opening quote there and the closing one at the very end), "%2" the line.
std::string expand_parameters(std::string_view pattern, std::string_view file, int line, Editor editor);

// The parameters split into arguments the way a command line is read: blanks separate, double
// quotes group and are removed.
std::vector<std::string> split_parameters(std::string_view parameters);

// The line for "%2": the NC line of the picked cell (its absolute value; called programs carry
// negative numbers), the current NC line when the cell was never cut, at least 1.
int jump_line(long cell_line, int current_line);

// The editor program: the settings' value, or on Linux for the Windows default "notepad" the
// first of $VISUAL, $EDITOR and xdg-open that is installed. Empty when none is.
struct Environment {
    std::string visual, editor;                       // the environment's values
    bool (*installed)(std::string_view program) = nullptr;  // found on PATH (or a path that runs)
};
std::string editor_program(std::string_view setting, const Environment& env);

// Whether a program can be run: an executable path, or a name found on PATH.
bool program_installed(std::string_view program);
Environment process_environment();

// The whole command: program, its own words (of a $VISUAL such as "code --wait") and the
// parameters; in a terminal for the terminal editors when `terminal` names one.
std::vector<std::string> editor_command(std::string_view program, std::string_view option, std::string_view file,
                                        int line, std::string_view terminal = {});

// A definition file in its editor: the file is one argument whatever blanks it holds.
std::vector<std::string> edit_file_command(std::string_view program, std::string_view file);

// The desktop's terminal ("x-terminal-emulator") when it is installed, else empty.
std::string desktop_terminal();

// ---- The link ----

struct EditorLink {
    pid_t pid = 0;         // the editor started last; 0 none
    std::string file;      // the NC file it was opened with
    bool found = false;    // a vxeditor module reaches the editor: its line jumps are sent
    Editor editor = Editor::Other;
    std::vector<pid_t> started;  // every process started, reaped when it has ended
    bool told_cannot_navigate = false;  // said once per opening, not at every block
};

// Starts `argv` detached from the program's own output; the process id, or 0 with `error` set.
pid_t start_program(EditorLink& link, const std::vector<std::string>& argv, std::string& error);

// Opens `file` in the editor (or leaves it when the editor still runs on that file and cannot be
// told a line); 1 started, 0 the program could not be started (`error` says why), 2 left open.
// The vxeditor module of `plugins` (may be null), when loaded, builds the parameters
// (VXEDITOREXECOPTION), starts the program (VXEDITOREXECPROGRAM) and finds the editor
// (VXEDITORFINDWINDOW) where it exports those steps.
int open_in_editor(EditorLink& link, std::string_view program, std::string_view option, std::string_view file,
                   int line, std::string& error, const Plugins* plugins = nullptr);

// What a line jump, or the top and down of a run's stepping, did.
enum class Navigation {
    Jumped,          // a fresh invocation with the line was started, or the vxeditor module jumped
    NotOpen,         // no editor was opened on `file`: there is nothing to move
    CannotNavigate,  // the editor open on `file` cannot be told a line here (see below)
    Failed,          // the fresh invocation could not be started
};

// Why the editor is asked to show a line: a run stopped there, or a point was picked.
enum class JumpCause { RunStop, Pick };

// The line jump: the vxeditor module of `plugins` (may be null), when it exports VXEDITORJUMP
// (run) or VXEDITORJUMP2 (pick), while it has found the editor on `file`; else a fresh invocation
// for the editors that take a line. The others cannot be told a line on Linux (their window
// messages exist only on their own platform), nor can a terminal editor that is still open (a
// second one on the same file would only warn about its swap file).
Navigation navigate(EditorLink& link, std::string_view program, std::string_view option, std::string_view file,
                    int line, const Plugins* plugins = nullptr, JumpCause cause = JumpCause::RunStop);
bool jump_to_line(EditorLink& link, std::string_view program, std::string_view option, std::string_view file,
                  int line, const Plugins* plugins = nullptr,
                  JumpCause cause = JumpCause::RunStop);  // navigate() == Jumped

// What closing the editor at the end (CLOSE END) did.
enum class Closing {
    Closed,      // the editor was hung up
    NotRunning,  // no editor of ours runs any more: nothing to close
    CannotClose, // a desktop editor that would drop unsaved edits when signalled: it stays open
};

// Closes the editor started on the NC file the way a closed terminal does: SIGHUP to its process
// group. The terminal editors and emacs keep unsaved edits when hung up (vim its swap file, nano
// a ".save" copy, emacs its auto-save); gedit, kate, VS Code and xdg-open's program would lose
// them, so they are left open. The link is forgotten either way.
Closing close_editor(EditorLink& link);

// Forgets the editor (the run's line link ends); reaps what has ended.
void release_link(EditorLink& link);

// ---- The vxeditor module ----

// The vxeditor module takes the program and its own parameter pattern (it exports
// VXEDITOREXECPROGRAM): the program need not be installed for the link to start.
bool editor_module_starts_program(const Plugins& plugins);

// EXEC_PROGRAM names an editor whose link the program does itself: the vxeditor module gives way
// and is unloaded (said in the log). True when it was unloaded.
bool editor_module_gives_way(Plugins& plugins, std::string_view exec_program);

// The run's line link ends: the module's VXEDITOREXIT while it has found the editor.
void end_editor_link(EditorLink& link, const Plugins& plugins);

// The vxeditor module's VXEDITORTOP, when it exports it and has found the editor on `file`:
// true when called (it then takes the place of the program's own move to line 1).
bool editor_module_top(const EditorLink& link, const Plugins& plugins, std::string_view file);
void reap_started(EditorLink& link);

}  // namespace vx::integration
