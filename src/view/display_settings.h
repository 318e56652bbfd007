// What the display takes from the settings file: the colour table, the view's start values and
// the switches of what is drawn. The shell fills it from its settings record; the view reads this
// record and never the settings file.
#pragma once

#include "base/colour.h"
#include "base/vec3.h"

#include <array>
#include <vector>

namespace vx::view {

// The colour table of the settings ("Define" keys and the ".CTC" file).
struct Colours {
    Colour work = rgb(127, 127, 255);
    std::array<Colour, 7> pen{rgb(0, 255, 0),   rgb(255, 255, 0), rgb(192, 192, 192), rgb(191, 191, 0),
                              rgb(191, 0, 191), rgb(0, 191, 191), rgb(255, 0, 127)};  // PEN1 .. PEN7
    Colour up_cut = rgb(106, 181, 181);
    Colour down_cut = rgb(0, 127, 255);
    Colour vertical_cut = rgb(127, 0, 255);
    Colour penki = rgb(255, 127, 0);
    Colour work2 = rgb(255, 128, 255);
    Colour tool_top = rgb(255, 0, 128);
    Colour tool_side = rgb(128, 128, 192);
    Colour arbor = rgb(0, 128, 0);
    Colour attachment = rgb(0, 128, 128);
    Colour top_path = rgb(255, 0, 0);
    Colour control_path = rgb(255, 128, 0);
    Colour cut_path = rgb(255, 0, 255);
    Colour construction = rgb(255, 255, 0);
    Colour plus = rgb(255, 255, 0);
    Colour minus = rgb(255, 0, 0);
    Colour background = rgb(255, 255, 255);
};

// What an operation that needs the full picture does while the display is thinned (DISPLAY GUIDANCE).
enum class DisplayGuidance { Detail, Ask, Never };

// What is drawn over the workpiece (the menus switch them later).
struct Overlays {
    bool tool = true;                 // TOOL DISPLAY
    bool holder = true;               // holder display, no setting of its own
    bool bounding_box = true;         // BOUNDARY BOX
    bool axes = true;                 // BASIC AXIS
    bool paths_during_run = false;    // PATH(START): each move of a cutting run drawn as it comes
    bool paths_in_result = true;      // PATH(RESULT): moves kept and drawn again at every redraw
    bool difference = false;          // DIFFERENCE MODE "ALWAYS": difference lines at every redraw
};

// The display's part of the settings. No product defaults here: the settings record holds them,
// and the shell copies them over (shell/view_options.h).
struct DisplaySettings {
    Colours colours;
    bool colour_by_pen = false;     // COLOR MODE "TOOL-PEN"; otherwise by cut direction
    bool tool_top_pen = false;      // TOOL-TOP COLOR MODE "PEN"
    Vec3 light_vector;              // LIGHT VECTOR, normalised
    bool perspective = false;       // PERSPECTIVE
    double angle_a = 0, angle_b = 0;  // ANGLE-A, ANGLE-B
    int optimize_drawing = 0;       // OPTIMIZE DRAWING
    int optimize_dots = 1;          // OPTIMIZE DOTS
    std::vector<double> target_area;  // TARGET AREA; empty for "NO"
    bool mesh = false;              // MESH MODE
    bool discoloration = false;     // DISCOLORATION MODE and its range
    double discoloration_lower = 0, discoloration_upper = 0;
    bool difference_minus = false;  // DIFFERENCE AREA "MINUS"
    Overlays overlays;
    // The path display samples arcs at the move pitch (PITCH(MOVE)): `move_pitch`, or with
    // "AUTO" `move_pitch_rate` times the workpiece pitch.
    bool move_pitch_automatic = false;
    double move_pitch = 1.0, move_pitch_rate = 1.0;
    double rapid_feedrate = 0;      // RAPID FEEDRATE: feeds at or above draw as rapids
    bool construction_points = false;  // CONSTRUCTION POINT
};

}  // namespace vx::view
