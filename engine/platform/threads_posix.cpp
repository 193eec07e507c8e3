// Time, threads, priorities, locks and events on POSIX.
#include "platform/threads.h"

#include <cerrno>
#include <chrono>
#include <ctime>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

uint64_t GetTimeMicros() { return GetTimeNanos() / 1000u; }

uint64_t GetTimeNanos() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<uint64_t>(now.tv_sec) * 1000000000u + static_cast<uint64_t>(now.tv_nsec);
}

void SleepMs(uint32_t ms) {
    timespec wait{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
    while (nanosleep(&wait, &wait) != 0 && errno == EINTR) {
    }
}

void SleepUntilNanos(uint64_t nanos) {
    // An absolute deadline: a wake-up by a signal sleeps on to the same instant.
    timespec until{static_cast<time_t>(nanos / 1000000000u), static_cast<long>(nanos % 1000000000u)};
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, nullptr) == EINTR) {
    }
}

int64_t CurrentThreadId() { return static_cast<int64_t>(syscall(SYS_gettid)); }

namespace {

void* ThreadEntry(void* argument) {
    auto* record = static_cast<ThreadRecord*>(argument);
    record->threadId.store(CurrentThreadId());
    record->function(record->argument);
    return nullptr;
}

}  // namespace

bool StartThread(ThreadRecord* record, ThreadFunction function, void* argument, size_t stackSize) {
    if (record == nullptr || function == nullptr || record->started) return false;
    record->function = function;
    record->argument = argument;
    record->threadId.store(0);
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    if (stackSize != 0) pthread_attr_setstacksize(&attributes, stackSize);
    int result = pthread_create(&record->handle, &attributes, ThreadEntry, record);
    pthread_attr_destroy(&attributes);
    record->started = (result == 0);
    return record->started;
}

void JoinThread(ThreadRecord* record) {
    if (record == nullptr || !record->started) return;
    pthread_join(record->handle, nullptr);
    record->started = false;
    record->handle = pthread_t{};
}

bool SetThreadPriorityLevel(ThreadRecord* record, int level) {
    if (record == nullptr || !record->started) return false;
    // Wait for the new thread to publish its id; it does so before anything else.
    int64_t id = record->threadId.load();
    while (id == 0) {
        sched_yield();
        id = record->threadId.load();
    }
    // Levels are relative to the process, as thread priorities are elsewhere:
    // a game started under `nice` keeps its threads in the same order.
    int offset;
    switch (level) {
        case -2: offset = 10; break;
        case -1: offset = 5; break;
        case 1: offset = -5; break;
        case 2: offset = -10; break;
        default: offset = 0; break;
    }
    errno = 0;
    int processNice = getpriority(PRIO_PROCESS, static_cast<id_t>(getpid()));
    if (errno != 0) processNice = 0;
    // Raising needs privileges that a desktop session rarely has: best effort.
    setpriority(PRIO_PROCESS, static_cast<id_t>(id), processNice + offset);
    return true;
}

void LockInit(Lock*) {}
void LockDelete(Lock*) {}
void LockEnter(Lock* lock) { lock->mutex.lock(); }
void LockLeave(Lock* lock) { lock->mutex.unlock(); }

Event* EventCreate() { return new Event(); }

void EventClose(Event* event) { delete event; }

void EventWait(Event* event) {
    std::unique_lock<std::mutex> hold(event->mutex);
    event->wake.wait(hold, [event] { return event->signalled; });
    event->signalled = false;
}

bool EventWaitFor(Event* event, uint64_t timeoutMicros) {
    // The wait deadline is kept in signed nanoseconds; about 31 years is "forever".
    constexpr uint64_t kLongestWaitMicros = 1000000000000000ull;
    if (timeoutMicros > kLongestWaitMicros) timeoutMicros = kLongestWaitMicros;
    std::unique_lock<std::mutex> hold(event->mutex);
    if (!event->wake.wait_for(hold, std::chrono::microseconds(static_cast<int64_t>(timeoutMicros)),
                              [event] { return event->signalled; })) {
        return false;
    }
    event->signalled = false;
    return true;
}

void EventSignal(Event* event) {
    // Notify while holding the mutex: a waiter that takes the signal may close
    // the event at once, and the signaller must not touch it after unlocking.
    std::lock_guard<std::mutex> hold(event->mutex);
    event->signalled = true;
    event->wake.notify_one();
}
