#include "platform/shared_memory.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vx::platform {
namespace {

// Only the user who runs the simulation may read or change its blocks.
constexpr mode_t kBlockPermissions = 0600;

std::string failure(const std::string& what, const std::string& name) {
    return what + " " + name + ": " + std::strerror(errno);
}

void set_error(std::string* error, const std::string& text) {
    if (error) *error = text;
}

// Opens (or creates) the object; `created` tells which happened.
int open_object(const std::string& name, ShareOpen how, bool& created) {
    int fd = ::shm_open(name.c_str(), O_RDWR | O_CREAT | O_EXCL, kBlockPermissions);
    created = fd >= 0;
    if (fd >= 0 || errno != EEXIST) return fd;
    // A block left behind by a process that did not end normally is taken over, not refused:
    // it would otherwise block every later run under the same name.
    fd = ::shm_open(name.c_str(), O_RDWR, kBlockPermissions);
    created = how == ShareOpen::Create && fd >= 0;
    return fd;
}

// ---- Names removed when the process is ended by a signal ----

// A run ended with Ctrl+C or kill would otherwise leave its blocks in /dev/shm. The names this
// process owns are kept in a fixed table that the handler can read without allocating.
constexpr std::size_t kMaxOwnedBlocks = 16;
constexpr std::size_t kMaxNameBytes = 64;  // "/" + 35 characters + "_TOPN" fit easily
struct OwnedName {
    std::atomic<bool> used{false};
    char name[kMaxNameBytes] = {};
};
std::array<OwnedName, kMaxOwnedBlocks> g_owned;
std::atomic<bool> g_handlers_installed{false};
constexpr int kCleanupSignals[] = {SIGINT, SIGTERM, SIGHUP};

void unlink_owned_and_reraise(int signal) {
    for (OwnedName& o : g_owned)
        if (o.used.load()) ::shm_unlink(o.name);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

// Installed once, and only where nobody else handles the signal (the window has its own ways).
void install_cleanup_handlers() {
    if (g_handlers_installed.exchange(true)) return;
    for (const int signal : kCleanupSignals) {
        struct sigaction current {};
        if (::sigaction(signal, nullptr, &current) != 0 || current.sa_handler != SIG_DFL) continue;
        struct sigaction action {};
        action.sa_handler = &unlink_owned_and_reraise;
        sigemptyset(&action.sa_mask);
        ::sigaction(signal, &action, nullptr);
    }
}

void remember_owned(const std::string& name) {
    if (name.size() >= kMaxNameBytes) return;
    install_cleanup_handlers();
    for (OwnedName& o : g_owned) {
        if (o.used.load()) continue;
        std::memcpy(o.name, name.c_str(), name.size() + 1);
        o.used.store(true);
        return;
    }
}

void forget_owned(const std::string& name) {
    for (OwnedName& o : g_owned)
        if (o.used.load() && name == o.name) o.used.store(false);
}

std::size_t object_size(int fd) {
    struct stat st {};
    return ::fstat(fd, &st) == 0 && st.st_size > 0 ? std::size_t(st.st_size) : 0;
}

}  // namespace

std::string share_name_problem(std::string_view base) {
    if (base.empty()) return "the name is empty";
    if (base.size() > kMaxShareBaseName)
        return "the name has " + std::to_string(base.size()) + " characters, at most " +
               std::to_string(kMaxShareBaseName) + " are allowed";
    for (const char c : base) {
        if (c == '/') return "the name contains a \"/\"";
        if (static_cast<unsigned char>(c) < 0x21 || static_cast<unsigned char>(c) > 0x7E)
            return "the name may hold only printable ASCII characters without blanks";
    }
    return {};
}

std::string shared_block_name(std::string_view base, std::string_view suffix) {
    std::string name = "/";
    name += base;
    name += suffix;
    return name;
}

int map_shared_memory(SharedMemory& block, const std::string& name, std::size_t size, ShareOpen how,
                      std::string* error) {
    block = SharedMemory{};
    if (size == 0) {
        set_error(error, "a shared block of 0 bytes cannot be mapped: " + name);
        return 0;
    }
    bool created = false;
    const int fd = open_object(name, how, created);
    if (fd < 0) {
        set_error(error, failure("cannot open the shared memory", name));
        return 0;
    }
    // An owner locks its object for as long as it maps it: taking over the name of a process
    // that still runs would pull the block from under it, while one left behind is free.
    if (created && ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        set_error(error, "the shared memory " + name + " is in use by another process");
        ::close(fd);
        return 0;
    }
    if (created) {
        // Truncating to 0 first zero-fills an object taken over from an earlier process. The
        // pages are reserved now: a full /dev/shm would otherwise kill the process (SIGBUS) at
        // the first write instead of refusing here.
        const int reserved = ::ftruncate(fd, 0) == 0 ? ::posix_fallocate(fd, 0, off_t(size)) : errno;
        if (reserved != 0) {
            errno = reserved;
            set_error(error, failure("cannot reserve the shared memory", name));
            ::shm_unlink(name.c_str());
            ::close(fd);
            return 0;
        }
    } else if (object_size(fd) < size) {
        set_error(error, "the shared memory " + name + " exists with fewer than " + std::to_string(size) + " bytes");
        ::close(fd);
        return 0;
    }
    void* data = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (data == MAP_FAILED) {
        set_error(error, failure("cannot map the shared memory", name));
        if (created) ::shm_unlink(name.c_str());
        ::close(fd);
        return 0;
    }
    if (created) {
        block.lock_fd = fd;
        remember_owned(name);
    } else {
        ::close(fd);  // the mapping keeps the object
    }
    block.data = data;
    block.size = size;
    block.name = name;
    block.owner = created;
    return 1;
}

int attach_shared_memory(SharedMemory& block, const std::string& name) {
    block = SharedMemory{};
    const int fd = ::shm_open(name.c_str(), O_RDWR, kBlockPermissions);
    if (fd < 0) return 0;
    const std::size_t size = object_size(fd);
    void* data = size > 0 ? ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0) : MAP_FAILED;
    ::close(fd);
    if (data == MAP_FAILED) return 0;
    block.data = data;
    block.size = size;
    block.name = name;
    return 1;
}

void release_shared_memory(SharedMemory& block) {
    if (block.data) ::munmap(block.data, block.size);
    if (block.owner) {
        forget_owned(block.name);
        ::shm_unlink(block.name.c_str());
    }
    if (block.lock_fd >= 0) ::close(block.lock_fd);
    block = SharedMemory{};
}

bool shared_memory_exists(const std::string& name) {
    const int fd = ::shm_open(name.c_str(), O_RDONLY, 0);
    if (fd < 0) return false;
    ::close(fd);
    return true;
}

}  // namespace vx::platform
