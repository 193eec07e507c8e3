// Ends a request from another thread at once. A socket made with a cancel
// wakes from every wait as soon as Cancel is called and the request fails
// without a log line (whoever cancelled knows why); the socket is closed as
// the request returns. A name lookup is the one wait it cannot cut short:
// that keeps its own time limit.
#pragma once

#include <atomic>

class HttpCancel {
public:
    HttpCancel();
    ~HttpCancel();
    HttpCancel(const HttpCancel&) = delete;
    HttpCancel& operator=(const HttpCancel&) = delete;

    // Any thread, any number of times.
    void Cancel();
    bool IsCancelled() const { return cancelled_.load(); }
    // Readable from the first Cancel on, for poll; -1 when none could be made
    // (the cancel is then seen only between waits).
    int WaitHandle() const { return fds_[0]; }

private:
    int fds_[2] = {-1, -1};
    std::atomic<bool> cancelled_{false};
};
