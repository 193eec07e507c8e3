// One TCP connection for one HTTP request, over POSIX sockets. Every wait is
// bounded: by an idle limit (no progress for that long) and by the request's
// overall deadline, and cut short by a cancel when one is given. Failures are
// logged once, naming the peer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

class HttpCancel;

class HttpSocket {
public:
    explicit HttpSocket(std::shared_ptr<const HttpCancel> cancel = nullptr) : cancel_(std::move(cancel)) {}
    ~HttpSocket();
    HttpSocket(HttpSocket&& other) noexcept;
    HttpSocket& operator=(HttpSocket&& other) noexcept;
    HttpSocket(const HttpSocket&) = delete;
    HttpSocket& operator=(const HttpSocket&) = delete;

    // Resolves `host` and connects to the first address that answers, the
    // lookup and the connect together within `timeoutMs`. The socket is
    // non-blocking from here on.
    bool Connect(const std::string& host, uint16_t port, int timeoutMs);
    // True only when every byte went out. Fails when the peer resets, or when
    // the peer takes nothing for `idleTimeoutMs`, or at `deadlineMicros`
    // (GetTimeMicros time). Never raises SIGPIPE.
    bool SendAll(const void* bytes, size_t length, int idleTimeoutMs, uint64_t deadlineMicros);
    // Bytes read (> 0), 0 when the peer closed, -1 on error or timeout.
    long Receive(void* buffer, size_t capacity, int idleTimeoutMs, uint64_t deadlineMicros);
    void Close();
    bool IsOpen() const { return fd_ >= 0; }

private:
    enum class Wait { kReady, kIdleTimeout, kDeadline, kCancelled, kError };
    Wait WaitFor(short events, int idleTimeoutMs, uint64_t deadlineMicros);
    void LogWaitFailure(const char* action, Wait wait, int idleTimeoutMs);

    int fd_ = -1;
    std::string peer_;  // "host:port", for log lines
    std::shared_ptr<const HttpCancel> cancel_;
};
