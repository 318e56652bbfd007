// The command line: arguments split on blanks and tabs with double quotes around file names (or
// taken from argv, which the Linux shell has already split), bare files classified by extension,
// and every switch read into one record that the settings and the batch plan are fed from.
// A problem never stops the parse: each one becomes a diagnostic for the caller to print.
#pragma once

#include "shell/commands.h"
#include "shell/settings.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vx::shell {

// ---- What the parse needs to know ----
struct CommandLineContext {
    std::string current_dir;  // with a trailing "/": relative names are taken from here
    // Extensions of the workpiece-reader plug-ins (".ABC" or "ABC", any case); such files load
    // as workpieces.
    std::vector<std::string> load_extensions;
    // Extensions of the workpiece-writer plug-ins by slot (empty for a free slot): slot n is
    // save type 7 + n.
    std::vector<std::string> save_extensions;
};

// ---- The record ----
struct Placement {  // -(x,y,w,h)
    int x = 0, y = 0, width = 0, height = 0;
};

struct StartPosition {  // -S(x,y)
    double x = 0, y = 0;
};

enum class WorkLoad { Plain, Press, Swing };

struct WorkpieceFile {
    std::string path;
    WorkLoad load = WorkLoad::Plain;
    char axis = 0;              // 'X', 'Y' or 'Z' for Press and Swing
    bool swing_given = false;   // Swing with (a,b,angle); else the remembered swing values
    double a = 0, b = 0, angle = 0;
    bool keep_given = false;    // Press with (paint,pen,direction); else it keeps no colour
    bool keep[3] = {false, false, false};
    bool from_switch = false;   // -D...; false for a bare workpiece argument
};

// Save types of the workpiece save command (the filter index of the save dialog).
enum SaveType : int {
    kSaveDmf = 1,
    kSaveStlText = 2,
    kSaveStlLittle = 3,
    kSaveStlBig = 4,
    kSaveVrmlFaces = 5,
    kSaveVrmlGrid = 6,
    kSavePlugin = 7,  // + the writer plug-in's slot
};

struct OutputFile {  // -O
    std::string path;
    int save_type = kSaveDmf;
};

enum class Report { None, V, V5, V6, VA };  // -V, -V5, -V6, -VA

struct ImageOutput {  // --image FILE.png[,WIDTHxHEIGHT]: the result view at the end of a batch
    std::string path;
    int width = 1280, height = 960;
};

enum class WorkOperationKind { Merge, Move, Offset, PenStrip, PaintAll, StripPaint, RotateMirror, Difference, Plugin };

struct WorkOperation {
    WorkOperationKind kind = WorkOperationKind::Merge;
    int command = 0;              // the menu command it sends
    int value = 0;                // the command's parameter
    std::vector<double> numbers;  // Move: X, Y, Z; Offset: distance; Difference: margin (each optional)
    std::string file;             // Merge: the model file
    std::string text;             // the switch as written, for messages
};

struct CommandLine {
    // Definition files; for each kind the first one named counts.
    std::string settings_file;    // -I or a bare ".INI"
    std::string colour_table;     // -IC or a bare ".CTC"
    std::string tool_file;        // -T or a bare ".TTL"
    std::string controller_file;  // -C or a bare ".CTL"
    std::string machine_file;     // -M or a bare ".MTL"
    std::optional<int> initial_tool;  // -Tfile,number

    std::optional<WorkpieceFile> workpiece;  // -D, -DP, -DX/-DY/-DZ or a bare workpiece file
    std::optional<InitialBox> box;           // -D(...), already in the order of INITIAL SIZE
    std::string basic_model;                 // -K
    std::optional<OutputFile> output;        // -O
    std::optional<ImageOutput> image;        // --image
    std::string json_file;                   // --json: the run summary as JSON; empty: none
    bool fail_on_findings = false;           // --fail-on-findings: exit code 3 on findings
    std::string nc_file;                     // the existing NC file, as found
    std::vector<std::string> missing_nc_files;  // NC names dropped because they do not exist

    std::optional<Placement> placement;
    std::optional<double> pitch;                 // -P
    std::optional<StartPosition> start_position; // -S
    int font_height = 0;       // -F; 0 keeps the built-in height
    int ideal_processor = -1;  // -G

    Report report = Report::None;
    int batch_level = -1;  // -X0 .. -X7; -1 none
    bool fast = false;     // suffix "f"
    bool no_dialog = false;  // suffix "n"
    int sim_plugin = 0;    // suffix "s1".."s3"; 0 the built-in cut
    std::vector<WorkOperation> operations;  // -XA, -XM, -XO, -XP, -XR, -XD, -XU in the given order

    bool minimised = false;  // -X6, -X7, -V6 and the workpiece operations
    bool help = false;       // --help
    bool version = false;    // --version

    std::vector<std::string> diagnostics;  // one line per problem, without the program name
};

// ---- Entries ----

// Splits one command-line string: blanks and tabs separate, double quotes group (and are removed).
std::vector<std::string> split_command_line(std::string_view line, std::vector<std::string>* diagnostics = nullptr);

CommandLine parse_command_line(std::string_view line, const CommandLineContext& ctx);
CommandLine parse_command_line(int argc, const char* const* argv, const CommandLineContext& ctx);  // skips argv[0]
CommandLine parse_arguments(const std::vector<std::string>& args, const CommandLineContext& ctx);

std::string usage_text();  // the --help text

// How a file argument is classified: by its extension (case-insensitive, ".DMF"); a workpiece
// file is a DMF, DMFZ or STL file or one of a workpiece-reader plug-in's extensions.
bool file_has_extension(std::string_view path, std::string_view ext);
bool is_workpiece_path(std::string_view path, const CommandLineContext& ctx);

// The save type a file name chosen in the save dialog asks for by its extension (no suffix:
// STL as text, VRML as faces); 0 for an extension the save does not know.
int save_type_for_file(std::string_view path, const CommandLineContext& ctx);

// ---- Feeding the settings ----

// The settings file to look for: the one named on the command line, else "vornex.ini".
std::string settings_file_name(const CommandLine& cl);

// The start-up context of the settings reader, with the keys the command line replaces marked.
SettingsContext settings_context(const CommandLine& cl, const std::string& current_dir, const std::string& program_dir,
                                 int processors);

// Puts the command line's values into the settings just read: definition files, box, basic
// model, pitch, start position, offset distance and difference paint choices.
void apply_command_line(const CommandLine& cl, const SettingsContext& ctx, Settings& settings);

}  // namespace vx::shell
