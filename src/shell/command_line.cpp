#include "shell/command_line.h"

#include "base/text.h"
#include "platform/files.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace vx::shell {
namespace {

// ---- Limits ----
constexpr int kMaxFontHeight = 1000;  // pixels; a larger value is a typing error, not a font
constexpr std::size_t kMaxDiagnostics = 100;  // a pasted binary gives one line per argument otherwise
constexpr std::size_t kMaxShownArgument = 120;  // bytes of an argument quoted in a diagnostic

// ---- Text helpers ----
char upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

std::string upper(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = upper(c);
    return out;
}

std::string_view trim_left(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    return s;
}

// An argument as a diagnostic quotes it: control bytes escaped so that a diagnostic stays one
// line in the terminal and the log, and long arguments shortened.
std::string printable(std::string_view s) {
    std::string out;
    for (std::size_t i = 0; i < s.size() && i < kMaxShownArgument; ++i) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (c < 0x20 || c == 0x7F) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        } else {
            out += static_cast<char>(c);
        }
    }
    if (s.size() > kMaxShownArgument) out += "...";
    return out;
}

// The extension of the last path component, with its dot; empty when there is none.
std::string_view extension_of(std::string_view path) {
    const auto dot = path.rfind('.');
    const auto slash = path.rfind('/');
    if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash)) return {};
    return path.substr(dot);
}

bool has_extension(std::string_view path, std::string_view ext) { return equals_nocase(extension_of(path), ext); }

std::string with_default_extension(std::string name, std::string_view ext) {
    if (!has_extension(name, ext)) name += ext;
    return name;
}

// A plug-in extension as given ("abc", ".ABC") matched against a path.
bool has_plugin_extension(std::string_view path, std::string_view ext) {
    if (!ext.empty() && ext.front() == '.') ext.remove_prefix(1);
    const std::string_view own = extension_of(path);
    return !ext.empty() && own.size() == ext.size() + 1 && equals_nocase(own.substr(1), ext);
}

bool is_workpiece_file(std::string_view path, const CommandLineContext& ctx) {
    if (has_extension(path, ".DMF") || has_extension(path, ".DMFZ") || has_extension(path, ".STL")) return true;
    return std::any_of(ctx.load_extensions.begin(), ctx.load_extensions.end(),
                       [&](const std::string& ext) { return has_plugin_extension(path, ext); });
}

// ---- Numbers ----

// "(a,b,...)" with exactly `count` numbers and nothing after the closing parenthesis.
std::optional<std::vector<double>> read_list(std::string_view s, std::size_t count) {
    s = trim(s);
    if (s.size() < 2 || s.front() != '(' || s.back() != ')') return std::nullopt;
    s = s.substr(1, s.size() - 2);
    std::vector<double> out;
    for (;;) {
        std::size_t used = 0;
        const double v = read_number(s, &used);
        if (used == 0 || !std::isfinite(v) || out.size() == count) return std::nullopt;
        out.push_back(v);
        s = trim_left(s.substr(used));
        if (s.empty()) break;
        if (s.front() != ',') return std::nullopt;
        s.remove_prefix(1);
    }
    if (out.size() != count) return std::nullopt;
    return out;
}

std::optional<int> read_whole(std::string_view s) {
    s = trim(s);
    if (!s.empty() && s.front() == '+') s.remove_prefix(1);
    int v = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (s.empty() || ec != std::errc() || end != s.data() + s.size()) return std::nullopt;
    return v;
}

bool is_int(double v) { return v == std::floor(v) && std::fabs(v) <= 2147483647.0; }

// ---- Parse state ----
struct Parse {
    const std::vector<std::string>& args;
    std::size_t next = 0;
    const CommandLineContext& ctx;
    CommandLine& cl;
};

void problem(Parse& p, std::string_view arg, std::string_view what) {
    if (p.cl.diagnostics.size() < kMaxDiagnostics)
        p.cl.diagnostics.push_back("\"" + printable(arg) + "\": " + std::string(what));
    else if (p.cl.diagnostics.size() == kMaxDiagnostics)
        p.cl.diagnostics.push_back("further problems not listed");
}

bool is_switch(std::string_view arg) { return arg.size() >= 2 && arg.front() == '-'; }

// The next argument when it can be a switch's separate value (it is not a switch), consumed.
std::optional<std::string> take_next(Parse& p) {
    if (p.next >= p.args.size() || is_switch(p.args[p.next]) || p.args[p.next].empty()) return std::nullopt;
    return p.args[p.next++];
}

