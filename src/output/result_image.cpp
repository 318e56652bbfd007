#include "output/result_image.h"

#include "output/png.h"
#include "view/palette.h"
#include "view/render.h"
#include "view/surface_sink.h"
#include "view/view_state.h"

namespace vx::output {

bool write_result_image(sim::Workpiece& wp, const shell::Settings& settings, const std::string& path, int width,
                        int height) {
    if (!wp.height.data || wp.modification_state == sim::kNoWorkpiece || width < 1 || height < 1) return false;
    const shell::DefineSettings& define = settings.define;
    view::ViewState v;
    view::apply_view_settings(v, define);
    view::set_drawing_area(v, {0, 0, width, height});
    view::fit_view(v, wp, define.target_area);
    view::update_display_step(v, define, wp, true);  // an image shows every cell
    view::project_grid(v, wp);
    view::Surface surface;
    view::resize(surface, width, height);
    view::SurfaceSink sink(surface);
    view::render_view(v, wp, view::make_palette(define.colours, define.colour_by_pen),
                      view::render_settings(define, false), sink.sink());
    return write_png(surface, path);
}

}  // namespace vx::output
