// Text on the drawing surface, for the panels: UTF-8 strings drawn with FreeType in anti-aliased
// grey levels blended onto the surface. The fonts are found through fontconfig: "DejaVu Sans"
// for Latin text and, for the characters it lacks (the Japanese texts), a Japanese font such as
// IPA Gothic when one is installed. A character that no font has is drawn as a box. Without any
// usable font nothing is drawn and the calls say so; nothing here throws.
//
// Fonts keeps the opened faces and the rendered glyphs; it belongs to one thread.
#pragma once

#include "view/surface.h"

#include <memory>
#include <string>
#include <string_view>

namespace vx::view {

struct FontsState;

// Font files given directly instead of looked up; an empty or unreadable name is no font.
struct FontFiles {
    std::string latin, japanese;
};

class Fonts {
public:
    Fonts();  // looks the fonts up; a missing font leaves the object usable but without it
    explicit Fonts(const FontFiles& files);
    ~Fonts();
    Fonts(const Fonts&) = delete;
    Fonts& operator=(const Fonts&) = delete;

    bool available() const;  // some font was opened (the Latin one, else the Japanese one)
    bool has_japanese() const;  // a font with the Japanese characters was opened
    const std::string& latin_file() const;  // empty when none
    const std::string& japanese_file() const;

    FontsState& state() { return *state_; }

private:
    std::unique_ptr<FontsState> state_;
};

// Pixel heights outside this range draw nothing.
constexpr int kMinTextHeight = 1;
constexpr int kMaxTextHeight = 512;

struct TextExtent {
    int width = 0;    // advance of the whole string, in pixels
    int ascent = 0;   // line box above the baseline
    int descent = 0;  // line box below the baseline
    int height() const { return ascent + descent; }
};

// The size of `utf8` drawn at `pixel_height` (the em size in pixels). All zero without a font.
TextExtent measure_text(Fonts& fonts, std::string_view utf8, int pixel_height);

// Draws `utf8` with the top left corner of its line box at (x, y); ink is kept inside the box
// that measure_text gives (x .. x + width, y .. y + height). Control characters take no room. False when no font is available or
// the height is out of range (nothing is drawn then).
bool draw_text(Surface& s, Fonts& fonts, int x, int y, std::string_view utf8, int pixel_height, Pixel colour);

// The FreeType version the glyphs are rendered with ("2.12.1"); grey levels may differ between
// versions, which the golden-image tests need to know.
std::string text_engine_version();

}  // namespace vx::view