// A switch's file name: written against the switch, or as the next argument. Backslashes of
// Windows-made command lines read as "/".
std::string file_value(Parse& p, std::string_view arg, std::string_view attached) {
    if (!attached.empty()) return platform::slashes(attached);
    if (auto next = take_next(p)) return platform::slashes(*next);
    problem(p, arg, "a file name must follow this switch");
    return {};
}

// A parenthesised value: written against the switch, or as the next argument when that begins
// with "(". Empty when there is none.
std::string list_value(Parse& p, std::string_view attached) {
    if (!attached.empty()) return std::string(attached);
    if (p.next < p.args.size() && !p.args[p.next].empty() && p.args[p.next].front() == '(') return p.args[p.next++];
    return {};
}

// The first one named counts for each kind of definition file.
void set_first(Parse& p, std::string_view arg, std::string& slot, std::string value, std::string_view kind) {
    if (value.empty()) return;
    if (!slot.empty()) {
        problem(p, arg, "ignored: the " + std::string(kind) + " is already \"" + printable(slot) + "\"");
        return;
    }
    slot = std::move(value);
}

void set_workpiece(Parse& p, std::string_view arg, WorkpieceFile work) {
    if (work.path.empty()) return;
    if (p.cl.workpiece) problem(p, arg, "replaces the workpiece file \"" + printable(p.cl.workpiece->path) + "\"");
    p.cl.workpiece = std::move(work);
}

// ---- Bare arguments ----

void read_nc_file(Parse& p, const std::string& arg) {
    const std::string name = platform::slashes(arg);
    const auto found = platform::find_file(platform::absolute(name, p.ctx.current_dir));
    if (!found) {
        problem(p, arg, "ignored: no such NC file");
        p.cl.missing_nc_files.push_back(name);
        return;
    }
    if (!p.cl.nc_file.empty()) problem(p, arg, "replaces the NC file \"" + printable(p.cl.nc_file) + "\"");
    p.cl.nc_file = *found;
}

void read_bare(Parse& p, const std::string& arg) {
    const std::string name = platform::slashes(arg);
    CommandLine& cl = p.cl;
    if (has_extension(name, ".INI")) set_first(p, arg, cl.settings_file, name, "settings file");
    else if (has_extension(name, ".CTC")) set_first(p, arg, cl.colour_table, name, "colour table");
    else if (has_extension(name, ".TTL")) set_first(p, arg, cl.tool_file, name, "tool settings file");
    else if (has_extension(name, ".CTL")) set_first(p, arg, cl.controller_file, name, "controller definition");
    else if (has_extension(name, ".MTL")) set_first(p, arg, cl.machine_file, name, "machine definition");
    else if (is_workpiece_file(name, p.ctx)) set_workpiece(p, arg, WorkpieceFile{.path = name});
    // A Windows shortcut is a binary shell-link record whose target is a Windows path; there is
    // nothing on Linux that can follow it, and guessing a target would pick the wrong file.
    else if (has_extension(name, ".LNK")) problem(p, arg, "ignored: Windows shortcuts cannot be followed; name the target file");
    else read_nc_file(p, arg);
}

// ---- Files: -C, -M, -T, -I, -IC, -K, -O ----

void read_tool_switch(Parse& p, std::string_view arg, std::string_view rest) {
    std::string value = file_value(p, arg, rest);
    const auto comma = value.rfind(',');
    // "file,number" picks the initial tool; a comma followed by a path is part of the name.
    if (comma != std::string::npos && value.find_first_of("./", comma) == std::string::npos) {
        const auto number = read_whole(std::string_view(value).substr(comma + 1));
        if (number && *number >= 0) p.cl.initial_tool = *number;
        else problem(p, arg, "the initial tool after the comma must be a whole number of 0 or more");
        value.resize(comma);
    }
    if (value.empty()) return;
    set_first(p, arg, p.cl.tool_file, with_default_extension(value, ".TTL"), "tool settings file");
}

// The save type that the name's extension and the suffix after its comma choose; 0 when the
// extension is not one the save knows. `suffix_used` tells whether the suffix applied.
int save_type_of(std::string_view path, std::string_view suffix, const CommandLineContext& ctx, bool& suffix_used) {
    const auto with_suffix = [&](std::string_view wanted, int type, int otherwise) {
        suffix_used = equals_nocase(suffix, wanted);
        return suffix_used ? type : otherwise;
    };
    suffix_used = false;
    if (has_extension(path, ".DMF") || has_extension(path, ".DMFZ")) return kSaveDmf;
    if (has_extension(path, ".STL"))
        return equals_nocase(suffix, "b2") ? with_suffix("b2", kSaveStlBig, 0) : with_suffix("b", kSaveStlLittle, kSaveStlText);
    if (has_extension(path, ".WRL")) return with_suffix("z", kSaveVrmlGrid, kSaveVrmlFaces);
    for (std::size_t slot = 0; slot < ctx.save_extensions.size(); ++slot)
        if (has_plugin_extension(path, ctx.save_extensions[slot])) return kSavePlugin + static_cast<int>(slot);
    return 0;
}

