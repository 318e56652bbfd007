#include "view/display_backend.h"

namespace vx::view {
namespace {

// The function-pointer table carries no context, so the one link lives here, with the backend it
// was started from.
struct Installed {
    DisplayLink link;
    PathList* kept = nullptr;  // the path keeper's list
    platform::Backend below{};
    bool active = false;
};
Installed g_installed;

void take_current_tool() {
    const DisplayLink& l = g_installed.link;
    if (l.tool) set_display_tool(*l.display, *l.tool);
}

void display_redraw(platform::ViewPart part) {
    const DisplayLink& l = g_installed.link;
    if (part == platform::ViewPart::Workpiece) {
        take_current_tool();
        workpiece_changed(*l.display, *l.workpiece);
    }
    if (g_installed.below.redraw) g_installed.below.redraw(part);
}

void display_refresh_step(const platform::StepRefresh& step) {
    const DisplayLink& l = g_installed.link;
    take_current_tool();
    show_step(*l.display, *l.workpiece, step);
    if (g_installed.below.refresh_step) g_installed.below.refresh_step(step);
}

void display_draw_path(const platform::PathSegment& segment) {
    show_path(*g_installed.link.display, segment);
    if (g_installed.below.draw_path) g_installed.below.draw_path(segment);
}

void keep_path(const platform::PathSegment& segment) {
    add_path(*g_installed.kept, segment);
    if (g_installed.below.draw_path) g_installed.below.draw_path(segment);
}

void take_over() {
    if (!g_installed.active) g_installed.below = platform::current_backend();
    g_installed.active = true;
}

}  // namespace

void install_display_backend(const DisplayLink& link) {
    if (!link.display || !link.workpiece) return;
    take_over();
    g_installed.link = link;
    g_installed.kept = nullptr;
    if (link.kernel) link.kernel->projection = run_projection(link.display->view);
    take_current_tool();
    platform::Backend b = g_installed.below;
    b.redraw = display_redraw;
    b.refresh_step = display_refresh_step;
    b.draw_path = display_draw_path;
    platform::install(b);
}

void install_path_keeper(PathList& paths) {
    take_over();
    g_installed.link = DisplayLink{};
    g_installed.kept = &paths;
    platform::Backend b = g_installed.below;
    b.draw_path = keep_path;
    platform::install(b);
}

void remove_display_backend() {
    if (!g_installed.active) return;
    if (g_installed.link.kernel) g_installed.link.kernel->projection.enabled = false;  // nobody shows it
    platform::install(g_installed.below);
    g_installed = Installed{};
}

}  // namespace vx::view
