// The fast kernel against the direct reference over random tools, surfaces, positions and steps.
#include "sim/kernel_fixture.h"

#include "base/constants.h"
#include "sim/kernel_reference.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <string>

namespace vx::sim {
namespace {

using testing::expect_same_results;
using testing::make_tool;
using testing::same_layers;
using testing::tool_record;

constexpr int kToolKinds = testing::kShapeKinds;

ToolRecord random_shape(int kind, std::mt19937& rng) {
    std::uniform_real_distribution<double> size(1.5, 6.0);
    const double d = size(rng);
    ToolRecord t = testing::shape_of_kind(kind, d);
    t.h = float(std::uniform_real_distribution<double>(1.0, 4.0)(rng));
    return t;
}

LengthRecord random_length(const ToolRecord& t, std::mt19937& rng) {
    LengthRecord l;
    l.kind = std::uniform_int_distribution<int>(0, 3)(rng);
    std::uniform_real_distribution<double> u(0.0, 1.0);
    l.L = {float(1.5 + 1.5 * u(rng)), float(1.0 + u(rng)), float(0.5 + 0.5 * u(rng)), 20.0f, 10.0f,
           float(t.d + 1.0 + 1.5 * u(rng))};
    return l;
}

HolderRecord random_holder(const ToolRecord& t, std::mt19937& rng) {
    HolderRecord h;
    h.defined = std::uniform_int_distribution<int>(0, 3)(rng) != 0;
    h.kind = std::uniform_int_distribution<int>(0, 2)(rng);
    h.count = 2;
    if (h.kind == kHolderMixed) {
        h.diameters = {t.d + 2.5f, t.d + 3.0f, t.d + 5.0f};
        h.flags = {0, 1};
    } else {
        h.diameters = {t.d + 3.0f, t.d + 5.0f};
    }
    h.heights = {0.5f, 0.8f};
    return h;
}

// A wavy surface between 6 and 10 with some noise, so every zone meets material somewhere.
void roughen(Workpiece& wp, std::mt19937& rng) {
    std::uniform_real_distribution<double> noise(0.0, 0.6);
    const GridGeometry& g = wp.geometry;
    for (int j = 0; j < g.ny; ++j)
        for (int i = 0; i < g.nx; ++i) {
            const double x = i * g.pitch, y = j * g.pitch;
            wp.height.data[j * g.nx + i] = float(8.6 + 1.0 * std::sin(0.7 * x) * std::cos(0.5 * y) - noise(rng));
        }
    recompute_highest(wp);
}

void random_step(SweepStep& s, std::mt19937& rng, double width, double height) {
    std::uniform_real_distribution<double> u(0.0, 1.0);
    const int kind = std::uniform_int_distribution<int>(0, 6)(rng);
    const double len = 0.05 + 1.5 * u(rng);
    s.dx = s.dy = s.dz = 0;
    s.motion = kMotionLinear;
    switch (kind) {
        case 0: s.dz = -0.3 * u(rng); break;                          // plunge
        case 1: s.dx = u(rng) < 0.5 ? len : -len; break;               // along X
        case 2: s.dy = u(rng) < 0.5 ? len : -len; break;               // along Y
        case 3: s.dx = len * (u(rng) - 0.5); s.dy = len * (u(rng) - 0.5); break;
        case 4: s.dx = len * (u(rng) - 0.5); s.dy = len * (u(rng) - 0.5); s.motion = kMotionArcCw; break;
        case 5: s.dx = len * (u(rng) - 0.5); s.dz = -0.2 * u(rng); break;
        default: s.dx = len; s.motion = kMotionRapid; break;
    }
    // Now and then a jump, so the tool also stands across the grid's edges.
    if (u(rng) < 0.15) {
        s.x = -2.0 + (width + 4.0) * u(rng);
        s.y = -2.0 + (height + 4.0) * u(rng);
    }
    s.x += s.dx;
    s.y += s.dy;
    s.z = std::clamp(s.z + s.dz, 5.5, 10.5);
    if (u(rng) < 0.1) s.z = 5.5 + 5.0 * u(rng);
    s.plane = u(rng) < 0.9 ? 17 : 18;
    s.run_type = std::uniform_int_distribution<int>(1, 3)(rng);
    s.step_number = std::uniform_int_distribution<int>(1, 3)(rng);
    s.feed = u(rng) < 0.1 ? kRapidFeedrateNone : 1000.0;
    s.line_number = std::uniform_int_distribution<int>(-50, 50)(rng);
    s.paint = u(rng) < 0.3;
    s.recording = u(rng) < 0.85;
    s.sum_volume = u(rng) < 0.8;
    s.sum_moment = u(rng) < 0.5;
    s.short_move = u(rng) < 0.2;
    s.move_length = 0.02 * u(rng);
    s.move_length_xy = 0.5 * u(rng);
    s.watched_cell = std::uniform_int_distribution<int>(0, 400)(rng);
}

// ---- Fast kernel against the reference ----
// Any shortcut of the fast kernel (box, half-rows, early end of a row, band split, per-band
// partial results) that drops, adds or reorders a contribution shows up as a difference in a
// height, an attribute, a line number, a screen position or a result, for some tool type,
// data level, check mode or band count.

struct Bands {
    BandPool one, two, three;
    Bands() {
        start_workers(one, 1);
        start_workers(two, 2);
        start_workers(three, 3);
        // These grids are small: every call goes through the bands, however little it cuts.
        one.min_cells = two.min_cells = three.min_cells = 0;
    }
    BandPool* pick(int k) { return k == 0 ? nullptr : k == 1 ? &one : k == 2 ? &two : &three; }
};

// How often each outcome occurred over all cases: a comparison that never reaches a rule proves
// nothing about it.
struct Seen {
    int changed = 0, taper = 0, holder = 0, attachment = 0, length = 0, chip = 0, rapid = 0;
    int rapid_state[3] = {}, direction[4] = {};
    int protrusion = 0, neck = 0, second = 0, impossible = 0, blade = 0, tip = 0, centre = 0, watched = 0;
    void note(const SweepResult& r) {
        changed += r.changed;
        taper += r.taper;
        holder += r.holder;
        attachment += r.attachment;
        length += r.length;
        chip += r.chip;
        rapid += r.rapid_interference;
        ++rapid_state[r.rapid_state];
        if (r.step_direction >= 0) ++direction[r.step_direction];
        protrusion += r.required.protrusion > 0;
        neck += r.required.neck_length > 0;
        second += r.required.second_length > 0;
        impossible += r.required.second_length < 0;
        blade += r.required.blade_length > 0;
        tip += r.required.tip_width > 0;
        centre += r.required.centre_height > 0;
        watched += r.watched;
    }
};

// `plain`: no check, zone, clearance test, screen refresh or volume extra, the kernel's own
// short path.
void run_case(int tool_kind, ArborCheck arbor, int band_choice, std::uint32_t seed, BandPool* pool, Seen& seen,
              bool plain = false) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> u(0.0, 1.0);
    const double pitches[] = {0.2, 0.25, 0.3, 0.5};
    const double pitch = pitches[std::uniform_int_distribution<int>(0, 3)(rng)];
    const int nx = std::uniform_int_distribution<int>(24, 44)(rng), ny = std::uniform_int_distribution<int>(24, 44)(rng);
    const int level = 1 + int(seed % 4);
    auto fast = testing::make_body(nx, ny, pitch, 10.0, level);
    auto slow = testing::make_body(nx, ny, pitch, 10.0, level);
    std::mt19937 surface(seed * 7 + 1), surface2(seed * 7 + 1);
    roughen(*fast, surface);
    roughen(*slow, surface2);