void read_output_switch(Parse& p, std::string_view arg, std::string_view rest) {
    std::string value = file_value(p, arg, rest);
    if (value.empty()) return;
    std::string suffix;
    const auto comma = value.rfind(',');
    if (comma != std::string::npos && value.find_first_of("./", comma) == std::string::npos) {
        suffix = value.substr(comma + 1);
        value.resize(comma);
    }
    bool suffix_used = false;
    int type = save_type_of(value, suffix, p.ctx, suffix_used);
    if (type == 0) {
        value += ".DMF";
        type = kSaveDmf;
    }
    if (!suffix.empty() && !suffix_used)
        problem(p, arg, "ignored the suffix \"," + printable(suffix) + "\": only .STL takes ,b or ,b2 and .WRL takes ,z");
    if (p.cl.output) problem(p, arg, "replaces the output file \"" + printable(p.cl.output->path) + "\"");
    p.cl.output = OutputFile{value, type};
}

// -I file and -IC file: "-IC" names the colour table, the name standing apart or attached
// ("-ICfile"); only a name ending in ".INI" after -I is a settings file that begins with C
// ("-ICustom.ini").
void read_i_switch(Parse& p, std::string_view arg, std::string_view rest) {
    const bool colour_table = !rest.empty() && upper(rest[0]) == 'C' && !has_extension(rest, ".INI");
    if (colour_table) {
        const std::string name = file_value(p, arg, rest.substr(1));
        if (!name.empty()) set_first(p, arg, p.cl.colour_table, with_default_extension(name, ".CTC"), "colour table");
        return;
    }
    const std::string name = file_value(p, arg, rest);
    if (!name.empty()) set_first(p, arg, p.cl.settings_file, with_default_extension(name, ".INI"), "settings file");
}

// ---- Workpiece: -D file, -D(box), -DP, -DX/-DY/-DZ ----

void read_box(Parse& p, std::string_view arg, std::string_view list) {
    const auto n = read_list(list, 6);
    if (!n) {
        problem(p, arg, "a box needs six numbers: -D(x,y,z,x,y,z)");
        return;
    }
    // The command line gives the triples the other way round from INITIAL SIZE.
    InitialBox box;
    box.second = {(*n)[0], (*n)[1], (*n)[2]};
    box.first = {(*n)[3], (*n)[4], (*n)[5]};
    p.cl.box = box;
}

// The keep flags, when given, are three 0/1 values: paint, pen colour, cutting direction.
void read_press(Parse& p, std::string_view arg, char axis, std::string_view attached) {
    WorkpieceFile work;
    work.load = WorkLoad::Press;
    work.axis = axis;
    work.from_switch = true;
    const std::string list = list_value(p, attached);
    if (!list.empty()) {
        const auto n = read_list(list, 3);
        const auto flag = [](double v) { return v == 0.0 || v == 1.0; };
        if (n && std::all_of(n->begin(), n->end(), flag)) {
            work.keep_given = true;
            for (int k = 0; k < 3; ++k) work.keep[k] = (*n)[k] != 0.0;
        } else {
            problem(p, arg, "a press takes (paint,pen,direction): 1 keeps that colour, 0 drops it");
        }
    }
    work.path = file_value(p, arg, {});
    set_workpiece(p, arg, std::move(work));
}

void read_swing(Parse& p, std::string_view arg, char axis, std::string_view attached) {
    WorkpieceFile work;
    work.load = WorkLoad::Swing;
    work.axis = axis;
    work.from_switch = true;
    const std::string list = list_value(p, attached);
    if (!list.empty()) {
        if (const auto n = read_list(list, 3)) {
            work.swing_given = true;
            work.a = (*n)[0], work.b = (*n)[1], work.angle = (*n)[2];
        } else {
            problem(p, arg, "a swing takes (a,b,angle): two axis coordinates and an angle in degrees");
        }
    }
    work.path = file_value(p, arg, {});
    set_workpiece(p, arg, std::move(work));
}

