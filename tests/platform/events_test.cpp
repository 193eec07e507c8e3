// Auto-reset events: a signal waits for its waiter, and wakes exactly one.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>

#include "platform/threads.h"

namespace {

template <typename Condition>
bool WaitUntil(Condition done) {
    for (int i = 0; i < 10000; ++i) {
        if (done()) return true;
        SleepMs(1);
    }
    return done();
}

struct Waiters {
    Event* event = nullptr;
    std::atomic<int> ready{0};
    std::atomic<int> woken{0};
};

void WaitOnce(void* argument) {
    auto* waiters = static_cast<Waiters*>(argument);
    waiters->ready.fetch_add(1);
    EventWait(waiters->event);
    waiters->woken.fetch_add(1);
}

TEST(Event, OneSignalWakesExactlyOneOfTwoWaiters) {
    Waiters waiters;
    waiters.event = EventCreate();
    ThreadRecord threads[2];
    for (auto& thread : threads) ASSERT_TRUE(StartThread(&thread, WaitOnce, &waiters, 0));
    ASSERT_TRUE(WaitUntil([&] { return waiters.ready.load() == 2; }));
    SleepMs(20);  // let both reach the wait

    EventSignal(waiters.event);
    ASSERT_TRUE(WaitUntil([&] { return waiters.woken.load() >= 1; }));
    SleepMs(50);  // a second, wrong wake-up would show here
    EXPECT_EQ(1, waiters.woken.load());

    EventSignal(waiters.event);
    for (auto& thread : threads) JoinThread(&thread);
    EXPECT_EQ(2, waiters.woken.load());
    EXPECT_FALSE(EventWaitFor(waiters.event, 0));
    EventClose(waiters.event);
}

TEST(Event, WaitForTimesOutWithoutASignal) {
    Event* event = EventCreate();
    for (uint64_t timeout : {uint64_t{1000}, uint64_t{20000}}) {
        uint64_t start = GetTimeMicros();
        EXPECT_FALSE(EventWaitFor(event, timeout));
        EXPECT_GE(GetTimeMicros() - start, timeout);
    }
    EventClose(event);
}

struct LateSignal {
    Event* event;
    uint32_t delayMs;
};

}  // namespace
