// The numbers behind the view keys, the wheel and the drags, each case beside the wrong answer
// it rules out.
#include "gui/view_rules.h"

#include <gtest/gtest.h>

#include <cmath>

namespace vx::gui {
namespace {

TEST(ViewRules, WheelDistanceGivesItsSteps) {
    struct Case {
        int distance;
        bool reverse;
        int steps;
    };
    const Case cases[]{
        {120, false, 1}, {60, false, 1},     // part of a notch is still a step, not 0
        {0, false, -1},                      // no distance counts as a step out
        {-60, false, -1}, {240, false, 2},   // two notches: two steps
        {-360, false, -3}, {359, false, 2},  // toward zero, not rounded to 3
        {240, true, -2}, {0, true, 1},       // WHEEL ZOOM REVERSE negates every answer
    };
    for (const Case& c : cases) EXPECT_EQ(wheel_steps(c.distance, c.reverse), c.steps) << c.distance;
}

TEST(ViewRules, TiltKeysStopHalfAStepShortOfTheEnds) {
    struct Case {
        char key;
        double b, expected;
    };
    const Case cases[]{
        {'U', 90, 85}, {'U', 85, 75}, {'U', 5, 0},  // 80 becomes 85; never below 0
        {'D', 0, 5},   {'D', 5, 15},  {'D', 85, 90},  // 10 becomes 5; never above 90
        {'U', 30, 20}, {'D', 30, 40},
    };
    for (const Case& c : cases) {
        const auto angles = angles_for_key(c.key, {100, c.b});
        ASSERT_TRUE(angles) << c.key;
        EXPECT_EQ(*angles, (ViewAngles{100, c.expected})) << c.key << " from " << c.b;
    }
    EXPECT_FALSE(angles_for_key('Q', {0, 0}));
    EXPECT_EQ(*angles_for_key('5', {10, 45}), (ViewAngles{355, 45}));  // wrapped, not -5
    EXPECT_EQ(*angles_for_key('7', {270, 45}), (ViewAngles{90, 45}));
}

// A drag turns by whole 2.5-degree units of its length against the client size; the two axes
// never move together, and the same drag back returns to the start (away from the clamps).
TEST(ViewRules, RotateDragTurnsByWholeUnits) {
    const ViewAngles start{100, 45};
    EXPECT_EQ(rotate_drag(start, 100, 10, 720, 360), (ViewAngles{125, 45}));  // 100 * 72 / 720 = 10 units
    EXPECT_EQ(rotate_drag(start, -4, 1, 720, 360), start);                    // 0.4 of a unit rounds to none
    EXPECT_EQ(rotate_drag(start, 0, -40, 720, 360), (ViewAngles{100, 55}));   // upward raises B
    EXPECT_EQ(rotate_drag({350, 45}, 100, 0, 720, 360), (ViewAngles{15, 45}));
    EXPECT_EQ(rotate_drag({0, 85}, 0, -100, 720, 360), (ViewAngles{0, 90}));  // clamped
    for (int dx : {-300, -37, 3, 77, 500})
        EXPECT_EQ(rotate_drag(rotate_drag(start, dx, 0, 640, 480), -dx, 0, 640, 480), start) << dx;
    for (int dy : {-50, 11, 60})
        EXPECT_EQ(rotate_drag(rotate_drag(start, 0, dy, 640, 480), 0, -dy, 640, 480), start) << dy;
    EXPECT_FALSE(drag_step_due(2, 0));  // a drag of 2 pixels changes nothing
    EXPECT_TRUE(drag_step_due(2, -1));
}

// The light follows the rotate rule on its azimuth and its elevation, which may go below the XY
// plane down to -90 (the view's B stops at 0); the vector and the angles describe one direction.
TEST(ViewRules, LightDragTurnsAzimuthAndElevation) {
    const LightAngles start{100, 30};
    const LightAngles right = light_drag(start, 100, 0, 720, 360);
    EXPECT_DOUBLE_EQ(right.azimuth, 125);
    EXPECT_DOUBLE_EQ(right.elevation, 30);
    EXPECT_DOUBLE_EQ(light_drag({350, 0}, 100, 0, 720, 360).azimuth, 15);       // wrapped
    EXPECT_DOUBLE_EQ(light_drag({0, -85}, 0, 100, 720, 360).elevation, -90);    // downward, clamped
    EXPECT_DOUBLE_EQ(light_drag({0, 10}, 0, 40, 720, 360).elevation, 0);        // not stopped at 0
    EXPECT_DOUBLE_EQ(light_drag({0, 0}, 0, 40, 720, 360).elevation, -10);
    for (const LightAngles a : {LightAngles{0, 90}, LightAngles{45, 30}, LightAngles{270, -60}, LightAngles{135, 0}}) {
        const Vec3 l = light_vector(a);
        EXPECT_NEAR(l.x * l.x + l.y * l.y + l.z * l.z, 1.0, 1e-12);
        const LightAngles back = light_angles(l);
        EXPECT_NEAR(back.elevation, a.elevation, 1e-9);
        if (a.elevation != 90) {  // straight above, every azimuth is the same direction
            EXPECT_NEAR(back.azimuth, a.azimuth, 1e-9);
        }
    }
    EXPECT_NEAR(light_vector({0, 90}).z, 1.0, 1e-12);  // LIGHT VECTOR's default (0,0,1) straight above
}

TEST(ViewRules, ZoomDragAndWheelAreInverseOfTheirReverse) {
    EXPECT_DOUBLE_EQ(zoom_drag_factor(640, 0, 640, 480), std::pow(1.1, 20));
    EXPECT_DOUBLE_EQ(zoom_drag_factor(0, -240, 640, 480), std::pow(1.1, 10));  // upward enlarges
    EXPECT_NEAR(zoom_drag_factor(37, 5, 640, 480) * zoom_drag_factor(-37, -5, 640, 480), 1.0, 1e-12);
    EXPECT_NEAR(wheel_zoom_factor(3) * wheel_zoom_factor(-3), 1.0, 1e-12);
    EXPECT_DOUBLE_EQ(wheel_zoom_factor(2), 1.1 * 1.1);
}

}  // namespace
}  // namespace vx::gui
