// The NC word reader's line side: it takes the next line from the current source (an open record
// source such as an NC-reader plug-in, else the innermost subprogram level, a file or a program
// in the memory image, else the main program), applies the controller's text replacements,
// character check and optional block skip, waits for the start code, and leaves one block ending
// in LF. It also answers whether a block stops the run. Reading allocates nothing per line.
#pragma once

#include "nc/alarms.h"
#include "nc/ctl.h"

#include <array>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace vx::nc {

constexpr std::size_t kMaxLine = 255;  // characters of one block; a longer line comes in pieces
constexpr int kMaxNesting = 4;         // subprogram levels
constexpr std::size_t kMaxLineReplacements = 30;

// ---- Line streams ----

// Lines of a file (read in chunks) or of bytes in memory, as pieces of at most kMaxLine
// characters without their line end (CR LF or LF).
struct LineStream {
    std::FILE* file = nullptr;  // owned
    std::vector<char> buffer;   // the file's current chunk
    std::string_view memory;    // the bytes when there is no file
    std::size_t pos = 0, size = 0;
    bool at_end = false;        // the file has nothing more to give
    bool continuing = false;    // the last piece stopped inside a line

    LineStream() = default;
    LineStream(const LineStream&) = delete;
    LineStream& operator=(const LineStream&) = delete;
    ~LineStream();
};

int open_stream(LineStream& s, const std::string& path);  // 1, or 0 when it cannot be opened
void open_stream(LineStream& s, std::string_view bytes);  // the bytes must outlive the stream
void close_stream(LineStream& s);

// The next piece; `starts_line` tells whether it begins a new line (for the line counter).
bool next_piece(LineStream& s, std::string_view& piece, bool& starts_line);

// ---- Record sources ----

// Whole blocks from outside the controller's line steps (the shell links an NC-reader plug-in):
// opened with the NC file, asked for one record at a time, closed at the end.
struct RecordSource {
    const void* context = nullptr;
    // Starts reading `nc_path`: 1 when the source takes it; `first_tool` receives the program's
    // first tool and stays unchanged when the source names none.
    int (*open)(const void* context, const std::string& nc_path, int& first_tool) = nullptr;
    // The next record into `block` (`size` bytes, NUL-terminated) and its line number: 1, or 0
    // at the end.
    int (*next)(const void* context, char* block, int size, int& line_number) = nullptr;
    void (*close)(const void* context) = nullptr;
};

// ---- The reader ----

enum class BlockSource { None, Plugin, Subprogram, Main };
enum class ReadEnd { None, EndOfFile, StartCode };

struct SubprogramLevel {
    LineStream stream;
    int line_number = 0;  // lines read from this level
    std::string name;     // shown in the display: "O0012", a file name
    bool from_memory = false;  // a program of the memory image (its replacements are done)
};

struct Reader {
    const Ctl* ctl = nullptr;                      // the controller of the run
    RecordSource records;  // the open record source; unset while the file chain is read
    LineStream main;
    std::array<SubprogramLevel, kMaxNesting> levels;
    int depth = 0;

    std::array<char, kMaxLine + 2> line{};  // the current block, LF and a terminator behind it
    std::size_t length = 0;                 // with its LF
    std::array<char, kMaxLine + 2> scratch{};

    int line_number = 0;   // lines of the main program read: the line of every message
    int block_line = 0;    // the current block's line in its own source (a plug-in record's own)
    BlockSource source = BlockSource::None;
    bool waiting = false;  // for the start code
    bool start_code_seen = false;
    ReadEnd end = ReadEnd::None;
    int decimal_mode = 0;  // the run's copy of "DECIMAL POINT", recording the last coordinate
    bool stop_request = false;  // one-shot: the next block stops whatever the stop option
    Alarm alarm;           // the run's alarm; the interpreter raises its own into it as well
};

// ---- Sources ----

// The main program from a file (1, or 0 when it cannot be opened) or from bytes in memory.
int open_main_file(Reader& r, const std::string& path);
void open_main_bytes(Reader& r, std::string_view bytes);

// Makes `source` the source when it opens the NC file (1; 0 leaves the reader as it was). The
// start code, replacements, character check and block skip do not apply to its records.
int open_records(Reader& r, const RecordSource& source, const std::string& nc_path, int& first_tool);
bool reading_records(const Reader& r);

// Closes every source (the record source too) and the subprogram levels.
void close_sources(Reader& r);

// A subprogram level: a file (0 when it cannot be opened or 4 levels are open: the call is
// ignored), or a program of the memory image starting at byte `offset` of `image` (its lines
// end in LF; the image outlives the level). `name` is the display name.
int push_subprogram_file(Reader& r, const std::string& path, std::string name);
int push_memory_program(Reader& r, std::string_view image, std::size_t offset, std::string name);

// M99: closes the innermost level (no effect at depth 0); reading goes on in the caller.
int pop_subprogram(Reader& r);

// ---- Reading ----

// The start of a run or data check: start-code state, decimal mode, line counters, alarm,
// stop request; the subprogram levels are closed. The sources stay open.
void start_run(Reader& r, const Ctl& ctl);

// The next block into r.line: 1, or 0 at the end of the main program (end of its source, a
// start-code line, or the plug-in's last record). A character-check finding raises its alarm
// and still gives the block, so that the run stops at it.
int read_next_block(Reader& r);

std::string_view current_block(const Reader& r);  // with its LF

// The data check raises alarm 3 when the main program ended while still waiting for it.
bool start_code_missing(const Reader& r);

// ---- The steps of reading a line, on their own ----

// Replaces the replacement pairs' texts in `in` into `out` (at most `capacity` characters):
// positions are tried from the first, pairs in order, case-insensitively; after a match the scan
// goes on one character behind it; at most 30 replacements a line. Returns the new length.
std::size_t apply_replacements(std::string_view in, const std::vector<Replacement>& pairs, char* out,
                               std::size_t capacity);

// The character check over a line without its line end: 1 when it passes, 0 with alarm 4 or 5.
int check_characters(std::string_view line, const Ctl& ctl, Alarm& alarm, int line_number);

// Whether the optional block skip drops a line that begins with "/".
bool skipped_block(std::string_view line, const Ctl& ctl);

// Whether the line begins with the start code, directly or behind one blank.
bool is_start_code_line(std::string_view line, char start_code);

// ---- Stop blocks ----

// Whether the run stops before `block` (with or without its LF) under `stop_mode` (0 NONE,
// 1 NORMAL, 2 M01, 3 SINGLE, 4 DEFINE). Mode 3 stops at every block; modes 1, 2 and 4 only at
// blocks of the NC file itself (`from_nc_file`), not of a subprogram or a record source: mode 1
// when the block holds "M0" and its last M word outside comments is 0, mode 2 when it holds an
// "M" and its last M word is 0 or 1, mode 4 when it holds one of the controller's stop strings.
bool is_stop_block(std::string_view block, int stop_mode, const Ctl& ctl, bool from_nc_file);

// One-shot: the next block the pipeline reads stops the run whatever the stop mode (a run that
// takes no stops drops the request).
void request_stop(Reader& r);

// The value of the last M word outside comments, -1 when the block has none.
int last_m_word(std::string_view block, Dialect dialect);

}  // namespace vx::nc
