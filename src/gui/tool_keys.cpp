// The keys I, J, M and @: the view and the tool drawn where the last run left it. M centres the
// view on the tool's tip and I also enlarges it by EXPAND RATE, to look closely at what the last
// block cut; @ stands the tool on the point picked last with the measuring cursor, to judge its
// clearance there, and J puts it back where the run left it. The run's own position is never
// changed: a suspended run goes on from where it stopped.
#include "gui/widgets.h"
#include "platform/language.h"
#include "platform/platform.h"
#include "view/display.h"

namespace vx::gui {
namespace {

constexpr platform::TextPair kTitle{"VORNEX", "VORNEX"};
constexpr platform::TextPair kNoPickedPoint{"工具を置く点がありません。計測カーソルで被切削材の点を指示して下さい。",
                                            "There is no point to put the tool on: pick a point of the workpiece "
                                            "with the measuring cursor first"};

// The tip as the view draws it, relative to the grid origin.
void centre_on_tool(Window& w) {
    view::Display& d = w.app->display;
    view::set_view_centre(d.view, d.tool.tip.x, d.tool.tip.y, d.tool.tip.z);
}

// The tool's control point stands this much above its tip: the tip touches the picked surface.
void stand_tool_on_pick(Window& w) {
    const view::PickedPoint* last = w.picks.points.empty() ? nullptr : &w.picks.points.back();
    if (!last || !last->flag) {
        platform::show_message({platform::text(kTitle), platform::text(kNoPickedPoint)});
        return;
    }
    shell::App& app = *w.app;
    view::place_tool(app.display, app.workpiece, {last->x, last->y, last->z + app.display.tool.length});
    w.view->update();
}

}  // namespace

bool tool_position_key(Window& w, char key) {
    shell::App& app = *w.app;
    if (key != 'I' && key != 'J' && key != 'M' && key != '@') return false;
    if (!shell::has_workpiece(app)) return true;
    switch (key) {
    case 'M':
        centre_on_tool(w);
        view_changed(w, true);
        break;
    case 'I':
        centre_on_tool(w);
        zoom_view_by(w, app.settings.define.expand_rate);
        break;
    case 'J':  // before any run: the start point, where the view first drew it
        view::place_tool(app.display, app.workpiece,
                         app.run.state.blocks > 0 ? app.run.state.move.position : app.run.start_point);
        w.view->update();
        break;
    default: stand_tool_on_pick(w); break;
    }
    return true;
}

}  // namespace vx::gui
