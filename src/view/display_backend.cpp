#include "view/display_backend.h"

namespace vx::view {
namespace {

DisplayBackend& backend(void* context) { return *static_cast<DisplayBackend*>(context); }

// ---- Entries this backend does not take go on to the one below, with its context ----

template <auto Entry>
struct Forward;

template <class R, class... A, R (*platform::Backend::*Entry)(void*, A...)>
struct Forward<Entry> {
    static R call(void* context, A... a) {
        const platform::Backend& below = backend(context).below;
        return (below.*Entry)(below.context, a...);
    }
};

template <auto... Entries>
void forward(platform::Backend& mine, const platform::Backend& below) {
    ((mine.*Entries = below.*Entries ? &Forward<Entries>::call : nullptr), ...);
}

void forward_all(platform::Backend& mine, const platform::Backend& below) {
    using B = platform::Backend;
    forward<&B::show_message, &B::progress_begin, &B::progress_update, &B::progress_end, &B::available_memory,
            &B::progress_status, &B::key_down, &B::window_in_foreground, &B::play_sound, &B::play_system_sound,
            &B::stop_sounds, &B::redraw, &B::refresh_step, &B::draw_path, &B::set_title, &B::show_nc_line,
            &B::show_position, &B::set_stop_panel, &B::refresh_menus, &B::focus_window, &B::set_cursor,
            &B::start_timer, &B::stop_timer, &B::pump, &B::open_document, &B::choose_file>(mine, below);
}

// ---- This backend's own entries ----

void take_current_tool(const DisplayLink& l) {
    if (l.tool) set_display_tool(*l.display, *l.tool);
}

void display_redraw(void* context, platform::ViewPart part) {
    DisplayBackend& b = backend(context);
    if (part == platform::ViewPart::Workpiece) {
        take_current_tool(b.link);
        workpiece_changed(*b.link.display, *b.link.workpiece);
    }
    if (b.below.redraw) b.below.redraw(b.below.context, part);
}

void display_refresh_step(void* context, const platform::StepRefresh& step) {
    DisplayBackend& b = backend(context);
    take_current_tool(b.link);
    show_step(*b.link.display, *b.link.workpiece, step);
    if (b.below.refresh_step) b.below.refresh_step(b.below.context, step);
}

void display_draw_path(void* context, const platform::PathSegment& segment) {
    DisplayBackend& b = backend(context);
    show_path(*b.link.display, segment);
    if (b.below.draw_path) b.below.draw_path(b.below.context, segment);
}

void keep_path(void* context, const platform::PathSegment& segment) {
    DisplayBackend& b = backend(context);
    add_path(*b.kept, segment);
    if (b.below.draw_path) b.below.draw_path(b.below.context, segment);
}

// The backend to hand on to: the one installed now, unless `b` is already installed over it.
platform::Backend take_over(DisplayBackend& b) {
    if (!b.active) b.below = platform::current_backend();
    b.active = true;
    platform::Backend mine;
    mine.context = &b;
    forward_all(mine, b.below);
    return mine;
}

}  // namespace

void install_display_backend(DisplayBackend& b, const DisplayLink& link) {
    if (!link.display || !link.workpiece) return;
    platform::Backend mine = take_over(b);
    b.link = link;
    b.kept = nullptr;
    take_current_tool(b.link);
    mine.redraw = display_redraw;
    mine.refresh_step = display_refresh_step;
    mine.draw_path = display_draw_path;
    platform::install(mine);
}

void install_path_keeper(DisplayBackend& b, PathList& paths) {
    platform::Backend mine = take_over(b);
    b.link = DisplayLink{};
    b.kept = &paths;
    mine.draw_path = keep_path;
    platform::install(mine);
}

void remove_display_backend(DisplayBackend& b) {
    if (!b.active) return;
    platform::install(b.below);
    b = DisplayBackend{};
}

}  // namespace vx::view
