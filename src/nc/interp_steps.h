// The steps of one block that interp.cpp drives and interp_state.cpp implements: offsets, tools,
// the non-modal codes and the coordinate transforms. Internal to the interpreter.
#pragma once

#include "nc/interp.h"

namespace vx::nc::steps {

void set_plane(Interp& in, int plane);
void select_work(Interp& in);
void apply_tool_words(Interp& in);
// Makes tool `t` the active one when the table knows it and it is not already.
void activate_tool(Interp& in, int t);
void apply_length(Interp& in);
void apply_radius(Interp& in);
void d_word(Interp& in, int n);
void h_word(Interp& in, int n);
// OSP: the H and F words of the block, once every word is known (G15/G16 and G04 change them).
void apply_osp_words(Interp& in);
void apply_pending_cancel(Interp& in);

// Non-modal codes; each consumes the block's axis words.
void dwell_block(Interp& in);
void g10_block(Interp& in);
void g92_block(Interp& in);
void g52_block(Interp& in);
void reference_block(Interp& in, int code);
void scaling_on(Interp& in);
void mirror_on(Interp& in);
void mirror_off(Interp& in);
void rotation_on(Interp& in);

// The absolute programmed target of the block's axis words (G91 adds to the last coordinate).
Vec3 programmed_target(const Interp& in);
// The programmed coordinate of axis `a` that puts the control point at workpiece value `v`
// when neither scaling nor rotation acts.
double programmed_of(const Interp& in, int a, double v);
// A centre vector (I, J, K) turned like the points: scaled, rotated, mirrored.
Vec3 workpiece_vector(const Interp& in, const Vec3& v);
// Whether an odd number of the plane's axes is mirrored (arcs then turn the other way).
bool mirrored_odd(const Interp& in);

void raise(Interp& in, int code);

// A move of `motion` from the current position to `end`, with the block's modal data.
MoveRecord new_move(const Interp& in, int motion, const Vec3& end);

}  // namespace vx::nc::steps
