// The joins between the block pipeline and the records above and beside it: the interpreter's
// tool questions answered from the tool table, the machine definition's attachment in the shape
// the tool profile reads, an NC-reader plug-in module as the reader's record source, and a move
// of the interpreter as the path the cutting steps follow. The
// pipeline owns the interfaces; only the shell knows both sides.
#pragma once

#include "nc/interp.h"
#include "nc/mtl.h"
#include "nc/reader.h"
#include "nc/subprograms.h"
#include "sim/cutting_step.h"
#include "sim/tool_records.h"
#include "sim/tools.h"
#include "sim/workgrid.h"

#include <string>

namespace vx::integration {
struct Module;
struct Plugins;
}

namespace vx::shell {

// The interpreter's questions answered from `table`, which must outlive the lookup.
nc::ToolLookup tool_lookup(const sim::ToolTable& table);

// An attachment of the machine definition as the tool profile takes it.
sim::Attachment sim_attachment(const nc::AttachmentShape& shape);

// The attachment mounted at the start, converted into `storage`: &storage, or nullptr when none
// is mounted. The options of a tool selection point at it, so it must outlive the selection.
const sim::Attachment* mounted_attachment(const nc::Mtl& mtl, sim::Attachment& storage);

// The path the cutting steps of `move` follow, in the simulation's motion codes (a spline is
// stepped along its chord).
sim::MovePath move_path(const nc::MoveRecord& move);

// The reader plug-in `module` as the reader's record source; the module must stay loaded while
// the source is open.
nc::RecordSource record_source(const integration::Module& module);

// The workpiece look-up of the G00 mode UNKNOWN over `workpiece` (which must outlive the run):
// the highest grid point in the rectangle between a rapid's start and end when it rises above
// the rapid's end height, so that the traced path goes through the material a rapid in any
// order of axis motion could meet.
nc::HeightLookup height_lookup(const sim::Workpiece& workpiece);

// The NC file's folder for the calls by file name and, in a memory run or an OSP program, the
// memory image of its programs (kept while the file is unchanged).
void prepare_programs(nc::ProgramLibrary& programs, const std::string& nc_path, const nc::Ctl& ctl);

// Opens the NC file `nc_path` into `reader`, through its reader plug-in when one of `plugins`
// (may be null) takes its extension: 1, or 0. A plug-in's program may name its first tool: it
// replaces `first_tool` when it is above 0.
int open_nc_source(nc::Reader& reader, const integration::Plugins* plugins, const std::string& nc_path, int& first_tool);

// The comment plug-in of `plugins` (which must outlive the reader) for the interpreter.
nc::CommentReader comment_reader(const integration::Plugins& plugins);

}  // namespace vx::shell
