// Threads, the recursive lock, events and the debug log (also from many threads); run under TSan too.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "platform/debug_log.h"
#include "platform/threads.h"
#include "tests/support/temp_dir.h"
#include "tests/support/wait_until.h"

namespace {

struct ThreadProbe {
    std::atomic<int64_t> seenId{0};
    std::atomic<int> runs{0};
    int64_t idStoredBeforeFunction = 0;
    ThreadRecord* record = nullptr;
};

TEST(Threads, StartAndJoinRecordTheThreadsOwnId) {
    for (size_t stackSize : {size_t{0}, size_t{256} * 1024, size_t{1}}) {
        ThreadRecord record;
        ThreadProbe probe;
        probe.record = &record;
        ThreadFunction run = [](void* argument) {
            auto* p = static_cast<ThreadProbe*>(argument);
            p->idStoredBeforeFunction = p->record->threadId.load();
            p->seenId.store(CurrentThreadId());
            p->runs.fetch_add(1);
        };
        ASSERT_TRUE(StartThread(&record, run, &probe, stackSize)) << stackSize;
        JoinThread(&record);

        EXPECT_EQ(1, probe.runs.load()) << stackSize;
        EXPECT_TRUE(probe.seenId.load() != 0 && probe.seenId.load() != CurrentThreadId());
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
    const int cases[][2] = {{-2, 10}, {-1, 5}, {0, 0}, {-3, 0}, {3, 0}};
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

struct LockProbe { Lock lock; std::atomic<bool> trying{false}, acquired{false}; };

TEST(Lock, OwnerReentersWhileAnotherThreadWaits) {
    LockProbe probe;
    LockInit(&probe.lock);
    LockEnter(&probe.lock);

    ThreadRecord other;
    ThreadFunction enterOnce = [](void* argument) {
        auto* p = static_cast<LockProbe*>(argument);
        p->trying.store(true);
        LockGuard hold(&p->lock);
        p->acquired.store(true);
    };
    ASSERT_TRUE(StartThread(&other, enterOnce, &probe, 0));
    ASSERT_TRUE(WaitUntil([&] { return probe.trying.load(); }));
    SleepMs(20);  // give the other thread every chance to get in wrongly

    LockEnter(&probe.lock);  // re-entry by the owner must not block
    { LockGuard nested(&probe.lock); }
    LockLeave(&probe.lock);
    SleepMs(20);
    EXPECT_FALSE(probe.acquired.load());

    LockLeave(&probe.lock);
    JoinThread(&other);
    EXPECT_TRUE(probe.acquired.load());
    LockDelete(&probe.lock);
}

struct Waiters { Event* event = nullptr; std::atomic<int> ready{0}, woken{0}; };

TEST(Event, OneSignalWakesExactlyOneOfTwoWaiters) {
    Waiters waiters;
    waiters.event = EventCreate();
    ThreadRecord threads[2];
    ThreadFunction waitOnce = [](void* argument) {
        auto* w = static_cast<Waiters*>(argument);
        w->ready.fetch_add(1), EventWait(w->event), w->woken.fetch_add(1);
    };
    for (auto& thread : threads) ASSERT_TRUE(StartThread(&thread, waitOnce, &waiters, 0));
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
    uint64_t start = GetTimeMicros();
    EXPECT_FALSE(EventWaitFor(event, 20000));
    EXPECT_GE(GetTimeMicros() - start, 20000u);
    EventClose(event);
}

// The raw texts handed to the sink, newline included, while `log` runs.
std::vector<std::string> SinkCalls(const std::function<void()>& log) {
    std::vector<std::string> calls;
    DebugSink previous = SetDebugSink([&calls](const char* text) { calls.emplace_back(text); });
    log();
    SetDebugSink(std::move(previous));
    return calls;
}

TEST(DebugLog, ExactPrefixedLinesCutSoTheNewlineFits) {
    const std::pair<std::function<void()>, std::string> cases[] = {
        {[] { DebugPrint("Vender: %s", "Mesa"); }, "Vender: Mesa"},
        {[] { LogError("open \"%s\"", "script/x.nut"); }, "Error: open \"script/x.nut\""},
        {[] { LogWarning("%d unused", 3); }, "Warning: 3 unused"},
        {[] { LogFailed("create multisample frame buffer."); }, "Error: Failed to create multisample frame buffer."},
        {[] { DebugPrint("%s", ""); }, ""},
        {[] { LogError("%s", "100%d"); }, "Error: 100%d"}};
    for (const auto& c : cases) EXPECT_EQ(SinkCalls(c.first), std::vector<std::string>{c.second + "\n"});
    // The line, "\n" and the terminator fit 1024 bytes: at most 1022 characters, prefix included.
    const std::pair<std::function<void(const char*)>, std::string> cuts[] = {
        {[](const char* s) { DebugPrint("%s", s); }, ""},
        {[](const char* s) { LogError("%s", s); }, "Error: "},
        {[](const char* s) { LogWarning("%s", s); }, "Warning: "},
        {[](const char* s) { LogFailed("%s", s); }, "Error: Failed to "}};
    for (const auto& c : cuts) {
        const size_t room = 1022 - c.second.size();
        for (size_t length : {room - 1, room, room + 1, size_t{5000}}) {
            std::string text = "a" + std::string(length - 1, 'x');
            EXPECT_EQ(SinkCalls([&] { c.first(text.c_str()); }),
                      std::vector<std::string>{c.second + text.substr(0, std::min(length, room)) + "\n"})
                << c.second << length;
        }
    }
}

constexpr int kLoggingThreads = 8, kLinesPerThread = 400;

// Lengths up to about 1000 bytes, so writes are large enough to interleave.
std::string Payload(int thread, int line) {
    return std::string(static_cast<size_t>((thread * 131 + line * 37) % 1000), static_cast<char>('a' + thread));
}

void LogManyLines(void* argument) {
    int thread = static_cast<int>(reinterpret_cast<intptr_t>(argument));
    for (int line = 0; line < kLinesPerThread; ++line) {
        if (line % 2) LogWarning("T%d L%d %s", thread, line, Payload(thread, line).c_str());
        else DebugPrint("Warning: T%d L%d %s", thread, line, Payload(thread, line).c_str());
    }
}

// With no sink the log writes to stderr, here pointed at a file.
TEST(DebugLog, ConcurrentLinesStayWholeOnStderr) {
    TempDir temp;
    DebugSink previous = SetDebugSink(nullptr);
    int saved = dup(STDERR_FILENO);
    int fd = open(temp.File("stderr.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    ASSERT_TRUE(saved >= 0 && fd >= 0 && dup2(fd, STDERR_FILENO) >= 0);
    close(fd);
    ThreadRecord threads[kLoggingThreads];
    for (int t = 0; t < kLoggingThreads; ++t)
        ASSERT_TRUE(StartThread(&threads[t], LogManyLines, reinterpret_cast<void*>(static_cast<intptr_t>(t)), 0));
    for (auto& thread : threads) JoinThread(&thread);
    dup2(saved, STDERR_FILENO);
    close(saved);
    SetDebugSink(std::move(previous));
    std::istringstream lines(temp.Read("stderr.txt"));
    int nextLine[kLoggingThreads] = {}, count = 0;  // per thread, lines also keep their order
    for (std::string line; std::getline(lines, line); ++count) {
        int thread = -1, number = -1, consumed = 0;
        ASSERT_EQ(2, sscanf(line.c_str(), "Warning: T%d L%d %n", &thread, &number, &consumed)) << line.substr(0, 80);
        ASSERT_TRUE(thread >= 0 && thread < kLoggingThreads) << line.substr(0, 80);
        EXPECT_EQ(nextLine[thread]++, number);
        EXPECT_EQ(Payload(thread, number), line.substr(static_cast<size_t>(consumed))) << "T" << thread << " L" << number;
    }
    EXPECT_EQ(kLoggingThreads * kLinesPerThread, count);
}

}  // namespace
