#include "gui/tool_window.h"

#include "gui/widgets.h"
#include "platform/encoding.h"
#include "platform/language.h"
#include "view/text.h"

#include <QPainter>
#include <QWidget>

#include <cstdio>

namespace vx::gui {
namespace {

constexpr platform::TextPair kTitle{"工具表示", "Tool"};
constexpr int kDimensionsPerRow = 4;
constexpr int kWidth = 560, kTextRows = 1 + kDimensionsShown / kDimensionsPerRow, kStripHeight = 150;
constexpr std::string_view kNoValue = "-";  // a length the tool's length record does not give
constexpr view::Pixel kFace = view::pixel_rgb(240, 240, 240);
constexpr view::Pixel kText = view::pixel_rgb(0, 0, 0);

std::string number_text(double v) {
    char buf[48];
    std::snprintf(buf, sizeof buf, "%.3f", v);
    return buf;
}

class ToolView : public QWidget {
public:
    ToolView(Window& w, std::vector<std::string> labels)
        : QWidget(w.main, Qt::Tool | Qt::WindowDoesNotAcceptFocus), w_(w), labels_(std::move(labels)) {
        setAttribute(Qt::WA_ShowWithoutActivating);
        setAttribute(Qt::WA_OpaquePaintEvent);
        setFocusPolicy(Qt::NoFocus);
        setWindowTitle(QString::fromUtf8(std::string(platform::text(kTitle)).c_str()));
        setFixedSize(kWidth, kTextRows * (w.text_height + 8) + kStripHeight);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        view::resize(surface_, width(), height());
        view::clear(surface_, kFace);
        const int row = w_.text_height + 8;
        const std::vector<std::string> lines = tool_lines(*w_.app, labels_);
        const int wide = width() / kDimensionsPerRow;
        for (std::size_t k = 0; k < lines.size(); ++k) {
            // The heading across the window, then the dimensions in rows of four.
            const int index = int(k) - 1;
            const view::Rect r = k == 0 ? view::Rect{0, 0, width(), row}
                                        : view::Rect{index % kDimensionsPerRow * wide, (1 + index / kDimensionsPerRow) * row,
                                                     (index % kDimensionsPerRow + 1) * wide,
                                                     (2 + index / kDimensionsPerRow) * row};
            view::draw_status_field(surface_, *w_.fonts, r, {lines[k], view::FieldEdge::Sunken}, kText, w_.text_height);
        }
        const view::Rect strip{0, kTextRows * row, width(), height()};
        view::draw_magazine_strip(surface_, *w_.fonts, current_magazine(*w_.app, strip), w_.app->tools);
        const QImage image(reinterpret_cast<const uchar*>(surface_.pixels.data()), surface_.width, surface_.height,
                           surface_.width * 4, QImage::Format_RGB32);
        QPainter(this).drawImage(0, 0, image);
    }

private:
    Window& w_;
    std::vector<std::string> labels_;
    view::Surface surface_;
};

}  // namespace

std::vector<std::string> tool_lines(const shell::App& app, const std::vector<std::string>& labels) {
    const sim::CurrentTool& t = app.tool;
    char head[64];
    std::snprintf(head, sizeof head, "T%02d  ", int(t.number));
    std::vector<std::string> lines{head + platform::to_utf8(t.tool.name) + "  (" +
                                   std::string(sim::tool_type_name(t.number > 0 ? &t.tool : nullptr)) + ")"};
    const std::array<std::optional<double>, kDimensionsShown> values = tool_dimensions(t);
    for (std::size_t k = 0; k < values.size() && k < labels.size(); ++k)
        lines.push_back(labels[k] + "\t\t" + (values[k] ? number_text(*values[k]) : std::string(kNoValue)));
    return lines;
}

std::array<std::optional<double>, kDimensionsShown> tool_dimensions(const sim::CurrentTool& t) {
    const sim::ToolRecord& r = t.tool;
    const sim::LengthRecord& l = t.length;
    const bool length = l.kind != sim::kLengthNone;
    const bool neck = l.kind == sim::kLength2 || l.kind == sim::kLength3;
    const auto given = [](bool on, double v) { return on ? std::optional<double>(v) : std::nullopt; };
    return {r.d, r.r, r.e, r.f, r.alpha, r.beta, r.h, given(length, l.L[0]),
            // The neck: its length and rise (L2, L3), the shank's diameter (L6) and the
            // diameter the neck starts from, the top of the cutting edge (2 rb).
            given(neck, l.L[1]), given(neck, l.L[2]), given(neck, l.L[5]), given(neck, 2.0 * t.profile.rb)};
}

view::MagazineStrip current_magazine(const shell::App& app, view::Rect area) {
    const sim::ToolTable& table = app.tools;
    const int size = std::max(1, int(table.highest_tool));
    return view::magazine_strip(area, table, app.tool.number - kPocketsBeforeSpindle, size, app.tool.number, false);
}

void build_tool_window(Window& w, const shell::MessageFile& messages) {
    std::vector<std::string> labels = messages.tool_dimension_labels;
    if (labels.empty()) {
        // Only the English labels are written down; the Japanese build shows them as well.
        const auto& english = shell::english_tool_dimension_labels();
        labels.assign(english.begin(), english.end());
    }
    w.tool_window = new ToolView(w, std::move(labels));
}

void place_tool_window(Window& w) {
    if (!w.tool_window) return;
    const QRect frame = w.main->frameGeometry();
    const int below_menu = w.command_menu && w.command_menu->isVisible() ? w.command_menu->frameGeometry().bottom() + 1
                                                                         : frame.top();
    w.tool_window->move(frame.right() + 1, below_menu);
}

void show_tool_window(Window& w, bool shown) {
    if (!w.tool_window || w.app->plan.minimised) return;
    if (shown && !w.tool_window->isVisible()) place_tool_window(w);
    w.tool_window->setVisible(shown);
    if (shown) w.tool_window->update();
}

}  // namespace vx::gui
