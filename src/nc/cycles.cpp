#include "nc/cycles.h"

#include "nc/interp_steps.h"
#include "nc/no_effect.h"

#include <algorithm>
#include <cmath>

namespace vx::nc {
namespace {

constexpr int kCycleNone = 80;

bool is_cycle_code(int g) { return g >= 0 && g != kCycleNone; }
bool is_tap(int g) { return g == 74 || g == 84; }
bool pecks(int g) { return g == 73 || g == 83; }

// The cycles that feed back out of the hole (taps, reamers, boring bars that must not mark the
// wall) rather than rapid out of it.
bool feeds_out(int g) { return g == 74 || g == 84 || g == 85 || g == 87 || g == 88 || g == 89; }
bool dwells(int g) { return g == 76 || g == 82 || g == 88 || g == 89; }

// ---- Levels ----

// The cycle's levels on the normal axis, program coordinates.
struct Levels {
    double initial = 0, r = 0, bottom = 0;
    double direction = -1;  // of the cut: -1 down towards a bottom below R
};

Levels levels_of(const Interp& in) {
    const CycleWords& c = in.modal.cycle_words;
    Levels lv;
    lv.initial = c.initial;
    if (in.ctl->product == Dialect::Heidenhain) {  // R: the set-up clearance above the surface
        lv.r = c.initial;
        lv.bottom = c.initial - c.r_level + c.bottom;
    } else if (in.modal.incremental) {
        lv.r = c.initial + c.r_level;
        lv.bottom = lv.r + c.bottom;
    } else {
        lv.r = c.r_level;
        lv.bottom = c.bottom;
    }
    lv.direction = lv.bottom < lv.r ? -1.0 : 1.0;
    return lv;
}

// G98 (or OSP M52) the initial level, G99 the R point; several repeats all return to the
// initial level so that the tool clears whatever lies between the holes.
double return_height(const Interp& in, const Levels& lv, int repeats) {
    return repeats > 1 || in.modal.return_level != 0 ? lv.initial : lv.r;
}

// HEIDENHAIN: 2 % of a peck over 30 mm, at most 7; 0.6 for shorter pecks.
constexpr double kHeidenhainLongPeck = 30, kHeidenhainRetractShare = 0.02, kHeidenhainRetractMax = 7,
                 kHeidenhainRetractShort = 0.6;

double retract_amount(const Interp& in, int g) {
    const CycleWords& c = in.modal.cycle_words;
    if (in.ctl->product == Dialect::Heidenhain) {
        const double q = std::fabs(c.peck);
        return q > kHeidenhainLongPeck ? std::min(kHeidenhainRetractShare * q, kHeidenhainRetractMax)
                                       : kHeidenhainRetractShort;
    }
    if (c.retract >= 0) return c.retract;
    return g == 73 ? double(in.ctl->g73_d) : double(in.ctl->g83_d);
}

// ---- Repeats ----

int k_count(const Interp& in, bool& given) {
    const int k = centre_axis_of_letter(*in.ctl, 'K');
    given = k >= 0 && in.block.centre[std::size_t(k)];
    return given ? read_integer(in.block.centre_text[std::size_t(k)]) : 1;
}

// L, else K outside OSP (where K is the retract), else 1. A count of 0 only positions, unless
// the controller takes it as 1.
int repeat_count(const Interp& in) {
    const BlockWords& b = in.block;
    const Ctl& ctl = *in.ctl;
    if (b.has_l) return b.l == 0 && ctl.cycle_l0_once ? 1 : std::max(b.l, 0);
    if (ctl.product == Dialect::Osp || ctl.product == Dialect::Heidenhain) return 1;
    bool given = false;
    const int k = k_count(in, given);
    if (!given) return 1;
    return k == 0 && ctl.cycle_k0_once ? 1 : std::max(k, 0);
}

// ---- Moves ----

// The moves of one block, queued as they are made; the control point follows each.
struct Holes {
    Interp& in;
    int g;
    PlaneAxes axes;
    Vec3 at;        // program coordinates of the control point
    int made = 0;   // moves of the current hole, skipped ones counted, so pecking always ends

