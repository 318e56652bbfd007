#include "view/panels.h"

#include "sim/profile.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>

namespace vx::view {

// ---- Texts ----

const platform::TextPair kTextNcLabel{"\tNCﾃﾞｰﾀ\t", "\tNcdata\t"};
const platform::TextPair kTextNotSelected{"- 未選択 -", "- Not Selected -"};
const platform::TextPair kTextNotCut{"そこは選択中のNCデータで切削されていません", "Not Cut"};
const platform::TextPair kTextSingle{"\tｼﾝｸﾞﾙ", "\tSingle"};
const platform::TextPair kTextDefine{"\t指定", "\tDefine"};
const platform::TextPair kTextNone{"\tﾉﾝｽﾄｯﾌﾟ", "\tNone"};
const platform::TextPair kTextUsed{"使用中", "Used"};
const platform::TextPair kTextReady{"待機中", "Ready"};

namespace {

// ---- Constants ----

constexpr Pixel kBlack = pixel_rgb(0, 0, 0);
constexpr Pixel kEdgeLight = pixel_rgb(255, 255, 255);
constexpr Pixel kEdgeDark = pixel_rgb(128, 128, 128);
constexpr Pixel kRedText = pixel_rgb(255, 0, 0);
constexpr Pixel kYellowText = pixel_rgb(255, 255, 0);
constexpr int kFieldPadding = 3;  // pixels between a field's frame and its text
constexpr int kPocketGap = 4;
constexpr int kChainMargin = 12;  // room around the pockets for the chain's arcs
constexpr const char* kTemporaryLabel = "TMP";

std::string format(const char* fmt, double a, double b, double c) {
    char buf[160];
    std::snprintf(buf, sizeof buf, fmt, a, b, c);
    return buf;
}

std::string format(const char* fmt, double a, double b, double c, double d) {
    char buf[200];
    std::snprintf(buf, sizeof buf, fmt, a, b, c, d);
    return buf;
}

// Splits a field text at its first two tabs into the left, centred and right parts.
std::array<std::string_view, 3> field_parts(std::string_view t) {
    std::array<std::string_view, 3> parts{};
    const std::size_t a = t.find('\t');
    if (a == std::string_view::npos) return {t, {}, {}};
    parts[0] = t.substr(0, a);
    const std::size_t b = t.find('\t', a + 1);
    if (b == std::string_view::npos) parts[1] = t.substr(a + 1);
    else parts[1] = t.substr(a + 1, b - a - 1), parts[2] = t.substr(b + 1);
    return parts;
}

void frame(Surface& s, Rect r, FieldEdge edge) {
    if (edge == FieldEdge::None || r.right - r.left < 2 || r.bottom - r.top < 2) return;
    const Pixel top_left = edge == FieldEdge::Raised ? kEdgeLight : kEdgeDark;
    const Pixel bottom_right = edge == FieldEdge::Raised ? kEdgeDark : kEdgeLight;
    fill_rect(s, {r.left, r.top, r.right, r.top + 1}, top_left);
    fill_rect(s, {r.left, r.top, r.left + 1, r.bottom}, top_left);
    fill_rect(s, {r.left, r.bottom - 1, r.right, r.bottom}, bottom_right);
    fill_rect(s, {r.right - 1, r.top, r.right, r.bottom}, bottom_right);
}

// Text right-aligned against `right`, vertically centred in [top, bottom).
void text_right(Surface& s, Fonts& fonts, int right, int top, int bottom, std::string_view t, Pixel colour, int height) {
    const TextExtent e = measure_text(fonts, t, height);
    draw_text(s, fonts, right - e.width, top + (bottom - top - e.height()) / 2, t, height, colour);
}

std::string line_number(int line) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%ld", long(line));
    return buf;
}

}  // namespace

// ---- Status fields ----

void draw_status_field(Surface& s, Fonts& fonts, Rect r, const StatusField& field, Pixel text_colour, int text_height,
                       Pixel face) {
    fill_rect(s, r, face);
    frame(s, r, field.edge);
    const Rect saved = s.clip;
    set_clip(s, {std::max(r.left, saved.left), std::max(r.top, saved.top), std::min(r.right, saved.right),
                 std::min(r.bottom, saved.bottom)});
    const auto parts = field_parts(field.text);
    const int left = r.left + kFieldPadding, right = r.right - kFieldPadding;
    for (int k = 0; k < 3; ++k) {
        if (parts[k].empty()) continue;
        const TextExtent e = measure_text(fonts, parts[k], text_height);
        const int x = k == 0 ? left : k == 1 ? (left + right - e.width) / 2 : right - e.width;
        draw_text(s, fonts, x, r.top + (r.bottom - r.top - e.height()) / 2, parts[k], text_height, text_colour);
    }
    set_clip(s, saved);
}

