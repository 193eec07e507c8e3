// The engine's three work queues. Queue 0 is a background worker woken when
// work arrives (image decoding, glyph rendering); queue 1 is a worker that runs
// its tasks every 16 ms (the sound mixer); queue 2 has no thread and runs once
// per update on the main thread, where workers hand back their results.
//
// A task's callback returns non-zero when the task is finished; the queue then
// unlinks it. Callbacks run without the queue's lock held, so they may add
// tasks to any queue, their own included. The task's memory belongs to whoever
// added it: it must stay valid while linked and while its callback runs, and a
// callback must not free its own task (return non-zero instead).
#pragma once

#include <cstdint>

#include "core/list.h"

struct Allocator;

using TaskCallback = int (*)(void* argument);

struct Task {
    ListNode node;  // first, so the queue's list links the task itself
    TaskCallback callback = nullptr;
    void* argument = nullptr;
};

enum TaskQueueId : int {
    kTaskQueueBackground = 0,
    kTaskQueuePeriodic = 1,
    kTaskQueueMain = 2,
};

constexpr int kTaskQueueCount = 3;
constexpr uint32_t kPeriodicQueueMicros = 16000;

namespace TaskSystem {

// Counts starts; the first one creates the queues from `allocator` (null =
// default) and starts the two workers. False when that first start failed.
bool Init(Allocator* allocator);
// Counts stops; the last one stops and joins both workers before any queue is
// destroyed. Tasks still linked are neither called again nor freed.
void Shutdown();
// Appends `task` to the queue from any thread and wakes queue 0's worker.
void AddTask(int queue, Task* task);
// Unlinks `task` from any thread. When its callback is running on another
// thread, waits until that call has returned, so afterwards the task is never
// called again and may be freed. Do not call it while holding a lock that the
// task's callback takes. From inside the task's own callback the task is
// unlinked when the callback returns.
void RemoveTask(int queue, Task* task);
// One pass over queue 2, on the calling (main) thread.
void RunMainQueue();
// True while `queue` holds no task and runs none; a test can wait on it to keep
// background work in step with frames.
bool IsIdle(int queue);

}  // namespace TaskSystem
