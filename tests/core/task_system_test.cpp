// The three task queues: start counting, hand-off to the main thread, removal,
// pacing of the periodic queue and shutdown with work pending. The tests run
// under ThreadSanitizer as well.
#include "core/task_system.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <thread>
#include <vector>

#include "platform/threads.h"
#include "tests/core/counting_allocator.h"
#include "tests/support/log_capture.h"

namespace {

// Polls until `done` holds; the bound only keeps a broken build from hanging.
bool WaitFor(const std::function<bool()>& done, int timeoutMs = 10000) {
    for (int waited = 0; waited < timeoutMs; ++waited) {
        if (done()) return true;
        SleepMs(1);
    }
    return done();
}

// A task that counts its calls and finishes after `callsToFinish` of them
// (0 = never). It records the thread of its last call.
struct CountingTask {
    Task task;
    std::atomic<int> calls{0};
    int callsToFinish = 1;
    std::atomic<int64_t> thread{0};

    explicit CountingTask(int finishAfter = 1) : callsToFinish(finishAfter) {
        task.callback = Run;
        task.argument = this;
    }
    static int Run(void* argument) {
        auto* self = static_cast<CountingTask*>(argument);
        self->thread.store(CurrentThreadId());
        int n = self->calls.fetch_add(1) + 1;
        return self->callsToFinish != 0 && n >= self->callsToFinish;
    }
};

class TaskSystemTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(TaskSystem::Init(&memory)); }
    void TearDown() override {
        TaskSystem::Shutdown();
        EXPECT_TRUE(memory.live.empty()) << "queues freed";
        EXPECT_EQ(memory.badFrees, 0u);
    }
    CountingAllocator memory;
};

TEST_F(TaskSystemTest, StartsAreCounted) {
    ASSERT_TRUE(TaskSystem::Init(nullptr));  // only counts
    TaskSystem::Shutdown();
    CountingTask background;
    TaskSystem::AddTask(kTaskQueueBackground, &background.task);
    EXPECT_TRUE(WaitFor([&] { return background.calls.load() == 1; })) << "workers still run";
    EXPECT_FALSE(memory.live.empty());
    TaskSystem::RemoveTask(kTaskQueueBackground, &background.task);
}

TEST(TaskSystemLifeTest, LastShutdownStopsEverything) {
    ASSERT_TRUE(TaskSystem::Init(nullptr));
    ASSERT_TRUE(TaskSystem::Init(nullptr));
    TaskSystem::Shutdown();
    TaskSystem::Shutdown();
    TaskSystem::Shutdown();  // one too many: ignored
    LogCapture log;
    CountingTask late;
    TaskSystem::AddTask(kTaskQueueBackground, &late.task);
    TaskSystem::RunMainQueue();
    SleepMs(20);
    EXPECT_EQ(late.calls.load(), 0);
    EXPECT_EQ(log.Count(), 2u);
    EXPECT_TRUE(log.Contains("task queue 0"));
    // And it starts again afterwards.
    ASSERT_TRUE(TaskSystem::Init(nullptr));
    TaskSystem::AddTask(kTaskQueueBackground, &late.task);
    EXPECT_TRUE(WaitFor([&] { return late.calls.load() == 1; }));
    TaskSystem::Shutdown();
}

// A thread that was already running when the system started hands in work the
// moment queue 0 exists, with no other tie to the thread that started it; the
// worker must not read anything the start is still writing.
TEST(TaskSystemLifeTest, WorkFromAThreadOlderThanTheStartRuns) {
    LogCapture log;  // the attempts before the start, and repeats, are refused with a line each
    CountingTask task;
    std::atomic<bool> stop{false};
    std::thread producer([&] {
        while (!stop.load() && task.calls.load() == 0) {
            TaskSystem::AddTask(kTaskQueueBackground, &task.task);
            std::this_thread::yield();
        }
    });
    ASSERT_TRUE(TaskSystem::Init(nullptr));
    EXPECT_TRUE(WaitFor([&] { return task.calls.load() > 0; }));
    stop.store(true);
    producer.join();
    TaskSystem::RemoveTask(kTaskQueueBackground, &task.task);
    TaskSystem::Shutdown();
}

TEST_F(TaskSystemTest, FinishedTasksRunOnceOnEveryQueue) {
    CountingTask tasks[3];
    for (int q = 0; q < 3; ++q) TaskSystem::AddTask(q, &tasks[q].task);
    TaskSystem::RunMainQueue();
    TaskSystem::RunMainQueue();
    EXPECT_TRUE(WaitFor([&] { return tasks[0].calls.load() == 1 && tasks[1].calls.load() == 1; }));
    SleepMs(40);  // at least two more periods of queue 1
    for (int q = 0; q < 3; ++q) EXPECT_EQ(tasks[q].calls.load(), 1) << "queue " << q;
    EXPECT_EQ(tasks[2].thread.load(), CurrentThreadId());
    EXPECT_NE(tasks[0].thread.load(), CurrentThreadId());
    EXPECT_NE(tasks[1].thread.load(), tasks[0].thread.load());
    for (int q = 0; q < 3; ++q) TaskSystem::RemoveTask(q, &tasks[q].task);
}