// The longest switch wins: "-DPX" and "-DX" (alone or with "(") are the load variants, every
// other text after -D is a file name, so "-Dpart.dmf" and "-Dx.stl" are plain files.
void read_d_switch(Parse& p, std::string_view arg, std::string_view rest) {
    const std::string up = upper(rest);
    if (!rest.empty() && rest.front() == '(') return read_box(p, arg, rest);
    if (rest.empty() && p.next < p.args.size() && !p.args[p.next].empty() && p.args[p.next].front() == '(')
        return read_box(p, arg, p.args[p.next++]);
    if (up.size() >= 2 && up[0] == 'P' && (up[1] == 'X' || up[1] == 'Y' || up[1] == 'Z') && (up.size() == 2 || up[2] == '('))
        return read_press(p, arg, up[1], rest.substr(2));
    if (up == "P") return problem(p, arg, "-DP needs the direction X, Y or Z");
    if (!up.empty() && (up[0] == 'X' || up[0] == 'Y' || up[0] == 'Z') && (up.size() == 1 || up[1] == '('))
        return read_swing(p, arg, up[0], rest.substr(1));
    set_workpiece(p, arg, WorkpieceFile{.path = file_value(p, arg, rest), .from_switch = true});
}

// ---- Placement and numbers: -(, -P, -S, -F, -G ----

void read_placement(Parse& p, std::string_view arg, std::string_view list) {
    const auto n = read_list(list, 4);
    if (!n || !std::all_of(n->begin(), n->end(), is_int)) {
        problem(p, arg, "a window placement needs four whole numbers: -(x,y,width,height)");
        return;
    }
    p.cl.placement = Placement{int((*n)[0]), int((*n)[1]), int((*n)[2]), int((*n)[3])};
}

void read_pitch(Parse& p, std::string_view arg, std::string_view list) {
    const auto n = read_list(list_value(p, list), 1);
    if (!n || !((*n)[0] > 0)) return problem(p, arg, "the pitch needs one number above 0: -P(pitch)");
    p.cl.pitch = (*n)[0];
}

void read_start(Parse& p, std::string_view arg, std::string_view list) {
    const auto n = read_list(list_value(p, list), 2);
    if (!n) return problem(p, arg, "the start position needs two numbers: -S(x,y)");
    p.cl.start_position = StartPosition{(*n)[0], (*n)[1]};
}

void read_font(Parse& p, std::string_view arg, std::string_view rest) {
    const auto n = read_whole(rest);
    if (!n || *n < 1 || *n > kMaxFontHeight) return problem(p, arg, "the font height must be a whole number of pixels, 1 to 1000");
    p.cl.font_height = *n;
}

void read_processor(Parse& p, std::string_view arg, std::string_view rest) {
    const auto n = read_whole(rest);
    if (!n || *n < 0) return problem(p, arg, "the processor must be a whole number of 0 or more");
    p.cl.ideal_processor = *n;
}

void read_report(Parse& p, std::string_view arg, std::string_view rest) {
    const std::string up = upper(rest);
    if (up.empty()) p.cl.report = Report::V;
    else if (up == "5") p.cl.report = Report::V5;
    else if (up == "6") p.cl.report = Report::V6;
    else if (up == "A") p.cl.report = Report::VA;
    else problem(p, arg, "unknown report switch: use -V, -V5, -V6 or -VA");
}

// ---- Batch level: -X0 .. -X7 ----

void read_level(Parse& p, std::string_view arg, std::string_view rest) {
    const int level = rest[0] - '0';
    if (level > 7) return problem(p, arg, "the batch level must be 0 to 7");
    CommandLine& cl = p.cl;
    cl.batch_level = level;
    cl.fast = cl.no_dialog = false;
    cl.sim_plugin = 0;
    const std::string suffix = upper(rest.substr(1));
    if (suffix == "F") cl.fast = true;
    else if (suffix == "N") cl.no_dialog = true;
    else if (suffix == "FN" || suffix == "NF") cl.fast = cl.no_dialog = true;
    else if (suffix.size() == 2 && suffix[0] == 'S' && suffix[1] >= '1' && suffix[1] <= '3') cl.sim_plugin = suffix[1] - '0';
    else if (!suffix.empty()) problem(p, arg, "ignored the unknown suffix: use f, n, fn, s1, s2 or s3");
    // Only the levels that cut and show the result have a simulation module's run in their place.
    if (cl.sim_plugin > 0 && (level < 4 || level > 6)) {
        cl.sim_plugin = 0;
        problem(p, arg, "ignored the suffix s1..s3: a simulation plug-in runs at batch levels 4 to 6 only");
    }
}

// ---- Workpiece operations: -XA, -XM, -XO, -XP, -XR, -XD, -XU ----
// The letters after each switch: see usage_text().

