#include "nc/reader.h"

#include "base/text.h"
#include "nc/words.h"
#include "platform/encoding.h"

#include <algorithm>
#include <cstring>

namespace vx::nc {
namespace {

constexpr std::size_t kFileChunk = 1 << 16;      // bytes read from a file at a time
constexpr std::size_t kPieceWindow = kMaxLine + 2;  // a full piece and its CR LF

// ---- Line streams ----

// Keeps at least `want` bytes ahead of the position unless the file is exhausted.
void fill(LineStream& s, std::size_t want) {
    if (!s.file || s.at_end || s.size - s.pos >= want) return;
    const std::size_t left = s.size - s.pos;
    std::memmove(s.buffer.data(), s.buffer.data() + s.pos, left);
    s.pos = 0;
    s.size = left;
    while (s.size < want && !s.at_end) {
        const std::size_t n = std::fread(s.buffer.data() + s.size, 1, s.buffer.size() - s.size, s.file);
        s.size += n;
        if (n == 0) s.at_end = true;
    }
}

const char* stream_data(const LineStream& s) { return s.file ? s.buffer.data() : s.memory.data(); }

// ---- Source chain ----

void finish_block(Reader& r, std::string_view content) {
    const std::size_t n = std::min(content.size(), kMaxLine);
    if (content.data() != r.line.data()) std::memmove(r.line.data(), content.data(), n);
    r.line[n] = '\n';
    r.line[n + 1] = '\0';
    r.length = n + 1;
}

int read_record(Reader& r) {
    int line = r.line_number;
    if (r.records.next(r.records.context, r.line.data(), static_cast<int>(r.line.size()), line) == 0) {
        r.end = ReadEnd::EndOfFile;
        return 0;
    }
    std::string_view content(r.line.data(), std::strlen(r.line.data()));
    while (!content.empty() && (content.back() == '\n' || content.back() == '\r')) content.remove_suffix(1);
    finish_block(r, content);
    r.line_number = r.block_line = line;
    r.source = BlockSource::Plugin;
    return 1;
}

// The next raw piece from the innermost level or the main program; false at the end of the
// main program. Finished subprogram files close and reading goes on in their caller.
bool next_raw(Reader& r, std::string_view& piece, bool& from_memory) {
    bool starts_line = false;
    while (r.depth > 0) {
        SubprogramLevel& level = r.levels[static_cast<std::size_t>(r.depth - 1)];
        if (next_piece(level.stream, piece, starts_line)) {
            if (starts_line) ++level.line_number;
            r.block_line = level.line_number;
            r.source = BlockSource::Subprogram;
            from_memory = level.from_memory;
            return true;
        }
        pop_subprogram(r);
    }
    if (!next_piece(r.main, piece, starts_line)) return false;
    if (starts_line) ++r.line_number;
    r.block_line = r.line_number;
    r.source = BlockSource::Main;
    from_memory = false;
    return true;
}

bool matches_nocase(std::string_view text, std::string_view word) {
    if (text.size() < word.size()) return false;
    for (std::size_t i = 0; i < word.size(); ++i)
        if (lower(text[i]) != lower(word[i])) return false;
    return true;
}

// ---- Stop blocks ----

struct LastM {
    int value = -1;
};

int remember_m(void* context, Word& w) {
    if (w.letter != 'M' || w.kind != WordKind::Address) return 1;
    static_cast<LastM*>(context)->value = read_integer(w.text);
    // "M98<name>": the file name is no words.
    const std::size_t open = w.line.find('<', w.at);
    if (open != std::string_view::npos && open < w.next) {
        const std::size_t close = w.line.find('>', open);
        w.next = close == std::string_view::npos ? w.line.size() : close + 1;
    }
    return 1;
}

}  // namespace

// ---- Line streams ----

LineStream::~LineStream() { close_stream(*this); }

int open_stream(LineStream& s, const std::string& path) {
    close_stream(s);
    s.file = std::fopen(path.c_str(), "rb");
    if (!s.file) return 0;
    s.buffer.resize(kFileChunk);
    return 1;
}

void open_stream(LineStream& s, std::string_view bytes) {
    close_stream(s);
    s.memory = bytes;
    s.size = bytes.size();
}

void close_stream(LineStream& s) {
    if (s.file) std::fclose(s.file);
    s.file = nullptr;
    s.memory = {};
    s.pos = s.size = 0;
    s.at_end = false;
    s.continuing = false;
}

bool next_piece(LineStream& s, std::string_view& piece, bool& starts_line) {
    fill(s, kPieceWindow);
    const std::size_t avail = s.size - s.pos;
    if (avail == 0) return false;
    const char* p = stream_data(s) + s.pos;
    const std::size_t window = std::min(avail, kPieceWindow);
    const auto* lf = static_cast<const char*>(std::memchr(p, '\n', window));
    std::size_t length = lf ? static_cast<std::size_t>(lf - p) : window;
    std::size_t consumed = lf ? length + 1 : window;
    // CR LF is a line end, and so is a CR that is the last byte of all.
    if (length > 0 && p[length - 1] == '\r' && (lf || window == avail)) --length;
    bool ended = true;
    if (length > kMaxLine) {  // the rest of the line comes as the next piece
        length = consumed = kMaxLine;
        ended = false;
    }
    piece = std::string_view(p, length);
    starts_line = !s.continuing;
    s.continuing = !ended;
    s.pos += consumed;
    return true;
}

// ---- Sources ----

int open_main_file(Reader& r, const std::string& path) { return open_stream(r.main, path); }

void open_main_bytes(Reader& r, std::string_view bytes) { open_stream(r.main, bytes); }

int open_records(Reader& r, const RecordSource& source, const std::string& nc_path, int& first_tool) {
    if (!source.open || !source.next || source.open(source.context, nc_path, first_tool) == 0) return 0;
    r.records = source;
    r.waiting = false;
    return 1;
}

bool reading_records(const Reader& r) { return r.records.next != nullptr; }

void close_sources(Reader& r) {
    if (reading_records(r) && r.records.close) r.records.close(r.records.context);
    r.records = RecordSource{};
    while (r.depth > 0) pop_subprogram(r);
    close_stream(r.main);
}

int push_subprogram_file(Reader& r, const std::string& path, std::string name) {
    if (r.depth >= kMaxNesting) return 0;
    SubprogramLevel& level = r.levels[static_cast<std::size_t>(r.depth)];
    if (open_stream(level.stream, path) == 0) return 0;
    level.line_number = 0;
    level.name = std::move(name);
    level.from_memory = false;
    ++r.depth;
    return 1;
}

int push_memory_program(Reader& r, std::string_view image, std::size_t offset, std::string name) {
    if (r.depth >= kMaxNesting || offset > image.size()) return 0;
    SubprogramLevel& level = r.levels[static_cast<std::size_t>(r.depth)];
    open_stream(level.stream, image.substr(offset));
    level.line_number = 0;
    level.name = std::move(name);
    level.from_memory = true;
    ++r.depth;
    return 1;
}

int pop_subprogram(Reader& r) {
    if (r.depth == 0) return 0;
    --r.depth;
    close_stream(r.levels[static_cast<std::size_t>(r.depth)].stream);
    return 1;
}

// ---- Reading ----

void start_run(Reader& r, const Ctl& ctl) {
    while (r.depth > 0) pop_subprogram(r);
    r.ctl = &ctl;
    r.waiting = ctl.start_code != ' ' && !reading_records(r);
    r.start_code_seen = false;
    r.end = ReadEnd::None;
    r.decimal_mode = ctl.decimal_point;
    r.line_number = r.block_line = 0;
    r.length = 0;
    r.line[0] = '\0';
    r.source = BlockSource::None;
    r.stop_request = false;
    r.alarm = Alarm{};
}

int read_next_block(Reader& r) {
    const Ctl& ctl = *r.ctl;
    if (reading_records(r)) return read_record(r);
    for (;;) {
        std::string_view content;
        bool from_memory = false;
        if (!next_raw(r, content, from_memory)) {
            r.end = ReadEnd::EndOfFile;
            return 0;
        }
        if (!ctl.replacements.empty() && !from_memory) {
            const std::size_t n = apply_replacements(content, ctl.replacements, r.scratch.data(), kMaxLine);
            content = std::string_view(r.scratch.data(), n);
        }
        finish_block(r, content);
        content = std::string_view(r.line.data(), r.length - 1);
        if (ctl.code_check && check_characters(content, ctl, r.alarm, r.line_number) == 0) return 1;
        if (ctl.block_skip_any && skipped_block(content, ctl)) continue;
        if (ctl.start_code == ' ') return 1;
        if (r.waiting) {
            if (is_start_code_line(content, ctl.start_code)) r.waiting = false, r.start_code_seen = true;
            continue;  // every line up to and with the start code is discarded
        }
        if (r.source == BlockSource::Main && is_start_code_line(content, ctl.start_code)) {
            r.end = ReadEnd::StartCode;
            return 0;
        }
        return 1;
    }
}

std::string_view current_block(const Reader& r) { return std::string_view(r.line.data(), r.length); }

bool start_code_missing(const Reader& r) { return r.waiting && r.end == ReadEnd::EndOfFile; }

// ---- The steps of reading a line ----

std::size_t apply_replacements(std::string_view in, const std::vector<Replacement>& pairs, char* out,
                               std::size_t capacity) {
    struct Hit {
        std::size_t at;
        const Replacement* pair;
    };
    std::array<Hit, kMaxLineReplacements> hits;
    std::size_t count = 0;
    for (std::size_t i = 0; i < in.size() && count < hits.size();) {
        const Replacement* found = nullptr;
        for (const Replacement& p : pairs)
            if (matches_nocase(in.substr(i), p.from)) {
                found = &p;
                break;
            }
        if (!found) {
            ++i;
            continue;
        }
        hits[count++] = {i, found};
        i += found->from.size() + 1;  // the character behind a match never starts one
    }
    std::size_t n = 0, from = 0;
    const auto put = [&](std::string_view s) {
        const std::size_t k = std::min(s.size(), capacity - n);
        std::memcpy(out + n, s.data(), k);
        n += k;
    };
    for (std::size_t h = 0; h < count; ++h) {
        put(in.substr(from, hits[h].at - from));
        put(hits[h].pair->to);
        from = hits[h].at + hits[h].pair->from.size();
    }
    put(in.substr(from));
    return n;
}

int check_characters(std::string_view line, const Ctl& ctl, Alarm& alarm, int line_number) {
    bool comment = false;
    int points = 0;  // "." in the current run behind a letter or "#"
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (comment && c != ')') continue;  // comment text is not checked, its parentheses are
        comment = comment ? false : c == '(';
        const int position = static_cast<int>(i) + 1;
        if (ctl.has_check_char && !is_digit(c) && ctl.check_char.find(c) == std::string::npos) {
            raise_alarm(alarm, kAlarmInvalidCharacter, line_number, position, platform::character_at(line, i));
            return 0;
        }
        if (is_letter(c) || c == '#') {
            points = 0;
        } else if (c == '.' && ++points > 1) {
            raise_alarm(alarm, kAlarmDoubleDecimal, line_number, position);
            return 0;
        }
    }
    return 1;
}

