#include "gui/menus.h"

#include "gui/mouse_modes.h"
#include "gui/widgets.h"
#include "integration/plugins.h"
#include "platform/language.h"
#include "shell/commands.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>

#include <array>

namespace vx::gui {
namespace {

// Added items are the ones the program adds at window creation for loaded plug-ins (captioned by
// the module or built in): they take no caption slot in the message file, so the slots of the
// items after them do not move.
enum class MenuRowKind { Menu, SubMenu, EndSubMenu, Item, Added, Separator };
using K = MenuRowKind;

struct MenuRow {
    MenuRowKind kind = MenuRowKind::Item;
    int first = 0, last = 0;        // Item: the ids it stands for (a range gives one item each)
    platform::TextPair caption{};   // Menu and SubMenu; an Item's comes from the command table
};

constexpr MenuRow menu(const char* ja, const char* en) { return {K::Menu, 0, 0, {ja, en}}; }
constexpr MenuRow sub(const char* ja, const char* en) { return {K::SubMenu, 0, 0, {ja, en}}; }
constexpr MenuRow end_sub() { return {K::EndSubMenu, 0, 0, {}}; }
constexpr MenuRow item(int id) { return {K::Item, id, id, {}}; }
constexpr MenuRow items(int first, int last) { return {K::Item, first, last, {}}; }
constexpr MenuRow added(int first, int last) { return {K::Added, first, last, {}}; }
constexpr MenuRow line() { return {K::Separator, 0, 0, {}}; }

// The menus in order; the plug-in entries stay with the menu of their kind.
constexpr auto kMenu = std::to_array<MenuRow>({
    menu("NCデータ(&N)", "&NC data"),
    item(32771), item(32772), item(32773), item(32813), items(32921, 32923), added(32931, 32931), line(), item(105),
    menu("被切削材(&W)", "&Workpiece"),
    item(32784), item(32850), item(32785), item(32787), item(32901), line(), item(32786), line(),
    item(32895), item(32826), item(32827), item(32788), item(32817), item(32896), line(),
    item(32789), item(32790), item(32820), item(32894), line(), item(32822), item(32851), item(32893),
    added(32911, 32913), line(),
    item(32815), item(32889),
    menu("加工(&R)", "&Run"),
    item(32774), item(32775), item(32776), item(32831), line(), item(32777), item(32778), line(),
    item(32881), item(32882), items(32941, 32943), line(), item(32852),
    sub("停止位置(&P)", "Stop &position"), item(32853), item(32854), item(32855), item(32856), item(32857),
    end_sub(),
    sub("早送り干渉チェック(&G)", "&Rapid check"), item(32837), item(32833), item(32897), end_sub(),
    sub("アーバー/テーパーチェック(&A)", "&Arbor/taper check"), item(32838), item(32874), item(32880), item(32839),
    item(32898), end_sub(),
    sub("有効刃長チェック(&L)", "Effective &length check"), item(32845), item(32847), item(32846), item(32899),
    end_sub(),
    sub("チップチェック(&C)", "&Chip check"), item(32875), item(32876), item(32877), item(32900), end_sub(),
    menu("定義ファイル(&D)", "&Definitions"),
    item(154), item(32841), item(32842), item(32884), line(), item(32781), item(32782), item(32783),
    menu("表示制御(&V)", "&View"),
    item(213), item(32883), item(32816), item(32828), item(32829), item(32840), line(), item(32796), item(32798),
    item(32800), line(), item(32819), item(32779), item(32843), item(32844), line(), item(32872), item(32879),
    sub("差分表示(&F)", "&Difference display"), item(32891), item(32892), end_sub(), line(), item(122), item(32812),
    sub("マウス(&U)", "Mo&use"), items(248, 261), end_sub(),
    menu("オプション(&O)", "&Options"),
    item(32794), item(138), item(128),
    sub("保存レベル(&S)", "&Save level"), items(32864, 32866), end_sub(),
    sub("データ保持レベル(&D)", "&Data-holding level"), items(32867, 32870), end_sub(), line(), item(208),
    menu("出力(&U)", "O&utput"),
    item(32793),
    menu("ヘルプ(&H)", "&Help"),
    item(801), item(32821), line(), item(104),
});

// English captions where an English message file gives none; the F-key items show their key.
struct EnglishCaption {
    int id;
    std::string_view caption;
};
constexpr auto kEnglishCaptions = std::to_array<EnglishCaption>({
    {32771, "&Select..."},
    {32772, "Select and fit the &workpiece..."},
    {32773, "&Verification report"},
    {32813, "&Edit in the editor"},
    {32931, "Disable vxnccom.dll(&N)"},
    {105, "E&xit"},
    {32784, "&Load DMF, STL..."},
    {32850, "Load with &swing..."},
    {32785, "Load &reversed/pressed..."},
    {32787, "&Define by two points..."},
    {32901, "Define from the &work origin..."},
    {32786, "&Save DMF, STL, VRML..."},
    {32895, "Mer&ge..."},
    {32826, "Rotate/mirror (&K)..."},
    {32827, "&Move..."},
    {32788, "&Offset..."},
    {32817, "Cut at X&YZ values..."},
    {32896, "&Thin..."},
    {32789, "Paint &all"},
    {32790, "Strip the pai&nt"},
    {32820, "Strip a &pen colour..."},
    {32894, "Highlight pens/paint (&X)..."},
    {32822, "Removed &volume..."},
    {32851, "&Basic model..."},
    {32893, "Di&fference paint..."},
    {32815, "&Print..."},
    {32889, "Save an &image..."},
    {32774, "&Real cut"},
    {32775, "&Skip cut"},
    {32776, "Cut and show the resul&t	F5"},
    {32831, "Cut and &optimised NC output..."},
    {32777, "Tool-tip &path	F6"},
    {32778, "Command-point pat&h"},
    {32881, "Fast skip cut (&P)"},
    {32882, "&Fast cut and show the result	F7"},
    {32852, "Optional &block skip..."},
    {32853, "&Non-stop"},
    {32854, "Stop at &M00"},
    {32855, "Stop at M00 and M01 (&O)"},
    {32856, "&Single block"},
    {32857, "Stop at the &defined characters"},
    {32837, "&None"},
    {32833, "Check and &abort"},
    {32897, "Check and &pause"},
    {32838, "None, &ignore the holder"},
    {32874, "None, compute the &projection length"},
    {32880, "None, &cut with the holder"},
    {32839, "Check and &abort"},
    {32898, "Check and &pause"},
    {32845, "&None"},
    {32847, "None, &compute the effective length"},
    {32846, "Check and &abort"},
    {32899, "Check and &pause"},
    {32875, "&None"},
    {32876, "None, &compute the chip width"},
    {32877, "Check and &abort"},
    {32900, "Check and &pause"},
    {154, "Control point (&X)..."},
    {32841, "Radius offsets (&K)..."},
    {32842, "Length offsets (&L)..."},
    {32884, "&Work coordinates..."},
    {32781, "&Tool settings file...	F2"},
    {32782, "&Controller definition file...	F3"},
    {32783, "&Machine definition file...	F4"},
    {213, "Command &menu"},
    {32883, "&Tool"},
    {32816, "Tool display dialog (&C)"},
    {32828, "Axes and start p&oint"},
    {32829, "Progress &bar"},
    {32840, "Boundary bo&x"},
    {32796, "Paths &during the run"},
    {32798, "&Paths in the result"},
    {32800, "Path &construction points"},
    {32819, "Discolouration r&ange..."},
    {32779, "Colours (&W)..."},
    {32843, "Colour by tool/&pen"},
    {32844, "Colour by cutting dire&ction"},
    {32872, "Mes&h display - fast"},
    {32879, "Display precisio&n optimisation - fast"},
    {32891, "&Temporary"},
    {32892, "&Always"},
    {122, "Size adjustment on &resize..."},
    {32812, "Zoom rat&e..."},
    {32794, "&Sound"},
    {138, "Workpiece &pitch..."},
    {128, "Finishing &tool parameters..."},
    {208, "&Initial state..."},
    {32793, "NC data &output..."},
    {801, "&Help	F1"},
    {32821, "&Home page"},
    {104, "Version/environment (&A)..."},
});

// The view menu's items in the order of its bitmaps, a line after each.
// 261 has no mode yet and is left out.
constexpr std::array kViewMenuOrder{257, 250, 248, 251, 252, 254, 249, 255, 256, 253};

constexpr platform::TextPair kRotate{"回転", "Rotate"};
constexpr platform::TextPair kZoom{"ズーム", "Zoom"};
constexpr platform::TextPair kPan{"移動", "Pan"};
constexpr platform::TextPair kLight{"光源方向", "Light direction"};
constexpr platform::TextPair kMeasure{"計測カーソル", "Measuring cursor"};
constexpr platform::TextPair kZoomBox{"ズームボックス", "Zoom box"};
constexpr platform::TextPair kMouseMode{"マウスモード", "Mouse mode"};
constexpr platform::TextPair kWelding{"溶接", "Welding"};
constexpr platform::TextPair kGrinder{"グラインダー", "Grinder"};
constexpr platform::TextPair kPaper{"ペーパー", "Paper"};
constexpr platform::TextPair kBrush{"刷毛", "Brush"};

std::string mouse_mode_caption(int id) {
    switch (id) {
    case shell::cmd::kMouseRotate: return std::string(platform::text(kRotate));
    case shell::cmd::kMouseZoom: return std::string(platform::text(kZoom));
    case shell::cmd::kMousePan: return std::string(platform::text(kPan));
    case shell::cmd::kMouseLight: return std::string(platform::text(kLight));
    case shell::cmd::kMouseMeasure: return std::string(platform::text(kMeasure));
    case shell::cmd::kMouseZoomBox: return std::string(platform::text(kZoomBox));
    case shell::cmd::kMouseWelding: return std::string(platform::text(kWelding));
    case shell::cmd::kMouseGrinder: return std::string(platform::text(kGrinder));
    case shell::cmd::kMousePaper: return std::string(platform::text(kPaper));
    case shell::cmd::kMouseBrush: return std::string(platform::text(kBrush));
    default: return std::string(platform::text(kMouseMode)) + " " + std::to_string(id - shell::cmd::kViewMenuFirst + 1);
    }
}

// What a range item without a caption of its own shows: the mouse modes by name, plug-in slots
// by their number, the levels by their value.
std::string range_caption(const shell::Command& c, int id) {
    if (c.check == shell::Check::MouseMode) return mouse_mode_caption(id);
    const std::string base = builtin_item_caption(c.first);
    if (c.first == c.last) return base;
    return base + " " + std::to_string(c.check == shell::Check::None ? id - c.first + 1 : shell::command_value(c, id));
}

QAction* add_command(Window& w, QMenu* menu, int id, std::string caption) {
    QAction* a = menu->addAction(QString::fromStdString(caption));
    const shell::Command* c = shell::find_command(id);
    a->setCheckable(c && c->check != shell::Check::None);
    QObject::connect(a, &QAction::triggered, [&w, id] { send_command(w, id); });
    w.actions.push_back({id, a});
    return a;
}

// The caption of the next slot: the message file's, else `builtin`.
struct Captions {
    const shell::MessageFile& messages;
    std::size_t slot = 0;
    std::string next(std::string builtin) {
        const auto& m = messages.menu_captions;
        const std::size_t k = slot++;
        return k < m.size() && m[k] ? *m[k] : builtin;
    }
};

// While a menu is open the class cursor (the arrow) shows and the pending return of the mouse
// mode's cursor is given up, so that it cannot change under the menu; when the menu closes the
// mode's cursor comes back.
void follow_menu_selection(Window& w, QMenu* menu) {
    const auto selected = [&w] { menu_selected(w); };
    QObject::connect(menu, &QMenu::aboutToShow, selected);
    QObject::connect(menu, &QMenu::hovered, selected);
    QObject::connect(menu, &QMenu::aboutToHide, [&w] { update_view_cursor(w, false); });
}

}  // namespace

void menu_selected(Window& w) {
    w.timers[kCursorTimer]->stop();
    if (!w.waiting && !w.zoom_box && !w.drag.active) w.view->setCursor(Qt::ArrowCursor);
}

// The plug-in entries exist for the loaded modules only, captioned by the module: an NC reader
// by its name and the file suffix it reads, a simulation by its own text.
void label_plugin_items(Window& w) {
    const integration::Plugins& plugins = w.app->plugins;
    for (int slot = 0; slot < integration::kSlots; ++slot) {
        const integration::Module* reader = integration::module(plugins, integration::Family::Read, slot);
        QAction* read = command_action(w, shell::cmd::kNcReaderPlugin + slot);
        read->setVisible(reader != nullptr);
        if (reader) read->setText(QString::fromStdString(reader->name + " (" + reader->text + ")"));
        const integration::Module* sim = integration::module(plugins, integration::Family::Sim, slot);
        QAction* run = command_action(w, shell::cmd::kSimPlugin + slot);
        run->setVisible(sim != nullptr);
        if (sim) run->setText(QString::fromStdString(integration::menu_caption(*sim)));
        // A modifier by its own text too.
        const integration::Module* mod = integration::module(plugins, integration::Family::Mod, slot);
        QAction* modify = command_action(w, shell::cmd::kModPlugin + slot);
        modify->setVisible(mod != nullptr);
        if (mod) modify->setText(QString::fromStdString(integration::menu_caption(*mod)));
    }
    command_action(w, shell::cmd::kDisableNcCom)->setVisible(integration::comment_module_loaded(plugins));
}

std::vector<shell::MenuSlot> menu_shape() {
    std::vector<shell::MenuSlot> shape;
    for (const MenuRow& r : kMenu) {
        if (r.kind == K::Menu) shape.push_back(shell::MenuSlot::TopLevel);
        if (r.kind == K::SubMenu) shape.push_back(shell::MenuSlot::Item);
        if (r.kind == K::Item)
            for (int id = r.first; id <= r.last; ++id) shape.push_back(shell::MenuSlot::Item);
    }
    return shape;
}

std::string builtin_item_caption(int id) {
    const shell::Command* c = shell::find_command(id);
    if (!c) return std::to_string(id);
    if (!platform::english() && !c->caption.empty()) return std::string(c->caption);
    for (const EnglishCaption& e : kEnglishCaptions)
        if (e.id == id) return std::string(e.caption);
    std::string name(c->name);
    if (name.starts_with("the ")) name.erase(0, 4);
    if (!name.empty() && name[0] >= 'a' && name[0] <= 'z') name[0] = char(name[0] - 'a' + 'A');
    return name;
}

void build_menus(Window& w, const shell::MessageFile& messages) {
    Captions captions{messages};
    QMenu* top = nullptr;
    QMenu* current = nullptr;
    for (const MenuRow& r : kMenu) {
        switch (r.kind) {
        case K::Menu:
            top = current = w.main->menuBar()->addMenu(QString::fromStdString(captions.next(std::string(platform::text(r.caption)))));
            w.menus.push_back(top);
            QObject::connect(top, &QMenu::aboutToShow, [&w] { refresh_menu_states(w); });
            follow_menu_selection(w, top);
            break;
        case K::SubMenu:
            current = top->addMenu(QString::fromStdString(captions.next(std::string(platform::text(r.caption)))));
            w.menus.push_back(current);
            follow_menu_selection(w, current);
            break;
        case K::EndSubMenu: current = top; break;
        case K::Separator: current->addSeparator(); break;
        case K::Item:
            for (int id = r.first; id <= r.last; ++id) {
                const shell::Command* c = shell::find_command(id);
                add_command(w, current, id, captions.next(c ? range_caption(*c, id) : std::to_string(id)));
            }
            break;
        case K::Added:
            for (int id = r.first; id <= r.last; ++id) add_command(w, current, id, range_caption(*shell::find_command(id), id));
            break;
        }
    }
    label_plugin_items(w);
    // The mouse modes after the hand tools have no use yet: they keep their place (and caption
    // slot) but are not shown.
    for (int id = shell::cmd::kMouseBrush + 1; id <= shell::cmd::kViewMenuLast; ++id)
        if (QAction* a = command_action(w, id)) a->setVisible(false);
    refresh_menu_states(w);
}

void show_view_menu(Window& w, const QPoint& global) {
    QMenu menu;
    follow_menu_selection(w, &menu);
    for (int id : kViewMenuOrder) {
        QAction* a = menu.addAction(command_action(w, id)->text());
        a->setCheckable(true);
        a->setChecked(w.app->mouse_mode == id);
        QObject::connect(a, &QAction::triggered, [&w, id] { send_command(w, id); });
        menu.addSeparator();
    }
    menu.exec(global);
}

}  // namespace vx::gui
