#include "platform/files.h"

#include "base/text.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vx::platform {
namespace fs = std::filesystem;

std::string slashes(std::string_view name) {
    std::string out(name);
    std::replace(out.begin(), out.end(), '\\', '/');
    return out;
}

std::string with_trailing_slash(std::string dir) {
    if (!dir.empty() && dir.back() != '/') dir += '/';
    return dir;
}

bool is_file(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::optional<std::string> find_file(const std::string& path) {
    if (is_file(path)) return path;
    const fs::path p(path);
    const fs::path dir = p.has_parent_path() ? p.parent_path() : fs::path(".");
    const std::string wanted = p.filename().string();
    if (wanted.empty()) return std::nullopt;
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (equals_nocase(name, wanted)) {
            const std::string found = p.has_parent_path() ? (p.parent_path() / name).string() : name;
            if (is_file(found)) return found;
        }
    }
    return std::nullopt;
}

std::string current_directory() {
    std::error_code ec;
    const fs::path cwd = fs::current_path(ec);
    return ec ? std::string("./") : with_trailing_slash(cwd.string());
}

std::string program_directory() {
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    return ec ? current_directory() : with_trailing_slash(exe.parent_path().string());
}

std::string absolute(const std::string& name, const std::string& base_dir) {
    if (!name.empty() && name.front() == '/') return name;
    return with_trailing_slash(base_dir) + name;
}

bool make_directories(const std::string& dir) {
    if (dir.empty()) return true;
    std::error_code ec;
    fs::create_directories(dir, ec);
    return fs::is_directory(dir, ec);
}

std::optional<std::string> read_file(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return std::nullopt;
    std::string bytes;
    char buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes.append(buffer, n);
    const bool failed = std::ferror(f) != 0;
    std::fclose(f);
    if (failed) return std::nullopt;
    return bytes;
}

// ---- Staged file ----

namespace {

// Pieces smaller than this are gathered before they reach the disk.
constexpr std::size_t kStagingBuffer = std::size_t{1} << 16;

// Writes everything, continuing after short counts and interruptions; errno tells why not.
bool write_fully(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = EIO;  // a write that makes no progress would loop for ever
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

StagedFile::StagedFile(const std::string& path) : path_(path), temp_(path + ".XXXXXX") {
    fd_ = ::mkstemp(temp_.data());
    if (fd_ < 0) {
        fail(errno);
        temp_.clear();
        return;
    }
    // Keep the permissions of the file being replaced.
    struct stat st {};
    if (::stat(path_.c_str(), &st) == 0 && S_ISREG(st.st_mode)) ::fchmod(fd_, st.st_mode & 07777);
    else ::fchmod(fd_, 0644);
    buffer_.reserve(kStagingBuffer);
}

StagedFile::~StagedFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!committed_ && !temp_.empty()) ::unlink(temp_.c_str());
}

bool StagedFile::fail(int error) {
    if (error_ == 0) error_ = error != 0 ? error : EIO;
    return false;
}

bool StagedFile::flush() {
    if (!ok()) return false;
    if (buffer_.empty()) return true;
    if (!write_fully(fd_, buffer_.data(), buffer_.size())) return fail(errno);
    buffer_.clear();
    return true;
}

bool StagedFile::write(const void* data, std::size_t size) {
    if (!ok()) return false;
    const char* bytes = static_cast<const char*>(data);
    if (buffer_.size() + size <= kStagingBuffer) {
        buffer_.insert(buffer_.end(), bytes, bytes + size);
        return true;
    }
    if (!flush()) return false;
    if (size < kStagingBuffer) {
        buffer_.insert(buffer_.end(), bytes, bytes + size);
        return true;
    }
    return write_fully(fd_, bytes, size) || fail(errno);
}

bool StagedFile::patch(std::uint64_t offset, const void* data, std::size_t size) {
    if (!flush()) return false;
    const char* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::pwrite(fd_, bytes, size, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return fail(n < 0 ? errno : EIO);
        bytes += n;
        offset += static_cast<std::uint64_t>(n);
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool StagedFile::commit() {
    if (committed_) return ok();
    bool done = flush() && (::fsync(fd_) == 0 || fail(errno));
    if (fd_ >= 0) {
        if (::close(fd_) != 0 && done) done = fail(errno);
        fd_ = -1;
    }
    if (done && ::rename(temp_.c_str(), path_.c_str()) != 0) done = fail(errno);
    if (!done) {
        if (!temp_.empty()) ::unlink(temp_.c_str());
        temp_.clear();
        return false;
    }
    committed_ = true;
    return true;
}

bool replace_file(const std::string& path, std::string_view bytes) {
    StagedFile file(path);
    return file.write(bytes.data(), bytes.size()) && file.commit();
}

std::int64_t file_time(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return -1;
    return std::int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
}

}  // namespace vx::platform