int status_field_width(Fonts& fonts, std::string_view text, int text_height) {
    int wide = 2 * kFieldPadding, parts = 0;
    for (std::string_view part : field_parts(text)) {
        if (part.empty()) continue;
        wide += measure_text(fonts, part, text_height).width + (parts++ ? kFieldPadding : 0);
    }
    return wide;
}

std::string elide_field_text(Fonts& fonts, std::string_view text, int width, int text_height) {
    if (status_field_width(fonts, text, text_height) <= width) return std::string(text);
    // The last part is the one cut; what comes before it stays.
    const std::size_t tab = text.find_last_of('\t');
    const std::size_t start = tab == std::string_view::npos ? 0 : tab + 1;
    std::string kept(text);
    while (kept.size() > start) {
        // The last character goes, its continuation bytes first.
        while (kept.size() > start && (static_cast<unsigned char>(kept.back()) & 0xC0) == 0x80) kept.pop_back();
        if (kept.size() > start) kept.pop_back();
        if (status_field_width(fonts, kept + "\u2026", text_height) <= width) break;
    }
    return kept + "\u2026";
}

// ---- Stop-mode panel ----

std::array<StatusField, 6> stop_panel_fields(int stop_mode, bool suspended, bool blink) {
    auto edge = [stop_mode](int mode) { return stop_mode == mode ? FieldEdge::Sunken : FieldEdge::Raised; };
    std::array<StatusField, 6> f;
    f[0] = {"\tM01", edge(2)};
    f[1] = {std::string(platform::text(kTextSingle)), edge(3)};
    f[2] = {std::string(platform::text(kTextDefine)), edge(4)};
    f[3] = {std::string(platform::text(kTextNone)), edge(0)};
    if (!suspended) {
        f[4] = {"\t ", FieldEdge::Raised};
        f[5] = {"\t ", FieldEdge::Raised};
    } else if (blink) {
        f[4] = {"\tGO", FieldEdge::Raised};
        f[5] = {"\tESC", FieldEdge::Raised};
    } else {
        f[4] = {"", FieldEdge::None};
        f[5] = {"", FieldEdge::None};
    }
    return f;
}

void draw_stop_panel(Surface& s, Fonts& fonts, Rect area, const std::array<StatusField, 6>& fields, bool minimised) {
    if (minimised || area.right <= area.left) return;
    // Four mode fields of two units and two key fields of one unit each.
    const int units = 10, width = area.right - area.left;
    int x = area.left;
    for (std::size_t k = 0; k < fields.size(); ++k) {
        const int w = (k < 4 ? 2 : 1) * width / units;
        const int right = k + 1 == fields.size() ? area.right : x + w;
        draw_status_field(s, fonts, {x, area.top, right, area.bottom}, fields[k], kBlack);
        x = right;
    }
}

// ---- NC-line panel ----

NcLinePanel nc_selection_panel(std::string_view nc_path) {
    NcLinePanel p;
    p.label = platform::text(kTextNcLabel);
    p.text = nc_path.empty() ? std::string(platform::text(kTextNotSelected)) : std::string(nc_path);
    return p;
}

std::string run_move_text(int motion, const Vec3& end, double feed) {
    switch (motion) {
        case nc::kMotionRapid: return format("RAPID:%9.3f,%9.3f,%9.3f", end.x, end.y, end.z);
        case nc::kMotionLinear: return format("LINE:%9.3f,%9.3f,%9.3f , FEED=%9.3f", end.x, end.y, end.z, feed);
        case nc::kMotionCw: return format("ARC(CW):%9.3f,%9.3f,%9.3f , FEED=%9.3f", end.x, end.y, end.z, feed);
        case nc::kMotionCcw: return format("ARC(CCW):%9.3f,%9.3f,%9.3f , FEED=%9.3f", end.x, end.y, end.z, feed);
        default: return format("OTHER:%9.3f,%9.3f,%9.3f , FEED=%9.3f", end.x, end.y, end.z, feed);
    }
}

NcLinePanel nc_run_panel(int line, std::string_view subprogram, std::string_view block_text, const nc::MoveRecord* move) {
    NcLinePanel p;
    p.label = subprogram.empty() ? "\t\t" + line_number(line) + ":" : "\t\t" + std::string(subprogram);
    if (!block_text.empty()) p.text = block_text;
    else if (move) p.text = run_move_text(move->motion, move->end, move->feedrate);
    return p;
}

std::string pick_move_text(int motion, const Vec3& end) {
    switch (motion) {
        case nc::kMotionRapid: return format("RAPID    %9.3f,%9.3f,%9.3f", end.x, end.y, end.z);
        case nc::kMotionLinear: return format("LINE     %9.3f,%9.3f,%9.3f", end.x, end.y, end.z);
        case nc::kMotionCw: return format("ARC(CW)  %9.3f,%9.3f,%9.3f", end.x, end.y, end.z);
        case nc::kMotionCcw: return format("ARC(CCW) %9.3f,%9.3f,%9.3f", end.x, end.y, end.z);
        default: return format("OTHER    %9.3f,%9.3f,%9.3f", end.x, end.y, end.z);
    }
}