    const ToolRecord record = random_shape(tool_kind, rng);
    const LengthRecord length = random_length(record, rng);
    const HolderRecord holder = random_holder(record, rng);
    Attachment attachment;
    attachment.count = 2;
    attachment.steps[0] = {record.d + 7.0f, 1.0f};
    attachment.steps[1] = {record.d + 10.0f, 2.0f};
    const bool with_attachment = u(rng) < 0.4;
    const Clearance clearance{ClearanceMode(std::uniform_int_distribution<int>(0, 2)(rng)), 0.4};
    const CurrentTool tool = make_tool(record, pitch, length, holder, with_attachment ? &attachment : nullptr, arbor,
                                       clearance);

    // Every mode of every check, drawn by its number.
    Checks checks;
    checks.arbor = arbor;
    checks.rapid = RapidCheck(std::uniform_int_distribution<int>(0, 2)(rng));
    checks.height = LengthCheck(std::uniform_int_distribution<int>(0, 3)(rng));
    checks.chip = LengthCheck(std::uniform_int_distribution<int>(0, 3)(rng));
    checks.tool_clearance = clearance;
    if (plain) {
        checks = testing::plain_checks();
        checks.rapid = RapidCheck::Off;
    }

    KernelContext context;
    context.pool = pool;
    const ScreenProjection screen{3.0, -1.0, 0.5, 100.0, 1.0, 2.0, -4.0, 50.0};

