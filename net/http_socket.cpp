// POSIX socket calls for the HTTP client: a name lookup bounded by the connect
// limit, a non-blocking connect finished by poll, and send/recv loops that
// wait with poll, beside the cancel's handle when there is one.
#include "net/http_socket.h"

#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "net/http_cancel.h"
#include "net/name_lookup.h"
#include "platform/debug_log.h"
#include "platform/threads.h"

namespace {

void CloseDescriptor(int fd) {
    // Linux frees the descriptor even when close reports EINTR; never retry.
    if (fd >= 0) close(fd);
}

constexpr int kPollCancelled = -2;

// poll on `fd` for `events` and on the cancel's handle: 1 ready, 0 timed out,
// -1 failed (errno), kPollCancelled.
int PollOrCancel(int fd, short events, const HttpCancel* cancel, int waitMs) {
    if (cancel != nullptr && cancel->IsCancelled()) return kPollCancelled;
    pollfd entries[2] = {{fd, events, 0}, {cancel != nullptr ? cancel->WaitHandle() : -1, POLLIN, 0}};
    int ready = poll(entries, 2, waitMs);
    if (cancel != nullptr && cancel->IsCancelled()) return kPollCancelled;
    return ready > 0 ? (entries[0].revents != 0 ? 1 : 0) : ready;
}

// Connects one non-blocking socket; returns the descriptor or -1 with `*error`
// (0 when cancelled).
int ConnectAddress(const addrinfo& address, uint64_t deadlineMicros, const HttpCancel* cancel, int* error,
                   bool* timedOut) {
    int fd = socket(address.ai_family, address.ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, address.ai_protocol);
    if (fd < 0) {
        *error = errno;
        return -1;
    }
    if (connect(fd, address.ai_addr, address.ai_addrlen) == 0) return fd;
    if (errno != EINPROGRESS && errno != EINTR) {
        *error = errno;
        CloseDescriptor(fd);
        return -1;
    }
    for (;;) {
        uint64_t now = GetTimeMicros();
        if (now >= deadlineMicros) {
            *timedOut = true;
            CloseDescriptor(fd);
            return -1;
        }
        int waitMs = static_cast<int>(std::min<uint64_t>((deadlineMicros - now + 999) / 1000, 1u << 30));
        int ready = PollOrCancel(fd, POLLOUT, cancel, waitMs);
        if (ready == -1 && errno == EINTR) continue;
        if (ready < 0) {
            *error = ready == kPollCancelled ? 0 : errno;
            CloseDescriptor(fd);
            return -1;
        }
        if (ready == 0) continue;  // the deadline check above ends the wait
        int socketError = 0;
        socklen_t size = sizeof(socketError);
        if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &socketError, &size) != 0) socketError = errno;
        if (socketError == 0) return fd;
        *error = socketError;
        CloseDescriptor(fd);
        return -1;
    }
}

}  // namespace

HttpSocket::~HttpSocket() {
    Close();
}

HttpSocket::HttpSocket(HttpSocket&& other) noexcept
    : fd_(other.fd_), peer_(std::move(other.peer_)), cancel_(std::move(other.cancel_)) {
    other.fd_ = -1;
}

HttpSocket& HttpSocket::operator=(HttpSocket&& other) noexcept {
    if (this != &other) {
        Close();
        fd_ = other.fd_;
        peer_ = std::move(other.peer_);
        cancel_ = std::move(other.cancel_);
        other.fd_ = -1;
    }
    return *this;
}

void HttpSocket::Close() {
    CloseDescriptor(fd_);
    fd_ = -1;
}

