// Task queues on the platform's threads, locks and events.
//
// A pass never holds the list lock while a callback runs: a queue-0 task that
// hands its result to queue 2 while a queue-2 task feeds queue 0 would
// otherwise take the two locks in opposite orders, and a long decode would
// stall the main thread's AddTask. Instead the queue records which task is
// running; RemoveTask of that task waits for the call to end, and the walk
// takes its next node only after the callback has returned. AddTask and
// RemoveTask of the running task are recorded and applied when its callback
// returns, the latest one winning, so the outcome matches a lock held across
// the call: a task that reports itself finished and is added again meanwhile
// (from any thread) stays queued.
#include "core/task_system.h"

#include <atomic>
#include <cassert>
#include <condition_variable>
#include <mutex>
#include <new>
#include <thread>

#include "core/allocator.h"
#include "platform/debug_log.h"
#include "platform/threads.h"

namespace {

// What happened to the running task while its callback ran.
enum class RunningChange { kNone, kAdded, kRemoved };

struct TaskQueue {
    int id = 0;
    ThreadRecord* thread = nullptr;  // null for queue 2
    Lock lock;
    Event* event = nullptr;          // wakes a worker: new work (queue 0) or stop
    List tasks;
    std::atomic<bool> stop{false};
    ThreadRecord record;

    // Guarded by `lock`.
    Task* running = nullptr;
    RunningChange runningChange = RunningChange::kNone;
    std::thread::id runner;
    bool passActive = false;
    std::condition_variable_any runningDone;
};

std::mutex gStartMutex;
int gStartCount = 0;
std::atomic<TaskQueue*> gQueues[kTaskQueueCount];

bool IsLinked(const List& list, const Task* task) {
    return task->node.previous != nullptr || list.head == &task->node;
}

TaskQueue* QueueFor(int queue, const char* operation) {
    TaskQueue* found = nullptr;
    if (queue >= 0 && queue < kTaskQueueCount) found = gQueues[queue].load(std::memory_order_acquire);
    if (!found) LogError("%s on task queue %d, which is not running", operation, queue);
    return found;
}

// Calls every linked task once, in order. Workers stop early once asked to.
void RunPass(TaskQueue* queue) {
    LockEnter(&queue->lock);
    if (queue->passActive) {  // a callback asked for a pass of its own queue
        LockLeave(&queue->lock);
        return;
    }
    queue->passActive = true;
    queue->runner = std::this_thread::get_id();
    ListNode* node = queue->tasks.head;
    // Only a worker's queue is ever stopped; its `thread` field is written by
    // the starting thread and not read here.
    while (node && !queue->stop.load(std::memory_order_relaxed)) {
        Task* task = reinterpret_cast<Task*>(node);
        queue->running = task;
        queue->runningChange = RunningChange::kNone;
        LockLeave(&queue->lock);

        int finished = task->callback(task->argument);

        LockEnter(&queue->lock);
        // Nobody else unlinks the running task, so its links are current.
        node = task->node.next;
        bool unlink = finished || queue->runningChange != RunningChange::kNone;
        if (unlink && IsLinked(queue->tasks, task)) ListRemove(&queue->tasks, &task->node);
        if (queue->runningChange == RunningChange::kAdded) ListPushBack(&queue->tasks, &task->node);
        queue->running = nullptr;
        queue->runningDone.notify_all();
    }
    queue->passActive = false;
    LockLeave(&queue->lock);
}

bool IsEmpty(TaskQueue* queue) {
    LockGuard guard(&queue->lock);
    return queue->tasks.count == 0;
}

void BackgroundWorker(void* argument) {
    auto* queue = static_cast<TaskQueue*>(argument);
    while (!queue->stop.load(std::memory_order_acquire)) {
        RunPass(queue);
        // The event stays set when AddTask signalled after the check, so no
        // wake-up is lost between "empty" and the wait.
        if (IsEmpty(queue) && !queue->stop.load(std::memory_order_acquire)) EventWait(queue->event);
    }
}

// Passes start on absolute 16 ms deadlines, so the period does not drift by
// the oversleep of each wait; a late pass moves the schedule instead of
// running a burst to catch up.
void PeriodicWorker(void* argument) {
    auto* queue = static_cast<TaskQueue*>(argument);
    uint64_t deadline = GetTimeMicros();
    while (!queue->stop.load(std::memory_order_acquire)) {
        RunPass(queue);
        deadline += kPeriodicQueueMicros;
        uint64_t now = GetTimeMicros();
        if (now >= deadline) {
            deadline = now;
            continue;
        }
        while (now < deadline && !queue->stop.load(std::memory_order_acquire)) {
            EventWaitFor(queue->event, deadline - now);  // stop cuts the wait short
            now = GetTimeMicros();
        }
    }
}

TaskQueue* CreateQueue(Allocator* allocator, int id) {
    void* memory = Alloc(allocator, sizeof(TaskQueue), alignof(TaskQueue));
    if (!memory) return nullptr;
    auto* queue = new (memory) TaskQueue();
    queue->id = id;
    LockInit(&queue->lock);
    if (id != kTaskQueueMain) queue->event = EventCreate();
    return queue;
}

bool StartWorker(TaskQueue* queue, ThreadFunction function, int priority) {
    if (!StartThread(&queue->record, function, queue, 0)) {
        LogFailed("start the worker of task queue %d", queue->id);
        return false;
    }
    queue->thread = &queue->record;
    SetThreadPriorityLevel(queue->thread, priority);
    return true;
}

void StopWorker(TaskQueue* queue) {
    if (!queue || !queue->thread) return;
    queue->stop.store(true, std::memory_order_release);
    EventSignal(queue->event);
    JoinThread(queue->thread);
    queue->thread = nullptr;
}

void DestroyQueue(TaskQueue* queue) {
    if (!queue) return;
    if (queue->event) EventClose(queue->event);
    LockDelete(&queue->lock);
    queue->~TaskQueue();
    Allocator::Free(queue);
}

void StopAll(TaskQueue* queues[kTaskQueueCount]) {
    // Workers first: a finishing background load may still hand work to queue 2.
    StopWorker(queues[kTaskQueueBackground]);
    StopWorker(queues[kTaskQueuePeriodic]);
    for (int id : {kTaskQueueMain, kTaskQueuePeriodic, kTaskQueueBackground}) {
        gQueues[id].store(nullptr, std::memory_order_release);
        DestroyQueue(queues[id]);
    }
}

}  // namespace

