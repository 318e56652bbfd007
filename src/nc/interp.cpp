#include "nc/interp.h"

#include "nc/cycles.h"
#include "nc/dialects.h"
#include "nc/interp_steps.h"
#include "nc/nurbs.h"
#include "nc/subprograms.h"
#include "nc/units.h"

#include <cmath>
#include <cstdio>

namespace vx::nc {

namespace {

// ---- Word handlers ----

// The run's wait M-codes and stop test read the block's last M word as last_m_word() scans it.
// Recorded while the interpreter scans, it is that value as long as both scans meet the same
// words. Where they may part, the record is marked for a scan of its own: behind a "<" in an M
// word (that scan skips to the ">"; an M98 file name is skipped here), where a handler ends the
// block early, and where a hook takes a word (it may move the scan).
void record_m_word(BlockWords& b, const Word& w) {
    b.last_m = read_integer(w.text);
    if (w.line.substr(w.at, w.next - w.at).find('<') != std::string_view::npos) b.last_m_exact = false;
}

// The word to a hook of the dialects, which may move the scan or end it.
int hook_word(Interp& in, Word& w) {
    if (!in.hooks.dialect_word) {
        const char name[] = {w.letter, ' ', 'w', 'o', 'r', 'd', 's', '\0'};
        note_no_effect(in, name);
        return 1;
    }
    in.block.last_m_exact = false;
    return in.hooks.dialect_word(in.hooks.context, in, w);
}

// The digit behind the point of a G number (G54.1, G06.2), -1 for none.
int first_fraction_digit(std::string_view text) {
    std::size_t dot = text.find('.');
    if (dot == std::string_view::npos || dot + 1 >= text.size()) return -1;
    const char c = text[dot + 1];
    return c >= '0' && c <= '9' ? c - '0' : -1;
}

// The effect of G code `g` on the block: false when this controller gives it none.
bool g_code(Interp& in, int g, int fraction) {
    const bool point1 = fraction == 1;
    BlockWords& b = in.block;
    const Dialect d = in.ctl->product;
    const bool fanuc_offsets = d != Dialect::Osp && d != Dialect::Heidenhain;
    switch (g) {
    case 0: case 1: case 2: case 3:  // cancel a cycle, except HEIDENHAIN's, which waits for M99
        b.motion = g;
        if (d != Dialect::Heidenhain) b.cycle = 80;
        return true;
    case 4: case 10: case 27: case 28: case 29: case 30: case 92:
        b.special = g;
        return true;
    case 6:  // G06.2: NURBS; G06 alone is nothing here
        if (fraction == 2) b.spline = 6;
        return fraction == 2;
    case 132:
        b.spline = 132;
        return true;
    case 15: case 16:
        b.work_by_h = d == Dialect::Osp;
        return b.work_by_h;
    case 17: case 18: case 19: b.plane = g; return true;
    case 20: case 21: b.units = g; return true;
    case 39: b.corner_arc = true; return true;
    case 40: case 41: case 42: b.radius = g; return true;
    case 43: case 44: case 49:
        if (fanuc_offsets) b.length = g;
        return fanuc_offsets;
    case 50: b.special = point1 ? kMirrorOff : 50; return true;
    case 51: b.special = point1 ? kMirrorOn : 51; return true;
    case 52:
        if (fanuc_offsets) b.special = 52;
        return fanuc_offsets;
    case 53:  // OSP and HEIDENHAIN: cancels the length offset
        if (fanuc_offsets) b.g53 = true;
        else b.length = 49;
        return true;
    case 54: case 55: case 56: case 57: case 58: case 59:
        if (!fanuc_offsets) {  // OSP and HEIDENHAIN: G56 takes the length offset of the H entry
            if (g == 56) b.length = 43;
            return g == 56;
        }
        if (g == 54 && point1) b.work_extended = true;
        else b.work = g - 53;
        return true;
    case 68: case 69:
        if (fanuc_like(d)) b.special = g;
        return fanuc_like(d);
    case 73: case 74: case 76: case 81: case 82: case 83: case 84: case 85: case 86: case 87:
    case 88: case 89:
        b.cycle = g;
        return true;
    case 70: case 71: case 72: case 75: case 77: case 78: case 79: case 80: b.cycle = 80; return true;
    case 90: case 91: b.distance = g; return true;
    case 98: b.return_level = 1; return true;
    case 99: b.return_level = 0; return true;
    default: return false;
    }
}

int g_word(Interp& in, const Word& w) {
    int g = read_integer(w.text);
    if (in.ctl->product == Dialect::Osp) g = osp_g_code(g);
    if (g >= 0 && g < kUsedCodes) in.used_g[std::size_t(g)] = true;
    if (g == 65 || g == 66 || g == 67) {  // macro calls: the rest of the block is not ours
        note_no_effect(in, g_code_name(g, w.text));
        in.block.last_m_exact = false;
        return 0;
    }
    if (!g_code(in, g, first_fraction_digit(w.text))) note_no_effect(in, g_code_name(g, w.text));
    return 1;
}

// "M98 <name>": the name is taken whole so that its letters are not read as words.
void call_name(Interp& in, Word& w) {
    std::size_t i = w.at + 1;
    while (i < w.line.size() && w.line[i] >= '0' && w.line[i] <= '9') ++i;
    while (i < w.line.size() && (w.line[i] == ' ' || w.line[i] == '\t')) ++i;
    if (i >= w.line.size() || w.line[i] != '<') return;
    std::size_t close = w.line.find('>', i + 1);
    if (close == std::string_view::npos) return;
    in.block.call_name = w.line.substr(i + 1, close - i - 1);
    w.next = close + 1;
}

// M codes the run acts on outside the interpreter: the stops and the controller's wait codes.
bool run_m_code(const Ctl& ctl, int m) { return m == 0 || m == 1 || find_wait_m_code(ctl, m) != nullptr; }

std::string m_code_name(int m) {
    char name[16];
    std::snprintf(name, sizeof name, "M%02d", m);
    return name;
}

void m_word(Interp& in, Word& w) {
    BlockWords& b = in.block;
    int m = read_integer(w.text);
    if (m >= 0 && m < kUsedCodes) in.used_m[std::size_t(m)] = true;
    const bool osp = in.ctl->product == Dialect::Osp;
    switch (m) {
    case 3: in.modal.spindle_direction = 1; break;
    case 4: in.modal.spindle_direction = -1; break;
    case 5: in.modal.spindle_direction = 0; break;
    case 6: b.m06 = true; break;
    case 29: b.m29 = true; break;
    case 2: case 30:  // outside a memory run the end of the file ends the program
        if (in.ctl->memory_run) b.m02 = true;
        break;
    case 98: case 99: case 198:
        b.call = m;
        if (m == 98) call_name(in, w);
        break;
    case 52: case 53: case 54:
        if (osp) in.modal.return_level = m == 52 ? 1 : m == 53 ? 2 : 0;
        else note_no_effect(in, m_code_name(m));
        break;
    default:
        if (!run_m_code(*in.ctl, m)) note_no_effect(in, m_code_name(m));
        break;
    }
}

void tool_word(Interp& in, const Word& w) {
    BlockWords& b = in.block;
    if (w.kind == WordKind::SiemensTool && w.quoted) {
        int n = in.tools.by_name ? in.tools.by_name(in.tools.context, w.text) : -1;
        if (n < 0) return;  // a name the table does not know selects nothing
        b.t = n;
    } else {
        b.t = read_integer(w.text);
    }
    b.has_t = true;
}

int address_word(Interp& in, Word& w) {
    BlockWords& b = in.block;
    const Ctl& ctl = *in.ctl;
    int& decimal_mode = in.reader->decimal_mode;
    char c = w.letter;
    if (ctl.product == Dialect::Osp && osp_text_word(b, w)) return 1;
    if (c == 'M') record_m_word(b, w);  // before the axis letters, which may claim it
    if (c == 'X') {
        b.has_x = true;
        b.x_text = w.text;
    }
    if (int a = axis_of_letter(ctl, c); a >= 0) {
        b.axis[std::size_t(a)] = true;
        b.value[std::size_t(a)] = read_axis(w.text, ctl, decimal_mode, a);
        b.any_axis = true;
        return 1;
    }
    if (int a = centre_axis_of_letter(ctl, c); a >= 0) {
        b.centre[std::size_t(a)] = true;
        b.centre_value[std::size_t(a)] = read_axis(w.text, ctl, decimal_mode, a);
        b.centre_text[std::size_t(a)] = w.text;
        return 1;
    }
    switch (c) {
    case 'G': return g_word(in, w);
    case 'M': m_word(in, w); break;
    case 'F':
        b.has_f = true;
        b.f_text = w.text;
        // In OSP a G04 anywhere in the block makes it the dwell: read once the block is known.
        if (ctl.product != Dialect::Osp) read_feed(w.text, ctl, in.modal.feed, in.reader->alarm, in.main_line);
        break;
    case 'S': in.modal.spindle_speed = read_integer(w.text); break;
    case 'T': tool_word(in, w); break;
    case 'D': {
        int n = read_integer(w.text);
        steps::d_word(in, n >= 0 && n < kOffsetEntries ? n : 0);
        b.has_d = true;
        break;
    }
    case 'H': {
        int n = read_integer(w.text);
        b.has_h = true;
        // In OSP a G15/G16 anywhere in the block turns H into a work coordinate number.
        if (ctl.product == Dialect::Osp) b.h = n;
        else steps::h_word(in, n >= 0 && n < kOffsetEntries ? n : 0);
        break;
    }
    case 'L':
        b.has_l = true;
        b.l = read_integer(w.text);
        break;
    case 'P':
        b.has_p = true;
        b.p_text = w.text;
        if (ctl.product == Dialect::Heidenhain) heidenhain_cycle_word(b, w.text);
        break;
    case 'Q':
        b.has_q = true;
        b.q_text = w.text;
        b.q = read_coordinate(w.text, ctl, decimal_mode);
        break;
    case 'R':
        b.has_r = true;
        b.r = read_coordinate(w.text, ctl, decimal_mode);
        b.r_text = w.text;
        break;
    case 'N': case 'O': break;
    default:
        return hook_word(in, w);
    }
    return 1;
}

// The comment plug-in sees the line once, before its first comment is skipped; a tool it names
// becomes the active one and a length it reads waits for the run (after the block's tool change).
// Arbors from comments are not taken over yet: named.
void on_comment(void* context, std::string_view line) {
    Interp& in = *static_cast<Interp*>(context);
    if (!in.comments.offer || in.block.comment_offered) return;
    in.block.comment_offered = true;
    CommentFindings found;
    if (!in.comments.offer(in.comments.context, line, in.main_line, found)) return;
    if (found.has_tool) steps::activate_tool(in, found.tool);
    if (found.has_length && found.length > 0.0 && std::isfinite(found.length)) in.modal.comment_length = found.length;
    if (found.has_arbor) note_no_effect(in, "arbors from comments");
}

void on_lower_case(void* context) {
    Interp& in = *static_cast<Interp*>(context);
    if (in.block.lower_case) return;
    in.block.lower_case = true;
    note_no_effect(in, "lower-case words");
}

int on_word(void* context, Word& w) {
    Interp& in = *static_cast<Interp*>(context);
    switch (w.kind) {
    case WordKind::ToolCall:
    case WordKind::SiemensTool:
        tool_word(in, w);
        return 1;
    case WordKind::OspCall:
        if (in.hooks.dialect_word) return hook_word(in, w);
        osp_call_word(in.block, w);
        return 1;
    case WordKind::Address:
        break;
    }
    return address_word(in, w);
}

// ---- Moves of a block ----

bool is_arc(int motion) { return motion == kMotionCw || motion == kMotionCcw; }

void build_arc(Interp& in, MoveRecord& m) {
    const BlockWords& b = in.block;
    const Ctl& ctl = *in.ctl;
    int motion = m.motion;
    bool exchange = (in.modal.plane_code < 0) != steps::mirrored_odd(in);
    if (exchange) motion = motion == kMotionCw ? kMotionCcw : kMotionCw;
    m.motion = motion;
    const PlaneAxes& pl = m.plane;
    bool has_centre = b.centre[std::size_t(pl.first)] || b.centre[std::size_t(pl.second)];
    int ok;
    if (has_centre) {
        Vec3 v;
        v[pl.first] = b.centre_value[std::size_t(pl.first)];
        v[pl.second] = b.centre_value[std::size_t(pl.second)];
        Vec3 centre;
        if (ctl.product == Dialect::Heidenhain) {
            Vec3 absolute = in.modal.programmed;
            absolute[pl.first] = v[pl.first];
            absolute[pl.second] = v[pl.second];
            centre = workpiece_point(in, absolute);
        } else {
            Vec3 w = steps::workpiece_vector(in, v);
            centre = m.start + w;
        }
        centre[pl.normal] = m.start[pl.normal];
        ok = arc_from_centre(m, centre, double(ctl.r_tolerance));
    } else if (b.has_r) {
        double r = b.r;
        const std::size_t first = std::size_t(pl.first);
        if (in.modal.scaling && ctl.scale_effect[first]) r *= in.modal.scale_factor[first];
        ok = arc_from_radius(m, r, double(ctl.r_tolerance));
    } else {
        // Neither centre nor radius: the centre is the start, whose radius 0 cannot meet the end.
        ok = 0;
    }
    if (!ok) steps::raise(in, kAlarmArcRadius);
}

void queue_rapid(Interp& in, const MoveRecord& m) {
    int mode = in.ctl->g00_mode;
    if (mode == kG00Line || in.modal.radius_side != 0) {
        push_move(in, m);
        return;
    }
    rapid_path(mode, m.start, m.end, *in.mtl, in.rapid_pitch, in.lookup, in.path);
    if (in.path.count == 0) {
        push_move(in, m);
        return;
    }
    Vec3 from = m.start;
    for (int i = 0; i < in.path.count; ++i) {
        MoveRecord piece = m;
        piece.start = from;
        piece.end = in.path.points[std::size_t(i)];
        piece.last_piece = i == in.path.count - 1;
        from = piece.end;
        push_move(in, piece);
    }
}

// A G53 block gives machine coordinates: the workpiece frame is the machine's, so the named axes
// go to their values as written; the run loop decides how it moves.
Vec3 machine_target(Interp& in) {
    const BlockWords& b = in.block;
    Vec3 end = in.modal.position;
    for (int a = 0; a < 3; ++a) {
        if (!b.axis[std::size_t(a)]) continue;
        end[a] = b.value[std::size_t(a)];
        in.modal.programmed[a] = steps::programmed_of(in, a, end[a]);
    }
    return end;
}

// Cycle moves are not offset (the block already ended any held path): the cycle starts where the
// offset path left the tool, the next offset move starts where the cycle left it, and the
// program is told.
void compensated_cycle(Interp& in) {
    const bool compensated = in.comp.state != kCompensationOff;
    if (compensated) in.modal.position = in.comp.tool;
    expand_cycle(in);
    if (!compensated) return;
    in.comp.tool = in.modal.position;
    note_no_effect(in, "radius compensation on cycle moves");
}

void motion_block(Interp& in) {
    steps::apply_pending_cancel(in);
    const BlockWords& b = in.block;
    // HEIDENHAIN defines its cycle here and runs it with M99: an axis word moves as written.
    const bool positions_only = b.cyl && in.modal.cycle != 80;
    if (in.modal.cycle != 80 && !b.cyl && in.ctl->product != Dialect::Heidenhain) {
        if (in.hooks.cycle && in.hooks.cycle(in.hooks.context, in, b) != -1) return;
        compensated_cycle(in);
        return;
    }
    Vec3 end;
    if (b.g53) {
        end = machine_target(in);
    } else {
        Vec3 target = steps::programmed_target(in);
        // An OSP CYL block only positions over its hole: its normal-axis word is the hole depth,
        // not a place to go at rapid.
        if (positions_only) target[in.modal.axes.normal] = in.modal.programmed[in.modal.axes.normal];
        end = workpiece_point(in, target);
        in.modal.programmed = target;
    }
    int motion = positions_only ? kMotionRapid : in.modal.motion;
    MoveRecord m = steps::new_move(in, motion, end);
    if (is_arc(motion)) build_arc(in, m);
    if (motion != kMotionRapid && in.ctl->check_f0 && in.modal.feed <= 0) steps::raise(in, kAlarmZeroFeed);
    in.modal.position = m.end;
    if (compensation_takes(in, m)) return;
    if (motion == kMotionRapid) queue_rapid(in, m);
    else push_move(in, m);
}

// ---- One block ----

void apply_modal(Interp& in) {
    if (in.ctl->product == Dialect::Osp) steps::apply_osp_words(in);
    if (in.modal.inch) feed_to_millimetres(in);
    const BlockWords& b = in.block;
    if (b.plane) steps::set_plane(in, b.plane);
    if (b.distance) in.modal.incremental = b.distance == 91;
    if (b.motion >= 0) in.modal.motion = b.motion;
    note_cycle_words(in);
    if (b.cycle >= 0) in.modal.cycle = b.cycle;
    if (b.return_level >= 0) in.modal.return_level = b.return_level;
    if (b.has_l && b.special != 10) in.modal.repeat = b.l;
    if (b.work >= 0 || b.work_extended) steps::select_work(in);
    steps::apply_tool_words(in);
    steps::apply_length(in);
    steps::apply_radius(in);
}

// 1 when the block's non-modal code took its axis words.
int apply_special(Interp& in) {
    switch (in.block.special) {
    case 4: steps::dwell_block(in); return 1;
    case 10: steps::g10_block(in); return 1;
    case 92: steps::g92_block(in); return 1;
    case 52: steps::g52_block(in); return 1;
    case 27: case 28: case 29: case 30: steps::reference_block(in, in.block.special); return 1;
    case 51: steps::scaling_on(in); return 1;
    case 50: in.modal.scaling = false; return 0;
    case kMirrorOn: steps::mirror_on(in); return 1;
    case kMirrorOff: steps::mirror_off(in); return 0;
    case 68: steps::rotation_on(in); return 1;
    case 69: in.modal.rotations = 0; return 0;
    default: return 0;
    }
}

// M98, M198, M99; in HEIDENHAIN an M99 runs the cycle defined before it, if there is one.
void subprogram_words(Interp& in) {
    const BlockWords& b = in.block;
    if (b.call < 0) return;
    if (b.call == 99 && in.ctl->product == Dialect::Heidenhain && call_heidenhain_cycle(in)) return;
    if (in.hooks.subprogram) in.hooks.subprogram(in.hooks.context, in, b);
    else call_subprogram(in);
}

void apply_block(Interp& in) {
    apply_modal(in);
    compensation_block(in);
    subprogram_words(in);
    if (!take_spline_block(in) && apply_special(in) == 0 && in.block.any_axis) motion_block(in);
    if (in.block.m02) {
        compensation_finish(in);
        in.end_state = kEndRequested;
    }
}

void parse_and_apply(Interp& in, std::string_view text) {
    in.block = BlockWords{};
    in.block.text = text;
    in.modal.g10 = false;
    WordHandler handler{&in, &on_word, &on_comment, &on_lower_case};
    parse_words(text, in.ctl->product, handler);
    if (in.block.units) in.modal.inch = in.block.units == 20;
    if (in.modal.inch) lengths_to_millimetres(in.block);
    apply_block(in);
}

}  // namespace

// ---- Entry points ----

void reset_interp(Interp& in, const Vec3& start_point) {
    const Ctl& ctl = *in.ctl;
    const int start_tool = in.tools.current ? in.tools.current(in.tools.context) : 0;
    in.modal = start_state(ctl, start_point, start_tool);
    in.end_state = kEndRunning;
    in.line = in.main_line = 0;
    in.move = in.previous = MoveRecord{};
    in.move.start = in.move.end = start_point;
    in.queue.clear();
    in.queue.reserve(kQueueReserve);
    in.handed = 0;
    in.stop_held = false;
    reset_compensation(in.comp);
    in.nesting.look_ahead = 0;
    in.used_g = {};
    in.used_m = {};
    in.no_effect.clear();
    if (in.reader) start_run(*in.reader, ctl);
    if (in.time) set_time_tool(*in.time, in.modal.tool);
}

void execute_block_text(Interp& in, std::string_view block) { parse_and_apply(in, block); }

void push_move(Interp& in, const MoveRecord& move) { in.queue.push_back(move); }

// ---- What the run control asks ----

int alarm_code(const Interp& in) { return in.reader ? in.reader->alarm.code : 0; }
int end_state(const Interp& in) { return in.end_state; }
bool stop_allowed(const Interp& in) { return in.queue.empty() && in.nesting.look_ahead == 0; }

Nesting nesting_counters(const Interp& in) {
    Nesting n = in.nesting;
    n.subprogram = in.reader ? in.reader->depth : 0;
    return n;
}

bool nested(const Interp& in) {
    Nesting n = nesting_counters(in);
    return n.cycle > 0 || n.subprogram > 0 || n.macro > 0 || n.look_ahead > 0;
}
int active_tool(const Interp& in) { return in.modal.tool; }

}  // namespace vx::nc