bool HttpSocket::Connect(const std::string& host, uint16_t port, int timeoutMs) {
    Close();
    peer_ = host + ":" + std::to_string(port);
    if (host.empty() || port == 0) {
        LogFailed("connect: no host or port in \"%s\"", peer_.c_str());
        return false;
    }
    uint64_t deadline = GetTimeMicros() + static_cast<uint64_t>(std::max(timeoutMs, 0)) * 1000;

    // The lookup counts against the connect limit.
    addrinfo* addresses = nullptr;
    int lookupError = 0;
    NameLookupResult lookup = LookupHost(host, port, deadline, &addresses, &lookupError);
    if (lookup == NameLookupResult::kTimedOut) {
        LogFailed("resolve \"%s\" (no answer within %d ms)", host.c_str(), timeoutMs);
        return false;
    }
    if (lookup == NameLookupResult::kFailed) {
        LogFailed("resolve \"%s\" (%s)", host.c_str(), gai_strerror(lookupError));
        return false;
    }
    int error = 0;
    bool timedOut = false;
    bool cancelled = false;
    for (addrinfo* address = addresses; address && fd_ < 0 && !timedOut && !cancelled; address = address->ai_next) {
        fd_ = ConnectAddress(*address, deadline, cancel_.get(), &error, &timedOut);
        cancelled = cancel_ != nullptr && cancel_->IsCancelled();
    }
    freeaddrinfo(addresses);
    if (fd_ >= 0) return true;
    if (cancelled) return false;
    if (timedOut) {
        LogFailed("connect to %s (no answer within %d ms)", peer_.c_str(), timeoutMs);
    } else {
        LogFailed("connect to %s (%s)", peer_.c_str(), std::strerror(error));
    }
    return false;
}

HttpSocket::Wait HttpSocket::WaitFor(short events, int idleTimeoutMs, uint64_t deadlineMicros) {
    uint64_t idleEnd = GetTimeMicros() + static_cast<uint64_t>(std::max(idleTimeoutMs, 0)) * 1000;
    for (;;) {
        uint64_t now = GetTimeMicros();
        if (now >= deadlineMicros) return Wait::kDeadline;
        if (now >= idleEnd) return Wait::kIdleTimeout;
        uint64_t end = std::min(idleEnd, deadlineMicros);
        int waitMs = static_cast<int>(std::min<uint64_t>((end - now + 999) / 1000, 1u << 30));
        int ready = PollOrCancel(fd_, events, cancel_.get(), waitMs);
        if (ready > 0) return Wait::kReady;  // errors and hang-ups show in the next send or recv
        if (ready == kPollCancelled) return Wait::kCancelled;
        if (ready < 0 && errno != EINTR) return Wait::kError;
    }
}

void HttpSocket::LogWaitFailure(const char* action, Wait wait, int idleTimeoutMs) {
    if (wait == Wait::kCancelled) return;
    if (wait == Wait::kIdleTimeout) {
        LogFailed("%s %s (no progress for %d ms)", action, peer_.c_str(), idleTimeoutMs);
    } else if (wait == Wait::kDeadline) {
        LogFailed("%s %s (request time limit reached)", action, peer_.c_str());
    } else {
        LogFailed("%s %s (%s)", action, peer_.c_str(), std::strerror(errno));
    }
}

bool HttpSocket::SendAll(const void* bytes, size_t length, int idleTimeoutMs, uint64_t deadlineMicros) {
    if (fd_ < 0) {
        LogFailed("send to %s (not connected)", peer_.c_str());
        return false;
    }
    const char* next = static_cast<const char*>(bytes);
    size_t remaining = length;
    while (remaining > 0) {
        ssize_t sent = send(fd_, next, remaining, MSG_NOSIGNAL);
        if (sent > 0) {
            next += sent;
            remaining -= static_cast<size_t>(sent);
            continue;
        }
        if (sent < 0 && errno == EINTR) continue;
        if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            Wait wait = WaitFor(POLLOUT, idleTimeoutMs, deadlineMicros);
            if (wait == Wait::kReady) continue;
            LogWaitFailure("send to", wait, idleTimeoutMs);
            return false;
        }
        LogFailed("send to %s (%s)", peer_.c_str(), sent < 0 ? std::strerror(errno) : "nothing sent");
        return false;
    }
    return true;
}

long HttpSocket::Receive(void* buffer, size_t capacity, int idleTimeoutMs, uint64_t deadlineMicros) {
    if (fd_ < 0) {
        LogFailed("receive from %s (not connected)", peer_.c_str());
        return -1;
    }
    for (;;) {
        ssize_t got = recv(fd_, buffer, capacity, 0);
        if (got >= 0) return static_cast<long>(got);
        if (errno == EINTR) continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK) {
            Wait wait = WaitFor(POLLIN, idleTimeoutMs, deadlineMicros);
            if (wait == Wait::kReady) continue;
            LogWaitFailure("receive from", wait, idleTimeoutMs);
            return -1;
        }
        LogFailed("receive from %s (%s)", peer_.c_str(), std::strerror(errno));
        return -1;
    }
}
