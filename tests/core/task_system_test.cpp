// The three task queues and the locked pool, also under ThreadSanitizer: start
// counting, removal while a callback runs, hand-offs, shutdown with work pending.
#include "core/task_system.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <thread>
#include <vector>

#include "core/allocator.h"
#include "platform/threads.h"
#include "tests/core/counting_allocator.h"
#include "tests/support/log_capture.h"
#include "tests/support/wait_until.h"

namespace {

// Counts its calls, finishes after `finishAfter` of them (0 = never), may sleep inside.
struct CountingTask {
    Task task;
    std::atomic<int> calls{0};
    std::atomic<bool> inside{false}, left{false};
    int finishAfter, sleepMs;
    explicit CountingTask(int finish = 1, int sleep = 0) : task{{}, Run, this}, finishAfter(finish), sleepMs(sleep) {}
    static int Run(void* argument) {
        auto* self = static_cast<CountingTask*>(argument);
        int n = self->calls.fetch_add(1) + 1;
        self->inside.store(true);
        SleepMs(self->sleepMs);
        self->left.store(true);
        return self->finishAfter != 0 && n >= self->finishAfter;
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

TEST(TaskSystemLifeTest, StartsAreCountedAndWorkFromAnOlderThreadRuns) {
    for (int i = 0; i < 2; ++i) ASSERT_TRUE(TaskSystem::Init(nullptr));
    for (int i = 0; i < 3; ++i) TaskSystem::Shutdown();  // the third is one too many: ignored
    LogCapture log;
    CountingTask task;
    TaskSystem::AddTask(kTaskQueueBackground, &task.task);
    TaskSystem::RunMainQueue();
    SleepMs(20);
    EXPECT_EQ(task.calls.load(), 0);
    EXPECT_TRUE(log.Contains("task queue 0"));
    // A thread already running hands in work the moment queue 0 exists.
    std::atomic<bool> stop{false};
    std::thread producer([&] {
        while (!stop.load() && task.calls.load() == 0) {
            TaskSystem::AddTask(kTaskQueueBackground, &task.task);
            std::this_thread::yield();
        }
    });
    ASSERT_TRUE(TaskSystem::Init(nullptr));
    EXPECT_TRUE(WaitUntil([&] { return task.calls.load() > 0; }));
    stop.store(true);
    producer.join();
    TaskSystem::RemoveTask(kTaskQueueBackground, &task.task);
    TaskSystem::Shutdown();
}

TEST_F(TaskSystemTest, RemovalReAddingAndDoubleAdds) {
    CountingTask kept(0), removed(0);
    TaskSystem::AddTask(kTaskQueueMain, &removed.task);
    TaskSystem::AddTask(kTaskQueueMain, &kept.task);
    TaskSystem::RemoveTask(kTaskQueueMain, &removed.task);
    TaskSystem::RemoveTask(kTaskQueueMain, &removed.task);  // not linked: nothing happens
    LogCapture log;
    TaskSystem::AddTask(kTaskQueueMain, &kept.task);  // already linked: refused
    EXPECT_EQ(log.Count(), 1u);
    TaskSystem::RunMainQueue();
    EXPECT_EQ(removed.calls.load(), 0);
    EXPECT_EQ(kept.calls.load(), 1);
    TaskSystem::RemoveTask(kTaskQueueMain, &kept.task);
    TaskSystem::AddTask(kTaskQueueMain, &removed.task);
    TaskSystem::RunMainQueue();
    EXPECT_EQ(removed.calls.load(), 1);
    TaskSystem::RemoveTask(kTaskQueueMain, &removed.task);
}

// RemoveTask returns only after a running call has ended, so the task may be freed at once.
TEST_F(TaskSystemTest, RemoveWaitsForARunningCallback) {
    auto* slow = new CountingTask(0, 50);
    TaskSystem::AddTask(kTaskQueueBackground, &slow->task);
    ASSERT_TRUE(WaitUntil([&] { return slow->inside.load(); }));
    CountingTask quick;  // queue 0 stays usable meanwhile
    TaskSystem::AddTask(kTaskQueueBackground, &quick.task);
    TaskSystem::RemoveTask(kTaskQueueBackground, &quick.task);
    TaskSystem::RemoveTask(kTaskQueueBackground, &slow->task);
    EXPECT_TRUE(slow->left.load());
    delete slow;  // a later call would be a use after free
    SleepMs(20);
    CountingTask three(3);  // a task that needs three passes gets them from one wake-up
    TaskSystem::AddTask(kTaskQueueBackground, &three.task);
    EXPECT_TRUE(WaitUntil([&] { return three.calls.load() == 3; }));
}

struct FnTask {
    Task task;
    std::function<int()> run;
    explicit FnTask(std::function<int()> function = {})
        : task{{}, [](void* self) { return static_cast<FnTask*>(self)->run(); }, this}, run(std::move(function)) {}
};

// Finished while added again from another thread, a task runs again; callbacks may edit their queue.
TEST_F(TaskSystemTest, TasksAddedAgainOrEditedFromTheirCallback) {
    std::atomic<int> calls{0};
    std::atomic<bool> inside{false}, addedAgain{false};
    FnTask job([&] {
        if (calls.fetch_add(1) == 0) {
            inside.store(true);
            while (!addedAgain.load()) SleepMs(1);
        }
        return 1;
    });
    TaskSystem::AddTask(kTaskQueueBackground, &job.task);
    ASSERT_TRUE(WaitUntil([&] { return inside.load(); }));
    TaskSystem::AddTask(kTaskQueueBackground, &job.task);  // does not wait for the call
    addedAgain.store(true);
    EXPECT_TRUE(WaitUntil([&] { return calls.load() == 2; }));
    SleepMs(10);
    EXPECT_EQ(calls.load(), 2);
    TaskSystem::RemoveTask(kTaskQueueBackground, &job.task);

    int selfCalls = 0, extraCalls = 0;
    FnTask extra([&] { return ++extraCalls; }), self;
    self.run = [&] {
        if (++selfCalls == 1) TaskSystem::AddTask(kTaskQueueMain, &extra.task);
        else TaskSystem::RemoveTask(kTaskQueueMain, &self.task);
        TaskSystem::RunMainQueue();  // a nested pass is ignored
        return 0;
    };
    TaskSystem::AddTask(kTaskQueueMain, &self.task);
    TaskSystem::RunMainQueue();
    EXPECT_EQ(extraCalls, 1);  // appended behind it, so run in the same pass
    for (int i = 0; i < 2; ++i) TaskSystem::RunMainQueue();
    EXPECT_EQ(selfCalls, 2);
    EXPECT_EQ(extraCalls, 1);
}

// Work hands its completion to the main queue from its callback (a deadlock if locks were held).
struct Job {
    std::atomic<int> worked{0}, completed{0};
    FnTask work{[this] {
        worked.fetch_add(1);
        TaskSystem::AddTask(kTaskQueueMain, &completion.task);
        return 1;
    }};
    FnTask completion{[this] { return completed.fetch_add(1), 1; }};
};

TEST_F(TaskSystemTest, ShutdownWithWorkPendingOnEveryQueue) {
    CountingTask forever[3] = {CountingTask(0), CountingTask(0), CountingTask(0)}, slow(0, 50);
    Job load;  // its completion lands on queue 2 and is never run
    TaskSystem::AddTask(kTaskQueueBackground, &slow.task);
    TaskSystem::AddTask(kTaskQueueBackground, &load.work.task);
    for (int q = 0; q < 3; ++q) TaskSystem::AddTask(q, &forever[q].task);
    ASSERT_TRUE(WaitUntil([&] { return slow.inside.load() && forever[1].calls.load() > 0; }));
    TaskSystem::Shutdown();
    int calls[3];
    for (int q = 0; q < 3; ++q) calls[q] = forever[q].calls.load();
    SleepMs(40);
    for (int q = 0; q < 3; ++q) EXPECT_EQ(forever[q].calls.load(), calls[q]) << "queue " << q;
    EXPECT_EQ(forever[2].calls.load(), 0);
}

// Many producers on queue 0 while the main queue runs; some take their work back.
TEST_F(TaskSystemTest, ManyProducersWhileTheMainQueueRuns) {
    constexpr int kProducers = 8, kJobsEach = 300;
    std::vector<Job> jobs(kProducers * kJobsEach);
    std::atomic<int> withdrawn{0}, producersDone{0};
    std::vector<std::thread> producers;
    for (int p = 0; p < kProducers; ++p) {
        producers.emplace_back([&, p] {
            for (int i = 0; i < kJobsEach; ++i) {
                Job& job = jobs[p * kJobsEach + i];
                TaskSystem::AddTask(kTaskQueueBackground, &job.work.task);
                if (i % 7 == 3) {  // afterwards the work either ran once or never runs
                    TaskSystem::RemoveTask(kTaskQueueBackground, &job.work.task);
                    if (job.worked.load() == 0) withdrawn.fetch_add(1);
                }
            }
            producersDone.fetch_add(1);
        });
    }
    while (producersDone.load() < kProducers) TaskSystem::RunMainQueue();
    for (std::thread& t : producers) t.join();
    int expectedWork = kProducers * kJobsEach - withdrawn.load();
    ASSERT_TRUE(WaitUntil([&] {
        TaskSystem::RunMainQueue();
        int completed = 0;
        for (Job& job : jobs) completed += job.completed.load();
        return completed == expectedWork;
    }));
    for (Job& job : jobs) {
        TaskSystem::RemoveTask(kTaskQueueBackground, &job.work.task);
        EXPECT_LE(job.worked.load(), 1);
        EXPECT_EQ(job.completed.load(), job.worked.load());
    }
}

// A locked pool too small for eight threads at once, so some fall to the heap.
TEST(AllocatorThreadsTest, LockedPoolAndHeapCounterUnderEightThreads) {
    Allocator* pool = PoolAllocator(nullptr, 80, 40, 0, true);
    Allocator::SetFallback(pool, GetDefaultAllocator());
    size_t heapBefore = GetDefaultAllocator()->bytesInUse.load();
    std::vector<std::thread> threads;
    for (int id = 0; id < 8; ++id) {
        threads.emplace_back([pool, id] {
            std::vector<void*> held;
            for (int round = 0; round < 2000; ++round) {
                void* p = Alloc(id % 2 ? pool : nullptr, 8 + (round % 48), 0);
                *static_cast<int*>(p) = id;
                held.push_back(p);
                if (held.size() > 6 || round % 3 == 0) {
                    EXPECT_EQ(*static_cast<int*>(held.back()), id);
                    Allocator::Free(held.back());
                    held.pop_back();
                }
            }
            for (void* p : held) Allocator::Free(p);
        });
    }
    for (std::thread& t : threads) t.join();
    EXPECT_EQ(pool->bytesInUse.load(), 0u);
    EXPECT_EQ(GetDefaultAllocator()->bytesInUse.load(), heapBefore);
    DestroyAllocator(pool);
}

}  // namespace
