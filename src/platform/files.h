// Files and folders as the product needs them on Linux: Windows-made names still work (a
// backslash reads as "/", a name that does not exist as spelled is matched case-insensitively in
// its folder), and files are replaced whole so that a crash never leaves half a file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vx::platform {

std::string slashes(std::string_view name);  // every backslash becomes "/"
std::string with_trailing_slash(std::string dir);
bool is_file(const std::string& path);

// The path of an existing regular file: `path` itself, or the one entry of its folder whose name
// equals the last component case-insensitively. Empty when there is none.
std::optional<std::string> find_file(const std::string& path);

std::string current_directory();  // with a trailing "/"
std::string program_directory();  // folder of the running executable, with a trailing "/"
std::string absolute(const std::string& name, const std::string& base_dir);

bool make_directories(const std::string& dir);
std::optional<std::string> read_file(const std::string& path);

// Writes `bytes` to a temporary file beside `path`, flushes it to disk and renames it over
// `path`. On any failure the temporary file is removed, `path` is untouched and false returned.
bool replace_file(const std::string& path, std::string_view bytes);

// A file too large to build in memory, written in pieces and put in place only when complete:
// the bytes go to a temporary file in the target's folder, and commit() flushes it to disk and
// renames it over the target. The target is untouched until then and after any failure; the
// temporary file is removed by a failed commit and by the destructor of an uncommitted file.
class StagedFile {
public:
    explicit StagedFile(const std::string& path);  // creates the temporary file
    ~StagedFile();
    StagedFile(const StagedFile&) = delete;
    StagedFile& operator=(const StagedFile&) = delete;

    bool ok() const { return error_ == 0; }
    int error() const { return error_; }  // errno of the first failure, 0 while none
    bool write(const void* data, std::size_t size);  // buffered; false once anything failed
    // Overwrites bytes already written at `offset` (a count known only at the end).
    bool patch(std::uint64_t offset, const void* data, std::size_t size);
    bool commit();

private:
    bool flush();
    bool fail(int error);

    std::string path_, temp_;
    int fd_ = -1;
    int error_ = 0;
    bool committed_ = false;
    std::vector<char> buffer_;
};

// Modification time in nanoseconds, or -1 when the file does not exist.
std::int64_t file_time(const std::string& path);

}  // namespace vx::platform
