#include "tests/net/scripted_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "tests/support/wait_until.h"

ScriptedServer::ScriptedServer(int receiveBuffer) {
    listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int yes = 1;
    setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof(yes));
    if (receiveBuffer > 0) setsockopt(listener_, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof(receiveBuffer));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof(address));
    socklen_t size = sizeof(address);
    getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size);
    port_ = ntohs(address.sin_port);
    listen(listener_, 16);
}

ScriptedServer::~ScriptedServer() {
    Stop();
    if (listener_ >= 0) close(listener_);
}

std::string ScriptedServer::Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
}

void ScriptedServer::Serve(Script script) {
    script_ = std::move(script);
    thread_ = std::thread([this] { AcceptLoop(); });
}

void ScriptedServer::Stop() {
    std::unique_lock<std::mutex> lock(mutex_);
    stopping_ = true;
    lock.unlock();
    stopped_.notify_all();
    if (thread_.joinable()) thread_.join();
}

void ScriptedServer::AcceptLoop() {
    while (!stopping_) {
        pollfd entry{listener_, POLLIN, 0};
        if (poll(&entry, 1, 20) <= 0) continue;
        int fd = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) continue;
        connections_++;
        int yes = 1;
        setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof(yes));
        script_(fd, *this);
        close(fd);
    }
}

std::string ScriptedServer::ReadRequest(int fd) {
    std::string request;
    size_t expected = std::string::npos;
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(kPatienceMs);
    char buffer[65536];
    while (std::chrono::steady_clock::now() < end && request.size() < (32u << 20)) {
        if (expected == std::string::npos) {
            size_t head = request.find("\r\n\r\n");
            if (head != std::string::npos) {
                size_t length = 0;
                size_t at = request.find("Content-Length: ");
                if (at != std::string::npos && at < head) length = std::strtoul(request.c_str() + at + 16, nullptr, 10);
                expected = head + 4 + length;
            }
        }
        if (expected != std::string::npos && request.size() >= expected) break;
        pollfd entry{fd, POLLIN, 0};
        if (poll(&entry, 1, 50) <= 0) continue;
        ssize_t got = recv(fd, buffer, sizeof(buffer), 0);
        if (got <= 0) break;
        request.append(buffer, static_cast<size_t>(got));
    }
    std::lock_guard<std::mutex> lock(mutex_);
    requests_.push_back(request);
    return request;
}

bool ScriptedServer::Send(int fd, const std::string& bytes) {
    size_t sent = 0;
    while (sent < bytes.size()) {
        ssize_t n = send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) return false;
        sent += static_cast<size_t>(n);
    }
    return true;
}

void ScriptedServer::WaitForStop(int maxMs) {
    std::unique_lock<std::mutex> lock(mutex_);
    stopped_.wait_for(lock, std::chrono::milliseconds(maxMs), [this] { return stopping_.load(); });
}

void ScriptedServer::Reset(int fd) {
    linger hard{1, 0};
    setsockopt(fd, SOL_SOCKET, SO_LINGER, &hard, sizeof(hard));
}

std::vector<std::string> ScriptedServer::requests() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
}

int CountOpenDescriptors() {
    std::filesystem::directory_iterator entries("/proc/self/fd");
    return static_cast<int>(std::distance(entries, std::filesystem::directory_iterator()));
}