TEST_F(TaskSystemTest, UnfinishedTasksAreCalledAgain) {
    CountingTask main(3), background(50);
    TaskSystem::AddTask(kTaskQueueMain, &main.task);
    TaskSystem::AddTask(kTaskQueueBackground, &background.task);
    for (int i = 0; i < 5; ++i) TaskSystem::RunMainQueue();
    EXPECT_EQ(main.calls.load(), 3);
    EXPECT_TRUE(WaitFor([&] { return background.calls.load() == 50; }));
    SleepMs(5);
    EXPECT_EQ(background.calls.load(), 50);
    TaskSystem::RemoveTask(kTaskQueueBackground, &background.task);
}

// A background task hands its completion to the main queue, as image loads do.
struct HandOff {
    Task work, completion;
    std::atomic<bool> workDone{false};
    std::atomic<int64_t> completionThread{0};
    std::atomic<int> completions{0};

    HandOff() {
        work = Task{{}, Work, this};
        completion = Task{{}, Complete, this};
    }
    static int Work(void* argument) {
        auto* self = static_cast<HandOff*>(argument);
        TaskSystem::AddTask(kTaskQueueMain, &self->completion);
        self->workDone.store(true);
        return 1;
    }
    static int Complete(void* argument) {
        auto* self = static_cast<HandOff*>(argument);
        self->completionThread.store(CurrentThreadId());
        self->completions.fetch_add(1);
        return 1;
    }
};

TEST_F(TaskSystemTest, BackgroundHandsOffToTheMainThread) {
    HandOff load;
    TaskSystem::AddTask(kTaskQueueBackground, &load.work);
    ASSERT_TRUE(WaitFor([&] { return load.workDone.load(); }));
    EXPECT_EQ(load.completions.load(), 0);
    TaskSystem::RunMainQueue();
    EXPECT_EQ(load.completions.load(), 1);
    EXPECT_EQ(load.completionThread.load(), CurrentThreadId());
    TaskSystem::RunMainQueue();
    EXPECT_EQ(load.completions.load(), 1);
    TaskSystem::RemoveTask(kTaskQueueBackground, &load.work);  // its pass may still be ending
}

TEST_F(TaskSystemTest, RemovedTasksAreNotCalled) {
    CountingTask kept(0), removed(0);
    TaskSystem::AddTask(kTaskQueueMain, &removed.task);
    TaskSystem::AddTask(kTaskQueueMain, &kept.task);
    TaskSystem::RemoveTask(kTaskQueueMain, &removed.task);
    TaskSystem::RemoveTask(kTaskQueueMain, &removed.task);  // not linked: nothing happens
    TaskSystem::RunMainQueue();
    EXPECT_EQ(removed.calls.load(), 0);
    EXPECT_EQ(kept.calls.load(), 1);
    TaskSystem::RemoveTask(kTaskQueueMain, &kept.task);
    // Removed tasks may be added again.
    TaskSystem::AddTask(kTaskQueueMain, &removed.task);
    TaskSystem::RunMainQueue();
    EXPECT_EQ(removed.calls.load(), 1);
    TaskSystem::RemoveTask(kTaskQueueMain, &removed.task);
}

TEST_F(TaskSystemTest, AddingALinkedTaskTwiceIsRefused) {
    CountingTask task(0);
    TaskSystem::AddTask(kTaskQueueMain, &task.task);
    LogCapture log;
    TaskSystem::AddTask(kTaskQueueMain, &task.task);
    EXPECT_EQ(log.Count(), 1u);
    TaskSystem::RunMainQueue();
    EXPECT_EQ(task.calls.load(), 1);
    TaskSystem::RemoveTask(kTaskQueueMain, &task.task);
}

// A background callback in progress: RemoveTask from the main thread returns
// only after the call has ended, so the owner may free the task at once.
struct SlowTask {
    Task task;
    std::atomic<bool> entered{false}, left{false};
    std::atomic<int> calls{0};
    SlowTask() { task = Task{{}, Run, this}; }
    static int Run(void* argument) {
        auto* self = static_cast<SlowTask*>(argument);
        self->calls.fetch_add(1);
        self->entered.store(true);
        SleepMs(50);
        self->left.store(true);
        return 0;
    }
};