bool skipped_block(std::string_view line, const Ctl& ctl) {
    if (!ctl.block_skip_any || line.empty() || line.front() != '/') return false;
    const char level = line.size() > 1 ? line[1] : '\0';
    if (level >= '2' && level <= '9') return ctl.block_skip[static_cast<std::size_t>(level - '0')];
    return ctl.block_skip[1];
}

bool is_start_code_line(std::string_view line, char start_code) {
    if (line.empty()) return false;
    return line[0] == start_code || (line[0] == ' ' && line.size() > 1 && line[1] == start_code);
}

// ---- Stop blocks ----

int last_m_word(std::string_view block, Dialect dialect) {
    LastM last;
    parse_words(block, dialect, WordHandler{&last, remember_m, nullptr});
    return last.value;
}

// Modes 1 and 2 split the block into words here, before the interpreter does, because the stop
// comes before the block changes anything. The text tests in front keep that second scan to the
// few blocks that can hold the M word, and only a run in those modes pays for it.
bool is_stop_block(std::string_view block, int stop_mode, const Ctl& ctl, bool from_nc_file) {
    if (!block.empty() && block.back() == '\n') block.remove_suffix(1);
    if (stop_mode == 3) return true;
    if (!from_nc_file) return false;
    switch (stop_mode) {
        case 1: return block.find("M0") != std::string_view::npos && last_m_word(block, ctl.product) == 0;
        case 2: {
            if (block.find('M') == std::string_view::npos) return false;
            const int m = last_m_word(block, ctl.product);
            return m == 0 || m == 1;
        }
        case 4:
            return std::any_of(ctl.stop_characters.begin(), ctl.stop_characters.end(), [&](const std::string& s) {
                return !s.empty() && block.find(s) != std::string_view::npos;
            });
        default: return false;
    }
}

void request_stop(Reader& r) { r.stop_request = true; }

}  // namespace vx::nc