void add_operation(Parse& p, std::string_view arg, WorkOperationKind kind, int command, int value) {
    WorkOperation op;
    op.kind = kind;
    op.command = command;
    op.value = value;
    op.text = std::string(arg);
    p.cl.operations.push_back(std::move(op));
}

// -XAH file, -XAL file: merge the model file, higher (1) or lower (-1) wins.
void read_merge(Parse& p, std::string_view arg, std::string_view rest) {
    const char c = rest.empty() ? 0 : upper(rest[0]);
    if (c != 'H' && c != 'L') return problem(p, arg, "a merge needs H (higher wins) or L (lower wins), then the model file");
    const std::string file = file_value(p, arg, rest.substr(1));
    if (file.empty()) return;
    add_operation(p, arg, WorkOperationKind::Merge, cmd::kMerge, c == 'H' ? 1 : -1);
    p.cl.operations.back().file = file;
}

// -XMS(x,y,z) shifts by the amounts (1); -XMO(x,y,z) puts the minimum corner there (2).
void read_move(Parse& p, std::string_view arg, std::string_view rest) {
    const char c = rest.empty() ? 0 : upper(rest[0]);
    const auto n = c == 'S' || c == 'O' ? read_list(list_value(p, rest.substr(1)), 3) : std::nullopt;
    if (!n) return problem(p, arg, "a move needs S (shift) or O (minimum position) and (x,y,z)");
    add_operation(p, arg, WorkOperationKind::Move, cmd::kMove, c == 'S' ? 1 : 2);
    p.cl.operations.back().numbers = *n;
}

// -XO<N|Z|H>[P|PO][(distance)]: direction normal 1, Z axis 2, horizontal 3; "P" only the painted
// part (+10), "PO" the painted part also affecting outside its boundary (+20). Only the values
// 1 to 3, 11, 12 and 21 to 23 exist.
void read_offset(Parse& p, std::string_view arg, std::string_view rest) {
    const auto paren = rest.find('(');
    const std::string letters = upper(rest.substr(0, paren));
    const std::string_view list = paren == std::string_view::npos ? std::string_view{} : rest.substr(paren);
    const int direction = letters.empty() ? 0 : letters[0] == 'N' ? 1 : letters[0] == 'Z' ? 2 : letters[0] == 'H' ? 3 : 0;
    const std::string flags = letters.empty() ? "" : letters.substr(1);
    const int extra = flags.empty() ? 0 : flags == "P" ? 10 : flags == "PO" ? 20 : -1;
    if (direction == 0 || extra < 0)
        return problem(p, arg, "an offset needs N (normal), Z or H (horizontal), optionally P or PO, and (distance)");
    if (direction + extra == 13) return problem(p, arg, "a horizontal offset of the painted part is given as HPO");
    const std::string distance = list_value(p, list);
    std::optional<std::vector<double>> n;
    if (!distance.empty() && !(n = read_list(distance, 1))) return problem(p, arg, "the offset distance needs one number: (distance)");
    add_operation(p, arg, WorkOperationKind::Offset, cmd::kOffset, direction + extra);
    if (n) p.cl.operations.back().numbers = *n;
}

// -XP1..-XP7 strip that pen, -XPA every pen (8), -XPP paint all, -XPC strip the paint.
void read_pen(Parse& p, std::string_view arg, std::string_view rest) {
    const char c = rest.size() == 1 ? upper(rest[0]) : 0;
    if (c >= '1' && c <= '7') add_operation(p, arg, WorkOperationKind::PenStrip, cmd::kPenStrip, c - '0');
    else if (c == 'A') add_operation(p, arg, WorkOperationKind::PenStrip, cmd::kPenStrip, 8);
    else if (c == 'P') add_operation(p, arg, WorkOperationKind::PaintAll, cmd::kPaintAll, 0);
    else if (c == 'C') add_operation(p, arg, WorkOperationKind::StripPaint, cmd::kStripPaint, 0);
    else problem(p, arg, "use -XP1 .. -XP7, -XPA, -XPP or -XPC");
}

void read_rotate(Parse& p, std::string_view arg, std::string_view rest) {
    const char c = rest.size() == 1 ? rest[0] : 0;
    if (c < '1' || c > '5') return problem(p, arg, "use -XR1 .. -XR5 (90, 180, -90 degrees, X mirror, Y mirror)");
    add_operation(p, arg, WorkOperationKind::RotateMirror, cmd::kRotateMirror, c - '0');
}

