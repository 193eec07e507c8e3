// A loopback HTTP peer that plays a script on each connection and records what the client sent.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class ScriptedServer {
public:
    using Script = std::function<void(int fd, ScriptedServer& server)>;

    // `receiveBuffer` > 0 shrinks the kernel's receive buffer of accepted sockets.
    explicit ScriptedServer(int receiveBuffer = 0);
    ~ScriptedServer();

    uint16_t port() const { return port_; }
    std::string Url(const std::string& path) const;
    void Serve(Script script);
    void Stop();

    // For scripts: reads and records one request and its body (bounded to 5 s and 32 MiB).
    std::string ReadRequest(int fd);
    static bool Send(int fd, const std::string& bytes);
    // Returns when Stop is called, or after `maxMs`.
    void WaitForStop(int maxMs);
    static void Reset(int fd);  // a reset instead of an orderly close

    std::vector<std::string> requests() const;
    int connections() const { return connections_.load(); }

private:
    void AcceptLoop();

    int listener_ = -1;
    uint16_t port_ = 0;
    Script script_;
    std::thread thread_;
    std::atomic<bool> stopping_{false};
    std::atomic<int> connections_{0};
    mutable std::mutex mutex_;
    std::condition_variable stopped_;
    std::vector<std::string> requests_;
};

int CountOpenDescriptors();  // of this process
