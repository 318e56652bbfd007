#include "nc/units.h"

namespace vx::nc {

void lengths_to_millimetres(BlockWords& block) {
    for (std::size_t a = 0; a < 3; ++a) {
        block.value[a] *= kMillimetresPerInch;
        block.centre_value[a] *= kMillimetresPerInch;
    }
    block.r *= kMillimetresPerInch;
    block.q *= kMillimetresPerInch;
}

void feed_to_millimetres(Interp& in) {
    const BlockWords& b = in.block;
    const bool osp_dwell = in.ctl->product == Dialect::Osp && b.special == 4;
    if (!b.has_f || osp_dwell || is_f_number(b.f_text, *in.ctl)) return;
    in.modal.feed *= kMillimetresPerInch;
}

}  // namespace vx::nc
