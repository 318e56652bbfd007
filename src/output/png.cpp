#include "output/png.h"

#include "platform/files.h"

#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstdint>
#include <vector>

namespace vx::output {
namespace {

void write_bytes(png_structp png, png_bytep data, png_size_t size) {
    auto* file = static_cast<platform::StagedFile*>(png_get_io_ptr(png));
    if (!file->write(data, size)) png_error(png, "write failed");
}

void flush_nothing(png_structp) {}  // the staged file flushes when it is committed

// libpng reports through these; the failure itself reaches the caller through setjmp.
void on_error(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void on_warning(png_structp, png_const_charp) {}

// The encoding proper, alone in its frame: libpng leaves it by longjmp on any failure, and
// nothing here owns a resource that the jump would skip.
bool encode(png_structp png, png_infop info, const view::Surface& s, const view::Rect& area, png_bytep row) {
    if (setjmp(png_jmpbuf(png))) return false;
    const int width = area.right - area.left;
    png_set_IHDR(png, info, png_uint_32(width), png_uint_32(area.bottom - area.top), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = area.top; y < area.bottom; ++y) {
        const view::Pixel* src = s.pixels.data() + std::size_t(y) * std::size_t(s.width) + std::size_t(area.left);
        for (int x = 0; x < width; ++x) {
            row[3 * x] = png_byte(view::pixel_red(src[x]));
            row[3 * x + 1] = png_byte(view::pixel_green(src[x]));
            row[3 * x + 2] = png_byte(view::pixel_blue(src[x]));
        }
        png_write_row(png, row);
    }
    png_write_end(png, info);
    return true;
}

}  // namespace

bool write_png(const view::Surface& surface, const std::string& path) {
    return write_png(surface, {0, 0, surface.width, surface.height}, path);
}

bool write_png(const view::Surface& surface, view::Rect area, const std::string& path) {
    if (surface.pixels.size() < std::size_t(surface.width) * std::size_t(surface.height)) return false;
    area = {std::max(area.left, 0), std::max(area.top, 0), std::min(area.right, surface.width),
            std::min(area.bottom, surface.height)};
    if (area.left >= area.right || area.top >= area.bottom) return false;

    platform::StagedFile file(path);
    if (!file.ok()) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, on_error, on_warning);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    std::vector<png_byte> row(std::size_t(area.right - area.left) * 3);
    png_set_write_fn(png, &file, write_bytes, flush_nothing);
    const bool encoded = encode(png, info, surface, area, row.data());
    png_destroy_write_struct(&png, &info);
    return encoded && file.commit();
}

bool read_png(const std::string& path, view::Surface& out) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
    if (image.width == 0 || image.height == 0 ||
        (long long)image.width * (long long)image.height > kMaxReadPixels) {
        png_image_free(&image);
        return false;
    }
    image.format = PNG_FORMAT_RGB;
    std::vector<png_byte> rgb(PNG_IMAGE_SIZE(image));
    png_color black{0, 0, 0};
    if (!png_image_finish_read(&image, &black, rgb.data(), 0, nullptr)) {
        png_image_free(&image);
        return false;
    }
    view::Surface s;
    view::resize(s, int(image.width), int(image.height));
    for (std::size_t i = 0; i < s.pixels.size(); ++i)
        s.pixels[i] = view::pixel_rgb(rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2]);
    out = std::move(s);
    return true;
}

}  // namespace vx::output
