// The commands of the program by their numbers in the menu, and the command table: for every
// command its owner, when it is enabled, what its check mark shows, whether a running run locks
// it, and its built-in (Japanese) caption. The table is data; dispatch.h runs it, the window
// builds its menus from it.
#pragma once

#include <span>
#include <string_view>

namespace vx::shell {

struct App;

namespace cmd {

constexpr int kSelectNc = 32771;
constexpr int kSelectAndDefine = 32772;
constexpr int kReport = 32773;  // parameter 1: without dialog
constexpr int kEditor = 32813;
constexpr int kExit = 105;
constexpr int kRealCut = 32774;         // run mode 1
constexpr int kSkipCut = 32775;         // run mode 2
constexpr int kCutAndShow = 32776;      // run mode 3 (F5)
constexpr int kToolTipPath = 32777;     // run mode 4 (F6)
constexpr int kCommandPath = 32778;     // run mode 5
constexpr int kOptimise = 32831;        // run mode 3 with the optimised NC output
constexpr int kFastSkipCut = 32881;     // fast run, mode 2
constexpr int kFastCutAndShow = 32882;  // fast run, mode 3 (F7)
constexpr int kModeBase = 32773;        // mode + base: the command of a normal run
constexpr int kFastModeBase = 32879;    // mode + base: the command of a fast run
constexpr int kStopModeFirst = 32853;   // 32853..32857: stop mode = command - 32853
constexpr int kStopModeLast = 32857;
// The NC-reader entries sit at 32921.. so that the modifiers keep 32911.. (their batch form
// sends 32910 + n).
constexpr int kNcReaderPlugin = 32921;  // + slot 0..2
constexpr int kSimPlugin = 32941;       // + slot 0..2
constexpr int kModPlugin = 32911;       // + slot 0..2
constexpr int kDisableNcCom = 32931;    // the vxnccom module's hooks off and on again
constexpr int kLoadWork = 32784;
constexpr int kLoadPress = 32785;
constexpr int kLoadSwing = 32850;
constexpr int kSaveWork = 32786;  // parameter: the save type
constexpr int kMerge = 32895;
constexpr int kMove = 32827;
constexpr int kOffset = 32788;
constexpr int kPenStrip = 32820;
constexpr int kPaintAll = 32789;
constexpr int kStripPaint = 32790;
constexpr int kRotateMirror = 32826;
constexpr int kDifferencePaint = 32893;
constexpr int kPluginOperation = 32910;  // + 1..3: the modifier of slot n - 1
constexpr int kSound = 32794;
constexpr int kRunPaths = 32796;
constexpr int kResultPaths = 32798;
constexpr int kConstructionPoints = 32800;
constexpr int kBoundaryBox = 32840;
constexpr int kAxes = 32828;
constexpr int kToolDrawing = 32883;
constexpr int kProgressWindow = 32829;
constexpr int kMesh = 32872;
constexpr int kColourByPen = 32843;
constexpr int kColourByDirection = 32844;
constexpr int kSaveLevelFirst = 32864;  // 32864..32866: save level = command - 32863
constexpr int kDataLevelFirst = 32867;  // 32867..32870: data-holding level = command - 32866
constexpr int kViewMenuFirst = 248;     // 248..261: the right-button view menu's mouse modes
constexpr int kViewMenuLast = 261;
constexpr int kMouseRotate = 248;       // the view modes
constexpr int kMouseZoom = 249;
constexpr int kMousePan = 250;
constexpr int kMouseLight = 251;        // the light direction
constexpr int kMouseMeasure = 252;      // the measuring cursor: a click picks a cell
constexpr int kMouseZoomBox = 253;      // a drag draws the zoom box
constexpr int kMouseWelding = 254;      // the hand tools: a drag works the workpiece
constexpr int kMouseGrinder = 255;
constexpr int kMousePaper = 256;
constexpr int kMouseBrush = 257;        // the last mode in use; 258..261 have no use yet

}  // namespace cmd

// The subsystem whose work a command does.
enum class Owner { Shell, Nc, Sim, Work, View, Output, Integration };

// When a command may be given.
enum class Enable {
    Always,
    Never,                 // a place kept in the menus without a use yet
    NcSelected,            // an NC program is selected
    NcSelectedPlain,       // ... and it is a plain NC file (not read by a plug-in)
    Workpiece,             // a workpiece exists
    WorkpiecePenColour,    // ... and the view colours by pen
    WorkpieceWithBackup,   // ... and the data-holding level keeps the backup
    WorkpieceBasicModel,   // ... and a basic model is loaded
    NoWorkpiece,           // no workpiece exists yet (the data-holding levels)
    NotMesh,               // the colour modes: not in mesh display
    NcReaderPlugin,        // the reader plug-in of the command's slot is loaded
    SimPlugin,             // an NC program is selected and the simulation plug-in is loaded
    ModPlugin,             // a workpiece exists and the modifier plug-in of the slot is loaded
    NcComPlugin,           // the NC-comment plug-in is loaded
};

// What a command's check mark shows; a radio group is checked where its value is the command's.
enum class Check {
    None,
    Sound, RunPaths, ResultPaths, ConstructionPoints, BoundaryBox, Axes, ToolDrawing, ToolDialog,
    CommandMenu, ProgressWindow, PrecisionOptimisation, Mesh, ColourByPen, ColourByDirection,
    DifferenceTemporary, DifferenceAlways, MouseMode, NcComDisabled,
    StopMode, RapidCheck, ArborCheck, LengthCheck, ChipCheck, SaveLevel, DataLevel,
};

struct CommandArgs;

struct Command {
    int first = 0, last = 0;  // the ids it covers: one, or a range
    int value = 0;            // of a radio item: `value` for `first`, counting up over a range
    Owner owner = Owner::Shell;
    Enable enable = Enable::Always;
    Check check = Check::None;
    // Refused while a run pumps events: it would change the workpiece, the definitions, the grid
    // or the selected program under the run.
    bool locked_while_running = false;
    std::string_view caption;  // built-in menu caption; empty where the message file gives it
    std::string_view name;     // what it does, for messages ("the verification report")
    // The work; null while the module that does it is not in this build.
    int (*handler)(App& app, int id, int parameter, const CommandArgs* args) = nullptr;
};

std::span<const Command> command_table();

// The radio value of `id` within `command`.
constexpr int command_value(const Command& command, int id) { return command.value + (id - command.first); }
const Command* find_command(int id);  // nullptr for an id the program does not have

bool command_enabled(const App& app, const Command& command, int id);
bool command_checked(const App& app, const Command& command, int id);

}  // namespace vx::shell
