// Threads, the recursive lock and events; run under ThreadSanitizer as well.
#include <gtest/gtest.h>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <sys/resource.h>
#include <unistd.h>

#include "platform/threads.h"
#include "tests/support/wait_until.h"

namespace {

// --- start and join ------------------------------------------------------------

struct ThreadProbe {
    std::atomic<int64_t> seenId{0};
    std::atomic<int> runs{0};
    int64_t idStoredBeforeFunction = 0;
    ThreadRecord* record = nullptr;
};

void ProbeThread(void* argument) {
    auto* probe = static_cast<ThreadProbe*>(argument);
    probe->idStoredBeforeFunction = probe->record->threadId.load();
    probe->seenId.store(CurrentThreadId());
    probe->runs.fetch_add(1);
}

TEST(Threads, StartAndJoinRecordTheThreadsOwnId) {
    // Stack sizes: default, a custom one, and one below the system minimum.
    for (size_t stackSize : {size_t{0}, size_t{256} * 1024, size_t{1}}) {
        ThreadRecord record;
        ThreadProbe probe;
        probe.record = &record;
        ASSERT_TRUE(StartThread(&record, ProbeThread, &probe, stackSize)) << stackSize;
        JoinThread(&record);

        EXPECT_EQ(1, probe.runs.load()) << stackSize;
        EXPECT_NE(0, probe.seenId.load());
        EXPECT_NE(CurrentThreadId(), probe.seenId.load());
        EXPECT_EQ(probe.seenId.load(), record.threadId.load());
        // The id is there before the function runs, so callers may use it at once.
        EXPECT_EQ(probe.seenId.load(), probe.idStoredBeforeFunction);
        EXPECT_FALSE(record.started);
    }
}

void WaitForEvent(void* argument) { EventWait(static_cast<Event*>(argument)); }

TEST(Threads, RefusesBadStarts) {
    ThreadRecord record;
    Event* release = EventCreate();
    EXPECT_FALSE(StartThread(nullptr, WaitForEvent, release, 0));
    EXPECT_FALSE(StartThread(&record, nullptr, release, 0));
    ASSERT_TRUE(StartThread(&record, WaitForEvent, release, 0));
    EXPECT_FALSE(StartThread(&record, WaitForEvent, release, 0));  // still running
    EventSignal(release);
    JoinThread(&record);
    JoinThread(&record);  // a second join is harmless
    JoinThread(nullptr);
    EventClose(release);
}

// Levels that lower or keep the priority map to nice values relative to the process.
TEST(ThreadPriority, LevelsMapToNiceValues) {
    errno = 0;
    int base = getpriority(PRIO_PROCESS, static_cast<id_t>(getpid()));
    const int cases[][2] = {{-2, 10}, {-1, 5}, {0, 0}, {5, 0}, {-3, 0}, {3, 0}, {-100, 0}, {100, 0}};
    for (const auto& c : cases) {
        ThreadRecord record;
        Event* release = EventCreate();
        ASSERT_TRUE(StartThread(&record, WaitForEvent, release, 0));
        ASSERT_TRUE(WaitUntil([&] { return record.threadId.load() != 0; }));
        EXPECT_TRUE(SetThreadPriorityLevel(&record, c[0])) << "level " << c[0];
        errno = 0;
        int nice = getpriority(PRIO_PROCESS, static_cast<id_t>(record.threadId.load()));
        EXPECT_EQ(std::min(base + c[1], 19), errno == 0 ? nice : 1000) << "level " << c[0];
        EventSignal(release);
        JoinThread(&record);
        EventClose(release);
    }
}

// --- the re-entrant lock -------------------------------------------------------

struct LockProbe {
    Lock lock;
    std::atomic<bool> trying{false};
    std::atomic<bool> acquired{false};
};

void EnterOnce(void* argument) {
    auto* probe = static_cast<LockProbe*>(argument);
    probe->trying.store(true);
    LockGuard hold(&probe->lock);
    probe->acquired.store(true);
}

TEST(Lock, OwnerReentersWhileAnotherThreadWaits) {
    LockProbe probe;
    LockInit(&probe.lock);
    LockEnter(&probe.lock);

    ThreadRecord other;
    ASSERT_TRUE(StartThread(&other, EnterOnce, &probe, 0));
    ASSERT_TRUE(WaitUntil([&] { return probe.trying.load(); }));
    SleepMs(20);  // give the other thread every chance to get in wrongly

    LockEnter(&probe.lock);  // re-entry by the owner must not block
    {
        LockGuard nested(&probe.lock);
    }
    LockLeave(&probe.lock);
    SleepMs(20);
    // Still held once: the other thread must keep waiting.
    EXPECT_FALSE(probe.acquired.load());

    LockLeave(&probe.lock);
    JoinThread(&other);
    EXPECT_TRUE(probe.acquired.load());
    LockDelete(&probe.lock);
}

struct CounterProbe { Lock lock; int64_t counter = 0; };

void AddManyTimes(void* argument) {
    auto* probe = static_cast<CounterProbe*>(argument);
    for (int i = 0; i < 20000; ++i) {
        LockGuard outer(&probe->lock);
        LockGuard inner(&probe->lock);
        probe->counter = probe->counter + 1;
    }
}

TEST(Lock, ExcludesOtherThreads) {
    CounterProbe probe;
    LockInit(&probe.lock);
    ThreadRecord threads[4];
    for (auto& thread : threads) ASSERT_TRUE(StartThread(&thread, AddManyTimes, &probe, 0));
    for (auto& thread : threads) JoinThread(&thread);
    EXPECT_EQ(4 * 20000, probe.counter);
    LockDelete(&probe.lock);
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

struct LateSignal { Event* event; uint32_t delayMs; };

}  // namespace
