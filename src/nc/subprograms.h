// Subprograms: the calls M98, M198 and OSP "CALL" open a level of the reader (up to four), M99
// and OSP "RTS" close it. A program is found in the NC file's folder or, in a memory run (and
// for OSP "CALL O n"), in the memory image: the NC file as one buffer with a table of the
// programs behind its main program. The image is rebuilt only when the file's time or size
// has changed since it was built.
#pragma once

#include "nc/interp.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vx::nc {

struct ProgramEntry {
    int number = 0;
    std::size_t offset = 0;  // of its O line in the image
    std::size_t length = 0;  // up to and with its M99 line; 0 while no M99 ended it
    int line = 0;            // of its O line in the file
};

struct MemoryImage {
    std::string path;
    std::int64_t file_time = -1, file_size = -1;
    std::string bytes;  // the lines, replacements applied, each ending in LF
    std::vector<ProgramEntry> programs;
};

// Where the calls of a run find their programs.
struct ProgramLibrary {
    std::string directory;  // of the NC file, with its trailing "/"
    MemoryImage image;
};

// The image of NC text `text` (any bytes) under the controller's replacements and dialect.
void build_memory_image(std::string_view text, const Ctl& ctl, MemoryImage& image);

// The image of the file `path`, read again only when its time or size differ from the image's:
// the number of bytes of the image, 0 when the file is empty or cannot be read (the image is
// then empty).
std::size_t load_memory_image(const std::string& path, const Ctl& ctl, MemoryImage& image);

const ProgramEntry* find_program(const MemoryImage& image, int number);

// The name of program `number` in the display: "O0012", "O12345".
std::string program_name(int number);

// The current block's M98, M198, M99, "CALL" or "RTS". A call that finds nothing, or that
// would nest a fifth level, is ignored and counted among the codes without effect.
void call_subprogram(Interp& in);

}  // namespace vx::nc
