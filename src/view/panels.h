// The information panels drawn over the view and in the tool dialog: the stop-mode panel, the
// NC-line panel (selection, current block, picked cell), the measuring panel of the picked
// points and the magazine strip. Each panel is built as plain data first (its texts in the
// current language, its fields and pockets) and then drawn onto a surface, so that the texts
// and the layout can be checked without fonts.
//
// Field texts follow the status-bar convention: the part before the first tab is left-aligned,
// the part after it centred and the part after a second tab right-aligned.
#pragma once

#include "nc/move.h"
#include "platform/language.h"
#include "sim/tools.h"
#include "view/surface.h"
#include "view/text.h"
#include "view/tool_view.h"

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace vx::view {

// ---- Texts ----

extern const platform::TextPair kTextNcLabel;      // the NC-line panel's label
extern const platform::TextPair kTextNotSelected;  // no NC program selected
extern const platform::TextPair kTextNotCut;       // the picked cell was not cut by the selected NC data
extern const platform::TextPair kTextSingle, kTextDefine, kTextNone;  // stop-mode fields ("\tM01" is one language)
extern const platform::TextPair kTextUsed, kTextReady;                // magazine pocket labels

// ---- Status fields ----

enum class FieldEdge { None, Raised, Sunken };

struct StatusField {
    std::string text;
    FieldEdge edge = FieldEdge::Raised;
};

constexpr int kPanelTextHeight = 13;  // the window's user-interface font
constexpr Pixel kPanelFace = pixel_rgb(240, 240, 240);

// The field's frame over `face` and its text split at the tabs, vertically centred, clipped to `r`.
void draw_status_field(Surface& s, Fonts& fonts, Rect r, const StatusField& field, Pixel text_colour,
                       int text_height = kPanelTextHeight, Pixel face = kPanelFace);

// The width of a field that shows `text` whole: its parts side by side inside the padding.
int status_field_width(Fonts& fonts, std::string_view text, int text_height = kPanelTextHeight);

// `text` with its last part shortened to end in "\u2026" so that a field `width` wide shows it
// whole; unchanged when it fits already. Cut between characters, never inside one.
std::string elide_field_text(Fonts& fonts, std::string_view text, int width, int text_height = kPanelTextHeight);

// ---- Stop-mode panel ----

// M01, Single, Define and None sunken for stop modes 2, 3, 4 and 0 (all raised for mode 1),
// then GO and ESC: raised in the blink phase of a suspended run, empty in the other phase,
// "\t " without a suspended run.
std::array<StatusField, 6> stop_panel_fields(int stop_mode, bool suspended, bool blink);

// The six fields side by side across `area` (the last two narrower); nothing while minimised.
void draw_stop_panel(Surface& s, Fonts& fonts, Rect area, const std::array<StatusField, 6>& fields, bool minimised);

// ---- NC-line panel ----

struct NcLinePanel {
    std::string label;  // the left field
    std::string text;   // the right field
    Pixel label_colour = 0;
    Pixel text_colour = 0;
};

// No program: the label and "- Not Selected -"; otherwise the label and the path.
NcLinePanel nc_selection_panel(std::string_view nc_path);

// During and after a run: "\t\t%ld:" (or the subprogram name as "\t\t%s") and the block's text,
// or without text the move as "RAPID:..." / "LINE:... , FEED=..." and so on.
NcLinePanel nc_run_panel(int line, std::string_view subprogram, std::string_view block_text, const nc::MoveRecord* move);

// The move of the run panel: end point, and the feed for every motion but a rapid.
std::string run_move_text(int motion, const Vec3& end, double feed);

// After a pick: the cell's line right-aligned as "%ld: ", red for the main program and yellow for
// a called one (stored negative, shown without the sign), then the line's text or the move as
// "RAPID    ...", "LINE     ..."; "Not Cut" for a cell the selected data did not cut.
NcLinePanel nc_pick_panel(bool cut, int stored_line, std::string_view line_text, const nc::MoveRecord* move);

std::string pick_move_text(int motion, const Vec3& end);

void draw_nc_line_panel(Surface& s, Fonts& fonts, Rect area, const NcLinePanel& panel, int label_width);

// ---- Measuring panel ----

// A value by the display resolution: "\t\t%9.3f" (1000), "\t\t%8.2f" (100), "\t\t%10.4f" (other).
std::string measure_value(double value, int resolution);

// The lines of the measuring panel: the last point, the deltas to the one before and their
// distance, R(X), R(Y) and R(3PT) ("\t*PLANE*", "\t*LINE*", "\t-" where they say so).
std::vector<std::string> measuring_lines(const PickedPoints& picks, double radius_x, double radius_y,
                                         double radius_3pt, int resolution);

void draw_measuring_panel(Surface& s, Fonts& fonts, Rect area, const std::vector<std::string>& lines);

// ---- Magazine strip ----

constexpr int kPockets = 11;
constexpr int kReadyPocket = 5;  // the sixth pocket holds the tool waiting for the next change

struct Pocket {
    Rect rect;
    int tool = -1;         // the magazine number shown, -1 for the temporary pocket
    bool holds_tool = false;
    bool in_spindle = false;  // grey
    std::string number;    // "%02d" of a pocket holding a tool
    std::string label;     // "Used", "Ready", "TMP" or empty
};

struct MagazineStrip {
    Rect area;
    std::vector<Pocket> pockets;
};

// Eleven pockets across `area` with the magazine numbers from `first_tool` on, wrapping after
// `magazine_size` to 1; in the temporary-tool mode one grey pocket "TMP" in the middle.
MagazineStrip magazine_strip(Rect area, const sim::ToolTable& table, int first_tool, int magazine_size,
                             int spindle_tool, bool temporary);

// Black ground, the chain's four arcs, the pockets with the silhouettes of their tools, numbers
// in cyan and labels in red.
void draw_magazine_strip(Surface& s, Fonts& fonts, const MagazineStrip& strip, const sim::ToolTable& table);

constexpr Pixel kPocketGrey = pixel_rgb(128, 128, 128);
constexpr Pixel kPocketFrame = pixel_rgb(191, 191, 191);
constexpr Pixel kPocketNumber = pixel_rgb(0, 255, 255);
constexpr Pixel kPocketLabel = pixel_rgb(255, 0, 0);

}  // namespace vx::view
