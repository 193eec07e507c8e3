// Time, sleeping, threads, priorities, re-entrant locks and auto-reset events.
// The engine's task queues and sound mixer stand on these; nothing here logs.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <pthread.h>

// Monotonic time in microseconds; never goes backwards.
uint64_t GetTimeMicros();
// The same clock in nanoseconds.
uint64_t GetTimeNanos();
void SleepMs(uint32_t ms);
// Sleeps until the monotonic clock reads `nanos` (at once when it has passed).
void SleepUntilNanos(uint64_t nanos);

using ThreadFunction = void (*)(void* argument);

struct ThreadRecord {
    pthread_t handle{};
    bool started = false;
    ThreadFunction function = nullptr;
    void* argument = nullptr;
    std::atomic<int64_t> threadId{0};  // the kernel thread id, stored by the thread itself
};

// Starts `function(argument)` on a new thread (stackSize 0 = default).
bool StartThread(ThreadRecord* record, ThreadFunction function, void* argument, size_t stackSize);
// Waits without limit for the thread to end and clears the record.
void JoinThread(ThreadRecord* record);
// -2 lowest, -1 below normal, 1 above normal, 2 highest, anything else normal,
// relative to the process's own priority (nice +10, +5, -5, -10, 0).
// Best effort: raising may be refused without privileges; that is not an error
// and the call still returns true. False only for a record that never started.
bool SetThreadPriorityLevel(ThreadRecord* record, int level);
// The calling thread's kernel id.
int64_t CurrentThreadId();

// A re-entrant lock: the owning thread may enter again without deadlocking.
struct Lock {
    std::recursive_mutex mutex;
};
void LockInit(Lock* lock);
void LockDelete(Lock* lock);
void LockEnter(Lock* lock);
void LockLeave(Lock* lock);

class LockGuard {
public:
    explicit LockGuard(Lock* lock) : lock_(lock) { LockEnter(lock_); }
    ~LockGuard() { LockLeave(lock_); }
    LockGuard(const LockGuard&) = delete;
    LockGuard& operator=(const LockGuard&) = delete;

private:
    Lock* lock_;
};

// Auto-reset event: a signal with no waiter stays set until one waiter takes it;
// one signal releases exactly one waiter.
struct Event {
    std::mutex mutex;
    std::condition_variable wake;
    bool signalled = false;
};
Event* EventCreate();
void EventClose(Event* event);
void EventWait(Event* event);
// Waits at most timeoutMicros; true when the signal was taken.
bool EventWaitFor(Event* event, uint64_t timeoutMicros);
void EventSignal(Event* event);
