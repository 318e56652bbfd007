#include "nc/subprograms.h"

#include "nc/no_effect.h"
#include "nc/reader.h"
#include "platform/files.h"

#include <cstdio>
#include <filesystem>

namespace vx::nc {
namespace {

bool letter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool digit(char c) { return c >= '0' && c <= '9'; }

// The first word of an image line that tells its part: a letter, "(" or ";" (an "N" word is
// passed over to the letter behind it). Returns the index of that character, or the size.
std::size_t first_word(std::string_view line) {
    std::size_t i = 0;
    while (i < line.size() && !letter(line[i]) && line[i] != '(' && line[i] != ';') ++i;
    if (i < line.size() && line[i] == 'N') {
        ++i;
        while (i < line.size() && !letter(line[i])) ++i;
    }
    return i;
}

int number_at(std::string_view line, std::size_t i) {
    return i < line.size() ? read_integer(line.substr(i)) : -1;
}

// ---- Building the image ----

struct ImageBuilder {
    MemoryImage& image;
    bool osp;
    bool main_ended = false;
    int open = -1;  // index of the program entry without its end yet

    void line(std::string_view text, int line_number, std::size_t offset, std::size_t end) {
        const std::size_t i = first_word(text);
        if (i >= text.size()) return;
        const char c = text[i];
        if (c == 'O' && main_ended) {
            image.programs.push_back({number_at(text, i + 1), offset, 0, line_number});
            open = int(image.programs.size()) - 1;
        } else if (c == 'M') {
            const int m = number_at(text, i + 1);
            if (m == 30 || m == 2) main_ended = true;
            if (m == 99) close(end);
        } else if (osp && text.substr(i, 3) == "RTS") {
            close(end);
        }
    }
    void close(std::size_t end) {
        if (open < 0) return;
        ProgramEntry& e = image.programs[std::size_t(open)];
        e.length = end - e.offset;
        open = -1;
    }
};

std::int64_t file_size(const std::string& path) {
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    return error ? -1 : std::int64_t(size);
}

// ---- Calls ----

bool call_memory(Interp& in, int number) {
    if (!in.programs) return false;
    const MemoryImage& image = in.programs->image;
    const ProgramEntry* e = find_program(image, number);
    if (!e) return false;
    const std::size_t end = e->length > 0 ? e->offset + e->length : image.bytes.size();
    Reader& r = *in.reader;
    if (!push_memory_program(r, std::string_view(image.bytes).substr(0, end), e->offset, program_name(number))) return false;
    r.levels[std::size_t(r.depth - 1)].line_number = e->line - 1;  // its lines count as the file's
    return true;
}

bool call_file(Interp& in, const std::string& name) {
    const std::string dir = in.programs ? in.programs->directory : std::string();
    const auto path = platform::find_file(dir + platform::slashes(name));
    return path && push_subprogram_file(*in.reader, *path, name);
}

// M198: "O%d", else (below 1000) "O%04d".
bool call_o_file(Interp& in, int number) {
    char name[24];
    std::snprintf(name, sizeof name, "O%d", number);
    if (call_file(in, name)) return true;
    if (number >= 1000) return false;
    std::snprintf(name, sizeof name, "O%04d", number);
    return call_file(in, name);
}

// OSP "CALL O12": program 12 of the image.
bool names_image_program(std::string_view name, int& number) {
    if (name.size() < 2 || name[0] != 'O' || !digit(name[1])) return false;
    number = read_integer(name.substr(1));
    return true;
}

bool call(Interp& in) {
    const BlockWords& b = in.block;
    const int p = b.has_p ? read_integer(b.p_text) : -1;
    if (b.call == 198) return p >= 0 && call_o_file(in, p);
    int number = 0;
    if (!b.call_name.empty()) {
        if (in.ctl->product == Dialect::Osp && names_image_program(b.call_name, number)) return call_memory(in, number);
        return call_file(in, std::string(b.call_name));
    }
    return in.ctl->memory_run && p >= 0 && call_memory(in, p);
}

std::string call_text(const Interp& in) {
    const BlockWords& b = in.block;
    if (in.ctl->product == Dialect::Osp && !b.call_name.empty()) return "CALL " + std::string(b.call_name);
    std::string text = b.call == 198 ? "M198" : "M98";
    if (!b.call_name.empty()) return text + " <" + std::string(b.call_name) + ">";
    if (b.has_p) text += " P" + std::to_string(read_integer(b.p_text));
    return text;
}

}  // namespace

void build_memory_image(std::string_view text, const Ctl& ctl, MemoryImage& image) {
    image.bytes.clear();
    image.programs.clear();
    ImageBuilder builder{image, ctl.product == Dialect::Osp};
    LineStream stream;
    open_stream(stream, text);
    std::string_view piece;
    bool starts_line = false;
    int line_number = 0;
    char replaced[kMaxLine + 1];
    while (next_piece(stream, piece, starts_line)) {
        if (starts_line) ++line_number;
        if (!ctl.replacements.empty()) piece = std::string_view(replaced, apply_replacements(piece, ctl.replacements, replaced, kMaxLine));
        const std::size_t offset = image.bytes.size();
        image.bytes.append(piece);
        image.bytes.push_back('\n');
        builder.line(piece, line_number, offset, image.bytes.size());
    }
}

std::size_t load_memory_image(const std::string& path, const Ctl& ctl, MemoryImage& image) {
    const std::int64_t time = platform::file_time(path), size = file_size(path);
    if (path == image.path && time == image.file_time && size == image.file_size && size > 0) return image.bytes.size();
    image = MemoryImage{};
    const auto text = size > 0 ? platform::read_file(path) : std::nullopt;
    if (!text || text->empty()) return 0;
    build_memory_image(*text, ctl, image);
    image.path = path;
    image.file_time = time;
    image.file_size = size;
    return image.bytes.size();
}

const ProgramEntry* find_program(const MemoryImage& image, int number) {
    for (const ProgramEntry& e : image.programs)
        if (e.number == number) return &e;
    return nullptr;
}

std::string program_name(int number) {
    char name[24];
    std::snprintf(name, sizeof name, number < 1000 ? "O%04d" : "O%d", number);
    return name;
}

void call_subprogram(Interp& in) {
    const BlockWords& b = in.block;
    if (b.call == 99) {
        const bool rts = in.ctl->product == Dialect::Osp && in.block.last_m != 99;
        if (pop_subprogram(*in.reader) == 0) note_no_effect(in, rts ? "RTS" : "M99");
        return;
    }
    if (!call(in)) note_no_effect(in, call_text(in));
}

}  // namespace vx::nc
