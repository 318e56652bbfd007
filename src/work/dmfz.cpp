#include "work/dmfz.h"

#include <wimlib.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

namespace vx::work {
namespace {

constexpr std::uint32_t kMagic = 0xC0E5510A;
constexpr std::uint16_t kHeaderSize = kFramingHeaderBytes;
constexpr std::uint8_t kAlgorithmLzms = 5;
constexpr std::size_t kCheckAt = 6;
constexpr std::uint32_t kFlagReserved = 1;  // set by no known writer; its meaning is unknown
// The codec cannot shrink anything shorter; such chunks are always stored.
constexpr std::size_t kSmallestCompressible = 4;

struct FramingHeader {
    std::uint64_t total = 0;
    std::uint64_t chunk = 0;
};

template <class T>
T get(const unsigned char* p) {
    T value;
    std::memcpy(&value, p, sizeof value);
    return value;
}

template <class T>
void append(std::string& out, T value) {
    out.append(reinterpret_cast<const char*>(&value), sizeof value);
}

const unsigned char* bytes_of(std::string_view s) { return reinterpret_cast<const unsigned char*>(s.data()); }

struct CompressorDeleter {
    void operator()(wimlib_compressor* c) const { wimlib_free_compressor(c); }
};
struct DecompressorDeleter {
    void operator()(wimlib_decompressor* d) const { wimlib_free_decompressor(d); }
};

FramingProblem read_header(std::string_view framed, std::uint64_t max_total, FramingHeader& h) {
    if (framed.size() < kFramingHeaderBytes) return FramingProblem::Short;
    const unsigned char* p = bytes_of(framed);
    if (get<std::uint32_t>(p) != kMagic) return FramingProblem::Magic;
    if (get<std::uint16_t>(p + 4) != kHeaderSize) return FramingProblem::HeaderSize;
    if (p[kCheckAt] != framing_check_byte(p)) return FramingProblem::CheckByte;
    if (p[7] != kAlgorithmLzms) return FramingProblem::Algorithm;
    h.total = get<std::uint64_t>(p + 8);
    h.chunk = get<std::uint32_t>(p + 16);
    if (get<std::uint32_t>(p + 20) & kFlagReserved) return FramingProblem::Flags;
    if (h.total > std::min(max_total, kFramingMaxTotal)) return FramingProblem::TooLarge;
    // An empty stream has no chunks, so its chunk size says nothing.
    if (h.total > 0 && (h.chunk == 0 || h.chunk > kFramingMaxChunk)) return FramingProblem::ChunkSize;
    return FramingProblem::None;
}

// Walks the records without decoding: each must fit its chunk and the data, and nothing may follow
// the last. The walk ends after at most size / 4 records, whatever the header claims.
FramingProblem check_records(std::string_view framed, const FramingHeader& h) {
    std::uint64_t at = kFramingHeaderBytes;
    for (std::uint64_t done = 0; done < h.total;) {
        const std::uint64_t length = std::min(h.chunk, h.total - done);
        if (framed.size() - at < 4) return FramingProblem::BeyondFile;
        const std::uint32_t size = get<std::uint32_t>(bytes_of(framed) + at);
        at += 4;
        if (size > length) return FramingProblem::RecordSize;
        if (framed.size() - at < size) return FramingProblem::BeyondFile;
        at += size;
        done += length;
    }
    return at == framed.size() ? FramingProblem::None : FramingProblem::TrailingBytes;
}

FramingProblem decode_records(std::string_view framed, const FramingHeader& h, std::string& plain) {
    wimlib_decompressor* raw = nullptr;
    if (h.total > 0 && wimlib_create_decompressor(WIMLIB_COMPRESSION_TYPE_LZMS, std::min(h.chunk, h.total), &raw) != 0)
        return FramingProblem::Memory;
    const std::unique_ptr<wimlib_decompressor, DecompressorDeleter> decompressor(raw);
    std::uint64_t at = kFramingHeaderBytes;
    for (std::uint64_t done = 0; done < h.total;) {
        const std::size_t length = std::min(h.chunk, h.total - done);
        const std::uint32_t size = get<std::uint32_t>(bytes_of(framed) + at);
        at += 4;
        // Grown chunk by chunk, so that a claim the data cannot back fails at its first bad chunk.
        plain.resize(done + length);
        if (size == length) std::memcpy(plain.data() + done, framed.data() + at, length);
        else if (wimlib_decompress(framed.data() + at, size, plain.data() + done, length, decompressor.get()) != 0)
            return FramingProblem::Decode;
        at += size;
        done += length;
    }
    return FramingProblem::None;
}

}  // namespace

std::uint8_t framing_check_byte(const unsigned char* header) {
    uLong crc = crc32(0L, Z_NULL, 0);
    crc = crc32(crc, header, kCheckAt);
    crc = crc32(crc, header + kCheckAt + 1, kFramingHeaderBytes - kCheckAt - 1);
    return static_cast<std::uint8_t>(crc & 0xFF);
}

std::optional<std::string> compress_framed(std::string_view plain, std::uint64_t chunk_size) {
    const std::uint64_t total = plain.size();
    const std::uint64_t chunk = std::min({std::max<std::uint64_t>(chunk_size, 1), kFramingMaxChunk, total});
    std::string out;
    try {
        append(out, kMagic);
        append(out, kHeaderSize);
        append(out, std::uint8_t{0});
        append(out, kAlgorithmLzms);
        append(out, total);
        append(out, static_cast<std::uint32_t>(chunk));
        append(out, std::uint32_t{0});
        out[kCheckAt] = static_cast<char>(framing_check_byte(bytes_of(out)));
        if (total == 0) return out;
        wimlib_compressor* raw = nullptr;
        if (wimlib_create_compressor(WIMLIB_COMPRESSION_TYPE_LZMS, chunk, 0, &raw) != 0) return std::nullopt;
        const std::unique_ptr<wimlib_compressor, CompressorDeleter> compressor(raw);
        std::string payload(chunk, '\0');
        for (std::uint64_t done = 0; done < total; done += chunk) {
            const std::size_t length = std::min(chunk, total - done);
            // Room for one byte less than the chunk: a payload is written only when it is smaller.
            const std::size_t size = length < kSmallestCompressible
                                         ? 0
                                         : wimlib_compress(plain.data() + done, length, payload.data(), length - 1,
                                                           compressor.get());
            append(out, static_cast<std::uint32_t>(size == 0 ? length : size));
            if (size == 0) out.append(plain.substr(done, length));
            else out.append(payload.data(), size);
        }
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
    return out;
}

FramingProblem decompress_framed(std::string_view framed, std::string& plain, std::uint64_t max_total) {
    plain.clear();
    FramingHeader h;
    FramingProblem problem = read_header(framed, max_total, h);
    if (problem == FramingProblem::None) problem = check_records(framed, h);
    if (problem != FramingProblem::None) return problem;
    try {
        problem = decode_records(framed, h, plain);
    } catch (const std::bad_alloc&) {
        problem = FramingProblem::Memory;
    }
    if (problem != FramingProblem::None) std::string().swap(plain);
    return problem;
}

std::string_view framing_problem_text(FramingProblem problem) {
    switch (problem) {
    case FramingProblem::None: return "no problem";
    case FramingProblem::Short: return "shorter than the compression header";
    case FramingProblem::Magic: return "not compressed data (wrong signature)";
    case FramingProblem::HeaderSize: return "the compression header size is not 24";
    case FramingProblem::CheckByte: return "the compression header's check byte does not match";
    case FramingProblem::Algorithm: return "the compression algorithm is not LZMS";
    case FramingProblem::Flags: return "the compression header has unknown flags set";
    case FramingProblem::ChunkSize: return "the chunk size is 0 or larger than 64 MiB";
    case FramingProblem::TooLarge: return "the uncompressed size is larger than any workpiece file";
    case FramingProblem::BeyondFile: return "a chunk runs past the end of the file";
    case FramingProblem::RecordSize: return "a chunk's compressed size is larger than the chunk";
    case FramingProblem::Decode: return "a chunk does not decode";
    case FramingProblem::TrailingBytes: return "bytes follow the last chunk";
    case FramingProblem::Memory: return "not enough memory to decompress";
    }
    return "unknown problem";
}

}  // namespace vx::work
