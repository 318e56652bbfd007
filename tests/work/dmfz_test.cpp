#include "work/dmfz.h"

#include "dmf_fixture.h"
#include "support/recording_backend.h"
#include "support/temp_dir.h"
#include "work/dmf.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <unistd.h>

namespace vx::work {
namespace {

using test::cut_everything;
using test::make_block;
using vx::testing::RecordingBackend;
using vx::testing::TempDir;

std::string hex(std::string_view s) {
    static const char* digits = "0123456789abcdef";
    std::string out;
    for (unsigned char c : s) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

template <class T>
void put(std::string& s, T v) {
    s.append(reinterpret_cast<const char*>(&v), sizeof v);
}

std::string framing_header(std::uint64_t total, std::uint32_t chunk) {
    std::string h;
    put(h, std::uint32_t{0xC0E5510A});
    put(h, std::uint16_t{24});
    put(h, std::uint8_t{0});
    put(h, std::uint8_t{5});
    put(h, total);
    put(h, chunk);
    put(h, std::uint32_t{0});
    h[6] = static_cast<char>(framing_check_byte(reinterpret_cast<const unsigned char*>(h.data())));
    return h;
}

// Bytes that compress: a repeated pattern with a little variation.
std::string compressible(std::size_t n, int seed = 0) {
    std::string s(n, '\0');
    for (std::size_t k = 0; k < n; ++k) s[k] = static_cast<char>("VORNEX height "[k % 14] + (k / 997 + seed) % 3);
    return s;
}

// ---- The header: its check byte and its fields, against headers of the system's encoder ----

TEST(DmfzFraming, HeaderMatchesKnownHeadersOfTheSystemEncoder) {
    const struct { std::uint64_t total; int check; } known[] = {{0x40, 0x4C}, {0x400, 0x2B}, {0x800, 0xBB}, {0x1000, 0xDA}};
    for (const auto& k : known) {
        SCOPED_TRACE(k.total);
        const std::optional<std::string> framed = compress_framed(compressible(k.total));
        ASSERT_TRUE(framed);
        EXPECT_EQ(static_cast<unsigned char>((*framed)[6]), k.check);
        EXPECT_EQ(framed->substr(0, 24), framing_header(k.total, static_cast<std::uint32_t>(k.total)));
    }
    EXPECT_EQ(hex(compress_framed(std::string(64, 'a'))->substr(0, 24)), "0a51e5c018004c054000000000000000" "4000000000000000");
}

// ---- Round trips: what goes in comes out, over chunk boundaries and stored chunks ----

TEST(DmfzFraming, RoundTripOverChunkSizesStoredAndCompressed) {
    std::string noise(5000, '\0');
    unsigned state = 12345;
    for (char& c : noise) c = static_cast<char>((state = state * 1103515245u + 12345u) >> 16);
    const std::string inputs[] = {"", "ab", compressible(64), compressible(10000), noise, compressible(3000) + noise};
    for (const std::string& in : inputs) {
        for (std::uint64_t chunk : {std::uint64_t{1}, std::uint64_t{3}, std::uint64_t{1000}, kFramingWriteChunk}) {
            SCOPED_TRACE(std::to_string(in.size()) + " in chunks of " + std::to_string(chunk));
            const std::optional<std::string> framed = compress_framed(in, chunk);
            ASSERT_TRUE(framed);
            std::string out = "old";
            ASSERT_EQ(decompress_framed(*framed, out), FramingProblem::None);
            EXPECT_EQ(out, in);
        }
    }
    // Noise cannot shrink: stored raw, exactly one record header per chunk.
    EXPECT_EQ(compress_framed(noise, 1000)->size(), 24 + 5 * 4 + noise.size());
    EXPECT_LT(compress_framed(compressible(10000))->size(), 2000u);
}

TEST(DmfzFraming, HandMadeFramingWithAStoredAndACompressedChunkDecodes) {
    const std::string first = compressible(64, 1);
    const std::string second = "a last chunk stored as it is";
    // The payload of a compressed 64-byte chunk, taken from its own one-chunk framing.
    const std::string alone = *compress_framed(first);
    std::uint32_t size;
    std::memcpy(&size, alone.data() + 24, 4);
    ASSERT_LT(size, 64u);
    std::string framed = framing_header(64 + second.size(), 64);
    put(framed, size);
    framed += alone.substr(28, size);
    put(framed, static_cast<std::uint32_t>(second.size()));
    framed += second;
    std::string out;
    ASSERT_EQ(decompress_framed(framed, out), FramingProblem::None);
    EXPECT_EQ(out, first + second);
}

// ---- Broken framings: each refused with its reason, before anything is decoded ----

TEST(DmfzFraming, BrokenFramingsAreRefused) {
    const std::string good = *compress_framed(compressible(3000), 1000);
    const auto with = [&](std::size_t at, std::string_view bytes) {
        std::string s = good;
        s.replace(at, bytes.size(), bytes);
        return s;
    };
    std::string reserved_flag = with(20, std::string("\x01", 1));
    reserved_flag[6] = static_cast<char>(framing_check_byte(reinterpret_cast<const unsigned char*>(reserved_flag.data())));
    std::uint32_t first_size;
    std::memcpy(&first_size, good.data() + 24, 4);
    std::string garbled = good;
    for (std::size_t k = 28; k < 28 + first_size; ++k) garbled[k] = static_cast<char>(0x5A ^ k);
    const struct { const char* what; std::string bytes; FramingProblem problem; } cases[] = {
        {"short", good.substr(0, 23), FramingProblem::Short},
        {"magic", with(1, "R"), FramingProblem::Magic},
        {"check byte", with(6, std::string(1, static_cast<char>(good[6] ^ 1))), FramingProblem::CheckByte},
        {"flags", reserved_flag, FramingProblem::Flags},
        {"total beyond any workpiece", framing_header(kFramingMaxTotal + 1, 1000), FramingProblem::TooLarge},
        {"chunk size 0", framing_header(10, 0), FramingProblem::ChunkSize},
        {"chunk size over 64 MiB", framing_header(10, (64u << 20) + 1), FramingProblem::ChunkSize},
        {"truncated in the last chunk", good.substr(0, good.size() - 1), FramingProblem::BeyondFile},
        {"record sizes beyond the file", framing_header(5000, 1000) + std::string(8, '\0'), FramingProblem::BeyondFile},
        {"record larger than its chunk", framing_header(10, 10) + std::string("\x0B\0\0\0", 4) + std::string(11, 'x'),
         FramingProblem::RecordSize},
        {"trailing bytes", good + "x", FramingProblem::TrailingBytes},
        {"chunk that does not decode", garbled, FramingProblem::Decode},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::string out = "old";
        EXPECT_EQ(decompress_framed(c.bytes, out), c.problem);
        EXPECT_TRUE(out.empty());
    }
    std::string out;
    EXPECT_EQ(decompress_framed(good, out, 2999), FramingProblem::TooLarge);  // the caller's cap
}

// ---- Workpiece files: every save level round-trips, in memory, by content not by name ----

class DmfzFiles : public ::testing::Test {
protected:
    RecordingBackend backend;
    test::EnglishTexts english;
    TempDir dir;
};

TEST_F(DmfzFiles, RoundTripAtEverySaveLevelGivesTheSameDmfBytes) {
    for (int data_level : {1, 2}) {
        for (bool cut : {false, true}) {
            for (int level : {1, 2, 3}) {
                for (bool integer : {false, true}) {
                    SCOPED_TRACE(::testing::Message() << "data level " << data_level << (cut ? " cut" : " uncut")
                                                      << " save level " << level << (integer ? " int" : " float"));
                    sim::Workpiece wp;
                    make_block(wp, 37, 23, 0.5, data_level, -4.0, 2.5);
                    if (cut) cut_everything(wp);
                    const SaveOptions options{level, integer};
                    const std::optional<std::string> plain = dmf_bytes(wp, options);
                    ASSERT_TRUE(plain);
                    ASSERT_EQ(save_workpiece(wp, dir.path() + "w.DmfZ", options), 1);
                    std::string back;
                    ASSERT_EQ(decompress_framed(dir.read("w.DmfZ"), back), FramingProblem::None);
                    EXPECT_EQ(back, *plain);
                    ASSERT_EQ(write_workpiece_file(wp, dir.path() + "w.dmf", options), 1);
                    EXPECT_EQ(dir.read("w.dmf"), *plain);
                    // Opened again and saved again: the same bytes.
                    sim::Workpiece again;
                    ASSERT_EQ(open_workpiece(again, dir.path() + "w.DmfZ", {data_level, false}).status, 1);
                    EXPECT_EQ(dmf_bytes(again, options), plain);
                }
            }
        }
    }
    EXPECT_TRUE(backend.recording().messages.empty());
}

TEST_F(DmfzFiles, SavingTouchesNoFileButTheTargetAndContentDecidesOnOpening) {
    sim::Workpiece wp;
    make_block(wp, 5, 4);
    cut_everything(wp);
    // Files of the names the old scheme wrote through, in the folder and in the current directory.
    dir.write("tmp.dmf", "mine");
    dir.write("###furitmp###.dmf", "mine too");
    const std::string cwd = std::filesystem::current_path();
    ASSERT_EQ(::chdir(dir.path().c_str()), 0);
    const int saved = save_workpiece(wp, dir.path() + "w.dmfz", {2, false});
    ASSERT_EQ(::chdir(cwd.c_str()), 0);
    ASSERT_EQ(saved, 1);
    EXPECT_EQ(dir.read("tmp.dmf"), "mine");
    EXPECT_EQ(dir.read("###furitmp###.dmf"), "mine too");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 3);
    // A compressed file under a plain ".dmf" name opens by its first byte.
    const std::string framed = dir.read("w.dmfz");
    ASSERT_EQ(static_cast<unsigned char>(framed[0]), kCompressedMark);
    sim::Workpiece back;
    ASSERT_EQ(open_workpiece(back, dir.write("named.dmf", framed), {}).status, 1);
    EXPECT_EQ(dmf_bytes(back, {2, false}), dmf_bytes(wp, {2, false}));
}

TEST_F(DmfzFiles, BrokenCompressedFilesAreRefusedAndLeaveTheWorkpiece) {
    sim::Workpiece source;
    make_block(source, 6, 6);
    cut_everything(source);
    const std::string good = *compress_framed(*dmf_bytes(source, {1, false}), 64);
    std::string bad_check = good;
    bad_check[6] ^= 1;
    std::string bad_chunk = good;
    bad_chunk[30] ^= 0x55;
    bad_chunk[31] ^= 0x55;
    const struct { const char* name; std::string bytes; } cases[] = {
        {"check.dmfz", bad_check},
        {"beyond.dmf", good.substr(0, good.size() - 3)},
        {"chunk.DMFZ", bad_chunk},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        backend.recording().messages.clear();
        sim::Workpiece wp;
        make_block(wp, 4, 3);
        ::testing::internal::CaptureStdout();
        EXPECT_EQ(open_workpiece(wp, dir.write(c.name, c.bytes), {}).status, 0);
        EXPECT_EQ(::testing::internal::GetCapturedStdout(), "Cannot decompress data: 74.\n");
        EXPECT_EQ(wp.geometry.nx, 4);
        EXPECT_EQ(wp.geometry.ny, 3);
        EXPECT_EQ(wp.modification_state, sim::kDefined);
        EXPECT_EQ(wp.height.data[11], 10.0f);
        ASSERT_EQ(backend.recording().messages.size(), 1u);
        EXPECT_EQ(backend.recording().messages[0].title, "Warning");
        EXPECT_EQ(backend.recording().messages[0].body, "Broken Data?");
    }
}

}  // namespace
}  // namespace vx::work