// -XD[P|M][(margin)]: paint where the workpiece is above (P, 1, the default) or below (M, -1)
// the basic model by more than the margin.
void read_difference(Parse& p, std::string_view arg, std::string_view rest) {
    const auto paren = rest.find('(');
    const std::string letters = upper(rest.substr(0, paren));
    if (letters != "" && letters != "P" && letters != "M")
        return problem(p, arg, "a difference paint takes P (plus) or M (minus) and optionally (margin)");
    const std::string margin = list_value(p, paren == std::string_view::npos ? std::string_view{} : rest.substr(paren));
    std::optional<std::vector<double>> n;
    if (!margin.empty() && (!(n = read_list(margin, 1)) || (*n)[0] < 0))
        return problem(p, arg, "the difference margin needs one number of 0 or more: (margin)");
    add_operation(p, arg, WorkOperationKind::Difference, cmd::kDifferencePaint, letters == "M" ? -1 : 1);
    if (n) p.cl.operations.back().numbers = *n;
}

void read_plugin_operation(Parse& p, std::string_view arg, std::string_view rest) {
    const char c = rest.size() == 1 ? rest[0] : 0;
    if (c < '1' || c > '3') return problem(p, arg, "use -XU1 .. -XU3 for the workpiece plug-in operations");
    add_operation(p, arg, WorkOperationKind::Plugin, cmd::kPluginOperation + (c - '0'), 0);
}

void read_x_switch(Parse& p, std::string_view arg, std::string_view rest) {
    if (rest.empty()) return problem(p, arg, "-X needs a batch level 0 to 7 or a workpiece operation");
    const std::string_view more = rest.substr(1);
    switch (upper(rest[0])) {
    case 'A': return read_merge(p, arg, more);
    case 'M': return read_move(p, arg, more);
    case 'O': return read_offset(p, arg, more);
    case 'P': return read_pen(p, arg, more);
    case 'R': return read_rotate(p, arg, more);
    case 'D': return read_difference(p, arg, more);
    case 'U': return read_plugin_operation(p, arg, more);
    default: break;
    }
    if (rest[0] >= '0' && rest[0] <= '9') return read_level(p, arg, rest);
    problem(p, arg, "unknown -X switch");
}

// ---- Switch dispatch ----

// --image FILE.png[,WIDTHxHEIGHT] (also --image=...): sizes from 16 to 16384 pixels a side.
void read_image(Parse& p, const std::string& arg, std::string_view attached) {
    std::string value = file_value(p, arg, attached);
    if (value.empty()) return;
    ImageOutput image;
    if (const std::size_t comma = value.rfind(','); comma != std::string::npos) {
        const std::string size = value.substr(comma + 1);
        int w = 0, h = 0;
        char x = 0, extra = 0;
        if (std::sscanf(size.c_str(), "%d%c%d%c", &w, &x, &h, &extra) != 3 || (x != 'x' && x != 'X') || w < 16 ||
            h < 16 || w > 16384 || h > 16384)
            return problem(p, arg, "the image size must be WIDTHxHEIGHT, 16 to 16384 pixels a side");
        image.width = w, image.height = h;
        value.resize(comma);
    }
    image.path = value;
    p.cl.image = image;
}

void read_switch(Parse& p, const std::string& arg) {
    if (equals_nocase(arg, "--help")) return void(p.cl.help = true);
    if (equals_nocase(arg, "--version")) return void(p.cl.version = true);
    if (equals_nocase(arg, "--image")) return read_image(p, arg, {});
    if (equals_nocase(arg, "--json")) return void(p.cl.json_file = file_value(p, arg, {}));
    if (arg.size() > 7 && equals_nocase(std::string_view(arg).substr(0, 7), "--json="))
        return void(p.cl.json_file = file_value(p, arg, std::string_view(arg).substr(7)));
    if (equals_nocase(arg, "--fail-on-findings")) return void(p.cl.fail_on_findings = true);
    if (arg.size() > 8 && equals_nocase(std::string_view(arg).substr(0, 8), "--image=")) return read_image(p, arg, std::string_view(arg).substr(8));
    const std::string_view body = std::string_view(arg).substr(1);
    const std::string_view rest = body.substr(1);
    CommandLine& cl = p.cl;
    switch (upper(body[0])) {
    case '(': return read_placement(p, arg, body);
    case 'C': {
        const std::string name = file_value(p, arg, rest);
        if (!name.empty()) set_first(p, arg, cl.controller_file, with_default_extension(name, ".CTL"), "controller definition");
        return;
    }
    case 'M': {
        const std::string name = file_value(p, arg, rest);
        if (!name.empty()) set_first(p, arg, cl.machine_file, with_default_extension(name, ".MTL"), "machine definition");
        return;
    }
    case 'T': return read_tool_switch(p, arg, rest);
    case 'I': return read_i_switch(p, arg, rest);
    case 'D': return read_d_switch(p, arg, rest);
    case 'K': {
        const std::string name = file_value(p, arg, rest);
        if (!name.empty()) cl.basic_model = name;
        return;
    }
    case 'O': return read_output_switch(p, arg, rest);
    case 'P': return read_pitch(p, arg, rest);
    case 'S': return read_start(p, arg, rest);
    case 'F': return read_font(p, arg, rest);
    case 'G': return read_processor(p, arg, rest);
    case 'V': return read_report(p, arg, rest);
    case 'X': return read_x_switch(p, arg, rest);
    default: problem(p, arg, "unknown switch (see --help)");
    }
}

}  // namespace

