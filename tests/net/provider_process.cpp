// Runs the provider script under the system Python, which has python3-oauthlib.
#include "tests/net/provider_process.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

namespace {

const char kPython[] = "/usr/bin/python3";
const char kScript[] = QM_NET_TEST_DIR "/oauth_provider.py";

uint16_t PickFreePort() {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof(address);
    bool ok = bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0 &&
              getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) == 0;
    close(fd);
    return ok ? ntohs(address.sin_port) : 0;
}

// Waits up to `timeoutMs` for the child; true when it has ended.
bool Reap(pid_t pid, int timeoutMs) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    do {
        int status = 0;
        pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid || (done < 0 && errno == ECHILD)) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    } while (std::chrono::steady_clock::now() < end);
    return false;
}

}  // namespace

bool ProviderProcess::Start() {
    // The chosen port can be taken between the pick and the provider's bind;
    // then the provider exits early and another port is tried.
    for (int attempt = 0; attempt < 3; ++attempt) {
        uint16_t port = PickFreePort();
        if (port != 0 && StartOnPort(port)) return true;
    }
    return false;
}

bool ProviderProcess::StartOnPort(uint16_t port) {
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) {
        error_ = "pipe failed";
        return false;
    }
    std::string portText = std::to_string(port);
    pid_t parent = getpid();
    pid_t pid = fork();
    if (pid < 0) {
        close(pipeFds[0]);
        close(pipeFds[1]);
        error_ = "fork failed";
        return false;
    }
    if (pid == 0) {
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() != parent) _exit(127);
        dup2(pipeFds[1], STDOUT_FILENO);
        execl(kPython, kPython, kScript, portText.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(pipeFds[1]);
    pid_ = pid;

    std::string output;
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    while (output.find("READY\n") == std::string::npos && std::chrono::steady_clock::now() < end) {
        pollfd entry{pipeFds[0], POLLIN, 0};
        if (poll(&entry, 1, 100) <= 0) continue;
        char buffer[256];
        ssize_t got = read(pipeFds[0], buffer, sizeof(buffer));
        if (got <= 0) break;  // the provider ended before it was ready
        output.append(buffer, static_cast<size_t>(got));
    }
    close(pipeFds[0]);
    if (output.find("READY\n") == std::string::npos) {
        error_ = "the provider on port " + portText + " did not start: " + output;
        Stop();
        return false;
    }
    port_ = port;
    return true;
}

void ProviderProcess::Stop() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    if (!Reap(pid_, 3000)) {
        kill(pid_, SIGKILL);
        Reap(pid_, 3000);
    }
    pid_ = -1;
}
