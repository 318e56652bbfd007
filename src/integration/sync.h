// Sync through shared memory: the lockstep barrier through which several instances advance move
// by move together, and the handshake block through which an external program follows each step
// and acknowledges it. Both work on blocks mapped by the caller (platform/shared_memory.h); every
// byte and word another process may change is read and written atomically, and nothing here
// takes a lock: each instance writes only its own byte, except for the leader's release and the
// control byte.
#pragma once

#include "base/vec3.h"
#include "integration/plugins.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace vx::integration {

// ---- Lockstep ("SYNC") ----

constexpr std::size_t kLockstepBytes = 9;  // one byte per instance, then the control byte
constexpr int kMaxLockstepInstances = int(kLockstepBytes) - 1;

// Instance states.
constexpr std::uint8_t kInstanceIdle = 0;
constexpr std::uint8_t kInstanceReleased = 1;   // set by the leader: take the next step
constexpr std::uint8_t kInstanceArrived = 2;    // waiting at the barrier
constexpr std::uint8_t kInstanceStopping = 3;   // arrived while a stop of all instances is pending
constexpr std::uint8_t kInstanceAbsent = 9;     // takes no part: neither waited for nor released

// Control byte values.
constexpr std::uint8_t kControlStop = 1;    // a cooperating program asks every instance to stop
constexpr std::uint8_t kControlEnded = 2;   // an instance's run has ended

// Barrier results.
constexpr int kBarrierPass = 0;
constexpr int kBarrierStop = 3;   // every instance stops; the run pauses
constexpr int kBarrierEnded = 4;  // a partner's run has ended: this run leaves its step loop

struct Lockstep {
    std::uint8_t* bytes = nullptr;  // the 9-byte block
    int total = 0;                  // instances taking part (SYNC TOTAL)
    int me = 0;                     // this instance, 0-based (SYNC NO - 1)
};

// Why `total` and `me` cannot work with the 9-byte block, or empty when they can.
std::string lockstep_problem(int total, int me);

// What the barrier asks of its caller while it waits: called about every `poll_ms`
// milliseconds; returning true gives the wait up (the barrier then answers kBarrierEnded).
struct BarrierWait {
    bool (*give_up)(void* context, std::int64_t waited_ms) = nullptr;
    void* context = nullptr;
};

// Called before each step of a run: kBarrierPass, kBarrierStop or kBarrierEnded. Waits by
// yielding the processor, backing off to short sleeps while the partners are slow.
int lockstep_barrier(const Lockstep& sync, const BarrierWait& wait = {});

// A new run: all nine bytes cleared.
void lockstep_reset(const Lockstep& sync);

// The run has ended: this instance's byte and the control byte become 2, so that partners still
// waiting leave their step loop instead of waiting for this one.
void lockstep_finish(const Lockstep& sync);

// A paused run may go on once the control byte no longer asks for the stop.
bool lockstep_may_continue(const Lockstep& sync);

// The escape key while paused: a stop this instance waits in is lifted for every instance, and
// this instance stands at the barrier again.
void lockstep_escape(const Lockstep& sync);

// The key G while paused: when a partner waits in state 3, only this instance's byte is cleared
// and true returned (the run goes on with the others, not alone); else false.
bool lockstep_go(const Lockstep& sync);

std::uint8_t lockstep_byte(const Lockstep& sync, int index);

// ---- Handshake ("MAPFILE") ----

constexpr std::size_t kHandshakeBytes = 120;
constexpr std::size_t kHandshakeLineOffset = 4;
constexpr std::size_t kHandshakePositionOffset = 8;

constexpr std::int32_t kHandshakeAcknowledged = 0;  // written by the other program
constexpr std::int32_t kHandshakeWaiting = 1;       // a step is published, the run waits
constexpr std::int32_t kHandshakeEnded = 2;         // the run has ended

// Publishes a step: line and position first, then the state word 1 with release order, so that a
// reader who sees 1 also sees the step.
void handshake_publish(void* block, std::int32_t line, const Vec3& position);

// The run may go on: the other program has written 0 into the state word.
bool handshake_acknowledged(const void* block);

void handshake_end(void* block);

std::int32_t handshake_state(const void* block);

// ---- The vxsync plug-in ----

// Hands the machine name of a just-read machine definition to VXSYNCGETNAME; false when no
// vxsync module with that export is loaded.
bool sync_plugin_machine_name(const Plugins& plugins, const std::string& name);

// Whether a vxsync module is loaded (the offsets panel is redrawn after a machine reload then).
bool sync_plugin_loaded(const Plugins& plugins);

}  // namespace vx::integration