TEST_F(TaskSystemTest, RemoveWaitsForARunningCallback) {
    auto* slow = new SlowTask();
    TaskSystem::AddTask(kTaskQueueBackground, &slow->task);
    ASSERT_TRUE(WaitFor([&] { return slow->entered.load(); }));
    // The main thread can still use queue 0 while the callback runs.
    CountingTask quick;
    TaskSystem::AddTask(kTaskQueueBackground, &quick.task);
    TaskSystem::RemoveTask(kTaskQueueBackground, &quick.task);
    TaskSystem::RemoveTask(kTaskQueueBackground, &slow->task);
    EXPECT_TRUE(slow->left.load());
    int calls = slow->calls.load();
    delete slow;  // a later call would be a use after free
    SleepMs(20);
    EXPECT_GE(calls, 1);
}

// A task that reports itself finished while another thread adds it again (as
// a text box queues its glyph task once the flag it clears is seen clear)
// stays queued and runs again.
struct Requeued {
    Task task;
    std::atomic<int> calls{0};
    std::atomic<bool> inside{false}, addedAgain{false};
    Requeued() { task = Task{{}, Run, this}; }
    static int Run(void* argument) {
        auto* self = static_cast<Requeued*>(argument);
        if (self->calls.fetch_add(1) == 0) {
            self->inside.store(true);
            while (!self->addedAgain.load()) SleepMs(1);
        }
        return 1;
    }
};

TEST_F(TaskSystemTest, FinishedTaskAddedAgainDuringItsCallbackRunsAgain) {
    Requeued job;
    TaskSystem::AddTask(kTaskQueueBackground, &job.task);
    ASSERT_TRUE(WaitFor([&] { return job.inside.load(); }));
    TaskSystem::AddTask(kTaskQueueBackground, &job.task);  // does not wait for the call
    job.addedAgain.store(true);
    EXPECT_TRUE(WaitFor([&] { return job.calls.load() == 2; }));
    SleepMs(10);
    EXPECT_EQ(job.calls.load(), 2);
    TaskSystem::RemoveTask(kTaskQueueBackground, &job.task);
}

// Callbacks may change their own queue: remove themselves or add others.
struct SelfEditing {
    Task self, extra;
    int selfCalls = 0, extraCalls = 0;
    SelfEditing() {
        self = Task{{}, RunSelf, this};
        extra = Task{{}, RunExtra, this};
    }
    static int RunSelf(void* argument) {
        auto* s = static_cast<SelfEditing*>(argument);
        if (++s->selfCalls == 1) TaskSystem::AddTask(kTaskQueueMain, &s->extra);
        else TaskSystem::RemoveTask(kTaskQueueMain, &s->self);
        TaskSystem::RunMainQueue();  // a nested pass is ignored
        return 0;
    }
    static int RunExtra(void* argument) {
        ++static_cast<SelfEditing*>(argument)->extraCalls;
        return 1;
    }
};

TEST_F(TaskSystemTest, CallbacksMayEditTheirOwnQueue) {
    SelfEditing tasks;
    TaskSystem::AddTask(kTaskQueueMain, &tasks.self);
    TaskSystem::RunMainQueue();
    EXPECT_EQ(tasks.selfCalls, 1);
    EXPECT_EQ(tasks.extraCalls, 1);  // appended behind it, so run in the same pass
    TaskSystem::RunMainQueue();
    TaskSystem::RunMainQueue();
    EXPECT_EQ(tasks.selfCalls, 2);
    EXPECT_EQ(tasks.extraCalls, 1);
}

// Queue 0 feeds queue 2 and queue 2 feeds queue 0, back and forth: with the
// list locks held across callbacks these two would take the locks in opposite
// orders.
struct PingPong {
    Task toMain, toBackground;
    std::atomic<int> hops{0};
    int limit = 400;
    PingPong() {
        toMain = Task{{}, OnBackground, this};
        toBackground = Task{{}, OnMain, this};
    }
    static int OnBackground(void* argument) {
        auto* p = static_cast<PingPong*>(argument);
        if (p->hops.fetch_add(1) < p->limit) TaskSystem::AddTask(kTaskQueueMain, &p->toBackground);
        return 1;
    }
    static int OnMain(void* argument) {
        auto* p = static_cast<PingPong*>(argument);
        if (p->hops.fetch_add(1) < p->limit) TaskSystem::AddTask(kTaskQueueBackground, &p->toMain);
        return 1;
    }
};

TEST_F(TaskSystemTest, QueuesFeedEachOtherWithoutDeadlock) {
    PingPong pairs[4];
    for (PingPong& p : pairs) TaskSystem::AddTask(kTaskQueueBackground, &p.toMain);
    bool done = WaitFor([&] {
        TaskSystem::RunMainQueue();
        for (PingPong& p : pairs)
            if (p.hops.load() <= p.limit) return false;
        return true;
    });
    EXPECT_TRUE(done);
    for (PingPong& p : pairs) {
        TaskSystem::RemoveTask(kTaskQueueBackground, &p.toMain);
        TaskSystem::RemoveTask(kTaskQueueMain, &p.toBackground);
    }
}

