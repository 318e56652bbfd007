#include "shell/commands.h"

#include "shell/app.h"
#include "shell/handlers.h"

#include <algorithm>
#include <array>

namespace vx::shell {
namespace {

using E = Enable;
using C = Check;
using O = Owner;
namespace h = handlers;

constexpr bool kLocked = true;  // refused while a run pumps events

// One row per command of the menus, in menu order. Captions are the built-in ones; the message
// file gives the English ones.
const std::array kCommands{
    // ---- NC data ----
    Command{32771, 32771, 0, O::Shell, E::Always, C::None, kLocked, "選択（&S）", "selecting the NC program", h::select_nc},
    Command{32772, 32772, 0, O::Work, E::Always, C::None, kLocked, "選択して最適被切削材定義(&W)",
            "selecting the NC program with the workpiece that fits it", h::select_and_define},
    Command{32773, 32773, 0, O::Output, E::NcSelected, C::None, kLocked, "帳票出力（&V）", "the verification report",
            h::report},
    Command{32813, 32813, 0, O::Integration, E::NcSelectedPlain, C::None, false, "エディター編集(&E)",
            "the external editor", h::editor},
    Command{105, 105, 0, O::Shell, E::Always, C::None, false, "終了（&X）", "closing the window", h::exit_program},
    // ---- Workpiece ----
    Command{32784, 32784, 0, O::Work, E::Always, C::None, kLocked, "DMF,STL,,,読み込み(&L)", "loading a workpiece",
            h::load_workpiece},
    Command{32850, 32850, 0, O::Work, E::Always, C::None, kLocked, "DMF,STL,,, → 軸振り(&R)",
            "loading a swung workpiece", h::load_swung},
    Command{32785, 32785, 0, O::Work, E::Always, C::None, kLocked, "DMF,STL,,, → 反転/プレス(&H)",
            "loading a pressed workpiece", h::load_pressed},
    Command{32787, 32787, 0, O::Work, E::Always, C::None, kLocked, "２点指示定義(&D)",
            "defining the workpiece by two points", h::define_two_points},
    Command{32901, 32901, 0, O::Work, E::Always, C::None, kLocked, "ワーク座標原点基準定義(&W)",
            "defining the workpiece from the work-coordinate origin", h::define_origin},
    Command{32786, 32786, 0, O::Work, E::Workpiece, C::None, false, "DMF,STL,VRML,,,保存(&S)", "saving the workpiece",
            h::save_workpiece},
    Command{32895, 32895, 0, O::Work, E::Workpiece, C::None, kLocked, "マージ(&G)", "merging a workpiece", h::merge},
    Command{32826, 32826, 0, O::Work, E::Workpiece, C::None, kLocked, "回転／ミラー(&K)",
            "rotating or mirroring the workpiece", h::rotate_mirror},
    Command{32827, 32827, 0, O::Work, E::Workpiece, C::None, kLocked, "移動(&M)", "moving the workpiece", h::move},
    Command{32788, 32788, 0, O::Work, E::Workpiece, C::None, kLocked, "オフセット(&O)", "offsetting the workpiece", h::offset},
    Command{32817, 32817, 0, O::Work, E::Workpiece, C::None, kLocked, "XYZ値カット(&Z)",
            "cutting the workpiece at X, Y, Z values", h::xyz_cut},
    Command{32896, 32896, 0, O::Work, E::Workpiece, C::None, kLocked, "間引き(&T)", "thinning the workpiece", h::thin},
    Command{32789, 32789, 0, O::Work, E::Workpiece, C::None, kLocked, "ペンキの全面塗り(&A)",
            "painting the whole workpiece", h::paint},
    Command{32790, 32790, 0, O::Work, E::Workpiece, C::None, kLocked, "ペンキをはがす(&C)", "stripping the paint", h::paint},
    Command{32820, 32820, 0, O::Work, E::WorkpiecePenColour, C::None, kLocked, "ペンの色をはがす(&E)",
            "stripping a pen colour", h::paint},
    Command{32894, 32894, 0, O::View, E::Workpiece, C::None, false, "ペン/ペンキの強調表示(&X)",
            "highlighting pens or paint", h::emphasis},
    Command{32822, 32822, 0, O::Work, E::WorkpieceWithBackup, C::None, false, "除去体積算出(&V)",
            "the removed volume", h::removed_volume},
    Command{32851, 32851, 0, O::Work, E::Workpiece, C::None, kLocked, "基準形状指定(&B)", "choosing the basic model",
            h::choose_basic_model},
    Command{32893, 32893, 0, O::Work, E::WorkpieceBasicModel, C::None, kLocked, "差分塗り(&F)",
            "the difference paint", h::difference_paint},
    Command{32911, 32913, 0, O::Integration, E::ModPlugin, C::None, kLocked, {}, "the workpiece plug-in",
            h::modifier_plugin},
    Command{32815, 32815, 0, O::Output, E::Workpiece, C::None, false, "印刷(&P)", "printing", h::window_command},
    Command{32889, 32889, 0, O::Output, E::Workpiece, C::None, false, "画像保存(&I)", "saving an image", h::window_command},
    // ---- Run ----
    Command{32774, 32774, 0, O::Shell, E::NcSelected, C::None, false, "実加工(&R)", "the real cut", h::run},
    Command{32775, 32775, 0, O::Shell, E::NcSelected, C::None, false, "スキップ加工(&S)", "the skip cut", h::run},
    Command{32776, 32776, 0, O::Shell, E::NcSelected, C::None, false, "加工して結果表示(&T or F5キー)",
            "the cut with the result shown", h::run},
    Command{32831, 32831, 0, O::Output, E::NcSelected, C::None, false, "加工＆最適化NC出力(&O)",
            "the cut with the optimised NC output", h::run},
    Command{32777, 32777, 0, O::Shell, E::NcSelected, C::None, false, "工具先端パス表示(&D or F6キー)",
            "the tool-tip path", h::run},
    Command{32778, 32778, 0, O::Shell, E::NcSelected, C::None, false, "指令点パス表示(&E)", "the command-point path",
            h::run},
    Command{32881, 32881, 0, O::Shell, E::NcSelected, C::None, false, "高速版／スキップ加工(&P)", "the fast skip cut",
            h::run},
    Command{32882, 32882, 0, O::Shell, E::NcSelected, C::None, false, "高速版／加工して結果表示(&F or F7キー)",
            "the fast cut with the result shown", h::run},
    Command{32852, 32852, 0, O::Nc, E::Always, C::None, false, "オプショナルブロックスキップ設定(&B)",
            "the optional block skip", h::window_command},
    Command{32853, 32853, 0, O::Shell, E::Always, C::StopMode, false, "ノンストップ(&N)", "non-stop", h::stop_mode},
    Command{32854, 32854, 1, O::Shell, E::Always, C::StopMode, false, "M00停止(&M)　通常モード", "stop at M00",
            h::stop_mode},
    Command{32855, 32855, 2, O::Shell, E::Always, C::StopMode, false, "M01も停止(&O) ｵﾌﾟｼｮﾅﾙｽﾄｯﾌﾟ",
            "stop at M00 and M01", h::stop_mode},
    Command{32856, 32856, 3, O::Shell, E::Always, C::StopMode, false, "シングルブロック(&S)", "single block",
            h::stop_mode},
    Command{32857, 32857, 4, O::Shell, E::Always, C::StopMode, false, "指定位置で停止(&D) CTLファイルで定義",
            "stop at the stop characters", h::stop_mode},
    Command{32837, 32837, 0, O::Shell, E::Always, C::RapidCheck, false, {}, "no rapid check", h::check_mode},
    Command{32833, 32833, 1, O::Shell, E::Always, C::RapidCheck, false, {}, "rapid check, abort", h::check_mode},
    Command{32897, 32897, 2, O::Shell, E::Always, C::RapidCheck, false, {}, "rapid check, pause", h::check_mode},
    Command{32838, 32838, 0, O::Shell, E::Always, C::ArborCheck, false, {}, "holder ignored", h::check_mode},
    Command{32874, 32874, 1, O::Shell, E::Always, C::ArborCheck, false, {}, "protrusion computed", h::check_mode},
    Command{32880, 32880, 2, O::Shell, E::Always, C::ArborCheck, false, {}, "cut with the holder", h::check_mode},
    Command{32839, 32839, 3, O::Shell, E::Always, C::ArborCheck, false, {}, "holder check, abort", h::check_mode},
    Command{32898, 32898, 4, O::Shell, E::Always, C::ArborCheck, false, {}, "holder check, pause", h::check_mode},
    Command{32845, 32845, 0, O::Shell, E::Always, C::LengthCheck, false, {}, "no length check", h::check_mode},
    Command{32847, 32847, 1, O::Shell, E::Always, C::LengthCheck, false, {}, "blade length computed", h::check_mode},
    Command{32846, 32846, 2, O::Shell, E::Always, C::LengthCheck, false, {}, "length check, abort", h::check_mode},
    Command{32899, 32899, 3, O::Shell, E::Always, C::LengthCheck, false, {}, "length check, pause", h::check_mode},
    Command{32875, 32875, 0, O::Shell, E::Always, C::ChipCheck, false, {}, "no chip check", h::check_mode},
    Command{32876, 32876, 1, O::Shell, E::Always, C::ChipCheck, false, {}, "chip width computed", h::check_mode},
    Command{32877, 32877, 2, O::Shell, E::Always, C::ChipCheck, false, {}, "chip check, abort", h::check_mode},
    Command{32900, 32900, 3, O::Shell, E::Always, C::ChipCheck, false, {}, "chip check, pause", h::check_mode},
    // ---- Definition files ----
    Command{154, 154, 0, O::Nc, E::Always, C::None, kLocked, "制御点座標値設定(&X)", "the control point", h::window_command},
    Command{32841, 32841, 0, O::Nc, E::Always, C::None, kLocked, "工具径補正値設定(&K)", "the D codes", h::window_command},
    Command{32842, 32842, 0, O::Nc, E::Always, C::None, kLocked, "工具長補正値設定(&L)", "the H codes", h::window_command},
    Command{32884, 32884, 0, O::Nc, E::Always, C::None, kLocked, "ワーク座標系設定(&W)", "the work coordinates", h::window_command},
    Command{32781, 32781, 0, O::Sim, E::Always, C::None, kLocked, "工具設定ファイルの指定(&T or F2キー)",
            "choosing the tool settings file"},
    Command{32782, 32782, 0, O::Nc, E::Always, C::None, kLocked, "コントローラー定義ファイルの指定(&C or F3キー)",
            "choosing the controller definition file"},
    Command{32783, 32783, 0, O::Nc, E::Always, C::None, kLocked, "機械定義ファイルの指定(&M or F4キー)",
            "choosing the machine definition file"},
    // ---- Display control ----
    Command{213, 213, 0, O::Shell, E::Always, C::CommandMenu, false, "コマンドメニュー表示(&M)", "the command menu",
            h::command_menu},
    Command{32883, 32883, 0, O::View, E::Always, C::ToolDrawing, false, "工具表示(&T)", "the tool drawing",
            h::display_switch},
    Command{32816, 32816, 0, O::View, E::Always, C::ToolDialog, false, "工具表示ダイアログ表示(&C)",
            "the tool display dialog", h::tool_dialog},
    Command{32828, 32828, 0, O::View, E::Always, C::Axes, false, "座標軸／スタート点表示(&O)",
            "the axes and the start point", h::display_switch},
    Command{32829, 32829, 0, O::Shell, E::Always, C::ProgressWindow, false, "進行状況(プログレスバー)表示(&B)",
            "the progress window", h::progress_window},
    Command{32840, 32840, 0, O::View, E::Always, C::BoundaryBox, false, "バウンダリーボックスの表示(&X)",
            "the boundary box", h::display_switch},
    Command{32796, 32796, 0, O::View, E::Always, C::RunPaths, false, "加工時のパス表示(&D)", "the paths during a run",
            h::display_switch},
    Command{32798, 32798, 0, O::View, E::Always, C::ResultPaths, false, "結果表示時のパス表示(&P)",
            "the paths in the result", h::display_switch},
    Command{32800, 32800, 0, O::View, E::Always, C::ConstructionPoints, false, "パスの構成点表示(&C)",
            "the path construction points", h::display_switch},
    Command{32819, 32819, 0, O::View, E::Always, C::None, false, "被切削材変色域の指定(&A)",
            "the discolouration range", h::window_command},
    Command{32779, 32779, 0, O::View, E::Always, C::None, false, "色の設定(&W)", "the colours", h::window_command},
    Command{32843, 32843, 0, O::View, E::NotMesh, C::ColourByPen, false, "切削工具別/PEN1～7(&P)",
            "colouring by pen", h::colour_mode},
    Command{32844, 32844, 0, O::View, E::NotMesh, C::ColourByDirection, false, "切削方向別/ｱｯﾌﾟ,ﾀﾞｳﾝ,垂直(&C)",
            "colouring by cutting direction", h::colour_mode},
    Command{32872, 32872, 0, O::View, E::Always, C::Mesh, false, "メッシュ表示(&H) - 高速", "the mesh display",
            h::display_switch},
    Command{32879, 32879, 0, O::View, E::Always, C::PrecisionOptimisation, false, "表示精度最適化(&N) - 高速",
            "the display precision optimisation"},
    Command{32891, 32891, 0, O::View, E::Always, C::DifferenceTemporary, false, "一時表示(&T)",
            "the temporary difference display"},
    Command{32892, 32892, 0, O::View, E::Always, C::DifferenceAlways, false, "常時表示(&A)",
            "the difference display"},
    Command{122, 122, 0, O::View, E::Always, C::None, false, "画面サイズ変更時のサイズ調整(&R)",
            "the size adjustment on resize", h::window_command},
    Command{32812, 32812, 0, O::View, E::Always, C::None, false, "拡大縮小率の設定(&E)", "the zoom rate", h::window_command},
    // ---- Options ----
    Command{32794, 32794, 0, O::Shell, E::Always, C::Sound, false, "音の出力(&S)", "the sound", h::sound},
    Command{138, 138, 0, O::Sim, E::Always, C::None, kLocked, "ピッチ（精度）指定(&P)", "the workpiece pitch", h::window_command},
    Command{128, 128, 0, O::Work, E::Always, C::None, false, "道具パラメータ設定(&T)",
            "the finishing tool parameters", h::hand_tool_parameters},
    Command{32864, 32866, 1, O::Work, E::Always, C::SaveLevel, false, {}, "the save level", h::save_level},
    Command{32867, 32870, 1, O::Sim, E::NoWorkpiece, C::DataLevel, kLocked, {}, "the data-holding level",
            h::data_level},
    Command{208, 208, 0, O::Shell, E::Always, C::None, false, "起動時の状態設定(&I)", "the initial state", h::window_command},
    // ---- Output ----
    Command{32793, 32793, 0, O::Output, E::Always, C::None, false, "NCデータ出力(&O)", "the NC data output"},
    // ---- Help ----
    Command{801, 801, 0, O::Shell, E::Always, C::None, false, "ヘルプ(&H or F1キー)", "the help", h::open_help},
    Command{32821, 32821, 0, O::Shell, E::Always, C::None, false, "ホームページへ(&G)", "the home page"},
    Command{104, 104, 0, O::Shell, E::Always, C::None, false, "バージョン/環境情報(&A)",
            "the version and environment information", h::version},
    // ---- Plug-ins and the view menu ----
    Command{32921, 32923, 0, O::Integration, E::NcReaderPlugin, C::None, kLocked, {}, "the NC-reader plug-in"},
    Command{32941, 32943, 0, O::Integration, E::SimPlugin, C::None, kLocked, {}, "the simulation plug-in",
            h::simulation_plugin},
    Command{32931, 32931, 0, O::Integration, E::NcComPlugin, C::NcComDisabled, kLocked,
            integration::kTextDisableNcCom.ja, "disabling the NC-comment plug-in", h::disable_comment_module},
    Command{248, 257, 248, O::Shell, E::Always, C::MouseMode, false, {}, "this mouse mode", h::mouse_mode},
    Command{258, 261, 258, O::Shell, E::Never, C::MouseMode, false, {}, "an unassigned mouse mode", h::mouse_mode},
};


// The slot (0..2) of a plug-in command's module.
int plugin_slot(const Command& c, int id) { return id - c.first; }

}  // namespace

std::span<const Command> command_table() { return kCommands; }

const Command* find_command(int id) {
    const auto it = std::find_if(kCommands.begin(), kCommands.end(),
                                 [id](const Command& c) { return id >= c.first && id <= c.last; });
    return it == kCommands.end() ? nullptr : &*it;
}

bool command_enabled(const App& app, const Command& c, int id) {
    const bool nc = !app.run.nc_path.empty();
    switch (c.enable) {
    case E::Always: return true;
    case E::Never: return false;
    case E::NcSelected: return nc;
    case E::NcSelectedPlain: return nc && !integration::reader_for_file(app.plugins, app.run.nc_path);
    case E::Workpiece: return has_workpiece(app);
    case E::WorkpiecePenColour: return has_workpiece(app) && app.settings.define.colour_by_pen;
    case E::WorkpieceWithBackup: return has_workpiece(app) && sim::level_keeps_backup(app.workpiece.data_level);
    case E::WorkpieceBasicModel: return has_workpiece(app) && app.workpiece.basic_model.data != nullptr;
    case E::NoWorkpiece: return !has_workpiece(app);
    case E::NotMesh: return !app.settings.define.mesh_mode;
    case E::NcReaderPlugin:
        return integration::module(app.plugins, integration::Family::Read, plugin_slot(c, id)) != nullptr;
    case E::SimPlugin:
        return nc && integration::module(app.plugins, integration::Family::Sim, plugin_slot(c, id)) != nullptr;
    case E::ModPlugin:
        return has_workpiece(app) &&
               integration::module(app.plugins, integration::Family::Mod, plugin_slot(c, id)) != nullptr;
    case E::NcComPlugin: return integration::comment_module_loaded(app.plugins);
    }
    return false;
}

bool command_checked(const App& app, const Command& c, int id) {
    const DefineSettings& d = app.settings.define;
    const RunState& st = app.run.state;
    const int value = command_value(c, id);
    switch (c.check) {
    case C::None: return false;
    case C::Sound: return app.run.sound;
    case C::RunPaths: return d.path_start;
    case C::ResultPaths: return d.path_result;
    case C::ConstructionPoints: return d.construction_point;
    case C::BoundaryBox: return d.boundary_box;
    case C::Axes: return d.basic_axis;
    case C::ToolDrawing: return d.tool_display;
    case C::ToolDialog: return app.settings.save.view_t != 0;
    case C::CommandMenu: return app.settings.save.view_p != 0;
    case C::ProgressWindow: return app.run.progress_display;
    case C::PrecisionOptimisation: return d.optimize_drawing == view::kDrawingDefault;
    case C::Mesh: return d.mesh_mode;
    case C::ColourByPen: return d.colour_by_pen;
    case C::ColourByDirection: return !d.colour_by_pen;
    case C::DifferenceTemporary: return !d.difference_always;
    case C::DifferenceAlways: return d.difference_always;
    case C::StopMode: return st.stop_mode == value;
    case C::RapidCheck: return int(st.checks.rapid) == value;
    case C::ArborCheck: return int(st.checks.arbor) == value;
    case C::LengthCheck: return int(st.checks.height) == value;
    case C::ChipCheck: return int(st.checks.chip) == value;
    case C::MouseMode: return app.mouse_mode == value;
    case C::SaveLevel: return app.settings.dmf.save_level == value;
    case C::DataLevel: return app.settings.dmf.data_level == value;
    case C::NcComDisabled: return app.plugins.comments_disabled;
    }
    return false;
}

}  // namespace vx::shell
