// Inside the controller definition: the offset-memory lines ("MEMORY ..." and the bare D, H, F
// forms). Reading and writing back share one classification, so a line the write-back replaces
// is exactly a line the reader took.
#pragma once

#include "nc/ctl.h"

#include <algorithm>
#include <cfloat>
#include <string_view>

namespace vx::nc::detail {

// The offset memory is single precision: a value beyond its range is held at the largest float
// rather than converted into undefined behaviour.
inline float to_float(double v) { return static_cast<float>(std::clamp(v, -double(FLT_MAX), double(FLT_MAX))); }

enum class MemoryKind { None, D, H, F, Exofs, Wk, G5, RefPt };

struct MemoryLine {
    MemoryKind kind = MemoryKind::None;
    bool prefixed = false;   // "MEMORY ..." rather than a bare D, H or F line
    int index = -1;          // the entry it sets; -1 when outside its table (the line is kept)
    std::string_view rest;   // the text behind the index or selector, where the values are
};

// The offset-memory meaning of a definition line (without its line end).
MemoryLine classify_memory_line(std::string_view line);

// Applies a classified line to the offset memory.
void apply_memory_line(const MemoryLine& m, Ctl& ctl);

}  // namespace vx::nc::detail
