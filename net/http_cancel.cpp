// The cancel signal: a pipe whose read end turns readable for good once a
// byte is written, so every later poll sees it too.
#include "net/http_cancel.h"

#include <fcntl.h>
#include <unistd.h>

HttpCancel::HttpCancel() {
    if (pipe2(fds_, O_CLOEXEC | O_NONBLOCK) != 0) fds_[0] = fds_[1] = -1;
}

HttpCancel::~HttpCancel() {
    for (int fd : fds_) {
        if (fd >= 0) close(fd);
    }
}

void HttpCancel::Cancel() {
    if (cancelled_.exchange(true) || fds_[1] < 0) return;
    const char wake = 1;
    // Only the first cancel writes, into an empty pipe: there is always room.
    [[maybe_unused]] ssize_t written = write(fds_[1], &wake, 1);
}