bool file_has_extension(std::string_view path, std::string_view ext) { return has_extension(path, ext); }
bool is_workpiece_path(std::string_view path, const CommandLineContext& ctx) { return is_workpiece_file(path, ctx); }

int save_type_for_file(std::string_view path, const CommandLineContext& ctx) {
    bool suffix_used = false;
    return save_type_of(path, {}, ctx, suffix_used);
}

// ---- Entries ----

std::vector<std::string> split_command_line(std::string_view line, std::vector<std::string>* diagnostics) {
    bool unclosed = false;
    std::vector<std::string> args = split_quoted_words(line, &unclosed);
    if (unclosed && diagnostics) diagnostics->push_back("a double quote is not closed; the last argument runs to the end");
    return args;
}

CommandLine parse_arguments(const std::vector<std::string>& args, const CommandLineContext& ctx) {
    CommandLine cl;
    Parse p{args, 0, ctx, cl};
    while (p.next < args.size()) {
        const std::string& arg = args[p.next++];
        if (arg.empty()) continue;
        if (is_switch(arg)) read_switch(p, arg);
        else if (arg == "-") problem(p, arg, "unknown switch (see --help)");
        else read_bare(p, arg);
    }
    cl.minimised = cl.batch_level >= 6 || cl.report == Report::V6 || !cl.operations.empty();
    return cl;
}

CommandLine parse_command_line(std::string_view line, const CommandLineContext& ctx) {
    std::vector<std::string> split_problems;
    const std::vector<std::string> args = split_command_line(line, &split_problems);
    CommandLine cl = parse_arguments(args, ctx);
    cl.diagnostics.insert(cl.diagnostics.begin(), split_problems.begin(), split_problems.end());
    return cl;
}

CommandLine parse_command_line(int argc, const char* const* argv, const CommandLineContext& ctx) {
    std::vector<std::string> args;
    for (int i = 1; i < argc && argv; ++i)
        if (argv[i]) args.emplace_back(argv[i]);
    return parse_arguments(args, ctx);
}

std::string usage_text() {
    return "usage: vornex [switches] [files]\n"
           "Files are recognised by their extension (any case): .INI settings, .CTC colour table,\n"
           ".TTL tools, .CTL controller, .MTL machine (the first of each counts), .DMF/.DMFZ/.STL\n"
           "or a loader plug-in's suffix workpiece; any other existing file is the NC program.\n"
           "Switches (any case):\n"
           "  -(x,y,w,h)           window placement for this start\n"
           "  -Cfile               controller definition (.CTL added when missing)\n"
           "  -Mfile               machine definition (.MTL added when missing)\n"
           "  -Tfile[,n]           tool settings (.TTL added when missing), n the initial tool\n"
           "  -Ifile               settings file (.INI added when missing)\n"
           "  -IC file, -ICfile    colour table (.CTC added when missing)\n"
           "  -Dfile               workpiece file to load\n"
           "  -D(x,y,z,x,y,z)      box workpiece: second corner triple first\n"
           "  -DPX|-DPY|-DPZ [(paint,pen,direction)] file  load the workpiece reversed (pressed)\n"
           "                       in X, Y or Z, keeping the colours flagged 1 (default none)\n"
           "  -DX|-DY|-DZ [(a,b,angle)] file  load the workpiece swung about X, Y or Z\n"
           "  -Kfile               basic model for the difference display\n"
           "  -Ofile[,b|,b2|,z]    workpiece written after the batch: .DMF (added when no known\n"
           "                       extension), .DMFZ, .STL text, .STL,b / ,b2 binary little/big\n"
           "                       endian, .WRL faces, .WRL,z elevation grid, or a saver\n"
           "                       plug-in's suffix\n"
           "  -P(pitch)            workpiece pitch\n"
           "  -S(x,y)              initial tool position\n"
           "  -Fn                  user-interface font height in pixels\n"
           "  -Gn                  processor to run the main thread on\n"
           "  -V                   verification report after the NC file is selected\n"
           "  -V5                  the report without dialog; quit when no run follows\n"
           "  -V6                  as -V5, started minimised\n"
           "  -VA                  the report after the run\n"
           "  -X0 .. -X7[f|n|fn|s1|s2|s3]  batch level: 2 real cut, 3 skip cut, 4 cut and show,\n"
           "                       5 as 4 with the log then quit, 6 as 5 minimised, 7 optimise;\n"
           "                       f fast run, n no dialogs, s1..s3 (levels 4 to 6) cut by\n"
           "                       the simulation plug-in libvxsim.so, libvxsim1.so, ... instead\n"
           "  -XAH file|-XAL file  merge the model file, higher or lower wins (needs -D, -O)\n"
           "  -XMS(x,y,z)|-XMO(x,y,z)  move by the amounts or to the minimum position\n"
           "  -XO<N|Z|H>[P|PO][(d)]  offset along the normal, Z or horizontally; P the painted\n"
           "                       part only, PO also outside it; d the distance\n"
           "  -XP1..-XP7|-XPA      strip that pen colour, or all of them\n"
           "  -XPP|-XPC            paint the whole workpiece, strip the paint\n"
           "  -XR1..-XR5           rotate 90, 180, -90 degrees, mirror in X, in Y\n"
           "  -XD[P|M][(margin)]   paint the difference to the basic model, plus or minus side\n"
           "  -XU1..-XU3           the modifier plug-in 1 to 3 (libvxmod.so, libvxmod1.so, ...)\n"
           "  --image FILE.png[,WxH]  the result view as a PNG at the end of a batch\n"
           "                       (default 1280x960)\n"
           "  --json FILE          the run summary as one JSON document (see README.md)\n"
           "  --fail-on-findings   exit code 3 when the run found an alarm, an interference,\n"
           "                       an overload or an offset alarm\n"
           "  --help               this text\n"
           "  --version            the version\n";
}

