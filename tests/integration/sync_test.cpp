#include "integration/sync.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <future>
#include <thread>
#include <vector>

namespace vx::integration {
namespace {

using Block = std::array<std::uint8_t, kLockstepBytes>;

Lockstep instance(Block& block, int total, int me) { return {block.data(), total, me}; }

// ---- Lockstep: move by move together ----
// Every instance counts its steps after each pass of the barrier. Whenever one counts step k, the
// others must have counted k - 1 or k: none may run ahead, none may fall behind by two.

void run_in_lockstep(int total, int steps) {
    Block block{};
    std::vector<std::atomic<int>> done(total);
    std::atomic<int> apart{0}, wrong_results{0};
    std::vector<std::thread> threads;
    for (int me = 0; me < total; ++me) {
        threads.emplace_back([&, me] {
            const Lockstep sync = instance(block, total, me);
            for (int k = 1; k <= steps; ++k) {
                if (lockstep_barrier(sync) != kBarrierPass) ++wrong_results;
                done[me].store(k);
                for (int other = 0; other < total; ++other)
                    if (std::abs(k - done[other].load()) > 1) ++apart;
            }
        });
    }
    for (std::thread& t : threads) t.join();
    EXPECT_EQ(wrong_results.load(), 0);
    EXPECT_EQ(apart.load(), 0) << total << " instances: one got ahead by more than one step";
    for (int me = 0; me < total; ++me) EXPECT_EQ(done[me].load(), steps);
}

TEST(Lockstep, TwoAndThreeInstancesAdvanceStepByStep) {
    run_in_lockstep(2, 2000);
    run_in_lockstep(3, 1000);
}

TEST(Lockstep, ASingleInstanceIsItsOwnLeaderAndAnAbsentOneIsNotAwaited) {
    Block block{};
    EXPECT_EQ(lockstep_barrier(instance(block, 1, 0)), kBarrierPass);
    EXPECT_EQ(block[0], kInstanceIdle);

    Block three{};
    three[1] = kInstanceAbsent;  // instance 2 takes no part
    std::thread partner([&] { EXPECT_EQ(lockstep_barrier(instance(three, 3, 2)), kBarrierPass); });
    EXPECT_EQ(lockstep_barrier(instance(three, 3, 0)), kBarrierPass);
    partner.join();
    EXPECT_EQ(three[1], kInstanceAbsent);  // neither waited for nor released
}

// ---- Lockstep: stop, end and reset ----
// A stop asked through the control byte must hold every instance (result 3) until it is lifted,
// and then let them go on together; a partner whose run has ended must release the waiting ones
// (result 4) instead of leaving them waiting for ever.

TEST(Lockstep, AStopHoldsEveryInstanceUntilItIsLifted) {
    Block block{};
    block[2] = kControlStop;
    auto partner = std::async(std::launch::async, [&] { return lockstep_barrier(instance(block, 2, 1)); });
    EXPECT_EQ(lockstep_barrier(instance(block, 2, 0)), kBarrierStop);
    EXPECT_EQ(partner.get(), kBarrierStop);
    EXPECT_EQ(block[0], kInstanceStopping);
    EXPECT_EQ(block[1], kInstanceStopping);
    EXPECT_FALSE(lockstep_may_continue(instance(block, 2, 0)));

    // The escape key of one instance lifts the stop for all; they meet again and pass together.
    lockstep_escape(instance(block, 2, 1));
    EXPECT_TRUE(lockstep_may_continue(instance(block, 2, 0)));
    partner = std::async(std::launch::async, [&] { return lockstep_barrier(instance(block, 2, 1)); });
    EXPECT_EQ(lockstep_barrier(instance(block, 2, 0)), kBarrierPass);
    EXPECT_EQ(partner.get(), kBarrierPass);
}

TEST(Lockstep, KeyGOfAnInstanceWhosePartnerStopsOnlyClearsItsOwnByte) {
    Block block{};
    block[1] = kInstanceStopping;
    block[0] = kInstanceStopping;
    EXPECT_TRUE(lockstep_go(instance(block, 2, 0)));
    EXPECT_EQ(block[0], kInstanceIdle);
    EXPECT_EQ(block[1], kInstanceStopping);
    block[1] = kInstanceArrived;
    EXPECT_FALSE(lockstep_go(instance(block, 2, 0)));  // no partner stops: an ordinary G
}

TEST(Lockstep, APartnerThatEndsItsRunReleasesTheWaitingOnes) {
    Block block{};
    auto waiting = std::async(std::launch::async, [&] { return lockstep_barrier(instance(block, 3, 1)); });
    auto other = std::async(std::launch::async, [&] { return lockstep_barrier(instance(block, 3, 2)); });
    lockstep_finish(instance(block, 3, 0));
    EXPECT_EQ(waiting.get(), kBarrierEnded);
    EXPECT_EQ(other.get(), kBarrierEnded);

    lockstep_reset(instance(block, 3, 0));  // the next run starts from a clear block
    EXPECT_EQ(std::count(block.begin(), block.end(), 0), std::ptrdiff_t(kLockstepBytes));
}

TEST(Lockstep, AWaitThatIsGivenUpEndsTheRun) {
    Block block{};
    int polls = 0;
    const BarrierWait wait{[](void* context, std::int64_t waited_ms) {
                               ++*static_cast<int*>(context);
                               return waited_ms >= 30;
                           },
                           &polls};
    EXPECT_EQ(lockstep_barrier(instance(block, 2, 0), wait), kBarrierEnded);  // instance 2 never comes
    EXPECT_GE(polls, 1);
}

TEST(Lockstep, NumbersTheBlockCannotHoldAreRefused) {
    EXPECT_EQ(lockstep_problem(2, 1), "");
    EXPECT_EQ(lockstep_problem(8, 7), "");
    EXPECT_NE(lockstep_problem(0, 0).find("SYNC TOTAL is 0"), std::string::npos);
    EXPECT_NE(lockstep_problem(9, 0).find("1 to 8"), std::string::npos);
    EXPECT_NE(lockstep_problem(2, 2).find("SYNC NO is 3"), std::string::npos);
}

// ---- Handshake with a scripted partner ----
// The partner must see every step's line and position exactly as published, and the run must not
// go on before the partner has acknowledged it.

TEST(Handshake, EveryStepWaitsForThePartnersAcknowledgement) {
    alignas(8) unsigned char block[kHandshakeBytes];
    std::memset(block, 0xEE, sizeof block);  // the block is not cleared: only the words written count
    std::memset(block, 0, 4);
    constexpr int kSteps = 50;
    std::thread partner([&] {
        for (int seen = 0; seen < kSteps;) {
            if (handshake_state(block) != kHandshakeWaiting) {
                std::this_thread::yield();
                continue;
            }
            std::int32_t line;
            double xyz[3];
            std::memcpy(&line, block + kHandshakeLineOffset, 4);
            std::memcpy(xyz, block + kHandshakePositionOffset, sizeof xyz);
            EXPECT_EQ(line, 10 + seen);
            EXPECT_EQ(xyz[0], seen * 0.5);
            EXPECT_EQ(xyz[1], -1.25);
            EXPECT_EQ(xyz[2], 100.0 - seen);
            ++seen;
            std::atomic_ref<std::int32_t>(*reinterpret_cast<std::int32_t*>(block)).store(kHandshakeAcknowledged);
        }
    });
    for (int k = 0; k < kSteps; ++k) {
        handshake_publish(block, 10 + k, {k * 0.5, -1.25, 100.0 - k});
        while (!handshake_acknowledged(block)) std::this_thread::yield();
    }
    partner.join();
    handshake_end(block);
    EXPECT_EQ(handshake_state(block), kHandshakeEnded);
    EXPECT_EQ(block[kHandshakePositionOffset + 24], 0xEE);  // bytes 32 onward are not written
}

}  // namespace
}  // namespace vx::integration
