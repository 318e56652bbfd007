// The machine definition (".MTL"): the machine's name, how it changes tools, its rapid rates and
// accelerations, its feed limits and cutting accelerations, and the square attachment heads that
// can be mounted. A load applies the file's keys over the record as it stands, so rates the file
// does not mention keep their earlier values; only the tool-change type, the combined T word and
// the attachments start afresh.
#pragma once

#include "base/constants.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace vx::nc {

// ---- Sizes and codes ----

constexpr int kMaxAttachments = 10;     // an eleventh ATTACHMENT line ends the file
constexpr std::size_t kMaxMtlLine = 1023;  // characters of a line that count

constexpr int kAtcDirect = 1;  // a T word changes the tool at once
constexpr int kAtcWait = 2;    // T preselects, M06 changes
constexpr int kAtcWait2 = 3;   // M06 with T changes to the earlier T and preselects the new one


// ---- The record ----

// A square head mounted above the holder: up to kAttachmentSteps sections stacked upward from
// the top of the holder, each `width` wide on both axes and `height` high (a line's pairs (a, b)).
struct AttachmentStep {
    float width = 0;
    float height = 0;
};

struct AttachmentShape {
    int count = 0;
    std::array<AttachmentStep, kAttachmentSteps> steps{};
};

struct MtlAttachment {
    int number = 0;       // the key the interference check looks it up by
    bool square = false;
    AttachmentShape shape;
};

struct Mtl {
    int load_state = 0;  // 0 nothing read yet, 1 loaded, -1 the last load failed
    std::string path;
    std::int64_t file_time = -1;  // ns, of the file as read

    std::string name;
    int atc_type = kAtcDirect;
    bool combined_t = false;       // DIRECT T form: T = tool * 10^digits + H number
    int combined_first = 0;        // the first number of the T form: stored, not used
    int offset_digits = 0;
    double tool_change_time = 1.0;  // s
    std::array<double, 3> rapid{10000.0, 10000.0, 10000.0};           // mm/min
    std::array<double, 3> rapid_acceleration{0.1, 0.1, 0.1};          // G
    std::array<double, 3> max_feed{10000.0, 10000.0, 10000.0};        // mm/min
    std::array<double, 3> acceleration{0.3, 0.3, 0.3};                // G
    int initial_attachment = 0;  // 1-based position in `attachments`, 0 none
    int attachment_count = 0;
    std::array<MtlAttachment, kMaxAttachments> attachments{};
};

// Called with the machine name as soon as the NAME line is read (the sync plug-in's name hook).
struct MtlNameHook {
    void* context = nullptr;
    void (*name)(void* context, std::string_view name) = nullptr;
};

// ---- Loading ----

// Applies the definition text `bytes` (any bytes; CR LF or LF) over `mtl`: first the tool-change
// type, combined T word and attachments are reset, then every line is applied. Touches no file.
void parse_mtl(std::string_view bytes, Mtl& mtl, const MtlNameHook& hook = {});

// Loads the file at `path`: 1 on success (load state 1, file time recorded); 0 when it cannot be
// read: the record keeps its values and its load state becomes -1.
int load_mtl(const std::string& path, Mtl& mtl, const MtlNameHook& hook = {});

// True when the file on disk has another time than the one read (the change watch reloads then).
bool mtl_file_changed(const Mtl& mtl);

// ---- Attachments ----

// The attachment defined under number `n`, nullptr when there is none.
const AttachmentShape* find_attachment(const Mtl& mtl, int n);

// The attachment mounted at the start (INI line), nullptr for none.
const AttachmentShape* initial_attachment(const Mtl& mtl);

}  // namespace vx::nc
