// The cut data of a run: one record per piece the cutting step finished (its NC line, where it
// ended, the programmed and the chosen feed, the cut type and the removal value), as text lines
// or as compact little-endian binary records that carry only the fields that changed. The writer
// produces bytes into a buffer its owner drains.
#pragma once

#include "base/vec3.h"

#include <cstdint>
#include <string>

namespace vx::output {

constexpr int kCutDataNo = 0, kCutDataText = 1, kCutDataTextOpen = 2, kCutDataBinary = 3, kCutDataBinaryOpen = 4;
constexpr std::uint8_t kNoCutType = 255;  // a piece that cut nothing
constexpr int kMotionSpline = 132;

struct CutRecord {
    std::int16_t tool = 0;
    std::int32_t line = 0;
    std::int32_t piece = 1;
    std::uint8_t motion = 0;
    float x = 0, y = 0, z = 0;
    std::int32_t programmed_feed = 0;
    std::uint8_t cut_type = kNoCutType;  // 0 general, 1 vertical, 2 up-cut, 3 down-cut
    float removal = 0;                   // volume, or torque in the binary file with V-VALUE TORQUE
    std::int32_t chosen_feed = 0;
};

// Appends "N%d(%04d)G%02dX%fY%fZ%f" ("NURBS" for a spline) and "F%d(A%fF%d)\n" by cut type, or
// "(N)\n", to `out`, whose capacity is reused from line to line.
void append_cut_text(std::string& out, const CutRecord& record, double x, double y, double z, double removal);

// The record's flag bytes and changed fields against `previous`, which becomes the record.
void append_binary_record(std::string& out, CutRecord& previous, const CutRecord& record);

struct CutDataWriter {
    bool binary = false;
    bool lathe = false;     // MACHINE TYPE LATHE: X of a G92 line doubled
    char start_code = ' ';  // blank: no start-code lines
    std::string bytes;      // written bytes not yet taken by the owner

    bool header_written = false;
    CutRecord previous;
};

// Run start: the text's start-code line; the binary's previous record (tool `tool`, line 0,
// motion 92, the start position, cut type 255, everything else 0).
void begin_cut_data(CutDataWriter& w, const Vec3& start, std::int16_t tool);

// One piece. `exact` is the end point and removal in full precision for the text line.
void add_cut_record(CutDataWriter& w, const CutRecord& record, const Vec3& exact, double removal);

// The program set its position (G92): a text line, or the binary's previous position.
void cut_data_position(CutDataWriter& w, const Vec3& position);

// Run end: the text's start-code line (a binary file without records still gets its header).
void end_cut_data(CutDataWriter& w);

}  // namespace vx::output
