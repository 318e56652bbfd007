// The records of one tool as the tool settings file describes it: shape, lengths, holder, load
// limits and feed-optimisation tables, plus the square attachment sections that the machine
// definition supplies. Plain data shared by the reader (tools.h) and the profile (profile.h).
#pragma once

#include "base/constants.h"
#include <array>
#include <cstdint>
#include <string>

namespace vx::sim {

// ---- Tool types ----

constexpr std::int32_t kToolOther = 0;      // generic cutter (also drills and concave corners)
constexpr std::int32_t kToolBall = 1;
constexpr std::int32_t kToolFlat = 2;
constexpr std::int32_t kToolBull = 3;
constexpr std::int32_t kToolTaperBall = 4;
constexpr std::int32_t kToolVertical = 5;
constexpr std::int32_t kToolOval = 6;
constexpr std::int32_t kToolTThrow = 7;     // named in the panel; the reader never produces it
constexpr std::int32_t kToolRadius = 9;
constexpr std::int32_t kToolKegaki = 99;    // scribing tool: marks, does not cut by its profile

// ---- Tool record ----

// The seven-parameter cutter outline (d, r, e, f, alpha, beta, h) plus the extras of the tool
// file. Lengths in mm, angles in degrees; single precision as the file's tables keep them.
struct ToolRecord {
    std::int32_t defined = 0;  // 1 when a MAGAZINE line named this tool
    std::int32_t type = kToolOther;
    float d = 0;               // cutter diameter
    float r = 0;               // corner radius (ball radius for a ball end mill); < 0 concave
    float e = 0;               // radial distance of the corner-circle centre (oval: radius A)
    float f = 0;               // height of the corner-circle centre (oval: oval height)
    float alpha = 0;           // bottom angle, 0 = flat bottom
    float tip_diameter = 0;    // flat at the tip inside a conical bottom
    float beta = 0;            // side angle, 0 = cylindrical side
    float top_diameter = 0;    // diameter at the top of a tapered cutting edge
    float vertical_width = 0;  // vertical mill: cutting width at the bottom
    float h = 0;               // height of the cutting edge (effective length)
    std::string name;          // bytes as written in the file (often Shift-JIS); shown through platform::to_utf8()
};

// ---- Length record ----

constexpr std::int32_t kLengthNone = 0;
constexpr std::int32_t kLength1 = 1;  // LENGTH: protrusion only
constexpr std::int32_t kLength2 = 2;  // LENGTH2: neck cone and shank
constexpr std::int32_t kLength3 = 3;  // LENGTH3: two neck cones and shank

struct LengthRecord {
    std::int32_t kind = kLengthNone;
    std::array<float, 6> L{};  // L[0] = L1 (protrusion: where the holder begins) .. L[5] = L6
};

// ---- Holder record ----

constexpr std::int32_t kHolderSteps = 0;    // ARBOR: stacked cylinders
constexpr std::int32_t kHolderPolygon = 1;  // ARBOR2: cones between consecutive points
constexpr std::int32_t kHolderMixed = 2;    // ARBOR3: base diameter, then steps or cones
constexpr int kHolderSections = 10;

// ARBOR and ARBOR2 keep section i (1-based) as diameters[i-1], heights[i-1]. ARBOR3 keeps the
// base diameter in diameters[0] and section j as heights[j-1], flags[j-1], diameters[j]. Heights
// are section heights measured upward from the protrusion.
struct HolderRecord {
    std::int32_t defined = 0;
    std::int32_t kind = kHolderSteps;
    std::int32_t count = 0;
    std::array<float, kHolderSections + 1> diameters{};
    std::array<float, kHolderSections> heights{};
    std::array<std::int32_t, kHolderSections> flags{};  // ARBOR3: 0 step, other cone
};

// ---- Limit record ----

constexpr std::int32_t kLimitNone = 0;
constexpr std::int32_t kLimitArea = 1;        // LIMIT: engaged area, stop on overload
constexpr std::int32_t kLimitRate = 2;        // LIMITS: removal rate, stop on overload
constexpr std::int32_t kLimitAreaLog = 11;    // LIMITP: engaged area, logged to limitp.txt
constexpr std::int32_t kLimitRateLog = 12;    // LIMITSP: removal rate, logged to limitsp.txt

struct LimitRecord {
    std::int32_t kind = kLimitNone;
    std::array<float, 4> values{};  // by step direction: general, vertical, up-cut, down-cut
};

// ---- Feed-optimisation record ----

constexpr int kFeedSteps = 19;

struct FeedStep {
    float removal = 0;  // threshold L(i)
    float feed = 0;     // feedrate F(i+1) beyond it
};

struct FeedSet {
    std::int32_t used = 0;
    std::int32_t count = 0;  // steps stored
    float first = 0;         // F0
    std::array<FeedStep, kFeedSteps> steps{};
};

struct FeedOptRecord {
    std::array<FeedSet, 4> sets{};  // OPT-F (general), OPT-FV, OPT-FU, OPT-FD
};

// ---- Attachment ----

// A square spindle head mounted above the holder, as the machine definition gives it: up to five
// sections stacked upward from the top of the holder, each `width` wide on both axes and
// `height` high. The machine-definition reader fills it from an ATTACHMENT line's pairs (a, b):
// a is the width, b the height.
struct AttachmentStep {
    float width = 0;
    float height = 0;
};

struct Attachment {
    std::int32_t count = 0;
    std::array<AttachmentStep, kAttachmentSteps> steps{};
};

}  // namespace vx::sim
