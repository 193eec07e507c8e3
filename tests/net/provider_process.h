// Starts the Python OAuth provider (tests/net/oauth_provider.py) on a free
// loopback port and stops it again; the child also ends with this process.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>

class ProviderProcess {
public:
    ProviderProcess() = default;
    ~ProviderProcess() { Stop(); }
    ProviderProcess(const ProviderProcess&) = delete;
    ProviderProcess& operator=(const ProviderProcess&) = delete;

    // False (with the reason in error()) when it did not report ready in time.
    bool Start();
    void Stop();

    uint16_t port() const { return port_; }
    std::string BaseUrl() const { return "http://127.0.0.1:" + std::to_string(port_); }
    const std::string& error() const { return error_; }

private:
    bool StartOnPort(uint16_t port);

    pid_t pid_ = -1;
    uint16_t port_ = 0;
    std::string error_;
};