NcLinePanel nc_pick_panel(bool cut, int stored_line, std::string_view line_text, const nc::MoveRecord* move) {
    NcLinePanel p;
    if (!cut) {
        p.text = platform::text(kTextNotCut);
        return p;
    }
    // The line layer negates the lines of a called program; the colour tells them apart.
    const bool called = stored_line < 0;
    const long shown = called ? -long(stored_line) : long(stored_line);
    p.label = "\t\t" + line_number(int(std::min<long>(shown, 2147483647L))) + ": ";
    p.label_colour = called ? kYellowText : kRedText;
    if (!line_text.empty()) p.text = line_text;
    else if (move) p.text = pick_move_text(move->motion, move->end);
    return p;
}

void draw_nc_line_panel(Surface& s, Fonts& fonts, Rect area, const NcLinePanel& panel, int label_width) {
    const int split = std::clamp(area.left + label_width, area.left, area.right);
    draw_status_field(s, fonts, {area.left, area.top, split, area.bottom}, {panel.label, FieldEdge::Sunken},
                      panel.label_colour);
    draw_status_field(s, fonts, {split, area.top, area.right, area.bottom}, {panel.text, FieldEdge::Sunken},
                      panel.text_colour);
}

// ---- Measuring panel ----

std::string measure_value(double value, int resolution) {
    const char* fmt = resolution == 1000 ? "\t\t%9.3f" : resolution == 100 ? "\t\t%8.2f" : "\t\t%10.4f";
    char buf[400];
    std::snprintf(buf, sizeof buf, fmt, value);
    return buf;
}

std::vector<std::string> measuring_lines(const PickedPoints& picks, double radius_x, double radius_y,
                                         double radius_3pt, int resolution) {
    std::vector<std::string> lines;
    const std::size_t n = picks.points.size();
    auto value = [resolution](double v) { return measure_value(v, resolution); };
    if (n == 0) return lines;
    const PickedPoint& p = picks.points[n - 1];
    lines.push_back("X" + value(p.x));
    lines.push_back("Y" + value(p.y));
    lines.push_back("Z" + value(p.z));
    if (n >= 2) {
        const PickedPoint& q = picks.points[n - 2];
        const double dx = double(p.x) - q.x, dy = double(p.y) - q.y, dz = double(p.z) - q.z;
        lines.push_back("DX" + value(dx));
        lines.push_back("DY" + value(dy));
        lines.push_back("DZ" + value(dz));
        lines.push_back("L" + value(std::sqrt(dx * dx + dy * dy + dz * dz)));
    } else {
        for (const char* label : {"DX", "DY", "DZ", "L"}) lines.push_back(std::string(label) + "\t-");
    }
    auto cell = [&](double r) { return std::fabs(r) == kPlaneRadius ? std::string("\t*PLANE*") : value(r); };
    lines.push_back("R(X)" + cell(radius_x));
    lines.push_back("R(Y)" + cell(radius_y));
    if (std::isnan(radius_3pt)) lines.push_back("R(3PT)\t-");
    else if (radius_3pt >= kPlaneRadius) lines.push_back("R(3PT)\t*LINE*");
    else lines.push_back("R(3PT)" + value(radius_3pt));
    return lines;
}

void draw_measuring_panel(Surface& s, Fonts& fonts, Rect area, const std::vector<std::string>& lines) {
    if (lines.empty()) return;
    const int rows = int(lines.size());
    const int h = std::max(1, (area.bottom - area.top) / rows);
    for (int k = 0; k < rows; ++k) {
        const Rect r{area.left, area.top + k * h, area.right, area.top + (k + 1) * h};
        draw_status_field(s, fonts, r, {lines[std::size_t(k)], FieldEdge::None}, kBlack);
    }
}

// ---- Magazine strip ----

