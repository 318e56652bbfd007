// Any bytes as a machine definition: reading must not crash, and whatever it reads must stay
// inside the record's tables (attachment count and steps, initial attachment).
#include "nc/mtl.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    vx::nc::Mtl mtl;
    vx::nc::parse_mtl(bytes, mtl);
    if (mtl.attachment_count < 0 || mtl.attachment_count > vx::nc::kMaxAttachments) std::abort();
    for (int i = 0; i < mtl.attachment_count; ++i) {
        const vx::nc::AttachmentShape& a = mtl.attachments[static_cast<std::size_t>(i)].shape;
        if (a.count < 0 || a.count > vx::kAttachmentSteps) std::abort();
        (void)vx::nc::find_attachment(mtl, mtl.attachments[static_cast<std::size_t>(i)].number);
    }
    (void)vx::nc::initial_attachment(mtl);
    if (mtl.combined_t && (mtl.offset_digits < 0 || mtl.offset_digits > 9)) std::abort();
    // A second read over the first, as a reload does.
    vx::nc::parse_mtl(bytes, mtl);
    return 0;
}
