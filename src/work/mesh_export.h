// The workpiece as a closed solid for other programs: the top surface (merged rectangles where
// heights are flat or constant along one axis), four side walls down to the bottom height and the
// bottom face, as STL (text, binary little-endian, binary big-endian) or VRML 2.0 (an indexed face
// set); or the top surface alone as a VRML elevation grid. The solid encloses exactly the volume
// between the triangulated height field and the bottom: every face points outward.
//
// Numbers are written with "%f" in the "C" locale whatever the user's. Files are put in place
// only when complete: a failed write leaves an existing file as it was and is reported.
#pragma once

#include "base/colour.h"
#include "sim/workgrid.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace vx::work {

enum class ExportFormat { StlText, StlLittle, StlBig, VrmlFaces, VrmlGrid };

struct ExportOptions {
    Colour work_colour = rgb(127, 127, 255);  // VRML diffuseColor
};

// The bytes of the export; `title` is what a binary STL's header holds (the file's name).
std::string export_bytes(const sim::Workpiece& wp, ExportFormat format, const ExportOptions& options,
                         std::string_view title = {});

// Writes the export to `path`: 1 done; 0 without a workpiece or when the file cannot be created
// or written (reported; an existing file at `path` is left as it was).
int export_workpiece(const sim::Workpiece& wp, const std::string& path, ExportFormat format,
                     const ExportOptions& options);

// The last component of a path, as a binary STL's header holds it.
std::string_view file_title(std::string_view path);

}  // namespace vx::work
