#include "view/offsets_panel.h"

#include <cstdio>

namespace vx::view {
namespace {

constexpr std::array<std::string_view, kOffsetsTabs> kTabTexts{"\tWorkpiece", "\tH-Code", "\tD-Code", "\tControl Point"};

std::string workpiece_text(const sim::Workpiece& wp) {
    if (!sim::has_workpiece(wp)) return std::string(platform::text(kTextNoWorkpiece));
    const sim::GridGeometry& g = wp.geometry;
    char buf[256];
    std::snprintf(buf, sizeof buf, "X%.3f~%.3f Y%.3f~%.3f Z%.3f~%.3f P%.3f", g.origin_x, g.max_x, g.origin_y, g.max_y,
                  wp.work_bottom, wp.highest, g.pitch);
    return buf;
}

// The entry `n` in effect of the D or H table; 0 (none in effect) or beyond the table shows "-".
std::string entry_text(nc::OffsetTable table, int n, const nc::Ctl& ctl) {
    const auto& entries = table == nc::OffsetTable::D ? ctl.d : ctl.h;
    std::string text = nc::offset_entry_label(table, n);
    if (n < 1 || std::size_t(n) >= entries.size()) return text + " -";
    return text + " Offset" + nc::offset_field(entries[std::size_t(n)].value) + " Wear" +
           nc::offset_field(entries[std::size_t(n)].wear);
}

std::string point_text(const Vec3& p) {
    char buf[128];
    std::snprintf(buf, sizeof buf, "X%9.3f Y%9.3f Z%9.3f", p.x, p.y, p.z);
    return buf;
}

std::string control_point_text(const OffsetsSource& s) {
    const int n = s.modal.work_index;
    return point_text(s.control_point) + "  " + nc::work_offset_label(n, s.ctl.product) + " " +
           point_text(s.modal.work_offset);
}

}  // namespace

const platform::TextPair kTextNoWorkpiece{"- 被切削材なし -", "- No Workpiece -"};

std::array<StatusField, kOffsetsTabs> offsets_tab_fields(OffsetsTab chosen) {
    std::array<StatusField, kOffsetsTabs> f;
    for (int k = 0; k < kOffsetsTabs; ++k)
        f[std::size_t(k)] = {std::string(kTabTexts[std::size_t(k)]), k == int(chosen) ? FieldEdge::Sunken : FieldEdge::Raised};
    return f;
}

std::string offsets_text(OffsetsTab tab, const OffsetsSource& source) {
    switch (tab) {
    case OffsetsTab::Workpiece: return workpiece_text(source.workpiece);
    case OffsetsTab::HCode: return entry_text(nc::OffsetTable::H, source.modal.h_number, source.ctl);
    case OffsetsTab::DCode: return entry_text(nc::OffsetTable::D, source.modal.d_number, source.ctl);
    case OffsetsTab::ControlPoint: return control_point_text(source);
    }
    return {};
}

}  // namespace vx::view