    SweepStep step;
    if (!plain && u(rng) < 0.5) step.projection = &screen;
    step.x = nx * pitch * u(rng);
    step.y = ny * pitch * u(rng);
    step.z = 9.5;
    SweepResult a, b;
    for (int call = 0; call < 12; ++call) {
        random_step(step, rng, nx * pitch, ny * pitch);
        if (plain) {
            step.sum_moment = step.short_move = false;
            if (step.run_type == kRunOptimise) step.run_type = kRunMoveStep;
        }
        const std::string where = "tool kind " + std::to_string(tool_kind) + " arbor " + std::to_string(int(arbor)) +
                                  " bands " + std::to_string(band_choice) + " seed " + std::to_string(seed) +
                                  " call " + std::to_string(call);
        sweep_at_position(*fast, tool, checks, step, context, a);
        testing::reference_sweep(*slow, tool, checks, step, b);
        expect_same_results(a, b, where);
        seen.note(b);
        ASSERT_TRUE(same_layers(*fast, *slow)) << where;
        ASSERT_EQ(fast->modification_state, slow->modification_state) << where;
    }
}

TEST(KernelRandom, MatchesReferenceForEveryToolArborModeAndBandCount) {
    Bands bands;
    Seen seen;
    std::uint32_t seed = 1;
    for (int tool_kind = 0; tool_kind < kToolKinds; ++tool_kind)
        for (int arbor = 0; arbor <= 4; ++arbor)
            for (int band_choice = 0; band_choice < 4; ++band_choice)
                for (int repeat = 0; repeat < 2; ++repeat)
                    run_case(tool_kind, ArborCheck(arbor), band_choice, seed++, bands.pick(band_choice), seen);
    for (const int count : {seen.changed, seen.taper, seen.holder, seen.attachment, seen.length, seen.chip, seen.rapid,
                            seen.rapid_state[1], seen.rapid_state[2], seen.direction[0], seen.direction[1],
                            seen.direction[2], seen.direction[3], seen.protrusion, seen.neck, seen.second, seen.blade,
                            seen.tip, seen.centre, seen.watched})
        EXPECT_GT(count, 0);
}

TEST(KernelRandom, ShortPathMatchesReferenceForEveryTool) {
    Bands bands;
    Seen seen;
    std::uint32_t seed = 9000;
    for (int tool_kind = 0; tool_kind < kToolKinds; ++tool_kind)
        for (int band_choice = 0; band_choice < 4; ++band_choice)
            for (int repeat = 0; repeat < 3; ++repeat)
                run_case(tool_kind, ArborCheck::Ignore, band_choice, seed++, bands.pick(band_choice), seen, true);
    EXPECT_GT(seen.changed, 100);
    for (const int count : seen.direction) EXPECT_GT(count, 0);
}

// The same positions swept with 1, 2 and 3 bands leave identical grids and identical sums: the
// per-band partial results must not depend on where the rows are split.
TEST(KernelRandom, BandCountDoesNotChangeAnyBit) {
    Bands bands;
    for (std::uint32_t seed = 500; seed < 520; ++seed) {
        std::mt19937 rng(seed);
        const double pitch = 0.2;
        const CurrentTool tool = make_tool(random_shape(int(seed % kToolKinds), rng), pitch);
        std::unique_ptr<Workpiece> grids[3];
        KernelContext contexts[3];
        SweepResult results[3];
        for (int k = 0; k < 3; ++k) {
            grids[k] = testing::make_body(40, 40, pitch, 10.0);
            std::mt19937 surface(seed);
            roughen(*grids[k], surface);
            contexts[k].pool = bands.pick(k + 1);
        }
        SweepStep step;
        step.x = 4;
        step.y = 4;
        step.z = 8;
        step.sum_volume = step.sum_moment = true;
        for (int call = 0; call < 6; ++call) {
            step.dx = 0.37;
            step.dy = 0.11 * call;
            step.x += step.dx;
            step.y += step.dy;
            for (int k = 0; k < 3; ++k)
                sweep_at_position(*grids[k], tool, testing::plain_checks(), step, contexts[k], results[k]);
            for (int k = 1; k < 3; ++k) {
                expect_same_results(results[0], results[k], "seed " + std::to_string(seed));
                ASSERT_TRUE(same_layers(*grids[0], *grids[k]));
            }
        }
    }
}

}  // namespace
}  // namespace vx::sim
