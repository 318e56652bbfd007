// Cut data: the text line of every cut type and of a piece that cut nothing, and the binary
// records byte for byte (flag bits, only the changed fields in their fixed order, little-endian),
// with the header and the G92 that moves the previous position.
#include "output/cut_data.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace vx::output {
namespace {

CutRecord record(int line, float z, std::uint8_t type) {
    CutRecord r;
    r.tool = 1;
    r.line = line;
    r.piece = 2;
    r.motion = 1;
    r.x = 10.5f, r.y = -2.0f, r.z = z;
    r.programmed_feed = 300;
    r.cut_type = type;
    r.removal = 1.25f;
    r.chosen_feed = 600;
    return r;
}

// Little-endian bytes built by shifts, so the expectation holds on any host.
std::string text_line(const CutRecord& r, double x, double y, double z, double removal) {
    std::string out;
    append_cut_text(out, r, x, y, z, removal);
    return out;
}

std::string le32(std::uint32_t v) {
    return {char(v & 0xFF), char((v >> 8) & 0xFF), char((v >> 16) & 0xFF), char((v >> 24) & 0xFF)};
}
std::string f32(float f) {
    std::uint32_t bits;
    std::memcpy(&bits, &f, 4);
    return le32(bits);
}
std::string i32(std::int32_t i) { return le32(std::uint32_t(i)); }

TEST(CutData, TextLinesNameTheCutType) {
    const char* endings[] = {"F300(A1.250000F600)\n", "F300(V1.250000F600)\n", "F300(U1.250000F600)\n",
                             "F300(D1.250000F600)\n"};
    for (std::uint8_t type = 0; type < 4; ++type)
        EXPECT_EQ(text_line(record(7, 17, type), 10.5, -2, 17, 1.25),
                  std::string("N7(0002)G01X10.500000Y-2.000000Z17.000000") + endings[type]);
    EXPECT_EQ(text_line(record(7, 17, kNoCutType), 10.5, -2, 17, 0), "N7(0002)G01X10.500000Y-2.000000Z17.000000(N)\n");
    CutRecord spline = record(12, 17, 0);
    spline.motion = kMotionSpline;
    EXPECT_EQ(text_line(spline, 1, 2, 3, 0.5), "N12(0002)NURBSX1.000000Y2.000000Z3.000000F300(A0.500000F600)\n");

    CutDataWriter w;
    w.start_code = '%';
    w.lathe = true;
    begin_cut_data(w, {0, 0, 50}, 1);
    cut_data_position(w, {5, 6, 7});
    end_cut_data(w);
    EXPECT_EQ(w.bytes, "%\nG92X10.000000Y6.000000Z7.000000\n%\n");
}

TEST(CutData, BinaryRecordsCarryOnlyWhatChanged) {
    CutDataWriter w;
    w.binary = true;
    w.start_code = '%';  // no start-code bytes in a binary file
    begin_cut_data(w, {0, 0, 50}, 1);
    cut_data_position(w, {1, 2, 3});  // before the first record: the header's position
    const CutRecord first = record(7, 17, 2);
    add_cut_record(w, first, {}, 0);
    CutRecord second = first;
    second.z = 16.5f;
    add_cut_record(w, second, {}, 0);
    CutRecord third = second;
    third.tool = 2;
    third.cut_type = kNoCutType;
    third.chosen_feed = 300;
    add_cut_record(w, third, {}, 0);
    end_cut_data(w);

    const std::string header = f32(1) + f32(2) + f32(3);
    // Tool 1 as at the start; line, motion (92 before), X, Y, Z, F, cut type, removal, chosen F.
    const std::string r1 = std::string("\xFE\x03", 2) + i32(7) + "\x01" + f32(10.5f) + f32(-2.0f) + f32(17.0f) +
                           i32(300) + "\x02" + f32(1.25f) + i32(600);
    const std::string r2 = std::string("\x20\x00", 2) + f32(16.5f);
    const std::string r3 = std::string("\x81\x02", 2) + std::string("\x02\x00", 2) + "\xFF" + i32(300);
    EXPECT_EQ(w.bytes, header + r1 + r2 + r3);
}

TEST(CutData, BinaryFileWithoutRecordsIsItsHeader) {
    CutDataWriter w;
    w.binary = true;
    begin_cut_data(w, {4, 5, 6}, 3);
    end_cut_data(w);
    EXPECT_EQ(w.bytes, f32(4) + f32(5) + f32(6));
}

}  // namespace
}  // namespace vx::output