// ---- Feeding the settings ----

std::string settings_file_name(const CommandLine& cl) {
    return cl.settings_file.empty() ? std::string("vornex.ini") : cl.settings_file;
}

namespace {
const WorkOperation* find_operation(const CommandLine& cl, WorkOperationKind kind) {
    for (const WorkOperation& op : cl.operations)
        if (op.kind == kind) return &op;
    return nullptr;
}
}  // namespace

SettingsContext settings_context(const CommandLine& cl, const std::string& current_dir, const std::string& program_dir,
                                 int processors) {
    SettingsContext ctx;
    ctx.current_dir = current_dir;
    ctx.program_dir = program_dir;
    ctx.processors = processors;
    ctx.placement_given = cl.placement.has_value();
    ctx.box_given = cl.box.has_value();
    ctx.control_point_given = cl.start_position.has_value();
    // An offset without a distance takes OFFSET VALUE from the settings.
    const WorkOperation* offset = find_operation(cl, WorkOperationKind::Offset);
    ctx.offset_given = offset && !offset->numbers.empty();
    ctx.difference_paint_given = find_operation(cl, WorkOperationKind::Difference) != nullptr;
    ctx.minimised = cl.minimised;
    ctx.colour_table = cl.colour_table;
    return ctx;
}

void apply_command_line(const CommandLine& cl, const SettingsContext& ctx, Settings& s) {
    const auto table = [&ctx](const std::string& name, const std::string& dir, std::string& slot) {
        if (!name.empty()) slot = resolve_definition_file(name, dir, ctx);
    };
    table(cl.tool_file, s.table.ttl_dir, s.table.tool_table);
    table(cl.controller_file, s.table.ctl_dir, s.table.controller_table);
    table(cl.machine_file, s.table.mtl_dir, s.table.machine_table);
    table(cl.basic_model, s.dmf.dmf_dir, s.dmf.basic_model);
    if (cl.box) s.dmf.initial_size = *cl.box;
    if (cl.start_position) {
        s.define.control_point.x = cl.start_position->x;
        s.define.control_point.y = cl.start_position->y;
    }
    if (cl.pitch) {
        s.define.work_pitch.automatic = false;
        s.define.work_pitch.pitch = *cl.pitch;
    }
    if (const WorkOperation* offset = find_operation(cl, WorkOperationKind::Offset); offset && !offset->numbers.empty())
        s.define.offset_value = offset->numbers[0];
    if (const WorkOperation* diff = find_operation(cl, WorkOperationKind::Difference)) {
        s.define.difference_minus = diff->value < 0;
        if (!diff->numbers.empty()) s.define.difference_margin = diff->numbers[0];
    }
}

}  // namespace vx::shell