MagazineStrip magazine_strip(Rect area, const sim::ToolTable& table, int first_tool, int magazine_size,
                             int spindle_tool, bool temporary) {
    MagazineStrip strip;
    strip.area = area;
    const int inner_left = area.left + kChainMargin, inner_right = area.right - kChainMargin;
    const int width = std::max(0, inner_right - inner_left);
    const int top = area.top + kChainMargin, bottom = std::max(top, area.bottom - kChainMargin);
    auto pocket_rect = [&](int k) {
        return Rect{inner_left + k * width / kPockets + kPocketGap / 2, top,
                    inner_left + (k + 1) * width / kPockets - kPocketGap / 2, bottom};
    };
    if (temporary) {
        Pocket p;
        p.rect = pocket_rect(kReadyPocket);
        p.in_spindle = true;
        p.label = kTemporaryLabel;
        strip.pockets.push_back(p);
        return strip;
    }
    const int size = std::max(1, magazine_size);
    const int start = ((first_tool - 1) % size + size) % size;  // 0-based slot of the first pocket
    const int last = sim::max_tool_number(table);
    for (int k = 0; k < kPockets; ++k) {
        Pocket p;
        p.rect = pocket_rect(k);
        p.tool = (start + k) % size + 1;
        p.holds_tool = p.tool <= last && table.entries[std::size_t(p.tool)].tool.defined != 0;
        p.in_spindle = p.tool == spindle_tool;
        if (p.holds_tool) {
            char buf[16];
            std::snprintf(buf, sizeof buf, "%02d", p.tool);
            p.number = buf;
        }
        if (p.in_spindle) p.label = platform::text(kTextUsed);
        else if (k == kReadyPocket) p.label = platform::text(kTextReady);
        strip.pockets.push_back(p);
    }
    return strip;
}

namespace {

// A quarter circle of radius r about (cx, cy) from angle a0 (degrees, counter-clockwise, screen y
// up) over 90 degrees.
void quarter_arc(Surface& s, int cx, int cy, int r, int a0) {
    std::vector<Point> pts;
    for (int d = 0; d <= 90; d += 5) {
        const double a = (a0 + d) * std::numbers::pi / 180.0;
        pts.push_back({cx + int(std::lround(r * std::cos(a))), cy - int(std::lround(r * std::sin(a)))});
    }
    draw_polyline(s, {PenStyle::Solid, 1, kPocketFrame}, pts);
}

// The tool's side view: the outline's rings as a closed polygon, tip down, scaled into `r`.
void draw_silhouette(Surface& s, Rect r, const sim::ToolEntry& entry) {
    const sim::Profile profile = sim::build_profile(entry.tool, entry.length, entry.holder, {});
    const ToolOutline outline = tool_outline(profile);
    if (outline.rings.empty()) return;
    double zmax = 0, rmax = 0;
    for (const ToolRing& ring : outline.rings) zmax = std::max(zmax, ring.z), rmax = std::max(rmax, ring.radius);
    if (!(zmax > 0) || !(rmax > 0)) return;
    const double w = r.right - r.left, h = r.bottom - r.top;
    const double k = std::min(w / (2.0 * rmax), h / zmax);
    const int cx = (r.left + r.right) / 2;
    std::vector<Point> pts;
    for (const ToolRing& ring : outline.rings)
        pts.push_back({cx + int(std::lround(ring.radius * k)), r.bottom - int(std::lround(ring.z * k))});
    for (auto it = outline.rings.rbegin(); it != outline.rings.rend(); ++it)
        pts.push_back({cx - int(std::lround(it->radius * k)), r.bottom - int(std::lround(it->z * k))});
    fill_polygon(s, pts, kPocketFrame);
}

}  // namespace

void draw_magazine_strip(Surface& s, Fonts& fonts, const MagazineStrip& strip, const sim::ToolTable& table) {
    const Rect a = strip.area;
    fill_rect(s, a, kBlack);
    // The chain: a quarter arc at each corner around the pockets.
    const int r = kChainMargin / 2;
    quarter_arc(s, a.left + kChainMargin, a.top + kChainMargin, r, 90);
    quarter_arc(s, a.left + kChainMargin, a.bottom - kChainMargin, r, 180);
    quarter_arc(s, a.right - kChainMargin, a.bottom - kChainMargin, r, 270);
    quarter_arc(s, a.right - kChainMargin, a.top + kChainMargin, r, 0);
    const int text_h = kPanelTextHeight;
    for (const Pocket& p : strip.pockets) {
        if (p.in_spindle) fill_rect(s, p.rect, kPocketGrey);
        draw_rect(s, {PenStyle::Solid, 1, kPocketFrame}, p.rect);
        if (p.holds_tool && p.tool >= 0 && p.tool <= sim::max_tool_number(table)) {
            const Rect body{p.rect.left + 2, p.rect.top + text_h + 2, p.rect.right - 2, p.rect.bottom - text_h - 2};
            if (body.right > body.left && body.bottom > body.top)
                draw_silhouette(s, body, table.entries[std::size_t(p.tool)]);
            text_right(s, fonts, p.rect.right - 2, p.rect.top + 1, p.rect.top + 1 + text_h, p.number, kPocketNumber, text_h);
        }
        if (!p.label.empty()) {
            const TextExtent e = measure_text(fonts, p.label, text_h);
            draw_text(s, fonts, (p.rect.left + p.rect.right - e.width) / 2, p.rect.bottom - e.height() - 1, p.label,
                      text_h, kPocketLabel);
        }
    }
}

}  // namespace vx::view
