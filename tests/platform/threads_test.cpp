// Threads, priorities, the re-entrant lock and the monotonic clock.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <linux/capability.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include "platform/threads.h"

namespace {

// Waits (polling) until `done` holds; false after about ten seconds.
template <typename Condition>
bool WaitUntil(Condition done) {
    for (int i = 0; i < 10000; ++i) {
        if (done()) return true;
        SleepMs(1);
    }
    return done();
}

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

// --- priorities ----------------------------------------------------------------

// A parked thread whose priority a test changes from outside.
class ParkedThread {
public:
    ParkedThread() : release_(EventCreate()) { started_ = StartThread(&record_, WaitForEvent, release_, 0); }
    ~ParkedThread() {
        EventSignal(release_);
        JoinThread(&record_);
        EventClose(release_);
    }
    bool started() const { return started_; }
    ThreadRecord& record() { return record_; }

private:
    Event* release_;
    ThreadRecord record_;
    bool started_ = false;
};

struct PriorityCase {
    int level;
    int niceOffset;  // relative to the process
};

// Levels that lower or keep the priority always take effect.
const PriorityCase kLoweringCases[] = {
    {-2, 10}, {-1, 5}, {0, 0}, {5, 0}, {-3, 0}, {3, 0}, {-100, 0}, {100, 0},
};

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

struct CounterProbe {
    Lock lock;
    int64_t counter = 0;
};

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

// --- time ------------------------------------------------------------------------

}  // namespace
