// The buffer framing of a compressed workpiece file (".DMFZ"): a 24-byte header (magic, header
// size, check byte, algorithm 5 = LZMS, total size, chunk size, flags), then one record
// [u32 compressed size][payload] per chunk, each chunk an independent LZMS stream of wimlib's
// codec, a record as long as its chunk being stored raw. Both directions work in memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vx::work {

constexpr std::size_t kFramingHeaderBytes = 24;
// Chunks are never larger: the Windows encoder's limit, which its decoders may assume.
constexpr std::uint64_t kFramingMaxChunk = std::uint64_t{64} << 20;
// Chunks this encoder writes: about 40 MB of compressor state instead of 600 MB for 64 MiB.
constexpr std::uint64_t kFramingWriteChunk = std::uint64_t{4} << 20;
// The largest DMF a grid can have (INT32_MAX cells of 9 bytes) bounds what a file may claim.
constexpr std::uint64_t kFramingMaxTotal = std::uint64_t{0x7FFFFFFF} * 9 + 256;

// Why a framed buffer was refused.
enum class FramingProblem {
    None,
    Short,         // shorter than the header
    Magic,         // not 0A 51 E5 C0
    HeaderSize,    // the header size field is not 24
    CheckByte,     // the check byte does not match the header
    Algorithm,     // not LZMS
    Flags,         // bit 0 of the flags set
    ChunkSize,     // 0, or beyond 64 MiB
    TooLarge,      // the total size beyond the largest workpiece file (or the caller's limit)
    BeyondFile,    // a record's size runs past the end of the data
    RecordSize,    // a record larger than its chunk
    Decode,        // a compressed chunk does not decode
    TrailingBytes, // bytes after the last chunk
    Memory,        // the output or the codec could not be allocated
};

// The framed LZMS form of `plain` in chunks of `chunk_size` bytes (at most kFramingMaxChunk).
// Empty when the codec cannot be created.
std::optional<std::string> compress_framed(std::string_view plain, std::uint64_t chunk_size = kFramingWriteChunk);

// The bytes `framed` stands for, into `plain`. The framing is checked whole before anything is
// decoded; `max_total` caps the size a file may claim. `plain` is cleared on a refusal.
FramingProblem decompress_framed(std::string_view framed, std::string& plain,
                                 std::uint64_t max_total = kFramingMaxTotal);

// What went wrong, in English, for the detail line on stderr.
std::string_view framing_problem_text(FramingProblem problem);

// The check byte of a header: the low byte of the CRC-32 over bytes 0..5 and 7..23.
std::uint8_t framing_check_byte(const unsigned char* header);

}  // namespace vx::work
