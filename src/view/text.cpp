#include "view/text.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace vx::view {
namespace {

constexpr char32_t kReplacement = 0xFFFD;
constexpr char32_t kLatinProbe = U'A';
constexpr char32_t kJapaneseProbe = 0x3042;  // HIRAGANA LETTER A: a font without it is no Japanese font
constexpr std::size_t kGlyphCacheLimit = 8192;  // glyphs kept before the cache starts over

struct Glyph {
    int left = 0, top = 0;  // bitmap offset from the pen position on the baseline (top upward)
    int width = 0, rows = 0;
    long advance = 0;  // 26.6 fixed point
    std::vector<std::uint8_t> coverage;
};

struct Face {
    FT_Face face = nullptr;
    std::string file;
    int size = 0;  // pixel size currently set
};

// The next character of `text` from `pos`, which moves past it. Malformed, overlong and
// surrogate sequences read as one replacement character per bad byte.
char32_t next_character(std::string_view text, std::size_t& pos) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned c0 = byte(pos);
    if (c0 < 0x80) return ++pos, c0;
    int length = c0 >= 0xF0 && c0 <= 0xF4 ? 4 : c0 >= 0xE0 ? (c0 < 0xF0 ? 3 : 0) : c0 >= 0xC2 ? 2 : 0;
    if (length == 0 || pos + length > text.size()) return ++pos, kReplacement;
    char32_t cp = c0 & (0x7F >> length);
    for (int i = 1; i < length; ++i) {
        const unsigned c = byte(pos + i);
        if ((c & 0xC0) != 0x80) return ++pos, kReplacement;
        cp = cp << 6 | (c & 0x3F);
    }
    const char32_t min_for_length[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < min_for_length[length] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return ++pos, kReplacement;
    pos += std::size_t(length);
    return cp;
}

bool is_control(char32_t c) { return c < 0x20 || c == 0x7F || (c >= 0x80 && c < 0xA0); }

// The file fontconfig gives for `pattern`, when that font has `probe`. Fontconfig always
// answers with some font, so the probe tells a real match from a stand-in.
std::string match_font(FcConfig* config, const char* pattern, char32_t probe) {
    FcPattern* wanted = FcNameParse(reinterpret_cast<const FcChar8*>(pattern));
    if (!wanted) return {};
    FcConfigSubstitute(config, wanted, FcMatchPattern);
    FcDefaultSubstitute(wanted);
    FcResult result = FcResultNoMatch;
    FcPattern* found = FcFontMatch(config, wanted, &result);
    FcPatternDestroy(wanted);
    if (!found) return {};
    std::string file;
    FcChar8* name = nullptr;
    FcCharSet* chars = nullptr;
    if (FcPatternGetString(found, FC_FILE, 0, &name) == FcResultMatch && name &&
        FcPatternGetCharSet(found, FC_CHARSET, 0, &chars) == FcResultMatch && FcCharSetHasChar(chars, probe))
        file = reinterpret_cast<const char*>(name);
    FcPatternDestroy(found);
    return file;
}

}  // namespace

struct FontsState {
    FT_Library library = nullptr;
    Face latin, japanese;
    std::unordered_map<std::uint64_t, Glyph> glyphs;  // by character and pixel height

    ~FontsState() {
        if (latin.face) FT_Done_Face(latin.face);
        if (japanese.face) FT_Done_Face(japanese.face);
        if (library) FT_Done_FreeType(library);
    }

    void open(Face& f, const std::string& file, char32_t probe) {
        if (!library || file.empty()) return;
        FT_Face face = nullptr;
        if (FT_New_Face(library, file.c_str(), 0, &face) != 0) return;
        // A face without scalable outlines or without the probe character is of no use here.
        if (!FT_IS_SCALABLE(face) || FT_Get_Char_Index(face, FT_ULong(probe)) == 0) {
            FT_Done_Face(face);
            return;
        }
        f.face = face;
        f.file = file;
    }

    Face* primary() { return latin.face ? &latin : japanese.face ? &japanese : nullptr; }

    bool set_size(Face& f, int size) {
        if (f.size == size) return true;
        if (FT_Set_Pixel_Sizes(f.face, 0, FT_UInt(size)) != 0) return false;
        f.size = size;
        return true;
    }

    const Glyph& glyph(char32_t c, int size) {
        const std::uint64_t key = std::uint64_t(c) | std::uint64_t(size) << 32;
        if (auto it = glyphs.find(key); it != glyphs.end()) return it->second;
        if (glyphs.size() >= kGlyphCacheLimit) glyphs.clear();
        return glyphs.emplace(key, render(c, size)).first->second;
    }

    Glyph render(char32_t c, int size) {
        for (Face* f : {&latin, &japanese}) {
            if (!f->face) continue;
            const FT_UInt index = FT_Get_Char_Index(f->face, FT_ULong(c));
            if (index == 0) continue;
            Glyph g;
            if (set_size(*f, size) && FT_Load_Glyph(f->face, index, FT_LOAD_DEFAULT | FT_LOAD_NO_BITMAP) == 0 &&
                FT_Render_Glyph(f->face->glyph, FT_RENDER_MODE_NORMAL) == 0) {
                copy_bitmap(f->face->glyph, g);
                return g;
            }
        }
        return box(size);
    }

