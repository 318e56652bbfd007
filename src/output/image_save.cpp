#include "output/image_save.h"

#include "output/png.h"

#include <sys/stat.h>
#include <unistd.h>

namespace vx::output {

const platform::TextPair kTextSaveImageTitle{"画像保存", "Save Image"};
const platform::TextPair kTextSaveImageFilter{"画像ﾌｧｲﾙ(*.PNG)", "Image File(*.PNG)"};
const platform::TextPair kTextImageNotWritten{"画像を書き込めません", "The image cannot be written"};

namespace {

// A viewer may hold the last quick look; a name whose file we may not replace is skipped
// rather than swapped behind the holder's back.
bool replaceable(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return true;  // not there yet
    return S_ISREG(st.st_mode) && ::access(path.c_str(), W_OK) == 0;
}

}  // namespace

std::string quick_look_name(int attempt) {
    return attempt == 0 ? std::string("tmp.png") : "tmp" + std::to_string(attempt) + ".png";
}

std::string write_quick_look(const view::Surface& picture, const std::string& dir) {
    for (int i = 0; i < kQuickLookNames; ++i) {
        const std::string path = dir + quick_look_name(i);
        if (replaceable(path) && write_png(picture, path)) return path;
    }
    return {};
}

std::string png_name(std::string name) {
    const std::size_t slash = name.rfind('/');
    const std::size_t dot = name.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) name += ".png";
    return name;
}

}  // namespace vx::output
