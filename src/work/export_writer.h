// What the STL and VRML writers share: where the bytes go, the grid points as the files give them
// (single precision) and lines built with "%f" numbers without the locale's say.
#pragma once

#include "platform/files.h"
#include "sim/workgrid.h"
#include "work/mesh_export.h"
#include "work/top_surface.h"

#include <charconv>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace vx::work {

struct Point3f {
    float x, y, z;
};

// The bytes go to a staged file when one is given, else to memory.
struct ExportSink {
    platform::StagedFile* file = nullptr;
    std::string bytes;

    void write(const char* data, std::size_t size) {
        if (file) file->write(data, size);
        else bytes.append(data, size);
    }
    void write(std::string_view text) { write(text.data(), text.size()); }
    // Overwrites bytes already written (a count known only at the end).
    void patch(std::uint64_t offset, const void* data, std::size_t size) {
        if (file) file->patch(offset, data, size);
        else std::memcpy(bytes.data() + offset, data, size);
    }
};

// The grid points of the export: X by column, Y by row, the heights and the bottom, as floats.
struct SurfacePoints {
    HeightGrid grid;
    std::vector<float> x, y;
    float bottom = 0.0f;
    double pitch = 1.0;

    Point3f top(std::int32_t column, std::int32_t row) const { return {x[column], y[row], grid.at(column, row)}; }
    Point3f base(std::int32_t column, std::int32_t row) const { return {x[column], y[row], bottom}; }
};

inline SurfacePoints surface_points(const sim::Workpiece& wp) {
    const sim::GridGeometry& g = wp.geometry;
    SurfacePoints s{{wp.height.data, g.nx, g.ny}, {}, {}, static_cast<float>(wp.work_bottom), g.pitch};
    s.x.resize(static_cast<std::size_t>(g.nx));
    s.y.resize(static_cast<std::size_t>(g.ny));
    for (std::int32_t i = 0; i < g.nx; ++i) s.x[i] = static_cast<float>(g.origin_x + i * g.pitch);
    for (std::int32_t j = 0; j < g.ny; ++j) s.y[j] = static_cast<float>(g.origin_y + j * g.pitch);
    return s;
}

// One or a few lines of text. Room for the longest a writer builds: a text STL facet of twelve
// numbers, each at most 47 characters in "%f" (a float's largest value has 39 digits).
class LineBuilder {
public:
    LineBuilder& add(std::string_view text) {
        const std::size_t n = std::min(text.size(), sizeof buffer_ - size_);
        std::memcpy(buffer_ + size_, text.data(), n);
        size_ += n;
        return *this;
    }
    // "%f": six decimals, fixed.
    LineBuilder& add_fixed(double value) {
        const auto r = std::to_chars(buffer_ + size_, buffer_ + sizeof buffer_, value, std::chars_format::fixed, 6);
        if (r.ec == std::errc{}) size_ = static_cast<std::size_t>(r.ptr - buffer_);
        return *this;
    }
    LineBuilder& add_int(std::int64_t value) {
        const auto r = std::to_chars(buffer_ + size_, buffer_ + sizeof buffer_, value);
        if (r.ec == std::errc{}) size_ = static_cast<std::size_t>(r.ptr - buffer_);
        return *this;
    }
    // "%f %f %f"
    LineBuilder& add_point(const Point3f& p) {
        return add_fixed(p.x).add(" ").add_fixed(p.y).add(" ").add_fixed(p.z);
    }
    const char* data() const { return buffer_; }
    std::size_t size() const { return size_; }
    std::string_view view() const { return {buffer_, size_}; }
    void clear() { size_ = 0; }

private:
    char buffer_[1024];
    std::size_t size_ = 0;
};

// The VRML writers (vrml.cpp).
void write_vrml_faces(ExportSink& out, const SurfacePoints& s, const ExportOptions& options);
void write_vrml_grid(ExportSink& out, const SurfacePoints& s, const ExportOptions& options);

}  // namespace vx::work
