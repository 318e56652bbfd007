#include "integration/sync.h"

#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>

namespace vx::integration {
namespace {

// ---- Waiting ----

// A barrier wait first yields (partners on other processors answer within microseconds), then
// sleeps briefly so that a slow partner does not cost a whole processor of a shared machine.
constexpr int kYieldsBeforeSleeping = 200;
constexpr auto kBackoffSleep = std::chrono::microseconds(100);
constexpr std::int64_t kGiveUpPollMs = 10;

std::atomic_ref<std::uint8_t> byte_at(const Lockstep& s, int index) {
    return std::atomic_ref<std::uint8_t>(s.bytes[index]);
}

std::uint8_t load(const Lockstep& s, int index) { return byte_at(s, index).load(); }
void store(const Lockstep& s, int index, std::uint8_t value) { byte_at(s, index).store(value); }
std::uint8_t control(const Lockstep& s) { return load(s, s.total); }

// Every other instance's byte is one of `a`, `b` or absent.
bool others_in(const Lockstep& s, std::uint8_t a, std::uint8_t b) {
    for (int i = 0; i < s.total; ++i) {
        if (i == s.me) continue;
        const std::uint8_t v = load(s, i);
        if (v != a && v != b && v != kInstanceAbsent) return false;
    }
    return true;
}

// The leader is the first instance that takes part.
bool is_leader(const Lockstep& s) {
    for (int i = 0; i < s.total; ++i)
        if (load(s, i) != kInstanceAbsent) return i == s.me;
    return false;
}

// Every instance that takes part goes on; this one has taken its release already.
int release_all(const Lockstep& s) {
    for (int i = 0; i < s.total; ++i)
        if (load(s, i) != kInstanceAbsent) store(s, i, kInstanceReleased);
    store(s, s.me, kInstanceIdle);
    return kBarrierPass;
}

constexpr int kKeepWaiting = -1;

// One look at the block (steps 1 to 5): a result, or kKeepWaiting.
int barrier_step(const Lockstep& s) {
    switch (load(s, s.me)) {
    case kInstanceIdle: store(s, s.me, kInstanceArrived); return kKeepWaiting;
    case kInstanceReleased: store(s, s.me, kInstanceIdle); return kBarrierPass;
    case kInstanceArrived:
        if (!others_in(s, kInstanceArrived, kInstanceStopping)) return kKeepWaiting;
        if (control(s) == kControlStop) {
            store(s, s.me, kInstanceStopping);
            return kKeepWaiting;
        }
        if (control(s) == kControlEnded) return kBarrierEnded;
        return is_leader(s) ? release_all(s) : kKeepWaiting;
    case kInstanceStopping:
        if (control(s) == kControlStop)
            return others_in(s, kInstanceStopping, kInstanceStopping) ? kBarrierStop : kKeepWaiting;
        // Once the stop is lifted, a partner that has come back to the barrier in state 2 (the
        // escape key sets it) counts as arrived: waiting for its 3 would hold every instance.
        if (!others_in(s, kInstanceArrived, kInstanceStopping)) return kKeepWaiting;
        return is_leader(s) ? release_all(s) : kKeepWaiting;
    default: return kKeepWaiting;  // a value no instance writes: wait for it to change
    }
}

}  // namespace

// ---- Lockstep ----

std::string lockstep_problem(int total, int me) {
    if (total < 1 || total > kMaxLockstepInstances)
        return "SYNC TOTAL is " + std::to_string(total) + "; lockstep needs 1 to " +
               std::to_string(kMaxLockstepInstances) + " instances";
    if (me < 0 || me >= total)
        return "SYNC NO is " + std::to_string(me + 1) + "; it must lie between 1 and SYNC TOTAL (" +
               std::to_string(total) + ")";
    return {};
}

int lockstep_barrier(const Lockstep& s, const BarrierWait& wait) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = Clock::now();
    std::int64_t next_poll_ms = kGiveUpPollMs;
    for (int round = 0;; ++round) {
        const int result = barrier_step(s);
        if (result != kKeepWaiting) return result;
        if (round < kYieldsBeforeSleeping) {
            std::this_thread::yield();
            continue;
        }
        std::this_thread::sleep_for(kBackoffSleep);
        if (!wait.give_up) continue;
        const std::int64_t waited =
            std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
        if (waited < next_poll_ms) continue;
        next_poll_ms = waited + kGiveUpPollMs;
        if (wait.give_up(wait.context, waited)) return kBarrierEnded;
    }
}

void lockstep_reset(const Lockstep& s) {
    for (int i = 0; i < int(kLockstepBytes); ++i) store(s, i, 0);
}

void lockstep_finish(const Lockstep& s) {
    store(s, s.me, kInstanceArrived);
    store(s, s.total, kControlEnded);
}

bool lockstep_may_continue(const Lockstep& s) { return control(s) != kControlStop; }

void lockstep_escape(const Lockstep& s) {
    if (load(s, s.me) == kInstanceStopping) store(s, s.total, 0);
    store(s, s.me, kInstanceArrived);
}

bool lockstep_go(const Lockstep& s) {
    for (int i = 0; i < s.total; ++i) {
        if (i == s.me || load(s, i) != kInstanceStopping) continue;
        store(s, s.me, kInstanceIdle);
        return true;
    }
    return false;
}

std::uint8_t lockstep_byte(const Lockstep& s, int index) { return load(s, index); }

// ---- Handshake ----

namespace {

std::atomic_ref<std::int32_t> state_word(void* block) {
    return std::atomic_ref<std::int32_t>(*static_cast<std::int32_t*>(block));
}

}  // namespace

void handshake_publish(void* block, std::int32_t line, const Vec3& position) {
    auto* bytes = static_cast<unsigned char*>(block);
    const double xyz[3] = {position.x, position.y, position.z};
    std::memcpy(bytes + kHandshakeLineOffset, &line, sizeof line);
    std::memcpy(bytes + kHandshakePositionOffset, xyz, sizeof xyz);
    state_word(block).store(kHandshakeWaiting, std::memory_order_release);
}

std::int32_t handshake_state(const void* block) {
    return state_word(const_cast<void*>(block)).load(std::memory_order_acquire);
}

bool handshake_acknowledged(const void* block) { return handshake_state(block) == kHandshakeAcknowledged; }

void handshake_end(void* block) { state_word(block).store(kHandshakeEnded, std::memory_order_release); }

// ---- The vxsync plug-in ----

namespace {

const Module* sync_module(const Plugins& plugins) {
    const std::vector<Module>& loaded = modules(plugins, Family::Sync);
    return loaded.empty() ? nullptr : &loaded.front();
}

}  // namespace

bool sync_plugin_loaded(const Plugins& plugins) { return sync_module(plugins) != nullptr; }

bool sync_plugin_machine_name(const Plugins& plugins, const std::string& name) {
    const Module* m = sync_module(plugins);
    void* fn = m ? symbol(*m, "VXSYNCGETNAME") : nullptr;
    if (!fn) return false;
    reinterpret_cast<VxSyncGetNameFn>(fn)(name.c_str());
    return true;
}

}  // namespace vx::integration