namespace TaskSystem {

bool Init(Allocator* allocator) {
    std::lock_guard<std::mutex> hold(gStartMutex);
    if (gStartCount > 0) {
        ++gStartCount;
        return true;
    }
    TaskQueue* queues[kTaskQueueCount] = {};
    bool ok = true;
    for (int id = 0; id < kTaskQueueCount && ok; ++id) {
        queues[id] = CreateQueue(allocator, id);
        ok = queues[id] != nullptr;
    }
    if (ok) {
        for (int id = 0; id < kTaskQueueCount; ++id)
            gQueues[id].store(queues[id], std::memory_order_release);
        ok = StartWorker(queues[kTaskQueueBackground], BackgroundWorker, -1) &&
             StartWorker(queues[kTaskQueuePeriodic], PeriodicWorker, 2);
    }
    if (!ok) {
        LogFailed("start the task system");
        StopAll(queues);
        return false;
    }
    gStartCount = 1;
    return true;
}

void Shutdown() {
    std::lock_guard<std::mutex> hold(gStartMutex);
    if (gStartCount == 0 || --gStartCount > 0) return;
    TaskQueue* queues[kTaskQueueCount];
    for (int id = 0; id < kTaskQueueCount; ++id) queues[id] = gQueues[id].load();
    StopAll(queues);
}

void AddTask(int queueId, Task* task) {
    TaskQueue* queue = QueueFor(queueId, "AddTask");
    if (!queue) return;
    {
        LockGuard guard(&queue->lock);
        if (queue->running == task) {
            queue->runningChange = RunningChange::kAdded;  // linked at the tail once it returns
        } else if (IsLinked(queue->tasks, task)) {
            LogError("task %p added to queue %d twice", static_cast<void*>(task), queueId);
            return;
        } else {
            ListPushBack(&queue->tasks, &task->node);
        }
    }
    if (queueId == kTaskQueueBackground) EventSignal(queue->event);
}

void RemoveTask(int queueId, Task* task) {
    TaskQueue* queue = QueueFor(queueId, "RemoveTask");
    if (!queue) return;
    LockEnter(&queue->lock);
    if (queue->running == task) {
        if (queue->runner == std::this_thread::get_id()) {
            queue->runningChange = RunningChange::kRemoved;  // unlinked when the callback returns
            LockLeave(&queue->lock);
            return;
        }
        queue->runningDone.wait(queue->lock.mutex, [&] { return queue->running != task; });
    }
    if (IsLinked(queue->tasks, task)) ListRemove(&queue->tasks, &task->node);
    LockLeave(&queue->lock);
}

bool IsIdle(int queue) {
    TaskQueue* found = QueueFor(queue, "IsIdle");
    if (!found) return true;
    LockGuard guard(&found->lock);
    return found->tasks.count == 0 && found->running == nullptr;
}

void RunMainQueue() {
    TaskQueue* queue = QueueFor(kTaskQueueMain, "RunMainQueue");
    if (queue) RunPass(queue);
}

}  // namespace TaskSystem