struct Ticker {
    Task task;
    std::vector<uint64_t> times;  // written by queue 1's worker only
    std::atomic<size_t> count{0};
    Ticker() { task = Task{{}, Run, this}; }
    static int Run(void* argument) {
        auto* t = static_cast<Ticker*>(argument);
        if (t->count.load() < t->times.size()) {
            t->times[t->count.load()] = GetTimeMicros();
            t->count.fetch_add(1);
        }
        return 0;
    }
};

TEST_F(TaskSystemTest, PeriodicQueueKeepsItsPeriod) {
    Ticker ticker;
    ticker.times.resize(20);
    TaskSystem::AddTask(kTaskQueuePeriodic, &ticker.task);
    ASSERT_TRUE(WaitFor([&] { return ticker.count.load() == ticker.times.size(); }));
    TaskSystem::RemoveTask(kTaskQueuePeriodic, &ticker.task);
    // 19 periods of 16 ms; loose bounds keep a busy machine from failing it.
    double average = (ticker.times.back() - ticker.times.front()) / 19000.0;
    EXPECT_GT(average, 12.0);
    EXPECT_LT(average, 40.0);
}

TEST(TaskSystemLifeTest, ShutdownWithWorkPendingOnEveryQueue) {
    CountingAllocator memory;
    ASSERT_TRUE(TaskSystem::Init(&memory));
    CountingTask forever[3] = {CountingTask(0), CountingTask(0), CountingTask(0)};
    SlowTask slow;
    HandOff load;  // its completion lands on queue 2 and is never run
    TaskSystem::AddTask(kTaskQueueBackground, &slow.task);
    TaskSystem::AddTask(kTaskQueueBackground, &load.work);
    for (int q = 0; q < 3; ++q) TaskSystem::AddTask(q, &forever[q].task);
    ASSERT_TRUE(WaitFor([&] { return slow.entered.load() && forever[1].calls.load() > 0; }));
    TaskSystem::Shutdown();
    int calls[3];
    for (int q = 0; q < 3; ++q) calls[q] = forever[q].calls.load();
    SleepMs(40);
    for (int q = 0; q < 3; ++q) EXPECT_EQ(forever[q].calls.load(), calls[q]) << "queue " << q;
    EXPECT_EQ(forever[2].calls.load(), 0);
    EXPECT_TRUE(memory.live.empty());
}

// Many producers on queue 0 while the main thread runs queue 2; each piece of
// work hands a completion back. Some producers take work back before it runs.
struct Job {
    Task work, completion;
    std::atomic<int> worked{0}, completed{0};
    Job() {
        work = Task{{}, Work, this};
        completion = Task{{}, Complete, this};
    }
    static int Work(void* argument) {
        auto* job = static_cast<Job*>(argument);
        job->worked.fetch_add(1);
        TaskSystem::AddTask(kTaskQueueMain, &job->completion);
        return 1;
    }
    static int Complete(void* argument) {
        static_cast<Job*>(argument)->completed.fetch_add(1);
        return 1;
    }
};

TEST_F(TaskSystemTest, ManyProducersWhileTheMainQueueRuns) {
    constexpr int kProducers = 8;
    constexpr int kJobsEach = 300;
    std::vector<Job> jobs(kProducers * kJobsEach);
    std::atomic<int> withdrawn{0}, producersDone{0};
    std::vector<std::thread> producers;
    for (int p = 0; p < kProducers; ++p) {
        producers.emplace_back([&, p] {
            for (int i = 0; i < kJobsEach; ++i) {
                Job& job = jobs[p * kJobsEach + i];
                TaskSystem::AddTask(kTaskQueueBackground, &job.work);
                if (i % 7 == 3) {
                    // Taken back: afterwards the work either ran once or never runs.
                    TaskSystem::RemoveTask(kTaskQueueBackground, &job.work);
                    if (job.worked.load() == 0) withdrawn.fetch_add(1);
                }
            }
            producersDone.fetch_add(1);
        });
    }
    while (producersDone.load() < kProducers) TaskSystem::RunMainQueue();
    for (std::thread& t : producers) t.join();
    int expectedWork = kProducers * kJobsEach - withdrawn.load();
    ASSERT_TRUE(WaitFor([&] {
        TaskSystem::RunMainQueue();
        int completed = 0;
        for (Job& job : jobs) completed += job.completed.load();
        return completed == expectedWork;
    }));
    for (Job& job : jobs) {
        TaskSystem::RemoveTask(kTaskQueueBackground, &job.work);
        EXPECT_LE(job.worked.load(), 1);
        EXPECT_EQ(job.completed.load(), job.worked.load());
    }
}

}  // namespace