    void go(int motion, const Vec3& to, double dwell = 0) {
        ++made;
        if (to.x == at.x && to.y == at.y && to.z == at.z) return;
        MoveRecord m = steps::new_move(in, motion, workpiece_point(in, to));
        m.dwell = dwell;
        push_move(in, m);
        in.modal.position = m.end;
        at = to;
    }
    void to_level(int motion, double level, double dwell = 0) {
        Vec3 p = at;
        p[axes.normal] = level;
        go(motion, p, dwell);
    }
};

// A hole whose pecks never reach the bottom (a peck of 0, or far too small) stops short of it;
// the program is told rather than the hole taken as drilled.
void stop_pecking(Holes& h) { note_no_effect(h.in, "pecks beyond 995 moves a hole"); }

void peck_g73(Holes& h, const Levels& lv, double q) {
    const double d = retract_amount(h.in, 73);
    for (int k = 1;; ++k) {
        const double depth = lv.r + lv.direction * k * q;
        if (lv.direction * (depth - lv.bottom) >= 0) return h.to_level(kMotionLinear, lv.bottom);
        h.to_level(kMotionLinear, depth);
        h.to_level(kMotionRapid, depth - lv.direction * d);
        if (h.made >= kMaxHoleMoves) return stop_pecking(h);
    }
}

void peck_g83(Holes& h, const Levels& lv, double q) {
    const double d = retract_amount(h.in, 83);
    for (int n = 1;; ++n) {
        const double depth = lv.r + lv.direction * n * q;
        if (lv.direction * (depth - lv.bottom) >= 0) return h.to_level(kMotionLinear, lv.bottom);
        h.to_level(kMotionLinear, depth);
        h.to_level(kMotionRapid, lv.r);
        h.to_level(kMotionRapid, depth - lv.direction * d);
        if (h.made >= kMaxHoleMoves) return stop_pecking(h);
    }
}

void cut(Holes& h, const Levels& lv) {
    const CycleWords& c = h.in.modal.cycle_words;
    const double q = std::fabs(c.peck);
    if (pecks(h.g) && h.in.expand_pecks) {
        if (h.g == 73) peck_g73(h, lv, q);
        else peck_g83(h, lv, q);
        return;
    }
    h.to_level(kMotionLinear, lv.bottom, dwells(h.g) ? c.dwell : 0.0);
}

void retract(Holes& h, const Levels& lv, int repeats) {
    const double height = return_height(h.in, lv, repeats);
    if (!feeds_out(h.g)) return h.to_level(kMotionRapid, height);
    h.to_level(kMotionLinear, lv.r);
    if (h.in.modal.return_level != 0) h.to_level(kMotionRapid, height);
}

// Steps 1 to 6 for the hole at `hole` (plane coordinates; the normal one is ignored).
void drill(Holes& h, const Vec3& hole, const Levels& lv, int repeats) {
    h.made = 0;
    Vec3 over = hole;
    over[h.axes.normal] = h.at[h.axes.normal];
    h.go(kMotionRapid, over);
    if (repeats == 0) return;
    h.to_level(kMotionRapid, lv.r);
    const int index = h.g - kFirstClearanceCycle;
    const double clearance = index >= 0 && index < kClearanceCycles ? h.in.ctl->clearance[std::size_t(index)] : 0.0;
    if (clearance > 0) h.to_level(kMotionRapid, lv.r + lv.direction * clearance);
    cut(h, lv);
    retract(h, lv, repeats);
}

// HEIDENHAIN: P01 set-up clearance, P02 depth, then for the peck cycles P03 peck, P04 dwell,
// P05 feed, for the others P03 dwell, P04 feed.
void heidenhain_words(Interp& in, int mode) {
    const BlockWords& b = in.block;
    CycleWords& c = in.modal.cycle_words;
    const bool peck = pecks(mode);
    const auto given = [&b](int i) { return b.has_cycle_p[std::size_t(i)]; };
    const auto value = [&b](int i) { return b.cycle_p[std::size_t(i)]; };
    if (given(1)) c.r_level = value(1);
    if (given(2)) c.bottom = value(2);
    if (peck && given(3)) c.peck = value(3);
    const int dwell = peck ? 4 : 3, feed = peck ? 5 : 4;
    if (given(dwell)) c.dwell = value(dwell);
    if (given(feed)) in.modal.feed = value(feed);
}

}  // namespace

void note_cycle_words(Interp& in) {
    const BlockWords& b = in.block;
    CycleWords& c = in.modal.cycle_words;
    if (b.cycle == kCycleNone) c.rigid_tap = false;
    if (b.m29) c.rigid_tap = true;
    const int mode = b.cycle >= 0 ? b.cycle : in.modal.cycle;
    if (!is_cycle_code(mode)) return;
    const std::size_t n = std::size_t(in.modal.axes.normal);
    if (is_cycle_code(b.cycle) && !is_cycle_code(in.modal.cycle)) {
        const bool rigid = c.rigid_tap;
        c = CycleWords{};
        c.rigid_tap = rigid;
        c.initial = in.modal.programmed[int(n)];
    }
    if (in.ctl->product == Dialect::Heidenhain) return heidenhain_words(in, mode);
    if (b.axis[n]) c.bottom = b.value[n];
    if (b.has_r) c.r_level = b.r;
    if (b.has_q) c.peck = b.q;
    if (b.has_p) c.dwell = read_time(b.p_text);
    const int k = centre_axis_of_letter(*in.ctl, 'K');
    if (in.ctl->product == Dialect::Osp && k >= 0 && b.centre[std::size_t(k)] && pecks(mode))
        c.retract = std::fabs(b.centre_value[std::size_t(k)]);
    // Rigid tapping: the F word is the thread pitch and the tap feeds at speed x pitch.
    const bool rigid = c.rigid_tap || in.ctl->rigid_tap;
    if (rigid && is_tap(mode) && b.has_f) in.modal.feed = in.modal.spindle_speed * in.modal.feed;
}

void expand_cycle(Interp& in) {
    const int repeats = repeat_count(in);
    Holes h{in, in.modal.cycle, in.modal.axes, in.modal.programmed};
    const Levels lv = levels_of(in);
    const BlockWords& b = in.block;
    Vec3 step;  // G91: the block's plane increments, taken before every hole
    Vec3 hole = h.at;
    for (int a : {h.axes.first, h.axes.second}) {
        if (!b.axis[std::size_t(a)]) continue;
        const double v = b.value[std::size_t(a)];
        if (in.modal.incremental) step[a] = v;
        else hole[a] = v;
    }
    const int holes = std::max(repeats, 1);
    for (int i = 0; i < holes; ++i) {
        if (in.queue.size() >= kMaxCycleBlockMoves) {
            note_no_effect(in, "cycle repeats beyond 100000 moves");
            break;
        }
        hole = hole + step;
        drill(h, hole, lv, repeats);
    }
    in.modal.programmed = h.at;
}

void heidenhain_cycle_word(BlockWords& block, std::string_view text) {
    if (text.size() < 2 || text[0] != '0' || text[1] < '1' || text[1] > '5') return;
    const std::size_t i = std::size_t(text[1] - '0');
    block.has_cycle_p[i] = true;
    block.cycle_p[i] = read_decimal(text.substr(2));
}

bool call_heidenhain_cycle(Interp& in) {
    if (!is_cycle_code(in.modal.cycle)) return false;
    in.modal.cycle_words.initial = in.modal.programmed[in.modal.axes.normal];
    expand_cycle(in);
    return true;
}

}  // namespace vx::nc