    static void copy_bitmap(FT_GlyphSlot slot, Glyph& g) {
        const FT_Bitmap& b = slot->bitmap;
        g.left = slot->bitmap_left;
        g.top = slot->bitmap_top;
        g.advance = slot->advance.x;
        if (b.pixel_mode != FT_PIXEL_MODE_GRAY || b.num_grays != 256) return;  // no ink we can blend
        g.width = int(b.width);
        g.rows = int(b.rows);
        g.coverage.resize(std::size_t(g.width) * std::size_t(g.rows));
        for (int y = 0; y < g.rows; ++y) {
            const unsigned char* src = b.pitch >= 0 ? b.buffer + std::ptrdiff_t(y) * b.pitch
                                                    : b.buffer + std::ptrdiff_t(g.rows - 1 - y) * -b.pitch;
            std::copy(src, src + g.width, g.coverage.begin() + std::ptrdiff_t(y) * g.width);
        }
    }

    // The stand-in for a character no font has: an outlined box the height of a capital.
    static Glyph box(int size) {
        Glyph g;
        const int advance = std::max(2, (size * 6 + 5) / 10);
        g.width = std::max(1, advance - 2);
        g.rows = std::max(1, (size * 7 + 5) / 10);
        g.left = 1;
        g.top = g.rows;
        g.advance = long(advance) * 64;
        g.coverage.assign(std::size_t(g.width) * std::size_t(g.rows), 0);
        for (int y = 0; y < g.rows; ++y)
            for (int x = 0; x < g.width; ++x)
                if (x == 0 || y == 0 || x == g.width - 1 || y == g.rows - 1) g.coverage[std::size_t(y * g.width + x)] = 255;
        return g;
    }
};

namespace {

bool usable(Fonts& fonts, int pixel_height) {
    return fonts.available() && pixel_height >= kMinTextHeight && pixel_height <= kMaxTextHeight;
}

// Runs `place(glyph, x)` for each drawn character with its pen position in whole pixels, and
// returns the string's advance.
template <class Place>
int lay_out(FontsState& st, std::string_view utf8, int size, Place&& place) {
    long pen = 0;  // 26.6
    for (std::size_t pos = 0; pos < utf8.size();) {
        const char32_t c = next_character(utf8, pos);
        if (is_control(c)) continue;
        const Glyph& g = st.glyph(c, size);
        place(g, int((pen + 32) >> 6));
        pen += g.advance;
    }
    return int((pen + 32) >> 6);
}

}  // namespace

// ---- Fonts ----

Fonts::Fonts() : state_(std::make_unique<FontsState>()) {
    if (FT_Init_FreeType(&state_->library) != 0) {
        state_->library = nullptr;
        return;
    }
    FcConfig* config = FcInitLoadConfigAndFonts();
    if (!config) return;
    state_->open(state_->latin, match_font(config, "DejaVu Sans", kLatinProbe), kLatinProbe);
    state_->open(state_->japanese, match_font(config, "IPAGothic:lang=ja", kJapaneseProbe), kJapaneseProbe);
    FcConfigDestroy(config);
}

Fonts::Fonts(const FontFiles& files) : state_(std::make_unique<FontsState>()) {
    if (FT_Init_FreeType(&state_->library) != 0) {
        state_->library = nullptr;
        return;
    }
    state_->open(state_->latin, files.latin, kLatinProbe);
    state_->open(state_->japanese, files.japanese, kJapaneseProbe);
}

Fonts::~Fonts() = default;

bool Fonts::available() const { return state_->latin.face || state_->japanese.face; }
bool Fonts::has_japanese() const { return state_->japanese.face != nullptr; }
const std::string& Fonts::latin_file() const { return state_->latin.file; }
const std::string& Fonts::japanese_file() const { return state_->japanese.file; }

// ---- Measuring and drawing ----

TextExtent measure_text(Fonts& fonts, std::string_view utf8, int pixel_height) {
    if (!usable(fonts, pixel_height)) return {};
    FontsState& st = fonts.state();
    Face& f = *st.primary();
    if (!st.set_size(f, pixel_height)) return {};
    TextExtent e;
    // The line box of the main face; ink beyond it (rare accents) is cut off when drawn.
    e.ascent = int((f.face->size->metrics.ascender + 63) >> 6);
    e.descent = int((-f.face->size->metrics.descender + 63) >> 6);
    int ink_right = 0;
    const int advance = lay_out(st, utf8, pixel_height, [&](const Glyph& g, int x) {
        if (g.width > 0) ink_right = std::max(ink_right, x + g.left + g.width);
    });
    e.width = std::max(advance, ink_right);
    return e;
}

bool draw_text(Surface& s, Fonts& fonts, int x, int y, std::string_view utf8, int pixel_height, Pixel colour) {
    if (!usable(fonts, pixel_height)) return false;
    const TextExtent e = measure_text(fonts, utf8, pixel_height);
    if (e.height() == 0) return false;
    const Rect saved = s.clip;
    const std::int64_t right = std::min<std::int64_t>(saved.right, std::int64_t(x) + e.width);
    const std::int64_t bottom = std::min<std::int64_t>(saved.bottom, std::int64_t(y) + e.height());
    const Rect box{std::max(saved.left, x), std::max(saved.top, y), std::int32_t(right), std::int32_t(bottom)};
    if (box.left >= box.right || box.top >= box.bottom) return true;  // wholly clipped away
    s.clip = box;
    const int baseline = y + e.ascent;
    lay_out(fonts.state(), utf8, pixel_height, [&](const Glyph& g, int pen_x) {
        if (g.width > 0)
            blend_mask(s, x + pen_x + g.left, baseline - g.top, g.coverage.data(), g.width, g.rows, g.width, colour);
    });
    s.clip = saved;
    return true;
}

std::string text_engine_version() {
    FT_Library library = nullptr;
    if (FT_Init_FreeType(&library) != 0) return {};
    FT_Int major = 0, minor = 0, patch = 0;
    FT_Library_Version(library, &major, &minor, &patch);
    FT_Done_FreeType(library);
    return std::to_string(major) + "." + std::to_string(minor) + "." + std::to_string(patch);
}

}  // namespace vx::view
