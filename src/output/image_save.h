// Where pictures of the view go besides the result image of a batch: the save-image dialog's
// texts, the quick look's file names and the first of them that takes the picture.
#pragma once

#include "platform/language.h"
#include "view/surface.h"

#include <string>

namespace vx::output {

extern const platform::TextPair kTextSaveImageTitle;   // the save dialog's title
extern const platform::TextPair kTextSaveImageFilter;  // its single filter
extern const platform::TextPair kTextImageNotWritten;  // a picture that could not be written

// The quick look's names in the order they are tried: "tmp.png", then "tmp1.png" to "tmp9.png".
constexpr int kQuickLookNames = 10;
std::string quick_look_name(int attempt);

// Writes `picture` to the first quick-look name in `dir` (with a trailing "/") that takes it:
// a name whose file cannot be replaced (held read-only, or not a file) is passed over. The path
// written, or empty when all ten failed.
std::string write_quick_look(const view::Surface& picture, const std::string& dir);

// A name from the save dialog with ".png" added when it has no extension.
std::string png_name(std::string name);

}  // namespace vx::output
