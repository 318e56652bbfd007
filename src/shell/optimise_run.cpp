// The optimise run's hooks: open the outputs at the run start, turn every step of the cutting
// step into a piece for both writers, write the position of every G92, and finish, put in place
// and compare the machining times at the end.
#include "shell/optimise_run.h"

#include "nc/pipeline.h"
#include "platform/language.h"
#include "platform/log.h"
#include "platform/platform.h"
#include "shell/app.h"
#include "shell/data_check_run.h"
#include "shell/nc_links.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <utility>

namespace vx::shell {
namespace {

using platform::TextPair;

constexpr TextPair kTextWriteProtect{"書き込み保護されています", "Write protect"};
constexpr std::string_view kOptimisedNcName = "OPTNC.NC";
constexpr std::string_view kCutTextName = "CUTDATA.TXT";
constexpr std::string_view kCutBinaryName = "CUTDATA.BIN";
// The writers' text goes to the file in pieces of about this size, so a long run holds little.
constexpr std::size_t kDrainSize = 1 << 16;

App& app_of(void* context) { return *static_cast<App*>(context); }

std::string output_dir(const std::string& dir, const std::string& work_dir) {
    return dir.empty() ? work_dir : platform::with_trailing_slash(platform::absolute(dir, work_dir));
}

int plane_code(const nc::MoveRecord& m) { return m.plane.normal == 2 ? 17 : m.plane.normal == 1 ? 18 : 19; }

// Creates the staged file of an output: false (and "Write protect" shown) when it cannot be.
bool open_output(OptimiseFile& f, const std::string& path, bool open_after) {
    f.path = path;
    f.open_after = open_after;
    const auto slash = path.rfind('/');
    if (slash != std::string::npos) platform::make_directories(path.substr(0, slash + 1));
    f.file = std::make_unique<platform::StagedFile>(path);
    if (f.file->ok()) return true;
    platform::show_message({path, platform::text(kTextWriteProtect)});
    f.file.reset();
    f.path.clear();
    return false;
}

void drain(OptimiseFile& f, std::string& bytes, bool all) {
    if (!f.file || (!all && bytes.size() < kDrainSize)) return;
    f.file->write(bytes.data(), bytes.size());
    bytes.clear();
}

// Puts a complete output in place; a failure is told and leaves the old file as it was.
bool commit_output(OptimiseFile& f, std::string& bytes) {
    if (!f.file) return true;
    drain(f, bytes, true);
    const bool done = f.file->commit();
    if (!done)
        platform::show_message({f.path, "cannot be written: " + std::string(std::strerror(f.file->error()))});
    f.file.reset();
    return done;
}

void abandon_output(OptimiseFile& f, std::string& bytes) {
    f.file.reset();  // the staged file goes, the old one stays
    f.path.clear();
    bytes.clear();
}

// ---- Run start ----

output::NumberFormat number_format(const nc::Ctl& ctl) { return {ctl.unit, ctl.decimal_point}; }

// What an escape must clear with the current tool: its blade or neck, whichever is wider, plus a
// cell for the grid's sampling.
output::Clearance clearance(App& app) {
    const sim::Profile& p = app.tool.profile;
    return {&app.workpiece, std::max(p.rb, p.rn) + app.workpiece.geometry.pitch, app.tool.shift};
}

void prepare_nc(App& app, output::OptNcWriter& w) {
    const OptimizeSettings& o = app.settings.optimize;
    w = output::OptNcWriter{};
    w.options = {o.opt_cut, o.opt_aircut, o.escape_height, app.settings.output.lathe};
    w.format = number_format(app.ctl);
    w.start_code = app.ctl.start_code;
    w.clearance = clearance(app);
}

int optimise_begin(void* context) {
    App& app = app_of(context);
    OptimiseOutputs& out = app.optimise;
    const OptimizeSettings& o = app.settings.optimize;
    const RunContext& run = app.run;
    out.nc_file = {};
    out.cut_file = {};
    out.write_failed = false;
    out.torque = o.torque;
    out.first_tool = app.tool.number;
    out.window = output::RemovalWindow{};
    out.window.pitch = app.workpiece.geometry.pitch;
    out.tool_change_told = out.tool_jump_told = false;
    out.tool_at = run.interp->modal.position;
    out.original_time = out.optimised_time = 0;
    int opened = 0;
    prepare_nc(app, out.nc);  // its options choose the feeds of the cut data too
    if (o.opt_nc != 0 && open_output(out.nc_file, optimised_nc_path(o, run.nc_path, run.work_dir), o.opt_nc == 2)) {
        output::begin_output(out.nc, run.interp->modal.position);
        ++opened;
    } else {
        out.write_failed |= o.opt_nc != 0;
    }
    const bool binary = o.cut_data >= output::kCutDataBinary;
    const bool open_after = o.cut_data == output::kCutDataTextOpen || o.cut_data == output::kCutDataBinaryOpen;
    if (o.cut_data != 0 && open_output(out.cut_file, cut_data_path(o, run.nc_path, run.work_dir), open_after)) {
        out.cut = output::CutDataWriter{};
        out.cut.binary = binary;
        out.cut.lathe = app.settings.output.lathe;
        out.cut.start_code = app.ctl.start_code;
        output::begin_cut_data(out.cut, run.interp->modal.position, std::int16_t(app.tool.number));
        ++opened;
    } else {
        out.write_failed |= o.cut_data != 0;
    }
    return opened > 0 ? 1 : 0;
}

// ---- Pieces ----

output::Piece piece_of(App& app, const sim::OptimiseStep& step) {
    const RunContext& run = app.run;
    const double length = sim::step_length(run.state.move.length, run.state.move.steps);
    const output::Removal removal = output::add_step(app.optimise.window, step.engaged_area, step.engaged_moment,
                                                     length, step.step_direction, step.cutting != 0);
    const nc::MoveRecord& m = run.interp->move;
    output::Piece p;
    p.motion = m.motion;
    p.plane = plane_code(m);
    p.end = run.state.move.position;
    p.centre = m.centre;
    p.programmed_feed = m.feedrate;
    p.cutting = step.cutting != 0;
    p.cut_type = removal.cut_type;
    p.removal = removal.area;
    p.moment = removal.moment;
    p.number = std::max(run.state.move.step, 1);
    p.new_block = p.number == 1;
    p.line = run.interp->line;
    p.tool = app.tool.number;
    return p;
}

output::CutRecord cut_record(const output::Piece& p, const output::PieceFeed& feed, bool torque) {
    output::CutRecord r;
    r.tool = std::int16_t(p.tool);
    r.line = p.line;
    r.piece = p.number;
    r.motion = std::uint8_t(p.motion);
    r.x = float(p.end.x), r.y = float(p.end.y), r.z = float(p.end.z);
    r.programmed_feed = std::int32_t(std::lround(p.programmed_feed));
    r.cut_type = p.cutting && p.cut_type >= 0 && p.cut_type <= 3 ? std::uint8_t(p.cut_type) : output::kNoCutType;
    r.removal = float(torque ? p.moment : p.removal);
    r.chosen_feed = feed.feed == output::kRapidFeed ? r.programmed_feed : std::int32_t(feed.feed);
    return r;
}

void optimise_step(void* context, const sim::OptimiseStep& step) {
    App& app = app_of(context);
    OptimiseOutputs& out = app.optimise;
    const output::Piece piece = piece_of(app, step);
    out.tool_at = piece.end;
    if (piece.tool != out.first_tool && !std::exchange(out.tool_change_told, true))
        platform::note("vornex: the program changes tools; the optimised NC program carries no tool change");
    out.nc.clearance = clearance(app);
    output::FeedLimits limits;
    limits.max_feed = app.mtl.max_feed;
    const output::PieceFeed feed = output::piece_feed(piece, out.nc.options, app.tool.feed, limits);
    if (out.nc_file.file) {
        output::add_piece(out.nc, piece, feed);
        drain(out.nc_file, out.nc.text, false);
    }
    if (out.cut_file.file) {
        output::add_cut_record(out.cut, cut_record(piece, feed, out.torque && out.cut.binary), piece.end, piece.removal);
        drain(out.cut_file, out.cut.bytes, false);
    }
}

void optimise_position(void* context, const Vec3& position) {
    OptimiseOutputs& out = app_of(context).optimise;
    const Vec3& at = out.tool_at;
    const bool moved = at.x != position.x || at.y != position.y || at.z != position.z;
    if (moved && !std::exchange(out.tool_jump_told, true))
        platform::note("vornex: a G92 placed the tool elsewhere (G92MODE MOVE); the optimised NC program cannot "
                       "move it the same way, and its moves after this G92 start from the old place");
    out.tool_at = position;
    if (out.nc_file.file) output::set_position(out.nc, position);
    if (out.cut_file.file) output::cut_data_position(out.cut, position);
}

// ---- Run end ----

std::string seconds_text(double s) {
    char text[64];
    std::snprintf(text, sizeof text, "%.1f s", s);
    return text;
}

void compare_times(App& app) {
    OptimiseOutputs& out = app.optimise;
    out.original_time = app.time.feed_time + app.time.rapid_time;
    out.optimised_time = program_time(app, out.nc_file.path);
    if (out.optimised_time < 0) {
        platform::note("vornex: " + out.nc_file.path + ": cannot be read back for its machining time");
        return;
    }
    std::printf("machining time: original %s, optimised %s (%s)\n", seconds_text(out.original_time).c_str(),
                seconds_text(out.optimised_time).c_str(), out.nc_file.path.c_str());
    std::fflush(stdout);
}

void optimise_finish(void* context, bool aborted, int) {
    App& app = app_of(context);
    OptimiseOutputs& out = app.optimise;
    if (out.nc_file.file) output::end_output(out.nc);
    if (out.cut_file.file) output::end_cut_data(out.cut);
    if (aborted) {
        // A program cut short would be taken for the whole one: nothing replaces the old files.
        if (out.nc_file.file || out.cut_file.file)
            platform::note("vornex: the run was ended early: the optimised NC and cut data were not written");
        abandon_output(out.nc_file, out.nc.text);
        abandon_output(out.cut_file, out.cut.bytes);
        return;
    }
    const bool nc_written = out.nc_file.file && commit_output(out.nc_file, out.nc.text);
    const bool cut_written = out.cut_file.file && commit_output(out.cut_file, out.cut.bytes);
    out.write_failed |= (out.nc_file.path.size() && !nc_written) || (out.cut_file.path.size() && !cut_written);
    if (nc_written) compare_times(app);
    if (app.run.state.batch_run || app.run.no_dialogs) return;
    if (nc_written && out.nc_file.open_after) platform::open_document(out.nc_file.path);
    if (cut_written && out.cut_file.open_after) platform::open_document(out.cut_file.path);
}

}  // namespace

std::string optimised_nc_path(const OptimizeSettings& o, const std::string& nc_path, const std::string& work_dir) {
    return output_dir(o.opt_nc_dir, work_dir) +
           output::output_name(nc_path, o.opt_nc_auto_name, kOptimisedNcName, o.opt_nc_suffix);
}

std::string cut_data_path(const OptimizeSettings& o, const std::string& nc_path, const std::string& work_dir) {
    const bool binary = o.cut_data >= output::kCutDataBinary;
    return output_dir(o.cut_data_dir, work_dir) +
           output::output_name(nc_path, o.cut_data_auto_name, binary ? kCutBinaryName : kCutTextName,
                               binary ? o.cut_data_suffix_bin : o.cut_data_suffix_txt);
}

double program_time(const App& app, const std::string& path) {
    nc::DataCheck check;
    if (check_program(app, path, nc::CheckMode::Full, check) == kCheckNotOpened) return -1;
    return check.time.feed_time + check.time.rapid_time;
}

void install_optimise_hooks(App& app) {
    RunHooks& h = app.run.hooks;
    h.context = &app;
    h.optimise_begin = &optimise_begin;
    h.optimise_sink = {&app, &optimise_step};
    h.optimise_position = &optimise_position;
    h.optimise_finish = &optimise_finish;
}

}  // namespace vx::shell
