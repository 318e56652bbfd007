// Named shared memory (POSIX shm_open + mmap): the blocks through which other processes follow or
// drive a simulation. A block is named "/" + base name (+ suffix); the base name is what the
// settings give and is checked here, so that every user of a name refuses it the same way.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vx::platform {

// The longest base name the settings allow (the suffix "_TOPN" and the leading "/" come on top).
constexpr std::size_t kMaxShareBaseName = 35;

// Why `base` cannot name a shared block, or empty when it can: it must have 1 to 35 characters,
// printable ASCII without "/" (POSIX gives a "/" a meaning only in front).
std::string share_name_problem(std::string_view base);

// The POSIX name of a block: "/" + base + suffix.
std::string shared_block_name(std::string_view base, std::string_view suffix = {});

struct SharedMemory {
    void* data = nullptr;
    std::size_t size = 0;
    std::string name;    // the POSIX name, with its leading "/"
    bool owner = false;  // this process created the object and unlinks it on release
    int lock_fd = -1;    // held open (and locked) while this process owns the object
};

enum class ShareOpen {
    Create,   // create the object, or take over one left behind, sized to `size`; we own it
    Join,     // create it (and own it) when missing, else map the existing one as it is
};

// Maps the block `name` of `size` bytes read-write. A block created here is zero-filled. Create
// refuses a name whose owner still runs. Returns 1, or 0 with `block` empty and `error` saying
// what failed.
int map_shared_memory(SharedMemory& block, const std::string& name, std::size_t size, ShareOpen how,
                      std::string* error = nullptr);

// Maps an existing block whole (its size from the object) without owning it; 1, or 0 when missing.
int attach_shared_memory(SharedMemory& block, const std::string& name);

// Unmaps the block and, when this process owns it, removes its name. Safe on an empty block.
void release_shared_memory(SharedMemory& block);

// Whether an object of that name exists (for the tests and the start-up checks).
bool shared_memory_exists(const std::string& name);

}  // namespace vx::platform
